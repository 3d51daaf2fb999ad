// The reader of instrument exports: fixtures shaped like real exports, each with the
// conversion it must give (the .expected file beside it, computed independently), and a
// table of small malformed inputs with the outcome each must have.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <fstream>
#include <sstream>

#include "core/Error.h"
#include "files/InstrumentImport.h"

using namespace korv;

namespace {

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string fixture(const std::string& name) { return std::string(KORV_TEST_DATA) + "/import/" + name; }

// Rows of numbers after '%' comment lines.
std::vector<std::vector<double>> expectedRows(const std::string& name) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(readText(fixture(name)));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '%') continue;
    std::istringstream cells(line);
    std::vector<double> row;
    double v = 0;
    while (cells >> v) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

ImportSettings columns(const char* t, const char* n, ImportQuantity q = ImportQuantity::Concentration,
                       ImportUnit u = ImportUnit::PerCubicCentimetre) {
  ImportSettings s;
  s.temperatureColumn = t;
  s.concentrationColumn = n;
  s.quantity = q;
  s.unit = u;
  return s;
}

}  // namespace

struct FixtureCase {
  const char* file;
  const char* expected;  // T, n (, reliability) of every point in the order of the file
  ImportSettings settings;
  const char* separator;
  int markerLine, namesLine, commentLines, settingsLines, otherRunLines, signLines;
  const char* proposedType;
  const char* signLines_;  // LineList of the rows left out for their sign
};

TEST(InstrumentImport, FixturesGiveTheirExpectedConversion) {
  ImportSettings block = columns("Temperature (K)", "hall coefficient (CM3/C)", ImportQuantity::HallCoefficient,
                                 ImportUnit::CubicCentimetrePerCoulomb);
  ImportSettings semicolon = columns("1", "p [m^-3]", ImportQuantity::Concentration, ImportUnit::PerCubicMetre);
  semicolon.celsius = true;
  semicolon.reliabilityColumn = "3";
  semicolon.conductionType = "p-type";
  ImportSettings runA = columns("T_K", "R_H_m3/C", ImportQuantity::HallCoefficient, ImportUnit::CubicMetrePerCoulomb);
  ImportSettings runB = runA;
  runB.run = "B";
  const FixtureCase cases[] = {
      {"settings_block.txt", "settings_block.expected", block, "tabs, decimal point", 11, 12, 1, 11, 0, 0, "n-type",
       ""},
      {"semicolon_decimal_comma.csv", "semicolon_decimal_comma.expected", semicolon, "semicolons, decimal comma", 0, 3,
       2, 0, 0, 0, "", ""},
      {"two_runs.txt", "two_runs_A.expected", runA, "blanks, tabs or commas, decimal point", 0, 2, 1, 0, 20, 0,
       "p-type", ""},
      {"two_runs.txt", "two_runs_B.expected", runB, "blanks, tabs or commas, decimal point", 0, 2, 1, 0, 20, 3,
       "p-type", "40-42"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " -> " + c.expected);
    const ImportResult r = ImportMeasurement(readText(fixture(c.file)), c.settings);
    EXPECT_EQ(r.layout.SeparatorText(), c.separator);
    EXPECT_EQ(r.layout.markerLine, c.markerLine);
    EXPECT_EQ(r.layout.namesLine, c.namesLine);
    EXPECT_EQ(r.commentLines, c.commentLines);
    EXPECT_EQ(r.settingsLines, c.settingsLines);
    EXPECT_EQ(r.otherRunLines, c.otherRunLines);
    EXPECT_EQ(r.signLines, c.signLines);
    EXPECT_EQ(LineList(r.signLineNumbers), c.signLines_);
    EXPECT_EQ(r.proposedType, c.proposedType);
    EXPECT_EQ(r.Refused(), 0) << r.Report(c.settings);
    const auto expected = expectedRows(c.expected);
    ASSERT_EQ(r.points.size(), expected.size()) << r.Report(c.settings);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(r.points[i].temperature, expected[i][0], 1e-9 * expected[i][0]) << "point " << i;
      EXPECT_NEAR(r.points[i].concentration, expected[i][1], 1e-9 * expected[i][1]) << "point " << i;
      EXPECT_EQ(r.points[i].reliability, expected[i].size() > 2 ? expected[i][2] : 1.0) << "point " << i;
    }
  }
}

