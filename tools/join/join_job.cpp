#include "tools/join/join_job.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/batch_workers.h"
#include "core/resize_geometry.h"
#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "input/header_sniff.h"
#include "util/info_log.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "ui/preview/picture_canvas.h"
#include "util/magick_path.h"
#include "util/path_join.h"
#include "util/path_list.h"
#include "util/text.h"

const char kJoinNoGroupsFormat[] = "文件夹 %s 中没有可拼接的图片，请重新选择。";

namespace {

const char kPrefix[] = "join";
const char kFormats[] = "join_load_format_option";
const char kLayout[] = "join_layout";
const char kRule[] = "join_width_or_height_index";
const char kCustom[] = "join_width_or_height_value";
const char kSpace[] = "join_space";

bool accepts(const char *name, unsigned formats) { return pictureTypeAccepts(name, formats); }

// The size from the file's header, else from ImageMagick's ping (the first image).
// The size a picture takes part with: as people see it when autoOrient (a tag
// that exchanges width and height is only in ImageMagick's ping, not the header).
bool pictureSize(const std::string &path, bool autoOrient, JoinSize &size)
{
    const bool fromHeader = readPictureHeader(path.c_str(), nullptr, &size.width, &size.height);
    if (fromHeader && !autoOrient)
        return true;
    MagickWand *ping = NewMagickWand();
    bool ok = MagickPingImage(ping, magickPath(path).c_str()) != MagickFalse;
    if (ok) {
        MagickResetIterator(ping);
        MagickNextImage(ping);
        if (!fromHeader) {
            size.width = (int)MagickGetImageWidth(ping);
            size.height = (int)MagickGetImageHeight(ping);
        }
        if (autoOrient && orientationSwapsSides((int)MagickGetImageOrientation(ping)))
            std::swap(size.width, size.height);
        ok = size.width > 0 && size.height > 0;
    }
    DestroyMagickWand(ping);
    return ok || fromHeader;
}

// The canvas a JPEG or WebP can hold and ImageMagick can make; empty when it fits.
std::string canvasProblem(const JoinPlan &plan, const JoinSettings &s, const std::string &folder)
{
    const long long w = plan.canvasWidth, h = plan.canvasHeight;
    if (s.output.format == OutputFormat::Jpg && (w > kJpegMaxSide || h > kJpegMaxSide))
        return formatText("拼接后的图片尺寸 %lld x %lld 超出JPEG图片的最大尺寸 %d 像素:\r\n%s", w, h, kJpegMaxSide,
                          folder.c_str());
    if (s.output.format == OutputFormat::Webp && (w > (long long)kWebpMaxSide || h > (long long)kWebpMaxSide))
        return formatText("拼接后的图片尺寸 %lld x %lld 超出WEBP图片的最大尺寸 %zu 像素:\r\n%s", w, h, kWebpMaxSide,
                          folder.c_str());
    PictureLimits limits = currentPictureLimits();
    if ((limits.maxWidth && (unsigned long long)w > limits.maxWidth) ||
        (limits.maxHeight && (unsigned long long)h > limits.maxHeight) ||
        (limits.maxPixels && (unsigned long long)w * (unsigned long long)h > limits.maxPixels) || w > INT_MAX ||
        h > INT_MAX)
        return formatText("拼接后的图片尺寸 %lld x %lld 太大，无法生成:\r\n%s", w, h, folder.c_str());
    return std::string();
}

void applyFirstResolution(MagickWand *canvas, MagickWand *picture)
{
    double x = 0.0, y = 0.0;
    MagickGetImageResolution(picture, &x, &y);
    applyKeptResolution(canvas, (int)MagickGetImageUnits(picture), x, y);
}

bool placePicture(MagickWand *canvas, MagickWand *picture, const JoinPlacement &at)
{
    if (wandFormat(picture).compare(0, 3, "BMP") == 0)
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    if (MagickGetImageColorspace(picture) == CMYKColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);
    // The header told the size the layout was made for; a picture that reads
    // otherwise still fills exactly its place.
    if ((int)MagickGetImageWidth(picture) != at.width || (int)MagickGetImageHeight(picture) != at.height)
        if (!MagickResizeImage(picture, at.width, at.height, LanczosFilter, 1.0))
            return false;
    // Without an alpha channel Over is a copy, and copying is much cheaper.
    const CompositeOperator op = MagickGetImageAlphaChannel(picture) ? OverCompositeOp : CopyCompositeOp;
    return MagickCompositeImage(canvas, picture, op, at.x, at.y) != MagickFalse;
}

}  // namespace

