// Tabs 1 and 2 of the main window and its menus: the measurement, the spline, the
// material and the density of states, the Fermi level; the menu commands that open the
// other windows. The H tabs are in MainAnalysisTabs.cpp.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/Error.h"
#include "core/Numbers.h"
#include "materials/MaterialTable.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

using main_format::kCalculation;
using main_format::kDensity;
constexpr double kLargestMaterialValue = 1000;
const char* kNoSpline = "There are no data for analysis: calculate or load the spline first.";

double dosShown(double coefficient) { return coefficient / std::pow(phys::K_BOLTZMANN, 1.5); }

}  // namespace

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

void MainPresenter::ButtonInputDataClick() {
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

void MainPresenter::loadExperimental(bool fromButton) {
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
    // A new measurement starts on its own data, whatever tab the last one ended on.
    view_->SetCurrentPage(kMainPageControl, "TabSheet1");
    loaded = true;
  });
  // Only the button invalidates once more; after the full reset its one visible effect
  // is the caption "Calculation" of ButtonCalcH1 in Advanced mode.
  if (loaded && fromButton) invalidateFrom(Stage::Spline);
}

void MainPresenter::ButtonLoadExperimentalClick() { loadExperimental(true); }
void MainPresenter::LoadExperimentalClick() { loadExperimental(false); }

void MainPresenter::ButtonChangeDataClick() {
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

void MainPresenter::ButtonCalcSplineClick() {
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
    PlotSplineResiduals(a_, *view_);
    en("ButtonSaveSpline", true);
    invalidateFrom(Stage::DensityOfStates);
    en("ButtonSaveFigureConcentration1", false);
    en("ButtonSaveFigureConcentration2", false);
    en("LoadFermiLevel", false);
    closeSideWindows();
    disableSideMenus();
    // Said after the spline is shown, so that the residual chart is there to look at.
    if (const std::string warning = SplineWarning(a_); !warning.empty()) view_->ShowNotice(warning);
  });
}

