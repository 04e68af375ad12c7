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
// Slices below this share of the whole get no label (it is reported as left
// out): at most ten thousand labels are made, and the columns beside a pie
// keep only as many as they have room for.
constexpr double kLabelledShare = 0.0001;
// Shares from this one up choose how many decimals the percentages show.
constexpr double kPreciseShare = 0.0005;
// A pie's label columns: leaders' elbows stand this far beside the pie, the
// texts this much further out.
constexpr double kElbowGap = 8;
constexpr double kTextGap = 10;

// Negative, NaN and infinite values count as nothing.
double SliceValue(double v) { return std::isfinite(v) && v > 0 ? std::min(v, kValueLimit) : 0; }

bool Exploded(const GridlessSeries& s, std::size_t index) {
  return s.explode == -1 || (s.explode > 0 && std::size_t(s.explode) == index + 1);
}

// Fewest decimals (0 to 2) with which the percentage of every slice of 1 %
// or more stays within 5 % of its true share and no smaller one from
// kPreciseShare up shows as 0; chosen once so that all labels of one series
// show the same number of decimals ("2.0%" beside "2.2%", never "2%").
int PercentDecimals(const std::vector<double>& values, double total) {
  int decimals = 0;
  for (const double v : values) {
    const double percent = total > 0 ? 100 * v / total : 0;
    if (!(percent >= 100 * kPreciseShare)) continue;
    while (decimals < 2) {
      const double unit = std::pow(10.0, decimals);
      const double shown = std::round(percent * unit) / unit;
      if (percent >= 1 ? std::abs(shown - percent) <= 0.05 * percent : shown > 0) break;
      ++decimals;
    }
  }
  return decimals;
}

// A share too small to show with `decimals` reads "<0.1%" rather than "0.0%".
std::string SliceLabel(std::int32_t kind, double value, double share, int decimals) {
  const double unit = std::pow(10.0, -decimals);
  const std::string percent = share > 0 && share * 100 < unit / 2
                                  ? "<" + FormatValue(unit, decimals) + "%"
                                  : FormatValue(share * 100, decimals) + "%";
  switch (kind) {
    case kGridlessLabelsValue: return FormatCompact(value, 2);
    case kGridlessLabelsPercent: return percent;
    case kGridlessLabelsBoth: return FormatCompact(value, 2) + " (" + percent + ")";
    default: return {};
  }
}

// "Vantiro: 38 (38%)", as the chart window's tooltip shows a slice.
std::string SliceTooltip(const TooltipNames& names, std::size_t index, double value, double share,
                         int decimals) {
  return TooltipText(names.Series(index), {},
                     SliceLabel(kGridlessLabelsBoth, value, share, decimals));
}

// Label texts of the slices (empty for none) and the widest of them. Labels
// of slices too thin to read are reported as left out.
struct SliceTexts {
  std::vector<std::string> texts;
  double widest = 0;
  int decimals = 0;
};

SliceTexts MakeSliceTexts(DrawListBuilder& builder, const GridlessSeries& s, const Font& font,
                          const std::vector<double>& values, double total) {
  SliceTexts out;
  out.texts.resize(values.size());
  out.decimals = PercentDecimals(values, total);
  if (s.valueLabels < kGridlessLabelsValue || s.valueLabels > kGridlessLabelsBoth) return out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0) continue;
    std::string text = SliceLabel(s.valueLabels, values[i], values[i] / total, out.decimals);
    if (values[i] / total < kLabelledShare) {
      builder.Omit(TextRole::kSlice, text);
      continue;
    }
    out.widest = std::max(out.widest, builder.Measure(font, text).width);
    out.texts[i] = std::move(text);
  }
  return out;
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

// A label beside the chart, in a column, joined to its slice by a leader
// line that runs from the slice to an elbow at the column's edge and then
// horizontally to the text.
struct OutsideLabel {
  std::string text;
  double value = 0;           // of its slice: the smallest are left out first
  std::vector<Point> leader;  // from the slice up to where it leaves for the elbow
  double want = 0;            // the height it would stand at
  // Heights between which the leader's last straight run stays clear of the
  // chart; each column keeps its labels in the order of their slices.
  double lo = -kValueLimit, hi = kValueLimit;
  double y = 0;
};

bool Meets(const Rect& a, const Rect& b) {
  return !a.Empty() && !b.Empty() && a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() &&
         b.y < a.Bottom();
}

