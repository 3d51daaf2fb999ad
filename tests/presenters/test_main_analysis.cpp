// The successive analysis on the main window: H1 to H3, the recalculation loop, the
// simulation, the charts they fill, the remarks, the function type and failed saves.
#include <algorithm>
#include <cmath>
#include <set>

#include "MainFixture.h"
#include "core/Error.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

std::string density(double v) { return FormatPattern(v, "0.00E+00"); }
std::string energy(double v) { return FormatPattern(v, "0.####"); }

class Analyses : public MainWindow {};

class AdvancedAnalyses : public Analyses {
 protected:
  void SetUp() override {
    presenter.Attach(view, windows);
    presenter.FormCreate(false);
  }
};

TEST_F(Analyses, H1ShowsItsPeakResultsAndTheSimulatedCurveInsideTheMeasuredRange) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  const int p = record.PeakIndex[0];
  EXPECT_EQ(Text("LabelEref1"), FormatPattern(record.Eref[0], "0.######"));
  EXPECT_EQ(Text("LabelPeakT1"), FormatGeneral(record.SplineTemperature[p]));
  EXPECT_EQ(Text("LabelPeakV1"), density(record.HValues[0][p]));
  EXPECT_EQ(view.PointCount("ChartH1", 0), record.GridCount);
  EXPECT_EQ(view.Series("ChartH1", 2), (MemoryView::Points{{record.SplineTemperature[p], record.HValues[0][p]}}));
  EXPECT_EQ(view.PointCount("ChartH1", 3), 0);  // the experimental H1 only in Advanced mode

  Click("ButtonEvaluation1");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(record.DegeneracyFactor[0], 2);
  EXPECT_EQ(Text("LabelDensity1"), density(record.Density[0]));
  EXPECT_EQ(Text("LabelEnergy1"), energy(record.EnergyLevel[0]));
  EXPECT_EQ(Text("LabelCDensity1"), density(record.TemporaryCompensatingDensity[0]));
  EXPECT_EQ(Text("LabelDensity1H2"), Text("LabelDensity1"));
  EXPECT_EQ(Text("LabelEnergy1H2"), Text("LabelEnergy1"));
  EXPECT_EQ(Text("LabelComDensityH2"), density(record.CompensatingDensity));
  const auto [lo, hi] = view.SeriesYRange("ChartH1", 0);
  int inside = 0;
  for (int i = 0; i < record.GridCount; ++i) inside += record.SimulatedH[0][i] > lo && record.SimulatedH[0][i] < hi;
  ASSERT_GT(inside, 0);
  EXPECT_EQ(view.PointCount("ChartH1", 1), inside);
  for (const auto& [x, y] : view.Series("ChartH1", 1)) EXPECT_TRUE(y > lo && y < hi) << x;
  EXPECT_FALSE(view.progressOpen[0] || view.progressOpen[1]);
  EXPECT_EQ(view.cursor, Cursor::Normal);

  presenter.ComboBoxAutomaticEvaluationTypeChange("Type-D");
  Click("ButtonSaveH1");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcomp.H1");
  EXPECT_EQ(Text("LabelFilenameH1"), folder / "01_si_n_P_lightcomp.H1");
  EXPECT_EQ(record.AutoEvaluationType, "Type-B");
  EXPECT_TRUE(view.IsChecked("CheckBox1"));
  EXPECT_EQ(Text("EditSDensity1"), density(record.Density[0]));
  EXPECT_EQ(Text("EditSEnergy1"), energy(record.EnergyLevel[0]));
  EXPECT_TRUE(windows.Called("RebuildObtainedResults"));
}

TEST_F(Analyses, APeakAtTheGridEndLeavesTheEvaluationDisabled) {
  // A concentration that grows without bound puts the H1 peak on the first grid point.
  std::vector<double> T, n, r;
  for (int i = 0; i < 40; ++i) {
    T.push_back(20 + 10 * i);
    n.push_back(1e10 * std::exp(T.back() / 20));
    r.push_back(1);
  }
  view.AcceptProposedNames();
  LoadFile(WriteMeasurement("rising.nT", "n-type", T, n, r));
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  Click("ButtonCalcFermiLevel");
  Click("ButtonSaveFermiLevel");
  Click("ButtonCalcH1");
  ASSERT_TRUE(record.PeakIndex[0] == 0 || record.PeakIndex[0] == record.GridCount - 1);
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_FALSE(On("ButtonDecreasePeakH1"));
  EXPECT_TRUE(On("ButtonCalcH1"));
  EXPECT_TRUE(On("ButtonCalculationH1Precise"));
}

