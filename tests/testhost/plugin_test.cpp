// The host with the real plug-in linked to the recording engine: script
// texts reach the engine byte for byte, statuses are printed as the plug-in
// reports them, and --strict turns them into the exit status.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "plugin/platform/platform_native.h"
#include "recording_engine/recording_engine.h"
#include "testhost/cli/cli.h"
#include "testhost/core/action_facts.h"
#include "testhost/core/host.h"
#include "testhost/core/runner.h"

namespace vantiro::testhost {
namespace {

class TestHostPlugin : public testing::Test {
 protected:
  void SetUp() override {
    recording::Reset();
    platform::native::Reset();
    cli.programName = "host";
    cli.loadPlugin = [](const std::string& path, std::string& error) {
      return PluginModule::Load(path, error);
    };
    cli.createHostWindow = [] { return std::uintptr_t{5}; };
  }

  int Run(const std::string& script, std::vector<std::string> options = {}) {
    // One file per test: ctest may run the tests of this file side by side.
    std::string path = std::string("testhost-plugin-") +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + ".vsc";
    std::ofstream(path, std::ios::binary) << script;
    options.push_back(path);
    out.str("");
    err.str("");
    return RunCli(options, cli, out, err);
  }

  CliPlatform cli;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(TestHostPlugin, ReceivesTheCatalogueAndReleasesTheInitTexts) {
  std::string error;
  std::unique_ptr<PluginModule> plugin = PluginModule::Load("", error);
  ASSERT_NE(plugin, nullptr) << error;
  Host host(plugin->entryPoints());
  host.Register();
  ASSERT_EQ(host.catalogue().size(), 22u);
  int actions = 0;
  for (const CatalogueRow& row : host.catalogue()) {
    if (row.actionId == 0) continue;
    ++actions;
    EXPECT_EQ(host.FindAction(row.name), &row);
  }
  EXPECT_EQ(actions, 17);

  std::size_t blocksBefore = platform::native::LiveGlobalBlocks();
  PluginInfo info = host.Init();
  EXPECT_EQ(info.title, "Vantiro 1.0.5");
  EXPECT_EQ(info.publisher, "Quorvane");
  EXPECT_EQ(info.hint, "RMChart MAnager");
  EXPECT_EQ(platform::native::LiveGlobalBlocks(), blocksBefore);
}

TEST_F(TestHostPlugin, ScriptTextsReachTheEngineByteForByte) {
  ASSERT_EQ(Run("ae_Graph_CreateChart [HostWindow]|7|0|0|10|10|#FFFFFF|1|0||Arial|0|#000000\n"
                "ae_Graph_AddCaption \"7|1| \\xCE\\xF1\\r\\t[x]|#FFFFFF|#000000|9|1\"\n"
                "ae_Graph_AddRegion 7|0|0|0|0|  two blanks  |0\r\n"
                "ae_Graph_DeleteChart\n"),
            kExitOk)
      << err.str();
  EXPECT_EQ(out.str(),
            "ae_Graph_CreateChartStatus = Ok\nae_Graph_AddCaptionStatus = Ok\n"
            "ae_Graph_AddRegionStatus = Ok\nae_Graph_DeleteChartStatus = Ok\n");
  std::vector<std::string> texts;
  for (const recording::Call& call : recording::Calls()) {
    if (call.function != "RGB2ARGB") texts.push_back(call.Text());
  }
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].substr(0, 24), "RMC_CREATECHART(5, 7, 0,");
  const recording::Call* caption = nullptr;
  for (const recording::Call& call : recording::Calls()) {
    if (call.function == "RMC_ADDCAPTION") caption = &call;
  }
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->arguments.at(2).text, " \xCE\xF1\r\t");
  EXPECT_EQ(texts[2], "RMC_ADDREGION(7, 0, 0, 0, 0, \"  two blanks  \", 0)");
  EXPECT_EQ(texts[3], "RMC_DELETECHART(0)");
}

