// The add-folder and add-files operations driven headless: the dialogs answer
// from a script and the picture list is a recording stand-in.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "util/registry_store.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {
struct Shown {
    std::string text, caption;
    UINT type;
};

// What the stand-in list received and what the scripted dialogs answer.
struct Script {
    // picture list
    std::vector<std::pair<std::string, std::string>> added;  // path, relative folder (new ones only)
    std::set<std::string> listed;
    int offered = 0;
    int refreshes = 0, wakes = 0, switchOffs = 0;
    bool thumbnails = true;
    std::vector<std::string> statusTexts;
    // dialogs
    bool folderConfirmed = true;
    std::string folder;
    int filterRow = 0;
    bool filesConfirmed = true;
    std::string filesFolder;
    std::vector<std::string> files;
    std::string folderOffered;  // the start folder the files dialog was given
    int subfolderAnswer = IDNO;
    int largeLoadAnswer = IDCANCEL;
    std::vector<Shown> shown;
    std::vector<std::string> largeLoadQuestions;
    int busyDepth = 0, busyCalls = 0;
};
Script *s = nullptr;

PictureListHooks recordingList()
{
    PictureListHooks h = {};
    h.addImageIfNew = [](const char *path, const char *rel) {
        ++s->offered;
        if (s->listed.insert(path).second)
            s->added.emplace_back(path, rel);
    };
    h.refreshListStatus = [] { ++s->refreshes; };
    h.wakeThumbnailWorker = [] { ++s->wakes; };
    h.thumbnailsShown = [] { return s->thumbnails; };
    h.switchThumbnailsOff = [] {
        ++s->switchOffs;
        s->thumbnails = false;
    };
    h.setStatusText = [](const char *text) { s->statusTexts.push_back(text); };
    return h;
}

DiscoveryDialogs scriptedDialogs()
{
    DiscoveryDialogs d = {};
    d.chooseFolder = [](char *folder, int *row) {
        if (!s->folderConfirmed)
            return false;
        lstrcpynA(folder, s->folder.c_str(), MAX_PATH);
        *row = s->filterRow;
        return true;
    };
    d.chooseFiles = [](char *folder, PathList *list) {
        s->folderOffered = folder;
        // The real dialog may move the process into the chosen folder.
        SetCurrentDirectoryA(s->filesFolder.empty() ? "C:\\" : s->filesFolder.c_str());
        if (!s->filesConfirmed)
            return false;
        lstrcpynA(folder, s->filesFolder.c_str(), MAX_PATH);
        for (const std::string &f : s->files)
            list->appendCopy(f.c_str());
        return true;
    };
    d.messageBox = [](const char *text, const char *caption, UINT type) {
        s->shown.push_back({text, caption, type});
        return (type & MB_TYPEMASK) == MB_YESNO ? s->subfolderAnswer : IDOK;
    };
    d.askLargeLoad = [](const char *text, const char *caption) {
        s->largeLoadQuestions.push_back(std::string(caption) + "|" + text);
        return s->largeLoadAnswer;
    };
    d.showBusy = [](bool on) {
        s->busyDepth += on ? 1 : -1;
        ++s->busyCalls;
    };
    return d;
}

class Discovery : public ::testing::Test {
protected:
    Script script;
    void SetUp() override
    {
        s = &script;
        setPictureListHooks(recordingList());
        setDiscoveryDialogs(scriptedDialogs());
        setSkipLargeLoadQuestion(false);
        pictureDialogFolder()[0] = '\0';
    }
    void TearDown() override { s = nullptr; }

    std::vector<std::string> addedPaths() const
    {
        std::vector<std::string> out;
        for (auto &a : script.added)
            out.push_back(a.first);
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string relativeOf(const std::string &path) const
    {
        for (auto &a : script.added)
            if (a.first == path)
                return a.second;
        return "<not added>";
    }
    static void touch(const std::string &path) { ASSERT_TRUE(writeFileBytes(path, "x")) << path; }
    static void makeFolder(const std::string &path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }
};

const char kSubfolderQuestion[] = "是否需要加载所有子文件夹中的图片？";
}  // namespace

