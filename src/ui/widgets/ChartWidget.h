// The one chart widget of the windows: draws a korv::ui::ChartSpec (point and line
// series on linear or logarithmic axes) with QCustomPlot behind it, so that nothing
// outside this file sees the plotting library. Axes follow the data; the wheel zooms,
// a drag pans and a double click returns to the automatic view.
#pragma once

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

#include "presenters/common/View.h"

class QCustomPlot;
class QCPCurve;
class QCPAxis;

namespace korv::ui {

class ChartWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ChartWidget(const ChartSpec& spec, QWidget* parent = nullptr);

  const ChartSpec& Spec() const { return spec_; }
  int SeriesCount() const { return static_cast<int>(curves_.size()); }

  void ClearSeries(int series);
  void AddPoint(int series, double x, double y);
  void AddPoints(int series, const std::vector<double>& x, const std::vector<double>& y);
  int PointCount(int series) const;
  // Smallest and largest y of a series, {0, 0} when it is empty.
  std::pair<double, double> SeriesYRange(int series) const;
  // The points of a series in the order they were added.
  std::vector<std::pair<double, double>> Points(int series) const;

  void SetAxisTitles(const QString& bottom, const QString& left);
  QString BottomTitle() const;
  QString LeftTitle() const;
  // Tick labels currently drawn on the left and bottom axes (for checking their patterns).
  QStringList LeftTickLabels() const;
  QStringList BottomTickLabels() const;

  // Writes the chart's image; the format follows the extension: ".png" (at three times the
  // screen resolution), ".pdf" and ".svg" (vector), anything else a Windows bitmap of the
  // chart as it is shown. The file is replaced atomically. False with the reason on failure.
  bool SaveImage(const QString& path, QString& error);

  // Back to the automatic ranges over all the data.
  void ResetView();

  QCustomPlot* Plot() const { return plot_; }

 protected:
  QSize sizeHint() const override { return {420, 300}; }
  QSize minimumSizeHint() const override { return {200, 150}; }
  void resizeEvent(QResizeEvent* event) override;

 private:
  QCPCurve* Curve(int series) const;
  void DataChanged();
  // As many ticks as the axes' lengths leave room for readable labels.
  void FitTickCounts();
  void Replot();
  static void ConfigureAxis(QCPAxis* axis, const AxisSpec& spec);
  // Size the bitmap is drawn at: the widget's own while it has been laid out.
  QSize ImageSize() const;

  ChartSpec spec_;
  QCustomPlot* plot_ = nullptr;
  std::vector<QCPCurve*> curves_;
  bool replotPending_ = false;
};

}  // namespace korv::ui
