// The bounded fit in relative deviations: recovery of exact model data, the bounds, the
// standard errors against the scatter of noisy fits, and the resolution and merge rules.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analyses/RelativeFit.h"
#include "core/Error.h"

using namespace korv::analyses;

namespace {

constexpr double kDos = 5.4e15;  // silicon-like conduction band: Nc(300 K) = 2.8e19 cm^-3

RelativeFitInput ModelData(const std::vector<RelativeDopant>& truth, double comp, double low, double high, int count,
                           double dos = kDos) {
  RelativeFitInput in;
  in.dosCoefficient = dos;
  for (int i = 0; i < count; ++i) {
    // Even steps in 1/T, as a measurement in the freeze-out range is usually taken.
    const double inv = 1.0 / high + (1.0 / low - 1.0 / high) * i / (count - 1);
    const double T = 1.0 / inv;
    in.temperature.push_back(T);
    in.concentration.push_back(std::exp(ModelLogConcentration(T, dos, truth, comp)));
  }
  return in;
}

void ExpectRelative(double actual, double expected, double tolerance, const char* what) {
  EXPECT_LE(std::abs(actual - expected), tolerance * std::abs(expected))
      << what << ": " << actual << " against " << expected;
}

}  // namespace

TEST(RelativeFitModel, OneDonorAgreesWithTheClosedForm) {
  // One donor with compensation: n^2 + n (N_A + n1/g) - (n1/g)(N_D - N_A) = 0.
  const double ND = 1e16, NA = 1e15, g = 2, E = 0.045;
  for (double T : {8.0, 25.0, 50.0, 100.0, 300.0, 1000.0}) {
    const double kT = 1.38054e-23 * T / 1.6021e-19;
    const double n1 = kDos * std::pow(T, 1.5) * std::exp(-E / kT) / g;
    const double b = NA + n1;
    const double expected = 2 * n1 * (ND - NA) / (b + std::sqrt(b * b + 4 * n1 * (ND - NA)));
    ExpectRelative(std::exp(ModelLogConcentration(T, kDos, {{ND, E, g}}, NA)), expected, 1e-12, "closed form");
  }
  // A deep level at a low temperature: ln n stays finite far below the smallest double.
  const double deep = ModelLogConcentration(5, kDos, {{1e17, 1.4, 2}}, 1e15);
  EXPECT_TRUE(std::isfinite(deep));
  EXPECT_LT(deep, -1000);
  EXPECT_THROW(ModelLogConcentration(100, kDos, {{ND, E, g}}, ND), korv::Error);  // N_comp = sum N
}

struct RecoveryCase {
  const char* name;
  std::vector<RelativeDopant> truth;
  double comp;
  double low, high;
};

