// The crop tool without its window: the four rules with the five alignments on
// odd and even, portrait and landscape sizes; real photos cropped pixel for
// pixel as ImageMagick's own "convert -crop" cuts them; the worker loop on real
// files (keep-format names, animated GIF, resolution, over the originals).
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <algorithm>

#include "pipeline_test_support.h"
#include "tools/crop/crop_job.h"
#include "tools/crop/crop_preview.h"
#include "ui/preview/checker_tile.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

CropSettings fixedSize(long w, long h, int align = kCropCentre)
{
    CropSettings s;
    s.mode = kCropFixedSize;
    s.fixedWidth = w;
    s.fixedHeight = h;
    s.align = align;
    return s;
}
CropSettings percent(long w, long h, int align = kCropCentre)
{
    CropSettings s;
    s.mode = kCropPercent;
    s.percentWidth = w;
    s.percentHeight = h;
    s.align = align;
    return s;
}
CropSettings ratio(long w, long h, int align = kCropCentre)
{
    CropSettings s;
    s.mode = kCropAspectRatio;
    s.ratioWidth = w;
    s.ratioHeight = h;
    s.align = align;
    return s;
}
CropSettings sides(bool inPercent, long l, long r, long t, long b, int align = kCropCentre)
{
    CropSettings s;
    s.mode = kCropSides;
    s.sidesInPercent = inPercent;
    long *v = inPercent ? s.sidePercents : s.sidePixels;
    v[kCropLeft] = l, v[kCropRight] = r, v[kCropTop] = t, v[kCropBottom] = b;
    s.align = align;
    return s;
}

const char *const kAlignNames[] = {"centre", "top-left", "bottom-left", "top-right", "bottom-right"};

struct JobRun {
    ToolRunOutcome outcome;
    std::vector<BatchItemResult> items;
    std::vector<std::string> logLines;
};

JobRun runJob(const CropJob &job)
{
    JobRun run;
    BatchReport report;
    report.itemDone = [&](const BatchItemResult &r) { run.items.push_back(r); };
    report.logLine = [&](const std::string &line) { run.logLines.push_back(line); };
    run.outcome = runCropJob(job, report);
    return run;
}

