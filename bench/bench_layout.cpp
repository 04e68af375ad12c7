// Layout speed: very long bar series (the envelope path) and a typical
// report chart. Run by hand: bin/bench_layout.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/layout/draw_list.h"
#include "engine/layout/layout.h"
#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout_bench {
namespace {

// Fixed-width text, so the figures measure the layout and not a font library.
class FixedMeasurer : public TextMeasurer {
 public:
  TextExtent Measure(const Font& font, const std::string& text) override {
    return {0.6 * font.sizePx * double(text.size()), 0.8 * font.sizePx, 0.2 * font.sizePx};
  }
};

Chart OneRegion(int width, int height) {
  Chart chart;
  chart.ctrlId = 1;
  chart.settings.width = width;
  chart.settings.height = height;
  chart.regions.emplace_back();
  return chart;
}

BarSeries Bars(std::vector<double> values, Argb colour, std::int32_t type = kBarGrouped) {
  BarSeries s;
  s.values = std::move(values);
  s.colour = colour;
  s.type = type;
  return s;
}

std::vector<double> Wave(std::size_t n) {
  std::vector<double> values(n);
  for (std::size_t i = 0; i < n; ++i) {
    values[i] = 50 + 30 * std::sin(double(i) * 1e-5) + double(i * 7919 % 1000) / 50.0;
  }
  return values;
}

Chart LongSeries(std::size_t n, std::int32_t type, int series, bool horizontal) {
  Chart chart = OneRegion(800, 400);
  Region& r = chart.regions[0];
  r.grid.present = true;
  r.grid.biColour = 1;
  r.dataAxes.emplace_back();
  r.caption = {true, "Sensor readings", 0xFFFFFFFF, 0xFF202020, 12, 1};
  for (int s = 0; s < series; ++s) {
    BarSeries bars = Bars(Wave(n / std::size_t(series)), kPalette[s], type);
    bars.horizontal = horizontal ? 1 : 0;
    r.bars.push_back(std::move(bars));
  }
  return chart;
}

void BM_LayoutLongSeries(benchmark::State& state) {
  const auto n = std::size_t(state.range(0));
  const Chart chart =
      LongSeries(n, std::int32_t(state.range(1)), int(state.range(2)), state.range(3) != 0);
  FixedMeasurer measurer;
  for (auto _ : state) {
    DrawList list = LayoutChart(chart, 800, 400, measurer);
    benchmark::DoNotOptimize(list.shapes.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(n));
}
// values, type, series, horizontal
BENCHMARK(BM_LayoutLongSeries)
    ->Args({100000, kBarGrouped, 1, 0})
    ->Args({1000000, kBarGrouped, 1, 0})
    ->Args({1000000, kBarGrouped, 1, 1})
    ->Args({1000000, kBarStacked, 2, 0})
    ->Args({1000000, kBarStacked100, 4, 0})
    ->Unit(benchmark::kMillisecond);

void BM_LayoutReportChart(benchmark::State& state) {
  Chart chart = OneRegion(800, 600);
  Region& r = chart.regions[0];
  r.caption = {true, "Quarterly sales 2026", 0xFFFFFFFF, 0xFF1F3864, 16, 1};
  r.grid.present = true;
  r.dataAxes.emplace_back();
  r.dataAxes[0].units = " k$";
  r.hasLabelAxis = true;
  r.labelAxis.labels =
      "January;February;March;April;May;June;July;August;September;October;November;December";
  for (int s = 0; s < 3; ++s) r.bars.push_back(Bars(Wave(12), kPalette[s]));
  r.legend.present = true;
  r.legend.text = "North;South;West";
  FixedMeasurer measurer;
  for (auto _ : state) {
    DrawList list = LayoutChart(chart, 800, 600, measurer);
    benchmark::DoNotOptimize(list.shapes.data());
  }
}
BENCHMARK(BM_LayoutReportChart)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantiro::engine::layout_bench

BENCHMARK_MAIN();
