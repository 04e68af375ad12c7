// The geometry both backends draw from: snapping, dashes, straight strokes
// as rectangles and hatch lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/layout/draw_geometry.h"

namespace vantiro::engine {
namespace {

TEST(DrawGeometry, SnapPutsLinesOnWholePixels) {
  const struct {
    Point in;
    double width;
    Point out;
  } cases[] = {
      {{10.2, 19.7}, 1, {10.5, 19.5}},  // odd widths: centre of the pixel the point is in
      {{10.2, 19.7}, 3, {10.5, 19.5}},
      {{10.2, 19.7}, 2, {10, 20}},  // even widths: nearest pixel corner
      {{-3.6, 0.4}, 1, {-3.5, 0.5}},
      {{2e9, -2e9}, 1, {kCoordinateLimit + 0.5, -kCoordinateLimit + 0.5}},  // clamped first
      {{1.2, 1.2}, 1e300, {1, 1}},  // absurd widths count as the widest (even)
  };
  for (const auto& c : cases) {
    const Point p = SnapToPixels(c.in, c.width);
    EXPECT_EQ(p.x, c.out.x) << c.in.x << " width " << c.width;
    EXPECT_EQ(p.y, c.out.y) << c.in.y << " width " << c.width;
  }
}

TEST(DrawGeometry, DashesScaleWithTheStrokeWidthButNeverBelowAPixel) {
  const struct {
    Dash dash;
    double width;
    std::vector<double> lengths;
  } cases[] = {
      {Dash::kSolid, 2, {}},
      {Dash::kDash, 1, {3, 1}},
      {Dash::kDot, 0.5, {1, 1}},
      {Dash::kDashDot, 2, {6, 2, 2, 2}},
      {Dash::kDot, 5000, {kMaxStrokeWidth, kMaxStrokeWidth}},
  };
  for (const auto& c : cases) {
    const DashPattern pattern = DashOf(Stroke{0xFF000000, c.width, c.dash});
    EXPECT_EQ(std::vector<double>(pattern.begin(), pattern.end()), c.lengths)
        << int(c.dash) << " width " << c.width;
    EXPECT_EQ(pattern.Solid(), c.lengths.empty());
  }
}

TEST(DrawGeometry, StraightStrokesBecomeRectangles) {
  const DashPattern solid;
  const DashPattern dash = DashOf(Stroke{0xFF000000, 1, Dash::kDash});  // 3 on, 1 off
  const struct {
    const char* name;
    std::vector<Point> points;
    bool closed;
    double width;
    const DashPattern* pattern;
    std::vector<Box> boxes;
  } cases[] = {
      {"open solid line: flat ends", {{0, 5}, {10, 5}}, false, 2, &solid, {{0, 4, 10, 6}}},
      {"corner: square, both segments lengthened inside",
       {{0, 0.5}, {10, 0.5}, {10, 20}},
       false,
       1,
       &solid,
       {{0, 0, 10.5, 1}, {9.5, 0, 10.5, 20}}},
      {"drawn backwards", {{10, 5}, {0, 5}}, false, 2, &solid, {{0, 4, 10, 6}}},
      {"dashes carry on round the corner",
       {{0, 0.5}, {5, 0.5}, {5, 10.5}},
       false,
       1,
       &dash,
       {{0, 0, 3, 1},
        {4, 0, 5, 1},
        {4.5, 0.5, 5.5, 2.5},
        {4.5, 3.5, 5.5, 6.5},
        {4.5, 7.5, 5.5, 10.5}}},
  };
  for (const auto& c : cases) {
    const std::vector<Box> boxes = StraightStrokeBoxes(c.points, c.closed, c.width, *c.pattern);
    ASSERT_EQ(boxes.size(), c.boxes.size()) << c.name;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i].x0, c.boxes[i].x0) << c.name << " box " << i;
      EXPECT_EQ(boxes[i].y0, c.boxes[i].y0) << c.name << " box " << i;
      EXPECT_EQ(boxes[i].x1, c.boxes[i].x1) << c.name << " box " << i;
      EXPECT_EQ(boxes[i].y1, c.boxes[i].y1) << c.name << " box " << i;
    }
  }
  const std::vector<Point> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_EQ(StraightStrokeBoxes(square, true, 1, solid).size(), 4u);
}

