// The ICC profiles the window program holds for its runs: "sRGB.icc" for the
// panel's box and the default CMYK profile of the settings menu, each failure
// shown in its error box (through the panel's message-box hook).
#pragma once

// sRGB.icc for the "sRGB.icc" box: loaded once; a failure shows its error box
// and returns false so the box is cleared.
bool ensureSrgbProfile();
// Start-up: the default CMYK profile stored in the registry, with its error box.
void loadDefaultCmykProfileAtStartup();
// The settings menu's choice of the default CMYK profile: stored and loaded (a
// failure shows its box and falls back through the list).
void chooseDefaultCmykProfile(const char *fileName);
