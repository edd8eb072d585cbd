#include "app/save_mode_dialog.h"

#include "ui/run_prompts.h"
#include "app/save_group.h"
#include "ui/window_kit.h"

const char kSaveModeDialogClass[] = "VelmoraSaveModeDialog";

namespace {

const char *const kChoiceTexts[3] = {
    "图片处理完成后，取消上次的选择，处理下一批图片前，需要重新选择。",
    "图片处理完成后，如果选择的是【处理后保存到】，将保持选中该选项。",
    "图片处理完成后，无论选择【处理后保存到】还是【直接覆盖原图】，保持当前的选择。",
};

// Layout of the client area.
const int kMargin = 20;
const int kClientWidth = 600;
const int kRowHeight = 24;
const int kRowStep = 30;
const int kButtonWidth = 96;
const int kButtonHeight = 28;

struct DialogState {
    HWND window = nullptr;
    HWND owner = nullptr;
    HWND choices[3] = {};
    HWND note = nullptr;
    int shownChoice = 0;  // the choice as the radio buttons show it
    bool open = false;
    bool saved = false;
};

DialogState dlg;

void showChoice(int value)
{
    dlg.shownChoice = value;
    for (int i = 0; i < 3; ++i)
        setCheck(dlg.choices[i], i == value);
}

void onChoice(int value)
{
    if (value == 2 && dlg.shownChoice != 2) {
        int answer = runPrompts().messageBox(
            dlg.window, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要选择该选项吗？", "注意",
            MB_OKCANCEL | MB_ICONWARNING);
        if (answer != IDOK) {
            showChoice(dlg.shownChoice);
            return;
        }
    }
    showChoice(value);
}

void close(bool saved)
{
    dlg.saved = saved;
    dlg.open = false;
    PostMessageA(dlg.window, WM_NULL, 0, 0);
}

LRESULT CALLBACK saveModeDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id >= kSaveModeFirstChoiceId && id < kSaveModeFirstChoiceId + 3 && HIWORD(wp) == BN_CLICKED)
            onChoice(id - kSaveModeFirstChoiceId);
        else if (id == kSaveModeSaveId)
            close(true);
        else if (id == kSaveModeCancelId || id == IDCANCEL)
            close(false);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if ((HWND)lp == dlg.note) {
            HDC dc = (HDC)wp;
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
        }
        break;
    case WM_CLOSE:
        close(false);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

HWND saveModeDialogHandle() { return dlg.window; }

HWND createSaveModeDialog(HINSTANCE instance, HWND owner)
{
    if (dlg.window)
        return dlg.window;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = saveModeDialogProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kSaveModeDialogClass;
    RegisterClassExA(&wc);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    const int noteTop = kMargin + 3 * kRowStep + 6;
    const int buttonsTop = noteTop + kRowHeight + 14;
    RECT r = {0, 0, kClientWidth, buttonsTop + kButtonHeight + kMargin};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND w = CreateWindowExA(exStyle, kSaveModeDialogClass, "设置图片处理完成后, 下一次的保存模式", style, 0, 0,
                             r.right - r.left, r.bottom - r.top, owner, nullptr, instance, nullptr);
    if (!w)
        return nullptr;
    dlg.window = w;
    dlg.owner = owner;
    const int width = kClientWidth - 2 * kMargin;
    for (int i = 0; i < 3; ++i)
        dlg.choices[i] = CreateWindowExA(0, "BUTTON", kChoiceTexts[i],
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON | (i == 0 ? WS_GROUP : 0),
                                         kMargin, kMargin + i * kRowStep, width, kRowHeight, w,
                                         (HMENU)(INT_PTR)(kSaveModeFirstChoiceId + i), instance, nullptr);
    dlg.note = CreateWindowExA(0, "STATIC", "注意：【直接覆盖原图】可能会造成无法挽回的损失，建议一般情况下不要选择该选项。",
                               WS_CHILD | WS_VISIBLE, kMargin, noteTop, width, kRowHeight, w,
                               (HMENU)(INT_PTR)kSaveModeNoteId, instance, nullptr);
    const int cancelLeft = kClientWidth - kMargin - kButtonWidth;
    CreateWindowExA(0, "BUTTON", "保存设置", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                    cancelLeft - 12 - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight, w,
                    (HMENU)(INT_PTR)kSaveModeSaveId, instance, nullptr);
    CreateWindowExA(0, "BUTTON", "取消", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, cancelLeft, buttonsTop,
                    kButtonWidth, kButtonHeight, w, (HMENU)(INT_PTR)kSaveModeCancelId, instance, nullptr);
    applyUiFontToChildren(w);
    return w;
}

bool runSaveModeDialog(HWND owner, int &picSaveMode)
{
    if (!dlg.window || dlg.open)
        return false;
    if (owner && owner != dlg.owner) {
        SetWindowLongPtrA(dlg.window, GWLP_HWNDPARENT, (LONG_PTR)owner);
        dlg.owner = owner;
    }
    showChoice(picSaveModeFromStored(true, (DWORD)picSaveMode));
    dlg.open = true;
    dlg.saved = false;
    centerOnOwner(dlg.window, dlg.owner);
    if (dlg.owner)
        EnableWindow(dlg.owner, FALSE);
    ShowWindow(dlg.window, SW_SHOW);
    SetForegroundWindow(dlg.window);

    bool quit = false;
    int quitCode = 0;
    MSG msg;
    while (dlg.open) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            quitCode = got == 0 ? (int)msg.wParam : 0;
            break;
        }
        if (!IsDialogMessageA(dlg.window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    dlg.open = false;
    if (dlg.owner)
        EnableWindow(dlg.owner, TRUE);
    ShowWindow(dlg.window, SW_HIDE);
    if (dlg.owner)
        SetForegroundWindow(dlg.owner);
    if (quit) {
        PostQuitMessage(quitCode);
        return false;
    }
    if (!dlg.saved)
        return false;
    picSaveMode = dlg.shownChoice;
    writePicSaveMode(picSaveMode);
    return true;
}
