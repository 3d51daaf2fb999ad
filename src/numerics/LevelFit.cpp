// The level fit behind the evaluation: the H (or S) function of one level with and
// without compensation, the concentration one level produces, the fit of level,
// density and compensation ratio to the peak and one check point, and the placing
// of a level by its peak temperature alone.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "numerics/LevelFit.h"

using korv::phys::K_BOLTZMANN;
using korv::phys::Q_ELEMENTARY;

using korv::levelfit::checked;
using korv::levelfit::step;

namespace {

const char* const SHALLOWER = "The energy level might be shallower than 1 meV";
const char* const BETWEEN = "The energy level is between 1 meV and 1500 meV";
const char* const DEEPER = "The energy level might be deeper than 1500 meV";

// The product of the two values is above 0; compared by sign, because the product
// of two small residuals underflows to 0 in double.
bool sameSign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

double ncFactorOf(double dosCoefficient) { return dosCoefficient * std::pow(Q_ELEMENTARY / K_BOLTZMANN, 1.5); }

// The grid must hold the spline and the peak of slot k inside it.
void requireSpline(const Analysis& a, int k) {
  const int n = a.GridCount;
  if (k < 0 || k > 3 || n < 1 || static_cast<int>(a.SplineTemperature.size()) < n ||
      static_cast<int>(a.SplineConcentration.size()) < n)
    throw korv::Error("There is no spline to evaluate the level on.");
  if (a.PeakIndex[k] < 0 || a.PeakIndex[k] >= n) throw korv::Error("The peak of the H function lies outside the grid.");
}

// The grid must hold the spline, row k of HValues and a peak inside it.
void requireGrid(const Analysis& a, int k) {
  const int n = a.GridCount;
  if (k < 0 || k > 3 || n < 1 || static_cast<int>(a.SplineTemperature.size()) < n ||
      static_cast<int>(a.SplineConcentration.size()) < n || static_cast<int>(a.HValues[k].size()) < n)
    throw korv::Error("There is no calculated H function to evaluate.");
  if (a.PeakIndex[k] < 0 || a.PeakIndex[k] >= n) throw korv::Error("The peak of the H function lies outside the grid.");
}

// The model H (type 2) or S (type 1) function of one level of density D at E below
// the band edge, written once for the grid scans and the record's model functions. kt,
// X = exp(E_ref/kT) and r = N_C/n are the point's quantities; -1 for another type.
double compensatedModel(int type, double kt, double X, double r, double g, double ncFactor, double x, double E,
                        double D) {
  const double y = std::exp(-E / kt), Q = x * D;
  if (type == 1) return (D * y * X * (r / (y * r + g)) - Q * X) / kt;
  if (type == 2) return (D * y * X / (y * r + g) - X * Q / r) * ncFactor / kt;
  return -1;
}
// The same without compensation.
double oneLevelModel(int type, double kt, double X, double r, double g, double ncFactor, double E, double D) {
  const double y = std::exp(-E / kt);
  if (type == 1) return (D * y * X / kt) * (r / (y * r + g));
  if (type == 2) return (D * y * X / kt) * (1 / (y * r + g)) * ncFactor;
  return -1;
}

// The per-point quantities of the model functions that depend neither on the level
// nor on the density or compensation ratio: kT, exp(E_ref/kT), N_C/n. Computed once
// for a range of grid points with exactly the expressions of the model functions, so
// that a scan over the range gives the same numbers bit for bit.
struct ModelGrid {
  int first = 0;
  std::vector<double> kT, X, r, T;
  int type = 2;
  double g = 1, ncFactor = 0;

