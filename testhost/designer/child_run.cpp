// One run of a script for the designer, in a child process: a fresh engine,
// the script's files confined to the designer's folder, and the result as
// JSON (written here by hand: this program links no JSON library).
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <map>
#include <cstdio>
#include <set>
#include <sstream>
#include <system_error>

#include "files/safe_file.h"
#include "plugin/params/params.h"
#include "testhost/core/action_facts.h"
#include "testhost/core/check.h"
#include "testhost/core/host.h"
#include "testhost/core/runner.h"
#include "testhost/core/script.h"
#include "testhost/core/suggest.h"
#include "testhost/designer/host_side.h"
#include "testhost/designer/paths.h"
#include "text/code_page.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace vantiro::testhost::designer {

namespace {

namespace fs = std::filesystem;

constexpr const char* kScriptFile = "script.vsc";
constexpr const char* kResultFile = "result.json";
constexpr const char* kSnapshotStem = "view";
constexpr std::size_t kMaxScriptBytes = 16u << 20;
constexpr std::size_t kMaxChartFileBytes = 64u << 20;

// --- JSON, written by hand --------------------------------------------------

// A JSON text of `bytes`, which should be UTF-8; any other byte beyond
// ASCII becomes U+FFFD.
std::string Quote(std::string_view bytes) {
  const bool valid = text::IsValidUtf8(bytes);
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 15];
        } else if (byte >= 0x80 && !valid) {
          out += "\\ufffd";
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// Members of one object, in order: `"key":value` pairs.
class Object {
 public:
  Object& Raw(const char* key, const std::string& value) {
    text_ += (text_.empty() ? "" : ",") + Quote(key) + ":" + value;
    return *this;
  }
  Object& Text(const char* key, std::string_view value) { return Raw(key, Quote(value)); }
  Object& Number(const char* key, std::int64_t value) { return Raw(key, std::to_string(value)); }
  bool Has() const { return !text_.empty(); }
  std::string Json() const { return "{" + text_ + "}"; }

 private:
  std::string text_;
};

std::string Array(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + items[i];
  return out + "]";
}

// --- What the plug-in reads from a field ------------------------------------

std::string HexColour(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "#";
  for (const std::uint32_t part : {red, green, blue}) {
    out += kDigits[(part >> 4) & 0xFu];
    out += kDigits[part & 0xFu];
  }
  return out;
}

// The value as the page shows it: an integer rounded as the plug-in rounds
// it, a colour as "#RRGGBB" (characters 2-7), a Windows colour number with
// its colour, a text cut to its size (UTF-8), a list as its count of items.
std::string ReadValue(const FieldFacts& field, std::string_view text, int codePage) {
  text = text.substr(0, text.find('\0'));
  if (field.use == FieldUse::kWindowsColour) {
    const auto value = static_cast<std::uint32_t>(params::ToInt32(params::ParseNumber(text)));
    return Object()
        .Number("number", static_cast<std::int32_t>(value))
        .Text("colour", HexColour(value & 0xFFu, (value >> 8) & 0xFFu, (value >> 16) & 0xFFu))
        .Json();
  }
  switch (field.kind) {
    case Field::kInteger: return std::to_string(params::ToInt32(params::ParseNumber(text)));
    case Field::kColour: {
      const std::uint32_t pattern = params::ColourPattern(text);  // 0xFFBBGGRR
      return Quote(HexColour(pattern & 0xFFu, (pattern >> 8) & 0xFFu, (pattern >> 16) & 0xFFu));
    }
    case Field::kValueList:
    case Field::kColourList: return std::to_string(std::count(text.begin(), text.end(), ',') + 1);
    default: return Quote(text::ToUtf8(text.substr(0, field.textSize), codePage));
  }
}

// --- The run ----------------------------------------------------------------

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

void LimitThisProcess([[maybe_unused]] std::uint64_t seconds,
                      [[maybe_unused]] std::uint64_t fileBytes,
                      [[maybe_unused]] std::uint64_t memoryBytes) {
#ifdef _WIN32
  // The job object of the parent holds the limits. No error boxes: a crash
  // ends the run at once.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#else
  auto limit = [](int resource, std::uint64_t value) {
    rlimit bound{};
    bound.rlim_cur = static_cast<rlim_t>(value);
    bound.rlim_max = static_cast<rlim_t>(value);
    setrlimit(resource, &bound);
  };
  limit(RLIMIT_CPU, seconds);
  limit(RLIMIT_FSIZE, fileBytes);
  limit(RLIMIT_CORE, 0);
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTIRO_DESIGNER_ASAN 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(VANTIRO_DESIGNER_ASAN)
  // AddressSanitizer reserves far more address space than it uses.
  limit(RLIMIT_AS, memoryBytes);
#endif
#endif
}

// The texts of a chart file's `chart` record, its second line:
// chart W H COLOUR STYLE TOOLTIP COLOUR "font" "background image".
bool ChartFileBackground(const std::string& bytes, std::string& background, bool& utf8) {
  const std::size_t first = bytes.find('\n');
  if (first == std::string::npos) return false;
  utf8 = bytes.compare(0, first, "VANTIRO-CHART 1") != 0 &&
         bytes.compare(0, first, "VANTIRO-CHART 1\r") != 0;
  const std::size_t end = std::min(bytes.find('\n', first + 1), bytes.size());
  std::string_view line(bytes.data() + first + 1, end - first - 1);
  if (line.substr(0, 6) != "chart ") return false;
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '"') continue;
    std::string text;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] != '\\' || i + 1 >= line.size()) {
        text += line[i];
      } else if (line[i + 1] == 'x' && i + 3 < line.size()) {
        int value = 0;
        std::from_chars(line.data() + i + 2, line.data() + i + 4, value, 16);
        text += static_cast<char>(value);
        i += 3;
      } else {
        text += line[++i];
      }
    }
    texts.push_back(std::move(text));
  }
  if (texts.size() != 2) return false;
  background = texts[1];
  return true;
}

