// HEIC, AVIF and WebP pictures, made here from a sample photo with ImageMagick's
// own convert-im6.q16: found in a folder, recognised and measured from their
// headers, read in the right colours, thumbnailed; animated WebP refused where
// an animated GIF is; the container rules fed hostile bytes.
#include "gtest.h"
#include "test_util.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/pipeline.h"
#include "imaging/format_support.h"
#include "imaging/picture_read.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "input/header_sniff.h"
#include "input/thumbnail_render.h"
#include "pipeline_test_support.h"
#include "tools/crop/crop_job.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {

struct Made {
    const char *name;      // file name in the folder
    const char *typeName;  // what the header reader calls it
    int type;
};
const Made kMade[] = {
    {"photo.heic", "HEIC", kPictureHeic},
    {"photo.avif", "AVIF", kPictureAvif},
    {"photo.webp", "WEBP", kPictureWebp},
};
const int kWidth = 640, kHeight = 400;

// One folder of pictures for the whole suite: encoding HEIC and AVIF takes a while.
class ModernFormats : public ::testing::Test {
protected:
    static ScratchFolder *folder;
    static void SetUpTestSuite()
    {
        folder = new ScratchFolder("新格式_modern");
        const std::string photo = samplePath("photos/mate_Garden.jpg");
        ASSERT_TRUE(runMagickTool("convert-im6.q16", {"{" + photo + "}", "-resize", "640x400!", "{" + path("source.png") + "}"}));
        for (const Made &m : kMade)
            ASSERT_TRUE(runMagickTool("convert-im6.q16", {"{" + path("source.png") + "}", "{" + path(m.name) + "}"}))
                << m.name;
        ASSERT_TRUE(copyFileTo(samplePath("formats/webp/pillow_iss634_animated.webp"), path("moving.webp")));
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }
    static std::string path(const std::string &name) { return *folder / name; }
};
ScratchFolder *ModernFormats::folder = nullptr;

double meanOf(MagickWand *w, int channel)
{
    std::vector<unsigned char> rgb(MagickGetImageWidth(w) * MagickGetImageHeight(w) * 3);
    MagickExportImagePixels(w, 0, 0, MagickGetImageWidth(w), MagickGetImageHeight(w), "RGB", CharPixel, rgb.data());
    double sum = 0;
    for (size_t i = (size_t)channel; i < rgb.size(); i += 3)
        sum += rgb[i];
    return sum / (rgb.size() / 3);
}

}  // namespace

TEST_F(ModernFormats, ListedDescribedAndThumbnailedFromAFolder)
{
    PathList *all = PathList::create(16, 16);
    listFolderPictures(folder->path().c_str(), "", all);
    std::vector<std::string> listed;
    for (int i = 0; i < all->count; ++i)
        listed.push_back(fileNamePart(all->text(i)));
    all->destroy(true);

    MagickWand *source = readPicture(path("source.png"));
    ASSERT_TRUE(source);
    for (const Made &m : kMade) {
        SCOPED_TRACE(m.name);
        const std::string p = path(m.name);
        EXPECT_NE(std::find(listed.begin(), listed.end(), m.name), listed.end());
        EXPECT_TRUE(isPictureFileName(m.name));
        EXPECT_EQ(sniffPictureType(p.c_str()), m.type);

        char typeName[kPictureTypeNameSize] = {};
        int w = 0, h = 0;
        ASSERT_TRUE(readPictureHeader(p.c_str(), typeName, &w, &h));
        EXPECT_STREQ(typeName, m.typeName);
        EXPECT_EQ(w, kWidth);
        EXPECT_EQ(h, kHeight);
        char text[kPictureDescriptionSize] = {};
        ASSERT_TRUE(describePicture(p.c_str(), text));
        EXPECT_EQ(std::string(text).substr(0, 40), formatText("尺寸: 640 x 400, 类型: %s 图片, 大小: ", m.typeName).substr(0, 40));

        std::string reason;
        EXPECT_EQ(identifyFirstImage(p, "%w %h"), formatText("%d %d", w, h));
        // Read in the photo's colours (libheif hands out YCbCr samples).
        MagickWand *read = readCheckedPicture(p, reason);
        ASSERT_TRUE(read) << reason;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(meanOf(read, c), meanOf(source, c), 6.0) << "channel " << c;
        DestroyMagickWand(read);

        MagickWand *canvas = nullptr;
        ASSERT_EQ(renderThumbnail(p.c_str(), 0, 0, &canvas), kThumbnailRendered);
        Rgb middle = pixelAt(canvas, 48, 48);
        MagickWand *reduced = CloneMagickWand(source);
        MagickResizeImage(reduced, 94, 59, TriangleFilter, 1.0);
        Rgb expected = pixelAt(reduced, 47, 29);
        EXPECT_TRUE(nearColour(middle, expected.r, expected.g, expected.b, 25.0))
            << describe(middle) << " against " << describe(expected);
        DestroyMagickWand(reduced);
        DestroyMagickWand(canvas);
    }
    DestroyMagickWand(source);

    // The folder browser's rows of their own list only theirs.
    const struct {
        int row;
        const char *only;
    } rows[] = {{9, "photo.webp"}, {10, "photo.heic"}, {12, "photo.avif"}};
    for (const auto &r : rows) {
        PathList *one = PathList::create(16, 16);
        listFolderPictures(folder->path().c_str(), typeFilterPattern(r.row), one);
        std::vector<std::string> names;
        for (int i = 0; i < one->count; ++i)
            names.push_back(fileNamePart(one->text(i)));
        one->destroy(true);
        if (r.row == 9)
            EXPECT_EQ(names.size(), 2u);  // and the animated one
        else
            EXPECT_EQ(names, std::vector<std::string>{r.only});
    }
}

