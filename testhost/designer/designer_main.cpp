// vantiro-designer: the live chart designer, started by `vantiro-host
// --serve`. It is the one program that links cpp-httplib and nlohmann-json;
// each script runs in a child vantiro-host.
#include <iostream>
#include <string>
#include <vector>

#include "testhost/designer/server.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <shellapi.h>

namespace {
// The arguments in UTF-8, whatever the code page.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), length, nullptr, nullptr);
    args.push_back(arg);
  }
  if (wide != nullptr) LocalFree(wide);
  return args;
}
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  const std::vector<std::string> args = Arguments();
#else
  const std::vector<std::string> args(argv + 1, argv + argc);
#endif
  return vantiro::testhost::designer::Serve(args, std::cout, std::cerr);
}
