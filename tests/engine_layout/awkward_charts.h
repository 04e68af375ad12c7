// Charts an author might bring, generated over many sizes and data shapes,
// and the checks every one of them must pass whatever measures its texts:
// where texts are, and what they say.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "engine/layout/contrast.h"
#include "tests/engine_layout/layout_testing.h"

namespace vantiro::engine::layout_test {

struct Size {
  int width, height;
};

inline std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += item + ";";
  return out;
}

// Names from short to long, some with spaces to wrap at.
inline std::string NameOf(std::mt19937& random, std::size_t i) {
  static const char* const kWords[] = {"North", "Consolidated", "Q3", "Overseas subsidiaries",
                                       "Other", "Research and development", "X",
                                       // As pasted from spreadsheet cells.
                                       "Net\nsales", "Gross\r\nmargin", "Cost\tof goods",
                                       "Write\x01offs"};
  std::string name = kWords[random() % std::size(kWords)];
  if (random() % 3 == 0) name += std::string(" ") + kWords[random() % std::size(kWords)];
  return name + " " + std::to_string(i + 1);
}

// Tiny, ordinary and huge values mixed, as real data has them.
inline double ValueOf(std::mt19937& random, double scale) {
  switch (random() % 4) {
    case 0: return scale * 1e-3 * double(1 + random() % 9);
    case 1: return scale * double(1 + random() % 100);
    default: return scale * double(1 + random() % 10) * 10;
  }
}

struct Asked {
  std::size_t legend = 0, categories = 0, slices = 0, values = 0;
  bool caption = false, footer = false;
};

inline Chart Awkward(std::uint32_t seed, Size size, Asked& asked) {
  std::mt19937 random(seed);
  Chart chart = OneRegion(size.width, size.height);
  Region& r = chart.regions.front();
  const double scale = std::vector<double>{1e-3, 1, 4e9, 1e6}[random() % 4];
  if (random() % 4 != 0) {
    r.caption.present = true;
    r.caption.text =
        random() % 2 ? "Sales by region and product line, all subsidiaries, 2026" : "Sales";
    asked.caption = true;
  }
  if (random() % 2) {
    r.footer = "Source: internal figures, unaudited, subject to revision";
    asked.footer = true;
  }
  std::vector<std::string> names;
  const bool pie = random() % 2 == 0;
  if (pie) {
    GridlessSeries s;
    s.style =
        std::vector<std::int32_t>{kGridlessPie, kGridlessDonut, kGridlessPyramid}[random() % 3];
    s.valueLabels = kGridlessLabelsBoth - std::int32_t(random() % 3);
    const std::size_t count = 1 + random() % 60;
    for (std::size_t i = 0; i < count; ++i) {
      s.values.push_back(ValueOf(random, scale));
      names.push_back(NameOf(random, i));
    }
    asked.slices = count;
    r.gridless.push_back(std::move(s));
  } else {
    const bool horizontal = random() % 4 == 0;
    const std::size_t categories = 1 + random() % 24;
    const std::size_t series = 1 + random() % 4;
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < categories; ++i) labels.push_back(NameOf(random, i));
    r.hasLabelAxis = true;
    r.labelAxis.labels = Joined(labels);
    r.labelAxis.title = random() % 2 ? "Region" : "";
    asked.categories = categories;
    DataAxis axis;
    axis.decimalDigits = std::int32_t(random() % 3);
    axis.units = random() % 2 ? " $" : "";
    axis.title = random() % 2 ? "Revenue in the reporting currency" : "";
    r.dataAxes.push_back(axis);
    r.grid.present = true;
    // Now and then losses, and a range set by the author that cuts bars off.
    const bool losses = random() % 5 == 0;
    if (random() % 6 == 0) r.dataAxes.front().maxValue = scale * 40;
    for (std::size_t k = 0; k < series; ++k) {
      std::vector<double> values;
      for (std::size_t i = 0; i < categories; ++i) {
        values.push_back(ValueOf(random, scale) * (losses && random() % 3 == 0 ? -1 : 1));
      }
      BarSeries b = Bars(values, kPalette[k], std::int32_t(random() % 3));
      b.horizontal = horizontal ? 1 : 0;
      b.valueLabels = std::int32_t(random() % 3);
      if (b.valueLabels != kBarLabelsNone) asked.values += values.size();
      r.bars.push_back(std::move(b));
      names.push_back(NameOf(random, k));
    }
  }
  if (random() % 5 != 0) {
    r.legend.present = true;
    r.legend.alignment = std::int32_t(random() % 6);
    r.legend.text = Joined(names);
    asked.legend = names.size();
  }
  return chart;
}

