// The layout step: turns a chart into drawing primitives for a target of
// the given size. Pure computation; text is measured through the backend.
#pragma once

#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine {

// Lays the whole chart out at width x height pixels (the chart's own size
// or a requested image size: the layout is redone, not stretched).
DrawList LayoutChart(const Chart& chart, int width, int height,
                     TextMeasurer& measurer);

}  // namespace vantiro::engine
