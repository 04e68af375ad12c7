// Deflate (RFC 1951) in a zlib wrapper (RFC 1950), with a match finder
// that only looks at three fixed distances. Chart scanlines repeat either
// along the row (runs of one colour, or of zeros once filtered) or from
// the row above, so these few candidates find nearly all the long matches
// that a hashing match finder would, at a fraction of its cost.
#include "engine/render/png/scanline_deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/render/png/checksums.h"

namespace vantiro::engine::render {
namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
// Matches shorter than this are checked against one starting a byte later.
constexpr std::size_t kLazyBelow = 16;
// Tokens per deflate block: each block gets Huffman codes of its own.
constexpr std::size_t kBlockTokens = std::size_t{1} << 17;

constexpr int kLitLenSymbols = 286;
constexpr int kDistSymbols = 30;
constexpr int kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;

// Order in which the code-length code's lengths are stored.
constexpr std::uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

// A literal byte, or a match: bit 31 set, distance - 1 in bits 9..23,
// length in bits 0..8.
using Token = std::uint32_t;
constexpr Token kMatchFlag = 0x80000000u;

struct Code {
  std::uint16_t bits = 0;  // bit-reversed, ready to write LSB first
  std::uint8_t length = 0;
};

// Deflate's length symbols: symbol, extra bits and their value.
struct Coded {
  int symbol;
  int extraBits;
  std::uint32_t extra;
};

Coded LengthSymbol(std::uint32_t length) {
  if (length == 258) return {285, 0, 0};
  const std::uint32_t x = length - 3;
  if (x < 8) return {257 + int(x), 0, 0};
  const int n = std::bit_width(x) - 1;  // x >= 8: n >= 3
  const std::uint32_t top = (x >> (n - 2)) & 3;
  return {257 + 4 * (n - 1) + int(top), n - 2, x - ((4 + top) << (n - 2))};
}

Coded DistanceSymbol(std::uint32_t distance) {
  const std::uint32_t x = distance - 1;
  if (x < 4) return {int(x), 0, 0};
  const int n = std::bit_width(x) - 1;  // x >= 4: n >= 2
  const std::uint32_t top = (x >> (n - 1)) & 1;
  return {2 * n + int(top), n - 1, x - ((2 + top) << (n - 1))};
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  // Appends the low `count` (at most 16) bits of `value`, LSB first.
  void Put(std::uint32_t value, int count) {
    bits_ |= std::uint64_t{value} << used_;
    used_ += count;
    if (used_ >= 32) {
      const std::uint8_t word[4] = {std::uint8_t(bits_), std::uint8_t(bits_ >> 8),
                                    std::uint8_t(bits_ >> 16), std::uint8_t(bits_ >> 24)};
      out_.insert(out_.end(), word, word + 4);
      bits_ >>= 32;
      used_ -= 32;
    }
  }
  void Put(const Code& code) { Put(code.bits, code.length); }

  // Pads to a whole byte and writes what is left.
  void Flush() {
    for (; used_ > 0; used_ -= std::min(used_, 8)) {
      out_.push_back(std::uint8_t(bits_));
      bits_ >>= 8;
    }
    used_ = 0;
    bits_ = 0;
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t bits_ = 0;
  int used_ = 0;
};

// Huffman code lengths for `count` symbols of the given frequencies, none
// longer than `limit`. Frequencies are halved until the tree is shallow
// enough: slightly worse codes, but always valid ones.
void BuildLengths(const std::uint32_t* frequencies, int count, int limit, std::uint8_t* lengths) {
  std::fill(lengths, lengths + count, 0);
  std::array<std::uint32_t, kLitLenSymbols> freq{};
  std::array<int, kLitLenSymbols> symbols{};
  int used = 0;
  for (int s = 0; s < count; ++s) {
    freq[s] = frequencies[s];
    if (freq[s] != 0) symbols[used++] = s;
  }
  if (used == 0) return;
  if (used == 1) {
    lengths[symbols[0]] = 1;
    return;
  }
  std::array<std::uint64_t, 2 * kLitLenSymbols> weight{};
  std::array<int, 2 * kLitLenSymbols> parent{};
  std::array<int, 2 * kLitLenSymbols> depth{};
  for (;;) {
    std::stable_sort(symbols.begin(), symbols.begin() + used,
                     [&](int a, int b) { return freq[a] < freq[b]; });
    for (int i = 0; i < used; ++i) weight[i] = freq[symbols[i]];
    // Two queues: sorted leaves, and inner nodes, made in increasing weight.
    int leaf = 0, inner = used;
    const int last = 2 * used - 2;
    for (int node = used; node <= last; ++node) {
      int pick[2];
      for (int& p : pick) {
        if (leaf < used && (inner >= node || weight[leaf] <= weight[inner])) {
          p = leaf++;
        } else {
          p = inner++;
        }
      }
      weight[node] = weight[pick[0]] + weight[pick[1]];
      parent[pick[0]] = parent[pick[1]] = node;
    }
    depth[last] = 0;
    int deepest = 0;
    for (int node = last - 1; node >= 0; --node) {
      depth[node] = depth[parent[node]] + 1;
      deepest = std::max(deepest, depth[node]);
    }
    if (deepest <= limit) {
      for (int i = 0; i < used; ++i) lengths[symbols[i]] = std::uint8_t(depth[i]);
      return;
    }
    for (int i = 0; i < used; ++i) freq[symbols[i]] = (freq[symbols[i]] + 1) / 2;
  }
}

// Canonical codes for the lengths (RFC 1951, 3.2.2), bit-reversed.
void AssignCodes(const std::uint8_t* lengths, int count, Code* codes) {
  int perLength[16] = {};
  for (int s = 0; s < count; ++s) ++perLength[lengths[s]];
  perLength[0] = 0;
  int next[16] = {};
  int code = 0;
  for (int bits = 1; bits < 16; ++bits) {
    code = (code + perLength[bits - 1]) << 1;
    next[bits] = code;
  }
  for (int s = 0; s < count; ++s) {
    const int length = lengths[s];
    codes[s] = Code{};
    if (length == 0) continue;
    std::uint32_t value = std::uint32_t(next[length]++);
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i, value >>= 1) reversed = (reversed << 1) | (value & 1);
    codes[s] = Code{std::uint16_t(reversed), std::uint8_t(length)};
  }
}

// Length of the common run of `a` and `b`, at most `limit`.
std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
  std::size_t n = 0;
  while (n + 8 <= limit) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) {
      // Little-endian loads: the first differing byte is the lowest one.
      return n + std::size_t(std::countr_zero(x ^ y) / 8);
    }
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// One run of symbols through the code-length alphabet: symbol, extras.
struct LengthRun {
  std::uint8_t symbol, extra;
};

