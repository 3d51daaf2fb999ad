#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "core/Analysis.h"
#include "core/Numbers.h"
#include "presenters/data/DataSheetPresenter.h"
#include "support/FakeDataView.h"
#include "support/Files.h"

using namespace korv::ui;
using korv::test::FakeDataView;

namespace {

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class DataSheet : public ::testing::Test {
 protected:
  DataSheet()
      : view(DataSheetControls(), {{kDataSheetGrid, {kDataSheetRows, kDataSheetColumns}}}),
        sheet(record, view, keyboard, saved) {}

  void typeRow(int row, const std::string& t, const std::string& n, const std::string& r) {
    view.SetCell(kDataSheetGrid, row, 0, t);
    view.SetCell(kDataSheetGrid, row, 1, n);
    view.SetCell(kDataSheetGrid, row, 2, r);
  }
  std::string cell(int r, int c) const { return view.Cell(kDataSheetGrid, r, c); }
  void fillDescription(const std::string& type) {
    view.SetText("ComboBoxSemiconductor", "Si");
    view.SetText("ComboBoxConductionType", type);
    view.SetText("EditSampleNumber", "S-7");
    view.SetText("EditThickness", "380");
    view.SetText("EditMagneticField", "0.5");
    view.SetText("EditCurrent", "0.001");
  }
  std::string target(const std::string& name) const { return (dir / name).string(); }

  Analysis record;
  bool keyboard = false;
  bool saved = false;
  FakeDataView view;
  DataSheetPresenter sheet;
  korv::test::TempFolder folder{"datasheet"};
  std::filesystem::path dir = folder.Path();
};

void loadThreePoints(Analysis& a) {
  a.Temperature = {100, 200, 300};
  a.Concentration = {1e14, 1.234e15, 2e15};
  a.Reliability = {1, 0.5, 0};
  a.DataCount = 3;
  a.Semiconductor = "GaAs";
  a.ConductionType = "n-type";
  a.Thickness = 380;
  a.MagneticField = 0.5;
}

}  // namespace

TEST_F(DataSheet, BuildsItsListsAndHeader) {
  EXPECT_EQ(view.caption, "Data Sheet");
  const auto& items = view.Items("ComboBoxSemiconductor");
  ASSERT_EQ(items.size(), 78u);
  EXPECT_EQ(items.front(), "Si");
  EXPECT_EQ(items[44], "ZnGeAS2");
  EXPECT_EQ(items[76], "GaS");
  EXPECT_EQ(items.back(), "Input name");
  EXPECT_EQ(view.Items("ComboBoxConductionType"), (std::vector<std::string>{"n-type", "p-type"}));
  EXPECT_EQ(cell(0, 0), "Temperature [K]");
  EXPECT_EQ(cell(0, 1), "Concentration [cm^-3]");
  EXPECT_EQ(cell(0, 2), "Reliability [0<= r <=1]");
}

TEST_F(DataSheet, PrepareShowsTheRecordInTheSheetsFormats) {
  loadThreePoints(record);
  typeRow(5, "stale", "x", "y");
  sheet.Prepare();
  EXPECT_EQ(view.Text("ComboBoxSemiconductor"), "GaAs");
  EXPECT_EQ(view.Text("EditThickness"), "380");
  EXPECT_EQ(view.Text("EditMagneticField"), "0.5");
  EXPECT_EQ(view.Text("EditCurrent"), "0");
  EXPECT_EQ(cell(1, 0), "100.0");
  EXPECT_EQ(cell(2, 1), "1.23E+15");
  EXPECT_EQ(cell(2, 2), "0.50");
  EXPECT_EQ(cell(3, 2), "0.00");
  EXPECT_EQ(cell(4, 0), "");
  EXPECT_EQ(cell(5, 0), "");  // earlier typing is gone
}

