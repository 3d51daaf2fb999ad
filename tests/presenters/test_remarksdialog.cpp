#include <gtest/gtest.h>

#include "presenters/data/RemarksDialogPresenter.h"
#include "support/FakeDataView.h"

using namespace korv::ui;

TEST(RemarksDialog, ShowsThePreparedTextsAndReturnsTheChoice) {
  korv::test::FakeDataView view(RemarksDialogControls());
  RemarksDialogPresenter dialog(view);
  EXPECT_EQ(view.caption, "Remarks!");
  EXPECT_EQ(view.Text("ButtonEvaluationAgain"), "Evaluation again");
  EXPECT_EQ(view.Text("ButtonContinue"), "Continue");

  Analysis a;
  a.LowestKT = 0.05;
  a.TemporaryCompensatingDensity[0] = -1.234e15;
  a.EnergyLevel[0] = 0.0451;
  RemarksTexts remarks;
  remarks.prepare(a, 1);
  dialog.Prepare(remarks);
  EXPECT_EQ(view.Text("Label1"), "The second energy level obtained in H2 may not be reliable.");
  EXPECT_NE(view.Text("Label2").find(" 0.05 eV"), std::string::npos) << view.Text("Label2");
  EXPECT_NE(view.Text("Label3").find("-1.23E+15 cm^-3."), std::string::npos) << view.Text("Label3");
  EXPECT_EQ(dialog.Choice(), RemarksChoice::Continue);

  dialog.ButtonEvaluationAgainClick();
  EXPECT_EQ(dialog.Choice(), RemarksChoice::EvaluationAgain);
  EXPECT_EQ(view.closeCount, 1);

  // Shown again and closed by the window's close box: continue.
  dialog.Prepare(remarks);
  EXPECT_EQ(dialog.Choice(), RemarksChoice::Continue);
  dialog.ButtonEvaluationAgainClick();
  dialog.ButtonContinueClick();
  EXPECT_EQ(dialog.Choice(), RemarksChoice::Continue);
}

TEST(RemarksDialog, NeverPreparedShowsEmptyLabels) {
  korv::test::FakeDataView view(RemarksDialogControls());
  RemarksDialogPresenter dialog(view);
  view.SetText("Label1", "old");
  RemarksTexts never;
  never.prepare(Analysis{}, 0);  // level 0 leaves the texts empty
  dialog.Prepare(never);
  for (const char* l : {"Label1", "Label2", "Label3", "Label4"}) EXPECT_EQ(view.Text(l), "") << l;
}
