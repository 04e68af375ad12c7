// The seven entry points. No failure crosses them: an exception (only
// std::bad_alloc can arise) ends the call quietly.
#include "plugin/host/entry_points.h"

#include <cstring>
#include <string_view>

#include "plugin/host/action_catalogue.h"
#include "plugin/host/dispatch.h"
#include "plugin/host/host_state.h"
#include "plugin/platform/platform.h"

namespace {

// VANTIRO_VERSION is the project version of the top CMakeLists.txt.
constexpr std::string_view kTitle = "Vantiro " VANTIRO_VERSION;
constexpr std::string_view kPublisher = "Quorvane";
constexpr std::string_view kHint = "RMChart MAnager";

// Hands `text` to a host text-pointer variable as a fresh GlobalAlloc block,
// releasing the block the variable held before.
void HandOverText(char** variable, std::string_view text) {
  if (variable == nullptr) return;
  if (*variable != nullptr) vantiro::platform::GlobalFreeBlock(*variable);
  *variable = nullptr;
  if (text.empty()) return;
  void* block = vantiro::platform::GlobalAllocZeroed(text.size() + 1);
  if (block == nullptr) return;
  std::memcpy(block, text.data(), text.size());
  *variable = static_cast<char*>(block);
}

bool IsAction(std::int32_t actionId) { return vantiro::host::HandlerOf(actionId) != nullptr; }

}  // namespace

extern "C" {

void VANTIRO_STDCALL nbRegisterPlugIn(AddActionCallback addAction, void*, void*,
                                      SetVariableCallback setVariable) {
  vantiro::host::HostCallbacks& callbacks = vantiro::host::Callbacks();
  callbacks.addAction = addAction;
  callbacks.setVariable = setVariable;
  try {
    vantiro::host::RegisterActions(addAction);
  } catch (...) {
  }
}

void VANTIRO_STDCALL nbInitPlugIn(std::uint32_t, char** title, char** publisher, char** hint) {
  try {
    HandOverText(title, kTitle);
    HandOverText(publisher, kPublisher);
    HandOverText(hint, kHint);
  } catch (...) {
  }
}

std::uint32_t VANTIRO_STDCALL nbExecAction(std::int32_t actionId, const char* const* actionParams) {
  try {
    return vantiro::host::ExecuteAction(actionId, actionParams) ? 1 : 0;
  } catch (...) {
    return IsAction(actionId) ? 1 : 0;
  }
}

std::uint32_t VANTIRO_STDCALL nbEditAction(std::int32_t actionId, std::uint32_t) {
  return IsAction(actionId) ? 1 : 0;
}

void VANTIRO_STDCALL nbMessage(std::int32_t, std::uint32_t) {}

void VANTIRO_STDCALL nbRegisterScriptProcessor(void*) {}

void VANTIRO_STDCALL nbRegisterInterfaceAccess(void*) {}

}  // extern "C"