TEST_F(ModernFormats, AnAnimatedWebpIsRefusedWhereAnAnimatedGifIs)
{
    const std::string moving = path("moving.webp");
    EXPECT_EQ(sniffPictureType(moving.c_str()), kSniffAnimatedWebp);
    MagickWand *canvas = nullptr;
    std::string detail;
    EXPECT_EQ(renderThumbnail(moving.c_str(), 0, 0, &canvas, &detail), kThumbnailAnimated);
    EXPECT_EQ(detail, "WEBP");

    ProcessSettings settings;
    PictureOutcome outcome = runPipeline(settings, moving, path("moving.jpg"));
    EXPECT_EQ(outcome.result, PictureResult::Failed);
    EXPECT_NE(outcome.detail.find("WEBP 动画"), std::string::npos) << outcome.message;

    CropSettings crop;
    crop.mode = kCropPercent;
    crop.percentWidth = 50;
    crop.percentHeight = 50;
    CroppedPicture cropped;
    std::string message, why;
    EXPECT_FALSE(cropPicture(moving, crop, true, cropped, message, why));
    EXPECT_NE(message.find("不支持裁剪动态webp图片"), std::string::npos) << message;
    EXPECT_TRUE(isAnimation("GIF", 2) && isAnimation("WEBP", 3) && !isAnimation("WEBP", 1) && !isAnimation("PNG", 2));
}

TEST(ModernFormatSupport, AFormatWithoutACoderIsSaidToBeUnsupported)
{
    EXPECT_TRUE(imageMagickReads("HEIC"));
    EXPECT_TRUE(imageMagickReads("AVIF"));
    EXPECT_TRUE(imageMagickReads("WEBP"));
    EXPECT_FALSE(imageMagickReads("NOSUCHCODER"));
    EXPECT_FALSE(imageMagickReads(""));
    EXPECT_EQ(unsupportedFormatReason("HEIC"), "不支持此格式 (HEIC)");

    // Bytes no coder knows, under an extension no coder has.
    ScratchFolder dir;
    ASSERT_TRUE(writeFileBytes(dir / "x.qqz", std::string(300, 'q')));
    std::string reason;
    EXPECT_FALSE(readCheckedPicture(dir / "x.qqz", reason));
    EXPECT_EQ(reason, "不支持此格式 (QQZ)");
    // A JPEG coder exists: a broken JPEG is a broken file, not an unknown format.
    ASSERT_TRUE(writeFileBytes(dir / "y.jpg", std::string(300, 'q')));
    EXPECT_FALSE(readCheckedPicture(dir / "y.jpg", reason));
    EXPECT_EQ(reason.find("不支持此格式"), std::string::npos) << reason;
}

// ---- Container brands and HEIF boxes, byte level -------------------------------------

namespace {

std::string be32(uint32_t v)
{
    return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}
std::string box(const char *type, const std::string &content) { return be32(8 + (uint32_t)content.size()) + type + content; }
std::string fullBox(const char *type, int version, const std::string &content)
{
    return box(type, std::string{(char)version, 0, 0, 0} + content);
}
std::string ftyp(const char *major, std::vector<const char *> compatible)
{
    std::string body = std::string(major) + be32(0);
    for (const char *b : compatible)
        body += b;
    return box("ftyp", body);
}

// A HEIF with items 1 (a small thumbnail) and 2 (the primary picture).
std::string heif(int turn, bool withPrimary = true)
{
    std::string ipco = box("ipco", fullBox("ispe", 0, be32(160) + be32(120)) +      // property 1
                                       fullBox("ispe", 0, be32(4032) + be32(3024)) +  // property 2
                                       box("irot", std::string(1, (char)turn)));       // property 3
    // item 1: property 1; item 2: properties 2 and 3 (essential bit set on 3).
    std::string ipma = fullBox("ipma", 0, be32(2) + std::string{0, 1, 1, 1} + std::string{0, 2, 2, 2, (char)0x83});
    std::string meta = fullBox("meta", 0,
                               fullBox("hdlr", 0, be32(0) + "pict" + std::string(13, '\0')) +
                                   (withPrimary ? fullBox("pitm", 0, std::string{0, 2}) : std::string()) +
                                   box("iprp", ipco + ipma));
    return ftyp("heic", {"mif1", "heic"}) + meta + box("mdat", std::string(64, 'x'));
}

}  // namespace

