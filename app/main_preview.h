// The main tool's preview: the selected picture of the list, processed by the
// real pipeline with the panel's current settings, shown in a preview pane (window
// class "Preview") that covers the picture list while it is open. The picture is
// made on a worker thread; the window stays usable and a newer request (another
// settings change, another picture) supersedes an older one.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Creates the pane once, hidden, inside the list container (start-up does this;
// togglePreview creates it on first use otherwise).
HWND createMainPreview(HWND mainWindow, HINSTANCE instance);
HWND mainPreviewPane();
bool mainPreviewShown();

// togglePreview: with refresh false, closes an open preview, else opens it on the
// remembered picture or the first selected one; with refresh true, makes the
// picture again with the settings of the moment (open or opening previews only).
void togglePreview(HWND mainWindow, bool refresh);
// The overwrite run's refresh (window thread): the shown file has just changed.
void refreshMainPreview();
// A settings change while the preview is open: one refresh once the window thread
// is idle again, however many changes came before it.
void scheduleMainPreviewRefresh();

// Loading settings: the preview is closed, load runs, and the preview is opened
// again on the same picture when it was open. Returns load's result.
bool withMainPreviewClosed(const std::function<bool()> &load);

// The main window's title while the preview is shown: with two or more listed
// pictures it carries the hint about Esc and the arrow keys.
std::string mainPreviewTitle(int listCount, const std::string &fileName);

// What the preview did, for the tests.
struct MainPreviewStats {
    int requests = 0;              // pictures asked of the worker
    DWORD lastRequestThread = 0;   // the thread that asked last
    int closes = 0;
    bool pending = false;          // the latest request has not come back yet
};
MainPreviewStats mainPreviewStats();
