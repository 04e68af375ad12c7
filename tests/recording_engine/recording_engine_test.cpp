// The recording engine's own contract, which the plug-in tests and the test
// host rely on: scripted results in order, the text form, the plain controls.
#include <gtest/gtest.h>

#include "abi/rmchart.h"
#include "recording_engine/recording_control.h"
#include "recording_engine/recording_engine.h"

namespace vantiro::recording {
namespace {

TEST(RecordingEngine, ScriptedResultsAnswerInOrderThenZero) {
  Reset();
  PushResult("RMC_DRAW", -6);
  PushResult("RMC_DRAW", -9);
  PushResult("RMC_DELETECHART", -1);
  EXPECT_EQ(RMC_DRAW(1), -6);
  EXPECT_EQ(RMC_DRAW(1), -9);
  EXPECT_EQ(RMC_DRAW(1), 0);
  EXPECT_EQ(RMC_DELETECHART(1), -1);
  Reset();
  EXPECT_EQ(RMC_DELETECHART(1), 0);
}

TEST(RecordingEngine, TextForm) {
  Reset();
  SetColourMask(0x01000000);
  EXPECT_EQ(RGB2ARGB(0xFF0000FF, 0), 0xFE0000FFU);
  const double values[] = {10, 20.5, -0.1, 1e300};
  const RmcColour none = 0;
  std::int32_t alignment = -3;
  RMC_ADDGRIDLESSSERIES(1, 2, values, 4, &none, 0, 0, 0, 0, 0, 0, 0, 0);
  RMC_ADDREGION(1, 0, 0, 0, 0, "a\"b\\\xE9\n", 0);
  RMC_ADDREGION(1, 0, 0, 0, 0, nullptr, 0);
  RMC_ADDDATAAXIS(1, 1, 0, 0.5, -2, 0, 0, 0xFF, 0, 0, 0, "", "", "", &alignment);
  RMC_DRAW2PRINTER(4, 0xFFFFFFFF, 0, 0, 0, 0, 1);
  const std::vector<std::string> expected = {
      "RGB2ARGB(0xFF0000FF, 0)",
      "RMC_ADDGRIDLESSSERIES(1, 2, [10, 20.5, -0.1, 1e+300], 4, []->0x00000000, 0, 0, 0, 0, 0, "
      "0, 0, 0)",
      "RMC_ADDREGION(1, 0, 0, 0, 0, \"a\\x22b\\x5C\\xE9\\x0A\", 0)",
      "RMC_ADDREGION(1, 0, 0, 0, 0, null, 0)",
      "RMC_ADDDATAAXIS(1, 1, 0, 0.5, -2, 0, 0, 0x000000FF, 0x00000000, 0, 0, \"\", \"\", \"\", "
      "&-3)",
      "RMC_DRAW2PRINTER(4, 4294967295, 0, 0, 0, 0, 1)",
  };
  EXPECT_EQ(CallTexts(), expected);
  EXPECT_EQ(Calls()[3].arguments[5].text, std::nullopt);
  EXPECT_EQ(Calls()[4].arguments[14].pointer, reinterpret_cast<std::uintptr_t>(&alignment));
}

TEST(RecordingEngine, PlainControls) {
  RecordingEngine_Reset();
  RecordingEngine_PushResult("RMC_WRITERMCFILE", -26);
  RecordingEngine_SetColourMask(0xFF);
  EXPECT_EQ(RMC_WRITERMCFILE(3, "x.rmc"), -26);
  EXPECT_EQ(RGB2ARGB(0xFF, 0), 0U);
  ASSERT_EQ(RecordingEngine_CallCount(), 2);
  char buffer[12];
  EXPECT_EQ(RecordingEngine_CallAt(0, buffer, sizeof buffer), 28);
  EXPECT_STREQ(buffer, "RMC_WRITERM");  // cut, always terminated
  EXPECT_EQ(RecordingEngine_CallAt(0, nullptr, 0), 28);
  EXPECT_EQ(RecordingEngine_CallAt(2, buffer, sizeof buffer), -1);
  EXPECT_EQ(RecordingEngine_CallAt(-1, buffer, sizeof buffer), -1);
}

}  // namespace
}  // namespace vantiro::recording
