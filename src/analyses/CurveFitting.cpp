#include "analyses/CurveFitting.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

namespace korv::curvefit {
namespace {

// A pivot (or Cholesky diagonal) this small against the matrix's own diagonal means the
// column is a combination of the earlier ones to within rounding: the system is singular.
constexpr double kSingularRatio = 1e-13;

double nc(const Model& m, double T) { return m.dosCoefficient * std::pow(T, 1.5); }

// Ionised fraction 1 / (1 + g exp((E_j - E_F)/kT)).
double ionisedFraction(const Dopant& d, double fermi, double kt) {
  return 1.0 / (d.g * std::exp((d.level - fermi) / kt) + 1.0);
}

void requireRange(const FitPoints& pts, FitRange r) {
  if (r.low < 0 || r.high >= pts.Count() || r.low > r.high) throw korv::Error(kSimulationFailed);
}

}  // namespace

FitParameters FitParameters::Packed() const {
  FitParameters p;
  p.compensatingDensity = compensatingDensity;
  for (const Dopant& d : dopants)
    if (d.checked) p.dopants.push_back(d);
  return p;
}

FitPoints SelectFitPoints(const Analysis& a) {
  FitPoints pts;
  const std::size_t n = std::min({a.Temperature.size(), a.Concentration.size(), a.Reliability.size(),
                                  static_cast<std::size_t>(std::max(a.DataCount, 0))});
  for (std::size_t i = 0; i < n; ++i) {
    if (!(a.Reliability[i] > kReliabilityThreshold)) continue;
    // A point that cannot be drawn on the 1000/T axis or simulated is no fit point either.
    if (!(a.Temperature[i] > 0) || !std::isfinite(a.Temperature[i]) || !std::isfinite(a.Concentration[i])) continue;
    pts.temperature.push_back(a.Temperature[i]);
    pts.concentration.push_back(a.Concentration[i]);
  }
  return pts;
}

FitParameters StartingParameters(const Analysis& a) {
  FitParameters p;
  p.compensatingDensity = a.SimCompensatingDensity;
  for (std::size_t s = 0; s < a.SimDensity.size() && p.dopants.size() < 3; ++s)
    if (a.SimDensity[s] > kDopantThreshold)
      p.dopants.push_back({a.SimDensity[s], a.SimEnergyLevel[s], a.DegeneracyFactor[s]});
  // Bubble sort by ascending level: equal levels keep their order.
  for (std::size_t i = 0; i + 1 < p.dopants.size(); ++i)
    for (std::size_t j = 0; j + 1 < p.dopants.size() - i; ++j)
      if (p.dopants[j].level > p.dopants[j + 1].level) std::swap(p.dopants[j], p.dopants[j + 1]);
  return p;
}

bool InDomain(const FitParameters& p) {
  if (!std::isfinite(p.compensatingDensity) || p.compensatingDensity < 0) return false;
  for (const Dopant& d : p.dopants) {
    if (!std::isfinite(d.density) || !(d.density > 0)) return false;
    if (!std::isfinite(d.level) || !(d.level > 0) || !(d.level < kUpperLevel)) return false;
  }
  return true;
}

double SolveFermiLevel(const Model& m, const FitParameters& p, double T) {
  const double kt = phys::KT(T), n0 = nc(m, T);
  auto residual = [&](double e) {
    double ionised = 0;
    for (const Dopant& d : p.dopants) ionised += d.density * ionisedFraction(d, e, kt);
    return ionised - (p.compensatingDensity + n0 * std::exp(-e / kt));
  };
  // Compared by sign: the product of two small residuals underflows to 0.
  return phys::BisectFermiLevel(residual, kFermiBisections, phys::SignTest::Signs);
}

Simulated Simulate(const Model& m, const FitParameters& p, const std::vector<double>& temperatures,
                   korv::Progress* progress) {
  const int n = static_cast<int>(temperatures.size());
  if (progress) progress->Show(korv::ProgressBar::Main, n);
  Simulated s;
  s.concentration.resize(n);
  s.fermiLevel.resize(n);
  for (int j = 0; j < n; ++j) {
    if (progress) progress->Step(korv::ProgressBar::Main);
    const double T = temperatures[j];
    const double e = SolveFermiLevel(m, p, T);
    const double c = nc(m, T) * std::exp(-e / phys::KT(T));
    if (!std::isfinite(e) || !std::isfinite(c) || !(T > 0)) {
      if (progress) progress->Close(korv::ProgressBar::Main);
      throw korv::Error(kSimulationFailed);
    }
    s.fermiLevel[j] = e;
    s.concentration[j] = c;
  }
  if (progress) progress->Close(korv::ProgressBar::Main);
  return s;
}

Simulated SimulateAtFitPoints(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r) {
  requireRange(pts, r);
  std::vector<double> T(pts.temperature.begin() + r.low, pts.temperature.begin() + r.high + 1);
  return Simulate(m, p, T);
}

double SquaredDeviation(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r) {
  const Simulated s = SimulateAtFitPoints(m, p, pts, r);
  double sum = 0;
  for (int i = 0; i < r.Count(); ++i) {
    const double d = s.concentration[i] - pts.concentration[r.low + i];
    sum += d * d;
  }
  if (!std::isfinite(sum)) throw korv::Error(kSimulationFailed);
  return sum;
}

Matrix Jacobian(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r) {
  const Simulated s = SimulateAtFitPoints(m, p, pts, r);
  const int L = static_cast<int>(p.dopants.size()), P = p.ParameterCount();
  Matrix J(r.Count(), std::vector<double>(P, 0.0));
  for (int i = 0; i < r.Count(); ++i) {
    const double kt = phys::KT(pts.temperature[r.low + i]);
    J[i][0] = -1;
    for (int j = 0; j < L; ++j) {
      const Dopant& d = p.dopants[j];
      // f = 1/(1 + g e^x); g e^x / (1 + g e^x)^2 = f (1 - f), which stays finite where e^x overflows.
      const double f = ionisedFraction(d, s.fermiLevel[i], kt);
      J[i][1 + j] = f;
      J[i][1 + L + j] = -d.density * f * (1 - f) / kt;
    }
  }
  return J;
}

FitParameters GaussNewtonStep(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r, double w) {
  const Matrix J = Jacobian(m, p, pts, r);
  const Simulated s = SimulateAtFitPoints(m, p, pts, r);
  const int P = p.ParameterCount(), L = static_cast<int>(p.dopants.size());
  Matrix A(P, std::vector<double>(P, 0.0));
  std::vector<double> b(P, 0.0);
  for (int k = 0; k < r.Count(); ++k) {
    const double residual = s.concentration[k] - pts.concentration[r.low + k];
    for (int i = 0; i < P; ++i) {
      b[i] -= residual * J[k][i];
      for (int c = 0; c < P; ++c) A[i][c] += J[k][i] * J[k][c];
    }
  }
  // Gaussian elimination without pivoting: each row divided by its pivot, the later rows
  // cleared below it, then back substitution.
  std::vector<double> diagonal(P);
  for (int i = 0; i < P; ++i) diagonal[i] = A[i][i];
  for (int i = 0; i < P; ++i) {
    const double pivot = A[i][i];
    if (!std::isfinite(pivot) || !(std::fabs(pivot) > kSingularRatio * std::fabs(diagonal[i])))
      throw korv::Error(kFitFailed);
    for (int c = i; c < P; ++c) A[i][c] /= pivot;
    b[i] /= pivot;
    for (int j = i + 1; j < P; ++j) {
      const double factor = A[j][i];
      for (int c = i; c < P; ++c) A[j][c] -= factor * A[i][c];
      b[j] -= factor * b[i];
    }
  }
  std::vector<double> delta(P);
  for (int i = P - 1; i >= 0; --i) {
    double v = b[i];
    for (int c = i + 1; c < P; ++c) v -= delta[c] * A[i][c];
    if (!std::isfinite(v)) throw korv::Error(kFitFailed);
    delta[i] = v;
  }
  FitParameters stepped = p;
  stepped.compensatingDensity += w * delta[0];
  for (int j = 0; j < L; ++j) {
    stepped.dopants[j].density += w * delta[1 + j];
    stepped.dopants[j].level += w * delta[1 + L + j];
  }
  return stepped;
}

std::vector<std::optional<double>> StandardErrors(const Matrix& J, double deviation) {
  const int M = static_cast<int>(J.size());
  const int P = M > 0 ? static_cast<int>(J[0].size()) : 0;
  std::vector<std::optional<double>> errors(P);
  if (M <= P || !std::isfinite(deviation) || deviation < 0) return errors;
  Matrix A(P, std::vector<double>(P, 0.0));
  for (const auto& row : J)
    for (int i = 0; i < P; ++i)
      for (int c = 0; c < P; ++c) A[i][c] += row[i] * row[c];
  // Scaled to unit diagonal, so that columns of very different magnitude (densities,
  // levels) do not decide the rank; then Cholesky and the diagonal of the inverse.
  std::vector<double> scale(P);
  for (int i = 0; i < P; ++i) {
    if (!std::isfinite(A[i][i]) || !(A[i][i] > 0)) return errors;
    scale[i] = 1 / std::sqrt(A[i][i]);
  }
  Matrix L(P, std::vector<double>(P, 0.0));
  for (int i = 0; i < P; ++i) {
    for (int c = 0; c <= i; ++c) {
      double v = A[i][c] * scale[i] * scale[c];
      for (int k = 0; k < c; ++k) v -= L[i][k] * L[c][k];
      if (c == i) {
        if (!std::isfinite(v) || !(v > kSingularRatio)) return errors;
        L[i][i] = std::sqrt(v);
      } else {
        L[i][c] = v / L[c][c];
      }
    }
  }
  // (B^-1)_ii = sum over k of (L^-1)_ki^2, column i of L^-1 by forward substitution.
  const double s2 = deviation / (M - P);
  for (int i = 0; i < P; ++i) {
    std::vector<double> x(P, 0.0);
    x[i] = 1 / L[i][i];
    double sum = x[i] * x[i];
    for (int k = i + 1; k < P; ++k) {
      double v = 0;
      for (int c = i; c < k; ++c) v -= L[k][c] * x[c];
      x[k] = v / L[k][k];
      sum += x[k] * x[k];
    }
    const double e = std::sqrt(sum * s2) * scale[i];
    if (std::isfinite(e)) errors[i] = e;
  }
  return errors;
}

FitResult Fit(const Model& m, const FitParameters& entered, const FitPoints& pts, FitRange r, double w, int maxSteps) {
  if (!InDomain(entered)) throw korv::Error(kOutsideDomain);
  FitResult result;
  FitParameters current = entered;
  double s0 = SquaredDeviation(m, current, pts, r);
  result.deviationBefore = s0;
  for (int i = 0; i < maxSteps; ++i) {
    const FitParameters stepped = GaussNewtonStep(m, current, pts, r, w);
    // A step that leaves the domain is rejected like one that does not lower the deviation:
    // outside it the bisection cannot hold the Fermi level and the exponentials overflow.
    if (!InDomain(stepped)) {
      result.stepRejected = true;
      break;
    }
    const double s1 = SquaredDeviation(m, stepped, pts, r);
    if (!(s1 < s0)) {
      result.stepRejected = true;
      break;
    }
    result.converged = s0 - s1 < kConvergedChange * s0;
    current = stepped;
    s0 = s1;
    ++result.acceptedSteps;
  }
  result.adjusted = current;
  result.deviationAfter = s0;
  result.standardErrors = StandardErrors(Jacobian(m, current, pts, r), s0);
  // Away from a minimum the linearised errors describe nothing: none are given.
  if (!result.converged)
    for (auto& e : result.standardErrors) e.reset();
  return result;
}

void WriteCftFile(const std::string& path, const Analysis& a, const CftContents& c) {
  constexpr const char* kFile = "curve fitting file";
  files::RequirePath(path, kFile);
  files::RequireLength(a.SplineTemperature.size(), a.GridCount, kFile, "the temperature grid");
  files::RequireLength(a.SimulatedConcentration.size(), a.GridCount, kFile, "the simulated concentration");
  files::RequireLength(a.SimulatedFermiLevel.size(), a.GridCount, kFile, "the simulated Fermi level");
  files::RequireLength(c.gridConcentration.size(), a.GridCount, kFile, "the adjusted concentration");
  files::RequireLength(c.gridFermiLevel.size(), a.GridCount, kFile, "the adjusted Fermi level");

  constexpr const char* kOrdinal[3] = {"First", "Second", "Third"};
  auto levelLines = [&](TextFileWriter& w, auto density, auto level) {
    for (int s = 0; s < 3; ++s) {
      w.Line("% " + std::string(kOrdinal[s]) + " density [cm^-3]: " + FormatHeaderReal(density(s)));
      w.Line("% " + std::string(kOrdinal[s]) + " energy level [eV]: " + FormatHeaderReal(level(s)));
    }
  };
  const std::string longDash = "% " + std::string(62, '-') + " ";
  TextFileWriter w;
  // sic: "Concentartion", "Compenating" and "adjustemnt" are the file's own labels.
  w.Line("% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)");
  header::WriteVersionLine(w, a);
  w.Line("% Function Type: " + files::FunctionText(a.FunctionType));
  header::WriteFileLines(w, a, header::Stage::FermiLevel);
  w.Line(longDash);
  w.Line("% Simulation result by KORV only");
  w.Line(longDash);
  // A level or compensating density left out of the simulation is stated as 0.
  levelLines(
      w, [&](int s) { return a.SimUseLevel[s] ? a.SimDensity[s] : 0.0; }, [&](int s) { return a.SimEnergyLevel[s]; });
  w.Line("% Compenating density [cm^-3]: " + FormatHeaderReal(a.SimUseCompensation ? a.SimCompensatingDensity : 0.0));
  w.Line(files::DashLine());
  w.Line(std::string("% Simulation result by KORV using curve-fitting adjustment") +
         (c.relative ? " (relative deviation, bounded" + (c.relativeModel.empty() ? "" : "; " + c.relativeModel) + ")"
                     : ""));
  w.Line(files::DashLine());
  w.Line("% Weight for curve fitting: " + FormatHeaderReal(c.weight));
  w.Line("% Times of curve fitting procedures: " + std::to_string(c.fittingCounter));
  w.Line("% Lowest Temperature for curve fitting [K] : " + FormatHeaderReal(c.lowTemperature));
  w.Line("% Highest temperature for curve fitting [K] : " + FormatHeaderReal(c.highTemperature));
  auto row = [&](int s) {
    return s < static_cast<int>(c.entered.dopants.size()) ? c.entered.dopants[s] : Dopant{0, 0};
  };
  levelLines(
      w, [&](int s) { return row(s).density; }, [&](int s) { return row(s).level; });
  w.Line("% Compenating density [cm^-3]: " + FormatHeaderReal(c.entered.compensatingDensity));
  w.Line(
      "% Temperature [K]  *Only KORV*   concentration [cm^-3]    Fermi level   [eV]   *KORV with adjustemnt*   "
      "concentration [cm^-3]    Fermi level   [eV] ");
  for (int j = 0; j < a.GridCount; ++j)
    w.Line(FormatPoint(a.SplineTemperature[j]) + "     " + FormatPoint(a.SimulatedConcentration[j]) + "     " +
           FormatPoint(a.SimulatedFermiLevel[j]) + "     " + FormatPoint(c.gridConcentration[j]) + "     " +
           FormatPoint(c.gridFermiLevel[j]));
  // What a reader needs to trust the relative fit, after every line of the table.
  for (const std::string& line : c.trailer) w.Line("% " + line);
  w.Commit(path);
}

}  // namespace korv::curvefit
