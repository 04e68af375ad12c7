// Paints drawing lists with Cairo, and renders them to images, SVG and PDF.
#include "engine/render/cairo/cairo_render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <utility>

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include "engine/layout/draw_geometry.h"
#include "engine/model/chart_model.h"
#include "engine/render/cairo/cairo_handles.h"
#include "engine/render/cairo/image_decode.h"
#include "memory/pages.h"

namespace vantiro::engine::render {
namespace {

double Coord(double v) { return ClampCoordinate(v); }

void SetColour(cairo_t* cr, Argb c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                        (c & 0xFF) / 255.0, (c >> 24) / 255.0);
}

void AddColourStop(cairo_pattern_t* pattern, double offset, Argb c) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, ((c >> 16) & 0xFF) / 255.0,
                                    ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                                    (c >> 24) / 255.0);
}

// Draws one list on one context; the state of a single DrawOnCairo call.
class CairoShapeDrawer {
 public:
  CairoShapeDrawer(cairo_t* cr, CairoFonts& fonts, const PictureLimits& pictures)
      : cr_(cr), fonts_(fonts), pictures_(pictures), crisp_(OnPixelGrid(cr)) {}

  ~CairoShapeDrawer() {
    for (; clipDepth_ > 0; --clipDepth_) cairo_restore(cr_);
  }
  CairoShapeDrawer(const CairoShapeDrawer&) = delete;
  CairoShapeDrawer& operator=(const CairoShapeDrawer&) = delete;

