#include "core/files/ColorProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace velinor {

namespace {

struct ProfileCloser {
  void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformCloser {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformCloser>;

// Damaged profiles are ordinary input here: Little CMS's complaints are not shown.
void Quiet(cmsContext, cmsUInt32Number, const char*) {}

struct QuietLcms {
  QuietLcms() { cmsSetLogErrorHandler(Quiet); }
};

// Profiles beyond this are not colour information a photo needs.
constexpr size_t MaxProfileBytes = size_t{16} << 20;

cmsUInt32Number IntentFor(cmsHPROFILE profile) {
  if (cmsGetHeaderRenderingIntent(profile) == INTENT_PERCEPTUAL &&
      cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
    return INTENT_PERCEPTUAL;
  return INTENT_RELATIVE_COLORIMETRIC;
}

}  // namespace

bool ConvertProfileToSrgb(TBitmap& bitmap, const uint8_t* icc, size_t size) {
  static const QuietLcms quiet;
  if (!icc || size < 132 || size > MaxProfileBytes || bitmap.Empty()) return false;
  Profile in(cmsOpenProfileFromMem(icc, static_cast<cmsUInt32Number>(size)));
  if (!in) return false;
  // Held as numbers: a damaged header holds values the enums do not name.
  const cmsUInt32Number space = cmsGetColorSpace(in.get());
  if (space != cmsSigRgbData && space != cmsSigGrayData) return false;
  const cmsUInt32Number cls = cmsGetDeviceClass(in.get());
  if (cls != cmsSigInputClass && cls != cmsSigDisplayClass && cls != cmsSigColorSpaceClass &&
      cls != cmsSigOutputClass)
    return false;
  Profile srgb(cmsCreate_sRGBProfile());
  if (!srgb) return false;

  const bool palette = bitmap.PixelFormat() == TPixelFormat::pf8bit;
  const bool alpha = bitmap.PixelFormat() == TPixelFormat::pf32bit;
  const int bpp = palette ? 4 : BytesPerPixel(bitmap.PixelFormat());
  // Grey profiles read the first of the three equal channels.
  const cmsUInt32Number inFormat =
      space == cmsSigGrayData
          ? (COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(bpp - 1))
          : (bpp == 4 ? TYPE_BGRA_8 : TYPE_BGR_8);
  const cmsUInt32Number outFormat = bpp == 4 ? TYPE_BGRA_8 : TYPE_BGR_8;
  const cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION | (alpha ? cmsFLAGS_COPY_ALPHA : 0);
  Transform t(cmsCreateTransform(in.get(), inFormat, srgb.get(), outFormat, IntentFor(in.get()), flags));
  if (!t) return false;

  if (palette) {
    // TColor is 0x00BBGGRR: in memory R, G, B, 0, so swap to B, G, R, 0 and back.
    std::vector<uint8_t> px(bitmap.Palette.size() * 4);
    for (size_t i = 0; i < bitmap.Palette.size(); ++i) {
      const TColor c = bitmap.Palette[i];
      px[i * 4] = static_cast<uint8_t>(c >> 16);
      px[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
      px[i * 4 + 2] = static_cast<uint8_t>(c);
      px[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
    }
    std::vector<uint8_t> out(px.size());
    cmsDoTransform(t.get(), px.data(), out.data(), static_cast<cmsUInt32Number>(bitmap.Palette.size()));
    for (size_t i = 0; i < bitmap.Palette.size(); ++i)
      bitmap.Palette[i] = (bitmap.Palette[i] & 0xFF000000u) | (TColor{out[i * 4]} << 16) |
                          (TColor{out[i * 4 + 1]} << 8) | out[i * 4 + 2];
    return true;
  }
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    cmsDoTransform(t.get(), row, row, static_cast<cmsUInt32Number>(bitmap.Width()));
  }
  return true;
}

namespace {

// An RGB profile of the white point, primaries (x, y of red, green, blue) and
// one tone curve for all three channels, saved as ICC bytes; empty when they
// make none. Takes the curve.
std::vector<uint8_t> RgbProfile(const double white[2], const double primaries[6], cmsToneCurve* curve) {
  static const QuietLcms quiet;
  if (!curve) return {};
  std::unique_ptr<cmsToneCurve, void (*)(cmsToneCurve*)> owned(curve, cmsFreeToneCurve);
  for (int i = 0; i < 2; ++i)
    if (!(white[i] > 0 && white[i] < 1)) return {};
  for (int i = 0; i < 6; ++i)
    if (!(primaries[i] > 0 && primaries[i] < 1)) return {};
  const cmsCIExyY wp{white[0], white[1], 1.0};
  const cmsCIExyYTRIPLE prim{{primaries[0], primaries[1], 1.0},
                             {primaries[2], primaries[3], 1.0},
                             {primaries[4], primaries[5], 1.0}};
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile p(cmsCreateRGBProfile(&wp, &prim, curves));
  if (!p) return {};
  cmsUInt32Number n = 0;
  if (!cmsSaveProfileToMem(p.get(), nullptr, &n) || n == 0) return {};
  std::vector<uint8_t> out(n);
  if (!cmsSaveProfileToMem(p.get(), out.data(), &n)) return {};
  return out;
}

// Primaries of the H.273 colour primaries codes: red, green, blue, white (x, y).
struct TCicpPrimaries {
  int Code;
  double Xy[8];
};
constexpr double D65[2] = {0.3127, 0.3290};
constexpr TCicpPrimaries CicpPrimaries[] = {
    {1, {0.640, 0.330, 0.300, 0.600, 0.150, 0.060, D65[0], D65[1]}},    // BT.709, sRGB
    {4, {0.670, 0.330, 0.210, 0.710, 0.140, 0.080, 0.310, 0.316}},      // BT.470 M
    {5, {0.640, 0.330, 0.290, 0.600, 0.150, 0.060, D65[0], D65[1]}},    // BT.470 BG (PAL)
    {6, {0.630, 0.340, 0.310, 0.595, 0.155, 0.070, D65[0], D65[1]}},    // SMPTE 170M
    {7, {0.630, 0.340, 0.310, 0.595, 0.155, 0.070, D65[0], D65[1]}},    // SMPTE 240M
    {8, {0.681, 0.319, 0.243, 0.692, 0.145, 0.049, 0.310, 0.316}},      // generic film
    {9, {0.708, 0.292, 0.170, 0.797, 0.131, 0.046, D65[0], D65[1]}},    // BT.2020
    {11, {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.314, 0.351}},     // DCI-P3
    {12, {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, D65[0], D65[1]}},   // Display P3
    {22, {0.630, 0.340, 0.295, 0.605, 0.155, 0.077, D65[0], D65[1]}},   // EBU 3213
};

// The decoding curve of an H.273 transfer characteristics code (from the
// stored value to linear light); null for the ones not converted here (PQ,
// HLG and the other HDR or logarithmic curves).
cmsToneCurve* CicpCurve(int transfer) {
  // Type 4: Y = (aX + b)^g for X >= d, Y = cX below.
  const auto piecewise = [](double g, double a, double b, double c, double d) {
    const cmsFloat64Number p[5] = {g, a, b, c, d};
    return cmsBuildParametricToneCurve(nullptr, 4, p);
  };
  switch (transfer) {
    case 1:   // BT.709
    case 6:   // BT.601
    case 14:  // BT.2020, 10 bits
    case 15:  // BT.2020, 12 bits
      return piecewise(1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081);
    case 7:  // SMPTE 240M
      return piecewise(1 / 0.45, 1 / 1.1115, 0.1115 / 1.1115, 1 / 4.0, 0.0913);
    case 2:   // unspecified: taken as sRGB
    case 13:  // sRGB
      return piecewise(2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045);
    case 4: return cmsBuildGamma(nullptr, 2.2);
    case 5: return cmsBuildGamma(nullptr, 2.8);
    case 8: return cmsBuildGamma(nullptr, 1.0);
    default: return nullptr;
  }
}

}  // namespace

std::vector<uint8_t> ProfileFromChromaticities(const double white[2], const double primaries[6], double fileGamma) {
  if (!(fileGamma > 0.01 && fileGamma < 10)) return {};
  return RgbProfile(white, primaries, cmsBuildGamma(nullptr, 1.0 / fileGamma));
}

std::vector<uint8_t> ProfileFromCicp(int primaries, int transfer) {
  // Unspecified primaries are taken as sRGB's.
  if (primaries == 2) primaries = 1;
  // sRGB itself needs no conversion.
  if (primaries == 1 && (transfer == 13 || transfer == 2)) return {};
  for (const TCicpPrimaries& p : CicpPrimaries)
    if (p.Code == primaries) return RgbProfile(p.Xy + 6, p.Xy, CicpCurve(transfer));
  return {};
}

std::vector<uint8_t> FindJpegIccProfile(const uint8_t* data, size_t size) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return {};
  static const char tag[] = "ICC_PROFILE";  // with its zero: 12 bytes
  std::vector<std::vector<uint8_t>> chunks;
  size_t expected = 0;
  size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return {};
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;  // the scans: no more headers
    const size_t length = (size_t{data[pos + 2]} << 8) | data[pos + 3];
    if (length < 2 || pos + 2 + length > size) break;
    const uint8_t* body = data + pos + 4;
    const size_t bodySize = length - 2;
    if (marker == 0xE2 && bodySize > 14 && std::memcmp(body, tag, 12) == 0) {
      const size_t seq = body[12], count = body[13];
      if (seq == 0 || count == 0 || seq > count || (expected && count != expected)) return {};
      expected = count;
      chunks.resize(count);
      if (!chunks[seq - 1].empty()) return {};
      chunks[seq - 1].assign(body + 14, body + bodySize);
    }
    pos += 2 + length;
  }
  std::vector<uint8_t> profile;
  for (const auto& c : chunks) {
    if (c.empty()) return {};
    profile.insert(profile.end(), c.begin(), c.end());
  }
  return profile;
}

const std::vector<uint8_t>& SrgbProfile() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> out;
    Profile p(cmsCreate_sRGBProfile());
    cmsUInt32Number n = 0;
    if (p && cmsSaveProfileToMem(p.get(), nullptr, &n) && n > 0) {
      out.resize(n);
      if (!cmsSaveProfileToMem(p.get(), out.data(), &n)) out.clear();
    }
    return out;
  }();
  return bytes;
}

