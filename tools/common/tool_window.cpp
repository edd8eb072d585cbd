#include "tools/common/tool_window.h"

#include <commctrl.h>

#include <utility>

#include "core/run_end_text.h"
#include "input/discovery.h"
#include "res/resource.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"
#include "util/text.h"

namespace {

HWND hostWindow = nullptr;

DWORD WINAPI toolWorkerMain(LPVOID parameter)
{
    ToolSession *session = static_cast<ToolSession *>(parameter);
    HWND bar = session->progressBar;
    BatchReport report;
    // Posted, never sent: the window thread may be inside a message box.
    report.progress = [bar](int index, int total) {
        PostMessageA(bar, PBM_SETRANGE32, 0, (LPARAM)total);
        PostMessageA(bar, PBM_SETPOS, (WPARAM)(index - 1), 0);
    };
    report.logLine = [](const std::string &text) { showInfoMessage(text); };
    report.stopRequested = [session] { return session->stopRequested.load(); };
    session->outcome = session->work(report);
    PostMessageA(session->window, kToolRunEndedMessage, 0, 0);
    return 0;
}

int ask(const ToolSession &session, const char *text, const char *caption, UINT type)
{
    return runPrompts().messageBox(session.window, text, caption, type);
}

void restoreIfMinimised(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
}

// The end of a run; quietly: the user has already chosen to close the window.
void finishRun(ToolSession &s, bool quietly)
{
    if (s.thread) {
        WaitForSingleObject(s.thread, INFINITE);  // it has posted its end and is leaving
        CloseHandle(s.thread);
        s.thread = nullptr;
    }
    s.running = false;
    EnableWindow(s.startButton, TRUE);
    if (s.enableControls)
        s.enableControls(true);
    if (quietly) {
        s.stopRequested = false;
        returnToHostWindow(s.window);
    } else {
        // Every box of the end stays above the information window (always on top),
        // which the first failure of the run may have opened.
        const UINT kAbove = MB_TOPMOST | MB_SETFOREGROUND;
        if (s.outcome.end == ToolRunEnd::Failed)
            ask(s, s.outcome.message.c_str(), "错误", MB_OK | MB_ICONERROR | kAbove);
        else if (s.outcome.end == ToolRunEnd::NothingToDo)
            ask(s, kNothingToDoText, "提示", MB_OK | MB_ICONWARNING | kAbove);
        if (s.stopRequested) {
            ask(s, "任务已中止", "提示", MB_OK | MB_ICONWARNING | kAbove);
            s.stopRequested = false;
            returnToHostWindow(s.window);
        } else if (s.outcome.end == ToolRunEnd::Completed) {
            SendMessageA(s.progressBar, PBM_SETPOS, (WPARAM)s.outcome.summary.total, 0);
            restoreIfMinimised(s.window);
            RunEndBox box = runEndBox(s.outcome.summary, "图片处理已完成", "是否查看处理后的图片？");
            if (ask(s, box.text.c_str(), box.caption, box.type) == IDYES && box.offersFolder && s.resultFolder)
                runPrompts().openFolder(s.window, s.resultFolder().c_str());
        }
    }
    SendMessageA(s.progressBar, PBM_SETPOS, 0, 0);
    if (s.afterRun)
        s.afterRun();
}

bool chooseFolderWithTitle(HWND owner, const char *title, std::string &folder, bool refuseRoots)
{
    char path[MAX_PATH] = {};
    lstrcpynA(path, folder.c_str(), sizeof path);
    for (;;) {
        if (!runPrompts().chooseFolder(owner, title, path) || !path[0])
            return false;
        if (refuseRoots && isDriveRoot(path)) {
            runPrompts().messageBox(owner, formatText("暂不支持添加根目录：[%s]，请选择下一级文件夹。", path).c_str(),
                                    "错误", MB_OK | MB_ICONERROR);
            continue;
        }
        folder = path;
        return true;
    }
}

HINSTANCE registerToolClass(const char *className, WNDPROC proc)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    // The program's own icons: the large one for Alt+Tab, the small one for the caption.
    wc.hIcon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                 GetSystemMetrics(SM_CYICON), LR_SHARED);
    wc.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP_SMALL), IMAGE_ICON,
                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return instance;
}

}  // namespace

HWND createToolWindow(const char *className, const char *title, WNDPROC proc, int width, int height,
                      bool clientSize)
{
    HINSTANCE instance = registerToolClass(className, proc);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                  width, height, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    if (clientSize)
        sizeClientArea(window, width, height);
    centerWindow(window);
    return window;
}