// Texts drawn per role; the lines of one text (same `full`, one after the
// other) count once.
inline std::map<TextRole, std::size_t> Count(const std::vector<TextShape>& texts) {
  std::map<TextRole, std::size_t> n;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TextShape& t = texts[i];
    const bool nextLine = i > 0 && !t.full.empty() && t.full.find('\n') != std::string::npos &&
                          texts[i - 1].role == t.role && texts[i - 1].full == t.full;
    if (!nextLine) ++n[t.role];
  }
  return n;
}

inline std::map<TextRole, std::size_t> Count(const std::vector<OmittedText>& texts) {
  std::map<TextRole, std::size_t> n;
  for (const OmittedText& t : texts) ++n[t.role];
  return n;
}

// "+N more" closing a legend stands for N entries left out.
inline std::size_t MoreCount(const std::vector<TextShape>& texts) {
  for (const TextShape& t : texts) {
    if (t.role == TextRole::kLegend && t.text.rfind('+', 0) == 0 &&
        t.text.find(" more") != std::string::npos) {
      return 1;
    }
  }
  return 0;
}

// A value label's number read back: "1,250.5 $" -> 1250.5 with the
// precision shown (half a unit of its last digit).
struct ReadNumber {
  double value = 0, precision = 0;
  bool ok = false;
};

inline ReadNumber ReadLabel(std::string text, const std::string& units) {
  ReadNumber n;
  if (!units.empty() && text.size() >= units.size() &&
      text.compare(text.size() - units.size(), units.size(), units) == 0) {
    text.erase(text.size() - units.size());
  }
  double scale = 1;
  for (const auto& [suffix, factor] : {std::pair<std::string, double>{" M", 1e6}, {" bn", 1e9}}) {
    if (text.size() > suffix.size() &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
      text.erase(text.size() - suffix.size());
      scale = factor;
    }
  }
  std::erase(text, ',');
  const std::size_t e = text.find('e');
  const std::string mantissa = text.substr(0, e);
  const std::size_t point = mantissa.find('.');
  const int decimals = point == std::string::npos ? 0 : int(mantissa.size() - point - 1);
  char* end = nullptr;
  n.value = std::strtod(text.c_str(), &end) * scale;
  n.ok = end != nullptr && *end == '\0' && !text.empty();
  n.precision =
      e == std::string::npos ? 0.5 * std::pow(10.0, -decimals) * scale : 0.005 * std::abs(n.value);
  return n;
}

inline layout::Rect BoxOf(const TextShape& t, TextMeasurer& measurer) {
  const std::vector<Point> corners = TextCorners(t, measurer);
  return layout::BoundsOf(corners);
}

inline bool Covers(const layout::Rect& a, const layout::Rect& b) {
  return a.x < b.Right() - 1 && b.x < a.Right() - 1 && a.y < b.Bottom() - 1 && b.y < a.Bottom() - 1;
}

inline const DataShape* ShapeOf(const DrawList& list, const Datum& d) {
  for (const DataShape& s : list.dataShapes) {
    if (s.role != ShapeRole::kLegendBox && s.datum.region == d.region &&
        s.datum.series == d.series && s.datum.point == d.point) {
      return &s;
    }
  }
  return nullptr;
}

// The awkward charts with what authors paste from spreadsheets in every text
// (line breaks, TABs, other control characters) and with empty slices.
inline Chart WithPastedTextsAndEmptySlices(Chart chart) {
  Region& r = chart.regions.front();
  if (r.caption.present) r.caption.text += "\r\nin k$\x7f";
  if (!r.footer.empty()) r.footer = "Source:\tledger\nunaudited\x02";
  for (DataAxis& axis : r.dataAxes) axis.title = "Revenue\nin the\r\nreporting currency";
  if (!r.labelAxis.title.empty()) r.labelAxis.title += "\n(all)";
  for (GridlessSeries& g : r.gridless) {
    if (g.values.size() > 2) g.values[1] = 0;
    if (g.values.size() > 4) g.values[3] = -g.values[3];
  }
  return chart;
}

