// Command numbers of the main window (toolbar, list context menu, panel pop-up
// menus, settings files, settings menu) and the dispatcher that hands each one
// to the code doing its work.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/picture_list_view.h"

enum MainCommand {
    kCmdAddPictures = 35100,
    kCmdAddFolder = 35101,
    kCmdRemoveSelected = 35102,
    kCmdRotateLeft = 35103,
    kCmdRotateRight = 35104,
    kCmdFlipHorizontal = 35105,
    kCmdFlipVertical = 35106,
    kCmdPreview = 35107,
    kCmdStart = 35108,
    kCmdShortcut = 35109,
    kCmdPngTool = 35110,
    kCmdJoinTool = 35111,
    kCmdSliceTool = 35112,
    kCmdCropTool = 35113,
    kCmdConvertTool = 35114,
    kCmdWebSite = 35115,
    kCmdAbout = 35116,
    kCmdContextHelp = 35117,
    kCmdSettingsMenu = 35118,

    // 35200..35203 are the picture list's (shell/picture_list_view.h).
    kCmdToggleThumbnails = 35204,
    kCmdViewOriginal = 35206,
    kCmdUnitPixels = 35207,
    kCmdUnitPercent = 35208,
    kCmdQualityMode = 35209,
    kCmdMaxSizeMode = 35210,

    kCmdSaveSettings = 35300,
    kCmdLoadDefaultSettings = 35301,
    kCmdLoadSettings = 35302,
    kCmdRecentSettingsFirst = 35303,
    kCmdRecentSettingsLast = 35312,

    kCmdRememberSaveTo = 35500,
    kCmdParseFileFormat = 35502,
    kCmdSaveModeDialog = 35503,
    kCmdCmykSwop = 35504,
    kCmdCmykJapan = 35506,
};

// Runs a command received by the main window; false when the number is not one
// of the window's commands.
bool runMainCommand(HWND mainWindow, int command);

// The toolbar label of a command whose tool is not in this build yet (it shows a
// notice saying so), or nullptr.
const char *notBuiltYetLabel(int command);

// The settings drop-down menu as it is at this moment (rebuilt at every drop).
HMENU buildSettingsMenu();

// Recent settings files: names of "*.sz" files in a folder, newest access first,
// at most ten.
struct RecentFile {
    std::string name;
    FILETIME lastAccess;
};
std::vector<std::string> newestFirst(std::vector<RecentFile> files, size_t limit);
std::vector<std::string> recentSettingsFiles(const std::string &szFolder);
// "abc" -> "abc.sz"; a name already ending in ".sz" is kept.
std::string withSettingsExtension(const std::string &name);

// Sets a file's last-access time to now (the recent-files order).
bool touchLastAccess(const std::string &path);
// Loads a settings file into the panel; one from the "sz" folder becomes the most
// recent one.
bool loadSettingsFromSzFolder(HWND panel, const std::string &path);

// The CMYK profile entry that carries the check mark for a stored file name:
// 35504, 35506, or 0 for a known profile that is in neither entry.
int checkedCmykEntry(const std::string &storedFile);
