// The main window's toolbar: 32 x 32 icons with the label under each icon,
// tooltips on four buttons, and the settings button that drops a menu.
#pragma once
#include <windows.h>
#include <commctrl.h>

struct ToolbarButtonDef {
    int command;      // 0 for a separator
    const char *label;
    BYTE style;
    bool enabled;     // state at creation
    const char *tooltip;
    int icon;         // resource id
};

extern const ToolbarButtonDef kToolbarButtons[];
extern const int kToolbarButtonCount;

HWND createMainToolbar(HWND parent, HINSTANCE instance);
// The list and the panel start 56 pixels down; where the interface font is taller
// than the layout expects, the buttons' vertical padding shrinks so the toolbar
// never covers them.
void fitToolbarHeight(HWND toolbar, int maximumHeight);
// Tooltip text of a button, or nullptr for buttons without one.
const char *toolbarTooltip(int command);
// Handles the toolbar's notifications (tooltips, the settings drop-down);
// true when handled, with *result set.
bool handleToolbarNotify(HWND mainWindow, NMHDR *header, LRESULT *result);
