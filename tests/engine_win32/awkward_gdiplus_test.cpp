// The awkward charts measured and drawn by GDI+: what they say holds with
// its wider text metrics, and every text stands out from the pixels under it.
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/shared/device_shared.h"
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
  CheckOnBackend(measurer, 20, {{240, 160}, {600, 400}}, [&](const DrawList& list) {
    Gdiplus::Bitmap bitmap(list.width, list.height, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics graphics(&bitmap);
      graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
      render::DrawOnGdiplus(graphics, list, fonts, device::kPictureLimits);
    }
    return testing::ReadPixels(bitmap).argb;
  });
}

}  // namespace
}  // namespace vantiro::engine::layout_test
