// The main tool's preview on the real main window: opening on the selected
// picture, following settings changes without holding up the window, the arrow
// keys, rotation in preview mode, the refresh after an overwrite run, loading
// settings, pictures it cannot show, and "查看原图".
#include "gtest.h"

#include <windows.h>
#include <commctrl.h>
#include <lodepng.h>

#include <string>
#include <vector>

#include "core/settings_file.h"
#include "input/image_list.h"
#include "main_window_fixture.h"
#include "ui/info_window.h"
#include "app/input_rules.h"
#include "app/main_commands.h"
#include "app/main_preview.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "ui/picture_viewer.h"
#include "ui/run_prompts.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup.h"
#include "ui/window_kit.h"
#include "test_util.h"
#include "ui/preview/preview_pane.h"
#include "window_probe.h"
#include "util/text.h"

namespace {

bool infoContains(const std::string &text, bool asBeginning = false)
{
    for (const std::string &m : infoCollected())
        if (m == text || (asBeginning && m.rfind(text, 0) == 0))
            return true;
    return false;
}

std::vector<std::string> paneBoxes;
int recordPaneBox(HWND, const char *text, const char *, UINT)
{
    paneBoxes.push_back(text);
    return IDOK;
}

// Pumps until done() holds (false after 60 s: a hang).
template <typename F> bool pumpUntil(F done)
{
    for (int i = 0; i < 6000; ++i) {
        pumpMainWindowMessages();
        if (done())
            return true;
        Sleep(10);
    }
    return false;
}

bool previewSettled() { return !mainPreviewStats().pending; }

std::string windowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool copyWritable(const std::string &from, const std::string &to)
{
    return copyFileTo(from, to) && SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Balloon tooltips of this thread that cover the field with the text.
struct TipSearch {
    HWND field;
    const char *text;
    int found;
};
BOOL CALLBACK countTip(HWND window, LPARAM lParam)
{
    TipSearch &search = *reinterpret_cast<TipSearch *>(lParam);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) != 0)
        return TRUE;
    char text[256] = {};
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    if (SendMessageA(window, TTM_ENUMTOOLSA, 0, (LPARAM)&tool) && tool.hwnd == search.field &&
        std::string(text) == search.text)
        search.found++;
    return TRUE;
}
int enterTips(HWND field)
{
    TipSearch search = {field, "修改此项后，按回车键(Enter)使之生效。", 0};
    EnumThreadWindows(GetCurrentThreadId(), countTip, (LPARAM)&search);
    return search.found;
}

class MainWindowPreview : public testing::Test {
protected:
    HWND window = nullptr;
    HWND panel = nullptr;
    char cwd[MAX_PATH] = {};

    void SetUp() override
    {
        window = sharedMainWindow();
        panel = mainSettingsPanel(window);
        GetCurrentDirectoryA(sizeof cwd, cwd);
        resetPanel();
        removeAll();
        startInfoCollector();
        paneBoxes.clear();
        previewPaneMessageBox = recordPaneBox;
        useRecordingRunPrompts();
        pumpMainWindowMessages();
    }
    void TearDown() override
    {
        if (mainPreviewShown())
            runMainCommand(window, kCmdPreview);
        pumpUntil(previewSettled);
        removeAll();
        resetPanel();
        stopInfoCollector();
        useRecordingRunPrompts();
        closePictureViewer();
        SetCurrentDirectoryA(cwd);
        pumpMainWindowMessages();
    }
    void resetPanel()
    {
        ProcessSettings defaults;
        defaults.border_size = 3;
        showSettingsInPanel(panel, defaults);
        settingsPanelMenuCommand(panel, kCmdUnitPixels);
        settingsPanelMenuCommand(panel, kCmdQualityMode);
        pumpMainWindowMessages();
        recorder().clear();
    }
    void removeAll()
    {
        runMainCommand(window, kCmdListRemoveAll);
        pumpUntil([this] { return ListView_GetItemCount(mainPictureList(window)) == 0; });
    }
    HWND control(int id) { return panelControl(panel, id); }
    void click(int id) { SendMessageA(control(id), BM_CLICK, 0, 0); }
    // Typing in a field and pressing Enter, as the message loop relays it to the panel.
    void typeAndEnter(int id, const char *text)
    {
        SetWindowTextA(control(id), text);
        SendMessageA(panel, WM_CHAR, VK_RETURN, (LPARAM)control(id));
    }
    void select(int index)
    {
        HWND list = mainPictureList(window);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        pumpMainWindowMessages();
    }
    PreviewPaneInfo pane()
    {
        PreviewPaneInfo info;
        previewPaneInfo(mainPreviewPane(), info);
        return info;
    }
    std::string status(int part)
    {
        char text[256] = {};
        SendMessageA(mainStatusBar(window), SB_GETTEXTA, part, (LPARAM)text);
        return text;
    }
    bool toolbarChecked()
    {
        return SendMessageA(mainToolbar(window), TB_ISBUTTONCHECKED, kCmdPreview, 0) != 0;
    }
    // Opens the preview on the selection and waits for its picture.
    void openPreview()
    {
        runMainCommand(window, kCmdPreview);
        ASSERT_TRUE(pumpUntil(previewSettled));
        ASSERT_TRUE(mainPreviewShown());
    }
};

}  // namespace

