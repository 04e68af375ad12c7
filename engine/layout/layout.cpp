// The layout step: chart background, then each region: frame, caption,
// footer, legend, plot area with axes, bars and gridless series.
#include "engine/layout/layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "engine/layout/axes.h"
#include "engine/layout/bars.h"
#include "engine/layout/contrast.h"
#include "engine/layout/gridless.h"
#include "engine/layout/legend.h"
#include "engine/layout/draw_list_builder.h"
#include "engine/layout/value_scale.h"
#include "text/code_page.h"

namespace vantiro::engine {

namespace {

using layout::Rect;
using layout::Side;

constexpr Argb kRegionFrame = 0xFF808080;
constexpr Argb kFooterColour = 0xFF404040;
constexpr Argb kWhite = 0xFFFFFFFF;
constexpr double kFooterPoints = 8;
constexpr double kCaptionPoints = 12;
constexpr double kMinCaptionPoints = 6;

// Smallest plot area worth drawing, and the smallest that still has room
// for value labels at its bars.
constexpr double kMinPlotWidth = 48, kMinPlotHeight = 32;
constexpr double kLabelPlotWidth = 100, kLabelPlotHeight = 60;

// What a small chart leaves out, in this order, rather than drawing
// fragments: while the plot area would be smaller than kLabelPlot*, the
// value labels; then, while it would still be smaller than kMinPlot*, the
// footer, then the legend, then the axis titles. Each part left out is
// reported as omitted. The caption is never left out but shrinks instead.
enum Drop : int { kDropNothing, kDropValueLabels, kDropFooter, kDropLegend, kDropAxisTitles };

// From the chart's own pixels to the target's: the chart is laid out anew
// at the target size, with regions keeping their share of it.
struct ChartScale {
  double chartWidth = 1, chartHeight = 1;
  double sx = 1, sy = 1;
};

ChartScale ScaleFor(const ChartSettings& s, int width, int height) {
  ChartScale scale;
  scale.chartWidth = s.width > 0 && s.width <= kMaxSide ? s.width : width;
  scale.chartHeight = s.height > 0 && s.height <= kMaxSide ? s.height : height;
  scale.sx = width / scale.chartWidth;
  scale.sy = height / scale.chartHeight;
  return scale;
}

// One side of a region: a position, and a size where 0 or less reaches to
// the far edge less that many pixels.
void RegionSpan(std::int32_t at, std::int32_t size, double extent, double& from, double& length) {
  from = std::clamp(double(at), 0.0, extent);
  const double wanted = size > 0 ? double(size) : extent - from + double(size);
  length = std::clamp(wanted, 0.0, extent - from);
}

Rect RegionRect(const Region& region, const ChartScale& scale) {
  double x = 0, y = 0, w = 0, h = 0;
  RegionSpan(region.x, region.width, scale.chartWidth, x, w);
  RegionSpan(region.y, region.height, scale.chartHeight, y, h);
  return {x * scale.sx, y * scale.sy, w * scale.sx, h * scale.sy};
}

Fill FlatOrGradient(Argb colour, bool gradient) {
  Fill fill;
  fill.colour = colour;
  if (gradient) {
    fill.colour = kWhite;
    fill.colour2 = colour;
    fill.gradient = Gradient::kVertical;
  }
  return fill;
}

void DrawBackground(layout::DrawListBuilder& builder, const ChartSettings& s) {
  const Rect image = builder.Image();
  builder.FillRect(image, FlatOrGradient(s.background, (s.style & kChartGradient) != 0));
  if (!s.backgroundImage.empty()) {
    Fill under;
    under.colour = s.backgroundImageColour;
    if ((under.colour >> 24) != 0) builder.FillRect(image, under);
    builder.Add(ImageShape{s.backgroundImage, 0, 0, image.w, image.h});
  }
}

// Drawn over the regions, so that none of them hides it.
void DrawChartFrame(layout::DrawListBuilder& builder, const ChartSettings& s) {
  if ((s.style & kChartBorder) == 0) return;
  Stroke frame;
  frame.colour = layout::Darker(s.background | 0xFF000000u, 0.4);
  builder.FrameRect(builder.Image().Inset(0.5), frame);
}

Side DataAxisSide(const DataAxis& axis, std::size_t index, bool horizontal) {
  const bool named = axis.alignment >= kAxisLeft && axis.alignment <= kAxisBottom;
  const bool secondary =
      named ? axis.alignment == kAxisRight || axis.alignment == kAxisTop : index == 1;
  if (horizontal) return secondary ? Side::kTop : Side::kBottom;
  return secondary ? Side::kRight : Side::kLeft;
}

Side LabelAxisSide(const LabelAxis& axis, bool horizontal) {
  const bool secondary = axis.alignment == kAxisRight || axis.alignment == kAxisTop;
  if (horizontal) return secondary ? Side::kRight : Side::kLeft;
  return secondary ? Side::kTop : Side::kBottom;
}

// Everything decided about the plot area of a region before drawing.
struct PlotPlan {
  Rect plot;
  std::array<layout::DataAxisPlan, 2> data;
  int dataCount = 0;  // data axes drawn (0 to 2)
  bool hasLabels = false;
  layout::LabelAxisPlan labels;
};

class RegionLayout {
 public:
  RegionLayout(layout::DrawListBuilder& builder, const Region& region, std::int32_t index,
               const ChartScale& scale)
      : p_(builder), r_(region), index_(index), scale_(scale) {}