class RelativeFitRecovery : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(RelativeFitRecovery, ExactModelDataFromAStartTwentyPercentOff) {
  const RecoveryCase& c = GetParam();
  RelativeFitInput in = ModelData(c.truth, c.comp, c.low, c.high, 80);
  for (size_t j = 0; j < c.truth.size(); ++j) {
    RelativeDopant d = c.truth[j];
    d.density *= j % 2 ? 0.8 : 1.2;
    d.level *= j % 2 ? 1.2 : 0.8;
    in.dopants.push_back(d);
  }
  in.compensatingDensity = c.comp * 1.2;
  const RelativeFitResult r = FitRelative(in);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.dopants.size(), c.truth.size());
  for (size_t j = 0; j < c.truth.size(); ++j) {
    ExpectRelative(r.dopants[j].density, c.truth[j].density, 1e-6, "density");
    ExpectRelative(r.dopants[j].level, c.truth[j].level, 1e-6, "level");
  }
  ExpectRelative(r.compensatingDensity, c.comp, 1e-6, "compensating density");
  EXPECT_LT(r.deviationAfter, 1e-18);
  EXPECT_GT(r.deviationBefore, 1e-3);
  EXPECT_TRUE(r.unresolved.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RelativeFitRecovery,
                         ::testing::Values(RecoveryCase{"SiP", {{1e16, 0.0456, 2}}, 1e14, 20, 400},
                                           RecoveryCase{"SiB", {{2e16, 0.045, 4}}, 4e15, 25, 400},
                                           RecoveryCase{
                                               "TwoSites", {{4e16, 0.0614, 2}, {6e16, 0.1255, 2}}, 5e15, 40, 700}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RelativeFitBounds, AStartAtABoundStaysInsideAndFits) {
  // Uncompensated data started with no compensation at all: the fraction starts at its bound.
  const std::vector<RelativeDopant> truth{{1e16, 0.05, 2}};
  RelativeFitInput in = ModelData(truth, 0.0, 25, 300, 40);
  in.dopants = {{1.3e16, 0.04, 2}};
  in.compensatingDensity = 0;
  const RelativeFitResult r = FitRelative(in);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_GE(r.compensatingDensity, 0);
  EXPECT_LT(r.compensatingDensity, r.dopants[0].density);
  EXPECT_GT(r.dopants[0].level, 0);
  EXPECT_LT(r.dopants[0].level, kRelativeFitMaxLevel);
  ExpectRelative(r.dopants[0].level, 0.05, 1e-3, "level");
  EXPECT_LT(r.compensatingDensity, 1e-3 * r.dopants[0].density);

  // Data that ask for a level beyond the bound: the level ends below 1.5 eV and is reported.
  RelativeFitInput deep = ModelData({{1e17, 1.49999999, 2}}, 1e12, 600, 900, 20, 1e15);
  deep.dopants = {{1e17, 1.2, 2}};
  deep.compensatingDensity = 1e12;
  const RelativeFitResult d = FitRelative(deep);
  ASSERT_TRUE(d.ok) << d.message;
  EXPECT_LT(d.dopants[0].level, kRelativeFitMaxLevel);
  EXPECT_GT(d.dopants[0].density, 0);
}

TEST(RelativeFitBounds, EnteredValuesOutsideTheDomainFitNothing) {
  const RelativeFitInput base = ModelData({{1e16, 0.05, 2}}, 1e14, 30, 300, 20);
  struct Row {
    const char* what;
    RelativeDopant dopant;
    double comp;
  };
  for (const Row& row : {Row{"negative compensation", {1e16, 0.05, 2}, -1e13},
                         Row{"compensation = sum N", {1e16, 0.05, 2}, 1e16}, Row{"zero density", {0, 0.05, 2}, 1e14},
                         Row{"level 0", {1e16, 0, 2}, 1e14}, Row{"level 1.5 eV", {1e16, 1.5, 2}, 1e14}}) {
    RelativeFitInput in = base;
    in.dopants = {row.dopant};
    in.compensatingDensity = row.comp;
    const RelativeFitResult r = FitRelative(in);
    EXPECT_FALSE(r.ok) << row.what;
    EXPECT_EQ(r.message,
              "The entered values lie outside the physical range: densities above 0, compensating density not below "
              "0, levels between 0 and 1.5 eV.")
        << row.what;
  }
}

TEST(RelativeFitErrors, StandardErrorsMatchTheScatterOfNoisyFits) {
  const std::vector<RelativeDopant> truth{{1e16, 0.0456, 2}};
  const double comp = 2e14;
  const RelativeFitInput clean = ModelData(truth, comp, 30, 300, 40);
  std::mt19937 rng(20261210);
  std::normal_distribution<double> noise(0.0, 0.02);  // 2 % scatter of every point
  const int runs = 50;
  std::vector<double> levels, densities, comps;
  double meanLevelError = 0, meanDensityError = 0, meanCompError = 0;
  for (int k = 0; k < runs; ++k) {
    RelativeFitInput in = clean;
    for (double& n : in.concentration) n *= std::exp(noise(rng));
    in.dopants = {{1.1e16, 0.042, 2}};
    in.compensatingDensity = 3e14;
    const RelativeFitResult r = FitRelative(in);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_TRUE(r.levelError[0] && r.densityError[0] && r.compensatingError);
    levels.push_back(r.dopants[0].level);
    densities.push_back(r.dopants[0].density);
    comps.push_back(r.compensatingDensity);
    meanLevelError += *r.levelError[0] / runs;
    meanDensityError += *r.densityError[0] / runs;
    meanCompError += *r.compensatingError / runs;
    ASSERT_TRUE(r.reducedChi2);
    EXPECT_NEAR(std::sqrt(*r.reducedChi2), 0.02, 0.01);
  }
  auto scatter = [](const std::vector<double>& v) {
    double mean = 0, var = 0;
    for (double x : v) mean += x / v.size();
    for (double x : v) var += (x - mean) * (x - mean) / (v.size() - 1);
    return std::sqrt(var);
  };
  EXPECT_NEAR(meanLevelError / scatter(levels), 1.0, 0.3);
  EXPECT_NEAR(meanDensityError / scatter(densities), 1.0, 0.3);
  EXPECT_NEAR(meanCompError / scatter(comps), 1.0, 0.3);
}

TEST(RelativeFitErrors, NoStandardErrorsWithoutSpareFitPoints) {
  RelativeFitInput in = ModelData({{1e16, 0.05, 2}}, 1e14, 40, 300, 3);  // M = P = 3
  in.dopants = {{1.2e16, 0.045, 2}};
  in.compensatingDensity = 1e14;
  const RelativeFitResult r = FitRelative(in);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_FALSE(r.reducedChi2);
  EXPECT_FALSE(r.densityError[0]);
  EXPECT_FALSE(r.compensatingError);
}

TEST(RelativeFitResolution, FindingsAndMerges) {
  // 3 kT at 30 K is 7.76 meV.
  const std::vector<RelativeDopant> close{{1e16, 0.050, 2}, {3e16, 0.056, 4}, {2e16, 0.120, 2}};
  auto found = CheckResolution(close, 30);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].first, 0);
  EXPECT_EQ(found[0].second, 1);
  const auto merged = MergeUnresolved(close, found[0]);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_DOUBLE_EQ(merged[0].density, 4e16);
  EXPECT_DOUBLE_EQ(merged[0].level, (1e16 * 0.050 + 3e16 * 0.056) / 4e16);
  EXPECT_EQ(merged[0].g, 4);  // of the denser level
  EXPECT_DOUBLE_EQ(merged[1].level, 0.120);

  // A density below 1e-3 of the largest goes into the nearest level; exactly 1e-3 stays.
  const std::vector<RelativeDopant> faint{{1e16, 0.05, 2}, {0.99e13, 0.09, 2}, {5e15, 0.2, 2}};
  found = CheckResolution(faint, 30);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].first, 1);
  EXPECT_EQ(found[0].second, -1);
  const auto into = MergeUnresolved(faint, found[0]);
  ASSERT_EQ(into.size(), 2u);
  EXPECT_DOUBLE_EQ(into[0].density, 1e16 + 0.99e13);
  EXPECT_TRUE(CheckResolution({{1e16, 0.05, 2}, {1e13, 0.09, 2}}, 30).empty());

  // A level at a bound is never resolved; a lone level has nothing to merge into.
  found = CheckResolution({{1e16, kRelativeFitMaxLevel * (1 - 1e-8), 2}}, 30);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(MergeUnresolved({{1e16, 1.4999999, 2}}, found[0]).size(), 1u);
}

