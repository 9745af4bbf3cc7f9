#include "core/files/ColorQuantizer.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>

#include "core/base/Errors.h"

namespace velinor {

namespace {

constexpr uint32_t NoColor = 0xFFFFFFFFu;

// A tiny open-addressing colour table for the exact path (a few hundred colours).
class SmallColorTable {
 public:
  // Index of colour c (0x00RRGGBB-ish key), adding it when new; -1 when full.
  int Find(uint32_t c, int limit) {
    uint32_t slot = (c * 2654435761u) >> (32 - Bits);
    while (true) {
      if (keys_[slot] == c) return values_[slot];
      if (keys_[slot] == NoColor) {
        if (static_cast<int>(colors.size()) >= limit) return -1;
        keys_[slot] = c;
        values_[slot] = static_cast<int>(colors.size());
        colors.push_back(c);
        return values_[slot];
      }
      slot = (slot + 1) & (Size - 1);
    }
  }
  std::vector<uint32_t> colors;

 private:
  static constexpr int Bits = 10;
  static constexpr uint32_t Size = 1u << Bits;
  std::array<uint32_t, Size> keys_ = [] {
    std::array<uint32_t, Size> k{};
    k.fill(NoColor);
    return k;
  }();
  std::array<int, Size> values_{};
};

uint32_t KeyOf(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16); }  // B, G, R
TColor ColorOfKey(uint32_t k) { return RGB((k >> 16) & 0xFF, (k >> 8) & 0xFF, k & 0xFF); }

bool Masked(const std::vector<uint8_t>* mask, size_t i) { return mask && (*mask)[i] != 0; }

// A colour next to the key colour, for visible pixels that carry the key.
TColor NearKey(TColor key) {
  const int b = GetBValue(key);
  return RGB(GetRValue(key), GetGValue(key), b > 0 ? b - 1 : 1);
}
uint32_t KeyOfColor(TColor c) { return GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16); }

// Maps every pixel exactly when the visible colours fit; false otherwise.
bool TryExact(const TBitmap& src, int limit, const std::vector<uint8_t>* mask, TColor keyColor, TBitmap& out,
              int* transparentIndex) {
  const int w = src.Width(), h = src.Height();
  const int bpp = BytesPerPixel(src.PixelFormat());
  bool anyMasked = false;
  if (mask)
    for (uint8_t m : *mask) anyMasked |= m != 0;
  const int visibleLimit = anyMasked ? limit - 1 : limit;
  SmallColorTable table;
  // Visible pixels of the key colour take a near colour so they stay visible.
  const uint32_t key = KeyOfColor(keyColor), nearKey = KeyOfColor(NearKey(keyColor));
  const auto visibleKey = [&](const uint8_t* s) {
    const uint32_t k = KeyOf(s);
    return anyMasked && k == key ? nearKey : k;
  };
  // First pass: collect the colours (stops as soon as there are too many).
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src.ScanLine(y);
    for (int x = 0; x < w; ++x, s += bpp)
      if (!Masked(mask, static_cast<size_t>(y) * w + x) && table.Find(visibleKey(s), visibleLimit) < 0) return false;
  }
  out = TBitmap(w, h, TPixelFormat::pf8bit);
  out.Palette.clear();
  for (uint32_t k : table.colors) out.Palette.push_back(ColorOfKey(k));
  int tIndex = -1;
  if (anyMasked) {
    tIndex = static_cast<int>(out.Palette.size());
    out.Palette.push_back(keyColor);
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src.ScanLine(y);
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < w; ++x, s += bpp)
      d[x] = static_cast<uint8_t>(Masked(mask, static_cast<size_t>(y) * w + x) ? tIndex : table.Find(visibleKey(s), 256));
  }
  if (transparentIndex) *transparentIndex = tIndex;
  return true;
}

struct RowSource {
  const TBitmap* src;
  const std::vector<uint8_t>* mask;
};

void FeedRow(liq_color out[], int row, int width, void* user) {
  const auto* rs = static_cast<const RowSource*>(user);
  const int bpp = BytesPerPixel(rs->src->PixelFormat());
  const uint8_t* s = rs->src->ScanLine(row);
  for (int x = 0; x < width; ++x, s += bpp) {
    if (Masked(rs->mask, static_cast<size_t>(row) * width + x))
      out[x] = liq_color{0, 0, 0, 0};
    else
      out[x] = liq_color{s[2], s[1], s[0], 255};
  }
}

struct LiqDeleter {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
  void operator()(liq_image* p) const { liq_image_destroy(p); }
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

}  // namespace

