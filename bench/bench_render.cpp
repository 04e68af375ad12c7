// How fast the example charts that the README shows become PNG files, and
// how large those files are, against the peers, all in one run:
//
// - Vantiro: layout, Cairo drawing and our PNG writer, in memory; and the
//   example's own actions for the chart (create, fill, ae_Graph_Draw,
//   ae_Graph_Draw2File of its PNG, delete) run through the plug-in and the
//   engine functions, file written.
// - The same layout and drawing with Cairo's PNG writer
//   (cairo_surface_write_to_png_stream) and with libpng at zlib level 6, so
//   that only the writer differs: the same pixels.
// - gnuplot drawing the quarterly sales chart (same data, texts and size)
//   with its pngcairo terminal, many charts in one process.
// - One chart per process: vantiro-host running quarterly-sales.vsc
//   against gnuplot drawing one chart.
//
// Times are processor time per chart, the lowest of three repetitions; a
// summary with ratios follows Google Benchmark's table, with the load
// average at the start and the end and each chart's ratio to the floor of
// Cairo drawing plus our PNG writer. Peers that are not installed are
// reported as missing. Also: layout and drawing of bar series of 100,000
// and 1,000,000 values.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <png.h>

#include "engine/device/shared/device_shared.h"
#include "bench/bench_common.h"
#include "engine/chartfile/chart_file.h"
#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/image_encode.h"
#include "abi/rmchart.h"

namespace vantiro::engine {
namespace {

namespace fs = std::filesystem;

constexpr int kGnuplotCharts = 50;
constexpr int kProcessRuns = 20;

// Processor time per chart (and elapsed, for the record), in milliseconds.
struct Times {
  double cpu = 0, wall = 0;
  bool measured() const { return cpu > 0; }
};

double CpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

class Stopwatch {
 public:
  Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}
  Times Per(double count) const {
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    return count <= 0 ? Times{} : Times{(CpuSeconds() - cpu_) * 1e3 / count, wall * 1e3 / count};
  }