TEST_F(Analyses, AnH2PeakAtTheGridEndFinishesTheEvaluation) {
  ToH1Saved("09_sic4h_p_Al_heavy.pT");
  Click("ButtonCalcH2");
  EXPECT_EQ(record.PeakIndex[1], 0);
  EXPECT_EQ(view.notices, std::vector<std::string>{"Evaluation has been finished!"});
  EXPECT_FALSE(On("ButtonEvaluation2"));
  EXPECT_FALSE(On("ButtonCalcH2"));
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation");
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
  EXPECT_TRUE(On("ButtonSimulation"));  // the chain ends here; the simulation is still open
}

TEST_F(Analyses, SavingH1UnderTheSimulatedCurveCompletesTheEvaluation) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  // The remaining H1 lies under the simulated H1 everywhere: no second level is left.
  record.EvaluationFinished = true;
  record.SimulatedH[0] = record.HValues[0];
  for (double& v : record.SimulatedH[0]) v *= 2;
  view.notices.clear();  // the spline's notice of a missed point
  Click("ButtonSaveH1");
  EXPECT_EQ(view.notices, std::vector<std::string>{"Evaluation has been completed!"});
  EXPECT_FALSE(On("ButtonCalcH2"));
  EXPECT_TRUE(view.IsChecked("CheckBox1"));
  EXPECT_EQ(Text("EditSDensity1"), density(record.Density[0]));
  EXPECT_EQ(Text("EditSCDensity"), density(record.CompensatingDensity));
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
  EXPECT_TRUE(On("ButtonSimulation"));
}

TEST_F(Analyses, AnOpenAnalysisOffersItsTemporaryCompensatingDensity) {
  ToFermiReady("07_sic4h_n_N_two_sites.nT");
  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  ASSERT_FALSE(record.EvaluationFinished);
  Click("ButtonSaveH1");
  EXPECT_TRUE(On("ButtonCalcH2"));
  EXPECT_EQ(Text("EditSCDensity"), density(record.TemporaryCompensatingDensity[0]));
  EXPECT_EQ(Text("EditSCDensity").front(), '-');
  EXPECT_FALSE(view.IsChecked("CheckBox4"));
}

// The H2 question. In this sample H1 leaves a negative temporary compensating density
// and nothing carried; the first H2 calculation is made to end as one whose peak lies
// below the H1 peak at a positive E_ref, which is when the window asks.
class H2Question : public Analyses {
 public:
  void SetUp() override {
    Analyses::SetUp();
    ToH1Saved("07_sic4h_n_N_two_sites.nT");
    ASSERT_EQ(record.CompensationAnalysis, -1);
    ASSERT_LT(record.TemporaryCompensatingDensity[0], 0);
    presenter.Pipeline().calculateH = [this](Analysis& a, int k) {
      const bool ok = a.CalculateH(k);
      if (k == 1 && ++calls == 1 && ok) {
        a.Eref[1] = 0.01;
        a.PeakIndex[1] = a.PeakIndex[0] - 500;
      }
      return ok;
    };
  }
  int calls = 0;
};

TEST_F(H2Question, YesRecalculatesWithTheCarriedDensityAndTheLoopEnds) {
  view.yesNoAnswers.push_back(true);
  Click("ButtonCalcH2");
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0],
            "  There is a possibility that a reasonable energy level may not be obtained. \n"
            "  Do you calculate H2 again using the compensating density obtained in H1?");
  const double carried = record.TemporaryCompensatingDensity[0];
  EXPECT_EQ(record.CompensatingDensity, carried);
  EXPECT_EQ(Text("LabelComDensityH2"), density(carried));
  EXPECT_EQ(Text("EditSCDensity"), FormatGeneral(carried));
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation again");
  EXPECT_TRUE(On("ButtonCalcH2"));
  // The carry is fixed at H1, so that H2 adds it back next time.
  EXPECT_EQ(record.CompensationAnalysis, 0);
  EXPECT_TRUE(record.EvaluationFinished);

  const auto first = record.HValues[1];
  view.ClearLog();
  Click("ButtonCalcH2");
  EXPECT_TRUE(view.questions.empty()) << "the question came back";
  EXPECT_TRUE(view.errors.empty());
  EXPECT_NE(record.HValues[1], first);
  // With the carried density added back this sample's H2 needs a negative E_ref: the
  // chain ends here instead of asking again.
  EXPECT_EQ(view.notices, std::vector<std::string>{"Evaluation has been finished!"});
  EXPECT_LT(record.Eref[1], 0);
  EXPECT_FALSE(On("ButtonCalcH2"));
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation");
  EXPECT_EQ(record.CompensatingDensity, carried);
  EXPECT_EQ(calls, 2);
}

