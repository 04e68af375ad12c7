// How fast a chart becomes a PNG: layout, Cairo drawing and our PNG writer
// on a quarterly sales chart at 800x600, compared with gnuplot drawing the
// same chart (many charts in one gnuplot process, so its start-up is
// shared); and layout plus drawing of bar series of 100,000 and 1,000,000
// values. A summary with milliseconds per chart follows the table.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include "engine/device/device.h"
#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/image_encode.h"

namespace vantiro::engine {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kGnuplotCharts = 50;

const char* const kQuarters[] = {"Q1", "Q2", "Q3", "Q4"};
const char* const kYears[] = {"2022", "2023", "2024"};
constexpr double kSales[3][4] = {{120, 135, 160, 190}, {130, 150, 155, 210}, {145, 170, 185, 240}};

// Elapsed and processor time. The machine may be shared: processor time
// (of this process, or of gnuplot's) is the fairer comparison.
struct Times {
  double wall = 0, cpu = 0;  // milliseconds
};

double CpuSeconds(int who) {
  if (who == RUSAGE_SELF) return double(std::clock()) / CLOCKS_PER_SEC;
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

class Stopwatch {
 public:
  explicit Stopwatch(int who = RUSAGE_SELF)
      : who_(who), wall_(std::chrono::steady_clock::now()), cpu_(CpuSeconds(who)) {}
  // Milliseconds since the start, divided among `count` charts.
  Times Per(double count) const {
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    return count <= 0 ? Times{}
                      : Times{wall * 1e3 / count, (CpuSeconds(who_) - cpu_) * 1e3 / count};
  }

 private:
  int who_;
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
};

// Figures for the summary printed after the table.
struct Summary {
  Times vantiroPng, vantiroFile, gnuplotPng;
  Times layout, render, encode;
  Times bars100k, bars1m;
  std::size_t pngBytes = 0;
};
Summary& Results() {
  static Summary summary;
  return summary;
}

Chart SalesChart() {
  Chart chart;
  chart.ctrlId = 1;
  chart.settings.parent = 1;
  chart.settings.width = kWidth;
  chart.settings.height = kHeight;
  chart.settings.style = kChartBorder;
  Region region;
  region.grid.present = true;
  region.caption.present = true;
  region.caption.text = "Quarterly sales";
  region.caption.fontSize = 14;
  region.caption.bold = 1;
  region.legend.present = true;
  region.legend.text = "2022;2023;2024";
  DataAxis axis;
  axis.units = " k$";
  axis.title = "Sales";
  region.dataAxes.push_back(axis);
  region.hasLabelAxis = true;
  region.labelAxis.labels = "Q1;Q2;Q3;Q4";
  for (int s = 0; s < 3; ++s) {
    BarSeries bars;
    bars.values.assign(kSales[s], kSales[s] + 4);
    bars.colour = kPalette[s];
    region.bars.push_back(bars);
  }
  chart.regions.push_back(region);
  return chart;
}

Chart LongSeriesChart(std::size_t count) {
  Chart chart;
  chart.ctrlId = 2;
  chart.settings.width = kWidth;
  chart.settings.height = kHeight;
  Region region;
  region.grid.present = true;
  region.dataAxes.push_back(DataAxis{});
  BarSeries bars;
  bars.values.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    bars.values[i] = 100 + 60 * std::sin(double(i) * 0.001) + double(i * 7919 % 37);
  }
  region.bars.push_back(bars);
  chart.regions.push_back(region);
  return chart;
}

void BM_SalesChartLayout(benchmark::State& state) {
  const Chart chart = SalesChart();
  render::CairoFonts fonts;
  render::CairoTextMeasurer measurer(fonts);
  const Stopwatch watch;
  for (auto _ : state) benchmark::DoNotOptimize(LayoutChart(chart, kWidth, kHeight, measurer));
  Results().layout = watch.Per(double(state.iterations()));
}
BENCHMARK(BM_SalesChartLayout)->Unit(benchmark::kMillisecond);

void BM_SalesChartDraw(benchmark::State& state) {
  render::CairoFonts fonts;
  render::CairoTextMeasurer measurer(fonts);
  const DrawList list = LayoutChart(SalesChart(), kWidth, kHeight, measurer);
  const Stopwatch watch;
  for (auto _ : state) benchmark::DoNotOptimize(render::RenderToImage(list, fonts).ok());
  Results().render = watch.Per(double(state.iterations()));
}
BENCHMARK(BM_SalesChartDraw)->Unit(benchmark::kMillisecond);

void BM_SalesChartEncodePng(benchmark::State& state) {
  render::CairoFonts fonts;
  render::CairoTextMeasurer measurer(fonts);
  const render::CairoImage image =
      render::RenderToImage(LayoutChart(SalesChart(), kWidth, kHeight, measurer), fonts);
  render::PngEncoder encoder;
  std::size_t bytes = 0;
  const Stopwatch watch;
  for (auto _ : state) bytes = encoder.Encode(image.pixels()).size();
  Results().encode = watch.Per(double(state.iterations()));
  Results().pngBytes = bytes;
  state.counters["png_bytes"] = double(bytes);
}
BENCHMARK(BM_SalesChartEncodePng)->Unit(benchmark::kMillisecond);

// The whole way in memory: layout, drawing, PNG.
void BM_SalesChartToPng(benchmark::State& state) {
  const Chart chart = SalesChart();
  render::CairoFonts fonts;
  render::PngEncoder encoder;
  const Stopwatch watch;
  for (auto _ : state) {
    render::CairoTextMeasurer measurer(fonts);
    const DrawList list = LayoutChart(chart, kWidth, kHeight, measurer);
    const render::CairoImage image = render::RenderToImage(list, fonts);
    benchmark::DoNotOptimize(encoder.Encode(image.pixels()).data());
  }
  Results().vantiroPng = watch.Per(double(state.iterations()));
}
BENCHMARK(BM_SalesChartToPng)->Unit(benchmark::kMillisecond);

// The same through the engine's file call, writing the file.
void BM_SalesChartDrawToFile(benchmark::State& state) {
  const Chart chart = SalesChart();
  const std::string path =
      (fs::temp_directory_path() / ("vantiro-bench-" + std::to_string(::getpid()) + ".png"))
          .string();
  const Stopwatch watch;
  for (auto _ : state) {
    if (device::DrawToFile(chart, path, kWidth, kHeight, 0) != 0)
      state.SkipWithError("DrawToFile failed");
  }
  Results().vantiroFile = watch.Per(double(state.iterations()));
  fs::remove(path);
}
BENCHMARK(BM_SalesChartDrawToFile)->Unit(benchmark::kMillisecond);

// gnuplot draws the same chart (caption, legend, grid, value axis with
// title, Q1..Q4, three clustered bar series) kGnuplotCharts times to PNG
// with its Cairo terminal in one process; the time is per chart.
void BM_GnuplotSalesChart(benchmark::State& state) {
  if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) {
    state.SkipWithError("gnuplot is not installed");
    return;
  }
  const fs::path folder =
      fs::temp_directory_path() / ("vantiro-gnuplot-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  {
    std::ofstream data(folder / "sales.dat");
    data << "quarter";
    for (const char* year : kYears) data << ' ' << year;
    data << '\n';
    for (int q = 0; q < 4; ++q) {
      data << kQuarters[q];
      for (int s = 0; s < 3; ++s) data << ' ' << kSales[s][q];
      data << '\n';
    }
    std::ofstream script(folder / "sales.gp");
    script << "set terminal pngcairo size " << kWidth << "," << kHeight << " font 'DejaVu Sans,9'\n"
           << "set title 'Quarterly sales' font 'DejaVu Sans:Bold,14'\n"
           << "set style data histograms\n"
           << "set style histogram clustered gap 1\n"
           << "set style fill solid 1.0 noborder\n"
           << "set key outside right center box\n"
           << "set grid ytics\n"
           << "set yrange [0:*]\n"
           << "set ylabel 'Sales'\n"
           << "set format y '%g k$'\n"
           << "do for [i=1:" << kGnuplotCharts << "] {\n"
           << "  set output sprintf('" << folder.string() << "/chart-%02d.png', i)\n"
           << "  plot '" << (folder / "sales.dat").string()
           << "' using 2:xtic(1) title columnheader lc rgb '#4472C4', "
           << "'' using 3 title columnheader lc rgb '#ED7D31', "
           << "'' using 4 title columnheader lc rgb '#A5A5A5'\n"
           << "}\n";
  }
  const std::string command = "gnuplot '" + (folder / "sales.gp").string() + "'";
  const Stopwatch all(RUSAGE_CHILDREN);
  for (auto _ : state) {
    const Stopwatch one(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("gnuplot failed");
      break;
    }
    state.SetIterationTime(one.Per(kGnuplotCharts).wall * 1e-3);
  }
  if (!fs::exists(folder / "chart-50.png")) state.SkipWithError("gnuplot wrote no charts");
  Results().gnuplotPng = all.Per(double(state.iterations()) * kGnuplotCharts);
  fs::remove_all(folder);
}
BENCHMARK(BM_GnuplotSalesChart)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Layout and drawing of one bar series of state.range(0) values.
void BM_LongBarSeries(benchmark::State& state) {
  const std::size_t count = std::size_t(state.range(0));
  const Chart chart = LongSeriesChart(count);
  render::CairoFonts fonts;
  const Stopwatch watch;
  for (auto _ : state) {
    render::CairoTextMeasurer measurer(fonts);
    const DrawList list = LayoutChart(chart, kWidth, kHeight, measurer);
    benchmark::DoNotOptimize(render::RenderToImage(list, fonts).ok());
  }
  (count == 100000 ? Results().bars100k : Results().bars1m) = watch.Per(double(state.iterations()));
  state.SetItemsProcessed(state.iterations() * std::int64_t(count));
}
BENCHMARK(BM_LongBarSeries)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void PrintRow(const char* what, const Times& t, const char* note = "") {
  if (t.wall <= 0) return;  // not run (filtered out)
  std::printf("  %-22s %8.3f ms elapsed %8.3f ms processor%s\n", what, t.wall, t.cpu, note);
}

