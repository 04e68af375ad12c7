// Chart windows: a child window of the host's window per chart, painting
// the chart it was last shown with. The picture is rendered once per
// ShowChart (or size change) into a bitmap and copied to the screen on
// every repaint, so repaints never flicker and never lay the chart out.
// Charts with value tooltips also keep the picture's hot spots, and a
// tracking tooltip follows the mouse over them.
#include "engine/device/win32/chart_window.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/device/device.h"
#include "engine/device/win32/gdi_guards.h"
#include "engine/device/win32/win32_graphics.h"
#include "engine/layout/layout.h"
#include "text/code_page.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wconversion"
#include <commctrl.h>
#pragma GCC diagnostic pop

namespace vantiro::engine::device {
namespace {

constexpr wchar_t kWindowClass[] = L"VantiroChartWindow";

// The tooltip control's one tool: the whole chart window.
constexpr UINT_PTR kToolId = 1;
// The tool record as comctl32 5 knows it: without a manifest that is the
// version loaded, and it refuses the larger record of version 6.
constexpr UINT kToolInfoSize = UINT(offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM));
// Where the tooltip stands from the mouse: below and right of the pointer,
// never under it (the window would lose the mouse to it).
constexpr int kTooltipOffsetX = 12;
constexpr int kTooltipOffsetY = 20;

struct ChartWindow {
  HWND hwnd = nullptr;           // null once the window is gone
  const Chart* chart = nullptr;  // last shown; valid until the next ShowChart
  Argb background = 0xFFFFFFFF;  // painted until the chart is first shown
  HBITMAP picture = nullptr;     // rendered chart, pictureWidth x pictureHeight
  int pictureWidth = 0;
  int pictureHeight = 0;
  std::vector<HotSpot> hotSpots;  // of the picture, in its pixels
  HWND tooltip = nullptr;         // value tooltip control; null: no tooltips
  std::string tooltipText;        // what it shows (UTF-8); empty while hidden
  std::string tooltipAnsi;        // the same as the control takes it
  bool trackingLeave = false;     // WM_MOUSELEAVE has been asked for

  ChartWindow() = default;
  ChartWindow(const ChartWindow&) = delete;
  ChartWindow& operator=(const ChartWindow&) = delete;
  ~ChartWindow() {
    DropPicture();
    DropTooltip();
  }

  void DropPicture() {
    if (picture != nullptr) DeleteObject(picture);
    picture = nullptr;
    pictureWidth = pictureHeight = 0;
    hotSpots.clear();
  }

  // The tooltip is a top-level window owned by the host's window, not by
  // this one, so it does not go with it on its own.
  void DropTooltip() {
    if (tooltip != nullptr && IsWindow(tooltip)) DestroyWindow(tooltip);
    tooltip = nullptr;
    tooltipText.clear();
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
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&marker), &module);
  return module;
}

