// The host against a stand-in plug-in: what it copies out of the
// callbacks, what the runner prints, and the exit statuses of the command
// line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fake_plugin.h"
#include "testhost/cli/cli.h"
#include "testhost/core/host.h"
#include "testhost/core/listing.h"
#include "testhost/core/runner.h"
#include "testhost/core/suggest.h"

namespace vantiro::testhost {
namespace {

class TestHost : public testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  // Runs script text on a registered host; returns what was printed.
  std::string Run(const std::string& text, RunSummary* summary = nullptr) {
    Script script;
    ScriptError error;
    std::vector<ScriptError> unknown;
    EXPECT_TRUE(ParseScript(text, "t.vsc", script, error)) << error.ToString();
    EXPECT_TRUE(CheckActionNames(script, host, unknown)) << text;
    std::ostringstream out;
    RunSummary result = RunScript(script, host, out, {});
    if (summary != nullptr) *summary = result;
    return out.str();
  }

  Host host{fake::Plugin()};
};

TEST_F(TestHost, CopiesCatalogueRowsOutOfTheCallback) {
  host.Register();
  const std::vector<CatalogueRow>& rows = host.catalogue();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].actionId, 0);
  EXPECT_EQ(rows[0].name, "Tools");
  EXPECT_FALSE(rows[0].hint.has_value());
  EXPECT_EQ(rows[0].typeText, "ACTIONPARAM_NONE");
  EXPECT_EQ(rows[1].name, "fake_Remember");
  EXPECT_EQ(rows[1].hint, "Remember\r\nfake_Remember \"text\"");
  EXPECT_EQ(rows[1].typeText, "ACTIONPARAM_ALPHA");
  EXPECT_EQ(rows[1].paramCount, 1u);
  EXPECT_EQ(rows[1].paramCount2, 1u);
  EXPECT_FALSE(rows[3].hint.has_value());

  host.Register();  // a second registration replaces the first
  EXPECT_EQ(host.catalogue().size(), 5u);
  EXPECT_EQ(fake::Calls().registerCalls, 2);
}

TEST_F(TestHost, FindsActionsByExactNameOnly) {
  host.Register();
  ASSERT_NE(host.FindAction("fake_Echo"), nullptr);
  EXPECT_EQ(host.FindAction("fake_Echo")->actionId, 2);
  EXPECT_EQ(host.FindAction("fake_echo"), nullptr);
  EXPECT_EQ(host.FindAction("Tools"), nullptr);  // a heading is no action
  EXPECT_FALSE(host.Execute("Tools", std::string()).has_value());
  EXPECT_EQ(fake::Calls().execCalls, 0);
}

TEST_F(TestHost, InitCopiesAndReleasesTheHandedOverTexts) {
  PluginInfo info = host.Init();
  EXPECT_EQ(info.title, "Fake 1.0");
  EXPECT_EQ(info.publisher, "Nobody");
  EXPECT_FALSE(info.hint.has_value());
  EXPECT_EQ(fake::Calls().released, fake::Calls().handedOver);
}

