// TFormDHES: the differential Hall-effect spectroscopy window, a passive Qt face of
// DhesPresenter. The definitions and formulas on the left, the peak commands below them,
// the chart on the right growing with the window. Closing only hides it.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "core/Analysis.h"

namespace korv::ui {

class QtView;
class DhesPresenter;
class ChartWidget;

// Rich text of the DHES window's formula pictures ("ImageDHESn", "ImageED1", ...).
QString DhesFormulaHtml(const QString& pictureName);

class TFormDHES : public QWidget {
  Q_OBJECT

 public:
  explicit TFormDHES(const Analysis& record, QWidget* parent = nullptr);
  ~TFormDHES() override;

  // The prepare step, the window's place on the screen, show.
  void PrepareAndShow();
  DhesPresenter& Presenter() { return *presenter_; }
  QtView& View() { return *view_; }
  ChartWidget* Chart() const { return chart_; }
  // Shows the help window (set by the program).
  std::function<void()> showHelp;

 private:
  ChartWidget* chart_ = nullptr;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<DhesPresenter> presenter_;
};

}  // namespace korv::ui
