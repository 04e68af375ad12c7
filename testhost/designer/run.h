// Running a script for the designer: each run is a child process (this
// program again, with --designer-run) in a fresh scratch folder, so every
// run has a fresh engine, and a script that hangs, crashes or writes without
// end is stopped without touching the server.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "testhost/cli.h"

namespace vantiro::testhost::designer {

inline constexpr const char* kRunOption = "--designer-run";

struct RunRequest {
  std::string script;            // UTF-8, as the page holds it
  std::int32_t exportChart = 0;  // 0: no export
  std::string exportFormat;      // "png", "svg" or "rmc"
};

struct RunLimits {
  int seconds = 10;                           // wall clock, and CPU time
  std::uint64_t fileBytes = 64ull << 20;      // each file the run writes
  std::uint64_t memoryBytes = 4096ull << 20;  // address space (not under ASan;
                                              // Windows: committed memory)
  int codePage = 0;                           // of the plug-in's texts; 0: the default
};

struct RunOutcome {
  bool ran = false;       // the child ran to its end
  std::string error;      // why not
  nlohmann::json result;  // per line: statuses, reasons, warnings, read values
  std::vector<std::pair<std::int32_t, std::string>> charts;  // id and PNG bytes
  std::string exported;                                      // the export's bytes
  double milliseconds = 0;
};

// Runs `request` with `program` (normally this program) as the child. Files
// the script reads (background images, chart files) come from `root`.
RunOutcome RunInChild(const std::string& program, const std::filesystem::path& root,
                      const RunRequest& request, const RunLimits& limits);

// The child: `--designer-run SCRATCH ROOT SECONDS FILEBYTES MEMORYBYTES CODEPAGE
// [CHART FORMAT]`.
// Reads SCRATCH/script.vsc, runs it with the plug-in of `platform` in
// SCRATCH and writes SCRATCH/result.json and the charts drawn.
int RunChild(const std::vector<std::string>& args, const CliPlatform& platform);

}  // namespace vantiro::testhost::designer
