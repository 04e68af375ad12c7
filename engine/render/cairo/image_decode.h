// Reads the picture files a chart shows (background images): PNG, JPEG and
// uncompressed BMP, recognised by their content, not their name.
#pragma once

#include <cstdint>
#include <string>

#include <cairo.h>

#include "engine/render/cairo/cairo_handles.h"
#include "engine/render/picture_limits.h"

namespace vantiro::engine::render {

// The picture in `path` as a new image surface, or null if the file is
// missing, unreadable, of another kind, or larger than `limits` allow.
CairoSurface LoadPicture(const std::string& path, const PictureLimits& limits);

// The same for a picture already in memory.
CairoSurface DecodePicture(const std::uint8_t* data, std::size_t size, const PictureLimits& limits);

}  // namespace vantiro::engine::render
