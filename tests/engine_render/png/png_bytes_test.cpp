// The PNG writer's exact bytes stay put: the example pictures in
// docs/images, which it wrote, come out byte for byte again from their
// pixels, and synthetic images (translucent, wider than the deflate window,
// turning translucent on the last row) keep the sizes and CRCs they had.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include "engine/render/png/png_encode.h"

namespace vantiro::engine::render {
namespace {

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;  // premultiplied
  PixelView view() const {
    return {reinterpret_cast<const std::uint8_t*>(argb.data()), width, height, width * 4};
  }
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of a PNG file as Cairo would hold them.
Image Decode(const std::vector<std::uint8_t>& file) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) return {};
  png.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) return {};
  Image image{int(png.width), int(png.height), std::vector<std::uint32_t>(png.width * png.height)};
  for (std::size_t i = 0; i < image.argb.size(); ++i) {
    const std::uint8_t* p = &rgba[i * 4];
    const std::uint32_t a = p[3];
    const auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    image.argb[i] = (a << 24) | (pre(p[0]) << 16) | (pre(p[1]) << 8) | pre(p[2]);
  }
  return image;
}

TEST(PngBytes, ExamplePicturesComeOutAgainByteForByte) {
  // Once with a writer of their own, once through one writer that keeps its
  // tables from picture to picture, largest and smallest in turn.
  PngEncoder shared;
  for (const char* name : {"quarterly-sales.png", "dashboard.png", "stacked-horizontal.png",
                           "donut.png", "awkward-pie.png", "awkward-tiny.png"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> file = ReadFile(std::string(VANTIRO_IMAGES_DIR) + "/" + name);
    const Image image = Decode(file);
    ASSERT_GT(image.width, 0);
    EXPECT_TRUE(EncodePng(image.view()) == file);
    EXPECT_TRUE(shared.Encode(image.view()) == file);
  }
}

// Bars on a white ground with specks; row `translucentRow` at `alpha` (0x80 or more).
Image Synthetic(int w, int h, unsigned seed, int translucentRow = -1, std::uint32_t alpha = 0xFF) {
  Image image{w, h, std::vector<std::uint32_t>(std::size_t(w) * h, 0xFFFFFFFFu)};
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t& p = image.argb[std::size_t(y) * w + x];
      if ((x / 37) % 3 == 1 && y > h / 3) p = 0xFF4472C4u;
      if (random() % 61 == 0) p = 0xFF000000u | (random() & 0xFFFFFF);
      if (y == translucentRow) p = alpha << 24 | (p >> 1 & 0x7F7F7F);  // premultiplied
    }
  }
  return image;
}

TEST(PngBytes, SyntheticImagesKeepTheirBytes) {
  const struct {
    const char* name;
    Image image;
    std::size_t size;
    std::uint32_t crc;
  } cases[] = {
      {"1x1", Synthetic(1, 1, 1), 76, 0x3CB91F0Du},
      {"800x600", Synthetic(800, 600, 2), 58466, 0xC536DC1Bu},
      {"1000x700", Synthetic(1000, 700, 3), 86304, 0xAC42801Bu},
      {"120x80", Synthetic(120, 80, 4), 1344, 0x5F7696FAu},
      {"rows wider than the window", Synthetic(12000, 5, 5), 7722, 0x1F808310u},
      {"translucent", Synthetic(300, 200, 6, 100, 0x80), 7670, 0xB4A94415u},
      {"translucent only on the last row", Synthetic(640, 480, 7, 479, 0xFE), 38055, 0xF7F54681u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> file = EncodePng(c.image.view());
    const auto crc = std::uint32_t(crc32(0, file.data(), uInt(file.size())));
    EXPECT_EQ(file.size(), c.size);
    EXPECT_EQ(crc, c.crc);
  }
}

}  // namespace
}  // namespace vantiro::engine::render
