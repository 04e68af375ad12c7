// The designer's script runs, each in a child process.
#include "testhost/designer/run.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <system_error>

#include "plugin/params/params.h"
#include "testhost/check.h"
#include "testhost/designer/paths.h"
#include "testhost/designer/platform.h"
#include "testhost/designer/reference.h"
#include "testhost/host.h"
#include "testhost/runner.h"
#include "testhost/script.h"
#include "testhost/suggest.h"
#include "text/code_page.h"

namespace vantiro::testhost::designer {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kScriptFile = "script.vsc";
constexpr const char* kResultFile = "result.json";
constexpr const char* kSnapshotStem = "view";
constexpr std::uint64_t kResultBytes = 16u << 20;

bool ReadFile(const fs::path& path, std::uint64_t limit, std::string& bytes) {
  std::error_code failure;
  const std::uintmax_t size = fs::file_size(path, failure);
  if (failure || size > limit) return false;
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::uint64_t ToNumber(const std::string& text) {
  std::uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Splits the script into lines as the test host reads files.
std::vector<std::string_view> Lines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  return lines;
}

// What one run of the child does with a parsed script.
class ChildRun {
 public:
  ChildRun(const fs::path& root, Host& host, const CliPlatform& platform, int codePage)
      : root_(root), host_(host), platform_(platform), codePage_(codePage) {}

  std::string Utf8(std::string_view bytes) const { return text::ToUtf8(bytes, codePage_); }

  // The reason a file field keeps the line from running; empty when it may
  // run. Files it reads are copied in from the designer's folder first.
  std::string RefuseFiles(const ActionReference& action, const std::string& text) {
    for (std::size_t i = 0; i < action.fields.size(); ++i) {
      const FieldReference& field = action.fields[i];
      if (field.file == FileUse::kNone) continue;
      const std::string name(params::GetField(text, "|", static_cast<std::int32_t>(i + 1)));
      if (name.empty()) continue;
      if (!IsPlainRelativePath(name)) {
        return "Not run: " + field.name + " '" + Utf8(name) +
               "' is outside the designer's folder (no absolute paths, no '..')";
      }
      std::error_code failure;
      if (field.file != FileUse::kReads || fs::exists(name, failure)) continue;
      fs::path source;
      std::string error;
      if (!ResolveInside(root_, name, source, error)) return "Not run: " + Utf8(error);
      if (!fs::is_regular_file(source, failure)) continue;  // the engine says so
      const fs::path copy = fs::path(name);
      if (copy.has_parent_path()) fs::create_directories(copy.parent_path(), failure);
      fs::copy_file(source, copy, failure);
    }
    return {};
  }

  json Action(const std::string& name, const std::string& text, const ActionReference* action,
              std::int32_t actionId) {
    json entry;
    if (action != nullptr) {
      if (std::string refused = RefuseFiles(*action, text); !refused.empty()) {
        entry["notRun"] = refused;
        return entry;
      }
      json fields = json::array();
      for (std::size_t i = 0; i < action->fields.size(); ++i) {
        json value = ReadValue(action->fields[i],
                               params::GetField(text, "|", static_cast<std::int32_t>(i + 1)));
        if (value.is_string()) value = Utf8(value.get<std::string>());
        fields.push_back(value);
      }
      entry["fields"] = fields;
    }
    if (platform_.takeEngineFailure) platform_.takeEngineFailure();
    const ActionResult result = host_.Execute(actionId, text);
    json statuses = json::array();
    bool ok = !result.variablesSet.empty();
    for (const VariableSet& set : result.variablesSet) {
      statuses.push_back({{"name", set.name}, {"value", Utf8(set.value.value_or("<unset>"))}});
      ok = ok && set.value == "Ok";
    }
    entry["statuses"] = statuses;
    if (platform_.takeEngineFailure) {
      if (const std::string reason = platform_.takeEngineFailure(); !reason.empty() && !ok) {
        entry["reason"] = Utf8(reason);
      }
    }
    if (const std::optional<std::int32_t> deleted = DeletedChart(name, text, result)) {
      entry["deleted"] = *deleted;
    }
    if (name == "ae_Graph_Draw" && ok) {
      const std::int32_t chart =
          params::ToInt32(params::ParseNumber(params::GetField(text, "|", 1)));
      if (std::find(drawn_.begin(), drawn_.end(), chart) == drawn_.end()) drawn_.push_back(chart);
      if (chart == exportChart && exportChart != 0) Export(chart);
    }
    return entry;
  }

  // Has the engine write the chart as it is drawn now, as the export file.
  void Export(std::int32_t chart) {
    const bool rmc = exportFormat == "rmc";
    const std::string action = rmc ? "ae_Graph_WriteRMCFile" : "ae_Graph_Draw2File";
    const std::string file = "export." + exportFormat;
    const std::string text =
        std::to_string(chart) + "|" + file + (rmc ? std::string() : std::string("|0|0|0"));
    // The script's own status variables stay as the script left them.
    const std::string statusName = rmc ? "ae_Graph_WriteRMCFileStatus" : "ae_Graph_Draw2FileStatus";
    const bool had = host_.HasVariable(statusName);
    const std::string before = host_.Variable(statusName);
    std::error_code ignored;
    fs::remove(file, ignored);
    if (platform_.takeEngineFailure) platform_.takeEngineFailure();
    const std::optional<ActionResult> result = host_.Execute(action, text);
    exportError.clear();
    if (!result || result->variablesSet.empty() || result->variablesSet.front().value != "Ok") {
      exportError = "the engine could not write the " + exportFormat + " file";
      if (platform_.takeEngineFailure) {
        const std::string reason = platform_.takeEngineFailure();
        if (!reason.empty()) exportError += ": " + Utf8(reason);
      }
    }
    exported = exportError.empty();
    if (had) host_.SetVariable(statusName, before);
  }

  const std::vector<std::int32_t>& drawn() const { return drawn_; }

  std::int32_t exportChart = 0;
  std::string exportFormat;
  bool exported = false;
  std::string exportError;

 private:
  fs::path root_;
  Host& host_;
  const CliPlatform& platform_;
  int codePage_;
  std::vector<std::int32_t> drawn_;
};

json RunScriptText(const std::string& utf8, const fs::path& root, const CliPlatform& platform,
                   std::int32_t exportChart, const std::string& exportFormat) {
  json out;
  std::string error;
  std::unique_ptr<PluginModule> plugin = platform.loadPlugin(platform.defaultPluginPath, error);
  if (!plugin) {
    out["error"] = error;
    return out;
  }
  Host host(plugin->entryPoints());
  host.Register();
  host.Init();
  const int codePage = platform.codePage ? platform.codePage() : 1252;

  std::string bytes;
  std::vector<ScriptError> conversionWarnings;
  ScriptError conversionError;
  if (!ToScriptCodePage(utf8, ScriptEncoding::kUtf8, codePage, "script", bytes, conversionWarnings,
                        conversionError)) {
    out["error"] = conversionError.message;
    return out;
  }

  // Parse every line on its own, so that a bad line stops only itself.
  std::map<int, json> entries;
  Script script;
  script.fileName = "script";
  std::vector<std::string> names;
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId != 0) names.push_back(row.name);
  }
  std::set<std::string> written;  // files the script writes before it reads them
  const std::vector<std::string_view> lines = Lines(bytes);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int number = static_cast<int>(i + 1);
    std::string lineError;
    std::optional<ScriptLine> line = ParseScriptLine(lines[i], number, lineError);
    if (!lineError.empty()) entries[number]["error"] = text::ToUtf8(lineError, codePage);
    if (!line) continue;
    if (line->kind == ScriptLine::Kind::kAction && host.FindAction(line->name) == nullptr) {
      entries[number]["error"] = "unknown action " + text::ToUtf8(line->name, codePage) +
                                 DidYouMean(NearestNames(line->name, names));
      continue;
    }
    script.lines.push_back(std::move(*line));
  }
  for (const ScriptError& warning : conversionWarnings) {
    entries[warning.lineNumber]["warnings"].push_back({{"field", 0}, {"text", warning.message}});
  }

  for (const ScriptLine& line : script.lines) {
    if (line.kind != ScriptLine::Kind::kAction) continue;
    const ActionReference* action = FindActionReference(line.name);
    if (action == nullptr) continue;
    for (std::size_t i = 0; i < action->fields.size(); ++i) {
      if (action->fields[i].file != FileUse::kWrites) continue;
      const std::string literal = line.text.Resolve([](const std::string&) { return ""; });
      written.insert(std::string(params::GetField(literal, "|", static_cast<std::int32_t>(i + 1))));
    }
  }
  CheckOptions checkOptions;
  checkOptions.fileExists = [&root, &written](const std::string& path) {
    if (written.count(path) != 0) return true;
    fs::path resolved;
    std::string ignored;
    std::error_code failure;
    return ResolveInside(root, path, resolved, ignored) && fs::exists(resolved, failure);
  };
  for (const Warning& warning : CheckScript(script, checkOptions)) {
    entries[warning.lineNumber]["warnings"].push_back(
        {{"field", warning.field}, {"text", text::ToUtf8(warning.text, codePage)}});
  }

  std::string ignored;
  if (platform.setSnapshotFolder) platform.setSnapshotFolder(fs::current_path().string(), ignored);
  if (platform.startScript) platform.startScript(kSnapshotStem);
  const std::uintptr_t window = platform.createHostWindow ? platform.createHostWindow() : 0;
  host.SetVariable(kHostWindowVariable, std::to_string(window));

  ChildRun run(root, host, platform, codePage);
  run.exportChart = exportChart;
  run.exportFormat = exportFormat;
  for (const ScriptLine& line : script.lines) {
    const std::string text =
        line.text.Resolve([&host](const std::string& name) { return host.Variable(name); });
    json& entry = entries[line.lineNumber];
    switch (line.kind) {
      case ScriptLine::Kind::kSet: host.SetVariable(line.name, text); break;
      case ScriptLine::Kind::kEcho: entry["echo"] = text::ToUtf8(text, codePage); break;
      case ScriptLine::Kind::kAction: {
        const CatalogueRow* row = host.FindAction(line.name);
        entry.update(run.Action(line.name, text, FindActionReference(line.name), row->actionId));
        break;
      }
      case ScriptLine::Kind::kExec: {
        const ActionReference* action = FindActionReference(line.actionId);
        entry.update(
            run.Action(action != nullptr ? action->name : "", text, action, line.actionId));
        break;
      }
    }
  }

  json lineList = json::array();
  for (auto& [number, entry] : entries) {
    entry["line"] = number;
    lineList.push_back(std::move(entry));
  }
  out["lines"] = std::move(lineList);
  out["charts"] = run.drawn();
  if (exportChart != 0) {
    if (run.exported) {
      out["exported"] = "export." + exportFormat;
    } else {
      out["exportError"] = !run.exportError.empty()
                               ? run.exportError
                               : "chart " + std::to_string(exportChart) + " is never drawn";
    }
  }
  return out;
}

