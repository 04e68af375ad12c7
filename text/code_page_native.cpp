// The native engine's code pages: the tables of code_page_tables.cpp, and a
// process-wide setting chosen by the program that runs the engine.
#include <atomic>

#include "text/code_page.h"
#include "text/code_page_platform.h"
#include "text/code_page_tables.h"

namespace vantiro::text::platform {
namespace {

std::atomic<int> current{kDefaultNativeCodePage};

}  // namespace

int CurrentCodePage() noexcept { return current.load(); }

bool SetCurrentCodePage(int codePage) noexcept {
  if (!IsSupported(codePage)) return false;
  current.store(codePage);
  return true;
}

bool Supports(int codePage) noexcept { return tables::HighHalf(codePage) != nullptr; }

std::u16string Decode(std::string_view bytes, int codePage) {
  const char16_t* high = tables::HighHalf(codePage);
  std::u16string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x80 ? char16_t{byte} : high[byte - 0x80];
  }
  return out;
}

bool Encode(std::u16string_view character, int codePage, std::string& out) {
  if (character.size() != 1) return false;  // nothing beyond the BMP
  if (character[0] < 0x80) {
    out += static_cast<char>(character[0]);
    return true;
  }
  const char16_t* high = tables::HighHalf(codePage);
  for (int i = 0; i < 128; ++i) {
    if (high[i] == character[0]) {
      out += static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

std::size_t LeadByteLength(unsigned char, int) noexcept { return 1; }

}  // namespace vantiro::text::platform
