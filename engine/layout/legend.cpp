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

std::vector<Datum> LegendData(const Region& region, std::int32_t regionIndex) {
  std::vector<Datum> data;
  for (std::size_t i = 0; i < region.bars.size(); ++i) {
    data.push_back({regionIndex, std::int32_t(i), -1, 0});
  }
  for (std::size_t g = 0; g < region.gridless.size(); ++g) {
    const GridlessSeries& s = region.gridless[g];
    const std::size_t n = LegendEntriesOf(s);
    for (std::size_t i = 0; i < n; ++i) {
      data.push_back({regionIndex, std::int32_t(g), std::int64_t(i), s.values[i]});
    }
  }
  return data;
}

std::size_t LegendEntriesOf(const GridlessSeries& series) {
  // One entry per slice; a legend has at most a few hundred entries.
  return std::min<std::size_t>(series.values.size(), 1000);
}

bool LegendInRows(const Legend& legend) {
  return legend.alignment == kLegendTop || legend.alignment == kLegendBottom;
}

namespace {

// An entry as planned: where it comes in the list, its text as shown and
// its width, marker included.
struct Slot {
  std::size_t index = 0;  // into the legend's texts; the "+N more" entry has none
  std::string text;
  double width = 0;
  std::size_t lines = 1;  // rows it takes: one per line of its text
  bool more = false;
};

std::string MoreText(std::size_t count) { return "+" + std::to_string(count) + " more"; }

class LegendPlanner {
 public:
  LegendPlanner(DrawListBuilder& builder, const Legend& legend, const std::vector<Argb>& colours,
                LegendPlan& plan)
      : b_(builder), plan_(plan), colours_(colours), texts_(SplitList(legend.text)) {
    plan_.font = builder.MakeFont(FontPoints(legend.fontSize, 9), legend.bold != 0);
    const double lineHeight = builder.LineHeight(plan_.font);
    plan_.markerSize = std::round(lineHeight * 0.75);
    rowHeight_ = std::max(lineHeight, plan_.markerSize) + kRowGap;
    lead_ = plan_.markerSize + kMarkerGap;
    for (std::size_t i = 0; i < texts_.size(); ++i) {
      // Empty: keeps its colour, shows nothing.
      if (!TextLines(texts_[i]).empty()) shown_.push_back(i);
    }
  }

  bool Any() const { return !shown_.empty(); }

  // The narrowest an entry may be: room for "+N more" with any count this
  // legend can have.
  double Narrowest() { return lead_ + b_.Measure(plan_.font, MoreText(shown_.size())).width; }

  // An entry in at most `maxLines` rows.
  Slot Entry(std::size_t index, double maxWidth, std::size_t maxLines) {
    Slot slot;
    slot.index = index;
    const std::vector<std::string> lines = TextLines(texts_[index], maxLines);
    slot.text = b_.Fit(plan_.font, JoinLines(lines), maxWidth - lead_);
    slot.width = lead_ + b_.Measure(plan_.font, slot.text).width;
    slot.lines = std::max<std::size_t>(lines.size(), 1);
    return slot;
  }

  Slot More(std::size_t count) {
    Slot slot;
    slot.more = true;
    slot.text = MoreText(count);
    slot.width = lead_ + b_.Measure(plan_.font, slot.text).width;
    return slot;
  }

