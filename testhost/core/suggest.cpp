// Nearest names by edit distance.
#include "testhost/core/suggest.h"

#include <algorithm>
#include <cctype>

namespace vantiro::testhost {

namespace {

constexpr std::size_t kMaxSuggestions = 3;

char Folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b) {
  // One row of the distance table at a time: row[j] is the distance between
  // the prefix of `a` done so far and the first j characters of `b`.
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const std::size_t substitution = diagonal + (Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string> NearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates) {
  const std::size_t limit = std::max<std::size_t>(2, name.size() / 6);
  std::size_t best = limit + 1;
  std::vector<std::string> nearest;
  for (const std::string& candidate : candidates) {
    const std::size_t distance = EditDistance(name, candidate);
    if (distance > best) continue;
    if (distance < best) {
      best = distance;
      nearest.clear();
    }
    if (nearest.size() < kMaxSuggestions) nearest.push_back(candidate);
  }
  return nearest;
}

std::string DidYouMean(const std::vector<std::string>& names) {
  if (names.empty()) return {};
  std::string text = " (did you mean ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += "'" + names[i] + "'";
  }
  return text + "?)";
}

}  // namespace vantiro::testhost
