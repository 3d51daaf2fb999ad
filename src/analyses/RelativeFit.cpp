#include "analyses/RelativeFit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_sf_fermi_dirac.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <thread>

#include "core/Error.h"
#include "core/Physics.h"

namespace korv::analyses {
namespace {

constexpr double kBoltzmann = phys::K_BOLTZMANN;
constexpr double kCharge = phys::Q_ELEMENTARY;
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

// The effective degeneracy of a level at kT, as ln g_j(T), and q = g_j / g_j(T): the factor of
// d ln(g_j(T) e^(E/kT)) / dE = q / kT (the excited states fall with the level as it deepens).
void Degeneracy(const RelativeDopant& d, double kT, const ModelPhysics& physics, double& logG, double& q) {
  double extra = 0;
  if (physics.rydberg > 0)
    for (int r = 2; r <= std::min(d.excited, kMaxExcited); ++r) {
      const double depth = d.level - physics.rydberg / (r * r);  // the state lies this far above the ground state
      if (!(depth > 0)) continue;
      const double w = physics.excitedWeight == ExcitedWeight::GroundTimesR2 ? d.g * r * r : double(r * r);
      extra += w * std::exp(-depth / kT);
    }
  logG = std::log(d.g + extra);
  q = d.g / (d.g + extra);
}

// ln n and d ln n / d eta at eta.
void Carriers(const Point& p, Statistics statistics, double eta, double& logN, double& dLogN) {
  if (statistics == Statistics::Boltzmann) {
    logN = p.logNc + eta;
    dLogN = 1;
  } else {
    logN = p.logNc + LogFermiHalf(eta, &dLogN);
  }
}

// Charge neutrality f(eta) = sum_j N_j f_j - N_comp - n(eta), f_j the ionised fraction of
// dopant j; f falls strictly with eta, so the root is bracketed and found by Newton steps
// guarded by bisection, to full double precision.
struct Solution {
  double x = 0;                 // ln n
  double eta = 0;               // (E_F - E_C) / kT
  double dfdeta = 0;            // df/deta at the root
  double dLogN = 1;             // d ln n / d eta at the root
  std::vector<double> ionised;  // f_j at the root
  std::vector<double> q;        // g_j / g_j(T)
};

bool SolveLogConcentration(const Point& p, const std::vector<RelativeDopant>& dopants, double comp,
                           const ModelPhysics& physics, double start, Solution& out) {
  double total = 0;
  for (const RelativeDopant& d : dopants) total += d.density;
  if (!(total > comp) || !(comp >= 0)) return false;
  const size_t L = dopants.size();
  // f_j = 1 / (1 + e^(eta + shift_j)), shift_j = E_j/kT + ln g_j(T).
  std::vector<double> shift(L);
  out.q.assign(L, 1.0);
  for (size_t j = 0; j < L; ++j) {
    double logG = 0;
    Degeneracy(dopants[j], p.kT, physics, logG, out.q[j]);
    shift[j] = dopants[j].level / p.kT + logG;
  }
  out.ionised.assign(L, 0.0);
  double logN = 0, dLogN = 1;
  auto eval = [&](double eta, double& f, double& dfdeta) {
    Carriers(p, physics.statistics, eta, logN, dLogN);
    const double n = std::exp(logN);
    f = -comp - n;
    dfdeta = -n * dLogN;
    for (size_t j = 0; j < L; ++j) {
      const double fj = Ionised(1.0, eta + shift[j]);
      out.ionised[j] = fj;
      f += dopants[j].density * fj;
      dfdeta -= dopants[j].density * fj * (1.0 - fj);
    }
  };
  // f(hi) < 0 where n alone reaches sum N - N_comp: every dopant is less than fully ionised.
  const double logTarget = std::log(total - comp);
  double hi = logTarget - p.logNc;
  for (int k = 0; k < 200; ++k) {
    Carriers(p, physics.statistics, hi, logN, dLogN);
    if (logN >= logTarget) break;
    hi += std::max(2.0, std::abs(hi));  // F_1/2 < e^eta: a degenerate band needs a larger eta
  }
  if (!(logN >= logTarget)) return false;
  // Below every -shift_j - 60 the dopants are fully ionised to within e^-60, so f > 0 there
  // unless the compensation leaves (almost) nothing; the loop steps further down for that case.
  // Only needed when a Newton step leaves the bracket: from a warm start it rarely is.
  double lo = -std::numeric_limits<double>::infinity();
  bool haveLo = false;
  double f = 0, df = 0;
  auto findLo = [&] {
    double x = hi - 50;
    for (size_t j = 0; j < L; ++j) x = std::min(x, -shift[j] - 60);
    for (int k = 0; k < 60; ++k, x -= 50) {
      eval(x, f, df);
      if (f > 0) {
        lo = std::max(lo, x);
        haveLo = true;
        return true;
      }
    }
    return false;
  };
  double eta = start;
  if (!(std::isfinite(start) && start < hi)) {
    if (!findLo()) return false;
    eta = 0.5 * (lo + hi);
  }
  bool evaluated = false;  // f, df and the fractions belong to eta
  for (int it = 0; it < 300; ++it) {
    eval(eta, f, df);
    evaluated = true;
    if (f == 0) break;
    if (f > 0) {
      lo = eta;
      haveLo = true;
    } else {
      hi = eta;
    }
    double next = eta - f / df;
    if (!std::isfinite(next) || !(next < hi) || (haveLo && !(next > lo))) {
      if (!haveLo && !findLo()) return false;
      next = 0.5 * (lo + hi);
    }
    const double tolerance = 4 * std::numeric_limits<double>::epsilon() * std::max(1.0, std::abs(eta));
    if (std::abs(next - eta) <= tolerance || (haveLo && hi - lo <= tolerance)) break;
    eta = next;
    evaluated = false;
  }
  if (!evaluated) eval(eta, f, df);
  if (!std::isfinite(eta) || !std::isfinite(df) || df >= 0 || !std::isfinite(logN)) return false;
  out.x = logN;
  out.eta = eta;
  out.dfdeta = df;
  out.dLogN = dLogN;
  return true;
}

// The transformed parameter vector: [a_1..a_L, b_1..b_L, c] with N_j = e^a_j,
// E_j = 1.5 eV * logistic(b_j), N_comp = sum N * logistic(c).
struct Model {
  std::vector<Point> points;
  std::vector<double> logMeasured;
  std::vector<double> g;
  std::vector<int> excited;  // r_max of each level
  ModelPhysics physics;
  std::vector<double> lastX;  // warm starts of the root search (eta)
  // The solutions of the last residual evaluation, for the Jacobian at the same parameters.
  std::vector<double> cachedTheta;
  std::vector<Solution> cached;
  std::vector<char> cachedOk;

