// HostCallbacks, StatusText and the status report.
#include "plugin/host/host_state.h"

namespace vantiro::host {
namespace {

struct HostState {
  HostCallbacks callbacks;
  std::string statusText;
};

HostState& State() {
  static HostState state;
  return state;
}

}  // namespace

HostCallbacks& Callbacks() { return State().callbacks; }

const std::string& StatusText() { return State().statusText; }

void SetStatusText(std::string_view text) { State().statusText.assign(text); }

void SetStatusVariable(std::string_view name, std::string_view value) {
  const SetVariableCallback setVariable = State().callbacks.setVariable;
  if (setVariable == nullptr) return;
  // The host gets copies that live only for the call, so anything it keeps
  // must be copied on its side; `value` may be StatusText itself.
  const std::string nameCopy(name);
  const std::string valueCopy(value);
  setVariable(nameCopy.c_str(), valueCopy.empty() ? nullptr : valueCopy.c_str());
}

void ResetHostState() { State() = HostState{}; }

}  // namespace vantiro::host
