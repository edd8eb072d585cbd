#include "tools/slice/slice_job.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "imaging/palette_png.h"
#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

const char kSlicePageTail[] = "</table>\r\n</body>\r\n</html>";

namespace {

const char kPrefix[] = "slice";
const char kFormats[] = "slice_load_format_option";
const char kHtml[] = "slice_save_html";

struct DirectionNames {
    const char *on, *avg, *avgValue, *pixel, *pixelValue;
};
const DirectionNames kHorizontal = {"slice_horizontal", "slice_horizontal_avg", "slice_horizontal_avg_value",
                                    "slice_horizontal_pixel", "slice_horizontal_pixel_value"};
const DirectionNames kVertical = {"slice_vertical", "slice_vertical_avg", "slice_vertical_avg_value",
                                  "slice_vertical_pixel", "slice_vertical_pixel_value"};

void appendDirection(std::vector<ToolValueDef> &t, const DirectionNames &n, const char *what)
{
    t.push_back({n.on, false, 0, 1, nullptr, "0", what});
    t.push_back({n.avg, false, 0, 1, nullptr, "1 (两个都是 0 时)", "1: 按个数均匀分隔"});
    t.push_back({n.avgValue, false, 0, 999, nullptr, "0 (空)", "切片个数"});
    t.push_back({n.pixel, false, 0, 1, nullptr, "0", "1: 按像素数分隔"});
    t.push_back({n.pixelValue, false, 0, 9999, nullptr, "0 (空)", "每个切片的像素数"});
}

SliceDivision loadDirection(const StoredValues &v, const DirectionNames &n)
{
    SliceDivision d;
    d.on = v.dwordOr(n.on, 0) != 0;
    bool avg = v.dwordOr(n.avg, 0) != 0, pixel = v.dwordOr(n.pixel, 0) != 0;
    d.byCount = avg || !pixel;
    DWORD count = v.dwordOr(n.avgValue, 0), pixels = v.dwordOr(n.pixelValue, 0);
    d.count = count >= 1 && count <= 999 ? (int)count : 0;
    d.pixels = pixels >= 1 && pixels <= 9999 ? (int)pixels : 0;
    return d;
}

void putDirection(ValueMap &v, const DirectionNames &n, const SliceDivision &d)
{
    v.setDword(n.on, d.on ? 1 : 0);
    v.setDword(n.avg, d.byCount ? 1 : 0);
    v.setDword(n.avgValue, (DWORD)(d.count > 0 ? d.count : 0));
    v.setDword(n.pixel, d.byCount ? 0 : 1);
    v.setDword(n.pixelValue, (DWORD)(d.pixels > 0 ? d.pixels : 0));
}

int digitsFor(int total) { return total <= 9 ? 1 : total <= 99 ? 2 : total <= 999 ? 3 : 4; }

SliceProblem directionProblem(const SliceDivisionInput &d, SliceField field)
{
    if (!d.on)
        return {};
    if (d.text.empty())
        return {field, "请输入", "这里不能为空"};
    if (atoi(d.text.c_str()) < 1)
        return {field, "输入错误", "这里不能小于1", true};
    return {};
}

// The page beside the tile folder under the first free name; the box text when it cannot be written.
ToolItemOutcome writePage(const std::string &base, const std::string &text)
{
    const std::string folder = folderOfPath(base);
    std::string first = base + ".html";
    std::string temp;
    DWORD error = 0;
    bool created = false;
    if (!writeOwnTempFile(folder, text.data(), text.size(), temp, error, &created))
        return toolRunError(
            formatText("生成HTML代码页的时候发生错误：%s，请检查硬盘空间是否用完。\n\n目标文件名：\n%s",
                       created ? "fwrite()" : "fopen()", first.c_str()));
    for (int n = 1; n < 100000; ++n) {
        std::string name = n == 1 ? first : base + formatText("(%d).html", n);
        if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        PlaceResult placed = placeOwnTempFile(temp, name, false, error);
        if (placed == PlaceResult::Placed)
            return toolItemWritten(name);
        if (placed == PlaceResult::Failed)
            break;
    }
    DeleteFileA(temp.c_str());
    return toolRunError(formatText(
        "生成HTML代码页的时候发生错误：fopen()，请检查硬盘空间是否用完。\n\n目标文件名：\n%s", first.c_str()));
}

ToolItemOutcome sliceOne(const SliceJob &job, const std::string &path, FolderTidy &tidy,
                         const std::function<bool()> &stopRequested)
{
    const SliceSettings &s = job.settings;
    const std::string stem = stemOf(fileNameOf(path));
    const std::string below = job.outputFolder + folderBelowSource(job.sourceFolder, path);
    const std::string tileFolder = below + "\\" + stem;

    SourceTimes times;
    ToolItemOutcome skipped;
    if (!readSourceTimes(path, s.output.keepFileTime, times, skipped))
        return skipped;
    std::string message, detail;
    MagickWand *picture = readToolPicture(path, s.autoOrient, message, detail);
    if (!picture)
        return toolItemSkipped(message, detail);
    const int width = (int)MagickGetImageWidth(picture), height = (int)MagickGetImageHeight(picture);
    std::vector<SliceSpan> rows = sliceSpans(height, s.horizontal), columns = sliceSpans(width, s.vertical);
    const long long total = (long long)rows.size() * (long long)columns.size();
    if (total > kSliceMaxTiles) {
        DestroyMagickWand(picture);
        return toolItemSkipped(formatText("切片太多 (%d x %d = %lld 个，每张图片最多 %lld 个)，这张图片没有切片:\r\n%s",
                                          (int)columns.size(), (int)rows.size(), total, kSliceMaxTiles, path.c_str()));
    }
    // A tile folder whose path is too long (or named like a device) fails this
    // picture alone; the next one may well fit.
    std::string device;
    if (tileFolder.size() > kMaxPathBytes || isDeviceName(stem, &device)) {
        DestroyMagickWand(picture);
        return toolItemSkipped(
            device.empty()
                ? formatText("切片文件夹的路径太长 (%zu 字节, 最多 %zu 字节), 这张图片没有切片:\r\n%s\r\n%s",
                             tileFolder.size(), kMaxPathBytes, path.c_str(), tileFolder.c_str())
                : formatText("切片文件夹名是 Windows 保留的设备名 (%s), 这张图片没有切片:\r\n%s", device.c_str(),
                             path.c_str()));
    }
    // Another run may make the same folder at the same moment: that is fine.
    const bool folderWasThere = isDirectory(tileFolder.c_str());
    DWORD code = 0;
    if (!makeFolder(tileFolder, code)) {
        DestroyMagickWand(picture);
        return toolRunError(formatText("任务中止！\n\n创建子文件夹 %s 失败，错误码：%d", tileFolder.c_str(), (int)code));
    }
    // A picture that fails part-way leaves nothing: what it wrote goes again.
    std::vector<std::string> written;
    auto removeWritten = [&] {
        for (const std::string &file : written)
            DeleteFileA(file.c_str());
        if (!folderWasThere)
            RemoveDirectoryA(tileFolder.c_str());  // only when empty: never what others put there
    };

    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(picture, &xResolution, &yResolution);
    const int units = (int)MagickGetImageUnits(picture);
    const std::string format = wandFormat(picture);
    if (format.compare(0, 3, "BMP") == 0)
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    if (s.output.flattens() && MagickGetImageAlphaChannel(picture)) {
        flattenOnWhite(picture);
        if (format == "PNG" || format == "PSD")
            MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    }
    OutputOptions tileOutput = s.output;
    if (s.output.format == OutputFormat::Png && s.output.png8) {
        // One palette for the whole picture, so the tiles match where they meet.
        unsigned char *data = nullptr;
        size_t size = 0;
        MagickSetImageFormat(picture, "PNG");
        bool ok = getPng8Data(picture, s.output.colours, &data, &size);
        if (ok) {
            ClearMagickWand(picture);
            ok = MagickReadImageBlob(picture, data, size) != MagickFalse;
            freePng8Data(data);
        }
        if (!ok) {
            DestroyMagickWand(picture);
            removeWritten();
            return toolRunError(formatText("图片转换成PNG-8格式时发生错误。\n\n文件名：\n%s", path.c_str()));
        }
        tileOutput.png8 = false;
    }
    MagickClearException(picture);

    const int tileCount = (int)total;
    std::string page = s.html ? slicePageHead(stem, s.output.extension()) : std::string();
    int number = 0;
    for (const SliceSpan &row : rows) {
        if (s.html)
            page += "<tr>\r\n";
        for (const SliceSpan &column : columns) {
            if (stopRequested && stopRequested())
                break;
            ++number;
            const std::string name = sliceTileName(stem, number, tileCount, s.output.extension());
            MagickWand *tile = MagickGetImageRegion(picture, column.length, row.length, column.start, row.start);
            if (!tile) {
                std::string reason = takeWandError(picture);
                DestroyMagickWand(picture);
                removeWritten();
                return toolRunError(writeFailureText(tileOutput, WriteRules(), tileFolder + "\\" + name, reason));
            }
            MagickSetImagePage(tile, column.length, row.length, 0, 0);
            applyKeptResolution(tile, units, xResolution, yResolution);
            ToolItemOutcome outcome = giveSourceTimes(
                writeNewToolPicture(tile, tileOutput, WriteRules(), tileFolder + "\\" + name,
                                    tileFolder + "\\" + sliceTileCollisionBase(stem, number, tileCount), tidy),
                times);
            DestroyMagickWand(tile);
            if (outcome.status != ItemStatus::Written) {
                DestroyMagickWand(picture);
                removeWritten();
                return outcome;
            }
            written.push_back(outcome.target);
            if (s.html)
                page += slicePageCell(sliceTileAddress(stem, fileNameOf(outcome.target)), column.length, row.length);
        }
        if (s.html)
            page += "</tr>\r\n";
    }
    DestroyMagickWand(picture);
    if (stopRequested && stopRequested())
        return toolItemWritten(tileFolder);
    if (!s.html)
        return toolItemWritten(tileFolder);
    page += kSlicePageTail;
    ToolItemOutcome pageOutcome = giveSourceTimes(writePage(below + "\\" + stem, page), times);
    if (pageOutcome.status != ItemStatus::Written)
        removeWritten();
    return pageOutcome;
}

}  // namespace

