// The main window's command dispatcher, which hands each command number
// (app/command_ids.h) to the code doing its work, and the settings menu.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/picture_list_view.h"
#include "app/settings_files.h"

// Runs a command received by the main window; false when the number is not one
// of the window's commands.
bool runMainCommand(HWND mainWindow, int command);

// The toolbar label of a command whose tool is not in this build yet (it shows a
// notice saying so), or nullptr.
const char *notBuiltYetLabel(int command);

// The settings drop-down menu as it is at this moment (rebuilt at every drop).
HMENU buildSettingsMenu();

// The CMYK profile entry that carries the check mark for a stored file name
// (compared without regard to case): 35504, 35506, or 0 for any other name.
int checkedCmykEntry(const std::string &storedFile);
