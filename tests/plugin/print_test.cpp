// ae_Graph_Draw2Printer against the native print substitute: the document
// sequence, every path without a device context, and the result codes.
#include <gtest/gtest.h>

#include "plugin/host/entry_points.h"
#include "plugin/host/host_state.h"
#include "plugin/platform/platform_native.h"
#include "recording_engine/recording_engine.h"
#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {
namespace {

namespace native = platform::native;
using Log = std::vector<std::string>;

constexpr std::uintptr_t kDc = 0x5;

// The dialog's memory, released whenever the dialog returned it.
const Log kDialogMemory = {"GlobalLock(0xD302)", "GlobalUnlock(0xD302)", "GlobalFree(0xD302)",
                           "GlobalFree(0xD301)"};

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::ResetHostState();
    nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
    Host() = {};
    recording::Reset();
    native::Reset();
  }
  void TearDown() override { native::Reset(); }

  void Print(const char* text) {
    const char* params[] = {text};
    EXPECT_EQ(nbExecAction(12, params), 1U);
  }
  std::vector<Variable> Reported(std::optional<std::string> value) {
    return {{"ae_Graph_Draw2PrinterStatus", std::move(value)}};
  }
};

TEST_F(PrintTest, PrintsOnTheChosenPrinter) {
  native::AnswerPrintDialog(true, kDc);
  Print("4|anything");
  EXPECT_EQ(
      native::CallLog(),
      Concat({{"PrintDlgA"},
              kDialogMemory,
              {"StartDocA(0x5, \"Print job\")", "CreateFontIndirectA(\"Courier New\", fixed pitch)",
               "SelectObject(0x5, 0xF001)", "EndDoc(0x5)", "SelectObject(0x5, 0xF000)",
               "DeleteObject(0xF001)", "DeleteDC(0x5)"}}));
  EXPECT_EQ(recording::CallTexts(), Log{"RMC_DRAW2PRINTER(4, 5, 0, 0, 0, 0, 1)"});
  EXPECT_EQ(Host().variables, Reported("Ok"));
  EXPECT_EQ(native::LivePrintHandles(), 0U);
}

TEST_F(PrintTest, NoDeviceContextMeansCanceled) {
  struct Case {
    const char* label;
    bool ok;
    native::PrintFailure failure;
    Log log;
  };
  const Case cases[] = {
      {"cancel", false, native::PrintFailure::kNone, {"PrintDlgA"}},
      {"dialog error after OK",
       true,
       native::PrintFailure::kDialogError,
       {"PrintDlgA", "CommDlgExtendedError"}},
      {"no device context", true, native::PrintFailure::kNoDeviceContext,
       Concat({{"PrintDlgA"}, kDialogMemory})},
      {"no device names",
       true,
       native::PrintFailure::kNoDeviceNames,
       {"PrintDlgA", "GlobalFree(0xD301)", "DeleteDC(0x5)"}},
      {"StartDoc fails", true, native::PrintFailure::kStartDoc,
       Concat({{"PrintDlgA"}, kDialogMemory, {"StartDocA(0x5, \"Print job\")", "DeleteDC(0x5)"}})},
      {"font creation fails", true, native::PrintFailure::kCreateFont,
       Concat(
           {{"PrintDlgA"},
            kDialogMemory,
            {"StartDocA(0x5, \"Print job\")", "CreateFontIndirectA(\"Courier New\", fixed pitch)",
             "AbortDoc(0x5)", "DeleteDC(0x5)"}})},
      {"font selection fails", true, native::PrintFailure::kSelectFont,
       Concat({{"PrintDlgA"},
               kDialogMemory,
               {"StartDocA(0x5, \"Print job\")",
                "CreateFontIndirectA(\"Courier New\", fixed pitch)", "SelectObject(0x5, 0xF001)",
                "DeleteObject(0xF001)", "AbortDoc(0x5)", "DeleteDC(0x5)"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    const char* preset[] = {"Ok"};
    nbExecAction(1, preset);
    native::AnswerPrintDialog(c.ok, kDc);
    native::FailPrintStep(c.failure);
    Print("4");
    EXPECT_EQ(native::CallLog(), c.log);
    EXPECT_TRUE(recording::Calls().empty());
    EXPECT_EQ(Host().variables, Reported("Canceled"));
    EXPECT_EQ(native::LivePrintHandles(), 0U);
  }
}

TEST_F(PrintTest, ResultCodes) {
  const std::pair<std::int32_t, std::optional<std::string>> cases[] = {
      {0, "Ok"},
      {-6, "Error on CtrlID Value"},
      {-20, "Error while creating the EMF file for printing."},
      {-13, "Error while creating the printer DC."},
      {-26, "left over"},
  };
  for (const auto& [code, status] : cases) {
    SCOPED_TRACE(code);
    SetUp();
    const char* preset[] = {"left over"};
    nbExecAction(1, preset);
    native::AnswerPrintDialog(true, kDc);
    recording::PushResult("RMC_DRAW2PRINTER", code);
    Print(" 9");
    EXPECT_EQ(recording::CallTexts(), Log{"RMC_DRAW2PRINTER(9, 5, 0, 0, 0, 0, 1)"});
    EXPECT_EQ(Host().variables, Reported(status));
    EXPECT_EQ(native::LivePrintHandles(), 0U);
  }
}

TEST_F(PrintTest, EveryPrintShowsTheDialog) {
  native::AnswerPrintDialog(true, kDc);
  Print("1");
  native::ClearCallLog();
  native::AnswerPrintDialog(false, 0);
  Print("1");
  EXPECT_EQ(native::CallLog(), Log{"PrintDlgA"});
  EXPECT_EQ(recording::Calls().size(), 1U);
  const std::vector<Variable> expected = {{"ae_Graph_Draw2PrinterStatus", "Ok"},
                                          {"ae_Graph_Draw2PrinterStatus", "Canceled"}};
  EXPECT_EQ(Host().variables, expected);
}

}  // namespace
}  // namespace vantiro::plugin_tests
