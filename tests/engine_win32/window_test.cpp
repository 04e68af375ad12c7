// Chart windows (needs a display): created inside a parent window, painted
// from the chart last shown, destroyed with the chart or with the parent;
// value tooltips over their bars.
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/device/device.h"
#include "engine/device/win32/chart_window.h"
#include "tests/engine_win32/pixels.h"

#include <commctrl.h>  // after <windows.h>, which pixels.h brings

namespace vantiro::engine {
namespace {

using testing::Near;
using testing::Pixels;

constexpr wchar_t kChartClass[] = L"VantiroChartWindow";
constexpr Argb kRed = 0xFFFF0000;
constexpr Argb kGreen = 0xFF00C000;
constexpr Argb kBlue = 0xFF0000FF;

std::uint32_t HandleValue(HWND hwnd) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd));
}

std::vector<HWND> ChartWindowsOf(HWND parent) {
  std::vector<HWND> found;
  for (HWND child = FindWindowExW(parent, nullptr, kChartClass, nullptr); child != nullptr;
       child = FindWindowExW(parent, child, kChartClass, nullptr)) {
    found.push_back(child);
  }
  return found;
}

BOOL CALLBACK CollectTooltip(HWND hwnd, LPARAM found) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) == TOOLTIPS_CLASSA)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
  return TRUE;
}

// Tooltip controls of this thread (they are top-level windows).
std::vector<HWND> Tooltips() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string TooltipText(HWND tooltip, HWND chartWindow) {
  char text[256] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = UINT(offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM));  // as comctl32 5 knows it
  tool.hwnd = chartWindow;
  tool.uId = 1;
  tool.lpszText = text;
  SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

// The window's client area as the window paints it.
Pixels Capture(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  testing::DibCanvas canvas(client.right, client.bottom, 0xFF000000);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
  return canvas.Read();
}

