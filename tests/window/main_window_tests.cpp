#include "gtest.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "main_window_fixture.h"
#include "util/registry_store.h"
#include "core/settings_file.h"
#include "app/context_help.h"
#include "ui/info_window.h"
#include "input/file_helpers.h"
#include "util/app_info.h"
#include "app/main_commands.h"
#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/settings_panel/panel_ids.h"
#include "app/picture_list_view.h"
#include "ui/run_prompts.h"
#include "app/shortcut.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "ui/window_kit.h"
#include "test_util.h"
#include "util/magick_path.h"

// ---------------------------------------------------------------------------
// Fixture

PanelRecorder &recorder()
{
    static PanelRecorder instance;
    return instance;
}

namespace {

int recordBox(HWND, const char *text, const char *caption, UINT type)
{
    recorder().boxes.push_back({caption, text, type});
    return recorder().boxAnswer;
}

void recordBalloon(HWND control, const char *title, const char *text)
{
    recorder().balloons.push_back({control, title, text});
}

bool recordFontDialog(HWND, ProcessSettings &)
{
    ++recorder().fontDialogs;
    return false;
}

bool refuseColour(HWND, COLORREF *) { return false; }

void recordExit(UINT) {}

bool refuseFolder(HWND, const char *, char *) { return false; }
void recordRunBalloon(HWND control, const char *text, const char *title)
{
    recorder().balloons.push_back({control, title, text});
}
void ignoreOpenFolder(HWND, const char *) {}

}  // namespace

void useRecordingRunPrompts()
{
    RunPrompts &prompts = runPrompts();
    prompts.messageBox = recordBox;
    prompts.balloon = recordRunBalloon;
    prompts.chooseFolder = refuseFolder;
    prompts.openFolder = ignoreOpenFolder;
}

void pumpMainWindowMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND sharedMainWindow()
{
    static HWND window = nullptr;
    if (window)
        return window;
    static ScratchFolder programFolder("主窗口_program");
    StartupConfig &config = startupConfig();
    config.programFolder = programFolder.path();
    config.tempFolder = programFolder / "temp";
    computeFontPaths(config);
    buildFontTables(config);
    PanelHooks &hooks = panelHooks();
    hooks.messageBox = recordBox;
    hooks.balloon = recordBalloon;
    hooks.chooseFont = recordFontDialog;
    hooks.chooseColour = refuseColour;
    mainWindowExit = recordExit;
    useRecordingRunPrompts();
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(programFolder.path().c_str());  // "config.dat" is read from here
    window = createMainWindow(GetModuleHandleA(nullptr), SW_HIDE);
    createContextHelpPopup(GetModuleHandleA(nullptr), window);  // as start-up does
    SetCurrentDirectoryA(previous);
    pumpMainWindowMessages();
    return window;
}

namespace {

// Remove all: while the thumbnail worker is busy the removal waits for it, so
// pump messages until the list is empty (bounded; the test fails if it never is).
void removeAllAndWait(HWND window)
{
    runMainCommand(window, kCmdListRemoveAll);
    for (int i = 0; i < 400 && ListView_GetItemCount(mainPictureList(window)) > 0; ++i) {
        pumpMainWindowMessages();
        Sleep(25);
    }
    pumpMainWindowMessages();
    ASSERT_EQ(ListView_GetItemCount(mainPictureList(window)), 0);
}

std::string textOf(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string classOf(HWND window)
{
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT rectIn(HWND window, HWND parent)
{
    RECT box;
    GetWindowRect(window, &box);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(&box), 2);
    return box;
}

std::string toolbarText(HWND toolbar, int command)
{
    char text[128] = {};
    SendMessageA(toolbar, TB_GETBUTTONTEXTA, command, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Window tree

TEST(MainWindowTree, TitleClassAndTopLevelChildren)
{
    HWND window = sharedMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window), "Velmora图片批量处理工具(V11.5)");
    EXPECT_EQ(classOf(window), "CodeBlocksWindowsApp");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    EXPECT_EQ(classOf(mainToolbar(window)), "ToolbarWindow32");
    EXPECT_EQ(classOf(mainListContainer(window)), "Static");
    EXPECT_EQ(textOf(mainListContainer(window)), "panel");
    HWND list = mainPictureList(window);
    EXPECT_EQ(classOf(list), "SysListView32");
    EXPECT_EQ(GetParent(list), mainListContainer(window));
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    char header[32] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = header;
    column.cchTextMax = sizeof header;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::string(header), "名称");
    EXPECT_EQ(column.cx, 490);
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::string(header), "位置");
    EXPECT_EQ(column.cx, 460);
    HWND tips = FindWindowExA(list, nullptr, "static", nullptr);
    ASSERT_NE(tips, nullptr);
    EXPECT_TRUE(GetWindowLongA(tips, GWL_STYLE) & WS_VISIBLE) << "the drop hint shows while the list is empty";

