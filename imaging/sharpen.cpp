#include "imaging/sharpen.h"

#include "imaging/row_bands.h"

#include <algorithm>
#include <cmath>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const double kEpsilon = 1.0e-12;  // MagickEpsilon
const double kPi = 3.14159265358979323846264338327950288419716939937510;  // MagickPI, a double
const size_t kMaxWidth = 201;     // 2 * ceil(radius) + 1 for a radius of 100

double perceptibleReciprocal(double x)
{
    const double sign = x < 0.0 ? -1.0 : 1.0;
    if (sign * x >= kEpsilon)
        return 1.0 / x;
    return sign / kEpsilon;
}

// ImageMagick's sharpening kernel, value for value (the same expressions in the
// same order), reflected as its convolution reads it: tap (v, u) of the
// neighbourhood weighs with values[v * width + u].
std::vector<double> sharpenKernel(double radius, double sigma, size_t &width)
{
    width = GetOptimalKernelWidth2D(radius, sigma);
    const double s = std::fabs(sigma) < kEpsilon ? kEpsilon : sigma;
    std::vector<double> values(width * width);
    double normalize = 0.0;
    const ssize_t j = (ssize_t)(width - 1) / 2;
    size_t i = 0;
    for (ssize_t v = -j; v <= j; v++)
        for (ssize_t u = -j; u <= j; u++) {
            values[i] = (double)(-exp(-((double)u * u + v * v) / (2.0 * s * s)) / (2.0 * kPi * s * s));
            normalize += values[i];
            i++;
        }
    values[i / 2] = (double)((-2.0) * normalize);
    normalize = 0.0;
    for (double value : values)
        normalize += value;
    const double gamma = perceptibleReciprocal(normalize);
    for (double &value : values)
        value *= gamma;
    std::reverse(values.begin(), values.end());
    return values;
}

Quantum clampToQuantum(double value)
{
    if (std::isnan(value) || value <= 0.0)
        return 0;
    if (value >= (double)QuantumRange)
        return QuantumRange;
    return (Quantum)(value + 0.5);
}

// The rows of one band: each source row converted once into three planes of
// doubles (edges continued as ImageMagick's virtual pixels continue them), a
// ring of as many rows as the kernel is tall. Every output channel is one sum
// over the taps in ImageMagick's order, starting from its bias of 0; four
// neighbouring pixels are summed side by side, each in its own register lane.
bool convolveBand(const Image *source, Image *target, const double *kernel, size_t width, ssize_t firstRow,
                  ssize_t endRow)
{
    const size_t w = width, off = (w - 1) / 2, columns = source->columns, virt = columns + w - 1;
    ExceptionInfo *exception = AcquireExceptionInfo();
    CacheView *in = AcquireVirtualCacheView(source, exception);
    CacheView *out = AcquireAuthenticCacheView(target, exception);
    std::vector<double> ring(w * 3 * virt);
    auto plane = [&](ssize_t row, int channel) {
        const size_t slot = (size_t)(((row % (ssize_t)w) + (ssize_t)w) % (ssize_t)w);
        return ring.data() + (slot * 3 + (size_t)channel) * virt;
    };
    auto load = [&](ssize_t row) {
        const PixelPacket *p = GetCacheViewVirtualPixels(in, -(ssize_t)off, row, virt, 1, exception);
        if (!p)
            return false;
        double *r = plane(row, 0), *g = plane(row, 1), *b = plane(row, 2);
        for (size_t x = 0; x < virt; ++x) {
            r[x] = (double)GetPixelRed(p + x);
            g[x] = (double)GetPixelGreen(p + x);
            b[x] = (double)GetPixelBlue(p + x);
        }
        return true;
    };
    bool ok = true;
    for (ssize_t row = firstRow - (ssize_t)off; ok && row < firstRow + (ssize_t)off; ++row)
        ok = load(row);
    const double *rows[3][kMaxWidth];
    for (ssize_t y = firstRow; ok && y < endRow; ++y) {
        if (!load(y + (ssize_t)off)) {
            ok = false;
            break;
        }
        for (int c = 0; c < 3; ++c)
            for (size_t v = 0; v < w; ++v)
                rows[c][v] = plane(y - (ssize_t)off + (ssize_t)v, c);
        PixelPacket *q = GetCacheViewAuthenticPixels(out, 0, y, columns, 1, exception);
        if (!q) {
            ok = false;
            break;
        }
        size_t x = 0;
#if defined(__SSE2__)
        for (; x + 4 <= columns; x += 4) {
            __m128d sum[3][2];
            for (int c = 0; c < 3; ++c)
                sum[c][0] = sum[c][1] = _mm_setzero_pd();
            const double *k = kernel;
            for (size_t v = 0; v < w; ++v)
                for (size_t u = 0; u < w; ++u, ++k) {
                    const __m128d weight = _mm_set1_pd(*k);
                    for (int c = 0; c < 3; ++c) {
                        const double *p = rows[c][v] + x + u;
                        sum[c][0] = _mm_add_pd(sum[c][0], _mm_mul_pd(weight, _mm_loadu_pd(p)));
                        sum[c][1] = _mm_add_pd(sum[c][1], _mm_mul_pd(weight, _mm_loadu_pd(p + 2)));
                    }
                }
            double s[3][4];
            for (int c = 0; c < 3; ++c) {
                _mm_storeu_pd(s[c], sum[c][0]);
                _mm_storeu_pd(s[c] + 2, sum[c][1]);
            }
            for (int i = 0; i < 4; ++i) {
                SetPixelRed(q + x + i, clampToQuantum(s[0][i]));
                SetPixelGreen(q + x + i, clampToQuantum(s[1][i]));
                SetPixelBlue(q + x + i, clampToQuantum(s[2][i]));
            }
        }
#endif
        for (; x < columns; ++x) {
            double s[3] = {0.0, 0.0, 0.0};
            const double *k = kernel;
            for (size_t v = 0; v < w; ++v)
                for (size_t u = 0; u < w; ++u, ++k)
                    for (int c = 0; c < 3; ++c)
                        s[c] += *k * rows[c][v][x + u];
            SetPixelRed(q + x, clampToQuantum(s[0]));
            SetPixelGreen(q + x, clampToQuantum(s[1]));
            SetPixelBlue(q + x, clampToQuantum(s[2]));
        }
        if (!SyncCacheViewAuthenticPixels(out, exception))
            ok = false;
    }
    out = DestroyCacheView(out);
    in = DestroyCacheView(in);
    exception = DestroyExceptionInfo(exception);
    return ok;
}

