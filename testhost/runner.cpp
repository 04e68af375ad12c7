// Running scripts.
#include "testhost/runner.h"

#include <cctype>

namespace vantiro::testhost {

namespace {

constexpr const char* kStatusOk = "Ok";

bool IsPlainDisplay(std::string_view value) {
  if (value.empty() || value.front() == ' ' || value.back() == ' ') return false;
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

// The action name that equals `name` but for letter case, or empty.
std::string FindCaseInsensitive(const Host& host, const std::string& name) {
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId == 0 || row.name.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(row.name[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    }
    if (same) return row.name;
  }
  return {};
}

}  // namespace

std::string FormatVariableSet(const VariableSet& set) {
  std::string shown;
  if (!set.value) {
    shown = "<unset>";
  } else if (IsPlainDisplay(*set.value)) {
    shown = *set.value;
  } else {
    shown = QuoteScriptText(*set.value);
  }
  return set.name + " = " + shown;
}

bool CheckActionNames(const Script& script, const Host& host, ScriptError& error) {
  for (const ScriptLine& line : script.lines) {
    if (line.kind != ScriptLine::Kind::kAction || host.FindAction(line.name) != nullptr) continue;
    std::string message = "unknown action '" + line.name + "'";
    std::string similar = FindCaseInsensitive(host, line.name);
    if (!similar.empty()) message += " (did you mean '" + similar + "'?)";
    error = {script.fileName, line.lineNumber, message};
    return false;
  }
  return true;
}

RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options) {
  RunSummary summary;
  auto lookup = [&host](const std::string& name) { return host.Variable(name); };
  for (const ScriptLine& line : script.lines) {
    std::string text = line.text.Resolve(lookup);
    if (options.verbose) {
      out << script.fileName << ':' << line.lineNumber << ": ";
      switch (line.kind) {
        case ScriptLine::Kind::kAction: out << line.name; break;
        case ScriptLine::Kind::kSet: out << "!set " << line.name; break;
        case ScriptLine::Kind::kEcho: out << "!echo"; break;
        case ScriptLine::Kind::kExec: out << "!exec " << line.actionId; break;
      }
      out << ' ' << QuoteScriptText(text) << '\n';
    }
    if (line.kind == ScriptLine::Kind::kSet) {
      host.SetVariable(line.name, text);
      continue;
    }
    if (line.kind == ScriptLine::Kind::kEcho) {
      out << text << '\n';
      continue;
    }

    ActionResult result;
    if (line.kind == ScriptLine::Kind::kExec) {
      result = host.Execute(line.actionId, text);
      out << "nbExecAction(" << line.actionId << ") = " << result.returned << '\n';
    } else {
      const CatalogueRow* row = host.FindAction(line.name);
      if (row == nullptr) {  // CheckActionNames refuses such scripts
        out << "unknown action '" << line.name << "'\n";
        ++summary.notOk;
        continue;
      }
      result = host.Execute(row->actionId, text);
      if (result.returned != 1) {
        out << "nbExecAction(" << result.actionId << ") = " << result.returned << '\n';
      }
    }
    ++summary.actionsRun;
    // A catalogue action must be known to the plug-in; !exec may probe others.
    if (line.kind == ScriptLine::Kind::kAction && result.returned != 1) ++summary.notOk;
    // What the action did (engine calls, snapshots) comes before the
    // statuses it reported, in the order it happened.
    if (options.afterAction) options.afterAction(line, result, out);
    for (const VariableSet& set : result.variablesSet) {
      out << FormatVariableSet(set) << '\n';
      if (set.value != kStatusOk) ++summary.notOk;
    }
    out.flush();
  }
  return summary;
}

}  // namespace vantiro::testhost
