// Writing and reading chart files. The record layouts are described in
// docs/guide/chart-files.md; each record's fields are listed once below
// (Record, Parts), and the writer and the reader both walk that one list.
#include "engine/chartfile/chart_file.h"

#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdio>
#include <new>
#include <system_error>
#include <type_traits>
#include <vector>

#include "engine/failure/failure.h"
#include "engine/files/file_io.h"
#include "engine/model/chart_store.h"
#include "text/code_page.h"

namespace vantiro::engine::chartfile {

namespace {

constexpr std::string_view kChartRecord = "chart";
constexpr std::string_view kRegionRecord = "region";
constexpr std::string_view kEndRecord = "end";
constexpr std::string_view kValuesLine = "values";
constexpr std::string_view kColoursLine = "colours";

// ------------------------------------------------------------ the records
//
// Each Record lists the fields of one record after its keyword, in file
// order, and ends its line; series go on with their lists. A visitor V
// either writes (given const parts) or reads (given parts to fill). Its
// calls return false to stop a reader:
//   Int, Colour, Double, Text   one field
//   End                         the end of the record's line
//   SizeOf(list)                a count field's value as the writer knows it
//   Values, Colours             a list on the lines after the record
//   Single, Repeated            a region part that occurs once, or several
//                               times while `room` is true

// `T` is `Part` or `const Part`.
template <class T, class Part>
concept Of = std::same_as<std::remove_const_t<T>, Part>;

template <class V>
bool Record(V& v, Of<ChartSettings> auto& s) {
  return v.Int(s.width) && v.Int(s.height) && v.Colour(s.background) && v.Int(s.style) &&
         v.Int(s.tooltipWidth) && v.Colour(s.backgroundImageColour) && v.Text(s.fontName) &&
         v.Text(s.backgroundImage) && v.End();
}

template <class V>
bool Record(V& v, Of<Region> auto& r) {
  return v.Int(r.x) && v.Int(r.y) && v.Int(r.width) && v.Int(r.height) && v.Int(r.showBorder) &&
         v.Text(r.footer) && v.End();
}

template <class V>
bool Record(V& v, Of<Grid> auto& g) {
  return v.Colour(g.background) && v.Int(g.asGradient) && v.Int(g.x) && v.Int(g.y) &&
         v.Int(g.width) && v.Int(g.height) && v.Int(g.biColour) && v.End();
}

template <class V>
bool Record(V& v, Of<Caption> auto& c) {
  return v.Colour(c.background) && v.Colour(c.textColour) && v.Int(c.fontSize) && v.Int(c.bold) &&
         v.Text(c.text) && v.End();
}

template <class V>
bool Record(V& v, Of<Legend> auto& l) {
  return v.Int(l.alignment) && v.Colour(l.background) && v.Int(l.style) && v.Int(l.textColour) &&
         v.Int(l.fontSize) && v.Int(l.bold) && v.Text(l.text) && v.End();
}

template <class V>
bool Record(V& v, Of<DataAxis> auto& a) {
  return v.Int(a.alignment) && v.Double(a.minValue) && v.Double(a.maxValue) && v.Int(a.tickCount) &&
         v.Int(a.fontSize) && v.Colour(a.textColour) && v.Colour(a.lineColour) &&
         v.Int(a.lineStyle) && v.Int(a.decimalDigits) && v.Int(a.labelAlignment) &&
         v.Text(a.units) && v.Text(a.title) && v.Text(a.labels) && v.End();
}

template <class V>
bool Record(V& v, Of<LabelAxis> auto& a) {
  return v.Int(a.axisCount) && v.Int(a.tickCount) && v.Int(a.alignment) && v.Int(a.fontSize) &&
         v.Colour(a.textColour) && v.Int(a.textAlignment) && v.Colour(a.lineColour) &&
         v.Int(a.lineStyle) && v.Text(a.labels) && v.Text(a.title) && v.End();
}

template <class V>
bool Record(V& v, Of<BarSeries> auto& s) {
  std::int32_t values = v.SizeOf(s.values);
  return v.Int(values) && v.Int(s.type) && v.Int(s.style) && v.Int(s.lucent) &&
         v.Colour(s.colour) && v.Int(s.horizontal) && v.Int(s.whichDataAxis) &&
         v.Int(s.valueLabels) && v.Int(s.pointsPerColumn) && v.Int(s.hatch) && v.End() &&
         v.Values(values, s.values);
}

template <class V>
bool Record(V& v, Of<GridlessSeries> auto& s) {
  std::int32_t values = v.SizeOf(s.values), colours = v.SizeOf(s.colours);
  return v.Int(values) && v.Int(colours) && v.Int(s.style) && v.Int(s.alignment) &&
         v.Int(s.explode) && v.Int(s.lucent) && v.Int(s.valueLabels) && v.Int(s.hatch) &&
         v.Int(s.startAngle) && v.End() && v.Values(values, s.values) &&
         v.Colours(colours, s.colours);
}

// The records after a region's own, in the order the writer puts them.
template <class V>
bool Parts(V& v, Of<Region> auto& r) {
  const bool seriesRoom = r.SeriesCount() < static_cast<std::size_t>(kMaxSeriesPerRegion);
  return v.Single("grid", r.grid.present, r.grid) &&
         v.Single("caption", r.caption.present, r.caption) &&
         v.Single("legend", r.legend.present, r.legend) &&
         v.Repeated("data-axis", r.dataAxes,
                    r.dataAxes.size() < static_cast<std::size_t>(kMaxDataAxes)) &&
         v.Single("label-axis", r.hasLabelAxis, r.labelAxis) &&
         v.Repeated("bar-series", r.bars, seriesRoom) &&
         v.Repeated("gridless-series", r.gridless, seriesRoom);
}

// ---------------------------------------------------------------- writing

class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}

