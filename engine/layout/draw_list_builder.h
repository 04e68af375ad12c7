// Helpers shared by the layout step: rectangles, colour shades, fonts and a
// DrawListBuilder that appends shapes to a draw list and keeps every text
// inside the image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "engine/layout/draw_list.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

struct Rect {
  double x = 0, y = 0, w = 0, h = 0;

  double Right() const { return x + w; }
  double Bottom() const { return y + h; }
  double CentreX() const { return x + w / 2; }
  double CentreY() const { return y + h / 2; }
  bool Empty() const { return !(w > 0 && h > 0); }
  // Shrinks by `d` on every side, never below zero size.
  Rect Inset(double d) const;
  // The part of this rectangle that lies inside `outer`.
  Rect ClippedTo(const Rect& outer) const;
  // A filled rectangle shape covering this rectangle, with `fill`.
  RectShape Shape(const Fill& fill) const;
};

// Clamps a double that may be NaN or infinite: NaN gives `lo`.
inline double ClampFinite(double v, double lo, double hi) {
  if (!(v == v)) return lo;
  return v < lo ? lo : (v > hi ? hi : v);
}

// A count from a double, clamped first so the conversion is always defined.
std::int64_t ToCount(double v, std::int64_t lo, std::int64_t hi);

// Font sizes: points to pixels at 96 dpi; 0 or less picks `fallbackPt`.
double PointsToPixels(double pt);
double FontPoints(std::int32_t requested, double fallbackPt);

// Colours (ARGB). Windows colour numbers hold red in the low byte.
Argb WindowsColourToArgb(std::int32_t bgr);
Argb Mix(Argb colour, Argb towards, double amount);  // alpha of `colour` kept
Argb Darker(Argb colour, double amount);
Argb Lighter(Argb colour, double amount);
Argb Translucent(Argb colour);  // about 60 % of the original opacity
double Luminance(Argb colour);  // 0 (black) .. 1 (white)
// Black or white, whichever reads better on `background`.
Argb ContrastingText(Argb background);

// Line style of an axis as a dash; false when no lines are drawn
// (kLineNone, or a value the model does not name).
bool DashFor(std::int32_t lineStyle, Dash& dash);

// Entries of a ";"-separated list, in order. An empty text has no entries;
// a trailing separator adds no empty entry.
std::vector<std::string_view> SplitList(std::string_view text);

// The lines of a text as the chart draws it, one rule for every text: LF
// and CR LF break lines, TAB becomes a space, every other control character
// (bytes below 0x20, and 0x7F) is dropped, and breaks at the end make no
// empty lines. Beyond `maxLines`, the rest joins the last line after a
// space. (No code page has these bytes inside a multi-byte character.)
inline constexpr std::size_t kMaxTextLines = 4;
std::vector<std::string> TextLines(std::string_view text, std::size_t maxLines = kMaxTextLines);

// The same lines joined by LF: the form in which DrawListBuilder's Measure,
// Fit and Text take a text of several lines.
std::string JoinLines(const std::vector<std::string>& lines);

// Corners of a text shape's box as placed, rotation included: top-left,
// top-right, bottom-right, bottom-left of the unrotated text.
std::array<Point, 4> TextQuad(const TextExtent& extent, Point anchor, HAlign h, VAlign v,
                              double angleDegrees);

// Whether `p` lies inside the closed polygon `poly` (even-odd rule).
bool PointInPolygon(const std::vector<Point>& poly, Point p);

// The box around `points` (empty for none).
Rect BoundsOf(const std::vector<Point>& points);

// Whether the spans of `span` reach into `box`.
bool SpanMeets(const SpanShape& span, const Rect& box);

// Box of a text shape as placed, axis-aligned, rotation included.
Rect TextBounds(const TextExtent& extent, Point anchor, HAlign h, VAlign v, double angleDegrees);

// What value tooltips call the things they point at, as the author wrote
// them: series (or slice) names from the legend, category labels from the
// label axis. Names missing from either list are empty.
struct TooltipNames {
  std::vector<std::string_view> series;
  std::vector<std::string_view> categories;

  std::string_view Series(std::size_t i) const {
    return i < series.size() ? series[i] : std::string_view{};
  }
  std::string_view Category(std::size_t i) const {
    return i < categories.size() ? categories[i] : std::string_view{};
  }
};

// A tooltip text: "series, category: value", leaving out empty names; a
// name of several lines (TextLines) is written on one.
std::string TooltipText(std::string_view series, std::string_view category, std::string_view value);

// Appends shapes to a draw list. Texts are measured through the backend's
// measurer; everything else is plain geometry.
class DrawListBuilder {
 public:
  DrawListBuilder(DrawList& out, TextMeasurer& measurer, std::string family);

  int Width() const { return out_.width; }
  int Height() const { return out_.height; }
  Rect Image() const { return {0, 0, double(out_.width), double(out_.height)}; }

  Font MakeFont(double points, bool bold) const;

