#include "core/files/DeflateSplice.h"

#include <array>
#include <cstring>

#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Malformed() { throw EWriteError("compressor output is not a deflate stream"); }

// Least-significant-bit-first reader holding up to 63 bits in a register. Past
// the end it feeds zero bytes and counts them, so a malformed stream cannot run
// far.
class TBitReader {
 public:
  TBitReader(const uint8_t* data, size_t size) : data_(data), p_(data), end_(data + size) {}

  // Afterwards at least 48 bits are held: one whole length/distance pair.
  void Refill() {
    if (end_ - p_ >= 8) {
      uint64_t v;
      std::memcpy(&v, p_, 8);  // little-endian, like the rest of the file code
      buf_ |= v << bits_;
      p_ += (63 - bits_) >> 3;
      bits_ |= 56;
      return;
    }
    while (bits_ <= 56) {
      if (p_ < end_) {
        buf_ |= uint64_t{*p_++} << bits_;
      } else if (++overrun_ > 16) {
        Malformed();
      }
      bits_ += 8;
    }
  }
  uint32_t Peek(int n) const { return static_cast<uint32_t>(buf_) & ((uint32_t{1} << n) - 1); }
  void Drop(int n) {
    buf_ >>= n;
    bits_ -= n;
  }
  uint32_t Take(int n) {
    if (bits_ < n) Refill();
    const uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  int Held() const { return bits_; }
  uint64_t Position() const { return uint64_t{8} * static_cast<uint64_t>(p_ - data_ + overrun_) - bits_; }
  void AlignToByte() { Drop(bits_ & 7); }
  // Jumps over n whole bytes; only at a byte boundary.
  void SkipBytes(size_t n) {
    const size_t held = static_cast<size_t>(bits_ >> 3);
    if (n < held) {
      Drop(static_cast<int>(8 * n));
      return;
    }
    n -= held;
    buf_ = 0;
    bits_ = 0;
    if (n > static_cast<size_t>(end_ - p_)) Malformed();
    p_ += n;
  }
  void Check() const {
    if (Position() > uint64_t{8} * static_cast<uint64_t>(end_ - data_)) Malformed();
  }

 private:
  const uint8_t* data_;
  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t buf_ = 0;
  int bits_ = 0;
  size_t overrun_ = 0;
};

// Canonical Huffman code: codes of up to FastBits bits through one table indexed
// by the next bits (entry = symbol << 4 | length, 0 for longer codes), the rare
// longer ones bit by bit.
class THuffman {
 public:
  static constexpr int FastBits = 10;

  void Build(const uint8_t* lengths, int count) {
    count_.fill(0);
    for (int i = 0; i < count; ++i) count_[lengths[i]]++;
    count_[0] = 0;
    std::array<int, 16> offset{};
    for (int len = 1; len < 15; ++len) offset[len + 1] = offset[len] + count_[len];
    // Over-subscribed sets of lengths are no code at all.
    int left = 1;
    for (int len = 1; len <= 15; ++len) {
      left = (left << 1) - count_[len];
      if (left < 0) Malformed();
    }
    for (int s = 0; s < count; ++s)
      if (lengths[s] != 0) sorted_[static_cast<size_t>(offset[lengths[s]]++)] = static_cast<uint16_t>(s);

    fast_.fill(0);
    uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= FastBits; ++len) {
      for (int i = 0; i < count_[len]; ++i, ++code) {
        uint32_t reversed = 0;
        for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
        const uint16_t e = static_cast<uint16_t>(sorted_[static_cast<size_t>(index + i)] << 4 | len);
        for (uint32_t k = reversed; k < fast_.size(); k += uint32_t{1} << len) fast_[k] = e;
      }
      index += count_[len];
      code <<= 1;
    }
  }

  // The reader must hold at least 15 bits.
  inline __attribute__((always_inline)) int Decode(TBitReader& in) const {
    const uint16_t e = fast_[in.Peek(FastBits)];
    if (e != 0) {
      in.Drop(e & 15);
      return e >> 4;
    }
    // Slow path: walk the code one bit at a time (codes are sent top bit first).
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= 15; ++len) {
      code |= static_cast<int>(in.Peek(len) >> (len - 1)) & 1;
      const int n = count_[len];
      if (code - first < n) {
        in.Drop(len);
        return sorted_[static_cast<size_t>(index + code - first)];
      }
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    Malformed();
  }

 private:
  std::array<uint16_t, size_t{1} << FastBits> fast_{};
  std::array<int, 16> count_{};
  std::array<uint16_t, 320> sorted_{};
};

