// The program's main window: toolbar, picture list, settings panel, status bar;
// sizing rules, dropped files and folders, closing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_commands.h"

extern const char kMainWindowClass[];  // "CodeBlocksWindowsApp"

// Registers the class (once), creates the window and its children, loads
// "config.dat" into the panel and gives the window its initial size. Not shown
// (showMainWindow does that). nullptr when the class or window cannot be made.
HWND createMainWindow(HINSTANCE instance, int showCommand);
// Centres the window and shows it with the start-up show command.
void showMainWindow(HWND mainWindow, int showCommand);
HWND theMainWindow();

// Children other code needs.
HWND mainToolbar(HWND mainWindow);
HWND mainStatusBar(HWND mainWindow);
HWND mainListContainer(HWND mainWindow);
HWND mainPictureList(HWND mainWindow);
HWND mainSettingsPanel(HWND mainWindow);
HWND mainExtensionFilter(HWND mainWindow);

// Applies the sizing rules to the window's current size.
void layoutMainWindow(HWND mainWindow);

// The save-to folder remembered from the last start.
void setMainSaveToFolder(HWND mainWindow, const std::string &folder);

// The information window's line for a dropped path the program cannot hold
// (MAX_PATH bytes or more); such a path is skipped, never cut.
std::string droppedPathTooLongText(const std::string &path);

// Lists files and folders as if they had been dropped on the window.
void addDroppedPaths(HWND mainWindow, const std::vector<std::string> &paths);

// Installs the picture list's side of the add commands (and the real dialogs).
void connectPictureList(HWND mainWindow, HINSTANCE instance);
// The sub-folder question of a drop (Yes/No); the tests answer it themselves.
extern int (*mainWindowQuestion)(HWND window, const char *text, const char *caption);

// What closing the window does after storing the dialog folders (the program
// ends the process; the tests record the code instead).
extern void (*mainWindowExit)(UINT code);

// Commands whose work lives elsewhere (main_actions.cpp).
void addPicturesFromDialog(HWND mainWindow);
void addFolderFromDialog(HWND mainWindow);
void viewOriginalPicture(HWND mainWindow);
void showMainPreview(HWND mainWindow);
void startMainRun(HWND mainWindow);
void openSatelliteTool(HWND mainWindow, int command);
void enterContextHelp(HWND mainWindow);
void showSaveModeDialog(HWND mainWindow);
void saveSettingsFromPanel(HWND mainWindow, HWND panel);
void loadDefaultSettingsIntoPanel(HWND mainWindow, HWND panel);
void loadChosenSettingsIntoPanel(HWND mainWindow, HWND panel);
// Thumbnails on or off (the list stores "is_show_thumbnail" itself).
void switchThumbnails();
