// Palette PNG written through libimagequant + LodePNG, read back by ImageMagick's
// own identify: palette colour type, colour counts, transparency, failures.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "imaging/palette_png.h"
#include "ui/info_window.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

MagickWand *readSample(const std::string &relative)
{
    MagickWand *wand = NewMagickWand();
    EXPECT_TRUE(MagickReadImage(wand, magickPath(samplePath(relative)).c_str())) << relative;
    return wand;
}

// Everything reported to the information window while it lives.
struct InfoMessages {
    std::mutex lock;
    std::vector<std::string> texts;
    static void sink(const char *text, void *context)
    {
        InfoMessages *self = static_cast<InfoMessages *>(context);
        std::lock_guard<std::mutex> hold(self->lock);
        self->texts.push_back(text);
    }
    InfoMessages() { setInfoMessageSink(sink, this); }
    ~InfoMessages() { setInfoMessageSink(nullptr, nullptr); }
};

}  // namespace

TEST(PalettePng, WrittenAsPaletteWithAtMostTheColoursAsked)
{
    struct Case {
        int asked;
        int most;
        const char *bitDepth;  // LodePNG packs small palettes
    };
    const Case cases[] = {{2, 2, "1"}, {16, 16, "4"}, {256, 256, "8"}, {1, 256, "8"}, {300, 256, "8"}};
    ScratchFolder dir("调色板");
    for (const Case &c : cases) {
        MagickWand *wand = readSample("formats/png/skimage_astronaut.png");
        std::string out = dir / formatText("宇航员_%d.png", c.asked);
        ASSERT_TRUE(writePng8File(wand, c.asked, out)) << c.asked;
        DestroyMagickWand(wand);
        std::string info = identifyFirstImage(out, "%m %[png:IHDR.color-type-orig] %[png:IHDR.bit-depth-orig] %k");
        std::vector<std::string> parts = splitText(info, ' ');
        ASSERT_EQ(parts.size(), 4u) << info;
        EXPECT_EQ(parts[0], "PNG") << c.asked;
        EXPECT_EQ(parts[1], "3") << "palette colour type, asked " << c.asked;
        EXPECT_EQ(parts[2], c.bitDepth) << c.asked;
        int colours = atoi(parts[3].c_str());
        EXPECT_LE(colours, c.most) << c.asked;
        EXPECT_GE(colours, c.most == 256 ? 200 : c.most) << "a photo uses what it is given, asked " << c.asked;
        EXPECT_EQ(folderEntries(dir.path()).size(), (size_t)(&c - cases) + 1) << "no temporary file left behind";
    }
}

TEST(PalettePng, TransparencyBecomesPaletteAlpha)
{
    // A transparent background stays transparent; an opaque picture gets no alpha.
    ScratchFolder dir;
    for (const char *sample : {"formats/png/go_basn3p08_trns.png", "formats/png/pngsuite/basn6a08.png"}) {
        MagickWand *wand = readSample(sample);
        std::string out = dir / "alpha.png";
        ASSERT_TRUE(writePng8File(wand, 256, out));
        DestroyMagickWand(wand);
        EXPECT_EQ(identifyFirstImage(out, "%[png:IHDR.color-type-orig] %[opaque]"), "3 false") << sample;
        // The fully transparent corner pixel is still fully transparent.
        MagickWand *before = readSample(sample);
        MagickWand *after = NewMagickWand();
        ASSERT_TRUE(MagickReadImage(after, magickPath(out).c_str()));
        PixelWand *p = NewPixelWand(), *q = NewPixelWand();
        MagickGetImagePixelColor(before, 0, 0, p);
        MagickGetImagePixelColor(after, 0, 0, q);
        EXPECT_NEAR(PixelGetAlpha(p), PixelGetAlpha(q), 0.02) << sample;
        DestroyPixelWand(p);
        DestroyPixelWand(q);
        DestroyMagickWand(before);
        DestroyMagickWand(after);
    }
    MagickWand *opaque = readSample("formats/png/skimage_chelsea.png");
    std::string out = dir / "opaque.png";
    ASSERT_TRUE(writePng8File(opaque, 64, out));
    DestroyMagickWand(opaque);
    EXPECT_EQ(identifyFirstImage(out, "%[png:IHDR.color-type-orig] %[opaque]"), "3 true");
}

