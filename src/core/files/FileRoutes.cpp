#include "core/files/FileRoutes.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/CameraData.h"
#include "core/files/FormatRegistry.h"
#include "core/files/GifCodec.h"
#include "core/files/HeifCodec.h"
#include "core/files/IcoReader.h"
#include "core/files/JpegUtils.h"
#include "core/files/JxlCodec.h"
#include "core/files/OvImage.h"
#include "core/files/OvsImage.h"
#include "core/files/PcxReader.h"
#include "core/files/PictureInfo.h"
#include "core/files/PicturePreview.h"
#include "core/files/PngUtils.h"
#include "core/files/PnmReader.h"
#include "core/files/RawImage.h"
#include "core/files/RleBmp.h"
#include "core/files/DecodedPicture.h"
#include "core/files/SafeFile.h"
#include "core/files/SgiReader.h"
#include "core/files/TargaCodec.h"
#include "core/files/TiffUtils.h"
#include "core/files/WebpCodec.h"

namespace velinor {

namespace {

bool ExtIs(const std::string& fileName, std::initializer_list<const char*> exts) {
  const std::string ext = LowerExtension(fileName);
  for (const char* e : exts)
    if (ext == e) return true;
  return false;
}

TFormatObject Own(std::unique_ptr<TGraphic> graphic) {
  TFormatObject object;
  object.Object = graphic.get();
  object.Owned = std::move(graphic);
  return object;
}

template <class T>
std::unique_ptr<TGraphic> MakeReaderOf(const std::string&) {
  return std::make_unique<T>();
}

// A reader of pictures held in memory, over the whole file.
template <TBitmap (*Decode)(const uint8_t*, size_t)>
TBitmap& ReadWhole(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  call.Picture = Decode(bytes.data(), bytes.size());
  return call.Picture;
}

// Formats without alpha take a picture with see-through parts flattened onto
// white, as the open dialog's preview shows it; any other picture as it is.
const TBitmap& WithoutAlpha(const TBitmap& image, TBitmap& flat) {
  if (!HasAlpha(image)) return image;
  flat = image;
  FlattenOntoWhite(flat);
  return flat;
}

// ---- PNG ------------------------------------------------------------------------

TBitmap& ReadPngRow(const TReadCall& call) {
  auto& png = static_cast<TPngImage&>(call.Graphic);
  png.LoadFromFile(call.Path);
  call.Result.DepthCode = png.DepthCode;
  call.Result.Origin.ProfileConverted = FinishPicture(png, png.IccProfile, 1);
  return png;
}

TFormatObject MakePngWriter(const TSaveSource&, const TWriteOptions& options) {
  auto png = std::make_unique<TPngImage>();
  png->Resolution = options.Resolution;
  png->SaveComment = options.Comment;
  png->SrgbChunk = options.TagSrgb;
  return Own(std::move(png));
}

void WritePngRow(const TWriteCall& call) {
  WriteFileBytes(call.Path, static_cast<const TPngImage&>(call.Graphic).Encode(call.Source.Image));
}

// ---- GIF ------------------------------------------------------------------------

TBitmap& ReadGifRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  int frames = 0;
  call.Picture = ReadGif(bytes.data(), bytes.size(), &frames);
  call.Result.FrameCount = frames;
  return call.Picture;
}

void WriteGifRow(const TWriteCall& call) {
  TGifWriteOptions gif;
  gif.Optimize = call.Options.GifOptimize;
  gif.Interlaced = call.Options.GifInterlaced;
  gif.Comment = call.Options.Comment;
  WriteFileBytes(call.Path, EncodeGif(call.Source.Image, gif));
}

// ---- JPEG -----------------------------------------------------------------------

TBitmap& ReadJpegRow(const TReadCall& call) {
  auto& jpeg = static_cast<TJpegImage2&>(call.Graphic);
  jpeg.PreviewLoad = call.Preview;
  jpeg.LoadFromFile(call.Path);
  const int orientation = ExifOrientation(jpeg.ExifPayload);
  call.Result.OrigWidth = jpeg.OrigWidth;
  call.Result.OrigHeight = jpeg.OrigHeight;
  UprightSize(orientation, call.Result.OrigWidth, call.Result.OrigHeight);
  call.Result.Exif = jpeg.ExifPayload;
  if (jpeg.Bitmap.PixelFormat() == TPixelFormat::pf32bit) jpeg.Bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  call.Result.Origin.ProfileConverted = FinishPicture(jpeg.Bitmap, jpeg.IccProfile, orientation);
  return jpeg.Bitmap;
}

// The hook (the JPEG options dialog) sees the object while it is still empty;
// its quality and progressive choice stay on it when the image comes in.
TFormatObject MakeJpegWriter(const TSaveSource&, const TWriteOptions& options) {
  auto jpeg = std::make_unique<TJpegImage2>();
  jpeg->CompressionQuality = options.JpegQuality;
  jpeg->ProgressiveEncoding = options.JpegProgressive;
  jpeg->SrgbProfile = options.TagSrgb;
  return Own(std::move(jpeg));
}

void WriteJpegRow(const TWriteCall& call) {
  auto& jpeg = static_cast<TJpegImage2&>(call.Graphic);
  TBitmap flat;
  jpeg.Assign(WithoutAlpha(call.Source.Image, flat));
  jpeg.JpegExif = call.Options.JpegExif;
  jpeg.JpegExifFromJpeg = call.Options.JpegExifFromJpeg;
  jpeg.ExifSource = call.Options.ExifSource;
  jpeg.SaveComment = call.Options.Comment;
  jpeg.Resolution = call.Options.Resolution;
  WriteFileBytes(call.Path, jpeg.SaveToMemory());
  if (!call.Options.CameraDataSource.empty()) CarryCameraData(call.Options.CameraDataSource, call.Path);
}

// ---- the layered format ---------------------------------------------------------

TBitmap& ReadLayeredRow(const TReadCall& call) {
  auto& reader = static_cast<TMyImageLayeredReg&>(call.Graphic);
  reader.PreviewOnly = call.Preview;
  reader.LoadFromFile(call.Path);
  call.Result.OrigWidth = reader.ImageWidth;
  call.Result.OrigHeight = reader.ImageHeight;
  return reader;
}

// A flat picture saved in the layered format: a document of one layer.
class TSingleLayerDocument : public ILayeredDocument {
 public:
  explicit TSingleLayerDocument(const TBitmap& image) { document_.SetSingleLayer(image, nullptr, "#0"); }
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override { WriteLayeredFile(document_, fileName); }

