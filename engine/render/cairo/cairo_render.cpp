// Paints drawing lists with Cairo, and renders them to images, SVG and PDF.
#include "engine/render/cairo/cairo_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include "engine/render/cairo/image_decode.h"

namespace vantiro::engine::render {
namespace {

// Coordinates beyond this are pulled in: far off any image, and well
// inside the range of Cairo's fixed-point numbers.
constexpr double kCoordinateLimit = 1e6;

// Hatch lines: one pixel wide, this many pixels apart, anchored to the
// target's origin so that neighbouring shapes' hatches line up.
constexpr double kHatchSpacing = 8.0;
constexpr double kHatchWidth = 1.0;

double Coord(double v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

bool Finite(double v) { return std::isfinite(v); }

bool Finite(const std::vector<Point>& points) {
  return std::all_of(points.begin(), points.end(),
                     [](const Point& p) { return Finite(p.x) && Finite(p.y); });
}

void SetColour(cairo_t* cr, Argb c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                        (c & 0xFF) / 255.0, (c >> 24) / 255.0);
}

void AddColourStop(cairo_pattern_t* pattern, double offset, Argb c) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, ((c >> 16) & 0xFF) / 255.0,
                                    ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                                    (c >> 24) / 255.0);
}

struct Box {
  double x0, y0, x1, y1;
};

Box BoundsOf(const std::vector<Point>& points) {
  Box box{kCoordinateLimit, kCoordinateLimit, -kCoordinateLimit, -kCoordinateLimit};
  for (const Point& p : points) {
    box.x0 = std::min(box.x0, Coord(p.x));
    box.y0 = std::min(box.y0, Coord(p.y));
    box.x1 = std::max(box.x1, Coord(p.x));
    box.y1 = std::max(box.y1, Coord(p.y));
  }
  return box;
}

// Draws one list on one context; the state of a single DrawOnCairo call.
class Painter {
 public:
  Painter(cairo_t* cr, CairoFonts& fonts)
      : cr_(cr),
        fonts_(fonts),
        crisp_(cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE) {}

