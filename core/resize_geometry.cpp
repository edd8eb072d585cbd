#include "core/resize_geometry.h"

#include <utility>

#include <climits>
#include <cstdio>

#include "imaging/jpeg_scaled.h"

int roundHalfUp(double x)
{
    if (!(x == x))
        return 0;
    if (x >= (double)INT_MAX)
        return INT_MAX;
    if (x <= (double)INT_MIN)
        return INT_MIN;
    long long whole = (long long)x;
    if (x - (double)whole >= 0.5)
        whole += 1;
    if (whole > INT_MAX)
        whole = INT_MAX;
    return (int)whole;
}

static int atLeastOne(int v)
{
    return v > 0 ? v : 1;
}

ResizePlan pixelResizePlan(int width, int height, int sizeType, int zoomType, int sizeValue,
                           bool keepProportions)
{
    ResizePlan plan;
    if (width <= 0 || height <= 0 || sizeValue <= 0)
        return plan;
    // The given side and the other one, whichever the chooser names.
    int given = sizeType == 1 ? height : width;
    int other = sizeType == 1 ? width : height;
    int candidate = roundHalfUp((double)sizeValue * other / given);
    int newOther;
    if (sizeValue < given) {
        if (zoomType != 0 && zoomType != 2)
            return plan;
        newOther = keepProportions ? atLeastOne(candidate) : other;
    } else if (sizeValue > given) {
        if (zoomType != 1 && zoomType != 2)
            return plan;
        newOther = keepProportions ? candidate : other;
    } else {
        return plan;
    }
    plan.resize = true;
    plan.width = sizeType == 1 ? newOther : sizeValue;
    plan.height = sizeType == 1 ? sizeValue : newOther;
    return plan;
}

ResizePlan percentResizePlan(int width, int height, int sizeType, double percent, bool keepProportions)
{
    ResizePlan plan;
    if (width <= 0 || height <= 0)
        return plan;
    int given = sizeType == 1 ? height : width;
    int other = sizeType == 1 ? width : height;
    int newGiven = roundHalfUp(given * percent / 100.0);
    if (newGiven < 1)
        newGiven = 1;
    if (newGiven > 9999)
        newGiven = 9999;
    int newOther = other;
    if (keepProportions) {
        newOther = roundHalfUp(other * percent / 100.0);
        if (newOther <= 0)
            newOther = 1;
        if (newOther > 9999) {
            // The other side is capped and the given side follows it; the given
            // side is then no longer held to 9999.
            newOther = 9999;
            newGiven = atLeastOne(roundHalfUp((double)given * 9999 / other));
        }
    }
    plan.resize = true;
    plan.width = sizeType == 1 ? newOther : newGiven;
    plan.height = sizeType == 1 ? newGiven : newOther;
    return plan;
}

ResizePlan settingsResizePlan(const ProcessSettings &s, int width, int height)
{
    if (!s.bSize)
        return ResizePlan();
    return s.zoomUnit == 1 ? percentResizePlan(width, height, s.sizeType, s.fSizeValue, s.bZoomSameScale != 0)
                           : pixelResizePlan(width, height, s.sizeType, s.zoomType, s.sizeValue, s.bZoomSameScale != 0);
}

// The resize step's plan for a picture of this stored size, when nothing before
// it needs the full resolution (resampling to a DPI does; a rotation other than
// quarter turns changes the size). In the picture's shown orientation.
static ResizePlan earlyResizePlan(const ProcessSettings &s, int width, int height, int rotation, int &w, int &h,
                                  bool &quarterTurn)
{
    if (!s.bSize || (s.bDpi && s.bDpiResample && s.dpi > 0) || rotation < 0 || rotation % 90 != 0)
        return ResizePlan();
    quarterTurn = (rotation / 90) % 2 != 0;
    w = quarterTurn ? height : width;
    h = quarterTurn ? width : height;
    return settingsResizePlan(s, w, h);
}

ResizePlan jpegReducePlan(const ProcessSettings &s, int width, int height, int rotation)
{
    int w = 0, h = 0;
    bool quarterTurn = false;
    ResizePlan plan = earlyResizePlan(s, width, height, rotation, w, h, quarterTurn);
    if (!plan.resize || plan.width > w || plan.height > h || (plan.width == w && plan.height == h))
        return ResizePlan();
    if (quarterTurn)
        std::swap(plan.width, plan.height);
    return plan;
}

ResizePlan jpegDecodeHint(const ProcessSettings &s, int width, int height, int rotation)
{
    ResizePlan none;
    int w = 0, h = 0;
    bool quarterTurn = false;
    ResizePlan plan = earlyResizePlan(s, width, height, rotation, w, h, quarterTurn);
    if (!plan.resize)
        return none;
    // kJpegHintKeep / 2 times the resized size, rounded up; worth asking for only
    // when one of libjpeg's scales below 8/8 still keeps that much.
    const long long keepWidth = (kJpegHintKeep * (long long)plan.width + 1) / 2;
    const long long keepHeight = (kJpegHintKeep * (long long)plan.height + 1) / 2;
    if (keepWidth >= w || keepHeight >= h ||
        jpegScaleEighths((size_t)w, (size_t)h, (size_t)keepWidth, (size_t)keepHeight) == 8)
        return none;
    ResizePlan hint;
    hint.resize = true;
    hint.width = (int)(quarterTurn ? keepHeight : keepWidth);
    hint.height = (int)(quarterTurn ? keepWidth : keepHeight);
    return hint;
}

