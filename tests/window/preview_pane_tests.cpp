// The preview pane as a tool window embeds it, and the picture viewer: real
// windows driven through their messages, pixels read back with WM_PRINTCLIENT.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <string>
#include <vector>

#include "app/input_rules.h"
#include "ui/picture_viewer.h"
#include "ui/preview/display_picture.h"
#include "ui/preview/preview_pane.h"
#include "util/magick_path.h"
#include "util/text.h"
#include "window_probe.h"

namespace {

struct Box {
    std::string text, caption;
};
std::vector<Box> boxes;

int recordBox(HWND, const char *text, const char *caption, UINT)
{
    boxes.push_back({text, caption});
    return IDOK;
}

std::vector<WPARAM> ownerKeys;
std::vector<int> ownerCommands;

LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) {
        ownerKeys.push_back(wParam);
        return 0;
    }
    if (message == WM_COMMAND) {
        ownerCommands.push_back(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A stand-in tool window (client 800 x 600) with a crop-tool pane filling 760 x 580 of it.
HWND ownerWindow()
{
    static HWND owner = nullptr;
    if (owner)
        return owner;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ownerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PreviewPaneTestOwner";
    RegisterClassA(&wc);
    owner = CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 820, 660, nullptr, nullptr,
                            wc.hInstance, nullptr);
    return owner;
}

HWND cropPane()
{
    static HWND pane = nullptr;
    if (pane)
        return pane;
    PreviewPaneOptions options;
    options.className = "Preview_Crop";
    options.owner = ownerWindow();
    options.routineName = "loadPictureFromMW_crop";
    options.closeCommand = 4242;
    pane = createPreviewPane(ownerWindow(), GetModuleHandleA(nullptr), options);
    return pane;
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Sizes a window so that its client area is exactly width x height.
void setClientSize(HWND window, int width, int height)
{
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int w = width + (outer.right - outer.left) - client.right;
    int h = height + (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A scroll bar that appeared or went away changed the client area: once more.
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    w = width + (outer.right - outer.left) - client.right;
    h = height + (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump();
}

MagickWand *solid(size_t width, size_t height, const char *colour)
{
    MagickWand *wand = NewMagickWand();
    PixelWand *fill = NewPixelWand();
    PixelSetColor(fill, colour);
    MagickNewImage(wand, width, height, fill);
    DestroyPixelWand(fill);
    return wand;
}

SCROLLINFO barOf(HWND window, int bar)
{
    SCROLLINFO info = {sizeof info, SIF_ALL};
    if (!GetScrollInfo(window, bar, &info))
        info.nMax = 0;
    return info;
}

bool bigRed(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }

class PreviewPane : public testing::Test {
protected:
    HWND pane = nullptr;
    void SetUp() override
    {
        pane = cropPane();
        ASSERT_NE(pane, nullptr);
        setClientSize(pane, 760, 580);
        boxes.clear();
        ownerKeys.clear();
        ownerCommands.clear();
        previewPaneMessageBox = recordBox;
        previewPaneSetFit(pane, true);
    }
    void TearDown() override { previewPaneClear(pane); }
    PreviewPaneInfo info()
    {
        PreviewPaneInfo i;
        previewPaneInfo(pane, i);
        return i;
    }
};

}  // namespace

TEST_F(PreviewPane, ASmallPictureIsCentredInItsFrame)
{
    char name[64] = {};
    GetClassNameA(pane, name, sizeof name);
    EXPECT_STREQ(name, "Preview_Crop");
    EXPECT_TRUE(GetWindowLongA(pane, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    HWND picture = FindWindowExA(pane, nullptr, "static", "图片");
    EXPECT_NE(picture, nullptr);

    ASSERT_TRUE(previewPaneShowPicture(pane, solid(1, 1, "red"), 91));
    EXPECT_TRUE(GetWindowLongA(pane, GWL_STYLE) & WS_VISIBLE) << "a hidden pane opens with its picture";
    PreviewPaneInfo i = info();
    EXPECT_EQ(i.width, 1);
    EXPECT_EQ(i.origin.x, 379);
    EXPECT_EQ(i.origin.y, 289);
    EXPECT_TRUE(bigRed(paintedPixel(pane, 379, 289)));
    EXPECT_EQ(paintedPixel(pane, 378, 289), RGB(0, 0, 0)) << "frame";
    EXPECT_EQ(paintedPixel(pane, 380, 290), RGB(0, 0, 0)) << "frame";
    EXPECT_EQ(paintedPixel(pane, 377, 289), RGB(255, 255, 255));
    EXPECT_EQ(paintedPixel(pane, 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(barOf(pane, SB_HORZ).nMax, 0);
    EXPECT_EQ(barOf(pane, SB_VERT).nMax, 0);
}

TEST_F(PreviewPane, AtActualSizeAPictureThatDoesNotFitScrollsWithItsMargin)
{
    // 10 pixels narrower than the pane: not centred, scrolled with an 8-pixel margin.
    previewPaneSetFit(pane, false);
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(750, 2000, "red"), 91));
    PreviewPaneInfo i = info();
    EXPECT_EQ(i.origin.x, 8);
    EXPECT_EQ(i.origin.y, 8);
    EXPECT_EQ(barOf(pane, SB_HORZ).nMax, 767);
    EXPECT_EQ(barOf(pane, SB_VERT).nMax, 2017);
    EXPECT_TRUE(bigRed(paintedPixel(pane, 8, 8)));
    EXPECT_EQ(paintedPixel(pane, 7, 8), RGB(0, 0, 0));

    SendMessageA(pane, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(info().y, 1);
    RECT client;
    GetClientRect(pane, &client);
    SendMessageA(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(info().y, 1 + client.bottom);
    SendMessageA(pane, WM_VSCROLL, SB_PAGEUP, 0);
    SendMessageA(pane, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(info().y, 0);
    // The wheel, toward the user: 50 down; away: back, never below 0.
    PostMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), 0);
    pump();
    EXPECT_EQ(info().y, 50);
    EXPECT_EQ(barOf(pane, SB_VERT).nPos, 50);
    EXPECT_EQ(info().origin.y, 8 - 50);
    PostMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    PostMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    pump();
    EXPECT_EQ(info().y, 0);

    // A refresh may keep the place; a new picture starts at the top.
    SendMessageA(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
    int kept = info().y;
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(750, 2000, "blue"), 91, true));
    EXPECT_EQ(info().y, kept);
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(750, 2000, "blue"), 91));
    EXPECT_EQ(info().y, 0);

    // Cleared: an empty white pane without scroll bars.
    previewPaneClear(pane);
    EXPECT_FALSE(info().hasPicture);
    EXPECT_EQ(barOf(pane, SB_HORZ).nMax, 0);
    EXPECT_EQ(barOf(pane, SB_VERT).nMax, 0);
    EXPECT_EQ(paintedPixel(pane, 8, 8), RGB(255, 255, 255));
}

namespace {

// Left half red, right half blue.
MagickWand *halves(size_t width, size_t height)
{
    MagickWand *red = solid(width, height, "red");
    MagickWand *blue = solid(width / 2, height, "blue");
    MagickCompositeImage(red, blue, OverCompositeOp, (ssize_t)(width / 2), 0);
    DestroyMagickWand(blue);
    return red;
}

bool bigBlue(COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60; }

}  // namespace

TEST_F(PreviewPane, ALargePictureIsFittedAndTheKeyOneOrADoubleClickShowsItAtActualSize)
{
    // 4000 x 3000 in 760 x 580: the width decides, 744 x 558, centred.
    ASSERT_TRUE(previewPaneShowPicture(pane, halves(4000, 3000), 91));
    PreviewPaneInfo i = info();
    EXPECT_TRUE(i.fit);
    EXPECT_EQ(i.width, 4000) << "the real size is kept";
    EXPECT_EQ(i.shownWidth, 744);
    EXPECT_EQ(i.shownHeight, 558);
    EXPECT_EQ(i.origin.x, 8);
    EXPECT_EQ(i.origin.y, 11);
    EXPECT_EQ(barOf(pane, SB_HORZ).nMax, 0);
    EXPECT_EQ(barOf(pane, SB_VERT).nMax, 0);
    EXPECT_TRUE(bigRed(paintedPixel(pane, 8 + 100, 11 + 100)));
    EXPECT_TRUE(bigBlue(paintedPixel(pane, 8 + 700, 11 + 500)));
    EXPECT_EQ(paintedPixel(pane, 7, 200), RGB(0, 0, 0)) << "frame";
    EXPECT_EQ(paintedPixel(pane, 8 + 744, 200), RGB(0, 0, 0)) << "frame";
    EXPECT_EQ(paintedPixel(pane, 8 + 745, 200), RGB(255, 255, 255));

    // The key 1: actual size, the middle of the picture in the middle of the pane.
    PostMessageA(pane, WM_KEYDOWN, '1', 0);
    pump();
    i = info();
    EXPECT_FALSE(i.fit);
    EXPECT_EQ(i.shownWidth, 4000);
    EXPECT_EQ(barOf(pane, SB_HORZ).nMax, 4017);
    EXPECT_EQ(barOf(pane, SB_VERT).nMax, 3017);
    // (the middle of the pane as it was before its scroll bars came)
    EXPECT_NEAR(i.origin.x + 2000, 760 / 2, 1);
    EXPECT_NEAR(i.origin.y + 1500, 580 / 2, 1);
    // Kept for the next picture of this pane.
    ASSERT_TRUE(previewPaneShowPicture(pane, halves(4000, 3000), 91, true));
    EXPECT_FALSE(info().fit);
    PostMessageA(pane, WM_KEYDOWN, VK_NUMPAD1, 0);
    pump();
    EXPECT_TRUE(info().fit);

    // A double click: actual size with the point under the pointer kept there.
    POINT at = {8 + 600, 11 + 100};  // picture point (3226, 538)
    PostMessageA(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    pump();
    i = info();
    EXPECT_FALSE(i.fit);
    EXPECT_NEAR(i.origin.x + 3226, at.x, 3);
    EXPECT_NEAR(i.origin.y + 538, at.y, 3);
    EXPECT_TRUE(bigBlue(paintedPixel(pane, at.x, at.y)));
    PostMessageA(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    pump();
    EXPECT_TRUE(info().fit);
    EXPECT_EQ(info().origin.x, 8);

    // The context menu, chosen with the keyboard: "适合窗口", then "实际大小".
    PostMessageA(pane, WM_RBUTTONUP, 0, MAKELPARAM(100, 100));
    PostMessageA(pane, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(pane, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(pane, WM_KEYDOWN, VK_RETURN, 0);
    pump();
    EXPECT_FALSE(info().fit) << "实际大小";
}

TEST_F(PreviewPane, TheOutlineIsOnePixelAtTheShownSize)
{
    PreviewOutline outline;
    outline.rect = {1000, 750, 3000, 2250};
    outline.leftRight = true;
    outline.topBottom = true;
    DisplayPicture picture;
    std::string reason;
    ASSERT_TRUE(makeDisplayPicture(solid(4000, 3000, "#101010"), 91, picture, reason)) << reason;
    previewPaneShow(pane, picture, false, outline);
    // Fitted at 744 x 558 from (8, 11): the rectangle is (194, 151) - (566, 430).
    const COLORREF grey = RGB(0xCC, 0xCC, 0xCC);
    EXPECT_EQ(paintedPixel(pane, 193, 300), grey) << "left";
    EXPECT_EQ(paintedPixel(pane, 566, 300), grey) << "right";
    EXPECT_EQ(paintedPixel(pane, 300, 150), grey) << "top";
    EXPECT_EQ(paintedPixel(pane, 300, 430), grey) << "bottom";
    EXPECT_NE(paintedPixel(pane, 195, 300), grey) << "one pixel wide";
    EXPECT_NE(paintedPixel(pane, 192, 300), grey);
    // At actual size it is where a border around the cut-out would be: the
    // columns and rows just outside it, only on the sides asked for.
    outline.rect = {100, 75, 300, 225};
    outline.topBottom = false;
    ASSERT_TRUE(makeDisplayPicture(solid(400, 300, "#101010"), 91, picture, reason)) << reason;
    previewPaneShow(pane, picture, false, outline);
    PreviewPaneInfo i = info();
    ASSERT_EQ(i.shownWidth, 400);
    EXPECT_EQ(paintedPixel(pane, i.origin.x + 99, i.origin.y + 75), grey);
    EXPECT_EQ(paintedPixel(pane, i.origin.x + 300, i.origin.y + 224), grey);
    EXPECT_NE(paintedPixel(pane, i.origin.x + 99, i.origin.y + 74), grey);
    EXPECT_NE(paintedPixel(pane, i.origin.x + 150, i.origin.y + 74), grey) << "no top line";
}

TEST_F(PreviewPane, KeysGoToTheToolWindowAndFailuresDoNotEndTheProgram)
{
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(40, 40, "red"), 91));
    for (WPARAM key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN})
        PostMessageA(pane, WM_KEYDOWN, key, 0);
    pump();
    EXPECT_EQ(ownerKeys, (std::vector<WPARAM>{VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}));

    // A picture that cannot be made displayable: the message, an empty pane, on we go.
    EXPECT_FALSE(previewPaneShowPicture(pane, NewMagickWand(), 91));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text.rfind("loadPictureFromMW_crop() Fail: ", 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("\n\n请进入官网联系客服。"), std::string::npos);
    EXPECT_FALSE(info().hasPicture);
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(40, 40, "red"), 91)) << "the pane still works";

    // Closing releases the picture and tells the owner.
    SendMessageA(pane, WM_CLOSE, 0, 0);
    EXPECT_FALSE(info().hasPicture);
    EXPECT_EQ(ownerCommands, (std::vector<int>{4242}));
    EXPECT_TRUE(IsWindow(pane));
}

namespace {

int partnerWheels = 0;
LRESULT CALLBACK partnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEWHEEL) {
        ++partnerWheels;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(PreviewPaneWheel, OverAScrollingPartnerTheWheelGoesToThePartner)
{
    // The main tool's pane and its settings panel: a visible window that can scroll.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = partnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PreviewPaneTestPartner";
    RegisterClassA(&wc);
    HWND partner = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "partner", WS_POPUP | WS_VISIBLE | WS_VSCROLL,
                                   600, 100, 200, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(partner, nullptr);
    SCROLLINFO range = {sizeof range, SIF_RANGE | SIF_PAGE};
    range.nMax = 950;
    range.nPage = 300;
    SetScrollInfo(partner, SB_VERT, &range, TRUE);
    PreviewPaneOptions options;
    options.className = "Preview";
    options.wheelPartner = partner;
    HWND pane = createPreviewPane(ownerWindow(), GetModuleHandleA(nullptr), options);
    ASSERT_NE(pane, nullptr);
    setClientSize(pane, 400, 300);
    previewPaneSetFit(pane, false);
    ASSERT_TRUE(previewPaneShowPicture(pane, solid(400, 3000, "red"), 91));
    pump();

    partnerWheels = 0;
    SendMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), MAKELPARAM(700, 250));
    EXPECT_EQ(partnerWheels, 1) << "the pointer is over the partner";
    PreviewPaneInfo info;
    previewPaneInfo(pane, info);
    EXPECT_EQ(info.y, 0);

    // A partner that cannot scroll leaves the wheel to the pane.
    range.nMax = 0;
    range.nPage = 0;
    SetScrollInfo(partner, SB_VERT, &range, TRUE);
    ShowScrollBar(partner, SB_VERT, FALSE);
    SendMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), MAKELPARAM(700, 250));
    EXPECT_EQ(partnerWheels, 1);
    previewPaneInfo(pane, info);
    EXPECT_EQ(info.y, 50);
    DestroyWindow(pane);
    DestroyWindow(partner);
}

