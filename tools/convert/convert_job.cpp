#include "tools/convert/convert_job.h"

#include <windows.h>

#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "util/path_join.h"
#include "util/text.h"

namespace {

const char kFormats[] = "convert_load_format_option";
const char kKeepExtension[] = "convert_is_save_original_file_extension_name";
const char kPrefix[] = "convert";


bool startsWith(const std::string &text, const char *head) { return text.compare(0, strlen(head), head) == 0; }

ToolItemOutcome convertOne(const ConvertJob &job, const std::string &path, FolderTidy &tidy)
{
    SourceTimes times;
    ToolItemOutcome skipped;
    if (!readSourceTimes(path, job.output.keepFileTime, times, skipped))
        return skipped;
    std::string message, detail;
    MagickWand *picture = readToolPicture(path, job.autoOrient, message, detail);
    if (!picture)
        return toolItemSkipped(message, detail);

    double xResolution = 0.0, yResolution = 0.0;
    MagickGetImageResolution(picture, &xResolution, &yResolution);
    const std::string format = wandFormat(picture);
    // A BMP never keeps transparency, whatever the target.
    if (startsWith(format, "BMP")) {
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
        flattenOnWhite(picture);
    }
    const ColorspaceType colourspace = MagickGetImageColorspace(picture);
    if (colourspace == CMYKColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);
    if (job.output.flattens() && MagickGetImageAlphaChannel(picture)) {
        flattenOnWhite(picture);
        if (format == "PNG" || format == "PSD")
            MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    }
    if (xResolution == 0.0 && yResolution == 0.0) {
        MagickSetImageUnits(picture, PixelsPerInchResolution);
        MagickSetImageResolution(picture, 72.0, 72.0);
    }
    if (job.output.format == OutputFormat::Png && job.output.png8 && format == "HEIC" &&
        colourspace != RGBColorspace && colourspace != sRGBColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);
    MagickClearException(picture);

    std::string name = convertTargetName(fileNameOf(path), job.output, job.keepOriginalExtension);
    std::string folder = job.targetFolder + folderBelowSource(job.sourceFolder, path);
    std::string first;
    if (!joinPath(first, folder, name)) {
        DestroyMagickWand(picture);
        return toolItemSkipped(formatText("目标文件名太长:\r\n%s\\%s", folder.c_str(), name.c_str()));
    }
    WriteRules rules;
    rules.convertTool = true;
    ToolItemOutcome outcome =
        writeNewToolPicture(picture, job.output, rules, first, first.substr(0, first.rfind('.')), tidy);
    DestroyMagickWand(picture);
    return giveSourceTimes(outcome, times);
}

}  // namespace

const std::vector<ToolValueDef> &convertToolValues()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t;
        appendOutputValues(t, kPrefix);
        appendAutoOrientValue(t);
        t.push_back({kFormats, false, 0, 0xFFF, nullptr, "0 (一种也没有选)",
                     "原格式, 各位相加: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 psd, 32 tif/tiff, "
                     "256 webp, 512 dng, 1024 jfif, 2048 heic/heif/avif (64 svg 不再读取)"});
        t.push_back({kKeepExtension, false, 0, 1, nullptr, "0", "新文件名保留原扩展名 (123.bmp -> 123.bmp.jpg)"});
        return t;
    }();
    return table;
}

void loadConvertValues(const StoredValues &values, ConvertJob &job)
{
    job.output = outputOptionsFrom(values, kPrefix);
    job.sourceFormats = values.dwordOr(kFormats, 0);
    job.keepOriginalExtension = values.dwordOr(kKeepExtension, 0) != 0;
    job.autoOrient = autoOrientFrom(values);
}

void putConvertValues(ValueMap &values, const ConvertJob &job)
{
    putOutputOptions(values, kPrefix, job.output);
    values.setDword(kFormats, job.sourceFormats);
    values.setDword(kKeepExtension, job.keepOriginalExtension ? 1 : 0);
}

const std::vector<ConvertFormatBox> &convertFormatBoxes()
{
    static const std::vector<ConvertFormatBox> boxes = {
        {"jpg", 0}, {"png", 1}, {"gif", 2}, {"bmp", 3}, {"psd", 4},
        {"tif", 5}, {"jfif", 10}, {"webp", 8}, {"dng", 9}, {"heic/avif", 11},
    };
    return boxes;
}

std::string convertTargetName(const std::string &fileName, const OutputOptions &output, bool keepOriginalExtension)
{
    const std::string extension = output.extension();
    if (keepOriginalExtension)
        return endsWithNoCase(fileName, extension) ? fileName : fileName + extension;
    return stemOf(fileName) + extension;
}

ConvertProblem convertJobProblem(const ConvertJob &job)
{
    if (job.sourceFolder.empty())
        return {ConvertField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空"};
    if (!isDirectory(job.sourceFolder.c_str()))
        return {ConvertField::Source, "请重新选择", "选择的【源图片文件夹】不存在"};
    if (job.sourceFormats == 0)
        return {ConvertField::Formats, "请选择", "原格式请至少选择一项"};
    return {};
}

ToolRunOutcome runConvertJob(const ConvertJob &given, const BatchReport &report)
{
    ConvertJob job = given;
    job.sourceFolder = trimFolder(job.sourceFolder);
    job.targetFolder = trimFolder(job.targetFolder);
    ToolWalk walk;
    walk.source = job.sourceFolder;
    walk.includeSubfolders = job.includeSubfolders;
    walk.target = job.targetFolder;
    walk.accept = [&job](const char *name) { return sourceTypeAccepts(name, job.sourceFormats); };
    return runToolWalk(walk, report, [&job](const std::string &path, FolderTidy &tidy) {
        return convertOne(job, path, tidy);
    });
}

ToolRunOutcome runConvertCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report)
{
    ConvertJob job;
    loadConvertValues(values, job);
    job.sourceFolder = command.source;
    job.includeSubfolders = command.subfolders;
    job.targetFolder = command.saveTo;
    ConvertProblem problem = convertJobProblem(job);
    ToolRunOutcome refused;
    if (refuseToolJob(problem.text, problem.field == ConvertField::Source, "convert_load_format_option",
                      job.sourceFolder, refused))
        return refused;
    return runConvertJob(job, report);
}
