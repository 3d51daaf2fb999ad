// The remarks dialog ("Remarks!"): it warns that the energy level of H2 or H3 lies below
// the energy of the lowest measurement temperature and offers an evaluation again with
// the compensating density of the previous analysis. The dialog keeps the texts of its
// last preparation.
#pragma once

#include <array>
#include <string>

#include "core/Analysis.h"

namespace korv::ui {

enum class RemarksChoice { Continue, EvaluationAgain };

struct RemarksTexts {
  int level = 0;                     // the level it was prepared for
  std::array<std::string, 4> label;  // Label1 .. Label4

  // level 1: the second level (H2), level 2: the third level (H3); any other level
  // leaves the texts as they were.
  void prepare(const Analysis& a, int level);
};

}  // namespace korv::ui
