// The formula pictures of the windows: typeset formulas and symbols drawn as rich text,
// one widget per picture, named as the window's control list names them.
#pragma once

#include <QLabel>
#include <QString>

namespace korv::ui {

// Rich text of the formula or symbol a picture shows; a plain rendering of the name for a
// picture this program has no drawing of.
QString FormulaHtml(const QString& pictureName);

// An italic symbol with an upright subscript: <i>N</i><sub>D</sub>.
QString Subscripted(const QString& base, const QString& sub);

// What a symbol of the formula stands for, as rich text; empty when it needs no explanation.
QString FormulaToolTip(const QString& pictureName);

class FormulaPicture : public QLabel {
  Q_OBJECT

 public:
  explicit FormulaPicture(const QString& name, QWidget* parent = nullptr);
};

}  // namespace korv::ui