  void Run() {
    const layout::DrawListBuilder::Mark start = p_.Here();
    LayOut();
    // A legend meant to go over the plot area finds no corner free of data:
    // it goes beside the plot area instead.
    if (legendBlocked_) {
      p_.Rollback(start);
      legendBeside_ = true;
      legendBlocked_ = false;
      LayOut();
    }
  }

 private:
  void LayOut() {
    area_ = RegionRect(r_, scale_).ClippedTo(p_.Image());
    if (area_.Empty()) return;
    p_.PushClip(area_);
    if (r_.showBorder != 0) {
      Stroke frame;
      frame.colour = kRegionFrame;
      p_.FrameRect(area_.Inset(0.5), frame);
    }
    content_ = area_.Inset(r_.showBorder != 0 ? 1 : 0);
    padding_ = std::clamp(std::min(area_.w, area_.h) * 0.02, 2.0, 8.0);
    PlanCaption();

    horizontal_ = !r_.bars.empty() && r_.bars.front().horizontal != 0;
    // A region of only pies and pyramids has no axes.
    withAxes_ = !r_.bars.empty() || r_.gridless.empty();
    units_ = layout::GroupBars(r_);
    categories_ = layout::CategoryCount(r_);
    for (int axis = 0; axis < 2; ++axis) {
      extents_[std::size_t(axis)] = layout::BarExtent(r_, units_, axis, categories_);
    }
    const Rect belowCaption = content_;
    for (drop_ = kDropNothing;; drop_ = Drop(drop_ + 1)) {
      content_ = belowCaption;
      footer_ = Rect{};
      legend_ = layout::LegendPlan{};
      inside_ = beside_ = atTop_ = legendLeft_ = false;
      if (drop_ < kDropFooter) ReserveFooter();
      content_ = content_.Inset(padding_);
      if (drop_ < kDropLegend) ReserveLegend();
      PlanPlot();
      if (drop_ == kDropAxisTitles || RoomyEnough()) break;
    }
    DrawCaption();
    DrawFooter();
    if (drop_ >= kDropLegend && r_.legend.present) layout::OmitLegend(p_, r_.legend);
    DrawPlot();
    p_.PopClip();
  }

  bool FixedGrid() const { return r_.grid.present && r_.grid.width > 0 && r_.grid.height > 0; }

