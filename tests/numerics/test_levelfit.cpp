// The level fit on records with an exact concentration: the model functions are the
// H of one level, the fits give back the level they were made from, and the scans
// follow their bounds and step counts.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Error.h"
#include "support/AnalyticRecord.h"

using korv::test::ExactConcentration;
using korv::test::ExactFermiLevel;
using korv::test::FillGrid;
using korv::test::FillH;
using korv::test::KTeV;
using korv::test::Level;
using korv::test::PlainH;
using korv::test::RecordingPorts;

namespace {

const Level SI_P{1e16, 0.0456, 2};
const Level SI_B{2e16, 0.045, 4};

class LevelFit : public ::testing::Test {
 protected:
  Analysis a;
  RecordingPorts ports;

  void SetUp() override { a.AttachPorts(&ports, &ports); }

  // One level on 30..350 K with compensation q; H1 at E_ref from the grid.
  void makeRecord(const Level& level, double q, double eref = 0, double dos = 5.25e15) {
    FillGrid(a, {level}, q, 30, 350, dos);
    a.DegeneracyFactor[0] = level.g;
    FillH(a, 0, eref);
  }
};

// The model functions are the H (and S) of one level: fed the exact concentration of
// that level they give back the function calculated from it.
TEST_F(LevelFit, ModelsReproduceTheFunctionOfTheirLevel) {
  struct Case {
    int type;
    Level level;
    double q, T, eref;
  } cases[] = {
      {2, SI_P, 0, 40, 0}, {2, SI_P, 0, 120, 0.01},    {2, SI_P, 1e14, 60, -0.005}, {2, SI_B, 4e15, 80, 0.02},
      {1, SI_P, 0, 50, 0}, {1, SI_B, 4e15, 150, 0.01}, {2, SI_B, -1e15, 100, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " T " << c.T << " q " << c.q);
    a.FunctionType = c.type;
    a.DosCoefficient = 5.25e15;
    a.DegeneracyFactor[0] = c.level.g;
    a.Eref[0] = c.eref;
    const double n = ExactConcentration({c.level}, c.q, a.DosCoefficient, c.T);
    const double expected = PlainH(c.type, n, c.T, c.eref);
    const double x = c.q / c.level.density;
    EXPECT_NEAR(a.CompensatedModel(0, x, c.level.energy, c.level.density, n, c.T) / expected, 1, 1e-9);
    if (c.q == 0) {
      EXPECT_NEAR(a.OneLevelModel(0, c.level.energy, c.level.density, n, c.T) / expected, 1, 1e-9);
      EXPECT_DOUBLE_EQ(a.CompensatedModel(0, 0, c.level.energy, 1, n, c.T),
                       a.OneLevelModel(0, c.level.energy, 1, n, c.T));
    }
  }
  a.FunctionType = 3;
  EXPECT_EQ(a.OneLevelModel(0, 0.05, 1e16, 1e15, 100), -1);
  EXPECT_EQ(a.CompensatedModel(0, 0.1, 0.05, 1e16, 1e15, 100), -1);
}

// The concentration of one level from the bisection of its charge balance: within
// the bisection's resolution of the exact one, including deep freeze-out.
TEST_F(LevelFit, OneLevelConcentrationSolvesTheChargeBalance) {
  struct Case {
    Level level;
    double q, T;
  } cases[] = {
      {SI_P, 0, 35},
      {SI_P, 1e14, 60},
      {SI_P, 1e14, 300},
      {SI_B, 4e15, 40},
      {{1e19, 0.17, 4}, 1e18, 200},  // D far above N_C: deep freeze-out of one level
      {{1e19, 0.05, 2}, 0, 20},
  };
  a.DosCoefficient = 5.25e15;
  a.SplineTemperature.resize(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "T " << c.T << " q " << c.q);
    a.DegeneracyFactor[0] = c.level.g;
    a.SplineTemperature[0] = c.T;
    const double n = a.OneLevelConcentration(0, c.q, c.level.energy, c.level.density);
    const double exact = ExactConcentration({c.level}, c.q, a.DosCoefficient, c.T);
    const double resolution = 1.5 / 32768 / KTeV(c.T);  // in ln n
    EXPECT_LE(std::fabs(std::log(n / exact)), resolution);
    EXPECT_DOUBLE_EQ(a.KT, KTeV(c.T));
    EXPECT_DOUBLE_EQ(a.Nc, std::pow(c.T, 1.5) * a.DosCoefficient);
  }
  EXPECT_THROW(a.OneLevelConcentration(1, 0, 0.05, 1e16), korv::Error);
}