TEST_F(MainWindowPreview, OpensOnTheSelectedPictureAndFollowsEachSettingsChange)
{
    ScratchFolder folder("预览_打开");
    ASSERT_TRUE(copyWritable(samplePath("photos/mate_Storm.jpg"), folder / "风景.jpg"));
    ASSERT_TRUE(copyWritable(samplePath("formats/png/imaging_flowers.png"), folder / "花.png"));
    addDroppedPaths(window, {folder / "风景.jpg", folder / "花.png"});
    select(1);

    runMainCommand(window, kCmdPreview);
    // The command returned before the picture was made: the window was never held up.
    EXPECT_TRUE(mainPreviewStats().pending);
    EXPECT_EQ(mainPreviewStats().lastRequestThread, GetCurrentThreadId());
    ASSERT_TRUE(pumpUntil(previewSettled));

    ASSERT_TRUE(mainPreviewShown());
    EXPECT_FALSE(GetWindowLongA(mainPictureList(window), GWL_STYLE) & WS_VISIBLE) << "the pane covers the list";
    char className[32] = {};
    GetClassNameA(mainPreviewPane(), className, sizeof className);
    EXPECT_STREQ(className, "Preview");
    EXPECT_EQ(GetParent(mainPreviewPane()), mainListContainer(window));
    PreviewPaneInfo shown = pane();
    EXPECT_EQ(shown.width, 600);  // imaging_flowers.png is 600 x 400
    EXPECT_EQ(shown.height, 400);
    EXPECT_TRUE(toolbarChecked());
    EXPECT_EQ(windowText(window), "Velmora图片批量处理工具(V11.5) - "
                                  "效果预览(提示:按ESC退出预览,按方向键可预览上一张,下一张图片) - 花.png");
    EXPECT_EQ(status(0).rfind("原图尺寸: 600 x 400, 类型: PNG 图片, 大小: ", 0), 0u) << status(0);
    EXPECT_EQ(status(1), formatText("处理后图片尺寸: 600 x 400, 类型: JPEG 图片, 大小: %0.1f KB",
                                    shown.jpegBytes / 1024.0));
    // The fields applied with Enter say so while the preview is open.
    for (int id : {kIdSizeField, kIdMaxSizeField, kIdText, kIdTextWValue, kIdImageHValue})
        EXPECT_EQ(enterTips(control(id)), 1) << id;

    // A box: resize to 120 pixels wide.
    SetWindowTextA(control(kIdSizeField), "120");
    click(kIdResize);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 120);
    EXPECT_EQ(pane().height, 80);
    // Black and white: the picture on the screen is grey.
    click(kIdBlackWhite);
    ASSERT_TRUE(pumpUntil(previewSettled));
    POINT at = pane().origin;
    COLORREF c = paintedPixel(mainPreviewPane(), at.x + 60, at.y + 40);
    EXPECT_EQ(GetRValue(c), GetGValue(c));
    EXPECT_EQ(GetGValue(c), GetBValue(c));
    // A field applied with Enter, and one left with a new text.
    typeAndEnter(kIdSizeField, "90");
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 90);
    HWND size = control(kIdSizeField);
    SendMessageA(GetParent(size), WM_COMMAND, MAKEWPARAM(kIdSizeField, EN_SETFOCUS), (LPARAM)size);
    SetWindowTextA(size, "70");
    SendMessageA(GetParent(size), WM_COMMAND, MAKEWPARAM(kIdSizeField, EN_KILLFOCUS), (LPARAM)size);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 70);
    // A slider once it is let go.
    click(kIdBorder);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 70 + 2 * 3);
    int requestsBeforeSlide = mainPreviewStats().requests;
    SendMessageA(control(kIdBorderSize), TBM_SETPOS, TRUE, 10);
    SendMessageA(GetParent(control(kIdBorderSize)), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 10),
                 (LPARAM)control(kIdBorderSize));
    pumpMainWindowMessages();
    EXPECT_EQ(mainPreviewStats().requests, requestsBeforeSlide) << "not while the slider moves";
    SendMessageA(GetParent(control(kIdBorderSize)), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
                 (LPARAM)control(kIdBorderSize));
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 70 + 2 * 10);

    // The save group does not touch the picture.
    int requests = mainPreviewStats().requests;
    click(kIdKeepStructure);
    pumpMainWindowMessages();
    EXPECT_EQ(mainPreviewStats().requests, requests);

    // Closing: the list, the plain title and an unchecked button come back.
    runMainCommand(window, kCmdPreview);
    EXPECT_FALSE(mainPreviewShown());
    EXPECT_TRUE(GetWindowLongA(mainPictureList(window), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(windowText(window), "Velmora图片批量处理工具(V11.5)");
    EXPECT_FALSE(toolbarChecked());
    EXPECT_FALSE(pane().hasPicture);
    EXPECT_EQ(enterTips(control(kIdSizeField)), 0);
}

// The real output pixel for pixel when it fits the pane, else the whole of it;
// the key 1 switches, and the choice holds for the next picture.
TEST_F(MainWindowPreview, TheOutputAtActualSizeWhenItFitsElseFitted)
{
    ScratchFolder folder("预览_适合");
    ASSERT_TRUE(copyWritable(samplePath("photos/mate_Storm.jpg"), folder / "a.jpg"));  // 1920 x 1280
    addDroppedPaths(window, {folder / "a.jpg"});
    select(0);
    SetWindowTextA(control(kIdSizeField), "300");
    click(kIdResize);
    openPreview();
    PreviewPaneInfo shown = pane();
    EXPECT_TRUE(shown.fit);
    EXPECT_EQ(shown.shownWidth, 300) << "pixel for pixel";
    EXPECT_EQ(shown.shownHeight, 200);

    click(kIdResize);  // no resize: the full 1920 x 1280
    ASSERT_TRUE(pumpUntil(previewSettled));
    shown = pane();
    RECT client;
    GetClientRect(mainPreviewPane(), &client);
    EXPECT_EQ(shown.width, 1920);
    EXPECT_LE(shown.shownWidth, client.right - 16);
    EXPECT_LE(shown.shownHeight, client.bottom - 16);
    EXPECT_TRUE(shown.shownWidth == client.right - 16 || shown.shownHeight == client.bottom - 16);
    EXPECT_EQ(status(1).rfind("处理后图片尺寸: 1920 x 1280, 类型: JPEG 图片", 0), 0u) << "the real size";

    PostMessageA(mainPreviewPane(), WM_KEYDOWN, '1', 0);
    pumpMainWindowMessages();
    EXPECT_FALSE(pane().fit);
    EXPECT_EQ(pane().shownWidth, 1920);
    click(kIdBlackWhite);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_FALSE(pane().fit) << "kept for the next picture";
    EXPECT_EQ(pane().shownWidth, 1920);
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, '1', 0);
    pumpMainWindowMessages();
    EXPECT_TRUE(pane().fit);
}

