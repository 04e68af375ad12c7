// Numbers: the decimal and radix forms, exact integer rounding, and the
// nearest double whatever the x87 precision the host has set.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "plugin/params/params.h"

namespace vantiro::params {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

double Value(std::string_view text) { return ParseNumber(text).ToDouble(); }
std::int32_t Integer(std::string_view text) { return ToInt32(ParseNumber(text)); }
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs `body` with the x87 unit set to 24, 53 or 64 bits, as a host may set it.
template <typename Body>
void AtX87Precision([[maybe_unused]] int bits, Body body) {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t saved = 0;
  __asm__ volatile("fnstcw %0" : "=m"(saved));
  const auto word = static_cast<std::uint16_t>((saved & ~0x300) | (bits == 64   ? 0x300
                                                                   : bits == 53 ? 0x200
                                                                                : 0));
  __asm__ volatile("fldcw %0" : : "m"(word));
  body();
  __asm__ volatile("fldcw %0" : : "m"(saved));
#else
  body();
#endif
}

TEST(ParseNumber, DecimalForm) {
  struct Case {
    std::string_view text;
    double value;
  };
  const Case cases[] = {
      {"12abc", 12},
      {"2,5", 2},
      {"1 000", 1},
      {".5", 0.5},
      {"1e3", 1000},
      {"-3.25", -3.25},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"- 5", 0},
      {"--5", 0},
      {".", 0},
      {"e5", 0},
      {" \t12", 12},
      {"\n12", 12},
      {"\r12", 0},
      {"+7", 7},
      {"1.2.3", 1.2},
      {"1d2", 100},
      {"1D-2", 0.01},
      {"1e+", 1},
      {"1e5.5", 1e5},
      {"-0", 0},
      {"00012.5000", 12.5},
      {"9007199254740993.00001", 0x1p+53},  // digits after the 18th count as zeros: a tie
      {"0.00123456789012345678999", 123456789012345678e-20},
      {"1e99999", kInf},
      {"-1e9999", -kInf},
      {"1e-99999", 0},
      {"-1e-400", 0},
      {"1.8e308", kInf},
      {"0.0000000001e9999", kInf},
      {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(SameBits(Value(c.text), c.value)) << c.text << " gives " << Value(c.text);
}

TEST(ParseNumber, RadixForm) {
  struct Case {
    std::string_view text;
    std::int64_t value;
  };
  const Case cases[] = {
      {"&17", 15},
      {"&H", 0},
      {"&HZZ", 0},
      {"&9", 0},
      {"&", 0},
      {"&&HFF", 0},
      {"-&H10", 0},
      {"  &hff", 255},
      {"&o17", 15},
      {"&Q17", 15},
      {"&O8", 0},
      {"&B101", 5},
      {"&b2", 0},
      // the two reductions and what stops them
      {"&HFFFF", -1},
      {"&H8000", -32768},
      {"&H7FFF", 32767},
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},
      {"&HFFFFFFFF&", -1},
      {"&HFF000000", -16777216},
      {"&H80000000", kMin},
      {"&H7FFFFFFF", kMax},
      {"&H100000000", 0x100000000},
      {"&H0FFFF", 65535},
      {"&H0FFFFFFFF", 0xFFFFFFFF},
      {"&0177777", 65535},
      {"&177777", -1},
      {"&HFFFF&", 65535},
      {"&HFFFF&&", 65535},
      {"&HFFFFFFFF&&", 0xFFFFFFFF},
      {"&HFFFF%", -1},
      {"&HFFFFFFFF%", -1},
      {"&HFFFF???", 65535},
      {"&HFFFFFFFF?", 0xFFFFFFFF},
      {"&B1111111111111111", -1},
      // up to 64 bits, read as signed; wider gives 0
      {"&HFFFFFFFFFFFFFFFF", -1},
      {"&H8000000000000000", std::numeric_limits<std::int64_t>::min()},
      {"&H10000000000000000", 0},
      {"&H000000000000000000001", 1},
      {"&O1777777777777777777777", -1},
      {"&O2000000000000000000000", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Value(c.text), static_cast<double>(c.value)) << c.text;
}

TEST(ToInt32, RoundsTheExactValueAndSaturates) {
  struct Case {
    std::string_view text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"7.5", 8},
      {"6.5", 6},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"0.5", 0},
      {"-3.5", -4},
      {"-1.51", -2},
      {"25e-1", 2},
      {"0.45e1", 4},
      {"3.49999999999999999", 3},
      {"2.50000000000000001", 3},
      {"2.500000000000000001", 2},  // the 1 is the 19th digit: exactly 2.5
      {"0.00000000000000000005e20", 5},
      {"0.0000000000000000000000001", 0},
      {"&HFFFF", -1},
      {"2147483646.5", 2147483646},
      {"2147483647.5", kMax},
      {"2147483648", kMax},
      {"-2147483648.5", kMin},
      {"-2147483649", kMin},
      {"123456789012345678901234567890", kMax},
      {"1e9999", kMax},
      {"-1e9999", kMin},
      {"1e-9999", 0},
      {"&HFFFFFFFF?", kMax},
      {"&H8000000000000000", kMin},
  };
  for (const Case& c : cases) EXPECT_EQ(Integer(c.text), c.value) << c.text;
}

