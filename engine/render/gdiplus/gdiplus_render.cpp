// Paints drawing primitives with GDI+. Shapes arrive fully laid out; this
// file only turns each into GDI+ calls. GDI+'s own pie and arc shapes are
// never used: slices come as polygons, which every GDI+ draws alike.
//
// Horizontal and vertical strokes (axes, grid lines, ticks, frames, straight
// hatches) are filled as rectangles rather than stroked with a pen: GDI+
// implementations round pen strokes to pixels differently (Wine's land half
// a pixel away from Windows'), while a rectangle on whole pixels covers the
// same pixels everywhere, and the same ones as the Cairo backend's lines.
#include "engine/render/gdiplus/gdiplus_render.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

#include <shlwapi.h>

#include "engine/files/file_io.h"
#include "engine/layout/draw_geometry.h"
#include "engine/render/gdiplus/stream_ref.h"

namespace vantiro::engine::render {
namespace {

using Gdiplus::GraphicsPath;
using Gdiplus::GraphicsState;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;

REAL F(double v) { return static_cast<REAL>(ClampCoordinate(v)); }

using engine::Finite;

bool Finite(double a, double b, double c = 0, double d = 0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

INT Count(std::size_t n) {
  return static_cast<INT>(std::min<std::size_t>(n, std::numeric_limits<INT>::max()));
}

Gdiplus::Color ToColor(Argb colour) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(colour)); }

RectF ToRect(const Box& box) {
  return RectF(F(box.x0), F(box.y0), static_cast<REAL>(box.x1 - box.x0),
               static_cast<REAL>(box.y1 - box.y0));
}

// A rectangle with its width and height made non-negative, its edges held
// inside the coordinate range.
RectF Normalized(double x, double y, double width, double height) {
  return ToRect(NormalizedBox(x, y, width, height));
}

PointF ToPoint(Point p) { return PointF(F(p.x), F(p.y)); }

std::vector<PointF> ToPoints(const std::vector<Point>& points) {
  std::vector<PointF> out;
  out.reserve(points.size());
  for (const Point& p : points) out.push_back(ToPoint(p));
  return out;
}

std::unique_ptr<Gdiplus::Brush> MakeBrush(const Fill& fill, const RectF& box) {
  if (fill.gradient == Gradient::kVertical || fill.gradient == Gradient::kHorizontal) {
    // A gradient needs some extent in both directions, even along the one it
    // does not vary in.
    RectF span = box;
    span.Width = std::max(span.Width, 1.0f);
    span.Height = std::max(span.Height, 1.0f);
    auto brush = std::make_unique<Gdiplus::LinearGradientBrush>(
        span, ToColor(fill.colour), ToColor(fill.colour2),
        fill.gradient == Gradient::kVertical ? Gdiplus::LinearGradientModeVertical
                                             : Gdiplus::LinearGradientModeHorizontal);
    if (brush->GetLastStatus() == Gdiplus::Ok) {
      // Plain tiling would start the far edge's pixels over with the first
      // colour; mirroring keeps both edges at their own colour.
      brush->SetWrapMode(Gdiplus::WrapModeTileFlipXY);
      return brush;
    }
  }
  return std::make_unique<Gdiplus::SolidBrush>(ToColor(fill.colour));
}

// A pen for a visible stroke.
std::unique_ptr<Gdiplus::Pen> MakePen(const Stroke& stroke) {
  const double width = StrokeWidth(stroke);
  auto pen = std::make_unique<Gdiplus::Pen>(ToColor(stroke.colour), static_cast<REAL>(width));
  const DashPattern dash = DashOf(stroke);
  if (!dash.Solid()) {
    // GDI+ counts dash lengths and offsets in pen widths.
    std::vector<REAL> relative;
    for (double length : dash) relative.push_back(static_cast<REAL>(length / width));
    pen->SetDashPattern(relative.data(), Count(relative.size()));
    pen->SetDashOffset(static_cast<REAL>(dash.offset / width));
  }
  return pen;
}

// Restores a graphics state on every way out of a scope.
class StateGuard {
 public:
  explicit StateGuard(Gdiplus::Graphics& graphics) : graphics_(graphics), state_(graphics.Save()) {}
  ~StateGuard() { graphics_.Restore(state_); }
  StateGuard(const StateGuard&) = delete;
  StateGuard& operator=(const StateGuard&) = delete;

