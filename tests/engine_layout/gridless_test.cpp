// Pie, donut and pyramid geometry and labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

const std::vector<Argb> kColours{0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0};
const double kNaN = std::numeric_limits<double>::quiet_NaN();

Chart Gridless(GridlessSeries s) {
  Chart chart = OneRegion();
  if (s.colours.empty()) s.colours = kColours;
  chart.regions[0].gridless.push_back(std::move(s));
  return chart;
}

GridlessSeries Series(std::vector<double> values, std::int32_t style = kGridlessPie) {
  GridlessSeries s;
  s.values = std::move(values);
  s.style = style;
  return s;
}

double Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Clockwise from 12 o'clock, in [0, 360).
double AngleOf(Point centre, Point p) {
  const double a = std::atan2(p.x - centre.x, centre.y - p.y) * 180 / std::numbers::pi;
  return a < 0 ? a + 360 : a;
}

struct Slice {
  Point apex;
  double from = 0, sweep = 0, radius = 0;
};

// A pie slice polygon: apex, then its arc clockwise.
Slice SliceOf(const PolygonShape& p) {
  Slice s;
  s.apex = p.points.front();
  s.from = AngleOf(s.apex, p.points[1]);
  s.sweep = std::fmod(AngleOf(s.apex, p.points.back()) - s.from + 360, 360);
  s.radius = Distance(s.apex, p.points[1]);
  return s;
}

TEST(Gridless, SliceAnglesFollowTheValues) {
  const struct {
    std::vector<double> values;
    int startAngle;
    std::vector<double> sweeps;  // of the drawn slices, in order
    double firstFrom;
  } cases[] = {
      {{1, 1, 2}, 0, {90, 90, 180}, 0},
      {{30, 70}, 90, {108, 252}, 90},
      {{5, -3, kNaN, 5}, -45, {180, 180}, 315},  // negative and NaN count as nothing
      {{10, 20, 30, 40}, 400, {36, 72, 108, 144}, 40},
  };
  for (const auto& c : cases) {
    GridlessSeries s = Series(c.values);
    s.startAngle = c.startAngle;
    const DrawList list = Lay(Gridless(s));
    std::vector<Slice> slices;
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      for (const PolygonShape& p : PolygonsOf(list, kColours[i])) slices.push_back(SliceOf(p));
    }
    ASSERT_EQ(slices.size(), c.sweeps.size());
    double total = 0, expectedFrom = c.firstFrom;
    for (std::size_t i = 0; i < slices.size(); ++i) {
      EXPECT_NEAR(slices[i].sweep, c.sweeps[i], 0.01) << i;
      EXPECT_NEAR(std::fmod(slices[i].from - expectedFrom + 720, 360), 0, 0.01) << i;
      EXPECT_NEAR(Distance(slices[i].apex, slices[0].apex), 0, 1e-9);
      expectedFrom += c.sweeps[i];
      total += slices[i].sweep;
    }
    EXPECT_NEAR(total, 360, 0.05);
  }
}

TEST(Gridless, ArcsHaveAVertexAboutEveryTwoPixels) {
  const DrawList list = Lay(Gridless(Series({1, 3})));
  const Slice s = SliceOf(PolygonsOf(list, kColours[1])[0]);
  const PolygonShape p = PolygonsOf(list, kColours[1])[0];
  const double arc = s.sweep * std::numbers::pi / 180 * s.radius;
  EXPECT_NEAR(double(p.points.size() - 2), arc / 2, 2);
  for (std::size_t i = 1; i < p.points.size(); ++i) {
    EXPECT_NEAR(Distance(p.points[i], s.apex), s.radius, 1e-6);
  }
}

TEST(Gridless, ExplodedSlicesMoveAlongTheirBisector) {
  for (const int explode : {2, -1}) {
    GridlessSeries g = Series({1, 1, 2});
    g.explode = explode;
    const DrawList list = Lay(Gridless(g));
    std::vector<Slice> slices;
    for (std::size_t i = 0; i < 3; ++i) slices.push_back(SliceOf(PolygonsOf(list, kColours[i])[0]));
    // The centre of the pie lies back along each pulled slice's bisector.
    const double r = slices[0].radius;
    const Point centre = explode == 2
                             ? slices[0].apex
                             : Point{slices[0].apex.x - std::sin(std::numbers::pi / 4) * 0.1 * r,
                                     slices[0].apex.y + std::cos(std::numbers::pi / 4) * 0.1 * r};
    for (std::size_t i = 0; i < 3; ++i) {
      const bool pulled = explode == -1 || i == 1;
      const double mid = (slices[i].from + slices[i].sweep / 2) * std::numbers::pi / 180;
      const Point expected{centre.x + std::sin(mid) * (pulled ? 0.1 * r : 0),
                           centre.y - std::cos(mid) * (pulled ? 0.1 * r : 0)};
      EXPECT_NEAR(slices[i].apex.x, expected.x, 1e-6) << explode << " slice " << i;
      EXPECT_NEAR(slices[i].apex.y, expected.y, 1e-6) << explode << " slice " << i;
    }
  }
}

