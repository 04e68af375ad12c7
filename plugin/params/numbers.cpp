// Numbers of the parameter language: scanning, rounding to integers on the
// exact decimal value, and the nearest double for data values.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "plugin/params/params.h"

// The short decimal conversions below rely on double arithmetic being
// rounded once, to 53 bits; x87 arithmetic would round twice under a host
// that sets the FPU to 64-bit precision.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "vantiro_params needs SSE2 double arithmetic (-msse2 -mfpmath=sse)"
#endif

namespace vantiro::params {
namespace {

constexpr int kSignificantDigits = 18;       // digits after the 18th count as zeros
constexpr std::int32_t kExponentCap = 9999;  // magnitude cap of a written exponent
// Beyond this every decimal number with 18 digits is infinite or zero for
// both integers and doubles; clamping keeps the exponent in 32 bits.
constexpr std::int64_t kExponentClamp = 100000;

constexpr std::uint64_t kPow10[] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL,
                                    100000000000ULL,
                                    1000000000000ULL,
                                    10000000000000ULL,
                                    100000000000000ULL,
                                    1000000000000000ULL,
                                    10000000000000000ULL,
                                    100000000000000000ULL,
                                    1000000000000000000ULL};

// Powers of ten that are exact doubles.
constexpr double kPow10Double[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr unsigned kNoDigit = 16;

unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return kNoDigit;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// `text` starts behind the "&".
Number ParseRadix(std::string_view text) {
  if (text.empty()) return {};
  std::size_t at = 0;
  unsigned base = 8;  // any other character is read as the first octal digit
  switch (text[0]) {
    case 'H':
    case 'h':
      base = 16;
      at = 1;
      break;
    case 'O':
    case 'o':
    case 'Q':
    case 'q':
      base = 8;
      at = 1;
      break;
    case 'B':
    case 'b':
      base = 2;
      at = 1;
      break;
    default: break;
  }

  const std::size_t first = at;
  std::uint64_t value = 0;
  bool tooWide = false;
  for (; at < text.size(); ++at) {
    const unsigned digit = DigitValue(text[at]);
    if (digit >= base) break;
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / base) tooWide = true;
    value = value * base + digit;
  }
  if (at == first || tooWide) return {};

  // Type suffixes: "?" to "???" and "&&" keep the value as written, a single
  // "&" keeps 16-bit values, "%" changes nothing.
  bool keepWord = text[first] == '0';
  bool keepLong = keepWord;
  if (at < text.size()) {
    if (text[at] == '?') {
      keepWord = keepLong = true;
    } else if (text[at] == '&') {
      keepWord = true;
      if (at + 1 < text.size() && text[at + 1] == '&') keepLong = true;
    }
  }

  auto signedValue = static_cast<std::int64_t>(value);  // two's complement (C++20)
  if (value < 0x10000 && (value & 0x8000) != 0) {
    if (!keepWord) signedValue -= 0x10000;
  } else if (value >= 0x10000 && value <= 0xFFFFFFFFULL && (value & 0x80000000ULL) != 0) {
    if (!keepLong) signedValue -= 0x100000000LL;
  }

  Number number;
  number.kind = Number::Kind::kRadix;
  number.radixValue = signedValue;
  return number;
}

Number ParseDecimal(std::string_view text) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }

  // value = digits * 10^scale, keeping at most 18 significant digits.
  std::uint64_t digits = 0;
  int kept = 0;
  std::int64_t scale = 0;
  bool anyDigit = false;
  bool seenPoint = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.') {
      if (seenPoint) break;
      seenPoint = true;
      continue;
    }
    if (!IsDecimalDigit(c)) break;
    anyDigit = true;
    const auto digit = static_cast<unsigned>(c - '0');
    if (kept == 0 && digit == 0) {
      if (seenPoint) --scale;  // leading zero: not significant
    } else if (kept < kSignificantDigits) {
      digits = digits * 10 + digit;
      ++kept;
      if (seenPoint) --scale;
    } else if (!seenPoint) {
      ++scale;  // dropped integer digit: counts as zero
    }
  }
  if (!anyDigit) return {};

  std::int32_t exponent = 0;
  if (at < text.size() &&
      (text[at] == 'E' || text[at] == 'e' || text[at] == 'D' || text[at] == 'd')) {
    ++at;
    bool exponentNegative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      exponentNegative = text[at] == '-';
      ++at;
    }
    for (; at < text.size() && IsDecimalDigit(text[at]); ++at) {
      exponent = std::min(exponent * 10 + (text[at] - '0'), kExponentCap);
    }
    if (exponentNegative) exponent = -exponent;
  }
  if (digits == 0) return {};

  while (digits % 10 == 0) {
    digits /= 10;
    ++scale;
  }
  const std::int64_t total =
      std::clamp<std::int64_t>(scale + exponent, -kExponentClamp, kExponentClamp);

  Number number;
  number.kind = Number::Kind::kDecimal;
  number.negative = negative;
  number.digits = digits;
  number.exponent = static_cast<std::int32_t>(total);
  return number;
}

