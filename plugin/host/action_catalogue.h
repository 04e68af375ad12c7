// The ActionCatalogue: the 22 rows (17 actions, 5 group headings) that
// nbRegisterPlugIn hands to the host, in registration order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "plugin/host/entry_points.h"

namespace vantiro::host {

struct CatalogueRow {
  std::int32_t actionId;   // 1..17 for an action, 0 for a heading
  const char* name;        // script name of the action, or the heading
  const char* title;       // first line of the hint; null for a heading
  const char* usageName;   // name shown in the usage line; null: `name`
  bool blankBeforeQuote;   // one blank between usage name and opening quote
  const char* fields;      // field list of the usage line; null: no usage line
};

// Cyrillic texts are code page 1251 bytes.
inline constexpr std::array<CatalogueRow, 22> ActionCatalogue = {{
    {0, "*** Internal Use *** ", nullptr, nullptr, false, nullptr},
    {1, "ae_SendVariable", "Internal Use Only", nullptr, false, nullptr},
    {0, "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5" " " "\xF4\xF3\xED\xEA\xF6\xE8\xE8",
     nullptr, nullptr, false, nullptr},
    {2, "ae_Graph_CreateChart", "\xD1\xEE\xE7\xE4\xE0\xF2\xFC" "      ",
     "ae_Graph_CreateGraph", false,
     "[recthandle]|id|x0|y0|width|height|BGColor|Style|Export|BGImage|"
     "FontName|WidthTooltip|BGImageColor"},
    {9, "ae_Graph_CreateChartfromFile", "Create Chart from a File ",
     "ae_Graph_CreateGraphfromfile", false,
     "[recthandle]|id|x0|y0|Export|SourceFile"},
    {3, "ae_Graph_DeleteChart", "Delete a Chart", nullptr, false, "id"},
    {4, "ae_Graph_EndChart", "End Chart System. Must be used at end of the PUB",
     nullptr, false, "rect_handle"},
    {5, "ae_Graph_AddRegion", "Add a Region to a Chart ", nullptr, false,
     "ID|x0|y0|width|height|Footer Text|ShowBorder"},
    {10, "ae_Graph_AddCaption", "Add a Caption to a Chart ", nullptr, false,
     "id|Region|Caption|BKColor|TextColor|FontSize|FontBold"},
    {13, "ae_Graph_AddLegend", "Add a Legend to a Chart ", "ae_Graph_AddCaption",
     false, "id|Region|Legend|Alignment|BKColor|Style|TextColor|FontSize|FontBold"},
    {6, "ae_Graph_Draw", "Draw the Chart", nullptr, true, "ID"},
    {0, "GridLess Charts", nullptr, nullptr, false, nullptr},
    {7, "ae_Graph_AddGridlessSeries",
     "Add a Serie for a Pie, Donut or Pyramid Chart ", nullptr, true,
     "Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|ValueLabel|Hatch|"
     "StartAngle"},
    {0, "Grid Charts", nullptr, nullptr, false, nullptr},
    {15, "ae_Graph_AddGrid", "Add a Grid to a Chart ", nullptr, false,
     "ID|Region|BKColor|AsGradient|x0|y0|width|height|BiColor"},
    {16, "ae_Graph_AddDataAxis", "Add a Axis to a Chart ", nullptr, false,
     "ID|Region|Alignment|MinValue|MaxValue|TickCount|FontSize|TextColor|"
     "LineColor|LineStyle|DecimalDigits|Units|Text|Labels|LabelAlignment"},
    {17, "ae_Graph_AddLabelAxis", "Add a Label Axis to a Chart ", nullptr, false,
     "ID|Region|Labels|AxisCount|TickCount|Alignment|FontSize|TextColor|"
     "TextAlignment|LineColor|LineStyle|Text"},
    {14, "ae_Graph_AddBarSeries", "Add a Bar Series to a Chart ", nullptr, false,
     "ID|Region|DataValues|Type|Style|IsLucent|Color|IsHorizontal|WhichDataAxis|"
     "ValueLabelOn|PointsPerColumn|HatchMode"},
    {0, "Printing, Loading & Saving", nullptr, nullptr, false, nullptr},
    {8, "ae_Graph_Draw2File", "Save Chart to a File", nullptr, true,
     "Id|TargetFileName|width|height|JPGQuality"},
    {11, "ae_Graph_WriteRMCFile", "Save RMC File ", nullptr, false,
     "id|TargetFile.RMC"},
    {12, "ae_Graph_Draw2Printer", "Print the Chart", nullptr, true, "Id"},
}};

// The hint of a row: title, CR LF, usage line; the title alone for a row
// without usage line; nothing for a heading.
std::optional<std::string> Hint(const CatalogueRow& row);

// Parameter-type text and count of a row: one text parameter per action,
// none per heading.
const char* TypeText(const CatalogueRow& row);
std::uint32_t ParameterCount(const CatalogueRow& row);

// Registers every row, in order, with one call of `addAction` each.
void RegisterActions(AddActionCallback addAction);

}  // namespace vantiro::host
