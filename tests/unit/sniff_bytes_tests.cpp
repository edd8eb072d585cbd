// Header sniffing on hand-made byte buffers: the recognition table, the block
// walks and the hostile headers that must never read past the buffer.
#include "gtest.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "input/header_sniff.h"

namespace {

typedef std::vector<unsigned char> Bytes;

void put16le(Bytes &b, size_t at, unsigned v)
{
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = v & 0xFF; b[at + 1] = (v >> 8) & 0xFF;
}
void put32le(Bytes &b, size_t at, uint32_t v) { put16le(b, at, v & 0xFFFF); put16le(b, at + 2, v >> 16); }
void put16be(Bytes &b, size_t at, unsigned v)
{
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = (v >> 8) & 0xFF; b[at + 1] = v & 0xFF;
}
void put32be(Bytes &b, size_t at, uint32_t v) { put16be(b, at, v >> 16); put16be(b, at + 2, v & 0xFFFF); }
void append(Bytes &b, std::initializer_list<int> bytes) { for (int x : bytes) b.push_back((unsigned char)x); }

// Sniffs a heap copy of exactly the given bytes, so that a read past the end is
// a real out-of-bounds read (and an address-sanitizer build reports it).
int sniff(const Bytes &b)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[b.size() ? b.size() : 1]);
    if (!b.empty()) memcpy(copy.get(), b.data(), b.size());
    return sniffPictureBytes(b.empty() ? nullptr : copy.get(), b.size());
}
bool header(const Bytes &b, PictureHeader *out)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[b.size() ? b.size() : 1]);
    if (!b.empty()) memcpy(copy.get(), b.data(), b.size());
    return readPictureHeaderBytes(b.empty() ? nullptr : copy.get(), b.size(), out);
}

Bytes gifStart(const char *version, int globalTableBits = -1)
{
    Bytes b;
    std::string sig = std::string("GIF") + version;
    b.assign(sig.begin(), sig.end());
    put16le(b, 6, 40);
    put16le(b, 8, 30);
    b.resize(13);
    if (globalTableBits >= 0) {
        b[10] = (unsigned char)(0x80 | globalTableBits);
        b.resize(13 + 3 * (2u << globalTableBits), 0x55);
    }
    return b;
}
void gifImage(Bytes &b)
{
    append(b, {0x2C, 0, 0, 0, 0, 40, 0, 30, 0, 0x00, /*code size*/ 2, /*data*/ 3, 1, 2, 3, 0});
}

Bytes bmpHeader(int32_t width, int32_t height, uint32_t recordedSize)
{
    Bytes b = {'B', 'M'};
    put32le(b, 2, recordedSize);
    put32le(b, 10, 54);
    put32le(b, 14, 40);
    put32le(b, 18, (uint32_t)width);
    put32le(b, 22, (uint32_t)height);
    put16le(b, 26, 1);
    put16le(b, 28, 24);
    b.resize(54);
    return b;
}

