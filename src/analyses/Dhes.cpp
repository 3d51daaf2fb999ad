#include "analyses/Dhes.h"

#include <cmath>

#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"

namespace korv::dhes {
namespace {

const char* const kOrdinals[kPeaks] = {"First", "Second", "Third", "Fourth"};

// Grid length that every grid array really holds.
int gridPoints(const Analysis& a) {
  const int n = a.GridCount;
  if (n < 0 || a.SplineTemperature.size() < static_cast<std::size_t>(n) ||
      a.SplineConcentration.size() < static_cast<std::size_t>(n) || a.FermiLevel.size() < static_cast<std::size_t>(n))
    throw Error(
        "The DHES signal cannot be calculated: the spline or the Fermi level is missing; calculate them again.");
  return n;
}

void requireSignal(const Analysis& a, const DhesState& s, int slot) {
  if (slot < 0 || slot >= kPeaks) throw Error("There is no peak " + std::to_string(slot + 1) + ".");
  if (s.Count() == 0 || gridPoints(a) < s.Count() + 1)
    throw Error("There is no DHES signal: the grid has fewer than two points.");
}

// x / (1 + x)^2 with x = g e^u, without overflow for large |u|.
double occupancyTerm(double g, double u) {
  const double w = std::log(g) + u;
  const double e = std::exp(-std::fabs(w));
  return e / ((1 + e) * (1 + e));
}

std::vector<double> curve(const Analysis& a, const DhesState& s, int slot, bool bracket) {
  requireSignal(a, s, slot);
  const double n = s.DhesPeakDensity[slot], level = s.DhesPeakLevel[slot], g = s.DopantDegeneracy;
  const auto& f = a.FermiLevel;
  std::vector<double> values(s.Count());
  bool haveSlope = false;
  double slope = 0;
  for (int i = 0; i < s.Count(); ++i) {
    const double kt = KT(a.SplineTemperature[i]);
    const double u = (level - f[i]) / kt;
    double v = n * occupancyTerm(g, u);
    if (bracket) {
      if (f[i + 1] != f[i]) {
        slope = (KT(a.SplineTemperature[i + 1]) - kt) / (f[i + 1] - f[i]);
        haveSlope = true;
      }
      if (haveSlope) v *= 1 + u * slope;
    }
    if (!std::isfinite(v))
      throw Error("The " + std::string(bracket ? "theoretical" : "approximate") + " DHES of the " + kOrdinals[slot] +
                  " Peak is not finite at " + FormatGeneral(a.SplineTemperature[i]) + " K.");
    values[i] = v;
  }
  return values;
}

}  // namespace

double DegeneracyOf(const std::string& conductionType) { return conductionType == "n-type" ? 2.0 : 4.0; }

double KT(double t) { return phys::K_BOLTZMANN * t / phys::Q_ELEMENTARY; }

void CalculateDhes(const Analysis& a, DhesState& s) {
  const int points = gridPoints(a);
  const int m = points > 1 ? points - 1 : 0;
  std::vector<double> signal(m), abscissa(m);
  const auto& t = a.SplineTemperature;
  const auto& n = a.SplineConcentration;
  const auto& f = a.FermiLevel;
  for (int i = 0; i < m; ++i) {
    abscissa[i] = (f[i] + f[i + 1]) * 0.5;
    if (f[i + 1] != f[i])
      signal[i] = (n[i + 1] - n[i]) * ((KT(t[i]) + KT(t[i + 1])) * 0.5) / (f[i + 1] - f[i]);
    else
      signal[i] = i == 0 ? 0.0 : signal[i - 1];
    if (!std::isfinite(signal[i]) || !std::isfinite(abscissa[i]))
      throw Error("The DHES signal is not finite at " + FormatGeneral(t[i]) + " K.");
  }
  s.DhesSignal = std::move(signal);
  s.DhesAbscissa = std::move(abscissa);
}

namespace {

// One leg of the peak scan: from a, walks by `step` up to `last` (inclusive), following
// values no higher than the current one (a valley) or higher (a maximum). One contrary
// value is passed over; the next one ends the walk once it lies more than kScanTolerance
// steps beyond the point reached, or at `edge`.
void scanLeg(const std::vector<double>& signal, int& a, double& v, int step, int last, int edge, bool valley) {
  bool contrary = false;
  for (int i = a + step; step < 0 ? i >= last : i <= last; i += step) {
    if (valley ? signal[i] <= v : signal[i] > v) {
      v = signal[i];
      a = i;
      contrary = false;
    } else if (!contrary) {
      contrary = true;
    } else if (step < 0 ? (i < a - kScanTolerance || i <= edge) : (i > a + kScanTolerance || i >= edge)) {
      break;
    }
  }
}

}  // namespace

int FindPreviousPeak(const std::vector<double>& signal, int start) {
  const int m = static_cast<int>(signal.size());
  if (start < 1 || start >= m) return start;
  int a = start;
  double v = signal[a];
  scanLeg(signal, a, v, -1, 1, 0, true);   // valley: down to index 1
  scanLeg(signal, a, v, -1, 0, 0, false);  // maximum: down to index 0
  return a;
}

int FindNextPeak(const std::vector<double>& signal, int start) {
  const int m = static_cast<int>(signal.size());
  if (start < 0 || start >= m) return start;
  int a = start;
  double v = signal[a];
  scanLeg(signal, a, v, 1, m - 2, m - 1, true);   // valley: up to index M-2
  scanLeg(signal, a, v, 1, m - 1, m - 1, false);  // maximum: up to the last index M-1
  return a;
}

void EstimatePeak(const Analysis& a, DhesState& s, int slot) {
  requireSignal(a, s, slot);
  const int p = s.DhesPeakIndex[slot];
  if (p < 0 || p >= s.Count())
    throw Error("The position of the " + std::string(kOrdinals[slot]) + " Peak is outside the signal.");
  const double level = s.DhesAbscissa[p] - KT(a.SplineTemperature[p]) * std::log(s.DopantDegeneracy);
  const double density = 4 * s.DhesSignal[p];
  if (!std::isfinite(level) || !std::isfinite(density))
    throw Error("The " + std::string(kOrdinals[slot]) + " Peak gives no finite density or level.");
  s.DhesPeakLevel[slot] = level;
  s.DhesPeakDensity[slot] = density;
  s.Evaluated[slot] = true;
}

std::vector<double> CalculateTheoreticalDhes(const Analysis& a, const DhesState& s, int slot) {
  return curve(a, s, slot, true);
}

std::vector<double> CalculateApproximateDhes(const Analysis& a, const DhesState& s, int slot) {
  return curve(a, s, slot, false);
}

std::vector<double> SumOfSignals(const DhesState& s) {
  std::vector<double> sum(s.Count(), 0.0);
  for (int k = 0; k < kPeaks; ++k) {
    if (!s.Evaluated[k]) continue;
    const auto& t = s.TheoreticalDhes[k];
    for (std::size_t i = 0; i < sum.size() && i < t.size(); ++i) sum[i] += t[i];
  }
  return sum;
}

void ResetPeaksFrom(DhesState& s, int slot) {
  for (int j = slot < 0 ? 0 : slot; j < kPeaks; ++j) {
    s.DhesPeakDensity[j] = 0;
    s.DhesPeakLevel[j] = 0;
    s.Evaluated[j] = false;
    s.TheoreticalDhes[j].clear();
    s.ApproximateDhes[j].clear();
  }
  s.DhesSum.clear();
}

void WriteDhesFile(const Analysis& a, const DhesState& s, const std::string& path) {
  if (path.empty()) throw Error("Cannot save the DHES file: no file name was given.");
  if (a.SplineTemperature.size() < s.DhesSignal.size() || s.DhesAbscissa.size() < s.DhesSignal.size())
    throw Error("Cannot save the DHES file: the signal does not match the grid; open the window again.");
  for (int k = 0; k < kPeaks; ++k)
    if (s.Evaluated[k] && s.TheoreticalDhes[k].size() < s.DhesSignal.size())
      throw Error("Cannot save the DHES file: the theoretical DHES of the " + std::string(kOrdinals[k]) +
                  " Peak is missing; evaluate it again.");
  using namespace korv::header;
  TextFileWriter w;
  w.Line("% Differential Hall Effect Spectroscopy (DHES)");
  WriteVersionLine(w, a);
  WriteFileLines(w, a, Stage::FermiLevel);
  w.Line("% DHES file: " + path);
  WriteSampleBlock(w, a);
  WriteRemarkLine(w, a);
  w.Line(std::string(kEffectiveMass) + FormatHeaderReal(a.EffectiveMass));
  w.Line(std::string(kEquivalentMinima) + FormatHeaderReal(a.EquivalentMinima));
  w.Line(std::string(kDosCoefficient) + FormatHeaderReal(a.DosCoefficient));
  w.Line("% Degeneracy factor: " + FormatHeaderReal(s.DopantDegeneracy));
  w.Line("% " + a.DensityOfStatesRemark);
  const std::string dashes = "% " + std::string(57, '-') + " ";
  w.Line(dashes);
  w.Line("% DHES results ");
  w.Line(dashes);
  for (int k = 0; k < kPeaks; ++k) {
    if (!s.Evaluated[k]) continue;
    w.Line("% " + std::string(kOrdinals[k]) + " energy level [eV]: " + FormatHeaderReal(s.DhesPeakLevel[k]));
    w.Line("% " + std::string(kOrdinals[k]) + " density [cm^-3]: " + FormatHeaderReal(s.DhesPeakDensity[k]));
  }
  w.Line(
      "% Temperature  [K]   Fermi Level [eV]   DHES [cm^-3]   First DHES [cm^-3]   Second DHES [cm^-3]   "
      "Third DHES [cm^-3]   Fourth DHES [cm^-3] ");
  const std::string gap = "    ";
  for (int i = 0; i < s.Count(); ++i) {
    std::string line = FormatHeaderReal(a.SplineTemperature[i]) + gap + FormatHeaderReal(s.DhesAbscissa[i]) + gap +
                       FormatHeaderReal(s.DhesSignal[i]);
    for (int k = 0; k < kPeaks; ++k)
      if (s.Evaluated[k]) line += gap + FormatHeaderReal(s.TheoreticalDhes[k][i]);
    w.Line(line);
  }
  w.Commit(path);
}

}  // namespace korv::dhes
