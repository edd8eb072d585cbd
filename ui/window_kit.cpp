#include "ui/window_kit.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <cstdlib>
#include <cstring>

#include "util/registry_store.h"
#include "input/file_helpers.h"
#include "util/path_list.h"
#include "util/text.h"

// ---- Window geometry --------------------------------------------------------

int captionExtra() { return GetSystemMetrics(SM_CYCAPTION) - 19; }

void sizeClientArea(HWND window, int width, int height, HWND bar)
{
    if (!window)
        return;
    RECT r = {0, 0, width, height};
    DWORD style = (DWORD)GetWindowLongPtrA(window, GWL_STYLE);
    DWORD exStyle = (DWORD)GetWindowLongPtrA(window, GWL_EXSTYLE);
    AdjustWindowRectEx(&r, style, GetMenu(window) != nullptr, exStyle);
    int barHeight = 0;
    RECT barRect;
    if (bar && GetWindowRect(bar, &barRect))
        barHeight = barRect.bottom - barRect.top;
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + barHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT centeredWindowOrigin(int screenWidth, int workAreaHeight, int clientWidth, int clientHeight)
{
    POINT p = {(screenWidth - clientWidth) / 2, (workAreaHeight - clientHeight) / 2 - 26};
    // A window taller or wider than the screen would otherwise lose its caption
    // above the top edge, where it can no longer be dragged.
    if (p.x < 0)
        p.x = 0;
    if (p.y < 0)
        p.y = 0;
    return p;
}

void centerWindow(HWND window)
{
    if (!window)
        return;
    RECT client, work;
    GetClientRect(window, &client);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    POINT p = centeredWindowOrigin(GetSystemMetrics(SM_CXSCREEN), work.bottom - work.top, client.right, client.bottom);
    // The rule centres the client area; the frame must not hang below the work area.
    RECT outer;
    GetWindowRect(window, &outer);
    if (p.y + (outer.bottom - outer.top) > work.bottom)
        p.y = work.bottom - (outer.bottom - outer.top);
    if (p.y < work.top)
        p.y = work.top;
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT centeredOver(const RECT &over, int outerW, int outerH, const RECT &work)
{
    POINT p = {over.left + (over.right - over.left - outerW) / 2, over.top + (over.bottom - over.top - outerH) / 2};
    if (p.x + outerW > work.right)
        p.x = work.right - outerW;
    if (p.y + outerH > work.bottom)
        p.y = work.bottom - outerH;
    if (p.x < work.left)
        p.x = work.left;
    if (p.y < work.top)
        p.y = work.top;
    return p;
}

void centerOnOwner(HWND window, HWND owner)
{
    if (!window)
        return;
    RECT work, over, mine;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &over))
        over = work;
    GetWindowRect(window, &mine);
    POINT p = centeredOver(over, mine.right - mine.left, mine.bottom - mine.top, work);
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Control shortcuts ------------------------------------------------------

bool getCheck(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void setCheck(HWND button, bool checked) { SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

int addComboEntry(HWND combo, const char *text)
{
    int index = (int)SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)(text ? text : ""));
    if (index == 0)
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
    return index;
}

int comboSelectedIndex(HWND combo) { return (int)SendMessageA(combo, CB_GETCURSEL, 0, 0); }

static std::string comboEntryText(HWND combo, int index)
{
    int length = (int)SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer((size_t)length + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, (LPARAM)buffer.data());
    return std::string(buffer.data());
}

std::string comboSelectedText(HWND combo)
{
    int index = comboSelectedIndex(combo);
    return index < 0 ? std::string() : comboEntryText(combo, index);
}

void selectComboIndex(HWND combo, int index) { SendMessageA(combo, CB_SETCURSEL, index, 0); }

int selectComboText(HWND combo, const char *text)
{
    if (!combo || !text)
        return -1;
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        if (equalsNoCase(comboEntryText(combo, i), text)) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            return i;
        }
    }
    return -1;
}

namespace {

LRESULT CALLBACK pathFieldProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    LRESULT result = DefSubclassProc(edit, msg, wp, lp);
    if (msg == WM_SETTEXT || msg == WM_SIZE) {
        const int end = GetWindowTextLengthA(edit);
        SendMessageA(edit, EM_SETSEL, end, end);
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    }
    return result;
}

}  // namespace

