// Parsing of test host scripts.
#include "testhost/core/script.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace vantiro::testhost {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends literal bytes to the text, merging with a literal piece before.
void AddLiteral(ScriptText& text, std::string_view bytes) {
  if (bytes.empty()) return;
  if (text.pieces.empty() || text.pieces.back().isVariable) text.pieces.push_back({false, {}});
  text.pieces.back().bytes.append(bytes);
}

// Splits `raw` into literals and "[name]" references. `literalOpen[i]` marks
// a "[" that came from an escape and so never opens a reference.
ScriptText SplitVariables(std::string_view raw, const std::vector<bool>& literalOpen) {
  ScriptText text;
  std::size_t literalStart = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '[' || literalOpen[i]) continue;
    std::size_t close = i + 1;
    while (close < raw.size() && raw[close] != ']' && (raw[close] != '[' || literalOpen[close])) {
      ++close;
    }
    if (close >= raw.size() || raw[close] != ']' || close == i + 1) continue;
    AddLiteral(text, raw.substr(literalStart, i - literalStart));
    text.pieces.push_back({true, std::string(raw.substr(i + 1, close - i - 1))});
    literalStart = close + 1;
    i = close;
  }
  AddLiteral(text, raw.substr(literalStart));
  return text;
}

// The quoted form, starting at the opening quote.
bool ParseQuoted(std::string_view rest, ScriptText& text, std::string& error) {
  std::string bytes;
  std::vector<bool> literalOpen;
  auto put = [&](char c, bool escapedBracket) {
    bytes.push_back(c);
    literalOpen.push_back(escapedBracket);
  };
  std::size_t i = 1;
  for (;; ++i) {
    if (i >= rest.size()) {
      error = "missing closing quote";
      return false;
    }
    char c = rest[i];
    if (c == '"') break;
    if (c != '\\') {
      put(c, false);
      continue;
    }
    if (++i >= rest.size()) {
      error = "missing closing quote";
      return false;
    }
    switch (rest[i]) {
      case '\\': put('\\', false); break;
      case '"': put('"', false); break;
      case 't': put('\t', false); break;
      case 'r': put('\r', false); break;
      case 'n': put('\n', false); break;
      case '[': put('[', true); break;
      case 'x': {
        int high = i + 1 < rest.size() ? HexDigit(rest[i + 1]) : -1;
        int low = i + 2 < rest.size() ? HexDigit(rest[i + 2]) : -1;
        if (high < 0 || low < 0) {
          error = "\\x needs two hexadecimal digits";
          return false;
        }
        put(static_cast<char>(static_cast<unsigned char>(high * 16 + low)), false);
        i += 2;
        break;
      }
      default: error = std::string("unknown escape \\") + rest[i]; return false;
    }
  }
  for (++i; i < rest.size(); ++i) {
    if (!IsBlank(rest[i])) {
      error = "text after the closing quote";
      return false;
    }
  }
  text = SplitVariables(bytes, literalOpen);
  return true;
}

// The parameter text after the name: raw or quoted.
bool ParseText(std::string_view rest, ScriptText& text, std::string& error) {
  if (!rest.empty() && rest.front() == '"') return ParseQuoted(rest, text, error);
  text = SplitVariables(rest, std::vector<bool>(rest.size(), false));
  return true;
}

// Takes the next word (up to a blank or TAB) and the one separator after it.
std::string_view TakeWord(std::string_view& rest) {
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end < rest.size() ? end + 1 : end);
  return word;
}

