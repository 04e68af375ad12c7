// Planning and drawing of data axes and the label axis.
#include "engine/layout/axes.h"

#include <algorithm>
#include <cmath>

namespace vantiro::engine::layout {

namespace {

constexpr double kSlantSine = 0.7071067811865476;  // sin 45 degrees
// Pixels of value axis per grid interval that keep a chart calm.
constexpr double kIntervalSpacing = 50;
// Space kept free between neighbouring tick labels.
constexpr double kLabelGap = 6;
// Gap between tick labels and an axis title.
constexpr double kTitleGap = 4;
// Pixels an automatic range keeps free beyond the bars at its ends.
constexpr double kBarHeadroom = 3;
// Least distance of category ticks when not every category has its own.
constexpr double kThinnedTickSpacing = 40;

struct Placement {
  Point anchor;
  HAlign h = HAlign::kLeft;
  VAlign v = VAlign::kMiddle;
  double angle = 0;
};

std::int32_t Orientation(std::int32_t requested) {
  return requested == kTextVertical || requested == kTextSlanted ? requested : kTextHorizontal;
}

double EdgeOf(Side side, const Rect& plot, double offset) {
  switch (side) {
    case Side::kLeft: return plot.x - offset;
    case Side::kRight: return plot.Right() + offset;
    case Side::kTop: return plot.y - offset;
    case Side::kBottom: return plot.Bottom() + offset;
  }
  return plot.x;
}

// Outward direction of a side: -1 towards smaller coordinates.
double Outwards(Side side) { return side == Side::kLeft || side == Side::kTop ? -1 : 1; }

// Tick label next to the axis at `pos`, ending at the tick for rotated text.
Placement PlaceLabel(Side side, std::int32_t orientation, double edge, double pos) {
  const double g = kTickLength + kTickGap;
  Placement p;
  switch (side) {
    case Side::kLeft:
      p.anchor = {edge - g, pos};
      if (orientation == kTextHorizontal) p.h = HAlign::kRight;
      if (orientation == kTextVertical) p = {p.anchor, HAlign::kCentre, VAlign::kBottom, 90};
      if (orientation == kTextSlanted) p = {p.anchor, HAlign::kRight, VAlign::kMiddle, 45};
      break;
    case Side::kRight:
      p.anchor = {edge + g, pos};
      if (orientation == kTextVertical) p = {p.anchor, HAlign::kCentre, VAlign::kTop, 90};
      if (orientation == kTextSlanted) p = {p.anchor, HAlign::kLeft, VAlign::kMiddle, 45};
      break;
    case Side::kBottom:
      p.anchor = {pos, edge + g};
      p.h = HAlign::kCentre;
      p.v = VAlign::kTop;
      if (orientation == kTextVertical) p = {p.anchor, HAlign::kRight, VAlign::kMiddle, 90};
      if (orientation == kTextSlanted) p = {p.anchor, HAlign::kRight, VAlign::kMiddle, 45};
      break;
    case Side::kTop:
      p.anchor = {pos, edge - g};
      p.h = HAlign::kCentre;
      p.v = VAlign::kBottom;
      if (orientation == kTextVertical) p = {p.anchor, HAlign::kLeft, VAlign::kMiddle, 90};
      if (orientation == kTextSlanted) p = {p.anchor, HAlign::kLeft, VAlign::kMiddle, 45};
      break;
  }
  return p;
}

// How far a box reaches beyond `edge`, away from the plot area.
double Reach(Side side, const Rect& box, double edge) {
  switch (side) {
    case Side::kLeft: return edge - box.x;
    case Side::kRight: return box.Right() - edge;
    case Side::kTop: return edge - box.y;
    case Side::kBottom: return box.Bottom() - edge;
  }
  return 0;
}

// Length of text that fits `maxDepth` beside the axis at this orientation.
double LongestRun(Side side, std::int32_t orientation, double maxDepth, double length,
                  double thickness) {
  const double room = std::max(0.0, maxDepth - kTickLength - kTickGap);
  const bool acrossAxis = RunsVertically(side) == (orientation == kTextHorizontal);
  if (orientation == kTextSlanted) return room / kSlantSine - thickness;
  return acrossAxis ? room : length;
}

// The stretch along the axis that a label covers, to keep labels apart.
// Slanted labels are parallel bands: their spacing across the band counts.
void AlongAxis(Side side, std::int32_t orientation, const Rect& box, double pos, double thickness,
               double& from, double& to) {
  if (orientation == kTextSlanted) {
    from = pos - thickness * kSlantSine;
    to = pos + thickness * kSlantSine;
  } else if (RunsVertically(side)) {
    from = box.y;
    to = box.Bottom();
  } else {
    from = box.x;
    to = box.Right();
  }
}

// Along-axis room a label needs per category at this orientation.
double Footprint(Side side, std::int32_t orientation, double width, double thickness) {
  if (orientation == kTextSlanted) return 2 * thickness * kSlantSine + 2;
  const bool along = RunsVertically(side) == (orientation != kTextHorizontal);
  return along ? width + kLabelGap : thickness + 2;
}

// Asks the automatic range for room beyond the data's ends: a few pixels,
// so that no bar ends on the plot edge, and the room of the outside value
// labels there, written as the range's ticks are.
void AskHeadroom(DrawListBuilder& builder, const DataAxisInput& input, bool vertical, double length,
                 const Font& font, const std::string& units, ScaleRequest& request) {
  // A 100 % axis runs to its ends exactly: labels there go inside.
  if (input.percent) return;
  const NumberFormat numbers = ChooseScale(request).numbers;
  auto share = [&](const EndLabel& label) {
    double pixels = kBarHeadroom;
    if (label.present) {
      const TextExtent e = builder.Measure(font, FormatAgainst(label.value, numbers) + units);
      pixels = std::max(pixels, vertical ? e.ascent + e.descent + 4 : e.width + 5);
    }
    return pixels / length;
  };
  request.headroomHigh = share(input.highLabel);
  request.headroomLow = share(input.lowLabel);
}

// 1, 2 or 5 times a power of ten, at least `n`.
std::int64_t RoundCount(std::int64_t n) {
  if (n >= (std::int64_t(1) << 40)) return n;  // beyond any category count
  for (std::int64_t power = 1;; power *= 10) {
    for (const std::int64_t m : {1, 2, 5}) {
      if (m * power >= n) return m * power;
    }
  }
}

Argb AxisLineColour(Argb gridColour) { return Darker(gridColour, 0.45); }

double Crisp(double v) { return std::floor(v) + 0.5; }

void DrawTitle(DrawListBuilder& builder, const std::string& title, bool show, Side side,
               const Rect& plot, double outer, const Font& font, Argb colour) {
  if (title.empty()) return;
  if (!show) return builder.Omit(TextRole::kAxisTitle, title);
  const bool vertical = RunsVertically(side);
  const std::string shown = builder.Fit(font, title, vertical ? plot.h : plot.w);
  const TextRole role = TextRole::kAxisTitle;
  switch (side) {
    case Side::kLeft:
      builder.Text(role, shown, {outer, plot.CentreY()}, HAlign::kCentre, VAlign::kTop, 90, font,
                   colour, title);
      break;
    case Side::kRight:
      builder.Text(role, shown, {outer, plot.CentreY()}, HAlign::kCentre, VAlign::kBottom, 90, font,
                   colour, title);
      break;
    case Side::kTop:
      builder.Text(role, shown, {plot.CentreX(), outer}, HAlign::kCentre, VAlign::kTop, 0, font,
                   colour, title);
      break;
    case Side::kBottom:
      builder.Text(role, shown, {plot.CentreX(), outer}, HAlign::kCentre, VAlign::kBottom, 0, font,
                   colour, title);
      break;
  }
}

void DrawTick(DrawListBuilder& builder, Side side, double edge, double pos, const Stroke& stroke) {
  const double out = Outwards(side) * kTickLength;
  if (RunsVertically(side)) {
    builder.Line({edge, Crisp(pos)}, {edge + out, Crisp(pos)}, stroke);
  } else {
    builder.Line({Crisp(pos), edge}, {Crisp(pos), edge + out}, stroke);
  }
}

void DrawAxisLine(DrawListBuilder& builder, Side side, const Rect& plot, double edge,
                  const Stroke& stroke) {
  const double e = Crisp(edge);
  if (RunsVertically(side)) {
    builder.Line({e, plot.y}, {e, plot.Bottom()}, stroke);
  } else {
    builder.Line({plot.x, e}, {plot.Right(), e}, stroke);
  }
}

}  // namespace

double TitleDepth(DrawListBuilder& builder, const std::string& title, const Font& titleFont) {
  const std::size_t lines = TextLines(title).size();
  return lines == 0 ? 0 : kTitleGap + builder.LineHeight(titleFont) * double(lines);
}

void Overhang::Include(Side side, const Rect& box, const Rect& plot) {
  if (RunsVertically(side)) {
    start = std::max(start, plot.y - box.y);
    end = std::max(end, box.Bottom() - plot.Bottom());
  } else {
    start = std::max(start, plot.x - box.x);
    end = std::max(end, box.Right() - plot.Right());
  }
}

DataAxisPlan PlanDataAxis(DrawListBuilder& builder, const DataAxis* model, Side side,
                          const DataAxisInput& input, const Rect& plot, double maxDepth) {
  DataAxisPlan plan;
  plan.model = model;
  plan.side = side;
  const bool vertical = RunsVertically(side);
  const double length = std::max(vertical ? plot.h : plot.w, 1.0);

  ScaleRequest request;
  request.dataLow = input.dataLow;
  request.dataHigh = input.dataHigh;
  request.tickCount = input.forcedIntervals;
  request.maxIntervals = int(ToCount(length / kIntervalSpacing, 1, 12));
  // Shares of a whole: an automatic axis runs from 0 to 100 % exactly.
  const bool wholePercent = input.percent && !(input.dataLow < 0);
  if (wholePercent) request.axisMax = 100;
  if (model == nullptr) {
    AskHeadroom(builder, input, vertical, length, builder.MakeFont(9, false), {}, request);
    plan.scale = ChooseScale(request);
    return plan;
  }

  plan.font = builder.MakeFont(FontPoints(model->fontSize, 9), false);
  plan.titleFont = builder.MakeFont(FontPoints(model->fontSize, 9), true);
  plan.textColour = model->textColour;
  plan.decimalDigits = std::clamp(model->decimalDigits, 0, 10);
  const double thickness = builder.LineHeight(plan.font);
  const std::int32_t orientation = Orientation(model->labelAlignment);
  const std::vector<std::string_view> custom = SplitList(model->labels);
  const std::string units = model->units.empty() && input.percent ? "%" : model->units;
  const double longest = LongestRun(side, orientation, maxDepth, length, thickness);

  if (!wholePercent || model->minValue != 0 || model->maxValue != 0) {
    request.axisMin = model->minValue;
    request.axisMax = model->maxValue;
  }
  request.decimalDigits = plan.decimalDigits;
  if (model->tickCount > 0) {
    request.tickCount = model->tickCount;
  } else if (custom.size() >= 2) {
    request.tickCount = int(std::min<std::size_t>(custom.size() - 1, 1000));
  }
  if (vertical) {
    request.maxIntervals =
        int(ToCount(length / std::max(kIntervalSpacing, 2.5 * thickness), 1, 12));
  } else {
    request.maxIntervals = int(ToCount(length / 90, 1, 12));
  }
  AskHeadroom(builder, input, vertical, length, plan.font, model->units, request);

  // Fewer intervals until the labels of a horizontal axis fit side by side.
  std::vector<std::string> texts, fulls;
  for (int attempt = 0; attempt < 12; ++attempt) {
    plan.scale = ChooseScale(request);
    texts.clear();
    fulls.clear();
    double widest = 0;
    for (std::size_t i = 0; i < plan.scale.ticks.size(); ++i) {
      std::string full;
      if (!custom.empty()) {
        if (i < custom.size()) full = custom[i];
      } else {
        full = FormatTick(plan.scale.ticks[i], plan.scale.numbers) + units;
      }
      // A number is never cut short: one that does not fit is left out.
      std::string text = !custom.empty() ? builder.Fit(plan.font, full, longest)
                         : builder.Measure(plan.font, full).width <= longest ? full
                                                                             : std::string();
      widest = std::max(widest, builder.Measure(plan.font, text).width);
      texts.push_back(std::move(text));
      fulls.push_back(std::move(full));
    }
    if (vertical || request.tickCount > 0 || request.maxIntervals <= 1) break;
    const double intervals = std::max<double>(1, double(plan.scale.ticks.size()) - 1);
    const double need = Footprint(side, orientation, widest, thickness);
    if (length / intervals >= need) break;
    request.maxIntervals =
        int(ToCount(std::min(request.maxIntervals - 1.0, std::floor(length / need)), 1, 12));
  }

  // From the lowest tick up, keep the labels that do not run into the one
  // kept before.
  const double edge = EdgeOf(side, plot, 0);
  double reach = 0, lastFrom = 0, lastTo = 0;
  bool any = false;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty()) {
      if (!fulls[i].empty()) plan.left.push_back(std::move(fulls[i]));
      continue;
    }
    const double pos = ValuePosition(plan.scale, plot, vertical, plan.scale.ticks[i]);
    const Placement p = PlaceLabel(side, orientation, edge, pos);
    const Rect box = TextBounds(builder.Measure(plan.font, texts[i]), p.anchor, p.h, p.v, p.angle);
    double from = 0, to = 0;
    AlongAxis(side, orientation, box, pos, thickness, from, to);
    if (any && from < lastTo + 2 && to > lastFrom - 2) {
      plan.left.push_back(std::move(fulls[i]));
      continue;
    }
    any = true;
    lastFrom = from;
    lastTo = to;
    reach = std::max(reach, Reach(side, box, edge));
    plan.overhang.Include(side, box, plot);
    const bool shortened = texts[i] != fulls[i];
    plan.labels.push_back({std::move(texts[i]), pos, shortened ? std::move(fulls[i]) : ""});
  }
  plan.depth = std::max(reach, kTickLength);
  plan.depth += TitleDepth(builder, model->title, plan.titleFont);
  return plan;
}

