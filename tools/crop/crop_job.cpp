#include "tools/crop/crop_job.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

const char kPrefix[] = "crop";
const char kTypes[] = "crop_load_format_option";
const char kMode[] = "crop_mode";
const char kAlign[] = "crop_align";
const char kFixedWidth[] = "crop_fixed_width";
const char kFixedHeight[] = "crop_fixed_height";
const char kPercentWidth[] = "crop_percent_width";
const char kPercentHeight[] = "crop_percent_height";
const char kRatioWidth[] = "crop_ratio_width";
const char kRatioHeight[] = "crop_ratio_height";
const char kSideUnit[] = "crop_side_unit";
const char *const kSidePixelNames[4] = {"crop_side_fixed_left", "crop_side_fixed_right", "crop_side_fixed_top",
                                        "crop_side_fixed_bottom"};
const char *const kSidePercentNames[4] = {"crop_side_percent_left", "crop_side_percent_right",
                                          "crop_side_percent_top", "crop_side_percent_bottom"};


long long amount(long field) { return field < 0 ? 0 : field; }

// The offset of a kept length on one axis: 0 at the start, the rest at the end,
// half (the odd pixel to the end's margin) in the middle.
long long alignedOffset(long long whole, long long kept, bool start, bool end)
{
    if (start)
        return 0;
    if (end)
        return whole - kept;
    return (whole - kept) / 2;
}

// Reads a stored field back: low..high is shown, anything else is empty.
long storedField(const StoredValues &values, const char *name, long low, long high)
{
    DWORD value = 0;
    if (!values.readDword(name, value) || (long long)value < low || (long long)value > high)
        return kCropEmpty;
    return (long)value;
}

DWORD fieldToStore(long field) { return field < 0 ? 0 : (DWORD)field; }

bool startsWith(const std::string &text, const char *head) { return text.compare(0, strlen(head), head) == 0; }

std::string ownWriteFailure(const std::string &target, const std::string &reason)
{
    return writeFailureText(OutputOptions(), WriteRules(), target, reason);
}

ToolItemOutcome cropOne(const CropJob &job, const std::string &path, FolderTidy &tidy)
{
    // The name is settled before the picture is read.
    const std::string name = fileNameOf(path);
    std::string base, extension;
    if (!job.overwrite) {
        size_t dot = name.rfind('.');
        extension = job.keepFormat && dot != std::string::npos ? name.substr(dot) : job.output.extension();
        if (!joinPath(base, job.targetFolder + folderBelowSource(job.sourceFolder, path), stemOf(name)) ||
            base.size() + extension.size() > kMaxPathBytes)
            return toolItemSkipped(formatText("目标文件名太长:\r\n%s", path.c_str()));
    }
    SourceTimes times;
    ToolItemOutcome skipped;
    if (!readSourceTimes(path, job.output.keepFileTime, times, skipped))
        return skipped;
    CroppedPicture cropped;
    std::string message, detail;
    if (!cropPicture(path, job.crop, job.autoOrient, cropped, message, detail))
        return toolItemSkipped(message, detail);
    MagickWand *picture = cropped.wand;
    ToolItemOutcome outcome;
    if (job.overwrite || job.keepFormat) {
        std::string bytes, reason;
        const std::string target = job.overwrite ? path : base + extension;
        DWORD error = 0;
        if (!encodeOwnFormat(picture, bytes, reason))
            outcome = toolRunError(ownWriteFailure(target, reason));
        else if (!job.overwrite)
            outcome = writeNewToolFile(bytes, target, base, extension, tidy, ownWriteFailure);
        else if (!toolWriteBegins(tidy, folderOfPath(path)))
            outcome = toolItemDropped();
        else {
            outcome = replaceFileWith(path, bytes.data(), bytes.size(), error)
                          ? toolItemWritten(path)
                          : toolRunError(ownWriteFailure(path, systemErrorText(error)));
        }
    } else {
        if (job.output.flattens() && MagickGetImageAlphaChannel(picture)) {
            flattenOnWhite(picture);
            if (cropped.format == "PNG" || cropped.format == "PSD")
                MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
        }
        MagickClearException(picture);
        outcome = writeNewToolPicture(picture, job.output, WriteRules(), base + extension, base, tidy);
    }
    DestroyMagickWand(picture);
    return giveSourceTimes(outcome, times);
}

}  // namespace