TEST(PalettePng, OnePixelAndDataInMemory)
{
    MagickWand *wand = NewMagickWand();
    PixelWand *red = NewPixelWand();
    PixelSetColor(red, "#ff0000");
    ASSERT_TRUE(MagickNewImage(wand, 1, 1, red));
    unsigned char *data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(getPng8Data(wand, 16, &data, &size));
    ASSERT_GT(size, 8u);
    EXPECT_EQ(std::string((const char *)data, 8), "\x89PNG\r\n\x1a\n");
    char *format = MagickGetImageFormat(wand);
    EXPECT_STREQ(format, "PNG") << "the wand's format is set as a side effect";
    MagickRelinquishMemory(format);
    MagickWand *back = NewMagickWand();
    ASSERT_TRUE(MagickReadImageBlob(back, data, size));
    EXPECT_EQ(MagickGetImageWidth(back), 1u);
    MagickGetImagePixelColor(back, 0, 0, red);
    EXPECT_NEAR(PixelGetRed(red), 1.0, 0.01);
    EXPECT_NEAR(PixelGetGreen(red), 0.0, 0.01);
    freePng8Data(data);
    DestroyMagickWand(back);
    DestroyPixelWand(red);
    DestroyMagickWand(wand);
}

TEST(PalettePng, FailuresAreReportedAndWriteNothing)
{
    ScratchFolder dir;
    MagickWand *wand = readSample("formats/png/pngsuite/basn2c08.png");
    {
        InfoMessages info;
        std::string missing = dir / "没有这个文件夹\\a.png";
        EXPECT_FALSE(writePng8File(wand, 256, missing));
        ASSERT_EQ(info.texts.size(), 1u);
        EXPECT_EQ(info.texts[0].find("fopen() error: " + missing + "\r\n---请进入官方网站 velmora.example.com 联系我们的客服。"),
                  0u)
            << info.texts[0];
    }
    {
        // An empty wand has no pixels to export.
        InfoMessages info;
        MagickWand *empty = NewMagickWand();
        unsigned char *data = reinterpret_cast<unsigned char *>(1);
        size_t size = 7;
        EXPECT_FALSE(getPng8Data(empty, 256, &data, &size));
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        ASSERT_EQ(info.texts.size(), 1u);
        EXPECT_EQ(info.texts[0].find("MagickExportImagePixels() error.\r\n"), 0u);
        DestroyMagickWand(empty);
    }
    {
        // An existing file stays as it was when the new one cannot be made.
        InfoMessages info;
        std::string kept = dir / "kept.png";
        ASSERT_TRUE(writeFileBytes(kept, "old bytes"));
        SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(writePng8File(wand, 256, kept));
        SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(readFileBytes(kept), "old bytes");
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"kept.png"});
    }
    DestroyMagickWand(wand);
}

TEST(PalettePng, BufferSizesRefuseWhatCannotBeHeld)
{
    struct Case {
        size_t width, height;
        bool fits;
    };
    const size_t big = (size_t)1 << 40;
    const Case cases[] = {
        {1, 1, true},
        {1000, 1000, true},
        {23170, 23170, true},   // 536,848,900 pixels: 2,147,395,600 bytes of RGBA
        {23171, 23171, false},  // just over INT_MAX bytes
        {64000, 64000, false},  // ImageMagick's own limits allow it; the quantiser does not
        {big, big, false},      // the product would wrap around in 64 bits
        {(size_t)-1, 2, false},
        {0, 10, false},
        {10, 0, false},
    };
    for (const Case &c : cases) {
        size_t rgba = 123, index = 456;
        EXPECT_EQ(png8BufferSizes(c.width, c.height, rgba, index), c.fits) << c.width << " x " << c.height;
        if (c.fits) {
            EXPECT_EQ(rgba, c.width * c.height * 4);
            EXPECT_EQ(index, c.width * c.height);
            EXPECT_LE(rgba, (size_t)INT_MAX);
        } else {
            EXPECT_EQ(rgba, 0u);
            EXPECT_EQ(index, 0u);
        }
    }
}