 private:
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
};

// Keeps the lowest processor time of the repetitions.
void KeepBest(Times& best, const Times& t) {
  if (!best.measured() || (t.measured() && t.cpu < best.cpu)) best = t;
}

// ------------------------------------------------------------ the examples

struct Example {
  const char* name;
  const char* script;  // in examples/
  std::int32_t chartId;
};
constexpr Example kExamples[] = {
    {"quarterly-sales", "quarterly-sales.vsc", 1},
    {"dashboard", "dashboard.vsc", 7},
    {"pie", "gridless.vsc", 4},
};
constexpr std::size_t kExampleCount = std::size(kExamples);

struct Line {
  std::string action, parameters;
};

// Figures of one example for the summary.
struct Figures {
  bool loaded = false;
  int width = 0, height = 0;
  Times layout, drawing, encode, ours, cairoPng, libpng, actions;
  std::size_t ourBytes = 0, cairoBytes = 0, libpngBytes = 0;
};
Figures& FiguresOf(std::size_t example) {
  static Figures figures[kExampleCount];
  return figures[example];
}

fs::path TempFolder() {
  static const fs::path folder =
      fs::temp_directory_path() / ("vantiro-bench-render-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  return folder;
}

std::string Field(const std::string& parameters, int n) {
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    start = parameters.find('|', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  return parameters.substr(start, parameters.find('|', start) - start);
}

// The lines of the script that concern the chart, [HostWindow] filled in
// (1, as vantiro-host does natively); of its ae_Graph_Draw2File lines only
// the PNG one, writing into the temporary folder.
std::vector<Line> ChartLines(const Example& example) {
  std::ifstream in(fs::path(VANTIRO_EXAMPLES_DIR) / example.script);
  std::vector<Line> lines;
  std::string text;
  while (std::getline(in, text)) {
    if (text.empty() || text[0] == '#') continue;
    const std::size_t space = text.find(' ');
    Line line{text.substr(0, space), space == std::string::npos ? "" : text.substr(space + 1)};
    const bool creation = line.action.rfind("ae_Graph_CreateChart", 0) == 0;
    if (Field(line.parameters, creation ? 2 : 1) != std::to_string(example.chartId)) continue;
    if (const std::size_t at = line.parameters.find("[HostWindow]"); at != std::string::npos) {
      line.parameters.replace(at, 12, "1");
    }
    if (line.action == "ae_Graph_Draw2File") {
      const std::string file = Field(line.parameters, 2);
      if (file.size() < 4 || file.substr(file.size() - 4) != ".png") continue;
      const std::size_t at = line.parameters.find(file);
      line.parameters.replace(at, file.size(), (TempFolder() / file).string());
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool Run(const std::vector<Line>& lines, bool drawing) {
  bool ok = true;
  for (const Line& line : lines) {
    const bool draws = line.action.rfind("ae_Graph_Draw", 0) == 0;
    if (!drawing && (draws || line.action == "ae_Graph_DeleteChart")) continue;
    ok = bench::Exec(line.action, line.parameters.c_str()) && ok;
  }
  return ok;
}

// The example's chart as the engine holds it once the script has filled
// it: written as a chart file by the engine and read back.
bool LoadChart(const Example& example, Chart& chart) {
  if (!Run(ChartLines(example), false)) return false;
  const std::string path = (TempFolder() / (std::string(example.name) + ".rmc")).string();
  const bool written = RMC_WRITERMCFILE(example.chartId, path.c_str()) == 0;
  RMC_DELETECHART(example.chartId);
  if (!written || !chartfile::ReadChartFile(path, chart)) return false;
  chart.ctrlId = example.chartId;
  return chart.settings.width > 0 && chart.settings.height > 0;
}

// ------------------------------------------------------------ PNG writers

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

std::size_t CairoPngBytes(const render::CairoImage& image, std::vector<std::uint8_t>& out) {
  out.clear();
  cairo_surface_flush(image.surface());
  if (cairo_surface_write_to_png_stream(image.surface(), AppendBytes, &out) != CAIRO_STATUS_SUCCESS)
    return 0;
  return out.size();
}

// libpng's simplified writer: its own choice of row filters, zlib at its
// default level 6. Charts are opaque: RGB, as ours writes them.
std::size_t LibpngBytes(const render::CairoImage& image, std::vector<std::uint8_t>& rgb,
                        std::vector<std::uint8_t>& out) {
  const render::PixelView view = image.pixels();
  rgb.resize(std::size_t(view.width) * view.height * 3);
  for (int y = 0; y < view.height; ++y) {
    const std::uint8_t* row = view.data + std::size_t(y) * view.stride;
    std::uint8_t* to = &rgb[std::size_t(y) * view.width * 3];
    for (int x = 0; x < view.width; ++x) {
      std::uint32_t p;
      std::memcpy(&p, row + std::size_t(x) * 4, 4);
      to[3 * x] = std::uint8_t(p >> 16);
      to[3 * x + 1] = std::uint8_t(p >> 8);
      to[3 * x + 2] = std::uint8_t(p);
    }
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(view.width);
  png.height = png_uint_32(view.height);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = out.size();
  if (out.empty() ||
      !png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr)) {
    size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr)) return 0;
    out.resize(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr)) return 0;
  }
  return size;
}

// ------------------------------------------------------------ benchmarks

enum class Step { kLayout, kDrawing, kEncode, kOurs, kCairoPng, kLibpng, kActions };

void BM_Example(benchmark::State& state, std::size_t index, Step step) {
  const Example& example = kExamples[index];
  Figures& figures = FiguresOf(index);
  Chart chart;
  if (!LoadChart(example, chart)) {
    state.SkipWithError("the example's chart could not be made");
    return;
  }
  const int w = chart.settings.width, h = chart.settings.height;
  figures.loaded = true;
  figures.width = w;
  figures.height = h;
  render::CairoFonts fonts;
  render::PngEncoder encoder;
  std::vector<std::uint8_t> rgb, bytes;
  const auto layout = [&] {
    render::CairoTextMeasurer measurer(fonts);
    DrawList list = LayoutChart(chart, w, h, measurer);
    list.width = w;
    list.height = h;
    return list;
  };
  const DrawList list = layout();
  const render::CairoImage drawn = render::RenderToImage(list, fonts, device::kPictureLimits);
  const std::vector<Line> lines = ChartLines(example);
  std::size_t size = 0;
  const Stopwatch watch;
  for (auto _ : state) {
    switch (step) {
      case Step::kLayout: benchmark::DoNotOptimize(layout()); break;
      case Step::kDrawing:
        benchmark::DoNotOptimize(render::RenderToImage(list, fonts, device::kPictureLimits).ok());
        break;
      case Step::kEncode: size = encoder.Encode(drawn.pixels()).size(); break;
      case Step::kOurs:
        size =
            encoder.Encode(render::RenderToImage(layout(), fonts, device::kPictureLimits).pixels())
                .size();
        break;
      case Step::kCairoPng:
        size = CairoPngBytes(render::RenderToImage(layout(), fonts, device::kPictureLimits), bytes);
        break;
      case Step::kLibpng:
        size =
            LibpngBytes(render::RenderToImage(layout(), fonts, device::kPictureLimits), rgb, bytes);
        break;
      case Step::kActions:
        if (!Run(lines, true)) state.SkipWithError("an action did not report Ok");
        break;
    }
  }
  const Times t = watch.Per(double(state.iterations()));
  switch (step) {
    case Step::kLayout: KeepBest(figures.layout, t); break;
    case Step::kDrawing: KeepBest(figures.drawing, t); break;
    case Step::kEncode: KeepBest(figures.encode, t); break;
    case Step::kOurs:
      KeepBest(figures.ours, t);
      figures.ourBytes = size;
      break;
    case Step::kCairoPng:
      KeepBest(figures.cairoPng, t);
      figures.cairoBytes = size;
      break;
    case Step::kLibpng:
      KeepBest(figures.libpng, t);
      figures.libpngBytes = size;
      break;
    case Step::kActions: KeepBest(figures.actions, t); break;
  }
  if (size > 0) state.counters["KB"] = double(size) / 1024;
}

void RegisterExamples() {
  const struct {
    const char* name;
    Step step;
  } steps[] = {
      {"Layout", Step::kLayout},
      {"Drawing", Step::kDrawing},
      {"OurPngWriter", Step::kEncode},
      {"Vantiro", Step::kOurs},
      {"CairoWriteToPng", Step::kCairoPng},
      {"LibpngLevel6", Step::kLibpng},
      {"ExampleActions", Step::kActions},
  };
  for (std::size_t i = 0; i < kExampleCount; ++i) {
    for (const auto& s : steps) {
      benchmark::RegisterBenchmark((std::string(kExamples[i].name) + "/" + s.name).c_str(),
                                   BM_Example, i, s.step)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true)
          ->MinTime(0.2);
    }
  }
}

// ------------------------------------------------------------ other programs

// A program's processor time in milliseconds, or negative if it could not
// be run or failed.
double ChildCpuMs(const std::vector<std::string>& argv, const fs::path& folder) {
  return bench::RunChild(argv, folder).cpuMs;
}

// The lowest processor time of `runs` runs, or negative.
double BestChildCpuMs(const std::vector<std::string>& argv, const fs::path& folder, int runs) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    const double ms = ChildCpuMs(argv, folder);
    if (ms < 0) return -1;
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

bool Installed(const char* program) {
  return ChildCpuMs({"sh", "-c", std::string("command -v ") + program}, fs::current_path()) >= 0;
}

// The quarterly sales example in gnuplot: its data, caption, axis title and
// units, legend and size, drawn `charts` times in one process.
fs::path GnuplotScript(int charts) {
  const fs::path folder = TempFolder();
  {
    std::ofstream data(folder / "sales.dat");
    data << "quarter North South West\n"
         << "Q1 120 95 60\nQ2 135 110 72\nQ3 150 128 70\nQ4 170 140 88\n";
  }
  const fs::path script = folder / ("sales-" + std::to_string(charts) + ".gp");
  std::ofstream out(script);
  out << "set terminal pngcairo size 800,600 font 'DejaVu Sans,9'\n"
      << "set title 'Quarterly sales 2026' font 'DejaVu Sans:Bold,16' textcolor rgb '#1F3864'\n"
      << "set style data histograms\n"
      << "set style histogram clustered gap 1\n"
      << "set style fill solid 1.0 noborder\n"
      << "set key outside right center box\n"
      << "set grid ytics\n"
      << "set yrange [0:*]\n"
      << "set ylabel 'Revenue'\n"
      << "set format y '%g k$'\n"
      << "set label 'Source: regional sales reports 2026' at screen 0.5,0.02 center\n"
      << "do for [i=1:" << charts << "] {\n"
      << "  set output sprintf('" << folder.string() << "/gnuplot-%02d.png', i)\n"
      << "  plot '" << (folder / "sales.dat").string()
      << "' using 2:xtic(1) title columnheader lc rgb '#4472C4', "
      << "'' using 3 title columnheader lc rgb '#ED7D31', "
      << "'' using 4 title columnheader lc rgb '#A5A5A5'\n"
      << "}\n";
  return script;
}

struct Peers {
  bool gnuplot = false, host = false;
  Times gnuplotChart;  // many charts in one process, per chart
  std::size_t gnuplotBytes = 0;
  double hostProcess = -1;     // vantiro-host, one chart, processor ms
  double hostPngProcess = -1;  // the same without the JPEG file
  double gnuplotProcess = -1;  // gnuplot, one chart, processor ms
};

Peers MeasurePeers() {
  Peers peers;
  peers.gnuplot = Installed("gnuplot");
  if (peers.gnuplot) {
    const fs::path many = GnuplotScript(kGnuplotCharts);
    const double ms = BestChildCpuMs({"gnuplot", many.string()}, TempFolder(), 3);
    if (ms > 0) peers.gnuplotChart.cpu = ms / kGnuplotCharts;
    std::error_code error;
    peers.gnuplotBytes = fs::file_size(TempFolder() / "gnuplot-01.png", error);
    if (error) peers.gnuplotBytes = 0;
    peers.gnuplotProcess =
        BestChildCpuMs({"gnuplot", GnuplotScript(1).string()}, TempFolder(), kProcessRuns);
  }
#ifdef VANTIRO_HOST_PATH
  const fs::path folder = TempFolder() / "host";
  fs::create_directories(folder);
  {
    // The example as it is, and without its JPEG file.
    std::ifstream in(fs::path(VANTIRO_EXAMPLES_DIR) / "quarterly-sales.vsc");
    std::ofstream all(folder / "quarterly-sales.vsc"), png(folder / "quarterly-sales-png.vsc");
    for (std::string line; std::getline(in, line);) {
      all << line << '\n';
      if (line.find(".jpg") == std::string::npos) png << line << '\n';
    }
  }
  peers.host = fs::exists(VANTIRO_HOST_PATH);
  if (peers.host) {
    peers.hostProcess =
        BestChildCpuMs({VANTIRO_HOST_PATH, "quarterly-sales.vsc"}, folder, kProcessRuns);
    peers.hostPngProcess =
        BestChildCpuMs({VANTIRO_HOST_PATH, "quarterly-sales-png.vsc"}, folder, kProcessRuns);
  }
#endif
  return peers;
}

// ------------------------------------------------------------ long series

Chart LongSeriesChart(std::size_t count) {
  Chart chart;
  chart.ctrlId = 2;
  chart.settings.width = 800;
  chart.settings.height = 600;
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

Times& LongSeries(std::size_t count) {
  static Times t100k, t1m;
  return count == 100000 ? t100k : t1m;
}

// Layout and drawing of one bar series of state.range(0) values.
void BM_LongBarSeries(benchmark::State& state) {
  const std::size_t count = std::size_t(state.range(0));
  const Chart chart = LongSeriesChart(count);
  render::CairoFonts fonts;
  const Stopwatch watch;
  for (auto _ : state) {
    render::CairoTextMeasurer measurer(fonts);
    DrawList list = LayoutChart(chart, 800, 600, measurer);
    list.width = 800;
    list.height = 600;
    benchmark::DoNotOptimize(render::RenderToImage(list, fonts, device::kPictureLimits).ok());
  }
  LongSeries(count) = watch.Per(double(state.iterations()));
  state.SetItemsProcessed(state.iterations() * std::int64_t(count));
}
BENCHMARK(BM_LongBarSeries)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------ summary

void Row(const char* what, const Times& t, std::size_t bytes, const Times& ours,
         std::size_t ourBytes) {
  if (!t.measured()) {
    std::printf("  %-52s missing\n", what);
    return;
  }
  std::printf("  %-52s %7.2f ms", what, t.cpu);
  if (bytes > 0)
    std::printf(" %7.1f KB", double(bytes) / 1024);
  else
    std::printf("           ");
  if (ours.measured()) std::printf("   time x%-5.1f", t.cpu / ours.cpu);
  if (bytes > 0 && ourBytes > 0) std::printf(" size x%.2f", double(bytes) / double(ourBytes));
  std::printf("\n");
}

void PrintSummary(const Peers& peers, const std::string& loadBefore) {
  std::printf(
      "\nProcessor time per chart (lowest of 3 repetitions) and PNG size; x: the row's time or "
      "size divided by Vantiro's. All from this run; load average %s at the start, %s at the "
      "end.\n",
      loadBefore.c_str(), bench::LoadAverage().c_str());
  for (std::size_t i = 0; i < kExampleCount; ++i) {
    const Figures& f = FiguresOf(i);
    std::printf("\n%s (examples/%s, chart %d, %d x %d):\n", kExamples[i].name, kExamples[i].script,
                kExamples[i].chartId, f.width, f.height);
    if (!f.loaded) {
      std::printf("  not run (filtered out, or the example could not be loaded)\n");
      continue;
    }
    const Times none;
    Row("Vantiro, layout + drawing + PNG, in memory", f.ours, f.ourBytes, none, 0);
    std::printf("    layout %.3f, drawing %.3f, PNG writer %.3f ms\n", f.layout.cpu, f.drawing.cpu,
                f.encode.cpu);
    if (f.drawing.measured() && f.encode.measured()) {
      // The floor: drawing the laid-out chart and writing it, nothing else.
      std::printf("    x%.2f the floor of Cairo drawing + our PNG writer (%.3f ms)\n",
                  f.ours.cpu / (f.drawing.cpu + f.encode.cpu), f.drawing.cpu + f.encode.cpu);
    }
    Row("the example's actions, plug-in to PNG file", f.actions, 0, f.ours, 0);
    Row("same drawing + cairo_surface_write_to_png", f.cairoPng, f.cairoBytes, f.ours, f.ourBytes);
    Row("same drawing + libpng, zlib level 6", f.libpng, f.libpngBytes, f.ours, f.ourBytes);
    if (i == 0) {
      if (!peers.gnuplot) {
        std::printf("  %-52s missing (not installed)\n", "gnuplot pngcairo");
      } else {
        const std::string what =
            "gnuplot pngcairo, " + std::to_string(kGnuplotCharts) + " charts in one process";
        Row(what.c_str(), peers.gnuplotChart, peers.gnuplotBytes, f.ours, f.ourBytes);
      }
    }
  }
  std::printf("\nOne chart per process (quarterly sales), processor time, lowest of %d:\n",
              kProcessRuns);
  if (peers.hostProcess > 0) {
    std::printf("  %-52s %7.2f ms\n", "vantiro-host quarterly-sales.vsc (PNG + JPEG)",
                peers.hostProcess);
    std::printf("  %-52s %7.2f ms\n", "vantiro-host, the same without the JPEG file",
                peers.hostPngProcess);
  } else {
    std::printf("  %-52s missing\n", "vantiro-host quarterly-sales.vsc");
  }
  if (peers.gnuplotProcess > 0) {
    std::printf("  %-52s %7.2f ms", "gnuplot, one chart", peers.gnuplotProcess);
    if (peers.hostProcess > 0) std::printf("   x%.1f", peers.gnuplotProcess / peers.hostProcess);
    std::printf("\n");
  } else {
    std::printf("  %-52s missing\n", "gnuplot, one chart");
  }
  std::printf("\nLayout + drawing of one bar series:\n");
  for (std::size_t count : {std::size_t{100000}, std::size_t{1000000}}) {
    if (LongSeries(count).measured()) {
      std::printf("  %9zu values %7.2f ms\n", count, LongSeries(count).cpu);
    }
  }
}

}  // namespace
}  // namespace vantiro::engine

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const std::string load = vantiro::bench::LoadAverage();
  vantiro::engine::RegisterExamples();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const vantiro::engine::Peers peers = vantiro::engine::MeasurePeers();
  vantiro::engine::PrintSummary(peers, load);
  std::error_code error;
  std::filesystem::remove_all(vantiro::engine::TempFolder(), error);
  return 0;
}
