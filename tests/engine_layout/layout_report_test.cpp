// The layout report's JSON line: roles, escaping, UTF-8, quads of placed and
// rotated texts, shortened and omitted texts, and how numbers are written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/layout/layout_report.h"
#include "layout_testing.h"

namespace vantiro::engine::layout_test {
namespace {

TextShape Text(TextRole role, std::string text, Point anchor, HAlign h, VAlign v, double angle) {
  TextShape t;
  t.role = role;
  t.text = std::move(text);
  t.anchor = anchor;
  t.hAlign = h;
  t.vAlign = v;
  t.angle = angle;
  t.font.sizePx = 10;  // FakeMeasurer: 6 px a character, ascent 8, descent 2
  return t;
}

TEST(LayoutReport, LineListsTextsAsDrawnAndTextsLeftOut) {
  DrawList list;
  list.width = 640;
  list.height = 480;
  list.shapes.push_back(RectShape{});  // only texts are listed
  list.shapes.push_back(Text(TextRole::kCaption, "a\"b\\\xC3\xA9\xE2\x82\xAC\x01", {10.5, 20},
                             HAlign::kLeft, VAlign::kBaseline, 0));
  list.shapes.push_back(
      Text(TextRole::kTick, "12", {100, 200}, HAlign::kCentre, VAlign::kMiddle, 90));
  TextShape shortened = Text(TextRole::kValue, "Lon\xE2\x80\xA6", {30.004, 1.0 / 3}, HAlign::kRight,
                             VAlign::kBaseline, 0);
  shortened.full = "Longer \xE2\x80\x9Ctext\xE2\x80\x9D";
  shortened.datum = {0, 1, 2, 0.1};
  list.shapes.push_back(shortened);
  list.omitted.push_back({TextRole::kAxisTitle, "Units\n"});
  list.omitted.push_back({TextRole::kSlice, "North", {1, 0, 4, -2}, "negative slice"});
  list.dataShapes.push_back(
      {ShapeRole::kSegment, {0, 1, 2, 0.1}, {{1, 2}, {3, 2}, {3, 4}, {1, 4}}});
  list.dataShapes.push_back({ShapeRole::kSlice, {1, 0, 3, 5}, {{0, 0}, {4, 0}, {0, 4}}});
  list.axes.push_back({0, 1, 0, 100, {0, 50, 100}});

  FakeMeasurer measurer;
  const std::string prefix = "{\"chart\": 7, \"output\": \"C:\\\\charts\\\\q\xC3\xA9.png\", ";
  const std::string texts =
      "\"width\": 640, \"height\": 480, \"texts\": ["
      "{\"role\": \"caption\", \"text\": \"a\\\"b\\\\\xC3\xA9\xE2\x82\xAC\\u0001\", "
      "\"quad\": [[10.5,12],[52.5,12],[52.5,22],[10.5,22]]}, "
      // Turned a quarter counter-clockwise about its centre.
      "{\"role\": \"tick\", \"text\": \"12\", \"quad\": [[95,206],[95,194],[105,194],[105,206]]}, "
      "{\"role\": \"value\", \"text\": \"Lon\xE2\x80\xA6\", "
      "\"quad\": [[6,-7.67],[30,-7.67],[30,2.33],[6,2.33]], "
      "\"full\": \"Longer \xE2\x80\x9Ctext\xE2\x80\x9D\", "
      "\"region\": 0, \"series\": 1, \"point\": 2, \"value\": 0.1}], ";
  const std::string omitted =
      "\"omitted\": [{\"role\": \"axis-title\", \"text\": \"Units\\u000a\"}, "
      "{\"role\": \"slice\", \"text\": \"North\", \"region\": 1, \"series\": 0, "
      "\"point\": 4, \"value\": -2, \"reason\": \"negative slice\"}]";
  const std::string shapes =
      ", \"shapes\": [{\"role\": \"segment\", \"region\": 0, \"series\": 1, \"point\": 2, "
      "\"value\": 0.1, \"quad\": [[1,2],[3,2],[3,4],[1,4]]}, "
      "{\"role\": \"slice\", \"region\": 1, \"series\": 0, \"point\": 3, \"value\": 5, "
      "\"quad\": [[0,0],[4,0],[4,4],[0,4]], \"polygon\": [[0,0],[4,0],[0,4]]}], "
      "\"axes\": [{\"region\": 0, \"axis\": 2, \"min\": 0, \"max\": 100, "
      "\"ticks\": [0,50,100]}]}";
  EXPECT_EQ(LayoutReportLine(7, "C:\\charts\\q\xC3\xA9.png", list, measurer),
            prefix + texts + omitted + shapes);

  list.omittedMore = 3;
  EXPECT_EQ(LayoutReportLine(7, "C:\\charts\\q\xC3\xA9.png", list, measurer),
            prefix + texts + omitted + ", \"omittedMore\": 3" + shapes);
}

TEST(LayoutReport, NumbersHaveAtMostTwoDecimalsAndNoExponent) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {12.5, "12.5"},
      {-7.666666, "-7.67"},
      {0.004, "0"},
      {-0.004, "0"},  // never "-0"
      {1e20, "100000000000000000000"},
      {-3e-9, "0"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
      {std::numeric_limits<double>::infinity(), "null"},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendReportNumber(out, c.value);
    EXPECT_EQ(out, c.text) << c.value;
  }
}

}  // namespace
}  // namespace vantiro::engine::layout_test
