// The main window says what its results and files hold: the simulation file states the
// inputs its data were made with, the simulated line is drawn above the measured points,
// commands wait for their inputs, and a missing peak or a negative compensating density
// is explained.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "MainFixture.h"
#include "core/Numbers.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainControls.h"

namespace korv::ui::testing {
namespace {

using korv::test::ReadCrLfLines;

class Results : public MainWindow {
 protected:
  // The value after `prefix` on the line of the file that starts with it.
  static double HeaderValue(const std::string& path, const std::string& prefix) {
    for (const std::string& line : ReadCrLfLines(path))
      if (line.rfind(prefix, 0) == 0) return ParseReal(line.substr(prefix.size()));
    ADD_FAILURE() << "no line " << prefix << " in " << path;
    return -1;
  }
  void Simulate() {
    view.ClearLog();
    Click("ButtonSimulation");
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  }
};

// The Simulation tab says which levels and which compensating density it holds and where
// they came from, after every command.
TEST_F(Results, SimulationTabSaysWhereItsInputsCameFrom) {
  const auto sources = [&] { return Text("LabelSimulationSources"); };
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  EXPECT_EQ(sources(), "The simulation uses no level; no compensating density.");
  ToH1Saved("01_si_n_P_lightcomp.nT");
  const std::string level = "The simulation uses level 1 (H1, saved); ";
  if (view.IsChecked("CheckBox4")) {
    const std::string origin =
        record.EvaluationFinished ? "adopted by the evaluation" : "temporary compensating density of H1";
    EXPECT_EQ(sources(), level + "N_com = " + Text("EditSCDensity") + " cm^-3 (" + origin + ").");
  } else {
    EXPECT_EQ(sources(), level + "no compensating density.");
  }
  // Typed in on the tab, or left out.
  view.SetText("EditSCDensity", "1.23E+13");
  view.SetChecked("CheckBox4", true);
  Simulate();
  EXPECT_EQ(sources(), level + "N_com = 1.23E+13 cm^-3 (entered).");
  view.SetChecked("CheckBox4", false);
  Simulate();
  EXPECT_EQ(sources(), level + "no compensating density.");
  // A typed level is not taken for the evaluated one.
  view.SetText("EditSDensity1", "5E15");
  Simulate();
  EXPECT_EQ(sources(), "The simulation uses level 1 (entered); no compensating density.");
}

// A level or compensating density left out of the simulation is stated as 0 in the
// *.simH header, not as the value the edit still holds.
TEST_F(Results, SimulationFileStatesTheCompensationItWasMadeWith) {
  ToH1Saved("01_si_n_P_lightcomp.nT");
  const double entered = ParseReal(Text("EditSCDensity"));
  ASSERT_GT(entered, 0);
  const std::string prefix = "% Compenating density [cm^-3]: ";
  struct Case {
    bool ticked;
    double stated;
  };
  for (const Case c : {Case{false, 0.0}, Case{true, entered}}) {
    view.SetChecked("CheckBox4", c.ticked);
    Simulate();
    Click("ButtonSaveSimulation");
    EXPECT_EQ(HeaderValue(record.SimulationFile, prefix), c.stated) << "ticked " << c.ticked;
    EXPECT_EQ(HeaderValue(record.SimulationFile, "% First density [cm^-3]: "), record.SimDensity[0]);
  }
}

// The simulated line is not cut at the highest measured point: without the compensating
// density it lies above the data at high temperatures, and there it is drawn.
TEST_F(Results, SimulatedLineIsDrawnAboveTheMeasuredPoints) {
  ToH1Saved("01_si_n_P_lightcomp.nT");
  view.SetChecked("CheckBox4", false);
  Simulate();
  for (const char* chart : {"ChartSimulationT", "ChartSimulationReverseT"}) {
    const double highest = view.SeriesYRange(chart, series::kMeasured).second;
    const auto& line = view.Series(chart, series::kCurve);
    const auto above = std::count_if(line.begin(), line.end(), [&](const auto& p) { return p.second > highest; });
    EXPECT_GT(above, 10) << chart;
    // Every point the chart holds is finite and positive, as its logarithmic axis needs.
    for (const auto& p : line) EXPECT_TRUE(std::isfinite(p.second) && p.second > 0) << chart;
  }
  // The line reaches the grid's highest temperature.
  const auto& t = view.Series("ChartSimulationT", series::kCurve);
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back().first, record.SplineTemperature[GridLength(record) - 1]);
}

// "Save Results" waits for a saved H1 result; "Simulation" refuses a run without any level.
TEST_F(Results, ReportAndSimulationWaitForWhatTheyNeed) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  EXPECT_FALSE(On("ButtonSaveResults"));
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  Click("ButtonCalcFermiLevel");
  Click("ButtonSaveFermiLevel");
  EXPECT_FALSE(On("ButtonSaveResults"));
  // No level ticked or none with a density: no simulation, nothing to save.
  ASSERT_TRUE(On("ButtonSimulation"));
  Click("ButtonSimulation");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], "The simulation needs at least one ticked level with a density above 0.");
  EXPECT_FALSE(On("ButtonSaveSimulation"));
  EXPECT_TRUE(On("ButtonSimulation"));
  EXPECT_TRUE(record.SimulatedConcentration.empty() ||
              std::all_of(record.SimulatedConcentration.begin(), record.SimulatedConcentration.end(),
                          [](double v) { return v == 0; }));
  view.ClearLog();

  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  EXPECT_FALSE(On("ButtonSaveResults"));
  Click("ButtonSaveH1");
  EXPECT_TRUE(On("ButtonSaveResults"));
  // A new H1 calculation drops the saved result from the report's reach.
  Click("ButtonCalcH1");
  EXPECT_FALSE(On("ButtonSaveResults"));
}

