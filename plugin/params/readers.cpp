// Single fields of a parameter text, and the value and colour lists decoded
// in one linear pass.
#include <cstdint>

#include "plugin/params/params.h"
#include "plugin/params/text.h"

namespace vantiro::params {
namespace {

// Items of a "," list, item 1 first: the same items GetField gives for
// 1..CountFields, without rescanning the field for every item.
template <typename T, typename Decode>
void DecodeList(std::string_view field, std::span<T> items, Decode decode) {
  field = detail::UpToNul(field);
  std::size_t start = 0;
  for (T& item : items) {
    const std::size_t end = field.find(',', start);
    if (end == std::string_view::npos) {
      item = decode(field.substr(start));
      return;
    }
    item = decode(field.substr(start, end - start));
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

void DecodeValueList(std::string_view field, std::span<double> values) {
  DecodeList(field, values, [](std::string_view item) { return ParseNumber(item).ToDouble(); });
}

void DecodeColourList(std::string_view field, std::span<std::uint32_t> colours) {
  DecodeList(field, colours, DecodeColour);
}

}  // namespace vantiro::params
