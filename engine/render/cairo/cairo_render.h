// The Cairo drawing backend: paints a DrawList on any Cairo context, and
// renders whole lists to images, SVG and PDF.
#pragma once

#include <cstdint>
#include <vector>

#include <cairo.h>

#include "engine/layout/draw_list.h"
#include "engine/render/cairo/cairo_text.h"
#include "engine/render/cairo/image_encode.h"
#include "engine/render/picture_limits.h"

namespace vantiro::engine::render {

// Paints the shapes of `list` on `cr` in order, anti-aliased, in the user
// space `cr` has (the caller scales for print). Shapes with coordinates
// that are not finite are skipped; unreadable images are skipped. Clips
// pushed by the list are all released before returning, and `cr` is left
// in the state it was given in. Pictures larger than `pictures` allow are
// skipped too.
void DrawOnCairo(cairo_t* cr, const DrawList& list, CairoFonts& fonts,
                 const PictureLimits& pictures);

// Owns a Cairo image surface (ARGB32, premultiplied, native byte order).
class CairoImage {
 public:
  CairoImage() = default;
  explicit CairoImage(cairo_surface_t* surface) : surface_(surface) {}
  ~CairoImage() { Reset(); }
  CairoImage(CairoImage&& other) noexcept : surface_(other.surface_) { other.surface_ = nullptr; }
  CairoImage& operator=(CairoImage&& other) noexcept;
  CairoImage(const CairoImage&) = delete;
  CairoImage& operator=(const CairoImage&) = delete;

  // False if the surface could not be made (out of memory, bad size).
  bool ok() const;
  cairo_surface_t* surface() const { return surface_; }
  int width() const;
  int height() const;
  // Pixel at (x, y) as 0xAARRGGBB, premultiplied; 0 outside the image.
  std::uint32_t Pixel(int x, int y) const;
  // The pixels for the encoders (all zero if not ok()).
  PixelView pixels() const;

 private:
  void Reset();
  cairo_surface_t* surface_ = nullptr;
};

// Renders the list on a new image of list.width x list.height, cleared to
// opaque white first. The image is not ok() if it could not be made.
CairoImage RenderToImage(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures);

// Renders the list as an SVG or PDF document of list.width x list.height
// points, one pixel to one point. False if Cairo reports an error.
bool RenderToSvg(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures,
                 std::vector<std::uint8_t>& out);
bool RenderToPdf(const DrawList& list, CairoFonts& fonts, const PictureLimits& pictures,
                 std::vector<std::uint8_t>& out);

}  // namespace vantiro::engine::render
