#pragma once
// The blocks of the layered .ovi format and the flat reader. Layout, in order:
// signature "Quillorvane Image", version byte, width, height, resolutions x1000,
// a 256-byte comment, a colour count, the thumbnail block, the layer count, a
// "Preview" record of the composite (documents of two or more layers only), then
// the layer records. All integers little-endian; compressed bodies are zlib streams.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/files/Graphic.h"
#include "core/files/OviStream.h"
#include "core/document/LayeredImage.h"

namespace velinor {

inline constexpr char OviSignature[] = "Quillorvane Image";
inline constexpr size_t OviSignatureLength = 17;
inline constexpr char OviThumbnailTag[] = "Thumbnail";
inline constexpr size_t OviThumbnailTagLength = 9;
inline constexpr uint8_t OviVersion = 3;
inline constexpr size_t OviCommentSize = 256;
inline constexpr int OviMaxNameLength = 255;
inline constexpr char OviInvalidMode[] = "Invalid compression mode !";

enum : int { ovRaw = 0, ovZlib = 1 };

// What the writers use: zlib bodies and a thumbnail of 150 pixels on its longer side.
struct TOviWriteOptions {
  int CompressionMode = ovZlib;
  int ThumbnailBox = 150;
};

// ---- bodies and blocks ----------------------------------------------------------
// A 24-bit body: width, height, then raw rows top-down (unpadded B,G,R) or a length
// field and a zlib stream of the bottom-up rows padded to 4 bytes. Grey bodies hold
// the first (blue) byte of each pixel, top-down and unpadded either way.
// A zlib body is compressed when the writer is finished and reads the bitmap then,
// so the bitmap must outlive that.

void WriteImageBody24(TOviWriter& out, const TBitmap& image, int mode);
void ReadImageBody24(TOviSource& in, int mode, TBitmap& image);
void WriteGreyBody(TOviWriter& out, const TBitmap& image, int mode);
void ReadGreyBody(TOviSource& in, int mode, TBitmap& image);

// Mode byte, body, transparent flag, transparent colour (+0x02000000).
void WriteColorImageBlock(TOviWriter& out, const TBitmap& image, int mode);
void ReadColorImageBlock(TOviSource& in, TBitmap& image);
// Mode byte, grey body; read back as 24-bit pixels (v, v, v).
void WriteGreyImageBlock(TOviWriter& out, const TBitmap& image, int mode);
void ReadGreyImageBlock(TOviSource& in, TBitmap& image);
// The same block from a plane of width x height bytes given row by row, and read
// back as that plane when it has exactly that size (EReadError otherwise, before
// anything is allocated for it); GreyPlaneBitmap makes such a plane 24-bit pixels.
void WriteGreyPlaneBlock(TOviWriter& out, int width, int height, TRowFiller fill, int mode);
std::vector<uint8_t> ReadGreyPlaneBlock(TOviSource& in, int width, int height);
TBitmap GreyPlaneBitmap(const std::vector<uint8_t>& plane, int width, int height);

// The stored transparent colour of a layer image: its own transparent colour or
// else its bottom-left pixel, plus 0x02000000.
int32_t StoredTransparentColor(const TBitmap& image);

// The thumbnail of the composite, its longer side box pixels (smaller images are
// enlarged), resampled with the interpolating stretch. Empty for an empty image.
TBitmap MakeOviThumbnail(const TBitmap& image, int box);
// Its size alone.
void OviThumbnailSize(int width, int height, int box, int& thumbWidth, int& thumbHeight);

// Length, "Thumbnail", mode as int32, body.
void WriteThumbnailBlock(TOviWriter& out, const TBitmap& thumbnail, int mode);
void ReadThumbnailBlock(TOviSource& in, TBitmap& thumbnail);

// One layer record. The image of the record may be given apart from the item
// (the "Preview" record writes the composite without copying it).
void WriteLayerRecord(TOviWriter& out, const TLayerItem& item, const TBitmap& image, int mode);
void ReadLayerRecord(TOviSource& in, TLayerItem& item);

// ---- documents --------------------------------------------------------------------

struct TOviHeader {
  int Version = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ResolutionX = 0;  // dots per inch x 1000
  int32_t ResolutionY = 0;
  std::string Comment;
  int32_t ColorCount = 0;
};

void WriteOviHeader(TOviWriter& out, const TOviHeader& header);
// Checks the signature and version (1, 2 or 3) and the stored size.
TOviHeader ReadOviHeader(TOviSource& in);

// Reads a whole document back into doc (every layer, not the "Preview" record):
// the composite is the stored preview for two or more layers, else the flattened
// single layer. Used to inspect files; the program itself opens them flat.
void ReadLayeredDocument(TOviSource& in, TMyImageLayered& doc);

// The layer count, then the "Preview" record of the composite when one is given
// (not counted), then every layer from the bottom up. Where the layers leave the
// background showing, the preview record gets a mask and its colours taken off
// that background.
void WriteLayers(TOviWriter& out, const TLayerList& layers, const TBitmap* composite,
                 TColor background = 0xFFFFFF);

// The whole document in the layered format. The large bodies are compressed when
// out is finished and read the document's bitmaps then: finish out before changing
// or freeing the document.
void SaveLayeredStream(TOviWriter& out, TMyImageLayered& doc);
std::vector<uint8_t> SaveLayeredStream(TMyImageLayered& doc);
// Writes the file straight at fileName (created or truncated).
void WriteLayeredFile(TMyImageLayered& doc, const std::string& fileName);
// Writes the file through a temporary beside it, renamed over the target when complete.
void SaveLayeredFile(TMyImageLayered& doc, const std::string& fileName);
// Writes the image as a one-layer layered document (what saving a flat picture in
// the layered format means).
void WriteSingleLayerOvi(const std::string& fileName, const TBitmap& image);

// The flat reader: a bitmap that loads the picture a layered file shows, or only
// its thumbnail when PreviewOnly is set, and keeps the header values. It is the
// format object the load dispatch reads layered files with.
class TMyImageLayeredReg : public TBitmap, public TGraphic {
 public:
  std::string ClassName() const override { return "TMyImageLayeredReg"; }

  bool PreviewOnly = false;
  int Version = 0;
  int ImageWidth = 0;
  int ImageHeight = 0;
  double Resolution = 0;  // pixels per inch, horizontal
  std::string Comment;
  int ColorCount = 0;

  void LoadFromFile(const std::string& fileName);
  void LoadFromMemory(const uint8_t* data, size_t size);
  void LoadFromStream(TOviSource& in);
};

// The flat picture of a layered file (the composite it stores).
TBitmap ReadOviFile(const std::string& fileName);

// Reads every layer of fileName when it is a layered file of exactly two layers
// (other files and read errors give false and leave doc alone: the flat reader
// is the one that reports them).
bool ReadTwoLayerOvi(const std::string& fileName, TMyImageLayered& doc);

}  // namespace velinor
