#include "tools/common/tool_picture.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "ui/preview/picture_canvas.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

// reduceWidth x reduceHeight: the size wanted, as shown; or with fit, the size
// canvasComposeScale gives. full (if given) receives the size as shown whole.
MagickWand *readFirstPicture(const std::string &path, bool autoOrient, size_t reduceWidth, size_t reduceHeight,
                             PreviewFit fit, size_t *fullWidth, size_t *fullHeight, std::string &message,
                             std::string &detail, std::string *animation, const char *lead)
{
    PictureFile file;
    MagickWand *all = nullptr;
    if (readPictureFile(path, file, detail)) {
        if (animation)
            *animation = animationText(file);
        const int orientation = autoOrient ? file.orientation : 0;
        const bool turned = orientationSwapsSides(orientation);
        const size_t shownWidth = turned ? file.height : file.width, shownHeight = turned ? file.width : file.height;
        if (fullWidth && fullHeight) {
            *fullWidth = shownWidth;
            *fullHeight = shownHeight;
        }
        if (fit.width > 0 && fit.height > 0) {
            const double scale = canvasComposeScale(fit.width, fit.height, (long long)shownWidth, (long long)shownHeight);
            reduceWidth = scale < 1.0 ? std::max<size_t>(1, (size_t)std::llround(shownWidth * scale)) : 0;
            reduceHeight = scale < 1.0 ? std::max<size_t>(1, (size_t)std::llround(shownHeight * scale)) : 0;
        }
        if (turned)
            std::swap(reduceWidth, reduceHeight);  // the file stores the picture turned
        if (reduceWidth > 0 && reduceWidth < file.width && reduceHeight > 0 && reduceHeight < file.height) {
            // libjpeg decodes at the smallest scale of eighths that still gives
            // the size wanted; a preview wants four times what it shows, and
            // decoding larger changed what it shows by less than 1 dB.
            DecodeHint hint;
            hint.width = reduceWidth;
            hint.height = reduceHeight;
            all = decodeReducedJpeg(file, hint, reduceWidth, reduceHeight, detail);
        } else {
            all = decodePictureFile(file, DecodeHint(), detail);
        }
    }
    MagickWand *first = nullptr;
    if (all && MagickGetNumberImages(all) == 1) {
        MagickResetIterator(all);
        MagickNextImage(all);
        first = all;  // nothing to drop: no copy of a large picture
    } else if (all) {
        // The checked read leaves the last image current; the first is the one meant.
        MagickResetIterator(all);
        first = MagickGetImage(all);
        DestroyMagickWand(all);
        if (!first)
            detail = "MagickGetImage()";
    }
    if (first && autoOrient && !orientPicture(first, (int)MagickGetImageOrientation(first))) {
        detail = takeWandError(first);
        DestroyMagickWand(first);
        first = nullptr;
    }
    if (!first)
        message = formatText(lead, path.c_str()) + "\r\n原因：" + detail;
    return first;
}

}  // namespace

MagickWand *readToolPicture(const std::string &path, bool autoOrient, std::string &message, std::string &detail,
                            std::string *animation, const char *lead)
{
    return readFirstPicture(path, autoOrient, 0, 0, PreviewFit(), nullptr, nullptr, message, detail, animation, lead);
}

MagickWand *readToolPictureReduced(const std::string &path, bool autoOrient, size_t width, size_t height,
                                   std::string &message, std::string &detail)
{
    return readFirstPicture(path, autoOrient, width, height, PreviewFit(), nullptr, nullptr, message, detail,
                            nullptr, "图片读取失败:\r\n%s");
}

void scaleSpan(long long &start, long long &length, double scale)
{
    const long long end = std::llround((double)(start + length) * scale);
    start = std::llround((double)start * scale);
    length = std::max(1LL, end - start);
}

MagickWand *readToolPictureFitted(const std::string &path, bool autoOrient, PreviewFit fit, size_t &fullWidth,
                                  size_t &fullHeight, std::string &message, std::string &detail,
                                  std::string *animation, const char *lead)
{
    fullWidth = fullHeight = 0;
    return readFirstPicture(path, autoOrient, 0, 0, fit, &fullWidth, &fullHeight, message, detail, animation, lead);
}

bool readSourceTimes(const std::string &source, bool keep, SourceTimes &times, ToolItemOutcome &skipped)
{
    times.keep = keep;
    DWORD error = 0;
    if (!keep || readFileTimes(source, times.times, error))
        return true;
    skipped = toolItemSkipped(formatText("无法读取原图的修改时间:\r\n%s", source.c_str()), systemErrorText(error));
    return false;
}

