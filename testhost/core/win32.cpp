// Windows edge of the test host: loads chart.dll and looks up its decorated
// exports, releases the texts of nbInitPlugIn with GlobalFree, and provides
// the host window. The only file of the test host that includes <windows.h>.
#include "testhost/core/win32.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <vector>

#include "testhost/core/plugin_module.h"

namespace vantiro::testhost {

namespace {

// Owners of every handle this file acquires, so that each is released on
// every path out, an allocation failure included.
template <typename Handle, auto Release>
struct Releaser {
  void operator()(Handle handle) const { Release(handle); }
};
template <typename Handle, auto Release>
using Owned = std::unique_ptr<std::remove_pointer_t<Handle>, Releaser<Handle, Release>>;

using OwnedModule = Owned<HMODULE, &FreeLibrary>;
using OwnedMemoryDc = Owned<HDC, &DeleteDC>;
using OwnedBitmap = Owned<HBITMAP, &DeleteObject>;
using OwnedWindow = Owned<HWND, &DestroyWindow>;
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// A device context of a window, given back to that window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context until the end of the scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  explicit operator bool() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

void ReleaseWithGlobalFree(char* text) {
  if (text != nullptr) GlobalFree(static_cast<HGLOBAL>(text));
}

void Unload(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

// The system's reason for the last error, e.g. "the specified module could
// not be found (Windows error 126)".
std::string LastErrorText() {
  const DWORD code = GetLastError();
  std::string number = "Windows error " + std::to_string(code);
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == '.' || static_cast<unsigned char>(reason.back()) <= ' ')) {
    reason.pop_back();
  }
  if (reason.empty()) return number;
  reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason + " (" + number + ")";
}

// GetProcAddress gives a generic function pointer; void(*)() converts to any
// other function pointer type without a cast-function-type warning.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  auto generic = reinterpret_cast<void (*)()>(GetProcAddress(module, name));
  return reinterpret_cast<Function>(generic);
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
  // LOAD_WITH_ALTERED_SEARCH_PATH needs a full path; with it the DLL's own
  // folder is searched first for its rmchart.dll.
  char full[MAX_PATH * 4];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) {
    error = "cannot resolve the plug-in path " + path + ": " + LastErrorText();
    return nullptr;
  }
  OwnedModule owned(LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!owned) {
    error = std::string("cannot load the plug-in ") + full + ": " + LastErrorText();
    return nullptr;
  }
  std::unique_ptr<PluginModule> module(new PluginModule());
  HMODULE handle = owned.release();
  module->handle_ = handle;
  module->unload_ = &Unload;
  EntryPoints& e = module->entry_;
  e.registerPlugIn = Lookup<decltype(e.registerPlugIn)>(handle, kExportNames[0]);
  e.initPlugIn = Lookup<decltype(e.initPlugIn)>(handle, kExportNames[1]);
  e.execAction = Lookup<decltype(e.execAction)>(handle, kExportNames[2]);
  e.editAction = Lookup<decltype(e.editAction)>(handle, kExportNames[3]);
  e.message = Lookup<decltype(e.message)>(handle, kExportNames[4]);
  e.registerScriptProcessor = Lookup<decltype(e.registerScriptProcessor)>(handle, kExportNames[5]);
  e.registerInterfaceAccess = Lookup<decltype(e.registerInterfaceAccess)>(handle, kExportNames[6]);
  e.releaseInitText = &ReleaseWithGlobalFree;
  for (const char* name : kExportNames) {
    if (GetProcAddress(handle, name) == nullptr) {
      error = std::string("cannot use the plug-in ") + full + ": it does not export " + name;
      return nullptr;  // the destructor unloads it
    }
  }
  return module;
}

namespace win32 {

namespace {

constexpr const char* kWindowClass = "VantiroTestHostWindow";

HWND AsWindow(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

bool RegisterHostWindowClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  registered = RegisterClassA(&windowClass) != 0;
  return registered;
}

void PutLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
}

}  // namespace

