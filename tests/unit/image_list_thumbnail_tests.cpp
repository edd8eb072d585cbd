#include "gtest.h"

#include <windows.h>
#include <wand/MagickWand.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/jpeg_memory.h"
#include "imaging/picture_read.h"
#include "input/image_list.h"
#include "input/thumbnail_render.h"
#include "input/thumbnail_worker.h"
#include "test_util.h"
#include "util/magick_path.h"
#include "util/text.h"

// Geometry -------------------------------------------------------------------

TEST(ThumbnailGeometry, ShrinksToFitAndCentres)
{
    ThumbnailPlacement wide = thumbnailPlacement(200, 100);
    EXPECT_EQ(wide.width, 94);
    EXPECT_EQ(wide.height, 47);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.y, 23);

    ThumbnailPlacement little = thumbnailPlacement(50, 30);  // never enlarged
    EXPECT_EQ(little.width, 50);
    EXPECT_EQ(little.height, 30);
    EXPECT_EQ(little.x, 22);
    EXPECT_EQ(little.y, 32);

    ThumbnailPlacement tall = thumbnailPlacement(300, 4000);
    EXPECT_EQ(tall.width, 7);
    EXPECT_EQ(tall.height, 94);
    EXPECT_EQ(tall.x, 43);

    ThumbnailPlacement line = thumbnailPlacement(5000, 10);  // height would round to 0
    EXPECT_EQ(line.height, 1);
    EXPECT_EQ(line.y, 46);
    ThumbnailPlacement column = thumbnailPlacement(3, 9000);
    EXPECT_EQ(column.width, 1);
    EXPECT_EQ(column.x, 46);
}

TEST(ThumbnailGeometry, EverySizeStaysInsideTheArea)
{
    for (int w = 1; w <= 400; w += 7)
        for (int h = 1; h <= 400; h += 11) {
            ThumbnailPlacement p = thumbnailPlacement(w, h);
            ASSERT_GE(p.width, 1);
            ASSERT_GE(p.height, 1);
            ASSERT_LE(p.x + p.width, 94) << w << "x" << h;
            ASSERT_LE(p.y + p.height, 94) << w << "x" << h;
            ASSERT_GE(p.x, 0);
            ASSERT_GE(p.y, 0);
            if (w > 94 || h > 94) {
                ASSERT_TRUE(p.width == 94 || p.height == 94);
            }
        }
}

// Rendered pixels ------------------------------------------------------------------

namespace {

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(MagickWand *wand, int x, int y)
{
    unsigned char px[3] = {};
    MagickExportImagePixels(wand, x, y, 1, 1, "RGB", CharPixel, px);
    return {px[0], px[1], px[2]};
}

bool closeTo(Rgb c, int r, int g, int b, int tolerance = 40)
{
    return abs(c.r - r) <= tolerance && abs(c.g - g) <= tolerance && abs(c.b - b) <= tolerance;
}

// A width x height picture, blue with a red top-left quarter, written by ImageMagick.
void writeMarkedPicture(const std::string &path, int width, int height)
{
    std::vector<unsigned char> rgb((size_t)width * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char *p = &rgb[((size_t)y * width + x) * 3];
            bool marked = x < width / 2 && y < height / 2;
            p[0] = marked ? 255 : 0;
            p[1] = 0;
            p[2] = marked ? 0 : 255;
        }
    MagickWand *wand = NewMagickWand();
    PixelWand *bg = NewPixelWand();
    PixelSetColor(bg, "black");
    MagickNewImage(wand, width, height, bg);
    MagickImportImagePixels(wand, 0, 0, width, height, "RGB", CharPixel, rgb.data());
    MagickWriteImage(wand, magickPath(path).c_str());
    DestroyPixelWand(bg);
    DestroyMagickWand(wand);
}

MagickWand *render(const std::string &path, int flip, int rotation)
{
    MagickWand *canvas = nullptr;
    EXPECT_EQ(renderThumbnail(path.c_str(), flip, rotation, &canvas), kThumbnailRendered) << path;
    return canvas;
}

}  // namespace

