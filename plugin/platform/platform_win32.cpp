// The platform edge on Windows: the only file of the plug-in that sees
// <windows.h>.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <commdlg.h>

#include <cstdlib>
#include <cstring>

#include "plugin/platform/platform.h"

namespace vantiro::platform {
namespace {

constexpr DWORD kPrintDialogFlags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION |
                                    PD_USEDEVMODECOPIESANDCOLLATE | PD_HIDEPRINTTOFILE |
                                    PD_ENABLEPRINTHOOK;
static_assert(kPrintDialogFlags == 0x14110C);
static_assert(sizeof(PRINTDLGA) == 66, "the print dialog record is 66 bytes");
static_assert(sizeof(DOCINFOA) == 20, "the document record is 20 bytes");
static_assert(IDOK == 1);

// The print dialog is modal on the calling thread, so one flag serves the
// hook of the dialog that is open.
bool* activeOkFlag = nullptr;

// Watches for the OK command and handles nothing itself: 0 leaves every
// message to the dialog's procedure, and TRUE on WM_INITDIALOG lets it set
// the default focus.
UINT_PTR CALLBACK PrintHook(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && activeOkFlag != nullptr) {
    *activeOkFlag = true;
  }
  return 0;
}

template <typename Handle>
Handle ToHandle(std::uintptr_t value) {
  return reinterpret_cast<Handle>(value);
}

template <typename Handle>
std::uintptr_t FromHandle(Handle handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

void* GlobalAllocZeroed(std::size_t size) {
  return reinterpret_cast<void*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
}

void GlobalFreeBlock(void* block) { GlobalFree(reinterpret_cast<HGLOBAL>(block)); }

void* AllocateZeroedArray(std::size_t count, std::size_t size) noexcept {
  return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
}

void FreeArray(void* array) noexcept { std::free(array); }

void DestroyWindowHandle(std::uint32_t window) { DestroyWindow(ToHandle<HWND>(window)); }

PrintDialogResult ShowPrintDialog() {
  PRINTDLGA record;
  std::memset(&record, 0, sizeof record);
  record.lStructSize = sizeof record;
  record.Flags = kPrintDialogFlags;
  record.lpfnPrintHook = PrintHook;

  PrintDialogResult result;
  activeOkFlag = &result.okPressed;
  result.chosen = PrintDlgA(&record) != FALSE;
  activeOkFlag = nullptr;
  result.dc = FromHandle(record.hDC);
  result.devMode = FromHandle(record.hDevMode);
  result.devNames = FromHandle(record.hDevNames);
  return result;
}

std::uint32_t PrintDialogError() { return CommDlgExtendedError(); }

void* LockGlobal(std::uintptr_t handle) { return GlobalLock(ToHandle<HGLOBAL>(handle)); }

void UnlockGlobal(std::uintptr_t handle) { GlobalUnlock(ToHandle<HGLOBAL>(handle)); }

void FreeGlobal(std::uintptr_t handle) { GlobalFree(ToHandle<HGLOBAL>(handle)); }

bool StartPrintDocument(std::uintptr_t dc, const char* name) {
  DOCINFOA document;
  std::memset(&document, 0, sizeof document);
  document.cbSize = sizeof document;
  document.lpszDocName = name;
  return StartDocA(ToHandle<HDC>(dc), &document) > 0;
}

void EndPrintDocument(std::uintptr_t dc) { EndDoc(ToHandle<HDC>(dc)); }

void AbortPrintDocument(std::uintptr_t dc) { AbortDoc(ToHandle<HDC>(dc)); }

std::uintptr_t CreateFixedPitchFont(const char* face) {
  LOGFONTA font;
  std::memset(&font, 0, sizeof font);
  font.lfPitchAndFamily = FIXED_PITCH;
  std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  return FromHandle(CreateFontIndirectA(&font));
}

std::uintptr_t SelectFont(std::uintptr_t dc, std::uintptr_t font) {
  HGDIOBJ previous = SelectObject(ToHandle<HDC>(dc), ToHandle<HGDIOBJ>(font));
  return previous == HGDI_ERROR ? 0 : FromHandle(previous);
}

void DeleteFont(std::uintptr_t font) { DeleteObject(ToHandle<HGDIOBJ>(font)); }

void DeleteDeviceContext(std::uintptr_t dc) { DeleteDC(ToHandle<HDC>(dc)); }

}  // namespace vantiro::platform
