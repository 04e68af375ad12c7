// The chart model: everything a chart holds, as the engine's functions
// received it. Values are stored as given; what they mean is documented
// here once and applied by the layout step.
//
// Colours are ARGB (0xAARRGGBB) as RGB2ARGB returns them, except where a
// field says "Windows colour number": then the value is 0x00BBGGRR, red in
// the low byte, the way a script writes &HBBGGRR.
//
// Texts are UTF-8: the engine's functions convert what they are given from
// the caller's code page (text/code_page.h) as it enters, and a text of at
// most kMaxTextLength bytes becomes at most kMaxTextBytes. Lists inside a text (legend entries,
// axis labels) are separated by
// ";" (kListSeparator).
//
// Every double in a chart is finite: a value that arrives as infinity or NaN
// is stored as 0. A part that is not present (grid, caption, legend, label
// axis) keeps its default values. IsValidChart (chart_store.h) checks all of
// this; charts read from chart files must pass it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/model/paint.h"

namespace vantiro::engine {

inline constexpr char kListSeparator = ';';

inline constexpr int kMaxCharts = 20;
inline constexpr int kMaxRegions = 6;
inline constexpr int kMaxSeriesPerRegion = 15;
// Data axes kept per region: a third one replaces the second.
inline constexpr int kMaxDataAxes = 2;
// Longest text the engine keeps (longer texts are refused with -4).
inline constexpr std::size_t kMaxTextLength = 65535;
// Longest text the chart holds: kMaxTextLength characters of a code page,
// each at most three bytes of UTF-8.
inline constexpr std::size_t kMaxTextBytes = 3 * kMaxTextLength;

// Size of a chart created with width or height 0, and the largest side of
// any chart, window or image file (larger sizes are refused).
inline constexpr int kDefaultWidth = 640;
inline constexpr int kDefaultHeight = 480;
inline constexpr int kMaxSide = 16384;
// Largest area, in pixels (width * height), of a chart and of every raster
// drawn from it: windows, snapshots, PNG, JPEG and BMP files. A chart within
// it can always be drawn at its own size. Vector files (SVG, PDF, EMF) hold
// no pixels and are limited by kMaxSide alone.
inline constexpr std::int64_t kMaxImagePixels = 64LL * 1024 * 1024;

// Whether a chart or a raster image of width x height is allowed.
constexpr bool ChartSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxImagePixels;
}
// JPEG quality used when a file call passes 0.
inline constexpr int kDefaultJpegQuality = 90;

// Chart style (bit flags).
enum ChartStyle : std::int32_t {
  kChartFlat = 0,      // background filled with the background colour
  kChartBorder = 1,    // thin darker frame around the chart
  kChartGradient = 2,  // background fades from white (top) to the colour
};

// Line styles of axis grid lines.
enum LineStyle : std::int32_t {
  kLineSolid = 0,
  kLineDash = 1,
  kLineDot = 2,
  kLineDashDot = 3,
  kLineNone = 4,  // no grid lines, axis line and ticks only
};

// Axis alignment: which side of the plot area an axis stands on.
enum AxisAlignment : std::int32_t {
  kAxisDefault = 0,  // data axis: left (bottom for horizontal bars);
                     // label axis: bottom (left for horizontal bars)
  kAxisLeft = 1,
  kAxisRight = 2,
  kAxisTop = 3,
  kAxisBottom = 4,
};

// Orientation of tick labels (data axis LabelAlignment, label axis
// TextAlignment).
enum TextOrientation : std::int32_t {
  kTextHorizontal = 0,
  kTextVertical = 1,  // rotated 90 degrees, reading upwards
  kTextSlanted = 2,   // rotated 45 degrees
};

// Legend position inside its region.
enum LegendAlignment : std::int32_t {
  kLegendRight = 0,  // right of the plot area, vertically centred
  kLegendLeft = 1,
  kLegendTop = 2,            // a row below the caption
  kLegendBottom = 3,         // a row above the footer
  kLegendInsideTopLeft = 4,  // over the plot area, top-left corner
  kLegendInsideTopRight = 5,
};

// Legend style (bit flags).
enum LegendStyle : std::int32_t {
  kLegendBoxed = 0,  // frame around the legend, square markers
  kLegendNoFrame = 1,
  kLegendRoundMarkers = 2,
};

// Bar series type.
enum BarType : std::int32_t {
  kBarGrouped = 0,     // side by side with the region's other grouped series
  kBarStacked = 1,     // stacked on the region's other stacked series
  kBarStacked100 = 2,  // stacked, each column scaled to 100 %
};

