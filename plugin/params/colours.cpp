// Colour fields: "#RRGGBB" becomes the pattern 0xFFBBGGRR, which the chart
// engine's RGB2ARGB turns into the colour value it draws with (the action
// frame asks it).
#include <algorithm>
#include <cstdint>

#include "plugin/params/params.h"
#include "plugin/params/text.h"

namespace vantiro::params {

std::uint32_t ColourPattern(std::string_view text) {
  text = detail::UpToNul(text);

  // "&HFF" + B + G + R, each part two characters or what is left of them.
  char built[10] = {'&', 'H', 'F', 'F'};
  std::size_t length = 4;
  for (const std::size_t from : {std::size_t{5}, std::size_t{3}, std::size_t{1}}) {
    if (from >= text.size()) continue;
    const std::size_t count = std::min<std::size_t>(2, text.size() - from);
    std::copy_n(text.data() + from, count, built + length);
    length += count;
  }

  // The text starts with "&", so the number is always in radix form.
  const Number number = ParseNumber(std::string_view(built, length));
  return number.kind == Number::Kind::kRadix
             ? static_cast<std::uint32_t>(number.radixValue)  // low 32 bits
             : 0U;
}

}  // namespace vantiro::params
