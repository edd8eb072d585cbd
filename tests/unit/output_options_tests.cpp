// The shared output block without its window: the stored values as they are read
// back, and the write step on real files.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include "util/registry_store.h"
#include "imaging/output_options.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

MagickWand *readFile(const std::string &path)
{
    MagickWand *wand = NewMagickWand();
    EXPECT_TRUE(MagickReadImage(wand, magickPath(path).c_str())) << path;
    return wand;
}

void deleteValue(const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

}  // namespace

TEST(OutputOptions, StoredValuesReadBackAsTheWindowReadsThem)
{
    struct Case {
        const char *format;  // nullptr: missing
        long quality, transparent, png8, colours;  // -1: missing
        OutputFormat wantFormat;
        int wantQuality;
        bool wantTransparent, wantPng8;
        int wantColours;
    };
    const Case cases[] = {
        {nullptr, -1, -1, -1, -1, OutputFormat::Jpg, 90, true, false, 256},  // nothing stored: the defaults
        {"PNG", 10, 0, 1, 2, OutputFormat::Png, 10, false, true, 2},
        {"png", 100, 1, 0, 256, OutputFormat::Jpg, 100, true, false, 256},  // only "PNG" itself is PNG
        {"PNG ", 9, -1, -1, 1, OutputFormat::Jpg, 90, true, false, 256},
        {"JPG", 101, -1, -1, 257, OutputFormat::Jpg, 90, true, false, 256},
        {"", 60, -1, -1, 100, OutputFormat::Jpg, 60, true, false, 100},  // a count the list lacks is kept
        {"WEBP", 75, 0, 1, 16, OutputFormat::Webp, 75, false, true, 16},
        {"webp", 75, -1, -1, -1, OutputFormat::Jpg, 75, true, false, 256},  // as "png": the exact text only
    };
    for (const Case &c : cases) {
        ValueMap v;
        if (c.format)
            v.setText("join_format", c.format);
        if (c.quality >= 0)
            v.setDword("join_quality", (DWORD)c.quality);
        if (c.transparent >= 0)
            v.setDword("join_transparent", (DWORD)c.transparent);
        if (c.png8 >= 0)
            v.setDword("join_png8", (DWORD)c.png8);
        if (c.colours >= 0)
            v.setDword("join_png8_color_count", (DWORD)c.colours);
        OutputOptions o = outputOptionsFrom(v, "join");
        SCOPED_TRACE(c.format ? c.format : "(missing)");
        EXPECT_EQ(o.format, c.wantFormat);
        EXPECT_EQ(o.quality, c.wantQuality);
        EXPECT_EQ(o.transparent, c.wantTransparent);
        EXPECT_EQ(o.png8, c.wantPng8);
        EXPECT_EQ(o.colours, c.wantColours);
        EXPECT_STREQ(o.extension(), c.wantFormat == OutputFormat::Png    ? ".png"
                                    : c.wantFormat == OutputFormat::Webp ? ".webp"
                                                                         : ".jpg");
        ValueMap back;
        putOutputOptions(back, "join", o);
        std::string stored;
        ASSERT_TRUE(back.readText("join_format", stored));
        EXPECT_EQ(stored, o.formatName());
        EXPECT_EQ(outputOptionsFrom(back, "join").format, o.format);
    }
}

