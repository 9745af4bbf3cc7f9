// Zlib bodies compressed in pieces: the joined stream must be one zlib stream
// that plain zlib inflates back to the original bytes, whatever the data (stored,
// fixed and dynamic blocks) and whatever the thread count.
#include "core/files/DeflateSplice.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/base/Errors.h"
#include "core/base/Parallel.h"
#include "core/files/OviStream.h"

namespace velinor {
namespace {

// Plain zlib, streaming, no size hint: the reference inflater.
std::vector<uint8_t> ZlibInflate(const uint8_t* data, size_t size) {
  z_stream z{};
  EXPECT_EQ(inflateInit(&z), Z_OK);
  z.next_in = const_cast<uint8_t*>(data);
  z.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> out;
  uint8_t buf[65536];
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END) << "not one complete zlib stream";
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the stream";
  inflateEnd(&z);
  return out;
}

// Kinds of data that make the compressor choose different block types.
std::vector<uint8_t> TestData(size_t n, int kind, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> d(n);
  for (size_t i = 0; i < n; ++i) {
    switch (kind) {
      case 0: d[i] = static_cast<uint8_t>(rng()); break;                               // stored
      case 1: d[i] = static_cast<uint8_t>(i / 977 % 3); break;                         // long matches
      default: d[i] = static_cast<uint8_t>((i * 7 / 3) % 251 + rng() % 9); break;      // mixed
    }
  }
  return d;
}

// Compresses data in the given pieces with libdeflate, joins them the way the
// writer does, and wraps the result as a zlib stream.
std::vector<uint8_t> JoinedZlib(const std::vector<uint8_t>& data, const std::vector<size_t>& cuts, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  std::vector<uint8_t> out = {0x78, 0x9C};
  uLong adler = adler32(0, nullptr, 0);
  size_t from = 0;
  for (size_t k = 0; k <= cuts.size(); ++k) {
    const size_t to = k < cuts.size() ? cuts[k] : data.size();
    const uint8_t* src = data.data() + from;
    std::vector<uint8_t> piece(libdeflate_deflate_compress_bound(c, to - from) + SyncFlushMaxBytes);
    size_t n = libdeflate_deflate_compress(c, src, to - from, piece.data(), piece.size());
    EXPECT_GT(n, 0u);
    if (k < cuts.size()) n = EndWithSyncFlush(piece.data(), n, piece.size());
    out.insert(out.end(), piece.begin(), piece.begin() + static_cast<long>(n));
    adler = adler32(adler, src, static_cast<uInt>(to - from));
    from = to;
  }
  libdeflate_free_compressor(c);
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(adler >> s));
  return out;
}

TEST(DeflateSplice, JoinedPiecesInflateWithZlibForEveryBlockKind) {
  std::mt19937 rng(11);
  for (int kind = 0; kind < 3; ++kind)
    for (int level : {1, 6, 12})
      for (int trial = 0; trial < 4; ++trial) {
        const size_t n = 1 + rng() % 400000;
        const auto data = TestData(n, kind, static_cast<uint32_t>(trial));
        std::vector<size_t> cuts;
        // Cuts anywhere, including empty pieces and pieces of one byte.
        for (size_t at = rng() % 3; at < n; at += 1 + rng() % (trial == 0 ? 3 : 120000)) cuts.push_back(at);
        const auto z = JoinedZlib(data, cuts, level);
        EXPECT_EQ(ZlibInflate(z.data(), z.size()), data)
            << "kind " << kind << " level " << level << " trial " << trial;
      }
}

