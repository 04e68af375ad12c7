// The GDI+ backend: hand-made drawing lists painted on a bitmap, checked by
// the colours of known pixels.
#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/shared/device_shared.h"
#include "engine/layout/draw_geometry.h"
#include "engine/render/gdiplus/gdiplus_render.h"
#include "engine/render/gdiplus/gdiplus_text.h"
#include "tests/engine_win32/pixels.h"
#include "text/code_page.h"

namespace vantiro::engine {
namespace {

using testing::Box;
using testing::Near;
using testing::Pixels;

constexpr Argb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;
constexpr Argb kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kPurple = 0xFF7F007F;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RectShape Rect(double x, double y, double w, double h, Argb colour) {
  RectShape r;
  r.x = x;
  r.y = y;
  r.width = w;
  r.height = h;
  r.fill.colour = colour;
  return r;
}

LineShape Line(std::vector<Point> points, double width = 1, Dash dash = Dash::kSolid,
               Argb colour = kBlack) {
  return {std::move(points), {colour, width, dash}};
}

PolygonShape Polygon(std::vector<Point> points, Argb colour) {
  PolygonShape p;
  p.points = std::move(points);
  p.fill.colour = colour;
  return p;
}

bool Dark(const Pixels& p, int x, int y) { return (p.At(x, y) & 0xFF) < 128; }

class GdiplusRenderTest : public ::testing::Test {
 protected:
  Pixels Draw(const std::vector<Shape>& shapes, int width = 100, int height = 100,
              const render::PictureLimits& pictures = device::kPictureLimits) {
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics graphics(&bitmap);
      graphics.Clear(Gdiplus::Color(kWhite));
      render::DrawOnGdiplus(graphics, DrawList{width, height, shapes}, fonts_, pictures);
    }
    return testing::ReadPixels(bitmap);
  }

  render::GdiplusFonts fonts_;
};

TEST_F(GdiplusRenderTest, ShapesColourTheirPixels) {
  struct Probe {
    int x, y;
    Argb colour;
    int tolerance = 8;
  };
  struct Case {
    const char* name;
    std::vector<Shape> shapes;
    std::vector<Probe> probes;
  };
  RectShape outline = Rect(10, 10, 20, 20, kRed);
  outline.filled = false;
  outline.outlined = true;
  RectShape gradient = Rect(0, 0, 100, 100, kRed);
  gradient.fill.colour2 = kBlue;
  gradient.fill.gradient = Gradient::kVertical;
  RectShape sideways = gradient;
  sideways.fill.gradient = Gradient::kHorizontal;
  std::vector<Point> star;  // inside at its centre under non-zero winding only
  for (int i = 0; i < 5; ++i) {
    const double a = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
    star.push_back({50 + 40 * std::cos(a), 50 + 40 * std::sin(a)});
  }
  SpanShape columns{true, 10, {20, 30}, {80, 70}, kGreen};
  SpanShape rows{false, 10, {80}, {20}, kGreen};

  const Case cases[] = {
      {"rects cover exactly their pixels, either way round",
       {Rect(10, 10, 20, 20, kRed), Rect(90, 90, -20, -20, kBlue)},
       {{10, 10, kRed},
        {29, 29, kRed},
        {9, 15, kWhite},
        {30, 30, kWhite},
        {70, 70, kBlue},
        {89, 89, kBlue},
        {69, 80, kWhite}}},
      {"outline only, on the edge pixels",
       {outline},
       {{15, 15, kWhite}, {10, 15, kBlack}, {30, 15, kBlack}, {15, 30, kBlack}, {8, 15, kWhite}}},
      {"translucent fill blends", {Rect(0, 0, 50, 50, 0x80FF0000)}, {{20, 20, 0xFFFF7F7F, 3}}},
      {"triangle",
       {Polygon({{10, 10}, {50, 10}, {10, 50}}, kBlue)},
       {{12, 45, kBlue}, {45, 12, kBlue}, {40, 40, kWhite}}},
      {"self-crossing polygon", {Polygon(star, kGreen)}, {{50, 52, kGreen}, {5, 95, kWhite}}},
      {"vertical gradient",
       {gradient},
       {{50, 0, kRed, 12}, {50, 99, kBlue, 12}, {0, 50, kPurple, 14}}},
      {"horizontal gradient",
       {sideways},
       {{0, 50, kRed, 12}, {99, 50, kBlue, 12}, {50, 0, kPurple, 14}}},
      {"lines cover whole rows",
       {Line({{10, 20}, {90, 20}}), Line({{10, 50}, {90, 50}}, 4)},
       {{50, 20, kBlack},
        {50, 19, kWhite},
        {50, 21, kWhite},
        {50, 48, kBlack},
        {50, 51, kBlack},
        {50, 47, kWhite},
        {50, 52, kWhite}}},
      {"invisible strokes",
       {Line({{10, 50}, {90, 50}}, 4, Dash::kSolid, 0x00000000), Line({{10, 60}, {90, 60}}, 0)},
       {{50, 50, kWhite}, {50, 60, kWhite}}},
      {"vertical spans, one per column",
       {columns},
       {{10, 20, kGreen},
        {10, 79, kGreen},
        {10, 80, kWhite},
        {11, 29, kWhite},
        {11, 30, kGreen},
        {12, 50, kWhite}}},
      {"horizontal spans, either order",
       {rows},
       {{20, 10, kGreen}, {79, 10, kGreen}, {80, 10, kWhite}, {50, 11, kWhite}}},
      {"clips nest until popped; an unmatched pop is ignored",
       {ClipPop{}, ClipPush{20, 20, 30, 30}, ClipPush{30, 30, 40, 40}, Rect(0, 0, 100, 100, kRed),
        ClipPop{}, ClipPop{}, Rect(60, 60, 10, 10, kBlue)},
       {{25, 25, kWhite}, {35, 35, kRed}, {55, 55, kWhite}, {65, 65, kBlue}}},
      {"a clip that cannot be placed hides",
       {ClipPush{kNaN, 0, 10, 10}, Rect(0, 0, 100, 100, kRed), ClipPop{}},
       {{50, 50, kWhite}}},
      {"shapes that are not finite are skipped, far ones drawn",
       {Rect(kNaN, 0, 50, 50, kRed), Line({{0, 10}, {kNaN, 10}}), Rect(-1e30, 60, 2e30, 10, kBlue)},
       {{5, 5, kWhite}, {5, 10, kWhite}, {50, 65, kBlue}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Pixels pixels = Draw(c.shapes);
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(Near(pixels.At(p.x, p.y), p.colour, p.tolerance)) << p.x << "," << p.y;
    }
  }
}

TEST_F(GdiplusRenderTest, DashesLeaveGapsInProportion) {
  const struct {
    Dash dash;
    double width, inked;
  } cases[] = {{Dash::kDash, 1, 0.75},
               {Dash::kDot, 1, 0.5},
               {Dash::kDashDot, 1, 4.0 / 6},
               {Dash::kDash, 3, 0.75}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.dash));
    const Pixels p = Draw({Line({{0, 50}, {100, 50}}, c.width, c.dash)});
    int dark = 0;
    for (int x = 0; x < 96; ++x) dark += Dark(p, x, 50);
    EXPECT_NEAR(dark / 96.0, c.inked, 0.1);
  }
}

