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

// Why a slice counts as nothing; null for a slice that is drawn.
const char* EmptySliceReason(double v) {
  if (std::isfinite(v) && v > 0) return nullptr;
  if (v == 0) return "zero slice";
  if (v < 0) return "negative slice";
  return "not a finite number";
}

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
// The value takes at most `valueDigits` decimals.
std::string SliceLabel(std::int32_t kind, double value, double share, int decimals,
                       int valueDigits = 2) {
  const double unit = std::pow(10.0, -decimals);
  const std::string percent = share > 0 && share * 100 < unit / 2
                                  ? "<" + FormatValue(unit, decimals) + "%"
                                  : FormatValue(share * 100, decimals) + "%";
  switch (kind) {
    case kGridlessLabelsValue: return FormatCompact(value, valueDigits);
    case kGridlessLabelsPercent: return percent;
    case kGridlessLabelsBoth: return FormatCompact(value, valueDigits) + " (" + percent + ")";
    default: return {};
  }
}

// A gridless series as laid out: its values as counted, their total, and
// each slice's datum and label text.
struct SliceSet {
  const GridlessSeries& s;
  std::vector<double> values;  // empty slices count 0
  double total = 0;
  std::vector<Datum> datums;
  std::vector<std::string> texts;  // empty: no label
  double widest = 0;
  int decimals = 0;  // of the percentages

  double Share(std::size_t i) const { return values[i] / total; }
};

// Counts the values and makes the labels. Empty slices are reported with
// their reason, whether labels are shown or not, since their legend colour
// appears nowhere in the chart; labels of slices too thin to read are
// reported as left out.
SliceSet MakeSliceSet(DrawListBuilder& builder, const GridlessSeries& s, std::int32_t region,
                      std::int32_t series, const Font& font) {
  SliceSet set{s, {}, 0, {}, {}, 0, 0};
  const std::size_t n = s.values.size();
  set.values.resize(n);
  set.datums.resize(n);
  set.texts.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    set.values[i] = SliceValue(s.values[i]);
    set.total += set.values[i];
    set.datums[i] = {region, series, std::int64_t(i), s.values[i]};
  }
  set.decimals = PercentDecimals(set.values, set.total);
  const bool labelled =
      s.valueLabels >= kGridlessLabelsValue && s.valueLabels <= kGridlessLabelsBoth;
  for (std::size_t i = 0; i < n; ++i) {
    if (const char* reason = EmptySliceReason(s.values[i])) {
      const double v = s.values[i];
      builder.OmitMade(
          TextRole::kSlice, [&] { return std::isnan(v) ? "NaN" : FormatCompact(v, 2); },
          set.datums[i], reason);
      continue;
    }
    if (!labelled) continue;
    std::string text = SliceLabel(s.valueLabels, set.values[i], set.Share(i), set.decimals);
    if (set.Share(i) < kLabelledShare) {
      builder.Omit(TextRole::kSlice, text, set.datums[i]);
      continue;
    }
    set.widest = std::max(set.widest, builder.Measure(font, text).width);
    set.texts[i] = std::move(text);
  }
  return set;
}

// Slice i's label with fewer decimals until it is at most `maxWidth` wide,
// the percentage's first: a number is never cut short. Empty when even
// whole numbers are too wide.
std::string NarrowedSliceLabel(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                               std::size_t i, double maxWidth) {
  for (int valueDigits = 2; valueDigits >= 0; --valueDigits) {
    for (int decimals = set.decimals; decimals >= 0; --decimals) {
      std::string text =
          SliceLabel(set.s.valueLabels, set.values[i], set.Share(i), decimals, valueDigits);
      if (builder.Measure(font, text).width <= maxWidth) return text;
    }
  }
  return {};
}

// "Vantiro: 38 (38%)", as the chart window's tooltip shows a slice.
std::string SliceTooltip(const TooltipNames& names, const SliceSet& set, std::size_t i) {
  return TooltipText(names.Series(i), {},
                     SliceLabel(kGridlessLabelsBoth, set.values[i], set.Share(i), set.decimals));
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

// A slice's or layer's shape as drawn: listed as data, with a hot spot
// when the chart has tooltips.
void AddSliceShape(DrawListBuilder& builder, PolygonShape shape, ShapeRole role,
                   const SliceSet& set, std::size_t i, const TooltipNames& names) {
  builder.AddDataShape(role, set.datums[i], shape.points);
  if (builder.WantsHotSpots()) builder.AddHotSpot(shape.points, SliceTooltip(names, set, i));
  builder.Add(std::move(shape));
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
  Datum datum;                // of its slice: the smallest are left out first
  std::vector<Point> leader;  // from the slice up to where it leaves for the elbow
  double want = 0;            // the height it would stand at
  // Heights between which the leader's last straight run stays clear of the
  // chart.
  double lo = -kValueLimit, hi = kValueLimit;
  double order = 0;  // each column keeps its labels in this order, top down
  // A pie's: where the leader leaves the pie, the slice's middle direction
  // and angle.
  Point out, dir;
  double mid = 0;
  // In the other side's column: the leader rises (or drops) straight from
  // where it leaves the pie to the label's height, above (below) the pie.
  bool overPie = false;
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
      builder.Omit(t.role, t.text, t.datum);
    } else {
      builder.Text(t);
    }
  }
}

