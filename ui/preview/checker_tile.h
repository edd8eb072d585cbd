// The checkerboard a preview shows behind transparent parts: a 16 x 16 tile of
// four 8 x 8 squares, white top-left and bottom-right, #CCCCCC the others.
#pragma once
#include <wand/MagickWand.h>

// A new wand holding the tile (caller destroys), nullptr when it cannot be made.
MagickWand *newCheckerTile();
// A transparent picture laid over the tile repeated to its size; the wand is
// replaced. false when ImageMagick fails (the wand is left as it was).
bool layOverChecker(MagickWand *&wand);
