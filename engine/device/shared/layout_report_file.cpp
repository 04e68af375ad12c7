// The layout report's file. Each line is appended by opening the file,
// writing and closing it, so a line written is on disk whatever the process
// does next.
#include "engine/device/shared/layout_report_file.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "abi/rmchart.h"
#include "engine/files/file_io.h"
#include "engine/layout/layout_report.h"

namespace vantiro::engine::device {
namespace {

struct ReportFile {
  std::string path;  // empty: no report
  bool linesLost = false;
};

ReportFile& Report() {
  static ReportFile report;
  return report;
}

// Appends `bytes` to `path`; false if any step fails, closing included.
bool Append(const std::string& path, std::string_view bytes) noexcept {
  files::FilePtr file = files::OpenAppendFile(path);
  if (file == nullptr) return false;
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::int32_t SetLayoutReportFile(const char* path) noexcept {
  ReportFile& report = Report();
  std::int32_t result = report.linesLost ? kVantiroLayoutReportLinesLost : 0;
  report.path.clear();
  report.linesLost = false;
  if (path == nullptr || *path == '\0') return result;
  try {
    report.path = path;
  } catch (const std::exception&) {  // out of memory
    return result | kVantiroLayoutReportCannotOpen;
  }
  if (!Append(report.path, {})) {
    report.path.clear();
    result |= kVantiroLayoutReportCannotOpen;
  }
  return result;
}

bool LayoutReportOn() noexcept { return !Report().path.empty(); }

void ReportLayout(const Chart& chart, std::string_view output, const DrawList& list,
                  TextMeasurer& measurer) noexcept {
  ReportFile& report = Report();
  if (report.path.empty()) return;
  try {
    std::string line = LayoutReportLine(chart.ctrlId, output, list, measurer);
    line += '\n';
    if (!Append(report.path, line)) report.linesLost = true;
  } catch (...) {  // out of memory, or a measurer that failed
    report.linesLost = true;
  }
}

}  // namespace vantiro::engine::device
