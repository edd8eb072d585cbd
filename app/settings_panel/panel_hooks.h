// The settings panel's hooks.
#pragma once
#include <windows.h>

#include <string>

#include "core/process_settings.h"

// Where the panel's boxes, balloons and dialogs go. The program uses the real
// ones; the tests put recorders in so that nothing waits for a click.
struct PanelHooks {
    int (*messageBox)(HWND owner, const char *text, const char *caption, UINT type);
    void (*balloon)(HWND control, const char *title, const char *text);
    // The font dialog for the text watermark; on OK fills the font fields of the
    // record and returns true.
    bool (*chooseFont)(HWND owner, ProcessSettings &settings);
    bool (*chooseColour)(HWND owner, COLORREF *colour);
    // Can ImageMagick draw with the face (and Chinese with it)?
    bool (*fontUsable)(const std::string &face, bool needChinese);
    // Readable by ImageMagick and not animated.
    bool (*pictureUsable)(const std::string &path);
    // Prepare the two watermark pictures once the settings are collected: false
    // when the text cannot be drawn in its face, or when the picture file cannot
    // be used (with the reason).
    bool (*buildTextWatermark)(const ProcessSettings &settings);
    bool (*buildPictureWatermark)(const ProcessSettings &settings, std::string &reason);
};
PanelHooks &panelHooks();
// The program's own hooks (message boxes, balloon tips, dialogs).
PanelHooks defaultPanelHooks();