  // Whether the plot area is large enough for what is left in at drop_.
  bool RoomyEnough() const {
    const Rect& plot = plot_.plot;
    if (drop_ == kDropNothing) return plot.w >= kLabelPlotWidth && plot.h >= kLabelPlotHeight;
    // Leaving out more does not enlarge a plot area the author placed.
    return FixedGrid() || (plot.w >= kMinPlotWidth && plot.h >= kMinPlotHeight);
  }

  // The caption's font, shrunk for small regions, and its lines: its own
  // lines (TextLines), each wrapped at blanks, in at most two lines (more
  // when it has more of its own) while the band keeps to a quarter of the
  // height; beyond them the text ends with "...".
  void PlanCaption() {
    const Caption& c = r_.caption;
    if (!c.present || c.text.empty() || content_.Empty()) return;
    // At most a fifth of the height for one line.
    const double most = content_.h * 0.2;
    double points = layout::FontPoints(c.fontSize, kCaptionPoints);
    caption_.font = p_.MakeFont(points, c.bold != 0);
    double line = p_.LineHeight(caption_.font);
    if (line * 1.6 > most && line > 0) {
      points = std::max(kMinCaptionPoints, points * most / (line * 1.6));
      caption_.font = p_.MakeFont(points, c.bold != 0);
      line = p_.LineHeight(caption_.font);
    }
    std::vector<std::string> own = layout::TextLines(c.text);
    std::size_t lines = 1;
    while (lines < std::max<std::size_t>(own.size(), 2) &&
           std::round(line * (1.6 + double(lines))) <= content_.h * 0.25) {
      ++lines;
    }
    own = layout::TextLines(c.text, lines);
    for (std::size_t i = 0; i < own.size(); ++i) {
      // Each later line of its own keeps a line for itself.
      const std::size_t room = lines - caption_.lines.size() - (own.size() - 1 - i);
      for (std::string& wrapped : WrapCaption(own[i], content_.w - 2 * padding_, room))
        caption_.lines.push_back(std::move(wrapped));
    }
    if (caption_.lines.empty()) return;
    caption_.line = line;
    const double band =
        std::min(std::round(line * (0.6 + double(caption_.lines.size()))), content_.h);
    caption_.band = {content_.x, content_.y, content_.w, band};
    content_.y += band;
    content_.h -= band;
  }

  // `text` in at most `maxLines` lines of `width`, broken at blanks (inside
  // a word only when the word alone is too wide); the last line ends with
  // "..." when the text does not fit.
  std::vector<std::string> WrapCaption(std::string_view text, double width, std::size_t maxLines) {
    const Font& font = caption_.font;
    std::vector<std::string> lines;
    while (!text.empty()) {
      if (lines.size() + 1 >= maxLines || p_.Measure(font, text).width <= width) {
        lines.push_back(p_.Fit(font, text, width));
        break;
      }
      std::size_t cut = 0;
      for (std::size_t i = text.find(' '); i != std::string_view::npos; i = text.find(' ', i + 1)) {
        if (i > 0 && p_.Measure(font, text.substr(0, i)).width > width) break;
        cut = i;
      }
      std::string_view head = text.substr(0, cut);
      while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
      if (head.empty()) {
        // The first word alone is too wide: as much of it as fits.
        std::size_t lo = 1, hi = text.size();
        while (lo < hi) {
          const std::size_t mid = (lo + hi + 1) / 2;
          if (p_.Measure(font, text.substr(0, mid)).width <= width) {
            lo = mid;
          } else {
            hi = mid - 1;
          }
        }
        // At least one whole character, never part of one.
        const int codePage = text::kUtf8CodePage;  // texts are UTF-8
        cut = std::max(text::CharacterBoundary(text, lo, codePage),
                       text::CharacterLength(text, 0, codePage));
        head = text.substr(0, cut);
      }
      lines.emplace_back(head);
      text.remove_prefix(cut);
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    }
    return lines;
  }

