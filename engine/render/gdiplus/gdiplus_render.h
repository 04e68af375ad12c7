// The GDI+ drawing backend: paints a DrawList on any GDI+ surface (bitmap,
// window, printer or metafile device context), the same way the Cairo
// backend paints it.
#pragma once

#include "engine/layout/draw_list.h"
#include "engine/render/gdiplus/gdiplus_api.h"
#include "engine/render/gdiplus/gdiplus_text.h"
#include "engine/render/picture_limits.h"

namespace vantiro::engine::render {

// Paints the shapes of `list` on `graphics` in order, anti-aliased, in the
// world space `graphics` has (the caller scales for print). Shapes with
// coordinates that are not finite are skipped; unreadable images, and
// images larger than `pictures` allows, are skipped. Clips pushed by the
// list are all released before returning, and `graphics` is left in the
// state it was given in.
void DrawOnGdiplus(Gdiplus::Graphics& graphics, const DrawList& list, GdiplusFonts& fonts,
                   const PictureLimits& pictures);

}  // namespace vantiro::engine::render
