// Runs a parsed script on a host and prints what each action reported.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "testhost/host.h"
#include "testhost/script.h"

namespace vantiro::testhost {

struct RunOptions {
  bool verbose = false;  // also print each line before it runs
  // Print only what went wrong: statuses that are not "Ok", failed calls and
  // deleted charts; no "Ok" statuses, echoes, !exec results or call logs.
  bool quiet = false;
  // Called after every action that ran (by name or by !exec), after its
  // status lines: prints an engine's call log, repaints windows, ...
  std::function<void(const ScriptLine&, const ActionResult&, std::ostream&)> afterAction;
  // Takes (and forgets) the engine's detail of its last failure; called
  // before and after every action. When it is set and a status is not "Ok",
  // its text is printed under the statuses as "  reason: ...".
  std::function<std::string()> takeEngineFailure;
};

struct RunSummary {
  int actionsRun = 0;
  // Actions that set a status variable to anything but "Ok", and named
  // actions that nbExecAction did not know; each counts once.
  int notOk = 0;
  std::string firstNotOk;  // "file:line" of the first of them

  void Add(const RunSummary& other);
};

// Checks that every action line names an action of the host's catalogue;
// `errors` gets one entry for each line that does not, with the nearest
// catalogue names as suggestions.
bool CheckActionNames(const Script& script, const Host& host, std::vector<ScriptError>& errors);

// The chart the plug-in deleted after this action, if any: creation and
// content actions delete their chart when they fail. A content action that
// found no chart (wrong control ID) had nothing to delete.
std::optional<std::int32_t> DeletedChart(const std::string& actionName, const std::string& text,
                                         const ActionResult& result);

// Runs the lines in order. After each action prints one line per status
// variable it set: "name = value", prefixed by "file:line: " when the value
// is not "Ok", the engine's reason under them, and a note when the action
// deleted its chart.
RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options);

// "N actions run, all Ok" or "N actions run, M not Ok, the first at file:line".
std::string FormatSummary(const RunSummary& summary);

// "name = value". The value is shown as it is when it is printable ASCII
// without a blank at either end, else in the script's quoted form; a null
// value shows as <unset>.
std::string FormatVariableSet(const VariableSet& set);

}  // namespace vantiro::testhost
