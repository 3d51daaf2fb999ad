#include "analyses/RelativeFit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "core/Error.h"

namespace korv::analyses {
namespace {

constexpr double kBoltzmann = 1.38054e-23;  // J/K
constexpr double kCharge = 1.6021e-19;      // C
// The start of a logistic parameter is kept this far inside (0, 1), so that the fit can move it.
constexpr double kStartMargin = 1e-6;
// A logistic parameter this close to 0 or 1 has run to its bound.
constexpr double kBoundMargin = 1e-6;
// A level whose ionised fraction stays below this at every fit point holds no carriers there.
constexpr double kHardlyIonised = 1e-3;

double Logistic(double t) { return t >= 0 ? 1.0 / (1.0 + std::exp(-t)) : std::exp(t) / (1.0 + std::exp(t)); }
double Logit(double p) { return std::log(p / (1.0 - p)); }

// The occupancy factor 1 / (1 + g e^t), computed without overflow for any t.
double Ionised(double g, double t) {
  if (t > 0) {
    const double e = std::exp(-t);
    return e / (e + g);
  }
  return 1.0 / (1.0 + g * std::exp(t));
}

struct Point {
  double kT;     // eV
  double logNc;  // ln Nc(T)
};

Point MakePoint(double temperature, double dosCoefficient) {
  return {kBoltzmann * temperature / kCharge, std::log(dosCoefficient) + 1.5 * std::log(temperature)};
}

// Charge neutrality f(x) = sum_j N_j f_j - N_comp - e^x with x = ln n, f_j the ionised fraction
// of dopant j; f falls strictly with x, so the root is bracketed and found by Newton steps
// guarded by bisection, to full double precision.
struct Solution {
  double x = 0;                 // ln n
  double dfdx = 0;              // df/dx at the root
  std::vector<double> ionised;  // f_j at the root
};

bool SolveLogConcentration(const Point& p, const std::vector<RelativeDopant>& dopants, double comp, double start,
                           Solution& out) {
  double total = 0;
  for (const RelativeDopant& d : dopants) total += d.density;
  if (!(total > comp) || !(comp >= 0)) return false;
  const size_t L = dopants.size();
  std::vector<double> logN1(L);
  for (size_t j = 0; j < L; ++j) logN1[j] = p.logNc - dopants[j].level / p.kT;
  out.ionised.assign(L, 0.0);
  auto eval = [&](double x, double& f, double& dfdx) {
    f = -comp - std::exp(x);
    dfdx = -std::exp(x);
    for (size_t j = 0; j < L; ++j) {
      const double fj = Ionised(dopants[j].g, x - logN1[j]);
      out.ionised[j] = fj;
      f += dopants[j].density * fj;
      dfdx -= dopants[j].density * fj * (1.0 - fj);
    }
  };
  double hi = std::log(total - comp);  // f(hi) < 0: every dopant is less than fully ionised
  // Below every ln n1_j - 60 the dopants are fully ionised to within e^-60, so f > 0 there
  // unless the compensation leaves (almost) nothing; the loop steps further down for that case.
  double lo = hi - 50;
  for (size_t j = 0; j < L; ++j) lo = std::min(lo, logN1[j] - 60 - std::log(std::max(1.0, dopants[j].g)));
  double f = 0, df = 0;
  for (int k = 0; k < 60; ++k, lo -= 50) {
    eval(lo, f, df);
    if (f > 0) break;
  }
  if (!(f > 0)) return false;
  double x = (std::isfinite(start) && start > lo && start < hi) ? start : 0.5 * (lo + hi);
  for (int it = 0; it < 300; ++it) {
    eval(x, f, df);
    if (f == 0) break;
    if (f > 0)
      lo = x;
    else
      hi = x;
    double next = x - f / df;
    if (!(next > lo && next < hi) || !std::isfinite(next)) next = 0.5 * (lo + hi);
    const double step = std::abs(next - x);
    x = next;
    if (step <= 4 * std::numeric_limits<double>::epsilon() * std::max(1.0, std::abs(x)) ||
        hi - lo <= 4 * std::numeric_limits<double>::epsilon() * std::max(1.0, std::abs(x)))
      break;
  }
  eval(x, f, df);
  if (!std::isfinite(x) || !std::isfinite(df) || df >= 0) return false;
  out.x = x;
  out.dfdx = df;
  return true;
}

// The transformed parameter vector: [a_1..a_L, b_1..b_L, c] with N_j = e^a_j,
// E_j = 1.5 eV * logistic(b_j), N_comp = sum N * logistic(c).
struct Model {
  std::vector<Point> points;
  std::vector<double> logMeasured;
  std::vector<double> g;
  std::vector<double> lastX;  // warm starts of the root search