class ChildRun {
 public:
  ChildRun(const fs::path& root, const fs::path& out, Host& host, const HostPlatform& platform,
           int codePage)
      : root_(root), out_(out), host_(host), platform_(platform), codePage_(codePage) {}

  std::string Utf8(std::string_view bytes) const { return text::ToUtf8(bytes, codePage_); }

  // A file the script reads, taken from the designer's folder into the
  // run's own (the engine opens it from there); the reason it may not be,
  // or the empty text.
  std::string TakeIn(const std::string& what, const std::string& name) {
    const std::string shown = Utf8(name);
    if (!IsPlainRelativePath(shown)) {
      return "Not run: " + what + " '" + shown +
             "' is outside the designer's folder (no absolute paths, no '..')";
    }
    const fs::path here = FromUtf8(shown);
    std::error_code failure;
    if (fs::exists(here, failure)) return {};  // written by the script before
    fs::path source;
    std::string error;
    if (!ResolveInside(root_, shown, source, error)) return "Not run: " + error;
    if (!fs::is_regular_file(source, failure)) return {};  // the engine says so
    if (here.has_parent_path()) fs::create_directories(here.parent_path(), failure);
    fs::copy_file(source, here, failure);
    return {};
  }

  // The reason a file field keeps the line from running; empty when it may
  // run. Files it reads are copied in from the designer's folder first, and
  // so is the background picture a chart file names.
  std::string Refuse(const std::string& actionName, const std::string& text) {
    const ActionFacts* action = FindActionFacts(actionName);
    if (action == nullptr) return {};
    const std::vector<std::string_view> fields = SplitFields(text, '|');
    for (std::size_t i = 0; i < action->fields.size() && i < fields.size(); ++i) {
      const FieldFacts& field = action->fields[i];
      if (field.use == FieldUse::kPlain || field.use == FieldUse::kWindowsColour) continue;
      const std::string name(field.textSize > 0 ? fields[i].substr(0, field.textSize) : fields[i]);
      if (name.empty()) continue;
      const std::string shown = Utf8(name);
      if (!IsPlainRelativePath(shown)) {
        return "Not run: " + std::string(field.name) + " '" + shown +
               "' is outside the designer's folder (no absolute paths, no '..')";
      }
      if (field.use == FieldUse::kWritesFile || field.use == FieldUse::kWritesImage) continue;
      if (std::string refused = TakeIn(std::string(field.name), name); !refused.empty()) {
        return refused;
      }
      if (field.use != FieldUse::kReadsChartFile) continue;
      std::string bytes;
      if (!files::ReadRegularFile(FromUtf8(shown), kMaxChartFileBytes, bytes)) continue;
      std::string background;
      bool utf8 = true;
      if (!ChartFileBackground(bytes, background, utf8) || background.empty()) continue;
      // The engine reads it as a name in its code page.
      const std::string inCodePage = utf8 ? text::FromUtf8(background, codePage_) : background;
      if (std::string refused =
              TakeIn("the background image of the chart file '" + shown + "',", inCodePage);
          !refused.empty()) {
        return refused;
      }
    }
    return {};
  }

