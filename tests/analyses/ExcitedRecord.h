// Records for the excited-states tests: a 0.1 K grid whose concentration is the charge
// balance of one hydrogen-like dopant with excited states (textbook form, long double),
// the H1 row at a chosen E_ref with its peak, and the material values of the window.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "core/Analysis.h"

namespace korv::test {

struct HydrogenicDopant {
  double density = 1e19, level = 0.17, g = 4, compensation = 1e18;
  double mass = 1.5, dielectric = 8.9;
  int highestLevel = 4;  // ground state and excited states 2..r
};

inline long double KTe(double T) { return 1.38054e-23L * T / 1.6021e-19L; }

// Carrier concentration of the dopant at T: N / D - N_comp = N_C exp(-E_F/kT) with
// D = 1 + g exp(-E_ex/kT) (exp((E - E_F)/kT) + sum n^2 exp((dE_n - E_F)/kT)).
inline double ExcitedConcentration(const HydrogenicDopant& d, double dos, double T) {
  const long double kt = KTe(T), nc = dos * std::pow(static_cast<long double>(T), 1.5L);
  const long double ry = 13.6L * d.mass / d.dielectric / d.dielectric;
  long double w = 0, num = 0;
  for (int n = 2; n <= d.highestLevel; ++n) {
    const long double dn = ry / (n * n);
    const long double wn = n * n * std::exp(-(d.level - dn) / kt);
    w += wn;
    num += wn * (d.level - dn);
  }
  const long double eex = num / (1 + w);
  auto f = [&](long double ef) {
    long double s = std::exp((d.level - ef) / kt);
    for (int n = 2; n <= d.highestLevel; ++n) s += n * n * std::exp((ry / (n * n) - ef) / kt);
    const long double D = 1 + d.g * std::exp(-eex / kt) * s;
    return d.density / D - d.compensation - nc * std::exp(-ef / kt);
  };
  long double lo = -0.5L, hi = 2.0L;
  for (int i = 0; i < 90; ++i) {
    const long double mid = (lo + hi) / 2;
    if (f(mid) > 0)
      hi = mid;
    else
      lo = mid;
  }
  return static_cast<double>(nc * std::exp(-(lo + hi) / 2 / kt));
}

// A record ready for the window: grid, H1 row at `eref` with its peak, H1 results set to
// the true values (as the main evaluation would roughly give), material values.
inline void FillExcitedRecord(Analysis& a, const HydrogenicDopant& d, double tLow, double tHigh, double eref,
                              double dos = 8.87e15) {
  a.ConductionType = "p-type";
  a.DosCoefficient = dos;
  a.EffectiveMass = d.mass;
  a.DielectricConstant = d.dielectric;
  a.DegeneracyFactor[0] = d.g;
  a.GridCount = static_cast<int>(std::lround((tHigh - tLow) * 10)) + 1;
  a.SplineTemperature.resize(a.GridCount);
  a.SplineConcentration.resize(a.GridCount);
  a.HValues.resize(4);
  a.HValues[0].assign(a.GridCount, 0);
  a.Eref[0] = eref;
  int peak = 0;
  for (int j = 0; j < a.GridCount; ++j) {
    const double T = tLow + 0.1 * j;
    a.SplineTemperature[j] = T;
    const double n = ExcitedConcentration(d, dos, T);
    a.SplineConcentration[j] = n;
    const double kt = static_cast<double>(KTe(T));
    a.HValues[0][j] = n * n * std::exp(eref / kt) / std::pow(kt, 2.5);
    if (a.HValues[0][j] > a.HValues[0][peak]) peak = j;
  }
  a.PeakIndex[0] = peak;
  a.Density[0] = d.density;
  a.EnergyLevel[0] = d.level;
  a.TemporaryCompensatingDensity[0] = d.compensation;
}

}  // namespace korv::test
