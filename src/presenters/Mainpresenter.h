// The logic of the main window TFormMain, without any toolkit: every command of the
// step-by-step workflow and of the successive H analysis, the enabling state machine,
// captions, label texts, chart content, file dialogs and messages. The window (or the
// in-memory view of korv-batch and the tests) forwards each user event to the handler
// of the same name and carries out what the presenter asks through View and Windows.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Hallanalysis.h"
#include "presenters/Remarks.h"
#include "presenters/View.h"
#include "presenters/Windows.h"

namespace korv::ui {

inline constexpr const char* kMainOpenFilter =
    "Experimental Data (*.nT or *.pT)|*.nT;*.pT|Data forAnalysis (*.spl)|*.spl|Fermi Level (*.fl)|*.fl";
inline constexpr const char* kMainSaveFilter =
    "Data for Analysis (*.spl)|*.spl|Fermi Level (*.fl)|*.fl|H1 (*.H1)|*.H1|H2 (*.H2)|*.H2|H3 (*.H3)|*.H3|"
    "Simulated Concentartion (*.simH, *.simS)|*.simH;*.simS|S1 (*.S1)|*.S1|S2 (*.S2)|*.S2|S3 (*.S3)|*.S3|"
    "Figure (*.bmp)|*.bmp|Experimental H1 (*.H1E)|*.H1E|Experimental S1 (*.S1E)|*.S1E|"
    "Experimental Fermi level (*.flE)|*.flE|Experimental H2 (*.H2E)|*.H2E|Experimental S2 (*.S2E)|*.S2E|"
    "Experimental H3 (*.H3E)|*.H3E|Experimental S3 (*.S3E)|*.S3E";

// Entries of the two filter lists (1-based, the index a file dialog takes).
namespace open_filter {
inline constexpr int kMeasurement = 1;
inline constexpr int kSpline = 2;
inline constexpr int kFermiLevel = 3;
}  // namespace open_filter

namespace save_filter {
inline constexpr int kSpline = 1;
inline constexpr int kFermiLevel = 2;
inline constexpr int kH[] = {3, 4, 5};  // H1, H2, H3
inline constexpr int kSimulation = 6;
inline constexpr int kS[] = {7, 8, 9};  // S1, S2, S3
inline constexpr int kFigure = 10;
inline constexpr int kExperimentalH[] = {11, 14, 16};
inline constexpr int kExperimentalS[] = {12, 15, 17};
inline constexpr int kExperimentalFermiLevel = 13;
}  // namespace save_filter

// The page of this version's changes that "Information on Latest Version" shows, a file
// beside the help file.
inline constexpr const char* kReleaseNotesPage = "ReleaseNotes.html";

inline constexpr const char* kVersionInformation = "Version 1.51 (2004/6/2)";
inline constexpr const char* kProgramCaption = "KORV Ver. 1.51";

// `path` with its extension (and the dot) replaced by `replacement`: (".spl") gives the
// next stage's file, ("Con1.bmp") a figure name. A name without extension gets it appended.
std::string ReplaceExtension(const std::string& path, const std::string& replacement);

class TFormMainPresenter {
 public:
  explicit TFormMainPresenter(Analysis& record);

  // The window and the rest of the program; both must outlive the presenter's use.
  // Attaching also routes the record's progress and messages to the view.
  void Attach(View& view, Windows& windows);

  // Creation of the window: version texts, mode, full reset. The program passes true;
  // false keeps the Option menu and Advanced mode reachable.
  void FormCreate(bool developerOptionsHidden = true);

  // ---- Window state (read only; the commands change it) -------------------------------
  bool KeyboardEntryRequested() const { return keyboardEntryRequested; }
  bool SheetDataSaved() const { return sheetDataSaved; }
  bool ConvertedDataSaved() const { return convertedDataSaved; }
  bool NegativeNcomInUse() const { return negativeNcomInUse; }
  // -1, or the analysis (0 = H1) whose level came out shallower than the lowest-temperature
  // energy and needs a remark.
  int UnreliableLevel() const { return unreliableLevel; }

