#include "core/batch_cli.h"

#include <windows.h>
#include <cstdlib>
#include <set>

#include "core/batch_loops.h"
#include "core/batch_workers.h"
#include "core/pipeline.h"
#include "core/process_settings.h"
#include "core/settings_file.h"
#include "core/settings_rules.h"
#include "core/settings_text.h"
#include "core/target_naming.h"
#include "imaging/colour_profiles.h"
#include "input/file_helpers.h"
#include "util/magick_path.h"
#include "util/path_join.h"
#include "util/path_list.h"
#include "util/safe_file.h"
#include "util/settings_lines.h"
#include "util/text.h"

std::string batchUsageText()
{
    return "用法:\n"
           "  velmora --batch [--settings 设置文件] [--workers N] (--save-to 文件夹 [--keep-structure] | --overwrite) 路径...\n"
           "    路径                图片文件, 或文件夹(含其所有子文件夹中的图片)\n"
           "    --settings 设置文件  config.dat 或 .sz 格式的设置文件; 不指定时使用默认设置\n"
           "    --save-to 文件夹     处理后保存到这个已存在的文件夹\n"
           "    --keep-structure    按原文件夹(子文件夹)结构保存图片\n"
           "    --overwrite         直接覆盖原图\n"
           "    --workers N         同时处理 N 张图片 (1-64); 不指定时每个处理器一张\n"
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
        } else if (arg == "--workers") {
            char *end = nullptr;
            long n = i + 1 < args.size() ? strtol(args[i + 1].c_str(), &end, 10) : 0;
            if (i + 1 >= args.size() || end == args[i + 1].c_str() || *end != '\0' || n < 1 ||
                n > kMaxBatchWorkers) {
                error = formatText("--workers 后面应是 1 到 %d 之间的整数", kMaxBatchWorkers);
                return false;
            }
            command.workers = (int)n;
            ++i;
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

// False when the lists cannot be had (no memory). Sub-folders that are the
// target or lie in it are passed over: they hold this command's own results.
static bool listFolderPictures(const std::string &folder, const std::string &target,
                               std::vector<std::string> &pictures, LeftOutLines &leftOut)
{
    PathList *found = PathList::create(4096, 1024);
    PathList *subfolders = PathList::create(1024, 128);
    if (!found || !subfolders) {
        if (found)
            found->destroy(true);
        if (subfolders)
            subfolders->destroy(true);
        return false;
    }
    listPictures(folder.c_str(), found, &leftOut);
    listSubfolders(folder.c_str(), subfolders, true, &leftOut);
    const bool targetBelow = !target.empty() && isSameOrBelowFolder(target, folder) && !isSameOrBelowFolder(folder, target);
    for (int i = 0; i < subfolders->count; ++i)
        if (!targetBelow || !isSameOrBelowFolder(subfolders->text(i), target))
            listPictures(subfolders->text(i), found, &leftOut);
    for (int i = 0; i < found->count; ++i)
        pictures.push_back(found->text(i));
    subfolders->destroy(true);
    found->destroy(true);
    return true;
}

bool collectBatchItems(const std::vector<std::string> &paths, std::vector<BatchItem> &items,
                       std::string &error, std::vector<std::string> &notes, const std::string &targetFolder)
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
        // Longer paths cannot be opened at all; "not found" would send the user
        // looking for a file that is there.
        if (path.size() > kMaxPathBytes) {
            error = formatText("路径太长 (%zu 字节, 最多 %zu 字节): %s", path.size(), kMaxPathBytes, path.c_str());
            return false;
        }
        if (isDirectory(path.c_str())) {
            if (path.size() <= 3) {
                error = formatText("暂不支持添加根目录：[%s]，请选择下一级文件夹。", path.c_str());
                return false;
            }
            std::vector<std::string> pictures;
            LeftOutLines leftOut;
            if (!listFolderPictures(path, targetFolder, pictures, leftOut)) {
                error = formatText("内存不足，无法列出文件夹中的图片: %s", path.c_str());
                return false;
            }
            for (const std::string &line : leftOut)
                notes.push_back(line);
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
        head += " -> " + result.target;
        if (!result.note.empty())
            head += " (注意: " + oneLine(result.note) + ")";
        return head;
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
    const char *u = summary.unit;
    std::string line = formatText("共 %d %s图片，已写入 %d %s，失败 %d %s", summary.total, u, summary.written, u,
                                  summary.failed, u);
    if (summary.skipped > 0)
        line += formatText("，跳过 %d %s", summary.skipped, u);
    if (summary.oversize > 0)
        line += formatText("，超过文件大小上限 %d %s", summary.oversize, u);
    if (summary.stopped)
        line += formatText("，未处理 %d %s", summary.total - summary.written - summary.failed - summary.skipped, u);
    return line + "。";
}

// The switches are used as stored: unlike the window, which starts with every
// switch cleared, a command line has no panel in which to tick them again. A file
// that is not a settings file is refused: running on the defaults by mistake
// would, with --overwrite, change every original in a way nobody asked for.
static bool loadBatchSettings(const std::string &settingsFile, ProcessSettings &settings, std::string &error)
{
    clearSettings(settings);
    if (settingsFile.empty()) {
        presetSettings(settings);
        applySettingsText(settings, defaultSettingsText());
        return true;
    }
    std::string path = commandLinePath(settingsFile);
    if (path.size() > kMaxPathBytes) {
        error = formatText("设置文件的路径太长 (%zu 字节, 最多 %zu 字节): %s", path.size(), kMaxPathBytes, path.c_str());
        return false;
    }
    if (isDirectory(path.c_str())) {
        error = formatText("这是一个文件夹, 不是设置文件: %s", path.c_str());
        return false;
    }
    DWORD code = 0;
    std::vector<SettingsTextFault> faults;
    switch (loadSettingsFile(settings, path, &code, &faults)) {
    case SettingsFileState::Read:
        // The window takes the default for a value that is no number; a command
        // that would then change every picture (or every original) is not run.
        if (!faults.empty()) {
            error = settingsFaultText(faults.front()) + ": " + path;
            return false;
        }
        return true;
    case SettingsFileState::NotOpened:
        error = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                    ? formatText("图片处理设置文件:[%s]不存在", path.c_str())
                    : formatText("无法打开设置文件 %s: %s", path.c_str(), systemErrorText(code).c_str());
        return false;
    case SettingsFileState::NotRead:
        if (code == 0)
            error = settingsFileEmptyText(path);
        else if (code == ERROR_FILE_TOO_LARGE)
            error = formatText("这不是一个设置文件 (超过 4 MB): %s", path.c_str());
        else
            error = formatText("无法读取设置文件 %s: %s", path.c_str(), systemErrorText(code).c_str());
        return false;
    case SettingsFileState::NoSettings:
    default:
        error = settingsFileWithoutKeysText(path);
        return false;
    }
}

bool prepareBatchInputs(ProcessSettings &settings, const BatchEnvironment &environment, PreparedWatermarks &marks,
                        PipelineInputs &inputs, std::string &error, std::vector<std::string> &notes)
{
    inputs.settings = &settings;
    if (settings.bSYText && !settings.sy_text.empty()) {
        if (environment.loadFonts)
            environment.loadFonts();
        const std::string &face = settings.sy_text_fontName;
        bool chinese = hasHighByte(settings.sy_text);
        if (environment.fontUsable && !environment.fontUsable(face, chinese)) {
            error = chinese ? fontWithoutChineseText(face) : unsupportedFontText(face);
            return false;
        }
        MagickWand *mark = nullptr;
        if (!buildTextWatermark(settings, kBatchScreenDpi, environment.selectFont, &mark)) {
            error = unsupportedFontText(face);
            return false;
        }
        marks.replaceText(mark);
    }
    if (settings.bSYImage && !settings.sy_image.empty()) {
        settings.sy_image = commandLinePath(settings.sy_image);
        MagickWand *mark = nullptr;
        std::string reason;
        if (!buildPictureWatermark(settings, &mark, reason)) {
            error = formatText("读取水印图片出错：%s", settings.sy_image.c_str());
            if (!reason.empty())
                error += " (" + reason + ")";
            return false;
        }
        marks.replacePicture(mark);
    }
    marks.handTo(inputs);
    // Profiles only serve the colour-space conversion.
    if (settings.bColorspaceTo) {
        CmykProfileLoad cmyk = loadStoredCmykProfile(environment.programFolder);
        if (!cmyk.message.empty())
            notes.push_back(replaceAll(cmyk.message, "\n\n", " "));
        inputs.cmykProfile = cmyk.bytes;
        if (usesSrgbProfile(settings) && !loadSrgbProfile(environment.programFolder, inputs.srgbProfile, error)) {
            error = replaceAll(error, "\n\n", " ");
            return false;
        }
    }
    return true;
}

namespace {

// Where the run is, for reportBatchCutOff. The summary is kept by the loop's
// thread as it reports; the fault handler runs on the faulting thread, which
// knows its own picture (batchItemOnThisThread).
struct RunningBatch {
    bool running = false;
    int index = 0;  // the progress count: where the loop's thread is
    const std::vector<BatchItem> *items = nullptr;
    BatchSummary summary;
};
RunningBatch g_running;

}  // namespace

void reportBatchCutOff(unsigned long exceptionCode)
{
    if (!g_running.running)
        return;
    BatchItemResult current;
    current.index = batchItemOnThisThread() > 0 ? batchItemOnThisThread() : g_running.index;
    current.total = g_running.summary.total;
    current.status = ItemStatus::Failed;
    if (g_running.items && current.index > 0 && current.index <= (int)g_running.items->size())
        current.source = (*g_running.items)[(size_t)current.index - 1].path;
    current.reason = formatText("处理这张图片时程序出错 (exceptionCode:0x%lx)", exceptionCode);
    // Pictures the other workers finished but the loop had not reported yet are
    // counted as not done: only what was reported is known to be whole.
    BatchSummary summary = g_running.summary;
    ++summary.failed;
    summary.stopped = true;
    consoleWrite(batchItemLine(current) + "\n");
    consoleWrite(batchSummaryLine(summary) + "\n");
    consoleWrite("批量处理因程序出错而中止, 后面的图片没有处理。\n");
}

static int usageError(const std::string &message)
{
    consoleWrite(message + "\n", true);
    return kBatchUsageError;
}

int runBatchCommand(const std::vector<std::string> &args, const BatchEnvironment &environment,
                    const std::function<void(int index)> &beforePicture)
{
    if (args.empty())
        return usageError(batchUsageText());
    BatchCommand command;
    std::string error;
    if (!parseBatchArguments(args, command, error))
        return usageError(error + "\n" + batchUsageText());

    ProcessSettings settings;
    if (!loadBatchSettings(command.settingsFile, settings, error))
        return usageError(error);

    std::string target;
    if (!command.overwrite) {
        target = commandLinePath(command.saveTo);
        if (target.size() > kMaxPathBytes)
            return usageError(formatText("路径太长 (%zu 字节, 最多 %zu 字节): %s", target.size(), kMaxPathBytes,
                                         target.c_str()));
        if (!isDirectory(target.c_str()))
            return usageError(formatText("图片处理后保存到的位置不存在，请重新选择: %s", target.c_str()));
    }

    std::vector<BatchItem> items;
    std::vector<std::string> notes;
    if (!collectBatchItems(command.paths, items, error, notes, target))
        return usageError(error);
    for (const std::string &note : notes)
        consoleWrite(note + "\n", true);
    if (items.empty())
        return usageError("没有可处理的图片");

    // Watermarks and profiles before any folder is made: a run that cannot mark
    // its pictures does not start.
    PreparedWatermarks marks;
    PipelineInputs inputs;
    notes.clear();
    if (!prepareBatchInputs(settings, environment, marks, inputs, error, notes))
        return usageError(error);
    for (const std::string &note : notes)
        consoleWrite(note + "\n", true);

    if (!command.overwrite && command.keepStructure && !prepareTargetFolders(target, items, error))
        return usageError(error);

    BatchReport report;
    g_running = RunningBatch();
    g_running.summary.total = (int)items.size();
    g_running.items = &items;
    g_running.running = true;
    report.progress = [](int index, int) { g_running.index = index; };
    report.pictureStarting = beforePicture;
    report.itemDone = [](const BatchItemResult &result) {
        consoleWrite(batchItemLine(result) + "\n");
        countItem(g_running.summary, result.status, !result.note.empty());
    };
    BatchSummary summary = command.overwrite
                               ? overwriteLoop(inputs, items, report, command.workers)
                               : saveToFolderLoop(inputs, target, command.keepStructure, items, report,
                                                  command.workers);
    g_running.running = false;
    consoleWrite(batchSummaryLine(summary) + "\n");
    return summary.failed > 0 ? kBatchSomeFailed : kBatchAllWritten;
}
