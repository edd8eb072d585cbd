#include "pipeline_test_support.h"

#include <windows.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "test_util.h"
#include "ui/preview/picture_canvas.h"
#include "util/magick_path.h"
#include "util/text.h"

MagickWand *readPicture(const std::string &path)
{
    std::string p = magickPath(path);
    MagickWand *w = NewMagickWand();
    if (p.empty() || MagickReadImage(w, p.c_str()) == MagickFalse) {
        DestroyMagickWand(w);
        return nullptr;
    }
    MagickResetIterator(w);
    MagickNextImage(w);
    return w;
}

bool makePicture(const std::string &path, int width, int height, const char *colour)
{
    MagickWand *w = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    bool ok = MagickNewImage(w, (size_t)width, (size_t)height, c) != MagickFalse;
    DestroyPixelWand(c);
    std::string p = magickWritePath(path);
    ok = ok && !p.empty() && MagickWriteImage(w, p.c_str()) != MagickFalse;
    DestroyMagickWand(w);
    return ok;
}

Rgb pixelAt(MagickWand *picture, int x, int y)
{
    Rgb out;
    PixelWand *c = NewPixelWand();
    if (MagickGetImagePixelColor(picture, x, y, c) != MagickFalse) {
        out.r = PixelGetRed(c) * 255.0;
        out.g = PixelGetGreen(c) * 255.0;
        out.b = PixelGetBlue(c) * 255.0;
    }
    DestroyPixelWand(c);
    return out;
}

double meanLevel(MagickWand *picture)
{
    double mean = 0, deviation = 0;
    MagickGetImageChannelMean(picture, CompositeChannels, &mean, &deviation);
    return mean / QuantumRange * 255.0;
}

double spreadLevel(MagickWand *picture)
{
    double mean = 0, deviation = 0;
    MagickGetImageChannelMean(picture, CompositeChannels, &mean, &deviation);
    return deviation / QuantumRange * 255.0;
}

bool hasProfile(MagickWand *picture, const char *name)
{
    size_t length = 0;
    unsigned char *p = MagickGetImageProfile(picture, name, &length);
    if (p)
        MagickRelinquishMemory(p);
    return p != nullptr && length > 0;
}

std::string readAll(const std::string &path)
{
    return readFileBytes(path);
}

PictureOutcome runPipeline(const ProcessSettings &settings, const std::string &source, const std::string &target,
                           int flip, int rotation, const MagickWand *textMark, const MagickWand *imageMark)
{
    PipelineInputs inputs;
    inputs.settings = &settings;
    inputs.textWatermark = textMark;
    inputs.imageWatermark = imageMark;
    inputs.srgbProfile = readFileBytes(samplePath("icc/sRGB_icc-profiles-free.icc"));
    inputs.cmykProfile = readFileBytes(samplePath("icc/default_cmyk_swop_ghostscript.icc"));
    return processPicture(inputs, source, target, flip, rotation);
}

static bool sameSize(MagickWand *a, MagickWand *b)
{
    return MagickGetImageWidth(a) == MagickGetImageWidth(b) && MagickGetImageHeight(a) == MagickGetImageHeight(b);
}

double largestDifference(MagickWand *a, MagickWand *b)
{
    if (!sameSize(a, b))
        return -1.0;
    double distortion = 0;
    MagickWand *d = MagickCompareImages(a, b, PeakAbsoluteErrorMetric, &distortion);
    if (d)
        DestroyMagickWand(d);
    return distortion * 255.0;
}

double meanDifference(MagickWand *a, MagickWand *b)
{
    if (!sameSize(a, b))
        return -1.0;
    double distortion = 0;
    MagickWand *d = MagickCompareImages(a, b, MeanAbsoluteErrorMetric, &distortion);
    if (d)
        DestroyMagickWand(d);
    return distortion * 255.0;
}

double alphaAt(MagickWand *picture, int x, int y)
{
    double alpha = 0;
    PixelWand *c = NewPixelWand();
    if (MagickGetImagePixelColor(picture, x, y, c) != MagickFalse)
        alpha = PixelGetAlpha(c);
    DestroyPixelWand(c);
    return alpha;
}

MagickWand *solid(int width, int height, const char *colour)
{
    MagickWand *w = NewMagickWand();
    PixelWand *c = NewPixelWand();
    PixelSetColor(c, colour);
    MagickNewImage(w, (size_t)width, (size_t)height, c);
    DestroyPixelWand(c);
    return w;
}

bool nearColour(const Rgb &c, double r, double g, double b, double tolerance)
{
    return std::fabs(c.r - r) <= tolerance && std::fabs(c.g - g) <= tolerance && std::fabs(c.b - b) <= tolerance;
}

std::string describe(const Rgb &c)
{
    return formatText("(%.0f,%.0f,%.0f)", c.r, c.g, c.b);
}

size_t sizeOf(MagickWand *w, bool height)
{
    return height ? MagickGetImageHeight(w) : MagickGetImageWidth(w);
}

void process(Written &w, const ProcessSettings &s, const std::string &source, const std::string &target, int flip,
             int rotation, const MagickWand *textMark, const MagickWand *imageMark)
{
    w.outcome = runPipeline(s, source, target, flip, rotation, textMark, imageMark);
    w.picture = readPicture(target);
}

double largestFileDifference(const std::string &pathA, const std::string &pathB)
{
    MagickWand *a = readPicture(pathA);
    MagickWand *b = readPicture(pathB);
    double d = a && b ? largestDifference(a, b) : 999;
    if (a)
        DestroyMagickWand(a);
    if (b)
        DestroyMagickWand(b);
    return d;
}

double fittedPsnr(const DisplayPicture &a, const DisplayPicture &b, int fullWidth, int fullHeight, int clientWidth,
                  int clientHeight, int &largest)
{
    const CanvasSize shown = canvasFitSize(clientWidth, clientHeight, fullWidth, fullHeight);
    MagickWand *fitted[2];
    for (int i = 0; i < 2; ++i) {
        const DisplayPicture &p = i ? b : a;
        DIBSECTION dib = {};
        GetObjectA(p.bitmap, sizeof dib, &dib);
        std::vector<unsigned char> pixels((size_t)shown.width * shown.height * 4);
        shrinkBgra(static_cast<const unsigned char *>(dib.dsBm.bmBits), p.width, p.height, pixels.data(), shown.width,
                   shown.height);
        fitted[i] = NewMagickWand();
        MagickConstituteImage(fitted[i], shown.width, shown.height, "BGRP", CharPixel, pixels.data());
    }
    largest = (int)largestDifference(fitted[0], fitted[1]);
    double mean = 0;  // of the squared differences, in [0, 1]
    if (MagickWand *d = MagickCompareImages(fitted[0], fitted[1], MeanSquaredErrorMetric, &mean))
        DestroyMagickWand(d);
    DestroyMagickWand(fitted[0]);
    DestroyMagickWand(fitted[1]);
    return mean == 0 ? 1000.0 : 10 * log10(1.0 / mean);
}