Bytes jpegWithFrame(int frameMarker, unsigned width, unsigned height)
{
    Bytes b = {0xFF, 0xD8};
    append(b, {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    append(b, {0xFF, 0xDB, 0x00, 0x04, 0x00, 0x00});
    append(b, {0xFF, frameMarker, 0x00, 0x11, 8});
    size_t at = b.size();
    put16be(b, at, height);
    put16be(b, at + 2, width);
    append(b, {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    append(b, {0xFF, 0xD9});
    return b;
}

Bytes pngHeader(uint32_t width, uint32_t height)
{
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    put32be(b, 16, width);
    put32be(b, 20, height);
    append(b, {8, 2, 0, 0, 0, 0x12, 0x34, 0x56, 0x78});
    return b;
}

// A TIFF whose first directory sits after `gap` bytes of image data.
Bytes tiff(bool little, unsigned widthType, uint32_t width, unsigned heightType, uint32_t height, size_t gap = 16)
{
    Bytes b = little ? Bytes{'I', 'I', 42, 0} : Bytes{'M', 'M', 0, 42};
    auto p16 = [&](size_t at, unsigned v) { little ? put16le(b, at, v) : put16be(b, at, v); };
    auto p32 = [&](size_t at, uint32_t v) { little ? put32le(b, at, v) : put32be(b, at, v); };
    size_t ifd = 8 + gap;
    p32(4, (uint32_t)ifd);
    b.resize(ifd, 0xAA);
    p16(ifd, 3);
    size_t e = ifd + 2;
    p16(e, 254); p16(e + 2, 4); p32(e + 4, 1); p32(e + 8, 0);
    e += 12;
    p16(e, 256); p16(e + 2, widthType); p32(e + 4, 1);
    if (widthType == 3) { p16(e + 8, width); p16(e + 10, 0); } else p32(e + 8, width);
    e += 12;
    p16(e, 257); p16(e + 2, heightType); p32(e + 4, 1);
    if (heightType == 3) { p16(e + 8, height); p16(e + 10, 0); } else p32(e + 8, height);
    e += 12;
    p32(e, 0);
    return b;
}

Bytes psdHeader(uint32_t width, uint32_t height)
{
    Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3};
    put32be(b, 14, height);
    put32be(b, 18, width);
    append(b, {0, 8, 0, 3});
    return b;
}

std::string describe(int w, int h, const char *name, int64_t size)
{
    char text[kPictureDescriptionSize];
    memset(text, 'x', sizeof text);
    text[sizeof text - 1] = 0;
    if (!formatPictureDescription(w, h, name, size, text))
        return "(none)";
    return text;
}

}  // namespace

TEST(SniffTable, TwoBytesDecideTheFormatInTableOrder)
{
    struct { Bytes bytes; int type; const char *name; } cases[] = {
        {{'B', 'M'}, kPictureBmp, "BMP"},    {{0xFF, 0xD8}, kPictureJpeg, "JPEG"}, {{'G', 'I'}, kPictureGif, "GIF"},
        {{0x89, 'P'}, kPicturePng, "PNG"},   {{'I', 'I'}, kPictureTiff, "TIFF"},   {{'M', 'M'}, kPictureTiff, "TIFF"},
        {{'8', 'B'}, kPicturePsd, "PSD"},
    };
    for (auto &c : cases) {
        EXPECT_EQ(pictureTypeFromSignature(c.bytes.data(), 2), c.type);
        Bytes padded = c.bytes;
        padded.resize(40);
        PictureHeader h;
        header(padded, &h);
        EXPECT_EQ(h.type, c.type);
        EXPECT_STREQ(h.typeName, c.name);
    }
    EXPECT_EQ(pictureTypeFromSignature((const unsigned char *)"RIFF", 4), kSniffNotRecognised);
    EXPECT_EQ(pictureTypeFromSignature((const unsigned char *)"B", 1), kSniffNotRecognised);
    EXPECT_EQ(pictureTypeFromSignature(nullptr, 0), kSniffNotRecognised);
    // Only two bytes: "GIF" is not checked beyond "GI", and the rest of a BMP is not looked at.
    EXPECT_EQ(sniff(Bytes{'B', 'M'}), kPictureBmp);
    EXPECT_EQ(sniff(Bytes{0x00, 0x00, 0x01, 0x00}), kSniffNotRecognised);  // an icon
}

TEST(SniffTable, EmptyAndTinyBuffersAreNotRecognised)
{
    PictureHeader h;
    EXPECT_EQ(sniff(Bytes{}), kSniffNotRecognised);
    EXPECT_FALSE(header(Bytes{}, &h));
    EXPECT_EQ(h.type, kSniffNotRecognised);
    EXPECT_EQ(sniff(Bytes{0xFF}), kSniffNotRecognised);
    // Three bytes of a JPEG: recognised, but no size to report.
    EXPECT_EQ(sniff(Bytes{0xFF, 0xD8, 0xFF}), kPictureJpeg);
    EXPECT_FALSE(header(Bytes{0xFF, 0xD8, 0xFF}, &h));
    EXPECT_EQ(h.width, 0);
}

TEST(SniffGif, StillAnimatedAndBrokenFiles)
{
    Bytes g87 = gifStart("87a");
    EXPECT_EQ(sniff(g87), kPictureGif) << "GIF87a is taken as still without a walk";

    Bytes still = gifStart("89a", 1);
    gifImage(still);
    append(still, {0x3B});
    EXPECT_EQ(sniff(still), kPictureGif);

    Bytes two = gifStart("89a");
    append(two, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    append(two, {0x21, 0xF9, 4, 0, 10, 0, 0, 0});
    gifImage(two);
    append(two, {0x21, 0xF9, 4, 0, 10, 0, 0, 0});
    gifImage(two);
    Bytes twoNoTrailer = two;
    append(two, {0x3B});
    EXPECT_EQ(sniff(two), kSniffAnimatedGif);
    EXPECT_EQ(sniff(twoNoTrailer), kSniffAnimatedGif) << "the second descriptor decides at once";

    Bytes comment = gifStart("89a", 0);
    append(comment, {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    gifImage(comment);
    append(comment, {0x3B});
    EXPECT_EQ(sniff(comment), kPictureGif);

    Bytes plainText = gifStart("89a");
    append(plainText, {0x21, 0x01, 12, 0, 0, 0, 0, 10, 0, 10, 0, 8, 8, 1, 0, 2, 'h', 'i', 0});
    gifImage(plainText);
    append(plainText, {0x3B});
    EXPECT_EQ(sniff(plainText), kPictureGif);

    // An extension label the walk does not know is still a sub-block sequence.
    Bytes unknown = gifStart("89a");
    append(unknown, {0x21, 0x99, 3, 'a', 'b', 'c', 0});
    gifImage(unknown);
    append(unknown, {0x3B});
    EXPECT_EQ(sniff(unknown), kPictureGif);

    Bytes junk = gifStart("89a");
    append(junk, {0x00});
    EXPECT_EQ(sniff(junk), kSniffNotRecognised);

    // Every cut of a still GIF before its trailer ends the walk as "not recognised".
    for (size_t n = 6; n < still.size(); ++n)
        EXPECT_EQ(sniff(Bytes(still.begin(), still.begin() + n)), kSniffNotRecognised) << n;
    // A colour table that claims more than the file holds.
    Bytes hugeTable = gifStart("89a");
    hugeTable[10] = 0x87;
    EXPECT_EQ(sniff(hugeTable), kSniffNotRecognised);

    PictureHeader h;
    EXPECT_TRUE(header(still, &h));
    EXPECT_EQ(h.width, 40);
    EXPECT_EQ(h.height, 30);
}

TEST(SniffBmp, SizesRecordedSizeAndHostileValues)
{
    PictureHeader h;
    Bytes b = bmpHeader(127, 64, 300);
    b.resize(500);
    ASSERT_TRUE(header(b, &h));
    EXPECT_EQ(h.width, 127);
    EXPECT_EQ(h.height, 64);
    EXPECT_EQ(h.fileSize, 300) << "the size recorded in the file header, not the buffer length";
    EXPECT_EQ(describe(h.width, h.height, h.typeName, h.fileSize), "尺寸: 127 x 64, 类型: BMP 图片, 大小: 300 字节");

    ASSERT_TRUE(header(bmpHeader(127, -64, 600), &h)) << "top-down";
    EXPECT_EQ(h.height, 64);

    // The 12-byte core header keeps 16-bit sizes.
    Bytes core = {'B', 'M'};
    put32le(core, 2, 1000);
    put32le(core, 14, 12);
    put16le(core, 18, 127);
    put16le(core, 20, 1);
    put16le(core, 22, 1);
    put16le(core, 24, 24);
    ASSERT_TRUE(header(core, &h));
    EXPECT_EQ(h.width, 127);
    EXPECT_EQ(h.height, 1);

    EXPECT_FALSE(header(bmpHeader(100, INT32_MIN, 600), &h)) << "a height that has no positive value";
    EXPECT_FALSE(header(bmpHeader(0, 10, 600), &h));
    ASSERT_TRUE(header(bmpHeader(64250, 64250, 600), &h));
    EXPECT_EQ(h.width, 64250);
    // A header without a recorded size gets no description.
    ASSERT_TRUE(header(bmpHeader(10, 10, 0), &h));
    EXPECT_EQ(describe(h.width, h.height, h.typeName, h.fileSize), "(none)");
}

TEST(SniffJpeg, MarkerWalk)
{
    PictureHeader h;
    ASSERT_TRUE(header(jpegWithFrame(0xC0, 640, 480), &h));
    EXPECT_EQ(h.width, 640);
    EXPECT_EQ(h.height, 480);
    ASSERT_TRUE(header(jpegWithFrame(0xC2, 64250, 64250), &h)) << "progressive; the header's own numbers";
    EXPECT_EQ(h.width, 64250);
    EXPECT_EQ(h.height, 64250);
    EXPECT_FALSE(header(jpegWithFrame(0xC1, 640, 480), &h)) << "extended sequential is skipped";
    EXPECT_FALSE(header(jpegWithFrame(0xC0, 0, 480), &h));

    // Fill bytes before a marker.
    Bytes fill = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xC0, 0x00, 0x11, 8, 0, 20, 0, 30};
    ASSERT_TRUE(header(fill, &h));
    EXPECT_EQ(h.width, 30);
    EXPECT_EQ(h.height, 20);

    // Segment lengths of 0 and 1 would walk backwards: the walk stops instead.
    EXPECT_FALSE(header(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 0xFF, 0xC0}, &h));
    EXPECT_FALSE(header(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xC0}, &h));
    // A segment longer than the data, and a byte that starts no marker.
    EXPECT_FALSE(header(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 1, 2, 3}, &h));
    EXPECT_FALSE(header(Bytes{0xFF, 0xD8, 0x00, 0xC0, 0x00, 0x11}, &h));

    Bytes full = jpegWithFrame(0xC0, 640, 480);
    for (size_t n = 0; n < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + n);
        bool ok = header(cut, &h);
        if (ok) {
            EXPECT_EQ(h.width, 640) << n;
            EXPECT_EQ(h.height, 480) << n;
        }
        EXPECT_EQ(ok, n >= 35) << "the size needs the frame header up to its width: " << n;
    }
}