  // Has the engine write the chart as it is drawn now, as the export file
  // in the run's output folder, where the script cannot write.
  void Export(std::int32_t chart) {
    const bool rmc = exportFormat == "rmc";
    const ActionFacts* action =
        FindActionFacts(rmc ? "ae_Graph_WriteRMCFile" : "ae_Graph_Draw2File");
    const std::string file = ExportPath();
    const std::string text =
        std::to_string(chart) + "|" + file + (rmc ? std::string() : std::string("|0|0|0"));
    // The script's own status variables stay as the script left them.
    const std::string statusName(action->statusVariable);
    const bool had = host_.HasVariable(statusName);
    const std::string before = host_.Variable(statusName);
    std::error_code ignored;
    fs::remove(file, ignored);
    if (platform_.takeEngineFailure) platform_.takeEngineFailure();
    const ActionResult result = host_.Execute(action->actionId, text);
    exportError.clear();
    if (result.variablesSet.empty() || result.variablesSet.front().value != "Ok") {
      exportError = "the engine could not write the " + exportFormat + " file";
      if (platform_.takeEngineFailure) {
        const std::string reason = platform_.takeEngineFailure();
        if (!reason.empty()) exportError += ": " + Utf8(reason);
      }
    }
    exported = exportError.empty();
    if (had) host_.SetVariable(statusName, before);
  }

  // The export's name as the engine takes it (in its code page).
  std::string ExportPath() const {
    return text::FromUtf8(ToUtf8(out_ / ("export." + exportFormat)), codePage_);
  }

  std::string Line(const LineResult& done) {
    Object entry;
    const ScriptLine& line = *done.line;
    if (line.kind == ScriptLine::Kind::kEcho) entry.Text("echo", Utf8(done.text));
    if (!done.notRun.empty()) entry.Text("notRun", Utf8(done.notRun));
    const ActionFacts* action = FindActionFacts(done.actionName);
    if (action != nullptr && (done.ran || !done.notRun.empty())) {
      std::vector<std::string> values;
      const std::vector<std::string_view> fields = SplitFields(done.text, '|');
      for (std::size_t i = 0; i < action->fields.size(); ++i) {
        values.push_back(
            ReadValue(action->fields[i], i < fields.size() ? fields[i] : "", codePage_));
      }
      entry.Raw("fields", Array(values));
    }
    if (done.ran) {
      std::vector<std::string> statuses;
      bool ok = !done.result.variablesSet.empty();
      for (const VariableSet& set : done.result.variablesSet) {
        statuses.push_back(Object()
                               .Text("name", set.name)
                               .Text("value", Utf8(set.value.value_or("<unset>")))
                               .Json());
        ok = ok && set.value == "Ok";
      }
      entry.Raw("statuses", Array(statuses));
      if (!done.reason.empty()) entry.Text("reason", Utf8(done.reason));
      if (done.deletedChart) entry.Number("deleted", *done.deletedChart);
      std::vector<std::string> written;
      for (const std::string& file : done.filesWritten) {
        written.push_back(Quote(Utf8(file)));
        if (std::find(files_.begin(), files_.end(), file) == files_.end()) files_.push_back(file);
      }
      if (!written.empty()) entry.Raw("files", Array(written));
      if (done.actionName == "ae_Graph_Draw" && ok) {
        const std::int32_t chart =
            params::ToInt32(params::ParseNumber(params::GetField(done.text, "|", 1)));
        if (std::find(drawn_.begin(), drawn_.end(), chart) == drawn_.end()) drawn_.push_back(chart);
        if (chart == exportChart && exportChart != 0) Export(chart);
      }
    }
    return entry.Json();
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const std::string& file : files_) out.push_back(Quote(Utf8(file)));
    return out;
  }
  const std::vector<std::int32_t>& drawn() const { return drawn_; }

  std::int32_t exportChart = 0;
  std::string exportFormat;
  bool exported = false;
  std::string exportError;

 private:
  fs::path root_;
  fs::path out_;
  Host& host_;
  const HostPlatform& platform_;
  int codePage_;
  std::vector<std::int32_t> drawn_;
  std::vector<std::string> files_;
};

