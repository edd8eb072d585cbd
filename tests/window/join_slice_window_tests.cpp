// The join and slice tools in their real windows, driven through the message loop with posted
// clicks and keys: the start checks in order, the live preview of real photos
// following the panel and the arrow keys, and a real run.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <deque>
#include <wand/MagickWand.h>

#include "util/registry_store.h"
#include "ui/output_controls.h"
#include "picture_list_support.h"
#include "ui/run_prompts.h"
#include "tools/join/join_job.h"
#include "tools/join/join_window.h"
#include "ui/preview/preview_pane.h"
#include "tools/slice/slice_job.h"
#include "tools/slice/slice_window.h"
#include "ui/window_kit.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

struct Said {
    HWND control;  // a balloon's control, none for a box
    std::string text, title;
    bool errorIcon;
};
std::vector<Said> said;
std::deque<std::string> browserAnswers;
std::vector<std::string> opened;

int box(HWND, const char *text, const char *caption, UINT type)
{
    said.push_back({nullptr, text, caption, (type & MB_ICONMASK) == MB_ICONERROR});
    return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}
void balloon(HWND c, const char *text, const char *title) { said.push_back({c, text, title, false}); }
void errorBalloon(HWND c, const char *text, const char *title) { said.push_back({c, text, title, true}); }
bool browser(HWND, const char *, char *path)
{
    if (browserAnswers.empty())
        return false;
    lstrcpynA(path, browserAnswers.front().c_str(), MAX_PATH);
    browserAnswers.pop_front();
    return true;
}
void openFolder(HWND, const char *folder) { opened.push_back(folder); }

HWND hostWindow()
{
    static HWND host = nullptr;
    if (!host) {
        WNDCLASSEXA wc = {sizeof wc};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "JoinTestHost";
        RegisterClassExA(&wc);
        host = CreateWindowExA(0, "JoinTestHost", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                               nullptr, wc.hInstance, nullptr);
    }
    return host;
}

std::string textOf(HWND w)
{
    char buffer[1024] = {};
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
}
std::string statusText(HWND w, int part)
{
    char buffer[512] = {};
    SendMessageA(GetDlgItem(w, kJoinStatusId), SB_GETTEXTA, part, (LPARAM)buffer);
    return buffer;
}
void click(HWND w, int id)
{
    PostMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
    pumpMessages();
}
void deleteJoinValues()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const ToolValueDef &def : joinToolValues())
        RegDeleteValueA(key, def.name.c_str());
    RegCloseKey(key);
}

class JoinWindowTest : public testing::Test {
protected:
    ScratchFolder root{"拼接窗口"};
    void SetUp() override
    {
        said.clear();
        browserAnswers.clear();
        opened.clear();
        RunPrompts &p = runPrompts();
        p.messageBox = box;
        p.balloon = balloon;
        p.errorBalloon = errorBalloon;
        p.chooseFolder = browser;
        p.openFolder = openFolder;
        deleteJoinValues();
        ShowWindow(hostWindow(), SW_SHOW);
    }
    void TearDown() override
    {
        HWND w = joinToolWindow();
        if (w && IsWindowVisible(w)) {
            PostMessageA(w, WM_CLOSE, 0, 0);
            pumpUntil([&] { return !IsWindowVisible(w); }, 60000);
        }
        runPrompts() = defaultRunPrompts();
        deleteJoinValues();
    }
    std::string folder(const std::string &name)
    {
        std::string path = root / name;
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }
    // A sample photo resized to exactly SIZE ("80x60"), written as TO's format.
    void photo(const char *sample, const char *size, const std::string &to)
    {
        unsigned width = 0, height = 0;
        ASSERT_EQ(sscanf(size, "%ux%u", &width, &height), 2);
        MagickWand *wand = NewMagickWand();
        bool ok = MagickReadImage(wand, magickPath(samplePath(sample)).c_str()) &&
                  MagickResizeImage(wand, width, height, LanczosFilter, 1.0) &&
                  MagickWriteImage(wand, magickWritePath(to).c_str());
        DestroyMagickWand(wand);
        ASSERT_TRUE(ok) << to;
    }
    bool waitForPreview(int before)
    {
        return pumpUntil([&] { return joinPreviewState().shown > before && !joinPreviewState().pending; }, 120000);
    }
};

}  // namespace

