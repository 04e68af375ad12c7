// Dispatch of ActionIds 1 to 17, derived from the action catalogue.
#include "plugin/host/dispatch.h"

#include <array>
#include <string_view>

#include "plugin/host/action_catalogue.h"
#include "plugin/host/host_state.h"

namespace vantiro::host {
namespace {

// Indexed by ActionId; entry 0 (the group headings) runs nothing.
constexpr std::array<ActionHandler, kActionCount + 1> kHandlers = [] {
  std::array<ActionHandler, kActionCount + 1> handlers{};
  for (const CatalogueRow& row : ActionCatalogue) {
    handlers[static_cast<std::size_t>(row.actionId)] = row.handler;
  }
  return handlers;
}();

}  // namespace

ActionHandler HandlerOf(std::int32_t actionId) {
  if (actionId < 1 || actionId >= static_cast<std::int32_t>(kHandlers.size())) {
    return nullptr;
  }
  return kHandlers[static_cast<std::size_t>(actionId)];
}

bool ExecuteAction(std::int32_t actionId, const char* const* actionParams) {
  const char* element = actionParams != nullptr ? actionParams[0] : nullptr;
  const ActionHandler handler = HandlerOf(actionId);
  if (handler == nullptr) return false;
  // No copy: the host's text outlives the call, and every handler has read
  // it before it calls back into the host.
  handler(element != nullptr ? std::string_view(element) : std::string_view());
  return true;
}

void ae_SendVariable(std::string_view parameters) { SetStatusText(parameters); }

}  // namespace vantiro::host
