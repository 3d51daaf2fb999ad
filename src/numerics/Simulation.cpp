// Simulation of n(T) from the obtained levels: at every grid temperature the Fermi
// level that balances the ionised levels against the free carriers and the
// compensating density, found by bisection, and the concentration it gives.
#include <cmath>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Numbers.h"

using korv::phys::K_BOLTZMANN;
using korv::phys::Q_ELEMENTARY;

namespace {
// The product of the two values is above 0; compared by sign, because the product
// of two small residuals underflows to 0 in double.
bool sameSign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }
}  // namespace

bool Analysis::Simulate() {
  const int n = GridCount;
  if (n < 0 || static_cast<int>(SplineTemperature.size()) < n)
    throw korv::Error("There is no temperature grid to simulate on: calculate the spline first.");

  progress().Show(korv::ProgressBar::Main, n);
  const korv::ProgressCloser closer(progress(), {korv::ProgressBar::Main});
  std::vector<double> fermi(n), concentration(n);
  auto fault = [&](double T) {
    throw korv::Error("The simulation could not be carried out: the charge balance at " + korv::FormatPoint(T) +
                      " K is not a finite number.");
  };
  double kt = KT, nc = Nc;
  for (int j = 0; j < n; ++j) {
    progress().Step(korv::ProgressBar::Main);
    const double T = SplineTemperature[j];
    kt = K_BOLTZMANN * T / Q_ELEMENTARY;
    nc = std::pow(T, 1.5) * DosCoefficient;
    // Charge balance at a trial Fermi level e below the band edge: ionised levels
    // minus free carriers and compensating density.
    auto F = [&](double e) {
      double ionised = 0;
      for (int i = 0; i < 3; ++i)
        if (SimUseLevel[i])
          ionised += SimDensity[i] / (std::exp((SimEnergyLevel[i] - e) / kt) * DegeneracyFactor[i] + 1);
      return ionised - (nc * std::exp(-e / kt) + (SimUseCompensation ? SimCompensatingDensity : 0.0));
    };
    double a = 0, b = 1.5, m = 0;
    for (int i = 0; i < 15; ++i) {
      m = (a + b) / 2;
      const double fa = F(a), fm = F(m);
      if (!std::isfinite(fa) || !std::isfinite(fm)) fault(T);
      if (fm == 0) break;
      if (sameSign(fa, fm))
        a = m;
      else
        b = m;
    }
    fermi[j] = m;
    concentration[j] = std::exp(-m / kt) * nc;
    if (!std::isfinite(concentration[j])) fault(T);
  }
  SimulatedFermiLevel = std::move(fermi);
  SimulatedConcentration = std::move(concentration);
  KT = kt;
  Nc = nc;
  return true;
}
