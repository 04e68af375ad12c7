// Checking scripts against the plug-in's catalogue without running them.
#include "testhost/check.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string_view>
#include <system_error>

#include "plugin/charts/action_frame.h"
#include "plugin/host/action_catalogue.h"
#include "plugin/params/params.h"

namespace vantiro::testhost {

namespace {

using charts::Field;
namespace catalogue = ::vantiro::host;

// What the checker needs of each catalogue row, taken out at compile time
// so that the handlers the rows name are never linked in.
struct ActionFields {
  std::string_view name;
  std::string_view usage;  // "id|Region|...": the fields' names
  std::span<const Field> kinds;
};

consteval std::array<ActionFields, catalogue::ActionCatalogue.size()> MakeActionFields() {
  std::array<ActionFields, catalogue::ActionCatalogue.size()> out{};
  for (std::size_t i = 0; i < out.size(); ++i) {
    const catalogue::CatalogueRow& row = catalogue::ActionCatalogue[i];
    out[i] = {row.name, row.fields != nullptr ? row.fields : "", row.fieldKinds};
  }
  return out;
}
constexpr auto kActionFields = MakeActionFields();

// The usage names of the fields whose files the plug-in's engine opens.
constexpr std::string_view kPictureField = "BGImage";
constexpr std::string_view kSourceFileField = "SourceFile";

// Stands for the value of a variable known only when the script runs.
constexpr char kUnknownValue = '\x01';

const ActionFields* FindAction(std::string_view name) {
  for (const ActionFields& action : kActionFields) {
    if (action.name == name && !action.kinds.empty()) return &action;
  }
  return nullptr;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNumberBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsNumberBlank(text.front())) text.remove_prefix(1);
  return text;
}

// Whether ParseNumber reads all of `item` (blanks around it aside). Radix
// forms ("&H...") are taken as they are.
bool IsWholeNumber(std::string_view item) {
  item = SkipBlanks(item);
  if (item.empty() || item.front() == '&') return true;
  std::size_t i = 0;
  if (item[i] == '+' || item[i] == '-') ++i;
  bool digits = false, point = false;
  for (; i < item.size(); ++i) {
    if (IsDigit(item[i])) {
      digits = true;
    } else if (item[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < item.size() && std::string_view("EeDd").find(item[i]) != std::string_view::npos) {
    std::size_t e = i + 1;
    if (e < item.size() && (item[e] == '+' || item[e] == '-')) ++e;
    if (e < item.size() && IsDigit(item[e])) {
      while (e < item.size() && IsDigit(item[e])) ++e;
      i = e;
    }
  }
  for (; i < item.size(); ++i) {
    if (item[i] != ' ' && item[i] != '\t' && item[i] != '\n') return false;
  }
  return true;
}

// The value as the plug-in reads it, for messages.
std::string ShownValue(std::string_view item) {
  const double value = params::ParseNumber(item).ToDouble();
  std::string text = std::to_string(value);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

// What is wrong with a colour written as `colour`, or the empty text.
std::string ColourProblem(std::string_view colour) {
  constexpr std::string_view kReadsRed = ": the plug-in reads 255, which draws red";
  if (colour.empty()) return std::string("is empty") + std::string(kReadsRed);
  const std::string quoted = "'" + std::string(colour) + "'";
  if (IsHexDigit(colour.front())) {
    return quoted +
           " has no leading '#': the plug-in skips its first character and reads the "
           "rest one position off";
  }
  if (colour.size() < 7) {
    return quoted + " is too short: the plug-in reads '#' and six hexadecimal digits (RRGGBB)";
  }
  for (char c : colour.substr(1, 6)) {
    if (!IsHexDigit(c)) {
      return quoted + " holds '" + std::string(1, c) +
             "', which is no hexadecimal digit: the plug-in stops reading there";
    }
  }
  return {};
}

// The problem of a text field longer than its buffer, or the empty text.
std::string CutProblem(std::string_view text, std::size_t keep) {
  if (text.size() <= keep) return {};
  const std::string_view kept = text.substr(0, keep);
  const std::string lengths = std::to_string(text.size()) + " characters, over the field's " +
                              std::to_string(keep) + ": the plug-in keeps the first " +
                              std::to_string(keep);
  if (text.find(';') != std::string_view::npos) {
    std::size_t item = 1;
    for (char c : kept) item += c == ';' ? 1 : 0;
    std::size_t items = 1;
    for (char c : text) items += c == ';' ? 1 : 0;
    const std::size_t start = kept.rfind(';') == std::string_view::npos ? 0 : kept.rfind(';') + 1;
    return "the ';' list has " + lengths + ", so item " + std::to_string(item) + " of " +
           std::to_string(items) + " is cut to '" + std::string(kept.substr(start)) + "'" +
           (item < items ? " and the items after it are lost" : "");
  }
  const std::size_t tail = keep < 12 ? keep : 12;
  return "the text has " + lengths + ", up to '..." + std::string(kept.substr(keep - tail)) + "'";
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

class Checker {
 public:
  Checker(const Script& script, const CheckOptions& options) : script_(script), options_(options) {
    for (const std::string& name : options.predefined) unknownValues_.insert(name);
  }

  std::vector<Warning> Run() {
    for (const ScriptLine& line : script_.lines) CheckLine(line);
    return std::move(warnings_);
  }

 private:
  void Warn(const ScriptLine& line, int field, std::string text) {
    warnings_.push_back({script_.fileName, line.lineNumber, field, std::move(text)});
  }

  bool Defined(const std::string& name) const {
    return values_.count(name) != 0 || unknownValues_.count(name) != 0 ||
           statuses_.count(Lower(name)) != 0;
  }

  // The text with the values !set gave. A variable whose value is known
  // only when the script runs becomes kUnknownValue: the fields that hold
  // one are not checked.
  std::string Resolve(const ScriptLine& line) {
    for (const ScriptText::Piece& piece : line.text.pieces) {
      if (piece.isVariable && !Defined(piece.bytes)) {
        Warn(line, 0,
             "[" + piece.bytes + "] is not set before this line: it reads as the empty text");
      }
    }
    return line.text.Resolve([this](const std::string& name) {
      auto found = values_.find(name);
      if (found != values_.end()) return found->second;
      return Defined(name) ? std::string(1, kUnknownValue) : std::string();
    });
  }

  void CheckLine(const ScriptLine& line) {
    const std::string text = Resolve(line);
    const bool certain = text.find(kUnknownValue) == std::string::npos;
    switch (line.kind) {
      case ScriptLine::Kind::kSet:
        if (certain) {
          values_[line.name] = text;
          unknownValues_.erase(line.name);
        } else {
          values_.erase(line.name);
          unknownValues_.insert(line.name);
        }
        return;
      case ScriptLine::Kind::kEcho:
      case ScriptLine::Kind::kExec: return;
      case ScriptLine::Kind::kAction: break;
    }
    statuses_.insert(Lower(line.name + "Status"));
    const ActionFields* action = FindAction(line.name);
    if (action == nullptr) return;
    CheckFields(line, *action, text);
  }

  void CheckFields(const ScriptLine& line, const ActionFields& action, std::string_view text) {
    const auto takes = static_cast<std::int32_t>(action.kinds.size());
    const std::int32_t given = params::CountFields(text, "|");
    if (given != takes) {
      Warn(line, given > takes ? takes + 1 : given + 1,
           std::to_string(given) + (given == 1 ? " field" : " fields") + ", but " + line.name +
               " takes " + std::to_string(takes) + " (" + std::string(action.usage) + "): " +
               (given > takes ? "the fields after field " + std::to_string(takes) + " are ignored"
                              : "the missing ones read as 0 or the empty text"));
    }
    for (std::int32_t n = 1; n <= takes; ++n) {
      const Field kind = action.kinds[static_cast<std::size_t>(n - 1)];
      const std::string_view field = params::GetField(text, "|", n);
      const std::string label = "field " + std::to_string(n) + " (" +
                                std::string(params::GetField(action.usage, "|", n)) + ")";
      const std::string_view name = params::GetField(action.usage, "|", n);
      if (field.find(kUnknownValue) != std::string_view::npos) continue;
      switch (kind) {
        case Field::kColour:
          if (n > given) {
            Warn(line, n, label + " is missing: the plug-in reads 255, which draws red");
          } else if (std::string problem = ColourProblem(field); !problem.empty()) {
            Warn(line, n, label + ": colour " + problem);
          }
          break;
        case Field::kColourList:
          if (field == "0") break;
          for (std::int32_t i = 1; i <= params::CountFields(field, ","); ++i) {
            const std::string problem = ColourProblem(params::GetField(field, ",", i));
            if (!problem.empty()) {
              Warn(line, n, label + ": colour " + std::to_string(i) + " " + problem);
            }
          }
          break;
        case Field::kValueList: CheckValues(line, n, label, field); break;
        case Field::kText100:
        case Field::kText256:
        case Field::kText1000: {
          const std::string problem = CutProblem(field, charts::TextBufferSize(kind) - 1);
          if (!problem.empty()) Warn(line, n, label + ": " + problem);
          const bool picture = name == kPictureField, source = name == kSourceFileField;
          if ((picture || source) && !field.empty()) {
            const std::string path(field.substr(0, charts::TextBufferSize(kind) - 1));
            const bool exists = options_.fileExists ? options_.fileExists(path) : FileExists(path);
            if (!exists) {
              Warn(line, n,
                   label + ": " + (picture ? "the background image '" : "the chart file '") + path +
                       "' is not there (the engine opens it from the working directory)");
            }
          }
          break;
        }
        case Field::kInteger: break;
      }
    }
  }

  void CheckValues(const ScriptLine& line, std::int32_t n, const std::string& label,
                   std::string_view field) {
    if (field.find(';') != std::string_view::npos && field.find(',') != std::string_view::npos) {
      std::string read;
      const std::int32_t items = params::CountFields(field, ",");
      for (std::int32_t i = 1; i <= items && i <= 4; ++i) {
        read += (i > 1 ? ", " : "") + ShownValue(params::GetField(field, ",", i));
      }
      Warn(line, n,
           label +
               ": the values look written with decimal commas and ';' between them: the "
               "plug-in separates values at ',' only and reads " +
               read + (items > 4 ? ", ..." : "") + " (the decimal separator is '.')");
      return;
    }
    const std::int32_t count = params::CountFields(field, ",");
    for (std::int32_t i = 1; i <= count; ++i) {
      const std::string_view item = params::GetField(field, ",", i);
      const std::string_view bare = SkipBlanks(item);
      if (!IsWholeNumber(item)) {
        Warn(line, n,
             label + ": value " + std::to_string(i) + " '" + std::string(item) + "' is read as " +
                 ShownValue(item));
        continue;
      }
      // "12,05": a fraction after a comma, which separates values.
      const std::string_view before = i > 1 ? params::GetField(field, ",", i - 1) : "";
      if (i > 1 && bare.size() > 1 && bare[0] == '0' && IsDigit(bare[1]) &&
          before.find('.') == std::string_view::npos && IsWholeNumber(before)) {
        Warn(line, n,
             label + ": '" + std::string(before) + "," + std::string(item) +
                 "' looks like a decimal comma: the plug-in reads two values, " +
                 ShownValue(before) + " and " + ShownValue(item) +
                 " (the decimal separator is '.')");
      }
    }
  }

  const Script& script_;
  const CheckOptions& options_;
  std::map<std::string, std::string> values_;  // set by !set, known now
  std::set<std::string> unknownValues_;        // set, but known only when run
  std::set<std::string> statuses_;             // status variables, in lower case
  std::vector<Warning> warnings_;
};

}  // namespace

std::string Warning::ToString() const {
  return fileName + ":" + std::to_string(lineNumber) + ": warning: " + text;
}

std::vector<Warning> CheckScript(const Script& script, const CheckOptions& options) {
  return Checker(script, options).Run();
}

}  // namespace vantiro::testhost
