// The designer's script runs, each in a child process.
#include "testhost/designer/run.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <system_error>
#include <thread>

#include "files/safe_file.h"
#include "testhost/designer/paths.h"
#include "testhost/designer/platform.h"

namespace vantiro::testhost::designer {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kScriptFile = "script.vsc";
constexpr const char* kResultFile = "result.json";
constexpr std::uint64_t kResultBytes = 16u << 20;
constexpr const char* kRunOption = "--designer-run";

std::string SnapshotName(std::int32_t chart) {
  return "view-chart" + std::to_string(chart) + ".png";
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// How the page shows a file the script wrote: images in a tab of their own,
// other files with a note.
void Describe(WrittenFile& file) {
  const std::size_t dot = file.name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : Lower(file.name.substr(dot));
  if (extension == ".png") {
    file.type = "image/png";
  } else if (extension == ".jpg" || extension == ".jpeg") {
    file.type = "image/jpeg";
  } else if (extension == ".bmp") {
    file.type = "image/bmp";
  } else if (extension == ".svg" || extension == ".pdf" || extension == ".emf") {
    std::string kind = extension.substr(1);
    for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    file.note = "the script wrote the " + kind + " file " + file.name +
                "; it is not shown here (the designer shows PNG, JPEG and BMP files)";
  } else {
    file.note = "the script wrote " + file.name;
  }
}

}  // namespace

RunOutcome RunInChild(const std::string& program, const fs::path& root, const RunRequest& request,
                      const RunLimits& limits, const fs::path& scratch) {
  RunOutcome outcome;
  const auto start = std::chrono::steady_clock::now();
  fs::path folder;
  if (!platform::MakeScratchFolder(scratch, "run-", folder)) {
    outcome.error = "cannot make a scratch folder for the run in " +
                    ToUtf8(scratch.empty() ? fs::temp_directory_path() : scratch) + ": " +
                    files::SystemReason();
    return outcome;
  }
  struct Cleanup {
    fs::path folder;
    ~Cleanup() { RemoveFolder(folder); }
  } cleanup{folder};
  const fs::path out = folder / "out";
  const fs::path work = folder / "work";
  std::error_code failure;
  fs::create_directory(out, failure);
  if (!failure) fs::create_directory(work, failure);
  std::string reason;
  if (failure || !files::WriteWholeFile(out / kScriptFile, request.script, &reason)) {
    outcome.error = "cannot write the script into the scratch folder " + ToUtf8(folder) + ": " +
                    (failure ? failure.message() : reason) +
                    " (is the disk of the temporary folder full?)";
    return outcome;
  }

  std::vector<std::string> args = {program,
                                   kRunOption,
                                   ToUtf8(out),
                                   ToUtf8(work),
                                   ToUtf8(root),
                                   std::to_string(limits.seconds),
                                   std::to_string(limits.fileBytes),
                                   std::to_string(limits.memoryBytes),
                                   std::to_string(limits.codePage)};
  if (request.exportChart != 0) {
    args.push_back(std::to_string(request.exportChart));
    args.push_back(request.exportFormat);
  }
  const platform::ChildEnd end = platform::RunChildProcess(args, folder, limits);
  outcome.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  using Kind = platform::ChildEnd::Kind;
  switch (end.kind) {
    case Kind::kExited: break;
    case Kind::kNotStarted: outcome.error = "cannot start " + program + ": " + end.detail; break;
    case Kind::kTimedOut:
      outcome.error =
          "the script ran longer than " + std::to_string(limits.seconds) + " s and was stopped";
      break;
    case Kind::kCpuTime:
      outcome.error =
          "the script used more than " + std::to_string(limits.seconds) + " s of processor time";
      break;
    case Kind::kFileSize:
      outcome.error =
          "the script wrote a file larger than " + std::to_string(limits.fileBytes >> 20) + " MiB";
      break;
    case Kind::kDiskUse:
      outcome.error = "the script's files grew past " + std::to_string(limits.runBytes >> 20) +
                      " MiB together and it was stopped";
      break;
    case Kind::kCrashed: outcome.error = "the run of the script ended with " + end.detail; break;
  }
  if (end.kind != Kind::kExited) return outcome;
  std::string resultText;
  if (end.code != 0 || !files::ReadRegularFile(
                           out / kResultFile, static_cast<std::size_t>(kResultBytes), resultText)) {
    std::string log = end.errors;
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r')) log.pop_back();
    outcome.error = "the run of the script failed" + (log.empty() ? "" : ": " + log);
    if (log.find("no space left") != std::string::npos) {
      outcome.error +=
          " (the disk of the temporary folder " + ToUtf8(folder.parent_path()) + " is full)";
    }
    return outcome;
  }
  outcome.result = json::parse(resultText, nullptr, false);
  if (outcome.result.is_discarded() || !outcome.result.is_object()) {
    outcome.error = "the run of the script gave no result";
    return outcome;
  }
  for (const json& chart : outcome.result.value("charts", json::array())) {
    if (!chart.is_number_integer()) continue;
    const auto id = chart.get<std::int32_t>();
    std::string png;
    if (files::ReadRegularFile(out / SnapshotName(id), static_cast<std::size_t>(limits.fileBytes),
                               png)) {
      outcome.charts.emplace_back(id, std::move(png));
    }
  }
  for (const json& name : outcome.result.value("files", json::array())) {
    if (!name.is_string() || !IsPlainRelativePath(name.get<std::string>())) continue;
    WrittenFile file;
    file.name = name.get<std::string>();
    Describe(file);
    if (!file.type.empty() &&
        !files::ReadRegularFile(work / FromUtf8(file.name),
                                static_cast<std::size_t>(limits.fileBytes), file.bytes)) {
      file.type.clear();
      file.note = "the script wrote " + file.name + ", but it cannot be read";
    }
    outcome.files.push_back(std::move(file));
  }
  if (outcome.result.contains("exported")) {
    files::ReadRegularFile(out / ("export." + request.exportFormat),
                           static_cast<std::size_t>(limits.fileBytes), outcome.exported);
  }
  outcome.ran = true;
  return outcome;
}

}  // namespace vantiro::testhost::designer

namespace vantiro::testhost::designer {

std::uint64_t FolderBytes(const std::filesystem::path& folder) {
  std::uint64_t total = 0;
  std::error_code failure;
  std::filesystem::recursive_directory_iterator it(folder, failure);
  for (; !failure && it != std::filesystem::recursive_directory_iterator(); it.increment(failure)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored)) total += it->file_size(ignored);
  }
  return total;
}

bool RemoveFolder(const std::filesystem::path& folder) {
  if (folder.empty()) return true;
  // Windows (and Wine) may hold a file of a process that just ended for a
  // moment: try again for up to two seconds.
  for (int attempt = 0; attempt < 40; ++attempt) {
    std::error_code failure;
    std::filesystem::remove_all(folder, failure);
    if (!std::filesystem::exists(folder, failure) && !failure) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace vantiro::testhost::designer
