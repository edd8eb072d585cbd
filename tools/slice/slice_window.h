// The slice tool's window "Velmora图片批量切片工具" (class "Velmora_Slice"):
// client area 601 x 431, centred, not resizable; created once, afterwards only
// shown and hidden.
#pragma once
#include <windows.h>

extern const char kSliceWindowClass[];  // "Velmora_Slice"

enum SliceControlId {
    kSliceSourceGroupId = 37500,
    kSliceSourceEditId = 37501,
    kSliceSourceButtonId = 37502,
    kSliceSubfoldersId = 37503,
    kSliceGridGroupId = 37504,
    kSliceHorizontalId = 37505,   // "水平划分为"
    kSliceHorizontalAvgId = 37506,
    kSliceHorizontalAvgValueId = 37507,
    kSliceHorizontalAvgLabelId = 37508,
    kSliceHorizontalPixelId = 37509,
    kSliceHorizontalPixelValueId = 37510,
    kSliceHorizontalPixelLabelId = 37511,
    kSliceVerticalId = 37512,     // "垂直划分为"; the next six as above
    kSliceHtmlId = 37519,
    kSliceOutputGroupId = 37520,
    kSliceOutputEditId = 37521,
    kSliceOutputButtonId = 37522,
    kSliceFormatLabelId = 37523,
    kSliceProgressId = 37524,
    kSliceStartId = 37525,
    kSliceFormatBoxFirstId = 37530,  // "jpg", "png", "gif", "bmp", "webp/heic/avif"
    kSliceOutputFirstId = 37540,     // the output block (ui/output_controls.h offsets)
};
// The vertical direction's controls follow kSliceVerticalId in the horizontal order.
constexpr int kSliceDirectionStride = kSliceVerticalId - kSliceHorizontalId;

HWND openSliceTool(HWND mainWindow);
HWND sliceToolWindow();