TEST(Gridless, DonutHasAHoleOfHalfTheRadius) {
  const DrawList list = Lay(Gridless(Series({2, 1, 1}, kGridlessDonut)));
  std::vector<Point> all;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::vector<PolygonShape> p = PolygonsOf(list, kColours[i]);
    ASSERT_EQ(p.size(), 1u);
    all.insert(all.end(), p[0].points.begin(), p[0].points.end());
  }
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (const Point& p : all) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const Point centre{(minX + maxX) / 2, (minY + maxY) / 2};
  const double outer = (maxX - minX) / 2;
  double inner = 1e9;
  for (const Point& p : all) inner = std::min(inner, Distance(p, centre));
  EXPECT_NEAR(inner / outer, 0.5, 0.01);
  for (const Point& p : all) {
    const double d = Distance(p, centre);
    EXPECT_TRUE(std::abs(d - outer) < 0.5 || std::abs(d - inner) < 0.5) << d;
  }
}

TEST(Gridless, PyramidLayersStackFromTheApex) {
  const std::vector<double> values{1, 2, 3};
  const DrawList list = Lay(Gridless(Series(values, kGridlessPyramid)));
  struct Layer {
    double top, bottom, topWidth, bottomWidth;
  };
  std::vector<Layer> layers;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::vector<PolygonShape> p = PolygonsOf(list, kColours[i]);
    ASSERT_EQ(p.size(), 1u);
    Layer l{1e9, -1e9, 0, 0};
    for (const Point& q : p[0].points)
      l.top = std::min(l.top, q.y), l.bottom = std::max(l.bottom, q.y);
    double topMin = 1e9, topMax = -1e9, bottomMin = 1e9, bottomMax = -1e9;
    for (const Point& q : p[0].points) {
      if (q.y == l.top) topMin = std::min(topMin, q.x), topMax = std::max(topMax, q.x);
      if (q.y == l.bottom)
        bottomMin = std::min(bottomMin, q.x), bottomMax = std::max(bottomMax, q.x);
    }
    l.topWidth = topMax - topMin;
    l.bottomWidth = bottomMax - bottomMin;
    layers.push_back(l);
  }
  EXPECT_NEAR(layers[0].topWidth, 0, 1e-9);  // the apex
  const double unit = (layers[2].bottom - layers[0].top) / 6;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(layers[i].bottom - layers[i].top, values[i] * unit, 0.01) << i;
    if (i > 0) {
      EXPECT_NEAR(layers[i].top, layers[i - 1].bottom, 1e-9);
      EXPECT_NEAR(layers[i].topWidth, layers[i - 1].bottomWidth, 1e-9);
    }
  }
  // Straight sides: width grows in proportion to the depth below the apex.
  EXPECT_NEAR(layers[0].bottomWidth * 6, layers[2].bottomWidth, 1e-6);
}

TEST(Gridless, ColoursComeFromTheSeriesThenThePalette) {
  GridlessSeries s = Series({1, 1, 1});
  s.colours = {0xFF123456};
  const DrawList list = Lay(Gridless(s));
  EXPECT_EQ(PolygonsOf(list, 0xFF123456).size(), 1u);
  EXPECT_EQ(PolygonsOf(list, kPalette[1]).size(), 1u);
  EXPECT_EQ(PolygonsOf(list, kPalette[2]).size(), 1u);
}

