// The PNG writer's own CRC-32 and Adler-32 (the Windows build's, which has
// no libdeflate) against zlib's, over lengths around the Adler-32 block.
#include <cstddef>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "engine/render/png/checksums.h"

namespace vantiro::engine::render {
namespace {

TEST(PngChecksums, AgreeWithZlib) {
  std::mt19937 random(7);
  for (const std::size_t size :
       {0u, 1u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 5552u, 16383u, 16384u, 16385u, 1000000u}) {
    SCOPED_TRACE(size);
    // Mostly 0xFF bytes, the worst case for the sums before reduction.
    std::vector<std::uint8_t> data(size);
    for (std::uint8_t& byte : data) byte = random() % 4 == 0 ? std::uint8_t(random()) : 0xFF;
    const auto length = static_cast<uInt>(size);
    EXPECT_EQ(Crc32(data.data(), size), crc32(0, data.data(), length));
    EXPECT_EQ(Adler32(data.data(), size), adler32(1, data.data(), length));
    // Continued in two parts, as the writer sums its rows.
    const std::size_t half = size / 2 + 1;
    if (half < size) {
      EXPECT_EQ(Adler32(data.data() + half, size - half, Adler32(data.data(), half)),
                adler32(1, data.data(), length));
    }
  }
}

}  // namespace
}  // namespace vantiro::engine::render