 private:
  TMyImageLayered document_;
};

TFormatObject MakeLayeredWriter(const TSaveSource& source, const TWriteOptions&) {
  if (!source.Layered) return Own(std::make_unique<TSingleLayerDocument>(source.Image));
  TFormatObject object;
  object.Object = source.Layered;
  return object;
}

void WriteLayeredRow(const TWriteCall& call) { static_cast<ILayeredDocument&>(call.Graphic).SaveLayeredFile(call.Path); }

// ---- camera RAW -----------------------------------------------------------------

std::unique_ptr<TGraphic> MakeRawReader(const std::string& fileName) { return std::make_unique<TRawImage>(fileName); }

TBitmap& ReadRawRow(const TReadCall& call) {
  auto& raw = static_cast<TRawImage&>(call.Graphic);
  raw.PreviewLoad = call.Preview;
  raw.LoadFromFile(call.Path);
  call.Result.OrigWidth = raw.Width;
  call.Result.OrigHeight = raw.Height;
  return raw.Bitmap;
}

// ---- TIFF -----------------------------------------------------------------------

TBitmap& ReadTiffRow(const TReadCall& call) {
  auto& tiff = static_cast<TTiffImage&>(call.Graphic);
  tiff.LoadFromFile(call.Path);
  call.Result.DepthCode = tiff.DepthCode;
  call.Result.Origin.ProfileConverted = FinishPicture(tiff, tiff.IccProfile, tiff.PendingOrientation);
  return tiff;
}

TFormatObject MakeTiffWriter(const TSaveSource&, const TWriteOptions& options) {
  auto tiff = std::make_unique<TTiffImage>();
  tiff->Resolution = options.Resolution;
  tiff->SrgbProfile = options.TagSrgb;
  return Own(std::move(tiff));
}

void WriteTiffRow(const TWriteCall& call) {
  static_cast<const TTiffImage&>(call.Graphic).WriteImage(call.Path, call.Source.Image);
  if (!call.Options.CameraDataSource.empty()) CarryCameraData(call.Options.CameraDataSource, call.Path);
}

// ---- BMP, RLE, Targa and the other readers ----------------------------------------

TBitmap& ReadBmpRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  call.Picture = ReadBmp(bytes.data(), bytes.size());
  // Palette files come out as 24-bit pixels; their depth is the file's.
  const int palette = BmpPaletteDepthCode(bytes.data(), bytes.size());
  call.Result.DepthCode = palette ? palette : DepthCodeOf(call.Picture.PixelFormat());
  return call.Picture;
}

