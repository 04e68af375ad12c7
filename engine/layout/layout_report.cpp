// The layout report's JSON line.
#include "engine/layout/layout_report.h"

#include <algorithm>
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
  for (const char c : text::ToUtf8(text, text::kUtf8CodePage)) {  // made valid
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

namespace {

void AppendPoints(std::string& line, const Point* points, std::size_t count) {
  line += '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) line += ',';
    line += '[';
    AppendReportNumber(line, points[i].x);
    line += ',';
    AppendReportNumber(line, points[i].y);
    line += ']';
  }
  line += ']';
}

// `"region": R, "series": S, "point": P, "value": V` for a datum.
void AppendDatum(std::string& line, const Datum& d) {
  if (!d.Present()) return;
  line += ", \"region\": " + std::to_string(d.region);
  line += ", \"series\": " + std::to_string(d.series);
  line += ", \"point\": " + std::to_string(d.point);
  line += ", \"value\": ";
  AppendExactNumber(line, d.value);
}

}  // namespace

void AppendExactNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  // Shortest text that reads back as the same double.
  std::array<char, 32> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc()) {
    out += "null";
    return;
  }
  out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
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
    line += ", \"quad\": ";
    const std::array<Point, 4> quad = layout::TextQuad(measurer.Measure(t->font, t->text),
                                                       t->anchor, t->hAlign, t->vAlign, t->angle);
    AppendPoints(line, quad.data(), quad.size());
    if (!t->full.empty()) {
      line += ", \"full\": ";
      AppendReportString(line, t->full);
    }
    AppendDatum(line, t->datum);
    line += '}';
  }
  line += "], \"omitted\": [";
  for (std::size_t i = 0; i < list.omitted.size(); ++i) {
    if (i > 0) line += ", ";
    line += "{\"role\": \"";
    line += TextRoleName(list.omitted[i].role);
    line += "\", \"text\": ";
    AppendReportString(line, list.omitted[i].text);
    AppendDatum(line, list.omitted[i].datum);
    if (list.omitted[i].reason != nullptr) {
      line += ", \"reason\": ";
      AppendReportString(line, list.omitted[i].reason);
    }
    line += '}';
  }
  line += ']';
  if (list.omittedMore > 0) line += ", \"omittedMore\": " + std::to_string(list.omittedMore);
  line += ", \"shapes\": [";
  for (std::size_t i = 0; i < list.dataShapes.size(); ++i) {
    const DataShape& shape = list.dataShapes[i];
    if (i > 0) line += ", ";
    line += "{\"role\": \"";
    line += ShapeRoleName(shape.role);
    line += '"';
    AppendDatum(line, shape.datum);
    line += ", \"quad\": ";
    const layout::Rect box = layout::BoundsOf(shape.outline);
    const std::array<Point, 4> quad{Point{box.x, box.y}, Point{box.Right(), box.y},
                                    Point{box.Right(), box.Bottom()}, Point{box.x, box.Bottom()}};
    AppendPoints(line, quad.data(), quad.size());
    if (shape.role == ShapeRole::kSlice || shape.role == ShapeRole::kLayer) {
      line += ", \"polygon\": ";
      AppendPoints(line, shape.outline.data(), shape.outline.size());
    }
    line += '}';
  }
  line += ']';
  if (list.dataShapesMore > 0) {
    line += ", \"shapesMore\": " + std::to_string(list.dataShapesMore);
  }
  line += ", \"axes\": [";
  for (std::size_t i = 0; i < list.axes.size(); ++i) {
    const AxisRange& axis = list.axes[i];
    if (i > 0) line += ", ";
    line += "{\"region\": " + std::to_string(axis.region);
    line += ", \"axis\": " + std::to_string(axis.axis + 1);
    line += ", \"min\": ";
    AppendExactNumber(line, axis.min);
    line += ", \"max\": ";
    AppendExactNumber(line, axis.max);
    line += ", \"ticks\": [";
    for (std::size_t k = 0; k < axis.ticks.size(); ++k) {
      if (k > 0) line += ',';
      AppendExactNumber(line, axis.ticks[k]);
    }
    line += "]}";
  }
  line += ']';
  line += '}';
  return line;
}

}  // namespace vantiro::engine
