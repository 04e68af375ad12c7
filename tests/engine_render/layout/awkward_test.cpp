// Charts an author might bring, generated over many sizes and data shapes:
// whatever the data, no drawn text overlaps another, every text lies inside
// the image, and every text asked for is either drawn or listed as left out.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine_render/layout/layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{120, 80}, {240, 160}, {600, 400}, {1024, 768}, {3000, 2000}};

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += item + ";";
  return out;
}

// Names from short to long, some with spaces to wrap at.
std::string NameOf(std::mt19937& random, std::size_t i) {
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
double ValueOf(std::mt19937& random, double scale) {
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

Chart Awkward(std::uint32_t seed, Size size, Asked& asked) {
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
    axis.units = random() % 2 ? " $" : "";
    axis.title = random() % 2 ? "Revenue in the reporting currency" : "";
    r.dataAxes.push_back(axis);
    r.grid.present = true;
    for (std::size_t k = 0; k < series; ++k) {
      std::vector<double> values;
      for (std::size_t i = 0; i < categories; ++i) values.push_back(ValueOf(random, scale));
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
std::map<TextRole, std::size_t> Count(const std::vector<TextShape>& texts) {
  std::map<TextRole, std::size_t> n;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TextShape& t = texts[i];
    const bool nextLine = i > 0 && !t.full.empty() && t.full.find('\n') != std::string::npos &&
                          texts[i - 1].role == t.role && texts[i - 1].full == t.full;
    if (!nextLine) ++n[t.role];
  }
  return n;
}

std::map<TextRole, std::size_t> Count(const std::vector<OmittedText>& texts) {
  std::map<TextRole, std::size_t> n;
  for (const OmittedText& t : texts) ++n[t.role];
  return n;
}

// "+N more" closing a legend stands for N entries left out.
std::size_t MoreCount(const std::vector<TextShape>& texts) {
  for (const TextShape& t : texts) {
    if (t.role == TextRole::kLegend && t.text.rfind('+', 0) == 0 &&
        t.text.find(" more") != std::string::npos) {
      return 1;
    }
  }
  return 0;
}

TEST(AwkwardCharts, TextsNeverOverlapStayInsideAndAreDrawnOrReported) {
  int checked = 0;
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    for (const Size size : kSizes) {
      Asked asked;
      const Chart chart = Awkward(seed, size, asked);
      const DrawList list = Lay(chart, size.width, size.height);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      const std::vector<TextShape> texts = All<TextShape>(list);
      for (const TextShape& t : texts) {
        for (const Point& p : TextCorners(t)) {
          EXPECT_TRUE(p.x >= -0.5 && p.y >= -0.5 && p.x <= size.width + 0.5 &&
                      p.y <= size.height + 0.5)
              << TextRoleName(t.role) << " \"" << t.text << "\" leaves the image";
        }
      }
      for (const std::string& clash : OverlappingTexts(list)) ADD_FAILURE() << "overlap: " << clash;

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
      ++checked;
    }
  }
  EXPECT_EQ(checked, 60 * int(std::size(kSizes)));
}

// ---- Slices and control characters ----------------------------------------

// The awkward charts with what authors paste from spreadsheets in every text
// (line breaks, TABs, other control characters) and with empty slices.
Chart WithPastedTextsAndEmptySlices(Chart chart) {
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

bool HoldsControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Whether `shown`, a number as the chart writes it ("1,250", "2.5 M",
// "3e+15"), is `actual` at the precision shown.
bool NumberAgrees(std::string shown, double actual) {
  shown.erase(std::remove(shown.begin(), shown.end(), ','), shown.end());
  char* end = nullptr;
  const double mantissa = std::strtod(shown.c_str(), &end);
  if (end == shown.c_str()) return false;
  const std::size_t used = std::size_t(end - shown.c_str());
  const std::string number = shown.substr(0, used), unit = shown.substr(used);
  const std::size_t point = number.find('.'), exponent = number.find_first_of("eE");
  const std::size_t digitsEnd = exponent == std::string::npos ? number.size() : exponent;
  const int decimals = point == std::string::npos ? 0 : int(digitsEnd - point - 1);
  const double scale = unit == " M" ? 1e6 : (unit == " bn" ? 1e9 : 1);
  if (!unit.empty() && scale == 1) return false;
  double step = std::pow(10.0, -decimals) * scale;
  if (exponent != std::string::npos)
    step *= std::pow(10.0, std::atoi(number.c_str() + exponent + 1));
  const double value = mantissa * scale;
  return std::abs(value - actual) <= step / 2 * (1 + 1e-9) + 1e-12 * std::abs(actual);
}

// Whether a percentage as shown ("12.5%", "<0.1%") is `share` of the whole.
bool PercentAgrees(const std::string& shown, double share) {
  if (shown.empty() || shown.back() != '%') return false;
  const std::string number = shown.substr(0, shown.size() - 1);
  if (number.rfind('<', 0) == 0)
    return share > 0 && share * 100 < std::strtod(number.c_str() + 1, nullptr);
  return NumberAgrees(number, share * 100);
}

// What is wrong with a slice label as drawn, or empty: its datum is a
// slice of the data and its numbers are the datum's.
std::string SliceLabelFault(const TextShape& t, const GridlessSeries& g) {
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

TEST(AwkwardCharts, SliceLabelsTellTheirDatumAndNoTextHoldsAControlCharacter) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    for (const Size size : kSizes) {
      Asked asked;
      const Chart chart = WithPastedTextsAndEmptySlices(Awkward(seed, size, asked));
      const DrawList list = Lay(chart, size.width, size.height);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      for (const TextShape& t : All<TextShape>(list)) {
        EXPECT_FALSE(HoldsControlCharacter(t.text)) << TextRoleName(t.role) << " " << t.text;
      }
      const Region& r = chart.regions.front();
      if (r.gridless.empty()) continue;
      const GridlessSeries& g = r.gridless.front();
      for (const TextShape& t : All<TextShape>(list)) {
        if (t.role != TextRole::kSlice) continue;
        const std::string fault = SliceLabelFault(t, g);
        EXPECT_EQ(fault, "") << "\"" << t.text << "\" for slice " << t.datum.point;
      }
      for (const DataShape& shape : list.dataShapes) {
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
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