void MainPresenter::ButtonSaveSplineClick() {
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

void MainPresenter::LoadSplineClick() {
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
    PlotSplineResiduals(a_, *view_);
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

void MainPresenter::ButtonInputChangeInformationClick() {
  command("", [&] {
    for (const char* c :
         {"EditMass", "EditEquivalentMinima", "EditEffectiveDensityOfStates", "ButtonCalcEffectiveDensityOfStates"})
      en(c, true);
    en("ButtonCalcFermiLevel", false);
    en("ButtonSaveFermiLevel", false);
  });
}

void MainPresenter::ButtonCalcEffectiveDensityOfStatesClick() {
  command("", [&] {
    a_.EffectiveMass = ParseReal(view_->Text("EditMass"));
    a_.EquivalentMinima = phys::IsNType(a_.ConductionType) ? ParseReal(view_->Text("EditEquivalentMinima")) : 1.0;
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

void MainPresenter::ButtonCalcFermiLevelClick() {
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
    enAll(main_group::kLateCommands, false);
  });
}

void MainPresenter::ButtonSaveFermiLevelClick() {
  command("", [&] {
    const auto path = askSave(save_filter::kFermiLevel, proposedName(FileStage::Spline, ".fl"));
    if (!path) return;
    if (!saveTo(a_.FermiLevelFile, *path, [&] { return a_.SaveFermiLevelFile(); })) return;
    txt("LabelFilenameFermiLevel", *path);
    fermiReady_ = true;
    en("ButtonSaveFermiLevel", false);
    en("ButtonSaveFigureFermi", true);
    enableH1Start();
    en("ButtonSaveExperimentalFermiLevelData", true);
    refreshReports();
    enAll(main_group::kFermiMenus, true);
  });
}

void MainPresenter::ButtonSaveExperimentalFermiLevelDataClick() {
  command("", [&] {
    const auto path = askSave(save_filter::kExperimentalFermiLevel, proposedName(FileStage::Fermi, ".flE"));
    if (!path) return;
    if (!saveTo(a_.ExperimentalFermiLevelFile, *path, [&] { return a_.SaveExperimentalFermiLevelFile(); })) return;
    en("ButtonSaveExperimentalFermiLevelData", false);
  });
}

void MainPresenter::LoadFermiLevelClick() {
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
    enableH1Start();
    en("ButtonSimulation", true);
    refreshReports();
    closeSideWindows();
    enAll(main_group::kFermiMenus, true);
    enAll(main_group::kLateCommands, false);
  });
}

// ---- Menus -------------------------------------------------------------------------------------

void MainPresenter::AllClearMainClick() {
  command("", [&] {
    resetMainWindow();
    a_.AutoEvaluationType = "Type-B";
    a_.CompensatingDensity = 0;
    txt("ButtonCalcH1", a_.ManualMode ? main_format::kAutoCalculation : kCalculation);
    txt("ButtonCalcH2", kCalculation);
    txt("ButtonCalcH3", kCalculation);
    windows_->RefreshSampleCondition();
    windows_->ResetObtainedResults();
    closeSideWindows();
    disableSideMenus();
  });
}

void MainPresenter::PrintMainClick() {
  command("", [&] { windows_->PrintMainWindow(); });
}
void MainPresenter::ExitMainClick() { windows_->CloseMainWindow(); }
void MainPresenter::EditorMainClick() {
  command("", [&] { windows_->Show(Window::FileViewer); });
}
void MainPresenter::SampleConditionClick() {
  command("", [&] { windows_->Show(Window::SampleCondition); });
}
void MainPresenter::ObtainedResultsClick() {
  command("", [&] { windows_->Show(Window::ObtainedResults); });
}

void MainPresenter::AutomaticEvaluationTypeClick() {
  command("", [&] {
    windows_->ShowAutomaticEvaluationType(a_.AutoEvaluationType,
                                          [this](const std::string& t) { ComboBoxAutomaticEvaluationTypeChange(t); });
  });
}

void MainPresenter::ComboBoxAutomaticEvaluationTypeChange(const std::string& text) { a_.AutoEvaluationType = text; }

void MainPresenter::TypeOfFunctionClick() {
  command("", [&] { windows_->ShowFunctionType(a_.FunctionType, [this](int v) { RadioButtonFunctionClick(v); }); });
}

void MainPresenter::RadioButtonFunctionClick(int functionType) {
  a_.FunctionType = functionType;
  setNegativeNcom(false);
  resetFrom(Stage::Analyses);
  // H1 needs the saved or loaded Fermi level, not just a grid.
  if (fermiReady_ && GridLength(a_) > 10) en("ButtonCalcH1", true);
  showFunctionTypeCaptions();
}

void MainPresenter::NormalModeClick() { setMode(false); }
void MainPresenter::AdvancedModeClick() { setMode(true); }

void MainPresenter::MenuExcitedStatesClick() {
  command("", [&] { windows_->Show(Window::ExcitedStates); });
}
// "DX Center" has no command: the menu item exists for a window no analysis uses yet.
void MainPresenter::MenuDXCenterClick() {}
void MainPresenter::MenuInverseTClick() {
  command("", [&] { windows_->Show(Window::OneImpurity); });
}
void MainPresenter::MenuInverseTComClick() {
  command("", [&] { windows_->Show(Window::DonorAcceptor); });
}
void MainPresenter::MenuDHESClick() {
  command("", [&] { windows_->Show(Window::Dhes); });
}
void MainPresenter::MenuCurveFittingClick() {
  command("", [&] { windows_->Show(Window::CurveFitting); });
}
void MainPresenter::VersionClick() { windows_->ShowAbout(); }
void MainPresenter::InformationClick() { windows_->ShowHelpAddress(kReleaseNotesPage); }
void MainPresenter::HelpClick() { windows_->Show(Window::Help); }
void MainPresenter::InformationSemiconductorClick() {
  command("", [&] { windows_->Show(Window::InformationSemiconductor); });
}
void MainPresenter::ButtonSeeInformationClick() { InformationSemiconductorClick(); }
void MainPresenter::ButtonFineAdjustmentClick() { MenuCurveFittingClick(); }

void MainPresenter::PageControl1Change(const std::string& page) {
  if (page != "TabSheet6") return;
  if (unreliableLevel < 0)
    en("ButtonSeeResults", false);
  else if (a_.CompensatingDensity > 0)
    en("ButtonSeeResults", true);
}

}  // namespace korv::ui