const std::vector<ToolValueDef> &sliceToolValues()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t;
        appendOutputValues(t, kPrefix);
        appendAutoOrientValue(t);
        t.push_back({kFormats, false, 0, 31, nullptr, "31", "加载的图片类型, 各位相加: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 webp/heic/heif/avif"});
        appendDirection(t, kHorizontal, "1: 水平划分 (切成若干行)");
        appendDirection(t, kVertical, "1: 垂直划分 (切成若干列)");
        t.push_back({kHtml, false, 0, 1, nullptr, "1", "生成HTML代码"});
        return t;
    }();
    return table;
}

void loadSliceValues(const StoredValues &values, SliceSettings &s)
{
    s.output = outputOptionsFrom(values, kPrefix);
    s.sourceFormats = values.dwordOr(kFormats, kToolTypeAll) & kToolTypeAll;
    s.horizontal = loadDirection(values, kHorizontal);
    s.vertical = loadDirection(values, kVertical);
    s.html = values.dwordOr(kHtml, 1) != 0;
    s.autoOrient = autoOrientFrom(values);
}

void putSliceValues(ValueMap &values, const SliceSettings &s)
{
    putOutputOptions(values, kPrefix, s.output);
    values.setDword(kFormats, s.sourceFormats);
    putDirection(values, kHorizontal, s.horizontal);
    putDirection(values, kVertical, s.vertical);
    values.setDword(kHtml, s.html ? 1 : 0);
}

