// Any bytes as a chart file, drawn by the real native engine: a chart the
// reader accepts is shrunk to at most kMaxSide pixels a side, then shown,
// saved as PNG (and at the swapped size as SVG and PDF) and printed into a
// PDF, all of which must succeed. Files go into a private folder, emptied
// after each input.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "engine/device/shared/device_shared.h"
#include "engine/chartfile/chart_file.h"
#include "engine/device/device.h"
#include "abi/rmchart.h"
#include "engine/model/chart_store.h"
#include "engine/render/cairo/image_decode.h"
#include "engine/render/cairo/image_encode.h"
#include "fuzz/private_folder.h"

namespace {

using namespace vantiro::engine;

constexpr int kMaxSide = 256;

int Bounded(int side) { return side <= kMaxSide ? side : 1 + side % kMaxSide; }

const vantiro::fuzz::PrivateFolder& Folder() {
  static const vantiro::fuzz::PrivateFolder folder("vantiro-fuzz-draw");
  return folder;
}

// A 3 x 2 PNG for charts that name a background image.
const std::vector<std::uint8_t>& Picture() {
  static const std::vector<std::uint8_t> png = [] {
    const std::uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                     0xFFFFFFFF, 0xFF000000, 0xFF808080};
    render::PixelView view;
    view.data = reinterpret_cast<const std::uint8_t*>(pixels);
    view.width = 3;
    view.height = 2;
    view.stride = 3 * 4;
    return render::EncodePng(view);
  }();
  return png;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Chart chart;
  if (!chartfile::ParseChart(std::string_view(reinterpret_cast<const char*>(data), size), chart)) {
    return 0;
  }
  ChartSettings& s = chart.settings;
  s.width = Bounded(s.width);
  s.height = Bounded(s.height);
  // Only pictures of our own: one that reads, or one that is not there.
  if (!s.backgroundImage.empty()) {
    const bool readable = (s.backgroundImage[0] & 1) != 0;
    s.backgroundImage = Folder().File("picture.png");
    if (readable) {
      std::ofstream(s.backgroundImage, std::ios::binary)
          .write(reinterpret_cast<const char*>(Picture().data()),
                 static_cast<std::streamsize>(Picture().size()));
    }
  }
  s.parent = 1;
  Check(IsValidChart(chart));

  Check(device::ShowChart(chart) == 0);
  Check(device::DrawToFile(chart, Folder().File("chart.png"), s.width, s.height, 0) == 0);
  // Vector files at the other aspect: the layout is redone for the new size.
  for (const char* name : {"chart.svg", "chart.pdf"}) {
    Check(device::DrawToFile(chart, Folder().File(name), s.height, s.width, 0) == 0);
  }
  // The PNG reads back at the size it was drawn at.
  const std::string png = Contents(Folder().File("chart.png"));
  const render::CairoSurface image = render::DecodePicture(
      reinterpret_cast<const std::uint8_t*>(png.data()), png.size(), device::kPictureLimits);
  Check(image != nullptr && cairo_image_surface_get_width(image.get()) == s.width &&
        cairo_image_surface_get_height(image.get()) == s.height);

  const std::uintptr_t printer = VantiroEngine_OpenPdfPrinter(Folder().File("print.pdf").c_str());
  Check(printer != 0);
  Check(device::DrawToPrinter(chart, printer, 0, 0, 0, 0, 1) == 0);
  VantiroEngine_ClosePdfPrinter(printer);

  Folder().Empty();
  return 0;
}
