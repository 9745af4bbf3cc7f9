#pragma once
// The route table: one row for every kind of picture file the program knows,
// with the registry class that names it, the format object the notification
// hook is shown, its reader and its writer. LoadRouteFor and SaveRouteFor are
// the one place that decides which row a file name takes; the plain reads and
// writes below and the load/save dispatch (ImageDispatch.h) run the row.
//
// Adding a format is one row in FileRoutes.cpp plus its codec: the row names its
// registry class, and its extensions (RowRegistration) when it brings new ones.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/document/PictureOrigin.h"
#include "core/files/Graphic.h"

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

// The dots per inch "Save as" writes into flat files (velinor-cli too).
constexpr double SaveAsResolution = 300.0;

// What a read learned besides the pixels.
struct TReadResult {
  std::string Format;         // registry description of the reader's class ("JPEG", "PNG"...)
  int OrigWidth = 0;          // size as stored in the file (after a read: never 0 for a picture)
  int OrigHeight = 0;
  int DepthCode = 0;          // stored depth where the reader knows it: 1, 2, 3, 6, 7; 0 unknown
  int TransparencyCode = 0;   // of the picture read: 0 none, 1 transparent colour, 2 alpha
  int FrameCount = 0;         // images in the file, where the reader counts them (GIF); else 0
  std::vector<uint8_t> Exif;  // the EXIF payload found in the file (JPEG APP1); empty if none
  std::string FailureCause;   // after a failed load: why, in plain words (LoadFailureCause)
  TPictureOrigin Origin;      // what a save of the picture hands on (CarryOver)
  bool Animated() const { return FrameCount > 1; }
};

// Options the writers take.
struct TWriteOptions {
  double Resolution = SaveAsResolution;  // dots per inch (BMP, PNG, TIFF, JPEG); 0: none
  int JpegQuality = 90;
  bool JpegProgressive = false;
  bool JpegExif = true;          // an EXIF block in JPEG files
  bool JpegExifFromJpeg = false; // copy ExifSource's block when it is a JPEG that has one
  std::string ExifSource;
  std::string Comment;           // for formats that carry one (never set by the program)
  bool TgaRle = true;
  bool GifOptimize = true;
  bool GifInterlaced = false;
  // Say sRGB in the file (a PNG sRGB chunk, an sRGB profile in JPEG and TIFF):
  // set for pictures whose file carried a colour profile, which came in converted.
  bool TagSrgb = false;
  // A photo whose camera data (CameraData.h) JPEG and TIFF files take over; empty: none.
  std::string CameraDataSource;
};

// The one step that turns what the read of a picture learned into the options
// its save writes with: sRGB said where the file's profile was converted, the
// file's camera data carried (JPEG, TIFF). The window's "Save as" and the
// command-line tool both save through it.
void CarryOver(const TPictureOrigin& origin, TWriteOptions& options);

// What a save writes: the flat picture and, for the layered format, the
// document when one is given (without one the picture becomes a single layer).
struct TSaveSource {
  const TBitmap& Image;
  ILayeredDocument* Layered = nullptr;
};

// The format object of one read or write: made for the call, or (the layered
// document of "Save as") the caller's own.
struct TFormatObject {
  std::unique_ptr<TGraphic> Owned;
  TGraphic* Object = nullptr;
};

struct TReadCall {
  TGraphic& Graphic;  // what MakeReader made (the hook may have looked at it)
  const std::string& Path;
  bool Preview;       // reduced decoding where the reader offers it
  TReadResult& Result;
  TBitmap& Picture;   // where a reader whose object holds no pixels puts them
};
struct TWriteCall {
  TGraphic& Graphic;  // what MakeWriter made (the hook may have changed its settings)
  const std::string& Path;  // a fresh file to write completely
  const TSaveSource& Source;
  const TWriteOptions& Options;
};

// Extensions a row brings into the format registry (formats beyond the ones
// registered at start-up), and its row in the save dialog's table.
struct TRowRegistration {
  const char* Extensions = nullptr;      // "heic;heif": without dots, ";"-separated
  const char* Description = nullptr;     // the open filter's description
  int FormatTypes = 8;                   // raster
  const char* SaveExtensions = nullptr;  // ".heic": a save-table row when the row writes
  bool Common = false;                   // its extensions join the "Common images" entry
};

// The lines the information text (the open dialog, "velinor-cli info") adds
// about the camera that took a row's files.
enum class TCameraLines : uint8_t {
  None,
  ExifSummary,  // the EXIF summary: make and model (or the software), the date
  CameraName,   // LibRaw's "Make Model" (camera raw files)
};

