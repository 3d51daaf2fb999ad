#include "presenters/analyses/ExcitedStatesPresenter.h"

#include <cmath>
#include <exception>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/Commands.h"

namespace korv::ui {

namespace {

using K = ControlKind;

constexpr const char* kElectronAxis = "Electron Concentration  [cm^-3]";
constexpr const char* kHoleAxis = "Hole Concentration  [cm^-3]";
constexpr const char* kTemperatureAxis = "Temperature  [K]";
constexpr const char* kH1Axis = "H1(T,E_ref)  [cm^-6 eV^-2.5]";

// Formula pictures with a donor and an acceptor form.
constexpr const char* kTypedPictures[] = {"ImageFermiDirac", "ImageIonizedDensity", "ImageAverageEnergy",
                                          "ImageGroundState", "ImageAverageLevel"};

std::string LevelLabel(int n) { return "LabelDeltaE" + std::to_string(n); }
std::string EqualLabel(int n) { return "LabelE" + std::to_string(n) + "Equal"; }
std::string LevelImage(int n) { return "ImageE" + std::to_string(n); }
std::string UnitImage(int n) { return "ImageE" + std::to_string(n) + "eV"; }

std::vector<ExcitedControl> BuildLayout() {
  std::vector<ExcitedControl> c{
      {"MenuFile", K::MenuItem, "File", ""},
      {"MenuSave", K::MenuItem, "Save", "MenuFile"},
      {"PrintExcitedStates", K::MenuItem, "Print", "MenuFile"},
      {"FileVeiwerExcitedStates", K::MenuItem, "File Veiwer", "MenuFile"},  // sic
      {"ExitExcitedStates", K::MenuItem, "Exit", "MenuFile"},
      {"MenuHelp", K::MenuItem, "Help", ""},
      {"HelpExcitedStates", K::MenuItem, "Help", "MenuHelp"},
      {"PanelFilename", K::Label, "", ""},
      {"PanelSampleNumber", K::Label, "", ""},
      {"ButtonOption", K::Button, "Option", ""},
      // Tab 1
      {"TabSheet1", K::Tab, "Fermi-Dirac Distribution", kExcitedPageControl},
      {"GroupBoxFermiDirac", K::GroupBox, "Ionized Dopant Density (Fermi-Dirac Distribution)", "TabSheet1"},
      {"LabelConductionType1", K::Label, "", "GroupBoxFermiDirac"},
      {"ImageFermiDiracDonor", K::Picture, "", "GroupBoxFermiDirac"},
      {"ImageFermiDiracAcceptor", K::Picture, "", "GroupBoxFermiDirac"},
      {"LabelG", K::Label, ",  g=", "GroupBoxFermiDirac"},
      {"LabelGValue", K::Label, "", "GroupBoxFermiDirac"},
      {"GroupBoxNormalResults", K::GroupBox, "Obtained Results From Normal KORV Analysis", "TabSheet1"},
      {"LabelDensityCaption1", K::Label, "Density [cm^-3] =", "GroupBoxNormalResults"},
      {"LabelDensity1", K::Label, "", "GroupBoxNormalResults"},
      {"LabelEnergyLevelCaption1", K::Label, "Energy Level [eV] =", "GroupBoxNormalResults"},
      {"LabelEnergyLevel1", K::Label, "", "GroupBoxNormalResults"},
      {"LabelCompensatingDensityCaption1", K::Label, "Compensating Density [cm^-3] =", "GroupBoxNormalResults"},
      {"LabelCompensatingDensity1", K::Label, "", "GroupBoxNormalResults"},
      {"GroupBoxComment", K::GroupBox, "Comment", "TabSheet1"},
      {"LabelComment1", K::Label, "Although ", "GroupBoxComment"},
      {"LabelComment2", K::Label, "the simulated H1(T,E_ref)", "GroupBoxComment"},
      {"LabelComment3", K::Label, "might be different from the experimental H1(T,E_ref),", "GroupBoxComment"},
      {"LabelComment4", K::Label, "the simulated concentration ", "GroupBoxComment"},
      {"LabelComment5", K::Label, "may be in good agreement with the experimental concentration.", "GroupBoxComment"},
      {"LabelComment6", K::Label,
       "This may be partially because the excited states of the dopant affect the concentration.", "GroupBoxComment"},
      {"LabelVerExcitedStates", K::Label, "", "TabSheet1"},
      {"ButtonSaveNormal", K::Button, "Save Simulation Results (*.simN)", "TabSheet1"},
      {"ChartH1Normal", K::Chart, "", "TabSheet1"},
      {"ButtonSaveFigureNormal1", K::Button, "Save Figure (*SimN1.bmp)", "TabSheet1"},
      {"ChartConcentrationNormal", K::Chart, "", "TabSheet1"},
      {"ButtonSaveFigureNormal2", K::Button, "Save Figure (*SimN2.bmp)", "TabSheet1"},
      // Tab 2
      {"TabSheet2", K::Tab, "Consideration of Influence of Excited States", kExcitedPageControl},
      {"GroupBoxLevels", K::GroupBox, "Calculate Excited State Level of Dopant", "TabSheet2"},
      {"ImageHydrogenicLevels", K::Picture, "", "GroupBoxLevels"},
      {"LabelDielectricConstant", K::Label, "Dielectric Constant", "GroupBoxLevels"},
      {"EditDielectricConstant", K::Edit, "", "GroupBoxLevels"},
      {"LabelGroundState", K::Label, "Ground State Level", "GroupBoxLevels"},
      {"LabelDeltaE1", K::Label, "", "GroupBoxLevels"},
      {"LabelExcitedStates", K::Label, "Excited State Levels", "GroupBoxLevels"},
  };
  for (int n = 2; n <= excited::kMaxHighestLevel; ++n) {
    c.push_back({LevelImage(n), K::Picture, "", "GroupBoxLevels"});
    c.push_back({EqualLabel(n), K::Label, "", "GroupBoxLevels"});
    c.push_back({LevelLabel(n), K::Label, "", "GroupBoxLevels"});
    c.push_back({UnitImage(n), K::Picture, "", "GroupBoxLevels"});
  }
  const std::vector<ExcitedControl> rest{
      {"GroupBoxIonized", K::GroupBox, "Ionized Dopant Dnesity", "TabSheet2"},  // sic
      {"ImageIonizedDensityDonor", K::Picture, "", "GroupBoxIonized"},
      {"ImageIonizedDensityAcceptor", K::Picture, "", "GroupBoxIonized"},
      {"ImageAverageEnergyDonor", K::Picture, "", "GroupBoxIonized"},
      {"ImageAverageEnergyAcceptor", K::Picture, "", "GroupBoxIonized"},
      {"ImageGroundStateDonor", K::Picture, "", "GroupBoxIonized"},
      {"ImageGroundStateAcceptor", K::Picture, "", "GroupBoxIonized"},
      {"ImageAverageLevelDonor", K::Picture, "", "GroupBoxIonized"},
      {"ImageAverageLevelAcceptor", K::Picture, "", "GroupBoxIonized"},
      {"ImageDegeneracy", K::Picture, "", "GroupBoxIonized"},
      {"LabelG2", K::Label, "g =", "GroupBoxIonized"},
      {"LabelGValue2", K::Label, "", "GroupBoxIonized"},
      {"GroupBoxDetermine", K::GroupBox, "Determine Density and Energy Level of Deep Dopant", "TabSheet2"},
      {"LabelErefCaption", K::Label, "E_ref =", "GroupBoxDetermine"},
      {"LabelEref", K::Label, "", "GroupBoxDetermine"},
      {"LabelPeakTemperatureCaption", K::Label, "Peak Temperatrue of H1 =", "GroupBoxDetermine"},  // sic
      {"LabelPeakTemperature", K::Label, "", "GroupBoxDetermine"},
      {"LabelPeakTemperatureUnit", K::Label, "K", "GroupBoxDetermine"},
      {"LabelPeakValueCaption", K::Label, "PeakValue of H1             =", "GroupBoxDetermine"},
      {"LabelPeakValue", K::Label, "", "GroupBoxDetermine"},
      {"LabelExcitedResults", K::Label, "Results under Consideration of Influence of Excited States of Deep dopant",
       "GroupBoxDetermine"},
      {"LabelDensityCaption", K::Label, "Density [cm^-3] =", "GroupBoxDetermine"},
      {"LabelDensity", K::Label, "", "GroupBoxDetermine"},
      {"LabelEnergyLevelCaption", K::Label, "Energy Level [eV] =", "GroupBoxDetermine"},
      {"LabelEnergyLevel", K::Label, "", "GroupBoxDetermine"},
      {"LabelCompensatingDensityCaption", K::Label, "Compensating Density [cm^-3] =", "GroupBoxDetermine"},
      {"LabelCompensatingDensity", K::Label, "", "GroupBoxDetermine"},
      {"LabelNormalResults", K::Label, "Results Determined by KORV using Fermi-Dirac Distribution",
       "GroupBoxDetermine"},
      {"LabelDensityNormalCaption", K::Label, "Density [cm^-3] =", "GroupBoxDetermine"},
      {"LabelDensityNormal", K::Label, "", "GroupBoxDetermine"},
      {"LabelEnergyLevelNormalCaption", K::Label, "Energy Level [eV] =", "GroupBoxDetermine"},
      {"LabelEnergyLevelNormal", K::Label, "", "GroupBoxDetermine"},
      {"LabelCompensatingDensityNormalCaption", K::Label, "Compensating Density [cm^-3] =", "GroupBoxDetermine"},
      {"LabelCompensatingDensityNormal", K::Label, "", "GroupBoxDetermine"},
      {"LabelVerExcitedStates2", K::Label, "", "TabSheet2"},
      {"ButtonAuto", K::Button, "Evaluation", "TabSheet2"},
      {"ButtonSaveExcitedStates", K::Button, "Save Obtained Results (*.exc)", "TabSheet2"},
      {"ChartH1Excited", K::Chart, "", "TabSheet2"},
      {"ButtonSaveFigureExcitedStates1", K::Button, "Save Figure (*Exc1.bmp)", "TabSheet2"},
      {"ChartConcentrationExcited", K::Chart, "", "TabSheet2"},
      {"ButtonSaveFigureExcitedStates2", K::Button, "Save Figure (*Exc2.bmp)", "TabSheet2"},
      // Shown only with the developer options, which the program never turns on.
      {"TabSheet3", K::Tab, "Curve-fitting", kExcitedPageControl},
      {"TabSheet4", K::Tab, "Simulatoin", kExcitedPageControl},  // sic
      {"TabSheet5", K::Tab, "Density Dependence", kExcitedPageControl},
  };
  c.insert(c.end(), rest.begin(), rest.end());
  return c;
}

ChartSpec H1Chart(const std::string& name) {
  ChartSpec s;
  s.name = name;
  s.bottom = {kTemperatureAxis, false, ""};
  s.left = {kH1Axis, false, "0.0#E+00"};
  SeriesStyle black, red;
  black.line = LineStyle::Solid;
  black.color = kBlack;
  red.line = LineStyle::Solid;
  red.color = kRed;
  s.series = {black, red};
  return s;
}

ChartSpec ConcentrationChart(const std::string& name) {
  ChartSpec s;
  s.name = name;
  s.bottom = {kTemperatureAxis, false, ""};
  s.left = {kElectronAxis, true, "0.0#E+00"};  // as the curve-fitting window labels n(T)
  SeriesStyle circles, red;
  circles.marker = Marker::Circle;
  circles.color = kBlack;
  red.line = LineStyle::Solid;
  red.color = kRed;
  s.series = {circles, red};
  return s;
}

}  // namespace

const std::vector<ExcitedControl>& ExcitedStatesLayout() {
  static const std::vector<ExcitedControl> layout = BuildLayout();
  return layout;
}

const std::vector<Control>& ExcitedStatesControls() {
  static const std::vector<Control> controls = [] {
    std::vector<Control> c;
    for (const ExcitedControl& e : ExcitedStatesLayout())
      if (e.kind != K::Chart) c.push_back({e.name, e.kind, e.caption});
    return c;
  }();
  return controls;
}

const std::vector<ChartSpec>& ExcitedStatesCharts() {
  static const std::vector<ChartSpec> charts{H1Chart("ChartH1Normal"), ConcentrationChart("ChartConcentrationNormal"),
                                             H1Chart("ChartH1Excited"),
                                             ConcentrationChart("ChartConcentrationExcited")};
  return charts;
}

ExcitedStatesPresenter::ExcitedStatesPresenter(Analysis& record, View& view, Windows* windows,
                                               std::function<bool()> printWindow)
    : record_(record), view_(view), windows_(windows), printWindow_(std::move(printWindow)), engine_(record) {
  view_.SetCaption(kExcitedStatesCaption);
  view_.SetText("LabelVerExcitedStates", record_.ProgramCaption);
  view_.SetText("LabelVerExcitedStates2", record_.ProgramCaption);
  // The developer options stay off in this program.
  for (const char* c : {"ButtonOption", "TabSheet3", "TabSheet4", "TabSheet5"}) view_.SetVisible(c, false);
  clearLevelDisplay();
}

void ExcitedStatesPresenter::command(const std::function<void()>& body) { RunCommand(view_, body); }

void ExcitedStatesPresenter::clearLevelDisplay() {
  view_.SetText("LabelDeltaE1", "");
  for (int n = 2; n <= excited::kMaxHighestLevel; ++n) {
    view_.SetText(LevelLabel(n), "");
    view_.SetText(EqualLabel(n), "");
    view_.SetVisible(LevelImage(n), false);
    view_.SetVisible(UnitImage(n), false);
  }
}

// The points of `values` on the grid whose value lies strictly between the smallest and
// the largest value of the chart's series 0.
void ExcitedStatesPresenter::fillRange(const std::string& chart, const std::vector<double>& values) {
  const auto [lo, hi] = view_.SeriesYRange(chart, 0);
  std::vector<double> x, y;
  const int n = std::min<int>(record_.GridCount, static_cast<int>(values.size()));
  for (int j = 0; j < n && j < static_cast<int>(record_.SplineTemperature.size()); ++j) {
    if (std::isfinite(values[j]) && values[j] > lo && values[j] < hi) {
      x.push_back(record_.SplineTemperature[j]);
      y.push_back(values[j]);
    }
  }
  view_.AddPoints(chart, 1, x, y);
}

void ExcitedStatesPresenter::measuredPoints(const std::string& chart) {
  std::vector<double> x, y;
  const std::size_t n =
      std::min({record_.Temperature.size(), record_.Concentration.size(), record_.Reliability.size()});
  for (std::size_t i = 0; i < n; ++i) {
    if (record_.Reliability[i] > 0.9) {
      x.push_back(record_.Temperature[i]);
      y.push_back(record_.Concentration[i]);
    }
  }
  view_.AddPoints(chart, 0, x, y);
}

bool ExcitedStatesPresenter::PrepareWindow() {
  const Analysis& a = record_;
  engine_.Reset();
  view_.SetText("PanelFilename", a.ExperimentalDataFile);
  view_.SetText("PanelSampleNumber", a.SampleNumber);
  const bool nType = phys::IsNType(a.ConductionType);
  view_.SetText("LabelConductionType1", nType ? "n-type" : "p-type");
  for (const char* picture : kTypedPictures) {
    view_.SetVisible(std::string(picture) + "Donor", nType);
    view_.SetVisible(std::string(picture) + "Acceptor", !nType);
  }
  for (const char* chart : {"ChartConcentrationNormal", "ChartConcentrationExcited"})
    view_.SetAxisTitles(chart, kTemperatureAxis, nType ? kElectronAxis : kHoleAxis);

  const std::string density = FormatPattern(a.Density[0], "0.00E+00");
  const std::string level = FormatPattern(a.EnergyLevel[0], "0.####");
  const std::string comp = FormatPattern(a.TemporaryCompensatingDensity[0], "0.00E+00");
  view_.SetText("LabelDensity1", density);
  view_.SetText("LabelEnergyLevel1", level);
  view_.SetText("LabelCompensatingDensity1", comp);
  view_.SetText("LabelGValue", FormatGeneral(a.DegeneracyFactor[0]));

  const int grid = std::min<int>(a.GridCount, static_cast<int>(a.SplineTemperature.size()));
  const std::vector<double> none;
  const std::vector<double>& hexp = a.HValues.empty() ? none : a.HValues[0];
  std::vector<double> t(a.SplineTemperature.begin(), a.SplineTemperature.begin() + std::max(grid, 0));
  std::vector<double> h(hexp.begin(), hexp.begin() + std::min<int>(std::max(grid, 0), hexp.size()));
  t.resize(h.size());
  for (const char* chart : {"ChartH1Normal", "ChartH1Excited"}) {
    view_.ClearSeries(chart, 0);
    view_.ClearSeries(chart, 1);
    view_.AddPoints(chart, 0, t, h);
  }
  if (!a.SimulatedH.empty()) fillRange("ChartH1Normal", a.SimulatedH[0]);

  for (const char* chart : {"ChartConcentrationNormal", "ChartConcentrationExcited"}) {
    view_.ClearSeries(chart, 0);
    view_.ClearSeries(chart, 1);
    measuredPoints(chart);
  }
  // The Fermi-Dirac curve: the main simulation's when it covers the grid, else our own.
  usesMainSimulation_ = a.GridCount > 0 && static_cast<int>(a.SimulatedConcentration.size()) == a.GridCount &&
                        static_cast<int>(a.SimulatedFermiLevel.size()) == a.GridCount;
  curveConcentration_.clear();
  curveFermiLevel_.clear();
  if (usesMainSimulation_) {
    curveConcentration_ = a.SimulatedConcentration;
    curveFermiLevel_ = a.SimulatedFermiLevel;
  } else if (grid > 0 && grid == a.GridCount && static_cast<int>(a.SplineConcentration.size()) >= grid) {
    engine_.SimulateFermiDiracConcentration(view_.ProgressPort());
    curveConcentration_ = engine_.FermiDiracConcentration;
    curveFermiLevel_ = engine_.FermiDiracFermiLevel;
  }
  {
    std::vector<double> x, y;
    for (int j = 0; j < grid && j < static_cast<int>(curveConcentration_.size()); ++j) {
      if (!std::isfinite(curveConcentration_[j])) continue;
      x.push_back(a.SplineTemperature[j]);
      y.push_back(curveConcentration_[j]);
    }
    view_.AddPoints("ChartConcentrationNormal", 1, x, y);
  }

  view_.SetEnabled("ButtonSaveNormal", true);
  view_.SetText("EditDielectricConstant", FormatGeneral(a.DielectricConstant));
  clearLevelDisplay();
  view_.SetText("LabelGValue2", FormatGeneral(a.DegeneracyFactor[0]));
  view_.SetText("LabelEref", FormatPattern(a.Eref[0], "0.######"));
  const int p = a.PeakIndex[0];
  const bool peak = p >= 0 && p < grid && p < static_cast<int>(hexp.size());
  view_.SetText("LabelPeakTemperature", peak ? FormatPattern(a.SplineTemperature[p], "000.0") : "0");
  view_.SetText("LabelPeakValue", peak ? FormatPattern(hexp[p], "0.00E+00") : "0");
  for (const char* label : {"LabelDensity", "LabelEnergyLevel", "LabelCompensatingDensity"}) view_.SetText(label, "0");
  view_.SetEnabled("ButtonSaveExcitedStates", false);
  view_.SetText("LabelDensityNormal", density);
  view_.SetText("LabelEnergyLevelNormal", level);
  view_.SetText("LabelCompensatingDensityNormal", comp);
  view_.SetEnabled("ButtonAuto", true);
  for (const char* b : {"ButtonSaveFigureNormal1", "ButtonSaveFigureNormal2", "ButtonSaveFigureExcitedStates1",
                        "ButtonSaveFigureExcitedStates2"})
    view_.SetEnabled(b, false);
  return true;
}

void ExcitedStatesPresenter::ButtonAutoClick() {
  command([&] {
    // Refused before anything changes: a text that is not a number, a dielectric constant
    // or an effective mass that is not positive.
    const double dielectric = ParseReal(view_.Text("EditDielectricConstant"));
    if (!(dielectric >= 1 && dielectric <= 100))
      throw korv::Error("The dielectric constant must lie between 1 and 100 (it is " + FormatGeneral(dielectric) +
                        ").");
    // Row 0 of the H values holds S1 after an analysis with the S function; the model here
    // is that of H1.
    if (record_.FunctionType == 1)
      throw korv::Error("The excited states are evaluated with the H function only; analyse H1 with the H function.");
    if (!(record_.EffectiveMass > 0))
      throw korv::Error("The effective mass must be a positive number, not " + FormatGeneral(record_.EffectiveMass) +
                        ".");
    view_.ClearSeries("ChartH1Excited", 1);
    view_.ClearSeries("ChartConcentrationExcited", 1);
    record_.DielectricConstant = dielectric;
    engine_.CheckInputs();  // the H1 curve and its peak
    clearLevelDisplay();
    view_.SetCursor(Cursor::Busy);
    view_.SetEnabled("ButtonAuto", false);
    if (!engine_.AutomaticExcitedEvaluation(view_.ProgressPort(), view_.MessagesPort())) {
      view_.ShowError(excited::kEvaluationFailedMessage);
      view_.SetCursor(Cursor::Normal);
      view_.SetEnabled("ButtonAuto", true);
      return;
    }
    view_.SetCursor(Cursor::Normal);
    const auto& levels = engine_.HydrogenicLevels;
    view_.SetText("LabelDeltaE1", FormatPattern(levels[0], "0.#####"));
    for (int n = 2; n <= engine_.HighestLevel && n <= static_cast<int>(levels.size()); ++n) {
      view_.SetText(LevelLabel(n), FormatPattern(levels[n - 1], "0.#####"));
      view_.SetText(EqualLabel(n), "=");
      view_.SetVisible(LevelImage(n), true);
      view_.SetVisible(UnitImage(n), true);
    }
    if (engine_.ExcitedResultValid) {
      view_.SetText("LabelDensity", FormatPattern(engine_.ExcitedDensity, "0.00E+00"));
      view_.SetText("LabelEnergyLevel", FormatPattern(engine_.ExcitedEnergyLevel, "0.####"));
      view_.SetText("LabelCompensatingDensity", FormatPattern(engine_.ExcitedCompensatingDensity, "0.00E+00"));
      view_.SetEnabled("ButtonSaveExcitedStates", true);
      engine_.SimulateExcitedConcentration();
      fillRange("ChartConcentrationExcited", engine_.ExcitedSimulatedConcentration);
      fillRange("ChartH1Excited", engine_.ExcitedSimulatedH);
      view_.SetEnabled("ButtonSaveFigureExcitedStates1", false);
      view_.SetEnabled("ButtonSaveFigureExcitedStates2", false);
      view_.ProgressPort().Close(korv::ProgressBar::Detailed);
      view_.ProgressPort().Close(korv::ProgressBar::Main);
    } else {
      view_.ShowError(engine_.LevelSearchMessage);
      for (const char* label : {"LabelDensity", "LabelEnergyLevel", "LabelCompensatingDensity"})
        view_.SetText(label, "0");
      view_.SetEnabled("ButtonSaveExcitedStates", false);
      view_.SetEnabled("ButtonAuto", true);
    }
  });
}

void ExcitedStatesPresenter::EditDielectricConstantChange() { view_.SetEnabled("ButtonAuto", true); }

void ExcitedStatesPresenter::ButtonSaveNormalClick() {
  command([&] {
    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kExcitedStatesFilter;
    dialog.filterIndex = 1;
    dialog.fileName = ReplaceExtension(record_.FermiLevelFile, ".simN");
    const std::optional<std::string> path = view_.AskSaveFile(dialog);
    if (!path) return;
    engine_.WriteSimNFile(*path, curveConcentration_, curveFermiLevel_);
    engine_.SimNFileName = *path;
    view_.SetEnabled("ButtonSaveNormal", false);
    view_.SetEnabled("ButtonSaveFigureNormal1", true);
    view_.SetEnabled("ButtonSaveFigureNormal2", true);
  });
}

void ExcitedStatesPresenter::ButtonSaveExcitedStatesClick() {
  command([&] {
    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kExcitedStatesFilter;
    dialog.filterIndex = 2;
    dialog.fileName = ReplaceExtension(record_.FermiLevelFile, ".exc");
    const std::optional<std::string> path = view_.AskSaveFile(dialog);
    if (!path) return;
    const std::string previous = engine_.ExcFileName;
    engine_.ExcFileName = *path;
    try {
      engine_.WriteExcFile(*path);
    } catch (...) {
      engine_.ExcFileName = previous;
      throw;
    }
    view_.SetEnabled("ButtonSaveExcitedStates", false);
    view_.SetEnabled("ButtonSaveFigureExcitedStates1", true);
    view_.SetEnabled("ButtonSaveFigureExcitedStates2", true);
  });
}

void ExcitedStatesPresenter::saveFigure(const std::string& button, const std::string& chart, const std::string& file,
                                        const std::string& suffix) {
  command([&] {
    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kExcitedStatesFilter;
    dialog.filterIndex = 3;
    dialog.fileName = ReplaceExtension(file, suffix);
    if (SaveChartFigure(view_, dialog, chart)) view_.SetEnabled(button, false);
  });
}

void ExcitedStatesPresenter::ButtonSaveFigureNormal1Click() {
  saveFigure("ButtonSaveFigureNormal1", "ChartH1Normal", engine_.SimNFileName, "SimN1.bmp");
}
void ExcitedStatesPresenter::ButtonSaveFigureNormal2Click() {
  saveFigure("ButtonSaveFigureNormal2", "ChartConcentrationNormal", engine_.SimNFileName, "SimN2.bmp");
}
void ExcitedStatesPresenter::ButtonSaveFigureExcitedStates1Click() {
  saveFigure("ButtonSaveFigureExcitedStates1", "ChartH1Excited", engine_.ExcFileName, "Exc1.bmp");
}
void ExcitedStatesPresenter::ButtonSaveFigureExcitedStates2Click() {
  saveFigure("ButtonSaveFigureExcitedStates2", "ChartConcentrationExcited", engine_.ExcFileName, "Exc2.bmp");
}

void ExcitedStatesPresenter::PrintExcitedStatesClick() {
  if (printWindow_) printWindow_();
}

void ExcitedStatesPresenter::FileVeiwerExcitedStatesClick() {
  if (windows_) windows_->Show(Window::FileViewer);
}

void ExcitedStatesPresenter::HelpExcitedStatesClick() {
  // The guide, at this window's section.
  if (windows_) windows_->ShowHelpAddress("KORVWinHelp.html#excited");
}

void ExcitedStatesPresenter::ExitExcitedStatesClick() {
  FormClose();
  view_.CloseWindow();
}

void ExcitedStatesPresenter::FormClose() {
  for (const ChartSpec& chart : ExcitedStatesCharts())
    for (int s = 0; s < static_cast<int>(chart.series.size()); ++s) view_.ClearSeries(chart.name, s);
  engine_.CutArrays();
  curveConcentration_.resize(1);
  curveFermiLevel_.resize(1);
}

}  // namespace korv::ui
