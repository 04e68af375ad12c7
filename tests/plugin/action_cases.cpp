#include "tests/plugin/action_cases.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {
namespace {

// Expected message texts, written out here independently of the plug-in.
constexpr const char* kWrongId = "Wrong control ID (0 or no chart with this control ID was found).";
constexpr const char* kCtrlId = "Error on CtrlID Value";
constexpr const char* kRegionLimit =
    "The region index exceeds the maximum possible numbers of regions (6) within a "
    "chart control.";
constexpr const char* kNoRegion = "The region index is inexistent in the chart control.";

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

constexpr std::array<ActionInfo, 15> kInfos = {{
    {2, "RMC_CREATECHART", "ae_Graph_CreateChartStatus"},
    {3, "RMC_DELETECHART", "ae_Graph_DeleteChartStatus"},
    {5, "RMC_ADDREGION", "ae_Graph_AddRegionStatus"},
    {6, "RMC_DRAW", "ae_Graph_DrawStatus"},
    {7, "RMC_ADDGRIDLESSSERIES", "ae_Graph_AddGridLessSeriesStatus"},
    {8, "RMC_DRAW2FILE", "ae_Graph_Draw2FileStatus"},
    {9, "RMC_CREATECHARTFROMFILE", "ae_Graph_CreateChartFromFileStatus"},
    {10, "RMC_ADDCAPTION", "ae_Graph_AddCaptionStatus"},
    {11, "RMC_WRITERMCFILE", "ae_Graph_WriteRMCFileStatus"},
    {13, "RMC_ADDLEGEND", "ae_Graph_AddLegendStatus"},
    {14, "RMC_ADDBARSERIES", "ae_Graph_AddBarSeriesStatus"},
    {15, "RMC_ADDGRID", "ae_Graph_AddGridStatus"},
    {16, "RMC_ADDDATAAXIS", "ae_Graph_AddDataAxisStatus"},
    {17, "RMC_ADDLABELAXIS", "ae_Graph_AddLabelAxisStatus"},
    {12, "RMC_DRAW2PRINTER", "ae_Graph_Draw2PrinterStatus"},
}};

ActionCase Ok(std::string label, std::int32_t id, std::optional<std::string> parameters,
              std::vector<std::string> calls) {
  ActionCase c;
  c.label = std::move(label);
  c.actionId = id;
  c.parameters = std::move(parameters);
  c.calls = std::move(calls);
  c.status = "Ok";
  return c;
}

// One action's result table: its codes in order with their messages
// (nullopt: no message of its own), and whether a failure deletes.
struct ResultTable {
  std::int32_t actionId;
  std::string parameters;
  std::vector<std::string> calls;  // of the action, before any deletion
  std::int32_t controlId;
  bool deletes;
  std::vector<std::pair<std::int32_t, std::optional<std::string>>> codes;
};

void AddResultCases(std::vector<ActionCase>& cases, const ResultTable& t) {
  auto failed = [&](std::string label, std::int32_t code) {
    ActionCase c;
    c.label = std::string(InfoOf(t.actionId).engineFunction) + " " + label;
    c.actionId = t.actionId;
    c.parameters = t.parameters;
    c.engineResult = code;
    c.calls = t.calls;
    if (t.deletes) c.calls.push_back("RMC_DELETECHART(" + std::to_string(t.controlId) + ")");
    return c;
  };
  for (const auto& [code, message] : t.codes) {
    ActionCase c = failed("code " + std::to_string(code), code);
    if (message) {
      c.status = message;
    } else {
      c.preset = "left over";
      c.status = "left over";
    }
    cases.push_back(c);
  }
  // A code no action lists: the leftover text, null right after loading,
  // and never a leftover "Ok".
  ActionCase leftover = failed("unlisted, leftover text", -99);
  leftover.preset = "earlier|text";
  leftover.status = "earlier|text";
  cases.push_back(leftover);
  ActionCase unset = failed("unlisted, nothing stored yet", -99);
  unset.status = std::nullopt;
  cases.push_back(unset);
  ActionCase okLeft = failed("unlisted after Ok", -99);
  okLeft.preset = "Ok";
  okLeft.status = "Error";
  cases.push_back(okLeft);
}

}  // namespace

const ActionInfo& InfoOf(std::int32_t actionId) {
  for (const ActionInfo& info : kInfos) {
    if (info.actionId == actionId) return info;
  }
  static const ActionInfo none{0, "", ""};
  return none;
}

