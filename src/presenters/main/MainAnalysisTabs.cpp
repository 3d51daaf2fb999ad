// The H tabs and the Simulation tab of the main window: the H1 calculations and E_ref
// steps, the peak steps, evaluations and saves of H1 to H3, the H2 and H3 recalculation
// loop, the simulation and the remarks.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/Numbers.h"
#include "core/Plausibility.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

using main_format::kAgain;
using main_format::kCalculation;
using main_format::kDensity;
using main_format::kEnergy;
const char* const kErefPattern = main_format::kEref;

std::string s(int k) { return std::to_string(k); }

}  // namespace

// ---- The H tabs: shared pieces ------------------------------------------------------------------

void MainPresenter::showCarriedDensity(int k) {
  const std::string d = FormatPattern(a_.CompensatingDensity, kDensity);
  txt(k == 2 ? "LabelComDensityH2" : "LabelComDensityH3", d);
  txt("EditSCDensity", d);
  chk("CheckBox4", true);
}

// ---- H1 ----------------------------------------------------------------------------------------------

// Both H1 calculations first clear the later analyses and drop any carried compensation.
void MainPresenter::clearForH1Calculation() {
  // H1's own record is overwritten by the calculation; its whole tab starts again.
  resetFrom(Stage::First, Reset{.firstRecord = false});
  if (a_.CompensationAnalysis >= 0) {
    dropCarriedCompensation();
    txt("ButtonCalcH2", kCalculation);
    txt("ButtonCalcH3", kCalculation);
  }
  setNegativeNcom(false);
}

void MainPresenter::ButtonCalcH1Click() {
  command("ButtonCalcH1", [&] {
    busy();
    en("MenuExcitedStates", false);
    clearForH1Calculation();
    if (!operations_.calculateH(a_, 0)) {
      view_->ShowError("H1 could not be calculated.");
      normal();
      en("ButtonCalcH1", true);
      return;
    }
    normal();
    en("ButtonCalcH1", true);
    a_.RecalculationRequested = false;
    a_.RecalculationFailed = false;
    view_->ClearSeries("ChartH1", series::kExperimentalH);
    if (a_.CalculateExperimentalH(0) && a_.ManualMode) {
      txt("ButtonCalcH1", main_format::kAutoCalculation);
      PlotExperimentalH(a_, *view_, 1, false);
    }
    txt("LabelEref1", FormatPattern(a_.Eref[0], kErefPattern));
    PlotH(a_, *view_, 1);
    MarkPeak(a_, *view_, 1);
    const bool inner = PeakIsInner(a_, 1);
    en("ButtonEvaluation1", inner);
    if (inner) {
      en("ButtonDecreasePeakH1", true);
      en("ButtonIncreasePeakH1", true);
    } else {
      view_->ShowNotice("No level can be evaluated: " + NoPeakReason(a_, 1) + ".");
    }
    en("ButtonCalculationH1Precise", true);
    enAll(main_group::kErefSteps, true);
    en("ButtonSaveExperimentalH1Data", true);
    closeLateWindows();
  });
}

void MainPresenter::erefStep(double delta) {
  command("", [&] {
    const double e = ParseReal(view_->Text("LabelEref1")) + delta;
    txt("LabelEref1", FormatPattern(e, kErefPattern));
    for (int i = 0; i < 4; ++i) view_->ClearSeries("ChartH1", i);
  });
}

void MainPresenter::ButtonDecreaseErefH1Click() { erefStep(-0.001); }
void MainPresenter::ButtonIncreaseErefH1Click() { erefStep(0.001); }
void MainPresenter::ButtonDecreaseErefH1PreciseClick() { erefStep(-1e-6); }
void MainPresenter::ButtonIncreaseErefH1PreciseClick() { erefStep(1e-6); }

