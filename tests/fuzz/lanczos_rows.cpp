// The streaming Lanczos reduction on random small pictures and reduction
// factors, checked pixel by pixel against a slow reference: each target pixel
// summed directly over the source rectangle in double precision, with the
// Lanczos-3 kernel placed and normalised as ImageMagick's resize places it.
#include "fuzz_target.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "imaging/lanczos_rows.h"

namespace {

double lanczos3(double x)
{
    const double pi = 3.14159265358979323846;
    auto sinc = [pi](double v) { return v == 0.0 ? 1.0 : std::sin(pi * v) / (pi * v); };
    return sinc(x) * sinc(x / 3.0);
}

// The normalised weights of target position `to` along a side of `from` source
// pixels reduced to `target`, as (first source index, weights).
std::vector<double> weightsAt(size_t to, size_t from, size_t target, size_t &first)
{
    const double factor = double(target) / double(from);
    const double scale = std::max(1.0 / factor + 1.0e-12, 1.0), support = 3.0 * scale;
    const double centre = (double(to) + 0.5) / factor + 1.0e-12;
    first = size_t(std::max(centre - support + 0.5, 0.0));
    const size_t stop = size_t(std::min(centre + support + 0.5, double(from)));
    std::vector<double> w;
    double sum = 0.0;
    for (size_t n = first; n < stop; ++n) {
        w.push_back(lanczos3((double(n) - centre + 0.5) / scale));
        sum += w.back();
    }
    if (sum != 0.0)
        for (double &v : w)
            v /= sum;
    return w;
}

}  // namespace

FUZZ_TARGET(lanczos_rows)
{
    static const bool started = (MagickWandGenesis(), true);
    (void)started;
    FuzzBytes in(data, size);
    const size_t W = size_t(in.number(1, 96)), H = size_t(in.number(1, 48));
    const size_t w = size_t(in.number(1, (long long)W)), h = size_t(in.number(1, (long long)H));
    // The caller's budget check, on sizes of any magnitude: no overflow, no zero.
    const size_t big[4] = {size_t(in.bits(40)), size_t(in.bits(40)), size_t(in.bits(40)), size_t(in.bits(40))};
    const bool affordable = LanczosRows::affordable(big[0], big[1], big[2], big[3]);
    FUZZ_CHECK(!affordable || (big[0] && big[1] && big[2] && big[3]));

    const std::string pattern = in.rest();
    std::vector<PixelPacket> source(W * H);
    for (size_t i = 0; i < source.size(); ++i) {
        auto channel = [&](size_t k) -> Quantum {
            if (pattern.empty())
                return 0;
            const unsigned char b = (unsigned char)pattern[(3 * i + k) % pattern.size()];
            return Quantum(b * 257u);  // 0..QuantumRange, extremes included
        };
        source[i].red = channel(0);
        source[i].green = channel(1);
        source[i].blue = channel(2);
        source[i].opacity = 0;
    }

    MagickWand *wand = NewMagickWand();
    PixelWand *black = NewPixelWand();
    PixelSetColor(black, "black");
    FUZZ_CHECK(MagickNewImage(wand, w, h, black) != MagickFalse);
    DestroyPixelWand(black);
    {
        LanczosRows rows(GetImageFromMagickWand(wand), W, H);
        for (size_t y = 0; y < H; ++y)
            FUZZ_CHECK(rows.push(&source[y * W]));
        FUZZ_CHECK(rows.complete());
        FUZZ_CHECK(!rows.push(&source[0]));  // one row more than the source has
    }
    std::vector<unsigned short> out(w * h * 3);
    FUZZ_CHECK(MagickExportImagePixels(wand, 0, 0, w, h, "RGB", ShortPixel, out.data()) != MagickFalse);
    DestroyMagickWand(wand);

    for (size_t Y = 0; Y < h; ++Y) {
        size_t firstRow = 0, firstColumn = 0;
        const std::vector<double> wy = weightsAt(Y, H, h, firstRow);
        for (size_t X = 0; X < w; ++X) {
            const std::vector<double> wx = weightsAt(X, W, w, firstColumn);
            double sum[3] = {0, 0, 0};
            for (size_t j = 0; j < wy.size(); ++j)
                for (size_t i = 0; i < wx.size(); ++i) {
                    const PixelPacket &p = source[(firstRow + j) * W + firstColumn + i];
                    const double weight = wy[j] * wx[i];
                    sum[0] += weight * p.red;
                    sum[1] += weight * p.green;
                    sum[2] += weight * p.blue;
                }
            for (int c = 0; c < 3; ++c) {
                const double expected = std::min(std::max(std::floor(sum[c] + 0.5), 0.0), double(QuantumRange));
                FUZZ_CHECK(std::fabs(double(out[(Y * w + X) * 3 + c]) - expected) <= 2.0);
            }
        }
    }
    return 0;
}
