#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "PipelineFixture.h"
#include "core/Analysis.h"
#include "numerics/HFunction.h"

namespace {

using korv::hfunction::WalkBounds;
using korv::hfunction::WalkDown;
using korv::hfunction::WalkUp;
using Row = std::vector<double>;

struct Bump {
  int at;
  double height;
};

// A row of Gaussian maxima 8 points wide: apart from its maxima it falls strictly.
Row bumps(int count, const std::vector<Bump>& list) {
  Row h(count, 0.0);
  for (int x = 0; x < count; ++x)
    for (const Bump& b : list) h[x] += b.height * std::exp(-(x - b.at) * (x - b.at) / 128.0);
  return h;
}

// ---- Walks ----------------------------------------------------------------------------

struct WalkCase {
  const char* name;
  bool down;
  int from;
  std::vector<Bump> bumps;
  std::vector<int> expected;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class Walk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(Walk, ListsTheMaximaWorthConsidering) {
  const WalkCase& c = GetParam();
  const Row h = bumps(1000, c.bumps);
  const WalkBounds b{100, 900, 0, 1000};
  EXPECT_EQ(c.down ? WalkDown(h, c.from, b) : WalkUp(h, c.from, b), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, Walk,
                         ::testing::Values(
                             // maxima 30 points apart count once, the higher one
                             WalkCase{"DownCloserThan50", true, 600, {{600, 2}, {330, 1.2}, {300, 1.5}}, {300}},
                             WalkCase{"DownApart", true, 600, {{600, 2}, {330, 1.2}, {250, 1.5}}, {330, 250}},
                             // a lower maximum behind a higher one is not a rise
                             WalkCase{"DownLowerBehindHigher", true, 600, {{600, 2}, {330, 1.5}, {250, 1.2}}, {330}},
                             WalkCase{"DownSingleMaximum", true, 600, {{600, 2}}, {}},
                             WalkCase{"UpCloserThan50", false, 100, {{100, 2}, {370, 1.2}, {400, 1.5}}, {400}},
                             WalkCase{"UpApart", false, 100, {{100, 2}, {370, 1.2}, {450, 1.5}}, {370, 450}},
                             WalkCase{"UpSingleMaximum", false, 300, {{300, 2}}, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Selection after the E_ref search ------------------------------------------------

// A record whose row k is a given shape; the grid behind it (a donor, peak inside the
// window at E_ref 0) is only calculated in the end cases of the first analysis.
class PeakSelection : public ::testing::Test {
 protected:
  static constexpr int kCount = 1000;
  void SetUp() override {
    a.AttachPorts(&progress, &messages);
    a.DosCoefficient = 5e15;
    a.GridCount = kCount;
    a.SplineTemperature.resize(kCount);
    a.SplineConcentration.resize(kCount);
    for (int j = 0; j < kCount; ++j) {
      const double t = 40.0 + 0.1 * j, kT = korv::phys::K_BOLTZMANN * t / korv::phys::Q_ELEMENTARY;
      const double phi = 5e15 * std::pow(t, 1.5) / 2 * std::exp(-0.03 / kT), b = 1e13 + phi;
      a.SplineTemperature[j] = t;
      a.SplineConcentration[j] = 2 * (1e16 - 1e13) * phi / (b + std::sqrt(b * b + 4 * (1e16 - 1e13) * phi));
    }
    a.SearchLowIndex = 100;
    a.SearchHighIndex = 900;
    a.SearchStartIndex = 0;
  }
  bool select(int k, const Row& row, int i) {
    a.HValues[k] = row;
    const korv::hfunction::RowCalculator calc(a, k, a.SplineTemperature.data(), a.SplineConcentration.data(),
                                              a.GridCount);
    return korv::hfunction::SelectPeak(a, k, i, calc);
  }
  int argmaxOfRow0() const {
    int best = 0;
    for (int j = 1; j < kCount; ++j)
      if (a.HValues[0][j] > a.HValues[0][best]) best = j;
    return best;
  }
  Analysis a;
  korv::test::RecordingProgress progress;
  korv::test::RecordingMessages messages;
};

struct SelectionCase {
  const char* name;
  int k;
  double eref;
  bool evaluationFinished;
  int checkIndex0;
  std::vector<Bump> bumps;
  int i;
  int expected;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class PeakSelectionCases : public PeakSelection, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(PeakSelectionCases, PicksThePeak) {
  const SelectionCase& c = GetParam();
  a.Eref[c.k] = c.eref;
  a.EvaluationFinished = c.evaluationFinished;
  a.CheckIndex[0] = c.checkIndex0;
  ASSERT_TRUE(select(c.k, bumps(kCount, c.bumps), c.i));
  EXPECT_EQ(a.PeakIndex[c.k], c.expected);
  EXPECT_EQ(a.Eref[c.k], c.eref);
  EXPECT_EQ(progress.main().position, 40);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PeakSelectionCases,
    ::testing::Values(
        SelectionCase{"SingleMaximumInside", 1, -0.01, false, 0, {{600, 2}}, 600, 600},
        SelectionCase{"LowerMaximumInsideAboveHalf", 1, -0.01, false, 0, {{600, 2}, {330, 1.2}}, 600, 330},
        SelectionCase{"ExactlyHalfDoesNotQualify", 2, -0.01, false, 0, {{600, 2}, {330, 1.0}}, 600, 600},
        SelectionCase{"JustAboveHalfQualifies", 2, -0.01, false, 0, {{600, 2}, {330, 1.0000001}}, 600, 330},
        SelectionCase{"LowestInsideFirst", 0, -0.01, false, 0, {{600, 2}, {450, 1.1}, {330, 1.2}}, 600, 330},
        SelectionCase{"BelowTheWindowReplaces", 1, -0.01, false, 0, {{600, 2}, {330, 1.2}, {50, 1.5}}, 600, 50},
        SelectionCase{"FixedCompensationKeepsTheMaximum", 1, -0.01, true, 0, {{600, 2}, {330, 1.2}}, 600, 600},
        SelectionCase{"ZeroErefKeepsTheMaximum", 1, 0, false, 0, {{600, 2}, {330, 1.2}}, 600, 600},
        SelectionCase{
            "PositiveUpAboveTheWindowReplaces", 2, 0.01, false, 0, {{300, 2}, {600, 1.2}, {950, 1.5}}, 300, 950},
        SelectionCase{"PositiveUpInside", 2, 0.01, false, 0, {{300, 2}, {600, 1.2}}, 300, 600},
        SelectionCase{"PositiveSecondWalksWhenCheckBelowHi", 1, 0.01, false, 500, {{300, 2}, {600, 1.2}}, 300, 600},
        SelectionCase{"PositiveSecondStaysWhenCheckAboveHi", 1, 0.01, false, 950, {{300, 2}, {600, 1.2}}, 300, 300},
        SelectionCase{"PositiveFirstInsideStays", 0, 0.01, false, 0, {{300, 2}, {600, 1.2}}, 300, 300},
        SelectionCase{"PositiveFirstBelowLoWalksUp", 0, 0.01, false, 0, {{40, 2}, {600, 1.2}}, 40, 600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PeakSelection, GridEndInALaterAnalysisAsksForARecalculationOnce) {
  struct Case {
    int k;
    double eref;
    int i;
  };
  for (const Case c : {Case{1, -0.01, 0}, Case{2, -0.01, kCount - 1}, Case{1, 0.01, kCount - 1}, Case{2, 0.01, 0}}) {
    SCOPED_TRACE(c.k);
    a.RecalculationRequested = false;
    a.EvaluationFinished = false;
    a.CompensationAnalysis = -1;
    a.PeakIndex[c.k] = 123;
    a.Eref[c.k] = c.eref;
    Row row = bumps(kCount, {{c.i, 2}});
    EXPECT_FALSE(select(c.k, row, c.i));
    EXPECT_TRUE(a.RecalculationRequested);
    EXPECT_TRUE(a.EvaluationFinished);
    EXPECT_EQ(a.CompensationAnalysis, c.k - 1);
    EXPECT_EQ(a.PeakIndex[c.k], 123);

    a.EvaluationFinished = false;  // already requested: the flags stay
    a.CompensationAnalysis = -1;
    EXPECT_FALSE(select(c.k, row, c.i));
    EXPECT_FALSE(a.EvaluationFinished);
    EXPECT_EQ(a.CompensationAnalysis, -1);
  }
  EXPECT_TRUE(messages.errors.empty());
}

// First analysis, peak at the coldest point: calculate again from E_ref 0 upward.
TEST_F(PeakSelection, FirstAnalysisAtTheColdEndStartsAgainFromZero) {
  Row falling(kCount);
  for (int j = 0; j < kCount; ++j) falling[j] = 1.0 / (1 + j);
  a.Eref[0] = 0.05;
  ASSERT_TRUE(select(0, falling, 0));
  EXPECT_EQ(a.Eref[0], 0.0);
  const int peak = argmaxOfRow0();
  EXPECT_GT(peak, 100);
  EXPECT_LT(peak, 900);
  EXPECT_EQ(a.PeakIndex[0], peak);
}

TEST_F(PeakSelection, FirstAnalysisAtTheHotEndStartsAgainFromZero) {
  Row rising(kCount);
  for (int j = 0; j < kCount; ++j) rising[j] = 1.0 + j;
  a.Eref[0] = -0.05;
  ASSERT_TRUE(select(0, rising, kCount - 1));
  EXPECT_EQ(a.Eref[0], 0.0);
  EXPECT_EQ(a.PeakIndex[0], argmaxOfRow0());
}

// When no calculation brings the peak inside, the loop ends on its bound and keeps the
// E_ref of its last calculation, so that E_ref and the stored row agree.
TEST_F(PeakSelection, EndCaseStoppingOnItsBoundKeepsTheLastCalculatedEref) {
  struct Case {
    double eref;
    int i;
    double lastCalculated;
  };
  for (const Case c : {Case{0.0003, 0, 0.0001 + 0.0001}, Case{-0.0003, kCount - 1, -0.0001 - 0.0001}}) {
    SCOPED_TRACE(c.eref);
    a.SearchLowIndex = 950;  // the donor's peak never lies inside
    a.SearchHighIndex = 990;
    Row row(kCount);
    for (int j = 0; j < kCount; ++j) row[j] = c.i == 0 ? 1.0 / (1 + j) : 1.0 + j;
    a.Eref[0] = c.eref;
    ASSERT_TRUE(select(0, row, c.i));
    EXPECT_EQ(a.Eref[0], c.lastCalculated);
    const Row stored = a.HValues[0];
    a.CalculateHAtEref(0);
    EXPECT_EQ(a.HValues[0], stored);
  }
}

TEST_F(PeakSelection, EndCaseReportsAFailedCalculation) {
  Row falling(kCount);
  for (int j = 0; j < kCount; ++j) falling[j] = 1.0 / (1 + j);
  a.Eref[0] = 0.05;
  a.FunctionType = 7;
  EXPECT_FALSE(select(0, falling, 0));
  EXPECT_EQ(messages.errors, std::vector<std::string>{"Calculation of H could not be carried out."});
}

// ---- Stepping to the neighbouring maximum --------------------------------------------

struct StepCase {
  const char* name;
  Row h;
  int from;
  int higher, lower;  // expected results of StepToHigherPeak and StepToLowerPeak
};

void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class StepPeak : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepPeak, MovesToTheNeighbouringMaximum) {
  const StepCase& c = GetParam();
  Analysis a;
  a.HValues[1] = c.h;
  a.PeakIndex[1] = c.from;
  EXPECT_TRUE(a.StepToHigherPeak(1));
  EXPECT_EQ(a.PeakIndex[1], c.higher);
  a.PeakIndex[1] = c.from;
  EXPECT_TRUE(a.StepToLowerPeak(1));
  EXPECT_EQ(a.PeakIndex[1], c.lower);
}

INSTANTIATE_TEST_SUITE_P(Rows, StepPeak,
                         ::testing::Values(
                             //                 index:  0  1  2  3  4  5  6  7  8
                             StepCase{"BetweenMaxima", {1, 3, 2, 1, 2, 5, 4, 6, 1}, 5, 7, 1},
                             StepCase{"FallingTails", {5, 4, 3, 9, 3, 2, 1}, 3, 6, 0},
                             StepCase{"FromTheEnds", {1, 2, 3, 2, 1}, 4, 4, 2},
                             StepCase{"FromIndexZero", {3, 1, 2, 5, 1}, 0, 3, 0},
                             StepCase{"PlateauCountsAsRise", {1, 4, 4, 2, 3, 3, 1}, 3, 4, 2},
                             StepCase{"IndexOutOfRangeIsClamped", {1, 3, 2, 4, 1}, 99, 4, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
