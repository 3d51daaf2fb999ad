// End to end: the measurements of tests/data/datasets run through spline, density of
// states, Fermi level and the successive H analyses the way the main window drives
// them, and the levels found are compared with the parameters the data were made from.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PipelineFixture.h"
#include "core/Numbers.h"

namespace {

using korv::test::DataPath;
using korv::test::PipelineFixture;

// What one analysis should find: the level of the parameter file it belongs to, and
// how close it comes.
struct Expected {
  int level;            // index into "levels" of the parameter file
  double energyMeV;     // tolerance of the energy level
  double densityShare;  // tolerance of the density, relative
};

struct Case {
  const char* file;  // under datasets/
  double smoothness;
  std::vector<Expected> analyses;  // H1, H2, ...
  const char* why;
};

class Recovery : public PipelineFixture, public ::testing::WithParamInterface<Case> {
 protected:
  // One analysis as the main window runs it: calculate H, evaluate with the level's
  // degeneracy factor, and calculate again with the carried compensating density as
  // long as the engine asks for it.
  bool analyse(int k, double g) {
    if (k == 1) a.ClearSecondAnalysis();
    if (k <= 2) a.ClearThirdAnalysis();
    a.ClearSimulation();
    a.DegeneracyFactor[k] = g;
    for (int attempt = 0; attempt < 3; ++attempt) {
      const bool ok = a.CalculateH(k) && a.Evaluate(k);
      if (ok) {
        a.RecalculationRequested = false;
        return true;
      }
      if (!a.RecalculationRequested || k == 0) return false;
      a.CompensatingDensity = a.TemporaryCompensatingDensity[k - 1];
    }
    return false;
  }
};

TEST_P(Recovery, FindsTheLevelsOfTheData) {
  const Case& c = GetParam();
  SCOPED_TRACE(c.why);
  const std::string name = c.file;
  const std::string json = "datasets/" + name.substr(0, name.rfind('.')) + ".json";
  Prepare(name, c.smoothness);

  for (int k = 0; k < static_cast<int>(c.analyses.size()); ++k) {
    SCOPED_TRACE(testing::Message() << "H" << k + 1);
    const Expected& e = c.analyses[k];
    const double density = korv::test::JsonNumber(json, "density", e.level);
    const double energy = korv::test::JsonNumber(json, "energy", e.level);
    const double g = korv::test::JsonNumber(json, "g", e.level);
    if (k > 0) {
      ASSERT_TRUE(a.CheckSimulatedH(k - 1)) << "no room left for another analysis";
    }
    ASSERT_TRUE(analyse(k, g)) << (messages.errors.empty() ? "" : messages.errors.back());
    EXPECT_NEAR(a.EnergyLevel[k] * 1000, energy * 1000, e.energyMeV);
    EXPECT_NEAR(a.Density[k] / density, 1, e.densityShare);
    EXPECT_FALSE(progress.main().open);
    EXPECT_FALSE(progress.detailed().open);
  }
  EXPECT_TRUE(messages.errors.empty());
}

// Tolerances at the default smoothness 5000 say what the whole chain gives: that
// smoothing flattens the H peak, costing a few meV and 5-20 % in density even on
// noise-free data. With a small smoothness the spline follows the data and the level
// fit itself shows what it can do.
INSTANTIATE_TEST_SUITE_P(
    Datasets, Recovery,
    ::testing::Values(
        Case{"01_si_n_P_lightcomp.nT", 5000, {{0, 3, 0.10}}, "n-Si:P, one donor"},
        Case{"clean/01_si_n_P_lightcomp.nT", 5000, {{0, 3, 0.10}}, "n-Si:P, one donor, no noise"},
        Case{"clean/01_si_n_P_lightcomp.nT", 50, {{0, 0.3, 0.02}}, "n-Si:P, no noise, little smoothing"},
        Case{"02_si_p_B_comp20.pT", 5000, {{0, 3, 0.25}}, "p-Si:B, 20 % compensated"},
        Case{"clean/02_si_p_B_comp20.pT", 5000, {{0, 3, 0.20}}, "p-Si:B, no noise"},
        Case{"clean/02_si_p_B_comp20.pT", 50, {{0, 0.5, 0.03}}, "p-Si:B, no noise, little smoothing"},
        Case{"04_si_p_Ga_badpoints.pT", 5000, {{0, 3, 0.15}}, "p-Si:Ga, points of reliability 0 and 0.5"},
        Case{"clean/04_si_p_Ga_badpoints.pT", 5000, {{0, 4, 0.15}}, "p-Si:Ga, no noise"},
        Case{"clean/04_si_p_Ga_badpoints.pT", 50, {{0, 0.5, 0.02}}, "p-Si:Ga, no noise, little smoothing"},
        Case{"07_sic4h_n_N_two_sites.nT",
             5000,
             {{1, 10, 0.15}, {0, 10, 0.10}},
             "4H-SiC:N, the deeper cubic site first, then the hexagonal one"},
        Case{"clean/07_sic4h_n_N_two_sites.nT", 5000, {{1, 3, 0.15}, {0, 6, 0.05}}, "4H-SiC:N, no noise"},
        Case{"09_sic4h_p_Al_heavy.pT", 5000, {{0, 20, 0.10}}, "4H-SiC:Al, half ionised at 800 K"},
        Case{"clean/09_sic4h_p_Al_heavy.pT", 5000, {{0, 2, 0.03}}, "4H-SiC:Al, no noise"},
        Case{"13_gan_n_two_donors.nT",
             5000,
             {{0, 6, 0.35}, {1, 4, 0.08}},
             "GaN, two donors: the shallow one heavily compensated, its density comes out near N_D - N_A"},
        Case{"clean/13_gan_n_two_donors.nT", 5000, {{0, 7, 0.40}, {1, 3, 0.05}}, "GaN, two donors, no noise"},
        Case{"17_gan_p_Mg_excited_states.pT", 5000, {{0, 60, 0.80}}, "GaN:Mg with excited states"},
        Case{"clean/17_gan_p_Mg_excited_states.pT",
             5000,
             {{0, 60, 0.80}},
             "GaN:Mg with excited states: plain Fermi-Dirac occupancy puts the level deeper and the density "
             "far too low; the excited-states analysis is the one to use"}));

}  // namespace
