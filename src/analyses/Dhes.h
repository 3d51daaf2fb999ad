// Differential Hall-effect spectroscopy: the signal -kT dn/dE_F (kT dp/dE_F for holes)
// against the Fermi level, the search for its peaks, the density and level estimated
// from a peak, the theoretical and approximate curves of an evaluated peak, their sum,
// and the *.DHES result file. Peaks are numbered by slot 0 to 3 (first to fourth peak).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Analysis.h"

namespace korv::dhes {

inline constexpr int kPeaks = 4;
// Grid steps of contrary values a peak or valley scan tolerates before it stops.
inline constexpr int kScanTolerance = 50;

// What the DHES window keeps. The grid has M + 1 points; every array below holds M values,
// one per interval between neighbouring grid points.
struct DhesState {
  std::vector<double> DhesSignal;    // cm^-3
  std::vector<double> DhesAbscissa;  // midpoint Fermi level of each interval, eV
  std::array<std::vector<double>, kPeaks> TheoreticalDhes;
  std::array<std::vector<double>, kPeaks> ApproximateDhes;
  std::vector<double> DhesSum;
  std::array<double, kPeaks> DhesPeakDensity{};  // 0 while not evaluated
  std::array<double, kPeaks> DhesPeakLevel{};    // 0 while not evaluated
  std::array<int, kPeaks> DhesPeakIndex{};
  std::array<bool, kPeaks> Evaluated{};
  double DopantDegeneracy = 2.0;
  std::string DhesFileName;

  int Count() const { return static_cast<int>(DhesSignal.size()); }
};

// 2 for donors (n-type data), 4 for acceptors (any other conduction type).
double DegeneracyOf(const std::string& conductionType);

// kT in eV at temperature t in K.
double KT(double t);

// Signal and abscissa of the record's grid. Where two neighbouring Fermi levels are
// equal the interval repeats the previous signal (0 for the first interval). A grid of
// fewer than two points gives empty arrays. Throws korv::Error when the grid arrays are
// shorter than GridCount or a value is not finite; `s` is then left as it was.
void CalculateDhes(const Analysis& a, DhesState& s);

// New position of a peak after "Previous Peak" / "Next Peak" from `start`: first down
// (up) to the next valley, then to the next maximum. Equal values count as valley values,
// never as a new maximum; up to kScanTolerance steps of contrary values are passed over.
// "Previous Peak" from index 0 and any search on an empty signal return `start`.
int FindPreviousPeak(const std::vector<double>& signal, int start);
int FindNextPeak(const std::vector<double>& signal, int start);

// Density and level estimated from the peak at DhesPeakIndex[slot]:
// level = abscissa - kT ln g, density = 4 x signal, with T the lower grid temperature of
// the interval. Marks the peak evaluated. Throws korv::Error when there is no signal.
void EstimatePeak(const Analysis& a, DhesState& s, int slot);

// Theoretical curve of the evaluated peak `slot`, evaluated at the lower grid point of
// each interval:
//   N g e^u / (1 + g e^u)^2 x [1 + u (kT_(i+1) - kT_i) / (F_(i+1) - F_i)],  u = (E - F_i)/kT_i.
// Where F_(i+1) = F_i the slope of the nearest earlier interval with distinct Fermi levels
// is used, and none at all leaves the bracket at 1. Throws korv::Error for a value that is
// not finite.
std::vector<double> CalculateTheoreticalDhes(const Analysis& a, const DhesState& s, int slot);
// The same without the bracket.
std::vector<double> CalculateApproximateDhes(const Analysis& a, const DhesState& s, int slot);

// Sum of the theoretical curves of the evaluated peaks (zeros when none is evaluated).
std::vector<double> SumOfSignals(const DhesState& s);

// Peaks slot .. 3 back to not evaluated: density and level 0, their curves and the sum emptied.
void ResetPeaksFrom(DhesState& s, int slot);

// The *.DHES file: header, one pair of result lines per evaluated peak, the column header
// with all seven names and one data line per interval with the theoretical values of the
// evaluated peaks. Throws korv::Error when the file cannot be written.
void WriteDhesFile(const Analysis& a, const DhesState& s, const std::string& path);

}  // namespace korv::dhes
