#include "core/files/JxlCodec.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/base/Errors.h"
#include "core/files/SafeFile.h"

namespace velinor {

namespace {

// Every allocation of the decoder passes here: each block carries its size in
// front of it so that the running total stays exact, and a request that would
// take the total past the limit is refused (the decoder then fails cleanly).
struct MemoryBudget {
  std::atomic<size_t> used{0};
  size_t limit = JxlDecoderMemoryLimit;
  bool exceeded = false;
};

constexpr size_t HeaderBytes = 16;  // keeps the blocks 16-byte aligned

void* BudgetAlloc(void* opaque, size_t size) {
  auto* budget = static_cast<MemoryBudget*>(opaque);
  if (size > budget->limit || budget->used.fetch_add(size) + size > budget->limit) {
    if (size <= budget->limit) budget->used.fetch_sub(size);
    budget->exceeded = true;
    return nullptr;
  }
  auto* block = static_cast<uint8_t*>(std::malloc(size + HeaderBytes));
  if (!block) {
    budget->used.fetch_sub(size);
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  return block + HeaderBytes;
}

void BudgetFree(void* opaque, void* address) {
  if (!address) return;
  auto* block = static_cast<uint8_t*>(address) - HeaderBytes;
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  static_cast<MemoryBudget*>(opaque)->used.fetch_sub(size);
  std::free(block);
}

struct DecoderDeleter {
  void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
struct RunnerDeleter {
  void operator()(void* r) const { JxlThreadParallelRunnerDestroy(r); }
};

// A decoder whose memory goes through the budget, over the caller's bytes.
class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size) {
    if (!data || size < 2) throw EReadError("JPEG XL: too short");
    const JxlSignature sig = JxlSignatureCheck(data, size);
    if (sig != JXL_SIG_CODESTREAM && sig != JXL_SIG_CONTAINER) throw EReadError("JPEG XL: not a JPEG XL file");
    manager_ = JxlMemoryManager{&budget_, BudgetAlloc, BudgetFree};
    dec_.reset(JxlDecoderCreate(&manager_));
    if (!dec_) throw EOutOfLimits("JPEG XL: no memory for the decoder");
    if (JxlDecoderSetInput(dec_.get(), data, size) != JXL_DEC_SUCCESS) throw EReadError("JPEG XL: input");
    JxlDecoderCloseInput(dec_.get());
  }
  JxlDecoder* get() const { return dec_.get(); }
  void UseThreads() {
    const size_t threads = std::min<size_t>(JxlThreadParallelRunnerDefaultNumWorkerThreads(), 4);
    if (threads < 2) return;
    runner_.reset(JxlThreadParallelRunnerCreate(&manager_, threads));
    if (runner_) JxlDecoderSetParallelRunner(dec_.get(), JxlThreadParallelRunner, runner_.get());
  }
  [[noreturn]] void Fail(const char* what) const {
    if (budget_.exceeded) throw EOutOfLimits("JPEG XL: the decoder needs too much memory");
    throw EReadError(std::string("JPEG XL: ") + what);
  }

 private:
  MemoryBudget budget_;
  JxlMemoryManager manager_{};
  std::unique_ptr<void, RunnerDeleter> runner_;  // destroyed after the decoder
  std::unique_ptr<JxlDecoder, DecoderDeleter> dec_;
};

// Upright size: orientations 5..8 swap the axes.
void UprightSize(const JxlBasicInfo& info, int& w, int& h) {
  const bool swap = info.orientation >= JXL_ORIENT_TRANSPOSE;
  w = static_cast<int>(swap ? info.ysize : info.xsize);
  h = static_cast<int>(swap ? info.xsize : info.ysize);
}

bool IsSrgb(const JxlColorEncoding& c) {
  return c.color_space != JXL_COLOR_SPACE_XYB && c.color_space != JXL_COLOR_SPACE_UNKNOWN &&
         c.white_point == JXL_WHITE_POINT_D65 && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
         (c.color_space == JXL_COLOR_SPACE_GRAY || c.primaries == JXL_PRIMARIES_SRGB);
}

JxlColorEncoding Srgb(bool grey) {
  JxlColorEncoding c{};
  c.color_space = grey ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
  c.white_point = JXL_WHITE_POINT_D65;
  c.primaries = JXL_PRIMARIES_SRGB;
  c.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
  c.rendering_intent = JXL_RENDERING_INTENT_RELATIVE;
  return c;
}

}  // namespace

bool ProbeJxl(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  try {
    Decoder dec(data, size);
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS) return false;
    if (JxlDecoderProcessInput(dec.get()) != JXL_DEC_BASIC_INFO) return false;
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS) return false;
    UprightSize(info, width, height);
    return width > 0 && height > 0;
  } catch (const EVelinorError&) {
    width = height = 0;
    return false;
  }
}

