#pragma once
// The registry of image formats: which extension belongs to which reader class,
// under which description, and the file-name filters the open and save dialogs
// offer. One registry for the process; the save-format table beside it.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velinor {

// Format types, a bit set.
enum TFormatType : int {
  ftAnimation = 1,
  ftLayered = 2,
  ftMultiImage = 4,
  ftRaster = 8,
  ftVector = 16,
};

class TFileFormatList {
 public:
  struct TClassEntry {
    std::string GraphicClass;  // reader class, as an identifier ("TJPEGImage")
    std::string Description;   // the common description shown in the open filter
    int Count = 0;             // extensions pointing to the class
    bool Extra = false;        // one of today's formats, listed after the classic ones
  };
  struct TExtensionEntry {
    std::string Extension;     // without the dot, as registered
    std::string Description;   // individual description (may be empty)
    int FormatTypes = 0;
    std::string GraphicClass;
  };

  // Registers an extension (without its dot) for a reader class. An extension that
  // is already registered raises "Attempt to register %s twice." unless replace is
  // set, in which case its entry is given to the new class. The first non-empty
  // description given for a class becomes the class's description.
  void Register(const std::string& extension, const std::string& description, int formatTypes,
                const std::string& graphicClass, bool replace = false);
  // Register for one of the formats added to the classic set (HEIF, AVIF, WebP,
  // JPEG XL, camera raw): the filter lists these classes after all the others.
  void RegisterExtra(const std::string& extension, const std::string& description, int formatTypes,
                     const std::string& graphicClass);
  // Removes the class and every extension pointing to it (also from the mirror).
  void UnregisterClass(const std::string& graphicClass);

  // The class registered for an extension (without dot, any case), or "".
  std::string ClassOf(const std::string& extension) const;
  bool Knows(const std::string& extension) const { return !ClassOf(extension).empty(); }
  // The extensions of a class in registration order.
  std::vector<std::string> ExtensionsOf(const std::string& graphicClass) const;

  // The compact filter: one "Desc (*.a;*.b)|*.a;*.b" entry per class, classes in
  // description order and extensions sorted, both case-insensitively; the extra
  // classes follow, in description order among themselves.
  std::string GraphicFilter() const;

  const std::vector<TClassEntry>& Classes() const { return classes_; }
  const std::vector<TExtensionEntry>& Extensions() const { return extensions_; }
  // The toolkit-side picture-class table (extension, lower case -> class) that
  // every registration is mirrored into and the generic load route reads.
  const std::map<std::string, std::string>& PictureClassTable() const { return mirror_; }

 private:
  TClassEntry* FindClass(const std::string& graphicClass);
  void DropExtensionAt(size_t index);

  std::vector<TClassEntry> classes_;
  std::vector<TExtensionEntry> extensions_;
  std::map<std::string, std::string> mirror_;
};

// The process-wide registry. Created on first use holding the registry's own
// readers (BMP, metafile, JPEG, the other-format readers and "Icône" for icons).
TFileFormatList& FileFormatList();

// One row of the save-format table: extensions with their dots separated by ";"
// (at most 40 characters) and a description (at most 100).
struct TSaveFormat {
  std::string Extensions;
  std::string Description;
};
// The save-format table, in its fixed order.
const std::vector<TSaveFormat>& SaveFormats();
// Appends a row (texts cut to their short-string lengths).
void AddSaveFormat(const std::string& extensions, const std::string& description);

// The program's start-up registrations: the eight save rows, then GIF, the layered
// format, selections, TIFF and PNG; then what the route table's rows bring:
// today's formats (HEIF, AVIF, WebP, JPEG XL, camera raw) with the WebP and
// AVIF save rows (indexes 8 and 9). Runs once; later calls do nothing.
void InitImageFiles();
// What the main window does when it is created: icons and selections registered
// again under their English descriptions. Runs once.
void MainWindowRegisterFormats();
// Both of the above, as the program and the command-line tool call at start.
void StartImageFiles();
// Shutdown: the classes the start-up registered are removed again.
void DoneImageFiles();

// The extensions of today's formats that the "Common images" entry adds to the
// classic list: those of the route rows marked common, once registered
// (";*.webp;*.avif;*.heic;*.heif;*.hif;*.jxl").
std::string CommonImagesExtra();

// The items of a ";"-separated list ("heic;heif", ".jpg;.jpeg"), empty ones left out.
std::vector<std::string> SplitList(std::string_view list);

// The open dialog's filter: common images, all images, then the compact filter.
std::string BuildOpenFilter();
// The save dialog's filter: one "Desc (*.a;*.b)|*.a;*.b" entry per save row.
std::string BuildSaveFilter();
// The save row whose extension list contains the name's extension (with dot,
// lower case) as a substring, searching from the last row; -1 if none or no
// extension.
int FindSaveFilterIndex(const std::string& fileName);

// The extensions registered for the JPEG class, each with its dot, joined by ";"
// (".jfif;.jpg;.jpe;.jpeg"): what the JPEG test searches.
std::string JpegExtensionList();

}  // namespace velinor
