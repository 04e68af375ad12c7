// Arbitrary bytes through every value conversion. Checks what must hold for
// any text: fields rebuild the text, integers agree with the double of the
// same number, colours depend only on characters 2-7, buffers always end in
// NUL inside their size, and the list decoders equal item-by-item GetField.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/params/params.h"

namespace {

using namespace vantiro::params;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

void CheckFields(std::string_view text, std::string_view delimiter) {
  const std::int32_t count = CountFields(text, delimiter);
  Check(count >= 1);
  if (count > 4096) return;
  std::string joined;
  for (std::int32_t n = 1; n <= count; ++n) {
    if (n > 1) joined += UpToNul(delimiter).empty() ? std::string_view() : UpToNul(delimiter);
    const std::string_view field = GetField(text, delimiter, n);
    Check(field == GetField(text, delimiter, n - count - 1));
    joined += field;
  }
  Check(joined == UpToNul(text));
  Check(GetField(text, delimiter, count + 1).empty());
  Check(GetField(text, delimiter, 0).empty());
}

void CheckNumber(std::string_view text) {
  const Number number = ParseNumber(text);
  const double value = number.ToDouble();
  const std::int32_t integer = ToInt32(number);
  Check(!std::isnan(value));
  if (number.kind == Number::Kind::kDecimal) {
    Check(number.digits > 0 && number.digits < 1000000000000000000ULL && number.digits % 10 != 0);
  }
  // The integer is the exact value rounded (and saturated); the double lies
  // within half an ulp of the exact value.
  const double bounded = std::fmin(std::fmax(value, -2147483648.0), 2147483647.0);
  Check(std::fabs(static_cast<double>(integer) - bounded) <= 0.5 + 1e-6);
}

void CheckColour(std::string_view text) {
  const std::uint32_t pattern = ColourPattern(text);
  Check(pattern == ColourPattern(UpToNul(text)));
  Check(pattern == ColourPattern(text.substr(0, std::min<std::size_t>(7, text.size()))));
  if (!text.empty() && text[0] != '\0') {
    std::string other(text);
    other[0] = other[0] == '#' ? 'x' : '#';  // the leading character is ignored
    Check(pattern == ColourPattern(other));
  }
}

void CheckBuffer(std::string_view text, std::size_t size) {
  std::vector<char> buffer(size + 8, '\x7f');
  CopyToBuffer(text, buffer.data(), size);
  for (std::size_t at = size; at < buffer.size(); ++at) Check(buffer[at] == '\x7f');
  if (size == 0) return;
  const std::size_t length = std::strlen(buffer.data());
  Check(length < size);
  Check(std::string_view(buffer.data(), length) == UpToNul(text).substr(0, size - 1));
}

void CheckLists(std::string_view field) {
  // Arrays of one element per item, as the series actions allocate them.
  const std::int32_t count = CountFields(field, ",");
  std::vector<double> values(static_cast<std::size_t>(count));
  std::vector<std::uint32_t> colours(values.size());
  DecodeValueList(field, values);
  ColourPatternList(field, colours);
  if (count > 512) return;  // the item-by-item definition is quadratic
  for (std::int32_t i = 1; i <= count; ++i) {
    const std::string_view item = GetField(field, ",", i);
    const double value = ParseNumber(item).ToDouble();
    Check(std::memcmp(&values[static_cast<std::size_t>(i - 1)], &value, sizeof value) == 0);
    Check(colours[static_cast<std::size_t>(i - 1)] == ColourPattern(item));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  CheckFields(text, "|");
  CheckFields(text, ",");
  if (size >= 2) CheckFields(text.substr(2), text.substr(0, 2));
  if (size >= 4) {
    std::int32_t n = 0;
    std::memcpy(&n, data, sizeof n);
    (void)GetField(text.substr(4), "|", n);
    (void)ToInt32(ParseNumber(GetField(text.substr(4), "|", n)));
    (void)ColourPattern(GetField(text.substr(4), "|", n));
  }

  CheckNumber(text);
  for (std::int32_t n = 1; n <= 4; ++n) CheckNumber(GetField(text, "|", n));
  CheckColour(text);
  CheckBuffer(text, size == 0 ? 0 : data[0]);
  CheckBuffer(text, 100);
  CheckLists(text);
  return 0;
}
