// korv-batch convert on instrument exports and analyze on a series of files, run as a user
// runs them: the real Ge measurement from its Hall coefficient, malformed small inputs,
// and the seven datasets into one table that must equal the single-file runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/BatchRun.h"
#include "support/Files.h"
#include "support/MiniJson.h"

namespace minijson = korv::test::minijson;

namespace fs = std::filesystem;
using korv::test::ReadBytes;

namespace {

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t end = s.find(sep, pos);
    out.push_back(s.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) return out;
    pos = end + 1;
  }
}

using Outcome = korv::test::BatchOutcome;

class Import : public korv::test::BatchTest {
 protected:
  Import() : BatchTest("korv-import-") {}
  static std::string data(const std::string& name) { return std::string(KORV_TEST_DATA) + "/" + name; }
};

}  // namespace

TEST_F(Import, RealGermaniumRunFromItsHallCoefficient) {
  const std::string tsv = data("real/ge_al_hall_coefficient.tsv");
  const std::string out = (dir_ / "ge_180uA.pT").string();
  // Five runs in the file: the one to read must be named.
  Outcome runs = run("convert '" + tsv + "' --t-column 2 --n-column 3 --unit cm3/C -o '" + out + "'");
  EXPECT_EQ(runs.status, 2);
  EXPECT_NE(runs.err.find("the file holds 5 runs (180uA, 360uA, 540uA, 720uA, 900uA): choose one with --run"),
            std::string::npos)
      << runs.err;

  Outcome c = run("convert '" + tsv + "' --t-column 2 --n-column 3 --quantity hall-coefficient --unit cm3/C" +
                  " --run 180uA --semiconductor Ge --thickness 1250 -o '" + out + "'");
  ASSERT_EQ(c.status, 0) << c.err;
  for (const char* part :
       {"Read 40 points of run 180uA: T [K] from column 2, R_H [cm^3/C] from column 3.",
        "Runs in column 1: 180uA, 360uA, 540uA, 720uA, 900uA.", "R_H > 0 in 40, R_H < 0 in 16 rows: p-type proposed.",
        "Skipped: 6 comment lines, 225 lines of other runs, 16 rows whose R_H sign disagrees with "
        "p-type (lines 47-62).",
        "Refused: none.", "(40 points)"})
    EXPECT_NE(c.out.find(part), std::string::npos) << part << "\n" << c.out;
  const std::string written = ReadBytes(out);
  EXPECT_NE(written.find("% Conduction type: p-type\r\n"), std::string::npos);
  // The remark says how the densities were made and which run they are.
  EXPECT_NE(written.find("% n = r_H/(q*|R_H|) from R_H [cm^3/C], Hall factor r_H = 1; run 180uA of column 1\r\n"),
            std::string::npos);
  // The first point: 97.15 K, p = 1/(q R_H) with R_H = 2.72679e6 cm^3/C.
  std::istringstream points(written.substr(written.find("Reliability   \r\n") + 16));
  double t = 0, p = 0, w = 0;
  points >> t >> p >> w;
  EXPECT_EQ(t, 97.15);
  EXPECT_NEAR(p, 2.29e12, 0.005e12);
  EXPECT_EQ(w, 1);

  // No freeze-out range in the data: the analysis says so and ends with status 1.
  Outcome a = run("analyze '" + out + "' --outdir '" + dir_.string() + "'");
  EXPECT_EQ(a.status, 1) << a.err;
  EXPECT_NE(a.err.find("no level could be evaluated: H1 has no peak inside the measured range"), std::string::npos)
      << a.err;
  EXPECT_NE(a.err.find("the data hold no freeze-out range of a level"), std::string::npos) << a.err;
  EXPECT_NE(a.out.find("(no analysis was evaluated)"), std::string::npos) << a.out;
}

