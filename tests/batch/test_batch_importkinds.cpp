// End to end, one export of each common shape written from a measurement of known model
// (tests/data/import/kinds/make_kinds.py): converted with only what a user must say (the
// semiconductor; averaging or dropping a refused row where the file needs that choice),
// analysed, and compared with the measurement's points and with the model's level.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "support/BatchRun.h"
#include "support/Files.h"
#include "support/MiniJson.h"

namespace minijson = korv::test::minijson;
namespace fs = std::filesystem;
using korv::test::ReadBytes;

namespace {

std::string data(const std::string& name) { return std::string(KORV_TEST_DATA) + "/" + name; }

// T and n of every point of a measurement file.
std::vector<std::pair<double, double>> measuredPoints(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '%' || line == "\r") continue;
    std::istringstream cells(line);
    double t = 0, n = 0;
    if (cells >> t >> n) points.emplace_back(t, n);
  }
  return points;
}

struct KindFile {
  const char* file;
  const char* args;     // beyond --semiconductor Si
  const char* dataset;  // the measurement it was written from
  const char* type;
  int dropped;                       // the index of the point left out, -1 when none
  double modelDensity, modelEnergy;  // of the model's level, cm^-3 and eV
  std::vector<std::string> said;     // in what convert printed
  std::vector<std::string> header;   // lines of the written header
};

class ImportKinds : public korv::test::BatchTest {
 protected:
  ImportKinds() : BatchTest("korv-kinds-") {}
};

}  // namespace

TEST_F(ImportKinds, EachKindConvertsWithoutHelpAndAnalysesToTheModel) {
  const char* p = "datasets/02_si_p_B_comp20.pT";
  const char* n = "datasets/01_si_n_P_lightcomp.nT";
  const KindFile kinds[] = {
      {"k1_empty_cell.txt",
       "--drop-refused",
       p,
       "p-type",
       25,
       1.6e16,
       0.045,
       {"line 27: empty cell in the concentration column"},
       {}},
      {"k2_quoted.csv", "", p, "p-type", -1, 1.6e16, 0.045, {"Cells: commas, decimal point, quoted cells."}, {}},
      {"k3_preamble_markers.csv",
       "",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"Settings block: lines 1-6, up to the marker [Daten].", "sample Si-B-07 (line 1)"},
       {"% Sample number: Si-B-07", "% Sample thickness [micron]: 525"}},
      {"k4_units_row.txt", "", p, "p-type", -1, 1.6e16, 0.045, {"Unit m^-3 from the units row."}, {}},
      {"k4_celsius_hall.txt",
       "",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"T [°C] from column 1", "R_H [cm^3/C] from column 2", "p-type proposed"},
       {"% n = r_H/(q*|R_H|) from R_H [cm^3/C], Hall factor r_H = 1"}},
      {"k4_sheet.txt",
       "",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"n_s [cm^-2] from column 2"},
       {"% n = n_s/d from sheet densities [cm^-2], d = 525 micron from line 1"}},
      {"k5_signed.csv", "", n, "n-type", -1, 9.9e15, 0.0456, {"(signed densities): n-type proposed."}, {}},
      {"k6_type_column.txt", "", p, "p-type", -1, 1.6e16, 0.045, {"\"Type\": p-type proposed."}, {}},
      {"k7_repeated_sweeps.txt",
       "--average",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"3 temperature sweeps: 100 rows averaged"},
       {}},
      {"k8_header_values.txt",
       "",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"Header values: sample Si-B-07 (line 1)"},
       {"% Sample number: Si-B-07", "% Date of measurement: 2024/11/06", "% Sample thickness [micron]: 525",
        "% Magnetic Field [T]: 1", "% Current [A]: 0.001"}},
      {"k9_refused_row.txt",
       "--drop-refused",
       p,
       "p-type",
       -1,
       1.6e16,
       0.045,
       {"line 12: no number in the temperature column"},
       {}},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.file);
    const std::string out = (dir_ / (std::string(k.file) + (std::string(k.type) == "p-type" ? ".pT" : ".nT"))).string();
    auto c = run("convert '" + data(std::string("import/kinds/") + k.file) + "' --semiconductor Si " + k.args +
                 " -o '" + out + "'");
    ASSERT_EQ(c.status, 0) << c.err << c.out;
    for (const auto& s : k.said) EXPECT_NE(c.out.find(s), std::string::npos) << s << "\n" << c.out;
    const std::string written = ReadBytes(out);
    EXPECT_NE(written.find(std::string("% Conduction type: ") + k.type + "\r\n"), std::string::npos);
    for (const auto& h : k.header) EXPECT_NE(written.find(h + "\r\n"), std::string::npos) << h << "\n" << written;

    // The points of the model's measurement, one left out where the file refused it.
    auto expected = measuredPoints(ReadBytes(data(k.dataset)));
    if (k.dropped >= 0) expected.erase(expected.begin() + k.dropped);
    const auto got = measuredPoints(written.substr(written.find("Reliability")));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].first, expected[i].first, 1e-9 * expected[i].first) << "point " << i;
      EXPECT_NEAR(got[i].second, expected[i].second, 1e-5 * expected[i].second) << "point " << i;
    }

    // The analysis finds the model's level.
    auto a = run("analyze '" + out + "' --outdir '" + dir_.string() + "' --json");
    ASSERT_EQ(a.status, 0) << a.err;
    minijson::Value j = minijson::Parse(a.out);
    EXPECT_EQ(j["status"].string, "done");
    ASSERT_FALSE(j["analyses"].array.empty());
    const auto& h1 = j["analyses"].array[0];
    EXPECT_NEAR(h1["density"].number, k.modelDensity, 0.07 * k.modelDensity);
    EXPECT_NEAR(h1["energy_level"].number, k.modelEnergy, 0.003);
    // And what the measurement file of the model itself gives: the same, up to the point left out.
    auto m = run("analyze '" + data(k.dataset) + "' --outdir '" + (dir_ / "model").string() + "' --json");
    ASSERT_EQ(m.status, 0) << m.err;
    minijson::Value mj = minijson::Parse(m.out);
    const auto& m1 = mj["analyses"].array.at(0);
    const double same = k.dropped >= 0 ? 0.02 : 1e-4;
    EXPECT_NEAR(h1["density"].number, m1["density"].number, same * m1["density"].number);
    EXPECT_NEAR(h1["energy_level"].number, m1["energy_level"].number, k.dropped >= 0 ? 5e-4 : 1e-6);
  }
}

