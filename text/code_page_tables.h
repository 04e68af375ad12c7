// The native engine's single-byte code pages as tables.
#pragma once

namespace vantiro::text::tables {

// The 128 code points of the bytes 0x80..0xFF of `codePage` (1250, 1251 or
// 1252); null for any other page. Bytes below 0x80 are ASCII in all of them.
const char16_t* HighHalf(int codePage);

}  // namespace vantiro::text::tables