bool ParseActionId(std::string_view word, std::int32_t& id) {
  bool negative = !word.empty() && word.front() == '-';
  if (negative) word.remove_prefix(1);
  if (word.empty() || word.size() > 10) return false;
  std::int64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  id = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

std::string ScriptText::Resolve(
    const std::function<std::string(const std::string&)>& lookup) const {
  std::string out;
  for (const Piece& piece : pieces) out += piece.isVariable ? lookup(piece.bytes) : piece.bytes;
  return out;
}

const std::string& ScriptText::Resolve(const std::function<std::string(const std::string&)>& lookup,
                                       std::string& resolved) const {
  if (pieces.size() == 1 && !pieces.front().isVariable) return pieces.front().bytes;
  resolved = Resolve(lookup);
  return resolved;
}

std::string QuoteScriptText(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '[': out += "\\["; break;
      default:
        if (byte < 0x20 || byte > 0x7E) {
          out += "\\x";
          out += kHex[byte >> 4];
          out += kHex[byte & 0x0F];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string ScriptError::ToString() const {
  if (fileName.empty()) return message;
  std::string where = fileName;
  if (lineNumber > 0) where += ":" + std::to_string(lineNumber);
  return where + ": " + message;
}

std::optional<ScriptLine> ParseScriptLine(std::string_view line, int lineNumber,
                                          std::string& error) {
  error.clear();
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#') return std::nullopt;

  std::string_view rest = line.substr(first);
  ScriptLine parsed;
  parsed.lineNumber = lineNumber;
  std::string_view word = TakeWord(rest);
  if (word.front() != '!') {
    parsed.kind = ScriptLine::Kind::kAction;
    parsed.name = std::string(word);
  } else if (word == "!set") {
    parsed.kind = ScriptLine::Kind::kSet;
    parsed.name = std::string(TakeWord(rest));
    if (parsed.name.empty()) {
      error = "!set needs a variable name";
      return std::nullopt;
    }
  } else if (word == "!echo") {
    parsed.kind = ScriptLine::Kind::kEcho;
  } else if (word == "!exec") {
    parsed.kind = ScriptLine::Kind::kExec;
    std::string_view id = TakeWord(rest);
    if (!ParseActionId(id, parsed.actionId)) {
      error = "!exec needs an ActionId (a 32-bit integer), not '" + std::string(id) + "'";
      return std::nullopt;
    }
  } else {
    error = "unknown directive '" + std::string(word) + "' (known: !set, !echo, !exec)";
    return std::nullopt;
  }
  if (!ParseText(rest, parsed.text, error)) return std::nullopt;
  return parsed;
}

bool ParseScript(std::string_view bytes, const std::string& fileName, Script& script,
                 ScriptError& error) {
  script.fileName = fileName;
  script.lines.clear();
  int lineNumber = 0;
  while (!bytes.empty()) {
    ++lineNumber;
    std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    std::string message;
    std::optional<ScriptLine> parsed = ParseScriptLine(line, lineNumber, message);
    if (!message.empty()) {
      error = {fileName, lineNumber, message};
      return false;
    }
    if (parsed) script.lines.push_back(std::move(*parsed));
  }
  return true;
}

namespace {

// A system message in the words of the other reasons: "permission denied".
std::string Reason(const std::error_code& code) {
  std::string text = code.message();
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string ErrnoReason() { return Reason(std::error_code(errno, std::generic_category())); }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads a whole regular file into `bytes`; otherwise says why it cannot.
// A folder, pipe or device is refused before it is opened: a pipe would
// block, and a folder fails only midway through the read.
std::string ReadRegularFile(const std::string& path, std::string& bytes) {
  namespace fs = std::filesystem;
  std::error_code code;
  const fs::file_status status = fs::status(path, code);
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (code) return Reason(code);
  if (fs::is_directory(status)) return "is a folder";
  if (!fs::is_regular_file(status)) return "not a regular file";
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return ErrnoReason();
  // Sized once: a long script is held once, not in a doubling buffer.
  if (const std::uintmax_t size = fs::file_size(path, code); !code) {
    bytes.reserve(static_cast<std::size_t>(size));
  }
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get())) return ErrnoReason();
  return {};
}

}  // namespace

bool LoadScript(const std::string& path, Script& script, ScriptError& error,
                const ScriptReading& reading, std::vector<ScriptError>* warnings) {
  std::string bytes;
  const std::string reason = ReadRegularFile(path, bytes);
  if (!reason.empty()) {
    error = {{}, 0, "cannot read the script " + path + ": " + reason};
    return false;
  }
  std::vector<ScriptError> ignored;
  return ParseScriptFile(bytes, path, reading, script, warnings ? *warnings : ignored, error);
}

}  // namespace vantiro::testhost