  ModelGrid(const Analysis& a, int k, int lo, int hi) {
    type = a.FunctionType;
    g = a.DegeneracyFactor[k];
    ncFactor = ncFactorOf(a.DosCoefficient);
    if (lo < 0) lo = 0;
    if (hi > a.GridCount - 1) hi = a.GridCount - 1;
    if (hi < lo) hi = lo;  // an empty range answers its first point, as a single point does
    first = lo;
    const int count = hi >= lo ? hi - lo + 1 : 0;
    kT.resize(count);
    X.resize(count);
    r.resize(count);
    T.resize(count);
    for (int i = 0; i < count; ++i) {
      const double t = a.SplineTemperature[lo + i];
      const double kt = K_BOLTZMANN * t / Q_ELEMENTARY;
      T[i] = t;
      kT[i] = kt;
      X[i] = std::exp(a.Eref[k] / kt);
      r[i] = std::pow(t, 1.5) * a.DosCoefficient / a.SplineConcentration[lo + i];
    }
    buildBlocks();
  }
  int last() const { return first + static_cast<int>(T.size()) - 1; }

  double compensated(int j, double x, double E, double D) const {
    const int i = j - first;
    return checked(compensatedModel(type, kT[i], X[i], r[i], g, ncFactor, x, E, D));
  }
  double oneLevel(int j, double E, double D) const {
    const int i = j - first;
    return checked(oneLevelModel(type, kT[i], X[i], r[i], g, ncFactor, E, D));
  }

  // Temperature of the first strict maximum above 0 of the compensated model with
  // D = 1 over a..b; T[a] when no value is above 0. `atMax` receives the index.
  double peakTemperature(int a, int b, double x, double E, int* atMax = nullptr) const {
    const int j = argMax(a, b, x, E, [&](int i) { return compensated(i, x, E, 1); });
    if (atMax) *atMax = j;
    return T[j - first];
  }
  // The same for the one-level model without compensation.
  double oneLevelPeakTemperature(int a, int b, double E, int* atMax) const {
    *atMax = argMax(a, b, 0, E, [&](int i) { return oneLevel(i, E, 1); });
    return T[*atMax - first];
  }

 private:
  // The scans of the fits evaluate the model on the same flank a few thousand times.
  // Blocks of points whose upper bound stays below the best value already known
  // cannot hold the maximum and are skipped; the answer is the one of a plain scan
  // (the lowest index of the largest value above 0), only found with fewer exponentials.
  static constexpr int BLOCK = 32;
  struct Bounds {
    double aMax, rMin, rMax, cMin, cMax;
    bool usable;  // every point of positive temperature and concentration
  };
  std::vector<Bounds> blocks;
  mutable int guess = -1;

  void buildBlocks() {
    const int count = static_cast<int>(T.size());
    for (int s = 0; s < count; s += BLOCK) {
      Bounds bd{0, HUGE_VAL, 0, HUGE_VAL, 0, true};
      for (int i = s; i < std::min(count, s + BLOCK); ++i) {
        // H: value = A y/(y r + g) - x A/r with A = X NcFactor/kT; S: value = A/(1 + g/(y r)) - x A with A = X/kT.
        const double A = type == 1 ? X[i] / kT[i] : X[i] * ncFactor / kT[i];
        const double c = type == 1 ? A : A / r[i];
        if (!(kT[i] > 0 && r[i] > 0 && std::isfinite(A) && std::isfinite(c))) bd.usable = false;
        bd.aMax = std::max(bd.aMax, A);
        bd.rMin = std::min(bd.rMin, r[i]);
        bd.rMax = std::max(bd.rMax, r[i]);
        bd.cMin = std::min(bd.cMin, c);
        bd.cMax = std::max(bd.cMax, c);
      }
      blocks.push_back(bd);
    }
  }