TEST_F(JoinWindowTest, StartChecksComeInOrder)
{
    HWND w = openJoinTool(hostWindow());
    ASSERT_TRUE(w);
    EXPECT_EQ(textOf(w), "Velmora图片批量拼接工具");
    EXPECT_TRUE(IsZoomed(w)) << "opened maximised";
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_THICKFRAME) << "resizable";
    EXPECT_TRUE(GetClassLongPtrA(w, GCLP_HICON) && GetClassLongPtrA(w, GCLP_HICONSM)) << "the program's icons";
    EXPECT_FALSE(IsWindowVisible(hostWindow()));
    EXPECT_EQ(statusText(w, 0), "就绪...");
    char cls[64] = {};
    GetClassNameA(GetDlgItem(w, kJoinPaneId), cls, sizeof cls);
    EXPECT_STREQ(cls, "Preview_JOIN");
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinSizeLabelId)), "图片宽：");

    click(w, kJoinStartId);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].control, GetDlgItem(w, kJoinSourceButtonId));
    EXPECT_EQ(said[0].text, "源图片文件夹不能为空");
    EXPECT_EQ(said[0].title, "请选择【源图片文件夹】");

    // A folder with one picture and no sub-folder is refused and the browser opens again.
    std::string lonely = folder("只有一张");
    photo("photos/mate_Wood.jpg", "80x60", lonely + "\\a.jpg");
    browserAnswers = {lonely};
    click(w, kJoinSourceButtonId);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1].text, "文件夹 " + lonely + " 中没有可拼接的图片，请重新选择。");
    EXPECT_EQ(said[1].title, "提示");
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinSourceEditId)), "");

    std::string src = folder("两组");
    folder("两组\\甲");
    photo("photos/mate_Wood.jpg", "80x60", src + "\\甲\\1.jpg");
    photo("photos/mate_Storm.jpg", "90x60", src + "\\甲\\2.jpg");
    browserAnswers = {src};
    click(w, kJoinSourceButtonId);
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinTargetEditId)), src + "_处理后");
    for (int i = 0; i < 5; ++i)  // jpg, png, gif, bmp, webp/heic/avif
        SendMessageA(GetDlgItem(w, kJoinFormatBoxFirstId + i), BM_SETCHECK, BST_UNCHECKED, 0);
    said.clear();
    click(w, kJoinStartId);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].control, GetDlgItem(w, kJoinFormatBoxFirstId));
    EXPECT_EQ(said[0].text, "加载的图片类型至少选择一项");
    click(w, kJoinFormatBoxFirstId);

    // The size rule: both lists keep the same index; the custom field only for rule 3.
    HWND rule = GetDlgItem(w, kJoinVerticalRuleId);
    SendMessageA(rule, CB_SETCURSEL, 3, 0);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(kJoinVerticalRuleId, CBN_SELCHANGE), (LPARAM)rule);
    pumpMessages();
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, kJoinCustomId)));
    click(w, kJoinHorizontalId);
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinSizeLabelId)), "图片高：");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, kJoinHorizontalRuleId)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, kJoinVerticalRuleId)));
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinHorizontalRuleId)), "自定义高度：");
    said.clear();
    click(w, kJoinStartId);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().control, GetDlgItem(w, kJoinCustomId));
    EXPECT_EQ(said.back().text, "这里不能为空");
    EXPECT_EQ(said.back().title, "请输入");
    SetWindowTextA(GetDlgItem(w, kJoinCustomId), "0");
    said.clear();
    click(w, kJoinStartId);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().text, "这里不能小于1");
    EXPECT_TRUE(said.back().errorIcon);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, kJoinStartId))) << "nothing started";
}