    HWND panel = mainSettingsPanel(window);
    EXPECT_EQ(classOf(panel), "CodeBlocksWindowsApp");
    EXPECT_EQ(textOf(panel), "panel");
    EXPECT_EQ(GetParent(panel), window);
    HWND start = panelControl(panel, kIdStart);
    EXPECT_EQ(textOf(start), "开始处理");
    EXPECT_EQ(GetParent(start), panel);
    RECT startBox = rectIn(start, panel);
    EXPECT_EQ(startBox.right - startBox.left, 239);
    EXPECT_EQ(startBox.bottom - startBox.top, 24);

    HWND filter = mainExtensionFilter(window);
    EXPECT_EQ(classOf(filter), "ComboBox");
    RECT filterBox = rectIn(filter, window);
    EXPECT_EQ(filterBox.left, -1000);
    EXPECT_EQ(filterBox.top, -1000);
    EXPECT_EQ(SendMessageA(filter, CB_GETCOUNT, 0, 0), 13);
    char entry[64] = {};
    SendMessageA(filter, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::string(entry), "加载所有图片");
    SendMessageA(filter, CB_GETLBTEXT, 8, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::string(entry), "PSD图片  (*.psd)");

    HWND status = mainStatusBar(window);
    EXPECT_EQ(classOf(status), "msctls_statusbar32");
    int parts[4] = {};
    EXPECT_EQ(SendMessageA(status, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)), 2);
    EXPECT_EQ(parts[0], 380);
    char statusText[64] = {};
    SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(statusText));
    EXPECT_EQ(std::string(statusText), "0 张图片");
}

