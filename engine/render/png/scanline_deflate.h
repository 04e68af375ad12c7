// A zlib stream writer made for filtered PNG scanlines of charts: long
// runs and repeated rows, found by comparing with the byte before, the
// pixel before and the row above instead of by hashing every position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "memory/pages.h"

namespace vantiro::engine::render {

// Writes row `row` (rowBytes bytes) at `to`, where the row before it, if
// any, ends. False stops the stream.
using ScanlineSource = std::function<bool(std::size_t row, std::uint8_t* to)>;

// What a stream is compressed in, kept by the caller between streams to
// save allocating it again: the deflate window with a row or two, and the
// match finder's tables with one block's tokens (about 0.8 MB for a chart,
// on pages that fault in at once).
struct DeflateMemory {
  std::vector<std::uint8_t> window;
  memory::ZeroedPages tables;
};

// Appends to `out` a complete zlib stream (header, dynamic-Huffman deflate
// blocks, Adler-32) of `rows` rows of `rowBytes` bytes, asked of `source`
// one at a time as the match search reaches them: only the deflate window
// and a row or two are held. `pixelBytes` is the distance between
// neighbouring pixels; it and `rowBytes` only guide the search for repeats.
// False, with `out` partly written, if `source` returned false or memory
// ran out.
bool ZlibCompressRows(std::size_t rowBytes, std::size_t rows, std::size_t pixelBytes,
                      const ScanlineSource& source, DeflateMemory& work,
                      std::vector<std::uint8_t>& out);

}  // namespace vantiro::engine::render
