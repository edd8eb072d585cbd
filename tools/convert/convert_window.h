// The format conversion tool's window "Velmora图片批量格式转换工具" (class
// "Velmora_Convert"): created once, afterwards only shown and hidden.
#pragma once
#include <windows.h>

extern const char kConvertWindowClass[];  // "Velmora_Convert"

// Control identifiers (the tests find the controls by them).
enum ConvertControlId {
    kConvertSourceGroupId = 37100,
    kConvertSourceEditId = 37101,
    kConvertSourceButtonId = 37102,
    kConvertFormatsLabelId = 37103,
    kConvertSubfoldersId = 37104,
    kConvertTargetGroupId = 37105,
    kConvertTargetEditId = 37106,
    kConvertTargetButtonId = 37107,
    kConvertToLabelId = 37108,
    kConvertKeepExtensionId = 37109,
    kConvertProgressId = 37110,
    kConvertStartId = 37111,
    kConvertFormatBoxFirstId = 37120,  // one per source format box, in the window's order
    kConvertOutputFirstId = 37140,     // the output block (ui/output_controls.h offsets)
};

// The main window's command: hides the main window, creates the tool window on
// first use, clears the source, sub-folder and target choices, loads the stored
// values, and shows, restores and raises the window.
HWND openConvertTool(HWND mainWindow);
HWND convertToolWindow();
