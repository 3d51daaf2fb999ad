// The material parameter lookup and the semiconductor reference table.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "core/Analysis.h"
#include "core/Numbers.h"
#include "materials/MaterialTable.h"
#include "materials/SemiconductorTable.h"

namespace {

struct LookupCase {
  const char* semiconductor;
  const char* conductionType;
  const char* mass;
  const char* minima;
  const char* density;
};

// What the density-of-states tab shows after the lookup, for known and unknown names.
TEST(MaterialLookup, TableOfCases) {
  const LookupCase cases[] = {
      {"Si", "n-type", "0.32", "6", "1.02E+50"},
      {"Si", "p-type", "0.59", "1", "4.27E+49"},
      {"GaAs", "n-type", "0.063", "1", "1.49E+48"},
      {"GaAs", "p-type", "0.52", "1", "3.53E+49"},
      {"GaAs", "semi-insulating", "0.52", "1", "3.53E+49"},  // any other text counts as p-type
      {"gaas", "n-type", "1", "1", "9.36E+49"},              // capitalisation matters
      {"GaAs ", "n-type", "1", "1", "9.36E+49"},             // so does a trailing blank
      {"", "n-type", "1", "1", "9.36E+49"},
      {"ZnGeAS2", "n-type", "0.059", "1", "1.35E+48"},  // the table's own spelling
      {"ZnGeAs2", "n-type", "1", "1", "9.36E+49"},
      {"GaS", "p-type", "1", "1", "9.42E+49"},  // the last row is found
  };
  for (const auto& c : cases) {
    Analysis a;
    a.Semiconductor = c.semiconductor;
    a.ConductionType = c.conductionType;
    korv::ApplyMaterialParameters(a);
    auto texts = korv::MaterialEdits(a);
    EXPECT_EQ(texts.Mass, c.mass) << c.semiconductor << " " << c.conductionType;
    EXPECT_EQ(texts.EquivalentMinima, c.minima) << c.semiconductor << " " << c.conductionType;
    EXPECT_EQ(texts.EffectiveDensityOfStates, c.density) << c.semiconductor << " " << c.conductionType;
  }
}

TEST(MaterialLookup, FillsBandFieldsAndActiveTriple) {
  Analysis a;
  a.Semiconductor = "4H-SiC";
  a.ConductionType = "n-type";
  a.DielectricConstant = 1;
  ASSERT_NE(korv::ApplyMaterialParameters(a), nullptr);
  EXPECT_EQ(a.ConductionBandCoefficient, 3.26e15);
  EXPECT_EQ(a.ValenceBandCoefficient, 4.83e15);
  EXPECT_EQ(a.ElectronMass, 0.37);
  EXPECT_EQ(a.HoleMass, 1);
  EXPECT_EQ(a.ElectronMinima, 3);
  EXPECT_EQ(a.HoleMinima, 1);
  EXPECT_EQ(a.DielectricConstant, 9.66);
  EXPECT_EQ(a.DosCoefficient, 3.26e15);
  EXPECT_EQ(a.EffectiveMass, 0.37);
  EXPECT_EQ(a.EquivalentMinima, 3);

  // An unknown name gets the defaults, whatever an earlier material or window left:
  // mass 1, minima 1, 4.8e15 and the record's initial dielectric constant.
  Analysis b;
  b.Semiconductor = "Unobtainium";
  b.ConductionType = "p-type";
  b.DielectricConstant = 7.5;
  EXPECT_EQ(korv::ApplyMaterialParameters(b), nullptr);
  EXPECT_EQ(b.ValenceBandCoefficient, 4.8e15);
  EXPECT_EQ(b.DosCoefficient, 4.8e15);
  EXPECT_EQ(b.EffectiveMass, 1);
  EXPECT_EQ(b.DielectricConstant, Analysis().DielectricConstant);

  a.Semiconductor = "4H-SiC\r";  // a stray carriage return matches nothing
  EXPECT_EQ(korv::ApplyMaterialParameters(a), nullptr);
  EXPECT_EQ(a.ConductionBandCoefficient, 4.8e15);
  EXPECT_EQ(a.ElectronMass, 1);
  EXPECT_EQ(a.ElectronMinima, 1);
  EXPECT_EQ(a.EffectiveMass, 1);
  EXPECT_EQ(a.EquivalentMinima, 1);
  EXPECT_EQ(a.DielectricConstant, Analysis().DielectricConstant);
}

TEST(MaterialLookup, UnknownNameNoteNamesTheDefaults) {
  EXPECT_EQ(korv::UnknownMaterialNote("Si"), "");
  EXPECT_EQ(korv::UnknownMaterialNote("Silicon"),
            "The semiconductor 'Silicon' is not in the material table: the effective mass 1, the equivalent minima 1 "
            "and the default dielectric constant are used.");
  // A stray carriage return is shown, not sent to the box.
  EXPECT_EQ(korv::UnknownMaterialNote("Si\r"),
            "The semiconductor 'Si?' is not in the material table: the effective mass 1, the equivalent minima 1 and "
            "the default dielectric constant are used.");
}

TEST(MaterialTable, RowsAreConsistent) {
  auto table = korv::MaterialTable();
  ASSERT_EQ(table.size(), 77u);
  EXPECT_EQ(table.front().Name, "Si");
  EXPECT_EQ(table.back().Name, "GaS");
  std::set<std::string_view> names;
  for (const auto& row : table) EXPECT_TRUE(names.insert(row.Name).second) << "twice: " << row.Name;

  const auto& beta = table[65];
  const auto& gamma = table[66];
  EXPECT_EQ(beta.Name, "beta-Ag2Te");
  EXPECT_EQ(gamma.Name, "gamma-Ag2Te");
  EXPECT_EQ(beta.ConductionBandCoefficient, gamma.ConductionBandCoefficient);
  EXPECT_EQ(beta.ValenceBandCoefficient, gamma.ValenceBandCoefficient);
  EXPECT_EQ(beta.ElectronMass, gamma.ElectronMass);
  EXPECT_EQ(beta.HoleMass, gamma.HoleMass);
  EXPECT_EQ(beta.ElectronMinima, gamma.ElectronMinima);
  EXPECT_EQ(beta.DielectricConstant, gamma.DielectricConstant);

  // Every row: positive values, whole numbers of minima.
  for (const auto& row : table) {
    EXPECT_GT(row.ConductionBandCoefficient, 0) << row.Name;
    EXPECT_GT(row.ValenceBandCoefficient, 0) << row.Name;
    EXPECT_GT(row.ElectronMass, 0) << row.Name;
    EXPECT_GT(row.HoleMass, 0) << row.Name;
    EXPECT_EQ(row.ElectronMinima, std::floor(row.ElectronMinima)) << row.Name;
    EXPECT_GE(row.DielectricConstant, 1) << row.Name;
  }
}

// The numeric value a reference cell stands for: "0.3 h)" is 0.3, "4?" is 4,
// "? (1)" and "?(10)" the tentative value in parentheses; NaN for "?" alone.
double cellValue(std::string_view cell) {
  std::string s(korv::Trim(cell));
  if (s.size() > 2 && s[s.size() - 1] == ')' && s[s.size() - 3] == ' ' && std::isalpha(s[s.size() - 2]))
    s = s.substr(0, s.size() - 3);  // comment letter
  if (!s.empty() && s[0] == '?') {
    auto open = s.find('('), close = s.find(')');
    if (open == std::string::npos || close == std::string::npos) return NAN;
    s = s.substr(open + 1, close - open - 1);
  }
  while (!s.empty() && (s.back() == '?' || s.back() == ' ')) s.pop_back();
  double v;
  return korv::TryParseReal(s, v) ? v : NAN;
}

TEST(ReferenceTable, ShapeAndHeaders) {
  auto cells = korv::SemiconductorTable();
  ASSERT_EQ(cells.size(), 78u);
  const korv::SemiconductorRow headers = {"Material",
                                          "Electron mass",
                                          "ml",
                                          "mt",
                                          "Mc",
                                          "Hole mass",
                                          "mlh",
                                          "mhh",
                                          "Dielectric constant e)",
                                          "Crystal structure",
                                          "Band structure",
                                          "Bandgap [eV]",
                                          "References"};
  EXPECT_EQ(cells[0], headers);
  EXPECT_EQ(korv::SemiconductorReferences().size(), 6u);
  EXPECT_EQ(korv::SemiconductorComments().size(), 8u);
  EXPECT_EQ(korv::SemiconductorNotes().size(), 4u);
  auto widths = korv::SemiconductorColumnWidths();
  EXPECT_EQ(std::vector<int>(widths.begin(), widths.end()),
            (std::vector<int>{80, 85, 44, 42, 43, 77, 45, 44, 108, 115, 95, 101, 74}));
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string_view ref = korv::SemiconductorReferences()[i];
    EXPECT_EQ(ref.substr(0, 3), std::to_string(i + 1) + ") ");
    EXPECT_EQ(ref.find('\n'), std::string_view::npos);
  }
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(korv::SemiconductorComments()[i][0], 'a' + static_cast<char>(i));
}

