// Writing and reading chart files. The record layouts are described in
// FORMAT.md; FormatChart and the Parser below must list the fields of each
// record in the same order.
#include "engine/chartfile/chart_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <system_error>
#include <vector>

#include "engine/files/file_io.h"
#include "engine/model/chart_store.h"

namespace vantiro::engine::chartfile {

namespace {

// ---------------------------------------------------------------- writing

class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}

  void Begin(std::string_view keyword) { out_ += keyword; }
  void End() { out_ += '\n'; }

  void Int(std::int32_t v) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_ += ' ';
    out_.append(buf, r.ptr);
  }

  void Colour(std::uint32_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += ' ';
    for (int shift = 28; shift >= 0; shift -= 4) out_ += kHex[(v >> shift) & 0xF];
  }

  // Shortest text that reads back as the same double.
  void Double(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_ += ' ';
    out_.append(buf, r.ptr);
  }

  // Quoted; '"' and '\' escaped by a backslash, every byte outside printable
  // ASCII as \xHH, so the file is plain ASCII and any byte survives.
  void Text(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += " \"";
    for (char c : text) {
      const auto b = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out_ += '\\';
        out_ += c;
      } else if (b < 0x20 || b > 0x7E) {
        out_ += "\\x";
        out_ += kHex[b >> 4];
        out_ += kHex[b & 0xF];
      } else {
        out_ += c;
      }
    }
    out_ += '"';
  }

  template <class T, class Put>
  void List(std::string_view keyword, const std::vector<T>& items, Put put) {
    for (std::size_t i = 0; i < items.size(); i += kItemsPerLine) {
      Begin(keyword);
      for (std::size_t j = i; j < items.size() && j < i + kItemsPerLine; ++j) {
        (this->*put)(items[j]);
      }
      End();
    }
  }

 private:
  std::string& out_;
};

std::int32_t Count(std::size_t n) { return static_cast<std::int32_t>(n); }

void FormatRegion(RecordWriter& w, const Region& r) {
  w.Begin("region");
  w.Int(r.x), w.Int(r.y), w.Int(r.width), w.Int(r.height), w.Int(r.showBorder);
  w.Text(r.footer);
  w.End();
  if (r.grid.present) {
    const Grid& g = r.grid;
    w.Begin("grid");
    w.Colour(g.background), w.Int(g.asGradient), w.Int(g.x), w.Int(g.y);
    w.Int(g.width), w.Int(g.height), w.Int(g.biColour);
    w.End();
  }
  if (r.caption.present) {
    const Caption& c = r.caption;
    w.Begin("caption");
    w.Colour(c.background), w.Colour(c.textColour), w.Int(c.fontSize), w.Int(c.bold);
    w.Text(c.text);
    w.End();
  }
  if (r.legend.present) {
    const Legend& l = r.legend;
    w.Begin("legend");
    w.Int(l.alignment), w.Colour(l.background), w.Int(l.style), w.Int(l.textColour);
    w.Int(l.fontSize), w.Int(l.bold);
    w.Text(l.text);
    w.End();
  }
  for (const DataAxis& a : r.dataAxes) {
    w.Begin("data-axis");
    w.Int(a.alignment), w.Double(a.minValue), w.Double(a.maxValue), w.Int(a.tickCount);
    w.Int(a.fontSize), w.Colour(a.textColour), w.Colour(a.lineColour), w.Int(a.lineStyle);
    w.Int(a.decimalDigits), w.Int(a.labelAlignment);
    w.Text(a.units), w.Text(a.title), w.Text(a.labels);
    w.End();
  }
  if (r.hasLabelAxis) {
    const LabelAxis& a = r.labelAxis;
    w.Begin("label-axis");
    w.Int(a.axisCount), w.Int(a.tickCount), w.Int(a.alignment), w.Int(a.fontSize);
    w.Colour(a.textColour), w.Int(a.textAlignment), w.Colour(a.lineColour);
    w.Int(a.lineStyle);
    w.Text(a.labels), w.Text(a.title);
    w.End();
  }
  for (const BarSeries& s : r.bars) {
    w.Begin("bar-series");
    w.Int(Count(s.values.size())), w.Int(s.type), w.Int(s.style), w.Int(s.lucent);
    w.Colour(s.colour), w.Int(s.horizontal), w.Int(s.whichDataAxis), w.Int(s.valueLabels);
    w.Int(s.pointsPerColumn), w.Int(s.hatch);
    w.End();
    w.List("values", s.values, &RecordWriter::Double);
  }
  for (const GridlessSeries& s : r.gridless) {
    w.Begin("gridless-series");
    w.Int(Count(s.values.size())), w.Int(Count(s.colours.size())), w.Int(s.style);
    w.Int(s.alignment), w.Int(s.explode), w.Int(s.lucent), w.Int(s.valueLabels);
    w.Int(s.hatch), w.Int(s.startAngle);
    w.End();
    w.List("values", s.values, &RecordWriter::Double);
    w.List("colours", s.colours, &RecordWriter::Colour);
  }
}