TDecodedPicture ReadJxl(const uint8_t* data, size_t size) {
  Decoder dec(data, size);
  if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
      JXL_DEC_SUCCESS)
    dec.Fail("decoder set-up");
  JxlDecoderSetUnpremultiplyAlpha(dec.get(), JXL_TRUE);
  dec.UseThreads();

  TDecodedPicture p;
  JxlBasicInfo info{};
  bool alpha = false, grey = false;
  JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
    if (status == JXL_DEC_ERROR) dec.Fail("damaged file");
    if (status == JXL_DEC_NEED_MORE_INPUT) dec.Fail("truncated file");
    if (status == JXL_DEC_SUCCESS) dec.Fail("no frame");
    if (status == JXL_DEC_BASIC_INFO) {
      if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS) dec.Fail("header");
      UprightSize(info, p.StoredWidth, p.StoredHeight);
      alpha = info.alpha_bits > 0;
      grey = info.num_color_channels == 1;
      CheckDecodedSize(p.StoredWidth, p.StoredHeight, alpha ? 4 : 3);
      p.BitsPerChannel = static_cast<int>(info.bits_per_sample);
      p.DepthCode = alpha ? 7 : 6;
      p.Animated = info.have_animation != 0;
      format.num_channels = alpha ? 4 : 3;
    } else if (status == JXL_DEC_COLOR_ENCODING) {
      // Lossy (XYB) files can be delivered in sRGB by the decoder itself.
      if (!info.uses_original_profile) {
        const JxlColorEncoding srgb = Srgb(grey);
        JxlDecoderSetPreferredColorProfile(dec.get(), &srgb);
      }
      JxlColorEncoding data{};
      const bool known = JxlDecoderGetColorAsEncodedProfile(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                            &data) == JXL_DEC_SUCCESS;
      size_t iccSize = 0;
      if (!(known && IsSrgb(data)) &&
          JxlDecoderGetICCProfileSize(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &iccSize) ==
              JXL_DEC_SUCCESS &&
          iccSize > 0 && iccSize <= (size_t{16} << 20)) {
        p.Icc.resize(iccSize);
        if (JxlDecoderGetColorAsICCProfile(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, p.Icc.data(),
                                           iccSize) != JXL_DEC_SUCCESS)
          p.Icc.clear();
      }
    } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
      // Rows padded to 4 bytes, as the bitmap's: decoded in place, then R and B swapped.
      p.Bitmap = TBitmap(p.StoredWidth, p.StoredHeight, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
      size_t needed = 0;
      if (JxlDecoderImageOutBufferSize(dec.get(), &format, &needed) != JXL_DEC_SUCCESS ||
          needed > p.Bitmap.ByteSize())
        dec.Fail("unexpected output size");
      if (JxlDecoderSetImageOutBuffer(dec.get(), &format, p.Bitmap.Bits(), p.Bitmap.ByteSize()) != JXL_DEC_SUCCESS)
        dec.Fail("output buffer");
    } else if (status == JXL_DEC_FULL_IMAGE) {
      break;  // the first frame is all we show
    }
  }
  if (p.Bitmap.Empty()) dec.Fail("no pixels");
  const int bpp = alpha ? 4 : 3;
  for (int y = 0; y < p.Bitmap.Height(); ++y) {
    uint8_t* row = p.Bitmap.ScanLine(y);
    for (int x = 0; x < p.Bitmap.Width(); ++x, row += bpp) std::swap(row[0], row[2]);
  }
  FinishDecodedPicture(p);
  return p;
}

std::vector<uint8_t> ReadJxlExif(const uint8_t* data, size_t size) {
  try {
    Decoder dec(data, size);
    if (JxlSignatureCheck(data, size) != JXL_SIG_CONTAINER) return {};
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BOX) != JXL_DEC_SUCCESS) return {};
    JxlDecoderSetDecompressBoxes(dec.get(), JXL_TRUE);
    std::vector<uint8_t> box;
    bool inExif = false;
    constexpr size_t MaxExif = size_t{64} << 20;
    for (;;) {
      const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
      if (inExif && (status == JXL_DEC_BOX || status == JXL_DEC_SUCCESS || status == JXL_DEC_NEED_MORE_INPUT ||
                     status == JXL_DEC_ERROR)) {
        const size_t left = JxlDecoderReleaseBoxBuffer(dec.get());
        box.resize(box.size() - left);
        return ExifFromTiffHeader(box.data(), box.size());
      }
      if (status == JXL_DEC_BOX) {
        JxlBoxType type;
        if (JxlDecoderGetBoxType(dec.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS) return {};
        if (std::memcmp(type, "Exif", 4) == 0) {
          box.resize(4096);
          if (JxlDecoderSetBoxBuffer(dec.get(), box.data(), box.size()) != JXL_DEC_SUCCESS) return {};
          inExif = true;
        }
      } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT && inExif) {
        const size_t left = JxlDecoderReleaseBoxBuffer(dec.get());
        const size_t filled = box.size() - left;
        if (box.size() * 2 > MaxExif) return {};
        box.resize(box.size() * 2);
        if (JxlDecoderSetBoxBuffer(dec.get(), box.data() + filled, box.size() - filled) != JXL_DEC_SUCCESS)
          return {};
        // The last buffer ends at box.size(): what it leaves unwritten is cut at the end.
      } else {
        return {};
      }
    }
  } catch (const EVelinorError&) {
    return {};
  }
}

}  // namespace velinor
