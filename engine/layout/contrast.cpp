// Readable texts: the colours under each text, and the nearest readable
// colour for it.
#include "engine/layout/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <variant>

namespace vantiro::engine::layout {

namespace {

double Channel(Argb c, int shift) { return double((c >> shift) & 0xFFu) / 255.0; }

double Linear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

// `top` painted over the opaque `under`, by its alpha.
Argb Over(Argb top, Argb under) {
  const double a = Channel(top, 24);
  if (a >= 1) return top;
  return Mix(under | 0xFF000000u, top | 0xFF000000u, a);
}

// The fill's colour at `p` of a shape covering `box`.
Argb FillAt(const Fill& fill, const Rect& box, Point p) {
  if (fill.gradient == Gradient::kNone) return fill.colour;
  const double t = fill.gradient == Gradient::kVertical ? (box.h > 0 ? (p.y - box.y) / box.h : 0)
                                                        : (box.w > 0 ? (p.x - box.x) / box.w : 0);
  const Argb mixed = Mix(fill.colour, fill.colour2, std::clamp(t, 0.0, 1.0));
  // Alpha blends as the colours do.
  const double alpha = Channel(fill.colour, 24) * (1 - t) + Channel(fill.colour2, 24) * t;
  return (mixed & 0x00FFFFFFu) | (std::uint32_t(std::lround(alpha * 255)) << 24);
}

bool Contains(const Rect& r, Point p) {
  return p.x >= r.x && p.x <= r.Right() && p.y >= r.y && p.y <= r.Bottom();
}

// What one sample point shows: the plain fill, and the fill with hatch
// lines where a hatched shape covers it.
struct Sample {
  Point at;
  Argb plain = 0xFFFFFFFFu, hatched = 0xFFFFFFFFu;
  bool known = true;