TEST(SniffPng, FullSizesAndCutHeader)
{
    PictureHeader h;
    ASSERT_TRUE(header(pngHeader(600, 400), &h));
    EXPECT_EQ(h.width, 600);
    EXPECT_EQ(h.height, 400);
    ASSERT_TRUE(header(pngHeader(70000, 3), &h)) << "sizes above 65535 are not cut to 16 bits";
    EXPECT_EQ(h.width, 70000);
    EXPECT_FALSE(header(pngHeader(0x80000000u, 3), &h));
    Bytes cut = pngHeader(600, 400);
    cut.resize(20);  // IHDR ends inside the width
    EXPECT_EQ(sniff(cut), kPicturePng);
    EXPECT_FALSE(header(cut, &h));
    cut.resize(22);  // width complete, height missing
    EXPECT_FALSE(header(cut, &h));
    EXPECT_EQ(h.width, 600);
    EXPECT_EQ(h.height, 0);
    cut = pngHeader(600, 400);
    cut.resize(23);  // the height's last byte missing: no made-up 256
    EXPECT_FALSE(header(cut, &h));
    EXPECT_EQ(h.height, 0);
}

TEST(SniffPng, AnAnimationControlChunkBeforeThePixelsMakesItAnimated)
{
    // After IHDR: chunks by type; a number is an acTL of that many frames.
    const std::pair<std::vector<const char *>, int> cases[] = {
        {{"IDAT", "IEND"}, kPicturePng},
        {{"tEXt", "20", "fcTL", "IDAT", "fcTL", "fdAT", "IEND"}, kSniffAnimatedPng},
        {{"1", "IDAT", "IEND"}, kPicturePng},  // one frame is a still picture
        {{"IDAT", "5", "IEND"}, kPicturePng},  // an acTL after the pixels is none
    };
    for (const auto &c : cases) {
        Bytes b = pngHeader(100, 100);
        for (const char *chunk : c.first) {
            const bool frames = chunk[0] >= '0' && chunk[0] <= '9';
            put32be(b, b.size(), 8);
            b.insert(b.end(), frames ? "acTL" : chunk, (frames ? "acTL" : chunk) + 4);
            put32be(b, b.size(), frames ? (uint32_t)atoi(chunk) : 0);
            put32be(b, b.size(), 0);
            append(b, {0, 0, 0, 0});  // the CRC is not checked
        }
        EXPECT_EQ(sniff(b), c.second) << b.size();
        // Cut anywhere, the walk ends inside the bytes and never invents an animation.
        for (size_t n = 0; n < b.size(); ++n) {
            int cut = sniff(Bytes(b.begin(), b.begin() + n));
            EXPECT_TRUE(cut == kPicturePng || cut == kSniffNotRecognised || cut == c.second) << n;
        }
    }
}