  // ---- Seams ----------------------------------------------------------------------------
  // The pipeline operations whose results steer the H tabs most. The program keeps the
  // engine's own; a test or a script may replace one to hand the window a result it needs
  // (a peak below the previous one, a level that was not accepted, a failed step).
  struct Operations {
    std::function<bool(Analysis&, int)> calculateH = [](Analysis& a, int k) { return a.CalculateH(k); };
    std::function<bool(Analysis&, int)> evaluate = [](Analysis& a, int k) { return a.Evaluate(k); };
    std::function<bool(Analysis&, int, bool)> stepPeak = [](Analysis& a, int k, bool higher) {
      return higher ? a.StepToHigherPeak(k) : a.StepToLowerPeak(k);
    };
  };
  Operations& Pipeline() { return operations_; }
  // Starts from a remark level as an evaluation leaves it (for a script that resumes a
  // session, or a test of the Simulation tab).
  void SetUnreliableLevel(int level) { unreliableLevel = level; }

  // ---- Window routines --------------------------------------------------------------
  void setMode(bool advanced);
  void resetMainWindow();
  void resetSideMenus();
  void resetDataDisplay();
  void resetSplineDisplay();
  void resetFermiDisplay();
  void resetH1Display();
  void resetH2Display();
  void resetH2Evaluation();
  void resetH3Display();
  void resetH3Evaluation();
  void resetSimulationDisplay();
  void showNeutralCaptions();
  void showConductionTypeCaptions();
  void showFunctionTypeCaptions();
  void applyMaterialParameters();

  // ---- Tabs 1 and 2, menus ------------------------------------------------------------
  void ButtonInputDataClick();
  void ButtonLoadExperimentalClick();
  void LoadExperimentalClick();
  void ButtonChangeDataClick();
  void ButtonCalcSplineClick();
  void ButtonSaveSplineClick();
  void LoadSplineClick();
  void ButtonInputChangeInformationClick();
  void ButtonCalcEffectiveDensityOfStatesClick();
  void ButtonCalcFermiLevelClick();
  void ButtonSaveFermiLevelClick();
  void ButtonSaveExperimentalFermiLevelDataClick();
  void LoadFermiLevelClick();
  void AllClearMainClick();
  void PrintMainClick();
  void ExitMainClick();
  void EditorMainClick();
  void SampleConditionClick();
  void ObtainedResultsClick();
  void AutomaticEvaluationTypeClick();
  void TypeOfFunctionClick();
  void NormalModeClick();
  void AdvancedModeClick();
  void MenuExcitedStatesClick();
  void MenuDXCenterClick();
  void MenuInverseTClick();
  void MenuInverseTComClick();
  void MenuDHESClick();
  void MenuCurveFittingClick();
  void VersionClick();
  void InformationClick();
  void HelpClick();
  void InformationSemiconductorClick();
  void ButtonSeeInformationClick();
  // The tab control showed `page` ("TabSheet6").
  void PageControl1Change(const std::string& page);

  // ---- Figures ----------------------------------------------------------------------------
  void ButtonSaveFigureConcentration1Click();
  void ButtonSaveFigureConcentration2Click();
  void ButtonSaveFigureFermiClick();
  void ButtonSaveFigureH1Click();
  void ButtonSaveFigureH2Click();
  void ButtonSaveFigureH3Click();
  void ButtonSaveFigureSimulation1Click();
  void ButtonSaveFigureSimulation2Click();

  // ---- Tabs 3 to 6 --------------------------------------------------------------------------
  void ButtonCalcH1Click();
  void ButtonDecreaseErefH1Click();
  void ButtonIncreaseErefH1Click();
  void ButtonDecreaseErefH1PreciseClick();
  void ButtonIncreaseErefH1PreciseClick();
  void ButtonCalculationH1PreciseClick();
  void ButtonDecreasePeakH1Click();
  void ButtonIncreasePeakH1Click();
  void ButtonDecreasePeakH2Click();
  void ButtonIncreasePeakH2Click();
  void ButtonDecreasePeakH3Click();
  void ButtonIncreasePeakH3Click();
  void ButtonEvaluation1Click();
  void ButtonEvaluation2Click();
  void ButtonEvaluation3Click();
  void ButtonSaveH1Click();
  void ButtonSaveH2Click();
  void ButtonSaveH3Click();
  void ButtonSaveExperimentalH1DataClick();
  void ButtonSaveExperimentalH2DataClick();
  void ButtonSaveExperimentalH3DataClick();
  void ButtonCalcH2Click();
  void ButtonCalcH3Click();
  void ButtonUseNegativeNcomClick();
  void ButtonSimulationClick();
  void ButtonSaveSimulationClick();
  void ButtonSeeResultsClick();
  void ButtonSaveResultsClick();
  void ButtonFineAdjustmentClick();