  void Paint(const Fill& fill, const Rect& box) {
    const Argb colour = FillAt(fill, box, at);
    plain = Over(colour, plain);
    hatched = Over(colour, hatched);
    if (fill.hatch != kHatchNone) hatched = Over(fill.hatchColour, hatched);
    known = true;
  }
};

// Sample points across a text's box: five along, three across.
std::vector<Sample> SamplesOf(const TextShape& t, const TextExtent& extent) {
  const std::array<Point, 4> q = TextQuad(extent, t.anchor, t.hAlign, t.vAlign, t.angle);
  std::vector<Sample> samples;
  for (const double v : {0.25, 0.5, 0.75}) {
    for (const double u : {0.1, 0.3, 0.5, 0.7, 0.9}) {
      Sample s;
      s.at = {q[0].x + u * (q[1].x - q[0].x) + v * (q[3].x - q[0].x),
              q[0].y + u * (q[1].y - q[0].y) + v * (q[3].y - q[0].y)};
      samples.push_back(s);
    }
  }
  return samples;
}

double LeastContrast(Argb colour, const std::vector<Argb>& under) {
  double least = 21;
  for (const Argb u : under) least = std::min(least, ContrastRatio(colour, u));
  return least;
}

// The author's colour, or the least change of it towards black or white,
// that reads on every colour under the text; false when none does.
bool ReadableColour(Argb wanted, const std::vector<Argb>& under, Argb& colour) {
  if (LeastContrast(wanted, under) >= kLeastContrast) {
    colour = wanted;
    return true;
  }
  for (int step = 1; step <= 10; ++step) {
    const double amount = step / 10.0;
    for (const Argb towards : {0xFF000000u, 0xFFFFFFFFu}) {
      const Argb c = Mix(wanted, towards, amount);
      if (LeastContrast(c, under) >= kLeastContrast) {
        colour = c;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

double RelativeLuminance(Argb colour) {
  return 0.2126 * Linear(Channel(colour, 16)) + 0.7152 * Linear(Channel(colour, 8)) +
         0.0722 * Linear(Channel(colour, 0));
}

double ContrastRatio(Argb a, Argb b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::vector<Argb> ColoursUnder(const DrawList& list, std::size_t textIndex,
                               const TextExtent& extent) {
  const auto* text = std::get_if<TextShape>(&list.shapes[textIndex]);
  if (text == nullptr) return {};
  std::vector<Sample> samples = SamplesOf(*text, extent);
  const Rect image{0, 0, double(list.width), double(list.height)};
  std::erase_if(samples, [&](const Sample& s) { return !Contains(image, s.at); });
  const Rect reach = BoundsOf([&] {
    std::vector<Point> points;
    for (const Sample& s : samples) points.push_back(s.at);
    return points;
  }());
  auto meets = [&](const Rect& box) {
    return !samples.empty() && box.x <= reach.Right() && reach.x <= box.Right() &&
           box.y <= reach.Bottom() && reach.y <= box.Bottom();
  };
  std::vector<Rect> clips{image};
  for (std::size_t i = 0; i < textIndex; ++i) {
    const Shape& shape = list.shapes[i];
    if (const auto* push = std::get_if<ClipPush>(&shape)) {
      clips.push_back(Rect{push->x, push->y, push->width, push->height}.ClippedTo(clips.back()));
      continue;
    }
    if (std::holds_alternative<ClipPop>(shape)) {
      if (clips.size() > 1) clips.pop_back();
      continue;
    }
    const Rect& clip = clips.back();
    if (const auto* r = std::get_if<RectShape>(&shape)) {
      const Rect box{r->x, r->y, r->width, r->height};
      if (!r->filled || !meets(box)) continue;
      for (Sample& s : samples) {
        if (Contains(box, s.at) && Contains(clip, s.at)) s.Paint(r->fill, box);
      }
    } else if (const auto* p = std::get_if<PolygonShape>(&shape)) {
      const Rect box = BoundsOf(p->points);
      if (!meets(box)) continue;
      for (Sample& s : samples) {
        if (Contains(box, s.at) && Contains(clip, s.at) && PointInPolygon(p->points, s.at)) {
          s.Paint(p->fill, box);
        }
      }
    } else if (const auto* span = std::get_if<SpanShape>(&shape)) {
      Fill fill;
      fill.colour = span->colour;
      for (Sample& s : samples) {
        if (!Contains(clip, s.at)) continue;
        const double across = span->vertical ? s.at.x : s.at.y;
        const double along = span->vertical ? s.at.y : s.at.x;
        const double c = std::floor(across - span->start);
        if (c < 0 || c >= double(span->from.size())) continue;
        const auto k = std::size_t(c);
        const double lo = std::min(span->from[k], span->to[k]);
        const double hi = std::max(span->from[k], span->to[k]);
        if (hi > lo && along >= lo && along <= hi) s.Paint(fill, {});
      }
    } else if (const auto* picture = std::get_if<ImageShape>(&shape)) {
      const Rect box{picture->x, picture->y, picture->width, picture->height};
      for (Sample& s : samples) {
        if (Contains(box, s.at) && Contains(clip, s.at)) s.known = false;
      }
    }
  }
  std::vector<Argb> colours;
  for (const Sample& s : samples) {
    if (!s.known) continue;
    for (const Argb c : {s.plain, s.hatched}) {
      if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
  }
  return colours;
}

void KeepTextsReadable(DrawListBuilder& builder, DrawList& list) {
  std::vector<bool> unreadable(list.shapes.size(), false);
  bool any = false;
  for (std::size_t i = 0; i < list.shapes.size(); ++i) {
    auto* t = std::get_if<TextShape>(&list.shapes[i]);
    if (t == nullptr) continue;
    const std::vector<Argb> under = ColoursUnder(list, i, builder.Measure(t->font, t->text));
    Argb colour = t->colour;
    if (ReadableColour(t->colour | 0xFF000000u, under, colour)) {
      t->colour = colour;
    } else {
      unreadable[i] = any = true;
      builder.Omit(t->role, t->full.empty() ? t->text : t->full, t->datum, "no contrast");
    }
  }
  if (!any) return;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.shapes.size(); ++i) {
    if (!unreadable[i]) list.shapes[kept++] = std::move(list.shapes[i]);
  }
  list.shapes.resize(kept);
}

}  // namespace vantiro::engine::layout
