// The H function n^2 exp(Eref/kT)/(kT)^2.5 and the S function n exp(Eref/kT)/kT of the
// smoothed concentration, with the contributions of the levels already evaluated taken
// out, and the automatic choice of E_ref that brings the peak into the search window.
#include "numerics/HFunction.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/Snapshot.h"

namespace korv::hfunction {

using namespace korv::phys;

namespace {

void checkSlot(int k, int slots) {
  if (k < 0 || k >= slots) throw korv::Error("There is no analysis " + std::to_string(k + 1) + ".");
}

// The grid the functions are calculated on; refused when the spline stage is missing.
void checkGrid(const Analysis& a) {
  if (a.GridCount < 1 || a.SplineTemperature.size() < static_cast<std::size_t>(a.GridCount) ||
      a.SplineConcentration.size() < static_cast<std::size_t>(a.GridCount))
    throw korv::Error("There are no spline data to analyse; calculate the spline first.");
}

bool compensationFixedBefore(const Analysis& a, int k) {
  return 0 <= a.CompensationAnalysis && a.CompensationAnalysis < k;
}

}  // namespace

RowCalculator::RowCalculator(const Analysis& a, int k, const double* temperature, const double* concentration,
                             int count)
    : k_(k),
      sFunction_(a.FunctionType == 1),
      compensate_(k >= 1 && compensationFixedBefore(a, k)),
      compensating_(a.CompensatingDensity),
      ncFactor_(a.DosCoefficient * std::pow(Q_ELEMENTARY / K_BOLTZMANN, 1.5)) {
  for (int i = 0; i < k; ++i) levels_.push_back({a.Density[i], a.DegeneracyFactor[i]});
  t_.assign(temperature, temperature + count);
  n_.assign(concentration, concentration + count);
  kT_.resize(count);
  base_.resize(count);
  power_.resize(count);
  if (k >= 1) {
    nc_.resize(count);
    r_.resize(count);
    y_.resize(static_cast<std::size_t>(count) * k);
  }
  for (int j = 0; j < count; ++j) {
    const double t = t_[j], n = n_[j];
    const double kT = K_BOLTZMANN * t / Q_ELEMENTARY;
    kT_[j] = kT;
    base_[j] = sFunction_ ? kT : std::pow(kT, 2.5);
    power_[j] = sFunction_ ? n : n * n;
    if (k >= 1) {
      nc_[j] = std::pow(t, 1.5) * a.DosCoefficient;
      r_[j] = nc_[j] / n;
      for (int i = 0; i < k; ++i) y_[static_cast<std::size_t>(j) * k + i] = std::exp(-a.EnergyLevel[i] / kT);
    }
  }
}

namespace {
// Distance in natural logarithm within which a point stays a candidate for the maximum.
// The logarithms the bounds use err by less than 1e-12; a value below the largest by
// more than this factor cannot equal it.
constexpr double kCandidateMargin = 1e-9;
// Above this logarithm a product may overflow: the row is filled and checked instead.
constexpr double kOverflowLog = 690;
// Below this logarithm of the largest value the rounding of underflowing values could
// matter: the row is filled instead.
constexpr double kSmallestLog = -300;
// Largest ratio power/base for which the bounds are kept (the absolute error of an
// underflowing value stays below exp(-500)).
constexpr double kLargestRatio = 1e100;
// Smallest base kept for the bounds, for the same reason.
constexpr double kSmallestBase = 1e-50;
}  // namespace

void RowCalculator::prepareBounds() const {
  prepared_ = true;
  const std::size_t count = t_.size();
  bounded_ = k_ == 0;
  for (std::size_t j = 0; j < count && bounded_; ++j) {
    const double p = power_[j], b = base_[j], kT = kT_[j];
    bounded_ = std::isfinite(p) && std::isfinite(b) && b >= kSmallestBase && std::isfinite(kT) && kT > 0 &&
               std::fabs(p) / b <= kLargestRatio;
  }
  if (!bounded_) return;
  inverseKT_.resize(count);
  logValue_.resize(count);
  logProduct_.resize(count);
  for (std::size_t j = 0; j < count; ++j) {
    const double p = power_[j], logB = std::log(base_[j]);
    const double logP = p != 0 ? std::log(std::fabs(p)) : -HUGE_VAL;
    inverseKT_[j] = 1 / kT_[j];
    logValue_[j] = p > 0 ? logP - logB : -HUGE_VAL;
    logProduct_[j] = std::max({0.0, logP, logP - logB});
  }
}

int RowCalculator::PeakIndex(double eref, int start) const {
  const int count = static_cast<int>(t_.size());
  if (!prepared_) prepareBounds();
  if (!bounded_ || start < 0 || start >= count) return -1;
  double best = -HUGE_VAL, largestProduct = -HUGE_VAL;
  for (int j = start; j < count; ++j) {
    const double a = eref * inverseKT_[j];
    best = std::max(best, a + logValue_[j]);
    largestProduct = std::max(largestProduct, a + logProduct_[j]);
  }
  if (!(largestProduct < kOverflowLog) || !(best > kSmallestLog)) return -1;
  const double floor = best - kCandidateMargin;
  int peak = -1;
  double peakValue = 0;
  for (int j = start; j < count; ++j) {
    if (!(eref * inverseKT_[j] + logValue_[j] >= floor)) continue;
    const double x = std::exp(eref / kT_[j]);
    double v = power_[j] * x / base_[j];
    v = v > 0 ? v : 0;
    if (peak < 0 || v > peakValue) peak = j, peakValue = v;
  }
  return peak;
}

void RowCalculator::Fill(double eref, int start, std::vector<double>& row) const {
  const int count = static_cast<int>(t_.size());
  start = std::clamp(start, 0, count);
  row.assign(count, 0.0);
  for (int j = start; j < count; ++j) {
    const double kT = kT_[j];
    const double x = std::exp(eref / kT);
    double v = power_[j] * x / base_[j];
    if (k_ >= 1) {
      const double r = r_[j];
      for (int i = 0; i < k_; ++i) {
        const double y = y_[static_cast<std::size_t>(j) * k_ + i];
        const Level& l = levels_[i];
        if (sFunction_)
          v = v - l.density * (y * x * r / (y * r + l.degeneracy)) / kT;
        else
          v = v - l.density * (y * x / (y * r + l.degeneracy)) * ncFactor_ / kT;
      }
      if (compensate_) {
        if (sFunction_)
          v = v + compensating_ * x / kT;
        else
          v = v + ncFactor_ * (compensating_ * x / r) / kT;
      }
    }
    if (!std::isfinite(v))
      throw korv::Error(std::string(kCalculationFailed) + " Its value at " + korv::FormatPoint(t_[j]) +
                        " K is out of range for E_ref = " + korv::FormatPattern(eref, "0.######") + " eV.");
    row[j] = v > 0 ? v : 0;
  }
}

RowCalculator::Working RowCalculator::LastWorking(double eref) const {
  Working w;
  if (t_.empty()) return w;
  const std::size_t j = t_.size() - 1;
  w.kT = kT_[j];
  w.expErefOverKT = std::exp(eref / kT_[j]);
  if (k_ >= 1) {
    w.nc = nc_[j];
    w.ncOverN = r_[j];
  }
  return w;
}

namespace {

// Stores a finished row and the working values of its last point.
void commitRow(Analysis& a, int k, const RowCalculator& calc, std::vector<double>& row, bool grid) {
  const RowCalculator::Working w = calc.LastWorking(a.Eref[k]);
  (grid ? a.HValues : a.ExperimentalH)[k].swap(row);
  a.NcFactor = calc.NcFactor();
  a.KT = w.kT;
  a.ExpErefOverKT = w.expErefOverKT;
  if (k >= 1) {
    a.Nc = w.nc;
    a.NcOverN = w.ncOverN;
  }
}

}  // namespace

bool CalculateRow(Analysis& a, int k, const RowCalculator& calc) {
  if (a.FunctionType != 1 && a.FunctionType != 2) return false;
  int start = a.SearchStartIndex;
  if (!a.KeepSearchStart) {
    start = 0;
    if (a.EvaluationFinished && compensationFixedBefore(a, k)) start = a.PeakIndex[a.CompensationAnalysis] + 1;
  }
  std::vector<double> row;
  calc.Fill(a.Eref[k], start, row);
  if (a.HValues.size() < 4) a.HValues.resize(4);
  commitRow(a, k, calc, row, true);
  if (!a.KeepSearchStart) a.SearchStartIndex = start;
  return true;
}

int IndexOfMaximum(const std::vector<double>& row, int start) {
  const int count = static_cast<int>(row.size());
  if (count == 0) return 0;
  int best = std::clamp(start, 0, count - 1);
  // The best value is kept in a register: reading row[best] back each step made every
  // comparison wait for the previous one.
  double bestValue = row[best];
  for (int j = best + 1; j < count; ++j)
    if (row[j] > bestValue) best = j, bestValue = row[j];
  return best;
}

}  // namespace korv::hfunction

