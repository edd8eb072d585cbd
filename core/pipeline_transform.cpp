// Steps that change the pixels or the size of a picture.
#include "core/pipeline_steps.h"

#include <cstring>

#include "core/resize_geometry.h"

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

MagickWand *recanvasJpegIfNeeded(MagickWand *picture, const ProcessSettings &s)
{
    size_t quality = MagickGetImageCompressionQuality(picture);
    bool rebuild = (s.bSYText && (!s.bQuanlity || s.quanlity > 89)) || (s.bSYImage && quality <= 89) ||
                   (s.bBorder && quality <= 89);
    if (!rebuild)
        return picture;
    MagickWand *canvas = NewMagickWand();
    PixelWand *none = NewPixelWand();
    PixelSetColor(none, "none");
    MagickBooleanType made =
        MagickNewImage(canvas, MagickGetImageWidth(picture), MagickGetImageHeight(picture), none);
    DestroyPixelWand(none);
    if (made == MagickFalse) {
        DestroyMagickWand(canvas);
        return picture;
    }
    MagickSetImageColorspace(canvas, MagickGetImageColorspace(picture));
    MagickCompositeImage(canvas, picture, OverCompositeOp, 0, 0);
    DestroyMagickWand(picture);
    MagickSetImageCompression(canvas, JPEGCompression);
    MagickSetImageCompressionQuality(canvas, quality > 89 ? quality : 90);
    return canvas;
}

void applyResolution(MagickWand *picture, const ProcessSettings &s, int units, double x, double y)
{
    ResolutionPlan plan = resolutionPlan(units, x, y, s.bDpi != 0, s.dpi, s.bDpiResample != 0,
                                         (int)MagickGetImageWidth(picture), (int)MagickGetImageHeight(picture));
    if (plan.setUnits)
        MagickSetImageUnits(picture, (ResolutionType)plan.units);
    if (plan.setResolution)
        MagickSetImageResolution(picture, plan.x, plan.y);
    if (plan.resample)
        MagickResampleImage(picture, plan.resampleTo, plan.resampleTo, LanczosFilter, 1.0);
}

void rotateAndFlip(MagickWand *picture, int flip, int rotation)
{
    if (rotation <= 0 && flip == 0)
        return;
    PixelWand *background = NewPixelWand();
    MagickRotateImage(picture, background, (double)rotation);
    DestroyPixelWand(background);
    if (flip != 0)
        MagickFlipImage(picture);
}

void resizePicture(MagickWand *picture, const ProcessSettings &s)
{
    if (!s.bSize)
        return;
    int width = (int)MagickGetImageWidth(picture);
    int height = (int)MagickGetImageHeight(picture);
    ResizePlan plan = s.zoomUnit == 1
                          ? percentResizePlan(width, height, s.sizeType, s.fSizeValue, s.bZoomSameScale != 0)
                          : pixelResizePlan(width, height, s.sizeType, s.zoomType, s.sizeValue, s.bZoomSameScale != 0);
    if (plan.resize)
        MagickResizeImage(picture, (size_t)plan.width, (size_t)plan.height, LanczosFilter, 1.0);
}

void adjustTone(MagickWand *picture, const ProcessSettings &s)
{
    if (s.bLight && s.lightValue != 0)
        MagickBrightnessContrastImage(picture, s.lightValue, 0.0);
    if (s.bContrast && s.contrastValue != 0)
        MagickBrightnessContrastImage(picture, 0.0, s.contrastValue);
    if (s.bClearly) {
        int v = s.clearlyValue;
        if (v > 0)
            MagickSharpenImage(picture, v / 10.0, v / 10.0);
        else if (v < 0)
            MagickGaussianBlurImage(picture, -v / 10.0, -v / 10.0);
    }
}
