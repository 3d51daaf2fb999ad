// The data-source dialog "How to input data" (TFormHowToInput): the user chooses between
// typing the measurement into the data sheet and converting a foreign file. The dialog
// only returns the choice; the main window then opens the chosen window.
#pragma once

#include <vector>

#include "presenters/common/View.h"
#include "presenters/common/Windows.h"

namespace korv::ui {

inline constexpr const char* kHowToInputCaption = "How to input data";

const std::vector<Control>& HowToInputControls();

class HowToInputPresenter {
 public:
  explicit HowToInputPresenter(View& view);

  // Before every showing: no choice yet (closing the dialog chooses nothing).
  void Prepare();
  // "Input Data from Key Board".
  void Button1Click();
  // "Use Data File with Aonther Format File".
  void Button2Click();

  DataSource Choice() const { return choice_; }

 private:
  View& view_;
  DataSource choice_ = DataSource::None;
};

}  // namespace korv::ui