  void Begin(std::string_view keyword) { out_ += keyword; }

  bool End() {
    out_ += '\n';
    return true;
  }

  bool Int(std::int32_t v) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_ += ' ';
    out_.append(buf, r.ptr);
    return true;
  }

  bool Colour(std::uint32_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += ' ';
    for (int shift = 28; shift >= 0; shift -= 4) out_ += kHex[(v >> shift) & 0xF];
    return true;
  }

  // Shortest text that reads back as the same double.
  bool Double(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_ += ' ';
    out_.append(buf, r.ptr);
    return true;
  }

  // In UTF-8, quoted; '"' and '\' escaped by a backslash, every byte outside
  // printable ASCII as \xHH, so the file is plain ASCII and any byte survives.
  bool Text(const std::string& utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += " \"";
    for (char c : utf8) {
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
    return true;
  }

  template <class T>
  static std::int32_t SizeOf(const std::vector<T>& items) {
    return static_cast<std::int32_t>(items.size());
  }

  bool Values(std::int32_t, const std::vector<double>& items) {
    return List(kValuesLine, items, &RecordWriter::Double);
  }
  bool Colours(std::int32_t, const std::vector<Argb>& items) {
    return List(kColoursLine, items, &RecordWriter::Colour);
  }

  template <class T>
  bool Single(std::string_view keyword, bool present, const T& part) {
    if (present) Put(keyword, part);
    return true;
  }

  template <class T>
  bool Repeated(std::string_view keyword, const std::vector<T>& parts, bool) {
    for (const T& part : parts) Put(keyword, part);
    return true;
  }

  // A whole record: its keyword, its fields and any lists after it.
  template <class T>
  void Put(std::string_view keyword, const T& part) {
    Begin(keyword);
    Record(*this, part);
  }

 private:
  template <class T, class Item>
  bool List(std::string_view keyword, const std::vector<T>& items,
            bool (RecordWriter::*put)(Item)) {
    for (std::size_t i = 0; i < items.size(); i += kItemsPerLine) {
      Begin(keyword);
      for (std::size_t j = i; j < items.size() && j < i + kItemsPerLine; ++j) {
        (this->*put)(items[j]);
      }
      End();
    }
    return true;
  }

  std::string& out_;
};
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
  // Lines handed out so far: the last one is where a reader stopped.
  std::size_t LinesRead() const { return linesRead_; }

 protected:
  // Drops the "\r" of a CR LF ending; false, failing the source, for a line
  // longer than kMaxLineLength without it.
  bool Accept(std::string_view& line) {
    ++linesRead_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineLength) failed_ = true;
    return !failed_;
  }
  bool failed_ = false;
  std::size_t linesRead_ = 0;
};

