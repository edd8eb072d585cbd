// A stand-in main window around the picture list for the window tests: a
// toolbar with the list's commands, a two-part status bar, and the list itself.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "input/thumbnail_worker.h"
#include "app/picture_list_view.h"

struct PictureListBench {
    HWND main = nullptr;
    HWND toolbar = nullptr;
    HWND status = nullptr;
    HWND list = nullptr;
};

// Creates the window (once per test program) and returns it; the list is empty
// and the worker idle when it returns.
PictureListBench &pictureListBench();

void pumpMessages();
// Pumps until done() holds; false when it never does within `limitMs` (a hang).
bool pumpUntil(const std::function<bool()> &done, int limitMs = 120000);
// The worker idle, nothing deferred, every thumbnail rendered.
bool waitForThumbnails(int limitMs = 120000);
void emptyPictureList();

std::string statusText(int part);
bool toolbarEnabled(int command);
void selectOnly(const std::vector<int> &indexes);
int viewImage(int index);
// Centre pixel of a slot of the thumbnail store.
COLORREF storePixel(int slot, int x, int y);

// Messages sent to the information window, collected for the checks.
void startCollectingInfo();
std::vector<std::string> collectedInfo();

// A renderer that waits at a gate before rendering (makeThumbnail), so that a
// test holds the worker inside a pass. Works on the list of the process (the
// bench's, or the main window's when that exists).
void useGatedRenderer(bool closed);
void openGate();
int picturesAtGate();
void useNormalRenderer();
