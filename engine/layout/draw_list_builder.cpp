// Rectangles, colours, text placement and arcs for the layout step.
#include "engine/layout/draw_list_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

#include "text/code_page.h"

namespace vantiro::engine::layout {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr std::string_view kEllipsis = "...";

std::uint32_t Channel(Argb c, int shift) { return (c >> shift) & 0xFFu; }

std::uint32_t MixChannel(std::uint32_t from, std::uint32_t to, double amount) {
  const double v = double(from) + (double(to) - double(from)) * amount;
  return std::uint32_t(ClampFinite(std::round(v), 0, 255));
}

}  // namespace

Rect Rect::Inset(double d) const {
  Rect r{x + d, y + d, w - 2 * d, h - 2 * d};
  if (r.w < 0) {
    r.x = x + w / 2;
    r.w = 0;
  }
  if (r.h < 0) {
    r.y = y + h / 2;
    r.h = 0;
  }
  return r;
}

Rect Rect::ClippedTo(const Rect& outer) const {
  const double left = std::clamp(x, outer.x, outer.Right());
  const double top = std::clamp(y, outer.y, outer.Bottom());
  const double right = std::clamp(Right(), left, outer.Right());
  const double bottom = std::clamp(Bottom(), top, outer.Bottom());
  return {left, top, right - left, bottom - top};
}

std::int64_t ToCount(double v, std::int64_t lo, std::int64_t hi) {
  // Bounds beyond 2^53 would round upwards in double and overflow back.
  constexpr std::int64_t kExact = std::int64_t(1) << 53;
  lo = std::clamp(lo, -kExact, kExact);
  hi = std::clamp(hi, lo, kExact);
  return std::int64_t(ClampFinite(v, double(lo), double(hi)));
}

double PointsToPixels(double pt) { return pt * 96.0 / 72.0; }

double FontPoints(std::int32_t requested, double fallbackPt) {
  if (requested <= 0) return fallbackPt;
  return std::clamp(double(requested), 4.0, 144.0);
}

Argb WindowsColourToArgb(std::int32_t bgr) {
  const auto v = static_cast<std::uint32_t>(bgr);
  const std::uint32_t r = v & 0xFFu, g = (v >> 8) & 0xFFu, b = (v >> 16) & 0xFFu;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

Argb Mix(Argb colour, Argb towards, double amount) {
  amount = ClampFinite(amount, 0, 1);
  return (colour & 0xFF000000u) |
         (MixChannel(Channel(colour, 16), Channel(towards, 16), amount) << 16) |
         (MixChannel(Channel(colour, 8), Channel(towards, 8), amount) << 8) |
         MixChannel(Channel(colour, 0), Channel(towards, 0), amount);
}

Argb Darker(Argb colour, double amount) { return Mix(colour, 0xFF000000u, amount); }
Argb Lighter(Argb colour, double amount) { return Mix(colour, 0xFFFFFFFFu, amount); }

Argb Translucent(Argb colour) {
  const std::uint32_t alpha = Channel(colour, 24) * 3 / 5;
  return (colour & 0x00FFFFFFu) | (alpha << 24);
}

double Luminance(Argb colour) {
  return (0.299 * Channel(colour, 16) + 0.587 * Channel(colour, 8) + 0.114 * Channel(colour, 0)) /
         255.0;
}

Argb ContrastingText(Argb background) {
  return Luminance(background) < 0.55 ? 0xFFFFFFFFu : 0xFF000000u;
}

bool DashFor(std::int32_t lineStyle, Dash& dash) {
  switch (lineStyle) {
    case kLineSolid: dash = Dash::kSolid; return true;
    case kLineDash: dash = Dash::kDash; return true;
    case kLineDot: dash = Dash::kDot; return true;
    case kLineDashDot: dash = Dash::kDashDot; return true;
    default: return false;  // kLineNone and values the model does not name
  }
}

std::vector<std::string_view> SplitList(std::string_view text) {
  std::vector<std::string_view> entries;
  while (!text.empty()) {
    const std::size_t cut = text.find(kListSeparator);
    entries.push_back(text.substr(0, cut));
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return entries;
}

std::string TooltipText(std::string_view series, std::string_view category,
                        std::string_view value) {
  // A tooltip is one line: names of several lines join with spaces.
  auto oneLine = [](std::string_view name) {
    const std::vector<std::string> lines = TextLines(name, 1);
    return lines.empty() ? std::string() : lines.front();
  };
  std::string text = oneLine(series);
  const std::string categoryLine = oneLine(category);
  if (!categoryLine.empty()) {
    if (!text.empty()) text += ", ";
    text += categoryLine;
  }
  if (!text.empty()) text += ": ";
  text += value;
  return text;
}

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

}  // namespace

std::vector<std::string> TextLines(std::string_view text, std::size_t maxLines) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (c == '\n' || crlf) {
      i += crlf ? 1 : 0;
      if (lines.size() < std::max<std::size_t>(maxLines, 1)) {
        lines.emplace_back();
      } else if (!lines.back().empty()) {
        lines.back() += ' ';
      }
    } else if (c == '\t') {
      lines.back() += ' ';
    } else if (!IsControl(c)) {
      lines.back() += c;
    }
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (&line != &lines.front()) text += '\n';
    text += line;
  }
  return text;
}