constexpr uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// Reads the symbols of a Huffman-coded block up to its end code, skipping the
// extra bits; nothing is produced. Each turn holds enough bits for a whole
// length/distance pair (15 + 5 + 15 + 13).
void SkipCodedBlock(TBitReader& stream, const THuffman& litlen, const THuffman& dist) {
  // A local copy stays in registers: the loop is one long chain of dependent lookups.
  TBitReader in = stream;
  for (;;) {
    if (in.Held() < 48) in.Refill();
    const int sym = litlen.Decode(in);
    if (sym < 256) continue;
    if (sym == 256) break;
    if (sym > 285) Malformed();
    in.Drop(LengthExtra[sym - 257]);
    const int d = dist.Decode(in);
    if (d > 29) Malformed();
    in.Drop(d < 4 ? 0 : d / 2 - 1);
  }
  stream = in;
}

void ReadDynamicTables(TBitReader& in, THuffman& litlen, THuffman& dist) {
  static constexpr uint8_t Order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  const int hlit = static_cast<int>(in.Take(5)) + 257;
  const int hdist = static_cast<int>(in.Take(5)) + 1;
  const int hclen = static_cast<int>(in.Take(4)) + 4;
  if (hlit > 286 || hdist > 30) Malformed();
  uint8_t codeLengths[19] = {};
  for (int i = 0; i < hclen; ++i) codeLengths[Order[i]] = static_cast<uint8_t>(in.Take(3));
  THuffman lengthCode;
  lengthCode.Build(codeLengths, 19);

  uint8_t lengths[286 + 30] = {};
  const int total = hlit + hdist;
  for (int i = 0; i < total;) {
    in.Refill();
    const int sym = lengthCode.Decode(in);
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    int repeat;
    uint8_t value = 0;
    if (sym == 16) {
      if (i == 0) Malformed();
      value = lengths[i - 1];
      repeat = 3 + static_cast<int>(in.Take(2));
    } else if (sym == 17) {
      repeat = 3 + static_cast<int>(in.Take(3));
    } else {
      repeat = 11 + static_cast<int>(in.Take(7));
    }
    if (i + repeat > total) Malformed();
    std::memset(lengths + i, value, static_cast<size_t>(repeat));
    i += repeat;
  }
  litlen.Build(lengths, hlit);
  dist.Build(lengths + hlit, hdist);
}

void BuildFixedTables(THuffman& litlen, THuffman& dist) {
  uint8_t l[288];
  std::memset(l, 8, 144);
  std::memset(l + 144, 9, 112);
  std::memset(l + 256, 7, 24);
  std::memset(l + 280, 8, 8);
  litlen.Build(l, 288);
  uint8_t d[30];
  std::memset(d, 5, 30);
  dist.Build(d, 30);
}

}  // namespace

size_t EndWithSyncFlush(uint8_t* data, size_t size, size_t capacity) {
  if (capacity < size + SyncFlushMaxBytes) throw EWriteError("no room to join compressed pieces");
  TBitReader in(data, size);
  THuffman litlen, dist;
  uint64_t lastHeader = 0;
  for (;;) {
    in.Refill();
    lastHeader = in.Position();
    const uint32_t final = in.Take(1);
    const uint32_t type = in.Take(2);
    if (type == 0) {
      in.AlignToByte();
      const uint32_t len = in.Take(16);
      const uint32_t nlen = in.Take(16);
      if ((len ^ 0xFFFF) != nlen) Malformed();
      in.SkipBytes(len);
    } else if (type == 1) {
      BuildFixedTables(litlen, dist);
      SkipCodedBlock(in, litlen, dist);
    } else if (type == 2) {
      ReadDynamicTables(in, litlen, dist);
      SkipCodedBlock(in, litlen, dist);
    } else {
      Malformed();
    }
    in.Check();
    if (final) break;
  }
  const uint64_t end = in.Position();
  // The stream must fill its buffer: nothing but the padding of the last byte after it.
  if ((end + 7) / 8 != size) Malformed();

  data[lastHeader >> 3] &= static_cast<uint8_t>(~(1u << (lastHeader & 7)));
  // The empty stored block: three zero bits, then zeros up to the byte boundary.
  const int used = static_cast<int>(end & 7);
  if (used != 0) data[size - 1] &= static_cast<uint8_t>((1u << used) - 1);
  const int padding = used == 0 ? 0 : 8 - used;
  if (padding < 3) data[size++] = 0;
  data[size++] = 0x00;
  data[size++] = 0x00;
  data[size++] = 0xFF;
  data[size++] = 0xFF;
  return size;
}

}  // namespace velinor
