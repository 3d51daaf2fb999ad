#include "presenters/Mainpresenter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/Error.h"
#include "core/Numbers.h"
#include "materials/Materialtable.h"
#include "presenters/MainCaptions.h"
#include "presenters/MainCharts.h"
#include "presenters/MainControls.h"

namespace korv::ui {
namespace {

using main_format::kDensity;
using main_format::kEnergy;
const char* const kErefPattern = main_format::kEref;
const char* kManualMark = " [manual mode]";
using main_format::kAgain;
using main_format::kCalculation;
constexpr double kLargestMaterialValue = 1000;
const char* kNoSpline = "There are no data for analysis: calculate or load the spline first.";

// Controls that only Advanced mode shows.
const char* const kAdvancedControls[] = {
    "ButtonSaveExperimentalFermiLevelData",
    "ButtonDecreaseErefH1",
    "ButtonIncreaseErefH1",
    "ButtonCalculationH1Precise",
    "ButtonDecreaseErefH1Precise",
    "ButtonIncreaseErefH1Precise",
    "ButtonSaveExperimentalH1Data",
    "LabelChangePeakH1",
    "ButtonDecreasePeakH1",
    "ButtonIncreasePeakH1",
    "ButtonUseNegativeNcom",
    "LabelChangePeakH2",
    "ButtonDecreasePeakH2",
    "ButtonIncreasePeakH2",
    "ButtonSaveExperimentalH2Data",
    "LabelChangePeakH3",
    "ButtonDecreasePeakH3",
    "ButtonIncreasePeakH3",
    "ButtonSaveExperimentalH3Data",
    "LoadSpline",
    "LoadFermiLevel",
    "DistributionFunction1",
    "MenuDXCenter",
    "AutomaticEvaluationType",
    "TypeOfFunction",
};

const char* const kSideMenus[] = {"MenuInverseT",      "MenuInverseTCom", "MenuDHES",
                                  "MenuExcitedStates", "MenuDXCenter",    "MenuCurveFitting"};

const char* const kH1StartCommands[] = {
    "ButtonCalcH1",         "ButtonDecreaseErefH1",        "ButtonDecreaseErefH1Precise",
    "ButtonIncreaseErefH1", "ButtonIncreaseErefH1Precise", "ButtonCalculationH1Precise"};

std::string s(int k) { return std::to_string(k); }

double dosShown(double coefficient) { return coefficient / std::pow(phys::K_BOLTZMANN, 1.5); }

}  // namespace

std::string ReplaceExtension(const std::string& path, const std::string& replacement) {
  const auto slash = path.find_last_of("/\\");
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + replacement;
  return path.substr(0, dot) + replacement;
}

TFormMainPresenter::TFormMainPresenter(Analysis& record) : a_(record) {
  auto& h = handlers_;
#define KORV_HANDLER(name) h[#name] = [this] { name(); }
  KORV_HANDLER(ButtonInputDataClick);
  KORV_HANDLER(ButtonLoadExperimentalClick);
  KORV_HANDLER(LoadExperimentalClick);
  KORV_HANDLER(ButtonChangeDataClick);
  KORV_HANDLER(ButtonCalcSplineClick);
  KORV_HANDLER(ButtonSaveSplineClick);
  KORV_HANDLER(LoadSplineClick);
  KORV_HANDLER(ButtonInputChangeInformationClick);
  KORV_HANDLER(ButtonCalcEffectiveDensityOfStatesClick);
  KORV_HANDLER(ButtonCalcFermiLevelClick);
  KORV_HANDLER(ButtonSaveFermiLevelClick);
  KORV_HANDLER(ButtonSaveExperimentalFermiLevelDataClick);
  KORV_HANDLER(LoadFermiLevelClick);
  KORV_HANDLER(AllClearMainClick);
  KORV_HANDLER(PrintMainClick);
  KORV_HANDLER(ExitMainClick);
  KORV_HANDLER(EditorMainClick);
  KORV_HANDLER(SampleConditionClick);
  KORV_HANDLER(ObtainedResultsClick);
  KORV_HANDLER(AutomaticEvaluationTypeClick);
  KORV_HANDLER(TypeOfFunctionClick);
  KORV_HANDLER(NormalModeClick);
  KORV_HANDLER(AdvancedModeClick);
  KORV_HANDLER(MenuExcitedStatesClick);
  KORV_HANDLER(MenuDXCenterClick);
  KORV_HANDLER(MenuInverseTClick);
  KORV_HANDLER(MenuInverseTComClick);
  KORV_HANDLER(MenuDHESClick);
  KORV_HANDLER(MenuCurveFittingClick);
  KORV_HANDLER(VersionClick);
  KORV_HANDLER(InformationClick);
  KORV_HANDLER(HelpClick);
  KORV_HANDLER(InformationSemiconductorClick);
  KORV_HANDLER(ButtonSeeInformationClick);
  KORV_HANDLER(ButtonSaveFigureConcentration1Click);
  KORV_HANDLER(ButtonSaveFigureConcentration2Click);
  KORV_HANDLER(ButtonSaveFigureFermiClick);
  KORV_HANDLER(ButtonSaveFigureH1Click);
  KORV_HANDLER(ButtonSaveFigureH2Click);
  KORV_HANDLER(ButtonSaveFigureH3Click);
  KORV_HANDLER(ButtonSaveFigureSimulation1Click);
  KORV_HANDLER(ButtonSaveFigureSimulation2Click);
  KORV_HANDLER(ButtonCalcH1Click);
  KORV_HANDLER(ButtonDecreaseErefH1Click);
  KORV_HANDLER(ButtonIncreaseErefH1Click);
  KORV_HANDLER(ButtonDecreaseErefH1PreciseClick);
  KORV_HANDLER(ButtonIncreaseErefH1PreciseClick);
  KORV_HANDLER(ButtonCalculationH1PreciseClick);
  KORV_HANDLER(ButtonDecreasePeakH1Click);
  KORV_HANDLER(ButtonIncreasePeakH1Click);
  KORV_HANDLER(ButtonDecreasePeakH2Click);
  KORV_HANDLER(ButtonIncreasePeakH2Click);
  KORV_HANDLER(ButtonDecreasePeakH3Click);
  KORV_HANDLER(ButtonIncreasePeakH3Click);
  KORV_HANDLER(ButtonEvaluation1Click);
  KORV_HANDLER(ButtonEvaluation2Click);
  KORV_HANDLER(ButtonEvaluation3Click);
  KORV_HANDLER(ButtonSaveH1Click);
  KORV_HANDLER(ButtonSaveH2Click);
  KORV_HANDLER(ButtonSaveH3Click);
  KORV_HANDLER(ButtonSaveExperimentalH1DataClick);
  KORV_HANDLER(ButtonSaveExperimentalH2DataClick);
  KORV_HANDLER(ButtonSaveExperimentalH3DataClick);
  KORV_HANDLER(ButtonCalcH2Click);
  KORV_HANDLER(ButtonCalcH3Click);
  KORV_HANDLER(ButtonUseNegativeNcomClick);
  KORV_HANDLER(ButtonSimulationClick);
  KORV_HANDLER(ButtonSaveSimulationClick);
  KORV_HANDLER(ButtonSeeResultsClick);
  KORV_HANDLER(ButtonSaveResultsClick);
  KORV_HANDLER(ButtonFineAdjustmentClick);
#undef KORV_HANDLER
}

void TFormMainPresenter::Attach(View& view, Windows& windows) {
  view_ = &view;
  windows_ = &windows;
  a_.AttachPorts(&view.ProgressPort(), &view.MessagesPort());
}

bool TFormMainPresenter::Invoke(const std::string& handler) {
  auto it = handlers_.find(handler);
  if (it == handlers_.end()) throw std::invalid_argument("No command named '" + handler + "'");
  // The control and every container it sits in must be shown, and the control enabled:
  // an item of a hidden menu cannot be clicked.
  std::string control = handler.substr(0, handler.size() - 5);  // without "Click"
  if (!view_->IsEnabled(control)) return false;
  while (!control.empty() && control != kMainPageControl && control != kMainMenuBar) {
    if (!view_->IsVisible(control)) return false;
    const auto& list = MainControls();
    auto it = std::find_if(list.begin(), list.end(), [&](const MainControl& c) { return c.name == control; });
    control = it == list.end() ? "" : it->parent;
  }
  it->second();
  return true;
}

std::vector<std::string> TFormMainPresenter::HandlerNames() const {
  std::vector<std::string> names;
  for (const auto& [name, f] : handlers_) names.push_back(name);
  return names;
}

// ---- Small helpers ------------------------------------------------------------------------

void TFormMainPresenter::en(const std::string& c, bool e) { view_->SetEnabled(c, e); }
void TFormMainPresenter::txt(const std::string& c, const std::string& t) { view_->SetText(c, t); }
void TFormMainPresenter::chk(const std::string& c, bool v) { view_->SetChecked(c, v); }
void TFormMainPresenter::vis(const std::string& c, bool v) { view_->SetVisible(c, v); }
void TFormMainPresenter::busy() { view_->SetCursor(Cursor::Busy); }
void TFormMainPresenter::normal() { view_->SetCursor(Cursor::Normal); }

void TFormMainPresenter::command(const std::string& reenable, const std::function<void()>& body) {
  auto failed = [&](const std::exception& e) {
    closeProgressWindows();
    normal();
    if (!reenable.empty()) en(reenable, true);
    view_->ShowError(e.what());
  };
  try {
    body();
  } catch (const std::out_of_range& e) {
    failed(e);  // an index out of range inside a calculation fails the command like any other
  } catch (const std::logic_error&) {
    // An unknown control name is a fault of the window: the window's runner shows it.
    normal();
    throw;
  } catch (const std::exception& e) {
    failed(e);
  }
  normal();
}

void TFormMainPresenter::closeProgressWindows() {
  view_->ProgressPort().Close(korv::ProgressBar::Detailed);
  view_->ProgressPort().Close(korv::ProgressBar::Main);
}

void TFormMainPresenter::closeSideWindows() {
  for (Window w :
       {Window::OneImpurity, Window::DonorAcceptor, Window::Dhes, Window::ExcitedStates, Window::CurveFitting})
    windows_->Close(w);
}

void TFormMainPresenter::disableSideMenus() {
  for (const char* m : kSideMenus) en(m, false);
  en("ButtonFineAdjustment", false);
}

void TFormMainPresenter::closeLateWindows() {
  windows_->Close(Window::ExcitedStates);
  windows_->Close(Window::CurveFitting);
  for (const char* m : {"MenuExcitedStates", "MenuDXCenter", "MenuCurveFitting", "ButtonFineAdjustment"}) en(m, false);
}

void TFormMainPresenter::closeFittingWindow() {
  windows_->Close(Window::CurveFitting);
  en("MenuCurveFitting", false);
  en("ButtonFineAdjustment", false);
}

void TFormMainPresenter::refreshReports() {
  windows_->RefreshSampleCondition();
  windows_->RebuildObtainedResults();
}

bool TFormMainPresenter::saveTo(std::string& field, const std::string& path, const std::function<bool()>& writer) {
  const std::string old = field;
  field = path;
  bool ok = false;
  try {
    ok = writer();
  } catch (...) {
    field = old;
    throw;
  }
  if (!ok) {
    field = old;
    view_->ShowError("The file " + path + " could not be written.");
  }
  return ok;
}

bool TFormMainPresenter::loadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader) {
  const std::string old = field;
  field = path;
  bool ok = false;
  try {
    ok = reader();
  } catch (const std::exception& e) {
    field = old;
    // The reader's message names the file when it does not already.
    const std::string message = e.what();
    if (message.find(path) != std::string::npos) throw;
    throw korv::Error("The file " + path + " could not be read: " + message);
  } catch (...) {
    field = old;
    throw;
  }
  if (!ok) field = old;
  return ok;
}

