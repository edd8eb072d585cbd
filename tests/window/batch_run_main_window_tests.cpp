// "开始处理" on the real main window: the panel's save group, the picture list
// and the settings menu's save-mode entry driving real runs.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include "core/registry_store.h"
#include "main_window_fixture.h"
#include "shell/main_commands.h"
#include "shell/main_run.h"
#include "shell/main_window.h"
#include "shell/progress_window.h"
#include "shell/run_prompts.h"
#include "shell/save_mode_dialog.h"
#include "shell/settings_panel/panel_ids.h"
#include "shell/settings_panel/settings_panel.h"
#include "shell/startup.h"
#include "shell/window_kit.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

// The samples are read-only and overwrite mode leaves read-only files alone.
bool copyWritable(const std::string &from, const std::string &to)
{
    return copyFileTo(from, to) && SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

struct Box {
    std::string text, caption;
    bool ownerEnabled;
};
std::vector<Box> boxes;
std::vector<std::string> opened;

int recordRunBox(HWND owner, const char *text, const char *caption, UINT type)
{
    boxes.push_back({text, caption, owner && IsWindowEnabled(owner) != FALSE});
    return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}
void recordRunBalloon(HWND, const char *, const char *) {}
void recordOpen(HWND, const char *folder) { opened.push_back(folder); }

std::string formatOf(const std::string &path)
{
    MagickWand *wand = NewMagickWand();
    std::string format;
    std::string unixPath = magickPath(path);
    if (!unixPath.empty() && MagickPingImage(wand, unixPath.c_str())) {
        char *f = MagickGetImageFormat(wand);
        format = f ? f : "";
        if (f)
            MagickRelinquishMemory(f);
    }
    DestroyMagickWand(wand);
    return format;
}

class MainWindowRun : public testing::Test {
protected:
    HWND window = nullptr;
    HWND panel = nullptr;
    DWORD savedMode = 0;
    char cwd[MAX_PATH] = {};
    // The panel is shared with the other main-window tests: its save group is put back.
    bool savedSaveTo = false, savedOverwrite = false;
    std::string savedFolder;

    void SetUp() override
    {
        window = sharedMainWindow();
        panel = mainSettingsPanel(window);
        GetCurrentDirectoryA(sizeof cwd, cwd);
        savedMode = startupConfig().picSaveMode;
        savedSaveTo = panelSaveToSelected(panel);
        savedOverwrite = getCheck(panelControl(panel, kIdOverwrite));
        savedFolder = panelSaveToFolder(panel);
        boxes.clear();
        opened.clear();
        recorder().clear();
        RunPrompts &p = runPrompts();
        p.messageBox = recordRunBox;
        p.balloon = recordRunBalloon;
        p.openFolder = recordOpen;
        runMainCommand(window, kCmdListRemoveAll);
    }
    void TearDown() override
    {
        runMainCommand(window, kCmdListRemoveAll);
        useRecordingRunPrompts();
        startupConfig().picSaveMode = savedMode;
        recorder().boxAnswer = IDOK;
        if (savedSaveTo)
            click(kIdSaveTo);
        else if (savedOverwrite)
            click(kIdOverwrite);
        setPanelSaveToFolder(panel, savedFolder);
        recorder().clear();
        SetCurrentDirectoryA(cwd);
        pumpMainWindowMessages();
    }
    void click(int id) { SendMessageA(panelControl(panel, id), BM_CLICK, 0, 0); }
};

}  // namespace

TEST_F(MainWindowRun, StartButtonRunsTheListedPicturesIntoTheChosenFolder)
{
    ScratchFolder source("主窗口_源"), target("主窗口_目标");
    for (const char *name : {"一.jpg", "二.jpg", "三.png"})
        ASSERT_TRUE(copyWritable(samplePath(std::string(name) == "三.png" ? "formats/png/gdkpixbuf_icc.png"
                                                                       : "formats/jpeg/go_video-001_q50_444.jpeg"),
                               source / name));
    addDroppedPaths(window, {source / "一.jpg", source / "二.jpg", source / "三.png"});
    ASSERT_EQ(ListView_GetItemCount(mainPictureList(window)), 3);
    startupConfig().picSaveMode = 1;
    click(kIdSaveTo);
    setPanelSaveToFolder(panel, target.path());

    SendMessageA(panelControl(panel, kIdStart), BM_CLICK, 0, 0);

    EXPECT_EQ(folderEntries(target.path()).size(), 3u);
    EXPECT_EQ(formatOf(target / "一.jpg"), "JPEG");
    EXPECT_EQ(formatOf(target / "二.jpg"), "JPEG");
    EXPECT_EQ(formatOf(target / "三.jpg"), "JPEG");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "图片批量处理已完成，是否要打开目标文件夹查看处理后的图片？");
    EXPECT_TRUE(boxes[0].ownerEnabled);
    EXPECT_EQ(opened, (std::vector<std::string>{target.path()}));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_FALSE(mainRunActive());
    // The settings of the run were kept beside the program.
    EXPECT_TRUE(pathExists(startupConfig().programFolder + "\\config.dat"));
    // pic_save_mode 1 keeps "处理后保存到".
    EXPECT_TRUE(getCheck(panelControl(panel, kIdSaveTo)));
}

