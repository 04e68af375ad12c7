// The ActionCatalogue: the 22 rows (17 actions, 5 group headings) that
// nbRegisterPlugIn hands to the host, in registration order. Each action's
// row is the one place that binds its ActionId to its handler and its usage
// line to its field kinds; dispatch is derived from it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "plugin/charts/lifecycle_actions.h"
#include "plugin/content/content_actions.h"
#include "plugin/host/dispatch.h"
#include "plugin/host/entry_points.h"
#include "plugin/output/output_actions.h"

namespace vantiro::host {

inline constexpr std::int32_t kActionCount = 17;

struct CatalogueRow {
  std::int32_t actionId;                      // 1..kActionCount for an action, 0 for a heading
  const char* name;                           // script name of the action, or the heading
  const char* title;                          // first line of the hint; null for a heading
  const char* usageName;                      // name shown in the usage line; null: `name`
  bool blankBeforeQuote;                      // one blank between usage name and opening quote
  const char* fields;                         // field list of the usage line; null: no usage line
  ActionHandler handler;                      // runs the action; null for a heading
  std::span<const charts::Field> fieldKinds;  // the decoded fields; empty: the
                                              // handler reads the text itself
};

constexpr CatalogueRow Heading(const char* name) {
  return {0, name, nullptr, nullptr, false, nullptr, nullptr, {}};
}

// Cyrillic texts are code page 1251 bytes.
inline constexpr std::array<CatalogueRow, 22> ActionCatalogue = {{
    Heading("*** Internal Use *** "),
    {1, "ae_SendVariable", "Internal Use Only", nullptr, false, nullptr, ae_SendVariable, {}},
    Heading("\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5"
            " "
            "\xF4\xF3\xED\xEA\xF6\xE8\xE8"),
    {2, "ae_Graph_CreateChart",
     "\xD1\xEE\xE7\xE4\xE0\xF2\xFC"
     "      ",
     "ae_Graph_CreateGraph", false,
     "[recthandle]|id|x0|y0|width|height|BGColor|Style|Export|BGImage|"
     "FontName|WidthTooltip|BGImageColor",
     charts::ae_Graph_CreateChart, charts::field_kinds::kCreateChartFields},
    {9, "ae_Graph_CreateChartfromFile", "Create Chart from a File ", "ae_Graph_CreateGraphfromfile",
     false, "[recthandle]|id|x0|y0|Export|SourceFile", charts::ae_Graph_CreateChartfromFile,
     charts::field_kinds::kCreateChartfromFileFields},
    {3, "ae_Graph_DeleteChart", "Delete a Chart", nullptr, false, "id",
     charts::ae_Graph_DeleteChart, charts::field_kinds::kControlIdOnly},
    {4,
     "ae_Graph_EndChart",
     "End Chart System. Must be used at end of the PUB",
     nullptr,
     false,
     "rect_handle",
     charts::ae_Graph_EndChart,
     {}},
    {5, "ae_Graph_AddRegion", "Add a Region to a Chart ", nullptr, false,
     "ID|x0|y0|width|height|Footer Text|ShowBorder", content::ae_Graph_AddRegion,
     content::field_kinds::kAddRegionFields},
    {10, "ae_Graph_AddCaption", "Add a Caption to a Chart ", nullptr, false,
     "id|Region|Caption|BKColor|TextColor|FontSize|FontBold", content::ae_Graph_AddCaption,
     content::field_kinds::kAddCaptionFields},
    {13, "ae_Graph_AddLegend", "Add a Legend to a Chart ", "ae_Graph_AddCaption", false,
     "id|Region|Legend|Alignment|BKColor|Style|TextColor|FontSize|FontBold",
     content::ae_Graph_AddLegend, content::field_kinds::kAddLegendFields},
    {6, "ae_Graph_Draw", "Draw the Chart", nullptr, true, "ID", charts::ae_Graph_Draw,
     charts::field_kinds::kControlIdOnly},
    Heading("GridLess Charts"),
    {7, "ae_Graph_AddGridlessSeries", "Add a Serie for a Pie, Donut or Pyramid Chart ", nullptr,
     true,
     "Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|ValueLabel|Hatch|"
     "StartAngle",
     content::ae_Graph_AddGridlessSeries, content::field_kinds::kAddGridlessSeriesFields},
    Heading("Grid Charts"),
    {15, "ae_Graph_AddGrid", "Add a Grid to a Chart ", nullptr, false,
     "ID|Region|BKColor|AsGradient|x0|y0|width|height|BiColor", content::ae_Graph_AddGrid,
     content::field_kinds::kAddGridFields},
    {16, "ae_Graph_AddDataAxis", "Add a Axis to a Chart ", nullptr, false,
     "ID|Region|Alignment|MinValue|MaxValue|TickCount|FontSize|TextColor|"
     "LineColor|LineStyle|DecimalDigits|Units|Text|Labels|LabelAlignment",
     content::ae_Graph_AddDataAxis, content::field_kinds::kAddDataAxisFields},
    {17, "ae_Graph_AddLabelAxis", "Add a Label Axis to a Chart ", nullptr, false,
     "ID|Region|Labels|AxisCount|TickCount|Alignment|FontSize|TextColor|"
     "TextAlignment|LineColor|LineStyle|Text",
     content::ae_Graph_AddLabelAxis, content::field_kinds::kAddLabelAxisFields},
    {14, "ae_Graph_AddBarSeries", "Add a Bar Series to a Chart ", nullptr, false,
     "ID|Region|DataValues|Type|Style|IsLucent|Color|IsHorizontal|WhichDataAxis|"
     "ValueLabelOn|PointsPerColumn|HatchMode",
     content::ae_Graph_AddBarSeries, content::field_kinds::kAddBarSeriesFields},
    Heading("Printing, Loading & Saving"),
    {8, "ae_Graph_Draw2File", "Save Chart to a File", nullptr, true,
     "Id|TargetFileName|width|height|JPGQuality", output::ae_Graph_Draw2File,
     output::field_kinds::kDraw2FileFields},
    {11, "ae_Graph_WriteRMCFile", "Save RMC File ", nullptr, false, "id|TargetFile.RMC",
     output::ae_Graph_WriteRMCFile, output::field_kinds::kWriteRMCFileFields},
    {12,
     "ae_Graph_Draw2Printer",
     "Print the Chart",
     nullptr,
     true,
     "Id",
     output::ae_Graph_Draw2Printer,
     {}},
}};

// The hint of a row: title, CR LF, usage line; the title alone for a row
// without usage line; nothing for a heading.
std::optional<std::string> Hint(const CatalogueRow& row);

// Parameter-type text and count of a row: one text parameter per action,
// none per heading.
const char* TypeText(const CatalogueRow& row);
std::uint32_t ParameterCount(const CatalogueRow& row);

// Usage fields are "|"-separated.
constexpr std::size_t UsageFieldCount(std::string_view usage) {
  std::size_t count = 1;
  for (const char c : usage) count += c == '|' ? 1 : 0;
  return count;
}

// Each ActionId from 1 to kActionCount names exactly one row; headings run nothing.
constexpr bool EveryActionOnce() {
  std::array<int, kActionCount + 1> rows{};
  for (const CatalogueRow& row : ActionCatalogue) {
    if (row.actionId == 0) {
      if (row.handler != nullptr || !row.fieldKinds.empty()) return false;
      continue;
    }
    // Handlers are not compared with null here: with sanitizers a function's
    // address is no constant expression. Dispatch skips a missing one.
    if (row.actionId < 0 || row.actionId > kActionCount) return false;
    ++rows[static_cast<std::size_t>(row.actionId)];
  }
  for (std::size_t id = 1; id < rows.size(); ++id) {
    if (rows[id] != 1) return false;
  }
  return true;
}
static_assert(EveryActionOnce());

// A usage line lists exactly the fields that its action decodes.
constexpr bool UsageMatchesFieldKinds() {
  for (const CatalogueRow& row : ActionCatalogue) {
    if (row.fieldKinds.empty()) continue;
    if (row.fields == nullptr || UsageFieldCount(row.fields) != row.fieldKinds.size()) {
      return false;
    }
  }
  return true;
}
static_assert(UsageMatchesFieldKinds());

// Registers every row, in order, with one call of `addAction` each.
void RegisterActions(AddActionCallback addAction);

}  // namespace vantiro::host