void DrawValueBands(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot,
                    Argb colour) {
  std::vector<double> bounds{plan.scale.min};
  for (const double t : plan.scale.ticks) {
    if (t > bounds.back()) bounds.push_back(t);
  }
  if (plan.scale.max > bounds.back()) bounds.push_back(plan.scale.max);
  const bool vertical = RunsVertically(plan.side);
  Fill fill;
  fill.colour = colour;
  for (std::size_t i = 1; i + 1 < bounds.size(); i += 2) {
    const double a = ValuePosition(plan.scale, plot, vertical, bounds[i]);
    const double b = ValuePosition(plan.scale, plot, vertical, bounds[i + 1]);
    if (vertical) {
      builder.FillRect({plot.x, b, plot.w, a - b}, fill);
    } else {
      builder.FillRect({a, plot.y, b - a, plot.h}, fill);
    }
  }
}

void DrawValueGridLines(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot) {
  Stroke stroke;
  if (plan.model == nullptr || !DashFor(plan.model->lineStyle, stroke.dash)) return;
  stroke.colour = plan.model->lineColour;
  const bool vertical = RunsVertically(plan.side);
  for (const double t : plan.scale.ticks) {
    const double pos = Crisp(ValuePosition(plan.scale, plot, vertical, t));
    if (vertical) {
      builder.Line({plot.x, pos}, {plot.Right(), pos}, stroke);
    } else {
      builder.Line({pos, plot.y}, {pos, plot.Bottom()}, stroke);
    }
  }
}

