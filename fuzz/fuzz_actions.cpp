// Scripts of actions run by the plug-in against the real native engine. An
// input is lines "<ActionId>:<parameter text>", at most kMaxActions of them.
// The inputs stay harmless and independent of each other:
// - everything runs inside a private folder, and every file-name field is
//   cut down to a plain name in it (no separators, drive colons or "..");
// - chart and image sizes are rewritten to at most kMaxSide pixels and
//   control IDs of new charts to 0..kMaxControlId, all deleted after the
//   script; the folder is emptied after it;
// - the print dialog is the native substitute, answering OK with a printer
//   that prints into a PDF file in the folder.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "abi/rmchart.h"
#include "fuzz/host_callbacks.h"
#include "fuzz/private_folder.h"
#include "plugin/host/entry_points.h"
#include "plugin/platform/platform_native.h"

namespace {

constexpr std::size_t kMaxActions = 64;
constexpr int kMaxSide = 256;
constexpr std::int32_t kMaxControlId = 8;

// ActionIds whose fields are rewritten.
constexpr std::int32_t kCreateChart = 2;
constexpr std::int32_t kDraw2File = 8;
constexpr std::int32_t kCreateChartfromFile = 9;
constexpr std::int32_t kWriteRMCFile = 11;
constexpr std::int32_t kDraw2Printer = 12;

enum class Rule { kFileName, kSide, kControlId };

struct Rewrite {
  std::int32_t actionId;
  int field;  // from 1, fields separated by "|"
  Rule rule;
};

constexpr Rewrite kRewrites[] = {
    {kCreateChart, 2, Rule::kControlId},
    {kCreateChart, 5, Rule::kSide},
    {kCreateChart, 6, Rule::kSide},
    {kCreateChart, 10, Rule::kFileName},
    {kCreateChartfromFile, 2, Rule::kControlId},
    {kCreateChartfromFile, 6, Rule::kFileName},
    {kDraw2File, 2, Rule::kFileName},
    {kDraw2File, 3, Rule::kSide},
    {kDraw2File, 4, Rule::kSide},
    {kWriteRMCFile, 2, Rule::kFileName},
};

std::size_t Hash(std::string_view text) {
  std::size_t h = 5381;
  for (char c : text) h = h * 33 + static_cast<unsigned char>(c);
  return h;
}

// The field if it is a plain decimal from `low` to `high`, else a number in
// 1..high made from its bytes.
std::string InRange(std::string_view field, int low, int high) {
  int value = 0;
  const char* end = field.data() + field.size();
  const auto r = std::from_chars(field.data(), end, value);
  if (!field.empty() && field.size() <= 4 && r.ec == std::errc() && r.ptr == end && value >= low &&
      value <= high) {
    return std::string(field);
  }
  return std::to_string(1 + static_cast<int>(Hash(field) % static_cast<std::size_t>(high)));
}

// Only letters, digits, ".", "_" and "-", and never "..": a name that can
// only mean a file in the current folder.
std::string PlainName(std::string_view field) {
  std::string name;
  for (char c : field) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.';
    if (!plain || (c == '.' && !name.empty() && name.back() == '.')) continue;
    name += c;
  }
  return name;
}

std::string Sanitised(std::int32_t actionId, std::string_view text) {
  std::vector<std::string> fields;
  for (;;) {
    const std::size_t bar = text.find('|');
    fields.emplace_back(text.substr(0, bar));
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  for (const Rewrite& r : kRewrites) {
    if (r.actionId != actionId || static_cast<std::size_t>(r.field) > fields.size()) continue;
    std::string& f = fields[static_cast<std::size_t>(r.field) - 1];
    switch (r.rule) {
      case Rule::kFileName: f = PlainName(f); break;
      case Rule::kSide: f = InRange(f, -2, kMaxSide); break;
      case Rule::kControlId: f = InRange(f, 0, kMaxControlId); break;
    }
  }
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += '|';
    out += fields[i];
  }
  return out;
}

const vantiro::fuzz::PrivateFolder& Folder() {
  static const vantiro::fuzz::PrivateFolder folder("vantiro-fuzz-actions");
  return folder;
}

std::string startFolder;
std::vector<std::string> arguments;
std::vector<char*> argumentPointers;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

// Crash files go where the fuzzer was started, not into the private folder
// the inputs run in: an -artifact_prefix is added unless one is given.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  char cwd[4096];
  Check(getcwd(cwd, sizeof cwd) != nullptr);
  startFolder = cwd;
  bool hasPrefix = false;
  for (int i = 0; i < *argc; ++i) {
    arguments.emplace_back((*argv)[i]);
    hasPrefix = hasPrefix || arguments.back().starts_with("-artifact_prefix=");
  }
  if (!hasPrefix) arguments.push_back("-artifact_prefix=" + startFolder + "/");
  for (std::string& a : arguments) argumentPointers.push_back(a.data());
  argumentPointers.push_back(nullptr);
  *argc = static_cast<int>(arguments.size());
  *argv = argumentPointers.data();

  nbRegisterPlugIn(vantiro::fuzz::AddAction, nullptr, nullptr, vantiro::fuzz::SetVariable);
  VantiroEngine_SetSnapshots(Folder().Path().c_str(), "");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace native = vantiro::platform::native;
  native::Reset();
  Check(chdir(Folder().Path().c_str()) == 0);

  std::uintptr_t printer = 0;
  std::string_view script(reinterpret_cast<const char*>(data), size);
  for (std::size_t done = 0; !script.empty() && done < kMaxActions;) {
    std::string_view line = script.substr(0, script.find('\n'));
    script.remove_prefix(std::min(script.size(), line.size() + 1));
    line = line.substr(0, line.find('\0'));  // the host's text ends at a NUL
    const std::size_t colon = line.find(':');
    std::int32_t actionId = 0;
    const auto r =
        std::from_chars(line.data(), line.data() + std::min(colon, line.size()), actionId);
    if (colon == std::string_view::npos || r.ec != std::errc() || r.ptr != line.data() + colon) {
      continue;
    }
    if (actionId == kDraw2Printer && printer == 0) {
      printer = VantiroEngine_OpenPdfPrinter("print.pdf");
      Check(printer != 0);
      native::AnswerPrintDialog(true, printer);
    }
    const std::string text = Sanitised(actionId, line.substr(colon + 1));
    const char* params[] = {text.c_str()};
    nbExecAction(actionId, params);
    ++done;
  }

  for (std::int32_t id = 1; id <= kMaxControlId; ++id) RMC_DELETECHART(id);
  if (printer != 0) VantiroEngine_ClosePdfPrinter(printer);
  // Whatever the script did, the plug-in holds no print handle or array.
  Check(native::LivePrintHandles() == 0 && native::LiveArrays() == 0);
  Folder().Empty();
  Check(chdir(startFolder.c_str()) == 0);
  return 0;
}
