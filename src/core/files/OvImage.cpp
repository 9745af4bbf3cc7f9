#include "core/files/OvImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "core/base/Arith.h"
#include "core/base/Errors.h"
#include "core/files/OviWork.h"
#include "core/files/SafeFile.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

void CheckWriteMode(int mode) {
  if (mode != ovRaw && mode != ovZlib) throw EWriteError(OviInvalidMode);
}

void CheckReadMode(int mode) {
  if (mode != ovRaw && mode != ovZlib) throw EReadError(OviInvalidMode);
}

// A size read from the file: refused when negative or beyond what the program holds.
void CheckStoredSize(int32_t width, int32_t height, int bytesPerPixel) {
  try {
    CheckImageSize(width, height, bytesPerPixel);
  } catch (const EOutOfLimits& e) {
    throw EReadError(e.what());
  }
}

// The bitmap as 24-bit, shared so that a deferred body can keep it alive.
std::shared_ptr<const TBitmap> As24(const TBitmap& image) {
  if (image.PixelFormat() == TPixelFormat::pf24bit)
    return std::shared_ptr<const TBitmap>(&image, [](const TBitmap*) {});
  auto copy = std::make_shared<TBitmap>(image);
  copy->SetPixelFormat(TPixelFormat::pf24bit);
  return copy;
}

// What every image body starts with: its size, written from the picture as the
// 24-bit one the body is made from.
std::shared_ptr<const TBitmap> BeginBody(TOviWriter& out, const TBitmap& image, int mode) {
  CheckWriteMode(mode);
  auto src = As24(image);
  out.WriteInt32(src->Width());
  out.WriteInt32(src->Height());
  return src;
}

// The zlib body's compressed data: its length field, checked against the input.
std::vector<uint8_t> ReadCompressed(TOviSource& in) {
  const int32_t length = in.ReadInt32();
  if (length < 4) throw EReadError("invalid compressed block length");
  return in.ReadBlob(static_cast<uint64_t>(length) - 4);
}

// Puts the rows of a bitmap in the opposite order.
void FlipRows(TBitmap& image) {
  const size_t n = image.Stride();
  if (n == 0) return;  // no pixels, no rows to hold
  std::vector<uint8_t> tmp(n);
  for (int top = 0, bottom = image.Height() - 1; top < bottom; ++top, --bottom) {
    std::memcpy(tmp.data(), image.ScanLine(top), n);
    std::memcpy(image.ScanLine(top), image.ScanLine(bottom), n);
    std::memcpy(image.ScanLine(bottom), tmp.data(), n);
  }
}

void ZeroRowPadding(TBitmap& image, size_t used) {
  if (used >= image.Stride()) return;
  for (int y = 0; y < image.Height(); ++y)
    std::memset(image.ScanLine(y) + used, 0, image.Stride() - used);
}

// A grey plane read back as the pixels (v, v, v).
TBitmap FromGreyPlane(const uint8_t* plane, int w, int h) {
  TBitmap image(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = plane + static_cast<size_t>(y) * w;
    uint8_t* d = image.ScanLine(y);
    for (int x = 0; x < w; ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x];
  }
  ZeroRowPadding(image, static_cast<size_t>(w) * 3);
  return image;
}

}  // namespace

// ---- 24-bit bodies ----------------------------------------------------------------

void WriteImageBody24(TOviWriter& out, const TBitmap& image, int mode) {
  const auto src = BeginBody(out, image, mode);
  const int w = src->Width(), h = src->Height();
  if (mode == ovRaw) {
    for (int y = 0; y < h; ++y) out.WriteBytes(src->ScanLine(y), static_cast<size_t>(w) * 3);
    return;
  }
  // The pixel array of a bottom-up 24-bit DIB: rows reversed, padding zeroed,
  // gathered piece by piece straight from the bitmap.
  const size_t stride = RowStride(w, TPixelFormat::pf24bit);
  const size_t used = static_cast<size_t>(w) * 3;
  out.WriteZlibRows(static_cast<uint64_t>(h > 0 ? h : 0), stride,
                    [src, h, stride, used](uint64_t first, size_t count, uint8_t* dst) {
                      for (size_t i = 0; i < count; ++i, dst += stride) {
                        std::memcpy(dst, src->ScanLine(h - 1 - static_cast<int>(first + i)), used);
                        std::memset(dst + used, 0, stride - used);
                      }
                    });
}

