// Large blocks of memory that fault in as few pages as possible. The first
// touch of a page costs the kernel a fault; for the blocks a chart fills at
// once (its picture, the PNG writer's tables, the values of a long series)
// Linux can fault 2 MiB at a time instead, if asked before the first touch.
#pragma once

#include <cstddef>

namespace vantiro::memory {

// Asks the kernel to back the whole 2 MiB pages inside [data, data + bytes)
// with huge pages when they are first touched: for a large block not yet
// written. Only advice: nothing changes where Linux or its transparent huge
// pages are not there, nor for blocks below 2 MiB.
void PreferHugePages(void* data, std::size_t bytes) noexcept;

// Zeroed memory taken from the system in one piece. On Linux a block of
// 512 KiB or more gets a mapping of its own that starts on a huge page: an
// 800 x 600 surface then faults in as one 2 MiB page instead of about 470
// small ones, a good part of a one-chart run. Elsewhere, and for smaller
// blocks, it is calloc's memory.
class ZeroedPages {
 public:
  ZeroedPages() = default;
  // `bytes` zeroed bytes; empty (false) when the system has none to give.
  explicit ZeroedPages(std::size_t bytes);
  ~ZeroedPages();
  ZeroedPages(ZeroedPages&& other) noexcept;
  ZeroedPages& operator=(ZeroedPages&& other) noexcept;
  ZeroedPages(const ZeroedPages&) = delete;
  ZeroedPages& operator=(const ZeroedPages&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void Release();

  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  void* mapping_ = nullptr;  // the whole mapping, when mapped; else calloc's block
  std::size_t mappingSize_ = 0;
};

}  // namespace vantiro::memory
