// Chart files: exact round trips of generated charts, the written form of a
// known chart, and files that are damaged or hostile.
#include "engine/chartfile/chart_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "engine/model/chart_store.h"
#include "tests/engine_model/chart_generator.h"

namespace vantiro::engine {
namespace {

using chartfile::FormatChart;
using chartfile::ParseChart;

namespace fs = std::filesystem;

// A small chart with one of everything.
Chart SampleChart() {
  Chart c;
  c.settings.width = 300;
  c.settings.height = 200;
  c.settings.background = 0xFFFFFFFF;
  c.settings.style = 1;
  c.settings.fontName = "Tahoma";
  Region r;
  r.x = 5, r.y = 5, r.width = -5, r.height = -5;
  r.footer = "Q\"1\\2\n\xC3\xA9";
  r.showBorder = 1;
  r.grid.present = true;
  r.grid.background = 0xFFF0F0F0;
  r.grid.biColour = 1;
  r.caption.present = true;
  r.caption.text = "Turnover";
  r.caption.textColour = 0xFF000000;
  r.caption.fontSize = 12;
  r.legend.present = true;
  r.legend.text = "North;South";
  DataAxis a;
  a.minValue = 0;
  a.maxValue = 100.5;
  a.units = " EUR";
  r.dataAxes.push_back(a);
  r.hasLabelAxis = true;
  r.labelAxis.labels = "Jan;Feb";
  BarSeries b;
  b.values = {10, 20.25, -0.0};
  r.bars.push_back(b);
  GridlessSeries g;
  g.values = {1, 2};
  g.colours = {0xFFFF0000};
  r.gridless.push_back(g);
  c.regions.push_back(r);
  return c;
}

TEST(ChartFileTest, WritesTheDocumentedRecords) {
  const std::string expected =
      "VANTIRO-CHART 2\n"
      "chart 300 200 FFFFFFFF 1 0 00000000 \"Tahoma\" \"\"\n"
      "region 5 5 -5 -5 1 \"Q\\\"1\\\\2\\x0A\\xC3\\xA9\"\n"
      "grid FFF0F0F0 0 0 0 0 0 1\n"
      "caption FFFFFFFF FF000000 12 0 \"Turnover\"\n"
      "legend 0 FFFFFFFF 0 0 0 0 \"North;South\"\n"
      "data-axis 0 0 100.5 0 0 FF000000 FFC0C0C0 0 0 0 \" EUR\" \"\" \"\"\n"
      "label-axis 0 0 0 0 FF000000 0 FFC0C0C0 4 \"Jan;Feb\" \"\"\n"
      "bar-series 3 0 0 0 FF4472C4 0 1 0 0 0\n"
      "values 10 20.25 -0\n"
      "gridless-series 2 1 0 0 0 0 0 0 0\n"
      "values 1 2\n"
      "colours FFFF0000\n"
      "end\n";
  EXPECT_EQ(FormatChart(SampleChart()), expected);
}

TEST(ChartFileTest, GeneratedChartsSurviveFormatAndParseExactly) {
  for (std::uint32_t seed = 1; seed <= 150; ++seed) {
    const Chart original = testing::GenerateChart(seed);
    ASSERT_TRUE(IsValidChart(original)) << "seed " << seed;
    const std::string text = FormatChart(original);
    Chart back;
    ASSERT_TRUE(ParseChart(text, back)) << "seed " << seed;
    EXPECT_TRUE(back == original) << "seed " << seed;
    // The text itself is canonical: writing the reloaded chart repeats it.
    EXPECT_EQ(FormatChart(back), text) << "seed " << seed;
  }
}

TEST(ChartFileTest, AcceptsWindowsLineEndings) {
  std::string text = FormatChart(SampleChart());
  std::string crlf;
  for (char ch : text) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  Chart back;
  ASSERT_TRUE(ParseChart(crlf, back));
  EXPECT_TRUE(back == SampleChart());
}

// Replaces the first occurrence of `from` in the sample file by `to`.
std::string SampleWith(std::string_view from, std::string_view to) {
  std::string text = FormatChart(SampleChart());
  const std::size_t p = text.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos) text.replace(p, from.size(), to);
  return text;
}

std::string Repeat(std::string_view line, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += line;
  return out;
}

const std::string kHead = "VANTIRO-CHART 1\nchart 10 10 FFFFFFFF 0 0 00000000 \"\" \"\"\n";
const std::string kRegion = "region 0 0 0 0 0 \"\"\n";
const std::string kBar = "bar-series 0 0 0 0 FF4472C4 0 1 0 0 0\n";

struct HostileCase {
  const char* what;
  std::string text;
};

TEST(ChartFileTest, RefusesMalformedAndHostileFiles) {
  const HostileCase cases[] = {
      {"empty file", ""},
      {"other magic", SampleWith("VANTIRO-CHART", "VANTIRO-CHARTS")},
      {"newer version", SampleWith("VANTIRO-CHART 2", "VANTIRO-CHART 3")},
      {"no end record", SampleWith("end\n", "")},
      {"text after end", FormatChart(SampleChart()) + "end\n"},
      {"blank line", SampleWith("end\n", "\nend\n")},
      {"end with fields", SampleWith("end\n", "end 1\n")},
      {"unknown record", SampleWith("end\n", "shadow 1\nend\n")},
      {"chart record missing", "VANTIRO-CHART 1\nend\n"},
      {"content before a region", kHead + "grid FFFFFFFF 0 0 0 0 0 0\nend\n"},
      {"seven regions", kHead + Repeat(kRegion, 7) + "end\n"},
      {"sixteen series", kHead + kRegion + Repeat(kBar, 16) + "end\n"},
      {"three data axes",
       kHead + kRegion + Repeat("data-axis 0 0 0 0 0 FF000000 FF000000 0 0 0 \"\" \"\" \"\"\n", 3) +
           "end\n"},
      {"two grids", SampleWith("grid", "grid FFF0F0F0 0 0 0 0 0 1\ngrid")},
      {"two captions", SampleWith("caption", "caption FFFFFFFF FF000000 12 0 \"a\"\ncaption")},
      {"two label axes",
       SampleWith("label-axis", "label-axis 0 0 0 0 FF000000 0 FFC0C0C0 4 \"\" \"\"\nlabel-axis")},
      {"width 0", SampleWith("chart 300", "chart 0")},
      {"width above the maximum", SampleWith("chart 300", "chart 16385")},
      {"negative height", SampleWith("300 200", "300 -200")},
      {"missing field", SampleWith("grid FFF0F0F0 0 0 0 0 0 1", "grid FFF0F0F0 0 0 0 0 0")},
      {"extra field", SampleWith("grid FFF0F0F0 0 0 0 0 0 1", "grid FFF0F0F0 0 0 0 0 0 1 1")},
      {"two spaces", SampleWith("chart 300", "chart  300")},
      {"trailing space", SampleWith("\nend", " \nend")},
      {"tab separator", SampleWith("chart 300", "chart\t300")},
      {"integer overflow", SampleWith("chart 300 200", "chart 300 2147483648")},
      {"fraction in an integer", SampleWith("chart 300", "chart 300.5")},
      {"plus sign", SampleWith("chart 300", "chart +300")},
      {"hex integer", SampleWith("chart 300", "chart 0x12C")},
      {"short colour", SampleWith("FFF0F0F0", "FFF0F0F")},
      {"long colour", SampleWith("FFF0F0F0", "FFF0F0F00")},
      {"colour with a sign", SampleWith("FFF0F0F0", "-FF0F0F0")},
      {"non-hex colour", SampleWith("FFF0F0F0", "FFF0F0FG")},
      {"NaN value", SampleWith("values 10 ", "values nan ")},
      {"infinite value", SampleWith("values 10 ", "values inf ")},
      {"value out of double range", SampleWith("values 10 ", "values 1e999 ")},
      {"NaN axis range", SampleWith("100.5", "nan")},
      {"value with a comma", SampleWith("20.25", "20,25")},
      {"fewer values than counted", SampleWith("bar-series 3", "bar-series 4")},
      {"more values than counted", SampleWith("bar-series 3", "bar-series 2")},
      {"negative count", SampleWith("bar-series 3", "bar-series -3")},
      {"huge count", SampleWith("bar-series 3", "bar-series 2147483647")},
      {"huge colour count", SampleWith("gridless-series 2 1", "gridless-series 2 2147483647")},
      {"seventeen values on a line", kHead + kRegion +
                                         "bar-series 17 0 0 0 FF4472C4 0 1 0 0 0\nvalues" +
                                         Repeat(" 1", 17) + "\nend\n"},
      {"empty values line", SampleWith("values 10 20.25 -0", "values")},
      {"colours where values belong", SampleWith("values 1 2", "colours 1 2")},
      {"unterminated text", SampleWith("\"Turnover\"", "\"Turnover")},
      {"unquoted text", SampleWith("\"Turnover\"", "Turnover")},
      {"text glued to the next field", SampleWith("\"Tahoma\" \"\"", "\"Tahoma\"\"\"")},
      {"unknown escape", SampleWith("Turnover", "Turn\\qover")},
      {"short hex escape", SampleWith("Turnover\"", "Turnover\\x4\"")},
      {"raw high byte in text", SampleWith("Turnover", "Turn\xE9over")},
      {"raw NUL in text", SampleWith("Turnover", std::string("Turn\0over", 9))},
      {"carriage return inside a line", SampleWith("Turnover", "Turn\rover")},
      {"empty legend", SampleWith("\"North;South\"", "\"\"")},
      {"legend of separators", SampleWith("\"North;South\"", "\";;\"")},
      {"text above the length limit",
       SampleWith("\"Turnover\"", "\"" + std::string(kMaxTextLength + 1, 'a') + "\"")},
      {"line above the length limit",
       SampleWith("\"Turnover\"", "\"" + Repeat("\\x41", 300000) + "\"")},
  };
  for (const HostileCase& c : cases) {
    Chart chart;
    EXPECT_FALSE(ParseChart(c.text, chart)) << c.what;
  }
}

TEST(ChartFileTest, EveryTruncationFailsCleanlyOrKeepsTheWholeChart) {
  const Chart original = SampleChart();
  const std::string text = FormatChart(original);
  for (std::size_t length = 0; length < text.size(); ++length) {
    Chart chart;
    if (ParseChart(std::string_view(text).substr(0, length), chart)) {
      // Only the final newline may be missing.
      EXPECT_EQ(length, text.size() - 1);
      EXPECT_TRUE(chart == original);
    }
  }
}

TEST(ChartFileTest, ChangedBytesGiveAnErrorOrAChartThatRoundTrips) {
  const std::string sample = FormatChart(SampleChart());
  const char replacements[] = {'0', '9', '-', '.', 'e', 'F', ' ', '"', '\\', '\n', 'x', '\0'};
  int parsed = 0;
  for (std::size_t i = 0; i < sample.size(); ++i) {
    for (char c : replacements) {
      std::string damaged = sample;
      damaged[i] = c;
      Chart chart;
      if (!ParseChart(damaged, chart)) continue;
      ++parsed;
      ASSERT_TRUE(IsValidChart(chart)) << i << " " << c;
      Chart again;
      ASSERT_TRUE(ParseChart(FormatChart(chart), again));
      EXPECT_TRUE(again == chart);
    }
  }
  EXPECT_GT(parsed, 0);  // many digits can change without breaking the file
}

TEST(ChartFileTest, FuzzSeedsAreValidChartFiles) {
  int seeds = 0;
  for (const auto& entry : fs::directory_iterator(VANTIRO_CHARTFILE_SEEDS)) {
    Chart chart;
    EXPECT_TRUE(chartfile::ReadChartFile(entry.path().string(), chart)) << entry.path();
    ++seeds;
  }
  EXPECT_GE(seeds, 3);
}

class ChartFileOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantiro-chartfile-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
};