// ---------------------------------------------------------------------------
// The picture viewer

namespace {

bool writeJpeg(MagickWand *wand, const std::string &path)
{
    MagickSetImageFormat(wand, "JPEG");
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(wand, &length);
    bool ok = blob && writeFileBytes(path, std::string((const char *)blob, length));
    if (blob)
        MagickRelinquishMemory(blob);
    DestroyMagickWand(wand);
    return ok;
}

class PictureViewer : public testing::Test {
protected:
    HWND viewer = nullptr;
    void SetUp() override
    {
        viewer = createPictureViewer(GetModuleHandleA(nullptr));
        ASSERT_NE(viewer, nullptr);
        boxes.clear();
        pictureViewerMessageBox = recordBox;
    }
    void TearDown() override
    {
        closePictureViewer();
        pictureViewerSetFit(true);
        pump();
    }
    PictureViewerInfo info()
    {
        PictureViewerInfo i;
        pictureViewerInfo(i);
        return i;
    }
    // The viewer restored to a client area of 760 x 580.
    void restoreTo760By580()
    {
        ShowWindow(viewer, SW_RESTORE);
        setClientSize(viewer, 760, 580);
    }
};

}  // namespace

TEST_F(PictureViewer, OpensAChineseNamedJpegMaximised)
{
    ScratchFolder folder("查看图片_中文");
    std::string path = folder / "风景 照片.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("photos/mate_Storm.jpg"), path));
    char className[32] = {};
    GetClassNameA(viewer, className, sizeof className);
    EXPECT_STREQ(className, "Browser");

    ASSERT_TRUE(viewPicture(path, "风景 照片.jpg"));
    pump();
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_TRUE(IsZoomed(viewer)) << "a hidden viewer opens maximised";
    char title[128] = {};
    GetWindowTextA(viewer, title, sizeof title);
    EXPECT_STREQ(title, "风景 照片.jpg");
    PictureViewerInfo i = info();
    EXPECT_TRUE(i.hasPicture);
    EXPECT_EQ(i.width, 1920);
    EXPECT_EQ(i.height, 1280);
    // Larger than the window: fitted, centred, the whole photo in view.
    RECT client;
    GetClientRect(viewer, &client);
    EXPECT_TRUE(i.fit);
    EXPECT_LE(i.shownWidth, client.right - 16);
    EXPECT_LE(i.shownHeight, client.bottom - 16);
    EXPECT_NEAR(i.origin.x * 2 + i.shownWidth, client.right, 1);
    EXPECT_NEAR(i.origin.y * 2 + i.shownHeight, client.bottom, 1);
    // The photo's own pixels are on the screen: not the white of the background.
    COLORREF c = paintedPixel(viewer, i.origin.x + 400, i.origin.y + 300);
    EXPECT_NE(c, RGB(255, 255, 255));
    EXPECT_EQ(paintedPixel(viewer, i.origin.x - 1, i.origin.y + 100), RGB(0, 0, 0)) << "frame";

    // Esc on the active viewer, through the program's loop, closes it: hidden,
    // picture released.
    SetForegroundWindow(viewer);
    SetActiveWindow(viewer);
    ASSERT_EQ(GetActiveWindow(), viewer);
    PostMessageA(viewer, WM_KEYDOWN, VK_ESCAPE, 0);
    pumpQueuedMessages();
    EXPECT_FALSE(IsWindowVisible(viewer));
    EXPECT_FALSE(info().hasPicture);
}

