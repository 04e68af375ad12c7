// The ActionCatalogue: the 22 rows (17 actions, 5 group headings) that
// nbRegisterPlugIn hands to the host, in registration order. Each action's
// row is the one place that binds its ActionId to its handler and its usage
// line to its field kinds; dispatch is derived from it. The row also holds
// the facts that hosts and tools read of an action (its status variable,
// control-ID field, whether a failure deletes the chart, and a note per
// field: its meaning, choices and the files it names); the plug-in itself
// registers only name, hint and type, so these change nothing it does.
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

// What a field is beyond its decoded kind.
enum class FieldUse : std::uint8_t {
  kPlain,
  kWindowsColour,   // an integer holding &HBBGGRR (red in the lowest byte), not "#RRGGBB"
  kReadsPicture,    // a picture file the engine reads (PNG, JPEG, BMP)
  kReadsChartFile,  // a chart file the engine reads
  kWritesFile,      // a file the engine writes
  kWritesImage,     // an image file the engine writes, in the format its extension names
};

// One usage field as a person reads it. `choices` lists the values of a
// field that takes a few: "value=meaning;value=meaning" (null: any value).
struct FieldNote {
  const char* meaning;
  const char* choices = nullptr;
  FieldUse use = FieldUse::kPlain;
};

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
  const char* statusVariable;                 // the host variable it reports in; null: none
  std::int32_t controlIdField;                // the field holding the chart's control ID; 0: none
  bool deletesOnFailure;                      // a failure makes the plug-in delete that chart
  std::span<const FieldNote> fieldNotes;      // one per usage field, in order
};

constexpr CatalogueRow Heading(const char* name) {
  return {0, name, nullptr, nullptr, false, nullptr, nullptr, {}, nullptr, 0, false, {}};
}

