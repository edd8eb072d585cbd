// processPicture on real pictures: each test writes with the pipeline and reads
// the written file back with ImageMagick.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <cmath>

#include "core/pipeline.h"
#include "util/text.h"


TEST(PipelineResize, PixelAndPercentModes)
{
    ScratchFolder dir("pipe_resize");
    std::string photo = samplePath("photos/mate_Garden.jpg");  // 2560 x 1600
    ProcessSettings s;
    s.bSize = 1;

    struct Case {
        int zoomType, sizeType, zoomUnit, sizeValue;
        float percent;
        int keep;
        size_t width, height;
    } cases[] = {
        {0, 0, 0, 750, 0, 1, 750, 469},     // shrink by width, proportional
        {2, 1, 0, 400, 0, 1, 640, 400},     // by height
        {0, 0, 0, 750, 0, 0, 750, 1600},    // width only
        {1, 0, 0, 750, 0, 1, 2560, 1600},   // enlarge-only does not shrink
        {0, 0, 0, 3000, 0, 1, 2560, 1600},  // shrink-only does not enlarge
        {1, 0, 0, 3000, 0, 1, 3000, 1875},  // enlarge
        {2, 0, 1, 0, 12.5f, 1, 320, 200},   // percent, proportional
        {2, 1, 1, 0, 25.0f, 0, 2560, 400},  // percent of the height only
    };
    int n = 0;
    for (const Case &c : cases) {
        s.zoomType = c.zoomType;
        s.sizeType = c.sizeType;
        s.zoomUnit = c.zoomUnit;
        s.sizeValue = c.sizeValue;
        s.fSizeValue = c.percent;
        s.bZoomSameScale = c.keep;
        Written w;
        process(w, s, photo, dir / formatText("r%d.jpg", n++));
        ASSERT_EQ(w.outcome.result, PictureResult::Written) << w.outcome.message;
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(sizeOf(w.picture, false), c.width) << "case " << n;
        EXPECT_EQ(sizeOf(w.picture, true), c.height) << "case " << n;
    }
    {
        // 999.99 % by width of 30 x 1500: the height is capped at 9999 and the
        // width follows it (200), not the percentage (300).
        std::string tall = dir / "tall.png";
        ASSERT_TRUE(makePicture(tall, 30, 1500, "#808080"));
        s.zoomUnit = 1;
        s.sizeType = 0;
        s.fSizeValue = 999.99f;
        s.bZoomSameScale = 1;
        Written w;
        process(w, s, tall, dir / "tall.jpg");
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(sizeOf(w.picture, false), 200u);
        EXPECT_EQ(sizeOf(w.picture, true), 9999u);
    }
}

TEST(PipelineResize, MatchesTheCommandLineTool)
{
    ScratchFolder dir("pipe_resize_cli");
    std::string photo = samplePath("photos/mate_Storm.jpg");  // 1920 x 1280, quality kept
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 750;
    Written w;
    process(w, s, photo, dir / "ours.jpg");
    ASSERT_EQ(w.outcome.result, PictureResult::Written) << w.outcome.message;
    std::string theirs = dir / "theirs.jpg";
    ASSERT_TRUE(runTool(dir.path(), "/usr/bin/convert-im6.q16 " + unixPath(photo) + " -filter Lanczos -resize 750x500! " +
                        unixPath(dir.path()) + "/theirs.jpg"));
    MagickWand *reference = readPicture(theirs);
    ASSERT_TRUE(reference);
    EXPECT_EQ(MagickGetImageCompressionQuality(w.picture), MagickGetImageCompressionQuality(reference));
    EXPECT_GE(meanDifference(w.picture, reference), 0.0);
    EXPECT_LT(meanDifference(w.picture, reference), 0.5);
    DestroyMagickWand(reference);
}

