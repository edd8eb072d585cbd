// The program-wide input rules and context help on the real main window. Input is
// posted to the windows and taken through the program's own loop
// (pumpQueuedMessages), as the running program takes the user's input.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "input/thumbnail_worker.h"
#include "main_window_fixture.h"
#include "picture_list_support.h"
#include "app/context_help.h"
#include "app/input_rules.h"
#include "app/main_commands.h"
#include "app/main_preview.h"
#include "app/main_run.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "ui/run_prompts.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup.h"
#include "ui/window_kit.h"
#include "util/text.h"

namespace {

HWND mainWindow() { return sharedMainWindow(); }
HWND panel() { return mainSettingsPanel(mainWindow()); }
HWND control(int id) { return panelControl(panel(), id); }
HWND list() { return mainPictureList(mainWindow()); }

void post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    PostMessageA(window, message, wParam, lParam);
    pumpQueuedMessages();
}

// A left click at a point of the window's client area, as the user makes it.
void clickAt(HWND window, POINT client)
{
    LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
    pumpQueuedMessages();
}

POINT centreOf(HWND window)
{
    RECT box;
    GetClientRect(window, &box);
    return {box.right / 2, box.bottom / 2};
}

bool waitFor(bool (*done)(), int limitMs = 60000)
{
    for (int waited = 0; waited < limitMs; waited += 20) {
        pumpQueuedMessages();
        if (done())
            return true;
        Sleep(20);
    }
    return done();
}

bool listSettled() { return !thumbnailWorker().busy() && !pictureListBusy(); }

std::vector<std::string> listedNames()
{
    std::vector<std::string> names;
    ImageList &items = pictureImageList();
    for (int i = 0; i < items.count(); ++i)
        names.push_back(items.at(i)->name);
    return names;
}

std::vector<int> selectedRows()
{
    std::vector<int> rows;
    for (int i = -1; (i = ListView_GetNextItem(list(), i, LVNI_SELECTED)) >= 0;)
        rows.push_back(i);
    return rows;
}

void selectRows(const std::vector<int> &rows)
{
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(list(), row, LVIS_SELECTED, LVIS_SELECTED);
}

void emptyList()
{
    runMainCommand(mainWindow(), kCmdListRemoveAll);
    waitFor([] { return listSettled() && pictureImageList().count() == 0; });
}

// Pictures p0.jpg .. p{n-1}.jpg listed in that order.
void listPictures(const ScratchFolder &folder, int n)
{
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
        std::string path = folder / formatText("p%d.jpg", i);
        ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), path));
        paths.push_back(path);
    }
    addDroppedPaths(mainWindow(), paths);
    ASSERT_EQ(pictureImageList().count(), n);
}

class MainWindowInput : public testing::Test {
protected:
    bool thumbnailsWere = true;
    void SetUp() override
    {
        ASSERT_NE(mainWindow(), nullptr);
        thumbnailsWere = thumbnailsShown();
        if (!thumbnailsWere)
            runMainCommand(mainWindow(), kCmdToggleThumbnails);
        emptyList();
        recorder().clear();
        closeBalloons();
    }
    void TearDown() override
    {
        useNormalRenderer();
        emptyList();
        if (thumbnailsShown() != thumbnailsWere)
            runMainCommand(mainWindow(), kCmdToggleThumbnails);
        closeBalloons();
        recorder().clear();
    }
};

}  // namespace

// ---- Balloons -------------------------------------------------------------------------

TEST_F(MainWindowInput, ABalloonClosesOnAnyKeyOrButtonPressButNotOnAMove)
{
    struct Case {
        const char *what;
        UINT message;
        bool closes;
    } cases[] = {{"key", WM_KEYDOWN, true},           {"left button", WM_LBUTTONDOWN, true},
                 {"right button", WM_RBUTTONDOWN, true}, {"frame click", WM_NCLBUTTONDOWN, true},
                 {"pointer move", WM_MOUSEMOVE, false}};
    HWND field = control(kIdText);
    HWND label = control(kIdTextLabel);  // a label does nothing with the press itself
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        closeBalloons();
        showBalloon(field, "此项不能为空", "请输入", kBalloonWarning, GetModuleHandleA(nullptr), false);
        ASSERT_EQ(openBalloonCount(), 1);
        post(label, c.message, c.message == WM_KEYDOWN ? 'A' : 0, MAKELPARAM(5, 5));
        EXPECT_EQ(openBalloonCount(), c.closes ? 0 : 1);
    }
}