  void DrawCaption() {
    const Caption& c = r_.caption;
    if (caption_.lines.empty()) return;
    const Rect& band = caption_.band;
    Fill fill;
    fill.colour = c.background;
    p_.FillRect(band, fill);
    const double n = double(caption_.lines.size());
    const double top = band.CentreY() - n * caption_.line / 2;
    for (std::size_t i = 0; i < caption_.lines.size(); ++i) {
      p_.Text(TextRole::kCaption, caption_.lines[i],
              {band.CentreX(), n == 1 ? band.CentreY() : top + (double(i) + 0.5) * caption_.line},
              HAlign::kCentre, VAlign::kMiddle, 0, caption_.font, c.textColour, c.text);
    }
  }

  void ReserveFooter() {
    if (r_.footer.empty() || content_.Empty()) return;
    footerFont_ = p_.MakeFont(kFooterPoints, false);
    const double lines = double(std::max<std::size_t>(layout::TextLines(r_.footer).size(), 1));
    const double band = std::min(p_.LineHeight(footerFont_) * lines + padding_, content_.h);
    content_.h -= band;
    footer_ = {content_.x, content_.Bottom(), content_.w, band};
  }

  void DrawFooter() {
    if (r_.footer.empty()) return;
    if (footer_.Empty()) return p_.Omit(TextRole::kFooter, r_.footer);
    p_.Text(TextRole::kFooter, p_.Fit(footerFont_, r_.footer, footer_.w - 2 * padding_),
            {footer_.CentreX(), footer_.Bottom() - padding_ / 2}, HAlign::kCentre, VAlign::kBottom,
            0, footerFont_, kFooterColour, r_.footer);
  }

  void ReserveLegend() {
    const Legend& l = r_.legend;
    if (!l.present) return;
    legendRoom_ = content_;  // with no room at all, every entry is reported
    legend_ = layout::PlanLegend(p_, l, layout::LegendColours(r_), content_);
    if (legend_.entries.empty()) return;
    Rect& box = legend_.box;
    const double gap = padding_ + 4;
    const bool inCorner =
        l.alignment == kLegendInsideTopLeft || l.alignment == kLegendInsideTopRight;
    // Pies and pyramids fill their plot area, labels and all: a legend meant
    // to go over it keeps to its top corner beside it instead.
    atTop_ = inCorner && (!withAxes_ || legendBeside_);
    legendLeft_ = l.alignment == kLegendLeft || (atTop_ && l.alignment == kLegendInsideTopLeft);
    switch (atTop_ ? (legendLeft_ ? kLegendLeft : kLegendRight) : l.alignment) {
      case kLegendLeft:
        box.x = content_.x;
        content_.x += box.w + gap;
        content_.w -= box.w + gap;
        break;
      case kLegendTop:
        box.x = content_.CentreX() - box.w / 2;
        box.y = content_.y;
        content_.y += box.h + gap;
        content_.h -= box.h + gap;
        break;
      case kLegendBottom:
        box.x = content_.CentreX() - box.w / 2;
        box.y = content_.Bottom() - box.h;
        content_.h -= box.h + gap;
        break;
      case kLegendInsideTopLeft:
      case kLegendInsideTopRight:
        inside_ = true;  // placed once the plot area is known
        break;
      default:  // right
        box.x = content_.Right() - box.w;
        content_.w -= box.w + gap;
        break;
    }
    beside_ = !inside_ && !layout::LegendInRows(l);
    content_.w = std::max(content_.w, 0.0);
    content_.h = std::max(content_.h, 0.0);
  }

