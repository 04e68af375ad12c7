// Whole charts through the Windows pipeline: model, layout with GDI+'s text
// measurement, GDI+ drawing; bars and slices found at the pixels their
// values put them.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/shared/device_shared.h"
#include "engine/layout/layout.h"
#include "engine/render/gdiplus/gdiplus_render.h"
#include "engine/render/gdiplus/gdiplus_text.h"
#include "tests/engine_win32/pixels.h"

namespace vantiro::engine {
namespace {

using testing::Near;
using testing::Pixels;

constexpr Argb kPlot = 0xFFEEEEEE;
constexpr Argb kRed = 0xFFCC0000;
constexpr Argb kGreen = 0xFF00AA00;

Pixels Render(const Chart& chart) {
  render::GdiplusFonts fonts;
  render::GdiplusTextMeasurer measurer(fonts);
  const DrawList list = LayoutChart(chart, chart.settings.width, chart.settings.height, measurer);
  Gdiplus::Bitmap bitmap(chart.settings.width, chart.settings.height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
    render::DrawOnGdiplus(graphics, list, fonts, device::kPictureLimits);
  }
  return testing::ReadPixels(bitmap);
}

// 200 x 200, one region, the plot area fixed at 50,20 100 x 160.
Chart ChartWithPlot() {
  Chart chart;
  chart.ctrlId = 1;
  chart.settings.width = 200;
  chart.settings.height = 200;
  Region region;
  region.grid.present = true;
  region.grid.background = kPlot;
  region.grid.x = 50;
  region.grid.y = 20;
  region.grid.width = 100;
  region.grid.height = 160;
  chart.regions.push_back(region);
  return chart;
}

TEST(ChartPixelsTest, BarsStandWhereTheirValuesPutThem) {
  Chart chart = ChartWithPlot();
  Region& region = chart.regions.front();
  DataAxis axis;
  axis.minValue = 0;
  axis.maxValue = 100;
  axis.lineStyle = kLineNone;
  region.dataAxes.push_back(axis);
  BarSeries bars;
  bars.values = {50, 100};
  bars.colour = kRed;
  region.bars.push_back(bars);

  // Two categories of 50 pixels; 50 reaches the middle (y 100), 100 the top.
  const Pixels p = Render(chart);
  const struct {
    int x, y;
    Argb colour;
  } probes[] = {
      {75, 102, kRed},  {75, 175, kRed},   {75, 97, kPlot},  {125, 23, kRed},
      {125, 175, kRed}, {100, 150, kPlot}, {52, 150, kPlot}, {148, 150, kPlot},
  };
  for (const auto& probe : probes) {
    EXPECT_TRUE(Near(p.At(probe.x, probe.y), probe.colour, 8)) << probe.x << "," << probe.y;
  }
}

TEST(ChartPixelsTest, APieOfOneValueFillsItsCircle) {
  Chart chart = ChartWithPlot();
  GridlessSeries pie;
  pie.values = {1};
  pie.colours = {kGreen};
  chart.regions.front().gridless.push_back(pie);

  const Pixels p = Render(chart);
  EXPECT_TRUE(Near(p.At(100, 100), kGreen, 8));
  EXPECT_TRUE(Near(p.At(100, 130), kGreen, 8));
  EXPECT_TRUE(Near(p.At(52, 22), kPlot, 8));  // corner of the plot, outside the circle
}

int Distance(Argb a, Argb b) {
  int sum = 0;
  for (int shift : {16, 8, 0}) sum += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
  return sum;
}

// Every pixel of a pie (slices, their white edges, the plot around them)
// has a neighbour of its own kind: no pixel of a fill stands alone beyond a
// slice's edge, nor one of the edge inside a fill.
TEST(ChartPixelsTest, PieEdgesHaveNoStrayPixels) {
  Chart chart = ChartWithPlot();
  chart.regions.front().grid.width = 160;
  chart.regions.front().grid.x = 20;
  const std::vector<Argb> colours{0xFF4472C4, 0xFFED7D31, 0xFFA5A5A5, 0xFFFFC000, 0xFF5B9BD5};
  std::vector<Argb> kinds = colours;
  kinds.push_back(kPlot);
  kinds.push_back(0xFFFFFFFF);
  for (std::int32_t explode : {0, 1, -1}) {
    SCOPED_TRACE(explode);
    GridlessSeries pie;
    pie.values = {38, 24, 18, 12, 8};
    pie.colours = colours;
    pie.explode = explode;
    pie.startAngle = 7;
    chart.regions.front().gridless = {pie};
    const Pixels p = Render(chart);
    const auto kind = [&](int x, int y) {  // the nearest of the colours drawn
      int best = 0;
      for (std::size_t i = 1; i < kinds.size(); ++i) {
        if (Distance(p.At(x, y), kinds[i]) < Distance(p.At(x, y), kinds[best]))
          best = static_cast<int>(i);
      }
      return best;
    };
    int stray = 0;
    for (int y = 21; y < 179; ++y) {
      for (int x = 21; x < 179; ++x) {
        bool alone = true;
        for (int dy = -1; dy <= 1 && alone; ++dy) {
          for (int dx = -1; dx <= 1 && alone; ++dx) {
            alone = (dx == 0 && dy == 0) || kind(x + dx, y + dy) != kind(x, y);
          }
        }
        if (alone && stray++ < 5) ADD_FAILURE() << "stray pixel at " << x << "," << y;
      }
    }
    EXPECT_EQ(stray, 0);
  }
}

}  // namespace
}  // namespace vantiro::engine
