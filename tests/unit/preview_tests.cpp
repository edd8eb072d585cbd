// The preview's window-free parts: the canvas rules shared by the panes and the
// viewer, the displayable picture (real JPEG pixels), the newest-wins worker, the
// main preview's job and the viewer's preparation of "查看原图".
#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "app/main_preview_job.h"
#include "pipeline_test_support.h"
#include "app/view_original.h"
#include "ui/preview/display_picture.h"
#include "ui/preview/picture_canvas.h"
#include "ui/preview/preview_worker.h"
#include "util/text.h"

// ---------------------------------------------------------------------------
// Canvas rules

TEST(PictureCanvasRules, RangesAndPlacementForEachAxis)
{
    struct Case {
        int client, picture, position;
        bool scrolls;
        int maximum, origin;
    } cases[] = {
        {760, 700, 0, false, 0, 30},    // fits: centred, no bar
        {580, 500, 0, false, 0, 40},
        {760, 744, 0, false, 0, 8},     // 744 + 15 < 760: still centred
        {760, 750, 0, true, 767, 8},    // 750 + 15 >= 760: range 767, starts at 8
        {760, 750, 5, true, 767, 3},
        {600, 590, 0, true, 607, 8},    // ten pixels narrower than the pane: not centred
        {760, 1, 0, false, 0, 379},     // a 1 x 1 picture is centred
        {760, 0, 0, false, 0, 380},     // no picture: nothing to scroll
        {300, 5000, 4000, true, 5017, 8 - 4000},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(formatText("client %d picture %d position %d", entry.client, entry.picture, entry.position));
        CanvasRange range = canvasRange(entry.client, entry.picture);
        EXPECT_EQ(range.scrolls, entry.scrolls);
        EXPECT_EQ(range.maximum, entry.maximum);
        EXPECT_EQ(canvasOrigin(entry.client, entry.picture, entry.position), entry.origin);
        if (range.scrolls) {
            EXPECT_EQ(range.page, entry.client);
        }
    }
}

TEST(PictureCanvasRules, ScrollRequestsAndTheWheelStayInsideTheRange)
{
    CanvasRange range = canvasRange(400, 1000);  // 0..1017, page 400: positions 0..618
    EXPECT_EQ(canvasLastPosition(range), 618);
    struct Case {
        int request, position, track, expected;
    } cases[] = {
        {SB_LINEDOWN, 0, 0, 1},     {SB_LINEUP, 0, 0, 0},         {SB_LINEUP, 10, 0, 9},
        {SB_PAGEDOWN, 0, 0, 400},   {SB_PAGEDOWN, 400, 0, 618},   {SB_PAGEUP, 300, 0, 0},
        {SB_THUMBTRACK, 0, 250, 250}, {SB_THUMBPOSITION, 0, 9999, 618}, {SB_ENDSCROLL, 77, 0, 77},
    };
    for (const Case &entry : cases)
        EXPECT_EQ(canvasScrollPosition(entry.request, entry.position, entry.track, range), entry.expected)
            << "request " << entry.request << " from " << entry.position;

    CanvasRange none = canvasRange(400, 100);
    // Toward the user (negative delta) scrolls down by 50; the vertical bar first.
    CanvasWheelMove move = canvasWheel(-120, 0, range, 0, range);
    EXPECT_EQ(move.bar, SB_VERT);
    EXPECT_EQ(move.position, 50);
    move = canvasWheel(120, 0, range, 30, range);
    EXPECT_EQ(move.position, 0);
    move = canvasWheel(-120, 600, range, 0, none);  // no vertical range: the horizontal bar
    EXPECT_EQ(move.bar, SB_HORZ);
    EXPECT_EQ(move.position, 618);
    EXPECT_EQ(canvasWheel(-120, 0, none, 0, none).bar, -1);
}