  ~Painter() {
    for (; clipDepth_ > 0; --clipDepth_) cairo_restore(cr_);
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  void operator()(const RectShape& r) {
    if (!Finite(r.x) || !Finite(r.y) || !Finite(r.width) || !Finite(r.height)) return;
    const double x0 = Coord(std::min(r.x, r.x + r.width));
    const double y0 = Coord(std::min(r.y, r.y + r.height));
    const double x1 = Coord(std::max(r.x, r.x + r.width));
    const double y1 = Coord(std::max(r.y, r.y + r.height));
    if (r.filled) {
      cairo_new_path(cr_);
      cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
      FillCurrentPath(r.fill, Box{x0, y0, x1, y1});
    }
    if (r.outlined && ApplyStroke(r.outline)) {
      Point a = Snap({x0, y0}, r.outline.width);
      Point b = Snap({x1, y1}, r.outline.width);
      cairo_new_path(cr_);
      cairo_rectangle(cr_, a.x, a.y, b.x - a.x, b.y - a.y);
      cairo_stroke(cr_);
    }
  }

  void operator()(const PolygonShape& p) {
    if (p.points.size() < 2 || !Finite(p.points)) return;
    TracePolygon(p.points);
    FillCurrentPath(p.fill, BoundsOf(p.points));
    if (p.outlined && ApplyStroke(p.outline)) {
      TracePolygon(p.points);
      cairo_stroke(cr_);
    }
  }

  void operator()(const LineShape& l) {
    if (l.points.size() < 2 || !Finite(l.points) || !ApplyStroke(l.stroke)) return;
    // Horizontal and vertical lines (axes, grid lines, ticks) sit on whole
    // pixels on images so that they stay sharp.
    bool straight = true;
    for (std::size_t i = 1; i < l.points.size(); ++i) {
      const Point& a = l.points[i - 1];
      const Point& b = l.points[i];
      straight = straight && (a.x == b.x || a.y == b.y);
    }
    cairo_new_path(cr_);
    for (const Point& p : l.points) {
      const Point q =
          straight ? Snap({Coord(p.x), Coord(p.y)}, l.stroke.width) : Point{Coord(p.x), Coord(p.y)};
      cairo_line_to(cr_, q.x, q.y);
    }
    cairo_stroke(cr_);
  }

  void operator()(const SpanShape& s) {
    if (!Finite(s.start)) return;
    const std::size_t n = std::min(s.from.size(), s.to.size());
    cairo_new_path(cr_);
    for (std::size_t i = 0; i < n; ++i) {
      const double a = s.from[i];
      const double b = s.to[i];
      if (!Finite(a) || !Finite(b)) continue;
      const double lo = Coord(std::min(a, b));
      const double hi = Coord(std::max(a, b));
      const double at = Coord(s.start + double(i));
      if (s.vertical) {
        cairo_rectangle(cr_, at, lo, 1.0, hi - lo);
      } else {
        cairo_rectangle(cr_, lo, at, hi - lo, 1.0);
      }
    }
    SetColour(cr_, s.colour);
    cairo_fill(cr_);
  }

  void operator()(const TextShape& t) {
    if (t.text.empty() || !Finite(t.anchor.x) || !Finite(t.anchor.y) || !Finite(t.angle)) {
      return;
    }
    const std::string utf8 = Windows1252ToUtf8(t.text);
    cairo_save(cr_);
    fonts_.Select(cr_, t.font);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, utf8.c_str(), &te);
    double dx = 0;
    if (t.hAlign == HAlign::kCentre) dx = -te.x_advance / 2;
    if (t.hAlign == HAlign::kRight) dx = -te.x_advance;
    double dy = 0;  // from the anchor down to the baseline
    switch (t.vAlign) {
      case VAlign::kTop: dy = fe.ascent; break;
      case VAlign::kMiddle: dy = (fe.ascent - fe.descent) / 2; break;
      case VAlign::kBaseline: dy = 0; break;
      case VAlign::kBottom: dy = -fe.descent; break;
    }
    cairo_translate(cr_, Coord(t.anchor.x), Coord(t.anchor.y));
    // Counter-clockwise on screen, where y grows downwards.
    cairo_rotate(cr_, -std::fmod(t.angle, 360.0) * std::numbers::pi / 180.0);
    cairo_move_to(cr_, dx, dy);
    SetColour(cr_, t.colour);
    cairo_show_text(cr_, utf8.c_str());
    cairo_restore(cr_);
  }

  void operator()(const ImageShape& i) {
    if (!Finite(i.x) || !Finite(i.y) || !Finite(i.width) || !Finite(i.height) ||
        std::fabs(i.width) < 1e-9 || std::fabs(i.height) < 1e-9) {
      return;
    }
    cairo_surface_t* picture = LoadPicture(i.path);
    if (picture == nullptr) return;
    const int pw = cairo_image_surface_get_width(picture);
    const int ph = cairo_image_surface_get_height(picture);
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, Coord(i.x), Coord(i.y), Coord(i.width), Coord(i.height));
    cairo_clip(cr_);
    cairo_translate(cr_, Coord(i.x), Coord(i.y));
    cairo_scale(cr_, Coord(i.width) / pw, Coord(i.height) / ph);
    cairo_set_source_surface(cr_, picture, 0, 0);
    cairo_pattern_t* source = cairo_get_source(cr_);
    cairo_pattern_set_extend(source, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(source, CAIRO_FILTER_GOOD);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(picture);
  }

  void operator()(const ClipPush& c) {
    cairo_save(cr_);
    ++clipDepth_;
    if (!Finite(c.x) || !Finite(c.y) || !Finite(c.width) || !Finite(c.height)) {
      // A clip that cannot be placed hides what it would have clipped.
      cairo_new_path(cr_);
      cairo_clip(cr_);
      return;
    }
    cairo_new_path(cr_);
    cairo_rectangle(cr_, Coord(c.x), Coord(c.y), Coord(c.width), Coord(c.height));
    cairo_clip(cr_);
  }

  void operator()(const ClipPop&) {
    if (clipDepth_ == 0) return;  // unmatched: ignored
    cairo_restore(cr_);
    --clipDepth_;
  }

