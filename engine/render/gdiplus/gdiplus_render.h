// The GDI+ drawing backend: paints a DrawList on any GDI+ surface (bitmap,
// window, printer or metafile device context), the same way the Cairo
// backend paints it.
#pragma once

#include "engine/layout/draw_list.h"
#include "engine/render/gdiplus/gdiplus_api.h"
#include "engine/render/gdiplus/gdiplus_text.h"

namespace vantiro::engine::render {

// Hatch lines: one pixel wide, kHatchSpacing pixels apart (diagonals
// measured along the axes), on a grid fixed to the surface's origin so that
// neighbouring shapes continue each other's pattern. The Cairo backend uses
// the same grid.
inline constexpr double kHatchSpacing = 8.0;

// Dash patterns in multiples of the line width (at least one pixel):
// on, off, on, off...
inline constexpr float kDashPattern[] = {3.0f, 1.0f};
inline constexpr float kDotPattern[] = {1.0f, 1.0f};
inline constexpr float kDashDotPattern[] = {3.0f, 1.0f, 1.0f, 1.0f};

// Paints the shapes of `list` on `graphics` in order, anti-aliased, in the
// world space `graphics` has (the caller scales for print). Shapes with
// coordinates that are not finite are skipped; unreadable images are
// skipped. Clips pushed by the list are all released before returning, and
// `graphics` is left in the state it was given in.
void DrawOnGdiplus(Gdiplus::Graphics& graphics, const DrawList& list, GdiplusFonts& fonts);

}  // namespace vantiro::engine::render