// The BMP and RLE writers use the image itself.
TFormatObject MakeBitmapWriter(const TSaveSource& source, const TWriteOptions&) {
  return Own(std::make_unique<TBitmapGraphic>(source.Image));
}

void WriteBmpRow(const TWriteCall& call) {
  TBitmap flat;
  std::vector<uint8_t> bytes = EncodeBmp(WithoutAlpha(call.Source.Image, flat));
  SetBmpResolution(bytes, call.Options.Resolution);
  WriteFileBytes(call.Path, bytes);
}

void WriteRleRow(const TWriteCall& call) {
  TBitmap flat;
  WriteFileBytes(call.Path, EncodeRle8Bmp(WithoutAlpha(call.Source.Image, flat)));
}

void WriteTargaRow(const TWriteCall& call) {
  WriteFileBytes(call.Path, EncodeTga(call.Source.Image, call.Options.TgaRle));
}

TBitmap& ReadOvsRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  call.Picture = ReadOvs(bytes.data(), bytes.size());
  return call.Picture;
}

// ---- HEIF, AVIF, WebP, JPEG XL ----------------------------------------------------

// What these readers learn, into the read's result; the pixels into call.Picture.
TBitmap& TakeDecoded(const TReadCall& call, TDecodedPicture&& p) {
  FinishDecodedPicture(p);
  call.Result.OrigWidth = p.StoredWidth;
  call.Result.OrigHeight = p.StoredHeight;
  call.Result.DepthCode = p.DepthCode;
  call.Result.Exif = ExifAsJpegPayload(p.Exif);
  call.Result.Origin.ProfileConverted = p.ProfileConverted;
  call.Picture = std::move(p.Bitmap);
  return call.Picture;
}

TBitmap& ReadHeifRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  return TakeDecoded(call, ReadHeif(bytes.data(), bytes.size(), call.Preview));
}

TBitmap& ReadWebpRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  return TakeDecoded(call, ReadWebp(bytes.data(), bytes.size()));
}

TBitmap& ReadJxlRow(const TReadCall& call) {
  const std::vector<uint8_t> bytes = ReadPictureFileBytes(call.Path);
  return TakeDecoded(call, ReadJxl(bytes.data(), bytes.size()));
}

// Like JPEG, the hook (the quality dialog) sees the writer before the picture
// comes in; a 32-bit picture goes to WebP lossless and asks nothing.
TFormatObject MakeWebpWriter(const TSaveSource& source, const TWriteOptions& options) {
  auto webp = std::make_unique<TQualityGraphic>("TWebpImage");
  webp->Quality = options.JpegQuality;
  webp->AskQuality = !WebpOptionsFor(source.Image, options.JpegQuality).Lossless;
  return Own(std::move(webp));
}