  // Rows above or below the plot area, filled left to right and centred; a
  // row is as tall as its entry of most lines.
  void InRows(double maxWidth, double maxHeight) {
    const auto maxRows = std::size_t(std::max(0.0, std::floor((maxHeight + kRowGap) / rowHeight_)));
    if (maxRows == 0 || !(maxWidth >= Narrowest())) return LeaveOutFrom(0);
    std::vector<std::vector<Slot>> rows;
    std::vector<double> widths;
    std::vector<std::size_t> tops, heights;  // of each row, in lines
    std::size_t placed = 0;
    for (; placed < shown_.size(); ++placed) {
      Slot slot = Entry(shown_[placed], maxWidth, maxRows);
      const bool wrap = !rows.empty() && widths.back() + kEntryGap + slot.width > maxWidth;
      if (rows.empty() || wrap) {
        const std::size_t top = rows.empty() ? 0 : tops.back() + heights.back();
        if (top + slot.lines > maxRows) break;
        rows.emplace_back();
        widths.push_back(-kEntryGap);
        tops.push_back(top);
        heights.push_back(0);
      }
      if (tops.back() + slot.lines > maxRows) break;
      heights.back() = std::max(heights.back(), slot.lines);
      widths.back() += kEntryGap + slot.width;
      rows.back().push_back(std::move(slot));
    }
    if (placed < shown_.size()) {
      // The last row gives up entries until "+N more" fits after them.
      std::vector<Slot>& last = rows.back();
      Slot more = More(shown_.size() - placed);
      while (!last.empty() && widths.back() + kEntryGap + more.width > maxWidth) {
        widths.back() -= last.back().width + (last.size() > 1 ? kEntryGap : 0);
        last.pop_back();
        more = More(shown_.size() - --placed);
      }
      widths.back() = last.empty() ? more.width : widths.back() + kEntryGap + more.width;
      last.push_back(std::move(more));
    }
    const double boxWidth = *std::max_element(widths.begin(), widths.end());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      double x = (boxWidth - widths[r]) / 2;
      for (Slot& slot : rows[r]) {
        const double width = slot.width;
        Place(std::move(slot), x, double(tops[r]) * rowHeight_);
        x += width + kEntryGap;
      }
    }
    Finish(boxWidth, tops.back() + heights.back(), placed);
  }

  // Columns beside or inside the plot area, filled top to bottom, as many as
  // the width allows, as even as the entries allow; an entry of several
  // lines takes as many rows.
  void InColumns(double maxWidth, double maxHeight) {
    const double perColumn = std::floor((maxHeight + kRowGap) / rowHeight_);
    const double narrowest = Narrowest();
    if (!(perColumn >= 1) || !(maxWidth >= narrowest)) return LeaveOutFrom(0);
    const auto fit = std::size_t(std::floor((maxWidth + kEntryGap) / (narrowest + kEntryGap)));
    const auto rows = std::size_t(perColumn);
    std::vector<std::size_t> lines;
    std::size_t total = 0;
    for (const std::size_t index : shown_) {
      lines.push_back(std::min(TextLines(texts_[index], rows).size(), rows));
      total += lines.back();
    }
    const std::size_t columns = std::clamp<std::size_t>((total + rows - 1) / rows, 1, fit);
    const double slotWidth = (maxWidth - double(columns - 1) * kEntryGap) / double(columns);
    // The lowest column height that holds every entry, else the full one
    // with a last row kept for "+N more".
    std::size_t height = std::min(rows, (total + columns - 1) / columns);
    std::vector<std::size_t> columnOf;
    while (!FillColumns(lines, columns, height, false, columnOf) && height < rows) ++height;
    const bool overflow = !FillColumns(lines, columns, height, false, columnOf);
    if (overflow) FillColumns(lines, columns, height, true, columnOf);
    const std::size_t placed = columnOf.size();
    std::vector<std::vector<Slot>> all(columns);
    for (std::size_t k = 0; k < placed; ++k)
      all[columnOf[k]].push_back(Entry(shown_[k], slotWidth, rows));
    if (overflow) all[columns - 1].push_back(More(shown_.size() - placed));
    double x = 0;
    std::size_t used = 0;
    for (std::vector<Slot>& column : all) {
      if (column.empty()) continue;
      double width = 0, row = 0;
      for (const Slot& slot : column) width = std::max(width, slot.width);
      for (Slot& slot : column) {
        const double taken = double(slot.lines);
        Place(std::move(slot), x, row * rowHeight_);
        row += taken;
      }
      used = std::max(used, std::size_t(row));
      x += width + kEntryGap;
    }
    Finish(x - kEntryGap, used, placed);
  }

 private:
  // Assigns entries in order to `columns` columns of `height` rows, an
  // entry to the next column when it does not fit the rest of this one;
  // `keepLast` keeps the last row of the last column free. True when every
  // entry is placed; `columnOf` holds the column of each one placed.
  static bool FillColumns(const std::vector<std::size_t>& lines, std::size_t columns,
                          std::size_t height, bool keepLast, std::vector<std::size_t>& columnOf) {
    columnOf.clear();
    std::size_t column = 0, used = 0;
    for (const std::size_t n : lines) {
      auto room = [&] { return height - (keepLast && column + 1 == columns ? 1 : 0); };
      if (used + n > room()) {
        ++column;
        used = 0;
        if (column == columns || n > room()) return false;
      }
      columnOf.push_back(column);
      used += n;
    }
    return true;
  }