// A level that holds no carriers anywhere in the range can take any density: it neither
// counts as the largest nor is it added to a neighbour; Merge removes it.
TEST(RelativeFitResolution, AHardlyIonisedLevelIsRemovedNotMerged) {
  const std::vector<RelativeDopant> reservoir{{5e16, 0.018, 2}, {3e16, 0.064, 2}, {1.5e25, 1.18, 2}};
  auto found = CheckResolution(reservoir, 25, {1.0, 0.9, 1e-10});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].first, 2);
  EXPECT_TRUE(found[0].hardlyIonised);
  const auto removed = MergeUnresolved(reservoir, found[0]);
  ASSERT_EQ(removed.size(), 2u);
  EXPECT_EQ(removed[0].density, 5e16);
  EXPECT_EQ(removed[1].density, 3e16);
  EXPECT_EQ(CompensationBelow(removed, 1.5e16), 1.5e16);
  EXPECT_EQ(CompensationBelow(removed, 9e16), 4e16);
  // Without the fractions the same set flags the two real levels as faint.
  EXPECT_EQ(CheckResolution(reservoir, 25).size(), 2u);
  // Exactly 1e-3 counts as ionised.
  EXPECT_TRUE(CheckResolution(reservoir, 25, {1.0, 0.9, 1e-3}).size() == 2u);
}

// A deep level added to a one-donor set runs to a reservoir that never ionises; the fit says so
// and the merging fit removes it and recovers the donor.
TEST(RelativeFitResolution, MergingRemovesADeepReservoir) {
  const std::vector<RelativeDopant> truth{{1e16, 0.045, 2}};
  RelativeFitInput in = ModelData(truth, 1e14, 30, 350, 60);
  in.dopants = {{1.1e16, 0.05, 2}, {5e15, 1.2, 2}};
  in.compensatingDensity = 2e14;
  const RelativeFitResult r = FitRelativeMerging(in);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.dopants.size(), 1u);
  EXPECT_NEAR(r.dopants[0].level, 0.045, 1e-6);
  EXPECT_NEAR(r.dopants[0].density / 1e16, 1, 1e-5);
  EXPECT_TRUE(r.unresolved.empty());
}

TEST(RelativeFitResolution, MergingRefitsASplitLevel) {
  // One donor fitted with two nearly equal levels: the merge gives one level and the truth.
  const std::vector<RelativeDopant> truth{{1e16, 0.0456, 2}};
  RelativeFitInput in = ModelData(truth, 1e14, 25, 300, 50);
  in.dopants = {{0.5e16, 0.044, 2}, {0.6e16, 0.047, 2}};
  in.compensatingDensity = 1e14;
  const RelativeFitResult r = FitRelativeMerging(in);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.dopants.size(), 1u);
  EXPECT_GE(r.merges, 1);
  EXPECT_TRUE(r.unresolved.empty());
  ExpectRelative(r.dopants[0].level, 0.0456, 1e-5, "merged level");
  ExpectRelative(r.dopants[0].density, 1e16, 1e-5, "merged density");
}
