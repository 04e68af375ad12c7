// What a chart window shows beyond its pixels, for tests: the value tooltip
// of a point. Windows only; the rest of the window's life is in device.h.
#pragma once

#include <cstdint>
#include <string>

namespace vantiro::engine::device {

// The text the tooltip of chart `ctrlId`'s window shows with the mouse at
// client pixel (x, y). Empty over no bar or slice, for a chart without
// value tooltips (tooltipWidth 0) and for an ID without a window.
std::string TooltipTextAt(std::int32_t ctrlId, int x, int y);

}  // namespace vantiro::engine::device
