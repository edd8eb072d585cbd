// Context help: "使用指南" turns the pointer into a question mark; the next click
// (or F1 at any time) shows the help text of the control under the pointer in a
// small yellow popup.
#pragma once
#include <windows.h>

#include <string>

// The popup: class "CodeBlocksWindowsApp", named "context_window", owned by the
// main window, created hidden once at start-up.
HWND createContextHelpPopup(HINSTANCE instance, HWND owner);
HWND contextHelpPopup();
// The text the popup shows now ("" while hidden).
std::string contextHelpText();

// The question-mark mode (the main window's answer to SC_CONTEXTHELP).
void beginContextHelpMode(HWND mainWindow);
void endContextHelpMode();
bool contextHelpModeActive();
// For the message loop: in question-mark mode a click asks for help (Esc or the
// right button leave the mode); F1 asks for help at the pointer. True when the
// message was used up.
bool contextHelpTakesMessage(const MSG &msg);

// A help request at a screen point inside root: the control there (a disabled one
// too) shows its text; false when it has none.
bool requestHelpAt(HWND root, POINT screen);
// The help text of a control of the main window, or nullptr.
const char *helpTextFor(HWND control);
// Shows text in the popup near the screen point (x, y).
void showContextHelp(const char *text, int x, int y);

// Where the popup goes: `lines` lines of `lineHeight` pixels for a request at
// (x, y) on a screen `screenWidth` wide with a work area `workHeight` high.
struct HelpPopupBox {
    int x, y, width, height;
};
HelpPopupBox helpPopupBox(int lines, int lineHeight, int x, int y, int screenWidth, int workHeight);
// Lines of a help text: line breaks + 1.
int helpTextLines(const char *text);
