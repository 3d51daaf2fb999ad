// The curve-fitting window's presenter over an in-memory window: opening, the table and its
// packing, the range commands, "Curve Fitting" with its caption, the weight, the file and figures.
#include "presenters/analyses/CurveFittingPresenter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/MemoryView.h"

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

  void ChooseRelative(bool relative = true) {
    view.SetChecked("RadioButtonAbsolute", !relative);
    view.SetChecked("RadioButtonRelative", relative);
    presenter.RadioButtonDeviationClick();
  }
  // A relative fit that records its input and answers with it, plus `findings` the first time.
  void ScriptedRelative(std::vector<korv::analyses::UnresolvedLevel> findings) {
    presenter.SetRelativeFitter([this, findings](const korv::analyses::RelativeFitInput& in) {
      givenRelative.push_back(in);
      korv::analyses::RelativeFitResult r;
      r.ok = true;
      r.dopants = in.dopants;
      r.compensatingDensity = in.compensatingDensity;
      const std::size_t L = in.dopants.size();
      r.densityError.assign(L, 1e13);
      r.levelError.assign(L, 2e-4);
      r.compensatingError = 3e12;
      r.reducedChi2 = 1.25e-4;
      r.iterations = 7;
      if (givenRelative.size() == 1) r.unresolved = findings;
      return r;
    });
  }
  std::vector<std::string> CftLines() {
    std::ifstream in(dir / "sample.cft", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::vector<std::string> lines;
    const std::string text = s.str();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }

  Analysis a;
  MemoryView view;
  CurveFittingPresenter presenter;
  std::filesystem::path dir;
  std::vector<FitParameters> given;
  std::vector<korv::analyses::RelativeFitInput> givenRelative;
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

// A weight of 0, a negative or a huge one is refused by name before any step; the window
// opened for the next sample starts from the default weight again.
TEST_F(CurveFitting, WeightOutsideItsRangeIsRefusedAndANewSampleStartsFromTheDefault) {
  a.DeveloperOptionsHidden = false;
  presenter.PrepareWindow();
  for (const char* text : {"0", "-1", "1e300", "2"}) {
    SCOPED_TRACE(text);
    view.SetText("EditWeight", text);
    view.ClearLog();
    givenWeight = -7;
    Scripted(2, true);
    presenter.ButtonCurveFittingClick();
    EXPECT_EQ(givenWeight, -7) << "no fit ran";
    EXPECT_EQ(view.errors,
              std::vector<std::string>{"The weight for curve fitting must lie above 0 and at most 1 (it is " +
                                       korv::FormatGeneral(korv::ParseReal(text)) + ")."});
    EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting");
    EXPECT_TRUE(view.IsEnabled("ButtonCurveFitting"));
  }
  presenter.PrepareWindow();
  EXPECT_EQ(view.Text("EditWeight"), "0.1");
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

// ---- The bounded fit in relative deviations ---------------------------------------------------

TEST_F(CurveFitting, AbsoluteIsTheDefaultAndTheRelativeChoiceFitsTheRangeWithTheRelativeFit) {
  presenter.PrepareWindow();
  EXPECT_TRUE(view.IsChecked("RadioButtonAbsolute"));
  EXPECT_FALSE(view.IsChecked("RadioButtonRelative"));
  EXPECT_EQ(view.Text("RadioButtonAbsolute"), "absolute (Gauss–Newton)");
  EXPECT_EQ(view.Text("RadioButtonRelative"), "relative, bounded");
  EXPECT_EQ(view.Text("LabelDeviation"), "Deviation:");
  EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
  Scripted(2, true);
  ScriptedRelative({});
  presenter.ButtonIncreaseLowClick();
  presenter.ButtonDecreaseHighClick();
  ChooseRelative();
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_TRUE(given.empty());
  ASSERT_EQ(givenRelative.size(), 1u);
  const auto& in = givenRelative[0];
  const int M = presenter.Points().Count();
  ASSERT_EQ(in.temperature.size(), static_cast<std::size_t>(M - 2));
  for (int i = 0; i < M - 2; ++i) {
    EXPECT_EQ(in.temperature[i], presenter.Points().temperature[1 + i]);
    EXPECT_EQ(in.concentration[i], presenter.Points().concentration[1 + i]);
  }
  EXPECT_EQ(in.dosCoefficient, kDos);
  ASSERT_EQ(in.dopants.size(), 3u);
  EXPECT_EQ(in.dopants[0].level, 0.047);
  EXPECT_EQ(in.dopants[2].density, 2.3e15);
  EXPECT_EQ(in.dopants[1].g, 2);
  EXPECT_EQ(in.compensatingDensity, 1.5e14);
  // "Curve Fitting" stays available: a further click fits again from the result.
  EXPECT_TRUE(view.IsEnabled("ButtonCurveFitting"));
  EXPECT_EQ(view.Text("ButtonCurveFitting"), "Curve Fitting");
  EXPECT_TRUE(view.IsEnabled("ButtonSave"));

  // Back to absolute: the Gauss-Newton fit again, and the relative findings are gone.
  ChooseRelative(false);
  EXPECT_EQ(view.Text("LabelReducedChi2"), "");
  presenter.ButtonCurveFittingClick();
  EXPECT_EQ(given.size(), 1u);
  EXPECT_EQ(givenRelative.size(), 1u);
  EXPECT_FALSE(presenter.LastRelativeFit());
}

// From the simulation's values, somewhat off, the exact data give back the true set; every
// parameter shows its standard error, the reduced chi^2 is shown, and the adjusted curve is
// the model solved to full precision (15 bisections would leave it percent off).
TEST_F(CurveFitting, TheRelativeFitRecoversTheExactSetWithAStandardErrorForEveryParameter) {
  presenter.PrepareWindow();
  ChooseRelative();
  // The data are made with Boltzmann statistics.
  EXPECT_EQ(view.Text("ComboBoxStatistics"), "Fermi-Dirac");
  view.SetText("ComboBoxStatistics", "Boltzmann");
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  ASSERT_TRUE(presenter.LastRelativeFit());
  const auto& r = *presenter.LastRelativeFit();
  ASSERT_EQ(r.dopants.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(r.dopants[k].level / kTrueLevel[k], 1, 1e-5);
    EXPECT_NEAR(r.dopants[k].density / kTrueDensity[k], 1, 1e-4);
  }
  EXPECT_NEAR(r.compensatingDensity / 1e14, 1, 1e-3);
  for (int k = 1; k <= 3; ++k) {
    const std::string s = std::to_string(k);
    EXPECT_EQ(view.Text("LabelErrorCFEnergy" + s).rfind("\xC2\xB1 ", 0), 0u) << view.Text("LabelErrorCFEnergy" + s);
    EXPECT_EQ(view.Text("LabelErrorCFDensity" + s).rfind("\xC2\xB1 ", 0), 0u);
    EXPECT_EQ(view.Text("LabelResolved" + s), "");
    EXPECT_EQ(view.Text("EditCFEnergy" + s), korv::FormatPattern(kTrueLevel[k - 1], "0.####"));
  }
  EXPECT_EQ(view.Text("LabelErrorCFCDensity").rfind("\xC2\xB1 ", 0), 0u);
  EXPECT_EQ(view.Text("LabelReducedChi2").rfind("Reduced \xCF\x87\xC2\xB2 = ", 0), 0u);
  EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
  const auto curve = view.Series(kChartCurveFitting, cfseries::kAdjustedCurve);
  ASSERT_EQ(curve.size(), static_cast<std::size_t>(a.GridCount));
  for (int j = 0; j < a.GridCount; j += 13)
    EXPECT_NEAR(curve[j].second / ExactConcentration(a.SplineTemperature[j]), 1, 1e-5) << a.SplineTemperature[j];
}

// Unresolved levels are marked next to their values; Merge puts one level in place of the pair
// (densities added, level density-weighted) and fits again from there.
TEST_F(CurveFitting, MergeReplacesTheUnresolvedPairByOneLevelAndFitsAgain) {
  presenter.PrepareWindow();
  ScriptedRelative({{0,
                     1,
                     "levels closer than 3 kT at the lowest fit temperature",
                     false,
                     korv::analyses::FindingKind::Resolution,
                     {}}});
  ChooseRelative();
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.Text("LabelResolved1"), kNotResolved);
  EXPECT_EQ(view.Text("LabelResolved2"), "not resolved by these data");
  EXPECT_EQ(view.Text("LabelResolved3"), "");
  EXPECT_EQ(view.Text("LabelResolution"), "D1 and D2: levels closer than 3 kT at the lowest fit temperature");
  EXPECT_EQ(view.Text("LabelReducedChi2"), "Reduced \xCF\x87\xC2\xB2 = 1.250E-04");
  EXPECT_EQ(view.Text("LabelErrorCFEnergy2"), "\xC2\xB1 2.0E-04");
  EXPECT_EQ(view.Text("LabelErrorCFDensity1"), "\xC2\xB1 1.00E+13");
  ASSERT_TRUE(view.IsEnabled("ButtonMerge"));

  presenter.ButtonMergeClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  ASSERT_EQ(givenRelative.size(), 2u);
  const auto& in = givenRelative[1];
  ASSERT_EQ(in.dopants.size(), 2u);
  EXPECT_DOUBLE_EQ(in.dopants[0].density, 1.15e16 + 2.8e15);
  EXPECT_DOUBLE_EQ(in.dopants[0].level, (1.15e16 * 0.047 + 2.8e15 * 0.112) / (1.15e16 + 2.8e15));
  EXPECT_EQ(in.dopants[1].level, 0.195);
  EXPECT_EQ(in.compensatingDensity, 1.5e14);
  EXPECT_EQ(in.temperature.size(), static_cast<std::size_t>(presenter.Points().Count()));
  // The table shows the two levels; the third row is emptied and unchecked.
  EXPECT_EQ(view.Text("EditCFDensity1"), "1.43E+16");
  EXPECT_EQ(view.Text("EditCFEnergy2"), "0.195");
  EXPECT_EQ(view.Text("EditCFEnergy3"), "0");
  EXPECT_TRUE(view.IsChecked("CheckBox1") && view.IsChecked("CheckBox2"));
  EXPECT_FALSE(view.IsChecked("CheckBox3"));
  EXPECT_EQ(view.Text("LabelErrorCFEnergy3"), "");
  for (const char* label : {"LabelResolved1", "LabelResolved2", "LabelResolution"}) EXPECT_EQ(view.Text(label), "");
  EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
  EXPECT_EQ(presenter.LastRelativeFit()->merges, 1);
  // Nothing left to merge: a further click changes nothing.
  presenter.ButtonMergeClick();
  EXPECT_EQ(givenRelative.size(), 2u);
}

// The *.cft keeps its lines; after a relative fit line 19 names the deviation, the statistics
// and the excited states, line 21 gives weight 1 and a block after the grid holds the standard
// errors, starts, candidates and findings; after the Gauss-Newton fit every line reads as always.
TEST_F(CurveFitting, TheCftHeadingAndWeightFollowTheDeviationOfTheLastFit) {
  struct Case {
    bool relative;
    const char* heading;
    const char* weight;
  };
  for (const Case& c :
       {Case{true, "% Simulation result by KORV using curve-fitting adjustment (relative deviation, bounded)",
             "% Weight for curve fitting: 1"},
        Case{false, "% Simulation result by KORV using curve-fitting adjustment", "% Weight for curve fitting: 0.1"}}) {
    SCOPED_TRACE(c.relative);
    presenter.PrepareWindow();
    ChooseRelative(c.relative);
    presenter.ButtonCurveFittingClick();
    view.AcceptProposedNames();
    presenter.ButtonSaveClick();
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
    const auto lines = CftLines();
    ASSERT_GT(lines.size(), 32u);
    EXPECT_EQ(lines[17], lines[19]);
    EXPECT_EQ(lines[20], c.weight);
    EXPECT_EQ(lines[21].rfind("% Times of curve fitting procedures: ", 0), 0u);
    if (!c.relative) {
      EXPECT_EQ(lines[18], c.heading);
      EXPECT_EQ(static_cast<int>(lines.size()), 32 + a.GridCount);
      continue;
    }
    // Line 19 also names the statistics and the excited-state choice of each row.
    EXPECT_EQ(lines[18].rfind(std::string(c.heading).substr(0, std::string(c.heading).size() - 1) +
                                  "; Fermi-Dirac statistics, excited states 1:auto,2:auto,3:auto (chosen: ",
                              0),
              0u)
        << lines[18];
    // The specified lines end with the grid; the trust block follows, every line a comment.
    ASSERT_GT(static_cast<int>(lines.size()), 32 + a.GridCount);
    EXPECT_EQ(lines[31 + a.GridCount].rfind("420 ", 0), 0u);
    EXPECT_EQ(lines[33 + a.GridCount], "% Relative fit: standard errors and checks");
    std::string trailer;
    for (std::size_t i = 32 + a.GridCount; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].rfind("% ", 0), 0u) << lines[i];
      trailer += lines[i] + "\n";
    }
    for (const char* part : {"% Statistics: Fermi-Dirac\n", "% First density standard error [cm^-3]: ",
                             "% Compensating density standard error [cm^-3]: ", "% Reduced chi2: ",
                             "% Starts tried/agreeing: 13/", "% Levels: ", "(chosen)\n", "% Find"})
      EXPECT_NE(trailer.find(part), std::string::npos) << part << " in\n" << trailer;
  }
}