const std::vector<ToolValueDef> &joinToolValues()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t;
        appendOutputValues(t, kPrefix);
        appendAutoOrientValue(t);
        t.push_back({kFormats, false, 0, 31, nullptr, "31", "加载的图片类型, 各位相加: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 webp/heic/heif/avif"});
        t.push_back({kLayout, false, 1, 2, nullptr, "1", "1 竖排 (宽度相同), 2 横排 (高度相同)"});
        t.push_back({kRule, false, 0, 3, nullptr, "0",
                     "竖排的宽度/横排的高度: 0 每组第一张, 1 最宽/最高, 2 最窄/最矮, 3 自定义"});
        t.push_back({kCustom, false, 0, 9999, nullptr, "0 (空)", "自定义的宽度/高度 (像素, 规则 3)"});
        t.push_back({kSpace, false, 0, 128, nullptr, "0", "图片间距 (像素)"});
        return t;
    }();
    return table;
}

void loadJoinValues(const StoredValues &values, JoinSettings &s)
{
    s.output = outputOptionsFrom(values, kPrefix);
    s.sourceFormats = values.dwordOr(kFormats, kToolTypeAll) & kToolTypeAll;
    s.layout = values.dwordOr(kLayout, 1) == 1 ? kJoinVertical : kJoinHorizontal;
    DWORD rule = values.dwordOr(kRule, 0);
    s.sizeRule = rule <= 3 ? (int)rule : 0;
    DWORD custom = values.dwordOr(kCustom, 0);
    s.customSize = custom >= 1 && custom <= 9999 ? (int)custom : 0;
    DWORD space = values.dwordOr(kSpace, 0);
    s.spacing = space <= 128 ? (int)space : 0;
    s.autoOrient = autoOrientFrom(values);
}

void putJoinValues(ValueMap &values, const JoinSettings &s)
{
    putOutputOptions(values, kPrefix, s.output);
    values.setDword(kFormats, s.sourceFormats);
    values.setDword(kLayout, s.layout == kJoinHorizontal ? 2 : 1);
    values.setDword(kRule, (DWORD)s.sizeRule);
    values.setDword(kCustom, s.customSize > 0 ? (DWORD)s.customSize : 0);
    values.setDword(kSpace, (DWORD)s.spacing);
}

std::vector<std::string> joinGroupFiles(const std::string &folder, unsigned formats, LeftOutLines *leftOut)
{
    std::vector<std::string> files;
    PathList *found = PathList::create(64, 256);
    listFilesByPattern(folder.c_str(), found, "*.*", leftOut);
    for (int i = 0; i < found->count; ++i)
        if (accepts(fileNameOf(found->text(i)).c_str(), formats))
            files.push_back(found->text(i));
    found->destroy(true);
    return files;
}

std::vector<std::string> joinGroups(const std::string &source, unsigned formats, LeftOutLines *leftOut)
{
    std::vector<std::string> groups;
    const std::string root = trimFolder(source);
    PathList *subfolders = PathList::create(64, 256);
    listSubfolders(root.c_str(), subfolders, false, leftOut);
    for (int i = 0; i < subfolders->count; ++i)
        if (fileNameOf(subfolders->text(i))[0] != '.')
            groups.push_back(subfolders->text(i));
    subfolders->destroy(true);
    if (groups.empty() && joinGroupFiles(root, formats).size() >= 2)
        groups.push_back(root);
    return groups;
}