// Renders the chart (or the plain background) into a new picture of
// width x height. Leaves no picture if that fails.
void RenderPicture(ChartWindow& window, int width, int height) {
  window.DropPicture();
  if (!ChartSizeAllowed(width, height)) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as GDI+ lays them out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (picture.get() == nullptr || bits == nullptr) return;
  bool drawn = false;
  try {
    // GDI+ draws straight into the section's pixels.
    Gdiplus::Bitmap canvas(width, height, width * 4, PixelFormat32bppARGB,
                           static_cast<BYTE*>(bits));
    Gdiplus::Graphics graphics(&canvas);
    if (canvas.GetLastStatus() == Gdiplus::Ok && graphics.GetLastStatus() == Gdiplus::Ok) {
      graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
      if (window.chart != nullptr) {
        window.hotSpots = PaintChart(graphics, *window.chart, width, height, "window");
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
    window.hotSpots.clear();
    return;
  }
  window.picture = picture.release();
  window.pictureWidth = width;
  window.pictureHeight = height;
}

// Renders the picture unless it is there at the window's size; false when
// the window has no client area.
bool UpToDate(ChartWindow& window, int& width, int& height) {
  RECT client{};
  if (window.hwnd == nullptr || !GetClientRect(window.hwnd, &client)) return false;
  width = client.right;
  height = client.bottom;
  if (width <= 0 || height <= 0) return false;
  if (window.picture == nullptr || window.pictureWidth != width || window.pictureHeight != height) {
    RenderPicture(window, width, height);
  }
  return true;
}

void Paint(ChartWindow& window, HDC dc) {
  int width = 0, height = 0;
  if (!UpToDate(window, width, height)) return;
  const RECT client{0, 0, width, height};
  if (window.picture == nullptr) {
    const Argb c = window.background;
    const GdiObject<HBRUSH> brush(
        CreateSolidBrush(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF)));
    if (brush.get() != nullptr) FillRect(dc, &client, brush.get());
    return;
  }
  const MemoryDc source(dc);
  if (source.get() == nullptr) return;
  const Selection selected(source.get(), window.picture);
  BitBlt(dc, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
}

// The hot spot under client pixel (x, y) of the picture as it is now.
const HotSpot* SpotAt(ChartWindow& window, int x, int y) {
  int width = 0, height = 0;
  if (!UpToDate(window, width, height)) return nullptr;
  return HotSpotAt(window.hotSpots, {x + 0.5, y + 0.5});
}

TTTOOLINFOA ToolOf(const ChartWindow& window) {
  TTTOOLINFOA tool{};
  tool.cbSize = kToolInfoSize;
  tool.hwnd = window.hwnd;
  tool.uId = kToolId;
  return tool;
}

void HideTooltip(ChartWindow& window) {
  if (window.tooltip == nullptr || window.tooltipText.empty()) return;
  TTTOOLINFOA tool = ToolOf(window);
  SendMessageA(window.tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  window.tooltipText.clear();
}

// Gives the window a tooltip at most `maxWidth` pixels wide, or takes it
// away for 0. False when the control cannot be made.
bool SetUpTooltip(ChartWindow& window, std::int32_t maxWidth) {
  if (maxWidth <= 0 || window.hwnd == nullptr) {
    window.DropTooltip();
    return true;
  }
  if (window.tooltip == nullptr) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;  // holds the tooltip class
    InitCommonControlsEx(&controls);
    HWND tooltip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window.hwnd, nullptr, ThisModule(), nullptr);
    if (tooltip == nullptr) return false;
    char empty[] = "";
    TTTOOLINFOA tool = ToolOf(window);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.lpszText = empty;
    if (SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
      DestroyWindow(tooltip);
      return false;
    }
    window.tooltip = tooltip;
  }
  SendMessageA(window.tooltip, TTM_SETMAXTIPWIDTH, 0, maxWidth);
  return true;
}

// Shows the text of the hot spot under the mouse beside it, or hides the
// tooltip over nothing.
void FollowMouse(ChartWindow& window, int x, int y) {
  if (window.tooltip == nullptr) return;
  if (!window.trackingLeave) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window.hwnd;
    window.trackingLeave = TrackMouseEvent(&track) != FALSE;
  }
  const HotSpot* spot = SpotAt(window, x, y);
  if (spot == nullptr || spot->text.empty()) {
    HideTooltip(window);
    return;
  }
  TTTOOLINFOA tool = ToolOf(window);
  const bool hidden = window.tooltipText.empty();
  if (spot->text != window.tooltipText) {
    window.tooltipText = spot->text;
    // Leaving the engine for the ANSI control: in the process's code page.
    window.tooltipAnsi = text::FromUtf8(spot->text, text::CurrentCodePage());
    tool.lpszText = window.tooltipAnsi.data();  // copied by the control
    SendMessageA(window.tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  POINT at{x + kTooltipOffsetX, y + kTooltipOffsetY};
  ClientToScreen(window.hwnd, &at);
  // Screen coordinates as two signed 16-bit halves.
  const auto position = static_cast<LPARAM>((static_cast<DWORD>(at.x) & 0xFFFFu) |
                                            ((static_cast<DWORD>(at.y) & 0xFFFFu) << 16));
  SendMessageA(window.tooltip, TTM_TRACKPOSITION, 0, position);
  if (hidden) {
    SendMessageA(window.tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  }
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
    case WM_ERASEBKGND: return 1;  // the picture covers the whole client area
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
      if (window != nullptr) {
        window->DropPicture();
        HideTooltip(*window);
      }
      break;
    case WM_MOUSEMOVE:
      // Client coordinates, signed 16-bit halves.
      if (window != nullptr) {
        FollowMouse(*window, static_cast<short>(LOWORD(lParam)),
                    static_cast<short>(HIWORD(lParam)));
      }
      return 0;
    case WM_MOUSELEAVE:
      if (window != nullptr) {
        window->trackingLeave = false;
        HideTooltip(*window);
      }
      return 0;
    case WM_NCDESTROY:
      // Destroyed from outside (the host closed the parent): the record
      // stays until DestroyChartWindow, but no longer names a window.
      if (window != nullptr) {
        window->DropTooltip();
        window->hwnd = nullptr;
        window->DropPicture();
      }
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default: break;
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
  table.classRegistered =
      RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return table.classRegistered;
}

}  // namespace

std::int32_t CreateChartWindow(const Chart& chart) {
  HWND parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(chart.settings.parent));
  if (parent == nullptr || !IsWindow(parent)) return codes::kBadParentWindow;
  DestroyChartWindow(chart.ctrlId);
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  if (!ChartSizeAllowed(width, height)) {
    RecordRefusedSize(width, height);
    return codes::kWindowNotCreated;
  }
  WindowTable& table = Table();
  HINSTANCE module = ThisModule();
  if (!RegisterWindowClass(table, module)) return codes::kWindowNotCreated;

  // In the table before the window exists, so that no step after creation
  // can fail and leave a window pointing at a freed record.
  auto& slot = table.windows[chart.ctrlId];
  slot = std::make_unique<ChartWindow>();
  slot->background = chart.settings.background;
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              chart.settings.x, chart.settings.y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(chart.ctrlId)), module,
                              slot.get());
  if (hwnd == nullptr) {
    table.windows.erase(chart.ctrlId);
    return codes::kWindowNotCreated;
  }
  // A chart without its tooltip still works.
  SetUpTooltip(*slot, chart.settings.tooltipWidth);
  return codes::kOk;
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
  if (found == table.windows.end()) return codes::kWindowNotCreated;
  ChartWindow& window = *found->second;
  // Taken even when the window is gone: the previous chart is about to be
  // freed by the caller.
  window.chart = &chart;
  window.background = chart.settings.background;
  window.DropPicture();
  if (window.hwnd == nullptr) return codes::kWindowNotCreated;
  HideTooltip(window);
  SetUpTooltip(window, chart.settings.tooltipWidth);
  int width = 0, height = 0;
  ChartSize(chart, width, height);
  SetWindowPos(window.hwnd, nullptr, chart.settings.x, chart.settings.y, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window.hwnd, nullptr, FALSE);
  UpdateWindow(window.hwnd);
  // The chart alone, drawn as an image file is, for test hosts.
  const std::string snapshot = SnapshotPath(chart.ctrlId);
  if (snapshot.empty()) return codes::kOk;
  return DrawToFile(chart, snapshot, width, height, 0);
}

std::string TooltipTextAt(std::int32_t ctrlId, int x, int y) {
  WindowTable& table = Table();
  auto found = table.windows.find(ctrlId);
  if (found == table.windows.end() || found->second->tooltip == nullptr) return {};
  const HotSpot* spot = SpotAt(*found->second, x, y);
  return spot != nullptr ? spot->text : std::string();
}

}  // namespace vantiro::engine::device