// The peak scan skips what cannot hold the maximum; its answer must be the plain
// scan's, the first strict maximum above 0, for every level and ratio.
TEST_F(LevelFit, ModelPeakTemperatureIsTheFirstStrictMaximum) {
  makeRecord(SI_B, 4e15);
  const int lo = 100, hi = 2500;
  for (double x : {-0.5, -1e-3, 0.0, 1e-4, 0.2, 0.9}) {
    for (double E = 0.001; E < 0.4; E += 0.0137) {
      double best = 0, expected = a.SplineTemperature[lo];
      for (int j = lo; j <= hi; ++j) {
        const double v = a.CompensatedModel(0, x, E, 1, a.SplineConcentration[j], a.SplineTemperature[j]);
        if (v > best) best = v, expected = a.SplineTemperature[j];
      }
      ASSERT_EQ(a.ModelPeakTemperature(0, lo, hi, x, E), expected) << "x " << x << " E " << E;
    }
  }
  // A ratio that makes every value negative gives the first temperature of the range.
  EXPECT_EQ(a.ModelPeakTemperature(0, lo, hi, 1e6, 0.05), a.SplineTemperature[lo]);
  EXPECT_EQ(a.ModelPeakTemperature(0, hi, lo, 0, 0.05), a.SplineTemperature[hi]);
  EXPECT_THROW(a.ModelPeakTemperature(0, a.GridCount, a.GridCount + 5, 0, 0.05), korv::Error);
}

TEST_F(LevelFit, LevelForRatioPlacesTheLevelOfThePeak) {
  makeRecord(SI_P, 0);
  const int b = a.PeakTailAbove(0);
  const double E = a.LevelForRatio(0, 0, b, 0);
  EXPECT_NEAR(E, SI_P.energy, 0.001);
  EXPECT_TRUE(a.LevelInRange);
  EXPECT_EQ(a.AdoptedLevelRangeMessage[0], "The energy level is between 1 meV and 1500 meV");

  // A peak colder than the model peak of a 1 meV level.
  a.PeakIndex[0] = 0;
  EXPECT_EQ(a.LevelForRatio(0, 0, a.GridCount - 1, 0), 0);
  EXPECT_FALSE(a.LevelInRange);
  EXPECT_EQ(a.AdoptedLevelRangeMessage[0], "The energy level might be shallower than 1 meV");

  // A peak hotter than any model peak the range can hold.
  a.PeakIndex[0] = a.GridCount - 1;
  EXPECT_EQ(a.LevelForRatio(0, 0, a.GridCount / 2, 0), 1.5);
  EXPECT_FALSE(a.LevelInRange);
  EXPECT_EQ(a.AdoptedLevelRangeMessage[0], "The energy level might be deeper than 1500 meV");
}

// The tails of the peak: steps of 20 points while H keeps falling strictly, at most
// 50 K away, never past the grid.
TEST_F(LevelFit, PeakTailsStepWhileTheFunctionFalls) {
  FillGrid(a, {SI_P}, 0, 20, 200);
  const int p = 900;
  struct Case {
    int fallBelow, fallAbove;  // H falls for this many points on each side, then stays flat
    int peak, below, above;
  } cases[] = {
      {1000, 1000, p, p - 500, p + 500},  // the 50 K bounds
      {65, 45, p, p - 80, p + 60},        // the last step that still reached a lower value
      {0, 0, p, p, p},                    // the first step does not fall
      {1000, 1000, 10, 10, 510},          // below: the grid's first point bounds the walk
      {1000, 1000, 1795, 1295, 1795},     // above: the grid's last point bounds it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "peak " << c.peak << " falls " << c.fallBelow << " " << c.fallAbove);
    auto& H = a.HValues[0];
    H.assign(a.GridCount, 0);
    for (int x = 0; x < a.GridCount; ++x) {
      const int d = x < c.peak ? std::min(c.peak - x, c.fallBelow) : std::min(x - c.peak, c.fallAbove);
      H[x] = 5000 - d;
    }
    a.PeakIndex[0] = c.peak;
    EXPECT_EQ(a.PeakTailBelow(0), c.below);
    EXPECT_EQ(a.PeakTailAbove(0), c.above);
  }
}

