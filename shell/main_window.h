// The program's main window.
#pragma once
#include <windows.h>

extern const char kMainWindowClass[];
HWND createMainWindow(HINSTANCE instance, int showCommand);
