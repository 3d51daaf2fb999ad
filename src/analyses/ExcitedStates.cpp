#include "analyses/ExcitedStates.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "core/Error.h"
#include "core/Numbers.h"

namespace korv::excited {

namespace {

// This window's own copies of the constants.
constexpr double kQ = 1.6021e-19;
constexpr double kBoltzmann = 1.38054e-23;
constexpr double kRydberg = 13.6;
constexpr int kHalvings = 14;
constexpr int kRatioBisections = 11;
constexpr int kFermiRounds = 15;

double KT(double temperature) { return kBoltzmann * temperature / kQ; }

// The excited-state sums of one temperature and level, scaled so that nothing overflows:
// with t_n = -(E - dE_n)/kT and m = max(0, t_2) (t_2 is the largest, dE_n falls with n),
// weight = exp(-m) + sum n^2 exp(t_n - m) = (1 + W) exp(-m), and E_ex the weighted mean.
// For the usual E > dE_2, m = 0 and the sums are the plain ones.
struct ExcitedSums {
  double averageEnergy;  // E_ex
  double weight;
  double shift;  // m
};

ExcitedSums Sums(double kT, double level, const double* levels, int r) {
  double shift = 0;
  if (r >= 2) shift = std::max(0.0, -(level - levels[1]) / kT);
  double w = 0, numerator = 0;
  for (int n = 2; n <= r; ++n) {
    const double d = level - levels[n - 1];
    const double term = n * n * std::exp(-d / kT - shift);
    w += term;
    numerator += term * d;
  }
  const double one = shift == 0 ? 1.0 : std::exp(-shift);
  return {numerator / (one + w), one + w, shift};
}

// The terms of the model at one grid point that do not depend on the level.
struct PointTerms {
  double kT;
  double prefactor;  // N_C' / kT
  double p;          // exp((E_F - Eref)/kT) = (N_C/n) exp(-Eref/kT)
  double q;          // exp(Eref/kT) n / N_C
};

struct Model {
  const Analysis& a;
  double g, eref, ncPrime;
  const double* levels;
  int r;

