// The curve-fitting window "Fine Adjustment by Curve Fitting" (TFormCurveFitting): the
// densities, levels and compensating density of the simulation as starting values, a table
// of them to edit and choose from, the fit range among the measured points, the fit and its
// standard errors, the *.cft file and the two figures.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analyses/CurveFitting.h"
#include "analyses/RelativeFit.h"
#include "core/Analysis.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kCurveFittingCaption = "Fine Adjustment by Curve Fitting";
inline constexpr const char* kCurveFittingFilter = "Curve fitting data (*.cft)|*.cft|Figure (*.bmp)|*.bmp";
inline constexpr const char* kChartSimulation = "ChartSimulation";
inline constexpr const char* kChartCurveFitting = "ChartCurveFitting";
inline constexpr std::uint32_t kBlue = 0x0000FF;
inline constexpr const char* kAbsoluteDeviationCaption = "absolute (Gauss–Newton)";
inline constexpr const char* kRelativeDeviationCaption = "relative, bounded";
inline constexpr const char* kNotResolved = "not resolved by these data";
inline constexpr const char* kChartResiduals = "ChartResiduals";
// The relative fit's model choices, as its combo boxes show them.
inline constexpr const char* kFermiDiracText = "Fermi-Dirac";
inline constexpr const char* kBoltzmannText = "Boltzmann";
inline constexpr const char* kExcitedAutoText = "auto";
inline constexpr const char* kExcitedOffText = "off";

// Series indices of the two charts.
namespace cfseries {
inline constexpr int kPoints = 0;         // Series1 / Series3: the fit points
inline constexpr int kStartingCurve = 1;  // Series2 on ChartSimulation
inline constexpr int kLowMarker = 1;      // Series4 on ChartCurveFitting
inline constexpr int kHighMarker = 2;     // Series5
inline constexpr int kAdjustedCurve = 3;  // Series6
}  // namespace cfseries

const std::vector<Control>& CurveFittingControls();
// The fixed items of a combo box of the window.
std::vector<std::string> CurveFittingComboItems(const std::string& control);
const std::vector<ChartSpec>& CurveFittingCharts();

// How the standard errors are computed, for the window's tooltip and the guide.
inline constexpr const char* kStandardErrorExplanation =
    "Standard error: sqrt of the diagonal of (J^T J)^-1 times s, with s^2 = S/(M - P): S the sum of squared "
    "deviations, M the fit points in the range, P the fitted parameters, J the Jacobian at the adjusted values. "
    "\xE2\x80\x94 where M <= P or J^T J is singular.";
inline constexpr const char* kRelativeErrorExplanation =
    "Relative, bounded: the fit minimises S = sum of (ln n_sim - ln n_meas)^2. Standard error: from s^2 (J^T J)^-1 "
    "of the bounded parameters, carried back to the densities and levels, with s^2 = S/(M - P), the reduced chi^2. "
    "\xE2\x80\x94 where M <= P, J^T J is singular or the parameter lies at a bound.";

class CurveFittingPresenter {
 public:
  // A fit method: from the entered (packed) set over the range with weight w. The window's
  // "Curve Fitting" calls the fit only through this, so another method can take its place.
  using Fitter = std::function<curvefit::FitResult(const curvefit::Model&, const curvefit::FitParameters&,
                                                   const curvefit::FitPoints&, curvefit::FitRange, double)>;

  // The bounded fit in relative deviations, called with the fit points of the range.
  using RelativeFitter = std::function<analyses::RelativeFitResult(const analyses::RelativeFitInput&)>;

  CurveFittingPresenter(const Analysis& record, View& view);