int joinScaleToFit(int other, int target, int own)
{
    if (own <= 0)
        return 1;
    int v = roundHalfUp((double)other * (double)target / (double)own);
    return v < 1 ? 1 : v;
}

JoinPlan planJoin(const std::vector<JoinSize> &sizes, const JoinSettings &s)
{
    JoinPlan plan;
    const bool vertical = s.layout != kJoinHorizontal;
    auto along = [vertical](const JoinSize &z) { return vertical ? z.width : z.height; };
    auto other = [vertical](const JoinSize &z) { return vertical ? z.height : z.width; };
    int t = 0;
    switch (s.sizeRule) {
    case kJoinLargest:
        for (const JoinSize &z : sizes)
            t = std::max(t, along(z));
        break;
    case kJoinSmallest:
        for (const JoinSize &z : sizes)
            t = t == 0 ? along(z) : std::min(t, along(z));
        break;
    case kJoinCustom:
        t = s.customSize > 0 ? s.customSize : 128;
        break;
    default:
        t = sizes.empty() ? 0 : along(sizes[0]);
        break;
    }
    if (t < 1)
        t = 1;
    plan.target = t;
    long long offset = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        int d = along(sizes[i]), e = other(sizes[i]);
        int newD = d, newE = e, across = 0;
        if (d > t) {
            newD = t;
            newE = joinScaleToFit(e, t, d);
        } else {
            across = (t - d) / 2;
        }
        if (i > 0)
            offset += s.spacing;
        JoinPlacement p;
        p.x = vertical ? across : (int)std::min<long long>(offset, INT_MAX);
        p.y = vertical ? (int)std::min<long long>(offset, INT_MAX) : across;
        p.width = vertical ? newD : newE;
        p.height = vertical ? newE : newD;
        plan.placements.push_back(p);
        offset += newE;
    }
    plan.canvasWidth = vertical ? t : offset;
    plan.canvasHeight = vertical ? offset : t;
    return plan;
}

JoinPlan scaleJoinPlan(const JoinPlan &plan, double scale)
{
    if (scale >= 1.0)
        return plan;
    JoinPlan scaled = plan;
    long long left = 0, top = 0;
    scaleSpan(left, scaled.canvasWidth, scale);
    scaleSpan(top, scaled.canvasHeight, scale);
    for (JoinPlacement &p : scaled.placements) {
        long long x = p.x, y = p.y, width = p.width, height = p.height;
        scaleSpan(x, width, scale);
        scaleSpan(y, height, scale);
        p = {(int)x, (int)y, (int)width, (int)height};
    }
    return scaled;
}

