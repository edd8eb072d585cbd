// The few places where a run, the save group and the save-mode dialog talk to
// the user or to the shell: message boxes, balloons, the folder browser and
// opening a folder. They go through one replaceable record so that window tests
// can answer the questions themselves and see what was asked.
#pragma once
#include <windows.h>

struct RunPrompts {
    // MessageBoxA: returns IDOK, IDCANCEL, IDYES, IDNO.
    int (*messageBox)(HWND owner, const char *text, const char *caption, UINT type);
    // A balloon pointing at control (warning icon).
    void (*balloon)(HWND control, const char *text, const char *title);
    // The same with the error icon (a value typed wrongly).
    void (*errorBalloon)(HWND control, const char *text, const char *title);
    // The folder browser; path (MAX_PATH bytes) holds the start folder and receives the choice.
    bool (*chooseFolder)(HWND owner, const char *title, char *path);
    // Opens folder in the system's file browser.
    void (*openFolder)(HWND owner, const char *folder);
};

// The record in use (the defaults talk to the real user).
RunPrompts &runPrompts();
// The defaults, e.g. to restore them after a test.
RunPrompts defaultRunPrompts();
