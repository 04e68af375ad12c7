// nbExecAction per action, through the plug-in as the host calls it: parameter
// copy, the actions' field decoding, one recorded engine call, result frame
// and status report through the host callback.
#include <benchmark/benchmark.h>

#include <string>

#include "plugin/host/entry_points.h"
#include "recording_engine/recording_engine.h"

namespace {

std::int32_t VANTIRO_STDCALL AddAction(std::int32_t, const char*, const char*, const char*,
                                       std::uint32_t, std::uint32_t) {
  return 0;
}

std::int32_t VANTIRO_STDCALL SetVariable(const char* name, const char* value) {
  benchmark::DoNotOptimize(name);
  benchmark::DoNotOptimize(value);
  return 0;
}

void Execute(benchmark::State& state, std::int32_t actionId, const std::string& text) {
  nbRegisterPlugIn(AddAction, nullptr, nullptr, SetVariable);
  const char* params[] = {text.c_str()};
  for (auto _ : state) {
    vantiro::recording::Reset();  // keeps the call log at one call
    benchmark::DoNotOptimize(nbExecAction(actionId, params));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

std::string ValueList(std::int64_t count) {
  std::string list;
  for (std::int64_t i = 0; i < count; ++i) {
    if (i > 0) list += ',';
    list += std::to_string(i * 7 % 1000) + ".25";
  }
  return list;
}

void BM_AddBarSeries(benchmark::State& state) {
  Execute(state, 14, "1|1|" + ValueList(state.range(0)) + "|0|1|0|#FF0000|0|1|1|1|0");
}
BENCHMARK(BM_AddBarSeries)->Arg(12)->Arg(1000)->Arg(100000);

void BM_AddGridlessSeries(benchmark::State& state) {
  Execute(state, 7,
          "1|1|30,70,20,45,12,9|#FF0000,#00FF00,#0000FF,#FFFF00,#00FFFF,#FF00FF|0|1|0|0|1|0|90");
}
BENCHMARK(BM_AddGridlessSeries);

void BM_AddDataAxis(benchmark::State& state) {
  Execute(state, 16, "1|1|0|0|100|5|8|#000000|#FF0000|0|1|EUR|Turnover|a*b|2");
}
BENCHMARK(BM_AddDataAxis);

void BM_CreateChart(benchmark::State& state) {
  Execute(state, 2, "100|1|10|20|300|200|#FF0000|1|0|bg.png|Arial|150|#0080FF");
}
BENCHMARK(BM_CreateChart);

void BM_AddLegend(benchmark::State& state) {
  Execute(state, 13, "1|1|" + std::string(900, 'l') + "|2|#FFFFFF|0|&HFF0000|10|0");
}
BENCHMARK(BM_AddLegend);

}  // namespace

BENCHMARK_MAIN();