// Straight patterned lines and frames cover exactly the pixels of the boxes
// the shared geometry gives (the Cairo backend inks the same ones).
TEST_F(GdiplusRenderTest, StraightPatternsInkWholePixelsAsTheGeometrySays) {
  for (Dash dash : {Dash::kSolid, Dash::kDash, Dash::kDot, Dash::kDashDot}) {
    for (double width : {1.0, 2.0, 3.0}) {
      const LineShape across = Line({{5, 20.3}, {93, 20.3}}, width, dash);
      const LineShape down = Line({{80.6, 30}, {80.6, 95}}, width, dash);
      RectShape frame = Rect(10.2, 40, 50, 40, kWhite);
      frame.outlined = true;
      frame.outline = across.stroke;
      const DashPattern pattern = DashOf(across.stroke);
      std::vector<engine::Box> boxes = PixelStrokeBoxes(across.points, false, width, pattern);
      for (const engine::Box& b : PixelStrokeBoxes(down.points, false, width, pattern)) {
        boxes.push_back(b);
      }
      for (const engine::Box& b : PixelStrokeBoxes({{10.2, 40}, {60.2, 40}, {60.2, 80}, {10.2, 80}},
                                                   true, width, pattern)) {
        boxes.push_back(b);
      }
      const Pixels p = Draw({across, down, frame});
      int wrong = 0;
      for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
          bool inked = false;
          for (const engine::Box& b : boxes) {
            inked = inked || (b.x0 <= x && x < b.x1 && b.y0 <= y && y < b.y1);
          }
          wrong += !Near(p.At(x, y), inked ? kBlack : kWhite, 8);
        }
      }
      EXPECT_EQ(wrong, 0) << "dash " << int(dash) << " width " << width;
    }
  }
}

