// The checked picture read and everything that reads pictures through it, on
// files that ImageMagick decodes with an error, that claim a huge size, or that
// carry large camera-data blocks.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <functional>

#include "core/batch_loops.h"
#include "core/pipeline.h"
#include "core/resize_geometry.h"
#include "imaging/magick_env.h"
#include "imaging/picture_read.h"
#include "input/header_sniff.h"
#include "input/thumbnail_render.h"
#include "core/watermark_render.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

// A CMYK TIFF in 64 x 64 tiles of JPEG data: ImageMagick 6 reports "Can not
// read scanlines from a tiled image" and still hands back an all-black picture.
std::string makeCmykTiledTiff(const ScratchFolder &dir)
{
    std::string path = dir / "cmyk_tiles.tif";
    MagickWand *w = readPicture(samplePath("photos/mate_Storm.jpg"));
    EXPECT_TRUE(w);
    if (!w)
        return path;
    MagickResizeImage(w, 200, 150, LanczosFilter, 1.0);
    MagickTransformImageColorspace(w, CMYKColorspace);
    MagickSetCompression(w, JPEGCompression);
    MagickSetOption(w, "tiff:tile-geometry", "64x64");
    MagickSetImageFormat(w, "TIFF");
    EXPECT_TRUE(MagickWriteImage(w, magickWritePath(path).c_str()));
    DestroyMagickWand(w);
    return path;
}

// A copy of a sample JPEG whose frame header claims width x height.
std::string makeSizeClaimingJpeg(const ScratchFolder &dir, const char *sample, const char *name, int width,
                                 int height)
{
    std::string bytes = readFileBytes(samplePath(sample));
    size_t at = 2;
    while (at + 9 < bytes.size() && (unsigned char)bytes[at] == 0xFF) {
        unsigned char marker = (unsigned char)bytes[at + 1];
        size_t length = ((unsigned char)bytes[at + 2] << 8) | (unsigned char)bytes[at + 3];
        if (marker == 0xC0 || marker == 0xC2) {
            bytes[at + 5] = (char)(height >> 8);
            bytes[at + 6] = (char)(height & 0xFF);
            bytes[at + 7] = (char)(width >> 8);
            bytes[at + 8] = (char)(width & 0xFF);
            break;
        }
        at += 2 + length;
    }
    std::string path = dir / name;
    EXPECT_TRUE(writeFileBytes(path, bytes));
    return path;
}

bool readFails(const std::string &path, const std::string &expectedReason)
{
    std::string reason;
    MagickWand *w = readCheckedPicture(path, reason);
    if (w)
        DestroyMagickWand(w);
    EXPECT_NE(reason.find(expectedReason), std::string::npos) << gbkToUtf8(reason);
    return !w;
}

}  // namespace

TEST(CheckedRead, ADecodeErrorFailsEveryReaderAWarningFailsNone)
{
    ScratchFolder dir("checked_read");
    const std::string tiled = makeCmykTiledTiff(dir);
    const std::string truncated = samplePath("broken/vips_truncated.jpg");  // "premature end": a warning
    ProcessSettings s;
    struct Reader {
        const char *name;
        std::function<bool(const std::string &path, std::string &reason)> reads;
    } readers[] = {
        {"checked read",
         [](const std::string &p, std::string &why) {
             MagickWand *w = readCheckedPicture(p, why);
             if (w)
                 DestroyMagickWand(w);
             return w != nullptr;
         }},
        {"pipeline",
         [&](const std::string &p, std::string &why) {
             PictureOutcome o = runPipeline(s, p, dir / "out.jpg");
             why = o.message;
             return o.result == PictureResult::Written;
         }},
        {"thumbnail",
         [](const std::string &p, std::string &) {
             MagickWand *canvas = nullptr;
             int result = renderThumbnail(p.c_str(), 0, 0, &canvas);
             if (canvas)
                 DestroyMagickWand(canvas);
             return result == kThumbnailRendered;
         }},
        {"describe",
         [](const std::string &p, std::string &why) {
             char text[kPictureDescriptionSize];
             return describePictureWithMagick(p.c_str(), text, &why);
         }},
        {"watermark picture",
         [](const std::string &p, std::string &why) {
             ProcessSettings mark;
             mark.bSYImage = 1;
             mark.sy_image = p;
             MagickWand *w = nullptr;
             bool built = buildPictureWatermark(mark, &w, why);
             if (w)
                 DestroyMagickWand(w);
             return built && w != nullptr;
         }},
    };
    for (const Reader &r : readers) {
        std::string why;
        EXPECT_FALSE(r.reads(tiled, why)) << r.name;
        if (std::string(r.name) != "thumbnail") {
            EXPECT_NE(why.find("Can not read scanlines from a tiled image"), std::string::npos)
                << r.name << ": " << gbkToUtf8(why);
        }
        why.clear();
        EXPECT_TRUE(r.reads(truncated, why)) << r.name << ": " << gbkToUtf8(why);
    }
    EXPECT_EQ(runPipeline(s, tiled, dir / "out.jpg").message.find("图片读取失败:\r\n" + tiled + "\r\n原因："), 0u);

    // Over the originals: the picture that does not decode stays as it was.
    std::string before = readFileBytes(tiled);
    PipelineInputs inputs;
    inputs.settings = &s;
    BatchItem item;
    item.path = tiled;
    std::vector<BatchItem> items = {item};
    std::vector<std::string> log;
    BatchReport report;
    report.logLine = [&](const std::string &text) { log.push_back(text); };
    BatchSummary summary = overwriteLoop(inputs, items, report);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_TRUE(readFileBytes(tiled) == before) << "the original was replaced";
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("tiled image"), std::string::npos) << gbkToUtf8(log[0]);
}

