// How large a picture a backend may decode (a chart's background image):
// the device that draws says, since beyond what it can draw a picture would
// only exhaust memory.
#pragma once

#include <cstdint>

namespace vantiro::engine::render {

struct PictureLimits {
  std::int64_t maxSide = 0;    // of either side, in pixels
  std::int64_t maxPixels = 0;  // width * height

  constexpr bool Allow(std::int64_t width, std::int64_t height) const {
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
           width * height <= maxPixels;
  }
};

}  // namespace vantiro::engine::render