// ---- The busy rule --------------------------------------------------------------------

TEST_F(MainWindowInput, AClickDuringAHeldRemovalDoesNotChangeWhatIsRemoved)
{
    ScratchFolder folder("按住_held");
    useGatedRenderer(true);
    listPictures(folder, 6);
    ASSERT_TRUE(waitFor([] { return picturesAtGate() > 0; })) << "the worker never started its pass";

    // Delete with the first two selected: the worker is busy, so the removal waits.
    selectRows({0, 1});
    post(list(), WM_KEYDOWN, VK_DELETE);
    ASSERT_TRUE(pictureListBusy()) << "the removal was not handed to the worker";
    EXPECT_EQ(pictureImageList().count(), 6);

    // Meanwhile the user clicks another picture and presses Ctrl+A.
    RECT row = {};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(list(), LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&row)));
    clickAt(list(), {(row.left + row.right) / 2, (row.top + row.bottom) / 2});
    post(list(), WM_CHAR, 1);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 1})) << "input reached the list while it was held";

    openGate();
    ASSERT_TRUE(waitFor([] { return listSettled() && pictureImageList().count() == 4; }));
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"}));
    std::string why;
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;
}

// ---- Delete and Ctrl+A ----------------------------------------------------------------

TEST_F(MainWindowInput, DeleteRemovesTheSelectedPicturesAndCtrlASelectsAll)
{
    ScratchFolder folder("删除_delete");
    listPictures(folder, 4);
    ASSERT_TRUE(waitFor(listSettled));

    post(list(), WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(pictureImageList().count(), 4) << "nothing selected: nothing removed";

    selectRows({1});
    post(control(kIdText), WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(pictureImageList().count(), 4) << "Delete in a settings field is the field's";

    post(list(), WM_KEYDOWN, VK_DELETE);
    ASSERT_TRUE(waitFor([] { return listSettled() && pictureImageList().count() == 3; }));
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"p0.jpg", "p2.jpg", "p3.jpg"}));

    selectRows({});
    post(list(), WM_CHAR, 1);  // Ctrl+A as the keyboard translates it
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 1, 2}));
    post(list(), WM_KEYDOWN, VK_DELETE);
    ASSERT_TRUE(waitFor([] { return listSettled() && pictureImageList().count() == 0; }));
}

// ---- The arrow keys in the preview -----------------------------------------------------

namespace {
int previewRefreshes = 0;
void countRefresh() { ++previewRefreshes; }
}  // namespace

