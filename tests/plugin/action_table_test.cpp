// The action tables run in-process, and what only the native platform
// substitute can show: allocation failure of series lists, the end of the
// chart system, status reports without a registered host.
#include <gtest/gtest.h>

#include "plugin/host/entry_points.h"
#include "plugin/host/host_state.h"
#include "plugin/platform/platform_native.h"
#include "recording_engine/recording_engine.h"
#include "tests/plugin/action_cases.h"
#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {
namespace {

namespace native = platform::native;

class InProcessDriver : public PluginDriver {
 public:
  void Fresh() override {
    host::ResetHostState();
    nbRegisterPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
    Host() = {};
    recording::Reset();
    recording::SetColourMask(kColourMask);
    native::Reset();
  }
  void PushResult(const std::string& function, std::int32_t result) override {
    recording::PushResult(function, result);
  }
  std::uint32_t Exec(std::int32_t actionId, const char* const* params) override {
    return nbExecAction(actionId, params);
  }
  std::vector<std::string> EngineCalls() override { return recording::CallTexts(); }
};

class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override { driver_.Fresh(); }
  std::uint32_t Exec(std::int32_t actionId, const char* text) {
    const char* params[] = {text};
    return nbExecAction(actionId, params);
  }
  InProcessDriver driver_;
};

TEST_F(ActionTest, DecodingTable) {
  for (const ActionCase& c : DecodingCases()) RunCase(driver_, c);
  EXPECT_EQ(native::LiveArrays(), 0U);  // series lists released
}

TEST_F(ActionTest, ResultTable) {
  for (const ActionCase& c : ResultCases()) RunCase(driver_, c);
}

TEST_F(ActionTest, LeftoverOkOfAnEarlierActionBecomesError) {
  ASSERT_EQ(Exec(5, "1|0|0|10|10|a|0"), 1U);
  recording::PushResult("RMC_ADDREGION", -9);
  Exec(5, "1|0|0|10|10|a|0");
  const std::vector<Variable> expected = {{"ae_Graph_AddRegionStatus", "Ok"},
                                          {"ae_Graph_AddRegionStatus", "Error"}};
  EXPECT_EQ(Host().variables, expected);
  EXPECT_EQ(recording::CallTexts().back(), "RMC_DELETECHART(1)");
}

TEST_F(ActionTest, SendVariableStoresTheWholeTextAndReportsNothing) {
  EXPECT_EQ(Exec(1, " a|b "), 1U);
  EXPECT_EQ(host::StatusText(), " a|b ");
  EXPECT_TRUE(Host().variables.empty());
  EXPECT_TRUE(recording::Calls().empty());
}

TEST_F(ActionTest, NullParameterArrayIsTheEmptyText) {
  EXPECT_EQ(nbExecAction(6, nullptr), 1U);
  EXPECT_EQ(recording::CallTexts(), std::vector<std::string>{"RMC_DRAW(0)"});
  EXPECT_EQ(nbExecAction(0, nullptr), 0U);
}

TEST_F(ActionTest, EndChartDestroysTheWindowOnly) {
  Exec(1, "kept");
  for (const auto& [text, window] :
       {std::pair{"17|x", "17"}, std::pair{" 42", "42"}, std::pair{"-1", "4294967295"},
        std::pair{"&H10", "16"}, std::pair{"", "0"}}) {
    native::ClearCallLog();
    EXPECT_EQ(Exec(4, text), 1U);
    EXPECT_EQ(native::CallLog(),
              std::vector<std::string>{std::string("DestroyWindow(") + window + ")"});
  }
  EXPECT_TRUE(recording::Calls().empty());
  EXPECT_TRUE(Host().variables.empty());
  EXPECT_EQ(host::StatusText(), "kept");
}

TEST_F(ActionTest, ActionBeforeRegistrationRunsWithoutReport) {
  host::ResetHostState();
  EXPECT_EQ(Exec(6, "3"), 1U);
  EXPECT_EQ(recording::CallTexts(), std::vector<std::string>{"RMC_DRAW(3)"});
  EXPECT_EQ(host::StatusText(), "Ok");
  EXPECT_TRUE(Host().variables.empty());
}

// A list that cannot be allocated: no engine call, the frame runs as for
// the engine's out-of-memory code, the chart is deleted, nothing leaks.
TEST_F(ActionTest, SeriesArrayAllocationFailure) {
  struct Case {
    std::int32_t actionId;
    const char* parameters;
    int failingAllocation;
    std::vector<std::string> calls;
    const char* variable;
  };
  const Case cases[] = {
      {14, "5|1|1,2,3|0|0|0|#FF0000", 1, {"RMC_DELETECHART(5)"}, "ae_Graph_AddBarSeriesStatus"},
      {7, "5|1|1,2|#FF0000,#00FF00", 1, {"RMC_DELETECHART(5)"}, "ae_Graph_AddGridLessSeriesStatus"},
      {7, "6|1|1,2|#FF0000,#00FF00", 2, {"RMC_DELETECHART(6)"}, "ae_Graph_AddGridLessSeriesStatus"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    driver_.Fresh();
    Exec(1, "Ok");
    native::FailArrayAllocation(c.failingAllocation);
    EXPECT_EQ(Exec(c.actionId, c.parameters), 1U);
    EXPECT_EQ(recording::CallTexts(), c.calls);
    const std::vector<Variable> expected = {
        {c.variable, "Error while allocating memory for the data."}};
    EXPECT_EQ(Host().variables, expected);
    EXPECT_EQ(native::LiveArrays(), 0U);
  }
}

}  // namespace
}  // namespace vantiro::plugin_tests
