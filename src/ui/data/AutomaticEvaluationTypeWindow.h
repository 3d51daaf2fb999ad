// The option dialogs of the Option menu: the automatic evaluation type and the function
// type. Neither has OK or Cancel; every change is passed on at once.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QRadioButton;

namespace korv::ui {

class TFormAutomaticEvaluationType : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAutomaticEvaluationType(QWidget* parent = nullptr);
  // Shows `current` and passes every later change of the text to `changed`.
  void Prepare(const std::string& current, std::function<void(const std::string&)> changed);
  QComboBox* Combo() const { return combo_; }

 private:
  QComboBox* combo_;
  std::function<void(const std::string&)> changed_;
};

}  // namespace korv::ui