  size_t L() const { return g.size(); }

  void Unpack(const gsl_vector* t, std::vector<RelativeDopant>& dopants, double& comp) const {
    dopants.resize(L());
    double total = 0;
    for (size_t j = 0; j < L(); ++j) {
      dopants[j].density = std::exp(gsl_vector_get(t, j));
      dopants[j].level = kRelativeFitMaxLevel * Logistic(gsl_vector_get(t, L() + j));
      dopants[j].g = g[j];
      dopants[j].excited = excited[j];
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
  const size_t M = m->points.size();
  m->cached.resize(M);
  m->cachedOk.assign(M, 0);
  m->cachedTheta.assign(t->size, 0.0);
  for (size_t k = 0; k < t->size; ++k) m->cachedTheta[k] = gsl_vector_get(t, k);
  for (size_t i = 0; i < M; ++i) {
    Solution& s = m->cached[i];
    const bool ok = SolveLogConcentration(m->points[i], dopants, comp, m->physics, m->lastX[i], s);
    m->cachedOk[i] = ok;
    const double value = ok ? s.x - m->logMeasured[i] : kFailedResidual;
    if (ok) m->lastX[i] = s.eta;
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
  bool same = m->cachedTheta.size() == t->size && m->cached.size() == m->points.size();
  for (size_t k = 0; same && k < t->size; ++k) same = m->cachedTheta[k] == gsl_vector_get(t, k);
  Solution fresh;
  for (size_t i = 0; i < m->points.size(); ++i) {
    const bool ok =
        same ? m->cachedOk[i] != 0 : SolveLogConcentration(m->points[i], dopants, comp, m->physics, m->lastX[i], fresh);
    const Solution& s = same ? m->cached[i] : fresh;
    if (!ok) {
      for (size_t k = 0; k < 2 * L + 1; ++k) gsl_matrix_set(J, i, k, 0.0);
      continue;
    }
    // d ln n / d theta = (d ln n / d eta) (-(df/dtheta) / (df/deta)).
    const double inv = -s.dLogN / s.dfdeta;
    for (size_t j = 0; j < L; ++j) {
      const double fj = s.ionised[j];
      const double N = dopants[j].density;
      // N_comp = total * fraction also moves with every density.
      gsl_matrix_set(J, i, j, inv * (fj * N - fraction * N));
      const double sb = Logistic(gsl_vector_get(t, L + j));
      const double dEdb = kRelativeFitMaxLevel * sb * (1.0 - sb);
      const double dfdE = -N * fj * (1.0 - fj) * s.q[j] / m->points[i].kT;
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

UnresolvedLevel Finding(int first, int second, std::string reason, bool hardlyIonised = false) {
  UnresolvedLevel u;
  u.first = first;
  u.second = second;
  u.reason = std::move(reason);
  u.hardlyIonised = hardlyIonised;
  return u;
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
                             double compensatingDensity, const ModelPhysics& physics, double* eta) {
  Solution s;
  if (!(temperature > 0) || !(dosCoefficient > 0) ||
      !SolveLogConcentration(MakePoint(temperature, dosCoefficient), dopants, compensatingDensity, physics,
                             std::numeric_limits<double>::quiet_NaN(), s))
    throw Error(
        "The concentration could not be simulated: the compensating density must lie below the sum of "
        "the densities.");
  if (eta) *eta = s.eta;
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
      found.push_back(Finding(int(j), -1, "ionised fraction below 1e-3 over the whole fit range", true));
    else if (LevelAtBound(dopants[j].level))
      found.push_back(Finding(int(j), -1, "level at a bound of the fit"));
    else if (dopants[j].density < 1e-3 * largest)
      found.push_back(Finding(int(j), -1, "density below 1e-3 of the largest"));
  }
  const double kT = kBoltzmann * lowestTemperature / kCharge;
  for (size_t a = 0; a < dopants.size(); ++a)
    for (size_t b = a + 1; b < dopants.size(); ++b)
      if (std::abs(dopants[a].level - dopants[b].level) < 3 * kT)
        found.push_back(Finding(int(a), int(b), "levels closer than 3 kT at the lowest fit temperature"));
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
  merged.excited = x.density >= y.density ? x.excited : y.excited;
  out.clear();
  for (int j = 0; j < int(dopants.size()); ++j)
    if (j != a && j != b) out.push_back(dopants[j]);
  out.push_back(merged);
  std::stable_sort(out.begin(), out.end(),
                   [](const RelativeDopant& l, const RelativeDopant& r) { return l.level < r.level; });
  return out;
}

namespace {

constexpr const char* kOutsideRange =
    "The entered values lie outside the physical range: densities above 0, compensating density not below 0, "
    "levels between 0 and 1.5 eV.";
// Residuals below 1e-12 in ln n are rounding: S is taken at least M * 1e-24 in the BIC.
constexpr double kRoundingResidual2 = 1e-24;
// Starts whose S lies within this of the lowest reached the same minimum.
constexpr double kAgreeing = 1e-6;

// Checks the fit points and the density of states and fills the model's points; "" or the message.
std::string BuildPoints(const RelativeFitInput& input, Model& model, std::vector<double>& temperature, double& lowest) {
  const size_t M = input.temperature.size();
  if (M < 2 || input.concentration.size() != M) return "The fit needs at least two points.";
  if (!(input.dosCoefficient > 0) || !std::isfinite(input.dosCoefficient))
    return "The effective density of states is not known.";
  lowest = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < M; ++i) {
    if (!(input.temperature[i] > 0) || !(input.concentration[i] > 0) || !std::isfinite(input.temperature[i]) ||
        !std::isfinite(input.concentration[i]))
      return "The fit points need positive temperatures and concentrations.";
    model.points.push_back(MakePoint(input.temperature[i], input.dosCoefficient));
    model.logMeasured.push_back(std::log(input.concentration[i]));
    lowest = std::min(lowest, input.temperature[i]);
  }
  temperature = input.temperature;
  return "";
}

void SetLevels(Model& model, const std::vector<RelativeDopant>& dopants) {
  model.g.clear();
  model.excited.clear();
  for (const RelativeDopant& d : dopants) {
    model.g.push_back(d.g);
    model.excited.push_back(d.excited >= 2 ? std::min(d.excited, kMaxExcited) : 0);
  }
  model.lastX.assign(model.points.size(), std::numeric_limits<double>::quiet_NaN());
}

std::vector<double> Pack(const std::vector<RelativeDopant>& dopants, double comp) {
  const size_t L = dopants.size();
  std::vector<double> theta(2 * L + 1);
  double total = 0;
  for (size_t j = 0; j < L; ++j) {
    theta[j] = std::log(dopants[j].density);
    theta[L + j] = Logit(std::clamp(dopants[j].level / kRelativeFitMaxLevel, kStartMargin, 1.0 - kStartMargin));
    total += dopants[j].density;
  }
  theta[2 * L] = Logit(std::clamp(comp / total, kStartMargin, 1.0 - kStartMargin));
  return theta;
}

struct LocalOutcome {
  bool ok = false;
  std::string message;
  std::vector<double> theta;  // the adjusted (or, when no step improved, the start) parameters
  double S = std::numeric_limits<double>::infinity();
  double before = 0;
  int iterations = 0;
};

// One trust-region fit from theta0. GSL's error handler must be off (it is global, so the
// callers switch it off once, before any thread starts).
LocalOutcome LocalFit(Model& model, const std::vector<double>& theta0) {
  LocalOutcome out;
  const size_t M = model.points.size();
  const size_t P = theta0.size();
  std::unique_ptr<gsl_vector, VectorFree> start(gsl_vector_alloc(P));
  for (size_t k = 0; k < P; ++k) gsl_vector_set(start.get(), k, theta0[k]);
  std::unique_ptr<gsl_vector, VectorFree> r0(gsl_vector_alloc(M));
  Residuals(start.get(), &model, r0.get());
  out.before = SumOfSquares(r0.get());

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
    out.message = "Curve fitting could not be carried out.";
    return out;
  }
  int info = 0;
  const int status = gsl_multifit_nlinear_driver(500, 1e-14, 1e-14, 0.0, nullptr, nullptr, &info, w.get());
  if (status != GSL_SUCCESS && status != GSL_EMAXITER && status != GSL_ENOPROG) {
    out.message = "Curve fitting could not be carried out.";
    return out;
  }
  const gsl_vector* t = gsl_multifit_nlinear_position(w.get());
  const double S = SumOfSquares(gsl_multifit_nlinear_residual(w.get()));
  if (!std::isfinite(S) || S >= kFailedResidual * kFailedResidual) {
    out.message = "Concentrations corresponding to experimental temperatures could not be simulated.";
    return out;
  }
  for (size_t k = 0; k < P; ++k)
    if (!std::isfinite(gsl_vector_get(t, k))) {
      out.message = "Curve fitting could not be carried out.";
      return out;
    }
  out.iterations = int(gsl_multifit_nlinear_niter(w.get()));
  // Keep the start when the fit did not improve on it (a start already at the optimum).
  if (S <= out.before) {
    out.theta.resize(P);
    for (size_t k = 0; k < P; ++k) out.theta[k] = gsl_vector_get(t, k);
    out.S = S;
  } else {
    out.theta = theta0;
    out.S = out.before;
  }
  out.ok = true;
  return out;
}

double Bic(double S, size_t M, size_t P) {
  const double m = double(M);
  return m * std::log(std::max(S, m * kRoundingResidual2) / m) + double(P) * std::log(m);
}

// The result at the adjusted parameters: standard errors, correlations, resolution findings,
// residuals and the BIC.
RelativeFitResult Assemble(Model& model, const LocalOutcome& fit, const std::vector<double>& temperature,
                           double lowest) {
  RelativeFitResult result;
  const size_t M = model.points.size();
  const size_t L = model.L();
  const size_t P = 2 * L + 1;
  std::unique_ptr<gsl_vector, VectorFree> at(gsl_vector_alloc(P));
  for (size_t k = 0; k < P; ++k) gsl_vector_set(at.get(), k, fit.theta[k]);
  std::vector<RelativeDopant> dopants;
  double comp = 0;
  model.Unpack(at.get(), dopants, comp);
  result.deviationBefore = fit.before;
  result.deviationAfter = fit.S;
  result.iterations = fit.iterations;
  result.dopants = dopants;
  result.compensatingDensity = comp;
  result.physics = model.physics;
  result.bic = Bic(fit.S, M, P);
  const double fraction = Logistic(gsl_vector_get(at.get(), 2 * L));
  result.compensationAtBound = fraction < kBoundMargin || fraction > 1.0 - kBoundMargin;
  result.densityError.assign(L, std::nullopt);
  result.levelError.assign(L, std::nullopt);

  if (M > P) {
    const double s2 = result.deviationAfter / double(M - P);
    result.reducedChi2 = s2;
    // Covariance of the transformed parameters: s^2 (J^T J)^-1, with J at the adjusted values.
    std::unique_ptr<gsl_matrix, MatrixFree> J(gsl_matrix_alloc(M, P));
    Jacobian(at.get(), &model, J.get());
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
        const double sb = Logistic(gsl_vector_get(at.get(), L + j));
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
      bool finite = true;
      std::vector<double> corr(P * P, 0.0);
      for (size_t a = 0; a < P; ++a)
        for (size_t b = 0; b < P; ++b) {
          const double da = gsl_matrix_get(Cp.get(), a, a), db = gsl_matrix_get(Cp.get(), b, b);
          const double c = gsl_matrix_get(Cp.get(), a, b) / std::sqrt(da * db);
          if (!std::isfinite(c)) finite = false;
          corr[a * P + b] = c;
        }
      if (finite) result.correlation = std::move(corr);
    }
  }
  // At a bound the transform flattens, so the error carried back says nothing: none is given.
  for (size_t j = 0; j < L; ++j)
    if (LevelAtBound(dopants[j].level)) result.levelError[j].reset();
  if (result.compensationAtBound) result.compensatingError.reset();
  // The largest ionised fraction of each level over the fit points, and the residuals.
  std::vector<double> maxIonised(L, 0.0);
  {
    Solution s;
    for (size_t i = 0; i < M; ++i)
      if (SolveLogConcentration(model.points[i], dopants, comp, model.physics, model.lastX[i], s)) {
        for (size_t j = 0; j < L; ++j) maxIonised[j] = std::max(maxIonised[j], s.ionised[j]);
        result.residualTemperature.push_back(temperature[i]);
        result.residual.push_back(s.x - model.logMeasured[i]);
      }
  }
  result.unresolved = CheckResolution(dopants, lowest, maxIonised);
  result.ok = true;
  return result;
}

}  // namespace

RelativeFitResult FitRelative(const RelativeFitInput& input) {
  RelativeFitResult result;
  result.dopants = input.dopants;
  result.compensatingDensity = input.compensatingDensity;
  if (input.dopants.empty()) {
    result.message = "No dopant is chosen for the fit.";
    return result;
  }
  if (input.temperature.size() < 2 || input.concentration.size() != input.temperature.size()) {
    result.message = "The fit needs at least two points.";
    return result;
  }
  double total = 0;
  for (const RelativeDopant& d : input.dopants) {
    if (!(d.density > 0) || !(d.level > 0) || !(d.level < kRelativeFitMaxLevel) || !(d.g > 0) ||
        !std::isfinite(d.density)) {
      result.message = kOutsideRange;
      return result;
    }
    total += d.density;
  }
  if (!(input.compensatingDensity >= 0) || !(input.compensatingDensity < total)) {
    result.message = kOutsideRange;
    return result;
  }
  Model model;
  std::vector<double> temperature;
  double lowest = 0;
  if (const std::string m = BuildPoints(input, model, temperature, lowest); !m.empty()) {
    result.message = m;
    return result;
  }
  model.physics = input.physics;
  SetLevels(model, input.dopants);

  gsl_error_handler_t* previous = gsl_set_error_handler_off();
  struct RestoreHandler {
    gsl_error_handler_t* h;
    ~RestoreHandler() { gsl_set_error_handler(h); }
  } restore{previous};
  const LocalOutcome fit = LocalFit(model, Pack(input.dopants, input.compensatingDensity));
  if (!fit.ok) {
    result.message = fit.message;
    return result;
  }
  return Assemble(model, fit, temperature, lowest);
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
    // A merge that raises the BIC loses more than the data allow: the levels are kept.
    if (next.bic && result.bic && *next.bic > *result.bic) break;
    next.deviationBefore = before;
    next.merges = result.merges + 1;
    result = std::move(next);
  }
  return result;
}

double EffectiveRydberg(double mass, double dielectricConstant) {
  if (!(mass > 0) || !(dielectricConstant > 0) || !std::isfinite(mass) || !std::isfinite(dielectricConstant)) return 0;
  return kRydbergEnergy * mass / (dielectricConstant * dielectricConstant);
}

double EffectiveBohrRadius(double mass, double dielectricConstant) {
  if (!(EffectiveRydberg(mass, dielectricConstant) > 0)) return 0;
  return kBohrRadius * dielectricConstant / mass;
}

double LogFermiHalf(double eta, double* derivative) {
  // Far in the tail F_j(eta) = e^eta (1 - e^eta / 2^(j+1) + ...): the next term is below 1e-26.
  if (eta < -30) {
    const double e = std::exp(eta);
    if (derivative) *derivative = (1.0 - e / std::sqrt(2.0)) / (1.0 - e / std::sqrt(8.0));
    return eta + std::log1p(-e / std::sqrt(8.0));
  }
  // Below eta = -1 the alternating series F_j = sum_k (-1)^(k+1) e^(k eta) / k^(j+1) converges
  // geometrically: to full double precision within 40 terms, and much faster than the general
  // routine. Written as e^eta times a sum that starts at 1.
  if (eta < -1) {
    static const auto powers = [] {
      std::array<std::array<double, 2>, 48> p{};
      for (int k = 1; k <= 48; ++k) p[k - 1] = {std::pow(double(k), -1.5), std::pow(double(k), -0.5)};
      return p;
    }();
    const double e = std::exp(eta);
    double half = 0, mhalf = 0, term = 1;  // term = (-e)^(k-1)
    for (int k = 1; k <= 48; ++k) {
      half += term * powers[k - 1][0];
      mhalf += term * powers[k - 1][1];
      term *= -e;
      if (std::abs(term) < 1e-18) break;
    }
    if (derivative) *derivative = mhalf / half;
    return eta + std::log(half);
  }
  gsl_sf_result half{}, mhalf{};
  gsl_error_handler_t* previous = gsl_set_error_handler_off();
  const int a = gsl_sf_fermi_dirac_half_e(eta, &half);
  const int b = derivative ? gsl_sf_fermi_dirac_mhalf_e(eta, &mhalf) : GSL_SUCCESS;
  gsl_set_error_handler(previous);
  if (a != GSL_SUCCESS || !(half.val > 0)) {
    // Beyond the range of a double only the leading term of the degenerate limit matters.
    if (derivative) *derivative = 1.5 / eta;
    return 1.5 * std::log(eta) - std::lgamma(2.5);
  }
  if (derivative) *derivative = b == GSL_SUCCESS ? mhalf.val / half.val : 1.5 / eta;
  return std::log(half.val);
}

std::vector<double> SimulateConcentration(const ForwardModel& model, const std::vector<double>& temperatures) {
  ModelPhysics physics;
  physics.statistics = model.statistics;
  physics.excitedWeight = model.excitedWeight;
  physics.rydberg = EffectiveRydberg(model.mass, model.dielectricConstant);
  for (const RelativeDopant& d : model.dopants)
    if (!(d.density > 0) || !std::isfinite(d.density) || !(d.level > 0) || !(d.level < kRelativeFitMaxLevel) ||
        !(d.g > 0) || !std::isfinite(d.g))
      throw Error(kOutsideRange);
  if (model.dopants.empty()) throw Error("No dopant is given for the simulation.");
  if (!(model.dosCoefficient > 0) || !std::isfinite(model.dosCoefficient))
    throw Error("The effective density of states is not known.");
  bool wantsExcited = false;
  for (const RelativeDopant& d : model.dopants) wantsExcited = wantsExcited || d.excited >= 2;
  if (wantsExcited && !(physics.rydberg > 0))
    throw Error("Excited states need a mass and a dielectric constant above 0.");
  std::vector<double> n;
  n.reserve(temperatures.size());
  for (double T : temperatures) {
    if (!(T > 0) || !std::isfinite(T)) throw Error("The temperatures must lie above 0 K.");
    n.push_back(
        std::exp(ModelLogConcentration(T, model.dosCoefficient, model.dopants, model.compensatingDensity, physics)));
  }
  return n;
}

bool TooFewRuns(const std::vector<double>& residuals) {
  double n1 = 0, n2 = 0, runs = 0;
  int last = 0;
  for (double r : residuals) {
    const int sign = r > 0 ? 1 : (r < 0 ? -1 : 0);
    if (sign == 0) continue;
    (sign > 0 ? n1 : n2) += 1;
    if (sign != last) runs += 1;
    last = sign;
  }
  const double n = n1 + n2;
  if (n < 10) return false;
  if (n1 == 0 || n2 == 0) return true;  // one run over every point
  const double mean = 1.0 + 2.0 * n1 * n2 / n;
  const double variance = 2.0 * n1 * n2 * (2.0 * n1 * n2 - n) / (n * n * (n - 1.0));
  if (!(variance > 0)) return false;
  return (runs - mean) / std::sqrt(variance) < -2.3263;  // the lower 1 % of the standard normal
}

namespace {

std::string Text(double v, int digits = 3) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
  return buffer;
}

std::string ParameterName(size_t k, size_t L) {
  return k < L ? "density" : (k < 2 * L ? "energy_level" : "compensating_density");
}

}  // namespace

std::vector<UnresolvedLevel> FurtherFindings(const RelativeFitResult& fit, double largestConcentration) {
  std::vector<UnresolvedLevel> found;
  const size_t L = fit.dopants.size();
  const size_t P = 2 * L + 1;
  if (fit.correlation.size() == P * P)
    for (size_t a = 0; a < P; ++a)
      for (size_t b = a + 1; b < P; ++b) {
        const double c = fit.correlation[a * P + b];
        if (!(std::abs(c) > 0.995)) continue;
        UnresolvedLevel u;
        u.kind = FindingKind::Correlation;
        u.first = a < 2 * L ? int(a % L) : -1;
        u.second = b < 2 * L ? int(b % L) : -1;
        if (u.first < 0) std::swap(u.first, u.second);
        u.parameters = {ParameterName(a, L), ParameterName(b, L)};
        u.reason = "correlation " + Text(c, 4) + " between " + u.parameters[0] + " and " + u.parameters[1] +
                   ": the data fix only a combination of the two";
        found.push_back(u);
      }
  for (size_t j = 0; j < L; ++j) {
    const double N = fit.dopants[j].density;
    if (largestConcentration > 0 && N > 10 * largestConcentration && std::abs(fit.compensatingDensity - N) <= 0.1 * N) {
      UnresolvedLevel u;
      u.kind = FindingKind::Balanced;
      u.first = int(j);
      u.reason =
          "density above ten times the largest measured concentration, balanced by the compensating density "
          "within 10 %";
      found.push_back(u);
    }
  }
  if (TooFewRuns(fit.residual)) {
    UnresolvedLevel u;
    u.kind = FindingKind::Runs;
    u.reason =
        "the residuals run in long runs of one sign (runs test at the 1 % level): the model does not "
        "describe the data";
    found.push_back(u);
  }
  for (size_t j = 0; j < L && j < fit.orbitRadius.size() && j < fit.wignerSeitzRadius.size(); ++j)
    if (fit.orbitRadius[j] && fit.wignerSeitzRadius[j] && *fit.orbitRadius[j] > *fit.wignerSeitzRadius[j]) {
      UnresolvedLevel u;
      u.kind = FindingKind::Orbit;
      u.first = int(j);
      u.reason = "excited-state orbit r_max^2 a* = " + Text(*fit.orbitRadius[j]) +
                 " nm beyond the Wigner-Seitz radius " + Text(*fit.wignerSeitzRadius[j]) +
                 " nm: the states reach the neighbouring dopants";
      found.push_back(u);
    }
  return found;
}

namespace {

// Runs job(0 .. n-1) on up to `threads` threads. Each job writes only its own slot, so the
// outcome does not depend on the order in which the threads take them.
void ParallelFor(int n, int threads, const std::function<void(int)>& job) {
  std::atomic<int> next{0};
  auto work = [&] {
    for (int i = next++; i < n; i = next++) job(i);
  };
  std::vector<std::thread> pool;
  const int extra = std::clamp(threads, 1, 8) - 1;
  for (int t = 0; t < extra && t + 1 < n; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

struct Search {
  LocalOutcome best;
  int tried = 0, agreeing = 0;
};

// The fixed starts around an entered set: the compensating fraction from 1e-4 to 0.9 in even
// steps of its logarithm, each level 30 % below or above its start, alternating.
std::vector<std::vector<double>> FixedStarts(const std::vector<RelativeDopant>& dopants, int count) {
  std::vector<std::vector<double>> starts;
  const int fractions = std::max(2, (count + 1) / 2);
  double total = 0;
  for (const RelativeDopant& d : dopants) total += d.density;
  for (int s = 0; s < count; ++s) {
    const int k = (s / 2) % fractions;
    const double fraction = std::pow(10.0, -4.0 + (std::log10(0.9) + 4.0) * k / (fractions - 1));
    std::vector<RelativeDopant> start = dopants;
    for (size_t j = 0; j < start.size(); ++j)
      start[j].level = std::clamp(start[j].level * ((s + int(j)) % 2 ? 1.3 : 0.7), 1e-4, 1.499);
    starts.push_back(Pack(start, fraction * total));
  }
  return starts;
}

// Local fits from every start (the first the entered one), the lowest S kept; ties keep the
// earlier start.
Search RunStarts(const Model& base, const std::vector<std::vector<double>>& starts, int threads) {
  const int n = int(starts.size());
  std::vector<LocalOutcome> out(n);
  ParallelFor(n, threads, [&](int i) {
    Model m = base;
    try {
      out[i] = LocalFit(m, starts[i]);
    } catch (const std::exception&) {
      out[i] = LocalOutcome{};
    }
  });
  Search s;
  s.tried = n;
  int bestIndex = -1;
  for (int i = 0; i < n; ++i)
    if (out[i].ok && (bestIndex < 0 || out[i].S < out[bestIndex].S)) bestIndex = i;
  if (bestIndex < 0) {
    s.best = out.empty() ? LocalOutcome{} : out[0];
    return s;
  }
  s.best = out[bestIndex];
  const double floor = double(base.points.size()) * kRoundingResidual2;
  for (const LocalOutcome& o : out)
    if (o.ok && o.S <= s.best.S * (1 + kAgreeing) + floor) ++s.agreeing;
  return s;
}

struct CandidateFit {
  Model model;
  Search search;
  // The excited states changed after the search: the search is run again, for the chosen K.
  bool research = false;
  std::vector<RelativeDopant> levels;
  double comp = 0;
};

// One number of levels: the global search with the fixed excited states (auto ones off), then
// each auto level in order of density tries off and r_max = 2 .. 10 from the best point (the
// lowest S wins, a tie keeps the smaller); the global search runs once more with the choice
// (Research) for the K that the BIC chooses.
// As the candidates for K differ only by a discrete choice, a tie is S within the resolution
// of the BIC.
CandidateFit FitCandidate(const Model& points, const std::vector<RelativeDopant>& dopants, double comp,
                          const std::vector<int>& choice, int starts, int threads) {
  CandidateFit c;
  c.model = points;
  std::vector<RelativeDopant> levels = dopants;
  for (size_t j = 0; j < levels.size(); ++j) levels[j].excited = choice[j] > 0 ? choice[j] : 0;
  SetLevels(c.model, levels);
  std::vector<std::vector<double>> list{Pack(levels, comp)};
  for (auto& s : FixedStarts(levels, starts)) list.push_back(std::move(s));
  c.search = RunStarts(c.model, list, threads);
  if (!c.search.best.ok) return c;

  const size_t L = levels.size();
  std::vector<size_t> order(L);
  std::iota(order.begin(), order.end(), 0);
  const std::vector<double> theta = c.search.best.theta;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return theta[a] > theta[b]; });
  bool changed = false;
  LocalOutcome best = c.search.best;
  for (size_t j : order) {
    if (choice[j] != kExcitedAuto) continue;
    std::vector<int> options{0};
    for (int r = 2; r <= kMaxExcited; ++r) options.push_back(r);
    // The choices in pairs, one on each thread; the scan ends once S has risen twice in a row
    // beyond the tie above the lowest so far (the pairs do not depend on the threads, so neither
    // does the result).
    const double M = double(c.model.points.size());
    const double floor = M * kRoundingResidual2;
    auto above = [&](const LocalOutcome& a, const LocalOutcome& b) {  // a beyond the tie above b
      return M * std::log((a.S + floor) / (b.S + floor)) > std::log(M);
    };
    std::vector<LocalOutcome> out(options.size());
    int lowest = -1;
    size_t done = 0;
    for (size_t from = 0; from < options.size(); from += 2) {
      const size_t to = std::min(options.size(), from + 2);
      ParallelFor(int(to - from), threads, [&](int k) {
        Model m = c.model;
        m.excited[j] = options[from + k];
        try {
          out[from + k] = LocalFit(m, best.theta);
        } catch (const std::exception&) {
          out[from + k] = LocalOutcome{};
        }
      });
      done = to;
      for (size_t i = from; i < to; ++i)
        if (out[i].ok && (lowest < 0 || out[i].S < out[lowest].S)) lowest = int(i);
      if (lowest >= 0 && done >= 3) {
        const LocalOutcome &a = out[done - 2], &b = out[done - 1], &before = out[done - 3];
        if (a.ok && b.ok && before.ok && a.S > before.S && b.S > a.S && above(a, out[lowest]) && above(b, out[lowest]))
          break;
      }
    }
    if (lowest < 0) continue;
    // A tie keeps the smaller choice: S within the resolution of the BIC, M ln(S / S_min) <= ln M,
    // so that noise alone never switches excited states on.
    int pick = lowest;
    for (size_t i = 0; i < done; ++i)
      if (out[i].ok && !above(out[i], out[lowest])) {
        pick = int(i);
        break;
      }
    if (options[pick] != c.model.excited[j]) changed = true;
    c.model.excited[j] = options[pick];
    best = out[pick];
  }
  if (changed) {
    c.search.best = best;
    c.research = true;
    c.comp = comp;
    c.levels = levels;
    for (size_t j = 0; j < L; ++j) c.levels[j].excited = c.model.excited[j];
  }
  c.model.lastX.assign(c.model.points.size(), std::numeric_limits<double>::quiet_NaN());
  return c;
}

// The global search once more with the excited states chosen, the best point so far first.
void Research(CandidateFit& c, int starts, int threads) {
  if (!c.research) return;
  std::vector<std::vector<double>> again{c.search.best.theta, Pack(c.levels, c.comp)};
  for (auto& s : FixedStarts(c.levels, starts)) again.push_back(std::move(s));
  c.search = RunStarts(c.model, again, threads);
  c.research = false;
  c.model.lastX.assign(c.model.points.size(), std::numeric_limits<double>::quiet_NaN());
}

// The starting levels for K levels from the entered ones: the closest two merged, or the
// densest split into two (half its density each, 30 % shallower and 40 % deeper), until K.
std::vector<RelativeDopant> StartingLevels(std::vector<RelativeDopant> levels, size_t K) {
  while (levels.size() > K && levels.size() > 1) {
    size_t a = 0;
    double gap = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j + 1 < levels.size(); ++j)
      if (levels[j + 1].level - levels[j].level < gap) {
        gap = levels[j + 1].level - levels[j].level;
        a = j;
      }
    levels = MergeUnresolved(levels, Finding(int(a), int(a + 1), ""));
  }
  while (levels.size() < K) {
    size_t d = 0;
    for (size_t j = 1; j < levels.size(); ++j)
      if (levels[j].density > levels[d].density) d = j;
    RelativeDopant low = levels[d], high = levels[d];
    low.density = high.density = 0.5 * levels[d].density;
    low.level = std::clamp(levels[d].level * 0.7, 1e-4, 1.499);
    high.level = std::clamp(levels[d].level * 1.4, 1e-4, 1.499);
    levels.erase(levels.begin() + d);
    levels.push_back(low);
    levels.push_back(high);
    std::stable_sort(levels.begin(), levels.end(),
                     [](const RelativeDopant& l, const RelativeDopant& r) { return l.level < r.level; });
  }
  return levels;
}

std::string Level(size_t j) { return "level " + std::to_string(j + 1); }

// The levels of an adjusted set in order of depth (a fit may carry one past another).
void SortByLevel(Model& m, LocalOutcome& o) {
  const size_t L = m.L();
  std::vector<size_t> order(L);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return o.theta[L + a] < o.theta[L + b]; });
  const std::vector<double> theta = o.theta;
  const std::vector<double> g = m.g;
  const std::vector<int> excited = m.excited;
  for (size_t j = 0; j < L; ++j) {
    o.theta[j] = theta[order[j]];
    o.theta[L + j] = theta[L + order[j]];
    m.g[j] = g[order[j]];
    m.excited[j] = excited[order[j]];
  }
}

}  // namespace

