#pragma once
// Byte-level input and output of layered (.ovi) files: little-endian fields, and
// the zlib bodies. Reading is forward-only and refuses, before allocating, any
// declared length the input cannot hold. Writing collects the file as segments;
// the large compressed bodies are deferred and compressed side by side when the
// file is finished, since they are independent of one another.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velinor {

class TOviSource {
 public:
  virtual ~TOviSource() = default;
  TOviSource() = default;
  TOviSource(const TOviSource&) = delete;
  TOviSource& operator=(const TOviSource&) = delete;

  // Both throw EReadError when the input ends first.
  virtual void Read(void* dst, size_t n) = 0;
  virtual void Skip(uint64_t n) = 0;
  // Bytes left before the end of the input.
  virtual uint64_t Remaining() const = 0;

  uint8_t ReadByte();
  int32_t ReadInt32();
  double ReadDouble();
  // n bytes into a new buffer; refused when the input does not hold them.
  std::vector<uint8_t> ReadBlob(uint64_t n);
  // Throws EReadError (a truncated file) when fewer than n bytes are left.
  void Require(uint64_t n) const;
};

class TOviMemorySource final : public TOviSource {
 public:
  TOviMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  void Read(void* dst, size_t n) override;
  void Skip(uint64_t n) override;
  uint64_t Remaining() const override { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Reads a file from disk; only the parts asked for are read.
class TOviFileSource final : public TOviSource {
 public:
  explicit TOviFileSource(const std::string& path);
  ~TOviFileSource() override;
  void Read(void* dst, size_t n) override;
  void Skip(uint64_t n) override;
  uint64_t Remaining() const override { return size_ - pos_; }

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
};

// Refuses, before anything is allocated for it, a declared size that so much
// compressed data cannot hold.
void CheckInflatable(uint64_t compressedSize, uint64_t expected);

// Inflates exactly expected bytes from a zlib stream into out. Anything else is
// refused with EReadError: a corrupt stream, a checksum mismatch, a stream that
// ends early, or one that holds more than declared (so a small file can never
// make the reader inflate more than the sizes it declares).
void InflateZlibExact(const uint8_t* compressed, size_t size, uint8_t* out, size_t expected);

// A zlib body is compressed as pieces of whole rows, each on its own, joined
// into one stream. Joining means walking every piece but the last one through
// its codes, which costs about a quarter of compressing it, so only the first
// fifth of a body is cut into small pieces (ZlibPieceBytes each, rounded to
// rows) and the rest is one piece: the small ones let the threads even out. The
// split depends on the body's size only, so the bytes written never depend on
// the thread count.
inline constexpr size_t ZlibPieceBytes = size_t{1} << 20;
inline constexpr int ZlibSmallPiecesShare = 5;  // 1/5 of the body

// The pieces' row ranges (first row, row count) of a body of rows x rowBytes.
std::vector<std::pair<uint64_t, uint64_t>> ZlibPieceRows(uint64_t rows, size_t rowBytes);

// Fills count rows, from row first on, into dst (count x rowBytes bytes).
using TRowFiller = std::function<void(uint64_t first, size_t count, uint8_t* dst)>;

class TOviWriter {
 public:
  // A deferred segment: produces its bytes when the file is finished.
  using TProducer = std::function<std::vector<uint8_t>()>;

  // With deferral off, producers run at once, in order (used for blocks whose
  // length must be known before the block is complete).
  explicit TOviWriter(bool allowDeferred = true) : allowDeferred_(allowDeferred) {}

  void WriteBytes(const void* data, size_t n);
  void WriteByte(uint8_t v) { WriteBytes(&v, 1); }
  void WriteInt32(int32_t v);
  void WriteDouble(double v);
  void WriteZeros(size_t n);
  // Appends the bytes of producer() here; cost, about the bytes it produces,
  // orders the deferred work (largest first) and counts for going parallel.
  void WriteDeferred(TProducer producer, uint64_t cost);
  // Appends a length field (counting itself) and one zlib stream of rows x rowBytes
  // bytes taken from fill. The stream is compressed in pieces of whole rows, side
  // by side when deferred; fill is called from any thread for disjoint rows.
  void WriteZlibRows(uint64_t rows, size_t rowBytes, TRowFiller fill);
  // Appends everything another writer holds (which must have no deferred part).
  void Append(TOviWriter&& other);

  // Size so far; only meaningful while nothing is deferred.
  uint64_t ImmediateSize() const;

  // Holds value until the writer is gone, for deferred bodies made from a
  // picture that lives nowhere else; returns the held value.
  template <class T>
  const T& Keep(T value) {
    auto held = std::make_shared<const T>(std::move(value));
    kept_.push_back(held);
    return *held;
  }

  // Runs the deferred producers (in parallel, on the engine's threads) and hands
  // every byte to sink in file order. The writer is empty afterwards.
  void Finish(const std::function<void(const uint8_t*, size_t)>& sink);
  std::vector<uint8_t> TakeBytes();

 private:
  std::vector<std::shared_ptr<const void>> kept_;
  struct ZlibBody;
  struct Segment {
    std::vector<uint8_t> bytes;
    TProducer producer;
    uint64_t cost = 0;
    std::shared_ptr<ZlibBody> body;
    bool Deferred() const { return producer || body; }
  };
  std::vector<uint8_t>& Tail();
  static void EmitZlibBody(ZlibBody& body, const std::function<void(const uint8_t*, size_t)>& sink);

  bool allowDeferred_;
  std::vector<Segment> segments_;
};

}  // namespace velinor
