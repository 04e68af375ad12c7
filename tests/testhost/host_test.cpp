// The host against a stand-in plug-in: what it copies out of the
// callbacks, what the runner prints, and the exit statuses of the command
// line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fake_plugin.h"
#include "testhost/cli.h"
#include "testhost/host.h"
#include "testhost/listing.h"
#include "testhost/runner.h"

namespace vantiro::testhost {
namespace {

class TestHost : public testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  // Runs script text on a registered host; returns what was printed.
  std::string Run(const std::string& text, RunSummary* summary = nullptr) {
    Script script;
    ScriptError error;
    EXPECT_TRUE(ParseScript(text, "t.vsc", script, error)) << error.ToString();
    EXPECT_TRUE(CheckActionNames(script, host, error)) << error.ToString();
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
      {"fake_Echo", "fake_EchoStatus = <unset>\n", 1},
      {"fake_Echo \"\"", "fake_EchoStatus = <unset>\n", 1},
      {"fake_Echo  x", "fake_EchoStatus = \" x\"\n", 1},
      {"fake_Echo a\\b \"c\"", "fake_EchoStatus = a\\b \"c\"\n", 1},
      {"fake_Echo \"\\xCE\\r\\n\"", "fake_EchoStatus = \"\\xCE\\r\\n\"\n", 1},
      {"fake_Remember a|b", "", 0},
      {"fake_Twice Ok", "A = Ok\nB = Ok\n", 0},
      {"fake_Twice no", "A = Ok\nB = no\n", 1},
      {"!exec 18 x\n!exec 2 Ok",
       "nbExecAction(18) = 0\nnbExecAction(2) = 1\nfake_EchoStatus = Ok\n", 0},
      {"!set S hi there\nfake_Echo [S]!", "fake_EchoStatus = hi there!\n", 1},
      {"fake_Echo Ok\nfake_Echo [fake_EchoStatus]k",
       "fake_EchoStatus = Ok\nfake_EchoStatus = Okk\n", 1},
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

TEST_F(TestHost, UnknownActionNamesItsLine) {
  host.Register();
  Script script;
  ScriptError error;
  ASSERT_TRUE(ParseScript("fake_Echo 1\n# c\nfake_ECHO 2\n", "x.vsc", script, error));
  EXPECT_FALSE(CheckActionNames(script, host, error));
  EXPECT_EQ(error.ToString(), "x.vsc:3: unknown action 'fake_ECHO' (did you mean 'fake_Echo'?)");
  ASSERT_TRUE(ParseScript("Bogus\n", "y.vsc", script, error));
  EXPECT_FALSE(CheckActionNames(script, host, error));
  EXPECT_EQ(error.ToString(), "y.vsc:1: unknown action 'Bogus'");
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

  int Cli(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunCli(args, platform, out, err);
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
      {{"missing.vsc"}, kExitScriptError, "missing.vsc: cannot read the script: no such file"},
      {{"."}, kExitScriptError, ".: cannot read the script: is a folder"},
      {{}, kExitScriptError, "no script given"},
      {{"--frob", ok}, kExitScriptError, "unknown option --frob"},
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

TEST_F(TestHostCli, RunsScriptsInOrderOnOneHost) {
  std::string first = Write("a", "!set Kept yes\r\nfake_Echo [HostWindow]\r\n");
  std::string second = Write("b", "fake_Echo [Kept]\n");
  EXPECT_EQ(Cli({"--", first, second}), kExitOk);
  EXPECT_EQ(out.str(), "fake_EchoStatus = 42\nfake_EchoStatus = yes\n");
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

TEST_F(TestHostCli, ListsTheCatalogueWithoutAScript) {
  EXPECT_EQ(Cli({"--list"}), kExitOk);
  EXPECT_NE(out.str().find("   2  fake_Echo  (ACTIONPARAM_ALPHA, 1 parameter)\n"),
            std::string::npos);
  EXPECT_EQ(fake::Calls().execCalls, 0);
}

}  // namespace
}  // namespace vantiro::testhost
