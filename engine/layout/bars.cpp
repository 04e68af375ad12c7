// Bar series geometry: slots, stacks, value labels and envelopes.
#include "engine/layout/bars.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vantiro::engine::layout {

namespace {

// Share of each category slot left empty between categories.
constexpr double kCategoryGap = 0.3;
// Bars narrower than this many pixels are drawn as an envelope.
constexpr double kEnvelopeBelow = 1.0;
// Bars at least this wide get whole-pixel edges.
constexpr double kCrispFrom = 3.0;

bool IsStack(std::int32_t type) { return type == kBarStacked || type == kBarStacked100; }

std::int32_t TypeOf(const BarSeries& s) { return IsStack(s.type) ? s.type : kBarGrouped; }

// Values of a series that fall into the first `categories` columns.
std::size_t DrawnCount(const BarSeries& s, std::int64_t perColumn, std::int64_t categories) {
  const double most = double(categories) * double(perColumn);
  return double(s.values.size()) < most ? s.values.size() : std::size_t(most);
}

// Running totals of a stack, per position (value index).
struct StackTotals {
  std::vector<double> up, down;
  std::vector<double> magnitude;  // stacked 100 %: sum of |v| per position

  void Reset(std::size_t size) {
    up.assign(size, 0);
    down.assign(size, 0);
  }
};

// Sums of |v| per position over the unit's members (stacked 100 %).
std::vector<double> Magnitudes(const Region& region, const BarUnit& unit, std::int64_t categories) {
  std::vector<double> sums;
  for (const std::size_t m : unit.members) {
    const BarSeries& s = region.bars[m];
    const std::size_t n = DrawnCount(s, unit.perColumn, categories);
    if (sums.size() < n) sums.resize(n, 0);
    for (std::size_t j = 0; j < n; ++j) {
      if (std::isfinite(s.values[j])) sums[j] += std::abs(SafeValue(s.values[j]));
    }
  }
  return sums;
}

std::size_t LongestMember(const Region& region, const BarUnit& unit, std::int64_t categories) {
  std::size_t n = 0;
  for (const std::size_t m : unit.members) {
    n = std::max(n, DrawnCount(region.bars[m], unit.perColumn, categories));
  }
  return n;
}

// Calls visit(member, j, from, to, value) for every drawable value of the
// unit: the segment [from, to] in data units (percent for stacked 100 %).
template <typename Visit>
void ForEachSegment(const Region& region, const BarUnit& unit, std::int64_t categories, double base,
                    Visit visit) {
  StackTotals totals;
  if (IsStack(unit.type)) totals.Reset(LongestMember(region, unit, categories));
  if (unit.type == kBarStacked100) totals.magnitude = Magnitudes(region, unit, categories);
  for (const std::size_t m : unit.members) {
    const BarSeries& s = region.bars[m];
    const std::size_t n = DrawnCount(s, unit.perColumn, categories);
    for (std::size_t j = 0; j < n; ++j) {
      const double raw = s.values[j];
      if (!std::isfinite(raw)) continue;
      double v = SafeValue(raw);
      if (unit.type == kBarGrouped) {
        visit(m, j, base, v, raw);
        continue;
      }
      if (unit.type == kBarStacked100) {
        const double total = totals.magnitude[j];
        v = total > 0 ? v / total * 100 : 0;
      }
      double& end = v >= 0 ? totals.up[j] : totals.down[j];
      const double from = end;
      end += v;
      visit(m, j, from, end, raw);
    }
  }
}

// Per-pixel min..max of the bars of one series.
class Envelope {
 public:
  Envelope(double start, double end) {
    first_ = std::floor(start);
    const auto count = ToCount(std::ceil(end) - first_, 1, kMaxSide + 2);
    low_.assign(std::size_t(count), std::numeric_limits<float>::max());
    high_.assign(std::size_t(count), std::numeric_limits<float>::lowest());
  }

