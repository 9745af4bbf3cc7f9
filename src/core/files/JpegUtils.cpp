#include "core/files/JpegUtils.h"

#include "core/files/ColorProfile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include <jpeglib.h>
#include <jerror.h>

#include "core/files/ExifUtils.h"
#include "core/files/DecodedPicture.h"
#include "core/files/SafeFile.h"
#include "core/base/Errors.h"
#include "core/base/Parallel.h"

namespace velinor {

// libjpeg reports fatal errors through error_exit, which must not return. We
// leave through longjmp back into the small function that set the jump point;
// those functions hold only plain C data, so no C++ destructor is skipped, and
// the owner object below destroys the libjpeg state afterwards on every path.
namespace {

struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings stay silent, except a premature end of data: a truncated file is a
// failed read, not a picture with a grey bottom.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) {
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
    cinfo->err->num_warnings++;
  }
}

// Hostile progressive files can hold thousands of tiny scans, each a pass over
// the whole coefficient buffer; real files have a dozen or so.
constexpr int MaxProgressiveScans = 500;

struct TScanLimit {
  jpeg_progress_mgr pub;
};

extern "C" void JpegCheckScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= MaxProgressiveScans) return;
  auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "too many scans");
  std::longjmp(err->jump, 1);
}

void InitErrors(TJpegErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.emit_message = JpegEmitMessage;
  err.message[0] = 0;
}

// Bounds what libjpeg may allocate for one image (coefficient buffers of
// progressive files included), beyond the pixel limit checked separately.
constexpr long MaxJpegWorkMemory = long{3} << 29;

struct TDecoder {
  jpeg_decompress_struct cinfo;
  TJpegErrorManager err;
  TScanLimit progress;
  bool created = false;
  TDecoder() {
    std::memset(&cinfo, 0, sizeof cinfo);
    InitErrors(err);
    cinfo.err = &err.pub;
    std::memset(&progress, 0, sizeof progress);
    progress.pub.progress_monitor = JpegCheckScans;
  }
  ~TDecoder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  TDecoder(const TDecoder&) = delete;
  TDecoder& operator=(const TDecoder&) = delete;
};

bool DecodeHeader(TDecoder* d, const uint8_t* data, size_t size, int scaleDenom) {
  if (setjmp(d->err.jump)) return false;
  d->created = true;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.mem->max_memory_to_use = MaxJpegWorkMemory;
  d->cinfo.progress = &d->progress.pub;
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->cinfo, TRUE);
  const J_COLOR_SPACE cs = d->cinfo.jpeg_color_space;
  d->cinfo.out_color_space = (cs == JCS_CMYK || cs == JCS_YCCK) ? JCS_CMYK : JCS_EXT_BGR;
  d->cinfo.scale_num = 1;
  d->cinfo.scale_denom = static_cast<unsigned>(scaleDenom);
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

