#include "app/main_preview_job.h"

#include "input/header_sniff.h"

MainPreviewJob::MainPreviewJob(const PipelineInputs &inputs, const std::string &path, int flipState, int degrees)
    : sourcePath(path), flip(flipState), rotation(degrees)
{
    if (inputs.settings)
        settings_ = *inputs.settings;
    if (inputs.textWatermark)
        textWatermark_ = CloneMagickWand(inputs.textWatermark);
    if (inputs.imageWatermark)
        imageWatermark_ = CloneMagickWand(inputs.imageWatermark);
    inputs_.settings = &settings_;
    inputs_.textWatermark = textWatermark_;
    inputs_.imageWatermark = imageWatermark_;
    inputs_.srgbProfile = inputs.srgbProfile;
    inputs_.cmykProfile = inputs.cmykProfile;
}

MainPreviewJob::~MainPreviewJob()
{
    releaseDisplayPicture(picture);
    if (textWatermark_)
        DestroyMagickWand(textWatermark_);
    if (imageWatermark_)
        DestroyMagickWand(imageWatermark_);
}

void MainPreviewJob::run(const PreviewWorker &worker)
{
    PictureOutcome processed = processPicture(inputs_, sourcePath, kPreviewTarget, flip, rotation);
    if (processed.result != PictureResult::Picture || !processed.picture) {
        if (processed.picture)
            DestroyMagickWand(processed.picture);
        outcome = Outcome::PipelineFailed;
        failure = processed.message;
        return;
    }
    // A newer request came while the pipeline ran: this picture will not be shown.
    if (worker.superseded(ticket)) {
        DestroyMagickWand(processed.picture);
        return;
    }
    std::string reason;
    // Quality 0: the compression the pipeline set (quality, or the maximum file size).
    if (!makeDisplayPicture(processed.picture, 0, picture, reason)) {
        outcome = Outcome::DisplayFailed;
        failure = reason;
        return;
    }
    outcome = Outcome::Shown;
    processedText = processedPictureText(picture.width, picture.height, picture.jpegBytes);
    char description[kPictureDescriptionSize] = {};
    sourceRecognised = describePictureFile(sourcePath.c_str(), description);
    if (!sourceRecognised)
        describePictureWithMagick(sourcePath.c_str(), description);
    sourceText = std::string("原图") + description;
}

std::string processedPictureText(int width, int height, size_t jpegBytes)
{
    char description[kPictureDescriptionSize] = {};
    formatPictureDescription(width, height, "JPEG", (int64_t)jpegBytes, description);
    return std::string("处理后图片") + description;
}
