#include "tools/png/png_job.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <cmath>
#include <cstdlib>

#include "imaging/picture_read.h"
#include "imaging/output_options.h"
#include "input/file_helpers.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

const char kZoom[] = "png_zoom_status";
const char kRule[] = "png_zoom_1";
const char kSide[] = "png_zoom_2";
const char kSize[] = "png_zoom_value";
const char kProportions[] = "png_zoom_scale";
const char kTransparent[] = "png_transparent";
const char kPng8[] = "png_png8";
const char kColours[] = "png_png8_color_count";
const char kKeepFileTime[] = "png_keep_file_time";

// Truncated towards zero, plus one from a fraction of .5.
size_t roundHalfUp(double d)
{
    double whole = std::floor(d);
    return (size_t)whole + (d - whole >= 0.5 ? 1 : 0);
}

// The other side for `size` on this side, keeping the proportions of side : other.
size_t otherSide(int size, size_t side, size_t other) { return roundHalfUp((double)size * (double)other / (double)side); }

bool shrinks(int rule) { return rule == kPngShrink || rule == kPngResizeBothWays; }
bool enlarges(int rule) { return rule == kPngEnlarge || rule == kPngResizeBothWays; }

ToolItemOutcome processPng(const PngJob &job, const std::string &path, FolderTidy &tidy)
{
    SourceTimes times;
    ToolItemOutcome skipped;
    if (!readSourceTimes(path, job.keepFileTime, times, skipped))
        return skipped;
    std::string message, detail, animation;
    MagickWand *picture = readToolPicture(path, job.autoOrient, message, detail, &animation);
    if (!picture)
        return toolItemSkipped(message, detail);
    // Re-encoded, an animation would keep its first frame only (over the
    // original with --overwrite).
    if (!animation.empty()) {
        DestroyMagickWand(picture);
        return toolItemSkipped(formatText("这是一个不受支持的图片格式:\r\n%s\r\n原因：%s", path.c_str(), animation.c_str()),
                               animation);
    }
    const std::string format = wandFormat(picture);
    if (job.zoom) {
        PngZoomResult size = pngZoomSize(MagickGetImageWidth(picture), MagickGetImageHeight(picture), job.zoomSize,
                                         job.zoomRule, job.zoomSide, job.keepProportions);
        if (size.changed && !MagickResizeImage(picture, size.width, size.height, LanczosFilter, 1.0)) {
            std::string reason = takeWandError(picture);
            DestroyMagickWand(picture);
            return toolItemSkipped(formatText("图片缩放失败:\r\n%s", path.c_str()), reason);
        }
    }
    if (!job.transparent) {
        if (format.compare(0, 3, "BMP") == 0)
            MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
        if (MagickGetImageAlphaChannel(picture)) {
            flattenOnWhite(picture);
            if (format == "PNG" || format == "PSD")
                MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
        }
    }
    MagickClearException(picture);

    OutputOptions output;
    output.format = OutputFormat::Png;
    output.transparent = job.transparent;
    output.png8 = job.png8;
    output.colours = job.colours;
    ToolItemOutcome outcome;
    if (job.overwrite) {
        tidy.before(folderOfPath(path));
        outcome = writePicture(picture, output, path, message) ? toolItemWritten(path) : toolRunError(message);
    } else {
        std::string folder = job.outputFolder + folderBelowSource(job.sourceFolder, path);
        std::string base;
        if (joinPath(base, folder, stemOf(fileNameOf(path))))
            outcome = writeNewToolPicture(picture, output, WriteRules(), base + ".png", base, tidy);
        else
            outcome = toolItemSkipped(formatText("目标文件名太长:\r\n%s", path.c_str()));
    }
    DestroyMagickWand(picture);
    return giveSourceTimes(outcome, times);
}

}  // namespace

const std::vector<ToolValueDef> &pngToolValues()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t = {
            {kZoom, false, 0, 1, nullptr, "0", "图片缩放"},
            {kRule, false, 0, 2, nullptr, "0", "0 图片缩小, 1 图片放大, 2 图片缩放"},
            {kSide, false, 0, 1, nullptr, "0", "0 按图片宽, 1 按图片高"},
            {kSize, false, 1, 9999, nullptr, "空", "缩放到的像素数 (缩放时必须给出)"},
            {kProportions, false, 0, 1, nullptr, "1", "另一边等比例缩放"},
            {kTransparent, false, 0, 1, nullptr, "1", "保留透明度"},
            {kPng8, false, 0, 1, nullptr, "1", "保存为 PNG-8 (调色板)"},
            {kColours, false, 2, 256, nullptr, "256", "PNG-8 的颜色数"},
            {kKeepFileTime, false, 0, 1, nullptr, "0", "保留原图的修改时间"},
        };
        appendAutoOrientValue(t);
        return t;
    }();
    return table;
}

