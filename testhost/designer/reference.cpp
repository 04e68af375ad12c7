// The designer's action reference: field names and kinds from the plug-in's
// catalogue, meanings and choices as the author's reference gives them.
#include "testhost/designer/reference.h"

#include <array>

#include "plugin/charts/action_frame.h"
#include "plugin/host/action_catalogue.h"
#include "plugin/params/params.h"
#include "text/code_page.h"

namespace vantiro::testhost::designer {

namespace {

using charts::Field;
namespace catalogue = ::vantiro::host;

// The catalogue rows without their handlers, taken out at compile time.
struct Row {
  std::int32_t actionId;
  std::string_view name;
  std::string_view title;
  std::string_view usage;
  std::span<const Field> kinds;
};

consteval std::array<Row, catalogue::ActionCatalogue.size()> MakeRows() {
  std::array<Row, catalogue::ActionCatalogue.size()> out{};
  for (std::size_t i = 0; i < out.size(); ++i) {
    const catalogue::CatalogueRow& row = catalogue::ActionCatalogue[i];
    out[i] = {row.actionId, row.name, row.title != nullptr ? row.title : "",
              row.fields != nullptr ? row.fields : "", row.fieldKinds};
  }
  return out;
}
constexpr auto kRows = MakeRows();

// Meaning and choices of one field: "value=meaning;value=meaning".
struct Note {
  std::string_view action;
  std::string_view field;
  std::string_view meaning;
  std::string_view choices = {};
  std::string_view kind = {};  // overrides the catalogue's kind
};

constexpr std::string_view kLineStyles = "0=solid;1=dashed;2=dotted;3=dash-dot;4=none";
constexpr std::string_view kTextAngles = "0=horizontal;1=vertical;2=slanted 45°";
constexpr std::string_view kHatches =
    "0=none;1=horizontal;2=vertical;3=/ diagonal;4=\\ diagonal;5=cross;6=diagonal cross";
constexpr std::string_view kAxisSides = "0=default;1=left;2=right;3=top;4=bottom";
constexpr std::string_view kOnOff = "0=no;1=yes";

constexpr Note kNotes[] = {
    {"ae_Graph_CreateChart", "[recthandle]", "Handle of the host window; [HostWindow]."},
    {"ae_Graph_CreateChart", "id", "Control ID naming the chart in every later action; not 0."},
    {"ae_Graph_CreateChart", "x0", "Left edge inside the host window, pixels."},
    {"ae_Graph_CreateChart", "y0", "Top edge inside the host window, pixels."},
    {"ae_Graph_CreateChart", "width", "Width in pixels; 0 gives 640, at most 16384."},
    {"ae_Graph_CreateChart", "height", "Height in pixels; 0 gives 480, at most 16384."},
    {"ae_Graph_CreateChart", "BGColor", "Background colour."},
    {"ae_Graph_CreateChart", "Style", "Flags: 1 thin frame, 2 background fading from white.",
     "0=plain;1=frame;2=fading;3=frame and fading"},
    {"ae_Graph_CreateChart", "Export", "0: the chart gets a window; 1: files and printing only.",
     "0=window;1=no window"},
    {"ae_Graph_CreateChart", "BGImage", "PNG, JPEG or BMP file stretched over the background."},
    {"ae_Graph_CreateChart", "FontName", "Font family of every text; empty: a sans-serif."},
    {"ae_Graph_CreateChart", "WidthTooltip", "Width of the value tooltip (Windows); 0: none."},
    {"ae_Graph_CreateChart", "BGImageColor", "Painted under the background image."},
    {"ae_Graph_CreateChartfromFile", "[recthandle]", "Handle of the host window; [HostWindow]."},
    {"ae_Graph_CreateChartfromFile", "id", "Control ID of the chart loaded."},
    {"ae_Graph_CreateChartfromFile", "x0", "Left edge inside the host window, pixels."},
    {"ae_Graph_CreateChartfromFile", "y0", "Top edge inside the host window, pixels."},
    {"ae_Graph_CreateChartfromFile", "Export", "0: the chart gets a window; 1: none.",
     "0=window;1=no window"},
    {"ae_Graph_CreateChartfromFile", "SourceFile", "Chart file written by ae_Graph_WriteRMCFile."},
    {"ae_Graph_DeleteChart", "id", "The chart to delete."},
    {"ae_Graph_Draw", "ID", "The chart to draw in its window (a tab here)."},
    {"ae_Graph_AddRegion", "ID", "The chart."},
    {"ae_Graph_AddRegion", "x0", "Left edge of the region in chart pixels."},
    {"ae_Graph_AddRegion", "y0", "Top edge of the region in chart pixels."},
    {"ae_Graph_AddRegion", "width", "Width; 0 or less reaches to the right edge less that much."},
    {"ae_Graph_AddRegion", "height", "Height; 0 or less reaches to the bottom less that much."},
    {"ae_Graph_AddRegion", "Footer Text", "Small text centred at the bottom of the region."},
    {"ae_Graph_AddRegion", "ShowBorder", "Non-zero: thin frame around the region.", kOnOff},
    {"ae_Graph_AddGrid", "ID", "The chart."},
    {"ae_Graph_AddGrid", "Region", "Region index, from 1."},
    {"ae_Graph_AddGrid", "BKColor", "Plot area background."},
    {"ae_Graph_AddGrid", "AsGradient", "Non-zero: background fades from white to BKColor.", kOnOff},
    {"ae_Graph_AddGrid", "x0", "Plot area left inside the region; 0 with width 0: automatic."},
    {"ae_Graph_AddGrid", "y0", "Plot area top inside the region; 0 with height 0: automatic."},
    {"ae_Graph_AddGrid", "width", "Plot area width; 0: placed automatically."},
    {"ae_Graph_AddGrid", "height", "Plot area height; 0: placed automatically."},
    {"ae_Graph_AddGrid", "BiColor",
     "0 no bands, 1 every second band darker, any other: that band colour (&HBBGGRR).",
     "0=no bands;1=every second band darker", "wincolour"},
    {"ae_Graph_AddCaption", "id", "The chart."},
    {"ae_Graph_AddCaption", "Region", "Region index, from 1."},
    {"ae_Graph_AddCaption", "Caption", "Title band at the top of the region."},
    {"ae_Graph_AddCaption", "BKColor", "Caption background."},
    {"ae_Graph_AddCaption", "TextColor", "Caption text colour."},
    {"ae_Graph_AddCaption", "FontSize", "Points; 0: 12."},
    {"ae_Graph_AddCaption", "FontBold", "Non-zero: bold.", kOnOff},
    {"ae_Graph_AddLegend", "id", "The chart."},
    {"ae_Graph_AddLegend", "Region", "Region index, from 1."},
    {"ae_Graph_AddLegend", "Legend", "One entry per series or slice, separated by ';'."},
    {"ae_Graph_AddLegend", "Alignment", "Where the legend stands.",
     "0=right;1=left;2=top;3=bottom;4=inside top-left;5=inside top-right"},
    {"ae_Graph_AddLegend", "BKColor", "Legend background."},
    {"ae_Graph_AddLegend", "Style", "Flags: 1 no frame, 2 round markers.",
     "0=frame, square;1=no frame, square;2=frame, round;3=no frame, round"},
    {"ae_Graph_AddLegend", "TextColor", "Text colour as a Windows colour number (&HBBGGRR).", "",
     "wincolour"},
    {"ae_Graph_AddLegend", "FontSize", "Points; 0: 9."},
    {"ae_Graph_AddLegend", "FontBold", "Non-zero: bold.", kOnOff},
    {"ae_Graph_AddDataAxis", "ID", "The chart."},
    {"ae_Graph_AddDataAxis", "Region", "Region index, from 1."},
    {"ae_Graph_AddDataAxis", "Alignment", "Side of the axis.", kAxisSides},
    {"ae_Graph_AddDataAxis", "MinValue", "Lowest value; both 0: chosen from the data."},
    {"ae_Graph_AddDataAxis", "MaxValue", "Highest value; both 0: chosen from the data."},
    {"ae_Graph_AddDataAxis", "TickCount", "Intervals between grid lines; 0: chosen."},
    {"ae_Graph_AddDataAxis", "FontSize", "Points; 0: 9."},
    {"ae_Graph_AddDataAxis", "TextColor", "Tick label colour."},
    {"ae_Graph_AddDataAxis", "LineColor", "Grid line colour."},
    {"ae_Graph_AddDataAxis", "LineStyle", "Grid lines.", kLineStyles},
    {"ae_Graph_AddDataAxis", "DecimalDigits", "Digits after the point in tick labels."},
    {"ae_Graph_AddDataAxis", "Units", "Appended to every tick label, e.g. ' k$'."},
    {"ae_Graph_AddDataAxis", "Text", "Axis title."},
    {"ae_Graph_AddDataAxis", "Labels", "Labels replacing the tick numbers, ';' between."},
    {"ae_Graph_AddDataAxis", "LabelAlignment", "Tick labels.", kTextAngles},
    {"ae_Graph_AddLabelAxis", "ID", "The chart."},
    {"ae_Graph_AddLabelAxis", "Region", "Region index, from 1."},
    {"ae_Graph_AddLabelAxis", "Labels", "Category labels, ';' between: Q1;Q2;Q3."},
    {"ae_Graph_AddLabelAxis", "AxisCount", "Number of categories; 0: from the data."},
    {"ae_Graph_AddLabelAxis", "TickCount", "Label every n-th category; 0 or 1: each."},
    {"ae_Graph_AddLabelAxis", "Alignment", "Side of the axis.", kAxisSides},
    {"ae_Graph_AddLabelAxis", "FontSize", "Points; 0: 9."},
    {"ae_Graph_AddLabelAxis", "TextColor", "Label colour."},
    {"ae_Graph_AddLabelAxis", "TextAlignment", "Labels.", kTextAngles},
    {"ae_Graph_AddLabelAxis", "LineColor", "Lines between categories."},
    {"ae_Graph_AddLabelAxis", "LineStyle", "Lines between categories.", kLineStyles},
    {"ae_Graph_AddLabelAxis", "Text", "Axis title."},
    {"ae_Graph_AddBarSeries", "ID", "The chart."},
    {"ae_Graph_AddBarSeries", "Region", "Region index, from 1."},
    {"ae_Graph_AddBarSeries", "DataValues", "One value per bar, ',' between, '.' for fractions."},
    {"ae_Graph_AddBarSeries", "Type", "How series share a category.",
     "0=grouped;1=stacked;2=stacked to 100 %"},
    {"ae_Graph_AddBarSeries", "Style", "Flags: 1 darker outline, 2 shaded.",
     "0=flat;1=outline;2=shaded;3=outline and shaded"},
    {"ae_Graph_AddBarSeries", "IsLucent", "Non-zero: translucent.", kOnOff},
    {"ae_Graph_AddBarSeries", "Color", "Bar colour."},
    {"ae_Graph_AddBarSeries", "IsHorizontal", "Non-zero: horizontal bars.", kOnOff},
    {"ae_Graph_AddBarSeries", "WhichDataAxis", "1 (or 0): first data axis, 2: second.",
     "1=first;2=second"},
    {"ae_Graph_AddBarSeries", "ValueLabelOn", "Value labels.",
     "0=none;1=beyond the bar;2=inside the bar"},
    {"ae_Graph_AddBarSeries", "PointsPerColumn", "Values per category column; 0 or 1: one."},
    {"ae_Graph_AddBarSeries", "HatchMode", "Hatch pattern.", kHatches},
    {"ae_Graph_AddGridlessSeries", "Id", "The chart."},
    {"ae_Graph_AddGridlessSeries", "Region", "Region index, from 1."},
    {"ae_Graph_AddGridlessSeries", "Data", "One value per slice, ',' between."},
    {"ae_Graph_AddGridlessSeries", "Colors", "Slice colours, ',' between; 0: default palette."},
    {"ae_Graph_AddGridlessSeries", "Style", "Kind of chart.", "1=pie;2=donut;3=pyramid"},
    {"ae_Graph_AddGridlessSeries", "Alignment", "Place in the region.", "0=centred;1=left;2=right"},
    {"ae_Graph_AddGridlessSeries", "Explode", "0 none; k: slice k pulled out; -1: all."},
    {"ae_Graph_AddGridlessSeries", "Lucent", "Non-zero: translucent.", kOnOff},
    {"ae_Graph_AddGridlessSeries", "ValueLabel", "Labels on the slices.",
     "0=none;1=values;2=percentages;3=both"},
    {"ae_Graph_AddGridlessSeries", "Hatch", "Hatch pattern over every slice.", kHatches},
    {"ae_Graph_AddGridlessSeries", "StartAngle", "Degrees clockwise from 12 o'clock."},
    {"ae_Graph_Draw2File", "Id", "The chart."},
    {"ae_Graph_Draw2File", "TargetFileName", "File written; .png .jpg .bmp .svg .pdf."},
    {"ae_Graph_Draw2File", "width", "0: the chart's own width."},
    {"ae_Graph_Draw2File", "height", "0: the chart's own height."},
    {"ae_Graph_Draw2File", "JPGQuality", "1-100; 0: 90."},
    {"ae_Graph_WriteRMCFile", "id", "The chart."},
    {"ae_Graph_WriteRMCFile", "TargetFile.RMC", "Chart file written."},
};

std::string KindName(Field kind) {
  switch (kind) {
    case Field::kInteger: return "integer";
    case Field::kColour: return "colour";
    case Field::kText100:
    case Field::kText256:
    case Field::kText1000: return "text";
    case Field::kValueList: return "values";
    case Field::kColourList: return "colours";
  }
  return "text";
}

FileUse FileUseOf(std::string_view field) {
  if (field == "BGImage" || field == "SourceFile") return FileUse::kReads;
  if (field == "TargetFileName" || field == "TargetFile.RMC") return FileUse::kWrites;
  return FileUse::kNone;
}

std::vector<std::pair<std::string, std::string>> Choices(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> out;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(';'), text.size());
    const std::string_view item = text.substr(0, end);
    const std::size_t equals = item.find('=');
    out.emplace_back(std::string(item.substr(0, equals)), std::string(item.substr(equals + 1)));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return out;
}

std::vector<ActionReference> MakeActions() {
  std::vector<ActionReference> actions;
  for (const Row& row : kRows) {
    if (row.actionId == 0) continue;
    ActionReference action{std::string(row.name), row.actionId, std::string(row.title), {}};
    std::string_view usage = row.usage;
    for (std::size_t i = 0; i < row.kinds.size(); ++i) {
      const std::size_t bar = std::min(usage.find('|'), usage.size());
      FieldReference field;
      field.name = std::string(usage.substr(0, bar));
      usage.remove_prefix(std::min(bar + 1, usage.size()));
      field.kind = KindName(row.kinds[i]);
      field.size = static_cast<int>(charts::TextBufferSize(row.kinds[i])) - 1;
      field.file = FileUseOf(field.name);
      for (const Note& note : kNotes) {
        if (note.action != row.name || note.field != field.name) continue;
        field.meaning = note.meaning;
        field.choices = Choices(note.choices);
        if (!note.kind.empty()) field.kind = note.kind;
      }
      action.fields.push_back(std::move(field));
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

std::string HexColour(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "#";
  for (const std::uint32_t part : {red, green, blue}) {
    out += kDigits[(part >> 4) & 0xFu];
    out += kDigits[part & 0xFu];
  }
  return out;
}

}  // namespace

const std::vector<ActionReference>& Actions() {
  static const std::vector<ActionReference> actions = MakeActions();
  return actions;
}

const ActionReference* FindActionReference(std::string_view name) {
  for (const ActionReference& action : Actions()) {
    if (action.name == name) return &action;
  }
  return nullptr;
}

const ActionReference* FindActionReference(std::int32_t actionId) {
  for (const ActionReference& action : Actions()) {
    if (action.actionId == actionId) return &action;
  }
  return nullptr;
}

nlohmann::json ReadValue(const FieldReference& field, std::string_view text) {
  if (field.kind == "integer") return params::ToInt32(params::ParseNumber(text));
  if (field.kind == "colour") {
    // As the plug-in builds it (params::ColourPattern, which this library
    // cannot link without an engine): "&HFF" + characters 6-7, 4-5, 2-3,
    // read as a number, 0xFFBBGGRR.
    text = text.substr(0, text.find('\0'));
    std::string built = "&HFF";
    for (const std::size_t from : {std::size_t{5}, std::size_t{3}, std::size_t{1}}) {
      if (from < text.size()) built += text.substr(from, 2);
    }
    const params::Number number = params::ParseNumber(built);
    const auto pattern = number.kind == params::Number::Kind::kRadix
                             ? static_cast<std::uint32_t>(number.radixValue)
                             : 0u;
    return HexColour(pattern & 0xFFu, (pattern >> 8) & 0xFFu, (pattern >> 16) & 0xFFu);
  }
  if (field.kind == "wincolour") {
    const auto value = static_cast<std::uint32_t>(params::ToInt32(params::ParseNumber(text)));
    return nlohmann::json{
        {"number", static_cast<std::int32_t>(value)},
        {"colour", HexColour(value & 0xFFu, (value >> 8) & 0xFFu, (value >> 16) & 0xFFu)}};
  }
  if (field.kind == "values" || field.kind == "colours") {
    return params::CountFields(text, ",");
  }
  const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(field.size));
  return std::string(text.substr(0, kept));
}

nlohmann::json ReferenceJson() {
  nlohmann::json out = nlohmann::json::array();
  for (const ActionReference& action : Actions()) {
    nlohmann::json fields = nlohmann::json::array();
    for (const FieldReference& field : action.fields) {
      nlohmann::json choices = nlohmann::json::array();
      for (const auto& [value, meaning] : field.choices) {
        choices.push_back({{"value", value}, {"meaning", meaning}});
      }
      fields.push_back({{"name", field.name},
                        {"kind", field.kind},
                        {"size", field.size},
                        {"meaning", field.meaning},
                        {"choices", choices}});
    }
    out.push_back({{"name", action.name},
                   {"id", action.actionId},
                   {"title", text::ToUtf8(action.title, 1251)},  // the catalogue's Cyrillic
                   {"fields", fields}});
  }
  return out;
}

}  // namespace vantiro::testhost::designer
