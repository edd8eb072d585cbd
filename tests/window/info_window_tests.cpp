// The information window with real windows: creation, appending in order from
// the window thread and from workers, trimming, F2 and closing, the headless sink.
#include "gtest.h"

#include <windows.h>
#include <cstring>
#include <string>
#include <vector>

#include "ui/info_window.h"
#include "util/text.h"

namespace {

void pumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND editOf(HWND window) { return FindWindowExA(window, nullptr, "EDIT", nullptr); }

// Where two long texts part, for a short failure message.
std::string firstDifference(const std::string &a, const std::string &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (i == a.size() && i == b.size())
        return "same";
    return formatText("sizes %zu and %zu, first difference at byte %zu", a.size(), b.size(), i);
}

std::string logText()
{
    HWND edit = editOf(infoWindowHandle());
    int length = GetWindowTextLengthA(edit);
    std::string text((size_t)length + 1, '\0');
    text.resize((size_t)GetWindowTextA(edit, &text[0], length + 1));
    return text;
}

class InfoWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = createInfoWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
        pumpMessages();
        SetWindowTextA(editOf(window), "");
        ShowWindow(window, SW_HIDE);
    }
    void TearDown() override
    {
        setInfoMessageSink(nullptr, nullptr);
        // Leave no visible window behind for the tests that follow.
        if (infoWindowHandle())
            ShowWindow(infoWindowHandle(), SW_HIDE);
        pumpMessages();
    }
    HWND window = nullptr;
};

struct Capture {
    CRITICAL_SECTION lock;
    std::vector<std::string> texts;
    Capture() { InitializeCriticalSection(&lock); }
    ~Capture() { DeleteCriticalSection(&lock); }
    static void sink(const char *text, void *context)
    {
        Capture *c = static_cast<Capture *>(context);
        EnterCriticalSection(&c->lock);
        c->texts.push_back(text);
        LeaveCriticalSection(&c->lock);
    }
};

const int kPerWorker = 60;

DWORD WINAPI workerLogs(void *param)
{
    int id = (int)(INT_PTR)param;
    for (int i = 0; i < kPerWorker; ++i)
        showInfoMessage(formatText("无法读取的图片:\r\nworker%d-%03d", id, i));
    return 0;
}

DWORD WINAPI workerLogsOnce(void *)
{
    showInfoMessage("from worker");
    return 0;
}

}  // namespace

TEST_F(InfoWindowTest, CreatedOnceHiddenAsAnAlwaysOnTopToolWindow)
{
    EXPECT_EQ(createInfoWindow(GetModuleHandleA(nullptr)), window) << "created once";
    EXPECT_EQ(infoWindowHandle(), window);
    EXPECT_FALSE(IsWindowVisible(window));
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "信息 - F2");
    LONG_PTR ex = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 616);
    EXPECT_EQ(r.bottom - r.top, 168);

    HWND edit = editOf(window);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetWindow(edit, GW_HWNDNEXT), nullptr) << "the edit box is the only child";
    LONG_PTR editStyle = GetWindowLongPtrA(edit, GWL_STYLE);
    EXPECT_TRUE(editStyle & ES_MULTILINE);
    EXPECT_TRUE(editStyle & ES_AUTOVSCROLL);
    EXPECT_TRUE(editStyle & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 64000);

    // Green on black, as the edit box asks its parent.
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = (HBRUSH)SendMessageA(window, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)edit);
    EXPECT_NE(brush, nullptr);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
    LOGBRUSH lb = {};
    GetObjectA(brush, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(0, 0, 0));
    DeleteDC(dc);
}

TEST_F(InfoWindowTest, MessagesAppendInOrderSeparatedByAnEmptyLineAndShowTheWindow)
{
    showInfoMessage("无法识别的图片:\r\nC:\\相册\\a.jpg");
    EXPECT_TRUE(IsWindowVisible(window));
    showInfoMessage(std::string("第二条"));
    EXPECT_EQ(logText(), "无法识别的图片:\r\nC:\\相册\\a.jpg\r\n\r\n第二条\r\n\r\n");
    // Hidden by the user, shown again by the next message; the text is kept.
    ShowWindow(window, SW_HIDE);
    showInfoMessage("third");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(logText(), "无法识别的图片:\r\nC:\\相册\\a.jpg\r\n\r\n第二条\r\n\r\nthird\r\n\r\n");
    showInfoMessage((const char *)nullptr);
    EXPECT_EQ(logText().size(), strlen("无法识别的图片:\r\nC:\\相册\\a.jpg\r\n\r\n第二条\r\n\r\nthird\r\n\r\n\r\n\r\n"));
}