  // Plans every axis for a plot area; returns the room they take per side,
  // including labels standing out past the ends of the axes beside it.
  std::array<double, 4> PlanAxes(PlotPlan& plan) {
    std::array<double, 4> depth{};
    const Rect& plot = plan.plot;
    const double acrossMax = content_.w * 0.3, alongMax = content_.h * 0.35;
    auto maxDepth = [&](Side side) { return layout::RunsVertically(side) ? acrossMax : alongMax; };

    const std::size_t axes = withAxes_ ? std::min<std::size_t>(r_.dataAxes.size(), 2) : 0;
    plan.dataCount = int(axes);
    if (axes == 0) {
      // Bars without a data axis still need a scale.
      plan.data[0] = layout::PlanDataAxis(p_, nullptr, horizontal_ ? Side::kBottom : Side::kLeft,
                                          extents_[0], plot, 0);
      plan.data[1] = plan.data[0];
    }
    for (std::size_t i = 0; i < axes; ++i) {
      const DataAxis& axis = r_.dataAxes[i];
      layout::DataAxisInput input = extents_[i];
      const bool automatic = axis.minValue == 0 && axis.maxValue == 0 && axis.tickCount <= 0;
      if (i == 1 && automatic) input.forcedIntervals = plan.data[0].scale.spanIntervals;
      const Side side = DataAxisSide(axis, i, horizontal_);
      layout::DataAxisPlan& d = plan.data[i];
      d = layout::PlanDataAxis(p_, &axis, side, input, plot, maxDepth(side));
      if (drop_ >= kDropAxisTitles) HideTitle(d.showTitle, d.depth, axis.title, d.titleFont);
    }
    if (axes == 1) plan.data[1] = plan.data[0];

    std::array<double, 4> overhang{};
    auto stickOut = [&](Side side, const layout::Overhang& o) {
      const bool vertical = layout::RunsVertically(side);
      double& before = overhang[std::size_t(vertical ? Side::kTop : Side::kLeft)];
      double& after = overhang[std::size_t(vertical ? Side::kBottom : Side::kRight)];
      before = std::max(before, o.start);
      after = std::max(after, o.end);
    };
    for (int i = 0; i < plan.dataCount; ++i) {
      layout::DataAxisPlan& d = plan.data[std::size_t(i)];
      double& room = depth[std::size_t(d.side)];
      if (room > 0) room += 4;
      d.offset = room;
      room += d.depth;
      stickOut(d.side, d.overhang);
    }

    plan.hasLabels = withAxes_ && r_.hasLabelAxis;
    if (plan.hasLabels) {
      const Side side = LabelAxisSide(r_.labelAxis, horizontal_);
      plan.labels =
          layout::PlanLabelAxis(p_, r_.labelAxis, side, categories_, plot, maxDepth(side));
      layout::LabelAxisPlan& l = plan.labels;
      if (drop_ >= kDropAxisTitles)
        HideTitle(l.showTitle, l.depth, r_.labelAxis.title, l.titleFont);
      depth[std::size_t(side)] += plan.labels.depth;
      stickOut(side, plan.labels.overhang);
    }
    for (std::size_t i = 0; i < 4; ++i) depth[i] = std::max(depth[i], overhang[i]);
    return depth;
  }

  void HideTitle(bool& show, double& depth, const std::string& title, const Font& font) {
    show = false;
    depth -= layout::TitleDepth(p_, title, font);
  }