std::string SnapshotName(std::int32_t chart) {
  return std::string(kSnapshotStem) + "-chart" + std::to_string(chart) + ".png";
}

}  // namespace

int RunChild(const std::vector<std::string>& args, const CliPlatform& platform) {
  // --designer-run SCRATCH ROOT SECONDS FILEBYTES MEMORYBYTES CODEPAGE [CHART FORMAT]
  if (args.size() != 7 && args.size() != 9) return kExitScriptError;
  platform::LimitThisProcess(ToNumber(args[3]), ToNumber(args[4]), ToNumber(args[5]));
  std::error_code failure;
  fs::current_path(args[1], failure);
  if (failure) return kExitScriptError;
  std::string script;
  if (!ReadFile(kScriptFile, kResultBytes, script)) return kExitScriptError;
  std::int32_t chart = 0;
  std::string format;
  if (const auto codePage = static_cast<int>(ToNumber(args[6])); codePage != 0) {
    if (!platform.setCodePage || !platform.setCodePage(codePage)) return kExitScriptError;
  }
  if (args.size() == 9) {
    chart = static_cast<std::int32_t>(ToNumber(args[7]));
    format = args[8];
    if (format != "png" && format != "svg" && format != "rmc") return kExitScriptError;
  }
  const json result = RunScriptText(script, fs::path(args[2]), platform, chart, format);
  return WriteFile(kResultFile, result.dump(-1, ' ', false, json::error_handler_t::replace))
             ? kExitOk
             : kExitScriptError;
}

