// The H tabs' failures and what they tell the user: failed calculations and evaluations,
// the recalculation loop of H2 and H3, the peak steps that find nothing, the remarks at the
// H3 level, and the carried density a recalculation drops.
#include <functional>

#include "MainFixture.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

std::string density(double v) { return FormatPattern(v, "0.00E+00"); }

class Messages : public AdvancedMainWindow {
 public:
  // H1 (and H2 for k = 3) calculated, evaluated and saved on a sample that reaches H3.
  void ToAnalysis(int k) {
    ToFermiReady("13_gan_n_two_donors.nT");
    for (int i = 1; i < k; ++i) {
      Click("ButtonCalcH" + std::to_string(i));
      Click("ButtonEvaluation" + std::to_string(i));
      Click("ButtonSaveH" + std::to_string(i));
    }
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
    ASSERT_TRUE(On("ButtonCalcH" + std::to_string(k)));
    view.ClearLog();
  }
};

// ---- Failed calculations ---------------------------------------------------------------------------

TEST_F(Messages, AFailedH2OrH3CalculationSaysWhatHappensNext) {
  struct Case {
    int k;
    bool recalculation, finished;
    std::vector<std::string> errors, notices;
    const char* caption;
    bool enabled;
  };
  const std::vector<Case> cases = {
      {2, true, false, {}, {"Calculation of reasonable H2 is carried out again."}, "Calculation again", true},
      {3, true, false, {}, {"Calculation of reasonable H3 is carried out again."}, "Calculation again", true},
      {2, false, false, {"Reasonable H2 could not be calculated."}, {}, "Calculation", true},
      {3, false, false, {"Reasonable H3 could not be calculated."}, {}, "Calculation", true},
      {2, false, true, {}, {"Evaluation has been finished!"}, "Calculation", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("H" + std::to_string(c.k) + (c.recalculation ? " recalculation" : "") +
                 (c.finished ? " finished" : ""));
    presenter.AllClearMainClick();
    view.ClearLog();
    presenter.Pipeline().calculateH = [](Analysis& a, int k) { return a.CalculateH(k); };
    ToAnalysis(c.k);
    presenter.Pipeline().calculateH = [&](Analysis& a, int k) {
      if (k + 1 != c.k) return a.CalculateH(k);
      a.RecalculationRequested = c.recalculation;
      a.EvaluationFinished = c.finished;
      return false;
    };
    const std::string button = "ButtonCalcH" + std::to_string(c.k);
    Click(button);
    EXPECT_EQ(view.errors, c.errors);
    EXPECT_EQ(view.notices, c.notices);
    EXPECT_EQ(Text(button), c.caption);
    EXPECT_EQ(On(button), c.enabled);
    EXPECT_TRUE(view.IsChecked("CheckBox4"));
    EXPECT_EQ(view.cursor, Cursor::Normal);
    if (c.recalculation) {
      // "Calculation again" carries the previous analysis' temporary density.
      EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[c.k - 2]);
      EXPECT_EQ(Text("LabelComDensityH" + std::to_string(c.k)), density(record.CompensatingDensity));
      EXPECT_EQ(Text("EditSCDensity"), density(record.CompensatingDensity));
    } else {
      EXPECT_FALSE(record.RecalculationRequested);
    }
  }
}

TEST_F(Messages, AFailedH1CalculationSaysSoAndKeepsItsButton) {
  ToAnalysis(1);
  presenter.Pipeline().calculateH = [](Analysis&, int) { return false; };
  Click("ButtonCalcH1");
  EXPECT_EQ(view.errors, std::vector<std::string>{"H1 could not be calculated."});
  EXPECT_TRUE(On("ButtonCalcH1"));
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_EQ(view.cursor, Cursor::Normal);
}

// ---- Failed evaluations -----------------------------------------------------------------------------