// On the pixel grid every box has whole-pixel edges, the stroke is a whole
// number of pixels thick and the boxes repeat, from the line's first pixel
// to its last, the pattern of a stroke that thick.
TEST(DrawGeometry, PixelStrokesRepeatTheirPatternInWholePixels) {
  for (Dash dashKind : {Dash::kSolid, Dash::kDash, Dash::kDot, Dash::kDashDot}) {
    for (double width : {0.4, 1.0, 1.6, 2.0, 3.0}) {
      for (bool horizontal : {true, false}) {
        SCOPED_TRACE(::testing::Message() << "dash " << int(dashKind) << " width " << width
                                          << (horizontal ? " horizontal" : " vertical"));
        const DashPattern dash = DashOf(Stroke{0xFF000000, width, dashKind});
        const auto at = [&](double along, double across) {
          return horizontal ? Point{along, across} : Point{across, along};
        };
        const std::vector<Box> boxes =
            PixelStrokeBoxes({at(10.3, 20.2), at(61, 20.2)}, false, width, dash);
        ASSERT_FALSE(boxes.empty());
        const double thick = std::max(1.0, std::round(width));
        const DashPattern whole = DashOf(Stroke{0xFF000000, thick, dashKind});
        double expected = 10, last = 0;  // where the next box starts, the last one ended
        std::size_t piece = 0;
        for (const Box& b : boxes) {
          for (double e : {b.x0, b.y0, b.x1, b.y1}) EXPECT_EQ(e, std::floor(e));
          const double from = horizontal ? b.x0 : b.y0, to = horizontal ? b.x1 : b.y1;
          EXPECT_EQ((horizontal ? b.y1 - b.y0 : b.x1 - b.x0), thick);
          EXPECT_EQ(from, expected);
          last = to;
          if (whole.Solid()) {
            EXPECT_EQ(to, 61);
            continue;
          }
          EXPECT_EQ(to, std::min(from + whole.lengths[piece], 61.0));
          expected = from + whole.lengths[piece] + whole.lengths[piece + 1];
          piece = (piece + 2) % whole.count;
        }
        EXPECT_TRUE(last == 61 || expected >= 61) << last << " " << expected;
      }
    }
  }
}

TEST(DrawGeometry, HatchLinesFollowTheOriginGridInsideTheArea) {
  const Box area{3, 3, 20, 12};
  const HatchLines cross = HatchOver(kHatchCross, area);
  // Grid lines at 0, 8, 16 cover the pixel row or column after them, drawn
  // along its centre; those before the area still reach into it.
  ASSERT_EQ(cross.straight.size(), 2u + 3u);
  EXPECT_TRUE(cross.diagonal.empty());
  for (const Segment& s : cross.straight) {
    const bool horizontal = s.a.y == s.b.y;
    const double at = horizontal ? s.a.y : s.a.x;
    EXPECT_EQ(std::fmod(at - kHatchWidth / 2, kHatchSpacing), 0) << at;
    EXPECT_EQ(horizontal ? s.a.x : s.a.y, horizontal ? area.x0 : area.y0);
    EXPECT_EQ(horizontal ? s.b.x : s.b.y, horizontal ? area.x1 : area.y1);
  }
  for (std::int32_t hatch : {kHatchForwardDiagonal, kHatchBackwardDiagonal}) {
    const HatchLines lines = HatchOver(hatch, area);
    EXPECT_TRUE(lines.straight.empty());
    ASSERT_FALSE(lines.diagonal.empty());
    for (const Segment& s : lines.diagonal) {
      EXPECT_EQ(s.a.y, hatch == kHatchForwardDiagonal ? area.y1 : area.y0);
      const double c = hatch == kHatchForwardDiagonal ? s.a.x + s.a.y : s.a.x - s.a.y;
      EXPECT_EQ(std::fmod(c, kHatchSpacing), 0) << c;
      EXPECT_DOUBLE_EQ(std::fabs(s.b.x - s.a.x), area.y1 - area.y0);  // 45 degrees
    }
  }
  EXPECT_EQ(HatchOver(kHatchDiagonalCross, area).diagonal.size(),
            HatchOver(kHatchForwardDiagonal, area).diagonal.size() +
                HatchOver(kHatchBackwardDiagonal, area).diagonal.size());
  EXPECT_TRUE(HatchOver(kHatchNone, area).straight.empty());
  EXPECT_TRUE(HatchOver(kHatchCross, Box{5, 5, 5, 9}).straight.empty());  // empty area
}

}  // namespace
}  // namespace vantiro::engine
