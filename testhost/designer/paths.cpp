// Paths inside the designer's folder.
#include "testhost/designer/paths.h"

#include <system_error>

#include "testhost/designer/platform.h"

namespace vantiro::testhost::designer {

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

bool ResolveInside(const std::filesystem::path& root, std::string_view path,
                   std::filesystem::path& resolved, std::string& error) {
  if (!IsPlainRelativePath(path)) {
    error = "'" + std::string(path) +
            "' is not a path inside the designer's folder (no '..', no absolute path)";
    return false;
  }
  std::error_code failure;
  // Follows every link of the part that exists.
  const std::filesystem::path target = std::filesystem::weakly_canonical(root / path, failure);
  if (failure) {
    error = "cannot resolve '" + std::string(path) + "': " + failure.message();
    return false;
  }
  const std::filesystem::path relative = target.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") {
    error = "'" + std::string(path) + "' leads out of the designer's folder";
    return false;
  }
  if (platform::PassesUnfollowedLink(root, relative)) {
    error = "'" + std::string(path) + "' passes a link, which the designer does not follow";
    return false;
  }
  resolved = target;
  return true;
}

}  // namespace vantiro::testhost::designer
