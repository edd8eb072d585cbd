#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>

#include "core/batch_cli.h"
#include "imaging/self_test.h"
#include "util/app_info.h"
#include "app/crash_handler.h"
#include "app/describe_command.h"
#include "app/font_tables.h"
#include "app/startup.h"
#include "app/tool_commands.h"
#include "util/text.h"
#include "util/wine_host.h"

std::vector<std::string> commandLineArguments()
{
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR *argvW = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argvW)
        return args;
    for (int i = 1; i < argc; ++i) {
        int len = WideCharToMultiByte(936, 0, argvW[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg;
        if (len > 0) {
            arg.resize((size_t)len);
            WideCharToMultiByte(936, 0, argvW[i], -1, &arg[0], len, nullptr, nullptr);
            arg.resize((size_t)len - 1);
        }
        args.push_back(arg);
    }
    LocalFree(argvW);
    return args;
}

static bool hasStandardHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

static void useConsoleFor(DWORD which, FILE *stream)
{
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return;
    SetStdHandle(which, console);
    freopen("CONOUT$", "w", stream);
}

void attachParentConsole()
{
    // velmora.exe is a window program: started from cmd.exe it has no standard
    // handles unless they were redirected, and cmd.exe does not wait for it
    // (velmora-cli.exe, the console build, is the one for scripts). It then writes
    // to the console it was started from; redirected output stays where it goes.
    bool out = hasStandardHandle(STD_OUTPUT_HANDLE);
    bool err = hasStandardHandle(STD_ERROR_HANDLE);
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        useConsoleFor(STD_OUTPUT_HANDLE, stdout);
    if (!err)
        useConsoleFor(STD_ERROR_HANDLE, stderr);
}

namespace {

int runSelfTestMode(const std::vector<std::string> &)
{
    std::string report;
    bool ok = runSelfTest(report);
    consoleWrite(report);
    consoleWrite(ok ? "自检通过\n" : "自检失败\n", !ok);
    return ok ? 0 : 1;
}

int runBatchMode(const std::vector<std::string> &args)
{
    BatchEnvironment environment;
    char module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    environment.programFolder = programFolderFromModulePath(length > 0 && length < sizeof module ? module : "");
    environment.loadFonts = loadFontTablesOnce;
    environment.selectFont = selectWatermarkFont;
    environment.fontUsable = fontUsable;
    // A fault in a decoder must not end the run in silence: the terminal is told
    // which picture it was and what was done.
    installHeadlessFaultHandler(reportBatchCutOff, kBatchCutOff);
    return runBatchCommand(args, environment);
}

int runHelpMode(const std::vector<std::string> &)
{
    consoleWrite(usageText());
    return 0;
}

}  // namespace

const std::vector<CommandLineMode> &commandLineModes()
{
    static const std::vector<CommandLineMode> modes = {
        {"--self-test", "  velmora --self-test                       检查图片库是否可用", true, runSelfTestMode},
        {"--describe", "  velmora --describe 文件...                 显示每个文件的尺寸、类型和大小", true,
         runDescribeCommand},
        {"--batch", "  velmora --batch ...                       不打开窗口, 批量处理图片 (详见 velmora --batch)", true,
         runBatchMode},
        {"--tool", "  velmora --tool 工具 ...                    不打开窗口, 用格式转换或处理PNG工具处理一个文件夹 (详见 velmora --tool --help)",
         true, runToolCommand},
        {"--help", "  velmora --help                            显示这些用法", false, runHelpMode},
    };
    return modes;
}

CommandLineChoice chooseCommandLine(const std::vector<std::string> &args)
{
    CommandLineChoice choice;
    if (!args.empty()) {
        for (const CommandLineMode &mode : commandLineModes()) {
            if (args[0] == mode.option) {
                choice.mode = &mode;
                return choice;
            }
        }
    }
    for (const std::string &arg : args) {
        if (arg.compare(0, 2, "--") == 0) {
            choice.unknownOption = arg;
            return choice;
        }
    }
    return choice;
}

std::string usageText()
{
    std::string text = programTitle() + "\n用法:\n  velmora [路径...]                         打开窗口并加入这些图片或文件夹\n";
    for (const CommandLineMode &mode : commandLineModes())
        text += std::string(mode.usage) + "\n";
    return text;
}

bool displayAvailable() { return windowDisplayAvailable(); }

std::string noDisplayText()
{
    return "没有图形显示 (DISPLAY 未设置)，无法打开窗口。\n"
           "不打开窗口的用法:\n" + usageText();
}
