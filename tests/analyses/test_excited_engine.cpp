// The excited-states numerics: levels, occupancy, model, index helpers, the automatic
// evaluation (straightforward and fast forms) and the two files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "ExcitedRecord.h"
#include "analyses/ExcitedStates.h"
#include "core/Error.h"
#include "core/Numbers.h"
#include "support/AnalyticRecord.h"

using namespace korv::excited;
using korv::test::FillExcitedRecord;
using korv::test::HydrogenicDopant;
using korv::test::RecordingPorts;

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CR LF: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("korv_excited_" + name)).string();
}

// p-GaN:Mg-like data made with excited states 2..4, on 300-420 K (1201 points, the H1
// peak at 374 K) so that the straightforward form stays quick enough for a test.
class ExcitedFixture : public ::testing::Test {
 protected:
  void SetUp() override { FillExcitedRecord(a, dopant, 300, 420, 0.25); }
  Analysis a;
  HydrogenicDopant dopant;
};

}  // namespace

TEST_F(ExcitedFixture, HydrogenicLevelsFollowTheRydbergSeries) {
  ExcitedStates x(a);
  x.HighestLevel = 4;
  x.ComputeHydrogenicLevels();
  ASSERT_EQ(x.HydrogenicLevels.size(), 4u);
  const double ry = 13.6 * 1.5 / 8.9 / 8.9;
  for (int n = 1; n <= 4; ++n) EXPECT_DOUBLE_EQ(x.HydrogenicLevels[n - 1], ry / n / n);
}

TEST_F(ExcitedFixture, RefusesNonPositiveMaterialValuesBeforeAnyCalculation) {
  struct Case {
    double dielectric, mass;
    const char* words;
  };
  for (const Case& c : {Case{0, 1.5, "dielectric constant"}, Case{-3, 1.5, "dielectric constant"},
                        Case{8.9, 0, "effective mass"}, Case{8.9, -1, "effective mass"}}) {
    a.DielectricConstant = c.dielectric;
    a.EffectiveMass = c.mass;
    ExcitedStates x(a);
    RecordingPorts ports;
    try {
      x.AutomaticExcitedEvaluation(ports, ports);
      ADD_FAILURE() << "accepted " << c.dielectric << " " << c.mass;
    } catch (const korv::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ports.events.empty());
    EXPECT_TRUE(x.Trials.empty());
  }
}

TEST_F(ExcitedFixture, OccupancyEqualsTheTextbookFormAndStaysFiniteWhereItOverflows) {
  ExcitedStates x(a);
  x.HighestLevel = 4;
  x.ComputeHydrogenicLevels();
  const auto& dE = x.HydrogenicLevels;
  // Textbook: I = exp((E - EF)/kT) / (1 + g exp(-Eex/kT) (exp((E-EF)/kT) + sum n^2 exp((dE_n - EF)/kT))).
  for (double T : {150.0, 300.0, 600.0}) {
    const double kT = korv::test::KTeV(T), E = 0.17, EF = 0.25;
    double w = 0, num = 0, s = std::exp((E - EF) / kT);
    for (int n = 2; n <= 4; ++n) {
      const double wn = n * n * std::exp(-(E - dE[n - 1]) / kT);
      w += wn;
      num += wn * (E - dE[n - 1]);
      s += n * n * std::exp((dE[n - 1] - EF) / kT);
    }
    const double eex = num / (1 + w);
    EXPECT_NEAR(x.AverageExcitedEnergy(kT, E), eex, 1e-12);
    const double textbook = std::exp((E - EF) / kT) / (1 + 4 * std::exp(-eex / kT) * s);
    EXPECT_NEAR(x.OccupancyTerm(kT, EF, E) / textbook, 1.0, 1e-12) << T;
  }
  // A level near 1.5 eV at 5 K: exp((E - EF)/kT) overflows in the textbook form.
  const double kT = korv::test::KTeV(5);
  const double i = x.OccupancyTerm(kT, 0.01, 1.5);
  EXPECT_TRUE(std::isfinite(i));
  EXPECT_NEAR(i, 1.0 / 4.0, 1e-6);  // fully occupied: exp((E-EF)/kT)/D -> 1/(g (1+W) exp(-Eex/kT)) ~ 1/g
  EXPECT_TRUE(std::isfinite(x.OccupancyTerm(kT, 1.49, 0.001)));
}

