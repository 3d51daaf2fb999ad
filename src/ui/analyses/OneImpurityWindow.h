// The one-impurity window (TFormConventionalAnalysis): a passive Qt face of
// OneImpurityPresenter with its menu, formula pictures and two charts.
#pragma once

#include <QMainWindow>
#include <memory>

#include "core/Analysis.h"

namespace korv::ui {

class QtView;
class ControlWidgets;
class OneImpurityPresenter;

class TFormConventionalAnalysis : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormConventionalAnalysis(const Analysis& record, QWidget* parent = nullptr);
  ~TFormConventionalAnalysis() override;

  // The prepare step, then the window at the top-left corner, shown and raised. A record
  // the analysis cannot work on is reported in an error box and the window stays hidden.
  void PrepareAndShow();
  OneImpurityPresenter& Presenter() { return *presenter_; }
  QtView& View() { return *view_; }

 private:
  std::unique_ptr<ControlWidgets> widgets_;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<OneImpurityPresenter> presenter_;
};

// Rich text of the window's formula pictures.
QString ConventionalAnalysisPicture(const QString& name);

}  // namespace korv::ui
