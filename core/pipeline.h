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

enum class PictureResult { Written, Picture, Failed };

struct PictureOutcome {
    PictureResult result = PictureResult::Failed;
    MagickWand *picture = nullptr;  // for Picture: owned by the caller from then on
    std::string message;            // for Failed: the information-window text (GBK)
    std::string detail;             // for Failed: ImageMagick's or the system's reason, when known (GBK)
};

// The preview marker target: hand the picture back as for an empty target.
extern const char kPreviewTarget[];  // "temp\\preview.jpg"

// target empty or kPreviewTarget: the processed picture is handed back.
PictureOutcome processPicture(const PipelineInputs &inputs, const std::string &sourcePath,
                              const std::string &targetPath, int flip, int rotation);
