// The engine's last-failure detail.
#include "engine/failure/failure.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vantiro::engine::failure {
namespace {

std::string& Kept() noexcept {
  static std::string detail;
  return detail;
}

}  // namespace

void Clear() noexcept { Kept().clear(); }

void Record(std::string_view detail) noexcept {
  std::string& kept = Kept();
  if (!kept.empty()) return;
  try {
    kept.assign(detail);
  } catch (const std::exception&) {  // out of memory: no detail
    kept.clear();
  }
}

const std::string& Detail() noexcept { return Kept(); }

std::string Take() noexcept {
  std::string taken;
  std::swap(taken, Kept());
  return taken;
}

std::string SystemReason() {
  std::string reason;
#ifdef _WIN32
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  if (length > 0 && text != nullptr) reason.assign(text, length);
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == '.' || static_cast<unsigned char>(reason.back()) <= ' ')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "Windows error " + std::to_string(code);
#else
  const int code = errno;
  reason = std::strerror(code);
#endif
  if (!reason.empty()) {
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  }
  return reason;
}

}  // namespace vantiro::engine::failure
