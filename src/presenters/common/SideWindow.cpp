#include "presenters/common/SideWindow.h"

#include <cmath>

#include "core/Numbers.h"

namespace korv::ui {

SeriesStyle MakeSeriesStyle(Marker marker, LineStyle line, std::uint32_t color, int size, int vertical, int width) {
  SeriesStyle s;
  s.marker = marker;
  s.line = line;
  s.color = color;
  s.size = size;
  s.verticalSize = vertical;
  s.width = width;
  return s;
}

void AddFinitePoint(View& view, const std::string& chart, int series, double x, double y) {
  if (std::isfinite(x) && std::isfinite(y)) view.AddPoint(chart, series, x, y);
}

void ShowLine(View& view, const std::string& chart, int series, double x1, double y1, double x2, double y2) {
  view.ClearSeries(chart, series);
  AddFinitePoint(view, chart, series, x1, y1);
  AddFinitePoint(view, chart, series, x2, y2);
}

void ShowCurve(View& view, const std::string& chart, int series, const std::vector<double>& temperatures,
               const std::vector<double>& values) {
  view.ClearSeries(chart, series);
  std::vector<double> x;
  x.reserve(temperatures.size());
  for (double T : temperatures) x.push_back(1000 / T);
  view.AddPoints(chart, series, x, values);
}

void ShowRangeEnd(View& view, const std::string& label, const std::string& chart, int series, double temperature,
                  double y) {
  view.SetText(label, FormatPattern(1000 / temperature, "#0.000"));
  view.ClearSeries(chart, series);
  AddFinitePoint(view, chart, series, 1000 / temperature, y);
}

bool SaveChartFigure(View& view, const FileDialog& dialog, const std::string& chart) {
  const auto path = view.AskSaveFile(dialog);
  if (!path) return false;
  std::string error;
  if (!view.SaveChartImage(chart, *path, error)) {
    view.ShowError(error.empty() ? "The file " + *path + " could not be written." : error);
    return false;
  }
  return true;
}

void RunCommand(View& view, const std::function<void()>& body) {
  try {
    body();
  } catch (const std::logic_error&) {
    throw;  // an unknown control name: a fault of the window, not of the data
  } catch (const std::exception& e) {
    view.SetCursor(Cursor::Normal);
    view.ShowError(e.what());
  }
}

}  // namespace korv::ui
