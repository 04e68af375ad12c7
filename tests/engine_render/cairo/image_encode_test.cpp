// The image encoders write files that standard decoders read back: PNG
// exactly, JPEG closely, BMP exactly.
#include <cstring>
#include <random>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "engine/device/shared/device_shared.h"
#include "engine/model/chart_model.h"
#include "engine/render/cairo/cairo_render.h"
#include "engine/render/cairo/image_decode.h"
#include "engine/render/cairo/image_encode.h"

namespace vantiro::engine::render {
namespace {

// Premultiplied ARGB pixels with their own storage.
struct TestImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  PixelView view() const {
    return {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4};
  }
  std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

TestImage Pattern(int w, int h, bool opaque, unsigned seed) {
  TestImage image{w, h, std::vector<std::uint32_t>(std::size_t(w) * h)};
  std::mt19937 random(seed);
  for (auto& p : image.pixels) {
    const std::uint32_t a = opaque ? 255 : random() % 256;
    const auto channel = [&] { return a == 0 ? 0 : std::uint32_t(random() % (a + 1)); };
    p = (a << 24) | (channel() << 16) | (channel() << 8) | channel();
  }
  return image;
}

// An opaque pattern with one half-transparent pixel at (x, y): rows are
// converted several opaque pixels at a time up to it.
TestImage OneTranslucentPixel(int w, int h, int x, int y) {
  TestImage image = Pattern(w, h, true, 9);
  image.pixels[std::size_t(y) * w + x] = 0x80402010;
  return image;
}

// A chart-like picture: flat areas, gradients, text and lines.
TestImage ChartLike(int w, int h) {
  DrawList list;
  list.width = w;
  list.height = h;
  RectShape plot;
  plot.x = 40;
  plot.y = 30;
  plot.width = w - 80;
  plot.height = h - 80;
  plot.fill.colour = 0xFFF0F0F0;
  plot.fill.colour2 = 0xFFC0C8FF;
  plot.fill.gradient = Gradient::kVertical;
  list.shapes.push_back(plot);
  for (int i = 0; i < 3; ++i) {
    RectShape bar;
    bar.x = 60 + i * 90;
    bar.y = h - 50 - 100 * (i + 1);
    bar.width = 50;
    bar.height = 100 * (i + 1);
    bar.fill.colour = kPalette[i];
    bar.fill.hatch = i == 2 ? kHatchDiagonalCross : kHatchNone;
    bar.fill.hatchColour = 0xFF203040;
    list.shapes.push_back(bar);
  }
  TextShape caption;
  caption.text = "Quarterly sales";
  caption.anchor = {w / 2.0, 5};
  caption.hAlign = HAlign::kCentre;
  caption.vAlign = VAlign::kTop;
  list.shapes.push_back(caption);
  CairoFonts fonts;
  const CairoImage rendered = RenderToImage(list, fonts, device::kPictureLimits);
  TestImage image{w, h, std::vector<std::uint32_t>(std::size_t(w) * h)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.pixels[std::size_t(y) * w + x] = rendered.Pixel(x, y);
  }
  return image;
}

// Flat blocks of a few colours, vertical and horizontal gradients, and
// text-like specks: short random pixel patterns stamped again and again at
// irregular places on white, the repeats that only a search far back finds.
TestImage Synthetic(int w, int h, unsigned seed) {
  TestImage image{w, h, std::vector<std::uint32_t>(std::size_t(w) * h, 0xFFFFFFFF)};
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t& p = image.pixels[std::size_t(y) * w + x];
      if (x < w / 4) {
        p = kPalette[(x / 37 + y / 23) % 4];
      } else if (x < w / 2) {
        p = 0xFF000000u | std::uint32_t(y * 255 / std::max(1, h - 1)) << 8 | 0x40;
      } else if (x < 3 * w / 4) {
        p = 0xFF000000u | std::uint32_t(x * 255 / std::max(1, w - 1)) << 16 | 0x2080;
      }
    }
  }
  std::uint32_t glyph[5][4];
  for (auto& row : glyph) {
    for (auto& p : row) p = 0xFF000000u | (random() % 2 == 0 ? 0xFFFFFF : random() & 0xFFFFFF);
  }
  for (int n = 0; n < w * h / 40; ++n) {
    const int x0 = int(random() % std::uint32_t(w)), y0 = int(random() % std::uint32_t(h));
    for (int y = y0; y < std::min(h, y0 + 5); ++y) {
      for (int x = x0; x < std::min(w, x0 + 4); ++x) {
        image.pixels[std::size_t(y) * w + x] = glyph[y - y0][x - x0];
      }
    }
  }
  return image;
}

// RGBA bytes a correct decoder must return for a premultiplied pixel.
std::uint32_t Unpremultiplied(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 0) return 0;
  std::uint32_t out = a;
  for (int shift : {0, 8, 16}) {
    out |= (((p >> shift & 0xFF) * 255 + a / 2) / a) << (shift + 8);
  }
  return out;  // 0xRRGGBBAA
}