TEST_F(TestHost, PassesElementZeroAsGivenAndRecordsTheSetsOfEachAction) {
  host.Register();
  ActionResult nullText = host.Execute(2, std::nullopt);
  ActionResult cut = host.Execute(2, std::string("a\0b", 3));
  ActionResult twice = *host.Execute("fake_Twice", std::string(" x "));
  ActionResult unknown = host.Execute(18, std::string("z"));

  EXPECT_EQ(fake::Calls().paramWasNull, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(fake::Calls().params[1], "a");  // the plug-in reads up to the NUL
  EXPECT_EQ(nullText.returned, 1u);
  ASSERT_EQ(nullText.variablesSet.size(), 1u);
  EXPECT_FALSE(nullText.variablesSet[0].value.has_value());
  EXPECT_EQ(cut.variablesSet[0].value, "a");
  ASSERT_EQ(twice.variablesSet.size(), 2u);
  EXPECT_EQ(twice.variablesSet[1].name, "B");
  EXPECT_EQ(twice.variablesSet[1].value, " x ");
  EXPECT_EQ(unknown.returned, 0u);
  EXPECT_TRUE(unknown.variablesSet.empty());

  EXPECT_EQ(host.Variable("B"), " x ");
  fake::SetVariableNow("Late", nullptr);  // outside any action
  ASSERT_EQ(host.strayVariableSets().size(), 1u);
  EXPECT_TRUE(host.HasVariable("Late"));  // a null value is an empty variable
  EXPECT_EQ(host.Variable("Late"), "");
  EXPECT_FALSE(host.HasVariable("Never"));
}

TEST_F(TestHost, PrintsEachStatusTheActionSet) {
  host.Register();
  host.SetVariable("HostWindow", "1");
  struct Case {
    std::string script;
    std::string printed;
    int notOk;
  };
  const Case cases[] = {
      {"fake_Echo Ok", "fake_EchoStatus = Ok\n", 0},
      {"fake_Echo", "t.vsc:1: fake_EchoStatus = <unset>\n", 1},
      {"fake_Echo \"\"", "t.vsc:1: fake_EchoStatus = <unset>\n", 1},
      {"fake_Echo  x", "t.vsc:1: fake_EchoStatus = \" x\"\n", 1},
      {"fake_Echo a\\b \"c\"", "t.vsc:1: fake_EchoStatus = a\\b \"c\"\n", 1},
      {"fake_Echo \"\\xCE\\r\\n\"", "t.vsc:1: fake_EchoStatus = \"\\xCE\\r\\n\"\n", 1},
      {"fake_Remember a|b", "", 0},
      {"fake_Twice Ok", "A = Ok\nB = Ok\n", 0},
      {"fake_Twice no", "A = Ok\nt.vsc:1: B = no\n", 1},
      {"# c\n\nfake_Twice no\n!exec 3 no",
       "A = Ok\nt.vsc:3: B = no\nnbExecAction(3) = 1\nA = Ok\nt.vsc:4: B = no\n", 2},
      {"!exec 18 x\n!exec 2 Ok",
       "nbExecAction(18) = 0\nnbExecAction(2) = 1\nfake_EchoStatus = Ok\n", 0},
      {"!set S hi there\nfake_Echo [S]!", "t.vsc:2: fake_EchoStatus = hi there!\n", 1},
      {"fake_Echo Ok\nfake_Echo [fake_EchoStatus]k",
       "fake_EchoStatus = Ok\nt.vsc:2: fake_EchoStatus = Okk\n", 1},
      {"!echo window [HostWindow], [none].", "window 1, .\n", 0},
  };
  for (const Case& c : cases) {
    RunSummary summary;
    EXPECT_EQ(Run(c.script, &summary), c.printed) << c.script;
    EXPECT_EQ(summary.notOk, c.notOk) << c.script;
  }
}

TEST_F(TestHost, AfterActionSeesEveryActionBeforeItsStatus) {
  host.Register();
  Script script;
  ScriptError error;
  ASSERT_TRUE(ParseScript("fake_Echo Ok\n!echo -\n!exec 9\n", "t.vsc", script, error));
  RunOptions options;
  options.verbose = true;
  options.afterAction = [](const ScriptLine& line, const ActionResult& result, std::ostream& out) {
    out << "after " << line.lineNumber << " id " << result.actionId << '\n';
  };
  std::ostringstream out;
  RunScript(script, host, out, options);
  EXPECT_EQ(out.str(),
            "t.vsc:1: fake_Echo \"Ok\"\nafter 1 id 2\nfake_EchoStatus = Ok\n"
            "t.vsc:2: !echo \"-\"\n-\n"
            "t.vsc:3: !exec 9 \"\"\nnbExecAction(9) = 0\nafter 3 id 9\n");
}

TEST_F(TestHost, ReportsEveryUnknownActionWithTheNearestNames) {
  host.Register();
  Script script;
  ScriptError error;
  ASSERT_TRUE(
      ParseScript("fake_Echo 1\n# c\nfake_ECHO 2\nBogus\nfake_Rmember\nfake_Eco\n"
                  "fake_Twice\nfake_Tw\n",
                  "x.vsc", script, error));
  std::vector<ScriptError> errors;
  EXPECT_FALSE(CheckActionNames(script, host, errors));
  std::vector<std::string> texts;
  for (const ScriptError& e : errors) texts.push_back(e.ToString());
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "x.vsc:3: unknown action 'fake_ECHO' (did you mean 'fake_Echo'?)",
                       "x.vsc:4: unknown action 'Bogus'",
                       "x.vsc:5: unknown action 'fake_Rmember' (did you mean 'fake_Remember'?)",
                       "x.vsc:6: unknown action 'fake_Eco' (did you mean 'fake_Echo'?)",
                       "x.vsc:8: unknown action 'fake_Tw' (did you mean 'fake_Twice'?)",
                   }));
}