  template <class Value>
  int argMax(int a, int b, double x, double E, Value value) const {
    const bool prune = (type == 1 || type == 2) && g > 0 && std::isfinite(x) && std::isfinite(E);
    double best = 0;
    int bestIndex = a;
    auto consider = [&](int j) {
      const double v = value(j);
      if (v > best || (v == best && v > 0 && j < bestIndex)) best = v, bestIndex = j;
    };
    if (prune && guess >= a && guess <= b) consider(guess);
    for (int s = a; s <= b;) {
      const int blockIndex = (s - first) / BLOCK;
      const int e = std::min(b, first + (blockIndex + 1) * BLOCK - 1);
      bool skip = false;
      const Bounds& bd = blocks[blockIndex];
      if (prune && best > 0 && bd.usable) {
        const double y = std::max(std::exp(-E / kT[s - first]), std::exp(-E / kT[e - first]));
        const double rise = type == 1 ? bd.aMax / (1 + g / (y * bd.rMax)) : bd.aMax / (bd.rMin + g / y);
        const double fall = x >= 0 ? x * bd.cMin : x * bd.cMax;
        const double bound = rise - fall;
        skip = std::isfinite(bound) && bound + 1e-9 * std::fabs(rise) + 1e-9 * std::fabs(fall) < best;
      }
      if (!skip)
        for (int j = s; j <= e; ++j) consider(j);
      s = e + 1;
    }
    if (best > 0) guess = bestIndex;
    return bestIndex;
  }
};

// Where a level is placed: its energy, whether it lies inside 1 meV .. 1500 meV, and
// the message that says which.
struct Placement {
  double E;
  bool inRange;
  const char* message;
};

// Level E whose compensated model (ratio x) peaks at the temperature of the peak.
Placement levelForRatio(const Analysis& a, const ModelGrid& grid, int k, int lo, int hi, double x) {
  const double tp = a.SplineTemperature[a.PeakIndex[k]];
  if (tp < grid.peakTemperature(lo, hi, x, 0.001)) return {0, false, SHALLOWER};
  double previous = 0.001;
  for (double E = 0.011; E < 1.5; E += 0.01) {
    if (grid.peakTemperature(lo, hi, x, E) >= tp) {
      double low = previous, high = E, mid = E;
      for (int i = 0; i < 14; ++i) {
        mid = (low + high) / 2;
        if (tp >= grid.peakTemperature(lo, hi, x, mid))
          low = mid;
        else
          high = mid;
      }
      return {mid, true, BETWEEN};
    }
    previous = E;
  }
  return {1.5, false, DEEPER};
}

// The record keeps the placement adopted last.
double adopt(Analysis& a, int k, const Placement& placement) {
  a.AdoptedLevelRangeMessage[k] = placement.message;
  a.LevelInRange = placement.inRange;
  return placement.E;
}

// The model of the fit for one compensation ratio: level, density scaled to the peak
// value and the model's value at the check point.
struct FitPoint {
  double E = 0, D = 0, m = 0;
  bool inRange = false;
};

class Fit {
 public:
  Fit(Analysis& a, int k, int c, int b) : a_(a), k_(k), c_(c), b_(b), p_(a.PeakIndex[k]), grid_(a, k, c, b) {
    // The grid must reach both the peak and the check point.
    if (p_ < grid_.first || p_ > grid_.last() || c_ > grid_.last())
      throw korv::Error("The check point of the evaluation lies outside the peak's flank.");
  }
  // Density and check-point value only for a level in range: the fit never compares
  // the others, and a level at the range's end may give a model peak of 0.
  FitPoint at(double x) const {
    FitPoint f;
    const Placement placement = levelForRatio(a_, grid_, k_, c_, b_, x);
    f.E = adopt(a_, k_, placement);
    f.inRange = placement.inRange;
    if (!f.inRange) return f;
    f.D = checked(a_.HValues[k_][p_] / grid_.compensated(p_, x, f.E, 1));
    f.m = grid_.compensated(c_, x, f.E, f.D);
    return f;
  }
  // Stores level, density and temporary compensating density of ratio o with level E.
  void store(double o, double E) const {
    const double density = checked(a_.HValues[k_][p_] / grid_.compensated(p_, o, E, 1));
    const double compensation = checked(o * density);
    a_.EnergyLevel[k_] = E;
    a_.Density[k_] = density;
    a_.TemporaryCompensatingDensity[k_] = compensation;
  }