std::string TFormMainPresenter::proposedName(FileStage stage, const std::string& replacement) const {
  // The file of that stage, else of the latest stage before it that has one; with none
  // the dialog proposes nothing rather than a bare extension.
  const std::string* files[] = {&a_.ExperimentalDataFile, &a_.AnalysisDataFile, &a_.FermiLevelFile, &a_.AnalysisFile[0],
                                &a_.AnalysisFile[1],      &a_.AnalysisFile[2],  &a_.SimulationFile};
  for (int i = static_cast<int>(stage); i >= 0; --i)
    if (!files[i]->empty()) return ReplaceExtension(*files[i], replacement);
  return "";
}

std::optional<std::string> TFormMainPresenter::askSave(int filterIndex, const std::string& proposed) {
  return view_->AskSaveFile(FileDialog{"", kMainSaveFilter, filterIndex, proposed});
}

std::optional<std::string> TFormMainPresenter::askOpen(int filterIndex, const std::string& proposed) {
  return view_->AskOpenFile(FileDialog{"", kMainOpenFilter, filterIndex, proposed});
}

// ---- Start-up, modes and the full reset ------------------------------------------------

void TFormMainPresenter::FormCreate(bool developerOptionsHidden) {
  a_.DeveloperOptionsHidden = developerOptionsHidden;
  a_.VersionInformation = kVersionInformation;
  a_.ProgramCaption = kProgramCaption;
  view_->SetCaption(kMainWindowCaption);
  setMode(!a_.DeveloperOptionsHidden);
  resetMainWindow();
}

