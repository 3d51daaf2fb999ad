// Whether the level densities an analysis evaluated can be true of a sample: a density
// below 0, above 1e23 cm^-3 (more than a solid has atoms) or more than 1000 times the largest
// measured concentration comes from a curve that was not one freeze-out (repeated sweeps, a
// wrong unit or column) and is flagged instead of reported as done.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/Numbers.h"

namespace korv {

inline constexpr double kMostPlausibleDensity = 1e23;  // cm^-3
inline constexpr double kMostPlausibleOverMeasured = 1000;

struct EvaluatedLevel {
  std::string name;  // "H1", "H2", ...
  double density = 0;
};

// "" when every level is plausible, else what is not: "H2 density 5.75E+22 cm^-3 is more than
// 1000 times the largest measured concentration 1.20E+17 cm^-3".
inline std::string ImplausibleLevels(const std::vector<EvaluatedLevel>& levels,
                                     const std::vector<double>& measuredConcentrations) {
  double largest = 0;
  for (double n : measuredConcentrations) largest = std::max(largest, n);
  std::string what;
  auto add = [&](const std::string& s) { what += (what.empty() ? "" : "; ") + s; };
  for (const auto& l : levels) {
    const std::string density = l.name + " density " + FormatPattern(l.density, "0.00E+00") + " cm^-3";
    if (!(l.density >= 0))
      add(density + " is negative");
    else if (l.density > kMostPlausibleDensity)
      add(density + " is above 1E+23 cm^-3");
    else if (largest > 0 && l.density > kMostPlausibleOverMeasured * largest)
      add(density + " is more than 1000 times the largest measured concentration " +
          FormatPattern(largest, "0.00E+00") + " cm^-3");
  }
  return what;
}

}  // namespace korv