// The lengths of both codes as code-length symbols (runs of zeros and of
// repeats shortened with symbols 16, 17 and 18).
int RunLengths(const std::uint8_t* lengths, int count, LengthRun* runs) {
  int n = 0;
  for (int i = 0; i < count;) {
    const std::uint8_t value = lengths[i];
    int repeat = 1;
    while (i + repeat < count && lengths[i + repeat] == value) ++repeat;
    i += repeat;
    if (value == 0) {
      while (repeat >= 11) {
        const int take = std::min(repeat, 138);
        runs[n++] = {18, std::uint8_t(take - 11)};
        repeat -= take;
      }
      if (repeat >= 3) {
        runs[n++] = {17, std::uint8_t(repeat - 3)};
        repeat = 0;
      }
    } else {
      runs[n++] = {value, 0};
      --repeat;
      while (repeat >= 3) {
        const int take = std::min(repeat, 6);
        runs[n++] = {16, std::uint8_t(take - 3)};
        repeat -= take;
      }
    }
    for (; repeat > 0; --repeat) runs[n++] = {value, 0};
  }
  return n;
}

// Writes one block with dynamic Huffman codes made for its tokens.
void WriteBlock(const Token* tokens, std::size_t count, bool final, BitWriter& writer) {
  std::array<std::uint32_t, kLitLenSymbols> litFreq{};
  std::array<std::uint32_t, kDistSymbols> distFreq{};
  for (std::size_t i = 0; i < count; ++i) {
    const Token t = tokens[i];
    if ((t & kMatchFlag) == 0) {
      ++litFreq[t];
    } else {
      ++litFreq[LengthSymbol(t & 0x1FF).symbol];
      ++distFreq[DistanceSymbol(((t >> 9) & 0x7FFF) + 1).symbol];
    }
  }
  litFreq[kEndOfBlock] = 1;

  std::uint8_t litLengths[kLitLenSymbols];
  std::uint8_t distLengths[kDistSymbols];
  BuildLengths(litFreq.data(), kLitLenSymbols, 15, litLengths);
  BuildLengths(distFreq.data(), kDistSymbols, 15, distLengths);
  // A block of literals still declares one distance code.
  if (std::all_of(distLengths, distLengths + kDistSymbols, [](std::uint8_t l) { return l == 0; })) {
    distLengths[0] = 1;
  }
  int litCount = kLitLenSymbols;
  while (litCount > 257 && litLengths[litCount - 1] == 0) --litCount;
  int distCount = kDistSymbols;
  while (distCount > 1 && distLengths[distCount - 1] == 0) --distCount;
  // Both codes' lengths, stored as one sequence.
  std::array<std::uint8_t, kLitLenSymbols + kDistSymbols> lengths{};
  std::copy(litLengths, litLengths + litCount, lengths.begin());
  std::copy(distLengths, distLengths + distCount, lengths.begin() + litCount);

  std::array<LengthRun, kLitLenSymbols + kDistSymbols> runs;
  const int runCount = RunLengths(lengths.data(), litCount + distCount, runs.data());
  std::uint32_t clFreq[kCodeLengthSymbols] = {};
  for (int i = 0; i < runCount; ++i) ++clFreq[runs[i].symbol];
  // The code-length code must be complete: give it at least two symbols.
  if (std::count_if(clFreq, clFreq + kCodeLengthSymbols, [](std::uint32_t f) { return f != 0; }) <
      2) {
    ++clFreq[clFreq[0] == 0 ? 0 : 1];
  }
  std::uint8_t clLengths[kCodeLengthSymbols];
  BuildLengths(clFreq, kCodeLengthSymbols, 7, clLengths);
  Code clCodes[kCodeLengthSymbols];
  AssignCodes(clLengths, kCodeLengthSymbols, clCodes);
  int clCount = kCodeLengthSymbols;
  while (clCount > 4 && clLengths[kCodeLengthOrder[clCount - 1]] == 0) --clCount;

  Code litCodes[kLitLenSymbols];
  Code distCodes[kDistSymbols];
  AssignCodes(litLengths, kLitLenSymbols, litCodes);
  AssignCodes(distLengths, kDistSymbols, distCodes);

  writer.Put(final ? 1 : 0, 1);
  writer.Put(2, 2);  // dynamic Huffman codes
  writer.Put(std::uint32_t(litCount - 257), 5);
  writer.Put(std::uint32_t(distCount - 1), 5);
  writer.Put(std::uint32_t(clCount - 4), 4);
  for (int i = 0; i < clCount; ++i) writer.Put(clLengths[kCodeLengthOrder[i]], 3);
  static constexpr int kRunExtraBits[3] = {2, 3, 7};  // symbols 16, 17, 18
  for (int i = 0; i < runCount; ++i) {
    writer.Put(clCodes[runs[i].symbol]);
    if (runs[i].symbol >= 16) writer.Put(runs[i].extra, kRunExtraBits[runs[i].symbol - 16]);
  }

  for (std::size_t i = 0; i < count; ++i) {
    const Token t = tokens[i];
    if ((t & kMatchFlag) == 0) {
      writer.Put(litCodes[t]);
      continue;
    }
    const Coded length = LengthSymbol(t & 0x1FF);
    writer.Put(litCodes[length.symbol]);
    if (length.extraBits > 0) writer.Put(length.extra, length.extraBits);
    const Coded distance = DistanceSymbol(((t >> 9) & 0x7FFF) + 1);
    writer.Put(distCodes[distance.symbol]);
    if (distance.extraBits > 0) writer.Put(distance.extra, distance.extraBits);
  }
  writer.Put(litCodes[kEndOfBlock]);
}

