// The designer on Windows: each child run is in a job object that limits
// its processor time and memory and ends it with the job; the wall clock
// and the size of the files it writes are watched from here. Ctrl+C (the
// console's control handler) stops the server.
//
// Differences from POSIX: a file larger than limits.fileBytes is seen by
// looking at the scratch folder every few milliseconds, so the child may
// write somewhat past the limit before it is stopped (POSIX: the write
// fails at the limit, SIGXFSZ). The memory limit is on committed memory, not
// address space, and a 32-bit process cannot go past 4 GiB anyway.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <mutex>
#include <random>
#include <system_error>

#include "testhost/designer/command_line.h"
#include "testhost/designer/paths.h"
#include "testhost/designer/platform.h"
#include "testhost/designer/server.h"

namespace vantiro::testhost::designer::platform {

namespace {

namespace fs = std::filesystem;

constexpr DWORD kWatchMilliseconds = 20;

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }

// Whether some file in `folder` (or below) is larger than `limit` bytes.
bool HasFileLargerThan(const fs::path& folder, std::uint64_t limit) {
  std::error_code failure;
  fs::recursive_directory_iterator it(folder, failure);
  for (; !failure && it != fs::recursive_directory_iterator(); it.increment(failure)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored) && it->file_size(ignored) > limit) return true;
  }
  return false;
}

// Reads what the child wrote to its error pipe, without waiting.
void DrainPipe(HANDLE pipe, std::string& errors) {
  for (;;) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) return;
    char buffer[1024];
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof buffer), &got, nullptr) ||
        got == 0) {
      return;
    }
    if (errors.size() < 4096)
      errors.append(buffer, std::min<std::size_t>(got, 4096 - errors.size()));
  }
}

std::uint64_t UserTime100ns(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<std::uint64_t>(user.dwHighDateTime) << 32) | user.dwLowDateTime;
}

// Inheritable handles exist only while one child is being started, so that
// a child started at the same time by another run inherits none of them.
std::mutex startingChild;

// The server Ctrl+C stops; the handler runs on a thread of its own.
std::mutex servingLock;
DesignerServer* serving = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(servingLock);
  if (serving != nullptr) serving->Stop();
  return TRUE;
}

}  // namespace

fs::path OwnProgram(std::string& error) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      error = LastError();
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return fs::path(path);
    }
    if (path.size() >= 32768) {
      error = "the program's path is too long";
      return {};
    }
    path.resize(path.size() * 2);
  }
}

bool MakeScratchFolder(const fs::path& parent, const std::string& prefix, fs::path& folder) {
  std::error_code failure;
  const fs::path base = parent.empty() ? fs::temp_directory_path(failure) : parent;
  if (failure) return false;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "%08x", static_cast<unsigned>(random()));
    const fs::path candidate = base / (prefix + name);
    // CreateDirectoryW fails for a folder that exists: the folder is ours.
    if (CreateDirectoryW(candidate.wstring().c_str(), nullptr)) {
      folder = candidate;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

ChildEnd RunChildProcess(const std::vector<std::string>& args, const fs::path& scratch,
                         const RunLimits& limits) {
  ChildEnd end;
  std::wstring commandLine;
  for (const std::string& arg : args) AppendArgument(commandLine, FromUtf8(arg).wstring());

  Handle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.valid()) {
    end.detail = "no job object: " + LastError();
    return end;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION jobLimits{};
  jobLimits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_PROCESS_TIME |
      JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  jobLimits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
      static_cast<LONGLONG>(limits.seconds) * 10'000'000;
  jobLimits.ProcessMemoryLimit = static_cast<SIZE_T>(
      std::min<std::uint64_t>(limits.memoryBytes, std::numeric_limits<SIZE_T>::max() & ~0xFFFFu));
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &jobLimits,
                               sizeof jobLimits)) {
    end.detail = "cannot limit the run: " + LastError();
    return end;
  }

  PROCESS_INFORMATION process{};
  Handle errorsRead;
  {
    std::lock_guard<std::mutex> lock(startingChild);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle nothingIn(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr));
    Handle nothingOut(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));
    // Its errors come through a pipe: a full disk must not lose them.
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1u << 16)) {
      end.detail = "cannot open the run's output: " + LastError();
      return end;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    errorsRead.reset(readEnd);
    Handle errors(writeEnd);
    if (!nothingIn.valid() || !nothingOut.valid() || !errors.valid()) {
      end.detail = "cannot open the run's output: " + LastError();
      return end;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothingIn.get();
    startup.hStdOutput = nothingOut.get();
    startup.hStdError = errors.get();
    // No console of its own: Ctrl+C in the server's console is the
    // server's, and no window flashes up for a run.
    if (!CreateProcessW(FromUtf8(args[0]).wstring().c_str(), commandLine.data(), nullptr, nullptr,
                        TRUE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                        scratch.wstring().c_str(), &startup, &process)) {
      end.detail = LastError();
      return end;
    }
  }
  Handle processHandle(process.hProcess);
  Handle thread(process.hThread);
  if (!AssignProcessToJobObject(job.get(), process.hProcess)) {
    end.detail = "cannot limit the run: " + LastError();
    TerminateProcess(process.hProcess, 1);
    return end;
  }
  ResumeThread(process.hThread);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
  for (;;) {
    if (WaitForSingleObject(process.hProcess, kWatchMilliseconds) != WAIT_TIMEOUT) break;
    DrainPipe(errorsRead.get(), end.errors);
    const bool late = std::chrono::steady_clock::now() >= deadline;
    const bool large = HasFileLargerThan(scratch, limits.fileBytes);
    const bool full = !large && FolderBytes(scratch) > limits.runBytes;
    if (late || large || full) {
      TerminateJobObject(job.get(), 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      end.kind = late    ? ChildEnd::Kind::kTimedOut
                 : large ? ChildEnd::Kind::kFileSize
                         : ChildEnd::Kind::kDiskUse;
      return end;
    }
  }
  DrainPipe(errorsRead.get(), end.errors);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  if (HasFileLargerThan(scratch, limits.fileBytes)) {
    end.kind = ChildEnd::Kind::kFileSize;
  } else if (FolderBytes(scratch) > limits.runBytes) {
    end.kind = ChildEnd::Kind::kDiskUse;
  } else if (code != 0 && UserTime100ns(process.hProcess) >=
                              static_cast<std::uint64_t>(limits.seconds) * 10'000'000) {
    end.kind = ChildEnd::Kind::kCpuTime;  // the job ended it
  } else if (code >= 0xC0000000u) {
    char detail[32];
    std::snprintf(detail, sizeof detail, "exception 0x%08lX", static_cast<unsigned long>(code));
    end.kind = ChildEnd::Kind::kCrashed;
    end.code = static_cast<int>(code);
    end.detail = detail;
  } else {
    end.kind = ChildEnd::Kind::kExited;
    end.code = static_cast<int>(code);
  }
  return end;
}

void ServeUntilStopped(DesignerServer& server) {
  {
    std::lock_guard<std::mutex> lock(servingLock);
    serving = &server;
  }
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  server.Listen();
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  std::lock_guard<std::mutex> lock(servingLock);
  serving = nullptr;
}

}  // namespace vantiro::testhost::designer::platform