// Bar style (bit flags).
enum BarStyle : std::int32_t {
  kBarFlat = 0,
  kBarOutline = 1,  // darker outline around each bar
  kBarShaded = 2,   // gradient across the bar
};

// Value labels of bar series.
enum BarValueLabels : std::int32_t {
  kBarLabelsNone = 0,
  kBarLabelsOutside = 1,  // value just beyond the end of the bar
  kBarLabelsInside = 2,   // value centred inside the bar
};

// Gridless series style.
enum GridlessStyle : std::int32_t {
  kGridlessPie = 0,  // 0 and 1 both draw a pie
  kGridlessPie1 = 1,
  kGridlessDonut = 2,
  kGridlessPyramid = 3,
};

// Gridless series position inside its plot area.
enum GridlessAlignment : std::int32_t {
  kGridlessCentre = 0,
  kGridlessLeft = 1,
  kGridlessRight = 2,
};

// Gridless value labels.
enum GridlessLabels : std::int32_t {
  kGridlessLabelsNone = 0,
  kGridlessLabelsValue = 1,
  kGridlessLabelsPercent = 2,
  kGridlessLabelsBoth = 3,  // "value (percent)"
};

struct ChartSettings {
  std::uint32_t parent = 0;   // host window handle the chart lives in
  std::int32_t x = 0, y = 0;  // position inside the parent, pixels
  std::int32_t width = kDefaultWidth, height = kDefaultHeight;
  Argb background = 0xFFFFFFFF;
  std::int32_t style = kChartFlat;  // ChartStyle flags
  std::int32_t exportOnly = 0;      // non-zero: no window, files and printing only
  std::string backgroundImage;      // PNG/JPEG/BMP drawn stretched over the background
  std::string fontName;             // family for every text; empty: a sans-serif default
  std::int32_t tooltipWidth = 0;    // >0: window shows value tooltips this many pixels wide
  Argb backgroundImageColour = 0;   // painted under the background image, if one is given

  bool operator==(const ChartSettings&) const = default;
};

struct Grid {
  bool present = false;
  Argb background = 0xFFFFFFFF;
  std::int32_t asGradient = 0;  // non-zero: fades from white (top) to the colour
  // Plot area inside the region, pixels from the region's top-left; a width
  // or height of 0 lets the layout place it to fit axes, caption and legend.
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  // 0: no bands. Otherwise every second band between value grid lines is
  // painted: 1 in a slightly darker shade of the background, any other
  // value as a Windows colour number.
  std::int32_t biColour = 0;

  bool operator==(const Grid&) const = default;
};

struct Caption {
  bool present = false;
  std::string text;
  Argb background = 0xFFFFFFFF;
  Argb textColour = 0xFF000000;
  std::int32_t fontSize = 0;  // points; 0: 12
  std::int32_t bold = 0;      // non-zero: bold

  bool operator==(const Caption&) const = default;
};

struct Legend {
  bool present = false;
  std::string text;  // entries separated by kListSeparator
  std::int32_t alignment = kLegendRight;
  Argb background = 0xFFFFFFFF;
  std::int32_t style = kLegendBoxed;  // LegendStyle flags
  std::int32_t textColour = 0;        // Windows colour number
  std::int32_t fontSize = 0;          // points; 0: 9
  std::int32_t bold = 0;

  bool operator==(const Legend&) const = default;
};

struct DataAxis {
  std::int32_t alignment = kAxisDefault;
  double minValue = 0, maxValue = 0;  // both 0: a range chosen from the data
  std::int32_t tickCount = 0;         // intervals between grid lines; 0: chosen
  std::int32_t fontSize = 0;          // points; 0: 9
  Argb textColour = 0xFF000000;
  Argb lineColour = 0xFFC0C0C0;  // grid lines; the axis line is darker
  std::int32_t lineStyle = kLineSolid;
  std::int32_t decimalDigits = 0;  // digits after the point in tick labels
  std::string units;               // appended to every tick label
  std::string title;               // axis title, along the axis
  std::string labels;              // tick labels replacing the numbers, bottom to top
  std::int32_t labelAlignment = kTextHorizontal;

  bool operator==(const DataAxis&) const = default;
};

struct LabelAxis {
  std::string labels;          // category labels separated by kListSeparator
  std::int32_t axisCount = 0;  // categories; 0: the longest series or label list
  std::int32_t tickCount = 0;  // label every n-th category; 0 or 1: every one
  std::int32_t alignment = kAxisDefault;
  std::int32_t fontSize = 0;  // points; 0: 9
  Argb textColour = 0xFF000000;
  std::int32_t textAlignment = kTextHorizontal;
  Argb lineColour = 0xFFC0C0C0;
  std::int32_t lineStyle = kLineNone;  // lines between categories
  std::string title;

