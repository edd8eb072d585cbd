#include "gtest.h"
#include "test_util.h"

#ifdef __WINE__
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <string>
#include <vector>

#include "input/file_helpers.h"
#include "util/text.h"
#include "util/magick_path.h"
#include "util/path_list.h"

namespace {
// The listed texts, sorted: the platform's order within a folder is not fixed.
std::vector<std::string> sortedTexts(const PathList *list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count; ++i)
        out.push_back(list->text(i));
    std::sort(out.begin(), out.end());
    return out;
}

struct Listing {
    PathList *list = PathList::create(16, 16);
    ~Listing() { list->destroy(true); }
    std::vector<std::string> sorted() const { return sortedTexts(list); }
};

void touch(const std::string &path, const std::string &bytes = "x") { ASSERT_TRUE(writeFileBytes(path, bytes)) << path; }
void makeFolder(const std::string &path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }

#ifdef __WINE__
// A Unix symbolic link made behind Wine's back, removed again before the scratch
// folder is cleaned (the cleaner would otherwise walk through it).
struct UnixLink {
    std::string unixPath;
    UnixLink(const std::string &target, const std::string &link)
    {
        std::string linkParent = magickPath(link.substr(0, findLastBackslash(link)));
        unixPath = linkParent + "/" + fileNamePart(link);
        ok = symlink(magickPath(target).c_str(), unixPath.c_str()) == 0;
    }
    ~UnixLink() { unlink(unixPath.c_str()); }
    bool ok = false;
};
#endif
}  // namespace

TEST(FileHelpers, PictureAndFontExtensionsCompareFromTheLastDotIgnoringCase)
{
    for (const char *yes : {"a.JPG", "b.Tiff", "c.jpeg", "d.jfif", "e.PSD", "f.tbi", "g.txt.png", ".gif", "h.BMP"})
        EXPECT_TRUE(isPictureFileName(yes)) << yes;
    for (const char *no : {"c.txt", "d", "a.jpg.txt", "a.jpgx", "jpg", "a.png_bak", ""})
        EXPECT_FALSE(isPictureFileName(no)) << no;
    EXPECT_FALSE(isPictureFileName(nullptr));
    EXPECT_TRUE(isFontFileName("simsun.TTC"));
    EXPECT_TRUE(isFontFileName("a.otf"));
    EXPECT_FALSE(isFontFileName("a.fon"));
}

TEST(FileHelpers, ExistenceFolderAndSizeQueries)
{
    ScratchFolder dir;
    touch(dir / "five.bin", "12345");
    touch(dir / "empty.bin", "");
    makeFolder(dir / "sub");
    EXPECT_TRUE(fileExists((dir / "five.bin").c_str()));
    EXPECT_FALSE(fileExists((dir / "missing.bin").c_str()));
    EXPECT_FALSE(fileExists((dir / "sub").c_str()));  // a folder cannot be opened as a file
    EXPECT_FALSE(fileExists(""));
    EXPECT_FALSE(fileExists(nullptr));
    EXPECT_TRUE(isDirectory(dir.path().c_str()));
    EXPECT_TRUE(isDirectory((dir / "sub").c_str()));
    EXPECT_FALSE(isDirectory((dir / "five.bin").c_str()));
    EXPECT_FALSE(isDirectory((dir / "missing").c_str()));
    EXPECT_EQ(fileSize((dir / "five.bin").c_str()), 5);
    EXPECT_EQ(fileSize((dir / "empty.bin").c_str()), 0);
    EXPECT_EQ(fileSize((dir / "missing.bin").c_str()), -1);
    EXPECT_EQ(fileSize(nullptr), -1);
}

