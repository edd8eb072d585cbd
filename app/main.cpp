// Entry point: the command-line modes, then the window.
#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include "imaging/magick_env.h"
#include "app/command_line.h"
#include "app/crash_handler.h"
#include "app/startup.h"
#include "util/magick_path.h"
#include "util/text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    std::vector<std::string> args = commandLineArguments();
    CommandLineChoice choice = chooseCommandLine(args);
    if (choice.mode) {
        attachParentConsole();
        if (choice.mode->needsImageMagick)
            startImageMagick();
        int code = choice.mode->run(std::vector<std::string>(args.begin() + 1, args.end()));
        if (choice.mode->needsImageMagick)
            MagickWandTerminus();
        return code;
    }
    // An option the program does not know never opens the window: a script that
    // mistyped it would otherwise wait for a window nobody sees.
    if (!choice.unknownOption.empty()) {
        attachParentConsole();
        consoleWrite(formatText("未知的选项: %s\n", choice.unknownOption.c_str()) + usageText(), true);
        return kUsageExitCode;
    }
    if (!displayAvailable()) {
        attachParentConsole();
        consoleWrite(noDisplayText(), true);
        return kNoDisplayExitCode;
    }

    // The window program only: a crash box would block a script.
    installCrashHandler();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    // Paths on the command line are listed as if they had been dropped.
    std::vector<std::string> startPaths;
    for (const std::string &arg : args)
        startPaths.push_back(fullPath(dosPathFromArgument(arg)));
    return startApplication(instance, showCommand, startPaths);
}
