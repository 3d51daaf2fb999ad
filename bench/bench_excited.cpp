// The automatic excited-states evaluation on a 2 700-point grid (p-GaN:Mg-like data made
// with excited states, 200-470 K): the straightforward form against the fast form. CPU
// time is that of the whole process (both threads of the fast form), wall time real.
#include <benchmark/benchmark.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "analyses/ExcitedStates.h"
#include "core/Ports.h"

namespace {

// Concentration of one hydrogen-like acceptor (1e19 cm^-3 at 170 meV, excited states 2..4,
// g = 4, 1e18 cm^-3 compensation) by bisection of the charge balance.
double Concentration(double T) {
  const double kt = 1.38054e-23 * T / 1.6021e-19, nc = 8.87e15 * std::pow(T, 1.5);
  const double ry = 13.6 * 1.5 / 8.9 / 8.9, E = 0.17;
  double w = 0, num = 0;
  for (int n = 2; n <= 4; ++n) {
    const double wn = n * n * std::exp(-(E - ry / (n * n)) / kt);
    w += wn;
    num += wn * (E - ry / (n * n));
  }
  const double eex = num / (1 + w);
  auto f = [&](double ef) {
    double s = std::exp((E - ef) / kt);
    for (int n = 2; n <= 4; ++n) s += n * n * std::exp((ry / (n * n) - ef) / kt);
    return 1e19 / (1 + 4 * std::exp(-eex / kt) * s) - 1e18 - nc * std::exp(-ef / kt);
  };
  double lo = -0.5, hi = 2.0;
  for (int i = 0; i < 80; ++i) {
    const double mid = (lo + hi) / 2;
    (f(mid) > 0 ? hi : lo) = mid;
  }
  return nc * std::exp(-(lo + hi) / 2 / kt);
}

void Fill(Analysis& a) {
  a.ConductionType = "p-type";
  a.DosCoefficient = 8.87e15;
  a.EffectiveMass = 1.5;
  a.DielectricConstant = 8.9;
  a.DegeneracyFactor[0] = 4;
  a.Eref[0] = 0.2;
  a.GridCount = 2700;
  a.SplineTemperature.resize(a.GridCount);
  a.SplineConcentration.resize(a.GridCount);
  a.HValues.resize(4);
  a.HValues[0].assign(a.GridCount, 0);
  int peak = 0;
  for (int j = 0; j < a.GridCount; ++j) {
    const double T = 200 + 0.1 * j, kt = 1.38054e-23 * T / 1.6021e-19;
    a.SplineTemperature[j] = T;
    a.SplineConcentration[j] = Concentration(T);
    a.HValues[0][j] = a.SplineConcentration[j] * a.SplineConcentration[j] * std::exp(0.2 / kt) / std::pow(kt, 2.5);
    if (a.HValues[0][j] > a.HValues[0][peak]) peak = j;
  }
  a.PeakIndex[0] = peak;
}

void Evaluate(benchmark::State& state, korv::excited::Method method) {
  Analysis a;
  Fill(a);
  korv::NullProgress progress;
  korv::NullMessages messages;
  std::string label;
  for (auto _ : state) {
    korv::excited::ExcitedStates x(a);
    if (!x.AutomaticExcitedEvaluation(progress, messages, method)) throw std::runtime_error("evaluation failed");
    label = "trial " + std::to_string(korv::excited::ChooseTrial(x.TrialDeviation)) + ", level " +
            std::to_string(x.ExcitedEnergyLevel) + " eV";
  }
  state.SetLabel(label);
}

void BM_ExcitedEvaluationStraightforward(benchmark::State& state) {
  Evaluate(state, korv::excited::Method::Straightforward);
}
void BM_ExcitedEvaluationFast(benchmark::State& state) { Evaluate(state, korv::excited::Method::Fast); }

}  // namespace

BENCHMARK(BM_ExcitedEvaluationStraightforward)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ExcitedEvaluationFast)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
