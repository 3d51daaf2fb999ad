#include "presenters/data/SampleConditionPresenter.h"

#include "presenters/data/SampleForm.h"

namespace korv::ui {

const std::vector<Control>& SampleConditionControls() {
  static const std::vector<Control> controls{
      {"LabelTitleMeasurement", ControlKind::Label, "Measurement"},
      {"LabelTitleNameOfMeasurement", ControlKind::Label, "Name"},
      {"LabelNameOfMeasurement", ControlKind::Label, ""},
      {"LabelTitleDateOfMeasurement", ControlKind::Label, "Date"},
      {"LabelDateOfMeasurement", ControlKind::Label, ""},
      {"LabelTitleAnalysis", ControlKind::Label, "Analysis"},
      {"LabelTitleNameOfAnalysis", ControlKind::Label, "Name"},
      {"LabelNameOfAnalysis", ControlKind::Label, ""},
      {"LabelTitleDateOfAnalysis", ControlKind::Label, "Date"},
      {"LabelDateOfAnalysis", ControlKind::Label, ""},
      {"LabelTitleSemiconductor", ControlKind::Label, "Semiconductor"},
      {"LabelSemiconductor", ControlKind::Label, ""},
      {"LabelTitleConduction", ControlKind::Label, "Conduction"},
      {"LabelTitleType", ControlKind::Label, "Type"},
      {"LabelConductionType", ControlKind::Label, ""},
      {"LabelTitleSample", ControlKind::Label, "Sample"},
      {"LabelTitleNumber", ControlKind::Label, "Number"},
      {"LabelSampleNumber", ControlKind::Label, ""},
      {"LabelTitleThickness", ControlKind::Label, "Thickness"},
      {"LabelThickness", ControlKind::Label, ""},
      {"LabelUnitThickness", ControlKind::Label, "micron"},
      // sic: the window's own text, misspelling included
      {"LabelTitleMagentic", ControlKind::Label, "Magentic"},
      {"LabelTitleField", ControlKind::Label, "Field"},
      {"LabelMagneticField", ControlKind::Label, ""},
      {"LabelUnitMagneticField", ControlKind::Label, "T"},
      {"LabelTitleCurrent", ControlKind::Label, "Current"},
      {"LabelCurrent", ControlKind::Label, ""},
      {"LabelUnitCurrent", ControlKind::Label, "A"},
      {"LabelTitleComment", ControlKind::Label, "Comment"},
      {"LabelComment", ControlKind::Label, ""},
  };
  return controls;
}

SampleConditionPresenter::SampleConditionPresenter(const Analysis& record, View& view) : record_(record), view_(view) {
  view_.SetCaption(kSampleConditionCaption);
  Refresh();
}

void SampleConditionPresenter::Refresh() { ShowSample(view_, record_, SampleColumn::Label); }

}  // namespace korv::ui