// "适合窗口": pane size x picture size -> the size shown, the scale and where it
// starts (centred, inside the frame and margins; never enlarged).
TEST(PictureCanvasRules, FitRuleTable)
{
    struct Case {
        int clientWidth, clientHeight, pictureWidth, pictureHeight;
        int width, height;  // shown
        int x, y;           // origin
    } cases[] = {
        {800, 600, 4000, 3000, 779, 584, 10, 8},  // a 12 MP photo: the height decides
        {800, 600, 3000, 4000, 438, 584, 181, 8},   // the same, upright
        {800, 600, 700, 500, 700, 500, 50, 50},     // fits: itself, centred
        {800, 600, 784, 584, 784, 584, 8, 8},       // the largest that fits as it is
        {800, 600, 785, 584, 784, 583, 8, 8},       // a pixel more: shrunk
        {800, 600, 790, 100, 784, 99, 8, 250},      // the width decides
        {800, 600, 100, 590, 99, 584, 350, 8},
        {1280, 777, 6000, 4000, 1142, 761, 69, 8},  // a 24 MP photo in a wide pane
        {800, 600, 65500, 10, 784, 1, 8, 299},      // a strip keeps one pixel
        {10, 10, 100, 100, 1, 1, 8, 8},             // a pane too small for the margins
        {800, 600, 0, 0, 0, 0, 400, 300},           // no picture
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(formatText("pane %d x %d, picture %d x %d", c.clientWidth, c.clientHeight, c.pictureWidth,
                                c.pictureHeight));
        CanvasSize shown = canvasFitSize(c.clientWidth, c.clientHeight, c.pictureWidth, c.pictureHeight);
        EXPECT_EQ(shown.width, c.width);
        EXPECT_EQ(shown.height, c.height);
        EXPECT_EQ(canvasOrigin(c.clientWidth, shown.width, 0), c.x);
        EXPECT_EQ(canvasOrigin(c.clientHeight, shown.height, 0), c.y);
        if (c.pictureWidth > 0) {
            // One scale for both sides (within the rounding of the shorter one),
            // never above 1, and nothing to scroll once the pane has room.
            double scale = (double)shown.width / c.pictureWidth;
            EXPECT_LE(scale, 1.0);
            EXPECT_NEAR((double)shown.height / c.pictureHeight * c.pictureHeight, scale * c.pictureHeight, 1.0);
            if (c.clientWidth > 16 && c.clientHeight > 16) {
                EXPECT_FALSE(canvasRange(c.clientWidth, shown.width).scrolls);
                EXPECT_FALSE(canvasRange(c.clientHeight, shown.height).scrolls);
            }
        }
    }
}

TEST(PictureCanvasRules, ShrinkingAveragesTheAreaEachPixelCovers)
{
    auto pixels = [](std::initializer_list<int> greys) {
        std::vector<unsigned char> out;
        for (int g : greys)
            out.insert(out.end(), {(unsigned char)g, (unsigned char)g, (unsigned char)g, 0});
        return out;
    };
    struct Case {
        int fromWidth, fromHeight;
        std::vector<unsigned char> from;
        int toWidth, toHeight;
        std::vector<int> expected;  // grey levels
    } cases[] = {
        {4, 2, pixels({0, 100, 200, 40, 20, 60, 0, 40}), 2, 1, {45, 70}},   // 2 x 2 blocks
        {3, 1, pixels({0, 90, 180}), 2, 1, {30, 150}},                       // 1.5 pixels each
        {2, 2, pixels({10, 20, 30, 40}), 1, 1, {25}},
        {5, 3, pixels({77, 77, 77, 77, 77, 77, 77, 77, 77, 77, 77, 77, 77, 77, 77}), 2, 2, {77, 77, 77, 77}},
        {3, 3, pixels({1, 2, 3, 4, 5, 6, 7, 8, 9}), 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}},  // same size: a copy
    };
    for (const Case &c : cases) {
        std::vector<unsigned char> to((size_t)c.toWidth * c.toHeight * 4, 0xEE);
        shrinkBgra(c.from.data(), c.fromWidth, c.fromHeight, to.data(), c.toWidth, c.toHeight);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ((int)to[i * 4], c.expected[i]) << c.fromWidth << "x" << c.fromHeight << " pixel " << i;
            EXPECT_EQ((int)to[i * 4 + 1], c.expected[i]);
            EXPECT_EQ((int)to[i * 4 + 3], 255) << "opaque";
        }
    }
    // Never enlarged: a larger target is left alone.
    std::vector<unsigned char> from = pixels({9}), to(16, 0xEE);
    shrinkBgra(from.data(), 1, 1, to.data(), 2, 2);
    EXPECT_EQ(to[0], 0xEE);
}