 private:
  Gdiplus::Graphics& graphics_;
  GraphicsState state_;
};

class GdiplusShapeDrawer {
 public:
  GdiplusShapeDrawer(Gdiplus::Graphics& graphics, GdiplusFonts& fonts,
                     const PictureLimits& pictures)
      : g_(graphics),
        fonts_(fonts),
        pictures_(pictures),
        crisp_(Untransformed(graphics)),
        antiAliased_(AntiAliasesShapes()) {}
  ~GdiplusShapeDrawer() {
    // Restoring the oldest state releases every later one with it.
    if (!clips_.empty()) g_.Restore(clips_.front());
  }
  GdiplusShapeDrawer(const GdiplusShapeDrawer&) = delete;
  GdiplusShapeDrawer& operator=(const GdiplusShapeDrawer&) = delete;

  void operator()(const RectShape& rect) {
    if (!Finite(rect.x, rect.y, rect.width, rect.height)) return;
    const Box box = NormalizedBox(rect.x, rect.y, rect.width, rect.height);
    if (rect.filled) {
      const RectF area = ToRect(box);
      g_.FillRectangle(MakeBrush(rect.fill, area).get(), area);
      if (rect.fill.hatch != kHatchNone) {
        StateGuard state(g_);
        g_.SetClip(area, Gdiplus::CombineModeIntersect);
        Hatch(rect.fill, box);
      }
    }
    if (rect.outlined && StrokeVisible(rect.outline)) {
      StraightStroke({{box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}}, true,
                     rect.outline);
    }
  }

  void operator()(const PolygonShape& polygon) {
    if (polygon.points.size() < 2 || !Finite(polygon.points)) return;
    const std::vector<PointF> points = ToPoints(polygon.points);
    const Box box = BoundsOf(polygon.points);
    // Non-zero winding, as Cairo fills.
    GraphicsPath path(Gdiplus::FillModeWinding);
    path.AddPolygon(points.data(), Count(points.size()));
    g_.FillPath(MakeBrush(polygon.fill, ToRect(box)).get(), &path);
    if (polygon.fill.hatch != kHatchNone) {
      StateGuard state(g_);
      g_.SetClip(&path, Gdiplus::CombineModeIntersect);
      Hatch(polygon.fill, box);
    }
    if (polygon.outlined && StrokeVisible(polygon.outline)) Outline(path, polygon.outline);
  }

  void operator()(const LineShape& line) {
    if (line.points.size() < 2 || !Finite(line.points) || !StrokeVisible(line.stroke)) return;
    if (AxisAligned(line.points)) {
      StraightStroke(line.points, false, line.stroke);
      return;
    }
    const std::vector<PointF> points = ToPoints(line.points);
    g_.DrawLines(MakePen(line.stroke).get(), points.data(), Count(points.size()));
  }

  void operator()(const SpanShape& spans) {
    if (!std::isfinite(spans.start)) return;
    const std::size_t n = std::min(spans.from.size(), spans.to.size());
    std::vector<RectF> rects;
    rects.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double from = spans.from[i], to = spans.to[i];
      if (!Finite(from, to) || from == to) continue;
      const double across = spans.start + static_cast<double>(i);
      const double low = std::min(from, to), length = std::fabs(to - from);
      rects.push_back(spans.vertical ? RectF(F(across), F(low), 1.0f, F(length))
                                     : RectF(F(low), F(across), F(length), 1.0f));
    }
    if (rects.empty()) return;
    // One call for all columns: the spans never overlap.
    Gdiplus::SolidBrush brush(ToColor(spans.colour));
    g_.FillRectangles(&brush, rects.data(), Count(rects.size()));
  }