TEST(Gridless, ValueLabelsInsideLargeSlicesOutsideSmallOnes) {
  const struct {
    std::int32_t kind;
    const char* big;
    const char* small;
  } cases[] = {
      {kGridlessLabelsValue, "98.5", "1.5"},
      {kGridlessLabelsPercent, "98.5%", "1.5%"},
      {kGridlessLabelsBoth, "98.5 (98.5%)", "1.5 (1.5%)"},
  };
  for (const auto& c : cases) {
    GridlessSeries g = Series({98.5, 1.5});
    g.valueLabels = c.kind;
    const DrawList list = Lay(Gridless(g));
    const Slice big = SliceOf(PolygonsOf(list, kColours[0])[0]);
    Point bigAt, smallAt;
    for (const TextShape& t : All<TextShape>(list)) {
      if (t.text == c.big) bigAt = t.anchor;
      if (t.text == c.small) smallAt = t.anchor;
    }
    EXPECT_LT(Distance(bigAt, big.apex), big.radius * 0.9) << c.big;
    EXPECT_GT(Distance(smallAt, big.apex), big.radius * 1.05) << c.small;
    // The small slice's label is tied to it by a leader line.
    const std::vector<LineShape> leaders = All<LineShape>(list);
    ASSERT_EQ(leaders.size(), 1u);
    EXPECT_NEAR(Distance(leaders[0].points.front(), big.apex), big.radius, 0.5);
    EXPECT_TRUE(OverlappingTexts(list).empty());
  }
}

TEST(Gridless, AlignmentPicksAHalfOfThePlotArea) {
  double centres[3] = {};
  for (const std::int32_t alignment : {kGridlessCentre, kGridlessLeft, kGridlessRight}) {
    GridlessSeries g = Series({1, 1});
    g.alignment = alignment;
    const DrawList list = Lay(Gridless(g));
    centres[alignment] = SliceOf(PolygonsOf(list, kColours[0])[0]).apex.x;
  }
  EXPECT_NEAR(centres[kGridlessCentre], 320, 1);
  EXPECT_NEAR(centres[kGridlessLeft], 160, 10);
  EXPECT_NEAR(centres[kGridlessRight], 480, 10);
}

TEST(Gridless, ManyTinySlicesStayFewShapes) {
  std::vector<double> values(100000, 1);
  values[0] = 100000;  // half of the pie
  const DrawList list = Lay(Gridless(Series(values)));
  EXPECT_LT(list.shapes.size(), 5000u);
  EXPECT_EQ(PolygonsOf(list, kColours[0]).size(), 1u);
}