HWND addToolControl(HWND parent, const char *cls, const char *text, DWORD style, int x, int y, int width,
                    int height, int id, DWORD exStyle)
{
    return CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                           (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
}

std::string toolControlText(HWND control)
{
    char text[MAX_PATH * 2] = {};
    GetWindowTextA(control, text, sizeof text);
    return text;
}

bool handleToolWindowMessage(ToolSession &s, UINT msg, LRESULT &result)
{
    switch (msg) {
    case WM_CLOSE:
        closeToolWindow(s);
        result = 0;
        return true;
    case kToolRunEndedMessage:
        toolRunEnded(s);
        result = 0;
        return true;
    case WM_SETCURSOR:
        if (!toolSetCursor(s))
            return false;
        result = TRUE;
        return true;
    default:
        return false;
    }
}

void setToolHostWindow(HWND mainWindow) { hostWindow = mainWindow; }
HWND toolHostWindow() { return hostWindow; }

void showToolWindow(HWND tool, bool maximised)
{
    if (hostWindow)
        ShowWindow(hostWindow, SW_HIDE);
    ShowWindow(tool, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
    restoreIfMinimised(tool);
    SetForegroundWindow(tool);
    BringWindowToTop(tool);
}

void returnToHostWindow(HWND tool)
{
    ShowWindow(tool, SW_HIDE);
    if (hostWindow) {
        ShowWindow(hostWindow, SW_SHOW);
        SetForegroundWindow(hostWindow);
        BringWindowToTop(hostWindow);
    }
}

bool confirmOverwriteOriginals(HWND owner)
{
    return runPrompts().messageBox(owner, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要覆盖原图吗？", "注意",
                                   MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

bool chooseToolSourceFolder(HWND owner, std::string &folder)
{
    return chooseFolderWithTitle(owner, "源图片文件夹：", folder, true);
}

bool chooseToolOutputFolder(HWND owner, std::string &folder)
{
    return chooseFolderWithTitle(owner, "图片处理后保存到：", folder, false);
}

void startToolRun(ToolSession &s, std::function<ToolRunOutcome(const BatchReport &report)> work)
{
    if (s.thread) {
        CloseHandle(s.thread);
        s.thread = nullptr;
    }
    // A stop asked for in an earlier run must not end this one.
    s.stopRequested = false;
    s.outcome = ToolRunOutcome();
    s.work = std::move(work);
    s.endArrived = false;
    s.running = true;
    EnableWindow(s.startButton, FALSE);
    DWORD id = 0;
    s.thread = CreateThread(nullptr, 0, toolWorkerMain, &s, 0, &id);
    if (!s.thread) {
        s.running = false;
        ask(s, "启动线程失败", "提示", MB_OK | MB_ICONERROR);
        ExitProcess((UINT)-1);
    }
    if (s.enableControls)
        s.enableControls(false);
}

void closeToolWindow(ToolSession &s)
{
    if (!s.running) {
        returnToHostWindow(s.window);
        return;
    }
    restoreIfMinimised(s.window);
    s.askingClose = true;
    s.endArrived = false;
    int answer = ask(s, "当前正在处理图片，关闭窗口将中断当前的图片处理。\n\n确定要关闭窗口吗？", "询问",
                     MB_OKCANCEL | MB_ICONQUESTION);
    s.askingClose = false;
    if (s.endArrived) {
        s.endArrived = false;
        finishRun(s, answer == IDOK);
        return;
    }
    if (answer == IDOK)
        s.stopRequested = true;
}

void toolRunEnded(ToolSession &s)
{
    if (!s.running)
        return;
    if (s.askingClose) {
        s.endArrived = true;  // handled once the question is answered
        return;
    }
    finishRun(s, false);
}

bool toolSetCursor(const ToolSession &s)
{
    if (!s.running)
        return false;
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    return true;
}

HWND createResizableToolWindow(const char *className, const char *title, WNDPROC proc, int width, int height)
{
    HINSTANCE instance = registerToolClass(className, proc);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (window)
        centerWindow(window);
    return window;
}

void bindToolSession(ToolSession &session, HWND window, HWND progressBar, HWND startButton,
                     std::function<void(bool enable)> enableControls, std::function<std::string()> resultFolder)
{
    session.window = window;
    session.progressBar = progressBar;
    session.startButton = startButton;
    session.enableControls = std::move(enableControls);
    session.resultFolder = std::move(resultFolder);
}
