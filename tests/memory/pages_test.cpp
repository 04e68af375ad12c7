// Blocks on either side of the sizes where ZeroedPages maps huge pages:
// zeroed, writable to their last byte, and moved without a double release.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "memory/pages.h"

namespace vantiro::memory {
namespace {

TEST(ZeroedPages, BlocksOfEverySizeAreZeroedAndWritable) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, kMiB / 2 - 1,
                                  kMiB / 2, 2 * kMiB, 2 * kMiB + 1, 5 * kMiB}) {
    SCOPED_TRACE(bytes);
    ZeroedPages pages(bytes);
    ASSERT_TRUE(pages);
    ASSERT_GE(pages.size(), bytes);
    std::size_t nonZero = 0;
    for (std::size_t i = 0; i < pages.size(); i += 509) nonZero += pages.data()[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    EXPECT_EQ(pages.data()[pages.size() - 1], 0);
    pages.data()[pages.size() - 1] = 0x5A;
    PreferHugePages(pages.data(), pages.size());  // advice on touched memory is harmless

    ZeroedPages moved(std::move(pages));
    EXPECT_FALSE(pages);  // NOLINT(bugprone-use-after-move): moved from is empty
    EXPECT_EQ(moved.data()[moved.size() - 1], 0x5A);
    moved = ZeroedPages(bytes);
    EXPECT_EQ(moved.data()[moved.size() - 1], 0);
  }
}

TEST(PreferHugePages, TakesAnyRange) {
  std::vector<std::uint8_t> block(3 << 20, 1);
  for (const std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{4097}}) {
    PreferHugePages(block.data() + offset, block.size() - offset);
  }
  PreferHugePages(nullptr, 1 << 22);
  PreferHugePages(block.data(), 0);
  EXPECT_EQ(block.back(), 1);
}

}  // namespace
}  // namespace vantiro::memory
