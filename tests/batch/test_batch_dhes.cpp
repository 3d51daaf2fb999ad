// korv-batch dhes end to end: the peaks found on measurements with known parameters, the
// *.DHES file, the options and the exit status.
#include <gtest/gtest.h>

#include <algorithm>
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

using Outcome = korv::test::BatchOutcome;

class BatchDhes : public korv::test::BatchTest {
 protected:
  BatchDhes() : BatchTest("korv-batch-dhes-") {}
  std::string dhes(const std::string& file, const std::string& options = "") {
    return "dhes '" + std::string(KORV_TEST_DATA) + "/datasets/" + file + "' --outdir '" + dir_.string() + "' --json " +
           options;
  }
};

}  // namespace

// The estimates assume one isolated level per peak, N = 4 x DHES at the peak and
// E = E_F - kT ln g: a few tens of meV and some tens of per cent on two close levels.
TEST_F(BatchDhes, RecoversBothNitrogenSitesOfSiliconCarbide) {
  Outcome r = run(dhes("07_sic4h_n_N_two_sites.nT"));
  ASSERT_EQ(r.status, 0) << r.err;
  minijson::Value j = minijson::Parse(r.out);
  const auto& peaks = j["peaks"].array;
  ASSERT_EQ(peaks.size(), 2u);
  // Measured: 99 K, 51.3 meV, 4.51e16; 253.7 K, 107.1 meV, 5.65e16.
  const double temperature[2] = {99, 254}, level[2] = {0.0614, 0.1255}, density[2] = {4e16, 6e16};
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k + 1);
    EXPECT_NEAR(peaks[k]["temperature"].number, temperature[k], 5);
    EXPECT_NEAR(peaks[k]["level"].number, level[k], 0.020);
    EXPECT_LT(std::fabs(std::log(peaks[k]["density"].number / density[k])), std::log(1.5));
  }
  EXPECT_EQ(peaks[0]["presses"].number, 1);
  EXPECT_EQ(peaks[1]["presses"].number, 2) << "peak 2's first press finds peak 1 again";
  EXPECT_GT(peaks[1]["index"].number, peaks[0]["index"].number);

  const std::string file = j["file"].string;
  EXPECT_EQ(file, (dir_ / "07_sic4h_n_N_two_sites.DHES").string());
  const std::string text = ReadBytes(file);
  EXPECT_NE(text.find("\r\n% First energy level [eV]: "), std::string::npos);
  EXPECT_NE(text.find("\r\n% Second density [cm^-3]: "), std::string::npos);
  EXPECT_EQ(text.find("Third energy level"), std::string::npos);
  for (const char* kind : {"spl", "fl", "DHES"}) EXPECT_TRUE(fs::exists(j["files"][kind].string)) << kind;
  for (const char* key : {"index", "temperature", "abscissa", "signal", "level", "density"})
    EXPECT_TRUE(peaks[0].Has(key)) << key;
  EXPECT_EQ(j["inputs"]["peaks"].number, 2);
}

TEST_F(BatchDhes, SinglePhosphorusDonorGivesItsDensity) {
  Outcome r = run(dhes("01_si_n_P_lightcomp.nT", "--peaks 1"));
  ASSERT_EQ(r.status, 0) << r.err;
  minijson::Value j = minijson::Parse(r.out);
  ASSERT_EQ(j["peaks"].array.size(), 1u);
  // Measured: 72.8 K, 9.98e15 cm^-3.
  EXPECT_NEAR(j["peaks"][0]["density"].number / 1e16, 1.0, 0.05);
}

// Where the Fermi level of a compensated sample turns, the signal dips below zero: the
// search for the next peak passes over such maxima, which would give negative densities.
TEST_F(BatchDhes, NextPeakIsAPeakOfAPositiveSignal) {
  for (const char* file : {"04_si_p_Ga_badpoints.pT", "02_si_p_B_comp20.pT"}) {
    SCOPED_TRACE(file);
    Outcome r = run(dhes(file, "--peaks 3"));
    ASSERT_EQ(r.status, 0) << r.err;
    minijson::Value j = minijson::Parse(r.out);
    ASSERT_EQ(j["peaks"].array.size(), 3u);
    for (const auto& p : j["peaks"].array) {
      EXPECT_GT(p["signal"].number, 0);
      EXPECT_GT(p["density"].number, 0);
    }
  }
}

TEST_F(BatchDhes, PressesGiveTheNumberOfNextPeakPresses) {
  Outcome defaults = run(dhes("07_sic4h_n_N_two_sites.nT"));
  Outcome same = run(dhes("07_sic4h_n_N_two_sites.nT", "--presses 1,2"));
  Outcome again = run(dhes("07_sic4h_n_N_two_sites.nT", "--presses 1,1"));
  ASSERT_EQ(defaults.status, 0) << defaults.err;
  ASSERT_EQ(same.status, 0) << same.err;
  ASSERT_EQ(again.status, 0) << again.err;
  const auto d = minijson::Parse(defaults.out), s = minijson::Parse(same.out), a = minijson::Parse(again.out);
  EXPECT_EQ(s["peaks"][1]["index"].number, d["peaks"][1]["index"].number);
  EXPECT_EQ(a["peaks"][1]["index"].number, a["peaks"][0]["index"].number) << "one press of peak 2 finds peak 1";
  EXPECT_EQ(s["inputs"]["presses"].array.size(), 2u);

  // The second site's signal has a ripple at 254 K below its maximum at 296 K: one more
  // press reaches the maximum, and the estimates come much closer to the truth
  // (measured: 296.4 K, 125.3 meV, 6.05e16 cm^-3).
  Outcome more = run(dhes("07_sic4h_n_N_two_sites.nT", "--presses 1,3"));
  ASSERT_EQ(more.status, 0) << more.err;
  const auto m = minijson::Parse(more.out);
  EXPECT_NEAR(m["peaks"][1]["temperature"].number, 296, 5);
  EXPECT_NEAR(m["peaks"][1]["level"].number, 0.1255, 0.003);
  EXPECT_NEAR(m["peaks"][1]["density"].number / 6e16, 1.0, 0.05);
}

TEST_F(BatchDhes, SummaryAndBadUsage) {
  Outcome text = run("dhes '" + std::string(KORV_TEST_DATA) + "/datasets/01_si_n_P_lightcomp.nT' --outdir '" +
                     dir_.string() + "' --peaks 1");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Semiconductor:  Si (n-type)"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("DHES "), std::string::npos);

  const std::string in = std::string(KORV_TEST_DATA) + "/datasets/01_si_n_P_lightcomp.nT";
  struct Case {
    std::string args;
    const char* reason;
  };
  const Case cases[] = {
      {"dhes", "needs a measurement file"},
      {"dhes '" + (dir_ / "missing.nT").string() + "'", "no such file"},
      {"dhes '" + in + "' --peaks 5", "from 1 to 4"},
      {"dhes '" + in + "' --peaks", "needs a value"},
      {"dhes '" + in + "' --presses 1,x", "'x' is not a number of presses"},
      {"dhes '" + in + "' --presses 1,2 --peaks 3", "2 numbers for 3 peaks"},
      {"dhes '" + in + "' --presses 1,1,1,1,1", "more than 4"},
      {"dhes '" + in + "' --frobnicate", "unknown option"},
  };
  for (const auto& c : cases) {
    Outcome r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  Outcome help = run("--help");
  EXPECT_NE(help.out.find("korv-batch dhes FILE.nT|FILE.pT"), std::string::npos);
}