void MainPresenter::ButtonCalculationH1PreciseClick() {
  command("ButtonCalculationH1Precise", [&] {
    busy();
    en("MenuExcitedStates", false);
    a_.Eref[0] = ParseReal(view_->Text("LabelEref1"));
    clearForH1Calculation();
    a_.KeepSearchStart = false;
    if (!a_.CalculateHAtEref(0)) {
      view_->ShowError("H1 could not be calculated.");
      normal();
      en("ButtonCalculationH1Precise", true);
      return;
    }
    normal();
    en("ButtonCalculationH1Precise", true);
    en("ButtonSaveExperimentalH1Data", true);
    a_.RecalculationRequested = false;
    a_.RecalculationFailed = false;
    view_->ClearSeries("ChartH1", series::kExperimentalH);
    if (a_.CalculateExperimentalH(0)) PlotExperimentalH(a_, *view_, 1, true);
    txt("LabelEref1", FormatPattern(a_.Eref[0], kErefPattern));
    PlotH(a_, *view_, 1);
    a_.PeakIndex[0] = 0;
    if (!operations_.stepPeak(a_, 0, true)) {
      view_->ShowError("The peak could not be founded.");
      return;
    }
    MarkPeak(a_, *view_, 1);
    en("ButtonEvaluation1", PeakIsInner(a_, 1));
    if (!PeakIsInner(a_, 1)) view_->ShowNotice("No level can be evaluated: " + NoPeakReason(a_, 1) + ".");
    for (const char* b : {"ButtonDecreasePeakH1", "ButtonIncreasePeakH1"}) en(b, true);
    txt("LabelEref1", FormatPattern(a_.Eref[0], kErefPattern));
    en("ButtonCalcH1", true);
    enAll(main_group::kErefSteps, true);
    closeLateWindows();
  });
}

// ---- Peak steps, evaluations, saves (k = 1, 2, 3) --------------------------------------------------

void MainPresenter::peakStep(int k, bool higher) {
  command("", [&] {
    if (k == 1 || (k == 2 && a_.CompensationAnalysis == 1) || (k == 3 && a_.CompensationAnalysis == 2))
      a_.EvaluationFinished = false;
    const std::string chart = "ChartH" + s(k);
    view_->ClearSeries(chart, series::kSimulatedH);
    view_->ClearSeries(chart, series::kPeak);
    if (!operations_.stepPeak(a_, k - 1, higher)) {
      view_->ShowError(higher ? "The higher peak could not be founded." : "The lower peak could not be founded.");
      return;
    }
    // Another peak: the evaluation of this analysis and everything after it are gone.
    clearAfterPeakStep(k);
    MarkPeak(a_, *view_, k);
    en("ButtonEvaluation" + s(k), PeakIsInner(a_, k));
    if (k == 1)
      closeLateWindows();
    else
      closeFittingWindow();
  });
}

void MainPresenter::clearAfterPeakStep(int k) {
  resetFrom(analysisStage(k), Reset{.firstRecord = false, .evaluationOnly = true});
  if (k == 1) {
    if (a_.CompensationAnalysis >= 0) {
      dropCarriedCompensation();
      txt("ButtonCalcH2", kCalculation);
      txt("ButtonCalcH3", kCalculation);
    }
    setNegativeNcom(false);
  } else if (k == 2 && a_.CompensationAnalysis >= 1) {
    a_.DropCarriedCompensation();
    txt("ButtonCalcH3", kCalculation);
  }
}

void MainPresenter::ButtonDecreasePeakH1Click() { peakStep(1, false); }
void MainPresenter::ButtonIncreasePeakH1Click() { peakStep(1, true); }
void MainPresenter::ButtonDecreasePeakH2Click() { peakStep(2, false); }
void MainPresenter::ButtonIncreasePeakH2Click() { peakStep(2, true); }
void MainPresenter::ButtonDecreasePeakH3Click() { peakStep(3, false); }
void MainPresenter::ButtonIncreasePeakH3Click() { peakStep(3, true); }