// Adds `member` (a JSON value) under `key` of the entry of line `number`.
void AddTo(std::map<int, std::vector<std::pair<std::string, std::string>>>& entries, int number,
           const std::string& key, const std::string& value) {
  entries[number].emplace_back(key, value);
}

std::string RunScriptText(const std::string& utf8, const fs::path& root, const fs::path& out,
                          const HostPlatform& platform, std::int32_t exportChart,
                          const std::string& exportFormat) {
  std::string error;
  std::unique_ptr<PluginModule> plugin = platform.loadPlugin(platform.defaultPluginPath, error);
  if (!plugin) return Object().Text("error", error).Json();
  Host host(plugin->entryPoints());
  host.Register();
  host.Init();
  const int codePage = platform.codePage ? platform.codePage() : 1252;

  std::string bytes;
  std::vector<ScriptError> conversionWarnings;
  ScriptError conversionError;
  if (!ToScriptCodePage(utf8, ScriptEncoding::kUtf8, codePage, "script", bytes, conversionWarnings,
                        conversionError,
                        platform.setCodePage ? CodePageAdvice::kOption : CodePageAdvice::kSystem)) {
    return Object().Text("error", conversionError.message).Json();
  }

  // Every line's parts: (key, JSON value), kept apart until the end so that
  // warnings and results of one line come together.
  std::map<int, std::vector<std::pair<std::string, std::string>>> entries;
  std::map<int, std::vector<std::string>> warnings;
  // Parse every line on its own, so that a bad line stops only itself.
  Script script;
  script.fileName = "script";
  std::vector<std::string> names;
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId != 0) names.push_back(row.name);
  }
  const std::vector<std::string_view> lines = Lines(bytes);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int number = static_cast<int>(i + 1);
    std::string lineError;
    std::optional<ScriptLine> line = ParseScriptLine(lines[i], number, lineError);
    if (!lineError.empty())
      AddTo(entries, number, "error", Quote(text::ToUtf8(lineError, codePage)));
    if (!line) continue;
    if (line->kind == ScriptLine::Kind::kAction && host.FindAction(line->name) == nullptr) {
      AddTo(entries, number, "error",
            Quote("unknown action " + text::ToUtf8(line->name, codePage) +
                  DidYouMean(NearestNames(line->name, names))));
      continue;
    }
    script.lines.push_back(std::move(*line));
  }
  for (const ScriptError& warning : conversionWarnings) {
    warnings[warning.lineNumber].push_back(
        Object().Number("field", 0).Text("text", text::ToUtf8(warning.message, codePage)).Json());
  }

  // Files the script writes before it reads them are there when it runs.
  std::set<std::string> written;
  for (const ScriptLine& line : script.lines) {
    const ActionFacts* action = FindActionFacts(line.name);
    if (line.kind != ScriptLine::Kind::kAction || action == nullptr) continue;
    const std::string literal = line.text.Resolve([](const std::string&) { return ""; });
    const std::vector<std::string_view> fields = SplitFields(literal, '|');
    for (std::size_t i = 0; i < action->fields.size() && i < fields.size(); ++i) {
      const FieldUse use = action->fields[i].use;
      if (use == FieldUse::kWritesFile || use == FieldUse::kWritesImage) {
        written.insert(std::string(fields[i]));
      }
    }
  }
  CheckOptions checkOptions;
  checkOptions.imageExtensions = platform.imageExtensions;
  checkOptions.fileExists = [&](const std::string& path) {
    if (written.count(path) != 0) return true;
    fs::path resolved;
    std::string ignored;
    std::error_code failure;
    return ResolveInside(root, text::ToUtf8(path, codePage), resolved, ignored) &&
           fs::exists(resolved, failure);
  };
  for (const Warning& warning : CheckScript(script, checkOptions)) {
    warnings[warning.lineNumber].push_back(Object()
                                               .Number("field", warning.field)
                                               .Text("text", text::ToUtf8(warning.text, codePage))
                                               .Json());
  }

  std::string ignored;
  // Snapshots go to the output folder, named "view-chartN.png".
  if (platform.setSnapshotFolder) {
    platform.setSnapshotFolder(text::FromUtf8(ToUtf8(out), codePage), ignored);
  }
  if (platform.startScript) platform.startScript(kSnapshotStem);
  const std::uintptr_t window = platform.createHostWindow ? platform.createHostWindow() : 0;
  host.SetVariable(kHostWindowVariable, std::to_string(window));
  // Nobody watches a run: a print dialog answers as cancelled.
  if (platform.refuseDialogs) platform.refuseDialogs();

  ChildRun run(root, out, host, platform, codePage);
  run.exportChart = exportChart;
  run.exportFormat = exportFormat;
  RunHooks hooks;
  hooks.takeEngineFailure = platform.takeEngineFailure;
  hooks.refuse = [&run](const ScriptLine&, const std::string& actionName, const std::string& text) {
    return run.Refuse(actionName, text);
  };
  hooks.afterAction = [&platform](const ScriptLine& line, const ActionResult& result) {
    if (platform.afterAction) {
      std::ostringstream unused;
      platform.afterAction(line, result, unused);
    }
  };
  std::map<int, std::string> results;
  hooks.onLine = [&](const LineResult& done) {
    if (done.line->kind == ScriptLine::Kind::kSet) return;
    results[done.line->lineNumber] = run.Line(done);
  };
  RunLines(script, host, hooks);

  std::vector<std::string> lineList;
  std::set<int> numbers;
  for (const auto& [number, parts] : entries) numbers.insert(number);
  for (const auto& [number, list] : warnings) numbers.insert(number);
  for (const auto& [number, result] : results) numbers.insert(number);
  for (const int number : numbers) {
    std::string body = results.count(number) != 0 ? results[number] : "{}";
    body.pop_back();  // "}"
    std::string extra = "\"line\":" + std::to_string(number);
    for (const auto& [key, value] : entries[number]) extra += "," + Quote(key) + ":" + value;
    if (warnings.count(number) != 0) extra += ",\"warnings\":" + Array(warnings[number]);
    lineList.push_back(body + (body.size() > 1 ? "," : "") + extra + "}");
  }
  std::vector<std::string> charts;
  for (const std::int32_t id : run.drawn()) charts.push_back(std::to_string(id));
  Object result;
  result.Raw("lines", Array(lineList))
      .Raw("charts", Array(charts))
      .Raw("files", Array(run.Files()));
  if (exportChart != 0) {
    if (run.exported) {
      result.Text("exported", "export." + exportFormat);
    } else {
      result.Text("exportError", !run.exportError.empty()
                                     ? run.exportError
                                     : "chart " + std::to_string(exportChart) + " is never drawn");
    }
  }
  if (platform.finish) platform.finish();
  return result.Json();
}

}  // namespace

