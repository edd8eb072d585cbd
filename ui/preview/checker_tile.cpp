#include "ui/preview/checker_tile.h"

MagickWand *newCheckerTile()
{
    unsigned char pixels[16 * 16 * 3];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            unsigned char v = ((x < 8) == (y < 8)) ? 0xFF : 0xCC;
            unsigned char *p = pixels + (y * 16 + x) * 3;
            p[0] = p[1] = p[2] = v;
        }
    MagickWand *tile = NewMagickWand();
    if (!MagickConstituteImage(tile, 16, 16, "RGB", CharPixel, pixels)) {
        DestroyMagickWand(tile);
        return nullptr;
    }
    return tile;
}

bool layOverChecker(MagickWand *&wand)
{
    MagickWand *texture = newCheckerTile();
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "#ffffff");
    MagickWand *canvas = NewMagickWand();
    MagickWand *tiled = nullptr;
    bool ok = texture && MagickNewImage(canvas, MagickGetImageWidth(wand), MagickGetImageHeight(wand), white);
    if (ok)
        tiled = MagickTextureImage(canvas, texture);
    ok = tiled && MagickCompositeImage(tiled, wand, OverCompositeOp, 0, 0);
    if (ok) {
        MagickSetImageAlphaChannel(tiled, DeactivateAlphaChannel);
        DestroyMagickWand(wand);
        wand = tiled;
    } else if (tiled) {
        DestroyMagickWand(tiled);
    }
    DestroyMagickWand(canvas);
    DestroyPixelWand(white);
    if (texture)
        DestroyMagickWand(texture);
    return ok;
}
