// The information window "信息 - F2": shows the program's running log
// (showInfoMessage, util/info_log.h), the first message showing the window.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

#include "util/info_log.h"

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

// How many bytes to drop from the front of a log of `current` before appending
// `incomingLength` more bytes: none while current + incoming stays below the
// limit less one, else the first half of the log, extended so that no GBK
// character is cut in two.
size_t infoLogDropLength(const std::string &current, size_t incomingLength);
