// release_load_probe.exe: what a host program meets when it loads the
// shipped DLLs.
//   release_load_probe load PATH          LoadLibraryA(PATH), as a host that
//                                         loads plug-ins plainly
//   release_load_probe load-altered PATH  LoadLibraryExA(PATH, ...,
//                                         LOAD_WITH_ALTERED_SEARCH_PATH)
//   release_load_probe version PATH       the version resource, as Windows
//                                         shows it: "Name=value" lines
// Exit status 0 when the DLL (with the DLLs it imports) loaded or its version
// resource was read, 1 when not, 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int Load(const char* path, DWORD flags) {
  HMODULE module = LoadLibraryExA(path, nullptr, flags);
  if (module == nullptr) {
    std::printf("not loaded (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("loaded\n");
  FreeLibrary(module);
  return 0;
}

int PrintVersion(const char* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data())) {
    std::printf("no version resource (error %lu)\n", GetLastError());
    return 1;
  }
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    std::printf("no fixed version information\n");
    return 1;
  }
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  std::printf("Fixed=%lu.%lu.%lu.%lu\n", fixed.dwFileVersionMS >> 16,
              fixed.dwFileVersionMS & 0xFFFF, fixed.dwFileVersionLS >> 16,
              fixed.dwFileVersionLS & 0xFFFF);
  // The strings of the first language and code page the resource names.
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    std::printf("no translation table\n");
    return 1;
  }
  WORD translation[2];
  std::memcpy(translation, value, sizeof translation);
  for (const char* name : {"FileVersion", "ProductVersion", "ProductName", "FileDescription",
                           "CompanyName", "LegalCopyright", "OriginalFilename"}) {
    char key[128];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                  name);
    const bool found = VerQueryValueA(block.data(), key, &value, &length) && length > 0;
    std::printf("%s=%s\n", name, found ? static_cast<const char*>(value) : "");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A missing DLL is a result here, never a message box.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  if (argc != 3) {
    std::fprintf(stderr, "usage: release_load_probe load|load-altered|version PATH\n");
    return 2;
  }
  const char* path = argv[2];
  if (std::strcmp(argv[1], "load") == 0) return Load(path, 0);
  if (std::strcmp(argv[1], "load-altered") == 0) return Load(path, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (std::strcmp(argv[1], "version") == 0) return PrintVersion(path);
  std::fprintf(stderr, "release_load_probe: unknown command %s\n", argv[1]);
  return 2;
}
