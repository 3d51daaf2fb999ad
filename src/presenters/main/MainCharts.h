// The charts of the main window as data: series styles in index order, axis titles,
// scales and label patterns. The left-axis titles here are the neutral ones that a full
// reset shows; the caption routines of the presenter change them.
#pragma once

#include <string>
#include <vector>

#include "presenters/common/View.h"

namespace korv::ui {

// Series indices.
namespace series {
inline constexpr int kMeasured = 0;       // concentration and simulation charts
inline constexpr int kCurve = 1;          // spline (concentration), simulated concentration (simulation)
inline constexpr int kFermi = 0;          // ChartFermiLevel: calculated Fermi level
inline constexpr int kFermiExp = 1;       // ChartFermiLevel: experimental Fermi level
inline constexpr int kH = 0;              // ChartH1..3: H_k over the grid
inline constexpr int kSimulatedH = 1;     // simulated H_k after the evaluation
inline constexpr int kPeak = 2;           // the peak point
inline constexpr int kExperimentalH = 3;  // experimental H_k at the data points
inline constexpr int kResidual = 0;       // ChartSplineResidual: data/spline at the points used
inline constexpr int kUnity = 1;          // ChartSplineResidual: the line data/spline = 1
}  // namespace series

const std::vector<ChartSpec>& MainCharts();
const ChartSpec& MainChart(const std::string& name);

}  // namespace korv::ui
