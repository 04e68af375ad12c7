// The host interface: catalogue rows byte for byte, the texts of
// nbInitPlugIn and their memory, the answers of the entry points.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "plugin/host/entry_points.h"
#include "plugin/host/host_state.h"
#include "plugin/platform/platform.h"
#include "plugin/platform/platform_native.h"
#include "recording_engine/recording_engine.h"
#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {
namespace {

namespace native = platform::native;

struct ExpectedRow {
  std::int32_t actionId;
  const char* name;
  const char* hint;  // null for a heading
};

// Registration order, names and hints as the host must receive them.
const ExpectedRow kCatalogue[] = {
    {0, "*** Internal Use *** ", nullptr},
    {1, "ae_SendVariable", "Internal Use Only"},
    {0, "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5\x20\xF4\xF3\xED\xEA\xF6\xE8\xE8", nullptr},
    {2, "ae_Graph_CreateChart",
     "\xD1\xEE\xE7\xE4\xE0\xF2\xFC      \r\nae_Graph_CreateGraph\"[recthandle]|id|x0|y0|"
     "width|height|BGColor|Style|Export|BGImage|FontName|WidthTooltip|BGImageColor\""},
    {9, "ae_Graph_CreateChartfromFile",
     "Create Chart from a File \r\nae_Graph_CreateGraphfromfile\"[recthandle]|id|x0|y0|"
     "Export|SourceFile\""},
    {3, "ae_Graph_DeleteChart", "Delete a Chart\r\nae_Graph_DeleteChart\"id\""},
    {4, "ae_Graph_EndChart",
     "End Chart System. Must be used at end of the PUB\r\nae_Graph_EndChart\"rect_handle\""},
    {5, "ae_Graph_AddRegion",
     "Add a Region to a Chart \r\nae_Graph_AddRegion\"ID|x0|y0|width|height|Footer "
     "Text|ShowBorder\""},
    {10, "ae_Graph_AddCaption",
     "Add a Caption to a Chart \r\nae_Graph_AddCaption\"id|Region|Caption|BKColor|"
     "TextColor|FontSize|FontBold\""},
    {13, "ae_Graph_AddLegend",
     "Add a Legend to a Chart \r\nae_Graph_AddCaption\"id|Region|Legend|Alignment|BKColor|"
     "Style|TextColor|FontSize|FontBold\""},
    {6, "ae_Graph_Draw", "Draw the Chart\r\nae_Graph_Draw \"ID\""},
    {0, "GridLess Charts", nullptr},
    {7, "ae_Graph_AddGridlessSeries",
     "Add a Serie for a Pie, Donut or Pyramid Chart \r\nae_Graph_AddGridlessSeries "
     "\"Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|ValueLabel|Hatch|StartAngle\""},
    {0, "Grid Charts", nullptr},
    {15, "ae_Graph_AddGrid",
     "Add a Grid to a Chart \r\nae_Graph_AddGrid\"ID|Region|BKColor|AsGradient|x0|y0|width|"
     "height|BiColor\""},
    {16, "ae_Graph_AddDataAxis",
     "Add a Axis to a Chart \r\nae_Graph_AddDataAxis\"ID|Region|Alignment|MinValue|MaxValue|"
     "TickCount|FontSize|TextColor|LineColor|LineStyle|DecimalDigits|Units|Text|Labels|"
     "LabelAlignment\""},
    {17, "ae_Graph_AddLabelAxis",
     "Add a Label Axis to a Chart \r\nae_Graph_AddLabelAxis\"ID|Region|Labels|AxisCount|"
     "TickCount|Alignment|FontSize|TextColor|TextAlignment|LineColor|LineStyle|Text\""},
    {14, "ae_Graph_AddBarSeries",
     "Add a Bar Series to a Chart \r\nae_Graph_AddBarSeries\"ID|Region|DataValues|Type|"
     "Style|IsLucent|Color|IsHorizontal|WhichDataAxis|ValueLabelOn|PointsPerColumn|"
     "HatchMode\""},
    {0, "Printing, Loading & Saving", nullptr},
    {8, "ae_Graph_Draw2File",
     "Save Chart to a File\r\nae_Graph_Draw2File \"Id|TargetFileName|width|height|"
     "JPGQuality\""},
    {11, "ae_Graph_WriteRMCFile", "Save RMC File \r\nae_Graph_WriteRMCFile\"id|TargetFile.RMC\""},
    {12, "ae_Graph_Draw2Printer", "Print the Chart\r\nae_Graph_Draw2Printer \"Id\""},
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::ResetHostState();
    Host() = {};
    recording::Reset();
    native::Reset();
  }
};

void ExpectCatalogue(const std::vector<Registration>& rows, std::size_t from) {
  ASSERT_GE(rows.size(), from + std::size(kCatalogue));
  for (std::size_t i = 0; i < std::size(kCatalogue); ++i) {
    const Registration& row = rows[from + i];
    const ExpectedRow& expected = kCatalogue[i];
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const bool heading = expected.actionId == 0;
    EXPECT_EQ(row.actionId, expected.actionId);
    EXPECT_EQ(row.name, expected.name);
    if (heading) {
      EXPECT_EQ(row.hint, std::nullopt);
    } else {
      EXPECT_EQ(row.hint, std::optional<std::string>(expected.hint));
    }
    EXPECT_EQ(row.typeText, heading ? "ACTIONPARAM_NONE" : "ACTIONPARAM_ALPHA");
    EXPECT_EQ(row.count, heading ? 0U : 1U);
    EXPECT_EQ(row.count2, row.count);
  }
}

