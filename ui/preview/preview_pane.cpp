#include "ui/preview/preview_pane.h"

#include "ui/preview/picture_canvas.h"
#include "util/text.h"

namespace {

struct PaneState {
    PreviewPaneOptions options;
    std::string className;
    std::string routineName;
    PictureCanvas canvas;
    DisplayPicture picture;
    DisplayPicture shrunk;  // the picture at the fitted size, made when first drawn at it
    PreviewOutline outline;
    bool busy = false;
    int shown = 0;
};

PaneState *stateOf(HWND pane)
{
    return reinterpret_cast<PaneState *>(GetWindowLongPtrA(pane, GWLP_USERDATA));
}

// The outline is drawn at the shown size, so that it stays one pixel wide and
// on the edge of its rectangle however small the picture is shown.
void drawOutline(const PaneState *s, HDC dc)
{
    const PreviewOutline &o = s->outline;
    if (!o.leftRight && !o.topBottom)
        return;
    RECT r = canvasClientRect(s->canvas, o.rect);
    const int across = o.topBottom ? 1 : 0, down = o.leftRight ? 1 : 0;
    HBRUSH brush = CreateSolidBrush(o.colour);
    if (o.leftRight) {
        RECT left = {r.left - 1, r.top - across, r.left, r.bottom + across};
        RECT right = {r.right, r.top - across, r.right + 1, r.bottom + across};
        FillRect(dc, &left, brush);
        FillRect(dc, &right, brush);
    }
    if (o.topBottom) {
        RECT top = {r.left - down, r.top - 1, r.right + down, r.top};
        RECT bottom = {r.left - down, r.bottom, r.right + down, r.bottom + 1};
        FillRect(dc, &top, brush);
        FillRect(dc, &bottom, brush);
    }
    DeleteObject(brush);
}

void drawPicture(void *context, HDC dc, int x, int y, int width, int height)
{
    PaneState *s = static_cast<PaneState *>(context);
    drawDisplayPicture(s->picture, s->shrunk, dc, x, y, width, height);
    drawOutline(s, dc);
}

void releasePicture(PaneState *s)
{
    releaseDisplayPicture(s->picture);
    releaseDisplayPicture(s->shrunk);
    s->outline = PreviewOutline();
}

POINT clientCentre(HWND pane)
{
    RECT client = {};
    GetClientRect(pane, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    return centre;
}

// A picture composed smaller than its size serves the pane only while it is
// fitted into a client area no larger than the one it was composed for: at its
// own size, or in a larger pane, the owner is asked for it again (and it is
// shown stretched or less sharp meanwhile).
void askForMorePixels(HWND pane, PaneState *s)
{
    const DisplayPicture &p = s->picture;
    if (p.fullWidth <= 0 || !s->options.owner || !s->options.fullSizeCommand)
        return;
    if (s->canvas.fit) {
        RECT client = {};
        GetClientRect(pane, &client);
        const double scale = canvasComposeScale(client.right, client.bottom, p.fullWidth, p.fullHeight);
        if (p.width + 1 >= (int)(p.fullWidth * scale))
            return;
    }
    SendMessageA(s->options.owner, WM_COMMAND, MAKEWPARAM(s->options.fullSizeCommand, 0), (LPARAM)pane);
}

void setFit(HWND pane, PaneState *s, bool fit, POINT anchor)
{
    canvasSetFit(s->canvas, fit, anchor);
    askForMorePixels(pane, s);
}

int realMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

// The wheel goes to the partner when the pointer is over it and it can scroll.
bool wheelForPartner(const PaneState *s, LPARAM lParam)
{
    HWND partner = s->options.wheelPartner;
    if (!partner || !IsWindowVisible(partner))
        return false;
    POINT pointer = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    HWND under = WindowFromPoint(pointer);
    if (under != partner && !IsChild(partner, under))
        return false;
    SCROLLINFO info = {sizeof info, SIF_RANGE};
    return (GetWindowLongA(partner, GWL_STYLE) & WS_VSCROLL) && GetScrollInfo(partner, SB_VERT, &info) &&
           info.nMax >= 1;
}

void closePane(HWND pane, PaneState *s)
{
    bool open = (GetWindowLongA(pane, GWL_STYLE) & WS_VISIBLE) != 0;
    releasePicture(s);
    canvasSetPicture(s->canvas, 0, 0, false);
    // The owner's command toggles its preview: a pane that is closed already says nothing.
    if (open && s->options.owner && s->options.closeCommand)
        SendMessageA(s->options.owner, WM_COMMAND, MAKEWPARAM(s->options.closeCommand, 0), (LPARAM)pane);
}

void showContextMenu(HWND pane, PaneState *s)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | (s->canvas.fit ? MF_CHECKED : 0), kPreviewFitCommand, "适合窗口");
    AppendMenuA(menu, MF_STRING | (s->canvas.fit ? 0 : MF_CHECKED), kPreviewActualSizeCommand, "实际大小");
    if (s->options.exitMenu) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kPreviewExitCommand, "退出预览");
    }
    POINT at;
    GetCursorPos(&at);
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, pane, nullptr);
    DestroyMenu(menu);
    if (command == kPreviewExitCommand)
        PostMessageA(pane, WM_CLOSE, 0, 0);
    else if (command == kPreviewFitCommand || command == kPreviewActualSizeCommand)
        setFit(pane, s, command == kPreviewFitCommand, clientCentre(pane));
}