TEST(InstrumentImport, LayoutOfTheFixtures) {
  const ImportLayout block = AnalyseLayout(readText(fixture("settings_block.txt")));
  EXPECT_EQ(block.marker, "[Data]");
  ASSERT_EQ(block.names.size(), 5u);
  EXPECT_EQ(block.names[1], "Hall coefficient (cm3/C)");
  EXPECT_EQ(block.runColumn, -1);
  const ImportLayout runs = AnalyseLayout(readText(fixture("two_runs.txt")));
  EXPECT_EQ(runs.runColumn, 0);
  EXPECT_EQ(runs.runs, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(runs.names, (std::vector<std::string>{"Run", "T_K", "R_H_m3/C", "rho_Ohm_m"}));
}

TEST(InstrumentImport, ReportSaysWhatWasReadSkippedAndRefused) {
  ImportSettings s = columns("T_K", "R_H_m3/C", ImportQuantity::HallCoefficient, ImportUnit::CubicMetrePerCoulomb);
  s.run = "B";
  s.hallFactor = 1.18;
  const ImportResult r = ImportMeasurement(readText(fixture("two_runs.txt")), s);
  const std::string report = r.Report(s);
  for (const char* part : {"Read 17 points of run B: T [K] from column 2 \"T_K\", R_H [m^3/C] from column 3",
                           "with the Hall factor r_H = 1.18.", "Runs in column 1 \"Run\": A, B.",
                           "R_H > 0 in 17, R_H < 0 in 3 rows: p-type proposed.",
                           "Skipped: 1 comment line, 1 header line, 20 lines of other runs, 3 rows whose R_H sign "
                           "disagrees with p-type (lines 40-42).",
                           "Refused: none."})
    EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
  // The Hall factor scales every density.
  const ImportResult plain = ImportMeasurement(readText(fixture("two_runs.txt")), [&] {
    ImportSettings t = s;
    t.hallFactor = 1;
    return t;
  }());
  EXPECT_NEAR(r.points[0].concentration / plain.points[0].concentration, 1.18, 1e-12);
  // The lines left out, in order, with their reasons.
  ASSERT_FALSE(r.notes.empty());
  EXPECT_EQ(r.notes[0].reason, "comment");
  EXPECT_EQ(r.notes[1].reason, "column names");
  EXPECT_EQ(r.notes[2].first, 3);
  EXPECT_EQ(r.notes[2].last, 22);
  EXPECT_EQ(r.notes[2].reason, "run A");
  EXPECT_EQ(r.notes.back().first, 40);
  EXPECT_EQ(r.notes.back().reason, "R_H < 0 disagrees with p-type");
}

TEST(InstrumentImport, AChosenTypeOverridesTheSignsProposal) {
  ImportSettings s = columns("T_K", "R_H_m3/C", ImportQuantity::HallCoefficient, ImportUnit::CubicMetrePerCoulomb);
  s.run = "B";
  s.conductionType = "n-type";
  const ImportResult r = ImportMeasurement(readText(fixture("two_runs.txt")), s);
  EXPECT_EQ(r.proposedType, "p-type");
  EXPECT_EQ(r.conductionType, "n-type");
  EXPECT_EQ(r.points.size(), 3u);
  EXPECT_EQ(r.signLines, 17);
}

// Small inputs, one a row: the points they give (T and n of the first), the lines they
// count as skipped, or the message that refuses the choice.
struct SmallCase {
  const char* what;
  std::string text;
  ImportSettings settings;
  int points;  // points without refusal
  double firstT, firstN;
  int comments, headers, empties;
  const char* firstRefusal;  // reason of the first refused row, "" when none
  const char* error;         // message of a choice that does not fit, "" when none
};

TEST(InstrumentImport, SmallInputs) {
  const ImportSettings plain = columns("1", "2");
  ImportSettings hall = columns("1", "2", ImportQuantity::HallCoefficient, ImportUnit::CubicCentimetrePerCoulomb);
  ImportSettings hallCm = hall;
  hallCm.unit = ImportUnit::PerCubicCentimetre;
  ImportSettings zeroFactor = hall;
  zeroFactor.hallFactor = 0;
  ImportSettings byName = columns("T", "n");
  ImportSettings unknownName = columns("T", "density");
  ImportSettings run = plain;
  run.run = "x";
  ImportSettings celsius = plain;
  celsius.celsius = true;
  ImportSettings reliability = plain;
  reliability.reliabilityColumn = "3";
  ImportSettings column16 = columns("16", "2");
  const double q = kImportCharge;
  const SmallCase cases[] = {
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "300 1e15\n",
       plain, 1, 300, 1e15, 0, 0, 0, "", ""},
      {"byte-order mark before names",
       "\xEF\xBB\xBF"
       "T,n\n300,1e15\n",
       byName, 1, 300, 1e15, 0, 1, 0, "", ""},
      {"hash comment", "# run 1\n300 1e15\n", plain, 1, 300, 1e15, 1, 0, 0, "", ""},
      {"percent comment", "% Temperature Concentration\n300 1e15\n", plain, 1, 300, 1e15, 1, 0, 0, "", ""},
      {"semicolon comment", "; exported\n300 1e15\n", plain, 1, 300, 1e15, 1, 0, 0, "", ""},
      {"slash comment", "  // exported\n300 1e15\n", plain, 1, 300, 1e15, 1, 0, 0, "", ""},
      {"comment between points", "300 1e15\n# pause\n310 2e15\n", plain, 2, 300, 1e15, 1, 0, 0, "", ""},
      {"names row", "T [K], n [cm^-3]\n300, 1e15\n", plain, 1, 300, 1e15, 0, 1, 0, "", ""},
      {"commas and tabs mixed", "index, T [K], n\n0,\t35, 1.29e13\n", columns("T [K]", "3"), 1, 35, 1.29e13, 0, 1, 0,
       "", ""},
      {"names and units rows", "T\tn\nK\tcm-3\n300\t1e15\n", byName, 1, 300, 1e15, 0, 2, 0, "", ""},
      {"names chosen in any case", "t;N\n300;1e15\n", byName, 1, 300, 1e15, 0, 1, 0, "", ""},
      {"unknown name", "T;n\n300;1e15\n", unknownName, 0, 0, 0, 0, 0, 0, "",
       "There is no column named 'density' (the columns are T, n)"},
      {"name without names row", "300 1e15\n", byName, 0, 0, 0, 0, 0, 0, "",
       "There is no column named 'T': the text has no row of column names"},
      {"column 16", "300 1e15\n", column16, 0, 0, 0, 0, 0, 0, "", "'16' is not a column from 1 to 15"},
      {"text in a later row", "300 1e15\nabc def\n", plain, 1, 300, 1e15, 0, 0, 0,
       "no number in the temperature column", ""},
      {"zero concentration", "300 0\n", plain, 0, 0, 0, 0, 0, 0, "concentration zero or negative", ""},
      {"negative temperature", "-20 1e15\n", plain, 0, 0, 0, 0, 0, 0, "temperature not above 0 K", ""},
      {"Celsius", "-173.15 1e15\n", celsius, 1, 100, 1e15, 0, 0, 0, "", ""},
      {"negative reliability", "300 1e15 -1\n", reliability, 0, 0, 0, 0, 0, 0, "negative reliability", ""},
      {"empty lines and separators", "\n300 1e15\n , ,\n;;\n", plain, 1, 300, 1e15, 0, 0, 3, "", ""},
      {"semicolons keep empty cells", "300;;1e15\n", columns("1", "3"), 1, 300, 1e15, 0, 0, 0, "", ""},
      {"time stamp with a blank in a tab file", "time\tT\tn\n2025-01-01 10:00\t300\t1e15\n", byName, 1, 300, 1e15, 0, 1,
       0, "", ""},
      {"decimal comma with tabs", "77,5\t1,5e16\n", plain, 1, 77.5, 1.5e16, 0, 0, 0, "", ""},
      {"tabs with decimal point keep commas as separators", "77.5\t1.5e16\n0,5 2\n", plain, 1, 77.5, 1.5e16, 0, 0, 0,
       "temperature not above 0 K", ""},
      {"R_H in cm^3/C", "300 -62.4\n", hall, 1, 300, 1 / (q * 62.4), 0, 0, 0, "", ""},
      {"R_H zero", "300 0\n", hall, 0, 0, 0, 0, 0, 0, "R_H is zero", ""},
      {"R_H with a concentration unit", "300 1\n", hallCm, 0, 0, 0, 0, 0, 0, "",
       "The unit cm^-3 does not belong to a Hall coefficient"},
      {"Hall factor 0", "300 1\n", zeroFactor, 0, 0, 0, 0, 0, 0, "", "The Hall factor must be a number greater than 0"},
      {"run without run column", "300 1e15\n", run, 0, 0, 0, 0, 0, 0, "",
       "There is no run 'x': the text holds one run only"},
      {"unknown run", "a 300 1e15\na 310 1e15\n",
       [&] {
         ImportSettings s = columns("2", "3");
         s.run = "b";
         return s;
       }(),
       0, 0, 0, 0, 0, 0, "", "There is no run 'b' in the text (the runs are a)"},
      {"settings block without names", "Operator: lab\nDate 2025-01-01\n[DATA]\n300 1e15\n", plain, 1, 300, 1e15, 0, 0,
       0, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (*c.error) {
      try {
        ImportMeasurement(c.text, c.settings);
        ADD_FAILURE() << "no error";
      } catch (const korv::Error& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
      continue;
    }
    const ImportResult r = ImportMeasurement(c.text, c.settings);
    EXPECT_EQ(r.Accepted(), c.points) << r.Report(c.settings);
    if (c.points > 0) {
      EXPECT_NEAR(r.points[0].temperature, c.firstT, 1e-12 * c.firstT);
      EXPECT_NEAR(r.points[0].concentration, c.firstN, 1e-12 * c.firstN);
    }
    EXPECT_EQ(r.commentLines, c.comments);
    EXPECT_EQ(r.headerLines, c.headers);
    EXPECT_EQ(r.emptyLines, c.empties);
    const ImportedPoint* refused = r.FirstRefused();
    EXPECT_EQ(refused ? refused->reason : "", c.firstRefusal);
  }
}

TEST(InstrumentImport, LineListsAreCompact) {
  EXPECT_EQ(LineList({3, 4, 5, 9, 11, 12}), "3-5, 9, 11-12");
  EXPECT_EQ(LineList({}), "");
  EXPECT_EQ(LineList({1, 3, 5, 7}, 2), "1, 3, ...");
}

TEST(InstrumentImport, ALineOfManyCellsCostsNoMemory) {
  std::string line;
  for (int i = 0; i < 200000; ++i) line += "7,";
  const ImportResult r = ImportMeasurement(line + "\n8 9", columns("1", "2"));
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_EQ(r.points[1].temperature, 8);
}

TEST(InstrumentImport, ALineShortOfAChosenColumnIsSkippedSoColumnsStayInStep) {
  const ImportResult r = ImportMeasurement("300,1e15,7\n400,2e15\n500,3e15,9\n", columns("1", "3"));
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_EQ(r.points[0].concentration, 7);
  EXPECT_EQ(r.points[1].temperature, 500);
  EXPECT_EQ(r.points[1].line, 3);
  EXPECT_EQ(r.shortLines, 1);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0].first, 2);
  EXPECT_EQ(r.notes[0].reason, "fewer values than the chosen columns");
}

TEST(InstrumentImport, TheSameColumnForTAndNGivesNEqualToT) {
  const ImportResult r = ImportMeasurement("10 1e15\n20 2e15", columns("2", "2"));
  ASSERT_EQ(r.points.size(), 2u);
  for (const auto& p : r.points) EXPECT_EQ(p.temperature, p.concentration);
}

TEST(InstrumentImport, ReadsTheSameUnderAGermanLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
    GTEST_SKIP() << "no German locale installed";
  const ImportResult points = ImportMeasurement("77.5\t1.5e16\n", columns("1", "2"));
  const ImportResult commas = ImportMeasurement("77,5;1,5e16\n", columns("1", "2"));
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_EQ(points.points.size(), 1u);
  EXPECT_EQ(points.points[0].temperature, 77.5);
  ASSERT_EQ(commas.points.size(), 1u);
  EXPECT_EQ(commas.points[0].temperature, 77.5);
  EXPECT_EQ(commas.points[0].concentration, 1.5e16);
}
