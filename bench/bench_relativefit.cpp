// One bounded fit in relative deviations: three dopants and the compensating density
// (7 parameters) against 200 fit points, started 20 % off the values that made the data.
#include <benchmark/benchmark.h>

#include <algorithm>
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

// The default relative fit of the window and of `korv-batch curve-fit --relative
// --merge-unresolved`, end to end: Fermi-Dirac statistics, excited states on auto for every
// level (silicon's mass and dielectric constant), the entered start and 12 fixed ones on two
// threads, K = 1 .. 3 levels by BIC, then the merges while a finding allows one.
void BM_RelativeFitDefault_3Levels_200Points(benchmark::State& state) {
  RelativeFitInput in = ThreeDopants();
  in.physics.statistics = Statistics::FermiDirac;
  in.mass = 1.08;
  in.dielectricConstant = 11.9;
  int agreeing = 0, levels = 0;
  for (auto _ : state) {
    RelativeFitResult r = FitRelativeGlobal(in);
    for (int round = 0; round < 3 && r.ok; ++round) {
      const auto finding = std::find_if(r.unresolved.begin(), r.unresolved.end(), [](const UnresolvedLevel& u) {
        return u.kind == FindingKind::Resolution && u.first >= 0;
      });
      if (finding == r.unresolved.end() || r.dopants.size() < 2) break;
      RelativeFitInput merged = in;
      merged.dopants = MergeUnresolved(r.dopants, *finding);
      merged.compensatingDensity = CompensationBelow(merged.dopants, r.compensatingDensity);
      merged.autoLevels = false;
      merged.excited.clear();
      for (const auto& d : merged.dopants) merged.excited.push_back(d.excited);
      RelativeFitResult next = FitRelativeGlobal(merged);
      if (!next.ok || *next.bic > *r.bic) break;
      r = std::move(next);
    }
    agreeing = r.startsAgreeing;
    levels = int(r.dopants.size());
    benchmark::DoNotOptimize(r);
  }
  state.counters["starts_agreeing"] = agreeing;
  state.counters["levels"] = levels;
}
BENCHMARK(BM_RelativeFitDefault_3Levels_200Points)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