TEST(ReferenceTable, TellingCells) {
  auto cells = korv::SemiconductorTable();
  EXPECT_EQ(cells[1][10], "Indirect  a)");
  EXPECT_EQ(cells[20][0], "Diamond");
  EXPECT_EQ(cells[20][4], "6 ");
  EXPECT_EQ(cells[76][11], "2.14[direct] (300 K) ");
  // ml and mt: empty for single-valley materials, "?" where valley masses are unknown.
  for (std::size_t r = 1; r < cells.size(); ++r) {
    if (cells[r][4] == "1") {
      EXPECT_EQ(cells[r][2], "") << cells[r][0];
      EXPECT_EQ(cells[r][3], "") << cells[r][0];
    }
  }
  for (int r : {11, 34, 35}) {
    SCOPED_TRACE(std::string(cells[r][0]));
    EXPECT_EQ(cells[r][2], "?");
    EXPECT_EQ(cells[r][3], "?");
  }
  EXPECT_EQ(cells[11][0], "BN");
  EXPECT_EQ(cells[34][0], "AgCl");
  EXPECT_EQ(cells[35][0], "AgBr");
  // The bandgap texts from Cu2Te to GaS end with a blank.
  for (std::size_t r = 60; r <= 77; ++r) EXPECT_EQ(cells[r][11].back(), ' ') << cells[r][0];
  EXPECT_EQ(cells[60][0], "Cu2Te");
}

