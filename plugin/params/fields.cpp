// Fields of a text split at a delimiter, and the copy into fixed text buffers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "plugin/params/params.h"
#include "plugin/params/text.h"

namespace vantiro::params {
namespace {

using detail::UpToNul;

// Occurrences of a non-empty delimiter, found left to right, never overlapping.
std::size_t CountOccurrences(std::string_view text, std::string_view delimiter) {
  if (delimiter.size() == 1) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter[0]));
  }
  std::size_t count = 0;
  for (std::size_t at = text.find(delimiter); at != std::string_view::npos;
       at = text.find(delimiter, at + delimiter.size())) {
    ++count;
  }
  return count;
}

}  // namespace

// An empty delimiter never occurs, so the whole text is field 1.
std::int32_t CountFields(std::string_view text, std::string_view delimiter) {
  text = UpToNul(text);
  delimiter = UpToNul(delimiter);
  if (delimiter.empty()) return 1;
  const std::size_t occurrences = CountOccurrences(text, delimiter);
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return occurrences >= kMax ? std::numeric_limits<std::int32_t>::max()
                             : static_cast<std::int32_t>(occurrences + 1);
}

std::string_view GetField(std::string_view text, std::string_view delimiter, std::int32_t n) {
  if (n == 0) return {};
  text = UpToNul(text);
  delimiter = UpToNul(delimiter);

  // Field number from 1; a negative n counts back from the last field.
  std::uint64_t wanted = 0;
  if (n > 0) {
    wanted = static_cast<std::uint64_t>(n);
  } else {
    const std::uint64_t fields = delimiter.empty() ? 1 : CountOccurrences(text, delimiter) + 1;
    const std::uint64_t back = static_cast<std::uint64_t>(-static_cast<std::int64_t>(n));
    if (back > fields) return {};
    wanted = fields - back + 1;
  }
  if (delimiter.empty()) return wanted == 1 ? text : std::string_view{};

  std::size_t start = 0;
  for (std::uint64_t field = 1; field < wanted; ++field) {
    const std::size_t at = text.find(delimiter, start);
    if (at == std::string_view::npos) return {};
    start = at + delimiter.size();
  }
  const std::size_t end = text.find(delimiter, start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void CopyToBuffer(std::string_view text, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return;
  text = UpToNul(text);
  const std::size_t count = std::min(text.size(), size - 1);
  if (count > 0) std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
}

}  // namespace vantiro::params
