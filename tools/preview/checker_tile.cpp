#include "tools/preview/checker_tile.h"

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

bool fillWithChecker(MagickWand *&picture)
{
    MagickWand *tile = newCheckerTile();
    if (!tile)
        return false;
    MagickWand *textured = MagickTextureImage(picture, tile);
    DestroyMagickWand(tile);
    if (!textured)
        return false;
    DestroyMagickWand(picture);
    picture = textured;
    return true;
}
