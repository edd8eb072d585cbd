// "开始处理" on the real main window: the panel's save group, the picture list
// and the settings menu's save-mode entry driving real runs.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include <algorithm>

#include "util/registry_store.h"
#include "imaging/colour_profiles.h"
#include "main_window_fixture.h"
#include "app/main_commands.h"
#include "app/main_run.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/progress_window.h"
#include "input/thumbnail_worker.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "app/save_mode_dialog.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup.h"
#include "ui/window_kit.h"
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
        removeAllPictures();
    }
    void TearDown() override
    {
        removeAllPictures();
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
    // While the thumbnail worker is busy a removal waits for it: pump until done.
    void removeAllPictures()
    {
        runMainCommand(window, kCmdListRemoveAll);
        for (int i = 0; i < 400 && ListView_GetItemCount(mainPictureList(window)) > 0; ++i) {
            pumpMainWindowMessages();
            Sleep(25);
        }
    }
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

namespace {

bool writeSolid(const std::string &path, int width, int height, const char *colour)
{
    MagickWand *w = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    bool ok = MagickNewImage(w, width, height, c) && MagickWriteImage(w, magickWritePath(path).c_str());
    DestroyPixelWand(c);
    DestroyMagickWand(w);
    return ok;
}

// The darkest level (0..255) of a region of a written picture.
double darkestIn(MagickWand *picture, int left, int top, int right, int bottom)
{
    double darkest = 255;
    PixelWand *c = NewPixelWand();
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (MagickGetImagePixelColor(picture, x, y, c))
                darkest = std::min(darkest, PixelGetGreen(c) * 255.0);
    DestroyPixelWand(c);
    return darkest;
}

void chooseIn(HWND panel, int id, int index)
{
    HWND box = panelControl(panel, id);
    SendMessageA(box, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

}  // namespace

namespace {

// Watches for the end box of a run shown by the real MessageBoxA, notes whether
// it lies above the information window (always on top), then presses its button.
struct EndBoxWatch {
    HWND infoWindow = nullptr;
    bool found = false, above = false;
};

DWORD WINAPI watchEndBox(LPVOID parameter)
{
    EndBoxWatch *w = static_cast<EndBoxWatch *>(parameter);
    for (int i = 0; i < 1200 && !w->found; ++i, Sleep(50)) {
        HWND box = FindWindowA("#32770", "注意");
        if (!box || !IsWindowVisible(box))
            continue;
        w->found = true;
        // Top-level windows from the top down: whichever comes first is seen.
        HWND at = GetTopWindow(nullptr);
        while (at && at != box && at != w->infoWindow)
            at = GetWindow(at, GW_HWNDNEXT);
        w->above = at == box && IsWindowVisible(w->infoWindow);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return 0;
}

}  // namespace

TEST_F(MainWindowRun, TheEndBoxIsShownAboveTheInformationWindow)
{
    // Every picture failed: the box says so ("注意", no offer to open the folder)
    // and shows above the information window the failure opened.
    ScratchFolder source("主窗口_失败"), target("主窗口_失败_目标");
    ASSERT_TRUE(copyWritable(samplePath("broken/go_invalid-crc32.png"), source / "坏.png"));
    addDroppedPaths(window, {source / "坏.png"});
    startupConfig().picSaveMode = 1;
    click(kIdSaveTo);
    setPanelSaveToFolder(panel, target.path());
    EndBoxWatch watch;
    watch.infoWindow = createInfoWindow(GetModuleHandleA(nullptr), window);
    runPrompts().messageBox = defaultRunPrompts().messageBox;
    HANDLE watcher = CreateThread(nullptr, 0, watchEndBox, &watch, 0, nullptr);
    SendMessageA(panelControl(panel, kIdStart), BM_CLICK, 0, 0);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    EXPECT_TRUE(watch.found) << "no end box captioned 注意";
    EXPECT_TRUE(watch.above) << "the end box is hidden under the information window";
    EXPECT_TRUE(opened.empty());
    ShowWindow(watch.infoWindow, SW_HIDE);
}

TEST_F(MainWindowRun, TextAndPictureWatermarksMarkThePicturesOfARun)
{
    ScratchFolder source("水印_源"), target("水印_目标");
    ASSERT_TRUE(writeSolid(source / "白.png", 400, 300, "#ffffff"));
    ASSERT_TRUE(writeSolid(source / "标志.png", 40, 20, "#ff0000"));
    addDroppedPaths(window, {source / "白.png"});
    ASSERT_EQ(ListView_GetItemCount(mainPictureList(window)), 1);
    startupConfig().picSaveMode = 1;
    click(kIdSaveTo);
    setPanelSaveToFolder(panel, target.path());

    // Black 宋体 text at the default place (bottom right, 16 px in), the picture
    // at the top left.
    if (!getCheck(panelControl(panel, kIdTextMark)))
        click(kIdTextMark);
    SetWindowTextA(panelControl(panel, kIdText), "水印文字");
    if (!getCheck(panelControl(panel, kIdImageMark)))
        click(kIdImageMark);
    SetWindowTextA(panelControl(panel, kIdImagePath), (source / "标志.png").c_str());
    chooseIn(panel, kIdImageWDirection, 1);
    chooseIn(panel, kIdImageHDirection, 1);
    pumpMainWindowMessages();

    SendMessageA(panelControl(panel, kIdStart), BM_CLICK, 0, 0);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "图片批量处理已完成，是否要打开目标文件夹查看处理后的图片？");
    EXPECT_TRUE(recorder().boxes.empty());
    MagickWand *written = NewMagickWand();
    ASSERT_TRUE(MagickReadImage(written, magickPath(target / "白.jpg").c_str()));
    PixelWand *c = NewPixelWand();
    MagickGetImagePixelColor(written, 30, 25, c);
    EXPECT_GT(PixelGetRed(c), 0.9);
    EXPECT_LT(PixelGetGreen(c), 0.15) << "the picture watermark at 16,16";
    DestroyPixelWand(c);
    EXPECT_LT(darkestIn(written, 250, 240, 384, 284), 60.0) << "the text watermark at the bottom right";
    EXPECT_GT(darkestIn(written, 100, 100, 300, 200), 240.0) << "nothing in the middle";
    DestroyMagickWand(written);

    click(kIdTextMark);
    click(kIdImageMark);
}

// Not a check: a real photo run from the window with both watermarks into the
// folder named by WATERMARK_SHOT_DIR, for a person to look at. Run with
// --gtest_also_run_disabled_tests.
TEST_F(MainWindowRun, DISABLED_PhotoWithBothWatermarks)
{
    char out[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("WATERMARK_SHOT_DIR", out, sizeof out)) << "WATERMARK_SHOT_DIR is not set";
    std::string target = dosPathFromArgument(out);
    addDroppedPaths(window, {samplePath("photos/mate_LadyBird.jpg")});
    click(kIdSaveTo);
    setPanelSaveToFolder(panel, target);
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 1280;
    s.bSYText = 1;
    s.sy_text = "Velmora 图片批量处理 · 水印";
    s.sy_text_fontSize = 20;
    s.sy_text_rgbColors = 0xFFFFFF;
    s.sy_text_htmlColor = "#ffffff";
    s.sy_text_background_color = 0x202020;
    s.sy_text_border_color = 0xFFFFFF;
    s.sy_text_border_size = 2;
    s.sy_text_border_corner_radius = 10;
    s.sy_text_padding_left_right = 12;
    s.sy_text_padding_top_bottom = 6;
    s.sy_text_opacity = 75;
    s.sy_text_w_value = 24;
    s.sy_text_h_value = 24;
    s.bSYImage = 1;
    s.sy_image = samplePath("formats/webp/ximage_yellow_rose_lossy_alpha.webp");
    s.sy_image_w_direction = 1;
    s.sy_image_h_direction = 1;
    s.sy_image_w_value = 24;
    s.sy_image_h_value = 24;
    s.sy_image_rotate = 315;
    s.sy_image_opacity = 70;
    showSettingsInPanel(panel, s);
    pumpMainWindowMessages();
    SendMessageA(panelControl(panel, kIdStart), BM_CLICK, 0, 0);
    ASSERT_TRUE(recorder().boxes.empty()) << recorder().boxes[0].text;
    showSettingsInPanel(panel, ProcessSettings());
}

TEST_F(MainWindowRun, CmykMenuEntriesLoadTheChosenProfile)
{
    std::string previous = readProgramString("cmyk_default_icc");
    std::string folder = startupConfig().programFolder + "\\icc";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string swop = folder + "\\USWebCoatedSWOP.icc";
    ASSERT_TRUE(copyWritable(samplePath("icc/default_cmyk_swop_ghostscript.icc"), swop));
    loadedProfiles().cmyk.clear();

    runMainCommand(window, kCmdCmykSwop);
    EXPECT_TRUE(recorder().boxes.empty());
    EXPECT_EQ(loadedProfiles().cmyk, readFileBytes(swop));
    EXPECT_EQ(readProgramString("cmyk_default_icc"), "USWebCoatedSWOP.icc");

    // Japan Color is not installed: the error once, then the first profile of the
    // list that loads, and the menu's check mark follows it.
    loadedProfiles().cmyk.clear();
    runMainCommand(window, kCmdCmykJapan);
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "错误");
    EXPECT_EQ(recorder().boxes[0].text, "加载ICC色彩特性文件 '" + folder + "\\JapanColor2001Coated.icc' 出错。");
    EXPECT_EQ(loadedProfiles().cmyk, readFileBytes(swop));
    EXPECT_EQ(startupConfig().cmykDefaultIcc, "USWebCoatedSWOP.icc");
    EXPECT_EQ(readProgramString("cmyk_default_icc"), "USWebCoatedSWOP.icc");
    EXPECT_EQ(checkedCmykEntry(startupConfig().cmykDefaultIcc), kCmdCmykSwop);

    DeleteFileA(swop.c_str());
    RemoveDirectoryA(folder.c_str());
    loadedProfiles().cmyk.clear();
    if (!previous.empty()) {
        writeProgramString("cmyk_default_icc", previous);
    } else {
        HKEY key;  // never chosen before: the program's first start falls back quietly again
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "cmyk_default_icc");
            RegCloseKey(key);
        }
    }
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

    // The replaced picture's thumbnail is made again from the new file.
    if (!thumbnailsShown())
        runMainCommand(window, kCmdToggleThumbnails);
    auto rendered = [](long after) {
        auto done = [after] { return pictureImageList().at(0)->thumbDone && thumbnailWorker().renderCount() > after; };
        for (int i = 0; i < 600 && !done(); ++i) {
            pumpMainWindowMessages();
            Sleep(50);
        }
        return done();
    };
    ASSERT_TRUE(rendered(-1));
    const long renders = thumbnailWorker().renderCount();

    runMainCommand(window, kCmdStart);

    EXPECT_EQ(formatOf(source / "logo.png"), "JPEG");
    EXPECT_EQ(folderEntries(source.path()), (std::vector<std::string>{"logo.png"}));
    EXPECT_TRUE(rendered(renders));
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
