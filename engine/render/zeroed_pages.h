// Zeroed memory for a whole picture or an encoder's tables, taken from the
// system in one piece. On Linux a block of 512 KiB or more gets a mapping
// of its own, advised for transparent huge pages: an 800 x 600 surface then
// faults in as one 2 MiB page instead of about 470 small ones, which is a
// good part of a one-chart run. Elsewhere, and for smaller blocks, it is
// calloc's memory.
#pragma once

#include <cstddef>

namespace vantiro::engine::render {

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

}  // namespace vantiro::engine::render