  // The marker stands beside the entry's first line.
  void Place(Slot slot, double x, double y) {
    LegendEntry entry;
    const double middle = kPadding + y + (rowHeight_ - kRowGap) / 2;
    const double line = b_.LineHeight(plan_.font);
    entry.marker = {kPadding + x, middle - plan_.markerSize / 2};
    entry.textAt = {kPadding + x + lead_, middle + line * double(slot.lines - 1) / 2};
    entry.hasMarker = !slot.more;
    entry.index = slot.index;
    if (!slot.more) {
      entry.colour = ColourOf(colours_, slot.index);
      const std::string_view whole = texts_[slot.index];
      if (slot.text != whole) entry.full = std::string(whole);
    }
    entry.text = std::move(slot.text);
    plan_.entries.push_back(std::move(entry));
  }

  void Finish(double width, std::size_t rows, std::size_t placed) {
    plan_.box.w = width + 2 * kPadding;
    plan_.box.h = double(rows) * rowHeight_ - kRowGap + 2 * kPadding;
    LeaveOutFrom(placed);
  }

  void LeaveOutFrom(std::size_t placed) {
    for (std::size_t k = placed; k < shown_.size(); ++k)
      plan_.leftOut.emplace_back(texts_[shown_[k]]);
  }

  DrawListBuilder& b_;
  LegendPlan& plan_;
  const std::vector<Argb>& colours_;
  std::vector<std::string_view> texts_;
  std::vector<std::size_t> shown_;  // indexes of the entries with a text
  double rowHeight_ = 0, lead_ = 0;
};

void DrawMarker(DrawListBuilder& builder, const LegendEntry& e, const Rect& box, double size,
                bool round) {
  const Rect marker{box.x + e.marker.x, box.y + e.marker.y, size, size};
  Fill fill;
  fill.colour = e.colour;
  if (round) {
    PolygonShape dot;
    AppendArc(dot.points, {marker.CentreX(), marker.CentreY()}, size / 2, 0, 360);
    dot.fill = fill;
    builder.Add(std::move(dot));
  } else {
    RectShape square = marker.Shape(fill);
    square.outlined = true;
    square.outline.colour = Darker(e.colour, 0.3);
    builder.Add(std::move(square));
  }
}

}  // namespace

LegendPlan PlanLegend(DrawListBuilder& builder, const Legend& legend,
                      const std::vector<Argb>& colours, const Rect& room) {
  LegendPlan plan;
  LegendPlanner planner(builder, legend, colours, plan);
  if (!planner.Any()) return plan;
  // A third of the room at most, so that the plot area keeps the most.
  if (LegendInRows(legend)) {
    planner.InRows(room.w - 2 * kPadding, room.h / 3 - 2 * kPadding);
  } else {
    planner.InColumns(room.w / 3 - 2 * kPadding, room.h - 2 * kPadding);
  }
  return plan;
}

void OmitLegend(DrawListBuilder& builder, const Legend& legend) {
  for (const std::string_view text : SplitList(legend.text)) builder.Omit(TextRole::kLegend, text);
}

void DrawLegend(DrawListBuilder& builder, const Legend& legend, const LegendPlan& plan,
                const std::vector<Datum>& data) {
  for (const std::string& text : plan.leftOut) builder.Omit(TextRole::kLegend, text);
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
    if (e.hasMarker) {
      DrawMarker(builder, e, box, plan.markerSize, round);
      if (e.index < data.size()) {
        builder.AddDataShape(
            ShapeRole::kLegendBox, data[e.index],
            Rect{box.x + e.marker.x, box.y + e.marker.y, plan.markerSize, plan.markerSize});
      }
    }
    builder.Text(TextRole::kLegend, e.text, {box.x + e.textAt.x, box.y + e.textAt.y}, HAlign::kLeft,
                 VAlign::kMiddle, 0, plan.font, textColour, e.full);
  }
}

}  // namespace vantiro::engine::layout
