// Creation (control ID in field 2, failures delete), drawing and deletion
// (any failure reads "Error"), and the end of the chart system.
#include "plugin/charts/lifecycle_actions.h"

#include "plugin/charts/action_frame.h"
#include "plugin/params/params.h"
#include "plugin/platform/platform.h"

namespace vantiro::charts {
namespace {

using namespace field_kinds;
using enum Message;
namespace code = engine_codes;

constexpr CodeMessage kCreateChartCodes[] = {
    {code::kBadParentWindow, kBadRectangle},      {code::kBadControlId, kCtrlIdError},
    {code::kTooManyCharts, kTooManyCharts},       {code::kNoGraphicsLibrary, kNoGdiPlus},
    {code::kWindowNotCreated, kWindowNotCreated},
};
constexpr CodeMessage kCreateChartfromFileCodes[] = {
    {code::kBadParentWindow, kBadRectangle},      {code::kBadControlId, kCtrlIdError},
    {code::kTooManyCharts, kTooManyCharts},       {code::kNoGraphicsLibrary, kNoGdiPlus},
    {code::kWindowNotCreated, kWindowNotCreated}, {code::kSourceFileFailed, kSourceFile},
};

constexpr ActionDefinition kCreateChart = {
    kCreateChartFields,
    2,
    [](DecodedFields& f) {
      return RMC_CREATECHART(static_cast<RmcWindow>(f.Integer(1)), f.Integer(2), f.Integer(3),
                             f.Integer(4), f.Integer(5), f.Integer(6), f.Colour(7), f.Integer(8),
                             f.Integer(9), f.Text(10), f.Text(11), f.Integer(12), f.Colour(13));
    },
    {"ae_Graph_CreateChartStatus", kCreateChartCodes, false, true},
};

constexpr ActionDefinition kCreateChartfromFile = {
    kCreateChartfromFileFields,
    2,
    [](DecodedFields& f) {
      return RMC_CREATECHARTFROMFILE(static_cast<RmcWindow>(f.Integer(1)), f.Integer(2),
                                     f.Integer(3), f.Integer(4), f.Integer(5), f.Text(6));
    },
    {"ae_Graph_CreateChartFromFileStatus", kCreateChartfromFileCodes, false, true},
};

constexpr ActionDefinition kDraw = {
    kControlIdOnly,
    1,
    [](DecodedFields& f) { return RMC_DRAW(f.Integer(1)); },
    {"ae_Graph_DrawStatus", {}, true, false},
};

constexpr ActionDefinition kDeleteChart = {
    kControlIdOnly,
    1,
    [](DecodedFields& f) { return RMC_DELETECHART(f.Integer(1)); },
    {"ae_Graph_DeleteChartStatus", {}, true, false},
};

}  // namespace

void ae_Graph_CreateChart(std::string_view parameters) { RunAction(kCreateChart, parameters); }

void ae_Graph_CreateChartfromFile(std::string_view parameters) {
  RunAction(kCreateChartfromFile, parameters);
}

void ae_Graph_Draw(std::string_view parameters) { RunAction(kDraw, parameters); }

void ae_Graph_DeleteChart(std::string_view parameters) { RunAction(kDeleteChart, parameters); }

// The whole text is one number: the scan stops at the first "|" anyway.
// Neither StatusText nor any host variable changes.
void ae_Graph_EndChart(std::string_view parameters) {
  const std::int32_t window = params::ToInt32(params::ParseNumber(parameters));
  platform::DestroyWindowHandle(static_cast<std::uint32_t>(window));
}

}  // namespace vantiro::charts
