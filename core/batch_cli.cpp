#include "core/batch_cli.h"

#include <windows.h>
#include <set>

#include "core/batch_loops.h"
#include "core/pipeline.h"
#include "core/process_settings.h"
#include "core/settings_file.h"
#include "core/settings_text.h"
#include "core/target_naming.h"
#include "input/file_helpers.h"
#include "util/magick_path.h"
#include "util/path_list.h"
#include "util/text.h"

std::string batchUsageText()
{
    return "用法:\n"
           "  velmora --batch [--settings 设置文件] (--save-to 文件夹 [--keep-structure] | --overwrite) 路径...\n"
           "    路径                图片文件, 或文件夹(含其所有子文件夹中的图片)\n"
           "    --settings 设置文件  config.dat 或 .sz 格式的设置文件; 不指定时使用默认设置\n"
           "    --save-to 文件夹     处理后保存到这个已存在的文件夹\n"
           "    --keep-structure    按原文件夹(子文件夹)结构保存图片\n"
           "    --overwrite         直接覆盖原图\n"
           "  退出码: 0 全部成功, 1 有图片处理失败, 2 参数或准备出错\n";
}

bool parseBatchArguments(const std::vector<std::string> &args, BatchCommand &command, std::string &error)
{
    command = BatchCommand();
    bool optionsEnded = false;
    bool saveToGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            command.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--settings" || arg == "--save-to") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = formatText("%s 后面缺少路径", arg.c_str());
                return false;
            }
            if (arg == "--settings") {
                if (!command.settingsFile.empty()) {
                    error = "--settings 只能指定一次";
                    return false;
                }
                command.settingsFile = args[++i];
            } else {
                if (saveToGiven) {
                    error = "--save-to 只能指定一次";
                    return false;
                }
                saveToGiven = true;
                command.saveTo = args[++i];
            }
        } else if (arg == "--keep-structure") {
            command.keepStructure = true;
        } else if (arg == "--overwrite") {
            command.overwrite = true;
        } else {
            error = formatText("未知的选项: %s", arg.c_str());
            return false;
        }
    }
    if (saveToGiven == command.overwrite) {
        error = "请选择图片处理后保存的方式: --save-to 文件夹 或 --overwrite (只能选一种)";
        return false;
    }
    if (command.keepStructure && command.overwrite) {
        error = "--keep-structure 只能和 --save-to 一起使用";
        return false;
    }
    if (command.paths.empty()) {
        error = "没有指定要处理的图片或文件夹";
        return false;
    }
    return true;
}

std::string commandLinePath(const std::string &arg)
{
    std::string path = fullPath(replaceAll(dosPathFromArgument(arg), "/", "\\"));
    while (path.size() > 3 && endsWithBackslash(path))
        path.pop_back();
    return path;
}

static void listFolderPictures(const std::string &folder, std::vector<std::string> &pictures)
{
    PathList *found = PathList::create(4096, 1024);
    listPictures(folder.c_str(), found);
    PathList *subfolders = PathList::create(1024, 128);
    listSubfolders(folder.c_str(), subfolders, true);
    for (int i = 0; i < subfolders->count; ++i)
        listPictures(subfolders->text(i), found);
    for (int i = 0; i < found->count; ++i)
        pictures.push_back(found->text(i));
    subfolders->destroy(true);
    found->destroy(true);
}

bool collectBatchItems(const std::vector<std::string> &paths, std::vector<BatchItem> &items,
                       std::string &error, std::vector<std::string> &notes)
{
    std::set<std::string> listed;
    auto add = [&](const std::string &path, const std::string &relativeFolder) {
        if (!listed.insert(pathKey(path)).second)
            return;
        BatchItem item;
        item.path = path;
        item.relativeFolder = relativeFolder;
        items.push_back(item);
    };
    for (const std::string &arg : paths) {
        std::string path = commandLinePath(arg);
        if (isDirectory(path.c_str())) {
            if (path.size() <= 3) {
                error = formatText("暂不支持添加根目录：[%s]，请选择下一级文件夹。", path.c_str());
                return false;
            }
            std::vector<std::string> pictures;
            listFolderPictures(path, pictures);
            if (pictures.empty())
                notes.push_back(formatText("在[%s]中没有找到可处理的图片。", path.c_str()));
            for (const std::string &picture : pictures)
                add(picture, relativeFolderBelow(path, picture));
        } else if (fileExists(path.c_str())) {
            // Only picture names: overwriting would turn any other file that
            // ImageMagick can render (a text file, say) into a JPEG.
            if (!isPictureFileName(path.c_str())) {
                error = formatText("不是可处理的图片文件: %s", path.c_str());
                return false;
            }
            add(path, std::string());
        } else {
            error = formatText("找不到文件或文件夹: %s", path.c_str());
            return false;
        }
    }
    return true;
}

