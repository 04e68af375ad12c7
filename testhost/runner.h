// Runs a parsed script on a host and prints what each action reported.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "testhost/host.h"
#include "testhost/script.h"

namespace vantiro::testhost {

struct RunOptions {
  bool verbose = false;  // also print each line before it runs
  // Called after every action that ran (by name or by !exec), after its
  // status lines: prints an engine's call log, repaints windows, ...
  std::function<void(const ScriptLine&, const ActionResult&, std::ostream&)> afterAction;
};

struct RunSummary {
  int actionsRun = 0;
  // Status variables set to anything but "Ok", and named actions that
  // nbExecAction did not know.
  int notOk = 0;
};

// Checks that every action line names an action of the host's catalogue;
// on failure `error` names the first line that does not.
bool CheckActionNames(const Script& script, const Host& host, ScriptError& error);

// Runs the lines in order. After each action prints one line per status
// variable it set: "name = value".
RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options);

// "name = value". The value is shown as it is when it is printable ASCII
// without a blank at either end, else in the script's quoted form; a null
// value shows as <unset>.
std::string FormatVariableSet(const VariableSet& set);

}  // namespace vantiro::testhost
