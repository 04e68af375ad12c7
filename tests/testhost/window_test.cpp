// The host window under a display (Xvfb): scripts see its handle in
// HostWindow, and ae_Graph_EndChart with that handle destroys it.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "testhost/cli.h"
#include "testhost/win32.h"

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

}  // namespace
}  // namespace vantiro::testhost
