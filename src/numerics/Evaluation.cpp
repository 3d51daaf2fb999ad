// Evaluation of one H analysis: five check points on the low-temperature flank of
// the peak each give a candidate fit of level, density and compensation; the
// candidate whose simulated H follows the calculated H best is adopted. Once the
// compensating density is fixed, a later level is placed by its peak alone.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Snapshot.h"
#include "numerics/LevelFit.h"

using korv::levelfit::checked;
using korv::levelfit::step;
using korv::phys::K_BOLTZMANN;
using korv::phys::Q_ELEMENTARY;

namespace {

const char* const NOT_EVALUATED = "The density and energy level could not be evaluated.";
const char* const H_FAILED = "Calculation of H could not be carried out.";

// Everything an evaluation may write, so that a fault half-way restores the record.
using EvaluationSnapshot =
    korv::Snapshot<&Analysis::LowestKT, &Analysis::CompensatingDensity, &Analysis::ExpErefOverKT, &Analysis::NcOverN,
                   &Analysis::KT, &Analysis::NcFactor, &Analysis::Nc, &Analysis::Density, &Analysis::PeakDensity,
                   &Analysis::EnergyLevel, &Analysis::PeakEnergyLevel, &Analysis::TemporaryCompensatingDensity,
                   &Analysis::CheckTemperature, &Analysis::CheckIndex, &Analysis::CandidateDeviation,
                   &Analysis::CandidateFlags, &Analysis::CompensationAnalysis, &Analysis::LevelInRange,
                   &Analysis::EvaluationFinished, &Analysis::RecalculationRequested, &Analysis::ScaledCompensation,
                   &Analysis::LevelRangeMessage, &Analysis::AdoptedLevelRangeMessage, &Analysis::SimulatedH,
                   &Analysis::ModelH, &Analysis::CandidateSimulatedH, &Analysis::EvaluationSaveRow,
                   &Analysis::EvaluationRetryRow, &Analysis::EvaluationScratch>;

struct Candidate {
  int c = 0;
  double E = 0, N = 0, C = 0;
  bool inRange = false;
};

// The new peak of H2 or H3 lies below the peak of an earlier analysis.
bool peakBelowEarlier(const Analysis& a, int k) {
  if (k == 1) return a.PeakIndex[1] < a.PeakIndex[0];
  if (k == 2) return a.PeakIndex[2] < std::max(a.PeakIndex[0], a.PeakIndex[1]);
  return false;
}

// Deviation of candidate r from the calculated H: the absolute mean difference
// (Type-A) or the root of the summed squares over the count (Types B to D), over the
// range the flank offers. -1 when that range holds no point.
double deviation(const Analysis& a, int k, int r, int c, int w, bool squares) {
  const auto& H = a.HValues[k];
  const auto& S = a.CandidateSimulatedH[r];
  const int p = a.PeakIndex[k];
  int from, count;
  if (peakBelowEarlier(a, k)) {
    from = p - 5 * w;
    count = 5 * w;
  } else {
    from = c - (r * w) / 4;
    count = p - from;
  }
  if (count <= 0 || from < 0) return -1;
  double sum = 0;
  for (int x = from; x <= p; ++x) {
    const double d = H[x] - S[x];
    sum += squares ? d * d : d;
  }
  const double result = squares ? std::sqrt(sum) / count : std::fabs(sum) / count;
  return result;
}

}  // namespace

