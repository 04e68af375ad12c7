// Bar geometry: proportions, slots, stacks, orientation, styles and the
// envelope of very long series.
#include <gtest/gtest.h>

#include <algorithm>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

constexpr Argb kPlotColour = 0xFFFAFAF0;
constexpr Argb kRed = 0xFFC00000, kGreen = 0xFF00A000, kBlue = 0xFF0000C0;

// A bar chart with a grid (to find the plot area), a data axis and, when
// labels are given, a label axis.
Chart BarChart(std::vector<BarSeries> series, const std::string& labels = "") {
  Chart chart = OneRegion();
  Region& r = chart.regions[0];
  r.grid.present = true;
  r.grid.background = kPlotColour;
  r.dataAxes.emplace_back();
  if (!labels.empty()) {
    r.hasLabelAxis = true;
    r.labelAxis.labels = labels;
  }
  r.bars = std::move(series);
  return chart;
}

RectShape Plot(const DrawList& list) {
  const std::vector<RectShape> plot = RectsOf(list, kPlotColour);
  EXPECT_EQ(plot.size(), 1u);
  return plot.empty() ? RectShape{} : plot.front();
}

double Bottom(const RectShape& r) { return r.y + r.height; }
double Right(const RectShape& r) { return r.x + r.width; }

// The anchor of the tick label `text`.
Point LabelAt(const DrawList& list, const std::string& text) {
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.text == text) return t.anchor;
  }
  ADD_FAILURE() << "no label " << text;
  return {};
}

TEST(Bars, HeightsAreProportionalAndMeetTheAxis) {
  const std::vector<double> values{10, 20, 35, 50};
  const DrawList list = Lay(BarChart({Bars(values, kRed)}, "A;B;C;D"));
  const std::vector<RectShape> bars = RectsOf(list, kRed);
  ASSERT_EQ(bars.size(), values.size());
  const double perUnit = bars[3].height / 50;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    EXPECT_NEAR(bars[i].height, values[i] * perUnit, 1.0) << i;
    EXPECT_NEAR(Bottom(bars[i]), Bottom(bars[0]), 0.5) << i;
  }
  // 0..50 is the chosen range: the bars stand on "0" and the tallest ends at "50".
  EXPECT_NEAR(Bottom(bars[0]), LabelAt(list, "0").y, 1.0);
  EXPECT_NEAR(bars[3].y, LabelAt(list, "50").y, 1.0);
  const RectShape plot = Plot(list);
  EXPECT_NEAR(Bottom(bars[0]), Bottom(plot), 1.0);
}

TEST(Bars, GroupedBarsShareTheirCategorySlot) {
  const DrawList list = Lay(BarChart(
      {Bars({5, 8, 3, 9, 4}, kRed), Bars({7, 2, 6, 1, 8}, kGreen), Bars({3, 3, 3, 3, 3}, kBlue)},
      "Mon;Tue;Wed;Thu;Fri"));
  const RectShape plot = Plot(list);
  const double slot = plot.width / 5;
  const std::vector<RectShape> series[] = {RectsOf(list, kRed), RectsOf(list, kGreen),
                                           RectsOf(list, kBlue)};
  for (const auto& s : series) ASSERT_EQ(s.size(), 5u);
  for (std::size_t c = 0; c < 5; ++c) {
    const double from = plot.x + slot * double(c), to = from + slot;
    double covered = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      const RectShape& bar = series[k][c];
      EXPECT_GE(bar.x, from - 0.5) << "category " << c << " series " << k;
      EXPECT_LE(Right(bar), to + 0.5) << "category " << c << " series " << k;
      if (k > 0) {
        EXPECT_LE(Right(series[k - 1][c]), bar.x + 1e-9) << "bars overlap in " << c;
      }
      covered += bar.width;
    }
    // Roughly 30 % of each slot stays free between categories.
    EXPECT_NEAR(covered / slot, 0.7, 0.05);
  }
}