TEST_F(DataSheet, ChangeDataKeepsTheFullValuesOfCellsLeftAsShown) {
  record.Temperature = {77.54, 77.51, 35.25};
  record.Concentration = {1.29523e13, 2.5e13, 1.5e12};
  record.Reliability = {0.999, 1, 0.125};
  record.DataCount = 3;
  sheet.Prepare();
  EXPECT_EQ(cell(1, 0), "77.5");
  EXPECT_EQ(cell(1, 1), "1.30E+13");
  view.SetCell(kDataSheetGrid, 2, 1, "2.6e13");  // one cell edited
  fillDescription("n-type");
  view.saveReplies.push_back(target("changed.nT"));
  sheet.ButtonSaveExperimentalDataClick();
  ASSERT_TRUE(saved);
  // Sorted by the full temperatures, each unedited cell with its record value.
  EXPECT_EQ(record.Temperature, (std::vector<double>{35.25, 77.51, 77.54}));
  EXPECT_EQ(record.Concentration, (std::vector<double>{1.5e12, 2.6e13, 1.29523e13}));
  EXPECT_EQ(record.Reliability, (std::vector<double>{0.125, 1, 0.999}));
}

TEST_F(DataSheet, KeyboardEntryOpensAnEmptyGridEvenWithDataLoaded) {
  loadThreePoints(record);
  keyboard = true;
  sheet.Prepare();
  EXPECT_FALSE(keyboard);  // the sheet consumes the request
  EXPECT_EQ(cell(1, 0), "");
  EXPECT_EQ(view.Text("ComboBoxSemiconductor"), "GaAs");  // the fields show what the record holds
  sheet.Prepare();                                        // the next "Change Data" shows the points again
  EXPECT_EQ(cell(1, 0), "100.0");
}

TEST_F(DataSheet, SortIsAscendingAndKeepsEqualTemperaturesInOrder) {
  // 5a 5b 1: a swap of row 1 with row 3 would put 5b before 5a.
  typeRow(1, "5", "1e15", "a");
  typeRow(2, "5", "2e15", "b");
  typeRow(3, "1", "3e15", "c");
  typeRow(4, "", "9e15", "after the end");
  typeRow(5, "0.5", "4e15", "not in the list");
  sheet.ButtonSortClick();
  EXPECT_EQ(cell(1, 2), "c");
  EXPECT_EQ(cell(2, 2), "a");
  EXPECT_EQ(cell(3, 2), "b");
  EXPECT_EQ(cell(4, 2), "after the end");
  EXPECT_EQ(cell(5, 0), "0.5");
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(DataSheet, AFullSheetIsSortedToItsLastRowAndSavedWhole) {
  // 299 points from 300 K down to 1 K; every third pair shares its temperature.
  for (int r = 1; r < kDataSheetRows; ++r)
    typeRow(r, std::to_string(301 - r - (r % 3 == 2 ? 1 : 0)), "1e15", std::to_string(r));
  sheet.ButtonSortClick();
  EXPECT_EQ(cell(1, 0), "1");
  EXPECT_EQ(cell(299, 0), "300");
  for (int r = 2; r < kDataSheetRows; ++r) {
    double previous = std::stod(cell(r - 1, 0)), here = std::stod(cell(r, 0));
    ASSERT_LE(previous, here) << r;
    if (previous == here) {
      EXPECT_LT(std::stoi(cell(r - 1, 2)), std::stoi(cell(r, 2))) << r;  // typed order kept
    }
  }
  fillDescription("n-type");
  view.saveReplies.push_back(target("full.nT"));
  sheet.ButtonSaveExperimentalDataClick();
  EXPECT_EQ(record.DataCount, 299);
  EXPECT_EQ(record.Temperature.back(), 300);
}

TEST_F(DataSheet, SortComparesNumbersAndStopsOnText) {
  typeRow(1, "100", "1e15", "1");
  typeRow(2, "20", "1e15", "1");
  sheet.ButtonSortClick();
  EXPECT_EQ(cell(1, 0), "20");  // numerically, not as text

  typeRow(3, "abc", "1e15", "1");
  sheet.ButtonSortClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], "'abc' is not a valid floating point value");
}