// A status bar that grows is drawn afresh: no size grip is left where its right
// edge was (seen in the middle of the bar after maximising).
TEST(MainWindowTree, StatusBarKeepsNoGripWhereItsEdgeWas)
{
    HWND window = sharedMainWindow(), status = mainStatusBar(window);
    RECT was = {}, now = {};
    for (int width : {1000, 1200}) {
        SetWindowPos(window, nullptr, 0, 0, width, 700, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        pumpMainWindowMessages();
        UpdateWindow(status);
        was = now;
        GetClientRect(status, &now);
    }
    HDC dc = GetDC(status);
    int marks = 0;
    for (int y = 2; y < now.bottom - 1; ++y)
        for (int x = was.right - 20; x < was.right; ++x)
            marks += GetPixel(dc, x, y) != GetPixel(dc, was.right - 60, now.bottom / 2);
    ReleaseDC(status, dc);
    EXPECT_EQ(marks, 0) << "pixels of an old grip";
    ShowWindow(window, SW_HIDE);
}

TEST(MainWindowTree, ToolbarButtonsLabelsStatesAndTooltips)
{
    HWND toolbar = mainToolbar(sharedMainWindow());
    struct Expected {
        int command;
        const char *label;
        bool enabled;
    } expected[] = {{35100, "添加图片", true},  {35101, "添文件夹", true},  {35102, "移除图片", false},
                    {35103, "图片左转", false}, {35104, "图片右转", false}, {35105, "水平翻转", false},
                    {35106, "垂直翻转", false}, {35107, "效果预览", false}, {35108, "开始处理", false},
                    {35110, "处理PNG", true},   {35111, "图片拼接", true},  {35112, "图片切片", true},
                    {35113, "图片裁剪", true},  {35114, "格式转换", true},  {35109, "快捷方式", true},
                    {35115, "官方网站", true},  {35116, "关于", true},      {35117, "使用指南", true},
                    {35118, "软件设置", true}};
    // 19 buttons and 5 separators, in this order.
    ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 24);
    int next = 0;
    int separators = 0;
    for (int index = 0; index < 24; ++index) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) {
            ++separators;
            continue;
        }
        ASSERT_LT(next, 19);
        EXPECT_EQ(button.idCommand, expected[next].command) << "button " << index;
        EXPECT_EQ(toolbarText(toolbar, button.idCommand), expected[next].label);
        EXPECT_EQ((button.fsState & TBSTATE_ENABLED) != 0, expected[next].enabled) << expected[next].label;
        ++next;
    }
    EXPECT_EQ(separators, 5);
    TBBUTTONINFOA info = {sizeof info, TBIF_STYLE};
    SendMessageA(toolbar, TB_GETBUTTONINFOA, kCmdPreview, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(info.fsStyle & BTNS_CHECK);
    SendMessageA(toolbar, TB_GETBUTTONINFOA, kCmdSettingsMenu, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(info.fsStyle & BTNS_WHOLEDROPDOWN);

    // Button images are 32 x 32 and each button is 60 to 64 wide.
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 32);
    RECT button;
    SendMessageA(toolbar, TB_GETRECT, kCmdAddPictures, reinterpret_cast<LPARAM>(&button));
    EXPECT_GE(button.right - button.left, 60);
    EXPECT_LE(button.right - button.left, 64);

    // Only four buttons have a tooltip.
    int withTip = 0;
    for (const Expected &e : expected)
        withTip += toolbarTooltip(e.command) != nullptr;
    EXPECT_EQ(withTip, 4);
    EXPECT_STREQ(toolbarTooltip(kCmdAddFolder), "添加图片文件夹");
    EXPECT_STREQ(toolbarTooltip(kCmdShortcut), "在桌面创建一个快捷启动方式");
    NMTTDISPINFOA tip = {};
    tip.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0));
    tip.hdr.idFrom = kCmdPreview;
    tip.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(sharedMainWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, "根据图片相关设置，在开始处理前先预览一下效果。");
}

// ---------------------------------------------------------------------------
// Sizing rules

namespace {

struct LayoutCase {
    int workWidth, workHeight;
};

}  // namespace

