// Paths inside the designer's folder.
#include "testhost/designer/paths.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vantiro::testhost::designer {

namespace fs = std::filesystem;

namespace {

// Whether `relative` passes a link that resolving it may not have followed.
// POSIX: never, every link is followed. Windows: any reparse point (symbolic
// link, junction, mount point) on the part of root/relative that exists;
// under Wine only a Unix link to a folder shows as one.
bool PassesUnfollowedLink([[maybe_unused]] const fs::path& root,
                          [[maybe_unused]] const fs::path& relative) {
#ifdef _WIN32
  fs::path at = root;
  for (const fs::path& part : relative) {
    at /= part;
    const DWORD attributes = GetFileAttributesW(at.wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // the rest does not exist
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  }
#endif
  return false;
}

}  // namespace

bool IsPlainRelativePath(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.front() == '\\') return false;
  if (path.size() >= 2 && path[1] == ':') return false;
  if (path.find('\\') != std::string_view::npos) return false;
  if (path.find('\0') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

fs::path FromUtf8(std::string_view utf8) {
#ifdef _WIN32
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return fs::path(std::string(utf8));
#endif
}

std::string ToUtf8(const fs::path& path) {
#ifdef _WIN32
  const std::u8string utf8 = path.generic_u8string();
  return std::string(utf8.begin(), utf8.end());
#else
  return path.generic_string();
#endif
}

bool ResolveInside(const fs::path& root, std::string_view path, fs::path& resolved,
                   std::string& error) {
  if (!IsPlainRelativePath(path)) {
    error = "'" + std::string(path) +
            "' is not a path inside the designer's folder (no '..', no absolute path)";
    return false;
  }
  std::error_code failure;
  const fs::path joined = root / FromUtf8(path);
  // A link to nothing: writing through it would create its target, wherever
  // that is.
  if (fs::is_symlink(fs::symlink_status(joined, failure)) && !fs::exists(joined, failure)) {
    error = "'" + std::string(path) + "' is a link to a file that is not there";
    return false;
  }
  // Follows every link of the part that exists.
  const fs::path target = fs::weakly_canonical(joined, failure);
  if (failure) {
    error = "cannot resolve '" + std::string(path) + "': " + failure.message();
    return false;
  }
  const fs::path relative = target.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") {
    error = "'" + std::string(path) + "' leads out of the designer's folder";
    return false;
  }
  if (PassesUnfollowedLink(root, relative)) {
    error = "'" + std::string(path) + "' passes a link, which the designer does not follow";
    return false;
  }
  resolved = target;
  return true;
}

}  // namespace vantiro::testhost::designer