// ---------------------------------------------------------------- reading

// Lines of a chart file, without their "\n" (and a "\r" before it). A line
// stays valid until the next call.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // False at the end of the text, or when a line is too long or the text
  // cannot be read (then Failed()).
  virtual bool Next(std::string_view& line) = 0;
  bool Failed() const { return failed_; }

 protected:
  static std::string_view Trim(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  bool failed_ = false;
};

class TextLines final : public LineSource {
 public:
  explicit TextLines(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) override {
    if (rest_.empty() || failed_) return false;
    const std::size_t nl = rest_.find('\n');
    line = rest_.substr(0, nl);
    rest_.remove_prefix(nl == std::string_view::npos ? rest_.size() : nl + 1);
    if (line.size() > kMaxLineLength + 1) {
      failed_ = true;
      return false;
    }
    line = Trim(line);
    return true;
  }

 private:
  std::string_view rest_;
};

class FileLines final : public LineSource {
 public:
  explicit FileLines(std::FILE* file) : file_(file) {}

  bool Next(std::string_view& line) override {
    for (;;) {
      if (failed_) return false;
      const std::size_t nl = buffer_.find('\n', scanned_);
      if (nl != std::string::npos) {
        line = std::string_view(buffer_).substr(start_, nl - start_);
        start_ = scanned_ = nl + 1;
        return Accept(line);
      }
      scanned_ = buffer_.size();
      if (scanned_ - start_ > kMaxLineLength + 1) {
        failed_ = true;
        return false;
      }
      if (eof_) {
        if (start_ == buffer_.size()) return false;
        line = std::string_view(buffer_).substr(start_);
        start_ = scanned_ = buffer_.size();
        return Accept(line);
      }
      Fill();
    }
  }

 private:
  bool Accept(std::string_view& line) {
    if (line.size() > kMaxLineLength + 1) {
      failed_ = true;
      return false;
    }
    line = Trim(line);
    return true;
  }

  void Fill() {
    buffer_.erase(0, start_);
    scanned_ -= start_;
    start_ = 0;
    constexpr std::size_t kChunk = 64 * 1024;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    const std::size_t got = std::fread(&buffer_[old], 1, kChunk, file_);
    buffer_.resize(old + got);
    if (std::ferror(file_)) failed_ = true;
    if (got == 0 || std::feof(file_)) eof_ = true;
  }

  std::FILE* file_;
  std::string buffer_;
  std::size_t start_ = 0;    // first byte of the next line
  std::size_t scanned_ = 0;  // bytes already searched for "\n"
  bool eof_ = false;
};

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

// The fields of one record after its keyword, each preceded by one space.
class Fields {
 public:
  explicit Fields(std::string_view rest) : rest_(rest) {}

  bool Int(std::int32_t& v) {
    std::string_view t;
    if (!Bare(t)) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
  }

  bool Colour(std::uint32_t& v) {
    std::string_view t;
    if (!Bare(t) || t.size() != 8) return false;
    std::uint32_t value = 0;
    for (char c : t) {
      if (!IsHex(c)) return false;
      value = (value << 4) | static_cast<std::uint32_t>(HexValue(c));
    }
    v = value;
    return true;
  }

  bool Double(double& v) {
    std::string_view t;
    if (!Bare(t)) return false;
    double value = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), value);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(value)) {
      return false;
    }
    v = value;
    return true;
  }

  bool Text(std::string& v) {
    if (!Space() || rest_.empty() || rest_.front() != '"') return false;
    std::string text;
    std::size_t i = 1;
    for (;;) {
      if (i >= rest_.size()) return false;
      const char c = rest_[i];
      const auto b = static_cast<unsigned char>(c);
      if (c == '"') break;
      if (b < 0x20 || b > 0x7E) return false;
      if (c != '\\') {
        text += c;
        i += 1;
      } else if (i + 1 < rest_.size() && (rest_[i + 1] == '\\' || rest_[i + 1] == '"')) {
        text += rest_[i + 1];
        i += 2;
      } else if (i + 3 < rest_.size() && rest_[i + 1] == 'x' && IsHex(rest_[i + 2]) &&
                 IsHex(rest_[i + 3])) {
        text += static_cast<char>(HexValue(rest_[i + 2]) * 16 + HexValue(rest_[i + 3]));
        i += 4;
      } else {
        return false;
      }
      if (text.size() > kMaxTextLength) return false;
    }
    rest_.remove_prefix(i + 1);
    v = std::move(text);
    return true;
  }

  bool AtEnd() const { return rest_.empty(); }

 private:
  bool Space() {
    if (rest_.empty() || rest_.front() != ' ') return false;
    rest_.remove_prefix(1);
    return true;
  }

  bool Bare(std::string_view& token) {
    if (!Space()) return false;
    token = rest_.substr(0, rest_.find(' '));
    rest_.remove_prefix(token.size());
    return !token.empty();
  }

  std::string_view rest_;
};