TEST(Bars, StackedSegmentsSumUpAndNegativesGoDown) {
  const DrawList list = Lay(BarChart(
      {Bars({10, 20, 30, -8}, kRed, kBarStacked), Bars({5, 5, -5, -4}, kGreen, kBarStacked)},
      "a;b;c;d"));
  const std::vector<RectShape> lower = RectsOf(list, kRed), upper = RectsOf(list, kGreen);
  ASSERT_EQ(lower.size(), 4u);
  ASSERT_EQ(upper.size(), 4u);
  const double perUnit = lower[2].height / 30, base = Bottom(lower[0]);
  // Positive on positive: the second segment starts where the first ends.
  for (std::size_t c = 0; c < 2; ++c) {
    EXPECT_NEAR(Bottom(upper[c]), lower[c].y, 0.5);
    EXPECT_NEAR(Bottom(lower[c]) - upper[c].y, (c == 0 ? 15 : 25) * perUnit, 1.0);
  }
  // A negative value below the base line, however the positives stack.
  EXPECT_NEAR(upper[2].y, base, 0.5);
  EXPECT_NEAR(upper[2].height, 5 * perUnit, 1.0);
  // Two negatives: the second hangs below the first.
  EXPECT_NEAR(lower[3].y, base, 0.5);
  EXPECT_NEAR(upper[3].y, Bottom(lower[3]), 0.5);
  EXPECT_NEAR(Bottom(upper[3]) - base, 12 * perUnit, 1.0);
  // Stacks share one slot position.
  EXPECT_DOUBLE_EQ(lower[0].x, upper[0].x);
}

TEST(Bars, StackedToHundredPercentFillsTheColumn) {
  const DrawList list = Lay(BarChart(
      {Bars({1, 30}, kRed, kBarStacked100), Bars({3, 10}, kGreen, kBarStacked100)}, "x;y"));
  const std::vector<RectShape> a = RectsOf(list, kRed), b = RectsOf(list, kGreen);
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  const RectShape plot = Plot(list);
  for (std::size_t c = 0; c < 2; ++c) {
    EXPECT_NEAR(a[c].height + b[c].height, plot.height, 1.5) << c;
  }
  EXPECT_NEAR(a[0].height / plot.height, 0.25, 0.01);
  EXPECT_NEAR(a[1].height / plot.height, 0.75, 0.01);
  EXPECT_TRUE(HasText(list, "100%"));
  EXPECT_TRUE(HasText(list, "0%"));
}

TEST(Bars, HorizontalBarsGrowRightwardsAndRunDown) {
  BarSeries s = Bars({10, 40, 20}, kRed);
  s.horizontal = 1;
  const DrawList list = Lay(BarChart({s}, "first;second;third"));
  const std::vector<RectShape> bars = RectsOf(list, kRed);
  ASSERT_EQ(bars.size(), 3u);
  const double perUnit = bars[1].width / 40;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(bars[i].x, bars[0].x, 0.5);
    EXPECT_NEAR(bars[i].width, s.values[i] * perUnit, 1.0);
  }
  EXPECT_LT(bars[0].y, bars[1].y);
  EXPECT_LT(bars[1].y, bars[2].y);
  EXPECT_GT(bars[1].width, bars[1].height);
  // Category labels stand left of the bars, value labels below them.
  EXPECT_LT(LabelAt(list, "first").x, bars[0].x);
  EXPECT_GT(LabelAt(list, "40").y, Bottom(bars[2]));
}

TEST(Bars, NegativeValuesHangBelowZero) {
  const DrawList list = Lay(BarChart({Bars({-20, 40}, kRed)}, "a;b"));
  const std::vector<RectShape> bars = RectsOf(list, kRed);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_NEAR(bars[0].y, Bottom(bars[1]), 0.5);  // both meet at zero
  EXPECT_NEAR(bars[0].height * 2, bars[1].height, 1.0);
  EXPECT_NEAR(LabelAt(list, "0").y, bars[0].y, 1.0);
}

TEST(Bars, PointsPerColumnPutsAdjacentBarsInOneColumn) {
  BarSeries s = Bars({1, 2, 3, 4, 5, 6}, kRed);
  s.pointsPerColumn = 3;
  const DrawList list = Lay(BarChart({s}, "Jan;Feb"));
  const std::vector<RectShape> bars = RectsOf(list, kRed);
  ASSERT_EQ(bars.size(), 6u);
  const RectShape plot = Plot(list);
  const double slot = plot.width / 2;
  for (std::size_t i = 0; i < 6; ++i) {
    const double from = plot.x + slot * double(i / 3);
    EXPECT_GE(bars[i].x, from - 0.5) << i;
    EXPECT_LE(Right(bars[i]), from + slot + 0.5) << i;
    if (i % 3 != 0) {
      EXPECT_NEAR(bars[i].x, Right(bars[i - 1]), 0.5) << i;
    }
  }
}

