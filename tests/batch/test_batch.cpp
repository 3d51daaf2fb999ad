// korv-batch end to end: the program is run as a user runs it, on measurements with
// known parameters, and its JSON, files and exit status are checked.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/BatchRun.h"
#include "support/Files.h"
#include "support/MiniJson.h"

namespace fs = std::filesystem;
using korv::test::ReadBytes;

namespace {

using Outcome = korv::test::BatchOutcome;

class Batch : public korv::test::BatchTest {
 protected:
  Batch() : BatchTest("korv-batch-") {}
};

struct Recovery {
  const char* file;
  double energyToleranceMeV;  // per level
  double densityTolerance;    // relative, per level
  bool checkLevels;           // false where plain occupancy statistics cannot hold (excited states)
};

}  // namespace

// Every true level is matched with the recovered level nearest in energy. The tolerances
// say what the method does on these samples: a few meV and some 20 % on a single shallow
// level in noisy data; more for heavy doping, two close levels or deep levels.
TEST_F(Batch, RecoversTheLevelsOfEveryDataset) {
  const Recovery cases[] = {
      {"01_si_n_P_lightcomp.nT", 3, 0.15, true},      {"02_si_p_B_comp20.pT", 3, 0.25, true},
      {"04_si_p_Ga_badpoints.pT", 3, 0.15, true},     {"07_sic4h_n_N_two_sites.nT", 10, 0.7, true},
      {"09_sic4h_p_Al_heavy.pT", 25, 0.2, true},      {"13_gan_n_two_donors.nT", 6, 0.4, true},
      {"17_gan_p_Mg_excited_states.pT", 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string in = dataset(c.file);
    Outcome r = run("analyze '" + in + "' --outdir '" + dir_.string() + "' --json");
    ASSERT_EQ(r.status, 0) << r.err;
    korv::test::minijson::Value j = korv::test::minijson::Parse(r.out);
    korv::test::minijson::Value truth = korv::test::minijson::Parse(ReadBytes(fs::path(in).replace_extension(".json")));
    EXPECT_EQ(j["conduction_type"].string, truth["conduction_type"].string);
    EXPECT_EQ(j["semiconductor"].string, truth["semiconductor"].string);
    const auto& analyses = j["analyses"].array;
    ASSERT_FALSE(analyses.empty());
    EXPECT_EQ(analyses[0]["name"].string, "H1");
    EXPECT_TRUE(j["files"].Has("spl") && j["files"].Has("fl") && j["files"].Has("H1") && j["files"].Has("simH") &&
                j["files"].Has("datH"));
    for (const auto& [kind, path] : j["files"].object) EXPECT_TRUE(fs::exists(path.string)) << kind;
    if (!c.checkLevels) continue;
    for (const auto& level : truth["levels"].array) {
      const double E = level["energy"].number, N = level["density"].number;
      const korv::test::minijson::Value* best = nullptr;
      for (const auto& a : analyses)
        if (!best || std::fabs(a["energy_level"].number - E) < std::fabs((*best)["energy_level"].number - E)) best = &a;
      EXPECT_NEAR((*best)["energy_level"].number, E, c.energyToleranceMeV * 1e-3) << "level at " << E;
      EXPECT_NEAR((*best)["density"].number / N, 1.0, c.densityTolerance) << "level at " << E;
      EXPECT_EQ((*best)["degeneracy_factor"].number, level["g"].number);
    }
  }
}

TEST_F(Batch, JsonHoldsEveryFieldOfEachAnalysis) {
  Outcome r = run("analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --outdir '" + dir_.string() + "' --json");
  ASSERT_EQ(r.status, 0) << r.err;
  korv::test::minijson::Value j = korv::test::minijson::Parse(r.out);
  for (const char* key : {"input", "conduction_type", "semiconductor", "analyses", "compensating_density",
                          "evaluation_finished", "messages", "files"})
    EXPECT_TRUE(j.Has(key)) << key;
  const auto& h1 = j["analyses"][0];
  for (const char* key : {"name", "eref", "peak_temperature", "peak_value", "degeneracy_factor", "check_temperature",
                          "density", "energy_level", "temporary_compensating_density"})
    EXPECT_TRUE(h1.Has(key)) << key;
  EXPECT_GT(h1["peak_value"].number, 0);
  EXPECT_EQ(j["files"]["H1"].string, (dir_ / "01_si_n_P_lightcomp.H1").string());
  EXPECT_EQ(j["files"]["datH"].string, (dir_ / "01_si_n_P_lightcomp.datH").string());
}

// The spline of smoothness 5000 misses the lowest points of 01 by a factor of two: the
// summary prints the window's notice, the JSON holds it in "spline_warning"; a smaller
// smoothness follows the points and the field is null.
TEST_F(Batch, SplineThatMissesThePointsIsReported) {
  struct Case {
    const char* smoothness;
    bool warned;
  };
  for (const Case c : {Case{"5000", true}, Case{"50", false}}) {
    SCOPED_TRACE(c.smoothness);
    const std::string args = "analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --outdir '" + dir_.string() +
                             "' --smoothness " + c.smoothness;
    Outcome r = run(args + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    korv::test::minijson::Value j = korv::test::minijson::Parse(r.out);
    ASSERT_TRUE(j.Has("spline_warning"));
    const auto& w = j["spline_warning"];
    if (!c.warned) {
      EXPECT_EQ(w.type, korv::test::minijson::Value::Type::Null) << w.string;
      continue;
    }
    ASSERT_EQ(w.type, korv::test::minijson::Value::Type::String);
    EXPECT_EQ(w.string.rfind("The spline misses the measured points: the largest deviation is data/spline = ", 0), 0u)
        << w.string;
    EXPECT_NE(w.string.find("A smaller smoothness than 5000 follows the data more closely."), std::string::npos)
        << w.string;
    Outcome summary = run(args);
    EXPECT_NE(summary.out.find("Spline:         " + w.string + "\n"), std::string::npos) << summary.out;
  }
}

TEST_F(Batch, OptionsReachTheAnalysis) {
  // The S function names its files and analyses S1...; a given g is used for the level.
  Outcome r = run("analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --outdir '" + dir_.string() +
                  "' --json --function S --g1 1 --smoothness 2000 --evaluation-type Type-C");
  ASSERT_EQ(r.status, 0) << r.err;
  korv::test::minijson::Value j = korv::test::minijson::Parse(r.out);
  EXPECT_EQ(j["analyses"][0]["name"].string, "S1");
  EXPECT_EQ(j["analyses"][0]["degeneracy_factor"].number, 1);
  EXPECT_TRUE(j["files"].Has("S1"));
  EXPECT_TRUE(j["files"].Has("simS"));
  EXPECT_TRUE(j["files"].Has("datS"));
  const std::string spl = ReadBytes(j["files"]["spl"].string);
  EXPECT_NE(spl.find("% Smoothness: 2000\r\n"), std::string::npos);
  const std::string s1 = ReadBytes(j["files"]["S1"].string);
  EXPECT_NE(s1.find("Type-C"), std::string::npos);
}

TEST_F(Batch, SummaryIsReadable) {
  Outcome r = run("analyze '" + dataset("02_si_p_B_comp20.pT") + "' --outdir '" + dir_.string() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Semiconductor:  Si (p-type)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("H1 "), std::string::npos);
  EXPECT_NE(r.out.find("Compensating density:"), std::string::npos);
  EXPECT_NE(r.out.find("Files written:"), std::string::npos);
  Outcome quiet = run("analyze '" + dataset("02_si_p_B_comp20.pT") + "' --outdir '" + dir_.string() + "' --quiet");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
}

TEST_F(Batch, BadInputGivesOneLineAndStatusTwo) {
  const std::string truncated =
      ReadBytes(dataset("01_si_n_P_lightcomp.nT")).substr(0, ReadBytes(dataset("01_si_n_P_lightcomp.nT")).size() / 2);
  struct Case {
    std::string args;
    const char* reason;
  };
  const Case cases[] = {
      {"analyze '" + (dir_ / "missing.nT").string() + "'", "no such file"},
      {"analyze '" + dir_.string() + "'", "it is a folder"},
      {"analyze '" +
           put("binary.nT", std::string("\x7f"
                                        "ELF\0\1\2\3\xff\xfe\n\n",
                                        12)) +
           "'",
       "not a valid"},
      {"analyze '" + put("truncated.nT", truncated) + "'", "The file ends after"},
      {"analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --smoothness abc", "'abc' is not a number"},
      {"analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --g 0", "must be greater than 0"},
      {"analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --evaluation-type Type-E", "Type-E"},
      {"analyze '" + dataset("01_si_n_P_lightcomp.nT") + "' --g 2 --g1 2", "not both"},
      {"analyze", "needs a measurement file"},
      {"frobnicate", "unknown command"},
      {"", "no command"},
      {"convert x.txt --t-column 0 --n-column 2 --type n-type -o y.nT", "column from 1 to 15"},
      {"convert x.txt --t-column 1 --n-column 2 --type N-type -o y.nT", "n-type or p-type"},
  };
  for (const auto& c : cases) {
    Outcome r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST_F(Batch, HelpAndVersion) {
  Outcome help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("korv-batch analyze FILE.nT|FILE.pT"), std::string::npos);
  Outcome version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("1.51"), std::string::npos);
}

TEST_F(Batch, ConvertThenAnalyze) {
  // A foreign file: a header line, comma and tab separated columns, T in column 2.
  std::ostringstream text;
  text << "index, T [K], n [cm^-3]\n";
  const std::string measured = ReadBytes(dataset("01_si_n_P_lightcomp.nT"));
  std::istringstream lines(measured);
  std::string line;
  int i = 0;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '%') continue;
    double t = 0, n = 0, w = 0;
    std::istringstream(line) >> t >> n >> w;
    text << i++ << ",\t" << t << ", " << n << "\n";
  }
  const std::string foreign = put("foreign.csv", text.str());
  const std::string out = (dir_ / "converted.nT").string();
  // The header line of column names is skipped and counted, not read as a point at 0 K.
  Outcome named = run("convert '" + foreign + "' --t-column 'T [K]' --n-column 3 --type n-type -o '" + out + "'");
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_NE(named.out.find("Skipped: 1 header line."), std::string::npos) << named.out;
  EXPECT_NE(named.out.find("(60 points)"), std::string::npos) << named.out;
  fs::remove(out);
  Outcome r =
      run("convert '" + foreign + "' --skip-lines 1 --t-column 2 --n-column 3 --type n-type --semiconductor Si" +
          " --sample S1 -o '" + out + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("60 points"), std::string::npos) << r.out;
  const std::string written = ReadBytes(out);
  EXPECT_NE(written.find("% Original file: " + foreign + "\r\n"), std::string::npos);
  EXPECT_NE(written.find("% Semiconductor: Si\r\n"), std::string::npos);
  EXPECT_NE(written.find("% Number of data: 60\r\n"), std::string::npos);
  Outcome analysis = run("analyze '" + out + "' --json");
  ASSERT_EQ(analysis.status, 0) << analysis.err;
  korv::test::minijson::Value j = korv::test::minijson::Parse(analysis.out);
  EXPECT_NEAR(j["analyses"][0]["energy_level"].number, 0.0456, 0.003);
}