TEST_F(ImportKinds, RepeatedSweepsAreRefusedWithTheirRunColumnsOrReadByRun) {
  const std::string in = data("import/kinds/k7_repeated_sweeps.txt");
  const std::string out = (dir_ / "k7.pT").string();
  auto refused = run("convert '" + in + "' --semiconductor Si -o '" + out + "'");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("repeated temperatures"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("candidates: column 2 \"B (T)\""), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--run-column COL --run VALUE, or --average"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(out));
  // Numbers compared as numbers: 0.5 picks the rows with 0.50.
  auto one = run("convert '" + in + "' --semiconductor Si --run-column 'B (T)' --run 0.5 -o '" + out + "'");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("Read 50 points of run 0.50"), std::string::npos) << one.out;
  EXPECT_NE(ReadBytes(out).find("run 0.50 of column 2 \"B (T)\""), std::string::npos);
}

TEST_F(ImportKinds, EveryCommandAnswersHelp) {
  for (const char* command :
       {"analyze", "convert", "one-impurity", "donor-acceptor", "dhes", "excited-states", "curve-fit"}) {
    SCOPED_TRACE(command);
    auto r = run(std::string(command) + " --help");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(std::string("korv-batch ") + command), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }
  auto convert = run("convert --help");
  EXPECT_NE(convert.out.find("--drop-refused"), std::string::npos);
  EXPECT_EQ(convert.out.find("korv-batch analyze"), std::string::npos) << convert.out;
}

TEST_F(ImportKinds, ImplausibleLevelsAreNotDone) {
  // The model's densities written 1e8 times too large: the level found lies above 1e23 cm^-3.
  std::string text = "T (K)\tp (cm-3)\n";
  for (const auto& [t, n] : measuredPoints(ReadBytes(data("datasets/02_si_p_B_comp20.pT")))) {
    std::ostringstream row;
    row << t << "\t" << n * 1e8 << "\n";
    text += row.str();
  }
  const std::string wrong = put("wrong_unit.txt", text);
  const std::string out = (dir_ / "wrong_unit.pT").string();
  auto c = run("convert '" + wrong + "' --semiconductor Si -o '" + out + "'");
  ASSERT_EQ(c.status, 0) << c.err;
  const fs::path table = dir_ / "series.tsv";
  auto a = run("analyze '" + out + "' --outdir '" + dir_.string() + "' --json --table '" + table.string() + "'");
  EXPECT_EQ(a.status, 1) << a.err;
  minijson::Value j = minijson::Parse(a.out);
  EXPECT_EQ(j["status"].string.rfind("implausible: H1 density ", 0), 0u) << a.out;
  EXPECT_NE(j["status"].string.find("is above 1E+23 cm^-3"), std::string::npos) << a.out;
  const std::string rows = ReadBytes(table);
  EXPECT_NE(rows.find("\timplausible: H1 density "), std::string::npos) << rows;
  bool h1 = false;
  for (const auto& e : fs::directory_iterator(dir_)) h1 = h1 || e.path().extension() == ".H1";
  EXPECT_TRUE(h1) << "the files stay written";
  auto text_ = run("analyze '" + out + "' --outdir '" + dir_.string() + "'");
  EXPECT_EQ(text_.status, 1);
  EXPECT_NE(text_.out.find("Status: implausible: H1 density "), std::string::npos) << text_.out;
}
