// Helpers shared by the conversions of this folder (not part of its API).
#pragma once

#include <cstring>
#include <string_view>

namespace vantiro::params::detail {

// A text ends at its first NUL byte, as the host's C strings do.
inline std::string_view UpToNul(std::string_view text) {
  if (text.empty()) return text;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (nul == nullptr) return text;
  return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

}  // namespace vantiro::params::detail
