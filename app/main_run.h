// "开始处理" and the save-mode dialog of the real main window: the settings panel,
// its save group and the picture list handed to the batch run.
#pragma once
#include <windows.h>

class ImageList;

// Runs the main tool over the list (the toolbar's and the panel's start button).
// Returns after the run's worker has ended.
void runMainTool(HWND mainWindow, ImageList &pictures, HWND listView);
// The settings menu's "save mode" entry.
void openSaveModeDialog(HWND mainWindow);
// True while a run (or its worker finishing its last picture) is active: the main
// window must not close then.
bool mainRunActive();