// Window position inside the parent's client area.
RECT PlaceInParent(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND NewParent(DWORD style) {
  WNDCLASSW parentClass{};
  parentClass.lpfnWndProc = DefWindowProcW;
  parentClass.hInstance = GetModuleHandleW(nullptr);
  parentClass.lpszClassName = L"VantiroTestParent";
  RegisterClassW(&parentClass);  // already registered by an earlier call: fine
  return CreateWindowExW(0, L"VantiroTestParent", L"parent", style | WS_CLIPCHILDREN, 0, 0, 500,
                         400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class ChartWindowTest : public ::testing::Test {
 protected:
  // One visible parent for the whole program, left for the process's end to
  // close: destroying a visible top-level window makes Wine wait two
  // seconds for a window manager, which Xvfb does not have.
  static void SetUpTestSuite() {
    if (shared_ == nullptr) shared_ = NewParent(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  }

  void SetUp() override {
    ASSERT_EQ(device::StartGraphics(), 0);
    ASSERT_NE(shared_, nullptr) << "no display";
    parent_ = shared_;
  }

  void TearDown() override {
    for (const Chart& chart : charts_) device::DestroyChartWindow(chart.ctrlId);
  }

  // A chart in the parent; kept alive for the whole test, as the engine
  // keeps a shown chart.
  Chart& NewChart(std::int32_t id, Argb background, int x = 20, int y = 30) {
    Chart chart;
    chart.ctrlId = id;
    chart.settings.parent = HandleValue(parent_);
    chart.settings.x = x;
    chart.settings.y = y;
    chart.settings.width = 120;
    chart.settings.height = 80;
    chart.settings.background = background;
    return charts_.emplace_back(chart);
  }

  static inline HWND shared_ = nullptr;
  HWND parent_ = nullptr;
  std::list<Chart> charts_;
};

TEST_F(ChartWindowTest, RefusesAParentThatIsNoWindow) {
  HWND gone = NewParent(0);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  for (std::uint32_t parent : {0u, 1u, 0x12345u, 0xFFFFFFFFu, HandleValue(gone)}) {
    Chart chart = NewChart(1, kRed);
    chart.settings.parent = parent;
    EXPECT_EQ(device::CreateChartWindow(chart), -10) << parent;
  }
  EXPECT_TRUE(ChartWindowsOf(parent_).empty());
}

TEST_F(ChartWindowTest, IsAChildAtTheChartsPlacePaintingTheChartLastShown) {
  ASSERT_EQ(device::CreateChartWindow(NewChart(1, kBlue)), 0);
  const std::vector<HWND> windows = ChartWindowsOf(parent_);
  ASSERT_EQ(windows.size(), 1u);
  HWND child = windows.front();
  EXPECT_EQ(GetParent(child), parent_);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  const RECT place = PlaceInParent(child);
  EXPECT_EQ(place.left, 20);
  EXPECT_EQ(place.top, 30);
  EXPECT_EQ(place.right - place.left, 120);
  EXPECT_EQ(place.bottom - place.top, 80);
  // Not shown yet: the chart's background.
  EXPECT_TRUE(Near(Capture(child).At(60, 40), kBlue, 8));

  const Chart& red = NewChart(1, kRed);
  ASSERT_EQ(device::ShowChart(red), 0);
  Pixels p = Capture(child);
  EXPECT_TRUE(Near(p.At(60, 40), kRed, 8));
  EXPECT_TRUE(Near(p.At(0, 0), kRed, 8));
  EXPECT_TRUE(Near(p.At(119, 79), kRed, 8));

  // The real paint path, through the window's own device context.
  RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC screen = GetDC(child);
  const COLORREF painted = GetPixel(screen, 60, 40);
  ReleaseDC(child, screen);
  EXPECT_EQ(painted, RGB(255, 0, 0));

  const Chart& green = NewChart(1, kGreen, 40, 50);
  ASSERT_EQ(device::ShowChart(green), 0);
  EXPECT_TRUE(Near(Capture(child).At(60, 40), kGreen, 8));
  // Moved with the chart.
  EXPECT_EQ(PlaceInParent(child).left, 40);
  EXPECT_EQ(PlaceInParent(child).top, 50);
}

TEST_F(ChartWindowTest, EachChartHasItsOwnWindow) {
  ASSERT_EQ(device::CreateChartWindow(NewChart(1, kRed, 0, 0)), 0);
  ASSERT_EQ(device::CreateChartWindow(NewChart(2, kGreen, 200, 0)), 0);
  ASSERT_EQ(ChartWindowsOf(parent_).size(), 2u);
  // Created again under the same ID: replaced, not added.
  ASSERT_EQ(device::CreateChartWindow(NewChart(1, kBlue, 0, 200)), 0);
  ASSERT_EQ(ChartWindowsOf(parent_).size(), 2u);

  HWND first = FindWindowExW(parent_, nullptr, kChartClass, nullptr);
  HWND second = FindWindowExW(parent_, first, kChartClass, nullptr);
  device::DestroyChartWindow(1);
  EXPECT_NE(IsWindow(first), IsWindow(second));
  const std::vector<HWND> left = ChartWindowsOf(parent_);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(PlaceInParent(left.front()).left, 200);
  EXPECT_EQ(device::ShowChart(NewChart(2, kRed, 200, 0)), 0);
  EXPECT_EQ(device::ShowChart(NewChart(1, kRed)), -11);
  device::DestroyChartWindow(1);  // nothing left to destroy
}

TEST_F(ChartWindowTest, SurvivesItsParentClosingFirst) {
  parent_ = NewParent(0);  // hidden: closes at once
  ASSERT_NE(parent_, nullptr);
  Chart& chart = NewChart(6, kRed);
  chart.settings.tooltipWidth = 150;
  ASSERT_EQ(device::CreateChartWindow(chart), 0);
  HWND child = ChartWindowsOf(parent_).front();
  EXPECT_EQ(Tooltips().size(), 1u);
  DestroyWindow(parent_);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(Tooltips().empty());
  EXPECT_EQ(device::ShowChart(NewChart(6, kGreen)), -11);
  device::DestroyChartWindow(6);
}

// 300 x 200, the plot area fixed at 50,20 100 x 160 with a 0..100 axis:
// bar "Q1" (30) covers x 58..92, y 132..180; bar "Q2" (90) x 108..142, y 36..180.
Chart& BarChart(Chart& chart, std::int32_t tooltipWidth) {
  chart.settings.width = 300;
  chart.settings.height = 200;
  chart.settings.tooltipWidth = tooltipWidth;
  Region& region = chart.regions.emplace_back();
  region.grid = {true, 0xFFFFFFFF, 0, 50, 20, 100, 160, 0};
  region.legend.present = true;
  region.legend.text = "North";
  region.dataAxes.emplace_back().units = " k$";
  region.dataAxes[0].maxValue = 100;
  region.hasLabelAxis = true;
  region.labelAxis.labels = "Q1;Q2";
  region.bars.emplace_back().values = {30, 90};
  region.bars[0].colour = kRed;
  return chart;
}

TEST_F(ChartWindowTest, TellsTheValueUnderTheMouseInATooltip) {
  ASSERT_TRUE(Tooltips().empty());
  const Chart& chart = BarChart(NewChart(8, 0xFFFFFFFF, 0, 0), 200);
  ASSERT_EQ(device::CreateChartWindow(chart), 0);
  ASSERT_EQ(device::ShowChart(chart), 0);
  HWND child = ChartWindowsOf(parent_).front();
  ASSERT_EQ(Tooltips().size(), 1u);
  HWND tooltip = Tooltips().front();
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), 200);

  const Pixels picture = Capture(child);
  const std::pair<POINT, std::string> cases[] = {
      {{125, 108}, "North, Q2: 90 k$"},
      {{75, 156}, "North, Q1: 30 k$"},
      {{75, 100}, ""},  // plot area above the short bar
      {{10, 10}, ""},
  };
  for (const auto& [at, text] : cases) {
    EXPECT_EQ(device::TooltipTextAt(8, at.x, at.y), text) << at.x << "," << at.y;
    // Where the picture shows the bar.
    EXPECT_EQ(Near(picture.At(at.x, at.y), kRed, 8), !text.empty()) << at.x << "," << at.y;
  }
  EXPECT_EQ(device::TooltipTextAt(9, 125, 108), "");  // no such chart

  // The mouse over a bar shows the tooltip with its text; over nothing, hides it.
  SendMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(125, 108));
  EXPECT_TRUE(IsWindowVisible(tooltip));
  EXPECT_EQ(TooltipText(tooltip, child), "North, Q2: 90 k$");
  SendMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(75, 156));
  EXPECT_EQ(TooltipText(tooltip, child), "North, Q1: 30 k$");
  SendMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_FALSE(IsWindowVisible(tooltip));

  // Shown again without tooltips: the control goes.
  ASSERT_EQ(device::ShowChart(BarChart(NewChart(8, 0xFFFFFFFF, 0, 0), 0)), 0);
  EXPECT_TRUE(Tooltips().empty());
  EXPECT_EQ(device::TooltipTextAt(8, 125, 108), "");
}

}  // namespace
}  // namespace vantiro::engine
