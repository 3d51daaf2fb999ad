#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "PipelineFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"

namespace {

using namespace korv::phys;

struct DosCase {
  double mass, minima, expected;
};

TEST(DensityOfStates, CoefficientFromMassAndMinima) {
  for (const DosCase& c :
       {DosCase{1, 1, 4.8296e15}, DosCase{0.5, 6, 1.0245e16}, DosCase{0.5, 6, 6 * std::pow(0.5, 1.5) * 4.8296e15}}) {
    Analysis a;
    a.EffectiveMass = c.mass;
    a.EquivalentMinima = c.minima;
    ASSERT_TRUE(a.CalculateEffectiveDensityOfStates());
    EXPECT_NEAR(a.DosCoefficient / c.expected, 1, 1e-4) << c.mass << " m0, " << c.minima << " minima";
  }
}

TEST(DensityOfStates, RefusesNonPositiveMassAndKeepsTheCoefficient) {
  for (double mass : {0.0, -0.3, double(NAN)}) {
    Analysis a;
    a.DosCoefficient = 1.23e15;
    a.EffectiveMass = mass;
    EXPECT_THROW(a.CalculateEffectiveDensityOfStates(), korv::Error);
    EXPECT_EQ(a.DosCoefficient, 1.23e15);
  }
}

class FermiLevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a.DosCoefficient = 5e15;
    a.SplineTemperature = {50, 100, 300};
    a.SplineConcentration = {1e13, 1e15, 1e20};  // the last above N_C
    a.GridCount = 3;
    a.Temperature = {40, 80};
    a.Concentration = {2e12, 3e14};
    a.Reliability = {1, 1};
    a.DataCount = 2;
  }
  static double expected(double t, double n, double dos) {
    return std::log(std::pow(t, 1.5) * dos / n) * K_BOLTZMANN * t / Q_ELEMENTARY;
  }
  Analysis a;
};

TEST_F(FermiLevelTest, OnTheGridAndAtThePoints) {
  ASSERT_TRUE(a.CalculateFermiLevel());
  ASSERT_EQ(a.FermiLevel.size(), 3u);
  for (int j = 0; j < 3; ++j)
    EXPECT_DOUBLE_EQ(a.FermiLevel[j], expected(a.SplineTemperature[j], a.SplineConcentration[j], 5e15));
  EXPECT_GT(a.FermiLevel[0], 0);
  EXPECT_LT(a.FermiLevel[2], 0);  // degenerate: inside the band, stored as it is

  ASSERT_TRUE(a.CalculateExperimentalFermiLevel());
  ASSERT_EQ(a.ExperimentalFermiLevel.size(), 2u);
  for (int i = 0; i < 2; ++i)
    EXPECT_DOUBLE_EQ(a.ExperimentalFermiLevel[i], expected(a.Temperature[i], a.Concentration[i], 5e15));
}

TEST_F(FermiLevelTest, NonPositiveConcentrationIsRefusedAndNothingChanges) {
  a.CalculateFermiLevel();
  a.CalculateExperimentalFermiLevel();
  const auto grid = a.FermiLevel;
  const auto points = a.ExperimentalFermiLevel;
  a.SplineConcentration[1] = 0;
  a.Concentration[1] = -1;
  EXPECT_THROW(a.CalculateFermiLevel(), korv::Error);
  EXPECT_THROW(a.CalculateExperimentalFermiLevel(), korv::Error);
  EXPECT_EQ(a.FermiLevel, grid);
  EXPECT_EQ(a.ExperimentalFermiLevel, points);
}

TEST_F(FermiLevelTest, NeedsTheSpline) {
  a.ClearSplineStage();  // the concentration row is cleared, the temperatures stay
  EXPECT_THROW(a.CalculateFermiLevel(), korv::Error);
}

// The noise-free single donor, interpolated: the Fermi level of the grid matches the
// depths the measurement was generated with and the level at the measured points.
class FermiLevelPipeline : public korv::test::PipelineFixture {};

TEST_F(FermiLevelPipeline, MatchesTheGeneratedDepth) {
  Prepare("clean/01_si_n_P_lightcomp.nT", 1e-6);
  a.CalculateExperimentalFermiLevel();
  for (int i = 0; i < a.DataCount; ++i) {
    const int j = static_cast<int>(std::lround((a.Temperature[i] - a.SplineTemperature[0]) * 10));
    if (std::abs(a.SplineTemperature[j] - a.Temperature[i]) > 1e-9) continue;
    ASSERT_NEAR(a.FermiLevel[j], a.ExperimentalFermiLevel[i], 1e-7) << a.Temperature[i] << " K";
  }
  ASSERT_EQ(a.FermiLevel.size(), static_cast<std::size_t>(a.GridCount));
  EXPECT_NEAR(a.SplineTemperature.front(), 35.0, 1e-9);
  EXPECT_NEAR(a.FermiLevel.front(), 0.0342, 0.0001);
  EXPECT_NEAR(a.SplineTemperature.back(), 350.0, 1e-9);
  EXPECT_NEAR(a.FermiLevel.back(), 0.246, 0.001);
}

}  // namespace
