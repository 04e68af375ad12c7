// The two checksums of a PNG file: CRC-32 of each chunk and Adler-32 of
// the zlib stream. libdeflate's where the build has it (native); elsewhere
// (Windows, whose MinGW build has no libdeflate) our own: CRC-32 sliced by
// 8, Adler-32 16 bytes at a time with SSE2.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantiro::engine::render {

// CRC-32 (ISO 3309, as PNG and zlib use it) of `size` bytes.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// Adler-32 (RFC 1950) of `size` bytes, continuing from `adler` (1 starts a
// stream).
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

}  // namespace vantiro::engine::render