RelativeFitResult FitRelativeGlobal(const RelativeFitInput& input) {
  RelativeFitResult failed;
  failed.dopants = input.dopants;
  failed.compensatingDensity = input.compensatingDensity;
  Model points;
  std::vector<double> temperature;
  double lowest = 0;
  if (const std::string m = BuildPoints(input, points, temperature, lowest); !m.empty()) {
    failed.message = m;
    return failed;
  }
  points.physics = input.physics;
  points.physics.rydberg = EffectiveRydberg(input.mass, input.dielectricConstant);

  // The entered values, moved just inside the bounds where they lie outside.
  std::vector<std::string> notices;
  std::vector<RelativeDopant> entered;
  std::vector<int> choice;
  bool excitedDropped = false;
  for (size_t j = 0; j < input.dopants.size(); ++j) {
    RelativeDopant d = input.dopants[j];
    if (!(d.density > 0) || !std::isfinite(d.density)) {
      notices.push_back("The density of " + Level(j) + ", " + Text(d.density) +
                        " cm^-3, is not above 0: the level is left out of the fit.");
      continue;
    }
    if (!(d.g > 0) || !std::isfinite(d.g)) {
      failed.message = kOutsideRange;
      return failed;
    }
    if (!(d.level >= 1e-4 && d.level <= 1.499)) {
      const double moved = std::isnan(d.level) ? 0.05 : std::clamp(d.level, 1e-4, 1.499);
      notices.push_back("The level of " + Level(j) + ", " + Text(d.level) + " eV, was moved to " + Text(moved) +
                        " eV, inside the bounds of the fit.");
      d.level = moved;
    }
    int c = j < input.excited.size() ? input.excited[j] : kExcitedAuto;
    if (c < kExcitedAuto) c = kExcitedAuto;
    if (c == 1) c = 0;
    c = std::min(c, kMaxExcited);
    if (c != 0 && !(points.physics.rydberg > 0)) {
      excitedDropped = excitedDropped || c > 0;
      c = 0;
    }
    d.excited = 0;
    entered.push_back(d);
    choice.push_back(c);
  }
  if (excitedDropped)
    notices.push_back("Excited states need a mass and a dielectric constant above 0: they are left out.");
  if (entered.empty()) {
    failed.message = "No dopant is chosen for the fit.";
    failed.notices = notices;
    return failed;
  }
  // The levels in order of depth, each with its choice.
  {
    std::vector<size_t> order(entered.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return entered[a].level < entered[b].level; });
    std::vector<RelativeDopant> e;
    std::vector<int> c;
    for (size_t k : order) {
      e.push_back(entered[k]);
      c.push_back(choice[k]);
    }
    entered = e;
    choice = c;
  }
  double total = 0;
  for (const RelativeDopant& d : entered) total += d.density;
  double comp = input.compensatingDensity;
  if (!(comp >= 0)) {
    notices.push_back("The compensating density " + Text(comp) + " cm^-3 was moved to " + Text(1e-6 * total) +
                      " cm^-3 (1e-6 of the sum of the densities).");
    comp = 1e-6 * total;
  } else if (!(comp < total)) {
    notices.push_back("The compensating density " + Text(comp) + " cm^-3 was moved to " + Text(0.5 * total) +
                      " cm^-3 (half the sum of the densities).");
    comp = 0.5 * total;
  }

  const int starts = std::max(0, input.starts);
  const int threads = std::max(1, input.threads);
  const size_t L0 = entered.size();
  std::vector<size_t> Ks;
  if (input.autoLevels)
    for (size_t K = 1; K <= std::max<size_t>(3, L0); ++K) Ks.push_back(K);
  else
    Ks.push_back(input.levels > 0 ? size_t(std::min(input.levels, 3)) : L0);

  gsl_error_handler_t* previous = gsl_set_error_handler_off();
  struct RestoreHandler {
    gsl_error_handler_t* h;
    ~RestoreHandler() { gsl_set_error_handler(h); }
  } restore{previous};

  std::vector<CandidateFit> fits;
  std::vector<LevelCandidate> table;
  int chosen = -1;
  for (size_t K : Ks) {
    const std::vector<RelativeDopant> levels = K == L0 ? entered : StartingLevels(entered, K);
    // Each level takes the choice of the entered level nearest to it.
    std::vector<int> c(levels.size(), kExcitedAuto);
    for (size_t j = 0; j < levels.size(); ++j) {
      size_t nearest = 0;
      for (size_t k = 1; k < L0; ++k)
        if (std::abs(entered[k].level - levels[j].level) < std::abs(entered[nearest].level - levels[j].level))
          nearest = k;
      c[j] = choice[nearest];
    }
    CandidateFit fit = FitCandidate(points, levels, CompensationBelow(levels, comp), c, starts, threads);
    if (!fit.search.best.ok) continue;
    LevelCandidate row;
    row.levels = int(K);
    row.S = fit.search.best.S;
    const size_t M = points.points.size(), P = 2 * K + 1;
    if (M > P) row.reducedChi2 = row.S / double(M - P);
    row.bic = Bic(row.S, M, P);
    if (chosen < 0 || row.bic < table[chosen].bic) chosen = int(table.size());
    table.push_back(row);
    fits.push_back(std::move(fit));
  }
  if (chosen < 0) {
    failed.message = "Curve fitting could not be carried out.";
    failed.notices = notices;
    return failed;
  }
  CandidateFit& best = fits[chosen];
  Research(best, starts, threads);
  table[chosen].S = best.search.best.S;
  table[chosen].reducedChi2 =
      points.points.size() > size_t(2 * table[chosen].levels + 1)
          ? std::optional<double>(best.search.best.S / double(points.points.size() - (2 * table[chosen].levels + 1)))
          : std::nullopt;
  table[chosen].bic = Bic(best.search.best.S, points.points.size(), size_t(2 * table[chosen].levels + 1));
  table[chosen].chosen = true;
  SortByLevel(best.model, best.search.best);
  RelativeFitResult result = Assemble(best.model, best.search.best, temperature, lowest);
  // The start the user sees is the entered one: its deviation is the one before.
  {
    Model m = points;
    std::vector<RelativeDopant> start = entered;
    for (size_t j = 0; j < start.size(); ++j) start[j].excited = choice[j] > 0 ? choice[j] : 0;
    SetLevels(m, start);
    std::unique_ptr<gsl_vector, VectorFree> t(gsl_vector_alloc(2 * start.size() + 1));
    const std::vector<double> theta = Pack(start, comp);
    for (size_t k = 0; k < theta.size(); ++k) gsl_vector_set(t.get(), k, theta[k]);
    std::unique_ptr<gsl_vector, VectorFree> r(gsl_vector_alloc(m.points.size()));
    Residuals(t.get(), &m, r.get());
    result.deviationBefore = SumOfSquares(r.get());
  }
  result.startsTried = best.search.tried;
  result.startsAgreeing = best.search.agreeing;
  if (input.autoLevels) result.candidates = table;
  result.notices = notices;
  const double aStar = EffectiveBohrRadius(input.mass, input.dielectricConstant);
  for (const RelativeDopant& d : result.dopants) {
    if (d.excited >= 2 && aStar > 0) {
      result.orbitRadius.push_back(d.excited * d.excited * aStar);
      result.wignerSeitzRadius.push_back(std::cbrt(3.0 / (4.0 * M_PI * d.density * 1e-21)));
    } else {
      result.orbitRadius.push_back(std::nullopt);
      result.wignerSeitzRadius.push_back(std::nullopt);
    }
  }
  double largest = 0;
  for (double n : input.concentration) largest = std::max(largest, n);
  for (UnresolvedLevel& u : FurtherFindings(result, largest)) result.unresolved.push_back(std::move(u));
  return result;
}
}  // namespace korv::analyses