TEST_F(DataSheet, ClearDataAndClearAllData) {
  fillDescription("n-type");
  typeRow(1, "10", "1e15", "1");
  typeRow(299, "20", "1e15", "1");
  sheet.ButtonClearDataClick();
  EXPECT_EQ(cell(1, 0), "");
  EXPECT_EQ(cell(299, 2), "");
  EXPECT_EQ(cell(0, 0), "Temperature [K]");
  EXPECT_EQ(view.Text("EditThickness"), "380");

  typeRow(1, "10", "1e15", "1");
  view.SetText("EditComment", "note");
  sheet.ButtonClearAllDataClick();
  for (const char* c :
       {"EditNameOfMeasurement", "ComboBoxSemiconductor", "ComboBoxConductionType", "EditSampleNumber", "EditComment"})
    EXPECT_EQ(view.Text(c), "") << c;
  for (const char* c : {"EditThickness", "EditMagneticField", "EditCurrent"}) EXPECT_EQ(view.Text(c), "0") << c;
  EXPECT_EQ(cell(1, 0), "");
  EXPECT_EQ(cell(0, 2), "Reliability [0<= r <=1]");
}

TEST_F(DataSheet, SaveWritesAscendingPointsWithReliabilityClampedBelowOnly) {
  fillDescription("n-type");
  view.SetText("EditComment", std::string(120, 'c'));
  typeRow(1, "300", "3e15", "1.5");
  typeRow(2, "200", "2e15", "-0.5");
  typeRow(3, "100", "1e15", "0.7");
  view.saveReplies.push_back(target("typed.nT"));
  sheet.ButtonSaveExperimentalDataClick();

  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  ASSERT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(view.saveDialogs[0].filter, "n-type semiconducotr (*.nT)|*.nT|p-type semiconductor (*.pT)|*.pT");
  EXPECT_EQ(view.saveDialogs[0].filterIndex, 1);
  EXPECT_EQ(view.saveDialogs[0].fileName, "*.nT");
  EXPECT_TRUE(saved);
  EXPECT_EQ(view.closeCount, 1);
  EXPECT_EQ(record.Temperature, (std::vector<double>{100, 200, 300}));
  EXPECT_EQ(record.Concentration, (std::vector<double>{1e15, 2e15, 3e15}));
  EXPECT_EQ(record.Reliability, (std::vector<double>{0.7, 0, 1.5}));
  EXPECT_EQ(record.DataCount, 3);
  EXPECT_EQ(record.Semiconductor, "Si");
  EXPECT_EQ(record.SampleNumber, "S-7");
  EXPECT_EQ(record.Thickness, 380);
  EXPECT_EQ(record.Remark.size(), 100u);
  EXPECT_EQ(record.ExperimentalDataFile, target("typed.nT"));

  // The file reads back into a fresh record with the same points.
  Analysis back;
  back.ExperimentalDataFile = target("typed.nT");
  ASSERT_TRUE(back.LoadMeasurementFile());
  EXPECT_EQ(back.Temperature, record.Temperature);
  EXPECT_EQ(back.Reliability, record.Reliability);
  EXPECT_EQ(back.ConductionType, "n-type");
  EXPECT_NE(readFile(target("typed.nT")).find("100     1e+15     0.7\r\n"), std::string::npos);
}

TEST_F(DataSheet, PTypeProposesThePTypeFilter) {
  fillDescription("p-type");
  typeRow(1, "300", "3e15", "1");
  sheet.ButtonSaveExperimentalDataClick();  // cancelled: no reply queued
  ASSERT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(view.saveDialogs[0].filterIndex, 2);
  EXPECT_EQ(view.saveDialogs[0].fileName, "*.pT");
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.closeCount, 0);
}

TEST_F(DataSheet, AnEmptyGridSavesZeroPoints) {
  fillDescription("n-type");
  view.saveReplies.push_back(target("empty.nT"));
  sheet.ButtonSaveExperimentalDataClick();
  EXPECT_TRUE(view.errors.empty());
  EXPECT_TRUE(saved);
  EXPECT_EQ(record.DataCount, 0);
}

// Every refused save shows its message, keeps the sheet open and leaves the record as it was.
struct RefusedSave {
  const char* what;
  std::vector<std::vector<std::string>> rows;
  const char* conductionType;
  const char* thickness;
  const char* message;
};

