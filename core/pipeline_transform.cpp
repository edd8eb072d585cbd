// Steps that change the pixels or the size of a picture.
#include "core/pipeline_steps.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/resize_geometry.h"
#include "imaging/camera_data.h"
#include "imaging/sharpen.h"
#include "imaging/tone_table.h"
#include "util/text.h"

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

// Camera data is the EXIF and XMP blocks and the other application blocks
// (APP1 .. APP15 that are neither EXIF nor XMP: maker notes, extended XMP,
// thermal or depth data, previews), which ImageMagick keeps as "app1" .. "app15".
// Such blocks can be larger than the picture itself. ICC and IPTC stay.
static bool isCameraDataProfile(const char *name)
{
    if (strcmp(name, "exif") == 0 || strcmp(name, "xmp") == 0)
        return true;
    if ((name[0] != 'a' && name[0] != 'A') || (name[1] != 'p' && name[1] != 'P') || (name[2] != 'p' && name[2] != 'P') ||
        !name[3])
        return false;
    for (const char *p = name + 3; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

void removeCameraData(MagickWand *picture)
{
    size_t count = 0;
    char **names = MagickGetImageProfiles(picture, "*", &count);
    std::vector<std::string> cameraData;
    for (size_t i = 0; names && i < count; ++i) {
        if (names[i] && isCameraDataProfile(names[i]))
            cameraData.push_back(names[i]);
        if (names[i])
            MagickRelinquishMemory(names[i]);
    }
    if (names)
        MagickRelinquishMemory(names);
    for (const std::string &name : cameraData) {
        size_t length = 0;
        unsigned char *removed = MagickRemoveImageProfile(picture, name.c_str(), &length);
        if (removed)
            MagickRelinquishMemory(removed);
    }
}

void removeLocationData(MagickWand *picture)
{
    CameraDataEdit edit;
    edit.dropLocation = true;
    editCameraData(picture, edit);
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
                // Over an opaque JPEG a plain copy gives the same pixels, without the blending.
                MagickCompositeImage(canvas, picture, CopyCompositeOp, 0, 0);
    DestroyPixelWand(none);
    if (!made) {
        failedWith(canvas, "MagickNewImage", reason);
        DestroyMagickWand(canvas);
        return false;
    }
    DestroyMagickWand(picture);
    picture = canvas;
    // A JPEG is opaque, so the rebuilt picture is too: without its alpha channel
    // every later step works on three channels instead of four.
    MagickSetImageAlphaChannel(canvas, DeactivateAlphaChannel);
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

bool resizePicture(MagickWand *picture, const ProcessSettings &s, int width, int height, std::string &reason)
{
    ResizePlan plan = settingsResizePlan(s, width, height);
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
        brightnessContrastPicture(picture, slider(s.lightValue), 0.0);
    if (s.bContrast && s.contrastValue != 0)
        brightnessContrastPicture(picture, 0.0, slider(s.contrastValue));
    if (s.bClearly) {
        int v = slider(s.clearlyValue);
        if (v > 0)
            sharpenPicture(picture, v / 10.0, v / 10.0);
        else if (v < 0)
            MagickGaussianBlurImage(picture, -v / 10.0, -v / 10.0);
    }
}
