#pragma once
#include <exception>
// The single door through which the program reads and writes image files: the
// file dialogs, the notification hook around every load and save, the one
// failure message, the result codes and the load/save options that "Save as"
// fills in, around the route table of FileRoutes.h (which picks the reader or
// writer). The file dialogs and the message box are reached through the small
// interfaces below, which the desktop program implements and tests replace.
#include <functional>
#include <string>

#include "core/files/FileRoutes.h"
#include "core/files/Graphic.h"
#include "core/base/Bitmap.h"

namespace velinor {

// Process-wide load/save options.
struct TOptionsOE {
  std::string OpenTitle;   // open dialog title; empty: the platform's
  std::string SaveTitle;   // save dialog title; empty: the platform's
  bool Quiet = false;      // suppress the next failure message; reset after every load and save
  bool Preview = true;     // the open dialog's preview check box, remembered
  bool Sizeable = true;    // dialogs may be resized
  int OrigWidth = 0;       // stored size of the image in the last file loaded
  int OrigHeight = 0;
  double Resolution = 0;   // dots per inch written into flat files
  bool JpegExif = false;   // write an EXIF block into JPEG files
  bool JpegExifFromJpeg = false;
  std::string ExifSource;
  std::string SaveComment;
  bool GifOptimize = true;
  bool GifInterlaced = false;
  bool GifAnimated = false;  // the last GIF loaded held more than one frame
  bool TgaRle = true;        // Targa output is run-length compressed
  bool KeepDate = false;
};
extern TOptionsOE OptionsOE;

// The notification hook: (format object or null, file name, step, continue).
// Continue starts true; set false at ifBeforeLoad, ifAfterLoad or ifBeforeSave it
// cancels the operation, which then returns 0. Never called in preview mode.
using TImageFileEvent = std::function<void(TGraphic* graphic, const std::string& fileName, TImageFileStep step,
                                           bool& Continue)>;
extern TImageFileEvent OnImageFile;

// Result codes of every load and save.
constexpr int irDone = 1;       // the target holds the image / the file was written
constexpr int irCancelled = 0;  // nothing happened, nothing was shown
constexpr int irFailed = -1;    // the user has been told (except in preview mode)

struct TOpenDialogRequest {
  std::string Title;       // empty: the platform's
  bool Sizeable = true;    // resizable, else no places bar
  std::string Filter;      // BuildOpenFilter()
  std::string InitialDir;
  bool Preview = true;     // the preview check box; the dialog writes its final state back
};

struct TSaveDialogRequest {
  std::string Title;
  bool Sizeable = true;
  std::string Filter;      // BuildSaveFilter()
  std::string DefaultExt;  // ".bmp"
  int FilterIndex = 1;     // 1-based row of the filter
  std::string InitialDir;
  std::string FileName;    // what the name field starts with
};

// The picture open and save dialogs (the desktop program supplies the real ones).
class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // The chosen file, or empty when cancelled. Hide-read-only and file-must-exist.
  virtual std::string ExecuteOpen(TOpenDialogRequest& request) = 0;
  // The chosen file, or empty when cancelled. Overwrite prompt, path-must-exist.
  virtual std::string ExecuteSave(const TSaveDialogRequest& request) = 0;
};

// Where the failure messages go (an error box with an OK button).
class IMessageSink {
 public:
  virtual ~IMessageSink() = default;
  virtual void ShowError(const std::string& text) = 0;
};

// Installs the dialogs (null: every dialog counts as cancelled) and the message
// sink (null: messages go to standard error). The objects must outlive their use.
void SetFileDialogs(IFileDialogs* dialogs);
void SetMessageSink(IMessageSink* sink);

// Loads an image into target. With an empty name the open dialog asks for one
// (starting in initialDir); afterwards the name holds the file read. What the
// read learned goes to result when given (and the stored size and the GIF
// frame flag to OptionsOE, for the dialogs).
int LoadImageFile(std::string& fileName, TBitmap& target, const std::string& initialDir,
                  TReadResult* result = nullptr);
// The same in preview mode: no dialog, no hook, no message, reduced decoding.
int LoadImagePreview(std::string& fileName, TBitmap& target, TReadResult* result = nullptr);
// True only while LoadImagePreview runs.
bool InPreviewMode();

// "Save as": the layered document for ".ovi", the flat image for every other
// format. With an empty name the save dialog asks (proposing `initial`). The
// writers take OptionsOE's settings and what the read of the picture learned
// (origin, through CarryOver).
int SaveImageFile(std::string& fileName, const TBitmap& flatImage, ILayeredDocument* layered,
                  const std::string& initial, const TPictureOrigin& origin = {});
// The flat-format part of SaveImageFile.
int SaveFlatImage(std::string& fileName, const TBitmap& image, const std::string& initial,
                  const TPictureOrigin& origin = {});

// The save dialog's set-up for a proposed name or folder, and its run.
TSaveDialogRequest MakeSaveDialogRequest(const std::string& initial);
std::string ExecuteSaveDialog(const std::string& initial);

// "Unable to load image in file "%s" !" / "Unable to save image in file "%s" !"
std::string LoadFailedMessage(const std::string& fileName);
// The line shown under the load message: why the file could not be opened, in
// plain words ("The picture is W × H pixels; Velinor opens pictures up to …",
// "The file is damaged: …", "This kind of file cannot be read").
std::string LoadFailureCause(const std::string& fileName, const std::exception_ptr& error);
std::string SaveFailedMessage(const std::string& fileName);

}  // namespace velinor
