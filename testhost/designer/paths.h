// The designer's one rule for files: every path an author names is
// relative to the folder the server was started in, and resolves inside it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantiro::testhost::designer {

// Whether `path` is written as a path inside a folder: not empty, not
// absolute (no leading "/" or "\", no drive "C:"), no ".." part, no
// backslash, no NUL. Says nothing of links; see ResolveInside.
bool IsPlainRelativePath(std::string_view path);

// `root`/`path` when `path` is plain (IsPlainRelativePath) and, with every
// link followed as far as the path exists, still inside `root` (which must
// be canonical). On Windows a path through any reparse point (link,
// junction) is refused as well. False with `error` set otherwise.
bool ResolveInside(const std::filesystem::path& root, std::string_view path,
                   std::filesystem::path& resolved, std::string& error);

}  // namespace vantiro::testhost::designer
