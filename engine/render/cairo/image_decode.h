// Reads the picture files a chart shows (background images): PNG, JPEG and
// uncompressed BMP, recognised by their content, not their name.
#pragma once

#include <cstdint>
#include <string>

#include <cairo.h>

namespace vantiro::engine::render {

// Largest picture read, per side and in pixels; bigger files count as
// unreadable rather than exhausting memory.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{64} << 20;

// The picture in `path` as a new image surface owned by the caller, or
// null if the file is missing, unreadable, of another kind, or too large.
cairo_surface_t* LoadPicture(const std::string& path);

// The same for a picture already in memory.
cairo_surface_t* DecodePicture(const std::uint8_t* data, std::size_t size);

}  // namespace vantiro::engine::render
