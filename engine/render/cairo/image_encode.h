// Image file encoders for rendered charts: PNG, JPEG and 24-bit BMP, made
// in memory so that a file is only written once it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantiro::engine::render {

// Pixels of a rendered image: rows of premultiplied ARGB32 words in the
// machine's byte order (Cairo's image layout), `stride` bytes apart.
struct PixelView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// PNG, 8 bits per channel: RGB when every pixel is opaque (charts are),
// else RGBA with the alpha undone. Empty on failure.
std::vector<std::uint8_t> EncodePng(const PixelView& image);

// The same, keeping its working memory from one image to the next: a
// program that writes many charts saves allocating (and the system
// zeroing) a megabyte or more per chart.
class PngEncoder {
 public:
  std::vector<std::uint8_t> Encode(const PixelView& image);

 private:
  std::unique_ptr<std::uint8_t[]> scanlines_;
  std::size_t capacity_ = 0;
};

// Baseline JPEG at `quality` 1 (smallest) to 100 (best); values outside
// are clamped. Translucent pixels are laid over white. Empty on failure.
std::vector<std::uint8_t> EncodeJpeg(const PixelView& image, int quality);

// Uncompressed 24-bit bottom-up BMP; translucent pixels laid over white.
// Empty on failure.
std::vector<std::uint8_t> EncodeBmp(const PixelView& image);

}  // namespace vantiro::engine::render
