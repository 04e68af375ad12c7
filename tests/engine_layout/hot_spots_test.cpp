// Hot spots of value tooltips: only for charts with tooltips, one per bar,
// slice or layer, over it and named after legend entry and category, bounded
// in number; and the hit test that finds them.
#include <gtest/gtest.h>

#include <cstdint>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

constexpr Argb kRed = 0xFFC00000, kBlue = 0xFF0000C0;

Chart BarChart(std::vector<BarSeries> series, const std::string& legend,
               const std::string& labels) {
  Chart chart = OneRegion();
  chart.settings.tooltipWidth = 200;
  Region& r = chart.regions[0];
  r.dataAxes.emplace_back();
  r.dataAxes[0].decimalDigits = 1;
  r.dataAxes[0].units = " k$";
  r.legend.present = !legend.empty();
  r.legend.text = legend;
  r.hasLabelAxis = !labels.empty();
  r.labelAxis.labels = labels;
  r.bars = std::move(series);
  return chart;
}

std::vector<std::string> TextsOf(const DrawList& list) {
  std::vector<std::string> texts;
  for (const HotSpot& spot : list.hotSpots) texts.push_back(spot.text);
  return texts;
}

TEST(HotSpots, OnlyChartsWithTooltipsHaveThem) {
  Chart chart = BarChart({Bars({3, 5}, kRed)}, "", "");
  chart.regions[0].gridless.emplace_back().values = {1, 2};
  const std::pair<std::int32_t, std::size_t> cases[] = {
      {0, 0}, {-1, 0}, {INT32_MIN, 0}, {1, 4}, {INT32_MAX, 4}};
  for (const auto& [width, spots] : cases) {
    chart.settings.tooltipWidth = width;
    EXPECT_EQ(Lay(chart).hotSpots.size(), spots) << width;
  }
}

TEST(HotSpots, OnePerBarOverItNamedAfterSeriesAndCategory) {
  BarSeries south = Bars({-20, 40, 60, 5}, kBlue);
  south.pointsPerColumn = 2;  // two values per category
  Chart chart = BarChart({Bars({135, 0, 80.5}, kRed), south}, "North;South", "Q1;Q2;Q3");
  for (const std::int32_t horizontal : {0, 1}) {
    for (BarSeries& s : chart.regions[0].bars) s.horizontal = horizontal;
    const DrawList list = Lay(chart);
    EXPECT_EQ(TextsOf(list), (std::vector<std::string>{"North, Q1: 135.0 k$", "North, Q3: 80.5 k$",
                                                       "South, Q1: -20.0 k$", "South, Q1: 40.0 k$",
                                                       "South, Q2: 60.0 k$", "South, Q2: 5.0 k$"}));
    std::vector<RectShape> bars;
    for (const RectShape& r : All<RectShape>(list)) {
      // Legend markers are the outlined ones.
      if (!r.outlined && (r.fill.colour == kRed || r.fill.colour == kBlue)) bars.push_back(r);
    }
    ASSERT_EQ(bars.size(), list.hotSpots.size()) << horizontal;
    for (std::size_t i = 0; i < bars.size(); ++i) {
      const RectShape& b = bars[i];
      const std::vector<Point>& corners = list.hotSpots[i].polygon;
      ASSERT_EQ(corners.size(), 4u);
      EXPECT_DOUBLE_EQ(corners[0].x, b.x);
      EXPECT_DOUBLE_EQ(corners[0].y, b.y);
      EXPECT_DOUBLE_EQ(corners[2].x, b.x + b.width);
      EXPECT_DOUBLE_EQ(corners[2].y, b.y + b.height);
      EXPECT_EQ(HotSpotAt(list.hotSpots, {b.x + b.width / 2, b.y + b.height / 2}),
                &list.hotSpots[i]);
    }
    EXPECT_EQ(HotSpotAt(list.hotSpots, {2, 2}), nullptr);
  }
}

TEST(HotSpots, SlicesAndLayersShowValueAndPercent) {
  // Slices take the legend entries after the bar series'.
  Chart chart = BarChart({Bars({5}, kBlue)}, "Sales;Vantiro;Others", "");
  GridlessSeries& s = chart.regions[0].gridless.emplace_back();
  s.values = {38, 62};
  s.colours = {kRed, kBlue};
  for (const std::int32_t style : {kGridlessPie, kGridlessDonut, kGridlessPyramid}) {
    s.style = style;
    const DrawList list = Lay(chart);
    EXPECT_EQ(TextsOf(list),
              (std::vector<std::string>{"Sales: 5.0 k$", "Vantiro: 38 (38%)", "Others: 62 (62%)"}));
    // The mean of the slice's corners lies inside it (even for the donut's).
    const std::vector<Point> corners = PolygonsOf(list, kRed).at(0).points;
    Point mean;
    for (const Point& c : corners) mean = {mean.x + c.x, mean.y + c.y};
    const double n = double(corners.size());
    const HotSpot* spot = HotSpotAt(list.hotSpots, {mean.x / n, mean.y / n});
    ASSERT_NE(spot, nullptr) << style;
    EXPECT_EQ(spot->text, "Vantiro: 38 (38%)");
  }
}

TEST(HotSpots, AreBoundedAndLeftOutOfEnvelopes) {
  Chart wide = BarChart({Bars(std::vector<double>(6000, 1.0), kRed)}, "", "");
  const DrawList list = Lay(wide, 16000, 300);  // bars about two pixels wide
  EXPECT_EQ(RectsOf(list, kRed).size(), 6000u);
  EXPECT_EQ(list.hotSpots.size(), kMaxHotSpots);
  const DrawList envelope = Lay(BarChart({Bars(std::vector<double>(100000, 1.0), kRed)}, "", ""));
  EXPECT_TRUE(envelope.hotSpots.empty());
}

TEST(HotSpotAt, FindsTheLastSpotHoldingThePoint) {
  const std::vector<HotSpot> spots{
      {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, "square"},
      {{{20, 0}, {30, 0}, {30, 4}, {24, 4}, {24, 10}, {20, 10}}, "L"},
      {{{5, 5}, {25, 5}, {5, 25}}, "triangle"},
  };
  const std::pair<Point, const char*> cases[] = {
      {{2, 2}, "square"}, {{6, 6}, "triangle"}, {{28, 2}, "L"}, {{27, 7}, ""}, {{-1, 5}, ""},
  };
  for (const auto& [at, text] : cases) {
    const HotSpot* spot = HotSpotAt(spots, at);
    EXPECT_EQ(spot != nullptr ? spot->text : "", text) << at.x << "," << at.y;
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
