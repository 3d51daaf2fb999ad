#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "PipelineFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"

namespace {

struct Point {
  double t, n, rel;
};

void setPoints(Analysis& a, const std::vector<Point>& points, double smoothness) {
  a.ResetAll();
  for (const Point& p : points) {
    a.Temperature.push_back(p.t);
    a.Concentration.push_back(p.n);
    a.Reliability.push_back(p.rel);
  }
  a.DataCount = static_cast<int>(points.size());
  a.FirstIndex = 0;
  a.LastIndex = a.DataCount - 1;
  a.Smoothness = smoothness;
}

// The spline in the truncated-power basis computed by forward substitution of
// d_r = w_r (y_r - s(x_r)) with the end conditions sum d_r = sum d_r x_r = 0, in long
// double: exact enough for a few points at a smoothness where substitution is stable.
struct PowerBasisSpline {
  std::vector<long double> x, d;
  long double e0 = 0, e1 = 0;

  PowerBasisSpline(const std::vector<Point>& p, long double smoothness) {
    const std::size_t m = p.size();
    std::vector<long double> a(m), b(m), c(m), w(m), y(m);
    x.resize(m);
    for (std::size_t r = 0; r < m; ++r) {
      w[r] = p[r].rel / 6.0L / smoothness;
      x[r] = p[r].t;
      y[r] = std::log10(static_cast<long double>(p[r].n));
    }
    for (std::size_t r = 0; r < m; ++r) {
      long double sa = 0, sb = 0, sc = 0;
      for (std::size_t q = 0; q < r; ++q) {
        const long double pq = (x[r] - x[q]) * (x[r] - x[q]) * (x[r] - x[q]);
        sa += a[q] * pq;
        sb += b[q] * pq;
        sc += c[q] * pq;
      }
      a[r] = w[r] * (1 - sa);
      c[r] = w[r] * (x[r] - sc);
      b[r] = w[r] * (y[r] - sb);
    }
    long double am = 0, bm = 0, cm = 0, am1 = 0, bm1 = 0, cm1 = 0;
    for (std::size_t r = 0; r < m; ++r) {
      am -= a[r], bm -= b[r], cm -= c[r];
      am1 -= a[r] * x[r], bm1 -= b[r] * x[r], cm1 -= c[r] * x[r];
    }
    e0 = (bm * cm1 - bm1 * cm) / (am * cm1 - cm * am1);
    e1 = (bm * am1 - bm1 * am) / (am1 * cm - am * cm1);
    d.resize(m);
    for (std::size_t r = 0; r < m; ++r) d[r] = b[r] - a[r] * e0 - c[r] * e1;
  }

