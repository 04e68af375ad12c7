// vantiro-host.exe: loads chart.dll (beside the program unless --plugin
// says otherwise) with whatever rmchart.dll lies beside it, and gives the
// scripts a real window to draw in. Beside the recording rmchart.dll of the
// tests it also prints the engine calls of each action.
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "testhost/cli/cli.h"
#include "testhost/cli/console_win32.h"
#include "testhost/core/win32.h"
#include "text/code_page.h"

namespace {

// The command line as the program was given it, in UTF-8. The designer's
// runs take their folders' names from here in full, where argv has them in
// the ANSI code page only.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), length, nullptr, nullptr);
    args.push_back(arg);
  }
  LocalFree(wide);
  return args;
}

// No dialog opens in a designer run: the print dialog fails to open, which
// the plug-in reports as a cancelled print. Chart windows (children) and
// tooltips are no dialogs.
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const LPCWSTR name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
    constexpr ULONG_PTR kDialogClass = 0x8002;  // #32770
    const bool dialog = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) == kDialogClass
                                             : lstrcmpiW(name, L"#32770") == 0;
    if (dialog) return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantiro::testhost;
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool designerRun = !args.empty() && args[0] == "--designer-run";
  if (designerRun) args = Utf8Arguments();
  // Texts go to a console in Unicode, whatever its code page.
  const win32::ConsoleOutput console;
  std::uintptr_t window = 0;
  std::string snapshotFolder;
  std::size_t printedCalls = 0;

  CliPlatform platform;
  platform.programName = "vantiro-host";
  platform.offersPluginOption = true;
  platform.defaultPluginPath = win32::ExecutableFolder() + "chart.dll";
  platform.loadPlugin = [](const std::string& path, std::string& error) {
    return PluginModule::Load(path, error);
  };
  platform.createHostWindow = [&window, designerRun] {
    window = win32::CreateHostWindow(1000, 800, !designerRun);
    return window;
  };
  platform.setSnapshotFolder = [&snapshotFolder](const std::string& folder, std::string& error) {
    snapshotFolder = folder;
    return win32::SetSnapshots(folder, "", error);
  };
  platform.startScript = [&snapshotFolder](const std::string& stem) {
    std::string ignored;  // checked by setSnapshotFolder
    if (!snapshotFolder.empty()) win32::SetSnapshots(snapshotFolder, stem, ignored);
  };
  platform.snapshotHelp =
      "save every chart drawn with ae_Graph_Draw as\n"
      "                     DIR/<script>-chart<id>.png (the chart alone)";
  platform.takeEngineFailure = [] { return win32::TakeEngineFailure(); };
  platform.keepOpen = [&window] { win32::KeepOpen(window); };
  platform.wait = [&window](int milliseconds) {
    // Without a window (no display) the watch goes on until Ctrl+C.
    if (window == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      return true;
    }
    return win32::WaitHandlingMessages(window, milliseconds);
  };
  platform.setLayoutReport = [](const char* path, std::string& error) {
    return win32::SetLayoutReport(path, error);
  };
  // Windows programs take texts in the system's ANSI code page.
  platform.codePage = [] { return vantiro::text::CurrentCodePage(); };
  platform.refuseDialogs = [] {
    SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, GetCurrentThreadId());
  };
  // GDI+ writes these; SVG and PDF files are the native engine's.
  platform.imageExtensions = {".png", ".jpg", ".jpeg", ".bmp", ".emf"};
  platform.helpNotes =
      "Scripts draw in a 1000 x 800 window (HostWindow is 0 when there is no\n"
      "display). With --watch the window stays open between runs, and closing it\n"
      "ends the watch. Beside the recording rmchart.dll of the tests the engine\n"
      "calls of each action are printed too.";
  platform.afterAction = [&](const ScriptLine&, const ActionResult&, std::ostream& out) {
    for (const std::string& call : win32::RecordedEngineCalls(printedCalls)) {
      out << "  " << call << '\n';
      ++printedCalls;
    }
    win32::PumpMessages();
  };
  platform.finish = [&window] { win32::DestroyHostWindow(window); };
  return RunCli(args, platform, std::cout, std::cerr);
}