class DataSheetRefusal : public DataSheet, public ::testing::WithParamInterface<RefusedSave> {};

TEST_P(DataSheetRefusal, ShowsTheMessageAndChangesNothing) {
  const RefusedSave& c = GetParam();
  loadThreePoints(record);
  record.ExperimentalDataFile = "before.nT";
  fillDescription(c.conductionType);
  view.SetText("EditThickness", c.thickness);
  for (std::size_t i = 0; i < c.rows.size(); ++i)
    typeRow(static_cast<int>(i) + 1, c.rows[i][0], c.rows[i][1], c.rows[i][2]);
  view.saveReplies.push_back(target("refused.nT"));
  sheet.ButtonSaveExperimentalDataClick();

  ASSERT_EQ(view.errors.size(), 1u) << c.what;
  EXPECT_EQ(view.errors[0], c.message) << c.what;
  EXPECT_TRUE(view.saveDialogs.empty()) << c.what;
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.closeCount, 0);
  EXPECT_EQ(record.Temperature, (std::vector<double>{100, 200, 300})) << c.what;
  EXPECT_EQ(record.DataCount, 3);
  EXPECT_EQ(record.Semiconductor, "GaAs");
  EXPECT_EQ(record.ExperimentalDataFile, "before.nT");
  EXPECT_FALSE(std::filesystem::exists(target("refused.nT")));
}

const std::vector<std::string> kGood{"300", "1e15", "1"};

INSTANTIATE_TEST_SUITE_P(
    Cases, DataSheetRefusal,
    ::testing::Values(
        RefusedSave{"capital N", {kGood}, "N-type", "380", "Please input the conduction type"},
        RefusedSave{"no type", {kGood}, "", "380", "Please input the conduction type"},
        RefusedSave{
            "zero kelvin", {kGood, {"0", "1e15", "1"}}, "n-type", "380", "Temprature is below 0 K \n Check the Data!"},
        RefusedSave{"temperature before concentration",
                    {{"-5", "-1e15", "1"}},
                    "n-type",
                    "380",
                    "Temprature is below 0 K \n Check the Data!"},
        RefusedSave{"zero concentration",
                    {kGood, {"200", "0", "1"}},
                    "n-type",
                    "380",
                    "Concentration is zero or negative \n Check the Data!"},
        RefusedSave{"empty reliability",
                    {kGood, {"200", "1e15", ""}},
                    "n-type",
                    "380",
                    "'' is not a valid floating point value"},
        RefusedSave{"text concentration",
                    {kGood, {"200", "1e1x", "1"}},
                    "n-type",
                    "380",
                    "'1e1x' is not a valid floating point value"},
        RefusedSave{"thickness", {kGood}, "n-type", "thick", "'thick' is not a valid floating point value"}));

TEST_F(DataSheet, AFailedWriteLeavesTheRecordAndTheSheetOpen) {
  loadThreePoints(record);
  fillDescription("n-type");
  typeRow(1, "50", "1e15", "1");
  view.saveReplies.push_back(target("no/such/folder/x.nT"));
  sheet.ButtonSaveExperimentalDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("x.nT"), std::string::npos) << view.errors[0];
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.closeCount, 0);
  EXPECT_EQ(record.Temperature, (std::vector<double>{100, 200, 300}));
  EXPECT_EQ(record.Semiconductor, "GaAs");
  EXPECT_EQ(record.ExperimentalDataFile, "");
  EXPECT_EQ(cell(1, 0), "50");  // the grid stays as the user left it
}

