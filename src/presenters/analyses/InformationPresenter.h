// The reference table window "Semiconductor Data used in KORV" (TFormInformation):
// literature data of 77 semiconductors in a read-only grid, with the references, the
// comments that the cells' letters point to and the notes on the symbols.
#pragma once

#include <vector>

#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kInformationGrid = "StringGridMaterial";

const std::vector<Control>& InformationControls();

class InformationPresenter {
 public:
  // Sets the caption and the fixed texts of the three groups.
  explicit InformationPresenter(View& view);
  // Writes all 78 x 13 cells, header row first, each row from column 0 to 12.
  void FillTable();

 private:
  View& view_;
};

}  // namespace korv::ui
