// Window-layer helpers shared by every window of the program: geometry, control
// shortcuts, the one interface font, tooltips and balloon messages, the folder
// browser and the file dialogs, the colour dialog, swatches and transparency.
// Plain functions over window handles. The only state kept is the shared font,
// the list of open balloons (guarded by one critical section) and the folder
// browser's remembered size.
#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

#include "util/dialog_text.h"

struct PathList;

// ---- Window geometry --------------------------------------------------------

// SM_CYCAPTION - 19: the extra caption height the main window's layout allows for.
int captionExtra();
// Resizes (never moves) window so that its client area is width x height, plus
// the menu height when it has a menu, plus the height of bar (a status bar) when given.
void sizeClientArea(HWND window, int width, int height, HWND bar = nullptr);
// Moves (never resizes) window to ((screen width - client width) / 2,
// (work-area height - client height) / 2 - 26).
void centerWindow(HWND window);
POINT centeredWindowOrigin(int screenWidth, int workAreaHeight, int clientWidth, int clientHeight);
// Moves (never resizes) window so that it is centred over owner (over the work
// area without an owner, or when the owner is hidden), kept inside the work area.
void centerOnOwner(HWND window, HWND owner);
// The top-left corner for a window of outerW x outerH centred over `over`, moved
// into `work` as far as it fits.
POINT centeredOver(const RECT &over, int outerW, int outerH, const RECT &work);

// ---- Control shortcuts ------------------------------------------------------

bool getCheck(HWND button);
void setCheck(HWND button, bool checked);
// Appends text; the first entry of an empty box is also selected. Returns its index.
int addComboEntry(HWND combo, const char *text);
int comboSelectedIndex(HWND combo);               // CB_ERR (-1) when nothing is selected
std::string comboSelectedText(HWND combo);         // empty when nothing is selected
void selectComboIndex(HWND combo, int index);
// Selects the first entry equal to text ignoring case; its index, or -1 (also for an empty box).
int selectComboText(HWND combo, const char *text);

// A read-only path field shows the end of a long path (the file's or folder's
// name) rather than its start: every text set into it, and every new size, puts
// the caret at the end.
void showPathEnd(HWND edit);

// ---- The one interface font -------------------------------------------------

// The shared font ("宋体", weight 400, height of the default GUI font scaled back
// to its 96-dpi pixel size); created on first use, never destroyed.
HFONT uiFont();
void applyUiFont(HWND control);
// Gives the shared font to every child (and grandchild) of window.
void applyUiFontToChildren(HWND window);
// Height correction for screens above 96 dpi: height / (1 + (dpi - 96) * 1.041666 / 100), truncated.
int uiFontHeightForDpi(int height, int dpi);

// Adds WS_EX_LAYERED and calls SetLayeredWindowAttributes (looked up at run time;
// nothing happens when User32 lacks it). mode: LWA_COLORKEY and/or LWA_ALPHA.
void setWindowTransparency(HWND window, COLORREF colourKey, BYTE alpha, DWORD mode);

// ---- Tooltips and balloons --------------------------------------------------

// Title icons of balloons.
enum BalloonIcon { kBalloonNoIcon = 0, kBalloonInfo = 1, kBalloonWarning = 2, kBalloonError = 3 };
constexpr int kMaxOpenBalloons = 7;

// Hover tooltip for control (registered with its parent, shown even when the
// window is inactive). nullptr when control or text is missing.
HWND attachTooltip(HWND control, const char *text, HINSTANCE instance);
// Balloon tooltip over the whole client area of window, centred under the pointer.
HWND attachWindowBalloon(HWND window, const char *text, const char *title, int icon, HINSTANCE instance);
void detachWindowBalloon(HWND window, HWND tooltip);

