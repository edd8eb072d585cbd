// The real dialogs behind picture discovery (input/discovery.h), owned by the main window.
#pragma once
#include <windows.h>

// Installs the window-kit dialogs owned by owner as discovery's dialogs.
void useStandardDiscoveryDialogs(HWND owner, HINSTANCE instance);