// Labels inside their slices; those a legend over the chart would hide are
// left out.
void DrawInsideLabels(DrawListBuilder& builder, const std::vector<TextShape>& inside,
                      const Rect& keepClear) {
  for (const TextShape& t : inside) {
    const Rect box =
        TextBounds(builder.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign, t.angle);
    if (Meets(box, keepClear)) {
      builder.Omit(t.role, t.text);
    } else {
      builder.Text(t);
    }
  }
}

// One side's column: the leaders' elbows stand at `elbowX`, texts start at
// `textX` (running right, or left for a left column) and are at most
// `maxWidth` wide, between `top` and `bottom`.
struct LabelColumn {
  double elbowX = 0, textX = 0, maxWidth = 0;
  double top = 0, bottom = 0;
  bool right = true;
};

// Heights for `labels` (in order, top to bottom) at least `gap` apart and
// within each one's bounds, each as near its wish as the others allow; false
// when no such heights exist.
bool StackLabels(std::vector<OutsideLabel>& labels, double gap) {
  const std::size_t n = labels.size();
  std::vector<double> low(n), high(n);
  for (std::size_t i = 0; i < n; ++i) {
    low[i] = i == 0 ? labels[i].lo : std::max(labels[i].lo, low[i - 1] + gap);
  }
  for (std::size_t k = n; k-- > 0;) {
    high[k] = k + 1 == n ? labels[k].hi : std::min(labels[k].hi, high[k + 1] - gap);
    if (low[k] > high[k]) return false;
  }
  // Pushing down from the wishes and pushing up from them both give valid
  // heights; their mean is valid too and spreads a crowd about its middle.
  std::vector<double> down(n), up(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double wish = i == 0 ? labels[i].want : std::max(labels[i].want, down[i - 1] + gap);
    down[i] = std::clamp(wish, low[i], high[i]);
  }
  for (std::size_t k = n; k-- > 0;) {
    const double wish = k + 1 == n ? labels[k].want : std::min(labels[k].want, up[k + 1] - gap);
    up[k] = std::clamp(wish, low[k], high[k]);
  }
  for (std::size_t i = 0; i < n; ++i) labels[i].y = (down[i] + up[i]) / 2;
  return true;
}

