// The Cairo backend draws each kind of shape where the list says, in the
// right colours, clipped as asked.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/device/shared/device_shared.h"
#include "engine/layout/draw_geometry.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/image_decode.h"
#include "engine/render/cairo/image_encode.h"
#include "tests/engine_render/cairo/pixels.h"

namespace vantiro::engine::render {
namespace {

using testing::ColourNear;
using testing::FindInk;
using testing::InkRunsInRow;

constexpr Argb kWhite = 0xFFFFFFFF;
constexpr Argb kBlack = 0xFF000000;
constexpr Argb kRed = 0xFFFF0000;
constexpr Argb kBlue = 0xFF0000FF;

DrawList ListOf(int w, int h, std::vector<Shape> shapes) {
  DrawList list;
  list.width = w;
  list.height = h;
  list.shapes = std::move(shapes);
  return list;
}

CairoImage Render(const DrawList& list) {
  CairoFonts fonts;
  CairoImage image = RenderToImage(list, fonts, device::kPictureLimits);
  EXPECT_TRUE(image.ok());
  return image;
}

RectShape Rect(double x, double y, double w, double h, Argb colour) {
  RectShape r;
  r.x = x;
  r.y = y;
  r.width = w;
  r.height = h;
  r.fill.colour = colour;
  return r;
}

RectShape Hatched(std::int32_t hatch) {
  RectShape r = Rect(16, 16, 48, 48, kWhite);
  r.fill.hatch = hatch;
  r.fill.hatchColour = kBlack;
  return r;
}

struct Probe {
  int x, y;
  Argb colour;
  int tolerance;
};

struct ShapeCase {
  const char* name;
  std::vector<Shape> shapes;
  std::vector<Probe> probes;
};

std::vector<ShapeCase> ShapeCases() {
  RectShape outlined = Rect(10, 10, 40, 30, kBlue);
  outlined.outlined = true;
  RectShape vertical = Rect(0, 0, 20, 100, kRed);
  vertical.fill.gradient = Gradient::kVertical;
  vertical.fill.colour2 = kBlue;
  RectShape horizontal = Rect(0, 0, 100, 20, kRed);
  horizontal.fill.gradient = Gradient::kHorizontal;
  horizontal.fill.colour2 = kBlue;
  PolygonShape triangle;
  triangle.points = {{10, 50}, {50, 50}, {30, 10}};
  triangle.fill.colour = kRed;
  LineShape line;
  line.points = {{0, 20}, {100, 20}};
  SpanShape columns;
  columns.start = 10;
  columns.from = {10, 20, 50};
  columns.to = {50, 50, 30};
  columns.colour = kRed;
  SpanShape rows;
  rows.vertical = false;
  rows.start = 5;
  rows.from = {0, 40};
  rows.to = {30, 10};
  rows.colour = kBlue;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return {
      {"filled rect",
       {Rect(10, 10, 30, 20, kRed)},
       {{20, 20, kRed, 0},
        {10, 10, kRed, 0},
        {39, 29, kRed, 0},
        {5, 5, kWhite, 0},
        {40, 20, kWhite, 0},
        {20, 30, kWhite, 0}}},
      {"rect given with negative size",
       {Rect(40, 30, -30, -20, kRed)},
       {{20, 20, kRed, 0}, {45, 35, kWhite, 0}}},
      {"outlined rect: sharp one-pixel frame",
       {outlined},
       {{10, 20, kBlack, 0},
        {50, 20, kBlack, 0},
        {25, 10, kBlack, 0},
        {25, 40, kBlack, 0},
        {11, 20, kBlue, 0},
        {25, 25, kBlue, 0},
        {51, 20, kWhite, 0}}},
      {"translucent fill over white", {Rect(0, 0, 10, 10, 0x80FF0000)}, {{5, 5, 0xFFFF7F7F, 2}}},
      {"triangle",
       {triangle},
       {{30, 40, kRed, 0},
        {30, 20, kRed, 0},
        {12, 15, kWhite, 0},
        {48, 15, kWhite, 0},
        {30, 52, kWhite, 0}}},
      {"vertical gradient",
       {vertical},
       {{10, 0, 0xFFFD0002, 4}, {10, 99, 0xFF0200FD, 4}, {10, 50, 0xFF80007F, 4}}},
      {"horizontal gradient", {horizontal}, {{0, 10, 0xFFFD0002, 4}, {99, 10, 0xFF0200FD, 4}}},
      {"horizontal line on whole pixels",
       {line},
       {{50, 20, kBlack, 0}, {50, 19, kWhite, 0}, {50, 21, kWhite, 0}}},
      {"vertical spans",
       {columns},
       {{10, 30, kRed, 0},
        {11, 25, kRed, 0},
        {11, 15, kWhite, 0},
        {12, 40, kRed, 0},
        {12, 25, kWhite, 0},
        {13, 40, kWhite, 0},
        {9, 40, kWhite, 0}}},
      {"horizontal spans",
       {rows},
       {{15, 5, kBlue, 0},
        {35, 5, kWhite, 0},
        {35, 6, kBlue, 0},
        {5, 6, kWhite, 0},
        {15, 7, kWhite, 0}}},
      {"clip limits shapes until popped",
       {ClipPush{0, 0, 50, 50}, Rect(0, 0, 100, 100, kRed), ClipPop{}, Rect(60, 0, 20, 20, kBlue)},
       {{25, 25, kRed, 0},
        {75, 75, kWhite, 0},
        {49, 49, kRed, 0},
        {50, 25, kWhite, 0},
        {70, 10, kBlue, 0}}},
      {"nested clips intersect",
       {ClipPush{0, 0, 50, 50}, ClipPush{25, 25, 50, 50}, Rect(0, 0, 100, 100, kRed), ClipPop{},
        ClipPop{}},
       {{30, 30, kRed, 0}, {10, 10, kWhite, 0}, {60, 60, kWhite, 0}}},
      {"unmatched pop is ignored", {ClipPop{}, Rect(0, 0, 10, 10, kRed)}, {{5, 5, kRed, 0}}},
      {"shapes with NaN are skipped, others drawn",
       {Rect(nan, 0, 10, 10, kBlue), Rect(0, 0, 10, 10, kRed)},
       {{5, 5, kRed, 0}}},
      {"huge coordinates are drawn clamped",
       {Rect(-1e300, 10, 2e300, 10, kRed)},
       {{50, 15, kRed, 0}}},
      {"horizontal hatch: lines every 8 px, clipped to the shape",
       {Hatched(kHatchHorizontal)},
       {{30, 24, kBlack, 0},
        {30, 32, kBlack, 0},
        {30, 28, kWhite, 0},
        {8, 8, kWhite, 0},
        {70, 24, kWhite, 0}}},
      {"vertical hatch", {Hatched(kHatchVertical)}, {{24, 30, kBlack, 0}, {28, 30, kWhite, 0}}},
      {"cross hatch",
       {Hatched(kHatchCross)},
       {{24, 30, kBlack, 0}, {30, 24, kBlack, 0}, {28, 29, kWhite, 0}}},
  };
}

TEST(CairoShapes, PixelsAtKnownPoints) {
  for (ShapeCase& c : ShapeCases()) {
    SCOPED_TRACE(c.name);
    const CairoImage image = Render(ListOf(100, 100, std::move(c.shapes)));
    for (const Probe& p : c.probes) EXPECT_TRUE(ColourNear(image, p.x, p.y, p.colour, p.tolerance));
  }
}

TEST(CairoShapes, DiagonalHatchesCrossEveryRowOfTheShape) {
  for (std::int32_t hatch : {kHatchForwardDiagonal, kHatchBackwardDiagonal, kHatchDiagonalCross}) {
    SCOPED_TRACE(hatch);
    const CairoImage image = Render(ListOf(100, 100, {Hatched(hatch)}));
    const int perRow = hatch == kHatchDiagonalCross ? 12 : 6;
    for (int y : {22, 30, 58}) {  // rows where the two diagonals do not meet
      const int runs = InkRunsInRow(image, y, 16, 63);
      EXPECT_GE(runs, perRow - 2) << "row " << y;
      EXPECT_LE(runs, perRow + 1) << "row " << y;
    }
    EXPECT_EQ(InkRunsInRow(image, 10, 0, 99), 0);
  }
}

TEST(CairoShapes, DashedLinesAreBrokenSolidLinesAreNot) {
  for (Dash dash : {Dash::kSolid, Dash::kDash, Dash::kDot, Dash::kDashDot}) {
    LineShape line;
    line.points = {{0, 10}, {99, 10}};
    line.stroke.dash = dash;
    line.stroke.width = 2;
    const CairoImage image = Render(ListOf(100, 20, {line}));
    const int runs = InkRunsInRow(image, 10, 0, 99);
    if (dash == Dash::kSolid) {
      EXPECT_EQ(runs, 1);
    } else {
      EXPECT_GE(runs, 8) << int(dash);
    }
  }
}

// Straight patterned lines and frames cover exactly the pixels of the boxes
// the shared geometry gives (the ones the GDI+ backend fills), each one fully
// inked, the rest untouched.
TEST(CairoShapes, StraightPatternsInkWholePixelsAsTheGeometrySays) {
  for (Dash dash : {Dash::kSolid, Dash::kDash, Dash::kDot, Dash::kDashDot}) {
    for (double width : {1.0, 2.0, 3.0}) {
      const Stroke stroke{kBlack, width, dash};
      LineShape across{{{5, 20.3}, {93, 20.3}}, stroke}, down{{{80.6, 30}, {80.6, 95}}, stroke};
      RectShape frame = Rect(10.2, 40, 50, 40, kWhite);
      frame.outlined = true;
      frame.outline = stroke;
      const std::vector<Point> corners{{10.2, 40}, {60.2, 40}, {60.2, 80}, {10.2, 80}};
      const CairoImage image = Render(ListOf(100, 100, {across, down, frame}));
      std::vector<Box> boxes = PixelStrokeBoxes(across.points, false, width, DashOf(stroke));
      for (const Box& b : PixelStrokeBoxes(down.points, false, width, DashOf(stroke))) {
        boxes.push_back(b);
      }
      for (const Box& b : PixelStrokeBoxes(corners, true, width, DashOf(stroke))) {
        boxes.push_back(b);
      }
      int wrong = 0;
      for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
          const bool inked = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
            return b.x0 <= x && x < b.x1 && b.y0 <= y && y < b.y1;
          });
          wrong += !ColourNear(image, x, y, inked ? kBlack : kWhite, 0);
        }
      }
      EXPECT_EQ(wrong, 0) << "dash " << int(dash) << " width " << width;
    }
  }
}

