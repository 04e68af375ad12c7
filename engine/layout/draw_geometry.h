// Geometry every backend draws the same way: coordinate limits, stroke
// widths, pixel snapping, dash patterns, straight strokes as rectangles and
// hatch lines. Backends only fill and stroke what these give them, so Cairo
// and GDI+ agree by construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/layout/draw_list.h"

namespace vantiro::engine {

// Coordinates beyond this are pulled in: far off any chart, and inside the
// range every backend rasterises correctly (Wine's GDI+ fails somewhere
// above 1e6, Cairo's fixed-point numbers not much later).
inline constexpr double kCoordinateLimit = 1.0e5;

// Strokes wider than this are drawn this wide.
inline constexpr double kMaxStrokeWidth = 1000.0;

// Hatch lines: kHatchWidth pixels wide, kHatchSpacing pixels apart
// (diagonals measured along the axes), on a grid fixed to the target's
// origin so that neighbouring shapes continue each other's pattern.
inline constexpr double kHatchSpacing = 8.0;
inline constexpr double kHatchWidth = 1.0;

// A coordinate held inside the limit. Callers skip non-finite shapes first.
double ClampCoordinate(double v);

bool Finite(double v);
bool Finite(const std::vector<Point>& points);

// An axis-aligned box by its edges, x0 <= x1 and y0 <= y1 when not empty.
struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return !(x0 < x1 && y0 < y1); }
};

// The rectangle x, y, width, height with its edges sorted and clamped.
Box NormalizedBox(double x, double y, double width, double height);
// The clamped bounds of `points` (an empty box for no points).
Box BoundsOf(const std::vector<Point>& points);
Box Intersection(const Box& a, const Box& b);

// True if a stroke would leave any ink: finite, positive width and not
// fully transparent.
bool StrokeVisible(const Stroke& stroke);
// The width a visible stroke is drawn with.
double StrokeWidth(const Stroke& stroke);

// A dash pattern in pixels of the target: on, off, on, off... starting
// `offset` pixels into the pattern. Empty (count 0) for a solid stroke.
struct DashPattern {
  std::array<double, 4> lengths{};
  std::size_t count = 0;
  double offset = 0;

  bool Solid() const { return count == 0; }
  const double* begin() const { return lengths.data(); }
  const double* end() const { return lengths.data() + count; }
};

// The pattern of `stroke`: dash 3 on 1 off, dot 1 on 1 off, dash-dot
// 3 on 1 off 1 on 1 off, in multiples of the stroke's width (at least one
// pixel).
DashPattern DashOf(const Stroke& stroke);

// True if every segment of `points` is horizontal or vertical (axes, grid
// lines, ticks, frames): such lines are drawn sharp on the pixel grid.
bool AxisAligned(const std::vector<Point>& points);

// Moves a point of a line `width` pixels wide onto the pixel grid, so that
// the line covers whole pixels: odd widths to pixel centres (covering the
// pixel the point is in), even widths to pixel corners. In target pixels.
Point SnapToPixels(Point p, double width);

// The rectangles that a stroke `width` wide along the horizontal and
// vertical segments of `points` covers, with flat ends. Solid strokes get
// square corners (segments are lengthened by half the width where they
// meet); dashed ones carry their pattern on from segment to segment.
// `closed` joins the last point to the first.
std::vector<Box> StraightStrokeBoxes(const std::vector<Point>& points, bool closed, double width,
                                     const DashPattern& dash);

// StraightStrokeBoxes for a target's pixel grid (target pixels, no
// scaling): the line is a whole number of pixels wide (at least one), its
// points snapped as SnapToPixels does, its dash lengths whole pixels, and
// every box edge on a pixel edge (halves rounded down), so each pixel is
// either fully inked or untouched: a 1 px dotted line is exactly 1 pixel on,
// 1 pixel off. Boxes left empty are dropped.
std::vector<Box> PixelStrokeBoxes(const std::vector<Point>& points, bool closed, double width,
                                  const DashPattern& dash);

// A straight piece of line from `a` to `b`.
struct Segment {
  Point a, b;
};

// The hatch lines of `hatch` over `area` (the part of the hatched shape the
// target shows; the backend clips to the shape). Lines are kHatchWidth wide
// along their centre lines: horizontal and vertical ones cover whole pixel
// rows and columns, diagonal ones run from edge to edge of `area`.
struct HatchLines {
  std::vector<Segment> straight;
  std::vector<Segment> diagonal;
};
HatchLines HatchOver(std::int32_t hatch, const Box& area);

}  // namespace vantiro::engine
