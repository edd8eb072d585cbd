// The crop tool's window "Velmora图片批量裁剪工具" (class "Velmora_Crop"):
// the live preview on the left, the settings panel on the right, a status bar
// below; created once, afterwards only shown and hidden.
#pragma once
#include <windows.h>

extern const char kCropWindowClass[];  // "Velmora_Crop"
extern const char kCropPreviewHelpText[];

// Children of the window.
enum CropWindowChildId {
    kCropPreviewPaneId = 37300,
    kCropPanelId = 37301,
    kCropStatusBarId = 37302,
};

// Controls of the settings panel (children of kCropPanelId).
enum CropControlId {
    kCropSourceGroupId = 37310,
    kCropSourceEditId = 37311,
    kCropSourceButtonId = 37312,
    kCropTypeBoxFirstId = 37313,  // jpg, png, gif, bmp
    kCropSubfoldersId = 37317,
    kCropSettingsGroupId = 37318,
    kCropModeId = 37319,
    kCropAlignId = 37320,
    kCropUnitPixelsId = 37321,
    kCropUnitPercentId = 37322,
    kCropSaveGroupId = 37323,
    kCropSaveToId = 37324,
    kCropTargetEditId = 37325,
    kCropTargetButtonId = 37326,
    kCropOverwriteId = 37327,
    kCropKeepFormatId = 37328,
    kCropFormatLabelId = 37329,
    kCropProgressId = 37330,
    kCropStartId = 37331,
    kCropHelpLinkId = 37332,
    kCropModernTypeBoxId = 37333,  // webp/heic/avif, the fifth type box
    // The fields: fixed width, height; percent width, height; ratio width, height;
    // side pixels left, right, top, bottom; side percent left, right, top, bottom.
    kCropFieldFirstId = 37340,
    kCropFieldLabelFirstId = 37360,  // each field's two labels: 2 per field
    kCropOutputFirstId = 37400,      // the output block (ui/output_controls.h offsets)
};
enum CropFieldIndex {
    kCropFixedWidthField = 0,
    kCropFixedHeightField,
    kCropPercentWidthField,
    kCropPercentHeightField,
    kCropRatioWidthField,
    kCropRatioHeightField,
    kCropSidePixelsField,    // + CropSide
    kCropSidePercentField = kCropSidePixelsField + 4,  // + CropSide
    kCropFieldCount = kCropSidePercentField + 4,
};

// The main window's command: hides the main window, creates the window on first
// use, clears the folders, the sub-folder and keep-format boxes, the status texts
// and the preview, loads the stored values (neither save mode chosen), and shows
// the window maximised.
HWND openCropTool(HWND mainWindow);
HWND cropToolWindow();
HWND cropToolPanel();
HWND cropToolPreviewPane();
// The pictures the preview steps through and the one shown.
size_t cropPreviewCount();
size_t cropPreviewIndex();
// True while a preview picture is being made.
bool cropPreviewPending();
// Tab in one of the fourteen number fields: the field it moves to (the other
// field of a two-field group, the next of a four-field group and from the last
// back to the first); null for any other window.
HWND cropFieldAfterTab(HWND field);