int DecimalLength(std::uint64_t value) {
  int length = 1;
  while (length < 19 && value >= kPow10[length]) ++length;
  return length;
}

// Nearest double to digits * 10^exponent (digits > 0, below 10^18).
double DecimalToDouble(std::uint64_t digits, std::int32_t exponent) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  // Both operands exact, one correctly rounded operation.
  if (digits <= (1ULL << 53) && exponent >= -22 && exponent <= 22) {
    const auto value = static_cast<double>(digits);
    return exponent < 0 ? value / kPow10Double[-exponent] : value * kPow10Double[exponent];
  }
  const int length = DecimalLength(digits);
  if (exponent + length - 1 >= 309) return kInfinity;  // at least 1e309
  if (exponent + length <= -324) return 0.0;           // below 1e-324

  // Integer-only conversion of the library: independent of the FPU mode.
  char buffer[48];
  auto written = std::to_chars(buffer, buffer + 24, digits);
  *written.ptr++ = 'e';
  written = std::to_chars(written.ptr, buffer + sizeof buffer, exponent);
  double value = 0.0;
  const auto result = std::from_chars(buffer, written.ptr, value);
  if (result.ec == std::errc::result_out_of_range) return exponent > 0 ? kInfinity : 0.0;
  return value;
}

// |value| rounded to the nearest integer, halves to even, capped at `cap`.
std::uint64_t RoundedMagnitude(std::uint64_t digits, std::int32_t exponent, std::uint64_t cap) {
  if (exponent >= 0) {
    if (exponent > 18) return cap;
    const std::uint64_t scale = kPow10[exponent];
    if (digits > cap / scale) return cap;
    return std::min(digits * scale, cap);
  }
  if (exponent < -18) return 0;  // digits < 10^18, so the value is below 0.1
  const std::uint64_t divisor = kPow10[-exponent];
  std::uint64_t quotient = digits / divisor;
  const std::uint64_t twiceRest = (digits % divisor) * 2;  // below 2 * 10^18: no overflow
  if (twiceRest > divisor || (twiceRest == divisor && (quotient & 1) != 0)) ++quotient;
  return std::min(quotient, cap);
}

}  // namespace

double Number::ToDouble() const {
  switch (kind) {
    case Kind::kZero: return 0.0;
    case Kind::kRadix: return static_cast<double>(radixValue);
    case Kind::kDecimal: break;
  }
  const double magnitude = DecimalToDouble(digits, exponent);
  if (magnitude == 0.0) return 0.0;  // the language has one zero
  return negative ? -magnitude : magnitude;
}

Number ParseNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  text.remove_prefix(at);
  if (!text.empty() && text[0] == '&') return ParseRadix(text.substr(1));
  return ParseDecimal(text);
}

std::int32_t ToInt32(const Number& number) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  switch (number.kind) {
    case Number::Kind::kZero: return 0;
    case Number::Kind::kRadix:
      return static_cast<std::int32_t>(std::clamp<std::int64_t>(number.radixValue, kMin, kMax));
    case Number::Kind::kDecimal: break;
  }
  constexpr std::uint64_t kMinMagnitude = 0x80000000ULL;  // |INT32_MIN|
  const std::uint64_t magnitude = RoundedMagnitude(number.digits, number.exponent, kMinMagnitude);
  if (number.negative) {
    return magnitude >= kMinMagnitude ? kMin : -static_cast<std::int32_t>(magnitude);
  }
  return magnitude >= kMinMagnitude ? kMax : static_cast<std::int32_t>(magnitude);
}

}  // namespace vantiro::params
