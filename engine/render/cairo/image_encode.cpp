// JPEG and BMP encoding of rendered charts.
#include "engine/render/cairo/image_encode.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace vantiro::engine::render {
namespace {

std::uint32_t PixelAt(const std::uint8_t* row, int x) {
  std::uint32_t p;
  std::memcpy(&p, row + std::size_t(x) * 4, sizeof p);
  return p;
}

// ---------------------------------------------------------------- JPEG

struct JpegErrorTrap {
  jpeg_error_mgr manager;  // first member: libjpeg's err points here
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
  std::longjmp(trap->jump, 1);
}

void JpegSilence(j_common_ptr) {}

// Everything one JPEG encoding touches, kept outside the frames that a
// libjpeg error unwinds with longjmp.
#ifdef JCS_EXTENSIONS
// libjpeg-turbo reads Cairo's opaque pixels as they are: B, G, R, A bytes
// on little-endian machines, A, R, G, B on big-endian ones.
constexpr bool kJpegReadsCairoPixels = true;
constexpr J_COLOR_SPACE kCairoColourSpace =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
#else
constexpr bool kJpegReadsCairoPixels = false;
constexpr J_COLOR_SPACE kCairoColourSpace = JCS_RGB;
#endif

// Whether every pixel of the image is opaque.
bool Opaque(const PixelView& image) {
  std::uint32_t alphas = 0xFF000000u;
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.data + std::size_t(y) * image.stride;
    for (int x = 0; x < image.width; ++x) alphas &= PixelAt(row, x);
    if (alphas < 0xFF000000u) return false;
  }
  return true;
}

struct JpegEncodeJob {
  jpeg_compress_struct info{};
  JpegErrorTrap trap{};
  const PixelView* image = nullptr;
  int quality = 75;
  std::uint8_t* rgbRow = nullptr;  // null: rows go to libjpeg as Cairo holds them
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

// The libjpeg calls; may leave by longjmp, so no objects with destructors.
void JpegEncodeSteps(JpegEncodeJob& job) {
  jpeg_create_compress(&job.info);
  jpeg_mem_dest(&job.info, &job.buffer, &job.size);
  job.info.image_width = static_cast<JDIMENSION>(job.image->width);
  job.info.image_height = static_cast<JDIMENSION>(job.image->height);
  job.info.input_components = job.rgbRow != nullptr ? 3 : 4;
  job.info.in_color_space = job.rgbRow != nullptr ? JCS_RGB : kCairoColourSpace;
  jpeg_set_defaults(&job.info);
  jpeg_set_quality(&job.info, job.quality, TRUE);
  jpeg_start_compress(&job.info, TRUE);
  while (job.info.next_scanline < job.info.image_height) {
    const std::uint8_t* row =
        job.image->data + std::size_t(job.info.next_scanline) * job.image->stride;
    // libjpeg only reads the rows it is given.
    JSAMPROW rows[1] = {const_cast<std::uint8_t*>(row)};
    if (job.rgbRow != nullptr) {
      RowToRgb(row, job.image->width, job.rgbRow);
      rows[0] = job.rgbRow;
    }
    jpeg_write_scanlines(&job.info, rows, 1);
  }
  jpeg_finish_compress(&job.info);
}

bool JpegEncodeGuarded(JpegEncodeJob& job) {
  job.info.err = jpeg_std_error(&job.trap.manager);
  job.trap.manager.error_exit = JpegErrorExit;
  job.trap.manager.output_message = JpegSilence;
  if (setjmp(job.trap.jump) != 0) return false;
  JpegEncodeSteps(job);
  return true;
}

// ---------------------------------------------------------------- BMP

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const PixelView& image, int quality) {
  if (!Encodable(image) || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
    return {};
  }
  std::vector<std::uint8_t> rgbRow;
  if (!kJpegReadsCairoPixels || !Opaque(image)) rgbRow.resize(std::size_t(image.width) * 3);
  JpegEncodeJob job;
  job.image = &image;
  job.quality = std::clamp(quality, 1, 100);
  job.rgbRow = rgbRow.empty() ? nullptr : rgbRow.data();
  const bool ok = JpegEncodeGuarded(job);
  jpeg_destroy_compress(&job.info);
  std::vector<std::uint8_t> out;
  if (ok && job.buffer != nullptr) out.assign(job.buffer, job.buffer + job.size);
  std::free(job.buffer);
  return out;
}

std::vector<std::uint8_t> EncodeBmp(const PixelView& image) {
  if (!Encodable(image)) return {};
  const std::size_t rowBytes = (std::size_t(image.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = rowBytes * image.height;
  constexpr std::uint32_t kHeaderBytes = 14 + 40;
  if (pixelBytes > 0xFFFFFFFFu - kHeaderBytes) return {};
  std::vector<std::uint8_t> out;
  out.reserve(kHeaderBytes + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  PutLe(out, static_cast<std::uint32_t>(kHeaderBytes + pixelBytes), 4);
  PutLe(out, 0, 4);             // reserved
  PutLe(out, kHeaderBytes, 4);  // offset of the pixels
  PutLe(out, 40, 4);            // BITMAPINFOHEADER
  PutLe(out, static_cast<std::uint32_t>(image.width), 4);
  PutLe(out, static_cast<std::uint32_t>(image.height), 4);  // positive: bottom-up
  PutLe(out, 1, 2);                                         // planes
  PutLe(out, 24, 2);                                        // bits per pixel
  PutLe(out, 0, 4);                                         // uncompressed
  PutLe(out, static_cast<std::uint32_t>(pixelBytes), 4);
  PutLe(out, 3780, 4);  // 96 dots per inch, in dots per metre
  PutLe(out, 3780, 4);
  PutLe(out, 0, 4);  // no palette
  PutLe(out, 0, 4);
  out.resize(kHeaderBytes + pixelBytes);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* src = image.data + std::size_t(image.height - 1 - y) * image.stride;
    std::uint8_t* dst = &out[kHeaderBytes + rowBytes * y];
    RowToRgb(src, image.width, dst);
    for (int x = 0; x < image.width; ++x) std::swap(dst[3 * x], dst[3 * x + 2]);
  }
  return out;
}

}  // namespace vantiro::engine::render
