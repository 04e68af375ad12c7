// Reads the picture files a chart shows (background images): PNG, JPEG and
// uncompressed BMP, recognised by their content, not their name.
#pragma once

#include <cstdint>
#include <string>

#include <cairo.h>

#include "engine/model/chart_model.h"
#include "engine/render/cairo/cairo_handles.h"

namespace vantiro::engine::render {

// Largest picture read, per side and in pixels; bigger files count as
// unreadable rather than exhausting memory.
inline constexpr int kMaxPictureSide = kMaxSide;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{64} << 20;

// The picture in `path` as a new image surface, or null if the file is
// missing, unreadable, of another kind, or too large.
CairoSurface LoadPicture(const std::string& path);

// The same for a picture already in memory.
CairoSurface DecodePicture(const std::uint8_t* data, std::size_t size);

}  // namespace vantiro::engine::render
