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
  // The same text without a copy where it has no variable: the literal
  // itself, else Resolve's text kept in `resolved`.
  const std::string& Resolve(const std::function<std::string(const std::string&)>& lookup,
                             std::string& resolved) const;
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

// The character encoding of a script file. The plug-in takes texts in the
// code page of the engine, so a script saved as UTF-8 is converted to that
// code page before it is parsed. How the encoding is chosen:
//   1. a UTF-8 byte-order mark at the start: UTF-8 (the mark is dropped);
//   2. otherwise --encoding, if given: utf-8, or codepage (bytes as they are);
//   3. otherwise bytes that are valid UTF-8 with at least one character
//      beyond ASCII: UTF-8; any other file is in the code page already.
enum class ScriptEncoding {
  kDetect,    // by mark, then by content
  kUtf8,      // --encoding utf-8
  kCodePage,  // --encoding codepage
};

// What a warning of characters sent as "?" advises: nothing, the code page
// option of the native hosts (--codepage 1251), or the system's code page
// (Windows, where programs take the system's ANSI code page).
enum class CodePageAdvice { kNone, kOption, kSystem };

// "utf-8" (also "utf8"), "codepage"; false for any other name.
bool ParseScriptEncoding(std::string_view name, ScriptEncoding& encoding);

// The bytes of a script file as the plug-in should read them, in
// `codePage`. A line with characters the code page cannot hold gets a
// warning, and each of them becomes "?"; the warning names the code page
// that holds them (1250, 1251 or 1252), as `advice` says. False, with `error`
// set, for a UTF-16 file or for UTF-8 asked for by --encoding that is not
// valid.
bool ToScriptCodePage(std::string_view fileBytes, ScriptEncoding encoding, int codePage,
                      const std::string& fileName, std::string& out,
                      std::vector<ScriptError>& warnings, ScriptError& error,
                      CodePageAdvice advice = CodePageAdvice::kNone);

// How a script file's bytes are read.
struct ScriptReading {
  ScriptEncoding encoding = ScriptEncoding::kDetect;
  int codePage = 1252;  // the code page the plug-in's texts are in
  CodePageAdvice advice = CodePageAdvice::kNone;
};

// Converts a script file's bytes (ToScriptCodePage) and parses them; the
// warnings of the conversion are added to `warnings`.
bool ParseScriptFile(std::string_view fileBytes, const std::string& fileName,
                     const ScriptReading& reading, Script& script,
                     std::vector<ScriptError>& warnings, ScriptError& error);

// Reads, converts and parses a script file; a file that cannot be read
// gives "cannot read the script PATH: reason".
bool LoadScript(const std::string& path, Script& script, ScriptError& error,
                const ScriptReading& reading = {}, std::vector<ScriptError>* warnings = nullptr);

}  // namespace vantiro::testhost