// The field notes of each action, in the order of its usage line.
namespace field_notes {

inline constexpr const char* kLineStyles = "0=solid;1=dashed;2=dotted;3=dash-dot;4=none";
inline constexpr const char* kTextAngles = "0=horizontal;1=vertical;2=slanted 45 degrees";
inline constexpr const char* kHatches =
    "0=none;1=horizontal;2=vertical;3=/ diagonal;4=\\ diagonal;5=cross;6=diagonal cross";
inline constexpr const char* kAxisSides = "0=default;1=left;2=right;3=top;4=bottom";
inline constexpr const char* kOnOff = "0=no;1=yes";
inline constexpr const char* kWindowOrNot = "0=window;1=no window";
inline constexpr const char* kTheChart = "The chart.";
inline constexpr const char* kRegion = "Region index, from 1.";
inline constexpr const char* kHostWindow = "Handle of the host window; [HostWindow].";
inline constexpr const char* kLeft = "Left edge inside the host window, pixels.";
inline constexpr const char* kTop = "Top edge inside the host window, pixels.";
inline constexpr const char* kPoints9 = "Points; 0: 9.";
inline constexpr const char* kBold = "Non-zero: bold.";

inline constexpr FieldNote kCreateChart[] = {
    {kHostWindow},
    {"Control ID naming the chart in every later action; not 0."},
    {kLeft},
    {kTop},
    {"Width in pixels; 0 gives 640, at most 16384."},
    {"Height in pixels; 0 gives 480, at most 16384."},
    {"Background colour."},
    {"Flags: 1 thin frame, 2 background fading from white.",
     "0=plain;1=frame;2=fading;3=frame and fading"},
    {"0: the chart gets a window; 1: files and printing only.", kWindowOrNot},
    {"PNG, JPEG or BMP file stretched over the background.", nullptr, FieldUse::kReadsPicture},
    {"Font family of every text; empty: a sans-serif."},
    {"Width of the value tooltip (Windows); 0: none."},
    {"Painted under the background image."},
};
inline constexpr FieldNote kCreateChartfromFile[] = {
    {kHostWindow},
    {"Control ID of the chart loaded."},
    {kLeft},
    {kTop},
    {"0: the chart gets a window; 1: none.", kWindowOrNot},
    {"Chart file written by ae_Graph_WriteRMCFile.", nullptr, FieldUse::kReadsChartFile},
};
inline constexpr FieldNote kDeleteChart[] = {{"The chart to delete."}};
inline constexpr FieldNote kEndChart[] = {
    {"Handle of the host window to destroy; charts are not deleted."}};
inline constexpr FieldNote kAddRegion[] = {
    {kTheChart},
    {"Left edge of the region in chart pixels."},
    {"Top edge of the region in chart pixels."},
    {"Width; 0 or less reaches to the right edge less that much."},
    {"Height; 0 or less reaches to the bottom less that much."},
    {"Small text centred at the bottom of the region."},
    {"Non-zero: thin frame around the region.", kOnOff},
};
inline constexpr FieldNote kAddCaption[] = {
    {kTheChart},
    {kRegion},
    {"Title band at the top of the region."},
    {"Caption background."},
    {"Caption text colour."},
    {"Points; 0: 12."},
    {kBold, kOnOff},
};
inline constexpr FieldNote kAddLegend[] = {
    {kTheChart},
    {kRegion},
    {"One entry per series or slice, separated by ';'."},
    {"Where the legend stands.",
     "0=right;1=left;2=top;3=bottom;4=inside top-left;5=inside top-right"},
    {"Legend background."},
    {"Flags: 1 no frame, 2 round markers.",
     "0=frame, square;1=no frame, square;2=frame, round;3=no frame, round"},
    {"Text colour as a Windows colour number (&HBBGGRR).", nullptr, FieldUse::kWindowsColour},
    {kPoints9},
    {kBold, kOnOff},
};
inline constexpr FieldNote kDraw[] = {{"The chart to draw in its window."}};
inline constexpr FieldNote kAddGridlessSeries[] = {
    {kTheChart},
    {kRegion},
    {"One value per slice, ',' between."},
    {"Slice colours, ',' between; 0: default palette."},
    {"Kind of chart.", "1=pie;2=donut;3=pyramid"},
    {"Place in the region.", "0=centred;1=left;2=right"},
    {"0 none; k: slice k pulled out; -1: all."},
    {"Non-zero: translucent.", kOnOff},
    {"Labels on the slices.", "0=none;1=values;2=percentages;3=both"},
    {"Hatch pattern over every slice.", kHatches},
    {"Degrees clockwise from 12 o'clock."},
};
inline constexpr FieldNote kAddGrid[] = {
    {kTheChart},
    {kRegion},
    {"Plot area background."},
    {"Non-zero: background fades from white to BKColor.", kOnOff},
    {"Plot area left inside the region; 0 with width 0: automatic."},
    {"Plot area top inside the region; 0 with height 0: automatic."},
    {"Plot area width; 0: placed automatically."},
    {"Plot area height; 0: placed automatically."},
    {"0 no bands, 1 every second band darker, any other: that band colour (&HBBGGRR).",
     "0=no bands;1=every second band darker", FieldUse::kWindowsColour},
};
inline constexpr FieldNote kAddDataAxis[] = {
    {kTheChart},
    {kRegion},
    {"Side of the axis.", kAxisSides},
    {"Lowest value; both 0: chosen from the data."},
    {"Highest value; both 0: chosen from the data."},
    {"Intervals between grid lines; 0: chosen."},
    {kPoints9},
    {"Tick label colour."},
    {"Grid line colour."},
    {"Grid lines.", kLineStyles},
    {"Digits after the point in tick labels."},
    {"Appended to every tick label, e.g. ' k$'."},
    {"Axis title."},
    {"Labels replacing the tick numbers, ';' between."},
    {"Tick labels.", kTextAngles},
};
inline constexpr FieldNote kAddLabelAxis[] = {
    {kTheChart},
    {kRegion},
    {"Category labels, ';' between: Q1;Q2;Q3."},
    {"Number of categories; 0: from the data."},
    {"Label every n-th category; 0 or 1: each."},
    {"Side of the axis.", kAxisSides},
    {kPoints9},
    {"Label colour."},
    {"Labels.", kTextAngles},
    {"Lines between categories."},
    {"Lines between categories.", kLineStyles},
    {"Axis title."},
};
inline constexpr FieldNote kAddBarSeries[] = {
    {kTheChart},
    {kRegion},
    {"One value per bar, ',' between, '.' for fractions."},
    {"How series share a category.", "0=grouped;1=stacked;2=stacked to 100 %"},
    {"Flags: 1 darker outline, 2 shaded.", "0=flat;1=outline;2=shaded;3=outline and shaded"},
    {"Non-zero: translucent.", kOnOff},
    {"Bar colour."},
    {"Non-zero: horizontal bars.", kOnOff},
    {"1 (or 0): first data axis, 2: second.", "1=first;2=second"},
    {"Value labels.", "0=none;1=beyond the bar;2=inside the bar"},
    {"Values per category column; 0 or 1: one."},
    {"Hatch pattern.", kHatches},
};
inline constexpr FieldNote kDraw2File[] = {
    {kTheChart},
    {"File written; .png .jpg .bmp, .svg .pdf natively, .emf on Windows.", nullptr,
     FieldUse::kWritesImage},
    {"0: the chart's own width."},
    {"0: the chart's own height."},
    {"1-100; 0: 90."},
};
inline constexpr FieldNote kWriteRMCFile[] = {
    {kTheChart}, {"Chart file written.", nullptr, FieldUse::kWritesFile}};
inline constexpr FieldNote kDraw2Printer[] = {{"The chart to print."}};

}  // namespace field_notes

