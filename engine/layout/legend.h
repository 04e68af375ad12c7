// The legend of a region: one marker and text per entry, in columns beside
// or inside the plot area, or in rows above or below it. Entries that do not
// fit are counted by a last entry "+N more" and reported as omitted.
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
  std::string text;  // as shown, its lines (TextLines) joined by LF
  std::string full;  // the whole text when `text` is shortened
  Argb colour = 0;
  bool hasMarker = true;  // false for the "+N more" entry
  std::size_t index = 0;  // of the entry in the legend's texts (not for "+N more")
  Point marker;           // top-left of the marker, beside the first line, relative to the box
  Point textAt;           // left end, vertical middle of the lines, relative to the box
};

struct LegendPlan {
  Rect box;  // width and height; x and y once placed
  Font font;
  double markerSize = 0;
  std::vector<LegendEntry> entries;
  std::vector<std::string> leftOut;  // entries with no room, in order
};

// True for the alignments that lay the entries out in rows.
bool LegendInRows(const Legend& legend);

// Sizes the legend to fit `room`: at most about a third of its width beside
// (or inside) the plot area, a third of its height above or below it, with
// the entries wrapped into more columns or rows before any is left out. An
// entry of several lines takes a row per line.
// Pure: nothing is drawn or reported until DrawLegend.
LegendPlan PlanLegend(DrawListBuilder& builder, const Legend& legend,
                      const std::vector<Argb>& colours, const Rect& room);

// What each legend entry stands for, in the order of LegendColours: each
// bar series (point -1), then each slice of each gridless series.
std::vector<Datum> LegendData(const Region& region, std::int32_t regionIndex);

// Draws the planned entries and reports the ones left out; each marker is
// listed as the legend box of `data[entry]`, where there is one.
void DrawLegend(DrawListBuilder& builder, const Legend& legend, const LegendPlan& plan,
                const std::vector<Datum>& data);

// Reports every entry of a legend the layout leaves out as a whole.
void OmitLegend(DrawListBuilder& builder, const Legend& legend);

}  // namespace vantiro::engine::layout
