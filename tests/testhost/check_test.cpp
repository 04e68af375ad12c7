// --check: one script line in, the warnings out (field and text), against
// the plug-in's own catalogue; a clean line gives none.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "testhost/core/check.h"

namespace vantiro::testhost {
namespace {

struct Expected {
  int field;
  std::string text;  // a part of the warning's text
};

std::vector<Warning> Check(const std::string& text) {
  Script script;
  ScriptError error;
  EXPECT_TRUE(ParseScript(text, "c.vsc", script, error)) << error.ToString();
  CheckOptions options;
  options.fileExists = [](const std::string& path) { return path == "there.png"; };
  return CheckScript(script, options);
}

TEST(CheckScript, WarnsOfWhatThePlugInWouldReadOtherwise) {
  const std::string create = "ae_Graph_CreateChart 1|1|0|0|300|200|";
  const std::string bars = "ae_Graph_AddBarSeries 1|1|";
  const std::string long100(120, 'x');
  std::string labels;
  for (int i = 0; i < 30; ++i) labels += "Item" + std::to_string(i) + ";";
  const struct {
    std::string line;
    std::vector<Expected> warnings;
  } cases[] = {
      {create + "#FFFFFF|0|0|there.png|Arial|0|#FFFFFF", {}},
      {create + "FFFFFF|0|0|||0|#FFFFFF", {{7, "'FFFFFF' has no leading '#'"}}},
      {create + "#FFF|0|0|||0|#FFFFFF", {{7, "'#FFF' is too short"}}},
      {create + "#GG0000|0|0|||0|#FFFFFF", {{7, "holds 'G', which is no hexadecimal digit"}}},
      {create + "#FFFFFF|0|0|||0|", {{13, "field 13 (BGImageColor): colour is empty"}}},
      {create + "#FFFFFF|0|0|||0",
       {{13, "12 fields, but ae_Graph_CreateChart takes 13"},
        {13, "field 13 (BGImageColor) is missing: the plug-in reads 255, which draws red"}}},
      {"ae_Graph_CreateChart [HostWindow]|1|0|0|300|200|#FFFFFF|0|0|gone.png||0|#FFFFFF",
       {{10, "field 10 (BGImage): the background image 'gone.png' is not there"}}},
      {"ae_Graph_CreateChartfromFile 1|1|0|0|0|gone.rmc", {{6, "the chart file 'gone.rmc'"}}},
      {"ae_Graph_Draw 1|2", {{2, "2 fields, but ae_Graph_Draw takes 1 (ID): the fields after"}}},
      {"ae_Graph_AddCaption \"1|1|Net\\nsales\\tQ1\\x02|#FFFFFF|#1F3864|16|1\"",
       {{3,
         "holds control characters: its line breaks start new lines; its TABs are drawn as "
         "spaces; its other control characters are left out"}}},
      {bars + "10,20.5,30|1|1|0|#FF0000|0|1|0|0|0", {}},
      {bars + "12,05|1|1|0|#FF0000|0|1|0|0|0",
       {{3, "'12,05' looks like a decimal comma: the plug-in reads two values, 12 and 5"}}},
      {bars + "12,5;13,7|1|1|0|#FF0000|0|1|0|0|0",
       {{3,
         "decimal commas and ';' between them: the plug-in separates values at ',' only "
         "and reads 12, 5, 7"}}},
      {bars + "10,abc|1|1|0|#FF0000|0|1|0|0|0", {{3, "value 2 'abc' is read as 0"}}},
      {"ae_Graph_AddGridlessSeries 1|1|1,2|#FF0000,00FF00|0|0|0|0|0|0|0",
       {{4, "colour 2 '00FF00' has no leading '#'"}}},
      {"ae_Graph_AddGridlessSeries 1|1|1,2|0|0|0|0|0|0|0|0", {}},
      {"ae_Graph_AddCaption 1|1|" + long100 + "|#FFFFFF|#000000|10|0",
       {{3,
         "the text has 120 characters, over the field's 99: the plug-in keeps the first 99, "
         "up to '...xxxxxxxxxxxx'"}}},
      {"ae_Graph_AddLabelAxis 1|1|" + labels + "|1|1|1|8|#000000|0|#000000|0|",
       {{3,
         "the ';' list has 200 characters, over the field's 99: the plug-in keeps the first "
         "99, so item 16 of 31 is cut to 'Item' and the items after it are lost"}}},
      {"ae_Graph_AddLegend 1|1|" + long100 + "|1|#FFFFFF|0|#000000|8|0", {}},  // 999 here
      {"ae_Graph_AddCaption 1|1|[Title]|#FFFFFF|#000000|10|0",
       {{0, "[Title] is not set before this line: it reads as the empty text"}}},
      {"!set Title T\nae_Graph_AddCaption 1|1|[Title]|#FFFFFF|#000000|10|0", {}},
      {"ae_Graph_Draw 1\n!echo [ae_Graph_DrawStatus] [HostWindow]", {}},
      {"ae_Graph_CreateChartfromFile 1|1|0|0|0|there.png\n!echo "
       "[ae_Graph_CreateChartFromFileStatus]",
       {}},
      // The traps of a first chart, each with the fix in its words.
      {"ae_Graph_AddLegend 1|1|A;B|0|#FFFFFF|0|#404040|8|0",
       {{7,
         "'#404040' is no Windows colour number: the plug-in reads 0 (black); this field "
         "takes &HBBGGRR, blue first: write &H404040 for the colour #404040"}}},
      {"ae_Graph_AddGrid 1|1|#FFFFFF|0|0|0|0|0|#4472C4",
       {{9, "reads 0 (no bands); this field takes &HBBGGRR, blue first: write &HC47244"}}},
      {"ae_Graph_AddLegend 1|1|A;B|0|#FFFFFF|0|&H404040|8|0", {}},
      {"ae_Graph_Draw2File 1|chart.gif|0|0|0",
       {{2,
         "'chart.gif' is a .gif file, which this engine does not write: the action fails with "
         "\"Error while creating the EMF file.\"; the engine writes .png, .jpg, .jpeg, .bmp, "
         ".svg or .pdf files, chosen by the extension: name it chart.png"}}},
      {"ae_Graph_Draw2File 1|chart|0|0|0", {{2, "'chart' has no extension"}}},
      {"ae_Graph_Draw2File 1|Chart.JPEG|0|0|0", {}},
      {"ae_Graph_AddLegend 1|1|North;South|0|#FFFFFF|0|0|8|0\n" + bars +
           "1|0|0|0|#FF0000|0|1|0|0|0\n" + bars + "2|0|0|0|#FF0000|0|1|0|0|0\n" + bars +
           "3|0|0|0|#FF0000|0|1|0|0|0\nae_Graph_Draw 1",
       {{3,
         "the legend has 2 entries, but region 1 has 3 bar series: the third series has no "
         "entry; give one entry per series, ';' between"}}},
      {"ae_Graph_AddGridlessSeries 1|1|1,2,3|0|1|0|0|0|0|0|0\n"
       "ae_Graph_AddLegend 1|1|A;B;C|0|#FFFFFF|0|0|8|0",
       {}},
      {"ae_Graph_AddLegend 1|1|A|0|#FFFFFF|0|0|8|0\n"
       "ae_Graph_AddGridlessSeries 1|1|1,2,3|0|1|0|0|0|0|0|0",
       {{3, "the legend has 1 entry, but region 1 has 3 slices: the second slice and those"}}},
  };
  for (const auto& c : cases) {
    const std::vector<Warning> warnings = Check(c.line);
    ASSERT_EQ(warnings.size(), c.warnings.size())
        << c.line << "\n"
        << (warnings.empty() ? "" : warnings[0].ToString());
    for (std::size_t i = 0; i < warnings.size(); ++i) {
      EXPECT_EQ(warnings[i].field, c.warnings[i].field) << warnings[i].ToString();
      EXPECT_NE(warnings[i].text.find(c.warnings[i].text), std::string::npos)
          << warnings[i].ToString();
    }
  }
  const std::vector<Warning> two = Check("\n!echo x\nae_Graph_Draw 1|2\n");
  ASSERT_EQ(two.size(), 1u);
  EXPECT_EQ(two[0].ToString().rfind("c.vsc:3: warning: 2 fields", 0), 0u) << two[0].ToString();
}

// A pasted series of 50,000 values is checked in linear time.
TEST(CheckScript, TakesLinearTimeInAListsLength) {
  std::string values;
  for (int i = 0; i < 50000; ++i) values += (i > 0 ? "," : "") + std::to_string(i % 97) + ".5";
  const auto start = std::chrono::steady_clock::now();
  const std::vector<Warning> warnings =
      Check("ae_Graph_AddBarSeries 1|1|" + values + "x|0|0|0|#FF0000|0|1|0|0|0");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].text.find("value 50000"), std::string::npos) << warnings[0].text;
  EXPECT_LT(seconds, 1.0);  // quadratic took 21 s
}

}  // namespace
}  // namespace vantiro::testhost