int RunChild(const std::vector<std::string>& args, const HostPlatform& platform) {
  // --designer-run OUT WORK ROOT SECONDS FILEBYTES MEMORYBYTES CODEPAGE [CHART FORMAT]
  if (args.size() != 8 && args.size() != 10) return kExitScriptError;
  LimitThisProcess(ToNumber(args[4]), ToNumber(args[5]), ToNumber(args[6]));
  const fs::path out = FromUtf8(args[1]);
  std::error_code failure;
  fs::current_path(FromUtf8(args[2]), failure);
  if (failure) return kExitScriptError;
  std::string script;
  std::string reason;
  if (!files::ReadRegularFile(out / kScriptFile, kMaxScriptBytes, script, &reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return kExitScriptError;
  }
  if (const auto codePage = static_cast<int>(ToNumber(args[7])); codePage != 0) {
    if (!platform.setCodePage || !platform.setCodePage(codePage)) return kExitScriptError;
  }
  std::int32_t chart = 0;
  std::string format;
  if (args.size() == 10) {
    chart = static_cast<std::int32_t>(ToNumber(args[8]));
    format = args[9];
    if (format != "png" && format != "svg" && format != "rmc") return kExitScriptError;
  }
  const std::string result = RunScriptText(script, FromUtf8(args[3]), out, platform, chart, format);
  if (!files::WriteWholeFile(out / kResultFile, result, &reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return kExitScriptError;
  }
  return kExitOk;
}

}  // namespace vantiro::testhost::designer