TEST(PngEncoder, DecodesBackToExactlyTheSamePixels) {
  const struct {
    const char* name;
    TestImage image;
  } cases[] = {
      {"1x1", Pattern(1, 1, true, 1)},
      {"3x7", Pattern(3, 7, true, 2)},
      {"noise 64x33", Pattern(64, 33, true, 3)},
      {"noise in several deflate blocks", Pattern(300, 200, true, 6)},
      {"rows further apart than deflate can reach", Pattern(11000, 3, true, 7)},
      {"translucent 17x9", Pattern(17, 9, false, 4)},
      {"opaque but one pixel 40x5", OneTranslucentPixel(40, 5, 29, 3)},
      {"flat, gradients and specks 640x480", Synthetic(640, 480, 10)},
      {"flat, gradients and specks 1x1", Synthetic(1, 1, 11)},
      {"flat, gradients and specks 2x300", Synthetic(2, 300, 12)},
      {"very wide 16000x4", Synthetic(16000, 4, 13)},
      {"chart 800x600", ChartLike(800, 600)},
      {"chart 333x251", ChartLike(333, 251)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> file = EncodePng(c.image.view());
    ASSERT_FALSE(file.empty());
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&png, file.data(), file.size())) << png.message;
    ASSERT_EQ(int(png.width), c.image.width);
    ASSERT_EQ(int(png.height), c.image.height);
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) << png.message;
    int wrong = 0;
    for (int y = 0; y < c.image.height; ++y) {
      for (int x = 0; x < c.image.width; ++x) {
        const std::uint8_t* p = &rgba[(std::size_t(y) * c.image.width + x) * 4];
        const std::uint32_t got = (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        const std::uint32_t want = Unpremultiplied(c.image.at(x, y));
        wrong += got != want && (want & 0xFF) != 0;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// What zlib at level 6 makes of the image's unfiltered RGB scanlines.
std::size_t Zlib6Bytes(const TestImage& image) {
  const std::size_t rowBytes = std::size_t(image.width) * 3;
  std::vector<Bytef> rows((rowBytes + 1) * image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.at(x, y);
      Bytef* q = &rows[(rowBytes + 1) * y + 1 + std::size_t(x) * 3];
      q[0] = Bytef(p >> 16);
      q[1] = Bytef(p >> 8);
      q[2] = Bytef(p);
    }
  }
  uLongf size = compressBound(uLong(rows.size()));
  std::vector<Bytef> out(size);
  EXPECT_EQ(compress2(out.data(), &size, rows.data(), uLong(rows.size()), 6), Z_OK);
  return size;
}

TEST(PngEncoder, OpaqueImagesAreRgbAndChartsNearlyAsSmallAsZlib) {
  const TestImage chart = ChartLike(800, 600);
  const std::vector<std::uint8_t> file = EncodePng(chart.view());
  ASSERT_GT(file.size(), 33u);
  EXPECT_EQ(file[25], 2);  // colour type of IHDR: RGB
  // Signature and chunks around the stream: 57 bytes.
  EXPECT_LT(double(file.size() - 57), 1.15 * double(Zlib6Bytes(chart)));
  EXPECT_EQ(EncodePng(Pattern(5, 5, false, 9).view())[25], 6);  // RGBA
  EXPECT_TRUE(EncodePng(PixelView{}).empty());
}

struct DecodedJpeg {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& file) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  DecodedJpeg out{int(info.output_width), int(info.output_height), {}};
  out.rgb.resize(std::size_t(out.width) * out.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &out.rgb[std::size_t(info.output_scanline) * out.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return out;
}

TEST(JpegEncoder, DecodesToNearlyTheSameColoursAndQualityTradesSize) {
  const TestImage chart = ChartLike(320, 240);
  const std::vector<std::uint8_t> best = EncodeJpeg(chart.view(), 95);
  const std::vector<std::uint8_t> worst = EncodeJpeg(chart.view(), 5);
  ASSERT_FALSE(best.empty());
  EXPECT_EQ(best[0], 0xFF);
  EXPECT_EQ(best[1], 0xD8);
  EXPECT_LT(worst.size(), best.size() / 2);
  const DecodedJpeg decoded = DecodeJpeg(best);
  ASSERT_EQ(decoded.width, 320);
  ASSERT_EQ(decoded.height, 240);
  double error = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const std::uint32_t p = chart.at(x, y);
      const std::uint8_t* q = &decoded.rgb[(std::size_t(y) * 320 + x) * 3];
      error += std::abs(int(p >> 16 & 0xFF) - q[0]) + std::abs(int(p >> 8 & 0xFF) - q[1]) +
               std::abs(int(p & 0xFF) - q[2]);
    }
  }
  EXPECT_LT(error / (320 * 240 * 3), 2.0);
  // Out-of-range qualities are clamped, not refused.
  EXPECT_FALSE(EncodeJpeg(chart.view(), 0).empty());
  EXPECT_FALSE(EncodeJpeg(chart.view(), 1000).empty());
}

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

TEST(BmpEncoder, HeaderAndBottomUpPaddedRows) {
  TestImage image = Pattern(3, 2, true, 5);
  image.pixels[0] = 0xFF102030;  // top-left
  image.pixels[3] = 0x80800000;  // bottom-left: half-transparent red over white
  const std::vector<std::uint8_t> bmp = EncodeBmp(image.view());
  ASSERT_EQ(bmp.size(), 54u + 2 * 12);  // 9 bytes of pixels padded to 12 per row
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
  EXPECT_EQ(Le(bmp, 10, 4), 54u);
  EXPECT_EQ(Le(bmp, 18, 4), 3u);
  EXPECT_EQ(Le(bmp, 22, 4), 2u);
  EXPECT_EQ(Le(bmp, 28, 2), 24u);
  // The first stored row is the bottom one, in blue, green, red order.
  EXPECT_EQ(Le(bmp, 54, 3), 0xFF7F7Fu);
  EXPECT_EQ(Le(bmp, 54 + 12, 3), 0x102030u);
  // Our own reader takes it back.
  CairoSurface back = DecodePicture(bmp.data(), bmp.size(), device::kPictureLimits);
  ASSERT_NE(back, nullptr);
  CairoImage owned(back.release());
  EXPECT_EQ(owned.Pixel(0, 0), 0xFF102030u);
  EXPECT_EQ(owned.Pixel(2, 1), image.at(2, 1));
}

}  // namespace
}  // namespace vantiro::engine::render