void TFormMainPresenter::setMode(bool advanced) {
  if (advanced) {
    // The mark is added once: switching back and forth must not pile it up in the
    // version line of every file written afterwards.
    for (std::string* text : {&a_.VersionInformation, &a_.ProgramCaption})
      if (!text->ends_with(kManualMark)) *text += kManualMark;
    vis("OptionMain", true);
    for (const char* c : kAdvancedControls) vis(c, true);
    txt("ButtonCalcH1", "Auto Calculation");
    en("NormalMode", true);
    en("AdvancedMode", false);
    a_.ManualMode = true;
  } else {
    for (const char* c : kAdvancedControls) vis(c, false);
    txt("ButtonCalcH1", kCalculation);
    en("NormalMode", false);
    en("AdvancedMode", true);
    a_.ManualMode = false;
    if (a_.DeveloperOptionsHidden) vis("OptionMain", false);
  }
}

void TFormMainPresenter::resetMainWindow() {
  a_.ResetAll();
  for (const char* l : {"LabelVerCon", "LabelVerFermi", "LabelVerH1", "LabelVerH2", "LabelVerH3", "LabelVerSim"})
    txt(l, a_.ProgramCaption);
  txt("PanelSampleNumber", "");
  txt("PanelFilenameExperimentalData", "");
  unreliableLevel = -1;
  resetSideMenus();
  resetDataDisplay();
  resetSplineDisplay();
  resetFermiDisplay();
  resetH1Display();
  resetH2Display();
  resetH3Display();
  resetSimulationDisplay();
  en("ButtonSimulation", false);
  en("ButtonSaveSimulation", false);
  if (a_.DeveloperOptionsHidden) a_.ManualMode = false;
  setNegativeNcom(false);
  fermiReady_ = false;
  showNeutralCaptions();
}

void TFormMainPresenter::resetSideMenus() {
  for (const char* m : {"LoadSpline", "LoadFermiLevel", "MenuExcitedStates", "MenuDXCenter", "MenuInverseT",
                        "MenuInverseTCom", "MenuDHES", "MenuCurveFitting", "ButtonFineAdjustment"})
    en(m, false);
}

void TFormMainPresenter::resetDataDisplay() {
  for (const char* c : {"ChartExperimentalLinear", "ChartExperimentalLog"}) {
    SetLeftTitle(*view_, c, "Free Carrier Concentration  [cm^-3]");
    view_->ClearSeries(c, series::kMeasured);
  }
  keyboardEntryRequested = false;
  sheetDataSaved = false;
  convertedDataSaved = false;
  txt("LabelFilenameExperimentalData", "");
  for (const char* b : {"ButtonChangeData", "ButtonCalcSpline", "ButtonSaveSpline", "ButtonSaveFigureConcentration1",
                        "ButtonSaveFigureConcentration2"})
    en(b, false);
  txt("EditSmoothness", "5000");
  for (const char* c : {"ChartSimulationReverseT", "ChartSimulationT"}) {
    SetLeftTitle(*view_, c, "Majority-Carrier Concentration  [cm^-3]");
    view_->ClearSeries(c, series::kMeasured);
  }
}

void TFormMainPresenter::resetSplineDisplay() {
  view_->ClearSeries("ChartExperimentalLinear", series::kCurve);
  view_->ClearSeries("ChartExperimentalLog", series::kCurve);
  txt("LabelFilenameSpline", "");
}

void TFormMainPresenter::resetFermiDisplay() {
  SetLeftTitle(*view_, "ChartFermiLevel", "Fermi Level  [eV]");
  view_->ClearSeries("ChartFermiLevel", series::kFermi);
  view_->ClearSeries("ChartFermiLevel", series::kFermiExp);
  en("ButtonInputChangeInformation", false);
  txt("LabelFermiSemiconductor", "");
  txt("LabelFermiConductionTypeN", "n-type");
  txt("LabelFermiConductionTypeP", "p-type");
  txt("EditMass", "1");
  en("EditMass", false);
  txt("EditEquivalentMinima", "1");
  en("EditEquivalentMinima", false);
  en("ButtonCalcEffectiveDensityOfStates", false);
  txt("EditEffectiveDensityOfStates", "9.4E49");
  en("EditEffectiveDensityOfStates", false);
  txt("EditFermiLevelComment", "");
  en("ButtonCalcFermiLevel", false);
  en("ButtonSaveFermiLevel", false);
  txt("LabelFilenameFermiLevel", "");
  en("ButtonSaveFigureFermi", false);
  en("ButtonSaveExperimentalFermiLevelData", false);
}