// WebP output on a real transparent picture: the size kept, the alpha kept or
// flattened on white as the box says, lossless at 100 and lossy below.
TEST(OutputOptions, WebpRoundTrip)
{
    const struct {
        int quality;
        bool transparent;
        bool alphaKept, lossless;
    } cases[] = {
        {90, true, true, false},
        {90, false, false, false},
        {100, true, true, true},
        {100, false, false, true},
    };
    MagickWand *source = readFile(samplePath("formats/png/pngsuite/basn6a08.png"));
    // Its gAMA of 1.0 reads as linear RGB, which the WebP coder would turn into
    // sRGB values: taken as sRGB, the pixels go through unchanged.
    MagickSetImageColorspace(source, sRGBColorspace);
    for (const auto &c : cases) {
        SCOPED_TRACE(formatText("quality %d, transparent %d", c.quality, c.transparent));
        OutputOptions o;
        o.format = OutputFormat::Webp;
        o.quality = c.quality;
        o.transparent = c.transparent;
        o.png8 = true;  // PNG-8 has nothing to say about a WebP
        MagickWand *w = CloneMagickWand(source);
        if (o.flattens())
            ASSERT_TRUE(flattenOnWhite(w));
        MagickWand *reference = CloneMagickWand(w);
        std::string bytes, reason;
        ASSERT_TRUE(encodePicture(w, o, WriteRules(), bytes, reason)) << reason;
        DestroyMagickWand(w);
        ASSERT_GT(bytes.size(), 12u);
        EXPECT_EQ(bytes.substr(8, 4), "WEBP");
        MagickWand *back = NewMagickWand();
        ASSERT_TRUE(MagickReadImageBlob(back, bytes.data(), bytes.size()));
        EXPECT_EQ(MagickGetImageWidth(back), MagickGetImageWidth(source));
        EXPECT_EQ(MagickGetImageHeight(back), MagickGetImageHeight(source));
        PixelWand *corner = NewPixelWand();
        MagickGetImagePixelColor(back, 0, 0, corner);
        if (c.alphaKept) {
            EXPECT_LT(PixelGetAlpha(corner), 0.01);
        } else {
            EXPECT_GT(PixelGetAlpha(corner), 0.99);
            EXPECT_GT(PixelGetRed(corner) + PixelGetGreen(corner) + PixelGetBlue(corner), 2.85) << "white";
        }
        DestroyPixelWand(corner);
        // Compared as they look over white (libwebp may change the colour under
        // an almost transparent pixel, never what shows).
        if (c.alphaKept) {
            flattenOnWhite(back);
            flattenOnWhite(reference);
        }
        // The largest difference of a channel, 0..1 (8-bit rounding of the
        // 16-bit picture is half a level).
        double peak = 0;
        MagickWand *difference = MagickCompareImages(back, reference, PeakAbsoluteErrorMetric, &peak);
        if (difference)
            DestroyMagickWand(difference);
        if (c.lossless)
            EXPECT_LE(peak, (c.alphaKept ? 2.0 : 0.6) / 255.0);
        else
            EXPECT_GT(peak, 2.0 / 255.0);
        DestroyMagickWand(reference);
        DestroyMagickWand(back);
    }
    DestroyMagickWand(source);

    // A WebP holds at most 16383 pixels a side: that picture's problem, said so.
    OutputOptions webp;
    webp.format = OutputFormat::Webp;
    EXPECT_EQ(outputSizeProblem(webp, 16383, 16383), "");
    EXPECT_EQ(outputSizeProblem(webp, 16384, 10), "图片尺寸 16384 x 10 超出WEBP图片的最大尺寸 16383 像素");
    EXPECT_EQ(outputSizeProblem(OutputOptions(), 16384, 10), "");
    MagickWand *wide = NewMagickWand();
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "white");
    MagickNewImage(wide, 16384, 2, white);
    DestroyPixelWand(white);
    std::string bytes, reason;
    EXPECT_FALSE(encodePicture(wide, webp, WriteRules(), bytes, reason));
    EXPECT_EQ(reason, outputSizeProblem(webp, 16384, 2));
    DestroyMagickWand(wide);
}

TEST(OutputOptions, ColourListTextAndRegistryRoundTrip)
{
    struct Case {
        const char *text;
        bool png8;
        int want;
    };
    const Case cases[] = {{"16", true, 16}, {"16", false, 256}, {"", true, 256},   {"1", true, 256},
                          {"257", true, 256}, {"2", true, 2},   {"3", true, 3},    {"1a", true, 256}};
    for (const Case &c : cases)
        EXPECT_EQ(colourCountFromText(c.text, c.png8), c.want) << c.text << " " << c.png8;

    // A start stores what the controls say; the next opening reads the same back.
    const char *names[] = {"crop_format", "crop_quality", "crop_transparent", "crop_png8", "crop_png8_color_count"};
    OutputOptions chosen;
    chosen.format = OutputFormat::Png;
    chosen.quality = 55;
    chosen.transparent = false;
    chosen.png8 = true;
    chosen.colours = 32;
    ValueMap values;
    putOutputOptions(values, "crop", chosen);
    ASSERT_TRUE(values.storeInRegistry());
    OutputOptions back = outputOptionsFrom(RegistryValues(), "crop");
    EXPECT_EQ(back.format, OutputFormat::Png);
    EXPECT_EQ(back.quality, 55);
    EXPECT_FALSE(back.transparent);
    EXPECT_TRUE(back.png8);
    EXPECT_EQ(back.colours, 32);
    EXPECT_EQ(readProgramString("crop_format"), "PNG");
    // Without PNG-8 the stored count is 256 whatever the list said.
    chosen.png8 = false;
    putOutputOptions(values, "crop", chosen);
    ASSERT_TRUE(values.storeInRegistry());
    EXPECT_EQ(readProgramDword("crop_png8_color_count", 0), 256u);
    for (const char *name : names)
        deleteValue(name);
}