// Places one column's labels: those of the smallest slices are left out
// until the rest fit, then each is drawn with its leader.
void DrawLabelColumn(DrawListBuilder& builder, std::vector<OutsideLabel> labels, LabelColumn column,
                     const Font& font, const Rect& keepClear) {
  const double lineHeight = builder.LineHeight(font) + 1;
  // A legend over the chart takes the part of the column it covers.
  const double from = column.right ? column.textX : column.textX - column.maxWidth;
  const double to = column.right ? column.textX + column.maxWidth : column.textX;
  if (Meets({from, column.top, to - from, column.bottom - column.top}, keepClear)) {
    if (column.bottom - keepClear.Bottom() >= keepClear.y - column.top) {
      column.top = keepClear.Bottom() + 1;
    } else {
      column.bottom = keepClear.y - 1;
    }
  }
  std::stable_sort(labels.begin(), labels.end(),
                   [](const OutsideLabel& a, const OutsideLabel& b) { return a.want < b.want; });
  for (OutsideLabel& l : labels) {
    l.lo = std::max(l.lo, column.top + lineHeight / 2);
    l.hi = std::min(l.hi, column.bottom - lineHeight / 2);
  }
  auto dropSmallest = [&] {
    auto smallest = std::min_element(
        labels.begin(), labels.end(),
        [](const OutsideLabel& a, const OutsideLabel& b) { return a.value < b.value; });
    builder.Omit(TextRole::kSlice, smallest->text);
    labels.erase(smallest);
  };
  // First keep no more than the column has lines for, the largest slices'.
  const double lines = std::floor(std::max(0.0, column.bottom - column.top) / lineHeight);
  if (double(labels.size()) > lines) {
    std::vector<std::size_t> bySize(labels.size());
    for (std::size_t i = 0; i < bySize.size(); ++i) bySize[i] = i;
    std::stable_sort(bySize.begin(), bySize.end(), [&](std::size_t a, std::size_t b) {
      return labels[a].value > labels[b].value;
    });
    std::vector<bool> keep(labels.size(), false);
    for (std::size_t k = 0; double(k) < lines; ++k) keep[bySize[k]] = true;
    std::vector<OutsideLabel> fitting;
    for (std::size_t i = 0; i < labels.size(); ++i) {
      if (keep[i]) {
        fitting.push_back(std::move(labels[i]));
      } else {
        builder.Omit(TextRole::kSlice, labels[i].text);
      }
    }
    labels = std::move(fitting);
  }
  while (!labels.empty() && !StackLabels(labels, lineHeight)) dropSmallest();

  Stroke leader;
  leader.colour = kLeaderColour;
  const double side = column.right ? 1 : -1;
  for (OutsideLabel& l : labels) {
    const std::string shown = builder.Fit(font, l.text, column.maxWidth);
    if (shown.empty()) {
      builder.Omit(TextRole::kSlice, l.text);
      continue;
    }
    LineShape line;
    line.points = std::move(l.leader);
    line.points.push_back({column.elbowX, l.y});
    line.points.push_back({column.textX - 3 * side, l.y});
    line.stroke = leader;
    builder.Add(std::move(line));
    builder.Text(TextRole::kSlice, shown, {column.textX, l.y},
                 column.right ? HAlign::kLeft : HAlign::kRight, VAlign::kMiddle, 0, font,
                 kLabelColour, l.text);
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
             const std::vector<double>& values, double total, const TooltipNames& names,
             const Rect& keepClear) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  const double lineHeight = builder.LineHeight(font) + 1;
  const bool donut = s.style == kGridlessDonut;
  bool anyExploded = false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    anyExploded = anyExploded || (values[i] > 0 && Exploded(s, i));
  }
  const SliceTexts labels = MakeSliceTexts(builder, s, font, values, total);
  const std::vector<std::string>& texts = labels.texts;
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
  // when labels have to stand beside the pie: room for a label column on
  // each side (the pie keeps at least 55 % of its size for that) and a line
  // above and below.
  const double full = (std::min(area.w, area.h) / 2 - 4) / (1 + pull);
  double radius = full;
  if (labels.widest > 0 && !allInside(full)) {
    const double byWidth = (area.w / 2 - kElbowGap - kTextGap - labels.widest - 2) / (1 + pull);
    const double byHeight = (area.h / 2 - lineHeight - 2) / (1 + pull);
    radius = std::min({full, byHeight, std::max(byWidth, full * 0.55)});
  }
  if (!(radius >= 2)) return;
  // Leaders leave the pie from this circle, which holds pulled-out slices.
  const double reach = radius * (1 + pull);
  const double inner = donut ? radius * kDonutHole : 0;

  if (total <= 0) {
    std::vector<Point> circle;
    AppendArc(circle, centre, radius, 0, 360);
    DrawEmptyOutline(builder, std::move(circle));
    return;
  }

  std::vector<OutsideLabel> leftLabels, rightLabels;
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
  auto drawSlice = [&](std::size_t i, Point c, double from, double sweep) {
    const bool whole = sweep >= 359.999;
    PolygonShape slice;
    if (!donut && !whole) slice.points.push_back(c);
    AppendArc(slice.points, c, radius, from, from + sweep);
    if (donut) AppendArc(slice.points, c, inner, from + sweep, from);
    slice.fill = SliceFill(s, i);
    slice.outlined = !whole;
    slice.outline.colour = kSliceEdge;
    if (builder.WantsHotSpots()) {
      builder.AddHotSpot(slice.points,
                         SliceTooltip(names, i, values[i], values[i] / total, labels.decimals));
    }
    builder.Add(std::move(slice));
  };
  constexpr double kRadPerDeg = std::numbers::pi / 180;
  double angle = startAngle;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0) continue;
    const double sweep = std::min(360.0, 360.0 * values[i] / total);
    const double from = angle, mid = angle + sweep / 2;
    angle += sweep;
    const Point dir = Direction(mid);
    const double offset = Exploded(s, i) ? kExplodeShare * radius : 0;
    const Point c{centre.x + dir.x * offset, centre.y + dir.y * offset};
    // A thin slice's label still points at its place in the grey wedge.
    const bool thin = sweep * kRadPerDeg * radius < 0.5;
    if (thin) {
      if (runSweep == 0) runFrom = from;
      runSweep += sweep;
    } else {
      flushRun();
      drawSlice(i, c, from, sweep);
    }

    if (texts[i].empty()) continue;
    Point at;
    if (!thin && labelInside(i, radius, from, sweep, at)) {
      inside.push_back({texts[i], at, HAlign::kCentre, VAlign::kMiddle, 0, font,
                        ContrastingText(SliceColour(s, i)), TextRole::kSlice});
      continue;
    }
    // The leader runs out from the slice's edge to the circle that holds
    // pulled-out slices, then straight to its elbow. That last run must
    // point away from the pie (bounds on the label's height): leaders in the
    // order of their slices, each clear of the pie, cannot cross.
    OutsideLabel label;
    label.text = texts[i];
    label.value = values[i];
    const Point edge{c.x + dir.x * radius, c.y + dir.y * radius};
    const Point out{centre.x + dir.x * reach, centre.y + dir.y * reach};
    label.leader = {edge};
    if (std::hypot(out.x - edge.x, out.y - edge.y) > 0.01) label.leader.push_back(out);
    const bool right = dir.x >= 0;
    const double elbowX = centre.x + (right ? 1 : -1) * (reach + kElbowGap);
    const double across = std::abs(elbowX - out.x) * std::abs(dir.x);
    if (dir.y < 0) label.hi = out.y + across / -dir.y;
    if (dir.y > 0) label.lo = out.y - across / dir.y;
    label.want = centre.y + dir.y * (reach + kElbowGap);
    (right ? rightLabels : leftLabels).push_back(std::move(label));
  }
  flushRun();
  DrawInsideLabels(builder, inside, keepClear);
  const Rect room = area.ClippedTo(builder.Image());
  LabelColumn column;
  column.top = room.y;
  column.bottom = room.Bottom();
  column.elbowX = centre.x + reach + kElbowGap;
  column.textX = column.elbowX + kTextGap;
  column.maxWidth = room.Right() - column.textX - 1;
  DrawLabelColumn(builder, std::move(rightLabels), column, font, keepClear);
  column.right = false;
  column.elbowX = centre.x - reach - kElbowGap;
  column.textX = column.elbowX - kTextGap;
  column.maxWidth = column.textX - room.x - 1;
  DrawLabelColumn(builder, std::move(leftLabels), column, font, keepClear);
}

