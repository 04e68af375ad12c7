// Checking scripts against the plug-in's catalogue without running them.
#include "testhost/core/check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

#include "plugin/params/params.h"
#include "testhost/core/action_facts.h"

namespace vantiro::testhost {

namespace {

// Stands for the value of a variable known only when the script runs.
constexpr char kUnknownValue = '\x01';

// The image files the native engine writes, by extension.
const std::vector<std::string> kNativeImageExtensions = {".png", ".jpg", ".jpeg",
                                                         ".bmp", ".svg", ".pdf"};

const ActionFacts* FindAction(std::string_view name) {
  const ActionFacts* facts = FindActionFacts(name);
  return facts != nullptr && facts->decoded ? facts : nullptr;
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

// "#RRGGBB" as the Windows colour number of that colour, "&HBBGGRR".
std::string WindowsColourOf(std::string_view colour) {
  if (colour.size() < 7) return {};
  for (char c : colour.substr(1, 6)) {
    if (!IsHexDigit(c)) return {};
  }
  std::string out = "&H";
  for (const std::size_t at : {std::size_t{5}, std::size_t{3}, std::size_t{1}}) {
    for (const char c : colour.substr(at, 2)) {
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

// The meaning of `value` in "value=meaning;..." choices, or empty.
std::string ChoiceMeaning(std::string_view choices, std::string_view value) {
  for (const std::string_view choice : SplitFields(choices, ';')) {
    const std::size_t equals = choice.find('=');
    if (equals != std::string_view::npos && choice.substr(0, equals) == value) {
      return std::string(choice.substr(equals + 1));
    }
  }
  return {};
}

std::string Ordinal(std::size_t n) {
  static const char* const kWords[] = {"first", "second",  "third",  "fourth", "fifth",
                                       "sixth", "seventh", "eighth", "ninth",  "tenth"};
  return n >= 1 && n <= 10 ? kWords[n - 1] : std::to_string(n) + "th";
}

// What a script has put into one region of one chart, for the legend check.
struct RegionContent {
  int legendLine = 0;  // 0: no legend
  int legendField = 0;
  std::size_t legendEntries = 0;
  std::size_t barSeries = 0;
  std::size_t slices = 0;  // of its pie, donut or pyramid series
  bool unknown = false;    // loaded from a chart file, or a count not known
  bool reported = false;
};

class Checker {
 public:
  Checker(const Script& script, const CheckOptions& options) : script_(script), options_(options) {
    for (const std::string& name : options.predefined) unknownValues_.insert(name);
  }

  std::vector<Warning> Run() {
    for (const ScriptLine& line : script_.lines) CheckLine(line);
    for (auto& [chart, regions] : charts_) CheckLegends(regions);
    std::stable_sort(warnings_.begin(), warnings_.end(), [](const Warning& a, const Warning& b) {
      return a.lineNumber < b.lineNumber;
    });
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
    const ActionFacts* facts = FindActionFacts(line.name);
    statuses_.insert(Lower(facts != nullptr && !facts->statusVariable.empty()
                               ? std::string(facts->statusVariable)
                               : line.name + "Status"));
    const ActionFacts* action = FindAction(line.name);
    if (action == nullptr) return;
    const std::vector<std::string_view> fields = SplitFields(text, '|');
    CheckFields(line, *action, text, fields);
    NoteContent(line, *action, fields);
  }

  void CheckFields(const ScriptLine& line, const ActionFacts& action, std::string_view text,
                   const std::vector<std::string_view>& fields) {
    const auto takes = static_cast<std::int32_t>(action.fields.size());
    const std::int32_t given = params::CountFields(text, "|");
    if (given != takes) {
      Warn(line, given > takes ? takes + 1 : given + 1,
           std::to_string(given) + (given == 1 ? " field" : " fields") + ", but " + line.name +
               " takes " + std::to_string(takes) + " (" + std::string(action.usage) + "): " +
               (given > takes ? "the fields after field " + std::to_string(takes) + " are ignored"
                              : "the missing ones read as 0 or the empty text"));
    }
    for (std::int32_t n = 1; n <= takes; ++n) {
      const FieldFacts& facts = action.fields[static_cast<std::size_t>(n - 1)];
      const std::string_view field = static_cast<std::size_t>(n) <= fields.size()
                                         ? fields[static_cast<std::size_t>(n - 1)]
                                         : std::string_view();
      const std::string label = "field " + std::to_string(n) + " (" + std::string(facts.name) + ")";
      if (field.find(kUnknownValue) != std::string_view::npos) continue;
      switch (facts.kind) {
        case Field::kColour:
          if (n > given) {
            Warn(line, n, label + " is missing: the plug-in reads 255, which draws red");
          } else if (std::string problem = ColourProblem(field); !problem.empty()) {
            Warn(line, n, label + ": colour " + problem);
          }
          break;
        case Field::kColourList: {
          if (field == "0") break;
          const std::vector<std::string_view> items = SplitFields(field, ',');
          for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string problem = ColourProblem(items[i]);
            if (!problem.empty()) {
              Warn(line, n, label + ": colour " + std::to_string(i + 1) + " " + problem);
            }
          }
          break;
        }
        case Field::kValueList: CheckValues(line, n, label, field); break;
        case Field::kText100:
        case Field::kText256:
        case Field::kText1000: {
          const std::string problem = CutProblem(field, facts.textSize);
          if (!problem.empty()) Warn(line, n, label + ": " + problem);
          if (field.empty()) break;
          CheckControlCharacters(line, n, label, field.substr(0, facts.textSize));
          const std::string path(field.substr(0, facts.textSize));
          if (facts.use == FieldUse::kReadsPicture || facts.use == FieldUse::kReadsChartFile) {
            CheckReadFile(line, n, label, facts, path);
          }
          if (facts.use == FieldUse::kWritesImage) CheckImageFile(line, n, label, path);
          break;
        }
        case Field::kInteger:
          if (facts.use == FieldUse::kWindowsColour)
            CheckWindowsColour(line, n, label, facts, field);
          break;
      }
    }
  }

  // Control characters (pasted from a spreadsheet cell, or written as
  // escapes) are drawn by the engine's rule: LF and CR LF break the line,
  // TAB is a space, the others are left out.
  void CheckControlCharacters(const ScriptLine& line, std::int32_t n, const std::string& label,
                              std::string_view text) {
    bool breaks = false, tabs = false, dropped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
        breaks = true;
      } else if (c == '\t') {
        tabs = true;
      } else if (c < 0x20 || c == 0x7F) {
        dropped = true;
      }
    }
    if (!breaks && !tabs && !dropped) return;
    std::string what;
    if (breaks) what += "its line breaks start new lines";
    if (tabs) what += std::string(what.empty() ? "" : "; ") + "its TABs are drawn as spaces";
    if (dropped) {
      what += std::string(what.empty() ? "" : "; ") + "its other control characters are left out";
    }
    Warn(line, n, label + " holds control characters: " + what);
  }

  void CheckReadFile(const ScriptLine& line, std::int32_t n, const std::string& label,
                     const FieldFacts& facts, const std::string& path) {
    const bool exists = options_.fileExists ? options_.fileExists(path) : FileExists(path);
    if (exists) return;
    const bool chartFile = facts.use == FieldUse::kReadsChartFile;
    Warn(line, n,
         label + ": " + (chartFile ? "the chart file '" : "the background image '") + path +
             "' is not there (the engine opens it from the working directory)");
  }

  void CheckImageFile(const ScriptLine& line, std::int32_t n, const std::string& label,
                      const std::string& path) {
    const std::vector<std::string>& known =
        options_.imageExtensions.empty() ? kNativeImageExtensions : options_.imageExtensions;
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string extension = hasExtension ? Lower(path.substr(dot)) : std::string();
    if (hasExtension && std::find(known.begin(), known.end(), extension) != known.end()) return;
    std::string list;
    for (std::size_t i = 0; i < known.size(); ++i) {
      list += (i == 0 ? "" : i + 1 == known.size() ? " or " : ", ") + known[i];
    }
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    Warn(line, n,
         label + ": '" + path + "' " +
             (hasExtension ? "is a " + extension + " file, which this engine does not write"
                           : "has no extension, so the engine cannot tell the format") +
             ": the action fails with \"Error while creating the EMF file.\"; the engine writes " +
             list + " files, chosen by the extension: name it " + stem + known.front());
  }

  void CheckWindowsColour(const ScriptLine& line, std::int32_t n, const std::string& label,
                          const FieldFacts& facts, std::string_view field) {
    const std::string_view bare = SkipBlanks(field);
    if (bare.empty() || bare.front() != '#') return;
    const std::int32_t read = params::ToInt32(params::ParseNumber(field));
    std::string meaning = ChoiceMeaning(facts.choices, std::to_string(read));
    if (meaning.empty() && read == 0) meaning = "black";
    const std::string number = WindowsColourOf(bare);
    // "#000000" reads as 0, which is black: as meant.
    if (!number.empty() && params::ToInt32(params::ParseNumber(number)) == read) return;
    Warn(line, n,
         label + ": '" + std::string(field) + "' is no Windows colour number: the plug-in reads " +
             std::to_string(read) + (meaning.empty() ? "" : " (" + meaning + ")") +
             "; this field takes &HBBGGRR, blue first" +
             (number.empty() ? std::string()
                             : ": write " + number + " for the colour " + std::string(bare)));
  }

  // The chart and region an action names, as literal numbers; false when a
  // field holds a value known only when the script runs.
  static bool ChartOf(const std::vector<std::string_view>& fields, std::size_t field,
                      std::int32_t& value) {
    if (field == 0 || field > fields.size()) {
      value = 0;
      return field == 0 || field > fields.size();
    }
    if (fields[field - 1].find(kUnknownValue) != std::string_view::npos) return false;
    value = params::ToInt32(params::ParseNumber(fields[field - 1]));
    return true;
  }

  // Keeps count of legends and series per chart and region; a chart drawn,
  // saved or printed has its legends checked.
  void NoteContent(const ScriptLine& line, const ActionFacts& action,
                   const std::vector<std::string_view>& fields) {
    std::int32_t chart = 0;
    if (action.controlIdField == 0 ||
        !ChartOf(fields, static_cast<std::size_t>(action.controlIdField), chart)) {
      return;
    }
    const std::string_view name = action.name;
    if (name == "ae_Graph_CreateChart" || name == "ae_Graph_CreateChartfromFile" ||
        name == "ae_Graph_DeleteChart") {
      auto found = charts_.find(chart);
      if (found != charts_.end()) {
        CheckLegends(found->second);
        charts_.erase(found);
      }
      if (name == "ae_Graph_CreateChartfromFile") charts_[chart][0].unknown = true;
      return;
    }
    if (name == "ae_Graph_Draw" || name == "ae_Graph_Draw2File" ||
        name == "ae_Graph_WriteRMCFile") {
      auto found = charts_.find(chart);
      if (found != charts_.end()) CheckLegends(found->second);
      return;
    }
    std::int32_t region = 0;
    if (!ChartOf(fields, 2, region)) return;
    auto& regions = charts_[chart];
    if (regions.count(0) != 0 && regions[0].unknown) return;
    RegionContent& content = regions[region];
    auto field = [&](std::size_t n) {
      return n <= fields.size() ? fields[n - 1] : std::string_view();
    };
    auto items = [](std::string_view text, char delimiter) {
      return static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter)) + 1;
    };
    if (name == "ae_Graph_AddLegend") {
      content.legendLine = line.lineNumber;
      content.legendField = 3;
      content.legendEntries = items(field(3), ';');
      content.reported = false;
      content.unknown = content.unknown || field(3).find(kUnknownValue) != std::string_view::npos;
    } else if (name == "ae_Graph_AddBarSeries") {
      ++content.barSeries;
    } else if (name == "ae_Graph_AddGridlessSeries") {
      if (field(3).find(kUnknownValue) != std::string_view::npos) content.unknown = true;
      content.slices += items(field(3), ',');
    }
  }