// Whether segments ab and cd cross or touch (shared ends excepted).
bool SegmentsMeet(Point a, Point b, Point c, Point d) {
  auto side = [](Point p, Point q, Point r) {
    return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
  };
  const double d1 = side(c, d, a), d2 = side(c, d, b), d3 = side(a, b, c), d4 = side(a, b, d);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool PolylinesCross(const std::vector<Point>& a, const std::vector<Point>& b) {
  for (std::size_t i = 1; i < a.size(); ++i) {
    for (std::size_t j = 1; j < b.size(); ++j) {
      if (SegmentsMeet(a[i - 1], a[i], b[j - 1], b[j])) return true;
    }
  }
  return false;
}

// Awkward data: a few large slices among many tiny ones, with long labels.
std::vector<double> MixedValues(std::size_t count) {
  std::vector<double> values;
  for (std::size_t i = 0; i < count; ++i) {
    const double big = i % 9 == 0 ? 4e6 : (i % 4 == 1 ? 6e5 : 0);
    values.push_back(big + 1234.5 + double(i * 7919 % 97) * 113.25);
  }
  return values;
}

TEST(Gridless, SliceLabelsNeverClashAndAreAllAccountedFor) {
  const std::pair<int, int> sizes[] = {{120, 80}, {400, 300}, {900, 500}, {3000, 2000}};
  for (const std::int32_t style : {kGridlessPie, kGridlessDonut, kGridlessPyramid}) {
    for (const auto& [width, height] : sizes) {
      for (std::size_t count = 1; count <= 60; ++count) {
        GridlessSeries g = Series(MixedValues(count), style);
        g.valueLabels = count % 2 ? kGridlessLabelsBoth : kGridlessLabelsPercent;
        g.explode = count % 5 == 0 ? 1 : 0;
        g.startAngle = int(count * 37);
        Chart chart = Gridless(g);
        chart.settings.width = width;
        chart.settings.height = height;
        const DrawList list = Lay(chart, width, height);
        const std::string where = std::to_string(style) + " " + std::to_string(width) + "x" +
                                  std::to_string(height) + " n=" + std::to_string(count);

        EXPECT_EQ(OverlappingTexts(list), std::vector<std::string>{}) << where;
        std::size_t shown = 0;
        for (const TextShape& t : All<TextShape>(list)) {
          ASSERT_EQ(t.role, TextRole::kSlice) << where;
          ++shown;
          for (const Point& p : TextCorners(t)) {
            EXPECT_TRUE(p.x >= -0.5 && p.x <= width + 0.5 && p.y >= -0.5 && p.y <= height + 0.5)
                << where << " " << t.text;
          }
        }
        ASSERT_LT(list.omitted.size(), kMaxOmittedListed);
        EXPECT_EQ(shown + list.omitted.size(), count) << where;

        // Leaders never cross, whichever column they go to.
        const std::vector<LineShape> leaders = All<LineShape>(list);
        for (std::size_t i = 0; i < leaders.size(); ++i) {
          for (std::size_t j = i + 1; j < leaders.size(); ++j) {
            EXPECT_FALSE(PolylinesCross(leaders[i].points, leaders[j].points))
                << where << " " << i << "/" << j;
          }
        }
      }
    }
  }
}

TEST(Gridless, PercentagesOfOneSeriesShareTheirDecimals) {
  const struct {
    std::vector<double> values;
    std::vector<std::string> labels;
  } cases[] = {
      {{10, 11, 479}, {"2.0%", "2.2%", "95.8%"}},
      {{38, 24, 18, 12, 8}, {"38%", "24%", "18%", "12%", "8%"}},
      {{1, 2}, {"33%", "67%"}},
      {{2, 995, 3}, {"0.2%", "99.5%", "0.3%"}},
      {{2, 9998}, {"<1%", "100%"}},  // too small a share to count
  };
  for (const auto& c : cases) {
    GridlessSeries g = Series(c.values);
    g.valueLabels = kGridlessLabelsPercent;
    const DrawList list = Lay(Gridless(g));
    std::vector<std::string> texts = Texts(list), expected = c.labels;
    std::sort(texts.begin(), texts.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
  }
}

TEST(Gridless, PaletteHasTwentyFourDistinctColoursFromTheOriginalTen) {
  const Argb original[] = {0xFF4472C4, 0xFFED7D31, 0xFFA5A5A5, 0xFFFFC000, 0xFF5B9BD5,
                           0xFF70AD47, 0xFF264478, 0xFF9E480E, 0xFF636363, 0xFF997300};
  ASSERT_GE(std::size(kPalette), 24u);
  for (std::size_t i = 0; i < std::size(original); ++i) EXPECT_EQ(kPalette[i], original[i]) << i;
  auto channel = [](Argb c, int shift) { return double((c >> shift) & 0xFF); };
  for (std::size_t i = 0; i < 24; ++i) {
    EXPECT_GT(std::hypot(255 - channel(kPalette[i], 16), 255 - channel(kPalette[i], 8),
                         255 - channel(kPalette[i], 0)),
              90)
        << "too close to white: " << i;
    for (std::size_t j = i + 1; j < 24; ++j) {
      const double distance = std::hypot(channel(kPalette[i], 16) - channel(kPalette[j], 16),
                                         channel(kPalette[i], 8) - channel(kPalette[j], 8),
                                         channel(kPalette[i], 0) - channel(kPalette[j], 0));
      EXPECT_GT(distance, 40) << i << " / " << j;
    }
  }
}

TEST(Gridless, AFullColumnHandsItsEndLabelsToTheOtherOne) {
  // Thirty markets, the small ones crowding the top of the left column.
  GridlessSeries g = Series({310, 220, 180, 150, 120, 95, 80, 64, 52, 40, 33, 27, 22, 18, 15,
                             12,  10,  9,   8,   7,   6,  5,  4,  4,  3,  3,  2,  2,  1,  1});
  g.valueLabels = kGridlessLabelsBoth;
  g.colours.assign(std::begin(kPalette), std::end(kPalette));
  Chart chart = Gridless(g);
  chart.regions[0].legend.present = true;
  chart.regions[0].legend.text = "a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;q;r;s;t;u;v;w;x;y;z;A;B;C;D";
  const DrawList list = Lay(chart, 800, 600);
  EXPECT_TRUE(list.omitted.empty());
  const std::vector<PolygonShape> first = PolygonsOf(list, kPalette[0]);
  ASSERT_FALSE(first.empty());
  const double centre = first.front().points.front().x;
  std::size_t handedOver = 0;
  for (const LineShape& leader : All<LineShape>(list)) {
    // A left slice's leader that ends in the right column.
    if (leader.points.front().x < centre && leader.points.back().x > centre) ++handedOver;
  }
  EXPECT_GT(handedOver, 0u);
}

// CIEDE2000 colour difference of two CIELAB colours.
double Ciede2000(const std::array<double, 3>& lab1, const std::array<double, 3>& lab2) {
  constexpr double kPi = std::numbers::pi;
  auto rad = [&](double deg) { return deg * kPi / 180; };
  auto deg = [&](double r) { return r * 180 / kPi; };
  const auto [l1, a1, b1] = lab1;
  const auto [l2, a2, b2] = lab2;
  const double meanC = (std::hypot(a1, b1) + std::hypot(a2, b2)) / 2;
  const double g =
      0.5 * (1 - std::sqrt(std::pow(meanC, 7) / (std::pow(meanC, 7) + std::pow(25, 7))));
  const double a1p = (1 + g) * a1, a2p = (1 + g) * a2;
  const double c1 = std::hypot(a1p, b1), c2 = std::hypot(a2p, b2);
  auto hue = [&](double b, double ap) {
    return b == 0 && ap == 0 ? 0 : std::fmod(deg(std::atan2(b, ap)) + 360, 360);
  };
  const double h1 = hue(b1, a1p), h2 = hue(b2, a2p);
  double dh = 0;
  if (c1 * c2 != 0) {
    dh = h2 - h1;
    if (dh > 180) dh -= 360;
    if (dh < -180) dh += 360;
  }
  const double dL = l2 - l1, dC = c2 - c1, dH = 2 * std::sqrt(c1 * c2) * std::sin(rad(dh / 2));
  const double meanL = (l1 + l2) / 2, meanCp = (c1 + c2) / 2;
  double meanH = h1 + h2;
  if (c1 * c2 != 0) {
    meanH = std::abs(h1 - h2) <= 180 ? (h1 + h2) / 2
                                     : (h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2);
  }
  const double t = 1 - 0.17 * std::cos(rad(meanH - 30)) + 0.24 * std::cos(rad(2 * meanH)) +
                   0.32 * std::cos(rad(3 * meanH + 6)) - 0.20 * std::cos(rad(4 * meanH - 63));
  const double dTheta = 30 * std::exp(-std::pow((meanH - 275) / 25, 2));
  const double rc = 2 * std::sqrt(std::pow(meanCp, 7) / (std::pow(meanCp, 7) + std::pow(25, 7)));
  const double sl = 1 + 0.015 * std::pow(meanL - 50, 2) / std::sqrt(20 + std::pow(meanL - 50, 2));
  const double sc = 1 + 0.045 * meanCp, sh = 1 + 0.015 * meanCp * t;
  const double rt = -std::sin(rad(2 * dTheta)) * rc;
  return std::sqrt(std::pow(dL / sl, 2) + std::pow(dC / sc, 2) + std::pow(dH / sh, 2) +
                   rt * (dC / sc) * (dH / sh));
}

// An sRGB colour in CIELAB, through linear light and XYZ under D65.
std::array<double, 3> LabOf(Argb colour) {
  auto linear = [](Argb c, int shift) {
    const double v = double((c >> shift) & 0xFF) / 255;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  const double r = linear(colour, 16), g = linear(colour, 8), b = linear(colour, 0);
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  auto f = [](double t) {
    constexpr double d = 6.0 / 29;
    return t > d * d * d ? std::cbrt(t) : t / (3 * d * d) + 4.0 / 29;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

TEST(Gridless, PaletteColoursDifferByACiede2000OfAtLeastTen) {
  // Published reference pairs of the formula first.
  const struct {
    std::array<double, 3> a, b;
    double difference;
  } references[] = {
      {{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
      {{50, 0, 0}, {50, -1, 2}, 2.3669},
      {{50, 2.5, 0}, {73, 25, -18}, 27.1492},
      {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
  };
  for (const auto& r : references) EXPECT_NEAR(Ciede2000(r.a, r.b), r.difference, 1e-4);
  const std::array<double, 3> red = LabOf(0xFFFF0000);
  EXPECT_NEAR(red[0], 53.24, 0.01);
  EXPECT_NEAR(red[1], 80.09, 0.01);
  EXPECT_NEAR(red[2], 67.20, 0.01);

  ASSERT_EQ(std::size(kPalette), 24u);
  for (std::size_t i = 0; i < 24; ++i) {
    for (std::size_t j = i + 1; j < 24; ++j) {
      EXPECT_GE(Ciede2000(LabOf(kPalette[i]), LabOf(kPalette[j])), 10) << i << " / " << j;
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
