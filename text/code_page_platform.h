// What each platform provides under code_page.h for the pages other than
// UTF-8, which code_page.cpp handles itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantiro::text::platform {

int CurrentCodePage() noexcept;
bool SetCurrentCodePage(int codePage) noexcept;
// Whether the platform converts `codePage` (never asked for UTF-8).
bool Supports(int codePage) noexcept;
// `bytes` in the supported `codePage` as UTF-16. Throws std::bad_alloc.
std::u16string Decode(std::string_view bytes, int codePage);
// Appends the bytes of `character` (one UTF-16 unit, or a surrogate pair) in
// the supported `codePage`; false, appending nothing, if the page lacks it.
bool Encode(std::u16string_view character, int codePage, std::string& out);
// 2 for a lead byte of a double-byte page, else 1.
std::size_t LeadByteLength(unsigned char byte, int codePage) noexcept;

}  // namespace vantiro::text::platform