RunOutcome RunInChild(const std::string& program, const fs::path& root, const RunRequest& request,
                      const RunLimits& limits) {
  RunOutcome outcome;
  const auto start = std::chrono::steady_clock::now();
  fs::path scratch;
  if (!platform::MakeScratchFolder(scratch)) {
    outcome.error = "cannot make a scratch folder for the run";
    return outcome;
  }
  struct Cleanup {
    fs::path folder;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  } cleanup{scratch};
  if (!WriteFile(scratch / kScriptFile, request.script)) {
    outcome.error = "cannot write the script into the scratch folder";
    return outcome;
  }

  std::vector<std::string> args = {program,
                                   kRunOption,
                                   scratch.string(),
                                   root.string(),
                                   std::to_string(limits.seconds),
                                   std::to_string(limits.fileBytes),
                                   std::to_string(limits.memoryBytes),
                                   std::to_string(limits.codePage)};
  if (request.exportChart != 0) {
    args.push_back(std::to_string(request.exportChart));
    args.push_back(request.exportFormat);
  }
  const fs::path errorLog = scratch / "stderr.txt";
  const platform::ChildEnd end = platform::RunChildProcess(args, scratch, errorLog, limits);
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
    case Kind::kCrashed: outcome.error = "the run of the script ended with " + end.detail; break;
  }
  if (end.kind != Kind::kExited) return outcome;
  std::string resultText;
  if (end.code != 0 || !ReadFile(scratch / kResultFile, kResultBytes, resultText)) {
    std::string log;
    ReadFile(errorLog, 4096, log);
    outcome.error = "the run of the script failed" + (log.empty() ? "" : ": " + log);
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
    if (ReadFile(scratch / SnapshotName(id), limits.fileBytes, png)) {
      outcome.charts.emplace_back(id, std::move(png));
    }
  }
  if (outcome.result.contains("exported")) {
    ReadFile(scratch / ("export." + request.exportFormat), limits.fileBytes, outcome.exported);
  }
  outcome.ran = true;
  return outcome;
}

}  // namespace vantiro::testhost::designer