// rows: one pointer per output row. cmyk: a buffer of 4 * width bytes, or null
// when the output is BGR directly.
bool DecodeStart(TDecoder* d) {
  if (setjmp(d->err.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  return true;
}

bool DecodeBody(TDecoder* d, uint8_t** rows, uint8_t* cmyk) {
  if (setjmp(d->err.jump)) return false;
  jpeg_decompress_struct& c = d->cinfo;
  const bool inverted = c.saw_Adobe_marker;
  while (c.output_scanline < c.output_height) {
    // A memory source never suspends, so no rows means the decoder is stuck.
    if (!cmyk) {
      if (jpeg_read_scanlines(&c, rows + c.output_scanline, c.output_height - c.output_scanline) == 0)
        ERREXIT(&c, JERR_INPUT_EMPTY);
      continue;
    }
    uint8_t* row = rows[c.output_scanline];
    JSAMPROW in = cmyk;
    if (jpeg_read_scanlines(&c, &in, 1) != 1) ERREXIT(&c, JERR_INPUT_EMPTY);
    for (JDIMENSION x = 0; x < c.output_width; ++x) {
      unsigned cc = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
      if (!inverted) cc = 255 - cc, m = 255 - m, y = 255 - y, k = 255 - k;
      row[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
      row[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
      row[3 * x + 2] = static_cast<uint8_t>((cc * k + 127) / 255);
    }
  }
  jpeg_finish_decompress(&c);
  return true;
}

// A growing memory destination whose buffer the encoder object owns, so that it
// is freed also when libjpeg gives up half-way.
struct TMemoryDestination {
  jpeg_destination_mgr pub;
  unsigned char* buffer = nullptr;
  size_t capacity = 0;
  size_t used = 0;
};

extern "C" void DestInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = d->capacity;
}

extern "C" boolean DestGrow(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
  const size_t grown = d->capacity * 2;
  auto* p = static_cast<unsigned char*>(std::realloc(d->buffer, grown));
  if (!p) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
  d->pub.next_output_byte = p + d->capacity;
  d->pub.free_in_buffer = grown - d->capacity;
  d->buffer = p;
  d->capacity = grown;
  return TRUE;
}

extern "C" void DestTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
  d->used = d->capacity - d->pub.free_in_buffer;
}

struct TEncoder {
  jpeg_compress_struct cinfo;
  TJpegErrorManager err;
  TMemoryDestination dest;
  bool created = false;
  TEncoder() {
    std::memset(&cinfo, 0, sizeof cinfo);
    InitErrors(err);
    cinfo.err = &err.pub;
    std::memset(&dest.pub, 0, sizeof dest.pub);
    dest.pub.init_destination = DestInit;
    dest.pub.empty_output_buffer = DestGrow;
    dest.pub.term_destination = DestTerm;
  }
  ~TEncoder() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(dest.buffer);
  }
  TEncoder(const TEncoder&) = delete;
  TEncoder& operator=(const TEncoder&) = delete;
};

bool EncodeAll(TEncoder* e, const TBitmap* image, int quality, bool progressive, uint8_t** rows) {
  if (setjmp(e->err.jump)) return false;
  e->created = true;
  jpeg_create_compress(&e->cinfo);
  e->cinfo.dest = &e->dest.pub;
  jpeg_compress_struct& c = e->cinfo;
  c.image_width = static_cast<JDIMENSION>(image->Width());
  c.image_height = static_cast<JDIMENSION>(image->Height());
  const bool bgrx = image->PixelFormat() == TPixelFormat::pf32bit;
  c.input_components = bgrx ? 4 : 3;
  c.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height)
    jpeg_write_scanlines(&c, rows + c.next_scanline, c.image_height - c.next_scanline);
  jpeg_finish_compress(&c);
  return true;
}

// Length of the segment starting at data[pos] (a marker with a two-byte length),
// marker included; 0 when it is not that marker or does not fit.
size_t SegmentAt(const std::vector<uint8_t>& s, size_t pos, uint8_t marker) {
  if (pos + 4 > s.size() || s[pos] != 0xFF || s[pos + 1] != marker) return 0;
  const size_t len = size_t{s[pos + 2]} << 8 | s[pos + 3];
  if (len < 2 || pos + 2 + len > s.size()) return 0;
  return 2 + len;
}

// Faulting in the pages of a large fresh bitmap one by one, as the decoder
// first writes them, costs about half as much as the decoding itself; asking
// the kernel to map them writable in bulk costs far less. With a spare thread
// that runs ahead of the decoder, in chunks so that it can stop as soon as the
// decoder is done; otherwise once, before decoding. The contents are never
// touched, so the two threads do not race on the pixels. Where the kernel lacks
// the request nothing happens.
class TPrefault {
 public:
  TPrefault(uint8_t* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
    if (size < (size_t{8} << 20)) return;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
    if (end <= begin) return;
    if (EngineThreads() == 1 || std::thread::hardware_concurrency() < 2) {
      madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
      return;
    }
    thread_ = std::thread([this, begin, end] {
      constexpr uintptr_t chunk = uintptr_t{1} << 20;  // short holds of the memory-map lock
      for (uintptr_t at = begin; at < end && !stop_.load(std::memory_order_relaxed); at += chunk)
        if (madvise(reinterpret_cast<void*>(at), std::min(chunk, end - at), MADV_POPULATE_WRITE) != 0) break;
    });
#else
    (void)data;
    (void)size;
#endif
  }
  ~TPrefault() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
  }
  TPrefault(const TPrefault&) = delete;
  TPrefault& operator=(const TPrefault&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Huffman-coded data spends at least a bit or two on every 8 x 8 block, so a
// real photo decodes to at most a few hundred times its size; arithmetic coding
// and end-of-band runs can describe a vast flat picture in a few bytes. Such a
// picture is refused before its pixels (and libjpeg's buffers) are allocated;
// pictures up to 64 MiB always go.
void CheckDataCanFill(JDIMENSION width, JDIMENSION height, size_t fileSize) {
  constexpr uint64_t MaxBytesPerFileByte = 2048;
  const uint64_t decoded = uint64_t{width} * height * 3;
  if (decoded > (uint64_t{64} << 20) && decoded > static_cast<uint64_t>(fileSize) * MaxBytesPerFileByte)
    throw EReadError("JPEG: image data too short for its size");
}

}  // namespace