void TFormMainPresenter::resetH1Display() {
  for (int i = 0; i < 4; ++i) view_->ClearSeries("ChartH1", i);
  en("ButtonCalcH1", false);
  txt("ButtonCalcH1", a_.ManualMode ? "Auto Calculatoin" : kCalculation);
  txt("LabelEref1", "0");
  for (const char* b : {"ButtonDecreaseErefH1", "ButtonDecreaseErefH1Precise", "ButtonIncreaseErefH1",
                        "ButtonIncreaseErefH1Precise", "ButtonCalculationH1Precise", "ButtonSaveExperimentalH1Data"})
    en(b, false);
  txt("LabelPeakT1", "0");
  txt("LabelPeakV1", "0");
  for (const char* b : {"ButtonDecreasePeakH1", "ButtonIncreasePeakH1", "ButtonEvaluation1"}) en(b, false);
  resetH1Evaluation();
}

void TFormMainPresenter::resetH1Evaluation() {
  view_->ClearSeries("ChartH1", series::kSimulatedH);
  for (const char* l : {"LabelDensity1", "LabelEnergy1", "LabelCDensity1"}) txt(l, "0");
  en("ButtonSaveH1", false);
  txt("LabelFilenameH1", "");
  en("ButtonSaveFigureH1", false);
  for (const char* l : {"LabelDensity1H2", "LabelEnergy1H2", "LabelComDensityH2"}) txt(l, "0");
  for (int j = 1; j <= 4; ++j) chk("CheckBox" + s(j), false);
  for (int j = 1; j <= 3; ++j) {
    txt("EditSDensity" + s(j), "0");
    txt("EditSEnergy" + s(j), "0");
  }
  txt("EditSCDensity", "0");
  en("ButtonSaveSimulation", false);
  dropUnreliableLevel(0);
}

void TFormMainPresenter::dropUnreliableLevel(int from) {
  if (unreliableLevel >= from) unreliableLevel = -1;
}

void TFormMainPresenter::resetH2Evaluation() {
  for (int i = 1; i < 4; ++i) view_->ClearSeries("ChartH2", i);
  for (const char* l : {"LabelDensity2", "LabelEnergy2", "LabelCDensity2"}) txt(l, "0");
  en("ButtonSaveH2", false);
  txt("LabelFilenameH2", "");
  en("ButtonSaveFigureH2", false);
  for (const char* l : {"LabelDensity1H3", "LabelEnergy1H3", "LabelDensity2H3", "LabelEnergy2H3", "LabelComDensityH3"})
    txt(l, "0");
  for (int j = 2; j <= 4; ++j) chk("CheckBox" + s(j), false);
  for (int j = 2; j <= 3; ++j) {
    txt("EditSDensity" + s(j), "0");
    txt("EditSEnergy" + s(j), "0");
  }
  txt("EditSCDensity", "0");
  dropUnreliableLevel(1);
}

void TFormMainPresenter::resetH2Display() {
  view_->ClearSeries("ChartH2", series::kH);
  resetH2Evaluation();
  en("ButtonCalcH2", false);
  txt("LabelEref2", "0");
  en("ButtonUseNegativeNcom", false);
  txt("LabelPeakT2", "0");
  txt("LabelPeakV2", "0");
  for (const char* b :
       {"ButtonEvaluation2", "ButtonDecreasePeakH2", "ButtonIncreasePeakH2", "ButtonSaveExperimentalH2Data"})
    en(b, false);
}

void TFormMainPresenter::resetH3Evaluation() {
  for (int i = 1; i < 4; ++i) view_->ClearSeries("ChartH3", i);
  for (const char* l : {"LabelDensity3", "LabelEnergy3", "LabelCDensity3"}) txt(l, "0");
  en("ButtonSaveH3", false);
  txt("LabelFilenameH3", "");
  en("ButtonSaveFigureH3", false);
  chk("CheckBox3", false);
  chk("CheckBox4", false);
  txt("EditSDensity3", "0");
  txt("EditSEnergy3", "0");
  txt("EditSCDensity", "0");
  dropUnreliableLevel(2);
}

void TFormMainPresenter::resetH3Display() {
  view_->ClearSeries("ChartH3", series::kH);
  resetH3Evaluation();
  en("ButtonCalcH3", false);
  for (const char* l : {"LabelEref3", "LabelPeakT3", "LabelPeakV3"}) txt(l, "0");
  for (const char* b :
       {"ButtonEvaluation3", "ButtonDecreasePeakH3", "ButtonIncreasePeakH3", "ButtonSaveExperimentalH3Data"})
    en(b, false);
}

void TFormMainPresenter::resetSimulationDisplay() {
  view_->ClearSeries("ChartSimulationReverseT", series::kCurve);
  view_->ClearSeries("ChartSimulationT", series::kCurve);
  chk("CheckBox4", false);
  en("ButtonSeeResults", false);
  txt("ButtonSeeResults", "See Remarks!");
  en("ButtonSaveSimulation", false);
  txt("LabelFilenameSimulation", "");
  en("ButtonSaveFigureSimulation1", false);
  en("ButtonSaveFigureSimulation2", false);
}

