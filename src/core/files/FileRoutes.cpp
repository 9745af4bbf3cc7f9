#include "FileRoutes.h"

#include "BmpCodec.h"
#include "FormatRegistry.h"
#include "JpegUtils.h"
#include "RawImage.h"
#include "SafeFile.h"
#include "base/Errors.h"

namespace velinor {

namespace {

bool ExtIs(const std::string& fileName, std::initializer_list<const char*> exts) {
  const std::string ext = LowerExtension(fileName);
  for (const char* e : exts)
    if (ext == e) return true;
  return false;
}

[[noreturn]] void NoReader(const std::string& what, const std::string& path) {
  throw EUnsupportedFormat("no " + what + " reader for " + path);
}
[[noreturn]] void NoWriter(const std::string& what, const std::string& path) {
  throw EUnsupportedFormat("no " + what + " writer for " + path);
}

std::string DescriptionOf(const std::string& graphicClass) {
  for (const auto& c : FileFormatList().Classes())
    if (c.GraphicClass == graphicClass) return c.Description;
  return {};
}

}  // namespace

bool IsBmpFile(const std::string& n) { return ExtIs(n, {".bmp", ".dib"}); }
bool IsRleFile(const std::string& n) { return ExtIs(n, {".rle"}); }
bool IsGifFile(const std::string& n) { return ExtIs(n, {".gif"}); }
bool IsOviFile(const std::string& n) { return ExtIs(n, {".ovi"}); }
bool IsOvsFile(const std::string& n) { return ExtIs(n, {".ovs"}); }
bool IsTgaFile(const std::string& n) { return ExtIs(n, {".tga"}); }
bool IsPngFile(const std::string& n) { return ExtIs(n, {".png"}); }
bool IsIcoFile(const std::string& n) { return ExtIs(n, {".ico"}); }
bool IsMetafile(const std::string& n) { return ExtIs(n, {".wmf", ".emf"}); }
bool IsTiffFile(const std::string& n) { return ExtIs(n, {".tif", ".tiff", ".fax"}); }

bool IsJpegFile(const std::string& n) {
  const std::string ext = LowerExtension(n);
  return !ext.empty() && JpegExtensionList().find(ext) != std::string::npos;
}

TLoadRoute ChooseLoadRoute(const std::string& fileName) {
  if (IsPngFile(fileName)) return TLoadRoute::Png;
  if (IsGifFile(fileName)) return TLoadRoute::Gif;
  if (IsJpegFile(fileName)) return TLoadRoute::Jpeg;
  if (IsOviFile(fileName)) return TLoadRoute::Layered;
  if (IsRawFile(fileName)) return TLoadRoute::Raw;
  if (IsTiffFile(fileName)) return TLoadRoute::Tiff;
  const std::string ext = LowerExtension(fileName);
  if (ext.size() > 1 && FileFormatList().Knows(ext.substr(1))) return TLoadRoute::Generic;
  return TLoadRoute::Raw;
}

TSaveRoute ChooseSaveRoute(const std::string& fileName) {
  if (IsBmpFile(fileName)) return TSaveRoute::Bmp;
  if (IsRleFile(fileName)) return TSaveRoute::Rle;
  if (IsJpegFile(fileName)) return TSaveRoute::Jpeg;
  if (IsGifFile(fileName)) return TSaveRoute::Gif;
  if (IsTgaFile(fileName)) return TSaveRoute::Targa;
  if (IsPngFile(fileName)) return TSaveRoute::Png;
  if (IsTiffFile(fileName)) return TSaveRoute::Tiff;
  return TSaveRoute::None;
}

// --- per-format seams: the codecs of the other formats plug in here ---------

TBitmap ReadPngRoute(const std::string& path, TReadInfo&) { NoReader("PNG", path); }
TBitmap ReadGifRoute(const std::string& path, TReadInfo&) { NoReader("GIF", path); }
TBitmap ReadTiffRoute(const std::string& path, TReadInfo&) { NoReader("TIFF", path); }
TBitmap ReadLayeredRoute(const std::string& path, bool, TReadInfo&) { NoReader("layered image", path); }

TBitmap ReadGenericRoute(const std::string& path, const std::string& graphicClass, TReadInfo& info) {
  if (graphicClass == "TBitmap") {
    const auto bytes = ReadFileBytes(path);
    TBitmap b = ReadBmp(bytes.data(), bytes.size());
    info.DepthCode = b.PixelFormat() == TPixelFormat::pf32bit ? 7 : 6;
    return b;
  }
  NoReader(graphicClass, path);
}

void WriteRleRoute(const std::string& path, const TBitmap&) { NoWriter("RLE", path); }
void WriteGifRoute(const std::string& path, const TBitmap&, const TWriteOptions&) { NoWriter("GIF", path); }
void WriteTargaRoute(const std::string& path, const TBitmap&, bool) { NoWriter("Targa", path); }
void WritePngRoute(const std::string& path, const TBitmap&, double) { NoWriter("PNG", path); }
void WriteTiffRoute(const std::string& path, const TBitmap&, double) { NoWriter("TIFF", path); }
void WriteLayeredRoute(const std::string& path, const TBitmap&) { NoWriter("layered image", path); }

// -----------------------------------------------------------------------------

TBitmap ReadImageFile(const std::string& path, TReadInfo* infoOut, bool preview) {
  TReadInfo local;
  TReadInfo& info = infoOut ? *infoOut : local;
  info = TReadInfo{};
  TBitmap b;
  switch (ChooseLoadRoute(path)) {
    case TLoadRoute::Png:
      info.Format = DescriptionOf("TPngImage");
      b = ReadPngRoute(path, info);
      break;
    case TLoadRoute::Gif:
      info.Format = DescriptionOf("TGIFImage");
      b = ReadGifRoute(path, info);
      break;
    case TLoadRoute::Jpeg: {
      info.Format = DescriptionOf("TJPEGImage");
      TJpegImage2 jpeg;
      jpeg.PreviewLoad = preview;
      jpeg.LoadFromFile(path);
      info.OrigWidth = jpeg.OrigWidth;
      info.OrigHeight = jpeg.OrigHeight;
      info.DepthCode = 6;
      b = std::move(jpeg.Bitmap);
      break;
    }
    case TLoadRoute::Layered:
      info.Format = DescriptionOf("TMyImageLayeredReg");
      b = ReadLayeredRoute(path, preview, info);
      break;
    case TLoadRoute::Raw: {
      info.Format = "RAW";
      TRawImage raw(path);
      raw.PreviewLoad = preview;
      raw.LoadFromFile(path);
      info.OrigWidth = raw.Width;
      info.OrigHeight = raw.Height;
      b = std::move(raw.Bitmap);
      break;
    }
    case TLoadRoute::Tiff:
      info.Format = DescriptionOf("TTiffImage");
      b = ReadTiffRoute(path, info);
      break;
    case TLoadRoute::Generic: {
      const std::string cls = FileFormatList().ClassOf(LowerExtension(path).substr(1));
      info.Format = DescriptionOf(cls);
      b = ReadGenericRoute(path, cls, info);
      break;
    }
  }
  if (info.OrigWidth <= 0 || info.OrigHeight <= 0) {
    info.OrigWidth = b.Width();
    info.OrigHeight = b.Height();
  }
  return b;
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, const TWriteOptions& o) {
  switch (ChooseSaveRoute(path)) {
    case TSaveRoute::Bmp:
      return WriteBmpFile(path, bitmap, o.Resolution);
    case TSaveRoute::Rle:
      return WriteRleRoute(path, bitmap);
    case TSaveRoute::Jpeg: {
      TJpegImage2 jpeg;
      jpeg.CompressionQuality = o.JpegQuality;
      jpeg.ProgressiveEncoding = o.JpegProgressive;
      jpeg.JpegExif = o.JpegExif;
      jpeg.Resolution = o.Resolution;
      jpeg.Assign(bitmap);
      return jpeg.SaveWithOptions(path);
    }
    case TSaveRoute::Gif:
      return WriteGifRoute(path, bitmap, o);
    case TSaveRoute::Targa:
      return WriteTargaRoute(path, bitmap, o.TgaRle);
    case TSaveRoute::Png:
      return WritePngRoute(path, bitmap, o.Resolution);
    case TSaveRoute::Tiff:
      return WriteTiffRoute(path, bitmap, o.Resolution);
    case TSaveRoute::None:
      if (IsOviFile(path)) return WriteLayeredRoute(path, bitmap);
      break;
  }
  NoWriter(LowerExtension(path).empty() ? "(no extension)" : LowerExtension(path), path);
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  TWriteOptions o;
  o.Resolution = resolution;
  WriteImageFile(path, bitmap, o);
}

}  // namespace velinor
