// The platform edge of native builds: memory from the C library, and a
// recorded, scriptable stand-in for windows and printing.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "memory/pages.h"
#include "plugin/platform/platform.h"
#include "plugin/platform/platform_native.h"

namespace vantiro::platform {
namespace {

struct NativeState {
  bool answerOk = false;
  std::uintptr_t answerDc = 0;
  native::PrintFailure failure = native::PrintFailure::kNone;
  int arrayFailureCountdown = 0;  // > 0: fail when it reaches 1
  std::vector<std::string> log;
  std::unordered_set<void*> globalBlocks;
  std::size_t liveArrays = 0;
  std::size_t livePrintHandles = 0;
};

NativeState& State() {
  static NativeState state;
  return state;
}

std::string Hex(std::uintptr_t value) {
  char text[2 + 2 * sizeof value + 1];
  std::snprintf(text, sizeof text, "0x%" PRIXPTR, value);
  return text;
}

void Log(std::string entry) { State().log.push_back(std::move(entry)); }

bool Fails(native::PrintFailure step) { return State().failure == step; }

void Release() {
  if (State().livePrintHandles > 0) --State().livePrintHandles;
}

}  // namespace

void* GlobalAllocZeroed(std::size_t size) {
  void* block = std::calloc(size == 0 ? 1 : size, 1);
  Log("GlobalAlloc(0x40, " + std::to_string(size) + ")");
  if (block != nullptr) State().globalBlocks.insert(block);
  return block;
}

void GlobalFreeBlock(void* block) {
  Log("GlobalFree(" + Hex(reinterpret_cast<std::uintptr_t>(block)) + ")");
  // Like GlobalFree, a block that is not ours is refused, not released.
  if (State().globalBlocks.erase(block) == 1) std::free(block);
}

void* AllocateZeroedArray(std::size_t count, std::size_t size) noexcept {
  NativeState& state = State();
  if (state.arrayFailureCountdown > 0 && --state.arrayFailureCountdown == 0) {
    return nullptr;
  }
  void* array = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
  if (array == nullptr) return nullptr;
  ++state.liveArrays;
  // Not yet touched: a long list faults in 2 MiB at a time as it is decoded.
  memory::PreferHugePages(array, count * size);
  return array;
}

void FreeArray(void* array) noexcept {
  if (array == nullptr) return;
  std::free(array);
  --State().liveArrays;
}

void DestroyWindowHandle(std::uint32_t window) {
  Log("DestroyWindow(" + std::to_string(window) + ")");
}

PrintDialogResult ShowPrintDialog() {
  NativeState& state = State();
  Log("PrintDlgA");
  PrintDialogResult result;
  if (!state.answerOk) return result;
  result.okPressed = true;
  if (Fails(native::PrintFailure::kDialogError)) return result;
  result.chosen = true;
  result.devMode = native::kDevModeHandle;
  ++state.livePrintHandles;
  if (!Fails(native::PrintFailure::kNoDeviceNames)) {
    result.devNames = native::kDevNamesHandle;
    ++state.livePrintHandles;
  }
  if (!Fails(native::PrintFailure::kNoDeviceContext) && state.answerDc != 0) {
    result.dc = state.answerDc;
    ++state.livePrintHandles;
  }
  return result;
}

std::uint32_t PrintDialogError() {
  Log("CommDlgExtendedError");
  return 0;
}

void* LockGlobal(std::uintptr_t handle) {
  Log("GlobalLock(" + Hex(handle) + ")");
  ++State().livePrintHandles;
  // Any non-null address will do: the caller only tests it.
  return reinterpret_cast<void*>(handle);
}

void UnlockGlobal(std::uintptr_t handle) {
  Log("GlobalUnlock(" + Hex(handle) + ")");
  Release();
}

void FreeGlobal(std::uintptr_t handle) {
  Log("GlobalFree(" + Hex(handle) + ")");
  Release();
}

bool StartPrintDocument(std::uintptr_t dc, const char* name) {
  Log("StartDocA(" + Hex(dc) + ", \"" + name + "\")");
  if (Fails(native::PrintFailure::kStartDoc)) return false;
  ++State().livePrintHandles;
  return true;
}

void EndPrintDocument(std::uintptr_t dc) {
  Log("EndDoc(" + Hex(dc) + ")");
  Release();
}

void AbortPrintDocument(std::uintptr_t dc) {
  Log("AbortDoc(" + Hex(dc) + ")");
  Release();
}

std::uintptr_t CreateFixedPitchFont(const char* face) {
  Log("CreateFontIndirectA(\"" + std::string(face) + "\", fixed pitch)");
  if (Fails(native::PrintFailure::kCreateFont)) return 0;
  ++State().livePrintHandles;
  return native::kFontHandle;
}

std::uintptr_t SelectFont(std::uintptr_t dc, std::uintptr_t font) {
  Log("SelectObject(" + Hex(dc) + ", " + Hex(font) + ")");
  if (font == native::kFontHandle && Fails(native::PrintFailure::kSelectFont)) {
    return 0;
  }
  return font == native::kFontHandle ? native::kOldFontHandle : native::kFontHandle;
}

void DeleteFont(std::uintptr_t font) {
  Log("DeleteObject(" + Hex(font) + ")");
  Release();
}

void DeleteDeviceContext(std::uintptr_t dc) {
  Log("DeleteDC(" + Hex(dc) + ")");
  Release();
}

namespace native {

void AnswerPrintDialog(bool ok, std::uintptr_t dc) {
  State().answerOk = ok;
  State().answerDc = dc;
}

void FailPrintStep(PrintFailure step) { State().failure = step; }

void FailArrayAllocation(int n) { State().arrayFailureCountdown = n < 0 ? 0 : n; }

const std::vector<std::string>& CallLog() { return State().log; }

void ClearCallLog() { State().log.clear(); }

std::size_t LiveGlobalBlocks() { return State().globalBlocks.size(); }

std::size_t LiveArrays() { return State().liveArrays; }

std::size_t LivePrintHandles() { return State().livePrintHandles; }

void Reset() {
  NativeState& state = State();
  state.answerOk = false;
  state.answerDc = 0;
  state.failure = PrintFailure::kNone;
  state.arrayFailureCountdown = 0;
  state.log.clear();
  state.livePrintHandles = 0;
}

}  // namespace native
}  // namespace vantiro::platform