void TFormMainPresenter::resetFrom(Stage from, const Reset& how) {
  // Each stage of the chain: the record's clear, the display's reset, and the reset of its
  // evaluation alone (for an analysis whose curve stays while the rest of it is redone).
  using P = TFormMainPresenter;
  struct StageReset {
    void (*clear)(Analysis&);
    void (*display)(P&);
    void (*evaluation)(P&);
  };
  static const StageReset chain[] = {
      {[](Analysis& a) { a.ClearSplineStage(); }, [](P& p) { p.resetSplineDisplay(); }, nullptr},
      {[](Analysis& a) { a.ClearDensityOfStatesStage(); }, [](P& p) { p.resetFermiDisplay(); }, nullptr},
      {[](Analysis& a) { a.ClearAnalysisStages(); }, nullptr, nullptr},
      {[](Analysis& a) { a.ClearFirstAnalysis(); }, [](P& p) { p.resetH1Display(); },
       [](P& p) { p.resetH1Evaluation(); }},
      {[](Analysis& a) { a.ClearSecondAnalysis(); }, [](P& p) { p.resetH2Display(); },
       [](P& p) { p.resetH2Evaluation(); }},
      {[](Analysis& a) { a.ClearThirdAnalysis(); }, [](P& p) { p.resetH3Display(); },
       [](P& p) { p.resetH3Evaluation(); }},
      {[](Analysis& a) { a.ClearSimulation(); }, [](P& p) { p.resetSimulationDisplay(); }, nullptr},
  };
  const int first = static_cast<int>(from), count = static_cast<int>(std::size(chain));
  for (int i = first; i < count; ++i)
    if (i > first || how.firstRecord) chain[i].clear(a_);
  for (int i = first; i < count; ++i) {
    const auto routine = i == first && how.evaluationOnly ? chain[i].evaluation : chain[i].display;
    if (routine) routine(*this);
  }
  if (how.dropCompensation) a_.CompensatingDensity = 0;
  if (how.calculationCaptions)
    for (int k = 1; k <= 3; ++k) txt("ButtonCalcH" + s(k), kCalculation);
  // The Fermi tab's reset shows both conduction types; a loaded measurement has one.
  if (how.conductionCaptions && from <= Stage::DensityOfStates && ConductionKind(a_) != 0)
    ShowConductionCaptions(a_, *view_, ConductionKind(a_));
}

void TFormMainPresenter::resetFrom(Stage from) { resetFrom(from, Reset{}); }

void TFormMainPresenter::invalidateFrom(Stage stage) {
  resetFrom(stage, Reset{.dropCompensation = true, .calculationCaptions = true, .conductionCaptions = true});
  if (stage <= Stage::Spline) {
    // Nothing is left to save or to simulate over.
    en("ButtonSaveSpline", false);
    en("ButtonSimulation", false);
  }
  if (stage <= Stage::Analyses) {
    fermiReady_ = false;
    setNegativeNcom(false);
  }
}

TFormMainPresenter::Stage TFormMainPresenter::analysisStage(int k) {
  return static_cast<Stage>(static_cast<int>(Stage::First) + k - 1);
}

void TFormMainPresenter::setNegativeNcom(bool inUse) {
  negativeNcomInUse = inUse;
  txt("ButtonUseNegativeNcom", inUse ? "Do not Use Negative Value" : "Use Negative Compensating Density");
}

void TFormMainPresenter::dropCarriedCompensation() {
  a_.DropCarriedCompensation();
  setNegativeNcom(false);
}

// ---- Captions and formula pictures -------------------------------------------------------

void TFormMainPresenter::showNeutralCaptions() {
  ShowConductionCaptions(a_, *view_, 0);
  for (int k = 1; k <= 3; ++k) txt("EditGH" + s(k), "1");
}

void TFormMainPresenter::showConductionTypeCaptions() {
  const int type = ConductionKind(a_);
  if (type == 0) return;
  ShowConductionCaptions(a_, *view_, type);
  for (int k = 1; k <= 3; ++k) txt("EditGH" + s(k), type == 1 ? "2" : "4");
}

void TFormMainPresenter::showFunctionTypeCaptions() { ShowFunctionCaptions(a_, *view_, ConductionKind(a_)); }

void TFormMainPresenter::applyMaterialParameters() {
  txt("LabelFermiSemiconductor", a_.Semiconductor);
  korv::ApplyMaterialParameters(a_);
  const auto texts = korv::MaterialEdits(a_);
  txt("EditMass", texts.Mass);
  txt("EditEquivalentMinima", texts.EquivalentMinima);
  txt("EditEffectiveDensityOfStates", texts.EffectiveDensityOfStates);
}

// ---- Tab 1: measurement and spline ----------------------------------------------------------

namespace {

// The measurement header the data sheet shows: a keyboard entry starts from an empty one,
// and a cancelled entry gets the old one back.
struct MeasurementHeader {
  std::string OriginalFile, ExperimentalDataFile, MeasurementName, MeasurementDate, AnalysisName, AnalysisDate,
      SampleNumber, Semiconductor, ConductionType, Remark;
  double Thickness = 0, MagneticField = 0, Current = 0;

  template <class From, class To>
  static void copy(const From& from, To& to) {
    to.OriginalFile = from.OriginalFile;
    to.ExperimentalDataFile = from.ExperimentalDataFile;
    to.MeasurementName = from.MeasurementName;
    to.MeasurementDate = from.MeasurementDate;
    to.AnalysisName = from.AnalysisName;
    to.AnalysisDate = from.AnalysisDate;
    to.SampleNumber = from.SampleNumber;
    to.Semiconductor = from.Semiconductor;
    to.ConductionType = from.ConductionType;
    to.Remark = from.Remark;
    to.Thickness = from.Thickness;
    to.MagneticField = from.MagneticField;
    to.Current = from.Current;
  }
};

}  // namespace

void TFormMainPresenter::ButtonInputDataClick() {
  command("", [&] {
    // Nothing is reset until the data sheet or the conversion has written a measurement:
    // a cancelled entry leaves the analysis as it was.
    bool saved = false;
    switch (windows_->AskDataSource()) {
      case DataSource::Keyboard: {
        MeasurementHeader old;
        MeasurementHeader::copy(a_, old);
        MeasurementHeader::copy(MeasurementHeader{}, a_);
        keyboardEntryRequested = true;
        try {
          saved = windows_->ShowDataSheet(true);
        } catch (...) {
          keyboardEntryRequested = false;
          MeasurementHeader::copy(old, a_);
          throw;
        }
        keyboardEntryRequested = false;
        if (!saved) MeasurementHeader::copy(old, a_);
        break;
      }
      case DataSource::Conversion:
        saved = windows_->ShowConversion();
        break;
      case DataSource::None:
        break;
    }
    if (!saved) {
      en("ButtonChangeData", true);
      return;
    }
    // The new measurement file, read again after the full reset.
    const std::string file = a_.ExperimentalDataFile;
    resetMainWindow();
    a_.ExperimentalDataFile = file;
    const bool loaded = a_.LoadMeasurementFile();
    if (!loaded) a_.ExperimentalDataFile.clear();
    txt("LabelFilenameExperimentalData", a_.ExperimentalDataFile);
    txt("PanelFilenameExperimentalData", a_.ExperimentalDataFile);
    txt("PanelSampleNumber", a_.SampleNumber);
    if (loaded) {
      showConductionTypeCaptions();
      PlotMeasurement(a_, *view_);
      en("ButtonCalcSpline", true);
    }
    en("ButtonChangeData", true);
    en("LoadSpline", false);
    en("LoadFermiLevel", false);
    refreshReports();
    closeSideWindows();
    disableSideMenus();
    invalidateFrom(Stage::Spline);
  });
}

