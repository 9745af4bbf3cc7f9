#pragma once
// The program's built-in pictures: the 13 toolbar icons of ImgBoutons (39 x 34),
// the "Delete" glyph, the brush glyph, the eyedropper cursor "PIPETTE", the
// program icon and the About box picture.
#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace velinor {

inline constexpr int kToolbarIconCount = 13;
inline constexpr int kToolbarIconWidth = 39;
inline constexpr int kToolbarIconHeight = 34;
inline constexpr int kPipetteCursorIndex = 5;

// Makes the compiled-in resources available (the library is static).
void InitResources();

QPixmap ToolbarImage(int index);
QCursor LoadPipetteCursor();
QPixmap DeleteGlyph();
// A round brush tip over its stroke, toolbar-icon sized (the "Brush" button).
QPixmap BrushGlyph();
// The window icon, in every size it is drawn at.
QIcon ProgramIcon();
// The About box picture, 350 x 130 (resource ":/images/about.png").
inline constexpr const char* kAboutPicturePath = ":/images/about.png";
QPixmap AboutPicture();

}  // namespace velinor