void MainPresenter::evaluation(int k) {
  const std::string K = s(k), button = "ButtonEvaluation" + K;
  command(button, [&] {
    busy();
    en(button, false);
    a_.DegeneracyFactor[k - 1] = ParseReal(view_->Text("EditGH" + K));
    if (!operations_.evaluate(a_, k - 1)) {
      if (k == 2 && a_.RecalculationRequested) {
        view_->ShowNotice("Calculation of reasonable H2 is carried out again.");
        normal();
        en("ButtonCalcH2", true);
        txt("ButtonCalcH2", kAgain);
        a_.CompensatingDensity = a_.TemporaryCompensatingDensity[0];
        showCarriedDensity(2);
      } else {
        static const char* const failed[] = {"First density and energy level could not be evaluated.",
                                             "Second density and energy level could not be evaluated.",
                                             "Third density and energy level could not be evaluated."};
        view_->ShowError(failed[k - 1]);
        normal();
        en(button, true);
      }
      closeProgressWindows();
      return;
    }
    normal();
    if (!a_.LevelInRange) {
      // The message of the level fit that was adopted: the plain range message stays
      // empty on the usual path and would give an empty box.
      const std::string& adopted = a_.AdoptedLevelRangeMessage[k - 1];
      view_->ShowError(adopted.empty() ? a_.LevelRangeMessage[k - 1] : adopted);
      for (const char* l : {"LabelDensity", "LabelEnergy", "LabelCDensity"}) txt(l + K, "0");
      txt("LabelPlausibilityH" + K, "");
      txt("LabelNegativeNcomH" + K, "");
      en("ButtonSaveH" + K, false);
      closeProgressWindows();
      return;
    }
    resetFrom(analysisStage(k + 1));  // the analyses after this one (k = 3: the simulation)
    txt("LabelDensity" + K, FormatPattern(a_.Density[k - 1], kDensity));
    txt("LabelEnergy" + K, FormatPattern(a_.EnergyLevel[k - 1], kEnergy));
    txt("LabelCDensity" + K, FormatPattern(a_.TemporaryCompensatingDensity[k - 1], kDensity));
    {
      // The same judgement as korv-batch analyze gives its status.
      const std::string name = (a_.FunctionType == 1 ? "S" : "H") + K;
      const std::string what = ImplausibleLevels({{name, a_.Density[k - 1]}}, a_.Concentration);
      txt("LabelPlausibilityH" + K, what.empty() ? "" : "implausible: " + what);
    }
    txt("LabelNegativeNcomH" + K, a_.TemporaryCompensatingDensity[k - 1] < 0 ? kNegativeNcomNotice : "");
    en("ButtonSaveH" + K, true);
    en("ButtonSaveFigureH" + K, false);
    FillSimulatedH(a_, *view_, k);
    if (k == 1 && a_.ScaledCompensation) {
      closeProgressWindows();
      windows_->ShowCaution();
      windows_->Show(Window::ExcitedStates);
    }
    if (k == 1) {
      txt("LabelDensity1H2", FormatPattern(a_.Density[0], kDensity));
      txt("LabelEnergy1H2", FormatPattern(a_.EnergyLevel[0], kEnergy));
      txt("LabelComDensityH2", FormatPattern(a_.CompensatingDensity, kDensity));
    } else if (k == 2) {
      txt("LabelDensity1H3", FormatPattern(a_.Density[0], kDensity));
      txt("LabelEnergy1H3", FormatPattern(a_.EnergyLevel[0], kEnergy));
      txt("LabelDensity2H3", FormatPattern(a_.Density[1], kDensity));
      txt("LabelEnergy2H3", FormatPattern(a_.EnergyLevel[1], kEnergy));
      txt("LabelComDensityH3", FormatPattern(a_.CompensatingDensity, kDensity));
    }
    if (a_.EnergyLevel[k - 1] < a_.LowestKT) {
      unreliableLevel = k - 1;
      if (k >= 2) {
        remarks.prepare(a_, k - 1);
        if (windows_->ShowRemarks(remarks) == RemarksChoice::EvaluationAgain) {
          a_.CarryCompensation(k - 2);
          txt("LabelComDensityH" + K, FormatPattern(a_.CompensatingDensity, kDensity));
          txt("ButtonCalcH" + K, kAgain);
          en("ButtonSaveH" + K, false);
          chk("CheckBox4", true);
        }
      }
    }
    // DX Center stays disabled: it has no analysis in this version.
    if (k == 1) en("MenuExcitedStates", true);
    closeProgressWindows();
    closeFittingWindow();
  });
}

