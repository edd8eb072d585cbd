// The watermark pictures built from the settings (real ImageMagick drawing with
// the program's font tables) and stamped on real pictures by the pipeline.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <algorithm>
#include <cmath>

#include "core/watermark_render.h"
#include "app/font_tables.h"
#include "app/startup.h"
#include "input/file_helpers.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

struct Mark {
    MagickWand *wand = nullptr;
    Mark() = default;
    Mark(const Mark &) = delete;
    Mark &operator=(const Mark &) = delete;
    ~Mark()
    {
        if (wand)
            DestroyMagickWand(wand);
    }
    int width() const { return wand ? (int)MagickGetImageWidth(wand) : 0; }
    int height() const { return wand ? (int)MagickGetImageHeight(wand) : 0; }
};

ProcessSettings textSettings(const char *text, const char *face = "宋体")
{
    ProcessSettings s;
    s.bSYText = 1;
    s.sy_text = text;
    s.sy_text_fontName = face;
    s.sy_text_fontSize = 20;
    s.sy_text_htmlColor = "#ffffff";
    return s;
}

bool buildText(const ProcessSettings &s, Mark &m, int dpi = 96)
{
    loadFontTablesOnce();
    return buildTextWatermark(s, dpi, selectWatermarkFont, &m.wand);
}

// Share of pixels that are at least half opaque (the ink of a text on a clear canvas).
double inkShare(MagickWand *w)
{
    MagickWand *alpha = CloneMagickWand(w);
    MagickSetImageAlphaChannel(alpha, ExtractAlphaChannel);
    MagickThresholdImage(alpha, QuantumRange / 2.0);
    double share = meanLevel(alpha) / 255.0;
    DestroyMagickWand(alpha);
    return share;
}

const int kBlue = 0xFF0000;  // 0x00BBGGRR
const int kRed = 0x0000FF;

}  // namespace

TEST(TextWatermark, BoxFrameAndRoundedCorners)
{
    Mark bare;
    ASSERT_TRUE(buildText(textSettings("ABC"), bare));
    ASSERT_TRUE(bare.wand);
    // Only the text on a clear canvas.
    EXPECT_EQ(alphaAt(bare.wand, 0, 0), 0.0);
    EXPECT_EQ(alphaAt(bare.wand, bare.width() - 1, bare.height() - 1), 0.0);
    EXPECT_GT(inkShare(bare.wand), 0.05);
    EXPECT_LT(inkShare(bare.wand), 0.6);

    struct Case {
        int frame, radius, padding;
        bool cornerClear;   // the top-left pixel stays transparent (rounded corner)
        int frameInside;    // a column well inside the frame's visible width
        int backgroundFrom; // the first column that shows the background
    } cases[] = {
        {4, 0, 5, false, 2, 4},   // stroke 6.5 along the edge: about 3.25 px of frame inside
        {4, 10, 5, true, 1, 5},   // rounded rectangle (2,2)-(w-3,h-3), stroke 4
        {2, 8, 3, true, 1, 4},    // background + frame + radius 8
        {0, 0, 0, false, -1, 0},  // background only
    };
    for (const Case &c : cases) {
        ProcessSettings s = textSettings("ABC");
        s.sy_text_background_color = kBlue;
        s.sy_text_border_color = kRed;
        s.sy_text_border_size = c.frame;
        s.sy_text_border_corner_radius = c.radius;
        s.sy_text_padding_left_right = c.padding;
        s.sy_text_padding_top_bottom = c.padding;
        Mark m;
        ASSERT_TRUE(buildText(s, m));
        std::string name = formatText("frame %d radius %d", c.frame, c.radius);
        // Frame and fill widen the box on both sides.
        EXPECT_EQ(m.width(), bare.width() + 2 * c.frame + 2 * c.padding) << name;
        EXPECT_EQ(m.height(), bare.height() + 2 * c.frame + 2 * c.padding) << name;
        int middle = m.height() / 2;
        if (c.cornerClear)
            EXPECT_LT(alphaAt(m.wand, 0, 0), 0.05) << name;
        else
            EXPECT_GT(alphaAt(m.wand, 0, 0), 0.95) << name;
        if (c.frameInside >= 0) {
            EXPECT_TRUE(nearColour(pixelAt(m.wand, c.frameInside, middle), 255, 0, 0, 40))
                << name << " " << describe(pixelAt(m.wand, c.frameInside, middle));
            EXPECT_TRUE(nearColour(pixelAt(m.wand, m.width() - 1 - c.frameInside, middle), 255, 0, 0, 40)) << name;
        }
        EXPECT_TRUE(nearColour(pixelAt(m.wand, c.backgroundFrom, middle), 0, 0, 255, 40))
            << name << " " << describe(pixelAt(m.wand, c.backgroundFrom, middle));
        EXPECT_GT(alphaAt(m.wand, c.backgroundFrom, middle), 0.95) << name;
    }
}