TEST(FileHelpers, ListPicturesKeepsOnlyFilesWithAPictureExtension)
{
    ScratchFolder dir;
    for (const char *name : {"a.JPG", "b.Tiff", "c.txt", "d", "e.png_bak"})
        touch(dir / name);
    makeFolder(dir / "folder.jpg");  // a folder is never a picture
    Listing found;
    listPictures(dir.path().c_str(), found.list);
    EXPECT_EQ(found.sorted(), (std::vector<std::string>{dir / "a.JPG", dir / "b.Tiff"}));

    Listing none;
    listPictures((dir / "missing").c_str(), none.list);
    listPictures("", none.list);
    listPictures(nullptr, none.list);
    EXPECT_EQ(none.list->count, 0);
}

TEST(FileHelpers, PatternListingDoesNotTakeLongerExtensionsThroughShortNames)
{
    ScratchFolder dir;
    for (const char *name : {"a.png", "B.PNG", "a.png_bak", "c.pngx", "d.jpg", "e.jpeg"})
        touch(dir / name);
    makeFolder(dir / "f.png");
    Listing png;
    listFilesByPattern(dir.path().c_str(), png.list, "*.png");
    EXPECT_EQ(png.sorted(), (std::vector<std::string>{dir / "B.PNG", dir / "a.png"}));

    Listing jpg;
    listFilesByPattern(dir.path().c_str(), jpg.list, "*.jpg");
    EXPECT_EQ(jpg.sorted(), (std::vector<std::string>{dir / "d.jpg"}));

    // Null and empty patterns mean every file (folders excluded).
    Listing all, allEmpty;
    listFilesByPattern(dir.path().c_str(), all.list, nullptr);
    listFilesByPattern(dir.path().c_str(), allEmpty.list, "");
    EXPECT_EQ(all.list->count, 6);
    EXPECT_EQ(allEmpty.sorted(), all.sorted());

    Listing names;
    listFileNames(dir.path().c_str(), "*.png", names.list);
    EXPECT_EQ(names.sorted(), (std::vector<std::string>{"B.PNG", "a.png"}));
}

TEST(FileHelpers, SubfoldersSkipDotFoldersAndComeInPreOrder)
{
    ScratchFolder dir;
    makeFolder(dir / ".thumbs");
    touch(dir / ".thumbs\\t.jpg");
    Listing onlyHidden;
    EXPECT_FALSE(hasSubfolder(dir.path().c_str()));
    listSubfolders(dir.path().c_str(), onlyHidden.list, true);
    EXPECT_EQ(onlyHidden.list->count, 0);

    makeFolder(dir / "a");
    makeFolder(dir / "a\\a1");
    makeFolder(dir / "a\\a1\\a11");
    makeFolder(dir / "a\\a1\\.cache");
    makeFolder(dir / "b");
    touch(dir / "c.jpg");
    EXPECT_TRUE(hasSubfolder(dir.path().c_str()));
    EXPECT_FALSE(hasSubfolder((dir / "b").c_str()));
    EXPECT_FALSE(hasSubfolder((dir / "missing").c_str()));

    Listing flat;
    listSubfolders(dir.path().c_str(), flat.list, false);
    EXPECT_EQ(flat.sorted(), (std::vector<std::string>{dir / "a", dir / "b"}));

    Listing deep;
    listSubfolders(dir.path().c_str(), deep.list, true);
    ASSERT_EQ(deep.list->count, 4);
    // Each folder is followed directly by its own descendants.
    std::vector<std::string> order;
    for (int i = 0; i < deep.list->count; ++i)
        order.push_back(deep.list->text(i));
    auto at = [&](const std::string &p) { return std::find(order.begin(), order.end(), p) - order.begin(); };
    EXPECT_EQ(at(dir / "a\\a1"), at(dir / "a") + 1);
    EXPECT_EQ(at(dir / "a\\a1\\a11"), at(dir / "a") + 2);
    EXPECT_LT(at(dir / "b"), 4);
}

