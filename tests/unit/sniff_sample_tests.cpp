// Header sniffing on the real sample pictures: types and sizes checked against
// what identify-im6.q16 reports, the broken files, every cut of each header, and
// the two descriptions.
#include "gtest.h"

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "input/header_sniff.h"
#include "test_util.h"
#include "util/text.h"

namespace {

struct Sample {
    std::string relative;  // "formats/png/x.png"
    std::string dosPath;
};

void collect(const std::string &relative, std::vector<Sample> &out)
{
    std::string folder = samplePath(relative);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string rel = relative + "/" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            collect(rel, out);
        else
            out.push_back({rel, samplePath(rel)});
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

std::vector<Sample> allSamples()
{
    std::vector<Sample> samples;
    collect("formats", samples);
    collect("broken", samples);
    return samples;
}

struct Identified {
    bool ok = false;
    std::string format;
    int width = 0, height = 0;
};

// What ImageMagick's identify reports for the first image.
Identified identify(const std::string &relative)
{
    Identified r;
    std::string line = identifyFirstImage(samplePath(relative), "%m %w %h");
    char format[64] = {};
    if (sscanf(line.c_str(), "%63s %d %d", format, &r.width, &r.height) == 3) {
        r.ok = true;
        r.format = format;
    }
    return r;
}

// ImageMagick's format names for the six formats the header readers know.
int typeForMagickFormat(const std::string &format)
{
    static const std::map<std::string, int> table = {
        {"JPEG", kPictureJpeg}, {"PNG", kPicturePng},   {"GIF", kPictureGif},   {"BMP", kPictureBmp},
        {"BMP3", kPictureBmp},  {"BMP2", kPictureBmp},  {"TIFF", kPictureTiff}, {"PSD", kPicturePsd},
        {"WEBP", kPictureWebp},
    };
    auto it = table.find(format);
    return it == table.end() ? 0 : it->second;
}

}  // namespace

TEST(SniffSamples, TypesAndSizesMatchImageMagick)
{
    std::vector<Sample> samples = allSamples();
    ASSERT_GT(samples.size(), 60u);
    int compared = 0;
    for (const Sample &s : samples) {
        SCOPED_TRACE(s.relative);
        int type = sniffPictureType(s.dosPath.c_str());
        char name[kPictureTypeNameSize] = {};
        int w = 0, h = 0;
        bool ok = readPictureHeader(s.dosPath.c_str(), name, &w, &h);
        Identified id = identify(s.relative);
        int expected = id.ok ? typeForMagickFormat(id.format) : 0;
        if (!id.ok || !expected)
            continue;
        ++compared;
        if (s.relative == "formats/jpeg/ljt_testorig12_12bit.jpg") {
            // Its frame header is extended sequential (C1): left to the decoder.
            EXPECT_FALSE(ok);
            continue;
        }
        ASSERT_TRUE(ok);
        EXPECT_EQ(w, id.width);
        EXPECT_EQ(h, id.height);
        if (type == kSniffAnimatedPng)
            EXPECT_EQ(s.relative, "formats/png/mimetype_apng.png") << "the one APNG of the samples";
        else if (type != kSniffAnimatedGif && type != kSniffAnimatedWebp)
            EXPECT_EQ(type, expected);
    }
    EXPECT_GT(compared, 45) << "ImageMagick answered too few times";
}

TEST(SniffSamples, TypeCheckOfKnownFiles)
{
    struct { const char *file; int type; } cases[] = {
        {"formats/gif/gdkpixbuf_partyanim.gif", kSniffAnimatedGif},
        {"formats/gif/vips_cogs.gif", kSniffAnimatedGif},
        {"formats/gif/go_video-001_single.gif", kPictureGif},
        {"formats/gif/go_video-001_interlaced.gif", kPictureGif},
        {"formats/gif/pillow_transparent.gif", kPictureGif},
        {"formats/psd/pillow_hopper_layers.psd", kPicturePsd},
        {"formats/tiff/pillow_multipage.tiff", kPictureTiff},
        {"formats/bmp/bmpsuite_pal8topdown.bmp", kPictureBmp},
        {"formats/jpeg/ljt_testorig12_12bit.jpg", kPictureJpeg},
        {"formats/ico/pillow_hopper.ico", kSniffNotRecognised},
        {"formats/webp/pillow_iss634_animated.webp", kSniffAnimatedWebp},
        {"formats/webp/ximage_yellow_rose_lossy_alpha.webp", kPictureWebp},
        {"formats/other/vips_world.jp2", kSniffNotRecognised},
        {"formats/png/pngsuite/README.txt", kSniffNotRecognised},
        {"broken/zero_bytes.jpg", kSniffNotRecognised},
        {"broken/text_renamed.jpg", kSniffNotRecognised},
        {"broken/vips_truncated.gif", kSniffNotRecognised},  // the walk meets the end before the trailer
        {"broken/vips_truncated.jpg", kPictureJpeg},
        {"broken/go_invalid-crc32.png", kPicturePng},
        {"broken/gdkpixbuf_issue205_claims_64250px.jpg", kPictureJpeg},
    };
    for (auto &c : cases)
        EXPECT_EQ(sniffPictureType(samplePath(c.file).c_str()), c.type) << c.file;
    EXPECT_EQ(sniffPictureType(samplePath("broken/no_such_file.jpg").c_str()), kSniffCannotOpen);
    EXPECT_EQ(sniffPictureType(""), kSniffCannotOpen);
    EXPECT_FALSE(readPictureHeader(samplePath("broken/no_such_file.jpg").c_str(), nullptr, nullptr, nullptr));
}

TEST(SniffSamples, BrokenFilesGiveTheirHeaderOrNothing)
{
    int w = -5, h = -5;
    char name[kPictureTypeNameSize] = "xxxx";
    EXPECT_FALSE(readPictureHeader(samplePath("broken/zero_bytes.jpg").c_str(), name, &w, &h));
    EXPECT_FALSE(readPictureHeader(samplePath("broken/text_renamed.jpg").c_str(), name, &w, &h));
    EXPECT_EQ(w, -5) << "outputs untouched on failure";
    EXPECT_STREQ(name, "xxxx");
    ASSERT_TRUE(readPictureHeader(samplePath("broken/gdkpixbuf_issue205_claims_64250px.jpg").c_str(), name, &w, &h));
    EXPECT_STREQ(name, "JPEG");
    EXPECT_EQ(w, 64250);
    EXPECT_EQ(h, 64250);
    ASSERT_TRUE(readPictureHeader(samplePath("broken/vips_truncated.gif").c_str(), name, &w, &h));
    EXPECT_STREQ(name, "GIF");
    EXPECT_FALSE(readPictureHeader(samplePath("formats/jpeg/ljt_testorig12_12bit.jpg").c_str(), name, &w, &h))
        << "extended sequential frame";
    // Only the width and height are wanted: the other outputs may be left out.
    ASSERT_TRUE(readPictureHeader(samplePath("formats/png/imaging_flowers.png").c_str(), nullptr, &w, nullptr));
    EXPECT_EQ(w, 600);
}

// Every cut of each sample (all lengths up to 2 KB, then 64 evenly spaced ones)
// read from a heap buffer of exactly that length: no crash, no read past the
// buffer, and a cut never reports other numbers than the whole file.
TEST(SniffSamples, EveryCutOfEverySampleStaysInsideTheBuffer)
{
    std::vector<Sample> samples = allSamples();
    long long cuts = 0;
    for (const Sample &s : samples) {
        SCOPED_TRACE(s.relative);
        std::string bytes = readFileBytes(s.dosPath);
        PictureHeader whole;
        bool wholeOk = readPictureHeaderBytes((const unsigned char *)bytes.data(), bytes.size(), &whole);
        int wholeType = sniffPictureBytes((const unsigned char *)bytes.data(), bytes.size());
        std::vector<size_t> lengths;
        for (size_t n = 0; n <= bytes.size() && n <= 2048; ++n)
            lengths.push_back(n);
        if (bytes.size() > 2048)
            for (int i = 1; i <= 64; ++i)
                lengths.push_back(2048 + (bytes.size() - 2048) * i / 64);
        for (size_t n : lengths) {
            std::unique_ptr<unsigned char[]> cut(new unsigned char[n ? n : 1]);
            memcpy(cut.get(), bytes.data(), n);
            PictureHeader part;
            bool ok = readPictureHeaderBytes(cut.get(), n, &part);
            int type = sniffPictureBytes(cut.get(), n);
            ++cuts;
            if (ok) {
                ASSERT_TRUE(wholeOk) << n;
                EXPECT_EQ(part.width, whole.width) << n;
                EXPECT_EQ(part.height, whole.height) << n;
            }
            // A cut of a still picture may lose its trailer, never become animated.
            if (type == kSniffAnimatedGif || type == kSniffAnimatedWebp || type == kSniffAnimatedPng) {
                EXPECT_EQ(wholeType, type) << n;
            }
            EXPECT_TRUE(type == kSniffNotRecognised || type == kSniffAnimatedGif || type == kSniffAnimatedWebp ||
                        type == kSniffAnimatedPng || isPictureTypeCode(type))
                << n;
        }
    }
    EXPECT_GT(cuts, 60000);
}

TEST(SniffSamples, HeaderDescriptionOfRealFiles)
{
    char text[kPictureDescriptionSize];
    ASSERT_TRUE(describePictureFile(samplePath("formats/png/imaging_flowers.png").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 600 x 400, 类型: PNG 图片, 大小: 298.8 KB");  // 305953 bytes
    ASSERT_TRUE(describePictureFile(samplePath("formats/png/pngsuite/basn0g01.png").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 32 x 32, 类型: PNG 图片, 大小: 164 字节");
    ASSERT_TRUE(describePictureFile(samplePath("formats/psd/pillow_hopper_layers.psd").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 128 x 128, 类型: PSD 图片, 大小: 171.0 KB");  // 175119 bytes

    strcpy(text, "unchanged");
    EXPECT_FALSE(describePictureFile(samplePath("broken/zero_bytes.jpg").c_str(), text));
    EXPECT_FALSE(describePictureFile(samplePath("formats/jpeg/ljt_testorig12_12bit.jpg").c_str(), text));
    EXPECT_FALSE(describePictureFile(samplePath("broken/missing.jpg").c_str(), text));
    EXPECT_STREQ(text, "unchanged");
}

TEST(SniffSamples, RenamedAndChineseNamedFiles)
{
    ScratchFolder folder("嗅探测试");
    ASSERT_FALSE(folder.path().empty());
    std::string renamed = folder / "其实是PNG.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/go_basn3p08_trns.png"), renamed));
    EXPECT_EQ(sniffPictureType(renamed.c_str()), kPicturePng);
    char name[kPictureTypeNameSize];
    int w = 0, h = 0;
    ASSERT_TRUE(readPictureHeader(renamed.c_str(), name, &w, &h));
    EXPECT_STREQ(name, "PNG");
    EXPECT_EQ(w, 32);

    // A BMP whose file header records fewer bytes than the file holds.
    std::string bmp = readFileBytes(samplePath("formats/bmp/bmpsuite_rgb24.bmp"));
    ASSERT_GT(bmp.size(), 300u);
    bmp[2] = (char)0x2C;  // 300
    bmp[3] = 0x01;
    bmp[4] = bmp[5] = 0;
    ASSERT_TRUE(writeFileBytes(folder / "记录300.bmp", bmp));
    char text[kPictureDescriptionSize];
    ASSERT_TRUE(describePictureFile((folder / "记录300.bmp").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 127 x 64, 类型: BMP 图片, 大小: 300 字节");

    // Exactly 1048575 and 1048576 bytes: the PNG header followed by padding.
    std::string png = readFileBytes(samplePath("formats/png/pngsuite/basn0g01.png"));
    png.resize(1048575, '\0');
    ASSERT_TRUE(writeFileBytes(folder / "a.png", png));
    ASSERT_TRUE(describePictureFile((folder / "a.png").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 32 x 32, 类型: PNG 图片, 大小: 1024.0 KB");
    png.push_back('\0');
    ASSERT_TRUE(writeFileBytes(folder / "b.png", png));
    ASSERT_TRUE(describePictureFile((folder / "b.png").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 32 x 32, 类型: PNG 图片, 大小: 1.0 MB");
}

TEST(SniffSamples, MagickDescriptionFallback)
{
    char text[kPictureDescriptionSize];
    describePictureWithMagick(samplePath("formats/webp/ximage_yellow_rose_lossy_alpha.webp").c_str(), text);
    EXPECT_EQ(std::string(text).find("尺寸: 400 x 301, 类型: WEBP 图片, 大小: "), 0u) << text;
    // A layered file reports its first (merged) image.
    describePictureWithMagick(samplePath("formats/psd/pillow_rgba_layer.psd").c_str(), text);
    EXPECT_STREQ(text, "尺寸: 100 x 100, 类型: PSD 图片, 大小: 2.4 KB");
    describePictureWithMagick(samplePath("formats/png/pngsuite/basn0g01.png").c_str(), text);
    EXPECT_STREQ(text, "尺寸: 32 x 32, 类型: PNG 图片, 大小: 164 字节");
    // An animated GIF reports its first frame, not the last one read.
    describePictureWithMagick(samplePath("formats/gif/gdkpixbuf_partyanim.gif").c_str(), text);
    EXPECT_EQ(std::string(text).find("尺寸: 660 x 666, 类型: GIF 图片"), 0u) << text;

    for (const char *bad : {"broken/text_renamed.jpg", "broken/zero_bytes.jpg", "broken/no_such_file.jpg",
                            "broken/vips_truncated.gif", "broken/go_invalid-crc32.png"}) {
        std::string reason;
        EXPECT_FALSE(describePictureWithMagick(samplePath(bad).c_str(), text, &reason)) << bad;
        EXPECT_STREQ(text, kNotAValidPictureText) << bad;
        EXPECT_STREQ(text, "注意: 这不是一个有效的图片");
        EXPECT_FALSE(reason.empty()) << bad;
    }
    // A picture too large to be processed is still a picture: described from its
    // header, without decoding it at full size.
    EXPECT_TRUE(describePictureWithMagick(samplePath("broken/gdkpixbuf_issue205_claims_64250px.jpg").c_str(), text));
    EXPECT_STREQ(text, "尺寸: 64250 x 64250, 类型: JPEG 图片, 大小: 1.4 KB");

    ScratchFolder folder("描述测试");
    std::string chinese = folder / "花朵.png";
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/imaging_flowers.png"), chinese));
    describePictureWithMagick(chinese.c_str(), text);
    EXPECT_STREQ(text, "尺寸: 600 x 400, 类型: PNG 图片, 大小: 298.8 KB");
}