void copySample(const std::string &sample, const std::string &to)
{
    ASSERT_TRUE(copyFileTo(samplePath(sample), to)) << to;
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

// Every rule with every alignment on even and odd, landscape and portrait sizes.
TEST(CropGeometry, RulesTimesAlignments)
{
    struct Size {
        size_t w, h;
    };
    struct Case {
        const char *rule;
        CropSettings (*settings)(int align);
        Size size;
        long long cw, ch;
        long long x[5], y[5];  // per alignment: centre, TL, BL, TR, BR
    };
    auto fixed800x600 = [](int a) { return fixedSize(800, 600, a); };
    auto pct33x50 = [](int a) { return percent(33, 50, a); };
    auto square = [](int a) { return ratio(1, 1, a); };
    auto fourThree = [](int a) { return ratio(4, 3, a); };
    auto threeTwo = [](int a) { return ratio(3, 2, a); };
    const Case cases[] = {
        // Larger than the picture on one side: clamped to it there, offset 0.
        {"fixed 800x600", fixed800x600, {1000, 500}, 800, 500, {100, 0, 0, 200, 200}, {0, 0, 0, 0, 0}},
        {"fixed 800x600", fixed800x600, {1001, 501}, 800, 501, {100, 0, 0, 201, 201}, {0, 0, 0, 0, 0}},
        {"fixed 800x600", fixed800x600, {500, 1000}, 500, 600, {0, 0, 0, 0, 0}, {200, 0, 400, 0, 400}},
        {"fixed 800x600", fixed800x600, {501, 1001}, 501, 600, {0, 0, 0, 0, 0}, {200, 0, 401, 0, 401}},
        {"percent 33x50", pct33x50, {1000, 500}, 330, 250, {335, 0, 0, 670, 670}, {125, 0, 250, 0, 250}},
        {"percent 33x50", pct33x50, {1001, 501}, 330, 250, {335, 0, 0, 671, 671}, {125, 0, 251, 0, 251}},
        {"percent 33x50", pct33x50, {500, 1000}, 165, 500, {167, 0, 0, 335, 335}, {250, 0, 500, 0, 500}},
        {"percent 33x50", pct33x50, {501, 1001}, 165, 500, {168, 0, 0, 336, 336}, {250, 0, 501, 0, 501}},
        {"ratio 1:1", square, {1000, 500}, 500, 500, {250, 0, 0, 500, 500}, {0, 0, 0, 0, 0}},
        {"ratio 1:1", square, {1001, 501}, 501, 501, {250, 0, 0, 500, 500}, {0, 0, 0, 0, 0}},
        {"ratio 1:1", square, {500, 1000}, 500, 500, {0, 0, 0, 0, 0}, {250, 0, 500, 0, 500}},
        {"ratio 1:1", square, {501, 1001}, 501, 501, {0, 0, 0, 0, 0}, {250, 0, 500, 0, 500}},
        {"ratio 4:3", fourThree, {1001, 501}, 668, 501, {166, 0, 0, 333, 333}, {0, 0, 0, 0, 0}},
        {"ratio 4:3", fourThree, {500, 1000}, 500, 375, {0, 0, 0, 0, 0}, {312, 0, 625, 0, 625}},
        {"ratio 3:2", threeTwo, {501, 1001}, 501, 334, {0, 0, 0, 0, 0}, {333, 0, 667, 0, 667}},
    };
    for (const Case &c : cases) {
        for (int a = 0; a < 5; ++a) {
            SCOPED_TRACE(formatText("%s, %s, %zux%zu", c.rule, kAlignNames[a], c.size.w, c.size.h));
            CropRect r = computeCropRect(c.size.w, c.size.h, c.settings(a));
            EXPECT_EQ(r.width, c.cw);
            EXPECT_EQ(r.height, c.ch);
            EXPECT_EQ(r.x, c.x[a]);
            EXPECT_EQ(r.y, c.y[a]);
        }
    }
}

TEST(CropGeometry, SidesIgnoreTheAlignment)
{
    struct Case {
        CropSettings s;
        size_t w, h;
        long long x, y, cw, ch;
    };
    const Case cases[] = {
        {sides(false, 10, 20, 5, 15), 1000, 500, 10, 5, 970, 480},
        {sides(false, 10, 20, 5, 15), 501, 1001, 10, 5, 471, 981},
        {sides(true, 10, 20, 5, 15), 1000, 500, 100, 25, 700, 400},
        {sides(true, 10, 20, 5, 15), 1001, 501, 100, 25, 701, 401},
        // Empty sides count as 0.
        {sides(false, kCropEmpty, 10, kCropEmpty, kCropEmpty), 100, 80, 0, 0, 90, 80},
        // 49 % and 50 %: x = 49 % of W, width = W - 99 % of W.
        {sides(true, 49, 50, 0, 0), 100, 10, 49, 0, 1, 10},
        {sides(true, 49, 50, 0, 0), 1000, 10, 490, 0, 10, 10},
        {sides(true, 49, 50, 0, 0), 3, 10, 1, 0, 1, 10},
        // One pixel left over is kept.
        {sides(false, 10, 9, 0, 0), 20, 10, 10, 0, 1, 10},
    };
    for (const Case &c : cases)
        for (int a = 0; a < 5; ++a) {
            CropSettings s = c.s;
            s.align = a;
            CropRect r = computeCropRect(c.w, c.h, s);
            SCOPED_TRACE(formatText("%zux%zu %s", c.w, c.h, kAlignNames[a]));
            EXPECT_EQ(r.x, c.x);
            EXPECT_EQ(r.y, c.y);
            EXPECT_EQ(r.width, c.cw);
            EXPECT_EQ(r.height, c.ch);
        }
}

TEST(CropGeometry, EdgeCases)
{
    struct Case {
        const char *what;
        CropSettings s;
        size_t w, h;
        long long x, y, cw, ch;
    };
    const Case cases[] = {
        {"800x600 centre on 1000x500", fixedSize(800, 600), 1000, 500, 100, 0, 800, 500},
        {"801x1: the odd pixel goes right and down", fixedSize(801, 1), 1000, 500, 99, 249, 801, 1},
        {"width only: full height", fixedSize(300, kCropEmpty), 1000, 500, 350, 0, 300, 500},
        {"fixed 0 x 0 means no crop", fixedSize(0, 0), 640, 480, 0, 0, 640, 480},
        {"percent 33 of 10", percent(33, 100), 10, 10, 3, 0, 3, 10},
        {"percent 1 of 50 is never 0", percent(1, kCropEmpty), 50, 40, 24, 0, 1, 40},
        {"percent above 100 is ignored", percent(150, 0), 50, 40, 0, 0, 50, 40},
        {"ratio 16:9 on 1600x900: no crop", ratio(16, 9), 1600, 900, 0, 0, 1600, 900},
        {"ratio 0:5: no crop", ratio(0, 5), 1600, 900, 0, 0, 1600, 900},
        {"ratio with an empty term: no crop", ratio(kCropEmpty, 5), 1600, 900, 0, 0, 1600, 900},
        // Products beyond 32 bits: 9999999 x 64000.
        {"ratio 9999999:1 on a strip", ratio(9999999, 1), 64000, 1, 0, 0, 64000, 1},
        {"ratio 1:9999999 keeps one column", ratio(1, 9999999), 64000, 2, 31999, 0, 1, 2},
        {"fixed 9999999 is clamped", fixedSize(9999999, 9999999, kCropBottomRight), 3, 2, 0, 0, 3, 2},
        {"1 x 1 picture", ratio(16, 9), 1, 1, 0, 0, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CropRect r = computeCropRect(c.w, c.h, c.s);
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.y, c.y);
        EXPECT_EQ(r.width, c.cw);
        EXPECT_EQ(r.height, c.ch);
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.x + r.width, (long long)c.w);
        EXPECT_LE(r.y + r.height, (long long)c.h);
    }
}

