// The border step: a white fill and a coloured frame, around the picture or,
// inside, in place of its outer rows and columns.
#include "core/pipeline_steps.h"

#include "core/resize_geometry.h"
#include "core/settings_rules.h"

static bool frame(MagickWand *picture, const char *colour, int size, std::string &reason)
{
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    bool ok = MagickBorderImage(picture, c, (size_t)size, (size_t)size) != MagickFalse;
    DestroyPixelWand(c);
    if (!ok) {
        reason = takeWandError(picture);
        if (reason.empty())
            reason = "MagickBorderImage failed";
    }
    return ok;
}

bool addBorder(MagickWand *picture, const ProcessSettings &s, std::string &reason)
{
    if (!s.bBorder)
        return true;
    int size = s.border_size;
    int padding = s.border_padding;
    if (s.border_location == 1) {
        int width = (int)MagickGetImageWidth(picture);
        int height = (int)MagickGetImageHeight(picture);
        InsideBorderPlan plan = insideBorderPlan(width, height, size, padding, s.bSize != 0);
        MagickSetImagePage(picture, (size_t)width, (size_t)height, 0, 0);
        if (!MagickCropImage(picture, (size_t)plan.cropWidth, (size_t)plan.cropHeight, plan.x, plan.y)) {
            reason = takeWandError(picture);
            if (reason.empty())
                reason = "MagickCropImage failed";
            return false;
        }
        MagickSetImagePage(picture, (size_t)plan.cropWidth, (size_t)plan.cropHeight, 0, 0);
        size = plan.borderSize;
        padding = plan.padding;
    }
    if (padding > 0 && !frame(picture, "#FFFFFF", padding, reason))
        return false;
    if (size > 0 && !frame(picture, colorText(s.border_color).c_str(), size, reason))
        return false;
    return true;
}
