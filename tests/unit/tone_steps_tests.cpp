// The program's sharpening and brightness/contrast against ImageMagick's own,
// pixel for pixel: photos, pictures smaller than the kernel, grey and palette
// pictures, the sliders' whole range, one thread and several, and the pictures
// left to ImageMagick (alpha for sharpening, CMYK, pictures too small for the
// table).
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <cstring>
#include <vector>

#include "imaging/magick_env.h"
#include "imaging/sharpen.h"
#include "imaging/tone_table.h"

namespace {

std::vector<unsigned short> pixels(MagickWand *w)
{
    const size_t width = MagickGetImageWidth(w), height = MagickGetImageHeight(w);
    std::vector<unsigned short> out(width * height * 5);
    const char *map = MagickGetImageColorspace(w) == CMYKColorspace ? "CMYKA" : "RGBAI";
    MagickExportImagePixels(w, 0, 0, width, height, map, ShortPixel, out.data());
    return out;
}

// A sample (relative path, reduced to fit size when given) or a picture
// ImageMagick makes, "made:NAME[WxH]".
MagickWand *picture(const std::string &source, const char *size)
{
    if (source.compare(0, 5, "made:") == 0) {
        std::string made = source.substr(5);
        size_t bracket = made.find('[');
        MagickWand *w = NewMagickWand();
        MagickSetSize(w, (size_t)atoi(made.c_str() + bracket + 1),
                      (size_t)atoi(made.c_str() + made.find('x', bracket) + 1));
        if (!MagickReadImage(w, made.substr(0, bracket).c_str()))
            return DestroyMagickWand(w);
        return w;
    }
    MagickWand *w = readPicture(samplePath(source));
    if (w && *size)
        MagickResizeImage(w, (size_t)atoi(size), (size_t)atoi(strchr(size, 'x') + 1), LanczosFilter, 1.0);
    return w;
}

enum class Step { Sharpen, BrightnessContrast };

struct Case {
    const char *what;
    Step step;
    const char *picture;
    const char *size;  // reduce a sample to fit this box first, or ""
    double a, b;       // sharpen: radius and sigma; else brightness and contrast
    int threads;
};

const Case kCases[] = {
    {"sharpen: photo, slider 30", Step::Sharpen, "photos/mate_Garden.jpg", "320x240", 3.0, 3.0, 2},
    {"sharpen: photo, slider 1", Step::Sharpen, "photos/mate_Garden.jpg", "320x240", 0.1, 0.1, 2},
    {"sharpen: photo, slider 5", Step::Sharpen, "photos/mate_Garden.jpg", "320x240", 0.5, 0.5, 2},
    {"sharpen: photo, slider 100", Step::Sharpen, "photos/mate_Garden.jpg", "160x120", 10.0, 10.0, 2},
    {"sharpen: photo, one thread", Step::Sharpen, "photos/mate_Garden.jpg", "320x240", 3.0, 3.0, 1},
    {"sharpen: more threads than rows need", Step::Sharpen, "photos/mate_Garden.jpg", "97x33", 3.0, 3.0, 8},
    {"sharpen: grey JPEG", Step::Sharpen, "formats/jpeg/gdkpixbuf_cat_gray.jpg", "", 3.0, 3.0, 2},
    {"sharpen: one pixel", Step::Sharpen, "made:xc:#8040C0[1x1]", "", 3.0, 3.0, 2},
    {"sharpen: narrower and lower than the kernel", Step::Sharpen, "made:plasma:fractal[5x3]", "", 3.0, 3.0, 2},
    {"sharpen: a single column", Step::Sharpen, "made:gradient:red-blue[1x40]", "", 2.0, 2.0, 2},
    {"sharpen: hard edges that clip", Step::Sharpen, "made:pattern:checkerboard[64x48]", "", 10.0, 10.0, 2},
    {"sharpen: alpha", Step::Sharpen, "formats/png/pngsuite/basn6a08.png", "", 3.0, 3.0, 2},
    {"sharpen: CMYK", Step::Sharpen, "formats/jpeg/pillow_cmyk_noicc.jpg", "", 3.0, 3.0, 2},
    {"tone: brighter", Step::BrightnessContrast, "photos/mate_Garden.jpg", "640x480", 20.0, 0.0, 2},
    {"tone: the crop preview's darkening", Step::BrightnessContrast, "photos/mate_Garden.jpg", "640x480", -60.0, 0.0, 2},
    {"tone: more contrast", Step::BrightnessContrast, "photos/mate_Garden.jpg", "640x480", 0.0, 100.0, 1},
    {"tone: less contrast", Step::BrightnessContrast, "photos/mate_Garden.jpg", "640x480", 0.0, -100.0, 2},
    {"tone: both, clipping", Step::BrightnessContrast, "photos/mate_Garden.jpg", "640x480", 100.0, 37.0, 2},
    {"tone: grey palette picture", Step::BrightnessContrast, "made:gradient:black-white[700x400]", "", 25.0, 10.0, 2},
    {"tone: alpha left as it is", Step::BrightnessContrast, "made:gradient:red-none[700x400]", "", -30.0, 20.0, 2},
    {"tone: too small for the table", Step::BrightnessContrast, "photos/mate_Garden.jpg", "64x48", 20.0, 0.0, 2},
    {"tone: CMYK", Step::BrightnessContrast, "formats/jpeg/pillow_cmyk_noicc.jpg", "", 20.0, 10.0, 2},
};

}  // namespace

TEST(ToneSteps, EveryPixelIsImageMagicksOwn)
{
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.what);
        MagickWand *ours = picture(c.picture, c.size);
        ASSERT_TRUE(ours);
        MagickWand *theirs = CloneMagickWand(ours);
        int before = setImageMagickThreads(c.threads);
        if (c.step == Step::Sharpen) {
            ASSERT_TRUE(sharpenPicture(ours, c.a, c.b));
            ASSERT_TRUE(MagickSharpenImage(theirs, c.a, c.b));
        } else {
            ASSERT_TRUE(brightnessContrastPicture(ours, c.a, c.b));
            ASSERT_TRUE(MagickBrightnessContrastImage(theirs, c.a, c.b));
        }
        setImageMagickThreads(before);
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