  size_t L() const { return g.size(); }

  void Unpack(const gsl_vector* t, std::vector<RelativeDopant>& dopants, double& comp) const {
    dopants.resize(L());
    double total = 0;
    for (size_t j = 0; j < L(); ++j) {
      dopants[j].density = std::exp(gsl_vector_get(t, j));
      dopants[j].level = kRelativeFitMaxLevel * Logistic(gsl_vector_get(t, L() + j));
      dopants[j].g = g[j];
      total += dopants[j].density;
    }
    comp = total * Logistic(gsl_vector_get(t, 2 * L()));
  }
};

// A residual that cannot be computed is made large, so that the trust region rejects the step.
constexpr double kFailedResidual = 1e6;

int Residuals(const gsl_vector* t, void* data, gsl_vector* r) {
  auto* m = static_cast<Model*>(data);
  std::vector<RelativeDopant> dopants;
  double comp = 0;
  m->Unpack(t, dopants, comp);
  Solution s;
  for (size_t i = 0; i < m->points.size(); ++i) {
    const bool ok = SolveLogConcentration(m->points[i], dopants, comp, m->lastX[i], s);
    const double value = ok ? s.x - m->logMeasured[i] : kFailedResidual;
    if (ok) m->lastX[i] = s.x;
    gsl_vector_set(r, i, std::isfinite(value) ? value : kFailedResidual);
  }
  return GSL_SUCCESS;
}

// Analytic Jacobian by the implicit function theorem: dx/dtheta = -(df/dtheta) / (df/dx).
int Jacobian(const gsl_vector* t, void* data, gsl_matrix* J) {
  auto* m = static_cast<Model*>(data);
  const size_t L = m->L();
  std::vector<RelativeDopant> dopants;
  double comp = 0;
  m->Unpack(t, dopants, comp);
  const double fraction = Logistic(gsl_vector_get(t, 2 * L));
  double total = 0;
  for (const RelativeDopant& d : dopants) total += d.density;
  Solution s;
  for (size_t i = 0; i < m->points.size(); ++i) {
    if (!SolveLogConcentration(m->points[i], dopants, comp, m->lastX[i], s)) {
      for (size_t k = 0; k < 2 * L + 1; ++k) gsl_matrix_set(J, i, k, 0.0);
      continue;
    }
    const double inv = -1.0 / s.dfdx;
    for (size_t j = 0; j < L; ++j) {
      const double fj = s.ionised[j];
      const double N = dopants[j].density;
      // N_comp = total * fraction also moves with every density.
      gsl_matrix_set(J, i, j, inv * (fj * N - fraction * N));
      const double sb = Logistic(gsl_vector_get(t, L + j));
      const double dEdb = kRelativeFitMaxLevel * sb * (1.0 - sb);
      const double dfdE = -N * fj * (1.0 - fj) / m->points[i].kT;
      gsl_matrix_set(J, i, L + j, inv * dfdE * dEdb);
    }
    gsl_matrix_set(J, i, 2 * L, inv * (-total * fraction * (1.0 - fraction)));
  }
  return GSL_SUCCESS;
}

struct VectorFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct MatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct WorkspaceFree {
  void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};

double SumOfSquares(const gsl_vector* r) {
  double s = 0;
  for (size_t i = 0; i < r->size; ++i) s += gsl_vector_get(r, i) * gsl_vector_get(r, i);
  return s;
}

bool LevelAtBound(double level) {
  const double p = level / kRelativeFitMaxLevel;
  return p < kBoundMargin || p > 1.0 - kBoundMargin;
}

}  // namespace

double CompensationBelow(const std::vector<RelativeDopant>& dopants, double compensatingDensity) {
  double total = 0;
  for (const RelativeDopant& d : dopants) total += d.density;
  return std::min(compensatingDensity, 0.5 * total);
}

double ModelLogConcentration(double temperature, double dosCoefficient, const std::vector<RelativeDopant>& dopants,
                             double compensatingDensity) {
  Solution s;
  if (!(temperature > 0) || !(dosCoefficient > 0) ||
      !SolveLogConcentration(MakePoint(temperature, dosCoefficient), dopants, compensatingDensity,
                             std::numeric_limits<double>::quiet_NaN(), s))
    throw Error(
        "The concentration could not be simulated: the compensating density must lie below the sum of "
        "the densities.");
  return s.x;
}

std::vector<UnresolvedLevel> CheckResolution(const std::vector<RelativeDopant>& dopants, double lowestTemperature,
                                             const std::vector<double>& maxIonised) {
  std::vector<UnresolvedLevel> found;
  auto hardlyIonised = [&](size_t j) { return j < maxIonised.size() && maxIonised[j] < kHardlyIonised; };
  // A level that never holds carriers can take any density (only N e^(-E/kT) counts): it would
  // make every real level look faint.
  double largest = 0;
  for (size_t j = 0; j < dopants.size(); ++j)
    if (!hardlyIonised(j)) largest = std::max(largest, dopants[j].density);
  for (size_t j = 0; j < dopants.size(); ++j) {
    // A hardly ionised level (a deep one at the upper bound, too) is removed by Merge: added
    // to a neighbour, its density would drag that level by its weight.
    if (hardlyIonised(j))
      found.push_back({int(j), -1, "ionised fraction below 1e-3 over the whole fit range", true});
    else if (LevelAtBound(dopants[j].level))
      found.push_back({int(j), -1, "level at a bound of the fit"});
    else if (dopants[j].density < 1e-3 * largest)
      found.push_back({int(j), -1, "density below 1e-3 of the largest"});
  }
  const double kT = kBoltzmann * lowestTemperature / kCharge;
  for (size_t a = 0; a < dopants.size(); ++a)
    for (size_t b = a + 1; b < dopants.size(); ++b)
      if (std::abs(dopants[a].level - dopants[b].level) < 3 * kT)
        found.push_back({int(a), int(b), "levels closer than 3 kT at the lowest fit temperature"});
  return found;
}

std::vector<RelativeDopant> MergeUnresolved(const std::vector<RelativeDopant>& dopants,
                                            const UnresolvedLevel& finding) {
  std::vector<RelativeDopant> out = dopants;
  int a = finding.first;
  int b = finding.second;
  if (a < 0 || a >= int(dopants.size())) return out;
  if (b < 0 && finding.hardlyIonised && dopants.size() > 1) {
    out.erase(out.begin() + a);
    return out;
  }
  if (b < 0) {  // a single level goes into its nearest neighbour
    double best = std::numeric_limits<double>::infinity();
    for (int j = 0; j < int(dopants.size()); ++j)
      if (j != a && std::abs(dopants[j].level - dopants[a].level) < best) {
        best = std::abs(dopants[j].level - dopants[a].level);
        b = j;
      }
    if (b < 0) return out;
  }
  if (b >= int(dopants.size()) || a == b) return out;
  const RelativeDopant& x = dopants[a];
  const RelativeDopant& y = dopants[b];
  RelativeDopant merged;
  merged.density = x.density + y.density;
  merged.level = (x.density * x.level + y.density * y.level) / merged.density;
  merged.g = x.density >= y.density ? x.g : y.g;
  out.clear();
  for (int j = 0; j < int(dopants.size()); ++j)
    if (j != a && j != b) out.push_back(dopants[j]);
  out.push_back(merged);
  std::stable_sort(out.begin(), out.end(),
                   [](const RelativeDopant& l, const RelativeDopant& r) { return l.level < r.level; });
  return out;
}

RelativeFitResult FitRelative(const RelativeFitInput& input) {
  RelativeFitResult result;
  result.dopants = input.dopants;
  result.compensatingDensity = input.compensatingDensity;
  const size_t M = input.temperature.size();
  const size_t L = input.dopants.size();
  const size_t P = 2 * L + 1;
  if (L == 0) {
    result.message = "No dopant is chosen for the fit.";
    return result;
  }
  if (M < 2 || input.concentration.size() != M) {
    result.message = "The fit needs at least two points.";
    return result;
  }
  double total = 0;
  for (const RelativeDopant& d : input.dopants) {
    if (!(d.density > 0) || !(d.level > 0) || !(d.level < kRelativeFitMaxLevel) || !(d.g > 0) ||
        !std::isfinite(d.density)) {
      result.message =
          "The entered values lie outside the physical range: densities above 0, compensating density "
          "not below 0, levels between 0 and 1.5 eV.";
      return result;
    }
    total += d.density;
  }
  if (!(input.compensatingDensity >= 0) || !(input.compensatingDensity < total)) {
    result.message =
        "The entered values lie outside the physical range: densities above 0, compensating density "
        "not below 0, levels between 0 and 1.5 eV.";
    return result;
  }
  if (!(input.dosCoefficient > 0) || !std::isfinite(input.dosCoefficient)) {
    result.message = "The effective density of states is not known.";
    return result;
  }

  Model model;
  double lowest = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < M; ++i) {
    if (!(input.temperature[i] > 0) || !(input.concentration[i] > 0) || !std::isfinite(input.temperature[i]) ||
        !std::isfinite(input.concentration[i])) {
      result.message = "The fit points need positive temperatures and concentrations.";
      return result;
    }
    model.points.push_back(MakePoint(input.temperature[i], input.dosCoefficient));
    model.logMeasured.push_back(std::log(input.concentration[i]));
    lowest = std::min(lowest, input.temperature[i]);
  }
  for (const RelativeDopant& d : input.dopants) model.g.push_back(d.g);
  model.lastX.assign(M, std::numeric_limits<double>::quiet_NaN());

