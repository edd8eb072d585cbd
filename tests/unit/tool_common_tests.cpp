// The pieces every folder tool shares: settings files read against a tool's value
// table, the proposed output folder, the listing with its mirrored tree, and free
// numbered names.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include <algorithm>

#include "app/tool_commands.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "tools/common/tool_values.h"
#include "util/text.h"

namespace {

const std::vector<ToolValueDef> &sampleTable()
{
    static const std::vector<ToolValueDef> table = [] {
        std::vector<ToolValueDef> t;
        appendOutputValues(t, "convert");
        t.push_back({"convert_load_format_option", false, 0, 0x7FF, nullptr, "0", "mask"});
        return t;
    }();
    return table;
}

bool makeFolder(const std::string &path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

}  // namespace

TEST(ToolValues, SettingsFilesAreReadStrictly)
{
    struct Case {
        const char *text;
        const char *error;  // "" when the file is fine
    };
    const Case cases[] = {
        {"", ""},
        {"\xEF\xBB\xBF# a comment\r\n; another\r\n\r\n  convert_format = png \r\nconvert_quality=0x50\n", ""},
        {"convert_png8=1\nconvert_png8=0\n", "设置文件第 2 行: convert_png8 重复出现"},
        {"convert_qualty=80\n", "设置文件第 1 行: 未知的设置项 convert_qualty"},
        {"\nconvert_quality\n", "设置文件第 2 行缺少 '=': convert_quality"},
        {"convert_quality=9\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_quality=101\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_quality=-5\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_quality=80abc\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_quality=\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_quality=99999999999999999999\n", "设置文件第 1 行: convert_quality 只能是 10..100 的整数"},
        {"convert_png8=2\n", "设置文件第 1 行: convert_png8 只能是 0 或 1 的整数"},
        {"convert_format=GIF\n", "设置文件第 1 行: convert_format 只能是 JPG 或 PNG 或 WEBP"},
        {"convert_load_format_option=2048\n", "设置文件第 1 行: convert_load_format_option 只能是 0..2047 的整数"},
    };
    for (const Case &c : cases) {
        ValueMap values;
        std::string error;
        bool ok = parseToolValues(c.text, sampleTable(), values, error);
        EXPECT_EQ(ok, *c.error == 0) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    ValueMap values;
    std::string error, text;
    ASSERT_TRUE(parseToolValues("convert_format=png\r\nconvert_quality=0x50\r\nconvert_load_format_option=1027", sampleTable(),
                                values, error));
    EXPECT_TRUE(values.readText("convert_format", text));
    EXPECT_EQ(text, "PNG") << "stored as the chooser writes it";
    EXPECT_EQ(values.dwordOr("convert_quality", 0), 80u);
    EXPECT_EQ(values.dwordOr("convert_load_format_option", 0), 1027u);
    EXPECT_FALSE(values.has("convert_png8")) << "a missing value stays missing: the job takes its default";

    std::string nul("convert_png8=1\0x\n", 17);
    EXPECT_FALSE(parseToolValues(nul, sampleTable(), values, error));
    EXPECT_EQ(error, "设置文件第 1 行不是文本");
}

TEST(ToolValues, FilesHelpAndToolTable)
{
    ScratchFolder dir("设置");
    ValueMap values;
    std::string error;
    EXPECT_FALSE(readToolValuesFile(dir / "none.txt", sampleTable(), values, error));
    EXPECT_EQ(error, "无法读取设置文件: " + (dir / "none.txt"));
    ASSERT_TRUE(writeFileBytes(dir / "big.txt", std::string(70000, '#')));
    EXPECT_FALSE(readToolValuesFile(dir / "big.txt", sampleTable(), values, error));
    EXPECT_EQ(error.find("设置文件太大"), 0u);
    ASSERT_TRUE(writeFileBytes(dir / "转换.txt", "convert_png8=1\r\n"));
    EXPECT_TRUE(readToolValuesFile(dir / "转换.txt", sampleTable(), values, error)) << error;
    EXPECT_EQ(values.dwordOr("convert_png8", 0), 1u);

    // Every tool lists each of its values by name, with range and default.
    for (const ToolCommand &tool : toolCommands()) {
        std::string help = toolUsageText(&tool);
        for (const ToolValueDef &value : tool.values())
            EXPECT_NE(help.find("  " + value.name + "="), std::string::npos) << tool.name << " " << value.name;
    }
    std::string help = toolUsageText(nullptr);
    EXPECT_NE(help.find("convert"), std::string::npos);
    EXPECT_NE(help.find("png"), std::string::npos);
}

TEST(ToolArguments, UsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        const char *error;
    };
    const Case cases[] = {
        {{}, "--tool 后面缺少工具名"},
        {{"png", "--save-to", "out"}, "没有指定源图片文件夹"},
        {{"png", "src"}, "请选择图片处理后保存的方式: --save-to 文件夹 或 --overwrite (只能选一种)"},
        {{"png", "--overwrite", "--save-to", "o", "src"}, "请选择图片处理后保存的方式: --save-to 文件夹 或 --overwrite (只能选一种)"},
        {{"png", "--save-to", "o", "--save-to", "p", "src"}, "--save-to 只能指定一次"},
        {{"png", "--settings"}, "--settings 后面缺少路径"},
        {{"png", "--overwrite", "a", "b"}, "只能指定一个源图片文件夹: b"},
        {{"png", "--recursive", "a"}, "未知的选项: --recursive"},
    };
    for (const Case &c : cases) {
        ToolCommandLine command;
        std::string error;
        EXPECT_FALSE(parseToolArguments(c.args, command, error));
        EXPECT_EQ(error, c.error);
    }
    ToolCommandLine command;
    std::string error;
    ASSERT_TRUE(parseToolArguments({"convert", "--subfolders", "--settings", "s.txt", "--save-to", "out", "--", "--src"},
                                   command, error));
    EXPECT_EQ(command.tool, "convert");
    EXPECT_TRUE(command.subfolders);
    EXPECT_EQ(command.settingsFile, "s.txt");
    EXPECT_EQ(command.saveTo, "out");
    EXPECT_EQ(command.source, "--src");
    ASSERT_TRUE(parseToolArguments({"png", "--help"}, command, error));
    EXPECT_TRUE(command.help);
}

TEST(ToolFolders, ProposalNamesAndNumbers)
{
    ScratchFolder root("建议");
    std::string source = root / "照片";
    ASSERT_TRUE(makeFolder(source));
    EXPECT_EQ(proposeOutputFolder(source), source + "_处理后");
    EXPECT_EQ(proposeOutputFolder(source + "\\"), source + "_处理后");
    ASSERT_TRUE(makeFolder(source + "_处理后"));
    EXPECT_EQ(proposeOutputFolder(source), source + "_处理后(2)");
    ASSERT_TRUE(makeFolder(source + "_处理后(2)"));
    ASSERT_TRUE(writeFileBytes(source + "_处理后(3)", "a file, not a folder"));
    EXPECT_EQ(proposeOutputFolder(source), source + "_处理后(3)") << "only folders count";

    EXPECT_EQ(folderBelowSource("D:\\p", "D:\\p\\a.jpg"), "");
    EXPECT_EQ(folderBelowSource("D:\\p\\", "D:\\p\\a\\b\\c.png"), "\\a\\b");
    EXPECT_EQ(folderBelowSource("D:\\p", "D:\\pp\\c.png"), "");
    EXPECT_EQ(stemOf("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(stemOf("noext"), "noext");

}

TEST(ToolPicture, NewFilesAreNumberedAndNothingIsReplaced)
{
    ScratchFolder root("编号");
    std::string detail, message;
    MagickWand *picture = readToolPicture(samplePath("formats/png/pngsuite/basn2c08.png"), true, message, detail);
    ASSERT_TRUE(picture) << message;
    OutputOptions jpg;
    FolderTidy tidy;
    // x.jpg and x(2).jpg are there: the next is x(3).jpg, then x(4).jpg.
    std::string first = root / "x.jpg";
    ASSERT_TRUE(writeFileBytes(first, "1"));
    ASSERT_TRUE(writeFileBytes(root / "x(2).jpg", "2"));
    // A temporary file a killed run left behind goes before the first write.
    std::string stale = root / "~velmora-7fffffff-1.tmp";
    ASSERT_TRUE(writeFileBytes(stale, "half"));
    for (const char *expected : {"x(3).jpg", "x(4).jpg"}) {
        ToolItemOutcome o = writeNewToolPicture(picture, jpg, WriteRules(), first, root / "x", tidy);
        ASSERT_EQ(o.status, ItemStatus::Written) << o.reason << o.runError;
        EXPECT_EQ(o.target, root / expected);
        EXPECT_EQ(readPictureBack(o.target).format, "JPEG");
    }
    EXPECT_EQ(readFileBytes(first), "1");
    EXPECT_EQ(readFileBytes(root / "x(2).jpg"), "2");
    EXPECT_FALSE(pathExists(stale));
    EXPECT_EQ(folderEntries(root.path()).size(), 4u) << "nothing else beside the pictures";

    std::string longName = root / std::string(250, 'n') + ".jpg";
    ToolItemOutcome o = writeNewToolPicture(picture, jpg, WriteRules(), longName, longName.substr(0, longName.size() - 4), tidy);
    EXPECT_EQ(o.status, ItemStatus::Failed);
    EXPECT_TRUE(o.runError.empty()) << "a name that cannot be had skips the picture only";
    EXPECT_EQ(o.reason, "目标文件名太长:\r\n" + longName);

    o = writeNewToolPicture(picture, jpg, WriteRules(), root / "无\\x.jpg", root / "无\\x", tidy);
    EXPECT_EQ(o.runError.find("MagickWriteImage() 发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n" + (root / "无\\x.jpg")), 0u)
        << "a write that fails ends the run: " << o.runError;
    DestroyMagickWand(picture);

    // The first image of a multi-page file; a broken file names its reason.
    picture = readToolPicture(samplePath("formats/tiff/pillow_multipage.tiff"), true, message, detail);
    ASSERT_TRUE(picture);
    EXPECT_EQ(MagickGetNumberImages(picture), 1u);
    EXPECT_EQ(MagickGetImageWidth(picture), 10u) << "the first page (the third is 20 wide)";
    DestroyMagickWand(picture);
    EXPECT_FALSE(readToolPicture(samplePath("broken/text_renamed.jpg"), true, message, detail));
    EXPECT_EQ(message.find("图片读取失败:\r\n" + samplePath("broken/text_renamed.jpg") + "\r\n原因："), 0u) << message;
    EXPECT_FALSE(detail.empty());
}

TEST(ToolFolders, ListingMirrorsTheTreeAndSkipsItsOwnResults)
{
    ScratchFolder root("遍历");
    std::string src = root / "源";
    for (const char *folder : {"源", "源\\a", "源\\a\\b", "源\\.hidden", "源\\结果", "源\\结果\\旧"})
        ASSERT_TRUE(makeFolder(root / folder));
    for (const char *file : {"源\\1.png", "源\\2.txt", "源\\a\\3.png", "源\\a\\b\\4.PNG", "源\\.hidden\\5.png",
                             "源\\结果\\6.png", "源\\结果\\旧\\7.png", "源\\a\\8.png_bak"})
        ASSERT_TRUE(writeFileBytes(root / file, "x"));
    auto names = [&](const std::vector<std::string> &files) {
        std::vector<std::string> out;
        for (const std::string &f : files)
            out.push_back(f.substr(src.size()));
        std::sort(out.begin(), out.end());
        return out;
    };

    ToolWalk walk;
    walk.source = src;
    walk.pattern = "*.png";
    walk.target = root / "出";
    std::vector<std::string> files;
    std::string message;
    ASSERT_EQ(collectToolFiles(walk, files, message), WalkEnd::Listed);
    EXPECT_EQ(names(files), std::vector<std::string>{"\\1.png"});
    EXPECT_TRUE(pathExists(root / "出")) << "the target is made even without sub-folders";

    files.clear();
    walk.includeSubfolders = true;
    ASSERT_EQ(collectToolFiles(walk, files, message), WalkEnd::Listed);
    EXPECT_EQ(names(files), (std::vector<std::string>{"\\1.png", "\\a\\3.png", "\\a\\b\\4.PNG", "\\结果\\6.png",
                                                      "\\结果\\旧\\7.png"}));
    for (const char *mirror : {"出\\a", "出\\a\\b", "出\\结果\\旧"})
        EXPECT_TRUE(pathExists(root / mirror)) << mirror;
    EXPECT_FALSE(pathExists(root / "出\\.hidden"));

    // Results kept below the source are no pictures of the next run.
    files.clear();
    walk.target = src + "\\结果";
    ASSERT_EQ(collectToolFiles(walk, files, message), WalkEnd::Listed);
    EXPECT_EQ(names(files), (std::vector<std::string>{"\\1.png", "\\a\\3.png", "\\a\\b\\4.PNG"}));
    // Over the originals nothing is made and nothing skipped.
    files.clear();
    walk.writesToTarget = false;
    ASSERT_EQ(collectToolFiles(walk, files, message), WalkEnd::Listed);
    EXPECT_EQ(files.size(), 5u);

    // A file where the target must go, and a stop during the sub-folders.
    ASSERT_TRUE(writeFileBytes(root / "文件", "x"));
    walk.writesToTarget = true;
    walk.target = root / "文件";
    files.clear();
    ASSERT_EQ(collectToolFiles(walk, files, message), WalkEnd::FolderFailed);
    EXPECT_EQ(message.find("任务中止！\n\n创建文件夹 " + (root / "文件") + " 失败，错误码："), 0u) << message;
    walk.target = root / "出";
    walk.stopRequested = [] { return true; };
    files.clear();
    EXPECT_EQ(collectToolFiles(walk, files, message), WalkEnd::Stopped);
    walk.stopRequested = nullptr;
    walk.target.clear();
    EXPECT_EQ(collectToolFiles(walk, files, message), WalkEnd::FolderFailed) << "save-to without a folder";
}
