#pragma once
// Plain routes from a file name to a codec: no dialogs, no hook, no messages.
// The load/save dispatch and the command-line tool both stand on these.
#include <string>

#include "base/Bitmap.h"

namespace velinor {

// Extension predicates, on the lower-cased extension with its dot.
bool IsBmpFile(const std::string& fileName);   // .bmp .dib
bool IsRleFile(const std::string& fileName);   // .rle
bool IsGifFile(const std::string& fileName);   // .gif
bool IsOviFile(const std::string& fileName);   // .ovi
bool IsOvsFile(const std::string& fileName);   // .ovs
bool IsTgaFile(const std::string& fileName);   // .tga
bool IsPngFile(const std::string& fileName);   // .png
bool IsIcoFile(const std::string& fileName);   // .ico
bool IsMetafile(const std::string& fileName);  // .wmf .emf
bool IsTiffFile(const std::string& fileName);  // .tif .tiff .fax
// The JPEG test: the extension with its dot occurs inside the registered JPEG
// extension list, so ".jpg", ".jpeg", ".jpe", ".jfif" and leading parts such as
// ".jp" qualify.
bool IsJpegFile(const std::string& fileName);
// (The camera-RAW test is IsRawFile in RawImage.h.)

// The reader chosen for a name, first match wins: PNG, GIF, JPEG test, layered,
// RAW test, TIFF, a class the registry knows (generic), anything else RAW.
enum class TLoadRoute { Png, Gif, Jpeg, Layered, Raw, Tiff, Generic };
TLoadRoute ChooseLoadRoute(const std::string& fileName);

// The flat writer chosen for a name; None when no writer handles it.
enum class TSaveRoute { None, Bmp, Rle, Jpeg, Gif, Targa, Png, Tiff };
TSaveRoute ChooseSaveRoute(const std::string& fileName);

// What a read learned besides the pixels.
struct TReadInfo {
  std::string Format;    // registry description of the reader's class ("JPEG", "PNG"...)
  int OrigWidth = 0;     // size as stored in the file (0: the bitmap's)
  int OrigHeight = 0;
  int DepthCode = 0;     // stored depth where the reader knows it: 1, 2, 3, 6, 7 bits codes; 0 unknown
  bool Animated = false; // a GIF with more than one frame
};

// Options the flat writers take.
struct TWriteOptions {
  double Resolution = 300.0;  // dots per inch (BMP, PNG, TIFF, JPEG)
  int JpegQuality = 90;
  bool JpegProgressive = false;
  bool JpegExif = true;
  bool TgaRle = true;
  bool GifOptimize = true;
  bool GifInterlaced = false;
};

// Per-format reads and writes. Formats whose codec is not part of the build
// throw EUnsupportedFormat.
TBitmap ReadPngRoute(const std::string& path, TReadInfo& info);
TBitmap ReadGifRoute(const std::string& path, TReadInfo& info);  // frame 0, Animated set
TBitmap ReadTiffRoute(const std::string& path, TReadInfo& info);
TBitmap ReadLayeredRoute(const std::string& path, bool previewOnly, TReadInfo& info);
// A reader class of the registry (BMP, icon, metafile, Targa, PCX...). Icons and
// metafiles come out 24-bit over the key colour.
TBitmap ReadGenericRoute(const std::string& path, const std::string& graphicClass, TReadInfo& info);

void WriteRleRoute(const std::string& path, const TBitmap& bitmap);
void WriteGifRoute(const std::string& path, const TBitmap& bitmap, const TWriteOptions& options);
void WriteTargaRoute(const std::string& path, const TBitmap& bitmap, bool rle);
void WritePngRoute(const std::string& path, const TBitmap& bitmap, double resolution);
void WriteTiffRoute(const std::string& path, const TBitmap& bitmap, double resolution);
// A one-layer layered file (the command-line tool's ".ovi" output; "Save as"
// writes the two-layer document itself).
void WriteLayeredRoute(const std::string& path, const TBitmap& bitmap);

// Reads the image in the file by the load route (preview: reduced decoding
// where the reader offers it). Throws EReadError, EUnsupportedFormat or
// EOutOfLimits.
TBitmap ReadImageFile(const std::string& path, TReadInfo* info = nullptr, bool preview = false);

// Writes the bitmap in the format of the file's extension (the flat writers,
// and ".ovi" as a one-layer layered file), through a temporary file. Throws EUnsupportedFormat or EWriteError; the target is untouched on
// failure.
void WriteImageFile(const std::string& path, const TBitmap& bitmap, const TWriteOptions& options);
void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution);

}  // namespace velinor