  gsl_error_handler_t* previous = gsl_set_error_handler_off();
  struct RestoreHandler {
    gsl_error_handler_t* h;
    ~RestoreHandler() { gsl_set_error_handler(h); }
  } restore{previous};

  std::unique_ptr<gsl_vector, VectorFree> start(gsl_vector_alloc(P));
  for (size_t j = 0; j < L; ++j) {
    gsl_vector_set(start.get(), j, std::log(input.dopants[j].density));
    const double p = std::clamp(input.dopants[j].level / kRelativeFitMaxLevel, kStartMargin, 1.0 - kStartMargin);
    gsl_vector_set(start.get(), L + j, Logit(p));
  }
  gsl_vector_set(start.get(), 2 * L,
                 Logit(std::clamp(input.compensatingDensity / total, kStartMargin, 1.0 - kStartMargin)));

  std::unique_ptr<gsl_vector, VectorFree> r0(gsl_vector_alloc(M));
  Residuals(start.get(), &model, r0.get());
  result.deviationBefore = SumOfSquares(r0.get());

  gsl_multifit_nlinear_fdf fdf{};
  fdf.f = Residuals;
  fdf.df = Jacobian;
  fdf.fvv = nullptr;  // geodesic acceleration by finite differences
  fdf.n = M;
  fdf.p = P;
  fdf.params = &model;
  gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
  params.trs = gsl_multifit_nlinear_trs_lmaccel;
  std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceFree> w(
      gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, M, P));
  if (!w || gsl_multifit_nlinear_init(start.get(), &fdf, w.get()) != GSL_SUCCESS) {
    result.message = "Curve fitting could not be carried out.";
    return result;
  }
  int info = 0;
  const int status = gsl_multifit_nlinear_driver(500, 1e-14, 1e-14, 0.0, nullptr, nullptr, &info, w.get());
  if (status != GSL_SUCCESS && status != GSL_EMAXITER && status != GSL_ENOPROG) {
    result.message = "Curve fitting could not be carried out.";
    return result;
  }
  const gsl_vector* t = gsl_multifit_nlinear_position(w.get());
  const gsl_vector* r = gsl_multifit_nlinear_residual(w.get());
  const double S = SumOfSquares(r);
  if (!std::isfinite(S) || S >= kFailedResidual * kFailedResidual) {
    result.message = "Concentrations corresponding to experimental temperatures could not be simulated.";
    return result;
  }
  for (size_t k = 0; k < P; ++k)
    if (!std::isfinite(gsl_vector_get(t, k))) {
      result.message = "Curve fitting could not be carried out.";
      return result;
    }
  // Keep the start when the fit did not improve on it (a start already at the optimum).
  const bool improved = S <= result.deviationBefore;
  std::vector<RelativeDopant> dopants;
  double comp = 0;
  if (improved) {
    model.Unpack(t, dopants, comp);
    result.deviationAfter = S;
  } else {
    model.Unpack(start.get(), dopants, comp);
    result.deviationAfter = result.deviationBefore;
  }
  const gsl_vector* at = improved ? t : start.get();
  result.iterations = int(gsl_multifit_nlinear_niter(w.get()));
  result.dopants = dopants;
  result.compensatingDensity = comp;
  const double fraction = Logistic(gsl_vector_get(at, 2 * L));
  result.compensationAtBound = fraction < kBoundMargin || fraction > 1.0 - kBoundMargin;
  result.densityError.assign(L, std::nullopt);
  result.levelError.assign(L, std::nullopt);

  if (M > P) {
    const double s2 = result.deviationAfter / double(M - P);
    result.reducedChi2 = s2;
    // Covariance of the transformed parameters: s^2 (J^T J)^-1, with J at the adjusted values.
    std::unique_ptr<gsl_matrix, MatrixFree> J(gsl_matrix_alloc(M, P));
    Jacobian(at, &model, J.get());
    std::unique_ptr<gsl_matrix, MatrixFree> A(gsl_matrix_alloc(P, P));
    gsl_blas_dgemm(CblasTrans, CblasNoTrans, 1.0, J.get(), J.get(), 0.0, A.get());
    double rcond = 0;
    std::unique_ptr<gsl_vector, VectorFree> work(gsl_vector_alloc(3 * P));
    bool singular = gsl_linalg_cholesky_decomp1(A.get()) != GSL_SUCCESS;
    if (!singular) singular = gsl_linalg_cholesky_rcond(A.get(), &rcond, work.get()) != GSL_SUCCESS || rcond < 1e-15;
    if (!singular && gsl_linalg_cholesky_invert(A.get()) == GSL_SUCCESS) {
      // Carry the covariance back through the transform: C_p = G C_theta G^T.
      std::unique_ptr<gsl_matrix, MatrixFree> G(gsl_matrix_calloc(P, P));
      double totalAfter = 0;
      for (const RelativeDopant& d : dopants) totalAfter += d.density;
      for (size_t j = 0; j < L; ++j) {
        gsl_matrix_set(G.get(), j, j, dopants[j].density);
        const double sb = Logistic(gsl_vector_get(at, L + j));
        gsl_matrix_set(G.get(), L + j, L + j, kRelativeFitMaxLevel * sb * (1.0 - sb));
        gsl_matrix_set(G.get(), 2 * L, j, fraction * dopants[j].density);
      }
      gsl_matrix_set(G.get(), 2 * L, 2 * L, totalAfter * fraction * (1.0 - fraction));
      std::unique_ptr<gsl_matrix, MatrixFree> GC(gsl_matrix_alloc(P, P));
      std::unique_ptr<gsl_matrix, MatrixFree> Cp(gsl_matrix_alloc(P, P));
      gsl_blas_dgemm(CblasNoTrans, CblasNoTrans, 1.0, G.get(), A.get(), 0.0, GC.get());
      gsl_blas_dgemm(CblasNoTrans, CblasTrans, 1.0, GC.get(), G.get(), 0.0, Cp.get());
      auto error = [&](size_t k) -> std::optional<double> {
        const double v = s2 * gsl_matrix_get(Cp.get(), k, k);
        if (!(v >= 0) || !std::isfinite(v)) return std::nullopt;
        return std::sqrt(v);
      };
      for (size_t j = 0; j < L; ++j) {
        result.densityError[j] = error(j);
        result.levelError[j] = error(L + j);
      }
      result.compensatingError = error(2 * L);
    }
  }
  // At a bound the transform flattens, so the error carried back says nothing: none is given.
  for (size_t j = 0; j < L; ++j)
    if (LevelAtBound(dopants[j].level)) result.levelError[j].reset();
  if (result.compensationAtBound) result.compensatingError.reset();
  // The largest ionised fraction of each level over the fit points, at the adjusted values.
  std::vector<double> maxIonised(L, 0.0);
  {
    Solution s;
    for (size_t i = 0; i < M; ++i)
      if (SolveLogConcentration(model.points[i], dopants, comp, model.lastX[i], s))
        for (size_t j = 0; j < L; ++j) maxIonised[j] = std::max(maxIonised[j], s.ionised[j]);
  }
  result.unresolved = CheckResolution(dopants, lowest, maxIonised);
  result.ok = true;
  return result;
}

RelativeFitResult FitRelativeMerging(RelativeFitInput input) {
  RelativeFitResult result = FitRelative(input);
  const size_t rounds = input.dopants.size();
  for (size_t round = 0; round < rounds && result.ok && !result.unresolved.empty() && result.dopants.size() > 1;
       ++round) {
    std::vector<RelativeDopant> merged = MergeUnresolved(result.dopants, result.unresolved.front());
    if (merged.size() == result.dopants.size()) break;
    const double before = result.deviationBefore;
    input.dopants = merged;
    input.compensatingDensity = CompensationBelow(merged, result.compensatingDensity);
    RelativeFitResult next = FitRelative(input);
    if (!next.ok) break;
    next.deviationBefore = before;
    next.merges = result.merges + 1;
    result = std::move(next);
  }
  return result;
}

}  // namespace korv::analyses
