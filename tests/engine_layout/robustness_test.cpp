// Degenerate charts, sizes and measurers: no crash, no NaN, text inside.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <functional>
#include <limits>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A chart using every part, for the cases to distort.
Chart Everything() {
  Chart chart = OneRegion();
  chart.settings.tooltipWidth = 200;  // hot spots too
  Region& r = chart.regions[0];
  r.footer = "footer";
  r.showBorder = 1;
  r.caption = {true, "Caption", 0xFFFFFFFF, 0xFF000000, 0, 1};
  r.legend = {true, "one;two;three", kLegendRight, 0xFFFFFFFF, 0, 0, 0, 0};
  r.grid = {true, 0xFFFFFFFF, 1, 0, 0, 0, 0, 1};
  DataAxis axis;
  axis.title = "Value";
  axis.units = "%";
  r.dataAxes = {axis, axis};
  r.hasLabelAxis = true;
  r.labelAxis.labels = "a;b;c";
  r.labelAxis.title = "Category";
  r.labelAxis.lineStyle = kLineDot;
  BarSeries bars = Bars({1, 2, 3}, 0xFF4472C4);
  bars.valueLabels = kBarLabelsOutside;
  r.bars = {bars, Bars({3, 2, 1}, 0xFFED7D31, kBarStacked)};
  r.bars[1].whichDataAxis = 2;
  GridlessSeries pie;
  pie.values = {1, 2};
  pie.valueLabels = kGridlessLabelsBoth;
  r.gridless = {pie};
  return chart;
}

struct Case {
  const char* name;
  std::function<void(Chart&)> distort;
};

const Case kCases[] = {
    {"as built", [](Chart&) {}},
    {"no regions", [](Chart& c) { c.regions.clear(); }},
    {"empty region", [](Chart& c) { c.regions[0] = Region{}; }},
    {"zero-size region", [](Chart& c) { c.regions[0].x = 640; }},
    {"extreme region",
     [](Chart& c) {
       Region& r = c.regions[0];
       r.x = INT_MIN, r.y = INT_MAX, r.width = INT_MIN, r.height = INT_MAX;
     }},
    {"huge region", [](Chart& c) { c.regions[0].width = INT_MAX, c.regions[0].height = INT_MAX; }},
    {"empty series",
     [](Chart& c) {
       for (BarSeries& b : c.regions[0].bars) b.values.clear();
       c.regions[0].gridless[0].values.clear();
     }},
    {"all zero",
     [](Chart& c) {
       for (BarSeries& b : c.regions[0].bars) b.values = {0, 0, 0};
       c.regions[0].gridless[0].values = {0, 0};
     }},
    {"non-finite values",
     [](Chart& c) {
       for (BarSeries& b : c.regions[0].bars) b.values = {kNaN, kInf, -kInf};
       c.regions[0].gridless[0].values = {kNaN, kInf, -1};
     }},
    {"huge values",
     [](Chart& c) {
       for (BarSeries& b : c.regions[0].bars) b.values = {1e308, -1e308, 1e300};
       c.regions[0].gridless[0].values = {1e308, 1e308};
     }},
    {"tiny values",
     [](Chart& c) {
       for (BarSeries& b : c.regions[0].bars) b.values = {1e-300, -1e-300, 4e-320};
     }},
    {"min equals max",
     [](Chart& c) {
       for (DataAxis& a : c.regions[0].dataAxes) a.minValue = a.maxValue = 5;
     }},
    {"min above max",
     [](Chart& c) {
       c.regions[0].dataAxes[0].minValue = 100, c.regions[0].dataAxes[0].maxValue = -100;
     }},
    {"non-finite axis range",
     [](Chart& c) {
       c.regions[0].dataAxes[0].minValue = kNaN, c.regions[0].dataAxes[0].maxValue = kInf;
     }},
    {"extreme counts",
     [](Chart& c) {
       Region& r = c.regions[0];
       r.labelAxis.axisCount = INT_MAX;
       r.labelAxis.tickCount = INT_MAX;
       for (DataAxis& a : r.dataAxes) a.tickCount = INT_MAX, a.decimalDigits = INT_MAX;
       for (BarSeries& b : r.bars) b.pointsPerColumn = INT_MAX;
     }},
    {"negative counts",
     [](Chart& c) {
       Region& r = c.regions[0];
       r.labelAxis.axisCount = INT_MIN;
       r.labelAxis.tickCount = -5;
       for (DataAxis& a : r.dataAxes) a.tickCount = -1, a.decimalDigits = -7, a.fontSize = -3;
       for (BarSeries& b : r.bars) b.pointsPerColumn = INT_MIN;
     }},
    {"odd enumerations",
     [](Chart& c) {
       Region& r = c.regions[0];
       r.legend.alignment = 99, r.legend.style = -1;
       r.labelAxis.alignment = -4, r.labelAxis.textAlignment = 7, r.labelAxis.lineStyle = 42;
       for (DataAxis& a : r.dataAxes) a.alignment = 9, a.labelAlignment = -2, a.lineStyle = -1;
       for (BarSeries& b : r.bars) b.type = 77, b.style = -1, b.hatch = 99, b.valueLabels = 5;
       r.gridless[0].style = 9, r.gridless[0].alignment = -1, r.gridless[0].valueLabels = 8;
       r.gridless[0].hatch = -3, r.gridless[0].explode = 12345;
     }},
    {"extreme angles and explode",
     [](Chart& c) {
       c.regions[0].gridless[0].startAngle = INT_MIN;
       c.regions[0].gridless[0].explode = -1;
     }},
    {"pyramid", [](Chart& c) { c.regions[0].gridless[0].style = kGridlessPyramid; }},
    {"empty pyramid",
     [](Chart& c) {
       c.regions[0].gridless[0].style = kGridlessPyramid;
       c.regions[0].gridless[0].values = {-1, 0};
     }},
    {"huge fonts",
     [](Chart& c) {
       Region& r = c.regions[0];
       r.caption.fontSize = INT_MAX, r.legend.fontSize = 10000, r.labelAxis.fontSize = 500;
       for (DataAxis& a : r.dataAxes) a.fontSize = 144;
     }},
    {"long texts",
     [](Chart& c) {
       Region& r = c.regions[0];
       const std::string longText(999, 'W');
       r.caption.text = r.footer = r.labelAxis.title = longText;
       r.legend.text = std::string(500, ';') + longText;
       r.labelAxis.labels = longText + ";" + longText;
       r.dataAxes[0].labels = longText;
       r.dataAxes[0].units = longText;
     }},
    {"many legend entries",
     [](Chart& c) {
       std::string text;
       for (int i = 0; i < 400; ++i) text += "entry;";
       c.regions[0].legend.text = text;
       c.regions[0].legend.alignment = kLegendTop;
     }},
    {"explicit grid outside",
     [](Chart& c) {
       c.regions[0].grid.x = INT_MIN, c.regions[0].grid.y = INT_MAX;
       c.regions[0].grid.width = INT_MAX, c.regions[0].grid.height = 5;
     }},
    {"chart size zero", [](Chart& c) { c.settings.width = 0, c.settings.height = -5; }},
    {"six regions",
     [](Chart& c) {
       for (int i = 1; i < 6; ++i) {
         c.regions.push_back(c.regions[0]);
         c.regions.back().x = 100 * i;
         c.regions.back().width = 90;
       }
     }},
};