// The EXIF block of a file held in memory, from its TIFF header on; empty when
// there is none.
using TExifBlockReader = std::vector<uint8_t> (*)(const uint8_t* data, size_t size);

// What else the program knows of a row's files.
struct TRowFacts {
  TCameraLines CameraLines = TCameraLines::None;
  // Where the EXIF block is: found by the codec in its container, or (null)
  // read by Exiv2 from the file itself.
  TExifBlockReader ExifBlock = nullptr;
  // A transparent colour the reader reports becomes alpha in the opened
  // picture (the preview flattens either form onto white alike).
  bool KeyColorToAlpha = false;
};

struct TFileRoute {
  const char* Name;           // what the route is called ("PNG", "BMP", "RLE"...)
  const char* RegistryClass;  // the class the format registry names for its extensions
  // The names the row claims before the registry is asked (null: the registry
  // decides), and the names its writer takes (null: no writer).
  bool (*LoadTest)(const std::string& fileName);
  bool (*SaveTest)(const std::string& fileName);
  // The reader's format object (null: a TFormatGraphic named after the registry
  // class) and the reading (null: files of the class cannot be read here),
  // which returns where the pixels are: in the format object (the adapters keep
  // what they read until the hook has seen them) or in call.Picture.
  std::unique_ptr<TGraphic> (*MakeReader)(const std::string& fileName);
  TBitmap& (*Read)(const TReadCall& call);
  // The writer's format object (null: a TFormatGraphic of the registry class) and
  // the writing.
  TFormatObject (*MakeWriter)(const TSaveSource& source, const TWriteOptions& options);
  void (*Write)(const TWriteCall& call);
  TRowRegistration Registration = {};
  TRowFacts Facts = {};
};

// Every row, in the order their tests are tried.
const std::vector<TFileRoute>& FileRoutes();

// The row a file is read through, first match wins: the rows' own tests (PNG,
// GIF, the JPEG test, layered, the RAW test, TIFF), then the row of the class the
// registry names for the extension, and for anything else the RAW row.
const TFileRoute& LoadRouteFor(const std::string& fileName);
// The EXIF block (from its TIFF header on) that the codec of the file's row
// finds in its container; empty when the row leaves EXIF to Exiv2, or the file
// has none. Never throws.
std::vector<uint8_t> ContainerExifBlock(const std::string& fileName);
// The row whose writer takes the name; null when no writer does.
const TFileRoute* SaveRouteFor(const std::string& fileName);

// Called around a read or a write with the format object and the step; an
// answer of false cancels. An empty notification never cancels.
using TRouteNotify = std::function<bool(TGraphic* graphic, TImageFileStep step)>;

// Reads the file through its row into target: notify ifBeforeLoad, read,
// notify ifAfterLoad, hand over. Returns 1, or 0 when notify cancelled (target
// untouched); what the read learned is in result either way. Throws on failure.
int RunLoadRoute(const std::string& fileName, bool preview, TBitmap& target, TReadResult& result,
                 const TRouteNotify& notify);
// Writes the file through its row, safely (a temporary renamed over the target):
// notify ifBeforeSave, write, notify ifAfterSave. Returns 1, or 0 when notify
// cancelled (nothing written). Throws EUnsupportedFormat when no writer takes the
// name, or what the writer throws; the target is untouched on failure.
int RunSaveRoute(const std::string& fileName, const TSaveSource& source, const TWriteOptions& options,
                 const TRouteNotify& notify);

// Reads the image in the file by its route (preview: reduced decoding where the
// reader offers it). Throws EReadError, EUnsupportedFormat or EOutOfLimits.
TBitmap ReadImageFile(const std::string& path, TReadResult* result = nullptr, bool preview = false);

// Writes the bitmap in the format of the file's extension (".ovi" as a one-layer
// layered file) through a temporary file. Throws EUnsupportedFormat or
// EWriteError; the target is untouched on failure.
void WriteImageFile(const std::string& path, const TBitmap& bitmap, const TWriteOptions& options);
void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution);

// Writes every file or none: each goes to its own temporary, and all replace
// their targets only once every one is written. On failure failedPath, when
// given, names the output the exception is about.
struct TImageOutput {
  std::string Path;
  TSaveSource Source;
  TWriteOptions Options{};
};
void WriteImageFiles(const std::vector<TImageOutput>& outputs, std::string* failedPath = nullptr);

}  // namespace velinor