TextShape InsideLabel(const SliceSet& set, std::size_t i, Point at, const Font& font) {
  TextShape t{set.texts[i],
              at,
              HAlign::kCentre,
              VAlign::kMiddle,
              0,
              font,
              ContrastingText(SliceColour(set.s, i)),
              TextRole::kSlice};
  t.datum = set.datums[i];
  return t;
}

// One side's column: the leaders' elbows stand at `elbowX`, texts start at
// `textX` (running right, or left for a left column) and are at most
// `maxWidth` wide, between `top` and `bottom`.
struct LabelColumn {
  double elbowX = 0, textX = 0, maxWidth = 0;
  double top = 0, bottom = 0;
  bool right = true;
};

double ColumnLineHeight(DrawListBuilder& builder, const Font& font) {
  return builder.LineHeight(font) + 1;
}

// Lines a column has room for.
std::size_t ColumnLines(const LabelColumn& column, double lineHeight) {
  return std::size_t(std::floor(std::max(0.0, column.bottom - column.top) / lineHeight));
}

// A legend over the chart takes the part of the column it covers.
void KeepColumnClear(LabelColumn& column, const Rect& keepClear) {
  const double from = column.right ? column.textX : column.textX - column.maxWidth;
  const double to = column.right ? column.textX + column.maxWidth : column.textX;
  if (!Meets({from, column.top, to - from, column.bottom - column.top}, keepClear)) return;
  if (column.bottom - keepClear.Bottom() >= keepClear.y - column.top) {
    column.top = keepClear.Bottom() + 1;
  } else {
    column.bottom = keepClear.y - 1;
  }
}

void BoundToColumn(OutsideLabel& l, const LabelColumn& column, double lineHeight) {
  l.lo = std::max(l.lo, column.top + lineHeight / 2);
  l.hi = std::min(l.hi, column.bottom - lineHeight / 2);
}

void SortColumn(std::vector<OutsideLabel>& labels) {
  std::stable_sort(labels.begin(), labels.end(),
                   [](const OutsideLabel& a, const OutsideLabel& b) { return a.order < b.order; });
}

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

// Keeps no more labels than `lines`, the largest slices', in column order;
// the others go to `dropped`.
void KeepLargest(std::vector<OutsideLabel>& labels, std::size_t lines,
                 std::vector<OutsideLabel>& dropped) {
  if (labels.size() <= lines) return;
  std::vector<std::size_t> bySize(labels.size());
  for (std::size_t i = 0; i < bySize.size(); ++i) bySize[i] = i;
  std::stable_sort(bySize.begin(), bySize.end(), [&](std::size_t a, std::size_t b) {
    return labels[a].datum.value > labels[b].datum.value;
  });
  std::vector<bool> keep(labels.size(), false);
  for (std::size_t k = 0; k < lines; ++k) keep[bySize[k]] = true;
  std::vector<OutsideLabel> fitting;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    (keep[i] ? fitting : dropped).push_back(std::move(labels[i]));
  }
  labels = std::move(fitting);
}

// Leaves out the labels of the smallest slices until the rest stack (to
// `dropped`).
void DropUntilStacked(std::vector<OutsideLabel>& labels, double gap,
                      std::vector<OutsideLabel>& dropped) {
  while (!labels.empty() && !StackLabels(labels, gap)) {
    auto smallest = std::min_element(
        labels.begin(), labels.end(),
        [](const OutsideLabel& a, const OutsideLabel& b) { return a.datum.value < b.datum.value; });
    dropped.push_back(std::move(*smallest));
    labels.erase(smallest);
  }
}

// Leaves out labels until a column's (sorted and bounded to it) fit and
// stack.
void FitColumn(std::vector<OutsideLabel>& labels, const LabelColumn& column, double lineHeight,
               std::vector<OutsideLabel>& dropped) {
  KeepLargest(labels, ColumnLines(column, lineHeight), dropped);
  DropUntilStacked(labels, lineHeight, dropped);
}

