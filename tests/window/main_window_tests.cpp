#include "gtest.h"

#include <windows.h>

#include "imaging/magick_env.h"
#include "shell/app_info.h"
#include "shell/main_window.h"

TEST(MainWindow, OpensWithTheProgramTitle)
{
    HWND hwnd = createMainWindow(GetModuleHandleA(nullptr), SW_HIDE);
    ASSERT_NE(hwnd, nullptr);
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_EQ(std::string(title), programTitle());
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, kMainWindowClass);
    DestroyWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
}

// The real program: started as a user would, found by its title, closed, exit code 0.
TEST(ProgramStart, ShowsItsWindowAndClosesWithExitCodeZero)
{
    std::string exe = programFolder() + "\\velmora.exe.so";
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << "cannot start " << exe << " error " << GetLastError();
    HWND found = nullptr;
    for (int i = 0; i < 300 && !found; ++i) {
        found = FindWindowA(kMainWindowClass, programTitle().c_str());
        if (!found)
            Sleep(100);
    }
    ASSERT_NE(found, nullptr) << "no window titled " << programTitle();
    EXPECT_TRUE(IsWindowVisible(found));
    PostMessageA(found, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1234;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
