// Windows' rename refuses an existing target; MoveFileExA replaces it in one
// step. Elsewhere rename already does.
#include "engine/chartfile/file_replace.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace vantiro::engine::chartfile {

bool MoveFileOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace vantiro::engine::chartfile