// What this code computes as ImageMagick does; anything else is left to it.
bool covered(const Image *image, const std::vector<double> &kernel, size_t width)
{
    if (MAGICKCORE_QUANTUM_DEPTH != 16 || image->matte != MagickFalse || image->colorspace == CMYKColorspace ||
        image->bias != 0.0 || image->columns == 0 || image->rows == 0)
        return false;
#if defined(MAGICKCORE_HDRI_SUPPORT)
    return false;
#endif
    const VirtualPixelMethod edges = GetImageVirtualPixelMethod(image);
    if (edges != UndefinedVirtualPixelMethod && edges != EdgeVirtualPixelMethod)
        return false;
    for (const char *name : {"convolve:bias", "convolve:scale", "morphology:compose", "showKernel",
                             "convolve:showKernel", "morphology:showKernel"})
        if (GetImageArtifact(image, name))
            return false;
    if (width > kMaxWidth || width % 2 == 0)
        return false;
    for (double value : kernel)
        if (std::isnan(value))
            return false;
    return true;
}

}  // namespace

bool sharpenPicture(MagickWand *wand, double radius, double sigma)
{
    Image *image = wand ? GetImageFromMagickWand(wand) : nullptr;
    if (!image)
        return MagickSharpenImage(wand, radius, sigma) != MagickFalse;
    size_t width = 0;
    const std::vector<double> kernel = sharpenKernel(radius, sigma, width);
    if (!covered(image, kernel, width))
        return MagickSharpenImage(wand, radius, sigma) != MagickFalse;

    // The picture is sharpened in place from a copy of itself. A palette picture
    // (a grey JPEG, say) comes out with pixels of its own, as ImageMagick's does.
    if (image->storage_class != DirectClass && !SetImageStorageClass(image, DirectClass))
        return MagickSharpenImage(wand, radius, sigma) != MagickFalse;
    ExceptionInfo *exception = AcquireExceptionInfo();
    Image *source = CloneImage(image, 0, 0, MagickTrue, exception);
    exception = DestroyExceptionInfo(exception);
    if (!source)
        return MagickSharpenImage(wand, radius, sigma) != MagickFalse;

    const bool ok = forEachRowBand(image->rows, [&](ssize_t firstRow, ssize_t endRow) {
        return convolveBand(source, image, kernel.data(), width, firstRow, endRow);
    });
    if (!ok) {
        // A pixel cache that failed part way: the picture as it was, then
        // ImageMagick's own attempt (and its error).
        CompositeImage(image, CopyCompositeOp, source, 0, 0);
        source = DestroyImage(source);
        return MagickSharpenImage(wand, radius, sigma) != MagickFalse;
    }
    source = DestroyImage(source);
    return true;
}