TEST_F(MainWindowInput, TheArrowKeysStepThroughThePicturesWhileThePreviewShows)
{
    ScratchFolder folder("预览_arrows");
    listPictures(folder, 3);
    ASSERT_TRUE(waitFor(listSettled));
    // The preview window shown (its refresh counted instead of made).
    HWND window = mainWindow();
    HWND preview = createMainPreview(window, GetModuleHandleA(nullptr));
    ASSERT_NE(preview, nullptr);
    ShowWindow(preview, SW_SHOW);
    PictureListHost host = pictureListHost();
    PictureListHost withPreview = host;
    withPreview.previewWindow = preview;
    withPreview.refreshPreview = countRefresh;
    setPictureListHost(withPreview);
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);
    previewRefreshes = 0;
    setPictureListPreviewIndex(0);

    post(window, WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(pictureListPreviewIndex(), 1);
    post(preview, WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(pictureListPreviewIndex(), 2);
    post(window, WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(pictureListPreviewIndex(), 0) << "from the last back to the first";
    post(control(kIdStart), WM_KEYDOWN, VK_LEFT);  // a button
    EXPECT_EQ(pictureListPreviewIndex(), 2) << "from the first back to the last";
    EXPECT_EQ(previewRefreshes, 4);
    post(control(kIdText), WM_KEYDOWN, VK_LEFT);  // a field keeps its arrows
    EXPECT_EQ(pictureListPreviewIndex(), 2);

    runMainCommand(window, kCmdListRemoveAll);
    ASSERT_TRUE(waitFor([] { return listSettled() && pictureImageList().count() == 0; }));
    listPictures(folder, 1);
    setPictureListPreviewIndex(0);
    previewRefreshes = 0;
    post(window, WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(pictureListPreviewIndex(), 0) << "one picture: nothing to step to";
    EXPECT_EQ(previewRefreshes, 0);

    setPictureListHost(host);
    ShowWindow(preview, SW_HIDE);
    ShowWindow(window, SW_HIDE);
    pumpQueuedMessages();
}

// ---- Enter and Tab in the settings fields ----------------------------------------------

TEST_F(MainWindowInput, EnterAppliesASettingsFieldAndTabMovesNothing)
{
    setCheck(control(kIdResize), true);
    SendMessageA(GetParent(control(kIdResize)), WM_COMMAND, MAKEWPARAM(kIdResize, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(kIdResize)));
    SetWindowTextA(control(kIdSizeField), "");
    pumpQueuedMessages();
    recorder().clear();
    post(control(kIdSizeField), WM_CHAR, 13);
    ASSERT_EQ(recorder().balloons.size(), 1u) << "Enter did not apply the empty field";
    EXPECT_EQ(recorder().balloons[0].text, "此项不能为空");
    EXPECT_EQ(recorder().balloons[0].control, control(kIdSizeField));

    SetWindowTextA(control(kIdText), "水印");
    post(control(kIdText), WM_CHAR, 9);
    char text[64] = {};
    GetWindowTextA(control(kIdText), text, sizeof text);
    EXPECT_EQ(std::string(text), "水印");

    SetWindowTextA(control(kIdSizeField), "750");
    SetWindowTextA(control(kIdText), "");
    setCheck(control(kIdResize), false);
    SendMessageA(GetParent(control(kIdResize)), WM_COMMAND, MAKEWPARAM(kIdResize, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(kIdResize)));
    pumpQueuedMessages();
}

// ---- The wheel ------------------------------------------------------------------------

TEST_F(MainWindowInput, TheWheelOverASliderOrAListScrollsThePanelOrNothingButNeverChangesTheValue)
{
    HWND window = mainWindow();
    // The brightness slider and the border's placement list can be used.
    clickAt(control(kIdLight), centreOf(control(kIdLight)));
    clickAt(control(kIdBorder), centreOf(control(kIdBorder)));
    HWND slider = control(kIdLightSlider), list = control(kIdBorderLocation);
    ASSERT_TRUE(IsWindowEnabled(slider));
    ASSERT_TRUE(IsWindowEnabled(list));
    RECT box;
    GetWindowRect(panel(), &box);
    int position = (int)SendMessageA(slider, TBM_GETPOS, 0, 0);
    int entry = (int)SendMessageA(list, CB_GETCURSEL, 0, 0);
    for (bool tight : {true, false}) {
        for (HWND focus : {slider, list}) {
            SCOPED_TRACE(std::string(tight ? "the panel scrolls" : "the panel shows everything") +
                         (focus == slider ? ", slider" : ", list"));
            // (A screen tall enough for the whole panel is rare: the panel alone is made taller.)
            SetWindowPos(panel(), nullptr, 0, 0, box.right - box.left, tight ? 500 : 2000,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            pumpQueuedMessages();
            ASSERT_EQ(settingsPanelCanScroll(panel()), tight);
            scrollSettingsPanelTo(panel(), 0);
            RECT at;
            GetWindowRect(focus, &at);
            // The wheel message goes to the window with the focus.
            post(focus, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), MAKELPARAM(at.left + 5, at.top + 5));
            EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), position);
            EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), entry);
            EXPECT_EQ(settingsPanelScrollPosition(panel()), tight ? 50 : 0);
        }
    }
    layoutMainWindow(window);
    scrollSettingsPanelTo(panel(), 0);
    clickAt(control(kIdLight), centreOf(control(kIdLight)));
    clickAt(control(kIdBorder), centreOf(control(kIdBorder)));
    pumpQueuedMessages();
}

