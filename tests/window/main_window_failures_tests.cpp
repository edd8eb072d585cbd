// What the main window does when something fails: a settings file that cannot
// be written says where, a dropped path too long for the program is skipped with
// a line in the information window instead of being cut to another name.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "ui/info_window.h"
#include "app/input_rules.h"
#include "app/main_commands.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/startup.h"
#include "window_kit_driver.h"

using namespace dialog_driver;

namespace {

BOOL CALLBACK findVisibleEdit(HWND child, LPARAM found)
{
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0 && IsWindowVisible(child)) {
        *reinterpret_cast<HWND *>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND dialogTitled(const std::string &title)
{
    for (HWND d : openDialogs())
        if (windowText(d) == title)
            return d;
    return nullptr;
}

// A drop as the shell hands it to the window.
HGLOBAL dropOf(const std::vector<std::string> &paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string &p : paths)
        size += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto *drop = static_cast<DROPFILES *>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char *at = reinterpret_cast<char *>(drop) + sizeof(DROPFILES);
    for (const std::string &p : paths) {
        memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

void collectInfo(const char *text, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(text);
}

}  // namespace

TEST(MainWindowFailures, ASettingsFileThatCannotBeWrittenIsReportedWithItsPath)
{
    HWND window = sharedMainWindow();
    std::string sz = startupConfig().programFolder + "\\sz";
    CreateDirectoryA(sz.c_str(), nullptr);
    std::string locked = sz + "\\占用的方案.sz";
    ASSERT_TRUE(writeFileBytes(locked, "bSize=0\r\n"));
    // Another program holds the file open and shares nothing.
    HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    recorder().clear();
    int step = 0;
    drive([&] {
        if (step == 0) {
            HWND dialog = dialogTitled("保存当前图片处理的相关设置到文件");
            HWND name = nullptr;
            if (dialog)
                EnumChildWindows(dialog, findVisibleEdit, reinterpret_cast<LPARAM>(&name));
            if (!name)
                return false;
            SetWindowTextA(name, locked.c_str());
            press(dialog, IDOK);
            step = 1;
            return false;
        }
        // The dialog asks (in a box of its own title) before replacing the file.
        for (HWND d : openDialogs()) {
            if (GetDlgItem(d, IDYES)) {
                press(d, IDYES);
                return true;
            }
        }
        return false;
    });
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(kCmdSaveSettings, 0), 0);
    pumpQueuedMessages();
    CloseHandle(held);
    ASSERT_EQ(recorder().boxes.size(), 1u) << "the failed save went unreported";
    EXPECT_EQ(recorder().boxes[0].caption, "错误");
    EXPECT_NE(recorder().boxes[0].text.find(locked), std::string::npos) << recorder().boxes[0].text;
    EXPECT_EQ(readFileBytes(locked), "bSize=0\r\n") << "the old file must stay as it was";
    DeleteFileA(locked.c_str());
    recorder().clear();
}

TEST(MainWindowFailures, ADroppedPathTooLongIsSkippedWithALineNeverCut)
{
    HWND window = sharedMainWindow();
    runMainCommand(window, kCmdListRemoveAll);
    pumpQueuedMessages();
    ScratchFolder folder("拖放_长路径");
    std::string picture = folder / "短.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), picture));
    // Cut to MAX_PATH - 1 bytes this would name a picture that exists.
    std::string longPath = folder / (std::string(MAX_PATH, 'a') + ".jpg");
    ASSERT_TRUE(copyFileTo(picture, longPath.substr(0, MAX_PATH - 1)));
    std::vector<std::string> messages;
    setInfoMessageSink(collectInfo, &messages);
    PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf({picture, longPath})), 0);
    pumpQueuedMessages();
    setInfoMessageSink(nullptr, nullptr);
    ImageList &items = pictureImageList();
    ASSERT_EQ(items.count(), 1);
    EXPECT_EQ(std::string(items.at(0)->path), picture);
    EXPECT_EQ(messages, (std::vector<std::string>{droppedPathTooLongText(longPath)}));
    // The removal waits while the thumbnail worker renders the picture: the next
    // test must find the list empty.
    runMainCommand(window, kCmdListRemoveAll);
    for (int i = 0; i < 3000 && items.count() > 0; ++i) {
        pumpQueuedMessages();
        Sleep(20);
    }
    EXPECT_EQ(items.count(), 0);
}
