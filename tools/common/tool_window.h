// What every folder tool's window does the same way: opening over a hidden main
// window and handing back to it, choosing the source folder, running the job on a
// worker thread with the two shared flags, the close question during a run, and
// the end of a run with its messages. The tool's window file owns its controls
// and calls these; the boxes go through runPrompts() (ui/run_prompts.h).
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "tools/common/tool_run.h"

// Posted by a worker to its tool window when the run has ended.
constexpr UINT kToolRunEndedMessage = WM_APP + 0x120;

// One tool window's runs. The window thread writes `running` (set at the start,
// cleared when the end message arrives) and `stopRequested` (set by the close
// question, cleared at every start); the worker only reads stopRequested.
struct ToolSession {
    HWND window = nullptr;       // receives kToolRunEndedMessage
    HWND progressBar = nullptr;  // 0..count while a run goes on
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    HANDLE thread = nullptr;
    std::function<ToolRunOutcome(const BatchReport &report)> work;
    ToolRunOutcome outcome;  // written by the worker before it posts the end

    // The start button and the groups of controls a run disables (the tool says
    // which: enableControls(false) at the start, (true) first thing at the end).
    HWND startButton = nullptr;
    std::function<void(bool enable)> enableControls;
    // The tool's last step of every run's end.
    std::function<void()> afterRun;
    // The folder the completion question offers to open.
    std::function<std::string()> resultFolder;

    bool askingClose = false;  // the close question is open
    bool endArrived = false;   // the run ended while it was
};

// Ties a tool window's session to its window, progress bar, start button, the
// groups a run disables and the folder its completion question opens.
void bindToolSession(ToolSession &session, HWND window, HWND progressBar, HWND startButton,
                     std::function<void(bool enable)> enableControls, std::function<std::string()> resultFolder);

// Registers the class (once) and creates a tool's top-level window, hidden and
// centred (centerWindow): not resizable (system menu and minimise box only),
// width x height being its client area (clientSize) or the whole window.
HWND createToolWindow(const char *className, const char *title, WNDPROC proc, int width, int height,
                      bool clientSize);
// A child control of a tool window.
HWND addToolControl(HWND parent, const char *cls, const char *text, DWORD style, int x, int y, int width,
                    int height, int id, DWORD exStyle = 0);
std::string toolControlText(HWND control);
// The messages every tool window answers the same way: WM_CLOSE (closeToolWindow),
// kToolRunEndedMessage (toolRunEnded) and WM_SETCURSOR (the wait cursor during a
// run). true with result when msg was one of them and is answered.
bool handleToolWindowMessage(ToolSession &session, UINT msg, LRESULT &result);

// The main window the tools hide while they are open (set once by the program).
void setToolHostWindow(HWND mainWindow);
HWND toolHostWindow();
// Hides the main window and shows, restores and raises the tool window
// (maximised: shown maximised in one step, so a window manager sees one size).
void showToolWindow(HWND tool, bool maximised = false);
// Hides the tool window and shows and raises the main window.
void returnToHostWindow(HWND tool);

// A row of check boxes standing for bits of a mask: controls[i] for boxes[i].bit
// (Box: a tool's table entry with a `bit`).
template <class Box>
unsigned checkedBits(const std::vector<HWND> &controls, const std::vector<Box> &boxes)
{
    unsigned mask = 0;
    for (size_t i = 0; i < boxes.size() && i < controls.size(); ++i)
        if (SendMessageA(controls[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            mask |= 1u << boxes[i].bit;
    return mask;
}
template <class Box>
void checkBits(const std::vector<HWND> &controls, const std::vector<Box> &boxes, unsigned mask)
{
    for (size_t i = 0; i < boxes.size() && i < controls.size(); ++i)
        SendMessageA(controls[i], BM_SETCHECK, ((mask >> boxes[i].bit) & 1) ? BST_CHECKED : BST_UNCHECKED, 0);
}

// "直接覆盖原图" chosen: the question "直接覆盖原图，有可能因参数设置错误造成无法挽回
// 的局面。\n\n确定要覆盖原图吗？" (注意, OK/Cancel); true for OK.
bool confirmOverwriteOriginals(HWND owner);

// The source "选择..." button: the folder browser "源图片文件夹：" starting at
// folder; a drive root is refused ("暂不支持添加根目录：[%s]，请选择下一级文件夹。",
// "错误") and the browser opens again. true with the choice in folder.
bool chooseToolSourceFolder(HWND owner, std::string &folder);
// The output "选择..." button: the folder browser "图片处理后保存到：".
bool chooseToolOutputFolder(HWND owner, std::string &folder);

// Disables the start button, starts work on a thread of its own after clearing
// the stop flag and setting running, and disables the tool's controls. The worker's report: progress moves the bar, a picture that was not
// written goes to the information window, the stop flag is read between
// pictures; at its end it posts kToolRunEndedMessage. When no thread can be
// made: "启动线程失败" and the program ends, as at start-up.
void startToolRun(ToolSession &session, std::function<ToolRunOutcome(const BatchReport &report)> work);

// The window's close. Idle: the window goes back to the main window. During a
// run: restored if minimised, then "当前正在处理图片，关闭窗口将中断当前的图片处理。
// \n\n确定要关闭窗口吗？" (询问, OK/Cancel); OK sets the stop flag and the end
// of the run closes the window; Cancel keeps everything. If the run ends while
// the question is open, OK simply closes the window and Cancel finishes the run
// as usual.
void closeToolWindow(ToolSession &session);

// kToolRunEndedMessage: the end of a run with its messages — the run's own box
// (a failure, nothing found), then either "任务已中止" and back to the main
// window (a stop was asked for) or the completion question "图片处理已完成，
// 是否查看处理后的图片？" whose Yes opens resultFolder().
void toolRunEnded(ToolSession &session);

// WM_SETCURSOR: the wait cursor over the window during a run (true: set).
bool toolSetCursor(const ToolSession &session);

// A tool window with a live preview: resizable (the tool keeps its own minimum
// size), hidden, width x height as the window's size when it is restored.
HWND createResizableToolWindow(const char *className, const char *title, WNDPROC proc, int width, int height);
