// Moving a finished file over an existing one, the way each platform allows.
#pragma once

#include <string>

namespace vantiro::engine::chartfile {

// Renames `from` to `to`, replacing `to` if it exists. False on failure.
bool MoveFileOver(const std::string& from, const std::string& to);

}  // namespace vantiro::engine::chartfile
