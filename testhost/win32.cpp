// Windows edge of the test host: loads chart.dll and looks up its decorated
// exports, releases the texts of nbInitPlugIn with GlobalFree, and provides
// the host window. The only file of the test host that includes <windows.h>.
#include "testhost/win32.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "testhost/plugin_module.h"

namespace vantiro::testhost {

namespace {

void ReleaseWithGlobalFree(char* text) {
  if (text != nullptr) GlobalFree(static_cast<HGLOBAL>(text));
}

void Unload(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

std::string LastErrorText() {
  return "Windows error " + std::to_string(GetLastError());
}

// GetProcAddress gives a generic function pointer; void(*)() converts to any
// other function pointer type without a cast-function-type warning.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  auto generic = reinterpret_cast<void (*)()>(GetProcAddress(module, name));
  return reinterpret_cast<Function>(generic);
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path,
                                                 std::string& error) {
  // LOAD_WITH_ALTERED_SEARCH_PATH needs a full path; with it the DLL's own
  // folder is searched first for its rmchart.dll.
  char full[MAX_PATH * 4];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) {
    error = "cannot resolve the plug-in path " + path + " (" + LastErrorText() + ")";
    return nullptr;
  }
  HMODULE handle = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (handle == nullptr) {
    error = std::string("cannot load the plug-in ") + full + " (" + LastErrorText() + ")";
    return nullptr;
  }
  std::unique_ptr<PluginModule> module(new PluginModule());
  module->handle_ = handle;
  module->unload_ = &Unload;
  EntryPoints& e = module->entry_;
  e.registerPlugIn = Lookup<decltype(e.registerPlugIn)>(handle, kExportNames[0]);
  e.initPlugIn = Lookup<decltype(e.initPlugIn)>(handle, kExportNames[1]);
  e.execAction = Lookup<decltype(e.execAction)>(handle, kExportNames[2]);
  e.editAction = Lookup<decltype(e.editAction)>(handle, kExportNames[3]);
  e.message = Lookup<decltype(e.message)>(handle, kExportNames[4]);
  e.registerScriptProcessor =
      Lookup<decltype(e.registerScriptProcessor)>(handle, kExportNames[5]);
  e.registerInterfaceAccess =
      Lookup<decltype(e.registerInterfaceAccess)>(handle, kExportNames[6]);
  e.releaseInitText = &ReleaseWithGlobalFree;
  for (const char* name : kExportNames) {
    if (GetProcAddress(handle, name) == nullptr) {
      error = std::string(full) + " does not export " + name;
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

std::uintptr_t CreateHostWindow(int width, int height) {
  if (!RegisterHostWindowClass()) return 0;
  RECT frame{0, 0, width, height};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowExA(0, kWindowClass, "Vantiro test host", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return 0;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpMessages();
  return reinterpret_cast<std::uintptr_t>(window);
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
  HDC windowDc = GetDC(hwnd);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
  HGDIOBJ previous = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY | CAPTUREBLT);
  SelectObject(memoryDc, previous);

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
  int rows = GetDIBits(memoryDc, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                       &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(hwnd, windowDc);
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

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    error = "cannot create " + path;
    return false;
  }
  bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  written = std::fclose(out) == 0 && written;
  if (!written) error = "cannot write " + path;
  return written;
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
