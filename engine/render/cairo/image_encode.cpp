// PNG, JPEG and BMP encoding of rendered charts.
#include "engine/render/cairo/image_encode.h"
#include "engine/render/cairo/scanline_deflate.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <libdeflate.h>

#if defined(__GNUC__) && defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace vantiro::engine::render {
namespace {

// Largest image the encoders accept, in pixels; the callers refuse
// anything bigger long before.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

bool Usable(const PixelView& image) {
  return image.data != nullptr && image.width > 0 && image.height > 0 &&
         image.stride >= image.width * 4 && std::int64_t{image.width} * image.height <= kMaxPixels;
}

std::uint32_t PixelAt(const std::uint8_t* row, int x) {
  std::uint32_t p;
  std::memcpy(&p, row + std::size_t(x) * 4, sizeof p);
  return p;
}

#if defined(__GNUC__) && defined(__x86_64__)
// Opaque pixels to R, G, B bytes with SSSE3, four pixels (one shuffle) at a
// time, from the start of the row up to the first group of four that is
// not opaque or the last few pixels. Returns how many pixels it converted.
// Each 16-byte store fills 12 bytes; the rest, still inside the row, is
// overwritten next.
__attribute__((target("ssse3"))) int OpaqueToRgbSsse3(const std::uint8_t* row, int width,
                                                      std::uint8_t* out) {
  // Cairo's pixels in memory on x86: B, G, R, A.
  const __m128i toRgb = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m128i ones = _mm_set1_epi8(-1);
  int x = 0;
  for (; x + 6 <= width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(pixels, ones)) & 0x8888) != 0x8888) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(pixels, toRgb));
  }
  return x;
}

int OpaqueToRgb(const std::uint8_t* row, int width, std::uint8_t* out) {
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  return ssse3 ? OpaqueToRgbSsse3(row, width, out) : 0;
}
#else
int OpaqueToRgb(const std::uint8_t*, int, std::uint8_t*) { return 0; }
#endif

// One row as R, G, B bytes, translucent pixels laid over white. Returns
// the alphas of the row ANDed: 0xFF if every pixel is opaque.
std::uint32_t RowToRgb(const std::uint8_t* row, int width, std::uint8_t* out) {
  std::uint32_t alphas = 0xFF;
  const int converted = OpaqueToRgb(row, width, out);
  out += std::size_t(converted) * 3;
  for (int x = converted; x < width; ++x) {
    const std::uint32_t p = PixelAt(row, x);
    alphas &= p >> 24;
    const std::uint32_t white = 255 - (p >> 24);
    out[0] = static_cast<std::uint8_t>(((p >> 16) & 0xFF) + white);
    out[1] = static_cast<std::uint8_t>(((p >> 8) & 0xFF) + white);
    out[2] = static_cast<std::uint8_t>((p & 0xFF) + white);
    out += 3;
  }
  return alphas;
}

// One row as R, G, B, A bytes with the premultiplication undone.
void RowToRgba(const std::uint8_t* row, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t p = PixelAt(row, x);
    const std::uint32_t a = p >> 24;
    const std::uint32_t c[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
    for (int i = 0; i < 3; ++i) {
      out[i] = static_cast<std::uint8_t>(a == 0 ? 0 : (c[i] * 255 + a / 2) / a);
    }
    out[3] = static_cast<std::uint8_t>(a);
    out += 4;
  }
}

// ---------------------------------------------------------------- PNG

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void StoreBe32(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v >> 24);
  at[1] = static_cast<std::uint8_t>(v >> 16);
  at[2] = static_cast<std::uint8_t>(v >> 8);
  at[3] = static_cast<std::uint8_t>(v);
}

// Appends a chunk whose data already follows `start` + 8 in `out`: fills
// in length and type and appends the CRC.
void FinishChunk(std::vector<std::uint8_t>& out, std::size_t start, const char type[4]) {
  const std::size_t length = out.size() - start - 8;
  StoreBe32(&out[start], static_cast<std::uint32_t>(length));
  std::memcpy(&out[start + 4], type, 4);
  PutBe32(out, libdeflate_crc32(0, &out[start + 4], length + 4));
}