void DrawPyramid(DrawListBuilder& builder, const GridlessSeries& s, const Rect& area,
                 const std::vector<double>& values, double total, const TooltipNames& names,
                 const Rect& keepClear) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  const SliceTexts labels = MakeSliceTexts(builder, s, font, values, total);
  const std::vector<std::string>& texts = labels.texts;
  const double widest = labels.widest;
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
      builder.Omit(TextRole::kSlice, texts[i]);  // nothing to point a label at
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
      builder.AddHotSpot(layer.points, SliceTooltip(names, b.index, values[b.index],
                                                    values[b.index] / total, labels.decimals));
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
    label.value = values[b.index];
    label.leader = {{cx + midW / 2, midY}};
    label.want = midY;
    outside.push_back(std::move(label));
  }
  DrawInsideLabels(builder, inside, keepClear);
  // Leaders join the pyramid's right side to elbows on a line beside its
  // base, both in layer order, so they cannot cross.
  const Rect room = area.ClippedTo(builder.Image());
  LabelColumn column;
  column.top = room.y;
  column.bottom = room.Bottom();
  column.elbowX = cx + base / 2 + 6;
  column.textX = column.elbowX + 6;
  column.maxWidth = room.Right() - column.textX - 1;
  DrawLabelColumn(builder, std::move(outside), column, font, keepClear);
}

}  // namespace

Argb SliceColour(const GridlessSeries& series, std::size_t index) {
  if (index < series.colours.size()) return series.colours[index];
  return kPalette[index % std::size(kPalette)];
}

void DrawGridless(DrawListBuilder& builder, const GridlessSeries& series, const Rect& plot,
                  const TooltipNames& names, const Rect& keepClear) {
  const Rect area = AreaOf(series, plot);
  if (area.Empty()) return;
  std::vector<double> values(series.values.size());
  double total = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = SliceValue(series.values[i]);
    total += values[i];
  }
  if (series.style == kGridlessPyramid) {
    DrawPyramid(builder, series, area, values, total, names, keepClear);
  } else {
    DrawPie(builder, series, area, values, total, names, keepClear);
  }
}

}  // namespace vantiro::engine::layout
