// Axes, labels, legend, caption, regions and backgrounds: what the author
// sees around the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

constexpr Argb kPlotColour = 0xFFFAFAF0;

// A typical report chart: caption, three grouped series, both axes with
// titles, a legend below and a footer.
Chart ReportChart(int width, int height, const std::string& labels = "Q1;Q2;Q3;Q4") {
  Chart chart = OneRegion(width, height);
  Region& r = chart.regions[0];
  r.footer = "Source: regional sales reports";
  r.caption = {true, "Quarterly sales", 0xFFFFFFFF, 0xFF1F3864, 16, 1};
  r.grid.present = true;
  r.grid.background = kPlotColour;
  r.grid.biColour = 1;
  DataAxis axis;
  axis.units = " k$";
  axis.title = "Revenue";
  r.dataAxes.push_back(axis);
  r.hasLabelAxis = true;
  r.labelAxis.labels = labels;
  r.labelAxis.title = "Quarter";
  const std::size_t n = layout::SplitList(labels).size();
  for (const Argb colour : {0xFF4472C4u, 0xFFED7D31u, 0xFFA5A5A5u}) {
    std::vector<double> values;
    for (std::size_t i = 0; i < n; ++i) values.push_back(double(90 + (i * 37 + colour) % 80));
    r.bars.push_back(Bars(values, colour));
    r.bars.back().valueLabels = kBarLabelsOutside;
  }
  r.legend.present = true;
  r.legend.text = "North;South;West";
  r.legend.alignment = kLegendBottom;
  return chart;
}

void ExpectTextsInside(const DrawList& list) {
  for (const TextShape& t : All<TextShape>(list)) {
    EXPECT_GE(t.anchor.x, 0) << t.text;
    EXPECT_LE(t.anchor.x, list.width) << t.text;
    EXPECT_GE(t.anchor.y, 0) << t.text;
    EXPECT_LE(t.anchor.y, list.height) << t.text;
    for (const Point& p : TextCorners(t)) {
      EXPECT_GE(p.x, -0.01) << t.text;
      EXPECT_LE(p.x, list.width + 0.01) << t.text;
      EXPECT_GE(p.y, -0.01) << t.text;
      EXPECT_LE(p.y, list.height + 0.01) << t.text;
    }
  }
}

std::vector<TextShape> TextsAt(const DrawList& list, double angle) {
  std::vector<TextShape> out;
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.angle == angle) out.push_back(t);
  }
  return out;
}

TEST(Axes, ReportChartsKeepTextApartAndInside) {
  const std::pair<int, int> sizes[] = {
      {800, 600}, {640, 480}, {400, 300}, {320, 200}, {1600, 1000}};
  const std::string labelSets[] = {
      "Q1;Q2;Q3;Q4",
      "January;February;March;April;May;June;July;August;September;October;November;December",
      "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20;21;22;23;24;25;26;27;28;29;30;31",
  };
  for (const auto& [w, h] : sizes) {
    for (const std::string& labels : labelSets) {
      const DrawList list = Lay(ReportChart(w, h, labels), w, h);
      SCOPED_TRACE(testing::Message() << w << "x" << h << " " << labels.substr(0, 12));
      EXPECT_EQ(OverlappingTexts(list), std::vector<std::string>{});
      ExpectTextsInside(list);
      EXPECT_TRUE(HasText(list, "Quarterly sales"));
      EXPECT_TRUE(HasText(list, "0 k$"));
    }
  }
}

TEST(Axes, LongCategoryLabelsSlantWhenThatShowsThemAll) {
  const DrawList list = Lay(
      ReportChart(
          800, 600,
          "January;February;March;April;May;June;July;August;September;October;November;December"),
      800, 600);
  const std::vector<TextShape> slanted = TextsAt(list, 45);
  ASSERT_EQ(slanted.size(), 12u);
  EXPECT_EQ(slanted.front().text, "January");
  // Each ends at its category's middle, below the plot area.
  const RectShape plot = RectsOf(list, kPlotColour)[0];
  const double slot = plot.width / 12;
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_NEAR(slanted[i].anchor.x, plot.x + slot * (double(i) + 0.5), 0.5);
    EXPECT_GT(slanted[i].anchor.y, plot.y + plot.height);
  }
}

