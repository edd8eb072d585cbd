// Size and placement arithmetic of the main tool's picture steps: resize targets,
// the inside border's crop, watermark positions and the resolution rules. No
// window, no file and no ImageMagick call here, so every rule can be swept in tests.
#pragma once
#include <string>

#include "core/process_settings.h"

// Truncates x, then adds 1 when the dropped fraction is at least 0.5. Results are
// kept inside the int range; a value that is not a number gives 0.
int roundHalfUp(double x);

struct ResizePlan {
    bool resize = false;  // false: the picture keeps its size
    int width = 0;
    int height = 0;
};

// sizeType 0 = the width is given, 1 = the height; zoomType 0 shrink only,
// 1 enlarge only, 2 both.
ResizePlan pixelResizePlan(int width, int height, int sizeType, int zoomType, int sizeValue,
                           bool keepProportions);
// percent 1.0..999.99; the given side is limited to 1..9999.
ResizePlan percentResizePlan(int width, int height, int sizeType, double percent, bool keepProportions);
// The resize step's plan for a width x height picture under the settings (pixel
// or percent mode); no resize when bSize is off.
ResizePlan settingsResizePlan(const ProcessSettings &settings, int width, int height);

// The size hint for decoding a JPEG source of width x height (as stored, before
// the item's rotation): 2.5 times the size the resize step makes of it (rounded
// up), so that libjpeg may decode at one of its scales 7/8 .. 1/8 and the Lanczos resize
// still has well over twice the pixels it keeps. Twice is the least a Lanczos
// resize needs; the margin keeps the output within 40 dB PSNR of a full decode
// (measured on the sample photos: at 2.06 times a detailed photo fell to
// 38.4 dB, at 2.8 times and above none went below 45 dB). Only when one of
// those scales keeps that much, and no step before the resize needs the
// full resolution (resampling to a DPI does; a rotation other than quarter turns
// changes the size); otherwise resize = false: decode at full size. The resize
// step then works out its size from the stored size, not from the decoded one.
const int kJpegHintKeep = 5;  // in halves of the resized size
ResizePlan jpegDecodeHint(const ProcessSettings &settings, int width, int height, int rotation);

// The size a JPEG of this stored size may be reduced to while it is decoded (the
// resize step's size, turned back to the stored orientation), under the same
// conditions as the hint and only when the resize makes the picture smaller;
// otherwise resize = false.
ResizePlan jpegReducePlan(const ProcessSettings &settings, int width, int height, int rotation);

// The inside border: the crop that makes room for the fill and the border so that
// the framed picture keeps (as far as possible) its size. borderSize and padding
// may come back smaller when the picture is too small for them.
struct InsideBorderPlan {
    int cropWidth = 1;
    int cropHeight = 1;
    int x = 0;
    int y = 0;
    int borderSize = 0;
    int padding = 0;
};
InsideBorderPlan insideBorderPlan(int width, int height, int borderSize, int padding, bool resizeOn);

struct Offset {
    int x = 0;
    int y = 0;
};
// Position codes: horizontal 0 centred, 1 from the left, 2 from the right;
// vertical 0 centred, 1 from the top, 2 from the bottom. A watermark larger than
// the picture gets a negative offset (halves truncate toward zero).
Offset watermarkOffset(int pictureWidth, int pictureHeight, int markWidth, int markHeight,
                       int horizontalCode, int horizontalDistance, int verticalCode, int verticalDistance);

// Resolution units as ImageMagick numbers them.
enum : int { kUnitsUndefined = 0, kUnitsPerInch = 1, kUnitsPerCentimetre = 2 };

struct ResolutionPlan {
    bool setUnits = false;
    int units = kUnitsUndefined;
    bool setResolution = false;
    double x = 0.0;
    double y = 0.0;
    bool resample = false;  // resample to resampleTo pixels per inch after setting (x, y)
    double resampleTo = 0.0;
    double resampleWidth = 0.0;   // the pixel size the resample gives
    double resampleHeight = 0.0;
};

// The largest side a JPEG file can hold.
const int kJpegMaxSide = 65500;

// units/x/y as read from the source; dpi -1 = not given. width/height are the
// current pixel size, from which the resampled size is worked out.
ResolutionPlan resolutionPlan(int units, double x, double y, bool dpiOn, int dpi, bool resample,
                              int width, int height);

// The value of the "jpeg:extent" option for a maximum size in KB, or empty when
// the size is outside 1..999998 (then the maximum is not used at all).
std::string jpegExtentValue(int maxFileSizeKb);
