// The progress window "处理进度" of a main-tool run: a bar, the status line
// "共 N 张图片，正在处理第 i 张。" and "停止". Created hidden once and shown
// modally for every run. The worker reaches it only through reportProgress,
// reportCompletion and runOnWindowThread, which send to the window's thread.
#pragma once
#include <windows.h>

#include <functional>

extern const char kProgressWindowClass[];  // "Process"

// Control identifiers (the tests find the controls by them).
constexpr int kProgressBarId = 36501;
constexpr int kProgressStopId = 36502;
constexpr int kProgressStatusId = 36503;

// Sent by the worker when the run went through the whole list; the progress
// window forwards it to its owner (the main window) and ends the run's loop.
constexpr UINT kRunFinishedMessage = WM_USER + 1;

// Creates the window hidden (once; later calls return it). owner is the main window.
HWND createProgressWindow(HINSTANCE instance, HWND owner);
HWND progressWindowHandle();

enum class ProgressEnd {
    Completed,  // the worker reported completion
    Stopped,    // "停止" (or the message loop ended)
    Refused     // a progress loop is already running
};

// Shows the window modally for a run of `total` pictures (the bar is scaled for
// lists longer than 65535) with owner (the main window) disabled, and dispatches messages
// until the worker reports completion or "停止" is pressed. The window then
// closes at once, but the main window stays disabled, with the wait cursor,
// until `worker` (the thread handle) has ended, so that nothing the worker uses
// can change and no second run can start under it. Messages keep being served
// meanwhile. Returns once the worker has ended.
ProgressEnd runProgress(HWND owner, int total, HANDLE worker);
// True while runProgress runs (also during the wait for the worker).
bool progressRunning();

// Worker side. Item `index` (1-based) is about to be processed.
void reportProgress(int index);
// The loop went through the whole list.
void reportCompletion();
// Runs fn on the window thread and returns when it is done (a synchronous send);
// runs it directly when there is no progress window.
void runOnWindowThread(const std::function<void()> &fn);