  // A bar covering [a0, a1) along the categories, [v0, v1] along the values.
  void Add(double a0, double a1, double v0, double v1) {
    const double last = double(low_.size() - 1);
    // Truncation is flooring here: both are clamped to 0 or more first.
    const auto c0 = std::size_t(ClampFinite(a0 - first_, 0, last));
    const auto c1 = std::size_t(ClampFinite(std::ceil(a1 - first_) - 1, double(c0), last));
    const auto lo = float(std::min(v0, v1)), hi = float(std::max(v0, v1));
    for (std::size_t c = c0; c <= c1; ++c) {
      low_[c] = std::min(low_[c], lo);
      high_[c] = std::max(high_[c], hi);
    }
  }

  // Columns without a bar become empty spans at the base line.
  SpanShape Finish(bool vertical, double basePixel, Argb colour) {
    SpanShape span;
    span.vertical = vertical;
    span.start = first_;
    span.colour = colour;
    for (std::size_t c = 0; c < low_.size(); ++c) {
      if (low_[c] > high_[c]) low_[c] = high_[c] = float(basePixel);
    }
    span.from = std::move(low_);
    span.to = std::move(high_);
    return span;
  }

 private:
  double first_ = 0;
  std::vector<float> low_, high_;
};

// ValuePosition as one multiply-add: the envelope calls it for every value.
struct PixelMap {
  double origin = 0, perUnit = 0, lo = 0, hi = 0;

  PixelMap(const ValueScale& scale, const Rect& plot, bool vertical) {
    const double length = vertical ? plot.h : plot.w;
    perUnit = length / (scale.max - scale.min) * (vertical ? -1 : 1);
    origin = (vertical ? plot.Bottom() : plot.x) - scale.min * perUnit;
    lo = vertical ? plot.y : plot.x;
    hi = vertical ? plot.Bottom() : plot.Right();
  }
  double operator()(double v) const { return ClampFinite(origin + SafeValue(v) * perUnit, lo, hi); }
};

Fill BarFill(const BarSeries& s, bool horizontal) {
  const Argb colour = s.lucent != 0 ? Translucent(s.colour) : s.colour;
  Fill fill;
  fill.colour = colour;
  if ((s.style & kBarShaded) != 0) {
    // Lighter on the leading side, across the bar.
    fill.colour = Lighter(colour, 0.55);
    fill.colour2 = colour;
    fill.gradient = horizontal ? Gradient::kVertical : Gradient::kHorizontal;
  }
  if (s.hatch > kHatchNone && s.hatch <= kHatchDiagonalCross) {
    fill.hatch = s.hatch;
    fill.hatchColour = Darker(colour, 0.35);
  }
  return fill;
}

// A value as its label and tooltip show it: "135 k$", "4.12 bn $".
std::string ValueText(double raw, const ValueScale& scale, const BarLabelStyle& style) {
  return FormatAgainst(raw, scale.numbers) + style.units;
}

// "North, Q2: 135 k$"; a stacked-100 % bar adds its share of the column.
std::string BarTooltip(const TooltipNames& names, std::size_t member, std::size_t column,
                       const std::string& valueText, double share, bool percent) {
  std::string value = valueText;
  if (percent) value += " (" + FormatCompact(share, 1) + "%)";
  return TooltipText(names.Series(member), names.Category(column), value);
}

// Value labels of neighbouring bars can run into each other: going along
// the categories, a label that overlaps one kept before is dropped. So is
// one that does not lie inside the plot area, where it could meet the axes'
// texts. `keptBoxes` receives the boxes of the labels kept.
std::vector<TextShape> WithoutClashes(DrawListBuilder& builder, std::vector<TextShape> texts,
                                      bool horizontal, const Rect& plot,
                                      std::vector<Rect>& keptBoxes) {
  std::vector<Rect> boxes;
  boxes.reserve(texts.size());
  for (const TextShape& t : texts) {
    boxes.push_back(
        TextBounds(builder.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign, t.angle));
  }
  auto from = [&](std::size_t i) { return horizontal ? boxes[i].y : boxes[i].x; };
  auto to = [&](std::size_t i) { return horizontal ? boxes[i].Bottom() : boxes[i].Right(); };
  std::vector<std::size_t> order(texts.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return from(a) < from(b); });
  std::vector<bool> keep(texts.size(), false);
  std::vector<std::size_t> active;  // kept labels that may still reach further ones
  for (const std::size_t i : order) {
    std::erase_if(active, [&](std::size_t k) { return to(k) + 1 < from(i); });
    const Rect& b = boxes[i];
    const bool outside = b.x < plot.x - 0.5 || b.Right() > plot.Right() + 0.5 ||
                         b.y < plot.y - 0.5 || b.Bottom() > plot.Bottom() + 0.5;
    if (outside) continue;
    const bool clash = std::any_of(active.begin(), active.end(), [&](std::size_t k) {
      const Rect& o = boxes[k];
      return b.x < o.Right() + 1 && o.x < b.Right() + 1 && b.y < o.Bottom() + 1 &&
             o.y < b.Bottom() + 1;
    });
    if (clash) continue;
    keep[i] = true;
    active.push_back(i);
  }
  std::vector<TextShape> kept;
  keptBoxes.clear();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (keep[i]) {
      kept.push_back(std::move(texts[i]));
      keptBoxes.push_back(boxes[i]);
    } else {
      builder.Omit(texts[i]);
    }
  }
  return kept;
}

}  // namespace

