// The donor-acceptor window (TFormConventionalAnalysis2): a passive Qt face of
// DonorAcceptorPresenter with its formula pictures and two charts.
#pragma once

#include <QWidget>
#include <memory>

#include "core/Analysis.h"

namespace korv::ui {

class QtView;
class ControlWidgets;
class DonorAcceptorPresenter;

class TFormConventionalAnalysis2 : public QWidget {
  Q_OBJECT

 public:
  explicit TFormConventionalAnalysis2(const Analysis& record, QWidget* parent = nullptr);
  ~TFormConventionalAnalysis2() override;

  // The prepare step, then the window at the top-left corner, shown and raised; a record
  // the analysis cannot work on is reported and the window stays hidden.
  void PrepareAndShow();
  DonorAcceptorPresenter& Presenter() { return *presenter_; }
  QtView& View() { return *view_; }

 private:
  std::unique_ptr<ControlWidgets> widgets_;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<DonorAcceptorPresenter> presenter_;
};

// Rich text of the pictures of the window and of its confirmation dialog.
QString ConventionalAnalysis2Picture(const QString& name);
QString ConfirmationPicture(const QString& name);

}  // namespace korv::ui
