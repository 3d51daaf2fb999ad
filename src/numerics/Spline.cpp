// The smoothing spline of log10 n(T) and its 0.1 K grid.
//
// The curve is the natural cubic smoothing spline that minimises
//   sum rel_r (y_r - s(x_r))^2 + Smoothness * integral s''(x)^2 dx
// over the points FirstIndex..LastIndex, y = log10 n. In the truncated-power basis its
// coefficients satisfy d_r = rel_r / (6 Smoothness) (y_r - s(x_r)). Solving for those
// coefficients directly by forward substitution loses all accuracy for small smoothness
// values, so the spline is computed with Reinsch's banded formulation instead: the second
// derivatives gamma at the inner knots solve the symmetric positive definite pentadiagonal
// system (R + Smoothness Q^T W^-1 Q) gamma = Q^T y, and the fitted values are
// g = y - Smoothness W^-1 Q gamma. Cost and memory are linear in the number of points.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Numbers.h"

namespace {

using Real = long double;

// Upper bound of grid points: 0.1 K steps over far more than any cryostat reaches.
constexpr long long kMaxGridCount = 10'000'000;

struct Knot {
  Real x;  // temperature, K
  Real y;  // log10 of the concentration (weighted mean for merged points)
  Real w;  // reliability (sum for merged points)
};

std::string pointText(int index, double temperature) {
  return "point " + std::to_string(index + 1) + " (" + korv::FormatPoint(temperature) + " K)";
}

// The fitted spline: values g and second derivatives gamma at the knots, natural ends.
class NaturalSpline {
 public:
  NaturalSpline(std::vector<Knot> knots, Real smoothness) : k_(std::move(knots)) {
    const std::size_t n = k_.size();
    g_.resize(n);
    gamma_.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) g_[i] = k_[i].y;
    if (n < 3) return;  // two knots: the straight line through them

    std::vector<Real> h(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) h[i] = k_[i + 1].x - k_[i].x;

    // Column i of Q (inner knot i = 1..n-2) has 1/h[i-1], -1/h[i-1]-1/h[i], 1/h[i]
    // in rows i-1, i, i+1. Unknown m = i - 1.
    const std::size_t u = n - 2;
    std::vector<Real> d0(u), d1(u, 0), d2(u, 0), rhs(u);
    auto qLower = [&](std::size_t i) { return 1 / h[i - 1]; };
    auto qMid = [&](std::size_t i) { return -1 / h[i - 1] - 1 / h[i]; };
    auto qUpper = [&](std::size_t i) { return 1 / h[i]; };
    const Real a = smoothness;
    for (std::size_t i = 1; i <= u; ++i) {
      const std::size_t m = i - 1;
      const Real lo = qLower(i), mid = qMid(i), up = qUpper(i);
      d0[m] = (h[i - 1] + h[i]) / 3 + a * (lo * lo / k_[i - 1].w + mid * mid / k_[i].w + up * up / k_[i + 1].w);
      if (i + 1 <= u) {
        // rows i and i+1 are shared by columns i and i+1
        d1[m] = h[i] / 6 + a * (mid * qLower(i + 1) / k_[i].w + up * qMid(i + 1) / k_[i + 1].w);
      }
      if (i + 2 <= u) d2[m] = a * up * qLower(i + 2) / k_[i + 1].w;
      rhs[m] = (k_[i + 1].y - k_[i].y) / h[i] - (k_[i].y - k_[i - 1].y) / h[i - 1];
    }

    // LDL^T of the pentadiagonal matrix, in place: l1, l2 are the unit lower band.
    std::vector<Real> diag(u), l1(u, 0), l2(u, 0);
    for (std::size_t m = 0; m < u; ++m) {
      Real dm = d0[m];
      if (m >= 1) dm -= l1[m - 1] * l1[m - 1] * diag[m - 1];
      if (m >= 2) dm -= l2[m - 2] * l2[m - 2] * diag[m - 2];
      diag[m] = dm;
      if (m + 1 < u) {
        Real e = d1[m];
        if (m >= 1) e -= l2[m - 1] * l1[m - 1] * diag[m - 1];
        l1[m] = e / dm;
      }
      if (m + 2 < u) l2[m] = d2[m] / dm;
    }
    std::vector<Real> z(u);
    for (std::size_t m = 0; m < u; ++m) {
      Real v = rhs[m];
      if (m >= 1) v -= l1[m - 1] * z[m - 1];
      if (m >= 2) v -= l2[m - 2] * z[m - 2];
      z[m] = v;
    }
    for (std::size_t m = u; m-- > 0;) {
      Real v = z[m] / diag[m];
      if (m + 1 < u) v -= l1[m] * gamma_[m + 2];
      if (m + 2 < u) v -= l2[m] * gamma_[m + 3];
      gamma_[m + 1] = v;
    }

    // g = y - a W^-1 Q gamma; (Q gamma)_l is the jump of s''' at knot l.
    for (std::size_t l = 0; l < n; ++l) {
      Real jump = 0;
      if (l + 1 < n) jump += (gamma_[l + 1] - gamma_[l]) / h[l];
      if (l >= 1) jump -= (gamma_[l] - gamma_[l - 1]) / h[l - 1];
      g_[l] = k_[l].y - a * jump / k_[l].w;
    }
  }