void MainPresenter::ButtonEvaluation1Click() { evaluation(1); }
void MainPresenter::ButtonEvaluation2Click() { evaluation(2); }
void MainPresenter::ButtonEvaluation3Click() { evaluation(3); }

void MainPresenter::saveH(int k) {
  const std::string K = s(k);
  command("", [&] {
    const FileStage from = k == 1 ? FileStage::Fermi : k == 2 ? FileStage::H1 : FileStage::H2;
    const auto path = askSave(sFunction() ? save_filter::kS[k - 1] : save_filter::kH[k - 1],
                              proposedName(from, (sFunction() ? ".S" : ".H") + K));
    if (!path) return;
    if (!saveTo(a_.AnalysisFile[k - 1], *path, [&] { return a_.SaveAnalysisFile(k - 1); })) return;
    txt("LabelFilenameH" + K, *path);
    en("ButtonSaveH" + K, false);
    en("ButtonSaveFigureH" + K, true);
    if (k < 3) {
      if (a_.CheckSimulatedH(k - 1))
        en("ButtonCalcH" + s(k + 1), true);
      else
        view_->ShowNotice("Evaluation has been completed!");
    }
    for (int i = 1; i <= k; ++i) {
      chk("CheckBox" + s(i), true);
      txt("EditSDensity" + s(i), FormatPattern(a_.Density[i - 1], kDensity));
      txt("EditSEnergy" + s(i), FormatPattern(a_.EnergyLevel[i - 1], kEnergy));
    }
    if (a_.EvaluationFinished) {
      txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
      chk("CheckBox4", true);
    } else {
      txt("EditSCDensity", FormatPattern(a_.TemporaryCompensatingDensity[k - 1], kDensity));
    }
    en("ButtonSimulation", true);
    en("ButtonSaveResults", true);
    refreshReports();
    a_.AutoEvaluationType = "Type-B";
  });
}

void MainPresenter::ButtonSaveH1Click() { saveH(1); }
void MainPresenter::ButtonSaveH2Click() { saveH(2); }
void MainPresenter::ButtonSaveH3Click() { saveH(3); }

void MainPresenter::saveExperimentalH(int k) {
  const std::string K = s(k);
  command("", [&] {
    const std::string ext = (sFunction() ? ".S" : ".H") + K + "E";
    const auto path = askSave(sFunction() ? save_filter::kExperimentalS[k - 1] : save_filter::kExperimentalH[k - 1],
                              proposedName(FileStage::Fermi, ext));
    if (!path) return;
    if (!saveTo(a_.ExperimentalAnalysisFile[k - 1], *path, [&] { return a_.SaveExperimentalAnalysisFile(k - 1); }))
      return;
    en("ButtonSaveExperimentalH" + K + "Data", false);
  });
}

void MainPresenter::ButtonSaveExperimentalH1DataClick() { saveExperimentalH(1); }
void MainPresenter::ButtonSaveExperimentalH2DataClick() { saveExperimentalH(2); }
void MainPresenter::ButtonSaveExperimentalH3DataClick() { saveExperimentalH(3); }

// ---- H2 and H3 calculations ---------------------------------------------------------------------------