 private:
  Analysis& a_;
  int k_, c_, b_, p_;
  ModelGrid grid_;
};

// The search of the compensation ratio: decades from t while the fit at the next decade
// still `advances` (and stays below 0.9), then eleven geometric bisections of the
// bracket found, each moving the end the fit at the mean `advances` to or not. The
// ratios are of one sign, `sign`.
struct Bracket {
  double t, u;
};

template <class Advances>
Bracket decades(Analysis& a, const Fit& fit, double t, Advances advances) {
  double u = t;
  for (;;) {
    u = 10 * t;
    if (u > 0.9) break;
    const FitPoint f = fit.at(u);
    step(a);
    if (!advances(f)) break;
    t = u;
  }
  return {t, u};
}

struct Bisection {
  double o, E;   // the last ratio tried and its level
  bool inRange;  // whether that level was in range
  double t;      // the last ratio that advanced
};

template <class Advances>
Bisection bisect(Analysis& a, const Fit& fit, double sign, Bracket b, Advances advances) {
  Bisection r{b.t, 0, false, b.t};
  for (int i = 0; i < 11; ++i) {
    const double o = sign * std::sqrt(b.t * b.u);
    const FitPoint f = fit.at(o);
    r.o = o;
    r.E = f.E;
    r.inRange = f.inRange;
    step(a);
    if (advances(f))
      b.t = o;
    else
      b.u = o;
  }
  r.t = b.t;
  return r;
}

}  // namespace

namespace {
// The point quantities of the record's model functions at (n, T), kept in the record's
// working values as the main window shows them.
struct PointTerms {
  double kt, X, r;
};
PointTerms recordPoint(Analysis& a, int k, double n, double T) {
  const double kt = K_BOLTZMANN * T / Q_ELEMENTARY;
  a.KT = kt;
  const double X = std::exp(a.Eref[k] / kt);
  a.ExpErefOverKT = X;
  a.Nc = std::pow(T, 1.5) * a.DosCoefficient;
  const double r = a.Nc / n;
  a.NcOverN = r;
  if (a.FunctionType == 2) a.NcFactor = ncFactorOf(a.DosCoefficient);
  return {kt, X, r};
}
}  // namespace

double Analysis::OneLevelModel(int k, double E, double D, double n, double T) {
  const PointTerms p = recordPoint(*this, k, n, T);
  return oneLevelModel(FunctionType, p.kt, p.X, p.r, DegeneracyFactor[k], NcFactor, E, D);
}

double Analysis::CompensatedModel(int k, double x, double E, double D, double n, double T) {
  const PointTerms p = recordPoint(*this, k, n, T);
  return compensatedModel(FunctionType, p.kt, p.X, p.r, DegeneracyFactor[k], NcFactor, x, E, D);
}

double Analysis::OneLevelConcentration(int j, double Q, double E, double D) {
  if (j < 0 || j >= static_cast<int>(SplineTemperature.size()))
    throw korv::Error("The grid point of the concentration lies outside the grid.");
  const double T = SplineTemperature[j];
  const double kt = K_BOLTZMANN * T / Q_ELEMENTARY;
  const double nc = std::pow(T, 1.5) * DosCoefficient;
  KT = kt;
  Nc = nc;
  const double g = DegeneracyFactor[0];
  auto f = [&](double e) { return D / (std::exp((E - e) / kt) * g + 1) - (nc * std::exp(-e / kt) + Q); };
  double lo = 0, hi = 1.5, mid = 0;
  for (int i = 0; i < 15; ++i) {
    mid = (lo + hi) / 2;
    const double fa = f(lo), fm = f(mid);
    if (fm == 0) break;
    if (sameSign(fa, fm))
      lo = mid;
    else
      hi = mid;
  }
  return nc * std::exp(-mid / kt);
}

double Analysis::ModelPeakTemperature(int k, int a, int b, double x, double E) {
  requireSpline(*this, k);
  if (a < 0 || a >= GridCount) throw korv::Error("The range of the model peak lies outside the grid.");
  const ModelGrid grid(*this, k, a, b);
  int atMax = a;
  const double t = grid.peakTemperature(a, grid.last(), x, E, &atMax);
  NcOverN = grid.r[atMax - a];
  return t;
}

