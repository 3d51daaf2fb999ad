#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "PipelineFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "numerics/HFunction.h"

namespace {

using namespace korv::phys;

double kTOf(double t) { return K_BOLTZMANN * t / Q_ELEMENTARY; }

// Electrons of one donor with compensation, Boltzmann statistics.
double oneDonor(double t, double nd, double na, double e, double g, double dos) {
  const double phi = dos * std::pow(t, 1.5) / g * std::exp(-e / kTOf(t));
  const double b = na + phi;
  return 2 * (nd - na) * phi / (b + std::sqrt(b * b + 4 * (nd - na) * phi));
}

// A spline grid of `count` points from t0 in 0.1 K steps with concentration n(T).
void setGrid(Analysis& a, double t0, int count, const std::function<double(double)>& n) {
  a.GridCount = count;
  a.SplineTemperature.resize(count);
  a.SplineConcentration.resize(count);
  for (int j = 0; j < count; ++j) {
    a.SplineTemperature[j] = t0 + 0.1 * j;
    a.SplineConcentration[j] = n(a.SplineTemperature[j]);
  }
}

// Grid of 2799 points, 20.1 K to 299.9 K, one donor of the given level.
void setDonorGrid(Analysis& a, double level) {
  a.DosCoefficient = 5e15;
  setGrid(a, 20.1, 2799, [level](double t) { return oneDonor(t, 1e16, 1e13, level, 2, 5e15); });
}

class HFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override { a.AttachPorts(&progress, &messages); }
  Analysis a;
  korv::test::RecordingProgress progress;
  korv::test::RecordingMessages messages;
};

// ---- The function at one point -----------------------------------------------------

struct ValueCase {
  const char* name;
  int functionType;
  int k;
  int compensationAnalysis;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

// The function written out as the method defines it, level after level.
double expectedValue(const Analysis& a, const ValueCase& c, double t, double n) {
  const double kT = kTOf(t), x = std::exp(a.Eref[c.k] / kT);
  double v = c.functionType == 1 ? n * x / kT : n * n * x / std::pow(kT, 2.5);
  if (c.k >= 1) {
    const double r = std::pow(t, 1.5) * a.DosCoefficient / n;
    const double ncFactor = a.DosCoefficient * std::pow(Q_ELEMENTARY / K_BOLTZMANN, 1.5);
    for (int i = 0; i < c.k; ++i) {
      const double y = std::exp(-a.EnergyLevel[i] / kT), g = a.DegeneracyFactor[i];
      v -= c.functionType == 1 ? a.Density[i] * (y * x * r / (y * r + g)) / kT
                               : a.Density[i] * (y * x / (y * r + g)) * ncFactor / kT;
    }
    if (0 <= c.compensationAnalysis && c.compensationAnalysis < c.k)
      v += c.functionType == 1 ? a.CompensatingDensity * x / kT : ncFactor * (a.CompensatingDensity * x / r) / kT;
  }
  return v > 0 ? v : 0;
}

class HFunctionValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(HFunctionValue, OnTheGridAndAtThePoints) {
  const ValueCase& c = GetParam();
  Analysis a;
  a.FunctionType = c.functionType;
  a.CompensationAnalysis = c.compensationAnalysis;
  a.DosCoefficient = 4.8e15;
  a.Density = {4e15, 2e15, 0, 0};
  a.EnergyLevel = {0.045, 0.12, 0, 0};
  a.DegeneracyFactor = {2, 4, 1, 1};
  a.CompensatingDensity = 3e14;
  a.Eref[c.k] = -0.012;
  // from deep freeze-out (where subtracting the levels leaves nothing) to saturation
  setGrid(a, 30.0, 2700, [](double t) { return oneDonor(t, 6e15, 3e14, 0.045, 2, 4.8e15); });
  a.Temperature = {35.0, 80.0, 250.0};
  a.Concentration = {1e11, 2e15, 5.7e15};
  a.DataCount = 3;

