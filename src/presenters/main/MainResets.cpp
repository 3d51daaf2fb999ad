// The main window's resets: the full reset, each tab's display and evaluation, the one
// table of stage resets over the analysis chain, and the captions of the conduction and
// function types.
#include <string>

#include "materials/MaterialTable.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

using main_format::kCalculation;

std::string s(int k) { return std::to_string(k); }

}  // namespace

void MainPresenter::resetMainWindow() {
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

void MainPresenter::resetSideMenus() {
  en("LoadSpline", false);
  en("LoadFermiLevel", false);
  disableSideMenus();
}

void MainPresenter::resetDataDisplay() {
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

void MainPresenter::resetSplineDisplay() {
  view_->ClearSeries("ChartExperimentalLinear", series::kCurve);
  view_->ClearSeries("ChartExperimentalLog", series::kCurve);
  view_->ClearSeries("ChartSplineResidual", series::kResidual);
  view_->ClearSeries("ChartSplineResidual", series::kUnity);
  txt("LabelSplineWarning", "");
  txt("LabelFilenameSpline", "");
}

void MainPresenter::resetFermiDisplay() {
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

void MainPresenter::resetH1Display() {
  for (int i = 0; i < 4; ++i) view_->ClearSeries("ChartH1", i);
  en("ButtonCalcH1", false);
  txt("ButtonCalcH1", a_.ManualMode ? main_format::kAutoCalculationAfterReset : kCalculation);
  txt("LabelEref1", "0");
  enAll(main_group::kErefSteps, false);
  en("ButtonCalculationH1Precise", false);
  en("ButtonSaveExperimentalH1Data", false);
  txt("LabelPeakT1", "0");
  txt("LabelPeakV1", "0");
  for (const char* b : {"ButtonDecreasePeakH1", "ButtonIncreasePeakH1", "ButtonEvaluation1"}) en(b, false);
  resetH1Evaluation();
  // The report of results needs a saved H1 result.
  en("ButtonSaveResults", false);
}

void MainPresenter::resetH1Evaluation() {
  view_->ClearSeries("ChartH1", series::kSimulatedH);
  for (const char* l : {"LabelDensity1", "LabelEnergy1", "LabelCDensity1"}) txt(l, "0");
  txt("LabelPlausibilityH1", "");
  txt("LabelNegativeNcomH1", "");
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

void MainPresenter::dropUnreliableLevel(int from) {
  if (unreliableLevel >= from) unreliableLevel = -1;
}

void MainPresenter::resetH2Evaluation() {
  for (int i = 1; i < 4; ++i) view_->ClearSeries("ChartH2", i);
  for (const char* l : {"LabelDensity2", "LabelEnergy2", "LabelCDensity2"}) txt(l, "0");
  txt("LabelPlausibilityH2", "");
  txt("LabelNegativeNcomH2", "");
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

void MainPresenter::resetH2Display() {
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

void MainPresenter::resetH3Evaluation() {
  for (int i = 1; i < 4; ++i) view_->ClearSeries("ChartH3", i);
  for (const char* l : {"LabelDensity3", "LabelEnergy3", "LabelCDensity3"}) txt(l, "0");
  txt("LabelPlausibilityH3", "");
  txt("LabelNegativeNcomH3", "");
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

void MainPresenter::resetH3Display() {
  view_->ClearSeries("ChartH3", series::kH);
  resetH3Evaluation();
  en("ButtonCalcH3", false);
  for (const char* l : {"LabelEref3", "LabelPeakT3", "LabelPeakV3"}) txt(l, "0");
  for (const char* b :
       {"ButtonEvaluation3", "ButtonDecreasePeakH3", "ButtonIncreasePeakH3", "ButtonSaveExperimentalH3Data"})
    en(b, false);
}

void MainPresenter::resetSimulationDisplay() {
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

void MainPresenter::resetFrom(Stage from, const Reset& how) {
  // Each stage of the chain: the record's clear, the display's reset, and the reset of its
  // evaluation alone (for an analysis whose curve stays while the rest of it is redone).
  using P = MainPresenter;
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

void MainPresenter::resetFrom(Stage from) { resetFrom(from, Reset{}); }

void MainPresenter::invalidateFrom(Stage stage) {
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

MainPresenter::Stage MainPresenter::analysisStage(int k) {
  return static_cast<Stage>(static_cast<int>(Stage::First) + k - 1);
}

void MainPresenter::setNegativeNcom(bool inUse) {
  negativeNcomInUse = inUse;
  txt("ButtonUseNegativeNcom", inUse ? "Do not Use Negative Value" : "Use Negative Compensating Density");
}

void MainPresenter::dropCarriedCompensation() {
  a_.DropCarriedCompensation();
  setNegativeNcom(false);
}

// ---- Captions and formula pictures -------------------------------------------------------

void MainPresenter::showNeutralCaptions() {
  ShowConductionCaptions(a_, *view_, 0);
  for (int k = 1; k <= 3; ++k) txt("EditGH" + s(k), "1");
}

void MainPresenter::showConductionTypeCaptions() {
  const int type = ConductionKind(a_);
  if (type == 0) return;
  ShowConductionCaptions(a_, *view_, type);
  for (int k = 1; k <= 3; ++k) txt("EditGH" + s(k), type == 1 ? "2" : "4");
}

void MainPresenter::showFunctionTypeCaptions() { ShowFunctionCaptions(a_, *view_, ConductionKind(a_)); }

void MainPresenter::applyMaterialParameters() {
  txt("LabelFermiSemiconductor", a_.Semiconductor);
  korv::ApplyMaterialParameters(a_);
  const auto texts = korv::MaterialEdits(a_);
  txt("EditMass", texts.Mass);
  txt("EditEquivalentMinima", texts.EquivalentMinima);
  txt("EditEffectiveDensityOfStates", texts.EffectiveDensityOfStates);
}

}  // namespace korv::ui
