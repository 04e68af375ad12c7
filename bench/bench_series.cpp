// One bar series of many values, from parameter text to PNG file: peak
// memory per value and processor time from 10^4 to 10^7 values, each count
// in a process of its own (peak memory only grows within a process).
//
//   bench_series [counts...]   the table: each count through the plug-in
//                              in-process, and through vantiro-host
//   bench_series --one N       one run of N values (what the table runs)
//
// Bytes per value: the run's peak resident memory less that of a run of
// one value, divided by the count.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_common.h"

namespace vantiro::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 3;  // per count; the lowest time and peak are kept

// The chart's actions, the long series given as the parameter text a
// script line holds; `folder` gets the PNG file.
std::vector<std::pair<std::string, std::string>> Actions(std::size_t count,
                                                         const fs::path& folder) {
  std::string series = "1|1|";
  series.reserve(count * 7 + 64);
  char number[32];
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) series += ',';
    const double v = 100 + double(i * 7919 % 997) / 10;
    series.append(number, std::to_chars(number, number + sizeof number, v).ptr);
  }
  series += "|0|0|0|#4472C4|0|1|1|0|0";
  // Not in the list itself: its elements are copied.
  std::vector<std::pair<std::string, std::string>> actions = {
      {"ae_Graph_CreateChart", "1|1|10|10|800|600|#FFFFFF|1|0||DejaVu Sans|0|#FFFFFF"},
      {"ae_Graph_AddRegion", "1|0|0|0|0||0"},
      {"ae_Graph_AddGrid", "1|1|#F7F9FC|0|0|0|0|0|1"},
      {"ae_Graph_AddDataAxis", "1|1|1|0|0|0|9|#404040|#D0D0D0|1|0||Values||0"},
      {"ae_Graph_AddBarSeries", ""},
      {"ae_Graph_Draw", "1"},
      {"ae_Graph_Draw2File", "1|" + (folder / "series.png").string() + "|800|600|0"},
      {"ae_Graph_DeleteChart", "1"},
  };
  actions[4].second = std::move(series);
  return actions;
}

double CpuMs() { return double(std::clock()) * 1e3 / CLOCKS_PER_SEC; }

// A line of /proc/self/status in MiB ("VmHWM:" the peak resident memory so
// far, "VmRSS:" the present); 0 if unknown.
double StatusMiB(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024;
  }
  return 0;
}

// Runs the actions in this process, dropping each parameter text once its
// action is done; prints the processor time of each and the memory after
// it.
int RunOne(std::size_t count) {
  const fs::path folder = fs::temp_directory_path();
  auto actions = Actions(count, folder);
  const auto memory = [] {
    std::printf(" %8.1f MiB now %8.1f MiB peak\n", StatusMiB("VmRSS:"), StatusMiB("VmHWM:"));
  };
  std::printf("%-24s %12s", "parameter texts made", "");
  memory();
  for (auto& [action, parameters] : actions) {
    const double start = CpuMs();
    if (!Exec(action, parameters.c_str())) {
      std::fprintf(stderr, "%s did not report Ok\n", action.c_str());
      return 1;
    }
    std::string().swap(parameters);
    std::printf("%-24s %9.2f ms", action.c_str(), CpuMs() - start);
    memory();
  }
  fs::remove(folder / "series.png");
  return 0;
}

// The best (lowest) of kRuns runs of a program.
ChildUsage Best(const std::vector<std::string>& argv, const fs::path& folder) {
  ChildUsage best;
  for (int i = 0; i < kRuns; ++i) {
    const ChildUsage u = RunChild(argv, folder);
    if (!u.ok()) return {};
    if (!best.ok() || u.cpuMs < best.cpuMs) best.cpuMs = u.cpuMs;
    if (best.maxRssKiB == 0 || u.maxRssKiB < best.maxRssKiB) best.maxRssKiB = u.maxRssKiB;
  }
  return best;
}

// A vantiro-host script of the same actions.
fs::path HostScript(std::size_t count, const fs::path& folder) {
  const fs::path script = folder / ("series-" + std::to_string(count) + ".vsc");
  std::ofstream out(script);
  for (const auto& [action, parameters] : Actions(count, folder)) {
    out << action << ' ' << parameters << '\n';
  }
  return script;
}

void PrintRow(const char* what, std::size_t count, const ChildUsage& u, const ChildUsage& base) {
  if (!u.ok()) {
    std::printf("  %-12s %10zu   failed\n", what, count);
    return;
  }
  const double extra = double(u.maxRssKiB - base.maxRssKiB) * 1024;
  std::printf("  %-12s %10zu %10.1f ms %9.1f ns/value %9.1f MiB peak %7.2f bytes/value\n", what,
              count, u.cpuMs, u.cpuMs * 1e6 / double(count), double(u.maxRssKiB) / 1024,
              count > 1 ? extra / double(count) : 0.0);
}

int Table(const std::string& self, std::vector<std::size_t> counts) {
  const std::string load = LoadAverage();
  const fs::path folder =
      fs::temp_directory_path() / ("vantiro-bench-series-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const auto one = [&](std::size_t n) { return Best({self, "--one", std::to_string(n)}, folder); };
  const ChildUsage base = one(1);
  std::printf("One bar series through the plug-in and engine to a PNG file, lowest of %d runs\n",
              kRuns);
  std::printf(
      "(in-process: parameter text dropped after its action; peak less the peak of one "
      "value: %.1f MiB)\n",
      double(base.maxRssKiB) / 1024);
  for (std::size_t n : counts) PrintRow("in-process", n, one(n), base);
#ifdef VANTIRO_HOST_PATH
  std::printf("vantiro-host running the same actions as a script:\n");
  const ChildUsage hostBase = Best({VANTIRO_HOST_PATH, HostScript(1, folder).string()}, folder);
  for (std::size_t n : counts) {
    const fs::path script = HostScript(n, folder);
    PrintRow("vantiro-host", n, Best({VANTIRO_HOST_PATH, script.string()}, folder), hostBase);
    fs::remove(script);
  }
#endif
  std::printf("Load average %s at the start, %s at the end.\n", load.c_str(),
              LoadAverage().c_str());
  std::error_code error;
  fs::remove_all(folder, error);
  return 0;
}

}  // namespace
}  // namespace vantiro::bench

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--one") {
    return vantiro::bench::RunOne(std::strtoull(argv[2], nullptr, 10));
  }
  std::vector<std::size_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoull(argv[i], nullptr, 10));
  if (counts.empty()) counts = {10000, 100000, 1000000, 10000000};
  return vantiro::bench::Table(std::filesystem::canonical("/proc/self/exe").string(), counts);
}
