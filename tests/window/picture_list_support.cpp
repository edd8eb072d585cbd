#include "picture_list_support.h"
#include "window_probe.h"

#include <commctrl.h>
#include <atomic>

#include "input/thumbnail_render.h"
#include "ui/info_window.h"

namespace {

LRESULT CALLBACK benchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (handlePictureListCommand(LOWORD(wp)))
            return 0;
        break;
    case WM_SIZE: {
        PictureListBench &b = pictureListBench();
        if (b.status)
            SendMessageA(b.status, WM_SIZE, 0, 0);
        break;
    }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HANDLE gate = CreateEventA(nullptr, TRUE, TRUE, nullptr);
std::atomic<int> atGate(0);

int gatedRender(const char *path, int flip, int rotation, HICON *icon, std::string *detail, bool autoOrient)
{
    atGate++;
    WaitForSingleObject(gate, INFINITE);
    atGate--;
    return makeThumbnail(path, flip, rotation, icon, detail, autoOrient);
}

}  // namespace

PictureListBench &pictureListBench()
{
    static PictureListBench b;
    if (b.main)
        return b;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = benchProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "PictureListBench";
    RegisterClassExA(&wc);
    b.main = CreateWindowExA(0, wc.lpszClassName, "picture list", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 660, 700, nullptr,
                             nullptr, instance, nullptr);
    b.toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0,
                                0, 0, b.main, nullptr, instance, nullptr);
    SendMessageA(b.toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const int commands[] = {kCmdToolRemove,         kCmdToolRotateLeft,   kCmdToolRotateRight, kCmdToolFlipHorizontal,
                            kCmdToolFlipVertical,   kCmdToolPreview,      kCmdToolStart};
    for (int command : commands) {
        TBBUTTON button = {};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = command;
        button.fsStyle = BTNS_BUTTON;
        SendMessageA(b.toolbar, TB_ADDBUTTONSA, 1, (LPARAM)&button);
    }
    b.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, b.main, nullptr, instance,
                               nullptr);
    int parts[] = {380, -1};
    SendMessageA(b.status, SB_SETPARTS, 2, (LPARAM)parts);
    SendMessageA(b.status, SB_SETTEXTA, 0, (LPARAM) "0 张图片");

    PictureListHost host;
    host.commandWindow = b.main;
    host.statusBar = b.status;
    host.toolbar = b.toolbar;
    RECT rect = {1, 30, 1 + 644, 30 + 595};
    b.list = createPictureList(b.main, rect, host);
    ShowWindow(b.main, SW_SHOWNOACTIVATE);
    pumpMessages();
    return b;
}

void pumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool pumpUntil(const std::function<bool()> &done, int limitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        pumpMessages();
        if (done())
            return true;
        if ((int)(GetTickCount() - start) > limitMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

static bool everyThumbnailDone()
{
    ImageList &list = pictureImageList();
    ImageList::ScopedLock guard(list);
    for (int i = 0; i < list.count(); ++i)
        if (!list.at(i)->thumbDone)
            return false;
    return true;
}

bool waitForThumbnails(int limitMs)
{
    wakeThumbnailWorker();
    return pumpUntil(
        [] {
            ThumbnailWorker &w = thumbnailWorker();
            return !w.busy() && !w.deferredPending() && (!thumbnailsShown() || everyThumbnailDone());
        },
        limitMs);
}

void emptyPictureList()
{
    pictureListBench();
    pumpUntil([] { return !thumbnailWorker().busy() && !thumbnailWorker().deferredPending(); });
    removeAllImages();
    pumpMessages();
}

std::string statusText(int part)
{
    char text[512] = {};
    HWND status = pictureListBench().status;
    LRESULT len = SendMessageA(status, SB_GETTEXTLENGTHA, (WPARAM)part, 0);
    if (LOWORD(len) < sizeof text)
        SendMessageA(status, SB_GETTEXTA, (WPARAM)part, (LPARAM)text);
    return text;
}

bool toolbarEnabled(int command)
{
    return SendMessageA(pictureListBench().toolbar, TB_ISBUTTONENABLED, (WPARAM)command, 0) != 0;
}

void selectOnly(const std::vector<int> &indexes)
{
    HWND list = pictureListView();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int i : indexes)
        ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
}

int viewImage(int index)
{
    LVITEMA lv = {};
    lv.mask = LVIF_IMAGE;
    lv.iItem = index;
    SendMessageA(pictureListView(), LVM_GETITEMA, 0, (LPARAM)&lv);
    return lv.iImage;
}

COLORREF storePixel(int slot, int x, int y)
{
    HIMAGELIST store = ListView_GetImageList(pictureListView(), LVSIL_NORMAL);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 96, 96);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    ImageList_Draw(store, slot, dc, 0, 0, ILD_NORMAL);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return c;
}

void startCollectingInfo()
{
    pictureListBench();
    startInfoCollector();
}

std::vector<std::string> collectedInfo() { return infoCollected(); }

void useGatedRenderer(bool closed)
{
    if (!pictureListView())  // the main window's list, when there is one
        pictureListBench();
    if (closed)
        ResetEvent(gate);
    else
        SetEvent(gate);
    thumbnailWorker().start(&pictureImageList(), pictureListContainer(), gatedRender);
}

void openGate() { SetEvent(gate); }
int picturesAtGate() { return atGate; }

void useNormalRenderer()
{
    SetEvent(gate);
    thumbnailWorker().start(&pictureImageList(), pictureListContainer(), nullptr);
}