  void PlanPlot() {
    const Grid& g = r_.grid;
    if (FixedGrid()) {
      plot_.plot = Rect{area_.x + g.x * scale_.sx, area_.y + g.y * scale_.sy, g.width * scale_.sx,
                        g.height * scale_.sy}
                       .ClippedTo(area_);
      PlanAxes(plot_);
      return;
    }
    plot_.plot = content_;
    if (!withAxes_) return;
    // The axes' room depends on the plot area and the other way round. From
    // the second round on the room only grows, so that the plan settles
    // instead of flipping between two layouts (slanted labels can).
    std::array<double, 4> most{};
    for (int round = 0; round < 6; ++round) {
      std::array<double, 4> d = PlanAxes(plot_);
      for (std::size_t i = 0; round > 0 && i < d.size(); ++i) d[i] = std::max(d[i], most[i]);
      most = d;
      // A plot with nothing on its right still keeps a margin there, so the
      // last column does not run into the region's edge.
      const double left = d[std::size_t(Side::kLeft)];
      const bool legendOnRight = beside_ && !legendLeft_;
      const double right =
          std::max(d[std::size_t(Side::kRight)], legendOnRight ? 0.0 : padding_ * 1.5);
      const double top = d[std::size_t(Side::kTop)], bottom = d[std::size_t(Side::kBottom)];
      Rect next{content_.x + left, content_.y + top, content_.w - left - right,
                content_.h - top - bottom};
      next = next.ClippedTo(content_);
      const bool settled =
          std::abs(next.x - plot_.plot.x) < 0.5 && std::abs(next.w - plot_.plot.w) < 0.5 &&
          std::abs(next.y - plot_.plot.y) < 0.5 && std::abs(next.h - plot_.plot.h) < 0.5;
      plot_.plot = next;
      if (settled) break;
    }
    PlanAxes(plot_);
  }

  void DrawPlot() {
    const Rect& plot = plot_.plot;
    const Grid& g = r_.grid;
    if (g.present) p_.FillRect(plot, FlatOrGradient(g.background, g.asGradient != 0));
    if (withAxes_ && !plot.Empty()) {
      if (g.present && g.biColour != 0) {
        const Argb band = g.biColour == 1 ? layout::Darker(g.background, 0.06)
                                          : layout::WindowsColourToArgb(g.biColour);
        layout::DrawValueBands(p_, plot_.data[0], plot, band);
      }
      // Grid lines follow the first data axis only: a second axis with a
      // range of its own would make the grid irregular.
      if (plot_.dataCount > 0) layout::DrawValueGridLines(p_, plot_.data[0], plot);
      if (plot_.hasLabels) layout::DrawCategoryLines(p_, plot_.labels, plot);
    }
    for (int i = 0; i < plot_.dataCount; ++i) {
      const layout::ValueScale& scale = plot_.data[std::size_t(i)].scale;
      p_.AddAxis({index_, i, scale.min, scale.max, scale.ticks});
    }

    std::vector<TextShape> valueLabels;
    if (!r_.bars.empty()) {
      const layout::ValueScale* scales[2] = {&plot_.data[0].scale, &plot_.data[1].scale};
      layout::BarLabelStyle styles[2];
      for (std::size_t i = 0; i < 2; ++i) {
        const layout::DataAxisPlan& d = plot_.data[i];
        styles[i].font = d.model != nullptr ? d.font : p_.MakeFont(9, false);
        styles[i].colour = d.textColour;
        if (d.model != nullptr) styles[i].units = d.model->units;
      }
      layout::TooltipNames names;
      if (p_.WantsHotSpots()) {
        names.series = LegendTexts();
        if (r_.hasLabelAxis) names.categories = layout::SplitList(r_.labelAxis.labels);
      }
      p_.PushClip(plot);
      valueLabels = layout::DrawBars(p_, r_, index_, units_, plot, horizontal_, categories_, scales,
                                     styles, names);
      p_.PopClip();
    }

    if (withAxes_ && !plot.Empty()) {
      DrawZeroLine();
      for (int i = 0; i < plot_.dataCount; ++i)
        layout::DrawDataAxis(p_, plot_.data[std::size_t(i)], plot);
      if (plot_.hasLabels) layout::DrawLabelAxis(p_, plot_.labels, plot);
    }
    PlaceLegend(valueLabels);
    if (legendBlocked_) return;
    for (const TextShape& t : valueLabels) {
      if (drop_ >= kDropValueLabels || Hides(t)) {
        p_.Omit(t);
      } else {
        p_.Text(t);
      }
    }
    DrawGridlessSeries();
    layout::DrawLegend(p_, r_.legend, legend_, layout::LegendData(r_, index_));
  }

