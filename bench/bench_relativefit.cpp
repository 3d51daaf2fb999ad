// One bounded fit in relative deviations: three dopants and the compensating density
// (7 parameters) against 200 fit points, started 20 % off the values that made the data.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "analyses/RelativeFit.h"

namespace {

using namespace korv::analyses;

RelativeFitInput ThreeDopants() {
  const std::vector<RelativeDopant> truth{{2e16, 0.045, 2}, {1e16, 0.11, 2}, {5e15, 0.25, 2}};
  const double comp = 1e15, dos = 5.4e15;
  RelativeFitInput in;
  in.dosCoefficient = dos;
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 0.01);
  for (int i = 0; i < 200; ++i) {
    const double T = 1.0 / (1.0 / 600 + (1.0 / 30 - 1.0 / 600) * i / 199.0);
    in.temperature.push_back(T);
    in.concentration.push_back(std::exp(ModelLogConcentration(T, dos, truth, comp) + noise(rng)));
  }
  in.dopants = {{2.4e16, 0.040, 2}, {0.8e16, 0.13, 2}, {6e15, 0.22, 2}};
  in.compensatingDensity = 1.2e15;
  return in;
}

void BM_RelativeFit_3Dopants_200Points(benchmark::State& state) {
  const RelativeFitInput in = ThreeDopants();
  int iterations = 0;
  for (auto _ : state) {
    RelativeFitResult r = FitRelative(in);
    iterations = r.iterations;
    benchmark::DoNotOptimize(r);
  }
  state.counters["LM_iterations"] = iterations;
}
BENCHMARK(BM_RelativeFit_3Dopants_200Points)->Unit(benchmark::kMillisecond);

}  // namespace
