#include "engine/layout/draw_geometry.h"

#include <algorithm>
#include <cmath>

namespace vantiro::engine {

double ClampCoordinate(double v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

bool Finite(double v) { return std::isfinite(v); }

bool Finite(const std::vector<Point>& points) {
  return std::all_of(points.begin(), points.end(),
                     [](const Point& p) { return Finite(p.x) && Finite(p.y); });
}

Box NormalizedBox(double x, double y, double width, double height) {
  return Box{ClampCoordinate(std::min(x, x + width)), ClampCoordinate(std::min(y, y + height)),
             ClampCoordinate(std::max(x, x + width)), ClampCoordinate(std::max(y, y + height))};
}

Box BoundsOf(const std::vector<Point>& points) {
  if (points.empty()) return {};
  Box box{kCoordinateLimit, kCoordinateLimit, -kCoordinateLimit, -kCoordinateLimit};
  for (const Point& p : points) {
    box.x0 = std::min(box.x0, ClampCoordinate(p.x));
    box.y0 = std::min(box.y0, ClampCoordinate(p.y));
    box.x1 = std::max(box.x1, ClampCoordinate(p.x));
    box.y1 = std::max(box.y1, ClampCoordinate(p.y));
  }
  return box;
}

Box Intersection(const Box& a, const Box& b) {
  return Box{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1),
             std::min(a.y1, b.y1)};
}

bool StrokeVisible(const Stroke& stroke) {
  return Finite(stroke.width) && stroke.width > 0 && (stroke.colour >> 24) != 0;
}

double StrokeWidth(const Stroke& stroke) { return std::min(stroke.width, kMaxStrokeWidth); }

DashPattern DashOf(const Stroke& stroke) {
  DashPattern pattern;
  switch (stroke.dash) {
    case Dash::kSolid: return pattern;
    case Dash::kDash:
      pattern.lengths = {3, 1};
      pattern.count = 2;
      break;
    case Dash::kDot:
      pattern.lengths = {1, 1};
      pattern.count = 2;
      break;
    case Dash::kDashDot:
      pattern.lengths = {3, 1, 1, 1};
      pattern.count = 4;
      break;
  }
  const double unit = std::max(StrokeWidth(stroke), 1.0);
  for (double& length : pattern.lengths) length *= unit;
  return pattern;
}

bool AxisAligned(const std::vector<Point>& points) {
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (points[i - 1].x != points[i].x && points[i - 1].y != points[i].y) return false;
  }
  return true;
}

Point SnapToPixels(Point p, double width) {
  const bool odd = std::lround(std::min(std::fabs(width), kMaxStrokeWidth)) % 2 == 1;
  const double x = ClampCoordinate(p.x), y = ClampCoordinate(p.y);
  return odd ? Point{std::floor(x) + 0.5, std::floor(y) + 0.5}
             : Point{std::round(x), std::round(y)};
}

std::vector<Box> StraightStrokeBoxes(const std::vector<Point>& points, bool closed, double width,
                                     const DashPattern& dash) {
  std::vector<Box> boxes;
  if (points.size() < 2) return boxes;
  const double half = width / 2;
  const std::size_t segments = closed ? points.size() : points.size() - 1;
  std::size_t piece = 0;
  double pieceLeft = dash.Solid() ? 0 : dash.lengths[0];
  for (std::size_t i = 0; i < segments; ++i) {
    const Point a{ClampCoordinate(points[i].x), ClampCoordinate(points[i].y)};
    const Point& next = points[(i + 1) % points.size()];
    const Point b{ClampCoordinate(next.x), ClampCoordinate(next.y)};
    const bool horizontal = a.y == b.y;
    const double from = horizontal ? a.x : a.y, to = horizontal ? b.x : b.y;
    const double across = horizontal ? a.y : a.x;
    const double direction = to >= from ? 1 : -1;
    const double length = std::fabs(to - from);
    const auto add = [&](double start, double end) {  // distances along the segment
      const double p = from + direction * start, q = from + direction * end;
      const double low = std::min(p, q), high = std::max(p, q);
      boxes.push_back(horizontal ? Box{low, across - half, high, across + half}
                                 : Box{across - half, low, across + half, high});
    };
    if (dash.Solid()) {
      const bool joinedBefore = closed || i > 0;
      const bool joinedAfter = closed || i + 1 < segments;
      add(joinedBefore ? -half : 0, joinedAfter ? length + half : length);
      continue;
    }
    for (double at = 0; at < length;) {
      const double step = std::min(pieceLeft, length - at);
      if (piece % 2 == 0 && step > 0) add(at, at + step);
      at += step;
      pieceLeft -= step;
      if (pieceLeft <= 0) {
        piece = (piece + 1) % dash.count;
        pieceLeft = dash.lengths[piece];
      }
    }
  }
  return boxes;
}

