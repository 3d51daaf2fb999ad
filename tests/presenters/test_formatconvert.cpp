#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>

#include "core/Analysis.h"
#include "presenters/data/ConvertPresenter.h"
#include "presenters/data/EditorPresenter.h"
#include "support/FakeDataView.h"
#include "support/Files.h"

using namespace korv::ui;
using korv::LeadingNumber;
using korv::SplitTokens;
using korv::test::FakeDataView;

TEST(ConvertTokens, LeadingNumericPartOfEachToken) {
  struct Case {
    const char* token;
    double value;
  } cases[] = {
      {"300", 300},  {"1.5e16", 1.5e16}, {"1.5E+16cm-3", 1.5e16},
      {"abc", 0},    {"%", 0},           {"-3.5", -3.5},
      {"+2.5", 2.5}, {".5", 0.5},        {"7.", 7},
      {"1e", 1},     {"1e+", 1},         {"12abc34", 12},
      {"-", 0},      {"1e-999", 0},      {"0x1A", 0},
      {"3,5", 3},  // a comma never reaches a token; the prefix stops at it
  };
  for (const auto& c : cases) {
    bool big = true;
    EXPECT_EQ(LeadingNumber(c.token, big), c.value) << c.token;
    EXPECT_FALSE(big) << c.token;
  }
  bool big = false;
  LeadingNumber("1e999", big);
  EXPECT_TRUE(big);
}

TEST(ConvertTokens, SeparatorsAreRunsOfBlanksTabsAndCommas) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitTokens("  300,1.5e16"), (V{"300", "1.5e16"}));
  EXPECT_EQ(SplitTokens(",,a\t b ,c\r"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitTokens(""), V{});
  EXPECT_EQ(SplitTokens(" , \t,"), V{});
  EXPECT_EQ(SplitTokens("1 2 3 4", 2), (V{"1", "2"}));
}

namespace {

class Convert : public ::testing::Test {
 protected:
  Convert() : view(ConvertControls()), convert(record, view, saved) {
    record.VersionInformation = "Version 1.51 (2004/6/2)";
  }

  void describe(const std::string& type) {
    view.SetText("ComboBoxSemiconductor", "Si");
    view.SetText("ComboBoxConductionType", type);
    view.SetText("EditSampleNumber", "Si-P-01");
    view.SetText("EditThickness", "380");
  }
  void columns(const std::string& t, const std::string& c) {
    view.SetText("ComboBoxColumnT", t);
    view.SetText("ComboBoxColumnC", c);
    convert.UpdatePreview();
  }
  std::string target(const std::string& name) const { return (dir / name).string(); }
  void loadForeign() {
    view.openReplies.push_back(std::string(KORV_TEST_DATA) + "/foreign_si_n.csv");
    convert.ButtonLoadAnotherDataClick();
  }
  // The loaded text without its first `n` lines, as the user deletes them by hand.
  void deleteFirstLines(int n) {
    std::string text = view.Text(kConvertText);
    for (int i = 0; i < n; ++i) text.erase(0, text.find('\n') + 1);
    view.SetText(kConvertText, text);
  }

  Analysis record;
  bool saved = false;
  FakeDataView view;
  ConvertPresenter convert;
  korv::test::TempFolder folder{"convert"};
  std::filesystem::path dir = folder.Path();
};

}  // namespace

TEST_F(Convert, PrepareClearsEverythingAndSetsTheDefaults) {
  view.SetText(kConvertText, "1 2");
  view.SetText("EditSampleNumber", "x");
  view.SetText("ComboBoxColumnT", "3");
  convert.Prepare();
  EXPECT_EQ(view.caption, "Use Data File with Another Format File");
  EXPECT_EQ(view.Text(kConvertText), "");
  EXPECT_EQ(view.Text("ComboBoxColumnT"), "");
  EXPECT_EQ(view.Text("EditSampleNumber"), "");
  for (const char* c : {"EditThickness", "EditMagneticField", "EditCurrent", "EditComment"})
    EXPECT_EQ(view.Text(c), "0") << c;
  EXPECT_EQ(view.Items("ComboBoxColumnT").size(), 15u);
  EXPECT_EQ(view.Items("ComboBoxColumnC").back(), "15");
  EXPECT_EQ(view.Items("ComboBoxSemiconductor").back(), "Input name");
  EXPECT_EQ(convert.LoadedPath(), "");
}

