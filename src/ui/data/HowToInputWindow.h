// The data-source dialog "How to input data": a passive Qt face of HowToInputPresenter.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "presenters/common/Windows.h"

namespace korv::ui {

class QtView;
class HowToInputPresenter;

class TFormHowToInput : public QDialog {
  Q_OBJECT

 public:
  explicit TFormHowToInput(QWidget* parent = nullptr);
  ~TFormHowToInput() override;

  // Shows the dialog modally through `exec` (its own when empty) and returns the choice.
  DataSource Ask(const std::function<void(QDialog*)>& exec = nullptr);
  HowToInputPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<QtView> view_;
  std::unique_ptr<HowToInputPresenter> presenter_;
};

}  // namespace korv::ui