TEST(PipelineGeometrySteps, RotationFlipAndBorders)
{
    ScratchFolder dir("pipe_geom");
    // 100 x 80 blue with a red 10 x 10 block in the top-left corner.
    std::string source = dir / "marked.png";
    {
        MagickWand *w = solid(100, 80, "#0000ff");
        MagickWand *block = solid(10, 10, "#ff0000");
        MagickCompositeImage(w, block, OverCompositeOp, 0, 0);
        ASSERT_TRUE(MagickWriteImage(w, unixPath(dir.path()).append("/marked.png").c_str()));
        DestroyMagickWand(block);
        DestroyMagickWand(w);
    }
    ProcessSettings s;
    {
        Written w;  // 90 degrees clockwise: the block moves to the top right.
        process(w, s, source, dir / "rot90.jpg", 0, 90);
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(sizeOf(w.picture, false), 80u);
        EXPECT_EQ(sizeOf(w.picture, true), 100u);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 75, 4), 255, 0, 0)) << describe(pixelAt(w.picture, 75, 4));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 4, 4), 0, 0, 255));
    }
    {
        Written w;  // Flip alone mirrors top to bottom.
        process(w, s, source, dir / "flip.jpg", 1, 0);
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 4, 75), 255, 0, 0)) << describe(pixelAt(w.picture, 4, 75));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 4, 4), 0, 0, 255));
    }
    {
        Written w;  // Rotation first, then the flip: 180 + flip = left-right mirror.
        process(w, s, source, dir / "rot180flip.jpg", 2, 180);
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 95, 4), 255, 0, 0)) << describe(pixelAt(w.picture, 95, 4));
    }

    s.bBorder = 1;
    s.border_size = 10;
    s.border_padding = 5;
    s.border_color = 0x0000FF;  // red in 0x00BBGGRR
    {
        Written w;  // Outside: the picture grows by 2 x (fill + border).
        process(w, s, source, dir / "outside.jpg");
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(sizeOf(w.picture, false), 130u);
        EXPECT_EQ(sizeOf(w.picture, true), 110u);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 3, 50), 255, 0, 0));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 12, 50), 255, 255, 255)) << describe(pixelAt(w.picture, 12, 50));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 17, 17), 255, 0, 0));  // the source's own red block
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 60, 60), 0, 0, 255));
    }
    s.border_location = 1;
    {
        Written w;  // Inside: same size, the outer 15 pixels replaced.
        process(w, s, source, dir / "inside.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(sizeOf(w.picture, false), 100u);
        EXPECT_EQ(sizeOf(w.picture, true), 80u);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 3, 40), 255, 0, 0));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 12, 40), 255, 255, 255));
        // The crop began at 15,15: the red block (0..9) is gone.
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 17, 17), 0, 0, 255)) << describe(pixelAt(w.picture, 17, 17));
    }
    s.border_padding = 0;
    s.border_location = 0;
    s.border_color = 0x00FF00;  // green
    {
        Written w;
        process(w, s, source, dir / "nofill.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(sizeOf(w.picture, false), 120u);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 9, 50), 0, 255, 0, 20)) << describe(pixelAt(w.picture, 9, 50));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 12, 12), 255, 0, 0));
    }
}