TEST_F(Convert, LoadsAForeignCsvAndSavesItWithItsCommentAndNamesLinesSkipped) {
  loadForeign();
  const std::string csv = std::string(KORV_TEST_DATA) + "/foreign_si_n.csv";
  ASSERT_EQ(view.openDialogs.size(), 1u);
  EXPECT_EQ(view.openDialogs[0].filter, "All data (*.*)|*.*");
  EXPECT_EQ(view.caption, csv);
  EXPECT_EQ(view.Text(kConvertText).substr(0, 7), "# Hall ");
  EXPECT_EQ(view.Text(kConvertText).find('\r'), std::string::npos);
  // The names of the file's names row join the numbers of the column boxes.
  EXPECT_EQ(view.Items("ComboBoxColumnT").size(), 18u);
  EXPECT_EQ(view.Items("ComboBoxColumnT")[15], "T_K");

  describe("n-type");
  columns("T_K", "2");
  const std::string preview = view.Text(kConvertPreview);
  EXPECT_EQ(preview.rfind("Read 60 points: T [K] from column 1 \"T_K\", n [cm^-3] from column 2 \"n_cm3\".", 0), 0u)
      << preview;
  EXPECT_NE(preview.find("Skipped: 1 comment line, 1 header line."), std::string::npos) << preview;
  EXPECT_NE(preview.find("\n3      35           1.29523e+13    35         1.29523e+13\n"), std::string::npos)
      << preview;
  EXPECT_NE(preview.find("\n1          comment\n2          column names"), std::string::npos) << preview;
  EXPECT_EQ(preview.find("cannot be saved"), std::string::npos) << preview;

  view.saveReplies.push_back(target("si.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  ASSERT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(view.saveDialogs[0].filter, "n-type semiconductor (*.nT)|*.nT|p-type semiconductor (*.pT)|*.pT");
  EXPECT_EQ(view.saveDialogs[0].filterIndex, 1);
  EXPECT_EQ(view.saveDialogs[0].fileName, std::string(KORV_TEST_DATA) + "/foreign_si_n.nT");
  EXPECT_TRUE(saved);
  EXPECT_EQ(view.closeCount, 1);
  EXPECT_TRUE(view.notices.empty());
  EXPECT_EQ(record.DataCount, 60);
  EXPECT_EQ(record.Temperature.front(), 35);
  EXPECT_EQ(record.Concentration.front(), 1.29523e+13);
  EXPECT_EQ(record.Temperature.back(), 350);
  for (double r : record.Reliability) EXPECT_EQ(r, 1.0);
  EXPECT_EQ(record.OriginalFile, csv);
  EXPECT_EQ(record.ExperimentalDataFile, target("si.nT"));
  EXPECT_EQ(record.Semiconductor, "Si");

  Analysis back;
  back.ExperimentalDataFile = target("si.nT");
  ASSERT_TRUE(back.LoadMeasurementFile());
  EXPECT_EQ(back.Temperature, record.Temperature);
  EXPECT_EQ(back.OriginalFile, csv);
  EXPECT_EQ(back.Thickness, 380);
}

TEST_F(Convert, AHallCoefficientProposesTheTypeLeavesOutDisagreeingRowsAndStatesTheHallFactor) {
  view.SetText(kConvertText, "run T R_H\nx 100 -2\ny 100 5\nx 150 -4\nx 200 -8\nx 300 6\n");
  convert.UpdatePreview();
  EXPECT_EQ(view.Items("ComboBoxRun"), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(view.Text("ComboBoxRun"), "x");
  view.SetText("ComboBoxQuantity", kQuantityHallCoefficient);
  convert.ComboBoxQuantityChange();
  EXPECT_EQ(view.Items("ComboBoxUnit"), (std::vector<std::string>{"cm^3/C", "m^3/C"}));
  EXPECT_EQ(view.Text("ComboBoxUnit"), "cm^3/C");
  EXPECT_TRUE(view.IsEnabled("EditHallFactor"));
  view.SetText("EditHallFactor", "1.2");
  columns("T", "R_H");
  EXPECT_EQ(view.Text("ComboBoxConductionType"), "n-type");
  const std::string preview = view.Text(kConvertPreview);
  EXPECT_NE(preview.find("R_H > 0 in 1, R_H < 0 in 3 rows: n-type proposed."), std::string::npos) << preview;
  EXPECT_NE(preview.find("\n6          R_H > 0 disagrees with n-type"), std::string::npos) << preview;
  EXPECT_NE(preview.find("\n3          run y"), std::string::npos) << preview;

  view.SetText("ComboBoxSemiconductor", "Si");
  view.saveReplies.push_back(target("hall.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  ASSERT_EQ(record.DataCount, 3);
  EXPECT_DOUBLE_EQ(record.Concentration[0], 1.2 / (1.6021e-19 * 2));
  // The chosen run of a file of several runs is said in the remark too.
  EXPECT_EQ(record.Remark, "n = r_H/(q*|R_H|) from R_H [cm^3/C], Hall factor r_H = 1.2; run x of column 1 \"run\"");
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_EQ(view.notices[0],
            "Skipped: 1 header line, 1 line of other runs, 1 row whose R_H sign disagrees with n-type (lines 6).");
}

TEST_F(Convert, SavesAscendingKeepsEqualTemperaturesInOrderAndReportsSkippedLines) {
  view.SetText(kConvertText, "300\t3e15\n\n200\t2e15\n100\t1e15 A\n100\t1.5e15 B\n7\n");
  describe("p-type");
  columns("1", "2");
  view.saveReplies.push_back(target("typed.pT"));
  convert.ButtonSaveDataClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  EXPECT_EQ(view.saveDialogs[0].filterIndex, 2);
  EXPECT_EQ(view.saveDialogs[0].fileName, ".pT");  // typed in, no file loaded
  EXPECT_EQ(record.Temperature, (std::vector<double>{100, 100, 200, 300}));
  EXPECT_EQ(record.Concentration, (std::vector<double>{1e15, 1.5e15, 2e15, 3e15}));
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_EQ(view.notices[0], "Skipped: 1 empty line, 1 line with fewer values than the chosen columns.");
  EXPECT_EQ(record.OriginalFile, "");
}

struct ConvertRefusal {
  const char* what;
  const char* text;
  const char* columnT;
  const char* columnC;
  const char* type;
  const char* current;
  const char* message;  // the start of the error text
};

class ConvertRefused : public Convert, public ::testing::WithParamInterface<ConvertRefusal> {};

TEST_P(ConvertRefused, ShowsTheMessageAndLeavesTheRecord) {
  const ConvertRefusal& c = GetParam();
  record.Temperature = {1, 2};
  record.DataCount = 2;
  record.ExperimentalDataFile = "before.nT";
  view.SetText(kConvertText, c.text);
  describe(c.type);
  view.SetText("EditCurrent", c.current);
  columns(c.columnT, c.columnC);
  view.saveReplies.push_back(target("refused.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u) << c.what;
  EXPECT_EQ(view.errors[0].rfind(c.message, 0), 0u) << c.what << ": " << view.errors[0];
  EXPECT_TRUE(view.saveDialogs.empty()) << c.what;
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.closeCount, 0);
  EXPECT_EQ(record.DataCount, 2) << c.what;
  EXPECT_EQ(record.ExperimentalDataFile, "before.nT");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertRefused,
    ::testing::Values(ConvertRefusal{"capital N", "300 1e15", "1", "2", "N-type", "0",
                                     "Please input the conduction type"},
                      ConvertRefusal{"no T column", "300 1e15", "", "2", "n-type", "0",
                                     "Please select the column of the temperature"},
                      ConvertRefusal{"no n column", "300 1e15", "1", "", "n-type", "0",
                                     "Please select the column of the free carrier concentration"},
                      ConvertRefusal{"no points", "\n\n", "1", "2", "n-type", "0",
                                     "No data point was found in the text with the chosen columns."},
                      ConvertRefusal{"zero concentration", "300 1e15\n200 0", "1", "2", "n-type", "0",
                                     "Concentration is zero or negative \n Check the Data!\nLine 2: 200 0"},
                      ConvertRefusal{"negative temperature", "-20 1e15", "1", "2", "n-type", "0",
                                     "Temprature is below 0 K \n Check the Data!\nLine 1: -20 1e15"},
                      ConvertRefusal{"current", "300 1e15", "1", "2", "n-type", "1 mA",
                                     "'1 mA' is not a valid floating point value"}));

TEST_F(Convert, AReliabilityColumnGivesTheWeightsAndANegativeOneIsRefused) {
  view.SetText(kConvertText, "300 1e15 0.5\n200 2e15 1\n");
  describe("n-type");
  view.SetText("ComboBoxColumnReliability", "3");
  columns("1", "2");
  view.saveReplies.push_back(target("weights.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  EXPECT_EQ(record.Reliability, (std::vector<double>{1, 0.5}));

  view.SetText(kConvertText, "300 1e15 -1\n");
  view.saveReplies.push_back(target("refused.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0],
            "Reliability is not a number of 0 or more (negative reliability) \n Check the Data!\nLine 1: 300 1e15 -1");
}

TEST_F(Convert, AFailedWriteKeepsTheWindowOpenAndTheRecordEmpty) {
  view.SetText(kConvertText, "300 1e15");
  describe("n-type");
  columns("1", "2");
  view.saveReplies.push_back(target("missing/folder/x.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("x.nT"), std::string::npos);
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.closeCount, 0);
  EXPECT_EQ(record.DataCount, 0);
  EXPECT_TRUE(record.Temperature.empty());
  EXPECT_EQ(view.Text(kConvertText), "300 1e15");
}

TEST_F(Convert, PreviewListsEveryPoint) {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += std::to_string(10 * i) + ", 1e15\n";
  view.SetText(kConvertText, text);
  columns("", "2");
  EXPECT_EQ(view.Text(kConvertPreview), "Choose the columns of the temperature and of the concentration.");
  columns("1", "2");
  const std::string p = view.Text(kConvertPreview);
  EXPECT_EQ(p.rfind("Read 12 points: T [K] from column 1, n [cm^-3] from column 2.\n", 0), 0u) << p;
  EXPECT_NE(p.find("Cells: blanks, tabs or commas, decimal point."), std::string::npos) << p;
  EXPECT_NE(p.find("\n10     100          1e15           100        1e+15\n11     110"), std::string::npos) << p;
  EXPECT_NE(p.find("\n12     120          1e15           120        1e+15"), std::string::npos) << p;
  EXPECT_EQ(p.find("more)"), std::string::npos) << p;
  // A choice that does not fit the text is said in the preview.
  columns("T", "2");
  EXPECT_EQ(view.Text(kConvertPreview), "There is no column named 'T': the text has no row of column names");
}

TEST_F(Convert, ContextMenuWorksOnTheText) {
  convert.ClipboardClick(ClipboardAction::Paste);
  ASSERT_EQ(view.clipboard.size(), 1u);
  EXPECT_EQ(view.clipboard[0].first, "RichEditConvert");
  EXPECT_EQ(view.clipboard[0].second, ClipboardAction::Paste);
}

// A file of several runs: the save dialog proposes a name per run, the remark says the run;
// a refused row stops the save unless the good rows may be saved alone.
TEST_F(Convert, RunsGetTheirOwnFileNameAndRefusedRowsMayBeLeftOut) {
  view.openReplies.push_back(std::string(KORV_TEST_DATA) + "/real/ge_al_hall_coefficient.tsv");
  convert.ButtonLoadAnotherDataClick();
  EXPECT_EQ(convert.ProposedFileName("p-type", "180uA"),
            std::string(KORV_TEST_DATA) + "/real/ge_al_hall_coefficient_180uA.pT");
  EXPECT_EQ(convert.ProposedFileName("n-type", "0.50 T"),
            std::string(KORV_TEST_DATA) + "/real/ge_al_hall_coefficient_0.50_T.nT");
  EXPECT_EQ(convert.ProposedFileName("p-type", ""), std::string(KORV_TEST_DATA) + "/real/ge_al_hall_coefficient.pT");

  view.SetText(kConvertText, "T (K)\tp (cm-3)\n100\t1e15\n110\t\n120\t3e15\n");
  describe("p-type");
  columns("1", "2");
  view.saveReplies.push_back(target("dropped.pT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], "Empty cell in the concentration column \n Check the Data!\nLine 3: 110 ");
  EXPECT_EQ(record.DataCount, 0);
  view.SetChecked(kConvertDropRefused, true);
  view.saveReplies.push_back(target("dropped.pT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u) << view.errors.back();
  EXPECT_EQ(record.DataCount, 2);
  ASSERT_FALSE(view.notices.empty());
  EXPECT_NE(view.notices.back().find("Refused and left out: lines 3 (first: Empty cell in the concentration column)."),
            std::string::npos)
      << view.notices.back();
}