inline bool HoldsControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Whether `shown`, a number as the chart writes it ("1,250", "2.5 M",
// "3e+15"), is `actual` at the precision shown.
inline bool NumberAgrees(const std::string& shown, double actual) {
  const ReadNumber n = ReadLabel(shown, "");
  return n.ok && std::abs(n.value - actual) <= n.precision * (1 + 1e-9) + 1e-12 * std::abs(actual);
}

// Whether a percentage as shown ("12.5%", "<0.1%") is `share` of the whole.
inline bool PercentAgrees(const std::string& shown, double share) {
  if (shown.empty() || shown.back() != '%') return false;
  const std::string number = shown.substr(0, shown.size() - 1);
  if (number.rfind('<', 0) == 0)
    return share > 0 && share * 100 < std::strtod(number.c_str() + 1, nullptr);
  return NumberAgrees(number, share * 100);
}

// What is wrong with a slice label as drawn, or empty: its datum is a
// slice of the data and its numbers are the datum's.
inline std::string SliceLabelFault(const TextShape& t, const GridlessSeries& g) {
  const Datum& d = t.datum;
  if (d.region != 0 || d.series != 0 || d.point < 0 || std::size_t(d.point) >= g.values.size())
    return "datum names no slice";
  if (d.value != g.values[std::size_t(d.point)] || !(d.value > 0)) return "datum value";
  double total = 0;
  for (const double v : g.values) total += std::isfinite(v) && v > 0 ? v : 0;
  const std::size_t open = t.text.find(" (");
  switch (g.valueLabels) {
    case kGridlessLabelsValue: return NumberAgrees(t.text, d.value) ? "" : "value";
    case kGridlessLabelsPercent: return PercentAgrees(t.text, d.value / total) ? "" : "percent";
    default:
      if (open == std::string::npos || t.text.back() != ')') return "form";
      if (!NumberAgrees(t.text.substr(0, open), d.value)) return "value";
      return PercentAgrees(t.text.substr(open + 2, t.text.size() - open - 3), d.value / total)
                 ? ""
                 : "percent";
  }
}

// No drawn text holds a control character; every slice label and slice
// shape names a slice of the data and shows its numbers; empty slices are
// reported with their reason.
inline void CheckSlices(const Chart& chart, const DrawList& list) {
  for (const TextShape& t : All<TextShape>(list)) {
    EXPECT_FALSE(HoldsControlCharacter(t.text)) << TextRoleName(t.role) << " " << t.text;
  }
  const Region& r = chart.regions.front();
  if (r.gridless.empty()) return;
  const GridlessSeries& g = r.gridless.front();
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.role != TextRole::kSlice) continue;
    const std::string fault = SliceLabelFault(t, g);
    EXPECT_EQ(fault, "") << "\"" << t.text << "\" for slice " << t.datum.point;
  }
  for (const DataShape& shape : list.dataShapes) {
    if (shape.role == ShapeRole::kLegendBox) continue;
    EXPECT_TRUE(shape.datum.point >= 0 && std::size_t(shape.datum.point) < g.values.size() &&
                g.values[std::size_t(shape.datum.point)] > 0 &&
                shape.datum.value == g.values[std::size_t(shape.datum.point)]);
  }
  std::size_t emptyReported = 0, empty = 0;
  for (const double v : g.values) empty += v > 0 ? 0 : 1;
  for (const OmittedText& o : list.omitted) {
    if (o.role != TextRole::kSlice || o.reason == nullptr) continue;
    const double v = g.values.at(std::size_t(o.datum.point));
    EXPECT_STREQ(o.reason, v == 0 ? "zero slice" : "negative slice");
    EXPECT_EQ(o.datum.value, v);
    ++emptyReported;
  }
  EXPECT_EQ(emptyReported, empty);
}