TEST(Axes, CrowdedCategoriesAreThinnedEvenly) {
  std::string labels;
  for (int i = 1; i <= 120; ++i) {
    if (i > 1) labels += ';';
    labels += "Week ";
    labels += std::to_string(i);
  }
  Chart chart = ReportChart(640, 480, labels);
  const DrawList list = Lay(chart);
  std::vector<int> shown;
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.text.rfind("Week ", 0) == 0) shown.push_back(std::atoi(t.text.c_str() + 5));
  }
  ASSERT_GE(shown.size(), 4u);
  EXPECT_LT(shown.size(), 120u);
  EXPECT_EQ(shown[0], 1);
  for (std::size_t i = 1; i < shown.size(); ++i)
    EXPECT_EQ(shown[i] - shown[i - 1], shown[1] - shown[0]);
  EXPECT_TRUE(OverlappingTexts(list).empty());
}

TEST(Axes, TickCountAndOrientationOfTheLabelAxisAreHonoured) {
  Chart chart = ReportChart(800, 600, "a;b;c;d;e;f;g;h");
  chart.regions[0].labelAxis.tickCount = 3;
  chart.regions[0].labelAxis.textAlignment = kTextVertical;
  const DrawList list = Lay(chart, 800, 600);
  std::vector<std::string> vertical;
  for (const TextShape& t : TextsAt(list, 90)) vertical.push_back(t.text);
  // The data axis (drawn first) has its title along it, then every third category.
  EXPECT_EQ(vertical, (std::vector<std::string>{"Revenue", "a", "d", "g"}));
}

TEST(Axes, DataAxisLabelsTitleAndCustomLabels) {
  Chart chart = ReportChart(640, 480);
  const DrawList plain = Lay(chart);
  const RectShape plot = RectsOf(plain, kPlotColour)[0];
  // Numbers with units left of the plot, read from the bottom up.
  double lastY = 1e9;
  int numbers = 0;
  for (const TextShape& t : All<TextShape>(plain)) {
    if (t.role == TextRole::kTick && t.text.size() > 3 &&
        t.text.substr(t.text.size() - 3) == " k$") {
      EXPECT_LT(t.anchor.x, plot.x);
      EXPECT_LT(t.anchor.y, lastY);
      lastY = t.anchor.y;
      ++numbers;
    }
  }
  EXPECT_GE(numbers, 3);
  const std::vector<TextShape> titles = TextsAt(plain, 90);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].text, "Revenue");
  EXPECT_LT(titles[0].anchor.x, plot.x - 20);

  chart.regions[0].dataAxes[0].labels = "Low;Medium;High";
  const DrawList custom = Lay(chart);
  double low = 0, medium = 0, high = 0;
  for (const TextShape& t : All<TextShape>(custom)) {
    if (t.text == "Low") low = t.anchor.y;
    if (t.text == "Medium") medium = t.anchor.y;
    if (t.text == "High") high = t.anchor.y;
    if (t.role == TextRole::kTick) {
      EXPECT_EQ(t.text.find(" k$"), std::string::npos) << t.text;
    }
  }
  EXPECT_NEAR(low, plot.y + plot.height, 1);
  EXPECT_NEAR(high, plot.y, 1);
  EXPECT_NEAR(medium, plot.y + plot.height / 2, 1);
}

TEST(Axes, BandsAlternateBetweenGridLines) {
  for (const std::int32_t bi : {1, 0x00FF00}) {
    Chart chart = ReportChart(640, 480);
    chart.regions[0].grid.biColour = bi;
    chart.regions[0].dataAxes[0].tickCount = 6;
    const DrawList list = Lay(chart);
    const Argb band = bi == 1 ? layout::Darker(kPlotColour, 0.06) : 0xFF00FF00;
    const std::vector<RectShape> bands = RectsOf(list, band);
    const RectShape plot = RectsOf(list, kPlotColour)[0];
    ASSERT_EQ(bands.size(), 3u) << bi;  // six intervals, every second painted
    for (const RectShape& b : bands) {
      EXPECT_NEAR(b.height, plot.height / 6, 0.01);
      EXPECT_DOUBLE_EQ(b.width, plot.width);
    }
  }
}