std::size_t BeginChunk(std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + 8);
  return start;
}

// The scanlines of the whole image, RGB or RGBA if `alpha`, each behind
// filter byte 0 (none). Chart rows deflate best unfiltered: the match
// search finds runs along a row and copies of the row above directly, and
// filtering would turn the exact colours of flat areas and text into
// differences that repeat less. False if `alpha` is not set and a pixel
// turns out not to be opaque.
bool ScanlineImage(const PixelView& image, bool alpha, std::uint8_t* scanlines) {
  const std::size_t rowBytes = std::size_t(image.width) * (alpha ? 4 : 3);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* src = image.data + std::size_t(y) * image.stride;
    std::uint8_t* out = scanlines + (rowBytes + 1) * y;
    out[0] = 0;
    // Charts repeat most rows exactly: no need to convert them again.
    if (y > 0 && std::memcmp(src, src - image.stride, std::size_t(image.width) * 4) == 0) {
      std::memcpy(out + 1, out - rowBytes, rowBytes);
    } else if (alpha) {
      RowToRgba(src, image.width, out + 1);
    } else if (RowToRgb(src, image.width, out + 1) != 0xFF) {
      return false;
    }
  }
  return true;
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

std::vector<std::uint8_t> EncodePng(const PixelView& image) { return PngEncoder().Encode(image); }

std::vector<std::uint8_t> PngEncoder::Encode(const PixelView& image) {
  if (!Usable(image)) return {};
  // Room for RGBA scanlines; working memory beyond this is not kept.
  constexpr std::size_t kKeptBytes = std::size_t{32} << 20;
  const std::size_t needed = (std::size_t(image.width) * 4 + 1) * image.height;
  if (needed > capacity_) {
    scanlines_.reset();
    scanlines_.reset(new std::uint8_t[needed]);
    capacity_ = needed;
  }
  struct ReleaseLarge {
    PngEncoder& encoder;
    ~ReleaseLarge() {
      if (encoder.capacity_ > kKeptBytes) {
        encoder.scanlines_.reset();
        encoder.capacity_ = 0;
      }
    }
  } releaseLarge{*this};
  std::uint8_t* scanlines = scanlines_.get();

  // Charts are opaque: RGB, unless a pixel says otherwise.
  bool opaque = true;
  std::size_t rowBytes = std::size_t(image.width) * 3;
  std::size_t scanlineSize = (rowBytes + 1) * image.height;
  if (!ScanlineImage(image, false, scanlines)) {
    opaque = false;
    rowBytes = std::size_t(image.width) * 4;
    scanlineSize = (rowBytes + 1) * image.height;
    ScanlineImage(image, true, scanlines);
  }
  const int bpp = opaque ? 3 : 4;

  std::vector<std::uint8_t> out;
  out.reserve(8 + 25 + 12 + scanlineSize / 32 + 1024);
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.insert(out.end(), kSignature, kSignature + 8);

  std::size_t chunk = BeginChunk(out);
  PutBe32(out, static_cast<std::uint32_t>(image.width));
  PutBe32(out, static_cast<std::uint32_t>(image.height));
  out.push_back(8);               // bits per channel
  out.push_back(opaque ? 2 : 6);  // colour type: RGB or RGBA
  out.push_back(0);               // deflate
  out.push_back(0);               // filter method 0 (each row says none)
  out.push_back(0);               // not interlaced
  FinishChunk(out, chunk, "IHDR");

  chunk = BeginChunk(out);
  ZlibCompressScanlines(scanlines, scanlineSize, rowBytes + 1, std::size_t(bpp), out);
  if (out.size() - chunk - 8 > 0x7FFFFFFF) return {};
  FinishChunk(out, chunk, "IDAT");

  chunk = BeginChunk(out);
  FinishChunk(out, chunk, "IEND");
  return out;
}

std::vector<std::uint8_t> EncodeJpeg(const PixelView& image, int quality) {
  if (!Usable(image) || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
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
  if (!Usable(image)) return {};
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
