// The portable part of the safe write: whole files, names, reasons.
#include "files/safe_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vantiro::files {

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string Shown(const std::filesystem::path& path) {
#ifdef _WIN32
  // The reason is for people: UTF-8, whatever the code page.
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
#else
  return path.string();
#endif
}

}  // namespace

bool WriteWholeFile(const std::filesystem::path& target, std::string_view bytes,
                    std::string* reason) {
  PendingFile file;
  if (!file.Open(target)) {
    if (reason != nullptr) *reason = "cannot create " + Shown(target) + ": " + SystemReason();
    return false;
  }
  if (!file.Write(bytes.data(), bytes.size())) {
    if (reason != nullptr) *reason = "cannot write " + Shown(target) + ": " + SystemReason();
    return false;
  }
  if (!file.Place()) {
    if (reason != nullptr) *reason = "cannot put " + Shown(target) + " in place: " + SystemReason();
    return false;
  }
  return true;
}

bool ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes,
                     std::string* reason) {
  bytes.clear();
  FilePtr file = OpenRegular(path);
  if (!file) {
    if (reason != nullptr) *reason = "cannot open " + Shown(path) + ": " + SystemReason();
    return false;
  }
  char buffer[64 * 1024];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (bytes.size() + got > maxBytes) {
      if (reason != nullptr) {
        *reason = Shown(path) + " is larger than " + std::to_string(maxBytes) + " bytes";
      }
      bytes.clear();
      return false;
    }
    bytes.append(buffer, got);
  }
  if (std::ferror(file.get())) {
    if (reason != nullptr) *reason = "cannot read " + Shown(path) + ": " + SystemReason();
    bytes.clear();
    return false;
  }
  return true;
}

bool IsWindowsDeviceName(std::string_view part) {
  while (!part.empty() && (part.back() == ' ' || part.back() == '.')) part.remove_suffix(1);
  std::string stem(part.substr(0, part.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = Upper(c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
      stem == "CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

bool IsPortableName(std::string_view part) {
  if (part.empty() || IsWindowsDeviceName(part)) return false;
  if (part.back() == ' ' || part.back() == '.') return part == "." || part == "..";
  for (const char c : part) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr(":\\*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  return true;
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
  reason = std::strerror(errno);
#endif
  if (!reason.empty()) {
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  }
  return reason;
}

}  // namespace vantiro::files