TEST_F(PictureViewer, FitsCentresScrollsAndStartsEachPictureAtTheTop)
{
    ScratchFolder folder("查看图片_尺寸");
    ASSERT_TRUE(writeJpeg(solid(700, 500, "red"), folder / "a.jpg"));
    ASSERT_TRUE(writeJpeg(solid(750, 500, "red"), folder / "b.jpg"));
    ASSERT_TRUE(writeJpeg(solid(900, 2000, "red"), folder / "c.jpg"));

    ASSERT_TRUE(viewPicture(folder / "c.jpg", "c.jpg"));
    restoreTo760By580();
    // Fitted: 900 x 2000 becomes 254 x 564, centred, nothing to scroll.
    PictureViewerInfo fitted = info();
    EXPECT_EQ(fitted.shownWidth, 254);
    EXPECT_EQ(fitted.shownHeight, 564);
    EXPECT_EQ(fitted.origin.x, 253);
    EXPECT_EQ(fitted.origin.y, 8);
    EXPECT_EQ(barOf(viewer, SB_VERT).nMax, 0);
    EXPECT_TRUE(bigRed(paintedPixel(viewer, 253 + 127, 8 + 300)));
    // The key 1 (a double click does the same): actual size, scrolled as before.
    PostMessageA(viewer, WM_KEYDOWN, '1', 0);
    pump();
    EXPECT_FALSE(info().fit);
    EXPECT_EQ(info().shownWidth, 900);
    for (int i = 0; i < 4; ++i) {  // back to the top left corner
        SendMessageA(viewer, WM_VSCROLL, SB_PAGEUP, 0);
        SendMessageA(viewer, WM_HSCROLL, SB_PAGEUP, 0);
    }
    SendMessageA(viewer, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageA(viewer, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_GT(info().y, 0);
    EXPECT_EQ(info().x, 1);

    ASSERT_TRUE(viewPicture(folder / "a.jpg", "a.jpg"));
    setClientSize(viewer, 760, 580);
    PictureViewerInfo a = info();
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.origin.x, 30);
    EXPECT_EQ(a.origin.y, 40);
    EXPECT_EQ(barOf(viewer, SB_HORZ).nMax, 0);
    EXPECT_EQ(barOf(viewer, SB_VERT).nMax, 0);
    EXPECT_TRUE(bigRed(paintedPixel(viewer, 30, 40)));
    EXPECT_EQ(paintedPixel(viewer, 29, 40), RGB(0, 0, 0));

    ASSERT_TRUE(viewPicture(folder / "b.jpg", "b.jpg"));
    setClientSize(viewer, 760, 580);
    EXPECT_EQ(barOf(viewer, SB_HORZ).nMax, 767);
    EXPECT_EQ(info().origin.x, 8);
    // The wheel with no vertical range moves the horizontal bar.
    PostMessageA(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), 0);
    pump();
    EXPECT_GT(info().x, 0);
}

TEST_F(PictureViewer, ABrokenFileIsRefusedWithTheLoaderMessage)
{
    ScratchFolder folder("查看图片_损坏");
    ASSERT_TRUE(viewPicture(samplePath("photos/mate_Garden.jpg"), "mate_Garden.jpg"));
    for (const char *broken : {"broken/text_renamed.jpg"}) {
        boxes.clear();
        EXPECT_FALSE(viewPicture(samplePath(broken), "x.jpg")) << broken;
        ASSERT_EQ(boxes.size(), 1u) << broken;
        EXPECT_EQ(boxes[0].text, "图片加载失败 - Call OleLoadPicture Fail");
        EXPECT_EQ(boxes[0].caption, "错误");
        EXPECT_FALSE(info().hasPicture) << "the former picture is gone";
    }
    // Missing and empty files: nothing shown, no message.
    boxes.clear();
    EXPECT_FALSE(viewPicture(folder / "没有.jpg", "没有.jpg"));
    EXPECT_FALSE(viewPicture(samplePath("broken/zero_bytes.jpg"), "zero_bytes.jpg"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(info().hasPicture);
}