TEST(CairoShapes, UnbalancedClipIsReleasedAfterTheList) {
  CairoImage image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 40));
  cairo_t* cr = cairo_create(image.surface());
  CairoFonts fonts;
  DrawOnCairo(cr, ListOf(40, 40, {ClipPush{0, 0, 10, 10}}), fonts, device::kPictureLimits);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(image.surface());
  EXPECT_TRUE(ColourNear(image, 30, 30, kRed, 0));
}

// ------------------------------------------------------------------ text

TextShape Text(const std::string& text, double x, double y, HAlign h, VAlign v, double angle = 0) {
  TextShape t;
  t.text = text;
  t.anchor = {x, y};
  t.hAlign = h;
  t.vAlign = v;
  t.angle = angle;
  t.font.sizePx = 20;
  return t;
}

// Where the ink of a text must lie: the measured box around the aligned
// anchor, a little wider for anti-aliasing and glyph overhang.
TEST(CairoText, InkLiesInsideTheMeasuredBoxForEveryAlignment) {
  CairoFonts fonts;
  CairoTextMeasurer measurer(fonts);
  const std::string text = "HHxH";
  const TextExtent m = measurer.Measure(Font{"", 20, false, false}, text);
  ASSERT_GT(m.width, 30);
  for (HAlign h : {HAlign::kLeft, HAlign::kCentre, HAlign::kRight}) {
    for (VAlign v : {VAlign::kTop, VAlign::kMiddle, VAlign::kBaseline, VAlign::kBottom}) {
      SCOPED_TRACE(::testing::Message() << "h " << int(h) << " v " << int(v));
      const double left = 100 - (h == HAlign::kLeft     ? 0
                                 : h == HAlign::kCentre ? m.width / 2
                                                        : m.width);
      const double baseline = 50 + (v == VAlign::kTop      ? m.ascent
                                    : v == VAlign::kMiddle ? (m.ascent - m.descent) / 2
                                    : v == VAlign::kBottom ? -m.descent
                                                           : 0);
      const auto ink = FindInk(Render(ListOf(200, 100, {Text(text, 100, 50, h, v)})));
      ASSERT_FALSE(ink.empty());
      EXPECT_GE(ink.x0, left - 2);
      EXPECT_LE(ink.x1, left + m.width + 2);
      EXPECT_GE(ink.y0, baseline - m.ascent - 1);
      EXPECT_LE(ink.y1, baseline + 1);  // capitals and x sit on the baseline
      EXPECT_GT(ink.x1 - ink.x0, m.width * 0.8);
    }
  }
}