TEST(ThumbnailPixels, WidePictureSitsCentredOnWhiteInsideTheFrame)
{
    ScratchFolder folder("velmora_thumb");
    std::string path = folder / "wide.png";
    writeMarkedPicture(path, 200, 100);
    MagickWand *canvas = render(path, 0, 0);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(MagickGetImageWidth(canvas), 96u);
    EXPECT_EQ(MagickGetImageHeight(canvas), 96u);
    EXPECT_TRUE(closeTo(pixelAt(canvas, 0, 0), 0xd4, 0xd0, 0xc8, 2));    // frame
    EXPECT_TRUE(closeTo(pixelAt(canvas, 95, 50), 0xd4, 0xd0, 0xc8, 2));
    EXPECT_TRUE(closeTo(pixelAt(canvas, 40, 10), 255, 255, 255, 2));     // white above the picture
    EXPECT_TRUE(closeTo(pixelAt(canvas, 40, 85), 255, 255, 255, 2));     // and below
    // The picture covers rows 1 + 23 .. 1 + 23 + 46.
    EXPECT_TRUE(closeTo(pixelAt(canvas, 10, 30), 255, 0, 0));           // red quarter top left
    EXPECT_TRUE(closeTo(pixelAt(canvas, 80, 60), 0, 0, 255));           // blue elsewhere
    EXPECT_TRUE(closeTo(pixelAt(canvas, 48, 23), 255, 255, 255, 2));
    EXPECT_FALSE(closeTo(pixelAt(canvas, 48, 25), 255, 255, 255, 2));
    DestroyMagickWand(canvas);
}

TEST(ThumbnailPixels, SmallPictureIsNotEnlarged)
{
    ScratchFolder folder("velmora_thumb");
    std::string path = folder / "small.bmp";
    writeMarkedPicture(path, 50, 30);
    MagickWand *canvas = render(path, 0, 0);
    ASSERT_NE(canvas, nullptr);
    // Placed at (22, 32) inside the frame: (23, 33) .. (72, 62) on the canvas.
    EXPECT_TRUE(closeTo(pixelAt(canvas, 22, 40), 255, 255, 255, 2));
    EXPECT_TRUE(closeTo(pixelAt(canvas, 23, 33), 255, 0, 0, 2));
    EXPECT_TRUE(closeTo(pixelAt(canvas, 72, 62), 0, 0, 255, 2));
    EXPECT_TRUE(closeTo(pixelAt(canvas, 73, 62), 255, 255, 255, 2));
    EXPECT_TRUE(closeTo(pixelAt(canvas, 50, 63), 255, 255, 255, 2));
    DestroyMagickWand(canvas);
}

TEST(ThumbnailPixels, RotationThenFlipMoveTheMarkedCorner)
{
    ScratchFolder folder("velmora_thumb");
    std::string path = folder / "square.jpg";
    writeMarkedPicture(path, 94, 94);
    struct Case {
        int flip, rotation;
        int x, y;  // where the red quarter ends up
        const char *what;
    } cases[] = {
        {0, 0, 20, 20, "as is"},
        {0, 90, 75, 20, "right"},
        {0, 180, 75, 75, "half turn"},
        {0, 270, 20, 75, "left"},
        {1, 180, 75, 20, "flipped horizontally"},
        {2, 0, 20, 75, "flipped vertically"},
        {1, 270, 20, 20, "flipped horizontally, then left"},
    };
    for (const Case &c : cases) {
        MagickWand *canvas = render(path, c.flip, c.rotation);
        ASSERT_NE(canvas, nullptr);
        EXPECT_EQ(MagickGetImageWidth(canvas), 96u) << c.what;
        EXPECT_TRUE(closeTo(pixelAt(canvas, c.x, c.y), 255, 0, 0)) << c.what;
        EXPECT_TRUE(closeTo(pixelAt(canvas, 95 - c.x, 95 - c.y), 0, 0, 255)) << c.what;
        EXPECT_TRUE(closeTo(pixelAt(canvas, 0, 0), 0xd4, 0xd0, 0xc8, 2)) << c.what << ": frame after turning";
        DestroyMagickWand(canvas);
    }
}

