// The platform edge: the Windows services the plug-in uses, one function
// each. Handles cross this header as integers, so nothing above it needs
// <windows.h>. platform_win32.cpp binds it to Windows; platform_native.cpp is
// the substitute of native builds (controls in platform_native.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantiro::platform {

// --- Memory -----------------------------------------------------------------

// A fixed, zero-filled block handed to the host (GlobalAlloc, flags 0x40).
// Returns null when no block can be had.
void* GlobalAllocZeroed(std::size_t size);

// Releases a block that the host holds from a hand-over (GlobalFree).
void GlobalFreeBlock(void* block);

// Zero-filled array of `count` elements of `size` bytes for the lists of a
// series. Returns null when it cannot be allocated.
void* AllocateZeroedArray(std::size_t count, std::size_t size) noexcept;

// Releases an array of AllocateZeroedArray; null is allowed.
void FreeArray(void* array) noexcept;

// --- Windows ----------------------------------------------------------------

// DestroyWindow; its outcome is not reported.
void DestroyWindowHandle(std::uint32_t window);

// --- Printing ---------------------------------------------------------------

// What the print dialog gave back. The dialog's memory handles and the
// device context belong to the caller whenever they are non-zero.
struct PrintDialogResult {
  bool chosen = false;     // PrintDlgA reported success
  bool okPressed = false;  // the hook saw the OK command (1)
  std::uintptr_t dc = 0;
  std::uintptr_t devMode = 0;
  std::uintptr_t devNames = 0;
};

// PrintDlgA with its 66-byte record: no owner, no preselected device, flags
// PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE
// | PD_HIDEPRINTTOFILE | PD_ENABLEPRINTHOOK (0x14110C), and a hook that only
// records whether OK was pressed. Blocks until the dialog closes.
PrintDialogResult ShowPrintDialog();

// CommDlgExtendedError: the reason of the last failed dialog.
std::uint32_t PrintDialogError();

// GlobalLock / GlobalUnlock / GlobalFree of a handle the dialog returned.
// LockGlobal returns null when the handle cannot be locked.
void* LockGlobal(std::uintptr_t handle);
void UnlockGlobal(std::uintptr_t handle);
void FreeGlobal(std::uintptr_t handle);

// StartDocA with a 20-byte document record naming `name` (no output file,
// no data type). False when the document could not be started.
bool StartPrintDocument(std::uintptr_t dc, const char* name);

// EndDoc: closes a started document.
void EndPrintDocument(std::uintptr_t dc);

// AbortDoc: drops a started document that will get no content.
void AbortPrintDocument(std::uintptr_t dc);

// CreateFontIndirectA of a fixed-pitch font of face `face`; 0 on failure.
std::uintptr_t CreateFixedPitchFont(const char* face);

// SelectObject of a font; returns the font it replaced, 0 on failure.
std::uintptr_t SelectFont(std::uintptr_t dc, std::uintptr_t font);

// DeleteObject of a font, and DeleteDC of a device context.
void DeleteFont(std::uintptr_t font);
void DeleteDeviceContext(std::uintptr_t dc);

}  // namespace vantiro::platform