  // Value at t, with `interval` a cursor that only moves forward for ascending t.
  // Beyond the end knots the spline continues as its tangent line.
  Real operator()(Real t, std::size_t& interval) const {
    const std::size_t n = k_.size();
    if (t <= k_[0].x) {
      const Real h = k_[1].x - k_[0].x;
      const Real slope = (g_[1] - g_[0]) / h - h * gamma_[1] / 6;
      return g_[0] + (t - k_[0].x) * slope;
    }
    if (t >= k_[n - 1].x) {
      const Real h = k_[n - 1].x - k_[n - 2].x;
      const Real slope = (g_[n - 1] - g_[n - 2]) / h + h * gamma_[n - 2] / 6;
      return g_[n - 1] + (t - k_[n - 1].x) * slope;
    }
    while (interval + 2 < n && t > k_[interval + 1].x) ++interval;
    const std::size_t i = interval;
    const Real h = k_[i + 1].x - k_[i].x;
    const Real p = t - k_[i].x, q = k_[i + 1].x - t;
    return (p * g_[i + 1] + q * g_[i]) / h - p * q / 6 * ((1 + p / h) * gamma_[i + 1] + (1 + q / h) * gamma_[i]);
  }

 private:
  std::vector<Knot> k_;
  std::vector<Real> g_, gamma_;
};

}  // namespace

bool Analysis::CalculateSpline() {
  const int count = static_cast<int>(Temperature.size());
  if (Concentration.size() != Temperature.size() || Reliability.size() != Temperature.size())
    throw korv::Error(
        "The measured points are incomplete: temperatures, concentrations and reliabilities differ in number.");
  if (count < 2) throw korv::Error("At least two measured points are needed for the spline.");
  if (FirstIndex < 0 || LastIndex >= count || FirstIndex > LastIndex)
    throw korv::Error("The range of points used (" + std::to_string(FirstIndex + 1) + " to " +
                      std::to_string(LastIndex + 1) + ") does not lie within the " + std::to_string(count) +
                      " measured points.");
  if (FirstIndex == LastIndex)
    throw korv::Error("The spline needs at least two points in the range used (only point " +
                      std::to_string(FirstIndex + 1) + " is in it).");
  if (!std::isfinite(Smoothness) || Smoothness <= 0)
    throw korv::Error("The smoothness must be a positive number (it is " + korv::FormatGeneral(Smoothness) + ").");

  // Points used, checked before anything is calculated. Zero reliability carries no
  // weight; equal temperatures are merged (weights added, log10 n averaged with them).
  std::vector<Knot> knots;
  for (int i = FirstIndex; i <= LastIndex; ++i) {
    const double t = Temperature[i], n = Concentration[i], rel = Reliability[i];
    if (!std::isfinite(t)) throw korv::Error("The temperature of " + pointText(i, t) + " is not a number.");
    if (i > FirstIndex && t < Temperature[i - 1])
      throw korv::Error("The temperatures must ascend: " + pointText(i, t) + " follows " +
                        pointText(i - 1, Temperature[i - 1]) + ".");
    if (!std::isfinite(rel) || rel < 0)
      throw korv::Error("The reliability of " + pointText(i, t) + " must be 0 or positive (it is " +
                        korv::FormatPoint(rel) + ").");
    if (rel == 0) continue;
    if (!(n > 0) || !std::isfinite(n))
      throw korv::Error("The concentration of " + pointText(i, t) + " must be positive (it is " + korv::FormatPoint(n) +
                        ").");
    const Real y = std::log10(static_cast<Real>(n));
    if (!knots.empty() && knots.back().x == t) {
      Knot& k = knots.back();
      const Real w = k.w + rel;
      k.y = (k.w * k.y + rel * y) / w;
      k.w = w;
    } else {
      knots.push_back({t, y, static_cast<Real>(rel)});
    }
  }
  if (knots.size() < 2)
    throw korv::Error("The spline needs at least two different temperatures with a reliability above 0.");

  // Grid on whole tenths of a kelvin, rounded inward from the first and last point used.
  // The tenths are taken from the temperatures as decimal numbers (10 x rounded to double),
  // so a point at exactly 20.1 K is itself the first grid point.
  const double first = std::ceil(10.0 * Temperature[FirstIndex]);
  const double last = std::floor(10.0 * Temperature[LastIndex]);
  if (!(last >= first))
    throw korv::Error("The temperatures used span less than 0.1 K; the spline grid would be empty.");
  if (last - first + 1 > kMaxGridCount)
    throw korv::Error("The temperatures used span more than " + std::to_string(kMaxGridCount / 10) +
                      " K; the spline grid would be too large.");
  const int gridCount = static_cast<int>(last - first) + 1;

  const NaturalSpline spline(std::move(knots), Smoothness);
  Array temperatures(gridCount), concentrations(gridCount);
  const Real tStart = static_cast<Real>(first) / 10;
  std::size_t cursor = 0;
  for (int j = 0; j < gridCount; ++j) {
    const Real t = tStart + 0.1L * j;
    const Real s = spline(t, cursor);
    temperatures[j] = static_cast<double>(t);
    concentrations[j] = static_cast<double>(std::pow(10.0L, s));
    if (!std::isfinite(concentrations[j]) || !(concentrations[j] > 0))
      throw korv::Error("The spline cannot be calculated: its concentration at " + korv::FormatPoint(temperatures[j]) +
                        " K is out of range. Try a larger smoothness.");
  }

  SplineTemperature = std::move(temperatures);
  SplineConcentration = std::move(concentrations);
  GridCount = gridCount;
  return true;
}