TEST_F(HostTest, CatalogueIsRegisteredOnEveryCall) {
  nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  ASSERT_EQ(Host().registrations.size(), 22U);
  ExpectCatalogue(Host().registrations, 0);
  nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  ASSERT_EQ(Host().registrations.size(), 44U);
  ExpectCatalogue(Host().registrations, 22);
  EXPECT_TRUE(Host().variables.empty());
}

TEST_F(HostTest, RegistrationWithoutAddActionCallbackRegistersNothing) {
  nbRegisterPlugIn(nullptr, nullptr, nullptr, RecordSetVariable);
  const char* params[] = {"1"};
  nbExecAction(6, params);
  EXPECT_EQ(Host().variables.size(), 1U);
}

TEST_F(HostTest, KnownActionIds) {
  nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  const char* params[] = {"1"};
  for (std::int32_t id = -2; id <= 19; ++id) {
    const std::uint32_t known = id >= 1 && id <= 17 ? 1U : 0U;
    EXPECT_EQ(nbEditAction(id, 0), known) << id;
    if (id == 12) continue;  // the print dialog is tested on its own
    EXPECT_EQ(nbExecAction(id, params), known) << id;
  }
  for (const std::int32_t id : {257, 0x7FFFFFFF, -0x7FFFFFFF - 1}) {
    EXPECT_EQ(nbEditAction(id, 0), 0U);
    EXPECT_EQ(nbExecAction(id, params), 0U);
  }
}

TEST_F(HostTest, UnknownActionRunsNothing) {
  nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  const char* params[] = {"text"};
  nbExecAction(0, params);
  nbExecAction(18, params);
  EXPECT_TRUE(recording::Calls().empty());
  EXPECT_TRUE(Host().variables.empty());
  EXPECT_EQ(host::StatusText(), "");
}

TEST_F(HostTest, MessagesChangeNothing) {
  nbMessage(1, 0);
  nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  Host() = {};
  const char* params[] = {"kept"};
  nbExecAction(1, params);
  for (const std::int32_t code : {0, 1, 2, -1, 0x7FFFFFFF}) nbMessage(code, 0);
  nbRegisterScriptProcessor(reinterpret_cast<void*>(0x1234));
  nbRegisterInterfaceAccess(reinterpret_cast<void*>(0x5678));
  EXPECT_EQ(host::StatusText(), "kept");
  EXPECT_TRUE(Host().registrations.empty());
  EXPECT_TRUE(Host().variables.empty());
  EXPECT_TRUE(recording::Calls().empty());
  EXPECT_TRUE(native::CallLog().empty());
}

std::string Hex(const void* block) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%" PRIXPTR, reinterpret_cast<std::uintptr_t>(block));
  return text;
}

TEST_F(HostTest, InitHandsOverFreshBlocks) {
  char* title = nullptr;
  char* publisher = nullptr;
  char* hint = nullptr;
  const std::size_t before = native::LiveGlobalBlocks();
  nbInitPlugIn(0, &title, &publisher, &hint);
  ASSERT_NE(title, nullptr);
  ASSERT_NE(publisher, nullptr);
  ASSERT_NE(hint, nullptr);
  EXPECT_STREQ(title, "Vantiro 1.0.5");
  EXPECT_STREQ(publisher, "Quorvane");
  EXPECT_STREQ(hint, "RMChart MAnager");
  EXPECT_EQ(native::CallLog(),
            (std::vector<std::string>{"GlobalAlloc(0x40, 14)", "GlobalAlloc(0x40, 9)",
                                      "GlobalAlloc(0x40, 16)"}));

  // A variable that holds a block gets it released before the new one.
  native::ClearCallLog();
  const std::string oldTitle = Hex(title);
  const std::string oldHint = Hex(hint);
  char* keptPublisher = publisher;
  publisher = nullptr;  // the host took this one over
  nbInitPlugIn(0, &title, &publisher, &hint);
  EXPECT_EQ(native::CallLog(),
            (std::vector<std::string>{"GlobalFree(" + oldTitle + ")", "GlobalAlloc(0x40, 14)",
                                      "GlobalAlloc(0x40, 9)", "GlobalFree(" + oldHint + ")",
                                      "GlobalAlloc(0x40, 16)"}));
  EXPECT_STREQ(title, "Vantiro 1.0.5");
  EXPECT_EQ(native::LiveGlobalBlocks(), before + 4);

  for (char* block : {title, publisher, hint, keptPublisher}) platform::GlobalFreeBlock(block);
  EXPECT_EQ(native::LiveGlobalBlocks(), before);
}

TEST_F(HostTest, InitWithNullVariableAddresses) {
  char* title = nullptr;
  nbInitPlugIn(0, &title, nullptr, nullptr);
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title, "Vantiro 1.0.5");
  platform::GlobalFreeBlock(title);
}

}  // namespace
}  // namespace vantiro::plugin_tests