TEST(Legend, MarkersTakeTheSeriesColoursInOrder) {
  Chart chart = ReportChart(640, 480);
  chart.regions[0].legend.textColour = 0x0000FF;  // red, as a Windows colour number
  const DrawList list = Lay(chart);
  const Argb colours[] = {0xFF4472C4u, 0xFFED7D31u, 0xFFA5A5A5u};
  const char* names[] = {"North", "South", "West"};
  const RectShape plot = RectsOf(list, kPlotColour)[0];
  double lastX = -1;
  for (int i = 0; i < 3; ++i) {
    // A square marker just left of its entry, below the plot area.
    const std::vector<RectShape> markers = RectsOf(list, colours[i]);
    const RectShape& marker = markers.back();
    const auto texts = All<TextShape>(list);
    const auto entry = std::find_if(texts.begin(), texts.end(),
                                    [&](const TextShape& t) { return t.text == names[i]; });
    ASSERT_NE(entry, texts.end());
    EXPECT_EQ(entry->colour, 0xFFFF0000u);
    EXPECT_GT(marker.y, plot.y + plot.height);
    EXPECT_NEAR(entry->anchor.x - (marker.x + marker.width), 5, 0.5);
    EXPECT_GT(marker.x, lastX);
    lastX = marker.x;
  }
}

TEST(Legend, AlignmentsPlaceTheBox) {
  const struct {
    std::int32_t alignment;
    const char* where;
  } cases[] = {{kLegendRight, "right"},
               {kLegendLeft, "left"},
               {kLegendTop, "above"},
               {kLegendBottom, "below"},
               {kLegendInsideTopLeft, "inside"},
               {kLegendInsideTopRight, "inside"}};
  for (const auto& c : cases) {
    Chart chart = ReportChart(640, 480);
    Legend& l = chart.regions[0].legend;
    l.alignment = c.alignment;
    l.background = 0xFFFFFFFE;
    l.style = kLegendRoundMarkers;
    const DrawList list = Lay(chart);
    const RectShape plot = RectsOf(list, kPlotColour)[0];
    const std::vector<RectShape> boxes = RectsOf(list, 0xFFFFFFFE);
    ASSERT_EQ(boxes.size(), 1u) << c.where;
    const RectShape& box = boxes[0];
    const std::string where = c.where;
    SCOPED_TRACE(where);
    if (where == "right") {
      EXPECT_GT(box.x, plot.x + plot.width);
    }
    if (where == "left") {
      EXPECT_LT(box.x + box.width, plot.x);
    }
    if (where == "above") {
      EXPECT_LT(box.y + box.height, plot.y);
    }
    if (where == "below") {
      EXPECT_GT(box.y, plot.y + plot.height);
    }
    if (where == "inside") {
      EXPECT_GE(box.x, plot.x);
      EXPECT_LE(box.x + box.width, plot.x + plot.width);
      EXPECT_GE(box.y, plot.y);
      EXPECT_LT(
          std::abs(c.alignment == kLegendInsideTopLeft ? box.x - plot.x
                                                       : plot.x + plot.width - box.x - box.width),
          10);
    }
    // Round markers are polygons in the series' colours.
    EXPECT_EQ(PolygonsOf(list, 0xFFED7D31u).size(), 1u);
    EXPECT_EQ(OverlappingTexts(list), std::vector<std::string>{});
  }
}

TEST(Legend, GridlessLegendsShowOneEntryPerSlice) {
  Chart chart = OneRegion();
  GridlessSeries pie;
  pie.values = {3, 2, 1};
  chart.regions[0].gridless.push_back(pie);
  chart.regions[0].legend.present = true;
  chart.regions[0].legend.text = "Staff;Premises;Other;";
  const DrawList list = Lay(chart);
  for (int i = 0; i < 3; ++i) {
    // The slice and its marker.
    EXPECT_EQ(PolygonsOf(list, kPalette[i]).size(), 1u);
    EXPECT_EQ(RectsOf(list, kPalette[i]).size(), 1u);
  }
  EXPECT_TRUE(HasText(list, "Premises"));
}

TEST(Regions, RectanglesReachToTheEdgesAndStayInside) {
  const struct {
    int x, y, w, h;
    double ex, ey, ew, eh;  // at 640 x 480; ew 0: no region drawn
  } cases[] = {
      {0, 0, 0, 0, 0, 0, 640, 480},         {10, 20, 300, 200, 10, 20, 300, 200},
      {10, 20, -10, -20, 10, 20, 620, 440}, {600, 0, 100, 100, 600, 0, 40, 100},
      {-50, -50, 100, 100, 0, 0, 100, 100}, {700, 10, 10, 10, 0, 0, 0, 0},
      {0, 0, -640, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    Chart chart = OneRegion();
    Region& r = chart.regions[0];
    r.x = c.x, r.y = c.y, r.width = c.w, r.height = c.h;
    r.showBorder = 1;
    const std::vector<ClipPush> clips = All<ClipPush>(Lay(chart));
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << "," << c.w << "," << c.h);
    if (c.ew == 0) {
      EXPECT_TRUE(clips.empty());
      continue;
    }
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_DOUBLE_EQ(clips[0].x, c.ex);
    EXPECT_DOUBLE_EQ(clips[0].y, c.ey);
    EXPECT_DOUBLE_EQ(clips[0].width, c.ew);
    EXPECT_DOUBLE_EQ(clips[0].height, c.eh);
  }
}