TEST(PipelineTone, BrightnessContrastSharpnessAndGrey)
{
    ScratchFolder dir("pipe_tone");
    std::string photo = samplePath("meta/vips_rotation_orient1.jpg");
    ProcessSettings s;
    Written plain;
    process(plain, s, photo, dir / "plain.jpg");
    ASSERT_TRUE(plain.picture) << plain.outcome.message;
    double mean = meanLevel(plain.picture), spread = spreadLevel(plain.picture);

    struct Case {
        const char *name;
        void (*set)(ProcessSettings &);
        int meanDirection, spreadDirection;  // +1 up, -1 down, 0 not checked
    } cases[] = {
        {"brighter", [](ProcessSettings &p) { p.bLight = 1, p.lightValue = 40; }, +1, 0},
        {"darker", [](ProcessSettings &p) { p.bLight = 1, p.lightValue = -40; }, -1, 0},
        {"contrast", [](ProcessSettings &p) { p.bContrast = 1, p.contrastValue = 50; }, 0, +1},
        {"flat", [](ProcessSettings &p) { p.bContrast = 1, p.contrastValue = -50; }, 0, -1},
        {"sharp", [](ProcessSettings &p) { p.bClearly = 1, p.clearlyValue = 30; }, 0, +1},
        {"blur", [](ProcessSettings &p) { p.bClearly = 1, p.clearlyValue = -30; }, 0, -1},
    };
    for (const Case &c : cases) {
        ProcessSettings t;
        c.set(t);
        Written w;
        process(w, t, photo, dir / (std::string(c.name) + ".jpg"));
        ASSERT_TRUE(w.picture) << c.name;
        if (c.meanDirection) {
            EXPECT_GT(c.meanDirection * (meanLevel(w.picture) - mean), 5.0) << c.name;
        }
        if (c.spreadDirection) {
            EXPECT_GT(c.spreadDirection * (spreadLevel(w.picture) - spread), 0.3) << c.name;
        }
    }
    // A sharpness far outside the slider acts as the slider's end (and ends).
    {
        ProcessSettings wild;
        wild.bClearly = 1;
        wild.clearlyValue = 1000000;
        ProcessSettings end;
        end.bClearly = 1;
        end.clearlyValue = 100;
        Written a, b;
        process(a, wild, photo, dir / "wild.jpg");
        process(b, end, photo, dir / "end.jpg");
        ASSERT_TRUE(a.picture && b.picture);
        EXPECT_LT(meanDifference(a.picture, b.picture), 0.01);
    }
    // Sharpness 0 and a switched-off brightness change nothing.
    s.bClearly = 1;
    s.lightValue = 80;
    Written same;
    process(same, s, photo, dir / "same.jpg");
    ASSERT_TRUE(same.picture);
    EXPECT_LT(meanDifference(same.picture, plain.picture), 0.01);

    ProcessSettings grey;
    grey.bConvertBlackToWhite = 1;
    Written g;
    process(g, grey, photo, dir / "grey.jpg");
    ASSERT_TRUE(g.picture);
    EXPECT_EQ(MagickGetImageColorspace(g.picture), GRAYColorspace);
    Rgb p = pixelAt(g.picture, 150, 200);
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.g, p.b);
}

TEST(PipelineMetadata, CameraDataRemovalKeepsTheColourProfile)
{
    ScratchFolder dir("pipe_meta");
    std::string photo = samplePath("meta/kphotoalbum_pool_olympus_icc.jpg");  // exif, icc, iptc; quality 80
    ProcessSettings s;
    Written kept;
    process(kept, s, photo, dir / "kept.jpg");
    ASSERT_TRUE(kept.picture) << kept.outcome.message;
    EXPECT_TRUE(hasProfile(kept.picture, "exif"));
    EXPECT_TRUE(hasProfile(kept.picture, "icc"));
    EXPECT_EQ(MagickGetImageCompressionQuality(kept.picture), 80u);

    s.bRemovePhotoOtherInfo = 1;
    Written removed;
    process(removed, s, photo, dir / "removed.jpg");
    ASSERT_TRUE(removed.picture);
    EXPECT_FALSE(hasProfile(removed.picture, "exif"));
    EXPECT_FALSE(hasProfile(removed.picture, "xmp"));
    EXPECT_TRUE(hasProfile(removed.picture, "icc"));
    EXPECT_TRUE(hasProfile(removed.picture, "iptc") || hasProfile(removed.picture, "8bim"));

    // A picture watermark on a source of quality 80 rebuilds it: quality 90 and
    // no profile at all, whatever the removal switch says.
    ProcessSettings w;
    w.bSYImage = 1;
    w.sy_image = "mark.png";
    MagickWand *mark = solid(20, 20, "#00ff00");
    Written rebuilt;
    process(rebuilt, w, photo, dir / "rebuilt.jpg", 0, 0, nullptr, mark);
    DestroyMagickWand(mark);
    ASSERT_TRUE(rebuilt.picture);
    EXPECT_EQ(MagickGetImageCompressionQuality(rebuilt.picture), 90u);
    EXPECT_FALSE(hasProfile(rebuilt.picture, "exif"));
    EXPECT_FALSE(hasProfile(rebuilt.picture, "icc"));

    // A text mark rebuilds whenever the quality switch is off or above 89, and
    // leaves the picture alone under a chosen quality of 80.
    ProcessSettings t;
    t.bSYText = 1;
    t.sy_text = "ABC";
    MagickWand *textMark = solid(20, 10, "#000000");
    Written textRebuilt;
    process(textRebuilt, t, photo, dir / "text_rebuilt.jpg", 0, 0, textMark, nullptr);
    ASSERT_TRUE(textRebuilt.picture);
    EXPECT_EQ(MagickGetImageCompressionQuality(textRebuilt.picture), 90u);
    EXPECT_FALSE(hasProfile(textRebuilt.picture, "icc"));
    t.bQuanlity = 1;
    t.quanlity = 80;
    Written textKept;
    process(textKept, t, photo, dir / "text_kept.jpg", 0, 0, textMark, nullptr);
    DestroyMagickWand(textMark);
    ASSERT_TRUE(textKept.picture);
    EXPECT_EQ(MagickGetImageCompressionQuality(textKept.picture), 80u);
    EXPECT_TRUE(hasProfile(textKept.picture, "icc"));
    EXPECT_TRUE(hasProfile(textKept.picture, "exif"));
}

