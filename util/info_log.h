// The program's running log: whatever meets a picture it cannot read or a folder
// with nothing to do writes a message here instead of interrupting the user with
// a dialog. The information window (ui/info_window.h) shows it; a command-line
// mode hands it to the terminal through a sink. Any floor may log.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// The information window's edit box limit in characters; the log is trimmed
// before it is reached, and no more than this is kept while nobody shows it.
constexpr size_t kInfoTextLimit = 64000;

// Appends a message (GBK) and an empty line to the log and shows the window.
// Callable from any thread: a worker never touches the window itself, its
// message is queued and carried out by the window's thread (in the order of the
// calls), so a worker is never blocked by the window thread. Before the window
// exists the messages are kept and appear once it is created.
void showInfoMessage(const char *text);
void showInfoMessage(const std::string &text);

// Headless use (command line, tests): when set, every message is also handed to
// the sink on the calling thread, with or without a window. The sink must be
// safe to call from several threads. Null removes it.
typedef void (*InfoMessageSink)(const char *text, void *context);
void setInfoMessageSink(InfoMessageSink sink, void *context);
// A ready sink for command-line modes: each message and an empty line go to
// the terminal's error stream.
void infoMessageToConsole(const char *text, void *context);

// The window that shows the log. Messages logged on its thread are appended at
// once; from other threads they are queued and the window is posted wakeMessage,
// on which it calls drainInfoLog().
struct InfoLogView {
    HWND window = nullptr;
    DWORD threadId = 0;
    UINT wakeMessage = 0;
    void (*append)(const std::string &text) = nullptr;  // on the window's thread
};
// Attaches the view (a view with a null window detaches it).
void attachInfoLogView(const InfoLogView &view);
// The attached view's window, or null.
HWND infoLogViewWindow();
// The view's thread: appends every queued message, oldest first.
void drainInfoLog();