void DrawDataAxis(DrawListBuilder& builder, const DataAxisPlan& plan, const Rect& plot) {
  if (plan.model == nullptr) return;
  const bool vertical = RunsVertically(plan.side);
  const double edge = EdgeOf(plan.side, plot, plan.offset);
  Stroke line;
  line.colour = AxisLineColour(plan.model->lineColour);
  DrawAxisLine(builder, plan.side, plot, edge, line);
  for (const double t : plan.scale.ticks) {
    DrawTick(builder, plan.side, edge, ValuePosition(plan.scale, plot, vertical, t), line);
  }
  const std::int32_t orientation = Orientation(plan.model->labelAlignment);
  // A number stands at its tick or not at all: one that would leave the
  // image is not moved in but left out. And one number alone tells no
  // scale: an axis shows two or more, or none.
  const bool numbers = SplitList(plan.model->labels).empty();
  const Rect image = builder.Image().Inset(-0.5);
  std::vector<std::pair<const AxisLabel*, Placement>> shown;
  for (const AxisLabel& label : plan.labels) {
    const Placement p = PlaceLabel(plan.side, orientation, edge, label.pos);
    const Rect box =
        TextBounds(builder.Measure(plan.font, label.text), p.anchor, p.h, p.v, p.angle);
    if (numbers && (box.x < image.x || box.y < image.y || box.Right() > image.Right() ||
                    box.Bottom() > image.Bottom())) {
      builder.Omit(TextRole::kTick, label.full.empty() ? label.text : label.full);
    } else {
      shown.emplace_back(&label, p);
    }
  }
  if (numbers && shown.size() == 1) {
    builder.Omit(TextRole::kTick, shown.front().first->text);
    shown.clear();
  }
  for (const auto& [label, p] : shown) {
    builder.Text(TextRole::kTick, label->text, p.anchor, p.h, p.v, p.angle, plan.font,
                 plan.textColour, label->full);
  }
  for (const std::string& text : plan.left) builder.Omit(TextRole::kTick, text);
  const double outer = edge + Outwards(plan.side) * plan.depth;
  DrawTitle(builder, plan.model->title, plan.showTitle, plan.side, plot, outer, plan.titleFont,
            plan.textColour);
}

