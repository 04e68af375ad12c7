// The command line of vantiro-host.
#include "testhost/cli.h"

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
#include "testhost/check.h"
#include "testhost/host.h"
#include "testhost/listing.h"
#include "testhost/script.h"
#include "testhost/suggest.h"
#ifdef VANTIRO_DESIGNER
#include "testhost/designer/designer.h"
#endif

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

void PrintUsage(const CliPlatform& platform, std::ostream& out) {
  out << "Usage: " << platform.programName << " [options] SCRIPT...\n"
      << "Loads the Vantiro plug-in as the authoring host does and runs each\n"
      << "SCRIPT, one action per line, printing the status variables each\n"
      << "action sets; a status that is not \"Ok\" is printed with its script\n"
      << "and line, and a chart the plug-in deleted after a failed action is\n"
      << "named. SCRIPT \"-\" is read from standard input.\n\n"
      << "Options:\n"
      << "  -h, --help         show this help\n"
      << "  --version          show the program's name and version\n"
      << "  --list             list the plug-in's action catalogue\n";
  if (platform.offersPluginOption) {
    out << "  --plugin PATH      the plug-in DLL (default: chart.dll beside this program)\n";
  }
  if (platform.setSnapshotFolder) out << "  --snapshot DIR     " << platform.snapshotHelp << '\n';
  if (platform.openPrinter) out << "  --printer FILE.pdf " << platform.printerHelp << '\n';
  if (platform.setLayoutReport) {
    out << "  --layout-dump FILE append a JSON line to FILE for every image drawn\n"
        << "                     (window, file or printer): its texts as drawn with\n"
        << "                     their boxes, and the texts left out for want of room\n";
  }
  out << "  --check            run nothing: warn, with file and line, of what the plug-in\n"
      << "                     would take without a word and read otherwise than meant:\n"
      << "                     colours without '#' or too short, missing colour fields,\n"
      << "                     decimal commas in value lists, texts longer than their\n"
      << "                     field (and where they are cut), undefined [variables],\n"
      << "                     missing background images and chart files, more or fewer\n"
      << "                     fields than the action takes; exit status 1 if it warned\n"
      << "  --watch            run the scripts again each time one is saved (a line\n"
      << "                     \"--- run N ---\" before each run); Ctrl+C ends it\n";
#ifdef VANTIRO_DESIGNER
  out << "  --serve [PORT]     the live chart designer: serve it on 127.0.0.1 (any free\n"
      << "                     port without PORT) for the scripts of this folder;\n"
      << "                     Ctrl+C ends it."
      << (platform.setCodePage ? " Only --codepage N may follow\n" : "\n");
#endif
  if (platform.keepOpen) {
    out << "  --keep-open        keep the host window with its charts open after the\n"
        << "                     scripts, until it is closed\n";
  }
  if (platform.setCodePage) {
    out << "  --codepage N       the code page of the plug-in's texts: 1250, 1251, 1252\n"
        << "                     (the default) or 65001 (UTF-8)\n";
  }
  out << "  --encoding NAME    how script files are read: utf-8, or codepage (their\n"
      << "                     bytes as they are); without it a script that starts\n"
      << "                     with a UTF-8 byte-order mark or is valid UTF-8 is read\n"
      << "                     as UTF-8, any other in the code page. UTF-8 scripts are\n"
      << "                     converted to the code page; a character it cannot hold\n"
      << "                     is sent as \"?\" with a warning naming the line\n";
  out << "  --strict           exit status 1 if any status is not \"Ok\"; end with a\n"
      << "                     summary: actions run, how many were not \"Ok\", the first\n"
      << "                     line that was not\n"
      << "  --quiet            print only problems: statuses that are not \"Ok\",\n"
      << "                     deleted charts, warnings, errors and the summary\n"
      << "  --verbose          print each script line before it runs\n"
      << "  --                 every argument after it is a script\n\n"
      << "Script lines:\n"
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

// The long options of this program, for suggestions.
std::vector<std::string> OptionNames(const CliPlatform& platform) {
  std::vector<std::string> names = {"--help",    "--version", "--list",  "--strict",  "--quiet",
                                    "--verbose", "--check",   "--watch", "--encoding"};
  if (platform.setCodePage) names.push_back("--codepage");
  if (platform.keepOpen) names.push_back("--keep-open");
  if (platform.offersPluginOption) names.push_back("--plugin");
  if (platform.setSnapshotFolder) names.push_back("--snapshot");
  if (platform.openPrinter) names.push_back("--printer");
  if (platform.setLayoutReport) names.push_back("--layout-dump");
  return names;
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
    if (arg == "-h") {
      options.help = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (std::size_t equals = arg.find('='); equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    auto takeValue = [&](std::optional<std::string>& target) {
      if (!value) {
        if (i + 1 >= args.size()) {
          error = name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      target = *value;
      return true;
    };
    bool flag = name == "--help" || name == "--version" || name == "--list" || name == "--strict" ||
                name == "--quiet" || name == "--verbose" || name == "--check" ||
                name == "--watch" || name == "--keep-open";
    if (flag && value) {
      error = name + " takes no value";
      return false;
    }
    if (name == "--help") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--list") {
      options.list = true;
    } else if (name == "--strict") {
      options.strict = true;
    } else if (name == "--quiet") {
      options.quiet = true;
    } else if (name == "--verbose") {
      options.verbose = true;
    } else if (name == "--check") {
      options.check = true;
    } else if (name == "--watch") {
      options.watch = true;
    } else if (name == "--keep-open" && platform.keepOpen) {
      options.keepOpen = true;
    } else if (name == "--plugin" && platform.offersPluginOption) {
      if (!takeValue(options.pluginPath)) return false;
    } else if (name == "--snapshot" && platform.setSnapshotFolder) {
      if (!takeValue(options.snapshotFolder)) return false;
    } else if (name == "--printer" && platform.openPrinter) {
      if (!takeValue(options.printerFile)) return false;
    } else if (name == "--layout-dump" && platform.setLayoutReport) {
      if (!takeValue(options.layoutDump)) return false;
    } else if (name == "--codepage" && platform.setCodePage) {
      if (!takeValue(options.codePage)) return false;
    } else if (name == "--encoding") {
      if (!takeValue(options.encoding)) return false;
    } else if (name == "--plugin" || name == "--snapshot" || name == "--printer" ||
               name == "--layout-dump" || name == "--keep-open" || name == "--codepage") {
      error = name + " is not available in " + platform.programName;
      return false;
    } else {
      error = "unknown option " + name + DidYouMean(NearestNames(name, OptionNames(platform)));
      return false;
    }
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
  return true;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err) {
  return RunCli(args, platform, out, err, std::cin);
}

int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err, std::istream& in) {
#ifdef VANTIRO_DESIGNER
  if (designer::IsDesignerCommand(args)) {
    return designer::RunDesignerCommand(args, platform, out, err);
  }
#endif
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
      for (const Warning& warning : CheckScript(script)) {
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
    if (options.strict) out << platform.programName << ": " << FormatSummary(summary) << '\n';
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
  return options.strict && summary.notOk > 0 ? kExitNotOk : kExitOk;
}

}  // namespace vantiro::testhost
