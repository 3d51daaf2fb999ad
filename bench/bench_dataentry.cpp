// Speed of the data windows' work that runs on every keystroke or save: the conversion of
// a pasted or loaded text into points (the preview reads the whole text through the reader
// of instrument exports) and the stable temperature sort of a full data sheet.
#include <benchmark/benchmark.h>

#include <string>

#include "files/InstrumentImport.h"
#include "presenters/data/DataSheetPresenter.h"

namespace {

std::string foreignText(int lines) {
  std::string text = "# T [K], n [cm^-3], mobility\n";
  for (int i = 0; i < lines; ++i)
    text += std::to_string(20 + 0.05 * i) + ", " + std::to_string(1e13 * (1 + i)) + ", 1234.5\n";
  return text;
}

void BM_ConvertColumns(benchmark::State& state) {
  const std::string text = foreignText(static_cast<int>(state.range(0)));
  korv::ImportSettings settings;
  settings.temperatureColumn = "1";
  settings.concentrationColumn = "2";
  for (auto _ : state) {
    korv::ImportResult r = korv::ImportMeasurement(text, settings);
    benchmark::DoNotOptimize(r.points.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ConvertColumns)->Arg(300)->Arg(10000)->Arg(100000);

// A real export of five runs converted from R_H, one run read.
void BM_ImportHallRuns(benchmark::State& state) {
  std::string text = "# run  T  R_H\n";
  for (int run = 0; run < 5; ++run)
    for (int i = 0; i < state.range(0); ++i)
      text += std::to_string(180 * (run + 1)) + "uA\t" + std::to_string(95 + 0.05 * i) + "\t" +
              std::to_string(2.7e6 - 10.0 * i) + "\n";
  korv::ImportSettings settings;
  settings.temperatureColumn = "2";
  settings.concentrationColumn = "3";
  settings.quantity = korv::ImportQuantity::HallCoefficient;
  settings.unit = korv::ImportUnit::CubicCentimetrePerCoulomb;
  settings.run = "540uA";
  for (auto _ : state) {
    korv::ImportResult r = korv::ImportMeasurement(text, settings);
    benchmark::DoNotOptimize(r.points.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ImportHallRuns)->Arg(60)->Arg(20000);

// The largest data sheet, in descending order (the sort's worst case for moves).
void BM_SortFullSheet(benchmark::State& state) {
  std::vector<double> keys;
  for (int i = 0; i < korv::ui::kDataSheetRows - 1; ++i) keys.push_back(500 - i);
  for (auto _ : state) benchmark::DoNotOptimize(korv::ui::TemperatureOrder(keys).data());
}
BENCHMARK(BM_SortFullSheet);

}  // namespace
