// Running scripts.
#include "testhost/runner.h"

#include <streambuf>
#include <string_view>

#include "plugin/params/params.h"
#include "testhost/suggest.h"

namespace vantiro::testhost {

namespace {

constexpr const char* kStatusOk = "Ok";
// The plug-in's status when no chart has the control ID; its own text.
constexpr std::string_view kWrongControlId = "Wrong control ID";

// The actions that delete their chart when they fail, and the field of the
// parameter text that holds its control ID.
struct DeletingAction {
  std::string_view name;
  std::int32_t controlIdField;
  bool creates;
};
constexpr DeletingAction kDeletingActions[] = {
    {"ae_Graph_CreateChart", 2, true},   {"ae_Graph_CreateChartfromFile", 2, true},
    {"ae_Graph_AddRegion", 1, false},    {"ae_Graph_AddCaption", 1, false},
    {"ae_Graph_AddLegend", 1, false},    {"ae_Graph_AddGridlessSeries", 1, false},
    {"ae_Graph_AddGrid", 1, false},      {"ae_Graph_AddDataAxis", 1, false},
    {"ae_Graph_AddLabelAxis", 1, false}, {"ae_Graph_AddBarSeries", 1, false},
};

// Swallows what quiet runs leave unprinted.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
};

bool IsPlainDisplay(std::string_view value) {
  if (value.empty() || value.front() == ' ' || value.back() == ' ') return false;
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

std::string ActionName(const Host& host, std::int32_t actionId) {
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId == actionId) return row.name;
  }
  return {};
}

}  // namespace

void RunSummary::Add(const RunSummary& other) {
  actionsRun += other.actionsRun;
  notOk += other.notOk;
  if (firstNotOk.empty()) firstNotOk = other.firstNotOk;
}

std::string FormatSummary(const RunSummary& summary) {
  std::string text = std::to_string(summary.actionsRun) +
                     (summary.actionsRun == 1 ? " action run, " : " actions run, ");
  if (summary.notOk == 0) return text + "all Ok";
  return text + std::to_string(summary.notOk) + " not Ok, the first at " + summary.firstNotOk;
}

std::optional<std::int32_t> DeletedChart(const std::string& actionName, const std::string& text,
                                         const ActionResult& result) {
  for (const DeletingAction& action : kDeletingActions) {
    if (action.name != actionName) continue;
    for (const VariableSet& set : result.variablesSet) {
      if (set.value == kStatusOk) continue;
      if (!action.creates && set.value &&
          std::string_view(*set.value).substr(0, kWrongControlId.size()) == kWrongControlId) {
        return std::nullopt;
      }
      // The control ID as the plug-in reads it.
      return params::ToInt32(
          params::ParseNumber(params::GetField(text, "|", action.controlIdField)));
    }
    return std::nullopt;
  }
  return std::nullopt;
}

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

bool CheckActionNames(const Script& script, const Host& host, std::vector<ScriptError>& errors) {
  std::vector<std::string> names;
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId != 0) names.push_back(row.name);
  }
  bool allKnown = true;
  for (const ScriptLine& line : script.lines) {
    if (line.kind != ScriptLine::Kind::kAction || host.FindAction(line.name) != nullptr) continue;
    errors.push_back(
        {script.fileName, line.lineNumber,
         "unknown action '" + line.name + "'" + DidYouMean(NearestNames(line.name, names))});
    allKnown = false;
  }
  return allKnown;
}

RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options) {
  RunSummary summary;
  NullBuffer nothing;
  std::ostream unprinted(&nothing);
  // What a quiet run leaves out goes to `chatter`; problems always to `out`.
  std::ostream& chatter = options.quiet ? unprinted : out;
  auto lookup = [&host](const std::string& name) { return host.Variable(name); };
  for (const ScriptLine& line : script.lines) {
    const std::string where = script.fileName + ':' + std::to_string(line.lineNumber) + ": ";
    std::string text = line.text.Resolve(lookup);
    if (options.verbose) {
      chatter << where;
      switch (line.kind) {
        case ScriptLine::Kind::kAction: chatter << line.name; break;
        case ScriptLine::Kind::kSet: chatter << "!set " << line.name; break;
        case ScriptLine::Kind::kEcho: chatter << "!echo"; break;
        case ScriptLine::Kind::kExec: chatter << "!exec " << line.actionId; break;
      }
      chatter << ' ' << QuoteScriptText(text) << '\n';
    }
    if (line.kind == ScriptLine::Kind::kSet) {
      host.SetVariable(line.name, text);
      continue;
    }
    if (line.kind == ScriptLine::Kind::kEcho) {
      chatter << text << '\n';
      continue;
    }

    bool notOk = false;
    ActionResult result;
    std::string name = line.name;
    if (line.kind == ScriptLine::Kind::kExec) {
      if (options.takeEngineFailure) options.takeEngineFailure();  // an earlier one's
      result = host.Execute(line.actionId, text);
      name = ActionName(host, line.actionId);
      chatter << "nbExecAction(" << line.actionId << ") = " << result.returned << '\n';
    } else {
      const CatalogueRow* row = host.FindAction(line.name);
      if (row == nullptr) {  // CheckActionNames refuses such scripts
        out << where << "unknown action '" << line.name << "'\n";
        ++summary.notOk;
        if (summary.firstNotOk.empty()) summary.firstNotOk = where.substr(0, where.size() - 2);
        continue;
      }
      if (options.takeEngineFailure) options.takeEngineFailure();  // an earlier one's
      result = host.Execute(row->actionId, text);
      // A catalogue action must be known to the plug-in; !exec may probe others.
      if (result.returned != 1) {
        out << where << "nbExecAction(" << result.actionId << ") = " << result.returned << '\n';
        notOk = true;
      }
    }
    ++summary.actionsRun;
    const std::string reason = options.takeEngineFailure ? options.takeEngineFailure() : "";
    // What the action did (engine calls, snapshots) comes before the
    // statuses it reported, in the order it happened.
    if (options.afterAction) options.afterAction(line, result, chatter);
    bool statusNotOk = false;
    for (const VariableSet& set : result.variablesSet) {
      if (set.value == kStatusOk) {
        chatter << FormatVariableSet(set) << '\n';
      } else {
        out << where << FormatVariableSet(set) << '\n';
        statusNotOk = true;
      }
    }
    if (statusNotOk && !reason.empty()) out << "  reason: " << reason << '\n';
    notOk = notOk || statusNotOk;
    if (const std::optional<std::int32_t> chart = DeletedChart(name, text, result)) {
      out << where << "chart " << *chart
          << " was deleted: later actions on it will report a wrong control ID\n";
    }
    if (notOk) {
      ++summary.notOk;
      if (summary.firstNotOk.empty()) summary.firstNotOk = where.substr(0, where.size() - 2);
    }
    out.flush();
  }
  return summary;
}

}  // namespace vantiro::testhost