// The part of the stream the search can still reach: absolute positions
// [base, end) of the scanlines, filled a row at a time from the source.
// Bytes further back than the deflate window (and the row before the last,
// which the source copies repeated rows from) are dropped to make room.
class RowWindow {
 public:
  RowWindow(std::size_t rowBytes, std::size_t rows, const ScanlineSource& source,
            std::vector<std::uint8_t>& bytes)
      : rowBytes_(rowBytes), rows_(rows), source_(source), bytes_(bytes) {
    // The window, two rows, the look-ahead, and as much again to slide
    // less often.
    const std::size_t wanted = 2 * (kWindow + rowBytes + kMaxMatch) + 64;
    if (bytes_.size() < wanted) bytes_.resize(wanted);
    data_ = bytes_.data();
  }

  const std::uint8_t* At(std::size_t position) const { return data_ + (position - base_); }
  std::size_t end() const { return end_; }

  // Reads rows until the bytes before `wanted` (at most the stream's end)
  // are held, keeping what lies from `keep` on. False if the source failed.
  bool Reach(std::size_t wanted, std::size_t keep) {
    while (end_ < wanted && row_ < rows_) {
      if (end_ - base_ + rowBytes_ > bytes_.size()) Slide(keep);
      std::uint8_t* to = data_ + (end_ - base_);
      if (!source_(row_, to)) return false;
      adler_ = Adler32(to, rowBytes_, adler_);
      end_ += rowBytes_;
      ++row_;
    }
    return true;
  }