TEST(TextWatermark, SizeOpacityRotationAndStyles)
{
    // 26 points on a 96-DPI screen are 34 pixels: the same box as 34 points at 72 DPI.
    ProcessSettings s = textSettings("ABC");
    s.sy_text_fontSize = 26;
    Mark at96, at72, at144;
    ASSERT_TRUE(buildText(s, at96, 96));
    s.sy_text_fontSize = 34;
    ASSERT_TRUE(buildText(s, at72, 72));
    s.sy_text_fontSize = 26;
    ASSERT_TRUE(buildText(s, at144, 144));
    EXPECT_EQ(at96.width(), at72.width());
    EXPECT_EQ(at96.height(), at72.height());
    EXPECT_GT(at144.height(), at96.height() * 3 / 2 - 2);

    // Opacity 50 makes the box half transparent, 100 leaves it opaque.
    s.sy_text_background_color = kBlue;
    for (int opacity : {50, 100}) {
        s.sy_text_opacity = opacity;
        Mark m;
        ASSERT_TRUE(buildText(s, m));
        EXPECT_NEAR(alphaAt(m.wand, 1, 1), opacity / 100.0, 0.02) << opacity;
    }

    // Turned by 45 degrees: a larger picture whose corners stay transparent.
    s.sy_text_opacity = 100;
    Mark straight, turned;
    ASSERT_TRUE(buildText(s, straight));
    s.sy_text_rotate = 45;
    ASSERT_TRUE(buildText(s, turned));
    double side = (straight.width() + straight.height()) * std::sqrt(0.5);
    EXPECT_NEAR(turned.width(), side, 4.0);
    EXPECT_NEAR(turned.height(), side, 4.0);
    for (int corner = 0; corner < 4; ++corner) {
        int x = corner & 1 ? turned.width() - 1 : 0, y = corner & 2 ? turned.height() - 1 : 0;
        EXPECT_EQ(alphaAt(turned.wand, x, y), 0.0) << corner;
    }
    EXPECT_GT(alphaAt(turned.wand, turned.width() / 2, turned.height() / 2), 0.95);

    // Bold, italic, underline and strike-through each change what is drawn.
    ProcessSettings plain = textSettings("Abc", "DejaVu Sans");
    Mark regular;
    ASSERT_TRUE(buildText(plain, regular));
    struct Style {
        const char *name;
        void (*apply)(ProcessSettings &);
        bool moreInk;
    } styles[] = {
        {"bold", [](ProcessSettings &t) { t.sy_text_weight = 700; }, true},
        {"italic", [](ProcessSettings &t) { t.sy_text_isItalic = 1; }, false},
        {"underline", [](ProcessSettings &t) { t.sy_text_isUnderlineDecoration = 1; }, true},
        {"strike", [](ProcessSettings &t) { t.sy_text_isLineThroughDecoration = 1; }, true},
    };
    for (const Style &style : styles) {
        ProcessSettings t = plain;
        style.apply(t);
        Mark m;
        ASSERT_TRUE(buildText(t, m)) << style.name;
        if (style.moreInk)
            EXPECT_GT(inkShare(m.wand), inkShare(regular.wand) * 1.1) << style.name;
        if (m.width() == regular.width() && m.height() == regular.height())
            EXPECT_GT(meanDifference(m.wand, regular.wand), 1.0) << style.name;
    }
}