// Trimming a whole side away keeps a 1-pixel strip at offset 0 on that axis;
// the other axis is trimmed as asked.
TEST(CropGeometry, WholeSideTrimmedKeepsOnePixel)
{
    struct Case {
        const char *what;
        CropSettings s;
        size_t w, h;
        long long x, y, cw, ch;
    };
    const Case cases[] = {
        {"10 px + 10 px of 20", sides(false, 10, 10, 0, 0), 20, 10, 0, 0, 1, 10},
        {"more pixels than the picture", sides(false, 9999, 9999, 3, 2), 20, 10, 0, 3, 1, 5},
        {"top + bottom of the height", sides(false, 4, 0, 5, 5), 20, 10, 4, 0, 16, 1},
        {"50 % + 50 %", sides(true, 50, 50, 10, 0), 1000, 500, 0, 50, 1, 450},
        {"100 % top", sides(true, 0, 0, 100, 0), 1000, 500, 0, 0, 1000, 1},
        {"both axes", sides(true, 60, 40, 70, 30), 1000, 500, 0, 0, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CropRect r = computeCropRect(c.w, c.h, c.s);
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.y, c.y);
        EXPECT_EQ(r.width, c.cw);
        EXPECT_EQ(r.height, c.ch);
    }
}

TEST(CropGeometry, FieldTexts)
{
    struct Case {
        const char *text;
        long value;
    };
    const Case cases[] = {{"", kCropEmpty}, {"ab", kCropEmpty}, {"0", 0},           {"007", 7},
                          {"12ab", 12},     {"9999", 9999},    {"12345678", 1234567}, {"99999999999", 9999999}};
    for (const Case &c : cases)
        EXPECT_EQ(cropFieldValue(c.text), c.value) << c.text;
}