  PointTerms Terms(int j) const {
    const double T = a.SplineTemperature[j];
    const double n = a.SplineConcentration[j];
    const double kT = KT(T);
    const double nc = a.DosCoefficient * std::pow(T, 1.5);
    const double fermi = kT * std::log(nc / n);
    return {kT, ncPrime / kT, std::exp((fermi - eref) / kT), std::exp(eref / kT) * n / nc};
  }
  // The denominator of the model per unit density: exp((E_F - Eref)/kT) + g (1 + W) exp((E - E_ex - Eref)/kT).
  double Denominator(const PointTerms& t, double level) const {
    const ExcitedSums s = Sums(t.kT, level, levels, r);
    return t.p + g * s.weight * std::exp(s.shift + (level - s.averageEnergy - eref) / t.kT);
  }
  static double H(const PointTerms& t, double denominator, double ratio, double density) {
    return t.prefactor * (density / denominator - ratio * density * t.q);
  }
  double H(int j, double ratio, double density, double level) const {
    const PointTerms t = Terms(j);
    return H(t, Denominator(t, level), ratio, density);
  }
};

Model MakeModel(const Analysis& a, const ExcitedStates::Array& levels, int r) {
  const double ncPrime = a.DosCoefficient * std::pow(kQ / kBoltzmann, 1.5);
  return Model{a, a.DegeneracyFactor[0], a.Eref[0], ncPrime, levels.data(), r};
}

struct LevelSearch {
  double level = 0;
  bool valid = false;
  const char* message = "";
};

// The level whose model peak lies at tp. peak(level, k) answers the model peak
// temperature; k numbers the coarse candidates (0 for 1 meV), -1 marks a bisection step.
template <class Peak>
LevelSearch SearchLevel(double tp, Peak&& peak) {
  double lo = kLowestLevel, hi = kHighestLevel;
  if (tp < peak(lo, 0)) return {0, false, kShallowMessage};
  for (int k = 1;; ++k) {
    const double c = lo + kCoarseLevelStep;
    if (c >= hi) return {kHighestLevel, false, kDeepMessage};
    if (tp > peak(c, k)) {
      lo = c;
      continue;
    }
    hi = c;
    break;
  }
  double mid = 0;
  for (int i = 0; i < kHalvings; ++i) {
    mid = (lo + hi) * 0.5;
    if (tp >= peak(mid, -1))
      lo = mid;
    else
      hi = mid;
  }
  return {mid, true, kInRangeMessage};
}

// One fit (density, level, ratio) from start index s. `level(ratio)` runs a level search,
// `model(j, ratio, density, level)` the model H1.
template <class Level, class ModelH>
TrialResult Fit(int s, int p, double u, double hp, Level&& level, ModelH&& model) {
  TrialResult t;
  t.start = s;
  auto search = [&](double ratio) {
    ++t.ratioSteps;
    return level(ratio);
  };
  auto density = [&](double ratio, double e) { return hp / model(p, ratio, 1.0, e); };
  auto modelAtStart = [&](double ratio, double e) { return model(s, ratio, density(ratio, e), e); };

  LevelSearch last = search(0.0);
  if (!last.valid) {
    t.message = last.message;
    return t;
  }
  double c = 0;
  if (u > modelAtStart(0.0, last.level)) {
    // Negative ratio: decades outward, then a geometric bisection.
    double f = -1e-10, e = 0;
    for (;;) {
      e = 10 * f;
      if (!std::isfinite(e)) break;
      const LevelSearch l = search(e);
      if (l.valid && u > modelAtStart(e, l.level))
        f = e;
      else
        break;
    }
    for (int i = 0; i < kRatioBisections; ++i) {
      c = -std::sqrt(f * e);
      last = search(c);
      if (last.valid && u > modelAtStart(c, last.level))
        f = c;
      else
        e = c;
    }
    if (!last.valid) {
      c = f;
      last = search(c);
    }
  } else {
    double g0 = 1e-10, d = 0;
    for (;;) {
      d = 10 * g0;
      if (d > 0.9) break;
      const LevelSearch l = search(d);
      if (!l.valid || u >= modelAtStart(d, l.level)) break;
      g0 = d;
    }
    for (int i = 0; i < kRatioBisections; ++i) {
      c = std::sqrt(g0 * d);
      last = search(c);
      if (last.valid && u >= modelAtStart(c, last.level))
        d = c;
      else if (last.valid)
        g0 = c;
      else
        d = c;
    }
    if (!last.valid) {
      c = g0;
      last = search(c);
    }
  }
  t.level = last.level;
  t.density = density(c, last.level);
  t.compensatingDensity = c * t.density;
  t.valid = last.valid;
  t.message = last.message;
  t.succeeded = std::isfinite(t.level) && std::isfinite(t.density) && std::isfinite(t.compensatingDensity);
  if (!t.succeeded) t.valid = false;
  return t;
}

double ScanPeak(const Analysis& a, int j1, int j2, auto&& value) {
  double best = 0;
  double answer = a.SplineTemperature[j1];
  for (int j = j1; j <= j2; ++j) {
    const double v = value(j);
    if (v > best) {
      best = v;
      answer = a.SplineTemperature[j];
    }
  }
  return answer;
}

// The fast form of the trials of one r: level-free terms per grid point, shared by all
// trials, and the model rows (1 / denominator, density 1) of every level already scanned,
// reused by the later ratio steps of the trials with this r. The coarse candidates recur
// in every ratio step and the first steps of the level bisection mostly do. Each value is
// computed by the same expressions as Model::H, so the results are the same bits.
class FastTrials {
 public:
  FastTrials(const Model& model, const std::vector<PointTerms>& terms, int first, int last)
      : model_(model), terms_(terms), first_(first), last_(last) {}

  double Peak(int j1, int j2, double ratio, double level) {
    const std::vector<double>* row = Row(level);
    if (!row) {
      return ScanPeak(model_.a, j1, j2, [&](int j) {
        const PointTerms& t = terms_[j];
        return Model::H(t, model_.Denominator(t, level), ratio, 1.0);
      });
    }
    const double* r = row->data() - first_;
    return ScanPeak(model_.a, j1, j2, [&](int j) {
      const PointTerms& t = terms_[j];
      return t.prefactor * (r[j] - ratio * 1.0 * t.q);
    });
  }

 private:
  // At most this many rows are kept (about 1 700 points each on a 2 700-point grid).
  static constexpr std::size_t kMaxRows = 1500;

