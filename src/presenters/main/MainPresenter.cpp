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

std::string ReplaceExtension(const std::string& path, const std::string& replacement) {
  const auto slash = path.find_last_of("/\\");
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + replacement;
  return path.substr(0, dot) + replacement;
}

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

bool MainPresenter::loadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader) {
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