// The expected result is worked out on the digits written as text.
TEST(ToInt32, MatchesRoundingOnTheDigits) {
  std::mt19937_64 random(7);
  auto pick = [&random](std::uint64_t n) { return static_cast<std::size_t>(random() % n); };
  for (int round = 0; round < 20000; ++round) {
    const auto whole = static_cast<std::int32_t>(pick(2147483647U));
    std::string fraction(1 + pick(8), '0');
    for (char& c : fraction) c = static_cast<char>('0' + pick(10));
    if (round % 4 == 0) fraction.assign(fraction.size(), '0').front() = '5';  // exact halves
    std::string half(fraction.size(), '0');
    half.front() = '5';
    const bool up = fraction > half || (fraction == half && whole % 2 == 1);
    const bool negative = pick(2) == 1;
    std::string text = negative ? "-" : "";
    text += std::to_string(whole);
    text += '.';
    text += fraction;
    ASSERT_EQ(Integer(text), (negative ? -1 : 1) * (whole + (up ? 1 : 0))) << text;
  }
}

// Texts whose conversion rounds twice on an x87 unit set to 64 bits.
TEST(NumberToDouble, SameWhateverTheX87Precision) {
  struct Case {
    std::string_view text;
    double value;
  };
  const Case cases[] = {
      {"1143506246534187e14", 0x1.717c9ea7b72e7p+96},
      {"6008520440604289e13", 0x1.844aa1e320717p+95},
      {"1852881811434639e19", 0x1.c8c54826dab61p+113},
      {"5379330879076748e15", 0x1.0f9638d8c2ac7p+102},
      {"5209195192447651e16", 0x1.48bf1659da327p+105},
      {"1.23456789012345678", 0x1.3c0ca428c59fbp+0},
      {"12345678901234567.8e6", 0x1.4ea15b273b38ap+73},
      {"2.2250738585072011e-308", 0x0.fffffffffffffp-1022},
      {"999999999999999999e290", 0x1.1ccf385ebc8ap+1023},
      {"&H20000000000003", 0x1.0000000000002p+53},
  };
  for (const int bits : {24, 53, 64}) {
    for (const Case& c : cases) {
      double value = 0;
      AtX87Precision(bits, [&] { value = Value(c.text); });
      EXPECT_TRUE(SameBits(value, c.value)) << c.text << " at " << bits << " bits";
    }
  }
}

// Digits written with the point and the exponent moved give the double the
// library's conversion gives for the plain form.
TEST(NumberToDouble, NearestDoubleOfTheWrittenValue) {
  std::mt19937_64 random(11);
  auto pick = [&random](std::uint64_t n) { return static_cast<std::size_t>(random() % n); };
  for (int round = 0; round < 20000; ++round) {
    std::string digits(1 + pick(18), '0');
    for (char& c : digits) c = static_cast<char>('0' + pick(10));
    digits.front() = static_cast<char>('1' + pick(9));
    const int exponent = static_cast<int>(pick(700)) - 350;
    const std::string plain = digits + 'e' + std::to_string(exponent);

    // The point moved `shift` places left, with zeros in front.
    const std::size_t shift = pick(40);
    std::string moved(pick(3) + (shift > digits.size() ? shift - digits.size() : 0), '0');
    moved += digits;
    std::string written(moved, 0, moved.size() - shift);
    written += '.';
    written.append(moved, moved.size() - shift);
    written += 'D';
    written += std::to_string(exponent + static_cast<int>(shift));

    double expected = 0;
    AtX87Precision(53, [&] {
      if (std::from_chars(plain.data(), plain.data() + plain.size(), expected).ec != std::errc{}) {
        expected = exponent > 0 ? kInf : 0.0;
      }
    });
    double value = 0;
    AtX87Precision(64, [&] { value = Value(written); });
    ASSERT_TRUE(SameBits(value, expected)) << written << " vs " << plain;
  }
}

}  // namespace
}  // namespace vantiro::params