class TextLines final : public LineSource {
 public:
  explicit TextLines(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) override {
    if (rest_.empty() || failed_) return false;
    const std::size_t nl = rest_.find('\n');
    line = rest_.substr(0, nl);
    rest_.remove_prefix(nl == std::string_view::npos ? rest_.size() : nl + 1);
    return Accept(line);
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
      // Too long already, even if a "\r\n" came next.
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

  // A quoted text of at most `maxBytes` bytes once decoded.
  bool Text(std::string& v, std::size_t maxBytes) {
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
      if (text.size() > maxBytes) return false;
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

// Reads records into a chart: the reading visitor of the records above.
class Parser {
 public:
  explicit Parser(LineSource& lines) : lines_(lines) {}

  bool Parse(Chart& chart) {
    std::string_view line;
    if (!lines_.Next(line)) return false;
    if (line == kMagicLine) {
      utf8Texts_ = true;
    } else if (line != kMagicLineVersion1) {
      return false;
    }
    if (!NextRecord() || keyword_ != kChartRecord || !Record(*this, chart.settings)) {
      return false;
    }
    for (;;) {
      if (!NextRecord()) return false;  // no "end": truncated
      if (keyword_ == kEndRecord) {
        if (!End() || lines_.Next(line) || lines_.Failed()) return false;
        return IsValidChart(chart);
      }
      if (keyword_ == kRegionRecord) {
        if (chart.regions.size() >= static_cast<std::size_t>(kMaxRegions)) return false;
        Region region;
        if (!Record(*this, region)) return false;
        chart.regions.push_back(std::move(region));
        continue;
      }
      // Parts matches the record to at most one part; none: an unknown record.
      if (chart.regions.empty() || !Parts(*this, chart.regions.back()) || !matched_) {
        return false;
      }
    }
  }

  bool Int(std::int32_t& v) { return fields_.Int(v); }
  bool Colour(std::uint32_t& v) { return fields_.Colour(v); }
  bool Double(double& v) { return fields_.Double(v); }
  // Texts enter the engine here as through its functions: version 2 texts
  // must be valid UTF-8 and keep only what the code page holds, version 1
  // texts are in the code page.
  bool Text(std::string& v) {
    std::string read;
    if (!utf8Texts_) {
      if (!fields_.Text(read, kMaxTextLength)) return false;
      v = text::ToUtf8(read, codePage_);
      return true;
    }
    if (!fields_.Text(read, kMaxUtf8TextLength) || !text::IsValidUtf8(read)) return false;
    const std::string inCodePage = text::FromUtf8(read, codePage_);
    if (inCodePage.size() > kMaxTextLength) return false;
    v = text::ToUtf8(inCodePage, codePage_);
    return true;
  }
  bool End() const { return fields_.AtEnd(); }

  // Counts are read from the file.
  template <class T>
  static std::int32_t SizeOf(const std::vector<T>&) {
    return 0;
  }

  bool Values(std::int32_t count, std::vector<double>& items) {
    return ReadList(kValuesLine, count, &Fields::Double, items);
  }
  bool Colours(std::int32_t count, std::vector<Argb>& items) {
    return ReadList(kColoursLine, count, &Fields::Colour, items);
  }

  template <class T>
  bool Single(std::string_view keyword, bool& present, T& part) {
    if (keyword != keyword_) return true;
    matched_ = true;
    if (present) return false;
    present = true;
    return Record(*this, part);
  }

  template <class T>
  bool Repeated(std::string_view keyword, std::vector<T>& parts, bool room) {
    if (keyword != keyword_) return true;
    matched_ = true;
    T part;
    if (!room || !Record(*this, part)) return false;
    parts.push_back(std::move(part));
    return true;
  }

 private:
  // Takes the next line as the record being read.
  bool NextRecord() {
    std::string_view line, rest;
    if (!lines_.Next(line)) return false;
    SplitRecord(line, keyword_, rest);
    fields_ = Fields(rest);
    matched_ = false;
    return true;
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
  bool utf8Texts_ = false;  // a version 2 file
  int codePage_ = text::CurrentCodePage();
  std::string_view keyword_;
  Fields fields_{std::string_view()};
  bool matched_ = false;
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
  std::string out(kMagicLine);
  RecordWriter w(out);
  w.End();
  w.Put(kChartRecord, chart.settings);
  for (const Region& r : chart.regions) {
    w.Put(kRegionRecord, r);
    Parts(w, r);
  }
  w.Begin(kEndRecord);
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
  if (ParseFrom(lines, chart) && !lines.Failed()) return true;
  try {
    const std::string line = std::to_string(lines.LinesRead());
    if (lines.Failed()) {
      failure::Record("cannot read the chart file " + path + " after line " + line +
                      " (a line too long, or a read error)");
    } else if (lines.LinesRead() == 0) {
      failure::Record("the chart file " + path + " is empty");
    } else {
      failure::Record("the chart file " + path + " is damaged at line " + line +
                      " (or describes a chart beyond the engine's limits)");
    }
  } catch (...) {  // out of memory: no detail
  }
  return false;
}

}  // namespace vantiro::engine::chartfile