  void operator()(const TextShape& text) {
    if (text.text.empty() || !Finite(text.anchor.x, text.anchor.y, text.angle)) return;
    const GdiplusFace* face = fonts_.Face(text.font);
    if (face == nullptr) return;
    const std::wstring wide = WideFromAnsi(text.text);
    const TextExtent extent = fonts_.Measure(text.font, wide);
    // Offsets of the text's top-left from the anchor, before rotation.
    double dx = 0;
    if (text.hAlign == HAlign::kCentre) dx = -extent.width / 2;
    if (text.hAlign == HAlign::kRight) dx = -extent.width;
    double dy = 0;
    switch (text.vAlign) {
      case VAlign::kTop: dy = 0; break;
      case VAlign::kMiddle: dy = -(extent.ascent + extent.descent) / 2; break;
      case VAlign::kBaseline: dy = -extent.ascent; break;
      case VAlign::kBottom: dy = -(extent.ascent + extent.descent); break;
    }
    StateGuard state(g_);
    g_.TranslateTransform(F(text.anchor.x), F(text.anchor.y));
    // Counter-clockwise on screen, where y grows downwards.
    if (text.angle != 0) g_.RotateTransform(static_cast<REAL>(-std::fmod(text.angle, 360.0)));
    Gdiplus::SolidBrush brush(ToColor(text.colour));
    g_.DrawString(wide.c_str(), Count(wide.size()), face->font.get(), PointF(F(dx), F(dy)),
                  &fonts_.Format(), &brush);
  }

  void operator()(const ImageShape& image) {
    if (image.path.empty() || !Finite(image.x, image.y, image.width, image.height)) return;
    if (image.width == 0 || image.height == 0) return;
    // Read as a regular file only (never a pipe or a device), then decoded
    // from memory. GDI+ keeps reading the stream while the bitmap lives.
    const std::vector<std::uint8_t> bytes =
        files::ReadRegularFile(image.path, files::kMaxPictureFileBytes);
    if (bytes.empty()) return;
    const StreamRef stream(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    if (stream.get() == nullptr) return;
    Gdiplus::Bitmap picture(stream.get());
    if (picture.GetLastStatus() != Gdiplus::Ok) return;
    // The size comes from the header; the pixels are decoded only when
    // drawn, so a picture too large for the device is never decoded.
    const UINT width = picture.GetWidth(), height = picture.GetHeight();
    if (!pictures_.Allow(width, height)) return;
    // Mirrored edges stop the stretched picture from fading into
    // transparency along its border.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    g_.DrawImage(&picture, Normalized(image.x, image.y, image.width, image.height), 0, 0,
                 static_cast<REAL>(width), static_cast<REAL>(height), Gdiplus::UnitPixel,
                 &attributes);
  }

  void operator()(const ClipPush& clip) {
    clips_.push_back(g_.Save());
    if (Finite(clip.x, clip.y, clip.width, clip.height)) {
      g_.IntersectClip(Normalized(clip.x, clip.y, clip.width, clip.height));
    } else {
      // A clip that cannot be placed hides what it would have clipped.
      g_.IntersectClip(RectF(0, 0, 0, 0));
    }
  }

  void operator()(const ClipPop&) {
    if (clips_.empty()) return;
    g_.Restore(clips_.back());
    clips_.pop_back();
  }

 private:
  static bool Untransformed(Gdiplus::Graphics& graphics) {
    Gdiplus::Matrix transform;
    const Gdiplus::Unit unit = graphics.GetPageUnit();
    return graphics.GetTransform(&transform) == Gdiplus::Ok && transform.IsIdentity() &&
           (unit == Gdiplus::UnitPixel || unit == Gdiplus::UnitDisplay) &&
           graphics.GetPageScale() == 1.0f;
  }

  // True if this GDI+ anti-aliases shapes (Windows' does, Wine's does not):
  // a rectangle over half a pixel leaves that pixel partly covered.
  static bool AntiAliasesShapes() {
    Gdiplus::Bitmap probe(1, 1, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics graphics(&probe);
      graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
      PrepareGraphics(graphics);
      Gdiplus::SolidBrush black(Gdiplus::Color(0xFF000000));
      graphics.FillRectangle(&black, RectF(0, 0, 0.5f, 1));
    }
    Gdiplus::Color colour;
    if (probe.GetPixel(0, 0, &colour) != Gdiplus::Ok) return true;
    return colour.GetR() > 32 && colour.GetR() < 224;
  }

