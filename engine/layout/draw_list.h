// Drawing primitives: what the layout step makes of a chart and what every
// backend draws. Geometry is in pixels of the target, origin top-left, y
// downwards. Arcs, slices and pyramids arrive here already as polygons, so
// all backends draw the same shapes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "engine/model/paint.h"

namespace vantiro::engine {

struct Point {
  double x = 0, y = 0;
};

enum class Gradient : std::uint8_t {
  kNone,
  kVertical,    // `colour` at the top, `colour2` at the bottom
  kHorizontal,  // `colour` at the left, `colour2` at the right
};

enum class Dash : std::uint8_t { kSolid, kDash, kDot, kDashDot };

struct Fill {
  Argb colour = 0xFF000000;
  Argb colour2 = 0;  // gradient end colour
  Gradient gradient = Gradient::kNone;
  std::int32_t hatch = kHatchNone;  // Hatch pattern drawn over the fill
  Argb hatchColour = 0;
};

struct Stroke {
  Argb colour = 0xFF000000;
  double width = 1.0;
  Dash dash = Dash::kSolid;
};

struct Font {
  std::string family;    // empty: the backend's sans-serif default
  double sizePx = 12.0;  // em size in pixels
  bool bold = false;
  bool italic = false;
};

enum class HAlign : std::uint8_t { kLeft, kCentre, kRight };
// Vertical anchors use the font's ascent and descent (TextExtent): kTop is
// the top of the ascent, kBottom the bottom of the descent, kMiddle halfway.
enum class VAlign : std::uint8_t { kTop, kMiddle, kBaseline, kBottom };

// Filled axis-aligned rectangle, optionally outlined.
struct RectShape {
  double x = 0, y = 0, width = 0, height = 0;
  Fill fill;
  bool filled = true;
  bool outlined = false;
  Stroke outline;
};

// Closed filled polygon, optionally outlined.
struct PolygonShape {
  std::vector<Point> points;
  Fill fill;
  bool outlined = false;
  Stroke outline;
};

// Open polyline (two points for a simple line).
struct LineShape {
  std::vector<Point> points;
  Stroke stroke;
};

// Many thin vertical (or horizontal) spans in one colour: the per-pixel
// column envelope of bars too narrow to draw one by one. Span i covers
// [from[i], to[i]] along the value direction at pixel column (or row)
// `start + i`. A column without bars has from[i] == to[i] and shows nothing.
struct SpanShape {
  bool vertical = true;  // spans run vertically, one per x column
  double start = 0;
  std::vector<float> from, to;
  Argb colour = 0xFF000000;
};

// What a text is in the chart, for the layout report.
enum class TextRole : std::uint8_t {
  kCaption,
  kFooter,
  kLegend,
  kAxisTitle,
  kTick,      // a value axis's tick label
  kCategory,  // a label axis's category label
  kValue,     // a bar's or point's value label
  kSlice,     // a pie, donut or pyramid slice's label
};

// The report's name of a role: "caption", "axis-title", ...
const char* TextRoleName(TextRole role);

// The datum a text or shape stands for, so that a report can be checked
// against the data: its region (index in the chart), its series (index in
// the region's bar series, or in its gridless series, as the role says),
// its point (index in the series' values) and the value itself.
struct Datum {
  std::int32_t region = -1;  // -1: stands for no datum
  std::int32_t series = -1;
  std::int64_t point = -1;  // -1: the whole series (a legend entry of a bar series)
  double value = 0;
  bool Present() const { return region >= 0; }
};

// A line of text. The anchor is placed by the alignments before rotation;
// the text is rotated by `angle` degrees counter-clockwise around it.
struct TextShape {
  std::string text;  // UTF-8, as drawn
  Point anchor;
  HAlign hAlign = HAlign::kLeft;
  VAlign vAlign = VAlign::kBaseline;
  double angle = 0;
  Font font;
  Argb colour = 0xFF000000;
  TextRole role = TextRole::kCaption;
  std::string full = {};  // the whole text when `text` was shortened, else empty
  Datum datum = {};       // value and slice labels: the datum they show
};

// An image file drawn stretched into a rectangle (skipped if unreadable).
struct ImageShape {
  std::string path;
  double x = 0, y = 0, width = 0, height = 0;
};

// Restricts the following shapes to a rectangle until the matching pop.
struct ClipPush {
  double x = 0, y = 0, width = 0, height = 0;
};
struct ClipPop {};

using Shape = std::variant<RectShape, PolygonShape, LineShape, SpanShape, TextShape, ImageShape,
                           ClipPush, ClipPop>;

// Where the chart window's value tooltip shows a text: a closed polygon
// (a bar's four corners, a slice or a pyramid layer) and what the mouse over
// it is told, e.g. "North, Q2: 135 k$".
struct HotSpot {
  std::vector<Point> polygon;
  std::string text;  // UTF-8
};

// A text the layout left out: for want of room, unless `reason` says why.
struct OmittedText {
  TextRole role = TextRole::kCaption;
  std::string text;  // UTF-8
  Datum datum = {};
  const char* reason = nullptr;  // a static text such as "zero slice"; null: no room
};

// What a shape of data is, for the layout report.
enum class ShapeRole : std::uint8_t {
  kBar,        // a bar of a grouped series
  kSegment,    // a segment of a stack
  kSlice,      // a pie or donut slice
  kLayer,      // a pyramid layer
  kLegendBox,  // a legend entry's colour box
};

// The report's name of a shape role: "bar", "segment", ...
const char* ShapeRoleName(ShapeRole role);

// A shape that stands for data, with its outline (four corners for boxes).
struct DataShape {
  ShapeRole role = ShapeRole::kBar;
  Datum datum;
  std::vector<Point> outline;
};

// Most data shapes one layout lists; the rest are only counted.
inline constexpr std::size_t kMaxDataShapes = 5000;

// A data axis as drawn: its region, 0 (first) or 1 (second), its range and
// the values of its ticks.
struct AxisRange {
  std::int32_t region = 0;
  std::int32_t axis = 0;
  double min = 0, max = 0;
  std::vector<double> ticks;
};

// Most omitted texts one layout lists; the rest are only counted.
inline constexpr std::size_t kMaxOmittedListed = 1000;

struct DrawList {
  int width = 0, height = 0;
  std::vector<Shape> shapes;  // painted in order
  // Texts left out, in layout order, up to kMaxOmittedListed; `omittedMore`
  // counts those beyond. Not drawn.
  std::vector<OmittedText> omitted{};
  std::size_t omittedMore = 0;
  // In drawing order; only for charts with value tooltips. Not drawn.
  std::vector<HotSpot> hotSpots{};
  // For the layout report; not drawn. Up to kMaxDataShapes data shapes,
  // `dataShapesMore` counts those beyond.
  std::vector<DataShape> dataShapes{};
  std::size_t dataShapesMore = 0;
  std::vector<AxisRange> axes{};
};

// Text metrics as a backend measures them, in pixels.
struct TextExtent {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

// Supplied by each backend so the layout can keep labels from overlapping.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual TextExtent Measure(const Font& font, const std::string& text) = 0;
};

}  // namespace vantiro::engine