// No drawn text overlaps another, every text lies inside the image, and
// every text asked for is either drawn or listed as left out.
inline void CheckPlacement(const Chart& chart, const Asked& asked, const DrawList& list,
                           TextMeasurer& measurer) {
  const std::vector<TextShape> texts = All<TextShape>(list);
  for (const TextShape& t : texts) {
    for (const Point& p : TextCorners(t, measurer)) {
      EXPECT_TRUE(p.x >= -0.5 && p.y >= -0.5 && p.x <= list.width + 0.5 && p.y <= list.height + 0.5)
          << TextRoleName(t.role) << " \"" << t.text << "\" leaves the image";
    }
  }
  for (const std::string& clash : OverlappingTexts(list, measurer))
    ADD_FAILURE() << "overlap: " << clash;

  std::map<TextRole, std::size_t> drawn = Count(texts), omitted = Count(list.omitted);
  const std::size_t more = MoreCount(texts);
  EXPECT_EQ(drawn[TextRole::kLegend] - more + omitted[TextRole::kLegend], asked.legend);
  EXPECT_EQ(drawn[TextRole::kCategory] + omitted[TextRole::kCategory], asked.categories);
  EXPECT_EQ(drawn[TextRole::kValue] + omitted[TextRole::kValue], asked.values);
  EXPECT_EQ(drawn[TextRole::kSlice] + omitted[TextRole::kSlice],
            chart.regions.front().gridless.empty() ||
                    chart.regions.front().gridless.front().valueLabels == kGridlessLabelsNone
                ? 0
                : asked.slices);
  EXPECT_EQ(drawn[TextRole::kCaption] + omitted[TextRole::kCaption] > 0, asked.caption);
  EXPECT_EQ(drawn[TextRole::kFooter] + omitted[TextRole::kFooter] > 0, asked.footer);
}

// What a chart says is true to its data: every value label's number
// matches its datum at the precision shown (never 0 for a value that is
// not), stands on its own bar, and no text covers a bar of other data;
// 100 % axes run 0-100 and automatic ranges hold the data.
inline void CheckTruth(const Chart& chart, const DrawList& list, TextMeasurer& measurer) {
  const Region& r = chart.regions.front();
  if (r.bars.empty()) return;
  const bool horizontal = r.bars.front().horizontal != 0;
  const std::string units = r.dataAxes.empty() ? "" : r.dataAxes.front().units;
  for (const TextShape& t : All<TextShape>(list)) {
    const layout::Rect box = BoxOf(t, measurer);
    if (t.role == TextRole::kValue) {
      ASSERT_TRUE(t.datum.Present()) << t.text;
      const double datum =
          r.bars.at(std::size_t(t.datum.series)).values.at(std::size_t(t.datum.point));
      EXPECT_EQ(t.datum.value, datum);
      const ReadNumber n = ReadLabel(t.text, units);
      EXPECT_TRUE(n.ok) << "\"" << t.text << "\" is not a number";
      EXPECT_LE(std::abs(n.value - datum), n.precision * (1 + 1e-9) + 1e-300)
          << "\"" << t.text << "\" for " << datum;
      EXPECT_TRUE(datum == 0 || n.value != 0) << "\"" << t.text << "\" for " << datum;
      // On its own bar: touching it, and across from it.
      const DataShape* own = ShapeOf(list, t.datum);
      ASSERT_NE(own, nullptr) << t.text;
      const layout::Rect bar = layout::BoundsOf(own->outline);
      const layout::Rect reach = bar.Inset(-5);
      EXPECT_TRUE(box.x < reach.Right() && reach.x < box.Right() && box.y < reach.Bottom() &&
                  reach.y < box.Bottom())
          << "\"" << t.text << "\" is not at its bar";
      const double across = horizontal ? box.CentreY() : box.CentreX();
      EXPECT_TRUE(horizontal ? across >= bar.y - 1 && across <= bar.Bottom() + 1
                             : across >= bar.x - 1 && across <= bar.Right() + 1)
          << "\"" << t.text << "\" is beside its bar";
    }
    // No text covers a bar or segment of other data.
    for (const DataShape& s : list.dataShapes) {
      if (s.role != ShapeRole::kBar && s.role != ShapeRole::kSegment) continue;
      if (t.datum.Present() && s.datum.series == t.datum.series && s.datum.point == t.datum.point) {
        continue;
      }
      EXPECT_FALSE(Covers(box, layout::BoundsOf(s.outline)))
          << TextRoleName(t.role) << " \"" << t.text << "\" covers bar " << s.datum.series << "/"
          << s.datum.point;
    }
  }
  // Axes: 100 % stacks run 0-100; an automatic range holds the data.
  ASSERT_FALSE(list.axes.empty());
  const AxisRange& axis = list.axes.front();
  bool allPercent = true, anyNegative = false;
  double low = 0, high = 0;
  for (const BarSeries& b : r.bars) {
    allPercent = allPercent && b.type == kBarStacked100;
    for (const double v : b.values) anyNegative = anyNegative || v < 0;
  }
  if (allPercent && !anyNegative && r.dataAxes.front().maxValue == 0) {
    EXPECT_EQ(axis.min, 0);
    EXPECT_EQ(axis.max, 100);
  }
  if (!allPercent && r.dataAxes.front().maxValue == 0) {
    for (const DataShape& s : list.dataShapes) {
      if (s.role != ShapeRole::kBar) continue;
      low = std::min(low, s.datum.value);
      high = std::max(high, s.datum.value);
    }
    EXPECT_LE(axis.min, low);
    EXPECT_GE(axis.max, high);
  }
}