TEST_F(MainWindowPreview, ANewerChangeSupersedesAnOlderOne)
{
    ScratchFolder folder("预览_更新");
    ASSERT_TRUE(copyWritable(samplePath("photos/lomiri_Dragonfly.jpg"), folder / "a.jpg"));
    addDroppedPaths(window, {folder / "a.jpg"});
    select(0);
    SetWindowTextA(control(kIdSizeField), "900");
    click(kIdResize);
    openPreview();
    ASSERT_EQ(pane().width, 900);
    int shownBefore = pane().shown;
    int requestsBefore = mainPreviewStats().requests;

    // Three changes, each asked of the worker before the one before it came back.
    for (const char *width : {"700", "500", "300"}) {
        typeAndEnter(kIdSizeField, width);
        pumpMainWindowMessages();
    }
    EXPECT_EQ(mainPreviewStats().requests, requestsBefore + 3);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 300);
    EXPECT_LT(pane().shown - shownBefore, 3) << "an outdated picture was shown";
    // Nothing older arrives later.
    Sleep(300);
    pumpMainWindowMessages();
    EXPECT_EQ(pane().width, 300);
}

TEST_F(MainWindowPreview, ArrowKeysAndTurnsActOnThePreviewedPicture)
{
    ScratchFolder folder("预览_方向键");
    ASSERT_TRUE(copyWritable(samplePath("photos/mate_Storm.jpg"), folder / "1.jpg"));      // 1920 x 1280
    ASSERT_TRUE(copyWritable(samplePath("formats/png/imaging_flowers.png"), folder / "2.png"));  // 600 x 400
    addDroppedPaths(window, {folder / "1.jpg", folder / "2.png"});
    select(0);
    openPreview();
    ASSERT_EQ(pane().width, 1920);

    // Arrow keys on the active main window, taken through the program's loop: the
    // next picture, and around again.
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_RIGHT, 0);
    pumpQueuedMessages();
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 600);
    EXPECT_EQ(pictureListPreviewIndex(), 1);
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_DOWN, 0);
    pumpQueuedMessages();
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 1920);
    EXPECT_EQ(pictureListPreviewIndex(), 0);
    // Esc after stepping on: the list's selection is the last picture shown.
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_RIGHT, 0);
    pumpQueuedMessages();
    ASSERT_TRUE(pumpUntil(previewSettled));
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_ESCAPE, 0);
    pumpQueuedMessages();
    EXPECT_FALSE(mainPreviewShown());
    HWND list = mainPictureList(window);
    EXPECT_EQ(ListView_GetSelectedCount(list), 1u);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
    select(0);
    openPreview();
    ASSERT_EQ(pane().width, 1920);

    // Rotating turns only the previewed picture, and the preview follows.
    runMainCommand(window, kCmdRotateRight);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pane().width, 1280);
    EXPECT_EQ(pane().height, 1920);
    EXPECT_EQ(pictureImageList().at(0)->rotation, 90);
    EXPECT_EQ(pictureImageList().at(1)->rotation, 0);
    runMainCommand(window, kCmdFlipVertical);
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_EQ(pictureImageList().at(0)->flip, 2);
    EXPECT_EQ(pictureImageList().at(1)->flip, 0);

    // With one picture an arrow key changes nothing.
    runMainCommand(window, kCmdPreview);
    removeAll();
    addDroppedPaths(window, {folder / "2.png"});
    select(0);
    openPreview();
    int requests = mainPreviewStats().requests;
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_RIGHT, 0);
    pumpQueuedMessages();
    EXPECT_EQ(mainPreviewStats().requests, requests);
    EXPECT_EQ(windowText(window), "Velmora图片批量处理工具(V11.5) - 效果预览 - 2.png");
    // Esc on the active main window closes the preview, and it stays closed.
    PostMessageA(mainPreviewPane(), WM_KEYDOWN, VK_ESCAPE, 0);
    pumpQueuedMessages();
    EXPECT_FALSE(mainPreviewShown());
    pumpUntil(previewSettled);
    EXPECT_FALSE(mainPreviewShown());
    EXPECT_EQ(mainPreviewStats().requests, requests);
    ShowWindow(window, SW_HIDE);
    pumpMainWindowMessages();
}

