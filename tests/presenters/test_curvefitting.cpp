// The curve-fitting window's presenter over an in-memory window: opening, the table and its
// packing, the range commands, "Curve Fitting" with its caption, the weight, the file and figures.
#include "presenters/Curvefitting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/MemoryView.h"

using namespace korv::ui;
using namespace korv::curvefit;

namespace {

constexpr double kDos = 5.25e15;
const double kTrueDensity[3] = {1e16, 3e15, 2e15};
const double kTrueLevel[3] = {0.045, 0.11, 0.2};

double ExactConcentration(double T) {
  FitParameters p;
  for (int k = 0; k < 3; ++k) p.dopants.push_back({kTrueDensity[k], kTrueLevel[k], 2});
  p.compensatingDensity = 1e14;
  // A long bisection: the measured points are the exact charge balance.
  const double kt = korv::phys::K_BOLTZMANN * T / korv::phys::Q_ELEMENTARY, nc = kDos * std::pow(T, 1.5);
  double lo = 0, hi = 1.5;
  for (int i = 0; i < 200; ++i) {
    const double e = (lo + hi) / 2;
    double ionised = 0;
    for (const auto& d : p.dopants) ionised += d.density / (1 + d.g * std::exp((d.level - e) / kt));
    (ionised - p.compensatingDensity - nc * std::exp(-e / kt) > 0 ? hi : lo) = e;
  }
  return nc * std::exp(-lo / kt);
}

class CurveFitting : public ::testing::Test {
 protected:
  CurveFitting() : view(CurveFittingControls(), CurveFittingCharts()), presenter(a, view) {
    dir = std::filesystem::temp_directory_path() /
          ("korv-cf-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
    a.ConductionType = "n-type";
    a.SampleNumber = "S-12";
    a.ProgramCaption = "KORV Ver. 1.51";
    a.DeveloperOptionsHidden = true;
    a.DosCoefficient = kDos;
    a.SimulationFile = (dir / "sample.simH").string();
    a.Temperature.clear();
    a.Concentration.clear();
    a.Reliability.clear();
    a.SplineTemperature.clear();
    for (int i = 0; i < 40; ++i) {
      const double T = 30 + 10 * i;
      a.Temperature.push_back(T);
      a.Concentration.push_back(ExactConcentration(T));
      a.Reliability.push_back(i == 5 ? 0.95 : 1.0);
    }
    a.DataCount = 40;
    for (double T = 30; T <= 420; T += 5) a.SplineTemperature.push_back(T);
    a.GridCount = static_cast<int>(a.SplineTemperature.size());
    a.SimulatedConcentration.assign(a.GridCount, 1e15);
    a.SimulatedFermiLevel.assign(a.GridCount, 0.05);
    // The simulation inputs: the true set, somewhat off, in unsorted slots.
    a.SimDensity = {2.3e15, 1.15e16, 2.8e15, 0};
    a.SimEnergyLevel = {0.195, 0.047, 0.112, 0};
    a.DegeneracyFactor = {2, 2, 2, 2};
    a.SimCompensatingDensity = 1.5e14;
  }
  ~CurveFitting() override { std::filesystem::remove_all(dir); }

 public:
  // A fitter that records what it was given and answers with a fixed outcome.
  void Scripted(int accepted, bool rejected) {
    presenter.SetFitter(
        [this, accepted, rejected](const Model&, const FitParameters& p, const FitPoints&, FitRange r, double w) {
          given.push_back(p);
          givenRange = r;
          givenWeight = w;
          FitResult res;
          res.adjusted = p;
          for (auto& d : res.adjusted.dopants) d.density *= 1.01;
          res.acceptedSteps = accepted;
          res.stepRejected = rejected;
          res.standardErrors.assign(p.ParameterCount(), std::nullopt);
          res.standardErrors[0] = 2.5e13;
          return res;
        });
  }

  Analysis a;
  MemoryView view;
  CurveFittingPresenter presenter;
  std::filesystem::path dir;
  std::vector<FitParameters> given;
  FitRange givenRange;
  double givenWeight = -1;
};

}  // namespace

TEST_F(CurveFitting, OpeningShowsTheSortedStartingValuesAndTheStartingCurve) {
  presenter.PrepareWindow();
  EXPECT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.caption, kCurveFittingCaption);
  EXPECT_EQ(view.Text("LabelSampleNumber"), "S-12");
  EXPECT_EQ(view.Text("LabelVersion"), "KORV Ver. 1.51");
  const char* levels[] = {"0.047", "0.112", "0.195"};
  const char* densities[] = {"1.15E+16", "2.80E+15", "2.30E+15"};
  for (int k = 1; k <= 3; ++k) {
    const std::string s = std::to_string(k);
    EXPECT_EQ(view.Text("LabelSEnergy" + s), levels[k - 1]);
    EXPECT_EQ(view.Text("EditCFEnergy" + s), levels[k - 1]);
    EXPECT_EQ(view.Text("LabelSDensity" + s), densities[k - 1]);
    EXPECT_EQ(view.Text("EditCFDensity" + s), densities[k - 1]);
    EXPECT_TRUE(view.IsChecked("CheckBox" + s) && view.IsEnabled("CheckBox" + s));
    EXPECT_EQ(view.Text("LabelSymbolCFEnergy" + s),
              "\xCE\x94"
              "E_D" +
                  s);
  }
  EXPECT_EQ(view.Text("EditCFCDensity"), "1.50E+14");
  EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting");
  EXPECT_TRUE(view.IsEnabled("ButtonCurveFitting"));
  for (const char* b : {"ButtonSave", "ButtonSaveFigureSimulation", "ButtonSaveFigureCurveFitting"})
    EXPECT_FALSE(view.IsEnabled(b)) << b;
  EXPECT_FALSE(view.IsVisible("EditWeight"));
  EXPECT_FALSE(view.IsVisible("LabelWeight"));
  // 39 fit points: the point of reliability exactly 0.95 is left out.
  EXPECT_EQ(presenter.Points().Count(), 39);
  EXPECT_EQ(view.PointCount(kChartSimulation, cfseries::kPoints), 39);
  EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kPoints), 39);
  EXPECT_EQ(view.PointCount(kChartSimulation, cfseries::kStartingCurve), a.GridCount);
  EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kAdjustedCurve), 0);
  ASSERT_EQ(view.Series(kChartCurveFitting, cfseries::kLowMarker).size(), 1u);
  EXPECT_DOUBLE_EQ(view.Series(kChartCurveFitting, cfseries::kLowMarker)[0].first, 1000.0 / 30);
  EXPECT_DOUBLE_EQ(view.Series(kChartCurveFitting, cfseries::kHighMarker)[0].first, 1000.0 / 420);
  EXPECT_EQ(view.LeftTitle(kChartSimulation), "Electron Concentration  [cm^-3]");
}

