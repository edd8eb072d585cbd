// Drives modal dialogs in window tests: a timer that runs inside the dialog's own
// message loop finds the dialog, reads it and presses its buttons.
#pragma once
#include <windows.h>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace dialog_driver {

inline void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// With VELMORA_HOLD_MS set, keeps the windows alive that long (for a screenshot).
inline void holdForLook()
{
    const char *hold = getenv("VELMORA_HOLD_MS");
    if (!hold)
        return;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < (DWORD)atoi(hold)) {
        pump();
        Sleep(20);
    }
}

inline std::string windowText(HWND w)
{
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

inline BOOL CALLBACK collectDialog(HWND w, LPARAM p)
{
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) == "#32770" && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND> *>(p)->push_back(w);
    return TRUE;
}

// Visible dialog boxes of this thread, the most recent first.
inline std::vector<HWND> openDialogs()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, (LPARAM)&found);
    return found;
}

// Runs step() from a timer inside whatever modal loop is running until it
// returns true. With VELMORA_HOLD_MS set the first step waits that long (for a
// screenshot of the dialog).
inline std::function<bool()> driverStep;
inline DWORD driverStart = 0;
inline int driverTicks = 0;
inline void CALLBACK driverTick(HWND, UINT, UINT_PTR id, DWORD)
{
    ++driverTicks;
    const char *hold = getenv("VELMORA_HOLD_MS");
    if (hold && GetTickCount() - driverStart < (DWORD)atoi(hold))
        return;
    if (driverStep && driverStep()) {
        KillTimer(nullptr, id);
        driverStep = nullptr;
    } else if (driverTicks > 300) {
        // Give up rather than hang: close whatever dialog is open.
        for (HWND d : openDialogs())
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    }
}
inline void drive(std::function<bool()> step)
{
    driverStep = std::move(step);
    driverStart = GetTickCount();
    driverTicks = 0;
    SetTimer(nullptr, 0, 50, driverTick);
}

// The message text of a message box: its longest static text.
inline std::string messageText(HWND box)
{
    std::string best;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        std::string text = windowText(c);
        if (lstrcmpiA(cls, "Static") == 0 && text.size() > best.size())
            best = text;
    }
    return best;
}

inline void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }

}  // namespace dialog_driver