TEST_F(Discovery, FolderYieldsOnlyPictureExtensionsWithTheFolderNameAsRelativeFolder)
{
    ScratchFolder dir("trip");
    for (const char *name : {"a.JPG", "b.Tiff", "c.txt", "d"})
        touch(dir / name);
    script.folder = dir.path();
    addPictureFolder();
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "a.JPG", dir / "b.Tiff"}));
    EXPECT_EQ(relativeOf(dir / "a.JPG"), fileNamePart(dir.path()));
    EXPECT_TRUE(script.shown.empty());  // no sub-folder question, no warning
    EXPECT_EQ(script.refreshes, 1);
    EXPECT_EQ(script.wakes, 1);
    EXPECT_EQ(script.busyDepth, 0);  // the arrow cursor is back
    EXPECT_GT(script.busyCalls, 0);
}

TEST_F(Discovery, FilterRowsUseTheirPatternAndRowZeroTheExtensionSet)
{
    ScratchFolder dir;
    for (const char *name : {"a.JPG", "x.jpeg", "y.png", "z.jpg_old", "t.TIFF", "u.tif"})
        touch(dir / name);
    script.folder = dir.path();
    script.filterRow = 1;
    addPictureFolder();
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "a.JPG"}));

    script.added.clear();
    script.listed.clear();
    script.filterRow = 6;  // "*.tif": not the four-letter ".TIFF"
    addPictureFolder();
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "u.tif"}));

    script.added.clear();
    script.listed.clear();
    script.filterRow = 0;
    addPictureFolder();
    EXPECT_EQ(addedPaths().size(), 5u);

    EXPECT_STREQ(typeFilterPattern(0), "");
    EXPECT_STREQ(typeFilterPattern(2), "*.png");
    EXPECT_STREQ(typeFilterPattern(8), "*.psd");
    EXPECT_STREQ(typeFilterPattern(9), "*.webp");
    EXPECT_STREQ(typeFilterPattern(10), "*.heic");
    EXPECT_STREQ(typeFilterPattern(11), "*.heif");
    EXPECT_STREQ(typeFilterPattern(12), "*.avif");
    EXPECT_STREQ(typeFilterPattern(13), "");
    EXPECT_STREQ(typeFilterPattern(-1), "");
    EXPECT_STREQ(typeFilterLabel(0), "加载所有图片");
    EXPECT_STREQ(typeFilterLabel(5), "JFIF图片 (*.jfif)");
    EXPECT_STREQ(typeFilterLabel(1), "JPG图片  (*.jpg)");
    EXPECT_STREQ(typeFilterLabel(9), "WEBP图片 (*.webp)");
    EXPECT_STREQ(typeFilterLabel(12), "AVIF图片 (*.avif)");
}

TEST_F(Discovery, ThumbsFolderNeitherAsksNorIsDescended)
{
    ScratchFolder dir;
    touch(dir / "a.jpg");
    makeFolder(dir / ".thumbs");
    touch(dir / ".thumbs\\a.jpg");
    script.folder = dir.path();
    script.subfolderAnswer = IDYES;
    addPictureFolder();
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "a.jpg"}));
}

TEST_F(Discovery, SubfolderQuestionDecidesTheDescentAndRelativeFoldersFollowTheTree)
{
    ScratchFolder dir("trip");
    std::string name = fileNamePart(dir.path());
    touch(dir / "top.jpg");
    makeFolder(dir / "day1");
    makeFolder(dir / "day1\\morning");
    touch(dir / "day1\\a.png");
    touch(dir / "day1\\morning\\b.gif");
    makeFolder(dir / "day1\\.thumbs");
    touch(dir / "day1\\.thumbs\\c.jpg");

    script.folder = dir.path();
    script.subfolderAnswer = IDNO;
    addPictureFolder();
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, kSubfolderQuestion);
    EXPECT_EQ(script.shown[0].caption, "确认");
    EXPECT_EQ(script.shown[0].type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "top.jpg"}));

    script.subfolderAnswer = IDYES;
    addPictureFolder();
    EXPECT_EQ(addedPaths(), (std::vector<std::string>{dir / "day1\\a.png", dir / "day1\\morning\\b.gif", dir / "top.jpg"}));
    EXPECT_EQ(relativeOf(dir / "day1\\a.png"), name + "\\day1");
    EXPECT_EQ(relativeOf(dir / "day1\\morning\\b.gif"), name + "\\day1\\morning");
    EXPECT_EQ(script.wakes, 2);  // once per load, never per picture
}

