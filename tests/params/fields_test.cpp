// Fields of a text and the copy into fixed buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "plugin/params/params.h"

namespace vantiro::params {
namespace {

using namespace std::literals;

TEST(GetField, Table) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::string_view text, delimiter;
    std::int32_t n;
    std::string_view field;
  };
  const Case cases[] = {
      {"5||7", "|", 1, "5"},      {"5||7", "|", 2, ""},       {"5||7", "|", 3, "7"},
      {"5||7", "|", 4, ""},       {"5||7", "|", 0, ""},       {"5||7", "|", -1, "7"},
      {"5||7", "|", -3, "5"},     {"5||7", "|", -4, ""},      {"5||7", "|", kMin, ""},
      {"|a|", "|", 1, ""},        {"|a|", "|", 3, ""},        {"", "|", -1, ""},
      {" 5 |x", "|", 1, " 5 "},   {"\"a|b\"", "|", 2, "b\""}, {"aXbxc", "x", 1, "aXb"},
      {"aaaaa", "aa", 3, "a"},    {"a|||b", "||", 2, "|b"},   // matches never overlap
      {"1|2\0|3"sv, "|", 2, "2"}, {"1|2\0|3"sv, "|", 3, ""},  // the text ends at NUL
      {"a|b", "", 1, "a|b"},      {"a|b", "", 2, ""},         // "" never occurs
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetField(c.text, c.delimiter, c.n), c.field)
        << c.text << " '" << c.delimiter << "' " << c.n;
  }
  EXPECT_EQ(CountFields("1,2,3", ","), 3);
  EXPECT_EQ(CountFields("1,2,", ","), 3);
  EXPECT_EQ(CountFields("", ","), 1);
  EXPECT_EQ(CountFields("aaaaa", "aa"), 3);
  EXPECT_EQ(CountFields("a,b\0,c"sv, ","), 2);
}

TEST(CopyToBuffer, CutsAndAlwaysTerminates) {
  const std::string text(150, 'x');
  struct Case {
    std::string_view text;
    std::size_t size, kept;
  };
  const Case cases[] = {{text, 100, 99},      {text, 1000, 150}, {text, 256, 150},
                        {"ab\0cd"sv, 100, 2}, {"abc", 1, 0},     {"abc", 0, 0}};
  for (const Case& c : cases) {
    std::string buffer(c.size + 1, '#');  // one guard byte behind the buffer
    CopyToBuffer(c.text, buffer.data(), c.size);
    if (c.size > 0) {
      EXPECT_EQ(std::string_view(buffer.c_str()), c.text.substr(0, c.kept)) << c.size;
    }
    EXPECT_EQ(buffer[c.size], '#') << "wrote past a buffer of " << c.size;
  }
}

}  // namespace
}  // namespace vantiro::params