std::array<Point, 4> TextQuad(const TextExtent& e, Point anchor, HAlign h, VAlign v,
                              double angleDegrees) {
  const double height = e.ascent + e.descent;
  double left = 0;
  if (h == HAlign::kCentre) left = -e.width / 2;
  if (h == HAlign::kRight) left = -e.width;
  double top = -e.ascent;
  if (v == VAlign::kTop) top = 0;
  if (v == VAlign::kMiddle) top = -height / 2;
  if (v == VAlign::kBottom) top = -height;

  const double a = ClampFinite(angleDegrees, -3600, 3600) * kDegToRad;
  const double c = std::cos(a), s = std::sin(a);
  const std::array<Point, 4> corners{Point{left, top}, Point{left + e.width, top},
                                     Point{left + e.width, top + height},
                                     Point{left, top + height}};
  std::array<Point, 4> quad;
  for (std::size_t i = 0; i < 4; ++i) {
    // Counter-clockwise on screen, where y grows downwards.
    const Point d = corners[i];
    quad[i] = {anchor.x + d.x * c + d.y * s, anchor.y - d.x * s + d.y * c};
  }
  return quad;
}

Rect TextBounds(const TextExtent& e, Point anchor, HAlign h, VAlign v, double angleDegrees) {
  const std::array<Point, 4> quad = TextQuad(e, anchor, h, v, angleDegrees);
  double minX = quad[0].x, maxX = quad[0].x, minY = quad[0].y, maxY = quad[0].y;
  for (const Point& p : quad) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return {minX, minY, maxX - minX, maxY - minY};
}

DrawListBuilder::DrawListBuilder(DrawList& out, TextMeasurer& measurer, std::string family)
    : out_(out), measurer_(measurer), family_(std::move(family)) {}

Font DrawListBuilder::MakeFont(double points, bool bold) const {
  Font font;
  font.family = family_;
  font.sizePx = PointsToPixels(points);
  font.bold = bold;
  return font;
}

TextExtent DrawListBuilder::Measure(const Font& font, std::string_view text) {
  if (std::none_of(text.begin(), text.end(), IsControl)) return MeasureLine(font, text);
  const std::vector<std::string> lines = TextLines(text);
  if (lines.size() <= 1) return MeasureLine(font, lines.empty() ? "" : lines.front());
  TextExtent block;
  for (const std::string& line : lines)
    block.width = std::max(block.width, MeasureLine(font, line).width);
  const double height = LineHeight(font) * double(lines.size());
  block.ascent = MeasureLine(font, "Ag").ascent;
  block.descent = height - block.ascent;
  return block;
}

