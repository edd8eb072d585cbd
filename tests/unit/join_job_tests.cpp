// The join tool without its window: the layout rules, and real joins of real
// photos checked pixel for pixel against ImageMagick's own convert-im6.q16.
#include "gtest.h"
#include "test_util.h"

#include <algorithm>

#include <windows.h>
#include <wand/MagickWand.h>

#include "pipeline_test_support.h"
#include "ui/info_window.h"
#include "tools/crop/crop_preview.h"
#include "tools/join/join_job.h"
#include "ui/preview/preview_worker.h"
#include "util/text.h"

namespace {

struct PlanCase {
    const char *name;
    int layout, rule, custom, spacing;
    std::vector<JoinSize> sizes;
    long long canvasWidth, canvasHeight;
    std::vector<JoinPlacement> placements;
};

}  // namespace

TEST(JoinPlan, CanvasAndPlacesFollowTheSizeRule)
{
    const std::vector<JoinSize> three = {{800, 600}, {1000, 500}, {400, 300}};
    const PlanCase cases[] = {
        {"vertical, first, spacing 10", kJoinVertical, kJoinFirst, 0, 10, three, 800, 1320,
         {{0, 0, 800, 600}, {0, 610, 800, 400}, {200, 1020, 400, 300}}},
        {"vertical, widest: nothing scaled, narrower centred", kJoinVertical, kJoinLargest, 0, 0, three, 1000, 1400,
         {{100, 0, 800, 600}, {0, 600, 1000, 500}, {300, 1100, 400, 300}}},
        {"vertical, narrowest", kJoinVertical, kJoinSmallest, 0, 0, three, 400, 300 + 200 + 300,
         {{0, 0, 400, 300}, {0, 300, 400, 200}, {0, 500, 400, 300}}},
        {"horizontal, smallest: 301 high becomes 300, width rounded half up", kJoinHorizontal, kJoinSmallest, 0, 0,
         {{201, 300}, {301, 301}}, 201 + 300, 300, {{0, 0, 201, 300}, {201, 0, 300, 300}}},
        {"horizontal, first, odd pixel below", kJoinHorizontal, kJoinFirst, 0, 4, {{10, 9}, {7, 4}}, 21, 9,
         {{0, 0, 10, 9}, {14, 2, 7, 4}}},
        {"custom 128 when the field is empty", kJoinVertical, kJoinCustom, 0, 0, {{256, 100}, {64, 64}}, 128, 114,
         {{0, 0, 128, 50}, {32, 50, 64, 64}}},
        {"custom size", kJoinVertical, kJoinCustom, 100, 2, {{300, 3}, {50, 50}}, 100, 53,
         {{0, 0, 100, 1}, {25, 3, 50, 50}}},
    };
    for (const PlanCase &c : cases) {
        SCOPED_TRACE(c.name);
        JoinSettings s;
        s.layout = c.layout;
        s.sizeRule = c.rule;
        s.customSize = c.custom;
        s.spacing = c.spacing;
        JoinPlan plan = planJoin(c.sizes, s);
        EXPECT_EQ(plan.canvasWidth, c.canvasWidth);
        EXPECT_EQ(plan.canvasHeight, c.canvasHeight);
        ASSERT_EQ(plan.placements.size(), c.placements.size());
        for (size_t i = 0; i < c.placements.size(); ++i) {
            EXPECT_EQ(plan.placements[i].x, c.placements[i].x) << i;
            EXPECT_EQ(plan.placements[i].y, c.placements[i].y) << i;
            EXPECT_EQ(plan.placements[i].width, c.placements[i].width) << i;
            EXPECT_EQ(plan.placements[i].height, c.placements[i].height) << i;
        }
    }
    EXPECT_EQ(joinScaleToFit(1, 1, 1000), 1) << "never 0";
    EXPECT_EQ(previewSearchOrder(4, 2, 1), (std::vector<int>{2, 3, 0, 1}));
    EXPECT_EQ(previewSearchOrder(4, 1, -1), (std::vector<int>{1, 0, 3, 2}));
    EXPECT_EQ(previewSearchOrder(3, 7, 0), (std::vector<int>{0, 1, 2}));
}

