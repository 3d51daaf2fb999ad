// "Type of Function to be Evaluated": the S function (1) or the H function (2).
#pragma once

#include <QDialog>
#include <functional>

class QRadioButton;

namespace korv::ui {

class TFormFunctionType : public QDialog {
  Q_OBJECT

 public:
  explicit TFormFunctionType(QWidget* parent = nullptr);
  // Checks the button of `current` (1 the S function, anything else the H function) and
  // passes every later click to `chosen`, a click on the checked button too.
  void Prepare(int current, std::function<void(int)> chosen);
  QRadioButton* Function1() const { return function1_; }
  QRadioButton* Function2() const { return function2_; }

 private:
  QRadioButton* function1_;
  QRadioButton* function2_;
  std::function<void(int)> chosen_;
};

}  // namespace korv::ui
