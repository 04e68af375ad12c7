// Scripts of the test host: one action per line, its name and then its
// parameter text.
//
//   Name rest of line       the rest after one blank or TAB, taken as it is
//   Name "quoted text"      with escapes \\ \" \t \r \n \xHH \[
//   Name                    the empty text
//   # comment               (first non-blank character "#"); blank lines too
//   !set NAME text          sets a host variable (text as for an action)
//   !echo text              prints the text
//   !exec ID text           runs an action by its ActionId, known or not
//
// A trailing CR (CRLF files) is dropped; any other byte is kept, so TABs,
// blanks at either end and bytes above 127 reach the plug-in unchanged.
// "[name]" in a text is replaced, when the line runs, by the host variable
// of that name (the empty text for an unknown one); "\[" in the quoted form
// is a literal "[".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::testhost {

// A parameter text as written: literal bytes and "[variable]" references,
// resolved only when the line runs.
struct ScriptText {
  struct Piece {
    bool isVariable = false;
    std::string bytes;  // the literal bytes, or the variable's name
  };
  std::vector<Piece> pieces;

  // The text with every variable replaced by `lookup(name)`.
  std::string Resolve(const std::function<std::string(const std::string&)>& lookup) const;
};

struct ScriptLine {
  enum class Kind : std::uint8_t {
    kAction,  // `name` is the action's name
    kSet,     // `name` is the variable's name
    kEcho,
    kExec,  // `actionId` selects the action
  };
  Kind kind = Kind::kAction;
  int lineNumber = 0;
  std::string name;
  std::int32_t actionId = 0;
  ScriptText text;
};

struct Script {
  std::string fileName;
  std::vector<ScriptLine> lines;
};

struct ScriptError {
  std::string fileName;  // empty when the message names the file itself
  int lineNumber = 0;    // 0: the file as a whole
  std::string message;

  std::string ToString() const;  // "file:line: message"
};

// Parses one line (without its line break; a trailing CR is dropped here).
// Nullopt for a blank or comment line, and for a bad line, which also sets
// `error` (left empty otherwise).
std::optional<ScriptLine> ParseScriptLine(std::string_view line, int lineNumber,
                                          std::string& error);

// Parses a whole script; the first bad line ends parsing with an error.
bool ParseScript(std::string_view bytes, const std::string& fileName, Script& script,
                 ScriptError& error);

// The quoted form of `bytes` ("..." with escapes), which parses back to the
// same bytes.
std::string QuoteScriptText(std::string_view bytes);

// Reads and parses a script file; a file that cannot be read gives
// "cannot read the script PATH: reason".
bool LoadScript(const std::string& path, Script& script, ScriptError& error);

}  // namespace vantiro::testhost