TEST(TextWatermark, ChineseFacesDrawChineseAndLatinOnlyFontsDoNot)
{
    loadFontTablesOnce();
    for (const char *face : {"宋体", "新宋体", "黑体", "楷体", "仿宋", "微软雅黑", "楷体_GB2312", "仿宋_GB2312"}) {
        EXPECT_FALSE(fontFileForFace(face).empty()) << gbkToUtf8(face);
        EXPECT_TRUE(fontUsable(face, true)) << gbkToUtf8(face) << ": 中 is not wider than a";
    }
    EXPECT_TRUE(fontUsable("DejaVu Sans", false));
    EXPECT_FALSE(fontUsable("DejaVu Sans", true)) << "a Latin-only font passed the Chinese test";
    // A face known nowhere is refused, though ImageMagick would draw it in a font
    // of its own choice (with the URW fonts installed, Nimbus Sans).
    EXPECT_FALSE(fontUsable("没有这个字体", false));
    EXPECT_FALSE(fontUsable("No Such Face", false));

    // Real glyphs: two different characters give two different pictures (a font
    // without them draws the same empty box for both).
    Mark zhong, guo;
    ASSERT_TRUE(buildText(textSettings("中"), zhong));
    ASSERT_TRUE(buildText(textSettings("国"), guo));
    ASSERT_EQ(zhong.width(), guo.width());
    ASSERT_EQ(zhong.height(), guo.height());
    EXPECT_GT(meanDifference(zhong.wand, guo.wand), 5.0);
    // 中's long vertical stroke runs down near the middle.
    int inked = 0;
    for (int x = zhong.width() / 2 - 4; x <= zhong.width() / 2 + 4; ++x) {
        int column = 0;
        for (int y = 0; y < zhong.height(); ++y)
            column += alphaAt(zhong.wand, x, y) > 0.5 ? 1 : 0;
        inked = std::max(inked, column);
    }
    EXPECT_GT(inked, zhong.height() / 2);

    // An empty text builds nothing, successfully.
    Mark none;
    EXPECT_TRUE(buildText(textSettings(""), none));
    EXPECT_EQ(none.wand, nullptr);
}

// A face chosen by its look draws in a font of that look (Ming, Kai, Hei), not
// all in the sans font the prefix lends every Chinese face for the interface:
// the same text at the same size, scaled to one box, differs stroke by stroke.
TEST(TextWatermark, ChineseFacesDrawInFontsOfTheirStyle)
{
    loadFontTablesOnce();
    const char *const faces[][2] = {{"宋体", "uming.ttc"}, {"仿宋", "uming.ttc"}, {"楷体", "ukai.ttc"},
                                    {"黑体", "wqy-microhei.ttc"}, {"微软雅黑", "wqy-microhei.ttc"}};
    for (const auto &f : faces)
        EXPECT_EQ(fileNamePart(fontFileForFace(f[0])), f[1]) << gbkToUtf8(f[0]);
    const char *const drawn[] = {"宋体", "楷体", "黑体"};
    Mark glyphs[3];
    for (int i = 0; i < 3; ++i) {
        ProcessSettings s = textSettings("永和", drawn[i]);
        s.sy_text_fontSize = 48;
        ASSERT_TRUE(buildText(s, glyphs[i]));
        MagickResizeImage(glyphs[i].wand, 128, 64, LanczosFilter, 1.0);
    }
    EXPECT_GT(meanDifference(glyphs[0].wand, glyphs[2].wand), 8.0) << "宋体 and 黑体 drawn alike";
    EXPECT_GT(meanDifference(glyphs[1].wand, glyphs[2].wand), 8.0) << "楷体 and 黑体 drawn alike";
    EXPECT_GT(meanDifference(glyphs[0].wand, glyphs[1].wand), 8.0) << "宋体 and 楷体 drawn alike";
}