void MainPresenter::calcH(int k) {
  const std::string K = s(k), button = "ButtonCalcH" + K, chart = "ChartH" + K;
  const int p = k - 1;  // the previous analysis
  command(button, [&] {
    busy();
    en(button, false);
    for (int i = 0; i < 3; ++i) view_->ClearSeries(chart, i);
    resetFrom(analysisStage(k), Reset{.firstRecord = false, .evaluationOnly = true});
    if (a_.CompensationAnalysis >= k - 1) {
      a_.DropCarriedCompensation();
      if (k == 2) {
        setNegativeNcom(false);
        txt("LabelComDensityH2", "0");
        txt("ButtonCalcH3", kCalculation);
      }
    }
    if (a_.CompensationAnalysis == k - 2) {
      a_.CompensatingDensity = a_.TemporaryCompensatingDensity[p - 1];
      txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
      chk("CheckBox4", true);
      if (k == 2) {
        txt("LabelComDensityH2", FormatPattern(a_.CompensatingDensity, kDensity));
        txt("ButtonCalcH3", kCalculation);
      }
    }
    const std::string again = "Calculation of reasonable H" + K + " is carried out again.";
    auto finished = [&] {
      view_->ShowNotice("Evaluation has been finished!");
      normal();
      en(button, false);
      txt(button, kCalculation);
      a_.RecalculationRequested = false;
      if (k == 3) txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
      chk("CheckBox4", true);
    };
    if (!operations_.calculateH(a_, k - 1)) {
      if (a_.RecalculationRequested) {
        view_->ShowNotice(again);
        normal();
        en(button, true);
        txt(button, kAgain);
        a_.CompensatingDensity = a_.TemporaryCompensatingDensity[p - 1];
        showCarriedDensity(k);
      } else if (k == 2 && a_.EvaluationFinished) {
        finished();
      } else {
        view_->ShowError("Reasonable H" + K + " could not be calculated.");
        normal();
        en(button, true);
        txt(button, kCalculation);
        a_.RecalculationRequested = false;
        if (k == 3) txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
        chk("CheckBox4", true);
      }
      return;
    }
    if (a_.EvaluationFinished && a_.Eref[k - 1] < 0) {
      finished();
      return;
    }
    if (k == 2 && a_.Eref[1] == 0 && a_.PeakIndex[1] >= a_.CheckIndex[0] / 2 && a_.PeakIndex[1] <= a_.PeakIndex[0]) {
      view_->ShowNotice(again);
      normal();
      en(button, true);
      txt(button, kAgain);
      if (!a_.SecondAttempt) {
        a_.SecondAttempt = true;
        return;
      }
      setNegativeNcom(true);
      a_.FixCompensationAt(0);
      a_.RecalculationRequested = true;
      a_.SecondAttempt = false;
      txt("LabelComDensityH2", FormatPattern(a_.CompensatingDensity, kDensity));
      txt("ButtonCalcH3", kCalculation);
      chk("CheckBox4", true);
      txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
      return;
    }
    if (k == 2) en("ButtonUseNegativeNcom", true);
    normal();
    en(button, true);
    txt(button, kCalculation);
    a_.RecalculationRequested = false;
    if (k == 2) a_.RecalculationFailed = false;
    view_->ClearSeries(chart, series::kExperimentalH);
    if (a_.CalculateExperimentalH(k - 1) && a_.ManualMode) PlotExperimentalH(a_, *view_, k, false);
    txt("LabelEref" + K, FormatPattern(a_.Eref[k - 1], kErefPattern));
    PlotH(a_, *view_, k);
    en("ButtonDecreasePeakH" + K, true);
    en("ButtonIncreasePeakH" + K, true);
    MarkPeak(a_, *view_, k);
    en("ButtonEvaluation" + K, PeakIsInner(a_, k));
    const bool ask = k == 2
                         ? !a_.SecondAttempt && a_.PeakIndex[1] < a_.PeakIndex[0] && a_.Eref[1] > 0
                         : (a_.PeakIndex[2] < a_.PeakIndex[1] || a_.PeakIndex[2] < a_.PeakIndex[0]) && a_.Eref[2] > 0;
    if (ask) {
      const std::string question =
          k == 2 ? "  There is a possibility that a reasonable energy level may not be obtained. \n"
                   "  Do you calculate H2 again using the compensating density obtained in H1?"
                 : "  There is a possibility that a reasonable energy level may not be obtained. \n"
                   "  Do you calculate H3 again using the compensating density obtained in H2?";
      if (view_->AskYesNo(question)) {
        en(button, true);
        txt(button, kAgain);
        // Fix the carried density at the previous analysis, as "Evaluation again" does,
        // so that the next calculation adds it back instead of repeating this one.
        a_.CarryCompensation(k - 2);
        txt("LabelComDensityH" + K, FormatPattern(a_.CompensatingDensity, kDensity));
        txt("EditSCDensity",
            k == 2 ? FormatGeneral(a_.CompensatingDensity) : FormatPattern(a_.CompensatingDensity, kDensity));
        chk("CheckBox4", true);
      }
    }
    en("ButtonSaveExperimentalH" + K + "Data", true);
    closeFittingWindow();
  });
}

