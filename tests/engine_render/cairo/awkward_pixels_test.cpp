// The awkward charts measured and drawn by Cairo: what they say holds with
// real text metrics, and every text stands out from the pixels under it.
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/shared/device_shared.h"
#include "engine/layout/layout.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/cairo_text.h"
#include "tests/engine_layout/awkward_charts.h"

namespace vantiro::engine::layout_test {
namespace {

TEST(AwkwardChartsOnCairo, TellTheTruthAndStandOutFromWhatLiesUnder) {
  render::CairoFonts fonts;
  render::CairoTextMeasurer measurer(fonts);
  CheckOnBackend(measurer, 30, {{240, 160}, {600, 400}, {1024, 768}}, [&](const DrawList& list) {
    const render::CairoImage image = render::RenderToImage(list, fonts, device::kPictureLimits);
    std::vector<Argb> pixels;
    for (int y = 0; image.ok() && y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) pixels.push_back(image.Pixel(x, y));
    }
    return pixels;
  });
}

}  // namespace
}  // namespace vantiro::engine::layout_test