// One candidate: the level fit at check point c, its model row, and for the first
// analysis with a positive E_ref the fit again with the compensation ratio scaled down
// to its decade, kept when it follows the measured flank better.
bool Analysis::EvaluateAtCheckPoint(int k, int c) {
  if (!FitLevel(k, c)) {
    ScaledCompensation = false;
    progress().Close(korv::ProgressBar::Detailed);
    return false;
  }
  if (!FillModelRows(k, FillMode::Simulated)) {
    ScaledCompensation = false;
    return false;
  }
  step(*this);
  if (TemporaryCompensatingDensity[k] < 0) {
    ScaledCompensation = false;
    return true;
  }
  EvaluationSaveRow = SimulatedH[k];
  const double d0 = Density[k], e0 = EnergyLevel[k], c0 = TemporaryCompensatingDensity[k];
  const double ratio0 = checked(c0 / d0);
  EvaluationScratch = {};
  EvaluationScratch[0] = d0;
  EvaluationScratch[1] = e0;
  EvaluationScratch[2] = c0;
  EvaluationScratch[3] = ratio0;
  if (k != 0 || !(Eref[0] > 0)) {
    ScaledCompensation = false;
    return true;
  }
  const double m = std::pow(10.0, std::trunc(checked(std::log10(ratio0))));
  if (!(m < 1)) {
    ScaledCompensation = false;
    return true;
  }
  if (!RefitWithScaledRatio(0, c, m)) {
    ScaledCompensation = false;
    progress().Close(korv::ProgressBar::Detailed);
    return true;
  }
  if (!FillModelRows(0, FillMode::Simulated)) {
    ScaledCompensation = false;
    return false;
  }
  const double d1 = Density[0], e1 = EnergyLevel[0], c1 = TemporaryCompensatingDensity[0];
  EvaluationRetryRow = SimulatedH[0];
  EvaluationScratch[4] = d1;
  EvaluationScratch[5] = e1;
  EvaluationScratch[6] = c1;
  EvaluationScratch[7] = checked(c1 / d1);

  // Which of the two fits reproduces the measured flank better, in log10 n.
  const int p = PeakIndex[0];
  double s0 = 0, s1 = 0;
  for (int x = c; x <= p; x += 50) {
    const double ln = std::log10(SplineConcentration[x]);
    const double a0 = std::log10(OneLevelConcentration(x, c0, e0, d0)) - ln;
    const double a1 = std::log10(OneLevelConcentration(x, c1, e1, d1)) - ln;
    s0 += a0 * a0;
    s1 += a1 * a1;
  }
  checked(s0);
  checked(s1);
  if (s0 > s1) {
    ScaledCompensation = true;
  } else {
    ScaledCompensation = false;
    Density[0] = d0;
    EnergyLevel[0] = e0;
    TemporaryCompensatingDensity[0] = c0;
    SimulatedH[0] = EvaluationSaveRow;
  }
  return true;
}