TEST(SniffTiff, BothByteOrdersAndValueTypes)
{
    PictureHeader h;
    ASSERT_TRUE(header(tiff(true, 3, 150, 3, 103), &h));
    EXPECT_EQ(h.width, 150);
    EXPECT_EQ(h.height, 103);
    ASSERT_TRUE(header(tiff(false, 3, 150, 3, 103), &h));
    EXPECT_EQ(h.width, 150);
    ASSERT_TRUE(header(tiff(false, 4, 150, 4, 103), &h)) << "big-endian LONG dimensions";
    EXPECT_EQ(h.width, 150);
    EXPECT_EQ(h.height, 103);
    ASSERT_TRUE(header(tiff(true, 4, 100000, 3, 7), &h));
    EXPECT_EQ(h.width, 100000);
    ASSERT_TRUE(header(tiff(true, 3, 8, 3, 9, 5000), &h)) << "directory far from the start";
    EXPECT_EQ(h.height, 9);

    Bytes beyond = tiff(true, 3, 8, 3, 9);
    put32le(beyond, 4, 0xFFFFFFF0u);
    EXPECT_FALSE(header(beyond, &h)) << "directory offset past the end";
    Bytes manyEntries = tiff(true, 3, 8, 3, 9);
    put16le(manyEntries, 24, 0xFFFF);
    manyEntries.resize(40);
    EXPECT_FALSE(header(manyEntries, &h)) << "entry count larger than the file";
}