std::vector<std::vector<uint8_t>> JpegIccSegments(const std::vector<uint8_t>& profile) {
  constexpr size_t MaxChunk = 65533 - 2 - 14;
  std::vector<std::vector<uint8_t>> out;
  const size_t count = (profile.size() + MaxChunk - 1) / MaxChunk;
  if (profile.empty() || count > 255) return out;
  for (size_t i = 0; i < count; ++i) {
    const size_t start = i * MaxChunk, n = std::min(MaxChunk, profile.size() - start);
    const size_t length = 2 + 14 + n;
    const uint8_t head[16] = {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF),
                              'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0,
                              static_cast<uint8_t>(i + 1), static_cast<uint8_t>(count)};
    std::vector<uint8_t> seg(head, head + sizeof head);
    seg.insert(seg.end(), profile.begin() + static_cast<std::ptrdiff_t>(start),
               profile.begin() + static_cast<std::ptrdiff_t>(start + n));
    out.push_back(std::move(seg));
  }
  return out;
}

void InsertJpegProfile(std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& profile) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return;
  size_t at = 2;
  if (jpeg.size() >= at + 4 && jpeg[at] == 0xFF && (jpeg[at + 1] == 0xE0 || jpeg[at + 1] == 0xE1)) {
    const size_t length = (size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
    if (at + 2 + length <= jpeg.size()) at += 2 + length;
  }
  std::vector<uint8_t> segments;
  for (const auto& s : JpegIccSegments(profile)) {
    segments.push_back(0xFF);
    segments.push_back(0xE2);
    segments.insert(segments.end(), s.begin(), s.end());
  }
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), segments.begin(), segments.end());
}

}  // namespace velinor
