// The eight actions that fill a chart: regions, grids, captions, legends,
// axes and series. Each failure deletes the chart.
#pragma once

#include <string_view>

#include "plugin/charts/action_frame.h"

namespace vantiro::content {

// The field kinds of each action in field order, under its usage text.
namespace field_kinds {

using enum charts::Field;

// ID|x0|y0|width|height|Footer Text|ShowBorder
inline constexpr charts::Field kAddRegionFields[] = {
    kInteger, kInteger, kInteger, kInteger, kInteger, kText100, kInteger,
};
static_assert(charts::FitsDecoding(kAddRegionFields));

// ID|Region|BKColor|AsGradient|x0|y0|width|height|BiColor (a number)
inline constexpr charts::Field kAddGridFields[] = {
    kInteger, kInteger, kColour, kInteger, kInteger, kInteger, kInteger, kInteger, kInteger,
};
static_assert(charts::FitsDecoding(kAddGridFields));

// id|Region|Caption|BKColor|TextColor|FontSize|FontBold
inline constexpr charts::Field kAddCaptionFields[] = {
    kInteger, kInteger, kText100, kColour, kColour, kInteger, kInteger,
};
static_assert(charts::FitsDecoding(kAddCaptionFields));

// id|Region|Legend|Alignment|BKColor|Style|TextColor (a number)|FontSize|FontBold
inline constexpr charts::Field kAddLegendFields[] = {
    kInteger, kInteger, kText1000, kInteger, kColour, kInteger, kInteger, kInteger, kInteger,
};
static_assert(charts::FitsDecoding(kAddLegendFields));

// ID|Region|Alignment|MinValue|MaxValue|TickCount|FontSize|TextColor|
// LineColor|LineStyle|DecimalDigits|Units|Text|Labels|LabelAlignment
inline constexpr charts::Field kAddDataAxisFields[] = {
    kInteger, kInteger, kInteger, kInteger, kInteger, kInteger, kInteger, kColour,
    kColour,  kInteger, kInteger, kText100, kText100, kText100, kInteger,
};
static_assert(charts::FitsDecoding(kAddDataAxisFields));

// ID|Region|Labels|AxisCount|TickCount|Alignment|FontSize|TextColor|
// TextAlignment|LineColor|LineStyle|Text
inline constexpr charts::Field kAddLabelAxisFields[] = {
    kInteger, kInteger, kText100, kInteger, kInteger, kInteger,
    kInteger, kColour,  kInteger, kColour,  kInteger, kText100,
};
static_assert(charts::FitsDecoding(kAddLabelAxisFields));

// ID|Region|DataValues|Type|Style|IsLucent|Color|IsHorizontal|WhichDataAxis|
// ValueLabelOn|PointsPerColumn|HatchMode
inline constexpr charts::Field kAddBarSeriesFields[] = {
    kInteger, kInteger, kValueList, kInteger, kInteger, kInteger,
    kColour,  kInteger, kInteger,   kInteger, kInteger, kInteger,
};
static_assert(charts::FitsDecoding(kAddBarSeriesFields));

// Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|ValueLabel|Hatch|
// StartAngle
inline constexpr charts::Field kAddGridlessSeriesFields[] = {
    kInteger, kInteger, kValueList, kColourList, kInteger, kInteger,
    kInteger, kInteger, kInteger,   kInteger,    kInteger,
};
static_assert(charts::FitsDecoding(kAddGridlessSeriesFields));

}  // namespace field_kinds

void ae_Graph_AddRegion(std::string_view parameters);
void ae_Graph_AddGrid(std::string_view parameters);
void ae_Graph_AddCaption(std::string_view parameters);
void ae_Graph_AddLegend(std::string_view parameters);
void ae_Graph_AddDataAxis(std::string_view parameters);
void ae_Graph_AddLabelAxis(std::string_view parameters);
void ae_Graph_AddBarSeries(std::string_view parameters);
void ae_Graph_AddGridlessSeries(std::string_view parameters);

}  // namespace vantiro::content