void SplitRecord(std::string_view line, std::string_view& keyword, std::string_view& rest) {
  const std::size_t space = line.find(' ');
  keyword = line.substr(0, space);
  rest = space == std::string_view::npos ? std::string_view() : line.substr(space);
}

class Parser {
 public:
  explicit Parser(LineSource& lines) : lines_(lines) {}

  bool Parse(Chart& chart) {
    std::string_view line, keyword, rest;
    if (!lines_.Next(line) || line != kMagicLine) return false;
    if (!lines_.Next(line)) return false;
    SplitRecord(line, keyword, rest);
    if (keyword != "chart" || !ParseSettings(rest, chart.settings)) return false;
    for (;;) {
      if (!lines_.Next(line)) return false;  // no "end": truncated
      SplitRecord(line, keyword, rest);
      if (keyword == "end") {
        if (!rest.empty() || lines_.Next(line) || lines_.Failed()) return false;
        return IsValidChart(chart);
      }
      if (keyword == "region") {
        if (chart.regions.size() >= static_cast<std::size_t>(kMaxRegions)) return false;
        Region region;
        if (!ParseRegion(rest, region)) return false;
        chart.regions.push_back(std::move(region));
        continue;
      }
      if (chart.regions.empty() || !ParseContent(keyword, rest, chart.regions.back())) {
        return false;
      }
    }
  }

 private:
  static bool ParseSettings(std::string_view rest, ChartSettings& s) {
    Fields f(rest);
    return f.Int(s.width) && f.Int(s.height) && f.Colour(s.background) && f.Int(s.style) &&
           f.Int(s.tooltipWidth) && f.Colour(s.backgroundImageColour) && f.Text(s.fontName) &&
           f.Text(s.backgroundImage) && f.AtEnd();
  }

  static bool ParseRegion(std::string_view rest, Region& r) {
    Fields f(rest);
    return f.Int(r.x) && f.Int(r.y) && f.Int(r.width) && f.Int(r.height) &&
           f.Int(r.showBorder) && f.Text(r.footer) && f.AtEnd();
  }

