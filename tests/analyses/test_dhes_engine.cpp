// The DHES engine: signal, peak scans, estimates, curves, sum, reset and the *.DHES file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analyses/Dhes.h"
#include "core/Error.h"
#include "numerics/PipelineFixture.h"

namespace korv::dhes {
namespace {

// A record whose grid is given point by point.
void SetGrid(Analysis& a, const std::vector<double>& t, const std::vector<double>& n, const std::vector<double>& f) {
  a.SplineTemperature = t;
  a.SplineConcentration = n;
  a.FermiLevel = f;
  a.GridCount = static_cast<int>(t.size());
}

std::vector<double> Ramp(int count) {
  std::vector<double> v(count);
  for (int i = 0; i < count; ++i) v[i] = i;
  return v;
}

// Two bumps far wider than the scan tolerance, maxima at 100 and 300, over a falling floor.
std::vector<double> TwoBumps() {
  std::vector<double> v(401);
  for (int i = 0; i <= 400; ++i)
    v[i] = 1 + 3 * std::exp(-i / 20.0) + 5 * std::exp(-std::pow((i - 100) / 25.0, 2)) +
           8 * std::exp(-std::pow((i - 300) / 25.0, 2));
  return v;
}

std::vector<double> Joined(std::initializer_list<std::vector<double>> parts) {
  std::vector<double> v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

TEST(DhesPeakScan, TableOfSearches) {
  // Rises 0..10, falls for `gap` steps to 2 then rises to 20: a second maximum behind a
  // contrary stretch of `gap` steps.
  auto behind = [](int gap) {
    std::vector<double> v;
    for (int i = 0; i <= 10; ++i) v.push_back(i);
    for (int i = 0; i < gap; ++i) v.push_back(2);
    v.push_back(20);
    v.push_back(3);
    v.push_back(3);
    return v;
  };
  struct Case {
    const char* what;
    std::vector<double> signal;
    bool next;
    int start;
    int expected;
  };
  const std::vector<Case> cases{
      {"Previous at index 0 stays", TwoBumps(), false, 0, 0},
      {"rising signal climbs to the last index", Ramp(30), true, 0, 29},
      {"Next at the last index stays", Ramp(30), true, 29, 29},
      {"Next from the start finds the first bump", TwoBumps(), true, 0, 100},
      {"Next from the first bump finds the second", TwoBumps(), true, 100, 300},
      {"Previous from the second bump finds the first", TwoBumps(), false, 300, 100},
      {"Previous from the first bump falls back to the start", TwoBumps(), false, 100, 0},
      // 0..10, two more 10s, down to 5 and 60 times 5: the first 10 stays the maximum.
      {"a plateau top is not a new maximum", Joined({Ramp(11), {10, 10, 9, 8, 7, 6}, std::vector<double>(60, 5)}), true,
       0, 10},
      // From the first 5 of a floor of 5s the valley runs to its far end, and the next
      // value is the maximum; from the top 8 going back the floor is passed the same way.
      {"a plateau floor is a valley", Joined({{9, 5, 5, 5, 5, 8}, std::vector<double>(60, 6)}), true, 1, 5},
      {"a plateau floor is a valley, previous", Joined({std::vector<double>(60, 6), {8, 5, 5, 5, 5, 9}}), false, 64,
       60},
      {"contrary stretch within the tolerance is passed", behind(40), true, 0, 51},
      {"contrary stretch beyond the tolerance stops", behind(60), true, 0, 10},
      {"empty signal", {}, true, 0, 0},
      {"empty signal, previous", {}, false, 0, 0},
      {"one value", {3}, true, 0, 0},
  };
  for (const auto& c : cases) {
    const int found = c.next ? FindNextPeak(c.signal, c.start) : FindPreviousPeak(c.signal, c.start);
    EXPECT_EQ(found, c.expected) << c.what;
  }
}

TEST(DhesSignal, DifferencesOverFermiLevelWithEqualLevelsRepeatingThePrevious) {
  Analysis a;
  // F equal between points 0,1 (first interval: 0) and 2,3 (repeats interval 1).
  SetGrid(a, {100, 100.1, 100.2, 100.3, 100.4}, {1e15, 2e15, 4e15, 5e15, 7e15}, {0.20, 0.20, 0.19, 0.19, 0.17});
  DhesState s;
  CalculateDhes(a, s);
  ASSERT_EQ(s.Count(), 4);
  EXPECT_DOUBLE_EQ(s.DhesSignal[0], 0.0);
  const double kt = (phys::KT(100.1) + phys::KT(100.2)) / 2;
  EXPECT_NEAR(s.DhesSignal[1], 2e15 * kt / -0.01, 1e3);
  EXPECT_DOUBLE_EQ(s.DhesSignal[2], s.DhesSignal[1]);
  EXPECT_NEAR(s.DhesSignal[3], 2e15 * (phys::KT(100.3) + phys::KT(100.4)) / 2 / -0.02, 1e3);
  EXPECT_DOUBLE_EQ(s.DhesAbscissa[1], (0.20 + 0.19) / 2);
}

TEST(DhesSignal, GridOfOnePointGivesNoSignalAndShortArraysAnError) {
  Analysis a;
  SetGrid(a, {50}, {1e15}, {0.1});
  DhesState s;
  s.DhesSignal = {7};
  CalculateDhes(a, s);
  EXPECT_TRUE(s.DhesSignal.empty());
  EXPECT_EQ(FindNextPeak(s.DhesSignal, 0), 0);
  EXPECT_THROW(EstimatePeak(a, s, 0), korv::Error);

  a.GridCount = 3;  // more than the arrays hold
  s.DhesSignal = {7};
  EXPECT_THROW(CalculateDhes(a, s), korv::Error);
  EXPECT_EQ(s.DhesSignal.size(), 1u) << "a failed calculation leaves the state as it was";
}

class DhesCurves : public ::testing::Test {
 protected:
  void SetUp() override {
    // Fermi level falling linearly with T, with two equal neighbours at 5/6 and at 0/1.
    std::vector<double> t, n, f;
    for (int i = 0; i < 12; ++i) {
      t.push_back(60 + 0.1 * i);
      n.push_back(1e15 * (1 + i));
      f.push_back(0.05 + 0.001 * i);
    }
    f[1] = f[0];
    f[6] = f[5];
    SetGrid(a, t, n, f);
    CalculateDhes(a, s);
    s.DhesPeakIndex[0] = 3;
    EstimatePeak(a, s, 0);
  }
  Analysis a;
  DhesState s;
};

TEST_F(DhesCurves, EstimatesFromThePeakPoint) {
  EXPECT_TRUE(s.Evaluated[0]);
  EXPECT_DOUBLE_EQ(s.DhesPeakLevel[0], s.DhesAbscissa[3] - phys::KT(a.SplineTemperature[3]) * std::log(2.0));
  EXPECT_DOUBLE_EQ(s.DhesPeakDensity[0], 4 * s.DhesSignal[3]);
}

TEST_F(DhesCurves, EqualNeighbouringLevelsTakeTheEarlierSlopeAndStayFinite) {
  const auto theory = CalculateTheoreticalDhes(a, s, 0);
  const auto approx = CalculateApproximateDhes(a, s, 0);
  ASSERT_EQ(theory.size(), 11u);
  for (double v : theory) EXPECT_TRUE(std::isfinite(v));
  // No earlier slope at the first interval: the bracket is 1.
  EXPECT_DOUBLE_EQ(theory[0], approx[0]);
  // Interval 5 has equal levels: the slope of interval 4 serves.
  const auto& f = a.FermiLevel;
  const double slope = (phys::KT(a.SplineTemperature[5]) - phys::KT(a.SplineTemperature[4])) / (f[5] - f[4]);
  const double u = (s.DhesPeakLevel[0] - f[5]) / phys::KT(a.SplineTemperature[5]);
  EXPECT_NEAR(theory[5], approx[5] * (1 + u * slope), std::fabs(approx[5]) * 1e-12);
  // Elsewhere the plain form.
  const double slope2 = (phys::KT(a.SplineTemperature[3]) - phys::KT(a.SplineTemperature[2])) / (f[3] - f[2]);
  const double u2 = (s.DhesPeakLevel[0] - f[2]) / phys::KT(a.SplineTemperature[2]);
  EXPECT_NEAR(theory[2], approx[2] * (1 + u2 * slope2), std::fabs(approx[2]) * 1e-12);
}

TEST_F(DhesCurves, ApproximateCurveIsTheOccupancyTermWithoutOverflow) {
  const double g = 2, n = s.DhesPeakDensity[0];
  const auto approx = CalculateApproximateDhes(a, s, 0);
  const double x = g * std::exp((s.DhesPeakLevel[0] - a.FermiLevel[7]) / phys::KT(a.SplineTemperature[7]));
  EXPECT_NEAR(approx[7], n * x / ((1 + x) * (1 + x)), std::fabs(n) * 1e-12);
  // A level far from every Fermi level: exp would overflow, the curve is simply 0.
  s.DhesPeakLevel[0] = 80;
  for (double v : CalculateTheoreticalDhes(a, s, 0)) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(DhesCurves, SumOfEvaluatedPeaksAndResetFrom) {
  s.TheoreticalDhes[0] = CalculateTheoreticalDhes(a, s, 0);
  s.DhesPeakIndex[1] = 8;
  EstimatePeak(a, s, 1);
  s.TheoreticalDhes[1] = CalculateTheoreticalDhes(a, s, 1);
  s.TheoreticalDhes[2] = std::vector<double>(11, 1e30);  // not evaluated: left out
  auto sum = SumOfSignals(s);
  ASSERT_EQ(sum.size(), 11u);
  EXPECT_DOUBLE_EQ(sum[4], s.TheoreticalDhes[0][4] + s.TheoreticalDhes[1][4]);

  s.DhesSum = sum;
  ResetPeaksFrom(s, 1);
  EXPECT_TRUE(s.Evaluated[0]);
  EXPECT_FALSE(s.Evaluated[1]);
  EXPECT_EQ(s.DhesPeakDensity[1], 0.0);
  EXPECT_TRUE(s.TheoreticalDhes[1].empty() && s.TheoreticalDhes[2].empty() && s.DhesSum.empty());
  EXPECT_EQ(s.DhesPeakIndex[1], 8) << "the position stays";
  ResetPeaksFrom(s, 0);
  EXPECT_EQ(SumOfSignals(s), std::vector<double>(11, 0.0));
}

TEST_F(DhesCurves, FileWithTwoPeaks) {
  a.VersionInformation = "KORV Ver. 1.51";
  a.SampleNumber = "S-1";
  a.ConductionType = "n-type";
  s.TheoreticalDhes[0] = CalculateTheoreticalDhes(a, s, 0);
  s.DhesPeakIndex[1] = 8;
  EstimatePeak(a, s, 1);
  s.TheoreticalDhes[1] = CalculateTheoreticalDhes(a, s, 1);
  const auto dir = std::filesystem::temp_directory_path() / "korv_dhes_engine";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "two.DHES").string();
  WriteDhesFile(a, s, path);

  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  ASSERT_EQ(lines.size(), 27u + 4 + 1 + 11);
  EXPECT_EQ(lines[0], "% Differential Hall Effect Spectroscopy (DHES)");
  EXPECT_EQ(lines[6], "% DHES file: " + path);
  EXPECT_EQ(lines[11], "% Sample number: S-1");
  EXPECT_EQ(lines[22], "% Degeneracy factor: 2");
  EXPECT_EQ(lines[24], "% " + std::string(57, '-') + " ");
  EXPECT_EQ(lines[25], "% DHES results ");
  EXPECT_EQ(lines[27], "% First energy level [eV]: " + FormatHeaderReal(s.DhesPeakLevel[0]));
  EXPECT_EQ(lines[28], "% First density [cm^-3]: " + FormatHeaderReal(s.DhesPeakDensity[0]));
  EXPECT_EQ(lines[29].rfind("% Second energy level [eV]: ", 0), 0u);
  EXPECT_EQ(lines[30].rfind("% Second density [cm^-3]: ", 0), 0u);
  EXPECT_EQ(lines[31],
            "% Temperature  [K]   Fermi Level [eV]   DHES [cm^-3]   First DHES [cm^-3]   Second DHES [cm^-3]   "
            "Third DHES [cm^-3]   Fourth DHES [cm^-3] ");
  for (std::size_t i = 32; i < lines.size(); ++i) {
    std::istringstream numbers(lines[i]);
    std::string token;
    int count = 0;
    while (numbers >> token) {
      double v = 0;
      EXPECT_TRUE(korv::TryParseReal(token, v)) << token;
      ++count;
    }
    EXPECT_EQ(count, 5) << lines[i];
  }
  EXPECT_EQ(lines[32].substr(0, 6), "60    ");

  EXPECT_THROW(WriteDhesFile(a, s, (dir / "missing" / "x.DHES").string()), korv::Error);
  std::filesystem::remove_all(dir);
}

TEST_F(DhesCurves, FileWithoutEvaluatedPeaksKeepsTheHeader) {
  ResetPeaksFrom(s, 0);
  const auto dir = std::filesystem::temp_directory_path() / "korv_dhes_engine0";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "none.DHES").string();
  WriteDhesFile(a, s, path);
  std::ifstream in(path);
  std::string line;
  int count = 0;
  std::string header;
  while (std::getline(in, line)) {
    if (++count == 28) header = line;
  }
  EXPECT_EQ(count, 28 + 11);
  EXPECT_NE(header.find("Fourth DHES [cm^-3]"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korv::dhes