TJpegScale PreviewScale(int w, int h, int box) {
  if (w <= 0 || h <= 0 || box <= 0) return jsFullSize;
  const int r = std::max(w, h) / box;
  if (r <= 1) return jsFullSize;
  if (r <= 3) return jsHalf;
  if (r <= 7) return jsQuarter;
  return jsEighth;
}

void ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return;
  size_t pos = 2;
  for (;;) {
    if (pos + 2 > size) return;
    const bool frame = data[pos] == 0xFF && data[pos + 1] == 0xC0;
    pos += 2;
    if (frame) break;
    if (pos + 2 > size) return;
    const size_t len = size_t{data[pos]} << 8 | data[pos + 1];
    if (len < 2) return;  // a length that cannot advance would loop forever
    pos += len;
  }
  // Frame header: length (2), precision (1), height (2), width (2).
  if (pos + 7 > size) return;
  height = data[pos + 3] << 8 | data[pos + 4];
  width = data[pos + 5] << 8 | data[pos + 6];
}

void ReadJpegSize(const std::string& fileName, int& width, int& height) {
  width = height = 0;
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadPictureFileBytes(fileName);
  } catch (const EVelinorError&) {
    return;
  }
  ReadJpegSize(bytes.data(), bytes.size(), width, height);
}

bool ReadJpegHeader(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  TDecoder d;
  if (!DecodeHeader(&d, data, size, 1)) return false;
  width = static_cast<int>(d.cinfo.image_width);
  height = static_cast<int>(d.cinfo.image_height);
  return true;
}

TBitmap DecodeJpeg(const uint8_t* data, size_t size, TJpegScale scale) {
  TDecoder d;
  const int denom = 1 << static_cast<int>(scale);
  if (!DecodeHeader(&d, data, size, denom)) throw EReadError(std::string("JPEG: ") + d.err.message);
  const jpeg_decompress_struct& c = d.cinfo;
  CheckImageSize(c.image_width, c.image_height, 3);
  CheckDataCanFill(c.image_width, c.image_height, size);
  TBitmap bitmap(static_cast<int>(c.output_width), static_cast<int>(c.output_height), TPixelFormat::pf24bit);
  std::vector<uint8_t*> rows(c.output_height);
  for (JDIMENSION y = 0; y < c.output_height; ++y) rows[y] = bitmap.ScanLine(static_cast<int>(y));
  std::vector<uint8_t> cmyk;
  if (c.out_color_space == JCS_CMYK) cmyk.resize(size_t{c.output_width} * 4);
  // The decoder makes its own allocations first: mapping memory waits for a
  // prefault request under way.
  if (!DecodeStart(&d)) throw EReadError(std::string("JPEG: ") + d.err.message);
  TPrefault prefault(bitmap.Bits(), bitmap.ByteSize());
  if (!DecodeBody(&d, rows.data(), cmyk.empty() ? nullptr : cmyk.data()))
    throw EReadError(std::string("JPEG: ") + d.err.message);
  return bitmap;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& image, int quality, bool progressive) {
  if (image.Empty()) throw EWriteError("JPEG: empty image");
  TBitmap converted;
  const TBitmap* source = &WithoutPalette(image, converted);
  std::vector<uint8_t*> rows(static_cast<size_t>(source->Height()));
  for (int y = 0; y < source->Height(); ++y) rows[static_cast<size_t>(y)] = const_cast<uint8_t*>(source->ScanLine(y));
  TEncoder e;
  // Start with room for a typical result so the memory destination rarely grows.
  e.dest.capacity = static_cast<size_t>(source->Width()) * static_cast<size_t>(source->Height()) / 2 + 65536;
  e.dest.buffer = static_cast<unsigned char*>(std::malloc(e.dest.capacity));
  if (!e.dest.buffer) throw EWriteError("JPEG: out of memory");
  quality = std::max(1, std::min(100, quality));
  if (!EncodeAll(&e, source, quality, progressive, rows.data()))
    throw EWriteError(std::string("JPEG: ") + e.err.message);
  return std::vector<uint8_t>(e.dest.buffer, e.dest.buffer + e.dest.used);
}

