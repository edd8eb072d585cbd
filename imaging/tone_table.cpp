#include "imaging/tone_table.h"

#include <vector>

#include "imaging/row_bands.h"

namespace {

const size_t kValues = 65536;
const size_t kSide = 256;  // the ramp is square: policies cap a picture's width

// ImageMagick's own mapping of every 16-bit value, read back from a ramp of
// all of them.
bool toneTable(double brightness, double contrast, std::vector<unsigned short> &table)
{
    std::vector<unsigned short> ramp(kValues * 3);
    for (size_t i = 0; i < kValues; ++i)
        ramp[3 * i] = ramp[3 * i + 1] = ramp[3 * i + 2] = (unsigned short)i;
    MagickWand *w = NewMagickWand();
    PixelWand *black = NewPixelWand();
    PixelSetColor(black, "black");
    bool ok = MagickNewImage(w, kSide, kSide, black) &&
              MagickImportImagePixels(w, 0, 0, kSide, kSide, "RGB", ShortPixel, ramp.data()) &&
              MagickBrightnessContrastImage(w, brightness, contrast) &&
              MagickExportImagePixels(w, 0, 0, kSide, kSide, "RGB", ShortPixel, ramp.data());
    DestroyPixelWand(black);
    DestroyMagickWand(w);
    if (!ok)
        return false;
    table.resize(kValues);
    for (size_t i = 0; i < kValues; ++i) {
        // One mapping for every channel, or the table is no copy of it.
        if (ramp[3 * i] != ramp[3 * i + 1] || ramp[3 * i] != ramp[3 * i + 2])
            return false;
        table[i] = ramp[3 * i];
    }
    return true;
}

}  // namespace

bool brightnessContrastPicture(MagickWand *wand, double brightness, double contrast)
{
    static_assert(MAGICKCORE_QUANTUM_DEPTH == 16, "a table of 16-bit values");
    Image *image = wand ? GetImageFromMagickWand(wand) : nullptr;
    std::vector<unsigned short> table;
    if (!image || image->colorspace == CMYKColorspace || image->columns * image->rows < 4 * kValues ||
        !toneTable(brightness, contrast, table))
        return MagickBrightnessContrastImage(wand, brightness, contrast) != MagickFalse;
    // As ImageMagick does: a palette picture gets pixels of its own.
    if (!SetImageStorageClass(image, DirectClass))
        return MagickBrightnessContrastImage(wand, brightness, contrast) != MagickFalse;
    const unsigned short *map = table.data();
    return forEachRowBand(image->rows, [&](ssize_t firstRow, ssize_t endRow) {
        ExceptionInfo *exception = AcquireExceptionInfo();
        CacheView *view = AcquireAuthenticCacheView(image, exception);
        bool ok = true;
        for (ssize_t y = firstRow; ok && y < endRow; ++y) {
            PixelPacket *q = GetCacheViewAuthenticPixels(view, 0, y, image->columns, 1, exception);
            if (!q) {
                ok = false;
                break;
            }
            for (size_t x = 0; x < image->columns; ++x, ++q) {
                SetPixelRed(q, map[GetPixelRed(q)]);
                SetPixelGreen(q, map[GetPixelGreen(q)]);
                SetPixelBlue(q, map[GetPixelBlue(q)]);
            }
            ok = SyncCacheViewAuthenticPixels(view, exception) != MagickFalse;
        }
        view = DestroyCacheView(view);
        exception = DestroyExceptionInfo(exception);
        return ok;
    });
}
