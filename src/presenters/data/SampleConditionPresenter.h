// The sample-condition window (TFormSampleCondition): the sample and measurement
// description of the record in labels, refreshed whenever the main window asks.
#pragma once

#include <vector>

#include "core/Analysis.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kSampleConditionCaption = "FormSampleCondition";

const std::vector<Control>& SampleConditionControls();

class SampleConditionPresenter {
 public:
  // Refreshes once: the window shows the record from its creation on.
  SampleConditionPresenter(const Analysis& record, View& view);
  // Every value label := its record field; numbers in general number form.
  void Refresh();

 private:
  const Analysis& record_;
  View& view_;
};

}  // namespace korv::ui
