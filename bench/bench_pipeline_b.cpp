// The later stages of the pipeline on a 2700-point grid: the evaluation of H1 (five
// level fits and their deviations), the placing of a level once the compensation is
// fixed, and the simulation.
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

// 2700 grid points from 30 K of one compensated donor, and H1 at `eref` with its largest
// value as the peak.
void setRecord(Analysis& a, double eref) {
  a.ResetAll();
  a.DosCoefficient = 5.25e15;
  a.GridCount = 2700;
  a.SplineTemperature.resize(2700);
  a.SplineConcentration.resize(2700);
  for (int j = 0; j < 2700; ++j) {
    const double t = 30.0 + 0.1 * j;
    a.SplineTemperature[j] = t;
    a.SplineConcentration[j] = oneDonor(t, 1e16, 1e14, 0.0456, 2, a.DosCoefficient);
  }
  a.DegeneracyFactor = {2, 2, 2, 2};
  a.Eref[0] = eref;
  a.CalculateHAtEref(0);
  int peak = 0;
  for (int j = 0; j < a.GridCount; ++j)
    if (a.HValues[0][j] > a.HValues[0][peak]) peak = j;
  a.PeakIndex[0] = peak;
}

// `eref` 0: five fits; above 0 each fit is followed by the retry with a scaled ratio.
void BM_EvaluateH1(benchmark::State& state, double eref) {
  Analysis a;
  setRecord(a, eref);
  for (auto _ : state) {
    a.EvaluationFinished = false;
    a.CompensationAnalysis = -1;
    benchmark::DoNotOptimize(a.Evaluate(0));
  }
  state.counters["level_meV"] = a.EnergyLevel[0] * 1000;
  state.counters["density"] = a.Density[0];
}
BENCHMARK_CAPTURE(BM_EvaluateH1, ErefZero, 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateH1, ScaledRetry, 0.01)->Unit(benchmark::kMillisecond);

// The evaluation once the compensation is fixed: the level-range check and the model row.
void BM_EvaluateFinished(benchmark::State& state) {
  Analysis a;
  setRecord(a, 0);
  for (auto _ : state) {
    a.EvaluationFinished = true;
    a.CompensationAnalysis = 0;
    benchmark::DoNotOptimize(a.Evaluate(0));
  }
}
BENCHMARK(BM_EvaluateFinished)->Unit(benchmark::kMillisecond);

void BM_Simulate(benchmark::State& state) {
  Analysis a;
  setRecord(a, 0);
  a.SimUseLevel = {true, true, true, false};
  a.SimDensity = {1e16, 5e15, 1e15, 0};
  a.SimEnergyLevel = {0.0456, 0.1, 0.2, 0};
  a.SimUseCompensation = true;
  a.SimCompensatingDensity = 1e14;
  for (auto _ : state) {
    a.Simulate();
    benchmark::DoNotOptimize(a.SimulatedConcentration.data());
  }
}
BENCHMARK(BM_Simulate)->Unit(benchmark::kMillisecond);

}  // namespace