JoinResult joinGroup(const std::string &folder, const JoinSettings &s, PreviewFit fit)
{
    JoinResult result;
    std::vector<std::string> files = joinGroupFiles(folder, s.sourceFormats, &result.notes);
    if (files.size() < 2) {
        result.tooFewListed = true;
        return result;
    }
    // The size pass: the pictures that take part, with the sizes the layout uses.
    std::vector<std::string> taking;
    std::vector<JoinSize> sizes;
    for (const std::string &path : files) {
        JoinSize size;
        if (pictureSize(path, s.autoOrient, size)) {
            taking.push_back(path);
            sizes.push_back(size);
        } else {
            result.notes.push_back(formatText("无法获取图片的尺寸:\r\n%s", path.c_str()));
        }
    }
    // The composite pass. A picture whose header reads but whose pixels do not
    // (or that the limits refuse) takes no part: the layout is made again
    // without it, so no place of the joined picture is ever left blank.
    for (;;) {
        if (sizes.size() < 2) {
            result.problem = formatText("文件夹中没有找到需要拼接的图片:\r\n%s", folder.c_str());
            return result;
        }
        JoinPlan plan = planJoin(sizes, s);
        result.problem = canvasProblem(plan, s, folder);
        if (!result.problem.empty())
            return result;
        result.width = plan.canvasWidth;
        result.height = plan.canvasHeight;
        const double scale = canvasComposeScale(fit.width, fit.height, plan.canvasWidth, plan.canvasHeight);
        plan = scaleJoinPlan(plan, scale);

        // An output that keeps no transparency starts on white: the same as joining on
        // "none" and flattening afterwards, without a fourth channel and a second pass.
        MagickWand *canvas = NewMagickWand();
        PixelWand *background = NewPixelWand();
        PixelSetColor(background, s.output.flattens() ? "#FFFFFF" : "none");
        bool made =
            MagickNewImage(canvas, (size_t)plan.canvasWidth, (size_t)plan.canvasHeight, background) != MagickFalse;
        DestroyPixelWand(background);
        if (!made) {
            result.problem = formatText("MagickNewImage() 发生错误 (%lld x %lld)：%s:\r\n%s", plan.canvasWidth,
                                        plan.canvasHeight, takeWandError(canvas).c_str(), folder.c_str());
            DestroyMagickWand(canvas);
            return result;
        }
        bool resolutionSet = false;
        std::vector<bool> unusable(taking.size(), false);
        bool anyUnusable = false;
        for (size_t i = 0; i < taking.size(); ++i) {
            std::string message, detail;
            const JoinPlacement &place = plan.placements[i];
            MagickWand *picture = scale < 1.0 ? readToolPictureReduced(taking[i], s.autoOrient, (size_t)place.width,
                                                                        (size_t)place.height, message, detail)
                                              : readToolPicture(taking[i], s.autoOrient, message, detail);
            if (!picture) {
                result.notes.push_back(
                    formatText("无法识别的图片, 没有拼接:\r\n%s\r\n原因：%s", taking[i].c_str(), detail.c_str()));
                unusable[i] = anyUnusable = true;
                continue;
            }
            // Once the layout is to be made again only the other pictures' reads matter.
            if (!anyUnusable) {
                if (!resolutionSet) {
                    applyFirstResolution(canvas, picture);
                    resolutionSet = true;
                }
                if (!placePicture(canvas, picture, plan.placements[i])) {
                    result.notes.push_back(formatText("无法识别的图片, 没有拼接:\r\n%s\r\n原因：%s", taking[i].c_str(),
                                                      takeWandError(picture).c_str()));
                    unusable[i] = anyUnusable = true;
                }
            }
            DestroyMagickWand(picture);
        }
        if (!anyUnusable) {
            MagickClearException(canvas);
            result.picture = canvas;
            return result;
        }
        DestroyMagickWand(canvas);
        std::vector<std::string> keptPaths;
        std::vector<JoinSize> keptSizes;
        for (size_t i = 0; i < taking.size(); ++i)
            if (!unusable[i]) {
                keptPaths.push_back(taking[i]);
                keptSizes.push_back(sizes[i]);
            }
        taking.swap(keptPaths);
        sizes.swap(keptSizes);
    }
}

std::string joinTargetName(const std::string &targetFolder, const std::string &group, const OutputOptions &output)
{
    std::string name = fileNameOf(trimFolder(group));
    if (name.empty())
        name = "a";
    return trimFolder(targetFolder) + "\\" + name + output.extension();
}