std::vector<Box> PixelStrokeBoxes(const std::vector<Point>& points, bool closed, double width,
                                  const DashPattern& dash) {
  const double pixels = std::max(1.0, std::round(std::min(width, kMaxStrokeWidth)));
  std::vector<Point> snapped;
  snapped.reserve(points.size());
  for (const Point& p : points) snapped.push_back(SnapToPixels(p, pixels));
  // The pattern as for a stroke `pixels` wide, in whole pixels.
  const double scale = pixels / std::max(std::min(width, kMaxStrokeWidth), 1.0);
  DashPattern whole = dash;
  for (std::size_t i = 0; i < whole.count; ++i) {
    whole.lengths[i] = std::max(1.0, std::round(whole.lengths[i] * scale));
  }
  whole.offset = std::round(whole.offset * scale);
  // Edges fall on whole or half pixels here; a half goes down, so a line
  // from pixel centre 0.5 to 9.5 covers pixels 0 to 8, as the unsnapped 0 to 9.
  const auto edge = [](double v) { return std::ceil(v - 0.5); };
  std::vector<Box> boxes = StraightStrokeBoxes(snapped, closed, pixels, whole);
  for (Box& b : boxes) b = Box{edge(b.x0), edge(b.y0), edge(b.x1), edge(b.y1)};
  boxes.erase(std::remove_if(boxes.begin(), boxes.end(), [](const Box& b) { return b.Empty(); }),
              boxes.end());
  return boxes;
}

HatchLines HatchOver(std::int32_t hatch, const Box& area) {
  HatchLines lines;
  if (area.Empty()) return lines;
  const double x0 = area.x0, y0 = area.y0, x1 = area.x1, y1 = area.y1;
  const double s = kHatchSpacing;
  const double centre = kHatchWidth / 2;  // lines cover the row or column below the grid line
  const bool horizontal = hatch == kHatchHorizontal || hatch == kHatchCross;
  const bool vertical = hatch == kHatchVertical || hatch == kHatchCross;
  const bool forward = hatch == kHatchForwardDiagonal || hatch == kHatchDiagonalCross;
  const bool backward = hatch == kHatchBackwardDiagonal || hatch == kHatchDiagonalCross;
  if (horizontal) {
    for (double y = std::floor(y0 / s) * s; y <= y1; y += s) {
      lines.straight.push_back({{x0, y + centre}, {x1, y + centre}});
    }
  }
  if (vertical) {
    for (double x = std::floor(x0 / s) * s; x <= x1; x += s) {
      lines.straight.push_back({{x + centre, y0}, {x + centre, y1}});
    }
  }
  if (forward) {  // "/": x + y constant
    for (double c = std::floor((x0 + y0) / s) * s; c <= x1 + y1; c += s) {
      lines.diagonal.push_back({{c - y1, y1}, {c - y0, y0}});
    }
  }
  if (backward) {  // "\": x - y constant
    for (double c = std::floor((x0 - y1) / s) * s; c <= x1 - y0; c += s) {
      lines.diagonal.push_back({{c + y0, y0}, {c + y1, y1}});
    }
  }
  return lines;
}

}  // namespace vantiro::engine