TEST_F(GdiplusRenderTest, HatchesLieOnAGridFixedToTheOriginInsideTheirShape) {
  const auto hatched = [](std::vector<Point> points, std::int32_t hatch) {
    PolygonShape shape = Polygon(std::move(points), kWhite);
    shape.fill.hatch = hatch;
    shape.fill.hatchColour = kBlack;
    return shape;
  };
  const int s = static_cast<int>(kHatchSpacing);
  // Two neighbours continue one pattern; the triangle's hatch stays inside.
  Pixels p = Draw({hatched({{0, 0}, {50, 0}, {50, 100}, {0, 100}}, kHatchCross),
                   hatched({{50, 0}, {100, 0}, {50, 100}}, kHatchCross)});
  for (int x : {10, 52}) {
    EXPECT_TRUE(Dark(p, x, 5 * s)) << x;
    EXPECT_FALSE(Dark(p, x + 1, 5 * s + s / 2)) << x;
  }
  EXPECT_TRUE(Dark(p, 3 * s, 70));
  EXPECT_FALSE(Dark(p, 95, 10 * s));  // beside the triangle

  for (std::int32_t hatch : {kHatchForwardDiagonal, kHatchBackwardDiagonal}) {
    SCOPED_TRACE(hatch);
    p = Draw({hatched({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, hatch)});
    const int rise = hatch == kHatchForwardDiagonal ? -1 : 1;
    int dark = 0;
    for (int x = 20; x < 20 + 4 * s; ++x) {
      dark += Dark(p, x, 50);
      EXPECT_EQ(Dark(p, x, 50), Dark(p, x + s, 50)) << x;
      EXPECT_EQ(Dark(p, x, 50), Dark(p, x + 1, 50 + rise)) << x;
    }
    EXPECT_GE(dark, 4);
    EXPECT_LE(dark, 16);
  }
}

TEST_F(GdiplusRenderTest, TextIsPlacedByItsAlignmentsAndTurnedAroundItsAnchor) {
  Font font;
  font.sizePx = 24;
  const TextExtent extent = fonts_.Measure(font, L"HHH");
  ASSERT_GT(extent.width, 30);
  const Point anchor{100, 100};
  for (HAlign h : {HAlign::kLeft, HAlign::kCentre, HAlign::kRight}) {
    for (VAlign v : {VAlign::kTop, VAlign::kMiddle, VAlign::kBaseline, VAlign::kBottom}) {
      SCOPED_TRACE(::testing::Message() << "h " << int(h) << " v " << int(v));
      const Box ink = testing::InkBox(Draw({TextShape{"HHH", anchor, h, v, 0, font}}, 200, 200));
      ASSERT_FALSE(ink.empty());
      const double left = anchor.x - extent.width * (h == HAlign::kLeft     ? 0
                                                     : h == HAlign::kCentre ? 0.5
                                                                            : 1);
      double baseline = anchor.y;
      if (v == VAlign::kTop) baseline += extent.ascent;
      if (v == VAlign::kMiddle) baseline += (extent.ascent - extent.descent) / 2;
      if (v == VAlign::kBottom) baseline -= extent.descent;
      EXPECT_GE(ink.left, left - 1);
      EXPECT_LE(ink.right, left + extent.width + 1);
      EXPECT_GT(ink.right - ink.left, extent.width * 0.7);
      EXPECT_NEAR(ink.bottom + 1, baseline, 1.5);  // "H" stands on the baseline
      EXPECT_GE(ink.top, baseline - extent.ascent - 1);
    }
  }
  // Counter-clockwise: at 90 degrees the text reads upwards from the anchor,
  // its letters to the left of it; at -90 downwards, to the right.
  for (double angle : {90.0, 450.0, -90.0}) {
    SCOPED_TRACE(angle);
    const Box ink = testing::InkBox(
        Draw({TextShape{"HHH", anchor, HAlign::kLeft, VAlign::kBaseline, angle, font}}, 200, 200));
    ASSERT_FALSE(ink.empty());
    EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left));
    if (angle > 0) {
      EXPECT_LE(ink.bottom, anchor.y + 1);
      EXPECT_GE(ink.top, anchor.y - extent.width - 1);
      EXPECT_LE(ink.right, anchor.x + 1);
    } else {
      EXPECT_GE(ink.top, anchor.y - 1);
      EXPECT_GE(ink.left, anchor.x - 1);
    }
  }
}

