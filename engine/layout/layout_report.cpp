// The layout report's JSON line.
#include "engine/layout/layout_report.h"

#include <array>
#include <charconv>
#include <cmath>
#include <variant>

#include "engine/layout/draw_list_builder.h"
#include "text/code_page.h"

namespace vantiro::engine {

void AppendReportNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  // Fixed notation of a finite double needs at most 309 digits before the point.
  std::array<char, 330> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                       std::chars_format::fixed, 2);
  if (ec != std::errc()) {
    out += "null";
    return;
  }
  std::string_view text(digits.data(), static_cast<std::size_t>(end - digits.data()));
  while (text.back() == '0') text.remove_suffix(1);  // "12.50" -> "12.5", "3.00" -> "3."
  if (text.back() == '.') text.remove_suffix(1);
  if (text == "-0") text = "0";
  out += text;
}

void AppendReportString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text::ToUtf8(text, text::CurrentCodePage())) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string LayoutReportLine(std::int32_t chartId, std::string_view output, const DrawList& list,
                             TextMeasurer& measurer) {
  std::string line = "{\"chart\": " + std::to_string(chartId) + ", \"output\": ";
  AppendReportString(line, output);
  line += ", \"width\": " + std::to_string(list.width);
  line += ", \"height\": " + std::to_string(list.height);
  line += ", \"texts\": [";
  bool first = true;
  for (const Shape& shape : list.shapes) {
    const auto* t = std::get_if<TextShape>(&shape);
    if (t == nullptr) continue;
    if (!first) line += ", ";
    first = false;
    line += "{\"role\": \"";
    line += TextRoleName(t->role);
    line += "\", \"text\": ";
    AppendReportString(line, t->text);
    line += ", \"quad\": [";
    const std::array<Point, 4> quad = layout::TextQuad(measurer.Measure(t->font, t->text),
                                                       t->anchor, t->hAlign, t->vAlign, t->angle);
    for (std::size_t i = 0; i < quad.size(); ++i) {
      if (i > 0) line += ',';
      line += '[';
      AppendReportNumber(line, quad[i].x);
      line += ',';
      AppendReportNumber(line, quad[i].y);
      line += ']';
    }
    line += ']';
    if (!t->full.empty()) {
      line += ", \"full\": ";
      AppendReportString(line, t->full);
    }
    line += '}';
  }
  line += "], \"omitted\": [";
  for (std::size_t i = 0; i < list.omitted.size(); ++i) {
    if (i > 0) line += ", ";
    line += "{\"role\": \"";
    line += TextRoleName(list.omitted[i].role);
    line += "\", \"text\": ";
    AppendReportString(line, list.omitted[i].text);
    line += '}';
  }
  line += ']';
  if (list.omittedMore > 0) line += ", \"omittedMore\": " + std::to_string(list.omittedMore);
  line += '}';
  return line;
}

}  // namespace vantiro::engine
