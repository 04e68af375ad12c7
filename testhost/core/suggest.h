// Suggestions for a mistyped name: the known names nearest to it by edit
// distance, letter case ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::testhost {

// Levenshtein distance of the two texts, ASCII letters compared without case.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The candidates nearest to `name` (at most three, in the given order) when
// they are close enough to be a slip of the keyboard: a distance of at most
// two, or of a sixth of the name's length for longer names. Empty if none is.
std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates);

// "" , " (did you mean 'a'?)" or " (did you mean 'a' or 'b'?)".
std::string DidYouMean(const std::vector<std::string>& names);

}  // namespace vantiro::testhost