int AxisIndexOf(const Region& region, const BarSeries& series) {
  return series.whichDataAxis == 2 && region.dataAxes.size() >= 2 ? 1 : 0;
}

std::int64_t PerColumn(const BarSeries& series) {
  return std::max<std::int64_t>(series.pointsPerColumn, 1);
}

std::vector<BarUnit> GroupBars(const Region& region) {
  std::vector<BarUnit> units;
  for (std::size_t i = 0; i < region.bars.size(); ++i) {
    const BarSeries& s = region.bars[i];
    const std::int32_t type = TypeOf(s);
    const int axis = AxisIndexOf(region, s);
    BarUnit* unit = nullptr;
    if (IsStack(type)) {
      for (BarUnit& u : units) {
        if (u.type == type && u.axis == axis) unit = &u;
      }
    }
    if (unit == nullptr) {
      units.push_back({{}, type, axis, 1});
      unit = &units.back();
    }
    unit->members.push_back(i);
    unit->perColumn = std::max(unit->perColumn, PerColumn(s));
  }
  return units;
}

std::int64_t CategoryCount(const Region& region) {
  if (region.hasLabelAxis && region.labelAxis.axisCount > 0) return region.labelAxis.axisCount;
  std::int64_t count = 1;
  for (const BarSeries& s : region.bars) {
    const auto n = std::int64_t(s.values.size());
    const std::int64_t k = PerColumn(s);
    count = std::max(count, n / k + (n % k != 0 ? 1 : 0));
  }
  if (region.hasLabelAxis) {
    count = std::max(count, std::int64_t(SplitList(region.labelAxis.labels).size()));
  }
  return count;
}

DataAxisInput BarExtent(const Region& region, const std::vector<BarUnit>& units, int axis,
                        std::int64_t categories) {
  DataAxisInput extent;
  bool any = false, allPercent = true;
  double highest = 0, lowest = 0;  // ends of the bars whose labels are kept
  for (const BarUnit& unit : units) {
    if (unit.axis != axis) continue;
    any = true;
    allPercent = allPercent && unit.type == kBarStacked100;
    // The range covers every unit of the axis: a full column reaches 100 %.
    if (unit.type == kBarStacked100) extent.dataHigh = std::max(extent.dataHigh, 100.0);
    ForEachSegment(region, unit, categories, 0,
                   [&](std::size_t member, std::size_t, double from, double to, double raw) {
                     extent.dataLow = std::min({extent.dataLow, from, to});
                     extent.dataHigh = std::max({extent.dataHigh, from, to});
                     if (region.bars[member].valueLabels != kBarLabelsOutside) return;
                     // The bar reaching furthest carries the label needing room.
                     const bool up = to >= from;
                     double& reach = up ? highest : lowest;
                     EndLabel& label = up ? extent.highLabel : extent.lowLabel;
                     if (!label.present || (up ? to > reach : to < reach)) {
                       label = {true, raw};
                       reach = to;
                     }
                   });
  }
  extent.percent = any && allPercent;
  return extent;
}

