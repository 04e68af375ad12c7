// Script syntax: every parameter text the plug-in accepts must be writable,
// and bad lines must be refused with their line number.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "testhost/core/script.h"

namespace vantiro::testhost {
namespace {

using Kind = ScriptLine::Kind;

std::string Resolve(const ScriptText& text) {
  static const std::map<std::string, std::string> variables = {
      {"HostWindow", "77"}, {"v", "X"}, {"two words", "2w"}};
  return text.Resolve([](const std::string& name) {
    auto found = variables.find(name);
    return found == variables.end() ? std::string() : found->second;
  });
}

struct LineCase {
  const char* what;
  std::string line;
  Kind kind;
  std::string name;
  std::string text;  // after substitution
  std::int32_t actionId = 0;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.what; }

class TestHostScriptLines : public testing::TestWithParam<LineCase> {};

TEST_P(TestHostScriptLines, ParsesNameAndText) {
  const LineCase& c = GetParam();
  std::string error;
  std::optional<ScriptLine> line = ParseScriptLine(c.line, 5, error);
  ASSERT_TRUE(line.has_value()) << error;
  EXPECT_EQ(error, "");
  EXPECT_EQ(line->kind, c.kind);
  EXPECT_EQ(line->lineNumber, 5);
  EXPECT_EQ(line->name, c.name);
  EXPECT_EQ(Resolve(line->text), c.text);
  EXPECT_EQ(line->actionId, c.actionId);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TestHostScriptLines,
    testing::Values(
        LineCase{"raw", "ae_Graph_Draw 1", Kind::kAction, "ae_Graph_Draw", "1"},
        LineCase{"raw fields", "A 1|2||x y", Kind::kAction, "A", "1|2||x y"},
        LineCase{"one separator only", "A   x  ", Kind::kAction, "A", "  x  "},
        LineCase{"tab separator", "A\tx\ty", Kind::kAction, "A", "x\ty"},
        LineCase{"tab after blank", "A \tx", Kind::kAction, "A", "\tx"},
        LineCase{"crlf", "A 1|2\r", Kind::kAction, "A", "1|2"},
        LineCase{"one cr dropped", "A x\r\r", Kind::kAction, "A", "x\r"},
        LineCase{"inner cr kept", "A \rx", Kind::kAction, "A", "\rx"},
        LineCase{"high bytes raw", "A \xCE\xF1|\xFF", Kind::kAction, "A", "\xCE\xF1|\xFF"},
        LineCase{"name alone", "A", Kind::kAction, "A", ""},
        LineCase{"name and separator", "A ", Kind::kAction, "A", ""},
        LineCase{"one blank text", "A  ", Kind::kAction, "A", " "},
        LineCase{"indented", "  \tA x", Kind::kAction, "A", "x"},
        LineCase{"quote inside raw", "A a\"b\"", Kind::kAction, "A", "a\"b\""},
        LineCase{"hash inside raw", "A #1", Kind::kAction, "A", "#1"},
        LineCase{"quoted", "A \"a|b\"", Kind::kAction, "A", "a|b"},
        LineCase{"quoted empty", "A \"\"", Kind::kAction, "A", ""},
        LineCase{"quoted blanks", "A \"  x  \" \t", Kind::kAction, "A", "  x  "},
        LineCase{"quoted escapes", "A \"\\\\\\\"\\t\\r\\n\\x41\\xfF\"", Kind::kAction, "A",
                 "\\\"\t\r\n\x41\xFF"},
        LineCase{"quoted nul", "A \"a\\x00b\"", Kind::kAction, "A", std::string("a\0b", 3)},
        LineCase{"quoted cr at end", "A \"x\\r\"\r", Kind::kAction, "A", "x\r"},
        LineCase{"variable", "A [HostWindow]|1", Kind::kAction, "A", "77|1"},
        LineCase{"unknown variable", "A <[nope]>", Kind::kAction, "A", "<>"},
        LineCase{"variable with blank", "A [two words]", Kind::kAction, "A", "2w"},
        LineCase{"adjacent variables", "A [v][v]", Kind::kAction, "A", "XX"},
        LineCase{"nested brackets", "A [[v]]", Kind::kAction, "A", "[X]"},
        LineCase{"no variable", "A [] ] [a", Kind::kAction, "A", "[] ] [a"},
        LineCase{"escaped bracket", "A \"\\[v]|[v]\"", Kind::kAction, "A", "[v]|X"},
        LineCase{"quoted variable", "A \"[HostWindow]\"", Kind::kAction, "A", "77"},
        LineCase{"set", "!set Name some  text", Kind::kSet, "Name", "some  text"},
        LineCase{"set empty", "!set Name", Kind::kSet, "Name", ""},
        LineCase{"echo", "!echo [v] \"q\"", Kind::kEcho, "", "X \"q\""},
        LineCase{"exec", "!exec 18 abc", Kind::kExec, "", "abc", 18},
        LineCase{"exec negative", "!exec -1", Kind::kExec, "", "", -1},
        LineCase{"exec quoted", "!exec 1 \" a\"", Kind::kExec, "", " a", 1}),
    [](const testing::TestParamInfo<LineCase>& param) {
      std::string name = param.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(TestHostScriptLine, SkipsBlankAndCommentLines) {
  for (std::string line : {"", "   ", "\t", "\r", "# comment", "  # indented", "#"}) {
    std::string error = "stale";
    EXPECT_FALSE(ParseScriptLine(line, 1, error).has_value()) << line;
    EXPECT_EQ(error, "") << line;
  }
}

TEST(TestHostScriptLine, RefusesBadLines) {
  struct Bad {
    std::string line;
    std::string message;
  };
  const Bad cases[] = {
      {"A \"abc", "missing closing quote"},
      {"A \"abc\\\"", "missing closing quote"},
      {"A \"abc\\", "missing closing quote"},
      {"A \"a\" b", "text after the closing quote"},
      {"A \"\\q\"", "unknown escape \\q"},
      {"A \"\\x4\"", "\\x needs two hexadecimal digits"},
      {"A \"\\xZZ\"", "\\x needs two hexadecimal digits"},
      {"!frob x", "unknown directive '!frob' (known: !set, !echo, !exec)"},
      {"!set", "!set needs a variable name"},
      {"!exec abc", "!exec needs an ActionId (a 32-bit integer), not 'abc'"},
      {"!exec 2147483648", "!exec needs an ActionId (a 32-bit integer), not '2147483648'"},
      {"!exec", "!exec needs an ActionId (a 32-bit integer), not ''"},
  };
  for (const Bad& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseScriptLine(c.line, 1, error).has_value()) << c.line;
    EXPECT_EQ(error, c.message) << c.line;
  }
}

TEST(TestHostScript, NumbersLinesAndStopsAtTheFirstBadOne) {
  Script script;
  ScriptError error;
  ASSERT_TRUE(ParseScript("# head\r\n\r\nA 1\r\n  \nB \"x\"\nC", "s.vsc", script, error));
  ASSERT_EQ(script.lines.size(), 3u);
  EXPECT_EQ(script.fileName, "s.vsc");
  EXPECT_EQ(script.lines[0].lineNumber, 3);
  EXPECT_EQ(Resolve(script.lines[0].text), "1");
  EXPECT_EQ(script.lines[1].lineNumber, 5);
  EXPECT_EQ(script.lines[2].lineNumber, 6);

  ASSERT_FALSE(ParseScript("A 1\n\nB \"open\nC 2\n", "bad.vsc", script, error));
  EXPECT_EQ(error.ToString(), "bad.vsc:3: missing closing quote");
}

TEST(TestHostScript, UnreadableScriptIsAnErrorOfTheFileWithItsReason) {
  namespace fs = std::filesystem;
  const std::string folder = "testhost-script-folder.vsc";
  const std::string locked = "testhost-script-locked.vsc";
  fs::create_directories(folder);
  std::ofstream(locked) << "A 1\n";
  fs::permissions(locked, fs::perms::none);
  // Only where permissions bind (not as root, not on Windows).
  const bool lockedBinds = !std::ifstream(locked).is_open();
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {"no/such/script.vsc", "no such file"},
      {folder, "is a folder"},
      {locked, "permission denied"},
  };
  for (const auto& c : cases) {
    if (c.path == locked && !lockedBinds) continue;
    Script script;
    ScriptError error;
    EXPECT_FALSE(LoadScript(c.path, script, error)) << c.path;
    EXPECT_EQ(error.ToString(), "cannot read the script " + c.path + ": " + c.reason);
  }
  fs::permissions(locked, fs::perms::owner_all);
  fs::remove(locked);
}

TEST(TestHostScript, QuotedFormCarriesEveryByte) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  for (const std::string& text : {all, std::string(), std::string(" [v] "), std::string("\r")}) {
    std::string quoted = QuoteScriptText(text);
    std::string error;
    std::optional<ScriptLine> line = ParseScriptLine("A " + quoted, 1, error);
    ASSERT_TRUE(line.has_value()) << error;
    EXPECT_EQ(Resolve(line->text), text);
  }
  EXPECT_EQ(QuoteScriptText("Ok"), "\"Ok\"");
  EXPECT_EQ(QuoteScriptText("a\r\n\xCE[\"\\"), "\"a\\r\\n\\xCE\\[\\\"\\\\\"");
}

// Script files in UTF-8 reach the plug-in in its code page; the encoding is
// told by a mark, by the bytes, or by --encoding.
TEST(ScriptEncoding, ConvertsToTheCodePage) {
  const std::string cyrillicUtf8 = "ae_Graph_AddCaption 1|1|\xD0\x9F\xD1\x80\xD0\xBE|";
  const std::string cyrillic1251 = "ae_Graph_AddCaption 1|1|\xCF\xF0\xEE|";
  struct Case {
    const char* what;
    std::string file;
    ScriptEncoding encoding;
    int codePage;
    std::string bytes;  // as the plug-in gets them
    int warningLine;    // 0: none
  } cases[] = {
      {"mark dropped",
       "\xEF\xBB\xBF"
       "ae_Graph_Draw 1\n",
       ScriptEncoding::kDetect, 1252, "ae_Graph_Draw 1\n", 0},
      {"UTF-8 found by its bytes", cyrillicUtf8, ScriptEncoding::kDetect, 1251, cyrillic1251, 0},
      {"code page bytes kept", cyrillic1251, ScriptEncoding::kDetect, 1251, cyrillic1251, 0},
      {"forced code page", cyrillicUtf8, ScriptEncoding::kCodePage, 1251, cyrillicUtf8, 0},
      {"UTF-8 to UTF-8", cyrillicUtf8, ScriptEncoding::kUtf8, 65001, cyrillicUtf8, 0},
      {"unmappable on line 2", "# \xD0\x9F\n" + cyrillicUtf8, ScriptEncoding::kDetect, 1252,
       "# ?\nae_Graph_AddCaption 1|1|???|", 2},
  };
  for (const Case& c : cases) {
    std::string out;
    std::vector<ScriptError> warnings;
    ScriptError error;
    ASSERT_TRUE(ToScriptCodePage(c.file, c.encoding, c.codePage, "s.vsc", out, warnings, error))
        << c.what;
    EXPECT_EQ(out, c.bytes) << c.what;
    ASSERT_EQ(warnings.size(), c.warningLine == 0 ? 0U : 1U) << c.what;
    if (c.warningLine != 0) {
      EXPECT_EQ(warnings[0].lineNumber, c.warningLine) << c.what;
    }
  }
  std::string out;
  std::vector<ScriptError> warnings;
  ScriptError error;
  EXPECT_FALSE(ToScriptCodePage("ae_Graph_Draw 1\nx \xCF\n", ScriptEncoding::kUtf8, 1251, "s.vsc",
                                out, warnings, error));
  EXPECT_EQ(error.lineNumber, 2);
  EXPECT_FALSE(ToScriptCodePage(std::string("\xFF\xFE"
                                            "a",
                                            3),
                                ScriptEncoding::kDetect, 1252, "s.vsc", out, warnings, error));
}

// A character sent as "?" comes with the code page that holds it, in the
// words of the program.
TEST(ScriptEncoding, AdvisesTheCodePageThatHoldsTheCharacters) {
  const struct {
    std::string line;
    CodePageAdvice advice;
    const char* says;
  } cases[] = {
      {"!echo \xD0\x9F\xD1\x80\xD0\xBE", CodePageAdvice::kOption,
       "3 characters that code page 1252 cannot hold, sent as \"?\"; they are Cyrillic: run with "
       "--codepage 1251"},
      {"!echo \xC5\x82\xC3\xB3\x64\xC5\xBA", CodePageAdvice::kOption,
       "they are Central European: run with --codepage 1250"},
      {"!echo \xE4\xB8\xAD", CodePageAdvice::kOption, "run with --codepage 65001 (UTF-8)"},
      {"!echo \xD0\x9F", CodePageAdvice::kSystem,
       "run on a system whose ANSI code page is 1251 (under Wine: LANG=ru_RU.UTF-8)"},
      {"!echo \xD0\x9F", CodePageAdvice::kNone, "sent as \"?\""},
  };
  for (const auto& c : cases) {
    std::string out;
    std::vector<ScriptError> warnings;
    ScriptError error;
    ASSERT_TRUE(ToScriptCodePage(c.line, ScriptEncoding::kUtf8, 1252, "s.vsc", out, warnings, error,
                                 c.advice));
    ASSERT_EQ(warnings.size(), 1U) << c.line;
    EXPECT_NE(warnings[0].message.find(c.says), std::string::npos) << warnings[0].message;
  }
}

}  // namespace
}  // namespace vantiro::testhost