TEST(PipelineResolution, UnitsAndResampling)
{
    ScratchFolder dir("pipe_dpi");
    ProcessSettings s;
    double x = 0, y = 0;
    {
        Written w;  // 200 pixels per centimetre become 508 per inch.
        process(w, s, samplePath("formats/jpeg/pillow_exif_200dpcm.jpg"), dir / "cm.jpg");
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(MagickGetImageUnits(w.picture), PixelsPerInchResolution);
        MagickGetImageResolution(w.picture, &x, &y);
        EXPECT_EQ(x, 508.0);
        EXPECT_EQ(y, 508.0);
    }
    std::string photo = samplePath("meta/vips_rotation_orient1.jpg");  // 308 x 410 at 72 ppi
    s.bDpi = 1;
    s.dpi = 300;
    {
        Written w;  // Without resampling only the numbers change.
        process(w, s, photo, dir / "300.jpg");
        ASSERT_TRUE(w.picture);
        MagickGetImageResolution(w.picture, &x, &y);
        EXPECT_EQ(x, 300.0);
        EXPECT_EQ(sizeOf(w.picture, false), 308u);
    }
    s.bDpiResample = 1;
    {
        Written w;  // Resampling 72 -> 300 ppi scales by 300 / 72.
        process(w, s, photo, dir / "300r.jpg");
        ASSERT_TRUE(w.picture);
        MagickGetImageResolution(w.picture, &x, &y);
        EXPECT_EQ(x, 300.0);
        EXPECT_EQ(sizeOf(w.picture, false), 1283u);
        EXPECT_EQ(sizeOf(w.picture, true), 1708u);
    }
    s.dpi = 72;
    {
        Written w;  // Already at that resolution: not resampled.
        process(w, s, photo, dir / "72r.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(sizeOf(w.picture, false), 308u);
    }
}

TEST(PipelineCompression, QualityAndMaximumFileSize)
{
    ScratchFolder dir("pipe_quality");
    std::string photo = samplePath("photos/mate_Garden.jpg");
    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 1000;
    {
        Written w;  // A JPEG keeps its own quality when none is chosen.
        process(w, s, samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), dir / "q50.jpg");
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(MagickGetImageCompressionQuality(w.picture), 50u);
    }
    {
        Written w;  // Any other source gets 94.
        process(w, s, samplePath("formats/png/imaging_flowers.png"), dir / "png.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(MagickGetImageCompressionQuality(w.picture), 94u);
    }
    s.bQuanlity = 1;
    s.quanlity = 35;
    {
        Written w;
        process(w, s, photo, dir / "q35.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_EQ(MagickGetImageCompressionQuality(w.picture), 35u);
    }
    s.qualityMode = 1;
    for (int kb : {150, 60, 25}) {
        s.maxFileSize = kb;
        std::string target = dir / formatText("max%d.jpg", kb);
        Written w;
        process(w, s, photo, target);
        ASSERT_EQ(w.outcome.result, PictureResult::Written) << w.outcome.message;
        size_t bytes = readAll(target).size();
        EXPECT_GT(bytes, 0u);
        EXPECT_LE(bytes, (size_t)kb * 1024) << kb << " KB";
        EXPECT_GT(bytes, (size_t)kb * 1024 / 3) << "the highest fitting quality is chosen";
    }
    {
        // A limit no quality can meet still ends, with the smallest file.
        s.maxFileSize = 1;
        s.sizeValue = 3000;
        s.zoomType = 2;
        std::string target = dir / "max1.jpg";
        Written w;
        process(w, s, photo, target);
        ASSERT_EQ(w.outcome.result, PictureResult::Written) << w.outcome.message;
        EXPECT_GT(readAll(target).size(), 1024u);
    }
    {
        // Maximum size 0 means: as if the quality switch were off.
        s.maxFileSize = 0;
        s.sizeValue = 1000;
        Written w;
        process(w, s, photo, dir / "max0.jpg");
        ASSERT_TRUE(w.picture);
        MagickWand *source = readPicture(photo);
        EXPECT_EQ(MagickGetImageCompressionQuality(w.picture), MagickGetImageCompressionQuality(source));
        DestroyMagickWand(source);
    }
}

TEST(PipelineTransparency, FlattensOntoWhiteOrTheDeclaredBackground)
{
    ScratchFolder dir("pipe_alpha");
    ProcessSettings s;
    struct Case {
        const char *file;
        int x, y;
        double r, g, b;
    } cases[] = {
        {"formats/png/pngsuite/ftbrn2c08.png", 0, 0, 255, 0, 0},      // bKGD red
        {"formats/png/pngsuite/ftbyn3p08.png", 0, 0, 255, 255, 0},    // bKGD yellow
        {"formats/png/pngsuite/basn6a08.png", 0, 0, 255, 255, 255},   // no bKGD: white
        {"formats/gif/pillow_transparent.gif", 0, 0, 255, 255, 255},  // GIF: always white
    };
    int n = 0;
    for (const Case &c : cases) {
        Written w;
        process(w, s, samplePath(c.file), dir / formatText("a%d.jpg", n++));
        ASSERT_TRUE(w.picture) << c.file << " " << w.outcome.message;
        EXPECT_FALSE(MagickGetImageAlphaChannel(w.picture));
        Rgb p = pixelAt(w.picture, c.x, c.y);
        EXPECT_TRUE(nearColour(p, c.r, c.g, c.b, 16)) << c.file << " " << describe(p);
    }
    {
        // A fully transparent PNG made here, without a declared background.
        std::string clear = dir / "clear.png";
        ASSERT_TRUE(makePicture(clear, 40, 30, "none"));
        Written w;
        process(w, s, clear, dir / "clear.jpg");
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 20, 15), 255, 255, 255, 3)) << describe(pixelAt(w.picture, 20, 15));
    }
}

