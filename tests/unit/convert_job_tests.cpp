// The format conversion tool's worker loop on real files: names, numbering,
// frames, transparency, resolution, mirrored sub-folders, what is never taken.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <algorithm>

#include "tools/common/tool_folders.h"
#include "tools/convert/convert_job.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

const unsigned kAllFormats = 0x7FF;

struct JobRun {
    ToolRunOutcome outcome;
    std::vector<BatchItemResult> items;
    std::vector<std::string> logged;
};

JobRun runJob(const ConvertJob &job, std::function<bool()> stop = nullptr)
{
    JobRun run;
    BatchReport report;
    report.itemDone = [&](const BatchItemResult &r) { run.items.push_back(r); };
    report.logLine = [&](const std::string &t) { run.logged.push_back(t); };
    report.stopRequested = stop;
    run.outcome = runConvertJob(job, report);
    return run;
}

class ConvertJobTest : public testing::Test {
protected:
    ScratchFolder root{"格式转换"};
    std::string src = root / "源图片";
    std::string out = root / "源图片_处理后";
    ConvertJob job;

    void SetUp() override
    {
        CreateDirectoryA(src.c_str(), nullptr);
        job.sourceFolder = src;
        job.targetFolder = out;
        job.sourceFormats = kAllFormats;
    }
    void put(const std::string &sample, const std::string &name)
    {
        std::string path = src + "\\" + name;
        for (size_t sep = path.find('\\', src.size() + 1); sep != std::string::npos; sep = path.find('\\', sep + 1))
            CreateDirectoryA(path.substr(0, sep).c_str(), nullptr);
        ASSERT_TRUE(copyFileTo(samplePath(sample), path)) << name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // the samples are read-only
    }
    std::vector<std::string> written(const JobRun &run) const
    {
        std::vector<std::string> names;
        for (const BatchItemResult &r : run.items)
            if (r.status == ItemStatus::Written)
                names.push_back(r.target.substr(out.size() + 1));
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(ConvertJobTest, KeepExtensionNamesAndTheFormatBits)
{
    struct Case {
        const char *sample, *name;
        bool keep;
        OutputFormat format;
        const char *expected;  // "" when the file is not taken
    };
    const Case cases[] = {
        {"formats/jpeg/go_video-001_q50_444.jpeg", "a.JPG", true, OutputFormat::Jpg, "a.JPG"},
        {"formats/jpeg/go_video-001_q50_444.jpeg", "b.jpeg", true, OutputFormat::Jpg, "b.jpeg.jpg"},
        {"formats/bmp/bmpsuite_rgb24.bmp", "123.bmp", true, OutputFormat::Png, "123.bmp.png"},
        {"formats/bmp/bmpsuite_rgb24.bmp", "124.bmp", false, OutputFormat::Jpg, "124.jpg"},
        {"formats/png/pngsuite/basn2c08.png", "c.PNG", true, OutputFormat::Png, "c.PNG"},
        {"formats/jpeg/go_video-001_q50_444.jpeg", "x.heic", false, OutputFormat::Jpg, ""},  // never taken
        {"formats/jpeg/go_video-001_q50_444.jpeg", "y.jpg.txt", false, OutputFormat::Jpg, ""},
    };
    for (const Case &c : cases) {
        ScratchFolder one("一张");
        job.sourceFolder = one.path();
        job.targetFolder = one / "out";
        ASSERT_TRUE(copyFileTo(samplePath(c.sample), one / c.name));
        job.keepOriginalExtension = c.keep;
        job.output.format = c.format;
        JobRun run = runJob(job);
        if (!*c.expected) {
            EXPECT_EQ(run.outcome.end, ToolRunEnd::NothingToDo) << c.name;
            EXPECT_EQ(run.outcome.message, "没有找到需要处理的图片");
            continue;
        }
        ASSERT_EQ(run.items.size(), 1u) << c.name;
        EXPECT_EQ(run.items[0].target, one / "out" + "\\" + c.expected) << c.name;
        EXPECT_EQ(readPictureBack(run.items[0].target).format, c.format == OutputFormat::Png ? "PNG" : "JPEG");
    }
    EXPECT_EQ(convertTargetName("123.bmp", OutputOptions(), true), "123.bmp.jpg");

    // Each bit takes its own extensions only; bits 6 (svg, never read) and 7 take nothing.
    struct Bit {
        unsigned mask;
        const char *name;
        bool taken;
    };
    const Bit bits[] = {{1, "a.JPEG", true},  {1, "a.jfif", false},   {1024, "a.jfif", true}, {32, "a.TIFF", true},
                        {16, "a.psd", true},  {64, "a.svg", false},   {256, "a.webp", true},  {512, "a.dng", true},
                        {128, "a.x", false},  {0x7FF, "a.heic", false}, {0x7FF, "a.png_bak", false},
                        {2048, "a.HEIC", true}, {2048, "a.heif", true}, {2048, "a.avif", true},
                        {2048, "a.webp", false}};
    for (const Bit &b : bits)
        EXPECT_EQ(sourceTypeAccepts(b.name, b.mask), b.taken) << b.name << " " << b.mask;
    // The crop, join and slice tools' five boxes: the fifth takes the three new formats.
    const Bit boxes[] = {{1, "a.jpeg", true},   {16, "a.webp", true}, {16, "a.HEIC", true}, {16, "a.heif", true},
                         {16, "a.avif", true},  {16, "a.jpg", false}, {15, "a.webp", false}, {31, "a.psd", false},
                         {8, "a.bmp", true}};
    for (const Bit &b : boxes)
        EXPECT_EQ(pictureTypeAccepts(b.name, b.mask), b.taken) << b.name << " " << b.mask;
}

TEST_F(ConvertJobTest, NumberingFirstFrameAlphaAndResolution)
{
    // x.jpg and x(2).jpg are in the target already: x.png becomes x(3).jpg.
    put("formats/png/pngsuite/basn2c08.png", "x.png");
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(writeFileBytes(out + "\\x.jpg", "first"));
    ASSERT_TRUE(writeFileBytes(out + "\\x(2).jpg", "second"));
    JobRun run = runJob(job);
    EXPECT_EQ(written(run), (std::vector<std::string>{"x(3).jpg"}));
    EXPECT_EQ(readFileBytes(out + "\\x.jpg"), "first");
    EXPECT_EQ(readFileBytes(out + "\\x(2).jpg"), "second");
    // Without resolution the result says 72 x 72 pixels per inch; a picture with one keeps it.
    EXPECT_EQ(identifyFirstImage(out + "\\x(3).jpg", "%x %y %U"), "72 72 PixelsPerInch");
    DeleteFileA((src + "\\x.png").c_str());

    // The first frame of an animation (660 x 666; the later frames are smaller).
    put("formats/gif/gdkpixbuf_partyanim.gif", "动画.gif");
    put("formats/png/pngsuite/basn6a08.png", "透明.png");
    put("formats/bmp/bmpsuite_q_rgba32_v5.bmp", "位图.bmp");
    put("formats/png/skimage_chelsea.png", "猫.png");
    job.output.format = OutputFormat::Png;
    job.output.transparent = true;
    run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Completed);
    EXPECT_EQ(run.outcome.summary.written, 4);
    EXPECT_EQ(identifyFirstImage(out + "\\动画.png", "%m %w %h %n"), "PNG 660 666 1");
    {
        MagickWand *first = NewMagickWand(), *result = NewMagickWand();
        ASSERT_TRUE(MagickReadImage(first, (magickPath(samplePath("formats/gif/gdkpixbuf_partyanim.gif")) + "[0]").c_str()));
        ASSERT_TRUE(MagickReadImage(result, magickPath(out + "\\动画.png").c_str()));
        double distortion = 1.0;
        MagickWand *diff = MagickCompareImages(first, result, RootMeanSquaredErrorMetric, &distortion);
        EXPECT_LT(distortion, 0.001) << "the first frame, pixel for pixel";
        DestroyMagickWand(diff);
        DestroyMagickWand(first);
        DestroyMagickWand(result);
    }
    EXPECT_EQ(identifyFirstImage(out + "\\透明.png", "%[opaque]"), "false") << "transparency kept";
    EXPECT_EQ(identifyFirstImage(out + "\\位图.png", "%[opaque]"), "true") << "a BMP never keeps transparency";
    EXPECT_EQ(identifyFirstImage(out + "\\猫.png", "%U").find("PixelsPerCentimeter"), 0u) << "a resolution is kept";
    EXPECT_EQ(identifyFirstImage(out + "\\猫.png", "%x").find("28.35"), 0u);

    // Transparency cleared: no alpha channel, white where it was transparent.
    job.output.transparent = false;
    job.targetFolder = root / "不透明";
    run = runJob(job);
    EXPECT_EQ(run.outcome.summary.written, 4);
    EXPECT_EQ(identifyFirstImage(job.targetFolder + "\\透明.png", "%A %[opaque]"), "False true");
    MagickWand *flat = NewMagickWand();
    ASSERT_TRUE(MagickReadImage(flat, magickPath(job.targetFolder + "\\透明.png").c_str()));
    PixelWand *p = NewPixelWand();
    MagickGetImagePixelColor(flat, 0, 0, p);  // fully transparent in the sample
    EXPECT_GT(PixelGetRed(p) + PixelGetGreen(p) + PixelGetBlue(p), 2.9);
    DestroyPixelWand(p);
    DestroyMagickWand(flat);
}

TEST_F(ConvertJobTest, SubfoldersAreMirroredAndFailuresReported)
{
    put("formats/png/pngsuite/basn2c08.png", "top.png");
    put("formats/png/pngsuite/basn2c08.png", "a\\b\\c.png");
    put("broken/zero_bytes.jpg", "a\\空.jpg");
    put("broken/text_renamed.jpg", "a\\文本.jpg");
    put("formats/png/pngsuite/basn2c08.png", ".hidden\\h.png");

    JobRun flat = runJob(job);
    EXPECT_EQ(written(flat), (std::vector<std::string>{"top.jpg"})) << "without sub-folders only the top";

    job.includeSubfolders = true;
    job.targetFolder = root / "镜像";
    JobRun run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Completed);
    EXPECT_EQ(run.outcome.summary.total, 4);
    EXPECT_EQ(run.outcome.summary.written, 2);
    EXPECT_EQ(run.outcome.summary.failed, 2);
    EXPECT_EQ(readPictureBack(job.targetFolder + "\\a\\b\\c.jpg").format, "JPEG");
    EXPECT_EQ(readPictureBack(job.targetFolder + "\\top.jpg").format, "JPEG");
    ASSERT_EQ(run.logged.size(), 2u);
    for (const std::string &text : run.logged)
        EXPECT_EQ(text.find("图片读取失败:\r\n" + src + "\\a\\"), 0u) << text;
    EXPECT_EQ(folderEntries(job.targetFolder + "\\a"), std::vector<std::string>{"b\\"}) << "nothing for a failed picture";
}

TEST_F(ConvertJobTest, StopEndsBetweenPictures)
{
    for (int i = 1; i <= 4; ++i)
        put("formats/png/pngsuite/basn2c08.png", formatText("%d.png", i));
    int asked = 0;
    JobRun run = runJob(job, [&] { return ++asked > 1; });  // yes from the second picture on
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Stopped);
    EXPECT_EQ(run.outcome.summary.written, 1);
    EXPECT_EQ(folderEntries(out).size(), 1u);

    // A target that is a file ends the run before any picture.
    ASSERT_TRUE(writeFileBytes(root / "文件", "x"));
    job.targetFolder = root / "文件";
    run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Failed);
    EXPECT_EQ(run.outcome.message.find("任务中止！\n\n创建文件夹 " + job.targetFolder + " 失败，错误码："), 0u);
    EXPECT_TRUE(run.items.empty());
}