// Cyrillic texts are code page 1251 bytes.
inline constexpr std::array<CatalogueRow, 22> ActionCatalogue = {{
    Heading("*** Internal Use *** "),
    {1,
     "ae_SendVariable",
     "Internal Use Only",
     nullptr,
     false,
     nullptr,
     ae_SendVariable,
     {},
     nullptr,
     0,
     false,
     {}},
    Heading("\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5"
            " "
            "\xF4\xF3\xED\xEA\xF6\xE8\xE8"),
    {2, "ae_Graph_CreateChart",
     "\xD1\xEE\xE7\xE4\xE0\xF2\xFC"
     "      ",
     "ae_Graph_CreateGraph", false,
     "[recthandle]|id|x0|y0|width|height|BGColor|Style|Export|BGImage|"
     "FontName|WidthTooltip|BGImageColor",
     charts::ae_Graph_CreateChart, charts::field_kinds::kCreateChartFields,
     "ae_Graph_CreateChartStatus", 2, true, field_notes::kCreateChart},
    {9, "ae_Graph_CreateChartfromFile", "Create Chart from a File ", "ae_Graph_CreateGraphfromfile",
     false, "[recthandle]|id|x0|y0|Export|SourceFile", charts::ae_Graph_CreateChartfromFile,
     charts::field_kinds::kCreateChartfromFileFields, "ae_Graph_CreateChartFromFileStatus", 2, true,
     field_notes::kCreateChartfromFile},
    {3, "ae_Graph_DeleteChart", "Delete a Chart", nullptr, false, "id",
     charts::ae_Graph_DeleteChart, charts::field_kinds::kControlIdOnly,
     "ae_Graph_DeleteChartStatus", 1, false, field_notes::kDeleteChart},
    {4,
     "ae_Graph_EndChart",
     "End Chart System. Must be used at end of the PUB",
     nullptr,
     false,
     "rect_handle",
     charts::ae_Graph_EndChart,
     {},
     nullptr,
     0,
     false,
     field_notes::kEndChart},
    {5, "ae_Graph_AddRegion", "Add a Region to a Chart ", nullptr, false,
     "ID|x0|y0|width|height|Footer Text|ShowBorder", content::ae_Graph_AddRegion,
     content::field_kinds::kAddRegionFields, "ae_Graph_AddRegionStatus", 1, true,
     field_notes::kAddRegion},
    {10, "ae_Graph_AddCaption", "Add a Caption to a Chart ", nullptr, false,
     "id|Region|Caption|BKColor|TextColor|FontSize|FontBold", content::ae_Graph_AddCaption,
     content::field_kinds::kAddCaptionFields, "ae_Graph_AddCaptionStatus", 1, true,
     field_notes::kAddCaption},
    {13, "ae_Graph_AddLegend", "Add a Legend to a Chart ", "ae_Graph_AddCaption", false,
     "id|Region|Legend|Alignment|BKColor|Style|TextColor|FontSize|FontBold",
     content::ae_Graph_AddLegend, content::field_kinds::kAddLegendFields,
     "ae_Graph_AddLegendStatus", 1, true, field_notes::kAddLegend},
    {6, "ae_Graph_Draw", "Draw the Chart", nullptr, true, "ID", charts::ae_Graph_Draw,
     charts::field_kinds::kControlIdOnly, "ae_Graph_DrawStatus", 1, false, field_notes::kDraw},
    Heading("GridLess Charts"),
    {7, "ae_Graph_AddGridlessSeries", "Add a Serie for a Pie, Donut or Pyramid Chart ", nullptr,
     true,
     "Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|ValueLabel|Hatch|"
     "StartAngle",
     content::ae_Graph_AddGridlessSeries, content::field_kinds::kAddGridlessSeriesFields,
     "ae_Graph_AddGridLessSeriesStatus", 1, true, field_notes::kAddGridlessSeries},
    Heading("Grid Charts"),
    {15, "ae_Graph_AddGrid", "Add a Grid to a Chart ", nullptr, false,
     "ID|Region|BKColor|AsGradient|x0|y0|width|height|BiColor", content::ae_Graph_AddGrid,
     content::field_kinds::kAddGridFields, "ae_Graph_AddGridStatus", 1, true,
     field_notes::kAddGrid},
    {16, "ae_Graph_AddDataAxis", "Add a Axis to a Chart ", nullptr, false,
     "ID|Region|Alignment|MinValue|MaxValue|TickCount|FontSize|TextColor|"
     "LineColor|LineStyle|DecimalDigits|Units|Text|Labels|LabelAlignment",
     content::ae_Graph_AddDataAxis, content::field_kinds::kAddDataAxisFields,
     "ae_Graph_AddDataAxisStatus", 1, true, field_notes::kAddDataAxis},
    {17, "ae_Graph_AddLabelAxis", "Add a Label Axis to a Chart ", nullptr, false,
     "ID|Region|Labels|AxisCount|TickCount|Alignment|FontSize|TextColor|"
     "TextAlignment|LineColor|LineStyle|Text",
     content::ae_Graph_AddLabelAxis, content::field_kinds::kAddLabelAxisFields,
     "ae_Graph_AddLabelAxisStatus", 1, true, field_notes::kAddLabelAxis},
    {14, "ae_Graph_AddBarSeries", "Add a Bar Series to a Chart ", nullptr, false,
     "ID|Region|DataValues|Type|Style|IsLucent|Color|IsHorizontal|WhichDataAxis|"
     "ValueLabelOn|PointsPerColumn|HatchMode",
     content::ae_Graph_AddBarSeries, content::field_kinds::kAddBarSeriesFields,
     "ae_Graph_AddBarSeriesStatus", 1, true, field_notes::kAddBarSeries},
    Heading("Printing, Loading & Saving"),
    {8, "ae_Graph_Draw2File", "Save Chart to a File", nullptr, true,
     "Id|TargetFileName|width|height|JPGQuality", output::ae_Graph_Draw2File,
     output::field_kinds::kDraw2FileFields, "ae_Graph_Draw2FileStatus", 1, false,
     field_notes::kDraw2File},
    {11, "ae_Graph_WriteRMCFile", "Save RMC File ", nullptr, false, "id|TargetFile.RMC",
     output::ae_Graph_WriteRMCFile, output::field_kinds::kWriteRMCFileFields,
     "ae_Graph_WriteRMCFileStatus", 1, false, field_notes::kWriteRMCFile},
    {12,
     "ae_Graph_Draw2Printer",
     "Print the Chart",
     nullptr,
     true,
     "Id",
     output::ae_Graph_Draw2Printer,
     {},
     "ae_Graph_Draw2PrinterStatus",
     1,
     false,
     field_notes::kDraw2Printer},
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

// Every field of a usage line has its note, and a chart action names the
// field of its control ID.
constexpr bool NotesMatchUsage() {
  for (const CatalogueRow& row : ActionCatalogue) {
    if (row.fields == nullptr) {
      if (!row.fieldNotes.empty() || row.controlIdField != 0) return false;
      continue;
    }
    if (UsageFieldCount(row.fields) != row.fieldNotes.size()) return false;
    if (row.controlIdField < 0 ||
        static_cast<std::size_t>(row.controlIdField) > row.fieldNotes.size()) {
      return false;
    }
    if (row.deletesOnFailure && (row.controlIdField == 0 || row.statusVariable == nullptr)) {
      return false;
    }
  }
  return true;
}
static_assert(NotesMatchUsage());

// Registers every row, in order, with one call of `addAction` each.
void RegisterActions(AddActionCallback addAction);

}  // namespace vantiro::host
