// The layout step: turns a chart into drawing primitives for a target of
// the given size. Pure computation; text is measured through the backend.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine {

// Most hot spots one layout keeps: the chart window hit-tests them on every
// mouse move, and more than this many would be too small to point at.
inline constexpr std::size_t kMaxHotSpots = 5000;

// Lays the whole chart out at width x height pixels (the chart's own size
// or a requested image size: the layout is redone, not stretched). Charts
// with value tooltips (tooltipWidth > 0) also get their hot spots.
DrawList LayoutChart(const Chart& chart, int width, int height, TextMeasurer& measurer);

// The hot spot under `p`: the last listed one whose polygon holds it (drawn
// last, so seen on top); null over none.
const HotSpot* HotSpotAt(const std::vector<HotSpot>& spots, Point p);

}  // namespace vantiro::engine