bool Analysis::Evaluate(int k) {
  const int n = GridCount;
  if (k < 0 || k > 3 || n < 1 || static_cast<int>(SplineTemperature.size()) < n ||
      static_cast<int>(SplineConcentration.size()) < n || static_cast<int>(HValues[k].size()) < n)
    throw korv::Error("There is no calculated H function to evaluate.");
  if (PeakIndex[k] < 0 || PeakIndex[k] >= n) throw korv::Error("The peak of the H function lies outside the grid.");

  const EvaluationSnapshot before(*this);
  const auto& T = SplineTemperature;
  LowestKT = K_BOLTZMANN * T[0] / Q_ELEMENTARY;
  const int b = LowerTailIndex(k);
  const int p = PeakIndex[k];

  if (EvaluationFinished) {
    if (k < CompensationAnalysis) return true;
    if (!CheckLevelRange(k)) {
      messages().Error(NOT_EVALUATED);
      return false;
    }
    if (!FillModelRows(k, FillMode::Model)) {
      messages().Error(H_FAILED);
      return false;
    }
    SimulatedH[k] = ModelH[k];
    TemporaryCompensatingDensity[k] = 0;
    return true;
  }

  ScaledCompensation = false;
  const int w = (p - b) / 5;
  const double s = (T[p] - T[b]) * 0.2;
  std::array<Candidate, 5> candidates;
  for (int r = 0; r < 5; ++r) candidates[r].c = IndexAtTemperature(T[b] + r * s);

  progress().Show(korv::ProgressBar::Main, 11);
  progress().Show(korv::ProgressBar::Detailed, 23);
  korv::ProgressCloser bars(progress(), {korv::ProgressBar::Main, korv::ProgressBar::Detailed});
  CandidateDeviation = {};
  CandidateFlags = {};
  if (CandidateSimulatedH.size() < 5) CandidateSimulatedH.resize(5);

  bool scaledRetryAdopted = false;
  for (int r = 0; r < 5; ++r) {
    progress().Step(korv::ProgressBar::Main);
    Candidate& cand = candidates[r];
    if (EvaluateAtCheckPoint(k, cand.c)) {
      FillCandidateSimulatedH(k, r);
      cand.E = EnergyLevel[k];
      cand.N = Density[k];
      cand.C = TemporaryCompensatingDensity[k];
      cand.inRange = LevelInRange;
      CandidateFlags[r] = ScaledCompensation;
      if (k == 0 && ScaledCompensation && Eref[0] > 0) scaledRetryAdopted = true;
    } else {
      CandidateDeviation[r] = -1;
      cand.inRange = LevelInRange;
      LevelInRange = true;
    }
  }

  const bool squares = AutoEvaluationType != "Type-A";
  for (int r = 0; r < 5; ++r) {
    if (CandidateDeviation[r] == -1) continue;
    progress().Step(korv::ProgressBar::Main);
    const Candidate& cand = candidates[r];
    double d;
    if (scaledRetryAdopted) {
      // The scaled retry changes the shape of the model H, so the candidates are
      // compared on the concentration they produce instead.
      d = 0;
      for (int x = candidates[0].c; x <= p; x += 2) {
        const double e =
            std::log10(OneLevelConcentration(x, cand.C, cand.E, cand.N)) - std::log10(SplineConcentration[x]);
        d += e * e;
      }
    } else {
      d = deviation(*this, k, r, cand.c, w, squares);
      if (d != -1) {
        if (AutoEvaluationType == "Type-C") d /= (5 - r);
        if (AutoEvaluationType == "Type-D") d = d / (5 - r) / (5 - r);
      }
    }
    if (!std::isfinite(d))
      throw korv::Error("The density and energy level could not be evaluated: a deviation is not a finite number.");
    CandidateDeviation[r] = d;
  }
  bars.Close();
  ScaledCompensation = false;

  int chosen = -1;
  double best = 1e300;
  for (int r = 0; r < 5; ++r)
    if (CandidateDeviation[r] >= 0 && CandidateDeviation[r] < best) best = CandidateDeviation[r], chosen = r;
  if (chosen < 0) {
    LevelInRange = false;
    if (k == 1 && TemporaryCompensatingDensity[0] < 0) {
      if (!RecalculationRequested) {
        RecalculationRequested = true;
        FixCompensationAt(0);
      }
    } else {
      messages().Error(NOT_EVALUATED);
    }
    return false;
  }

  const Candidate& cand = candidates[chosen];
  ScaledCompensation = CandidateFlags[chosen];
  EnergyLevel[k] = cand.E;
  Density[k] = cand.N;
  TemporaryCompensatingDensity[k] = cand.C;
  SimulatedH[k] = CandidateSimulatedH[chosen];
  CheckTemperature[k] = T[cand.c];
  CheckIndex[k] = cand.c;
  LevelInRange = cand.inRange;

  // Compensation bookkeeping: a positive temporary compensating density fixes it at
  // once; otherwise the second negative E_ref or the second negative temporary
  // compensating density does.
  if (TemporaryCompensatingDensity[k] > 0) {
    CarryCompensation(k);
    return true;
  }
  if (k == 0) return true;
  auto fixAtSecond = [&](auto negative) {
    int found = 0;
    for (int i = 0; i <= k; ++i) {
      if (!negative(i)) continue;
      if (++found == 2) {
        CarryCompensation(i);
        return true;
      }
    }
    return false;
  };
  if (!fixAtSecond([&](int i) { return Eref[i] < 0; }))
    fixAtSecond([&](int i) { return TemporaryCompensatingDensity[i] < 0; });
  return true;
}

bool Analysis::CheckSimulatedH(int k) {
  if (!EvaluationFinished) return true;
  if (k < 0 || k > 3) return false;
  const auto& H = HValues[k];
  const auto& S = SimulatedH[k];
  const std::size_t n = std::min({static_cast<std::size_t>(std::max(GridCount, 0)), H.size(), S.size()});
  int count = 0;
  for (std::size_t x = 0; x < n; ++x)
    if (H[x] - S[x] > 0) ++count;
  return count >= 300;
}