void ReadImageBody24(TOviSource& in, int mode, TBitmap& image) {
  CheckReadMode(mode);
  const int32_t w = in.ReadInt32();
  const int32_t h = in.ReadInt32();
  CheckStoredSize(w, h, 3);
  const size_t used = static_cast<size_t>(w) * 3;
  if (mode == ovRaw) {
    in.Require(static_cast<uint64_t>(used) * static_cast<uint64_t>(h));
    TBitmap result(w, h, TPixelFormat::pf24bit);
    for (int y = 0; y < h; ++y) in.Read(result.ScanLine(y), used);
    ZeroRowPadding(result, used);
    image = std::move(result);
    return;
  }
  const auto compressed = ReadCompressed(in);
  CheckInflatable(compressed.size(), static_cast<uint64_t>(RowStride(w, TPixelFormat::pf24bit)) * h);
  TBitmap result(w, h, TPixelFormat::pf24bit);
  InflateZlibExact(compressed.data(), compressed.size(), result.Bits(), result.ByteSize());
  FlipRows(result);
  image = std::move(result);
}

// ---- grey bodies --------------------------------------------------------------------

namespace {

// The rows of a grey body after its size: raw, or a length field and a zlib stream.
void WriteGreyRows(TOviWriter& out, int w, int h, TRowFiller fill, int mode) {
  const size_t rowBytes = static_cast<size_t>(w > 0 ? w : 0);
  const uint64_t rows = static_cast<uint64_t>(h > 0 ? h : 0);
  if (mode == ovRaw) {
    std::vector<uint8_t> plane(rowBytes * rows);
    if (!plane.empty()) fill(0, static_cast<size_t>(rows), plane.data());
    out.WriteBytes(plane.data(), plane.size());
    return;
  }
  out.WriteZlibRows(rows, rowBytes, std::move(fill));
}

// The plane of a grey body of w x h (a checked size) after its size fields.
std::vector<uint8_t> ReadGreyRows(TOviSource& in, int mode, int32_t w, int32_t h) {
  const size_t size = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (mode == ovRaw) return in.ReadBlob(size);
  const auto compressed = ReadCompressed(in);
  CheckInflatable(compressed.size(), size);
  std::vector<uint8_t> plane(size);
  InflateZlibExact(compressed.data(), compressed.size(), plane.data(), size);
  return plane;
}

}  // namespace

void WriteGreyBody(TOviWriter& out, const TBitmap& image, int mode) {
  const auto src = BeginBody(out, image, mode);
  const int w = src->Width();
  WriteGreyRows(out, w, src->Height(),
                [src, w](uint64_t first, size_t count, uint8_t* dst) {
                  for (size_t i = 0; i < count; ++i, dst += w) {
                    const uint8_t* s = src->ScanLine(static_cast<int>(first + i));
                    for (int x = 0; x < w; ++x) dst[x] = s[3 * x];
                  }
                },
                mode);
}

void ReadGreyBody(TOviSource& in, int mode, TBitmap& image) {
  CheckReadMode(mode);
  const int32_t w = in.ReadInt32();
  const int32_t h = in.ReadInt32();
  CheckStoredSize(w, h, 3);  // the plane becomes a 24-bit bitmap
  const auto plane = ReadGreyRows(in, mode, w, h);
  image = FromGreyPlane(plane.data(), w, h);
}

// ---- image blocks -------------------------------------------------------------------