void TFormMainPresenter::loadExperimental(bool fromButton) {
  bool loaded = false;
  command("", [&] {
    // A cancelled dialog leaves the analysis as it was.
    const auto path = askOpen(open_filter::kMeasurement, "");
    if (!path) return;
    resetMainWindow();
    if (!loadFrom(a_.ExperimentalDataFile, *path, [&] { return a_.LoadMeasurementFile(); })) return;
    if (const std::string note = korv::UnknownMaterialNote(a_.Semiconductor); !note.empty()) view_->ShowNotice(note);
    showConductionTypeCaptions();
    PlotMeasurement(a_, *view_);
    txt("LabelFilenameExperimentalData", *path);
    txt("PanelFilenameExperimentalData", *path);
    txt("PanelSampleNumber", a_.SampleNumber);
    en("ButtonChangeData", true);
    en("ButtonCalcSpline", true);
    en("LoadSpline", true);
    refreshReports();
    closeSideWindows();
    disableSideMenus();
    loaded = true;
  });
  // Only the button invalidates once more; after the full reset its one visible effect
  // is the caption "Calculation" of ButtonCalcH1 in Advanced mode.
  if (loaded && fromButton) invalidateFrom(Stage::Spline);
}

void TFormMainPresenter::ButtonLoadExperimentalClick() { loadExperimental(true); }
void TFormMainPresenter::LoadExperimentalClick() { loadExperimental(false); }

void TFormMainPresenter::ButtonChangeDataClick() {
  command("", [&] {
    keyboardEntryRequested = false;
    sheetDataSaved = windows_->ShowDataSheet(false) || sheetDataSaved;
    txt("LabelFilenameExperimentalData", a_.ExperimentalDataFile);
    txt("PanelFilenameExperimentalData", a_.ExperimentalDataFile);
    txt("PanelSampleNumber", a_.SampleNumber);
    if (!sheetDataSaved) return;
    PlotMeasurement(a_, *view_);
    en("ButtonCalcSpline", true);
    sheetDataSaved = false;
    en("LoadSpline", false);
    en("LoadFermiLevel", false);
    refreshReports();
    closeSideWindows();
    disableSideMenus();
    invalidateFrom(Stage::Spline);
  });
}

void TFormMainPresenter::ButtonCalcSplineClick() {
  command("", [&] {
    busy();
    a_.Smoothness = ParseReal(view_->Text("EditSmoothness"));
    const int n = static_cast<int>(a_.Reliability.size());
    for (int i = 0; i < n; ++i)
      if (a_.Reliability[i] > 0) {
        a_.FirstIndex = i;
        break;
      }
    for (int i = n - 1; i > 0; --i)
      if (a_.Reliability[i] > 0) {
        a_.LastIndex = i;
        break;
      }
    if (!a_.CalculateSpline()) return;
    PlotSpline(a_, *view_);
    en("ButtonSaveSpline", true);
    invalidateFrom(Stage::DensityOfStates);
    en("ButtonSaveFigureConcentration1", false);
    en("ButtonSaveFigureConcentration2", false);
    en("LoadFermiLevel", false);
    closeSideWindows();
    disableSideMenus();
  });
}

void TFormMainPresenter::ButtonSaveSplineClick() {
  command("", [&] {
    if (GridLength(a_) == 0) {
      view_->ShowError(kNoSpline);
      return;
    }
    const auto path = askSave(save_filter::kSpline, proposedName(FileStage::Measurement, ".spl"));
    if (!path) return;
    if (!saveTo(a_.AnalysisDataFile, *path, [&] { return a_.SaveSplineFile(); })) return;
    txt("LabelFilenameSpline", *path);
    en("ButtonSaveSpline", false);
    for (const char* b : {"ButtonInputChangeInformation", "ButtonCalcFermiLevel", "ButtonSaveFigureConcentration1",
                          "ButtonSaveFigureConcentration2"})
      en(b, true);
    applyMaterialParameters();
    en("LoadFermiLevel", false);
    en("ButtonSimulation", true);
    refreshReports();
    closeFittingWindow();
  });
}

void TFormMainPresenter::LoadSplineClick() {
  command("", [&] {
    const auto path = askOpen(open_filter::kSpline, proposedName(FileStage::Measurement, ".spl"));
    if (!path) return;
    invalidateFrom(Stage::Spline);
    if (!loadFrom(a_.AnalysisDataFile, *path, [&] { return a_.LoadSplineFile(); })) return;
    if (GridLength(a_) == 0) {
      // A file without a point would lead every later stage into an empty grid.
      invalidateFrom(Stage::Spline);
      a_.AnalysisDataFile.clear();
      view_->ShowError("The file " + *path + " holds no data for analysis.");
      return;
    }
    PlotSpline(a_, *view_);
    txt("LabelFilenameSpline", a_.AnalysisDataFile);
    txt("EditSmoothness", FormatGeneral(a_.Smoothness));
    en("ButtonCalcSpline", false);
    en("ButtonInputChangeInformation", true);
    en("ButtonCalcFermiLevel", true);
    applyMaterialParameters();
    en("LoadFermiLevel", true);
    en("ButtonSimulation", true);
    refreshReports();
    closeSideWindows();
    disableSideMenus();
  });
}

// ---- Tab 2: material, density of states, Fermi level ------------------------------------------

void TFormMainPresenter::ButtonInputChangeInformationClick() {
  command("", [&] {
    for (const char* c :
         {"EditMass", "EditEquivalentMinima", "EditEffectiveDensityOfStates", "ButtonCalcEffectiveDensityOfStates"})
      en(c, true);
    en("ButtonCalcFermiLevel", false);
    en("ButtonSaveFermiLevel", false);
  });
}