std::string ExecutableFolder() {
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::uintptr_t CreateHostWindow(int width, int height, bool shown) {
  if (!RegisterHostWindowClass()) return 0;
  RECT frame{0, 0, width, height};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRect(&frame, style, FALSE);
  OwnedWindow window(CreateWindowExA(0, kWindowClass, "Vantiro test host", style, CW_USEDEFAULT,
                                     CW_USEDEFAULT, frame.right - frame.left,
                                     frame.bottom - frame.top, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr));
  if (!window) return 0;
  if (shown) {
    ShowWindow(window.get(), SW_SHOW);
    UpdateWindow(window.get());
  }
  PumpMessages();
  // From here on the caller owns it (DestroyHostWindow).
  return reinterpret_cast<std::uintptr_t>(window.release());
}

void DestroyHostWindow(std::uintptr_t window) {
  if (window != 0 && IsWindow(AsWindow(window))) DestroyWindow(AsWindow(window));
  PumpMessages();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool CaptureWindow(std::uintptr_t window, const std::string& path, std::string& error) {
  HWND hwnd = AsWindow(window);
  RECT client;
  if (window == 0 || !IsWindow(hwnd) || !GetClientRect(hwnd, &client)) {
    error = "there is no host window to capture";
    return false;
  }
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) {
    error = "the host window has no client area";
    return false;
  }
  const WindowDc windowDc(hwnd);
  const OwnedMemoryDc memoryDc(windowDc.get() ? CreateCompatibleDC(windowDc.get()) : nullptr);
  const OwnedBitmap bitmap(memoryDc ? CreateCompatibleBitmap(windowDc.get(), width, height)
                                    : nullptr);
  if (!bitmap) {
    error = "cannot copy the pixels of the host window (" + LastErrorText() + ")";
    return false;
  }
  {
    const Selection selected(memoryDc.get(), bitmap.get());
    if (!selected ||
        !BitBlt(memoryDc.get(), 0, 0, width, height, windowDc.get(), 0, 0, SRCCOPY | CAPTUREBLT)) {
      error = "cannot copy the pixels of the host window (" + LastErrorText() + ")";
      return false;
    }
  }  // GetDIBits wants the bitmap out of every device context.

  // Bottom-up rows of 24-bit pixels, each padded to 4 bytes.
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3u + 3u) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);
  std::vector<unsigned char> pixels(pixelBytes);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  int rows = GetDIBits(memoryDc.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                       &info, DIB_RGB_COLORS);
  if (rows != height) {
    error = "cannot read the pixels of the host window";
    return false;
  }

  std::vector<unsigned char> file;
  file.reserve(54 + pixelBytes);
  file.push_back('B');
  file.push_back('M');
  PutLittleEndian(file, 54 + pixelBytes, 4);  // file size
  PutLittleEndian(file, 0, 4);                // reserved
  PutLittleEndian(file, 54, 4);               // offset of the pixels
  PutLittleEndian(file, 40, 4);               // BITMAPINFOHEADER
  PutLittleEndian(file, static_cast<std::uint32_t>(width), 4);
  PutLittleEndian(file, static_cast<std::uint32_t>(height), 4);
  PutLittleEndian(file, 1, 2);   // planes
  PutLittleEndian(file, 24, 2);  // bits per pixel
  PutLittleEndian(file, 0, 4);   // BI_RGB
  PutLittleEndian(file, pixelBytes, 4);
  PutLittleEndian(file, 2835, 4);  // 72 dpi
  PutLittleEndian(file, 2835, 4);
  PutLittleEndian(file, 0, 4);
  PutLittleEndian(file, 0, 4);
  file.insert(file.end(), pixels.begin(), pixels.end());

  OwnedFile out(std::fopen(path.c_str(), "wb"));
  if (!out) {
    error = "cannot create " + path;
    return false;
  }
  bool written = std::fwrite(file.data(), 1, file.size(), out.get()) == file.size();
  written = std::fclose(out.release()) == 0 && written;
  if (!written) error = "cannot write " + path;
  return written;
}

std::int32_t SetLayoutReport(const char* path, std::string& error) {
  HMODULE engine = GetModuleHandleA("rmchart.dll");
  if (engine == nullptr) {
    error = "the plug-in has not loaded rmchart.dll: no layout report";
    return -1;
  }
  using Switch = std::int32_t(WINAPI*)(const char*);
  auto setReport = Lookup<Switch>(engine, "VantiroEngine_SetLayoutReport");
  if (setReport == nullptr) {
    error = "this rmchart.dll does not export VantiroEngine_SetLayoutReport: no layout report";
    return -1;
  }
  return setReport(path);
}

bool SetSnapshots(const std::string& folder, const std::string& stem, std::string& error) {
  HMODULE engine = GetModuleHandleA("rmchart.dll");
  using Set = void(WINAPI*)(const char*, const char*);
  auto set = engine != nullptr ? Lookup<Set>(engine, "VantiroEngine_SetSnapshots") : nullptr;
  if (set == nullptr) {
    error = "this rmchart.dll does not export VantiroEngine_SetSnapshots: no snapshots";
    return false;
  }
  set(folder.c_str(), stem.c_str());
  return true;
}

std::string TakeEngineFailure() {
  HMODULE engine = GetModuleHandleA("rmchart.dll");
  using Take = const char*(WINAPI*)();
  auto take = engine != nullptr ? Lookup<Take>(engine, "VantiroEngine_TakeLastFailure") : nullptr;
  const char* detail = take != nullptr ? take() : nullptr;
  return detail != nullptr ? std::string(detail) : std::string();
}

bool WaitHandlingMessages(std::uintptr_t window, int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (;;) {
    if (window == 0 || !IsWindow(AsWindow(window))) return false;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    PumpMessages();
  }
}

void KeepOpen(std::uintptr_t window) {
  while (WaitHandlingMessages(window, 1000)) {
  }
}

std::vector<std::string> RecordedEngineCalls(std::size_t first) {
  std::vector<std::string> texts;
  HMODULE engine = GetModuleHandleA("rmchart.dll");
  if (engine == nullptr) return texts;
  using CallCount = std::int32_t(WINAPI*)();
  using CallAt = std::int32_t(WINAPI*)(std::int32_t, char*, std::int32_t);
  auto count = Lookup<CallCount>(engine, "RecordingEngine_CallCount");
  auto callAt = Lookup<CallAt>(engine, "RecordingEngine_CallAt");
  if (count == nullptr || callAt == nullptr) return texts;
  for (std::int32_t i = static_cast<std::int32_t>(first); i < count(); ++i) {
    std::vector<char> buffer(256);
    std::int32_t length = callAt(i, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (length < 0) break;
    if (static_cast<std::size_t>(length) >= buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length) + 1);
      callAt(i, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    }
    texts.emplace_back(buffer.data());
  }
  return texts;
}

}  // namespace win32
}  // namespace vantiro::testhost
