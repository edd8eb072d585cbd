// Window-test helpers that need no particular window: what a window paints, and
// what the information window was told.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The colour the window paints at client point (x, y), through WM_PRINTCLIENT.
COLORREF paintedPixel(HWND window, int x, int y);

// The pixels of area (window client coordinates; window null: the screen) as the
// window's DC reads them, its children's pixels included: 4 bytes each (blue,
// green, red, unused), top row first.
std::string windowPixels(HWND window, const RECT &area);

// Collects every information-window message from now on (any thread) until
// stopInfoCollector; starting again forgets the earlier ones.
void startInfoCollector();
void stopInfoCollector();
std::vector<std::string> infoCollected();
