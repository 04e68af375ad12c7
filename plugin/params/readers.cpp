// What the action handlers read: single fields of the parameter text, and
// the value and colour lists decoded in one linear pass.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

#include "plugin/params/params.h"
#include "plugin/params/text.h"

namespace vantiro::params {
namespace {

// Items of a "," list, item 1 first: the same items GetField gives for
// 1..CountFields, without rescanning the field for every item.
template <typename T, typename Decode>
std::vector<T> DecodeList(std::string_view field, Decode decode) {
  field = detail::UpToNul(field);
  const auto count = static_cast<std::size_t>(std::count(field.begin(), field.end(), ',')) + 1;
  // The engine takes the count as a signed 32-bit integer.
  constexpr auto kMaxItems = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  std::vector<T> items;
  if (count > kMaxItems || count > items.max_size()) throw std::bad_alloc();
  items.reserve(count);

  std::size_t start = 0;
  for (;;) {
    const std::size_t end = field.find(',', start);
    if (end == std::string_view::npos) {
      items.push_back(decode(field.substr(start)));
      return items;
    }
    items.push_back(decode(field.substr(start, end - start)));
    start = end + 1;
  }
}

}  // namespace

std::int32_t ReadInteger(std::string_view parameters, std::int32_t n) {
  return ToInt32(ParseNumber(GetField(parameters, "|", n)));
}

std::uint32_t ReadColour(std::string_view parameters, std::int32_t n) {
  return DecodeColour(GetField(parameters, "|", n));
}

std::vector<double> DecodeValueList(std::string_view field) {
  return DecodeList<double>(field, [](std::string_view item) {
    return ParseNumber(item).ToDouble();
  });
}

std::vector<std::uint32_t> DecodeColourList(std::string_view field) {
  return DecodeList<std::uint32_t>(field, DecodeColour);
}

}  // namespace vantiro::params
