// Speed of the result files on a grid as long as a 25 K to 500 K measurement gives
// (4751 points at 0.1 K): writing and reading the spline and Fermi-level files, writing
// an H result file, and the material lookup.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/Analysis.h"
#include "materials/MaterialTable.h"

namespace {

constexpr int kGrid = 4751;

std::string scratch(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("korv-bench-" + std::to_string(::getpid()) + name)).string();
}

void fill(Analysis& a) {
  a.Semiconductor = "alpha-GaN";
  a.ConductionType = "n-type";
  a.DataCount = 70;
  for (int i = 0; i < 70; ++i) {
    a.Temperature.push_back(25 + i * 6.9);
    a.Concentration.push_back(1e13 * std::exp(i * 0.12));
    a.Reliability.push_back(1);
  }
  a.GridCount = kGrid;
  a.SplineTemperature.resize(kGrid);
  a.SplineConcentration.resize(kGrid);
  a.FermiLevel.resize(kGrid);
  for (auto* row : {&a.HValues[0], &a.SimulatedH[0]}) row->resize(kGrid);
  for (int j = 0; j < kGrid; ++j) {
    const double T = 25 + 0.1 * j;
    a.SplineTemperature[j] = T;
    a.SplineConcentration[j] = 6e16 / (1 + 3e3 * std::exp(-200 / T));
    a.FermiLevel[j] = 0.01 + 0.0004 * T;
    a.HValues[0][j] = 1e36 * std::exp(-std::pow(std::log(T / 120), 2));
    a.SimulatedH[0][j] = 0.98 * a.HValues[0][j];
  }
  a.PeakIndex[0] = 950;
}

void BM_SaveSplineFile(benchmark::State& state) {
  Analysis a;
  fill(a);
  a.AnalysisDataFile = scratch(".spl");
  for (auto _ : state) benchmark::DoNotOptimize(a.SaveSplineFile());
  std::filesystem::remove(a.AnalysisDataFile);
}
BENCHMARK(BM_SaveSplineFile)->Unit(benchmark::kMillisecond);

void BM_LoadSplineFile(benchmark::State& state) {
  Analysis a;
  fill(a);
  a.AnalysisDataFile = scratch(".spl");
  a.SaveSplineFile();
  for (auto _ : state) benchmark::DoNotOptimize(a.LoadSplineFile());
  std::filesystem::remove(a.AnalysisDataFile);
}
BENCHMARK(BM_LoadSplineFile)->Unit(benchmark::kMillisecond);

void BM_LoadFermiLevelFile(benchmark::State& state) {
  Analysis a;
  fill(a);
  a.FermiLevelFile = scratch(".fl");
  a.SaveFermiLevelFile();
  for (auto _ : state) benchmark::DoNotOptimize(a.LoadFermiLevelFile());
  std::filesystem::remove(a.FermiLevelFile);
}
BENCHMARK(BM_LoadFermiLevelFile)->Unit(benchmark::kMillisecond);

void BM_SaveAnalysisFile(benchmark::State& state) {
  Analysis a;
  fill(a);
  a.AnalysisFile[0] = scratch(".H1");
  for (auto _ : state) benchmark::DoNotOptimize(a.SaveAnalysisFile(0));
  std::filesystem::remove(a.AnalysisFile[0]);
}
BENCHMARK(BM_SaveAnalysisFile)->Unit(benchmark::kMillisecond);

void BM_MaterialLookup(benchmark::State& state) {
  Analysis a;
  a.Semiconductor = "GaS";  // the last row: the whole table is compared
  a.ConductionType = "p-type";
  for (auto _ : state) benchmark::DoNotOptimize(korv::ApplyMaterialParameters(a));
}
BENCHMARK(BM_MaterialLookup);

}  // namespace