std::vector<SliceSpan> sliceSpans(int size, const SliceDivision &d)
{
    std::vector<SliceSpan> spans;
    if (size <= 0)
        return spans;
    int step = size, extra = 0;
    if (d.on && d.byCount && d.count > 0) {
        if (d.count >= size) {
            step = 1;
        } else {
            step = size / d.count;
            extra = size - step * d.count;
        }
    } else if (d.on && !d.byCount && d.pixels > 0) {
        step = d.pixels < size ? d.pixels : size;
    }
    int start = 0;
    for (int i = 0; start < size; ++i) {
        int nominal = start + step;
        int end = nominal >= size ? size : nominal + (i < extra ? 1 : 0);
        spans.push_back({start, end - start});
        start = end;
    }
    return spans;
}

std::string sliceTileName(const std::string &stem, int number, int total, const char *extension)
{
    return stem + formatText("-%0*d", digitsFor(total), number) + extension;
}

std::string sliceTileCollisionBase(const std::string &stem, int number, int total)
{
    return stem + formatText("-%*d", digitsFor(total), number);
}

std::string sliceTileAddress(const std::string &tileFolderName, const std::string &tileFileName)
{
    auto encode = [](const std::string &gbk) {
        std::string out;
        for (unsigned char c : gbkToUtf8(gbk)) {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                strchr("-._~()", c))
                out += (char)c;
            else
                out += formatText("%%%02X", c);
        }
        return out;
    };
    return encode(tileFolderName) + "/" + encode(tileFileName);
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string slicePageHead(const std::string &stem, const char *extension)
{
    return "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n<title>" +
           htmlEscape(stem + extension) +
           "</title>\r\n</head>\r\n<body bgcolor=\"#FFFFFF\">\r\n<table border=\"0\" cellpadding=\"0\" "
           "cellspacing=\"0\">\r\n";
}

