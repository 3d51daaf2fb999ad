// The simulation: the charge balance of the levels used, solved by a 15-step
// bisection on [0, 1.5] eV at every grid temperature.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Error.h"
#include "support/AnalyticRecord.h"

using korv::test::ExactConcentration;
using korv::test::ExactFermiLevel;
using korv::test::KTeV;
using korv::test::Level;
using korv::test::RecordingPorts;

namespace {

constexpr double RESOLUTION = 1.5 / 32768;  // eV, the last bisection interval

class Simulation : public ::testing::Test {
 protected:
  Analysis a;
  RecordingPorts ports;

  void SetUp() override {
    a.AttachPorts(&ports, &ports);
    a.DosCoefficient = 5.25e15;
    a.GridCount = 3201;
    a.SplineTemperature.resize(a.GridCount);
    for (int j = 0; j < a.GridCount; ++j) a.SplineTemperature[j] = 30 + 0.1 * j;
  }
  void use(int i, const Level& l) {
    a.SimUseLevel[i] = true;
    a.SimDensity[i] = l.density;
    a.SimEnergyLevel[i] = l.energy;
    a.DegeneracyFactor[i] = l.g;
  }
};

// The simulated Fermi level and concentration are those of the exact charge balance,
// within the bisection's resolution, for one and for two levels with compensation.
TEST_F(Simulation, SolvesTheChargeBalanceOfTheLevelsUsed) {
  struct Case {
    std::vector<Level> levels;
    double compensation;
  } cases[] = {
      {{{1e16, 0.0456, 2}}, 1e14},
      {{{4e16, 0.0614, 2}, {6e16, 0.1255, 2}}, 5e15},
      {{{5e16, 0.018, 2}, {3e16, 0.064, 2}, {1e15, 0.2, 2}}, 1.5e16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.levels.size() << " levels");
    a.SimUseLevel = {};
    for (std::size_t i = 0; i < c.levels.size(); ++i) use(static_cast<int>(i), c.levels[i]);
    a.SimUseCompensation = true;
    a.SimCompensatingDensity = c.compensation;
    ASSERT_TRUE(a.Simulate());
    ASSERT_EQ(a.SimulatedConcentration.size(), static_cast<std::size_t>(a.GridCount));
    ASSERT_EQ(a.SimulatedFermiLevel.size(), static_cast<std::size_t>(a.GridCount));
    for (int j = 0; j < a.GridCount; j += 100) {
      const double T = a.SplineTemperature[j];
      const double e = static_cast<double>(ExactFermiLevel(c.levels, c.compensation, a.DosCoefficient, T));
      EXPECT_NEAR(a.SimulatedFermiLevel[j], e, RESOLUTION) << T;
      EXPECT_EQ(a.SimulatedConcentration[j],
                std::exp(-a.SimulatedFermiLevel[j] / KTeV(T)) * (std::pow(T, 1.5) * a.DosCoefficient))
          << T;
    }
  }
  EXPECT_DOUBLE_EQ(a.KT, KTeV(a.SplineTemperature.back()));
  EXPECT_DOUBLE_EQ(a.Nc, std::pow(a.SplineTemperature.back(), 1.5) * a.DosCoefficient);
}

// When F keeps one sign over [0, 1.5] only the lower bound moves: 1.5 - 1.5/2^15.
TEST_F(Simulation, OneSignedBalanceEndsNearTheTopOfTheInterval) {
  struct Case {
    const char* what;
    bool level, compensation;
    double compensatingDensity;
  } cases[] = {
      {"nothing used", false, false, 1e15},
      {"more compensation than donors", true, true, 1e17},
      {"the solution inside the band", false, true, -1e20},
  };
  a.SimDensity[0] = 1e16;
  a.SimEnergyLevel[0] = 0.05;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    a.SimUseLevel[0] = c.level;
    a.SimUseCompensation = c.compensation;
    a.SimCompensatingDensity = c.compensatingDensity;
    ASSERT_TRUE(a.Simulate());
    for (double e : a.SimulatedFermiLevel) ASSERT_EQ(e, 1.4999542236328125);
  }
}

// A negative compensating density acts as fully ionised donors.
TEST_F(Simulation, NegativeCompensationActsAsDonors) {
  a.SimUseCompensation = true;
  a.SimCompensatingDensity = -1e15;
  ASSERT_TRUE(a.Simulate());
  for (int j = 0; j < a.GridCount; j += 200) {
    const double T = a.SplineTemperature[j];
    const double exact = ExactConcentration({}, -1e15, a.DosCoefficient, T);
    EXPECT_LE(std::fabs(std::log(a.SimulatedConcentration[j] / exact)), RESOLUTION / KTeV(T)) << T;
  }
}

TEST_F(Simulation, ReportsOneStepPerGridPoint) {
  use(0, {1e16, 0.0456, 2});
  ASSERT_TRUE(a.Simulate());
  EXPECT_EQ(ports.events.front(), "Show Main 3201");
  EXPECT_EQ(ports.count("Step Main"), 3201);
  EXPECT_EQ(ports.events.back(), "Close Main");
}

TEST_F(Simulation, FaultLeavesTheSimulationAsItWas) {
  a.SimulatedConcentration = {1, 2};
  a.SimulatedFermiLevel = {3, 4};
  use(0, {1e16, 0.0456, 2});
  a.SimDensity[0] = NAN;
  EXPECT_THROW(a.Simulate(), korv::Error);
  EXPECT_EQ(a.SimulatedConcentration, (Analysis::Array{1, 2}));
  EXPECT_EQ(a.SimulatedFermiLevel, (Analysis::Array{3, 4}));
  EXPECT_EQ(ports.events.back(), "Close Main");

  a.SplineTemperature.resize(10);
  EXPECT_THROW(a.Simulate(), korv::Error);
}

}  // namespace