TEST(ExcitedLowTemperature, DeepLevelAtLowTemperatureNeverPoisonsAResult) {
  // A shallow acceptor measured from 8 K: the level search passes levels up to 1.5 eV.
  Analysis a;
  HydrogenicDopant d;
  d.level = 0.03;
  d.density = 1e17;
  d.compensation = 1e16;
  d.mass = 0.3;
  d.dielectric = 11.7;
  FillExcitedRecord(a, d, 8, 60, 0.02, 1e15);
  ExcitedStates x(a);
  x.HighestLevel = 10;
  x.ComputeHydrogenicLevels();
  for (int j = 0; j < a.GridCount; j += 25) {
    EXPECT_TRUE(std::isfinite(x.ExcitedModelH(j, 0.0, 1.0, 1.5))) << j;
    EXPECT_TRUE(std::isfinite(x.ExcitedModelH(j, -1e5, 1e19, 1.5))) << j;
  }
  RecordingPorts ports;
  x.AutomaticExcitedEvaluation(ports, ports);
  for (int i = 0; i < kTrialCount; ++i) {
    const TrialResult& t = x.Trials[i];
    if (!t.succeeded) {
      EXPECT_EQ(x.TrialDeviation[i], -1);
      continue;
    }
    EXPECT_TRUE(std::isfinite(t.density) && std::isfinite(t.level) && std::isfinite(t.compensatingDensity)) << i;
    for (double v : x.TrialSimulatedH[i]) ASSERT_TRUE(std::isfinite(v)) << i;
  }
}

TEST(ExcitedIndexHelpers, DownwardWalkStartsTwentyOrHundredPointsBelowThePeak) {
  struct Case {
    int peak, bump, expected;
  };
  // A rising H1 with a bump at `bump` that stops the downward walk just above it.
  for (const Case& c :
       {Case{80, 59, 60}, Case{80, 61, 0}, Case{150, 49, 50}, Case{150, 55, 0}, Case{15, -1, 0}, Case{400, -1, 0}}) {
    Analysis a;
    a.GridCount = 600;
    a.SplineTemperature.resize(600);
    a.HValues.resize(4);
    a.HValues[0].assign(600, 0);
    for (int j = 0; j < 600; ++j) {
      a.SplineTemperature[j] = 50 + 0.1 * j;
      a.HValues[0][j] = j <= c.peak ? 1.0 + j : 1.0 + c.peak - 0.001 * (j - c.peak);
    }
    if (c.bump >= 0) a.HValues[0][c.bump] = 1e6;
    a.PeakIndex[0] = c.peak;
    EXPECT_EQ(ExcitedStates(a).LowerStartIndex(), c.expected) << c.peak << " " << c.bump;
  }
}

TEST(ExcitedIndexHelpers, UpwardWalkAndGridSearch) {
  Analysis a;
  a.GridCount = 1000;
  a.SplineTemperature.resize(1000);
  a.HValues.resize(4);
  a.HValues[0].assign(1000, 0);
  for (int j = 0; j < 1000; ++j) {
    a.SplineTemperature[j] = 100 + 0.1 * j;
    a.HValues[0][j] = 1000.0 - std::abs(j - 300);
  }
  a.PeakIndex[0] = 300;
  ExcitedStates x(a);
  EXPECT_EQ(x.FirstGridIndexAtOrAbove(130.0), 300);
  EXPECT_EQ(x.FirstGridIndexAtOrAbove(1e4), 999);
  EXPECT_EQ(x.UpperEndIndex(), 800);  // 50 K above the peak, H1 falling all the way
  a.HValues[0][400] = 2000;           // rises again at 10 K above the peak
  EXPECT_EQ(x.UpperEndIndex(), 380);
}

TEST(ExcitedChoice, SmallestDeviationWinsAndTiesGoToTheLowerTrial) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::array<double, kTrialCount> d;
  d.fill(-1);
  EXPECT_EQ(ChooseTrial(d), -1);
  d[3] = nan;
  EXPECT_EQ(ChooseTrial(d), -1);
  d[5] = 2.0;
  d[7] = 1.0;
  d[9] = 1.0;
  d[16] = 1.5;
  EXPECT_EQ(ChooseTrial(d), 7);
  d[2] = 0.0;
  EXPECT_EQ(ChooseTrial(d), 2);
}

