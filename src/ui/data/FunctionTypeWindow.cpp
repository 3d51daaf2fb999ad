#include "ui/data/FunctionTypeWindow.h"

#include <QGridLayout>
#include <QRadioButton>

#include "ui/widgets/Formulas.h"

namespace korv::ui {

TFormFunctionType::TFormFunctionType(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormFunctionType"));
  setWindowTitle(QStringLiteral("Type of Function to be Evaluated"));
  setModal(true);
  auto* layout = new QGridLayout(this);
  function1_ = new QRadioButton(this);
  function1_->setObjectName(QStringLiteral("RadioButtonFunction1"));
  function2_ = new QRadioButton(this);
  function2_->setObjectName(QStringLiteral("RadioButtonFunction2"));
  function2_->setChecked(true);
  layout->addWidget(function1_, 0, 0);
  layout->addWidget(new FormulaPicture(QStringLiteral("ImageFunctionS"), this), 0, 1);
  layout->addWidget(function2_, 1, 0);
  layout->addWidget(new FormulaPicture(QStringLiteral("ImageFunctionH"), this), 1, 1);
  layout->setColumnStretch(1, 1);
  connect(function1_, &QRadioButton::clicked, this, [this] {
    if (chosen_) chosen_(1);
  });
  connect(function2_, &QRadioButton::clicked, this, [this] {
    if (chosen_) chosen_(2);
  });
}

void TFormFunctionType::Prepare(int current, std::function<void(int)> chosen) {
  chosen_ = nullptr;
  (current == 1 ? function1_ : function2_)->setChecked(true);
  chosen_ = std::move(chosen);
}

}  // namespace korv::ui