  long double operator()(long double t) const {
    long double s = e1 * t + e0;
    for (std::size_t r = 0; r < x.size() && t > x[r]; ++r) s += d[r] * (t - x[r]) * (t - x[r]) * (t - x[r]);
    return s;
  }
};

double log10At(const Analysis& a, double t) {
  const int j = static_cast<int>(std::lround((t - a.SplineTemperature[0]) * 10));
  EXPECT_NEAR(a.SplineTemperature[j], t, 1e-9);
  return std::log10(a.SplineConcentration[j]);
}

const std::vector<Point> kScattered = {{20.04, 3e12, 1},    {31.7, 9e12, 2},    {45.2, 7.5e13, 1},
                                       {60.0, 2.1e14, 0.5}, {88.3, 8.0e14, 1},  {120.9, 1.9e15, 3},
                                       {171.4, 2.6e15, 1},  {230.0, 3.3e15, 1}, {299.98, 3.1e15, 1}};

TEST(Spline, GridRunsOnWholeTenthsInsideTheRangeUsed) {
  Analysis a;
  setPoints(a, kScattered, 5000);
  ASSERT_TRUE(a.CalculateSpline());
  EXPECT_EQ(a.GridCount, 2799);
  ASSERT_EQ(a.SplineTemperature.size(), 2799u);
  ASSERT_EQ(a.SplineConcentration.size(), 2799u);
  EXPECT_DOUBLE_EQ(a.SplineTemperature.front(), 20.1);
  EXPECT_DOUBLE_EQ(a.SplineTemperature.back(), 299.9);
  for (int j = 1; j < a.GridCount; ++j) ASSERT_NEAR(a.SplineTemperature[j] - a.SplineTemperature[j - 1], 0.1, 1e-9);
}

TEST(Spline, PointsOnWholeTenthsAreTheirOwnGridEnds) {
  Analysis a;
  setPoints(a, {{20.1, 1e14, 1}, {25.0, 2e14, 1}, {30.3, 4e14, 1}}, 5000);
  a.CalculateSpline();
  EXPECT_EQ(a.GridCount, 103);
  EXPECT_DOUBLE_EQ(a.SplineTemperature.front(), 20.1);
  EXPECT_DOUBLE_EQ(a.SplineTemperature.back(), 30.3);
}

// The banded solution is the spline that the truncated-power relations define.
TEST(Spline, AgreesWithThePowerBasisRelations) {
  for (double smoothness : {5000.0, 1e5, 1e7}) {
    SCOPED_TRACE(smoothness);
    Analysis a;
    setPoints(a, kScattered, smoothness);
    a.CalculateSpline();
    const PowerBasisSpline reference(kScattered, smoothness);
    for (int j = 0; j < a.GridCount; j += 7) {
      const long double expected = reference(a.SplineTemperature[j]);
      ASSERT_NEAR(std::log10(a.SplineConcentration[j]), static_cast<double>(expected), 1e-11) << "at j = " << j;
    }
  }
}

TEST(Spline, ZeroReliabilityPointHasNoInfluence) {
  std::vector<Point> withOutlier = kScattered;
  withOutlier.insert(withOutlier.begin() + 4, {72.5, 1e18, 0});
  Analysis a, b;
  setPoints(a, kScattered, 3000);
  setPoints(b, withOutlier, 3000);
  a.CalculateSpline();
  b.CalculateSpline();
  ASSERT_EQ(a.GridCount, b.GridCount);
  for (int j = 0; j < a.GridCount; ++j)
    ASSERT_DOUBLE_EQ(a.SplineConcentration[j], b.SplineConcentration[j]) << "at j = " << j;
}

// Zero-reliability points at the ends of the range still bound the grid; the curve
// continues there as the straight line of a natural spline.
TEST(Spline, ZeroReliabilityEndPointsBoundTheGridOnly) {
  std::vector<Point> ends = kScattered;
  ends.front().rel = 0;
  ends.back().rel = 0;
  Analysis a;
  setPoints(a, ends, 5000);
  a.CalculateSpline();
  EXPECT_EQ(a.GridCount, 2799);
  std::vector<Point> inner(kScattered.begin() + 1, kScattered.end() - 1);
  const PowerBasisSpline reference(inner, 5000);
  for (int j = 0; j < a.GridCount; j += 13)
    ASSERT_NEAR(std::log10(a.SplineConcentration[j]), static_cast<double>(reference(a.SplineTemperature[j])), 1e-11);
}

TEST(Spline, EqualTemperaturesActAsOneWeightedPoint) {
  std::vector<Point> doubled = kScattered, merged = kScattered;
  doubled.insert(doubled.begin() + 5, {88.3, 1.6e15, 3});
  // weights 1 and 3: log10 n averaged with them
  merged[4] = {88.3, std::pow(10.0, (std::log10(8.0e14) + 3 * std::log10(1.6e15)) / 4), 4};
  Analysis a, b;
  setPoints(a, doubled, 2000);
  setPoints(b, merged, 2000);
  a.CalculateSpline();
  b.CalculateSpline();
  for (int j = 0; j < a.GridCount; j += 11)
    ASSERT_NEAR(std::log10(a.SplineConcentration[j]), std::log10(b.SplineConcentration[j]), 1e-13);
}

TEST(Spline, LargeSmoothnessGivesTheWeightedStraightLine) {
  Analysis a;
  setPoints(a, kScattered, 1e15);
  a.CalculateSpline();
  double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const Point& p : kScattered) {
    const double y = std::log10(p.n);
    sw += p.rel, sx += p.rel * p.t, sy += p.rel * y, sxx += p.rel * p.t * p.t, sxy += p.rel * p.t * y;
  }
  const double slope = (sw * sxy - sx * sy) / (sw * sxx - sx * sx);
  const double intercept = (sy - slope * sx) / sw;
  for (int j = 0; j < a.GridCount; j += 17) {
    const double t = a.SplineTemperature[j];
    ASSERT_NEAR(std::log10(a.SplineConcentration[j]), intercept + slope * t, 1e-7) << "at " << t << " K";
  }
}