TEST(Regions, LargerImagesKeepEachRegionsShare) {
  Chart chart = OneRegion(640, 480);
  chart.regions[0] = Region{};
  chart.regions[0].x = 10, chart.regions[0].y = 20, chart.regions[0].width = 300,
  chart.regions[0].height = -80;
  const std::vector<ClipPush> clips = All<ClipPush>(Lay(chart, 1280, 960));
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_DOUBLE_EQ(clips[0].x, 20);
  EXPECT_DOUBLE_EQ(clips[0].y, 40);
  EXPECT_DOUBLE_EQ(clips[0].width, 600);
  EXPECT_DOUBLE_EQ(clips[0].height, 760);
}

TEST(Regions, CaptionBandAndExplicitGrid) {
  Chart chart = OneRegion();
  Region& r = chart.regions[0];
  r.x = 20, r.y = 10;
  r.caption = {true, "Title", 0xFF0000AA, 0xFFFFFFFF, 16, 1};
  r.grid = {true, kPlotColour, 0, 50, 60, 300, 200, 0};
  r.bars.push_back(Bars({1, 2}, 0xFF00AA00));
  const DrawList list = Lay(chart);
  const std::vector<RectShape> band = RectsOf(list, 0xFF0000AA);
  ASSERT_EQ(band.size(), 1u);
  EXPECT_DOUBLE_EQ(band[0].x, 20);
  EXPECT_DOUBLE_EQ(band[0].y, 10);
  EXPECT_DOUBLE_EQ(band[0].width, 620);
  const TextShape title = All<TextShape>(list)[0];
  EXPECT_EQ(title.text, "Title");
  EXPECT_TRUE(title.font.bold);
  EXPECT_NEAR(title.font.sizePx, 16 * 96.0 / 72, 1e-9);
  EXPECT_NEAR(title.anchor.x, 20 + 310, 1e-9);
  EXPECT_EQ(title.hAlign, HAlign::kCentre);
  const RectShape plot = RectsOf(list, kPlotColour)[0];
  EXPECT_DOUBLE_EQ(plot.x, 70);
  EXPECT_DOUBLE_EQ(plot.y, 70);
  EXPECT_DOUBLE_EQ(plot.width, 300);
  EXPECT_DOUBLE_EQ(plot.height, 200);
}

TEST(Background, StyleFlagsAndImage) {
  Chart chart;
  chart.settings.background = 0xFF3366CC;
  chart.settings.style = kChartBorder | kChartGradient;
  chart.settings.backgroundImage = "paper.png";
  chart.settings.backgroundImageColour = 0xFF808000;
  chart.settings.fontName = "DejaVu Sans";
  chart.regions.emplace_back();
  chart.regions[0].footer = "note";
  const DrawList list = Lay(chart);
  const std::vector<RectShape> rects = All<RectShape>(list);
  ASSERT_GE(rects.size(), 3u);
  EXPECT_EQ(rects[0].fill.gradient, Gradient::kVertical);
  EXPECT_EQ(rects[0].fill.colour, 0xFFFFFFFFu);
  EXPECT_EQ(rects[0].fill.colour2, 0xFF3366CCu);
  EXPECT_EQ(rects[1].fill.colour, 0xFF808000u);
  const std::vector<ImageShape> images = All<ImageShape>(list);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].path, "paper.png");
  EXPECT_DOUBLE_EQ(images[0].width, 640);
  EXPECT_TRUE(rects.back().outlined && !rects.back().filled);  // the frame, over everything
  EXPECT_DOUBLE_EQ(rects.back().width, 639);
  EXPECT_EQ(All<TextShape>(list)[0].font.family, "DejaVu Sans");
}

}  // namespace
}  // namespace vantiro::engine::layout_test
