// Action dispatch: from an ActionId and the host's ActionParams to the
// handler that runs the action.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantiro::host {

// A handler gets the parameter text, ActionParams element 0 itself, which
// lives until it returns. It reads the text before it calls back into the
// host (status variables), so a host that reuses its buffer then is safe.
using ActionHandler = void (*)(std::string_view parameters);

// The handler of an ActionId, or null when the ActionId names no action.
ActionHandler HandlerOf(std::int32_t actionId);

// Runs the action of `actionId` with element 0 of `actionParams` (a null
// array or a null element is the empty text). False when the ActionId names
// no action; nothing runs then.
bool ExecuteAction(std::int32_t actionId, const char* const* actionParams);

// ActionId 1: stores the whole parameter text in StatusText.
void ae_SendVariable(std::string_view parameters);

}  // namespace vantiro::host