TEST_F(H2Question, NoKeepsTheCalculation) {
  view.yesNoAnswers.push_back(false);
  Click("ButtonCalcH2");
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation");
  EXPECT_EQ(record.CompensatingDensity, 0);
  EXPECT_EQ(record.CompensationAnalysis, -1);
  EXPECT_TRUE(On("ButtonEvaluation2"));
  EXPECT_TRUE(On("ButtonUseNegativeNcom"));
}

TEST_F(Analyses, ALevelThatWasNotAcceptedShowsTheMessageOfTheAdoptedFit) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    a.LevelInRange = false;
    a.LevelRangeMessage[k].clear();
    a.AdoptedLevelRangeMessage[k] = "The energy level might be deeper than 1500 meV";
    return ok;
  };
  Click("ButtonEvaluation1");
  EXPECT_EQ(view.errors, std::vector<std::string>{"The energy level might be deeper than 1500 meV"});
  for (const char* l : {"LabelDensity1", "LabelEnergy1", "LabelCDensity1"}) EXPECT_EQ(Text(l), "0") << l;
  EXPECT_FALSE(On("ButtonSaveH1"));
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_FALSE(view.progressOpen[0] || view.progressOpen[1]);
}

TEST_F(Analyses, TheSimulationWarnsOfANegativeCompensatingDensity) {
  const std::string warning =
      "  The simulation result might not be in good agreement with the experimental data at lower temperatures, "
      "because the negative compensating dansity is used. \n"
      "  The negative compensating density means that an undeterminable shallower level may exist.";
  ToH1Saved("01_si_n_P_lightcomp.nT");
  for (double d : {-1e14, 0.0, 1e14}) {
    view.ClearLog();
    record.CompensatingDensity = d;
    Click("ButtonSimulation");
    EXPECT_EQ(view.notices, d < 0 ? std::vector<std::string>{warning} : std::vector<std::string>{}) << d;
    EXPECT_TRUE(On("ButtonSaveSimulation"));
  }
}

// The simulated line is drawn wherever it lies above a decade under the lowest measured
// point, above the highest one too; a deep freeze-out tail is left out of the log axis.
TEST_F(Analyses, TheSimulatedConcentrationIsDrawnAboveADecadeUnderTheMeasuredRange) {
  ToH1Saved("13_gan_n_two_donors.nT");
  for (int j = 1; j <= 4; ++j) view.SetChecked("CheckBox" + std::to_string(j), j == 1);
  Click("ButtonSimulation");
  EXPECT_TRUE(record.SimUseLevel[0]);
  EXPECT_FALSE(record.SimUseCompensation);
  EXPECT_EQ(record.SimDensity[0], ParseReal(Text("EditSDensity1")));
  for (const char* c : {"ChartSimulationReverseT", "ChartSimulationT"}) {
    const double lo = view.SeriesYRange(c, 0).first;
    int shown = 0;
    for (int i = 0; i < record.GridCount; ++i) shown += record.SimulatedConcentration[i] > lo / 10;
    EXPECT_EQ(view.PointCount(c, 1), shown) << c;
    EXPECT_GT(shown, 0) << c;
  }
  // All four boxes off: nothing to simulate; the command says so and the earlier result
  // can no longer be saved, since the tab no longer holds what it was made with.
  for (int j = 1; j <= 4; ++j) view.SetChecked("CheckBox" + std::to_string(j), false);
  Click("ButtonSimulation");
  EXPECT_EQ(view.errors,
            std::vector<std::string>{"The simulation needs at least one ticked level with a density above 0."});
  EXPECT_FALSE(On("ButtonSaveSimulation"));
  EXPECT_EQ(view.PointCount("ChartSimulationT", 1), 0);
  view.ClearLog();
  // A simulation edit that holds no number stops the command with the conversion error.
  view.SetText("EditSEnergy2", "deep");
  Click("ButtonSimulation");
  EXPECT_EQ(view.errors, std::vector<std::string>{"'deep' is not a valid floating point value"});
  EXPECT_TRUE(On("ButtonSimulation"));
  EXPECT_EQ(view.cursor, Cursor::Normal);
}