TEST(MainWindowSizing, ListAndPanelFollowTheRulesForSeveralWorkAreas)
{
    HWND window = sharedMainWindow();
    HWND panel = mainSettingsPanel(window);
    HWND container = mainListContainer(window);
    HWND status = mainStatusBar(window);
    int captionExtra = GetSystemMetrics(SM_CYCAPTION) - 19;
    int frameX = GetSystemMetrics(SM_CXFRAME) * 2 - 8;
    int frameY = GetSystemMetrics(SM_CYFRAME) * 2 - 8;
    int scrollBar = GetSystemMetrics(SM_CXVSCROLL);

    for (LayoutCase c : {LayoutCase{1280, 800}, LayoutCase{1920, 1080}, LayoutCase{1366, 768},
                         LayoutCase{2560, 1440}}) {
        SCOPED_TRACE(std::to_string(c.workWidth) + "x" + std::to_string(c.workHeight));
        ClientSize size = initialClientSize(c.workWidth, c.workHeight);
        sizeClientArea(window, size.width, size.height, status);
        pumpMainWindowMessages();
        RECT client, outer, bar;
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        GetWindowRect(status, &bar);
        int statusHeight = bar.bottom - bar.top;
        EXPECT_EQ(client.right, size.width);
        EXPECT_EQ(client.bottom, size.height + statusHeight);

        int W = outer.right - outer.left, H = outer.bottom - outer.top;
        int usable = H - statusHeight - captionExtra - 83;
        int room = 950 < usable - frameY ? 0 : scrollBar + 2;
        int panelX = W - 251 - room - frameX;
        RECT p = rectIn(panel, window);
        EXPECT_EQ(p.left, panelX);
        EXPECT_EQ(p.top, 56);
        EXPECT_EQ(p.right - p.left, scrollBar + 243);
        EXPECT_EQ(p.bottom - p.top, usable - frameY - 1);
        RECT l = rectIn(container, window);
        EXPECT_EQ(l.left, 1);
        EXPECT_EQ(l.top, 62);
        EXPECT_EQ(l.right - l.left, panelX - 6);
        EXPECT_EQ(l.bottom - l.top, H - statusHeight - captionExtra - 89 - frameY);
        RECT inside = rectIn(mainPictureList(window), container);
        EXPECT_EQ(inside.right - inside.left, l.right - l.left) << "the list fills its container";

        // Nothing overlaps and nothing hangs below the status bar.
        RECT t = rectIn(mainToolbar(window), window);
        EXPECT_LE(t.bottom, p.top) << "the toolbar leaves the panel's first row visible";
        EXPECT_LT(l.right, p.left);
        RECT s = rectIn(status, window);
        EXPECT_LE(p.bottom, s.top);
        EXPECT_LE(l.bottom, s.top);
        // The visible part of the panel holds the whole width of its sections.
        RECT section = rectIn(panelControl(panel, kIdSectionFirst), window);
        EXPECT_LE(section.right, client.right - (room ? scrollBar : 0));
        // The panel scrolls exactly when its content does not fit.
        SCROLLINFO info = {sizeof info, SIF_ALL};
        bool scrolls = GetScrollInfo(panel, SB_VERT, &info) && info.nMax > 0 &&
                       (GetWindowLongA(panel, GWL_STYLE) & WS_VSCROLL);
        RECT panelClient;
        GetClientRect(panel, &panelClient);
        EXPECT_EQ(scrolls, panelClient.bottom < 950);
    }
}