TEST_F(MainWindowRun, OverwriteFromThePanelTurnsAPngIntoJpegData)
{
    ScratchFolder source("主窗口_覆盖");
    ASSERT_TRUE(copyWritable(samplePath("formats/png/gdkpixbuf_icc.png"), source / "logo.png"));
    addDroppedPaths(window, {source / "logo.png"});
    startupConfig().picSaveMode = 0;
    click(kIdOverwrite);  // "确定要覆盖原图吗？" is answered with OK
    ASSERT_TRUE(getCheck(panelControl(panel, kIdOverwrite)));
    ASSERT_EQ(boxes.size(), 1u);
    boxes.clear();

    runMainCommand(window, kCmdStart);

    EXPECT_EQ(formatOf(source / "logo.png"), "JPEG");
    EXPECT_EQ(folderEntries(source.path()), (std::vector<std::string>{"logo.png"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "图片批量处理已完成");
    EXPECT_EQ(boxes[0].caption, "完成");
    // pic_save_mode 0: the next run needs a new choice.
    EXPECT_FALSE(getCheck(panelControl(panel, kIdOverwrite)));
    EXPECT_FALSE(getCheck(panelControl(panel, kIdSaveTo)));

    boxes.clear();
    runMainCommand(window, kCmdStart);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "请选择图片处理后保存的方式");
}

TEST_F(MainWindowRun, SettingsMenuSaveModeEntryStoresTheChoice)
{
    startupConfig().picSaveMode = 2;
    DWORD stored = 9;
    readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "pic_save_mode", &stored);
    createSaveModeDialog(GetModuleHandleA(nullptr), window);
    HWND d = saveModeDialogHandle();
    PostMessageA(GetDlgItem(d, kSaveModeFirstChoiceId + 1), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(d, kSaveModeSaveId), BM_CLICK, 0, 0);

    runMainCommand(window, kCmdSaveModeDialog);

    EXPECT_EQ(startupConfig().picSaveMode, 1u);
    DWORD now = 0;
    EXPECT_TRUE(readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "pic_save_mode", &now));
    EXPECT_EQ(now, 1u);
    EXPECT_TRUE(IsWindowEnabled(window));
    if (stored <= 2)
        writeProgramDword("pic_save_mode", stored);
}

namespace {

int exitCalls = 0;
void countExit(UINT) { ++exitCalls; }

// Closes the main window (synchronously) as soon as the progress window is up.
struct CloseDuringRun {
    HWND window;
    bool sent = false;
    int exitsWhileRunning = -1;
    static DWORD WINAPI run(LPVOID self)
    {
        CloseDuringRun &c = *static_cast<CloseDuringRun *>(self);
        for (int i = 0; i < 3000 && !IsWindowVisible(progressWindowHandle()); ++i)
            Sleep(5);
        DWORD_PTR result = 0;
        c.sent = SendMessageTimeoutA(c.window, WM_CLOSE, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
        c.exitsWhileRunning = exitCalls;
        return 0;
    }
};

}  // namespace

TEST_F(MainWindowRun, ClosingIsRefusedWhileARunIsActive)
{
    ScratchFolder source("主窗口_关闭"), target("主窗口_关闭_目标");
    std::vector<std::string> paths;
    for (int i = 1; i <= 6; ++i) {
        paths.push_back(source / formatText("%d.jpg", i));
        ASSERT_TRUE(copyWritable(samplePath("photos/mate_Garden.jpg"), paths.back()));
    }
    addDroppedPaths(window, paths);
    click(kIdSaveTo);
    setPanelSaveToFolder(panel, target.path());
    void (*previousExit)(UINT) = mainWindowExit;
    mainWindowExit = countExit;
    exitCalls = 0;
    CloseDuringRun closer{window};
    HANDLE thread = CreateThread(nullptr, 0, CloseDuringRun::run, &closer, 0, nullptr);

    runMainCommand(window, kCmdStart);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    EXPECT_TRUE(closer.sent);
    EXPECT_EQ(closer.exitsWhileRunning, 0) << "the window closed under a running worker";
    EXPECT_EQ(folderEntries(target.path()).size(), 6u);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCalls, 1);
    mainWindowExit = previousExit;
}