std::vector<ActionCase> DecodingCases() {
  const std::string c150 = Repeat('c', 150);
  const std::string c99 = Repeat('c', 99);
  return {
      // ae_Graph_CreateChart: 13 fields, control ID in field 2.
      Ok("create, all fields", 2, "100|1|10|20|300|200|#FF0000|1|0|bg.png|Arial|150|#0080FF",
         {"RGB2ARGB(0xFF0000FF, 0)", "RGB2ARGB(0xFFFF8000, 0)",
          "RMC_CREATECHART(100, 1, 10, 20, 300, 200, 0xFE0000FF, 1, 0, \"bg.png\", "
          "\"Arial\", 150, 0xFEFF8000)"}),
      Ok("create, missing fields", 2, "100|1",
         {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_CREATECHART(100, 1, 0, 0, 0, 0, 0x010000FF, 0, 0, \"\", \"\", 0, 0x010000FF)"}),
      Ok("create, texts cut to 99", 2, "-1|2|0|0|0|0|#000000|0|0|" + c150 + "|" + c150 + "|0|x",
         {"RGB2ARGB(0xFF000000, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_CREATECHART(4294967295, 2, 0, 0, 0, 0, 0xFE000000, 0, 0, " + Quote(c99) + ", " +
              Quote(c99) + ", 0, 0x010000FF)"}),
      Ok("create, null parameter", 2, std::nullopt,
         {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_CREATECHART(0, 0, 0, 0, 0, 0, 0x010000FF, 0, 0, \"\", \"\", 0, 0x010000FF)"}),
      // ae_Graph_CreateChartfromFile
      Ok("create from file", 9, "100|1|10|20|1|chart.rmc|ignored",
         {"RMC_CREATECHARTFROMFILE(100, 1, 10, 20, 1, \"chart.rmc\")"}),
      Ok("create from file, name cut to 99", 9, "100|1|0|0|0|" + c150,
         {"RMC_CREATECHARTFROMFILE(100, 1, 0, 0, 0, " + Quote(c99) + ")"}),
      // ae_Graph_Draw, ae_Graph_DeleteChart: field 1 only.
      Ok("draw, second field ignored", 6, "7|9", {"RMC_DRAW(7)"}),
      Ok("delete, second field ignored", 3, "7|12", {"RMC_DELETECHART(7)"}),
      // ae_Graph_AddRegion
      Ok("region", 5, "1|10|20|300|200|Turnover|1",
         {"RMC_ADDREGION(1, 10, 20, 300, 200, \"Turnover\", 1)"}),
      Ok("region, missing fields", 5, "1|0|0", {"RMC_ADDREGION(1, 0, 0, 0, 0, \"\", 0)"}),
      Ok("region, footer cut to 99", 5, "1|0|0|5|5|" + c150 + "|0",
         {"RMC_ADDREGION(1, 0, 0, 5, 5, " + Quote(c99) + ", 0)"}),
      Ok("region, halves to even", 5, "1|0|0|2.5|3.5|x|1|extra",
         {"RMC_ADDREGION(1, 0, 0, 2, 4, \"x\", 1)"}),
      Ok("region, bytes pass unconverted", 5, "1|0|0|0|0|\xCF\xF0 \t\r|0",
         {"RMC_ADDREGION(1, 0, 0, 0, 0, \"\\xCF\\xF0 \\x09\\x0D\", 0)"}),
      // ae_Graph_AddGrid: BiColor is a number.
      Ok("grid", 15, "1|2|#FF0000|1|5|6|70|80|&HFF00FF",
         {"RGB2ARGB(0xFF0000FF, 0)", "RMC_ADDGRID(1, 2, 0xFE0000FF, 1, 5, 6, 70, 80, 16711935)"}),
      Ok("grid, BiColor in colour form", 15, "1|2|#FF0000|0|0|0|0|0|#FF0000",
         {"RGB2ARGB(0xFF0000FF, 0)", "RMC_ADDGRID(1, 2, 0xFE0000FF, 0, 0, 0, 0, 0, 0)"}),
      // ae_Graph_AddCaption: both colours through the colour rule.
      Ok("caption", 10, "1|1|Sales 2024|#FFFFFF|#000000|12|1",
         {"RGB2ARGB(0xFFFFFFFF, 0)", "RGB2ARGB(0xFF000000, 0)",
          "RMC_ADDCAPTION(1, 1, \"Sales 2024\", 0xFEFFFFFF, 0xFE000000, 12, 1)"}),
      Ok("caption, cut to 99, short colours", 10, "1|1|" + c150 + "|#FFF|#GG0000",
         {"RGB2ARGB(0x000FFFFF, 0)", "RGB2ARGB(0x00FF0000, 0)",
          "RMC_ADDCAPTION(1, 1, " + Quote(c99) + ", 0x010FFFFF, 0x01FF0000, 0, 0)"}),
      // ae_Graph_AddLegend: 1000-byte text, TextColor a number.
      Ok("legend", 13, "1|1|North*South|2|#FFFFFF|0|&HFF0000|10|0",
         {"RGB2ARGB(0xFFFFFFFF, 0)",
          "RMC_ADDLEGEND(1, 1, \"North*South\", 2, 0xFEFFFFFF, 0, 16711680, 10, 0)"}),
      Ok("legend, 500 characters pass whole", 13, "1|1|" + Repeat('l', 500) + "|0|#000000",
         {"RGB2ARGB(0xFF000000, 0)",
          "RMC_ADDLEGEND(1, 1, " + Quote(Repeat('l', 500)) + ", 0, 0xFE000000, 0, 0, 0, 0)"}),
      Ok("legend, cut to 999, colour-form TextColor", 13,
         "1|1|" + Repeat('l', 1200) + "|0|#000000|0|#FF0000",
         {"RGB2ARGB(0xFF000000, 0)",
          "RMC_ADDLEGEND(1, 1, " + Quote(Repeat('l', 999)) + ", 0, 0xFE000000, 0, 0, 0, 0)"}),
      // ae_Graph_AddDataAxis: limits rounded then widened, alignment by address.
      Ok("data axis", 16, "1|1|0|0.5|99.5|5|8|#000000|#FF0000|0|1|EUR|Turnover|a*b|2",
         {"RGB2ARGB(0xFF000000, 0)", "RGB2ARGB(0xFF0000FF, 0)",
          "RMC_ADDDATAAXIS(1, 1, 0, 0, 100, 5, 8, 0xFE000000, 0xFE0000FF, 0, 1, \"EUR\", "
          "\"Turnover\", \"a*b\", &2)"}),
      Ok("data axis, min above max, 1.5", 16, "1|1|0|1.5|-10",
         {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDDATAAXIS(1, 1, 0, 2, -10, 0, 0, 0x010000FF, 0x010000FF, 0, 0, \"\", \"\", "
          "\"\", &0)"}),
      Ok("data axis, texts cut to 99", 16,
         "1|1|0|0|0|0|0|#000000|#000000|0|0|" + c150 + "|" + c150 + "|" + c150 + "|1",
         {"RGB2ARGB(0xFF000000, 0)", "RGB2ARGB(0xFF000000, 0)",
          "RMC_ADDDATAAXIS(1, 1, 0, 0, 0, 0, 0, 0xFE000000, 0xFE000000, 0, 0, " + Quote(c99) +
              ", " + Quote(c99) + ", " + Quote(c99) + ", &1)"}),
      // ae_Graph_AddLabelAxis
      Ok("label axis", 17, "1|1|Q1*Q2*Q3|1|3|0|9|#000000|1|#0080FF|0|Quarter",
         {"RGB2ARGB(0xFF000000, 0)", "RGB2ARGB(0xFFFF8000, 0)",
          "RMC_ADDLABELAXIS(1, 1, \"Q1*Q2*Q3\", 1, 3, 0, 9, 0xFE000000, 1, 0xFEFF8000, 0, "
          "\"Quarter\")"}),
      Ok("label axis, labels cut to 99", 17, "1|1|" + Repeat('q', 120),
         {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDLABELAXIS(1, 1, " + Quote(Repeat('q', 99)) +
              ", 0, 0, 0, 0, 0x010000FF, 0, 0x010000FF, 0, \"\")"}),
      // ae_Graph_AddBarSeries: values stay doubles.
      Ok("bar series", 14, "1|1|10,20.5,30|0|1|0|#FF0000|0|1|1|1|0",
         {"RGB2ARGB(0xFF0000FF, 0)",
          "RMC_ADDBARSERIES(1, 1, [10, 20.5, 30], 3, 0, 1, 0, 0xFE0000FF, 0, 1, 1, 1, 0)"}),
      Ok("bar series, empty list", 14, "1|1||0|0|0|#FF0000",
         {"RGB2ARGB(0xFF0000FF, 0)",
          "RMC_ADDBARSERIES(1, 1, [0], 1, 0, 0, 0, 0xFE0000FF, 0, 0, 0, 0, 0)"}),
      Ok("bar series, empty items", 14, "2|3|1,,3",
         {"RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDBARSERIES(2, 3, [1, 0, 3], 3, 0, 0, 0, 0x010000FF, 0, 0, 0, 0, 0)"}),
      Ok("bar series, trailing comma, fractions", 14, "1|1|0.25,-3.25,",
         {"RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDBARSERIES(1, 1, [0.25, -3.25, 0], 3, 0, 0, 0, 0x010000FF, 0, 0, 0, 0, 0)"}),
      // ae_Graph_AddGridlessSeries: colour list, or exactly "0" for none.
      Ok("gridless series", 7, "1|1|30,70|#FF0000,#00FF00|0|1|0|0|1|0|90",
         {"RGB2ARGB(0xFF0000FF, 0)", "RGB2ARGB(0xFF00FF00, 0)",
          "RMC_ADDGRIDLESSSERIES(1, 1, [30, 70], 2, [0xFE0000FF, 0xFE00FF00], 2, 0, 1, 0, 0, "
          "1, 0, 90)"}),
      Ok("gridless series, no colours", 7, "1|1|30,70|0|2",
         {"RMC_ADDGRIDLESSSERIES(1, 1, [30, 70], 2, []->0x00000000, 0, 2, 0, 0, 0, 0, 0, 0)"}),
      Ok("gridless series, blank zero is a colour", 7, "1|1|5| 0",
         {"RGB2ARGB(0x00000FF0, 0)",
          "RMC_ADDGRIDLESSSERIES(1, 1, [5], 1, [0x01000FF0], 1, 0, 0, 0, 0, 0, 0, 0)"}),
      Ok("gridless series, empty colour field", 7, "1|1|5|",
         {"RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDGRIDLESSSERIES(1, 1, [5], 1, [0x010000FF], 1, 0, 0, 0, 0, 0, 0, 0)"}),
      Ok("gridless series, counts independent", 7, "1|1|1,2,3|#FF0000,,,#FF0000,",
         {"RGB2ARGB(0xFF0000FF, 0)", "RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RGB2ARGB(0xFF0000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
          "RMC_ADDGRIDLESSSERIES(1, 1, [1, 2, 3], 3, [0xFE0000FF, 0x010000FF, 0x010000FF, "
          "0xFE0000FF, 0x010000FF], 5, 0, 0, 0, 0, 0, 0, 0)"}),
      // ae_Graph_Draw2File, ae_Graph_WriteRMCFile
      Ok("draw to file", 8, "1|chart.png|800.5|801.5|90",
         {"RMC_DRAW2FILE(1, \"chart.png\", 800, 802, 90)"}),
      Ok("draw to file, control ID only", 8, "1", {"RMC_DRAW2FILE(1, \"\", 0, 0, 0)"}),
      Ok("draw to file, name cut to 99", 8, "1|" + c150 + "|1|2|3",
         {"RMC_DRAW2FILE(1, " + Quote(c99) + ", 1, 2, 3)"}),
      Ok("write chart file", 11, "1|out.rmc|x", {"RMC_WRITERMCFILE(1, \"out.rmc\")"}),
      Ok("write chart file, name cut to 255", 11, "3|" + Repeat('f', 300),
         {"RMC_WRITERMCFILE(3, " + Quote(Repeat('f', 255)) + ")"}),
  };
}

std::vector<ActionCase> ResultCases() {
  const std::vector<std::pair<std::int32_t, std::optional<std::string>>> creation = {
      {-10, "Error on Rectangle Handle"},
      {-6, kCtrlId},
      {-1, "The maximum count of control instances (20) within one programm is exceeded"},
      {-14, "No GDIPLUS.DLL was found."},
      {-11, "Error while creating window with CREATEWINDOWEX."},
  };
  auto fromFile = creation;
  fromFile.push_back({-15, "Error opening SourceFile."});
  auto createOnly = creation;
  createOnly.push_back({-15, std::nullopt});

  const std::vector<ResultTable> tables = {
      {2,
       "100|7||||||||||",
       {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
        "RMC_CREATECHART(100, 7, 0, 0, 0, 0, 0x010000FF, 0, 0, \"\", \"\", 0, 0x010000FF)"},
       7,
       true,
       createOnly},
      {9,
       "100|7|0|0|0|missing.rmc",
       {"RMC_CREATECHARTFROMFILE(100, 7, 0, 0, 0, \"missing.rmc\")"},
       7,
       true,
       fromFile},
      {5,
       "0|1|1|1|1|f|0",
       {"RMC_ADDREGION(0, 1, 1, 1, 1, \"f\", 0)"},
       0,
       true,
       {{-6, kWrongId}, {-2, kRegionLimit}, {-9, std::nullopt}}},
      {15,
       "3|1",
       {"RGB2ARGB(0x000000FF, 0)", "RMC_ADDGRID(3, 1, 0x010000FF, 0, 0, 0, 0, 0, 0)"},
       3,
       true,
       {{-6, kWrongId}, {-2, kRegionLimit}, {-9, kNoRegion}, {-4, std::nullopt}}},
      {10,
       "3|1|t",
       {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
        "RMC_ADDCAPTION(3, 1, \"t\", 0x010000FF, 0x010000FF, 0, 0)"},
       3,
       true,
       {{-6, kCtrlId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-5, std::nullopt},
        {-4, std::nullopt}}},
      {13,
       "3|1|",
       {"RGB2ARGB(0x000000FF, 0)", "RMC_ADDLEGEND(3, 1, \"\", 0, 0x010000FF, 0, 0, 0, 0)"},
       3,
       true,
       {{-6, kWrongId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-5, "The array with the legend text is empty."},
        {-4, "Error while allocating memory for the legend text."},
        {-3, std::nullopt}}},
      {16,
       "3|1",
       {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
        "RMC_ADDDATAAXIS(3, 1, 0, 0, 0, 0, 0, 0x010000FF, 0x010000FF, 0, 0, \"\", \"\", \"\", "
        "&0)"},
       3,
       true,
       {{-6, kCtrlId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-4, "Error while allocating memory for the axis text."}}},
      {17,
       "3|1",
       {"RGB2ARGB(0x000000FF, 0)", "RGB2ARGB(0x000000FF, 0)",
        "RMC_ADDLABELAXIS(3, 1, \"\", 0, 0, 0, 0, 0x010000FF, 0, 0x010000FF, 0, \"\")"},
       3,
       true,
       {{-6, kCtrlId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-4, "Error while allocating memory for the Label text."}}},
      {14,
       "3|1|1",
       {"RGB2ARGB(0x000000FF, 0)",
        "RMC_ADDBARSERIES(3, 1, [1], 1, 0, 0, 0, 0x010000FF, 0, 0, 0, 0, 0)"},
       3,
       true,
       {{-6, kWrongId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-4, "Error while allocating memory for the data."},
        {-3,
         "The actual series exceeds the maximum possible numbers of series (15) within a "
         "region."}}},
      {7,
       "3|1|1|0",
       {"RMC_ADDGRIDLESSSERIES(3, 1, [1], 1, []->0x00000000, 0, 0, 0, 0, 0, 0, "
        "0, 0)"},
       3,
       true,
       {{-6, kWrongId},
        {-2, kRegionLimit},
        {-9, kNoRegion},
        {-4, "Error while allocating memory for the data."},
        {-3, std::nullopt}}},
      {8,
       "3|a.png|1|1|1",
       {"RMC_DRAW2FILE(3, \"a.png\", 1, 1, 1)"},
       3,
       false,
       {{-6, kWrongId}, {-20, "Error while creating the EMF file."}, {-26, std::nullopt}}},
      {11,
       "3|a.rmc",
       {"RMC_WRITERMCFILE(3, \"a.rmc\")"},
       3,
       false,
       {{-6, kCtrlId}, {-26, "Error while creating the file."}, {-20, std::nullopt}}},
  };
  std::vector<ActionCase> cases;
  for (const ResultTable& table : tables) AddResultCases(cases, table);

  // Drawing and deletion: every non-zero result is "Error"; nothing more.
  for (const auto& [id, call] : {std::pair{6, "RMC_DRAW(4)"}, std::pair{3, "RMC_DELETECHART(4)"}}) {
    for (const std::int32_t code : {-6, -99, 1}) {
      ActionCase c;
      c.label = std::string(call) + " -> " + std::to_string(code);
      c.actionId = id;
      c.parameters = "4";
      c.engineResult = code;
      c.preset = "left over";
      c.calls = {call};
      c.status = "Error";
      cases.push_back(c);
    }
  }
  return cases;
}

void RunCase(PluginDriver& driver, const ActionCase& c) {
  SCOPED_TRACE(c.label);
  const ActionInfo& info = InfoOf(c.actionId);
  ASSERT_NE(info.actionId, 0) << "no table entry for ActionId " << c.actionId;
  driver.Fresh();
  if (c.preset) {
    const char* preset[] = {c.preset->c_str()};
    driver.Exec(1, preset);
  }
  ASSERT_TRUE(Host().variables.empty());
  driver.PushResult(info.engineFunction, c.engineResult);
  const char* params[] = {c.parameters ? c.parameters->c_str() : nullptr};
  EXPECT_EQ(driver.Exec(c.actionId, params), 1U);
  EXPECT_EQ(driver.EngineCalls(), c.calls);
  const std::vector<Variable> expected = {{info.statusVariable, c.status}};
  EXPECT_EQ(Host().variables, expected);
}

}  // namespace vantiro::plugin_tests