  void operator()(const RectShape& r) {
    if (!Finite(r.x) || !Finite(r.y) || !Finite(r.width) || !Finite(r.height)) return;
    const Box box = NormalizedBox(r.x, r.y, r.width, r.height);
    if (r.filled) {
      cairo_new_path(cr_);
      cairo_rectangle(cr_, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
      FillCurrentPath(r.fill, box);
    }
    if (r.outlined) {
      StraightStroke({{box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}}, true,
                     r.outline);
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
    if (l.points.size() < 2 || !Finite(l.points)) return;
    if (AxisAligned(l.points)) {
      StraightStroke(l.points, false, l.stroke);
      return;
    }
    if (!ApplyStroke(l.stroke)) return;
    cairo_new_path(cr_);
    for (const Point& p : l.points) cairo_line_to(cr_, Coord(p.x), Coord(p.y));
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
    const std::string utf8 = text::ToUtf8(t.text, text::kUtf8CodePage);
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
    const CairoSurface owned = LoadPicture(i.path, pictures_);
    cairo_surface_t* picture = owned.get();
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
    CairoPattern gradient;
    if (fill.gradient == Gradient::kVertical) {
      gradient.reset(cairo_pattern_create_linear(0, box.y0, 0, box.y1));
    } else if (fill.gradient == Gradient::kHorizontal) {
      gradient.reset(cairo_pattern_create_linear(box.x0, 0, box.x1, 0));
    }
    if (gradient != nullptr) {
      AddColourStop(gradient.get(), 0, fill.colour);
      AddColourStop(gradient.get(), 1, fill.colour2);
      cairo_set_source(cr_, gradient.get());
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
  void DrawHatch(std::int32_t hatch, Argb colour, const Box& box) {
    Box visible;
    cairo_clip_extents(cr_, &visible.x0, &visible.y0, &visible.x1, &visible.y1);
    const HatchLines lines = HatchOver(hatch, Intersection(box, visible));
    cairo_new_path(cr_);
    for (const auto* set : {&lines.straight, &lines.diagonal}) {
      for (const Segment& s : *set) {
        cairo_move_to(cr_, s.a.x, s.a.y);
        cairo_line_to(cr_, s.b.x, s.b.y);
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
    if (!StrokeVisible(stroke)) return false;
    SetColour(cr_, stroke.colour);
    cairo_set_line_width(cr_, StrokeWidth(stroke));
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    const DashPattern dash = DashOf(stroke);
    cairo_set_dash(cr_, dash.Solid() ? nullptr : dash.begin(), static_cast<int>(dash.count),
                   dash.offset);
    return true;
  }

  // True for images drawn unscaled (a translation at most): there user
  // units are the image's pixels, and straight strokes sit on them.
  static bool OnPixelGrid(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE && m.xx == 1 &&
           m.yy == 1 && m.xy == 0 && m.yx == 0;
  }

  // Horizontal and vertical strokes as filled rectangles, the ones the GDI+
  // backend fills too; on images whole pixels, fully inked or untouched.
  void StraightStroke(const std::vector<Point>& points, bool closed, const Stroke& stroke) {
    if (!StrokeVisible(stroke)) return;
    const double width = StrokeWidth(stroke);
    const DashPattern dash = DashOf(stroke);
    cairo_save(cr_);
    std::vector<Box> boxes;
    if (crisp_) {
      std::vector<Point> device;
      device.reserve(points.size());
      for (Point p : points) {
        p = {Coord(p.x), Coord(p.y)};
        cairo_user_to_device(cr_, &p.x, &p.y);
        device.push_back(p);
      }
      cairo_identity_matrix(cr_);
      boxes = PixelStrokeBoxes(device, closed, width, dash);
    } else {
      boxes = StraightStrokeBoxes(points, closed, width, dash);
    }
    cairo_new_path(cr_);
    for (const Box& b : boxes) cairo_rectangle(cr_, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    SetColour(cr_, stroke.colour);
    cairo_fill(cr_);  // winding: where boxes overlap they are painted once
    cairo_restore(cr_);
  }

  cairo_t* cr_;
  CairoFonts& fonts_;
  const PictureLimits& pictures_;
  bool crisp_;
  int clipDepth_ = 0;
};

// Cairo's stream callback: a C function, so nothing may be thrown out of it.
bool RenderToVector(CairoSurface surface, const DrawList& list, CairoFonts& fonts,
                    const PictureLimits& pictures) {
  {
    const CairoContext cr(cairo_create(surface.get()));
    DrawOnCairo(cr.get(), list, fonts, pictures);
    cairo_show_page(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;
  }
  cairo_surface_finish(surface.get());
  return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
}

bool VectorSizeOk(const DrawList& list) {
  return list.width > 0 && list.height > 0 && list.width <= kMaxSide && list.height <= kMaxSide;
}

}  // namespace

void DrawOnCairo(cairo_t* cr, const DrawList& list, CairoFonts& fonts,
                 const PictureLimits& pictures) {
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  {
    CairoShapeDrawer drawer(cr, fonts, pictures);
    for (const Shape& shape : list.shapes) std::visit(drawer, shape);
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

CairoImage RenderToImage(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures) {
  if (list.width <= 0 || list.height <= 0) return {};
  // The pixels on pages of our own (ZeroedPages), which the surface frees.
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, list.width);
  if (stride <= 0 || std::size_t(list.height) > SIZE_MAX / std::size_t(stride)) return {};
  auto pages =
      std::make_unique<memory::ZeroedPages>(std::size_t(stride) * std::size_t(list.height));
  if (!*pages) return {};
  CairoImage image(cairo_image_surface_create_for_data(pages->data(), CAIRO_FORMAT_ARGB32,
                                                       list.width, list.height, stride));
  if (!image.ok()) return {};
  static const cairo_user_data_key_t kPages{};
  const auto freePages = [](void* p) { delete static_cast<memory::ZeroedPages*>(p); };
  if (cairo_surface_set_user_data(image.surface(), &kPages, pages.get(), freePages) !=
      CAIRO_STATUS_SUCCESS) {
    return {};
  }
  (void)pages.release();
  bool drawn = false;
  {
    const CairoContext cr(cairo_create(image.surface()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
    DrawOnCairo(cr.get(), list, fonts, pictures);
    drawn = cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
  }
  cairo_surface_flush(image.surface());
  if (!drawn) return {};
  return image;
}

bool RenderToSvg(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures,
                 std::vector<std::uint8_t>& out) {
  out.clear();
  if (!VectorSizeOk(list)) return false;
  CairoSurface surface(
      cairo_svg_surface_create_for_stream(AppendToBytes, &out, list.width, list.height));
  // A chart's size is in pixels; Cairo's default unit, the point, would show
  // it a third larger in browsers.
  cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
  return RenderToVector(std::move(surface), list, fonts, pictures);
}

bool RenderToPdf(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures,
                 std::vector<std::uint8_t>& out) {
  out.clear();
  if (!VectorSizeOk(list)) return false;
  CairoSurface surface(
      cairo_pdf_surface_create_for_stream(AppendToBytes, &out, list.width, list.height));
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Vantiro");
  return RenderToVector(std::move(surface), list, fonts, pictures);
}

}  // namespace vantiro::engine::render
