#include "ImageDispatch.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BmpCodec.h"
#include "FormatRegistry.h"
#include "JpegUtils.h"
#include "RawImage.h"
#include "SafeFile.h"
#include "base/Errors.h"

namespace velinor {

namespace {

// Dialogs may be resized on systems of major version 5 or more.
bool PlatformAllowsSizeable() {
  utsname u{};
  if (uname(&u) != 0) return true;
  return std::atoi(u.release) >= 5;
}

TOptionsOE MakeStartOptions() {
  TOptionsOE o;
  o.Sizeable = PlatformAllowsSizeable();
  return o;
}

IFileDialogs* fileDialogs = nullptr;
IMessageSink* messageSink = nullptr;
bool previewMode = false;

void ShowError(const std::string& text) {
  if (messageSink)
    messageSink->ShowError(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

// Calls the hook (never in preview mode); the answer is whether to go on.
bool Notify(TGraphic* graphic, const std::string& fileName, TImageFileStep step) {
  bool cont = true;
  if (OnImageFile && !previewMode) OnImageFile(graphic, fileName, step, cont);
  return cont;
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string RemoveExtension(const std::string& name) {
  const auto sep = name.find_last_of("/\\:");
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name;
  return name.substr(0, dot);
}

std::string FormatMessage(const char* pattern, const std::string& name) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, name);
  return text;
}

// One load route: hook before, read, hook after, hand over. Returns the result code
// (exceptions pass to the caller).
template <typename Read>
int RunLoad(TGraphic& reader, const std::string& fileName, Read&& read) {
  if (!Notify(&reader, fileName, ifBeforeLoad)) return irCancelled;
  read();
  if (!Notify(&reader, fileName, ifAfterLoad)) return irCancelled;
  return irDone;
}

int LoadByRoute(const std::string& name, TBitmap& target) {
  TReadInfo info;
  switch (ChooseLoadRoute(name)) {
    case TLoadRoute::Png: {
      TFormatGraphic png("TPngImage");
      const int r = RunLoad(png, name, [&] { png.Bitmap = ReadPngRoute(name, info); });
      if (r == irDone) target = std::move(png.Bitmap);
      return r;
    }
    case TLoadRoute::Gif: {
      TFormatGraphic gif("TGIFImage");
      const int r = RunLoad(gif, name, [&] {
        gif.Bitmap = ReadGifRoute(name, info);
        OptionsOE.GifAnimated = info.Animated;
      });
      if (r == irDone) target = std::move(gif.Bitmap);
      return r;
    }
    case TLoadRoute::Jpeg: {
      TJpegImage2 jpeg;
      jpeg.PreviewLoad = previewMode;
      const int r = RunLoad(jpeg, name, [&] {
        jpeg.LoadFromFile(name);
        OptionsOE.OrigWidth = jpeg.OrigWidth;
        OptionsOE.OrigHeight = jpeg.OrigHeight;
      });
      if (r == irDone) {
        target = std::move(jpeg.Bitmap);
        if (target.PixelFormat() == TPixelFormat::pf32bit) target.SetPixelFormat(TPixelFormat::pf24bit);
      }
      return r;
    }
    case TLoadRoute::Layered: {
      TFormatGraphic layered("TMyImageLayeredReg");
      const int r = RunLoad(layered, name, [&] {
        layered.Bitmap = ReadLayeredRoute(name, previewMode, info);
        OptionsOE.OrigWidth = info.OrigWidth;
        OptionsOE.OrigHeight = info.OrigHeight;
      });
      if (r == irDone) target = std::move(layered.Bitmap);
      return r;
    }
    case TLoadRoute::Raw: {
      TRawImage raw(name);
      raw.PreviewLoad = previewMode;
      const int r = RunLoad(raw, name, [&] {
        raw.LoadFromFile(name);
        OptionsOE.OrigWidth = raw.Width;
        OptionsOE.OrigHeight = raw.Height;
      });
      if (r == irDone) target = std::move(raw.Bitmap);
      return r;
    }
    case TLoadRoute::Tiff: {
      TFormatGraphic tiff("TTiffImage");
      const int r = RunLoad(tiff, name, [&] { tiff.Bitmap = ReadTiffRoute(name, info); });
      if (r == irDone) target = std::move(tiff.Bitmap);
      return r;
    }
    case TLoadRoute::Generic: {
      const std::string cls = FileFormatList().ClassOf(LowerExtension(name).substr(1));
      TFormatGraphic picture(cls);
      const int r = RunLoad(picture, name, [&] { picture.Bitmap = ReadGenericRoute(name, cls, info); });
      if (r == irDone) target = std::move(picture.Bitmap);
      return r;
    }
  }
  return irFailed;
}

void AskOpenName(std::string& name, const std::string& initialDir) {
  TOpenDialogRequest request;
  request.Title = OptionsOE.OpenTitle;
  request.Sizeable = OptionsOE.Sizeable;
  request.Filter = BuildOpenFilter();
  request.InitialDir = initialDir;
  request.Preview = OptionsOE.Preview;
  std::string chosen;
  if (fileDialogs) chosen = fileDialogs->ExecuteOpen(request);
  OptionsOE.Preview = request.Preview;
  if (!chosen.empty()) name = chosen;
}

// Writes the flat image by route; returns the result code (exceptions pass).
int SaveByRoute(const std::string& name, const TBitmap& image) {
  const TSaveRoute route = ChooseSaveRoute(name);
  if (route == TSaveRoute::None) throw EUnsupportedFormat("no writer for " + name);

  if (route == TSaveRoute::Jpeg) {
    // The hook (the JPEG options dialog) sees the object while it is still empty;
    // its quality and progressive choice stay on it when the image comes in.
    TJpegImage2 jpeg;
    if (!Notify(&jpeg, name, ifBeforeSave)) return irCancelled;
    jpeg.Assign(image);
    jpeg.JpegExif = OptionsOE.JpegExif;
    jpeg.JpegExifFromJpeg = OptionsOE.JpegExifFromJpeg;
    jpeg.ExifSource = OptionsOE.ExifSource;
    jpeg.SaveComment = OptionsOE.SaveComment;
    jpeg.Resolution = OptionsOE.Resolution;
    jpeg.SaveWithOptions(name);
    Notify(&jpeg, name, ifAfterSave);
    return irDone;
  }

  std::unique_ptr<TGraphic> object;
  switch (route) {
    case TSaveRoute::Bmp:
    case TSaveRoute::Rle: object = std::make_unique<TBitmapGraphic>(image); break;
    case TSaveRoute::Gif: object = std::make_unique<TFormatGraphic>("TGIFImage"); break;
    case TSaveRoute::Targa: object = std::make_unique<TFormatGraphic>("TTargaGraphic"); break;
    case TSaveRoute::Png: object = std::make_unique<TFormatGraphic>("TPngImage"); break;
    default: object = std::make_unique<TFormatGraphic>("TTiffImage"); break;
  }
  if (!Notify(object.get(), name, ifBeforeSave)) return irCancelled;
  TWriteOptions o;
  o.Resolution = OptionsOE.Resolution;
  o.TgaRle = OptionsOE.TgaRle;
  o.GifOptimize = OptionsOE.GifOptimize;
  o.GifInterlaced = OptionsOE.GifInterlaced;
  switch (route) {
    case TSaveRoute::Bmp: WriteBmpFile(name, image, o.Resolution); break;
    case TSaveRoute::Rle: WriteRleRoute(name, image); break;
    case TSaveRoute::Gif: WriteGifRoute(name, image, o); break;
    case TSaveRoute::Targa: WriteTargaRoute(name, image, o.TgaRle); break;
    case TSaveRoute::Png: WritePngRoute(name, image, o.Resolution); break;
    default: WriteTiffRoute(name, image, o.Resolution); break;
  }
  Notify(object.get(), name, ifAfterSave);
  return irDone;
}

}  // namespace

TOptionsOE OptionsOE = MakeStartOptions();
TImageFileEvent OnImageFile;

void SetFileDialogs(IFileDialogs* dialogs) { fileDialogs = dialogs; }
void SetMessageSink(IMessageSink* sink) { messageSink = sink; }
bool InPreviewMode() { return previewMode; }

std::string LoadFailedMessage(const std::string& fileName) {
  return FormatMessage("Unable to load image in file \"%s\" !", fileName);
}
std::string SaveFailedMessage(const std::string& fileName) {
  return FormatMessage("Unable to save image in file \"%s\" !", fileName);
}

int LoadImageFile(std::string& fileName, TBitmap& target, const std::string& initialDir) {
  InitImageFiles();
  int result = irCancelled;
  OptionsOE.OrigWidth = 0;
  OptionsOE.OrigHeight = 0;
  OptionsOE.GifAnimated = false;
  if (fileName.empty() && !previewMode) AskOpenName(fileName, initialDir);
  if (!fileName.empty()) {
    try {
      result = LoadByRoute(fileName, target);
    } catch (...) {
      result = irFailed;
    }
  }
  if (result < 0) {
    if (!previewMode) {
      try {
        Notify(nullptr, fileName, ifError);
      } catch (...) {
      }
      if (!OptionsOE.Quiet) ShowError(LoadFailedMessage(fileName));
    }
  } else if (result > 0 && (OptionsOE.OrigWidth <= 0 || OptionsOE.OrigHeight <= 0)) {
    OptionsOE.OrigWidth = target.Width();
    OptionsOE.OrigHeight = target.Height();
  }
  OptionsOE.Quiet = false;
  return result;
}

int LoadImagePreview(std::string& fileName, TBitmap& target) {
  previewMode = true;
  struct Off {
    ~Off() { previewMode = false; }
  } off;
  return LoadImageFile(fileName, target, "");
}

TSaveDialogRequest MakeSaveDialogRequest(const std::string& initial) {
  InitImageFiles();
  TSaveDialogRequest r;
  r.Title = OptionsOE.SaveTitle;
  r.Sizeable = OptionsOE.Sizeable;
  r.Filter = BuildSaveFilter();
  r.DefaultExt = SaveFormats().empty() ? ".bmp" : SaveFormats()[0].Extensions;
  r.FilterIndex = 1;
  if (initial.empty()) return r;
  if (DirectoryExists(initial)) {
    r.InitialDir = initial;
    return r;
  }
  const int index = FindSaveFilterIndex(initial);
  r.FileName = initial;
  if (index >= 0) {
    r.FilterIndex = index + 1;
  } else {
    r.FileName = RemoveExtension(initial);
  }
  return r;
}

std::string ExecuteSaveDialog(const std::string& initial) {
  const TSaveDialogRequest request = MakeSaveDialogRequest(initial);
  return fileDialogs ? fileDialogs->ExecuteSave(request) : std::string();
}

namespace {

// The end of every save: a failure is announced to the hook and shown once
// (unless Quiet), and Quiet only lasts for one operation.
int FinishSave(const std::string& fileName, int result) {
  if (result < 0) {
    try {
      Notify(nullptr, fileName, ifError);
    } catch (...) {
    }
    if (!OptionsOE.Quiet) ShowError(SaveFailedMessage(fileName));
  }
  OptionsOE.Quiet = false;
  return result;
}

}  // namespace

int SaveFlatImage(std::string& fileName, const TBitmap& image, const std::string& initial) {
  if (fileName.empty()) fileName = ExecuteSaveDialog(initial);
  if (fileName.empty()) {
    OptionsOE.Quiet = false;
    return irCancelled;
  }
  int result;
  try {
    result = SaveByRoute(fileName, image);
  } catch (...) {
    result = irFailed;
  }
  return FinishSave(fileName, result);
}

int SaveImageFile(std::string& fileName, const TBitmap& flatImage, ILayeredDocument* layered,
                  const std::string& initial) {
  if (fileName.empty()) fileName = ExecuteSaveDialog(initial);
  if (fileName.empty()) {
    OptionsOE.Quiet = false;
    return irCancelled;
  }
  if (!IsOviFile(fileName)) return SaveFlatImage(fileName, flatImage, "");

  int result;
  try {
    if (!layered) throw EWriteError("no layered document");
    if (!Notify(layered, fileName, ifBeforeSave)) {
      result = irCancelled;
    } else {
      SaveAtomically(fileName, [&](const std::string& temp) { layered->SaveLayeredFile(temp); });
      Notify(layered, fileName, ifAfterSave);
      result = irDone;
    }
  } catch (...) {
    result = irFailed;
  }
  return FinishSave(fileName, result);
}

}  // namespace velinor