TEST_F(Discovery, DriveRootIsRefusedAndAFolderBelowItWorks)
{
    script.folder = "C:\\";
    addPictureFolder();
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "暂不支持添加根目录：[C:\\]，请选择下一级文件夹。");
    EXPECT_EQ(script.shown[0].caption, "错误");
    EXPECT_EQ(script.shown[0].type, (UINT)MB_ICONERROR);
    EXPECT_TRUE(script.added.empty());
    EXPECT_EQ(script.refreshes + script.wakes, 0);

    std::string below = formatText("C:\\x%lu", (unsigned long)GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(below.c_str(), nullptr));
    touch(below + "\\p.jpg");
    script.shown.clear();
    script.folder = below;
    addPictureFolder();
    EXPECT_EQ(relativeOf(below + "\\p.jpg"), below.substr(3));
    DeleteFileA((below + "\\p.jpg").c_str());
    RemoveDirectoryA(below.c_str());
}

TEST_F(Discovery, CancelMissingAndEmptyFoldersLeaveTheListAlone)
{
    script.folderConfirmed = false;
    addPictureFolder();
    script.folderConfirmed = true;
    script.folder = "";
    addPictureFolder();
    script.folder = "C:\\no\\such\\folder";
    addPictureFolder();
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(script.offered + script.refreshes + script.wakes + script.busyCalls, 0);

    ScratchFolder dir;
    touch(dir / "notes.txt");
    script.folder = dir.path();
    addPictureFolder();
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "在[" + dir.path() + "]中没有找到可处理的图片。");
    EXPECT_EQ(script.shown[0].caption, "提示");
    EXPECT_EQ(script.refreshes + script.wakes, 0);
    EXPECT_EQ(script.busyDepth, 0);
}

TEST_F(Discovery, SameFolderTwiceAddsNothingNewAndShowsNoWarning)
{
    ScratchFolder dir;
    touch(dir / "a.jpg");
    touch(dir / "b.png");
    script.folder = dir.path();
    addPictureFolder();
    addPictureFolder();
    EXPECT_EQ(script.added.size(), 2u);
    EXPECT_EQ(script.offered, 4);  // offered again, rejected by the list
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(script.refreshes, 2);
}

TEST_F(Discovery, ChineseFolderNamesKeepWholeCharactersInRelativeFolders)
{
    ScratchFolder dir("图片");
    std::string name = fileNamePart(dir.path());
    makeFolder(dir / "第一天");
    makeFolder(dir / "診所");
    touch(dir / "第一天\\照片.jpg");
    touch(dir / "診所\\誠.png");
    script.folder = dir.path();
    script.subfolderAnswer = IDYES;
    addPictureFolder();
    EXPECT_EQ(relativeOf(dir / "第一天\\照片.jpg"), name + "\\第一天");
    EXPECT_EQ(relativeOf(dir / "診所\\誠.png"), name + "\\診所");
}

TEST(DiscoveryRules, RelativeFolderIsThePicturesFolderBelowTheChosenFoldersParent)
{
    EXPECT_EQ(relativeFolderOf("D:\\photos\\trip", "D:\\photos\\trip\\day1\\a.jpg"), "trip\\day1");
    EXPECT_EQ(relativeFolderOf("D:\\photos\\trip", "D:\\photos\\trip\\a.jpg"), "trip");
    EXPECT_EQ(relativeFolderOf("D:\\x", "D:\\x\\a.jpg"), "x");
    EXPECT_EQ(relativeFolderOf("D:\\x\\", "D:\\x\\y\\a.jpg"), "x\\y");
    // Outside the chosen folder, or a sibling sharing its name's beginning: no place in the tree.
    EXPECT_EQ(relativeFolderOf("D:\\photos\\trip", "D:\\photos\\trip2\\a.jpg"), "");
    EXPECT_EQ(relativeFolderOf("D:\\photos\\trip", "E:\\a.jpg"), "");
    EXPECT_EQ(relativeFolderOf("trip", "trip\\a.jpg"), "");
    // "診" ends in the byte of a backslash.
    EXPECT_EQ(relativeFolderOf("D:\\診", "D:\\診\\a.jpg"), "診");
    EXPECT_EQ(relativeFolderOf("D:\\相册\\診", "D:\\相册\\診\\誠\\a.jpg"), "診\\誠");

    EXPECT_TRUE(isDriveRoot("D:\\"));
    EXPECT_FALSE(isDriveRoot("D:\\x"));
    EXPECT_FALSE(isDriveRoot(""));
    EXPECT_FALSE(isDriveRoot(nullptr));
}

