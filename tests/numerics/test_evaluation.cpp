// The evaluation on records with an exact concentration: the candidates, their
// deviations, the choice among them, the compensation bookkeeping and the finished
// path, and what a fault leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/Error.h"
#include "support/AnalyticRecord.h"

using korv::test::FillGrid;
using korv::test::FillH;
using korv::test::Level;
using korv::test::RecordingPorts;

namespace {

const Level SI_P{1e16, 0.0456, 2};
const Level SI_B{2e16, 0.045, 4};
const char* const NOT_EVALUATED = "The density and energy level could not be evaluated.";

class Evaluation : public ::testing::Test {
 protected:
  Analysis a;
  RecordingPorts ports;

  void SetUp() override { a.AttachPorts(&ports, &ports); }

  void makeRecord(const Level& level, double q, int k = 0, double eref = 0, double dos = 5.25e15) {
    FillGrid(a, {level}, q, 30, 350, dos);
    a.DegeneracyFactor[k] = level.g;
    FillH(a, k, eref);
  }

  // A grid that starts three points below the peak: the flank is too short for five
  // distinct check points (w = 0).
  void makeShortFlank(int k) {
    makeRecord(SI_B, 4e15, k, 0, 2.19e15);
    const int cut = a.PeakIndex[k] - 3;
    a.SplineTemperature.erase(a.SplineTemperature.begin(), a.SplineTemperature.begin() + cut);
    a.SplineConcentration.erase(a.SplineConcentration.begin(), a.SplineConcentration.begin() + cut);
    a.GridCount -= cut;
    FillH(a, k, 0);
    ASSERT_EQ(a.PeakIndex[k], 3);
  }
};

TEST_F(Evaluation, IndexAtTemperatureIsTheFirstPointAtOrAbove) {
  a.SplineTemperature = {20.1, 20.2, 20.3, 20.4};
  a.GridCount = 4;
  struct Case {
    double x;
    int index;
  } cases[] = {{0, 0}, {20.1, 0}, {20.15, 1}, {20.3, 2}, {20.4, 3}, {20.41, 3}, {1e9, 3}};
  for (const auto& c : cases) EXPECT_EQ(a.IndexAtTemperature(c.x), c.index) << c.x;
  a.GridCount = 0;
  EXPECT_EQ(a.IndexAtTemperature(25), 0);
}

// The lower tail: from 10 K below the peak (2 K when the peak is closer to the cold
// end), down while H keeps falling and stays positive.
TEST_F(Evaluation, LowerTailIndexFollowsTheFallingPositiveFlank) {
  struct Case {
    const char* what;
    int peak;
    int flatBelow;  // H falls from the peak down to this index, is flat below it
    int zeroBelow;  // H is 0 below this index
    int expected;
  } cases[] = {
      {"falls to the grid's first point", 400, 0, 0, 0},
      {"stops where H is flat", 400, 120, 0, 120},
      {"stops above a point of H = 0", 400, 0, 150, 150},
      {"a peak 100 points above the cold end starts 20 below it", 100, 0, 0, 0},
      {"a peak closer than 20 points gives 0", 15, 0, 0, 0},
  };
  a.GridCount = 500;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto& H = a.HValues[0];
    H.assign(a.GridCount, 0);
    for (int x = 0; x < a.GridCount; ++x) {
      const int below = std::max(x, c.flatBelow);
      H[x] = x < c.zeroBelow ? 0 : (x <= c.peak ? 1000 + below : 1000 + c.peak - (x - c.peak));
    }
    a.PeakIndex[0] = c.peak;
    EXPECT_EQ(a.LowerTailIndex(0), c.expected);
  }
  // The start itself not below the peak value ends the walk at once.
  auto& H = a.HValues[0];
  a.PeakIndex[0] = 300;
  H.assign(a.GridCount, 1);
  H[300] = 5;
  H[200] = 5;
  EXPECT_EQ(a.LowerTailIndex(0), 201);
}