TEST(PipelineColourspace, ConversionsWithProfiles)
{
    ScratchFolder dir("pipe_colour");
    std::string cmyk = samplePath("formats/jpeg/pillow_cmyk_noicc.jpg");
    ProcessSettings s;
    s.bColorspaceTo = 1;
    s.fromColorspace = 0;  // CMYK
    s.toColorspace = 2;    // sRGB
    s.bUseSRGB_ICC = 1;
    Written ours;
    process(ours, s, cmyk, dir / "cmyk_srgb.jpg");
    ASSERT_TRUE(ours.picture) << ours.outcome.message;
    EXPECT_EQ(MagickGetImageColorspace(ours.picture), sRGBColorspace);
    // The default CMYK profile was attached first, then the sRGB one applied:
    // the same as the command-line tool with both profiles.
    std::string icc = unixPath(samplePath("icc/default_cmyk_swop_ghostscript.icc"));
    std::string srgb = unixPath(samplePath("icc/sRGB_icc-profiles-free.icc"));
    ASSERT_TRUE(runTool(dir.path(), "/usr/bin/convert-im6.q16 " + unixPath(cmyk) + " -profile " + icc + " -profile " +
                                        srgb + " -colorspace sRGB " + unixPath(dir.path()) + "/theirs.jpg"));
    MagickWand *theirs = readPicture(dir / "theirs.jpg");
    ASSERT_TRUE(theirs);
    EXPECT_LT(meanDifference(ours.picture, theirs), 1.0);
    EXPECT_TRUE(hasProfile(ours.picture, "icc"));
    // Without profiles the plain formula conversion gives visibly other colours.
    ProcessSettings plain = s;
    plain.bUseSRGB_ICC = 0;
    Written formula;
    PipelineInputs noProfiles;
    noProfiles.settings = &plain;
    formula.outcome = processPicture(noProfiles, cmyk, dir / "formula.jpg", 0, 0);
    formula.picture = readPicture(dir / "formula.jpg");
    ASSERT_TRUE(formula.picture);
    EXPECT_FALSE(hasProfile(formula.picture, "icc"));
    EXPECT_GT(meanDifference(formula.picture, theirs), 3.0);
    DestroyMagickWand(theirs);

    // Source chooser CMYK leaves an sRGB picture alone; "all" to CMYK converts it.
    std::string photo = samplePath("meta/vips_rotation_orient1.jpg");
    s.toColorspace = 0;
    Written untouched;
    process(untouched, s, photo, dir / "untouched.jpg");
    ASSERT_TRUE(untouched.picture);
    EXPECT_EQ(MagickGetImageColorspace(untouched.picture), sRGBColorspace);
    s.fromColorspace = 3;
    Written toCmyk;
    process(toCmyk, s, photo, dir / "to_cmyk.jpg");
    ASSERT_TRUE(toCmyk.picture);
    EXPECT_EQ(MagickGetImageColorspace(toCmyk.picture), CMYKColorspace);
    // A CMYK picture to CMYK keeps its values and only gains the default profile.
    s.fromColorspace = 0;
    Written cmykKept;
    process(cmykKept, s, cmyk, dir / "cmyk_kept.jpg");
    ASSERT_TRUE(cmykKept.picture);
    EXPECT_EQ(MagickGetImageColorspace(cmykKept.picture), CMYKColorspace);
    EXPECT_TRUE(hasProfile(cmykKept.picture, "icc"));
}

