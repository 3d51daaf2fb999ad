#include "ui/data/AutomaticEvaluationTypeWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace korv::ui {

TFormAutomaticEvaluationType::TFormAutomaticEvaluationType(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormAutomaticEvaluationType"));
  setWindowTitle(QStringLiteral("Automatic Evaluation Type"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  // sic: the window's own text, misspellings included
  auto* line1 = new QLabel(QStringLiteral("When you think that you  could not obtained the desiable results,"), this);
  line1->setObjectName(QStringLiteral("Label1"));
  // sic: the window's own text, misspellings included
  auto* line2 = new QLabel(QStringLiteral("please try another auotomatic evaluation type."), this);
  line2->setObjectName(QStringLiteral("Label2"));
  combo_ = new QComboBox(this);
  combo_->setObjectName(QStringLiteral("ComboBoxAutomaticEvaluationType"));
  combo_->setEditable(true);
  combo_->addItems({"Type-A", "Type-B", "Type-C", "Type-D"});
  combo_->setInsertPolicy(QComboBox::NoInsert);
  layout->addWidget(line1);
  layout->addWidget(line2);
  layout->addWidget(combo_);
  connect(combo_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (changed_) changed_(text.toStdString());
  });
}

void TFormAutomaticEvaluationType::Prepare(const std::string& current,
                                           std::function<void(const std::string&)> changed) {
  changed_ = nullptr;
  {
    const QSignalBlocker block(combo_);
    combo_->setEditText(QString::fromStdString(current));
  }
  changed_ = std::move(changed);
}

}  // namespace korv::ui
