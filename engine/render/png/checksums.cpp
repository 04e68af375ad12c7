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

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  return libdeflate_adler32(1, data, size);
}

#else

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

// Chunks are small (the image data is one chunk of compressed bytes): a
// byte at a time is fast enough.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint32_t kBase = 65521;
  // The most bytes before the sums must be reduced to stay within 32 bits.
  constexpr std::size_t kBlock = 5552;
  std::uint32_t a = 1, b = 0;
  while (size > 0) {
    const std::size_t n = size < kBlock ? size : kBlock;
    for (std::size_t i = 0; i < n; ++i) {
      a += data[i];
      b += a;
    }
    a %= kBase;
    b %= kBase;
    data += n;
    size -= n;
  }
  return (b << 16) | a;
}

#endif

}  // namespace vantiro::engine::render