TEST_F(JoinWindowTest, ThePreviewFollowsThePanelAndTheKeysAndARunWritesEveryGroup)
{
    std::string src = folder("照片");
    std::string a = folder("照片\\a组"), b = folder("照片\\b组");
    photo("photos/mate_Storm.jpg", "300x200", a + "\\1.jpg");
    photo("photos/lomiri_Wine.jpg", "200x300", a + "\\2.jpg");
    photo("photos/mate_Garden.jpg", "160x100", b + "\\1.jpg");
    photo("photos/mate_Wood.jpg", "120x90", b + "\\2.png");
    writeProgramDword("join_space", 10);
    HWND w = openJoinTool(hostWindow());
    EXPECT_EQ(textOf(GetDlgItem(w, kJoinSpacingValueId)), "10") << "stored values loaded";
    int shown = joinPreviewState().shown;
    browserAnswers = {src};
    click(w, kJoinSourceButtonId);
    ASSERT_TRUE(waitForPreview(shown));
    HWND pane = GetDlgItem(w, kJoinPaneId);
    PreviewPaneInfo info;
    ASSERT_TRUE(previewPaneInfo(pane, info));
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 200 + 10 + 300) << "pictures are only made smaller";
    EXPECT_EQ(statusText(w, 0), "图片尺寸: 300 x 510");
    EXPECT_EQ(statusText(w, 1), "文件夹: " + a);

    // Right (sent on by the pane) shows the next group; Left goes back, wrapping.
    shown = joinPreviewState().shown;
    PostMessageA(pane, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_TRUE(waitForPreview(shown));
    EXPECT_EQ(statusText(w, 1), "文件夹: " + b);
    EXPECT_EQ(statusText(w, 0), "图片尺寸: 160 x 200");
    shown = joinPreviewState().shown;
    PostMessageA(pane, WM_KEYDOWN, VK_LEFT, 0);
    ASSERT_TRUE(waitForPreview(shown));
    EXPECT_EQ(statusText(w, 1), "文件夹: " + a);

    // Side by side: the preview is composed again.
    shown = joinPreviewState().shown;
    click(w, kJoinHorizontalId);
    ASSERT_TRUE(waitForPreview(shown));
    EXPECT_EQ(statusText(w, 0), "图片尺寸: 443 x 200");

    // The custom height: Enter composes again, an empty field or 0 at 128; so
    // does leaving the field changed. Then "透明度" (PNG output) too.
    HWND rule = GetDlgItem(w, kJoinHorizontalRuleId), custom = GetDlgItem(w, kJoinCustomId);
    auto choose = [&](HWND list, int id, int index) {
        SendMessageA(list, CB_SETCURSEL, index, 0);
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)list);
        pumpMessages();
    };
    choose(rule, kJoinHorizontalRuleId, kJoinCustom);
    const char *const steps[][2] = {{"100", "227 x 100"}, {"", "287 x 128"}, {"90", "205 x 90"}, {"0", "287 x 128"}};
    for (int i = 0; i < 4; ++i) {
        shown = joinPreviewState().shown;
        SetFocus(custom);
        SetWindowTextA(custom, steps[i][0]);
        if (i < 2)
            PostMessageA(custom, WM_CHAR, 13, 1);  // Enter
        else
            SetFocus(GetDlgItem(w, kJoinStartId));  // leaving the field
        ASSERT_TRUE(waitForPreview(shown)) << i;
        EXPECT_EQ(statusText(w, 0), std::string("图片尺寸: ") + steps[i][1]);
    }
    choose(rule, kJoinHorizontalRuleId, 0);
    HWND format = GetDlgItem(w, kJoinOutputFirstId + kOutputFormatOffset);
    choose(format, kJoinOutputFirstId + kOutputFormatOffset, 1);
    ASSERT_TRUE(pumpUntil([] { return !joinPreviewState().pending; }, 120000));
    shown = joinPreviewState().shown;
    click(w, kJoinOutputFirstId + kOutputTransparentOffset);
    ASSERT_TRUE(waitForPreview(shown)) << "the transparency box composes the preview";
    choose(format, kJoinOutputFirstId + kOutputFormatOffset, 0);
    ASSERT_TRUE(pumpUntil([] { return !joinPreviewState().pending; }, 120000));

    click(w, kJoinStartId);
    ASSERT_TRUE(pumpUntil([] {
        for (const Said &s : said)
            if (s.title == "完成")
                return true;
        return false;
    }, 180000));
    EXPECT_EQ(said.back().text, "图片处理已完成，是否查看处理后的图片？");
    ASSERT_EQ(opened, std::vector<std::string>{src + "_处理后"});
    EXPECT_EQ(folderEntries(src + "_处理后"), (std::vector<std::string>{"a组.jpg", "b组.jpg"}));
    EXPECT_EQ(identifyFirstImage(src + "_处理后\\a组.jpg", "%w %h"), "443 200");
    EXPECT_EQ(identifyFirstImage(src + "_处理后\\b组.jpg", "%w %h"), "290 100") << "the lower one centred";
    EXPECT_EQ(readProgramDword("join_layout", 0), 2u);
    EXPECT_EQ(readProgramDword("join_space", 0), 10u);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, kJoinStartId)));
}