TEST(ThumbnailPixels, RealPhotoBecomesAnIcon)
{
    std::string photo = samplePath("photos/mate_LadyBird.jpg");
    HICON icon = nullptr;
    ASSERT_EQ(makeThumbnail(photo.c_str(), 0, 90, &icon), kThumbnailRendered);
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 96);
    EXPECT_EQ(bm.bmHeight, 96);
    // The frame's colour comes through in the icon's own pixels.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmColor);
    COLORREF corner = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(corner, RGB(0xd4, 0xd0, 0xc8));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

// Awkward input -----------------------------------------------------------------

TEST(ThumbnailInput, UnreadableAndAnimatedPicturesAreRefused)
{
    const char *broken[] = {"broken/zero_bytes.jpg", "broken/text_renamed.jpg",
                            "formats/jpeg/ljt_testorig12_12bit.jpg"};  // 12-bit: this ImageMagick cannot
    for (const char *name : broken) {
        HICON icon = nullptr;
        EXPECT_EQ(makeThumbnail(samplePath(name).c_str(), 0, 0, &icon), kThumbnailUnreadable) << name;
        EXPECT_EQ(icon, nullptr);
    }
    HICON icon = nullptr;
    EXPECT_EQ(makeThumbnail(samplePath("formats/gif/gdkpixbuf_partyanim.gif").c_str(), 0, 0, &icon),
              kThumbnailAnimated);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(makeThumbnail("Z:\\no\\such\\folder\\x.jpg", 0, 0, &icon), kThumbnailUnreadable);
}

TEST(ThumbnailInput, OddFormatsStillGiveAThumbnail)
{
    // CMYK JPEG and TIFF, progressive JPEG, layered PSD, multi-page and
    // 16-bit TIFF, transparent PNG and GIF, 32-bit BMP, a truncated JPEG.
    const char *files[] = {"formats/jpeg/pillow_cmyk_noicc.jpg",     "formats/tiff/pillow_cmyk_strip_jpeg.tif",
                           "formats/jpeg/go_video-001_progressive.jpeg",
                           "formats/psd/pillow_hopper_layers.psd",   "formats/tiff/pillow_multipage.tiff",
                           "formats/tiff/pillow_16bit_RGB.tiff",     "formats/png/go_basn3p08_trns.png",
                           "formats/gif/pillow_transparent.gif",     "formats/bmp/bmpsuite_q_rgba32_v5.bmp",
                           "broken/vips_truncated.jpg"};
    for (const char *name : files) {
        MagickWand *canvas = nullptr;
        ASSERT_EQ(renderThumbnail(samplePath(name).c_str(), 0, 0, &canvas), kThumbnailRendered) << name;
        EXPECT_EQ(MagickGetImageWidth(canvas), 96u) << name;
        EXPECT_EQ(MagickGetImageHeight(canvas), 96u) << name;
        // No see-through corners: transparent pictures sit on white.
        unsigned char a[4] = {};
        MagickExportImagePixels(canvas, 48, 48, 1, 1, "RGBA", CharPixel, a);
        EXPECT_EQ(a[3], 255) << name;
        DestroyMagickWand(canvas);
    }
}

TEST(ThumbnailInput, ChinesePath)
{
    ScratchFolder folder("缩略图_测试");
    std::string path = folder / "照片.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("photos/lomiri_Bridge.jpg"), path));  // progressive
    HICON icon = nullptr;
    ASSERT_EQ(makeThumbnail(path.c_str(), 1, 180, &icon), kThumbnailRendered);
    DestroyIcon(icon);
}

// Progressive JPEG read only as far as its first scan ------------------------------

TEST(ThumbnailDcScan, PrefixEndsWithTheFirstScanOfAProgressivePhoto)
{
    std::string photo = readFileBytes(samplePath("photos/lomiri_Bridge.jpg"));
    ASSERT_GT(photo.size(), 100000u);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(photo.data());
    bool needMore = true;
    size_t prefix = progressiveDcPrefixLength(bytes, photo.size(), &needMore);
    EXPECT_FALSE(needMore);
    ASSERT_GT(prefix, 1000u);
    EXPECT_LT(prefix, photo.size() / 4) << "the DC scan is a small part of the file";
    EXPECT_EQ(bytes[prefix], 0xFF) << "the prefix stops at the next marker";
    EXPECT_NE(bytes[prefix + 1], 0x00);

    // Cut inside the scan: the answer needs more bytes.
    EXPECT_EQ(progressiveDcPrefixLength(bytes, prefix - 10, &needMore), 0u);
    EXPECT_TRUE(needMore);
    EXPECT_EQ(progressiveDcPrefixLength(bytes, 100, &needMore), 0u);
    EXPECT_TRUE(needMore);
}

