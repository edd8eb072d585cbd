// processPicture on damaged and unusual input, and how it writes its output.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>
#include <cstring>

#include "core/pipeline.h"
#include "util/text.h"

namespace {

// "图片读取失败:\r\n<source>\r\n原因：<reason>", with a reason.
bool isReadFailure(const PictureOutcome &o, const std::string &source)
{
    const std::string head = "图片读取失败:\r\n" + source + "\r\n原因：";
    return o.result == PictureResult::Failed && o.message.compare(0, head.size(), head) == 0 &&
           o.message.size() > head.size() && o.detail == o.message.substr(head.size());
}

}  // namespace

TEST(PipelineBadInput, UnreadableFilesGiveTheReadMessageAndNoOutput)
{
    ScratchFolder dir("pipe_bad");
    ProcessSettings s;
    s.bSize = 1;
    const char *files[] = {
        "broken/zero_bytes.jpg",
        "broken/text_renamed.jpg",
        "broken/go_invalid-crc32.png",
        "broken/vips_truncated.gif",
        "broken/gdkpixbuf_issue205_claims_64250px.jpg",  // refused before any pixel memory is taken
        "formats/jpeg/ljt_testorig12_12bit.jpg",
    };
    for (const char *file : files) {
        std::string source = samplePath(file);
        PictureOutcome o = runPipeline(s, source, dir / "out.jpg");
        EXPECT_TRUE(isReadFailure(o, source)) << file << ": " << gbkToUtf8(o.message);
        EXPECT_EQ(o.picture, nullptr);
        EXPECT_FALSE(pathExists(dir / "out.jpg")) << file;
    }
    // A missing file and a folder are unreadable too.
    PictureOutcome o = runPipeline(s, dir / "missing.jpg", dir / "out.jpg");
    EXPECT_TRUE(isReadFailure(o, dir / "missing.jpg"));
    o = runPipeline(s, dir.path(), dir / "out.jpg");
    EXPECT_TRUE(isReadFailure(o, dir.path()));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(PipelineBadInput, AnimatedGifIsRefusedOtherFramesAreChosen)
{
    ScratchFolder dir("pipe_frames");
    ProcessSettings s;
    std::string anim = samplePath("formats/gif/gdkpixbuf_partyanim.gif");
    PictureOutcome o = runPipeline(s, anim, dir / "anim.jpg");
    EXPECT_EQ(o.result, PictureResult::Failed);
    EXPECT_EQ(o.message, "这是一个不受支持的图片格式:\r\n" + anim + "\r\n原因：GIF 动画 (共 45 帧)");
    EXPECT_FALSE(pathExists(dir / "anim.jpg"));

    struct Case {
        const char *file;
        size_t width, height;
    } cases[] = {
        {"formats/gif/go_video-001_single.gif", 150, 103},
        {"formats/tiff/pillow_multipage.tiff", 10, 10},     // first page
        {"formats/psd/pillow_hopper_layers.psd", 128, 128},  // merged picture
        {"formats/psd/pillow_rgba_layer.psd", 100, 100},
        {"formats/tiff/pillow_16bit_RGB.tiff", 100, 40},
        {"formats/tiff/pillow_cmyk_strip_jpeg.tif", 100, 100},
        {"formats/jpeg/pillow_cmyk_noicc.jpg", 100, 100},
        {"formats/png/pngsuite/basn6a16.png", 32, 32},
        {"formats/bmp/bmpsuite_q_rgba32_v5.bmp", 127, 64},
        {"formats/bmp/bmpsuite_pal4rle.bmp", 127, 64},
        {"formats/other/gdkpixbuf_rle32_topleft.tga", 48, 48},
        {"formats/webp/ximage_yellow_rose_lossy_alpha.webp", 400, 301},
        {"broken/vips_truncated.jpg", 290, 442},  // damaged but readable
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string target = dir / formatText("f%d.jpg", n++);
        PictureOutcome out = runPipeline(s, samplePath(c.file), target);
        ASSERT_EQ(out.result, PictureResult::Written) << c.file << ": " << out.message;
        MagickWand *w = readPicture(target);
        ASSERT_TRUE(w) << c.file;
        char *format = MagickGetImageFormat(w);
        EXPECT_STREQ(format, "JPEG") << c.file;
        MagickRelinquishMemory(format);
        EXPECT_EQ(MagickGetNumberImages(w), 1u) << c.file;
        EXPECT_EQ(MagickGetImageWidth(w), c.width) << c.file;
        EXPECT_EQ(MagickGetImageHeight(w), c.height) << c.file;
        DestroyMagickWand(w);
    }
    {
        // The merged PSD picture, not a layer: the hopper photo is not blank.
        std::string target = dir / "psd.jpg";
        ASSERT_EQ(runPipeline(s, samplePath("formats/psd/pillow_hopper_layers.psd"), target).result,
                  PictureResult::Written);
        MagickWand *w = readPicture(target);
        MagickWand *reference = readPicture(samplePath("formats/psd/pillow_hopper_layers.psd"));
        ASSERT_TRUE(w && reference);
        MagickResetIterator(reference);
        MagickNextImage(reference);
        EXPECT_LT(meanDifference(w, reference), 6.0);
        DestroyMagickWand(reference);
        DestroyMagickWand(w);
    }
}

TEST(PipelineOutput, PreviewAndHandBack)
{
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 50;
    std::string cmyk = samplePath("formats/jpeg/pillow_cmyk_noicc.jpg");
    PictureOutcome preview = runPipeline(s, cmyk, kPreviewTarget);
    ASSERT_EQ(preview.result, PictureResult::Picture) << preview.message;
    ASSERT_TRUE(preview.picture);
    EXPECT_EQ(MagickGetImageColorspace(preview.picture), RGBColorspace);
    EXPECT_EQ(MagickGetImageWidth(preview.picture), 50u);
    char *format = MagickGetImageFormat(preview.picture);
    EXPECT_STREQ(format, "JPEG");
    MagickRelinquishMemory(format);
    DestroyMagickWand(preview.picture);
    // The marker is never a file name.
    EXPECT_FALSE(pathExists("temp\\preview.jpg"));

    PictureOutcome back = runPipeline(s, cmyk, "");
    ASSERT_EQ(back.result, PictureResult::Picture);
    ASSERT_TRUE(back.picture);
    EXPECT_EQ(MagickGetImageColorspace(back.picture), CMYKColorspace);
    EXPECT_EQ(MagickGetImageWidth(back.picture), 50u);
    DestroyMagickWand(back.picture);
}

TEST(PipelineOutput, WritesThroughATemporaryFileAndNeverLosesTheOriginal)
{
    ScratchFolder dir("pipe_write");
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 64;
    std::string source = dir / "photo.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("meta/vips_rotation_orient1.jpg"), source));
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);  // the samples are read-only
    std::string original = readAll(source);

    // Overwriting the source itself: replaced by the processed picture.
    PictureOutcome o = runPipeline(s, source, source);
    ASSERT_EQ(o.result, PictureResult::Written) << o.message;
    MagickWand *w = readPicture(source);
    ASSERT_TRUE(w);
    EXPECT_EQ(MagickGetImageWidth(w), 64u);
    DestroyMagickWand(w);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"photo.jpg"});

    // A target that cannot be written: the message names ImageMagick's or the
    // system's reason and the source; nothing is left behind.
    ASSERT_TRUE(writeFileBytes(source, original));
    std::string missing = dir / "no such folder\\out.jpg";
    o = runPipeline(s, source, missing);
    EXPECT_EQ(o.result, PictureResult::Failed);
    EXPECT_EQ(o.message.rfind("图片处理后保存失败：\r\n", 0), 0u) << o.message;
    EXPECT_TRUE(endsWith(o.message, "\r\n源图片：" + source)) << o.message;
    EXPECT_FALSE(o.detail.empty());

    // A folder standing where the file should go is not replaced, and a
    // read-only original being overwritten stays as it was.
    ASSERT_TRUE(CreateDirectoryA((dir / "taken.jpg").c_str(), nullptr));
    o = runPipeline(s, source, dir / "taken.jpg");
    EXPECT_EQ(o.result, PictureResult::Failed);
    EXPECT_TRUE(pathExists(dir / "taken.jpg"));
    std::string locked = dir / "locked.jpg";
    ASSERT_TRUE(writeFileBytes(locked, original));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    o = runPipeline(s, locked, locked);
    EXPECT_EQ(o.result, PictureResult::Failed) << "a read-only file was replaced";
    EXPECT_TRUE(readAll(locked) == original);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"locked.jpg", "photo.jpg", "taken.jpg\\"}));
    EXPECT_TRUE(readAll(source) == original);
}