  bool operator==(const LabelAxis&) const = default;
};

struct BarSeries {
  std::vector<double> values;  // may be empty: nothing is drawn
  std::int32_t type = kBarGrouped;
  std::int32_t style = kBarFlat;  // BarStyle flags
  std::int32_t lucent = 0;        // non-zero: drawn translucent
  Argb colour = 0xFF4472C4;
  std::int32_t horizontal = 0;     // non-zero: bars grow to the right
  std::int32_t whichDataAxis = 1;  // 1 (or 0): first data axis, 2: second
  std::int32_t valueLabels = kBarLabelsNone;
  std::int32_t pointsPerColumn = 0;  // values per category column; 0 or 1: one
  std::int32_t hatch = kHatchNone;

  bool operator==(const BarSeries&) const = default;
};

struct GridlessSeries {
  std::vector<double> values;
  std::vector<Argb> colours;  // empty: the default palette
  std::int32_t style = kGridlessPie;
  std::int32_t alignment = kGridlessCentre;
  std::int32_t explode = 0;  // 0: none; k: slice k pulled out; -1: all
  std::int32_t lucent = 0;
  std::int32_t valueLabels = kGridlessLabelsNone;
  std::int32_t hatch = kHatchNone;
  std::int32_t startAngle = 0;  // degrees clockwise from 12 o'clock

  bool operator==(const GridlessSeries&) const = default;
};

struct Region {
  // Pixels inside the chart. A width or height of 0 or less reaches to the
  // chart's right or bottom edge less that many pixels.
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::string footer;           // small text centred under the region
  std::int32_t showBorder = 0;  // non-zero: thin frame around the region
  Grid grid;
  Caption caption;
  Legend legend;
  std::vector<DataAxis> dataAxes;  // at most kMaxDataAxes (WhichDataAxis 1, 2)
  bool hasLabelAxis = false;
  LabelAxis labelAxis;  // a second label axis replaces the first
  std::vector<BarSeries> bars;
  std::vector<GridlessSeries> gridless;

  std::size_t SeriesCount() const { return bars.size() + gridless.size(); }
  bool operator==(const Region&) const = default;
};

// A number naming one state of a chart's content, so that a drawing of it
// can be reused without comparing charts: every chart and every copy gets a
// new one, a moved chart takes its number along, and the engine's calls
// Bump it whenever they change a chart. Two charts with the same number
// draw the same. Charts compare equal by content alone.
class Generation {
 public:
  Generation() : value_(Next()) {}
  Generation(const Generation&) : value_(Next()) {}
  Generation(Generation&& other) noexcept : value_(other.value_) { other.Bump(); }
  Generation& operator=(const Generation&) {
    Bump();
    return *this;
  }
  Generation& operator=(Generation&& other) noexcept {
    value_ = other.value_;
    other.Bump();
    return *this;
  }
  ~Generation() = default;

  void Bump() { value_ = Next(); }
  std::uint64_t value() const { return value_; }
  bool operator==(const Generation&) const { return true; }

 private:
  static std::uint64_t Next() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
  }
  std::uint64_t value_;
};

struct Chart {
  std::int32_t ctrlId = 0;
  ChartSettings settings;
  std::vector<Region> regions;  // region index i names regions[i - 1]
  Generation generation;

  bool operator==(const Chart&) const = default;
};

// Default series palette, used for gridless slices without colours and by
// the examples. The first ten are the original palette, kept in order so that
// existing charts keep their colours; the rest add hues and shades far enough
// from all the others (and from white) to tell apart before the list repeats.
inline constexpr Argb kPalette[] = {
    0xFF4472C4, 0xFFED7D31, 0xFFA5A5A5, 0xFFFFC000, 0xFF5B9BD5, 0xFF70AD47, 0xFF264478, 0xFF9E480E,
    0xFF636363, 0xFF997300, 0xFFE03C31, 0xFF7E57C2, 0xFF26A69A, 0xFFF06292, 0xFF2E7D32, 0xFF8B1E3F,
    0xFF6A1B9A, 0xFF00695C, 0xFFC0CA33, 0xFFB39DDB, 0xFF4DD0E1, 0xFFFF8A80, 0xFFD4A373, 0xFF3E2723,
};

}  // namespace vantiro::engine