TEST_F(InfoWindowTest, WorkersNeverWaitForTheWindowThreadAndKeepTheirOrder)
{
    Capture capture;
    setInfoMessageSink(&Capture::sink, &capture);
    HANDLE workers[2];
    for (int i = 0; i < 2; ++i)
        workers[i] = CreateThread(nullptr, 0, workerLogs, (void *)(INT_PTR)i, 0, nullptr);
    // The window thread waits without pumping, as a run's end does: the workers
    // must finish anyway.
    EXPECT_EQ(WaitForMultipleObjects(2, workers, TRUE, 30000), WAIT_OBJECT_0);
    for (HANDLE h : workers)
        CloseHandle(h);
    EXPECT_EQ(capture.texts.size(), 2u * kPerWorker) << "the sink sees every message on the calling thread";
    EXPECT_EQ(logText(), "") << "nothing touched the window from a worker";

    pumpMessages();
    std::string text = logText();
    size_t last[2] = {0, 0};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kPerWorker; ++i) {
            std::string one = formatText("无法读取的图片:\r\nworker%d-%03d\r\n\r\n", w, i);
            size_t at = text.find(one);
            ASSERT_NE(at, std::string::npos) << one;
            EXPECT_GE(at, last[w]) << "worker " << w << " message " << i << " out of order";
            last[w] = at;
        }
    EXPECT_EQ(text.size(), 2u * kPerWorker * strlen("无法读取的图片:\r\nworker0-000\r\n\r\n"));
    EXPECT_TRUE(IsWindowVisible(window));

    // A message of the window thread comes after the workers' queued ones.
    HANDLE one = CreateThread(nullptr, 0, workerLogsOnce, nullptr, 0, nullptr);
    WaitForSingleObject(one, 30000);
    CloseHandle(one);
    showInfoMessage("from window thread");
    text = logText();
    EXPECT_LT(text.find("from worker"), text.find("from window thread"));
}

TEST_F(InfoWindowTest, LongLogDropsItsOlderHalfBeforeTheLimit)
{
    HWND edit = editOf(window);
    // Lines of a real log's length (one long wrapped line is slow to lay out).
    std::string log;
    for (int i = 0; log.size() < 63950; ++i)
        log += (i % 60 == 59) ? std::string("\r\n") : std::string(1, (char)('a' + i % 26));
    log.resize(63950);
    SetWindowTextA(edit, log.c_str());
    std::string message(100, 'M');
    showInfoMessage(message);
    EXPECT_EQ(firstDifference(logText(), log.substr(31975) + message + "\r\n\r\n"), "same");

    // Below the threshold nothing is dropped.
    EXPECT_EQ(infoLogDropLength(std::string(63000, 'x'), 998), 0u);
    EXPECT_EQ(infoLogDropLength(std::string(63000, 'x'), 999), 31500u);

    // Chinese text: the half falls inside a character, which goes as a whole.
    std::string chinese;
    while (chinese.size() < 63950)
        chinese += (chinese.size() % 62 == 60) ? "\r\n" : "中";
    chinese.resize(63950);
    ASSERT_EQ(chinese.substr(31974, 2), "中") << "the half (31975) falls inside this character";
    EXPECT_EQ(infoLogDropLength(chinese, 100), 31976u);
    SetWindowTextA(edit, chinese.c_str());
    std::string tail;
    while (tail.size() < 100)
        tail += "尾";
    showInfoMessage(tail);
    EXPECT_EQ(firstDifference(logText(), chinese.substr(31976) + tail + "\r\n\r\n"), "same");

    // One message larger than the whole box keeps its beginning and fits.
    SetWindowTextA(edit, "");
    showInfoMessage(std::string(70000, 'z'));
    EXPECT_EQ(firstDifference(logText(), std::string(32000, 'z') + "\r\n\r\n"), "same");
}

TEST_F(InfoWindowTest, F2TogglesCloseHidesAndTheEditFillsTheWindow)
{
    MSG f2 = {};
    f2.hwnd = editOf(window);
    f2.message = WM_KEYDOWN;
    f2.wParam = VK_F2;
    EXPECT_TRUE(handleInfoWindowKey(f2));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(handleInfoWindowKey(f2));
    EXPECT_FALSE(IsWindowVisible(window));
    MSG other = f2;
    other.wParam = VK_F3;
    EXPECT_FALSE(handleInfoWindowKey(other));
    other = f2;
    other.message = WM_KEYUP;
    EXPECT_FALSE(handleInfoWindowKey(other));
    toggleInfoWindow();
    EXPECT_TRUE(IsWindowVisible(window));

    showInfoMessage("kept");
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window)) << "closing only hides";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(logText(), "kept\r\n\r\n");

    SetWindowPos(window, nullptr, 0, 0, 800, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client, editRect;
    GetClientRect(window, &client);
    GetClientRect(editOf(window), &editRect);
    RECT editWindow;
    GetWindowRect(editOf(window), &editWindow);
    EXPECT_EQ(editWindow.right - editWindow.left, client.right);
    EXPECT_EQ(editWindow.bottom - editWindow.top, client.bottom);
}

TEST_F(InfoWindowTest, MessagesBeforeTheWindowExistsAppearWhenItIsCreated)
{
    Capture capture;
    setInfoMessageSink(&Capture::sink, &capture);
    DestroyWindow(window);
    EXPECT_EQ(infoWindowHandle(), nullptr);
    showInfoMessage("ImageMagick 环境有问题");
    showInfoMessage("second early");
    ASSERT_EQ(capture.texts.size(), 2u) << "headless: the sink gets them at once";
    EXPECT_EQ(capture.texts[0], "ImageMagick 环境有问题");

    window = createInfoWindow(GetModuleHandleA(nullptr));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(logText(), "ImageMagick 环境有问题\r\n\r\nsecond early\r\n\r\n");
    EXPECT_TRUE(IsWindowVisible(window));
}