TBitmap QuantizeToPalette(const TBitmap& source, int maxColors, const std::vector<uint8_t>* mask,
                          TColor transparentColor, int* transparentIndex) {
  if (transparentIndex) *transparentIndex = -1;
  if (source.PixelFormat() == TPixelFormat::pf8bit) return source;
  const int w = source.Width(), h = source.Height();
  if (source.Empty()) return TBitmap(0, 0, TPixelFormat::pf8bit);
  if (mask && mask->size() != static_cast<size_t>(w) * h) throw EOutOfLimits("quantiser: mask size mismatch");
  maxColors = std::clamp(maxColors, 2, 256);

  TBitmap out;
  if (TryExact(source, maxColors, mask, transparentColor, out, transparentIndex)) return out;

  std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
  if (!attr) throw EOutOfLimits("quantiser: out of memory");
  liq_set_max_colors(attr.get(), maxColors);
  RowSource rs{&source, mask};
  std::unique_ptr<liq_image, LiqDeleter> image(liq_image_create_custom(attr.get(), FeedRow, &rs, w, h, 0));
  if (!image) throw EOutOfLimits("quantiser: cannot take the image");
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
    throw EOutOfLimits("quantiser: quantisation failed");
  std::unique_ptr<liq_result, LiqDeleter> result(raw);
  liq_set_dithering_level(result.get(), 1.0f);

  out = TBitmap(w, h, TPixelFormat::pf8bit);
  std::vector<unsigned char*> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = out.ScanLine(y);
  if (liq_write_remapped_image_rows(result.get(), image.get(), rows.data()) != LIQ_OK)
    throw EOutOfLimits("quantiser: remapping failed");

  const liq_palette* pal = liq_get_palette(result.get());
  out.Palette.assign(pal->count, 0);
  int tIndex = -1;
  for (unsigned i = 0; i < pal->count; ++i) {
    const liq_color& c = pal->entries[i];
    if (mask && c.a < 128) {
      tIndex = tIndex < 0 ? static_cast<int>(i) : tIndex;
      out.Palette[i] = transparentColor;
    } else {
      out.Palette[i] = RGB(c.r, c.g, c.b);
    }
  }
  if (mask) {
    // Every masked pixel takes the one transparent entry; no visible entry may
    // carry the key colour (it would turn see-through).
    for (size_t i = 0; i < out.Palette.size(); ++i) {
      if (static_cast<int>(i) == tIndex || out.Palette[i] != transparentColor) continue;
      if (tIndex >= 0 && pal->entries[i].a < 128) continue;
      out.Palette[i] = NearKey(transparentColor);
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* d = out.ScanLine(y);
      for (int x = 0; x < w; ++x) {
        const bool m = Masked(mask, static_cast<size_t>(y) * w + x);
        if (m && tIndex >= 0) d[x] = static_cast<uint8_t>(tIndex);
        // A visible pixel never lands on a see-through entry.
        if (!m && pal->entries[d[x]].a < 128) d[x] = static_cast<uint8_t>(tIndex == 0 && pal->count > 1 ? 1 : 0);
      }
    }
    // Entries other than the first see-through one that are also see-through
    // are now unused; the optimiser of the GIF writer drops them.
  }
  if (transparentIndex) *transparentIndex = tIndex;
  return out;
}

void OptimizeColorMap(TBitmap& b, int* transparentIndex) {
  if (b.PixelFormat() != TPixelFormat::pf8bit) return;
  const int w = b.Width(), h = b.Height();
  std::vector<TColor> pal = b.Palette;
  pal.resize(256, 0);
  // Merge equal colours onto their first entry (the transparent entry wins
  // its colour so that see-through pixels keep their index's role).
  std::array<int, 256> canon{};
  for (int i = 0; i < 256; ++i) {
    canon[i] = i;
    for (int j = 0; j < i; ++j)
      if (pal[j] == pal[i]) {
        canon[i] = canon[j];
        break;
      }
  }
  const int tOld = transparentIndex && *transparentIndex >= 0 && *transparentIndex < 256 ? *transparentIndex : -1;
  if (tOld >= 0)
    for (int i = 0; i < 256; ++i)
      if (canon[i] == canon[tOld]) canon[i] = tOld;
  std::array<uint64_t, 256> count{};
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = b.ScanLine(y);
    for (int x = 0; x < w; ++x) ++count[canon[s[x]]];
  }
  std::vector<int> order;
  for (int i = 0; i < 256; ++i)
    if (canon[i] == i && count[i] > 0) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int c) { return count[a] > count[c]; });
  std::array<uint8_t, 256> newIndex{};
  std::vector<TColor> newPal;
  for (size_t k = 0; k < order.size(); ++k) {
    newIndex[order[k]] = static_cast<uint8_t>(k);
    newPal.push_back(pal[order[k]]);
  }
  std::array<uint8_t, 256> remap{};
  for (int i = 0; i < 256; ++i) remap[i] = newIndex[canon[i]];
  for (int y = 0; y < h; ++y) {
    uint8_t* s = b.ScanLine(y);
    for (int x = 0; x < w; ++x) s[x] = remap[s[x]];
  }
  if (newPal.empty()) newPal.push_back(pal[0]);
  b.Palette = std::move(newPal);
  if (transparentIndex && *transparentIndex >= 0)
    *transparentIndex = (tOld >= 0 && count[tOld] > 0) ? newIndex[tOld] : -1;
}

}  // namespace velinor
