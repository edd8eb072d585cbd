// Target names and folder prefixes: plain text, no files.
#include "gtest.h"

#include "core/target_naming.h"

// "籠" and "禱" are GBK characters whose second byte is 0x5C, the backslash.
static const char kTrailBackslashFolder[] = "籠";
static const char kTrailBackslashName[] = "禱";

TEST(TargetNaming, TrailBytesAreNotSeparators)
{
    ASSERT_EQ(std::string(kTrailBackslashFolder).size(), 2u);
    ASSERT_EQ(kTrailBackslashFolder[1], '\\');
    std::string path = std::string("Z:\\") + kTrailBackslashFolder + "\\" + kTrailBackslashName + ".png";
    EXPECT_EQ(targetBaseName(path), kTrailBackslashName);
    // A folder name ending in such a character still needs its own backslash.
    EXPECT_EQ(folderWithBackslash(std::string("Z:\\") + kTrailBackslashFolder),
              std::string("Z:\\") + kTrailBackslashFolder + "\\");
    EXPECT_EQ(targetCandidate(std::string("Z:\\") + kTrailBackslashFolder, "", "a", false, 1),
              std::string("Z:\\") + kTrailBackslashFolder + "\\a.jpg");
}

TEST(TargetNaming, BaseNameDropsOnlyTheLastExtension)
{
    EXPECT_EQ(targetBaseName("D:\\in\\a.png"), "a");
    EXPECT_EQ(targetBaseName("D:\\in\\photo"), "photo");
    EXPECT_EQ(targetBaseName("D:\\in\\archive.tar.gz"), "archive.tar");
    // Dots in folder names are not extensions.
    EXPECT_EQ(targetBaseName("D:\\my.photos\\v1.2\\scan"), "scan");
    EXPECT_EQ(targetBaseName("D:\\相册.2019\\海边 日落.JPEG"), "海边 日落");
    EXPECT_EQ(targetBaseName("noext"), "noext");
}

TEST(TargetNaming, CandidatesWithAndWithoutStructure)
{
    // Folder with or without its backslash gives the same names.
    for (const char *folder : {"D:\\out", "D:\\out\\"}) {
        EXPECT_EQ(targetCandidate(folder, "trip\\day1", "a", false, 1), "D:\\out\\a.jpg");
        EXPECT_EQ(targetCandidate(folder, "trip\\day1", "a", false, 2), "D:\\out\\a(2).jpg");
        EXPECT_EQ(targetCandidate(folder, "trip\\day1", "a", true, 1), "D:\\out\\trip\\day1\\a.jpg");
        EXPECT_EQ(targetCandidate(folder, "trip\\day1", "a", true, 3), "D:\\out\\trip\\day1\\a(3).jpg");
        // An item added without a folder lands in the target itself, one backslash.
        EXPECT_EQ(targetCandidate(folder, "", "a", true, 1), "D:\\out\\a.jpg");
        EXPECT_EQ(targetCandidate(folder, "", "a", true, 2), "D:\\out\\a(2).jpg");
    }
    EXPECT_EQ(targetCandidate("D:\\输出", "相册\\海边", "日落", true, 12), "D:\\输出\\相册\\海边\\日落(12).jpg");
    EXPECT_EQ(targetCandidate("D:\\out", "", "archive.tar", false, 1), "D:\\out\\archive.tar.jpg");
    // Too long for the path limit: no name at all rather than a cut one.
    std::string longBase(247, 'n');
    EXPECT_EQ(targetCandidate("D:\\out", "", longBase, false, 1), "D:\\out\\" + longBase + ".jpg");
    EXPECT_EQ(targetCandidate("D:\\out", "", longBase, false, 2), "");
}

TEST(TargetNaming, FolderPrefixesInOrderOfFirstAppearance)
{
    std::vector<std::string> prefixes =
        relativeFolderPrefixes({"src\\a\\b", "", "src\\a\\c", "src", "x", "src\\a\\b", "X"});
    EXPECT_EQ(prefixes, (std::vector<std::string>{"src", "src\\a", "src\\a\\b", "src\\a\\c", "x", "X"}));
    EXPECT_TRUE(relativeFolderPrefixes({"", ""}).empty());

    std::string odd = std::string(kTrailBackslashFolder) + "\\相册";
    EXPECT_EQ(relativeFolderPrefixes({odd}), (std::vector<std::string>{kTrailBackslashFolder, odd}));
}

TEST(TargetNaming, RelativeFoldersStayBelowTheTarget)
{
    for (const char *safe : {"", "trip", "2019\\trip", "相册\\海边", "a.b\\c", kTrailBackslashFolder})
        EXPECT_TRUE(isSafeRelativeFolder(safe)) << safe;
    for (const char *unsafe : {"..", "a\\..\\..\\b", ".", "\\a", "a\\", "a\\\\b", "C:\\a", "C:a", "a/../b"})
        EXPECT_FALSE(isSafeRelativeFolder(unsafe)) << unsafe;
}

TEST(TargetNaming, RelativeFolderBeginsWithTheChosenFolder)
{
    EXPECT_EQ(relativeFolderBelow("D:\\photos\\trip", "D:\\photos\\trip\\day1\\a.jpg"), "trip\\day1");
    EXPECT_EQ(relativeFolderBelow("D:\\photos\\trip", "D:\\photos\\trip\\a.jpg"), "trip");
    EXPECT_EQ(relativeFolderBelow("D:\\photos\\trip\\", "D:\\photos\\trip\\x\\y\\a.jpg"), "trip\\x\\y");
    EXPECT_EQ(relativeFolderBelow("D:\\x", "D:\\x\\a.jpg"), "x");
    EXPECT_EQ(relativeFolderBelow("D:\\相册\\旅行", "D:\\相册\\旅行\\第一天\\海.jpg"), "旅行\\第一天");
    EXPECT_EQ(relativeFolderBelow("D:\\photos\\trip", "E:\\other\\a.jpg"), "");
}

TEST(TargetNaming, PathKeyFoldsAsciiOnly)
{
    EXPECT_EQ(pathKey("Z:\\Tmp/A.JPG"), pathKey("z:\\tmp\\a.jpg"));
    EXPECT_NE(pathKey("Z:\\a.jpg"), pathKey("Z:\\b.jpg"));
    // 0x81 0x41 is one GBK character; its trail byte 'A' must not become 'a'.
    std::string gbk = "\x81\x41.jpg";
    std::string other = "\x81\x61.jpg";
    EXPECT_NE(pathKey(gbk), pathKey(other));
}
