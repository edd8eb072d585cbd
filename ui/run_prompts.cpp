#include "ui/run_prompts.h"

#include <shellapi.h>

#include "ui/window_kit.h"

namespace {

int realMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return (type & MB_TOPMOST) ? messageBoxAboveAll(owner, text, caption, type) : MessageBoxA(owner, text, caption, type);
}

void realBalloon(HWND control, const char *text, const char *title)
{
    showBalloon(control, text, title, kBalloonWarning, GetModuleHandleA(nullptr), false);
}

void realErrorBalloon(HWND control, const char *text, const char *title)
{
    showBalloon(control, text, title, kBalloonError, GetModuleHandleA(nullptr), false);
}

bool realChooseFolder(HWND owner, const char *title, char *path)
{
    return chooseFolder(owner, title, path, true, nullptr);
}

void realOpenFolder(HWND owner, const char *folder)
{
    ShellExecuteA(owner, "open", folder, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

RunPrompts defaultRunPrompts()
{
    RunPrompts p;
    p.messageBox = realMessageBox;
    p.balloon = realBalloon;
    p.errorBalloon = realErrorBalloon;
    p.chooseFolder = realChooseFolder;
    p.openFolder = realOpenFolder;
    return p;
}

RunPrompts &runPrompts()
{
    static RunPrompts prompts = defaultRunPrompts();
    return prompts;
}
