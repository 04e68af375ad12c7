// The command line of vantiro-host.
#include "testhost/cli.h"

#include <filesystem>
#include <optional>

#include "engine/api/layout_report_export.h"
#include "testhost/host.h"
#include "testhost/listing.h"
#include "testhost/script.h"

namespace vantiro::testhost {

namespace {

struct Options {
  bool help = false;
  bool list = false;
  bool strict = false;
  bool verbose = false;
  std::optional<std::string> pluginPath;
  std::optional<std::string> snapshotFolder;
  std::optional<std::string> printerFile;
  std::optional<std::string> layoutDump;
  std::vector<std::string> scripts;
};

void PrintUsage(const CliPlatform& platform, std::ostream& out) {
  out << "Usage: " << platform.programName << " [options] SCRIPT...\n"
      << "Loads the Vantiro plug-in as the authoring host does and runs each\n"
      << "SCRIPT, one action per line, printing the status variables each\n"
      << "action sets.\n\n"
      << "Options:\n"
      << "  --help             show this help\n"
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
  out << "  --strict           exit status 1 if any status is not \"Ok\"\n"
      << "  --verbose          print each script line before it runs\n\n"
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
      << "Exit status: 0 the scripts ran to their end, 1 --strict and a status\n"
      << "was not \"Ok\", 2 a bad option, plug-in or script (or a layout report\n"
      << "that cannot be written).\n";
  if (!platform.helpNotes.empty()) out << '\n' << platform.helpNotes << '\n';
}

// Parses the options; false with `error` set on a bad one.
bool ParseOptions(const std::vector<std::string>& args, const CliPlatform& platform,
                  Options& options, std::string& error) {
  bool onlyScripts = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyScripts || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
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
    bool flag = name == "--help" || name == "--list" || name == "--strict" || name == "--verbose";
    if (flag && value) {
      error = name + " takes no value";
      return false;
    }
    if (name == "--help") {
      options.help = true;
    } else if (name == "--list") {
      options.list = true;
    } else if (name == "--strict") {
      options.strict = true;
    } else if (name == "--verbose") {
      options.verbose = true;
    } else if (name == "--plugin" && platform.offersPluginOption) {
      if (!takeValue(options.pluginPath)) return false;
    } else if (name == "--snapshot" && platform.setSnapshotFolder) {
      if (!takeValue(options.snapshotFolder)) return false;
    } else if (name == "--printer" && platform.openPrinter) {
      if (!takeValue(options.printerFile)) return false;
    } else if (name == "--layout-dump" && platform.setLayoutReport) {
      if (!takeValue(options.layoutDump)) return false;
    } else if (name == "--plugin" || name == "--snapshot" || name == "--printer" ||
               name == "--layout-dump") {
      error = name + " is not available in " + platform.programName;
      return false;
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  return true;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliPlatform& platform, std::ostream& out,
           std::ostream& err) {
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

  // Every script is read and checked before the first action runs.
  std::vector<Script> scripts(options.scripts.size());
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    ScriptError scriptError;
    if (!LoadScript(options.scripts[i], scripts[i], scriptError) ||
        !CheckActionNames(scripts[i], host, scriptError)) {
      err << scriptError.ToString() << '\n';
      return kExitScriptError;
    }
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

  RunOptions runOptions;
  runOptions.verbose = options.verbose;
  runOptions.afterAction = platform.afterAction;
  int notOk = 0;
  for (const Script& script : scripts) notOk += RunScript(script, host, out, runOptions).notOk;
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
  return options.strict && notOk > 0 ? kExitNotOk : kExitOk;
}

}  // namespace vantiro::testhost
