#include "core/pipeline_watermark.h"

#include "core/resize_geometry.h"

bool compositeWatermark(MagickWand *picture, const MagickWand *mark, int horizontalCode, int horizontalDistance,
                        int verticalCode, int verticalDistance)
{
    if (!picture || !mark)
        return true;
    // The size queries only read; the prepared mark is shared by a whole run.
    MagickWand *readable = const_cast<MagickWand *>(mark);
    if (MagickGetNumberImages(readable) == 0)
        return true;
    int markWidth = (int)MagickGetImageWidth(readable);
    int markHeight = (int)MagickGetImageHeight(readable);
    Offset at = watermarkOffset((int)MagickGetImageWidth(picture), (int)MagickGetImageHeight(picture), markWidth,
                                markHeight, horizontalCode, horizontalDistance, verticalCode, verticalDistance);
    // Over a CMYK picture, RGB values would be taken for ink amounts (red comes
    // out cyan), so such a picture gets a CMYK copy of the mark.
    if (MagickGetImageColorspace(picture) == CMYKColorspace && MagickGetImageColorspace(readable) != CMYKColorspace) {
        MagickWand *inked = CloneMagickWand(mark);
        MagickTransformImageColorspace(inked, CMYKColorspace);
        bool ok = MagickCompositeImage(picture, inked, OverCompositeOp, at.x, at.y) != MagickFalse;
        DestroyMagickWand(inked);
        return ok;
    }
    return MagickCompositeImage(picture, mark, OverCompositeOp, at.x, at.y) != MagickFalse;
}