TEST_F(ExcitedFixture, FastFormGivesTheSameBitsAsTheStraightforwardForm) {
  ExcitedStates slow(a), fast(a);
  RecordingPorts slowPorts, fastPorts;
  ASSERT_TRUE(slow.AutomaticExcitedEvaluation(slowPorts, slowPorts, Method::Straightforward));
  ASSERT_TRUE(fast.AutomaticExcitedEvaluation(fastPorts, fastPorts, Method::Fast));
  ASSERT_EQ(slow.Trials.size(), static_cast<std::size_t>(kTrialCount));
  for (int i = 0; i < kTrialCount; ++i) {
    const TrialResult &s = slow.Trials[i], &f = fast.Trials[i];
    EXPECT_EQ(s.succeeded, f.succeeded) << i;
    EXPECT_EQ(s.density, f.density) << i;
    EXPECT_EQ(s.level, f.level) << i;
    EXPECT_EQ(s.compensatingDensity, f.compensatingDensity) << i;
    EXPECT_EQ(s.ratioSteps, f.ratioSteps) << i;
    EXPECT_EQ(slow.TrialSimulatedH[i], fast.TrialSimulatedH[i]) << i;
    if (!std::isnan(s.deviation)) {
      EXPECT_EQ(s.deviation, f.deviation) << i;
    }
  }
  EXPECT_EQ(slowPorts.events, fastPorts.events);
  EXPECT_EQ(slow.ExcitedDensity, fast.ExcitedDensity);
  EXPECT_EQ(slow.ExcitedEnergyLevel, fast.ExcitedEnergyLevel);
  EXPECT_EQ(slow.HighestLevel, fast.HighestLevel);

  // The chosen trial K: its r is 2 + K div 2; the level table is that of r = 10.
  const int k = ChooseTrial(fast.TrialDeviation);
  ASSERT_GE(k, 0);
  EXPECT_EQ(fast.HighestLevel, 2 + k / 2);
  EXPECT_EQ(fast.HydrogenicLevels.size(), 10u);
  EXPECT_EQ(fast.ExcitedSimulatedH, fast.TrialSimulatedH[k]);
  // Data made with r = 4: the trials with r = 4 give back the dopant.
  for (int i : {4, 5}) {
    EXPECT_NEAR(fast.Trials[i].level, 0.17, 0.002) << i;
    EXPECT_NEAR(fast.Trials[i].density / 1e19, 1.0, 0.02) << i;
    EXPECT_NEAR(fast.Trials[i].compensatingDensity / 1e18, 1.0, 0.05) << i;
  }
  // Progress: 2 steps per trial, 1 per usable deviation, both windows closed.
  EXPECT_EQ(fastPorts.count("Step Main"), 2 * kTrialCount + kTrialCount);
  EXPECT_EQ(fastPorts.events.back(), "Close Main");
}

TEST_F(ExcitedFixture, ModelPeakAboveThePeakAtOneMeVFailsEveryTrial) {
  // The model depends on the grid concentration and E_ref only. At E_ref = -0.1 eV the model of
  // a 1 meV level rises over the whole scan, so its peak lies above T_p of an H1 row that
  // peaks in the middle of the grid.
  a.Eref[0] = -0.1;
  const int p = 600;
  for (int j = 0; j < a.GridCount; ++j) a.HValues[0][j] = 1e40 * (2000.0 - std::abs(j - p));
  a.PeakIndex[0] = p;
  ExcitedStates x(a);
  x.HighestLevel = 2;
  x.ComputeHydrogenicLevels();
  ASSERT_GT(x.ExcitedModelPeakTemperature(0, x.UpperEndIndex(), 0.0, 0.001), a.SplineTemperature[p]);
  RecordingPorts ports;
  EXPECT_FALSE(x.AutomaticExcitedEvaluation(ports, ports));
  for (const TrialResult& t : x.Trials) {
    EXPECT_FALSE(t.succeeded);
    EXPECT_EQ(t.message, kShallowMessage);
  }
  EXPECT_FALSE(x.ExcitedResultValid);
  EXPECT_EQ(ports.errors, std::vector<std::string>(kTrialCount + 1, kTrialFailedMessage));
}