TEST(JoinValues, ReadBackAsTheWindowDoes)
{
    ValueMap v;
    JoinSettings s;
    loadJoinValues(v, s);
    EXPECT_EQ(s.sourceFormats, 31u);
    EXPECT_EQ(s.layout, kJoinVertical);
    EXPECT_EQ(s.customSize, 0);
    v.setDword("join_layout", 7);
    v.setDword("join_width_or_height_index", 4);
    v.setDword("join_width_or_height_value", 10000);
    v.setDword("join_space", 129);
    loadJoinValues(v, s);
    EXPECT_EQ(s.layout, kJoinHorizontal) << "anything but 1 is horizontal";
    EXPECT_EQ(s.sizeRule, 0);
    EXPECT_EQ(s.customSize, 0);
    EXPECT_EQ(s.spacing, 0);
}

namespace {

// Real photos, made small and of different sizes (PNG, so the comparison is exact).
class JoinJobTest : public testing::Test {
protected:
    ScratchFolder root{"join_test"};
    std::string src = root / "src";
    std::string out = root / "out";
    std::vector<std::string> info;

    static void collect(const char *text, void *self) { static_cast<JoinJobTest *>(self)->info.push_back(text); }
    void SetUp() override
    {
        CreateDirectoryA(src.c_str(), nullptr);
        setInfoMessageSink(collect, this);
    }
    void TearDown() override { setInfoMessageSink(nullptr, nullptr); }
    std::string group(const std::string &name)
    {
        std::string path = src + "\\" + name;
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }
    void photo(const char *sample, const char *size, const std::string &to)
    {
        ASSERT_TRUE(runTool(root.path(), "/usr/bin/convert-im6.q16 " + unixPath(samplePath(sample)) +
                                             " -resize " + size + "! " + unixPath(to)))
            << to;
    }
    ToolRunOutcome run(const JoinSettings &s, std::vector<BatchItemResult> &items)
    {
        JoinJob job;
        job.sourceFolder = src;
        job.targetFolder = out;
        job.settings = s;
        BatchReport report;
        report.itemDone = [&](const BatchItemResult &r) { items.push_back(r); };
        report.logLine = [&](const std::string &t) { info.push_back(t); };
        return runJoinJob(job, report);
    }
    // The largest difference between a written file and what convert-im6.q16 makes.
    double against(const std::string &written, const std::string &convertArguments)
    {
        std::string expected = root / "expected.png";
        if (!runTool(root.path(), "/usr/bin/convert-im6.q16 " + convertArguments + " " + unixPath(expected)))
            return 999;
        return largestFileDifference(written, expected);
    }
};

}  // namespace

TEST_F(JoinJobTest, ThreePhotosStackedAndSideBySideMatchImageMagick)
{
    std::string g = group("旅行");
    photo("photos/mate_Storm.jpg", "400x266", g + "\\1.png");
    photo("photos/lomiri_Wine.jpg", "500x750", g + "\\2.png");
    photo("photos/mate_Garden.jpg", "300x188", g + "\\3.png");
    const std::string a = unixPath(g + "\\1.png"), b = unixPath(g + "\\2.png"), c = unixPath(g + "\\3.png");

    JoinSettings s;
    s.output.format = OutputFormat::Png;
    s.output.transparent = false;
    s.spacing = 10;
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    ASSERT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, out + "\\旅行.png");
    PictureInfo info = readPictureBack(out + "\\旅行.png");
    EXPECT_EQ(info.width, 400u);
    EXPECT_EQ(info.height, 266u + 600 + 188 + 20);
    // The wide one shrinks to 400 x 600 (Lanczos: at most one level apart from
    // convert's rounding), the narrow one is centred; the gaps are white.
    EXPECT_LE(against(out + "\\旅行.png", "-size 400x1074 xc:white " + a + " -geometry +0+0 -composite \\( " + b +
                                             " -filter Lanczos -resize 400x600! \\) -geometry +0+276 -composite " + c +
                                             " -geometry +50+886 -composite"),
              1.0);

    // Side by side at the tallest height, nothing scaled: exactly +append centred
    // (heights chosen so that centring needs no rounding).
    s.layout = kJoinHorizontal;
    s.sizeRule = kJoinLargest;
    s.spacing = 0;
    items.clear();
    o = run(s, items);
    ASSERT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, out + "\\旅行(2).png") << "the first result is never replaced";
    EXPECT_EQ(against(out + "\\旅行(2).png", a + " " + b + " " + c + " -background white -gravity center +append"),
              0.0);

    // Transparent PNG: the gaps stay transparent.
    s.output.transparent = true;
    s.spacing = 6;
    items.clear();
    run(s, items);
    MagickWand *joined = readPicture(out + "\\旅行(3).png");
    ASSERT_TRUE(joined);
    EXPECT_EQ(MagickGetImageWidth(joined), 400u + 500 + 300 + 12);
    EXPECT_LT(alphaAt(joined, 402, 10), 0.01) << "the gap";
    EXPECT_LT(alphaAt(joined, 10, 2), 0.01) << "above the shorter, centred picture";
    EXPECT_GT(alphaAt(joined, 200, 375), 0.99);
    DestroyMagickWand(joined);
}