// ---------------------------------------------------------------------------
// The displayable picture

namespace {

MagickWand *gradientPicture(size_t width, size_t height, const char *source = "gradient:#ff2000-#0030ff")
{
    MagickWand *wand = NewMagickWand();
    MagickSetSize(wand, width, height);
    if (!MagickReadImage(wand, source)) {
        DestroyMagickWand(wand);
        return nullptr;
    }
    return wand;
}

// What a JPEG at this quality decodes to, made independently of the pane.
MagickWand *jpegRoundTrip(MagickWand *source, int quality, size_t *bytes)
{
    MagickWand *copy = CloneMagickWand(source);
    MagickSetImageFormat(copy, "JPEG");
    MagickSetImageCompressionQuality(copy, (size_t)quality);
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(copy, &length);
    DestroyMagickWand(copy);
    MagickWand *back = NewMagickWand();
    MagickReadImageBlob(back, blob, length);
    MagickRelinquishMemory(blob);
    if (bytes)
        *bytes = length;
    return back;
}

// Largest channel difference between a DIB and a wand of the same size.
int largestDibDifference(const DisplayPicture &picture, MagickWand *wand)
{
    DIBSECTION section = {};
    if (!GetObjectA(picture.bitmap, sizeof section, &section) || !section.dsBm.bmBits)
        return 1000;
    std::vector<unsigned char> expected((size_t)picture.width * picture.height * 4);
    MagickExportImagePixels(wand, 0, 0, picture.width, picture.height, "BGRA", CharPixel, expected.data());
    const unsigned char *shown = static_cast<const unsigned char *>(section.dsBm.bmBits);
    int largest = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (i % 4 == 3)
            continue;
        int d = abs((int)expected[i] - (int)shown[i]);
        if (d > largest)
            largest = d;
    }
    return largest;
}

}  // namespace

TEST(DisplayPicture, ShowsTheJpegAppearanceAtTheGivenQuality)
{
    for (int quality : {91, 15}) {
        SCOPED_TRACE(quality);
        MagickWand *source = gradientPicture(301, 203);
        ASSERT_NE(source, nullptr);
        size_t bytes = 0;
        MagickWand *expected = jpegRoundTrip(source, quality, &bytes);
        MagickWand *original = CloneMagickWand(source);

        DisplayPicture picture;
        std::string reason;
        ASSERT_TRUE(makeDisplayPicture(source, quality, picture, reason)) << reason;
        EXPECT_EQ(picture.width, 301);
        EXPECT_EQ(picture.height, 203);
        EXPECT_EQ(picture.jpegBytes, bytes);
        EXPECT_FALSE(picture.scaledDown);
        // Pixel for pixel what the JPEG decodes to.
        EXPECT_EQ(largestDibDifference(picture, expected), 0);
        if (quality == 15) {  // and visibly not the uncompressed picture
            EXPECT_GT(largestDibDifference(picture, original), 10);
        }
        releaseDisplayPicture(picture);
        DestroyMagickWand(expected);
        DestroyMagickWand(original);
    }
}