long cropFieldValue(const std::string &text)
{
    std::string head = text.substr(0, 7);
    long value = 0;
    size_t i = 0;
    for (; i < head.size() && isdigit((unsigned char)head[i]); ++i)
        value = value * 10 + (head[i] - '0');
    return i == 0 ? kCropEmpty : value;
}

CropRect computeCropRect(size_t pictureWidth, size_t pictureHeight, const CropSettings &s)
{
    CropRect r;
    const long long W = (long long)pictureWidth, H = (long long)pictureHeight;
    if (W <= 0 || H <= 0)
        return r;
    long long cw = W, ch = H;
    switch (s.mode) {
    case kCropFixedSize:
        cw = s.fixedWidth > 0 ? s.fixedWidth : W;
        ch = s.fixedHeight > 0 ? s.fixedHeight : H;
        break;
    case kCropPercent:
        if (s.percentWidth >= 1 && s.percentWidth <= 100)
            cw = std::max(1LL, s.percentWidth * W / 100);
        if (s.percentHeight >= 1 && s.percentHeight <= 100)
            ch = std::max(1LL, s.percentHeight * H / 100);
        break;
    case kCropAspectRatio: {
        const long long rw = s.ratioWidth, rh = s.ratioHeight;
        if (rw <= 0 || rh <= 0)
            break;
        if (W < H && rh <= rw) {
            ch = W * rh / rw;
        } else if (W >= H && rh > rw) {
            cw = rw * H / rh;
        } else if (100 * rw / rh == 100 * W / H) {
            // The ratios agree to two decimals: nothing to cut.
        } else if (rw * H <= W * rh) {
            cw = rw * H / rh;
        } else {
            ch = W * rh / rw;
        }
        cw = std::max(1LL, cw);
        ch = std::max(1LL, ch);
        break;
    }
    case kCropSides: {
        const long *sides = s.sidesInPercent ? s.sidePercents : s.sidePixels;
        const long long l = amount(sides[kCropLeft]), rt = amount(sides[kCropRight]), t = amount(sides[kCropTop]),
                        b = amount(sides[kCropBottom]);
        // Each axis apart: trimming a whole side away keeps its first pixel.
        if (s.sidesInPercent) {
            if (l + rt <= 99)
                r.x = l * W / 100, r.width = W - (l + rt) * W / 100;
            else
                r.x = 0, r.width = 1;
            if (t + b <= 99)
                r.y = t * H / 100, r.height = H - (t + b) * H / 100;
            else
                r.y = 0, r.height = 1;
        } else {
            if (W > l + rt)
                r.x = l, r.width = W - l - rt;
            else
                r.x = 0, r.width = 1;
            if (H > t + b)
                r.y = t, r.height = H - t - b;
            else
                r.y = 0, r.height = 1;
        }
        return r;
    }
    default:
        break;
    }
    // Larger than the picture: clamped, never padded.
    r.width = std::min(cw, W);
    r.height = std::min(ch, H);
    const int a = s.align;
    r.x = alignedOffset(W, r.width, a == kCropTopLeft || a == kCropBottomLeft,
                        a == kCropTopRight || a == kCropBottomRight);
    r.y = alignedOffset(H, r.height, a == kCropTopLeft || a == kCropTopRight,
                        a == kCropBottomLeft || a == kCropBottomRight);
    return r;
}

const std::vector<CropTypeBox> &cropTypeBoxes()
{
    static const std::vector<CropTypeBox> boxes = {{"jpg", 0}, {"png", 1}, {"gif", 2}, {"bmp", 3}, {"webp/heic/avif", 4}};
    return boxes;
}

