// The built-in material parameters: band-edge densities of states, density-of-states
// masses, equivalent conduction-band minima and dielectric constants of 77
// semiconductors, and the lookup that copies a sample's defaults into the record.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/Analysis.h"

namespace korv {

struct MaterialParameters {
  std::string_view Name;
  double ConductionBandCoefficient;  // N_C / T^1.5, cm^-3 K^-1.5
  double ValenceBandCoefficient;     // N_V / T^1.5, cm^-3 K^-1.5
  double ElectronMass;               // density-of-states mass over m0
  double HoleMass;
  double ElectronMinima;                     // equivalent conduction-band minima
  double DielectricConstant;                 // relative static permittivity
  static constexpr double HoleMinima = 1.0;  // the same for every material
};

// The 77 rows in lookup order.
std::span<const MaterialParameters> MaterialTable();

// The first row whose name equals `name` exactly (case and blanks count); null when none does.
const MaterialParameters* FindMaterial(std::string_view name);

// Looks up `Semiconductor`: a matching row fills the six band fields and
// `DielectricConstant`; an unknown name sets them to the record's defaults (those of
// `ClearDensityOfStatesStage`, and the initial dielectric constant) rather than keep
// what an earlier material left. Then the active triple (`DosCoefficient`,
// `EffectiveMass`, `EquivalentMinima`) is taken from the electron columns for "n-type"
// and from the hole columns for any other conduction type. Returns the row or null.
const MaterialParameters* ApplyMaterialParameters(Analysis& a);

// "" for a semiconductor of the table; otherwise the notice that says the name is not in
// it and which defaults are used instead.
std::string UnknownMaterialNote(std::string_view semiconductor);

// The texts the density-of-states tab shows for the active triple: mass and minima in
// general number form ("0.32", "6"), and the coefficient N0 of N = N0 (kT)^1.5 with kT
// in joules, "0.00E+00" ("1.02E+50" for n-type Si).
struct MaterialEditTexts {
  std::string Mass;
  std::string EquivalentMinima;
  std::string EffectiveDensityOfStates;
};
MaterialEditTexts MaterialEdits(const Analysis& a);

// `coefficient` (cm^-3 K^-1.5) divided by k^1.5, in "0.00E+00".
std::string EffectiveDensityOfStatesText(double coefficient);

}  // namespace korv
