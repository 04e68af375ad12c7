// Pie, donut and pyramid geometry and their value labels.
#include "engine/layout/gridless.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine/layout/value_scale.h"

namespace vantiro::engine::layout {

namespace {

constexpr double kLabelPoints = 9;
constexpr Argb kLabelColour = 0xFF202020;
constexpr Argb kLeaderColour = 0xFF808080;
constexpr Argb kEmptyColour = 0xFFC0C0C0;
constexpr Argb kSliceEdge = 0xFFFFFFFF;
// Slices below this share of the whole get no label: there would be no
// room to read it, and at most a few hundred labels are made.
constexpr double kLabelledShare = 0.002;

// Negative, NaN and infinite values count as nothing.
double SliceValue(double v) { return std::isfinite(v) && v > 0 ? std::min(v, kValueLimit) : 0; }

bool Exploded(const GridlessSeries& s, std::size_t index) {
  return s.explode == -1 || (s.explode > 0 && std::size_t(s.explode) == index + 1);
}

std::string SliceLabel(std::int32_t kind, double value, double share) {
  const std::string percent = FormatCompact(share * 100, 1) + "%";
  switch (kind) {
    case kGridlessLabelsValue: return FormatCompact(value, 2);
    case kGridlessLabelsPercent: return percent;
    case kGridlessLabelsBoth: return FormatCompact(value, 2) + " (" + percent + ")";
    default: return {};
  }
}

// "Vantiro: 38 (38%)", as the chart window's tooltip shows a slice.
std::string SliceTooltip(const TooltipNames& names, std::size_t index, double value, double share) {
  return TooltipText(names.Series(index), {}, SliceLabel(kGridlessLabelsBoth, value, share));
}

Fill SliceFill(const GridlessSeries& s, std::size_t index) {
  Fill fill;
  const Argb colour = SliceColour(s, index);
  fill.colour = s.lucent != 0 ? Translucent(colour) : colour;
  if (s.hatch > kHatchNone && s.hatch <= kHatchDiagonalCross) {
    fill.hatch = s.hatch;
    fill.hatchColour = Darker(fill.colour, 0.35);
  }
  return fill;
}

// The part of the plot area the series is aligned to.
Rect AreaOf(const GridlessSeries& s, const Rect& plot) {
  Rect area = plot;
  if (s.alignment == kGridlessLeft || s.alignment == kGridlessRight) {
    area.w = plot.w / 2;
    if (s.alignment == kGridlessRight) area.x += area.w;
  }
  return area;
}

// A label beside the chart, joined to its slice by a leader line.
struct OutsideLabel {
  std::string text;
  std::vector<Point> leader;  // from the slice; the last point moves with the label
  double x = 0, y = 0;        // text anchor (middle of its left or right end)
  bool right = true;
};

// Moves labels of one side apart vertically, keeping them in [top, bottom].
void Spread(std::vector<OutsideLabel*>& labels, double top, double bottom, double lineHeight) {
  if (labels.empty()) return;
  std::sort(labels.begin(), labels.end(),
            [](const OutsideLabel* a, const OutsideLabel* b) { return a->y < b->y; });
  const double first = top + lineHeight / 2, last = bottom - lineHeight / 2;
  double prev = first - lineHeight;
  for (OutsideLabel* l : labels) {
    l->y = std::max(l->y, prev + lineHeight);
    prev = l->y;
  }
  double next = last + lineHeight;
  for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
    (*it)->y = std::max(std::min((*it)->y, next - lineHeight), first);
    next = (*it)->y;
  }
}

void DrawOutsideLabels(DrawListBuilder& builder, std::vector<OutsideLabel>& labels,
                       const Rect& area, const Font& font) {
  const double lineHeight = builder.LineHeight(font) + 1;
  std::vector<OutsideLabel*> left, right;
  for (OutsideLabel& l : labels) (l.right ? right : left).push_back(&l);
  Spread(left, area.y, area.Bottom(), lineHeight);
  Spread(right, area.y, area.Bottom(), lineHeight);
  Stroke leader;
  leader.colour = kLeaderColour;
  for (OutsideLabel& l : labels) {
    LineShape line;
    line.points = l.leader;
    line.points.push_back({l.x + (l.right ? -3 : 3), l.y});
    line.stroke = leader;
    builder.Add(std::move(line));
    builder.Text(TextRole::kSlice, l.text, {l.x, l.y}, l.right ? HAlign::kLeft : HAlign::kRight,
                 VAlign::kMiddle, 0, font, kLabelColour);
  }
}

// Clockwise angle of `p` seen from `c`, from 12 o'clock, in [0, 360).
double AngleOf(Point c, Point p) {
  const double a = std::atan2(p.x - c.x, c.y - p.y) * 180 / std::numbers::pi;
  return a < 0 ? a + 360 : a;
}

// Whether a text box around `p` lies inside the ring sector.
bool BoxInSector(Point c, double inner, double outer, double from, double sweep, Point p,
                 const TextExtent& e) {
  const double hw = e.width / 2, hh = (e.ascent + e.descent) / 2;
  for (const double dx : {-hw, hw}) {
    for (const double dy : {-hh, hh}) {
      const Point q{p.x + dx, p.y + dy};
      const double dist = std::hypot(q.x - c.x, q.y - c.y);
      if (dist > outer - 2 || dist < inner + 2) return false;
      if (sweep < 360 && std::fmod(AngleOf(c, q) - from + 720, 360) > sweep) return false;
    }
  }
  return true;
}

void DrawEmptyOutline(DrawListBuilder& builder, std::vector<Point> points) {
  if (points.size() < 2) return;
  points.push_back(points.front());
  LineShape line;
  line.points = std::move(points);
  line.stroke.colour = kEmptyColour;
  builder.Add(std::move(line));
}

void DrawPie(DrawListBuilder& builder, const GridlessSeries& s, const Rect& area,
             const std::vector<double>& values, double total, const TooltipNames& names) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  const double lineHeight = builder.LineHeight(font);
  const bool donut = s.style == kGridlessDonut;
  bool anyExploded = false;
  double widest = 0;
  std::vector<std::string> texts(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0) continue;
    anyExploded = anyExploded || Exploded(s, i);
    if (values[i] / total < kLabelledShare) continue;
    texts[i] = SliceLabel(s.valueLabels, values[i], values[i] / total);
    widest = std::max(widest, builder.Measure(font, texts[i]).width);
  }
  const double pull = anyExploded ? kExplodeShare : 0;
  const Point centre{area.CentreX(), area.CentreY()};
  const double startAngle = std::fmod(double(s.startAngle), 360.0);

  // Where the label of slice i stands inside it, and whether it fits there.
  auto labelInside = [&](std::size_t i, double r, double from, double sweep, Point& at) {
    const Point dir = Direction(from + sweep / 2);
    const double offset = Exploded(s, i) ? kExplodeShare * r : 0;
    const Point c{centre.x + dir.x * offset, centre.y + dir.y * offset};
    const double inner = donut ? r * kDonutHole : 0;
    const double distance = donut ? (r + inner) / 2 : r * 0.62;
    at = {c.x + dir.x * distance, c.y + dir.y * distance};
    const bool whole = sweep >= 359.999;
    return BoxInSector(c, inner, r, from, whole ? 360 : sweep, at, builder.Measure(font, texts[i]));
  };
  auto allInside = [&](double r) {
    double angle = startAngle;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i] <= 0) continue;
      const double sweep = std::min(360.0, 360.0 * values[i] / total);
      Point at;
      if (!texts[i].empty() && !labelInside(i, r, angle, sweep, at)) return false;
      angle += sweep;
    }
    return true;
  };

  // As large as the area allows, less the pull of exploded slices; smaller
  // when labels have to stand beside the pie.
  const double full = (std::min(area.w, area.h) / 2 - 4) / (1 + pull);
  double radius = full;
  if (widest > 0 && !allInside(full)) {
    const double byWidth = (area.w / 2 - widest - 14) / (1.12 + pull);
    const double byHeight = (area.h / 2 - lineHeight - 4) / (1.12 + pull);
    radius = std::min(full, std::max(std::min(byWidth, byHeight), full * 0.55));
  }
  if (!(radius >= 2)) return;
  const double inner = donut ? radius * kDonutHole : 0;

  if (total <= 0) {
    std::vector<Point> circle;
    AppendArc(circle, centre, radius, 0, 360);
    DrawEmptyOutline(builder, std::move(circle));
    return;
  }

  std::vector<OutsideLabel> outside;
  std::vector<TextShape> inside;
  // Runs of slices too thin to see are drawn together as one grey wedge,
  // so that thousands of values do not become thousands of shapes.
  double runFrom = 0, runSweep = 0;
  auto flushRun = [&] {
    if (runSweep <= 0) return;
    PolygonShape wedge;
    if (!donut) wedge.points.push_back(centre);
    AppendArc(wedge.points, centre, radius, runFrom, runFrom + runSweep);
    if (donut) AppendArc(wedge.points, centre, inner, runFrom + runSweep, runFrom);
    wedge.fill.colour = kEmptyColour;
    builder.Add(std::move(wedge));
    runSweep = 0;
  };
  constexpr double kRadPerDeg = std::numbers::pi / 180;
  double angle = startAngle;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0) continue;
    const double sweep = std::min(360.0, 360.0 * values[i] / total);
    const double from = angle, mid = angle + sweep / 2;
    angle += sweep;
    if (sweep * kRadPerDeg * radius < 0.5) {
      if (runSweep == 0) runFrom = from;
      runSweep += sweep;
      continue;
    }
    flushRun();
    const Point dir = Direction(mid);
    const double offset = Exploded(s, i) ? kExplodeShare * radius : 0;
    const Point c{centre.x + dir.x * offset, centre.y + dir.y * offset};
    const bool whole = sweep >= 359.999;

    PolygonShape slice;
    if (!donut && !whole) slice.points.push_back(c);
    AppendArc(slice.points, c, radius, from, from + sweep);
    if (donut) AppendArc(slice.points, c, inner, from + sweep, from);
    slice.fill = SliceFill(s, i);
    slice.outlined = !whole;
    slice.outline.colour = kSliceEdge;
    if (builder.WantsHotSpots()) {
      builder.AddHotSpot(slice.points, SliceTooltip(names, i, values[i], values[i] / total));
    }
    builder.Add(std::move(slice));

    if (texts[i].empty()) continue;
    Point at;
    if (labelInside(i, radius, from, sweep, at)) {
      inside.push_back({texts[i], at, HAlign::kCentre, VAlign::kMiddle, 0, font,
                        ContrastingText(SliceColour(s, i)), TextRole::kSlice});
      continue;
    }
    OutsideLabel label;
    label.text = texts[i];
    label.right = dir.x >= 0;
    const Point elbow{c.x + dir.x * radius * 1.1, c.y + dir.y * radius * 1.1};
    label.leader = {{c.x + dir.x * radius, c.y + dir.y * radius}, elbow};
    label.x = elbow.x + (label.right ? 8 : -8);
    label.y = elbow.y;
    outside.push_back(std::move(label));
  }
  flushRun();
  for (const TextShape& t : inside) builder.Text(t);
  DrawOutsideLabels(builder, outside, area, font);
}