TEST_F(Analyses, SeeRemarksEvaluationAgainReopensH2WithTheH1Density) {
  ToH1Saved("13_gan_n_two_donors.nT");
  Click("ButtonCalcH2");
  Click("ButtonEvaluation2");
  Click("ButtonSaveH2");
  Click("ButtonSimulation");
  presenter.SetUnreliableLevel(1);  // as an H2 level below the lowest-temperature energy leaves it
  record.CompensatingDensity = std::max(record.CompensatingDensity, 1e14);
  presenter.PageControl1Change("TabSheet6");
  ASSERT_TRUE(On("ButtonSeeResults"));

  const auto before = Snapshot();
  Click("ButtonSeeResults");  // "Continue"
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(windows.lastRemarks.label[0], "The second energy level obtained in H2 may not be reliable.");

  windows.remarksChoices.push_back(RemarksChoice::EvaluationAgain);
  Click("ButtonSeeResults");
  EXPECT_EQ(record.CompensationAnalysis, 0);
  EXPECT_TRUE(record.EvaluationFinished);
  EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[0]);
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation again");
  EXPECT_TRUE(On("ButtonCalcH2"));
  EXPECT_FALSE(On("ButtonSaveH2"));
  EXPECT_FALSE(On("ButtonCalcH3"));
  EXPECT_EQ(view.PointCount("ChartH2", 0), 0);
  EXPECT_EQ(Text("LabelEref2"), "0");
  EXPECT_EQ(view.PointCount("ChartSimulationT", 1), 0);
  EXPECT_EQ(view.currentPage, "TabSheet4");
  Click("ButtonCalcH2");
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.PointCount("ChartH2", 0), record.GridCount);
}

TEST(Remarks, PrepareWritesTheFourTexts) {
  Analysis a;
  a.LowestKT = 0.0512;
  a.TemporaryCompensatingDensity[0] = -3.3e16;
  a.EnergyLevel[0] = 0.04391;
  a.TemporaryCompensatingDensity[1] = 2e15;
  a.EnergyLevel[1] = 0.2;
  RemarksTexts r;
  r.prepare(a, 0);
  EXPECT_EQ(r.label, (std::array<std::string, 4>{}));  // any other level leaves the texts
  r.prepare(a, 1);
  EXPECT_EQ(r.level, 1);
  EXPECT_EQ(r.label[0], "The second energy level obtained in H2 may not be reliable.");
  EXPECT_EQ(r.label[1],
            "This is because the energy level is lower than 0.0512 eV, which is corresponding to the lowest "
            "measurment temperature.");
  EXPECT_EQ(r.label[2],
            "Recommend that you evaluate the second energy level using a compensating density of -3.30E+16 cm^-3.");
  EXPECT_EQ(r.label[3],
            "The negative compensating density means that energy levels shallower than 0.0439 eV may exist.");
  a.LowestKT = 0.05;
  r.prepare(a, 2);
  EXPECT_EQ(r.label[0], "The third energy level obtained in H3 may not be reliable.");
  EXPECT_EQ(r.label[1],
            "This is because the energy level is lower than 0.05 eV, which is corresponding to the lowest measurment "
            "temperature.");
  EXPECT_EQ(r.label[2],
            "Recommend that you evaluate the third energy level using a compensating density of 2.00E+15 cm^-3.");
  const auto kept = r.label;
  r.prepare(a, 3);
  EXPECT_EQ(r.label, kept);
  EXPECT_EQ(r.level, 2);
}

