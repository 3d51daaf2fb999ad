// One "Curve Fitting" command of the curve-fitting window: three dopants, 200 fit points,
// up to 100 Gauss-Newton steps and the simulation on a 2700-point grid afterwards; and the
// iteration alone.
#include <benchmark/benchmark.h>

#include <cmath>

#include "analyses/CurveFitting.h"
#include "core/Analysis.h"
#include "presenters/analyses/CurveFittingPresenter.h"
#include "presenters/common/MemoryView.h"

namespace {

using namespace korv::curvefit;

constexpr double kDos = 5.25e15;

double exact(const FitParameters& p, double T) {
  const double kt = korv::phys::K_BOLTZMANN * T / korv::phys::Q_ELEMENTARY, nc = kDos * std::pow(T, 1.5);
  double lo = 0, hi = 1.5;
  for (int i = 0; i < 60; ++i) {
    const double e = (lo + hi) / 2;
    double ionised = 0;
    for (const auto& d : p.dopants) ionised += d.density / (1 + d.g * std::exp((d.level - e) / kt));
    (ionised - p.compensatingDensity - nc * std::exp(-e / kt) > 0 ? hi : lo) = e;
  }
  return nc * std::exp(-lo / kt);
}

FitParameters truth() {
  FitParameters p;
  p.dopants = {{1e16, 0.045, 2}, {4e15, 0.12, 2}, {2e15, 0.25, 2}};
  p.compensatingDensity = 3e14;
  return p;
}

// 200 measured points from 30 K to 600 K, even in 1000/T; the grid of 0.1 K; the simulation
// inputs 10 to 20 % off the truth.
void fill(Analysis& a) {
  const FitParameters t = truth();
  a.ConductionType = "n-type";
  a.DeveloperOptionsHidden = true;
  a.DosCoefficient = kDos;
  a.Temperature.clear();
  a.Concentration.clear();
  a.Reliability.clear();
  for (int i = 0; i < 200; ++i) {
    const double x = 1000.0 / 30 + (1000.0 / 600 - 1000.0 / 30) * i / 199;
    a.Temperature.push_back(1000 / x);
    a.Concentration.push_back(exact(t, 1000 / x));
    a.Reliability.push_back(1);
  }
  a.DataCount = 200;
  a.GridCount = 5701;
  a.SplineTemperature.resize(a.GridCount);
  for (int j = 0; j < a.GridCount; ++j) a.SplineTemperature[j] = 30 + 0.1 * j;
  a.SimulatedConcentration.assign(a.GridCount, 0);
  a.SimulatedFermiLevel.assign(a.GridCount, 0);
  a.SimDensity = {1.15e16, 3.4e15, 2.3e15, 0};
  a.SimEnergyLevel = {0.048, 0.115, 0.26, 0};
  a.DegeneracyFactor = {2, 2, 2, 2};
  a.SimCompensatingDensity = 4e14;
}

void BM_CurveFittingCommand(benchmark::State& state) {
  Analysis a;
  fill(a);
  korv::ui::MemoryView view(korv::ui::CurveFittingControls(), korv::ui::CurveFittingCharts());
  korv::ui::CurveFittingPresenter window(a, view);
  window.PrepareWindow();
  int steps = 0;
  for (auto _ : state) {
    window.ButtonInitializeClick();
    window.ButtonCurveFittingClick();
    steps = window.LastFit() ? window.LastFit()->acceptedSteps : -1;
  }
  state.counters["accepted_steps"] = steps;
  state.counters["grid_points"] = a.GridCount;
}
BENCHMARK(BM_CurveFittingCommand)->Unit(benchmark::kMillisecond);

// The iteration alone, forced through all 100 steps by a weight small enough that every
// step improves.
void BM_HundredSteps(benchmark::State& state) {
  Analysis a;
  fill(a);
  const FitPoints pts = SelectFitPoints(a);
  const FitParameters start = StartingParameters(a);
  int steps = 0;
  for (auto _ : state) {
    const FitResult r = Fit(Model{kDos}, start, pts, {0, pts.Count() - 1}, 0.02);
    steps = r.acceptedSteps;
    benchmark::DoNotOptimize(r.deviationAfter);
  }
  state.counters["accepted_steps"] = steps;
}
BENCHMARK(BM_HundredSteps)->Unit(benchmark::kMillisecond);

}  // namespace
