// Pieces the analysis side windows share: series styles, points and curves over 1000/T
// that never pass a non-finite value to a chart, the ends of a fitting range, the saving
// of a chart as a figure, the error box of a command, and running a handler by its name.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "presenters/common/View.h"

namespace korv::ui {

SeriesStyle MakeSeriesStyle(Marker marker, LineStyle line, std::uint32_t color, int size = 4, int vertical = 0,
                            int width = 1);

// Adds the point only when both coordinates are finite.
void AddFinitePoint(View& view, const std::string& chart, int series, double x, double y);
// Replaces the series by the straight line from (x1, y1) to (x2, y2).
void ShowLine(View& view, const std::string& chart, int series, double x1, double y1, double x2, double y2);
// Replaces the series by `values` against 1000/T.
void ShowCurve(View& view, const std::string& chart, int series, const std::vector<double>& temperatures,
               const std::vector<double>& values);
// One end of a fitting range: its 1000/T in `label` and a cross on the chart at (1000/T, y).
void ShowRangeEnd(View& view, const std::string& label, const std::string& chart, int series, double temperature,
                  double y);

// Asks for the figure's file and saves the chart's image there; an error box when it
// could not be written. True when the figure was saved.
bool SaveChartFigure(View& view, const FileDialog& dialog, const std::string& chart);

// Runs a command; an error of the data ends it with the normal cursor and an error box.
// A std::logic_error (an unknown control name) is a fault of the window and goes on.
void RunCommand(View& view, const std::function<void()>& body);

// Runs the handler of that name ("ButtonSaveClick") from `handlers` through `call` when
// its control is enabled and shown; false when it is not. Throws std::invalid_argument
// for a name that is not in `handlers`.
template <class Handlers, class Call>
bool InvokeHandler(View& view, const Handlers& handlers, const std::string& handler, Call&& call) {
  auto it = handlers.find(handler);
  if (it == handlers.end()) throw std::invalid_argument("No command named '" + handler + "'");
  const std::string control = handler.substr(0, handler.size() - 5);  // without "Click"
  if (!view.IsEnabled(control) || !view.IsVisible(control)) return false;
  call(it->second);
  return true;
}

}  // namespace korv::ui
