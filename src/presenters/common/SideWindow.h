// Pieces the analysis side windows share: series styles, points and curves over 1000/T
// that never pass a non-finite value to a chart and the ends of a fitting range. The
// command boundary and the handler registry are in Commands.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "presenters/common/Commands.h"
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

}  // namespace korv::ui
