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

#include "core/Analysis.h"
#include "presenters/common/View.h"
#include "presenters/common/Windows.h"
#include "presenters/data/RemarksTexts.h"

// Every command of the main window by the name of its handler, written once: each is a
// member `void name()` of MainPresenter, and Invoke("name") runs it. The three lists
// are tabs 1 and 2 with the menus, the figures, and tabs 3 to 6.
#define KORV_MAIN_DATA_HANDLERS(X)             \
  X(ButtonInputDataClick)                      \
  X(ButtonLoadExperimentalClick)               \
  X(LoadExperimentalClick)                     \
  X(ButtonChangeDataClick)                     \
  X(ButtonCalcSplineClick)                     \
  X(ButtonSaveSplineClick)                     \
  X(LoadSplineClick)                           \
  X(ButtonInputChangeInformationClick)         \
  X(ButtonCalcEffectiveDensityOfStatesClick)   \
  X(ButtonCalcFermiLevelClick)                 \
  X(ButtonSaveFermiLevelClick)                 \
  X(ButtonSaveExperimentalFermiLevelDataClick) \
  X(LoadFermiLevelClick)                       \
  X(AllClearMainClick)                         \
  X(PrintMainClick)                            \
  X(ExitMainClick)                             \
  X(EditorMainClick)                           \
  X(SampleConditionClick)                      \
  X(ObtainedResultsClick)                      \
  X(AutomaticEvaluationTypeClick)              \
  X(TypeOfFunctionClick)                       \
  X(NormalModeClick)                           \
  X(AdvancedModeClick)                         \
  X(MenuExcitedStatesClick)                    \
  X(MenuDXCenterClick)                         \
  X(MenuInverseTClick)                         \
  X(MenuInverseTComClick)                      \
  X(MenuDHESClick)                             \
  X(MenuCurveFittingClick)                     \
  X(VersionClick)                              \
  X(InformationClick)                          \
  X(HelpClick)                                 \
  X(InformationSemiconductorClick)             \
  X(ButtonSeeInformationClick)
#define KORV_MAIN_FIGURE_HANDLERS(X)     \
  X(ButtonSaveFigureConcentration1Click) \
  X(ButtonSaveFigureConcentration2Click) \
  X(ButtonSaveFigureFermiClick)          \
  X(ButtonSaveFigureH1Click)             \
  X(ButtonSaveFigureH2Click)             \
  X(ButtonSaveFigureH3Click)             \
  X(ButtonSaveFigureSimulation1Click)    \
  X(ButtonSaveFigureSimulation2Click)
#define KORV_MAIN_ANALYSIS_HANDLERS(X) \
  X(ButtonCalcH1Click)                 \
  X(ButtonDecreaseErefH1Click)         \
  X(ButtonIncreaseErefH1Click)         \
  X(ButtonDecreaseErefH1PreciseClick)  \
  X(ButtonIncreaseErefH1PreciseClick)  \
  X(ButtonCalculationH1PreciseClick)   \
  X(ButtonDecreasePeakH1Click)         \
  X(ButtonIncreasePeakH1Click)         \
  X(ButtonDecreasePeakH2Click)         \
  X(ButtonIncreasePeakH2Click)         \
  X(ButtonDecreasePeakH3Click)         \
  X(ButtonIncreasePeakH3Click)         \
  X(ButtonEvaluation1Click)            \
  X(ButtonEvaluation2Click)            \
  X(ButtonEvaluation3Click)            \
  X(ButtonSaveH1Click)                 \
  X(ButtonSaveH2Click)                 \
  X(ButtonSaveH3Click)                 \
  X(ButtonSaveExperimentalH1DataClick) \
  X(ButtonSaveExperimentalH2DataClick) \
  X(ButtonSaveExperimentalH3DataClick) \
  X(ButtonCalcH2Click)                 \
  X(ButtonCalcH3Click)                 \
  X(ButtonUseNegativeNcomClick)        \
  X(ButtonSimulationClick)             \
  X(ButtonSaveSimulationClick)         \
  X(ButtonSeeResultsClick)             \
  X(ButtonSaveResultsClick)            \
  X(ButtonFineAdjustmentClick)
#define KORV_MAIN_HANDLERS(X) KORV_MAIN_DATA_HANDLERS(X) KORV_MAIN_FIGURE_HANDLERS(X) KORV_MAIN_ANALYSIS_HANDLERS(X)

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

class MainPresenter {
 public:
  explicit MainPresenter(Analysis& record);

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

  // ---- The commands (KORV_MAIN_HANDLERS) ---------------------------------------------------
#define KORV_DECLARE_HANDLER(name) void name();
  KORV_MAIN_HANDLERS(KORV_DECLARE_HANDLER)
#undef KORV_DECLARE_HANDLER
  // The tab control showed `page` ("TabSheet6").
  void PageControl1Change(const std::string& page);

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
  template <std::size_t N>
  void enAll(const char* const (&controls)[N], bool enabled) {
    for (const char* c : controls) en(c, enabled);
  }
  // "Calculation" of H1 and, in Advanced mode, its E_ref steps.
  void enableH1Start();
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
  RemarksTexts remarks;  // the remarks dialog keeps the texts of its last preparation
  Operations operations_;

  Analysis& a_;
  bool fermiReady_ = false;  // the Fermi level saved or loaded: H1 can start
  View* view_ = nullptr;
  Windows* windows_ = nullptr;
  std::map<std::string, std::function<void()>> handlers_;
};

}  // namespace korv::ui
