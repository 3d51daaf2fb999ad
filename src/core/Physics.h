// The physics every analysis shares: the constants (SI units), kT in eV, the sign test and
// the bisection of the charge balance for the Fermi level, and what the conduction type
// decides (the majority carrier and the dopant's degeneracy factor).
#pragma once

#include <string>

namespace korv::phys {

inline constexpr double Q_ELEMENTARY = 1.6021e-19;   // C
inline constexpr double EPSILON_0 = 8.854e-12;       // F/m
inline constexpr double ELECTRON_MASS = 9.1091e-31;  // kg
inline constexpr double PLANCK = 6.6256e-34;         // J s
inline constexpr double K_BOLTZMANN = 1.38054e-23;   // J/K
inline constexpr double PI = 3.1415927;
inline constexpr double RYDBERG_EV = 13.6;  // eV, hydrogen-like model

// kT in eV at the temperature T [K].
inline double KT(double T) { return K_BOLTZMANN * T / Q_ELEMENTARY; }

// Both values positive or both negative: the sign of a product without forming it, for
// residuals so small that their product underflows to 0.
inline bool SameSign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

// How a bisection decides that the lower end and the midpoint lie on the same side.
enum class SignTest {
  Signs,    // SameSign: right for residuals of any size
  Product,  // the product is above 0: two tiny residuals count as of opposite sign
};

// The Fermi levels the bisection searches: [0, 1.5] eV below the band edge.
inline constexpr double kFermiLevelCeiling = 1.5;

// The Fermi level where `residual` (ionised levels minus free carriers and compensating
// density, a function of the level e in eV) changes sign: the last midpoint of at most
// `rounds` halvings of [0, kFermiLevelCeiling], ending early on a midpoint of residual 0.
// Each round evaluates the residual at the lower end, then at the midpoint.
template <class Residual>
double BisectFermiLevel(Residual&& residual, int rounds, SignTest test) {
  double lower = 0, upper = kFermiLevelCeiling, mid = 0;
  for (int i = 0; i < rounds; ++i) {
    mid = (lower + upper) * 0.5;
    const double atLower = residual(lower);
    const double atMid = residual(mid);
    if (atMid == 0) break;
    const bool same = test == SignTest::Signs ? SameSign(atLower, atMid) : atLower * atMid > 0;
    if (same)
      lower = mid;
    else
      upper = mid;
  }
  return mid;
}

// The measurement is of an n-type sample (electrons the majority carriers).
inline bool IsNType(const std::string& conductionType) { return conductionType == "n-type"; }

// The degeneracy factor of a dopant: 2 for a donor (n-type), 4 for an acceptor (p-type).
inline double DopantDegeneracy(bool nType) { return nType ? 2.0 : 4.0; }
inline double DopantDegeneracy(const std::string& conductionType) { return DopantDegeneracy(IsNType(conductionType)); }

}  // namespace korv::phys
