// Whole charts through the Windows pipeline: model, layout with GDI+'s text
// measurement, GDI+ drawing; bars and slices found at the pixels their
// values put them.
#include <gtest/gtest.h>

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
    render::DrawOnGdiplus(graphics, list, fonts);
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

}  // namespace
}  // namespace vantiro::engine
