#include "shell/command_line.h"

#include <windows.h>
#include <shellapi.h>
#include <cstdio>

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

void attachParentConsole()
{
#ifndef __WINE__
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        freopen("CONOUT$", "w", stdout);
        freopen("CONOUT$", "w", stderr);
    }
#endif
}
