// The curve-fitting window "Fine Adjustment by Curve Fitting": a passive Qt face of
// CurveFittingPresenter. The starting values and the table of the fit on the left, the
// starting and the adjusted simulation over the measurement on the right. Closing only hides it.
#pragma once

#include <QWidget>
#include <memory>

#include "core/Analysis.h"
#include "core/Ports.h"

namespace korv::ui {

class QtView;
class CurveFittingPresenter;

class TFormCurveFitting : public QWidget {
  Q_OBJECT

 public:
  explicit TFormCurveFitting(const Analysis& record, korv::Progress* progress = nullptr, QWidget* parent = nullptr);
  ~TFormCurveFitting() override;

  // The prepare step (it reads the record), then the window at top 50, left 60, in front.
  void PrepareAndShow();
  CurveFittingPresenter& Presenter() { return *presenter_; }
  QtView& View() { return *view_; }

 private:
  std::unique_ptr<QtView> view_;
  std::unique_ptr<CurveFittingPresenter> presenter_;
};

}  // namespace korv::ui
