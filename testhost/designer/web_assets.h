// The designer's page, built into the program: the files of
// testhost/designer/web, embedded at build time by embed_web.cmake.
#pragma once

#include <cstddef>
#include <span>

namespace vantiro::testhost::designer {

struct WebAsset {
  const char* path;  // "index.html", "designer.js", ...
  const char* type;  // its content type
  const unsigned char* data;
  std::size_t size;
};

std::span<const WebAsset> WebAssets();

}  // namespace vantiro::testhost::designer
