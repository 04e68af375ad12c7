// The host window under a display (Xvfb): scripts see its handle in
// HostWindow, ae_Graph_EndChart with that handle destroys it, closing it
// ends --keep-open, and its client area can be saved as a BMP file.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "testhost/cli/cli.h"
#include "testhost/core/win32.h"

namespace vantiro::testhost {
namespace {

TEST(TestHostWindow, ScriptsSeeTheWindowAndEndChartDestroysIt) {
  std::uintptr_t window = 0;
  CliPlatform platform;
  platform.programName = "host";
  platform.loadPlugin = [](const std::string&, std::string& error) {
    return PluginModule::Load(win32::ExecutableFolder() + "chart.dll", error);
  };
  platform.createHostWindow = [&window] {
    window = win32::CreateHostWindow(1000, 800);
    return window;
  };
  platform.afterAction = [](const ScriptLine&, const ActionResult&, std::ostream&) {
    win32::PumpMessages();
  };
  std::ofstream("testhost-window.vsc", std::ios::binary)
      << "!echo [HostWindow]\nae_Graph_EndChart [HostWindow]\n";

  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(RunCli({"testhost-window.vsc"}, platform, out, err), kExitOk) << err.str();
  ASSERT_NE(window, 0u) << "no window could be created: is there a display?";
  EXPECT_EQ(out.str(), std::to_string(window) + "\n");
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(window)));
}

// --keep-open waits, handling the window's messages, until it is closed.
TEST(TestHostWindow, KeepOpenReturnsOnceTheWindowIsClosed) {
  const std::uintptr_t window = win32::CreateHostWindow(200, 100);
  ASSERT_NE(window, 0u) << "no window could be created: is there a display?";
  ASSERT_TRUE(PostMessageA(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0));
  win32::KeepOpen(window);
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(window)));
}

TEST(TestHostWindow, CaptureWritesTheClientAreaOrSaysWhyNot) {
  const std::uintptr_t window = win32::CreateHostWindow(301, 120);
  ASSERT_NE(window, 0u) << "no window could be created: is there a display?";
  const struct {
    std::uintptr_t window;
    std::string path;
    std::string error;  // empty: a BMP of 301 x 120 pixels, rows padded to 904 bytes
  } cases[] = {
      {window, "testhost-capture.bmp", ""},
      {window, "no-such-folder\\capture.bmp", "cannot create no-such-folder\\capture.bmp"},
      {0, "testhost-capture-none.bmp", "there is no host window to capture"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(win32::CaptureWindow(c.window, c.path, error), c.error.empty()) << c.path;
    EXPECT_EQ(error, c.error);
    if (!c.error.empty()) continue;
    std::ifstream in(c.path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.size(), 54u + 904u * 120u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
  }
  win32::DestroyHostWindow(window);
}

}  // namespace
}  // namespace vantiro::testhost
