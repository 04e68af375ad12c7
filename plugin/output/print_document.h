// The print document of ae_Graph_Draw2Printer: a printer chosen in the print
// dialog, the document "Print job" started on it and a fixed-pitch
// "Courier New" font selected.
#pragma once

#include <cstdint>
#include <optional>

namespace vantiro::output {

struct PrintDocument {
  std::uintptr_t dc = 0;
  std::uintptr_t font = 0;     // the font selected for the engine
  std::uintptr_t oldFont = 0;  // the font it replaced
};

// Shows the dialog and opens the document. Nothing when the dialog is
// cancelled or fails, or when no usable device context results; whatever
// was obtained on the way is released then.
std::optional<PrintDocument> OpenPrintDocument();

// EndDoc, the old font selected back, the font deleted, the device context
// deleted: in that order.
void ClosePrintDocument(const PrintDocument& document);

}  // namespace vantiro::output