// Fitted, a group of camera photos is composed from the photos reduced as they
// are decoded; at its own size ("1") the whole picture is composed.
TEST_F(JoinWindowTest, AFittedPreviewHoldsFewerPixelsAndTheWholePictureComesAtItsOwnSize)
{
    std::string src = folder("相机"), g = folder("相机\\组");
    const char *photos[] = {"lomiri_sunset.jpg", "lomiri_sunset.jpg", "lomiri_sunset.jpg", "mate_Storm.jpg"};
    for (int i = 0; i < 4; ++i) {
        const std::string to = g + "\\" + std::to_string(i) + ".jpg";
        ASSERT_TRUE(copyFileTo(samplePath(std::string("photos/") + photos[i]), to));
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    HWND w = openJoinTool(hostWindow()), pane = GetDlgItem(w, kJoinPaneId);
    SetWindowPos(w, nullptr, 0, 0, 800, 580, SWP_NOZORDER | SWP_NOMOVE);  // the smallest it can be
    // Each step composes the picture again: for the source, for a larger pane
    // (more pixels), and at its own size (all of them).
    int held = 0;
    for (int step = 0; step < 3; ++step) {
        int shown = joinPreviewState().shown;
        browserAnswers = {src};
        if (step == 0)
            click(w, kJoinSourceButtonId);
        else if (step == 1)
            SetWindowPos(w, nullptr, 0, 0, 1200, 1000, SWP_NOZORDER | SWP_NOMOVE);
        else
            PostMessageA(pane, WM_KEYDOWN, '1', 0);
        ASSERT_TRUE(waitForPreview(shown)) << step;
        PreviewPaneInfo info;
        ASSERT_TRUE(previewPaneInfo(pane, info));
        EXPECT_EQ(statusText(w, 0), "图片尺寸: 4272 x 9824");
        EXPECT_EQ(info.width, 4272);
        EXPECT_GT(info.heldWidth, held) << step;
        EXPECT_EQ(info.heldWidth < 4272, step < 2) << step;
        held = info.heldWidth;
    }
}

// ---- The slice tool's window -----------------------------------------------------------

TEST_F(JoinWindowTest, SliceWindowChecksInOrderAndRuns)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (const ToolValueDef &def : sliceToolValues())
            RegDeleteValueA(key, def.name.c_str());
        RegCloseKey(key);
    }
    HWND w = openSliceTool(hostWindow());
    ASSERT_TRUE(w);
    EXPECT_EQ(textOf(w), "Velmora图片批量切片工具");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 601);
    EXPECT_EQ(client.bottom, 431);
    EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(GetClassLongPtrA(w, GCLP_HICON) && GetClassLongPtrA(w, GCLP_HICONSM)) << "the program's icons";
    EXPECT_EQ(SendMessageA(GetDlgItem(w, kSliceHtmlId), BM_GETCHECK, 0, 0), BST_CHECKED) << "HTML on by default";
    EXPECT_EQ(SendMessageA(GetDlgItem(w, kSliceHorizontalAvgId), BM_GETCHECK, 0, 0), BST_CHECKED)
        << "by count when nothing is stored";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, kSliceHorizontalAvgValueId))) << "off while the direction is off";

    click(w, kSliceStartId);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, "源图片文件夹不能为空");
    std::string src = folder("切片 素材");
    photo("photos/mate_Storm.jpg", "90x60", src + "\\照片.png");
    browserAnswers = {src};
    click(w, kSliceSourceButtonId);
    EXPECT_EQ(textOf(GetDlgItem(w, kSliceOutputEditId)), src + "_处理后");
    said.clear();
    click(w, kSliceStartId);
    ASSERT_EQ(said.size(), 1u) << "one balloon for both division boxes";
    EXPECT_EQ(said[0].control, GetDlgItem(w, kSliceHorizontalId));
    EXPECT_EQ(said[0].text, "【水平划分】与【垂直划分】至少勾选一项");
    EXPECT_EQ(said[0].title, "看这里");
    // The real balloon lies inside the window.
    runPrompts().balloon = defaultRunPrompts().balloon;
    click(w, kSliceStartId);
    runPrompts().balloon = balloon;
    RECT frame, tip = {};
    GetWindowRect(w, &frame);
    for (HWND t = nullptr; (t = FindWindowExA(nullptr, t, TOOLTIPS_CLASSA, nullptr)) != nullptr;)
        if (IsWindowVisible(t) && (GetWindowLongA(t, GWL_STYLE) & TTS_BALLOON))
            GetWindowRect(t, &tip);
    EXPECT_EQ(openBalloonCount(), 1);
    EXPECT_TRUE(tip.right > tip.left && tip.left >= frame.left && tip.top >= frame.top && tip.right <= frame.right &&
                tip.bottom <= frame.bottom);
    closeBalloons();
    click(w, kSliceHorizontalId);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, kSliceHorizontalAvgValueId)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, kSliceHorizontalPixelValueId)));
    said.clear();
    click(w, kSliceStartId);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].control, GetDlgItem(w, kSliceHorizontalAvgValueId));
    EXPECT_EQ(said[0].text, "这里不能为空");
    SetWindowTextA(GetDlgItem(w, kSliceHorizontalAvgValueId), "3");
    click(w, kSliceVerticalId);
    click(w, kSliceVerticalId + 4);  // by pixels
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, kSliceVerticalId + 5)));
    SetWindowTextA(GetDlgItem(w, kSliceVerticalId + 5), "0");
    said.clear();
    click(w, kSliceStartId);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, "这里不能小于1");
    EXPECT_TRUE(said[0].errorIcon);
    SetWindowTextA(GetDlgItem(w, kSliceVerticalId + 5), "40");

    said.clear();
    click(w, kSliceStartId);
    ASSERT_TRUE(pumpUntil([] { return !said.empty() && said.back().title == "完成"; }, 120000));
    std::string out = src + "_处理后";
    EXPECT_EQ(folderEntries(out), (std::vector<std::string>{"照片.html", "照片\\"}));
    std::vector<std::string> tiles = folderEntries(out + "\\照片");
    ASSERT_EQ(tiles.size(), 9u) << "3 rows x 3 columns (40, 40, 10)";
    EXPECT_EQ(tiles[0], "照片-1.jpg");
    EXPECT_EQ(identifyFirstImage(out + "\\照片\\照片-3.jpg", "%w %h"), "10 20");
    EXPECT_EQ(readProgramDword("slice_vertical_pixel_value", 0), 40u);
    EXPECT_EQ(readProgramDword("slice_vertical_pixel", 0), 1u);
    EXPECT_EQ(readProgramDword("slice_horizontal_avg_value", 0), 3u);
    PostMessageA(w, WM_CLOSE, 0, 0);
    pumpMessages();
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(IsWindowVisible(hostWindow()));
}