int32_t StoredTransparentColor(const TBitmap& image) {
  TColor c = image.TransparentColor;
  if (c == clNone) {
    c = image.Empty() ? 0 : image.Pixel(0, image.Height() - 1);
  } else {
    c = ResolveSystemColor(c);
  }
  return static_cast<int32_t>((c & 0x00FFFFFF) + 0x02000000);
}

void WriteColorImageBlock(TOviWriter& out, const TBitmap& image, int mode) {
  CheckWriteMode(mode);
  out.WriteByte(static_cast<uint8_t>(mode));
  WriteImageBody24(out, image, mode);
  out.WriteByte(image.Transparent ? 1 : 0);
  out.WriteInt32(StoredTransparentColor(image));
}

void ReadColorImageBlock(TOviSource& in, TBitmap& image) {
  const int mode = in.ReadByte();
  ReadImageBody24(in, mode, image);
  image.Transparent = in.ReadByte() != 0;
  image.TransparentColor = static_cast<TColor>(in.ReadInt32()) & 0x00FFFFFF;
}

void WriteGreyImageBlock(TOviWriter& out, const TBitmap& image, int mode) {
  CheckWriteMode(mode);
  out.WriteByte(static_cast<uint8_t>(mode));
  WriteGreyBody(out, image, mode);
}

void ReadGreyImageBlock(TOviSource& in, TBitmap& image) {
  const int mode = in.ReadByte();
  ReadGreyBody(in, mode, image);
}

void WriteGreyPlaneBlock(TOviWriter& out, int width, int height, TRowFiller fill, int mode) {
  CheckWriteMode(mode);
  out.WriteByte(static_cast<uint8_t>(mode));
  out.WriteInt32(width);
  out.WriteInt32(height);
  WriteGreyRows(out, width, height, std::move(fill), mode);
}

std::vector<uint8_t> ReadGreyPlaneBlock(TOviSource& in, int width, int height) {
  const int mode = in.ReadByte();
  CheckReadMode(mode);
  const int32_t w = in.ReadInt32();
  const int32_t h = in.ReadInt32();
  if (w != width || h != height) throw EReadError("grey block of an unexpected size");
  CheckStoredSize(w, h, 3);
  return ReadGreyRows(in, mode, w, h);
}