TEST(ContainerBrands, WhatTheFirstBytesName)
{
    const struct {
        std::string bytes;
        const char *name;
    } cases[] = {
        {"RIFF" + std::string(4, '\0') + "WEBPVP8 ", "WEBP"},
        {"RIFF" + std::string(4, '\0') + "WAVEfmt ", nullptr},
        {ftyp("heic", {"mif1", "heic"}), "HEIC"},
        {ftyp("heix", {}), "HEIC"},
        {ftyp("mif1", {"heic"}), "HEIC"},
        {ftyp("mif1", {"miaf"}), "HEIC"},  // a plain HEIF picture
        {ftyp("avif", {"mif1"}), "AVIF"},
        {ftyp("mif1", {"miaf", "avif"}), "AVIF"},
        {ftyp("isom", {"mp42", "avc1"}), nullptr},  // a video
        {ftyp("crx ", {}), nullptr},
        {std::string(11, '\0'), nullptr},
        {be32(0x7FFFFFFF) + "ftypmif1", "HEIC"},  // a size beyond the bytes held
    };
    for (const auto &c : cases) {
        const char *name = containerFormatName((const unsigned char *)c.bytes.data(), c.bytes.size());
        if (c.name)
            EXPECT_STREQ(name, c.name) << c.bytes.substr(0, 16);
        else
            EXPECT_EQ(name, nullptr) << c.bytes.substr(0, 16);
    }
    EXPECT_EQ(containerFormatName(nullptr, 64), nullptr);
}

TEST(HeifBoxes, ThePrimaryItemsSizeTurnedAsDecodersShowIt)
{
    const struct {
        int turn;
        bool primary;
        int width, height;
    } cases[] = {
        {0, true, 4032, 3024},
        {1, true, 3024, 4032},  // a quarter turn
        {2, true, 4032, 3024},
        {3, true, 3024, 4032},
        {0, false, 4032, 3024},  // no primary item named: the largest size
    };
    for (const auto &c : cases) {
        std::string bytes = heif(c.turn, c.primary);
        PictureHeader header;
        ASSERT_TRUE(readPictureHeaderBytes((const unsigned char *)bytes.data(), bytes.size(), &header)) << c.turn;
        EXPECT_STREQ(header.typeName, "HEIC");
        EXPECT_EQ(header.width, c.width) << c.turn;
        EXPECT_EQ(header.height, c.height) << c.turn;
        EXPECT_EQ(sniffPictureBytes((const unsigned char *)bytes.data(), bytes.size()), kPictureHeic);
    }
}

TEST_F(ModernFormats, EveryCutOfTheirHeadersStaysInsideTheBuffer)
{
    std::vector<std::string> files;
    for (const Made &m : kMade)
        files.push_back(readFileBytes(path(m.name)));
    files.push_back(heif(1));
    // Boxes that lie about their sizes.
    std::string lying = heif(0);
    lying.replace(lying.find("ipco") - 4, 4, be32(0xFFFFFFF0));
    files.push_back(lying);
    std::string zeroSized = heif(0);
    zeroSized.replace(zeroSized.find("meta") - 4, 4, be32(0));
    files.push_back(zeroSized);
    for (const std::string &whole : files) {
        PictureHeader full;
        bool wholeOk = readPictureHeaderBytes((const unsigned char *)whole.data(), whole.size(), &full);
        const size_t last = whole.size() < 4096 ? whole.size() : 4096;
        for (size_t n = 0; n <= last; ++n) {
            std::unique_ptr<unsigned char[]> cut(new unsigned char[n ? n : 1]);
            memcpy(cut.get(), whole.data(), n);
            PictureHeader part;
            if (readPictureHeaderBytes(cut.get(), n, &part)) {
                ASSERT_TRUE(wholeOk) << n;
                EXPECT_EQ(part.width, full.width) << n;
                EXPECT_EQ(part.height, full.height) << n;
            }
            int type = sniffPictureBytes(cut.get(), n);
            EXPECT_TRUE(type == kSniffNotRecognised || isPictureTypeCode(type)) << n;
        }
    }
}
