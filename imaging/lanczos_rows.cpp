#include "imaging/lanczos_rows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const double kEpsilon = 1.0e-12;  // ImageMagick's MagickEpsilon
const double kSupport = 3.0;      // Lanczos: three lobes
const double kPi = 3.14159265358979323846;

// sin(pi x), for the filter's weights. MinGW's sin goes through the x87 unit
// and cost the Windows build 3 % of a batch's time (two sines per tap, some
// 80,000 per photo); this one is plain double arithmetic, within an ulp or two
// of the C library's, and the same in every build. The argument is reduced by
// whole half-turns, exactly, so that whole x gives exactly 0.
double sinPi(double x)
{
    const double turns = std::nearbyint(x);
    double r = x - turns;  // exact: [-0.5, 0.5]
    const double a = kPi * r;
    const double a2 = a * a;
    // Taylor to a^21: the first term left out is below 2e-18 for |a| <= pi/2.
    double p = 1.0 / 51090942171709440000.0;  // 1/21!
    const double inverseFactorials[] = {-1.0 / 121645100408832000.0, 1.0 / 355687428096000.0,
                                        -1.0 / 1307674368000.0,      1.0 / 6227020800.0,
                                        -1.0 / 39916800.0,           1.0 / 362880.0,
                                        -1.0 / 5040.0,               1.0 / 120.0,
                                        -1.0 / 6.0,                  1.0};
    for (double c : inverseFactorials)
        p = p * a2 + c;
    const double s = a * p;
    return std::fmod(turns, 2.0) == 0.0 ? s : -s;
}

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    return sinPi(x) / (kPi * x);
}

// The windowed sinc ImageMagick's "Lanczos" filter weighs with.
double lanczos(double x)
{
    x = std::fabs(x);
    return sinc(x / kSupport) * sinc(x);
}

// sum[0..3] += weight * p[0..3]: the four channels of one pixel.
#if defined(__SSE2__)
inline __m128 addScaled(__m128 sum, float weight, const float *p)
{
    return _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(weight), _mm_loadu_ps(p)));
}
#endif

// The four floats of a pixel sit in the order of ImageMagick's pixel packet,
// so that a packet converts in one step.
const size_t kRed = offsetof(PixelPacket, red) / sizeof(Quantum);
const size_t kGreen = offsetof(PixelPacket, green) / sizeof(Quantum);
const size_t kBlue = offsetof(PixelPacket, blue) / sizeof(Quantum);
const size_t kOpacity = offsetof(PixelPacket, opacity) / sizeof(Quantum);
static_assert(sizeof(PixelPacket) == 4 * sizeof(Quantum), "a pixel packet is four quanta");
// The packet's order on little-endian machines: four floats go in and out of it whole.
const bool kPacketIsBgra = kBlue == 0 && kGreen == 1 && kRed == 2 && kOpacity == 3;

Quantum toQuantum(float value)
{
    if (value <= 0.0f)
        return 0;
    if (value >= (float)QuantumRange)
        return QuantumRange;
    return (Quantum)(value + 0.5f);
}

}  // namespace

// The taps of every target pixel along one side, placed and normalised as
// ImageMagick's resize places them (pixel centres, the support widened by the
// reduction factor).
void LanczosRows::plan(size_t from, size_t to, std::vector<Taps> &taps, std::vector<float> &weights)
{
    const double factor = (double)to / (double)from;
    double scale = std::max(1.0 / factor + kEpsilon, 1.0);
    const double support = scale * kSupport;
    scale = 1.0 / scale;
    taps.assign(to, Taps());
    weights.clear();
    std::vector<double> w;
    for (size_t i = 0; i < to; ++i) {
        const double bisect = ((double)i + 0.5) / factor + kEpsilon;
        const size_t start = (size_t)std::max(bisect - support + 0.5, 0.0);
        const size_t stop = (size_t)std::min(bisect + support + 0.5, (double)from);
        w.clear();
        double density = 0.0;
        for (size_t n = start; n < stop; ++n) {
            w.push_back(lanczos(scale * ((double)n - bisect + 0.5)));
            density += w.back();
        }
        if (density != 0.0 && density != 1.0)
            for (double &value : w)
                value /= density;
        taps[i].start = start;
        taps[i].count = w.size();
        taps[i].first = weights.size();
        weights.insert(weights.end(), w.begin(), w.end());
    }
}