void showPathEnd(HWND edit)
{
    if (edit)
        SetWindowSubclass(edit, pathFieldProc, 1, 0);
}

// ---- The one interface font -------------------------------------------------

int uiFontHeightForDpi(int height, int dpi)
{
    if (dpi <= 96)
        return height;
    return (int)(height / (1.0 + (dpi - 96) * 1.041666 / 100.0));
}

HFONT uiFont()
{
    static HFONT font = nullptr;
    if (font)
        return font;
    LOGFONTA lf = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
    lf.lfWeight = FW_NORMAL;
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    lf.lfHeight = uiFontHeightForDpi(lf.lfHeight, dpi);
    font = CreateFontIndirectA(&lf);
    return font;
}

void applyUiFont(HWND control)
{
    if (control)
        SendMessageA(control, WM_SETFONT, (WPARAM)uiFont(), TRUE);
}

static BOOL CALLBACK applyUiFontToOne(HWND child, LPARAM)
{
    applyUiFont(child);
    return TRUE;
}

void applyUiFontToChildren(HWND window)
{
    if (window)
        EnumChildWindows(window, applyUiFontToOne, 0);
}

void setWindowTransparency(HWND window, COLORREF colourKey, BYTE alpha, DWORD mode)
{
    typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
    HMODULE user = GetModuleHandleA("User32.DLL");
    SetLayeredFn setLayered = user ? (SetLayeredFn)(void *)GetProcAddress(user, "SetLayeredWindowAttributes") : nullptr;
    if (!window || !setLayered)
        return;
    SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    setLayered(window, colourKey, alpha, mode);
}

// ---- Tooltips and balloons --------------------------------------------------

static HWND createTooltipWindow(HWND owner, HINSTANCE instance, DWORD extraStyle)
{
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | extraStyle,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    if (tip) {
        SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Without a maximum width a tooltip ignores the line breaks of its text.
        SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    return tip;
}

static TOOLINFOA toolFor(HWND owner, UINT_PTR id, UINT flags)
{
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = flags;
    ti.hwnd = owner;
    ti.uId = id;
    return ti;
}

HWND attachTooltip(HWND control, const char *text, HINSTANCE instance)
{
    if (!control || !text)
        return nullptr;
    HWND parent = GetParent(control);
    HWND tip = createTooltipWindow(parent ? parent : control, instance, 0);
    if (!tip)
        return nullptr;
    TOOLINFOA ti = toolFor(parent ? parent : control, (UINT_PTR)control, TTF_IDISHWND | TTF_SUBCLASS);
    ti.hinst = instance;
    ti.lpszText = const_cast<char *>(text);
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&ti);
    return tip;
}

HWND attachWindowBalloon(HWND window, const char *text, const char *title, int icon, HINSTANCE instance)
{
    if (!window || !text)
        return nullptr;
    HWND tip = createTooltipWindow(window, instance, TTS_BALLOON);
    if (!tip)
        return nullptr;
    TOOLINFOA ti = toolFor(window, 0, TTF_SUBCLASS | TTF_CENTERTIP);
    ti.hinst = instance;
    ti.lpszText = const_cast<char *>(text);
    GetClientRect(window, &ti.rect);
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&ti);
    if (title && *title)
        SendMessageA(tip, TTM_SETTITLEA, (WPARAM)icon, (LPARAM)title);
    return tip;
}

void detachWindowBalloon(HWND window, HWND tooltip)
{
    if (!tooltip || !IsWindow(tooltip))
        return;
    if (SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0) > 0) {
        TOOLINFOA ti = toolFor(window, 0, 0);
        SendMessageA(tooltip, TTM_DELTOOLA, 0, (LPARAM)&ti);
    }
    DestroyWindow(tooltip);
}