TEST(CairoText, RotationIsCounterClockwiseAroundTheAnchor) {
  CairoFonts fonts;
  CairoTextMeasurer measurer(fonts);
  const TextExtent m = measurer.Measure(Font{"", 20, false, false}, "HHHHHH");
  // A quarter turn reads upwards: the text runs up from the anchor.
  auto ink = FindInk(
      Render(ListOf(100, 200, {Text("HHHHHH", 50, 150, HAlign::kLeft, VAlign::kBaseline, 90)})));
  EXPECT_GE(ink.x0, 50 - m.ascent - 1);
  EXPECT_LE(ink.x1, 51);
  EXPECT_GE(ink.y0, 150 - m.width - 2);
  EXPECT_LE(ink.y1, 151);
  EXPECT_GT(ink.y1 - ink.y0, m.width * 0.8);
  // Half a turn: upside down, to the left of the anchor.
  ink = FindInk(
      Render(ListOf(200, 100, {Text("HHHHHH", 150, 50, HAlign::kLeft, VAlign::kBaseline, 180)})));
  EXPECT_LE(ink.x1, 152);
  EXPECT_GE(ink.x0, 150 - m.width - 2);
  EXPECT_GE(ink.y0, 49);
}

TEST(CairoText, MeasuresGrowWithTextSizeAndWeight) {
  CairoFonts fonts;
  CairoTextMeasurer measurer(fonts);
  const Font regular{"", 12, false, false};
  const TextExtent empty = measurer.Measure(regular, "");
  EXPECT_EQ(empty.width, 0);
  EXPECT_GT(empty.ascent, 8);
  EXPECT_GT(empty.descent, 1);
  const double one = measurer.Measure(regular, "Sales").width;
  EXPECT_NEAR(measurer.Measure(regular, "SalesSales").width, 2 * one, 0.01);
  EXPECT_NEAR(measurer.Measure(Font{"", 24, false, false}, "Sales").width, 2 * one, 0.01);
  EXPECT_GT(measurer.Measure(Font{"", 12, true, false}, "Sales").width, one);
  // A family that is not installed measures as the default family.
  EXPECT_EQ(measurer.Measure(Font{"No Such Family 12", 12, false, false}, "Sales").width, one);
}

