#include "engine/files/file_io.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "engine/failure/failure.h"
#include "files/safe_file.h"
#include "text/code_page.h"

namespace vantiro::engine::files {
namespace {

namespace safe = ::vantiro::files;

// The file system's name for an engine's name, which is UTF-8: UTF-16 on
// Windows, the same UTF-8 elsewhere.
std::filesystem::path SystemPath(const std::string& path) {
#ifdef _WIN32
  const std::u16string wide = text::ToUtf16(path, text::kUtf8CodePage);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
  return std::filesystem::path(text::ToUtf8(path, text::kUtf8CodePage));  // made valid
#endif
}

std::atomic<std::int64_t> writeLimit{-1};

// Takes `size` bytes from the test limit; false (after taking what is left)
// if the limit is reached.
bool TakeFromLimit(std::size_t& size) {
  std::int64_t left = writeLimit.load();
  for (;;) {
    if (left < 0) return true;
    const auto allowed =
        static_cast<std::int64_t>(std::min<std::uint64_t>(size, static_cast<std::uint64_t>(left)));
    if (writeLimit.compare_exchange_weak(left, left - allowed)) {
      const bool all = static_cast<std::size_t>(allowed) == size;
      size = static_cast<std::size_t>(allowed);
      return all;
    }
  }
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes) noexcept {
  try {
    if (path.empty()) {
      failure::Record("no file name given");
      return false;
    }
    safe::PendingFile file;
    if (!file.Open(SystemPath(path))) {
      failure::Record("cannot create " + path + ": " + failure::SystemReason());
      return false;
    }
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    for (std::size_t done = 0; done < bytes.size();) {
      std::size_t chunk = std::min(bytes.size() - done, kChunk);
      const bool whole = TakeFromLimit(chunk);
      if (chunk > 0 && !file.Write(bytes.data() + done, chunk)) {
        failure::Record("cannot write " + path + ": " + failure::SystemReason());
        return false;
      }
      if (!whole) {
        failure::Record("cannot write " + path + ": the test's write limit was reached");
        return false;
      }
      done += chunk;
    }
    if (!file.Place()) {
      failure::Record("cannot put " + path + " in place: " + failure::SystemReason());
      return false;
    }
    return true;
  } catch (...) {  // std::bad_alloc while building names
    return false;
  }
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) noexcept {
  return WriteWholeFile(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

FilePtr OpenRegularFile(const std::string& path) noexcept {
  try {
    if (path.empty()) {
      failure::Record("no file name given");
      return nullptr;
    }
    FilePtr file(safe::OpenRegular(SystemPath(path)).release());
    if (!file) failure::Record("cannot open " + path + ": " + failure::SystemReason());
    return file;
  } catch (...) {
    return nullptr;
  }
}

FilePtr OpenAppendFile(const std::string& path) noexcept {
  try {
    if (path.empty()) return nullptr;
    return FilePtr(safe::OpenAppend(SystemPath(path)).release());
  } catch (...) {
    return nullptr;
  }
}

std::vector<std::uint8_t> ReadRegularFile(const std::string& path, std::size_t maxBytes) noexcept {
  std::vector<std::uint8_t> bytes;
  try {
    FilePtr file = OpenRegularFile(path);
    if (!file) return bytes;
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
      const std::size_t have = bytes.size();
      bytes.resize(have + kChunk);
      const std::size_t got = std::fread(bytes.data() + have, 1, kChunk, file.get());
      bytes.resize(have + got);
      if (bytes.size() > maxBytes) {
        failure::Record(path + " is larger than " + std::to_string(maxBytes) + " bytes");
        return {};
      }
      if (got < kChunk) break;
    }
    if (std::ferror(file.get())) {
      failure::Record("cannot read " + path + ": " + failure::SystemReason());
      return {};
    }
    if (bytes.empty()) failure::Record(path + " is empty");
  } catch (...) {
    return {};
  }
  return bytes;
}

void SetWriteLimitForTesting(std::int64_t bytes) noexcept { writeLimit.store(bytes); }

}  // namespace vantiro::engine::files
