// What the designer does differently on POSIX and on Windows: finding this
// program, scratch folders, starting and stopping a child run under limits,
// links in the served folder, and stopping the server on Ctrl+C. One
// implementation per target: platform_posix.cpp, platform_win32.cpp.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "testhost/designer/run.h"

namespace vantiro::testhost::designer {

class DesignerServer;

namespace platform {

// This program's own file, which runs the scripts; empty with `error` set.
std::string OwnProgram(std::string& error);

// A new empty folder for one run, under the system's folder for temporary
// files; false when none can be made.
bool MakeScratchFolder(std::filesystem::path& folder);

// How a child run ended.
struct ChildEnd {
  enum class Kind {
    kExited,      // with `code`
    kNotStarted,  // `detail` says why
    kTimedOut,    // stopped after limits.seconds of wall clock
    kCpuTime,     // used more than limits.seconds of processor time
    kFileSize,    // wrote a file larger than limits.fileBytes
    kCrashed,     // `detail`: "signal 11", "exception 0xC0000005"
  };
  Kind kind = Kind::kNotStarted;
  int code = 0;
  std::string detail;
};

// Runs `args` (args[0] is the program) in the folder `scratch`, with no
// input or output but its errors into `errorLog`, under `limits`, and waits
// for its end.
ChildEnd RunChildProcess(const std::vector<std::string>& args, const std::filesystem::path& scratch,
                         const std::filesystem::path& errorLog, const RunLimits& limits);

// In the child, first: the limits it sets on itself (POSIX); nothing where
// the parent has set them (Windows).
void LimitThisProcess(std::uint64_t seconds, std::uint64_t fileBytes, std::uint64_t memoryBytes);

// Whether `relative` (already plain, see IsPlainRelativePath) passes a
// link that resolving it may not have followed. POSIX: never, every link is
// followed. Windows: any reparse point (symbolic link, junction, mount point)
// on the part of root/relative that exists.
bool PassesUnfollowedLink(const std::filesystem::path& root, const std::filesystem::path& relative);

// Answers requests until Ctrl+C (POSIX also: SIGTERM), or until the server
// ends by itself.
void ServeUntilStopped(DesignerServer& server);

}  // namespace platform
}  // namespace vantiro::testhost::designer