// scripts/join_slice_screenshots.sh: the join tool with the preview of a group of
// real photos, and the slice tool with a source chosen (run only on request).
TEST_F(JoinWindowTest, DISABLED_JoinAndSliceForScreenshots)
{
    const char *shots = getenv("VELMORA_SHOT_DIR");
    ASSERT_TRUE(shots);
    std::string dir = dosPathFromArgument(shots);
    auto shoot = [&](const char *name) {
        ASSERT_TRUE(writeFileBytes(dir + "\\" + name + ".ready", ""));
        pumpUntil([&] { return pathExists(dir + "\\" + name + ".taken"); }, 60000);
    };
    std::string src = folder("旅行照片");
    std::string day = folder("旅行照片\\第一天");
    folder("旅行照片\\第二天");
    // Real photos at their own sizes (1920 x 1280, 4272 x 2848, 2560 x 1600).
    ASSERT_TRUE(copyFileTo(samplePath("photos/mate_Storm.jpg"), day + "\\1.jpg"));
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_sunset.jpg"), day + "\\2.jpg"));
    ASSERT_TRUE(copyFileTo(samplePath("photos/mate_LadyBird.jpg"), day + "\\3.jpg"));
    writeProgramDword("join_space", 12);
    writeProgramDword("join_width_or_height_index", 2);
    HWND w = openJoinTool(hostWindow());
    int shown = joinPreviewState().shown;
    browserAnswers = {src};
    click(w, kJoinSourceButtonId);
    ASSERT_TRUE(waitForPreview(shown));
    shoot("join");
    PostMessageA(w, WM_CLOSE, 0, 0);
    pumpMessages();

    writeProgramDword("slice_horizontal", 1);
    writeProgramDword("slice_horizontal_avg_value", 3);
    writeProgramDword("slice_vertical", 1);
    writeProgramDword("slice_vertical_pixel", 1);
    writeProgramDword("slice_vertical_pixel_value", 200);
    HWND s = openSliceTool(hostWindow());
    browserAnswers = {src};
    click(s, kSliceSourceButtonId);
    shoot("slice");

    // Neither division ticked: the one balloon, as the user sees it.
    click(s, kSliceHorizontalId);
    click(s, kSliceVerticalId);
    runPrompts().balloon = defaultRunPrompts().balloon;
    click(s, kSliceStartId);
    shoot("slice_balloon");
    closeBalloons();
}