void OmitLabels(DrawListBuilder& builder, const std::vector<OutsideLabel>& labels) {
  for (const OutsideLabel& l : labels) builder.Omit(TextRole::kSlice, l.text, l.datum);
}

// Draws each stacked label with its leader; a label wider than the column
// drops decimals, or is left out.
void DrawColumnLabels(DrawListBuilder& builder, std::vector<OutsideLabel>& labels,
                      const LabelColumn& column, const Font& font, const SliceSet& set) {
  Stroke leader;
  leader.colour = kLeaderColour;
  const double side = column.right ? 1 : -1;
  for (OutsideLabel& l : labels) {
    std::string shown = l.text;
    if (builder.Measure(font, shown).width > column.maxWidth) {
      shown = NarrowedSliceLabel(builder, font, set, std::size_t(l.datum.point), column.maxWidth);
    }
    if (shown.empty()) {
      builder.Omit(TextRole::kSlice, l.text, l.datum);
      continue;
    }
    LineShape line;
    line.points = std::move(l.leader);
    if (l.overPie) line.points.push_back({l.out.x, l.y});
    line.points.push_back({column.elbowX, l.y});
    line.points.push_back({column.textX - 3 * side, l.y});
    line.stroke = leader;
    builder.Add(std::move(line));
    builder.Text(TextRole::kSlice, shown, {column.textX, l.y},
                 column.right ? HAlign::kLeft : HAlign::kRight, VAlign::kMiddle, 0, font,
                 kLabelColour, l.text, l.datum);
  }
}