TEST_F(DataSheet, PastesASpreadsheetBlock) {
  // Three rows of a spreadsheet copy (CR LF, a trailing line end), starting at row 2.
  int n = sheet.PasteCells(2, 0, "10\t1e15\t1\r\n20\t2e15\t0.5\r\n 30 \t3e15\t0.9\r\n");
  EXPECT_EQ(n, 9);
  EXPECT_EQ(cell(2, 0), "10");
  EXPECT_EQ(cell(3, 1), "2e15");
  EXPECT_EQ(cell(4, 0), "30");
  EXPECT_EQ(cell(5, 0), "");

  // Extra columns are dropped; the header row is never written; rows past the empty
  // sheet's 299 make the grid grow, with rows to spare for typing.
  n = sheet.PasteCells(0, 1, "a\tb\tc\td\ne\tf");
  EXPECT_EQ(n, 4);
  EXPECT_EQ(cell(0, 1), "Concentration [cm^-3]");
  EXPECT_EQ(cell(1, 1), "a");
  EXPECT_EQ(cell(1, 2), "b");
  EXPECT_EQ(cell(2, 2), "f");
  EXPECT_EQ(sheet.PasteCells(298, 0, "1\n2\n3\n4\n"), 4);
  EXPECT_EQ(cell(299, 0), "2");
  EXPECT_EQ(cell(301, 0), "4");
  EXPECT_EQ(view.RowCount(kDataSheetGrid), 302 + kDataSheetSpareRows);

  EXPECT_EQ(sheet.CopyCells(2, 0, 3, 1), "10\te\n20\t2e15\n");
}

// ---- Nothing cut, nothing re-encoded --------------------------------------------------

namespace {

void fillPoints(Analysis& a, int count) {
  a.Temperature.clear();
  a.Concentration.clear();
  a.Reliability.clear();
  for (int i = 0; i < count; ++i) {
    a.Temperature.push_back(10 + 0.7531 * i);
    a.Concentration.push_back(1.234567e13 * (1 + 0.01 * i));
    a.Reliability.push_back(i % 2 ? 1 : 0.5);
  }
  a.DataCount = count;
  a.Semiconductor = "Si";
  a.ConductionType = "n-type";
}

}  // namespace

// One row per way a measurement reaches the sheet; every point reaches the record and the
// file, none is cut at the empty sheet's 299 rows.
TEST_F(DataSheet, EveryPointOfALongMeasurementIsKept) {
  struct Case {
    const char* what;
    int points;
    bool pasted;  // typed in by a paste into an empty sheet rather than shown by "Change Data"
  };
  for (const Case c :
       {Case{"change data, 299", 299, false}, Case{"change data, 300", 300, false},
        Case{"change data, 400", 400, false}, Case{"paste, 400", 400, true}, Case{"paste, 2500", 2500, true}}) {
    Analysis a;
    bool keyboardEntry = false, done = false;
    korv::test::FakeDataView v(DataSheetControls(), {{kDataSheetGrid, {kDataSheetRows, kDataSheetColumns}}});
    DataSheetPresenter s(a, v, keyboardEntry, done);
    fillPoints(a, c.points);
    const std::vector<double> t = a.Temperature, n = a.Concentration, r = a.Reliability;
    if (c.pasted) {
      std::string block;
      for (int i = 0; i < c.points; ++i)
        block += korv::FormatPattern(t[i], "0.0###") + "\t" + korv::FormatPattern(n[i], "0.000000E+00") + "\t" +
                 korv::FormatPattern(r[i], "0.0") + "\r\n";
      a.ResetAll();
      keyboardEntry = true;
      s.Prepare();
      EXPECT_EQ(s.PasteCells(1, 0, block), 3 * c.points) << c.what;
    } else {
      s.Prepare();
    }
    EXPECT_GE(v.RowCount(kDataSheetGrid), c.points + 1) << c.what;
    EXPECT_NE(v.Cell(kDataSheetGrid, c.points, 0), "") << c.what;
    v.SetText("ComboBoxConductionType", "n-type");
    const std::string file = target(std::to_string(c.points) + ".nT");
    v.saveReplies.push_back(file);
    s.ButtonSaveExperimentalDataClick();
    ASSERT_TRUE(done) << c.what << ": " << (v.errors.empty() ? "" : v.errors[0]);
    ASSERT_EQ(a.DataCount, c.points) << c.what;
    if (!c.pasted) {  // shown and saved unchanged: the record's own values
      EXPECT_EQ(a.Temperature, t) << c.what;
      EXPECT_EQ(a.Concentration, n) << c.what;
      EXPECT_EQ(a.Reliability, r) << c.what;
    } else {
      EXPECT_NEAR(a.Temperature.back(), t.back(), 1e-4) << c.what;
    }
    Analysis back;
    back.ExperimentalDataFile = file;
    ASSERT_TRUE(back.LoadMeasurementFile()) << c.what;
    EXPECT_EQ(back.DataCount, c.points) << c.what;
    EXPECT_EQ(back.Temperature.size(), static_cast<std::size_t>(c.points)) << c.what;
  }
}

