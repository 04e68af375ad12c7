// The value and colour lists of a field, decoded in one linear pass.
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

void DecodeValueList(std::string_view field, std::span<double> values) {
  DecodeList(field, values, [](std::string_view item) { return ParseNumber(item).ToDouble(); });
}

void ColourPatternList(std::string_view field, std::span<std::uint32_t> patterns) {
  DecodeList(field, patterns, ColourPattern);
}

}  // namespace vantiro::params