using namespace korv::hfunction;

bool Analysis::CalculateHAtEref(int k) {
  checkSlot(k, 4);
  if (FunctionType != 1 && FunctionType != 2) return false;
  checkGrid(*this);
  const RowCalculator calc(*this, k, SplineTemperature.data(), SplineConcentration.data(), GridCount);
  return CalculateRow(*this, k, calc);
}

bool Analysis::CalculateExperimentalH(int k) {
  checkSlot(k, 4);
  if (FunctionType != 1 && FunctionType != 2) return false;
  const int count = std::max(0, DataCount);
  if (Temperature.size() < static_cast<std::size_t>(count) || Concentration.size() < static_cast<std::size_t>(count))
    throw korv::Error("The measured points are incomplete; H at the points cannot be calculated.");
  const RowCalculator calc(*this, k, Temperature.data(), Concentration.data(), count);
  std::vector<double> row;
  calc.Fill(Eref[k], 0, row);
  if (ExperimentalH.size() < 4) ExperimentalH.resize(4);
  commitRow(*this, k, calc, row, false);
  return true;
}

namespace {

// What CalculateH may change, restored when it ends with an exception.
using HSnapshot =
    korv::Snapshot<&Analysis::HValues, &Analysis::Eref, &Analysis::PeakIndex, &Analysis::SearchLowIndex,
                   &Analysis::SearchHighIndex, &Analysis::SearchStartIndex, &Analysis::CompensationAnalysis,
                   &Analysis::RecalculationRequested, &Analysis::RecalculationFailed, &Analysis::EvaluationFinished,
                   &Analysis::KeepSearchStart, &Analysis::ExpErefOverKT, &Analysis::NcOverN, &Analysis::KT,
                   &Analysis::NcFactor, &Analysis::Nc>;

int truncated(double value) { return static_cast<int>(value); }

// The search window of analysis k: SearchLowIndex, SearchHighIndex and SearchStartIndex.
void setSearchWindow(Analysis& a, int k) {
  const double n = a.GridCount;
  int lo = a.SearchLowIndex, hi = a.SearchHighIndex, p = 0;
  const bool fixedBefore = a.EvaluationFinished && compensationFixedBefore(a, k);
  if (a.SecondAttempt && k == 1) {
    hi = truncated(a.CheckIndex[0] / 2.0);
  } else {
    hi = truncated(n - n / 20);
    if (k == 0) lo = truncated(n / 10);
    if (k == 1) {
      if (a.EvaluationFinished && a.CompensationAnalysis != 1) {
        lo = truncated(n / 10 + a.PeakIndex[0]);
      } else {
        lo = truncated(a.CheckIndex[0] / 1.8);
        if (a.Eref[0] >= 0) lo = std::min(lo, truncated(n / 10));
        if (a.Eref[0] > 0) hi = truncated(a.PeakIndex[0] - n / 20);
      }
    }
    if (k == 2) {
      if (a.EvaluationFinished && a.CompensationAnalysis != 2) {
        lo = std::max(lo, truncated(n / 10 + a.PeakIndex[1]));
      } else {
        if (a.Eref[1] <= 0) lo = std::min(lo, truncated(a.CheckIndex[1] / 1.8));
        if (a.Eref[1] >= 0) hi = std::min(hi, truncated(a.PeakIndex[1] - n / 20));
      }
    }
    if (fixedBefore) {
      p = a.PeakIndex[a.CompensationAnalysis];
      lo = std::max(lo, truncated(n / 10 + p));
    }
  }
  a.SearchStartIndex = (k >= 1 && fixedBefore) ? std::max(a.PeakIndex[k - 1], p) : 0;
  a.SearchLowIndex = lo;
  a.SearchHighIndex = hi;
}

// Passes of the E_ref search: step and iteration limit. Their limits and the later
// stages of the peak selection add up to the bar's 1093 steps.
constexpr double kStep[4] = {0.001, 0.0001, 0.00001, 0.000001};
constexpr int kIterations[4] = {1000, 11, 11, 11};
constexpr int kProgressSteps = 1093;

}  // namespace