// Where the sheet must stop, it refuses with a message and nothing is cut or changed.
TEST_F(DataSheet, PastWhatTheSheetTakesItRefusesInsteadOfCutting) {
  // A paste that would pass the last row the sheet takes: nothing pasted.
  std::string block;
  for (int i = 0; i < 10; ++i) block += "1\t1e15\t1\n";
  EXPECT_EQ(sheet.PasteCells(kMaxDataSheetPoints - 5, 0, block), 0);
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0],
            "The pasted block of 10 rows would end in row 100004; the data sheet takes at most 100000 "
            "points. Nothing was pasted.");
  EXPECT_EQ(view.RowCount(kDataSheetGrid), kDataSheetRows);

  // A measurement larger than the sheet takes: not shown, and not saved from the sheet.
  fillPoints(record, kMaxDataSheetPoints + 1);
  record.ExperimentalDataFile = target("large.nT");
  std::ofstream(record.ExperimentalDataFile, std::ios::binary) << "the file on disk";
  sheet.Prepare();
  ASSERT_EQ(view.errors.size(), 2u);
  const std::string refusal =
      "The measurement holds 100001 points; the data sheet takes at most 100000. It shows none of them and does not "
      "save them, so that no point is lost; \"Clear Data\" starts an empty sheet.";
  EXPECT_EQ(view.errors[1], refusal);
  EXPECT_EQ(cell(1, 0), "");
  view.saveReplies.push_back(record.ExperimentalDataFile);
  sheet.ButtonSaveExperimentalDataClick();
  ASSERT_EQ(view.errors.size(), 3u);
  EXPECT_EQ(view.errors[2], refusal);
  EXPECT_FALSE(saved);
  EXPECT_EQ(record.DataCount, kMaxDataSheetPoints + 1);
  EXPECT_EQ(readFile(record.ExperimentalDataFile), "the file on disk");
  // "Clear Data" starts afresh: a typed point saves.
  sheet.ButtonClearDataClick();
  typeRow(1, "300", "1e15", "1");
  view.saveReplies.push_back(target("typed.nT"));
  sheet.ButtonSaveExperimentalDataClick();
  EXPECT_TRUE(saved);
  EXPECT_EQ(record.DataCount, 1);
}