void TJpegImage2::LoadFromFile(const std::string& fileName) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(fileName);
  OrigWidth = OrigHeight = 0;
  ExifPayload = FindExifPayload(bytes.data(), bytes.size());
  IccProfile = FindJpegIccProfile(bytes.data(), bytes.size());
  if (!PreviewLoad) {
    Bitmap = DecodeJpeg(bytes.data(), bytes.size());
    OrigWidth = Bitmap.Width();
    OrigHeight = Bitmap.Height();
    return;
  }
  int w = 0, h = 0;
  ReadJpegSize(bytes.data(), bytes.size(), w, h);
  Bitmap = DecodeJpeg(bytes.data(), bytes.size(), PreviewScale(w, h, 150));
  const bool found = w > 0 && h > 0;
  OrigWidth = found ? w : Bitmap.Width();
  OrigHeight = found ? h : Bitmap.Height();
}

std::vector<uint8_t> BuildExifBlock(const TJpegImage2& image) {
  TExifFields f;
  f.Software = ApplicationTitle();
  f.DateTime = ExifDateTime(std::time(nullptr));
  f.Resolution = image.Resolution;
  f.Width = image.Image().Width();
  f.Height = image.Image().Height();
  return BuildExifBlock(f);
}

std::vector<uint8_t> SpliceExifIntoJpeg(const std::vector<uint8_t>& encoded, const std::vector<uint8_t>& exifPayload) {
  if (encoded.size() < 2 || encoded[0] != 0xFF || encoded[1] != 0xD8) throw EWriteError("JPEG: no start of image");
  size_t pos = 2;
  for (uint8_t marker : {uint8_t{0xE0}, uint8_t{0xE1}, uint8_t{0xED}, uint8_t{0xFE}}) pos += SegmentAt(encoded, pos, marker);
  static const uint8_t head[4] = {0xFF, 0xD8, 0xFF, 0xE1};
  std::vector<uint8_t> out(4 + exifPayload.size() + (encoded.size() - pos));
  std::memcpy(out.data(), head, 4);
  if (!exifPayload.empty()) std::memcpy(out.data() + 4, exifPayload.data(), exifPayload.size());
  std::memcpy(out.data() + 4 + exifPayload.size(), encoded.data() + pos, encoded.size() - pos);
  return out;
}

void WriteJpegWithExif(const TJpegImage2& image, const std::string& fileName) {
  const std::vector<uint8_t> exif = BuildExifBlock(image);
  const std::vector<uint8_t> encoded = EncodeJpeg(image.Image(), image.CompressionQuality, image.ProgressiveEncoding);
  WriteFileAtomically(fileName, SpliceExifIntoJpeg(encoded, exif));
}

std::vector<uint8_t> FindExifPayload(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return {};
  size_t pos = 2;
  while (pos + 4 <= size && data[pos] == 0xFF) {
    const uint8_t marker = data[pos + 1];
    if (marker == 0xDA || marker == 0xD9) break;  // image data: no more metadata
    const size_t len = size_t{data[pos + 2]} << 8 | data[pos + 3];
    if (len < 2 || pos + 2 + len > size) break;
    if (marker == 0xE1 && len >= 8 && std::memcmp(data + pos + 4, "Exif\0\0", 6) == 0)
      return std::vector<uint8_t>(data + pos + 2, data + pos + 2 + len);
    pos += 2 + len;
  }
  return {};
}

std::vector<uint8_t> TJpegImage2::SaveToMemory() const {
  std::vector<uint8_t> bytes = Encoded();
  if (SrgbProfile) InsertJpegProfile(bytes, velinor::SrgbProfile());
  return bytes;
}

std::vector<uint8_t> TJpegImage2::Encoded() const {
  if (!JpegExif) return EncodeJpeg(Image(), CompressionQuality, ProgressiveEncoding);
  if (JpegExifFromJpeg && !ExifSource.empty()) {
    std::vector<uint8_t> payload;
    try {
      const auto src = ReadFileBytes(ExifSource);
      payload = FindExifPayload(src.data(), src.size());
    } catch (const EVelinorError&) {
    }
    if (!payload.empty()) return SpliceExifIntoJpeg(EncodeJpeg(Image(), CompressionQuality, ProgressiveEncoding), payload);
  }
  const std::vector<uint8_t> exif = BuildExifBlock(*this);
  return SpliceExifIntoJpeg(EncodeJpeg(Image(), CompressionQuality, ProgressiveEncoding), exif);
}

void TJpegImage2::SaveWithOptions(const std::string& fileName) const { WriteFileAtomically(fileName, SaveToMemory()); }

}  // namespace velinor