static std::string oneLine(const std::string &text)
{
    std::string line = replaceAll(replaceAll(text, "\r\n", " "), "\n", " ");
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string batchItemLine(const BatchItemResult &result)
{
    std::string head = formatText("[%d/%d] %s", result.index, result.total, result.source.c_str());
    switch (result.status) {
    case ItemStatus::Written:
        return head + " -> " + result.target;
    case ItemStatus::Skipped:
        return head + " 跳过: " + oneLine(result.reason);
    case ItemStatus::Failed:
    default:
        head += " 失败: " + oneLine(result.reason);
        if (!oneLine(result.detail).empty() && result.reason.find(oneLine(result.detail)) == std::string::npos)
            head += " (" + oneLine(result.detail) + ")";
        return head;
    }
}

std::string batchSummaryLine(const BatchSummary &summary)
{
    std::string line = formatText("共 %d 张图片，已写入 %d 张，失败 %d 张", summary.total, summary.written, summary.failed);
    if (summary.skipped > 0)
        line += formatText("，跳过 %d 张", summary.skipped);
    if (summary.stopped)
        line += formatText("，未处理 %d 张",
                           summary.total - summary.written - summary.failed - summary.skipped);
    return line + "。";
}

// The switches are used as stored: unlike the window, which starts with every
// switch cleared, a command line has no panel in which to tick them again.
static bool loadBatchSettings(const std::string &settingsFile, ProcessSettings &settings, std::string &error)
{
    clearSettings(settings);
    if (settingsFile.empty()) {
        presetSettings(settings);
        applySettingsText(settings, defaultSettingsText());
        return true;
    }
    std::string path = commandLinePath(settingsFile);
    if (isDirectory(path.c_str()) || !readSettingsFile(settings, path)) {
        error = formatText("图片处理设置文件:[%s]不存在", path.c_str());
        return false;
    }
    return true;
}

// What the command line cannot honour yet. The watermark pictures are made by the
// window's watermark renderer; a run without them would write unmarked pictures
// (over the originals, in overwrite mode) and report success.
static bool settingsUsable(const ProcessSettings &settings, std::string &error)
{
    if ((settings.bSYText && !settings.sy_text.empty()) || (settings.bSYImage && !settings.sy_image.empty())) {
        error = "设置文件打开了文字水印或图片水印, 命令行暂时不能添加水印。"
                "请在设置文件中关闭水印 (bSYText=0, bSYImage=0) 后再试。";
        return false;
    }
    return true;
}

static int usageError(const std::string &message)
{
    consoleWrite(message + "\n", true);
    return kBatchUsageError;
}

int runBatchCommand(const std::vector<std::string> &args)
{
    if (args.empty())
        return usageError(batchUsageText());
    BatchCommand command;
    std::string error;
    if (!parseBatchArguments(args, command, error))
        return usageError(error + "\n" + batchUsageText());

    ProcessSettings settings;
    if (!loadBatchSettings(command.settingsFile, settings, error) || !settingsUsable(settings, error))
        return usageError(error);

    std::string target;
    if (!command.overwrite) {
        target = commandLinePath(command.saveTo);
        if (!isDirectory(target.c_str()))
            return usageError(formatText("图片处理后保存到的位置不存在，请重新选择: %s", target.c_str()));
    }

    std::vector<BatchItem> items;
    std::vector<std::string> notes;
    if (!collectBatchItems(command.paths, items, error, notes))
        return usageError(error);
    for (const std::string &note : notes)
        consoleWrite(note + "\n", true);
    if (items.empty())
        return usageError("没有可处理的图片");

    if (!command.overwrite && command.keepStructure && !prepareTargetFolders(target, items, error))
        return usageError(error);

    PipelineInputs inputs;
    inputs.settings = &settings;

    BatchReport report;
    report.itemDone = [](const BatchItemResult &result) { consoleWrite(batchItemLine(result) + "\n"); };
    BatchSummary summary = command.overwrite
                               ? overwriteLoop(inputs, items, report)
                               : saveToFolderLoop(inputs, target, command.keepStructure, items, report);
    consoleWrite(batchSummaryLine(summary) + "\n");
    return summary.failed > 0 ? kBatchSomeFailed : kBatchAllWritten;
}
