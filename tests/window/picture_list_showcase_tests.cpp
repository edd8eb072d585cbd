// Not a check: fills the list with the sample photos, turns some of them and
// writes a picture of the window to the PNG named by PICTURE_LIST_SHOT, for a
// person to look at. Run with --gtest_also_run_disabled_tests.
#include "gtest.h"

#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>
#include <string>
#include <vector>

#include "picture_list_support.h"
#include "app/picture_list_view.h"
#include "test_util.h"
#include "util/magick_path.h"

static bool captureWindow(HWND window, const std::string &path)
{
    RECT rc;
    GetWindowRect(window, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    ReleaseDC(nullptr, screen);
    MagickWand *wand = NewMagickWand();
    PixelWand *bg = NewPixelWand();
    MagickNewImage(wand, (size_t)w, (size_t)h, bg);
    MagickImportImagePixels(wand, 0, 0, (size_t)w, (size_t)h, "BGRP", CharPixel, bits);
    MagickSetImageFormat(wand, "PNG");
    bool ok = MagickWriteImage(wand, magickPath(path).c_str()) != MagickFalse;
    DestroyPixelWand(bg);
    DestroyMagickWand(wand);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return ok;
}

TEST(PictureListShowcase, DISABLED_PhotosTurnedAndFlipped)
{
    char shot[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("PICTURE_LIST_SHOT", shot, sizeof shot)) << "PICTURE_LIST_SHOT is not set";
    PictureListBench &bench = pictureListBench();
    emptyPictureList();
    if (!thumbnailsShown())
        toggleThumbnails();

    std::string folder = samplePath("photos");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.jpg").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do
        names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    for (const std::string &name : names)
        addImageIfNew((folder + "\\" + name).c_str(), "photos");
    refreshListStatus();

    selectOnly({1});
    rotateRight();
    selectOnly({2});
    rotateLeft();
    selectOnly({4});
    flipHorizontal();
    selectOnly({5});
    flipVertical();
    selectOnly({7});
    rotateRight();
    rotateRight();
    ASSERT_TRUE(waitForThumbnails());
    selectOnly({1});
    SetForegroundWindow(bench.main);
    SetFocus(pictureListView());
    RedrawWindow(bench.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpUntil([] { return false; }, 1500);
    if (GetEnvironmentVariableA("PICTURE_LIST_HOLD", nullptr, 0))
        pumpUntil([] { return false; }, 20000);
    ASSERT_TRUE(captureWindow(pictureListContainer(), dosPathFromArgument(shot)));
}
