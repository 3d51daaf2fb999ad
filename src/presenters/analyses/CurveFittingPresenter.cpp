#include "presenters/analyses/CurveFittingPresenter.h"

#include <cmath>
#include <exception>
#include <stdexcept>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/Commands.h"
#include "presenters/common/SideWindow.h"

namespace korv::ui {
namespace {

using namespace korv::curvefit;

constexpr const char* kLevelPattern = "0.####";
constexpr const char* kDensityPattern = "0.00E+00";
constexpr const char* kLevelErrorPattern = "0.0E+00";
constexpr const char* kNoError = "\xE2\x80\x94";  // an em dash
constexpr const char* kDelta = "\xCE\x94";        // a capital delta

std::string n(int k) { return std::to_string(k); }

SeriesStyle points(Marker marker, std::uint32_t color, int size = 4) {
  return MakeSeriesStyle(marker, LineStyle::None, color, size);
}

SeriesStyle line(std::uint32_t color) { return MakeSeriesStyle(Marker::None, LineStyle::Solid, color); }

}  // namespace

std::vector<std::string> CurveFittingComboItems(const std::string& control) {
  if (control == "ComboBoxStatistics") return {kFermiDiracText, kBoltzmannText};
  if (control == "ComboBoxExcitedDegeneracy") return {"g-r2", "r2"};
  if (control == "ComboBoxLevels") return {kExcitedAutoText, "1", "2", "3"};
  if (control.rfind("ComboBoxExcited", 0) == 0) {
    std::vector<std::string> items{kExcitedAutoText, kExcitedOffText};
    for (int r = 2; r <= analyses::kMaxExcited; ++r) items.push_back(n(r));
    return items;
  }
  return {};
}

const std::vector<Control>& CurveFittingControls() {
  static const std::vector<Control> controls = [] {
    using K = ControlKind;
    std::vector<Control> c{
        {"LabelSampleNumber", K::Label, ""},
        {"LabelVersion", K::Label, ""},
        {"LabelFilename", K::Label, ""},
        {"LabelWeight", K::Label, "Weight = "},
        {"EditWeight", K::Edit, "0.1"},
        {"GroupBox1", K::GroupBox, "Results obtained by KORV"},
        {"GroupBox3", K::GroupBox, "Fine adjustment by curve-fitting"},
        {"LabelStandardError", K::Label, "Standard error"},
    };
    for (int k = 1; k <= 3; ++k) {
      c.push_back({"LabelSymbolSEnergy" + n(k), K::Label, ""});
      c.push_back({"LabelSEnergy" + n(k), K::Label, ""});
      c.push_back({"LabelSymbolSDensity" + n(k), K::Label, ""});
      c.push_back({"LabelSDensity" + n(k), K::Label, ""});
      c.push_back({"LabelSymbolCFEnergy" + n(k), K::Label, ""});
      c.push_back({"EditCFEnergy" + n(k), K::Edit, ""});
      c.push_back({"LabelErrorCFEnergy" + n(k), K::Label, ""});
      c.push_back({"LabelSymbolCFDensity" + n(k), K::Label, ""});
      c.push_back({"EditCFDensity" + n(k), K::Edit, ""});
      c.push_back({"LabelErrorCFDensity" + n(k), K::Label, ""});
      c.push_back({"CheckBox" + n(k), K::CheckBox, "Use this dopant"});
      c.push_back({"LabelResolved" + n(k), K::Label, ""});
      c.push_back({"ComboBoxExcited" + n(k), K::ComboBox, kExcitedAutoText});
      c.push_back({"LabelExcited" + n(k), K::Label, ""});
    }
    for (const Control& more : std::vector<Control>{
             {"LabelSymbolSCDensity", K::Label, "N_com"},
             {"LabelSCDensity", K::Label, ""},
             {"LabelSymbolCFCDensity", K::Label, "N_com"},
             {"EditCFCDensity", K::Edit, ""},
             {"LabelErrorCFCDensity", K::Label, ""},
             {"ButtonInitialize", K::Button, "Initialize"},
             {"ButtonCurveFitting", K::Button, "Curve Fitting"},
             {"LabelResolvedCDensity", K::Label, ""},
             {"LabelDeviation", K::Label, "Deviation:"},
             {"RadioButtonAbsolute", K::RadioButton, kAbsoluteDeviationCaption},
             {"RadioButtonRelative", K::RadioButton, kRelativeDeviationCaption},
             {"LabelReducedChi2", K::Label, ""},
             {"LabelResolution", K::Label, ""},
             {"LabelConvergence", K::Label, ""},
             {"ButtonMerge", K::Button, "Merge"},
             {"LabelStatistics", K::Label, "Statistics:"},
             {"ComboBoxStatistics", K::ComboBox, kFermiDiracText},
             {"LabelExcitedStates", K::Label, "Excited states"},
             {"LabelExcitedDegeneracy", K::Label, "weight:"},
             {"ComboBoxExcitedDegeneracy", K::ComboBox, "g-r2"},
             {"LabelMass", K::Label, "m* ="},
             {"EditMass", K::Edit, ""},
             {"LabelDielectric", K::Label, "\xCE\xB5 ="},
             {"EditDielectric", K::Edit, ""},
             {"LabelLevels", K::Label, "levels:"},
             {"ComboBoxLevels", K::ComboBox, kExcitedAutoText},
             {"LabelStarts", K::Label, ""},
             {"LabelCandidates", K::Label, ""},
             {kChartResiduals, K::Chart, ""},
             {"Label8", K::Label, "Temperature range "},
             {"ButtonIncreaseLow", K::Button, "<"},
             {"ButtonDecreaseLow", K::Button, ">"},
             {"ButtonIncreaseHigh", K::Button, "<"},
             {"ButtonDecreaseHigh", K::Button, ">"},
             {"ButtonSave", K::Button, "Save (*.cft)"},
             {"ButtonPrint", K::Button, "Print"},
             {kChartSimulation, K::Chart, ""},
             {"ButtonSaveFigureSimulation", K::Button, "Save Figure (*Sim.bmp)"},
             {kChartCurveFitting, K::Chart, ""},
             {"ButtonSaveFigureCurveFitting", K::Button, "Save Figure (*Curve.bmp)"},
         })
      c.push_back(more);
    return c;
  }();
  return controls;
}

const std::vector<ChartSpec>& CurveFittingCharts() {
  static const std::vector<ChartSpec> charts = [] {
    const AxisSpec bottom{"1000/T  [K^-1]", false, ""};
    const AxisSpec left{"Electron Concentration  [cm^-3]", true, "0.0#E+00"};
    return std::vector<ChartSpec>{
        {kChartSimulation,
         "Simulation results obtained by KORV",
         bottom,
         left,
         {points(Marker::Circle, kRed), line(kBlack)}},
        {kChartCurveFitting,
         "Fine adjustment by curve-fitting",
         bottom,
         left,
         {points(Marker::Circle, kRed), points(Marker::Cross, kBlue, 9), points(Marker::Cross, kLime, 7),
          line(kBlack)}},
        {kChartResiduals,
         "Residuals of the relative fit",
         AxisSpec{"Temperature  [K]", false, ""},
         AxisSpec{"ln n_sim - ln n", false, "0.000"},
         {points(Marker::Circle, kRed), line(kBlack)}},
    };
  }();
  return charts;
}

CurveFittingPresenter::CurveFittingPresenter(const Analysis& record, View& view)
    : a_(record),
      view_(view),
      fitter_([](const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r, double w) {
        return Fit(m, p, pts, r, w);
      }),
      relativeFitter_([](const analyses::RelativeFitInput& in) { return analyses::FitRelativeGlobal(in); }) {
  view_.SetCaption(kCurveFittingCaption);
  view_.SetText("LabelVersion", a_.ProgramCaption);
}

void CurveFittingPresenter::command(const std::function<void()>& body) { RunCommand(view_, body); }

// ---- Opening and initialising --------------------------------------------------------------

void CurveFittingPresenter::PrepareWindow() {
  command([&] {
    starting_ = {};
    entered_ = {};
    lastFit_.reset();
    grid_ = {};
    counter_ = 1;
    file_.clear();
    weight_ = kDefaultWeight;
    view_.SetText("EditWeight", FormatGeneral(kDefaultWeight));  // a new sample starts from the default
    view_.SetChecked("RadioButtonAbsolute", true);
    view_.SetChecked("RadioButtonRelative", false);
    clearRelative();
    view_.SetEnabled("ButtonCurveFitting", true);
    view_.SetText("ButtonCurveFitting", "Curve Fitting");
    for (const char* b : {"ButtonSave", "ButtonSaveFigureSimulation", "ButtonSaveFigureCurveFitting"})
      view_.SetEnabled(b, false);
    view_.SetText("LabelSampleNumber", a_.SampleNumber);
    view_.SetText("LabelFilename", "");
    view_.SetText("LabelVersion", a_.ProgramCaption);
    const bool developer = !a_.DeveloperOptionsHidden;
    view_.SetVisible("LabelWeight", developer);
    view_.SetVisible("EditWeight", developer);

    const bool nType = phys::IsNType(a_.ConductionType);
    const std::string letter = nType ? "D" : "A";
    for (int k = 1; k <= 3; ++k) {
      for (const char* part : {"S", "CF"}) {
        view_.SetText(std::string("LabelSymbol") + part + "Energy" + n(k), std::string(kDelta) + "E_" + letter + n(k));
        view_.SetText(std::string("LabelSymbol") + part + "Density" + n(k), "N_" + letter + n(k));
      }
    }
    // The relative fit's model at its defaults, the material's mass and dielectric constant.
    view_.SetText("ComboBoxStatistics", kFermiDiracText);
    view_.SetText("ComboBoxExcitedDegeneracy", "g-r2");
    view_.SetText("ComboBoxLevels", kExcitedAutoText);
    for (int k = 1; k <= 3; ++k) view_.SetText("ComboBoxExcited" + n(k), kExcitedAutoText);
    view_.SetText("EditMass", FormatPattern(a_.EffectiveMass, "0.####"));
    view_.SetText("EditDielectric", FormatPattern(a_.DielectricConstant, "0.####"));
    const std::string title = nType ? "Electron Concentration  [cm^-3]" : "Hole Concentration  [cm^-3]";
    for (const char* chart : {kChartSimulation, kChartCurveFitting})
      view_.SetAxisTitles(chart, "1000/T  [K^-1]", title);

    model_ = Model{a_.DosCoefficient};
    points_ = SelectFitPoints(a_);
    starting_ = StartingParameters(a_);
    for (int k = 0; k < 3; ++k)
      rowG_[k] = k < static_cast<int>(starting_.dopants.size()) ? starting_.dopants[k].g : 1.0;
    const int L0 = static_cast<int>(starting_.dopants.size());
    for (int k = 0; k < L0; ++k) {
      view_.SetText("LabelSEnergy" + n(k + 1), FormatPattern(starting_.dopants[k].level, kLevelPattern));
      view_.SetText("LabelSDensity" + n(k + 1), FormatPattern(starting_.dopants[k].density, kDensityPattern));
    }
    for (int k = L0; k < 3; ++k) {
      view_.SetText("LabelSEnergy" + n(k + 1), FormatPattern(0, kLevelPattern));
      view_.SetText("LabelSDensity" + n(k + 1), FormatPattern(0, kDensityPattern));
    }
    view_.SetText("LabelSCDensity", FormatPattern(starting_.compensatingDensity, kDensityPattern));
    showStartingInEdits();
    setCheckBoxesByCount(L0, true);
    clearErrors();

    for (const ChartSpec& chart : CurveFittingCharts())
      for (int s = 0; s < static_cast<int>(chart.series.size()); ++s) view_.ClearSeries(chart.name, s);
    std::vector<double> x, y;
    for (int i = 0; i < points_.Count(); ++i) {
      x.push_back(1000 / points_.temperature[i]);
      y.push_back(points_.concentration[i]);
    }
    view_.AddPoints(kChartSimulation, cfseries::kPoints, x, y);
    view_.AddPoints(kChartCurveFitting, cfseries::kPoints, x, y);
    low_ = 0;
    high_ = points_.Count() - 1;
    marker(cfseries::kLowMarker, low_);
    marker(cfseries::kHighMarker, high_);

    // The starting curve; a set that cannot be simulated leaves the chart without it.
    simulateGrid(starting_);
    std::vector<double> gx, gy;
    for (std::size_t j = 0; j < grid_.concentration.size(); ++j) {
      gx.push_back(1000 / a_.SplineTemperature[j]);
      gy.push_back(grid_.concentration[j]);
    }
    view_.AddPoints(kChartSimulation, cfseries::kStartingCurve, gx, gy);
  });
}

void CurveFittingPresenter::simulateGrid(const FitParameters& p) {
  const std::size_t count = std::min(a_.SplineTemperature.size(), static_cast<std::size_t>(std::max(a_.GridCount, 0)));
  const std::vector<double> T(a_.SplineTemperature.begin(), a_.SplineTemperature.begin() + count);
  grid_ = Simulate(model_, p, T, &view_.ProgressPort());
}

// The adjusted curve of the relative fit: its own model, solved to full precision, so the
// chart shows exactly the curve that was fitted.
void CurveFittingPresenter::simulateGridRelative(const analyses::RelativeFitResult& r) {
  const std::size_t count = std::min(a_.SplineTemperature.size(), static_cast<std::size_t>(std::max(a_.GridCount, 0)));
  korv::Progress& progress = view_.ProgressPort();
  progress.Show(korv::ProgressBar::Main, static_cast<int>(count));
  Simulated s;
  for (std::size_t j = 0; j < count; ++j) {
    progress.Step(korv::ProgressBar::Main);
    const double T = a_.SplineTemperature[j];
    if (!(T > 0)) throw korv::Error(kSimulationFailed);
    double eta = 0;
    const double x =
        analyses::ModelLogConcentration(T, a_.DosCoefficient, r.dopants, r.compensatingDensity, r.physics, &eta);
    const double kt = korv::phys::K_BOLTZMANN * T / korv::phys::Q_ELEMENTARY;
    // The Fermi level below the majority band edge: -kT eta.
    const double c = std::exp(x), e = -kt * eta;
    if (!std::isfinite(c) || !std::isfinite(e)) throw korv::Error(kSimulationFailed);
    s.concentration.push_back(c);
    s.fermiLevel.push_back(e);
  }
  progress.Close(korv::ProgressBar::Main);
  grid_ = std::move(s);
}

void CurveFittingPresenter::showStartingInEdits() {
  FitParameters rows = starting_;
  showRows(rows);
}

// Rows 1 .. L show the dopants of `packed`; the rows below them show zeros.
void CurveFittingPresenter::showRows(const FitParameters& packed) {
  for (int k = 0; k < 3; ++k) {
    const bool has = k < static_cast<int>(packed.dopants.size());
    view_.SetText("EditCFEnergy" + n(k + 1), FormatPattern(has ? packed.dopants[k].level : 0, kLevelPattern));
    view_.SetText("EditCFDensity" + n(k + 1), FormatPattern(has ? packed.dopants[k].density : 0, kDensityPattern));
  }
  view_.SetText("EditCFCDensity", FormatPattern(packed.compensatingDensity, kDensityPattern));
}

// The boxes for `count` dopants. At opening (starting) the unused rows are enabled only in
// Manual mode; after a fit only the check marks show the packing.
void CurveFittingPresenter::setCheckBoxesByCount(int count, bool starting) {
  if (count == 0) return;
  for (int k = 1; k <= 3; ++k) {
    view_.SetChecked("CheckBox" + n(k), k <= count);
    if (starting) view_.SetEnabled("CheckBox" + n(k), k <= count || a_.ManualMode);
  }
}

void CurveFittingPresenter::clearErrors() {
  for (int k = 1; k <= 3; ++k) {
    view_.SetText("LabelErrorCFEnergy" + n(k), "");
    view_.SetText("LabelErrorCFDensity" + n(k), "");
  }
  view_.SetText("LabelErrorCFCDensity", "");
}

// The relative fit's findings and its reduced chi^2 are cleared; Merge waits for a fit.
void CurveFittingPresenter::clearRelative() {
  lastRelative_.reset();
  for (int k = 1; k <= 3; ++k) view_.SetText("LabelResolved" + n(k), "");
  view_.SetText("LabelResolvedCDensity", "");
  view_.SetText("LabelReducedChi2", "");
  view_.SetText("LabelResolution", "");
  view_.SetText("LabelConvergence", "");
  view_.SetEnabled("ButtonMerge", false);
  for (int k = 1; k <= 3; ++k) view_.SetText("LabelExcited" + n(k), "");
  view_.SetText("LabelStarts", "");
  view_.SetText("LabelCandidates", "");
  mergeRefused_ = false;
  for (int s = 0; s < 2; ++s) view_.ClearSeries(kChartResiduals, s);
}

bool CurveFittingPresenter::RelativeChosen() const { return view_.IsChecked("RadioButtonRelative"); }

void CurveFittingPresenter::showErrors(const FitResult& r) {
  clearErrors();
  const int L = static_cast<int>(r.adjusted.dopants.size());
  auto text = [&](int i, const char* pattern) {
    const auto& e = i < static_cast<int>(r.standardErrors.size()) ? r.standardErrors[i] : std::nullopt;
    return e ? "\xC2\xB1 " + FormatPattern(*e, pattern) : std::string(kNoError);
  };
  view_.SetText("LabelErrorCFCDensity", text(0, kDensityPattern));
  for (int j = 0; j < L; ++j) {
    view_.SetText("LabelErrorCFDensity" + n(j + 1), text(1 + j, kDensityPattern));
    view_.SetText("LabelErrorCFEnergy" + n(j + 1), text(1 + L + j, kLevelErrorPattern));
  }
}

void CurveFittingPresenter::marker(int series, int index) {
  view_.ClearSeries(kChartCurveFitting, series);
  if (index < 0 || index >= points_.Count()) return;
  view_.AddPoint(kChartCurveFitting, series, 1000 / points_.temperature[index], points_.concentration[index]);
}

void CurveFittingPresenter::initialize(bool resetRange) {
  view_.SetEnabled("ButtonCurveFitting", true);
  view_.SetText("ButtonCurveFitting", "Curve Fitting");
  for (const char* b : {"ButtonSave", "ButtonSaveFigureSimulation", "ButtonSaveFigureCurveFitting"})
    view_.SetEnabled(b, false);
  counter_ = 1;
  lastFit_.reset();
  clearRelative();
  entered_ = {};
  for (int k = 0; k < 3; ++k) rowG_[k] = k < static_cast<int>(starting_.dopants.size()) ? starting_.dopants[k].g : 1.0;
  showStartingInEdits();
  setCheckBoxesByCount(static_cast<int>(starting_.dopants.size()), true);
  clearErrors();
  if (resetRange) {
    low_ = 0;
    high_ = points_.Count() - 1;
  }
  view_.ClearSeries(kChartCurveFitting, cfseries::kAdjustedCurve);
  marker(cfseries::kLowMarker, low_);
  marker(cfseries::kHighMarker, high_);
}

void CurveFittingPresenter::ButtonInitializeClick() {
  command([&] { initialize(true); });
}

void CurveFittingPresenter::rangeCommand(bool allowed, int& end, int by, int series) {
  command([&] {
    initialize(false);
    if (allowed) {
      end += by;
      marker(series, end);
    }
    view_.SetEnabled("ButtonSaveFigureSimulation", false);
    view_.SetEnabled("ButtonSaveFigureCurveFitting", false);
  });
}

// ">" moves an end toward lower temperature, which lies on the right of the 1000/T axis.
void CurveFittingPresenter::ButtonDecreaseLowClick() { rangeCommand(low_ > 0, low_, -1, cfseries::kLowMarker); }
void CurveFittingPresenter::ButtonIncreaseLowClick() { rangeCommand(low_ < high_ - 1, low_, +1, cfseries::kLowMarker); }
void CurveFittingPresenter::ButtonDecreaseHighClick() {
  rangeCommand(low_ + 1 < high_, high_, -1, cfseries::kHighMarker);
}
void CurveFittingPresenter::ButtonIncreaseHighClick() {
  rangeCommand(high_ < points_.Count() - 1, high_, +1, cfseries::kHighMarker);
}

// ---- The fit -------------------------------------------------------------------------------

FitParameters CurveFittingPresenter::readTable() {
  FitParameters p;
  for (int k = 1; k <= 3; ++k) {
    if (!view_.IsChecked("CheckBox" + n(k))) continue;
    Dopant d;
    d.level = ParseReal(view_.Text("EditCFEnergy" + n(k)));
    d.density = ParseReal(view_.Text("EditCFDensity" + n(k)));
    d.g = rowG_[k - 1];
    p.dopants.push_back(d);
  }
  p.compensatingDensity = ParseReal(view_.Text("EditCFCDensity"));
  return p;
}

void CurveFittingPresenter::ButtonCurveFittingClick() {
  command([&] {
    if (RelativeChosen()) {
      fitRelative(readTable());
      return;
    }
    double w = weight_;
    if (!a_.DeveloperOptionsHidden) w = ParseReal(view_.Text("EditWeight"));
    // Weight 0 repeats the set, a negative one steps away from the minimum, a huge one overflows.
    if (!(w > 0 && w <= 1))
      throw korv::Error("The weight for curve fitting must lie above 0 and at most 1 (it is " + FormatGeneral(w) +
                        ").");
    const FitParameters entered = readTable();
    view_.SetCursor(Cursor::Busy);
    view_.SetEnabled("ButtonCurveFitting", false);
    FitResult r;
    try {
      r = fitter_(model_, entered, points_, FitRange{low_, high_}, w);
      simulateGrid(r.adjusted);
    } catch (...) {
      view_.SetEnabled("ButtonCurveFitting", true);
      throw;
    }
    // Everything computed: the window takes the result.
    weight_ = w;
    clearRelative();
    counter_ += r.acceptedSteps;
    if (r.stepRejected) {
      counter_ -= 1;
      view_.SetText("ButtonCurveFitting", "Curve Fitting " + std::to_string(counter_) + " times");
      view_.SetEnabled("ButtonCurveFitting", false);
    } else {
      // All steps improved: a further click goes on from here.
      view_.SetEnabled("ButtonCurveFitting", true);
    }
    showFit(r);
    view_.SetText("LabelConvergence", r.converged ? "" : kNotConverged);
  });
}

// The adjusted set in the table, its errors and its curve on the grid (simulated already).
void CurveFittingPresenter::showFit(const FitResult& r) {
  entered_ = r.adjusted;
  lastFit_ = r;
  const int L = static_cast<int>(entered_.dopants.size());
  for (int k = 0; k < 3; ++k) rowG_[k] = k < L ? entered_.dopants[k].g : 1.0;
  setCheckBoxesByCount(L, false);
  showRows(entered_);
  showErrors(r);
  view_.ClearSeries(kChartCurveFitting, cfseries::kAdjustedCurve);
  std::vector<double> gx, gy;
  for (std::size_t j = 0; j < grid_.concentration.size(); ++j) {
    gx.push_back(1000 / a_.SplineTemperature[j]);
    gy.push_back(grid_.concentration[j]);
  }
  view_.AddPoints(kChartCurveFitting, cfseries::kAdjustedCurve, gx, gy);
  view_.SetEnabled("ButtonSaveFigureSimulation", false);
  view_.SetEnabled("ButtonSaveFigureCurveFitting", false);
  view_.SetEnabled("ButtonSave", true);
}

// The model choices of the relative fit from the window: statistics, excited states of each
// checked row, the mass and dielectric constant, the number of levels.
void CurveFittingPresenter::readRelativeModel(analyses::RelativeFitInput& in, std::size_t levels) {
  in.physics.statistics = view_.Text("ComboBoxStatistics") == kBoltzmannText ? analyses::Statistics::Boltzmann
                                                                             : analyses::Statistics::FermiDirac;
  in.physics.excitedWeight = view_.Text("ComboBoxExcitedDegeneracy") == "r2" ? analyses::ExcitedWeight::R2
                                                                             : analyses::ExcitedWeight::GroundTimesR2;
  in.mass = ParseReal(view_.Text("EditMass"));
  in.dielectricConstant = ParseReal(view_.Text("EditDielectric"));
  for (int k = 1; k <= 3 && in.excited.size() < levels; ++k) {
    if (!view_.IsChecked("CheckBox" + n(k))) continue;
    const std::string choice = view_.Text("ComboBoxExcited" + n(k));
    int r = analyses::kExcitedAuto;
    if (choice == kExcitedOffText)
      r = 0;
    else if (choice != kExcitedAutoText) {
      if (!TryParseInt(choice, r) || r < 2 || r > analyses::kMaxExcited)
        throw korv::Error("The excited states of row " + n(k) + " are 'auto', 'off' or an r_max from 2 to 10.");
    }
    in.excited.push_back(r);
  }
  in.excited.resize(levels, analyses::kExcitedAuto);
  const std::string K = view_.Text("ComboBoxLevels");
  in.autoLevels = K == kExcitedAutoText;
  if (!in.autoLevels) {
    if (!TryParseInt(K, in.levels) || in.levels < 1 || in.levels > 3)
      throw korv::Error("The number of levels is 'auto' or 1, 2 or 3.");
  }
  in.starts = starts_;
}

// The bounded fit of ln n over the fit points of the range, from the table's values.
bool CurveFittingPresenter::fitRelative(const FitParameters& entered, bool merging) {
  analyses::RelativeFitInput in;
  for (int i = low_; i <= high_ && i < points_.Count(); ++i) {
    in.temperature.push_back(points_.temperature[i]);
    in.concentration.push_back(points_.concentration[i]);
  }
  in.dosCoefficient = a_.DosCoefficient;
  for (const Dopant& d : entered.dopants) in.dopants.push_back({d.density, d.level, d.g});
  in.compensatingDensity = entered.compensatingDensity;
  if (merging) {
    // The merged levels keep the excited-state choices of the last fit.
    readRelativeModel(in, entered.dopants.size());
    in.excited.clear();
    for (const auto& d : entered.dopants) in.excited.push_back(d.excited >= 2 ? d.excited : 0);
    in.autoLevels = false;
    in.levels = static_cast<int>(entered.dopants.size());
  } else {
    readRelativeModel(in, entered.dopants.size());
  }
  view_.SetCursor(Cursor::Busy);
  const analyses::RelativeFitResult rel = relativeFitter_(in);
  if (!rel.ok) throw korv::Error(rel.message.empty() ? kFitFailed : rel.message);
  if (merging && lastRelative_ && lastRelative_->bic && rel.bic && *rel.bic > *lastRelative_->bic) {
    mergeRefused_ = true;
    view_.SetEnabled("ButtonMerge", false);
    view_.ShowNotice("Merging raises the BIC from " + FormatPattern(*lastRelative_->bic, "0.0") + " to " +
                     FormatPattern(*rel.bic, "0.0") + ": the levels are kept.");
    return false;
  }
  FitResult r;
  for (std::size_t j = 0; j < rel.dopants.size(); ++j)
    r.adjusted.dopants.push_back(
        {rel.dopants[j].density, rel.dopants[j].level, rel.dopants[j].g, true, rel.dopants[j].excited});
  r.adjusted.compensatingDensity = rel.compensatingDensity;
  const std::size_t L = rel.dopants.size();
  r.standardErrors.assign(2 * L + 1, std::nullopt);
  r.standardErrors[0] = rel.compensatingError;
  for (std::size_t j = 0; j < L; ++j) {
    if (j < rel.densityError.size()) r.standardErrors[1 + j] = rel.densityError[j];
    if (j < rel.levelError.size()) r.standardErrors[1 + L + j] = rel.levelError[j];
  }
  r.deviationBefore = rel.deviationBefore;
  r.deviationAfter = rel.deviationAfter;
  r.acceptedSteps = rel.iterations;
  simulateGridRelative(rel);
  // Everything computed: the window takes the result. Each relative fit counts once.
  counter_ = lastFit_ ? counter_ + 1 : 1;
  view_.SetText("ButtonCurveFitting", "Curve Fitting");
  view_.SetEnabled("ButtonCurveFitting", true);
  showFit(r);
  lastRelative_ = rel;
  mergeRefused_ = false;
  showResolution(rel);
  showModel(rel);
  for (const std::string& notice : rel.notices) view_.ShowNotice(notice);
  return true;
}

// The model the relative fit chose: excited states and orbits of each level, the starts, the
// candidates for the number of levels and the residuals.
void CurveFittingPresenter::showModel(const analyses::RelativeFitResult& r) {
  for (int k = 1; k <= 3; ++k) {
    std::string text;
    const std::size_t j = static_cast<std::size_t>(k - 1);
    if (j < r.dopants.size()) {
      text = r.dopants[j].excited >= 2 ? "r_max = " + n(r.dopants[j].excited) : "no excited states";
      if (j < r.orbitRadius.size() && r.orbitRadius[j] && r.wignerSeitzRadius[j])
        text += "; orbit " + FormatPattern(*r.orbitRadius[j], "0.0") + " nm, Wigner-Seitz " +
                FormatPattern(*r.wignerSeitzRadius[j], "0.0") + " nm";
    }
    view_.SetText("LabelExcited" + n(k), text);
  }
  view_.SetText("LabelStarts",
                "Starts tried/agreeing: " + n(r.startsTried) + "/" + n(r.startsAgreeing) +
                    (r.physics.statistics == analyses::Statistics::FermiDirac ? "; Fermi-Dirac" : "; Boltzmann"));
  std::string table;
  if (!r.candidates.empty()) {
    table = "K   S           \xCF\x87\xC2\xB2_red     BIC";
    for (const analyses::LevelCandidate& c : r.candidates)
      table += "\n" + n(c.levels) + "   " + FormatPattern(c.S, "0.000E+00") + "   " +
               (c.reducedChi2 ? FormatPattern(*c.reducedChi2, "0.000E+00") : std::string(kNoError)) + "   " +
               FormatPattern(c.bic, "0.0") + (c.chosen ? "   chosen" : "");
  }
  view_.SetText("LabelCandidates", table);
  for (int s = 0; s < 2; ++s) view_.ClearSeries(kChartResiduals, s);
  view_.AddPoints(kChartResiduals, 0, r.residualTemperature, r.residual);
  if (!r.residualTemperature.empty()) {
    const auto [lo, hi] = std::minmax_element(r.residualTemperature.begin(), r.residualTemperature.end());
    view_.AddPoints(kChartResiduals, 1, {*lo, *hi}, {0.0, 0.0});
  }
}

void CurveFittingPresenter::showResolution(const analyses::RelativeFitResult& r) {
  const std::string letter = phys::IsNType(a_.ConductionType) ? "D" : "A";
  for (int k = 1; k <= 3; ++k) view_.SetText("LabelResolved" + n(k), "");
  std::string findings;
  auto add = [&](const std::string& what, const std::string& why) {
    findings += (findings.empty() ? "" : "\n") + what + ": " + why;
  };
  for (const analyses::UnresolvedLevel& u : r.unresolved) {
    if (u.first >= 3 || u.second >= 3) continue;
    if (u.first < 0 && u.second < 0) {
      add("fit", u.reason);
      continue;
    }
    std::string what;
    // The orbit finding says the model's excited states reach the neighbours; the level's
    // values themselves are fixed by the data.
    for (int j : {u.first, u.second}) {
      if (j < 0 || u.kind == analyses::FindingKind::Orbit) continue;
      view_.SetText("LabelResolved" + n(j + 1), kNotResolved);
    }
    if (u.first >= 0) what = letter + n(u.first + 1);
    if (u.second >= 0 && u.second != u.first) what += " and " + letter + n(u.second + 1);
    if (u.kind == analyses::FindingKind::Correlation && (u.first < 0 || u.second < 0)) what += " and N_com";
    add(what, u.reason);
  }
  view_.SetText("LabelResolvedCDensity", r.compensationAtBound ? kNotResolved : "");
  if (r.compensationAtBound) add("N_com", "compensating density at a bound of the fit");
  view_.SetText("LabelResolution", findings);
  view_.SetText("LabelReducedChi2", r.reducedChi2
                                        ? "Reduced \xCF\x87\xC2\xB2 = " + FormatPattern(*r.reducedChi2, "0.000E+00")
                                        : "Reduced \xCF\x87\xC2\xB2 = " + std::string(kNoError));
  view_.SetEnabled("ButtonMerge", mergeable().has_value());
}

// The first finding that Merge can act on: a pair, or a single level with a neighbour.
std::optional<analyses::UnresolvedLevel> CurveFittingPresenter::mergeable() const {
  if (!lastRelative_ || lastRelative_->dopants.size() < 2 || mergeRefused_) return std::nullopt;
  for (const analyses::UnresolvedLevel& u : lastRelative_->unresolved)
    if (u.kind == analyses::FindingKind::Resolution && u.first >= 0 &&
        u.first < static_cast<int>(lastRelative_->dopants.size()))
      return u;
  return std::nullopt;
}

void CurveFittingPresenter::RadioButtonDeviationClick() {
  command([&] {
    clearRelative();
    view_.SetEnabled("ButtonCurveFitting", true);
    view_.SetText("ButtonCurveFitting", "Curve Fitting");
  });
}

void CurveFittingPresenter::ButtonMergeClick() {
  command([&] {
    const auto finding = mergeable();
    if (!finding) return;
    const std::vector<analyses::RelativeDopant> merged = analyses::MergeUnresolved(lastRelative_->dopants, *finding);
    FitParameters p;
    for (const auto& d : merged) p.dopants.push_back({d.density, d.level, d.g, true, d.excited});
    p.compensatingDensity = analyses::CompensationBelow(merged, lastRelative_->compensatingDensity);
    // The table shows the merged set only once its fit has succeeded (and kept: a merge that
    // raises the BIC is refused). The merged fits go on from the first one: its starting
    // deviation stays the one shown.
    const int merges = lastRelative_->merges;
    const double before = lastRelative_->deviationBefore;
    if (!fitRelative(p, true)) return;
    lastRelative_->merges = merges + 1;
    lastRelative_->deviationBefore = before;
    if (lastFit_) lastFit_->deviationBefore = before;
  });
}

// ---- Files -----------------------------------------------------------------------------------

// The relative fit's model on the heading line and its trust block after the table.
void CurveFittingPresenter::cftRelative(const analyses::RelativeFitResult& r, CftContents& c) const {
  const bool fd = r.physics.statistics == analyses::Statistics::FermiDirac;
  std::string chosen;
  for (std::size_t j = 0; j < r.dopants.size(); ++j)
    chosen += (j ? ", " : "") + (r.dopants[j].excited >= 2 ? "r_max " + n(r.dopants[j].excited) : std::string("off"));
  std::string asked;
  for (int k = 1; k <= 3; ++k)
    if (view_.IsChecked("CheckBox" + n(k)))
      asked += (asked.empty() ? "" : ",") + n(k) + ":" + view_.Text("ComboBoxExcited" + n(k));
  c.relativeModel = std::string(fd ? "Fermi-Dirac" : "Boltzmann") + " statistics, excited states " + asked +
                    " (chosen: " + chosen + ")";
  auto error = [](const std::optional<double>& e, const char* pattern) {
    return e ? FormatPattern(*e, pattern) : std::string("none");
  };
  std::vector<std::string>& t = c.trailer;
  constexpr const char* kOrdinal[3] = {"First", "Second", "Third"};
  t.push_back(std::string(62, '-'));
  t.push_back("Relative fit: standard errors and checks");
  t.push_back(std::string("Statistics: ") + (fd ? "Fermi-Dirac" : "Boltzmann"));
  for (std::size_t j = 0; j < r.dopants.size() && j < 3; ++j) {
    t.push_back(std::string(kOrdinal[j]) + " density standard error [cm^-3]: " +
                error(j < r.densityError.size() ? r.densityError[j] : std::nullopt, "0.000E+00"));
    t.push_back(std::string(kOrdinal[j]) + " energy level standard error [eV]: " +
                error(j < r.levelError.size() ? r.levelError[j] : std::nullopt, "0.000E+00"));
    t.push_back(std::string(kOrdinal[j]) + " excited states: " +
                (r.dopants[j].excited >= 2 ? "r_max " + n(r.dopants[j].excited) : std::string("none")));
  }
  t.push_back("Compensating density standard error [cm^-3]: " + error(r.compensatingError, "0.000E+00"));
  t.push_back("Reduced chi2: " + error(r.reducedChi2, "0.000E+00"));
  t.push_back("Starts tried/agreeing: " + n(r.startsTried) + "/" + n(r.startsAgreeing));
  t.push_back("Levels: " + n(static_cast<int>(r.dopants.size())) + (r.candidates.empty() ? "" : " (by BIC)"));
  for (const analyses::LevelCandidate& k : r.candidates)
    t.push_back("Candidate K = " + n(k.levels) + ": S " + FormatPattern(k.S, "0.000E+00") + ", reduced chi2 " +
                error(k.reducedChi2, "0.000E+00") + ", BIC " + FormatPattern(k.bic, "0.0") +
                (k.chosen ? " (chosen)" : ""));
  if (r.unresolved.empty() && !r.compensationAtBound) t.push_back("Findings: none");
  for (const analyses::UnresolvedLevel& u : r.unresolved) {
    std::string who = u.first < 0 && u.second < 0 ? "fit" : "level " + n(u.first + 1);
    if (u.second >= 0 && u.second != u.first) who += " and " + n(u.second + 1);
    t.push_back("Finding (" + who + "): " + u.reason);
  }
  if (r.compensationAtBound) t.push_back("Finding (compensating density): at a bound of the fit");
}

std::string CurveFittingPresenter::cftName() const { return ReplaceExtension(a_.SimulationFile, ".cft"); }

void CurveFittingPresenter::ButtonSaveClick() {
  command([&] {
    const auto path = view_.AskSaveFile(FileDialog{"", kCurveFittingFilter, 1, cftName()});
    if (!path) return;
    CftContents c;
    // The relative fit has no step weight: every step is taken in full.
    c.weight = lastRelative_ ? 1.0 : weight_;
    c.relative = lastRelative_.has_value();
    c.fittingCounter = counter_;
    if (low_ >= 0 && low_ < points_.Count()) c.lowTemperature = points_.temperature[low_];
    if (high_ >= 0 && high_ < points_.Count()) c.highTemperature = points_.temperature[high_];
    c.entered = entered_;
    if (lastRelative_) cftRelative(*lastRelative_, c);
    c.gridConcentration = grid_.concentration;
    c.gridFermiLevel = grid_.fermiLevel;
    WriteCftFile(*path, a_, c);
    file_ = *path;
    view_.SetEnabled("ButtonSave", false);
    view_.SetText("LabelFilename", file_);
    view_.SetEnabled("ButtonSaveFigureSimulation", true);
    view_.SetEnabled("ButtonSaveFigureCurveFitting", true);
  });
}

void CurveFittingPresenter::saveFigure(const std::string& button, const std::string& chart, const std::string& suffix) {
  command([&] {
    if (SaveChartFigure(view_, FileDialog{"", kCurveFittingFilter, 2, ReplaceExtension(file_, suffix)}, chart))
      view_.SetEnabled(button, false);
  });
}

void CurveFittingPresenter::ButtonSaveFigureSimulationClick() {
  saveFigure("ButtonSaveFigureSimulation", kChartSimulation, "Sim.bmp");
}

void CurveFittingPresenter::ButtonSaveFigureCurveFittingClick() {
  saveFigure("ButtonSaveFigureCurveFitting", kChartCurveFitting, "Curve.bmp");
}

void CurveFittingPresenter::ButtonPrintClick() {
  command([&] {
    if (printWindow) printWindow();
  });
}

}  // namespace korv::ui
