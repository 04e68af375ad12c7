// Legends, captions and small charts: what does not fit is wrapped, counted
// or left out in order, never cut off silently.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

std::string Entries(int count, bool longTexts) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += ';';
    text += longTexts ? "Regional office number " + std::to_string(i) + " of the north"
                      : "S" + std::to_string(i);
  }
  return text;
}

// Bars with value labels, both axis titles, caption, footer and a legend.
Chart Crowded(int width, int height, int entries, std::int32_t alignment, bool longTexts) {
  Chart chart = OneRegion(width, height);
  Region& r = chart.regions[0];
  r.caption = {
      true,       longTexts ? "Revenue of every regional office compared with the plan" : "Revenue",
      0xFFFFFFFF, 0xFF202020,
      14,         1};
  r.footer = "Source: office reports";
  DataAxis axis;
  axis.title = "Revenue";
  r.dataAxes.push_back(axis);
  r.hasLabelAxis = true;
  r.labelAxis.labels = longTexts ? "First quarter;Second quarter;Third quarter" : "Q1;Q2;Q3";
  r.labelAxis.title = "Quarter";
  for (int i = 0; i < std::min(entries, 6); ++i) {
    r.bars.push_back(Bars({40.0 + i, 90.0 - i, 60}, kPalette[std::size_t(i)]));
    r.bars.back().valueLabels = kBarLabelsOutside;
  }
  r.legend.present = true;
  r.legend.text = Entries(entries, longTexts);
  r.legend.alignment = alignment;
  return chart;
}

bool Omitted(const DrawList& list, TextRole role, const std::string& text) {
  return std::any_of(list.omitted.begin(), list.omitted.end(),
                     [&](const OmittedText& o) { return o.role == role && o.text == text; });
}

bool AnyOmitted(const DrawList& list, TextRole role) {
  return std::any_of(list.omitted.begin(), list.omitted.end(),
                     [&](const OmittedText& o) { return o.role == role; });
}

std::vector<TextShape> OfRole(const DrawList& list, TextRole role) {
  std::vector<TextShape> out;
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.role == role) out.push_back(t);
  }
  return out;
}

TEST(Fit, LegendsShowCountOrReportEveryEntryAndKeepClearOfOtherTexts) {
  const std::pair<int, int> sizes[] = {{120, 80},  {200, 150},  {320, 200},
                                       {600, 400}, {1024, 768}, {3000, 2000}};
  const std::int32_t alignments[] = {kLegendRight, kLegendLeft, kLegendTop, kLegendBottom,
                                     kLegendInsideTopRight};
  for (const auto& [w, h] : sizes) {
    for (const int entries : {1, 5, 13, 30, 60}) {
      for (const std::int32_t alignment : alignments) {
        for (const bool longTexts : {false, true}) {
          SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " entries " +
                       std::to_string(entries) + " alignment " + std::to_string(alignment) +
                       (longTexts ? " long" : ""));
          const Chart chart = Crowded(w, h, entries, alignment, longTexts);
          const DrawList list = Lay(chart, w, h);
          const std::vector<TextShape> legend = OfRole(list, TextRole::kLegend);
          int more = -1, drawn = 0;
          double left = w, right = 0, top = h, bottom = 0;
          for (const TextShape& t : legend) {
            if (t.text.starts_with("+") && t.text.ends_with(" more")) {
              more = std::stoi(t.text.substr(1));
            } else {
              ++drawn;
            }
            for (const Point& p : TextCorners(t)) {
              EXPECT_TRUE(p.x >= -0.01 && p.x <= w + 0.01 && p.y >= -0.01 && p.y <= h + 0.01)
                  << t.text;
              left = std::min(left, p.x), right = std::max(right, p.x);
              top = std::min(top, p.y), bottom = std::max(bottom, p.y);
            }
            for (const TextShape& o : All<TextShape>(list)) {
              if (o.role != TextRole::kLegend) {
                EXPECT_FALSE(Overlap(TextCorners(t), TextCorners(o))) << t.text << " / " << o.text;
              }
            }
          }
          // Every entry is drawn (whole or shortened) or reported.
          int omitted = 0;
          for (const std::string_view e : layout::SplitList(chart.regions[0].legend.text)) {
            const std::string entry(e);
            const bool shown = std::any_of(legend.begin(), legend.end(), [&](const TextShape& t) {
              return t.text == entry || t.full == entry;
            });
            const bool reported = Omitted(list, TextRole::kLegend, entry);
            EXPECT_NE(shown, reported) << entry;
            omitted += reported ? 1 : 0;
          }
          if (drawn > 0 && omitted > 0) {
            EXPECT_EQ(more, omitted);
          }
          if (omitted == 0) {
            EXPECT_EQ(more, -1);
          }
          // A third of the region at most (plus the box padding).
          if (drawn > 0 && (alignment == kLegendRight || alignment == kLegendLeft)) {
            EXPECT_LE(right - left, w / 3.0);
          }
          if (drawn > 0 && (alignment == kLegendTop || alignment == kLegendBottom)) {
            EXPECT_LE(bottom - top, h / 3.0);
          }
        }
      }
    }
  }
}