  // Metrics with nonsense from a backend (negative, NaN, huge) made safe.
  // A text of several lines (TextLines) measures as their block: the widest
  // line's width, the first line's ascent, and a LineHeight per line.
  TextExtent Measure(const Font& font, std::string_view text);
  // Ascent plus descent of a typical line.
  double LineHeight(const Font& font);
  // Each line of `text` cut and ended with "..." so that it is at most
  // `maxWidth` wide; empty when not even that fits.
  std::string Fit(const Font& font, std::string_view text, double maxWidth);

  template <typename S>
  void Add(S&& shape) {
    out_.shapes.emplace_back(std::in_place_type<std::decay_t<S>>, std::forward<S>(shape));
  }
  void FillRect(const Rect& r, const Fill& fill);
  void FrameRect(const Rect& r, const Stroke& stroke);
  void Line(Point a, Point b, const Stroke& stroke);
  void PushClip(const Rect& r);
  void PopClip();

  // Hot spots are kept once enabled, up to `limit` of them; callers ask
  // WantsHotSpots first so that charts without tooltips build no texts.
  void CollectHotSpots(std::size_t limit) { hotSpotLimit_ = limit; }
  bool WantsHotSpots() const { return out_.hotSpots.size() < hotSpotLimit_; }
  void AddHotSpot(std::vector<Point> polygon, std::string text);

  // Places a text; it is shortened if longer than the image and moved
  // inward so that it lies wholly inside the image. `full` is the whole
  // text when the caller has already shortened `text`. A text of several
  // lines (TextLines) is placed as their block, one text shape per line,
  // each with the whole text as `full`. A text that cannot be shown at all
  // is reported as omitted. Returns its box (empty when nothing is drawn).
  Rect Text(TextRole role, std::string_view text, Point anchor, HAlign h, VAlign v, double angle,
            const Font& font, Argb colour, std::string_view full = {}, const Datum& datum = {});
  Rect Text(const TextShape& t) {
    return Text(t.role, t.text, t.anchor, t.hAlign, t.vAlign, t.angle, t.font, t.colour, t.full,
                t.datum);
  }

  // Reports a text the layout leaves out: for want of room, or for
  // `reason` (a static text) when given.
  void Omit(TextRole role, std::string_view text, const Datum& datum = {},
            const char* reason = nullptr);
  void Omit(const TextShape& t) { Omit(t.role, t.full.empty() ? t.text : t.full, t.datum); }

  // Lists a shape that stands for data, up to kMaxDataShapes of them.
  void AddDataShape(ShapeRole role, const Datum& datum, std::vector<Point> outline);
  void AddDataShape(ShapeRole role, const Datum& datum, const Rect& box);
  // Lists a data axis as drawn.
  void AddAxis(AxisRange axis) { out_.axes.push_back(std::move(axis)); }

  // What has been laid out so far, and a way back to an earlier point of
  // it: a part laid out anew first takes back what it added.
  const DrawList& List() const { return out_; }
  struct Mark {
    std::size_t shapes, omitted, omittedMore, hotSpots, dataShapes, dataShapesMore, axes;
  };
  Mark Here() const;
  void Rollback(const Mark& mark);
  // As Omit, calling `make` for the text only while the list of omitted
  // texts has room (beyond it they are only counted): for callers that may
  // leave out very many texts.
  template <typename MakeText>
  void OmitMade(TextRole role, MakeText&& make, const Datum& datum = {},
                const char* reason = nullptr) {
    if (out_.omitted.size() >= kMaxOmittedListed) {
      ++out_.omittedMore;
    } else {
      Omit(role, make(), datum, reason);
    }
  }
  // As AddDataShape, calling `make` for the outline only while the list has
  // room: for shapes that are not drawn one by one.
  template <typename MakeOutline>
  void AddDataShapeMade(ShapeRole role, const Datum& datum, MakeOutline&& make) {
    if (out_.dataShapes.size() >= kMaxDataShapes) {
      ++out_.dataShapesMore;
    } else {
      AddDataShape(role, datum, make());
    }
  }

 private:
  TextExtent MeasureLine(const Font& font, std::string_view line);
  TextExtent MeasureLineAfresh(const Font& font, std::string_view line);
  // Adds `block` (placed, with extent `e`) as one text shape per line.
  void AddLines(TextShape block, const std::vector<std::string>& lines, const TextExtent& e);
  std::string FitLine(const Font& font, std::string_view line, double maxWidth);

  DrawList& out_;
  TextMeasurer& measurer_;
  // Lines already measured, by font and text: planning measures the same
  // tick labels, titles and legend entries round after round.
  std::unordered_map<std::string, TextExtent> measured_;
  std::string key_;  // the last key, its buffer kept
  std::string family_;
  std::size_t hotSpotLimit_ = 0;
};

// Points of a circular arc, clockwise on screen from `fromDeg` to `toDeg`
// (degrees clockwise from 12 o'clock), about one vertex per two pixels of
// arc, both ends included.
void AppendArc(std::vector<Point>& points, Point centre, double radius, double fromDeg,
               double toDeg);

// Unit vector pointing at `degrees` clockwise from 12 o'clock.
Point Direction(double degrees);

}  // namespace vantiro::engine::layout
