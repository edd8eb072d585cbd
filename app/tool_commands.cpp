// The folder tools the command line knows; each new tool adds its line.
#include "app/tool_commands.h"

#include "core/batch_cli.h"
#include "tools/convert/convert_job.h"
#include "tools/crop/crop_job.h"
#include "tools/join/join_job.h"
#include "tools/png/png_job.h"
#include "tools/slice/slice_job.h"
#include "util/info_log.h"
#include "util/text.h"

const std::vector<ToolCommand> &toolCommands()
{
    static const std::vector<ToolCommand> tools = {
        {"convert", "格式转换", convertToolValues, false, runConvertCommand},
        {"png", "处理PNG", pngToolValues, true, runPngCommand},
        {"join", "图片拼接", joinToolValues, false, runJoinCommand},
        {"slice", "图片切片", sliceToolValues, false, runSliceCommand},
        {"crop", "图片裁剪", cropToolValues, true, runCropCommand},
    };
    return tools;
}

namespace {

const ToolCommand *findTool(const std::string &name)
{
    for (const ToolCommand &tool : toolCommands())
        if (name == tool.name)
            return &tool;
    return nullptr;
}

int usageError(const std::string &message)
{
    consoleWrite(message + "\n", true);
    return kBatchUsageError;
}

}  // namespace

std::string toolUsageText(const ToolCommand *tool)
{
    std::string text = "用法:\n"
                        "  velmora --tool 工具 [--settings 设置文件] [--subfolders] [--workers N] (--save-to 文件夹 | --overwrite) 源图片文件夹\n"
                        "  velmora --tool 工具 --help\n"
                        "    --settings 设置文件  每行一个 名称=值 (名称同注册表中的值名); 没有给出的值用缺省值\n"
                        "    --subfolders        同时处理所有子文件夹里的图片\n"
                        "    --save-to 文件夹     处理后保存到这个文件夹 (不存在时创建), 子文件夹结构与源文件夹相同\n"
                        "    --overwrite         直接覆盖原图\n"
                        "    --workers N         同时处理 N 张图片 (拼接: N 组) (1-64); 不指定时每个处理器一张\n"
                        "  退出码: 0 全部成功, 1 有图片处理失败或处理中止, 2 参数错误或没有可处理的图片\n";
    if (!tool) {
        text += "工具:\n";
        for (const ToolCommand &t : toolCommands())
            text += formatText("  %-8s %s%s\n", t.name, t.title, t.overwriteAllowed ? "" : " (不能 --overwrite)");
        return text;
    }
    text += formatText("%s (%s) 的设置:\n", tool->name, tool->title);
    text += toolValuesHelp(tool->values());
    if (!tool->overwriteAllowed)
        text += formatText("  %s 只能 --save-to, 不能 --overwrite\n", tool->name);
    return text;
}

int runToolCommand(const std::vector<std::string> &args)
{
    if (args.size() == 1 && args[0] == "--help") {
        consoleWrite(toolUsageText());
        return kBatchAllWritten;
    }
    ToolCommandLine command;
    std::string error;
    bool parsed = parseToolArguments(args, command, error);
    const ToolCommand *tool = command.tool.empty() ? nullptr : findTool(command.tool);
    if (!command.tool.empty() && !tool)
        return usageError(formatText("未知的工具: %s\n", command.tool.c_str()) + toolUsageText());
    if (parsed && command.help) {
        consoleWrite(toolUsageText(tool));
        return kBatchAllWritten;
    }
    if (!parsed)
        return usageError(error + "\n" + toolUsageText(tool));
    if (command.overwrite && !tool->overwriteAllowed)
        return usageError(formatText("%s 不能覆盖原图, 请用 --save-to 文件夹", tool->name));

    ValueMap values;
    if (!command.settingsFile.empty() &&
        !readToolValuesFile(commandLinePath(command.settingsFile), tool->values(), values, error))
        return usageError(error);
    command.source = commandLinePath(command.source);
    if (command.saveToGiven)
        command.saveTo = commandLinePath(command.saveTo);

    BatchReport report;
    report.itemDone = [](const BatchItemResult &result) { consoleWrite(batchItemLine(result) + "\n"); };
    // What the window reports to its information window (palette PNG failures) goes to the terminal.
    setInfoMessageSink(infoMessageToConsole, nullptr);
    ToolRunOutcome outcome = tool->run(values, command, report);
    setInfoMessageSink(nullptr, nullptr);

    if (outcome.end == ToolRunEnd::Refused)
        return usageError(outcome.message);
    // What the window would show in a box.
    if (!outcome.message.empty())
        consoleWrite(outcome.message + "\n", true);
    if (outcome.end != ToolRunEnd::NothingToDo) {
        BatchSummary summary = outcome.summary;
        summary.stopped = summary.stopped || outcome.end == ToolRunEnd::Failed;  // counts what was left
        consoleWrite(batchSummaryLine(summary) + "\n");
    }
    return toolExitCode(outcome);
}