void MainPresenter::ButtonCalcH2Click() { calcH(2); }
void MainPresenter::ButtonCalcH3Click() { calcH(3); }

void MainPresenter::ButtonUseNegativeNcomClick() {
  command("", [&] {
    if (negativeNcomInUse) {
      dropCarriedCompensation();
      txt("LabelComDensityH2", "0");
      txt("ButtonCalcH3", kCalculation);
      chk("CheckBox4", false);
      txt("EditSCDensity", "0");
    } else {
      setNegativeNcom(true);
      a_.CarryCompensation(0);
      txt("LabelComDensityH2", FormatPattern(a_.CompensatingDensity, kDensity));
      txt("EditSCDensity", FormatPattern(a_.CompensatingDensity, kDensity));
      txt("ButtonCalcH3", kCalculation);
      chk("CheckBox4", true);
    }
  });
}

// ---- Simulation tab ----------------------------------------------------------------------------------------

void MainPresenter::ButtonSimulationClick() {
  command("ButtonSimulation", [&] {
    busy();
    en("ButtonSimulation", false);
    for (int j = 0; j < 3; ++j) a_.SimUseLevel[j] = view_->IsChecked("CheckBox" + s(j + 1));
    a_.SimUseLevel[3] = false;
    a_.SimUseCompensation = view_->IsChecked("CheckBox4");
    for (int j = 0; j < 3; ++j) {
      a_.SimDensity[j] = ParseReal(view_->Text("EditSDensity" + s(j + 1)));
      a_.SimEnergyLevel[j] = ParseReal(view_->Text("EditSEnergy" + s(j + 1)));
    }
    a_.SimCompensatingDensity = ParseReal(view_->Text("EditSCDensity"));
    // Without a level there is no freeze-out to simulate: the curve would be the intrinsic
    // carriers alone, many decades below any measurement.
    bool anyLevel = false;
    for (int j = 0; j < 3; ++j) anyLevel = anyLevel || (a_.SimUseLevel[j] && a_.SimDensity[j] > 0);
    if (!anyLevel) {
      // The tab no longer holds what an earlier result was made with: it is not offered.
      for (const char* c : {"ChartSimulationReverseT", "ChartSimulationT"}) view_->ClearSeries(c, series::kCurve);
      for (const char* b : {"ButtonSaveSimulation", "ButtonSaveFigureSimulation1", "ButtonSaveFigureSimulation2"})
        en(b, false);
      view_->ShowError("The simulation needs at least one ticked level with a density above 0.");
      normal();
      en("ButtonSimulation", true);
      return;
    }
    if (!a_.Simulate()) {
      view_->ProgressPort().Close(korv::ProgressBar::Main);
      normal();
      en("ButtonSimulation", true);
      return;
    }
    for (const char* c : {"ChartSimulationReverseT", "ChartSimulationT"}) {
      view_->ClearSeries(c, series::kCurve);
      // The whole simulated line above the measured range, so that the chart's range shows
      // where it departs from the data; below it down to a decade under the lowest measured
      // point, where a deep freeze-out tail would only stretch the logarithmic axis.
      const double floor = view_->SeriesYRange(c, series::kMeasured).first / 10;
      const bool reverse = std::string(c) == "ChartSimulationReverseT";
      const int n = std::min(GridLength(a_), static_cast<int>(a_.SimulatedConcentration.size()));
      for (int i = 0; i < n; ++i) {
        const double v = a_.SimulatedConcentration[i], T = a_.SplineTemperature[i];
        if (!(v > floor && v > 0 && std::isfinite(v)) || (reverse && T == 0)) continue;
        view_->AddPoint(c, series::kCurve, reverse ? 1000.0 / T : T, v);
      }
    }
    if (a_.CompensatingDensity < 0)
      view_->ShowNotice(
          "  The simulation result might not be in good agreement with the experimental data at lower temperatures, "
          "because the negative compensating dansity is used. \n"
          "  " +
          std::string(kNegativeNcomNotice));
    normal();
    en("ButtonSimulation", true);
    en("ButtonSaveSimulation", true);
    en("ButtonSaveFigureSimulation1", false);
    en("ButtonSaveFigureSimulation2", false);
    closeFittingWindow();
  });
}

