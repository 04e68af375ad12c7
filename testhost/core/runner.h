// Runs a parsed script on a host. One runner returns what each line did as
// data (RunLines); the command line prints it as it goes (RunScript), the
// designer's runs collect it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "testhost/core/host.h"
#include "testhost/core/script.h"

namespace vantiro::testhost {

// What one script line did.
struct LineResult {
  const ScriptLine* line = nullptr;
  std::string where;  // "file:line"
  // The parameter text, variables resolved: a view of the script's text, or
  // of the resolved one, valid until onLine returns.
  std::string_view text;
  std::string actionName;  // the action run (empty for an unknown !exec ID)
  bool ran = false;        // nbExecAction was called
  bool known = true;       // the action is in the catalogue and nbExecAction knew it
  ActionResult result;
  bool notOk = false;                        // a status other than "Ok", or an unknown action
  std::string reason;                        // the engine's detail of a status that is not "Ok"
  std::optional<std::int32_t> deletedChart;  // the chart the plug-in deleted after it
  std::string notRun;                        // why it was not run (RunHooks::refuse)
  // The files an action that reported "Ok" wrote, as its file fields name
  // them (cut to the field's size), in field order.
  std::vector<std::string> filesWritten;
};

struct RunSummary {
  int actionsRun = 0;
  // Actions that set a status variable to anything but "Ok", and named
  // actions that nbExecAction did not know; each counts once.
  int notOk = 0;
  std::string firstNotOk;  // "file:line" of the first of them

  void Add(const RunSummary& other);
};

struct RunHooks {
  // Before each line, with its text resolved.
  std::function<void(const ScriptLine&, std::string_view text)> beforeLine;
  // Before an action runs: a reason not to run it, or the empty text.
  std::function<std::string(const ScriptLine&, const std::string& actionName,
                            const std::string& text)>
      refuse;
  // Right after an action ran, before its result is reported.
  std::function<void(const ScriptLine&, const ActionResult&)> afterAction;
  // After each line, with what it did.
  std::function<void(const LineResult&)> onLine;
  // Takes (and forgets) the engine's detail of its last failure; called
  // before and after every action.
  std::function<std::string()> takeEngineFailure;
};

// Runs the lines in order, telling `hooks` what each did.
RunSummary RunLines(const Script& script, Host& host, const RunHooks& hooks);

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
  // After each line, with what it did (besides printing it).
  std::function<void(const LineResult&)> onLine;
};

// Checks that every action line names an action of the host's catalogue;
// `errors` gets one entry for each line that does not, with the nearest
// catalogue names as suggestions.
bool CheckActionNames(const Script& script, const Host& host, std::vector<ScriptError>& errors);

// The chart the plug-in deleted after this action, if any: the actions whose
// catalogue row says so delete their chart when they fail. One that found no
// chart (wrong control ID) had nothing to delete.
std::optional<std::int32_t> DeletedChart(const std::string& actionName, const std::string& text,
                                         const ActionResult& result);

// Runs the lines in order (RunLines). After each action prints one line per
// status variable it set: "name = value", prefixed by "file:line: " when the
// value is not "Ok", the engine's reason under them, and a note when the
// action deleted its chart.
RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options);

// "N actions run, all Ok" or "N actions run, M not Ok, the first at file:line".
std::string FormatSummary(const RunSummary& summary);

// "name = value". The value is shown as it is when it is printable ASCII
// without a blank at either end, else in the script's quoted form; a null
// value shows as <unset>.
std::string FormatVariableSet(const VariableSet& set);

}  // namespace vantiro::testhost