void TFormMainPresenter::ButtonCalcEffectiveDensityOfStatesClick() {
  command("", [&] {
    a_.EffectiveMass = ParseReal(view_->Text("EditMass"));
    a_.EquivalentMinima = a_.ConductionType == "n-type" ? ParseReal(view_->Text("EditEquivalentMinima")) : 1.0;
    // A positive value can still be far outside any material: say so rather than that it
    // is not positive.
    for (const auto& [value, what] :
         {std::pair{a_.EffectiveMass, "effective mass"}, std::pair{a_.EquivalentMinima, "number of equivalent minima"}})
      if (value > kLargestMaterialValue)
        throw korv::Error("The " + std::string(what) + " " + FormatGeneral(value) + " is out of range (at most " +
                          FormatGeneral(kLargestMaterialValue) + ").");
    if (!a_.CalculateEffectiveDensityOfStates()) {
      view_->ShowError("Calculation is unable to carry out");
      return;
    }
    txt("EditEffectiveDensityOfStates", FormatPattern(dosShown(a_.DosCoefficient), kDensity));
    en("ButtonCalcFermiLevel", true);
    en("ButtonCalcEffectiveDensityOfStates", false);
  });
}

void TFormMainPresenter::ButtonCalcFermiLevelClick() {
  command("", [&] {
    if (view_->IsEnabled("ButtonCalcEffectiveDensityOfStates")) {
      view_->ShowError("Please calcutate the effective density of states first.");
      return;
    }
    if (GridLength(a_) == 0) {
      view_->ShowError(kNoSpline);
      return;
    }
    busy();
    if (!a_.CalculateFermiLevel()) {
      view_->ShowError("Fermi level could not be calculated.");
      return;
    }
    en("ButtonSaveFermiLevel", true);
    view_->ClearSeries("ChartFermiLevel", series::kFermiExp);
    if (a_.ManualMode && a_.CalculateExperimentalFermiLevel()) {
      const std::size_t n = std::min({a_.Temperature.size(), a_.Reliability.size(), a_.ExperimentalFermiLevel.size()});
      for (std::size_t i = 0; i < n; ++i)
        if (a_.Reliability[i] > 0.95)
          view_->AddPoint("ChartFermiLevel", series::kFermiExp, a_.Temperature[i], a_.ExperimentalFermiLevel[i]);
    }
    PlotFermiLevel(a_, *view_);
    invalidateFrom(Stage::Analyses);
    en("ButtonSaveFigureFermi", false);
    // The experimental Fermi level belongs to the new, not yet saved, Fermi level: its
    // file can be written again only after the Fermi-level file.
    en("ButtonSaveExperimentalFermiLevelData", false);
    closeSideWindows();
    for (const char* m : {"MenuExcitedStates", "MenuDXCenter", "MenuCurveFitting", "ButtonFineAdjustment"})
      en(m, false);
  });
}

void TFormMainPresenter::ButtonSaveFermiLevelClick() {
  command("", [&] {
    const auto path = askSave(save_filter::kFermiLevel, proposedName(FileStage::Spline, ".fl"));
    if (!path) return;
    if (!saveTo(a_.FermiLevelFile, *path, [&] { return a_.SaveFermiLevelFile(); })) return;
    txt("LabelFilenameFermiLevel", *path);
    fermiReady_ = true;
    en("ButtonSaveFermiLevel", false);
    en("ButtonSaveFigureFermi", true);
    for (const char* b : kH1StartCommands) en(b, true);
    en("ButtonSaveExperimentalFermiLevelData", true);
    refreshReports();
    for (const char* m : {"MenuInverseT", "MenuInverseTCom", "MenuDHES"}) en(m, true);
  });
}

void TFormMainPresenter::ButtonSaveExperimentalFermiLevelDataClick() {
  command("", [&] {
    const auto path = askSave(save_filter::kExperimentalFermiLevel, proposedName(FileStage::Fermi, ".flE"));
    if (!path) return;
    if (!saveTo(a_.ExperimentalFermiLevelFile, *path, [&] { return a_.SaveExperimentalFermiLevelFile(); })) return;
    en("ButtonSaveExperimentalFermiLevelData", false);
  });
}

void TFormMainPresenter::LoadFermiLevelClick() {
  command("", [&] {
    const auto path = askOpen(open_filter::kFermiLevel, proposedName(FileStage::Spline, ".fl"));
    if (!path) return;
    invalidateFrom(Stage::DensityOfStates);
    if (!loadFrom(a_.FermiLevelFile, *path, [&] { return a_.LoadFermiLevelFile(); })) return;
    PlotFermiLevel(a_, *view_);
    txt("LabelFilenameFermiLevel", *path);
    fermiReady_ = true;
    en("ButtonInputChangeInformation", true);
    en("ButtonCalcEffectiveDensityOfStates", false);
    en("ButtonCalcFermiLevel", false);
    en("ButtonSaveFermiLevel", false);
    txt("EditMass", FormatGeneral(a_.EffectiveMass));
    txt("EditEquivalentMinima", FormatGeneral(a_.EquivalentMinima));
    txt("EditEffectiveDensityOfStates", FormatPattern(dosShown(a_.DosCoefficient), "0.0E+00"));
    txt("EditFermiLevelComment", a_.DensityOfStatesRemark);
    for (const char* b : kH1StartCommands) en(b, true);
    en("ButtonSimulation", true);
    refreshReports();
    closeSideWindows();
    for (const char* m : {"MenuInverseT", "MenuInverseTCom", "MenuDHES"}) en(m, true);
    for (const char* m : {"MenuExcitedStates", "MenuDXCenter", "MenuCurveFitting", "ButtonFineAdjustment"})
      en(m, false);
  });
}

// ---- Menus -------------------------------------------------------------------------------------

