// Running a script for the designer: each run is a child process (the host
// program, `--designer-run`) in a fresh scratch folder, so every run has a
// fresh engine, and a script that hangs, crashes or writes without end is
// stopped without touching the server. The scratch folder holds `work/`,
// where the script writes its files, and `out/`, where the run puts its
// result, snapshots and export, out of the script's reach.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace vantiro::testhost::designer {

struct RunRequest {
  std::string script;            // UTF-8, as the page holds it
  std::int32_t exportChart = 0;  // 0: no export
  std::string exportFormat;      // "png", "svg" or "rmc"
};

struct RunLimits {
  int seconds = 10;                           // wall clock, and CPU time
  std::uint64_t fileBytes = 64ull << 20;      // each file the run writes
  std::uint64_t runBytes = 64ull << 20;       // all the files of one run together
  std::uint64_t memoryBytes = 4096ull << 20;  // address space (not under ASan;
                                              // Windows: committed memory)
  int codePage = 0;                           // of the plug-in's texts; 0: the default
};

// A file the script wrote, as the page shows it.
struct WrittenFile {
  std::string name;   // as the script named it, UTF-8
  std::string type;   // "image/png", "image/jpeg", "image/bmp"; empty: not shown
  std::string bytes;  // the image's bytes
  std::string note;   // for a file not shown: why
};

struct RunOutcome {
  bool ran = false;       // the child ran to its end
  std::string error;      // why not
  nlohmann::json result;  // per line: statuses, reasons, warnings, read values
  std::vector<std::pair<std::int32_t, std::string>> charts;  // id and PNG bytes
  std::vector<WrittenFile> files;                            // in the order written
  std::string exported;                                      // the export's bytes
  double milliseconds = 0;
};

// Runs `request` with `program` as the child. Files the script reads
// (background images, chart files) come from `root`. The run's folder is
// made under `scratch` (empty: the system's temporary folder) and removed.
RunOutcome RunInChild(const std::string& program, const std::filesystem::path& root,
                      const RunRequest& request, const RunLimits& limits,
                      const std::filesystem::path& scratch = {});

}  // namespace vantiro::testhost::designer