TEST(DeflateSplice, RefusesWhatIsNotOneCompleteStream) {
  const auto data = TestData(50000, 2, 3);
  libdeflate_compressor* c = libdeflate_alloc_compressor(6);
  std::vector<uint8_t> s(libdeflate_deflate_compress_bound(c, data.size()) + SyncFlushMaxBytes);
  const size_t n = libdeflate_deflate_compress(c, data.data(), data.size(), s.data(), s.size());
  libdeflate_free_compressor(c);
  std::vector<uint8_t> copy = s;
  EXPECT_THROW(EndWithSyncFlush(copy.data(), n / 2, copy.size()), EWriteError);  // truncated
  copy = s;
  copy[n] = 0x55;
  EXPECT_THROW(EndWithSyncFlush(copy.data(), n + 1, copy.size()), EWriteError);  // trailing bytes
  copy = s;
  EXPECT_THROW(EndWithSyncFlush(copy.data(), n, n + 2), EWriteError);  // no room
  std::vector<uint8_t> junk(64, 0xFF);  // block type 3
  EXPECT_THROW(EndWithSyncFlush(junk.data(), 16, junk.size()), EWriteError);
}

// A body of rows x rowBytes, the rows a smooth pattern with noise.
void FillRows(uint64_t first, size_t count, size_t rowBytes, uint8_t* dst) {
  for (size_t r = 0; r < count; ++r)
    for (size_t x = 0; x < rowBytes; ++x) {
      const uint64_t y = first + r;
      uint32_t h = static_cast<uint32_t>(y * 2654435761u ^ x * 40503u);
      h ^= h >> 13;
      dst[r * rowBytes + x] = static_cast<uint8_t>((x / 3 + y / 2) % 256 + (h & 7));
    }
}

TEST(DeflateSplice, LargeBodyOfManyPiecesIsOneZlibStreamAndIndependentOfThreads) {
  const uint64_t rows = 1500;
  const size_t rowBytes = 9000;  // 13.5 MB: several small pieces and one large
  const auto ranges = ZlibPieceRows(rows, rowBytes);
  ASSERT_GE(ranges.size(), 3u);
  std::vector<uint8_t> expected(rows * rowBytes);
  FillRows(0, rows, rowBytes, expected.data());

  std::vector<uint8_t> previous;
  for (int threads : {1, 2}) {
    SetEngineThreads(threads);
    TOviWriter out;
    out.WriteBytes("ab", 2);
    out.WriteZlibRows(rows, rowBytes, [&](uint64_t first, size_t count, uint8_t* dst) {
      FillRows(first, count, rowBytes, dst);
    });
    out.WriteBytes("cd", 2);
    const auto bytes = out.TakeBytes();
    ASSERT_GT(bytes.size(), 10u);
    EXPECT_EQ(std::memcmp(bytes.data(), "ab", 2), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + bytes.size() - 2, "cd", 2), 0);
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= uint32_t{bytes[2 + i]} << (8 * i);
    ASSERT_EQ(length, bytes.size() - 4);  // from the length field to the end of the stream
    EXPECT_EQ(bytes[6], 0x78);
    EXPECT_EQ(bytes[7], 0x9C);
    EXPECT_TRUE(ZlibInflate(bytes.data() + 6, length - 4) == expected);
    if (!previous.empty()) {
      EXPECT_TRUE(bytes == previous) << "bytes depend on the thread count";
    }
    previous = bytes;
  }
  SetEngineThreads(0);
}

TEST(DeflateSplice, PiecesCoverEveryRowOnce) {
  for (uint64_t rows : {0ull, 1ull, 7ull, 1000ull, 4000ull})
    for (size_t rowBytes : {size_t{1}, size_t{3}, size_t{18000}, size_t{3} << 20}) {
      const auto ranges = ZlibPieceRows(rows, rowBytes);
      ASSERT_FALSE(ranges.empty());
      uint64_t next = 0;
      for (const auto& [first, count] : ranges) {
        EXPECT_EQ(first, next);
        next += count;
      }
      EXPECT_EQ(next, rows);
      // Only the last piece may be large.
      for (size_t k = 0; k + 1 < ranges.size(); ++k)
        EXPECT_LE(ranges[k].second * rowBytes, std::max(ZlibPieceBytes, rowBytes));
    }
}

}  // namespace
}  // namespace velinor
