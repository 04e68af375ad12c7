// What the designer server does differently on POSIX and on Windows:
// scratch folders, starting and stopping a child run under limits, and
// stopping the server on Ctrl+C. One implementation per target:
// platform_posix.cpp, platform_win32.cpp.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "testhost/designer/run.h"

namespace vantiro::testhost::designer {

class DesignerServer;

namespace platform {

// This program's own file; empty with `error` set.
std::filesystem::path OwnProgram(std::string& error);

// A new empty folder, only ours, under `parent` (empty: the system's folder
// for temporary files), named after `prefix`; false when none can be made.
bool MakeScratchFolder(const std::filesystem::path& parent, const std::string& prefix,
                       std::filesystem::path& folder);

// How a child run ended.
struct ChildEnd {
  enum class Kind {
    kExited,      // with `code`
    kNotStarted,  // `detail` says why
    kTimedOut,    // stopped after limits.seconds of wall clock
    kCpuTime,     // used more than limits.seconds of processor time
    kFileSize,    // wrote a file larger than limits.fileBytes
    kDiskUse,     // its folder grew past limits.runBytes
    kCrashed,     // `detail`: "signal 11", "exception 0xC0000005"
  };
  Kind kind = Kind::kNotStarted;
  int code = 0;
  std::string detail;
  std::string errors;  // what it wrote to its standard error (the first 4 KiB)
};

// Runs `args` (args[0] is the program) in the folder `folder`, with no
// input or output but its errors, under `limits`, and waits for its end; the
// files under `folder` may hold at most limits.runBytes together.
ChildEnd RunChildProcess(const std::vector<std::string>& args, const std::filesystem::path& folder,
                         const RunLimits& limits);

// Answers requests until Ctrl+C (POSIX also: SIGTERM), or until the server
// ends by itself.
void ServeUntilStopped(DesignerServer& server);

}  // namespace platform

// The bytes of the files under `folder` together (links not followed).
std::uint64_t FolderBytes(const std::filesystem::path& folder);

// Removes `folder` and all in it, trying again for a while where the system
// still holds a file of a run that just ended (Windows); false if it stays.
bool RemoveFolder(const std::filesystem::path& folder);

}  // namespace vantiro::testhost::designer
