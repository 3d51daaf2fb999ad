// Internals shared by the H/S function and the peak search: the function row at one
// E_ref, computed from per-point values that do not depend on E_ref.
#pragma once

#include <vector>

#include "core/Analysis.h"

namespace korv::hfunction {

// Row k of H (or S) on a set of points (grid or measurement) for any E_ref. Everything
// independent of E_ref is computed once, so the E_ref search costs one exp per point.
class RowCalculator {
 public:
  // The points are (temperature, concentration) pairs; `start` entries before it are 0.
  RowCalculator(const Analysis& a, int k, const double* temperature, const double* concentration, int count);

  // Fills `row` (resized to the point count) at `eref`, entries below `start` set to 0.
  // Throws korv::Error when a value is not finite.
  void Fill(double eref, int start, std::vector<double>& row) const;

  // IndexOfMaximum of the row Fill(eref, start) gives, without that row: a bound of every
  // point's logarithm rules out the points that cannot hold the maximum, and only the
  // few left are calculated, with Fill's own operations. -1 when the bounds cannot
  // decide (a level taken out, a value that may overflow or is out of range, a row
  // that is zero or nearly so): the caller then fills the row.
  int PeakIndex(double eref, int start) const;

  // Working values of the last point calculated, for the record's scratch fields.
  struct Working {
    double kT = 0, expErefOverKT = 0, nc = 0, ncOverN = 0;
  };
  Working LastWorking(double eref) const;
  double NcFactor() const { return ncFactor_; }

 private:
  void prepareBounds() const;

  struct Level {
    double density, degeneracy;
  };
  int k_;
  bool sFunction_;
  bool compensate_;
  double compensating_;
  double ncFactor_;
  std::vector<Level> levels_;
  std::vector<double> t_, n_, kT_, base_, nc_, r_;
  // n (S) or n*n (H) per point, the same product the row formula starts with: squaring
  // once here keeps the underflowing squares of a steep n(T) out of every E_ref step.
  std::vector<double> power_;
  // For PeakIndex (analysis 1 only): 1/kT, log(power/base) (-inf where the value cannot
  // be positive) and the largest logarithm of a product before exp(E_ref/kT) is taken in.
  // Prepared at the first call of PeakIndex.
  mutable bool prepared_ = false, bounded_ = false;
  mutable std::vector<double> inverseKT_, logValue_, logProduct_;
  std::vector<double> y_;  // y_i = exp(-E_i/kT) per point and earlier level (point-major)
};

// Row k of HValues at Eref[k] on the grid, with the start index that CalculateHAtEref
// uses; false when FunctionType is neither 1 nor 2. Throws korv::Error, leaving the
// record unchanged, when a value is not finite.
bool CalculateRow(Analysis& a, int k, const RowCalculator& calc);

// Index of the largest value of `row` from `start` to its end (the first of equal values).
int IndexOfMaximum(const std::vector<double>& row, int start);

// Bounds of a walk for local maxima: the search window (lo, hi), the start index below
// which H is not searched, and the row length.
struct WalkBounds {
  int lo, hi, start, count;
};

// Local maxima found walking down (toward lower indices) or up from index a: the walk
// first leaves a by at least 50 points while the function falls, then lists each
// maximum that exceeds the last one recorded; of two maxima closer than 50 points only
// the higher stays. In the order found.
std::vector<int> WalkDown(const std::vector<double>& h, int a, const WalkBounds& b);
std::vector<int> WalkUp(const std::vector<double>& h, int a, const WalkBounds& b);

// The last stage of CalculateH(k): picks PeakIndex[k] from row k, starting from the index
// i of the largest value of the E_ref search; advances the main progress bar by 40.
bool SelectPeak(Analysis& a, int k, int i, const RowCalculator& calc);

inline constexpr const char* kCalculationFailed = "Calculation of H could not be carried out.";

}  // namespace korv::hfunction
