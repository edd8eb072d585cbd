// The information window: a tool window holding one green-on-black edit box
// that shows the program's log (util/info_log.h).
#include "ui/info_window.h"

#include "ui/window_kit.h"
#include "util/text.h"

const char kInfoWindowClass[] = "VelmoraInfoWindow";

namespace {

const char kInfoWindowTitle[] = "信息 - F2";
const UINT kDrainQueueMessage = WM_APP + 0x52;
const int kInitialWidth = 616;
const int kInitialHeight = 168;

struct InfoWindowState {
    HWND window = nullptr;
    HWND edit = nullptr;
    HWND centreOver = nullptr;  // the first showing is centred over this window
    bool placed = false;
    HBRUSH background = nullptr;
};

InfoWindowState g_state;

// Shows the window (never activated: the user's work keeps the focus), the first
// time centred over the window it belongs to.
void showInfoWindowNow(InfoWindowState *s)
{
    if (!s->placed) {
        s->placed = true;
        if (s->centreOver)
            centerOnOwner(s->window, s->centreOver);
    }
    ShowWindow(s->window, SW_SHOWNA);
}

// Length of the longest prefix of at most `limit` bytes that ends on a whole
// GBK character.
size_t gbkPrefixLength(const std::string &text, size_t limit)
{
    size_t i = 0;
    while (i < text.size()) {
        size_t step = ((unsigned char)text[i] >= 0x81 && i + 1 < text.size()) ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

std::string editText(HWND edit)
{
    int length = GetWindowTextLengthA(edit);
    if (length <= 0)
        return std::string();
    std::string text((size_t)length + 1, '\0');
    int got = GetWindowTextA(edit, &text[0], length + 1);
    text.resize(got > 0 ? (size_t)got : 0);
    return text;
}

void appendToLog(const std::string &message)
{
    InfoWindowState *s = &g_state;
    std::string text = message;
    // One message longer than half the log keeps its beginning only.
    const size_t maxMessage = kInfoTextLimit / 2;
    if (text.size() > maxMessage)
        text.resize(gbkPrefixLength(text, maxMessage));
    std::string current = editText(s->edit);
    size_t drop = infoLogDropLength(current, text.size());
    if (drop > 0)
        SetWindowTextA(s->edit, current.c_str() + drop);
    // Lengths in bytes are never below the edit box's character positions, so
    // this lands at the end.
    int end = GetWindowTextLengthA(s->edit);
    SendMessageA(s->edit, EM_SETSEL, (WPARAM)end, (LPARAM)end);
    SendMessageA(s->edit, EM_REPLACESEL, FALSE, (LPARAM)text.c_str());
    SendMessageA(s->edit, EM_REPLACESEL, FALSE, (LPARAM) "\r\n\r\n");
    SendMessageA(s->edit, WM_VSCROLL, SB_BOTTOM, 0);
    if (!IsWindowVisible(s->window))
        showInfoWindowNow(s);
}

void onSize(InfoWindowState *s, int width, int height)
{
    if (s->edit)
        MoveWindow(s->edit, 0, 0, width, height, TRUE);
}

LRESULT onColor(InfoWindowState *s, HDC dc)
{
    SetTextColor(dc, RGB(0, 255, 0));
    SetBkColor(dc, RGB(0, 0, 0));
    return (LRESULT)s->background;
}

LRESULT CALLBACK infoWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    InfoWindowState *s = &g_state;
    switch (message) {
    case WM_SIZE:
        onSize(s, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if ((HWND)lParam == s->edit)
            return onColor(s, (HDC)wParam);
        break;
    case WM_CLOSE:
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    case kDrainQueueMessage:
        drainInfoLog();
        return 0;
    case WM_DESTROY:
        // Only tests destroy it; the program keeps it to the end.
        attachInfoLogView(InfoLogView());
        s->window = nullptr;
        s->edit = nullptr;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool registerInfoWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {sizeof wc};
    if (GetClassInfoExA(instance, kInfoWindowClass, &wc))
        return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = infoWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = kInfoWindowClass;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND createInfoWindow(HINSTANCE instance, HWND centreOver)
{
    InfoWindowState *s = &g_state;
    if (s->window)
        return s->window;
    s->centreOver = centreOver;
    if (!registerInfoWindowClass(instance))
        return nullptr;
    if (!s->background)
        s->background = CreateSolidBrush(RGB(0, 0, 0));
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kInfoWindowClass, kInfoWindowTitle,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT,
                                  CW_USEDEFAULT, kInitialWidth, kInitialHeight, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    RECT client;
    GetClientRect(window, &client);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0,
                                client.right, client.bottom, window, nullptr, instance, nullptr);
    if (!edit) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(edit, EM_SETLIMITTEXT, kInfoTextLimit, 0);
    SendMessageA(edit, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    s->window = window;
    s->edit = edit;
    InfoLogView view;
    view.window = window;
    view.threadId = GetCurrentThreadId();
    view.wakeMessage = kDrainQueueMessage;
    view.append = appendToLog;
    attachInfoLogView(view);
    drainInfoLog();  // what was logged before the window existed
    return window;
}

HWND infoWindowHandle() { return infoLogViewWindow(); }

void toggleInfoWindow()
{
    HWND window = infoWindowHandle();
    if (!window)
        return;
    if (IsWindowVisible(window))
        ShowWindow(window, SW_HIDE);
    else
        showInfoWindowNow(&g_state);
}

bool handleInfoWindowKey(const MSG &msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F2 || !infoWindowHandle())
        return false;
    toggleInfoWindow();
    return true;
}

size_t infoLogDropLength(const std::string &current, size_t incomingLength)
{
    const size_t threshold = kInfoTextLimit - 1;
    if (current.size() + incomingLength < threshold)
        return 0;
    size_t half = current.size() / 2;
    size_t drop = gbkPrefixLength(current, half);
    if (drop < half)  // the half cut a character: drop it whole
        drop = gbkPrefixLength(current, half + 1);
    // Still no room: start a fresh log.
    if (current.size() - drop + incomingLength + 4 >= threshold)
        drop = current.size();
    return drop;
}
