// Re-evaluation of the first level (H1) with the excited states of a hydrogen-like
// dopant: the hydrogen-like levels, the occupancy with excited states, the model H1 and
// its peak, the fit of density, level and compensation, the automatic evaluation of 18
// trials, the simulations with excited states and with Fermi-Dirac statistics, and the
// *.simN and *.exc files. The window keeps these results; the record is only read.
//
// The model is evaluated in a rearranged form that cannot overflow for any level in
// [0, 1.5] eV: with W = sum n^2 exp(-(E - dE_n)/kT) and E_F the Fermi level of the
// interpolated concentration,
//   N exp(-E/kT) exp(Eref/kT) I = N / (exp((E_F - Eref)/kT) + g (1 + W) exp((E - E_ex - Eref)/kT)),
// which equals the textbook product exp(-E/kT) exp(Eref/kT) exp((E - E_F)/kT) / D.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Ports.h"

namespace korv::excited {

inline constexpr int kTrialCount = 18;
inline constexpr int kMaxHighestLevel = 10;
inline constexpr double kLowestLevel = 0.001;     // eV
inline constexpr double kHighestLevel = 1.5;      // eV
inline constexpr double kCoarseLevelStep = 0.01;  // eV

inline constexpr const char* kShallowMessage = "The energy level might be shallower than 1 meV";
inline constexpr const char* kDeepMessage = "The energy level might be deeper than 1500 meV";
inline constexpr const char* kInRangeMessage = "The energy level is between 1 meV and 1500 meV";
inline constexpr const char* kTrialFailedMessage = "The density and energy level could not be evaluated.";
inline constexpr const char* kEvaluationFailedMessage = "First density and energy level could not be evaluated.";

// How the automatic evaluation is computed. Both give the same bits: Fast keeps the
// per-grid-point terms, reuses the model rows of the coarse level candidates across the
// ratio steps of a trial and runs the trials on two threads.
enum class Method { Straightforward, Fast };

// What one trial of the automatic evaluation found.
struct TrialResult {
  int highestLevel = 2;  // r
  int start = 0;         // start index of the fit
  bool succeeded = false;
  bool valid = false;   // its last level search lay between 1 meV and 1500 meV
  std::string message;  // that search's message
  double density = 0, level = 0, compensatingDensity = 0;
  double deviation = -1;  // -1: failed; not a number: no positive model point to compare
  int ratioSteps = 0;     // steps of the ratio search (the detailed progress bar)
};

// The trial with the smallest deviation among those with a deviation of 0 or more; a later
// trial replaces the choice only when strictly smaller, so ties go to the lower number.
// -1 when none qualifies.
int ChooseTrial(const std::array<double, kTrialCount>& deviations);

class ExcitedStates {
 public:
  using Array = std::vector<double>;

  explicit ExcitedStates(const Analysis& record) : record_(record) {}

  // ---- Window state ----------------------------------------------------------------
  int HighestLevel = 2;
  Array HydrogenicLevels;
  double AverageExcitedEnergyValue = 0;  // E_ex at the temperature last evaluated
  double ExcitedDensity = 0;
  double ExcitedEnergyLevel = 0;
  double ExcitedCompensatingDensity = 0;
  bool ExcitedResultValid = false;
  std::string LevelSearchMessage;
  Array ExcitedSimulatedH;
  Array ExcitedSimulatedConcentration;
  Array ExcitedSimulatedFermiLevel;
  Array FermiDiracConcentration;
  Array FermiDiracFermiLevel;
  std::vector<Array> TrialSimulatedH;
  std::array<double, kTrialCount> TrialDeviation{};
  std::vector<TrialResult> Trials;  // the last automatic evaluation, trial by trial
  std::string SimNFileName;
  std::string ExcFileName;

  // Results and arrays back to their state at start (the window's prepare step).
  void Reset();
  // The closing step: arrays cut to length 1, results kept.
  void CutArrays();

  // Throws korv::Error unless the dielectric constant and the effective mass are positive
  // and the H1 stage (grid, curve, peak) is there to work on.
  void CheckInputs() const;

  // ---- Numerics (each reads the record and the window state) ---------------------
  void ComputeHydrogenicLevels();
  double AverageExcitedEnergy(double kT, double level);
  double OccupancyTerm(double kT, double fermiLevel, double level) const;
  double ExcitedModelH(int j, double ratio, double density, double level) const;
  double ExcitedModelPeakTemperature(int j1, int j2, double ratio, double level) const;
  double FindLevelForPeak(int j1, int j2, double ratio);
  bool FitDopant(int start);
  int FirstGridIndexAtOrAbove(double temperature) const;
  int LowerStartIndex() const;
  int UpperEndIndex() const;
  bool AutomaticExcitedEvaluation(korv::Progress& progress, korv::Messages& messages, Method method = Method::Fast);
  void SimulateExcitedConcentration();
  void SimulateFermiDiracConcentration(korv::Progress& progress);

  // ---- Files ------------------------------------------------------------------------
  // *.simN with the Fermi-Dirac curve given (the one the window shows on its first tab).
  bool WriteSimNFile(const std::string& path, const Array& concentration, const Array& fermiLevel) const;
  // *.exc; computes the E_ex row first. Throws korv::Error when the file cannot be written.
  bool WriteExcFile(const std::string& path);

  const Analysis& Record() const { return record_; }

 private:
  const Analysis& record_;
};

}  // namespace korv::excited
