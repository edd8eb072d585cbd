#include "app/input_rules.h"

#include <commctrl.h>

#include "app/context_help.h"
#include "ui/info_window.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "tools/crop/crop_window.h"
#include "ui/window_kit.h"

namespace {

// Settings fields where Enter applies the field, and the five among them where
// the wheel would otherwise step a number (and so scrolls the panel instead).
const int kEnterFields[] = {kIdSizeField,  kIdMaxSizeField, kIdText,        kIdTextWValue, kIdTextHValue,
                            kIdTextFillLR, kIdTextFillTB,   kIdImageWValue, kIdImageHValue, kIdDpiField};
const int kWheelFields[] = {kIdSizeField, kIdTextWValue, kIdTextHValue, kIdImageWValue, kIdImageHValue};

template <size_t N>
bool isPanelField(HWND panel, HWND window, const int (&ids)[N])
{
    if (!panel || !window)
        return false;
    for (int id : ids)
        if (panelControl(panel, id) == window)
            return true;
    return false;
}

bool hasClass(HWND window, const char *name)
{
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

POINT wheelPoint(const MSG &msg)
{
    POINT p = {(short)LOWORD(msg.lParam), (short)HIWORD(msg.lParam)};
    return p;
}

// ---- 1. Busy ---------------------------------------------------------------------

bool heldWhileListBusy(const MSG &msg)
{
    return pictureListBlocksMessage(msg);
}

// ---- 2. Balloons -----------------------------------------------------------------

void closeBalloonsOnPress(const MSG &msg)
{
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (openBalloonCount() > 0)
            closeBalloons();
        break;
    }
}

// ---- 3. Wheel --------------------------------------------------------------------

// True when the message was used up (sent on or dropped).
bool routeWheel(const MSG &msg)
{
    if (msg.message != WM_MOUSEWHEEL)
        return false;
    HWND main = theMainWindow();
    HWND panel = mainSettingsPanel(main);
    HWND list = mainPictureList(main);
    HWND focus = msg.hwnd;
    bool panelScrolls = panel && settingsPanelCanScroll(panel);
    if (isPanelField(panel, focus, kWheelFields)) {
        if (panelScrolls)
            SendMessageA(panel, WM_MOUSEWHEEL, msg.wParam, msg.lParam);
        return true;
    }
    if (list && focus == list) {
        HWND under = WindowFromPoint(wheelPoint(msg));
        if (under == list)
            return false;
        for (HWND w = under; w; w = GetParent(w)) {
            if (w == panel) {
                if (!panelScrolls)
                    return false;
                SendMessageA(panel, WM_MOUSEWHEEL, msg.wParam, msg.lParam);
                return true;
            }
        }
        return false;
    }
    // A slider or a drop-down list never changes its value by the wheel.
    if (hasClass(focus, TRACKBAR_CLASSA) || hasClass(focus, "ComboBox")) {
        if (panelScrolls) {
            if (hasClass(focus, "ComboBox"))
                SendMessageA(focus, CB_SHOWDROPDOWN, FALSE, 0);
            SendMessageA(panel, WM_MOUSEWHEEL, msg.wParam, msg.lParam);
        }
        return true;
    }
    return false;
}

// ---- 4. Characters ---------------------------------------------------------------

// A Tab inserts nothing; only in the crop tool's number fields it moves the
// focus within the field's group.
bool handleTab(const MSG &msg)
{
    if (HWND next = cropFieldAfterTab(msg.hwnd))
        SetFocus(next);
    return true;
}

bool handleEnter(const MSG &msg)
{
    HWND panel = mainSettingsPanel(theMainWindow());
    if (isPanelField(panel, msg.hwnd, kEnterFields)) {
        SendMessageA(panel, WM_CHAR, 13, reinterpret_cast<LPARAM>(msg.hwnd));
        return true;
    }
    return false;
}

bool handleEscape(const MSG &msg)
{
    HWND main = theMainWindow();
    if (pictureListPreviewShown() && main && GetActiveWindow() == main) {
        // The preview command closes a preview that is showing.
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(kCmdPreview, 0), 0);
        return true;
    }
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root && hasClass(root, "Browser") && GetActiveWindow() == root) {
        SendMessageA(root, WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

bool handleCharacter(const MSG &msg)
{
    if (msg.message != WM_CHAR)
        return false;
    switch (msg.wParam) {
    case 1:  // Ctrl+A
        if (msg.hwnd && msg.hwnd == mainPictureList(theMainWindow()))
            selectAllPictures();
        return false;
    case 9:
        return handleTab(msg);
    case 13:
        return handleEnter(msg);
    case 27:
        return handleEscape(msg);
    }
    return false;
}

// ---- 5. Keys ---------------------------------------------------------------------

bool handleKey(const MSG &msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    HWND main = theMainWindow();
    switch (msg.wParam) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if (!pictureListPreviewShown() || !main || GetActiveWindow() != main)
            return false;
        if (!hasClass(msg.hwnd, kMainWindowClass) && !hasClass(msg.hwnd, "Preview") && !hasClass(msg.hwnd, "Button"))
            return false;
        int delta = msg.wParam == VK_LEFT || msg.wParam == VK_UP ? -1 : 1;
        if (!stepPreview(delta))
            MessageBeep(MB_ICONHAND);
        return true;
    }
    case VK_DELETE: {
        HWND list = mainPictureList(main);
        if (list && msg.hwnd == list && ListView_GetSelectedCount(list) > 0) {
            removeSelectedImages();
            return true;
        }
        return false;
    }
    case VK_F2:
        return handleInfoWindowKey(msg);
    }
    return false;
}

}  // namespace

void handleQueuedMessage(MSG &msg)
{
    TranslateMessage(&msg);
    if (heldWhileListBusy(msg))
        return;
    closeBalloonsOnPress(msg);
    if (contextHelpTakesMessage(msg))
        return;
    if (routeWheel(msg) || handleCharacter(msg) || handleKey(msg))
        return;
    DispatchMessageA(&msg);
}

int runMessageLoop()
{
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0)
        handleQueuedMessage(msg);
    return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

void pumpQueuedMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        handleQueuedMessage(msg);
    }
}