namespace {

// Per position of a stack, the member whose segment ends it on each side:
// the last with a value above 0 (below 0), else the last at 0. Only that
// segment may be labelled past its end.
struct StackEnds {
  std::vector<std::ptrdiff_t> up, down;  // -1: none

  StackEnds(const Region& region, const BarUnit& unit, std::int64_t categories) {
    const std::size_t n = LongestMember(region, unit, categories);
    up.assign(n, -1);
    down.assign(n, -1);
    std::vector<bool> upIsZero(n, true);
    for (const std::size_t m : unit.members) {
      const BarSeries& s = region.bars[m];
      const std::size_t count = DrawnCount(s, unit.perColumn, categories);
      for (std::size_t j = 0; j < count; ++j) {
        const double v = s.values[j];
        if (!std::isfinite(v)) continue;
        if (v > 0 || (v == 0 && upIsZero[j])) {
          up[j] = std::ptrdiff_t(m);
          upIsZero[j] = v == 0;
        } else if (v < 0) {
          down[j] = std::ptrdiff_t(m);
        }
      }
    }
  }

  bool Outermost(std::size_t member, std::size_t j, bool towardsLarger) const {
    const auto& side = towardsLarger ? up : down;
    return j < side.size() && side[j] == std::ptrdiff_t(member);
  }
};

// One bar or segment as laid out.
struct BarPiece {
  std::size_t member = 0, point = 0;
  double from = 0, to = 0, raw = 0;  // data units; `raw` is the datum
  Rect box;                          // as drawn, clipped to the plot area
  double a0 = 0, a1 = 0;             // extent along the categories
  bool towardsLarger = true;
  bool endVisible = true;  // the end lies inside the axis range, not cut off
};

// Places the value labels of one unit's bars, each on its own bar.
class BarLabeller {
 public:
  BarLabeller(DrawListBuilder& builder, const Region& region, const ValueScale& scale,
              const BarLabelStyle& style, const Rect& plot, bool horizontal,
              std::int32_t regionIndex, double labelRoom)
      : builder_(builder),
        region_(region),
        scale_(scale),
        style_(style),
        plot_(plot),
        horizontal_(horizontal),
        regionIndex_(regionIndex),
        lineHeight_(builder.LineHeight(style.font)),
        roomForLabels_(horizontal ? labelRoom >= lineHeight_ * 0.9
                                  : labelRoom >= lineHeight_ * 0.5) {}

  Datum DatumOf(std::size_t member, std::size_t point, double raw) const {
    return {regionIndex_, std::int32_t(member), std::int64_t(point), raw};
  }

  bool Labelled(std::size_t member) const {
    const std::int32_t shown = region_.bars[member].valueLabels;
    return shown == kBarLabelsOutside || shown == kBarLabelsInside;
  }

  // A label with no room is left out, and reported.
  void Omit(std::size_t member, std::size_t point, double raw) {
    if (!Labelled(member)) return;
    builder_.OmitMade(
        TextRole::kValue, [&] { return ValueText(raw, scale_, style_); },
        DatumOf(member, point, raw));
  }

  // The label of `piece`, placed, or left out and reported.
  void Label(const BarPiece& piece, const StackEnds* ends, std::vector<TextShape>& out) {
    const std::size_t member = piece.member;
    if (!Labelled(member)) return;
    TextShape label;
    label.role = TextRole::kValue;
    label.text = ValueText(piece.raw, scale_, style_);
    label.font = style_.font;
    label.datum = DatumOf(member, piece.point, piece.raw);
    const BarSeries& s = region_.bars[member];
    // A bar cut off by the axis range to nothing shows no value.
    const bool placed = roomForLabels_ && !(piece.box.Empty() && !piece.endVisible) &&
                        (s.valueLabels == kBarLabelsInside ? PlaceInside(label, piece, s)
                                                           : PlaceOutside(label, piece, s, ends));
    if (placed) {
      out.push_back(std::move(label));
    } else {
      builder_.Omit(label);
    }
  }