TEST_F(ExcitedFixture, ExcFileListsTheExcitedStatesAndNamesItself) {
  ExcitedStates x(a);
  x.HighestLevel = 2;
  x.ComputeHydrogenicLevels();
  x.ExcitedDensity = 1e19;
  x.ExcitedEnergyLevel = 0.17;
  x.ExcitedCompensatingDensity = 1e18;
  x.ExcitedSimulatedH.assign(a.GridCount, 2.0);
  x.ExcitedSimulatedConcentration.assign(a.GridCount, 3.0);
  x.ExcitedSimulatedFermiLevel.assign(a.GridCount, 0.25);
  a.Remark = "";
  const std::string path = TempPath("r2.exc");
  ASSERT_TRUE(x.WriteExcFile(path));
  const auto lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 50u + a.GridCount);
  EXPECT_EQ(lines[0], "% First Analysis (Automatic Evaluation Version Type-B )");
  EXPECT_EQ(lines[8], "% H1 file: " + path);
  EXPECT_EQ(lines[20], "% ");  // the empty remark
  EXPECT_EQ(lines[38], "% Energies of the excited states");
  EXPECT_EQ(lines[40],
            "% Ground state energy without core corrections [eV]: " + korv::FormatHeaderReal(x.HydrogenicLevels[0]));
  EXPECT_EQ(lines[41], "% 1 Excited state energy [eV]: " + korv::FormatHeaderReal(x.HydrogenicLevels[1]));
  EXPECT_EQ(lines[42], "% ------------------------------------------------------------ ");
  EXPECT_EQ(lines[45], "% Density [cm^-3]: 1E19");
  EXPECT_EQ(lines[48], "% T    H1(T,E_ref)      sim H1(T,E_ref)   sim p(T)    sim E_F  sim E_ex  ");
  std::istringstream row(lines[50]);
  double v[6];
  for (double& d : v) row >> d;
  EXPECT_EQ(v[0], 300);
  EXPECT_EQ(v[2], 2.0);
  EXPECT_NEAR(v[5], x.AverageExcitedEnergy(korv::test::KTeV(300), 0.17), 1e-6);
  EXPECT_EQ(lines[50].find("300     "), 0u);

  x.HighestLevel = 10;
  x.ComputeHydrogenicLevels();
  a.ConductionType = "N-type";  // not exactly "n-type": the p-type header
  ASSERT_TRUE(x.WriteExcFile(path));
  const auto ten = ReadLines(path);
  EXPECT_EQ(ten[49], "% 9 Excited state energy [eV]: " + korv::FormatHeaderReal(x.HydrogenicLevels[9]));
  EXPECT_NE(ten[56].find("sim p(T)"), std::string::npos);
  std::filesystem::remove(path);
}

TEST_F(ExcitedFixture, SimNFileCarriesTheGivenCurveAndTheH1Result) {
  ExcitedStates x(a);
  RecordingPorts ports;
  x.SimulateFermiDiracConcentration(ports);
  EXPECT_EQ(ports.count("Step Main"), a.GridCount);
  // The Fermi-Dirac curve with the true values lies close to the measured one at high T
  // only where the excited states matter little; it must at least be positive and finite.
  for (double n : x.FermiDiracConcentration) ASSERT_TRUE(std::isfinite(n) && n > 0);
  const std::string path = TempPath("f.simN");
  ASSERT_TRUE(x.WriteSimNFile(path, x.FermiDiracConcentration, x.FermiDiracFermiLevel));
  const auto lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 43u + a.GridCount);
  EXPECT_EQ(lines[0], "% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)");
  EXPECT_EQ(lines[3], "% Function Type: H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5");
  EXPECT_EQ(lines[29], "% Conditions for analysis of H1 ");
  EXPECT_EQ(lines[39], "% Density [cm^-3]: 1E19");
  EXPECT_EQ(lines[41], "% Compenating density [cm^-3]: 1E18");
  EXPECT_EQ(lines[43], korv::FormatPoint(300) + "     " + korv::FormatPoint(x.FermiDiracConcentration[0]) + "     " +
                           korv::FormatPoint(x.FermiDiracFermiLevel[0]));
  std::filesystem::remove(path);
}
