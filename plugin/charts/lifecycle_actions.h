// Chart creation, drawing and teardown actions.
#pragma once

#include <string_view>

#include "plugin/charts/action_frame.h"

namespace vantiro::charts {

// The field kinds of each action in field order, under its usage text.
namespace field_kinds {

using enum Field;

// [recthandle]|id|x0|y0|width|height|BGColor|Style|Export|BGImage|FontName|
// WidthTooltip|BGImageColor
inline constexpr Field kCreateChartFields[] = {
    kInteger, kInteger, kInteger, kInteger, kInteger, kInteger, kColour,
    kInteger, kInteger, kText100, kText100, kInteger, kColour,
};
static_assert(FitsDecoding(kCreateChartFields));

// [recthandle]|id|x0|y0|Export|SourceFile
inline constexpr Field kCreateChartfromFileFields[] = {
    kInteger, kInteger, kInteger, kInteger, kInteger, kText100,
};
static_assert(FitsDecoding(kCreateChartfromFileFields));

inline constexpr Field kControlIdOnly[] = {kInteger};
static_assert(FitsDecoding(kControlIdOnly));

}  // namespace field_kinds

void ae_Graph_CreateChart(std::string_view parameters);
void ae_Graph_CreateChartfromFile(std::string_view parameters);
void ae_Graph_Draw(std::string_view parameters);
void ae_Graph_DeleteChart(std::string_view parameters);
void ae_Graph_EndChart(std::string_view parameters);

}  // namespace vantiro::charts
