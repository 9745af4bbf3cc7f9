#pragma once
// Whether the platform draws themed controls. Set at start-up by the main window;
// a few controls adjust a pixel or two when it is set.
namespace velinor {

inline bool g_ThemesActive = true;

}  // namespace velinor
