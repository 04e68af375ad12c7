// vantiro-host, native: the plug-in linked with our drawing engine. There
// are no windows: HostWindow is 1, drawn charts can be saved as PNG files
// and printing goes into a PDF file.
#include <iostream>

#include "abi/rmchart.h"
#include "plugin/platform/platform_native.h"
#include "testhost/cli/cli.h"

int main(int argc, char** argv) {
  using namespace vantiro::testhost;
  std::uintptr_t printer = 0;
  CliPlatform platform;
  platform.programName = "vantiro-host";
  platform.loadPlugin = [](const std::string& path, std::string& error) {
    return PluginModule::Load(path, error);
  };
  platform.createHostWindow = [] { return std::uintptr_t{1}; };
  std::string snapshotFolder;
  platform.setSnapshotFolder = [&snapshotFolder](const std::string& folder, std::string&) {
    snapshotFolder = folder;
    return true;
  };
  platform.startScript = [&snapshotFolder](const std::string& stem) {
    VantiroEngine_SetSnapshots(snapshotFolder.c_str(), stem.c_str());
  };
  platform.snapshotHelp =
      "save every chart drawn with ae_Graph_Draw as\n"
      "                     DIR/<script>-chart<id>.png (the chart alone)";
  platform.takeEngineFailure = [] { return std::string(VantiroEngine_TakeLastFailure()); };
  platform.openPrinter = [&printer](const std::string& pdfPath, std::string& error) {
    printer = VantiroEngine_OpenPdfPrinter(pdfPath.c_str());
    if (printer == 0) {
      error = "cannot create the PDF file " + pdfPath;
      return false;
    }
    vantiro::platform::native::AnswerPrintDialog(true, printer);
    return true;
  };
  platform.printerHelp = "answer the print dialog with OK and print into this PDF file";
  platform.setLayoutReport = [](const char* path, std::string&) {
    return VantiroEngine_SetLayoutReport(path);
  };
  platform.codePage = [] { return static_cast<int>(VantiroEngine_CodePage()); };
  platform.setCodePage = [](int codePage) { return VantiroEngine_SetCodePage(codePage) == 0; };
  // A designer run answers every print dialog as cancelled (the default).
  platform.refuseDialogs = [] { vantiro::platform::native::AnswerPrintDialog(false, 0); };
  platform.helpNotes =
      "There are no windows: HostWindow is 1. Without --printer every print\n"
      "dialog answers Cancel.";
  platform.finish = [&printer] {
    if (printer != 0) VantiroEngine_ClosePdfPrinter(printer);
    printer = 0;
  };
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), platform, std::cout, std::cerr);
}