 private:
  void TracePolygon(const std::vector<Point>& points) {
    cairo_new_path(cr_);
    for (const Point& p : points) cairo_line_to(cr_, Coord(p.x), Coord(p.y));
    cairo_close_path(cr_);
  }

  // Fills the current path with the fill's colour or gradient, then its
  // hatch; `box` bounds the path. Clears the path.
  void FillCurrentPath(const Fill& fill, const Box& box) {
    cairo_pattern_t* gradient = nullptr;
    if (fill.gradient == Gradient::kVertical) {
      gradient = cairo_pattern_create_linear(0, box.y0, 0, box.y1);
    } else if (fill.gradient == Gradient::kHorizontal) {
      gradient = cairo_pattern_create_linear(box.x0, 0, box.x1, 0);
    }
    if (gradient != nullptr) {
      AddColourStop(gradient, 0, fill.colour);
      AddColourStop(gradient, 1, fill.colour2);
      cairo_set_source(cr_, gradient);
      cairo_pattern_destroy(gradient);
    } else {
      SetColour(cr_, fill.colour);
    }
    if (fill.hatch == kHatchNone) {
      cairo_fill(cr_);
      return;
    }
    cairo_save(cr_);
    cairo_fill_preserve(cr_);
    cairo_clip(cr_);
    DrawHatch(fill.hatch, fill.hatchColour, box);
    cairo_restore(cr_);
  }

  // Hatch lines over `box` (already clipped to the shape).
  void DrawHatch(std::int32_t hatch, Argb colour, Box box) {
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr_, &cx0, &cy0, &cx1, &cy1);
    box = Box{std::max(box.x0, cx0), std::max(box.y0, cy0), std::min(box.x1, cx1),
              std::min(box.y1, cy1)};
    if (box.x0 >= box.x1 || box.y0 >= box.y1) return;
    const bool horizontal = hatch == kHatchHorizontal || hatch == kHatchCross;
    const bool vertical = hatch == kHatchVertical || hatch == kHatchCross;
    const bool forward = hatch == kHatchForwardDiagonal || hatch == kHatchDiagonalCross;
    const bool backward = hatch == kHatchBackwardDiagonal || hatch == kHatchDiagonalCross;
    const double s = kHatchSpacing;
    const double half = crisp_ ? 0.5 : 0.0;
    cairo_new_path(cr_);
    if (horizontal) {
      for (double y = std::floor(box.y0 / s) * s; y <= box.y1; y += s) {
        cairo_move_to(cr_, box.x0, y + half);
        cairo_line_to(cr_, box.x1, y + half);
      }
    }
    if (vertical) {
      for (double x = std::floor(box.x0 / s) * s; x <= box.x1; x += s) {
        cairo_move_to(cr_, x + half, box.y0);
        cairo_line_to(cr_, x + half, box.y1);
      }
    }
    if (forward) {  // "/": x + y constant
      for (double c = std::floor((box.x0 + box.y0) / s) * s; c <= box.x1 + box.y1; c += s) {
        cairo_move_to(cr_, c - box.y1, box.y1);
        cairo_line_to(cr_, c - box.y0, box.y0);
      }
    }
    if (backward) {  // "\": x - y constant
      for (double c = std::floor((box.x0 - box.y1) / s) * s; c <= box.x1 - box.y0; c += s) {
        cairo_move_to(cr_, c + box.y0, box.y0);
        cairo_line_to(cr_, c + box.y1, box.y1);
      }
    }
    SetColour(cr_, colour);
    cairo_set_line_width(cr_, kHatchWidth);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr_);
  }

  // Sets colour, width and dashes of a stroke; false if nothing would show.
  bool ApplyStroke(const Stroke& stroke) {
    if (!Finite(stroke.width) || stroke.width <= 0 || (stroke.colour >> 24) == 0) {
      return false;
    }
    const double w = std::min(stroke.width, 1000.0);
    SetColour(cr_, stroke.colour);
    cairo_set_line_width(cr_, w);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    const double u = std::max(w, 1.0);
    static constexpr double kDash[] = {3, 1};
    static constexpr double kDot[] = {1, 1};
    static constexpr double kDashDot[] = {3, 1, 1, 1};
    const double* pattern = nullptr;
    int count = 0;
    switch (stroke.dash) {
      case Dash::kSolid: break;
      case Dash::kDash:
        pattern = kDash;
        count = 2;
        break;
      case Dash::kDot:
        pattern = kDot;
        count = 2;
        break;
      case Dash::kDashDot:
        pattern = kDashDot;
        count = 4;
        break;
    }
    double scaled[4];
    for (int i = 0; i < count; ++i) scaled[i] = pattern[i] * u;
    cairo_set_dash(cr_, count > 0 ? scaled : nullptr, count, 0);
    return true;
  }

  // On images, moves a point of a line `width` wide onto the pixel grid:
  // odd widths to pixel centres, covering the pixel the point is in.
  Point Snap(Point p, double width) const {
    if (!crisp_) return p;
    double x = p.x, y = p.y;
    cairo_user_to_device(cr_, &x, &y);
    double dw = width, unused = 0;
    cairo_user_to_device_distance(cr_, &dw, &unused);
    const bool odd = static_cast<long>(std::lround(std::fabs(dw))) % 2 == 1;
    x = odd ? std::floor(x) + 0.5 : std::round(x);
    y = odd ? std::floor(y) + 0.5 : std::round(y);
    cairo_device_to_user(cr_, &x, &y);
    return {x, y};
  }

  cairo_t* cr_;
  CairoFonts& fonts_;
  bool crisp_;
  int clipDepth_ = 0;
};

