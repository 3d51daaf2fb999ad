// The one-impurity analysis of the freeze-out range: a least-squares line through
// ln(n/T^(3/4)) against 1000/T over a range of measured points gives the level of the
// only dopant from its slope and the density from its intercept; n(T) is then simulated
// from the two. Also the pieces the donor-acceptor analysis shares: the fitting range
// with its four commands, the line fit, the Fermi-level bisection and the grid in 1/T.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/TextFile.h"

namespace korv::conventional {

// Constants of the conventional analyses.
inline constexpr double kBoltzmann = 1.38054e-23;    // J/K
inline constexpr double kCharge = 1.6021e-19;        // C
inline constexpr double kElectronMass = 9.1091e-31;  // kg
inline constexpr double kPlanck = 6.6256e-34;        // J s
inline constexpr double kPi = 3.1415927;
// Step of the simulation grid in 1/T [K^-1].
inline constexpr double kInverseStep = 0.00001;
// Bisections of SolveFermiLevel on [0, 1.5] eV.
inline constexpr int kBisections = 30;
inline constexpr double kUpperLevel = 1.5;
// Longest simulated curve: a first temperature below about 0.05 K would need more points.
inline constexpr std::size_t kMaxCurvePoints = 2000000;

inline double KT(double T) { return kBoltzmann * T / kCharge; }

// Sums of a least-squares line y = a*x + b and what they give.
struct LineSums {
  int count = 0;
  double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  void Add(double x, double y);
};

struct LineFit {
  double slope = 0, intercept = 0, correlation = 0;
};

// The line and its correlation coefficient. Throws korv::Error with a message that says
// why when the sums do not define a line: fewer than two points, every point at one x
// (one temperature), every y equal, or a value that is not finite.
LineFit FitSums(const LineSums& s);
// As FitSums, without throwing: false when the fit is degenerate.
bool TryFitSums(const LineSums& s, LineFit& fit);

// Bisection for the Fermi level E [eV, from the band edge into the gap] on [0, 1.5]:
// 30 halvings unless the residual is exactly zero at a midpoint; the result is the last
// midpoint. `residual` is charge neutrality at E: positive when E lies too deep.
double SolveFermiLevel(const std::function<double(double E)>& residual);

// The simulation grid from `first` upward in steps of 1e-5 K^-1 in 1/T, while the next
// temperature lies below `limit`; the first temperature is always on it. The grid also
// ends where 1/T - 1e-5 is no longer positive (no finite next temperature). Throws
// korv::Error for a first temperature that is not positive or so low that the grid
// would be unreasonably long.
std::vector<double> InverseTemperatureGrid(double first, double limit);

// The fitting range: indices into the measurement (0 = lowest temperature), kept at
// 0 <= low < high <= N-1 by the four commands.
class FittingRange {
 public:
  void Reset(int count);
  // Right end of the 1000/T range.
  int IndexLowestTemperature() const { return low_; }
  // Left end of the 1000/T range.
  int IndexHighestTemperature() const { return high_; }
  // "<" under the left label: one point more at the high-temperature end, at most N-1.
  void DecreaseLow();
  // ">" under the left label: one point less at the high-temperature end; refused when
  // it would reach the low end.
  void IncreaseLow();
  // "<" under the right label: one point less at the low-temperature end; refused when
  // it would reach the high end.
  void DecreaseHigh();
  // ">" under the right label: one point more at the low-temperature end, at least 0.
  void IncreaseHigh();

 private:
  int count_ = 0;
  int low_ = 0;
  int high_ = 0;
};

// The measured points a side window works on, copied from the record when it is prepared.
struct Measurement {
  std::vector<double> T, n;
  int Count() const { return static_cast<int>(T.size()); }
};
// Copies the measurement; throws korv::Error when it holds fewer than two points or a
// temperature or concentration that is not positive.
Measurement TakeMeasurement(const Analysis& a);

// "% " and `hyphens` hyphens and a blank: the separators of the result files.
std::string Separator(int hyphens);

// What the two conventional analyses share: the measurement and its conduction type, the
// fitting range, the straight line fitted over it and the simulated n(T).
class RangeFitAnalysis {
 public:
  bool NType() const { return nType_; }
  const Measurement& Data() const { return data_; }
  FittingRange& Range() { return range_; }
  const FittingRange& Range() const { return range_; }

  double CorrelationCoefficient = 0;
  double LineX1 = 0, LineY1 = 0, LineX2 = 0, LineY2 = 0;
  double FitSlope = 0, FitIntercept = 0;
  std::vector<double> CurveTemperature, CurveConcentration;

 protected:
  // Slope, intercept, correlation and the line's ends exp(a*x + b) at the two ends of the
  // range; throws korv::Error, taking nothing, when an end leaves the range of numbers.
  void takeLine(const LineFit& fit);
  void clearLine();
  // The simulated curve on the grid from `first` below `limit`: n = Nc exp(-E/kT) at the
  // Fermi level where `residual(E, kT, Nc)` vanishes. Throws korv::Error (curve kept) for
  // a concentration that is not finite.
  void simulate(double first, double limit, const std::function<double(double E, double kT, double Nc)>& residual);
  // The result file's lines from `title` to the conditions of the analysis; and the
  // simulated curve that ends it.
  void writeHeadLines(TextFileWriter& w, const Analysis& a, const std::string& title, const std::string& fileLine,
                      double degeneracy) const;
  void writeCurveLines(TextFileWriter& w) const;
  // The fitted line "ln(`quantity`) = a*(1000/T) + b": slope, intercept, correlation, and
  // the level of the majority dopant.
  void writeLineLines(TextFileWriter& w, const std::string& quantity, double level) const;

  bool nType_ = true;
  double dosCoefficient_ = 0;
  Measurement data_;
  FittingRange range_;
};

class OneImpurityAnalysis : public RangeFitAnalysis {
 public:
  // Reads the record (PrepareWindow): coefficient, degeneracy, the whole range, no results.
  void Prepare(const Analysis& a);

  // The fit values and comments back to 0 and empty; the simulated curve stays.
  void ClearResults();
  // Least squares over the range; throws korv::Error (results cleared) when degenerate.
  void FitLine();
  // Level, density and comments from the fit; throws korv::Error for a density that is
  // not finite.
  void EvaluateImpurity();
  // FitLine, EvaluateImpurity and SimulateConcentration as one transaction: on an
  // error the results are cleared and the simulated curve is kept as it was.
  void Evaluate();
  // n(T) of one dopant without compensation from T_0 up to the last grid point below 1000 K.
  void SimulateConcentration();
  // Ionised dopants minus free carriers at the Fermi level E.
  double NeutralityResidual(double E, double kT, double Nc) const;

  // The lines of the *.CNO file to be saved as `path`.
  TextFileWriter CnoLines(const Analysis& a, const std::string& path);
  // Writes the *.CNO file; throws korv::Error naming the file and the reason. CnoFileName
  // changes only when the file was written.
  void WriteCnoFile(const Analysis& a, const std::string& path);

  double CoefficientA = 0;
  double DopantDegeneracy = 2;
  double ObtainedDensity = 0;
  double ObtainedLevel = 0;
  std::string CnoFileName;
  std::string Comment1, Comment2, Comment3;
};

}  // namespace korv::conventional
