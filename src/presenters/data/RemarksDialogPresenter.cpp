#include "presenters/data/RemarksDialogPresenter.h"

#include <string>

namespace korv::ui {

const std::vector<Control>& RemarksDialogControls() {
  static const std::vector<Control> controls{
      {"Label1", ControlKind::Label, ""},
      {"Label2", ControlKind::Label, ""},
      {"Label3", ControlKind::Label, ""},
      {"Label4", ControlKind::Label, ""},
      {"ButtonEvaluationAgain", ControlKind::Button, "Evaluation again"},
      {"ButtonContinue", ControlKind::Button, "Continue"},
  };
  return controls;
}

RemarksDialogPresenter::RemarksDialogPresenter(View& view) : view_(view) { view_.SetCaption(kRemarksCaption); }

void RemarksDialogPresenter::Prepare(const RemarksTexts& remarks) {
  for (int i = 0; i < 4; ++i) view_.SetText("Label" + std::to_string(i + 1), remarks.label[i]);
  choice_ = RemarksChoice::Continue;
}

void RemarksDialogPresenter::ButtonEvaluationAgainClick() {
  choice_ = RemarksChoice::EvaluationAgain;
  view_.CloseWindow();
}

void RemarksDialogPresenter::ButtonContinueClick() {
  choice_ = RemarksChoice::Continue;
  view_.CloseWindow();
}

}  // namespace korv::ui