TEST(CairoText, FamiliesResolveToInstalledOnesOrTheDefault) {
  CairoFonts fonts;
  EXPECT_EQ(fonts.Resolve(""), kDefaultFontFamily);
  EXPECT_EQ(fonts.Resolve("No Such Family 12"), kDefaultFontFamily);
  EXPECT_EQ(fonts.Resolve("DejaVu Sans Mono"), "DejaVu Sans Mono");
  EXPECT_EQ(fonts.Resolve("dejavu sans mono"), "dejavu sans mono");
}

TEST(CairoText, Windows1252BecomesUtf8) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"Q1 2024", "Q1 2024"},
      {"\x80", "\xE2\x82\xAC"},                    // euro sign
      {"caf\xE9", "caf\xC3\xA9"},                  // e acute
      {"\x93x\x94", "\xE2\x80\x9Cx\xE2\x80\x9D"},  // curly quotes
      {"\x9F\xFF", "\xC5\xB8\xC3\xBF"},            // Y and y with diaeresis
      {"\x81", "\xC2\x81"},                        // undefined byte: its control character
  };
  for (const auto& c : cases) EXPECT_EQ(text::ToUtf8(c.in, 1252), c.out) << c.in;
}

// ---------------------------------------------------------------- images

class CairoPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(::testing::TempDir()) /
              ("vantiro-pictures-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // A 32x32 picture of four quarters: red, green / blue, white (quarters
  // as large as JPEG's blocks, so that its colours stay apart).
  std::string Write(const std::string& name,
                    std::vector<std::uint8_t> (*encode)(const PixelView&)) {
    const std::uint32_t quarters[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    std::uint32_t pixels[32 * 32];
    for (int i = 0; i < 32 * 32; ++i) pixels[i] = quarters[(i / 32 >= 16) * 2 + (i % 32 >= 16)];
    const auto bytes =
        encode(PixelView{reinterpret_cast<const std::uint8_t*>(pixels), 32, 32, 128});
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  std::filesystem::path folder_;
};

std::vector<std::uint8_t> EncodeJpegBest(const PixelView& p) { return EncodeJpeg(p, 100); }

TEST_F(CairoPictures, PicturesAreStretchedIntoTheirRectangle) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> (*encode)(const PixelView&);
    int tolerance;
  } cases[] = {{"p.png", EncodePng, 0}, {"p.bmp", EncodeBmp, 0}, {"p.jpeg", EncodeJpegBest, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageShape picture;
    picture.path = Write(c.name, c.encode);
    picture.x = 10;
    picture.y = 10;
    picture.width = 80;
    picture.height = 80;
    const CairoImage image = Render(ListOf(100, 100, {picture}));
    EXPECT_TRUE(ColourNear(image, 15, 15, kRed, c.tolerance));
    EXPECT_TRUE(ColourNear(image, 85, 15, 0xFF00FF00, c.tolerance));
    EXPECT_TRUE(ColourNear(image, 15, 85, kBlue, c.tolerance));
    EXPECT_TRUE(ColourNear(image, 5, 5, kWhite, 0));
  }
}

TEST_F(CairoPictures, UnreadablePicturesAreSkipped) {
  const std::string garbage = (folder_ / "garbage.png").string();
  std::ofstream(garbage) << "\x89PNG\r\n\x1a\n this is not a picture";
  const std::string truncatedJpeg = (folder_ / "t.jpg").string();
  std::ofstream(truncatedJpeg) << "\xFF\xD8\xFF\xE0 truncated";
  const std::string pipe = (folder_ / "pipe.png").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);  // no writer: reading it would block the drawing
  for (const std::string& path : {std::string("/no/such/file.png"), garbage, truncatedJpeg,
                                  folder_.string(), pipe, std::string()}) {
    ImageShape picture;
    picture.path = path;
    picture.width = picture.height = 50;
    const CairoImage image = Render(ListOf(60, 60, {picture, Rect(50, 50, 10, 10, kRed)}));
    EXPECT_TRUE(ColourNear(image, 25, 25, kWhite, 0)) << path;
    EXPECT_TRUE(ColourNear(image, 55, 55, kRed, 0)) << path;
  }
}

