// The picture viewer ("查看图片"): one window for the whole run that shows a
// picture file read by the system's own picture loader, fitted to the window or
// at its natural size, centred when it fits and scrolled when it does not (rules
// of ui/preview/picture_canvas.h). The context menu, the key 1 and a double click
// switch between "适合窗口" and "实际大小"; the choice holds for the session.
#pragma once
#include <windows.h>

#include <string>

// The context menu's items.
constexpr int kViewerFitCommand = 35396;         // "适合窗口"
constexpr int kViewerActualSizeCommand = 35397;  // "实际大小"

// Creates the window once, hidden (class "Browser", 760 x 580).
HWND createPictureViewer(HINSTANCE instance, HICON largeIcon = nullptr, HICON smallIcon = nullptr);
HWND pictureViewerWindow();

// viewPicture: loads the file and shows it with title (the file's name). A file
// that cannot be opened or read whole leaves the window without a picture and
// returns false silently; one the loader refuses gives "图片加载失败 - Call
// OleLoadPicture Fail" and false. A hidden viewer opens maximised; it becomes the
// active window.
bool viewPicture(const std::string &path, const std::string &title);
// Closing (the close box, or Esc through the message loop's rule): the picture is
// released and the window hidden.
void closePictureViewer();
// "适合窗口" (true) or "实际大小" (false), as the menu, the key 1 and a double
// click switch it; the centre of the window stays on the same picture point.
void pictureViewerSetFit(bool fit);

// The viewer's current picture, for tests.
struct PictureViewerInfo {
    bool hasPicture = false;
    int width = 0, height = 0;            // natural size
    bool fit = true;                      // "适合窗口"
    int shownWidth = 0, shownHeight = 0;  // the size it is drawn at
    int x = 0, y = 0;
    POINT origin = {0, 0};
};
bool pictureViewerInfo(PictureViewerInfo &info);

// The loader-refused message box; tests put a recorder in.
extern int (*pictureViewerMessageBox)(HWND owner, const char *text, const char *caption, UINT type);
