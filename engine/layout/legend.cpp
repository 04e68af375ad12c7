// Legend sizing, entry placement and drawing.
#include "engine/layout/legend.h"

#include <algorithm>
#include <cmath>

#include "engine/layout/gridless.h"

namespace vantiro::engine::layout {

namespace {

constexpr double kPadding = 6;
constexpr double kMarkerGap = 5;  // marker to text
constexpr double kEntryGap = 14;  // between entries of a row
constexpr double kRowGap = 3;
constexpr Argb kFrameColour = 0xFF808080;

Argb ColourOf(const std::vector<Argb>& colours, std::size_t index) {
  return index < colours.size() ? colours[index] : kPalette[index % std::size(kPalette)];
}

}  // namespace

std::vector<Argb> LegendColours(const Region& region) {
  std::vector<Argb> colours;
  for (const BarSeries& s : region.bars) colours.push_back(s.colour);
  for (const GridlessSeries& s : region.gridless) {
    const std::size_t n = LegendEntriesOf(s);
    for (std::size_t i = 0; i < n; ++i) colours.push_back(SliceColour(s, i));
  }
  return colours;
}

std::size_t LegendEntriesOf(const GridlessSeries& series) {
  // One entry per slice; a legend has at most a few hundred entries.
  return std::min<std::size_t>(series.values.size(), 1000);
}

bool LegendInRows(const Legend& legend) {
  return legend.alignment == kLegendTop || legend.alignment == kLegendBottom;
}

LegendPlan PlanLegend(DrawListBuilder& builder, const Legend& legend,
                      const std::vector<Argb>& colours, const Rect& room) {
  LegendPlan plan;
  plan.font = builder.MakeFont(FontPoints(legend.fontSize, 9), legend.bold != 0);
  const double lineHeight = builder.LineHeight(plan.font);
  plan.markerSize = std::round(lineHeight * 0.75);
  const double rowHeight = std::max(lineHeight, plan.markerSize) + kRowGap;
  const std::vector<std::string_view> texts = SplitList(legend.text);
  const bool rows = LegendInRows(legend);
  // A column takes at most 40 % of the width beside the plot area.
  const double widest =
      (rows ? room.w : room.w * 0.4) - 2 * kPadding - plan.markerSize - kMarkerGap;
  // Rows take at most 30 % of the height above or below the plot area.
  const double tallest = (rows ? room.h * 0.3 : room.h) - 2 * kPadding;
  if (widest <= 0) return plan;

  double x = 0, y = 0, boxWidth = 0;
  std::size_t rowStart = 0;
  // Rows are centred in the box once its width is known.
  std::vector<std::pair<std::size_t, double>> rowWidths;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty()) continue;  // keeps its colour, shows nothing
    std::string text = builder.Fit(plan.font, texts[i], widest);
    if (text.empty()) continue;
    const double width = plan.markerSize + kMarkerGap + builder.Measure(plan.font, text).width;
    const bool wrap = rows && x > 0 && x + kEntryGap + width > room.w - 2 * kPadding;
    const double top = wrap ? y + rowHeight : y;
    if (top + rowHeight - kRowGap > tallest) break;
    if (wrap) {
      rowWidths.push_back({rowStart, x});
      rowStart = plan.entries.size();
      x = 0;
      y = top;
    }
    if (rows && x > 0) x += kEntryGap;
    LegendEntry entry;
    entry.text = std::move(text);
    entry.colour = ColourOf(colours, i);
    const double middle = kPadding + y + (rowHeight - kRowGap) / 2;
    entry.marker = {kPadding + x, middle - plan.markerSize / 2};
    entry.textAt = {kPadding + x + plan.markerSize + kMarkerGap, middle};
    plan.entries.push_back(std::move(entry));
    if (rows) {
      x += width;
      boxWidth = std::max(boxWidth, x);
    } else {
      boxWidth = std::max(boxWidth, width);
      y += rowHeight;
    }
  }
  if (plan.entries.empty()) return plan;
  if (rows) {
    rowWidths.push_back({rowStart, x});
    y += rowHeight;
    for (std::size_t r = 0; r < rowWidths.size(); ++r) {
      const std::size_t end =
          r + 1 < rowWidths.size() ? rowWidths[r + 1].first : plan.entries.size();
      const double shift = (boxWidth - rowWidths[r].second) / 2;
      for (std::size_t e = rowWidths[r].first; e < end; ++e) {
        plan.entries[e].marker.x += shift;
        plan.entries[e].textAt.x += shift;
      }
    }
  }
  plan.box.w = boxWidth + 2 * kPadding;
  plan.box.h = y - kRowGap + 2 * kPadding;
  return plan;
}

void DrawLegend(DrawListBuilder& builder, const Legend& legend, const LegendPlan& plan) {
  if (plan.entries.empty()) return;
  const Rect& box = plan.box;
  Fill background;
  background.colour = legend.background;
  builder.FillRect(box, background);
  if ((legend.style & kLegendNoFrame) == 0) {
    Stroke frame;
    frame.colour = kFrameColour;
    builder.FrameRect(box.Inset(0.5), frame);
  }
  const bool round = (legend.style & kLegendRoundMarkers) != 0;
  const Argb textColour = WindowsColourToArgb(legend.textColour);
  for (const LegendEntry& e : plan.entries) {
    const Rect marker{box.x + e.marker.x, box.y + e.marker.y, plan.markerSize, plan.markerSize};
    Fill fill;
    fill.colour = e.colour;
    if (round) {
      PolygonShape dot;
      AppendArc(dot.points, {marker.CentreX(), marker.CentreY()}, plan.markerSize / 2, 0, 360);
      dot.fill = fill;
      builder.Add(std::move(dot));
    } else {
      RectShape square = marker.Shape(fill);
      square.outlined = true;
      square.outline.colour = Darker(e.colour, 0.3);
      builder.Add(std::move(square));
    }
    builder.Text(TextRole::kLegend, e.text, {box.x + e.textAt.x, box.y + e.textAt.y}, HAlign::kLeft,
                 VAlign::kMiddle, 0, plan.font, textColour);
  }
}

}  // namespace vantiro::engine::layout
