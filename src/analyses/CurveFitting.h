// Curve fitting: fine adjustment of the dopant densities, levels and the compensating
// density against the measured majority-carrier concentration. The model is charge
// neutrality: the ionised dopants balance the free carriers and the compensating density,
// the Fermi level found by bisection on [0, 1.5] eV. The fit is a damped Gauss-Newton
// iteration on the sum of squared deviations of the concentrations.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Ports.h"

namespace korv::curvefit {

// One dopant: level (eV below the majority band edge), density (cm^-3), degeneracy
// factor (never fitted) and whether it takes part in the fit.
struct Dopant {
  double density = 0;
  double level = 0;
  double g = 1.0;
  bool checked = true;
  int excited = 0;  // r_max of the excited states the relative fit chose; 0 for none
};

// A parameter set: the dopants in their rows and the compensating density.
struct FitParameters {
  std::vector<Dopant> dopants;
  double compensatingDensity = 0;
  // The checked dopants only, in row order: the set that is simulated and stepped.
  FitParameters Packed() const;
  // P = 2L + 1 with L the number of dopants: compensating density, densities, levels.
  int ParameterCount() const { return 2 * static_cast<int>(dopants.size()) + 1; }
};

// Values and standard errors of an adjusted set, in the order of the parameter vector
// (compensating density, densities, levels). An error is empty where it cannot be computed.
struct FitResult {
  FitParameters adjusted;
  std::vector<std::optional<double>> standardErrors;
  double deviationBefore = 0;
  double deviationAfter = 0;
  int acceptedSteps = 0;
  bool stepRejected = false;  // false: the step limit ended the iteration
  // The last accepted step changed the deviation by less than kConvergedChange relative: the
  // set lies at a minimum, where the standard errors mean something. Otherwise they are empty.
  bool converged = false;
};

inline constexpr double kConvergedChange = 1e-6;
// Shown instead of the standard errors of a fit that has not converged.
inline constexpr const char* kNotConverged = "not converged: press Curve Fitting again or use the relative fit";

// The density of states of the sample: Nc = dosCoefficient * T^1.5.
struct Model {
  double dosCoefficient = 0;
};

// The measured points the fit is made against (1000/T on the charts).
struct FitPoints {
  std::vector<double> temperature, concentration;
  int Count() const { return static_cast<int>(temperature.size()); }
};

// Index range [low, high] into the fit points.
struct FitRange {
  int low = 0, high = 0;
  int Count() const { return high - low + 1; }
};

inline constexpr double kDopantThreshold = 10;         // a simulation slot above this is a dopant
inline constexpr double kReliabilityThreshold = 0.95;  // a point above this is a fit point
inline constexpr double kUpperLevel = 1.5;             // the bisection covers levels 0 .. 1.5 eV
inline constexpr int kFermiBisections = 15;
inline constexpr int kMaxSteps = 100;
inline constexpr double kDefaultWeight = 0.1;

inline constexpr const char* kSimulationFailed =
    "Concentrations corresponding to experimental temperatures could not be simulated.";
inline constexpr const char* kFitFailed = "Curve fitting could not be carried out.";
inline constexpr const char* kOutsideDomain =
    "The entered values lie outside the physical range: densities above 0, compensating density not below 0, levels "
    "between 0 and 1.5 eV.";

// Measured points with reliability strictly above 0.95 (and a positive temperature), in
// measurement order.
FitPoints SelectFitPoints(const Analysis& a);
// The simulation inputs with SimDensity above 10, at most three, sorted by ascending level
// (equal levels keep their order); every dopant checked.
FitParameters StartingParameters(const Analysis& a);

// Densities above 0, compensating density not below 0, levels strictly inside (0, 1.5) eV,
// all finite. Only the dopants of `p` count (pack first).
bool InDomain(const FitParameters& p);

// The Fermi level at T for the dopants of `p` (all of them; pack first): 15 bisections on
// [0, 1.5] eV of the charge balance.
double SolveFermiLevel(const Model& m, const FitParameters& p, double T);

struct Simulated {
  std::vector<double> concentration, fermiLevel;
};
// The concentration and Fermi level at each temperature. Throws korv::Error (kSimulationFailed)
// when a value is not finite. Reports one step per temperature to `progress` when given.
Simulated Simulate(const Model& m, const FitParameters& p, const std::vector<double>& temperatures,
                   korv::Progress* progress = nullptr);
// The simulation at the fit points of the range.
Simulated SimulateAtFitPoints(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r);
// Sum over the range of (n_sim - n_meas)^2 in absolute concentrations.
double SquaredDeviation(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r);

// Rows over the range points, P columns: derivatives of the ionised-dopant balance at the
// fixed Fermi level of each point.
using Matrix = std::vector<std::vector<double>>;
Matrix Jacobian(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r);

// One damped Gauss-Newton step with weight w: normal equations J^T J delta = -J^T (n_sim - n_meas)
// solved by elimination without pivoting. Throws korv::Error (kFitFailed) for a singular or
// non-finite system.
FitParameters GaussNewtonStep(const Model& m, const FitParameters& p, const FitPoints& pts, FitRange r, double w);

// sqrt(diag((J^T J)^-1)) * s with s^2 = S / (M - P); empty entries for M <= P or a singular J^T J.
std::vector<std::optional<double>> StandardErrors(const Matrix& jacobian, double deviation);

// At most `maxSteps` Gauss-Newton steps from `entered` (packed): a step is accepted only when it
// lowers the deviation and stays in the domain; the first other step ends the iteration.
// Throws korv::Error (kOutsideDomain) when `entered` itself lies outside the domain, and the
// messages above when a simulation or a step cannot be computed.
FitResult Fit(const Model& m, const FitParameters& entered, const FitPoints& pts, FitRange r, double w,
              int maxSteps = kMaxSteps);

// What the *.cft file holds beyond the record.
struct CftContents {
  double weight = kDefaultWeight;
  int fittingCounter = 1;
  double lowTemperature = 0, highTemperature = 0;
  FitParameters entered;  // up to three rows; missing rows are written as 0
  std::vector<double> gridConcentration, gridFermiLevel;
  // The adjusted set comes from the bounded fit in relative deviations: the heading of the
  // adjusted block says so.
  bool relative = false;
  // With the relative fit: what its heading adds after "bounded" (the statistics and the
  // excited-state choice), and the lines of the block after the grid (each without its "% ").
  std::string relativeModel;
  std::vector<std::string> trailer;
};
// Writes the *.cft file atomically. Throws korv::Error when the arrays do not cover the grid or
// the file cannot be written.
void WriteCftFile(const std::string& path, const Analysis& a, const CftContents& c);

}  // namespace korv::curvefit
