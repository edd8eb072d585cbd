// The PNG tool's window "VelmoraPNG图片批量处理工具": created once, afterwards
// only shown and hidden.
#pragma once
#include <windows.h>

extern const char kPngWindowClass[];  // "Velmora_Png"

enum PngControlId {
    kPngBannerId = 37200,
    kPngSourceGroupId = 37201,
    kPngSourceEditId = 37202,
    kPngSourceButtonId = 37203,
    kPngSubfoldersId = 37204,
    kPngZoomGroupId = 37205,
    kPngZoomCheckId = 37206,
    kPngZoomRuleId = 37207,
    kPngZoomSideId = 37208,
    kPngZoomSizeId = 37209,
    kPngProportionsId = 37210,
    kPngHelpId = 37211,
    kPngSaveGroupId = 37212,
    kPngSaveToId = 37213,
    kPngOutputEditId = 37214,
    kPngOutputButtonId = 37215,
    kPngOverwriteId = 37216,
    kPngProgressId = 37217,
    kPngStartId = 37218,
    kPngPixelsLabelId = 37219,
    kPngOutputFirstId = 37230,  // the PNG choices of the output block (ui/output_controls.h offsets)
};

// The "?" button's text.
extern const char kPngHelpText[];

// The main window's command: hides the main window, creates the window on first
// use, clears the source, sub-folder and output choices and the remembered
// proposal, loads the stored values, selects "处理后保存到", and shows, restores
// and raises the window.
HWND openPngTool(HWND mainWindow);
HWND pngToolWindow();