// The texts keep their bytes through the sheet: shown as UTF-8, saved in the encoding they
// came in; a comment is cut at 100 characters, never inside one.
TEST_F(DataSheet, TextsKeepTheirBytesAndTheirEncoding) {
  struct Case {
    const char* what;
    std::string name;       // MeasurementName as the record holds it
    std::string shown;      // what the edit shows
    std::string typedName;  // typed into the edit before saving ("" = left alone)
    std::string savedName;  // bytes of the record and the file afterwards
  };
  const std::string utf8 = "M\xC3\xBCller";
  const Case cases[] = {
      {"Windows-1252, left alone", "M\xFCller", utf8, "", "M\xFCller"},
      {"UTF-8, left alone", utf8, utf8, "", utf8},
      {"plain ASCII, left alone", "Mueller", "Mueller", "", "Mueller"},
      {"Windows-1252, edited", "M\xFCller \x80", "M\xC3\xBCller \xE2\x82\xAC", "Gr\xC3\xA9gory \xE2\x80\x93 2",
       "Gr\xE9gory \x96 2"},
      {"UTF-8, edited", utf8, utf8, "Gr\xC3\xA9gory", "Gr\xC3\xA9gory"},
  };
  for (const auto& c : cases) {
    Analysis a;
    bool keyboardEntry = false, done = false;
    korv::test::FakeDataView v(DataSheetControls(), {{kDataSheetGrid, {kDataSheetRows, kDataSheetColumns}}});
    DataSheetPresenter s(a, v, keyboardEntry, done);
    fillPoints(a, 3);
    a.MeasurementName = c.name;
    a.SampleNumber = "S-7";
    a.Remark = c.name == utf8 ? "Probe " + utf8
                              : "Probe M\xFC"
                                "ller";
    s.Prepare();
    EXPECT_EQ(v.Text("EditNameOfMeasurement"), c.shown) << c.what;
    if (!c.typedName.empty()) v.SetText("EditNameOfMeasurement", c.typedName);
    const std::string file = target("enc.nT");
    v.saveReplies.push_back(file);
    s.ButtonSaveExperimentalDataClick();
    ASSERT_TRUE(done) << c.what << ": " << (v.errors.empty() ? "" : v.errors[0]);
    EXPECT_EQ(a.MeasurementName, c.savedName) << c.what;
    const std::string remark = c.name == utf8 ? "Probe " + utf8
                                              : "Probe M\xFC"
                                                "ller";
    EXPECT_EQ(a.Remark, remark) << c.what;
    const std::string bytes = readFile(file);
    EXPECT_NE(bytes.find("% Name of measurement: " + c.savedName + "\r\n"), std::string::npos) << c.what;
    EXPECT_NE(bytes.find("% " + remark + "\r\n"), std::string::npos) << c.what;
    EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos) << c.what;  // no replacement character
  }
}

TEST_F(DataSheet, ACharacterTheEncodingCannotHoldIsRefusedNotReplaced) {
  fillPoints(record, 3);
  record.MeasurementName = "M\xFCller";
  record.ExperimentalDataFile = target("kept.nT");
  std::ofstream(record.ExperimentalDataFile, std::ios::binary) << "the file on disk";
  sheet.Prepare();
  view.SetText("EditComment", "\xCE\xA9 = 1");  // Greek capital omega
  view.saveReplies.push_back(record.ExperimentalDataFile);
  sheet.ButtonSaveExperimentalDataClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0],
            "'\xCE\xA9 = 1' holds '\xCE\xA9', which Windows-1252, the encoding of this measurement's texts, cannot "
            "hold. Nothing was saved.");
  EXPECT_FALSE(saved);
  EXPECT_EQ(record.Remark, "");
  EXPECT_EQ(readFile(record.ExperimentalDataFile), "the file on disk");
}

TEST_F(DataSheet, TheCommentIsCutAtOneHundredCharactersNeverInsideOne) {
  struct Case {
    const char* what;
    std::string recordName;  // decides the encoding
    std::string typed;
    std::string saved;
  };
  std::string umlauts120, umlauts100;
  for (int i = 0; i < 120; ++i) umlauts120 += "\xC3\xBC";
  for (int i = 0; i < 100; ++i) umlauts100 += "\xC3\xBC";
  const Case cases[] = {
      {"ASCII", "", std::string(130, 'x'), std::string(100, 'x')},
      {"UTF-8", "", "a" + umlauts120, "a" + umlauts100.substr(0, 99 * 2)},
      {"Windows-1252", "M\xFCller", umlauts120, std::string(100, '\xFC')},
  };
  for (const auto& c : cases) {
    Analysis a;
    bool keyboardEntry = false, done = false;
    korv::test::FakeDataView v(DataSheetControls(), {{kDataSheetGrid, {kDataSheetRows, kDataSheetColumns}}});
    DataSheetPresenter s(a, v, keyboardEntry, done);
    fillPoints(a, 1);
    a.MeasurementName = c.recordName;
    s.Prepare();
    v.SetText("EditComment", c.typed);
    v.saveReplies.push_back(target("comment.nT"));
    s.ButtonSaveExperimentalDataClick();
    ASSERT_TRUE(done) << c.what;
    EXPECT_EQ(a.Remark, c.saved) << c.what;
  }
}