TEST_F(Analyses, FailedSavesLeaveTheWindowAsBefore) {
  const std::string nowhere = "/nonexistent-korv-folder/x";
  struct Case {
    const char* button;
    std::function<void(Analyses&)> setup;
    std::vector<const char*> staysOff;
  };
  const Case cases[] = {
      {"ButtonSaveSpline",
       [](Analyses& t) {
         t.Load("01_si_n_P_lightcomp.nT");
         t.Click("ButtonCalcSpline");
       },
       {"ButtonCalcFermiLevel", "ButtonInputChangeInformation", "ButtonSaveFigureConcentration1", "ButtonSimulation"}},
      {"ButtonSaveFermiLevel",
       [](Analyses& t) {
         t.view.AcceptProposedNames();
         t.Load("01_si_n_P_lightcomp.nT");
         t.Click("ButtonCalcSpline");
         t.Click("ButtonSaveSpline");
         t.Click("ButtonCalcFermiLevel");
       },
       {"ButtonCalcH1", "ButtonSaveFigureFermi", "MenuDHES"}},
      {"ButtonSaveH1",
       [](Analyses& t) {
         t.ToFermiReady("01_si_n_P_lightcomp.nT");
         t.Click("ButtonCalcH1");
         t.Click("ButtonEvaluation1");
       },
       {"ButtonCalcH2", "ButtonSaveFigureH1"}},
      {"ButtonSaveSimulation",
       [](Analyses& t) {
         t.ToH1Saved("01_si_n_P_lightcomp.nT");
         t.Click("ButtonSimulation");
       },
       {"ButtonSaveFigureSimulation1", "MenuCurveFitting", "ButtonFineAdjustment"}},
  };
  for (const auto& c : cases) {
    c.setup(*this);
    const auto before = Snapshot();
    const std::string files[] = {record.AnalysisDataFile, record.FermiLevelFile, record.AnalysisFile[0],
                                 record.SimulationFile};
    view.ClearLog();
    view.saveAnswers.push_back(nowhere);
    Click(c.button);
    ASSERT_EQ(view.errors.size(), 1u) << c.button;
    EXPECT_EQ(Snapshot(), before) << c.button;
    EXPECT_TRUE(On(c.button)) << c.button;
    for (const char* off : c.staysOff) EXPECT_FALSE(On(off)) << c.button << ": " << off;
    const std::string after[] = {record.AnalysisDataFile, record.FermiLevelFile, record.AnalysisFile[0],
                                 record.SimulationFile};
    EXPECT_TRUE(std::equal(std::begin(files), std::end(files), std::begin(after))) << c.button;
    presenter.AllClearMainClick();
    view.ClearLog();
  }
}

TEST_F(Analyses, AFigureThatCannotBeWrittenKeepsItsButton) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  view.saveAnswers.push_back("/nonexistent-korv-folder/fig.bmp");
  Click("ButtonSaveFigureConcentration1");
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_TRUE(On("ButtonSaveFigureConcentration1"));
  Click("ButtonSaveFigureConcentration1");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 10);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcompCon1.bmp");
  EXPECT_TRUE(std::filesystem::exists(folder / "01_si_n_P_lightcompCon1.bmp"));
  EXPECT_FALSE(On("ButtonSaveFigureConcentration1"));
}

// ---- Advanced mode ---------------------------------------------------------------------------

TEST_F(AdvancedAnalyses, TheErefStepsChangeTheTypedValueOnly) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  ASSERT_GT(view.PointCount("ChartH1", 0), 0);
  const double eref = record.Eref[0];
  view.SetText("LabelEref1", "0.123456");
  struct Step {
    const char* button;
    const char* shows;
  };
  for (const Step& s : {Step{"ButtonDecreaseErefH1", "0.122456"}, Step{"ButtonDecreaseErefH1", "0.121456"},
                        Step{"ButtonDecreaseErefH1Precise", "0.121455"},
                        Step{"ButtonIncreaseErefH1Precise", "0.121456"}, Step{"ButtonIncreaseErefH1", "0.122456"}}) {
    Click(s.button);
    EXPECT_EQ(Text("LabelEref1"), s.shows) << s.button;
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(view.PointCount("ChartH1", i), 0);
  EXPECT_EQ(record.Eref[0], eref);
}

TEST_F(AdvancedAnalyses, ThePreciseCalculationUsesTheTypedErefAndEveryPoint) {
  ToFermiReady("04_si_p_Ga_badpoints.pT");
  Click("ButtonCalcH1");
  int reliable = 0;
  for (double r : record.Reliability) reliable += r > 0.95;
  EXPECT_EQ(view.PointCount("ChartH1", 3), reliable);
  EXPECT_EQ(Text("ButtonCalcH1"), "Auto Calculation");
  view.SetText("LabelEref1", "0.01");
  Click("ButtonCalculationH1Precise");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(record.Eref[0], 0.01);
  EXPECT_FALSE(record.KeepSearchStart);
  EXPECT_EQ(view.PointCount("ChartH1", 3), record.DataCount);
  EXPECT_GT(record.PeakIndex[0], 0);
  EXPECT_EQ(Text("LabelEref1"), "0.01");
  for (const char* c : {"ButtonEvaluation1", "ButtonIncreasePeakH1", "ButtonCalcH1", "ButtonDecreaseErefH1",
                        "ButtonSaveExperimentalH1Data"})
    EXPECT_TRUE(On(c)) << c;
}