TEST(PipelineWatermark, PositionCodesGreyPicturesAndOrder)
{
    ScratchFolder dir("pipe_mark");
    std::string source = dir / "blue.png";
    ASSERT_TRUE(makePicture(source, 200, 100, "#0000ff"));
    MagickWand *mark = solid(40, 20, "#ff0000");
    ProcessSettings s;
    s.bSYImage = 1;
    s.sy_image = "mark.png";

    struct Case {
        int h, hd, v, vd;
        int left, top;  // expected top-left corner of the mark
    } cases[] = {
        {2, 16, 2, 16, 144, 64},  // the default: bottom right, 16 from the edges
        {1, 5, 1, 7, 5, 7},
        {0, 99, 0, 99, 80, 40},   // centred: the distances do not count
        {1, 180, 1, 90, 180, 90}, // partly outside: clipped
    };
    int n = 0;
    for (const Case &c : cases) {
        s.sy_image_w_direction = c.h;
        s.sy_image_w_value = c.hd;
        s.sy_image_h_direction = c.v;
        s.sy_image_h_value = c.vd;
        Written w;
        process(w, s, source, dir / formatText("m%d.jpg", n++), 0, 0, nullptr, mark);
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(sizeOf(w.picture, false), 200u);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, c.left + 2, c.top + 2), 255, 0, 0, 30))
            << "case " << n << " " << describe(pixelAt(w.picture, c.left + 2, c.top + 2));
        if (c.left > 3) {
            EXPECT_TRUE(nearColour(pixelAt(w.picture, c.left - 3, c.top + 2), 0, 0, 255, 30)) << "case " << n;
        }
        if (c.top > 3) {
            EXPECT_TRUE(nearColour(pixelAt(w.picture, c.left + 2, c.top - 3), 0, 0, 255, 30)) << "case " << n;
        }
    }

    // The text mark goes over the picture mark; an absent mark or a switched-off
    // group changes nothing.
    MagickWand *text = solid(10, 10, "#00ff00");
    s.sy_image_w_direction = 1, s.sy_image_w_value = 0, s.sy_image_h_direction = 1, s.sy_image_h_value = 0;
    s.bSYText = 1;
    s.sy_text_w_direction = 1, s.sy_text_w_value = 5, s.sy_text_h_direction = 1, s.sy_text_h_value = 5;
    {
        Written w;
        process(w, s, source, dir / "both.jpg", 0, 0, text, mark);
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 9, 9), 0, 255, 0, 30)) << describe(pixelAt(w.picture, 9, 9));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 30, 15), 255, 0, 0, 30));
    }
    {
        ProcessSettings off = s;
        off.bSYImage = 0;
        off.bSYText = 0;
        Written w;
        process(w, off, source, dir / "off.jpg", 0, 0, text, mark);
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 9, 9), 0, 0, 255, 30));
    }

    // A grey picture takes a coloured mark in colour; black and white after it
    // makes everything grey again.
    std::string grey = samplePath("formats/jpeg/gdkpixbuf_cat_gray.jpg");
    ProcessSettings g;
    g.bSYText = 1;
    g.sy_text_w_direction = 1, g.sy_text_w_value = 0, g.sy_text_h_direction = 1, g.sy_text_h_value = 0;
    {
        Written w;
        process(w, g, grey, dir / "grey_mark.jpg", 0, 0, mark, nullptr);
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 20, 10), 255, 0, 0, 30)) << describe(pixelAt(w.picture, 20, 10));
    }
    g.bConvertBlackToWhite = 1;
    {
        Written w;
        process(w, g, grey, dir / "grey_bw.jpg", 0, 0, mark, nullptr);
        ASSERT_TRUE(w.picture);
        Rgb p = pixelAt(w.picture, 20, 10);
        EXPECT_EQ(p.r, p.g);
        EXPECT_EQ(p.g, p.b);
        EXPECT_LT(p.r, 120.0);  // red as grey is dark
    }
    // The border comes after the marks: a mark at 0,0 sits inside the frame.
    g.bConvertBlackToWhite = 0;
    g.bBorder = 1;
    g.border_size = 4;
    g.border_color = 0xFFFFFF;
    {
        Written w;
        process(w, g, grey, dir / "grey_border.jpg", 0, 0, mark, nullptr);
        ASSERT_TRUE(w.picture);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 1, 1), 255, 255, 255, 20));
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 8, 8), 255, 0, 0, 30)) << describe(pixelAt(w.picture, 8, 8));
    }
    // A CMYK picture keeps its colourspace and the red mark stays red.
    {
        ProcessSettings c;
        c.bSYImage = 1;
        c.sy_image = "mark.png";
        c.sy_image_w_direction = 1, c.sy_image_w_value = 0, c.sy_image_h_direction = 1, c.sy_image_h_value = 0;
        Written w;
        process(w, c, samplePath("formats/jpeg/pillow_cmyk_noicc.jpg"), dir / "cmyk_mark.jpg", 0, 0, nullptr, mark);
        ASSERT_TRUE(w.picture) << w.outcome.message;
        EXPECT_EQ(MagickGetImageColorspace(w.picture), CMYKColorspace);
        MagickTransformImageColorspace(w.picture, sRGBColorspace);
        EXPECT_TRUE(nearColour(pixelAt(w.picture, 20, 10), 255, 0, 0, 30)) << describe(pixelAt(w.picture, 20, 10));
    }
    DestroyMagickWand(text);
    DestroyMagickWand(mark);
}

TEST(PipelineWatermark, HalfTransparentMarkBlends)
{
    ScratchFolder dir("pipe_mark_alpha");
    std::string source = dir / "white.png";
    ASSERT_TRUE(makePicture(source, 100, 100, "#ffffff"));
    MagickWand *mark = solid(50, 50, "rgba(0,0,0,0.5)");
    ProcessSettings s;
    s.bSYImage = 1;
    s.sy_image = "mark.png";
    s.sy_image_w_direction = 0;
    s.sy_image_h_direction = 0;
    Written w;
    process(w, s, source, dir / "half.jpg", 0, 0, nullptr, mark);
    ASSERT_TRUE(w.picture);
    EXPECT_TRUE(nearColour(pixelAt(w.picture, 50, 50), 128, 128, 128, 10)) << describe(pixelAt(w.picture, 50, 50));
    EXPECT_TRUE(nearColour(pixelAt(w.picture, 5, 5), 255, 255, 255, 3));
    DestroyMagickWand(mark);
}