namespace {
struct OpenBalloon {
    HWND tip;
    TOOLINFOA tool;
    char *text;  // the tool's description, owned here
};

CRITICAL_SECTION balloonLock;
INIT_ONCE balloonLockOnce = INIT_ONCE_STATIC_INIT;
OpenBalloon openBalloons[kMaxOpenBalloons];
int openBalloonsCount = 0;

BOOL CALLBACK createBalloonLock(PINIT_ONCE, PVOID, PVOID *)
{
    InitializeCriticalSection(&balloonLock);
    return TRUE;
}

// Caller holds the lock. A tooltip can only be destroyed by its own thread; one
// owned by another thread is asked to close itself.
void closeBalloonsLocked()
{
    for (int i = 0; i < openBalloonsCount; ++i) {
        OpenBalloon &b = openBalloons[i];
        if (IsWindow(b.tip)) {
            if (GetWindowThreadProcessId(b.tip, nullptr) == GetCurrentThreadId()) {
                SendMessageA(b.tip, TTM_TRACKACTIVATE, FALSE, (LPARAM)&b.tool);
                SendMessageA(b.tip, TTM_DELTOOLA, 0, (LPARAM)&b.tool);
                DestroyWindow(b.tip);
            } else {
                PostMessageA(b.tip, WM_CLOSE, 0, 0);
            }
        }
        free(b.text);
        b = OpenBalloon();
    }
    openBalloonsCount = 0;
}
}  // namespace

void initBalloonLock() { InitOnceExecuteOnce(&balloonLockOnce, createBalloonLock, nullptr, nullptr); }

POINT balloonAnchor(const RECT &controlOnScreen, POINT pointer, bool atPointer)
{
    POINT p;
    p.x = atPointer ? pointer.x : (controlOnScreen.left + controlOnScreen.right) / 2;
    p.y = controlOnScreen.bottom;
    return p;
}

HWND showBalloon(HWND control, const char *text, const char *title, int icon, HINSTANCE instance, bool atPointer)
{
    if (!control || !text)
        return nullptr;
    initBalloonLock();
    EnterCriticalSection(&balloonLock);
    if (openBalloonsCount >= kMaxOpenBalloons)
        closeBalloonsLocked();
    HWND tip = createTooltipWindow(control, instance, TTS_BALLOON);
    if (tip) {
        OpenBalloon &b = openBalloons[openBalloonsCount];
        b.tip = tip;
        b.text = strdup(text);
        HWND parent = GetParent(control);
        b.tool = toolFor(parent ? parent : control, (UINT_PTR)control, TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE);
        b.tool.hinst = instance;
        b.tool.lpszText = b.text;
        SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&b.tool);
        if (title && *title)
            SendMessageA(tip, TTM_SETTITLEA, (WPARAM)icon, (LPARAM)title);
        RECT r;
        GetWindowRect(control, &r);
        POINT cursor = {0, 0};
        GetCursorPos(&cursor);
        POINT at = balloonAnchor(r, cursor, atPointer);
        SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
        SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, (LPARAM)&b.tool);
        ++openBalloonsCount;
    }
    LeaveCriticalSection(&balloonLock);
    return tip;
}

void closeBalloons()
{
    initBalloonLock();
    EnterCriticalSection(&balloonLock);
    closeBalloonsLocked();
    LeaveCriticalSection(&balloonLock);
}

int openBalloonCount()
{
    initBalloonLock();
    EnterCriticalSection(&balloonLock);
    int n = openBalloonsCount;
    LeaveCriticalSection(&balloonLock);
    return n;
}

// ---- Folder browser ---------------------------------------------------------

static const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
static const char kBrowserWidthValue[] = "Browse For Folder Width";
static const char kBrowserHeightValue[] = "Browse For Folder Height";
static const UINT kNewFolderButton = 0x3746;
static const UINT kReselectMessage = WM_APP + 0x3A1;

BrowserSize &browserSizeState()
{
    static BrowserSize state;
    return state;
}

bool adjustBrowserSize(BrowserSize &state, int storedW, int storedH, int workW, int workH)
{
    bool fits = storedW < workW && storedH < workH;
    if (state.adjusted) {
        if (fits) {
            state.width = storedW;
            state.height = storedH;
        }
        return false;
    }
    int wideW = workW * 40 / 100, tallH = workH * 55 / 100;
    if (storedW < wideW && storedH < tallH) {
        state.width = wideW;
        state.height = tallH;
        state.adjusted = true;
        return true;
    }
    if (fits) {
        state.width = storedW;
        state.height = storedH;
        state.adjusted = true;
    }
    return false;
}

