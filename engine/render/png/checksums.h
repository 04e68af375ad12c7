// The two checksums of a PNG file: CRC-32 of each chunk and Adler-32 of
// the zlib stream. libdeflate's where the build has it (native), a table
// and a blocked loop of our own elsewhere (Windows).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantiro::engine::render {

// CRC-32 (ISO 3309, as PNG and zlib use it) of `size` bytes.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// Adler-32 (RFC 1950) of `size` bytes.
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

}  // namespace vantiro::engine::render
