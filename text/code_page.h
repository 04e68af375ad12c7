// Texts in a code page: the bytes the authoring host sends (its ANSI code
// page) converted to and from Unicode where Unicode is needed (drawing,
// measuring, reports, file names, chart files). Used by the engine and by the
// test host. On Windows every code page the system has works (the system
// converts); natively the pages 1250, 1251, 1252 and 65001 (UTF-8).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantiro::text {

inline constexpr int kUtf8CodePage = 65001;
// The native engine's code page until SetCurrentCodePage changes it.
inline constexpr int kDefaultNativeCodePage = 1252;

// The code page of the engine's texts: on Windows the process's ANSI code
// page (GetACP()), natively the setting below.
int CurrentCodePage() noexcept;

// Natively: makes `codePage` the current one; false, changing nothing, if it
// is not supported. On Windows the ANSI code page is fixed: true only for it.
bool SetCurrentCodePage(int codePage) noexcept;

// Whether texts in `codePage` can be converted.
bool IsSupported(int codePage) noexcept;

// `bytes` in `codePage` as UTF-8 (as UTF-16). The result is always valid:
// bytes that are no character of the page (a broken UTF-8 sequence, a lone
// lead byte) become U+FFFD each. An unsupported page converts as 1252.
// Throw std::bad_alloc.
std::string ToUtf8(std::string_view bytes, int codePage);
std::u16string ToUtf16(std::string_view bytes, int codePage);

// `utf8` as bytes in `codePage`. A character the page cannot hold becomes
// "?", and so does every byte of `utf8` that is not part of a valid UTF-8
// sequence; `unmappable`, if given, receives how many "?" were put for
// either reason. An unsupported page converts as 1252. Throws std::bad_alloc.
std::string FromUtf8(std::string_view utf8, int codePage, std::size_t* unmappable = nullptr);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes) noexcept;

// The length in bytes of the character of `text` that starts at `pos` (1 to
// 4; 1 for a byte that starts no valid character); 0 at or past the end.
std::size_t CharacterLength(std::string_view text, std::size_t pos, int codePage) noexcept;

// The largest character boundary of `text` at or before `pos` (text.size()
// for a `pos` past the end): where a text may be cut without splitting a
// multi-byte character.
std::size_t CharacterBoundary(std::string_view text, std::size_t pos, int codePage) noexcept;

// The number of characters of `text`.
std::size_t CharacterCount(std::string_view text, int codePage) noexcept;

}  // namespace vantiro::text
