#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>

#include "core/Hallanalysis.h"
#include "presenters/Editor.h"
#include "presenters/Formatconvert.h"
#include "support/FakeDataView.h"
#include "support/Files.h"

using namespace korv::ui;
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

TEST(ConvertColumns, ALineOfManyTokensGivesOnePoint) {
  std::string line;
  for (int i = 0; i < 200000; ++i) line += "7,";
  ConvertedText c = ConvertColumns(line + "\n8 9", 0, 1);
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.points[0].concentration, 7);
  EXPECT_EQ(c.points[1].temperature, 8);
}

TEST(ConvertColumns, CommaSeparatedLineWithColumnsOneAndTwo) {
  ConvertedText c = ConvertColumns("300,1.5e16", ChosenColumn("1"), ChosenColumn("2"));
  ASSERT_EQ(c.points.size(), 1u);
  EXPECT_EQ(c.points[0].temperature, 300);
  EXPECT_EQ(c.points[0].concentration, 1.5e16);
  EXPECT_EQ(c.points[0].reliability, 1.0);
  EXPECT_EQ(c.Skipped(), 0);
  EXPECT_EQ(c.SkippedSummary(), "");
}

TEST(ConvertColumns, ChosenColumnsOfTheBoxes) {
  EXPECT_EQ(ChosenColumn("1"), 0);
  EXPECT_EQ(ChosenColumn("15"), 14);
  EXPECT_EQ(ChosenColumn(""), -1);
  EXPECT_EQ(ChosenColumn("16"), -1);
  EXPECT_EQ(ChosenColumn("01"), -1);
}

TEST(ConvertColumns, ALineShortOfAChosenColumnIsSkippedSoColumnsStayInStep) {
  ConvertedText c = ConvertColumns("300,1e15,7\n400,2e15\n500,3e15,9\n", 0, 2);
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.points[0].temperature, 300);
  EXPECT_EQ(c.points[0].concentration, 7);
  EXPECT_EQ(c.points[1].temperature, 500);
  EXPECT_EQ(c.points[1].concentration, 9);
  EXPECT_EQ(c.lines, (std::vector<int>{1, 3}));
  EXPECT_EQ(c.shortLines, 1);
  EXPECT_EQ(c.SkippedSummary(), "1 line skipped: 1 with fewer values than the chosen columns (first: line 2)");
}

TEST(ConvertColumns, TheSameColumnForTAndNGivesNEqualToT) {
  ConvertedText c = ConvertColumns("10 1e15\n20 2e15", 1, 1);
  ASSERT_EQ(c.points.size(), 2u);
  for (const auto& p : c.points) EXPECT_EQ(p.temperature, p.concentration);
  EXPECT_EQ(c.points[1].temperature, 2e15);
}

TEST(ConvertColumns, EmptyAndSeparatorOnlyLinesAreSkippedAndCounted) {
  ConvertedText c = ConvertColumns("\n300 1e15\n , ,\n\t\n400 2e15 \n", 0, 1);
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.lines, (std::vector<int>{2, 5}));
  EXPECT_EQ(c.emptyLines, 3);  // the line end after the last line adds no line
  EXPECT_EQ(c.SkippedSummary(), "3 lines skipped: 3 empty or separators only");
  EXPECT_EQ(ConvertColumns("", 0, 1).Skipped(), 0);
}

TEST(ConvertColumns, ACommentLineGivesAPointAtZeroKelvin) {
  ConvertedText c = ConvertColumns("% Temperature Concentration\n300 1e15", 0, 1);
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.points[0].temperature, 0);
  std::string message;
  EXPECT_EQ(FirstRefusedPoint(c.points, message), 0);
  EXPECT_EQ(message, "Temprature is below 0 K \n Check the Data!");
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

TEST_F(Convert, LoadsAForeignCsvAndSavesItAfterTheHeaderIsDeleted) {
  loadForeign();
  const std::string csv = std::string(KORV_TEST_DATA) + "/foreign_si_n.csv";
  ASSERT_EQ(view.openDialogs.size(), 1u);
  EXPECT_EQ(view.openDialogs[0].filter, "All data (*.*)|*.*");
  EXPECT_EQ(view.caption, csv);
  EXPECT_EQ(view.Text(kConvertText).substr(0, 7), "# Hall ");
  EXPECT_EQ(view.Text(kConvertText).find('\r'), std::string::npos);

  describe("n-type");
  columns("1", "2");
  const std::string preview = view.Text(kConvertPreview);
  EXPECT_NE(preview.find("62 points"), std::string::npos) << preview;
  EXPECT_NE(preview.find("Line 1 cannot be saved: Temprature is below 0 K."), std::string::npos) << preview;
  EXPECT_NE(preview.find("\n3\t35\t1.29523e+13"), std::string::npos) << preview;

  // The header lines are still there: refused with the data sheet's message and the line.
  view.saveReplies.push_back(target("si.nT"));
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0].rfind("Temprature is below 0 K \n Check the Data!\nLine 1: # Hall run", 0), 0u)
      << view.errors[0];
  EXPECT_TRUE(view.saveDialogs.empty());
  EXPECT_FALSE(saved);

  deleteFirstLines(2);
  convert.UpdatePreview();
  EXPECT_NE(view.Text(kConvertPreview).find("60 points"), std::string::npos);
  convert.ButtonSaveDataClick();
  ASSERT_EQ(view.errors.size(), 1u) << view.errors.back();
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
  EXPECT_EQ(view.notices[0],
            "2 lines skipped: 1 empty or separators only, 1 with fewer values than the chosen columns (first: line "
            "6).");
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

TEST_F(Convert, PreviewListsTheFirstPointsOnly) {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += std::to_string(10 * i) + ", 1e15\n";
  view.SetText(kConvertText, text);
  columns("", "2");
  EXPECT_EQ(view.Text(kConvertPreview), "Choose the columns of the temperature and of the concentration.");
  columns("1", "2");
  const std::string p = view.Text(kConvertPreview);
  EXPECT_EQ(p.rfind("12 points with T from column 1 and n from column 2.", 0), 0u) << p;
  EXPECT_NE(p.find("\n10\t100\t1e+15\n..."), std::string::npos) << p;
  EXPECT_EQ(p.find("\t110\t"), std::string::npos) << p;
}

TEST_F(Convert, ContextMenuWorksOnTheText) {
  convert.ClipboardClick(ClipboardAction::Paste);
  ASSERT_EQ(view.clipboard.size(), 1u);
  EXPECT_EQ(view.clipboard[0].first, "RichEditConvert");
  EXPECT_EQ(view.clipboard[0].second, ClipboardAction::Paste);
}

TEST(ConvertColumns, ReadsPointsTheSameUnderAGermanLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
    GTEST_SKIP() << "no German locale installed";
  ConvertedText c = ConvertColumns("77.5\t1.5e16\n0,5 2", 0, 1);
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.points[0].temperature, 77.5);
  EXPECT_EQ(c.points[0].concentration, 1.5e16);
  EXPECT_EQ(c.points[1].temperature, 0);  // a decimal comma separates two tokens
  EXPECT_EQ(c.points[1].concentration, 5);
}