static void rememberBrowserSize()
{
    DWORD width = 0, height = 0;
    if (!readRegDword(HKEY_CURRENT_USER, kExplorerKey, kBrowserWidthValue, &width) ||
        !readRegDword(HKEY_CURRENT_USER, kExplorerKey, kBrowserHeightValue, &height))
        return;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    BrowserSize &state = browserSizeState();
    if (adjustBrowserSize(state, (int)width, (int)height, work.right - work.left, work.bottom - work.top)) {
        writeRegDword(HKEY_CURRENT_USER, kExplorerKey, kBrowserWidthValue, (DWORD)state.width);
        writeRegDword(HKEY_CURRENT_USER, kExplorerKey, kBrowserHeightValue, (DWORD)state.height);
    }
}

namespace {
// What one open folder browser needs; only one browser is open at a time (it is modal).
struct BrowserSession {
    HWND dialog = nullptr;
    HWND embedded = nullptr;
    HWND formerParent = nullptr;
    WNDPROC formerProc = nullptr;
    std::string initialPath;
    std::string selection;  // file-system path of the selected tree item
    std::string typed;      // a valid folder typed into the edit box and confirmed
};
BrowserSession session;

HWND browserEdit(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        // Its own visible style: while the browser initialises the dialog itself is still hidden.
        if (lstrcmpiA(cls, "Edit") == 0 && (GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE))
            return child;
    }
    return nullptr;
}

void placeEmbedded(HWND dialog)
{
    if (!session.embedded)
        return;
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!ok)
        return;
    RECT okRect;
    GetWindowRect(ok, &okRect);
    MapWindowPoints(nullptr, dialog, (POINT *)&okRect, 2);
    int x = 8;
    HWND newFolder = GetDlgItem(dialog, kNewFolderButton);
    if (newFolder && IsWindowVisible(newFolder)) {
        RECT nf;
        GetWindowRect(newFolder, &nf);
        MapWindowPoints(nullptr, dialog, (POINT *)&nf, 2);
        x = nf.right + 8;
    }
    int y = okRect.top + 1;
    RECT now;
    GetWindowRect(session.embedded, &now);
    MapWindowPoints(nullptr, dialog, (POINT *)&now, 2);
    // Placed from the colour request, which also comes while painting: move only
    // when the place changed, or every move would paint and ask again.
    if (now.left != x || now.top != y)
        SetWindowPos(session.embedded, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void giveEmbeddedBack()
{
    if (!session.embedded)
        return;
    if (session.formerParent)
        SetParent(session.embedded, session.formerParent);
    SetWindowPos(session.embedded, nullptr, -1000, -1000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    session.embedded = nullptr;
}

bool isAbsolutePath(const std::string &path)
{
    return (path.size() >= 2 && path[1] == ':') || (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

// A typed name is taken relative to the selected folder unless it is a full path.
std::string resolveTyped(const std::string &typed)
{
    if (isAbsolutePath(typed) || session.selection.empty())
        return typed;
    std::string base = session.selection;
    if (findLastBackslash(base) != base.size() - 1)
        base += '\\';
    return base + typed;
}

std::string trimmed(const std::string &text)
{
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}

bool folderExists(const std::string &path)
{
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// The browser's own window procedure, watched for the colour request (placing the
// embedded control), OK (typed names) and its end.
LRESULT CALLBACK browserWatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC former = session.formerProc;
    switch (message) {
    case WM_CTLCOLORDLG:
        placeEmbedded(dialog);
        break;
    case kReselectMessage:
        // Wine sometimes lands the first selection of a process on another folder
        // (after a common dialog ran); selecting once more settles it.
        if (!session.initialPath.empty() && !equalsNoCase(session.selection, session.initialPath)) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)session.initialPath.c_str());
            if (HWND edit = browserEdit(dialog))
                SetWindowTextA(edit, session.initialPath.c_str());
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            HWND edit = browserEdit(dialog);
            char text[MAX_PATH] = {};
            if (edit)
                GetWindowTextA(edit, text, sizeof text);
            std::string typed = trimmed(text);
            session.typed.clear();
            if (!typed.empty() && typed != session.selection) {
                std::string full = resolveTyped(typed);
                if (full.size() >= MAX_PATH || !folderExists(full)) {
                    MessageBoxA(dialog, formatText("文件夹 %s 不存在", typed.c_str()).c_str(), "提示", MB_ICONERROR);
                    SetFocus(edit);
                    return 0;
                }
                session.typed = full;
            }
        }
        break;
    case WM_DESTROY:
        giveEmbeddedBack();
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)former);
        session.formerProc = nullptr;
        break;
    }
    return CallWindowProcA(former, dialog, message, wParam, lParam);
}

