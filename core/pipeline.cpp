#include "core/pipeline.h"

#include "util/magick_path.h"
#include "util/text.h"

const char kPreviewTarget[] = "temp\\preview.jpg";

static std::string wandError(MagickWand *wand)
{
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    std::string out = text ? utf8ToGbk(text) : std::string();
    if (text)
        MagickRelinquishMemory(text);
    return out;
}

PictureOutcome processPicture(const PipelineInputs &inputs, const std::string &sourcePath,
                              const std::string &targetPath, int flip, int rotation)
{
    (void)inputs;
    (void)flip;
    (void)rotation;
    PictureOutcome outcome;
    MagickWand *wand = NewMagickWand();
    std::string source = magickPath(sourcePath);
    if (source.empty() || MagickReadImage(wand, source.c_str()) == MagickFalse) {
        outcome.message = formatText("图片读取失败:\r\n%s", sourcePath.c_str());
        DestroyMagickWand(wand);
        return outcome;
    }
    MagickSetImageFormat(wand, "JPEG");
    if (targetPath.empty() || targetPath == kPreviewTarget) {
        outcome.result = PictureResult::Picture;
        outcome.picture = wand;
        return outcome;
    }
    std::string target = magickPath(targetPath);
    if (target.empty() || MagickWriteImage(wand, target.c_str()) == MagickFalse) {
        outcome.message = formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", wandError(wand).c_str(),
                                     sourcePath.c_str());
        DestroyMagickWand(wand);
        return outcome;
    }
    DestroyMagickWand(wand);
    outcome.result = PictureResult::Written;
    return outcome;
}
