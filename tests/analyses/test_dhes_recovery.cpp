// DHES on the synthetic datasets: the peaks the "Next Peak" presses find and the densities
// and levels estimated from them, against the true values beside each file.
#include <gtest/gtest.h>

#include <cmath>

#include "analyses/Dhes.h"
#include "numerics/PipelineFixture.h"

namespace korv::dhes {
namespace {

class DhesRecovery : public korv::test::PipelineFixture {
 protected:
  // Peaks found the way the batch command finds them: each from index 0, pressing
  // "Next Peak" until it lies above the previous peak.
  std::vector<int> Peaks(int count) {
    CalculateDhes(a, s);
    s.DopantDegeneracy = phys::DopantDegeneracy(a.ConductionType);
    std::vector<int> found;
    for (int k = 0; k < count; ++k) {
      int index = 0;
      for (;;) {
        const int next = FindNextPeak(s.DhesSignal, index);
        const bool moved = next != index;
        index = next;
        if (!moved || index >= s.Count() - 1) break;
        if (k == 0 || index > found.back()) break;
      }
      s.DhesPeakIndex[k] = index;
      EstimatePeak(a, s, k);
      found.push_back(index);
    }
    return found;
  }
  DhesState s;
};

TEST_F(DhesRecovery, SiliconCarbideTwoNitrogenSites) {
  Prepare("07_sic4h_n_N_two_sites.nT");
  const auto p = Peaks(2);
  // Measured: 99 K and 253.7 K; 51.3 and 107.1 meV; 4.51e16 and 5.65e16 cm^-3.
  const double truth[2][2] = {{4e16, 0.0614}, {6e16, 0.1255}};
  EXPECT_NEAR(a.SplineTemperature[p[0]], 99, 10);
  EXPECT_NEAR(a.SplineTemperature[p[1]], 254, 15);
  for (int k = 0; k < 2; ++k) {
    EXPECT_NEAR(s.DhesPeakLevel[k], truth[k][1], 0.020) << k;
    EXPECT_LT(std::fabs(std::log(s.DhesPeakDensity[k] / truth[k][0])), std::log(1.5)) << k;
  }
}

TEST_F(DhesRecovery, SiliconPhosphorus) {
  Prepare("01_si_n_P_lightcomp.nT");
  const auto p = Peaks(1);
  // Measured: 72.8 K, 9.975e15 cm^-3.
  EXPECT_NEAR(s.DhesPeakDensity[0] / 1e16, 1.0, 0.05);
}

}  // namespace
}  // namespace korv::dhes
