#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include "imaging/self_test.h"
#include "shell/app_info.h"
#include "util/magick_path.h"
#include "util/text.h"

TEST(TextConversion, RoundTripsChineseAndDropsWhatCannotConvert)
{
    std::string gbk = "图片批量处理";  // GBK in the binary
    EXPECT_EQ(gbk.size(), 12u);
    EXPECT_EQ(gbkToUtf8(gbk), u8"图片批量处理");
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(gbk)), gbk);
    // A character outside GBK is dropped, the rest kept.
    EXPECT_EQ(utf8ToGbk(u8"a\U0001F600b"), "ab");
    // A cut-off GBK sequence loses only the broken byte.
    EXPECT_EQ(gbkToUtf8(std::string("ab\xD6", 3)), "ab");
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
    EXPECT_NE(unixPath.find(u8"相册 照片.jpg"), std::string::npos);
#endif
    // A missing parent folder cannot be opened by ImageMagick: no path at all.
#ifdef __WINE__
    EXPECT_TRUE(magickPath(dir / "缺少\\a.jpg").empty());
#endif
}

TEST(SelfTest, PictureLibrariesWork)
{
    std::string report;
    EXPECT_TRUE(runSelfTest(report)) << gbkToUtf8(report);
    EXPECT_NE(report.find("JPEG"), std::string::npos);
}