// Places one column's labels (sorted and bounded to it): those of the
// smallest slices are left out until the rest fit, then each is drawn with
// its leader.
void DrawLabelColumn(DrawListBuilder& builder, std::vector<OutsideLabel> labels,
                     const LabelColumn& column, const Font& font, const SliceSet& set) {
  std::vector<OutsideLabel> dropped;
  FitColumn(labels, column, ColumnLineHeight(builder, font), dropped);
  OmitLabels(builder, dropped);
  DrawColumnLabels(builder, labels, column, font, set);
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

// ---- Pies and donuts ------------------------------------------------------

// A pie or donut of a given size.
struct PieShape {
  Point centre;
  double radius = 0;
  double inner = 0;  // a donut's hole; 0 for a pie
  double reach = 0;  // the circle that holds pulled-out slices
  bool donut = false;
};

PieShape PieOfRadius(Point centre, double radius, bool donut, double pull) {
  return {centre, radius, donut ? radius * kDonutHole : 0, radius * (1 + pull), donut};
}

struct SliceAngle {
  double from = 0, sweep = 0;  // degrees clockwise from 12 o'clock; 0 for empty slices
  double Mid() const { return from + sweep / 2; }
};

std::vector<SliceAngle> SliceAngles(const SliceSet& set, double startAngle) {
  std::vector<SliceAngle> angles(set.values.size());
  double angle = startAngle;
  for (std::size_t i = 0; i < angles.size(); ++i) {
    const double sweep = set.values[i] > 0 ? std::min(360.0, 360.0 * set.Share(i)) : 0;
    angles[i] = {angle, sweep};
    angle += sweep;
  }
  return angles;
}

// Where slice i's tip stands: the centre, or off it along the slice's middle
// when the slice is pulled out.
Point SliceApex(const GridlessSeries& s, std::size_t i, const PieShape& pie, const SliceAngle& a) {
  const Point dir = Direction(a.Mid());
  const double offset = Exploded(s, i) ? kExplodeShare * pie.radius : 0;
  return {pie.centre.x + dir.x * offset, pie.centre.y + dir.y * offset};
}

// Too thin to see: drawn with its neighbours as one grey wedge.
bool ThinSlice(const SliceAngle& a, const PieShape& pie) {
  return a.sweep * std::numbers::pi / 180 * pie.radius < 0.5;
}

// Outline of a slice (or a run of thin ones) whose tip stands at `apex`.
std::vector<Point> SliceOutline(const PieShape& pie, Point apex, double from, double sweep) {
  std::vector<Point> points;
  if (!pie.donut && sweep < 359.999) points.push_back(apex);
  AppendArc(points, apex, pie.radius, from, from + sweep);
  if (pie.donut) AppendArc(points, apex, pie.inner, from + sweep, from);
  return points;
}

// Where slice i's label stands inside it; false when it does not fit there.
bool InsideLabelAt(DrawListBuilder& builder, const Font& font, const SliceSet& set, std::size_t i,
                   const PieShape& pie, const SliceAngle& a, Point& at) {
  const Point dir = Direction(a.Mid());
  const Point c = SliceApex(set.s, i, pie, a);
  const double distance = pie.donut ? (pie.radius + pie.inner) / 2 : pie.radius * 0.62;
  at = {c.x + dir.x * distance, c.y + dir.y * distance};
  const double sweep = a.sweep >= 359.999 ? 360 : a.sweep;
  return BoxInSector(c, pie.inner, pie.radius, a.from, sweep, at,
                     builder.Measure(font, set.texts[i]));
}

bool AllLabelsInside(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                     const std::vector<SliceAngle>& angles, const PieShape& pie) {
  Point at;
  for (std::size_t i = 0; i < angles.size(); ++i) {
    if (!set.texts[i].empty() && !InsideLabelAt(builder, font, set, i, pie, angles[i], at))
      return false;
  }
  return true;
}

// As large as the area allows, less the pull of exploded slices.
double FullPieRadius(const Rect& area, double pull) {
  return (std::min(area.w, area.h) / 2 - 4) / (1 + pull);
}

// As large as the area allows, less the pull of exploded slices; smaller
// when labels have to stand beside the pie: room for a label column on each
// side (the pie keeps at least 55 % of its size for that) and a line above
// and below.
double PieRadius(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                 const std::vector<SliceAngle>& angles, const Rect& area, double pull) {
  const Point centre{area.CentreX(), area.CentreY()};
  const bool donut = set.s.style == kGridlessDonut;
  const double full = FullPieRadius(area, pull);
  if (set.widest <= 0 ||
      AllLabelsInside(builder, font, set, angles, PieOfRadius(centre, full, donut, pull))) {
    return full;
  }
  const double lineHeight = ColumnLineHeight(builder, font);
  const double byWidth = (area.w / 2 - kElbowGap - kTextGap - set.widest - 2) / (1 + pull);
  const double byHeight = (area.h / 2 - lineHeight - 2) / (1 + pull);
  return std::min({full, byHeight, std::max(byWidth, full * 0.55)});
}

// Draws the slices; runs of slices too thin to see are drawn together as
// one grey wedge, so that thousands of values do not become thousands of
// shapes, but each is listed as data with its own outline.
void DrawSlices(DrawListBuilder& builder, const SliceSet& set,
                const std::vector<SliceAngle>& angles, const PieShape& pie,
                const TooltipNames& names) {
  double runFrom = 0, runSweep = 0;
  auto flushRun = [&] {
    if (runSweep <= 0) return;
    PolygonShape wedge;
    wedge.points = SliceOutline(pie, pie.centre, runFrom, runSweep);
    wedge.fill.colour = kEmptyColour;
    builder.Add(std::move(wedge));
    runSweep = 0;
  };
  for (std::size_t i = 0; i < angles.size(); ++i) {
    const SliceAngle& a = angles[i];
    if (set.values[i] <= 0) continue;
    const Point apex = SliceApex(set.s, i, pie, a);
    if (ThinSlice(a, pie)) {
      if (runSweep == 0) runFrom = a.from;
      runSweep += a.sweep;
      builder.AddDataShapeMade(ShapeRole::kSlice, set.datums[i],
                               [&] { return SliceOutline(pie, apex, a.from, a.sweep); });
      continue;
    }
    flushRun();
    PolygonShape slice;
    slice.points = SliceOutline(pie, apex, a.from, a.sweep);
    slice.fill = SliceFill(set.s, i);
    slice.outlined = a.sweep < 359.999;
    slice.outline.colour = kSliceEdge;
    AddSliceShape(builder, std::move(slice), ShapeRole::kSlice, set, i, names);
  }
  flushRun();
}

// A label beside the pie: its leader runs out from the slice's edge to the
// circle that holds pulled-out slices (a thin slice's still points at its
// place in the grey wedge).
OutsideLabel PieLeader(const SliceSet& set, std::size_t i, const PieShape& pie,
                       const SliceAngle& a) {
  OutsideLabel label;
  label.text = set.texts[i];
  label.datum = set.datums[i];
  label.dir = Direction(a.Mid());
  label.mid = std::fmod(std::fmod(a.Mid(), 360.0) + 360.0, 360.0);
  const Point c = SliceApex(set.s, i, pie, a);
  const Point edge{c.x + label.dir.x * pie.radius, c.y + label.dir.y * pie.radius};
  label.out = {pie.centre.x + label.dir.x * pie.reach, pie.centre.y + label.dir.y * pie.reach};
  label.leader = {edge};
  if (std::hypot(label.out.x - edge.x, label.out.y - edge.y) > 0.01)
    label.leader.push_back(label.out);
  label.want = pie.centre.y + label.dir.y * (pie.reach + kElbowGap);
  return label;
}

// The order of a pie's labels in a column, top down: a right column's run
// clockwise from 12 o'clock, a left one's anticlockwise; labels of the other
// side's top join a column at its top, those of its bottom at its bottom.
double ColumnOrder(const OutsideLabel& l, bool right) {
  if (right) return l.mid >= 270 ? l.mid - 360 : l.mid;
  return l.mid < 90 ? -(l.mid + 360) : -l.mid;
}

// Bounds a pie label's height for the column of its own side, whose elbows
// stand at `column.elbowX`: the leader's last straight run, to the elbow,
// must point away from the pie, so that leaders in column order, each clear
// of the pie, cannot cross.
void AimLeader(OutsideLabel& l, const LabelColumn& column) {
  const double along = l.dir.x * (column.elbowX - l.out.x);
  l.lo = -kValueLimit;
  l.hi = kValueLimit;
  if (l.dir.y < 0) l.hi = l.out.y + along / -l.dir.y;
  if (l.dir.y > 0) l.lo = l.out.y - along / l.dir.y;
  l.order = ColumnOrder(l, column.right);
}

// Bounds a label of the pie's upper (lower) half for the other side's
// column: it stands above (below) the pie, where its leader runs level over
// (under) the pie to the elbow. Within a column, these come before (after)
// the column's own labels, so no leaders cross.
void AimOverPie(OutsideLabel& l, const LabelColumn& column, const PieShape& pie) {
  l.overPie = true;
  l.lo = -kValueLimit;
  l.hi = kValueLimit;
  if (l.dir.y < 0) {
    l.hi = pie.centre.y - pie.reach - 2;
  } else {
    l.lo = pie.centre.y + pie.reach + 2;
  }
  l.order = ColumnOrder(l, column.right);
}

// Whether a column's labels (sorted and bounded to it) all fit and stack.
bool ColumnHolds(std::vector<OutsideLabel>& labels, const LabelColumn& column, double lineHeight) {
  return labels.size() <= ColumnLines(column, lineHeight) && StackLabels(labels, lineHeight);
}

// Moves labels from the ends of a column that cannot hold its labels to the
// other column while that still holds them: the top label of the upper half
// over the pie's top, the bottom one of the lower half under its bottom.
void ShareColumns(std::vector<OutsideLabel>& from, const LabelColumn& fromColumn,
                  std::vector<OutsideLabel>& to, const LabelColumn& toColumn, const PieShape& pie,
                  double lineHeight) {
  while (!from.empty() && !ColumnHolds(from, fromColumn, lineHeight)) {
    const bool topFree = from.front().dir.y < 0;
    const bool bottomFree = from.back().dir.y > 0;
    if (!topFree && !bottomFree) return;
    const bool top =
        topFree && (!bottomFree || std::abs(from.front().dir.x) <= std::abs(from.back().dir.x));
    OutsideLabel moved = top ? from.front() : from.back();
    AimOverPie(moved, toColumn, pie);
    BoundToColumn(moved, toColumn, lineHeight);
    std::vector<OutsideLabel> joined = to;
    joined.insert(top ? joined.begin() : joined.end(), std::move(moved));
    SortColumn(joined);
    if (!ColumnHolds(joined, toColumn, lineHeight)) return;
    to = std::move(joined);
    from.erase(top ? from.begin() : from.end() - 1);
  }
}

// The label columns beside a pie, clear of a legend over the chart.
LabelColumn PieColumn(const PieShape& pie, const Rect& room, bool right, const Rect& keepClear) {
  LabelColumn column;
  column.right = right;
  column.top = room.y;
  column.bottom = room.Bottom();
  const double side = right ? 1 : -1;
  column.elbowX = pie.centre.x + side * (pie.reach + kElbowGap);
  column.textX = column.elbowX + side * kTextGap;
  column.maxWidth = right ? room.Right() - column.textX - 1 : column.textX - room.x - 1;
  KeepColumnClear(column, keepClear);
  return column;
}

// Where a pie's labels go at one size of the pie: inside their slices
// where they fit, else in a column on their side, or on the other side when
// theirs is full; what has no room is left out.
struct PieLabelPlan {
  PieShape pie;
  std::vector<TextShape> inside;
  LabelColumn right, left;
  std::vector<OutsideLabel> rightLabels, leftLabels, dropped;
};

PieLabelPlan PlanPieLabels(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                           const std::vector<SliceAngle>& angles, const PieShape& pie,
                           const Rect& area, const Rect& keepClear) {
  const double lineHeight = ColumnLineHeight(builder, font);
  const Rect room = area.ClippedTo(builder.Image());
  PieLabelPlan plan;
  plan.pie = pie;
  plan.right = PieColumn(pie, room, true, keepClear);
  plan.left = PieColumn(pie, room, false, keepClear);
  for (std::size_t i = 0; i < angles.size(); ++i) {
    if (set.texts[i].empty()) continue;
    Point at;
    if (!ThinSlice(angles[i], pie) && InsideLabelAt(builder, font, set, i, pie, angles[i], at)) {
      plan.inside.push_back(InsideLabel(set, i, at, font));
      continue;
    }
    OutsideLabel label = PieLeader(set, i, pie, angles[i]);
    const bool onRight = label.dir.x >= 0;
    AimLeader(label, onRight ? plan.right : plan.left);
    BoundToColumn(label, onRight ? plan.right : plan.left, lineHeight);
    (onRight ? plan.rightLabels : plan.leftLabels).push_back(std::move(label));
  }
  SortColumn(plan.rightLabels);
  SortColumn(plan.leftLabels);
  ShareColumns(plan.rightLabels, plan.right, plan.leftLabels, plan.left, pie, lineHeight);
  ShareColumns(plan.leftLabels, plan.left, plan.rightLabels, plan.right, pie, lineHeight);
  FitColumn(plan.rightLabels, plan.right, lineHeight, plan.dropped);
  FitColumn(plan.leftLabels, plan.left, lineHeight, plan.dropped);
  return plan;
}

// The labels' plan at the largest size of the pie; while labels would be
// left out, smaller pies (down to 55 % of the size the area allows) are
// tried, which leave more room above and below the pie for the columns,
// and the one that leaves out fewest is kept.
PieLabelPlan SizePieForLabels(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                              const std::vector<SliceAngle>& angles, const PieShape& largest,
                              double pull, const Rect& area, const Rect& keepClear) {
  PieLabelPlan best = PlanPieLabels(builder, font, set, angles, largest, area, keepClear);
  const double least = std::max(2.0, 0.55 * FullPieRadius(area, pull));
  // The columns are as tall at any size: more labels than their lines
  // cannot all be shown.
  const double lineHeight = ColumnLineHeight(builder, font);
  auto mayShowAll = [&](const PieLabelPlan& plan) {
    const std::size_t outside =
        plan.rightLabels.size() + plan.leftLabels.size() + plan.dropped.size();
    return outside <= ColumnLines(plan.right, lineHeight) + ColumnLines(plan.left, lineHeight);
  };
  for (double share = 0.9; !best.dropped.empty() && mayShowAll(best); share -= 0.05) {
    const double radius = largest.radius * share;
    if (!(radius >= least)) break;
    PieLabelPlan plan =
        PlanPieLabels(builder, font, set, angles,
                      PieOfRadius(largest.centre, radius, largest.donut, pull), area, keepClear);
    if (plan.dropped.size() < best.dropped.size()) best = std::move(plan);
  }
  return best;
}

void DrawPieLabels(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                   PieLabelPlan& plan, const Rect& keepClear) {
  DrawInsideLabels(builder, plan.inside, keepClear);
  OmitLabels(builder, plan.dropped);
  DrawColumnLabels(builder, plan.rightLabels, plan.right, font, set);
  DrawColumnLabels(builder, plan.leftLabels, plan.left, font, set);
}

void DrawPie(DrawListBuilder& builder, const SliceSet& set, const Rect& area,
             const TooltipNames& names, const Rect& keepClear) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  bool anyExploded = false;
  for (std::size_t i = 0; i < set.values.size(); ++i) {
    anyExploded = anyExploded || (set.values[i] > 0 && Exploded(set.s, i));
  }
  const double pull = anyExploded ? kExplodeShare : 0;
  const std::vector<SliceAngle> angles =
      SliceAngles(set, std::fmod(double(set.s.startAngle), 360.0));
  const double radius = PieRadius(builder, font, set, angles, area, pull);
  if (!(radius >= 2)) return;
  const PieShape largest =
      PieOfRadius({area.CentreX(), area.CentreY()}, radius, set.s.style == kGridlessDonut, pull);
  if (set.total <= 0) {
    std::vector<Point> circle;
    AppendArc(circle, largest.centre, radius, 0, 360);
    DrawEmptyOutline(builder, std::move(circle));
    return;
  }
  PieLabelPlan plan = SizePieForLabels(builder, font, set, angles, largest, pull, area, keepClear);
  DrawSlices(builder, set, angles, plan.pie, names);
  DrawPieLabels(builder, font, set, plan, keepClear);
}

