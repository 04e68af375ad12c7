// What differs between the programs that host the plug-in (the native
// drawing host, the native recording host, Windows): loading the plug-in,
// the host window, snapshots, printing, code pages, the engine's reasons.
// The command line and the designer's runs both take one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "testhost/core/host.h"
#include "testhost/core/plugin_module.h"
#include "testhost/core/script.h"

namespace vantiro::testhost {

// Exit statuses.
inline constexpr int kExitOk = 0;           // the scripts ran to their end
inline constexpr int kExitNotOk = 1;        // --strict and a status was not "Ok", or
                                            // --check warned
inline constexpr int kExitScriptError = 2;  // bad option, plug-in or script

// The host variable that holds the host window's handle, in decimal.
inline constexpr const char* kHostWindowVariable = "HostWindow";

struct HostPlatform {
  std::string programName = "vantiro-host";
  // Windows: chart.dll beside the program, changed by --plugin. Native: the
  // plug-in is linked in, and --plugin is not offered.
  bool offersPluginOption = false;
  std::string defaultPluginPath;
  std::function<std::unique_ptr<PluginModule>(const std::string& path, std::string& error)>
      loadPlugin;
  // The window scripts draw in (0 when there is none); called once, after
  // the scripts have been read.
  std::function<std::uintptr_t()> createHostWindow;

  // Optional features: null when the program has none. The help text says
  // what each does in this program.
  std::function<bool(const std::string& folder, std::string& error)> setSnapshotFolder;
  std::string snapshotHelp;
  std::function<bool(const std::string& pdfPath, std::string& error)> openPrinter;
  std::string printerHelp;
  // Calls the engine's VantiroEngine_SetLayoutReport(path) and returns its
  // result; -1 with `error` set when the engine has no layout report.
  std::function<std::int32_t(const char* path, std::string& error)> setLayoutReport;
  // The code page of the plug-in's texts, which UTF-8 scripts are converted
  // to (null: 1252), and, natively, --codepage: sets the engine's, false for
  // one it does not have.
  std::function<int()> codePage;
  std::function<bool(int codePage)> setCodePage;

  // Called before each script runs with the stem of its file name
  // ("sales" for dir/sales.vsc), so that its snapshots are named after it.
  std::function<void(const std::string& scriptStem)> startScript;
  // Takes (and forgets) the engine's detail of its last failure; empty when
  // there is none or the engine keeps none. Null: no reasons are printed.
  std::function<std::string()> takeEngineFailure;
  // --keep-open: handles the host window until the author closes it. Null
  // when the program has no window to keep.
  std::function<void()> keepOpen;
  // Waits between two looks at the watched scripts (--watch); false ends
  // the watch (the host window was closed). Null: sleeps.
  std::function<bool(int milliseconds)> wait;

  // The extensions of the image files this program's engine writes, for
  // --check; empty: the native engine's.
  std::vector<std::string> imageExtensions;

  // Closing lines of --help on what this program does besides the above.
  std::string helpNotes;

  // Makes every print dialog answer as cancelled and lets no other dialog
  // open (the designer's runs, which nobody watches). Null: the program's
  // dialogs already answer without a person.
  std::function<void()> refuseDialogs;

  // After every action (see RunOptions), and once after the last script.
  std::function<void(const ScriptLine&, const ActionResult&, std::ostream&)> afterAction;
  std::function<void()> finish;
};

}  // namespace vantiro::testhost