class Degenerate : public ::testing::TestWithParam<Case> {};

void ExpectSane(const DrawList& list) {
  EXPECT_TRUE(AllFinite(list));
  int depth = 0;
  for (const Shape& s : list.shapes) {
    if (std::holds_alternative<ClipPush>(s)) ++depth;
    if (std::holds_alternative<ClipPop>(s)) --depth;
    EXPECT_GE(depth, 0);
    if (const auto* t = std::get_if<TextShape>(&s)) {
      EXPECT_GE(t->anchor.x, 0);
      EXPECT_LE(t->anchor.x, list.width);
      EXPECT_GE(t->anchor.y, 0);
      EXPECT_LE(t->anchor.y, list.height);
      EXPECT_FALSE(t->text.empty());
    }
    if (const auto* sp = std::get_if<SpanShape>(&s)) {
      EXPECT_EQ(sp->from.size(), sp->to.size());
    }
  }
  EXPECT_EQ(depth, 0);
  EXPECT_LT(list.shapes.size(), 20000u);
  EXPECT_LE(list.hotSpots.size(), kMaxHotSpots);
  for (const HotSpot& spot : list.hotSpots) {
    EXPECT_GE(spot.polygon.size(), 3u);
    EXPECT_FALSE(spot.text.empty());
  }
}

TEST_P(Degenerate, LaysOutSanely) {
  Chart chart = Everything();
  GetParam().distort(chart);
  for (const auto& [w, h] :
       {std::pair{640, 480}, std::pair{1, 1}, std::pair{7, 3}, std::pair{90, 4000}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const DrawList list = Lay(chart, w, h);
    EXPECT_EQ(list.width, w);
    EXPECT_EQ(list.height, h);
    ExpectSane(list);
  }
}

INSTANTIATE_TEST_SUITE_P(Layout, Degenerate, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           std::string name = param.param.name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(Robustness, TargetSizesAreClamped) {
  const struct {
    int w, h, ew, eh;
  } sizes[] = {
      {0, 480, 0, 480}, {-5, -5, 0, 0}, {INT_MAX, 10, kMaxSide, 10}, {16384, 16384, 16384, 16384}};
  for (const auto& s : sizes) {
    const DrawList list = Lay(Everything(), s.w, s.h);
    EXPECT_EQ(list.width, s.ew);
    EXPECT_EQ(list.height, s.eh);
    if (s.ew == 0 || s.eh == 0) {
      EXPECT_TRUE(list.shapes.empty());
    }
    ExpectSane(list);
  }
}

// Measurers that return nonsense must not break the layout.
class BrokenMeasurer : public TextMeasurer {
 public:
  explicit BrokenMeasurer(TextExtent e) : e_(e) {}
  TextExtent Measure(const Font&, const std::string&) override { return e_; }

 private:
  TextExtent e_;
};

TEST(Robustness, NonsenseMetricsAreSurvived) {
  const TextExtent extents[] = {
      {kNaN, kNaN, kNaN}, {-10, -5, -1}, {0, 0, 0}, {kInf, kInf, kInf}, {1e300, 1, 1}};
  for (const TextExtent& e : extents) {
    BrokenMeasurer measurer(e);
    ExpectSane(LayoutChart(Everything(), 640, 480, measurer));
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