TEST(Bars, SecondDataAxisScalesItsOwnSeries) {
  BarSeries big = Bars({1000}, kGreen);
  big.whichDataAxis = 2;
  Chart chart = BarChart({Bars({10}, kRed), big}, "one");
  chart.regions[0].dataAxes.emplace_back();
  const DrawList list = Lay(chart);
  const std::vector<RectShape> small = RectsOf(list, kRed), large = RectsOf(list, kGreen);
  ASSERT_EQ(small.size(), 1u);
  ASSERT_EQ(large.size(), 1u);
  EXPECT_NEAR(small[0].height, large[0].height, 1.0);
  const RectShape plot = Plot(list);
  EXPECT_GT(LabelAt(list, "1000").x, Right(plot));
  EXPECT_LT(LabelAt(list, "10").x, plot.x);
}

TEST(Bars, StylesReachTheFill) {
  BarSeries plain = Bars({5}, kRed), lucent = Bars({5}, kGreen), fancy = Bars({5}, kBlue);
  lucent.lucent = 1;
  fancy.style = kBarOutline | kBarShaded;
  fancy.hatch = kHatchForwardDiagonal;
  const DrawList list = Lay(BarChart({plain, lucent, fancy}));
  const std::vector<RectShape> p = RectsOf(list, kRed), f = RectsOf(list, kBlue);
  const std::vector<RectShape> l = RectsOf(list, (kGreen & 0x00FFFFFF) | 0x99000000);
  ASSERT_EQ(p.size(), 1u);
  ASSERT_EQ(l.size(), 1u);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(p[0].fill.gradient, Gradient::kNone);
  EXPECT_FALSE(p[0].outlined);
  EXPECT_EQ(f[0].fill.gradient, Gradient::kHorizontal);  // across a standing bar
  EXPECT_EQ(f[0].fill.colour2, kBlue);
  EXPECT_GT(layout::Luminance(f[0].fill.colour), layout::Luminance(kBlue));
  EXPECT_TRUE(f[0].outlined);
  EXPECT_EQ(f[0].fill.hatch, kHatchForwardDiagonal);
  EXPECT_LT(layout::Luminance(f[0].fill.hatchColour), layout::Luminance(kBlue));
}

TEST(Bars, ValueLabelsOutsideAndInside) {
  BarSeries out = Bars({12, 30}, kRed), in = Bars({18, 30}, kGreen);
  out.valueLabels = kBarLabelsOutside;
  in.valueLabels = kBarLabelsInside;
  Chart chart = BarChart({out, in}, "a;b");
  chart.regions[0].dataAxes[0].decimalDigits = 1;
  const DrawList list = Lay(chart);
  const RectShape o = RectsOf(list, kRed)[0], i = RectsOf(list, kGreen)[0];
  const Point above = LabelAt(list, "12.0"), inside = LabelAt(list, "18.0");
  EXPECT_LT(above.y, o.y);
  EXPECT_NEAR(above.x, o.x + o.width / 2, 0.5);
  EXPECT_GT(inside.y, i.y);
  EXPECT_LT(inside.y, Bottom(i));
  EXPECT_NEAR(inside.x, i.x + i.width / 2, 0.5);
}

// The box of a drawn text.
struct Box {
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
};
Box BoxOf(const TextShape& t) {
  Box b;
  for (const Point& p : TextCorners(t)) {
    b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x),
         std::max(b.bottom, p.y)};
  }
  return b;
}

std::vector<TextShape> TextsOf(const DrawList& list, TextRole role) {
  std::vector<TextShape> out;
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.role == role) out.push_back(t);
  }
  return out;
}

