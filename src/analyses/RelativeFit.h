// Bounded least-squares fit of the measured majority-carrier concentration in relative
// deviations: the residuals are r_i = ln n_sim(T_i) - ln n_i, so every decade of the
// freeze-out range weighs as much as the saturation range.
//
// Model (charge neutrality, energies from the majority band edge, eta = (E_F - E_C)/kT):
//   n + N_comp = sum_j N_j / (1 + g_j(T) e^(eta + E_j/kT)),   Nc(T) = DosCoefficient * T^1.5,
//   n = Nc F_1/2(eta) (Fermi-Dirac statistics) or Nc e^eta (Boltzmann, the non-degenerate limit),
//   g_j(T) = g_j (1 + sum_{r=2}^{r_max} r^2 e^(-(E_j - Ry*/r^2)/kT)) with hydrogen-like excited
//   states (the states shallower than the ground state only), g_j without them.
// It is solved for eta to full double precision at every temperature, without overflow.
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

enum class Statistics { Boltzmann, FermiDirac };
// How an excited state r >= 2 is weighed: g r^2 (the ground state's g times the hydrogenic
// r^2) or r^2 alone.
enum class ExcitedWeight { GroundTimesR2, R2 };

// The excited-state choice of one level: off (0), r_max = 2 .. kMaxExcited, or chosen by the fit.
inline constexpr int kExcitedAuto = -1;
inline constexpr int kMaxExcited = 10;

inline constexpr double kRydbergEnergy = 13.605693;  // eV
inline constexpr double kBohrRadius = 0.0529177;     // nm

// Ry* = 13.605693 eV m*/eps^2 and a* = 0.0529177 nm eps/m*; 0 unless both are positive.
double EffectiveRydberg(double mass, double dielectricConstant);
double EffectiveBohrRadius(double mass, double dielectricConstant);

// The normalised complete Fermi-Dirac integral of order 1/2, as ln F_1/2(eta), for any eta;
// `derivative` (optional) receives d ln F_1/2 / d eta = F_-1/2 / F_1/2.
double LogFermiHalf(double eta, double* derivative = nullptr);

struct RelativeDopant {
  double density = 0;  // cm^-3
  double level = 0;    // eV from the majority band edge
  double g = 2;        // degeneracy factor, never fitted
  int excited = 0;     // r_max of the hydrogen-like excited states; 0 (or 1) for none
};

// Everything the forward model needs besides the dopants and the compensating density.
struct ModelPhysics {
  Statistics statistics = Statistics::Boltzmann;
  double rydberg = 0;  // Ry* in eV; 0: no excited states
  ExcitedWeight excitedWeight = ExcitedWeight::GroundTimesR2;
};

// The forward model n(T) as one call, for scripts: the dopants (density, level, g and r_max of
// their excited states), the compensating density, Nc = dosCoefficient * T^1.5, the
// material's density-of-states mass and dielectric constant (for Ry*) and the statistics.
struct ForwardModel {
  std::vector<RelativeDopant> dopants;
  double compensatingDensity = 0;
  double dosCoefficient = 0;
  double mass = 0;
  double dielectricConstant = 0;
  Statistics statistics = Statistics::FermiDirac;
  ExcitedWeight excitedWeight = ExcitedWeight::GroundTimesR2;
};

// n(T) in cm^-3 at each temperature (0 where it underflows a double). Throws korv::Error for
// a model outside the physical range or a temperature not above 0.
std::vector<double> SimulateConcentration(const ForwardModel& model, const std::vector<double>& temperatures);

struct RelativeFitInput {
  std::vector<double> temperature;    // K, the fit points of the chosen range
  std::vector<double> concentration;  // cm^-3, > 0
  double dosCoefficient = 0;          // Nc = dosCoefficient * T^1.5
  std::vector<RelativeDopant> dopants;
  double compensatingDensity = 0;
  // The model: statistics, Ry* and the excited-state weights. Each dopant's `excited` is used
  // by FitRelative as given; FitRelativeGlobal takes the choices from `excited` below.
  ModelPhysics physics;

