// Bounded least-squares fit of the measured majority-carrier concentration in relative
// deviations: the residuals are r_i = ln n_sim(T_i) - ln n_i, so every decade of the
// freeze-out range weighs as much as the saturation range.
//
// Model (charge neutrality, non-degenerate band, energies from the majority band edge):
//   n + N_comp = sum_j N_j / (1 + g_j n / n1_j),   n1_j = Nc(T) exp(-E_j / kT),
//   Nc(T) = DosCoefficient * T^1.5.
// It is solved for ln n to full double precision at every temperature.
//
// The fitted parameters are the densities and levels of the dopants and the compensating
// density, under the bounds 0 < E_j < 1.5 eV, N_j > 0 and 0 <= N_comp < sum N_j. The fit works
// on transformed parameters that cannot leave these bounds: ln N_j, a logistic map of E_j/1.5 eV
// and a logistic map of the compensating fraction N_comp / sum N_j. GSL's trust-region
// Levenberg-Marquardt with geodesic acceleration does the minimisation.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korv::analyses {

// The upper bound of the levels: the range the Fermi-level bisections of KORV cover.
inline constexpr double kRelativeFitMaxLevel = 1.5;

struct RelativeDopant {
  double density = 0;  // cm^-3
  double level = 0;    // eV from the majority band edge
  double g = 2;        // degeneracy factor, never fitted
};

struct RelativeFitInput {
  std::vector<double> temperature;    // K, the fit points of the chosen range
  std::vector<double> concentration;  // cm^-3, > 0
  double dosCoefficient = 0;          // Nc = dosCoefficient * T^1.5
  std::vector<RelativeDopant> dopants;
  double compensatingDensity = 0;
};

// One finding of the resolution check.
struct UnresolvedLevel {
  int first = -1;   // dopant index
  int second = -1;  // the other level of a pair closer than 3 kT, or -1 for a single level
  std::string reason;
  // The level is hardly ionised anywhere in the fit range: it holds no carriers there, so
  // Merge removes it instead of adding its density to a neighbour.
  bool hardlyIonised = false;
};

struct RelativeFitResult {
  bool ok = false;
  std::string message;  // why the fit could not be carried out, when !ok
  std::vector<RelativeDopant> dopants;
  double compensatingDensity = 0;
  // Standard errors of the physical parameters; empty where they cannot be computed
  // (M <= P, or a singular covariance).
  std::vector<std::optional<double>> densityError, levelError;
  std::optional<double> compensatingError;
  double deviationBefore = 0;         // sum of r_i^2 at the start
  double deviationAfter = 0;          // sum of r_i^2 at the end
  std::optional<double> reducedChi2;  // deviationAfter / (M - P)
  int iterations = 0;
  int merges = 0;                    // levels merged by FitRelativeMerging
  bool compensationAtBound = false;  // the compensating fraction ran to 0 or 1
  std::vector<UnresolvedLevel> unresolved;
};

// ln n of the model at one temperature, to full double precision. The compensating density
// must lie below the sum of the densities; throws korv::Error otherwise.
double ModelLogConcentration(double temperature, double dosCoefficient, const std::vector<RelativeDopant>& dopants,
                             double compensatingDensity);

// The fit from the entered values. Never throws for numerical reasons: a fit that cannot be
// carried out returns ok = false with a message, and no non-finite value.
RelativeFitResult FitRelative(const RelativeFitInput& input);

// A level whose density is below 1e-3 of the largest, two levels closer than 3 kT at the
// lowest fit temperature, and a level that ran to a bound are not resolved by the data.
// With `maxIonised` (per level, the largest ionised fraction over the fit points) a level
// whose fraction stays below 1e-3 everywhere is not resolved either: only the product of its
// density and e^(-E/kT) reaches the data. Such a level does not count as the largest.
std::vector<UnresolvedLevel> CheckResolution(const std::vector<RelativeDopant>& dopants, double lowestTemperature,
                                             const std::vector<double>& maxIonised = {});

// Replaces the levels of one finding by one: densities added, level density-weighted,
// the degeneracy factor of the denser. A single level is merged into the nearest other
// level; a hardly ionised one is removed; with no other level it is kept. Returns the new,
// level-sorted dopant list.
std::vector<RelativeDopant> MergeUnresolved(const std::vector<RelativeDopant>& dopants, const UnresolvedLevel& finding);

// The compensating density kept for a fit after a merge: a removed level may leave the sum
// of the densities below it, and then half the sum is taken.
double CompensationBelow(const std::vector<RelativeDopant>& dopants, double compensatingDensity);

// Fits, then merges the first unresolved finding and fits again, until every level is
// resolved or one level is left (at most as many rounds as there are dopants).
RelativeFitResult FitRelativeMerging(RelativeFitInput input);

}  // namespace korv::analyses
