// Decoding costs of the plug-in's actions, measured on the decoder they
// call (DecodedFields with an action's field table): one bar-series
// parameter text, and bar series whose value list holds 10,000 to
// 1,000,000 values (time should grow tenfold per step).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "plugin/charts/action_frame.h"
#include "plugin/content/content_actions.h"

namespace {

using vantiro::charts::DecodedFields;
using vantiro::content::field_kinds::kAddBarSeriesFields;

// Data values as scripts write them: whole numbers and numbers with one to
// three decimals, some negative.
std::string DataField(std::size_t count) {
  std::mt19937 random(1);
  std::string field;
  field.reserve(count * 8);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) field += ',';
    if (random() % 8 == 0) field += '-';
    field += std::to_string(random() % 100000);
    if (const auto decimals = random() % 4; decimals > 0) {
      field += '.';
      for (auto d = decimals; d > 0; --d) field += static_cast<char>('0' + random() % 10);
    }
  }
  return field;
}

std::string BarSeriesParameters(std::size_t values) {
  return "1|1|" + DataField(values) + "|1|2|0|#FF8000|0|1|1|1|0";
}

// The fields of ae_Graph_AddBarSeries as the action decodes them.
void Decode(benchmark::State& state, const std::string& parameters) {
  for (auto _ : state) {
    DecodedFields fields;
    benchmark::DoNotOptimize(fields.Decode(kAddBarSeriesFields, parameters));
    benchmark::DoNotOptimize(fields.Values(3));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(parameters.size()));
}

void BarSeriesAction(benchmark::State& state) {
  const std::string parameters = BarSeriesParameters(12);
  Decode(state, parameters);
  state.SetLabel(std::to_string(parameters.size()) + " bytes");
}
BENCHMARK(BarSeriesAction);

void DataList(benchmark::State& state) {
  Decode(state, BarSeriesParameters(static_cast<std::size_t>(state.range(0))));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DataList)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