TEST(CropValues, StoredValuesReadBackAsTheWindowShowsThem)
{
    ValueMap stored;
    stored.setDword("crop_mode", 7);
    stored.setDword("crop_align", 5);
    stored.setDword("crop_fixed_width", 0);
    stored.setDword("crop_fixed_height", 10000);
    stored.setDword("crop_percent_width", 100);
    stored.setDword("crop_percent_height", 101);
    stored.setDword("crop_side_fixed_left", 0);
    stored.setDword("crop_side_percent_left", 0);
    stored.setDword("crop_side_unit", 1);
    CropJob job;
    loadCropValues(stored, job);
    EXPECT_EQ(job.sourceTypes, 31u) << "missing: all five types";
    EXPECT_EQ(job.crop.mode, kCropFixedSize);
    EXPECT_EQ(job.crop.align, kCropCentre);
    EXPECT_EQ(job.crop.fixedWidth, kCropEmpty);
    EXPECT_EQ(job.crop.fixedHeight, kCropEmpty);
    EXPECT_EQ(job.crop.percentWidth, 100);
    EXPECT_EQ(job.crop.percentHeight, kCropEmpty);
    EXPECT_EQ(job.crop.sidePixels[kCropLeft], 0) << "side pixels show 0";
    EXPECT_EQ(job.crop.sidePixels[kCropRight], kCropEmpty);
    EXPECT_EQ(job.crop.sidePercents[kCropLeft], kCropEmpty);
    EXPECT_TRUE(job.crop.sidesInPercent);

    // Round trip; an empty field is stored as 0.
    job.crop.ratioWidth = 16;
    job.crop.ratioHeight = 9;
    ValueMap again;
    putCropValues(again, job);
    DWORD v = 99;
    ASSERT_TRUE(again.readDword("crop_fixed_width", v));
    EXPECT_EQ(v, 0u);
    CropJob back;
    loadCropValues(again, back);
    EXPECT_EQ(back.crop.ratioWidth, 16);
    EXPECT_EQ(back.crop.ratioHeight, 9);
    EXPECT_EQ(back.crop.percentWidth, 100);
}

TEST(CropValues, StartProblemsInOrder)
{
    ScratchFolder dir("crop_problems");
    CropJob job;
    EXPECT_STREQ(cropJobProblem(job).text, "源图片文件夹不能为空");
    job.sourceFolder = dir / "missing";
    EXPECT_STREQ(cropJobProblem(job).text, "选择的【源图片文件夹】不存在");
    job.sourceFolder = dir.path();
    job.sourceTypes = 0;
    EXPECT_EQ(cropJobProblem(job).field, CropField::Types);
    job.sourceTypes = 1;
    job.crop = fixedSize(kCropEmpty, kCropEmpty);
    EXPECT_STREQ(cropJobProblem(job).text, "宽与高至少填写一项");
    job.crop = fixedSize(0, kCropEmpty);
    EXPECT_EQ(cropJobProblem(job).field, CropField::None) << "a 0 is filled in";
    job.crop = percent(kCropEmpty, kCropEmpty);
    EXPECT_STREQ(cropJobProblem(job).text, "宽与高至少填写一项");
    job.crop = ratio(kCropEmpty, 3);
    EXPECT_EQ(cropJobProblem(job).field, CropField::FirstField);
    EXPECT_STREQ(cropJobProblem(job).text, "这里不能为空");
    job.crop = ratio(0, 3);
    EXPECT_STREQ(cropJobProblem(job).title, "这里不能小于 1");
    job.crop = ratio(4, kCropEmpty);
    EXPECT_EQ(cropJobProblem(job).field, CropField::SecondField);
    job.crop = ratio(4, 0);
    EXPECT_STREQ(cropJobProblem(job).text, "请重新输入");
    job.crop = sides(true, kCropEmpty, kCropEmpty, kCropEmpty, kCropEmpty);
    job.crop.sidePixels[kCropTop] = 5;  // the other unit's field does not count
    EXPECT_STREQ(cropJobProblem(job).text, "左、右、上、下至少填写一项");
    job.crop.sidePercents[kCropBottom] = 5;
    EXPECT_EQ(cropJobProblem(job).field, CropField::None);
}

