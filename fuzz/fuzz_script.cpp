// Arbitrary bytes as a test-host script: read as a file is read (UTF-8 or
// the code page), parsed and checked without running. Checks what must hold
// for any script: the checker's warnings name lines of the script in line
// order, the quoted form of any bytes reads back as those bytes, and the
// fields of a text rebuild the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "testhost/core/action_facts.h"
#include "testhost/core/check.h"
#include "testhost/core/script.h"

namespace {

using namespace vantiro::testhost;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  ScriptReading reading;
  reading.advice = CodePageAdvice::kOption;
  Script script;
  std::vector<ScriptError> warnings;
  ScriptError error;
  if (ParseScriptFile(bytes, "f.vsc", reading, script, warnings, error)) {
    CheckOptions options;
    options.fileExists = [](const std::string&) { return false; };
    int last = 0;
    for (const Warning& warning : CheckScript(script, options)) {
      Check(warning.lineNumber >= last && warning.lineNumber >= 1);
      Check(warning.field >= 0);
      last = warning.lineNumber;
    }
    if (!script.lines.empty()) Check(last <= script.lines.back().lineNumber);
  }

  // The quoted form reads back byte for byte, "[" included.
  std::string message;
  const auto line = ParseScriptLine("!echo " + QuoteScriptText(bytes), 1, message);
  Check(line.has_value() && message.empty());
  Check(line->text.Resolve([](const std::string&) { return std::string("?"); }) == bytes);

  // Fields rebuild the text up to its first NUL.
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  std::string rebuilt;
  const std::vector<std::string_view> fields = SplitFields(bytes, '|');
  for (std::size_t i = 0; i < fields.size(); ++i) {
    rebuilt += (i > 0 ? "|" : "") + std::string(fields[i]);
  }
  Check(rebuilt == text);
  return 0;
}