 private:
  // Centred inside its own bar, when it fits there.
  bool PlaceInside(TextShape& label, const BarPiece& piece, const BarSeries& s) {
    const TextExtent e = builder_.Measure(label.font, label.text);
    const double thickness = e.ascent + e.descent;
    const Rect& bar = piece.box;
    const double across = horizontal_ ? thickness : e.width;
    const double acrossRoom = horizontal_ ? bar.h : bar.w;
    const double along = horizontal_ ? e.width + 4 : thickness + 2;
    if (across > acrossRoom - 1 || along > (horizontal_ ? bar.w : bar.h)) return false;
    label.anchor = {bar.CentreX(), bar.CentreY()};
    label.hAlign = HAlign::kCentre;
    label.vAlign = VAlign::kMiddle;
    label.colour = ContrastingText(s.colour);
    return true;
  }

  // Just beyond the end of the bar, for the bar (or the stack's last
  // segment) whose end is inside the range and has room there; otherwise
  // inside its own bar.
  bool PlaceOutside(TextShape& label, const BarPiece& piece, const BarSeries& s,
                    const StackEnds* ends) {
    const bool outermost =
        ends == nullptr || ends->Outermost(piece.member, piece.point, piece.towardsLarger);
    if (!outermost || !piece.endVisible) return PlaceInside(label, piece, s);
    const TextExtent e = builder_.Measure(label.font, label.text);
    const double thickness = e.ascent + e.descent;
    const Rect& bar = piece.box;
    const bool up = piece.towardsLarger;
    const double mid = (piece.a0 + piece.a1) / 2;
    if (horizontal_) {
      const double end = up ? bar.Right() : bar.x;
      const double room = up ? plot_.Right() - end : end - plot_.x;
      if (room < e.width + 4) return PlaceInside(label, piece, s);
      label.anchor = {end + (up ? 3 : -3), mid};
      label.hAlign = up ? HAlign::kLeft : HAlign::kRight;
      label.vAlign = VAlign::kMiddle;
    } else {
      const double end = up ? bar.y : bar.Bottom();
      const double room = up ? end - plot_.y : plot_.Bottom() - end;
      if (room < thickness + 3) return PlaceInside(label, piece, s);
      label.anchor = {mid, end + (up ? -2 : 2)};
      label.hAlign = HAlign::kCentre;
      label.vAlign = up ? VAlign::kBottom : VAlign::kTop;
    }
    label.colour = style_.colour;
    return true;
  }

  DrawListBuilder& builder_;
  const Region& region_;
  const ValueScale& scale_;
  const BarLabelStyle& style_;
  const Rect& plot_;
  const bool horizontal_;
  const std::int32_t regionIndex_;
  const double lineHeight_;
  const bool roomForLabels_;
};

// Where the bars of one unit stand along the categories.
struct UnitSlots {
  double unitStart = 0, slot = 0, barWidth = 0;
  std::size_t perColumn = 1;

