// The scrollable picture pane of the previews: the main tool's, the crop tool's and
// the join tool's each own one. The caller composes the picture in a MagickWand
// and hands it over with the JPEG quality to show it at; the pane shows the
// JPEG-compressed appearance fitted to the pane or at the picture's own size
// (canvas rules of ui/preview/picture_canvas.h) and paints from one decoded
// bitmap, so scrolling never touches the wand. The context menu, the key 1 and a
// double click switch between "适合窗口" and "实际大小"; each pane keeps its
// choice for the session (fitted at first).
#pragma once
#include <windows.h>

#include <string>
#include <wand/MagickWand.h>

#include "ui/preview/display_picture.h"

// The items of the pane's context menu.
constexpr int kPreviewFitCommand = 35396;         // "适合窗口"
constexpr int kPreviewActualSizeCommand = 35397;  // "实际大小"
constexpr int kPreviewExitCommand = 35398;        // "退出预览" (the main tool's pane)

struct PreviewPaneOptions {
    const char *className = "Preview";  // "Preview", "Preview_Crop", "Preview_JOIN"
    HWND owner = nullptr;               // receives the arrow keys (WM_KEYDOWN, unchanged)
    // Named in the message shown when a picture cannot be made displayable.
    const char *routineName = "loadPictureFromMW";
    // The main tool's pane: the context menu also offers "退出预览", which closes the pane;
    // closing an open pane sends closeCommand (WM_COMMAND) to the owner. (Esc is
    // the message loop's: it sends the owner the same command.)
    bool exitMenu = false;
    int closeCommand = 0;
    // Sent (WM_COMMAND) to the owner when the picture was composed smaller for
    // the fitted pane (previewPaneFitBound) and no longer has pixels enough: the
    // pane was switched to "实际大小" or made larger. The owner composes it again.
    int fullSizeCommand = 0;
    // A wheel turned while the pointer is over this window (or one inside it) goes
    // to it when it can scroll vertically (the main tool's settings panel).
    HWND wheelPartner = nullptr;
};

// Creates the pane (760 x 580, sunken edge, both scroll bars, hidden) as a child
// of parent. nullptr when it cannot be made.
HWND createPreviewPane(HWND parent, HINSTANCE instance, const PreviewPaneOptions &options);

// showPicture: takes the wand and shows it at quality (1..100, or 0 for the
// compression the wand carries). Scroll positions go back to 0 unless keepScroll.
// A hidden pane is shown and given the focus. When the picture cannot be made
// displayable, the load-failure message is shown, the pane is emptied and false
// returned; the program goes on.
bool previewPaneShowPicture(HWND pane, MagickWand *wand, int quality, bool keepScroll = false);
// A one-pixel line drawn just outside a rectangle of the picture, at the size
// the picture is shown (the crop preview's cut-out): left and right sides when
// leftRight, top and bottom when topBottom.
struct PreviewOutline {
    RECT rect = {0, 0, 0, 0};  // in picture pixels
    bool leftRight = false;
    bool topBottom = false;
    COLORREF colour = RGB(0xCC, 0xCC, 0xCC);
};

// The same with a picture made beforehand (off the window thread); the pane owns it then.
void previewPaneShow(HWND pane, DisplayPicture &picture, bool keepScroll,
                     const PreviewOutline &outline = PreviewOutline());
// The load-failure message for reason, then an empty pane.
void previewPaneShowFailure(HWND pane, const std::string &reason);
// clearPicture: no picture, both scroll bars hidden, an empty white pane.
void previewPaneClear(HWND pane);
// While busy the pointer over the pane shows that work goes on in the background.
void previewPaneSetBusy(HWND pane, bool busy);
// "适合窗口" (true) or "实际大小" (false), as the menu, the key 1 and a double
// click switch it; the centre of the pane stays on the same picture point.
void previewPaneSetFit(HWND pane, bool fit);

// The client area a picture is fitted into ("适合窗口"); 0 x 0 at "实际大小",
// where every pixel is shown. A picture composed smaller for it
// (canvasComposeScale, ui/preview/picture_canvas.h) is handed over with
// DisplayPicture::fullWidth/fullHeight set to the size it stands for.
SIZE previewPaneFitBound(HWND pane);

// What the pane shows (for status texts and tests).
struct PreviewPaneInfo {
    bool hasPicture = false;
    int width = 0, height = 0;  // picture size in screen pixels
    int heldWidth = 0, heldHeight = 0;  // the pixels held: fewer for a picture composed for the fitted pane
    bool fit = true;                      // "适合窗口"
    int shownWidth = 0, shownHeight = 0;  // the size it is drawn at
    int x = 0, y = 0;           // scroll positions
    POINT origin = {0, 0};      // where the picture starts in the client area
    size_t jpegBytes = 0;
    int shown = 0;              // pictures shown so far
};
bool previewPaneInfo(HWND pane, PreviewPaneInfo &info);

// The load-failure message box; tests put a recorder in.
extern int (*previewPaneMessageBox)(HWND owner, const char *text, const char *caption, UINT type);
// "%s() Fail: %s\n\n请进入官网联系客服。"
std::string previewLoadFailureText(const char *routineName, const std::string &reason);
