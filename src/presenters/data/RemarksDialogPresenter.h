// The remarks dialog "Remarks!" (TFormRemarks): shows the four texts of its last
// preparation and returns "Evaluation again" or "Continue"; closing it otherwise counts
// as "Continue".
#pragma once

#include <vector>

#include "presenters/common/View.h"
#include "presenters/data/RemarksTexts.h"

namespace korv::ui {

inline constexpr const char* kRemarksCaption = "Remarks!";

const std::vector<Control>& RemarksDialogControls();

class RemarksDialogPresenter {
 public:
  explicit RemarksDialogPresenter(View& view);

  // Before showing: the labels := the prepared texts; the choice := continue.
  void Prepare(const RemarksTexts& remarks);
  void ButtonEvaluationAgainClick();
  void ButtonContinueClick();

  RemarksChoice Choice() const { return choice_; }

 private:
  View& view_;
  RemarksChoice choice_ = RemarksChoice::Continue;
};

}  // namespace korv::ui
