// Conversions between code pages and Unicode: UTF-8 itself here, the other
// pages through the platform (code_page_platform.h).
#include "text/code_page.h"

#include <algorithm>
#include <cstdint>

#include "text/code_page_platform.h"

namespace vantiro::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The valid UTF-8 sequence at `pos`: its length, and its code point in `c`;
// 0 if none starts there.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& c) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[pos + i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
    c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = 0x800;
    c = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = 0x10000;
    c = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    c = (c << 6) | (byte(i) & 0x3Fu);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

// The page conversions use: an unsupported one is read as 1252.
int Effective(int codePage) noexcept {
  return IsSupported(codePage) ? codePage : kDefaultNativeCodePage;
}

// UTF-16 with unpaired surrogates as U+FFFD, as UTF-8.
std::string Utf16ToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size() + wide.size() / 2);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

int CurrentCodePage() noexcept { return platform::CurrentCodePage(); }

bool SetCurrentCodePage(int codePage) noexcept { return platform::SetCurrentCodePage(codePage); }

bool IsSupported(int codePage) noexcept {
  return codePage == kUtf8CodePage || platform::Supports(codePage);
}

std::string ToUtf8(std::string_view bytes, int codePage) {
  codePage = Effective(codePage);
  if (codePage != kUtf8CodePage) return Utf16ToUtf8(platform::Decode(bytes, codePage));
  // ASCII, the common case, is valid as it stands.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
    return std::string(bytes);
  }
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8(bytes, pos, c);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++pos;
    } else {
      out.append(bytes.substr(pos, length));
      pos += length;
    }
  }
  return out;
}

std::u16string ToUtf16(std::string_view bytes, int codePage) {
  codePage = Effective(codePage);
  if (codePage != kUtf8CodePage) return platform::Decode(bytes, codePage);
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8(bytes, pos, c);
    AppendUtf16(out, length == 0 ? kReplacement : c);
    pos += length == 0 ? 1 : length;
  }
  return out;
}

std::string FromUtf8(std::string_view utf8, int codePage, std::size_t* unmappable) {
  codePage = Effective(codePage);
  std::string out;
  out.reserve(utf8.size());
  std::size_t missing = 0;
  std::u16string character;
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8(utf8, pos, c);
    bool put = false;
    if (length == 0) {
      pos += 1;
    } else if (c < 0x80 || codePage == kUtf8CodePage) {
      out.append(utf8.substr(pos, length));
      pos += length;
      put = true;
    } else {
      character.clear();
      AppendUtf16(character, c);
      put = platform::Encode(character, codePage, out);
      pos += length;
    }
    if (!put) {
      out += '?';
      ++missing;
    }
  }
  if (unmappable != nullptr) *unmappable = missing;
  return out;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8(bytes, pos, c);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::size_t CharacterLength(std::string_view text, std::size_t pos, int codePage) noexcept {
  if (pos >= text.size()) return 0;
  if (codePage == kUtf8CodePage) {
    char32_t c = 0;
    const std::size_t length = DecodeUtf8(text, pos, c);
    return length == 0 ? 1 : length;
  }
  const std::size_t length =
      platform::LeadByteLength(static_cast<std::uint8_t>(text[pos]), codePage);
  return length <= text.size() - pos ? length : 1;
}

std::size_t CharacterBoundary(std::string_view text, std::size_t pos, int codePage) noexcept {
  if (pos >= text.size()) return text.size();
  std::size_t boundary = 0;
  for (;;) {
    const std::size_t next = boundary + CharacterLength(text, boundary, codePage);
    if (next > pos) return boundary;
    boundary = next;
  }
}

std::size_t CharacterCount(std::string_view text, int codePage) noexcept {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharacterLength(text, pos, codePage)) {
    ++count;
  }
  return count;
}

}  // namespace vantiro::text
