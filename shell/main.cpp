// Entry point: the command-line modes, then the window.
#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include "core/batch_cli.h"
#include "imaging/magick_env.h"
#include "imaging/self_test.h"
#include "shell/app_info.h"
#include "shell/command_line.h"
#include "shell/crash_handler.h"
#include "shell/describe_command.h"
#include "shell/startup.h"
#include "tools/common/tool_cli.h"
#include "util/magick_path.h"
#include "util/text.h"

static int runSelfTestCommand()
{
    std::string report;
    bool ok = runSelfTest(report);
    consoleWrite(report);
    consoleWrite(ok ? "自检通过\n" : "自检失败\n", !ok);
    return ok ? 0 : 1;
}

static void printUsage()
{
    consoleWrite(programTitle() + "\n"
                 "用法:\n"
                 "  velmora [路径...]                         打开窗口并加入这些图片或文件夹\n"
                 "  velmora --self-test                       检查图片库是否可用\n"
                 "  velmora --describe 文件...                 显示每个文件的尺寸、类型和大小\n"
                 "  velmora --batch ...                       不打开窗口, 批量处理图片 (详见 velmora --batch)\n"
                 "  velmora --tool 工具 ...                    不打开窗口, 用格式转换或处理PNG工具处理一个文件夹\n"
                 "                                            (详见 velmora --tool --help)\n");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    std::vector<std::string> args = commandLineArguments();
    if (!args.empty() && (args[0] == "--self-test" || args[0] == "--help")) {
        attachParentConsole();
        startImageMagick();
        int code = args[0] == "--help" ? (printUsage(), 0) : runSelfTestCommand();
        MagickWandTerminus();
        return code;
    }

    if (!args.empty() && args[0] == "--describe") {
        attachParentConsole();
        startImageMagick();
        int code = runDescribeCommand(std::vector<std::string>(args.begin() + 1, args.end()));
        MagickWandTerminus();
        return code;
    }

    if (!args.empty() && args[0] == "--batch") {
        attachParentConsole();
        startImageMagick();
        int code = runBatchCommand(std::vector<std::string>(args.begin() + 1, args.end()));
        MagickWandTerminus();
        return code;
    }

    if (!args.empty() && args[0] == "--tool") {
        attachParentConsole();
        startImageMagick();
        int code = runToolCommand(std::vector<std::string>(args.begin() + 1, args.end()));
        MagickWandTerminus();
        return code;
    }

    // The window program only: a crash box would block a script.
    installCrashHandler();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    // Paths on the command line are listed as if they had been dropped on the window.
    std::vector<std::string> startPaths;
    for (const std::string &arg : args)
        startPaths.push_back(fullPath(dosPathFromArgument(arg)));
    return startApplication(instance, showCommand, startPaths);
}