  // Entries of the legend: each bar series, then each slice of each
  // gridless series.
  std::vector<std::string_view> LegendTexts() const {
    if (!r_.legend.present) return {};
    return layout::SplitList(r_.legend.text);
  }

  void DrawGridlessSeries() {
    std::vector<std::string_view> legend;
    if (!r_.gridless.empty() && p_.WantsHotSpots()) legend = LegendTexts();
    std::size_t entry = r_.bars.size();  // legend entry of the next slice 0
    for (std::size_t k = 0; k < r_.gridless.size(); ++k) {
      const GridlessSeries& s = r_.gridless[k];
      layout::TooltipNames names;
      const std::size_t count = layout::LegendEntriesOf(s);
      if (entry < legend.size()) {
        const auto first = legend.begin() + std::ptrdiff_t(entry);
        names.series.assign(first, first + std::ptrdiff_t(std::min(count, legend.size() - entry)));
      }
      entry += count;
      const bool over = inside_ && !legend_.entries.empty();
      layout::DrawGridless(p_, s, index_, std::int32_t(k), plot_.plot, names,
                           over ? legend_.box : layout::Rect{});
    }
  }

  // The legend, caption and footer hide the value labels they meet.
  bool Hides(const TextShape& t) {
    const Rect b =
        layout::TextBounds(p_.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign, t.angle);
    auto meets = [&](const Rect& o) {
      return !o.Empty() && b.x < o.Right() && o.x < b.Right() && b.y < o.Bottom() &&
             o.y < b.Bottom();
    };
    return (!legend_.entries.empty() && meets(legend_.box)) || meets(caption_.band) ||
           meets(footer_);
  }

  // Bars that go below zero get a firm base line.
  void DrawZeroLine() {
    if (plot_.dataCount == 0) return;
    const layout::DataAxisPlan& d = plot_.data[0];
    if (!(d.scale.min < 0 && d.scale.max > 0)) return;
    const Rect& plot = plot_.plot;
    const bool vertical = layout::RunsVertically(d.side);
    const double at = std::floor(layout::ValuePosition(d.scale, plot, vertical, 0)) + 0.5;
    Stroke stroke;
    stroke.colour = layout::Darker(d.model->lineColour, 0.45);
    if (vertical) {
      p_.Line({plot.x, at}, {plot.Right(), at}, stroke);
    } else {
      p_.Line({at, plot.y}, {at, plot.Bottom()}, stroke);
    }
  }

  void PlaceLegend(const std::vector<TextShape>& valueLabels) {
    if (legend_.entries.empty()) return;
    Rect& box = legend_.box;
    const Rect& plot = plot_.plot;
    if (inside_) {
      // Sized again for the plot area it goes over, now that it is known.
      const double inset = 8;
      legend_ = layout::PlanLegend(p_, r_.legend, layout::LegendColours(r_), plot.Inset(inset));
      if (legend_.entries.empty()) return;
      PlaceInCorner(plot.Inset(inset), valueLabels);
    } else if (beside_) {
      // Beside the plot area, vertically centred on it (or at its top).
      box.y = std::clamp(atTop_ ? plot.y : plot.CentreY() - box.h / 2, legendRoom_.y,
                         std::max(legendRoom_.y, legendRoom_.Bottom() - box.h));
    }
  }

  // An inside legend takes the first corner of the plot area that covers no
  // bar and no value label, the author's corner first; failing that, the
  // first that covers no bar (the labels under it are left out); failing
  // that, the region is laid out anew with the legend beside the plot area.
  void PlaceInCorner(const Rect& within, const std::vector<TextShape>& valueLabels) {
    Rect& box = legend_.box;
    const bool left = r_.legend.alignment == kLegendInsideTopLeft;
    const double x0 = within.x, x1 = within.Right() - box.w;
    const double y0 = within.y, y1 = within.Bottom() - box.h;
    const Point corners[] = {
        {left ? x0 : x1, y0}, {left ? x1 : x0, y0}, {left ? x0 : x1, y1}, {left ? x1 : x0, y1}};
    for (const bool spareLabels : {true, false}) {
      for (const Point& c : corners) {
        const Rect at{c.x, c.y, box.w, box.h};
        if (CoversData(at, spareLabels ? &valueLabels : nullptr)) continue;
        box.x = c.x;
        box.y = c.y;
        return;
      }
    }
    legendBlocked_ = true;
  }

