// The main window's presenter: its handler registry and Invoke, the command boundary, the
// file dialogs and load/save plumbing, start-up and modes, and the figures.
#include "presenters/main/MainPresenter.h"

#include <algorithm>
#include <stdexcept>

#include "core/Error.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainControls.h"

namespace korv::ui {
namespace {

using main_format::kCalculation;
const char* kManualMark = " [manual mode]";

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

}  // namespace

MainPresenter::MainPresenter(Analysis& record) : a_(record) {
#define KORV_HANDLER(name) handlers_[#name] = [this] { name(); };
  KORV_MAIN_HANDLERS(KORV_HANDLER)
#undef KORV_HANDLER
}

void MainPresenter::Attach(View& view, Windows& windows) {
  view_ = &view;
  windows_ = &windows;
  a_.AttachPorts(&view.ProgressPort(), &view.MessagesPort());
}

bool MainPresenter::Invoke(const std::string& handler) {
  // Every container of the control up to the tab pages or the menu bar must be shown.
  return InvokeHandler(*view_, handlers_, handler, [](const std::string& control) -> std::string {
    const auto& list = MainControls();
    auto it = std::find_if(list.begin(), list.end(), [&](const MainControl& c) { return c.name == control; });
    if (it == list.end() || it->parent == kMainPageControl || it->parent == kMainMenuBar) return "";
    return it->parent;
  });
}

std::vector<std::string> MainPresenter::HandlerNames() const {
  std::vector<std::string> names;
  for (const auto& [name, f] : handlers_) names.push_back(name);
  return names;
}

// ---- Small helpers ------------------------------------------------------------------------

void MainPresenter::en(const std::string& c, bool e) { view_->SetEnabled(c, e); }
void MainPresenter::txt(const std::string& c, const std::string& t) { view_->SetText(c, t); }
void MainPresenter::chk(const std::string& c, bool v) { view_->SetChecked(c, v); }
void MainPresenter::vis(const std::string& c, bool v) { view_->SetVisible(c, v); }
void MainPresenter::busy() { view_->SetCursor(Cursor::Busy); }
void MainPresenter::normal() { view_->SetCursor(Cursor::Normal); }

void MainPresenter::command(const std::string& reenable, const std::function<void()>& body) {
  RunCommand(*view_, body, [&] {
    if (!reenable.empty()) en(reenable, true);
  });
  // Every command may change what the Simulation tab holds.
  txt("LabelSimulationSources", SimulationSources(a_, *view_));
}

void MainPresenter::closeProgressWindows() {
  view_->ProgressPort().Close(korv::ProgressBar::Detailed);
  view_->ProgressPort().Close(korv::ProgressBar::Main);
}

void MainPresenter::closeSideWindows() {
  for (Window w :
       {Window::OneImpurity, Window::DonorAcceptor, Window::Dhes, Window::ExcitedStates, Window::CurveFitting})
    windows_->Close(w);
}

void MainPresenter::disableSideMenus() {
  enAll(main_group::kFermiMenus, false);
  enAll(main_group::kLateCommands, false);
}

void MainPresenter::closeLateWindows() {
  windows_->Close(Window::ExcitedStates);
  windows_->Close(Window::CurveFitting);
  enAll(main_group::kLateCommands, false);
}

void MainPresenter::closeFittingWindow() {
  windows_->Close(Window::CurveFitting);
  en("MenuCurveFitting", false);
  en("ButtonFineAdjustment", false);
}

void MainPresenter::refreshReports() {
  windows_->RefreshSampleCondition();
  windows_->RebuildObtainedResults();
}

bool MainPresenter::saveTo(std::string& field, const std::string& path, const std::function<bool()>& writer) {
  return SaveTo(*view_, field, path, writer);
}

bool MainPresenter::loadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader) {
  return LoadFrom(field, path, reader);
}