TEST_F(ChartFileOnDiskTest, WritesReplacesAndReadsBack) {
  const std::string path = PathOf("chart.chart");
  { std::ofstream(path) << "an older file"; }
  Chart big = testing::GenerateChart(3);
  big.regions.resize(1);
  big.regions[0].bars.resize(1);
  // Large enough to cross the reader's 64 KiB chunks many times.
  big.regions[0].bars[0].values.assign(20000, 0.1);
  ASSERT_TRUE(chartfile::WriteChartFile(big, path));
  EXPECT_EQ(Contents(path), FormatChart(big));
  EXPECT_FALSE(fs::exists(path + ".vantiro-tmp"));
  Chart back;
  ASSERT_TRUE(chartfile::ReadChartFile(path, back));
  EXPECT_TRUE(back == big);
}

TEST_F(ChartFileOnDiskTest, FailsWithoutLeavingFiles) {
  EXPECT_FALSE(chartfile::WriteChartFile(SampleChart(), PathOf("missing-folder/chart.chart")));
  EXPECT_FALSE(chartfile::WriteChartFile(SampleChart(), ""));
  // A folder cannot be replaced by the file; the folder stays as it was.
  fs::create_directories(PathOf("occupied"));
  EXPECT_FALSE(chartfile::WriteChartFile(SampleChart(), PathOf("occupied")));
  EXPECT_TRUE(fs::is_directory(PathOf("occupied")));
  EXPECT_FALSE(fs::exists(PathOf("occupied.vantiro-tmp")));

  Chart chart;
  EXPECT_FALSE(chartfile::ReadChartFile(PathOf("nothing-here.chart"), chart));
  EXPECT_FALSE(chartfile::ReadChartFile("", chart));
}