// ---- Pyramids -------------------------------------------------------------

// A layer's depths below the apex (y0..y1 of the height layers share) and
// the gaps above it.
struct Band {
  std::size_t index;
  double y0, y1, shift;
  bool thin;  // too thin to see: drawn with its neighbours as one grey band
};

// Pulled-out layers are set apart by gaps above and below them.
std::vector<Band> PyramidBands(const SliceSet& set, double height, double& usable) {
  std::vector<std::size_t> nonEmpty;
  for (std::size_t i = 0; i < set.values.size(); ++i) {
    if (set.values[i] > 0) nonEmpty.push_back(i);
  }
  auto apart = [&](std::size_t k) {
    return k > 0 && (Exploded(set.s, nonEmpty[k - 1]) || Exploded(set.s, nonEmpty[k]));
  };
  std::size_t gaps = 0;
  for (std::size_t k = 1; k < nonEmpty.size(); ++k) gaps += apart(k) ? 1 : 0;
  double gap = kExplodeShare * 0.3 * height;
  if (double(gaps) * gap > height / 2) gap = 0;
  usable = height - double(gaps) * gap;

  std::vector<Band> bands;
  double sum = 0, shift = 0;
  for (std::size_t k = 0; k < nonEmpty.size(); ++k) {
    const std::size_t i = nonEmpty[k];
    if (apart(k)) shift += gap;
    const double y0 = usable * std::min(sum / set.total, 1.0);
    sum += set.values[i];
    const double y1 = usable * std::min(sum / set.total, 1.0);
    bands.push_back({i, y0, y1, shift, y1 - y0 < 0.5 && !apart(k) && !Exploded(set.s, i)});
  }
  return bands;
}