TEST(PictureWatermark, OpacityGoesIntoAlphaAndRotationKeepsCornersClear)
{
    ScratchFolder dir("水印_图片");
    // A logo with alpha: red inside, clear around it.
    MagickWand *logo = solid(60, 40, "none");
    DrawingWand *d = NewDrawingWand();
    PixelWand *red = NewPixelWand();
    PixelSetColor(red, "#ff0000");
    DrawSetFillColor(d, red);
    DrawRectangle(d, 10, 10, 49, 29);
    MagickDrawImage(logo, d);
    ASSERT_TRUE(MagickWriteImage(logo, magickWritePath(dir / "标志.png").c_str()));
    DestroyPixelWand(red);
    DestroyDrawingWand(d);
    DestroyMagickWand(logo);
    ASSERT_TRUE(makePicture(dir / "black.jpg", 50, 50, "#000000"));
    ASSERT_TRUE(makePicture(dir / "white.png", 100, 100, "#ffffff"));

    ProcessSettings s;
    s.bSYImage = 1;
    s.sy_image = dir / "标志.png";
    s.sy_image_opacity = 60;
    s.sy_image_w_direction = 1, s.sy_image_w_value = 0, s.sy_image_h_direction = 1, s.sy_image_h_value = 0;
    std::string reason;
    Mark png;
    ASSERT_TRUE(buildPictureWatermark(s, &png.wand, reason)) << reason;
    EXPECT_NEAR(alphaAt(png.wand, 20, 20), 0.6, 0.01);
    EXPECT_EQ(alphaAt(png.wand, 2, 2), 0.0) << "the clear parts stay clear";
    Written w;
    process(w, s, dir / "white.png", dir / "logo_out.jpg", 0, 0, nullptr, png.wand);
    ASSERT_TRUE(w.picture) << w.outcome.message;
    EXPECT_TRUE(nearColour(pixelAt(w.picture, 20, 20), 255, 102, 102, 8)) << describe(pixelAt(w.picture, 20, 20));
    EXPECT_TRUE(nearColour(pixelAt(w.picture, 3, 3), 255, 255, 255, 4));

    // A JPEG has no alpha: it becomes uniformly half transparent.
    s.sy_image = dir / "black.jpg";
    s.sy_image_opacity = 50;
    Mark jpeg;
    ASSERT_TRUE(buildPictureWatermark(s, &jpeg.wand, reason)) << reason;
    EXPECT_NEAR(alphaAt(jpeg.wand, 0, 0), 0.5, 0.01);
    EXPECT_NEAR(alphaAt(jpeg.wand, 25, 25), 0.5, 0.01);
    Written half;
    process(half, s, dir / "white.png", dir / "half_out.jpg", 0, 0, nullptr, jpeg.wand);
    ASSERT_TRUE(half.picture);
    EXPECT_TRUE(nearColour(pixelAt(half.picture, 25, 25), 128, 128, 128, 4)) << describe(pixelAt(half.picture, 25, 25));

    // Turned by 45 degrees with clear corners.
    s.sy_image_opacity = 100;
    s.sy_image_rotate = 45;
    Mark turned;
    ASSERT_TRUE(buildPictureWatermark(s, &turned.wand, reason)) << reason;
    EXPECT_GT(turned.width(), 68);
    EXPECT_EQ(alphaAt(turned.wand, 0, 0), 0.0);
    EXPECT_EQ(alphaAt(turned.wand, turned.width() - 1, turned.height() - 1), 0.0);
    EXPECT_GT(alphaAt(turned.wand, turned.width() / 2, turned.height() / 2), 0.99);

    // A CMYK logo is made RGB (its ink values are not red, green and blue).
    s.sy_image = samplePath("formats/jpeg/pillow_cmyk_noicc.jpg");
    s.sy_image_rotate = 0;
    Mark cmyk;
    ASSERT_TRUE(buildPictureWatermark(s, &cmyk.wand, reason)) << reason;
    EXPECT_EQ(MagickGetImageColorspace(cmyk.wand), sRGBColorspace);

    // No path: nothing prepared.
    s.sy_image.clear();
    Mark none;
    EXPECT_TRUE(buildPictureWatermark(s, &none.wand, reason));
    EXPECT_EQ(none.wand, nullptr);
}

