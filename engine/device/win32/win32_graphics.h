// Shared by the Windows device's parts: the GDI+ session and how a chart is
// painted on a GDI+ surface.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/device/shared/device_shared.h"
#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"
#include "engine/render/gdiplus/gdiplus_api.h"
#include "abi/rmchart.h"

namespace vantiro::engine::device {

namespace codes = vantiro::engine_codes;

// Lays the chart out at width x height, reports the layout as drawn to
// `output` ("window", "printer" or the file name as given) and paints it on
// `graphics`, in its world space; returns the layout's hot spots (none
// unless the chart has value tooltips). GDI+ must be running. May throw
// (out of memory).
std::vector<HotSpot> PaintChart(Gdiplus::Graphics& graphics, const Chart& chart, int width,
                                int height, std::string_view output);

}  // namespace vantiro::engine::device