TEST_F(ChartFileOnDiskTest, ReaderRefusesAnOverlongLineAndTruncatedFiles) {
  const std::string longLine = PathOf("long.chart");
  {
    std::ofstream out(longLine, std::ios::binary);
    out << "VANTIRO-CHART 1\nchart 10 10 FFFFFFFF 0 0 00000000 \"\" \"";
    out << std::string(chartfile::kMaxLineLength + 10, 'a') << "\"\nend\n";
  }
  Chart chart;
  EXPECT_FALSE(chartfile::ReadChartFile(longLine, chart));

  const std::string text = FormatChart(SampleChart());
  const std::string cut = PathOf("cut.chart");
  for (std::size_t length : {std::size_t{0}, std::size_t{15}, std::size_t{16}, text.size() - 5}) {
    { std::ofstream(cut, std::ios::binary) << text.substr(0, length); }
    EXPECT_FALSE(chartfile::ReadChartFile(cut, chart)) << length;
  }
}

// A chart file whose chart record is `length` bytes long, every line ended
// by `ending`. Leading zeros of its width are the only way a record of a
// valid chart grows that long.
std::string FileWithChartLineOf(std::size_t length, const std::string& ending) {
  const std::string head = "chart ", tail = "10 10 FFFFFFFF 0 0 00000000 \"\" \"\"";
  const std::string record = head + std::string(length - head.size() - tail.size(), '0') + tail;
  return "VANTIRO-CHART 1" + ending + record + ending + "end" + ending;
}

TEST_F(ChartFileOnDiskTest, BothReadersTakeLinesUpToTheLimitExactly) {
  const struct {
    std::size_t length;
    const char* ending;
    bool accepted;
  } cases[] = {
      {chartfile::kMaxLineLength, "\n", true},
      {chartfile::kMaxLineLength + 1, "\n", false},
      {chartfile::kMaxLineLength, "\r\n", true},
      {chartfile::kMaxLineLength + 1, "\r\n", false},
  };
  const std::string path = PathOf("limit.chart");
  for (const auto& c : cases) {
    const std::string text = FileWithChartLineOf(c.length, c.ending);
    { std::ofstream(path, std::ios::binary) << text; }
    Chart fromText, fromFile;
    EXPECT_EQ(ParseChart(text, fromText), c.accepted) << c.length << " text";
    EXPECT_EQ(chartfile::ReadChartFile(path, fromFile), c.accepted) << c.length << " file";
    if (c.accepted) {
      EXPECT_EQ(fromFile.settings.width, 10);
    }
  }
}

}  // namespace
}  // namespace vantiro::engine
