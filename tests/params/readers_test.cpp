// Colour patterns, integer fields of a parameter text, and value and colour
// lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "plugin/params/params.h"

namespace vantiro::params {
namespace {

using namespace std::literals;

// The decoder as the series actions run it: into an array of one element per
// item.
std::vector<double> Values(std::string_view field) {
  std::vector<double> values(static_cast<std::size_t>(CountFields(field, ",")));
  DecodeValueList(field, values);
  return values;
}
std::vector<std::uint32_t> Colours(std::string_view field) {
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(CountFields(field, ",")));
  ColourPatternList(field, colours);
  return colours;
}

// Field n of a parameter text as an action reads an integer field.
std::int32_t ReadInteger(std::string_view parameters, std::int32_t n) {
  return ToInt32(ParseNumber(GetField(parameters, "|", n)));
}

TEST(ColourPattern, Table) {
  struct Case {
    std::string_view text;
    std::uint32_t pattern;
  };
  const Case cases[] = {
      {"#FF0000", 0xFF0000FF},
      {"#0080FF", 0xFFFF8000},
      {"#fFa0C3", 0xFFC3A0FF},
      {"x123456", 0xFF563412},
      {"#12345678", 0xFF563412},
      {"#FFF", 0x000FFFFF},
      {"#GG0000", 0x00FF0000},
      {"", 0x000000FF},
      {"#", 0x000000FF},
      {"FF0000", 0x0FF000F0},
      {"#GGGGFF", 0xFFFFFFFF},
      {"#GG&&FF", 0x0000FFFF},  // &HFFFF reduced, unless "&&" follows
      {"#12\0"
       "456"sv,
       0xFFFFFF12},  // ends at NUL: &HFF12, reduced
  };
  for (const Case& c : cases) EXPECT_EQ(ColourPattern(c.text), c.pattern) << c.text;
}

TEST(ColourPatternList, ReadsEveryItemAsAColourField) {
  EXPECT_EQ(Colours("#FF0000,"), (std::vector<std::uint32_t>{0xFF0000FF, 0xFF}));
}

TEST(ReadInteger, Table) {
  const std::string_view region = "1|10|20|300|200|Turnover|1";
  struct Case {
    std::string_view parameters;
    std::int32_t n, value;
  };
  const Case cases[] = {{"5||7", 1, 5},      {"5||7", 2, 0},      {"5||7", 3, 7},
                        {"5||7", 4, 0},      {region, 5, 200},    {region, 6, 0},
                        {region, 7, 1},      {"1| \t12", 2, 12},  {"1|\r12", 2, 0},
                        {"1|2.5|3.5", 2, 2}, {"1|2.5|3.5", 3, 4}, {"3.5", 1, 4}};
  for (const Case& c : cases)
    EXPECT_EQ(ReadInteger(c.parameters, c.n), c.value) << c.parameters << " " << c.n;
}

TEST(DecodeValueList, Table) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    std::string_view field;
    std::vector<double> values;
  };
  const Case cases[] = {
      {"1.5,,3", {1.5, 0, 3}},
      {"", {0}},
      {"10,20.5,30", {10, 20.5, 30}},
      {"1,2,", {1, 2, 0}},
      {"0.25", {0.25}},
      {" 1, -2e1", {1, -20}},
      {"&HFF,&HFFFF", {255, -1}},
      {"1e9999,-1e9999,1e-9999", {kInf, -kInf, 0}},
      {"1,2\0,3"sv, {1, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(Values(c.field), c.values) << c.field;
  double short_[3] = {-1, -1, -1};
  DecodeValueList("1,2,3", std::span(short_, 2));  // never writes past the output
  EXPECT_EQ(std::vector(short_, short_ + 3), (std::vector<double>{1, 2, -1}));
}

// The list decoders give what item-by-item GetField gives, on lists made of
// pieces of numbers, colours, separators and blanks.
TEST(Lists, EqualTheItemByItemDefinition) {
  const std::string_view pieces[] = {",",   ",",  "1",           "25", ".",   "-", "e9",
                                     "E-3", "&H", "FFFF",        "&",  "?",   "#", "0",
                                     " ",   "\t", "99999999999", "x",  "d400"};
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    std::string field;
    for (auto count = random() % 16; count > 0; --count)
      field += pieces[random() % std::size(pieces)];
    std::vector<double> values;
    std::vector<std::uint32_t> colours;
    for (std::int32_t i = 1; i <= CountFields(field, ","); ++i) {
      values.push_back(ParseNumber(GetField(field, ",", i)).ToDouble());
      colours.push_back(ColourPattern(GetField(field, ",", i)));
    }
    const std::vector<double> decoded = Values(field);
    ASSERT_EQ(decoded.size(), values.size()) << field;
    ASSERT_EQ(std::memcmp(decoded.data(), values.data(), values.size() * sizeof(double)), 0)
        << field;
    ASSERT_EQ(Colours(field), colours) << field;
  }
}

}  // namespace
}  // namespace vantiro::params