TextExtent DrawListBuilder::MeasureLine(const Font& font, std::string_view text) {
  if (text.empty()) return {};
  // Short lines are remembered; a chart of many value labels starts afresh
  // now and then rather than holding them all.
  constexpr std::size_t kLongestKept = 256;
  constexpr std::size_t kMostKept = 4096;
  const bool keep = text.size() <= kLongestKept;
  if (keep) {
    key_.assign(font.family).push_back('\0');
    key_.append(reinterpret_cast<const char*>(&font.sizePx), sizeof font.sizePx);
    key_.push_back(char((font.bold ? 1 : 0) | (font.italic ? 2 : 0)));
    key_.append(text);
    if (const auto found = measured_.find(key_); found != measured_.end()) return found->second;
  }
  TextExtent e = MeasureLineAfresh(font, text);
  if (keep) {
    if (measured_.size() >= kMostKept) measured_.clear();
    measured_.emplace(key_, e);
  }
  return e;
}

TextExtent DrawListBuilder::MeasureLineAfresh(const Font& font, std::string_view text) {
  TextExtent e = measurer_.Measure(font, std::string(text));
  e.width = ClampFinite(e.width, 0, 1e6);
  e.ascent = ClampFinite(e.ascent, 0, 1e4);
  e.descent = ClampFinite(e.descent, 0, 1e4);
  if (e.width == 0 && e.ascent + e.descent == 0) {
    // A backend that cannot measure: estimate, so labels still get room.
    e.width = 0.55 * font.sizePx * double(text::CharacterCount(text, text::kUtf8CodePage));
    e.ascent = 0.8 * font.sizePx;
    e.descent = 0.2 * font.sizePx;
  }
  return e;
}

double DrawListBuilder::LineHeight(const Font& font) {
  const TextExtent e = MeasureLine(font, "Ag");
  return e.ascent + e.descent;
}

std::string DrawListBuilder::Fit(const Font& font, std::string_view text, double maxWidth) {
  if (std::none_of(text.begin(), text.end(), IsControl)) return FitLine(font, text, maxWidth);
  std::vector<std::string> lines = TextLines(text);
  for (std::string& line : lines) {
    if (line.empty()) continue;
    line = FitLine(font, line, maxWidth);
    if (line.empty()) return {};
  }
  return JoinLines(lines);
}

std::string DrawListBuilder::FitLine(const Font& font, std::string_view text, double maxWidth) {
  if (MeasureLine(font, text).width <= maxWidth) return std::string(text);
  // Longest prefix that still fits with the ellipsis after it, cut between
  // characters of the code page.
  const int codePage = text::kUtf8CodePage;  // texts are UTF-8
  std::size_t lo = 0, hi = text.size();
  std::string candidate;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    candidate.assign(text.substr(0, text::CharacterBoundary(text, mid, codePage)));
    candidate += kEllipsis;
    if (Measure(font, candidate).width <= maxWidth) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  lo = text::CharacterBoundary(text, lo, codePage);
  if (lo == 0) return {};
  candidate.assign(text.substr(0, lo));
  candidate += kEllipsis;
  return candidate;
}

RectShape Rect::Shape(const Fill& fill) const {
  RectShape shape;
  shape.x = x;
  shape.y = y;
  shape.width = w;
  shape.height = h;
  shape.fill = fill;
  return shape;
}

void DrawListBuilder::FillRect(const Rect& r, const Fill& fill) {
  if (r.Empty()) return;
  Add(r.Shape(fill));
}

void DrawListBuilder::FrameRect(const Rect& r, const Stroke& stroke) {
  if (r.Empty()) return;
  RectShape shape = r.Shape(Fill{});
  shape.filled = false;
  shape.outlined = true;
  shape.outline = stroke;
  Add(std::move(shape));
}

void DrawListBuilder::Line(Point a, Point b, const Stroke& stroke) {
  LineShape shape;
  shape.points = {a, b};
  shape.stroke = stroke;
  Add(std::move(shape));
}

void DrawListBuilder::PushClip(const Rect& r) { Add(ClipPush{r.x, r.y, r.w, r.h}); }
void DrawListBuilder::PopClip() { Add(ClipPop{}); }

void DrawListBuilder::AddHotSpot(std::vector<Point> polygon, std::string text) {
  if (!WantsHotSpots() || polygon.size() < 3) return;
  out_.hotSpots.push_back({std::move(polygon), std::move(text)});
}

