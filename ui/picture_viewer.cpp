#include "ui/picture_viewer.h"

#include <ole2.h>
#include <olectl.h>

#include "ui/preview/display_picture.h"
#include "ui/preview/picture_canvas.h"

namespace {

const char kViewerClass[] = "Browser";

struct ViewerState {
    HWND window = nullptr;
    DisplayPicture picture;  // what the system's loader gave, drawn once at its own size
    DisplayPicture shrunk;   // the picture at the fitted size
    PictureCanvas canvas;
};

ViewerState &viewer()
{
    static ViewerState v;
    return v;
}

int realMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

void drawPicture(void *context, HDC dc, int x, int y, int width, int height)
{
    ViewerState *v = static_cast<ViewerState *>(context);
    drawDisplayPicture(v->picture, v->shrunk, dc, x, y, width, height);
}

void releasePicture()
{
    ViewerState &v = viewer();
    releaseDisplayPicture(v.picture);
    releaseDisplayPicture(v.shrunk);
    canvasSetPicture(v.canvas, 0, 0, false);
}

struct OleRender {
    IPicture *picture;
    int width, height;
    OLE_XSIZE_HIMETRIC himetricWidth;
    OLE_YSIZE_HIMETRIC himetricHeight;
};

void renderOlePicture(void *context, HDC dc)
{
    const OleRender *r = static_cast<const OleRender *>(context);
    r->picture->Render(dc, 0, 0, r->width, r->height, 0, r->himetricHeight, r->himetricWidth, -r->himetricHeight,
                       nullptr);
}

POINT clientCentre(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    return centre;
}

void showContextMenu(HWND window)
{
    ViewerState &v = viewer();
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | (v.canvas.fit ? MF_CHECKED : 0), kViewerFitCommand, "适合窗口");
    AppendMenuA(menu, MF_STRING | (v.canvas.fit ? 0 : MF_CHECKED), kViewerActualSizeCommand, "实际大小");
    POINT at;
    GetCursorPos(&at);
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
    if (command == kViewerFitCommand || command == kViewerActualSizeCommand)
        canvasSetFit(v.canvas, command == kViewerFitCommand, clientCentre(window));
}

// The whole file in a movable memory block, or nullptr (the file cannot be opened
// or read, or is too large to hold).
HGLOBAL readWholeFile(const std::string &path, DWORD &size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER length = {};
    HGLOBAL block = nullptr;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0 && length.QuadPart < 0x40000000)
        block = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)length.QuadPart);
    bool ok = false;
    if (block) {
        void *bytes = GlobalLock(block);
        DWORD read = 0;
        ok = bytes && ReadFile(file, bytes, (DWORD)length.QuadPart, &read, nullptr) && read == length.QuadPart;
        GlobalUnlock(block);
    }
    CloseHandle(file);
    if (!ok) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    size = (DWORD)length.QuadPart;
    return block;
}

int screenDpi(int axis)
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