bool Analysis::CalculateH(int k) {
  checkSlot(k, 3);
  checkGrid(*this);
  if (HValues.size() < 4) HValues.resize(4);
  const HSnapshot snapshot(*this);
  const bool keepSearchStart = KeepSearchStart;
  progress().Show(korv::ProgressBar::Main, kProgressSteps);
  const korv::ProgressCloser closer(progress(), {korv::ProgressBar::Main});
  setSearchWindow(*this, k);
  const int lo = SearchLowIndex, hi = SearchHighIndex;
  KeepSearchStart = true;
  const RowCalculator calc(*this, k, SplineTemperature.data(), SplineConcentration.data(), GridCount);

  // The search needs only the index of each row's maximum; the rows themselves are
  // filled where the bounds cannot tell it, and once at the end for the record.
  const bool validType = FunctionType == 1 || FunctionType == 2;
  bool rowFilled = false;
  auto fillRowAt = [&](double eref) {
    const double searched = Eref[k];
    Eref[k] = eref;
    const bool ok = CalculateRow(*this, k, calc);
    Eref[k] = searched;
    return ok;
  };

  Eref[k] = 0;
  int i = 0;
  double calculated = 0;
  for (int pass = 0; pass < 4; ++pass) {
    if (pass > 0) Eref[k] = Eref[k] > 0 ? Eref[k] - kStep[pass - 1] : Eref[k] + kStep[pass - 1];
    const double d = kStep[pass];
    calculated = Eref[k];
    bool settled = false;
    int iteration = 0;
    while (iteration < kIterations[pass]) {
      ++iteration;
      progress().Step(korv::ProgressBar::Main);
      // The first row is filled: a search that settles at once needs no bounds.
      i = validType && (pass > 0 || iteration > 1) ? calc.PeakIndex(Eref[k], SearchStartIndex) : -1;
      rowFilled = i < 0;
      if (rowFilled) {
        if (!CalculateRow(*this, k, calc)) {
          KeepSearchStart = keepSearchStart;
          messages().Error(kCalculationFailed);
          return false;
        }
        i = IndexOfMaximum(HValues[k], SearchStartIndex);
      }
      calculated = Eref[k];
      if (i < lo && Eref[k] <= 0) {
        Eref[k] = Eref[k] - d;
      } else if (i > hi && Eref[k] >= 0) {
        Eref[k] = Eref[k] + d;
      } else {
        settled = true;
        break;
      }
    }
    if (iteration < kIterations[pass]) progress().Step(korv::ProgressBar::Main, kIterations[pass] - iteration);
    if (pass == 0) {
      if (!(Eref[k] > -1 && Eref[k] < 1)) {
        if (!rowFilled) fillRowAt(calculated);
        if (RecalculationRequested) {
          RecalculationRequested = false;
          RecalculationFailed = true;
        }
        KeepSearchStart = keepSearchStart;
        return false;
      }
      if (Eref[k] == 0) break;
    }
    // The last pass reports the E_ref its last row was calculated with.
    if (pass == 3 && !settled) Eref[k] = calculated;
  }

  if (!rowFilled) fillRowAt(calculated);
  const bool ok = SelectPeak(*this, k, i, calc);
  KeepSearchStart = keepSearchStart;
  return ok;
}