// Every drawn text reads against what lies under it: at no more than a
// tenth of the points across its box (the edges of shapes under it) does
// its colour have less than 3:1 contrast against `under(x, y)`, the pixel
// of the chart drawn without its texts.
template <typename PixelAt>
void CheckContrast(const DrawList& list, TextMeasurer& measurer, PixelAt under) {
  for (const TextShape& t : All<TextShape>(list)) {
    const std::vector<Point> q = TextCorners(t, measurer);
    int points = 0, faint = 0;
    for (double v = 0.2; v < 0.9; v += 0.2) {
      for (double u = 0.05; u < 1; u += 0.1) {
        const double x = q[0].x + u * (q[1].x - q[0].x) + v * (q[3].x - q[0].x);
        const double y = q[0].y + u * (q[1].y - q[0].y) + v * (q[3].y - q[0].y);
        if (x < 0 || y < 0 || x >= list.width || y >= list.height) continue;
        ++points;
        faint += layout::ContrastRatio(t.colour, under(int(x), int(y))) < layout::kLeastContrast;
      }
    }
    EXPECT_LE(faint * 10, points) << TextRoleName(t.role) << " \"" << t.text
                                  << "\" is faint over what lies under it";
  }
}

// Calls check(chart, asked, size) for the awkward chart of every seed from 1
// to `seeds` at every size, with the seed and size in the failures' trace.
template <typename Check>
void ForEachAwkward(std::uint32_t seeds, std::initializer_list<Size> sizes, Check check) {
  for (std::uint32_t seed = 1; seed <= seeds; ++seed) {
    for (const Size size : sizes) {
      Asked asked;
      const Chart chart = Awkward(seed, size, asked);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      check(chart, asked, size);
    }
  }
}

// The awkward charts with a backend's text measurer: every check above, and
// the contrast of every text over `drawn(list)`, the backend's pixels
// (0xAARRGGBB, row by row) of the chart drawn without its texts.
template <typename Draw>
void CheckOnBackend(TextMeasurer& measurer, std::uint32_t seeds, std::initializer_list<Size> sizes,
                    Draw drawn) {
  ForEachAwkward(seeds, sizes, [&](const Chart& chart, const Asked& asked, Size size) {
    const DrawList list = LayoutChart(chart, size.width, size.height, measurer);
    CheckPlacement(chart, asked, list, measurer);
    CheckTruth(chart, list, measurer);
    CheckSlices(chart, list);
    DrawList backdrop = list;
    std::erase_if(backdrop.shapes,
                  [](const Shape& s) { return std::holds_alternative<TextShape>(s); });
    const std::vector<Argb> pixels = drawn(backdrop);
    ASSERT_EQ(pixels.size(), std::size_t(size.width) * std::size_t(size.height));
    CheckContrast(list, measurer, [&](int x, int y) {
      return pixels[std::size_t(y) * std::size_t(size.width) + std::size_t(x)] | 0xFF000000u;
    });
  });
}

}  // namespace vantiro::engine::layout_test