TEST(SniffPsd, SizesMustBePositive)
{
    PictureHeader h;
    ASSERT_TRUE(header(psdHeader(128, 100), &h));
    EXPECT_EQ(h.width, 128);
    EXPECT_EQ(h.height, 100);
    EXPECT_FALSE(header(psdHeader(0, 100), &h));
    EXPECT_FALSE(header(psdHeader(128, 0x90000000u), &h));
}

TEST(SniffDescription, SizeThresholdsAndBounds)
{
    EXPECT_EQ(describe(10, 20, "PNG", 1023), "尺寸: 10 x 20, 类型: PNG 图片, 大小: 1023 字节");
    EXPECT_EQ(describe(10, 20, "PNG", 1024), "尺寸: 10 x 20, 类型: PNG 图片, 大小: 1.0 KB");
    EXPECT_EQ(describe(10, 20, "PNG", 1048575), "尺寸: 10 x 20, 类型: PNG 图片, 大小: 1024.0 KB");
    EXPECT_EQ(describe(10, 20, "PNG", 1048576), "尺寸: 10 x 20, 类型: PNG 图片, 大小: 1.0 MB");
    EXPECT_EQ(describe(64250, 64250, "JPEG", 5LL * 1024 * 1024 * 1024),
              "尺寸: 64250 x 64250, 类型: JPEG 图片, 大小: 5120.0 MB");
    EXPECT_EQ(describe(0, 20, "PNG", 100), "(none)");
    EXPECT_EQ(describe(10, 20, "PNG", 0), "(none)");

    // A long type name is cut at the buffer, never written past it.
    char small[24];
    memset(small, '#', sizeof small);
    std::string longName(300, 'Z');
    ASSERT_TRUE(formatPictureDescription(1, 1, longName.c_str(), 5, small, 16));
    EXPECT_EQ(strlen(small), 15u);
    EXPECT_EQ(small[16], '#');
    char full[kPictureDescriptionSize];
    ASSERT_TRUE(formatPictureDescription(1, 1, longName.c_str(), 5, full));
    EXPECT_EQ(strlen(full), kPictureDescriptionSize - 1);
}