TEST_F(CurveFitting, CheckBoxesFollowTheNumberOfDopantsAndManualMode) {
  struct Case {
    double third;
    bool manual;
    bool checked3, enabled3;
  } cases[] = {{2.3e15, false, true, true}, {10, false, false, false}, {10, true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.third);
    a.SimDensity[0] = c.third;
    a.ManualMode = c.manual;
    presenter.PrepareWindow();
    EXPECT_EQ(view.IsChecked("CheckBox3"), c.checked3);
    EXPECT_EQ(view.IsEnabled("CheckBox3"), c.enabled3);
    EXPECT_TRUE(view.IsChecked("CheckBox2") && view.IsEnabled("CheckBox2"));
  }
  EXPECT_EQ(view.Text("EditCFEnergy3"), "0");
  EXPECT_EQ(view.Text("LabelSDensity3"), "0.00E+00");
}

TEST_F(CurveFitting, PTypeReadsAcceptorsAndHoles) {
  a.ConductionType = "p-type";
  presenter.PrepareWindow();
  EXPECT_EQ(view.Text("LabelSymbolSDensity2"), "N_A2");
  EXPECT_EQ(view.LeftTitle(kChartCurveFitting), "Hole Concentration  [cm^-3]");
}

TEST_F(CurveFitting, UncheckingTheFirstOfThreeFitsTwoAndRepacksTheRows) {
  a.DegeneracyFactor = {4, 2, 3, 1};  // sorted rows: 0.047 (g 2), 0.112 (g 3), 0.195 (g 4)
  presenter.PrepareWindow();
  Scripted(3, true);
  view.SetChecked("CheckBox1", false);
  presenter.ButtonCurveFittingClick();
  ASSERT_EQ(given.size(), 1u);
  ASSERT_EQ(given[0].dopants.size(), 2u);
  EXPECT_EQ(given[0].dopants[0].level, 0.112);
  EXPECT_EQ(given[0].dopants[1].level, 0.195);
  EXPECT_EQ(given[0].dopants[0].g, 3);  // the g of the row, not of the slot the row moves to
  EXPECT_EQ(given[0].dopants[1].g, 4);
  EXPECT_EQ(view.Text("EditCFEnergy1"), "0.112");
  EXPECT_EQ(view.Text("EditCFEnergy2"), "0.195");
  EXPECT_EQ(view.Text("EditCFDensity1"), "2.83E+15");
  EXPECT_EQ(view.Text("EditCFEnergy3"), "0");
  EXPECT_EQ(view.Text("EditCFDensity3"), "0.00E+00");
  EXPECT_TRUE(view.IsChecked("CheckBox1"));
  EXPECT_TRUE(view.IsChecked("CheckBox2"));
  EXPECT_FALSE(view.IsChecked("CheckBox3"));
  // A second run takes the repacked rows with their own degeneracy factors.
  presenter.ButtonInitializeClick();
  view.SetChecked("CheckBox1", false);
  presenter.ButtonCurveFittingClick();
  view.SetEnabled("ButtonCurveFitting", true);
  presenter.ButtonCurveFittingClick();
  ASSERT_EQ(given.size(), 3u);
  EXPECT_EQ(given[2].dopants[0].g, 3);
  EXPECT_EQ(given[2].dopants[1].g, 4);
}