TEST_F(Discovery, LargeLoadAsksAboveTwoThousandWithThumbnailsShownUnlessSkipped)
{
    EXPECT_EQ(confirmManyPictures(2000), -1);
    EXPECT_TRUE(script.largeLoadQuestions.empty());
    script.largeLoadAnswer = IDCANCEL;
    EXPECT_EQ(confirmManyPictures(2001), IDCANCEL);
    ASSERT_EQ(script.largeLoadQuestions.size(), 1u);
    EXPECT_EQ(script.largeLoadQuestions[0],
              "提示|准备加载的图片较多(2001张)，在生成缩略图时会非常的耗时。\n\n是否先取消显示缩略图达到更快的加载速度？");
    EXPECT_EQ(script.switchOffs, 0);
    EXPECT_FALSE(skipLargeLoadQuestion());

    script.largeLoadAnswer = IDYES;
    EXPECT_EQ(confirmManyPictures(5000), IDYES);
    EXPECT_EQ(script.switchOffs, 1);
    EXPECT_EQ(confirmManyPictures(5000), -1);  // thumbnails are off now

    EXPECT_TRUE(shouldAskLargeLoad(2001, false, true));
    EXPECT_FALSE(shouldAskLargeLoad(2001, true, true));
    EXPECT_FALSE(shouldAskLargeLoad(2001, false, false));
    EXPECT_FALSE(shouldAskLargeLoad(2000, false, true));
}