TEST(CheckedRead, EveryFailureNamesItsReason)
{
    ScratchFolder dir("checked_reasons");
    // An SVG under a JPEG's name naming a file of this folder: ImageMagick's
    // renderer would open that file; the policy refuses SVG before any of it runs.
    ASSERT_TRUE(writeFileBytes(dir / "secret.png", readFileBytes(samplePath("formats/png/go_basn3p08_trns.png"))));
    ASSERT_TRUE(writeFileBytes(dir / "drawing.jpg",
                               "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                               "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"40\" height=\"40\">\n"
                               "<image xlink:href=\"" + magickPath(dir / "secret.png") +
                                   "\" width=\"20\" height=\"20\"/>\n</svg>\n"));
    struct Case {
        std::string path;
        const char *reason;
    } cases[] = {
        {samplePath("broken/zero_bytes.jpg"), "文件是空的"},
        {samplePath("broken/text_renamed.jpg"), "Not a JPEG file"},
        {samplePath("formats/jpeg/ljt_testorig12_12bit.jpg"), "precision 12"},
        {samplePath("broken/vips_truncated.gif"), "corrupt image"},
        {samplePath("broken/go_invalid-crc32.png"), "文件已损坏"},
        {samplePath("broken/gdkpixbuf_issue205_claims_64250px.jpg"), "64250 x 64250"},
        {dir / "missing.jpg", ""},  // the system's own words
        {dir.path(), ""},
        {dir / "drawing.jpg", "出于安全考虑不读取 SVG 格式的文件"},
        // Opened by its name, "aux.png" is the AUX device (it reads as empty).
        {dir / "aux.png", "文件名 aux.png 是 Windows 保留的设备名 (AUX)"},
    };
    for (const Case &c : cases) {
        std::string reason;
        MagickWand *w = readCheckedPicture(c.path, reason);
        EXPECT_EQ(w, nullptr) << c.path;
        EXPECT_FALSE(reason.empty()) << c.path;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.path << ": " << gbkToUtf8(reason);
    }
}

TEST(CheckedRead, AnAnimatedPngIsTakenForTheAnimationItIs)
{
    // ImageMagick decodes an APNG as its first frame: only its acTL chunk tells
    // that 20 frames would be lost. The runs refuse it as an animated GIF.
    const std::string apng = samplePath("formats/png/mimetype_apng.png");
    PictureFile file;
    std::string reason;
    ASSERT_TRUE(readPictureFile(apng, file, reason)) << gbkToUtf8(reason);
    EXPECT_EQ(animationText(file), "PNG 动画 (共 20 帧)");
    EXPECT_EQ(file.frames, 20u);
    MagickWand *canvas = nullptr;
    EXPECT_EQ(renderThumbnail(apng.c_str(), 0, 0, &canvas), kThumbnailAnimated);
}