TEST(CairoVector, SvgAndPdfDocumentsCarryTheirSignatures) {
  const DrawList list = ListOf(
      200, 100, {Rect(10, 10, 50, 50, kRed), Text("Q1", 20, 80, HAlign::kLeft, VAlign::kBaseline)});
  CairoFonts fonts;
  std::vector<std::uint8_t> svg, pdf;
  ASSERT_TRUE(RenderToSvg(list, fonts, device::kPictureLimits, svg));
  ASSERT_TRUE(RenderToPdf(list, fonts, device::kPictureLimits, pdf));
  const std::string svgText(svg.begin(), svg.end());
  EXPECT_EQ(svgText.rfind("<?xml", 0), 0u);
  EXPECT_NE(svgText.find("<svg"), std::string::npos);
  EXPECT_NE(svgText.find("width=\"200"), std::string::npos);
  EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
  EXPECT_NE(std::string(pdf.end() - 6, pdf.end()).find("%%EOF"), std::string::npos);
  EXPECT_FALSE(RenderToPdf(ListOf(0, 100, {}), fonts, device::kPictureLimits, pdf));
}

// Browsers show an SVG at its width and height: a 640 x 480 chart must say
// 640 x 480 CSS pixels (px, or no unit), not points.
TEST(CairoVector, SvgSizeIsInPixels) {
  CairoFonts fonts;
  std::vector<std::uint8_t> svg;
  ASSERT_TRUE(RenderToSvg(ListOf(640, 480, {Rect(10, 10, 50, 50, kRed)}), fonts,
                          device::kPictureLimits, svg));
  const std::string text(svg.begin(), svg.end());
  const std::string header = text.substr(0, text.find('>', text.find("<svg")));
  const auto attribute = [&](const std::string& name) {
    const std::size_t at = header.find(" " + name + "=\"");
    if (at == std::string::npos) return std::string("missing");
    const std::size_t from = at + name.size() + 3;
    return header.substr(from, header.find('"', from) - from);
  };
  for (const auto& [name, pixels] : {std::pair<std::string, std::string>{"width", "640"},
                                     std::pair<std::string, std::string>{"height", "480"}}) {
    const std::string value = attribute(name);
    EXPECT_TRUE(value == pixels || value == pixels + "px") << name << "=" << value;
  }
  EXPECT_EQ(attribute("viewBox"), "0 0 640 480");
}

}  // namespace
}  // namespace vantiro::engine::render