TEST_F(AdvancedAnalyses, APeakStepMarksTheNewPeakAndReopensTheEvaluation) {
  ToFermiReady("13_gan_n_two_donors.nT");
  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  ASSERT_TRUE(On("ButtonSaveH1"));
  ASSERT_FALSE(On("ButtonEvaluation1"));
  const int before = record.PeakIndex[0];
  // ">" here reaches the last grid point: no level can be evaluated there.
  Click("ButtonIncreasePeakH1");
  EXPECT_GT(record.PeakIndex[0], before);
  ASSERT_EQ(record.PeakIndex[0], record.GridCount - 1);
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_EQ(view.PointCount("ChartH1", 1), 0);
  ASSERT_EQ(view.PointCount("ChartH1", 2), 1);
  EXPECT_EQ(view.Series("ChartH1", 2)[0].first, record.SplineTemperature[record.PeakIndex[0]]);
  EXPECT_EQ(Text("LabelPeakT1"), FormatGeneral(record.SplineTemperature[record.PeakIndex[0]]));
  // The old evaluation belongs to the old peak: its results and "Save" are gone.
  EXPECT_EQ(Text("LabelDensity1"), "0");
  EXPECT_FALSE(On("ButtonSaveH1"));
  Click("ButtonDecreasePeakH1");
  EXPECT_LT(record.PeakIndex[0], record.GridCount - 1);
  EXPECT_GT(record.PeakIndex[0], 0);
  EXPECT_TRUE(On("ButtonEvaluation1"));
}

TEST_F(AdvancedAnalyses, TheNegativeDensityToggleCarriesAndDropsTheH1Density) {
  ToH1Saved("07_sic4h_n_N_two_sites.nT");
  Click("ButtonCalcH2");
  Click("ButtonCalcH2");
  ASSERT_TRUE(On("ButtonUseNegativeNcom"));
  const double carried = record.TemporaryCompensatingDensity[0];
  ASSERT_LT(carried, 0);
  Click("ButtonUseNegativeNcom");
  EXPECT_TRUE(presenter.NegativeNcomInUse());
  EXPECT_EQ(Text("ButtonUseNegativeNcom"), "Do not Use Negative Value");
  EXPECT_EQ(record.CompensatingDensity, carried);
  EXPECT_EQ(record.CompensationAnalysis, 0);
  EXPECT_TRUE(record.EvaluationFinished);
  EXPECT_EQ(Text("LabelComDensityH2"), density(carried));
  EXPECT_EQ(Text("EditSCDensity"), density(carried));
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
  Click("ButtonUseNegativeNcom");
  EXPECT_FALSE(presenter.NegativeNcomInUse());
  EXPECT_EQ(Text("ButtonUseNegativeNcom"), "Use Negative Compensating Density");
  EXPECT_EQ(record.CompensatingDensity, 0);
  EXPECT_EQ(record.CompensationAnalysis, -1);
  EXPECT_EQ(Text("LabelComDensityH2"), "0");
  EXPECT_EQ(Text("EditSCDensity"), "0");
  EXPECT_FALSE(view.IsChecked("CheckBox4"));
}

