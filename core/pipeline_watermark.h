// Stamping a prepared watermark picture onto a picture.
#pragma once
#include <wand/MagickWand.h>

// Composites the current image of mark over picture at the place given by the
// position codes (see watermarkOffset); parts outside the picture are clipped.
// Does nothing when mark is absent or empty. False when ImageMagick could not
// composite (its reason stays in picture's exception).
bool compositeWatermark(MagickWand *picture, const MagickWand *mark, int horizontalCode, int horizontalDistance,
                        int verticalCode, int verticalDistance);
