#include <gtest/gtest.h>

#include "presenters/data/HowToInputPresenter.h"
#include "support/FakeDataView.h"

using namespace korv::ui;

TEST(HowToInput, EachButtonChoosesItsWindowAndClosesTheDialog) {
  korv::test::FakeDataView view(HowToInputControls());
  HowToInputPresenter dialog(view);
  EXPECT_EQ(view.caption, "How to input data");
  EXPECT_EQ(view.Text("Button1"), "Input Data from Key Board");
  EXPECT_EQ(view.Text("Button2"), "Use Data File with Aonther Format File");

  dialog.Prepare();
  EXPECT_EQ(dialog.Choice(), DataSource::None);  // closed without a choice
  dialog.Button1Click();
  EXPECT_EQ(dialog.Choice(), DataSource::Keyboard);
  EXPECT_EQ(view.closeCount, 1);

  dialog.Prepare();
  EXPECT_EQ(dialog.Choice(), DataSource::None);
  dialog.Button2Click();
  EXPECT_EQ(dialog.Choice(), DataSource::Conversion);
  EXPECT_EQ(view.closeCount, 2);
}