// Whether a layer's label fits inside it on a pyramid `base` wide.
bool LayerLabelFits(DrawListBuilder& builder, const Font& font, const std::string& text,
                    const Band& b, double base, double usable) {
  const TextExtent e = builder.Measure(font, text);
  return e.width <= base * (b.y0 + b.y1) / 2 / usable - 6 &&
         e.ascent + e.descent <= b.y1 - b.y0 - 2;
}

// As wide as the area allows (at most 1.2 times as wide as high); labels
// that do not fit their layer need room to the right.
double PyramidBase(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                   const std::vector<Band>& bands, const Rect& area, double height, double usable,
                   double& labelRoom) {
  auto widthFor = [&](double room) {
    return std::min(std::max(area.w - 8 - room, area.w * 0.5), height * 1.2);
  };
  labelRoom = 0;
  for (const Band& b : bands) {
    const std::string& text = set.texts[b.index];
    if (!b.thin && !text.empty() && !LayerLabelFits(builder, font, text, b, widthFor(0), usable)) {
      labelRoom = set.widest + 24;
    }
  }
  return widthFor(labelRoom);
}

// The trapezoid of a band on a pyramid `base` wide, apex at (cx, top).
std::vector<Point> LayerOutline(const Band& b, double base, double usable, double cx, double top) {
  const double w0 = base * b.y0 / usable, w1 = base * b.y1 / usable;
  const double top0 = top + b.shift + b.y0, top1 = top + b.shift + b.y1;
  std::vector<Point> points;
  if (w0 > 0.01) points.push_back({cx - w0 / 2, top0});
  points.push_back({cx + w0 / 2, top0});
  points.push_back({cx + w1 / 2, top1});
  points.push_back({cx - w1 / 2, top1});
  return points;
}

