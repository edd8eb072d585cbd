// Steps that change the pixels or the size of a picture.
#include "core/pipeline_steps.h"

#include <cstring>

#include "core/resize_geometry.h"
#include "util/text.h"

std::string takeWandError(MagickWand *wand)
{
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    std::string out = text ? utf8ToGbk(text) : std::string();
    if (text)
        MagickRelinquishMemory(text);
    MagickClearException(wand);
    return out;
}

std::string wandFormat(MagickWand *wand)
{
    char *name = MagickGetImageFormat(wand);
    std::string format = name ? name : "";
    if (name)
        MagickRelinquishMemory(name);
    return format;
}

// The reason of a failed call: ImageMagick's text, or a plain one when it gave none.
static bool failedWith(MagickWand *wand, const char *operation, std::string &reason)
{
    reason = takeWandError(wand);
    if (reason.empty())
        reason = formatText("%s failed", operation);
    return false;
}

static void setBackground(MagickWand *picture, const char *colour)
{
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    MagickSetImageBackgroundColor(picture, c);
    DestroyPixelWand(c);
}

void flattenTransparency(MagickWand *picture, const std::string &format)
{
    // BMP files often carry an unused fourth byte that readers take for alpha.
    if (format.compare(0, 3, "BMP") == 0)
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    if (MagickGetImageAlphaChannel(picture) == MagickFalse)
        return;
    // PNG and PSD declare a background of their own; it is what they are flattened on.
    if (format != "PNG" && format != "PSD")
        setBackground(picture, "#FFFFFF");
    if (format == "BMP")
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    else
        MagickSetImageAlphaChannel(picture, RemoveAlphaChannel);
}

void removeCameraData(MagickWand *picture)
{
    size_t length = 0;
    unsigned char *removed = MagickRemoveImageProfile(picture, "exif", &length);
    if (removed)
        MagickRelinquishMemory(removed);
    removed = MagickRemoveImageProfile(picture, "xmp", &length);
    if (removed)
        MagickRelinquishMemory(removed);
}

bool recanvasJpegIfNeeded(MagickWand *&picture, const ProcessSettings &s, std::string &reason)
{
    size_t quality = MagickGetImageCompressionQuality(picture);
    bool rebuild = (s.bSYText && (!s.bQuanlity || s.quanlity > 89)) || (s.bSYImage && quality <= 89) ||
                   (s.bBorder && quality <= 89);
    if (!rebuild)
        return true;
    MagickWand *canvas = NewMagickWand();
    PixelWand *none = NewPixelWand();
    PixelSetColor(none, "none");
    bool made = MagickNewImage(canvas, MagickGetImageWidth(picture), MagickGetImageHeight(picture), none) &&
                MagickSetImageColorspace(canvas, MagickGetImageColorspace(picture)) &&
                MagickCompositeImage(canvas, picture, OverCompositeOp, 0, 0);
    DestroyPixelWand(none);
    if (!made) {
        failedWith(canvas, "MagickNewImage", reason);
        DestroyMagickWand(canvas);
        return false;
    }
    DestroyMagickWand(picture);
    picture = canvas;
    MagickSetImageCompression(canvas, JPEGCompression);
    MagickSetImageCompressionQuality(canvas, quality > 89 ? quality : 90);
    return true;
}

bool applyResolution(MagickWand *picture, const ProcessSettings &s, int units, double x, double y,
                     std::string &reason)
{
    ResolutionPlan plan = resolutionPlan(units, x, y, s.bDpi != 0, s.dpi, s.bDpiResample != 0,
                                         (int)MagickGetImageWidth(picture), (int)MagickGetImageHeight(picture));
    if (plan.setUnits)
        MagickSetImageUnits(picture, (ResolutionType)plan.units);
    if (plan.setResolution)
        MagickSetImageResolution(picture, plan.x, plan.y);
    if (!plan.resample)
        return true;
    if (plan.resampleWidth > kJpegMaxSide || plan.resampleHeight > kJpegMaxSide) {
        reason = formatText("重新采样后的尺寸 %.0f x %.0f 超出JPEG图片的最大尺寸 %d 像素", plan.resampleWidth,
                            plan.resampleHeight, kJpegMaxSide);
        return false;
    }
    if (!MagickResampleImage(picture, plan.resampleTo, plan.resampleTo, LanczosFilter, 1.0))
        return failedWith(picture, "MagickResampleImage", reason);
    return true;
}

bool rotateAndFlip(MagickWand *picture, int flip, int rotation, std::string &reason)
{
    if (rotation <= 0 && flip == 0)
        return true;
    PixelWand *background = NewPixelWand();
    bool ok = MagickRotateImage(picture, background, (double)rotation) != MagickFalse;
    DestroyPixelWand(background);
    if (!ok)
        return failedWith(picture, "MagickRotateImage", reason);
    if (flip != 0 && !MagickFlipImage(picture))
        return failedWith(picture, "MagickFlipImage", reason);
    return true;
}

bool resizePicture(MagickWand *picture, const ProcessSettings &s, std::string &reason)
{
    if (!s.bSize)
        return true;
    int width = (int)MagickGetImageWidth(picture);
    int height = (int)MagickGetImageHeight(picture);
    ResizePlan plan = s.zoomUnit == 1
                          ? percentResizePlan(width, height, s.sizeType, s.fSizeValue, s.bZoomSameScale != 0)
                          : pixelResizePlan(width, height, s.sizeType, s.zoomType, s.sizeValue, s.bZoomSameScale != 0);
    if (plan.resize && !MagickResizeImage(picture, (size_t)plan.width, (size_t)plan.height, LanczosFilter, 1.0))
        return failedWith(picture, "MagickResizeImage", reason);
    return true;
}

// A settings file can carry any number; a sharpening radius of thousands would
// run for hours.
static int slider(int value)
{
    return value < -100 ? -100 : value > 100 ? 100 : value;
}

void adjustTone(MagickWand *picture, const ProcessSettings &s)
{
    if (s.bLight && s.lightValue != 0)
        MagickBrightnessContrastImage(picture, slider(s.lightValue), 0.0);
    if (s.bContrast && s.contrastValue != 0)
        MagickBrightnessContrastImage(picture, 0.0, slider(s.contrastValue));
    if (s.bClearly) {
        int v = slider(s.clearlyValue);
        if (v > 0)
            MagickSharpenImage(picture, v / 10.0, v / 10.0);
        else if (v < 0)
            MagickGaussianBlurImage(picture, -v / 10.0, -v / 10.0);
    }
}