TEST_F(AdvancedAnalyses, TheSFunctionRelabelsTheAnalysisTabsButNotTheFigureButtons) {
  windows.functionClicks.push_back({1});
  Click("TypeOfFunction");  // before any data: nothing to clear, nothing to calculate
  EXPECT_TRUE(windows.Called("FunctionType 2"));
  EXPECT_EQ(record.FunctionType, 1);
  EXPECT_FALSE(On("ButtonCalcH1"));
  EXPECT_EQ(Text("TabSheet3"), "S1(T,E_ref)");
  windows.functionClicks.push_back({2});
  Click("TypeOfFunction");
  EXPECT_EQ(Text("TabSheet3"), "H1(T,E_ref)");

  ToFermiReady("01_si_n_P_lightcomp.nT");  // the load's full reset keeps the function type
  record.FunctionType = 2;
  Click("ButtonCalcH1");
  windows.functionClicks.push_back({1});
  Click("TypeOfFunction");
  struct Caption {
    const char *control, *text;
  };
  for (const Caption& c :
       {Caption{"TabSheet3", "S1(T,E_ref)"}, Caption{"TabSheet4", "S2(T,E_ref)"}, Caption{"TabSheet5", "S3(T,E_ref)"},
        Caption{"ButtonSaveH1", "Save Obtained Results (*.S1)"},
        Caption{"ButtonSaveH3", "Save Obtained Results (*.S3)"}, Caption{"GroupBoxH2", "Calculate S2(T,E_ref)"},
        Caption{"ButtonSaveFigureH1", "Save Figure (*H1.bmp)"}})
    EXPECT_EQ(Text(c.control), c.text) << c.control;
  EXPECT_EQ(view.LeftTitle("ChartH1"), "S1(T,E_ref) [cm^-3 eV^-1]");
  EXPECT_TRUE(view.IsVisible("ImageS1n"));
  EXPECT_FALSE(view.IsVisible("ImageH1n"));
  EXPECT_TRUE(view.IsVisible("ImageS2Com"));
  EXPECT_FALSE(view.IsVisible("ImageH2ComN"));
  EXPECT_EQ(view.PointCount("ChartH1", 0), 0);
  EXPECT_TRUE(On("ButtonCalcH1"));
  for (const char* c : {"ButtonDecreaseErefH1", "ButtonCalculationH1Precise", "ButtonEvaluation1"})
    EXPECT_FALSE(On(c)) << c;

  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  Click("ButtonSaveH1");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 7);
  EXPECT_EQ(record.AnalysisFile[0], folder / "01_si_n_P_lightcomp.S1");
  Click("ButtonSaveFigureH1");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcompH1.bmp");
  Click("ButtonSaveExperimentalH1Data");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 12);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcomp.S1E");
  Click("ButtonSimulation");
  Click("ButtonSaveSimulation");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcomp.simS");
}

}  // namespace
}  // namespace korv::ui::testing

namespace korv::ui::testing {
namespace {

TEST_F(H2Question, YesToTheH3QuestionCarriesTheH2Density) {
  // Here H1 fixes nothing, H2 is calculated once more and evaluated; then H3 is made to
  // end below the H2 peak at a positive E_ref.
  presenter.Pipeline().calculateH = [this](Analysis& a, int k) {
    const bool ok = a.CalculateH(k);
    if (ok && k == 2 && ++calls == 1) {
      a.Eref[2] = 0.02;
      a.PeakIndex[2] = a.PeakIndex[1] - 100;
    }
    return ok;
  };
  Click("ButtonCalcH2");
  Click("ButtonCalcH2");
  Click("ButtonEvaluation2");
  Click("ButtonSaveH2");
  ASSERT_TRUE(On("ButtonCalcH3"));
  view.ClearLog();
  view.yesNoAnswers.push_back(true);
  Click("ButtonCalcH3");
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_NE(view.questions[0].find("Do you calculate H3 again using the compensating density obtained in H2?"),
            std::string::npos);
  EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[1]);
  EXPECT_EQ(record.CompensationAnalysis, 1);
  EXPECT_TRUE(record.EvaluationFinished);
  EXPECT_EQ(Text("LabelComDensityH3"), density(record.TemporaryCompensatingDensity[1]));
  EXPECT_EQ(Text("EditSCDensity"), density(record.TemporaryCompensatingDensity[1]));
  EXPECT_EQ(Text("ButtonCalcH3"), "Calculation again");
}

TEST_F(Analyses, AnH2LevelBelowTheLowestTemperatureEnergyOffersTheRemarks) {
  ToH1Saved("13_gan_n_two_donors.nT");
  Click("ButtonCalcH2");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    if (k == 1) a.EnergyLevel[1] = a.LowestKT / 2;
    return ok;
  };
  windows.remarksChoices.push_back(RemarksChoice::EvaluationAgain);
  Click("ButtonEvaluation2");
  ASSERT_TRUE(windows.Called("Remarks 1"));
  EXPECT_EQ(presenter.UnreliableLevel(), 1);
  EXPECT_EQ(windows.lastRemarks.label[2],
            "Recommend that you evaluate the second energy level using a compensating density of " +
                density(record.TemporaryCompensatingDensity[0]) + " cm^-3.");
  EXPECT_EQ(record.CompensationAnalysis, 0);
  EXPECT_TRUE(record.EvaluationFinished);
  EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[0]);
  EXPECT_EQ(Text("LabelComDensityH2"), density(record.TemporaryCompensatingDensity[0]));
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation again");
  EXPECT_FALSE(On("ButtonSaveH2"));
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
}