void DrawListBuilder::Omit(TextRole role, std::string_view text, const Datum& datum,
                           const char* reason) {
  if (text.empty()) return;
  if (out_.omitted.size() < kMaxOmittedListed) {
    out_.omitted.push_back({role, std::string(text), datum, reason});
  } else {
    ++out_.omittedMore;
  }
}

DrawListBuilder::Mark DrawListBuilder::Here() const {
  return {out_.shapes.size(),     out_.omitted.size(), out_.omittedMore, out_.hotSpots.size(),
          out_.dataShapes.size(), out_.dataShapesMore, out_.axes.size()};
}

void DrawListBuilder::Rollback(const Mark& mark) {
  out_.shapes.resize(std::min(out_.shapes.size(), mark.shapes));
  out_.omitted.resize(std::min(out_.omitted.size(), mark.omitted));
  out_.omittedMore = mark.omittedMore;
  out_.hotSpots.resize(std::min(out_.hotSpots.size(), mark.hotSpots));
  out_.dataShapes.resize(std::min(out_.dataShapes.size(), mark.dataShapes));
  out_.dataShapesMore = mark.dataShapesMore;
  out_.axes.resize(std::min(out_.axes.size(), mark.axes));
}

void DrawListBuilder::AddDataShape(ShapeRole role, const Datum& datum, std::vector<Point> outline) {
  if (out_.dataShapes.size() < kMaxDataShapes) {
    out_.dataShapes.push_back({role, datum, std::move(outline)});
  } else {
    ++out_.dataShapesMore;
  }
}

void DrawListBuilder::AddDataShape(ShapeRole role, const Datum& datum, const Rect& box) {
  AddDataShape(
      role, datum,
      {{box.x, box.y}, {box.Right(), box.y}, {box.Right(), box.Bottom()}, {box.x, box.Bottom()}});
}

Rect DrawListBuilder::Text(TextRole role, std::string_view text, Point anchor, HAlign h, VAlign v,
                           double angle, const Font& font, Argb colour, std::string_view full,
                           const Datum& datum) {
  if (full.empty()) full = text;
  std::string shown = JoinLines(TextLines(text));
  if (shown.empty()) {
    Omit(role, full, datum);
    return {};
  }
  const double width = Width(), height = Height();
  TextExtent e = Measure(font, shown);

  // Longest run that fits the image at this angle.
  const double a = ClampFinite(angle, -3600, 3600) * kDegToRad;
  const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
  const double thickness = e.ascent + e.descent;
  double maxRun = 1e9;
  if (c > 1e-6) maxRun = std::min(maxRun, (width - thickness * s) / c);
  if (s > 1e-6) maxRun = std::min(maxRun, (height - thickness * c) / s);
  if (e.width > maxRun) {
    // Numbers are never cut short: they are shown whole or left out.
    const bool number = role == TextRole::kValue || role == TextRole::kTick;
    shown = number ? std::string() : Fit(font, shown, maxRun);
    if (shown.empty()) {
      Omit(role, full, datum);
      return {};
    }
    e = Measure(font, shown);
  }

  anchor.x = ClampFinite(anchor.x, -1e7, 1e7);
  anchor.y = ClampFinite(anchor.y, -1e7, 1e7);
  const Rect box = TextBounds(e, anchor, h, v, angle);
  double dx = 0, dy = 0;
  if (box.Right() > width) dx = width - box.Right();
  if (box.x + dx < 0) dx = -box.x;
  if (box.Bottom() > height) dy = height - box.Bottom();
  if (box.y + dy < 0) dy = -box.y;
  anchor = {std::clamp(anchor.x + dx, 0.0, width), std::clamp(anchor.y + dy, 0.0, height)};

  TextShape shape;
  shape.role = role;
  shape.anchor = anchor;
  shape.hAlign = h;
  shape.vAlign = v;
  shape.angle = ClampFinite(angle, -360, 360);
  shape.font = font;
  shape.colour = colour;
  shape.datum = datum;
  if (shown.find('\n') == std::string::npos) {
    if (shown != full) shape.full = std::string(full);
    shape.text = std::move(shown);
    Add(std::move(shape));
  } else {
    shape.full = std::string(full);
    AddLines(std::move(shape), TextLines(shown), e);
  }
  return {box.x + dx, box.y + dy, box.w, box.h};
}

