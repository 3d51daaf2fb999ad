// Effective density of states of the majority band and the Fermi level with Boltzmann
// statistics: n = N_C exp(-(E_C - E_F)/kT) solved for E_C - E_F, on the spline grid and
// at the measured points.
#include <cmath>
#include <string>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Numbers.h"

namespace {

using namespace korv::phys;

// E_C - E_F in eV for concentration n at temperature t; throws when it has no value.
double fermiLevel(double t, double n, double dos, const char* where) {
  const double value = std::log(std::pow(t, 1.5) * dos / n) * K_BOLTZMANN * t / Q_ELEMENTARY;
  if (!std::isfinite(value) || !(t > 0) || !(n > 0))
    throw korv::Error(std::string("The Fermi level cannot be calculated at ") + korv::FormatPoint(t) + " K " + where +
                      ": temperature and concentration must be positive (the concentration is " + korv::FormatPoint(n) +
                      ").");
  return value;
}

}  // namespace

bool Analysis::CalculateEffectiveDensityOfStates() {
  const double x = 2 * PI * ELECTRON_MASS * EffectiveMass * K_BOLTZMANN / PLANCK / PLANCK;
  const double dos = 2 * EquivalentMinima * std::pow(x, 1.5) * 1e-6;
  if (!std::isfinite(dos) || !(EffectiveMass > 0) || !(EquivalentMinima > 0))
    throw korv::Error("The effective mass and the number of equivalent minima must be positive (they are " +
                      korv::FormatGeneral(EffectiveMass) + " and " + korv::FormatGeneral(EquivalentMinima) + ").");
  DosCoefficient = dos;
  return true;
}

bool Analysis::CalculateFermiLevel() {
  const std::size_t count = SplineTemperature.size();
  if (SplineConcentration.size() < count)
    throw korv::Error("The spline has not been calculated; the Fermi level needs it.");
  Array level(count);
  for (std::size_t j = 0; j < count; ++j)
    level[j] = fermiLevel(SplineTemperature[j], SplineConcentration[j], DosCoefficient, "of the spline");
  FermiLevel = std::move(level);
  return true;
}

bool Analysis::CalculateExperimentalFermiLevel() {
  if (DataCount < 0 || Temperature.size() < static_cast<std::size_t>(DataCount) ||
      Concentration.size() < static_cast<std::size_t>(DataCount))
    throw korv::Error("The measured points are incomplete; the Fermi level at the points cannot be calculated.");
  Array level(DataCount);
  for (int i = 0; i < DataCount; ++i)
    level[i] = fermiLevel(Temperature[i], Concentration[i], DosCoefficient, "of the measurement");
  ExperimentalFermiLevel = std::move(level);
  return true;
}