TEST(ThumbnailDcScan, OtherFilesAreReadTheUsualWay)
{
    const char *files[] = {"formats/jpeg/go_video-001_q50_444.jpeg",  // baseline
                           "photos/mate_Garden.jpg",                    // baseline photo
                           "formats/png/go_basn3p08_trns.png", "broken/zero_bytes.jpg", "broken/text_renamed.jpg"};
    for (const char *name : files) {
        std::string data = readFileBytes(samplePath(name));
        bool needMore = true;
        EXPECT_EQ(progressiveDcPrefixLength(reinterpret_cast<const unsigned char *>(data.data()), data.size(),
                                            &needMore),
                  0u)
            << name;
        EXPECT_FALSE(needMore) << name;
    }
}

TEST(ThumbnailDcScan, ThumbnailFromTheFirstScanMatchesAFullDecode)
{
    // The progressive photo as is, and re-encoded as a baseline JPEG of the same
    // pixels: both thumbnails must show the same picture.
    ScratchFolder folder("velmora_dc");
    std::string progressive = samplePath("photos/lomiri_aitzgorri.jpg");
    std::string baseline = folder / "baseline.jpg";
    MagickWand *full = NewMagickWand();
    ASSERT_EQ(MagickReadImage(full, magickPath(progressive).c_str()), MagickTrue);
    MagickSetImageInterlaceScheme(full, NoInterlace);
    MagickSetImageCompressionQuality(full, 95);
    ASSERT_EQ(MagickWriteImage(full, magickPath(baseline).c_str()), MagickTrue);
    DestroyMagickWand(full);

    MagickWand *a = render(progressive, 0, 0);
    MagickWand *b = render(baseline, 0, 0);
    ASSERT_TRUE(a && b);
    double sum = 0;
    int worst = 0;
    for (int y = 1; y < 95; y += 3)
        for (int x = 1; x < 95; x += 3) {
            Rgb p = pixelAt(a, x, y), q = pixelAt(b, x, y);
            int d = abs(p.r - q.r) + abs(p.g - q.g) + abs(p.b - q.b);
            sum += d;
            worst = d > worst ? d : worst;
        }
    double mean = sum / (32.0 * 32.0 * 3.0);
    EXPECT_LT(mean, 4.0) << "mean difference per channel";
    EXPECT_LT(worst, 90);
    DestroyMagickWand(a);
    DestroyMagickWand(b);
}

// From pipeline_test_support (whose pixelAt and Rgb this file has its own of):
// differences of two pictures in 8-bit levels.
double meanDifference(MagickWand *a, MagickWand *b);
double largestDifference(MagickWand *a, MagickWand *b);

namespace {

std::string pixelSignature(MagickWand *picture)
{
    char *signature = MagickGetImageSignature(picture);
    std::string text = signature ? signature : "";
    MagickRelinquishMemory(signature);
    return text;
}

}  // namespace

