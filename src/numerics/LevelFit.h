// Internals shared by the level fit and the evaluation that drives it.
#pragma once

#include <cmath>

#include "core/Analysis.h"
#include "core/Error.h"

namespace korv::levelfit {

// Where the arithmetic leaves the finite numbers the calculation cannot go on; the
// evaluation's snapshot restores the record.
inline double checked(double v) {
  if (!std::isfinite(v))
    throw korv::Error(
        "The density and energy level could not be evaluated: the level fit met a division by zero or an "
        "overflow.");
  return v;
}

// One step of the evaluation's detailed progress bar.
inline void step(Analysis& a) { a.progress().Step(korv::ProgressBar::Detailed); }

}  // namespace korv::levelfit