// Creates the critical section guarding the balloon list. Called once at start-up
// before any window exists; showBalloon and closeBalloons also call it (harmless
// once it exists).
void initBalloonLock();
// A tracked balloon pointing at control's bottom edge, horizontally at the pointer
// (atPointer) or at the control's centre; topmost, never activated, shown at once.
// With 7 balloons already open they are all closed first. Returns the tooltip.
HWND showBalloon(HWND control, const char *text, const char *title, int icon, HINSTANCE instance, bool atPointer);
// Closes every open balloon and empties the list (safe from any thread).
void closeBalloons();
// Number of balloons in the list; the message loop closes them on any key or
// mouse button press while this is not 0.
int openBalloonCount();
// Where a balloon's stem points: the control's bottom edge, x at the pointer or the centre.
POINT balloonAnchor(const RECT &controlOnScreen, POINT pointer, bool atPointer);

// ---- Folder browser ---------------------------------------------------------

// The remembered size of the folder browser for this run.
struct BrowserSize {
    int width = -1;       // -1 until known
    int height = -1;
    bool adjusted = false;  // the stored size was already checked (and maybe enlarged) in this run
};
// Applies the sizing rule to the size the shell stored (storedW x storedH) on a
// work area of workW x workH. Returns true when the stored size must be replaced
// by state.width x state.height (only the first time, when it was below 40 % x 55 %).
bool adjustBrowserSize(BrowserSize &state, int storedW, int storedH, int workW, int workH);
// The size state kept for this run (the tests reset it).
BrowserSize &browserSizeState();

// Shows the shell's folder browser. path (at least MAX_PATH bytes) holds the
// initial folder and receives the choice. embedded, when given and visible, is
// shown inside the browser next to the buttons for as long as it is open
// (the type filter drop-down) and afterwards returned to its parent at (-1000, -1000).
bool chooseFolder(HWND owner, const char *title, char *path, bool allowNewFolder, HWND embedded);

// ---- Open and save dialogs --------------------------------------------------

// The filter and folder texts of these dialogs: util/dialog_text.h.

// Explorer-style save dialog: path (MAX_PATH) receives the name; the first filter
// is selected, default extension "sz", overwriting is confirmed by the dialog.
bool chooseSaveFile(HINSTANCE instance, HWND owner, const char *title, const char *filter,
                    const char *initialFolder, char *path);
// Explorer-style open dialog for one existing file: path (MAX_PATH) receives the
// full name, folder (MAX_PATH, also the start folder when not empty) its folder.
bool chooseOpenFile(HINSTANCE instance, HWND owner, const char *title, const char *filter, char *folder, char *path);
// The same with multiple selection (1 MiB name buffer): folder receives the
// folder and list one heap copy of each chosen full path, in the dialog's order.
bool chooseOpenFiles(HINSTANCE instance, HWND owner, const char *title, const char *filter, char *folder,
                     PathList *list);

// ---- Dialog hooks -----------------------------------------------------------

// The system colour dialog, centred with centerWindow when it opens. colour is
// the initial colour and receives the choice; custom holds 16 custom colours
// (the kit keeps a shared set when nullptr).
bool chooseColour(HWND owner, COLORREF *colour, COLORREF *custom = nullptr);
UINT_PTR CALLBACK centeringColourHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// A Yes/No/Cancel message box whose No button reads "不再提示" and whose Cancel
// button reads "否(&N)". The answers keep their codes: IDYES, IDNO (do not remind
// again), IDCANCEL (no). type adds the icon (MB_ICONQUESTION, ...).
int askWithReminderButtons(HWND owner, const char *text, const char *caption, UINT type);
// MessageBoxA whose box is placed above every always-on-top window (the
// information window) as it opens: MB_TOPMOST as Windows honours it, which
// Wine's message box does not.
int messageBoxAboveAll(HWND owner, const char *text, const char *caption, UINT type);

// ---- Drawing ----------------------------------------------------------------

// A 24-bit bitmap of width x height filled with colour, framed 1 pixel in COLOR_3DDKSHADOW.
HBITMAP makeSwatch(int width, int height, COLORREF colour);
