// The dispatch table of ActionIds 1 to 17.
#include "plugin/host/dispatch.h"

#include <array>
#include <string>

#include "plugin/charts/lifecycle_actions.h"
#include "plugin/content/content_actions.h"
#include "plugin/host/host_state.h"
#include "plugin/output/output_actions.h"

namespace vantiro::host {
namespace {

// Indexed by ActionId; entry 0 (the group headings) runs nothing.
constexpr std::array<ActionHandler, 18> kHandlers = {
    nullptr,
    ae_SendVariable,                      // 1
    charts::ae_Graph_CreateChart,         // 2
    charts::ae_Graph_DeleteChart,         // 3
    charts::ae_Graph_EndChart,            // 4
    content::ae_Graph_AddRegion,          // 5
    charts::ae_Graph_Draw,                // 6
    content::ae_Graph_AddGridlessSeries,  // 7
    output::ae_Graph_Draw2File,           // 8
    charts::ae_Graph_CreateChartfromFile, // 9
    content::ae_Graph_AddCaption,         // 10
    output::ae_Graph_WriteRMCFile,        // 11
    output::ae_Graph_Draw2Printer,        // 12
    content::ae_Graph_AddLegend,          // 13
    content::ae_Graph_AddBarSeries,       // 14
    content::ae_Graph_AddGrid,            // 15
    content::ae_Graph_AddDataAxis,        // 16
    content::ae_Graph_AddLabelAxis,       // 17
};

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
  const std::string parameters = element != nullptr ? element : "";
  handler(parameters);
  return true;
}

void ae_SendVariable(std::string_view parameters) { SetStatusText(parameters); }

}  // namespace vantiro::host
