#include "core/files/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/files/ColorQuantizer.h"
#include "core/base/KeyColor.h"
#include "core/files/SafeFile.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

// Fills the see-through parts of GIF frames (red 206, green 237, blue 220).

struct GifSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* s = static_cast<GifSource*>(gif->UserData);
  if (n <= 0) return 0;
  const size_t count = std::min(static_cast<size_t>(n), s->size - s->pos);
  std::memcpy(out, s->data + s->pos, count);
  s->pos += count;
  return static_cast<int>(count);
}

struct GifReadCloser {
  void operator()(GifFileType* g) const {
    int err = 0;
    DGifCloseFile(g, &err);
  }
};

[[noreturn]] void ReadFailed(const char* what, int code) {
  const char* why = GifErrorString(code);
  throw EReadError(std::string("GIF: ") + what + (why ? std::string(": ") + why : std::string()));
}

// Skips the compressed data of an image without decoding it.
bool SkipImageData(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
  while (block)
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  return true;
}

bool SkipExtension(GifFileType* gif, GifByteType* block) {
  while (block)
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  return true;
}

}  // namespace

TBitmap ReadGif(const uint8_t* data, size_t size, int* frameCount) {
  if (size < 6 || std::memcmp(data, "GIF", 3) != 0) throw EReadError("GIF: not a GIF file");
  GifSource src{data, size, 0};
  int err = 0;
  std::unique_ptr<GifFileType, GifReadCloser> gif(DGifOpen(&src, ReadFromMemory, &err));
  if (!gif) ReadFailed("cannot open", err);

  TBitmap out;
  bool haveFrame = false;
  int frames = 0;
  bool transparency = false;
  int transparentIndex = 0;
  while (true) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
      if (haveFrame) break;  // later frames damaged: frame 0 stands
      ReadFailed("bad record", gif->Error);
    }
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
        if (haveFrame) break;
        ReadFailed("bad extension", gif->Error);
      }
      // The graphic control extension that precedes frame 0 decides its transparency.
      if (!haveFrame && code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        transparency = (block[1] & 1) != 0;
        transparentIndex = block[4];
      }
      if (!SkipExtension(gif.get(), block)) {
        if (haveFrame) break;
        ReadFailed("bad extension", gif->Error);
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
      if (haveFrame) break;
      ReadFailed("bad image descriptor", gif->Error);
    }
    ++frames;
    if (haveFrame) {
      if (!SkipImageData(gif.get())) break;
      continue;
    }
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0) throw EReadError("GIF: empty frame");
    // The frame is held with one byte per pixel here, but the program works on
    // it as 24-bit: that is the size that must fit.
    CheckImageSize(d.Width, d.Height, 3);
    // One byte of LZW data stands for at most a few thousand pixels: refuse a
    // frame the rest of the file cannot fill before allocating it.
    if (static_cast<uint64_t>(d.Width) * d.Height > static_cast<uint64_t>(size - src.pos) * 4096 + 65536)
      throw EReadError("GIF: image data too short for the frame size");
    // Every row is written below or the read fails, so the pixels are not
    // cleared first: a huge frame over a few bytes of data then costs no memory.
    TBitmap b(d.Width, d.Height, TPixelFormat::pf8bit);
    // Interlaced frames arrive in four passes.
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass)
      for (int y = d.Interlace ? start[pass] : 0; y < d.Height; y += d.Interlace ? step[pass] : 1)
        if (DGifGetLine(gif.get(), b.ScanLine(y), d.Width) == GIF_ERROR) ReadFailed("bad image data", gif->Error);

    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    std::vector<TColor> colors;
    if (map && map->Colors && map->ColorCount > 0) {
      for (int i = 0; i < map->ColorCount && i < 256; ++i)
        colors.push_back(RGB(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    } else {
      for (int i = 0; i < 256; ++i) colors.push_back(RGB(i, i, i));  // no map at all: a grey ramp
    }
    b.Transparent = false;
    b.TransparentColor = clNone;
    if (transparency && transparentIndex < static_cast<int>(colors.size())) {
      TColor t = colors[static_cast<size_t>(transparentIndex)];
      int seen = 0;
      for (TColor c : colors)
        if (c == t && ++seen == 2) break;
      if (seen >= 2) {
        colors[static_cast<size_t>(transparentIndex)] = KeyColor;
        t = KeyColor;
      }
      b.Transparent = true;
      b.TransparentColor = t;
    }
    colors.resize(256, 0);  // indices beyond a short map show black
    b.Palette = std::move(colors);
    out = std::move(b);
    haveFrame = true;
  }
  if (!haveFrame) throw EReadError("GIF: no image");
  if (frameCount) *frameCount = frames;
  return out;
}