// DX Center has no analysis: it stays disabled after the evaluation that enables the
// excited states, and says why on hovering.
TEST_F(Results, DXCenterStaysDisabledWithItsReason) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  EXPECT_TRUE(On("MenuExcitedStates"));
  EXPECT_FALSE(On("MenuDXCenter"));
  const auto& list = MainControls();
  const auto dx = std::find_if(list.begin(), list.end(), [](const auto& c) { return c.name == "MenuDXCenter"; });
  ASSERT_NE(dx, list.end());
  EXPECT_EQ(dx->toolTip, "DX Center has no analysis in this version.");
}

// A peak at an end of the grid: the Evaluation stays disabled and a notice says why,
// naming the temperature, after either H1 calculation.
TEST_F(Results, PeakAtTheEndOfTheGridIsExplained) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  presenter.Pipeline().calculateH = [](Analysis& a, int k) {
    const bool ok = a.CalculateH(k);
    if (ok && k == 0) a.PeakIndex[0] = GridLength(a) - 1;
    return ok;
  };
  view.ClearLog();
  Click("ButtonCalcH1");
  EXPECT_FALSE(On("ButtonEvaluation1"));
  ASSERT_EQ(view.notices.size(), 1u);
  const std::string at = FormatPattern(record.SplineTemperature[GridLength(record) - 1], "0.0");
  EXPECT_EQ(view.notices[0],
            "No level can be evaluated: H1 has no peak inside the measured range, its largest "
            "value lies at an end of the grid (at T = " +
                at + " K); the data hold no freeze-out range of a level.");
  // An inner peak gives no notice.
  presenter.Pipeline().calculateH = [](Analysis& a, int k) { return a.CalculateH(k); };
  view.ClearLog();
  Click("ButtonCalcH1");
  EXPECT_TRUE(On("ButtonEvaluation1"));
  EXPECT_TRUE(view.notices.empty());
}

// A negative compensating density of an evaluation is shown with the notice beside it;
// a positive one without, and a new calculation clears it.
TEST_F(Results, NegativeCompensatingDensityCarriesItsNotice) {
  struct Case {
    const char* dataset;
    bool negative;
  };
  for (const Case c : {Case{"01_si_n_P_lightcomp.nT", false}, Case{"07_sic4h_n_N_two_sites.nT", true}}) {
    SCOPED_TRACE(c.dataset);
    ToFermiReady(c.dataset);
    Click("ButtonCalcH1");
    Click("ButtonEvaluation1");
    ASSERT_EQ(record.TemporaryCompensatingDensity[0] < 0, c.negative) << Text("LabelCDensity1");
    EXPECT_EQ(Text("LabelNegativeNcomH1"), c.negative ? kNegativeNcomNotice : "");
    Click("ButtonCalcH1");
    EXPECT_EQ(Text("LabelNegativeNcomH1"), "");
  }
  EXPECT_EQ(std::string(kNegativeNcomNotice),
            "The negative compensating density means that an undeterminable shallower level may exist.");
}

// The spline tab shows data/spline at every point used; "Calculation" says when a point is
// missed by more than 20 %, naming the largest deviation and its temperature.
TEST_F(Results, SplineResidualsAndTheirNotice) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  view.ClearLog();
  Click("ButtonCalcSpline");
  const SplineResiduals r = SplineResidualsOf(record);
  ASSERT_GE(r.worst, 0);
  const auto& shown = view.Series("ChartSplineResidual", series::kResidual);
  ASSERT_EQ(shown.size(), r.ratio.size());
  ASSERT_GT(shown.size(), 20u);
  // The largest deviation of 01 at smoothness 5000: at the lowest temperatures the spline
  // lies about twice as high as the data.
  EXPECT_NEAR(r.ratio[r.worst], 0.5, 0.05);
  EXPECT_LT(r.temperature[r.worst], 40);
  const std::string expected = "The spline misses the measured points: the largest deviation is data/spline = " +
                               FormatPattern(r.ratio[r.worst], "0.000") + " (" +
                               FormatPattern(100 * (r.ratio[r.worst] - 1), "0") + " %) at " +
                               FormatPattern(r.temperature[r.worst], "0.0") +
                               " K. A smaller smoothness than 5000 follows the data more closely.";
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_EQ(view.notices[0], expected);
  EXPECT_EQ(Text("LabelSplineWarning"), expected);
  // Data/spline of a point on the grid is the ratio of the two concentrations.
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const auto g = std::find(record.SplineTemperature.begin(), record.SplineTemperature.end(), shown[i].first);
    if (g == record.SplineTemperature.end()) continue;
    const double spline = record.SplineConcentration[g - record.SplineTemperature.begin()];
    const auto m = std::find(record.Temperature.begin(), record.Temperature.end(), shown[i].first);
    ASSERT_NE(m, record.Temperature.end());
    EXPECT_NEAR(shown[i].second, record.Concentration[m - record.Temperature.begin()] / spline, 1e-12);
  }

  // A smaller smoothness follows the points: no notice, the label is cleared.
  view.SetText("EditSmoothness", "50");
  view.ClearLog();
  Click("ButtonCalcSpline");
  EXPECT_TRUE(view.notices.empty()) << view.notices.front();
  EXPECT_EQ(Text("LabelSplineWarning"), "");
  EXPECT_FALSE(view.Series("ChartSplineResidual", series::kResidual).empty());
  // A new measurement clears the chart.
  Load("02_si_p_B_comp20.pT");
  EXPECT_TRUE(view.Series("ChartSplineResidual", series::kResidual).empty());
}

}  // namespace
}  // namespace korv::ui::testing
