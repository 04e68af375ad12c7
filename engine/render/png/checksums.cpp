// PNG checksums, through libdeflate when VANTIRO_PNG_LIBDEFLATE is set.
#include "engine/render/png/checksums.h"

#include <array>

#ifdef VANTIRO_PNG_LIBDEFLATE
#include <libdeflate.h>
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
  constexpr std::uint32_t kBase = 65521;
  // Bytes summed per step: with fixed weights the loop vectorises.
  constexpr std::size_t kStep = 32;
  // The most bytes (whole steps) before the sums must be reduced to stay
  // within 32 bits.
  constexpr std::size_t kBlock = 5552 / kStep * kStep;
  std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (size > 0) {
    std::size_t n = size < kBlock ? size : kBlock;
    size -= n;
    // b gains a once per byte and each byte once per byte after it.
    for (; n >= kStep; n -= kStep, data += kStep) {
      std::uint32_t sum = 0, weighted = 0;
      for (std::size_t i = 0; i < kStep; ++i) {
        sum += data[i];
        weighted += std::uint32_t(kStep - i) * data[i];
      }
      b += std::uint32_t(kStep) * a + weighted;
      a += sum;
    }
    for (; n > 0; --n, ++data) {
      a += *data;
      b += a;
    }
    a %= kBase;
    b %= kBase;
  }
  return (b << 16) | a;
}

#endif

}  // namespace vantiro::engine::render
