#include "core/files/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "core/base/Errors.h"
#include "core/files/ColorProfile.h"
#include "core/files/SafeFile.h"

namespace velinor {

namespace {

void InitLibheif() {
  // Counted by libheif; left initialised for the rest of the run.
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
  void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
  void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct EncoderDeleter {
  void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct NclxDeleter {
  void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<const heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<const heif_image, ImageDeleter>;

[[noreturn]] void ThrowRead(const heif_error& e) {
  if (e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype)
    throw EUnsupportedFormat(std::string("HEIF: ") + (e.message ? e.message : "unsupported"));
  if (e.code == heif_error_Memory_allocation_error || e.subcode == heif_suberror_Security_limit_exceeded)
    throw EOutOfLimits(std::string("HEIF: ") + (e.message ? e.message : "too large"));
  throw EReadError(std::string("HEIF: ") + (e.message ? e.message : "unreadable"));
}

void Check(const heif_error& e) {
  if (e.code != heif_error_Ok) ThrowRead(e);
}

// The context over the caller's bytes (not copied: they outlive the context's
// use here) and its primary image. libheif refuses item sizes past the limit
// given to it while it reads the boxes, before decoding.
Context OpenContext(const uint8_t* data, size_t size) {
  InitLibheif();
  if (!data || size < 12) throw EReadError("HEIF: too short");
  Context ctx(heif_context_alloc());
  if (!ctx) throw EOutOfLimits("HEIF: no memory");
  heif_context_set_maximum_image_size_limit(ctx.get(), MaxImageSide);
  Check(heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr));
  return ctx;
}

Handle PrimaryHandle(heif_context* ctx) {
  heif_image_handle* h = nullptr;
  Check(heif_context_get_primary_image_handle(ctx, &h));
  return Handle(h);
}

std::vector<uint8_t> IccOf(const heif_image_handle* h) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(h);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return {};
  const size_t n = heif_image_handle_get_raw_color_profile_size(h);
  if (n == 0 || n > (size_t{16} << 20)) return {};
  std::vector<uint8_t> icc(n);
  if (heif_image_handle_get_raw_color_profile(h, icc.data()).code != heif_error_Ok) return {};
  return icc;
}

// The colour information as a profile to convert from: the ICC profile the
// file carries, or the one its nclx code points describe (none for sRGB).
std::vector<uint8_t> ProfileOf(const heif_image_handle* h) {
  std::vector<uint8_t> icc = IccOf(h);
  if (!icc.empty()) return icc;
  heif_color_profile_nclx* raw = nullptr;
  const heif_error read = heif_image_handle_get_nclx_color_profile(h, &raw);
  // libheif hands the profile over even when it reports unknown code points.
  const std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(raw);
  if (read.code != heif_error_Ok || !nclx) return {};
  return ProfileFromCicp(nclx->color_primaries, nclx->transfer_characteristics);
}

std::vector<uint8_t> ExifOf(const heif_image_handle* h) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(h, "Exif", &id, 1) < 1) return {};
  const size_t n = heif_image_handle_get_metadata_size(h, id);
  if (n == 0 || n > (size_t{64} << 20)) return {};
  std::vector<uint8_t> raw(n);
  if (heif_image_handle_get_metadata(h, id, raw.data()).code != heif_error_Ok) return {};
  return ExifFromTiffHeader(raw.data(), raw.size());
}

// 0..max to 0..255, rounded.
inline uint8_t To8(unsigned v, unsigned max) { return static_cast<uint8_t>((std::min(v, max) * 255u + max / 2) / max); }

constexpr const char* LargerThanDeclared = "HEIF: the stored picture is larger than the size the file declares";

// Decodes a handle to interleaved RGB(A) and copies it into a bitmap, B,G,R(,A).
// A grid's canvas is sized from its own descriptor, which libheif does not
// check against the size the file declares; a damaged 1 KB file could make it
// allocate gigabytes. Decoding is therefore limited to about the declared
// longest side (tiles may be padded past the canvas, and small pictures often
// are one padded tile), and a larger result is refused.
TBitmap DecodeHandle(heif_context* ctx, const heif_image_handle* h, bool alpha, int bits) {
  const int w = heif_image_handle_get_width(h);
  const int hgt = heif_image_handle_get_height(h);
  CheckDecodedSize(w, hgt, alpha ? 4 : 3);
  heif_context_set_maximum_image_size_limit(ctx, std::max({w, hgt, 4096}) + 256);
  const bool wide = bits > 8;
  const heif_chroma chroma = wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                  : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
  heif_image* raw = nullptr;
  const heif_error decoded = heif_decode_image(h, &raw, heif_colorspace_RGB, chroma, options.get());
  if (decoded.subcode == heif_suberror_Security_limit_exceeded)
    throw EReadError(LargerThanDeclared);
  Check(decoded);
  Image img(raw);
  int stride = 0;
  const uint8_t* src = heif_image_get_plane_readonly(img.get(), heif_channel_interleaved, &stride);
  const int iw = heif_image_get_width(img.get(), heif_channel_interleaved);
  const int ih = heif_image_get_height(img.get(), heif_channel_interleaved);
  if (!src || iw <= 0 || ih <= 0) throw EReadError("HEIF: no pixels decoded");
  if (iw > w || ih > hgt) throw EReadError(LargerThanDeclared);
  CheckDecodedSize(iw, ih, alpha ? 4 : 3);
  const int channels = alpha ? 4 : 3;
  const int bytesPerSample = wide ? 2 : 1;
  if (static_cast<int64_t>(stride) < int64_t{iw} * channels * bytesPerSample) throw EReadError("HEIF: bad stride");
  const int range = wide ? heif_image_get_bits_per_pixel_range(img.get(), heif_channel_interleaved) : 8;
  const unsigned max = range > 8 && range <= 16 ? (1u << range) - 1 : 255u;
  const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(h);

  TBitmap b(iw, ih, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  for (int y = 0; y < ih; ++y) {
    const uint8_t* s = src + static_cast<size_t>(y) * static_cast<size_t>(stride);
    uint8_t* d = b.ScanLine(y);
    for (int x = 0; x < iw; ++x, d += channels) {
      uint8_t px[4] = {0, 0, 0, 255};
      for (int c = 0; c < channels; ++c) {
        if (wide) {
          const unsigned v = s[0] | (unsigned{s[1]} << 8);
          px[c] = To8(v, max);
          s += 2;
        } else {
          px[c] = *s++;
        }
      }
      if (premultiplied && px[3] != 255) {
        for (int c = 0; c < 3; ++c)
          px[c] = px[3] == 0 ? 0 : static_cast<uint8_t>(std::min(255, (px[c] * 255 + px[3] / 2) / px[3]));
      }
      d[0] = px[2];
      d[1] = px[1];
      d[2] = px[0];
      if (alpha) d[3] = px[3];
    }
  }
  return b;
}

}  // namespace

bool ProbeHeif(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  try {
    Context ctx = OpenContext(data, size);
    Handle h = PrimaryHandle(ctx.get());
    width = heif_image_handle_get_width(h.get());
    height = heif_image_handle_get_height(h.get());
    return width > 0 && height > 0;
  } catch (const EVelinorError&) {
    width = height = 0;
    return false;
  }
}

TDecodedPicture ReadHeif(const uint8_t* data, size_t size, bool preview) {
  Context ctx = OpenContext(data, size);
  Handle primary = PrimaryHandle(ctx.get());
  TDecodedPicture p;
  p.StoredWidth = heif_image_handle_get_width(primary.get());
  p.StoredHeight = heif_image_handle_get_height(primary.get());
  const bool alpha = heif_image_handle_has_alpha_channel(primary.get()) != 0;
  CheckDecodedSize(p.StoredWidth, p.StoredHeight, alpha ? 4 : 3);
  p.BitsPerChannel = std::max(8, heif_image_handle_get_luma_bits_per_pixel(primary.get()));
  p.DepthCode = alpha ? 7 : 6;
  const int len = static_cast<int>(std::min<size_t>(size, 1 << 20));
  p.Animated = heif_has_compatible_brand(data, len, "msf1") > 0 || heif_has_compatible_brand(data, len, "avis") > 0 ||
               heif_has_compatible_brand(data, len, "hevc") > 0;
  p.Icc = ProfileOf(primary.get());
  p.Exif = ExifOf(primary.get());

  Handle source;
  if (preview && heif_image_handle_get_number_of_thumbnails(primary.get()) > 0) {
    heif_item_id id = 0;
    heif_image_handle* thumb = nullptr;
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &id, 1) == 1 &&
        heif_image_handle_get_thumbnail(primary.get(), id, &thumb).code == heif_error_Ok)
      source.reset(thumb);
  }
  const heif_image_handle* h = source ? source.get() : primary.get();
  const bool sourceAlpha = heif_image_handle_has_alpha_channel(h) != 0;
  p.Bitmap = DecodeHandle(ctx.get(), h, sourceAlpha, std::max(8, heif_image_handle_get_luma_bits_per_pixel(h)));
  if (alpha && !sourceAlpha) p.Bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  FinishDecodedPicture(p);
  return p;
}