// A pyramid as drawn: apex at (cx, top), `base` wide, its layers sharing
// `usable` of its height.
struct PyramidShape {
  double cx = 0, top = 0, base = 0, usable = 0;
};

// Draws the layers (runs of thin ones as one grey band) and sorts their
// labels into those inside their layer and those for the column beside it.
void DrawLayers(DrawListBuilder& builder, const Font& font, const SliceSet& set,
                const std::vector<Band>& bands, const PyramidShape& p, const TooltipNames& names,
                std::vector<TextShape>& inside, std::vector<OutsideLabel>& outside) {
  for (std::size_t k = 0; k < bands.size(); ++k) {
    const Band& b = bands[k];
    const std::string& text = set.texts[b.index];
    PolygonShape layer;
    if (b.thin) {
      builder.AddDataShapeMade(ShapeRole::kLayer, set.datums[b.index],
                               [&] { return LayerOutline(b, p.base, p.usable, p.cx, p.top); });
      builder.Omit(TextRole::kSlice, text, set.datums[b.index]);  // nothing to point a label at
      if (k > 0 && bands[k - 1].thin) continue;                   // drawn with the run
      std::size_t last = k;
      while (last + 1 < bands.size() && bands[last + 1].thin) ++last;
      Band run = b;
      run.y1 = bands[last].y1;
      layer.points = LayerOutline(run, p.base, p.usable, p.cx, p.top);
      layer.fill.colour = kEmptyColour;
      builder.Add(std::move(layer));
      continue;
    }
    layer.points = LayerOutline(b, p.base, p.usable, p.cx, p.top);
    const double midY = p.top + b.shift + (b.y0 + b.y1) / 2;
    const double midW = p.base * (b.y0 + b.y1) / 2 / p.usable;
    layer.fill = SliceFill(set.s, b.index);
    layer.outlined = true;
    layer.outline.colour = kSliceEdge;
    AddSliceShape(builder, std::move(layer), ShapeRole::kLayer, set, b.index, names);
    if (text.empty()) continue;
    if (LayerLabelFits(builder, font, text, b, p.base, p.usable)) {
      inside.push_back(InsideLabel(set, b.index, {p.cx, midY}, font));
      continue;
    }
    OutsideLabel label;
    label.text = text;
    label.datum = set.datums[b.index];
    label.leader = {{p.cx + midW / 2, midY}};
    label.want = label.order = midY;
    outside.push_back(std::move(label));
  }
}

