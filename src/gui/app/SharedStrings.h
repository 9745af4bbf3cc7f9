#pragma once
// The table of replaceable interface texts. The built-in values are French; the
// main window installs English ones for part of them at start-up. Whoever shows
// one of these texts reads the table at that moment, so a replacement takes
// effect everywhere at once.
#include <QString>

namespace velinor {

enum TSharedString : int {
  ssAllImages, ssCommonImages, ssBmp, ssRle, ssGif, ssJpeg, ssPng, ssTarga, ssTiff,
  ssLoadError, ssSaveError, ssSelectionName, ssLayeredName, ssIconName, ssAvi,
  ssInvalidData, ssPixelSize, ssPreview, ssEmpty, ssRgba, ssTransparency,
  ssImageProperties, ssAnimatedGif, ssYes, ssNo, ssOk, ssCancel, ssWarning, ssError,
  ssInformation, ssConfirmation, ssInput,
  ssKeyBackspace, ssKeyTab, ssKeyEscape, ssKeyEnter, ssKeySpace, ssKeyPageUp,
  ssKeyPageDown, ssKeyEnd, ssKeyHome, ssKeyLeft, ssKeyUp, ssKeyRight, ssKeyDown,
  ssKeyInsert, ssKeyDelete, ssShiftPrefix, ssCtrlPrefix, ssAltPrefix,
  ssByte, ssBytes, ssKiloBytes, ssMegaBytes, ssGigaBytes,
  ssCount
};

class SharedStrings {
 public:
  static constexpr int Count = ssCount;  // 55

  // The one table of the process.
  static SharedStrings& Instance();

  // The value in effect now.
  QString Get(TSharedString id) const;
  void Set(TSharedString id, const QString& value);
  // The value the table starts with.
  static QString BuiltIn(TSharedString id);
  // Every entry back to its built-in value; the application name emptied.
  void Reset();

  // The name written into saved files' metadata (not one of the table's entries;
  // the JPEG and TIFF writers each read it).
  QString ApplicationName() const { return applicationName_; }

  // The start-up replacements: English texts for 14 entries and the application
  // name (the caption passed in).
  void InstallStartupTexts(const QString& caption);

 private:
  SharedStrings();
  QString values_[Count];
  QString applicationName_;
};

// Shortcut: SharedStrings::Instance().Get(id).
inline QString SharedText(TSharedString id) { return SharedStrings::Instance().Get(id); }

}  // namespace velinor