// Real photos, cut as ImageMagick's own command line cuts them: pixel for pixel.
// The rule applies to the photo as people see it (a phone photo stored on its
// side is turned first), as -auto-orient turns it.
TEST(CropPictures, RealPhotosMatchConvertCrop)
{
    ScratchFolder dir("crop_pixels");
    struct Case {
        const char *photo;
        CropSettings s;
    };
    const Case cases[] = {
        {"photos/mate_Storm.jpg", fixedSize(801, 333, kCropBottomRight)},
        {"photos/lomiri_sunset.jpg", ratio(1, 1, kCropCentre)},
        {"photos/mate_LadyBird.jpg", percent(37, 61, kCropTopRight)},
        {"meta/vips_rotation_orient6.jpg", sides(false, 13, 7, 21, 3)},
        {"formats/png/skimage_astronaut.png", sides(true, 5, 11, 17, 2)},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.photo);
        CroppedPicture cropped;
        std::string message, detail;
        ASSERT_TRUE(cropPicture(samplePath(c.photo), c.s, true, cropped, message, detail)) << message;
        const CropRect &r = cropped.rect;
        EXPECT_EQ(MagickGetImageWidth(cropped.wand), (size_t)r.width);
        EXPECT_EQ(MagickGetImageHeight(cropped.wand), (size_t)r.height);
        std::string theirs = formatText("theirs%d.png", n++);
        ASSERT_TRUE(runTool(dir.path(), formatText("/usr/bin/convert-im6.q16 %s -auto-orient +repage -crop %lldx%lld+%lld+%lld +repage %s/%s",
                                                   unixPath(samplePath(c.photo)).c_str(), r.width, r.height, r.x, r.y,
                                                   unixPath(dir.path()).c_str(), theirs.c_str())));
        MagickWand *reference = readPicture(dir / theirs);
        ASSERT_TRUE(reference);
        EXPECT_EQ(largestDifference(cropped.wand, reference), 0.0);
        DestroyMagickWand(reference);
        DestroyMagickWand(cropped.wand);
    }
}

// The run into a mirrored folder: PNG files equal to convert's crop; a second run
// numbers its names; keep-format keeps name, case and format (JPEG at 100).
TEST(CropRun, SaveToWithAndWithoutKeepFormat)
{
    ScratchFolder dir("crop_run");
    std::string src = dir / "源";
    CreateDirectoryA(src.c_str(), nullptr);
    CreateDirectoryA((src + "\\子").c_str(), nullptr);
    copySample("photos/mate_Storm.jpg", src + "\\photo.JPG");
    copySample("photos/lomiri_Wine.jpg", src + "\\子\\酒.jpeg");
    copySample("formats/bmp/bmpsuite_rgb24.bmp", src + "\\子\\b.bmp");
    copySample("formats/gif/go_video-001_single.gif", src + "\\one.gif");
    copySample("formats/gif/gdkpixbuf_partyanim.gif", src + "\\anim.gif");
    writeFileBytes(src + "\\notes.txt", "not a picture");
    writeFileBytes(src + "\\空.png", "");

    CropJob job;
    job.sourceFolder = src;
    job.includeSubfolders = true;
    job.targetFolder = dir / "out";
    job.crop = ratio(1, 1, kCropTopLeft);
    job.output.format = OutputFormat::Png;
    JobRun run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Completed) << run.outcome.message;
    EXPECT_EQ(run.outcome.summary.total, 6);
    EXPECT_EQ(run.outcome.summary.written, 4);
    ASSERT_EQ(run.logLines.size(), 2u);
    std::sort(run.logLines.begin(), run.logLines.end());
    EXPECT_EQ(run.logLines[0], "不支持裁剪动态gif图片:\r\n" + src + "\\anim.gif");
    // An unreadable picture: "无法识别的图片:\r\n<path>", then the reason.
    EXPECT_EQ(run.logLines[1].rfind("无法识别的图片:\r\n" + src + "\\空.png\r\n原因：", 0), 0u) << run.logLines[1];
    EXPECT_EQ(folderEntries(dir / "out"), (std::vector<std::string>{"one.png", "photo.png", "子\\"}));
    EXPECT_EQ(folderEntries(dir / "out\\子"), (std::vector<std::string>{"b.png", "酒.png"}));
    // Each written PNG is convert's crop of the source.
    struct Check {
        const char *source, *written;
    };
    for (const Check &c : {Check{"photo.JPG", "photo.png"}, Check{"子\\酒.jpeg", "子\\酒.png"}}) {
        SCOPED_TRACE(c.source);
        std::string copy = dir / "ascii_source.jpg";
        ASSERT_TRUE(copyFileTo(src + "\\" + c.source, copy));
        MagickWand *ours = readPicture(dir / "out" + "\\" + c.written);
        ASSERT_TRUE(ours);
        size_t side = std::min(sizeOf(ours, false), sizeOf(ours, true));
        EXPECT_EQ(sizeOf(ours, false), sizeOf(ours, true));
        ASSERT_TRUE(runTool(dir.path(), formatText("/usr/bin/convert-im6.q16 %s -crop %zux%zu+0+0 +repage %s/theirs.png",
                                                   unixPath(copy).c_str(), side, side, unixPath(dir.path()).c_str())));
        MagickWand *theirs = readPicture(dir / "theirs.png");
        ASSERT_TRUE(theirs);
        EXPECT_EQ(largestDifference(ours, theirs), 0.0);
        DestroyMagickWand(theirs);
        DestroyMagickWand(ours);
    }

    // Keep-format: photo.JPG stays photo.JPG at quality 100; the second one is photo(2).JPG.
    job.keepFormat = true;
    job.includeSubfolders = false;
    job.sourceTypes = 1;
    job.targetFolder = dir / "kept";
    for (int pass = 0; pass < 2; ++pass) {
        run = runJob(job);
        EXPECT_EQ(run.outcome.summary.written, 1) << run.outcome.message;
    }
    EXPECT_EQ(folderEntries(dir / "kept"), (std::vector<std::string>{"photo(2).JPG", "photo.JPG"}));
    EXPECT_EQ(identifyFirstImage(dir / "kept\\photo.JPG", "%m %Q %wx%h"), "JPEG 100 1280x1280");
}

