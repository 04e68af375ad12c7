// The designer's one rule for files: every path an author names is
// relative to the folder the server was started in, and resolves inside it.
// Paths arrive as UTF-8 (the page's, and the scripts' names converted from
// the plug-in's code page).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantiro::testhost::designer {

// Whether `path` is written as a path inside a folder: not empty, not
// absolute (no leading "/" or "\", no drive "C:"), no ".." part, no
// backslash, no NUL. Says nothing of links; see ResolveInside.
bool IsPlainRelativePath(std::string_view path);

// The file system's name for a UTF-8 name (UTF-16 on Windows), and back.
std::filesystem::path FromUtf8(std::string_view utf8);
std::string ToUtf8(const std::filesystem::path& path);

// `root`/`path` when `path` is plain (IsPlainRelativePath) and, with every
// link followed as far as the path exists, still inside `root` (which must
// be canonical). A link at the end whose target is missing is refused, and
// on Windows a path through any reparse point (link, junction) as well.
// False with `error` set otherwise.
bool ResolveInside(const std::filesystem::path& root, std::string_view path,
                   std::filesystem::path& resolved, std::string& error);

}  // namespace vantiro::testhost::designer
