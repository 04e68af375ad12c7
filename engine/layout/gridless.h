// Gridless series: pie, donut and pyramid, with their value labels. Every
// arc is a polygon computed here.
#pragma once

#include <cstddef>

#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

// Colour of slice `index`: the series' own list, else the default palette.
Argb SliceColour(const GridlessSeries& series, std::size_t index);

// Share of the radius an exploded slice is pulled out by, and the inner
// radius of a donut.
inline constexpr double kExplodeShare = 0.1;
inline constexpr double kDonutHole = 0.5;

// Draws the series inside `plot` (its left or right half when aligned so).
// Hot spots, when the builder wants them, name slice i `names.Series(i)`.
// No label is placed over `keepClear` (a legend drawn over the plot area).
void DrawGridless(DrawListBuilder& builder, const GridlessSeries& series, const Rect& plot,
                  const TooltipNames& names, const Rect& keepClear = {});

}  // namespace vantiro::engine::layout