// H1 of one compensated level: level, density and compensation come back, the
// positive compensation is fixed at once, and the bars show 11 and 23 steps.
TEST_F(Evaluation, FirstAnalysisRecoversTheLevelAndFixesTheCompensation) {
  struct Case {
    Level level;
    double q, dos;
  } cases[] = {{SI_P, 1e14, 5.25e15}, {SI_B, 4e15, 2.19e15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "q " << c.q);
    a.ClearAnalysisStages();
    ports.events.clear();
    makeRecord(c.level, c.q, 0, 0, c.dos);
    ASSERT_TRUE(a.Evaluate(0));
    EXPECT_NEAR(a.EnergyLevel[0], c.level.energy, 0.0006);
    EXPECT_NEAR(a.Density[0] / c.level.density, 1, 0.02);
    EXPECT_NEAR(a.TemporaryCompensatingDensity[0] / c.q, 1, 0.25);
    EXPECT_TRUE(a.EvaluationFinished);
    EXPECT_EQ(a.CompensationAnalysis, 0);
    EXPECT_EQ(a.CompensatingDensity, a.TemporaryCompensatingDensity[0]);
    EXPECT_DOUBLE_EQ(a.LowestKT, korv::test::KTeV(30));

    int chosen = 0;
    for (int r = 1; r < 5; ++r)
      if (a.CandidateDeviation[r] >= 0 && a.CandidateDeviation[r] < a.CandidateDeviation[chosen]) chosen = r;
    EXPECT_EQ(a.SimulatedH[0], a.CandidateSimulatedH[chosen]);
    EXPECT_EQ(a.CheckTemperature[0], a.SplineTemperature[a.CheckIndex[0]]);
    EXPECT_FALSE(a.ScaledCompensation);

    EXPECT_EQ(ports.events[0], "Show Main 11");
    EXPECT_EQ(ports.events[1], "Show Detailed 23");
    EXPECT_EQ(ports.count("Step Main"), 10);  // five fits, five deviations
    EXPECT_EQ(ports.count("Show Detailed 23"), 6);
    EXPECT_EQ(ports.events.back(), "Close Detailed");
    EXPECT_EQ(ports.count("Close Main"), 1);
    EXPECT_TRUE(ports.errors.empty());
  }
}

// The evaluation types divide the same root of summed squares; any text that is not
// A, C or D is Type-B.
TEST_F(Evaluation, EvaluationTypesWeighTheSameDeviation) {
  auto deviations = [&](const char* type) {
    a.ClearAnalysisStages();
    makeRecord(SI_B, 4e15, 0, 0, 2.19e15);
    a.AutoEvaluationType = type;
    EXPECT_TRUE(a.Evaluate(0));
    return a.CandidateDeviation;
  };
  const auto b = deviations("Type-B");
  EXPECT_EQ(deviations("Type-b"), b);
  EXPECT_EQ(deviations(""), b);
  const auto c = deviations("Type-C"), d = deviations("Type-D"), typeA = deviations("Type-A");
  for (int r = 0; r < 5; ++r) {
    ASSERT_GT(b[r], 0);
    EXPECT_DOUBLE_EQ(c[r], b[r] / (5 - r));
    EXPECT_DOUBLE_EQ(d[r], b[r] / (5 - r) / (5 - r));
    EXPECT_NE(typeA[r], b[r]);
  }
}

// Three points below the peak: check points 2 and 3 coincide and tie (the lower one is
// taken), and the last check point lies on the peak, whose range holds no point.
TEST_F(Evaluation, ShortFlankTiesAndEmptyRanges) {
  makeShortFlank(0);
  ASSERT_TRUE(a.Evaluate(0));
  EXPECT_EQ(a.CandidateDeviation[4], -1);
  EXPECT_EQ(a.CandidateDeviation[2], a.CandidateDeviation[3]);
  EXPECT_EQ(a.CheckIndex[0], 2);
}

