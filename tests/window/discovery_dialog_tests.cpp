// Adding folders and files through the real dialogs: the folder browser with
// the lent type filter, the sub-folder question, the drive-root refusal, the
// multi-select open dialog and the large-load question with its relabelled buttons.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commdlg.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "util/registry_store.h"
#include "app/discovery_dialogs.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "util/text.h"
#include "window_kit_driver.h"

using namespace dialog_driver;

namespace {
std::vector<std::pair<std::string, std::string>> added;
int wakes = 0;
bool thumbnails = true;

PictureListHooks recordingList()
{
    PictureListHooks h = {};
    h.addImageIfNew = [](const char *path, const char *rel) { added.emplace_back(path, rel); };
    h.wakeThumbnailWorker = [] { ++wakes; };
    h.thumbnailsShown = [] { return thumbnails; };
    h.switchThumbnailsOff = [] { thumbnails = false; };
    return h;
}

class DiscoveryDialogsTest : public ::testing::Test {
protected:
    HWND owner = nullptr;
    void SetUp() override
    {
        added.clear();
        wakes = 0;
        thumbnails = true;
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        useStandardDiscoveryDialogs(owner, GetModuleHandleA(nullptr));
        setPictureListHooks(recordingList());
        setSkipLargeLoadQuestion(false);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        pump();
    }
    std::vector<std::string> addedPaths() const
    {
        std::vector<std::string> out;
        for (auto &a : added)
            out.push_back(a.first);
        std::sort(out.begin(), out.end());
        return out;
    }
};

HWND dialogCaptioned(const std::string &caption)
{
    for (HWND d : openDialogs())
        if (windowText(d) == caption)
            return d;
    return nullptr;
}

// The folder browser is the dialog with a tree.
HWND folderBrowser()
{
    for (HWND d : openDialogs())
        if (FindWindowExA(d, nullptr, "SysTreeView32", nullptr))
            return d;
    return nullptr;
}
}  // namespace

