// The crash handler in a real fault: a child copy of this test program installs
// it, lets a "library" try to replace it, and faults on purpose; this process
// finds the crash message box, reads it, presses OK and checks the page that
// was opened. Also the browser fall-backs of openWebPage.
#include "gtest.h"

#include <windows.h>
#include <string>
#include <vector>

#include "app/crash_handler.h"
#include "ui/web_pages.h"
#include "test_util.h"
#include "util/text.h"

namespace {

const char kResultVariable[] = "VELMORA_FAULT_RESULT";
const char kThreadVariable[] = "VELMORA_FAULT_ON_WORKER";

std::string environmentValue(const char *name)
{
    char value[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string();
}

void appendLine(const std::string &line)
{
    std::string path = environmentValue(kResultVariable);
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(f);
}

// The child's browser: records instead of starting anything.
std::string recordFind(const char *) { return "C:\\Browsers\\fake.exe"; }
INT_PTR recordShellOpen(const char *address)
{
    appendLine(std::string("open ") + address);
    return 42;
}
INT_PTR recordStart(const char *program, const char *address)
{
    appendLine(std::string("start ") + program + " " + address);
    return 42;
}
const WebPageLauncher kRecordingLauncher = {recordFind, recordShellOpen, recordStart};

LONG WINAPI libraryFilter(EXCEPTION_POINTERS *)
{
    appendLine("library filter ran");
    return EXCEPTION_EXECUTE_HANDLER;
}

void faultNow()
{
    volatile int *volatile nowhere = (volatile int *)(uintptr_t)0x10;
    *nowhere = 1;
}

DWORD WINAPI faultingWorker(void *)
{
    faultNow();
    return 0;
}

struct BoxSearch {
    DWORD process;
    HWND box;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM param)
{
    BoxSearch *search = (BoxSearch *)param;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (process == search->process && IsWindowVisible(hwnd) && strcmp(cls, "#32770") == 0) {
        search->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectTexts(HWND hwnd, LPARAM param)
{
    char cls[32] = {}, text[512] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, text, sizeof text);
    if (equalsNoCase(cls, "Static") && text[0])
        ((std::vector<std::string> *)param)->push_back(text);
    return TRUE;
}

struct CrashRun {
    bool boxFound = false;
    std::string title;
    std::vector<std::string> texts;
    DWORD exitCode = 0;
    bool ended = false;
    std::vector<std::string> lines;
};

CrashRun runFaultingChild(bool onWorker)
{
    CrashRun run;
    ScratchFolder folder("fault_test");
    std::string result = folder / "fault.txt";
    SetEnvironmentVariableA(kResultVariable, result.c_str());
    SetEnvironmentVariableA(kThreadVariable, onWorker ? "1" : nullptr);
    std::string command = "\"" + thisTestProgram() +
                          "\" --gtest_filter=DISABLED_CrashChild.FaultsOnPurpose --gtest_also_run_disabled_tests";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(kResultVariable, nullptr);
    SetEnvironmentVariableA(kThreadVariable, nullptr);
    if (!started)
        return run;

    // The box blocks the child until someone answers it.
    BoxSearch search = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 600 && !search.box; ++i) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0)
            break;
        EnumWindows(findBox, (LPARAM)&search);
    }
    if (search.box) {
        run.boxFound = true;
        char title[128] = {};
        GetWindowTextA(search.box, title, sizeof title);
        run.title = title;
        EnumChildWindows(search.box, collectTexts, (LPARAM)&run.texts);
        PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    }
    run.ended = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    if (!run.ended)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    run.lines = splitText(readFileBytes(result), '\n');
    return run;
}

bool hasLine(const std::vector<std::string> &lines, const std::string &prefix)
{
    for (const std::string &line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

void expectCrashReport(const CrashRun &run)
{
    ASSERT_TRUE(run.boxFound) << "no crash message box appeared";
    EXPECT_EQ(run.title, "错误");
    std::string all;
    for (const std::string &t : run.texts)
        all += t;
    EXPECT_NE(all.find("Velmora图片批量处理工具 已停止工作。"), std::string::npos) << all;
    EXPECT_NE(all.find("请进入软件官网联系客服。"), std::string::npos) << all;
    EXPECT_TRUE(run.ended) << "the process must end after the message";
    EXPECT_EQ(run.exitCode, 0xC0000005u);
    EXPECT_TRUE(hasLine(run.lines, "locked 1"));
    EXPECT_TRUE(hasLine(run.lines, "library got no previous filter"));
    EXPECT_FALSE(hasLine(run.lines, "library filter ran")) << "the program's handler must stay in force";
    // The crash page: the help page beside the program with the crash query.
    std::string page = "start C:\\Browsers\\fake.exe file:///";
    ASSERT_TRUE(hasLine(run.lines, page));
    for (const std::string &line : run.lines)
        if (line.compare(0, page.size(), page) == 0) {
            EXPECT_NE(line.find("/help/index.html?v=11.5&ecode=0xc0000005&eip=0x"), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 7), "&#crash") << line;
        }
}

}  // namespace

// Runs only in the child started by the tests below.
TEST(DISABLED_CrashChild, FaultsOnPurpose)
{
    if (environmentValue(kResultVariable).empty())
        GTEST_SKIP() << "started without a result file";
    setWebPageLauncher(&kRecordingLauncher);
    installCrashHandler();
    appendLine(crashHandlerLockedIn() ? "locked 1" : "locked 0");
    // A library loaded later tries to take the role.
    if (SetUnhandledExceptionFilter(libraryFilter) == nullptr)
        appendLine("library got no previous filter");
    if (environmentValue(kThreadVariable) == "1") {
        HANDLE worker = CreateThread(nullptr, 0, faultingWorker, nullptr, 0, nullptr);
        WaitForSingleObject(worker, INFINITE);
    } else {
        faultNow();
    }
    appendLine("survived the fault");
}

TEST(CrashHandler, FaultOnTheMainThreadShowsTheCrashMessageAndOpensTheCrashPage)
{
    expectCrashReport(runFaultingChild(false));
}

TEST(CrashHandler, FaultOnAWorkerThreadShowsTheCrashMessage)
{
    expectCrashReport(runFaultingChild(true));
}

TEST(CrashHandler, MessageAndPageTexts)
{
    std::string text = crashMessage(0xC0000005ul, (const void *)(uintptr_t)0x401A2B);
    EXPECT_EQ(text.substr(0, 36), "exceptionCode:0xc0000005, EIP=0x0000");
    EXPECT_EQ(text.substr(text.size() - 6), "401A2B");
    EXPECT_EQ(text.size(), strlen("exceptionCode:0xc0000005, EIP=0x") + 2 * sizeof(void *));
    std::string page = crashPageAddress(0xC0000094ul, (const void *)(uintptr_t)0xABC);
    EXPECT_EQ(page.compare(0, 8, "file:///"), 0) << page;
    EXPECT_NE(page.find("/help/index.html?v=11.5&ecode=0xc0000094&eip=0x"), std::string::npos) << page;
    EXPECT_NE(page.find("ABC&#crash"), std::string::npos) << page;
    EXPECT_EQ(page.find('\\'), std::string::npos) << page;
}
