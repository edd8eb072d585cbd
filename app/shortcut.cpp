#include "app/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "input/file_helpers.h"
#include "app/startup_config.h"
#include "util/text.h"

std::string desktopShortcutPath()
{
    char desktop[MAX_PATH] = {};
    if (!specialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop))
        return std::string();
    return formatText("%s\\%s.lnk", desktop, "图片批量处理工具");
}

bool createDesktopShortcut()
{
    std::string linkPath = desktopShortcutPath();
    char program[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (linkPath.empty() || length == 0 || length >= sizeof program)
        return false;
    HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    IShellLinkA *link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&link)))) {
        link->SetPath(program);
        link->SetIconLocation(program, 0);
        link->SetWorkingDirectory(startupConfig().programFolder.c_str());
        link->SetArguments("");
        link->SetShowCmd(SW_SHOWNORMAL);
        IPersistFile *file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
            int wideLength = MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, nullptr, 0);
            std::vector<WCHAR> wide(wideLength > 0 ? wideLength : 1);
            if (wideLength > 0 && MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(), wideLength))
                ok = SUCCEEDED(file->Save(wide.data(), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return ok;
}