void MainPresenter::ButtonSaveSimulationClick() {
  command("", [&] {
    const auto path = askSave(save_filter::kSimulation, proposedName(FileStage::H1, sFunction() ? ".simS" : ".simH"));
    if (!path) return;
    if (!saveTo(a_.SimulationFile, *path, [&] { return a_.SaveSimulationFile(); })) return;
    txt("LabelFilenameSimulation", *path);
    en("ButtonSaveSimulation", false);
    en("ButtonSaveFigureSimulation1", true);
    en("ButtonSaveFigureSimulation2", true);
    en("MenuCurveFitting", true);
    en("ButtonFineAdjustment", true);
  });
}

void MainPresenter::ButtonSeeResultsClick() {
  command("", [&] {
    const int level = unreliableLevel;
    remarks.prepare(a_, level);  // other levels keep the texts of the last preparation
    const bool again = windows_->ShowRemarks(remarks) == RemarksChoice::EvaluationAgain;
    // With the H1 level as the shallow one there is no earlier analysis whose
    // compensating density could be carried: the dialog only informs.
    if (!again || (level != 1 && level != 2)) return;
    a_.CarryCompensation(level - 1);
    if (level == 1) {
      txt("ButtonCalcH2", kAgain);
      en("ButtonCalcH2", true);
      en("ButtonSaveH2", false);
      view_->ClearSeries("ChartH2", series::kH);
      txt("LabelEref2", "0");
      resetFrom(Stage::Second, Reset{.firstRecord = false, .evaluationOnly = true});
      view_->SetCurrentPage(kMainPageControl, "TabSheet4");
    } else {
      txt("ButtonCalcH3", kAgain);
      en("ButtonCalcH3", true);
      en("ButtonSaveH3", false);
      view_->ClearSeries("ChartH3", series::kH);
      txt("LabelEref3", "0");
      resetFrom(Stage::Third, Reset{.firstRecord = false, .evaluationOnly = true});
      view_->SetCurrentPage(kMainPageControl, "TabSheet5");
    }
  });
}

void MainPresenter::ButtonSaveResultsClick() {
  command("", [&] { windows_->Show(Window::ObtainedResults); });
}

}  // namespace korv::ui
