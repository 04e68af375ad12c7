// Picture decoding: PNG through Cairo, JPEG through libjpeg, BMP by hand.
#include "engine/render/cairo/image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "engine/files/file_io.h"

namespace vantiro::engine::render {
namespace {

std::uint32_t Le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// Rows of an opaque RGB24 surface, written by the decoders.
void StoreRgb(cairo_surface_t* surface, int y, int x, std::uint32_t r, std::uint32_t g,
              std::uint32_t b) {
  unsigned char* row = cairo_image_surface_get_data(surface) +
                       std::size_t(y) * cairo_image_surface_get_stride(surface);
  const std::uint32_t pixel = 0xFF000000u | (r << 16) | (g << 8) | b;
  std::memcpy(row + std::size_t(x) * 4, &pixel, 4);
}

CairoSurface NewRgbSurface(int width, int height) {
  CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  return surface;
}

// ---------------------------------------------------------------- PNG

struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
};

cairo_status_t ReadFromMemory(void* closure, unsigned char* out, unsigned int length) {
  auto* reader = static_cast<MemoryReader*>(closure);
  if (reader->size - reader->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, reader->data + reader->offset, length);
  reader->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

CairoSurface DecodePng(const std::uint8_t* data, std::size_t size, const PictureLimits& limits) {
  // Width and height of the header chunk, checked before Cairo allocates.
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0 ||
      !limits.Allow(Be32(data + 16), Be32(data + 20))) {
    return nullptr;
  }
  MemoryReader reader{data, size, 0};
  CairoSurface surface(cairo_image_surface_create_from_png_stream(ReadFromMemory, &reader));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return surface;
}

// ---------------------------------------------------------------- JPEG

struct JpegErrorTrap {
  jpeg_error_mgr manager;  // first member: libjpeg's err points here
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->jump, 1);
}

void JpegSilence(j_common_ptr) {}

// Everything one JPEG decoding touches, kept outside the frames that a
// libjpeg error unwinds with longjmp. The surface is a plain pointer for
// that reason; DecodeJpeg hands it to a guard once libjpeg is done.
struct JpegDecodeJob {
  jpeg_decompress_struct info{};
  JpegErrorTrap trap{};
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  PictureLimits limits;
  cairo_surface_t* surface = nullptr;
};

// The libjpeg calls; may leave by longjmp, so no objects with destructors.
void JpegDecodeSteps(JpegDecodeJob& job) {
  jpeg_create_decompress(&job.info);
  jpeg_mem_src(&job.info, job.data, static_cast<unsigned long>(job.size));
  jpeg_read_header(&job.info, TRUE);
  job.info.out_color_space = JCS_RGB;
  if (!job.limits.Allow(job.info.image_width, job.info.image_height)) return;
  jpeg_start_decompress(&job.info);
  const int width = static_cast<int>(job.info.output_width);
  const int height = static_cast<int>(job.info.output_height);
  if (job.info.output_components != 3 || !job.limits.Allow(width, height)) return;
  job.surface = NewRgbSurface(width, height).release();
  if (job.surface == nullptr) return;
  JSAMPARRAY row =
      (*job.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&job.info), JPOOL_IMAGE,
                                    static_cast<JDIMENSION>(width) * 3, 1);
  while (job.info.output_scanline < job.info.output_height) {
    const int y = static_cast<int>(job.info.output_scanline);
    if (jpeg_read_scanlines(&job.info, row, 1) != 1) break;
    for (int x = 0; x < width; ++x) {
      const JSAMPLE* p = row[0] + 3 * x;
      StoreRgb(job.surface, y, x, p[0], p[1], p[2]);
    }
  }
  jpeg_finish_decompress(&job.info);
}

bool JpegDecodeGuarded(JpegDecodeJob& job) {
  job.info.err = jpeg_std_error(&job.trap.manager);
  job.trap.manager.error_exit = JpegErrorExit;
  job.trap.manager.output_message = JpegSilence;
  if (setjmp(job.trap.jump) != 0) return false;
  JpegDecodeSteps(job);
  return true;
}

CairoSurface DecodeJpeg(const std::uint8_t* data, std::size_t size, const PictureLimits& limits) {
  JpegDecodeJob job;
  job.data = data;
  job.size = size;
  job.limits = limits;
  const bool ok = JpegDecodeGuarded(job);
  jpeg_destroy_decompress(&job.info);
  CairoSurface surface(job.surface);
  if (!ok || surface == nullptr) return nullptr;
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

// ---------------------------------------------------------------- BMP

// Uncompressed 24- and 32-bit BMP files, bottom-up or top-down.
CairoSurface DecodeBmp(const std::uint8_t* data, std::size_t size, const PictureLimits& limits) {
  if (size < 54) return nullptr;
  const std::uint32_t pixelOffset = Le(data + 10, 4);
  const std::uint32_t headerSize = Le(data + 14, 4);
  const auto width = static_cast<std::int32_t>(Le(data + 18, 4));
  const auto rawHeight = static_cast<std::int32_t>(Le(data + 22, 4));
  const std::uint32_t bits = Le(data + 28, 2);
  const std::uint32_t compression = Le(data + 30, 4);
  if (headerSize < 40 || compression != 0 || (bits != 24 && bits != 32) || rawHeight == INT32_MIN) {
    return nullptr;
  }
  const bool topDown = rawHeight < 0;
  const std::int32_t height = topDown ? -rawHeight : rawHeight;
  if (!limits.Allow(width, height)) return nullptr;
  const std::size_t rowBytes = (std::size_t(width) * bits / 8 + 3) & ~std::size_t{3};
  if (pixelOffset > size || (size - pixelOffset) / rowBytes < std::size_t(height)) {
    return nullptr;
  }
  CairoSurface surface = NewRgbSurface(width, height);
  if (surface == nullptr) return nullptr;
  const std::size_t step = bits / 8;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = data + pixelOffset + rowBytes * (topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + step * x;
      StoreRgb(surface.get(), y, x, p[2], p[1], p[0]);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace

CairoSurface DecodePicture(const std::uint8_t* data, std::size_t size,
                           const PictureLimits& limits) {
  if (data == nullptr || size < 4) return nullptr;
  if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) {
    return DecodePng(data, size, limits);
  }
  if (data[0] == 0xFF && data[1] == 0xD8) return DecodeJpeg(data, size, limits);
  if (data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, limits);
  return nullptr;
}

CairoSurface LoadPicture(const std::string& path, const PictureLimits& limits) {
  const std::vector<std::uint8_t> bytes = files::ReadRegularFile(path, files::kMaxPictureFileBytes);
  return DecodePicture(bytes.data(), bytes.size(), limits);
}

}  // namespace vantiro::engine::render
