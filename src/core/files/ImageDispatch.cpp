#include "core/files/ImageDispatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/Errors.h"
#include "core/files/FormatRegistry.h"

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

// The hook as the routes call it.
TRouteNotify HookFor(const std::string& fileName) {
  return [fileName](TGraphic* graphic, TImageFileStep step) { return Notify(graphic, fileName, step); };
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

// The writers' options as "Save as" left them in OptionsOE, with what the read
// of the picture learned.
TWriteOptions SaveOptions(const TPictureOrigin& origin) {
  TWriteOptions o;
  o.Resolution = OptionsOE.Resolution;
  o.JpegExif = OptionsOE.JpegExif;
  o.JpegExifFromJpeg = OptionsOE.JpegExifFromJpeg;
  o.ExifSource = OptionsOE.ExifSource;
  o.Comment = OptionsOE.SaveComment;
  o.TgaRle = OptionsOE.TgaRle;
  o.GifOptimize = OptionsOE.GifOptimize;
  o.GifInterlaced = OptionsOE.GifInterlaced;
  CarryOver(origin, o);
  return o;
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
std::string LoadFailureCause(const std::string& fileName, const std::exception_ptr& error) {
  // A file that cannot be opened says so, whatever the reader made of it.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string("The file cannot be opened: ") + std::strerror(errno);
  ::close(fd);
  auto damaged = [](const char* why) {
    return *why ? std::string("The file is damaged: ") + why : std::string("The file is damaged");
  };
  try {
    if (error) std::rethrow_exception(error);
  } catch (const EPictureTooLarge& e) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "The picture is %lld \u00d7 %lld pixels; Velinor opens pictures up to %d \u00d7 %d pixels "
                  "and %lld million pixels",
                  static_cast<long long>(e.Width), static_cast<long long>(e.Height), MaxImageSide, MaxImageSide,
                  static_cast<long long>(MaxImageBytes() / std::max(1, e.BytesPerPixel) / 1000000));
    return text;
  } catch (const EOutOfLimits& e) {
    return std::string("The file is too large to open: ") + e.what();
  } catch (const EUnsupportedFormat&) {
    return "This kind of file cannot be read";
  } catch (const std::bad_alloc&) {
    return "There is not enough memory to open this picture";
  } catch (const std::exception& e) {
    return damaged(e.what());
  } catch (...) {
  }
  return damaged("");
}

std::string SaveFailedMessage(const std::string& fileName) {
  return FormatMessage("Unable to save image in file \"%s\" !", fileName);
}

int LoadImageFile(std::string& fileName, TBitmap& target, const std::string& initialDir, TReadResult* readResult) {
  InitImageFiles();
  TReadResult local;
  TReadResult& read = readResult ? *readResult : local;
  read = TReadResult{};
  int result = irCancelled;
  OptionsOE.OrigWidth = 0;
  OptionsOE.OrigHeight = 0;
  OptionsOE.GifAnimated = false;
  if (fileName.empty() && !previewMode) AskOpenName(fileName, initialDir);
  if (!fileName.empty()) {
    try {
      result = RunLoadRoute(fileName, previewMode, target, read, HookFor(fileName));
    } catch (...) {
      result = irFailed;
      read.FailureCause = LoadFailureCause(fileName, std::current_exception());
    }
    // The dialogs read what the last load (previews included) learned here.
    OptionsOE.OrigWidth = read.OrigWidth;
    OptionsOE.OrigHeight = read.OrigHeight;
    OptionsOE.GifAnimated = read.Animated();
  }
  if (result < 0) {
    if (!previewMode) {
      try {
        Notify(nullptr, fileName, ifError);
      } catch (...) {
      }
      // The specified line, then the cause.
      if (!OptionsOE.Quiet)
        ShowError(LoadFailedMessage(fileName) + (read.FailureCause.empty() ? "" : "\n" + read.FailureCause));
    }
  }
  OptionsOE.Quiet = false;
  return result;
}

int LoadImagePreview(std::string& fileName, TBitmap& target, TReadResult* result) {
  previewMode = true;
  struct Off {
    ~Off() { previewMode = false; }
  } off;
  return LoadImageFile(fileName, target, "", result);
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

int SaveFlatImage(std::string& fileName, const TBitmap& image, const std::string& initial,
                  const TPictureOrigin& origin) {
  if (fileName.empty()) fileName = ExecuteSaveDialog(initial);
  if (fileName.empty()) {
    OptionsOE.Quiet = false;
    return irCancelled;
  }
  int result;
  try {
    // The layered format is SaveImageFile's: it needs the document.
    if (IsOviFile(fileName)) throw EUnsupportedFormat("no flat writer for " + fileName);
    result = RunSaveRoute(fileName, TSaveSource{image}, SaveOptions(origin), HookFor(fileName));
  } catch (...) {
    result = irFailed;
  }
  return FinishSave(fileName, result);
}

int SaveImageFile(std::string& fileName, const TBitmap& flatImage, ILayeredDocument* layered,
                  const std::string& initial, const TPictureOrigin& origin) {
  if (fileName.empty()) fileName = ExecuteSaveDialog(initial);
  if (fileName.empty()) {
    OptionsOE.Quiet = false;
    return irCancelled;
  }
  if (!IsOviFile(fileName)) return SaveFlatImage(fileName, flatImage, "", origin);

  int result;
  try {
    if (!layered) throw EWriteError("no layered document");
    result = RunSaveRoute(fileName, TSaveSource{flatImage, layered}, SaveOptions(origin), HookFor(fileName));
  } catch (...) {
    result = irFailed;
  }
  return FinishSave(fileName, result);
}

}  // namespace velinor