TEST_F(Discovery, DoNotRemindAgainIsStoredUnderTheNameWithItsTrailingSpace)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Velmora", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegDeleteValueA(key, "skip_check_load_pic_count ");
    script.largeLoadAnswer = IDNO;
    EXPECT_EQ(confirmManyPictures(2001), IDNO);
    EXPECT_TRUE(skipLargeLoadQuestion());
    DWORD value = 0, size = sizeof value, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "skip_check_load_pic_count ", nullptr, &type, (BYTE *)&value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(value, 1u);
    EXPECT_NE(RegQueryValueExA(key, "skip_check_load_pic_count", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(confirmManyPictures(9999), -1);

    setSkipLargeLoadQuestion(false);
    loadSkipLargeLoadQuestion();  // as at start-up
    EXPECT_TRUE(skipLargeLoadQuestion());
    RegDeleteValueA(key, "skip_check_load_pic_count ");
    loadSkipLargeLoadQuestion();
    EXPECT_FALSE(skipLargeLoadQuestion());
    RegCloseKey(key);
}

TEST_F(Discovery, LoadGoesOnAfterTheLargeLoadQuestion)
{
    ScratchFolder dir;
    for (int i = 0; i < 2001; ++i)
        touch(dir / formatText("p%04d.jpg", i));
    script.folder = dir.path();
    script.largeLoadAnswer = IDYES;
    addPictureFolder();
    EXPECT_EQ(script.largeLoadQuestions.size(), 1u);
    EXPECT_EQ(script.switchOffs, 1);
    EXPECT_EQ(script.added.size(), 2001u);
    EXPECT_EQ(script.wakes, 1);

    // One picture fewer: no question.
    DeleteFileA((dir / "p0000.jpg").c_str());
    script.thumbnails = true;
    script.listed.clear();
    script.added.clear();
    addPictureFolder();
    EXPECT_EQ(script.largeLoadQuestions.size(), 1u);
    EXPECT_EQ(script.added.size(), 2000u);
}

TEST_F(Discovery, AddFilesAddsEachWithAnEmptyRelativeFolderAndRemembersTheFolder)
{
    ScratchFolder dir;
    script.filesFolder = dir.path() + "\\";
    script.files = {dir / "a.jpg", dir / "b.png", dir / "c.gif"};
    lstrcpyA(pictureDialogFolder(), "C:\\start");
    addPictureFiles();
    EXPECT_EQ(script.folderOffered, "C:\\start");
    ASSERT_EQ(script.added.size(), 3u);
    EXPECT_EQ(script.added[0], std::make_pair(dir / "a.jpg", std::string()));
    EXPECT_EQ(script.added[2].first, dir / "c.gif");  // the dialog's order
    EXPECT_EQ(script.statusTexts,
              (std::vector<std::string>{"加载图片中: 0/3", "加载图片中: 1/3", "加载图片中: 2/3"}));
    EXPECT_EQ(std::string(pictureDialogFolder()), dir.path());  // without its trailing backslash
    EXPECT_EQ(script.refreshes, 1);
    EXPECT_EQ(script.wakes, 1);
    EXPECT_EQ(script.busyDepth, 0);

    // The dialog moved the process into another folder; the program's own folder is current again.
    char module[MAX_PATH], current[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string own = std::string(module).substr(0, findLastBackslash(module));
    EXPECT_TRUE(equalsNoCase(current, own) || equalsNoCase(current, own + "\\")) << current;
}

TEST_F(Discovery, CancelledFileDialogChangesNothing)
{
    lstrcpyA(pictureDialogFolder(), "C:\\start");
    script.filesConfirmed = false;
    script.filesFolder = "C:\\elsewhere";
    addPictureFiles();
    EXPECT_EQ(std::string(pictureDialogFolder()), "C:\\start");
    EXPECT_EQ(script.offered + script.refreshes + script.wakes + script.busyCalls, 0);
    EXPECT_TRUE(script.statusTexts.empty());
}

TEST(DiscoveryRules, FileDialogFilterListsTheLabelAndPatternPairsInOrder)
{
    std::string filter = pictureFileDialogFilter();
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size() && filter[start]) {
        size_t end = filter.find('\0', start);
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(parts.size(), 24u);
    EXPECT_EQ(parts[0], "图片文件(*.JPG;*.GIF;*.PNG;*.BMP;*.JFIF;*.TIF;*.TBI;*.PSD;*.WEBP;*.HEIC;*.AVIF)");
    EXPECT_EQ(parts[1], "*.JPG;*.JPEG;*.GIF;*.PNG;*.BMP;*.JFIF;*.TIF;*.TIFF;*.TBI;*.PSD;*.WEBP;*.HEIC;*.HEIF;*.AVIF");
    EXPECT_EQ(parts[2], "JPG图片 (*.JPG)");
    EXPECT_EQ(parts[3], "*.jpg;*.jpeg");
    EXPECT_EQ(parts[12], "TIF图片 (*.TIF)");
    EXPECT_EQ(parts[13], "*.tif;*.tiff");
    EXPECT_EQ(parts[17], "*.psd");
    EXPECT_EQ(parts[18], "WEBP图片 (*.WEBP)");
    EXPECT_EQ(parts[19], "*.webp");
    EXPECT_EQ(parts[20], "HEIC图片 (*.HEIC)");
    EXPECT_EQ(parts[21], "*.heic;*.heif");
    EXPECT_EQ(parts[22], "AVIF图片 (*.AVIF)");
    EXPECT_EQ(parts[23], "*.avif");
    EXPECT_EQ(filter.substr(filter.size() - 2), std::string("\0\0", 2));
}

TEST_F(Discovery, DialogFolderComesFromTheRegistryOrFallsBackToTheDesktop)
{
    char desktop[MAX_PATH];
    ASSERT_TRUE(specialFolderPath(0, desktop));
    ScratchFolder dir("对话框");
    lstrcpynA(pictureDialogFolder(), dir.path().c_str(), MAX_PATH);
    storePictureDialogFolder();
    pictureDialogFolder()[0] = '\0';
    loadPictureDialogFolder();
    EXPECT_EQ(std::string(pictureDialogFolder()), dir.path());

    writeProgramString("file_dlg_choose_image", dir / "gone");
    loadPictureDialogFolder();
    EXPECT_STREQ(pictureDialogFolder(), desktop);

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Velmora", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "file_dlg_choose_image");
    RegCloseKey(key);
    lstrcpyA(pictureDialogFolder(), "C:\\elsewhere");
    loadPictureDialogFolder();
    EXPECT_STREQ(pictureDialogFolder(), desktop);
}