// ---------------------------------------------------------------------------

namespace {

struct GifSink {
  std::vector<uint8_t>* out;
  bool failed;
};

int WriteToMemory(GifFileType* gif, const GifByteType* d, int n) {
  auto* s = static_cast<GifSink*>(gif->UserData);
  try {
    s->out->insert(s->out->end(), d, d + n);
  } catch (...) {
    s->failed = true;
    return 0;
  }
  return n;
}

struct MapDeleter {
  void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

// The 8-bit picture the file will hold, and its see-through entry (-1: none).
TBitmap IndexedForGif(const TBitmap& source, int& transparentIndex) {
  transparentIndex = -1;
  const bool alpha = source.PixelFormat() == TPixelFormat::pf32bit;
  if (!alpha && !source.Transparent) return QuantizeToPalette(source, 256);

  // Transparency conversion: a colour picture and a see-through mask.
  TBitmap colors = source;
  if (colors.PixelFormat() == TPixelFormat::pf8bit) colors.SetPixelFormat(TPixelFormat::pf24bit);
  const TColor key = alpha ? KeyColor : source.TransparentColor;
  const int w = colors.Width(), h = colors.Height();
  std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
  const int bpp = BytesPerPixel(colors.PixelFormat());
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = colors.ScanLine(y);
    for (int x = 0; x < w; ++x, s += bpp)
      mask[static_cast<size_t>(y) * w + x] = alpha ? s[3] < 128 : RGB(s[2], s[1], s[0]) == key;
  }
  return QuantizeToPalette(colors, 256, &mask, key, &transparentIndex);
}

}  // namespace

std::vector<uint8_t> EncodeGif(const TBitmap& bitmap, const TGifWriteOptions& options) {
  if (bitmap.Empty()) throw EWriteError("GIF: empty image");
  if (bitmap.Width() > 65535 || bitmap.Height() > 65535) throw EWriteError("GIF: image too large");
  int transparentIndex = -1;
  TBitmap indexed = IndexedForGif(bitmap, transparentIndex);
  if (options.Optimize) {
    try {
      OptimizeColorMap(indexed, &transparentIndex);
    } catch (const std::exception&) {
      // An optimisation that fails leaves the colour map as it was.
    }
  }

  int mapSize = 2;
  const int used = std::max<int>(1, static_cast<int>(std::min<size_t>(indexed.Palette.size(), 256)));
  while (mapSize < used) mapSize *= 2;
  std::vector<GifColorType> entries(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
  for (int i = 0; i < used && i < static_cast<int>(indexed.Palette.size()); ++i) {
    const TColor c = indexed.Palette[static_cast<size_t>(i)];
    entries[static_cast<size_t>(i)] = GifColorType{GetRValue(c), GetGValue(c), GetBValue(c)};
  }
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(mapSize, entries.data()));
  if (!map) throw EWriteError("GIF: out of memory");

  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(bitmap.Width()) * bitmap.Height() / 2 + 1024);
  GifSink sink{&out, false};
  int err = 0;
  GifFileType* gif = EGifOpen(&sink, WriteToMemory, &err);
  if (!gif) throw EWriteError("GIF: cannot create the encoder");
  const int w = indexed.Width(), h = indexed.Height();
  bool ok = true;
  EGifSetGifVersion(gif, true);
  ok = ok && EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) != GIF_ERROR;
  if (ok && !options.Comment.empty()) ok = EGifPutComment(gif, options.Comment.c_str()) != GIF_ERROR;
  if (ok && transparentIndex >= 0) {
    const GifByteType gce[4] = {0x01, 0, 0, static_cast<GifByteType>(transparentIndex)};
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) != GIF_ERROR;
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, options.Interlaced, nullptr) != GIF_ERROR;
  static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  const int passes = options.Interlaced ? 4 : 1;
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  for (int pass = 0; ok && pass < passes; ++pass)
    for (int y = options.Interlaced ? start[pass] : 0; ok && y < h; y += options.Interlaced ? step[pass] : 1) {
      std::memcpy(line.data(), indexed.ScanLine(y), static_cast<size_t>(w));
      // Indices beyond the map would make an invalid file.
      for (auto& v : line)
        if (v >= mapSize) v = 0;
      ok = EGifPutLine(gif, line.data(), w) != GIF_ERROR;
    }
  const bool closed = EGifCloseFile(gif, &err) != GIF_ERROR;
  if (!ok || !closed || sink.failed) throw EWriteError("GIF: cannot encode the image");
  return out;
}

void WriteGifFile(const std::string& path, const TBitmap& bitmap, const TGifWriteOptions& options) {
  WriteFileAtomically(path, EncodeGif(bitmap, options));
}

}  // namespace velinor