TEST_F(CurveFitting, AFailedRelativeFitLeavesTheTableAsItWas) {
  struct Case {
    std::string edit, text, message;
    bool scripted;
  };
  for (const Case& c : {Case{"EditMass", "abc", "'abc' is not a valid floating point value", false},
                        Case{"ComboBoxExcited2", "12",
                             "The excited states of row 2 are 'auto', 'off' or an r_max from 2 to 10.", false},
                        Case{"EditCFEnergy1", "0.047", "The fit needs at least two points.", true}}) {
    SCOPED_TRACE(c.message);
    presenter.PrepareWindow();
    view.ClearLog();
    if (c.scripted)
      presenter.SetRelativeFitter([](const korv::analyses::RelativeFitInput&) {
        korv::analyses::RelativeFitResult r;
        r.message = "The fit needs at least two points.";
        return r;
      });
    ChooseRelative();
    view.SetText(c.edit, c.text);
    presenter.ButtonCurveFittingClick();
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0], c.message);
    EXPECT_EQ(view.Text("EditCFDensity1"), "1.15E+16");
    EXPECT_FALSE(view.IsEnabled("ButtonSave"));
    EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
    EXPECT_FALSE(presenter.LastRelativeFit());
    EXPECT_EQ(view.PointCount(kChartCurveFitting, cfseries::kAdjustedCurve), 0);
    EXPECT_EQ(view.cursor, Cursor::Normal);
  }
}

