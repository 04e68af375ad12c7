// Decoding costs: one bar-series parameter text read field by field, and
// data lists of 10,000 to 1,000,000 values (time should grow tenfold per
// step).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/charts/chart_engine.h"
#include "plugin/params/params.h"

extern "C" RmcColour VANTIRO_STDCALL RGB2ARGB(RmcColour colour, std::int32_t alpha) {
  return colour | (static_cast<RmcColour>(alpha) << 24);
}

namespace {

using namespace vantiro::params;

// A data list as the series actions decode it: counted, an array of one
// element per item, one pass.
std::vector<double> DecodeValues(std::string_view field) {
  std::vector<double> values(static_cast<std::size_t>(CountFields(field, ",")));
  DecodeValueList(field, values);
  return values;
}

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

void BarSeriesAction(benchmark::State& state) {
  const std::string parameters = "1|1|" + DataField(12) + "|1|2|0|#FF8000|0|1|1|1|0";
  for (auto _ : state) {
    std::int32_t sum = ReadInteger(parameters, 1) + ReadInteger(parameters, 2);
    const std::vector<double> values = DecodeValues(GetField(parameters, "|", 3));
    for (std::int32_t n = 4; n <= 6; ++n) sum += ReadInteger(parameters, n);
    const std::uint32_t colour = ReadColour(parameters, 7);
    for (std::int32_t n = 8; n <= 12; ++n) sum += ReadInteger(parameters, n);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(colour);
    benchmark::DoNotOptimize(values.data());
  }
  state.SetLabel(std::to_string(parameters.size()) + " bytes");
}
BENCHMARK(BarSeriesAction);

void DataList(benchmark::State& state) {
  const std::string field = DataField(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const std::vector<double> values = DecodeValues(field);
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(field.size()));
}
BENCHMARK(DataList)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