LRESULT CALLBACK paneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    PaneState *s = stateOf(pane);
    if (!s) {
        if (message == WM_NCCREATE) {
            s = static_cast<PaneState *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
            if (s) {  // only createPreviewPane makes panes
                s->canvas.window = pane;
                SetWindowLongPtrA(pane, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
            }
        }
        return DefWindowProcA(pane, message, wParam, lParam);
    }
    switch (message) {
    case WM_SIZE:
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
            canvasUpdateRanges(s->canvas);
            askForMorePixels(pane, s);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(pane, &ps);
        canvasPaint(s->canvas, dc);
        EndPaint(pane, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        canvasPaint(s->canvas, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_HSCROLL:
        canvasOnScroll(s->canvas, SB_HORZ, wParam);
        return 0;
    case WM_VSCROLL:
        canvasOnScroll(s->canvas, SB_VERT, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (wheelForPartner(s, lParam))
            return SendMessageA(s->options.wheelPartner, WM_MOUSEWHEEL, wParam, lParam);
        canvasOnWheel(s->canvas, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (s->options.owner)
                SendMessageA(s->options.owner, WM_KEYDOWN, wParam, lParam);
            return 0;
        case '1':
        case VK_NUMPAD1:
            setFit(pane, s, !s->canvas.fit, clientCentre(pane));
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        SetFocus(pane);
        return 0;
    case WM_LBUTTONDBLCLK: {
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        setFit(pane, s, !s->canvas.fit, at);
        return 0;
    }
    case WM_RBUTTONUP:
        showContextMenu(pane, s);
        return 0;
    case WM_SETCURSOR:
        if (s->busy && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_APPSTARTING));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        closePane(pane, s);
        return 0;  // the pane is hidden by its owner, never destroyed by a close
    case WM_NCDESTROY:
        releasePicture(s);
        SetWindowLongPtrA(pane, GWLP_USERDATA, 0);
        delete s;
        return DefWindowProcA(pane, message, wParam, lParam);
    }
    return DefWindowProcA(pane, message, wParam, lParam);
}

bool registerPaneClass(HINSTANCE instance, const char *className)
{
    WNDCLASSEXA existing = {sizeof existing};
    if (GetClassInfoExA(instance, className, &existing))
        return existing.lpfnWndProc == paneProc;  // a class of that name that is no pane will not do
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = paneProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

int (*previewPaneMessageBox)(HWND owner, const char *text, const char *caption, UINT type) = realMessageBox;

std::string previewLoadFailureText(const char *routineName, const std::string &reason)
{
    return formatText("%s() Fail: %s\n\n请进入官网联系客服。", routineName ? routineName : "loadPictureFromMW",
                      reason.c_str());
}

HWND createPreviewPane(HWND parent, HINSTANCE instance, const PreviewPaneOptions &options)
{
    const char *className = options.className ? options.className : "Preview";
    if (!registerPaneClass(instance, className))
        return nullptr;
    PaneState *s = new PaneState;
    s->options = options;
    s->className = className;
    s->routineName = options.routineName ? options.routineName : "loadPictureFromMW";
    s->options.className = s->className.c_str();
    s->options.routineName = s->routineName.c_str();
    s->canvas.draw = drawPicture;
    s->canvas.context = s;
    HWND pane = CreateWindowExA(WS_EX_CLIENTEDGE, className, "", WS_CHILD | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN,
                                0, 0, 760, 580, parent, nullptr, instance, s);
    if (!pane) {
        delete s;
        return nullptr;
    }
    // Kept from the pane's first design: a tiny static that only ever served to
    // reach a device context.
    CreateWindowExA(0, "static", "图片", WS_CHILD, 0, 0, 2, 2, pane, nullptr, instance, nullptr);
    canvasUpdateRanges(s->canvas);
    return pane;
}

void previewPaneShow(HWND pane, DisplayPicture &picture, bool keepScroll, const PreviewOutline &outline)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    if (!s) {
        releaseDisplayPicture(picture);
        return;
    }
    releasePicture(s);
    s->picture = picture;
    s->outline = outline;
    picture = DisplayPicture();
    s->shown++;
    if (s->picture.fullWidth > 0)
        canvasSetPicture(s->canvas, s->picture.fullWidth, s->picture.fullHeight, keepScroll);
    else
        canvasSetPicture(s->canvas, s->picture.width, s->picture.height, keepScroll);
    if (!(GetWindowLongA(pane, GWL_STYLE) & WS_VISIBLE)) {
        ShowWindow(pane, SW_SHOW);
        SetFocus(pane);
    }
    // An open pane is not given the focus again: the user may be typing in a field.
}

bool previewPaneShowPicture(HWND pane, MagickWand *wand, int quality, bool keepScroll)
{
    DisplayPicture picture;
    std::string reason;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    bool made = makeDisplayPicture(wand, quality, picture, reason);
    SetCursor(old ? old : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    if (!made) {
        previewPaneShowFailure(pane, reason);
        return false;
    }
    previewPaneShow(pane, picture, keepScroll);
    return true;
}

void previewPaneShowFailure(HWND pane, const std::string &reason)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    std::string text = previewLoadFailureText(s ? s->routineName.c_str() : nullptr, reason);
    previewPaneMessageBox(pane ? GetAncestor(pane, GA_ROOT) : nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
    previewPaneClear(pane);
}

void previewPaneClear(HWND pane)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    if (!s)
        return;
    releasePicture(s);
    canvasSetPicture(s->canvas, 0, 0, false);
}

void previewPaneSetBusy(HWND pane, bool busy)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    if (!s || s->busy == busy)
        return;
    s->busy = busy;
    POINT pointer;
    if (GetCursorPos(&pointer) && WindowFromPoint(pointer) == pane)
        SendMessageA(pane, WM_SETCURSOR, (WPARAM)pane, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void previewPaneSetFit(HWND pane, bool fit)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    if (s)
        setFit(pane, s, fit, clientCentre(pane));
}

SIZE previewPaneFitBound(HWND pane)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    SIZE bound = {0, 0};
    RECT client = {};
    if (s && s->canvas.fit && GetClientRect(pane, &client)) {
        bound.cx = client.right;
        bound.cy = client.bottom;
    }
    return bound;
}

bool previewPaneInfo(HWND pane, PreviewPaneInfo &info)
{
    PaneState *s = pane ? stateOf(pane) : nullptr;
    if (!s)
        return false;
    info.hasPicture = s->picture.bitmap != nullptr;
    info.width = s->canvas.width;
    info.height = s->canvas.height;
    info.heldWidth = s->picture.width;
    info.heldHeight = s->picture.height;
    info.fit = s->canvas.fit;
    info.shownWidth = s->canvas.shownWidth;
    info.shownHeight = s->canvas.shownHeight;
    info.x = s->canvas.x;
    info.y = s->canvas.y;
    info.origin = canvasPictureOrigin(s->canvas);
    info.jpegBytes = s->picture.jpegBytes;
    info.shown = s->shown;
    return true;
}
