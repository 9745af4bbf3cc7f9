#include "FileRoutes.h"

#include "BmpCodec.h"
#include "FormatRegistry.h"
#include "GifCodec.h"
#include "IcoReader.h"
#include "JpegUtils.h"
#include "OvImage.h"
#include "OvsImage.h"
#include "PcxReader.h"
#include "PngUtils.h"
#include "PnmReader.h"
#include "RawImage.h"
#include "RleBmp.h"
#include "SafeFile.h"
#include "SgiReader.h"
#include "TargaCodec.h"
#include "TiffUtils.h"
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

// --- per-format routes --------------------------------------------------------

TBitmap ReadPngRoute(const std::string& path, TReadInfo& info) {
  const auto bytes = ReadFileBytes(path);
  uint8_t depth = 0;
  TBitmap b = ReadPng(bytes.data(), bytes.size(), &depth);
  info.DepthCode = depth;
  LastPngDepthCode = depth;  // the open dialog's preview reads it after the load
  return b;
}

TBitmap ReadGifRoute(const std::string& path, TReadInfo& info) {
  const auto bytes = ReadFileBytes(path);
  int frames = 0;
  TBitmap b = ReadGif(bytes.data(), bytes.size(), &frames);
  info.Animated = frames > 1;
  return b;
}

TBitmap ReadTiffRoute(const std::string& path, TReadInfo& info) {
  const auto bytes = ReadFileBytes(path);
  TTiffReadInfo tiff;
  TBitmap b = ReadTiff(bytes.data(), bytes.size(), &tiff);
  info.DepthCode = tiff.DepthCode;
  LastTiffDepthCode = tiff.DepthCode;  // the open dialog's preview reads it after the load
  return b;
}

TBitmap ReadLayeredRoute(const std::string& path, bool previewOnly, TReadInfo& info) {
  TMyImageLayeredReg reader;
  reader.PreviewOnly = previewOnly;
  reader.LoadFromFile(path);
  info.OrigWidth = reader.ImageWidth;
  info.OrigHeight = reader.ImageHeight;
  return std::move(static_cast<TBitmap&>(reader));
}

TBitmap ReadGenericRoute(const std::string& path, const std::string& graphicClass, TReadInfo& info) {
  using TMemoryReader = TBitmap (*)(const uint8_t*, size_t);
  TMemoryReader reader = nullptr;
  if (graphicClass == "TBitmap") reader = ReadBmp;
  else if (graphicClass == "TTargaGraphic") reader = ReadTga;
  else if (graphicClass == "TIcon") reader = ReadIco;
  else if (graphicClass == "TPPMGraphic") reader = ReadPnm;
  else if (graphicClass == "TPCXGraphic") reader = ReadPcx;
  else if (graphicClass == "TSGIGraphic") reader = ReadSgi;
  else if (graphicClass == "TOvsImage") reader = [](const uint8_t* d, size_t n) { return ReadOvs(d, n); };
  if (!reader) NoReader(graphicClass, path);
  const auto bytes = ReadFileBytes(path);
  TBitmap b = reader(bytes.data(), bytes.size());
  if (graphicClass == "TBitmap") info.DepthCode = b.PixelFormat() == TPixelFormat::pf32bit ? 7 : 6;
  return b;
}

void WriteRleRoute(const std::string& path, const TBitmap& bitmap) { WriteRle8Bmp(path, bitmap); }

void WriteGifRoute(const std::string& path, const TBitmap& bitmap, const TWriteOptions& o) {
  TGifWriteOptions gif;
  gif.Optimize = o.GifOptimize;
  gif.Interlaced = o.GifInterlaced;
  WriteGifFile(path, bitmap, gif);
}

void WriteTargaRoute(const std::string& path, const TBitmap& bitmap, bool rle) { WriteTgaFile(path, bitmap, rle); }

void WritePngRoute(const std::string& path, const TBitmap& bitmap, double resolution) {
  WritePngFile(path, bitmap, resolution);
}

void WriteTiffRoute(const std::string& path, const TBitmap& bitmap, double resolution) {
  TTiffWriteOptions tiff;
  tiff.Resolution = resolution;
  WriteTiffFile(path, bitmap, tiff);
}

void WriteLayeredRoute(const std::string& path, const TBitmap& bitmap) { WriteSingleLayerOvi(path, bitmap); }

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