double Analysis::LevelForRatio(int k, int a, int b, double x) {
  requireSpline(*this, k);
  if (a < 0 || a >= GridCount) throw korv::Error("The range of the model peak lies outside the grid.");
  const ModelGrid grid(*this, k, a, b);
  return adopt(*this, k, levelForRatio(*this, grid, k, a, grid.last(), x));
}

int Analysis::PeakTailBelow(int k) {
  requireGrid(*this, k);
  const auto& H = HValues[k];
  const int p = PeakIndex[k];
  const int bound = IndexAtTemperature(SplineTemperature[p] - 50);
  int x = p;
  double v = H[p];
  while (x - 20 >= bound && x - 20 >= 0 && H[x - 20] < v) {
    x -= 20;
    v = H[x];
  }
  return x;
}

int Analysis::PeakTailAbove(int k) {
  requireGrid(*this, k);
  const auto& H = HValues[k];
  const int p = PeakIndex[k];
  const int bound = IndexAtTemperature(SplineTemperature[p] + 50);
  int x = p;
  double v = H[p];
  while (x + 20 <= bound && x + 20 < GridCount && H[x + 20] < v) {
    x += 20;
    v = H[x];
  }
  return x;
}

bool Analysis::FitLevel(int k, int c) {
  requireGrid(*this, k);
  if (c < 0 || c >= GridCount) throw korv::Error("The check point of the evaluation lies outside the grid.");
  NcFactor = ncFactorOf(DosCoefficient);
  progress().Show(korv::ProgressBar::Detailed, 23);
  const double hc = HValues[k][c];
  const Fit fit(*this, k, c, PeakTailAbove(k));

  const FitPoint zero = fit.at(0);
  step(*this);
  if (!zero.inRange) return false;

  // More free carriers at the check point than the uncompensated model gives: the
  // compensation ratio is negative. Decades first, then the geometric mean.
  const bool negative = hc > zero.m;
  Bisection found;
  if (negative) {
    auto advances = [&](const FitPoint& f) { return f.inRange && hc > f.m; };
    found = bisect(*this, fit, -1.0, decades(*this, fit, -1e-10, advances), advances);
  } else {
    auto advances = [&](const FitPoint& f) { return f.inRange && !(hc >= f.m); };
    found = bisect(*this, fit, 1.0, decades(*this, fit, 1e-10, advances), advances);
  }
  double o = found.o, E = found.E;
  if (!found.inRange) o = found.t, E = fit.at(found.t).E;
  fit.store(o, E);
  if (!KeepSearchStart && TemporaryCompensatingDensity[k] > 0) CarryCompensation(k);
  return true;
}

bool Analysis::RefitWithScaledRatio(int k, int c, double m) {
  requireGrid(*this, k);
  if (c < 0 || c >= GridCount) throw korv::Error("The check point of the evaluation lies outside the grid.");
  NcFactor = ncFactorOf(DosCoefficient);
  const double hc = HValues[k][c];
  const Fit fit(*this, k, c, PeakTailAbove(k));
  auto fail = [&] {
    LevelInRange = true;
    progress().Close(korv::ProgressBar::Detailed);
    return false;
  };

  const FitPoint first = fit.at(m);
  step(*this);
  if (!first.inRange) return fail();
  const Bracket bracket = decades(*this, fit, m, [&](const FitPoint& f) { return f.inRange && !(hc <= f.m); });
  const Bisection found = bisect(*this, fit, 1.0, bracket, [&](const FitPoint& f) { return f.inRange && hc > f.m; });
  double o = found.o, E = found.E;
  if (!found.inRange) {
    o = found.t;
    const FitPoint last = fit.at(found.t);
    E = last.E;
    if (!last.inRange) return fail();
  }
  fit.store(o, E);
  return true;
}

