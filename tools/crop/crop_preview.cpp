#include "tools/crop/crop_preview.h"

#include "imaging/palette_png.h"
#include "imaging/picture_read.h"
#include "imaging/tone_table.h"
#include "tools/common/tool_folders.h"
#include "ui/preview/checker_tile.h"
#include "util/text.h"

namespace {

// The picture held in bytes read back, replacing the wand (left as it was on failure).
bool replaceWithBlob(MagickWand *&wand, const void *bytes, size_t size)
{
    MagickWand *back = NewMagickWand();
    if (!MagickReadImageBlob(back, bytes, size) || MagickGetNumberImages(back) == 0) {
        DestroyMagickWand(back);
        return false;
    }
    DestroyMagickWand(wand);
    wand = back;
    return true;
}

void toSrgb(MagickWand *wand)
{
    if (MagickGetImageColorspace(wand) == CMYKColorspace)
        MagickTransformImageColorspace(wand, sRGBColorspace);
}

// The cut-out as the chosen output would show it: JPEG at its quality, PNG and
// WebP flattened when transparency is off, palette PNG quantised, and what stays
// transparent over the checker. (WebP is not encoded for the preview: that takes
// seconds on a camera photo, and the pane shows a JPEG at quality 91 anyway.)
void simulateWrite(MagickWand *&cut, const CropPreviewJob &job, bool &png8Failed)
{
    if (job.simulateOutput && job.output.format == OutputFormat::Jpg) {
        flattenShownOnWhite(cut);
        std::string bytes, reason;
        if (encodePicture(cut, job.output, WriteRules(), bytes, reason))
            replaceWithBlob(cut, bytes.data(), bytes.size());
        return;
    }
    if (job.simulateOutput && job.output.format == OutputFormat::Webp && !job.output.transparent &&
        MagickGetImageAlphaChannel(cut))
        flattenOnWhite(cut);
    if (job.simulateOutput && job.output.format == OutputFormat::Png) {
        if (!job.output.transparent && MagickGetImageAlphaChannel(cut))
            flattenOnWhite(cut);
        if (job.output.png8) {
            unsigned char *data = nullptr;
            size_t size = 0;
            MagickWand *copy = CloneMagickWand(cut);
            if (getPng8Data(copy, job.output.colours, &data, &size)) {
                png8Failed = !replaceWithBlob(cut, data, size);
                freePng8Data(data);
            } else {
                png8Failed = true;
            }
            DestroyMagickWand(copy);
        }
    }
    if (MagickGetImageAlphaChannel(cut))
        layOverChecker(cut);
}

}  // namespace

std::vector<std::string> cropPreviewList(const std::string &source, unsigned typeMask, bool includeSubfolders)
{
    std::vector<std::string> files;
    if (source.empty())
        return files;
    ToolWalk walk;
    walk.source = source;
    walk.includeSubfolders = includeSubfolders;
    walk.writesToTarget = false;
    walk.accept = [typeMask](const char *name) { return pictureTypeAccepts(name, typeMask); };
    // Enough pictures: the sub-folders still to come are not listed.
    walk.stopRequested = [&files] { return files.size() >= kCropPreviewPictures; };
    std::string message;
    collectToolFiles(walk, files, message);
    if (files.size() > kCropPreviewPictures)
        files.resize(kCropPreviewPictures);
    return files;
}

CropPreviewJob::~CropPreviewJob() { releaseDisplayPicture(picture); }

void CropPreviewJob::run(const PreviewWorker &worker)
{
    const size_t n = pictures.size();
    if (n == 0) {
        outcome = Outcome::NoneFound;
        return;
    }
    const size_t start = startIndex < n ? startIndex : 0;
    for (int at : previewSearchOrder((int)n, (int)start, (int)direction)) {
        const size_t i = (size_t)at;
        if (worker.superseded(ticket))
            return;
        CroppedPicture cropped;
        MagickWand *background = nullptr;
        std::string message, detail;
        bool croppedOk = cropPicture(pictures[i], crop, autoOrient, cropped, message, detail, &background, fit);
        if (!croppedOk) {
            // Passed over; the next picture may do.
            skipped.push_back(message);
            if (background)
                DestroyMagickWand(background);
            continue;
        }
        index = i;
        sourceSizeText = formatText("原图尺寸: %d x %d", (int)cropped.sourceWidth, (int)cropped.sourceHeight);
        croppedSizeText =
            formatText("裁剪后图片尺寸: %d x %d", (int)cropped.rect.width, (int)cropped.rect.height);
        pathText = formatText("图片: %s", pictures[i].c_str());

        // The whole picture, darkened, with what stays transparent over the checker.
        if (cropped.format.compare(0, 3, "BMP") == 0)
            MagickSetImageAlphaChannel(background, DeactivateAlphaChannel);
        toSrgb(background);
        if (MagickGetImageAlphaChannel(background))
            layOverChecker(background);
        brightnessContrastPicture(background, -60.0, 0.0);
        if (croppedOk) {
            MagickWand *cut = cropped.wand;
            toSrgb(cut);
            simulateWrite(cut, *this, png8Failed);
            // A grey line just outside the kept area where the picture goes on
            // beyond it, drawn by the pane at the size the picture is shown.
            const long long cw = cropped.rect.width, ch = cropped.rect.height;
            outline.rect = {(LONG)cropped.rect.x, (LONG)cropped.rect.y, (LONG)(cropped.rect.x + cw),
                            (LONG)(cropped.rect.y + ch)};
            outline.leftRight = cw < (long long)cropped.sourceWidth - 2;
            outline.topBottom = ch < (long long)cropped.sourceHeight - 2;
            // Over an opaque cut-out a plain copy gives the same pixels, without the blending.
            const CompositeOperator op = MagickGetImageAlphaChannel(cut) ? OverCompositeOp : CopyCompositeOp;
            MagickCompositeImage(background, cut, op, (ssize_t)cropped.heldRect.x, (ssize_t)cropped.heldRect.y);
            DestroyMagickWand(cut);
        }
        if (worker.superseded(ticket)) {
            DestroyMagickWand(background);
            return;
        }
        std::string reason;
        const bool smaller = MagickGetImageWidth(background) != cropped.sourceWidth ||
                             MagickGetImageHeight(background) != cropped.sourceHeight;
        if (!makeDisplayPicture(background, 91, picture, reason)) {
            outcome = Outcome::DisplayFailed;
            failure = reason;
            return;
        }
        if (smaller) {
            picture.fullWidth = (int)cropped.sourceWidth;
            picture.fullHeight = (int)cropped.sourceHeight;
        }
        outcome = Outcome::Shown;
        return;
    }
    outcome = Outcome::NoneFound;
}