// A photo stored on its side takes part as people see it: the first picture's
// width is its shown width, and it is stacked upright.
TEST_F(JoinJobTest, PhotosJoinAsShown)
{
    std::string g = group("手机");
    // 308 x 231 shown as 231 x 308, then 308 x 410.
    for (const char *name : {"1.jpg", "2.jpg"}) {
        const char *sample = name[0] == '1' ? "meta/vips_rotation_orient6.jpg" : "meta/vips_rotation_orient1.jpg";
        ASSERT_TRUE(copyFileTo(samplePath(sample), g + "\\" + name));
        SetFileAttributesA((g + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    JoinSettings s;
    for (bool turned : {true, false}) {
        s.autoOrient = turned;
        JoinResult joined = joinGroup(g, s);
        ASSERT_TRUE(joined.picture) << joined.problem;
        EXPECT_EQ(MagickGetImageWidth(joined.picture), turned ? 231u : 308u);
        EXPECT_EQ(MagickGetImageHeight(joined.picture), turned ? 308u + 308 : 231u + 410);
        if (turned) {
            ASSERT_TRUE(runTool(root.path(), "/usr/bin/convert-im6.q16 " + unixPath(g + "\\1.jpg") +
                                                 " -auto-orient +repage " + unixPath(root / "upright.png")));
            MagickWand *upright = readPicture(root / "upright.png");
            ASSERT_TRUE(upright);
            MagickWand *top = MagickGetImageRegion(joined.picture, 231, 308, 0, 0);
            EXPECT_LT(meanDifference(top, upright), 3.0);
            DestroyMagickWand(top);
            DestroyMagickWand(upright);
        }
        DestroyMagickWand(joined.picture);
    }
}

TEST_F(JoinJobTest, PicturesWhoseSizeCannotBeToldTakeNoPart)
{
    std::string g = group("中间坏了");
    photo("photos/mate_Storm.jpg", "200x100", g + "\\a.png");
    ASSERT_TRUE(copyFileTo(samplePath("broken/text_renamed.jpg"), g + "\\b.jpg"));
    photo("photos/mate_Garden.jpg", "100x50", g + "\\c.png");
    std::string one = group("一张");
    photo("photos/mate_Wood.jpg", "100x80", one + "\\only.png");
    std::string broken = group("都坏了");
    ASSERT_TRUE(copyFileTo(samplePath("broken/text_renamed.jpg"), broken + "\\x.jpg"));
    photo("photos/mate_Wood.jpg", "100x80", broken + "\\y.png");

    JoinSettings s;
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    EXPECT_EQ(o.end, ToolRunEnd::Completed);
    ASSERT_EQ(items.size(), 2u) << "the group of one picture is passed over silently";
    int written = 0;
    for (const BatchItemResult &r : items) {
        if (r.source == g) {
            EXPECT_EQ(r.status, ItemStatus::Written);
            ++written;
        } else {
            EXPECT_EQ(r.source, broken);
            EXPECT_EQ(r.status, ItemStatus::Failed);
            EXPECT_EQ(r.reason, "文件夹中没有找到需要拼接的图片:\r\n" + broken);
        }
    }
    EXPECT_EQ(written, 1);
    PictureInfo joined = readPictureBack(out + "\\中间坏了.jpg");
    EXPECT_EQ(joined.format, "JPEG");
    EXPECT_EQ(joined.width, 200u);
    EXPECT_EQ(joined.height, 150u) << "100 + 50 (the narrower one centred, never enlarged): the broken one left out";
    int sizeNotes = 0;
    for (const std::string &line : info)
        sizeNotes += line.find("无法获取图片的尺寸:\r\n") == 0;
    EXPECT_EQ(sizeNotes, 2);
    EXPECT_EQ(folderEntries(out), (std::vector<std::string>{"中间坏了.jpg"}));
}

TEST_F(JoinJobTest, APictureWhosePixelsCannotBeReadLeavesNoBlankPlace)
{
    // Its header says 232 x 232, its pixels fail their checksum: it takes no part
    // at all (the widest, its width must not count), never a white slot.
    std::string g = group("像素坏了");
    photo("photos/mate_Storm.jpg", "200x100", g + "\\a.png");
    ASSERT_TRUE(copyFileTo(samplePath("broken/go_invalid-crc32.png"), g + "\\b.png"));
    photo("photos/mate_Garden.jpg", "100x50", g + "\\c.png");
    JoinSettings s;
    s.sizeRule = kJoinLargest;
    s.output.format = OutputFormat::Png;
    s.output.transparent = false;
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    EXPECT_EQ(o.summary.written, 1);
    EXPECT_LT(against(out + "\\像素坏了.png", unixPath(g + "\\a.png") + " \\( " + unixPath(g + "\\c.png") +
                                                   " -background white -gravity center -extent 200x50 \\) -append"),
              0.01);
    EXPECT_NE(std::find(info.begin(), info.end(), "无法识别的图片, 没有拼接:\r\n" + g + "\\b.png\r\n原因：文件已损坏, 或者不是一种能识别的图片格式"),
              info.end());
}

TEST_F(JoinJobTest, ATallGroupOverTheJpegLimitIsLoggedAndTheRunGoesOn)
{
    std::string tall = group("a_tall");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(makePicture(tall + formatText("\\%d.png", i), 20, 30000, "#3366cc"));
    std::string normal = group("b_normal");
    photo("photos/mate_Storm.jpg", "120x80", normal + "\\1.png");
    photo("photos/mate_Wood.jpg", "120x90", normal + "\\2.png");
    JoinSettings s;
    std::vector<BatchItemResult> items;
    ToolRunOutcome o = run(s, items);
    EXPECT_EQ(o.end, ToolRunEnd::Completed) << o.message;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].status, ItemStatus::Failed);
    EXPECT_EQ(items[0].reason, "拼接后的图片尺寸 20 x 90000 超出JPEG图片的最大尺寸 65500 像素:\r\n" + tall);
    EXPECT_EQ(items[1].status, ItemStatus::Written);
    PictureInfo joined = readPictureBack(out + "\\b_normal.jpg");
    EXPECT_EQ(joined.width, 120u);
    EXPECT_EQ(joined.height, 170u);
}

TEST_F(JoinJobTest, TheSourceFolderItselfIsTheOnlyGroupWithoutSubFolders)
{
    photo("photos/mate_Storm.jpg", "60x40", src + "\\1.png");
    EXPECT_TRUE(joinGroups(src, 15).empty()) << "one picture: nothing to join";
    ASSERT_TRUE(copyFileTo(samplePath("formats/gif/gdkpixbuf_partyanim.gif"), src + "\\2.gif"));
    EXPECT_TRUE(joinGroups(src, 1).empty()) << "gif not ticked";
    EXPECT_EQ(joinGroups(src, 15), std::vector<std::string>{src});
    CreateDirectoryA((src + "\\.hidden").c_str(), nullptr);
    EXPECT_EQ(joinGroups(src, 15), std::vector<std::string>{src}) << "a dot folder is no group";
    JoinSettings s;
    s.sizeRule = kJoinCustom;
    s.customSize = 30;
    std::vector<BatchItemResult> items;
    run(s, items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, out + "\\src.jpg");
    PictureInfo joined = readPictureBack(out + "\\src.jpg");
    EXPECT_EQ(joined.width, 30u);
    int gifWidth = 0, gifHeight = 0;
    ASSERT_EQ(sscanf(identifyFirstImage(src + "\\2.gif", "%w %h").c_str(), "%d %d", &gifWidth, &gifHeight), 2);
    EXPECT_EQ((int)joined.height, 20 + joinScaleToFit(gifHeight, 30, gifWidth)) << "the first frame";
}

// Fitted into the pane, crop and join previews are composed from photos reduced
// while they are decoded: shown fitted, each looks as the whole picture's
// preview shown fitted (40 dB), with the whole picture's sizes and outline.
TEST_F(JoinJobTest, FittedPreviewsShowWhatTheWholePictureShows)
{
    std::string g = group("相册");
    const char *photos[] = {"photos/lomiri_sunset.jpg", "photos/lomiri_Wine.jpg", "meta/vips_rotation_orient6.jpg",
                            "photos/mate_Storm.jpg"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(copyFileTo(samplePath(photos[i]), g + "\\" + std::to_string(i) + ".jpg"));
        SetFileAttributesA((g + "\\" + std::to_string(i) + ".jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    auto join = [](int layout, int rule, int spacing, OutputFormat format) {
        JoinSettings s;
        s.layout = layout;
        s.sizeRule = rule;
        s.spacing = spacing;
        s.output.format = format;
        s.output.transparent = false;
        return s;
    };
    auto crop = [](int percent) {
        CropSettings s;
        s.mode = kCropPercent;
        s.percentWidth = s.percentHeight = percent;
        return s;
    };
    struct Case {
        const char *photo;  // cropped; none: the group joined
        CropSettings crop;
        JoinSettings join;
        int clientWidth, clientHeight;
        bool reduced;
    } cases[] = {
        {"photos/lomiri_sunset.jpg", crop(70), {}, 760, 580, true},
        {"photos/lomiri_sunset.jpg", crop(70), {}, 1280, 1024, false},  // shown at over a quarter: whole
        {"photos/lomiri_Bridge.jpg", crop(30), {}, 400, 300, true},
        {nullptr, {}, join(kJoinVertical, kJoinFirst, 10, OutputFormat::Jpg), 1280, 1024, true},
        {nullptr, {}, join(kJoinVertical, kJoinLargest, 0, OutputFormat::Png), 760, 580, true},
        {nullptr, {}, join(kJoinHorizontal, kJoinFirst, 3, OutputFormat::Png), 400, 300, true},
    };
    PreviewWorker worker;
    for (const Case &c : cases) {
        SCOPED_TRACE(formatText("%s %dx%d", c.photo ? c.photo : "join", c.clientWidth, c.clientHeight));
        DisplayPicture shown[2];
        std::string sizes[2];
        for (int fitted = 0; fitted < 2; ++fitted) {
            const PreviewFit fit = fitted ? PreviewFit{c.clientWidth, c.clientHeight} : PreviewFit();
            if (c.photo) {
                CropPreviewJob job;
                job.pictures = {samplePath(c.photo)};
                job.crop = c.crop;
                job.simulateOutput = true;
                job.output.quality = 85;
                job.fit = fit;
                job.run(worker);
                ASSERT_EQ(job.outcome, CropPreviewJob::Outcome::Shown) << job.failure;
                sizes[fitted] = job.sourceSizeText + job.croppedSizeText +
                                formatText(" %ld %ld", job.outline.rect.left, job.outline.rect.bottom);
                std::swap(shown[fitted], job.picture);
            } else {
                JoinResult joined = joinGroup(g, c.join, fit);
                ASSERT_TRUE(joined.picture) << joined.problem;
                sizes[fitted] = formatText("%lld x %lld", joined.width, joined.height);
                std::string reason;
                ASSERT_TRUE(makeDisplayPicture(joined.picture, 91, shown[fitted], reason)) << reason;
            }
        }
        EXPECT_EQ(sizes[1], sizes[0]);
        EXPECT_EQ(shown[1].width < shown[0].width, c.reduced);
        int largest = 0;
        EXPECT_GE(fittedPsnr(shown[0], shown[1], shown[0].width, shown[0].height, c.clientWidth, c.clientHeight,
                             largest),
                  40.0)
            << shown[1].width << " wide against " << shown[0].width << ", largest " << largest;
        releaseDisplayPicture(shown[0]);
        releaseDisplayPicture(shown[1]);
    }
}