TEST_F(Import, FixturesThroughTheCommandLine) {
  struct Case {
    const char* file;
    std::string args;
    int points;
    const char* type;  // of the file written
  } cases[] = {
      {"import/settings_block.txt", "--t-column 'Temperature (K)' --n-column 'Hall coefficient (cm3/C)' --unit cm3/C",
       60, "n-type"},
      {"import/semicolon_decimal_comma.csv",
       "--t-column 1 --n-column 2 --unit m-3 --celsius --type p-type"
       " --reliability-column Gewicht",
       50, "p-type"},
      {"import/two_runs.txt", "--t-column T_K --n-column R_H_m3/C --unit m3/C --run B --hall-factor 1.1", 17, "p-type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string out = (dir_ / "x.nT").string();
    Outcome r = run("convert '" + data(c.file) + "' " + c.args + " -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("(" + std::to_string(c.points) + " points)"), std::string::npos) << r.out;
    EXPECT_NE(ReadBytes(out).find(std::string("% Conduction type: ") + c.type + "\r\n"), std::string::npos);
  }
}

// Malformed small inputs, one a row: what convert does with each.
TEST_F(Import, SmallForeignFiles) {
  std::string manyRuns;
  for (int run = 0; run < 30; ++run)
    for (double t : {300.0, 310.0}) manyRuns += "run" + std::to_string(run) + " " + std::to_string(t) + " 1e15\n";
  struct Case {
    const char* what;
    std::string text;
    std::string args;
    int status;
    const char* said;  // in the output (status 0) or the error (status 2)
  } cases[] = {
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "300 1e15\n310 2e15\n",
       "", 0, "A UTF-8 byte-order mark was skipped."},
      {"hash, percent, semicolon and slash comments", "# a\n% b\n; c\n// d\n300 1e15\n310 2e15\n", "", 0,
       "Skipped: 4 comment lines."},
      {"a first line of column names", "T [K], n [cm^-3]\n300, 1e15\n310, 2e15\n", "", 0, "Skipped: 1 header line."},
      {"names chosen by name", "T;n\n300;1e15\n310;2e15\n", "--t-column T --n-column n", 0,
       "Column names (line 1): T, n."},
      {"an unknown name", "T;n\n300;1e15\n", "--t-column T --n-column p", 2,
       "There is no column named 'p' (the columns are T, n)"},
      {"other headers with --skip-lines", "Hall run 7 of 2025-01-01\n300 1e15\n310 2e15\n", "--skip-lines 1", 0,
       "Skipped: 1 line left out as asked."},
      {"other headers without --skip-lines", "Hall run 7 of 2025-01-01\n300 1e15\n", "", 2,
       "No number in the temperature column \n Check the Data!\nLine 1: Hall run 7 of 2025-01-01"},
      {"a unit of the other quantity", "300 1e15\n", "--quantity concentration --unit cm3/C", 2,
       "does not belong to --quantity concentration"},
      {"Hall factor with a concentration", "300 1e15\n", "--hall-factor 1.2", 2,
       "option --hall-factor belongs to --quantity hall-coefficient"},
      // A program or an image chosen by mistake: one line, not its bytes read as run labels.
      {"binary data",
       std::string("\x7f"
                   "ELF\x02\x01\0\0\0 1 2\n",
                   15) +
           "\x01\xff 3 4\n\x01\xff 5 6\n",
       "", 2, "The file holds binary data, not columns of text."},
      {"many runs, named in part", manyRuns, "", 2,
       "30 runs (run0, run1, run2, run3, run4, run5, run6, run7, run8, run9 and 20 more)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string in = put("in.txt", c.text);
    const std::string out = (dir_ / "out.nT").string();
    fs::remove(out);
    Outcome r = run("convert '" + in + "' " +
                    (c.args.find("--t-column") == std::string::npos ? "--t-column 1 --n-column 2 " : "") + c.args +
                    " --type n-type -o '" + out + "'");
    EXPECT_EQ(r.status, c.status) << r.err << r.out;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.said), std::string::npos) << r.out << r.err;
    if (c.status != 0 && std::string(c.said).find('\n') == std::string::npos) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    if (c.status != 0) continue;
    // The version line names the program.
    EXPECT_NE(ReadBytes(out).find("% Version Information: Version 1.51 (2004/6/2)\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("(2 points)"), std::string::npos) << r.out;
  }
}

TEST_F(Import, SeriesTableEqualsTheSingleFileRuns) {
  const char* files[] = {"01_si_n_P_lightcomp.nT",       "02_si_p_B_comp20.pT",    "04_si_p_Ga_badpoints.pT",
                         "07_sic4h_n_N_two_sites.nT",    "09_sic4h_p_Al_heavy.pT", "13_gan_n_two_donors.nT",
                         "17_gan_p_Mg_excited_states.pT"};
  std::string args;
  for (const char* f : files) args += " '" + data(std::string("datasets/") + f) + "'";
  const fs::path table = dir_ / "series.tsv";
  const fs::path series = dir_ / "series", single = dir_ / "single";
  Outcome r = run("analyze" + args + " --outdir '" + series.string() + "' --table '" + table.string() + "' --quiet");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string text = ReadBytes(table);
  std::vector<std::string> rows = split(text, '\n');
  ASSERT_EQ(rows.size(), 9u) << text;  // names, seven rows, nothing after the last line end
  EXPECT_EQ(rows.back(), "");
  for (auto& row : rows)
    if (!row.empty() && row.back() == '\r') row.pop_back();
  const std::vector<std::string> head = split(rows[0], '\t');
  ASSERT_EQ(head.size(), 13u);
  EXPECT_EQ(head[0], "file");
  EXPECT_EQ(head[4], "density_1_cm-3");
  EXPECT_EQ(head[12], "first_message");
  for (std::size_t i = 0; i < std::size(files); ++i) {
    SCOPED_TRACE(files[i]);
    const std::vector<std::string> cells = split(rows[i + 1], '\t');
    ASSERT_EQ(cells.size(), 13u);
    Outcome one =
        run("analyze '" + data(std::string("datasets/") + files[i]) + "' --outdir '" + single.string() + "' --json");
    ASSERT_EQ(one.status, 0) << one.err;
    minijson::Value j = minijson::Parse(one.out);
    EXPECT_EQ(cells[0], j["input"].string);
    EXPECT_EQ(cells[2], j["semiconductor"].string);
    EXPECT_EQ(cells[3], j["conduction_type"].string);
    EXPECT_EQ(cells[11], "done");
    const auto& analyses = j["analyses"].array;
    // The table writes 6 significant digits (--full-precision: the JSON's exact numbers).
    auto sixDigits = [](const std::string& cell, double exact) {
      char six[32];
      std::snprintf(six, sizeof six, "%.6g", exact);
      EXPECT_EQ(cell, six);
    };
    for (std::size_t k = 0; k < 3; ++k) {
      if (k < analyses.size()) {
        SCOPED_TRACE("level " + std::to_string(k + 1));
        sixDigits(cells[4 + 2 * k], analyses[k]["density"].number);
        sixDigits(cells[5 + 2 * k], analyses[k]["energy_level"].number);
      } else {
        EXPECT_EQ(cells[4 + 2 * k], "");
      }
    }
    sixDigits(cells[10], j["compensating_density"].number);
    EXPECT_EQ(j["status"].string, "done");
    // The first warning or error, not the progress of the road.
    const std::string first = j["warnings"].array.empty() ? "" : j["warnings"].array[0].string;
    EXPECT_EQ(cells[12], first);
  }
}

TEST_F(Import, SeriesGoesOnPastAFailingFileAndExitsWithTheWorst) {
  const std::string good = data("datasets/01_si_n_P_lightcomp.nT");
  const std::string missing = (dir_ / "missing.nT").string();
  const fs::path table = dir_ / "t.tsv";
  Outcome r = run("analyze '" + missing + "' '" + good + "' --outdir '" + dir_.string() + "' --table '" +
                  table.string() + "' --json");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot open '" + missing + "': no such file"), std::string::npos) << r.err;
  minijson::Value j = minijson::Parse(r.out);
  ASSERT_EQ(j.array.size(), 1u) << r.out;
  EXPECT_EQ(j.array[0]["input"].string, good);
  const std::vector<std::string> rows = split(ReadBytes(table), '\n');
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1].rfind(missing + "\t", 0), 0u);
  EXPECT_NE(rows[1].find("\tunreadable\tcannot open"), std::string::npos) << rows[1];
  EXPECT_NE(rows[2].find("\tdone\t"), std::string::npos) << rows[2];
}