  bool ParseContent(std::string_view keyword, std::string_view rest, Region& r) {
    Fields f(rest);
    if (keyword == "grid") {
      Grid& g = r.grid;
      if (g.present) return false;
      g.present = true;
      return f.Colour(g.background) && f.Int(g.asGradient) && f.Int(g.x) && f.Int(g.y) &&
             f.Int(g.width) && f.Int(g.height) && f.Int(g.biColour) && f.AtEnd();
    }
    if (keyword == "caption") {
      Caption& c = r.caption;
      if (c.present) return false;
      c.present = true;
      return f.Colour(c.background) && f.Colour(c.textColour) && f.Int(c.fontSize) &&
             f.Int(c.bold) && f.Text(c.text) && f.AtEnd();
    }
    if (keyword == "legend") {
      Legend& l = r.legend;
      if (l.present) return false;
      l.present = true;
      return f.Int(l.alignment) && f.Colour(l.background) && f.Int(l.style) &&
             f.Int(l.textColour) && f.Int(l.fontSize) && f.Int(l.bold) && f.Text(l.text) &&
             f.AtEnd();
    }
    if (keyword == "data-axis") {
      if (r.dataAxes.size() >= static_cast<std::size_t>(kMaxDataAxes)) return false;
      DataAxis a;
      if (!(f.Int(a.alignment) && f.Double(a.minValue) && f.Double(a.maxValue) &&
            f.Int(a.tickCount) && f.Int(a.fontSize) && f.Colour(a.textColour) &&
            f.Colour(a.lineColour) && f.Int(a.lineStyle) && f.Int(a.decimalDigits) &&
            f.Int(a.labelAlignment) && f.Text(a.units) && f.Text(a.title) &&
            f.Text(a.labels) && f.AtEnd())) {
        return false;
      }
      r.dataAxes.push_back(std::move(a));
      return true;
    }
    if (keyword == "label-axis") {
      LabelAxis& a = r.labelAxis;
      if (r.hasLabelAxis) return false;
      r.hasLabelAxis = true;
      return f.Int(a.axisCount) && f.Int(a.tickCount) && f.Int(a.alignment) &&
             f.Int(a.fontSize) && f.Colour(a.textColour) && f.Int(a.textAlignment) &&
             f.Colour(a.lineColour) && f.Int(a.lineStyle) && f.Text(a.labels) &&
             f.Text(a.title) && f.AtEnd();
    }
    if (keyword == "bar-series" || keyword == "gridless-series") {
      if (r.SeriesCount() >= static_cast<std::size_t>(kMaxSeriesPerRegion)) return false;
    }
    if (keyword == "bar-series") {
      BarSeries s;
      std::int32_t count = 0;
      if (!(f.Int(count) && f.Int(s.type) && f.Int(s.style) && f.Int(s.lucent) &&
            f.Colour(s.colour) && f.Int(s.horizontal) && f.Int(s.whichDataAxis) &&
            f.Int(s.valueLabels) && f.Int(s.pointsPerColumn) && f.Int(s.hatch) &&
            f.AtEnd() && ReadList("values", count, &Fields::Double, s.values))) {
        return false;
      }
      r.bars.push_back(std::move(s));
      return true;
    }
    if (keyword == "gridless-series") {
      GridlessSeries s;
      std::int32_t count = 0, colourCount = 0;
      if (!(f.Int(count) && f.Int(colourCount) && f.Int(s.style) && f.Int(s.alignment) &&
            f.Int(s.explode) && f.Int(s.lucent) && f.Int(s.valueLabels) && f.Int(s.hatch) &&
            f.Int(s.startAngle) && f.AtEnd() &&
            ReadList("values", count, &Fields::Double, s.values) &&
            ReadList("colours", colourCount, &Fields::Colour, s.colours))) {
        return false;
      }
      r.gridless.push_back(std::move(s));
      return true;
    }
    return false;  // unknown record
  }

  // Reads `count` items from lines "<keyword> item ..." of 1 to
  // kItemsPerLine items each. Grows with what is read, never by `count`.
  template <class T>
  bool ReadList(std::string_view keyword, std::int32_t count, bool (Fields::*read)(T&),
                std::vector<T>& items) {
    if (count < 0) return false;
    const auto total = static_cast<std::size_t>(count);
    std::string_view line, word, rest;
    while (items.size() < total) {
      if (!lines_.Next(line)) return false;
      SplitRecord(line, word, rest);
      if (word != keyword) return false;
      Fields f(rest);
      std::size_t onLine = 0;
      while (!f.AtEnd()) {
        T item{};
        if (onLine == kItemsPerLine || items.size() == total || !(f.*read)(item)) {
          return false;
        }
        items.push_back(item);
        ++onLine;
      }
      if (onLine == 0) return false;
    }
    return true;
  }

  LineSource& lines_;
};

bool ParseFrom(LineSource& lines, Chart& chart) {
  try {
    Chart parsed;
    if (!Parser(lines).Parse(parsed)) return false;
    chart = std::move(parsed);
    return true;
  } catch (...) {  // std::bad_alloc: a chart too large for this process
    return false;
  }
}

}  // namespace

std::string FormatChart(const Chart& chart) {
  std::string out;
  RecordWriter w(out);
  out += kMagicLine;
  w.End();
  const ChartSettings& s = chart.settings;
  w.Begin("chart");
  w.Int(s.width), w.Int(s.height), w.Colour(s.background), w.Int(s.style);
  w.Int(s.tooltipWidth), w.Colour(s.backgroundImageColour);
  w.Text(s.fontName), w.Text(s.backgroundImage);
  w.End();
  for (const Region& r : chart.regions) FormatRegion(w, r);
  w.Begin("end");
  w.End();
  return out;
}

bool ParseChart(std::string_view text, Chart& chart) noexcept {
  TextLines lines(text);
  return ParseFrom(lines, chart);
}

bool WriteChartFile(const Chart& chart, const std::string& path) noexcept {
  try {
    return !path.empty() && files::WriteWholeFile(path, FormatChart(chart));
  } catch (...) {  // std::bad_alloc while formatting
    return false;
  }
}

bool ReadChartFile(const std::string& path, Chart& chart) noexcept {
  const files::FilePtr file = files::OpenRegularFile(path);
  if (!file) return false;
  FileLines lines(file.get());
  return ParseFrom(lines, chart) && !lines.Failed();
}

}  // namespace vantiro::engine::chartfile