JoinProblem joinSourceProblem(const std::string &source, unsigned formats)
{
    if (source.empty())
        return {JoinField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空"};
    if (!isDirectory(source.c_str()))
        return {JoinField::Source, "请重新选择", "选择的【源图片文件夹】不存在"};
    if ((formats & kToolTypeAll) == 0)
        return {JoinField::Formats, "请选择", "加载的图片类型至少选择一项"};
    return {};
}

JoinProblem joinCustomProblem(int sizeRule, const std::string &customText)
{
    if (sizeRule != kJoinCustom)
        return {};
    if (customText.empty())
        return {JoinField::Custom, "请输入", "这里不能为空"};
    if (atoi(customText.c_str()) < 1)
        return {JoinField::Custom, "输入错误", "这里不能小于1", true};
    return {};
}

bool makeJoinTarget(const std::string &folder, std::string &message)
{
    return makeTargetFolder(folder, message);
}

// The dates of the group's newest picture.
static bool newestSourceTimes(const std::string &group, unsigned formats, SourceTimes &times,
                              ToolItemOutcome &skipped)
{
    times.keep = true;
    bool any = false;
    for (const std::string &path : joinGroupFiles(group, formats)) {
        SourceTimes one;
        if (!readSourceTimes(path, true, one, skipped))
            return false;
        if (!any || CompareFileTime(&one.times.lastWrite, &times.times.lastWrite) > 0)
            times.times = one.times;
        any = true;
    }
    return true;
}

ToolRunOutcome runJoinJob(const JoinJob &job, const BatchReport &report)
{
    std::string message;
    if (!makeJoinTarget(job.targetFolder, message)) {
        ToolRunOutcome failed;
        failed.end = ToolRunEnd::Failed;
        failed.message = message;
        return failed;
    }
    std::vector<std::string> groups;
    LeftOutLines leftOut;
    for (const std::string &group : joinGroups(job.sourceFolder, job.settings.sourceFormats, &leftOut))
        if (joinGroupFiles(group, job.settings.sourceFormats).size() >= 2)
            groups.push_back(group);
    logLeftOut(leftOut);
    FolderTidy tidy;
    ToolRunOutcome outcome = runToolFiles(groups, report, [&](const std::string &group) {
        // A joined picture is as new as the newest of its pictures.
        SourceTimes times;
        ToolItemOutcome skipped;
        if (job.settings.output.keepFileTime && !newestSourceTimes(group, job.settings.sourceFormats, times, skipped))
            return skipped;
        JoinResult joined = joinGroup(group, job.settings);
        // The notes of the groups come in list order, like their lines.
        if (!joined.notes.empty() && !awaitListTurn()) {
            if (joined.picture)
                DestroyMagickWand(joined.picture);
            return toolItemDropped();
        }
        for (const std::string &note : joined.notes)
            showInfoMessage(note);
        if (!joined.picture)
            return toolItemSkipped(joined.problem);
        const OutputOptions &output = job.settings.output;
        if (output.flattens())
            MagickSetImageAlphaChannel(joined.picture, DeactivateAlphaChannel);
        std::string first = joinTargetName(job.targetFolder, group, output);
        ToolItemOutcome written = writeNewToolPicture(joined.picture, output, WriteRules(), first,
                                                      first.substr(0, first.size() - 4), tidy);
        DestroyMagickWand(joined.picture);
        return giveSourceTimes(written, times);
    }, job.workers);
    outcome.summary.unit = "组";  // one item is one group of pictures
    return outcome;
}

ToolRunOutcome runJoinCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report)
{
    JoinJob job;
    loadJoinValues(values, job.settings);
    job.sourceFolder = trimFolder(command.source);
    job.workers = command.workers;
    job.targetFolder = command.saveTo;
    ToolRunOutcome refused;
    JoinProblem problem = joinSourceProblem(job.sourceFolder, job.settings.sourceFormats);
    if (problem.field == JoinField::None)
        problem = joinCustomProblem(job.settings.sizeRule, job.settings.customSize > 0 ? "1" : "");
    if (refuseToolJob(problem.text, problem.field == JoinField::Source,
                      problem.field == JoinField::Custom ? kCustom : kFormats, job.sourceFolder, refused))
        return refused;
    if (command.subfolders)
        refused.message = "拼接工具不用 --subfolders: 源图片文件夹的每个子文件夹就是一组";
    else if (joinGroups(job.sourceFolder, job.settings.sourceFormats).empty())
        refused.message = formatText(kJoinNoGroupsFormat, job.sourceFolder.c_str());
    if (!refused.message.empty()) {
        refused.end = ToolRunEnd::Refused;
        return refused;
    }
    return runJoinJob(job, report);
}