// ---- The save group -------------------------------------------------------------------

namespace {

struct OverwriteQuestion {
    int asked = 0;
    bool tickedBeforeAnswer = false;
    int answer = IDCANCEL;
};
OverwriteQuestion question;

int answerOverwrite(HWND, const char *text, const char *caption, UINT type)
{
    if (std::string(text).find("确定要覆盖原图吗") != std::string::npos) {
        ++question.asked;
        question.tickedBeforeAnswer = getCheck(control(kIdOverwrite));
        return question.answer;
    }
    recorder().boxes.push_back({caption, text, type});
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace

TEST_F(MainWindowInput, OverwriteAsksItsQuestionAfterARunAndAChangeOfASetting)
{
    ScratchFolder folder("覆盖_after_run"), target("覆盖_target");
    listPictures(folder, 1);
    ASSERT_TRUE(waitFor(listSettled));
    DWORD savedMode = startupConfig().picSaveMode;
    startupConfig().picSaveMode = 0;
    runPrompts().messageBox = answerOverwrite;
    question = OverwriteQuestion();
    clickAt(control(kIdSaveTo), centreOf(control(kIdSaveTo)));
    setPanelSaveToFolder(panel(), target.path());

    runMainCommand(mainWindow(), kCmdStart);
    ASSERT_TRUE(pathExists(target / "p0.jpg"));
    // pic_save_mode 0: no choice is left; then the user changes any setting.
    EXPECT_FALSE(getCheck(control(kIdSaveTo)));
    EXPECT_FALSE(getCheck(control(kIdOverwrite)));
    clickAt(control(kIdBlackWhite), centreOf(control(kIdBlackWhite)));
    ASSERT_TRUE(getCheck(control(kIdBlackWhite)));

    clickAt(control(kIdOverwrite), centreOf(control(kIdOverwrite)));
    EXPECT_EQ(question.asked, 1) << "overwrite was chosen without its question";
    EXPECT_FALSE(question.tickedBeforeAnswer) << "the button showed overwrite before the answer";
    EXPECT_FALSE(getCheck(control(kIdOverwrite)));
    EXPECT_TRUE(getCheck(control(kIdSaveTo))) << "Cancel goes back to saving into a folder";

    question.answer = IDOK;
    clickAt(control(kIdOverwrite), centreOf(control(kIdOverwrite)));
    EXPECT_EQ(question.asked, 2);
    EXPECT_TRUE(getCheck(control(kIdOverwrite)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdSaveToChoose)));
    clickAt(control(kIdOverwrite), centreOf(control(kIdOverwrite)));
    EXPECT_EQ(question.asked, 2) << "asked again although overwrite is chosen";

    clickAt(control(kIdBlackWhite), centreOf(control(kIdBlackWhite)));
    clickAt(control(kIdSaveTo), centreOf(control(kIdSaveTo)));
    useRecordingRunPrompts();
    startupConfig().picSaveMode = savedMode;
}

// ---- Commands whose tool is not built --------------------------------------------------

TEST_F(MainWindowInput, EveryCommandWhoseToolIsMissingSaysSo)
{
    for (int command : {kCmdPreview, kCmdPngTool, kCmdJoinTool, kCmdSliceTool, kCmdCropTool, kCmdConvertTool,
                        kCmdViewOriginal}) {
        const char *label = notBuiltYetLabel(command);
        if (!label)
            continue;  // its tool is in this build
        SCOPED_TRACE(label);
        recorder().clear();
        post(mainWindow(), WM_COMMAND, MAKEWPARAM(command, 0));
        ASSERT_EQ(recorder().boxes.size(), 1u);
        EXPECT_EQ(recorder().boxes[0].caption, "提示");
        EXPECT_NE(recorder().boxes[0].text.find(label), std::string::npos);
    }
    EXPECT_FALSE(SendMessageA(mainToolbar(mainWindow()), TB_ISBUTTONCHECKED, kCmdPreview, 0));
}

// ---- Context help ---------------------------------------------------------------------

namespace {

// Client point of the main window at the centre of a control.
POINT mainPointOf(HWND control)
{
    RECT box;
    GetWindowRect(control, &box);
    POINT p = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    ScreenToClient(mainWindow(), &p);
    return p;
}

}  // namespace

TEST_F(MainWindowInput, TheGuideButtonShowsTheTextOfTheControlClickedNext)
{
    HWND window = mainWindow();
    ASSERT_NE(contextHelpPopup(), nullptr);
    struct Case {
        const char *what;
        HWND target;
        int scroll;           // the panel scrolled to the top (0) or the bottom
        const char *begins;  // "" when nothing is shown
    } cases[] = {
        {"a disabled slider", control(kIdQualitySlider), 0, "拖动滑块调整图片压缩后的质量。"},
        {"the start button", control(kIdStart), 5000, "根据图片相关设置，开始对图片进行处理。"},
        {"the picture list", list(), 0, "这是一个图片列表框，准备处理的图片将排列在这里。"},
        {"an empty part of the panel", control(kIdSectionFirst), 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ShowWindow(contextHelpPopup(), SW_HIDE);
        scrollSettingsPanelTo(panel(), c.scroll);
        post(window, WM_COMMAND, MAKEWPARAM(kCmdContextHelp, 0));
        ASSERT_TRUE(contextHelpModeActive());
        POINT at = mainPointOf(c.target);
        if (c.target == control(kIdSectionFirst)) {  // right of the group's title, above its controls
            RECT box;
            GetWindowRect(c.target, &box);
            at = {box.left + 200, box.top + 8};
            ScreenToClient(window, &at);
        }
        // The question-mark mode holds the pointer: the click comes to the main window.
        clickAt(window, at);
        EXPECT_FALSE(contextHelpModeActive());
        std::string shown = contextHelpText();
        EXPECT_EQ(shown.substr(0, std::string(c.begins).size()), c.begins);
        EXPECT_EQ(shown.empty(), *c.begins == '\0');
        EXPECT_EQ(IsWindowVisible(contextHelpPopup()) != FALSE, *c.begins != '\0');
    }
    scrollSettingsPanelTo(panel(), 0);
    // Esc leaves the mode without asking.
    post(window, WM_COMMAND, MAKEWPARAM(kCmdContextHelp, 0));
    post(window, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(contextHelpModeActive());
    ShowWindow(contextHelpPopup(), SW_HIDE);
}

TEST_F(MainWindowInput, EveryControlOfThePanelThatTheUserWorksHasAHelpText)
{
    // Labels, titles and the section boxes explain themselves; of the rest only
    // the picture rotation and the maximum-size "?" (which opens its own note)
    // have no text of their own.
    const int without[] = {kIdImageAngle, kIdMaxSizeHelp};
    int checked = 0;
    for (int id = kIdResize; id < kIdSectionFirst; ++id) {
        HWND c = control(id);
        if (!c)
            continue;
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        bool label = lstrcmpiA(cls, "Static") == 0 && !(style & SS_NOTIFY);
        if (label || std::find(std::begin(without), std::end(without), id) != std::end(without))
            continue;
        ++checked;
        EXPECT_NE(helpTextFor(c), nullptr) << "control " << id << " (" << cls << ")";
    }
    EXPECT_GE(checked, 50);
    EXPECT_NE(helpTextFor(list()), nullptr);
}