TEST(MainWindowSizing, TooSmallSizesAreRefused)
{
    HWND window = sharedMainWindow();
    HWND panel = mainSettingsPanel(window);
    ClientSize size = initialClientSize(1280, 800);
    sizeClientArea(window, size.width, size.height, mainStatusBar(window));
    RECT before = rectIn(panel, window);
    SetWindowPos(window, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT after = rectIn(panel, window);
    EXPECT_EQ(after.left, before.left) << "below the minimum nothing moves";

    // Dragging the frame smaller stops at the minimum, on the dragged edge.
    RECT outer;
    GetWindowRect(window, &outer);
    RECT drag = {100, 100, 300, 200};
    SendMessageA(window, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(drag.right, 300);
    EXPECT_EQ(drag.bottom, 200);
    EXPECT_EQ(drag.right - drag.left, mainBaseWidth(GetSystemMetrics(SM_CXMAXIMIZED)));
    RECT bar;
    GetWindowRect(mainStatusBar(window), &bar);
    EXPECT_EQ(drag.bottom - drag.top, 480 + (bar.bottom - bar.top) + GetSystemMetrics(SM_CYCAPTION) - 19 - 21);
    sizeClientArea(window, size.width, size.height, mainStatusBar(window));
}

// ---------------------------------------------------------------------------
// Menus

namespace {

std::vector<std::string> menuTexts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {sizeof info, MIIM_FTYPE | MIIM_STRING};
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        texts.push_back(info.fType & MFT_SEPARATOR ? "-" : text);
    }
    return texts;
}

bool isChecked(HMENU menu, int command)
{
    return (GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

}  // namespace

TEST(MainWindowMenus, SettingsMenuShowsPreferencesAndRecentFiles)
{
    sharedMainWindow();
    StartupConfig &config = startupConfig();
    StartupConfig saved = config;
    std::string storedIcc = readProgramString("cmyk_default_icc");
    config.isReadFileParseFileFormat = 0;
    config.isRecordSaveToPath = 1;
    config.cmykDefaultIcc = "uswebcoatedswop.icc";
    std::string szFolder = config.programFolder + "\\sz";
    CreateDirectoryA(szFolder.c_str(), nullptr);
    for (int i = 0; i < 12; ++i)
        writeFileBytes(szFolder + "\\方案" + std::to_string(i) + ".sz", "bSize=0\r\n");
    touchLastAccess(szFolder + "\\方案7.sz");

    HMENU menu = buildSettingsMenu();
    std::vector<std::string> texts = menuTexts(menu);
    ASSERT_EQ(texts.size(), 24u);
    EXPECT_EQ(texts[0], "显示缩略图");
    EXPECT_EQ(texts[1], "解析图片文件获取真实的图片格式");
    EXPECT_EQ(texts[2], "记住【处理后保存到】的路径, 每次启动时使用");
    EXPECT_EQ(texts[3], "-");
    EXPECT_EQ(texts[4], "设置图片处理完成后, 下一次的保存模式...");
    EXPECT_EQ(texts[6], "CMYK色彩图片缺省ICC配置文件");
    EXPECT_EQ(texts[8], "保存当前图片设置...");
    EXPECT_EQ(texts[10], "加载 - 方案7.sz");
    EXPECT_EQ(texts[20], "-");
    EXPECT_EQ(texts[21], "加载图片默认设置");
    EXPECT_EQ(texts[22], "-");
    EXPECT_EQ(texts[23], "加载图片设置...");
    EXPECT_EQ(isChecked(menu, kCmdToggleThumbnails), thumbnailsShown());
    EXPECT_FALSE(isChecked(menu, kCmdParseFileFormat));
    EXPECT_TRUE(isChecked(menu, kCmdRememberSaveTo));
    EXPECT_TRUE(isChecked(menu, kCmdCmykSwop));
    EXPECT_FALSE(isChecked(menu, kCmdCmykJapan));
    DestroyMenu(menu);
    // A stored name that neither entry stands for checks neither.
    for (const char *other : {"CoatedFOGRA39.icc", "mine.icc"}) {
        config.cmykDefaultIcc = other;
        menu = buildSettingsMenu();
        EXPECT_FALSE(isChecked(menu, kCmdCmykSwop)) << other;
        EXPECT_FALSE(isChecked(menu, kCmdCmykJapan)) << other;
        DestroyMenu(menu);
    }

    // Toggling a preference stores it.
    runMainCommand(sharedMainWindow(), kCmdParseFileFormat);
    EXPECT_EQ(config.isReadFileParseFileFormat, 1u);
    EXPECT_EQ(readProgramDword("is_read_file_parse_file_format", 0), 1u);
    recorder().clear();
    runMainCommand(sharedMainWindow(), kCmdCmykJapan);
    EXPECT_EQ(readProgramString("cmyk_default_icc"), "JapanColor2001Coated.icc");
    // Not installed beside this test program: the load error, and no fallback either.
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_NE(recorder().boxes[0].text.find("JapanColor2001Coated.icc' 出错。"), std::string::npos);
    recorder().clear();

    config = saved;
    writeProgramDword("is_read_file_parse_file_format", saved.isReadFileParseFileFormat);
    // A name the user never chose must not become one: the program's next start
    // would report it missing.
    HKEY key;
    if (!storedIcc.empty()) {
        writeProgramString("cmyk_default_icc", storedIcc);
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "cmyk_default_icc");
        RegCloseKey(key);
    }
}

// ---------------------------------------------------------------------------
// Drop

TEST(MainWindowDrop, DroppedFoldersListTheirPicturesWithLocations)
{
    HWND window = sharedMainWindow();
    ScratchFolder root("拖放_drop");
    std::string album = root / "相册";
    CreateDirectoryA(album.c_str(), nullptr);
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_Bridge.jpg"), album + "\\风景.jpg"));
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_Bridge.jpg"), root / "单张.jpg"));
    removeAllAndWait(window);

    recorder().clear();
    addDroppedPaths(window, {album, root / "单张.jpg", album});
    HWND list = mainPictureList(window);
    ASSERT_EQ(ListView_GetItemCount(list), 2) << "a picture already listed is not listed twice";
    ImageList &items = pictureImageList();
    ASSERT_EQ(items.count(), 2);
    EXPECT_EQ(std::string(items.at(0)->name), "风景.jpg");
    EXPECT_EQ(std::string(items.at(0)->relFolder), "相册") << "located relative to the dropped folder's parent";
    EXPECT_EQ(std::string(items.at(1)->name), "单张.jpg");
    EXPECT_EQ(std::string(items.at(1)->relFolder), "");
    char statusText[64] = {};
    SendMessageA(mainStatusBar(window), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(statusText));
    EXPECT_EQ(std::string(statusText), "2 张图片");
    HWND toolbar = mainToolbar(window);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, kCmdStart, 0));
    EXPECT_FALSE(GetWindowLongA(FindWindowExA(list, nullptr, "static", nullptr), GWL_STYLE) & WS_VISIBLE);

    removeAllAndWait(window);
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, kCmdStart, 0));
}

