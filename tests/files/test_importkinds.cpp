// The common shapes of instrument and lab-script exports, one small fixture each, read with
// no choice but those a user must make: the points they give, or the refused row with its
// line, or the message that refuses the whole read.
#include <gtest/gtest.h>

#include <functional>

#include "core/Error.h"
#include "core/Plausibility.h"
#include "files/InstrumentImport.h"

using namespace korv;

namespace {

struct KindCase {
  const char* kind;
  std::string text;
  std::function<void(ImportSettings&)> choose;  // the user's choices; none when empty
  int accepted;                                 // points without refusal
  double firstT, firstN;                        // of the first accepted point
  int refusedLine;                              // first refused row, 0 when none
  const char* refusedReason;
  const char* error;                     // start of the message refusing the read, "" when none
  std::vector<std::string> reportParts;  // in Report()
};

const double q = kImportCharge;

}  // namespace

TEST(ImportKinds, EachKindIsReadRightOrRefusedWithItsLine) {
  std::string sweeps = "T (K)\tB (T)\tn (cm-3)\n";
  for (int t = 100; t <= 130; t += 10)
    for (const char* b : {"0.50", "1.00", "1.50"})
      sweeps += std::to_string(t) + "\t" + b + "\t" + std::to_string(t) + "e13\n";
  const KindCase cases[] = {
      // 1. An empty cell is a cell: the row is refused, the next column does not slide in.
      {"empty cell, tabs",
       "T (K)\tn (cm-3)\tmu (cm2/Vs)\n100\t1e15\t2082\n110\t\t2082\n120\t3e15\t2000\n",
       {},
       2,
       100,
       1e15,
       3,
       "empty cell in the concentration column",
       "",
       {"Refused: 1 line:\n  line 3: empty cell"}},
      {"empty last cell, tabs",
       "T (K)\tn (cm-3)\n100\t1e15\n110\t\n120\t3e15\n",
       {},
       2,
       100,
       1e15,
       3,
       "empty cell in the concentration column",
       "",
       {}},
      {"empty cell, commas",
       "T,R_H,rho\n100,-6.24e3,1\n110,,1\n120,-5e3,1\n",
       {},
       2,
       100,
       1 / (q * 6.24e3),
       3,
       "empty cell in the R_H column",
       "",
       {"Cells: commas", "R_H > 0 in 0, R_H < 0 in 2 rows: n-type proposed."}},
      // 2. RFC 4180: quoted numbers, doubled quotes, separators inside quotes.
      {"quoted CSV",
       "\"T (K)\",\"n (cm-3)\",\"note\"\n\"30.00\",\"6.15E+08\",\"a, b\"\n\"40.00\",\"1.5E+10\",\"say \"\"hi\"\"\"\n"
       "\"50\",\"x, 7\",\"\"\n",
       {},
       2,
       30,
       6.15e8,
       4,
       "no number in the concentration column",
       "",
       {"Cells: commas, decimal point, quoted cells", "Column names (line 1): T (K), n (cm-3), note."}},
      // 3. A preamble of key/value lines and a marker in another language.
      {"preamble and [Daten]",
       "\"Sample\",\"SiB-17\"\nThickness,525,um\n[Einstellungen]\nGain,10\n[Daten]\nT [K],p "
       "[cm^-3]\n100,1e15\n110,2e15\n",
       {},
       2,
       100,
       1e15,
       0,
       "",
       "",
       {"Settings block: lines 1-5, up to the marker [Daten].", "Column names (line 6): T [K], p [cm^-3].",
        "sample SiB-17 (line 1)", "thickness 525 micron (line 2)"}},
      {"preamble without marker",
       "Operator\tlab\nSample ID\tSi-7\n\nT (K)\tn (cm-3)\n100\t1e15\n110\t2e15\n",
       {},
       2,
       100,
       1e15,
       0,
       "",
       "",
       {"Preamble: 2 lines up to line 2.", "2 lines of the preamble"}},
      // 4. Units from a units row or from the names; a contradicting choice is refused.
      {"units row",
       "T\tR\nK\tcm3/C\n100\t-62.4\n110\t-31.2\n",
       {},
       2,
       100,
       1 / (q * 62.4),
       0,
       "",
       "",
       {"R_H [cm^3/C] from column 2", "Unit cm^3/C from the units row."}},
      {"units in the names, °C and m^-3",
       "Temperature (°C)\tp [m^-3]\n-173.15\t1e21\n-163.15\t2e21\n",
       {},
       2,
       100,
       1e15,
       0,
       "",
       "",
       {"T [°C] from column 1", "n [m^-3] from column 2"}},
      {"cm^3/C spelled with a caret",
       "T (K)\tHall Coefficient (cm^3/C)\n100\t62.4\n",
       {},
       1,
       100,
       1 / (q * 62.4),
       0,
       "",
       "",
       {"p-type proposed"}},
      {"a unit choice the file contradicts",
       "T (K)\tp [m^-3]\n100\t1e21\n",
       [](ImportSettings& s) { s.unit = ImportUnit::PerCubicCentimetre; },
       0,
       0,
       0,
       0,
       "",
       "The file gives m^-3 for column 2 \"p [m^-3]\", but the unit cm^-3 was chosen",
       {}},
      {"a scale choice the file contradicts",
       "T (K)\tn (cm-3)\n100\t1e15\n",
       [](ImportSettings& s) { s.celsius = true; },
       0,
       0,
       0,
       0,
       "",
       "The file gives K for column 1 \"T (K)\", but temperatures in °C were chosen",
       {}},
      {"sheet densities, thickness from the preamble",
       "Thickness: 500 um\nT (K)\tn_s (cm^-2)\n100\t5e12\n",
       {},
       1,
       100,
       1e14,
       0,
       "",
       "",
       {"n = n_s/d from sheet densities [cm^-2], d = 500 micron from line 1."}},
      {"sheet densities, thickness given",
       "T (K)\tn_s [m^-2]\n100\t5e16\n",
       [](ImportSettings& s) { s.thickness = 250; },
       1,
       100,
       5e12 / 250e-4,
       0,
       "",
       "",
       {"d = 250 micron as given"}},
      {"sheet densities without a thickness",
       "T (K)\tn_s (cm-2)\n100\t5e12\n",
       {},
       0,
       0,
       0,
       0,
       "",
       "Sheet densities [cm^-2] need the sample thickness",
       {}},
      // 5. Densities written negative for electrons: the sign proposes the type.
      {"signed densities",
       "T (K)\tn (cm-3)\n100\t-1e15\n110\t-2e15\n120\t3e15\n",
       {},
       2,
       100,
       1e15,
       0,
       "",
       "",
       {"n > 0 in 1, n < 0 in 2 rows (signed densities): n-type proposed.",
        "1 row whose sign disagrees with n-type (lines 4)"}},
      // 6. A Type column proposes the type and is no run.
      {"Type column",
       "Type\tT (K)\tn (cm-3)\nP\t100\t1e15\nP\t110\t2e15\n",
       {},
       2,
       100,
       1e15,
       0,
       "",
       "",
       {"Type column column 1 \"Type\": p-type proposed."}},
      // 7. Repeated sweeps: refused with the candidate run columns, read by run or averaged.
      {"repeated temperatures",
       sweeps,
       {},
       0,
       0,
       0,
       0,
       "",
       "The rows hold repeated temperatures (line 3 repeats the temperature of line 2): choose a run column "
       "(candidates: column 2 \"B (T)\")",
       {}},
      {"a run by a numeric column",
       sweeps,
       [](ImportSettings& s) {
         s.runColumn = "B (T)";
         s.run = "0.5";
       },
       4,
       100,
       1e15,
       0,
       "",
       "",
       {"Read 4 points of run 0.50", "8 lines of other runs"}},
      {"averaged sweeps",
       sweeps,
       [](ImportSettings& s) { s.average = true; },
       4,
       100,
       1e15,
       0,
       "",
       "",
       {"3 temperature sweeps: 8 rows averaged"}},
      // 8. Header values of the preamble.
      {"header values",
       "Sample: SiB-17\nDate: 2026-01-02\nField (T): 0.5\nCurrent: 100 uA\nThickness (mm): 0.525\nT (K)\tn "
       "(cm-3)\n100\t1e15\n",
       {},
       1,
       100,
       1e15,
       0,
       "",
       "",
       {"Header values: sample SiB-17 (line 1), thickness 525 micron (line 5), field 0.5 T (line 3), current 0.0001 A "
        "(line 4), date 2026-01-02 (line 2)."}},
      // 9. Hints where a choice is likely wrong.
      {"°C hint",
       "T\tn\n-20\t1e15\n-10\t2e15\n",
       {},
       0,
       0,
       0,
       2,
       "temperature not above 0 K",
       "",
       {"Hint: °C? choose Temperature in °C"}},
      {"a note between the rows",
       "T (K)\tn (cm-3)\n100\t1e15\npause\tcryostat refill\n110\t2e15\n120\t3e15\n130\t4e15\n",
       {},
       4,
       100,
       1e15,
       3,
       "no number in the temperature column",
       "",
       {"Column names (line 1): T (K), n (cm-3)."}},
      {"m^-3 hint", "T\tn\n100\t1e21\n110\t2e21\n", {}, 2, 100, 1e21, 0, "", "", {"Hint: m⁻³? choose the unit"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ImportSettings s;
    if (c.choose) c.choose(s);
    if (*c.error) {
      try {
        ImportMeasurement(c.text, s);
        ADD_FAILURE() << "no error";
      } catch (const korv::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.error, 0), 0u) << e.what();
      }
      continue;
    }
    ImportResult r;
    try {
      r = ImportMeasurement(c.text, s);
    } catch (const korv::Error& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    const std::string report = r.Report(s);
    EXPECT_EQ(r.Accepted(), c.accepted) << report;
    for (const auto& p : r.points)
      if (p.refusal == Refusal::None) {
        EXPECT_NEAR(p.temperature, c.firstT, 1e-9 * c.firstT) << report;
        EXPECT_NEAR(p.concentration, c.firstN, 1e-9 * c.firstN) << report;
        break;
      }
    const ImportedPoint* refused = r.FirstRefused();
    EXPECT_EQ(refused ? refused->line : 0, c.refusedLine) << report;
    EXPECT_EQ(refused ? refused->reason : "", c.refusedReason) << report;
    for (const auto& part : c.reportParts) EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
  }
}

TEST(ImportKinds, CsvCellsFollowRfc4180) {
  ImportLayout csv;
  csv.separator = ImportSeparator::Comma;
  EXPECT_EQ(csv.Cells("\"a, b\",\"say \"\"hi\"\"\",,7 , \"\""),
            (std::vector<std::string>{"a, b", "say \"hi\"", "", "7", ""}));
  EXPECT_EQ(csv.Cells("\"unclosed, 1"), (std::vector<std::string>{"unclosed, 1"}));
  EXPECT_EQ(csv.Cells(""), (std::vector<std::string>{""}));
}

TEST(ImportKinds, UnitsAreReadInTheirCommonSpellings) {
  const std::pair<const char*, ColumnUnit> cases[] = {
      {"K", ColumnUnit::Kelvin},
      {"°C", ColumnUnit::Celsius},
      {"degC", ColumnUnit::Celsius},
      {"cm-3", ColumnUnit::PerCubicCentimetre},
      {"cm^-3", ColumnUnit::PerCubicCentimetre},
      {"cm⁻³", ColumnUnit::PerCubicCentimetre},
      {"1/cm3", ColumnUnit::PerCubicCentimetre},
      {"m^-3", ColumnUnit::PerCubicMetre},
      {"cm3/C", ColumnUnit::CubicCentimetrePerCoulomb},
      {"cm^3/C", ColumnUnit::CubicCentimetrePerCoulomb},
      {"m³/C", ColumnUnit::CubicMetrePerCoulomb},
      {"cm⁻²", ColumnUnit::PerSquareCentimetre},
      {"m-2", ColumnUnit::PerSquareMetre},
      {"Ohm cm", ColumnUnit::None},
      {"", ColumnUnit::None},
  };
  for (const auto& [text, unit] : cases) EXPECT_EQ(ParseColumnUnit(text), unit) << text;
  EXPECT_EQ(UnitOfName("Hall Coefficient (cm^3/C)"), "cm^3/C");
  EXPECT_EQ(UnitOfName("p [m^-3]"), "m^-3");
  EXPECT_EQ(UnitOfName("R_H_m3/C"), "m3/C");
  EXPECT_EQ(UnitOfName("T_K"), "K");
  EXPECT_EQ(UnitOfName("Temperature"), "");
}

TEST(ImportKinds, QuotedLinesShowTabsAsBlanks) {
  EXPECT_EQ(QuotedLine("100\t\t2082\r"), "100  2082");
  EXPECT_EQ(QuotedLine(std::string("a\0b", 3)), "a?b");
}

TEST(ImportKinds, LevelDensitiesNoSampleCanHaveAreImplausible) {
  const std::vector<double> measured{1e14, 2e16, 1.2e17};
  const std::pair<EvaluatedLevel, const char*> cases[] = {
      {{"H1", 2e16}, ""},
      {{"H1", 1.2e20}, ""},  // 1000 times the largest measured: still plausible
      {{"H2", -3.1e15}, "H2 density -3.10E+15 cm^-3 is negative"},
      {{"H2", 5.75e23}, "H2 density 5.75E+23 cm^-3 is above 1E+23 cm^-3"},
      {{"H3", 5.75e22},
       "H3 density 5.75E+22 cm^-3 is more than 1000 times the largest measured concentration 1.20E+17 cm^-3"},
  };
  for (const auto& [level, what] : cases) EXPECT_EQ(ImplausibleLevels({level}, measured), what) << level.density;
  EXPECT_EQ(ImplausibleLevels({{"H1", 2e16}, {"H2", -1}}, measured), "H2 density -1.00E+00 cm^-3 is negative");
}
