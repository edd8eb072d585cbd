// 96 x 96 thumbnails of listed pictures, rendered through MagickWand. No window
// is touched: the result is a wand (for tests and tools) or an icon handle.
#pragma once
#include <windows.h>
#include <wand/MagickWand.h>

#include <string>

enum {
    kThumbnailAnimated = -1,   // an animated GIF, WebP or PNG: not supported (detail: its format)
    kThumbnailUnreadable = 0,  // ImageMagick cannot read the picture
    kThumbnailRendered = 1,
};

// The picture area inside the one-pixel frame, and the frame's colour.
const int kThumbnailInner = 94;
const int kThumbnailSize = 96;
extern const char kThumbnailFrameColour[];  // "#d4d0c8"

// Where a width x height picture lands in the 94 x 94 area: shrunk (never
// enlarged) to fit, keeping proportions, and centred.
struct ThumbnailPlacement {
    int width, height;  // size after fitting
    int x, y;           // offset inside the 94 x 94 area
};
ThumbnailPlacement thumbnailPlacement(int width, int height);

// For a progressive JPEG whose first scan holds the DC coefficients of every
// component: the number of leading bytes up to the end of that scan. Decoded at
// 1/8 scale, those bytes alone give each 8 x 8 block's mean, which is all a
// thumbnail needs, at a fraction of the cost of decoding every scan. 0 for any
// other file; needMore is set when the bytes end before the answer is known.
size_t progressiveDcPrefixLength(const unsigned char *data, size_t size, bool *needMore);

// Renders the thumbnail of a picture (GBK path) into a new 96 x 96 wand that the
// caller destroys: with autoOrient turned as its orientation tag says (the
// reduced decode is turned, not the full picture), fitted on white, turned by
// `rotation` degrees clockwise, then mirrored top to bottom when `flip` is not
// 0, framed. Returns kThumbnail*; the wand is set only for kThumbnailRendered.
// detail (if given) receives why a picture is unreadable, or the format name
// ("GIF", "WEBP", "PNG") of an animation.
int renderThumbnail(const char *path, int flip, int rotation, MagickWand **canvasOut, std::string *detail = nullptr,
                    bool autoOrient = true);

// A 96 x 96 icon with the pixels of a rendered canvas; null on failure.
HICON iconFromThumbnail(MagickWand *canvas);
// An n x n icon drawn wholly from an opaque 32-bit bitmap, which it takes over
// (deleted in every case); null on failure.
HICON iconFromOpaqueBitmap(HBITMAP colour, int n);

// renderThumbnail + iconFromThumbnail. 1 with the icon, 0 when the picture
// cannot be read (or the icon not made), -1 for an animation; detail as above.
int makeThumbnail(const char *path, int flip, int rotation, HICON *outIcon, std::string *detail = nullptr,
                  bool autoOrient = true);