  // Strokes the outline of `path`. A GDI+ that does not anti-alias (Wine's)
  // rounds pen lines and fills differently, so a pen alone leaves pixels of
  // the fill sticking out beyond the edge, or gaps inside it. There the
  // widened outline, filled by the same rasteriser as the shape, covers the
  // fill's edge pixels exactly, and the pen on top keeps thin edges unbroken.
  void Outline(const GraphicsPath& path, const Stroke& stroke) {
    const std::unique_ptr<Gdiplus::Pen> pen = MakePen(stroke);
    std::unique_ptr<GraphicsPath> band(antiAliased_ ? nullptr : path.Clone());
    if (band == nullptr || band->Widen(pen.get()) != Gdiplus::Ok) {
      g_.DrawPath(pen.get(), &path);
      return;
    }
    band->SetFillMode(Gdiplus::FillModeWinding);
    Gdiplus::SolidBrush brush(ToColor(stroke.colour));
    g_.FillPath(&brush, band.get());
    g_.DrawPath(pen.get(), &path);
  }

  // Horizontal and vertical strokes as filled rectangles; on unscaled
  // surfaces whole pixels, so that they stay sharp.
  void StraightStroke(const std::vector<Point>& points, bool closed, const Stroke& stroke) {
    GraphicsPath rects(Gdiplus::FillModeWinding);  // overlaps are painted once
    const double width = StrokeWidth(stroke);
    const DashPattern dash = DashOf(stroke);
    for (const Box& box : crisp_ ? PixelStrokeBoxes(points, closed, width, dash)
                                 : StraightStrokeBoxes(points, closed, width, dash)) {
      rects.AddRectangle(ToRect(box));
    }
    Gdiplus::SolidBrush brush(ToColor(stroke.colour));
    g_.FillPath(&brush, &rects);
  }

  // Draws the hatch of `fill` over `box`; the caller has clipped to the
  // shape. Straight lines are filled as one-pixel rectangles, diagonal ones
  // stroked.
  void Hatch(const Fill& fill, const Box& box) {
    RectF visible;
    if (g_.GetVisibleClipBounds(&visible) != Gdiplus::Ok) return;
    const Box shown{visible.X, visible.Y, visible.X + visible.Width, visible.Y + visible.Height};
    const HatchLines lines = HatchOver(fill.hatch, Intersection(box, shown));
    const double half = kHatchWidth / 2;
    if (!lines.straight.empty()) {
      GraphicsPath bands(Gdiplus::FillModeWinding);
      for (const Segment& s : lines.straight) {
        const double dx = s.a.x == s.b.x ? half : 0, dy = s.a.y == s.b.y ? half : 0;
        bands.AddRectangle(ToRect(Box{std::min(s.a.x, s.b.x) - dx, std::min(s.a.y, s.b.y) - dy,
                                      std::max(s.a.x, s.b.x) + dx, std::max(s.a.y, s.b.y) + dy}));
      }
      Gdiplus::SolidBrush brush(ToColor(fill.hatchColour));
      g_.FillPath(&brush, &bands);
    }
    if (!lines.diagonal.empty()) {
      GraphicsPath path;
      for (const Segment& s : lines.diagonal) {
        path.StartFigure();
        path.AddLine(ToPoint(s.a), ToPoint(s.b));
      }
      Gdiplus::Pen pen(ToColor(fill.hatchColour), static_cast<REAL>(kHatchWidth));
      g_.DrawPath(&pen, &path);
    }
  }

  Gdiplus::Graphics& g_;
  GdiplusFonts& fonts_;
  const PictureLimits& pictures_;
  bool crisp_;
  bool antiAliased_;
  std::vector<GraphicsState> clips_;
};

}  // namespace

void DrawOnGdiplus(Gdiplus::Graphics& graphics, const DrawList& list, GdiplusFonts& fonts,
                   const PictureLimits& pictures) {
  StateGuard state(graphics);
  PrepareGraphics(graphics);
  GdiplusShapeDrawer drawer(graphics, fonts, pictures);
  for (const Shape& shape : list.shapes) std::visit(drawer, shape);
}

}  // namespace vantiro::engine::render
