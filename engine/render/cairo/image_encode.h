// Image file encoders for rendered charts: JPEG and 24-bit BMP, made in
// memory so that a file is only written once it is complete; PNG comes
// from the shared writer (engine/render/png).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/render/png/png_encode.h"

namespace vantiro::engine::render {

// Baseline JPEG at `quality` 1 (smallest) to 100 (best); values outside
// are clamped. Translucent pixels are laid over white. Empty on failure.
std::vector<std::uint8_t> EncodeJpeg(const PixelView& image, int quality);

// Uncompressed 24-bit bottom-up BMP; translucent pixels laid over white.
// Empty on failure.
std::vector<std::uint8_t> EncodeBmp(const PixelView& image);

}  // namespace vantiro::engine::render
