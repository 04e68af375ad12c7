// The awkward charts measured and drawn by Cairo: what they say holds with
// real text metrics, and every text stands out from the pixels under it.
#include <string>
#include <variant>

#include <gtest/gtest.h>

#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/cairo_text.h"
#include "tests/engine_layout/awkward_charts.h"

namespace vantiro::engine::layout_test {
namespace {

TEST(AwkwardChartsOnCairo, TellTheTruthAndStandOutFromWhatLiesUnder) {
  render::CairoFonts fonts;
  render::CairoTextMeasurer measurer(fonts);
  for (std::uint32_t seed = 1; seed <= 30; ++seed) {
    for (const Size size : {Size{240, 160}, Size{600, 400}, Size{1024, 768}}) {
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
      const render::CairoImage image = render::RenderToImage(backdrop, fonts);
      ASSERT_TRUE(image.ok());
      CheckContrast(list, measurer, [&](int x, int y) { return image.Pixel(x, y) | 0xFF000000u; });
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
