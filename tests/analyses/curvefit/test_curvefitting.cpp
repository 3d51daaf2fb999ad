// The curve-fitting engine: fit points, starting parameters, the Fermi-level bisection, the
// Gauss-Newton step with its acceptance rule, the standard errors and the *.cft file.
#include "analyses/CurveFitting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Error.h"
#include "support/AnalyticRecord.h"

using namespace korv::curvefit;
using korv::test::ExactConcentration;
using korv::test::ExactFermiLevel;
using korv::test::Level;

namespace {

constexpr double kDos = 5.25e15;

// Measured points that are the exact charge balance of the given dopants.
FitPoints Synthetic(const std::vector<Level>& levels, double compensation, double tLow, double tHigh, int count) {
  FitPoints pts;
  for (int i = 0; i < count; ++i) {
    // Even in 1000/T, rising temperature.
    const double x = 1000 / tLow + (1000 / tHigh - 1000 / tLow) * i / (count - 1);
    pts.temperature.push_back(1000 / x);
    pts.concentration.push_back(ExactConcentration(levels, compensation, kDos, 1000 / x));
  }
  return pts;
}

FitParameters Params(std::vector<Dopant> dopants, double compensation) {
  FitParameters p;
  p.dopants = std::move(dopants);
  p.compensatingDensity = compensation;
  return p;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(CurveFitPoints, OnlyReliabilityAboveThresholdInMeasurementOrder) {
  Analysis a;
  a.Temperature = {50, 60, 70, 80, 90};
  a.Concentration = {1e13, 2e13, 3e13, 4e13, 5e13};
  a.Reliability = {1, 0.95, 0.9500001, 0, 0.96};
  a.DataCount = 5;
  const FitPoints pts = SelectFitPoints(a);
  EXPECT_EQ(pts.temperature, (std::vector<double>{50, 70, 90}));
  EXPECT_EQ(pts.concentration, (std::vector<double>{1e13, 3e13, 5e13}));
  // DataCount bounds the points read, whatever the arrays hold beyond it.
  a.DataCount = 2;
  EXPECT_EQ(SelectFitPoints(a).Count(), 1);
}

TEST(CurveFitStart, SlotsAboveTenSortedByLevelStably) {
  Analysis a;
  a.SimDensity = {1e16, 10, 3e15, 2e15};
  a.SimEnergyLevel = {0.2, 0.01, 0.05, 0.05};
  a.DegeneracyFactor = {2, 3, 4, 5};
  a.SimCompensatingDensity = 7e14;
  const FitParameters p = StartingParameters(a);
  ASSERT_EQ(p.dopants.size(), 3u);        // slot 1 holds exactly 10: not a dopant
  EXPECT_EQ(p.dopants[0].density, 3e15);  // equal levels keep their slot order
  EXPECT_EQ(p.dopants[0].g, 4);
  EXPECT_EQ(p.dopants[1].density, 2e15);
  EXPECT_EQ(p.dopants[2].level, 0.2);
  EXPECT_EQ(p.dopants[2].g, 2);
  EXPECT_EQ(p.compensatingDensity, 7e14);
  for (const auto& d : p.dopants) EXPECT_TRUE(d.checked);
}

TEST(CurveFitFermi, FifteenBisectionsAgainstTheExactBalance) {
  const std::vector<Level> levels{{1e16, 0.045, 2}, {3e15, 0.12, 2}};
  const FitParameters p = Params({{1e16, 0.045, 2}, {3e15, 0.12, 2}}, 1e14);
  for (double T : {20.0, 60.0, 150.0, 400.0}) {
    SCOPED_TRACE(T);
    const double exact = static_cast<double>(ExactFermiLevel(levels, 1e14, kDos, T));
    // 15 halvings of 1.5 eV leave an interval of 46 microvolts.
    EXPECT_NEAR(SolveFermiLevel(Model{kDos}, p, T), exact, 1.5 / (1 << 15));
  }
}

TEST(CurveFitDomain, DensitiesPositiveCompensationNotNegativeLevelsInsideTheBisection) {
  struct Case {
    double density, level, compensation;
    bool in;
  } cases[] = {{1e16, 0.05, 0, true},    {1e16, 0.05, -1, false},   {0, 0.05, 1e14, false},
               {1e16, 0, 1e14, false},   {1e16, 1.5, 1e14, false},  {1e16, 1.4999, 1e14, true},
               {1e16, NAN, 1e14, false}, {INFINITY, 0.05, 0, false}};
  for (const auto& c : cases)
    EXPECT_EQ(InDomain(Params({{c.density, c.level, 2}}, c.compensation)), c.in)
        << c.density << " " << c.level << " " << c.compensation;
}

TEST(CurveFitStep, AStepThatLeavesTheDeviationUnchangedIsRejected) {
  const FitPoints pts = Synthetic({{1e16, 0.045, 2}}, 1e14, 30, 300, 40);
  const FitParameters start = Params({{1.2e16, 0.05, 2}}, 2e14);
  // Weight 0: the stepped set is the set itself.
  const FitResult r = Fit(Model{kDos}, start, pts, {0, pts.Count() - 1}, 0.0);
  EXPECT_EQ(r.acceptedSteps, 0);
  EXPECT_TRUE(r.stepRejected);
  EXPECT_EQ(r.adjusted.dopants[0].density, 1.2e16);
  EXPECT_EQ(r.deviationAfter, r.deviationBefore);
}

TEST(CurveFitStep, AStepThatLowersTheDeviationButLeavesTheDomainIsRejected) {
  // The data need a negative compensating density; the full step goes there.
  const std::vector<Level> truth{{1e16, 0.045, 2}};
  const FitPoints pts = Synthetic(truth, -2e15, 30, 300, 40);
  const FitParameters start = Params({{1e16, 0.045, 2}}, 1e13);
  const Model m{kDos};
  const FitRange all{0, pts.Count() - 1};
  const FitParameters stepped = GaussNewtonStep(m, start, pts, all, 1.0);
  ASSERT_LT(stepped.compensatingDensity, 0);
  ASSERT_LT(SquaredDeviation(m, stepped, pts, all), SquaredDeviation(m, start, pts, all));
  const FitResult r = Fit(m, start, pts, all, 1.0);
  EXPECT_EQ(r.acceptedSteps, 0);
  EXPECT_TRUE(r.stepRejected);
  EXPECT_EQ(r.adjusted.compensatingDensity, 1e13);
}

TEST(CurveFitStep, EnteredValuesOutsideTheDomainFitNothing) {
  const FitPoints pts = Synthetic({{1e16, 0.045, 2}}, 1e14, 30, 300, 20);
  try {
    Fit(Model{kDos}, Params({{1e16, 0.045, 2}}, -5e13), pts, {0, pts.Count() - 1}, 0.1);
    FAIL() << "no error";
  } catch (const korv::Error& e) {
    EXPECT_STREQ(e.what(), kOutsideDomain);
  }
}

TEST(CurveFitStep, SingularNormalSystemIsAFailedFit) {
  const FitPoints pts = Synthetic({{1e16, 0.045, 2}}, 1e14, 30, 300, 20);
  // Two points, three parameters: J^T J has rank 2.
  try {
    GaussNewtonStep(Model{kDos}, Params({{1e16, 0.045, 2}}, 1e14), pts, {3, 4}, 0.1);
    FAIL() << "no error";
  } catch (const korv::Error& e) {
    EXPECT_STREQ(e.what(), kFitFailed);
  }
}

// From 20 % off in the densities and some meV off in the levels, the iteration comes back
// near the values the data were made from, with every accepted step lowering the deviation.
// How near is set by the 15 bisections: the Fermi level moves in steps of 46 microvolts, so
// the deviation is flat for steps smaller than that and the iteration ends there.
TEST(CurveFitIteration, RecoversTheParametersOfExactData) {
  const std::vector<Level> truth{{1e16, 0.045, 2}, {4e15, 0.15, 2}};
  const FitPoints pts = Synthetic(truth, 5e14, 25, 500, 120);
  const Model m{kDos};
  FitParameters p = Params({{1.2e16, 0.05, 2}, {3.2e15, 0.14, 2}}, 8e14);
  FitResult r;
  const double initial = SquaredDeviation(m, p, pts, {0, pts.Count() - 1});
  int clicks = 0;
  do {
    r = Fit(m, p, pts, {0, pts.Count() - 1}, 0.1);
    EXPECT_LE(r.deviationAfter, r.deviationBefore);
    p = r.adjusted;
  } while (!r.stepRejected && ++clicks < 5);
  EXPECT_LT(r.deviationAfter, initial / 100);
  EXPECT_NEAR(r.adjusted.dopants[0].level, 0.045, 1e-3);
  EXPECT_NEAR(r.adjusted.dopants[1].level, 0.15, 1.5e-3);
  EXPECT_NEAR(r.adjusted.dopants[0].density / 1e16, 1, 0.08);
  EXPECT_NEAR(r.adjusted.dopants[1].density / 4e15, 1, 0.08);
  ASSERT_EQ(r.standardErrors.size(), 5u);
}

// A model that is linear in its parameters: y = a + b x, J = [1, x]. The errors are the
// textbook ones of a straight-line fit: s sqrt(1/n + mean^2/Sxx) and s / sqrt(Sxx).
TEST(CurveFitErrors, StraightLineAgainstTheClosedForm) {
  const std::vector<double> x{1, 2, 3, 4, 5, 6}, y{2.1, 3.9, 6.2, 7.8, 10.1, 12.2};
  const double n = 6;
  double mx = 0, my = 0;
  for (int i = 0; i < 6; ++i) mx += x[i] / n, my += y[i] / n;
  double sxx = 0, sxy = 0;
  for (int i = 0; i < 6; ++i) sxx += (x[i] - mx) * (x[i] - mx), sxy += (x[i] - mx) * (y[i] - my);
  const double b = sxy / sxx, a = my - b * mx;
  double S = 0;
  Matrix J;
  for (int i = 0; i < 6; ++i) {
    S += std::pow(y[i] - a - b * x[i], 2);
    J.push_back({1, x[i]});
  }
  const double s = std::sqrt(S / (n - 2));
  const auto e = StandardErrors(J, S);
  ASSERT_TRUE(e[0] && e[1]);
  EXPECT_NEAR(*e[0], s * std::sqrt(1 / n + mx * mx / sxx), 1e-12);
  EXPECT_NEAR(*e[1], s / std::sqrt(sxx), 1e-12);
  // Scaling a column scales its error inversely, whatever its magnitude.
  for (auto& row : J) row[1] *= 1e18;
  EXPECT_NEAR(*StandardErrors(J, S)[1] * 1e18, s / std::sqrt(sxx), 1e-12);
}

// Standard errors come only with a fit whose last accepted step changed the deviation by
// less than 1e-6 relative: one full step from 20 % off is far from the minimum.
TEST(CurveFitErrors, AFitThatHasNotConvergedHasNoStandardErrors) {
  const FitPoints pts = Synthetic({{1e16, 0.045, 2}, {4e15, 0.15, 2}}, 5e14, 25, 500, 120);
  const Model m{kDos};
  const FitRange all{0, pts.Count() - 1};
  const FitParameters p = Params({{1.2e16, 0.05, 2}, {3.2e15, 0.14, 2}}, 8e14);
  const FitResult first = Fit(m, p, pts, all, 0.1, 1);
  ASSERT_EQ(first.acceptedSteps, 1);
  EXPECT_GT(first.deviationBefore - first.deviationAfter, 1e-6 * first.deviationBefore);
  EXPECT_FALSE(first.converged);
  ASSERT_EQ(first.standardErrors.size(), 5u);
  for (const auto& e : first.standardErrors) EXPECT_FALSE(e);
  EXPECT_EQ(std::string(kNotConverged), "not converged: press Curve Fitting again or use the relative fit");
}

TEST(CurveFitErrors, NoErrorsWithoutSpareDegreesOfFreedomOrForASingularSystem) {
  const Matrix square{{1, 1}, {1, 2}};
  for (const auto& e : StandardErrors(square, 1.0)) EXPECT_FALSE(e);
  const Matrix collinear{{1, 2}, {2, 4}, {3, 6}};
  for (const auto& e : StandardErrors(collinear, 1.0)) EXPECT_FALSE(e);
}

class CftFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("korv-cft-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".cft"))
                .string();
    a_.VersionInformation = "KORV Ver. 1.51";
    a_.FunctionType = 2;
    a_.OriginalFile = "o.nT";
    a_.ExperimentalDataFile = "e.nT";
    a_.AnalysisDataFile = "e.spl";
    a_.FermiLevelFile = "e.fl";
    a_.SimDensity = {1e16, 0, 3e15, 0};
    a_.SimEnergyLevel = {0.045, 0, 0.12, 0};
    a_.SimCompensatingDensity = 1e14;
    a_.SimUseLevel = {true, true, true, false};
    a_.SimUseCompensation = true;
    a_.GridCount = 2;
    a_.SplineTemperature = {100, 100.1};
    a_.SimulatedConcentration = {1e15, 1.1e15};
    a_.SimulatedFermiLevel = {0.05, 0.051};
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::string path_;
  Analysis a_;
};

TEST_F(CftFile, LineForLine) {
  CftContents c;
  c.fittingCounter = 7;
  c.lowTemperature = 30;
  c.highTemperature = 300.5;
  c.entered = Params({{2e16, 0.05, 2}}, 3e14);
  c.gridConcentration = {1.23456789e15, 2e15};
  c.gridFermiLevel = {0.06, 0.061};
  WriteCftFile(path_, a_, c);
  const std::string text = ReadAll(path_);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  ASSERT_EQ(lines.size(), 34u);
  const std::string dash62 = "% " + std::string(62, '-') + " ", dash60 = "% " + std::string(60, '-') + " ";
  const std::vector<std::pair<int, std::string>> expected{
      {1, "% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)"},
      {2, "% Version Information: KORV Ver. 1.51"},
      {3, "% Function Type: H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5"},
      {4, "% Original file: o.nT"},
      {7, "% Fermi level file: e.fl"},
      {8, dash62},
      {9, "% Simulation result by KORV only"},
      {10, dash62},
      {11, "% First density [cm^-3]: 1E16"},
      {14, "% Second energy level [eV]: 0"},
      {15, "% Third density [cm^-3]: 3E15"},
      {17, "% Compenating density [cm^-3]: 100000000000000"},
      {18, dash60},
      {19, "% Simulation result by KORV using curve-fitting adjustment"},
      {20, dash60},
      {21, "% Weight for curve fitting: 0.1"},
      {22, "% Times of curve fitting procedures: 7"},
      {23, "% Lowest Temperature for curve fitting [K] : 30"},
      {24, "% Highest temperature for curve fitting [K] : 300.5"},
      {25, "% First density [cm^-3]: 2E16"},
      {26, "% First energy level [eV]: 0.05"},
      {27, "% Second density [cm^-3]: 0"},
      {30, "% Third energy level [eV]: 0"},
      {31, "% Compenating density [cm^-3]: 300000000000000"},
      {32,
       "% Temperature [K]  *Only KORV*   concentration [cm^-3]    Fermi level   [eV]   *KORV with adjustemnt*   "
       "concentration [cm^-3]    Fermi level   [eV] "},
      {33, "100     1e+15     0.05     1.23457e+15     0.06"},
  };
  for (const auto& [n, line] : expected) EXPECT_EQ(lines[n - 1], line) << "line " << n;
}

// The block of the simulation states what the simulated columns were made with: a level
// or the compensating density left out of it counts 0, whatever its edit held.
TEST_F(CftFile, SimulationBlockStatesOnlyWhatTookPart) {
  a_.SimUseLevel = {true, false, false, false};
  a_.SimUseCompensation = false;
  CftContents c;
  c.entered = Params({{2e16, 0.05, 2}}, 3e14);
  c.gridConcentration = {1e15, 2e15};
  c.gridFermiLevel = {0.06, 0.061};
  WriteCftFile(path_, a_, c);
  const std::string text = ReadAll(path_);
  for (const char* line : {"% First density [cm^-3]: 1E16\r\n% First energy level [eV]: 0.045\r\n"
                           "% Second density [cm^-3]: 0\r\n% Second energy level [eV]: 0\r\n"
                           "% Third density [cm^-3]: 0\r\n% Third energy level [eV]: 0.12\r\n"
                           "% Compenating density [cm^-3]: 0\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST_F(CftFile, ArraysShorterThanTheGridAreRefusedAndNothingIsWritten) {
  CftContents c;
  c.gridConcentration = {1e15};
  c.gridFermiLevel = {0.06};
  EXPECT_THROW(WriteCftFile(path_, a_, c), korv::Error);
  EXPECT_FALSE(std::filesystem::exists(path_));
}
