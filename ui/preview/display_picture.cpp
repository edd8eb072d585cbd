#include "ui/preview/display_picture.h"

#include "core/resize_geometry.h"
#include "util/text.h"

namespace {

// ImageMagick's text for what went wrong with the wand, in GBK, and whether it
// was an error (warnings about damaged data leave a usable picture).
bool wandFailed(MagickWand *wand, std::string &reason)
{
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    bool failed = severity >= ErrorException;
    if (failed)
        reason = text && *text ? utf8ToGbk(text) : std::string("ImageMagick error");
    if (text)
        MagickRelinquishMemory(text);
    MagickClearException(wand);
    return failed;
}

// The one place the pane reads picture data: JPEG bytes it made itself.
MagickWand *readJpegBlob(const unsigned char *data, size_t length, std::string &reason)
{
    MagickWand *wand = NewMagickWand();
    MagickSetFormat(wand, "JPEG");
    bool read = MagickReadImageBlob(wand, data, length) != MagickFalse;
    if (wandFailed(wand, reason) || !read || MagickGetNumberImages(wand) == 0 || MagickGetImageWidth(wand) == 0 ||
        MagickGetImageHeight(wand) == 0) {
        if (reason.empty())
            reason = "JPEG data could not be read back";
        return DestroyMagickWand(wand);
    }
    return wand;
}

}  // namespace

void displaySizeFor(size_t width, size_t height, size_t &outWidth, size_t &outHeight)
{
    outWidth = width;
    outHeight = height;
    const size_t limit = (size_t)kJpegMaxSide;
    if (width <= limit && height <= limit)
        return;
    if (width >= height) {
        outWidth = limit;
        outHeight = (size_t)((double)height * limit / (double)width + 0.5);
    } else {
        outHeight = limit;
        outWidth = (size_t)((double)width * limit / (double)height + 0.5);
    }
    if (outWidth < 1)
        outWidth = 1;
    if (outHeight < 1)
        outHeight = 1;
}

bool makeDisplayPicture(MagickWand *wand, int quality, DisplayPicture &out, std::string &reason)
{
    out = DisplayPicture();
    reason.clear();
    if (!wand || MagickGetNumberImages(wand) == 0) {
        reason = "no picture";
        if (wand)
            DestroyMagickWand(wand);
        return false;
    }
    size_t width = 0, height = 0;
    displaySizeFor(MagickGetImageWidth(wand), MagickGetImageHeight(wand), width, height);
    if (width != MagickGetImageWidth(wand) || height != MagickGetImageHeight(wand)) {
        // Display only: a quick box filter is enough to show a strip this long.
        if (!MagickScaleImage(wand, width, height)) {
            wandFailed(wand, reason);
            DestroyMagickWand(wand);
            return false;
        }
        out.scaledDown = true;
    }
    if (MagickGetImageColorspace(wand) == CMYKColorspace)
        MagickTransformImageColorspace(wand, sRGBColorspace);
    if (quality > 0) {
        MagickSetImageCompression(wand, JPEGCompression);
        MagickSetImageCompressionQuality(wand, (size_t)(quality > 100 ? 100 : quality));
    }
    MagickSetImageFormat(wand, "JPEG");
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(wand, &length);
    std::string encodeProblem;
    bool encodeFailed = wandFailed(wand, encodeProblem);
    DestroyMagickWand(wand);
    if (!blob || length == 0 || encodeFailed) {
        reason = !encodeProblem.empty() ? encodeProblem : std::string("no JPEG data");
        if (blob)
            MagickRelinquishMemory(blob);
        return false;
    }
    MagickWand *shown = readJpegBlob(blob, length, reason);
    MagickRelinquishMemory(blob);
    if (!shown)
        return false;

    int w = (int)MagickGetImageWidth(shown), h = (int)MagickGetImageHeight(shown);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows, as ImageMagick exports them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        reason = formatText("CreateDIBSection(%d x %d) failed: %lu", w, h, (unsigned long)GetLastError());
        if (bitmap)
            DeleteObject(bitmap);
        DestroyMagickWand(shown);
        return false;
    }
    bool exported = MagickExportImagePixels(shown, 0, 0, (size_t)w, (size_t)h, "BGRA", CharPixel, bits) != MagickFalse;
    if (!exported) {
        wandFailed(shown, reason);
        if (reason.empty())
            reason = "MagickExportImagePixels failed";
        DeleteObject(bitmap);
        DestroyMagickWand(shown);
        return false;
    }
    DestroyMagickWand(shown);
    GdiFlush();
    out.bitmap = bitmap;
    out.width = w;
    out.height = h;
    out.jpegBytes = length;
    return true;
}

void releaseDisplayPicture(DisplayPicture &picture)
{
    if (picture.bitmap)
        DeleteObject(picture.bitmap);
    picture = DisplayPicture();
}
