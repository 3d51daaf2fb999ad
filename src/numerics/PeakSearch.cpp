// Choice of the peak of H_k that belongs to the next level, and the stepping of the
// peak to the neighbouring maximum at higher or lower temperature.
//
// The global maximum after the E_ref search is not always that peak: with a negative
// E_ref the function may rise toward low temperature, with a positive one toward high
// temperature, and shoulders of neighbouring levels give secondary maxima. Walks away
// from the maximum collect the local maxima worth considering.
#include <algorithm>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "numerics/HFunction.h"

namespace korv::hfunction {

namespace {

using Row = std::vector<double>;
using Candidates = std::vector<int>;
using Bounds = WalkBounds;

// Two maxima closer than this many grid points (5 K) count as one, the higher.
constexpr int kMinimumSeparation = 50;

}  // namespace

// Toward lower indices: the leaving walk stops at lo, the listing at the start index.
Candidates WalkDown(const Row& h, int a, const Bounds& b) {
  Candidates list;
  double v = h[a];
  int u = a;
  for (int x = a - kMinimumSeparation; x >= b.lo && x >= 0; --x) {
    const bool rises = h[x] > v;
    v = h[x];
    u = x;
    if (rises) break;
  }
  if (!(u > b.lo)) return list;
  bool rising = true;
  int last = u - 1;
  for (int x = u - 1; x > b.start; --x) {
    if (h[x] > v) {
      if (!rising && x > last - kMinimumSeparation) {
        if (list.empty()) continue;
        list.pop_back();
      }
      v = h[x];
      rising = true;
    } else if (rising) {
      list.push_back(x + 1);
      last = x + 1;
      rising = false;
    }
  }
  return list;
}

// The mirror image: the leaving walk stops at hi, the listing at the last grid point.
Candidates WalkUp(const Row& h, int a, const Bounds& b) {
  Candidates list;
  double v = h[a];
  int u = a;
  for (int x = a + kMinimumSeparation; x <= b.hi && x < b.count; ++x) {
    const bool rises = h[x] > v;
    v = h[x];
    u = x;
    if (rises) break;
  }
  if (!(u < b.hi)) return list;
  bool rising = true;
  int last = u + 1;
  for (int x = u + 1; x < b.count; ++x) {
    if (h[x] > v) {
      if (!rising && x < last + kMinimumSeparation) {
        if (list.empty()) continue;
        list.pop_back();
      }
      v = h[x];
      rising = true;
    } else if (rising) {
      list.push_back(x - 1);
      last = x - 1;
      rising = false;
    }
  }
  return list;
}

namespace {

bool inside(int c, const Bounds& b) { return b.lo < c && c < b.hi; }

// Peak at a grid end in a later analysis: ask the main window once to calculate again
// with the compensating density fixed at the previous analysis.
bool edgeFailure(Analysis& a, int k) {
  if (!a.RecalculationRequested) {
    a.RecalculationRequested = true;
    a.FixCompensationAt(k - 1);
  }
  return false;
}

}  // namespace

bool SelectPeak(Analysis& a, int k, int i, const RowCalculator& calc) {
  const Row* h = &a.HValues[k];
  const int n = static_cast<int>(h->size());
  const Bounds b{a.SearchLowIndex, a.SearchHighIndex, std::max(0, a.SearchStartIndex), n};
  korv::Progress& progress = a.progress();

  int d = i;
  if (a.Eref[k] < 0) {
    if (k >= 1 && (i == 0 || i == n - 1)) return edgeFailure(a, k);
    if (!(i <= b.hi && a.EvaluationFinished)) {
      const Candidates list = WalkDown(*h, i, b);
      for (auto c = list.rbegin(); c != list.rend(); ++c)
        if (inside(*c, b) && (*h)[*c] > 0.5 * (*h)[i]) {
          d = *c;
          break;
        }
      for (int c : list)
        if (c < b.lo && (*h)[c] > 0.5 * (*h)[d]) {
          d = c;
          break;
        }
    }
  }
  progress.Step(korv::ProgressBar::Main, 10);

  int f = d;
  if (a.Eref[k] > 0) {
    bool walk = false;
    if (k == 0) walk = d < b.lo;
    if (k >= 1 && (d == 0 || d == n - 1)) return edgeFailure(a, k);
    if (k == 1) walk = a.CheckIndex[0] < b.hi && d + kMinimumSeparation < n - 1;
    if (k == 2) walk = d + kMinimumSeparation < n - 1;
    if (walk) {
      const Candidates list = WalkUp(*h, d, b);
      for (auto c = list.rbegin(); c != list.rend(); ++c)
        if (inside(*c, b) && (*h)[*c] > 0.5 * (*h)[d]) {
          f = *c;
          break;
        }
      for (int c : list)
        if (c > b.hi && (*h)[c] > 0.5 * (*h)[f]) {
          f = c;
          break;
        }
    }
  }
  progress.Step(korv::ProgressBar::Main, 10);

  // First analysis with the peak at either grid end: calculate again from E_ref = 0 toward
  // the E_ref found, until a maximum inside the window qualifies. Where the loop stops on
  // its bound, E_ref goes back to the value of the last calculation.
  if (k == 0 && f == 0) {
    const double e = a.Eref[0];
    a.Eref[0] = 0;
    for (;;) {
      if (!CalculateRow(a, 0, calc)) {
        a.messages().Error(kCalculationFailed);
        return false;
      }
      h = &a.HValues[0];
      const double calculated = a.Eref[0];
      f = n - 1;
      const Candidates list = WalkDown(*h, n - 1, b);
      for (int c : list)
        if (inside(c, b) && (*h)[c] > 0.5 * (*h)[f]) {
          f = c;
          break;
        }
      for (int c : list)
        if ((c < b.lo || c > b.hi) && (*h)[c] > 0.5 * (*h)[f]) {
          f = c;
          break;
        }
      if (inside(f, b)) break;
      a.Eref[0] = a.Eref[0] + 0.0001;
      if (a.Eref[0] >= e) {
        a.Eref[0] = calculated;
        break;
      }
    }
  }
  progress.Step(korv::ProgressBar::Main, 20);

  if (k == 0 && f == n - 1) {
    const double e = a.Eref[0];
    a.Eref[0] = 0;
    for (;;) {
      if (!CalculateRow(a, 0, calc)) {
        a.messages().Error(kCalculationFailed);
        return false;
      }
      h = &a.HValues[0];
      const double calculated = a.Eref[0];
      const Candidates list = WalkUp(*h, 0, b);
      f = 0;
      for (int c : list)
        if (inside(c, b) && (*h)[c] > 0.5 * (*h)[0]) {
          f = c;
          break;
        }
      for (int c : list)
        if ((c < b.lo || c > b.hi) && (*h)[c] > 0.5 * (*h)[f]) {
          f = c;
          break;
        }
      if (inside(f, b)) break;
      a.Eref[0] = a.Eref[0] - 0.0001;
      if (a.Eref[0] <= e) {
        a.Eref[0] = calculated;
        break;
      }
    }
  }

  a.PeakIndex[k] = f;
  return true;
}

}  // namespace korv::hfunction

