// The information window "信息 - F2": the program's running log. Whatever meets a
// picture it cannot read or a folder with nothing to do writes a message here
// instead of interrupting the user with a dialog.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

extern const char kInfoWindowClass[];

// Creates the window hidden (once; later calls return the same window). Must be
// called on the user-interface thread. Messages logged before it existed are
// shown in it now. The first time it shows it is centred over centreOver.
HWND createInfoWindow(HINSTANCE instance, HWND centreOver = nullptr);
// The window, or null before createInfoWindow.
HWND infoWindowHandle();
// F2: shows the window when hidden, hides it when shown.
void toggleInfoWindow();
// For the message loop: a key-down of F2 toggles the window and returns true
// (the message is then not dispatched); anything else returns false.
bool handleInfoWindowKey(const MSG &msg);

// Appends a message (GBK) and an empty line to the window and shows the window.
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

// The edit box's limit in characters; the log is trimmed before it is reached.
constexpr size_t kInfoTextLimit = 64000;

// How many bytes to drop from the front of a log of `current` before appending
// `incomingLength` more bytes: none while current + incoming stays below the
// limit less one, else the first half of the log, extended so that no GBK
// character is cut in two.
size_t infoLogDropLength(const std::string &current, size_t incomingLength);
