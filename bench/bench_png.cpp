// How small and how fast our PNG writer is on real chart pixels: each
// example picture in docs/images is decoded, then written again by our
// encoder and, for reference, by libpng (zlib level 6, its own choice of
// filters) and by zlib level 6 on unfiltered rows. Counters: kilobytes
// written, and the ratio to the smaller of the two references.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include "engine/render/cairo/image_encode.h"

namespace vantiro::engine {
namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;  // premultiplied, as Cairo draws
  std::vector<std::uint8_t> rgba;   // as libpng read it
  std::vector<std::uint8_t> rgb;    // as libpng is given it to write
  render::PixelView view() const {
    return {reinterpret_cast<const std::uint8_t*>(argb.data()), width, height, width * 4};
  }
};

Picture Load(const std::string& name) {
  Picture picture;
  const std::string path = std::string(VANTIRO_IMAGES_DIR) + "/" + name;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return picture;
  png.format = PNG_FORMAT_RGBA;
  picture.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, picture.rgba.data(), 0, nullptr)) return {};
  picture.width = int(png.width);
  picture.height = int(png.height);
  picture.argb.resize(std::size_t(picture.width) * picture.height);
  for (std::size_t i = 0; i < picture.argb.size(); ++i) {
    const std::uint8_t* p = &picture.rgba[i * 4];
    const std::uint32_t a = p[3];
    const auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    picture.argb[i] = (a << 24) | (pre(p[0]) << 16) | (pre(p[1]) << 8) | pre(p[2]);
  }
  picture.rgb.resize(picture.argb.size() * 3);
  for (std::size_t i = 0; i < picture.argb.size(); ++i) {
    std::memcpy(&picture.rgb[i * 3], &picture.rgba[i * 4], 3);
  }
  return picture;
}

// libpng's simplified writer into `out`, sized once by a first call; one
// write per call after that.
std::size_t LibpngBytes(const Picture& picture, std::vector<std::uint8_t>& out) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(picture.width);
  png.height = png_uint_32(picture.height);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = out.size();
  if (!out.empty() &&
      png_image_write_to_memory(&png, out.data(), &size, 0, picture.rgb.data(), 0, nullptr)) {
    return size;
  }
  size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, picture.rgb.data(), 0, nullptr)) return 0;
  out.resize(size);
  const bool written =
      png_image_write_to_memory(&png, out.data(), &size, 0, picture.rgb.data(), 0, nullptr);
  return written ? size : 0;
}

std::size_t LibpngBytes(const Picture& picture) {
  std::vector<std::uint8_t> out;
  return LibpngBytes(picture, out);
}

// zlib at level 6 on the unfiltered RGB scanlines, the stream inside a PNG.
std::size_t ZlibUnfilteredBytes(const Picture& picture) {
  const std::size_t rowBytes = std::size_t(picture.width) * 3;
  std::vector<std::uint8_t> rows((rowBytes + 1) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(&rows[(rowBytes + 1) * y + 1], &picture.rgb[rowBytes * y], rowBytes);
  }
  uLongf size = compressBound(uLong(rows.size()));
  std::vector<Bytef> out(size);
  if (compress2(out.data(), &size, rows.data(), uLong(rows.size()), 6) != Z_OK) return 0;
  return size + 57;  // signature, IHDR, IDAT and IEND around it
}

void BM_OurPng(benchmark::State& state, const char* name) {
  const Picture picture = Load(name);
  if (picture.width == 0) {
    state.SkipWithError("picture not readable");
    return;
  }
  render::PngEncoder encoder;
  std::size_t bytes = 0;
  for (auto _ : state) bytes = encoder.Encode(picture.view()).size();
  const std::size_t reference = LibpngBytes(picture);
  state.counters["KB"] = double(bytes) / 1024;
  state.counters["zlib6_KB"] = double(reference) / 1024;
  const std::size_t unfiltered = ZlibUnfilteredBytes(picture);
  state.counters["zlib6_none_KB"] = double(unfiltered) / 1024;
  state.counters["ratio"] =
      double(bytes) / double(std::max<std::size_t>(1, std::min(reference, unfiltered)));
}

void BM_LibpngZlib6(benchmark::State& state, const char* name) {
  const Picture picture = Load(name);
  if (picture.width == 0) {
    state.SkipWithError("picture not readable");
    return;
  }
  std::vector<std::uint8_t> out;
  std::size_t bytes = LibpngBytes(picture, out);  // sizes `out`: one encode per iteration
  for (auto _ : state) bytes = LibpngBytes(picture, out);
  state.counters["KB"] = double(bytes) / 1024;
}

BENCHMARK_CAPTURE(BM_OurPng, QuarterlySales, "quarterly-sales.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngZlib6, QuarterlySales, "quarterly-sales.png")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OurPng, Dashboard, "dashboard.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngZlib6, Dashboard, "dashboard.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OurPng, StackedHorizontal, "stacked-horizontal.png")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngZlib6, StackedHorizontal, "stacked-horizontal.png")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OurPng, AwkwardPie, "awkward-pie.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngZlib6, AwkwardPie, "awkward-pie.png")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantiro::engine

BENCHMARK_MAIN();