TEST(PipelineOutput, ChineseAndSpecialFileNames)
{
    ScratchFolder dir("处理测试");
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 40;
    // Names that ImageMagick could take for frame selections or file patterns.
    const char *names[] = {"相册 照片.jpg", "photo[1].jpg", "photo%d.jpg", "a[0]"};
    for (const char *name : names) {
        std::string source = dir / name;
        ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), source));
        std::string target = dir / (std::string("输出_") + name + ".jpg");
        PictureOutcome o = runPipeline(s, source, target);
        ASSERT_EQ(o.result, PictureResult::Written) << name << ": " << o.message;
        ASSERT_TRUE(pathExists(target)) << name;
        std::string bytes = readAll(target);
        ASSERT_GT(bytes.size(), 2u);
        EXPECT_EQ((unsigned char)bytes[0], 0xFF);
        EXPECT_EQ((unsigned char)bytes[1], 0xD8);
    }
}

TEST(PipelineOutput, AFailedStepWritesNothingAndKeepsTheOriginal)
{
    ScratchFolder dir("pipe_failstep");
    // 300 x 300 at 2 pixels per inch: resampling to 65535 ppi asks for a picture
    // no JPEG can hold, 400 ppi for 60000 x 60000 (beyond the area limit).
    std::string source = dir / "two_ppi.jpg";
    {
        MagickWand *w = NewMagickWand();
        PixelWand *c = NewPixelWand();
        PixelSetColor(c, "#336699");
        MagickNewImage(w, 300, 300, c);
        DestroyPixelWand(c);
        MagickSetImageUnits(w, PixelsPerInchResolution);
        MagickSetImageResolution(w, 2.0, 2.0);
        ASSERT_TRUE(MagickWriteImage(w, unixPath(source).c_str()));
        DestroyMagickWand(w);
    }
    std::string original = readAll(source);
    ProcessSettings s;
    s.bDpi = 1;
    s.bDpiResample = 1;
    for (int dpi : {65535, 400}) {
        s.dpi = dpi;
        PictureOutcome o = runPipeline(s, source, source);  // over the original
        EXPECT_EQ(o.result, PictureResult::Failed) << dpi;
        EXPECT_EQ(o.message.rfind("图片处理后保存失败：\r\n", 0), 0u) << o.message;
        EXPECT_FALSE(o.detail.empty()) << dpi;
        EXPECT_TRUE(readAll(source) == original) << dpi;
        // Nor is a picture handed back for the overwrite worker to write.
        o = runPipeline(s, source, "");
        EXPECT_EQ(o.result, PictureResult::Failed) << dpi;
        EXPECT_EQ(o.picture, nullptr);
    }
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"two_ppi.jpg"});
    // A mark far outside the picture is no failure: it is clipped away.
    ProcessSettings m;
    m.bSYImage = 1;
    m.sy_image = "mark.png";
    m.sy_image_w_direction = 1;
    m.sy_image_w_value = 999;
    MagickWand *mark = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, "red");
    MagickNewImage(mark, 10, 10, c);
    DestroyPixelWand(c);
    PictureOutcome o = runPipeline(m, source, dir / "clipped.jpg", 0, 0, nullptr, mark);
    DestroyMagickWand(mark);
    EXPECT_EQ(o.result, PictureResult::Written) << o.message;
}

