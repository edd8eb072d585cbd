#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include <wand/MagickWand.h>

#include "imaging/magick_env.h"
#include "imaging/self_test.h"
#include "input/file_helpers.h"
#include "util/path_join.h"
#include "util/app_info.h"
#include "util/magick_path.h"
#include "util/text.h"

static std::string firstPhoto()
{
    std::vector<std::string> names = folderEntries(samplePath("photos"));
    for (const std::string &n : names)
        if (endsWithNoCase(n, ".jpg"))
            return n;
    return names.empty() ? std::string() : names[0];
}

TEST(TextConversion, RoundTripsChineseAndDropsWhatCannotConvert)
{
    std::string gbk = "图片批量处理";  // GBK in the binary
    EXPECT_EQ(gbk.size(), 12u);
    EXPECT_EQ(gbkToUtf8(gbk), u8"图片批量处理");
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(gbk)), gbk);
    // A character outside GBK is dropped, the rest kept.
    EXPECT_EQ(utf8ToGbk(u8"a\U0001F600b"), "ab");
    // A cut-off GBK sequence loses only the broken byte, broken UTF-8 likewise.
    EXPECT_EQ(gbkToUtf8(std::string("ab\xD6", 3)), "ab");
    EXPECT_EQ(utf8ToGbk("a\xFF\xE4\xB8" "b\xE4\xB8\xAD"), "ab中");
    EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(TextHelpers, CompareSplitAndReplace)
{
    EXPECT_TRUE(endsWithNoCase("A.JPG", ".jpg"));
    EXPECT_FALSE(endsWith("A.JPG", ".jpg"));
    EXPECT_FALSE(endsWithNoCase("g", ".jpg"));
    EXPECT_TRUE(equalsNoCase("Z:\\A\\b.Jpg", "z:\\a\\B.jPG"));
    EXPECT_FALSE(equalsNoCase("ab", "abc"));
    EXPECT_TRUE(hasHighByte("相册"));
    EXPECT_FALSE(hasHighByte("photos"));
    EXPECT_EQ(splitText("a;b;;c", ';'), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(splitText("", ';'), (std::vector<std::string>{""}));
    EXPECT_EQ(replaceAll("a%%b%%", "%%", "%"), "a%b%");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    std::string longText(3000, 'x');
    EXPECT_EQ(formatText("%s!", longText.c_str()).size(), 3001u);
}

TEST(ProgramIdentity, TitleCarriesTheVersion)
{
    EXPECT_EQ(programTitle(), "Velmora图片批量处理工具(V11.5)");
}

TEST(MagickPath, ChinesePathsReachImageMagickAsUtf8)
{
    ScratchFolder dir("路径测试");
    ASSERT_FALSE(dir.path().empty());
    std::string file = dir / "相册 照片.jpg";
    ASSERT_TRUE(writeFileBytes(file, "x"));
    std::string unixPath = magickPath(file);
    ASSERT_FALSE(unixPath.empty());
#ifdef __WINE__
    EXPECT_EQ(unixPath[0], '/');
#else
    EXPECT_EQ(unixPath.substr(1, 2), ":\\");  // the Windows library opens Windows paths
#endif
    EXPECT_NE(unixPath.find(u8"相册 照片.jpg"), std::string::npos);
    // A missing parent folder cannot be opened by ImageMagick: no path at all.
#ifdef __WINE__
    EXPECT_TRUE(magickPath(dir / "缺少\\a.jpg").empty());
#endif
}

TEST(MagickPath, ChineseFileInChineseFolderIsReadAndPercentWrittenLiterally)
{
    ScratchFolder dir("相册");
    ASSERT_TRUE(copyFileTo(samplePath("photos/" + firstPhoto()), dir / "照片.jpg"));
    MagickWand *wand = NewMagickWand();
    ASSERT_TRUE(MagickReadImage(wand, magickPath(dir / "照片.jpg").c_str()));
    EXPECT_GT(MagickGetImageWidth(wand), 0u);
    // ImageMagick would take %o / %d as a frame template and write "a 200ff.jpg".
    ASSERT_TRUE(MagickWriteImage(wand, magickWritePath(dir / "a 20%off %d.jpg").c_str()));
    wand = DestroyMagickWand(wand);
    EXPECT_TRUE(pathExists(dir / "a 20%off %d.jpg"));
    EXPECT_FALSE(pathExists(dir / "a 200ff 0.jpg"));
    EXPECT_EQ(folderEntries(dir.path()).size(), 2u);
}

TEST(SelfTest, PictureLibrariesWork)
{
    std::string report;
    EXPECT_TRUE(runSelfTest(report)) << gbkToUtf8(report);
    EXPECT_NE(report.find("JPEG"), std::string::npos);
}

TEST(SelfTest, ACorruptedBuiltInPictureFailsTheCheck)
{
    std::vector<SelfTestPicture> pictures = builtInSelfTestPictures();
    ASSERT_EQ(pictures.size(), 4u);
    std::string failed;
    EXPECT_TRUE(validateImageMagick(pictures, &failed));
    EXPECT_EQ(failed, "");
    // Damage the JPEG's header and cut the GIF short.
    pictures[1].bytes[0] = 0x00;
    pictures[2].bytes.resize(5);
    EXPECT_FALSE(validateImageMagick(pictures, &failed));
    EXPECT_EQ(failed, "JPEG, GIF");
}

TEST(MagickLimits, ShippedPolicyLiftsTheSystemWidthCapButKeepsABound)
{
    // Debian's own policy refuses anything over 16000 pixels wide.
    MagickWand *wand = NewMagickWand();
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "white");
    EXPECT_TRUE(MagickNewImage(wand, 19998, 4, white));
    ClearMagickWand(wand);
    EXPECT_FALSE(MagickNewImage(wand, 70000, 4, white));
    white = DestroyPixelWand(white);
    wand = DestroyMagickWand(wand);
}

