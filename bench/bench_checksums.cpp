// The Windows engine's own PNG checksums (built here as it builds them,
// without libdeflate) against libdeflate's and zlib's, on the 1.44 MB of
// scanlines of an 800 x 600 chart and on a 26 KB image data chunk.
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include "engine/render/png/checksums.h"

namespace {

using vantiro::engine::render::Adler32;
using vantiro::engine::render::Crc32;

// Mostly white with specks, as chart rows are.
const std::vector<std::uint8_t>& Bytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b((800 * 3 + 1) * 600, 0xFF);
    for (std::size_t i = 0; i < b.size(); i += 7) b[i] = std::uint8_t(i * 2654435761u >> 13);
    return b;
  }();
  return bytes;
}

enum class Sum { kAdler, kCrc };
enum class From { kOurs, kLibdeflate, kZlib };

void BM_Checksum(benchmark::State& state, Sum sum, From from, std::size_t size) {
  const std::uint8_t* data = Bytes().data();
  for (auto _ : state) {
    std::uint32_t v = 0;
    if (sum == Sum::kAdler) {
      v = from == From::kOurs         ? Adler32(data, size)
          : from == From::kLibdeflate ? libdeflate_adler32(1, data, size)
                                      : std::uint32_t(adler32(1, data, uInt(size)));
    } else {
      v = from == From::kOurs         ? Crc32(data, size)
          : from == From::kLibdeflate ? libdeflate_crc32(0, data, size)
                                      : std::uint32_t(crc32(0, data, uInt(size)));
    }
    benchmark::DoNotOptimize(v);
  }
}

constexpr std::size_t kScanlines = (800 * 3 + 1) * 600;
constexpr std::size_t kChunk = 26 * 1024;
#define VANTIRO_CHECKSUM(name, sum, from, size) \
  BENCHMARK_CAPTURE(BM_Checksum, name, sum, from, size)->Unit(benchmark::kMicrosecond)
VANTIRO_CHECKSUM(Adler32Ours, Sum::kAdler, From::kOurs, kScanlines);
VANTIRO_CHECKSUM(Adler32Libdeflate, Sum::kAdler, From::kLibdeflate, kScanlines);
VANTIRO_CHECKSUM(Adler32Zlib, Sum::kAdler, From::kZlib, kScanlines);
VANTIRO_CHECKSUM(Crc32Ours, Sum::kCrc, From::kOurs, kChunk);
VANTIRO_CHECKSUM(Crc32Libdeflate, Sum::kCrc, From::kLibdeflate, kChunk);
VANTIRO_CHECKSUM(Crc32Zlib, Sum::kCrc, From::kZlib, kChunk);

}  // namespace

BENCHMARK_MAIN();
