// vantiro-host.exe: loads chart.dll (beside the program unless --plugin
// says otherwise) with whatever rmchart.dll lies beside it, and gives the
// scripts a real window to draw in. Beside the recording rmchart.dll of the
// tests it also prints the engine calls of each action.
#include <iostream>

#include "testhost/cli.h"
#include "testhost/win32.h"

int main(int argc, char** argv) {
  using namespace vantiro::testhost;
  constexpr std::int32_t kDrawActionId = 6;  // ae_Graph_Draw
  std::uintptr_t window = 0;
  std::string snapshotFolder;
  int snapshots = 0;
  std::size_t printedCalls = 0;

  CliPlatform platform;
  platform.programName = "vantiro-host";
  platform.offersPluginOption = true;
  platform.defaultPluginPath = win32::ExecutableFolder() + "chart.dll";
  platform.loadPlugin = [](const std::string& path, std::string& error) {
    return PluginModule::Load(path, error);
  };
  platform.createHostWindow = [&window] {
    window = win32::CreateHostWindow(1000, 800);
    return window;
  };
  platform.setSnapshotFolder = [&snapshotFolder](const std::string& folder, std::string&) {
    snapshotFolder = folder;
    return true;
  };
  platform.snapshotHelp = "after each ae_Graph_Draw save the host window as DIR/draw-<n>.bmp";
  platform.setLayoutReport = [](const char* path, std::string& error) {
    return win32::SetLayoutReport(path, error);
  };
  platform.helpNotes =
      "Scripts draw in a 1000 x 800 window (HostWindow is 0 when there is no\n"
      "display). Beside the recording rmchart.dll of the tests the engine calls\n"
      "of each action are printed too.";
  platform.afterAction = [&](const ScriptLine& line, const ActionResult& result,
                             std::ostream& out) {
    for (const std::string& call : win32::RecordedEngineCalls(printedCalls)) {
      out << "  " << call << '\n';
      ++printedCalls;
    }
    win32::PumpMessages();
    if (result.actionId != kDrawActionId || snapshotFolder.empty()) return;
    std::string path = snapshotFolder + "\\draw-" + std::to_string(++snapshots) + ".bmp";
    std::string error;
    if (!win32::CaptureWindow(window, path, error)) {
      // A warning: shown by --quiet runs too.
      std::cerr << "vantiro-host: warning: no snapshot after line " << line.lineNumber << ": "
                << error << '\n';
    }
  };
  platform.finish = [&window] { win32::DestroyHostWindow(window); };
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), platform, std::cout, std::cerr);
}