LRESULT CALLBACK viewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewerState &v = viewer();
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            canvasUpdateRanges(v.canvas);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        canvasPaint(v.canvas, dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        canvasPaint(v.canvas, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_HSCROLL:
        canvasOnScroll(v.canvas, SB_HORZ, wParam);
        return 0;
    case WM_VSCROLL:
        canvasOnScroll(v.canvas, SB_VERT, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        canvasOnWheel(v.canvas, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_KEYDOWN:
        if (wParam == '1' || wParam == VK_NUMPAD1) {
            canvasSetFit(v.canvas, !v.canvas.fit, clientCentre(window));
            return 0;
        }
        break;
    case WM_LBUTTONDBLCLK: {
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        canvasSetFit(v.canvas, !v.canvas.fit, at);
        return 0;
    }
    case WM_RBUTTONUP:
        showContextMenu(window);
        return 0;
    case WM_CLOSE:
        closePictureViewer();
        return 0;  // hidden, never destroyed
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int (*pictureViewerMessageBox)(HWND owner, const char *text, const char *caption, UINT type) = realMessageBox;

HWND createPictureViewer(HINSTANCE instance, HICON largeIcon, HICON smallIcon)
{
    ViewerState &v = viewer();
    if (v.window)
        return v.window;
    WNDCLASSEXA wc = {sizeof wc};
    if (!GetClassInfoExA(instance, kViewerClass, &wc)) {
        wc = WNDCLASSEXA();
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = viewerProc;
        wc.hInstance = instance;
        wc.hIcon = largeIcon;
        wc.hIconSm = smallIcon;
        wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = kViewerClass;
        if (!RegisterClassExA(&wc))
            return nullptr;
    }
    v.canvas.draw = drawPicture;
    v.canvas.context = &v;
    v.window = CreateWindowExA(0, kViewerClass, "查看图片",
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                   WS_MAXIMIZEBOX | WS_HSCROLL | WS_VSCROLL,
                               CW_USEDEFAULT, CW_USEDEFAULT, 760, 580, nullptr, nullptr, instance, nullptr);
    if (!v.window)
        return nullptr;
    v.canvas.window = v.window;
    // Kept from the viewer's first design: a tiny static that only served to reach
    // a device context for the screen resolution.
    CreateWindowExA(0, "static", "图片", WS_CHILD, 0, 0, 2, 2, v.window, nullptr, instance, nullptr);
    canvasUpdateRanges(v.canvas);
    return v.window;
}

HWND pictureViewerWindow() { return viewer().window; }

bool viewPicture(const std::string &path, const std::string &title)
{
    ViewerState &v = viewer();
    if (!createPictureViewer(GetModuleHandleA(nullptr)))
        return false;
    releasePicture();
    DWORD size = 0;
    HGLOBAL block = readWholeFile(path, size);
    if (!block)
        return false;
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
        GlobalFree(block);
        return false;
    }
    IPicture *picture = nullptr;
    HRESULT loaded = OleLoadPicture(stream, (LONG)size, FALSE, IID_IPicture, reinterpret_cast<void **>(&picture));
    stream->Release();  // frees the block too
    if (FAILED(loaded) || !picture) {
        if (picture)
            picture->Release();
        pictureViewerMessageBox(nullptr, "图片加载失败 - Call OleLoadPicture Fail", "错误", MB_OK | MB_ICONERROR);
        return false;
    }
    OleRender render = {picture, 0, 0, 0, 0};
    picture->get_Width(&render.himetricWidth);
    picture->get_Height(&render.himetricHeight);
    render.width = MulDiv(render.himetricWidth, screenDpi(LOGPIXELSX), 2540);
    render.height = MulDiv(render.himetricHeight, screenDpi(LOGPIXELSY), 2540);
    // Drawn once at its own size: shrinking it to fit and scrolling then work
    // from those pixels.
    bool drawn = makeDrawnPicture(render.width, render.height, renderOlePicture, &render, v.picture);
    picture->Release();
    if (!drawn)
        return false;
    canvasSetPicture(v.canvas, render.width, render.height, false);
    SetWindowTextA(v.window, title.c_str());
    if (IsWindowVisible(v.window)) {
        if (IsIconic(v.window) && !IsZoomed(v.window))
            ShowWindow(v.window, SW_RESTORE);
        InvalidateRect(v.window, nullptr, FALSE);
    } else {
        ShowWindow(v.window, SW_SHOWMAXIMIZED);
    }
    SetActiveWindow(v.window);
    SetForegroundWindow(v.window);
    return true;
}

void closePictureViewer()
{
    ViewerState &v = viewer();
    releasePicture();
    if (v.window)
        ShowWindow(v.window, SW_HIDE);
}

void pictureViewerSetFit(bool fit)
{
    ViewerState &v = viewer();
    if (v.window)
        canvasSetFit(v.canvas, fit, clientCentre(v.window));
}

bool pictureViewerInfo(PictureViewerInfo &info)
{
    ViewerState &v = viewer();
    if (!v.window)
        return false;
    info.hasPicture = v.picture.bitmap != nullptr;
    info.width = v.canvas.width;
    info.height = v.canvas.height;
    info.fit = v.canvas.fit;
    info.shownWidth = v.canvas.shownWidth;
    info.shownHeight = v.canvas.shownHeight;
    info.x = v.canvas.x;
    info.y = v.canvas.y;
    info.origin = canvasPictureOrigin(v.canvas);
    return true;
}
