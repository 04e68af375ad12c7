// Writing a file so that a failure never harms it, and reading only regular
// files: the one routine behind every file the engine, the test host and
// the designer write. Names are the file system's own: bytes (UTF-8) on
// POSIX, UTF-16 on Windows, as std::filesystem::path holds them.
//
// A write goes to a temporary file created exclusively under a short random
// name (".vt-" and 10 characters) in the target's folder; it is synced, then
// renamed over the target. The target must be a regular file or absent:
// a folder, a device, a pipe, a read-only file or a link whose target is
// missing is refused before anything is created, and so is, on Windows, a
// device name (CON, NUL, COM1, aux.vsc ...) or a ':' after the drive (an
// alternate data stream). A link to a regular file is written through to
// that file. An existing file keeps its permission bits (and owner, where
// allowed). On any failure the target is as it was and no temporary file
// remains; errno (POSIX) or GetLastError (Windows) tells why.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vantiro::files {

class PendingFile {
 public:
  PendingFile();
  ~PendingFile();  // closes and removes the temporary file unless placed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Checks the target and creates the temporary file.
  bool Open(const std::filesystem::path& target);
  // Writes all of `size` bytes, or fails.
  bool Write(const char* data, std::size_t size);
  // Makes the content durable, gives it the target's permission bits and
  // moves it over the target.
  bool Place();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The whole of `bytes` as the content of `target`, through a PendingFile;
// false with `reason` ("cannot create ...: no space left on device") set.
bool WriteWholeFile(const std::filesystem::path& target, std::string_view bytes,
                    std::string* reason = nullptr);

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// `path` opened for reading if it is a regular file; null otherwise. A pipe
// or a device is refused without waiting on it.
FilePtr OpenRegular(const std::filesystem::path& path);

// `path` opened for appending, created if missing; null if it cannot be.
FilePtr OpenAppend(const std::filesystem::path& path);

// The whole content of the regular file `path` if it has at most `maxBytes`
// bytes; false with `reason` set otherwise.
bool ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes,
                     std::string* reason = nullptr);

// Whether one part of a name is a Windows device name: CON, PRN, AUX, NUL,
// COM1-COM9 or LPT1-LPT9, in any case, alone or with an extension
// ("nul.vsc", "COM1.txt"), trailing blanks and dots ignored.
bool IsWindowsDeviceName(std::string_view part);

// Whether `part` (one folder or file name) can name a file on Windows as well
// as on POSIX: not a device name, no ':' (alternate data streams), none of
// \ * ? " < > | or a control character, and no trailing blank or dot.
bool IsPortableName(std::string_view part);

// The system's reason for the call that just failed (errno, or GetLastError
// on Windows) in lower case: "no space left on device".
std::string SystemReason();

}  // namespace vantiro::files
