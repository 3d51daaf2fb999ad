// "Caution": shown by the H1 evaluation when the level fit had to scale the compensation.
#pragma once

#include <QDialog>

namespace korv::ui {

class TFormDeepLevel : public QDialog {
  Q_OBJECT

 public:
  explicit TFormDeepLevel(QWidget* parent = nullptr);
};

}  // namespace korv::ui
