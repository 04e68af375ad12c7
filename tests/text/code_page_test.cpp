// Code pages: conversions both ways per page, what cannot be converted, and
// cutting texts between characters.
#include <algorithm>

#include <gtest/gtest.h>

#include "text/code_page.h"

namespace vantiro::text {
namespace {

struct PageCase {
  int codePage;
  std::string bytes;    // in the code page
  std::string utf8;     // the same text
  std::string foreign;  // UTF-8 the page lacks, one character
};

const PageCase kPages[] = {
    // "Zażółć", euro, the undefined byte 0x81 as its control.
    {1250, "Za\xBF\xF3\xB3\xE6 \x80\x81", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xE2\x82\xAC\xC2\x81",
     "\xD0\x96"},
    // "Продажи", "ё", "№", the undefined byte 0x98.
    {1251, "\xCF\xF0\xEE\xE4\xE0\xE6\xE8 \xB8\xB9\x98",
     "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD0\xB0\xD0\xB6\xD0\xB8 \xD1\x91\xE2\x84\x96\xC2\x98",
     "\xC3\xA9"},
    // "café", curly quotes, Ÿ, the undefined byte 0x9D.
    {1252, "caf\xE9 \x93q\x94\x9F\x9D", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D\xC5\xB8\xC2\x9D",
     "\xD0\x96"},
    // UTF-8 holds everything, a character beyond the BMP too.
    {65001, "\xF0\x9F\x93\x88 \xD0\x96", "\xF0\x9F\x93\x88 \xD0\x96", ""},
};

TEST(CodePageTest, TextsRoundTripAndForeignCharactersBecomeQuestionMarks) {
  for (const PageCase& c : kPages) {
    SCOPED_TRACE(c.codePage);
    ASSERT_TRUE(IsSupported(c.codePage));
    EXPECT_EQ(ToUtf8(c.bytes, c.codePage), c.utf8);
    std::size_t missing = 99;
    EXPECT_EQ(FromUtf8(c.utf8, c.codePage, &missing), c.bytes);
    EXPECT_EQ(missing, 0u);
    if (!c.foreign.empty()) {
      EXPECT_EQ(FromUtf8("a" + c.foreign + "b" + c.foreign, c.codePage, &missing), "a?b?");
      EXPECT_EQ(missing, 2u);
    }
    // Every byte of a single-byte page converts and comes back.
    if (c.codePage != kUtf8CodePage) {
      std::string all;
      for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
      const std::string utf8 = ToUtf8(all, c.codePage);
      EXPECT_TRUE(IsValidUtf8(utf8));
      EXPECT_EQ(FromUtf8(utf8, c.codePage), all);
      const std::u16string wide = ToUtf16(all, c.codePage);
      EXPECT_EQ(wide.size(), all.size());
    }
  }
}

TEST(CodePageTest, BrokenUtf8IsReplacedNeverPassedOn) {
  const struct {
    std::string in, toUtf8, fromUtf8;
  } cases[] = {
      {"a\xFF", "a\xEF\xBF\xBD", "a?"},                                 // no lead byte
      {"\xD0", "\xEF\xBF\xBD", "?"},                                    // cut short
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", "??"},                   // overlong "/"
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", "???"},  // a surrogate
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(IsValidUtf8(c.in));
    EXPECT_EQ(ToUtf8(c.in, kUtf8CodePage), c.toUtf8);
    std::size_t missing = 0;
    EXPECT_EQ(FromUtf8(c.in, kUtf8CodePage, &missing), c.fromUtf8);
    EXPECT_EQ(missing, std::size_t(std::count(c.fromUtf8.begin(), c.fromUtf8.end(), '?')));
    EXPECT_EQ(FromUtf8(c.in, 1252), c.fromUtf8);
  }
  EXPECT_EQ(ToUtf16("\xD0\x96\xFF", kUtf8CodePage), u"\u0416\uFFFD");
}

TEST(CodePageTest, TextsAreCutBetweenCharacters) {
  const std::string text = "a\xD0\x96\xF0\x9F\x93\x88z";  // a, Ж, a 4-byte character, z
  const std::size_t utf8Cuts[] = {0, 1, 1, 3, 3, 3, 3, 7, 8, 8};
  for (std::size_t pos = 0; pos < std::size(utf8Cuts); ++pos) {
    EXPECT_EQ(CharacterBoundary(text, pos, kUtf8CodePage), utf8Cuts[pos]) << pos;
    EXPECT_EQ(CharacterBoundary(text, pos, 1251), std::min(pos, text.size())) << pos;
  }
  EXPECT_EQ(CharacterCount(text, kUtf8CodePage), 4u);
  EXPECT_EQ(CharacterCount(text, 1252), 8u);
  EXPECT_EQ(CharacterLength("\xD0", 0, kUtf8CodePage), 1u);  // a broken sequence: byte by byte
  EXPECT_EQ(CharacterLength(text, 8, kUtf8CodePage), 0u);
}

TEST(CodePageTest, OnlyKnownPagesAreAccepted) {
  const int before = CurrentCodePage();
  EXPECT_FALSE(IsSupported(0));
  EXPECT_FALSE(SetCurrentCodePage(-5));
  EXPECT_EQ(CurrentCodePage(), before);
  EXPECT_TRUE(SetCurrentCodePage(before));
#ifndef _WIN32
  EXPECT_EQ(before, kDefaultNativeCodePage);
  EXPECT_FALSE(IsSupported(437));
  ASSERT_TRUE(SetCurrentCodePage(kUtf8CodePage));
  EXPECT_EQ(CurrentCodePage(), kUtf8CodePage);
  EXPECT_TRUE(SetCurrentCodePage(before));
#endif
}

}  // namespace
}  // namespace vantiro::text