TEST(Fit, CaptionsWrapOntoASecondLineBeforeTheyAreShortened) {
  const std::string words = "Revenue of every regional office compared with the plan for 2026";
  const std::string longWord(120, 'W');
  const struct {
    std::string caption;
    int width, height;
    std::size_t lines;
    bool shortened;
  } cases[] = {
      {"Revenue", 600, 400, 1, false},
      {words, 600, 400, 2, false},
      {words + " " + words + " " + words, 600, 400, 2, true},
      {longWord, 600, 400, 2, true},  // a word too long for one line is broken
      {words, 120, 80, 1, true},      // no room for a second line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption.substr(0, 20) + " at " + std::to_string(c.width));
    Chart chart = OneRegion(c.width, c.height);
    chart.regions[0].caption = {true, c.caption, 0xFFFFFFFF, 0xFF202020, 16, 1};
    chart.regions[0].bars.push_back(Bars({1, 2}, 0xFF00AA00));
    const DrawList list = Lay(chart, c.width, c.height);
    const std::vector<TextShape> lines = OfRole(list, TextRole::kCaption);
    ASSERT_EQ(lines.size(), c.lines);
    std::string joined;
    for (const TextShape& t : lines) {
      if (lines.size() > 1 || t.text != c.caption) {
        EXPECT_EQ(t.full, c.caption);
      }
      joined += (joined.empty() ? "" : " ") + t.text;
      EXPECT_LE(TextCorners(t)[2].y, c.height / 4.0);  // the caption band stays small
    }
    EXPECT_EQ(joined.ends_with("..."), c.shortened) << joined;
    if (!c.shortened) {
      EXPECT_EQ(joined, c.caption);
    }
    EXPECT_TRUE(OverlappingTexts(list).empty());
  }
}

TEST(Fit, SmallChartsLeaveOutPartsInOrderAndValueLabelsKeepClear) {
  // Value labels, then the footer, then the legend, then the axis titles.
  for (int w = 120; w <= 640; w += 40) {
    for (int h = 80; h <= 480; h += 40) {
      for (const std::int32_t alignment : {kLegendRight, kLegendBottom, kLegendInsideTopLeft}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const DrawList list = Lay(Crowded(w, h, 3, alignment, false), w, h);
        const bool values = !OfRole(list, TextRole::kValue).empty();
        const bool footer = !OfRole(list, TextRole::kFooter).empty();
        const bool legend = !OfRole(list, TextRole::kLegend).empty();
        const bool titles = !OfRole(list, TextRole::kAxisTitle).empty();
        EXPECT_EQ(footer, !AnyOmitted(list, TextRole::kFooter));
        EXPECT_EQ(titles, !AnyOmitted(list, TextRole::kAxisTitle));
        if (values) {
          EXPECT_TRUE(footer);
        }
        if (legend) {
          EXPECT_TRUE(titles);
        }
        for (const TextShape& v : OfRole(list, TextRole::kValue)) {
          for (const TextShape& o : All<TextShape>(list)) {
            if (o.role == TextRole::kLegend || o.role == TextRole::kCaption ||
                o.role == TextRole::kFooter) {
              EXPECT_FALSE(Overlap(TextCorners(v), TextCorners(o))) << v.text << " / " << o.text;
            }
          }
        }
      }
    }
  }
  // The tiniest keeps a readable caption and bars, and drops everything else.
  const DrawList tiny = Lay(Crowded(120, 80, 3, kLegendRight, false), 120, 80);
  ASSERT_EQ(OfRole(tiny, TextRole::kCaption).size(), 1u);
  EXPECT_LE(OfRole(tiny, TextRole::kCaption)[0].font.sizePx, 80 / 6.0);
  EXPECT_TRUE(OfRole(tiny, TextRole::kValue).empty());
  EXPECT_TRUE(Omitted(tiny, TextRole::kFooter, "Source: office reports"));
  EXPECT_FALSE(RectsOf(tiny, kPalette[0]).empty());
}

}  // namespace
}  // namespace vantiro::engine::layout_test
