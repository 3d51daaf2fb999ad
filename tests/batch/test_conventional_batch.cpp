// korv-batch one-impurity and donor-acceptor end to end: the windows reached from the
// main road, on measurements with known parameters.
#include <gtest/gtest.h>

#include <cmath>
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

class ConventionalBatch : public korv::test::BatchTest {
 protected:
  ConventionalBatch() : BatchTest("korv-cbatch-") {}
  minijson::Value json(const std::string& args) {
    Outcome r = run(args + " --outdir '" + dir_.string() + "' --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return minijson::Parse(r.out);
  }
  static minijson::Value truth(const std::string& name) {
    return minijson::Parse(ReadBytes(fs::path(dataset(name)).replace_extension(".json")));
  }
};

// With the true net density the search recovers the level within 1 meV, the majority
// density within 5 % and the compensating density within 15 % (02, 20 % compensation)
// or 30 % (01, where the compensation is only 1 % of the donors), over the default range
// (all points) and over a range that leaves out the saturation.
TEST_F(ConventionalBatch, DonorAcceptorRecoversTheDatasetsWithTheTrueNetDensity) {
  struct Case {
    const char* file;
    const char* range;
    double compensationTolerance;
  } cases[] = {
      {"02_si_p_B_comp20.pT", "", 0.15},
      {"02_si_p_B_comp20.pT", "--low-index 0 --high-index 40", 0.15},
      {"01_si_n_P_lightcomp.nT", "", 0.30},
      {"01_si_n_P_lightcomp.nT", "--low-index 0 --high-index 40", 0.30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.range);
    const minijson::Value t = truth(c.file);
    const double N = t["levels"][0]["density"].number, E = t["levels"][0]["energy"].number;
    const double comp = t["compensating_density"].number;
    std::ostringstream net;
    net.precision(17);
    net << N - comp;
    const minijson::Value j =
        json("donor-acceptor '" + dataset(c.file) + "' --net-density " + net.str() + " " + c.range);
    const auto& r = j["results"];
    EXPECT_NEAR(r["energy_level"].number, E, 1e-3);
    EXPECT_NEAR(r["majority_density"].number / N, 1, 0.05);
    EXPECT_NEAR(r["compensating_density"].number / comp, 1, c.compensationTolerance);
    EXPECT_TRUE(j["confirmation_shown"].boolean);
    // The road's only box is the spline's notice of a missed point (01 and 02 at 5000).
    for (const auto& m : j["messages"].array)
      EXPECT_EQ(m.string.rfind("The spline misses the measured points", 0), 0u) << m.string;
    const bool n = t["conduction_type"].string == "n-type";
    EXPECT_EQ(r[n ? "donor_density" : "acceptor_density"].number, r["majority_density"].number);
    EXPECT_EQ(j["shown"]["LabelG"].string, n ? "2" : "4");
    EXPECT_EQ(j["shown"].Has("LabelMc"), n);
    const std::string cnc = j["files"]["CNC"].string;
    EXPECT_EQ(fs::path(cnc).filename(), fs::path(c.file).replace_extension(".CNC").filename());
    EXPECT_EQ(ReadBytes(cnc).substr(0, 30), "% One Donor and One Acceptor\r\n");
  }
}

// The one-impurity analysis over the range where n(T) lies above the compensating density
// and below saturation finds the donor level; over the lowest points, where n < N_A, the
// slope is that of the whole level and the result is far off, as the guide explains.
TEST_F(ConventionalBatch, OneImpurityFindsTheLevelAboveTheCompensatedRange) {
  const minijson::Value ok =
      json("one-impurity '" + dataset("01_si_n_P_lightcomp.nT") + "' --low-index 15 --high-index 35");
  EXPECT_NEAR(ok["results"]["energy_level"].number, 0.0456, 1e-3);
  EXPECT_NEAR(ok["results"]["density"].number / 1e16, 1, 0.35);
  EXPECT_EQ(ok["low_index"].number, 15);
  EXPECT_EQ(ok["high_index"].number, 35);
  EXPECT_EQ(ok["caption"].string, "Only One Donor  (Si-P-01)");
  EXPECT_EQ(ok["shown"]["LabelEnergyLevel"].string, "0.0454");
  EXPECT_TRUE(fs::exists(ok["files"]["CNO"].string));
  const minijson::Value low =
      json("one-impurity '" + dataset("01_si_n_P_lightcomp.nT") + "' --low-index 0 --high-index 10");
  EXPECT_GT(low["results"]["energy_level"].number, 0.065);
  // Default range: all points.
  const minijson::Value all = json("one-impurity '" + dataset("02_si_p_B_comp20.pT") + "'");
  EXPECT_EQ(all["low_index"].number, 0);
  EXPECT_EQ(all["high_index"].number, 49);
  EXPECT_EQ(all["shown"].Has("LabelAP"), true);
  EXPECT_EQ(all["results"]["degeneracy_factor"].number, 4);
}

TEST_F(ConventionalBatch, BadUsageAndRefusedInputsGiveTheirStatus) {
  const std::string f = "'" + dataset("01_si_n_P_lightcomp.nT") + "'";
  struct Case {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"donor-acceptor " + f, 2, "needs --net-density"},
      {"one-impurity " + f + " --low-index 3", 2, "both --low-index and --high-index"},
      {"one-impurity " + f + " --low-index 5 --high-index 5", 2, "smaller than --high-index"},
      {"one-impurity " + f + " --low-index 0 --high-index 60", 2, "beyond the last point (59)"},
      {"one-impurity " + f + " --net-density 1e16", 2, "unknown option --net-density"},
      {"one-impurity /nonexistent.nT", 2, "no such file"},
      {"donor-acceptor " + f + " --net-density 0", 1, "Please input the net density."},
      {"donor-acceptor " + f + " --net-density 1e5", 1, "Please input a large number as the net density."},
      {"donor-acceptor " + f + " --net-density abc", 2, "option --net-density: 'abc' is not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    Outcome r = run(c.args + " --outdir '" + dir_.string() + "'");
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "01_si_n_P_lightcomp.CNC"));
}

}  // namespace