  void Along(std::size_t j, double& a0, double& a1) const {
    a0 = perColumn == 1
             ? unitStart + slot * double(j)
             : unitStart + slot * double(j / perColumn) + barWidth * double(j % perColumn);
    a1 = a0 + barWidth;
  }
};

// Bars narrower than a pixel: one envelope per series, and no labels.
void DrawEnvelopes(DrawListBuilder& builder, const Region& region, const BarUnit& unit,
                   std::int64_t categories, const UnitSlots& slots, const PixelMap& pixel,
                   double base, double start, double length, bool valuesVertical,
                   BarLabeller& labels) {
  const double basePixel = pixel(base);
  std::size_t current = unit.members.front();
  Envelope envelope(start, start + length);
  auto flush = [&](std::size_t member) {
    const BarSeries& s = region.bars[member];
    const Argb colour = s.lucent != 0 ? Translucent(s.colour) : s.colour;
    builder.Add(envelope.Finish(valuesVertical, basePixel, colour));
    envelope = Envelope(start, start + length);
  };
  ForEachSegment(region, unit, categories, base,
                 [&](std::size_t member, std::size_t j, double from, double to, double raw) {
                   if (member != current) {
                     flush(current);
                     current = member;
                   }
                   double a0 = 0, a1 = 0;
                   slots.Along(j, a0, a1);
                   envelope.Add(a0, a1, from == base ? basePixel : pixel(from), pixel(to));
                   labels.Omit(member, j, raw);  // no room on bars this thin
                 });
  flush(current);
}

// One bar's shape, hot spot and entry in the report.
void DrawPiece(DrawListBuilder& builder, const BarSeries& s, const BarPiece& piece,
               const BarUnit& unit, bool horizontal, const Datum& datum, const TooltipNames& names,
               const ValueScale& scale, const BarLabelStyle& style) {
  const Rect& bar = piece.box;
  // Listed even when cut to nothing, so that its label has a place to be.
  builder.AddDataShape(IsStack(unit.type) ? ShapeRole::kSegment : ShapeRole::kBar, datum, bar);
  if (bar.Empty()) return;
  RectShape shape = bar.Shape(BarFill(s, horizontal));
  if ((s.style & kBarOutline) != 0) {
    shape.outlined = true;
    shape.outline.colour = Darker(s.colour, 0.4);
  }
  builder.Add(std::move(shape));
  if (builder.WantsHotSpots()) {
    builder.AddHotSpot(
        {{bar.x, bar.y}, {bar.Right(), bar.y}, {bar.Right(), bar.Bottom()}, {bar.x, bar.Bottom()}},
        BarTooltip(names, piece.member, piece.point / std::size_t(unit.perColumn),
                   ValueText(piece.raw, scale, style), std::abs(piece.to - piece.from),
                   unit.type == kBarStacked100));
  }
}

// Value labels that would cover another label or a bar of other data are
// left out, as are those not inside the plot area, where they could meet
// the axes' texts. Labels are taken along the categories, so the first of
// two neighbours stays.
std::vector<TextShape> WithoutCollisions(DrawListBuilder& builder, std::vector<TextShape> texts,
                                         const std::vector<BarPiece>& pieces, bool horizontal,
                                         const Rect& plot) {
  std::vector<Rect> boxes;
  std::vector<TextShape> kept = WithoutClashes(builder, std::move(texts), horizontal, plot, boxes);
  if (kept.empty()) return kept;
  // Bars sorted along the categories, to find those a label may meet.
  std::vector<const BarPiece*> along;
  for (const BarPiece& p : pieces) {
    if (!p.box.Empty()) along.push_back(&p);
  }
  auto from = [&](const Rect& r) { return horizontal ? r.y : r.x; };
  auto to = [&](const Rect& r) { return horizontal ? r.Bottom() : r.Right(); };
  std::sort(along.begin(), along.end(),
            [&](const BarPiece* a, const BarPiece* b) { return from(a->box) < from(b->box); });
  double widest = 0;
  for (const BarPiece* p : along) widest = std::max(widest, to(p->box) - from(p->box));
  std::vector<TextShape> out;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const Rect& b = boxes[i];
    const Datum& own = kept[i].datum;
    auto first = std::lower_bound(along.begin(), along.end(), from(b) - widest - 1,
                                  [&](const BarPiece* p, double v) { return from(p->box) < v; });
    bool covers = false;
    for (auto it = first; it != along.end() && from((*it)->box) < to(b) + 1 && !covers; ++it) {
      const BarPiece& p = **it;
      if (std::int32_t(p.member) == own.series && std::int64_t(p.point) == own.point) continue;
      const Rect& o = p.box;
      // Touching by a pixel is not covering.
      covers = b.x < o.Right() - 1 && o.x < b.Right() - 1 && b.y < o.Bottom() - 1 &&
               o.y < b.Bottom() - 1;
    }
    if (covers) {
      builder.Omit(kept[i]);
    } else {
      out.push_back(std::move(kept[i]));
    }
  }
  return out;
}

}  // namespace