cairo_status_t AppendToVector(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

bool RenderToVector(cairo_surface_t* surface, const DrawList& list, CairoFonts& fonts) {
  cairo_t* cr = cairo_create(surface);
  DrawOnCairo(cr, list, fonts);
  cairo_show_page(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool VectorSizeOk(const DrawList& list) {
  return list.width > 0 && list.height > 0 && list.width <= 16384 && list.height <= 16384;
}

}  // namespace

void DrawOnCairo(cairo_t* cr, const DrawList& list, CairoFonts& fonts) {
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  {
    Painter painter(cr, fonts);
    for (const Shape& shape : list.shapes) std::visit(painter, shape);
  }
  cairo_restore(cr);
}

CairoImage& CairoImage::operator=(CairoImage&& other) noexcept {
  if (this != &other) {
    Reset();
    surface_ = other.surface_;
    other.surface_ = nullptr;
  }
  return *this;
}

void CairoImage::Reset() {
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  surface_ = nullptr;
}

bool CairoImage::ok() const {
  return surface_ != nullptr && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

int CairoImage::width() const { return ok() ? cairo_image_surface_get_width(surface_) : 0; }

int CairoImage::height() const { return ok() ? cairo_image_surface_get_height(surface_) : 0; }

std::uint32_t CairoImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  const unsigned char* row = cairo_image_surface_get_data(surface_) +
                             std::size_t(y) * cairo_image_surface_get_stride(surface_);
  std::uint32_t p;
  std::memcpy(&p, row + std::size_t(x) * 4, sizeof p);
  return p;
}

PixelView CairoImage::pixels() const {
  if (!ok()) return {};
  return PixelView{cairo_image_surface_get_data(surface_), width(), height(),
                   cairo_image_surface_get_stride(surface_)};
}

CairoImage RenderToImage(const DrawList& list, CairoFonts& fonts) {
  if (list.width <= 0 || list.height <= 0) return {};
  CairoImage image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, list.width, list.height));
  if (!image.ok()) return {};
  cairo_t* cr = cairo_create(image.surface());
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  DrawOnCairo(cr, list, fonts);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(image.surface());
  if (!drawn) return {};
  return image;
}

bool RenderToSvg(const DrawList& list, CairoFonts& fonts, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!VectorSizeOk(list)) return false;
  cairo_surface_t* surface =
      cairo_svg_surface_create_for_stream(AppendToVector, &out, list.width, list.height);
  return RenderToVector(surface, list, fonts);
}

bool RenderToPdf(const DrawList& list, CairoFonts& fonts, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!VectorSizeOk(list)) return false;
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(AppendToVector, &out, list.width, list.height);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Vantiro");
  return RenderToVector(surface, list, fonts);
}

}  // namespace vantiro::engine::render