// H2 (or H3) whose peak lies below the H1 peak on a flank too short for 5w points:
// every candidate fails. After a negative H1 compensation the engine asks for H2 again
// without a message; otherwise it says so.
TEST_F(Evaluation, NoCandidateLeftEitherRequestsRecalculationOrFails) {
  struct Case {
    int slot;
    double h1Compensation;
    bool requestedBefore;
    bool message, requested, finished;
  } cases[] = {
      {1, -1e14, false, false, true, true},
      {1, -1e14, true, false, true, false},
      {1, 1e14, false, true, false, false},
      {2, -1e14, false, true, false, false},  // only H2 asks again
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "H" << c.slot + 1 << ", H1 compensation " << c.h1Compensation << " requested "
                                    << c.requestedBefore);
    a.ClearAnalysisStages();
    ports.errors.clear();
    makeShortFlank(c.slot);
    a.PeakIndex[0] = 100;
    a.TemporaryCompensatingDensity[0] = c.h1Compensation;
    a.RecalculationRequested = c.requestedBefore;
    EXPECT_FALSE(a.Evaluate(c.slot));
    for (int r = 0; r < 5; ++r) EXPECT_EQ(a.CandidateDeviation[r], -1);
    EXPECT_FALSE(a.LevelInRange);
    EXPECT_EQ(!ports.errors.empty(), c.message);
    if (c.message) {
      EXPECT_EQ(ports.errors.back(), NOT_EVALUATED);
    }
    EXPECT_EQ(a.RecalculationRequested, c.requested);
    EXPECT_EQ(a.EvaluationFinished, c.finished);
    EXPECT_EQ(a.CompensationAnalysis, c.finished ? 0 : -1);
  }
}

// Without a positive compensation, the second analysis with a negative E_ref, or else
// the second negative temporary compensating density, fixes the compensation.
TEST_F(Evaluation, SecondNegativeErefOrCompensationFixesTheCompensation) {
  struct Case {
    double eref0, compensation0;
    bool finished;
  } cases[] = {{-0.001, 0, true}, {0.0, -1e14, true}, {0.0, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "H1 E_ref " << c.eref0 << " compensation " << c.compensation0);
    a.ClearAnalysisStages();
    makeRecord(SI_P, -1e15, 1, -0.002);  // extra free carriers: negative compensation
    a.Eref[0] = c.eref0;
    a.TemporaryCompensatingDensity[0] = c.compensation0;
    a.PeakIndex[0] = 0;
    ASSERT_TRUE(a.Evaluate(1));
    ASSERT_LT(a.TemporaryCompensatingDensity[1], 0);
    EXPECT_EQ(a.EvaluationFinished, c.finished);
    EXPECT_EQ(a.CompensationAnalysis, c.finished ? 1 : -1);
    EXPECT_EQ(a.CompensatingDensity, c.finished ? a.TemporaryCompensatingDensity[1] : 0);
  }
}

// Once the compensation is fixed, a later analysis places its level by the peak and
// copies the model row; an analysis before the fixing one has nothing to do.
TEST_F(Evaluation, FinishedEvaluationPlacesTheLevelByItsPeak) {
  makeRecord(SI_P, 0, 1, 0.005);
  a.EvaluationFinished = true;
  a.CompensationAnalysis = 0;
  a.TemporaryCompensatingDensity[1] = 5;
  ASSERT_TRUE(a.Evaluate(1));
  EXPECT_NEAR(a.EnergyLevel[1], SI_P.energy, 0.001);
  EXPECT_NEAR(a.Density[1] / SI_P.density, 1, 0.05);
  EXPECT_EQ(a.EnergyLevel[1], a.PeakEnergyLevel[1]);
  EXPECT_EQ(a.SimulatedH[1], a.ModelH[1]);
  EXPECT_EQ(a.TemporaryCompensatingDensity[1], 0);
  EXPECT_EQ(ports.events.front(), "Show Main 14");

  a.CompensationAnalysis = 2;
  a.EnergyLevel[1] = 0.3;
  ASSERT_TRUE(a.Evaluate(1));
  EXPECT_EQ(a.EnergyLevel[1], 0.3);

  a.CompensationAnalysis = 1;
  a.FunctionType = 7;
  EXPECT_FALSE(a.Evaluate(1));
  EXPECT_EQ(ports.errors.back(), NOT_EVALUATED);
}

