// `vantiro-host --serve`: the designer is a program of its own, installed
// beside the host programs, so that they link no HTTP, TLS or compression
// library. POSIX replaces this process with it; Windows starts it on the
// same console and waits, leaving Ctrl+C to it.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "testhost/designer/command_line.h"
#include "testhost/designer/host_side.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vantiro::testhost::designer {

namespace fs = std::filesystem;

#ifdef _WIN32
const char* const kDesignerProgram = "vantiro-designer.exe";
#else
const char* const kDesignerProgram = "vantiro-designer";
#endif

namespace {

#ifdef _WIN32
std::wstring Widen(const std::string& text) {
  // The arguments came in the ANSI code page (argv).
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

fs::path OwnProgram() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return fs::path(path);
}

HANDLE Inheritable(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  return handle;
}
#else
fs::path OwnProgram() {
  std::error_code failure;
  return fs::read_symlink("/proc/self/exe", failure);
}
#endif

}  // namespace

int LaunchDesigner(const std::vector<std::string>& args, const HostPlatform& platform,
                   std::ostream& err) {
  const fs::path self = OwnProgram();
  const fs::path designer = self.parent_path() / kDesignerProgram;
  auto cannot = [&](const std::string& why) {
    err << platform.programName << ": --serve starts " << kDesignerProgram
        << ", which should be beside this program (" << designer.string() << "): " << why << '\n';
    return kExitScriptError;
  };
  if (self.empty()) return cannot("cannot find this program's own file");
#ifdef _WIN32
  std::wstring line;
  AppendArgument(line, designer.wstring());
  AppendArgument(line, L"--host");
  AppendArgument(line, self.wstring());
  for (std::size_t i = 1; i < args.size(); ++i) AppendArgument(line, Widen(args[i]));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(STD_INPUT_HANDLE);
  startup.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
  startup.hStdError = Inheritable(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(designer.wstring().c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return cannot(std::system_category().message(static_cast<int>(GetLastError())));
  }
  // Ctrl+C reaches both; the designer stops, this program waits for it.
  SetConsoleCtrlHandler(nullptr, TRUE);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = kExitScriptError;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
#else
  std::vector<std::string> arguments = {designer.string(), "--host", self.string()};
  arguments.insert(arguments.end(), args.begin() + 1, args.end());
  std::vector<char*> argv;
  for (std::string& arg : arguments) argv.push_back(arg.data());
  argv.push_back(nullptr);
  err.flush();
  ::execv(designer.c_str(), argv.data());
  return cannot(std::strerror(errno));
#endif
}

}  // namespace vantiro::testhost::designer
