#pragma once
// The platform's system colours for the core: a resolver reading the
// application palette, installed at start-up.
namespace velinor {

void InstallPaletteSystemColors();

}  // namespace velinor
