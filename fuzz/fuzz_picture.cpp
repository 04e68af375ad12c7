// Feeds arbitrary bytes to the picture reader behind background images: it
// must either refuse them or return a surface of a sane size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <cairo.h>

#include "engine/device/shared/device_shared.h"
#include "engine/model/chart_model.h"
#include "engine/render/cairo/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantiro::engine::render;
  const CairoSurface owned = DecodePicture(data, size, vantiro::engine::device::kPictureLimits);
  cairo_surface_t* surface = owned.get();
  if (surface == nullptr) return 0;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    if (!vantiro::engine::ChartSizeAllowed(width, height)) {
      std::abort();
    }
    // Touch every pixel so a short buffer shows up under the sanitizers.
    cairo_surface_flush(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    unsigned sum = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width * 4; ++x)
        sum += pixels[static_cast<std::ptrdiff_t>(y) * stride + x];
    }
    if (sum == 0xFFFFFFFFu) std::abort();  // keeps the loop from being optimised away
  }
  return 0;
}