TEST(Bars, ValueLabelsAreWrittenAsTheTicksWithTheirUnits) {
  BarSeries s = Bars({4e9, 2.5e9, 3123456789}, kRed);
  s.valueLabels = kBarLabelsOutside;
  Chart chart = BarChart({s}, "a;b;c");
  chart.regions[0].dataAxes[0].units = " $";
  const DrawList list = Lay(chart);
  std::vector<std::string> values, ticks;
  for (const TextShape& t : TextsOf(list, TextRole::kValue)) values.push_back(t.text);
  for (const TextShape& t : TextsOf(list, TextRole::kTick)) ticks.push_back(t.text);
  EXPECT_EQ(values, (std::vector<std::string>{"4 bn $", "2.5 bn $", "3.12 bn $"}));
  EXPECT_NE(std::find(ticks.begin(), ticks.end(), "4 bn $"), ticks.end());
  EXPECT_NE(std::find(ticks.begin(), ticks.end(), "0 $"), ticks.end());
}

TEST(Bars, OutsideLabelsAtARoundEndStayOutsideTheBarInsideThePlot) {
  for (const bool horizontal : {false, true}) {
    for (const double value : {100.0, -100.0, 1e6}) {
      BarSeries s = Bars({value, value / 2}, kRed);
      s.valueLabels = kBarLabelsOutside;
      s.horizontal = horizontal ? 1 : 0;
      Chart chart = BarChart({s}, "a;b");
      chart.regions[0].dataAxes[0].units = " kg";
      const DrawList list = Lay(chart, 400, 300);
      SCOPED_TRACE(testing::Message() << value << (horizontal ? " horizontal" : " vertical"));
      const RectShape plot = Plot(list), bar = RectsOf(list, kRed).at(0);
      const std::vector<TextShape> labels = TextsOf(list, TextRole::kValue);
      ASSERT_EQ(labels.size(), 2u);
      const Box b = BoxOf(labels[0]);
      EXPECT_GE(b.left, plot.x - 0.5);
      EXPECT_LE(b.right, Right(plot) + 0.5);
      EXPECT_GE(b.top, plot.y - 0.5);
      EXPECT_LE(b.bottom, Bottom(plot) + 0.5);
      if (horizontal) {
        EXPECT_TRUE(value > 0 ? b.left >= Right(bar) : b.right <= bar.x);
        EXPECT_TRUE(value > 0 ? Right(bar) < Right(plot) - 2 : bar.x > plot.x + 2);
      } else {
        EXPECT_TRUE(value > 0 ? b.bottom <= bar.y : b.top >= Bottom(bar));
        EXPECT_TRUE(value > 0 ? bar.y > plot.y + 2 : Bottom(bar) < Bottom(plot) - 2);
      }
    }
  }
}

TEST(Bars, HundredPercentStacksKeepTheRangeOfOtherBars) {
  // Grouped 500 and -500, then a 100 % stack: the axis holds all of them.
  for (const bool stackFirst : {false, true}) {
    const BarSeries grouped = Bars({500, -500}, kRed);
    const BarSeries stack = Bars({1, 1}, kGreen, kBarStacked100);
    const DrawList list = Lay(
        BarChart(stackFirst ? std::vector{stack, grouped} : std::vector{grouped, stack}, "a;b"));
    SCOPED_TRACE(stackFirst ? "stack first" : "grouped first");
    const RectShape plot = Plot(list);
    const std::vector<RectShape> bars = RectsOf(list, kRed), column = RectsOf(list, kGreen);
    ASSERT_EQ(bars.size(), 2u);
    ASSERT_EQ(column.size(), 2u);
    EXPECT_GT(bars[0].y, plot.y + 1);
    EXPECT_LT(Bottom(bars[1]), Bottom(plot) - 1);
    EXPECT_NEAR(bars[0].height, bars[1].height, 1.0);
    EXPECT_NEAR(column[0].height * 5, bars[0].height, 2.0);  // 100 % against 500
  }
}

