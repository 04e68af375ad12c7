// Files as the engine writes and reads them. A write goes to a new
// temporary file in the target's folder and is put in place only once it is
// complete; a read opens regular files only. Both are the one safe write and
// read of files/safe_file.h, which the test host and the designer use too.
// Every name is UTF-8, as the engine holds its texts: on Windows it becomes
// the wide API's UTF-16; natively it is the file system's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::engine::files {

// Writes `bytes` as the whole content of `path`. The target must be a
// regular file or absent; a symbolic link to a regular file is written
// through to that file. An existing file keeps its permission bits; a
// read-only file, a folder, a device or a pipe is refused and left as it is,
// and so are a link to a missing file and, on Windows, device names (NUL,
// aux.png) and alternate data streams ("x.txt:y.png").
// On any failure the target is unchanged and no temporary file remains.
bool WriteWholeFile(const std::string& path, std::string_view bytes) noexcept;
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) noexcept;

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// `path` opened for reading if it is a regular file; null otherwise (a pipe
// or a device is checked without waiting on it).
FilePtr OpenRegularFile(const std::string& path) noexcept;

// `path` opened for appending (created if missing); null if it cannot be.
FilePtr OpenAppendFile(const std::string& path) noexcept;

// Largest picture file (a background image) read at all.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{256} << 20;

// The whole content of the regular file `path`, if it holds 1 to
// `maxBytes` bytes; empty otherwise.
std::vector<std::uint8_t> ReadRegularFile(const std::string& path, std::size_t maxBytes) noexcept;

// Test seam: after `bytes` more bytes every write fails, as on a full disk.
// A negative value lifts the limit.
void SetWriteLimitForTesting(std::int64_t bytes) noexcept;

}  // namespace vantiro::engine::files
