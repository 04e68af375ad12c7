// Value conversions: how the fields of a parameter text become integers,
// data values, colours, texts and lists. No conversion ever fails: a bad
// field becomes 0, an empty text, or a colour built from what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vantiro::params {

// Field n (from 1) of `text` split at `delimiter`; n = 0, or an n beyond the
// fields, gives the empty text; a negative n counts from the end (-1 = last).
std::string_view GetField(std::string_view text, std::string_view delimiter, std::int32_t n);

// Number of non-overlapping occurrences of `delimiter`, plus 1.
std::int32_t CountFields(std::string_view text, std::string_view delimiter);

// A number as scanned from a text, before it is narrowed. Decimal numbers
// keep their (at most 18) significant digits exactly, so integer fields can
// be rounded on the exact decimal value and data values become the nearest
// double, whatever the floating-point mode of the host.
struct Number {
  enum class Kind : std::uint8_t { kZero, kRadix, kDecimal };
  Kind kind = Kind::kZero;
  std::int64_t radixValue = 0;  // kRadix: the value after its reductions
  bool negative = false;        // kDecimal: sign
  std::uint64_t digits = 0;     // kDecimal: significant digits as an integer
  std::int32_t exponent = 0;    // kDecimal: value = digits * 10^exponent

  double ToDouble() const;  // nearest double (infinity when too large)
};

// Scans a number: leading blanks, TABs and line feeds skipped; radix form
// after "&", else decimal. Stops at the first character that does not fit.
Number ParseNumber(std::string_view text);

// Nearest integer, halves to even; values outside the signed 32-bit range
// (infinite ones included) saturate to the nearest bound.
std::int32_t ToInt32(const Number& number);

// Colour field: characters 2-7 as RRGGBB, rebuilt as "&HFF" + B + G + R,
// parsed, low 32 bits kept: the pattern that the chart engine's
// RGB2ARGB(pattern, 0) turns into the colour value it draws with.
std::uint32_t ColourPattern(std::string_view text);

// Copies at most size-1 bytes (stopping at a NUL) and always terminates.
void CopyToBuffer(std::string_view text, char* buffer, std::size_t size);

// The list decoder of the series actions. Item i of a list split at "," is
// GetField(field, ",", i) for i = 1..CountFields(field, ","); one linear pass
// decodes item i into element i-1 and stops when the output is full.
void DecodeValueList(std::string_view field, std::span<double> values);
void ColourPatternList(std::string_view field, std::span<std::uint32_t> patterns);

}  // namespace vantiro::params