namespace {

int clampedPeak(const Analysis& a, int k, int count) { return std::clamp(a.PeakIndex[k], 0, count - 1); }

void checkStepSlot(const Analysis& a, int k) {
  if (k < 0 || k >= 4 || static_cast<std::size_t>(k) >= a.HValues.size())
    throw korv::Error("There is no analysis " + std::to_string(k + 1) + ".");
}

}  // namespace

// ---- Indices of the grid and of a peak's flank, for the evaluation and the level fit --------

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

bool Analysis::StepToHigherPeak(int k) {
  checkStepSlot(*this, k);
  const auto& h = HValues[k];
  const int n = static_cast<int>(h.size());
  if (n == 0) return true;
  const int a = clampedPeak(*this, k, n);
  int result = a;
  if (a + 1 < n) {
    int x = a + 1;
    while (x < n && h[x] < h[x - 1]) ++x;  // still falling
    if (x == n) {
      result = n - 1;
    } else {
      while (x + 1 < n && h[x + 1] > h[x]) ++x;
      result = x;
    }
  }
  PeakIndex[k] = result;
  return true;
}

bool Analysis::StepToLowerPeak(int k) {
  checkStepSlot(*this, k);
  const auto& h = HValues[k];
  const int n = static_cast<int>(h.size());
  if (n == 0) return true;
  const int a = clampedPeak(*this, k, n);
  int result = 0;
  for (int x = a - 1; x > 0; --x) {
    if (h[x] >= h[x + 1]) {  // rising toward lower temperature
      while (x - 1 >= 0 && h[x - 1] > h[x]) --x;
      result = x;
      break;
    }
  }
  PeakIndex[k] = result;
  return true;
}