TEST_F(MainWindowPreview, AnOverwriteRunRefreshesItFromTheWindowThread)
{
    ScratchFolder folder("预览_覆盖");
    std::string photo = folder / "覆盖.jpg";
    ASSERT_TRUE(copyWritable(samplePath("photos/mate_Storm.jpg"), photo));
    addDroppedPaths(window, {photo});
    select(0);
    SetWindowTextA(control(kIdSizeField), "480");
    click(kIdResize);
    openPreview();
    EXPECT_EQ(status(0).rfind("原图尺寸: 1920 x 1280", 0), 0u) << status(0);
    int requests = mainPreviewStats().requests;

    recorder().boxAnswer = IDOK;  // "确定要覆盖原图吗？"
    click(kIdOverwrite);
    runMainCommand(window, kCmdStart);  // returns once the run's worker has ended
    // Asked right at the end of the run, on this (the window) thread.
    EXPECT_EQ(mainPreviewStats().requests, requests + 1);
    EXPECT_EQ(mainPreviewStats().lastRequestThread, GetCurrentThreadId());
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_TRUE(mainPreviewShown());
    EXPECT_EQ(status(0).rfind("原图尺寸: 480 x 320", 0), 0u) << "the new file is shown: " << status(0);
    click(kIdSaveTo);
}