void TFormMainPresenter::AllClearMainClick() {
  command("", [&] {
    resetMainWindow();
    a_.AutoEvaluationType = "Type-B";
    a_.CompensatingDensity = 0;
    txt("ButtonCalcH1", a_.ManualMode ? "Auto Calculation" : kCalculation);
    txt("ButtonCalcH2", kCalculation);
    txt("ButtonCalcH3", kCalculation);
    windows_->RefreshSampleCondition();
    windows_->ResetObtainedResults();
    closeSideWindows();
    disableSideMenus();
  });
}

void TFormMainPresenter::PrintMainClick() {
  command("", [&] { windows_->PrintMainWindow(); });
}
void TFormMainPresenter::ExitMainClick() { windows_->CloseMainWindow(); }
void TFormMainPresenter::EditorMainClick() {
  command("", [&] { windows_->Show(Window::FileViewer); });
}
void TFormMainPresenter::SampleConditionClick() {
  command("", [&] { windows_->Show(Window::SampleCondition); });
}
void TFormMainPresenter::ObtainedResultsClick() {
  command("", [&] { windows_->Show(Window::ObtainedResults); });
}

void TFormMainPresenter::AutomaticEvaluationTypeClick() {
  command("", [&] {
    windows_->ShowAutomaticEvaluationType(a_.AutoEvaluationType,
                                          [this](const std::string& t) { ComboBoxAutomaticEvaluationTypeChange(t); });
  });
}

void TFormMainPresenter::ComboBoxAutomaticEvaluationTypeChange(const std::string& text) {
  a_.AutoEvaluationType = text;
}

void TFormMainPresenter::TypeOfFunctionClick() {
  command("", [&] { windows_->ShowFunctionType(a_.FunctionType, [this](int v) { RadioButtonFunctionClick(v); }); });
}

void TFormMainPresenter::RadioButtonFunctionClick(int functionType) {
  a_.FunctionType = functionType;
  setNegativeNcom(false);
  resetFrom(Stage::Analyses);
  // H1 needs the saved or loaded Fermi level, not just a grid.
  if (fermiReady_ && GridLength(a_) > 10) en("ButtonCalcH1", true);
  showFunctionTypeCaptions();
}

void TFormMainPresenter::NormalModeClick() { setMode(false); }
void TFormMainPresenter::AdvancedModeClick() { setMode(true); }

void TFormMainPresenter::MenuExcitedStatesClick() {
  command("", [&] { windows_->Show(Window::ExcitedStates); });
}
// "DX Center" has no command: the menu item exists for a window no analysis uses yet.
void TFormMainPresenter::MenuDXCenterClick() {}
void TFormMainPresenter::MenuInverseTClick() {
  command("", [&] { windows_->Show(Window::OneImpurity); });
}
void TFormMainPresenter::MenuInverseTComClick() {
  command("", [&] { windows_->Show(Window::DonorAcceptor); });
}
void TFormMainPresenter::MenuDHESClick() {
  command("", [&] { windows_->Show(Window::Dhes); });
}
void TFormMainPresenter::MenuCurveFittingClick() {
  command("", [&] { windows_->Show(Window::CurveFitting); });
}
void TFormMainPresenter::VersionClick() { windows_->ShowAbout(); }
void TFormMainPresenter::InformationClick() { windows_->ShowHelpAddress(kReleaseNotesPage); }
void TFormMainPresenter::HelpClick() { windows_->Show(Window::Help); }
void TFormMainPresenter::InformationSemiconductorClick() {
  command("", [&] { windows_->Show(Window::InformationSemiconductor); });
}
void TFormMainPresenter::ButtonSeeInformationClick() { InformationSemiconductorClick(); }
void TFormMainPresenter::ButtonFineAdjustmentClick() { MenuCurveFittingClick(); }

void TFormMainPresenter::PageControl1Change(const std::string& page) {
  if (page != "TabSheet6") return;
  if (unreliableLevel < 0)
    en("ButtonSeeResults", false);
  else if (a_.CompensatingDensity > 0)
    en("ButtonSeeResults", true);
}

// ---- Figures -------------------------------------------------------------------------------------

void TFormMainPresenter::saveFigure(const std::string& button, const std::string& chart, FileStage from,
                                    const std::string& suffix) {
  command("", [&] {
    const auto path = askSave(save_filter::kFigure, proposedName(from, suffix));
    if (!path) return;
    std::string error;
    if (!view_->SaveChartImage(chart, *path, error)) {
      view_->ShowError(error.empty() ? "The file " + *path + " could not be written." : error);
      return;
    }
    en(button, false);
  });
}

void TFormMainPresenter::ButtonSaveFigureConcentration1Click() {
  saveFigure("ButtonSaveFigureConcentration1", "ChartExperimentalLinear", FileStage::Measurement, "Con1.bmp");
}
void TFormMainPresenter::ButtonSaveFigureConcentration2Click() {
  saveFigure("ButtonSaveFigureConcentration2", "ChartExperimentalLog", FileStage::Measurement, "Con2.bmp");
}
void TFormMainPresenter::ButtonSaveFigureFermiClick() {
  saveFigure("ButtonSaveFigureFermi", "ChartFermiLevel", FileStage::Fermi, "Fermi.bmp");
}
void TFormMainPresenter::ButtonSaveFigureH1Click() {
  saveFigure("ButtonSaveFigureH1", "ChartH1", FileStage::H1, "H1.bmp");
}
void TFormMainPresenter::ButtonSaveFigureH2Click() {
  saveFigure("ButtonSaveFigureH2", "ChartH2", FileStage::H2, "H2.bmp");
}
void TFormMainPresenter::ButtonSaveFigureH3Click() {
  saveFigure("ButtonSaveFigureH3", "ChartH3", FileStage::H3, "H3.bmp");
}
void TFormMainPresenter::ButtonSaveFigureSimulation1Click() {
  saveFigure("ButtonSaveFigureSimulation1", "ChartSimulationReverseT", FileStage::Simulation, "SimH1.bmp");
}
void TFormMainPresenter::ButtonSaveFigureSimulation2Click() {
  saveFigure("ButtonSaveFigureSimulation2", "ChartSimulationT", FileStage::Simulation, "SimH2.bmp");
}

}  // namespace korv::ui
