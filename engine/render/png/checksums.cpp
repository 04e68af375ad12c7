// PNG checksums, through libdeflate when VANTIRO_PNG_LIBDEFLATE is set.
#include "engine/render/png/checksums.h"

#include <algorithm>
#include <array>

#ifdef VANTIRO_PNG_LIBDEFLATE
#include <libdeflate.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantiro::engine::render {

#ifdef VANTIRO_PNG_LIBDEFLATE

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  return libdeflate_crc32(0, data, size);
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler) {
  return libdeflate_adler32(adler, data, size);
}

#else

namespace {

// Slicing by 8: table k gives the CRC of a byte followed by k zero bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t n = 0; n < 256; ++n) {
      const std::uint32_t c = tables[k - 1][n];
      tables[k][n] = (c >> 8) ^ tables[0][c & 0xFF];
    }
  }
  return tables;
}
constexpr CrcTables kCrc = MakeCrcTables();

#ifdef __SSE2__
// The four 32-bit lanes added.
std::uint32_t Lanes(__m128i v) {
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  return std::uint32_t(_mm_cvtsi128_si32(v));
}
#endif

std::uint32_t LoadLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (; size >= 8; data += 8, size -= 8) {
    const std::uint32_t lo = c ^ LoadLe32(data), hi = LoadLe32(data + 4);
    c = kCrc[7][lo & 0xFF] ^ kCrc[6][(lo >> 8) & 0xFF] ^ kCrc[5][(lo >> 16) & 0xFF] ^
        kCrc[4][lo >> 24] ^ kCrc[3][hi & 0xFF] ^ kCrc[2][(hi >> 8) & 0xFF] ^
        kCrc[1][(hi >> 16) & 0xFF] ^ kCrc[0][hi >> 24];
  }
  for (; size > 0; ++data, --size) c = kCrc[0][(c ^ *data) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler) {
  constexpr std::uint64_t kBase = 65521;
  std::uint64_t a = adler & 0xFFFF, b = adler >> 16;
#ifdef __SSE2__
  // Rows of 16 bytes, at most kRows per block, so that the sums of sums
  // stay within 32 bits (255 * 8 * 1024 * 1023 / 2 < 2^32).
  constexpr std::size_t kRows = 1024;
  const __m128i zero = _mm_setzero_si128();
  // Each byte's weight in b within its row: 16 for the first, 1 for the last.
  const __m128i firstWeights = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i lastWeights = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  while (size >= 16) {
    const std::size_t rows = std::min(size / 16, kRows);
    __m128i sums = zero, earlier = zero, weighted = zero;
    for (std::size_t r = 0; r < rows; ++r) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * r));
      earlier = _mm_add_epi32(earlier, sums);
      sums = _mm_add_epi32(sums, _mm_sad_epu8(bytes, zero));
      weighted =
          _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(bytes, zero), firstWeights));
      weighted =
          _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(bytes, zero), lastWeights));
    }
    // b gains a once per byte, and each byte once for every byte from it
    // on to the end of the block: 16 per later row, its weight in its own.
    const std::size_t n = 16 * rows;
    b += n * a + 16 * std::uint64_t{Lanes(earlier)} + Lanes(weighted);
    a += Lanes(sums);
    a %= kBase;
    b %= kBase;
    data += n;
    size -= n;
  }
#endif
  // The sums stay within 64 bits for far more bytes than a PNG holds.
  for (; size > 0; --size, ++data) {
    a += *data;
    b += a;
    if ((size & 0xFFFF) == 0) {
      a %= kBase;
      b %= kBase;
    }
  }
  return std::uint32_t((b % kBase) << 16 | (a % kBase));
}

#endif

}  // namespace vantiro::engine::render
