// File output and printing. The dialog of ae_Graph_Draw2Printer comes before
// anything looks at the control ID.
#include "plugin/output/output_actions.h"

#include <optional>

#include "plugin/charts/action_frame.h"
#include "plugin/output/print_document.h"
#include "plugin/params/params.h"

namespace vantiro::output {
namespace {

using charts::ActionDefinition;
using charts::CodeMessage;
using charts::DecodedFields;
using namespace field_kinds;
using enum charts::Message;
namespace code = engine_codes;

constexpr CodeMessage kDraw2FileCodes[] = {
    {code::kBadControlId, kWrongControlId},
    {code::kImageFileFailed, kEmfFile},
};

constexpr ActionDefinition kDraw2File = {
    kDraw2FileFields,
    1,
    [](DecodedFields& f) {
      return RMC_DRAW2FILE(f.Integer(1), f.Text(2), f.Integer(3), f.Integer(4), f.Integer(5));
    },
    {"ae_Graph_Draw2FileStatus", kDraw2FileCodes, false, false},
};

constexpr CodeMessage kWriteRMCFileCodes[] = {
    {code::kBadControlId, kCtrlIdError},
    {code::kTargetFileFailed, kFileNotCreated},
};

constexpr ActionDefinition kWriteRMCFile = {
    kWriteRMCFileFields,
    1,
    [](DecodedFields& f) { return RMC_WRITERMCFILE(f.Integer(1), f.Text(2)); },
    {"ae_Graph_WriteRMCFileStatus", kWriteRMCFileCodes, false, false},
};

constexpr CodeMessage kDraw2PrinterCodes[] = {
    {code::kBadControlId, kCtrlIdError},
    {code::kImageFileFailed, kPrintEmfFile},
    {code::kPrinterDcFailed, kPrinterDc},
};
constexpr charts::ResultFrame kDraw2PrinterFrame = {"ae_Graph_Draw2PrinterStatus",
                                                    kDraw2PrinterCodes, false, false};

// Closes the document however the engine call ends.
class DocumentCloser {
 public:
  explicit DocumentCloser(const PrintDocument& document) : document_(document) {}
  DocumentCloser(const DocumentCloser&) = delete;
  DocumentCloser& operator=(const DocumentCloser&) = delete;
  ~DocumentCloser() { ClosePrintDocument(document_); }

 private:
  const PrintDocument& document_;
};

}  // namespace

void ae_Graph_Draw2File(std::string_view p) { charts::RunAction(kDraw2File, p); }

void ae_Graph_WriteRMCFile(std::string_view p) { charts::RunAction(kWriteRMCFile, p); }

void ae_Graph_Draw2Printer(std::string_view parameters) {
  // The whole text is one number: the scan stops at the first "|" anyway.
  const std::int32_t controlId = params::ToInt32(params::ParseNumber(parameters));
  const std::optional<PrintDocument> document = OpenPrintDocument();
  if (!document) {
    charts::ReportMessage(kDraw2PrinterFrame, kCanceled);
    return;
  }
  std::int32_t result = 0;
  {
    const DocumentCloser closer(*document);
    result = RMC_DRAW2PRINTER(controlId, document->dc, 0, 0, 0, 0, 1);
  }
  charts::FinishAction(kDraw2PrinterFrame, controlId, result);
}

}  // namespace vantiro::output
