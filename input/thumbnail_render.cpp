#include "input/thumbnail_render.h"

#include <cstring>
#include <string>
#include <vector>

#include "imaging/picture_read.h"

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

size_t progressiveDcPrefixLength(const unsigned char *data, size_t size, bool *needMore)
{
    *needMore = false;
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return 0;
    int components = 0;
    size_t pos = 2;
    for (;;) {
        if (pos + 4 > size) {
            *needMore = true;
            return 0;
        }
        if (data[pos] != 0xFF)
            return 0;
        unsigned char marker = data[pos + 1];
        if (marker == 0xFF) {  // fill byte
            pos++;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        size_t length = ((size_t)data[pos + 2] << 8) | data[pos + 3];
        if (length < 2)
            return 0;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (marker != 0xC2)
                return 0;  // baseline, lossless, arithmetic: decoded the usual way
            if (pos + 10 > size) {
                *needMore = true;
                return 0;
            }
            components = data[pos + 9];
        } else if (marker == 0xDA) {
            if (components == 0 || pos + 2 + length > size) {
                *needMore = components != 0;
                return 0;
            }
            int inScan = data[pos + 4];
            size_t spectral = pos + 5 + 2 * (size_t)inScan;
            if (inScan != components || spectral + 3 > pos + 2 + length)
                return 0;
            int ss = data[spectral], se = data[spectral + 1], ah = data[spectral + 2] >> 4;
            if (ss != 0 || se != 0 || ah != 0)
                return 0;
            // The entropy-coded data ends at the first marker that is neither a
            // stuffed zero nor a restart marker.
            for (size_t i = pos + 2 + length; i + 1 < size; ++i) {
                if (data[i] != 0xFF)
                    continue;
                unsigned char next = data[i + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF)
                    continue;
                return i;
            }
            *needMore = true;
            return 0;
        } else if (marker == 0xD9) {
            return 0;
        }
        pos += 2 + length;
    }
}

// Reads the picture through the checked reader. JPEG files are decoded by
// libjpeg at the smallest of 1/8, 2/8, ... that still leaves at least twice the
// thumbnail size, and a progressive JPEG only as far as its first (DC) scan: a
// camera photo then costs a fraction of a full decode, and the resize below
// still has enough pixels.
static MagickWand *decodeForThumbnail(PictureFile &file, std::string &reason)
{
    const DecodeHint hint{188, 188};
    if (file.format == "JPEG") {
        bool needMore = false;
        size_t prefix = progressiveDcPrefixLength(file.bytes.data(), file.bytes.size(), &needMore);
        if (prefix) {
            // The first scan and an end-of-image marker, decoded in place of the whole file.
            std::vector<unsigned char> whole = std::move(file.bytes);
            file.bytes.assign(whole.begin(), whole.begin() + (std::ptrdiff_t)prefix);
            file.bytes.push_back(0xFF);
            file.bytes.push_back(0xD9);
            DecodeHint firstScan = hint;
            firstScan.firstScanOnly = true;
            if (MagickWand *wand = decodePictureFile(file, firstScan, reason))
                return wand;
            file.bytes = std::move(whole);
        }
    }
    return decodePictureFile(file, hint, reason);
}

int renderThumbnail(const char *path, int flip, int rotation, MagickWand **canvasOut, std::string *detail,
                    bool autoOrient)
{
    *canvasOut = nullptr;
    PictureFile file;
    std::string reason;
    if (!path || !readPictureFile(path, file, reason)) {
        if (detail)
            *detail = reason;
        return kThumbnailUnreadable;
    }
    // ImageMagick decodes an APNG as its first frame: only the file says it moves.
    if (file.animated) {
        if (detail)
            *detail = file.format;
        return kThumbnailAnimated;
    }
    MagickWand *picture = decodeForThumbnail(file, reason);
    if (!picture) {
        if (detail)
            *detail = reason;
        return kThumbnailUnreadable;
    }

    MagickSetIteratorIndex(picture, 0);
    const std::string format = wandFormat(picture);
    if (isAnimation(format, MagickGetNumberImages(picture))) {
        DestroyMagickWand(picture);
        if (detail)
            *detail = format;
        return kThumbnailAnimated;
    }
    if (autoOrient)
        orientPicture(picture, file.orientation);
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
    return iconFromOpaqueBitmap(colour, n);
}

HICON iconFromOpaqueBitmap(HBITMAP colour, int n)
{
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

int makeThumbnail(const char *path, int flip, int rotation, HICON *outIcon, std::string *detail, bool autoOrient)
{
    *outIcon = nullptr;
    MagickWand *canvas = nullptr;
    int result = renderThumbnail(path, flip, rotation, &canvas, detail, autoOrient);
    if (result != kThumbnailRendered)
        return result;
    HICON icon = iconFromThumbnail(canvas);
    DestroyMagickWand(canvas);
    if (!icon)
        return kThumbnailUnreadable;
    *outIcon = icon;
    return kThumbnailRendered;
}
