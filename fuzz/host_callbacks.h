// Host callbacks for fuzzers that drive the plug-in. They read every byte
// the plug-in hands over, so that a bad pointer shows under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plugin/host/entry_points.h"

namespace vantiro::fuzz {

inline std::size_t reportedBytes = 0;

inline std::int32_t VANTIRO_STDCALL AddAction(std::int32_t, const char* name, const char* hint,
                                              const char* type, std::uint32_t, std::uint32_t) {
  reportedBytes += std::strlen(name) + std::strlen(type) + (hint ? std::strlen(hint) : 0);
  return 0;
}

inline std::int32_t VANTIRO_STDCALL SetVariable(const char* name, const char* value) {
  reportedBytes += std::strlen(name) + (value ? std::strlen(value) : 0);
  return 0;
}

}  // namespace vantiro::fuzz