TEST(CheckedRead, AFileClaimingAHugeSizeCostsNothing)
{
    ScratchFolder dir("checked_bomb");
    // A few kilobytes that claim 22500 x 33300 pixels (6 GB of pixels).
    const std::string baseline = makeSizeClaimingJpeg(dir, "photos/mate_Storm.jpg", "baseline.jpg", 22500, 33300);
    const std::string progressive =
        makeSizeClaimingJpeg(dir, "meta/vips_rotation_orient1.jpg", "progressive.jpg", 22500, 33300);
    PictureFile file;
    std::string reason;
    ASSERT_TRUE(readPictureFile(baseline, file, reason)) << gbkToUtf8(reason);
    EXPECT_EQ(file.width, 22500u);
    EXPECT_EQ(file.height, 33300u);
    EXPECT_FALSE(file.progressiveJpeg);
    EXPECT_TRUE(readFails(baseline, "图片尺寸 22500 x 33300 像素"));
    EXPECT_TRUE(readFails(progressive, "图片尺寸 22500 x 33300 像素"));

    // The limits come from the shipped policy.
    PictureLimits limits = currentPictureLimits();
    EXPECT_EQ(limits.maxPixels, 256000000ull);
    EXPECT_EQ(limits.maxWidth, 64000ull);
    EXPECT_EQ(MagickGetResourceLimit(MapResource), 0ull);
    EXPECT_LE(MagickGetResourceLimit(DiskResource), 4ull << 30);
    EXPECT_NE(imageMagickCacheFolder().find("velmora-cache"), std::string::npos);

    // The pipeline: refused when the picture would be decoded whole ...
    ProcessSettings s;
    PictureOutcome o = runPipeline(s, baseline, dir / "whole.jpg");
    EXPECT_EQ(o.result, PictureResult::Failed);
    EXPECT_NE(o.message.find("22500 x 33300"), std::string::npos) << gbkToUtf8(o.message);
    EXPECT_FALSE(pathExists(dir / "whole.jpg"));
    // ... processed at 1/8 scale when the output is 750 wide: libjpeg decodes a
    // baseline JPEG scaled; a progressive one holds every coefficient at any scale.
    s.bSize = 1;
    s.sizeValue = 750;
    o = runPipeline(s, baseline, dir / "small.jpg");
    ASSERT_EQ(o.result, PictureResult::Written) << gbkToUtf8(o.message);
    PictureInfo shrunk = readPictureBack(dir / "small.jpg");
    EXPECT_EQ(shrunk.width, 750u);
    EXPECT_EQ(shrunk.height, 1110u);
    o = runPipeline(s, progressive, dir / "progressive_small.jpg");
    EXPECT_EQ(o.result, PictureResult::Failed);
    EXPECT_NE(o.message.find("22500 x 33300"), std::string::npos);
    // The thumbnail of the baseline one comes from a 1/8 decode too.
    MagickWand *canvas = nullptr;
    EXPECT_EQ(renderThumbnail(baseline.c_str(), 0, 0, &canvas), kThumbnailRendered);
    if (canvas)
        DestroyMagickWand(canvas);
}