std::vector<uint8_t> ReadHeifExif(const uint8_t* data, size_t size) {
  try {
    Context ctx = OpenContext(data, size);
    Handle h = PrimaryHandle(ctx.get());
    return ExifOf(h.get());
  } catch (const EVelinorError&) {
    return {};
  }
}

bool CanWriteAvif() {
  InitLibheif();
  return heif_have_encoder_for_format(heif_compression_AV1) != 0;
}

namespace {

heif_error AppendToVector(heif_context*, const void* data, size_t size, void* userdata) {
  auto* out = static_cast<std::vector<uint8_t>*>(userdata);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

void CheckWrite(const heif_error& e, const char* what) {
  if (e.code != heif_error_Ok)
    throw EWriteError(std::string("AVIF: ") + what + ": " + (e.message ? e.message : "failed"));
}

}  // namespace

std::vector<uint8_t> EncodeAvif(const TBitmap& source, int quality) {
  if (source.Empty()) throw EWriteError("AVIF: empty picture");
  if (!CanWriteAvif()) throw EUnsupportedFormat("AVIF: this libheif has no AV1 encoder");
  const bool alpha = source.PixelFormat() == TPixelFormat::pf32bit;
  TBitmap converted;
  const TBitmap* b = &WithoutPalette(source, converted);
  const int w = b->Width(), h = b->Height();

  Context ctx(heif_context_alloc());
  if (!ctx) throw EWriteError("AVIF: no memory");
  heif_image* raw = nullptr;
  CheckWrite(heif_image_create(w, h, heif_colorspace_RGB,
                               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &raw),
             "image");
  std::unique_ptr<heif_image, ImageDeleter> img(raw);
  CheckWrite(heif_image_add_plane(img.get(), heif_channel_interleaved, w, h, 8), "plane");
  int stride = 0;
  uint8_t* dst = heif_image_get_plane(img.get(), heif_channel_interleaved, &stride);
  if (!dst) throw EWriteError("AVIF: no plane");
  const int channels = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = b->ScanLine(y);
    uint8_t* d = dst + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int x = 0; x < w; ++x, s += channels, d += channels) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      if (alpha) d[3] = s[3];
    }
  }
  // sRGB primaries and transfer; full-range BT.601 matrix, as libheif's default.
  std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(heif_nclx_color_profile_alloc());
  if (nclx) {
    nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    CheckWrite(heif_image_set_nclx_color_profile(img.get(), nclx.get()), "colour profile");
  }

  heif_encoder* rawEncoder = nullptr;
  CheckWrite(heif_context_get_encoder_for_format(ctx.get(), heif_compression_AV1, &rawEncoder), "encoder");
  std::unique_ptr<heif_encoder, EncoderDeleter> encoder(rawEncoder);
  CheckWrite(heif_encoder_set_lossy_quality(encoder.get(), std::clamp(quality, 1, 100)), "quality");
  // Full chroma: a kept colour against grey has hard chroma edges that 4:2:0
  // would smear into the grey.
  heif_encoder_set_parameter_string(encoder.get(), "chroma", "444");
  // The fastest setting: a 12-megapixel photo in about 3 s of one core here
  // instead of 8.5 s at 7, for 0.7 dB less.
  heif_encoder_set_parameter_integer(encoder.get(), "speed", 9);
  heif_image_handle* handle = nullptr;
  CheckWrite(heif_context_encode_image(ctx.get(), img.get(), encoder.get(), nullptr, &handle), "encode");
  Handle written(handle);

  std::vector<uint8_t> out;
  heif_writer writer{1, AppendToVector};
  CheckWrite(heif_context_write(ctx.get(), &writer, &out), "write");
  return out;
}

void WriteAvifFile(const std::string& path, const TBitmap& bitmap, int quality) {
  WriteFileAtomically(path, EncodeAvif(bitmap, quality));
}

}  // namespace velinor