// The relative fit's model comes from the window: the statistics, the excited states of each
// checked row, m* and eps (the material's at opening), the number of levels and the starts.
TEST_F(CurveFitting, TheModelChoicesGoIntoTheRelativeFit) {
  a.EffectiveMass = 0.26;
  a.DielectricConstant = 11.9;
  presenter.PrepareWindow();
  EXPECT_EQ(view.Text("ComboBoxStatistics"), "Fermi-Dirac");
  EXPECT_EQ(view.Text("ComboBoxLevels"), "auto");
  EXPECT_EQ(view.Text("ComboBoxExcited2"), "auto");
  EXPECT_EQ(view.Text("EditMass"), "0.26");
  EXPECT_EQ(view.Text("EditDielectric"), "11.9");
  ScriptedRelative({});
  ChooseRelative();
  presenter.ButtonCurveFittingClick();
  ASSERT_EQ(givenRelative.size(), 1u);
  EXPECT_EQ(givenRelative[0].physics.statistics, korv::analyses::Statistics::FermiDirac);
  EXPECT_EQ(givenRelative[0].excited, (std::vector<int>{-1, -1, -1}));
  EXPECT_TRUE(givenRelative[0].autoLevels);
  EXPECT_EQ(givenRelative[0].starts, 12);
  EXPECT_EQ(givenRelative[0].mass, 0.26);
  EXPECT_EQ(givenRelative[0].dielectricConstant, 11.9);

  presenter.ButtonInitializeClick();
  view.SetText("ComboBoxStatistics", "Boltzmann");
  view.SetText("ComboBoxExcited1", "off");
  view.SetText("ComboBoxExcited3", "4");
  view.SetText("ComboBoxExcitedDegeneracy", "r2");
  view.SetText("EditMass", "1.5");
  view.SetText("EditDielectric", "8.9");
  view.SetText("ComboBoxLevels", "2");
  presenter.SetStarts(20);
  presenter.ButtonCurveFittingClick();
  ASSERT_EQ(givenRelative.size(), 2u);
  const auto& in = givenRelative[1];
  EXPECT_EQ(in.physics.statistics, korv::analyses::Statistics::Boltzmann);
  EXPECT_EQ(in.physics.excitedWeight, korv::analyses::ExcitedWeight::R2);
  EXPECT_EQ(in.excited, (std::vector<int>{0, -1, 4}));
  EXPECT_EQ(in.mass, 1.5);
  EXPECT_EQ(in.dielectricConstant, 8.9);
  EXPECT_FALSE(in.autoLevels);
  EXPECT_EQ(in.levels, 2);
  EXPECT_EQ(in.starts, 20);
  presenter.SetStarts(5);  // never fewer than 12
  EXPECT_EQ(presenter.Starts(), 12);
}

