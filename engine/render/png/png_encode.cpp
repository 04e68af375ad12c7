// The PNG writer, and the conversion of rendered pixels to RGB rows that
// the other image encoders share.
#include "engine/render/png/png_encode.h"

#include <cstring>

#include "engine/render/png/checksums.h"
#include "engine/render/png/scanline_deflate.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace vantiro::engine::render {
namespace {

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
  // Premultiplied ARGB words in memory on x86: B, G, R, A.
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
  PutBe32(out, Crc32(&out[start + 4], length + 4));
}

std::size_t BeginChunk(std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + 8);
  return start;
}

// Scanline `y` of the image, RGB or RGBA if `alpha`, behind filter byte 0
// (none), at `out`, where scanline y - 1 ends. Chart rows deflate best
// unfiltered: the match search finds runs along a row and copies of the row
// above directly, and filtering would turn the exact colours of flat areas
// and text into differences that repeat less. False if `alpha` is not set
// and a pixel turns out not to be opaque.
bool Scanline(const PixelView& image, bool alpha, std::size_t y, std::uint8_t* out) {
  const std::size_t rowBytes = std::size_t(image.width) * (alpha ? 4 : 3);
  const std::uint8_t* src = image.data + y * std::size_t(image.stride);
  out[0] = 0;
  // Charts repeat most rows exactly: no need to convert them again.
  if (y > 0 && std::memcmp(src, src - image.stride, std::size_t(image.width) * 4) == 0) {
    std::memcpy(out + 1, out - rowBytes, rowBytes);
  } else if (alpha) {
    RowToRgba(src, image.width, out + 1);
  } else if (RowToRgb(src, image.width, out + 1) != 0xFF) {
    return false;
  }
  return true;
}

}  // namespace

// Largest image the encoders accept, in pixels; the callers refuse
// anything bigger long before.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

bool Encodable(const PixelView& image) {
  return image.data != nullptr && image.width > 0 && image.height > 0 &&
         image.stride >= image.width * 4 && std::int64_t{image.width} * image.height <= kMaxPixels;
}

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

std::vector<std::uint8_t> EncodePng(const PixelView& image) { return PngEncoder().Encode(image); }

std::vector<std::uint8_t> PngEncoder::Encode(const PixelView& image) {
  if (!Encodable(image)) return {};
  std::vector<std::uint8_t> out;
  out.reserve(8 + 25 + 12 + std::size_t(image.width) * 3 * image.height / 32 + 1024);
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // Charts are opaque: RGB, unless a pixel says otherwise; then all again
  // as RGBA.
  for (const bool alpha : {false, true}) {
    out.assign(kSignature, kSignature + 8);
    std::size_t chunk = BeginChunk(out);
    PutBe32(out, static_cast<std::uint32_t>(image.width));
    PutBe32(out, static_cast<std::uint32_t>(image.height));
    out.push_back(8);              // bits per channel
    out.push_back(alpha ? 6 : 2);  // colour type: RGBA or RGB
    out.push_back(0);              // deflate
    out.push_back(0);              // filter method 0 (each row says none)
    out.push_back(0);              // not interlaced
    FinishChunk(out, chunk, "IHDR");

    chunk = BeginChunk(out);
    const std::size_t bpp = alpha ? 4 : 3;
    const ScanlineSource source = [&](std::size_t y, std::uint8_t* to) {
      return Scanline(image, alpha, y, to);
    };
    if (!ZlibCompressRows(std::size_t(image.width) * bpp + 1, std::size_t(image.height), bpp,
                          source, memory_, out)) {
      continue;
    }
    if (out.size() - chunk - 8 > 0x7FFFFFFF) return {};
    FinishChunk(out, chunk, "IDAT");

    chunk = BeginChunk(out);
    FinishChunk(out, chunk, "IEND");
    return out;
  }
  return {};
}

}  // namespace vantiro::engine::render