// A floating-point fault inside the fit throws, and the record is as before.
TEST_F(Evaluation, FaultLeavesTheRecordAsItWas) {
  makeRecord(SI_P, 1e14);
  a.Eref[0] = 1000;  // exp(E_ref/kT) overflows in the model
  a.Density[0] = 1;
  a.EnergyLevel[0] = 2;
  a.SimulatedH[0] = {3, 4};
  a.CandidateDeviation = {5, 6, 7, 8, 9};
  a.LevelInRange = true;
  a.LowestKT = 0.5;
  EXPECT_THROW(a.Evaluate(0), korv::Error);
  EXPECT_EQ(a.Density[0], 1);
  EXPECT_EQ(a.EnergyLevel[0], 2);
  EXPECT_EQ(a.SimulatedH[0], (Analysis::Array{3, 4}));
  EXPECT_EQ(a.CandidateDeviation, (std::array<double, 5>{5, 6, 7, 8, 9}));
  EXPECT_TRUE(a.LevelInRange);
  EXPECT_FALSE(a.EvaluationFinished);
  EXPECT_EQ(a.LowestKT, 0.5);
  EXPECT_EQ(ports.events.back(), "Close Detailed");
}

TEST_F(Evaluation, RefusesRecordsWithoutAnHFunction) {
  makeRecord(SI_P, 1e14);
  a.HValues[0].resize(10);
  EXPECT_THROW(a.Evaluate(0), korv::Error);
  FillH(a, 0, 0);
  a.PeakIndex[0] = a.GridCount;
  EXPECT_THROW(a.Evaluate(0), korv::Error);
}

// Rows no H calculation would produce (noise, zeros, spikes, a peak anywhere) end in
// a result or in the engine's error, never in a crash or a hang.
TEST_F(Evaluation, ArbitraryRowsEndInAResultOrAnError) {
  makeRecord(SI_P, 1e14);
  std::uint64_t state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  const Analysis::Array original = a.HValues[0];
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    a.ClearAnalysisStages();
    auto& H = a.HValues[0];
    for (int j = 0; j < a.GridCount; ++j) {
      const double u = next();
      H[j] = round % 3 == 0 ? original[j] * (0.5 + u) : round % 3 == 1 ? (u < 0.3 ? 0 : u * 1e30) : -u;
    }
    a.PeakIndex[0] = static_cast<int>(next() * a.GridCount);
    a.Eref[0] = (next() - 0.5) * 0.1;
    a.AutoEvaluationType = round % 2 ? "Type-A" : "Type-D";
    try {
      a.Evaluate(0);
    } catch (const korv::Error& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
}

TEST_F(Evaluation, CheckSimulatedHCountsThePointsAboveTheSimulation) {
  struct Case {
    bool finished;
    int above;
    bool expected;
  } cases[] = {{false, 0, true}, {true, 300, true}, {true, 299, false}, {true, 1000, true}};
  for (const auto& c : cases) {
    a.GridCount = 1000;
    a.HValues[1].assign(1000, 1.0);
    a.SimulatedH[1].assign(1000, 1.0);
    for (int x = 0; x < c.above; ++x) a.HValues[1][x] = 1.5;
    a.SimulatedH[1][999] = 2;  // below the simulation does not count
    a.EvaluationFinished = c.finished;
    EXPECT_EQ(a.CheckSimulatedH(1), c.expected) << c.above;
  }
}

}  // namespace
