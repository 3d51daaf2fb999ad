#include <gtest/gtest.h>

#include "presenters/data/SampleConditionPresenter.h"
#include "support/FakeDataView.h"

using namespace korv::ui;

TEST(SampleCondition, RefreshShowsTheRecordsDescription) {
  Analysis a;
  korv::test::FakeDataView view(SampleConditionControls());
  SampleConditionPresenter window(a, view);
  EXPECT_EQ(view.caption, "FormSampleCondition");
  EXPECT_EQ(view.Text("LabelThickness"), "0");
  EXPECT_EQ(view.Text("LabelTitleMagentic"), "Magentic");

  a.MeasurementName = "Si:P FZ wafer";
  a.MeasurementDate = "2024/11/04";
  a.AnalysisName = "first";
  a.AnalysisDate = "2024/11/05";
  a.Semiconductor = "Si";
  a.ConductionType = "n-type";
  a.SampleNumber = "Si-P-01";
  a.Thickness = 380;
  a.MagneticField = 0.5;
  a.Current = 1e-3;
  a.Remark = "light compensation";
  window.Refresh();
  const std::pair<const char*, const char*> expected[] = {
      {"LabelNameOfMeasurement", "Si:P FZ wafer"},
      {"LabelDateOfMeasurement", "2024/11/04"},
      {"LabelNameOfAnalysis", "first"},
      {"LabelDateOfAnalysis", "2024/11/05"},
      {"LabelSemiconductor", "Si"},
      {"LabelConductionType", "n-type"},
      {"LabelSampleNumber", "Si-P-01"},
      {"LabelThickness", "380"},
      {"LabelMagneticField", "0.5"},
      {"LabelCurrent", "0.001"},
      {"LabelComment", "light compensation"},
  };
  for (const auto& [label, text] : expected) EXPECT_EQ(view.Text(label), text) << label;
}
