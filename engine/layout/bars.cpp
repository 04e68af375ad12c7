// Bar series geometry: slots, stacks, value labels and envelopes.
#include "engine/layout/bars.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
// texts.
std::vector<TextShape> WithoutClashes(DrawListBuilder& builder, std::vector<TextShape> texts,
                                      bool horizontal, const Rect& plot) {
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
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (keep[i]) {
      kept.push_back(std::move(texts[i]));
    } else {
      builder.Omit(texts[i].role, texts[i].text);
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

std::vector<TextShape> DrawBars(DrawListBuilder& builder, const Region& region,
                                const std::vector<BarUnit>& units, const Rect& plot,
                                bool horizontal, std::int64_t categories,
                                const ValueScale* scales[2], const BarLabelStyle labels[2],
                                const TooltipNames& names) {
  std::vector<TextShape> texts;
  if (units.empty()) return texts;
  const bool valuesVertical = !horizontal;
  const double length = horizontal ? plot.h : plot.w;
  const double start = horizontal ? plot.y : plot.x;
  const double slot = length / double(std::max<std::int64_t>(categories, 1));
  const double unitWidth = slot * (1 - kCategoryGap) / double(units.size());

  for (std::size_t u = 0; u < units.size(); ++u) {
    const BarUnit& unit = units[u];
    const ValueScale& scale = *scales[unit.axis];
    const BarLabelStyle& style = labels[unit.axis];
    // A value label with no room is left out, and reported.
    auto omitLabel = [&](std::size_t member, double raw) {
      const std::int32_t shown = region.bars[member].valueLabels;
      if (shown != kBarLabelsOutside && shown != kBarLabelsInside) return;
      builder.OmitMade(TextRole::kValue, [&] { return ValueText(raw, scale, style); });
    };
    if (plot.Empty()) {  // no room for any bar
      ForEachSegment(region, unit, categories, 0,
                     [&](std::size_t member, std::size_t, double, double, double raw) {
                       omitLabel(member, raw);
                     });
      continue;
    }
    const double barWidth = unitWidth / double(unit.perColumn);
    const double unitStart = start + slot * kCategoryGap / 2 + unitWidth * double(u);
    const double base = std::clamp(0.0, scale.min, scale.max);
    const PixelMap pixel(scale, plot, valuesVertical);
    const double basePixel = pixel(base);
    // Where along the categories value j of a member lies.
    const auto k = std::size_t(unit.perColumn);
    auto along = [&](std::size_t j, double& a0, double& a1) {
      a0 = k == 1 ? unitStart + slot * double(j)
                  : unitStart + slot * double(j / k) + barWidth * double(j % k);
      a1 = a0 + barWidth;
    };

    if (barWidth < kEnvelopeBelow) {
      // Too thin for one shape each: one envelope per series.
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
                       along(j, a0, a1);
                       envelope.Add(a0, a1, from == base ? basePixel : pixel(from), pixel(to));
                       omitLabel(member, raw);  // no room on bars this thin
                     });
      flush(current);
      continue;
    }

    const bool crisp = barWidth >= kCrispFrom;
    const double lineHeight = builder.LineHeight(style.font);
    // Room for a label across the bar: its share of the slot, gap included.
    const double labelRoom = slot / double(units.size()) / double(unit.perColumn);
    const bool roomForLabels =
        horizontal ? labelRoom >= lineHeight * 0.9 : labelRoom >= lineHeight * 0.5;
    ForEachSegment(
        region, unit, categories, base,
        [&](std::size_t member, std::size_t j, double from, double to, double raw) {
          const BarSeries& s = region.bars[member];
          double a0 = 0, a1 = 0;
          along(j, a0, a1);
          double p0 = pixel(from), p1 = pixel(to);
          if (crisp) {
            a0 = std::round(a0);
            a1 = std::round(a1);
            p0 = std::round(p0);
            p1 = std::round(p1);
          }
          const Rect bar = horizontal ? Rect{std::min(p0, p1), a0, std::abs(p1 - p0), a1 - a0}
                                      : Rect{a0, std::min(p0, p1), a1 - a0, std::abs(p1 - p0)};
          if (!bar.Empty()) {
            RectShape shape = bar.Shape(BarFill(s, horizontal));
            if ((s.style & kBarOutline) != 0) {
              shape.outlined = true;
              shape.outline.colour = Darker(s.colour, 0.4);
            }
            builder.Add(std::move(shape));
            if (builder.WantsHotSpots()) {
              builder.AddHotSpot({{bar.x, bar.y},
                                  {bar.Right(), bar.y},
                                  {bar.Right(), bar.Bottom()},
                                  {bar.x, bar.Bottom()}},
                                 BarTooltip(names, member, j / k, ValueText(raw, scale, style),
                                            std::abs(to - from), unit.type == kBarStacked100));
            }
          }

          if (s.valueLabels != kBarLabelsOutside && s.valueLabels != kBarLabelsInside) return;
          auto omit = [&] { omitLabel(member, raw); };
          if (!roomForLabels) {
            omit();
            return;
          }
          TextShape label;
          label.role = TextRole::kValue;
          label.text = ValueText(raw, scale, style);
          label.font = style.font;
          const TextExtent e = builder.Measure(style.font, label.text);
          const double thickness = e.ascent + e.descent;
          const double across = horizontal ? thickness : e.width;
          const double barLength = horizontal ? bar.w : bar.h;
          const double mid = (a0 + a1) / 2;
          const bool up = to >= from;  // towards larger values
          // Inside: centred in the bar, when it fits.
          auto inside = [&] {
            if (across > (a1 - a0) - 1 || (horizontal ? e.width + 4 : thickness + 2) > barLength)
              return false;
            label.anchor = horizontal ? Point{bar.CentreX(), mid} : Point{mid, bar.CentreY()};
            label.hAlign = HAlign::kCentre;
            label.vAlign = VAlign::kMiddle;
            label.colour = ContrastingText(s.colour);
            return true;
          };
          if (s.valueLabels == kBarLabelsInside) {
            if (inside()) {
              texts.push_back(std::move(label));
            } else {
              omit();
            }
            return;
          }
          if (across > labelRoom) {
            omit();
            return;
          }
          // Outside: just beyond the end of the bar, or inside its end when
          // the plot area has no room there.
          label.colour = style.colour;
          if (horizontal) {
            const double room = up ? plot.Right() - p1 : p1 - plot.x;
            const bool beyond = room >= e.width + 4;
            const bool right = up == beyond;
            label.anchor = {p1 + (right ? 3 : -3), mid};
            label.hAlign = right ? HAlign::kLeft : HAlign::kRight;
            label.vAlign = VAlign::kMiddle;
            if (!beyond) label.colour = ContrastingText(s.colour);
          } else {
            const double room = up ? p1 - plot.y : plot.Bottom() - p1;
            const bool beyond = room >= thickness + 3;
            const bool above = up == beyond;
            label.anchor = {mid, p1 + (above ? -2 : 2)};
            label.hAlign = HAlign::kCentre;
            label.vAlign = above ? VAlign::kBottom : VAlign::kTop;
            if (!beyond) label.colour = ContrastingText(s.colour);
          }
          texts.push_back(std::move(label));
        });
  }
  return WithoutClashes(builder, std::move(texts), horizontal, plot);
}

}  // namespace vantiro::engine::layout