const std::vector<ToolValueDef> &cropToolValues()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t;
        t.push_back({kTypes, false, 0, 31, nullptr, "31", "加载的图片类型, 各位相加: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 webp/heic/heif/avif"});
        t.push_back({kMode, false, 0, 3, nullptr, "0", "0 裁剪固定尺寸, 1 裁剪百分比, 2 裁剪宽高比, 3 裁掉四周"});
        t.push_back({kAlign, false, 0, 4, nullptr, "0",
                     "0 裁剪正中间, 1 裁剪左上角, 2 裁剪左下角, 3 裁剪右上角, 4 裁剪右下角 (裁掉四周时不用)"});
        t.push_back({kFixedWidth, false, 0, 9999, nullptr, "空", "固定尺寸的宽 (像素, 0 为空)"});
        t.push_back({kFixedHeight, false, 0, 9999, nullptr, "空", "固定尺寸的高 (像素, 0 为空)"});
        t.push_back({kPercentWidth, false, 0, 100, nullptr, "空", "宽的百分比 (0 为空)"});
        t.push_back({kPercentHeight, false, 0, 100, nullptr, "空", "高的百分比 (0 为空)"});
        t.push_back({kRatioWidth, false, 0, 9999, nullptr, "空", "宽高比的宽 (0 为空)"});
        t.push_back({kRatioHeight, false, 0, 9999, nullptr, "空", "宽高比的高 (0 为空)"});
        t.push_back({kSideUnit, false, 0, 1, nullptr, "0", "裁掉四周: 0 按像素, 1 按百分比"});
        const char *const pixelMeanings[4] = {"裁掉四周 (按像素): 左", "裁掉四周 (按像素): 右", "裁掉四周 (按像素): 上",
                                              "裁掉四周 (按像素): 下"};
        const char *const percentMeanings[4] = {"裁掉四周 (按百分比): 左 (0 为空)", "裁掉四周 (按百分比): 右 (0 为空)",
                                                "裁掉四周 (按百分比): 上 (0 为空)", "裁掉四周 (按百分比): 下 (0 为空)"};
        for (int i = 0; i < 4; ++i)
            t.push_back({kSidePixelNames[i], false, 0, 9999, nullptr, "空", pixelMeanings[i]});
        for (int i = 0; i < 4; ++i)
            t.push_back({kSidePercentNames[i], false, 0, 100, nullptr, "空", percentMeanings[i]});
        appendOutputValues(t, kPrefix);
        appendAutoOrientValue(t);
        return t;
    }();
    return table;
}

void loadCropValues(const StoredValues &values, CropJob &job)
{
    job.sourceTypes = values.dwordOr(kTypes, kToolTypeAll) & kToolTypeAll;
    CropSettings &s = job.crop;
    DWORD mode = values.dwordOr(kMode, 0), align = values.dwordOr(kAlign, 0);
    s.mode = mode > 3 ? kCropFixedSize : (int)mode;
    s.align = align > 4 ? kCropCentre : (int)align;
    s.fixedWidth = storedField(values, kFixedWidth, 1, 9999);
    s.fixedHeight = storedField(values, kFixedHeight, 1, 9999);
    s.ratioWidth = storedField(values, kRatioWidth, 1, 9999);
    s.ratioHeight = storedField(values, kRatioHeight, 1, 9999);
    s.percentWidth = storedField(values, kPercentWidth, 1, 100);
    s.percentHeight = storedField(values, kPercentHeight, 1, 100);
    s.sidesInPercent = values.dwordOr(kSideUnit, 0) != 0;
    for (int i = 0; i < 4; ++i) {
        s.sidePixels[i] = storedField(values, kSidePixelNames[i], 0, 9999);
        s.sidePercents[i] = storedField(values, kSidePercentNames[i], 1, 100);
    }
    job.output = outputOptionsFrom(values, kPrefix);
    job.autoOrient = autoOrientFrom(values);
}

