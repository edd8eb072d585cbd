// The checkerboard a preview shows behind transparent parts: a 16 x 16 tile of
// four 8 x 8 squares, white top-left and bottom-right, #CCCCCC the others.
#pragma once
#include <wand/MagickWand.h>

// A new wand holding the tile (caller destroys), nullptr when it cannot be made.
MagickWand *newCheckerTile();
// Replaces the picture's pixels by the tile repeated over its size
// (MagickTextureImage). false and the picture unchanged when that fails.
bool fillWithChecker(MagickWand *&picture);
