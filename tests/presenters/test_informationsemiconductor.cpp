#include <gtest/gtest.h>

#include "presenters/analyses/InformationPresenter.h"
#include "support/FakeDataView.h"

using namespace korv::ui;

namespace {

class Information : public ::testing::Test {
 protected:
  Information() : view(InformationControls(), {{kInformationGrid, {78, 13}}}), window(view) {}
  std::string cell(int r, int c) const { return view.Cell(kInformationGrid, r, c); }
  korv::test::FakeDataView view;
  InformationPresenter window;
};

}  // namespace

TEST_F(Information, FillTableWritesEveryCellAndRestoresIt) {
  EXPECT_EQ(view.caption, "Semiconductor Data used in KORV");
  EXPECT_EQ(cell(0, 0), "");  // nothing before the first filling
  window.FillTable();
  EXPECT_EQ(cell(0, 0), "Material");
  EXPECT_EQ(cell(0, 8), "Dielectric constant e)");
  EXPECT_EQ(cell(0, 12), "References");
  EXPECT_EQ(cell(1, 0), "Si");
  EXPECT_EQ(cell(1, 10), "Indirect  a)");
  EXPECT_EQ(cell(20, 4), "6 ");
  EXPECT_EQ(cell(77, 0), "GaS");
  EXPECT_EQ(cell(2, 2), "");  // GaAs: one valley, no valley masses

  view.SetCell(kInformationGrid, 1, 0, "typed over");
  view.SetCell(kInformationGrid, 77, 12, "");
  window.FillTable();
  EXPECT_EQ(cell(1, 0), "Si");
  EXPECT_NE(cell(77, 12), "");
}

TEST_F(Information, ShowsReferencesCommentsAndNotes) {
  EXPECT_EQ(view.Text("GroupBoxReferences"), "References");
  EXPECT_EQ(view.Text("LabelReference1").rfind("1)", 0), 0u);
  EXPECT_EQ(view.Text("LabelReference6").rfind("6)", 0), 0u);
  EXPECT_EQ(view.Text("LabelComment1").rfind("a) The lowest minima", 0), 0u);
  EXPECT_EQ(view.Text("LabelComment8").rfind("h) This is the electron effective mass", 0), 0u);
  EXPECT_EQ(view.Text("LabelNote1"), "Examples of symbols");
  EXPECT_EQ(view.Text("LabelNote4"), "?(10) : not reported, so tentatively assumed as 10 here.");
}
