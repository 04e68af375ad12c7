// Pixel checks shared by the Cairo backend's tests: colours within a
// tolerance, and where the ink of a rendered image lies.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "engine/render/cairo/cairo_render.h"

namespace vantiro::engine::render::testing {

// Largest difference of any channel (alpha, red, green, blue).
inline int ChannelDistance(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  }
  return most;
}

inline std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", v);
  return text;
}

inline ::testing::AssertionResult ColourNear(const CairoImage& image, int x, int y,
                                             std::uint32_t expected, int tolerance) {
  const std::uint32_t actual = image.Pixel(x, y);
  if (ChannelDistance(actual, expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << Hex(actual)
                                       << ", expected " << Hex(expected) << " +-" << tolerance;
}

// A pixel clearly darker than the white background.
inline bool IsInk(std::uint32_t p) {
  return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 160;
}

struct InkBox {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // inclusive; empty if x1 < x0
  bool empty() const { return x1 < x0; }
};

inline InkBox FindInk(const CairoImage& image) {
  InkBox box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!IsInk(image.Pixel(x, y))) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  return box;
}

// Number of separate runs of ink along row y (or column x).
inline int InkRunsInRow(const CairoImage& image, int y, int x0, int x1) {
  int runs = 0;
  bool inside = false;
  for (int x = x0; x <= x1; ++x) {
    const bool ink = IsInk(image.Pixel(x, y));
    runs += ink && !inside;
    inside = ink;
  }
  return runs;
}

}  // namespace vantiro::engine::render::testing