TBitmap GreyPlaneBitmap(const std::vector<uint8_t>& plane, int width, int height) {
  if (plane.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    throw std::invalid_argument("GreyPlaneBitmap: the plane is not width x height");
  return FromGreyPlane(plane.data(), width, height);
}

// ---- thumbnail ----------------------------------------------------------------------

void OviThumbnailSize(int width, int height, int box, int& thumbWidth, int& thumbHeight) {
  thumbWidth = thumbHeight = 0;
  if (width <= 0 || height <= 0 || box <= 0) return;
  const double f = std::max(static_cast<double>(width) / box, static_cast<double>(height) / box);
  // A very long, thin image keeps at least one pixel on its short side.
  thumbWidth = static_cast<int>(Clamp<int64_t>(Round(width / f), 1, box));
  thumbHeight = static_cast<int>(Clamp<int64_t>(Round(height / f), 1, box));
}

TBitmap MakeOviThumbnail(const TBitmap& image, int box) {
  int tw, th;
  OviThumbnailSize(image.Width(), image.Height(), box, tw, th);
  TBitmap thumb;
  if (tw <= 0 || th <= 0) return thumb;
  ResampleTo(tw, th, rmInterpolated, thumb, image);
  return thumb;
}

void WriteThumbnailBlock(TOviWriter& out, const TBitmap& thumbnail, int mode) {
  CheckWriteMode(mode);
  // The block starts with its own length, so its body is made here and now.
  TOviWriter body(false);
  body.WriteBytes(OviThumbnailTag, OviThumbnailTagLength);
  body.WriteInt32(mode);
  WriteImageBody24(body, thumbnail, mode);
  const uint64_t length = 4 + body.ImmediateSize();
  if (length > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    throw EWriteError("thumbnail too large for the file format");
  out.WriteInt32(static_cast<int32_t>(length));
  out.Append(std::move(body));
}

void ReadThumbnailBlock(TOviSource& in, TBitmap& thumbnail) {
  in.ReadInt32();  // the block length; the blocks inside carry their own sizes
  char tag[OviThumbnailTagLength];
  in.Read(tag, sizeof tag);
  if (std::memcmp(tag, OviThumbnailTag, sizeof tag) != 0) throw EReadError("");
  const int32_t mode = in.ReadInt32();
  ReadImageBody24(in, mode, thumbnail);
}

// ---- layer records ------------------------------------------------------------------

void WriteLayerRecord(TOviWriter& out, const TLayerItem& item, const TBitmap& image, int mode) {
  CheckWriteMode(mode);
  if (item.Name.size() > static_cast<size_t>(OviMaxNameLength))
    throw EWriteError("layer name longer than 255 characters");
  out.WriteInt32(static_cast<int32_t>(item.Name.size()));
  out.WriteBytes(item.Name.data(), item.Name.size());
  out.WriteByte(item.Visible ? 1 : 0);
  out.WriteByte(item.Locked ? 1 : 0);
  out.WriteInt32(item.BlendMode);
  for (int32_t r : item.Reserved) out.WriteInt32(r);
  out.WriteByte(item.Kind);
  out.WriteInt32(static_cast<int32_t>(item.Color));
  out.WriteInt32(item.FillFlag);
  out.WriteInt32(item.X);
  out.WriteInt32(item.Y);
  out.WriteByte(item.Opacity);

  const bool bitmapLayer = item.Kind == lkBitmap;
  const bool hasImage = bitmapLayer && !image.Empty();
  out.WriteByte(hasImage ? 1 : 0);
  if (hasImage) WriteColorImageBlock(out, image, mode);
  const bool hasMask = bitmapLayer && !item.Mask.Empty();
  out.WriteByte(hasMask ? 1 : 0);
  if (hasMask) WriteGreyImageBlock(out, item.Mask, mode);
  const bool hasMask2 = bitmapLayer && !item.Mask2.Empty();
  out.WriteByte(hasMask2 ? 1 : 0);
  if (hasMask2) WriteGreyImageBlock(out, item.Mask2, mode);

  for (int32_t v : item.Adjustment.Values) out.WriteInt32(v);
  out.WriteInt32(item.Adjustment.Reserved);
  out.WriteDouble(item.Adjustment.Factor);

  out.WriteByte(item.Shadow.Enabled ? 1 : 0);
  out.WriteZeros(3);
  out.WriteInt32(static_cast<int32_t>(item.Shadow.Color));
  out.WriteInt32(item.Shadow.OffsetX);
  out.WriteInt32(item.Shadow.OffsetY);
  out.WriteInt32(item.Shadow.Opacity);
  out.WriteInt32(item.Shadow.Size);
  for (int32_t r : item.Shadow.Reserved) out.WriteInt32(r);

  out.WriteByte(0);  // no object: this program makes bitmap layers only
}

void ReadLayerRecord(TOviSource& in, TLayerItem& item) {
  const int32_t nameLength = in.ReadInt32();
  if (nameLength < 0 || nameLength > OviMaxNameLength) throw EReadError("invalid layer name length");
  item.Name.assign(static_cast<size_t>(nameLength), '\0');
  if (nameLength > 0) in.Read(item.Name.data(), item.Name.size());
  item.Visible = in.ReadByte() != 0;
  item.Locked = in.ReadByte() != 0;
  item.BlendMode = in.ReadInt32();
  for (int32_t& r : item.Reserved) r = in.ReadInt32();
  item.Kind = in.ReadByte();
  if (item.Kind > lkColorFill) throw EReadError("unknown layer kind");
  item.Color = static_cast<TColor>(in.ReadInt32());
  item.FillFlag = in.ReadInt32();
  item.X = in.ReadInt32();
  item.Y = in.ReadInt32();
  item.Opacity = in.ReadByte();

  item.Image.Clear();
  item.Mask.Clear();
  item.Mask2.Clear();
  if (in.ReadByte() != 0) ReadColorImageBlock(in, item.Image);
  if (in.ReadByte() != 0) ReadGreyImageBlock(in, item.Mask);
  if (in.ReadByte() != 0) ReadGreyImageBlock(in, item.Mask2);

  for (int32_t& v : item.Adjustment.Values) v = in.ReadInt32();
  item.Adjustment.Reserved = in.ReadInt32();
  item.Adjustment.Factor = in.ReadDouble();

  item.Shadow.Enabled = in.ReadByte() != 0;
  in.Skip(3);
  item.Shadow.Color = static_cast<TColor>(in.ReadInt32());
  item.Shadow.OffsetX = in.ReadInt32();
  item.Shadow.OffsetY = in.ReadInt32();
  item.Shadow.Opacity = in.ReadInt32();
  item.Shadow.Size = in.ReadInt32();
  for (int32_t& r : item.Shadow.Reserved) r = in.ReadInt32();

  // Object layers carry a record of their object's own classes, which this
  // program neither makes nor knows.
  if (in.ReadByte() != 0) throw EReadError("object layers are not supported");
}

// ---- header -------------------------------------------------------------------------

void WriteOviHeader(TOviWriter& out, const TOviHeader& header) {
  out.WriteBytes(OviSignature, OviSignatureLength);
  out.WriteByte(static_cast<uint8_t>(header.Version));
  out.WriteInt32(header.Width);
  out.WriteInt32(header.Height);
  out.WriteInt32(header.ResolutionX);
  out.WriteInt32(header.ResolutionY);
  char comment[OviCommentSize] = {};
  std::memcpy(comment, header.Comment.data(), std::min(header.Comment.size(), OviCommentSize - 1));
  out.WriteBytes(comment, sizeof comment);
  out.WriteInt32(header.ColorCount);
}

TOviHeader ReadOviHeader(TOviSource& in) {
  TOviHeader h;
  char signature[OviSignatureLength];
  in.Read(signature, sizeof signature);
  if (std::memcmp(signature, OviSignature, sizeof signature) != 0) throw EReadError("");
  h.Version = in.ReadByte();
  if (h.Version < 1 || h.Version > 3) throw EReadError("");
  h.Width = in.ReadInt32();
  h.Height = in.ReadInt32();
  CheckStoredSize(h.Width, h.Height, 3);
  h.ResolutionX = in.ReadInt32();
  h.ResolutionY = in.ReadInt32();
  char comment[OviCommentSize];
  in.Read(comment, sizeof comment);
  h.Comment.assign(comment, strnlen(comment, sizeof comment));
  h.ColorCount = in.ReadInt32();
  return h;
}

// Smallest layer record: every fixed field, no image, no masks.
constexpr uint64_t MinLayerRecordSize = 4 + 2 + 4 + 12 + 1 + 4 + 4 + 8 + 1 + 3 + 24 + 32 + 1;

namespace {

int32_t ReadLayerCount(TOviSource& in) {
  const int32_t n = in.ReadInt32();
  if (n < 1) throw EReadError("invalid layer count");
  // Each record takes some bytes: a count the file cannot hold is refused.
  if (static_cast<uint64_t>(n) > in.Remaining() / MinLayerRecordSize)
    throw EReadError("invalid layer count");
  return n;
}

void SkipThumbnailBlock(TOviSource& in) {
  const int32_t length = in.ReadInt32();
  if (length < 4) throw EReadError("invalid thumbnail block length");
  in.Skip(static_cast<uint64_t>(length) - 4);
}

}  // namespace

void ReadLayeredDocument(TOviSource& in, TMyImageLayered& doc) {
  const TOviHeader h = ReadOviHeader(in);
  SkipThumbnailBlock(in);
  const int32_t n = ReadLayerCount(in);
  TLayerItem preview;
  if (n >= 2) ReadLayerRecord(in, preview);
  doc.Layers.Clear();
  for (int32_t i = 0; i < n; ++i) {
    auto item = std::make_unique<TLayerItem>();
    ReadLayerRecord(in, *item);
    doc.CurrentLayer = doc.Layers.Add(std::move(item));
  }
  // What follows the layers is the work behind them, or else passed by.
  doc.Work.reset();
  TKeepWork work;
  if (ReadWorkBlock(in, h.Width, h.Height, work)) doc.Work = std::move(work);
  doc.ResolutionX = h.ResolutionX / 1000.0;
  doc.ResolutionY = h.ResolutionY / 1000.0;
  doc.Comment = h.Comment;
  doc.ColorCount = h.ColorCount;
  if (n >= 2) {
    doc.Bitmap = std::move(preview.Image);
  } else {
    doc.SizeToFirstLayer();
    doc.Flatten();
  }
}

// ---- the flat reader ----------------------------------------------------------------

namespace {

// A record whose mask hides some of its image gives a picture with alpha
// 255 - mask there; a mask that hides nothing changes nothing.
void SeeThroughFromMask(TBitmap& picture, const TBitmap& mask) {
  if (mask.Empty() || mask.Width() != picture.Width() || mask.Height() != picture.Height()) return;
  bool hides = false;
  for (int y = 0; y < mask.Height() && !hides; ++y)
    for (int x = 0; x < mask.Width(); ++x)
      if (mask.ScanLine(y)[3 * x]) {
        hides = true;
        break;
      }
  if (!hides) return;
  picture.SetPixelFormat(TPixelFormat::pf32bit);
  for (int y = 0; y < picture.Height(); ++y) {
    uint8_t* p = picture.ScanLine(y);
    const uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x) p[4 * x + 3] = static_cast<uint8_t>(255 - m[3 * x]);
  }
}

}  // namespace

void TMyImageLayeredReg::LoadFromStream(TOviSource& in) {
  Version = 0;
  ImageWidth = ImageHeight = 0;
  Resolution = 0;
  Comment.clear();
  ColorCount = 0;

  const TOviHeader h = ReadOviHeader(in);
  Version = h.Version;
  ImageWidth = h.Width;
  ImageHeight = h.Height;
  Resolution = h.ResolutionX / 1000.0;
  Comment = h.Comment;
  ColorCount = h.ColorCount;

  TBitmap picture;
  if (PreviewOnly) {
    ReadThumbnailBlock(in, picture);
  } else {
    SkipThumbnailBlock(in);
    ReadLayerCount(in);
    // Two or more layers: the first record is the stored composite; one layer:
    // the layer itself. Either way it is what the document looks like.
    TLayerItem first;
    ReadLayerRecord(in, first);
    picture = std::move(first.Image);
    SeeThroughFromMask(picture, first.Mask);
  }
  static_cast<TBitmap&>(*this) = std::move(picture);
}

void TMyImageLayeredReg::LoadFromMemory(const uint8_t* data, size_t size) {
  TOviMemorySource in(data, size);
  LoadFromStream(in);
}

void TMyImageLayeredReg::LoadFromFile(const std::string& fileName) {
  TOviFileSource in(fileName);
  LoadFromStream(in);
}

TBitmap ReadOviFile(const std::string& fileName) {
  TMyImageLayeredReg reader;
  reader.LoadFromFile(fileName);
  return std::move(static_cast<TBitmap&>(reader));
}

bool ReadTwoLayerOvi(const std::string& fileName, TMyImageLayered& doc) {
  try {
    {  // the count first, so that other files cost only their header
      TOviFileSource in(fileName);
      ReadOviHeader(in);
      SkipThumbnailBlock(in);
      if (ReadLayerCount(in) != 2) return false;
    }
    TOviFileSource in(fileName);
    ReadLayeredDocument(in, doc);
    return true;
  } catch (...) {
    return false;  // the flat picture opens all the same
  }
}

// ---- writing documents -------------------------------------------------------------

namespace {

// How much of each composite pixel the layers cover (0..255), in the order and
// with the weights Flatten composites them; empty when they cover it all.
TBitmap CompositeCoverage(const TLayerList& layers, const TBitmap& composite) {
  const int w = composite.Width(), h = composite.Height();
  // A layer laid over all of it at full strength, without a mask, covers every
  // pixel in full, and a full cover stays full whatever comes after it: no pass.
  for (int i = 0; i < layers.Count(); ++i) {
    const TLayerItem& layer = layers.Items(i);
    if (layer.Visible && layer.Opacity >= 100 && layer.Kind == lkBitmap && layer.BlendMode == 0 &&
        layer.Mask.Empty() && layer.X <= 0 && layer.Y <= 0 && int64_t{layer.X} + layer.Image.Width() >= w &&
        int64_t{layer.Y} + layer.Image.Height() >= h)
      return TBitmap();
  }
  std::vector<uint8_t> cover(static_cast<size_t>(w) * h, 0);
  for (int i = 0; i < layers.Count(); ++i) {
    const TLayerItem& layer = layers.Items(i);
    if (!layer.Visible || layer.Opacity == 0 || layer.Kind != lkBitmap || layer.BlendMode != 0 || layer.Image.Empty())
      continue;
    const int opacity = std::min<int>(layer.Opacity, 100);
    const bool masked = !layer.Mask.Empty();
    for (int y = std::max(0, layer.Y); y < h && y - layer.Y < layer.Image.Height(); ++y)
      for (int x = std::max(0, layer.X); x < w && x - layer.X < layer.Image.Width(); ++x) {
        const int sx = x - layer.X, sy = y - layer.Y;
        int a = opacity * 255 / 100;
        if (masked) {
          if (sx >= layer.Mask.Width() || sy >= layer.Mask.Height()) continue;
          a = opacity * (255 - layer.Mask.ScanLine(sy)[3 * sx]) / 100;
        }
        uint8_t& c = cover[static_cast<size_t>(y) * w + x];
        c = static_cast<uint8_t>(c + (a * (255 - c) + 127) / 255);
      }
  }
  bool full = true;
  for (uint8_t c : cover) full &= c == 255;
  if (full) return TBitmap();
  TBitmap mask(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < w; ++x, m += 3) m[0] = m[1] = m[2] = static_cast<uint8_t>(255 - cover[static_cast<size_t>(y) * w + x]);
  }
  return mask;
}

// The composite's colours where it was laid over the background only in part,
// taken back off the background: a layer with this image and the mask over
// the background gives the composite again.
TBitmap OffTheBackground(const TBitmap& composite, const TBitmap& mask, TColor background) {
  TBitmap out(composite);
  out.SetPixelFormat(TPixelFormat::pf24bit);
  const TColor bg = ResolveSystemColor(background);
  const int b[3] = {GetBValue(bg), GetGValue(bg), GetRValue(bg)};
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* p = out.ScanLine(y);
    const uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x, p += 3, m += 3) {
      const int a = 255 - m[0];
      if (a == 255 || a == 0) continue;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(Clamp((p[c] * 255 - b[c] * (255 - a) + a / 2) / a, 0, 255));
    }
  }
  return out;
}

}  // namespace