  const std::vector<double>* Row(double level) {
    const std::uint64_t key = std::bit_cast<std::uint64_t>(level);
    auto it = rows_.find(key);
    if (it != rows_.end()) return &it->second;
    if (rows_.size() >= kMaxRows) return nullptr;
    std::vector<double>& row = rows_[key];
    row.resize(last_ - first_ + 1);
    for (int j = first_; j <= last_; ++j) row[j - first_] = 1.0 / model_.Denominator(terms_[j], level);
    return &row;
  }

  const Model& model_;
  const std::vector<PointTerms>& terms_;
  int first_, last_;
  std::unordered_map<std::uint64_t, std::vector<double>> rows_;
};

}  // namespace

int ChooseTrial(const std::array<double, kTrialCount>& deviations) {
  int chosen = -1;
  double bound = 1e300;
  for (int i = 0; i < kTrialCount; ++i) {
    if (deviations[i] >= 0 && deviations[i] < bound) {
      bound = deviations[i];
      chosen = i;
    }
  }
  return chosen;
}

// ---- State ---------------------------------------------------------------------------

void ExcitedStates::Reset() {
  HighestLevel = 2;
  HydrogenicLevels.clear();
  AverageExcitedEnergyValue = 0;
  ExcitedDensity = ExcitedEnergyLevel = ExcitedCompensatingDensity = 0;
  ExcitedResultValid = false;
  LevelSearchMessage.clear();
  ExcitedSimulatedH.clear();
  ExcitedSimulatedConcentration.clear();
  ExcitedSimulatedFermiLevel.clear();
  FermiDiracConcentration.clear();
  FermiDiracFermiLevel.clear();
  TrialSimulatedH.assign(kTrialCount, Array{});
  TrialDeviation.fill(0);
  Trials.clear();
}

void ExcitedStates::CutArrays() {
  for (Array* a : {&ExcitedSimulatedH, &ExcitedSimulatedConcentration, &ExcitedSimulatedFermiLevel,
                   &FermiDiracConcentration, &FermiDiracFermiLevel})
    a->resize(1);
  for (Array& row : TrialSimulatedH) row.resize(1);
}

void ExcitedStates::CheckInputs() const {
  const Analysis& a = record_;
  if (!(a.DielectricConstant > 0) || !std::isfinite(a.DielectricConstant))
    throw korv::Error("The dielectric constant must be a positive number, not " + FormatGeneral(a.DielectricConstant) +
                      ".");
  if (!(a.EffectiveMass > 0) || !std::isfinite(a.EffectiveMass))
    throw korv::Error("The effective mass must be a positive number, not " + FormatGeneral(a.EffectiveMass) + ".");
  const int n = a.GridCount;
  if (n < 1 || static_cast<int>(a.SplineTemperature.size()) < n || static_cast<int>(a.SplineConcentration.size()) < n ||
      a.HValues.empty() || static_cast<int>(a.HValues[0].size()) < n || a.PeakIndex[0] < 0 || a.PeakIndex[0] >= n)
    throw korv::Error("The first analysis (H1) has no curve and peak to work on.");
}

// ---- Numerics ---------------------------------------------------------------------------

void ExcitedStates::ComputeHydrogenicLevels() {
  const Analysis& a = record_;
  HydrogenicLevels.assign(HighestLevel, 0.0);
  for (int n = 1; n <= HighestLevel; ++n)
    HydrogenicLevels[n - 1] = kRydberg * a.EffectiveMass / a.DielectricConstant / a.DielectricConstant / n / n;
}

double ExcitedStates::AverageExcitedEnergy(double kT, double level) {
  AverageExcitedEnergyValue = Sums(kT, level, HydrogenicLevels.data(), HighestLevel).averageEnergy;
  return AverageExcitedEnergyValue;
}

double ExcitedStates::OccupancyTerm(double kT, double fermiLevel, double level) const {
  // I = exp((E - E_F)/kT) / D = 1 / (exp((E_F - E)/kT) + g (1 + W) exp(-E_ex/kT)).
  const ExcitedSums s = Sums(kT, level, HydrogenicLevels.data(), HighestLevel);
  return 1.0 / (std::exp((fermiLevel - level) / kT) +
                record_.DegeneracyFactor[0] * s.weight * std::exp(s.shift - s.averageEnergy / kT));
}

double ExcitedStates::ExcitedModelH(int j, double ratio, double density, double level) const {
  return MakeModel(record_, HydrogenicLevels, HighestLevel).H(j, ratio, density, level);
}

double ExcitedStates::ExcitedModelPeakTemperature(int j1, int j2, double ratio, double level) const {
  const Model m = MakeModel(record_, HydrogenicLevels, HighestLevel);
  return ScanPeak(record_, j1, j2, [&](int j) { return m.H(j, ratio, 1.0, level); });
}

double ExcitedStates::FindLevelForPeak(int j1, int j2, double ratio) {
  const double tp = record_.SplineTemperature[record_.PeakIndex[0]];
  const LevelSearch l =
      SearchLevel(tp, [&](double level, int) { return ExcitedModelPeakTemperature(j1, j2, ratio, level); });
  ExcitedResultValid = l.valid;
  LevelSearchMessage = l.message;
  return l.level;
}

bool ExcitedStates::FitDopant(int start) {
  const Analysis& a = record_;
  const int p = a.PeakIndex[0];
  const int e = UpperEndIndex();
  const Model m = MakeModel(a, HydrogenicLevels, HighestLevel);
  const double tp = a.SplineTemperature[p];
  const TrialResult t = Fit(
      start, p, a.HValues[0][start], a.HValues[0][p],
      [&](double ratio) {
        return SearchLevel(tp, [&](double level, int) {
          return ScanPeak(a, start, e, [&](int j) { return m.H(j, ratio, 1.0, level); });
        });
      },
      [&](int j, double ratio, double density, double level) { return m.H(j, ratio, density, level); });
  ExcitedResultValid = t.valid;
  LevelSearchMessage = t.message;
  if (!t.succeeded) return false;
  ExcitedDensity = t.density;
  ExcitedEnergyLevel = t.level;
  ExcitedCompensatingDensity = t.compensatingDensity;
  return true;
}

int ExcitedStates::FirstGridIndexAtOrAbove(double temperature) const {
  const Analysis& a = record_;
  for (int j = 0; j < a.GridCount; ++j)
    if (a.SplineTemperature[j] >= temperature) return j;
  return a.GridCount - 1;
}

int ExcitedStates::UpperEndIndex() const {
  const Analysis& a = record_;
  const int p = a.PeakIndex[0];
  const Array& h = a.HValues[0];
  const int e = FirstGridIndexAtOrAbove(a.SplineTemperature[p] + 50.0);
  int o = p + 20;
  double last = h[p];
  while (o <= e) {
    if (h[o] >= last) break;
    last = h[o];
    o += 20;
  }
  return o - 20;
}

int ExcitedStates::LowerStartIndex() const {
  const Analysis& a = record_;
  const int p = a.PeakIndex[0];
  const Array& h = a.HValues[0];
  int n = p - 100 > 0 ? p - 100 : p - 20;
  double last = h[p];
  while (n >= 0) {
    const double v = h[n];
    if (v >= last) break;
    n = n - 1;
    if (v > 0) {
      last = v;
    } else {
      n = n + 1;
      break;
    }
  }
  return n < 0 ? 0 : n + 1;
}

bool ExcitedStates::AutomaticExcitedEvaluation(korv::Progress& progress, korv::Messages& messages, Method method) {
  CheckInputs();
  const Analysis& a = record_;
  const int p = a.PeakIndex[0];
  const int grid = a.GridCount;
  const Array& hexp = a.HValues[0];
  const double tp = a.SplineTemperature[p];
  const int s0 = LowerStartIndex();
  const double ts0 = a.SplineTemperature[s0];
  const int sA = FirstGridIndexAtOrAbove(ts0 + 0.2 * (tp - ts0));
  const int sB = FirstGridIndexAtOrAbove(ts0 + 0.4 * (tp - ts0));
  const int e = UpperEndIndex();

  // Every r from 2 to 10; trial i uses the first 2 + i div 2 of them.
  HighestLevel = kMaxHighestLevel;
  ComputeHydrogenicLevels();
  const Array levels = HydrogenicLevels;

  std::vector<TrialResult> results(kTrialCount);
  std::vector<Array> rows(kTrialCount);
  auto trialLevel = [](int i) { return 2 + i / 2; };
  auto trialStart = [&](int i) { return i % 2 == 0 ? sA : sB; };
  auto fillRow = [&](int i, auto&& model) {
    const TrialResult& t = results[i];
    if (!t.succeeded) return;
    Array row(grid);
    const double ratio = t.compensatingDensity / t.density;
    for (int j = 0; j < grid; ++j) {
      row[j] = model(j, ratio, t.density, t.level);
      if (!std::isfinite(row[j])) {
        results[i].succeeded = false;
        results[i].valid = false;
        return;
      }
    }
    rows[i] = std::move(row);
  };

  progress.Show(korv::ProgressBar::Main, 54);
  progress.Show(korv::ProgressBar::Detailed, 23);
  // Shows trial i as done: its progress steps and, when it failed, its message.
  auto report = [&](int i) {
    progress.Step(korv::ProgressBar::Main, 2);
    progress.Show(korv::ProgressBar::Detailed, 23);
    progress.Step(korv::ProgressBar::Detailed, results[i].ratioSteps);
    if (!results[i].succeeded) messages.Error(kTrialFailedMessage);
  };

  if (method == Method::Straightforward) {
    for (int i = 0; i < kTrialCount; ++i) {
      HighestLevel = trialLevel(i);
      ComputeHydrogenicLevels();
      const Model m = MakeModel(a, HydrogenicLevels, HighestLevel);
      const int s = trialStart(i);
      results[i] = Fit(
          s, p, hexp[s], hexp[p],
          [&](double ratio) {
            return SearchLevel(tp, [&](double level, int) {
              return ScanPeak(a, s, e, [&](int j) { return m.H(j, ratio, 1.0, level); });
            });
          },
          [&](int j, double ratio, double density, double level) { return m.H(j, ratio, density, level); });
      results[i].highestLevel = HighestLevel;
      fillRow(i, [&](int j, double ratio, double density, double level) { return m.H(j, ratio, density, level); });
      report(i);
    }
  } else {
    const Model all = MakeModel(a, levels, kMaxHighestLevel);
    std::vector<PointTerms> terms(grid);
    for (int j = 0; j < grid; ++j) terms[j] = all.Terms(j);
    const int first = std::min(sA, sB);
    // The trials of one r (a pair: start sA, then sB) share one cache.
    auto runPair = [&](int pair, auto&& finished) {
      Model m = all;
      m.r = 2 + pair;
      FastTrials fast(m, terms, first, std::max(e, first));
      auto modelH = [&](int j, double ratio, double density, double level) {
        const PointTerms& t = terms[j];
        return Model::H(t, m.Denominator(t, level), ratio, density);
      };
      for (int i = 2 * pair; i <= 2 * pair + 1; ++i) {
        const int s = trialStart(i);
        results[i] = Fit(
            s, p, hexp[s], hexp[p],
            [&](double ratio) {
              return SearchLevel(tp, [&](double level, int) { return fast.Peak(s, e, ratio, level); });
            },
            modelH);
        results[i].highestLevel = m.r;
        fillRow(i, modelH);
        finished(i);
      }
    };
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores < 2) {
      for (int pair = 0; pair < kTrialCount / 2; ++pair) runPair(pair, report);
    } else {
      // Two workers take the pairs in order; this thread reports the trials in order as
      // they become ready, so the progress window and the messages keep their sequence.
      std::mutex mutex;
      std::condition_variable ready;
      std::array<bool, kTrialCount> done{};
      std::atomic<int> nextPair{0};
      std::exception_ptr failure;
      auto worker = [&] {
        try {
          for (int pair = nextPair++; pair < kTrialCount / 2; pair = nextPair++)
            runPair(pair, [&](int i) {
              std::lock_guard<std::mutex> lock(mutex);
              done[i] = true;
              ready.notify_all();
            });
        } catch (...) {
          std::lock_guard<std::mutex> lock(mutex);
          if (!failure) failure = std::current_exception();
          nextPair = kTrialCount;
          done.fill(true);
          ready.notify_all();
        }
      };
      std::thread helper(worker);
      std::thread second(worker);
      for (int i = 0; i < kTrialCount; ++i) {
        {
          std::unique_lock<std::mutex> lock(mutex);
          ready.wait(lock, [&] { return done[i]; });
          if (failure) break;
        }
        report(i);
      }
      helper.join();
      second.join();
      if (failure) {
        progress.Close(korv::ProgressBar::Detailed);
        progress.Close(korv::ProgressBar::Main);
        std::rethrow_exception(failure);
      }
    }
  }