TEST(OutputOptions, ConvertToolNeverRaisesJpegQuality)
{
    ScratchFolder dir("质量");
    std::string source = dir / "q75.jpg";
    {
        MagickWand *w = readFile(samplePath("formats/png/skimage_chelsea.png"));
        MagickSetImageFormat(w, "JPEG");
        MagickSetImageCompressionQuality(w, 75);
        ASSERT_TRUE(MagickWriteImage(w, magickPath(source).c_str()));
        DestroyMagickWand(w);
    }
    struct Case {
        int slider;
        bool convertTool;
        const char *quality;
    };
    const Case cases[] = {{90, true, "75"}, {75, true, "75"}, {70, true, "70"}, {90, false, "90"}};
    for (const Case &c : cases) {
        MagickWand *w = readFile(source);
        OutputOptions o;
        o.quality = c.slider;
        WriteRules rules;
        rules.convertTool = c.convertTool;
        std::string out = dir / formatText("out_%d_%d.jpg", c.slider, (int)c.convertTool), message;
        ASSERT_TRUE(writePicture(w, o, out, message, rules)) << message;
        DestroyMagickWand(w);
        EXPECT_EQ(identifyFirstImage(out, "%m %Q"), std::string("JPEG ") + c.quality)
            << "slider " << c.slider << (c.convertTool ? " (convert tool)" : "");
    }
}

TEST(OutputOptions, WriteStepOnRealPictures)
{
    ScratchFolder dir("写入");
    // A transparent PNG written as JPG after flattenOnWhite: white where it was transparent.
    MagickWand *w = readFile(samplePath("formats/png/pngsuite/basn6a08.png"));
    PixelWand *p = NewPixelWand();
    MagickGetImagePixelColor(w, 0, 0, p);
    ASSERT_LT(PixelGetAlpha(p), 0.01) << "the corner is transparent in the sample";
    ASSERT_TRUE(flattenOnWhite(w));
    OutputOptions jpg;
    std::string out = dir / "白底.jpg", message;
    ASSERT_TRUE(writePicture(w, jpg, out, message)) << message;
    DestroyMagickWand(w);
    w = readFile(out);
    MagickGetImagePixelColor(w, 0, 0, p);
    EXPECT_GT(PixelGetRed(p), 0.95);
    EXPECT_GT(PixelGetGreen(p), 0.95);
    EXPECT_GT(PixelGetBlue(p), 0.95);
    DestroyMagickWand(w);
    DestroyPixelWand(p);

    // CMYK becomes sRGB before a JPEG is written.
    w = readFile(samplePath("formats/jpeg/pillow_cmyk_noicc.jpg"));
    out = dir / "cmyk.jpg";
    ASSERT_TRUE(writePicture(w, jpg, out, message)) << message;
    DestroyMagickWand(w);
    EXPECT_EQ(identifyFirstImage(out, "%[colorspace]"), "sRGB");

    // PNG keeps the alpha as read; palette PNG goes through the quantiser.
    OutputOptions png;
    png.format = OutputFormat::Png;
    w = readFile(samplePath("formats/png/pngsuite/basn6a08.png"));
    out = dir / "rgba.png";
    ASSERT_TRUE(writePicture(w, png, out, message)) << message;
    EXPECT_EQ(identifyFirstImage(out, "%m %[opaque]"), "PNG false");
    png.png8 = true;
    png.colours = 8;
    out = dir / "rgba8.png";
    ASSERT_TRUE(writePicture(w, png, out, message)) << message;
    EXPECT_EQ(identifyFirstImage(out, "%[png:IHDR.color-type-orig] %[opaque]"), "3 false");
    EXPECT_LE(atoi(identifyFirstImage(out, "%k").c_str()), 8);

    // Failures name the target and leave nothing behind; each kind has its text.
    std::string missing = dir / "不存在\\x.png";
    png.png8 = false;
    EXPECT_FALSE(writePicture(w, png, missing, message));
    EXPECT_EQ(message, "MagickWriteImage() 发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n" + missing);
    png.png8 = true;
    EXPECT_FALSE(writePicture(w, png, missing, message));
    EXPECT_EQ(message, "保存图片时发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n" + missing);
    WriteRules convert;
    convert.convertTool = true;
    EXPECT_FALSE(writePicture(w, jpg, missing, message, convert));
    EXPECT_EQ(message.find("MagickWriteImage() 发生错误：\n\n"), 0u) << message;
    EXPECT_NE(message.find("\n\n目标文件名：" + missing + "\n\n请检查内存或硬盘空间是否用完。"), std::string::npos)
        << message;
    DestroyMagickWand(w);
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"cmyk.jpg", "rgba.png", "rgba8.png", "白底.jpg"}));
}
