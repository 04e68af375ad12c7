// The plug-in's only mutable state: the host callbacks it was given and the
// shared status text. Both are process-wide and unlocked; the host runs one
// entry point at a time.
#pragma once

#include <string>
#include <string_view>

#include "plugin/host/entry_points.h"

namespace vantiro::host {

// The host functions the plug-in calls. Zero at load; filled by
// nbRegisterPlugIn and never cleared.
struct HostCallbacks {
  AddActionCallback addAction = nullptr;
  SetVariableCallback setVariable = nullptr;
};

HostCallbacks& Callbacks();

// The text that the chart actions report in their status variables. Empty
// (unset) at load and never cleared; an empty text reaches the host as a
// null pointer.
const std::string& StatusText();
void SetStatusText(std::string_view text);

// Sets one host variable through SetVariableCallback, from temporary copies
// of both texts; an empty value is passed as a null pointer. Without a
// callback (nothing registered yet) the report is skipped.
void SetStatusVariable(std::string_view name, std::string_view value);

// Puts the state back as it is right after the library is loaded. For the
// tests and the native test host, which keep one copy of the plug-in alive
// across several publications.
void ResetHostState();

}  // namespace vantiro::host