TEST(CheckedRead, SizeHintGivesTheSameSizeAsAFullDecode)
{
    // Photos shrunk to 750 wide are decoded at a fraction of their size (a
    // 4352 x 2448 one at 4/8, a 3088 x 2056 one at 6/8), turned or not; the
    // result has the size and (nearly) the pixels of a full decode.
    ScratchFolder dir("checked_hint");
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 750;
    s.bQuanlity = 1;
    s.quanlity = 100;  // a detailed photo's own compression noise would hide the decode's
    ResizePlan hint = jpegDecodeHint(s, 4352, 2448, 0);
    ASSERT_TRUE(hint.resize);
    EXPECT_EQ(hint.width, 1875);  // 2.5 x 750 x 422, rounded up
    EXPECT_EQ(hint.height, 1055);
    struct Case {
        const char *photo;
        int rotation;
        size_t width, height;
        double mostDifference;  // on the detailed one, quality 100 alone accounts for most of it
    } cases[] = {
        {"photos/lomiri_Bridge.jpg", 0, 750, 422, 1.0},
        {"photos/lomiri_Bridge.jpg", 90, 750, 1333, 1.0},
        {"photos/lomiri_life.jpg", 0, 750, 499, 2.0},
        {"photos/lomiri_life.jpg", 90, 750, 1126, 2.0},
    };
    for (const Case &c : cases) {
        const std::string photo = samplePath(c.photo);
        const std::string what = std::string(c.photo) + " " + std::to_string(c.rotation);
        std::string target = dir / formatText("r%d.jpg", c.rotation);
        PictureOutcome o = runPipeline(s, photo, target, 0, c.rotation);
        ASSERT_EQ(o.result, PictureResult::Written) << gbkToUtf8(o.message);
        MagickWand *ours = readPicture(target);
        MagickWand *full = readPicture(photo);
        ASSERT_TRUE(ours && full);
        if (c.rotation) {
            PixelWand *none = NewPixelWand();
            MagickRotateImage(full, none, c.rotation);
            DestroyPixelWand(none);
        }
        MagickResizeImage(full, c.width, c.height, LanczosFilter, 1.0);
        EXPECT_EQ(MagickGetImageWidth(ours), c.width) << what;
        EXPECT_EQ(MagickGetImageHeight(ours), c.height) << what;
        EXPECT_LT(meanDifference(ours, full), c.mostDifference) << what;
        DestroyMagickWand(ours);
        DestroyMagickWand(full);
    }
    // No hint where a step before the resize needs every pixel, or where 6/8,
    // the largest scale below the whole that libjpeg is asked for, would keep
    // less than 2.5 times the resized size (2498 wide to 750: 1874 of 1875).
    ProcessSettings resample = s;
    resample.bDpi = 1;
    resample.dpi = 300;
    resample.bDpiResample = 1;
    EXPECT_FALSE(jpegDecodeHint(resample, 4352, 2448, 0).resize);
    EXPECT_FALSE(jpegDecodeHint(s, 4352, 2448, 45).resize);
    EXPECT_FALSE(jpegDecodeHint(s, 1400, 1000, 0).resize);
    EXPECT_TRUE(jpegDecodeHint(s, 3088, 2056, 0).resize);
    EXPECT_TRUE(jpegDecodeHint(s, 2499, 1600, 0).resize);
    EXPECT_FALSE(jpegDecodeHint(s, 2498, 1600, 0).resize);
    ProcessSettings enlarge = s;
    enlarge.zoomUnit = 1;
    enlarge.fSizeValue = 999.99f;
    EXPECT_FALSE(jpegDecodeHint(enlarge, 2000, 1000, 0).resize);
}

namespace {

double psnr(MagickWand *a, MagickWand *b)
{
    double distortion = 0.0;
    MagickWand *d = MagickCompareImages(a, b, PeakSignalToNoiseRatioMetric, &distortion);
    if (d)
        DestroyMagickWand(d);
    return distortion == 0.0 ? 1000.0 : distortion;  // identical pictures
}

// A JPEG written from a sample photo in another form (grey, CMYK, baseline, cut short).
std::string jpegVariant(const ScratchFolder &dir, const std::string &name, const char *photo,
                        const std::function<void(MagickWand *)> &change, size_t keepBytes = 0)
{
    std::string path = dir / name;
    MagickWand *w = readPicture(samplePath(photo));
    EXPECT_TRUE(w);
    change(w);
    MagickSetImageFormat(w, "JPEG");
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(w, &length);
    std::string bytes((const char *)blob, keepBytes ? keepBytes * length / 100 : length);
    MagickRelinquishMemory(blob);
    DestroyMagickWand(w);
    writeFileBytes(path, bytes);
    return path;
}

}  // namespace