  std::uint32_t adler() const { return adler_; }

 private:
  void Slide(std::size_t keep) {
    const std::size_t lastRow = end_ - std::min(end_, rowBytes_);
    const std::size_t from = std::max(base_, std::min(keep, lastRow));
    std::memmove(data_, data_ + (from - base_), end_ - from);
    base_ = from;
    if (end_ - base_ + rowBytes_ > bytes_.size()) {
      bytes_.resize(end_ - base_ + rowBytes_);
      data_ = bytes_.data();
    }
  }

  std::size_t rowBytes_, rows_;
  const ScanlineSource& source_;
  std::vector<std::uint8_t>& bytes_;
  std::uint8_t* data_;  // bytes_.data(): position base_
  std::size_t base_ = 0, end_ = 0, row_ = 0;
  std::uint32_t adler_ = 1;
};

// A match found by the search: none if `length` is below kMinMatch.
struct Match {
  std::size_t length = 0, distance = 0;
};

// Finds the longest earlier copy of the bytes at a position. Two sources of
// candidates: a few fixed distances (the byte before, the pixel before, the
// row above), which find the runs and repeated rows that make up most of a
// chart, and hash chains of three-byte prefixes, which find what repeats
// elsewhere: letters of the same text, tick marks, legend keys. Positions
// inside long matches are not hashed; their bytes are found through the
// fixed distances or the start of the match.
class MatchFinder {
 public:
  // The words of its tables, which the caller provides.
  static constexpr std::size_t kTableWords = (std::size_t{1} << 15) + kWindow;

  MatchFinder(const RowWindow& window, std::size_t size, std::size_t rowBytes,
              std::size_t pixelBytes, std::uint32_t* tables)
      : window_(window), size_(size), head_(tables), prev_(tables + kHashSize) {
    static_assert(kTableWords == kHashSize + kWindow);
    std::fill_n(tables, kTableWords, kNone);
    for (std::size_t d : {std::size_t{1}, pixelBytes, rowBytes}) {
      if (d >= 1 && d <= kWindow &&
          std::find(distances_, distances_ + candidates_, d) == distances_ + candidates_) {
        distances_[candidates_++] = d;
      }
    }
  }

  // The first position the search may still read.
  std::size_t Oldest(std::size_t i) const { return std::min(inserted_, i - std::min(i, kWindow)); }

  // The window must hold the bytes from Oldest(i) to i + kMaxMatch.
  Match Find(std::size_t i) {
    Match best;
    const std::size_t limit = std::min(kMaxMatch, size_ - i);
    if (limit < kMinMatch) return best;
    const std::uint8_t* here = window_.At(i);
    for (int c = 0; c < candidates_; ++c) {
      const std::size_t d = distances_[c];
      if (d > i || here[0] != here[-std::ptrdiff_t(d)] || here[1] != here[1 - std::ptrdiff_t(d)]) {
        continue;
      }
      const std::size_t length = MatchLength(here, here - d, limit);
      if (length > best.length) {
        best = {length, d};
        if (length == limit) return best;
      }
    }
    if (best.length >= kGoodMatch) return best;
    Insert(i);
    std::uint32_t p = head_[Hash(here)];
    for (int depth = kChainDepth; p != kNone && depth > 0; --depth) {
      const std::size_t d = i - p;
      if (d > kWindow) break;
      const std::uint8_t* there = here - d;
      if (there[best.length] == here[best.length] && there[0] == here[0] && there[1] == here[1]) {
        const std::size_t length = MatchLength(here, there, limit);
        if (length > best.length) {
          best = {length, d};
          if (length >= kGoodMatch) break;
        }
      }
      const std::uint32_t next = prev_[p & (kWindow - 1)];
      if (next >= p) break;
      p = next;
    }
    // Three bytes from far away cost more than three literals.
    if (best.length == kMinMatch && best.distance > kFarForShortMatch) best = {};
    return best;
  }

  // Called once a match at `i` is taken: short ones get their positions
  // hashed, long ones are stepped over.
  void Taken(std::size_t i, std::size_t length) {
    if (length > kHashedWithin) inserted_ = std::max(inserted_, i + length);
  }