bool Analysis::FillModelRows(int k, FillMode mode) {
  if (FunctionType != 1 && FunctionType != 2) return false;
  const int n = GridCount;
  if (n < 1 || static_cast<int>(SplineTemperature.size()) < n || static_cast<int>(SplineConcentration.size()) < n)
    throw korv::Error("There is no spline to fill the model rows from.");
  const ModelGrid grid(*this, k, 0, n - 1);
  std::vector<double> row(n);
  if (mode == FillMode::Simulated) {
    const double x = checked(TemporaryCompensatingDensity[k] / Density[k]);
    for (int j = 0; j < n; ++j) {
      const double v = grid.compensated(j, x, EnergyLevel[k], Density[k]);
      row[j] = v > 0 ? v : 0;
    }
    SimulatedH[k] = std::move(row);
  } else {
    for (int j = 0; j < n; ++j) {
      const double v = grid.oneLevel(j, PeakEnergyLevel[k], PeakDensity[k]);
      row[j] = v > 0 ? v : 0;
    }
    ModelH[k] = std::move(row);
  }
  return true;
}

bool Analysis::FillCandidateSimulatedH(int k, int r) {
  const int n = GridCount;
  if (r < 0 || r > 4) throw korv::Error("There are five evaluation candidates.");
  if (n < 1 || static_cast<int>(SplineTemperature.size()) < n || static_cast<int>(SplineConcentration.size()) < n)
    throw korv::Error("There is no spline to fill the model rows from.");
  if (CandidateSimulatedH.size() < 5) CandidateSimulatedH.resize(5);
  const ModelGrid grid(*this, k, 0, n - 1);
  const double x = checked(TemporaryCompensatingDensity[k] / Density[k]);
  std::vector<double> row(n);
  for (int j = 0; j < n; ++j) row[j] = grid.compensated(j, x, EnergyLevel[k], Density[k]);
  CandidateSimulatedH[r] = std::move(row);
  return true;
}

bool Analysis::CheckLevelRange(int k) {
  if (FunctionType != 1 && FunctionType != 2) return false;
  requireGrid(*this, k);
  NcFactor = ncFactorOf(DosCoefficient);
  progress().Show(korv::ProgressBar::Main, 14);
  const korv::ProgressCloser closer(progress(), {korv::ProgressBar::Main});
  const int a = PeakTailBelow(k), b = PeakTailAbove(k);
  const int p = PeakIndex[k];
  const double tp = SplineTemperature[p];
  const ModelGrid grid(*this, k, a, b);
  int atMax = a;
  auto P = [&](double E) { return grid.oneLevelPeakTemperature(a, b, E, &atMax); };

  double lo = 0.001, hi = 1.5;
  for (int i = 0; i < 14; ++i) {
    progress().Step(korv::ProgressBar::Main);
    const double mid = (lo + hi) / 2;
    if (tp < P(lo)) {
      LevelRangeMessage[k] = SHALLOWER;
      LevelInRange = false;
      break;
    }
    if (tp > P(hi)) {
      LevelRangeMessage[k] = DEEPER;
      LevelInRange = false;
      break;
    }
    LevelRangeMessage[k] = BETWEEN;
    LevelInRange = true;
    if (tp >= P(mid))
      lo = mid;
    else
      hi = mid;
  }
  if (LevelInRange) {
    const double E = (lo + hi) / 2;
    const double u = P(E);
    const double r = grid.r[atMax - a];
    NcOverN = r;
    const double kt = K_BOLTZMANN * u / Q_ELEMENTARY;
    KT = kt;
    const double B = std::exp(-Eref[k] / kt) * HValues[k][p] * kt * std::exp(E / kt);
    const double y = std::exp(-E / kt);
    const double density = checked(FunctionType == 1 ? (y * r + DegeneracyFactor[k]) * B / r
                                                     : (y * r + DegeneracyFactor[k]) * B / NcFactor);
    PeakEnergyLevel[k] = E;
    PeakDensity[k] = density;
  }
  if (EvaluationFinished) {
    EnergyLevel[k] = PeakEnergyLevel[k];
    Density[k] = PeakDensity[k];
    AdoptedLevelRangeMessage[k] = LevelRangeMessage[k];
  }
  return true;
}
