// The reference table window "Semiconductor Data used in KORV": a passive Qt face of
// InformationPresenter. Closing only hides it.
#pragma once

#include <QWidget>
#include <memory>

class QTableWidget;

namespace korv::ui {

class QtView;
class InformationPresenter;

class TFormInformation : public QWidget {
  Q_OBJECT

 public:
  explicit TFormInformation(QWidget* parent = nullptr);
  ~TFormInformation() override;

  // Fills the table anew and shows the window.
  void FillAndShow();
  InformationPresenter& Presenter() { return *presenter_; }
  QTableWidget* Grid() const { return grid_; }

 private:
  QTableWidget* grid_ = nullptr;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<InformationPresenter> presenter_;
};

}  // namespace korv::ui