void WriteWebpRow(const TWriteCall& call) {
  const int quality = static_cast<const TQualityGraphic&>(call.Graphic).Quality;
  WriteFileBytes(call.Path, EncodeWebp(call.Source.Image, WebpOptionsFor(call.Source.Image, quality)));
}

TFormatObject MakeAvifWriter(const TSaveSource&, const TWriteOptions& options) {
  auto avif = std::make_unique<TQualityGraphic>("TAvifImage");
  avif->Quality = options.JpegQuality;
  return Own(std::move(avif));
}

void WriteAvifRow(const TWriteCall& call) {
  WriteFileBytes(call.Path, EncodeAvif(call.Source.Image, static_cast<const TQualityGraphic&>(call.Graphic).Quality));
}

// The RAW row: names no other row or registry class claims end there.
const char* const RawRowName = "RAW";

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

const std::vector<TFileRoute>& FileRoutes() {
  // Name, registry class, load test, save test, reader object, read, writer object, write.
  static const std::vector<TFileRoute> rows = {
      {"PNG", "TPngImage", IsPngFile, IsPngFile, MakeReaderOf<TPngImage>, ReadPngRow, MakePngWriter, WritePngRow, {},
       {.KeyColorToAlpha = true}},
      {"GIF", "TGIFImage", IsGifFile, IsGifFile, nullptr, ReadGifRow, nullptr, WriteGifRow, {},
       {.KeyColorToAlpha = true}},
      {"JPEG", "TJPEGImage", IsJpegFile, IsJpegFile, MakeReaderOf<TJpegImage2>, ReadJpegRow, MakeJpegWriter,
       WriteJpegRow, {}, {.CameraLines = TCameraLines::ExifSummary}},
      {"Quillorvane", "TMyImageLayeredReg", IsOviFile, IsOviFile, MakeReaderOf<TMyImageLayeredReg>, ReadLayeredRow,
       MakeLayeredWriter, WriteLayeredRow},
      {RawRowName, "TRawImage", IsRawFile, nullptr, MakeRawReader, ReadRawRow, nullptr, nullptr,
       {CameraRawExtensionList, "Camera raw"}, {.CameraLines = TCameraLines::CameraName}},
      {"TIFF", "TTiffImage", IsTiffFile, IsTiffFile, MakeReaderOf<TTiffImage>, ReadTiffRow, MakeTiffWriter,
       WriteTiffRow, {}, {.CameraLines = TCameraLines::ExifSummary}},
      {"BMP", "TBitmap", nullptr, IsBmpFile, nullptr, ReadBmpRow, MakeBitmapWriter, WriteBmpRow},
      {"RLE", "TBitmap", nullptr, IsRleFile, nullptr, ReadBmpRow, MakeBitmapWriter, WriteRleRow},
      {"Targa", "TTargaGraphic", nullptr, IsTgaFile, nullptr, ReadWhole<ReadTga>, nullptr, WriteTargaRow},
      {"Icon", "TIcon", nullptr, nullptr, nullptr, ReadWhole<ReadIco>, nullptr, nullptr},
      {"Paintbrush", "TPCXGraphic", nullptr, nullptr, nullptr, ReadWhole<ReadPcx>, nullptr, nullptr},
      {"SGI", "TSGIGraphic", nullptr, nullptr, nullptr, ReadWhole<ReadSgi>, nullptr, nullptr},
      {"Portable map", "TPPMGraphic", nullptr, nullptr, nullptr, ReadWhole<ReadPnm>, nullptr, nullptr},
      {"Quillorvane Selection", "TOvsImage", nullptr, nullptr, nullptr, ReadOvsRow, nullptr, nullptr},
      // Registered so that the open filter lists them; no reader in this program.
      {"Metafile", "TMetafile", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Alias/Wavefront", "TRLAGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Photoshop", "TPSDGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Autodesk", "TAutodeskGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Photo-CD", "TPCDGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Dr. Halo", "TCUTGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      {"Paintshop Pro", "TPSPGraphic", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      // Today's formats, listed after the classic ones; WebP and AVIF are save rows 8 and 9.
      {"WebP", "TWebpImage", nullptr, nullptr, nullptr, ReadWebpRow, MakeWebpWriter, WriteWebpRow,
       {"webp", "WebP", ftRaster, ".webp", true}, {TCameraLines::ExifSummary, ReadWebpExif}},
      {"AVIF", "TAvifImage", nullptr, nullptr, nullptr, ReadHeifRow, MakeAvifWriter, WriteAvifRow,
       {"avif", "AVIF", ftRaster, ".avif", true}, {TCameraLines::ExifSummary, ReadHeifExif}},
      {"HEIF", "THeifImage", nullptr, nullptr, nullptr, ReadHeifRow, nullptr, nullptr,
       {"heic;heif;hif", "HEIF", ftRaster, nullptr, true}, {TCameraLines::ExifSummary, ReadHeifExif}},
      {"JPEG XL", "TJxlImage", nullptr, nullptr, nullptr, ReadJxlRow, nullptr, nullptr,
       {"jxl", "JPEG XL", ftRaster, nullptr, true}, {TCameraLines::ExifSummary, ReadJxlExif}},
  };
  return rows;
}

namespace {

const TFileRoute* RouteOfClass(const std::string& registryClass) {
  for (const TFileRoute& row : FileRoutes())
    if (registryClass == row.RegistryClass) return &row;
  return nullptr;
}

const TFileRoute& RawRoute() {
  for (const TFileRoute& row : FileRoutes())
    if (std::string_view(row.Name) == RawRowName) return row;
  throw std::logic_error("the route table has no RAW row");
}

std::string DescriptionOf(const TFileRoute& route) {
  for (const auto& c : FileFormatList().Classes())
    if (c.GraphicClass == route.RegistryClass) return c.Description;
  return route.Name;
}

}  // namespace

const TFileRoute& LoadRouteFor(const std::string& fileName) {
  // The rows' own extensions are in the registry before any name is routed.
  InitImageFiles();
  for (const TFileRoute& row : FileRoutes())
    if (row.LoadTest && row.LoadTest(fileName)) return row;
  const std::string ext = LowerExtension(fileName);
  if (ext.size() > 1)
    if (const TFileRoute* row = RouteOfClass(FileFormatList().ClassOf(ext.substr(1)))) return *row;
  return RawRoute();
}

std::vector<uint8_t> ContainerExifBlock(const std::string& fileName) {
  try {
    const TExifBlockReader block = LoadRouteFor(fileName).Facts.ExifBlock;
    if (!block) return {};
    const std::vector<uint8_t> bytes = ReadPictureFileBytes(fileName);
    return block(bytes.data(), bytes.size());
  } catch (const std::exception&) {
    return {};
  }
}

namespace {

// A row that brings its own save extensions (".heic;.heif") takes those names.
bool InSaveExtensions(const TFileRoute& row, const std::string& fileName) {
  const char* list = row.Registration.SaveExtensions;
  const std::string ext = LowerExtension(fileName);
  if (!list || ext.empty()) return false;
  const std::vector<std::string> names = SplitList(list);
  return std::find(names.begin(), names.end(), ext) != names.end();
}

}  // namespace

const TFileRoute* SaveRouteFor(const std::string& fileName) {
  for (const TFileRoute& row : FileRoutes()) {
    if (!row.Write) continue;
    if (row.SaveTest ? row.SaveTest(fileName) : InSaveExtensions(row, fileName)) return &row;
  }
  return nullptr;
}

int RunLoadRoute(const std::string& fileName, bool preview, TBitmap& target, TReadResult& result,
                 const TRouteNotify& notify) {
  const TFileRoute& route = LoadRouteFor(fileName);
  result = TReadResult{};
  result.Format = DescriptionOf(route);
  result.Origin.SourceFile = fileName;
  const std::unique_ptr<TGraphic> reader =
      route.MakeReader ? route.MakeReader(fileName) : std::make_unique<TFormatGraphic>(route.RegistryClass);
  if (notify && !notify(reader.get(), ifBeforeLoad)) return 0;
  if (!route.Read) throw EUnsupportedFormat(std::string("no ") + route.RegistryClass + " reader for " + fileName);
  TBitmap scratch;
  TBitmap& picture = route.Read(TReadCall{*reader, fileName, preview, result, scratch});
  if (notify && !notify(reader.get(), ifAfterLoad)) return 0;
  if (result.OrigWidth <= 0 || result.OrigHeight <= 0) {
    result.OrigWidth = picture.Width();
    result.OrigHeight = picture.Height();
  }
  result.TransparencyCode = TransparencyCodeOf(picture);
  if (!preview && route.Facts.KeyColorToAlpha) TransparentColorToAlpha(picture);
  target = std::move(picture);
  return 1;
}

namespace {

const TFileRoute& WriterFor(const std::string& fileName) {
  if (const TFileRoute* route = SaveRouteFor(fileName)) return *route;
  const std::string ext = LowerExtension(fileName);
  throw EUnsupportedFormat("no " + (ext.empty() ? std::string("(no extension)") : ext) + " writer for " + fileName);
}

TFormatObject MakeWriterObject(const TFileRoute& route, const TSaveSource& source, const TWriteOptions& options) {
  return route.MakeWriter ? route.MakeWriter(source, options) : Own(std::make_unique<TFormatGraphic>(route.RegistryClass));
}

}  // namespace

int RunSaveRoute(const std::string& fileName, const TSaveSource& source, const TWriteOptions& options,
                 const TRouteNotify& notify) {
  const TFileRoute& route = WriterFor(fileName);
  const TFormatObject writer = MakeWriterObject(route, source, options);
  if (notify && !notify(writer.Object, ifBeforeSave)) return 0;
  SaveAtomically(fileName,
                 [&](const std::string& temp) { route.Write(TWriteCall{*writer.Object, temp, source, options}); });
  if (notify) notify(writer.Object, ifAfterSave);
  return 1;
}

void CarryOver(const TPictureOrigin& origin, TWriteOptions& options) {
  options.TagSrgb = origin.ProfileConverted;
  options.CameraDataSource = origin.SourceFile;
}

TBitmap ReadImageFile(const std::string& path, TReadResult* resultOut, bool preview) {
  TReadResult local;
  TBitmap picture;
  RunLoadRoute(path, preview, picture, resultOut ? *resultOut : local, nullptr);
  return picture;
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, const TWriteOptions& options) {
  RunSaveRoute(path, TSaveSource{bitmap}, options, nullptr);
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  TWriteOptions o;
  o.Resolution = resolution;
  WriteImageFile(path, bitmap, o);
}

void WriteImageFiles(const std::vector<TImageOutput>& outputs, std::string* failedPath) {
  std::string local;
  std::string& current = failedPath ? *failedPath : local;
  // Every name is checked before anything is written.
  std::vector<const TFileRoute*> routes;
  for (const TImageOutput& out : outputs) {
    current = out.Path;
    routes.push_back(&WriterFor(out.Path));
  }
  TSaveTransaction save;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const TImageOutput& out = outputs[i];
    current = out.Path;
    const TFormatObject writer = MakeWriterObject(*routes[i], out.Source, out.Options);
    save.Stage(out.Path, [&](const std::string& temp) {
      routes[i]->Write(TWriteCall{*writer.Object, temp, out.Source, out.Options});
    });
  }
  save.Commit(&current);
  current.clear();
}

}  // namespace velinor