TEST_F(CurveFitting, CaptionCountsTheAcceptedStepsOnceAStepIsRejected) {
  presenter.PrepareWindow();
  Scripted(4, true);
  presenter.ButtonCurveFittingClick();
  EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting 4 times");
  EXPECT_FALSE(view.IsEnabled("ButtonCurveFitting"));
  EXPECT_TRUE(view.IsEnabled("ButtonSave"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureCurveFitting"));
  EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kAdjustedCurve), a.GridCount);
  EXPECT_EQ(view.Text("LabelErrorCFCDensity"), "\xC2\xB1 2.50E+13");
  EXPECT_EQ(view.Text("LabelErrorCFEnergy1"), "\xE2\x80\x94");

  // All 100 steps improve: caption and button stay, the next click goes on.
  presenter.ButtonInitializeClick();
  Scripted(100, false);
  presenter.ButtonCurveFittingClick();
  EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting");
  EXPECT_TRUE(view.IsEnabled("ButtonCurveFitting"));
  EXPECT_EQ(presenter.FittingCounter(), 101);
  Scripted(7, true);
  presenter.ButtonCurveFittingClick();
  EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting 107 times");
  EXPECT_EQ(given.back().dopants[0].density, 1.16e16);  // the values as the edits show them
}

TEST_F(CurveFitting, TheRangeKeepsTwoPointsAndEveryRangeCommandResetsTheTable) {
  presenter.PrepareWindow();
  const int M = presenter.Points().Count();
  presenter.ButtonDecreaseLowClick();  // already at the lowest temperature
  EXPECT_EQ(presenter.FitLow(), 0);
  for (int i = 0; i < M + 5; ++i) presenter.ButtonIncreaseLowClick();
  EXPECT_EQ(presenter.FitLow(), M - 2);
  presenter.ButtonDecreaseHighClick();
  EXPECT_EQ(presenter.FitHigh(), M - 1);
  presenter.ButtonIncreaseHighClick();
  EXPECT_EQ(presenter.FitHigh(), M - 1);
  for (int i = 0; i < 3; ++i) presenter.ButtonDecreaseLowClick();
  EXPECT_EQ(presenter.FitLow(), M - 5);
  presenter.ButtonDecreaseHighClick();
  EXPECT_EQ(presenter.FitHigh(), M - 2);
  EXPECT_DOUBLE_EQ(view.Series(kChartCurveFitting, cfseries::kLowMarker).at(0).first,
                   1000 / presenter.Points().temperature[M - 5]);
  EXPECT_DOUBLE_EQ(view.Series(kChartCurveFitting, cfseries::kHighMarker).at(0).first,
                   1000 / presenter.Points().temperature[M - 2]);

  // Every range command puts the starting values back, even when its end cannot move.
  view.SetText("EditCFEnergy1", "0.3");
  view.SetChecked("CheckBox2", false);
  presenter.ButtonIncreaseHighClick();
  presenter.ButtonIncreaseHighClick();
  EXPECT_EQ(presenter.FitHigh(), M - 1);
  view.SetText("EditCFEnergy1", "0.3");
  presenter.ButtonIncreaseHighClick();
  EXPECT_EQ(view.Text("EditCFEnergy1"), "0.047");
  EXPECT_TRUE(view.IsChecked("CheckBox2"));
  Scripted(1, true);
  presenter.ButtonCurveFittingClick();
  EXPECT_EQ(givenRange.low, M - 5);
  EXPECT_EQ(givenRange.high, M - 1);
  presenter.ButtonInitializeClick();
  EXPECT_EQ(presenter.FitLow(), 0);
  EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kAdjustedCurve), 0);
}

TEST_F(CurveFitting, WeightIsTheEditOnlyWithDeveloperOptionsShown) {
  for (bool hidden : {true, false}) {
    SCOPED_TRACE(hidden);
    a.DeveloperOptionsHidden = hidden;
    presenter.PrepareWindow();
    EXPECT_EQ(view.IsVisible("EditWeight"), !hidden);
    view.SetText("EditWeight", "0.5");
    Scripted(2, true);
    presenter.ButtonCurveFittingClick();
    EXPECT_EQ(givenWeight, hidden ? 0.1 : 0.5);
  }
}