LabelAxisPlan PlanLabelAxis(DrawListBuilder& builder, const LabelAxis& model, Side side,
                            std::int64_t categories, const Rect& plot, double maxDepth) {
  LabelAxisPlan plan;
  plan.model = &model;
  plan.side = side;
  plan.categories = std::max<std::int64_t>(categories, 1);
  plan.font = builder.MakeFont(FontPoints(model.fontSize, 9), false);
  plan.titleFont = builder.MakeFont(FontPoints(model.fontSize, 9), true);
  const bool vertical = RunsVertically(side);
  const double length = std::max(vertical ? plot.h : plot.w, 1.0);
  const double slot = length / double(plan.categories);
  const double thickness = builder.LineHeight(plan.font);
  const std::int64_t firstStep = std::max<std::int64_t>(model.tickCount, 1);

  const std::vector<std::string_view> entries = SplitList(model.labels);
  const std::size_t count =
      std::size_t(std::min<std::int64_t>(std::int64_t(entries.size()), plan.categories));
  // A label of several lines is as thick as their block; a slanted one is
  // written on one line, as lines hanging from a tick on a slant would run
  // into the plot area.
  auto fitted = [&](std::int32_t orientation, double& widest, double& thickest) {
    const std::size_t maxLines = orientation == kTextSlanted ? 1 : kMaxTextLines;
    const double longest = LongestRun(side, orientation, maxDepth, length, thickness);
    std::vector<std::string> texts;
    widest = 0;
    thickest = thickness;
    for (std::size_t i = 0; i < count; ++i) {
      texts.push_back(builder.Fit(plan.font, JoinLines(TextLines(entries[i], maxLines)), longest));
      const TextExtent e = builder.Measure(plan.font, texts.back());
      widest = std::max(widest, e.width);
      thickest = std::max(thickest, e.ascent + e.descent);
    }
    return texts;
  };
  auto fits = [&](std::int32_t orientation, double widest, double thickest) {
    return slot * double(firstStep) >= Footprint(side, orientation, widest, thickest);
  };

  plan.orientation = Orientation(model.textAlignment);
  double widest = 0, thickest = thickness;
  plan.labels = fitted(plan.orientation, widest, thickest);
  if (plan.orientation == kTextHorizontal && !vertical &&
      !fits(kTextHorizontal, widest, thickest)) {
    // Slant the labels when that shows every one of them; otherwise thin
    // them out and keep them level, which reads better.
    double slantedWidest = 0, slantedThickest = 0;
    std::vector<std::string> slanted = fitted(kTextSlanted, slantedWidest, slantedThickest);
    if (fits(kTextSlanted, slantedWidest, slantedThickest)) {
      plan.orientation = kTextSlanted;
      plan.labels = std::move(slanted);
      widest = slantedWidest;
      thickest = slantedThickest;
    }
  }
  // Thinned labels (and their ticks) stand every 1, 2 or 5 times a power of
  // ten categories, far enough apart to read.
  const double need = Footprint(side, plan.orientation, widest, thickest);
  const double room = slot * double(firstStep);
  std::int64_t every = ToCount(std::ceil(need / room), 1, plan.categories);
  plan.thinned = every > 1;
  if (plan.thinned) {
    every = std::max(every, ToCount(std::ceil(kThinnedTickSpacing / room), 1, plan.categories));
    every = std::min(RoundCount(every), plan.categories);
  }
  plan.step = firstStep * every;

  const double edge = EdgeOf(side, plot, 0);
  double reach = 0;
  const auto labelCount = std::int64_t(plan.labels.size());
  for (std::int64_t i = 0; i < labelCount; i += plan.step) {
    const double pos = (vertical ? plot.y : plot.x) + (double(i) + 0.5) * slot;
    const Placement p = PlaceLabel(side, plan.orientation, edge, pos);
    const Rect box = TextBounds(builder.Measure(plan.font, plan.labels[std::size_t(i)]), p.anchor,
                                p.h, p.v, p.angle);
    reach = std::max(reach, Reach(side, box, edge));
    plan.overhang.Include(side, box, plot);
  }
  plan.depth = std::max(reach, kTickLength);
  plan.depth += TitleDepth(builder, model.title, plan.titleFont);
  return plan;
}