// Small smoothness interpolates; far below where forward substitution still works.
TEST(Spline, SmallSmoothnessInterpolatesThePoints) {
  const std::vector<Point> onTenths = {{20.0, 3e12, 1},     {31.7, 9e12, 2},    {45.2, 7.5e13, 1},
                                       {60.0, 2.1e14, 0.5}, {88.3, 8e14, 1},    {120.9, 1.9e15, 3},
                                       {171.4, 2.6e15, 1},  {230.0, 3.3e15, 1}, {300.0, 3.1e15, 1}};
  for (double smoothness : {1e-6, 1e-10}) {
    Analysis a;
    setPoints(a, onTenths, smoothness);
    a.CalculateSpline();
    for (const Point& p : onTenths) ASSERT_NEAR(log10At(a, p.t), std::log10(p.n), 1e-8) << p.t << " K";
  }
}

// A real measurement of 60 points, steep at its low-temperature end: with little
// smoothing the grid passes through every point that lies on a whole tenth.
TEST(Spline, MeasurementStaysCloseToItsPointsAtLowSmoothness) {
  Analysis a;
  korv::test::LoadMeasurement(a, "datasets/clean/01_si_n_P_lightcomp.nT");
  korv::test::SelectReliableRange(a);
  a.Smoothness = 1e-6;
  a.CalculateSpline();
  for (int i = a.FirstIndex; i <= a.LastIndex; ++i) {
    const double t = a.Temperature[i];
    const double tenth = std::round(t * 10) / 10;
    if (std::abs(t - tenth) > 1e-9) continue;
    ASSERT_NEAR(log10At(a, tenth), std::log10(a.Concentration[i]), 1e-6) << t << " K";
  }
}

struct RefusedCase {
  const char* name;
  std::vector<Point> points;
  double smoothness;
  const char* message;  // expected within the message
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class SplineRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(SplineRefuses, BeforeCalculatingAndKeepsTheRecord) {
  const RefusedCase& c = GetParam();
  Analysis a;
  setPoints(a, kScattered, 5000);
  a.CalculateSpline();
  const std::vector<double> before = a.SplineConcentration;
  const std::vector<double> temperatures = a.SplineTemperature;
  const int count = a.GridCount;

  a.Temperature.clear(), a.Concentration.clear(), a.Reliability.clear();
  for (const Point& p : c.points) {
    a.Temperature.push_back(p.t);
    a.Concentration.push_back(p.n);
    a.Reliability.push_back(p.rel);
  }
  a.DataCount = static_cast<int>(c.points.size());
  a.LastIndex = a.DataCount - 1;
  a.Smoothness = c.smoothness;
  try {
    a.CalculateSpline();
    FAIL() << "no error";
  } catch (const korv::Error& e) {
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
  EXPECT_EQ(a.GridCount, count);
  EXPECT_EQ(a.SplineConcentration, before);
  EXPECT_EQ(a.SplineTemperature, temperatures);
}

INSTANTIATE_TEST_SUITE_P(
    BadData, SplineRefuses,
    ::testing::Values(
        RefusedCase{"OnePositiveWeight", {{20, 1e14, 1}, {30, 2e14, 0}, {40, 3e14, 0}}, 5000, "two different"},
        RefusedCase{"OneTemperature", {{20, 1e14, 1}, {20, 2e14, 1}, {20, 3e14, 1}}, 5000, "two different"},
        RefusedCase{"Descending", {{20, 1e14, 1}, {30, 2e14, 1}, {25, 3e14, 1}}, 5000, "must ascend"},
        RefusedCase{"NegativeReliability", {{20, 1e14, 1}, {30, 2e14, -1}, {40, 3e14, 1}}, 5000, "reliability"},
        RefusedCase{"ZeroConcentration", {{20, 1e14, 1}, {30, 0, 1}, {40, 3e14, 1}}, 5000, "must be positive"},
        RefusedCase{"NotANumber", {{20, 1e14, 1}, {double(NAN), 2e14, 1}, {40, 3e14, 1}}, 5000, "not a number"},
        RefusedCase{"ZeroSmoothness", {{20, 1e14, 1}, {30, 2e14, 1}}, 0, "smoothness"},
        RefusedCase{"NoGridPoint", {{20.01, 1e14, 1}, {20.09, 2e14, 1}}, 5000, "less than 0.1 K"},
        RefusedCase{"HugeRange", {{1, 1e14, 1}, {1e300, 2e14, 1}}, 5000, "too large"},
        RefusedCase{"OnePoint", {{20, 1e14, 1}}, 5000, "two"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Spline, RefusesARangeOutsideThePoints) {
  Analysis a;
  setPoints(a, kScattered, 5000);
  a.LastIndex = 42;
  EXPECT_THROW(a.CalculateSpline(), korv::Error);
  a.LastIndex = 3, a.FirstIndex = 3;
  EXPECT_THROW(a.CalculateSpline(), korv::Error);
}

}  // namespace