TEST(CropRun, ResolutionIsWrittenInPixelsPerInch)
{
    ScratchFolder dir("crop_dpi");
    std::string src = dir / "src";
    CreateDirectoryA(src.c_str(), nullptr);
    struct Case {
        const char *name, *units;
        double x, y;
        const char *expected;
    };
    const Case cases[] = {
        {"cm.png", "PixelsPerCentimeter", 28, 28, "71x71 PixelsPerInch"},
        // Kept in the PNG as pixels per metre: 118.11 per centimetre is 300, not 299.
        {"inch.png", "PixelsPerInch", 300, 150, "300x150 PixelsPerInch"},
        {"none.bmp", "Undefined", 0, 0, "72x72 PixelsPerInch"},
    };
    for (const Case &c : cases) {
        MagickWand *w = solid(40, 30, "#336699");
        MagickSetImageUnits(w, strcmp(c.units, "PixelsPerCentimeter") == 0 ? PixelsPerCentimeterResolution
                               : strcmp(c.units, "PixelsPerInch") == 0   ? PixelsPerInchResolution
                                                                         : UndefinedResolution);
        MagickSetImageResolution(w, c.x, c.y);
        ASSERT_TRUE(MagickWriteImage(w, magickPath(src + "\\" + c.name).c_str()));
        DestroyMagickWand(w);
    }
    CropJob job;
    job.sourceFolder = src;
    job.targetFolder = dir / "out";
    job.crop = fixedSize(20, kCropEmpty);
    job.output.format = OutputFormat::Jpg;
    JobRun run = runJob(job);
    ASSERT_EQ(run.outcome.summary.written, 3) << run.outcome.message;
    for (const Case &c : cases) {
        std::string written = dir / "out" + "\\" + stemOf(c.name) + ".jpg";
        EXPECT_EQ(identifyFirstImage(written, "%xx%y %U"), c.expected) << c.name;
        EXPECT_EQ(identifyFirstImage(written, "%wx%h"), "20x30") << c.name;
    }
}

