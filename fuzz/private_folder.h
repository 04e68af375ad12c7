// A folder of the fuzzer's own for the files its inputs make: created with
// an unpredictable name and mode 0700, emptied after every input, removed
// when the fuzzer exits normally.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vantiro::fuzz {

class PrivateFolder {
 public:
  explicit PrivateFolder(std::string_view name) {
    std::error_code ec;
    std::string pattern = std::filesystem::temp_directory_path(ec).string();
    if (ec) pattern = "/tmp";
    pattern += "/" + std::string(name) + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~PrivateFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

  // Removes everything inside, so no input sees the files of another.
  void Empty() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }

 private:
  std::string path_;
};

}  // namespace vantiro::fuzz