void putCropValues(ValueMap &values, const CropJob &job)
{
    const CropSettings &s = job.crop;
    values.setDword(kTypes, job.sourceTypes);
    values.setDword(kMode, (DWORD)s.mode);
    values.setDword(kAlign, (DWORD)s.align);
    values.setDword(kFixedWidth, fieldToStore(s.fixedWidth));
    values.setDword(kFixedHeight, fieldToStore(s.fixedHeight));
    values.setDword(kPercentWidth, fieldToStore(s.percentWidth));
    values.setDword(kPercentHeight, fieldToStore(s.percentHeight));
    values.setDword(kRatioWidth, fieldToStore(s.ratioWidth));
    values.setDword(kRatioHeight, fieldToStore(s.ratioHeight));
    values.setDword(kSideUnit, s.sidesInPercent ? 1 : 0);
    for (int i = 0; i < 4; ++i) {
        values.setDword(kSidePixelNames[i], fieldToStore(s.sidePixels[i]));
        values.setDword(kSidePercentNames[i], fieldToStore(s.sidePercents[i]));
    }
    putOutputOptions(values, kPrefix, job.output);
}

CropProblem cropJobProblem(const CropJob &job)
{
    if (job.sourceFolder.empty())
        return {CropField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空"};
    if (!isDirectory(job.sourceFolder.c_str()))
        return {CropField::Source, "请重新选择", "选择的【源图片文件夹】不存在"};
    if ((job.sourceTypes & kToolTypeAll) == 0)
        return {CropField::Types, "请选择", "加载的图片类型至少选择一项"};
    const CropSettings &s = job.crop;
    switch (s.mode) {
    case kCropFixedSize:
    case kCropPercent: {
        bool fixed = s.mode == kCropFixedSize;
        if ((fixed ? s.fixedWidth : s.percentWidth) == kCropEmpty &&
            (fixed ? s.fixedHeight : s.percentHeight) == kCropEmpty)
            return {CropField::FirstField, "请输入", "宽与高至少填写一项"};
        break;
    }
    case kCropAspectRatio:
        if (s.ratioWidth == kCropEmpty)
            return {CropField::FirstField, "请输入", "这里不能为空"};
        if (s.ratioWidth < 1)
            return {CropField::FirstField, "这里不能小于 1", "请重新输入"};
        if (s.ratioHeight == kCropEmpty)
            return {CropField::SecondField, "请输入", "这里不能为空"};
        if (s.ratioHeight < 1)
            return {CropField::SecondField, "这里不能小于 1", "请重新输入"};
        break;
    case kCropSides: {
        const long *sides = s.sidesInPercent ? s.sidePercents : s.sidePixels;
        if (sides[0] == kCropEmpty && sides[1] == kCropEmpty && sides[2] == kCropEmpty && sides[3] == kCropEmpty)
            return {CropField::LeftField, "请输入", "左、右、上、下至少填写一项"};
        break;
    }
    }
    return {};
}

bool cropPicture(const std::string &path, const CropSettings &settings, bool autoOrient, CroppedPicture &out,
                 std::string &message, std::string &detail, MagickWand **uncropped, PreviewFit fit)
{
    out = CroppedPicture();
    if (uncropped)
        *uncropped = nullptr;
    std::string animation;
    size_t fullWidth = 0, fullHeight = 0;
    MagickWand *wand = readToolPictureFitted(path, autoOrient, fit, fullWidth, fullHeight, message, detail,
                                             &animation, "无法识别的图片:\r\n%s");
    if (!wand)
        return false;
    out.format = wandFormat(wand);
    if (!animation.empty()) {
        DestroyMagickWand(wand);
        detail = animation;
        message = formatText("不支持裁剪动态%s图片:\r\n%s", toLowerAscii(out.format).c_str(), path.c_str());
        return false;
    }
    ResolutionType units = MagickGetImageUnits(wand);
    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(wand, &xResolution, &yResolution);
    const size_t heldWidth = MagickGetImageWidth(wand), heldHeight = MagickGetImageHeight(wand);
    const bool reduced = fit.width > 0 && fit.height > 0 && (fullWidth > heldWidth || fullHeight > heldHeight);
    out.sourceWidth = reduced ? fullWidth : heldWidth;
    out.sourceHeight = reduced ? fullHeight : heldHeight;
    out.rect = computeCropRect(out.sourceWidth, out.sourceHeight, settings);
    out.heldRect = out.rect;
    if (reduced) {
        CropRect &h = out.heldRect;
        scaleSpan(h.x, h.width, (double)heldWidth / (double)fullWidth);
        scaleSpan(h.y, h.height, (double)heldHeight / (double)fullHeight);
        h.x = std::min(h.x, (long long)heldWidth - 1);
        h.y = std::min(h.y, (long long)heldHeight - 1);
        h.width = std::min(h.width, (long long)heldWidth - h.x);
        h.height = std::min(h.height, (long long)heldHeight - h.y);
    }
    if (uncropped)
        *uncropped = CloneMagickWand(wand);
    const CropRect &r = out.heldRect;
    MagickSetImagePage(wand, heldWidth, heldHeight, 0, 0);
    if (!MagickCropImage(wand, (size_t)r.width, (size_t)r.height, (ssize_t)r.x, (ssize_t)r.y)) {
        detail = takeWandError(wand);
        DestroyMagickWand(wand);
        message = formatText("图片裁剪失败:\r\n%s\r\n原因：%s", path.c_str(), detail.c_str());
        return false;
    }
    MagickSetImagePage(wand, (size_t)r.width, (size_t)r.height, 0, 0);
    if (startsWith(out.format, "BMP")) {
        MagickSetImageAlphaChannel(wand, DeactivateAlphaChannel);
        flattenOnWhite(wand);
    }
    applyKeptResolution(wand, units, xResolution, yResolution);
    MagickClearException(wand);
    out.wand = wand;
    return true;
}

bool encodeOwnFormat(MagickWand *wand, std::string &bytes, std::string &reason)
{
    const std::string format = wandFormat(wand);
    if (!format.empty())
        MagickSetImageFormat(wand, format.c_str());
    if (format == "JPEG") {
        MagickSetImageCompression(wand, JPEGCompression);
        MagickSetImageCompressionQuality(wand, 100);
    }
    return takeImageBlob(wand, bytes, reason);
}

ToolRunOutcome runCropJob(const CropJob &given, const BatchReport &report)
{
    CropJob job = given;
    job.sourceFolder = trimFolder(job.sourceFolder);
    job.targetFolder = job.overwrite ? std::string() : trimFolder(job.targetFolder);
    ToolWalk walk;
    walk.source = job.sourceFolder;
    walk.includeSubfolders = job.includeSubfolders;
    walk.writesToTarget = !job.overwrite;
    walk.target = job.targetFolder;
    walk.accept = [&job](const char *name) { return pictureTypeAccepts(name, job.sourceTypes); };
    return runToolWalk(walk, report, [&job](const std::string &path, FolderTidy &tidy) {
        return cropOne(job, path, tidy);
    }, job.workers);
}

ToolRunOutcome runCropCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report)
{
    CropJob job;
    loadCropValues(values, job);
    job.sourceFolder = command.source;
    job.workers = command.workers;
    job.includeSubfolders = command.subfolders;
    job.overwrite = command.overwrite;
    job.targetFolder = command.saveTo;
    CropProblem problem = cropJobProblem(job);
    const CropSettings &s = job.crop;
    const char *valueName = kTypes;
    if (problem.field == CropField::FirstField)
        valueName = s.mode == kCropFixedSize ? kFixedWidth : s.mode == kCropPercent ? kPercentWidth : kRatioWidth;
    else if (problem.field == CropField::SecondField)
        valueName = kRatioHeight;
    else if (problem.field == CropField::LeftField)
        valueName = s.sidesInPercent ? kSidePercentNames[0] : kSidePixelNames[0];
    ToolRunOutcome refused;
    if (refuseToolJob(problem.text, problem.field == CropField::Source, valueName, job.sourceFolder, refused))
        return refused;
    return runCropJob(job, report);
}