// Over the originals: each keeps its format; a read-only picture is left byte
// for byte.
TEST(CropRun, OverwriteKeepsFormatsAndNeverLosesAnOriginal)
{
    ScratchFolder dir("crop_over");
    std::string src = dir / "src";
    CreateDirectoryA(src.c_str(), nullptr);
    copySample("formats/png/go_basn3p08_trns.png", src + "\\t.png");
    copySample("formats/bmp/bmpsuite_rgb24.bmp", src + "\\b.bmp");
    copySample("photos/mate_Garden.jpg", src + "\\g.jpg");
    CropJob job;
    job.sourceFolder = src;
    job.overwrite = true;
    job.crop = sides(false, 2, 3, 4, 5);
    const std::string before = readFileBytes(src + "\\g.jpg");
    JobRun run = runJob(job);
    ASSERT_EQ(run.outcome.end, ToolRunEnd::Completed) << run.outcome.message;
    EXPECT_EQ(run.outcome.summary.written, 3);
    EXPECT_EQ(identifyFirstImage(src + "\\t.png", "%m %wx%h"), "PNG 27x23");
    EXPECT_EQ(identifyFirstImage(src + "\\b.bmp", "%wx%h"), "122x55");
    EXPECT_EQ(identifyFirstImage(src + "\\b.bmp", "%m").compare(0, 3, "BMP"), 0);
    EXPECT_EQ(identifyFirstImage(src + "\\g.jpg", "%m %Q"), "JPEG 100");
    EXPECT_EQ(folderEntries(src), (std::vector<std::string>{"b.bmp", "g.jpg", "t.png"})) << "no temporary file left";

    // Trimming the whole width away keeps the first column of each picture.
    job.crop = sides(true, 60, 40, 0, 0);
    run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Completed);
    EXPECT_EQ(run.outcome.summary.written, 3);
    EXPECT_EQ(identifyFirstImage(src + "\\t.png", "%wx%h"), "1x23");

    // A read-only original is not replaced; the run ends with the write's message.
    job.crop = fixedSize(10, 10);
    SetFileAttributesA((src + "\\b.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string bmp = readFileBytes(src + "\\b.bmp");
    run = runJob(job);
    EXPECT_EQ(run.outcome.end, ToolRunEnd::Failed);
    EXPECT_NE(run.outcome.message.find("MagickWriteImage() 发生错误"), std::string::npos) << run.outcome.message;
    EXPECT_EQ(readFileBytes(src + "\\b.bmp"), bmp);
    SetFileAttributesA((src + "\\b.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    (void)before;
}

TEST(CropPreview, ListAndCheckerTile)
{
    ScratchFolder dir("crop_list");
    std::string src = dir / "src";
    CreateDirectoryA(src.c_str(), nullptr);
    CreateDirectoryA((src + "\\sub").c_str(), nullptr);
    for (int i = 0; i < 20; ++i) {
        writeFileBytes(src + formatText("\\a%02d.jpg", i), "x");
        writeFileBytes(src + formatText("\\sub\\b%02d.png", i), "x");
    }
    writeFileBytes(src + "\\c.tif", "x");
    EXPECT_EQ(cropPreviewList(src, 15, false).size(), 20u);
    std::vector<std::string> list = cropPreviewList(src, 15, true);
    ASSERT_EQ(list.size(), kCropPreviewPictures);
    EXPECT_EQ(list[19], src + "\\a19.jpg") << "the folder's own pictures first";
    EXPECT_EQ(list[20], src + "\\sub\\b00.png");
    EXPECT_EQ(cropPreviewList(src, 2, false).size(), 0u);

    // Half transparent over the tile: white and #CCCCCC squares of 8 pixels.
    MagickWand *w = solid(20, 20, "none");
    ASSERT_TRUE(layOverChecker(w));
    EXPECT_FALSE(MagickGetImageAlphaChannel(w));
    EXPECT_TRUE(nearColour(pixelAt(w, 3, 3), 255, 255, 255, 0.5)) << describe(pixelAt(w, 3, 3));
    EXPECT_TRUE(nearColour(pixelAt(w, 11, 3), 204, 204, 204, 0.5)) << describe(pixelAt(w, 11, 3));
    EXPECT_TRUE(nearColour(pixelAt(w, 3, 12), 204, 204, 204, 0.5));
    EXPECT_TRUE(nearColour(pixelAt(w, 12, 12), 255, 255, 255, 0.5));
    EXPECT_TRUE(nearColour(pixelAt(w, 18, 3), 255, 255, 255, 0.5)) << "repeated";
    DestroyMagickWand(w);
}

namespace {

// A pixel of a display picture (32-bit top-down DIB section): r, g, b.
Rgb shownPixel(const DisplayPicture &p, int x, int y)
{
    DIBSECTION dib = {};
    Rgb c;
    if (!GetObjectA(p.bitmap, sizeof dib, &dib) || !dib.dsBm.bmBits)
        return c;
    const unsigned char *px = static_cast<const unsigned char *>(dib.dsBm.bmBits) + (size_t)y * dib.dsBm.bmWidthBytes + x * 4;
    c.b = px[0], c.g = px[1], c.r = px[2];
    return c;
}

}  // namespace

// The composed preview of a fully transparent picture, cut to its middle: the
// cut-out as JPG output would look (white), as transparent PNG (the checker),
// the rest darkened, the kept area to be outlined.
TEST(CropPreview, ComposedPictureShowsTheOutput)
{
    ScratchFolder dir("crop_compose");
    const std::string clear = dir / "clear.png";
    ASSERT_TRUE(makePicture(clear, 40, 40, "none"));
    struct Case {
        const char *what;
        OutputFormat format;
        bool transparent;
        double inside;  // at (20, 20): white either way (a white square of the checker)
        double insideGreySquare;  // at (14, 20): white for JPG, #CCCCCC for the checker
    };
    const Case cases[] = {
        {"JPG: flattened on white", OutputFormat::Jpg, true, 255, 255},
        {"PNG with transparency: the checker", OutputFormat::Png, true, 255, 204},
        {"PNG without transparency: white", OutputFormat::Png, false, 255, 255},
        {"WEBP with transparency: the checker", OutputFormat::Webp, true, 255, 204},
        {"WEBP without transparency: white", OutputFormat::Webp, false, 255, 255},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        PreviewWorker worker;
        CropPreviewJob job;
        job.pictures = {dir / "missing.png", clear};
        job.crop = fixedSize(20, 20);
        job.simulateOutput = true;
        job.output.format = c.format;
        job.output.transparent = c.transparent;
        job.run(worker);
        ASSERT_EQ(job.outcome, CropPreviewJob::Outcome::Shown) << job.failure;
        EXPECT_EQ(job.index, 1u) << "the unreadable first picture is passed over";
        ASSERT_EQ(job.skipped.size(), 1u);
        EXPECT_EQ(job.sourceSizeText, "原图尺寸: 40 x 40");
        EXPECT_EQ(job.croppedSizeText, "裁剪后图片尺寸: 20 x 20");
        EXPECT_EQ(job.pathText, "图片: " + clear);
        ASSERT_EQ(job.picture.width, 40);
        EXPECT_TRUE(nearColour(shownPixel(job.picture, 20, 20), c.inside, c.inside, c.inside))
            << describe(shownPixel(job.picture, 20, 20));
        EXPECT_TRUE(nearColour(shownPixel(job.picture, 14, 20), c.insideGreySquare, c.insideGreySquare,
                               c.insideGreySquare))
            << describe(shownPixel(job.picture, 14, 20));
        // The grey line is the pane's to draw at the size it shows the picture.
        EXPECT_TRUE(job.outline.leftRight && job.outline.topBottom);
        EXPECT_EQ(job.outline.rect.left, 10);
        EXPECT_EQ(job.outline.rect.top, 10);
        EXPECT_EQ(job.outline.rect.right, 30);
        EXPECT_EQ(job.outline.rect.bottom, 30);
        EXPECT_LT(shownPixel(job.picture, 9, 20).r, 130) << "no line in the picture itself";
        Rgb outside = shownPixel(job.picture, 2, 2);
        EXPECT_LT(outside.r, 130) << "darkened: " << describe(outside);
    }

    // The whole width trimmed away: the first column is kept and shown.
    PreviewWorker worker;
    CropPreviewJob job;
    job.pictures = {clear};
    job.crop = sides(true, 50, 50, 0, 0);
    job.run(worker);
    ASSERT_EQ(job.outcome, CropPreviewJob::Outcome::Shown);
    EXPECT_EQ(job.croppedSizeText, "裁剪后图片尺寸: 1 x 40");

    // Backwards from the first picture starts at the last one.
    CropPreviewJob back;
    back.pictures = {clear, dir / "missing.png", clear};
    back.startIndex = 0;
    back.direction = CropPreviewDirection::Backwards;
    back.crop = fixedSize(10, 10);
    back.run(worker);
    EXPECT_EQ(back.index, 0u) << "0 itself first, then from the last down";
    back.startIndex = 1;
    back.skipped.clear();
    releaseDisplayPicture(back.picture);
    back.run(worker);
    EXPECT_EQ(back.index, 0u) << "1 is unreadable: backwards to 0";
    CropPreviewJob none;
    none.pictures = {dir / "missing.png"};
    none.run(worker);
    EXPECT_EQ(none.outcome, CropPreviewJob::Outcome::NoneFound);
}
