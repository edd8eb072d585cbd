#include "core/pipeline.h"

#include <windows.h>

#include "core/pipeline_steps.h"
#include "core/safe_file.h"
#include "core/pipeline_watermark.h"
#include "util/magick_path.h"
#include "util/text.h"

const char kPreviewTarget[] = "temp\\preview.jpg";

static PictureOutcome failed(const std::string &message, const std::string &detail)
{
    PictureOutcome outcome;
    outcome.result = PictureResult::Failed;
    outcome.message = message;
    outcome.detail = detail;
    return outcome;
}

PictureOutcome processPicture(const PipelineInputs &inputs, const std::string &sourcePath,
                              const std::string &targetPath, int flip, int rotation)
{
    static const ProcessSettings kDefaults;
    const ProcessSettings &s = inputs.settings ? *inputs.settings : kDefaults;

    // 1. Read.
    MagickWand *picture = NewMagickWand();
    std::string source = magickPath(sourcePath);
    // Some readers hand back an empty 0 x 0 picture instead of an error (text
    // renamed to .jpg, 12-bit JPEG): that is no picture either.
    if (source.empty() || MagickReadImage(picture, source.c_str()) == MagickFalse ||
        MagickGetNumberImages(picture) == 0 || MagickGetImageWidth(picture) == 0 ||
        MagickGetImageHeight(picture) == 0) {
        std::string detail = source.empty() ? std::string() : takeWandError(picture);
        DestroyMagickWand(picture);
        return failed(formatText("图片读取失败:\r\n%s", sourcePath.c_str()), detail);
    }
    // A damaged but readable file leaves warnings behind; they are no errors.
    MagickClearException(picture);
    std::string format = wandFormat(picture);

    // 2. Animations are not taken apart.
    if (format == "GIF" && MagickGetNumberImages(picture) > 1) {
        DestroyMagickWand(picture);
        return failed(formatText("这是一个不受支持的图片格式:\r\n%s", sourcePath.c_str()), std::string());
    }
    // 3. The merged picture of a PSD, the first page of a TIFF.
    if (format == "PSD" || format == "TIFF")
        MagickResetIterator(picture);

    // 4. The resolution as read; the re-canvas below does not keep it.
    int units = (int)MagickGetImageUnits(picture);
    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(picture, &xResolution, &yResolution);

    std::string reason;
    bool ok = true;
    flattenTransparency(picture, format);                                       // 5
    if (s.bRemovePhotoOtherInfo)                                                // 6
        removeCameraData(picture);
    if (format == "JPEG")                                                       // 7
        ok = recanvasJpegIfNeeded(picture, s, reason);
    ok = ok && applyResolution(picture, s, units, xResolution, yResolution, reason);  // 8
    ok = ok && rotateAndFlip(picture, flip, rotation, reason);                  // 9
    ok = ok && resizePicture(picture, s, reason);                               // 10
    if (ok) {
        adjustTone(picture, s);                                                 // 11-13
        setCompression(picture, s, format);                                     // 14
        convertColourspace(picture, s, inputs.srgbProfile, inputs.cmykProfile); // 15
    }
    if (ok && s.bSYImage && !s.sy_image.empty() && inputs.imageWatermark) {    // 16
        makeGreyColourable(picture);
        ok = compositeWatermark(picture, inputs.imageWatermark, s.sy_image_w_direction, s.sy_image_w_value,
                                s.sy_image_h_direction, s.sy_image_h_value);
    }
    if (ok && s.bSYText && inputs.textWatermark) {                              // 17
        makeGreyColourable(picture);
        ok = compositeWatermark(picture, inputs.textWatermark, s.sy_text_w_direction, s.sy_text_w_value,
                                s.sy_text_h_direction, s.sy_text_h_value);
    }
    ok = ok && addBorder(picture, s, reason);                                   // 18
    if (!ok) {
        // A picture of the wrong size or without its marks is not the user's
        // result: nothing is written and nothing handed back.
        if (reason.empty())
            reason = takeWandError(picture);
        DestroyMagickWand(picture);
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                      reason);
    }
    if (s.bConvertBlackToWhite)                                                 // 19
        MagickTransformImageColorspace(picture, GRAYColorspace);
    // Whatever the tone and colour steps reported is no reason to refuse the picture.
    MagickClearException(picture);

    // 21. Output.
    PictureOutcome outcome;
    if (targetPath == kPreviewTarget) {
        if (MagickGetImageColorspace(picture) == CMYKColorspace)
            MagickTransformImageColorspace(picture, RGBColorspace);
        MagickSetImageFormat(picture, "JPEG");
        outcome.result = PictureResult::Picture;
        outcome.picture = picture;
        return outcome;
    }
    if (targetPath.empty()) {
        outcome.result = PictureResult::Picture;
        outcome.picture = picture;
        return outcome;
    }
    MagickSetImageFormat(picture, "JPEG");
    reason = writeWandSafely(picture, targetPath);
    DestroyMagickWand(picture);
    if (!reason.empty())
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                      reason);
    outcome.result = PictureResult::Written;
    return outcome;
}
