// processPicture: one picture read, transformed in the fixed order, and written
// as JPEG or handed back.
#pragma once
#include <string>
#include <wand/MagickWand.h>

#include "core/process_settings.h"

// Everything a run prepares before its first picture; read-only during the run
// (shared by the batch threads).
struct PipelineInputs {
    const ProcessSettings *settings = nullptr;
    const MagickWand *textWatermark = nullptr;   // prepared text-watermark picture, may be absent
    const MagickWand *imageWatermark = nullptr;  // prepared picture watermark, may be absent
    std::string srgbProfile;                     // loaded sRGB profile bytes, may be empty
    std::string cmykProfile;                     // loaded default CMYK profile bytes, may be empty
};

// The settings convert to RGB or sRGB through "sRGB.icc" (srgbProfile is then needed).
bool usesSrgbProfile(const ProcessSettings &settings);

enum class PictureResult { Written, Picture, Failed };

struct PictureOutcome {
    PictureResult result = PictureResult::Failed;
    MagickWand *picture = nullptr;  // for Picture: owned by the caller from then on
    std::string message;            // for Failed: the information-window text (GBK)
    std::string detail;             // for Failed: ImageMagick's or the system's reason, when known (GBK)
    std::string note;               // for Written: what the user should know about the file (a maximum
                                    // file size that could not be met), else empty
};

// The preview marker target: hand the picture back as for an empty target.
extern const char kPreviewTarget[];  // "temp\\preview.jpg"

// Reads sourcePath (GBK), applies every switched-on step in the fixed order and
// writes the result as JPEG to targetPath (GBK). The file is written beside the
// target under a temporary name and then moved over it, so a failure leaves no
// half file and an existing target (the source itself, in overwrite mode) stays
// as it was. target empty or kPreviewTarget: the processed picture is handed back
// instead. flip non-zero mirrors top to bottom after rotating by rotation degrees
// clockwise. Failed carries the information-window text in message:
// "图片读取失败:\r\n<source>\r\n原因：<reason>" (the checked read of
// imaging/picture_read.h: a decode error, a size over the limits, a disk error),
// "这是一个不受支持的图片格式:\r\n<source>\r\n原因：GIF 动画 (共 N 帧)" (or "PNG 动画",
// an APNG), or, for a
// step that could not be done or a write that failed,
// "图片处理后保存失败：\r\n<reason>\r\n源图片：<source>".
// Safe to call from several threads at once with the same inputs.
PictureOutcome processPicture(const PipelineInputs &inputs, const std::string &sourcePath,
                              const std::string &targetPath, int flip, int rotation);

// The JPEG bytes of a processed picture (its format is set to JPEG). false with
// ImageMagick's reason. note: when the picture was to stay under a maximum file
// size ("jpeg:extent") and even the lowest quality does not get it there, a text
// saying so (GBK); the bytes are the smallest the writer could make.
bool encodeJpeg(MagickWand *picture, std::string &bytes, std::string &reason, std::string &note);