  // For FitRelativeGlobal only.
  double mass = 0;                // density-of-states mass over m0, for Ry* and a*
  double dielectricConstant = 0;  // for Ry* and a*
  std::vector<int> excited;       // per dopant: kExcitedAuto, 0 or r_max; missing ones auto
  int starts = 12;                // the fixed starts of the global search besides the entered one
  bool autoLevels = true;         // the number of levels by the lowest BIC
  int levels = 0;                 // without autoLevels: this many levels (0: as many as entered)
  int threads = 2;                // worker threads; the result does not depend on them
};

enum class FindingKind {
  Resolution,   // the findings Merge acts on
  Correlation,  // two parameters with |correlation| > 0.995
  Balanced,     // a shallow level balanced by compensation
  Runs,         // the residuals run in long runs of one sign
  Orbit,        // the excited-state orbit reaches the neighbouring dopants
};

// One finding of the resolution check.
struct UnresolvedLevel {
  int first = -1;   // dopant index
  int second = -1;  // the other level of a pair closer than 3 kT, or -1 for a single level
  std::string reason;
  // The level is hardly ionised anywhere in the fit range: it holds no carriers there, so
  // Merge removes it instead of adding its density to a neighbour.
  bool hardlyIonised = false;
  FindingKind kind = FindingKind::Resolution;
  // A correlation finding: the two parameters ("density", "energy_level" of `first` and
  // `second`, or "compensating_density", which belongs to no level).
  std::vector<std::string> parameters;
};

// One candidate number of levels of FitRelativeGlobal.
struct LevelCandidate {
  int levels = 0;
  double S = 0;
  std::optional<double> reducedChi2;
  double bic = 0;
  bool chosen = false;
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

  ModelPhysics physics;
  std::optional<double> bic;  // M ln(S/M) + P ln M
  // The global search: starts tried and how many reached the lowest S (within 1e-6 relative).
  int startsTried = 1, startsAgreeing = 1;
  std::vector<LevelCandidate> candidates;  // FitRelativeGlobal with automatic levels
  std::vector<std::string> notices;        // what was moved into the bounds, and the like
  // Per level, with excited states: the orbit r_max^2 a* and the Wigner-Seitz radius
  // (3/(4 pi N))^(1/3), in nm; empty without excited states.
  std::vector<std::optional<double>> orbitRadius, wignerSeitzRadius;
  // The correlation matrix of the physical parameters [N_1..N_L, E_1..E_L, N_comp], row-major;
  // empty where the standard errors cannot be computed.
  std::vector<double> correlation;
  // ln n_sim - ln n at each fit point.
  std::vector<double> residualTemperature, residual;
};

// ln n of the model at one temperature, to full double precision. The compensating density
// must lie below the sum of the densities; throws korv::Error otherwise.
// `eta` (optional) receives (E_F - E_C)/kT.
double ModelLogConcentration(double temperature, double dosCoefficient, const std::vector<RelativeDopant>& dopants,
                             double compensatingDensity, const ModelPhysics& physics = {}, double* eta = nullptr);

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

// The fit a physicist can trust on any sample: the entered values moved into the bounds (with
// a notice), a deterministic global search of `starts` fixed starts besides the entered one
// (run on `threads` threads), the excited states of each level chosen by the lowest S where
// asked for, and with `autoLevels` the number of levels K = 1 .. max(3, entered) by the lowest
// BIC. Adds the correlation, compensation-balance, runs and orbit findings. Never throws for
// numerical reasons.
RelativeFitResult FitRelativeGlobal(const RelativeFitInput& input);

// The further findings of an adjusted fit (correlation, balance, runs, orbit), as
// FitRelativeGlobal adds them.
std::vector<UnresolvedLevel> FurtherFindings(const RelativeFitResult& fit, double largestConcentration);

// A runs test on the signs of the residuals: true when there are fewer runs than chance
// allows at the 1 % level (one-sided, normal approximation).
bool TooFewRuns(const std::vector<double>& residuals);

}  // namespace korv::analyses