int CALLBACK browserEvents(HWND dialog, UINT message, LPARAM lParam, LPARAM)
{
    switch (message) {
    case BFFM_INITIALIZED: {
        session.dialog = dialog;
        if (session.embedded && IsWindowVisible(session.embedded)) {
            session.formerParent = GetParent(session.embedded);
            SetParent(session.embedded, dialog);
            placeEmbedded(dialog);
        } else {
            session.embedded = nullptr;
        }
        session.formerProc = (WNDPROC)SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)browserWatch);
        const BrowserSize &size = browserSizeState();
        if (size.width > 0 && size.height > 0) {
            RECT work;
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            int x = work.left + (work.right - work.left - size.width) / 2;
            int y = work.top + (work.bottom - work.top - size.height) / 2;
            MoveWindow(dialog, x, y, size.width, size.height, TRUE);
            placeEmbedded(dialog);
        }
        if (!session.initialPath.empty()) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)session.initialPath.c_str());
            PostMessageA(dialog, kReselectMessage, 0, 0);
            if (HWND edit = browserEdit(dialog))
                SetWindowTextA(edit, session.initialPath.c_str());
        }
        break;
    }
    case BFFM_SELCHANGED: {
        char path[MAX_PATH] = {};
        bool isFolder = lParam && SHGetPathFromIDListA((LPCITEMIDLIST)lParam, path) && path[0];
        SendMessageA(dialog, BFFM_ENABLEOK, 0, isFolder ? TRUE : FALSE);
        session.selection = isFolder ? path : "";
        if (isFolder)
            if (HWND edit = browserEdit(dialog))
                SetWindowTextA(edit, path);
        break;
    }
    case BFFM_VALIDATEFAILEDA:
        MessageBoxA(dialog, formatText("文件夹 %s 不存在", (const char *)lParam).c_str(), "提示", MB_ICONERROR);
        if (HWND edit = browserEdit(dialog))
            SetFocus(edit);
        return 1;
    }
    return 0;
}
}  // namespace

bool chooseFolder(HWND owner, const char *title, char *path, bool allowNewFolder, HWND embedded)
{
    if (!path)
        return false;
    rememberBrowserSize();
    // The new dialog style needs COM on this thread; it stays initialised for the process.
    OleInitialize(nullptr);

    session = BrowserSession();
    session.embedded = embedded;
    session.initialPath = path;

    char display[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.pszDisplayName = display;
    bi.lpszTitle = title;
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
    if (!allowNewFolder)
        bi.ulFlags |= BIF_NONEWFOLDERBUTTON;
    bi.lpfn = browserEvents;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    giveEmbeddedBack();

    bool ok = false;
    if (chosen) {
        char result[MAX_PATH] = {};
        if (!session.typed.empty()) {
            lstrcpynA(result, session.typed.c_str(), MAX_PATH);
            ok = true;
        } else {
            ok = SHGetPathFromIDListA(chosen, result) && result[0];
        }
        if (ok)
            lstrcpynA(path, result, MAX_PATH);
        CoTaskMemFree(chosen);
    }
    session = BrowserSession();
    return ok;
}

// ---- Open and save dialogs --------------------------------------------------

static void prepareDialog(OPENFILENAMEA &ofn, HINSTANCE instance, HWND owner, const char *title, const char *filter)
{
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = instance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrTitle = title;
}

bool chooseSaveFile(HINSTANCE instance, HWND owner, const char *title, const char *filter, const char *initialFolder,
                    char *path)
{
    if (!path)
        return false;
    char name[MAX_PATH] = {};
    OPENFILENAMEA ofn;
    prepareDialog(ofn, instance, owner, title, filter);
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = initialFolder && *initialFolder ? initialFolder : nullptr;
    ofn.lpstrDefExt = "sz";
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&ofn))
        return false;
    lstrcpynA(path, name, MAX_PATH);
    return true;
}