// The most taps one target pixel takes along a side (the support on both sides,
// widened by the reduction, and the rounding at its ends).
static double tapsAlong(size_t from, size_t to)
{
    const double taps = 2.0 * kSupport * std::max((double)from / (double)to, 1.0) + 3.0;
    return std::min(taps, (double)from);
}

bool LanczosRows::affordable(size_t sourceWidth, size_t sourceHeight, size_t width, size_t height)
{
    if (sourceWidth == 0 || sourceHeight == 0 || width == 0 || height == 0)
        return false;
    const double floats = (double)width * tapsAlong(sourceWidth, width) +
                          (double)height * tapsAlong(sourceHeight, height) +
                          4.0 * (double)width * (tapsAlong(sourceHeight, height) + 1.0) + 4.0 * (double)sourceWidth;
    return floats * sizeof(float) <= 64.0 * 1024 * 1024;
}

LanczosRows::LanczosRows(Image *target, size_t sourceWidth, size_t sourceHeight)
    : target_(target), inWidth_(sourceWidth), inHeight_(sourceHeight), outWidth_(target->columns),
      outHeight_(target->rows)
{
    plan(inWidth_, outWidth_, columns_, columnWeights_);
    plan(inHeight_, outHeight_, rows_, rowWeights_);
    for (const Taps &t : rows_)
        ringRows_ = std::max(ringRows_, t.count);
    ringRows_ = std::max<size_t>(ringRows_, 1);
    source_.assign(inWidth_ * 4, 0.0f);
    ring_.assign(ringRows_ * outWidth_ * 4, 0.0f);
    sum_.assign(outWidth_ * 4, 0.0f);
}

bool LanczosRows::push(const PixelPacket *row)
{
    if (received_ >= inHeight_)
        return false;
    float *s = source_.data();
#if defined(__SSE2__) && MAGICKCORE_QUANTUM_DEPTH == 16 && !defined(MAGICKCORE_HDRI_SUPPORT)
    const __m128i zero = _mm_setzero_si128();
    for (size_t x = 0; x < inWidth_; ++x, s += 4) {
        __m128i packet = _mm_loadl_epi64((const __m128i *)(row + x));
        _mm_storeu_ps(s, _mm_cvtepi32_ps(_mm_unpacklo_epi16(packet, zero)));
    }
#else
    for (size_t x = 0; x < inWidth_; ++x, s += 4) {
        s[kRed] = (float)GetPixelRed(row + x);
        s[kGreen] = (float)GetPixelGreen(row + x);
        s[kBlue] = (float)GetPixelBlue(row + x);
        s[kOpacity] = 0.0f;
    }
#endif
    return reduceSourceRow();
}

bool LanczosRows::pushBgrx8(const unsigned char *row)
{
    if (received_ >= inHeight_)
        return false;
    const float perStep = (float)(QuantumRange / 255.0);  // 257 at 16 bits: exact, as ImageMagick scales
    float *s = source_.data();
    size_t x = 0;
#if defined(__SSE2__)
    if (kPacketIsBgra) {
        // Four pixels at a time: bytes to 32-bit lanes to floats, the fourth byte
        // of each pixel times zero.
        const __m128i zero = _mm_setzero_si128();
        const __m128 scale = _mm_set_ps(0.0f, perStep, perStep, perStep);
        for (; x + 4 <= inWidth_; x += 4, s += 16, row += 16) {
            const __m128i bytes = _mm_loadu_si128((const __m128i *)row);
            const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
            _mm_storeu_ps(s, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)), scale));
            _mm_storeu_ps(s + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)), scale));
            _mm_storeu_ps(s + 8, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)), scale));
            _mm_storeu_ps(s + 12, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)), scale));
        }
    }
#endif
    for (; x < inWidth_; ++x, s += 4, row += 4) {
        s[kBlue] = perStep * row[0];
        s[kGreen] = perStep * row[1];
        s[kRed] = perStep * row[2];
        s[kOpacity] = 0.0f;
    }
    return reduceSourceRow();
}

