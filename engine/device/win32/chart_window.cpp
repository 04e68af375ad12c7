// Chart windows: a child window of the host's window per chart, painting
// the chart it was last shown with. The picture is rendered once per
// ShowChart (or size change) into a bitmap and copied to the screen on
// every repaint, so repaints never flicker and never lay the chart out.
#include <cstdint>
#include <map>
#include <memory>

#include "engine/device/device.h"
#include "engine/device/win32/win32_graphics.h"

namespace vantiro::engine::device {
namespace {

constexpr wchar_t kWindowClass[] = L"VantiroChartWindow";

struct ChartWindow {
  HWND hwnd = nullptr;            // null once the window is gone
  const Chart* chart = nullptr;   // last shown; valid until the next ShowChart
  Argb background = 0xFFFFFFFF;   // painted until the chart is first shown
  HBITMAP picture = nullptr;      // rendered chart, pictureWidth x pictureHeight
  int pictureWidth = 0;
  int pictureHeight = 0;

  ChartWindow() = default;
  ChartWindow(const ChartWindow&) = delete;
  ChartWindow& operator=(const ChartWindow&) = delete;
  ~ChartWindow() { DropPicture(); }

  void DropPicture() {
    if (picture != nullptr) DeleteObject(picture);
    picture = nullptr;
    pictureWidth = pictureHeight = 0;
  }
};

struct WindowTable {
  std::map<std::int32_t, std::unique_ptr<ChartWindow>> windows;
  bool classRegistered = false;
};

// Never destroyed: a window may still repaint while the process unloads.
WindowTable& Table() {
  static WindowTable* table = new WindowTable;
  return *table;
}

// The module this code lives in (rmchart.dll, or a test program), which
// owns the window class.
HINSTANCE ThisModule() {
  static const int marker = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&marker), &module);
  return module;
}

// Renders the chart (or the plain background) into a new picture of
// width x height. Leaves no picture if that fails.
void RenderPicture(ChartWindow& window, int width, int height) {
  window.DropPicture();
  if (!SizeAllowed(width, height)) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as GDI+ lays them out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture == nullptr || bits == nullptr) {
    if (picture != nullptr) DeleteObject(picture);
    return;
  }
  bool drawn = false;
  try {
    // GDI+ draws straight into the section's pixels.
    Gdiplus::Bitmap canvas(width, height, width * 4, PixelFormat32bppARGB,
                           static_cast<BYTE*>(bits));
    Gdiplus::Graphics graphics(&canvas);
    if (canvas.GetLastStatus() == Gdiplus::Ok && graphics.GetLastStatus() == Gdiplus::Ok) {
      graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
      if (window.chart != nullptr) {
        PaintChart(graphics, *window.chart, width, height);
      } else {
        Gdiplus::SolidBrush brush(Gdiplus::Color(static_cast<Gdiplus::ARGB>(window.background)));
        graphics.FillRectangle(&brush, 0, 0, width, height);
      }
      drawn = true;
    }
  } catch (...) {
    drawn = false;  // an exception must not cross the window procedure
  }
  if (!drawn) {
    DeleteObject(picture);
    return;
  }
  window.picture = picture;
  window.pictureWidth = width;
  window.pictureHeight = height;
}

void Paint(ChartWindow& window, HDC dc) {
  RECT client{};
  if (window.hwnd == nullptr || !GetClientRect(window.hwnd, &client)) return;
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return;
  if (window.picture == nullptr || window.pictureWidth != width ||
      window.pictureHeight != height) {
    RenderPicture(window, width, height);
  }
  if (window.picture == nullptr) {
    const Argb c = window.background;
    HBRUSH brush = CreateSolidBrush(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    if (brush != nullptr) {
      FillRect(dc, &client, brush);
      DeleteObject(brush);
    }
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return;
  HGDIOBJ previous = SelectObject(source, window.picture);
  BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

LRESULT CALLBACK ChartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<ChartWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      auto* created = static_cast<ChartWindow*>(create->lpCreateParams);
      if (created != nullptr) created->hwnd = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
      break;
    }
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(hwnd, &paint);
      if (dc != nullptr) {
        if (window != nullptr) Paint(*window, dc);
        EndPaint(hwnd, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      if (window != nullptr) Paint(*window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      if (window != nullptr) window->DropPicture();
      break;
    case WM_NCDESTROY:
      // Destroyed from outside (the host closed the parent): the record
      // stays until DestroyChartWindow, but no longer names a window.
      if (window != nullptr) {
        window->hwnd = nullptr;
        window->DropPicture();
      }
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass(WindowTable& table, HINSTANCE module) {
  if (table.classRegistered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ChartWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  table.classRegistered = RegisterClassExW(&windowClass) != 0 ||
                          GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return table.classRegistered;
}

}  // namespace

std::int32_t CreateChartWindow(const Chart& chart) {
  HWND parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(chart.settings.parent));
  if (parent == nullptr || !IsWindow(parent)) return kBadParent;
  DestroyChartWindow(chart.ctrlId);
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  if (!SizeAllowed(width, height)) return kWindowNotCreated;
  WindowTable& table = Table();
  HINSTANCE module = ThisModule();
  if (!RegisterWindowClass(table, module)) return kWindowNotCreated;

  // In the table before the window exists, so that no step after creation
  // can fail and leave a window pointing at a freed record.
  auto& slot = table.windows[chart.ctrlId];
  slot = std::make_unique<ChartWindow>();
  slot->background = chart.settings.background;
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              chart.settings.x, chart.settings.y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(chart.ctrlId)),
                              module, slot.get());
  if (hwnd == nullptr) {
    table.windows.erase(chart.ctrlId);
    return kWindowNotCreated;
  }
  return kOk;
}

void DestroyChartWindow(std::int32_t ctrlId) {
  WindowTable& table = Table();
  auto found = table.windows.find(ctrlId);
  if (found == table.windows.end()) return;
  std::unique_ptr<ChartWindow> window = std::move(found->second);
  table.windows.erase(found);
  if (window->hwnd != nullptr && IsWindow(window->hwnd)) {
    // Detached first: whatever the window still receives finds no record.
    SetWindowLongPtrW(window->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(window->hwnd);
  }
}

std::int32_t ShowChart(const Chart& chart) {
  WindowTable& table = Table();
  auto found = table.windows.find(chart.ctrlId);
  if (found == table.windows.end()) return kWindowNotCreated;
  ChartWindow& window = *found->second;
  // Taken even when the window is gone: the previous chart is about to be
  // freed by the caller.
  window.chart = &chart;
  window.background = chart.settings.background;
  window.DropPicture();
  if (window.hwnd == nullptr) return kWindowNotCreated;
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  SetWindowPos(window.hwnd, nullptr, chart.settings.x, chart.settings.y, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window.hwnd, nullptr, FALSE);
  UpdateWindow(window.hwnd);
  return kOk;
}

}  // namespace vantiro::engine::device
