#include "core/pipeline.h"

#include <windows.h>

#include <cstdlib>

#include "core/pipeline_steps.h"
#include "core/jpeg_size_limit.h"
#include "imaging/output_options.h"
#include "core/pipeline_watermark.h"
#include "core/resize_geometry.h"
#include "imaging/picture_read.h"
#include "util/safe_file.h"
#include "util/text.h"

const char kPreviewTarget[] = "temp\\preview.jpg";

bool encodeJpeg(MagickWand *picture, std::string &bytes, std::string &reason, std::string &note)
{
    bytes.clear();
    note.clear();
    MagickSetImageFormat(picture, "JPEG");
    // A maximum file size rides on the picture as "jpeg:extent"; the search in
    // memory replaces ImageMagick's own, which would write a file per try.
    char *extent = MagickGetOption(picture, "jpeg:extent");
    std::string extentValue = extent ? extent : "";
    if (extent)
        MagickRelinquishMemory(extent);
    long kb = strtol(extentValue.c_str(), nullptr, 10);
    if (kb > 0) {
        MagickDeleteOption(picture, "jpeg:extent");
        bool fits = false;
        bool ok = encodeJpegWithin(picture, (size_t)kb * 1024, bytes, fits, reason);
        MagickSetOption(picture, "jpeg:extent", extentValue.c_str());
        // A picture that no quality gets there (a large picture, or camera data
        // that stays) is written at the smallest size all the same, but not in silence.
        if (ok && !fits)
            note = formatText("未能达到设置的文件大小上限 %ld KB (实际 %zu KB)", kb, (bytes.size() + 1023) / 1024);
        return ok;
    }
    return takeImageBlob(picture, bytes, reason);
}

bool usesSrgbProfile(const ProcessSettings &s)
{
    return s.bColorspaceTo && s.bUseSRGB_ICC && (s.toColorspace == 1 || s.toColorspace == 2);
}

static PictureOutcome failedOutcome(const std::string &message, const std::string &detail)
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

    // 1. Read, through the one checked reader. A JPEG that the resize is going
    // to shrink to less than half is decoded at a fraction of its size: it costs
    // a fraction of the memory and time, and a file that claims a huge size is
    // no threat then.
    std::string reason;
    PictureFile file;
    MagickWand *picture = nullptr;
    ResizePlan hint, reduce;
    int orientation = 0;  // the turn that makes the stored picture the one people see
    int planRotation = rotation;
    if (readPictureFile(sourcePath, file, reason)) {
        // An APNG decodes as its first frame only; no animation is flattened.
        if (file.animated) {
            std::string why = animationText(file);
            return failedOutcome(formatText("这是一个不受支持的图片格式:\r\n%s\r\n原因：%s", sourcePath.c_str(), why.c_str()),
                                 why);
        }
        orientation = s.bAutoOrient ? file.orientation : 0;
        // The plans work on the picture as shown: an orientation that exchanges
        // width and height counts as a quarter turn more.
        if (orientationSwapsSides(orientation))
            planRotation += 90;
        if (file.format == "JPEG") {
            hint = jpegDecodeHint(s, (int)file.width, (int)file.height, planRotation);
            reduce = jpegReducePlan(s, (int)file.width, (int)file.height, planRotation);
        }
        DecodeHint decode;
        if (hint.resize) {
            decode.width = (size_t)hint.width;
            decode.height = (size_t)hint.height;
        }
        // A JPEG that gets smaller is reduced as it is decoded, never held whole.
        if (reduce.resize)
            picture = decodeReducedJpeg(file, decode, (size_t)reduce.width, (size_t)reduce.height, reason);
        else
            picture = decodePictureFile(file, decode, reason);
        if (picture && reduce.resize &&
            (MagickGetImageWidth(picture) != (size_t)reduce.width ||
             MagickGetImageHeight(picture) != (size_t)reduce.height))
            reduce.resize = false;  // decoded whole after all: the resize step does it
    }
    if (!picture)
        return failedOutcome(formatText("图片读取失败:\r\n%s\r\n原因：%s", sourcePath.c_str(), reason.c_str()), reason);
    // The resize works from the size the picture has at full resolution.
    const bool quarterTurn = planRotation > 0 && (planRotation / 90) % 2 != 0;
    const int fullWidth = (int)(quarterTurn ? file.height : file.width);
    const int fullHeight = (int)(quarterTurn ? file.width : file.height);
    file.bytes = std::vector<unsigned char>();  // the pixels are decoded; the bytes are not needed any more
    char *formatName = MagickGetImageFormat(picture);
    std::string format = formatName ? formatName : "";
    if (formatName)
        MagickRelinquishMemory(formatName);

    // 2. Animations are not taken apart: refused before anything is decoded, and
    // here again for a format whose header does not count its frames.
    if (isAnimation(format, MagickGetNumberImages(picture))) {
        std::string why = formatText("%s 动画 (共 %zu 帧)", format.c_str(), MagickGetNumberImages(picture));
        DestroyMagickWand(picture);
        return failedOutcome(formatText("这是一个不受支持的图片格式:\r\n%s\r\n原因：%s", sourcePath.c_str(), why.c_str()), why);
    }
    // 3. The merged picture of a PSD, the first page of a TIFF.
    if (format == "PSD" || format == "TIFF")
        MagickResetIterator(picture);
    // The photo as people see it; a reduced JPEG is turned after its reduction.
    if (!orientPicture(picture, orientation)) {
        reason = takeWandError(picture);
        if (reason.empty())
            reason = "MagickAutoOrientImage failed";
        DestroyMagickWand(picture);
        return failedOutcome(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                             reason);
    }

    // 4. The resolution as read; the re-canvas below does not keep it.
    int units = (int)MagickGetImageUnits(picture);
    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(picture, &xResolution, &yResolution);

    bool ok = true;
    flattenTransparency(picture, format);                                       // 5
    if (s.bRemovePhotoOtherInfo)                                                // 6
        removeCameraData(picture);
    else if (s.bRemovePhotoGpsInfo)
        removeLocationData(picture);
    if (format == "JPEG")                                                       // 7
        ok = recanvasJpegIfNeeded(picture, s, reason);
    ok = ok && applyResolution(picture, s, units, xResolution, yResolution, reason);  // 8
    ok = ok && rotateAndFlip(picture, flip, rotation, reason);                  // 9
    if (ok && reduce.resize)                                                    // 10
        ;  // reduced while it was decoded
    else if (ok && hint.resize)
        ok = resizePicture(picture, s, fullWidth, fullHeight, reason);
    else if (ok)
        ok = resizePicture(picture, s, (int)MagickGetImageWidth(picture), (int)MagickGetImageHeight(picture),
                           reason);
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
        return failedOutcome(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
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
    std::string bytes;
    bool encoded = encodeJpeg(picture, bytes, reason, outcome.note);
    DestroyMagickWand(picture);
    DWORD error = 0;
    if (encoded && !replaceFileWith(targetPath, bytes.data(), bytes.size(), error))
        reason = formatText("无法写入 '%s': %s", targetPath.c_str(), systemErrorText(error).c_str());
    if (!encoded || error)
        return failedOutcome(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), sourcePath.c_str()),
                      reason);
    outcome.result = PictureResult::Written;
    return outcome;
}
