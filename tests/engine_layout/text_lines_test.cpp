// The lines of a text: where they break, what becomes of control
// characters, and that every text that may hold line breaks is drawn one
// line per text shape, the lines stacked in order.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

TEST(TextLines, BreakAtLineFeedsAndDropOtherControlCharacters) {
  const struct {
    std::string text;
    std::size_t maxLines;
    std::vector<std::string> lines;
  } cases[] = {
      {"North", 4, {"North"}},
      {"Net\nsales", 4, {"Net", "sales"}},
      {"Gross\r\nmargin\r\n", 4, {"Gross", "margin"}},
      {"a\n\nb", 4, {"a", "", "b"}},
      {"Cost\tof\rgoods\x01\x7f", 4, {"Cost ofgoods"}},
      {"1\n2\n3\n4\n5\n6", 4, {"1", "2", "3", "4 5 6"}},
      {"1\n2", 1, {"1 2"}},
      {"\n\r\n", 4, {}},
      {"", 4, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(layout::TextLines(c.text, c.maxLines), c.lines) << c.text;
}

TEST(TextLines, EveryTextWithLineBreaksIsDrawnOneLineEachStackedInOrder) {
  Chart chart = OneRegion(640, 480);
  Region& r = chart.regions.front();
  r.caption.present = true;
  r.caption.text = "Sales\r\n2026";
  r.footer = "Source:\nledger";
  r.hasLabelAxis = true;
  r.labelAxis.labels = "North\nregion;South";
  r.labelAxis.title = "Region\nof sale";
  r.dataAxes.emplace_back();
  r.dataAxes.back().title = "Revenue\nin k$";
  r.bars.push_back(Bars({10, 20}, kPalette[0]));
  r.bars.push_back(Bars({15, 5}, kPalette[1]));
  r.legend.present = true;
  r.legend.text = "Budget\nplan;Actual";
  const DrawList list = Lay(chart);
  std::map<std::string, std::vector<TextShape>> byText;
  for (const TextShape& t : All<TextShape>(list)) {
    if (t.full.find('\n') != std::string::npos) byText[t.full].push_back(t);
  }
  const std::map<std::string, std::vector<std::string>> expected{
      {"Sales\r\n2026", {"Sales", "2026"}},     {"Source:\nledger", {"Source:", "ledger"}},
      {"North\nregion", {"North", "region"}},   {"Region\nof sale", {"Region", "of sale"}},
      {"Revenue\nin k$", {"Revenue", "in k$"}}, {"Budget\nplan", {"Budget", "plan"}},
  };
  ASSERT_EQ(byText.size(), expected.size());
  FakeMeasurer m;
  for (const auto& [full, lines] : expected) {
    const std::vector<TextShape>& drawn = byText[full];
    ASSERT_EQ(drawn.size(), lines.size()) << full;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(drawn[i].text, lines[i]);
      if (i == 0) continue;
      // The next line stands a line height further down the text's own
      // vertical, whatever the rotation, aligned as the text is.
      auto aligned = [&](const TextShape& t) {
        const auto q =
            layout::TextQuad(m.Measure(t.font, t.text), t.anchor, t.hAlign, t.vAlign, t.angle);
        const double f = t.hAlign == HAlign::kLeft ? 0 : (t.hAlign == HAlign::kRight ? 1 : 0.5);
        const Point run{q[1].x - q[0].x, q[1].y - q[0].y}, down{q[3].x - q[0].x, q[3].y - q[0].y};
        return std::array<Point, 3>{Point{q[0].x + f * run.x, q[0].y + f * run.y}, run, down};
      };
      const auto [pa, run, downwards] = aligned(drawn[i - 1]);
      const Point pb = aligned(drawn[i])[0];
      const Point d{pb.x - pa.x, pb.y - pa.y};
      EXPECT_NEAR((d.x * run.x + d.y * run.y) / std::hypot(run.x, run.y), 0, 0.01) << full;
      const double down =
          (d.x * downwards.x + d.y * downwards.y) / std::hypot(downwards.x, downwards.y);
      EXPECT_NEAR(down, drawn[i].font.sizePx, 0.01) << full;
    }
  }
}

TEST(TextLines, LegendEntriesOfSeveralLinesStayInTheirBoxWhereverItGoes) {
  constexpr Argb kBox = 0xFFF0F4F8;
  for (std::int32_t alignment = kLegendRight; alignment <= kLegendInsideTopRight; ++alignment) {
    for (const std::size_t count : {3u, 40u}) {
      Chart chart = OneRegion(480, 320);
      Region& r = chart.regions.front();
      std::string entries;
      for (std::size_t i = 0; i < count; ++i) {
        entries += i % 3 == 0 ? "Budget\r\nplan " : (i % 3 == 1 ? "Actual\nfigures\nQ3 " : "X ");
        entries += std::to_string(i) + ";";
        r.bars.push_back(Bars({10, 20 + double(i)}, kPalette[i % 24]));
      }
      r.legend = {true, entries, alignment, kBox};
      const DrawList list = Lay(chart, 480, 320);
      const std::vector<RectShape> boxes = RectsOf(list, kBox);
      ASSERT_EQ(boxes.size(), 1u) << alignment;
      const RectShape& box = boxes.front();
      for (const TextShape& t : All<TextShape>(list)) {
        if (t.role != TextRole::kLegend) continue;
        for (const Point& p : TextCorners(t)) {
          EXPECT_TRUE(p.x >= box.x - 0.5 && p.x <= box.x + box.width + 0.5 && p.y >= box.y - 0.5 &&
                      p.y <= box.y + box.height + 0.5)
              << alignment << " " << count << " \"" << t.text << "\"";
        }
      }
      EXPECT_EQ(OverlappingTexts(list), std::vector<std::string>{}) << alignment << " " << count;
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