TEST(PictureWatermark, BrokenHugeAndAnimatedFilesAreRefused)
{
    struct Case {
        const char *sample;
        const char *reasonPart;  // a part of the reason, or nullptr for any
    } cases[] = {
        {"broken/zero_bytes.jpg", nullptr},
        {"broken/text_renamed.jpg", nullptr},
        {"broken/go_invalid-crc32.png", nullptr},
        {"broken/vips_truncated.gif", nullptr},
        {"broken/gdkpixbuf_issue205_claims_64250px.jpg", "太大"},
        {"formats/gif/gdkpixbuf_partyanim.gif", "动画"},
        {"formats/webp/pillow_iss634_animated.webp", "动画"},
        {"no/such/file.png", nullptr},
    };
    for (const Case &c : cases) {
        std::string reason;
        MagickWand *w = readWatermarkFile(samplePath(c.sample), reason);
        EXPECT_EQ(w, nullptr) << c.sample;
        if (w)
            DestroyMagickWand(w);
        EXPECT_FALSE(reason.empty()) << c.sample;
        if (c.reasonPart)
            EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.sample << ": " << gbkToUtf8(reason);
    }
    std::string reason;
    MagickWand *still = readWatermarkFile(samplePath("formats/gif/go_video-001_single.gif"), reason);
    EXPECT_NE(still, nullptr) << gbkToUtf8(reason);
    if (still)
        DestroyMagickWand(still);
}

TEST(PipelineWatermark, NinePositionCodesWithDistances)
{
    ScratchFolder dir("水印_位置");
    ASSERT_TRUE(makePicture(dir / "white.png", 300, 200, "#ffffff"));
    ASSERT_TRUE(makePicture(dir / "mark.png", 40, 20, "#ff0000"));
    ProcessSettings s;
    s.bSYImage = 1;
    s.sy_image = dir / "mark.png";
    Mark mark;
    std::string reason;
    ASSERT_TRUE(buildPictureWatermark(s, &mark.wand, reason)) << reason;
    // Codes: 1 left/top, 0 centred, 2 right/bottom; distances 10 across, 7 down.
    const int xs[3] = {130, 10, 250}, ys[3] = {90, 7, 173};
    for (int h = 0; h < 3; ++h) {
        for (int v = 0; v < 3; ++v) {
            s.sy_image_w_direction = h, s.sy_image_w_value = 10;
            s.sy_image_h_direction = v, s.sy_image_h_value = 7;
            Written w;
            process(w, s, dir / "white.png", dir / formatText("p%d%d.jpg", h, v), 0, 0, nullptr, mark.wand);
            ASSERT_TRUE(w.picture) << w.outcome.message;
            int x = xs[h], y = ys[v];
            std::string name = formatText("codes %d/%d at %d,%d", h, v, x, y);
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x + 1, y + 1), 255, 0, 0, 30)) << name;
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x + 38, y + 18), 255, 0, 0, 30)) << name;
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x - 2, y + 10), 255, 255, 255, 30)) << name;
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x + 42, y + 10), 255, 255, 255, 30)) << name;
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x + 20, y - 2), 255, 255, 255, 30)) << name;
            EXPECT_TRUE(nearColour(pixelAt(w.picture, x + 20, y + 22), 255, 255, 255, 30)) << name;
        }
    }
}