bool chooseOpenFile(HINSTANCE instance, HWND owner, const char *title, const char *filter, char *folder, char *path)
{
    if (!path || !folder)
        return false;
    char name[MAX_PATH] = {};
    OPENFILENAMEA ofn;
    prepareDialog(ofn, instance, owner, title, filter);
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return false;
    lstrcpynA(path, name, MAX_PATH);
    lstrcpynA(folder, dialogFolderOf(name).c_str(), MAX_PATH);
    return true;
}

bool chooseOpenFiles(HINSTANCE instance, HWND owner, const char *title, const char *filter, char *folder, PathList *list)
{
    if (!folder || !list)
        return false;
    const size_t kNamesSize = 1048576;
    std::vector<char> names(kNamesSize, '\0');
    OPENFILENAMEA ofn;
    prepareDialog(ofn, instance, owner, title, filter);
    ofn.lpstrFile = names.data();
    ofn.nMaxFile = (DWORD)kNamesSize;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return false;
    std::string chosenFolder;
    parseDialogSelection(names.data(), names.size(), chosenFolder, list);
    lstrcpynA(folder, chosenFolder.c_str(), MAX_PATH);
    return true;
}

// ---- Dialog hooks -----------------------------------------------------------

UINT_PTR CALLBACK centeringColourHook(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        centerWindow(dialog);
    return 0;
}

bool chooseColour(HWND owner, COLORREF *colour, COLORREF *custom)
{
    static COLORREF sharedCustom[16] = {};
    if (!colour)
        return false;
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = *colour;
    cc.lpCustColors = custom ? custom : sharedCustom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
    cc.lpfnHook = centeringColourHook;
    if (!ChooseColorA(&cc))
        return false;
    *colour = cc.rgbResult;
    return true;
}

// A message box of this thread as it is about to show, and what is done to it.
static HHOOK boxHook = nullptr;
static void (*boxAction)(HWND box) = nullptr;

static LRESULT CALLBACK onBoxActivate(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && boxAction) {
        HWND box = (HWND)wParam;
        char cls[16] = {};
        GetClassNameA(box, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0)
            boxAction(box);
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

static int messageBoxWith(void (*action)(HWND box), HWND owner, const char *text, const char *caption, UINT type)
{
    boxAction = action;
    boxHook = SetWindowsHookExA(WH_CBT, onBoxActivate, nullptr, GetCurrentThreadId());
    int answer = MessageBoxA(owner, text, caption, type);
    if (boxHook)
        UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
    boxAction = nullptr;
    return answer;
}

static void relabelReminderButtons(HWND box)
{
    SetDlgItemTextA(box, IDNO, "不再提示");
    SetDlgItemTextA(box, IDCANCEL, "否(&N)");
}

int askWithReminderButtons(HWND owner, const char *text, const char *caption, UINT type)
{
    return messageBoxWith(relabelReminderButtons, owner, text, caption, MB_YESNOCANCEL | type);
}

static void raiseAboveAll(HWND box) { SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

int messageBoxAboveAll(HWND owner, const char *text, const char *caption, UINT type)
{
    return messageBoxWith(raiseAboveAll, owner, text, caption, type | MB_TOPMOST);
}

// ---- Drawing ----------------------------------------------------------------

HBITMAP makeSwatch(int width, int height, COLORREF colour)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        return bitmap;
    COLORREF frame = GetSysColor(COLOR_3DDKSHADOW);
    size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    for (int y = 0; y < height; ++y) {
        BYTE *row = (BYTE *)bits + stride * (size_t)y;
        for (int x = 0; x < width; ++x) {
            bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            COLORREF c = edge ? frame : colour;
            row[x * 3 + 0] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    GdiFlush();
    return bitmap;
}
