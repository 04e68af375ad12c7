// The legend of a region: one marker and text per entry, as a column beside
// or inside the plot area, or as rows above or below it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

// Marker colours in entry order: each bar series' colour, then the slices
// of each gridless series.
std::vector<Argb> LegendColours(const Region& region);

// Legend entries a gridless series takes (one per slice, up to a limit).
std::size_t LegendEntriesOf(const GridlessSeries& series);

struct LegendEntry {
  std::string text;
  Argb colour = 0;
  Point marker;  // top-left of the marker, relative to the box
  Point textAt;  // left end, vertical middle, relative to the box
};

struct LegendPlan {
  Rect box;  // width and height; x and y once placed
  Font font;
  double markerSize = 0;
  std::vector<LegendEntry> entries;
};

// True for the alignments that lay the entries out in rows.
bool LegendInRows(const Legend& legend);

// Sizes the legend to fit `room` (entries that do not fit are left out).
LegendPlan PlanLegend(DrawListBuilder& builder, const Legend& legend,
                      const std::vector<Argb>& colours, const Rect& room);

void DrawLegend(DrawListBuilder& builder, const Legend& legend, const LegendPlan& plan);

}  // namespace vantiro::engine::layout
