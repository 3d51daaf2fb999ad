#include "presenters/data/HowToInputPresenter.h"

namespace korv::ui {

const std::vector<Control>& HowToInputControls() {
  static const std::vector<Control> controls{
      {"Button1", ControlKind::Button, "Input Data from Key Board"},
      {"Button2", ControlKind::Button, "Use Data File with Aonther Format File"},
  };
  return controls;
}

HowToInputPresenter::HowToInputPresenter(View& view) : view_(view) { view_.SetCaption(kHowToInputCaption); }

void HowToInputPresenter::Prepare() { choice_ = DataSource::None; }

void HowToInputPresenter::Button1Click() {
  choice_ = DataSource::Keyboard;
  view_.CloseWindow();
}

void HowToInputPresenter::Button2Click() {
  choice_ = DataSource::Conversion;
  view_.CloseWindow();
}

}  // namespace korv::ui