bool LanczosRows::reduceSourceRow()
{
    // Across: the row, reduced to the target's width, into its place in the ring.
    float *out = ring_.data() + (received_ % ringRows_) * outWidth_ * 4;
    for (size_t x = 0; x < outWidth_; ++x, out += 4) {
        const Taps &t = columns_[x];
        const float *w = columnWeights_.data() + t.first;
        const float *p = source_.data() + t.start * 4;
        // Two sums taken in turns: each waits on the previous addition only
        // every other tap, which nearly halves the time of this loop.
#if defined(__SSE2__)
        __m128 a = _mm_setzero_ps(), b = _mm_setzero_ps();
        size_t i = 0;
        for (; i + 1 < t.count; i += 2, p += 8) {
            a = addScaled(a, w[i], p);
            b = addScaled(b, w[i + 1], p + 4);
        }
        if (i < t.count)
            a = addScaled(a, w[i], p);
        _mm_storeu_ps(out, _mm_add_ps(a, b));
#else
        float a[4] = {0, 0, 0, 0}, b[4] = {0, 0, 0, 0};
        size_t i = 0;
        for (; i + 1 < t.count; i += 2, p += 8) {
            for (int c = 0; c < 4; ++c) {
                a[c] += w[i] * p[c];
                b[c] += w[i + 1] * p[4 + c];
            }
        }
        if (i < t.count)
            for (int c = 0; c < 4; ++c)
                a[c] += w[i] * p[c];
        for (int c = 0; c < 4; ++c)
            out[c] = a[c] + b[c];
#endif
    }
    ++received_;
    return emitReadyRows();
}

// Down: every target row whose source rows have all arrived.
bool LanczosRows::emitReadyRows()
{
    while (nextOut_ < outHeight_) {
        const Taps &t = rows_[nextOut_];
        if (t.start + t.count > received_)
            return true;
        const size_t width = outWidth_ * 4;
        float *__restrict sum = sum_.data();
        for (size_t k = 0; k < width; ++k)
            sum[k] = 0.0f;
        const float *w = rowWeights_.data() + t.first;
        for (size_t i = 0; i < t.count; ++i) {
            const float *__restrict r = ring_.data() + ((t.start + i) % ringRows_) * width;
            const float weight = w[i];
#if defined(__SSE2__)
            for (size_t k = 0; k < width; k += 4)
                _mm_storeu_ps(sum + k, addScaled(_mm_loadu_ps(sum + k), weight, r + k));
#else
            for (size_t k = 0; k < width; ++k)
                sum[k] += weight * r[k];
#endif
        }
        PixelPacket *q = QueueAuthenticPixels(target_, 0, (ssize_t)nextOut_, outWidth_, 1, &target_->exception);
        if (!q)
            return false;
        size_t x = 0;
#if defined(__SSE2__) && MAGICKCORE_QUANTUM_DEPTH == 16 && !defined(MAGICKCORE_HDRI_SUPPORT)
        if (kPacketIsBgra) {
            // Two pixels at a time, rounded and clamped as toQuantum does; the
            // opacity lane is cleared (opaque). 16-bit lanes are packed signed,
            // so the values go down by half the range and back.
            const __m128 lowest = _mm_setzero_ps(), highest = _mm_set1_ps((float)QuantumRange);
            const __m128 half = _mm_set1_ps(0.5f);
            const __m128 colour = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
            const __m128i down = _mm_set1_epi32(32768), back = _mm_set1_epi16((short)0x8000);
            for (; x + 2 <= outWidth_; x += 2, sum += 8) {
                const __m128 a = _mm_and_ps(_mm_loadu_ps(sum), colour);
                const __m128 b = _mm_and_ps(_mm_loadu_ps(sum + 4), colour);
                const __m128i ia = _mm_cvttps_epi32(_mm_add_ps(_mm_min_ps(_mm_max_ps(a, lowest), highest), half));
                const __m128i ib = _mm_cvttps_epi32(_mm_add_ps(_mm_min_ps(_mm_max_ps(b, lowest), highest), half));
                const __m128i packed =
                    _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(ia, down), _mm_sub_epi32(ib, down)), back);
                _mm_storeu_si128((__m128i *)(q + x), packed);
            }
        }
#endif
        for (; x < outWidth_; ++x, sum += 4) {
            SetPixelRed(q + x, toQuantum(sum[kRed]));
            SetPixelGreen(q + x, toQuantum(sum[kGreen]));
            SetPixelBlue(q + x, toQuantum(sum[kBlue]));
            SetPixelOpacity(q + x, OpaqueOpacity);
        }
        if (!SyncAuthenticPixels(target_, &target_->exception))
            return false;
        ++nextOut_;
    }
    return true;
}