void WriteLayers(TOviWriter& out, const TLayerList& layers, const TBitmap* composite, TColor background) {
  out.WriteInt32(layers.Count());
  const int mode = TOviWriteOptions{}.CompressionMode;
  if (composite) {
    // A freshly created layer named "Preview" carrying the composite; not counted.
    TLayerItem preview;
    preview.Name = "Preview";
    preview.Opacity = 100;
    // Where the layers leave the background showing, the preview says so in its
    // mask, so that the flat picture read back keeps its see-through parts.
    TBitmap coverage = CompositeCoverage(layers, *composite);
    if (coverage.Empty()) {
      WriteLayerRecord(out, preview, *composite, mode);
    } else {
      // The record's bodies are compressed when the file is finished.
      const TBitmap& image = out.Keep(OffTheBackground(*composite, coverage, background));
      preview.Mask = std::move(coverage);
      WriteLayerRecord(out, out.Keep(std::move(preview)), image, mode);
    }
  }
  for (int i = 0; i < layers.Count(); ++i) {
    const TLayerItem& item = layers.Items(i);
    WriteLayerRecord(out, item, item.Image, mode);
  }
}

void SaveLayeredStream(TOviWriter& out, TMyImageLayered& doc) {
  const TOviWriteOptions options;
  doc.SizeToFirstLayer();

  TOviHeader header;
  header.Version = OviVersion;
  header.Width = doc.Bitmap.Width();
  header.Height = doc.Bitmap.Height();
  auto thousandths = [](double v) {
    const double t = v * 1000.0;
    if (!(t == t)) return int32_t{0};
    return static_cast<int32_t>(Clamp<double>(std::trunc(t), -2147483648.0, 2147483647.0));
  };
  header.ResolutionX = thousandths(doc.ResolutionX);
  header.ResolutionY = thousandths(doc.ResolutionY);
  header.Comment = doc.Comment;
  header.ColorCount = doc.Layers.Count() > 0 && !doc.Layers.Items(0).Mask.Empty() ? -1 : doc.ColorCount;
  WriteOviHeader(out, header);

  doc.Flatten();
  WriteThumbnailBlock(out, MakeOviThumbnail(doc.Bitmap, options.ThumbnailBox), options.CompressionMode);
  WriteLayers(out, doc.Layers, doc.Layers.Count() >= 2 ? &doc.Bitmap : nullptr, doc.BackgroundColor);
  if (doc.Work) WriteWorkBlock(out, *doc.Work, header.Width, header.Height, options.CompressionMode);
}