// A progressive photo's first scan, decoded the way a thumbnail decodes it:
// - with its coefficients kept as DC terms alone, it has the pixels of the same
//   scan decoded with all 64 terms in memory, at 1/8 and at full size (where
//   the zero AC terms and the smoothing from neighbouring blocks show), for
//   each chroma subsampling, and cut short;
// - without the block smoothing, at 1/8 it is the whole file decoded at 1/8 to
//   within the one bit the first scan leaves for later, but for 2x2 chroma,
//   which libjpeg decodes at 2/8 from AC terms the first scan does not have.
TEST(ThumbnailDcScan, FirstScanDecodesAsTheWholeFileAtAnEighth)
{
    struct Case {
        const char *photo;
        size_t cutAt;  // bytes of the scan kept, 0: all of it
        DecodeHint hint;
        int largest;  // against the whole file at 1/8 (-1: not compared)
    } cases[] = {
        {"photos/lomiri_Bridge.jpg", 0, {188, 188}, 4},          // 2x1, 4352 x 2448
        {"photos/lomiri_Bridge.jpg", 0, {0, 0}, -1},             // full size
        {"photos/lomiri_picosdeeuropa.jpg", 0, {188, 188}, 48},  // 2x2
        {"photos/lomiri_friends.jpg", 0, {0, 0}, -1},            // 2x2, portrait
        {"photos/lomiri_greentock.jpg", 0, {188, 188}, 1},       // 1x1
        {"photos/lomiri_sunset.jpg", 9000, {188, 188}, -1},      // the scan cut short
    };
    for (const Case &c : cases) {
        const std::string what = std::string(c.photo) + " cut " + std::to_string(c.cutAt) + " hint " +
                                 std::to_string(c.hint.width);
        PictureFile whole, file;
        std::string reason;
        ASSERT_TRUE(readPictureFile(samplePath(c.photo), whole, reason)) << reason;
        bool needMore = false;
        size_t prefix = progressiveDcPrefixLength(whole.bytes.data(), whole.bytes.size(), &needMore);
        ASSERT_GT(prefix, c.cutAt) << what;
        file = whole;
        file.bytes.resize(c.cutAt ? c.cutAt : prefix);
        file.bytes.push_back(0xFF);
        file.bytes.push_back(0xD9);

        std::string signatures[2];
        for (int dcTerms = 0; dcTerms < 2; ++dcTerms) {
            const size_t storesBefore = jpegMemoryCounts().dcStores;
            MagickWand *picture;
            if (dcTerms) {
                JpegFirstScanOnly scope;
                picture = decodePictureFile(file, c.hint, reason);
            } else {
                picture = decodePictureFile(file, c.hint, reason);
            }
            ASSERT_TRUE(picture) << what << ": " << reason;
            signatures[dcTerms] = pixelSignature(picture);
            DestroyMagickWand(picture);
            EXPECT_EQ(jpegMemoryCounts().dcStores > storesBefore, dcTerms == 1) << what;
        }
        EXPECT_EQ(signatures[1], signatures[0]) << what;

        if (c.largest >= 0) {
            DecodeHint firstScan = c.hint;
            firstScan.firstScanOnly = true;
            MagickWand *scan = decodePictureFile(file, firstScan, reason);
            MagickWand *all = decodePictureFile(whole, c.hint, reason);
            ASSERT_TRUE(scan && all) << what << ": " << reason;
            EXPECT_LE(meanDifference(scan, all), 1.5) << what;
            EXPECT_LE(largestDifference(scan, all), c.largest) << what;
            DestroyMagickWand(scan);
            DestroyMagickWand(all);
        }
    }
}

// The worker's passes ---------------------------------------------------------------

namespace {

// A sink window that takes what the worker hands over as the picture list does:
// a result counts only if the item is still there in the state it was rendered from.
// A worker's threads never end, so a sink is made once and never freed.
struct WorkerSink {
    ImageList list;
    ThumbnailWorker worker;
    HWND window = nullptr;
    std::vector<std::string> taken;  // "INDEX DETAIL" of every result accepted
    bool passEnded = false;

    static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        WorkerSink *self = reinterpret_cast<WorkerSink *>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && m == kThumbnailReadyMessage) {
            const ThumbnailResult *r = reinterpret_cast<const ThumbnailResult *>(l);
            int index = -1;
            if (self->list.acceptThumbnail(r->id, r->generation, &index))
                self->taken.push_back(std::to_string(index) + " " + r->detail);
            if (r->icon)
                DestroyIcon(r->icon);
            return 1;
        }
        if (self && m == kThumbnailProgressMessage && w == 0)
            self->passEnded = true;
        return DefWindowProcA(h, m, w, l);
    }

    explicit WorkerSink(ThumbnailRenderer render)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmoraThumbnailSinkTest";
        RegisterClassA(&wc);
        window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        worker.start(&list, window, render);
    }

    // One pass over what is due, serving the worker's messages meanwhile.
    bool runPass(DWORD limitMs = 60000)
    {
        passEnded = false;
        worker.wake();
        DWORD start = GetTickCount();
        while (!passEnded && GetTickCount() - start < limitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        return passEnded;
    }
};

