// What a run (and the preview) takes from the window besides the picture list:
// the collected settings, the two watermark pictures prepared while collecting,
// and the ICC profiles loaded at start-up or when the user asked for them.
#pragma once
#include <windows.h>

#include <string>

#include "core/pipeline.h"
#include "core/process_settings.h"

// collectSettings over the panel (which prepares both watermark pictures), then
// the settings, the prepared pictures and copies of the loaded profiles into
// inputs. settings must outlive the use of inputs. false after a message.
bool collectPipelineInputs(HWND panel, ProcessSettings &settings, PipelineInputs &inputs);

// The panel's preparation hooks: the text watermark at the screen's DPI in the
// face the font tables give, and the picture watermark. Window thread, no run
// active. false when the text cannot be drawn in its face, or (reason set) when
// the watermark picture cannot be used.
bool prepareTextWatermark(const ProcessSettings &settings);
bool preparePictureWatermark(const ProcessSettings &settings, std::string &reason);

// The desktop's horizontal DPI; 96 without a screen.
int screenDpi();

// sRGB.icc for the "sRGB.icc" box: loaded once; a failure shows its error box
// (through the panel's message-box hook) and returns false so the box is cleared.
bool ensureSrgbProfile();
// Start-up: the default CMYK profile stored in the registry, with its error box.
void loadDefaultCmykProfileAtStartup();
// The settings menu's choice of the default CMYK profile: stored and loaded (a
// failure shows its box and falls back through the list).
void chooseDefaultCmykProfile(const char *fileName);
