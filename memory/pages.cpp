#include "memory/pages.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantiro::memory {
namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this, zeroing a whole huge page would cost more than the faults.
constexpr std::size_t kMapFrom = kHugePage / 4;
#endif

}  // namespace

void PreferHugePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  if (data == nullptr || bytes < kHugePage || start > UINTPTR_MAX - bytes) return;
  const std::uintptr_t first = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
  const std::uintptr_t end = (start + bytes) & ~std::uintptr_t(kHugePage - 1);
  if (first >= end) return;
  (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

ZeroedPages::ZeroedPages(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kMapFrom && bytes <= SIZE_MAX / 2 - kHugePage) {
    // Whole huge pages cover the block; the mapping has room to start it
    // on a huge-page boundary.
    const std::size_t huge = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    const std::size_t length = huge + kHugePage;
    void* mapping =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping != MAP_FAILED) {
      const auto start = reinterpret_cast<std::uintptr_t>(mapping);
      const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
      data_ = reinterpret_cast<unsigned char*>(aligned);
      PreferHugePages(data_, huge);
      size_ = bytes;
      mapping_ = mapping;
      mappingSize_ = length;
      return;
    }
  }
#endif
  data_ = static_cast<unsigned char*>(std::calloc(bytes, 1));
  if (data_ != nullptr) size_ = bytes;
}

ZeroedPages::~ZeroedPages() { Release(); }

ZeroedPages::ZeroedPages(ZeroedPages&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappingSize_(std::exchange(other.mappingSize_, 0)) {}

ZeroedPages& ZeroedPages::operator=(ZeroedPages&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mappingSize_ = std::exchange(other.mappingSize_, 0);
  }
  return *this;
}

void ZeroedPages::Release() {
#if defined(__linux__)
  if (mapping_ != nullptr) {
    munmap(mapping_, mappingSize_);
  } else {
    std::free(data_);
  }
#else
  std::free(data_);
#endif
  data_ = nullptr;
  size_ = 0;
  mapping_ = nullptr;
  mappingSize_ = 0;
}

}  // namespace vantiro::memory