ToolItemOutcome giveSourceTimes(const ToolItemOutcome &written, const SourceTimes &times)
{
    if (!times.keep || written.status != ItemStatus::Written || isDirectory(written.target.c_str()))
        return written;
    DWORD error = 0;
    if (applyFileTimes(written.target, times.times, error))
        return written;
    return toolRunError(formatText("图片已保存，但无法保留原图的修改时间：%s\n\n目标文件名：\n%s",
                                   systemErrorText(error).c_str(), written.target.c_str()));
}

bool encodeNewToolPicture(MagickWand *wand, const OutputOptions &options, const WriteRules &rules,
                          const std::string &first, std::string &bytes, ToolItemOutcome &failed)
{
    std::string reason;
    // A picture the format cannot hold is this picture's problem, not the run's.
    std::string tooLarge = outputSizeProblem(options, MagickGetImageWidth(wand), MagickGetImageHeight(wand));
    if (!tooLarge.empty()) {
        failed = toolItemSkipped(formatText("%s:\r\n%s", tooLarge.c_str(), first.c_str()), tooLarge);
        return false;
    }
    if (!encodePicture(wand, options, rules, bytes, reason)) {
        failed = toolRunError(writeFailureText(options, rules, first, reason));
        return false;
    }
    return true;
}

ToolItemOutcome writeNewToolPicture(MagickWand *wand, const OutputOptions &options, const WriteRules &rules,
                                    const std::string &first, const std::string &base, FolderTidy &tidy)
{
    std::string bytes;
    ToolItemOutcome failed;
    if (!encodeNewToolPicture(wand, options, rules, first, bytes, failed))
        return failed;
    return writeNewToolFile(bytes, first, base, options.extension(), tidy,
                            [&](const std::string &target, const std::string &why) {
                                return writeFailureText(options, rules, target, why);
                            });
}

ToolItemOutcome writeNewToolFile(const std::string &bytes, const std::string &first, const std::string &base,
                                 const std::string &extension, FolderTidy &tidy,
                                 const std::function<std::string(const std::string &, const std::string &)> &failureText)
{
    const std::string folder = folderOfPath(first);
    if (!toolWriteBegins(tidy, folder))
        return toolItemDropped();
    std::string temp;
    DWORD error = 0;
    if (!writeOwnTempFile(folder, bytes.data(), bytes.size(), temp, error))
        return toolRunError(failureText(first, systemErrorText(error)));
    for (int n = 1; n <= TargetNameBook::kHighestNumber; ++n) {
        std::string name = n == 1 ? first : base + formatText("(%d)", n) + extension;
        if (name.size() > kMaxPathBytes) {
            DeleteFileA(temp.c_str());
            return toolItemSkipped(formatText("目标文件名太长:\r\n%s", name.c_str()));
        }
        // Anything there is taken, even a file nobody may read.
        if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        PlaceResult placed = placeOwnTempFile(temp, name, false, error);
        if (placed == PlaceResult::Placed)
            return toolItemWritten(name);
        if (placed == PlaceResult::Failed)
            return toolRunError(failureText(name, systemErrorText(error)));
        // Taken between the look and the rename: the next number.
    }
    DeleteFileA(temp.c_str());
    return toolItemSkipped(formatText("目标文件夹中同名的图片太多(已到第 %d 个):\r\n%s", TargetNameBook::kHighestNumber,
                                      first.c_str()));
}

void applyKeptResolution(MagickWand *to, int units, double x, double y)
{
    if (units == PixelsPerInchResolution) {
        MagickSetImageUnits(to, PixelsPerInchResolution);
        MagickSetImageResolution(to, x, y);
    } else if (units == PixelsPerCentimeterResolution) {
        double ix = std::round(x * 2.54), iy = std::round(y * 2.54);
        MagickSetImageUnits(to, PixelsPerInchResolution);
        MagickSetImageResolution(to, ix > 0 ? ix : 72.0, iy > 0 ? iy : 72.0);
    } else if (units == UndefinedResolution) {
        bool none = x == 0.0 && y == 0.0;
        MagickSetImageUnits(to, none ? PixelsPerInchResolution : UndefinedResolution);
        MagickSetImageResolution(to, none ? 72.0 : x, none ? 72.0 : y);
    }
}
