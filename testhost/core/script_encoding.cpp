// Script files in UTF-8 or in the engine's code page.
#include "testhost/core/script.h"

#include <cstddef>

#include "text/code_page.h"

namespace vantiro::testhost {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A comment line, which reaches no action: a "?" in it harms nothing.
bool IsComment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '#';
}

// The code page, of those the plug-in's hosts offer, that holds every
// character of `line`, with its name; 0 when none does.
struct Holder {
  int codePage;
  const char* name;
};
Holder CodePageHolding(std::string_view line, int current) {
  static constexpr Holder kCandidates[] = {
      {1251, "Cyrillic"}, {1250, "Central European"}, {1252, "Western"}};
  for (const Holder& candidate : kCandidates) {
    if (candidate.codePage == current) continue;
    std::size_t unmappable = 0;
    text::FromUtf8(line, candidate.codePage, &unmappable);
    if (unmappable == 0) return candidate;
  }
  return {0, ""};
}

std::string Advice(std::string_view line, int codePage, CodePageAdvice advice) {
  if (advice == CodePageAdvice::kNone) return {};
  const Holder holder = CodePageHolding(line, codePage);
  if (advice == CodePageAdvice::kOption) {
    if (holder.codePage == 0) return "; run with --codepage 65001 (UTF-8) to keep them";
    return std::string("; they are ") + holder.name + ": run with --codepage " +
           std::to_string(holder.codePage);
  }
  if (holder.codePage == 0) return {};
  return std::string("; they are ") + holder.name + ": run on a system whose ANSI code page is " +
         std::to_string(holder.codePage) +
         (holder.codePage == 1251 ? " (under Wine: LANG=ru_RU.UTF-8)" : "");
}

}  // namespace

bool ParseScriptEncoding(std::string_view name, ScriptEncoding& encoding) {
  if (name == "utf-8" || name == "utf8" || name == "UTF-8") {
    encoding = ScriptEncoding::kUtf8;
  } else if (name == "codepage") {
    encoding = ScriptEncoding::kCodePage;
  } else {
    return false;
  }
  return true;
}

bool ToScriptCodePage(std::string_view fileBytes, ScriptEncoding encoding, int codePage,
                      const std::string& fileName, std::string& out,
                      std::vector<ScriptError>& warnings, ScriptError& error,
                      CodePageAdvice advice) {
  if (StartsWith(fileBytes, "\xFF\xFE") || StartsWith(fileBytes, "\xFE\xFF")) {
    error = {fileName, 0, "the script is UTF-16; save it as UTF-8 or in the code page"};
    return false;
  }
  bool utf8 = false;
  if (StartsWith(fileBytes, kUtf8Mark)) {
    fileBytes.remove_prefix(kUtf8Mark.size());
    utf8 = true;
  } else if (encoding == ScriptEncoding::kDetect) {
    utf8 = !IsAscii(fileBytes) && text::IsValidUtf8(fileBytes);
  } else {
    utf8 = encoding == ScriptEncoding::kUtf8;
  }
  if (!utf8) {
    out.assign(fileBytes);
    return true;
  }
  out.clear();
  int lineNumber = 0;
  while (!fileBytes.empty()) {
    ++lineNumber;
    const std::size_t end = fileBytes.find('\n');
    const std::size_t take = end == std::string_view::npos ? fileBytes.size() : end + 1;
    const std::string_view line = fileBytes.substr(0, take);
    fileBytes.remove_prefix(take);
    if (!text::IsValidUtf8(line)) {
      error = {fileName, lineNumber, "not valid UTF-8 (see --encoding)"};
      return false;
    }
    std::size_t unmappable = 0;
    out += text::FromUtf8(line, codePage, &unmappable);
    if (unmappable > 0 && !IsComment(line)) {
      warnings.push_back({fileName, lineNumber,
                          std::to_string(unmappable) + " character" + (unmappable == 1 ? "" : "s") +
                              " that code page " + std::to_string(codePage) +
                              " cannot hold, sent as \"?\"" + Advice(line, codePage, advice)});
    }
  }
  return true;
}

bool ParseScriptFile(std::string_view fileBytes, const std::string& fileName,
                     const ScriptReading& reading, Script& script,
                     std::vector<ScriptError>& warnings, ScriptError& error) {
  std::string bytes;
  if (!ToScriptCodePage(fileBytes, reading.encoding, reading.codePage, fileName, bytes, warnings,
                        error, reading.advice)) {
    return false;
  }
  return ParseScript(bytes, fileName, script, error);
}

}  // namespace vantiro::testhost
