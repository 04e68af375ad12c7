// What each platform provides under file_io.h: a temporary file beside a
// checked target, and opening regular files without blocking. Names are in
// the engine's code page; each platform gives them to its file system in the
// form that one expects.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "engine/files/file_io.h"

namespace vantiro::engine::files::platform {

// A new temporary file in the folder of a checked target. Destroying it
// before Place succeeded closes and removes it.
class PendingFile {
 public:
  PendingFile();
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Checks `path` (regular or absent, writable; a link resolved to its
  // regular target) and creates the temporary file exclusively.
  bool Open(const std::string& path);
  // Writes all of `size` bytes, or fails.
  bool Write(const char* data, std::size_t size);
  // Makes the content durable, gives it the target's permission bits and
  // moves it over the target.
  bool Place();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

FilePtr OpenRegular(const std::string& path);

// `path` opened for appending, created if missing.
FilePtr OpenAppend(const std::string& path);

}  // namespace vantiro::engine::files::platform
