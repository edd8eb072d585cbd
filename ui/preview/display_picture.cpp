#include "ui/preview/display_picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

namespace {

// A 32-bit top-down DIB section; bits receives its pixels.
HBITMAP newDib(int width, int height, void **bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows, as ImageMagick exports them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

const unsigned char *dibBits(HBITMAP bitmap)
{
    DIBSECTION section = {};
    if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section)
        return nullptr;
    return static_cast<const unsigned char *>(section.dsBm.bmBits);
}

// Where each original column (or row) goes: the first new one it falls in and
// the part of it that falls there (the rest goes to the next).
void spread(int from, int to, std::vector<int> &index, std::vector<float> &first)
{
    index.resize((size_t)from);
    first.resize((size_t)from);
    for (int i = 0; i < from; ++i) {
        const double a = (double)i * to / from, b = (double)(i + 1) * to / from;
        int at = (int)a;
        if (at >= to)
            at = to - 1;
        const double end = at + 1.0;
        index[(size_t)i] = at;
        first[(size_t)i] = (b <= end || at + 1 >= to) ? 1.0f : (float)((end - a) / (b - a));
    }
}

}  // namespace

void shrinkBgra(const unsigned char *from, int fromWidth, int fromHeight, unsigned char *to, int toWidth,
                int toHeight)
{
    if (!from || !to || fromWidth <= 0 || fromHeight <= 0 || toWidth <= 0 || toHeight <= 0 || toWidth > fromWidth ||
        toHeight > fromHeight)
        return;
    std::vector<int> column, row;
    std::vector<float> columnFirst, rowFirst;
    spread(fromWidth, toWidth, column, columnFirst);
    spread(fromHeight, toHeight, row, rowFirst);
    const size_t n = (size_t)toWidth * 3;
    std::vector<float> line(n), current(n), next(n);
    // Every original pixel gives weight 1 in all: a new one holds this many.
    const float scale = (float)((double)toWidth * toHeight / ((double)fromWidth * fromHeight));
    int currentRow = 0;
    auto emit = [&](int r) {
        unsigned char *out = to + (size_t)r * toWidth * 4;
        for (int x = 0; x < toWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                float v = current[(size_t)x * 3 + c] * scale + 0.5f;
                out[x * 4 + c] = (unsigned char)(v < 0.0f ? 0 : v > 255.0f ? 255 : (int)v);
            }
            out[x * 4 + 3] = 255;
        }
    };
    for (int y = 0; y < fromHeight; ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        const unsigned char *p = from + (size_t)y * fromWidth * 4;
        for (int x = 0; x < fromWidth; ++x, p += 4) {
            const size_t at = (size_t)column[(size_t)x] * 3;
            const float f = columnFirst[(size_t)x];
            if (f >= 1.0f) {
                line[at] += p[0];
                line[at + 1] += p[1];
                line[at + 2] += p[2];
            } else {
                const float g = 1.0f - f;
                line[at] += p[0] * f;
                line[at + 1] += p[1] * f;
                line[at + 2] += p[2] * f;
                line[at + 3] += p[0] * g;
                line[at + 4] += p[1] * g;
                line[at + 5] += p[2] * g;
            }
        }
        const int r = row[(size_t)y];
        if (r != currentRow) {
            emit(currentRow);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0.0f);
            currentRow = r;
        }
        const float f = rowFirst[(size_t)y], g = 1.0f - f;
        for (size_t i = 0; i < n; ++i) {
            current[i] += line[i] * f;
            if (g > 0.0f)
                next[i] += line[i] * g;
        }
    }
    emit(currentRow);
}

bool makeDrawnPicture(int width, int height, void (*draw)(void *context, HDC dc), void *context, DisplayPicture &out)
{
    out = DisplayPicture();
    void *bits = nullptr;
    HBITMAP bitmap = width > 0 && height > 0 ? newDib(width, height, &bits) : nullptr;
    HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!dc) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (draw)
        draw(context, dc);
    SelectObject(dc, old);
    DeleteDC(dc);
    GdiFlush();
    out.bitmap = bitmap;
    out.width = width;
    out.height = height;
    return true;
}

void drawDisplayPicture(const DisplayPicture &picture, DisplayPicture &cache, HDC dc, int x, int y, int width,
                        int height)
{
    if (!picture.bitmap || width <= 0 || height <= 0)
        return;
    const DisplayPicture *source = &picture;
    if (width != picture.width || height != picture.height) {
        if (!cache.bitmap || cache.width != width || cache.height != height) {
            releaseDisplayPicture(cache);
            void *bits = nullptr;
            const unsigned char *full = dibBits(picture.bitmap);
            HBITMAP shrunk = full && width <= picture.width && height <= picture.height ? newDib(width, height, &bits)
                                                                                          : nullptr;
            if (shrunk) {
                GdiFlush();
                shrinkBgra(full, picture.width, picture.height, static_cast<unsigned char *>(bits), width, height);
                cache.bitmap = shrunk;
                cache.width = width;
                cache.height = height;
            }
        }
        source = cache.bitmap ? &cache : nullptr;
    }
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old = SelectObject(memory, source ? source->bitmap : picture.bitmap);
    if (source) {
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    } else {
        // No memory for the shrunk copy: the system's own stretch will do.
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, x, y, width, height, memory, 0, 0, picture.width, picture.height, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

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
    void *bits = nullptr;
    HBITMAP bitmap = newDib(w, h, &bits);
    if (!bitmap) {
        reason = formatText("CreateDIBSection(%d x %d) failed: %lu", w, h, (unsigned long)GetLastError());
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
