// The detail behind the engine's last failure: the path and the system's
// reason, an unknown file extension, a limit that was exceeded, the line
// of a damaged chart file. The plug-in's messages stay fixed; this is what a
// test host shows under them (VantiroEngine_TakeLastFailure).
#pragma once

#include <string>
#include <string_view>

namespace vantiro::engine::failure {

// Forgets the detail. Every engine call that can fail starts with this,
// except RMC_DELETECHART, which the plug-in makes after a failed action.
void Clear() noexcept;

// Records `detail` unless one was recorded since the last Clear: the first
// failure found is the deepest cause (a file that cannot be opened comes
// before the chart file that could not be read).
void Record(std::string_view detail) noexcept;

// The recorded detail (empty if none); Take also forgets it.
const std::string& Detail() noexcept;
std::string Take() noexcept;

// The system's reason for the system call that just failed (errno, or
// GetLastError on Windows) in lower case: "no such file or directory".
// Call it before anything else can change that error.
std::string SystemReason();

}  // namespace vantiro::engine::failure