// After a fit: starts tried/agreeing, the candidates, the residuals against T with zero drawn,
// the findings beside the values and the notices; a correlation finding is no case for Merge.
TEST_F(CurveFitting, TheRelativeFitShowsStartsCandidatesResidualsAndFindings) {
  presenter.PrepareWindow();
  presenter.SetRelativeFitter([](const korv::analyses::RelativeFitInput& in) {
    korv::analyses::RelativeFitResult r;
    r.ok = true;
    r.dopants = in.dopants;
    r.dopants[0].excited = 4;
    r.compensatingDensity = in.compensatingDensity;
    r.densityError.assign(in.dopants.size(), 1e13);
    r.levelError.assign(in.dopants.size(), 2e-4);
    r.physics.statistics = korv::analyses::Statistics::FermiDirac;
    r.startsTried = 13;
    r.startsAgreeing = 9;
    r.candidates = {{1, 0.5, 0.01, -100.0, false}, {2, 0.004, 1e-4, -300.5, true}};
    r.orbitRadius = {5.02, std::nullopt, std::nullopt};
    r.wignerSeitzRadius = {2.87, std::nullopt, std::nullopt};
    r.residualTemperature = {30, 100, 400};
    r.residual = {0.01, -0.02, 0.005};
    korv::analyses::UnresolvedLevel c;
    c.kind = korv::analyses::FindingKind::Correlation;
    c.first = 0;
    c.parameters = {"density", "compensating_density"};
    c.reason = "correlation 0.9991 between density and compensating_density";
    korv::analyses::UnresolvedLevel runs;
    runs.kind = korv::analyses::FindingKind::Runs;
    runs.reason = "the residuals run in long runs of one sign (runs test at the 1 % level)";
    r.unresolved = {c, runs};
    r.notices = {"The compensating density -1e+13 cm^-3 was moved to 1e+10 cm^-3."};
    return r;
  });
  ChooseRelative();
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.Text("LabelStarts"), "Starts tried/agreeing: 13/9; Fermi-Dirac");
  EXPECT_EQ(view.Text("LabelExcited1"), "r_max = 4; orbit 5.0 nm, Wigner-Seitz 2.9 nm");
  EXPECT_EQ(view.Text("LabelExcited2"), "no excited states");
  const std::string table = view.Text("LabelCandidates");
  EXPECT_NE(table.find("\n1   5.000E-01   1.000E-02   -100.0"), std::string::npos) << table;
  EXPECT_NE(table.find("\n2   4.000E-03   1.000E-04   -300.5   chosen"), std::string::npos) << table;
  EXPECT_EQ(view.Text("LabelResolved1"), kNotResolved);
  EXPECT_EQ(view.Text("LabelResolution"),
            "D1 and N_com: correlation 0.9991 between density and compensating_density\n"
            "fit: the residuals run in long runs of one sign (runs test at the 1 % level)");
  EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_EQ(view.notices[0], "The compensating density -1e+13 cm^-3 was moved to 1e+10 cm^-3.");
  const auto residuals = view.Series(kChartResiduals, 0);
  ASSERT_EQ(residuals.size(), 3u);
  EXPECT_EQ(residuals[1], (std::pair<double, double>{100, -0.02}));
  EXPECT_EQ(view.Series(kChartResiduals, 1), (std::vector<std::pair<double, double>>{{30, 0.0}, {400, 0.0}}));
  // Initialize clears it all.
  presenter.ButtonInitializeClick();
  EXPECT_EQ(view.Text("LabelStarts"), "");
  EXPECT_EQ(view.Text("LabelCandidates"), "");
  EXPECT_EQ(view.PointCount(kChartResiduals, 0), 0);
}

