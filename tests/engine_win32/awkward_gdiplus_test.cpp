// The awkward charts measured and drawn by GDI+: what they say holds with
// its wider text metrics, and every text stands out from the pixels under it.
#include <string>
#include <variant>

#include <gtest/gtest.h>

#include "engine/layout/layout.h"
#include "engine/render/gdiplus/gdiplus_render.h"
#include "engine/render/gdiplus/gdiplus_text.h"
#include "tests/engine_layout/awkward_charts.h"
#include "tests/engine_win32/pixels.h"

namespace vantiro::engine::layout_test {
namespace {

TEST(AwkwardChartsOnGdiplus, TellTheTruthAndStandOutFromWhatLiesUnder) {
  render::GdiplusFonts fonts;
  render::GdiplusTextMeasurer measurer(fonts);
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    for (const Size size : {Size{240, 160}, Size{600, 400}}) {
      Asked asked;
      const Chart chart = Awkward(seed, size, asked);
      SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(size.width) + "x" +
                   std::to_string(size.height));
      const DrawList list = LayoutChart(chart, size.width, size.height, measurer);
      CheckPlacement(chart, asked, list, measurer);
      CheckTruth(chart, list, measurer);
      CheckSlices(chart, list);
      DrawList backdrop = list;
      std::erase_if(backdrop.shapes,
                    [](const Shape& s) { return std::holds_alternative<TextShape>(s); });
      Gdiplus::Bitmap bitmap(size.width, size.height, PixelFormat32bppARGB);
      {
        Gdiplus::Graphics graphics(&bitmap);
        graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
        render::DrawOnGdiplus(graphics, backdrop, fonts);
      }
      const testing::Pixels pixels = testing::ReadPixels(bitmap);
      CheckContrast(list, measurer, [&](int x, int y) { return pixels.At(x, y) | 0xFF000000u; });
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