TEST_F(DiscoveryDialogsTest, FolderWithTypeFilterAndSubfoldersThroughTheRealDialogs)
{
    ScratchFolder dir("相册");
    ASSERT_TRUE(CreateDirectoryA((dir / "第一天").c_str(), nullptr));
    for (const char *name : {"a.png", "b.jpg", "第一天\\c.png", "第一天\\d.gif"})
        ASSERT_TRUE(writeFileBytes(dir / name, "x"));

    int rowWhenOpened = -1;
    std::string question, questionCaption;
    int step = 0;
    drive([&] {
        if (step == 0) {
            HWND browser = folderBrowser();
            if (!browser)
                return false;
            HWND filter = FindWindowExA(browser, nullptr, "ComboBox", nullptr);
            if (!filter)
                return false;
            rowWhenOpened = (int)SendMessageA(filter, CB_GETCURSEL, 0, 0);
            SendMessageA(filter, CB_SETCURSEL, 2, 0);  // PNG
            SetWindowTextA(FindWindowExA(browser, nullptr, "Edit", nullptr), dir.path().c_str());
            press(browser, IDOK);
            step = 1;
            return false;
        }
        HWND box = dialogCaptioned("确认");
        if (!box)
            return false;
        questionCaption = windowText(box);
        question = messageText(box);
        press(box, IDYES);
        return true;
    });
    addPictureFolder();
    EXPECT_EQ(rowWhenOpened, 0);
    EXPECT_EQ(question, "是否需要加载所有子文件夹中的图片？");
    std::vector<std::string> expected = {dir / "a.png", dir / "第一天\\c.png"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(addedPaths(), expected);
    std::string name = fileNamePart(dir.path());
    for (auto &a : added)
        EXPECT_EQ(a.second, a.first == dir / "a.png" ? name : name + "\\第一天");
    EXPECT_EQ(wakes, 1);

    // The next time the filter starts at row 0 again.
    rowWhenOpened = -1;
    drive([&] {
        HWND browser = folderBrowser();
        HWND filter = browser ? FindWindowExA(browser, nullptr, "ComboBox", nullptr) : nullptr;
        if (!filter)
            return false;
        rowWhenOpened = (int)SendMessageA(filter, CB_GETCURSEL, 0, 0);
        press(browser, IDCANCEL);
        return true;
    });
    addPictureFolder();
    EXPECT_EQ(rowWhenOpened, 0);
    EXPECT_EQ(added.size(), 2u);
}

TEST_F(DiscoveryDialogsTest, DriveRootIsRefusedWithAnErrorBox)
{
    std::string refusal, caption;
    int step = 0;
    drive([&] {
        if (step == 0) {
            HWND browser = folderBrowser();
            if (!browser)
                return false;
            SetWindowTextA(FindWindowExA(browser, nullptr, "Edit", nullptr), "C:\\");
            press(browser, IDOK);
            step = 1;
            return false;
        }
        HWND box = dialogCaptioned("错误");
        if (!box)
            return false;
        refusal = messageText(box);
        press(box, IDOK);
        return true;
    });
    addPictureFolder();
    EXPECT_EQ(refusal, "暂不支持添加根目录：[C:\\]，请选择下一级文件夹。");
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(wakes, 0);
}

TEST_F(DiscoveryDialogsTest, FilesThroughTheMultiSelectDialog)
{
    ScratchFolder dir("多选");
    for (const char *name : {"a.jpg", "b.png", "c.gif"})
        ASSERT_TRUE(writeFileBytes(dir / name, "x"));
    lstrcpynA(pictureDialogFolder(), dir.path().c_str(), MAX_PATH);
    std::string title;
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        title = windowText(d[0]);
        HWND nameBox = GetDlgItem(d[0], cmb13);
        if (!nameBox)
            nameBox = GetDlgItem(d[0], edt1);
        SetWindowTextA(nameBox, "\"c.gif\" \"a.jpg\"");
        press(d[0], IDOK);
        return true;
    });
    addPictureFiles();
    EXPECT_EQ(title, "选择图片 - 支持多选");
    ASSERT_EQ(added.size(), 2u);
    EXPECT_TRUE(equalsNoCase(added[0].first, dir / "c.gif")) << added[0].first;
    EXPECT_TRUE(equalsNoCase(added[1].first, dir / "a.jpg")) << added[1].first;
    EXPECT_EQ(added[0].second, "");
    EXPECT_TRUE(equalsNoCase(pictureDialogFolder(), dir.path())) << pictureDialogFolder();
    EXPECT_EQ(wakes, 1);
}

TEST_F(DiscoveryDialogsTest, LargeLoadQuestionWithRelabelledButtons)
{
    writeProgramDword("skip_check_load_pic_count ", 0);
    std::string text, noLabel, cancelLabel;
    drive([&] {
        HWND box = dialogCaptioned("提示");
        if (!box)
            return false;
        text = messageText(box);
        noLabel = windowText(GetDlgItem(box, IDNO));
        cancelLabel = windowText(GetDlgItem(box, IDCANCEL));
        press(box, IDNO);
        return true;
    });
    EXPECT_EQ(confirmManyPictures(2001), IDNO);
    EXPECT_EQ(text, "准备加载的图片较多(2001张)，在生成缩略图时会非常的耗时。\n\n是否先取消显示缩略图达到更快的加载速度？");
    EXPECT_EQ(noLabel, "不再提示");
    EXPECT_EQ(cancelLabel, "否(&N)");
    EXPECT_TRUE(skipLargeLoadQuestion());
    EXPECT_EQ(readProgramDword("skip_check_load_pic_count ", 0), 1u);
    EXPECT_EQ(confirmManyPictures(2001), -1);
    writeProgramDword("skip_check_load_pic_count ", 0);
    setSkipLargeLoadQuestion(false);

    // "否(&N)" changes nothing.
    drive([&] {
        HWND box = dialogCaptioned("提示");
        if (!box)
            return false;
        press(box, IDCANCEL);
        return true;
    });
    EXPECT_EQ(confirmManyPictures(3000), IDCANCEL);
    EXPECT_FALSE(skipLargeLoadQuestion());
    EXPECT_TRUE(thumbnails);
}