namespace {

struct ParallelJob {
    const PipelineInputs *inputs;
    std::string source, target;
    PictureOutcome outcome;
};

DWORD WINAPI runJob(LPVOID parameter)
{
    ParallelJob *job = static_cast<ParallelJob *>(parameter);
    job->outcome = processPicture(*job->inputs, job->source, job->target, 0, 90);
    return 0;
}

}  // namespace

TEST(PipelineOutput, TwoThreadsShareTheInputsAndGetTheSamePictures)
{
    ScratchFolder dir("pipe_threads");
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 300;
    s.bSYImage = 1;
    s.sy_image = "mark.png";
    s.bBorder = 1;
    s.border_size = 3;
    MagickWand *mark = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, "rgba(255,0,0,0.5)");
    MagickNewImage(mark, 60, 30, c);
    DestroyPixelWand(c);
    PipelineInputs inputs;
    inputs.settings = &s;
    inputs.imageWatermark = mark;

    const char *photos[] = {"photos/mate_Storm.jpg", "photos/mate_Garden.jpg", "meta/vips_rotation_orient1.jpg",
                            "formats/jpeg/pillow_cmyk_noicc.jpg"};
    std::vector<ParallelJob> jobs;
    for (int round = 0; round < 2; ++round)
        for (const char *p : photos)
            jobs.push_back({&inputs, samplePath(p), dir / formatText("%d_%s", round, strrchr(p, '/') + 1)});
    // Round 0 one after the other, round 1 two at a time.
    for (size_t i = 0; i < 4; ++i)
        runJob(&jobs[i]);
    for (size_t i = 4; i < 8; i += 2) {
        HANDLE a = CreateThread(nullptr, 0, runJob, &jobs[i], 0, nullptr);
        HANDLE b = CreateThread(nullptr, 0, runJob, &jobs[i + 1], 0, nullptr);
        ASSERT_TRUE(a && b);
        WaitForSingleObject(a, INFINITE);
        WaitForSingleObject(b, INFINITE);
        CloseHandle(a);
        CloseHandle(b);
    }
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(jobs[i].outcome.result, PictureResult::Written) << jobs[i].outcome.message;
        ASSERT_EQ(jobs[i + 4].outcome.result, PictureResult::Written) << jobs[i + 4].outcome.message;
        EXPECT_TRUE(readAll(jobs[i].target) == readAll(jobs[i + 4].target)) << jobs[i].source;
    }
    DestroyMagickWand(mark);
}
