// The scrolling settings panel on the right of the main window: every control of
// the main tool's settings, the rules that enable, disable and exclude them while
// the user edits, the save group, the start button, and collectSettings over it.
#pragma once
#include <windows.h>

#include <string>

#include "app/settings_panel/panel_hooks.h"
#include "core/process_settings.h"

// Creates the panel (and every control in it) as a child of parent.
HWND createSettingsPanel(HWND parent, HINSTANCE instance, int x, int y, int width, int height);
// Height of the stacked sections.
int settingsPanelContentHeight();
// Recomputes the scroll bar after the panel changed size.
void updateSettingsPanelScroll(HWND panel);
int settingsPanelScrollPosition(HWND panel);
// The panel's content is taller than the panel (its scroll range is not empty).
bool settingsPanelCanScroll(HWND panel);
void scrollSettingsPanelTo(HWND panel, int position);

// The main tool's one settings record, as the panel holds it.
ProcessSettings &panelSettings();

// Reads and validates the panel into the record (and a copy into out). False after
// a message pointed the user at the offending control.
bool collectSettings(HWND panel, ProcessSettings &out);
// Shows every field of settings in the panel (the record becomes settings).
void showSettingsInPanel(HWND panel, const ProcessSettings &settings);
// Loads a settings file into the record and shows it; false when it cannot be read.
bool loadSettingsIntoPanel(HWND panel, const std::string &path);
// The start-up load of "config.dat": values shown, every on/off switch cleared.
bool loadStartupSettings(HWND panel, const std::string &path);

// listener is called after each change the user makes to the settings that shape
// the picture (boxes, choosers, sliders once released, colours, a field left with
// a new text or applied with Enter); the save group and the start button are not
// such changes.
void setPanelChangeListener(HWND panel, void (*listener)());

// Menu commands 35207..35210 (resize unit, quality mode).
void settingsPanelMenuCommand(HWND panel, int command);

// The save group.
bool panelSaveToSelected(HWND panel);
bool panelKeepStructure(HWND panel);
std::string panelSaveToFolder(HWND panel);
void setPanelSaveToFolder(HWND panel, const std::string &folder);
// The panel's save group (app/save_group.h does its work).
struct SaveGroup;
SaveGroup &panelSaveGroup(HWND panel);

// A control of the panel by its identifier (36100 and up).
HWND panelControl(HWND panel, int id);