TEST_F(TestHostPlugin, PrintsWhatThePlugInReportsAndStrictCountsIt) {
  recording::PushResult("RMC_ADDREGION", -9);
  recording::PushResult("RMC_DRAW", -6);
  const std::string script =
      "ae_SendVariable a|b\n"
      "ae_Graph_AddRegion 3|0|0|0|0|x|0\n"
      "ae_Graph_Draw 3\n"
      "ae_Graph_Draw2Printer 3\n"
      "ae_Graph_EndChart [HostWindow]\n"
      "!exec 18 3\n";
  EXPECT_EQ(Run(script), kExitOk) << err.str();
  const std::string file = "testhost-plugin-PrintsWhatThePlugInReportsAndStrictCountsIt.vsc";
  EXPECT_EQ(out.str(),
            file + ":2: ae_Graph_AddRegionStatus = a|b\n" + file +
                ":2: chart 3 was deleted: later actions on it will report a wrong control ID\n" +
                file + ":3: ae_Graph_DrawStatus = Error\n" + file +
                ":4: ae_Graph_Draw2PrinterStatus = Canceled\n"
                "nbExecAction(18) = 0\n");
  recording::PushResult("RMC_ADDREGION", -9);
  recording::PushResult("RMC_DRAW", -6);
  EXPECT_EQ(Run(script, {"--strict", "--quiet"}), kExitNotOk);
  EXPECT_EQ(out.str().substr(out.str().find("Canceled\n") + 9),
            "host: 6 actions run, 3 not Ok, the first at " + file + ":2\n");
  // A content action that finds no chart has deleted none.
  recording::PushResult("RMC_ADDLEGEND", -6);
  EXPECT_EQ(Run("ae_Graph_AddLegend 4|1|1|1|a\n", {"--quiet"}), kExitOk);
  EXPECT_EQ(out.str().find("deleted"), std::string::npos) << out.str();
  EXPECT_EQ(Run("ae_Graph_Draw 3\nae_Graph_EndChart 1\n", {"--strict"}), kExitOk);
  EXPECT_EQ(Run("ae_Graph_draw 3\n"), kExitScriptError);
  EXPECT_EQ(
      err.str(),
      "host: testhost-plugin-PrintsWhatThePlugInReportsAndStrictCountsIt.vsc:1: unknown action "
      "'ae_Graph_draw' (did you mean "
      "'ae_Graph_Draw'?)\n");
}

}  // namespace
}  // namespace vantiro::testhost

namespace vantiro::testhost {
namespace {

// The facts the host reads from the catalogue rows are the plug-in's: each
// action reports in the status variable its row names, and a failed one
// deletes the chart of its control-ID field exactly when its row says so.
TEST(CatalogueFacts, AreWhatThePlugInDoes) {
  std::string error;
  std::unique_ptr<PluginModule> plugin = PluginModule::Load("", error);
  ASSERT_NE(plugin, nullptr) << error;
  Host host(plugin->entryPoints());
  host.Register();
  for (const ActionFacts& action : AllActionFacts()) {
    SCOPED_TRACE(std::string(action.name));
    recording::Reset();
    platform::native::Reset();
    for (const char* function :
         {"RMC_ADDBARSERIES", "RMC_ADDCAPTION", "RMC_ADDDATAAXIS", "RMC_ADDGRID",
          "RMC_ADDGRIDLESSSERIES", "RMC_ADDLABELAXIS", "RMC_ADDLEGEND", "RMC_ADDREGION",
          "RMC_CREATECHART", "RMC_CREATECHARTFROMFILE", "RMC_DRAW", "RMC_DRAW2FILE",
          "RMC_DRAW2PRINTER", "RMC_WRITERMCFILE", "RMC_DELETECHART"}) {
      recording::PushResult(function, -1);
    }
    // Field n holds 40 + n, so the chart deleted names its field.
    std::string text;
    for (std::size_t n = 1; n <= action.fields.size(); ++n) {
      text += (n > 1 ? "|" : "") + std::to_string(40 + n);
    }
    const ActionResult result = host.Execute(action.actionId, text);
    if (action.statusVariable.empty()) {
      EXPECT_TRUE(result.variablesSet.empty());
      continue;
    }
    ASSERT_EQ(result.variablesSet.size(), 1u);
    EXPECT_EQ(result.variablesSet[0].name, action.statusVariable);
    EXPECT_NE(result.variablesSet[0].value, "Ok");
    // The deletions after the action's own engine call.
    std::vector<std::string> deleted;
    bool own = true;
    for (const recording::Call& call : recording::Calls()) {
      if (call.function == "RGB2ARGB") continue;
      if (!own && call.function == "RMC_DELETECHART") deleted.push_back(call.Text());
      own = false;
    }
    const std::optional<std::int32_t> chart = DeletedChart(std::string(action.name), text, result);
    if (action.deletesOnFailure) {
      ASSERT_EQ(deleted.size(), 1u);
      EXPECT_NE(deleted[0].find(std::to_string(40 + action.controlIdField)), std::string::npos)
          << deleted[0];
      EXPECT_EQ(chart, 40 + action.controlIdField);
    } else {
      EXPECT_TRUE(deleted.empty());
      EXPECT_EQ(chart, std::nullopt);
    }
  }
}

}  // namespace
}  // namespace vantiro::testhost
