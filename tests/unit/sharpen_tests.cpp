// The program's sharpening against ImageMagick's own, pixel for pixel: photos,
// pictures smaller than the kernel, grey, the slider's whole range, one thread
// and several, and the pictures it must leave to ImageMagick (alpha, CMYK).
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <vector>

#include "imaging/magick_env.h"
#include "imaging/sharpen.h"

namespace {

std::vector<unsigned short> pixels(MagickWand *w)
{
    const size_t width = MagickGetImageWidth(w), height = MagickGetImageHeight(w);
    std::vector<unsigned short> out(width * height * 5);
    const char *map = MagickGetImageColorspace(w) == CMYKColorspace ? "CMYKA" : "RGBAI";
    MagickExportImagePixels(w, 0, 0, width, height, map, ShortPixel, out.data());
    return out;
}

struct Case {
    const char *what;
    const char *picture;  // a sample (relative path) or an ImageMagick picture spec ("spec:...")
    const char *size;     // reduce a sample to fit this box first, or ""
    double amount;        // radius and sigma, as the slider gives them (value / 10)
    int threads;
};

const Case kCases[] = {
    {"photo, slider 30", "photos/mate_Garden.jpg", "320x240", 3.0, 2},
    {"photo, slider 1", "photos/mate_Garden.jpg", "320x240", 0.1, 2},
    {"photo, slider 5", "photos/mate_Garden.jpg", "320x240", 0.5, 2},
    {"photo, slider 100", "photos/mate_Garden.jpg", "160x120", 10.0, 2},
    {"photo, one thread", "photos/mate_Garden.jpg", "320x240", 3.0, 1},
    {"photo, more threads than rows need", "photos/mate_Garden.jpg", "97x33", 3.0, 8},
    {"grey JPEG", "formats/jpeg/gdkpixbuf_cat_gray.jpg", "", 3.0, 2},
    {"one pixel", "spec:xc:#8040C0[1x1]", "", 3.0, 2},
    {"narrower and lower than the kernel", "spec:plasma:fractal[5x3]", "", 3.0, 2},
    {"a single column", "spec:gradient:red-blue[1x40]", "", 2.0, 2},
    {"hard edges that clip", "spec:pattern:checkerboard[64x48]", "", 10.0, 2},
    // Left to ImageMagick: weighted by alpha, and a fourth (black) channel.
    {"alpha", "formats/png/pngsuite/basn6a08.png", "", 3.0, 2},
    {"CMYK", "formats/jpeg/pillow_cmyk_noicc.jpg", "", 3.0, 2},
};

}  // namespace

TEST(Sharpen, EveryPixelIsImageMagicksOwn)
{
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.what);
        std::string picture = c.picture;
        MagickWand *ours = nullptr;
        if (picture.compare(0, 5, "spec:") == 0) {
            std::string spec = picture.substr(5);
            size_t bracket = spec.find('[');
            MagickWand *w = NewMagickWand();
            MagickSetSize(w, (size_t)atoi(spec.c_str() + bracket + 1),
                          (size_t)atoi(spec.c_str() + spec.find('x', bracket) + 1));
            ASSERT_TRUE(MagickReadImage(w, spec.substr(0, bracket).c_str()));
            ours = w;
        } else {
            ours = readPicture(samplePath(picture));
            ASSERT_TRUE(ours);
            if (*c.size)
                MagickResizeImage(ours, (size_t)atoi(c.size), (size_t)atoi(strchr(c.size, 'x') + 1), LanczosFilter, 1.0);
        }
        MagickWand *theirs = CloneMagickWand(ours);
        int before = setImageMagickThreads(c.threads);
        ASSERT_TRUE(sharpenPicture(ours, c.amount, c.amount));
        setImageMagickThreads(before);
        ASSERT_TRUE(MagickSharpenImage(theirs, c.amount, c.amount));
        ASSERT_EQ(MagickGetImageWidth(ours), MagickGetImageWidth(theirs));
        ASSERT_EQ(MagickGetImageHeight(ours), MagickGetImageHeight(theirs));
        std::vector<unsigned short> a = pixels(ours), b = pixels(theirs);
        size_t differ = 0;
        for (size_t i = 0; i < a.size(); ++i)
            differ += a[i] != b[i];
        EXPECT_EQ(differ, 0u) << "of " << a.size() << " samples";
        DestroyMagickWand(ours);
        DestroyMagickWand(theirs);
    }
}
