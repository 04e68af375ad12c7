// Bar series: how they share the category slots, the value range they
// need, and their shapes (one rectangle per bar, or a per-pixel envelope
// when bars are narrower than a pixel).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/layout/axes.h"
#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

// Bars standing side by side in each category: a grouped series alone, or
// all stacked series of one kind on one data axis together.
struct BarUnit {
  std::vector<std::size_t> members;  // indices into Region::bars, in order
  std::int32_t type = kBarGrouped;
  int axis = 0;                // 0: first data axis, 1: second
  std::int64_t perColumn = 1;  // adjacent bars per category column
};

std::vector<BarUnit> GroupBars(const Region& region);

// 0 for the first data axis, 1 for the second (when the region has one).
int AxisIndexOf(const Region& region, const BarSeries& series);

// Values per column: 0 and 1 both mean one.
std::int64_t PerColumn(const BarSeries& series);

// The number of categories along the label axis: the label axis' count,
// else the longest series (in columns) or the label list, whichever is
// longer; at least one.
std::int64_t CategoryCount(const Region& region);

// The range of values (stacks summed) the bars of one axis reach, for the
// first `categories` columns, and the outside value labels at its ends.
DataAxisInput BarExtent(const Region& region, const std::vector<BarUnit>& units, int axis,
                        std::int64_t categories);

// How value labels and tooltips of an axis' bars look; their numbers are
// written as the axis' ticks are (ValueScale::numbers).
struct BarLabelStyle {
  Font font;
  Argb colour = 0xFF000000;
  std::string units;  // the axis' units, after the number as on its ticks
};

// Draws every bar of the region into `plot`; `horizontal`: values grow to
// the right and categories run downwards. Value labels come back, to be
// drawn over the axes: each stands on its own bar (only a bar, or the last
// segment of a stack, past its end) and covers no other label or bar; the
// others are reported as left out. Hot spots, when the builder wants them, name bars
// after `names.Series(index in Region::bars)` and their category.
std::vector<TextShape> DrawBars(DrawListBuilder& builder, const Region& region,
                                std::int32_t regionIndex, const std::vector<BarUnit>& units,
                                const Rect& plot, bool horizontal, std::int64_t categories,
                                const ValueScale* scales[2], const BarLabelStyle labels[2],
                                const TooltipNames& names);

}  // namespace vantiro::engine::layout
