// Window-test helpers that need no particular window: what a window paints, and
// what the information window was told.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The colour the window paints at client point (x, y), through WM_PRINTCLIENT.
COLORREF paintedPixel(HWND window, int x, int y);

// Collects every information-window message from now on (any thread) until
// stopInfoCollector; starting again forgets the earlier ones.
void startInfoCollector();
void stopInfoCollector();
std::vector<std::string> infoCollected();
