// Opening and closing the print document through the platform edge.
#include "plugin/output/print_document.h"

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

}  // namespace

std::optional<PrintDocument> OpenPrintDocument() {
  const platform::PrintDialogResult dialog = platform::ShowPrintDialog();
  if (!dialog.chosen && dialog.okPressed) platform::PrintDialogError();
  const bool haveDeviceNames = ReleaseDialogMemory(dialog);
  if (!dialog.chosen || dialog.dc == 0 || !haveDeviceNames) {
    if (dialog.dc != 0) platform::DeleteDeviceContext(dialog.dc);
    return std::nullopt;
  }

  PrintDocument document;
  document.dc = dialog.dc;
  if (!platform::StartPrintDocument(document.dc, kDocumentName)) {
    platform::DeleteDeviceContext(document.dc);
    return std::nullopt;
  }
  document.font = platform::CreateFixedPitchFont(kFontFace);
  if (document.font == 0) {
    platform::AbortPrintDocument(document.dc);
    platform::DeleteDeviceContext(document.dc);
    return std::nullopt;
  }
  document.oldFont = platform::SelectFont(document.dc, document.font);
  if (document.oldFont == 0) {
    platform::DeleteFont(document.font);
    platform::AbortPrintDocument(document.dc);
    platform::DeleteDeviceContext(document.dc);
    return std::nullopt;
  }
  return document;
}

void ClosePrintDocument(const PrintDocument& document) {
  platform::EndPrintDocument(document.dc);
  platform::SelectFont(document.dc, document.oldFont);
  platform::DeleteFont(document.font);
  platform::DeleteDeviceContext(document.dc);
}

}  // namespace vantiro::output
