// Evaluation of one H analysis: five check points on the low-temperature flank of
// the peak each give a candidate fit of level, density and compensation; the
// candidate whose simulated H follows the calculated H best is adopted. Once the
// compensating density is fixed, a later level is placed by its peak alone.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Hallanalysis.h"

using korv::phys::K_BOLTZMANN;
using korv::phys::Q_ELEMENTARY;

namespace {

const char* const NOT_EVALUATED = "The density and energy level could not be evaluated.";
const char* const H_FAILED = "Calculation of H could not be carried out.";

// Everything an evaluation may write, so that a fault half-way restores the record.
struct EvaluationState {
  double LowestKT, CompensatingDensity, ExpErefOverKT, NcOverN, KT, NcFactor, Nc;
  Analysis::Slots<double> Density, PeakDensity, EnergyLevel, PeakEnergyLevel, TemporaryCompensatingDensity,
      CheckTemperature;
  Analysis::Slots<int> CheckIndex;
  std::array<double, 5> CandidateDeviation;
  std::array<bool, 5> CandidateFlags;
  int CompensationAnalysis;
  bool LevelInRange, EvaluationFinished, RecalculationRequested, ScaledCompensation;
  Analysis::Slots<std::string> LevelRangeMessage, AdoptedLevelRangeMessage;
  Analysis::RowTable SimulatedH, ModelH, CandidateSimulatedH;
  Analysis::Array EvaluationSaveRow, EvaluationRetryRow;
  std::array<double, 12> EvaluationScratch;

  explicit EvaluationState(const Analysis& a)
      : LowestKT(a.LowestKT),
        CompensatingDensity(a.CompensatingDensity),
        ExpErefOverKT(a.ExpErefOverKT),
        NcOverN(a.NcOverN),
        KT(a.KT),
        NcFactor(a.NcFactor),
        Nc(a.Nc),
        Density(a.Density),
        PeakDensity(a.PeakDensity),
        EnergyLevel(a.EnergyLevel),
        PeakEnergyLevel(a.PeakEnergyLevel),
        TemporaryCompensatingDensity(a.TemporaryCompensatingDensity),
        CheckTemperature(a.CheckTemperature),
        CheckIndex(a.CheckIndex),
        CandidateDeviation(a.CandidateDeviation),
        CandidateFlags(a.CandidateFlags),
        CompensationAnalysis(a.CompensationAnalysis),
        LevelInRange(a.LevelInRange),
        EvaluationFinished(a.EvaluationFinished),
        RecalculationRequested(a.RecalculationRequested),
        ScaledCompensation(a.ScaledCompensation),
        LevelRangeMessage(a.LevelRangeMessage),
        AdoptedLevelRangeMessage(a.AdoptedLevelRangeMessage),
        SimulatedH(a.SimulatedH),
        ModelH(a.ModelH),
        CandidateSimulatedH(a.CandidateSimulatedH),
        EvaluationSaveRow(a.EvaluationSaveRow),
        EvaluationRetryRow(a.EvaluationRetryRow),
        EvaluationScratch(a.EvaluationScratch) {}

  void restore(Analysis& a) const {
    a.LowestKT = LowestKT;
    a.CompensatingDensity = CompensatingDensity;
    a.ExpErefOverKT = ExpErefOverKT;
    a.NcOverN = NcOverN;
    a.KT = KT;
    a.NcFactor = NcFactor;
    a.Nc = Nc;
    a.Density = Density;
    a.PeakDensity = PeakDensity;
    a.EnergyLevel = EnergyLevel;
    a.PeakEnergyLevel = PeakEnergyLevel;
    a.TemporaryCompensatingDensity = TemporaryCompensatingDensity;
    a.CheckTemperature = CheckTemperature;
    a.CheckIndex = CheckIndex;
    a.CandidateDeviation = CandidateDeviation;
    a.CandidateFlags = CandidateFlags;
    a.CompensationAnalysis = CompensationAnalysis;
    a.LevelInRange = LevelInRange;
    a.EvaluationFinished = EvaluationFinished;
    a.RecalculationRequested = RecalculationRequested;
    a.ScaledCompensation = ScaledCompensation;
    a.LevelRangeMessage = LevelRangeMessage;
    a.AdoptedLevelRangeMessage = AdoptedLevelRangeMessage;
    a.SimulatedH = SimulatedH;
    a.ModelH = ModelH;
    a.CandidateSimulatedH = CandidateSimulatedH;
    a.EvaluationSaveRow = EvaluationSaveRow;
    a.EvaluationRetryRow = EvaluationRetryRow;
    a.EvaluationScratch = EvaluationScratch;
  }
};

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

int Analysis::IndexAtTemperature(double x) const {
  const int n = std::min<int>(GridCount, static_cast<int>(SplineTemperature.size()));
  for (int j = 0; j < n; ++j)
    if (SplineTemperature[j] >= x) return j;
  return n > 0 ? n - 1 : 0;
}

int Analysis::LowerTailIndex(int k) const {
  if (k < 0 || k >= static_cast<int>(HValues.size())) return 0;
  const auto& H = HValues[k];
  const int p = PeakIndex[k];
  if (p < 0 || p >= static_cast<int>(H.size())) return 0;
  int x = p - 100 > 0 ? p - 100 : p - 20;
  double v = H[p];
  while (x >= 0) {
    const double h = H[x];
    if (h >= v) break;
    --x;
    if (h > 0) {
      v = h;
    } else {
      ++x;
      break;
    }
  }
  return x < 0 ? 0 : x + 1;
}

bool Analysis::Evaluate(int k) {
  const int n = GridCount;
  if (k < 0 || k > 3 || n < 1 || static_cast<int>(SplineTemperature.size()) < n ||
      static_cast<int>(SplineConcentration.size()) < n || static_cast<int>(HValues[k].size()) < n)
    throw korv::Error("There is no calculated H function to evaluate.");
  if (PeakIndex[k] < 0 || PeakIndex[k] >= n) throw korv::Error("The peak of the H function lies outside the grid.");

  const EvaluationState before(*this);
  try {
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
    progress().Close(korv::ProgressBar::Main);
    progress().Close(korv::ProgressBar::Detailed);
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
  } catch (...) {
    before.restore(*this);
    progress().Close(korv::ProgressBar::Main);
    progress().Close(korv::ProgressBar::Detailed);
    throw;
  }
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
