#include "tools/common/tool_cli.h"

#include "core/batch_cli.h"
#include "util/text.h"

bool parseToolArguments(const std::vector<std::string> &args, ToolCommandLine &command, std::string &error)
{
    command = ToolCommandLine();
    if (args.empty() || args[0].empty() || args[0].compare(0, 2, "--") == 0) {
        error = "--tool 后面缺少工具名";
        return false;
    }
    command.tool = args[0];
    bool optionsEnded = false;
    bool sourceGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (sourceGiven) {
                error = formatText("只能指定一个源图片文件夹: %s", arg.c_str());
                return false;
            }
            sourceGiven = true;
            command.source = arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            command.help = true;
        } else if (arg == "--subfolders") {
            command.subfolders = true;
        } else if (arg == "--overwrite") {
            command.overwrite = true;
        } else if (arg == "--workers") {
            if (!parseWorkersArgument(args, i, command.workers, error))
                return false;
        } else if (arg == "--settings" || arg == "--save-to") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = formatText("%s 后面缺少路径", arg.c_str());
                return false;
            }
            bool settings = arg == "--settings";
            if (settings ? !command.settingsFile.empty() : command.saveToGiven) {
                error = formatText("%s 只能指定一次", arg.c_str());
                return false;
            }
            if (settings)
                command.settingsFile = args[++i];
            else {
                command.saveToGiven = true;
                command.saveTo = args[++i];
            }
        } else {
            error = formatText("未知的选项: %s", arg.c_str());
            return false;
        }
    }
    if (command.help)
        return true;
    if (command.saveToGiven == command.overwrite) {
        error = "请选择图片处理后保存的方式: --save-to 文件夹 或 --overwrite (只能选一种)";
        return false;
    }
    if (!sourceGiven) {
        error = "没有指定源图片文件夹";
        return false;
    }
    return true;
}

int toolExitCode(const ToolRunOutcome &outcome)
{
    switch (outcome.end) {
    case ToolRunEnd::Completed:
        return outcome.summary.failed > 0 ? kBatchSomeFailed : kBatchAllWritten;
    case ToolRunEnd::NothingToDo:
    case ToolRunEnd::Refused:
        return kBatchUsageError;
    case ToolRunEnd::Stopped:
    case ToolRunEnd::Failed:
    default:
        return kBatchSomeFailed;
    }
}