  // Deviation of each usable trial from the measured H1 between s0 and the peak.
  for (int i = 0; i < kTrialCount; ++i) {
    TrialResult& t = results[i];
    if (!t.succeeded) {
      t.deviation = -1;
      continue;
    }
    progress.Step(korv::ProgressBar::Main, 1);
    double sum = 0;
    int count = 0;
    for (int j = s0; j <= p; j += 2) {
      if (rows[i][j] > 0) {
        const double d = rows[i][j] - hexp[j];
        sum += d * d;
        ++count;
      }
    }
    t.deviation = std::sqrt(sum) / count;
  }
  Trials = results;
  TrialSimulatedH = rows;
  for (int i = 0; i < kTrialCount; ++i) TrialDeviation[i] = results[i].deviation;
  const int chosen = ChooseTrial(TrialDeviation);
  // Level table of the largest r; its first r entries are those of any trial.
  HighestLevel = kMaxHighestLevel;
  HydrogenicLevels = levels;
  if (chosen < 0) {
    ExcitedResultValid = false;
    messages.Error(kTrialFailedMessage);
    progress.Close(korv::ProgressBar::Detailed);
    progress.Close(korv::ProgressBar::Main);
    return false;
  }
  const TrialResult& k = results[chosen];
  ExcitedDensity = k.density;
  ExcitedEnergyLevel = k.level;
  ExcitedCompensatingDensity = k.compensatingDensity;
  ExcitedSimulatedH = rows[chosen];
  ExcitedResultValid = k.valid;
  LevelSearchMessage = k.message;
  HighestLevel = trialLevel(chosen);
  progress.Close(korv::ProgressBar::Detailed);
  progress.Close(korv::ProgressBar::Main);
  return true;
}

