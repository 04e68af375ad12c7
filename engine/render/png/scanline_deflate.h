// A zlib stream writer made for filtered PNG scanlines of charts: long
// runs and repeated rows, found by comparing with the byte before, the
// pixel before and the row above instead of by hashing every position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantiro::engine::render {

// Appends to `out` a complete zlib stream (header, dynamic-Huffman deflate
// blocks, Adler-32) of `size` bytes at `data`. `rowBytes` is the distance
// between a byte and the one above it, `pixelBytes` the distance between
// neighbouring pixels; both only guide the search for repeats.
void ZlibCompressScanlines(const std::uint8_t* data, std::size_t size, std::size_t rowBytes,
                           std::size_t pixelBytes, std::vector<std::uint8_t>& out);

}  // namespace vantiro::engine::render