TEST_F(Messages, AFailedEvaluationNamesTheLevelOrAsksForH2Again) {
  struct Case {
    int k;
    bool recalculation;
    std::vector<std::string> errors, notices;
  };
  const std::vector<Case> cases = {
      {1, false, {"First density and energy level could not be evaluated."}, {}},
      {2, false, {"Second density and energy level could not be evaluated."}, {}},
      {3, false, {"Third density and energy level could not be evaluated."}, {}},
      {2, true, {}, {"Calculation of reasonable H2 is carried out again."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("H" + std::to_string(c.k) + (c.recalculation ? " recalculation" : ""));
    presenter.AllClearMainClick();
    view.ClearLog();
    presenter.Pipeline().evaluate = [](Analysis& a, int k) { return a.Evaluate(k); };
    ToAnalysis(c.k);
    const std::string K = std::to_string(c.k);
    Click("ButtonCalcH" + K);
    ASSERT_TRUE(On("ButtonEvaluation" + K));
    view.ClearLog();
    presenter.Pipeline().evaluate = [&](Analysis& a, int) {
      a.RecalculationRequested = c.recalculation;
      return false;
    };
    Click("ButtonEvaluation" + K);
    EXPECT_EQ(view.errors, c.errors);
    EXPECT_EQ(view.notices, c.notices);
    EXPECT_FALSE(view.progressOpen[0] || view.progressOpen[1]);
    EXPECT_FALSE(On("ButtonSaveH" + K));
    if (c.recalculation) {
      EXPECT_FALSE(On("ButtonEvaluation2"));
      EXPECT_TRUE(On("ButtonCalcH2"));
      EXPECT_EQ(Text("ButtonCalcH2"), "Calculation again");
      EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[0]);
      EXPECT_EQ(Text("LabelComDensityH2"), density(record.TemporaryCompensatingDensity[0]));
      EXPECT_TRUE(view.IsChecked("CheckBox4"));
    } else {
      EXPECT_TRUE(On("ButtonEvaluation" + K));  // the user may try again
    }
  }
}

// ---- Peak steps that find nothing ------------------------------------------------------------------

TEST_F(Messages, APeakStepWithoutAPeakThereSaysWhichOneIsMissing) {
  for (int k = 1; k <= 3; ++k) {
    for (const bool higher : {true, false}) {
      SCOPED_TRACE("H" + std::to_string(k) + (higher ? " >" : " <"));
      presenter.AllClearMainClick();
      view.ClearLog();
      presenter.Pipeline().stepPeak = [](Analysis& a, int j, bool up) {
        return up ? a.StepToHigherPeak(j) : a.StepToLowerPeak(j);
      };
      ToAnalysis(k);
      const std::string K = std::to_string(k);
      Click("ButtonCalcH" + K);
      view.ClearLog();
      presenter.Pipeline().stepPeak = [](Analysis&, int, bool) { return false; };
      Click((higher ? "ButtonIncreasePeakH" : "ButtonDecreasePeakH") + K);
      EXPECT_EQ(view.errors, std::vector<std::string>{higher ? "The higher peak could not be founded."
                                                             : "The lower peak could not be founded."});
      EXPECT_EQ(view.PointCount("ChartH" + K, 2), 0);  // no peak marked
    }
  }
}

TEST_F(Messages, APreciseCalculationWithoutAPeakSaysSo) {
  ToAnalysis(1);
  presenter.Pipeline().stepPeak = [](Analysis&, int, bool) { return false; };
  Click("ButtonCalculationH1Precise");
  EXPECT_EQ(view.errors, std::vector<std::string>{"The peak could not be founded."});
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_TRUE(On("ButtonCalculationH1Precise"));
}

// ---- Remarks at the H3 level -------------------------------------------------------------------------

TEST_F(Messages, AnH3LevelBelowTheLowestTemperatureEnergyOffersH3Again) {
  ToAnalysis(3);
  Click("ButtonCalcH3");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    if (k == 2) a.EnergyLevel[2] = a.LowestKT / 2;
    return ok;
  };
  windows.remarksChoices.push_back(RemarksChoice::EvaluationAgain);
  Click("ButtonEvaluation3");
  ASSERT_TRUE(windows.Called("Remarks 2"));
  EXPECT_EQ(presenter.UnreliableLevel(), 2);
  EXPECT_EQ(record.CompensationAnalysis, 1);
  EXPECT_TRUE(record.EvaluationFinished);
  EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[1]);
  EXPECT_EQ(Text("LabelComDensityH3"), density(record.TemporaryCompensatingDensity[1]));
  EXPECT_EQ(Text("ButtonCalcH3"), "Calculation again");
  EXPECT_FALSE(On("ButtonSaveH3"));
  EXPECT_TRUE(view.IsChecked("CheckBox4"));
}

TEST_F(Messages, SeeRemarksAtTheH3LevelReopensH3WithTheH2Density) {
  ToAnalysis(3);
  Click("ButtonCalcH3");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    if (k == 2) a.EnergyLevel[2] = a.LowestKT / 2;
    return ok;
  };
  Click("ButtonEvaluation3");  // "Continue"
  ASSERT_EQ(presenter.UnreliableLevel(), 2);
  Click("ButtonSaveH3");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  record.CompensatingDensity = std::max(record.CompensatingDensity, 1e14);
  presenter.PageControl1Change("TabSheet6");
  ASSERT_TRUE(On("ButtonSeeResults"));
  windows.remarksChoices.push_back(RemarksChoice::EvaluationAgain);
  Click("ButtonSeeResults");
  EXPECT_EQ(windows.lastRemarks.level, 2);
  EXPECT_EQ(record.CompensationAnalysis, 1);
  EXPECT_EQ(record.CompensatingDensity, record.TemporaryCompensatingDensity[1]);
  EXPECT_EQ(Text("ButtonCalcH3"), "Calculation again");
  EXPECT_TRUE(On("ButtonCalcH3"));
  EXPECT_FALSE(On("ButtonSaveH3"));
  EXPECT_EQ(view.PointCount("ChartH3", 0), 0);
  EXPECT_EQ(Text("LabelEref3"), "0");
  EXPECT_EQ(view.currentPage, "TabSheet5");
  EXPECT_TRUE(On("ButtonSaveFigureH2"));  // H2 is untouched
}

// ---- Step 3 of the H2 and H3 calculations ----------------------------------------------------------

// A density carried into H3 belongs to the H2 it came from: a new H2 calculation drops it.
TEST_F(Messages, ANewH2DropsTheDensityCarriedIntoH3) {
  ToAnalysis(3);
  Click("ButtonCalcH3");
  record.CompensationAnalysis = 1;  // as "Evaluation again" of the H3 remarks leaves it
  record.EvaluationFinished = true;
  record.CompensatingDensity = record.TemporaryCompensatingDensity[1];
  view.SetText("ButtonCalcH3", "Calculation again");
  Click("ButtonCalcH2");
  EXPECT_EQ(record.CompensationAnalysis, -1);
  EXPECT_FALSE(record.EvaluationFinished);
  EXPECT_EQ(Text("ButtonCalcH3"), "Calculation");
  EXPECT_EQ(Text("LabelComDensityH2"), "0");
  EXPECT_FALSE(On("ButtonCalcH3"));
}

}  // namespace
}  // namespace korv::ui::testing