// "官方网站" under Wine: the page goes to the desktop's browser through winebrowser
// (a script stands in for it) by a page that keeps its section; no browser: a box.
TEST(MainWindowMenus, WebSiteOpensInTheDesktopBrowserOrSaysThereIsNone)
{
    HWND window = sharedMainWindow();
    ScratchFolder dir("web_browser");
    ASSERT_TRUE(writeFileBytes(dir / "b.sh", "printf %s \"$1\" > '" + unixPath(dir / "url.txt") + "'\n"));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    recorder().clear();
    for (std::string browsers : {"/bin/sh " + unixPath(dir / "b.sh"), std::string("/nonexistent/browser")}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers", REG_SZ, browsers.c_str(),
                        (DWORD)browsers.size() + 1);
        const bool hadUrl = !readFileBytes(dir / "url.txt").empty();
        auto answered = [&] { return !recorder().boxes.empty() || (!hadUrl && !readFileBytes(dir / "url.txt").empty()); };
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(kCmdWebSite, 0), 0);
        for (int i = 0; i < 600 && !answered(); ++i) {
            pumpMainWindowMessages();
            Sleep(50);
        }
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers");
    EXPECT_EQ(readFileBytes(dir / "url.txt").rfind("file:///", 0), 0u);
    EXPECT_NE(readFileBytes(std::string(temp) + "velmora_page.html").find("/help/index.html#about\""), std::string::npos);
    ASSERT_EQ(recorder().boxes.size(), 1u) << "only when there is no browser";
    EXPECT_EQ(recorder().boxes[0].text.rfind("没有找到可以打开网页的浏览器。\n\n网页地址：file:///", 0), 0u);
    recorder().clear();
}

// ---------------------------------------------------------------------------
// Closing the real program

