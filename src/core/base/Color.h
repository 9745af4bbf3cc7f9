#pragma once
// TColor: 0x00BBGGRR, red in the low byte. A value with the high bit set names a
// system colour (index in the low byte) and is resolved through the installed
// resolver; the GUI installs one that reads its palette.
#include <cstdint>
#include <functional>

namespace velinor {

using TColor = uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;

// System colour indices (the high bit marks a system colour).
enum TSystemColorIndex : uint8_t {
  sciScrollBar = 0, sciBackground = 1, sciActiveCaption = 2, sciInactiveCaption = 3,
  sciMenu = 4, sciWindow = 5, sciWindowFrame = 6, sciMenuText = 7, sciWindowText = 8,
  sciCaptionText = 9, sciActiveBorder = 10, sciInactiveBorder = 11, sciAppWorkSpace = 12,
  sciHighlight = 13, sciHighlightText = 14, sciBtnFace = 15, sciBtnShadow = 16,
  sciGrayText = 17, sciBtnText = 18, sciInactiveCaptionText = 19, sciBtnHighlight = 20,
  sci3DDkShadow = 21, sci3DLight = 22, sciInfoText = 23, sciInfoBk = 24,
  sciHotLight = 26, sciMenuHighlight = 29, sciMenuBar = 30,
};

constexpr TColor SystemColor(TSystemColorIndex i) { return 0x80000000u | i; }
constexpr TColor clBtnFace = SystemColor(sciBtnFace);
constexpr TColor clBtnShadow = SystemColor(sciBtnShadow);
constexpr TColor clBtnHighlight = SystemColor(sciBtnHighlight);
constexpr TColor clWindow = SystemColor(sciWindow);
constexpr TColor clWindowText = SystemColor(sciWindowText);
constexpr TColor clMenu = SystemColor(sciMenu);
constexpr TColor clMenuBar = SystemColor(sciMenuBar);
constexpr TColor clMenuText = SystemColor(sciMenuText);
constexpr TColor clHighlight = SystemColor(sciHighlight);
constexpr TColor clHighlightText = SystemColor(sciHighlightText);
constexpr TColor clGrayText = SystemColor(sciGrayText);
constexpr TColor clAppWorkSpace = SystemColor(sciAppWorkSpace);

constexpr bool IsSystemColor(TColor c) { return (c & 0x80000000u) != 0; }
constexpr uint8_t GetRValue(TColor c) { return c & 0xFF; }
constexpr uint8_t GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t GetBValue(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Maps a system colour index to 0x00BBGGRR.
using TSystemColorResolver = std::function<TColor(uint8_t index)>;

// A system colour becomes its RGB value; any other value is returned unchanged.
TColor ResolveSystemColor(TColor c);

// Installs the resolver (the GUI passes one reading its palette); an empty
// function restores the built-in defaults.
void SetSystemColorResolver(TSystemColorResolver resolver);

// The built-in value of a system colour (a light desktop theme).
TColor DefaultSystemColor(uint8_t index);

}  // namespace velinor
