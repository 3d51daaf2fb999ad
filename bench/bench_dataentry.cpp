// Speed of the data windows' work that runs on every keystroke or save: the conversion of
// a pasted or loaded text into points (the preview parses the whole text) and the stable
// temperature sort of a full data sheet.
#include <benchmark/benchmark.h>

#include <string>

#include "presenters/Datasheet.h"
#include "presenters/Formatconvert.h"

namespace {

std::string foreignText(int lines) {
  std::string text = "# T [K], n [cm^-3], mobility\n";
  for (int i = 0; i < lines; ++i)
    text += std::to_string(20 + 0.05 * i) + ", " + std::to_string(1e13 * (1 + i)) + ", 1234.5\n";
  return text;
}

void BM_ConvertColumns(benchmark::State& state) {
  const std::string text = foreignText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    korv::ui::ConvertedText c = korv::ui::ConvertColumns(text, 0, 1);
    benchmark::DoNotOptimize(c.points.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ConvertColumns)->Arg(300)->Arg(10000)->Arg(100000);

// The largest data sheet, in descending order (the sort's worst case for moves).
void BM_SortFullSheet(benchmark::State& state) {
  std::vector<double> keys;
  for (int i = 0; i < korv::ui::kDataSheetRows - 1; ++i) keys.push_back(500 - i);
  for (auto _ : state) benchmark::DoNotOptimize(korv::ui::TemperatureOrder(keys).data());
}
BENCHMARK(BM_SortFullSheet);

}  // namespace