InsideBorderPlan insideBorderPlan(int width, int height, int borderSize, int padding, bool resizeOn)
{
    InsideBorderPlan plan;
    int S = borderSize > 0 ? borderSize : 0;
    int F = padding > 0 ? padding : 0;
    int O = S + F;
    int cw = width - 2 * S - 2 * F;
    int ch = height - 2 * S - 2 * F;
    plan.cropWidth = cw > 0 ? cw : 1;
    plan.cropHeight = ch > 0 ? ch : 1;
    plan.x = width > O ? O : width / 2;
    plan.y = height > O ? O : height / 2;
    if (resizeOn) {
        // Fit to the smaller side: first drop the fill, then narrow the border.
        int L = width > height ? height : width;
        int cL = width > height ? plan.cropHeight : plan.cropWidth;
        if (L < cL + 2 * S) {
            int m = L - cL;
            if (m % 2 != 0)
                m -= 1;
            S = m / 2;
            F = 0;
            O = S;
            plan.cropWidth = width - 2 * S;
            plan.cropHeight = height - 2 * S;
        } else if (L < cL + 2 * (S + F)) {
            int c = (L - cL) % 2 == 0 ? cL : cL + 1;
            F = (L - c - 2 * S) / 2;
            O = S + F;
            plan.cropWidth = width - 2 * S - 2 * F;
            plan.cropHeight = height - 2 * S - 2 * F;
        } else {
            O = S + F;
        }
        plan.x = O;
        plan.y = O;
    }
    plan.borderSize = S;
    plan.padding = F;
    return plan;
}

static int placeAlong(int pictureSide, int markSide, int code, int distance)
{
    long long at;
    if (code == 1)
        at = distance;
    else if (code == 2)
        at = (long long)pictureSide - markSide - distance;
    else
        at = ((long long)pictureSide - markSide) / 2;
    return at < INT_MIN ? INT_MIN : at > INT_MAX ? INT_MAX : (int)at;
}

Offset watermarkOffset(int pictureWidth, int pictureHeight, int markWidth, int markHeight,
                       int horizontalCode, int horizontalDistance, int verticalCode, int verticalDistance)
{
    Offset at;
    at.x = placeAlong(pictureWidth, markWidth, horizontalCode, horizontalDistance);
    at.y = placeAlong(pictureHeight, markHeight, verticalCode, verticalDistance);
    return at;
}

// Whole dots per inch from dots per centimetre; 72 for what is no usable
// resolution. A file may hold any number here (a TIFF's is a fraction of two
// 32-bit numbers): one beyond the int range must not reach the conversion.
static int wholeInchesOr72(double perCentimetre)
{
    const double perInch = perCentimetre * 2.54;
    return perInch >= 1.0 && perInch <= (double)INT_MAX ? (int)perInch : 72;
}

ResolutionPlan resolutionPlan(int units, double x, double y, bool dpiOn, int dpi, bool resample,
                              int width, int height)
{
    ResolutionPlan plan;
    if (!dpiOn) {
        if (units == kUnitsPerInch) {
            plan.setUnits = true;
            plan.units = kUnitsPerInch;
            plan.setResolution = true;
            plan.x = x;
            plan.y = y;
        } else if (units == kUnitsPerCentimetre) {
            plan.setUnits = true;
            plan.units = kUnitsPerInch;
            plan.setResolution = true;
            plan.x = wholeInchesOr72(x);
            plan.y = wholeInchesOr72(y);
        } else if (units == kUnitsUndefined) {
            plan.setResolution = true;
            plan.setUnits = true;
            if (x != 0.0 || y != 0.0) {
                plan.units = kUnitsUndefined;
                plan.x = x;
                plan.y = y;
            } else {
                plan.units = kUnitsPerInch;
                plan.x = 72.0;
                plan.y = 72.0;
            }
        }
        return plan;
    }
    double wx = x, wy = y;
    if (units == kUnitsUndefined) {
        wx = wy = 72.0;
    } else if (units == kUnitsPerCentimetre) {
        wx = x * 2.54;
        wy = y * 2.54;
    }
    if (dpi < 1)
        return plan;
    plan.setUnits = true;
    plan.units = kUnitsPerInch;
    plan.setResolution = true;
    if (resample) {
        plan.x = wx;
        plan.y = wy;
        if ((double)dpi != wx) {
            // ImageMagick takes 72 for a zero resolution.
            double fromX = wx > 0.0 ? wx : 72.0;
            double fromY = wy > 0.0 ? wy : 72.0;
            plan.resample = true;
            plan.resampleTo = dpi;
            plan.resampleWidth = (double)width * dpi / fromX;
            plan.resampleHeight = (double)height * dpi / fromY;
        }
    } else {
        plan.x = dpi;
        plan.y = dpi;
    }
    return plan;
}

std::string jpegExtentValue(int maxFileSizeKb)
{
    if (maxFileSizeKb < 1 || maxFileSizeKb > 999998)
        return std::string();
    char text[16];
    snprintf(text, sizeof text, "%dkb", maxFileSizeKb);
    return text;
}
