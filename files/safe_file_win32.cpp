// Windows: temporary files created with CREATE_NEW under a random name,
// moved into place with MoveFileExW; names go through the wide API (with the
// \\?\ prefix when long), so a name that fits the folder works. Device names
// and alternate data streams are refused by name, before the system sees
// them.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <random>

#include "files/safe_file.h"

namespace vantiro::files {
namespace {

constexpr wchar_t kTempPrefix[] = L".vt-";
constexpr int kTempRandomChars = 10;
constexpr int kTempAttempts = 16;
// Room left for a temporary name beside a target before \\?\ is needed.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 20;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// Whether the last part of a full path names a device, or a ':' follows the
// drive (a stream of a file: "x.txt:evil.vsc").
bool RefusedName(const std::wstring& full) {
  std::size_t start = 0;
  if (StartsWith(full, L"\\\\?\\UNC\\")) {
    start = 8;
  } else if (StartsWith(full, L"\\\\?\\")) {
    start = 4;
  }
  if (full.size() >= start + 2 && full[start + 1] == L':') start += 2;
  if (full.find(L':', start) != std::wstring::npos) return true;
  const std::size_t slash = full.find_last_of(L"\\/");
  const std::wstring last = full.substr(slash == std::wstring::npos ? 0 : slash + 1);
  std::string ascii;
  for (const wchar_t c : last) {
    if (c >= 0x80) return false;  // no device name holds other characters
    ascii += static_cast<char>(c);
  }
  return IsWindowsDeviceName(ascii);
}

// The absolute form of `wide`, prefixed for long names; empty for device
// names (\\.\, NUL, COM1, aux.vsc, pipes) and streams, which are never files.
std::wstring FullPath(const std::wstring& wide) {
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return std::wstring();
  if (StartsWith(wide, L"\\\\?\\")) return RefusedName(wide) ? std::wstring() : wide;
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return std::wstring();
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return std::wstring();
  full.resize(written);
  if (StartsWith(full, L"\\\\.\\") || RefusedName(full)) return std::wstring();
  if (full.size() < kPlainPathLimit) return full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The final path of an existing file, through any links; empty if it
// leads nowhere.
std::wstring Resolved(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring resolved(32768, L'\0');
  const DWORD length =
      GetFinalPathNameByHandleW(h, resolved.data(), static_cast<DWORD>(resolved.size()),
                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(h);
  if (length == 0 || length >= resolved.size()) return std::wstring();
  resolved.resize(length);
  return resolved;
}

std::wstring RandomName(std::random_device& random) {
  static constexpr wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring name = kTempPrefix;
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kChars)) - 2);
  for (int i = 0; i < kTempRandomChars; ++i) name += kChars[pick(random)];
  return name;
}

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

struct PendingFile::State {
  std::wstring target;
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;  // of the existing target
};

PendingFile::PendingFile() : state_(std::make_unique<State>()) {}

PendingFile::~PendingFile() {
  const DWORD saved = GetLastError();  // the reason of a failure stays readable
  if (state_->file != INVALID_HANDLE_VALUE) CloseHandle(state_->file);
  if (!state_->temp.empty()) DeleteFileW(state_->temp.c_str());
  SetLastError(saved);
}

bool PendingFile::Open(const std::filesystem::path& path) {
  State& s = *state_;
  s.target = FullPath(path.wstring());
  if (s.target.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  DWORD attributes = GetFileAttributesW(s.target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  } else {
    // Written where the name finally leads: through a Windows link, and
    // through a link of the file system underneath, which Wine shows as a
    // plain file. The link itself stays.
    s.target = Resolved(s.target);
    if (s.target.empty()) return false;
    attributes = GetFileAttributesW(s.target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD kRefused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                               FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if ((attributes & kRefused) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);  // what the system says of such a target
      return false;
    }
    s.attributes = attributes;
  }
  const std::size_t slash = s.target.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  const std::wstring folder = s.target.substr(0, slash + 1);
  std::random_device random;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    const std::wstring temp = folder + RandomName(random);
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      s.file = h;
      s.temp = temp;
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return false;
}

bool PendingFile::Write(const char* data, std::size_t size) {
  State& s = *state_;
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 24));
    DWORD written = 0;
    if (WriteFile(s.file, data, chunk, &written, nullptr) == 0 || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool PendingFile::Place() {
  State& s = *state_;
  if (FlushFileBuffers(s.file) == 0) return false;
  HANDLE h = s.file;
  s.file = INVALID_HANDLE_VALUE;
  if (CloseHandle(h) == 0) return false;
  if (s.attributes != INVALID_FILE_ATTRIBUTES && (s.attributes & kKeptAttributes) != 0 &&
      SetFileAttributesW(s.temp.c_str(), s.attributes & kKeptAttributes) == 0) {
    return false;
  }
  if (MoveFileExW(s.temp.c_str(), s.target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    return false;
  }
  s.temp.clear();
  return true;
}

FilePtr OpenRegular(const std::filesystem::path& path) {
  const std::wstring full = FullPath(path.wstring());
  if (full.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  HANDLE h = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || GetFileInformationByHandle(h, &info) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    SetLastError(ERROR_ACCESS_DENIED);  // a folder or a device
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FilePtr file(_fdopen(fd, "rb"));
  if (!file) _close(fd);  // closes the handle too
  return file;
}

FilePtr OpenAppend(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return nullptr;
  return FilePtr(_wfopen(wide.c_str(), L"ab"));
}

}  // namespace vantiro::files