TEST(TestHostSuggest, EditDistanceIgnoresCaseAndSuggestionsStayClose) {
  struct Case {
    std::string a, b;
    std::size_t distance;
  };
  const Case cases[] = {{"", "", 0},
                        {"abc", "", 3},
                        {"Draw", "draw", 0},
                        {"kitten", "sitting", 3},
                        {"AddRegon", "AddRegion", 1},
                        {"ab", "ba", 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " " << c.b;
    EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " " << c.a;
  }
  const std::vector<std::string> names = {"ae_Graph_Draw", "ae_Graph_Draw2File", "ae_Graph_AddGrid",
                                          "ae_Graph_AddRegion"};
  EXPECT_EQ(NearestNames("ae_graph_drow", names), (std::vector<std::string>{"ae_Graph_Draw"}));
  EXPECT_EQ(NearestNames("ae_Graph_AddGri", names), (std::vector<std::string>{"ae_Graph_AddGrid"}));
  EXPECT_TRUE(NearestNames("ae_Graph_Print", names).empty());
  EXPECT_EQ(DidYouMean({"a", "b", "c"}), " (did you mean 'a', 'b' or 'c'?)");
}

// The plug-in deletes the chart of a failed creation or content action;
// the host finds its control ID where the plug-in does.
TEST(TestHostDeletion, NamesTheChartAFailedActionDeleted) {
  struct Case {
    std::string action, text, status;
    std::optional<std::int32_t> deleted;
  };
  const std::string wrongId = "Wrong control ID (0 or no chart with this control ID was found).";
  const Case cases[] = {
      {"ae_Graph_AddRegion", "3|0|0|0|0|x|0", "Ok", std::nullopt},
      {"ae_Graph_AddRegion", "3|0|0|0|0|x|0", "Error", 3},
      {"ae_Graph_AddBarSeries", " 12.4|1", "The actual series exceeds", 12},
      {"ae_Graph_AddCaption", "&H10|x", "Error", 16},
      {"ae_Graph_AddLegend", "9|x", wrongId, std::nullopt},  // no chart to delete
      {"ae_Graph_CreateChart", "1|7|0|0|10|10", "Error on CtrlID Value", 7},
      {"ae_Graph_CreateChartfromFile", "1|4|0|0|0|a.rmc", "Error opening SourceFile.", 4},
      {"ae_Graph_Draw", "3", "Error", std::nullopt},  // drawing deletes nothing
      {"ae_Graph_WriteRMCFile", "3|x", "Error", std::nullopt},
  };
  for (const Case& c : cases) {
    ActionResult result;
    result.variablesSet.push_back({c.action + "Status", c.status});
    EXPECT_EQ(DeletedChart(c.action, c.text, result), c.deleted) << c.action << " " << c.text;
  }
}

TEST(TestHostListing, DecodesCodePage1251) {
  EXPECT_EQ(Cp1251ToUtf8("\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5 \xF4\xF3\xED\xEA\xF6\xE8\xE8"),
            "Основные функции");
  EXPECT_EQ(Cp1251ToUtf8("\xD1\xEE\xE7\xE4\xE0\xF2\xFC"), "Создать");
  EXPECT_EQ(Cp1251ToUtf8("a\x80\x98\xA8\xB9\xC0\xFF"), "aЂ\uFFFDЁ№Ая");
}

TEST(TestHostListing, ShowsHeadingsAsSectionsAndHintLines) {
  fake::Reset();
  Host host(fake::Plugin());
  host.Register();
  std::ostringstream out;
  PrintCatalogue(host.Init(), host.catalogue(), out);
  EXPECT_EQ(out.str(),
            "Title:     Fake 1.0\nPublisher: Nobody\nHint:      <none>\n"
            "\nTools\n=====\n"
            "   1  fake_Remember  (ACTIONPARAM_ALPHA, 1 parameter)\n"
            "        Remember\n        fake_Remember \"text\"\n"
            "   2  fake_Echo  (ACTIONPARAM_ALPHA, 1 parameter)\n        Echo\n"
            "   3  fake_Twice  (ACTIONPARAM_ALPHA, 1 parameter)\n"
            "\nР\n=\n        Ос\n");
}

// The command line, with the stand-in plug-in and scripts written to files.
class TestHostCli : public testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    platform.programName = "host";
    platform.loadPlugin = [](const std::string& path, std::string& error) {
      if (!path.empty()) {
        error = "cannot load " + path;
        return std::unique_ptr<PluginModule>();
      }
      return PluginModule::Bind(fake::Plugin());
    };
    platform.createHostWindow = [] { return std::uintptr_t{42}; };
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = "testhost-cli-" + name + ".vsc";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  int Cli(std::vector<std::string> args, const std::string& input = {}) {
    out.str("");
    err.str("");
    std::istringstream in(input);
    return RunCli(args, platform, out, err, in);
  }

  CliPlatform platform;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(TestHostCli, ExitStatuses) {
  std::string ok = Write("ok", "fake_Echo Ok\nfake_Remember x\n");
  std::string notOk = Write("notok", "fake_Echo Ok\nfake_Echo Failed\nfake_Echo Ok\n");
  std::string unknown = Write("unknown", "fake_Echo Ok\n\nfake_Nothing 1\n");
  std::string badQuote = Write("badquote", "# c\nfake_Echo \"open\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errorText;  // expected in the error output
  };
  const Case cases[] = {
      {{ok}, kExitOk, ""},
      {{"--strict", ok}, kExitOk, ""},
      {{notOk}, kExitOk, ""},
      {{"--strict", notOk}, kExitNotOk, ""},
      {{ok, "--strict", notOk}, kExitNotOk, ""},
      {{unknown}, kExitScriptError, unknown + ":3: unknown action 'fake_Nothing'"},
      {{ok, badQuote}, kExitScriptError, badQuote + ":2: missing closing quote"},
      {{"missing.vsc"}, kExitScriptError, "host: cannot read the script missing.vsc: no such file"},
      {{"."}, kExitScriptError, "host: cannot read the script .: is a folder"},
      {{}, kExitScriptError, "no script given"},
      {{"--frob", ok}, kExitScriptError, "host: unknown option --frob (see --help)\n"},
      {{"--strickt", ok},
       kExitScriptError,
       "host: unknown option --strickt (did you mean '--strict'?) (see --help)\n"},
      {{"-x", ok}, kExitScriptError, "host: unknown option -x (see --help)\n"},
      {{"--quiet", "--verbose", ok}, kExitScriptError, "cannot be used together"},
      {{"-h"}, kExitOk, ""},
      {{"--version"}, kExitOk, ""},
      {{"--strict=1", ok}, kExitScriptError, "--strict takes no value"},
      {{"--printer", "x.pdf", ok}, kExitScriptError, "--printer is not available in host"},
      {{"--plugin", "x.dll", ok}, kExitScriptError, "--plugin is not available in host"},
      {{"--help"}, kExitOk, ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    EXPECT_EQ(Cli(c.args), c.status) << joined;
    if (c.errorText.empty()) {
      EXPECT_EQ(err.str(), "") << joined;
    } else {
      EXPECT_NE(err.str().find(c.errorText), std::string::npos) << joined << ": " << err.str();
    }
  }
}

TEST_F(TestHostCli, AScriptErrorStopsBeforeTheFirstAction) {
  std::string ok = Write("first", "fake_Echo Ok\n");
  std::string unknown = Write("second", "fake_Echo Ok\nfake_Nothing\n");
  EXPECT_EQ(Cli({ok, unknown}), kExitScriptError);
  EXPECT_EQ(fake::Calls().execCalls, 0);
  EXPECT_EQ(out.str(), "");
}

TEST_F(TestHostCli, ReportsProblemsWithTheirLinesQuietlyAndSummedUp) {
  std::string mixed = Write("mixed", "fake_Echo Ok\n!echo hello\nfake_Echo Bad\nfake_Twice no\n");
  std::string unknown = Write("unknowns", "fake_Ech\nfake_Echo Ok\nfake_Twise\n");
  platform.afterAction = [](const ScriptLine&, const ActionResult&, std::ostream& o) {
    o << "  call\n";
  };
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string printed;
    std::string errors;
  };
  const std::string bad = mixed + ":3: fake_EchoStatus = Bad\n";
  const std::string no = mixed + ":4: B = no\n";
  const Case cases[] = {
      {{mixed},
       "",
       kExitOk,
       "  call\nfake_EchoStatus = Ok\nhello\n  call\n" + bad + "  call\nA = Ok\n" + no,
       ""},
      {{"--quiet", mixed}, "", kExitOk, bad + no, ""},
      {{"--quiet", "--strict", mixed},
       "",
       kExitNotOk,
       bad + no + "host: 3 actions run, 2 not Ok, the first at " + mixed + ":3\n",
       ""},
      {{"--strict", "-"},
       "fake_Echo Ok\n",
       kExitOk,
       "  call\nfake_EchoStatus = Ok\nhost: 1 action run, all Ok\n",
       ""},
      {{"--quiet", "-", "--", "-"},
       "fake_Echo x\n",
       kExitOk,
       "<stdin>:1: fake_EchoStatus = x\n",
       ""},
      {{"-"},
       "fake_Echo Ok\nfake_Nope\n",
       kExitScriptError,
       "",
       "host: <stdin>:2: unknown action 'fake_Nope'\n"},
      {{unknown, "missing.vsc", mixed},
       "",
       kExitScriptError,
       "",
       "host: " + unknown + ":1: unknown action 'fake_Ech' (did you mean 'fake_Echo'?)\n" +
           "host: " + unknown + ":3: unknown action 'fake_Twise' (did you mean 'fake_Twice'?)\n" +
           "host: cannot read the script missing.vsc: no such file\n"},
      {{"--version"}, "", kExitOk, "host " + std::string(kHostVersion) + "\n", ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    EXPECT_EQ(Cli(c.args, c.input), c.status) << joined;
    EXPECT_EQ(out.str(), c.printed) << joined;
    EXPECT_EQ(err.str(), c.errors) << joined;
  }
  EXPECT_EQ(Cli({"-h"}), kExitOk);
  EXPECT_EQ(out.str().rfind("Usage: host [options] SCRIPT...\n", 0), 0u);
  EXPECT_NE(out.str().find("--quiet"), std::string::npos);
}

TEST_F(TestHostCli, RunsScriptsInOrderOnOneHost) {
  std::string first = Write("a", "!set Kept yes\r\nfake_Echo [HostWindow]\r\n");
  std::string second = Write("b", "fake_Echo [Kept]\n");
  EXPECT_EQ(Cli({"--", first, second}), kExitOk);
  EXPECT_EQ(out.str(),
            first + ":2: fake_EchoStatus = 42\n" + second + ":1: fake_EchoStatus = yes\n");
}

TEST_F(TestHostCli, OptionsOfThePlatform) {
  std::string folder;
  std::string pdf;
  platform.offersPluginOption = true;
  platform.setSnapshotFolder = [&folder](const std::string& f, std::string&) {
    folder = f;
    return true;
  };
  platform.openPrinter = [&pdf](const std::string& p, std::string& error) {
    pdf = p;
    error = "no printer";
    return false;
  };
  std::string ok = Write("opts", "fake_Echo Ok\n");
  EXPECT_EQ(Cli({"--snapshot=testhost-snapshots", ok}), kExitOk);
  EXPECT_EQ(folder, "testhost-snapshots");
  EXPECT_EQ(Cli({"--printer", "p.pdf", ok}), kExitScriptError);
  EXPECT_EQ(pdf, "p.pdf");
  EXPECT_EQ(err.str(), "host: no printer\n");
  EXPECT_EQ(Cli({"--plugin", "other.dll", ok}), kExitScriptError);
  EXPECT_EQ(err.str(), "host: cannot load other.dll\n");
  EXPECT_EQ(Cli({"--help"}), kExitOk);
  EXPECT_NE(out.str().find("--plugin PATH"), std::string::npos);
  EXPECT_NE(out.str().find("--snapshot DIR"), std::string::npos);
}

TEST_F(TestHostCli, TheEngineReasonFollowsOnlyAStatusThatIsNotOk) {
  int taken = 0;
  platform.takeEngineFailure = [&taken] { return "reason " + std::to_string(++taken); };
  std::string script = Write("reason", "fake_Echo Ok\nfake_Echo Failed\n");
  EXPECT_EQ(Cli({script}), kExitOk);
  // Taken before and after each action: the second action's own is the 4th.
  EXPECT_EQ(out.str(), "fake_EchoStatus = Ok\n" + script +
                           ":2: fake_EchoStatus = Failed\n  reason: reason 4\n");
}

TEST_F(TestHostCli, WatchRunsTheScriptAgainWhenItIsSaved) {
  std::string script = Write("watch", "fake_Echo first\n");
  int waits = 0;
  platform.wait = [&](int milliseconds) {
    EXPECT_EQ(milliseconds, 200);
    if (++waits == 1) Write("watch", "fake_Echo second one\n");
    return waits < 3;  // a bounded watch: the third look ends it
  };
  EXPECT_EQ(Cli({"--watch", script}), kExitOk);
  EXPECT_EQ(out.str(), "--- run 1 ---\n" + script + ":1: fake_EchoStatus = first\n--- run 2 ---\n" +
                           script + ":1: fake_EchoStatus = second one\n");
  EXPECT_EQ(Cli({"--watch", "-"}), kExitScriptError);
  EXPECT_EQ(err.str(), "host: --watch needs script files, not standard input (see --help)\n");
}

TEST_F(TestHostCli, ListsTheCatalogueWithoutAScript) {
  EXPECT_EQ(Cli({"--list"}), kExitOk);
  EXPECT_NE(out.str().find("   2  fake_Echo  (ACTIONPARAM_ALPHA, 1 parameter)\n"),
            std::string::npos);
  EXPECT_EQ(fake::Calls().execCalls, 0);
}

}  // namespace
}  // namespace vantiro::testhost