TEST(FileHelpers, OnlyLinkReparsePointsAreTreatedAsLinks)
{
    const DWORD dirLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(isLinkReparsePoint(dirLink, 0xA0000003));   // junction
    EXPECT_TRUE(isLinkReparsePoint(dirLink, 0xA000000C));   // symbolic link
    EXPECT_TRUE(isLinkReparsePoint(dirLink, 0xA000001D));   // WSL link
    EXPECT_FALSE(isLinkReparsePoint(dirLink, 0x9000001A));  // cloud-file placeholder: a real folder
    EXPECT_FALSE(isLinkReparsePoint(FILE_ATTRIBUTE_DIRECTORY, 0xA0000003));  // tag without the attribute
}

#ifdef __WINE__
TEST(FileHelpers, LinkToAnAncestorIsNeitherListedNorDescended)
{
    ScratchFolder dir;
    makeFolder(dir / "a");
    makeFolder(dir / "a\\deep");
    touch(dir / "a\\deep\\p.jpg");
    UnixLink loop(dir.path(), dir / "a\\deep\\loop");
    ASSERT_TRUE(loop.ok);
    ASSERT_TRUE(isDirectory((dir / "a\\deep\\loop\\a").c_str()));  // Wine does follow it

    Listing deep;
    listSubfolders(dir.path().c_str(), deep.list, true);
    EXPECT_EQ(deep.sorted(), (std::vector<std::string>{dir / "a", dir / "a\\deep"}));
    // A folder whose only sub-folder is the link does not count as having one.
    EXPECT_FALSE(hasSubfolder((dir / "a\\deep").c_str()));

    // A link to a sibling tree would list that tree's pictures twice.
    makeFolder(dir / "b");
    UnixLink sideways(dir / "a", dir / "b\\to_a");
    ASSERT_TRUE(sideways.ok);
    Listing again;
    listSubfolders(dir.path().c_str(), again.list, true);
    EXPECT_EQ(again.sorted(), (std::vector<std::string>{dir / "a", dir / "a\\deep", dir / "b"}));
}

