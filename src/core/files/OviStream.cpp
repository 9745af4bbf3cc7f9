#include "OviStream.h"

#include <libdeflate.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <numeric>

#include "base/Errors.h"
#include "base/Parallel.h"

namespace velinor {

namespace {

// zlib's default level (-1) is level 6; libdeflate's level 6 is the same trade-off
// and writes the same stream format several times faster.
constexpr int DefaultDeflateLevel = 6;

struct CompressorDeleter {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

[[noreturn]] void Truncated() { throw EReadError("the file is truncated"); }

}  // namespace

// ---- reading ----------------------------------------------------------------

uint8_t TOviSource::ReadByte() {
  uint8_t v;
  Read(&v, 1);
  return v;
}

int32_t TOviSource::ReadInt32() {
  uint8_t b[4];
  Read(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                              uint32_t{b[3]} << 24);
}

double TOviSource::ReadDouble() {
  uint8_t b[8];
  Read(b, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | b[i];
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void TOviSource::Require(uint64_t n) const {
  if (n > Remaining()) Truncated();
}

std::vector<uint8_t> TOviSource::ReadBlob(uint64_t n) {
  Require(n);
  std::vector<uint8_t> blob(static_cast<size_t>(n));
  if (n > 0) Read(blob.data(), blob.size());
  return blob;
}

void TOviMemorySource::Read(void* dst, size_t n) {
  if (n > size_ - pos_) Truncated();
  if (n > 0) std::memcpy(dst, data_ + pos_, n);
  pos_ += n;
}

void TOviMemorySource::Skip(uint64_t n) {
  if (n > size_ - pos_) Truncated();
  pos_ += static_cast<size_t>(n);
}

TOviFileSource::TOviFileSource(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw EReadError("cannot open " + path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(::fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(file_);
    throw EReadError("not a regular file: " + path);
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

TOviFileSource::~TOviFileSource() { std::fclose(file_); }

void TOviFileSource::Read(void* dst, size_t n) {
  if (n > size_ - pos_) Truncated();
  if (n > 0 && std::fread(dst, 1, n, file_) != n) Truncated();
  pos_ += n;
}

void TOviFileSource::Skip(uint64_t n) {
  if (n > size_ - pos_) Truncated();
  if (::fseeko(file_, static_cast<off_t>(pos_ + n), SEEK_SET) != 0) Truncated();
  pos_ += n;
}

void CheckInflatable(uint64_t compressedSize, uint64_t expected) {
  // Deflate spends at least two bits on a 258-byte match: about 1032 bytes out per byte in.
  if (expected > 1040 * compressedSize + 4096)
    throw EReadError("compressed data too short for the image size");
}

void InflateZlibExact(const uint8_t* compressed, size_t size, uint8_t* out, size_t expected) {
  CheckInflatable(size, expected);
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(libdeflate_alloc_decompressor());
  if (!d) throw std::bad_alloc();
  uint8_t dummy = 0;
  // Without an "actual size" pointer the stream must fill the buffer exactly.
  const libdeflate_result r = libdeflate_zlib_decompress(d.get(), compressed, size,
                                                         expected ? out : &dummy, expected, nullptr);
  switch (r) {
    case LIBDEFLATE_SUCCESS: return;
    case LIBDEFLATE_SHORT_OUTPUT: throw EReadError("compressed data ends before the image does");
    case LIBDEFLATE_INSUFFICIENT_SPACE: throw EReadError("compressed data holds more than the image size");
    default: throw EReadError("corrupt compressed data");
  }
}

std::vector<uint8_t> DeflateZlib(const uint8_t* data, size_t size) {
  std::unique_ptr<libdeflate_compressor, CompressorDeleter> c(
      libdeflate_alloc_compressor(DefaultDeflateLevel));
  if (!c) throw std::bad_alloc();
  std::vector<uint8_t> out(libdeflate_zlib_compress_bound(c.get(), size));
  uint8_t dummy = 0;
  const size_t n = libdeflate_zlib_compress(c.get(), size ? data : &dummy, size, out.data(), out.size());
  if (n == 0) throw EWriteError("compression failed");
  out.resize(n);
  out.shrink_to_fit();
  return out;
}

// ---- writing ----------------------------------------------------------------

std::vector<uint8_t>& TOviWriter::Tail() {
  if (segments_.empty() || segments_.back().producer) segments_.emplace_back();
  return segments_.back().bytes;
}

void TOviWriter::WriteBytes(const void* data, size_t n) {
  auto& t = Tail();
  const auto* p = static_cast<const uint8_t*>(data);
  t.insert(t.end(), p, p + n);
}

void TOviWriter::WriteInt32(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                        static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  WriteBytes(b, 4);
}

void TOviWriter::WriteDouble(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  WriteBytes(b, 8);
}

void TOviWriter::WriteZeros(size_t n) {
  auto& t = Tail();
  t.resize(t.size() + n, 0);
}

void TOviWriter::WriteDeferred(TProducer producer, uint64_t cost) {
  if (!allowDeferred_) {
    const auto bytes = producer();
    WriteBytes(bytes.data(), bytes.size());
    return;
  }
  Segment s;
  s.producer = std::move(producer);
  s.cost = cost;
  segments_.push_back(std::move(s));
}

void TOviWriter::Append(TOviWriter&& other) {
  for (auto& s : other.segments_) {
    if (s.producer) throw std::logic_error("TOviWriter::Append: deferred part");
    WriteBytes(s.bytes.data(), s.bytes.size());
  }
  other.segments_.clear();
}

uint64_t TOviWriter::ImmediateSize() const {
  uint64_t n = 0;
  for (const auto& s : segments_) n += s.bytes.size();
  return n;
}

void TOviWriter::Finish(const std::function<void(const uint8_t*, size_t)>& sink) {
  auto segments = std::move(segments_);
  segments_.clear();
  std::vector<size_t> jobs;
  std::vector<char> ready(segments.size(), 1);
  for (size_t i = 0; i < segments.size(); ++i)
    if (segments[i].producer) {
      jobs.push_back(i);
      ready[i] = 0;
    }
  // Largest first, so that the threads end together.
  std::stable_sort(jobs.begin(), jobs.end(),
                   [&](size_t a, size_t b) { return segments[a].cost > segments[b].cost; });

  // Whoever completes a segment hands on every segment that is now ready in file
  // order, so writing overlaps the compression still running.
  size_t flushed = 0;
  std::exception_ptr error;
  auto flushReady = [&] {
    while (!error && flushed < segments.size() && ready[flushed]) {
      Segment& s = segments[flushed];
      try {
        if (!s.bytes.empty()) sink(s.bytes.data(), s.bytes.size());
      } catch (...) {
        error = std::current_exception();
        return;
      }
      std::vector<uint8_t>().swap(s.bytes);
      ++flushed;
    }
  };
#pragma omp critical(velinor_ovi_flush)
  flushReady();

  const int n = static_cast<int>(jobs.size());
  const int threads = std::max(1, std::min(EngineThreads(), n));
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
  for (int j = 0; j < n; ++j) {
    Segment& s = segments[jobs[j]];
    std::vector<uint8_t> bytes;
    std::exception_ptr failed;
    try {
      bool skip;
#pragma omp critical(velinor_ovi_flush)
      skip = error != nullptr;
      if (!skip) bytes = s.producer();
    } catch (...) {
      failed = std::current_exception();
    }
#pragma omp critical(velinor_ovi_flush)
    {
      if (failed && !error) error = failed;
      s.bytes = std::move(bytes);
      ready[jobs[j]] = 1;
      flushReady();
    }
  }
  if (error) std::rethrow_exception(error);
}

std::vector<uint8_t> TOviWriter::TakeBytes() {
  std::vector<uint8_t> out;
  Finish([&](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
  return out;
}

}  // namespace velinor