TEST_F(GdiplusRenderTest, MeasurementsFollowTextFontAndSize) {
  Font regular{"", 12};
  Font large{"", 24};
  Font bold{"", 12, true};
  Font missing{"No Such Family 4711", 12};
  const TextExtent empty = fonts_.Measure(regular, L"");
  EXPECT_EQ(empty.width, 0);
  EXPECT_GT(empty.ascent, empty.descent);
  EXPECT_GT(empty.descent, 0);
  EXPECT_NEAR(empty.ascent + empty.descent, 12 * 1.15, 12 * 0.25);
  // Wine measures in whole pixels; Windows in fractions.
  const double two = fonts_.Measure(regular, L"Wm").width;
  EXPECT_NEAR(fonts_.Measure(regular, L"WmWm").width, 2 * two, 1.5);
  EXPECT_NEAR(fonts_.Measure(large, L"Wm").width, 2 * two, 1.5);
  EXPECT_GT(fonts_.Measure(bold, L"Wm").width, two);
  EXPECT_GT(fonts_.Measure(regular, L"Wm  ").width, two + 2);  // trailing spaces count
  EXPECT_DOUBLE_EQ(render::GdiplusTextMeasurer(fonts_).Measure(regular, "Wm").width, two);

  // Unknown families fall back to an installed one, unusable sizes to the
  // smallest one.
  const std::wstring fallback = fonts_.FamilyName("");
  ASSERT_FALSE(fallback.empty());
  EXPECT_EQ(fonts_.FamilyName(missing.family), fallback);
  EXPECT_EQ(fonts_.FamilyName(std::string(fallback.begin(), fallback.end())), fallback);
  EXPECT_DOUBLE_EQ(fonts_.Measure(missing, L"Wm").width, two);
  EXPECT_GT(fonts_.Measure(Font{"", 0}, L"x").width, 0);
  EXPECT_DOUBLE_EQ(fonts_.Measure(Font{"", kNaN}, L"x").width,
                   fonts_.Measure(Font{"", 0}, L"x").width);
}

TEST(Windows1252Test, BytesBecomeTheirCodePoints) {
  const struct {
    std::string bytes;
    std::wstring wide;
  } cases[] = {{"", L""},
               {"Chart", L"Chart"},
               {"\x80\x93q\x94", L"\x20AC\x201Cq\x201D"},
               {"\xE9\x9F\xFF", L"\x00E9\x0178\x00FF"},
               {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}};
  for (const auto& c : cases) {
    const std::u16string wide = text::ToUtf16(c.bytes, 1252);
    EXPECT_EQ(std::wstring(wide.begin(), wide.end()), c.wide) << c.bytes;
  }
}

TEST_F(GdiplusRenderTest, ImagesAreStretchedIntoTheirRectangleOrSkipped) {
  testing::ScratchFolder folder;
  const std::string picture = folder.Path("green.bmp"), text = folder.Path("text.png");
  {
    // 2 x 2 green pixels, 24-bit, rows padded to 8 bytes.
    const unsigned char file[] = {
        'B', 'M', 70, 0, 0,  0, 0, 0,   0, 0, 54,  0, 0, 0, 40, 0,   0, 0, 2,   0, 0, 0, 2, 0,
        0,   0,   1,  0, 24, 0, 0, 0,   0, 0, 16,  0, 0, 0, 0,  0,   0, 0, 0,   0, 0, 0, 0, 0,
        0,   0,   0,  0, 0,  0, 0, 255, 0, 0, 255, 0, 0, 0, 0,  255, 0, 0, 255, 0, 0, 0};
    std::ofstream(picture, std::ios::binary)
        .write(reinterpret_cast<const char*>(file), sizeof file);
    std::ofstream(text) << "not a picture";
  }
  ImageShape image{picture, 10, 20, 40, 30};
  Pixels p = Draw({image});
  EXPECT_TRUE(Near(p.At(30, 35), kGreen, 8));
  EXPECT_TRUE(Near(p.At(10, 20), kGreen, 24));  // the border does not fade out
  EXPECT_TRUE(Near(p.At(49, 49), kGreen, 24));
  EXPECT_TRUE(Near(p.At(9, 35), kWhite, 8));
  EXPECT_TRUE(Near(p.At(30, 51), kWhite, 8));
  // A picture larger than the device allows is never decoded.
  EXPECT_TRUE(Near(Draw({image}, 100, 100, {1, 4}).At(30, 35), kWhite, 0));
  EXPECT_TRUE(Near(Draw({image}, 100, 100, {2, 3}).At(30, 35), kWhite, 0));
  for (const std::string& path : {text, folder.Path("missing.png"), std::string()}) {
    image.path = path;
    p = Draw({image, Rect(60, 60, 10, 10, kBlue)});
    EXPECT_TRUE(Near(p.At(30, 35), kWhite, 0)) << path;
    EXPECT_TRUE(Near(p.At(65, 65), kBlue, 8)) << path;
  }
}

}  // namespace
}  // namespace vantiro::engine