// Leaders join the pyramid's right side to elbows on a line beside its
// base, both in layer order, so they cannot cross.
LabelColumn PyramidColumn(const PyramidShape& p, const Rect& room, const Rect& keepClear) {
  LabelColumn column;
  column.top = room.y;
  column.bottom = room.Bottom();
  column.elbowX = p.cx + p.base / 2 + 6;
  column.textX = column.elbowX + 6;
  column.maxWidth = room.Right() - column.textX - 1;
  KeepColumnClear(column, keepClear);
  return column;
}

void DrawPyramid(DrawListBuilder& builder, const SliceSet& set, const Rect& area,
                 const TooltipNames& names, const Rect& keepClear) {
  const Font font = builder.MakeFont(kLabelPoints, false);
  const double height = area.h - 8;
  if (!(height >= 2 && area.w >= 10)) return;
  PyramidShape p;
  p.top = area.y + 4;
  const std::vector<Band> bands = PyramidBands(set, height, p.usable);
  double labelRoom = 0;
  p.base = PyramidBase(builder, font, set, bands, area, height, p.usable, labelRoom);
  const double free = std::max(0.0, area.w - 8 - p.base - labelRoom);
  p.cx = area.x + 4 + free / 2 + p.base / 2;
  if (set.total <= 0) {
    DrawEmptyOutline(
        builder,
        {{p.cx, p.top}, {p.cx + p.base / 2, p.top + height}, {p.cx - p.base / 2, p.top + height}});
    return;
  }
  std::vector<OutsideLabel> outside;
  std::vector<TextShape> inside;
  DrawLayers(builder, font, set, bands, p, names, inside, outside);
  DrawInsideLabels(builder, inside, keepClear);
  const LabelColumn column = PyramidColumn(p, area.ClippedTo(builder.Image()), keepClear);
  const double lineHeight = ColumnLineHeight(builder, font);
  for (OutsideLabel& l : outside) BoundToColumn(l, column, lineHeight);
  SortColumn(outside);
  DrawLabelColumn(builder, std::move(outside), column, font, set);
}

}  // namespace

Argb SliceColour(const GridlessSeries& series, std::size_t index) {
  if (index < series.colours.size()) return series.colours[index];
  return kPalette[index % std::size(kPalette)];
}

void DrawGridless(DrawListBuilder& builder, const GridlessSeries& series, std::int32_t region,
                  std::int32_t index, const Rect& plot, const TooltipNames& names,
                  const Rect& keepClear) {
  const Rect area = AreaOf(series, plot);
  if (area.Empty()) return;
  const SliceSet set =
      MakeSliceSet(builder, series, region, index, builder.MakeFont(kLabelPoints, false));
  if (series.style == kGridlessPyramid) {
    DrawPyramid(builder, set, area, names, keepClear);
  } else {
    DrawPie(builder, set, area, names, keepClear);
  }
}

}  // namespace vantiro::engine::layout