bool PointInPolygon(const std::vector<Point>& poly, Point p) {
  // A ray to the right crosses the edges an odd number of times from inside.
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
      inside = !inside;
    }
  }
  return inside;
}

Rect BoundsOf(const std::vector<Point>& points) {
  if (points.empty()) return {};
  double x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
  for (const Point& p : points) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

bool SpanMeets(const SpanShape& span, const Rect& box) {
  const double across0 = span.vertical ? box.x : box.y;
  const double across1 = span.vertical ? box.Right() : box.Bottom();
  const double along0 = span.vertical ? box.y : box.x;
  const double along1 = span.vertical ? box.Bottom() : box.Right();
  const double count = double(span.from.size());
  const double first = std::clamp(std::floor(across0 - span.start), 0.0, count);
  const double last = std::clamp(std::ceil(across1 - span.start), 0.0, count);
  for (auto c = std::size_t(first); c < std::size_t(last); ++c) {
    const double lo = std::min(span.from[c], span.to[c]), hi = std::max(span.from[c], span.to[c]);
    if (hi > lo && lo < along1 && along0 < hi) return true;
  }
  return false;
}

void DrawListBuilder::AddLines(TextShape block, const std::vector<std::string>& lines,
                               const TextExtent& e) {
  // Lines stacked down the block from its top, across the text's run.
  const std::array<Point, 4> quad =
      TextQuad(e, block.anchor, block.hAlign, block.vAlign, block.angle);
  const double a = block.angle * kDegToRad, sa = std::sin(a), ca = std::cos(a);
  const double line = LineHeight(block.font);
  const Point top{(quad[0].x + quad[1].x) / 2, (quad[0].y + quad[1].y) / 2};
  const double along = block.hAlign == HAlign::kLeft    ? -0.5
                       : block.hAlign == HAlign::kRight ? 0.5
                                                        : 0;
  const Point start{top.x + along * e.width * ca, top.y - along * e.width * sa};
  block.vAlign = VAlign::kTop;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const double down = line * double(i);
    block.text = lines[i];
    block.anchor = {start.x + down * sa, start.y + down * ca};
    Add(block);
  }
}

Point Direction(double degrees) {
  const double a = ClampFinite(degrees, -1e6, 1e6) * kDegToRad;
  return {std::sin(a), -std::cos(a)};
}

void AppendArc(std::vector<Point>& points, Point centre, double radius, double fromDeg,
               double toDeg) {
  const double sweep = toDeg - fromDeg;
  const double arcLength = std::abs(sweep) * kDegToRad * radius;
  const auto steps =
      ToCount(std::max(std::ceil(arcLength / 2.0), std::ceil(std::abs(sweep) / 15.0)), 1, 4096);
  for (std::int64_t i = 0; i <= steps; ++i) {
    const Point d = Direction(fromDeg + sweep * double(i) / double(steps));
    points.push_back({centre.x + radius * d.x, centre.y + radius * d.y});
  }
}

}  // namespace vantiro::engine::layout

namespace vantiro::engine {

const char* TextRoleName(TextRole role) {
  switch (role) {
    case TextRole::kCaption: return "caption";
    case TextRole::kFooter: return "footer";
    case TextRole::kLegend: return "legend";
    case TextRole::kAxisTitle: return "axis-title";
    case TextRole::kTick: return "tick";
    case TextRole::kCategory: return "category";
    case TextRole::kValue: return "value";
    case TextRole::kSlice: return "slice";
  }
  return "caption";
}

const char* ShapeRoleName(ShapeRole role) {
  switch (role) {
    case ShapeRole::kBar: return "bar";
    case ShapeRole::kSegment: return "segment";
    case ShapeRole::kSlice: return "slice";
    case ShapeRole::kLayer: return "layer";
    case ShapeRole::kLegendBox: return "legend-box";
  }
  return "bar";
}

}  // namespace vantiro::engine
