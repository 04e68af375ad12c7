// Shared helpers of the layout tests: a deterministic text measurer, chart
// builders and queries over a draw list.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "engine/layout/draw_list.h"
#include "engine/layout/layout.h"
#include "engine/layout/draw_list_builder.h"
#include "engine/model/chart_model.h"

namespace vantiro::engine::layout_test {

// Every character (of the UTF-8 text) is 0.6 em wide; ascent 0.8 em,
// descent 0.2 em.
class FakeMeasurer : public TextMeasurer {
 public:
  TextExtent Measure(const Font& font, const std::string& text) override {
    ++calls;
    double characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return {0.6 * font.sizePx * characters, 0.8 * font.sizePx, 0.2 * font.sizePx};
  }
  int calls = 0;
};

inline DrawList Lay(const Chart& chart, int width = 640, int height = 480) {
  FakeMeasurer measurer;
  return LayoutChart(chart, width, height, measurer);
}

// A chart of one region covering it all, with a white background.
inline Chart OneRegion(int width = 640, int height = 480) {
  Chart chart;
  chart.ctrlId = 1;
  chart.settings.width = width;
  chart.settings.height = height;
  chart.regions.emplace_back();
  return chart;
}

inline BarSeries Bars(std::vector<double> values, Argb colour, std::int32_t type = kBarGrouped) {
  BarSeries s;
  s.values = std::move(values);
  s.colour = colour;
  s.type = type;
  return s;
}

template <typename T>
std::vector<T> All(const DrawList& list) {
  std::vector<T> out;
  for (const Shape& s : list.shapes) {
    if (const T* t = std::get_if<T>(&s)) out.push_back(*t);
  }
  return out;
}

inline std::vector<RectShape> RectsOf(const DrawList& list, Argb colour) {
  std::vector<RectShape> out;
  for (const RectShape& r : All<RectShape>(list)) {
    const Argb c = r.fill.gradient == Gradient::kNone ? r.fill.colour : r.fill.colour2;
    if (r.filled && c == colour) out.push_back(r);
  }
  return out;
}

inline std::vector<PolygonShape> PolygonsOf(const DrawList& list, Argb colour) {
  std::vector<PolygonShape> out;
  for (const PolygonShape& p : All<PolygonShape>(list)) {
    if (p.fill.colour == colour) out.push_back(p);
  }
  return out;
}

inline std::vector<std::string> Texts(const DrawList& list) {
  std::vector<std::string> out;
  for (const TextShape& t : All<TextShape>(list)) out.push_back(t.text);
  return out;
}

inline bool HasText(const DrawList& list, const std::string& text) {
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.text == text) return true;
  }
  return false;
}

// The four corners of a text as drawn, rotation included.
inline std::vector<Point> TextCorners(const TextShape& t, TextMeasurer& m) {
  const std::array<Point, 4> quad =
      layout::TextQuad(m.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign, t.angle);
  return {quad.begin(), quad.end()};
}
inline std::vector<Point> TextCorners(const TextShape& t) {
  FakeMeasurer m;
  return TextCorners(t, m);
}

// Whether two convex quadrilaterals overlap by more than `slack` pixels
// (separating axis test).
inline bool Overlap(const std::vector<Point>& a, const std::vector<Point>& b, double slack = 0.5) {
  for (const std::vector<Point>* poly : {&a, &b}) {
    for (std::size_t i = 0; i < poly->size(); ++i) {
      const Point p = (*poly)[i], q = (*poly)[(i + 1) % poly->size()];
      const double nx = q.y - p.y, ny = p.x - q.x;
      const double len = std::hypot(nx, ny);
      if (len == 0) continue;
      double amin = 1e300, amax = -1e300, bmin = 1e300, bmax = -1e300;
      for (const Point& v : a) {
        const double d = (v.x * nx + v.y * ny) / len;
        amin = std::min(amin, d);
        amax = std::max(amax, d);
      }
      for (const Point& v : b) {
        const double d = (v.x * nx + v.y * ny) / len;
        bmin = std::min(bmin, d);
        bmax = std::max(bmax, d);
      }
      if (amax <= bmin + slack || bmax <= amin + slack) return false;
    }
  }
  return true;
}

// Pairs of texts that overlap, as "a / b" for readable failures.
inline std::vector<std::string> OverlappingTexts(const DrawList& list, TextMeasurer& m) {
  const std::vector<TextShape> texts = All<TextShape>(list);
  std::vector<std::string> clashes;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = i + 1; j < texts.size(); ++j) {
      if (Overlap(TextCorners(texts[i], m), TextCorners(texts[j], m))) {
        clashes.push_back(std::string(TextRoleName(texts[i].role)) + " \"" + texts[i].text +
                          "\" / " + TextRoleName(texts[j].role) + " \"" + texts[j].text + "\"");
      }
    }
  }
  return clashes;
}

inline std::vector<std::string> OverlappingTexts(const DrawList& list) {
  FakeMeasurer m;
  return OverlappingTexts(list, m);
}

// Every coordinate in the list (hot spots included) is finite.
inline bool AllFinite(const DrawList& list) {
  auto ok = [](double v) { return std::isfinite(v); };
  auto points = [&](const std::vector<Point>& ps) {
    for (const Point& p : ps) {
      if (!ok(p.x) || !ok(p.y)) return false;
    }
    return true;
  };
  for (const Shape& s : list.shapes) {
    bool good = true;
    if (const auto* r = std::get_if<RectShape>(&s))
      good = ok(r->x) && ok(r->y) && ok(r->width) && ok(r->height);
    if (const auto* p = std::get_if<PolygonShape>(&s)) good = points(p->points);
    if (const auto* l = std::get_if<LineShape>(&s)) good = points(l->points);
    if (const auto* t = std::get_if<TextShape>(&s))
      good = ok(t->anchor.x) && ok(t->anchor.y) && ok(t->angle) && ok(t->font.sizePx);
    if (const auto* c = std::get_if<ClipPush>(&s))
      good = ok(c->x) && ok(c->y) && ok(c->width) && ok(c->height);
    if (const auto* sp = std::get_if<SpanShape>(&s)) {
      good = ok(sp->start);
      for (std::size_t i = 0; good && i < sp->from.size(); ++i) good = ok(sp->from[i]);
      for (std::size_t i = 0; good && i < sp->to.size(); ++i) good = ok(sp->to[i]);
    }
    if (!good) return false;
  }
  for (const HotSpot& spot : list.hotSpots) {
    if (!points(spot.polygon)) return false;
  }
  return true;
}

}  // namespace vantiro::engine::layout_test
