// Data axes (value scale, grid lines, bands, tick labels) and the label
// axis (categories) of a region: planned first, to know how much room they
// take beside the plot area, then drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/layout/draw_list_builder.h"
#include "engine/layout/value_scale.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout {

enum class Side : std::uint8_t { kLeft, kRight, kTop, kBottom };

inline bool RunsVertically(Side side) { return side == Side::kLeft || side == Side::kRight; }

// Length of tick marks and the gap between them and their labels.
inline constexpr double kTickLength = 4;
inline constexpr double kTickGap = 3;

// Room an axis title takes beside the labels; none for an empty title.
double TitleDepth(DrawListBuilder& builder, const std::string& title, const Font& titleFont);

// Pixel position of `v` along an axis over `plot`: y (growing upwards from
// the bottom edge) when values run vertically, else x from the left edge.
// Values beyond the scale stop at the plot edge.
inline double ValuePosition(const ValueScale& scale, const Rect& plot, bool vertical, double v) {
  const double f = ClampFinite(scale.Fraction(SafeValue(v)), 0, 1);
  return vertical ? plot.Bottom() - f * plot.h : plot.x + f * plot.w;
}

// How far tick labels stand out past the ends of the plot area along the
// axis: before its start (left or top) and beyond its end.
struct Overhang {
  double start = 0, end = 0;
  void Include(Side side, const Rect& box, const Rect& plot);
};

struct AxisLabel {
  std::string text;
  double pos = 0;    // x or y of the tick it belongs to
  std::string full;  // the whole text when `text` was shortened, else empty
};

// An outside value label standing beyond the end of a bar.
struct EndLabel {
  bool present = false;
  double value = 0;  // the value it shows
};

// What a region's data shows on one data axis.
struct DataAxisInput {
  double dataLow = 0, dataHigh = 0;
  bool percent = false;     // only stacked-100 series: "%" when no units
  int forcedIntervals = 0;  // match another axis' grid lines; 0: free
  // Outside value labels of the bars that reach furthest up and down: an
  // automatic range keeps room for them inside the plot area.
  EndLabel highLabel, lowLabel;
};

struct DataAxisPlan {
  const DataAxis* model = nullptr;  // null: a scale only, nothing drawn
  Side side = Side::kLeft;
  ValueScale scale;
  int decimalDigits = 0;
  Font font, titleFont;
  Argb textColour = 0xFF000000;
  std::vector<AxisLabel> labels;  // the labels shown, none overlapping
  std::vector<std::string> left;  // tick labels left out for want of room
  double depth = 0;               // room taken beside the plot area
  Overhang overhang;
  double offset = 0;      // distance from the plot edge (second axis on a side)
  bool showTitle = true;  // false: the title is reported as omitted
};

// `maxDepth`: the most room the labels may take beside the plot area.
DataAxisPlan PlanDataAxis(DrawListBuilder& builder, const DataAxis* model, Side side,
                          const DataAxisInput& input, const Rect& plot, double maxDepth);

// Every second band between grid lines, in `colour`.
void DrawValueBands(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot,
                    Argb colour);
void DrawValueGridLines(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot);
// Axis line, ticks, labels and title.
void DrawDataAxis(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot);

struct LabelAxisPlan {
  const LabelAxis* model = nullptr;
  Side side = Side::kBottom;
  Font font, titleFont;
  std::int32_t orientation = kTextHorizontal;
  std::int64_t categories = 1;
  std::int64_t step = 1;            // every step-th category carries its label
  bool thinned = false;             // too little room for a tick per category
  std::vector<std::string> labels;  // shortened to the room there is
  double depth = 0;
  Overhang overhang;
  bool showTitle = true;  // false: the title is reported as omitted
};

// `maxDepth`: the most room the labels may take beside the plot area.
LabelAxisPlan PlanLabelAxis(DrawListBuilder& builder, const LabelAxis& model, Side side,
                            std::int64_t categories, const Rect& plot, double maxDepth);

// Lines between categories (per the axis' line style).
void DrawCategoryLines(DrawListBuilder& builder, const LabelAxisPlan& plan, const Rect& plot);
// Axis line, ticks, labels and title.
void DrawLabelAxis(DrawListBuilder& builder, const LabelAxisPlan& plan, const Rect& plot);

}  // namespace vantiro::engine::layout