std::vector<uint8_t> SaveLayeredStream(TMyImageLayered& doc) {
  TOviWriter out;
  SaveLayeredStream(out, doc);
  return out.TakeBytes();
}

void WriteLayeredFile(TMyImageLayered& doc, const std::string& fileName) {
  TOviWriter out;
  SaveLayeredStream(out, doc);
  {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw EWriteError("cannot create " + fileName + ": " + std::strerror(errno));
    uint64_t written = 0;
    try {
      out.Finish([&](const uint8_t* p, size_t n) {
        const uint64_t start = written;
        while (n > 0) {
          const ssize_t k = ::write(fd, p, n);
          if (k < 0 && errno == EINTR) continue;
          if (k <= 0) throw EWriteError("cannot write " + fileName + ": " + std::strerror(errno));
          p += k;
          n -= static_cast<size_t>(k);
          written += static_cast<uint64_t>(k);
        }
        // Start putting large parts on disk now, while later bodies still
        // compress, so that the final flush has little left to do.
        if (written - start >= (uint64_t{1} << 20))
          ::sync_file_range(fd, static_cast<off_t>(start), static_cast<off_t>(written - start),
                            SYNC_FILE_RANGE_WRITE);
      });
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) throw EWriteError("cannot write " + fileName + ": " + std::strerror(errno));
  }
}

void SaveLayeredFile(TMyImageLayered& doc, const std::string& fileName) {
  SaveAtomically(fileName, [&](const std::string& tempPath) { WriteLayeredFile(doc, tempPath); });
}

void WriteSingleLayerOvi(const std::string& fileName, const TBitmap& image) {
  TMyImageLayered doc;
  doc.SetSingleLayer(image, nullptr, "#0");
  SaveLayeredFile(doc, fileName);
}

}  // namespace velinor
