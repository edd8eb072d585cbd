// The PNG tool's zoom rule and its worker loop on real files, over the originals
// as well as into a folder.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <cstdlib>

#include "tools/png/png_job.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

struct JobRun {
    ToolRunOutcome outcome;
    std::vector<BatchItemResult> items;
};

JobRun runJob(const PngJob &job)
{
    JobRun run;
    BatchReport report;
    report.itemDone = [&](const BatchItemResult &r) { run.items.push_back(r); };
    run.outcome = runPngJob(job, report);
    return run;
}

// A w x h picture written as PNG.
void makePng(const std::string &path, size_t w, size_t h, const char *colour = "#3366cc")
{
    MagickWand *wand = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    ASSERT_TRUE(MagickNewImage(wand, w, h, c));
    MagickSetImageFormat(wand, "PNG");
    ASSERT_TRUE(MagickWriteImage(wand, magickPath(path).c_str()));
    DestroyPixelWand(c);
    DestroyMagickWand(wand);
}

}  // namespace

TEST(PngZoom, RuleTable)
{
    struct Case {
        size_t w, h;
        int size, rule, side;
        bool keep;
        size_t ww, wh;
        bool changed;
    };
    const Case cases[] = {
        {1600, 1200, 800, kPngShrink, kPngWidth, true, 800, 600, true},
        {640, 480, 800, kPngShrink, kPngWidth, true, 640, 480, false},
        {300, 200, 1000, kPngEnlarge, kPngHeight, true, 1500, 1000, true},
        {400, 1200, 1000, kPngEnlarge, kPngHeight, true, 400, 1200, false},
        {50, 40, 100, kPngResizeBothWays, kPngWidth, false, 100, 40, true},
        {1000, 1, 100, kPngShrink, kPngWidth, true, 100, 1, true},   // never 0 high
        {1, 1000, 100, kPngShrink, kPngHeight, true, 1, 100, true},  // never 0 wide
        {800, 600, 800, kPngResizeBothWays, kPngWidth, true, 800, 600, false},
        {3, 2, 2, kPngShrink, kPngWidth, true, 2, 1, true},     // 1.333 -> 1
        {4, 3, 2, kPngShrink, kPngWidth, true, 2, 2, true},     // 1.5 rounds up
        {200, 100, 150, kPngEnlarge, kPngWidth, true, 200, 100, false},
        {200, 100, 150, kPngResizeBothWays, kPngHeight, true, 300, 150, true},
        {200, 100, 9999, kPngShrink, kPngHeight, true, 200, 100, false},
        {200, 100, 0, kPngResizeBothWays, kPngWidth, true, 200, 100, false},  // no size: nothing
    };
    for (const Case &c : cases) {
        PngZoomResult r = pngZoomSize(c.w, c.h, c.size, c.rule, c.side, c.keep);
        EXPECT_EQ(r.width, c.ww) << c.w << "x" << c.h << " size " << c.size << " rule " << c.rule << " side " << c.side;
        EXPECT_EQ(r.height, c.wh) << c.w << "x" << c.h << " size " << c.size;
        EXPECT_EQ(r.changed, c.changed) << c.w << "x" << c.h << " size " << c.size;
    }
}

TEST(PngJob, StartProblemsInTheirOrder)
{
    ScratchFolder dir;
    struct Case {
        std::string source;
        bool zoom;
        const char *size;
        PngField field;
        const char *title, *text;
        bool errorIcon;
    };
    const Case cases[] = {
        {"", true, "", PngField::Source, "请选择【源图片文件夹】", "源图片文件夹不能为空", false},
        {dir / "无", true, "", PngField::Source, "请重新选择", "选择的【源图片文件夹】不存在", false},
        {dir.path(), true, "", PngField::Size, "请输入", "这里不能为空", false},
        {dir.path(), true, "0", PngField::Size, "输入错误", "这里不能小于1", true},
        {dir.path(), false, "0", PngField::None, "", "", false},
        {dir.path(), true, "1", PngField::None, "", "", false},
    };
    for (const Case &c : cases) {
        PngProblem p = pngStartProblem(c.source, c.zoom, c.size);
        EXPECT_EQ(p.field, c.field) << c.source << " " << c.size;
        EXPECT_STREQ(p.title, c.title);
        EXPECT_STREQ(p.text, c.text);
        EXPECT_EQ(p.errorIcon, c.errorIcon);
    }
}

