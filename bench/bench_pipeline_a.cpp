// The first stages of the pipeline: the smoothing spline of a 300-point measurement and
// the H1 calculation with its E_ref search on a 2700-point grid.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/Analysis.h"

namespace {

using namespace korv::phys;

double oneDonor(double t, double nd, double na, double e, double g, double dos) {
  const double phi = dos * std::pow(t, 1.5) / g * std::exp(-e / (K_BOLTZMANN * t / Q_ELEMENTARY));
  const double b = na + phi;
  return 2 * (nd - na) * phi / (b + std::sqrt(b * b + 4 * (nd - na) * phi));
}

// 300 points from 20 K to 300 K with a deterministic 1 % scatter.
void setMeasurement(Analysis& a) {
  a.ResetAll();
  for (int i = 0; i < 300; ++i) {
    const double t = 20.0 + 280.0 * i / 299;
    const double scatter = 1 + 0.01 * std::sin(12.9898 * i);
    a.Temperature.push_back(t);
    a.Concentration.push_back(oneDonor(t, 1e16, 1e14, 0.045, 2, 5e15) * scatter);
    a.Reliability.push_back(1);
  }
  a.DataCount = 300;
  a.FirstIndex = 0;
  a.LastIndex = 299;
}

void BM_CalculateSpline300(benchmark::State& state) {
  Analysis a;
  setMeasurement(a);
  a.Smoothness = static_cast<double>(state.range(0));
  for (auto _ : state) {
    a.CalculateSpline();
    benchmark::DoNotOptimize(a.SplineConcentration.data());
  }
  state.counters["grid"] = a.GridCount;
}
BENCHMARK(BM_CalculateSpline300)->Arg(5000)->Arg(1)->Unit(benchmark::kMillisecond);

// 2700 grid points from 30 K; `level` sets where the H peak lies and so how long the
// E_ref search runs; `rising` makes n(T) climb so steeply that every pass runs to its limit.
void setGrid(Analysis& a, double level, bool rising) {
  a.ResetAll();
  a.DosCoefficient = 5e15;
  a.GridCount = 2700;
  a.SplineTemperature.resize(2700);
  a.SplineConcentration.resize(2700);
  for (int j = 0; j < 2700; ++j) {
    const double t = 30.0 + 0.1 * j;
    a.SplineTemperature[j] = t;
    a.SplineConcentration[j] =
        rising ? 1e22 * std::exp(-2.0 / (K_BOLTZMANN * t / Q_ELEMENTARY)) : oneDonor(t, 1e16, 1e13, level, 2, 5e15);
  }
}

void BM_CalculateH1(benchmark::State& state, double level, bool rising) {
  Analysis a;
  setGrid(a, level, rising);
  for (auto _ : state) {
    a.CalculateH(0);
    benchmark::DoNotOptimize(a.HValues[0].data());
  }
  state.counters["Eref_meV"] = a.Eref[0] * 1000;
}
// Peak inside the window at E_ref 0: one calculation.
BENCHMARK_CAPTURE(BM_CalculateH1, PeakInside, 0.045, false)->Unit(benchmark::kMillisecond);
// Shallow level: negative E_ref found by all four passes.
BENCHMARK_CAPTURE(BM_CalculateH1, FourPasses, 0.005, false)->Unit(benchmark::kMillisecond);
// Worst case: the first pass runs all 1000 iterations.
BENCHMARK_CAPTURE(BM_CalculateH1, ThousandIterations, 0, true)->Unit(benchmark::kMillisecond);

// H2 on the same grid with the first level taken out.
void BM_CalculateH2(benchmark::State& state) {
  Analysis a;
  setGrid(a, 0.005, false);
  a.Density[0] = 5e15;
  a.EnergyLevel[0] = 0.005;
  a.DegeneracyFactor[0] = 2;
  a.CheckIndex[0] = 900;
  a.PeakIndex[0] = 500;
  a.Eref[0] = -0.005;
  for (auto _ : state) {
    a.CalculateH(1);
    benchmark::DoNotOptimize(a.HValues[1].data());
  }
}
BENCHMARK(BM_CalculateH2)->Unit(benchmark::kMillisecond);

}  // namespace