void DrawPyramid(DrawListBuilder& builder, const GridlessSeries& s, const Rect& area,
                 const std::vector<double>& values, double total, const TooltipNames& names) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  std::vector<std::string> texts(values.size());
  double widest = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0 || values[i] / total < kLabelledShare) continue;
    texts[i] = SliceLabel(s.valueLabels, values[i], values[i] / total);
    widest = std::max(widest, builder.Measure(font, texts[i]).width);
  }
  const double height = area.h - 8;
  const double top = area.y + 4;
  if (!(height >= 2 && area.w >= 10)) return;

  // Pulled-out layers are set apart by gaps above and below them.
  std::vector<std::size_t> nonEmpty;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] > 0) nonEmpty.push_back(i);
  }
  std::size_t gaps = 0;
  for (std::size_t k = 1; k < nonEmpty.size(); ++k) {
    if (Exploded(s, nonEmpty[k - 1]) || Exploded(s, nonEmpty[k])) ++gaps;
  }
  double gap = kExplodeShare * 0.3 * height;
  if (double(gaps) * gap > height / 2) gap = 0;
  const double usable = height - double(gaps) * gap;

  // Depths below the apex (y0..y1 of `usable`) and the gap shift of each
  // band; runs of layers too thin to see become one grey band.
  struct Band {
    std::size_t index;  // the layer; npos for a run of thin ones
    double y0, y1, shift;
  };
  constexpr std::size_t kRun = std::size_t(-1);
  std::vector<Band> bands;
  double sum = 0, shift = 0;
  for (std::size_t k = 0; k < nonEmpty.size(); ++k) {
    const std::size_t i = nonEmpty[k];
    const bool apart = k > 0 && (Exploded(s, nonEmpty[k - 1]) || Exploded(s, i));
    if (apart) shift += gap;
    const double y0 = usable * std::min(sum / total, 1.0);
    sum += values[i];
    const double y1 = usable * std::min(sum / total, 1.0);
    if (y1 - y0 < 0.5 && !apart && !Exploded(s, i)) {
      if (!bands.empty() && bands.back().index == kRun) {
        bands.back().y1 = y1;
      } else {
        bands.push_back({kRun, y0, y1, shift});
      }
      continue;
    }
    bands.push_back({i, y0, y1, shift});
  }

  // As wide as the area allows (at most 1.2 times as wide as high); labels
  // that do not fit their layer need room to the right.
  auto labelFits = [&](const Band& b, double base) {
    const TextExtent e = builder.Measure(font, texts[b.index]);
    return e.width <= base * (b.y0 + b.y1) / 2 / usable - 6 &&
           e.ascent + e.descent <= b.y1 - b.y0 - 2;
  };
  auto widthFor = [&](double room) {
    return std::min(std::max(area.w - 8 - room, area.w * 0.5), height * 1.2);
  };
  double labelRoom = 0;
  for (const Band& b : bands) {
    if (b.index != kRun && !texts[b.index].empty() && !labelFits(b, widthFor(0)))
      labelRoom = widest + 24;
  }
  const double base = widthFor(labelRoom);
  const double free = std::max(0.0, area.w - 8 - base - labelRoom);
  const double cx = area.x + 4 + free / 2 + base / 2;

  if (total <= 0) {
    DrawEmptyOutline(builder,
                     {{cx, top}, {cx + base / 2, top + height}, {cx - base / 2, top + height}});
    return;
  }

  std::vector<OutsideLabel> outside;
  std::vector<TextShape> inside;
  for (const Band& b : bands) {
    const double w0 = base * b.y0 / usable, w1 = base * b.y1 / usable;
    const double top0 = top + b.shift + b.y0, top1 = top + b.shift + b.y1;
    PolygonShape layer;
    if (w0 > 0.01) layer.points.push_back({cx - w0 / 2, top0});
    layer.points.push_back({cx + w0 / 2, top0});
    layer.points.push_back({cx + w1 / 2, top1});
    layer.points.push_back({cx - w1 / 2, top1});
    if (b.index == kRun) {
      layer.fill.colour = kEmptyColour;
      builder.Add(std::move(layer));
      continue;
    }
    layer.fill = SliceFill(s, b.index);
    layer.outlined = true;
    layer.outline.colour = kSliceEdge;
    if (builder.WantsHotSpots()) {
      builder.AddHotSpot(layer.points,
                         SliceTooltip(names, b.index, values[b.index], values[b.index] / total));
    }
    builder.Add(std::move(layer));

    const std::string& text = texts[b.index];
    if (text.empty()) continue;
    const double midY = (top0 + top1) / 2, midW = (w0 + w1) / 2;
    if (labelFits(b, base)) {
      inside.push_back({text,
                        {cx, midY},
                        HAlign::kCentre,
                        VAlign::kMiddle,
                        0,
                        font,
                        ContrastingText(SliceColour(s, b.index)),
                        TextRole::kSlice});
      continue;
    }
    OutsideLabel label;
    label.text = text;
    label.leader = {{cx + midW / 2, midY}};
    label.x = cx + base / 2 + 12;
    label.y = midY;
    outside.push_back(std::move(label));
  }
  for (const TextShape& t : inside) builder.Text(t);
  DrawOutsideLabels(builder, outside, area, font);
}

}  // namespace

Argb SliceColour(const GridlessSeries& series, std::size_t index) {
  if (index < series.colours.size()) return series.colours[index];
  return kPalette[index % std::size(kPalette)];
}

void DrawGridless(DrawListBuilder& builder, const GridlessSeries& series, const Rect& plot,
                  const TooltipNames& names) {
  const Rect area = AreaOf(series, plot);
  if (area.Empty()) return;
  std::vector<double> values(series.values.size());
  double total = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = SliceValue(series.values[i]);
    total += values[i];
  }
  if (series.style == kGridlessPyramid) {
    DrawPyramid(builder, series, area, values, total, names);
  } else {
    DrawPie(builder, series, area, values, total, names);
  }
}

}  // namespace vantiro::engine::layout