std::string slicePageCell(const std::string &address, int width, int height)
{
    return formatText("<td><img src=\"%s\" width=\"%d\" height=\"%d\"></td>\r\n", htmlEscape(address).c_str(), width,
                      height);
}

SliceProblem sliceStartProblem(const std::string &source, unsigned formats, const SliceDivisionInput &horizontal,
                               const SliceDivisionInput &vertical)
{
    if (source.empty())
        return {SliceField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空"};
    if (!isDirectory(source.c_str()))
        return {SliceField::Source, "请重新选择", "选择的【源图片文件夹】不存在"};
    if ((formats & kToolTypeAll) == 0)
        return {SliceField::Formats, "请选择", "加载的图片类型至少选择一项"};
    if (!horizontal.on && !vertical.on)
        return {SliceField::Divisions, "看这里", "【水平划分】与【垂直划分】至少勾选一项"};
    SliceProblem p = directionProblem(horizontal, SliceField::Horizontal);
    return p.field != SliceField::None ? p : directionProblem(vertical, SliceField::Vertical);
}

ToolRunOutcome runSliceJob(const SliceJob &given, const BatchReport &report)
{
    SliceJob job = given;
    job.sourceFolder = trimFolder(job.sourceFolder);
    job.outputFolder = trimFolder(job.outputFolder);
    ToolWalk walk;
    walk.source = job.sourceFolder;
    walk.includeSubfolders = job.includeSubfolders;
    walk.target = job.outputFolder;
    walk.accept = [&job](const char *name) { return pictureTypeAccepts(name, job.settings.sourceFormats); };
    return runToolWalk(walk, report, [&](const std::string &path, FolderTidy &tidy) {
        return sliceOne(job, path, tidy, report.stopRequested);
    });
}

ToolRunOutcome runSliceCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report)
{
    SliceJob job;
    loadSliceValues(values, job.settings);
    job.sourceFolder = command.source;
    job.includeSubfolders = command.subfolders;
    job.outputFolder = command.saveTo;
    auto input = [](const SliceDivision &d) {
        SliceDivisionInput in;
        in.on = d.on;
        in.byCount = d.byCount;
        int value = d.byCount ? d.count : d.pixels;
        in.text = value > 0 ? formatText("%d", value) : "";
        return in;
    };
    const SliceSettings &s = job.settings;
    SliceProblem problem = sliceStartProblem(job.sourceFolder, s.sourceFormats, input(s.horizontal), input(s.vertical));
    const char *about = problem.field == SliceField::Horizontal
                            ? (s.horizontal.byCount ? kHorizontal.avgValue : kHorizontal.pixelValue)
                        : problem.field == SliceField::Vertical
                            ? (s.vertical.byCount ? kVertical.avgValue : kVertical.pixelValue)
                        : problem.field == SliceField::Divisions ? "slice_horizontal / slice_vertical"
                                                                 : kFormats;
    ToolRunOutcome refused;
    if (refuseToolJob(problem.text, problem.field == SliceField::Source, about, job.sourceFolder, refused))
        return refused;
    return runSliceJob(job, report);
}