namespace {

// Bisection for the Fermi level on [0, 1.5] eV: the last midpoint of at most 15 rounds.
template <class Residual>
double SolveFermiLevel(Residual&& residual) {
  double lo = 0, hi = 1.5, mid = 0;
  for (int i = 0; i < kFermiRounds; ++i) {
    mid = (lo + hi) * 0.5;
    const double rl = residual(lo);
    const double rm = residual(mid);
    if (rm == 0) break;
    if (rl * rm > 0)
      lo = mid;
    else
      hi = mid;
  }
  return mid;
}

}  // namespace

void ExcitedStates::SimulateExcitedConcentration() {
  const Analysis& a = record_;
  const int grid = a.GridCount;
  const double g = a.DegeneracyFactor[0];
  const double density = ExcitedDensity, level = ExcitedEnergyLevel, comp = ExcitedCompensatingDensity;
  ExcitedSimulatedConcentration.assign(grid, 0.0);
  ExcitedSimulatedFermiLevel.assign(grid, 0.0);
  for (int j = 0; j < grid; ++j) {
    const double T = a.SplineTemperature[j];
    const double kT = KT(T);
    const double nc = a.DosCoefficient * std::pow(T, 1.5);
    const ExcitedSums s = Sums(kT, level, HydrogenicLevels.data(), HighestLevel);
    // D(x) = 1 + g (1 + W) exp((E - E_ex - x)/kT)
    const double fermi = SolveFermiLevel([&](double x) {
      const double d = 1.0 + g * s.weight * std::exp(s.shift + (level - s.averageEnergy - x) / kT);
      return density / d - (nc * std::exp(-x / kT) + comp);
    });
    ExcitedSimulatedFermiLevel[j] = fermi;
    ExcitedSimulatedConcentration[j] = nc * std::exp(-fermi / kT);
  }
}

void ExcitedStates::SimulateFermiDiracConcentration(korv::Progress& progress) {
  const Analysis& a = record_;
  const int grid = a.GridCount;
  const double g = a.DegeneracyFactor[0];
  const double density = a.Density[0], level = a.EnergyLevel[0], comp = a.TemporaryCompensatingDensity[0];
  FermiDiracConcentration.assign(grid, 0.0);
  FermiDiracFermiLevel.assign(grid, 0.0);
  progress.Show(korv::ProgressBar::Main, grid);
  for (int j = 0; j < grid; ++j) {
    const double T = a.SplineTemperature[j];
    const double kT = KT(T);
    const double nc = a.DosCoefficient * std::pow(T, 1.5);
    const double fermi = SolveFermiLevel(
        [&](double x) { return density / (1.0 + g * std::exp((level - x) / kT)) - (nc * std::exp(-x / kT) + comp); });
    FermiDiracFermiLevel[j] = fermi;
    FermiDiracConcentration[j] = nc * std::exp(-fermi / kT);
    progress.Step(korv::ProgressBar::Main, 1);
  }
  progress.Close(korv::ProgressBar::Main);
}

}  // namespace korv::excited
