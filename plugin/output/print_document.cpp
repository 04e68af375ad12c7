// Opening and closing the print document through the platform edge.
#include "plugin/output/print_document.h"

#include <utility>

#include "plugin/platform/platform.h"

namespace vantiro::output {
namespace {

constexpr const char* kDocumentName = "Print job";
constexpr const char* kFontFace = "Courier New";

// The dialog's memory handles are released in every case; the device-names
// handle counts only if it can be locked.
bool ReleaseDialogMemory(const platform::PrintDialogResult& dialog) {
  bool haveDeviceNames = false;
  if (dialog.devNames != 0) {
    if (platform::LockGlobal(dialog.devNames) != nullptr) {
      haveDeviceNames = true;
      platform::UnlockGlobal(dialog.devNames);
    }
    platform::FreeGlobal(dialog.devNames);
  }
  if (dialog.devMode != 0) platform::FreeGlobal(dialog.devMode);
  return haveDeviceNames;
}

// Owns one handle of the print document until it is handed over; releases
// it with `Free` otherwise. Guards declared later are released first.
template <void (*Free)(std::uintptr_t)>
class PrintHandleGuard {
 public:
  explicit PrintHandleGuard(std::uintptr_t handle) : handle_(handle) {}
  PrintHandleGuard(const PrintHandleGuard&) = delete;
  PrintHandleGuard& operator=(const PrintHandleGuard&) = delete;
  ~PrintHandleGuard() {
    if (handle_ != 0) Free(handle_);
  }

  std::uintptr_t get() const { return handle_; }
  std::uintptr_t Release() { return std::exchange(handle_, 0); }

 private:
  std::uintptr_t handle_;
};

using DeviceContextGuard = PrintHandleGuard<platform::DeleteDeviceContext>;
using FontGuard = PrintHandleGuard<platform::DeleteFont>;
// Holds the device context of a started document, which gets no content.
using StartedDocumentGuard = PrintHandleGuard<platform::AbortPrintDocument>;

}  // namespace

std::optional<PrintDocument> OpenPrintDocument() {
  const platform::PrintDialogResult dialog = platform::ShowPrintDialog();
  if (!dialog.chosen && dialog.okPressed) platform::PrintDialogError();
  DeviceContextGuard dc(dialog.dc);
  const bool haveDeviceNames = ReleaseDialogMemory(dialog);
  if (!dialog.chosen || dc.get() == 0 || !haveDeviceNames) return std::nullopt;

  if (!platform::StartPrintDocument(dc.get(), kDocumentName)) return std::nullopt;
  StartedDocumentGuard started(dc.get());
  FontGuard font(platform::CreateFixedPitchFont(kFontFace));
  if (font.get() == 0) return std::nullopt;
  const std::uintptr_t oldFont = platform::SelectFont(dc.get(), font.get());
  if (oldFont == 0) return std::nullopt;

  started.Release();
  return PrintDocument{dc.Release(), font.Release(), oldFont};
}

void ClosePrintDocument(const PrintDocument& document) {
  platform::EndPrintDocument(document.dc);
  platform::SelectFont(document.dc, document.oldFont);
  platform::DeleteFont(document.font);
  platform::DeleteDeviceContext(document.dc);
}

}  // namespace vantiro::output
