// The command line of vantiro-host.
#include "testhost/cli/cli.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <thread>

#include "abi/rmchart.h"
#include "plugin/params/params.h"
#include "testhost/core/check.h"
#include "testhost/core/host.h"
#include "testhost/core/listing.h"
#include "testhost/core/script.h"
#include "testhost/core/suggest.h"
#include "testhost/designer/host_side.h"

#ifndef VANTIRO_HOST_VERSION
#error "the build defines VANTIRO_HOST_VERSION"
#endif

namespace vantiro::testhost {

const char* const kHostVersion = VANTIRO_HOST_VERSION;

namespace {

struct Options {
  bool help = false;
  bool version = false;
  bool list = false;
  bool strict = false;
  bool verbose = false;
  bool quiet = false;
  bool check = false;
  bool watch = false;
  bool keepOpen = false;
  std::optional<std::string> pluginPath;
  std::optional<std::string> snapshotFolder;
  std::optional<std::string> printerFile;
  std::optional<std::string> layoutDump;
  std::optional<std::string> codePage;
  std::optional<std::string> encoding;
  std::vector<std::string> scripts;
};

// One option of the command line: its name, what it takes, whether this
// program offers it, its help and what it sets. The table below drives the
// parsing, the help and the suggestions for a mistyped name.
struct OptionRow {
  const char* name;                                 // "--snapshot"
  const char* alias = nullptr;                      // "-h"
  const char* value = nullptr;                      // "DIR"; null: a flag
  std::function<bool(const CliPlatform&)> offered;  // null: in every program
  std::function<std::string(const CliPlatform&)> help;
  std::function<bool(Options&, const std::string& value, std::string& error)> set;
};

// A flag's setter.
auto Flag(bool Options::*member) {
  return [member](Options& options, const std::string&, std::string&) {
    options.*member = true;
    return true;
  };
}
// A value's setter.
auto Value(std::optional<std::string> Options::*member) {
  return [member](Options& options, const std::string& value, std::string&) {
    options.*member = value;
    return true;
  };
}
auto Text(std::string text) {
  return [text = std::move(text)](const CliPlatform&) { return text; };
}

const std::vector<OptionRow>& OptionTable() {
  static const std::vector<OptionRow> table = {
      {"--help", "-h", nullptr, nullptr, Text("show this help"), Flag(&Options::help)},
      {"--version", nullptr, nullptr, nullptr, Text("show the program's name and version"),
       Flag(&Options::version)},
      {"--list", nullptr, nullptr, nullptr, Text("list the plug-in's action catalogue"),
       Flag(&Options::list)},
      {"--plugin", nullptr, "PATH", [](const CliPlatform& p) { return p.offersPluginOption; },
       Text("the plug-in DLL (default: chart.dll beside this program)"),
       Value(&Options::pluginPath)},
      {"--snapshot", nullptr, "DIR",
       [](const CliPlatform& p) { return static_cast<bool>(p.setSnapshotFolder); },
       [](const CliPlatform& p) { return p.snapshotHelp; }, Value(&Options::snapshotFolder)},
      {"--printer", nullptr, "FILE.pdf",
       [](const CliPlatform& p) { return static_cast<bool>(p.openPrinter); },
       [](const CliPlatform& p) { return p.printerHelp; }, Value(&Options::printerFile)},
      {"--layout-dump", nullptr, "FILE",
       [](const CliPlatform& p) { return static_cast<bool>(p.setLayoutReport); },
       Text("append a JSON line to FILE for every image drawn\n"
            "(window, file or printer): its texts as drawn with\n"
            "their boxes, and the texts left out for want of room"),
       Value(&Options::layoutDump)},
      {"--check", nullptr, nullptr, nullptr,
       Text("run nothing: warn, with file and line, of what the plug-in\n"
            "would take without a word and read otherwise than meant:\n"
            "colours without '#' or too short, missing colour fields,\n"
            "#RRGGBB where a Windows colour number (&HBBGGRR) is wanted,\n"
            "decimal commas in value lists, texts longer than their\n"
            "field (and where they are cut), undefined [variables],\n"
            "missing background images and chart files, image files of\n"
            "a format the engine does not write, legends with fewer\n"
            "entries than series, more or fewer fields than the action\n"
            "takes; each warning says how to write it. Exit status 1 if\n"
            "it warned"),
       Flag(&Options::check)},
      {"--watch", nullptr, nullptr, nullptr,
       Text("run the scripts again each time one is saved (a line\n"
            "\"--- run N ---\" before each run); Ctrl+C ends it"),
       Flag(&Options::watch)},
      {"--serve", nullptr, "[PORT]", nullptr,
       [](const CliPlatform& p) {
         return std::string(
                    "the live chart designer: serve it on 127.0.0.1 (any free\n"
                    "port without PORT) for the scripts of this folder, at\n"
                    "the address it prints with its session token; Ctrl+C\n"
                    "ends it. It comes first") +
                (p.setCodePage ? "; only --codepage N may follow" : "");
       },
       [](Options&, const std::string&, std::string& error) {
         error = "--serve comes first: --serve [PORT]";
         return false;
       }},
      {"--keep-open", nullptr, nullptr,
       [](const CliPlatform& p) { return static_cast<bool>(p.keepOpen); },
       Text("keep the host window with its charts open after the\n"
            "scripts, until it is closed"),
       Flag(&Options::keepOpen)},
      {"--codepage", nullptr, "N",
       [](const CliPlatform& p) { return static_cast<bool>(p.setCodePage); },
       Text("the code page of the plug-in's texts: 1250, 1251, 1252\n"
            "(the default) or 65001 (UTF-8)"),
       Value(&Options::codePage)},
      {"--encoding", nullptr, "NAME", nullptr,
       Text("how script files are read: utf-8, or codepage (their\n"
            "bytes as they are); without it a script that starts\n"
            "with a UTF-8 byte-order mark or is valid UTF-8 is read\n"
            "as UTF-8, any other in the code page. UTF-8 scripts are\n"
            "converted to the code page; a character it cannot hold\n"
            "is sent as \"?\" with a warning naming the line and the\n"
            "code page that holds it"),
       Value(&Options::encoding)},
      {"--strict", nullptr, nullptr, nullptr,
       Text("exit status 1 if any status is not \"Ok\" or a character\n"
            "was sent as \"?\"; end with a summary: actions run, how\n"
            "many were not \"Ok\", the first line that was not"),
       Flag(&Options::strict)},
      {"--quiet", nullptr, nullptr, nullptr,
       Text("print only problems: statuses that are not \"Ok\",\n"
            "deleted charts, warnings, errors and the summary"),
       Flag(&Options::quiet)},
      {"--verbose", nullptr, nullptr, nullptr, Text("print each script line before it runs"),
       Flag(&Options::verbose)},
      {"--", nullptr, nullptr, nullptr, Text("every argument after it is a script"), nullptr},
  };
  return table;
}

bool Offered(const OptionRow& row, const CliPlatform& platform) {
  return !row.offered || row.offered(platform);
}

void PrintUsage(const CliPlatform& platform, std::ostream& out) {
  out << "Usage: " << platform.programName << " [options] SCRIPT...\n"
      << "Loads the Vantiro plug-in as the authoring host does and runs each\n"
      << "SCRIPT, one action per line, printing the status variables each\n"
      << "action sets; a status that is not \"Ok\" is printed with its script\n"
      << "and line, and a chart the plug-in deleted after a failed action is\n"
      << "named. SCRIPT \"-\" is read from standard input.\n\n"
      << "Options:\n";
  constexpr std::size_t kColumn = 18;
  for (const OptionRow& row : OptionTable()) {
    if (!Offered(row, platform)) continue;
    std::string label = row.alias != nullptr ? std::string(row.alias) + ", " : "";
    label += row.name;
    if (row.value != nullptr) label += std::string(" ") + row.value;
    label.resize(std::max(label.size(), kColumn), ' ');
    const std::string help = row.help(platform);
    std::size_t start = 0;
    for (bool first = true; start <= help.size(); first = false) {
      const std::size_t end = std::min(help.find('\n', start), help.size());
      std::string_view line(help.data() + start, end - start);
      while (!first && !line.empty() && line.front() == ' ') line.remove_prefix(1);
      out << "  " << (first ? label : std::string(kColumn, ' ')) << ' ' << line << '\n';
      start = end + 1;
    }
  }
  out << "\nScript lines:\n"
      << "  Name text          run the action; the text is the rest of the line\n"
      << "                     after one blank or TAB, taken as it is\n"
      << "  Name \"text\"        quoted text with \\\\ \\\" \\t \\r \\n \\xHH \\[\n"
      << "  Name               run the action with the empty text\n"
      << "  # comment          comments and blank lines are skipped\n"
      << "  !set NAME text     set a host variable\n"
      << "  !echo text         print a text\n"
      << "  !exec ID text      run an action by its ActionId\n"
      << "[name] in a text is replaced by the host variable of that name;\n"
      << kHostWindowVariable << " holds the handle of the host window.\n\n"
      << "When the engine tells why a call failed, the reason is printed under\n"
      << "the status: \"  reason: ...\".\n\n"
      << "Exit status: 0 the scripts ran to their end, 1 --strict and a status\n"
      << "was not \"Ok\" (or --check warned), 2 a bad option, plug-in or script (or\n"
      << "a layout report that cannot be written).\n";
  if (!platform.helpNotes.empty()) out << '\n' << platform.helpNotes << '\n';
}

// Parses the options; false with `error` set on a bad one.
bool ParseOptions(const std::vector<std::string>& args, const CliPlatform& platform,
                  Options& options, std::string& error) {
  bool onlyScripts = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyScripts || arg == kStdinScript || arg.empty() || arg.front() != '-') {
      options.scripts.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyScripts = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (std::size_t equals = arg.find('='); equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    const OptionRow* row = nullptr;
    for (const OptionRow& candidate : OptionTable()) {
      if (candidate.set &&
          (name == candidate.name || (candidate.alias != nullptr && name == candidate.alias))) {
        row = &candidate;
      }
    }
    if (row == nullptr) {
      std::vector<std::string> names;
      for (const OptionRow& candidate : OptionTable()) {
        if (candidate.set && Offered(candidate, platform)) names.push_back(candidate.name);
      }
      error = "unknown option " + name + DidYouMean(NearestNames(name, names));
      return false;
    }
    if (!Offered(*row, platform)) {
      error = name + " is not available in " + platform.programName;
      return false;
    }
    const bool takesValue = row->value != nullptr && row->value[0] != '[';
    if (!takesValue && value) {
      error = name + " takes no value";
      return false;
    }
    if (takesValue && !value) {
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (!row->set(options, value.value_or(std::string()), error)) return false;
  }
  if (options.quiet && options.verbose) {
    error = "--quiet and --verbose cannot be used together";
    return false;
  }
  if (options.check && options.watch) {
    error = "--check and --watch cannot be used together";
    return false;
  }
  for (const std::string& script : options.scripts) {
    if (options.watch && script == kStdinScript) {
      error = "--watch needs script files, not standard input";
      return false;
    }
  }
  return true;
}

// What tells that a watched script was saved again.
struct FileStamp {
  std::filesystem::file_time_type time{};
  std::uintmax_t size = 0;
  bool operator==(const FileStamp&) const = default;
};

std::vector<FileStamp> Stamps(const std::vector<std::string>& paths) {
  std::vector<FileStamp> stamps;
  for (const std::string& path : paths) {
    std::error_code ignored;
    FileStamp stamp;
    stamp.time = std::filesystem::last_write_time(path, ignored);
    stamp.size = std::filesystem::file_size(path, ignored);
    stamps.push_back(stamp);
  }
  return stamps;
}

// The name snapshots of a script take: its file name without folder and
// extension.
std::string ScriptStem(const std::string& fileName) {
  if (fileName == kStdinName) return "stdin";
  return std::filesystem::path(fileName).stem().string();
}

// Charts that a script saved as files but never drew: they have no
// snapshot.
class ExportOnlyCharts {
 public:
  void Note(const ScriptLine& line, const ActionResult& result) {
    if (line.kind != ScriptLine::Kind::kAction) return;
    const bool draw = line.name == "ae_Graph_Draw";
    if (!draw && line.name != "ae_Graph_Draw2File") return;
    bool ok = false;
    for (const VariableSet& set : result.variablesSet) ok = ok || set.value == "Ok";
    if (!ok) return;
    const std::int32_t id =
        params::ToInt32(params::ParseNumber(params::GetField(result.parameters, "|", 1)));
    (draw ? drawn_ : exported_).insert(id);
  }

  // Prints one note per such chart and forgets them all.
  void Report(const std::string& fileName, std::ostream& out) {
    for (std::int32_t id : exported_) {
      if (drawn_.count(id) != 0) continue;
      out << fileName << ": note: chart " << id
          << " was only exported (ae_Graph_Draw2File), never drawn with ae_Graph_Draw, so it "
             "has no snapshot\n";
    }
    drawn_.clear();
    exported_.clear();
  }

 private:
  std::set<std::int32_t> drawn_;
  std::set<std::int32_t> exported_;
};

// Reads a script from standard input.
bool ReadStdinScript(std::istream& in, const ScriptReading& reading, Script& script,
                     std::vector<ScriptError>& warnings, ScriptError& error) {
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = {{}, 0, "cannot read the script from standard input"};
    return false;
  }
  return ParseScriptFile(bytes, kStdinName, reading, script, warnings, error);
}

// The code page and encoding the scripts are read in; false with `error`
// set for a bad --codepage or --encoding. Sets the engine's code page.
bool ChooseReading(const Options& options, const CliPlatform& platform, ScriptReading& reading,
                   std::string& error) {
  if (options.encoding && !ParseScriptEncoding(*options.encoding, reading.encoding)) {
    error = "--encoding takes utf-8 or codepage, not '" + *options.encoding + "'";
    return false;
  }
  if (options.codePage) {
    const std::string& text = *options.codePage;
    int number = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (failure != std::errc() || end != text.data() + text.size() ||
        !platform.setCodePage(number)) {
      error = "--codepage " + *options.codePage +
              " is not a code page of this engine (1250, 1251, 1252, 65001)";
      return false;
    }
  }
  if (platform.codePage) reading.codePage = platform.codePage();
  reading.advice = platform.setCodePage ? CodePageAdvice::kOption
                   : platform.codePage  ? CodePageAdvice::kSystem
                                        : CodePageAdvice::kNone;
  return true;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err) {
  return RunCli(args, platform, out, err, std::cin);
}

int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err, std::istream& in) {
  // The designer is a program of its own; its runs are this program's.
  if (!args.empty() && args[0] == "--serve") return designer::LaunchDesigner(args, platform, err);
  if (!args.empty() && args[0] == designer::kRunOption) return designer::RunChild(args, platform);
  Options options;
  std::string error;
  if (!ParseOptions(args, platform, options, error)) {
    err << platform.programName << ": " << error << " (see --help)\n";
    return kExitScriptError;
  }
  if (options.help) {
    PrintUsage(platform, out);
    return kExitOk;
  }
  if (options.version) {
    out << platform.programName << ' ' << kHostVersion << '\n';
    return kExitOk;
  }
  if (options.scripts.empty() && !options.list) {
    err << platform.programName << ": no script given (see --help)\n";
    return kExitScriptError;
  }

  std::unique_ptr<PluginModule> plugin =
      platform.loadPlugin(options.pluginPath.value_or(platform.defaultPluginPath), error);
  if (!plugin) {
    err << platform.programName << ": " << error << '\n';
    return kExitScriptError;
  }
  const EntryPoints& entry = plugin->entryPoints();
  Host host(entry);
  host.Register();
  PluginInfo info = host.Init();
  // A real host hands over these two as well; the plug-in ignores them.
  if (entry.registerScriptProcessor) entry.registerScriptProcessor(nullptr);
  if (entry.registerInterfaceAccess) entry.registerInterfaceAccess(nullptr);
  if (options.list) PrintCatalogue(info, host.catalogue(), out);

  // Every script is read and checked before the first action runs; every
  // problem found is reported.
  ScriptReading reading;
  if (!ChooseReading(options, platform, reading, error)) {
    err << platform.programName << ": " << error << '\n';
    return kExitScriptError;
  }
  std::vector<Script> scripts(options.scripts.size());
  std::vector<ScriptError> warnings;
  auto loadScripts = [&] {
    std::vector<ScriptError> scriptErrors;
    warnings.clear();
    for (std::size_t i = 0; i < scripts.size(); ++i) {
      ScriptError scriptError;
      const bool loaded =
          options.scripts[i] == kStdinScript
              ? ReadStdinScript(in, reading, scripts[i], warnings, scriptError)
              : LoadScript(options.scripts[i], scripts[i], scriptError, reading, &warnings);
      if (!loaded) {
        scriptErrors.push_back(scriptError);
      } else {
        CheckActionNames(scripts[i], host, scriptErrors);
      }
    }
    for (const ScriptError& warning : warnings) {
      err << platform.programName << ": " << warning.fileName << ':' << warning.lineNumber
          << ": warning: " << warning.message << '\n';
    }
    for (const ScriptError& scriptError : scriptErrors) {
      err << platform.programName << ": " << scriptError.ToString() << '\n';
    }
    return scriptErrors.empty();
  };
  std::vector<FileStamp> stamps = Stamps(options.scripts);
  if (!loadScripts()) return kExitScriptError;

  if (options.check) {
    bool warned = false;
    for (const Script& script : scripts) {
      CheckOptions checkOptions;
      checkOptions.imageExtensions = platform.imageExtensions;
      for (const Warning& warning : CheckScript(script, checkOptions)) {
        out << warning.ToString() << '\n';
        warned = true;
      }
    }
    out.flush();
    return warned || !warnings.empty() ? kExitNotOk : kExitOk;
  }

  if (options.snapshotFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(*options.snapshotFolder, ignored);
    if (!platform.setSnapshotFolder(*options.snapshotFolder, error)) {
      err << platform.programName << ": " << error << '\n';
      return kExitScriptError;
    }
  }
  if (options.printerFile && !platform.openPrinter(*options.printerFile, error)) {
    err << platform.programName << ": " << error << '\n';
    return kExitScriptError;
  }
  if (options.layoutDump) {
    const std::int32_t rc = platform.setLayoutReport(options.layoutDump->c_str(), error);
    if (rc < 0 || (rc & kVantiroLayoutReportCannotOpen) != 0) {
      if (rc >= 0) {
        error = "cannot open the layout report " + *options.layoutDump + " for appending";
      }
      err << platform.programName << ": " << error << '\n';
      return kExitScriptError;
    }
  }

  std::uintptr_t window = platform.createHostWindow ? platform.createHostWindow() : 0;
  host.SetVariable(kHostWindowVariable, std::to_string(window));
  if (options.verbose) out << kHostWindowVariable << " = " << window << '\n';

  ExportOnlyCharts exportOnly;
  RunOptions runOptions;
  runOptions.verbose = options.verbose;
  runOptions.quiet = options.quiet;
  runOptions.takeEngineFailure = platform.takeEngineFailure;
  runOptions.afterAction = [&](const ScriptLine& line, const ActionResult& result,
                               std::ostream& chatter) {
    if (options.snapshotFolder) exportOnly.Note(line, result);
    if (platform.afterAction) platform.afterAction(line, result, chatter);
  };
  RunSummary summary;
  auto runScripts = [&] {
    summary = RunSummary();
    for (const Script& script : scripts) {
      if (platform.startScript) platform.startScript(ScriptStem(script.fileName));
      summary.Add(RunScript(script, host, out, runOptions));
      if (options.snapshotFolder) exportOnly.Report(script.fileName, out);
    }
    if (options.strict) {
      out << platform.programName << ": " << FormatSummary(summary);
      if (!warnings.empty()) {
        out << "; " << warnings.size() << (warnings.size() == 1 ? " line" : " lines")
            << " sent characters as \"?\"";
      }
      out << '\n';
    }
    out.flush();
  };
  int run = 1;
  if (options.watch) out << "--- run " << run << " ---\n";
  runScripts();
  // Saved again: read anew and run; a script that no longer reads is
  // reported, and the watch waits for the next save.
  while (options.watch) {
    const bool goOn = platform.wait
                          ? platform.wait(200)
                          : (std::this_thread::sleep_for(std::chrono::milliseconds(200)), true);
    if (!goOn) break;
    std::vector<FileStamp> now = Stamps(options.scripts);
    if (now == stamps) continue;
    stamps = std::move(now);
    out << "--- run " << ++run << " ---\n";
    if (loadScripts()) runScripts();
    out.flush();
    err.flush();
  }
  if (options.keepOpen) platform.keepOpen();
  bool reportLost = false;
  if (options.layoutDump) {
    reportLost = (platform.setLayoutReport(nullptr, error) & kVantiroLayoutReportLinesLost) != 0;
  }
  if (platform.finish) platform.finish();
  out.flush();
  if (reportLost) {
    err << platform.programName << ": lines of the layout report " << *options.layoutDump
        << " could not be written\n";
    return kExitScriptError;
  }
  return options.strict && (summary.notOk > 0 || !warnings.empty()) ? kExitNotOk : kExitOk;
}

}  // namespace vantiro::testhost
