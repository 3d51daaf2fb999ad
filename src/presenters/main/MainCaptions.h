// The main window's captions, formula pictures and chart content as functions of the
// record: what the conduction type and the function type show, and the series each
// stage fills. The presenter calls them; they read the record and write only the view.
#pragma once

#include <string>
#include <vector>

#include "core/Analysis.h"
#include "presenters/common/View.h"

namespace korv::ui {

// Display patterns and button captions of the main window.
namespace main_format {
inline constexpr const char* kDensity = "0.00E+00";
inline constexpr const char* kEnergy = "0.####";
inline constexpr const char* kEref = "0.######";
// Captions of the H calculation buttons.
inline constexpr const char* kCalculation = "Calculation";
inline constexpr const char* kAgain = "Calculation again";
// H1's caption in Advanced mode; the reset of the H1 tab writes it as spelt here.
inline constexpr const char* kAutoCalculation = "Auto Calculation";
inline constexpr const char* kAutoCalculationAfterReset = "Auto Calculatoin";
}  // namespace main_format

// 0 neutral (no measurement), 1 n-type, 2 p-type.
int ConductionKind(const Analysis& a);
// The spline grid's length that every list of the grid can serve.
int GridLength(const Analysis& a);
// The peak of analysis k (1..3) lies inside the grid, where a level can be evaluated.
bool PeakIsInner(const Analysis& a, int k);
// Why analysis k (1..3) has no level to evaluate when its peak is not inner: the largest
// value lies at an end of the grid, so the data hold no freeze-out range.
std::string NoPeakReason(const Analysis& a, int k);

void SetLeftTitle(View& view, const std::string& chart, const std::string& title);
// Axis titles, symbol pictures and type labels of conduction type `type`, then the
// function-type captions.
void ShowConductionCaptions(const Analysis& a, View& view, int type);
// The H or S captions of the analysis tabs; nothing for an unknown function type.
void ShowFunctionCaptions(const Analysis& a, View& view, int type);

void PlotMeasurement(const Analysis& a, View& view);
void PlotSpline(const Analysis& a, View& view);

// How far the spline misses the measured points it was made from: data/spline at every
// point used with a reliability above 0 that lies on the grid, and the largest deviation.
struct SplineResiduals {
  std::vector<double> temperature, ratio;
  int worst = -1;  // index into the lists of the largest |ratio - 1|, -1 for none
};
inline constexpr double kSplineTolerance = 0.2;  // a larger relative deviation is reported
SplineResiduals SplineResidualsOf(const Analysis& a);
// The notice for a spline that misses a point by more than kSplineTolerance; empty otherwise.
std::string SplineWarning(const Analysis& a);
// Which levels and which compensating density the Simulation tab holds and where they came
// from (a saved or an unsaved evaluation, the adopted or a carried density, or typed in).
std::string SimulationSources(const Analysis& a, const View& view);

// The residual chart and the notice label of the spline tab.
void PlotSplineResiduals(const Analysis& a, View& view);
void PlotFermiLevel(const Analysis& a, View& view);
void PlotH(const Analysis& a, View& view, int k);
// The peak of analysis k: its marker and its temperature and value labels.
void MarkPeak(const Analysis& a, View& view, int k);
void PlotExperimentalH(const Analysis& a, View& view, int k, bool allPoints);
// The simulated H_k inside the range of the calculated one.
void FillSimulatedH(const Analysis& a, View& view, int k);

}  // namespace korv::ui