// The fit gives back level, density and compensation of exact data, with a positive
// ratio for compensated data and a negative one for data with extra free carriers.
TEST_F(LevelFit, FitLevelRecoversTheLevelOfExactData) {
  struct Case {
    Level level;
    double q;
  } cases[] = {{SI_B, 4e15}, {SI_P, 1e14}, {SI_P, -1e15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "q " << c.q);
    makeRecord(c.level, c.q);
    const int check = a.LowerTailIndex(0) + (a.PeakIndex[0] - a.LowerTailIndex(0)) / 2;
    ASSERT_TRUE(a.FitLevel(0, check));
    EXPECT_NEAR(a.EnergyLevel[0], c.level.energy, 0.0005);
    EXPECT_NEAR(a.Density[0] / c.level.density, 1, 0.02);
    EXPECT_NEAR(a.TemporaryCompensatingDensity[0] / c.q, 1, 0.15);
    EXPECT_EQ(ports.events.front(), "Show Detailed 23");
    EXPECT_LE(ports.count("Step Detailed"), 22);
    ports.events.clear();
  }
}

// Half compensated: the positive decade search stops before a ratio above 0.9, so the
// fit takes E(0), nine decades 1e-9..1e-1 and eleven bisection steps, never E(1).
TEST_F(LevelFit, PositiveDecadeSearchStopsBelowOne) {
  makeRecord(SI_P, 0.5e16);
  const int b = a.LowerTailIndex(0);
  ASSERT_TRUE(a.FitLevel(0, b + (a.PeakIndex[0] - b) / 2));
  EXPECT_EQ(ports.count("Step Detailed"), 1 + 9 + 11);
  const double ratio = a.TemporaryCompensatingDensity[0] / a.Density[0];
  EXPECT_GT(ratio, 0.1);
  EXPECT_LT(ratio, 0.9);
}

TEST_F(LevelFit, FitFailsWhenTheUncompensatedLevelLeavesTheRange) {
  makeRecord(SI_P, 1e14);
  a.PeakIndex[0] = 0;  // colder than any model peak: shallower than 1 meV
  a.HValues[0][0] = 1e40;
  const double before = a.EnergyLevel[0];
  EXPECT_FALSE(a.FitLevel(0, 0));
  EXPECT_EQ(a.EnergyLevel[0], before);
  EXPECT_FALSE(a.LevelInRange);

  EXPECT_FALSE(a.RefitWithScaledRatio(0, 0, 0.01));
  EXPECT_TRUE(a.LevelInRange);
  EXPECT_EQ(ports.events.back(), "Close Detailed");
}

// With E_ref above 0 the first analysis also fits from the scaled ratio and keeps the
// fit that follows the flank's concentration better, with its own simulated row.
TEST_F(LevelFit, ScaledRetryKeepsTheBetterOfTwoFits) {
  makeRecord(SI_P, 1e14, 0.01);
  const int b = a.LowerTailIndex(0), p = a.PeakIndex[0];
  int retried = 0;
  for (int c : {b, b + (p - b) / 5, b + 2 * (p - b) / 5, b + 3 * (p - b) / 5}) {
    SCOPED_TRACE(c);
    ASSERT_TRUE(a.EvaluateAtCheckPoint(0, c));
    ASSERT_GT(a.TemporaryCompensatingDensity[0], 0);
    const auto& s = a.EvaluationScratch;  // D0, E0, C0, ratio0, then the retry's
    EXPECT_EQ(s[3], s[2] / s[0]);
    if (s[4] == 0) continue;  // the ratio was not below 1 after scaling
    ++retried;
    if (a.ScaledCompensation) {
      EXPECT_EQ(a.Density[0], s[4]);
      EXPECT_EQ(a.SimulatedH[0], a.EvaluationRetryRow);
    } else {
      EXPECT_EQ(a.Density[0], s[0]);
      EXPECT_EQ(a.EnergyLevel[0], s[1]);
      EXPECT_EQ(a.TemporaryCompensatingDensity[0], s[2]);
      EXPECT_EQ(a.SimulatedH[0], a.EvaluationSaveRow);
    }
    EXPECT_NEAR(a.EnergyLevel[0], SI_P.energy, 0.001);
  }
  EXPECT_GT(retried, 0);
}

