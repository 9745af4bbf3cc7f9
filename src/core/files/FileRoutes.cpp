#include "FileRoutes.h"

#include "BmpCodec.h"
#include "GifCodec.h"
#include "IcoReader.h"
#include "PcxReader.h"
#include "PngUtils.h"
#include "PnmReader.h"
#include "RleBmp.h"
#include "SafeFile.h"
#include "SgiReader.h"
#include "TargaCodec.h"
#include "TiffUtils.h"
#include "base/Errors.h"

namespace velinor {

namespace {

using TMemoryReader = TBitmap (*)(const uint8_t*, size_t);

// Readers that take the whole file in memory, by extension.
TMemoryReader MemoryReaderFor(const std::string& ext) {
  if (ext == ".bmp" || ext == ".dib" || ext == ".rle") return ReadBmp;
  if (ext == ".png") return [](const uint8_t* d, size_t n) { return ReadPng(d, n); };
  if (ext == ".gif") return [](const uint8_t* d, size_t n) { return ReadGif(d, n); };
  if (ext == ".tif" || ext == ".tiff" || ext == ".fax") return [](const uint8_t* d, size_t n) { return ReadTiff(d, n); };
  if (ext == ".tga" || ext == ".win" || ext == ".vst" || ext == ".vda" || ext == ".icb") return ReadTga;
  if (ext == ".ico") return ReadIco;
  if (ext == ".ppm" || ext == ".pgm" || ext == ".pbm") return ReadPnm;
  if (ext == ".pcx" || ext == ".pcc" || ext == ".scr") return ReadPcx;
  if (ext == ".sgi" || ext == ".rgb" || ext == ".rgba" || ext == ".bw") return ReadSgi;
  return nullptr;
}

}  // namespace

TBitmap ReadImageFile(const std::string& path) {
  if (const TMemoryReader reader = MemoryReaderFor(LowerExtension(path))) {
    const auto bytes = ReadFileBytes(path);
    return reader(bytes.data(), bytes.size());
  }
  throw EUnsupportedFormat("no reader for " + path);
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp" || ext == ".dib") return WriteBmpFile(path, bitmap, resolution);
  if (ext == ".rle") return WriteRle8Bmp(path, bitmap);
  if (ext == ".png") return WritePngFile(path, bitmap, resolution);
  if (ext == ".gif") return WriteGifFile(path, bitmap, TGifWriteOptions{});
  if (ext == ".tga") return WriteTgaFile(path, bitmap, true);
  if (ext == ".tif" || ext == ".tiff" || ext == ".fax") {
    TTiffWriteOptions o;
    o.Resolution = resolution;
    return WriteTiffFile(path, bitmap, o);
  }
  throw EUnsupportedFormat("no writer for " + path);
}

}  // namespace velinor
