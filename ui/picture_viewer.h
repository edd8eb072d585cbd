// The picture viewer ("查看图片"): one window for the whole run that shows a
// picture file at its natural size with the system's own picture loader, centred
// when it fits and scrolled when it does not (rules of ui/preview/picture_canvas.h).
#pragma once
#include <windows.h>

#include <string>

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

// The viewer's current picture, for tests.
struct PictureViewerInfo {
    bool hasPicture = false;
    int width = 0, height = 0;
    int x = 0, y = 0;
    POINT origin = {0, 0};
};
bool pictureViewerInfo(PictureViewerInfo &info);

// The loader-refused message box; tests put a recorder in.
extern int (*pictureViewerMessageBox)(HWND owner, const char *text, const char *caption, UINT type);
