// Controls of the native substitute for the platform edge. Tests and the
// native test host use them to answer the print dialog, to make single steps
// fail, and to read what the plug-in asked of the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantiro::platform::native {

// How every following print dialog is answered: OK with the printer device
// context `dc` (passed on to the chart engine unchanged), or Cancel. Until
// this is called the dialog answers Cancel.
void AnswerPrintDialog(bool ok, std::uintptr_t dc);

// A step of opening a print document that is made to fail.
enum class PrintFailure : std::uint8_t {
  kNone,
  kDialogError,      // OK is pressed, yet the dialog ends in failure
  kNoDeviceContext,  // the dialog returns no device context
  kNoDeviceNames,    // the dialog returns no device-names handle
  kStartDoc,         // StartDocA fails
  kCreateFont,       // CreateFontIndirectA fails
  kSelectFont,       // selecting the new font fails
};

// Makes `step` fail in every following print until changed.
void FailPrintStep(PrintFailure step);

// Makes the n-th following array allocation (counting from 1) fail once;
// 0 cancels a pending failure.
void FailArrayAllocation(int n);

// The handles that the substitute dialog and font calls hand out.
inline constexpr std::uintptr_t kDevModeHandle = 0xD301;
inline constexpr std::uintptr_t kDevNamesHandle = 0xD302;
inline constexpr std::uintptr_t kFontHandle = 0xF001;
inline constexpr std::uintptr_t kOldFontHandle = 0xF000;

// Every platform call in order, as text: "DestroyWindow(17)",
// "GlobalAlloc(0x40, 14) = 0x...", "StartDocA(0x5, 20, \"Print job\")", ...
const std::vector<std::string>& CallLog();
void ClearCallLog();

// Resources obtained through the edge and not yet released.
std::size_t LiveGlobalBlocks();  // blocks of GlobalAllocZeroed
std::size_t LiveArrays();        // arrays of AllocateZeroedArray
std::size_t LivePrintHandles();  // device context, font, locks, dialog handles

// Back to the state at start: Cancel, no failures, empty call log. Blocks
// and arrays still held stay counted.
void Reset();

}  // namespace vantiro::platform::native