TEST_F(CurveFitting, SavesTheFileUnderTheProposedNameWithWeightPointOneThenTheFigures) {
  presenter.PrepareWindow();
  view.SetText("EditWeight", "0.7");    // hidden: not used
  presenter.ButtonCurveFittingClick();  // the real fit
  view.AcceptProposedNames();
  presenter.ButtonSaveClick();
  ASSERT_EQ(view.fileDialogs.size(), 1u);
  EXPECT_EQ(view.fileDialogs[0].dialog.fileName, (dir / "sample.cft").string());
  EXPECT_EQ(view.fileDialogs[0].dialog.filterIndex, 1);
  EXPECT_EQ(view.fileDialogs[0].dialog.filter, kCurveFittingFilter);
  EXPECT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.Text("LabelFilename"), (dir / "sample.cft").string());
  EXPECT_FALSE(view.IsEnabled("ButtonSave"));
  std::ifstream in(dir / "sample.cft", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_NE(s.str().find("\r\n% Weight for curve fitting: 0.1\r\n"), std::string::npos);
  EXPECT_NE(s.str().find("% Times of curve fitting procedures: " + std::to_string(presenter.FittingCounter()) + "\r\n"),
            std::string::npos);

  ASSERT_TRUE(view.IsEnabled("ButtonSaveFigureSimulation"));
  presenter.ButtonSaveFigureSimulationClick();
  presenter.ButtonSaveFigureCurveFittingClick();
  ASSERT_EQ(view.fileDialogs.size(), 3u);
  EXPECT_EQ(view.fileDialogs[1].dialog.fileName, (dir / "sampleSim.bmp").string());
  EXPECT_EQ(view.fileDialogs[2].dialog.fileName, (dir / "sampleCurve.bmp").string());
  EXPECT_EQ(view.fileDialogs[2].dialog.filterIndex, 2);
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureSimulation"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureCurveFitting"));
}

TEST_F(CurveFitting, TheRealFitLowersTheDeviationAndStaysInTheDomain) {
  presenter.PrepareWindow();
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  ASSERT_TRUE(presenter.LastFit());
  const FitResult& r = *presenter.LastFit();
  EXPECT_LT(r.deviationAfter, r.deviationBefore);
  EXPECT_TRUE(InDomain(r.adjusted));
  EXPECT_GT(r.acceptedSteps, 0);
  for (int k = 1; k <= 3; ++k) {
    double v = 0;
    EXPECT_TRUE(korv::TryParseReal(view.Text("EditCFEnergy" + std::to_string(k)), v));
    EXPECT_NEAR(v, kTrueLevel[k - 1], 0.004);
  }
}

TEST_F(CurveFitting, FailuresLeaveTheEnteredValuesAsTheyWere) {
  struct Case {
    std::string edit, text;
    std::function<void(CurveFitting&)> arrange;
    std::string message;
  };
  const std::vector<Case> cases{
      {"EditCFDensity2", "abc", nullptr, "'abc' is not a valid floating point value"},
      {"EditCFCDensity", "-1E+14", nullptr, kOutsideDomain},
      {"EditCFEnergy3", "1.6", nullptr, kOutsideDomain},
      {"EditCFEnergy1", "0.047",
       [](CurveFitting& t) {
         t.presenter.SetFitter([](const Model&, const FitParameters&, const FitPoints&, FitRange, double) -> FitResult {
           throw korv::Error(kFitFailed);
         });
       },
       kFitFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    presenter.PrepareWindow();
    view.ClearLog();
    if (c.arrange) c.arrange(*this);
    view.SetText(c.edit, c.text);
    presenter.ButtonCurveFittingClick();
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0], c.message);
    EXPECT_EQ(view.Text(c.edit), c.text);
    EXPECT_EQ(view.Text("EditCFDensity1"), "1.15E+16");
    EXPECT_TRUE(view.IsEnabled("ButtonCurveFitting"));
    EXPECT_FALSE(view.IsEnabled("ButtonSave"));
    EXPECT_EQ(presenter.FittingCounter(), 1);
    EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kAdjustedCurve), 0);
    EXPECT_EQ(view.cursor, Cursor::Normal);
  }
}

TEST_F(CurveFitting, PrintGoesThroughTheWindowImage) {
  int printed = 0;
  presenter.printWindow = [&] { return ++printed, true; };
  presenter.PrepareWindow();
  presenter.ButtonPrintClick();
  EXPECT_EQ(printed, 1);
}
