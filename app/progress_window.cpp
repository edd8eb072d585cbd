#include "app/progress_window.h"

#include <commctrl.h>

#include "core/batch_run.h"
#include "ui/window_kit.h"

const char kProgressWindowClass[] = "Process";

namespace {

const UINT kProgressMessage = WM_USER + 2;  // wParam: 1-based item number
const UINT kCallMessage = WM_USER + 3;      // lParam: const std::function<void()> *

struct ProgressState {
    HWND window = nullptr;
    HWND owner = nullptr;
    HWND bar = nullptr;
    HWND stop = nullptr;
    HWND status = nullptr;
    int total = 0;
    ProgressScale scale;
    // progressActive: 1 while the modal loop runs; cleared by "停止" and by completion.
    bool active = false;
    bool running = false;
    bool completed = false;
};

ProgressState state;

void endLoop()
{
    state.active = false;
    // Wakes the modal loop, which is waiting in GetMessage.
    PostMessageA(state.window, WM_NULL, 0, 0);
}

void onProgress(int index)
{
    SetWindowTextA(state.status, progressStatusText(state.total, index).c_str());
    SendMessageA(state.bar, PBM_SETPOS, (WPARAM)progressPositionFor(index, state.scale), 0);
}

void onStop()
{
    if (!state.active)
        return;
    requestBatchStop();
    endLoop();
}

void onRunFinished(WPARAM wp, LPARAM lp)
{
    state.completed = true;
    if (state.owner)
        SendMessageA(state.owner, kRunFinishedMessage, wp, lp);
    endLoop();
}

LRESULT CALLBACK progressWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == kProgressStopId && HIWORD(wp) == BN_CLICKED)
            onStop();
        return 0;
    case kProgressMessage:
        onProgress((int)wp);
        return 0;
    case kRunFinishedMessage:
        onRunFinished(wp, lp);
        return 0;
    case kCallMessage:
        if (lp)
            (*reinterpret_cast<const std::function<void()> *>(lp))();
        return 0;
    case WM_CLOSE:
        // A run ends with "停止" only; closing the window would leave the worker unseen.
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void placeOverOwner()
{
    centerOnOwner(state.window, state.owner);
    SetWindowPos(state.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Serves messages (sent ones included) until the thread has ended.
bool waitServingMessages(HANDLE thread, int &quitCode)
{
    bool quit = false;
    while (thread && MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = (int)msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return quit;
}

}  // namespace

HWND createProgressWindow(HINSTANCE instance, HWND owner)
{
    if (state.window)
        return state.window;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = progressWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kProgressWindowClass;
    RegisterClassExA(&wc);
    HWND w = CreateWindowExA(WS_EX_DLGMODALFRAME, kProgressWindowClass, "处理进度",
                             WS_POPUP | WS_CAPTION | WS_DLGFRAME, 0, 0, 353, 110, owner, nullptr, instance,
                             nullptr);
    if (!w)
        return nullptr;
    state.window = w;
    state.owner = owner;
    state.bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 16, 22, 239, 23, w,
                                (HMENU)(INT_PTR)kProgressBarId, instance, nullptr);
    state.stop = CreateWindowExA(0, "BUTTON", "停止", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 265, 21,
                                 66, 25, w, (HMENU)(INT_PTR)kProgressStopId, instance, nullptr);
    state.status = CreateWindowExA(0, "STATIC", "共 33 张图片，正在处理第 26 张。", WS_CHILD | WS_VISIBLE, 16, 55,
                                   318, 21, w, (HMENU)(INT_PTR)kProgressStatusId, instance, nullptr);
    applyUiFontToChildren(w);
    return w;
}

HWND progressWindowHandle() { return state.window; }

bool progressRunning() { return state.running; }

ProgressEnd runProgress(HWND owner, int total, HANDLE worker)
{
    if (state.active || state.running || !state.window)
        return ProgressEnd::Refused;
    if (owner && owner != state.owner) {
        // The window stays above the window that started the run.
        SetWindowLongPtrA(state.window, GWLP_HWNDPARENT, (LONG_PTR)owner);
        state.owner = owner;
    }
    state.running = true;
    state.completed = false;
    state.total = total;
    state.scale = progressScaleFor(total);
    SendMessageA(state.bar, PBM_SETRANGE, 0, MAKELPARAM(0, state.scale.maximum));
    SendMessageA(state.bar, PBM_SETPOS, 0, 0);
    SetWindowTextA(state.status, progressStatusText(total, 1).c_str());

    state.active = true;
    placeOverOwner();
    ShowWindow(state.window, SW_SHOW);
    SetForegroundWindow(state.window);
    BringWindowToTop(state.window);
    if (state.owner)
        EnableWindow(state.owner, FALSE);

    bool quit = false;
    int quitCode = 0;
    MSG msg;
    while (state.active) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is closing: the worker stops at the next picture.
            quit = true;
            quitCode = got == 0 ? (int)msg.wParam : 0;
            requestBatchStop();
            state.active = false;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ShowWindow(state.window, SW_HIDE);

    // The worker may still be inside its last picture: the main window comes back
    // only once it has ended.
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    if (waitServingMessages(worker, quitCode))
        quit = true;
    SetCursor(previous);
    if (state.owner) {
        EnableWindow(state.owner, TRUE);
        SetForegroundWindow(state.owner);
    }
    state.running = false;
    if (quit)
        PostQuitMessage(quitCode);
    return state.completed && !batchStopRequested() ? ProgressEnd::Completed : ProgressEnd::Stopped;
}

void reportProgress(int index)
{
    if (state.window)
        SendMessageA(state.window, kProgressMessage, (WPARAM)index, 0);
}

void reportCompletion()
{
    if (state.window)
        SendMessageA(state.window, kRunFinishedMessage, 0, 0);
}

void runOnWindowThread(const std::function<void()> &fn)
{
    if (state.window)
        SendMessageA(state.window, kCallMessage, 0, reinterpret_cast<LPARAM>(&fn));
    else
        fn();
}