std::string MainPresenter::proposedName(FileStage stage, const std::string& replacement) const {
  // The file of that stage, else of the latest stage before it that has one; with none
  // the dialog proposes nothing rather than a bare extension.
  const std::string* files[] = {&a_.ExperimentalDataFile, &a_.AnalysisDataFile, &a_.FermiLevelFile, &a_.AnalysisFile[0],
                                &a_.AnalysisFile[1],      &a_.AnalysisFile[2],  &a_.SimulationFile};
  for (int i = static_cast<int>(stage); i >= 0; --i)
    if (!files[i]->empty()) return ReplaceExtension(*files[i], replacement);
  return "";
}

std::optional<std::string> MainPresenter::askSave(int filterIndex, const std::string& proposed) {
  return view_->AskSaveFile(FileDialog{"", kMainSaveFilter, filterIndex, proposed});
}

std::optional<std::string> MainPresenter::askOpen(int filterIndex, const std::string& proposed) {
  return view_->AskOpenFile(FileDialog{"", kMainOpenFilter, filterIndex, proposed});
}

// ---- Start-up, modes and the full reset ------------------------------------------------

void MainPresenter::FormCreate(bool developerOptionsHidden) {
  a_.DeveloperOptionsHidden = developerOptionsHidden;
  a_.VersionInformation = kVersionInformation;
  a_.ProgramCaption = kProgramCaption;
  view_->SetCaption(kMainWindowCaption);
  setMode(!a_.DeveloperOptionsHidden);
  resetMainWindow();
}

void MainPresenter::setMode(bool advanced) {
  if (advanced) {
    // The mark is added once: switching back and forth must not pile it up in the
    // version line of every file written afterwards.
    for (std::string* text : {&a_.VersionInformation, &a_.ProgramCaption})
      if (!text->ends_with(kManualMark)) *text += kManualMark;
    vis("OptionMain", true);
    for (const char* c : kAdvancedControls) vis(c, true);
    txt("ButtonCalcH1", main_format::kAutoCalculation);
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

void MainPresenter::enableH1Start() {
  en("ButtonCalcH1", true);
  enAll(main_group::kErefSteps, true);
  en("ButtonCalculationH1Precise", true);
}

// ---- Figures -------------------------------------------------------------------------------------

void MainPresenter::saveFigure(const std::string& button, const std::string& chart, FileStage from,
                               const std::string& suffix) {
  command("", [&] {
    if (SaveChartFigure(*view_, FileDialog{"", kMainSaveFilter, save_filter::kFigure, proposedName(from, suffix)},
                        chart))
      en(button, false);
  });
}

void MainPresenter::ButtonSaveFigureConcentration1Click() {
  saveFigure("ButtonSaveFigureConcentration1", "ChartExperimentalLinear", FileStage::Measurement, "Con1.bmp");
}
void MainPresenter::ButtonSaveFigureConcentration2Click() {
  saveFigure("ButtonSaveFigureConcentration2", "ChartExperimentalLog", FileStage::Measurement, "Con2.bmp");
}
void MainPresenter::ButtonSaveFigureFermiClick() {
  saveFigure("ButtonSaveFigureFermi", "ChartFermiLevel", FileStage::Fermi, "Fermi.bmp");
}
void MainPresenter::ButtonSaveFigureH1Click() { saveFigure("ButtonSaveFigureH1", "ChartH1", FileStage::H1, "H1.bmp"); }
void MainPresenter::ButtonSaveFigureH2Click() { saveFigure("ButtonSaveFigureH2", "ChartH2", FileStage::H2, "H2.bmp"); }
void MainPresenter::ButtonSaveFigureH3Click() { saveFigure("ButtonSaveFigureH3", "ChartH3", FileStage::H3, "H3.bmp"); }
void MainPresenter::ButtonSaveFigureSimulation1Click() {
  saveFigure("ButtonSaveFigureSimulation1", "ChartSimulationReverseT", FileStage::Simulation, "SimH1.bmp");
}
void MainPresenter::ButtonSaveFigureSimulation2Click() {
  saveFigure("ButtonSaveFigureSimulation2", "ChartSimulationT", FileStage::Simulation, "SimH2.bmp");
}

}  // namespace korv::ui
