// Running scripts.
#include "testhost/core/runner.h"

#include <streambuf>
#include <string_view>

#include "plugin/params/params.h"
#include "testhost/core/action_facts.h"
#include "testhost/core/suggest.h"

namespace vantiro::testhost {

namespace {

constexpr const char* kStatusOk = "Ok";
// The plug-in's status when no chart has the control ID; its own text.
constexpr std::string_view kWrongControlId = "Wrong control ID";

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

// The files an action wrote: its file fields, when it reported only "Ok".
std::vector<std::string> FilesWritten(const std::string& actionName, const std::string& text,
                                      const ActionResult& result) {
  const ActionFacts* facts = FindActionFacts(actionName);
  if (facts == nullptr || result.variablesSet.empty()) return {};
  for (const VariableSet& set : result.variablesSet) {
    if (set.value != kStatusOk) return {};
  }
  std::vector<std::string> files;
  const std::vector<std::string_view> fields = SplitFields(text, '|');
  for (std::size_t i = 0; i < facts->fields.size() && i < fields.size(); ++i) {
    const FieldFacts& field = facts->fields[i];
    if ((field.use != FieldUse::kWritesFile && field.use != FieldUse::kWritesImage) ||
        fields[i].empty()) {
      continue;
    }
    files.emplace_back(field.textSize > 0 ? fields[i].substr(0, field.textSize) : fields[i]);
  }
  return files;
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
  const ActionFacts* facts = FindActionFacts(actionName);
  if (facts == nullptr || !facts->deletesOnFailure) return std::nullopt;
  for (const VariableSet& set : result.variablesSet) {
    if (set.value == kStatusOk) continue;
    if (set.value &&
        std::string_view(*set.value).substr(0, kWrongControlId.size()) == kWrongControlId) {
      return std::nullopt;
    }
    // The control ID as the plug-in reads it.
    return params::ToInt32(params::ParseNumber(params::GetField(text, "|", facts->controlIdField)));
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

RunSummary RunLines(const Script& script, Host& host, const RunHooks& hooks) {
  RunSummary summary;
  auto lookup = [&host](const std::string& name) { return host.Variable(name); };
  for (const ScriptLine& line : script.lines) {
    LineResult done;
    done.line = &line;
    done.where = script.fileName + ':' + std::to_string(line.lineNumber);
    std::string resolved;
    const std::string& text = line.text.Resolve(lookup, resolved);
    done.text = text;
    if (hooks.beforeLine) hooks.beforeLine(line, done.text);
    if (line.kind == ScriptLine::Kind::kSet) host.SetVariable(line.name, text);
    if (line.kind == ScriptLine::Kind::kSet || line.kind == ScriptLine::Kind::kEcho) {
      if (hooks.onLine) hooks.onLine(done);
      continue;
    }

    std::int32_t actionId = line.actionId;
    if (line.kind == ScriptLine::Kind::kExec) {
      done.actionName = ActionName(host, line.actionId);
    } else if (const CatalogueRow* row = host.FindAction(line.name)) {
      done.actionName = line.name;
      actionId = row->actionId;
    } else {  // CheckActionNames refuses such scripts
      done.known = false;
      done.notOk = true;
    }
    if (done.known && hooks.refuse) {
      done.notRun = hooks.refuse(line, done.actionName, text);
      done.notOk = !done.notRun.empty();
    }
    if (done.known && done.notRun.empty()) {
      if (hooks.takeEngineFailure) hooks.takeEngineFailure();  // an earlier one's
      done.result = host.Execute(actionId, text.c_str());
      done.ran = true;
      ++summary.actionsRun;
      // A catalogue action must be known to the plug-in; !exec may probe others.
      if (line.kind == ScriptLine::Kind::kAction && done.result.returned != 1) {
        done.known = false;
        done.notOk = true;
      }
      const std::string reason = hooks.takeEngineFailure ? hooks.takeEngineFailure() : "";
      if (hooks.afterAction) hooks.afterAction(line, done.result);
      bool statusNotOk = false;
      for (const VariableSet& set : done.result.variablesSet) {
        statusNotOk = statusNotOk || set.value != kStatusOk;
      }
      if (statusNotOk) done.reason = reason;
      done.notOk = done.notOk || statusNotOk;
      done.deletedChart = DeletedChart(done.actionName, text, done.result);
      done.filesWritten = FilesWritten(done.actionName, text, done.result);
    }
    if (done.notOk) {
      ++summary.notOk;
      if (summary.firstNotOk.empty()) summary.firstNotOk = done.where;
    }
    if (hooks.onLine) hooks.onLine(done);
  }
  return summary;
}

RunSummary RunScript(const Script& script, Host& host, std::ostream& out,
                     const RunOptions& options) {
  NullBuffer nothing;
  std::ostream unprinted(&nothing);
  // What a quiet run leaves out goes to `chatter`; problems always to `out`.
  std::ostream& chatter = options.quiet ? unprinted : out;
  auto where = [&script](const ScriptLine& line) {
    return script.fileName + ':' + std::to_string(line.lineNumber) + ": ";
  };
  RunHooks hooks;
  hooks.takeEngineFailure = options.takeEngineFailure;
  if (options.verbose) {
    hooks.beforeLine = [&](const ScriptLine& line, std::string_view text) {
      chatter << where(line);
      switch (line.kind) {
        case ScriptLine::Kind::kAction: chatter << line.name; break;
        case ScriptLine::Kind::kSet: chatter << "!set " << line.name; break;
        case ScriptLine::Kind::kEcho: chatter << "!echo"; break;
        case ScriptLine::Kind::kExec: chatter << "!exec " << line.actionId; break;
      }
      chatter << ' ' << QuoteScriptText(text) << '\n';
    };
  }
  // What the action did (its nbExecAction result, engine calls, snapshots)
  // comes before the statuses it reported, in the order it happened.
  hooks.afterAction = [&](const ScriptLine& line, const ActionResult& result) {
    if (line.kind == ScriptLine::Kind::kExec) {
      chatter << "nbExecAction(" << line.actionId << ") = " << result.returned << '\n';
    } else if (result.returned != 1) {
      out << where(line) << "nbExecAction(" << result.actionId << ") = " << result.returned << '\n';
    }
    if (options.afterAction) options.afterAction(line, result, chatter);
  };
  hooks.onLine = [&](const LineResult& done) {
    const ScriptLine& line = *done.line;
    if (line.kind == ScriptLine::Kind::kEcho) chatter << done.text << '\n';
    if (line.kind == ScriptLine::Kind::kAction && !done.ran) {
      out << where(line) << "unknown action '" << line.name << "'\n";
    }
    if (done.ran) {
      for (const VariableSet& set : done.result.variablesSet) {
        if (set.value == kStatusOk) {
          chatter << FormatVariableSet(set) << '\n';
        } else {
          out << where(line) << FormatVariableSet(set) << '\n';
        }
      }
      if (!done.reason.empty()) out << "  reason: " << done.reason << '\n';
      if (done.deletedChart) {
        out << where(line) << "chart " << *done.deletedChart
            << " was deleted: later actions on it will report a wrong control ID\n";
      }
      out.flush();
    }
    if (options.onLine) options.onLine(done);
  };
  return RunLines(script, host, hooks);
}

}  // namespace vantiro::testhost