TEST(FileHelpers, EntriesBeyondThePathLimitAreSkipped)
{
    ScratchFolder dir;
    // Grow a folder path to about 240 bytes, then put names in it that push the
    // joined path past 260; they are made on the Unix side, where no limit applies.
    std::string folder = dir.path();
    while (folder.size() < 230)
        folder += "\\" + std::string(std::min<size_t>(40, 235 - folder.size()), 'f');
    ASSERT_TRUE(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS) << folder;
    std::string unixFolder = magickPath(folder);
    ASSERT_FALSE(unixFolder.empty());
    std::string longName = std::string(40, 'n') + ".jpg";
    int fd = open((unixFolder + "/" + longName).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    touch(folder + "\\s.jpg");
    ASSERT_EQ(mkdir((unixFolder + "/" + std::string(40, 'd')).c_str(), 0755), 0);
    Listing found;
    LeftOutLines leftOut;
    listPictures(folder.c_str(), found.list, &leftOut);
    EXPECT_EQ(found.sorted(), (std::vector<std::string>{folder + "\\s.jpg"}));
    for (int i = 0; i < found.list->count; ++i)
        EXPECT_LT(strlen(found.list->text(i)), (size_t)MAX_PATH);
    // Left out, but never silently: the line names the cause and the whole path.
    const std::string longPath = folder + "\\" + longName;
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(leftOut[0], formatText("路径太长 (%zu 字节, 最多 259 字节), 这张图片没有处理:\r\n", longPath.size()) + longPath);
    // A sub-folder that cannot be listed is named as well.
    Listing folders;
    leftOut.clear();
    listSubfolders(folder.c_str(), folders.list, true, &leftOut);
    EXPECT_EQ(folders.list->count, 0);
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_NE(leftOut[0].find("这个文件夹里的图片没有处理:\r\n" + folder + "\\" + std::string(40, 'd')), std::string::npos);
    rmdir((unixFolder + "/" + std::string(40, 'd')).c_str());
    unlink((unixFolder + "/" + longName).c_str());
}

#endif

struct FolderRace {
    std::string root;
    LONG failures;
};
DWORD WINAPI makeRacingFolders(LPVOID parameter)
{
    FolderRace *race = static_cast<FolderRace *>(parameter);
    DWORD error = 0;
    for (int i = 0; i < 300; ++i)
        if (!makeFolder(race->root + formatText("\\r%d", i), error))
            InterlockedIncrement(&race->failures);
    return 0;
}

TEST(FileHelpers, MakingAFolderThatAnotherRunMakesTooIsFine)
{
    // Two runs make the same new folders at the same moment: the look and the
    // creation are apart, and the other may come in between. Neither fails.
    ScratchFolder dir;
    FolderRace race{dir.path(), 0};
    HANDLE threads[2] = {CreateThread(nullptr, 0, makeRacingFolders, &race, 0, nullptr),
                         CreateThread(nullptr, 0, makeRacingFolders, &race, 0, nullptr)};
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    EXPECT_EQ(race.failures, 0);
    DWORD error = 0;
    touch(dir / "file");
    EXPECT_FALSE(makeFolder(dir / "file", error)) << "a file is no folder";
}

TEST(FileHelpers, ChineseFolderNamesListAndJoinCorrectly)
{
    // "診" and "誠" end in the byte 0x5C, the same as a backslash.
    ScratchFolder dir("图片测试");
    ASSERT_FALSE(dir.path().empty());
    std::string clinic = dir / "診";
    makeFolder(clinic);
    touch(clinic + "\\誠.jpg");
    touch(clinic + "\\照片.PNG");
    makeFolder(clinic + "\\第一天");
    Listing pictures;
    listPictures(clinic.c_str(), pictures.list);
    ASSERT_EQ(pictures.list->count, 2);
    for (int i = 0; i < pictures.list->count; ++i)
        EXPECT_TRUE(fileExists(pictures.list->text(i))) << pictures.list->text(i);
    std::vector<std::string> expected = {clinic + "\\照片.PNG", clinic + "\\誠.jpg"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pictures.sorted(), expected);

    Listing folders;
    listSubfolders(dir.path().c_str(), folders.list, true);
    EXPECT_EQ(folders.sorted(), (std::vector<std::string>{clinic, clinic + "\\第一天"}));
}

TEST(FileHelpers, FileNamePartTakesTheTextAfterTheLastRealBackslash)
{
    EXPECT_EQ(fileNamePart("photo.jpg"), "photo.jpg");
    EXPECT_EQ(fileNamePart("C:\\a\\b.jpg"), "b.jpg");
    EXPECT_EQ(fileNamePart("C:\\a\\"), "");
    EXPECT_EQ(fileNamePart(""), "");
    EXPECT_EQ(fileNamePart("D:\\照片\\診"), "診");
    EXPECT_EQ(fileNamePart("D:\\診\\誠.jpg"), "誠.jpg");
    EXPECT_EQ(findLastBackslash("診"), std::string::npos);
    EXPECT_EQ(findLastBackslash("a\\b"), 1u);
    // A lone lead byte at the end does not swallow anything that is not there.
    EXPECT_EQ(findLastBackslash(std::string("a\\\xD4", 3)), 1u);
}

TEST(FileHelpers, DesktopFolderAndFontListing)
{
    char desktop[MAX_PATH];
    ASSERT_TRUE(specialFolderPath(0, desktop));
    EXPECT_TRUE(isDirectory(desktop)) << desktop;
    EXPECT_FALSE(specialFolderPath(0, nullptr));

    ScratchFolder dir;
    for (const char *name : {"a.ttf", "b.TTC", "c.otf", "d.fon", "e.ttf.bak"})
        touch(dir / name);
    Listing fonts;
    listFontFiles(dir.path().c_str(), fonts.list);
    EXPECT_EQ(fonts.sorted(), (std::vector<std::string>{dir / "a.ttf", dir / "b.TTC", dir / "c.otf"}));
}