void PrintSummary() {
  const Summary& r = Results();
  std::printf("\nQuarterly sales chart, %dx%d PNG, per chart:\n", kWidth, kHeight);
  PrintRow("layout", r.layout);
  PrintRow("drawing", r.render);
  PrintRow("PNG encoding", r.encode);
  PrintRow("Vantiro, in memory", r.vantiroPng);
  PrintRow("Vantiro, to a file", r.vantiroFile);
  std::printf("  PNG size: %zu bytes\n", r.pngBytes);
  if (r.gnuplotPng.wall > 0 && r.vantiroPng.wall > 0) {
    const std::string note = "  (" + std::to_string(kGnuplotCharts) + " charts per process)";
    PrintRow("gnuplot (pngcairo)", r.gnuplotPng, note.c_str());
    std::printf("  gnuplot / Vantiro: %.1f x elapsed, %.1f x processor\n",
                r.gnuplotPng.wall / r.vantiroPng.wall, r.gnuplotPng.cpu / r.vantiroPng.cpu);
  }
  std::printf("Layout + drawing of one bar series:\n");
  PrintRow("100,000 values", r.bars100k);
  PrintRow("1,000,000 values", r.bars1m);
}

}  // namespace
}  // namespace vantiro::engine

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vantiro::engine::PrintSummary();
  return 0;
}