TEST(DisplayPicture, CmykGreyAndBadInput)
{
    // A CMYK picture shows its colours (pure cyan stays cyan).
    MagickWand *cmyk = gradientPicture(40, 30, "xc:cyan");
    ASSERT_NE(cmyk, nullptr);
    MagickTransformImageColorspace(cmyk, CMYKColorspace);
    DisplayPicture picture;
    std::string reason;
    ASSERT_TRUE(makeDisplayPicture(cmyk, 91, picture, reason)) << reason;
    DIBSECTION section = {};
    ASSERT_TRUE(GetObjectA(picture.bitmap, sizeof section, &section));
    const unsigned char *bgra = static_cast<const unsigned char *>(section.dsBm.bmBits) + (15 * 40 + 20) * 4;
    EXPECT_GT(bgra[0], 200);  // blue
    EXPECT_GT(bgra[1], 200);  // green
    EXPECT_LT(bgra[2], 60);   // red
    releaseDisplayPicture(picture);

    MagickWand *grey = gradientPicture(20, 20, "gradient:black-white");
    MagickTransformImageColorspace(grey, GRAYColorspace);
    ASSERT_TRUE(makeDisplayPicture(grey, 0, picture, reason)) << reason;
    EXPECT_EQ(picture.width, 20);
    releaseDisplayPicture(picture);

    // An empty wand and no wand: a reason, no bitmap, no crash.
    EXPECT_FALSE(makeDisplayPicture(NewMagickWand(), 91, picture, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(picture.bitmap, nullptr);
    EXPECT_FALSE(makeDisplayPicture(nullptr, 91, picture, reason));
}

TEST(DisplayPicture, PicturesBeyondTheJpegLimitAreScaledForDisplay)
{
    struct Case {
        size_t width, height, shownWidth, shownHeight;
    } cases[] = {
        {200, 65500, 200, 65500}, {200, 70000, 187, 65500}, {70000, 10, 65500, 9},
        {131000, 1, 65500, 1},    {1, 1, 1, 1},
    };
    for (const Case &entry : cases) {
        size_t w = 0, h = 0;
        displaySizeFor(entry.width, entry.height, w, h);
        EXPECT_EQ(w, entry.shownWidth) << entry.width << " x " << entry.height;
        EXPECT_EQ(h, entry.shownHeight) << entry.width << " x " << entry.height;
    }
}

// ---------------------------------------------------------------------------
// The worker: the newest request wins

namespace {

const UINT kDoneMessage = WM_APP + 7;

HANDLE gate = nullptr;
std::atomic<int> runs{0};

struct GatedTask : PreviewTask {
    int name;
    bool ran = false;
    bool sawSuperseded = false;
    explicit GatedTask(int n) : name(n) {}
    void run(const PreviewWorker &worker) override
    {
        ran = true;
        ++runs;
        if (name == 1)
            WaitForSingleObject(gate, 10000);
        sawSuperseded = worker.superseded(ticket);
    }
};

HWND messageWindow()
{
    static HWND window = CreateWindowExA(0, "static", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return window;
}

// The next finished task posted to the window (nullptr after 10 s).
LPARAM nextResult()
{
    MSG msg;
    for (int i = 0; i < 1000; ++i) {
        if (PeekMessageA(&msg, messageWindow(), kDoneMessage, kDoneMessage, PM_REMOVE))
            return msg.lParam;
        Sleep(10);
    }
    return 0;
}

}  // namespace

TEST(PreviewWorker, ANewerRequestSupersedesOlderOnes)
{
    gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    runs = 0;
    PreviewWorker worker;
    unsigned first = worker.submit(new GatedTask(1), messageWindow(), kDoneMessage);
    ASSERT_NE(first, 0u);
    for (int i = 0; i < 500 && runs == 0; ++i)
        Sleep(10);
    ASSERT_EQ(runs.load(), 1) << "the first task runs at once";
    // While it runs, two more come: the second never runs, the third does.
    worker.submit(new GatedTask(2), messageWindow(), kDoneMessage);
    unsigned third = worker.submit(new GatedTask(3), messageWindow(), kDoneMessage);
    EXPECT_TRUE(worker.superseded(first));
    EXPECT_TRUE(worker.pending());
    SetEvent(gate);

    LPARAM a = nextResult();
    ASSERT_NE(a, 0);
    GatedTask *firstBack = static_cast<GatedTask *>(reinterpret_cast<PreviewTask *>(a));
    EXPECT_EQ(firstBack->name, 1);
    EXPECT_TRUE(firstBack->sawSuperseded);
    EXPECT_EQ(worker.accept(a), nullptr) << "a stale result is dropped";
    LPARAM b = nextResult();
    ASSERT_NE(b, 0);
    std::unique_ptr<PreviewTask> latest(worker.accept(b));
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(static_cast<GatedTask *>(latest.get())->name, 3);
    EXPECT_EQ(latest->ticket, third);
    EXPECT_FALSE(worker.pending());
    EXPECT_EQ(runs.load(), 2);

    // cancel: a result that was on its way is dropped and nothing is pending.
    ResetEvent(gate);
    runs = 0;
    worker.submit(new GatedTask(1), messageWindow(), kDoneMessage);
    for (int i = 0; i < 500 && runs == 0; ++i)
        Sleep(10);
    worker.cancel();
    EXPECT_FALSE(worker.pending());
    SetEvent(gate);
    LPARAM c = nextResult();
    ASSERT_NE(c, 0);
    EXPECT_EQ(worker.accept(c), nullptr);
    CloseHandle(gate);
}

// ---------------------------------------------------------------------------
// The main preview's job

TEST(MainPreviewJob, RunsThePipelineAndDescribesBothPictures)
{
    ProcessSettings settings;
    settings.bSize = 1;
    settings.sizeValue = 200;
    settings.bConvertBlackToWhite = 1;
    PipelineInputs inputs;
    inputs.settings = &settings;
    // A watermark the panel replaces while the job is still waiting: the job has its own copy.
    MagickWand *mark = gradientPicture(20, 10, "xc:red");
    ASSERT_NE(mark, nullptr);
    inputs.imageWatermark = mark;
    PreviewWorker worker;
    MainPreviewJob job(inputs, samplePath("photos/mate_Storm.jpg"), 0, 90);
    DestroyMagickWand(mark);
    inputs.imageWatermark = nullptr;
    settings.sizeValue = 999;

    job.run(worker);
    ASSERT_EQ(job.outcome, MainPreviewJob::Outcome::Shown) << job.failure;
    // 1920 x 1280 turned 90 degrees, then 200 wide.
    EXPECT_EQ(job.picture.width, 200);
    EXPECT_EQ(job.picture.height, 300);
    DIBSECTION section = {};
    ASSERT_TRUE(GetObjectA(job.picture.bitmap, sizeof section, &section));
    const unsigned char *bgra = static_cast<const unsigned char *>(section.dsBm.bmBits) + (150 * 200 + 100) * 4;
    EXPECT_EQ(bgra[0], bgra[1]);  // black and white
    EXPECT_EQ(bgra[1], bgra[2]);
    EXPECT_EQ(job.sourceText, "原图尺寸: 1920 x 1280, 类型: JPEG 图片, 大小: 678.8 KB");
    EXPECT_EQ(job.processedText, processedPictureText(200, 300, job.picture.jpegBytes));
    EXPECT_TRUE(job.sourceRecognised);

    // A picture whose header says nothing the sniffer knows: ImageMagick describes it.
    MainPreviewJob tga(inputs, samplePath("formats/other/gdkpixbuf_rle32_topleft.tga"), 0, 0);
    tga.run(worker);
    ASSERT_EQ(tga.outcome, MainPreviewJob::Outcome::Shown) << tga.failure;
    EXPECT_FALSE(tga.sourceRecognised);
    EXPECT_NE(tga.sourceText.find("原图尺寸: "), std::string::npos) << tga.sourceText;
    EXPECT_NE(tga.sourceText.find("TGA"), std::string::npos) << tga.sourceText;

    MainPreviewJob broken(inputs, samplePath("broken/text_renamed.jpg"), 0, 0);
    broken.run(worker);
    EXPECT_EQ(broken.outcome, MainPreviewJob::Outcome::PipelineFailed);
    EXPECT_EQ(broken.failure.rfind("图片读取失败:\r\n" + samplePath("broken/text_renamed.jpg"), 0), 0u) << broken.failure;
    EXPECT_EQ(broken.picture.bitmap, nullptr);
}

TEST(MainPreviewJob, ProcessedSizeInBytesKilobytesOrMegabytes)
{
    EXPECT_EQ(processedPictureText(10, 20, 1023), "处理后图片尺寸: 10 x 20, 类型: JPEG 图片, 大小: 1023 字节");
    EXPECT_EQ(processedPictureText(10, 20, 1024), "处理后图片尺寸: 10 x 20, 类型: JPEG 图片, 大小: 1.0 KB");
    EXPECT_EQ(processedPictureText(10, 20, 1048575), "处理后图片尺寸: 10 x 20, 类型: JPEG 图片, 大小: 1024.0 KB");
    EXPECT_EQ(processedPictureText(10, 20, 1048576), "处理后图片尺寸: 10 x 20, 类型: JPEG 图片, 大小: 1.0 MB");
}

// ---------------------------------------------------------------------------
// "查看原图": what the viewer is given

TEST(ViewOriginal, JpegAsItIsOthersThroughAFreshJpegCopy)
{
    ScratchFolder folder("查看原图");
    std::string temp = folder / "browser.jpg";
    struct Case {
        const char *sample;
        bool copied;
        size_t width, height;
    } cases[] = {
        {"photos/mate_Storm.jpg", false, 1920, 1280},
        {"formats/jpeg/pillow_cmyk_noicc.jpg", true, 0, 0},
        {"formats/png/go_basn3p08_trns.png", true, 32, 32},
        {"formats/tiff/pillow_multipage.tiff", true, 0, 0},
        {"formats/bmp/bmpsuite_q_rgba32_v5.bmp", true, 0, 0},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.sample);
        DeleteFileA(temp.c_str());
        ViewerSource source = prepareViewerPicture(samplePath(entry.sample), temp);
        ASSERT_TRUE(source.ok) << source.message;
        if (!entry.copied) {
            EXPECT_EQ(source.path, samplePath(entry.sample));
            EXPECT_FALSE(pathExists(temp));
            continue;
        }
        EXPECT_EQ(source.path, temp);
        MagickWand *shown = readPicture(temp);
        ASSERT_NE(shown, nullptr);
        char *format = MagickGetImageFormat(shown);
        EXPECT_STREQ(format, "JPEG");
        MagickRelinquishMemory(format);
        EXPECT_EQ(MagickGetNumberImages(shown), 1u);
        EXPECT_NE(MagickGetImageColorspace(shown), CMYKColorspace);
        EXPECT_EQ(MagickGetImageCompressionQuality(shown), 90u);
        if (entry.width) {
            EXPECT_EQ(MagickGetImageWidth(shown), entry.width);
        }
        DestroyMagickWand(shown);
    }
    // The transparent PNG lies on white: its see-through corner is white now.
    prepareViewerPicture(samplePath("formats/png/go_basn3p08_trns.png"), temp);
    MagickWand *shown = readPicture(temp);
    ASSERT_NE(shown, nullptr);
    Rgb corner = pixelAt(shown, 0, 0);
    DestroyMagickWand(shown);
    EXPECT_GT(corner.r + corner.g + corner.b, 3 * 240.0);
}

TEST(ViewOriginal, AFailureNeverLeavesThePreviousCopyBehind)
{
    ScratchFolder folder("查看原图_失败");
    std::string temp = folder / "browser.jpg";
    ASSERT_TRUE(prepareViewerPicture(samplePath("formats/png/imaging_flowers.png"), temp).ok);
    ASSERT_TRUE(pathExists(temp));
    for (const char *broken : {"broken/text_renamed.jpg", "broken/zero_bytes.jpg", "no such file.png"}) {
        std::string path = samplePath(broken);
        ViewerSource source = prepareViewerPicture(path, temp);
        EXPECT_FALSE(source.ok) << broken;
        EXPECT_EQ(source.message.rfind("图片读取失败:\r\n" + path + "\r\n原因：", 0), 0u) << source.message;
    }
    // The old copy cannot be replaced (read-only): the picture is not shown rather
    // than the old copy under the new picture's name.
    ASSERT_TRUE(SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY));
    ViewerSource stuck = prepareViewerPicture(samplePath("formats/png/go_basn3p08_trns.png"), temp);
    EXPECT_FALSE(stuck.ok);
    EXPECT_EQ(stuck.message.rfind("图片读取失败:\r\n" + samplePath("formats/png/go_basn3p08_trns.png") + "\r\n原因：", 0),
              0u)
        << stuck.message;
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Its folder is gone: no copy can be written.
    EXPECT_FALSE(prepareViewerPicture(samplePath("formats/png/imaging_flowers.png"), folder / "gone\\browser.jpg").ok);
}