TEST(ProgramStart, ShowsItsWindowAndClosingExitsWithZeroStoringTheDialogFolders)
{
    // Without stored folders the program starts with the Desktop and writes it back.
    std::string oldImage = readProgramString("file_dlg_choose_image");
    std::string oldLogo = readProgramString("file_dlg_choose_logo");
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "file_dlg_choose_image");
        RegDeleteValueA(key, "file_dlg_choose_logo");
        RegCloseKey(key);
    }
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(specialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop));
    // No profile ever chosen: the default CMYK profile, shipped in the program's
    // "icc", loads at start without a box (and no fallback name is stored).
    std::string oldIcc = readProgramString("cmyk_default_icc");
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "cmyk_default_icc");
        RegCloseKey(key);
    }

    char buildDir[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buildDir, MAX_PATH);
    std::string self = buildDir;
    std::string program = self.substr(0, self.find_last_of('\\')) + "\\velmora.exe";
    if (!pathExists(program))
        program += ".so";  // the Winelib module
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    // A picture named on the command line is listed as if it had been dropped.
    std::string command = "\"" + program + "\" \"" + samplePath("photos/lomiri_Bridge.jpg") + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << program;
    HWND found = nullptr;
    for (int i = 0; i < 300 && !found; ++i) {
        HWND candidate = nullptr;
        while ((candidate = FindWindowExA(nullptr, candidate, "CodeBlocksWindowsApp", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            if (owner == pi.dwProcessId) {
                found = candidate;
                break;
            }
        }
        if (!found)
            Sleep(100);
    }
    ASSERT_NE(found, nullptr) << "the program's main window did not appear";
    EXPECT_EQ(textOf(found), programTitle());
    for (int i = 0; i < 100 && !IsWindowVisible(found); ++i)
        Sleep(50);
    EXPECT_TRUE(IsWindowVisible(found));
    EXPECT_EQ(readProgramString("cmyk_default_icc"), "") << "the default profile did not load";
    for (HWND box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        EXPECT_FALSE(owner == pi.dwProcessId && IsWindowVisible(box)) << "a box at start: " << textOf(box);
    }
    HWND container = FindWindowExA(found, nullptr, "static", "panel");
    HWND list = container ? FindWindowExA(container, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    PostMessageA(found, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(readProgramString("file_dlg_choose_image"), std::string(desktop));
    EXPECT_EQ(readProgramString("file_dlg_choose_logo"), std::string(desktop));
    if (!oldImage.empty())
        writeProgramString("file_dlg_choose_image", oldImage);
    if (!oldLogo.empty())
        writeProgramString("file_dlg_choose_logo", oldLogo);
    if (!oldIcc.empty())
        writeProgramString("cmyk_default_icc", oldIcc);
}

// ---------------------------------------------------------------------------
// Labels fit their controls

namespace {

struct Clipped {
    HWND parent;
    std::vector<std::string> *problems;
};

// Text width in the control's own font, plus what a check box or radio button
// needs for its box.
BOOL CALLBACK checkLabelFits(HWND child, LPARAM context)
{
    auto *clipped = reinterpret_cast<Clipped *>(context);
    std::string cls = classOf(child);
    std::string text = textOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    bool button = cls == "Button";
    int type = style & BS_TYPEMASK;
    if (text.empty() || (cls != "Static" && !button) || (button && type == BS_GROUPBOX))
        return TRUE;
    if (cls == "Static" && (style & SS_TYPEMASK) == SS_BITMAP)
        return TRUE;
    HDC dc = GetDC(child);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    RECT box;
    GetClientRect(child, &box);
    int room = box.right;
    bool check = button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
                            type == BS_RADIOBUTTON);
    if (check)
        room -= 18;
    else if (button)
        room -= 6;
    bool ellipsis = cls == "Static" && (style & SS_ENDELLIPSIS);
    if (extent.cx > room && !ellipsis)
        clipped->problems->push_back(text + " needs " + std::to_string(extent.cx) + " has " + std::to_string(room));
    // A control must also lie inside its parent (its section box).
    RECT mine, parent;
    GetWindowRect(child, &mine);
    GetWindowRect(GetParent(child), &parent);
    if (mine.right > parent.right || mine.left < parent.left)
        clipped->problems->push_back(text + " sticks out of its box");
    return TRUE;
}

}  // namespace

TEST(MainWindowLabels, EveryLabelFitsItsControl)
{
    std::vector<std::string> problems;
    Clipped clipped = {nullptr, &problems};
    EnumChildWindows(mainSettingsPanel(sharedMainWindow()), checkLabelFits, reinterpret_cast<LPARAM>(&clipped));
    for (const std::string &problem : problems)
        ADD_FAILURE() << problem;
}

// ---------------------------------------------------------------------------
// Shortcut and the remembered save-to folder

TEST(MainWindowCommands, ShortcutLandsOnTheDesktop)
{
    sharedMainWindow();
    std::string link = desktopShortcutPath();
    ASSERT_FALSE(link.empty());
    EXPECT_NE(link.find("图片批量处理工具.lnk"), std::string::npos);
    DeleteFileA(link.c_str());
    ASSERT_TRUE(createDesktopShortcut());
    EXPECT_TRUE(pathExists(link));
    ASSERT_TRUE(createDesktopShortcut()) << "an existing shortcut is replaced";
    DeleteFileA(link.c_str());
}

TEST(MainWindowCommands, RememberedSaveToFolderIsStoredOnRequest)
{
    HWND window = sharedMainWindow();
    StartupConfig &config = startupConfig();
    DWORD saved = config.isRecordSaveToPath;
    std::string old = readProgramString("save_to_path");
    setMainSaveToFolder(window, "D:\\输出\\二〇二六");
    config.isRecordSaveToPath = 0;
    writeProgramString("save_to_path", "unchanged");
    SendMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(readProgramString("save_to_path"), "unchanged");
    config.isRecordSaveToPath = 1;
    SendMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(readProgramString("save_to_path"), "D:\\输出\\二〇二六");
    config.isRecordSaveToPath = saved;
    writeProgramString("save_to_path", old);
}

// ---------------------------------------------------------------------------
// Drops with sub-folders and drive roots

namespace {

int gQuestions = 0;
int answerYes(HWND, const char *, const char *)
{
    ++gQuestions;
    return IDYES;
}

void collectInfo(const char *text, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(text);
}

}  // namespace

TEST(MainWindowDrop, TheSubfolderQuestionComesOncePerDrop)
{
    HWND window = sharedMainWindow();
    removeAllAndWait(window);
    ScratchFolder root("子文件夹_drop");
    for (const char *folder : {"甲", "甲\\内", "乙", "乙\\内"})
        CreateDirectoryA((root / folder).c_str(), nullptr);
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_Bridge.jpg"), root / "甲\\内\\a.jpg"));
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_Bridge.jpg"), root / "乙\\内\\b.jpg"));
    gQuestions = 0;
    auto previous = mainWindowQuestion;
    mainWindowQuestion = answerYes;
    addDroppedPaths(window, {root / "甲", root / "乙"});
    mainWindowQuestion = previous;
    EXPECT_EQ(gQuestions, 1);
    ImageList &items = pictureImageList();
    ASSERT_EQ(items.count(), 2) << "the yes holds for the second folder too";
    EXPECT_EQ(std::string(items.at(0)->relFolder), "甲\\内");
    EXPECT_EQ(std::string(items.at(1)->relFolder), "乙\\内");
    removeAllAndWait(window);
}

TEST(MainWindowDrop, ADriveRootIsRefused)
{
    HWND window = sharedMainWindow();
    removeAllAndWait(window);
    std::vector<std::string> messages;
    setInfoMessageSink(collectInfo, &messages);
    addDroppedPaths(window, {"C:\\"});
    setInfoMessageSink(nullptr, nullptr);
    EXPECT_EQ(ListView_GetItemCount(mainPictureList(window)), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "暂不支持拖动根目录:[C:\\]");
}

// ---------------------------------------------------------------------------
// Settings files from the menu

TEST(MainWindowCommands, DefaultAndRecentSettingsLoadIntoThePanel)
{
    HWND window = sharedMainWindow();
    HWND panel = mainSettingsPanel(window);
    ProcessSettings changed;
    changed.sizeValue = 1111;
    changed.sy_text = "改过";
    showSettingsInPanel(panel, changed);
    runMainCommand(window, kCmdLoadDefaultSettings);
    std::string defaults = startupConfig().programFolder + "\\default_photo_process.sz";
    EXPECT_TRUE(pathExists(defaults));
    EXPECT_EQ(panelSettings().sizeValue, 750);
    EXPECT_EQ(panelSettings().sy_text, "");

    std::string sz = startupConfig().programFolder + "\\sz";
    CreateDirectoryA(sz.c_str(), nullptr);
    ProcessSettings saved;
    saved.sizeValue = 2048;
    ASSERT_TRUE(writeSettingsFile(saved, sz + "\\最近.sz"));
    touchLastAccess(sz + "\\最近.sz");
    HMENU menu = buildSettingsMenu();  // fills the recent list behind 35303..
    DestroyMenu(menu);
    runMainCommand(window, kCmdRecentSettingsFirst);
    EXPECT_EQ(panelSettings().sizeValue, 2048);

    // A recent file that disappeared meanwhile is reported.
    menu = buildSettingsMenu();
    DestroyMenu(menu);
    DeleteFileA((sz + "\\最近.sz").c_str());
    recorder().clear();
    runMainCommand(window, kCmdRecentSettingsFirst);
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "错误");
    EXPECT_NE(recorder().boxes[0].text.find("不存在"), std::string::npos);
}
