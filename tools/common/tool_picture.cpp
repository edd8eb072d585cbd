#include "tools/common/tool_picture.h"

#include "core/pipeline_steps.h"
#include "util/magick_path.h"

MagickWand *readToolPicture(const std::string &path, std::string &detail)
{
    detail.clear();
    std::string source = magickPath(path);
    if (source.empty())
        return nullptr;
    MagickWand *all = NewMagickWand();
    bool read = MagickReadImage(all, source.c_str()) != MagickFalse;
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(all, &severity);
    if (text)
        MagickRelinquishMemory(text);
    if (!read || severity >= ErrorException || MagickGetNumberImages(all) == 0) {
        detail = takeWandError(all);
        DestroyMagickWand(all);
        return nullptr;
    }
    MagickClearException(all);
    // After a read the wand stands on the last image; the first is the one meant.
    MagickResetIterator(all);
    MagickWand *first = MagickGetImage(all);
    DestroyMagickWand(all);
    if (first && (MagickGetImageWidth(first) == 0 || MagickGetImageHeight(first) == 0)) {
        DestroyMagickWand(first);
        first = nullptr;
    }
    return first;
}