  // Reads the record, resets the window's results and draws the starting simulation.
  void PrepareWindow();
  // "Initialize": the starting values back in the table, the whole range.
  void ButtonInitializeClick();
  void ButtonDecreaseLowClick();
  void ButtonIncreaseLowClick();
  void ButtonDecreaseHighClick();
  void ButtonIncreaseHighClick();
  void ButtonCurveFittingClick();
  // A click on either deviation: "Curve Fitting" goes on from the table with the chosen one.
  void RadioButtonDeviationClick();
  // "Merge": the first unresolved pair (or single level and its nearest neighbour) of the last
  // relative fit becomes one level, then the relative fit runs again.
  void ButtonMergeClick();
  void ButtonSaveClick();
  void ButtonSaveFigureSimulationClick();
  void ButtonSaveFigureCurveFittingClick();
  void ButtonPrintClick();

  void SetFitter(Fitter fitter) { fitter_ = std::move(fitter); }
  void SetRelativeFitter(RelativeFitter fitter) { relativeFitter_ = std::move(fitter); }
  // The fixed starts of the relative fit's global search besides the entered one (at least 12).
  void SetStarts(int starts) { starts_ = std::max(12, starts); }
  int Starts() const { return starts_; }
  // Printer set-up, then the window's image on the page; false when cancelled.
  std::function<bool()> printWindow;

  const curvefit::FitPoints& Points() const { return points_; }
  const curvefit::FitParameters& Starting() const { return starting_; }
  // The table as the last fit left it (packed, checked dopants only).
  const curvefit::FitParameters& Entered() const { return entered_; }
  const std::optional<curvefit::FitResult>& LastFit() const { return lastFit_; }
  // The last relative fit, empty after an absolute one, Initialize or a range command.
  const std::optional<analyses::RelativeFitResult>& LastRelativeFit() const { return lastRelative_; }
  bool RelativeChosen() const;
  int FitLow() const { return low_; }
  int FitHigh() const { return high_; }
  int FittingCounter() const { return counter_; }
  double Weight() const { return weight_; }
  const std::string& SavedFile() const { return file_; }
  const curvefit::Simulated& Grid() const { return grid_; }

 private:
  void command(const std::function<void()>& body);
  void initialize(bool resetRange);
  void rangeCommand(bool allowed, int& end, int by, int marker);
  void showStartingInEdits();
  void showRows(const curvefit::FitParameters& packed);
  void setCheckBoxesByCount(int count, bool starting);
  void clearErrors();
  void clearRelative();
  // The relative fit from `entered`; with `merging` the number of levels is kept and a result
  // whose BIC lies above the last fit's is refused (false).
  bool fitRelative(const curvefit::FitParameters& entered, bool merging = false);
  void readRelativeModel(analyses::RelativeFitInput& in, std::size_t levels);
  void showModel(const analyses::RelativeFitResult& r);
  void showFit(const curvefit::FitResult& r);
  void showResolution(const analyses::RelativeFitResult& r);
  std::optional<analyses::UnresolvedLevel> mergeable() const;
  void showErrors(const curvefit::FitResult& r);
  void marker(int series, int index);
  void simulateGrid(const curvefit::FitParameters& p);
  void simulateGridRelative(const analyses::RelativeFitResult& r);
  curvefit::FitParameters readTable();
  std::string cftName() const;
  void cftRelative(const analyses::RelativeFitResult& r, curvefit::CftContents& c) const;
  void saveFigure(const std::string& button, const std::string& chart, const std::string& suffix);

  const Analysis& a_;
  View& view_;
  Fitter fitter_;
  RelativeFitter relativeFitter_;
  curvefit::Model model_;
  curvefit::FitPoints points_;
  curvefit::FitParameters starting_;  // L0 dopants, sorted by level
  curvefit::FitParameters entered_;
  std::array<double, 3> rowG_{1.0, 1.0, 1.0};  // degeneracy factor of each table row
  std::optional<curvefit::FitResult> lastFit_;
  std::optional<analyses::RelativeFitResult> lastRelative_;
  curvefit::Simulated grid_;
  int low_ = 0, high_ = 0;
  int counter_ = 1;
  double weight_ = curvefit::kDefaultWeight;
  std::string file_;
  int starts_ = 12;
  bool mergeRefused_ = false;  // the last Merge raised the BIC: Merge stays off until a new fit
};

}  // namespace korv::ui