 private:
  static constexpr int kHashBits = 15;
  static constexpr std::size_t kHashSize = std::size_t{1} << kHashBits;
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr int kChainDepth = 4;
  static constexpr std::size_t kGoodMatch = 32;
  static constexpr std::size_t kHashedWithin = 16;
  static constexpr std::size_t kFarForShortMatch = 4096;

  static std::uint32_t Hash(const std::uint8_t* p) {
    const std::uint32_t v =
        std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  // Hashes every position not yet hashed before `i`.
  void Insert(std::size_t i) {
    if (inserted_ >= i) return;
    const std::uint8_t* at = window_.At(inserted_);
    for (; inserted_ < i; ++inserted_, ++at) {
      std::uint32_t& slot = head_[Hash(at)];
      prev_[inserted_ & (kWindow - 1)] = slot;
      slot = std::uint32_t(inserted_);
    }
  }

  const RowWindow& window_;
  std::size_t size_;
  std::size_t distances_[3] = {};
  int candidates_ = 0;
  std::uint32_t* head_;  // kHashSize: the last position of each hash
  std::uint32_t* prev_;  // kWindow: the position before, by position
  std::size_t inserted_ = 0;
};

// The tokens of the block being made. A search step adds at most a match
// and the literals of its lazy steps (fewer than kLazyBelow) to a block
// that is not yet full, so kBlockTokens + kLazyBelow always suffice.
class TokenBlock {
 public:
  static constexpr std::size_t kCapacity = kBlockTokens + kLazyBelow;

  explicit TokenBlock(Token* data) : data_(data) {}
  bool Add(Token token) {
    if (count_ == kCapacity) return false;
    data_[count_++] = token;
    return true;
  }
  const Token* data() const { return data_; }
  std::size_t size() const { return count_; }
  void clear() { count_ = 0; }

 private:
  Token* data_;
  std::size_t count_ = 0;
};

}  // namespace

bool ZlibCompressRows(std::size_t rowBytes, std::size_t rows, std::size_t pixelBytes,
                      const ScanlineSource& source, DeflateMemory& work,
                      std::vector<std::uint8_t>& out) {
  // The tables and one block's tokens, in one piece: a block holds no more
  // tokens than the stream has bytes.
  const std::size_t size = rowBytes * rows;
  const std::size_t tokenWords = std::min(TokenBlock::kCapacity, size + 1);
  const std::size_t tableBytes = (MatchFinder::kTableWords + tokenWords) * sizeof(std::uint32_t);
  if (work.tables.size() < tableBytes) {
    work.tables = memory::ZeroedPages();
    work.tables = memory::ZeroedPages(tableBytes);
    if (!work.tables) return false;
  }
  auto* const words = reinterpret_cast<std::uint32_t*>(work.tables.data());

  out.push_back(0x78);  // deflate, 32 KiB window
  out.push_back(0x01);  // no dictionary, check bits
  BitWriter writer(out);

  RowWindow held(rowBytes, rows, source, work.window);
  MatchFinder finder(held, size, rowBytes, pixelBytes, words);
  // Rows come in as the search nears them: a search at `at` reads up to
  // kMaxMatch bytes on, and a lazy step one byte further.
  const auto reach = [&](std::size_t at) {
    return at + kMaxMatch + 1 <= held.end() ||
           held.Reach(std::min(size, at + kMaxMatch + 1), finder.Oldest(at));
  };
  TokenBlock tokens(words + MatchFinder::kTableWords);
  const auto literal = [&](std::size_t at) { return tokens.Add(*held.At(at)); };
  std::size_t i = 0;
  while (i < size) {
    if (tokens.size() >= kBlockTokens) {
      WriteBlock(tokens.data(), tokens.size(), false, writer);
      tokens.clear();
    }
    if (!reach(i)) return false;
    Match match = finder.Find(i);
    if (match.length < kMinMatch) {
      if (!literal(i++)) return false;
      continue;
    }
    // Lazy matching: a longer match one byte on is worth a literal.
    while (match.length < kLazyBelow && i + 1 < size) {
      if (!reach(i)) return false;
      const Match next = finder.Find(i + 1);
      if (next.length <= match.length) break;
      if (!literal(i++)) return false;
      match = next;
    }
    if (!tokens.Add(kMatchFlag | Token((match.distance - 1) << 9) | Token(match.length))) {
      return false;
    }
    finder.Taken(i, match.length);
    i += match.length;
  }
  WriteBlock(tokens.data(), tokens.size(), true, writer);
  writer.Flush();

  const std::uint32_t adler = held.adler();
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(adler >> shift));
  return true;
}

}  // namespace vantiro::engine::render