namespace {

// Category boundaries drawn at most every few pixels, or beside the
// thinned labels.
std::int64_t BoundaryStep(const LabelAxisPlan& plan, double length) {
  if (plan.thinned) return plan.step;
  const double slot = length / double(plan.categories);
  return ToCount(std::ceil(4.0 / std::max(slot, 1e-9)), 1, plan.categories);
}

}  // namespace

void DrawCategoryLines(DrawListBuilder& builder, const LabelAxisPlan& plan, const Rect& plot) {
  Stroke stroke;
  if (!DashFor(plan.model->lineStyle, stroke.dash)) return;
  stroke.colour = plan.model->lineColour;
  const bool vertical = RunsVertically(plan.side);
  const double length = vertical ? plot.h : plot.w;
  const std::int64_t every = BoundaryStep(plan, length);
  for (std::int64_t i = every; i < plan.categories; i += every) {
    const double pos =
        Crisp((vertical ? plot.y : plot.x) + length * double(i) / double(plan.categories));
    if (vertical) {
      builder.Line({plot.x, pos}, {plot.Right(), pos}, stroke);
    } else {
      builder.Line({pos, plot.y}, {pos, plot.Bottom()}, stroke);
    }
  }
}

void DrawLabelAxis(DrawListBuilder& builder, const LabelAxisPlan& plan, const Rect& plot) {
  const LabelAxis& model = *plan.model;
  const bool vertical = RunsVertically(plan.side);
  const double length = vertical ? plot.h : plot.w;
  const double start = vertical ? plot.y : plot.x;
  const double edge = EdgeOf(plan.side, plot, 0);
  Stroke line;
  line.colour = AxisLineColour(model.lineColour);
  DrawAxisLine(builder, plan.side, plot, edge, line);
  const double slot = length / double(plan.categories);
  if (plan.thinned) {
    // Thinned: one tick at each category that may carry a label.
    for (std::int64_t i = 0; i < plan.categories; i += plan.step) {
      DrawTick(builder, plan.side, edge, start + (double(i) + 0.5) * slot, line);
    }
  } else {
    const std::int64_t every = BoundaryStep(plan, length);
    for (std::int64_t i = 0; i <= plan.categories; i += every) {
      DrawTick(builder, plan.side, edge, start + length * double(i) / double(plan.categories),
               line);
    }
  }
  const auto labelCount = std::int64_t(plan.labels.size());
  const std::vector<std::string_view> entries = SplitList(model.labels);
  for (std::int64_t i = 0; i < labelCount; ++i) {
    const std::string_view full =
        std::size_t(i) < entries.size() ? entries[std::size_t(i)] : std::string_view{};
    if (i % plan.step != 0) {
      builder.Omit(TextRole::kCategory, full);  // thinned out
      continue;
    }
    const Placement p =
        PlaceLabel(plan.side, plan.orientation, edge, start + (double(i) + 0.5) * slot);
    builder.Text(TextRole::kCategory, plan.labels[std::size_t(i)], p.anchor, p.h, p.v, p.angle,
                 plan.font, model.textColour, full);
  }
  const double outer = edge + Outwards(plan.side) * plan.depth;
  DrawTitle(builder, model.title, plan.showTitle, plan.side, plot, outer, plan.titleFont,
            model.textColour);
}

}  // namespace vantiro::engine::layout
