#include "gtest.h"

#include <windows.h>

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