void loadPngValues(const StoredValues &values, PngJob &job)
{
    job.zoom = values.dwordOr(kZoom, 0) != 0;
    DWORD rule = values.dwordOr(kRule, 0), side = values.dwordOr(kSide, 0), size = values.dwordOr(kSize, 0);
    job.zoomRule = rule > 2 ? kPngShrink : (int)rule;
    job.zoomSide = side > 1 ? kPngWidth : (int)side;
    job.zoomSize = size >= 1 && size <= 9999 ? (int)size : 0;
    job.keepProportions = values.dwordOr(kProportions, 1) != 0;
    job.transparent = values.dwordOr(kTransparent, 1) != 0;
    job.png8 = values.dwordOr(kPng8, 1) != 0;
    DWORD colours = 0;
    bool present = values.readDword(kColours, colours);
    job.colours = colourCountFromStored(present, colours);
    job.keepFileTime = values.dwordOr(kKeepFileTime, 0) != 0;
    job.autoOrient = autoOrientFrom(values);
}

void putPngValues(ValueMap &values, const PngJob &job)
{
    values.setDword(kZoom, job.zoom ? 1 : 0);
    values.setDword(kRule, (DWORD)job.zoomRule);
    values.setDword(kSide, (DWORD)job.zoomSide);
    values.setDword(kSize, (DWORD)(job.zoomSize > 0 ? job.zoomSize : 0));
    values.setDword(kProportions, job.keepProportions ? 1 : 0);
    values.setDword(kTransparent, job.transparent ? 1 : 0);
    values.setDword(kPng8, job.png8 ? 1 : 0);
    values.setDword(kColours, job.png8 ? (DWORD)colourCountFromStored(true, (DWORD)job.colours) : 256);
    values.setDword(kKeepFileTime, job.keepFileTime ? 1 : 0);
}

PngZoomResult pngZoomSize(size_t width, size_t height, int size, int rule, int side, bool keepProportions)
{
    PngZoomResult r;
    r.width = width;
    r.height = height;
    if (size < 1 || width == 0 || height == 0)
        return r;
    const size_t s = (size_t)size;
    size_t &entered = side == kPngHeight ? r.height : r.width;
    size_t &other = side == kPngHeight ? r.width : r.height;
    const size_t enteredNow = entered, otherNow = other;
    if (s < enteredNow && shrinks(rule)) {
        size_t o = keepProportions ? otherSide(size, enteredNow, otherNow) : otherNow;
        other = o < 1 ? 1 : o;
        entered = s;
        r.changed = true;
    } else if (s > enteredNow && enlarges(rule)) {
        other = keepProportions ? otherSide(size, enteredNow, otherNow) : otherNow;
        entered = s;
        r.changed = true;
    }
    return r;
}

PngProblem pngStartProblem(const std::string &source, bool zoom, const std::string &sizeText)
{
    if (source.empty())
        return {PngField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空", false};
    if (!isDirectory(source.c_str()))
        return {PngField::Source, "请重新选择", "选择的【源图片文件夹】不存在", false};
    if (zoom && sizeText.empty())
        return {PngField::Size, "请输入", "这里不能为空", false};
    if (zoom && atoi(sizeText.c_str()) < 1)
        return {PngField::Size, "输入错误", "这里不能小于1", true};
    return {};
}

ToolRunOutcome runPngJob(const PngJob &given, const BatchReport &report)
{
    PngJob job = given;
    job.sourceFolder = trimFolder(job.sourceFolder);
    job.outputFolder = job.overwrite ? std::string() : trimFolder(job.outputFolder);
    if (!job.zoom) {
        // With zoom off the rule's settings mean nothing.
        job.zoomRule = job.zoomSide = job.zoomSize = 0;
        job.keepProportions = true;
    }
    ToolWalk walk;
    walk.source = job.sourceFolder;
    walk.includeSubfolders = job.includeSubfolders;
    walk.writesToTarget = !job.overwrite;
    walk.target = job.outputFolder;
    walk.pattern = "*.png";
    return runToolWalk(walk, report, [&job](const std::string &path, FolderTidy &tidy) {
        return processPng(job, path, tidy);
    });
}

ToolRunOutcome runPngCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report)
{
    PngJob job;
    loadPngValues(values, job);
    job.sourceFolder = command.source;
    job.includeSubfolders = command.subfolders;
    job.overwrite = command.overwrite;
    job.outputFolder = command.saveTo;
    PngProblem problem =
        pngStartProblem(job.sourceFolder, job.zoom, job.zoomSize > 0 ? formatText("%d", job.zoomSize) : "");
    ToolRunOutcome refused;
    if (refuseToolJob(problem.text, problem.field == PngField::Source, "png_zoom_value", job.sourceFolder, refused))
        return refused;
    return runPngJob(job, report);
}
