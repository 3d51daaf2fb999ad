// The modal dialog "Confirmation" (TFormOneDonorOneAcceptorConfirmation) shown after every
// successful donor-acceptor evaluation: how to adjust the net density, and what to
// compare the mass factor with.
#pragma once

#include <QDialog>
#include <memory>

namespace korv::ui {

class QtView;
class ControlWidgets;
class OneDonorOneAcceptorConfirmationPresenter;

class TFormOneDonorOneAcceptorConfirmation : public QDialog {
  Q_OBJECT

 public:
  explicit TFormOneDonorOneAcceptorConfirmation(QWidget* parent = nullptr);
  ~TFormOneDonorOneAcceptorConfirmation() override;

  OneDonorOneAcceptorConfirmationPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<ControlWidgets> widgets_;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<OneDonorOneAcceptorConfirmationPresenter> presenter_;
};

}  // namespace korv::ui