// A renderer that renders nothing: it says which path and turn it was given. On
// the first picture it changes the list as the test says, and lets the picture
// after it be rendered ahead (where a second core does that) before it returns;
// the third is claimed by then, but rendered from what it was when claimed.
WorkerSink *changing = nullptr;
std::string changeKind;
std::atomic<int> secondRendered(0);

int turnReportingRender(const char *path, int, int rotation, HICON *icon, std::string *detail, bool)
{
    *icon = nullptr;
    std::string name = strrchr(path, '\\') + 1;
    if (name == "p1.jpg")
        secondRendered++;
    if (name == "p0.jpg" && changing && !changeKind.empty()) {
        if (changeKind == "turn")
            changing->list.turn(1, TurnCommand::RotateRight);
        else if (changeKind == "turn third")
            changing->list.turn(2, TurnCommand::RotateRight);
        else if (changeKind == "remove")
            changing->list.removeAt(1);
        for (int i = 0; i < 100 && secondRendered == 0; ++i)
            Sleep(20);
    }
    *detail = name + " " + std::to_string(rotation);
    return kThumbnailUnreadable;
}

}  // namespace

// What is shown for each picture is rendered from its state when it is shown,
// even when the picture after the current one was rendered ahead and then changed.
TEST(ThumbnailWorkerPass, EachPictureIsShownOnceInListOrderFromItsCurrentState)
{
    struct Case {
        const char *change;
        std::vector<std::string> shown;
    } cases[] = {
        {"", {"0 p0.jpg 0", "1 p1.jpg 0", "2 p2.jpg 0", "3 p3.jpg 0", "4 p4.jpg 0"}},
        {"turn", {"0 p0.jpg 0", "1 p1.jpg 90", "2 p2.jpg 0", "3 p3.jpg 0", "4 p4.jpg 0"}},
        {"turn third", {"0 p0.jpg 0", "1 p1.jpg 0", "2 p2.jpg 90", "3 p3.jpg 0", "4 p4.jpg 0"}},
        {"remove", {"0 p0.jpg 0", "1 p2.jpg 0", "2 p3.jpg 0", "3 p4.jpg 0"}},
    };
    for (const Case &c : cases) {
        WorkerSink &sink = *new WorkerSink(turnReportingRender);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(sink.list.append("C:\\velmora-pass\\p" + std::to_string(i) + ".jpg", ""));
        changing = &sink;
        changeKind = c.change;
        secondRendered = 0;
        ASSERT_TRUE(sink.runPass()) << c.change;
        changing = nullptr;
        EXPECT_EQ(sink.taken, c.shown) << c.change;
    }
}

// Throughput (run by bench/thumbnail_bench.sh, not by ctest) -------------------------

TEST(ThumbnailBench, DISABLED_RenderPhotos)
{
    std::string folder = samplePath("photos");
    WorkerSink &sink = *new WorkerSink(nullptr);  // makeThumbnail, as the picture list renders
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.jpg").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
        sink.list.append(folder + "\\" + fd.cFileName, "");
    while (FindNextFileA(h, &fd));
    FindClose(h);

    // Whole passes over the list, as when thumbnails are switched on again.
    const char *env = getenv("THUMB_BENCH_COUNT");
    int count = env ? atoi(env) : 204;
    int passes = (count + sink.list.count() - 1) / sink.list.count();
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int p = 0; p < passes; ++p) {
        for (int i = 0; i < sink.list.count(); ++i)
            sink.list.markStale(i);
        ASSERT_TRUE(sink.runPass(600000));
    }
    QueryPerformanceCounter(&t1);
    double seconds = (double)(t1.QuadPart - t0.QuadPart) / freq.QuadPart;
    int pictures = passes * sink.list.count();
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    printf("BENCH thumbnail_worker pictures=%d shown=%d cores=%lu seconds=%.3f per_second=%.2f\n", pictures,
           (int)sink.taken.size(), (unsigned long)system.dwNumberOfProcessors, seconds, pictures / seconds);
    EXPECT_EQ((int)sink.taken.size(), pictures);
}