TEST(PngJob, SaveToResizesFlattensAndNumbers)
{
    ScratchFolder root("处理PNG");
    std::string src = root / "源";
    CreateDirectoryA(src.c_str(), nullptr);
    CreateDirectoryA((src + "\\子").c_str(), nullptr);
    makePng(src + "\\wide.png", 1000, 1);
    ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), src + "\\假的.png"));
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/pngsuite/basn6a08.png"), src + "\\子\\alpha.PNG"));
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/pngsuite/basn6a08.png"), src + "\\子\\skip.png_bak"));

    PngJob job;
    job.sourceFolder = src;
    job.outputFolder = root / "出";
    job.includeSubfolders = true;
    job.zoom = true;
    job.zoomRule = kPngShrink;
    job.zoomSide = kPngWidth;
    job.zoomSize = 100;
    job.keepProportions = true;
    job.png8 = false;
    JobRun run = runJob(job);
    ASSERT_EQ(run.outcome.end, ToolRunEnd::Completed) << run.outcome.message;
    EXPECT_EQ(run.outcome.summary.written, 3);
    EXPECT_EQ(identifyFirstImage(job.outputFolder + "\\wide.png", "%w %h"), "100 1");
    EXPECT_EQ(identifyFirstImage(job.outputFolder + "\\假的.png", "%m %w %h"), "PNG 100 69")
        << "listed by name, read by content, written as PNG";
    EXPECT_EQ(identifyFirstImage(job.outputFolder + "\\子\\alpha.png", "%w %[opaque]"), "32 false")
        << "smaller than the size: unchanged; transparency kept";
    EXPECT_NE(identifyFirstImage(job.outputFolder + "\\子\\alpha.png", "%[png:IHDR.color-type-orig]"), "3")
        << "without PNG-8 an ordinary PNG";

    // The second run into the same folder numbers; transparency off gives white.
    job.zoom = false;
    job.transparent = false;
    job.png8 = true;
    job.colours = 4;
    run = runJob(job);
    EXPECT_EQ(run.outcome.summary.written, 3);
    std::string second = job.outputFolder + "\\子\\alpha(2).png";
    EXPECT_EQ(identifyFirstImage(second, "%[png:IHDR.color-type-orig] %[opaque]"), "3 true");
    EXPECT_LE(atoi(identifyFirstImage(second, "%k").c_str()), 4);
    EXPECT_EQ(identifyFirstImage(job.outputFolder + "\\wide(2).png", "%w"), "1000") << "zoom off: size kept";
}

TEST(PngJob, OverwriteRewritesInPlaceAndNeverLosesAnOriginal)
{
    ScratchFolder root("覆盖");
    std::string src = root / "源";
    CreateDirectoryA(src.c_str(), nullptr);
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/skimage_chelsea.png"), src + "\\a.png"));
    SetFileAttributesA((src + "\\a.png").c_str(), FILE_ATTRIBUTE_NORMAL);
    std::string before = readFileBytes(src + "\\a.png");
    PngJob job;
    job.sourceFolder = src;
    job.overwrite = true;
    JobRun run = runJob(job);
    ASSERT_EQ(run.outcome.end, ToolRunEnd::Completed) << run.outcome.message;
    ASSERT_EQ(run.items.size(), 1u);
    EXPECT_EQ(run.items[0].target, src + "\\a.png");
    std::string after = readFileBytes(src + "\\a.png");
    EXPECT_LT(after.size(), before.size()) << "PNG-8 compresses";
    EXPECT_EQ(identifyFirstImage(src + "\\a.png", "%m %w %h %[png:IHDR.color-type-orig]"), "PNG 451 300 3");
    EXPECT_EQ(folderEntries(src), std::vector<std::string>{"a.png"}) << "nothing beside it";

    // A write that fails leaves the original byte for byte and ends the run there.
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/pngsuite/basn2c08.png"), src + "\\b.png"));
    SetFileAttributesA((src + "\\b.png").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string original = readFileBytes(src + "\\b.png");
    run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Failed);
    EXPECT_EQ(run.outcome.message, "保存图片时发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n" + src + "\\b.png");
    EXPECT_EQ(readFileBytes(src + "\\b.png"), original);
    SetFileAttributesA((src + "\\b.png").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folderEntries(src), (std::vector<std::string>{"a.png", "b.png"}));
}