TEST(Bars, MillionCategoriesGetAFewTicksBesideTheirLabels) {
  std::vector<double> values(1000000, 5);
  std::string labels;
  for (int i = 0; i < 1000000; ++i) labels += (i > 0 ? ";" : "") + std::to_string(i);
  for (const bool labelled : {true, false}) {
    Chart chart = BarChart({Bars(values, kRed)});
    Region& r = chart.regions[0];
    r.hasLabelAxis = true;
    r.labelAxis.labels = labelled ? labels : "";
    const DrawList list = Lay(chart);
    const RectShape plot = Plot(list);
    std::vector<double> ticks;  // x of the short vertical lines below the plot
    for (const LineShape& l : All<LineShape>(list)) {
      if (l.points.size() == 2 && l.points[0].x == l.points[1].x &&
          std::min(l.points[0].y, l.points[1].y) >= Bottom(plot) - 1) {
        ticks.push_back(l.points[0].x);
      }
    }
    SCOPED_TRACE(labelled ? "labelled" : "no labels");
    EXPECT_GE(ticks.size(), 3u);
    EXPECT_LE(ticks.size(), 20u);
    const std::vector<TextShape> shown = TextsOf(list, TextRole::kCategory);
    if (labelled) {
      EXPECT_EQ(shown.size(), ticks.size());
      for (std::size_t i = 0; i < std::min(shown.size(), ticks.size()); ++i) {
        EXPECT_NEAR(shown[i].anchor.x, ticks[i], 1.0) << shown[i].text;
      }
      EXPECT_EQ(shown.size() + list.omitted.size() + list.omittedMore, 1000000u);
    }
  }
}

// The envelope: one span per pixel column, from the base line to the
// highest bar in that column.
TEST(Bars, MillionValuesBecomeABoundedEnvelope) {
  for (const std::size_t n : {std::size_t(100000), std::size_t(1000000)}) {
    std::vector<double> values(n);
    for (std::size_t j = 0; j < n; ++j)
      values[j] = j < n / 2 ? 100 + double(j % 7) : 900 + double(j % 5);
    values[n / 4] = 1000;  // one spike in the left half
    const DrawList list = Lay(BarChart({Bars(values, kRed)}));
    EXPECT_TRUE(RectsOf(list, kRed).empty());
    EXPECT_LT(list.shapes.size(), 200u);
    const std::vector<SpanShape> spans = All<SpanShape>(list);
    ASSERT_EQ(spans.size(), 1u);
    const SpanShape& s = spans[0];
    const RectShape plot = Plot(list);
    EXPECT_TRUE(s.vertical);
    EXPECT_EQ(s.colour, kRed);
    ASSERT_EQ(s.from.size(), s.to.size());
    EXPECT_NEAR(double(s.from.size()), plot.width, 2);
    EXPECT_NEAR(s.start, plot.x, 1);
    // The spike stays just below the top, the halves reach 104 and 904.
    const double top = plot.y, base = Bottom(plot);
    const float highest = *std::min_element(s.from.begin(), s.from.end());
    EXPECT_GT(highest, top + 2);
    EXPECT_LT(highest, top + plot.height * 0.3);
    const double perUnit = (base - highest) / 1000;
    const std::size_t quarter = s.from.size() / 4, threeQuarters = 3 * s.from.size() / 4;
    EXPECT_NEAR(s.from[quarter + 3], base - 106 * perUnit, 1.0);
    EXPECT_NEAR(s.from[threeQuarters], base - 904 * perUnit, 1.0);
    for (std::size_t c = 0; c < s.to.size(); ++c) {
      EXPECT_NEAR(s.to[c], base, 0.5) << c;
      if (HasFailure()) break;
    }
  }
}

TEST(Bars, HorizontalEnvelopeRunsAlongRows) {
  std::vector<double> values(200000, 5);
  BarSeries s = Bars(values, kRed);
  s.horizontal = 1;
  const DrawList list = Lay(BarChart({s}));
  const std::vector<SpanShape> spans = All<SpanShape>(list);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_FALSE(spans[0].vertical);
  const RectShape plot = Plot(list);
  EXPECT_NEAR(double(spans[0].from.size()), plot.height, 2);
  EXPECT_NEAR(spans[0].from[10], plot.x, 0.5);  // bars start at zero, on the left
  // and end short of the right edge of the automatic range.
  EXPECT_LT(spans[0].to[10], plot.x + plot.width - 2);
  EXPECT_GT(spans[0].to[10], plot.x + plot.width * 0.7);
}

}  // namespace
}  // namespace vantiro::engine::layout_test
