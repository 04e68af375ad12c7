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

namespace vantiro::engine::render {
namespace {

using Gdiplus::GraphicsPath;
using Gdiplus::GraphicsState;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;

// Coordinates beyond this are pulled in: far off any chart, and inside the
// range every GDI+ rasterises correctly (Wine's fails somewhere above 1e6).
constexpr double kFar = 1.0e5;

REAL F(double v) { return static_cast<REAL>(std::clamp(v, -kFar, kFar)); }

bool Finite(double a, double b, double c = 0, double d = 0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

bool Finite(const std::vector<Point>& points) {
  return std::all_of(points.begin(), points.end(), [](const Point& p) { return Finite(p.x, p.y); });
}

INT Count(std::size_t n) {
  return static_cast<INT>(std::min<std::size_t>(n, std::numeric_limits<INT>::max()));
}

Gdiplus::Color ToColor(Argb colour) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(colour)); }

// A rectangle with its width and height made non-negative, its edges held
// inside GDI+'s range.
RectF Normalized(double x, double y, double width, double height) {
  const double x0 = std::clamp(std::min(x, x + width), -kFar, kFar);
  const double x1 = std::clamp(std::max(x, x + width), -kFar, kFar);
  const double y0 = std::clamp(std::min(y, y + height), -kFar, kFar);
  const double y1 = std::clamp(std::max(y, y + height), -kFar, kFar);
  return RectF(F(x0), F(y0), static_cast<REAL>(x1 - x0), static_cast<REAL>(y1 - y0));
}

std::vector<PointF> ToPoints(const std::vector<Point>& points) {
  std::vector<PointF> out;
  out.reserve(points.size());
  for (const Point& p : points) out.emplace_back(F(p.x), F(p.y));
  return out;
}

RectF Bounds(const std::vector<PointF>& points) {
  REAL left = points.front().X, right = left;
  REAL top = points.front().Y, bottom = top;
  for (const PointF& p : points) {
    left = std::min(left, p.X);
    right = std::max(right, p.X);
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  return RectF(left, top, right - left, bottom - top);
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

// The dash pattern of a stroke, in pixels; empty for a solid one. Lengths
// are multiples of the line width, at least one pixel.
std::vector<double> DashLengths(const Stroke& stroke) {
  const float* pattern = nullptr;
  std::size_t count = 0;
  switch (stroke.dash) {
    case Dash::kSolid: break;
    case Dash::kDash:
      pattern = kDashPattern;
      count = std::size(kDashPattern);
      break;
    case Dash::kDot:
      pattern = kDotPattern;
      count = std::size(kDotPattern);
      break;
    case Dash::kDashDot:
      pattern = kDashDotPattern;
      count = std::size(kDashDotPattern);
      break;
  }
  const double unit = std::max(stroke.width, 1.0);
  std::vector<double> lengths;
  for (std::size_t i = 0; i < count; ++i) lengths.push_back(pattern[i] * unit);
  return lengths;
}

bool Visible(const Stroke& stroke) {
  return std::isfinite(stroke.width) && stroke.width > 0 && (stroke.colour >> 24) != 0;
}

double WidthOf(const Stroke& stroke) { return std::min(stroke.width, 1000.0); }

// A pen for a visible stroke.
std::unique_ptr<Gdiplus::Pen> MakePen(const Stroke& stroke) {
  const double width = WidthOf(stroke);
  auto pen = std::make_unique<Gdiplus::Pen>(ToColor(stroke.colour), static_cast<REAL>(width));
  const std::vector<double> lengths = DashLengths(stroke);
  if (!lengths.empty()) {
    // GDI+ counts dash lengths in pen widths.
    std::vector<REAL> relative;
    for (double length : lengths) relative.push_back(static_cast<REAL>(length / width));
    pen->SetDashPattern(relative.data(), Count(relative.size()));
  }
  return pen;
}

bool Straight(const std::vector<Point>& points) {
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (points[i - 1].x != points[i].x && points[i - 1].y != points[i].y) return false;
  }
  return true;
}

// Adds the rectangles that a stroke `width` wide along the horizontal and
// vertical segments of `points` covers, with flat ends. Solid strokes get
// square corners (their segments are lengthened by half the width where they
// meet); dashed ones carry their dash pattern on from segment to segment.
void AddStraightStroke(GraphicsPath& rects, const std::vector<PointF>& points, bool closed,
                       double width, const std::vector<double>& dashes) {
  const double half = width / 2;
  const std::size_t segments = closed ? points.size() : points.size() - 1;
  std::size_t dash = 0;
  double dashLeft = dashes.empty() ? 0 : dashes[0];
  for (std::size_t i = 0; i < segments; ++i) {
    const PointF& a = points[i];
    const PointF& b = points[(i + 1) % points.size()];
    const bool horizontal = a.Y == b.Y;
    const double from = horizontal ? a.X : a.Y, to = horizontal ? b.X : b.Y;
    const double across = horizontal ? a.Y : a.X;
    const double direction = to >= from ? 1 : -1;
    const double length = std::fabs(to - from);
    const auto add = [&](double start, double end) {  // distances along the segment
      const double p = from + direction * start, q = from + direction * end;
      const double low = std::min(p, q), high = std::max(p, q);
      const REAL along = static_cast<REAL>(high - low), thick = static_cast<REAL>(width);
      rects.AddRectangle(horizontal ? RectF(F(low), F(across - half), along, thick)
                                    : RectF(F(across - half), F(low), thick, along));
    };
    if (dashes.empty()) {
      const bool joinedBefore = closed || i > 0;
      const bool joinedAfter = closed || i + 1 < segments;
      add(joinedBefore ? -half : 0, joinedAfter ? length + half : length);
      continue;
    }
    for (double at = 0; at < length;) {
      const double step = std::min(dashLeft, length - at);
      if (dash % 2 == 0 && step > 0) add(at, at + step);
      at += step;
      dashLeft -= step;
      if (dashLeft <= 0) {
        dash = (dash + 1) % dashes.size();
        dashLeft = dashes[dash];
      }
    }
  }
}

// Hatch over `box`, on the grid fixed to the surface's origin: straight
// lines as one-pixel rectangles into `bands`, diagonal ones into `lines`.
void AddHatch(GraphicsPath& bands, GraphicsPath& lines, std::int32_t hatch, const RectF& box) {
  const double x0 = box.X, y0 = box.Y, x1 = box.X + box.Width, y1 = box.Y + box.Height;
  const double s = kHatchSpacing;
  const auto add = [&lines](double ax, double ay, double bx, double by) {
    lines.StartFigure();
    lines.AddLine(F(ax), F(ay), F(bx), F(by));
  };
  const bool horizontal = hatch == kHatchHorizontal || hatch == kHatchCross;
  const bool vertical = hatch == kHatchVertical || hatch == kHatchCross;
  const bool forward = hatch == kHatchForwardDiagonal || hatch == kHatchDiagonalCross;
  const bool backward = hatch == kHatchBackwardDiagonal || hatch == kHatchDiagonalCross;
  const REAL wide = static_cast<REAL>(x1 - x0), tall = static_cast<REAL>(y1 - y0);
  if (horizontal) {
    for (double y = std::floor(y0 / s) * s; y <= y1; y += s) {
      bands.AddRectangle(RectF(F(x0), F(y), wide, 1.0f));
    }
  }
  if (vertical) {
    for (double x = std::floor(x0 / s) * s; x <= x1; x += s) {
      bands.AddRectangle(RectF(F(x), F(y0), 1.0f, tall));
    }
  }
  if (forward) {  // "/": x + y constant
    for (double c = std::floor((x0 + y0) / s) * s; c <= x1 + y1; c += s) {
      add(c - y1, y1, c - y0, y0);
    }
  }
  if (backward) {  // "\": x - y constant
    for (double c = std::floor((x0 - y1) / s) * s; c <= x1 - y0; c += s) {
      add(c + y0, y0, c + y1, y1);
    }
  }
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

class Painter {
 public:
  Painter(Gdiplus::Graphics& graphics, GdiplusFonts& fonts)
      : g_(graphics), fonts_(fonts), crisp_(Untransformed(graphics)) {}
  ~Painter() {
    // Restoring the oldest state releases every later one with it.
    if (!clips_.empty()) g_.Restore(clips_.front());
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  void operator()(const RectShape& rect) {
    if (!Finite(rect.x, rect.y, rect.width, rect.height)) return;
    const RectF box = Normalized(rect.x, rect.y, rect.width, rect.height);
    if (rect.filled) {
      g_.FillRectangle(MakeBrush(rect.fill, box).get(), box);
      if (rect.fill.hatch != kHatchNone) {
        StateGuard state(g_);
        g_.SetClip(box, Gdiplus::CombineModeIntersect);
        Hatch(rect.fill, box);
      }
    }
    if (rect.outlined && Visible(rect.outline)) {
      const double w = WidthOf(rect.outline);
      const PointF a = Snap(box.X, box.Y, w);
      const PointF b = Snap(box.X + box.Width, box.Y + box.Height, w);
      StraightStroke({a, PointF(b.X, a.Y), b, PointF(a.X, b.Y)}, true, rect.outline);
    }
  }

  void operator()(const PolygonShape& polygon) {
    if (polygon.points.size() < 2 || !Finite(polygon.points)) return;
    const std::vector<PointF> points = ToPoints(polygon.points);
    const RectF box = Bounds(points);
    // Non-zero winding, as Cairo fills.
    GraphicsPath path(Gdiplus::FillModeWinding);
    path.AddPolygon(points.data(), Count(points.size()));
    g_.FillPath(MakeBrush(polygon.fill, box).get(), &path);
    if (polygon.fill.hatch != kHatchNone) {
      StateGuard state(g_);
      g_.SetClip(&path, Gdiplus::CombineModeIntersect);
      Hatch(polygon.fill, box);
    }
    if (polygon.outlined && Visible(polygon.outline)) {
      g_.DrawPath(MakePen(polygon.outline).get(), &path);
    }
  }

  void operator()(const LineShape& line) {
    if (line.points.size() < 2 || !Finite(line.points) || !Visible(line.stroke)) return;
    if (Straight(line.points)) {
      // Horizontal and vertical lines sit on whole pixels on unscaled
      // surfaces so that they stay sharp.
      std::vector<PointF> points;
      points.reserve(line.points.size());
      for (const Point& p : line.points) points.push_back(Snap(p.x, p.y, WidthOf(line.stroke)));
      StraightStroke(points, false, line.stroke);
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
    const std::wstring wide = WideFrom1252(text.text);
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
    constexpr std::size_t kMaxPictureBytes = std::size_t{256} << 20;
    const std::vector<std::uint8_t> bytes = files::ReadRegularFile(image.path, kMaxPictureBytes);
    if (bytes.empty()) return;
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (stream == nullptr) return;
    struct Releaser {
      IStream* stream;
      ~Releaser() { stream->Release(); }
    } const release{stream};
    Gdiplus::Bitmap picture(stream);
    if (picture.GetLastStatus() != Gdiplus::Ok) return;
    const UINT width = picture.GetWidth(), height = picture.GetHeight();
    if (width == 0 || height == 0) return;
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

  // On unscaled surfaces, moves a point of a line `width` wide onto the pixel
  // grid: odd widths to pixel centres, even widths to pixel corners.
  PointF Snap(double x, double y, double width) const {
    x = std::clamp(x, -kFar, kFar);
    y = std::clamp(y, -kFar, kFar);
    if (crisp_) {
      const bool odd = std::lround(std::min(std::fabs(width), 1000.0)) % 2 == 1;
      x = odd ? std::floor(x) + 0.5 : std::round(x);
      y = odd ? std::floor(y) + 0.5 : std::round(y);
    }
    return PointF(F(x), F(y));
  }

  void StraightStroke(const std::vector<PointF>& points, bool closed, const Stroke& stroke) {
    GraphicsPath rects(Gdiplus::FillModeWinding);  // overlaps are painted once
    AddStraightStroke(rects, points, closed, WidthOf(stroke), DashLengths(stroke));
    Gdiplus::SolidBrush brush(ToColor(stroke.colour));
    g_.FillPath(&brush, &rects);
  }

  // Draws the hatch of `fill` over `box`; the caller has clipped to the shape.
  void Hatch(const Fill& fill, const RectF& box) {
    RectF visible;
    if (g_.GetVisibleClipBounds(&visible) != Gdiplus::Ok) return;
    RectF area;
    if (!RectF::Intersect(area, box, visible)) return;
    GraphicsPath bands(Gdiplus::FillModeWinding);
    GraphicsPath lines;
    AddHatch(bands, lines, fill.hatch, area);
    if (bands.GetPointCount() > 0) {
      Gdiplus::SolidBrush brush(ToColor(fill.hatchColour));
      g_.FillPath(&brush, &bands);
    }
    if (lines.GetPointCount() > 0) {
      Gdiplus::Pen pen(ToColor(fill.hatchColour), 1.0f);
      g_.DrawPath(&pen, &lines);
    }
  }

  Gdiplus::Graphics& g_;
  GdiplusFonts& fonts_;
  bool crisp_;
  std::vector<GraphicsState> clips_;
};

}  // namespace

void DrawOnGdiplus(Gdiplus::Graphics& graphics, const DrawList& list, GdiplusFonts& fonts) {
  StateGuard state(graphics);
  PrepareGraphics(graphics);
  Painter painter(graphics, fonts);
  for (const Shape& shape : list.shapes) std::visit(painter, shape);
}

}  // namespace vantiro::engine::render
