// The toolbar's "格式转换", "处理PNG" and "图片裁剪" on the real main window: each opens its
// tool over a hidden main window, and closing the tool brings the main window back.
#include "gtest.h"

#include <windows.h>

#include "main_window_fixture.h"
#include "app/main_commands.h"
#include "app/main_window.h"
#include "tools/convert/convert_window.h"
#include "tools/crop/crop_window.h"
#include "tools/join/join_window.h"
#include "tools/png/png_window.h"
#include "tools/slice/slice_window.h"

TEST(MainWindowTools, TheToolbarOpensEachToolOverAHiddenMainWindow)
{
    HWND main = sharedMainWindow();
    ASSERT_TRUE(main);
    bool wasVisible = IsWindowVisible(main) != FALSE;
    useRecordingRunPrompts();
    ShowWindow(main, SW_SHOW);
    struct Tool {
        int command;
        HWND (*window)();
        const char *title;
    };
    for (const Tool &tool : {Tool{kCmdConvertTool, convertToolWindow, "Velmora图片批量格式转换工具"},
                             Tool{kCmdPngTool, pngToolWindow, "VelmoraPNG图片批量处理工具"},
                             Tool{kCmdJoinTool, joinToolWindow, "Velmora图片批量拼接工具"},
                             Tool{kCmdSliceTool, sliceToolWindow, "Velmora图片批量切片工具"},
                             Tool{kCmdCropTool, cropToolWindow, "Velmora图片批量裁剪工具"}}) {
        recorder().clear();
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(tool.command, BN_CLICKED), (LPARAM)mainToolbar(main));
        pumpMainWindowMessages();
        HWND w = tool.window();
        ASSERT_TRUE(w) << tool.title;
        char title[128] = {};
        GetWindowTextA(w, title, sizeof title);
        EXPECT_STREQ(title, tool.title);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_FALSE(IsWindowVisible(main)) << tool.title;
        EXPECT_TRUE(recorder().boxes.empty()) << "no \"not built yet\" notice";
        PostMessageA(w, WM_CLOSE, 0, 0);
        pumpMainWindowMessages();
        EXPECT_FALSE(IsWindowVisible(w));
        EXPECT_TRUE(IsWindowVisible(main)) << tool.title;
    }
    if (!wasVisible)
        ShowWindow(main, SW_HIDE);
}
