// The PNG writer of both engines: rendered charts (Cairo's images, GDI+
// bitmaps) to PNG files made in memory, so that a file is only written once
// it is complete; and the RGB rows the other image encoders start from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/render/png/scanline_deflate.h"

namespace vantiro::engine::render {

// Pixels of a rendered image: rows of premultiplied ARGB32 words in the
// machine's byte order (Cairo's image layout, GDI+'s PixelFormat32bppPARGB),
// `stride` bytes apart.
struct PixelView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// PNG, 8 bits per channel: RGB when every pixel is opaque (charts are),
// else RGBA with the alpha undone. Empty on failure.
std::vector<std::uint8_t> EncodePng(const PixelView& image);

// The same, keeping its working memory (the deflate window and a few rows
// of scanlines, which are made as the compression reaches them) from one
// image to the next.
class PngEncoder {
 public:
  std::vector<std::uint8_t> Encode(const PixelView& image);

 private:
  DeflateMemory memory_;
};

// Whether the encoders take the image: pixels, a size, rows of at least
// width pixels, and not absurdly many pixels.
bool Encodable(const PixelView& image);

// One row of `width` pixels as R, G, B bytes at `out`, translucent pixels
// laid over white. Returns the alphas of the row ANDed: 0xFF if every pixel
// is opaque.
std::uint32_t RowToRgb(const std::uint8_t* row, int width, std::uint8_t* out);

}  // namespace vantiro::engine::render
