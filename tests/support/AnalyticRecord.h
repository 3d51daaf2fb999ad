// Records built by hand for the evaluation, level-fit and simulation tests: a 0.1 K
// grid whose concentration is the exact charge balance of given levels, the H row
// of slot k computed directly, and ports that record what the engine reports.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Ports.h"

namespace korv::test {

struct Level {
  double density, energy, g;
};

inline double KTeV(double T) { return korv::phys::K_BOLTZMANN * T / korv::phys::Q_ELEMENTARY; }

// Fermi level (eV below the band edge) of the charge balance of the levels and a
// fully ionised compensating density, by a long bisection in long double.
inline long double ExactFermiLevel(const std::vector<Level>& levels, double compensation, double dos, double T) {
  const long double kt = KTeV(T), nc = std::pow(static_cast<long double>(T), 1.5L) * dos;
  auto f = [&](long double e) {
    long double ionised = 0;
    for (const auto& l : levels) ionised += l.density / (1 + l.g * std::exp((l.energy - e) / kt));
    return ionised - compensation - nc * std::exp(-e / kt);
  };
  long double lo = -1, hi = 3;
  for (int i = 0; i < 80; ++i) {
    const long double mid = (lo + hi) / 2;
    if (f(mid) > 0)  // too deep: more ionised levels than free carriers
      hi = mid;
    else
      lo = mid;
  }
  return (lo + hi) / 2;
}

inline double ExactConcentration(const std::vector<Level>& levels, double compensation, double dos, double T) {
  const long double e = ExactFermiLevel(levels, compensation, dos, T);
  return static_cast<double>(std::pow(static_cast<long double>(T), 1.5L) * dos * std::exp(-e / KTeV(T)));
}

// H (or S) of a concentration at one point, with nothing subtracted.
inline double PlainH(int functionType, double n, double T, double eref) {
  const double kt = KTeV(T), X = std::exp(eref / kt);
  const double v = functionType == 1 ? n * X / kt : n * n * X / std::pow(kt, 2.5);
  return v > 0 ? v : 0;
}

// Fills the grid from tLow to tHigh with the exact concentration of the levels.
inline void FillGrid(Analysis& a, const std::vector<Level>& levels, double compensation, double tLow, double tHigh,
                     double dos = 5.25e15) {
  a.DosCoefficient = dos;
  a.GridCount = static_cast<int>(std::lround((tHigh - tLow) * 10)) + 1;
  a.SplineTemperature.resize(a.GridCount);
  a.SplineConcentration.resize(a.GridCount);
  for (int j = 0; j < a.GridCount; ++j) {
    a.SplineTemperature[j] = tLow + 0.1 * j;
    a.SplineConcentration[j] = ExactConcentration(levels, compensation, dos, a.SplineTemperature[j]);
  }
}

// Row k of HValues from the grid at E_ref, and its largest value as the peak.
inline void FillH(Analysis& a, int k, double eref) {
  a.Eref[k] = eref;
  auto& row = a.HValues[k];
  row.assign(a.GridCount, 0);
  int peak = 0;
  for (int j = 0; j < a.GridCount; ++j) {
    row[j] = PlainH(a.FunctionType, a.SplineConcentration[j], a.SplineTemperature[j], eref);
    if (row[j] > row[peak]) peak = j;
  }
  a.PeakIndex[k] = peak;
}

// Progress and messages as a list of events ("Show Main 11", "Step Detailed",
// "Close Main") and the texts of the error boxes.
class RecordingPorts final : public korv::Progress, public korv::Messages {
 public:
  std::vector<std::string> events;
  std::vector<std::string> errors, notices;

  void Show(korv::ProgressBar bar, int maximum) override {
    events.push_back("Show " + name(bar) + " " + std::to_string(maximum));
  }
  void Step(korv::ProgressBar bar, int steps) override {
    for (int i = 0; i < steps; ++i) events.push_back("Step " + name(bar));
  }
  void Close(korv::ProgressBar bar) override { events.push_back("Close " + name(bar)); }
  void Error(const std::string& text) override { errors.push_back(text); }
  void Notice(const std::string& text) override { notices.push_back(text); }

  int count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) n += e == event;
    return n;
  }

 private:
  static std::string name(korv::ProgressBar bar) { return bar == korv::ProgressBar::Main ? "Main" : "Detailed"; }
};

}  // namespace korv::test
