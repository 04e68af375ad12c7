// Input: ActionId (signed byte), engine result selector, flags, then the
// parameter text (cut at its first NUL, as the host's text would be).
// Flags: bit 0 a null parameter element, bit 1 the print dialog answers OK,
// bit 2 the first series array cannot be allocated, bits 3-5 a failing
// print step.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/host_callbacks.h"
#include "plugin/host/entry_points.h"
#include "plugin/platform/platform_native.h"
#include "recording_engine/recording_engine.h"

namespace {

constexpr const char* kEngineFunctions[] = {
    "RMC_CREATECHART",  "RMC_CREATECHARTFROMFILE", "RMC_DRAW",
    "RMC_DELETECHART",  "RMC_ADDREGION",           "RMC_ADDGRID",
    "RMC_ADDCAPTION",   "RMC_ADDLEGEND",           "RMC_ADDDATAAXIS",
    "RMC_ADDLABELAXIS", "RMC_ADDBARSERIES",        "RMC_ADDGRIDLESSSERIES",
    "RMC_DRAW2FILE",    "RMC_WRITERMCFILE",        "RMC_DRAW2PRINTER",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    nbRegisterPlugIn(vantiro::fuzz::AddAction, nullptr, nullptr, vantiro::fuzz::SetVariable);
    return true;
  }();
  (void)registered;
  if (size < 3) return 0;

  namespace native = vantiro::platform::native;
  vantiro::recording::Reset();
  vantiro::recording::SetColourMask(0x01000000);
  native::Reset();

  const auto actionId = static_cast<std::int32_t>(static_cast<std::int8_t>(data[0]));
  const std::int32_t result = -static_cast<std::int32_t>(data[1] % 30);
  const std::uint8_t flags = data[2];
  for (const char* function : kEngineFunctions) vantiro::recording::PushResult(function, result);
  native::AnswerPrintDialog((flags & 2) != 0, 0x7);
  native::FailArrayAllocation((flags & 4) != 0 ? 1 : 0);
  native::FailPrintStep(static_cast<native::PrintFailure>((flags >> 3) % 7));

  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
  const char* params[] = {(flags & 1) != 0 ? nullptr : text.c_str()};
  nbExecAction(actionId, params);
  nbEditAction(actionId, 0);
  return 0;
}
