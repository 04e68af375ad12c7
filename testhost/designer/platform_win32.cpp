// The designer on Windows: each child run is in a job object that limits
// its processor time and memory and ends it with the job; the wall clock
// and the size of the files it writes are watched from here. Ctrl+C (the
// console's control handler) stops the server.
//
// Differences from POSIX: a file larger than limits.fileBytes is seen by
// looking at the scratch folder every few milliseconds, so the child may
// write somewhat past the limit before it is stopped (POSIX: the write
// fails at the limit, SIGXFSZ). The memory limit is on committed memory, not
// address space, and a 32-bit process cannot go past 4 GiB anyway. Links
// are refused, not followed: on Windows every symbolic link and junction is
// a reparse point; under Wine only a Unix link to a folder shows as one, and
// a Unix link to a file looks like the file.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <mutex>
#include <random>
#include <system_error>

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
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }

// One argument as CommandLineToArgvW reads it back.
void AppendArgument(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

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

std::string OwnProgram(std::string& error) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      error = LastError();
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return fs::path(path).string();
    }
    if (path.size() >= 32768) {
      error = "the program's path is too long";
      return {};
    }
    path.resize(path.size() * 2);
  }
}

bool MakeScratchFolder(fs::path& folder) {
  std::error_code failure;
  const fs::path temp = fs::temp_directory_path(failure);
  if (failure) return false;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "vantiro-designer-%08x", static_cast<unsigned>(random()));
    const fs::path candidate = temp / name;
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
                         const fs::path& errorLog, const RunLimits& limits) {
  ChildEnd end;
  std::wstring commandLine;
  for (const std::string& arg : args) AppendArgument(commandLine, fs::path(arg).wstring());

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
  {
    std::lock_guard<std::mutex> lock(startingChild);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle nothingIn(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr));
    Handle nothingOut(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));
    Handle errors(CreateFileW(errorLog.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    if (!CreateProcessW(fs::path(args[0]).wstring().c_str(), commandLine.data(), nullptr, nullptr,
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
    const bool late = std::chrono::steady_clock::now() >= deadline;
    if (late || HasFileLargerThan(scratch, limits.fileBytes)) {
      TerminateJobObject(job.get(), 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      end.kind = late ? ChildEnd::Kind::kTimedOut : ChildEnd::Kind::kFileSize;
      return end;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  if (HasFileLargerThan(scratch, limits.fileBytes)) {
    end.kind = ChildEnd::Kind::kFileSize;
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

void LimitThisProcess(std::uint64_t, std::uint64_t, std::uint64_t) {
  // The job object of the parent holds the limits. No error boxes: a crash
  // ends the run at once.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

bool PassesUnfollowedLink(const fs::path& root, const fs::path& relative) {
  fs::path at = root;
  for (const fs::path& part : relative) {
    at /= part;
    const DWORD attributes = GetFileAttributesW(at.wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // the rest does not exist
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  }
  return false;
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