// A merge whose fit raises the BIC is refused: the levels stay as they were and Merge is off.
TEST_F(CurveFitting, AMergeThatRaisesTheBicIsRefused) {
  presenter.PrepareWindow();
  int calls = 0;
  presenter.SetRelativeFitter([&](const korv::analyses::RelativeFitInput& in) {
    korv::analyses::RelativeFitResult r;
    r.ok = true;
    r.dopants = in.dopants;
    r.compensatingDensity = in.compensatingDensity;
    r.densityError.assign(in.dopants.size(), 1e13);
    r.levelError.assign(in.dopants.size(), 2e-4);
    r.bic = ++calls == 1 ? -500.0 : -420.0;
    if (calls == 1) {
      korv::analyses::UnresolvedLevel u;
      u.first = 0;
      u.second = 1;
      u.reason = "levels closer than 3 kT at the lowest fit temperature";
      r.unresolved = {u};
    }
    return r;
  });
  ChooseRelative();
  presenter.ButtonCurveFittingClick();
  ASSERT_TRUE(view.IsEnabled("ButtonMerge"));
  const std::string density1 = view.Text("EditCFDensity1");
  presenter.ButtonMergeClick();
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_EQ(view.notices[0], "Merging raises the BIC from -500.0 to -420.0: the levels are kept.");
  EXPECT_FALSE(view.IsEnabled("ButtonMerge"));
  EXPECT_EQ(presenter.LastRelativeFit()->dopants.size(), 3u);
  EXPECT_EQ(presenter.LastRelativeFit()->merges, 0);
  EXPECT_EQ(view.Text("EditCFDensity1"), density1);
  EXPECT_TRUE(view.IsChecked("CheckBox3"));
  presenter.ButtonMergeClick();  // off: nothing happens
  EXPECT_EQ(calls, 2);
}