  // ---- The option dialogs' effect on the record and this window --------------------------
  // A click on RadioButtonFunction1 (1, S function) or RadioButtonFunction2 (2, H function).
  void RadioButtonFunctionClick(int functionType);
  void ComboBoxAutomaticEvaluationTypeChange(const std::string& text);

  // ---- Scripted use ------------------------------------------------------------------------
  // Runs the handler of that name ("ButtonCalcSplineClick", "LoadSplineClick") as a click
  // on its control would: false, doing nothing, when the control is disabled or hidden.
  // Throws std::invalid_argument for a name that is no handler.
  bool Invoke(const std::string& handler);
  std::vector<std::string> HandlerNames() const;

 private:
  enum class Stage { Spline, DensityOfStates, Analyses, First, Second, Third, Simulation };
  // The files of the chain, in its order.
  enum class FileStage { Measurement, Spline, Fermi, H1, H2, H3, Simulation };

  // Runs one command: an error ends it with an error box, the cursor back to normal, the
  // progress windows closed, and `reenable` (the pressed button) enabled again.
  void command(const std::string& reenable, const std::function<void()>& body);
  // What a reset over the chain does besides clearing each stage and its display.
  struct Reset {
    bool firstRecord = true;           // false: the first stage's record stays (its calculation is redone)
    bool evaluationOnly = false;       // the first stage's display keeps its curve, only its evaluation goes
    bool dropCompensation = false;     // CompensatingDensity := 0
    bool calculationCaptions = false;  // the three H "Calculation" captions back
    bool conductionCaptions = false;   // the loaded measurement's conduction-type captions again
  };
  // The one table of stage resets: from `from` to the end of the chain, the record's stage
  // clears in chain order, then the display resets in the same order.
  void resetFrom(Stage from, const Reset& how);
  void resetFrom(Stage from);
  // Invalidate from a stage: the reset with every option, and whatever the cleared stages
  // fed disabled.
  void invalidateFrom(Stage stage);
  static Stage analysisStage(int k);  // Stage::First for H1 ...
  void resetH1Evaluation();
  // The remark level of analysis `from` (0 = H1) or a later one goes with its results.
  void dropUnreliableLevel(int from);
  // The H2 toggle's flag and caption, always together.
  void setNegativeNcom(bool inUse);
  // No compensating density carried into a later analysis any more.
  void dropCarriedCompensation();
  void clearAfterPeakStep(int k);
  void closeSideWindows();
  void disableSideMenus();
  void closeLateWindows();
  void closeFittingWindow();
  void closeProgressWindows();
  void refreshReports();

  // Runs a writer with `field` set to `path`; a failed writer gets the old name back.
  bool saveTo(std::string& field, const std::string& path, const std::function<bool()>& writer);
  // Runs a reader with `field` set to `path`; a failed reader gets the old name back.
  bool loadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader);
  std::optional<std::string> askSave(int filterIndex, const std::string& proposed);
  std::optional<std::string> askOpen(int filterIndex, const std::string& proposed);
  void saveFigure(const std::string& button, const std::string& chart, FileStage from, const std::string& suffix);
  // The name a dialog proposes: the file of `stage` (or of the latest earlier stage that
  // has one) with its extension replaced.
  std::string proposedName(FileStage stage, const std::string& replacement) const;

  void loadExperimental(bool fromButton);
  void clearForH1Calculation();
  void calcH(int k);
  void peakStep(int k, bool higher);
  void evaluation(int k);
  void saveH(int k);
  void saveExperimentalH(int k);
  void erefStep(double delta);
  void showCarriedDensity(int k);
  bool sFunction() const { return a_.FunctionType == 1; }

  void en(const std::string& control, bool enabled);
  void txt(const std::string& control, const std::string& text);
  void chk(const std::string& control, bool checked);
  void vis(const std::string& control, bool visible);
  void busy();
  void normal();

  bool keyboardEntryRequested = false;
  bool sheetDataSaved = false;
  bool convertedDataSaved = false;
  bool negativeNcomInUse = false;
  int unreliableLevel = -1;
  TFormRemarks remarks;  // the remarks dialog keeps the texts of its last preparation
  Operations operations_;

  Analysis& a_;
  bool fermiReady_ = false;  // the Fermi level saved or loaded: H1 can start
  View* view_ = nullptr;
  Windows* windows_ = nullptr;
  std::map<std::string, std::function<void()>> handlers_;
};

}  // namespace korv::ui
