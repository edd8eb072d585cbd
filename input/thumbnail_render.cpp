#include "input/thumbnail_render.h"

#include <cstring>
#include <string>
#include <vector>

#include "util/magick_path.h"

const char kThumbnailFrameColour[] = "#d4d0c8";

ThumbnailPlacement thumbnailPlacement(int width, int height)
{
    ThumbnailPlacement p;
    const int n = kThumbnailInner;
    if (width > n || height > n) {
        if (width >= height) {
            int h = (int)((long long)height * n / width);
            p.width = n;
            p.height = h > 0 ? h : 1;
            p.x = 0;
            p.y = (n - p.height) / 2;
        } else {
            int w = (int)((long long)width * n / height);
            p.width = w > 0 ? w : 1;
            p.height = n;
            p.x = (n - p.width) / 2;
            p.y = 0;
        }
    } else {
        p.width = width;
        p.height = height;
        p.x = (n - width) / 2;
        p.y = (n - height) / 2;
    }
    return p;
}

static bool formatIs(MagickWand *wand, const char *name, bool prefixOnly)
{
    char *format = MagickGetImageFormat(wand);
    bool same = false;
    if (format)
        same = prefixOnly ? strncmp(format, name, strlen(name)) == 0 : strcmp(format, name) == 0;
    MagickRelinquishMemory(format);
    return same;
}

// Reads the picture. JPEG files are decoded by libjpeg at the smallest of
// 1/8, 2/8, ... that still leaves at least twice the thumbnail size: a camera
// photo then costs a fraction of a full decode, and the resize below still has
// enough pixels for a clean result.
static MagickWand *readForThumbnail(const char *path)
{
    std::string unixPath = magickPath(path ? path : "");
    if (unixPath.empty())
        return nullptr;
    MagickWand *wand = NewMagickWand();
    MagickSetOption(wand, "jpeg:size", "188x188");
    if (MagickReadImage(wand, unixPath.c_str()) == MagickFalse || MagickGetNumberImages(wand) == 0) {
        DestroyMagickWand(wand);
        return nullptr;
    }
    return wand;
}

int renderThumbnail(const char *path, int flip, int rotation, MagickWand **canvasOut)
{
    *canvasOut = nullptr;
    MagickWand *picture = readForThumbnail(path);
    if (!picture)
        return kThumbnailUnreadable;

    MagickSetIteratorIndex(picture, 0);
    if (formatIs(picture, "GIF", false) && MagickGetNumberImages(picture) >= 2) {
        DestroyMagickWand(picture);
        return kThumbnailAnimated;
    }
    // Layered and multi-page files show their first image (already current).
    if (formatIs(picture, "BMP", true))
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    if (MagickGetImageColorspace(picture) == CMYKColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);

    int width = (int)MagickGetImageWidth(picture);
    int height = (int)MagickGetImageHeight(picture);
    ThumbnailPlacement at = thumbnailPlacement(width, height);
    if (at.width != width || at.height != height) {
        if (MagickResizeImage(picture, (size_t)at.width, (size_t)at.height, TriangleFilter, 1.0) == MagickFalse)
            MagickThumbnailImage(picture, (size_t)at.width, (size_t)at.height);
    }

    MagickWand *canvas = NewMagickWand();
    PixelWand *colour = NewPixelWand();
    PixelSetColor(colour, "#FFFFFF");
    bool ok = MagickNewImage(canvas, kThumbnailInner, kThumbnailInner, colour) != MagickFalse &&
              MagickCompositeImage(canvas, picture, OverCompositeOp, at.x, at.y) != MagickFalse;
    DestroyMagickWand(picture);
    if (ok && (rotation % 360 != 0 || flip != 0)) {
        if (rotation % 360 != 0)
            ok = MagickRotateImage(canvas, colour, (double)(rotation % 360)) != MagickFalse;
        if (ok && flip != 0)
            ok = MagickFlipImage(canvas) != MagickFalse;
    }
    if (ok) {
        PixelSetColor(colour, kThumbnailFrameColour);
        ok = MagickBorderImage(canvas, colour, 1, 1) != MagickFalse;
    }
    DestroyPixelWand(colour);
    if (!ok || MagickGetImageWidth(canvas) != kThumbnailSize || MagickGetImageHeight(canvas) != kThumbnailSize) {
        DestroyMagickWand(canvas);
        return kThumbnailUnreadable;
    }
    *canvasOut = canvas;
    return kThumbnailRendered;
}

HICON iconFromThumbnail(MagickWand *canvas)
{
    if (!canvas)
        return nullptr;
    const int n = kThumbnailSize;
    std::vector<unsigned char> bgra((size_t)n * n * 4);
    if (MagickExportImagePixels(canvas, 0, 0, n, n, "BGRA", CharPixel, bgra.data()) == MagickFalse)
        return nullptr;
    // The canvas is opaque; keep it so even if a frame came out with alpha.
    for (size_t i = 3; i < bgra.size(); i += 4)
        bgra[i] = 255;

    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = n;
    bi.bmiHeader.biHeight = -n;  // top-down, like the exported rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour || !bits) {
        if (colour)
            DeleteObject(colour);
        return nullptr;
    }
    memcpy(bits, bgra.data(), bgra.size());
    GdiFlush();
    std::vector<unsigned char> maskBits((size_t)(n / 8) * n, 0);  // all zero: every pixel drawn
    HBITMAP mask = CreateBitmap(n, n, 1, 1, maskBits.data());
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    DeleteObject(colour);
    if (mask)
        DeleteObject(mask);
    return icon;
}

int makeThumbnail(const char *path, int flip, int rotation, HICON *outIcon)
{
    *outIcon = nullptr;
    MagickWand *canvas = nullptr;
    int result = renderThumbnail(path, flip, rotation, &canvas);
    if (result != kThumbnailRendered)
        return result;
    HICON icon = iconFromThumbnail(canvas);
    DestroyMagickWand(canvas);
    if (!icon)
        return kThumbnailUnreadable;
    *outIcon = icon;
    return kThumbnailRendered;
}