TEST_F(LevelFit, CheckLevelRangePlacesTheLevelByItsPeak) {
  makeRecord(SI_P, 0, 0.005);
  a.EvaluationFinished = false;
  a.EnergyLevel[0] = 0.5;
  ASSERT_TRUE(a.CheckLevelRange(0));
  EXPECT_TRUE(a.LevelInRange);
  EXPECT_EQ(a.LevelRangeMessage[0], "The energy level is between 1 meV and 1500 meV");
  EXPECT_NEAR(a.PeakEnergyLevel[0], SI_P.energy, 0.001);
  EXPECT_NEAR(a.PeakDensity[0] / SI_P.density, 1, 0.05);
  EXPECT_EQ(a.EnergyLevel[0], 0.5);  // adopted only once the compensation is fixed
  EXPECT_EQ(ports.events.front(), "Show Main 14");
  EXPECT_EQ(ports.count("Step Main"), 14);
  EXPECT_EQ(ports.events.back(), "Close Main");

  a.EvaluationFinished = true;
  ASSERT_TRUE(a.CheckLevelRange(0));
  EXPECT_EQ(a.EnergyLevel[0], a.PeakEnergyLevel[0]);
  EXPECT_EQ(a.Density[0], a.PeakDensity[0]);
  EXPECT_EQ(a.AdoptedLevelRangeMessage[0], a.LevelRangeMessage[0]);

  // Out of range: the message says so and the previous peak values are adopted as they are.
  const double level = a.PeakEnergyLevel[0], density = a.PeakDensity[0];
  a.PeakIndex[0] = 0;
  a.HValues[0][0] = 1e40;  // a peak at the cold end, falling above it
  ASSERT_TRUE(a.CheckLevelRange(0));
  EXPECT_FALSE(a.LevelInRange);
  EXPECT_EQ(a.LevelRangeMessage[0], "The energy level might be shallower than 1 meV");
  EXPECT_EQ(a.PeakEnergyLevel[0], level);
  EXPECT_EQ(a.PeakDensity[0], density);
  EXPECT_EQ(a.EnergyLevel[0], level);

  a.FunctionType = 0;
  EXPECT_FALSE(a.CheckLevelRange(0));
}

TEST_F(LevelFit, ModelRowsClipWhileCandidateRowsDoNot) {
  makeRecord(SI_P, 1e14);
  a.EnergyLevel[0] = 0.0456;
  a.Density[0] = 1e16;
  a.TemporaryCompensatingDensity[0] = 5e15;  // so large that the model falls below 0 when cold
  a.PeakEnergyLevel[0] = 0.0456;
  a.PeakDensity[0] = 1e16;
  ASSERT_TRUE(a.FillModelRows(0, Analysis::FillMode::Simulated));
  ASSERT_TRUE(a.FillCandidateSimulatedH(0, 3));
  ASSERT_TRUE(a.FillModelRows(0, Analysis::FillMode::Model));
  ASSERT_EQ(a.SimulatedH[0].size(), static_cast<size_t>(a.GridCount));
  ASSERT_EQ(a.CandidateSimulatedH[3].size(), static_cast<size_t>(a.GridCount));
  int negative = 0;
  for (int j = 0; j < a.GridCount; ++j) {
    const double n = a.SplineConcentration[j], T = a.SplineTemperature[j];
    const double model = a.CompensatedModel(0, 0.5, 0.0456, 1e16, n, T);
    EXPECT_EQ(a.CandidateSimulatedH[3][j], model);
    EXPECT_EQ(a.SimulatedH[0][j], model > 0 ? model : 0);
    EXPECT_EQ(a.ModelH[0][j], std::max(0.0, a.OneLevelModel(0, 0.0456, 1e16, n, T)));
    negative += model < 0;
  }
  EXPECT_GT(negative, 0);
  a.FunctionType = 5;
  EXPECT_FALSE(a.FillModelRows(0, Analysis::FillMode::Simulated));
}

}  // namespace