TEST_F(Analyses, AScaledCompensationShowsTheCautionAndTheExcitedStates) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    a.ScaledCompensation = true;
    return ok;
  };
  Click("ButtonEvaluation1");
  const auto caution = std::find(windows.calls.begin(), windows.calls.end(), "Caution");
  ASSERT_NE(caution, windows.calls.end());
  EXPECT_EQ(*(caution + 1), "Show ExcitedStates");
  EXPECT_TRUE(On("MenuExcitedStates"));
  EXPECT_FALSE(On("MenuDXCenter"));  // DX Center has no analysis in this version
}

// Every clickable control has its handler, and the menus open the windows they name.
TEST_F(Analyses, MenusAndSideButtonsOpenTheirWindows) {
  std::set<std::string> containers;
  for (const auto& c : MainControls()) containers.insert(c.parent);
  const auto names = presenter.HandlerNames();
  for (const auto& c : MainControls()) {
    if ((c.kind != ControlKind::Button && c.kind != ControlKind::MenuItem) || c.caption == "-" ||
        containers.count(c.name))
      continue;
    EXPECT_TRUE(std::count(names.begin(), names.end(), c.name + "Click")) << c.name << " has no handler";
  }

  ToH1Saved("01_si_n_P_lightcomp.nT");
  Click("ButtonSimulation");
  Click("ButtonSaveSimulation");
  struct Case {
    const char* control;
    const char* call;
  };
  for (const Case& c :
       {Case{"MenuInverseT", "Show OneImpurity"}, Case{"MenuInverseTCom", "Show DonorAcceptor"},
        Case{"MenuDHES", "Show Dhes"}, Case{"MenuCurveFitting", "Show CurveFitting"},
        Case{"EditorMain", "Show FileViewer"}, Case{"SampleCondition", "Show SampleCondition"},
        Case{"ObtainedResults", "Show ObtainedResults"}, Case{"ButtonSaveResults", "Show ObtainedResults"},
        Case{"InformationSemiconductor", "Show InformationSemiconductor"},
        Case{"ButtonSeeInformation", "Show InformationSemiconductor"}, Case{"Help", "Show Help"},
        Case{"Version", "About"}, Case{"Information", "HelpAddress ReleaseNotes.html"}, Case{"PrintMain", "Print"},
        Case{"ExitMain", "CloseMainWindow"}}) {
    windows.calls.clear();
    Click(c.control);
    EXPECT_EQ(windows.calls, std::vector<std::string>{c.call}) << c.control;
  }
  // A new measurement closes every side window that reads the record.
  windows.calls.clear();
  Load("02_si_p_B_comp20.pT");
  for (const char* w : {"Close OneImpurity", "Close DonorAcceptor", "Close Dhes", "Close CurveFitting"})
    EXPECT_TRUE(windows.Called(w)) << w;
  for (const char* m : {"MenuInverseT", "MenuDHES", "MenuExcitedStates", "MenuCurveFitting", "ButtonFineAdjustment"})
    EXPECT_FALSE(On(m)) << m;
}

}  // namespace
}  // namespace korv::ui::testing

namespace korv::ui::testing {
namespace {

// An engine operation that fails by throwing ends the command with its message; the
// pressed button comes back, the progress windows close and the cursor is normal again.
TEST_F(Analyses, AThrowingEvaluationEndsTheCommandWithItsMessage) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  for (int kind = 0; kind < 2; ++kind) {
    view.ClearLog();
    presenter.Pipeline().evaluate = [kind](Analysis& a, int) -> bool {
      a.progress().Show(korv::ProgressBar::Main, 10);
      if (kind == 0) throw korv::Error("Overflow in the level fit.");
      throw std::out_of_range("vector::_M_range_check");
    };
    Click("ButtonEvaluation1");
    ASSERT_EQ(view.errors.size(), 1u) << kind;
    EXPECT_EQ(view.errors[0], kind == 0 ? "Overflow in the level fit." : "vector::_M_range_check");
    EXPECT_TRUE(On("ButtonEvaluation1"));
    EXPECT_FALSE(On("ButtonSaveH1"));
    EXPECT_FALSE(view.progressOpen[0]);
    EXPECT_EQ(view.cursor, Cursor::Normal);
  }
}

}  // namespace
}  // namespace korv::ui::testing