TEST(TextHelpers, BackslashSearchSkipsGbkTrailBytes)
{
    // 0x95 0x5C is one GBK character whose second byte equals '\'.
    std::string folder = std::string("D:\\a\\\x95\x5C");
    EXPECT_EQ(findLastBackslash(folder), 4u);
    EXPECT_FALSE(endsWithBackslash(folder));
    EXPECT_TRUE(endsWithBackslash("D:\\"));
    EXPECT_EQ(findLastBackslash("abc"), std::string::npos);
    std::string joined;
    ASSERT_TRUE(joinPath(joined, folder, "x.jpg"));
    EXPECT_EQ(joined, folder + "\\x.jpg");
    EXPECT_EQ(fileNamePart(folder + "\\x.jpg"), "x.jpg");
    EXPECT_EQ(fileNamePart(folder), std::string("\x95\x5C"));
    EXPECT_EQ(fileNamePart("plain.jpg"), "plain.jpg");
}

TEST(PathJoin, RefusesInsteadOfTruncating)
{
    std::string folder = "C:\\" + std::string(250, 'f');
    std::string out = "unchanged";
    EXPECT_TRUE(joinPath(out, folder, "12345"));  // 253 + 1 + 5 = 259 bytes: fits
    EXPECT_EQ(out.size(), 259u);
    out = "unchanged";
    EXPECT_FALSE(joinPath(out, folder, "123456"));
    EXPECT_EQ(out, "unchanged");
    char buf[16];
    EXPECT_TRUE(joinPath(buf, sizeof buf, "C:\\a", "b.jpg"));  // 10 bytes + zero
    EXPECT_STREQ(buf, "C:\\a\\b.jpg");
    EXPECT_FALSE(joinPath(buf, 10, "C:\\a", "b.jpg"));
    EXPECT_TRUE(joinPath(buf, sizeof buf, "C:\\", "b.jpg"));
    EXPECT_STREQ(buf, "C:\\b.jpg");
}