std::vector<TextShape> DrawBars(DrawListBuilder& builder, const Region& region,
                                std::int32_t regionIndex, const std::vector<BarUnit>& units,
                                const Rect& plot, bool horizontal, std::int64_t categories,
                                const ValueScale* scales[2], const BarLabelStyle labels[2],
                                const TooltipNames& names) {
  std::vector<TextShape> texts;
  if (units.empty()) return texts;
  const bool valuesVertical = !horizontal;
  const double length = horizontal ? plot.h : plot.w;
  const double start = horizontal ? plot.y : plot.x;
  const double slot = length / double(std::max<std::int64_t>(categories, 1));
  const double unitWidth = slot * (1 - kCategoryGap) / double(units.size());

  std::vector<BarPiece> pieces;
  for (std::size_t u = 0; u < units.size(); ++u) {
    const BarUnit& unit = units[u];
    const ValueScale& scale = *scales[unit.axis];
    const BarLabelStyle& style = labels[unit.axis];
    // Room for a label across the bar: its share of the slot, gap included.
    const double labelRoom = slot / double(units.size()) / double(unit.perColumn);
    BarLabeller labeller(builder, region, scale, style, plot, horizontal, regionIndex, labelRoom);
    if (plot.Empty()) {  // no room for any bar
      ForEachSegment(region, unit, categories, 0,
                     [&](std::size_t member, std::size_t j, double, double, double raw) {
                       labeller.Omit(member, j, raw);
                     });
      continue;
    }
    UnitSlots slots;
    slots.slot = slot;
    slots.perColumn = std::size_t(unit.perColumn);
    slots.barWidth = unitWidth / double(unit.perColumn);
    slots.unitStart = start + slot * kCategoryGap / 2 + unitWidth * double(u);
    const double base = std::clamp(0.0, scale.min, scale.max);
    const PixelMap pixel(scale, plot, valuesVertical);
    if (slots.barWidth < kEnvelopeBelow) {
      DrawEnvelopes(builder, region, unit, categories, slots, pixel, base, start, length,
                    valuesVertical, labeller);
      continue;
    }

    const bool crisp = slots.barWidth >= kCrispFrom;
    const std::optional<StackEnds> ends =
        IsStack(unit.type) ? std::optional<StackEnds>(std::in_place, region, unit, categories)
                           : std::nullopt;
    ForEachSegment(region, unit, categories, base,
                   [&](std::size_t member, std::size_t j, double from, double to, double raw) {
                     BarPiece piece;
                     piece.member = member;
                     piece.point = j;
                     piece.from = from;
                     piece.to = to;
                     piece.raw = raw;
                     slots.Along(j, piece.a0, piece.a1);
                     double a0 = piece.a0, a1 = piece.a1, p0 = pixel(from), p1 = pixel(to);
                     if (crisp) {
                       a0 = std::round(a0);
                       a1 = std::round(a1);
                       p0 = std::round(p0);
                       p1 = std::round(p1);
                     }
                     piece.box = horizontal
                                     ? Rect{std::min(p0, p1), a0, std::abs(p1 - p0), a1 - a0}
                                     : Rect{a0, std::min(p0, p1), a1 - a0, std::abs(p1 - p0)};
                     piece.towardsLarger = to >= from;
                     piece.endVisible = to >= scale.min && to <= scale.max;
                     DrawPiece(builder, region.bars[member], piece, unit, horizontal,
                               labeller.DatumOf(member, j, raw), names, scale, style);
                     labeller.Label(piece, ends ? &*ends : nullptr, texts);
                     pieces.push_back(piece);
                   });
  }
  return WithoutCollisions(builder, std::move(texts), pieces, horizontal, plot);
}

}  // namespace vantiro::engine::layout
