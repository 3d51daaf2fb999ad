// korv-batch excited-states end to end: the program as a user runs it on the p-GaN:Mg
// measurement made with excited states, after the whole road and right after H1.
#include <gtest/gtest.h>

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

std::vector<std::string> Lines(const fs::path& p) {
  std::vector<std::string> lines;
  std::istringstream in(ReadBytes(p));
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

class ExcitedBatch : public korv::test::BatchTest {
 protected:
  ExcitedBatch() : BatchTest("korv-excited-") {}
  int run(const std::string& args, std::string& out, std::string& err) {
    const Outcome r = korv::test::RunBatch("excited-states " + args, dir_);
    out = r.out;
    err = r.err;
    return r.status;
  }
  std::string input() const { return dataset("17_gan_p_Mg_excited_states.pT"); }
};

TEST_F(ExcitedBatch, WholeRoadThenEvaluationSavesBothFilesWithTheMainSimulationCurve) {
  std::string out, err;
  ASSERT_EQ(run("'" + input() + "' --outdir '" + dir_.string() + "' --json", out, err), 0) << err;
  const minijson::Value j = minijson::Parse(out);
  EXPECT_TRUE(j["main_simulation_curve"].boolean);
  EXPECT_TRUE(j["valid"].boolean);
  ASSERT_EQ(j["trials"].array.size(), 18u);
  const auto& chosen = j["chosen"];
  const int k = static_cast<int>(chosen["trial"].number);
  EXPECT_EQ(chosen["highest_level"].number, 2 + k / 2);
  EXPECT_EQ(chosen["energy_level"].number, j["trials"].array[k]["energy_level"].number);
  // A level from the window's own model range, not far from the plain H1 level.
  EXPECT_GT(chosen["energy_level"].number, 0.1);
  EXPECT_LT(chosen["energy_level"].number, 0.4);
  const fs::path simN = j["files"]["simN"].string, exc = j["files"]["exc"].string;
  EXPECT_EQ(simN, dir_ / "17_gan_p_Mg_excited_states.simN");
  EXPECT_EQ(exc, dir_ / "17_gan_p_Mg_excited_states.exc");
  // The *.simN carries the main simulation's curve: the same rows as the *.simH.
  const auto simNLines = Lines(simN), simHLines = Lines(j["files"]["simH"].string);
  ASSERT_GT(simNLines.size(), 43u);
  EXPECT_EQ(simNLines.back(), simHLines.back());
  EXPECT_EQ(Lines(exc)[8], "% H1 file: " + exc.string());
}

TEST_F(ExcitedBatch, AfterH1TheWindowSimulatesItsOwnCurve) {
  std::string out, err;
  ASSERT_EQ(run("'" + input() + "' --outdir '" + dir_.string() + "' --after-h1 --json", out, err), 0) << err;
  const minijson::Value j = minijson::Parse(out);
  EXPECT_FALSE(j["main_simulation_curve"].boolean);
  EXPECT_FALSE(j["files"].Has("simH"));
  EXPECT_FALSE(j["files"].Has("H2"));
  EXPECT_TRUE(fs::exists(j["files"]["exc"].string));
}

TEST_F(ExcitedBatch, RefusalsAndBadUsage) {
  std::string out, err;
  EXPECT_EQ(run("'" + input() + "' --outdir '" + dir_.string() + "' --after-h1 --dielectric-constant 0", out, err), 1);
  EXPECT_NE(err.find("The dielectric constant must lie between 1 and 100 (it is 0)."), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir_ / "17_gan_p_Mg_excited_states.exc"));
  EXPECT_EQ(run("'" + input() + "' --dielectric-constant abc", out, err), 2);
  EXPECT_EQ(run("", out, err), 2);
  EXPECT_EQ(run("'" + (dir_ / "missing.pT").string() + "'", out, err), 2);
}

}  // namespace
