// vantiro-host-recording: the plug-in linked with the recording engine.
// After each action it prints the engine calls the action made,
// with their results, so a script shows exactly what reaches the engine.
#include <iostream>

#include "plugin/platform/platform_native.h"
#include "testhost/cli/cli.h"
#include "recording_engine/recording_engine.h"

namespace {

// The device context the stand-in print dialog hands to the plug-in.
constexpr std::uintptr_t kRecordedPrinter = 0xDC;

// A colour as the call log shows colours: 0xAARRGGBB.
std::string Hex32(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xFu];
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantiro::testhost;
  std::size_t printedCalls = 0;
  CliPlatform platform;
  platform.programName = "vantiro-host-recording";
  platform.loadPlugin = [](const std::string& path, std::string& error) {
    return PluginModule::Load(path, error);
  };
  platform.createHostWindow = [] { return std::uintptr_t{1}; };
  platform.helpNotes =
      "The chart engine is the recording engine: after each action the engine\n"
      "calls it made are printed with their results. Every print dialog answers\n"
      "OK with a stand-in device context; nothing is printed.";
  platform.afterAction = [&printedCalls](const ScriptLine&, const ActionResult&,
                                         std::ostream& out) {
    const std::vector<vantiro::recording::Call>& calls = vantiro::recording::Calls();
    for (; printedCalls < calls.size(); ++printedCalls) {
      const vantiro::recording::Call& call = calls[printedCalls];
      out << "  " << call.Text() << " -> ";
      if (call.function == "RGB2ARGB") {
        out << Hex32(static_cast<std::uint32_t>(call.result)) << '\n';
      } else {
        out << call.result << '\n';
      }
    }
  };
  // A designer run answers every print dialog as cancelled.
  platform.refuseDialogs = [] { vantiro::platform::native::AnswerPrintDialog(false, 0); };
  // Nothing is printed for real: every print dialog answers OK with a
  // stand-in device context, so the engine's print call shows in the log.
  vantiro::platform::native::AnswerPrintDialog(true, kRecordedPrinter);
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), platform, std::cout, std::cerr);
}
