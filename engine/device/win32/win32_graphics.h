// Shared by the Windows device's parts: the GDI+ session and how a chart is
// painted on a GDI+ surface.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"
#include "engine/render/gdiplus/gdiplus_api.h"

namespace vantiro::engine::device {

// Engine result codes this device returns.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kBadParent = -10;
inline constexpr std::int32_t kWindowNotCreated = -11;
inline constexpr std::int32_t kPrinterNotUsable = -13;
inline constexpr std::int32_t kNoGraphicsLibrary = -14;
inline constexpr std::int32_t kFileNotCreated = -20;

// The chart's own size, as its window and a printed page lay it out.
void ChartSize(const Chart& chart, int& width, int& height);

// Whether an image or window of width x height may be made at all.
bool SizeAllowed(std::int64_t width, std::int64_t height);

// Lays the chart out at width x height and paints it on `graphics`, in its
// world space; returns the layout's hot spots (none unless the chart has
// value tooltips). GDI+ must be running. May throw (out of memory).
std::vector<HotSpot> PaintChart(Gdiplus::Graphics& graphics, const Chart& chart, int width,
                                int height);

}  // namespace vantiro::engine::device
