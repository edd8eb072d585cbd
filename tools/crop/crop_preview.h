// The crop tool's live preview, made on the preview worker: the first picture
// of the preview list (from an index, in a direction) that the rule can crop,
// shown darkened with the kept area bright over it, as the chosen output would
// look, and the status texts beside it. No window is touched here.
#pragma once
#include <wand/MagickWand.h>

#include <string>
#include <vector>

#include "imaging/output_options.h"
#include "tools/crop/crop_job.h"
#include "ui/preview/display_picture.h"
#include "ui/preview/preview_pane.h"
#include "ui/preview/preview_worker.h"

// At most this many pictures are previewed.
constexpr size_t kCropPreviewPictures = 32;

// The pictures the preview steps through: the accepted files directly in source,
// then (with sub-folders) those of the sub-folders, at most kCropPreviewPictures.
std::vector<std::string> cropPreviewList(const std::string &source, unsigned typeMask, bool includeSubfolders);


enum class CropPreviewDirection { Backwards = -1, None = 0, Forwards = 1 };

class CropPreviewJob : public PreviewTask {
public:
    void run(const PreviewWorker &worker) override;
    ~CropPreviewJob() override;

    // Input.
    std::vector<std::string> pictures;
    size_t startIndex = 0;
    CropPreviewDirection direction = CropPreviewDirection::None;
    CropSettings crop;
    bool simulateOutput = false;  // save-to mode without keep-format: show the output format's effect
    OutputOptions output;
    bool autoOrient = true;
    PreviewFit fit;  // the pane's bound while it fits its picture

    // Result.
    enum class Outcome { NotRun, Shown, NoneFound, DisplayFailed };
    Outcome outcome = Outcome::NotRun;
    size_t index = 0;             // the picture shown
    DisplayPicture picture;       // Shown: the pane takes it
    // The grey line just outside the kept area, on the sides where the picture
    // goes on beyond it; the pane draws it at the size the picture is shown.
    PreviewOutline outline;
    std::string sourceSizeText;   // "原图尺寸: %d x %d"
    std::string croppedSizeText;  // "裁剪后图片尺寸: %d x %d"
    std::string pathText;         // "图片: %s"
    std::vector<std::string> skipped;  // information-window texts of pictures passed over
    bool png8Failed = false;      // the palette simulation failed; the cut-out is shown without it
    std::string failure;          // DisplayFailed: the reason
};