TEST_F(MainWindowPreview, LoadingSettingsClosesAndReopensIt)
{
    ScratchFolder folder("预览_设置");
    ASSERT_TRUE(copyWritable(samplePath("formats/png/imaging_flowers.png"), folder / "花.png"));
    addDroppedPaths(window, {folder / "花.png"});
    select(0);
    openPreview();
    ASSERT_EQ(pane().width, 600);
    std::string szFolder = startupConfig().programFolder + "\\sz";
    CreateDirectoryA(szFolder.c_str(), nullptr);
    ProcessSettings stored;
    stored.bSize = 1;
    stored.sizeValue = 150;
    ASSERT_TRUE(writeSettingsFile(stored, szFolder + "\\预览.sz"));
    int closes = mainPreviewStats().closes;

    ASSERT_TRUE(loadSettingsFromSzFolder(panel, szFolder + "\\预览.sz"));
    // Closed for the load, and already asked for the picture with the new settings.
    EXPECT_EQ(mainPreviewStats().closes, closes + 1);
    EXPECT_FALSE(mainPreviewShown());
    EXPECT_EQ(windowText(window), "Velmora图片批量处理工具(V11.5)");
    EXPECT_TRUE(mainPreviewStats().pending);
    EXPECT_TRUE(toolbarChecked());
    ASSERT_TRUE(pumpUntil(previewSettled));
    EXPECT_TRUE(mainPreviewShown());
    EXPECT_EQ(pane().width, 150);
    DeleteFileA((szFolder + "\\预览.sz").c_str());
}

TEST_F(MainWindowPreview, APictureItCannotShowNeverEndsTheProgram)
{
    ScratchFolder folder("预览_超长");
    // 200 x 70,000: beyond the JPEG limit (and ImageMagick's height limit).
    std::vector<unsigned char> grey(200u * 70000u, 128), png;
    ASSERT_EQ(lodepng::encode(png, grey, 200, 70000, LCT_GREY, 8), 0u);
    std::string tall = folder / "长图.png";
    ASSERT_TRUE(writeFileBytes(tall, std::string(png.begin(), png.end())));
    ASSERT_TRUE(copyWritable(samplePath("formats/png/imaging_flowers.png"), folder / "花.png"));
    addDroppedPaths(window, {tall, folder / "花.png"});
    ASSERT_EQ(ListView_GetItemCount(mainPictureList(window)), 2);
    select(0);

    runMainCommand(window, kCmdPreview);
    ASSERT_TRUE(pumpUntil(previewSettled));
    PreviewPaneInfo info = pane();
    if (mainPreviewShown()) {  // shown scaled down to the JPEG limit
        EXPECT_LE(info.height, 65500);
    } else {  // or refused with the reason in the information window
        EXPECT_TRUE(infoContains("图片读取失败:\r\n" + tall, true));  // and the reason
        EXPECT_FALSE(toolbarChecked());
    }
    // The program goes on: the next picture previews.
    if (mainPreviewShown())
        runMainCommand(window, kCmdPreview);
    select(1);
    openPreview();
    EXPECT_EQ(pane().width, 600);
    EXPECT_TRUE(paneBoxes.empty());
}

TEST_F(MainWindowPreview, ViewOriginalShowsTheFirstSelectedPicture)
{
    ScratchFolder folder("预览_原图");
    std::string flowers = folder / "花.png";
    ASSERT_TRUE(copyWritable(samplePath("formats/png/imaging_flowers.png"), flowers));
    std::string photo = folder / "照片.jpg";
    ASSERT_TRUE(copyWritable(samplePath("photos/mate_Garden.jpg"), photo));
    addDroppedPaths(window, {flowers, photo});
    CreateDirectoryA(startupConfig().tempFolder.c_str(), nullptr);
    select(0);

    runMainCommand(window, kCmdViewOriginal);
    pumpMainWindowMessages();
    PictureViewerInfo info;
    ASSERT_TRUE(pictureViewerInfo(info));
    EXPECT_TRUE(IsWindowVisible(pictureViewerWindow()));
    EXPECT_EQ(windowText(pictureViewerWindow()), "花.png");
    EXPECT_EQ(info.width, 600);
    EXPECT_EQ(info.height, 400);
    EXPECT_TRUE(pathExists(startupConfig().tempFolder + "\\browser.jpg"));

    // The listed file became unreadable: the message, and the viewer is not opened.
    closePictureViewer();
    ASSERT_TRUE(writeFileBytes(flowers, "not a picture"));
    runMainCommand(window, kCmdViewOriginal);
    pumpMainWindowMessages();
    EXPECT_TRUE(infoContains("图片读取失败:\r\n" + flowers + "\r\n原因：", true));
    EXPECT_FALSE(IsWindowVisible(pictureViewerWindow()));
    EXPECT_FALSE(pathExists(startupConfig().tempFolder + "\\browser.jpg") &&
                 pictureViewerInfo(info) && info.hasPicture);

    // A JPEG is shown from its own file.
    select(1);
    runMainCommand(window, kCmdViewOriginal);
    pumpMainWindowMessages();
    ASSERT_TRUE(pictureViewerInfo(info));
    EXPECT_EQ(info.width, 2560);
    EXPECT_EQ(windowText(pictureViewerWindow()), "照片.jpg");
}