// Masses, minima and dielectric constants agree with the lookup table, row for row;
// references name only the six numbered sources.
TEST(ReferenceTable, AgreesWithTheMaterialTable) {
  auto cells = korv::SemiconductorTable();
  auto table = korv::MaterialTable();
  ASSERT_EQ(cells.size(), table.size() + 1);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto& row = cells[i + 1];
    const auto& m = table[i];
    SCOPED_TRACE(std::string(row[0]));
    if (m.Name == "ZnGeAS2")
      EXPECT_EQ(row[0], "ZnGeAs2");
    else
      EXPECT_EQ(row[0], m.Name);
    EXPECT_EQ(cellValue(row[1]), m.ElectronMass);
    EXPECT_EQ(cellValue(row[4]), m.ElectronMinima);
    EXPECT_EQ(cellValue(row[5]), m.HoleMass);
    EXPECT_EQ(cellValue(row[8]), m.DielectricConstant);
    EXPECT_FALSE(row[9].empty());
    EXPECT_TRUE(row[10].rfind("Direct", 0) == 0 || row[10].rfind("Indirect", 0) == 0 || row[10] == "?");
    if (korv::Trim(row[11]) != "?") {
      EXPECT_NE(row[11].find(" K)"), std::string_view::npos) << row[11];
    }
    for (char c : row[12]) EXPECT_TRUE(std::string("123456), ").find(c) != std::string::npos) << row[12];
    // The valley masses of a multi-valley material give its per-valley mass.
    double ml = cellValue(row[2]), mt = cellValue(row[3]);
    if (!std::isnan(ml) && !std::isnan(mt) && m.ElectronMinima > 1) {
      EXPECT_NEAR(std::cbrt(ml * mt * mt), m.ElectronMass, 0.02);
    }
  }
}

}  // namespace