  ASSERT_TRUE(a.CalculateHAtEref(c.k));
  ASSERT_TRUE(a.CalculateExperimentalH(c.k));
  ASSERT_EQ(a.HValues[c.k].size(), 2700u);
  int zeros = 0;
  for (int j = 0; j < a.GridCount; ++j) {
    const double expected = expectedValue(a, c, a.SplineTemperature[j], a.SplineConcentration[j]);
    ASSERT_NEAR(a.HValues[c.k][j], expected, 1e-12 * expected) << "at j = " << j;
    zeros += a.HValues[c.k][j] == 0;
  }
  if (c.k >= 1 && c.compensationAnalysis < 0) {
    EXPECT_GT(zeros, 0);  // clipped, never negative
  }
  ASSERT_EQ(a.ExperimentalH[c.k].size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const double expected = expectedValue(a, c, a.Temperature[i], a.Concentration[i]);
    EXPECT_NEAR(a.ExperimentalH[c.k][i], expected, 1e-12 * expected);
  }
  if (c.k >= 1) {
    EXPECT_EQ(a.ExperimentalH[c.k][0], 0);  // the point in freeze-out clips to 0
  }
}

INSTANTIATE_TEST_SUITE_P(Functions, HFunctionValue,
                         ::testing::Values(ValueCase{"H1", 2, 0, -1}, ValueCase{"S1", 1, 0, -1},
                                           ValueCase{"H2", 2, 1, -1}, ValueCase{"S2", 1, 1, -1},
                                           ValueCase{"H2Compensated", 2, 1, 0}, ValueCase{"S2Compensated", 1, 1, 0},
                                           ValueCase{"H3", 2, 2, -1}, ValueCase{"H3CompensatedAtH2", 2, 2, 1},
                                           ValueCase{"H2CompensationOfH2Ignored", 2, 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HFunctionTest, StartIndexFromTheCompensatingAnalysis) {
  setDonorGrid(a, 0.045);
  a.KeepSearchStart = false;
  a.EvaluationFinished = true;
  a.CompensationAnalysis = 0;
  a.PeakIndex[0] = 700;
  a.SearchStartIndex = 5;
  ASSERT_TRUE(a.CalculateHAtEref(1));
  EXPECT_EQ(a.SearchStartIndex, 701);
  for (int j = 0; j < 701; ++j) ASSERT_EQ(a.HValues[1][j], 0) << j;
  EXPECT_GT(a.HValues[1][701], 0);

  a.EvaluationFinished = false;  // no fixed compensation: from the first grid point
  a.CalculateHAtEref(1);
  EXPECT_EQ(a.SearchStartIndex, 0);
  EXPECT_GT(a.HValues[1][0], 0);

  a.KeepSearchStart = true;  // kept as it is
  a.SearchStartIndex = 42;
  a.CalculateHAtEref(0);
  EXPECT_EQ(a.SearchStartIndex, 42);
  EXPECT_EQ(a.HValues[0][41], 0);
  EXPECT_GT(a.HValues[0][42], 0);
}

TEST_F(HFunctionTest, UnknownFunctionTypeFails) {
  setDonorGrid(a, 0.045);
  a.CalculateHAtEref(0);
  const auto row = a.HValues[0];
  a.FunctionType = 3;
  EXPECT_FALSE(a.CalculateHAtEref(0));
  EXPECT_FALSE(a.CalculateExperimentalH(0));
  EXPECT_EQ(a.HValues[0], row);
  EXPECT_TRUE(messages.errors.empty());

  EXPECT_FALSE(a.CalculateH(0));
  EXPECT_EQ(messages.errors, std::vector<std::string>{"Calculation of H could not be carried out."});
  EXPECT_EQ(progress.main().closes, 1);
  EXPECT_FALSE(progress.main().open);
}

// ---- The search window --------------------------------------------------------------

struct WindowCase {
  const char* name;
  int k;
  bool evaluationFinished, secondAttempt;
  int compensationAnalysis;
  double eref0, eref1;
  int peak0, peak1, check0, check1, previousLo;
  int lo, hi, start;  // expected
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

class SearchWindow : public ::testing::TestWithParam<WindowCase> {};

// N = 2799: N/10 = 279.9 and N - N/20 = 2659.05, each truncated once.
TEST_P(SearchWindow, FromTheGridAndTheEarlierAnalyses) {
  const WindowCase& c = GetParam();
  Analysis a;
  setDonorGrid(a, 0.045);
  a.EvaluationFinished = c.evaluationFinished;
  a.SecondAttempt = c.secondAttempt;
  a.CompensationAnalysis = c.compensationAnalysis;
  a.Eref[0] = c.eref0, a.Eref[1] = c.eref1;
  a.PeakIndex[0] = c.peak0, a.PeakIndex[1] = c.peak1;
  a.CheckIndex[0] = c.check0, a.CheckIndex[1] = c.check1;
  a.SearchLowIndex = c.previousLo;
  a.SearchHighIndex = 1;
  a.SearchStartIndex = 77;
  a.CalculateH(c.k);
  EXPECT_EQ(a.SearchLowIndex, c.lo);
  EXPECT_EQ(a.SearchHighIndex, c.hi);
  EXPECT_EQ(a.SearchStartIndex, c.start);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SearchWindow,
    ::testing::Values(
        WindowCase{"First", 0, false, false, -1, 0, 0, 0, 0, 0, 0, 5, 279, 2659, 0},
        WindowCase{"SecondAfterNegativeEref", 1, false, false, -1, -0.01, 0, 800, 0, 1000, 0, 5, 555, 2659, 0},
        WindowCase{"SecondAfterZeroEref", 1, false, false, -1, 0, 0, 800, 0, 1000, 0, 5, 279, 2659, 0},
        WindowCase{"SecondAfterPositiveEref", 1, false, false, -1, 0.01, 0, 1500, 0, 1000, 0, 5, 279, 1360, 0},
        WindowCase{"SecondWithCompensationFixedAtFirst", 1, true, false, 0, -0.01, 0, 800, 0, 1000, 0, 5, 1079, 2659,
                   800},
        WindowCase{"SecondAttempt", 1, false, true, -1, -0.01, 0, 800, 0, 1001, 0, 123, 123, 500, 0},
        WindowCase{"ThirdAfterNegativeEref", 2, false, false, -1, 0, -0.005, 0, 1200, 0, 800, 555, 444, 2659, 0},
        WindowCase{"ThirdAfterPositiveEref", 2, false, false, -1, 0, 0.002, 0, 2000, 0, 800, 555, 555, 1860, 0},
        WindowCase{"ThirdWithCompensationFixedAtFirst", 2, true, false, 0, 0, -0.005, 800, 1200, 0, 800, 555, 1479,
                   2659, 1200},
        WindowCase{"ThirdWithCompensationFixedAtSecond", 2, true, false, 1, 0, -0.005, 800, 1200, 0, 800, 555, 1479,
                   2659, 1200}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The E_ref search ----------------------------------------------------------------

TEST_F(HFunctionTest, PeakInsideTheWindowKeepsErefExactlyZero) {
  setDonorGrid(a, 0.045);
  a.Eref[0] = 0.5;
  ASSERT_TRUE(a.CalculateH(0));
  EXPECT_EQ(a.Eref[0], 0.0);
  int argmax = 0;
  for (int j = 1; j < a.GridCount; ++j)
    if (a.HValues[0][j] > a.HValues[0][argmax]) argmax = j;
  EXPECT_EQ(a.PeakIndex[0], argmax);
  EXPECT_GT(argmax, a.SearchLowIndex);
  // one iteration, the first pass topped up to 1000, the refinements skipped, then the
  // 40 steps of the peak selection
  EXPECT_EQ(progress.main().maximum, 1093);
  EXPECT_EQ(progress.main().position, 1040);
  EXPECT_EQ(progress.main().shows, 1);
  EXPECT_EQ(progress.main().closes, 1);
}

// Shallow levels peak below the window (negative E_ref), deep ones above it (positive):
// the four passes find the E_ref to 1e-6 eV at which the peak just enters the window.
TEST_F(HFunctionTest, FourPassesFindTheErefAtWhichThePeakEntersTheWindow) {
  struct Case {
    double level;
    bool negative;
  };
  for (const Case c : {Case{0.003, true}, Case{0.01, true}, Case{0.15, false}}) {
    SCOPED_TRACE(c.level);
    Analysis a;
    korv::test::RecordingProgress bar;
    a.AttachPorts(&bar, nullptr);
    setDonorGrid(a, c.level);
    ASSERT_TRUE(a.CalculateH(0));
    const double eref = a.Eref[0];
    EXPECT_EQ(eref < 0, c.negative);
    EXPECT_NEAR(eref * 1e6, std::round(eref * 1e6), 1e-6);
    EXPECT_EQ(bar.main().position, 1073);

    const auto row = a.HValues[0];
    const int found = a.PeakIndex[0];
    const int lo = a.SearchLowIndex, hi = a.SearchHighIndex;
    EXPECT_TRUE(found >= lo && found <= hi) << found;
    // the stored row is the one of the E_ref reported
    a.CalculateHAtEref(0);
    EXPECT_EQ(a.HValues[0], row);
    // one step of 1e-6 eV back toward zero puts the maximum outside the window again
    a.Eref[0] = c.negative ? eref + 1e-6 : eref - 1e-6;
    a.CalculateHAtEref(0);
    int argmax = 0;
    for (int j = 1; j < a.GridCount; ++j)
      if (a.HValues[0][j] > a.HValues[0][argmax]) argmax = j;
    EXPECT_TRUE(c.negative ? argmax < lo : argmax > hi) << argmax;
  }
}

TEST_F(HFunctionTest, ErefLeavingPlusMinusOneEvFailsSilently) {
  // Rises steeply to the hottest point at every E_ref below 1 eV.
  a.DosCoefficient = 5e15;
  setGrid(a, 200.0, 1001, [](double t) { return 1e22 * std::exp(-2.0 / kTOf(t)); });
  a.RecalculationRequested = true;
  EXPECT_FALSE(a.CalculateH(0));
  EXPECT_FALSE(a.RecalculationRequested);
  EXPECT_TRUE(a.RecalculationFailed);
  EXPECT_TRUE(messages.errors.empty());
  EXPECT_GE(a.Eref[0], 0.999);
  EXPECT_EQ(progress.main().closes, 1);
}

// The E_ref search takes each row's maximum from bounds instead of the whole row: at
// every E_ref the index must be the one of the filled row, or the shortcut must decline.
TEST_F(HFunctionTest, SearchShortcutFindsTheMaximumOfTheFilledRow) {
  struct GridCase {
    const char* name;
    int functionType;
    std::function<double(double)> n;
  };
  const std::vector<GridCase> cases = {
      {"donor", 2, [](double t) { return oneDonor(t, 1e16, 1e13, 0.045, 2, 5e15); }},
      {"donor S", 1, [](double t) { return oneDonor(t, 1e16, 1e13, 0.045, 2, 5e15); }},
      {"shallow donor", 2, [](double t) { return oneDonor(t, 1e16, 1e13, 0.005, 2, 5e15); }},
      {"steep rise", 2, [](double t) { return 1e22 * std::exp(-2.0 / kTOf(t)); }},
      {"flat H", 2, [](double t) { return 1e17 * std::pow(kTOf(t), 1.25); }},
      {"zeros and negatives", 1, [](double t) { return t < 60 ? 0.0 : (t < 90 ? -1e15 : 1e15 * std::sin(t)); }},
  };
  std::vector<double> row;
  for (const auto& c : cases) {
    setGrid(a, 20.1, 2799, c.n);
    a.DosCoefficient = 5e15;
    a.FunctionType = c.functionType;
    const korv::hfunction::RowCalculator calc(a, 0, a.SplineTemperature.data(), a.SplineConcentration.data(),
                                              a.GridCount);
    int decided = 0;
    for (double eref = -1; eref <= 1; eref += 0.00731) {
      for (int start : {0, 500, 2798}) {
        const int quick = calc.PeakIndex(eref, start);
        if (quick < 0) continue;
        ++decided;
        calc.Fill(eref, start, row);
        ASSERT_EQ(quick, korv::hfunction::IndexOfMaximum(row, start)) << c.name << " at " << eref << " from " << start;
      }
    }
    EXPECT_GT(decided, 0) << c.name;
  }
}

TEST_F(HFunctionTest, OverflowThrowsAndLeavesTheRecordAsItWas) {
  setDonorGrid(a, 0.045);
  a.CalculateHAtEref(0);
  a.SplineConcentration[1234] = 1e200;  // its square overflows
  const auto row = a.HValues[0];
  a.Eref[0] = 0.123;
  a.PeakIndex[0] = 17;
  a.SearchLowIndex = 7;
  a.SearchHighIndex = 8;
  a.SearchStartIndex = 0;
  a.KeepSearchStart = false;
  try {
    a.CalculateH(0);
    FAIL() << "no error";
  } catch (const korv::Error& e) {
    EXPECT_NE(std::string(e.what()).find("could not be carried out"), std::string::npos) << e.what();
  }
  EXPECT_EQ(a.HValues[0], row);
  EXPECT_EQ(a.Eref[0], 0.123);
  EXPECT_EQ(a.PeakIndex[0], 17);
  EXPECT_EQ(a.SearchLowIndex, 7);
  EXPECT_EQ(a.SearchHighIndex, 8);
  EXPECT_FALSE(a.KeepSearchStart);
  EXPECT_EQ(progress.main().closes, 1);
  EXPECT_THROW(a.CalculateHAtEref(0), korv::Error);
  EXPECT_EQ(a.HValues[0], row);
}

TEST_F(HFunctionTest, LeavesKeepSearchStartAsItFindsIt) {
  setDonorGrid(a, 0.045);
  a.KeepSearchStart = false;
  ASSERT_TRUE(a.CalculateH(0));
  EXPECT_FALSE(a.KeepSearchStart);
}

TEST_F(HFunctionTest, RefusesWithoutASpline) {
  EXPECT_THROW(a.CalculateH(0), korv::Error);
  EXPECT_THROW(a.CalculateHAtEref(0), korv::Error);
  setDonorGrid(a, 0.045);
  EXPECT_THROW(a.CalculateH(3), korv::Error);
  EXPECT_THROW(a.CalculateHAtEref(-1), korv::Error);
}

// ---- Measurements ------------------------------------------------------------------

// H1 of every measurement: the reported E_ref is the one of the stored row, and the
// peak lies inside the window.
class HFunctionOfMeasurements : public korv::test::PipelineFixture,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(HFunctionOfMeasurements, ErefAndRowAgree) {
  Prepare(GetParam());
  ASSERT_TRUE(a.CalculateH(0));
  const auto row = a.HValues[0];
  EXPECT_GE(a.PeakIndex[0], a.SearchLowIndex);
  EXPECT_LE(a.PeakIndex[0], a.SearchHighIndex);
  a.CalculateHAtEref(0);
  EXPECT_EQ(a.HValues[0], row);
  EXPECT_EQ(progress.main().closes, 1);
  EXPECT_TRUE(messages.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Datasets, HFunctionOfMeasurements,
                         ::testing::Values("01_si_n_P_lightcomp.nT", "02_si_p_B_comp20.pT", "04_si_p_Ga_badpoints.pT",
                                           "07_sic4h_n_N_two_sites.nT", "09_sic4h_p_Al_heavy.pT",
                                           "13_gan_n_two_donors.nT", "17_gan_p_Mg_excited_states.pT",
                                           "clean/09_sic4h_p_Al_heavy.pT", "clean/17_gan_p_Mg_excited_states.pT"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// Noise-free single donor, lightly smoothed: the peak of H1 is the peak of the H function
// of the exact model the measurement was made from.
class SingleDonorMeasurement : public korv::test::PipelineFixture {};

TEST_F(SingleDonorMeasurement, PeakOfTheSingleDonorIsThePeakOfItsModel) {
  Prepare("clean/01_si_n_P_lightcomp.nT", 1);
  ASSERT_TRUE(a.CalculateH(0));
  EXPECT_EQ(a.Eref[0], 0.0);
  const double measured = a.SplineTemperature[a.PeakIndex[0]];
  for (int j = 0; j < a.GridCount; ++j)
    a.SplineConcentration[j] = oneDonor(a.SplineTemperature[j], 1e16, 1e14, 0.0456, 2, 5.25e15);
  ASSERT_TRUE(a.CalculateH(0));
  EXPECT_NEAR(measured, a.SplineTemperature[a.PeakIndex[0]], 0.25);
  EXPECT_NEAR(measured, 109.1, 0.5);
}

}  // namespace
