// One picture of the main tool's preview, made on the preview worker: the listed
// picture run through the real pipeline with the settings of the moment (the same
// PipelineInputs a run takes), turned into what the preview pane paints, and the
// texts the window shows beside it. No window is touched here.
#pragma once
#include <string>

#include "core/pipeline.h"
#include "ui/preview/display_picture.h"
#include "ui/preview/preview_worker.h"

class MainPreviewJob : public PreviewTask {
public:
    // Copies everything of inputs it reads (settings, watermark pictures,
    // profiles): the panel may prepare new ones while the job runs.
    MainPreviewJob(const PipelineInputs &inputs, const std::string &sourcePath, int flip, int rotation);
    ~MainPreviewJob() override;
    MainPreviewJob(const MainPreviewJob &) = delete;
    MainPreviewJob &operator=(const MainPreviewJob &) = delete;

    void run(const PreviewWorker &worker) override;

    // Input.
    std::string sourcePath;
    int flip = 0;
    int rotation = 0;
    int listIndex = -1;  // the list item it shows (the caller's note)

    // Result.
    enum class Outcome { NotRun, Shown, PipelineFailed, DisplayFailed };
    Outcome outcome = Outcome::NotRun;
    DisplayPicture picture;     // Shown: the pane takes it
    std::string failure;        // PipelineFailed: the information-window text; DisplayFailed: the reason
    std::string sourceText;     // "原图" + the source's description
    bool sourceRecognised = true;  // false: the header could not be described (ImageMagick's description used)
    std::string processedText;  // "处理后图片" + the JPEG's description

private:
    ProcessSettings settings_;
    MagickWand *textWatermark_ = nullptr;
    MagickWand *imageWatermark_ = nullptr;
    PipelineInputs inputs_;
};

// "处理后图片尺寸: W x H, 类型: JPEG 图片, 大小: ..." (bytes, KB or MB).
std::string processedPictureText(int width, int height, size_t jpegBytes);