  void CheckLegends(std::map<std::int32_t, RegionContent>& regions) {
    for (auto& [region, content] : regions) {
      if (content.legendLine == 0 || content.unknown || content.reported) continue;
      const bool bars = content.barSeries > 0;
      const std::size_t wanted = bars ? content.barSeries : content.slices;
      if (content.legendEntries >= wanted) continue;
      content.reported = true;
      const std::string what = bars ? "bar series" : wanted == 1 ? "slice" : "slices";
      warnings_.push_back(
          {script_.fileName, content.legendLine, content.legendField,
           "field 3 (Legend): the legend has " + std::to_string(content.legendEntries) +
               (content.legendEntries == 1 ? " entry" : " entries") + ", but region " +
               std::to_string(region) + " has " + std::to_string(wanted) + " " + what + ": the " +
               Ordinal(content.legendEntries + 1) + (bars ? " series" : " slice") +
               (wanted - content.legendEntries > 1 ? " and those after it have" : " has") +
               " no entry; give one entry per " + (bars ? "series" : "slice") + ", ';' between"});
    }
  }

  void CheckValues(const ScriptLine& line, std::int32_t n, const std::string& label,
                   std::string_view field) {
    const std::vector<std::string_view> items = SplitFields(field, ',');
    if (field.find(';') != std::string_view::npos && field.find(',') != std::string_view::npos) {
      std::string read;
      for (std::size_t i = 0; i < items.size() && i < 4; ++i) {
        read += (i > 0 ? ", " : "") + ShownValue(items[i]);
      }
      Warn(line, n,
           label +
               ": the values look written with decimal commas and ';' between them: the "
               "plug-in separates values at ',' only and reads " +
               read + (items.size() > 4 ? ", ..." : "") + " (the decimal separator is '.')");
      return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string_view item = items[i];
      const std::string_view bare = SkipBlanks(item);
      if (!IsWholeNumber(item)) {
        Warn(line, n,
             label + ": value " + std::to_string(i + 1) + " '" + std::string(item) +
                 "' is read as " + ShownValue(item));
        continue;
      }
      // "12,05": a fraction after a comma, which separates values.
      const std::string_view before = i > 0 ? items[i - 1] : std::string_view();
      if (i > 0 && bare.size() > 1 && bare[0] == '0' && IsDigit(bare[1]) &&
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
  // Per chart, per region: legends and series; region 0 marks a chart
  // loaded from a file, whose content is not known.
  std::map<std::int32_t, std::map<std::int32_t, RegionContent>> charts_;
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