TEST(CheckedRead, JpegReducedWhileDecodedMatchesImageMagicksResize)
{
    // The reduction fed row by row from the decoder gives ImageMagick's Lanczos
    // pixels for every kind of JPEG it takes; what it cannot take (CMYK) comes
    // back whole for the resize step; ImageMagick's count of memory in use is
    // where it was, however many pictures went through.
    ScratchFolder dir("reduced_jpeg");
    auto same = [](MagickWand *) {};
    struct Case {
        std::string path;
        size_t width, height;
        DecodeHint hint;
        bool reduced;
        double leastPsnr;
    } cases[] = {
        {samplePath("photos/lomiri_Bridge.jpg"), 750, 422, {}, true, 60},  // progressive 4:2:2
        {samplePath("photos/mate_Garden.jpg"), 333, 208, {}, true, 60},    // baseline 4:2:0, odd factor
        {samplePath("photos/lomiri_Bridge.jpg"), 750, 422, {1875, 1055}, true, 45},  // libjpeg halves first
        {samplePath("photos/lomiri_Picture_0B.jpg"), 750, 507, {1875, 1268}, true, 45},  // 6/8 first
        {samplePath("photos/lomiri_Wine.jpg"), 1000, 3837, {}, true, 60},  // narrower only
        {jpegVariant(dir, "grey.jpg", "photos/mate_Storm.jpg",
                     [](MagickWand *w) { MagickTransformImageColorspace(w, GRAYColorspace); }),
         500, 333, {}, true, 60},
        {jpegVariant(dir, "cut.jpg", "photos/mate_Wood.jpg", same, 60), 640, 480, {}, true, 50},
        {jpegVariant(dir, "cmyk.jpg", "photos/mate_Storm.jpg",
                     [](MagickWand *w) { MagickTransformImageColorspace(w, CMYKColorspace); }),
         500, 333, {}, false, 1000},
    };
    const MagickSizeType memoryBefore = GetMagickResource(MemoryResource);
    for (int round = 0; round < 3; ++round) {
        for (const Case &c : cases) {
            PictureFile file;
            std::string reason;
            ASSERT_TRUE(readPictureFile(c.path, file, reason)) << c.path << " " << gbkToUtf8(reason);
            MagickWand *ours = decodeReducedJpeg(file, c.hint, c.width, c.height, reason);
            ASSERT_TRUE(ours) << c.path << " " << gbkToUtf8(reason);
            EXPECT_EQ(MagickGetImageWidth(ours), c.reduced ? c.width : file.width) << c.path;
            EXPECT_EQ(MagickGetImageHeight(ours), c.reduced ? c.height : file.height) << c.path;
            if (round == 0) {
                MagickWand *theirs = decodePictureFile(file, DecodeHint(), reason);
                ASSERT_TRUE(theirs);
                if (c.reduced)
                    MagickResizeImage(theirs, c.width, c.height, LanczosFilter, 1.0);
                EXPECT_GE(psnr(ours, theirs), c.leastPsnr) << c.path;
                EXPECT_EQ(MagickGetImageColorspace(ours), MagickGetImageColorspace(theirs)) << c.path;
                DestroyMagickWand(theirs);
            }
            DestroyMagickWand(ours);
        }
    }
    EXPECT_EQ(GetMagickResource(MemoryResource), memoryBefore);

    // The sizes the pipeline asks for: the resize step's, in the stored
    // orientation, and only for a picture that gets smaller.
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 750;
    ProcessSettings resample = s;
    resample.bDpi = 1;
    resample.dpi = 300;
    resample.bDpiResample = 1;
    ProcessSettings narrower = s;  // the width only, out of proportion
    narrower.bZoomSameScale = 0;
    struct Plan {
        const ProcessSettings *settings;
        int width, height, rotation;
        bool resize;
        int toWidth, toHeight;
    } plans[] = {
        {&s, 3088, 2056, 0, true, 750, 499},   {&s, 3088, 2056, 90, true, 1126, 750},
        {&s, 3088, 2056, 270, true, 1126, 750}, {&s, 3088, 2056, 45, false, 0, 0},
        {&resample, 3088, 2056, 0, false, 0, 0}, {&s, 750, 499, 0, false, 0, 0},
        {&s, 600, 400, 0, false, 0, 0},         {&narrower, 1000, 1000, 90, true, 1000, 750},
    };
    for (const Plan &p : plans) {
        ResizePlan plan = jpegReducePlan(*p.settings, p.width, p.height, p.rotation);
        EXPECT_EQ(plan.resize, p.resize) << p.width << "x" << p.height << " " << p.rotation;
        if (plan.resize && p.resize) {
            EXPECT_EQ(plan.width, p.toWidth) << p.width << "x" << p.height << " " << p.rotation;
            EXPECT_EQ(plan.height, p.toHeight) << p.width << "x" << p.height << " " << p.rotation;
        }
    }
}
