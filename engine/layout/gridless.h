// Gridless series: pie, donut and pyramid, with their value labels. Every
// arc is a polygon computed here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

// Colour of slice `index`: the series' own list, else the default palette.
Argb SliceColour(const GridlessSeries& series, std::size_t index);

// Share of the radius an exploded slice is pulled out by, and the inner
// radius of a donut.
inline constexpr double kExplodeShare = 0.1;
inline constexpr double kDonutHole = 0.5;

// Draws the series inside `plot` (its left or right half when aligned so);
// it is gridless series `index` of region `region`, as its labels' and
// shapes' datums say. Empty slices are reported as omitted, with why.
// Hot spots, when the builder wants them, name slice i `names.Series(i)`.
// No label is placed over `keepClear` (a legend drawn over the plot area).
void DrawGridless(DrawListBuilder& builder, const GridlessSeries& series, std::int32_t region,
                  std::int32_t index, const Rect& plot, const TooltipNames& names,
                  const Rect& keepClear = {});

}  // namespace vantiro::engine::layout
