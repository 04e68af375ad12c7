// Colours and hatch patterns, as charts hold them and drawings paint them:
// the ground both the chart model and the draw list stand on.
#pragma once

#include <cstdint>

namespace vantiro::engine {

// 0xAARRGGBB.
using Argb = std::uint32_t;

// Hatch patterns drawn over a fill in a darker shade of it.
enum Hatch : std::int32_t {
  kHatchNone = 0,
  kHatchHorizontal = 1,
  kHatchVertical = 2,
  kHatchForwardDiagonal = 3,   // "/"
  kHatchBackwardDiagonal = 4,  // "\"
  kHatchCross = 5,
  kHatchDiagonalCross = 6,
};

}  // namespace vantiro::engine