  // Whether `box` covers a bar of this region (or one of `labels`).
  bool CoversData(const Rect& box, const std::vector<TextShape>* labels) {
    auto meets = [&](const Rect& o) {
      return box.x < o.Right() && o.x < box.Right() && box.y < o.Bottom() && o.y < box.Bottom();
    };
    const DrawList& list = p_.List();
    for (const DataShape& d : list.dataShapes) {
      if (d.datum.region != index_ || d.role == ShapeRole::kLegendBox) continue;
      const Rect shape = layout::BoundsOf(d.outline);
      if (!shape.Empty() && meets(shape)) return true;
    }
    for (const Shape& s : list.shapes) {
      const auto* span = std::get_if<SpanShape>(&s);
      if (span != nullptr && layout::SpanMeets(*span, box)) return true;
    }
    if (labels == nullptr) return false;
    for (const TextShape& t : *labels) {
      if (meets(layout::TextBounds(p_.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign,
                                   t.angle))) {
        return true;
      }
    }
    return false;
  }

  layout::DrawListBuilder& p_;
  const Region& r_;
  const std::int32_t index_;  // of the region in the chart
  const ChartScale& scale_;
  Rect area_, content_;
  double padding_ = 0;
  Drop drop_ = kDropNothing;
  struct {
    Font font;
    double line = 0;
    std::vector<std::string> lines;
    Rect band;
  } caption_;
  Font footerFont_;
  Rect footer_;      // band of the footer; empty when it is left out
  Rect legendRoom_;  // where the legend may go beside the plot area
  layout::LegendPlan legend_;
  bool inside_ = false, beside_ = false;
  // An inside legend found no free corner (legendBlocked_), and so goes
  // beside the plot area in the second layout (legendBeside_).
  bool legendBlocked_ = false, legendBeside_ = false;
  bool atTop_ = false, legendLeft_ = false;  // where a legend beside the plot area goes
  bool horizontal_ = false, withAxes_ = false;
  std::vector<layout::BarUnit> units_;
  std::int64_t categories_ = 1;
  std::array<layout::DataAxisInput, 2> extents_;
  PlotPlan plot_;
};

}  // namespace

DrawList LayoutChart(const Chart& chart, int width, int height, TextMeasurer& measurer) {
  DrawList out;
  out.width = std::clamp(width, 0, kMaxSide);
  out.height = std::clamp(height, 0, kMaxSide);
  if (out.width == 0 || out.height == 0) return out;
  layout::DrawListBuilder builder(out, measurer, chart.settings.fontName);
  if (chart.settings.tooltipWidth > 0) builder.CollectHotSpots(kMaxHotSpots);
  DrawBackground(builder, chart.settings);
  const ChartScale scale = ScaleFor(chart.settings, out.width, out.height);
  for (std::size_t i = 0; i < chart.regions.size(); ++i) {
    RegionLayout(builder, chart.regions[i], std::int32_t(i), scale).Run();
  }
  DrawChartFrame(builder, chart.settings);
  layout::KeepTextsReadable(builder, out);
  return out;
}

const HotSpot* HotSpotAt(const std::vector<HotSpot>& spots, Point p) {
  for (auto spot = spots.rbegin(); spot != spots.rend(); ++spot) {
    if (layout::PointInPolygon(spot->polygon, p)) return &*spot;
  }
  return nullptr;
}

}  // namespace vantiro::engine
