#include "core/jpeg_size_limit.h"

#include <map>
#include <vector>

#include "imaging/camera_data.h"
#include "imaging/output_options.h"  // takeImageBlob

namespace {

const size_t kTile = 16;  // a whole MCU at every sampling factor ImageMagick writes
const size_t kEvery = 4;  // every fourth tile row, every fourth tile in it: a sixteenth
// What every JPEG file carries besides its blocks (markers, tables), near enough.
const long long kHeaderBytes = 600;
// The corrected prediction is good to a per cent or two (measured on the sample
// photos); a quality predicted to need more than this is taken as not fitting.
const double kClearlyOver = 1.03;
// Searches led by the mosaic before plain bisection takes over.
const int kGuidedTries = 3;

bool encodeAt(MagickWand *picture, int quality, std::string &out, std::string &reason)
{
    MagickSetImageCompressionQuality(picture, (size_t)quality);
    return takeImageBlob(picture, out, reason);
}

// The bytes of the picture's profiles (camera data, colour profile), which every
// quality carries whole.
long long profileBytes(MagickWand *picture)
{
    long long total = 0;
    size_t count = 0;
    char **names = MagickGetImageProfiles(picture, "*", &count);
    for (size_t i = 0; names && i < count; ++i) {
        size_t length = 0;
        unsigned char *profile = MagickGetImageProfile(picture, names[i], &length);
        if (profile)
            MagickRelinquishMemory(profile);
        total += (long long)length + 4;  // marker and length
    }
    if (names)
        MagickRelinquishMemory(names);
    return total;
}

// Every sixteenth 16 x 16 tile of the picture side by side, written the way the
// picture is written (colour space, chroma sampling, interlace). nullptr for a
// picture too small to be worth it: its whole encodes cost next to nothing.
MagickWand *buildMosaic(MagickWand *picture, double &share)
{
    const size_t width = MagickGetImageWidth(picture), height = MagickGetImageHeight(picture);
    const size_t columns = width / kTile, rows = height / kTile;
    const size_t across = columns / kEvery, down = rows / kEvery;
    if (across < 2 || down < 2)
        return nullptr;
    const ColorspaceType colourspace = MagickGetImageColorspace(picture);
    const char *map = colourspace == CMYKColorspace ? "CMYK" : colourspace == GRAYColorspace ? "I" : "RGB";
    const size_t channels = colourspace == CMYKColorspace ? 4 : colourspace == GRAYColorspace ? 1 : 3;
    const size_t mosaicWidth = across * kTile, mosaicHeight = down * kTile;
    std::vector<unsigned char> strip(width * kTile * channels);
    std::vector<unsigned char> mosaic(mosaicWidth * mosaicHeight * channels);
    for (size_t d = 0; d < down; ++d) {
        const size_t tileRow = d * kEvery;
        if (!MagickExportImagePixels(picture, 0, (ssize_t)(tileRow * kTile), width, kTile, map, CharPixel,
                                     strip.data()))
            return nullptr;
        // The tiles taken move along from one row to the next, so that the sample
        // is spread over the picture rather than lined up in columns.
        const size_t first = d % kEvery;
        for (size_t a = 0; a < across; ++a) {
            const size_t tileColumn = first + a * kEvery;
            if (tileColumn >= columns)
                break;
            for (size_t y = 0; y < kTile; ++y) {
                const unsigned char *from = &strip[(y * width + tileColumn * kTile) * channels];
                unsigned char *to = &mosaic[((d * kTile + y) * mosaicWidth + a * kTile) * channels];
                std::copy(from, from + kTile * channels, to);
            }
        }
    }
    MagickWand *wand = NewMagickWand();
    if (!MagickConstituteImage(wand, mosaicWidth, mosaicHeight, map, CharPixel, mosaic.data())) {
        DestroyMagickWand(wand);
        return nullptr;
    }
    MagickSetImageColorspace(wand, colourspace);
    MagickSetImageInterlaceScheme(wand, MagickGetImageInterlaceScheme(picture));
    char *sampling = MagickGetImageProperty(picture, "jpeg:sampling-factor");
    if (sampling) {
        MagickSetImageProperty(wand, "jpeg:sampling-factor", sampling);
        MagickRelinquishMemory(sampling);
    }
    MagickSetImageFormat(wand, "JPEG");
    share = (double)(mosaicWidth * mosaicHeight) / (double)(width * height);
    return wand;
}

}  // namespace

bool encodeJpegWithin(MagickWand *picture, size_t limitBytes, std::string &bytes, bool &fits, std::string &reason,
                      JpegSearchCost *cost)
{
    JpegSearchCost spent;
    bytes.clear();
    fits = false;
    // The camera data as it will be written (no EXIF thumbnail): the prediction
    // counts its bytes.
    makeCameraDataTrue(picture);
    const long long limit = (long long)limitBytes;
    double share = 0.0;
    MagickWand *mosaic = buildMosaic(picture, share);
    std::map<int, long long> mosaicBytes;
    auto mosaicAt = [&](int quality) -> long long {
        auto known = mosaicBytes.find(quality);
        if (known != mosaicBytes.end())
            return known->second;
        std::string out, ignored;
        long long size = encodeAt(mosaic, quality, out, ignored) ? (long long)out.size() : -1;
        spent.mosaicShare += share;
        mosaicBytes[quality] = size;
        return size;
    };
    // A whole encode weighs: the profiles and headers once, and the blocks about
    // `scale` times what the mosaic's blocks weigh.
    const long long fixed = profileBytes(picture) + kHeaderBytes;
    double scale = share > 0.0 ? 1.0 / share : 0.0;
    auto predicted = [&](int quality) {
        long long blocks = mosaicAt(quality) - kHeaderBytes;
        return blocks >= 0 ? fixed + scale * (double)blocks : 1e18;
    };
    auto predictedFits = [&](int quality) { return predicted(quality) <= (double)limit; };

    int low = 0, high = 101;  // low: the highest quality known to fit (0: none); high: the lowest known not to
    std::string smallest;
    bool ok = true;
    for (int guided = 0; high - low > 1;) {
        int quality = (low + high) / 2;
        if (mosaic && guided < kGuidedTries) {
            ++guided;
            // The highest quality between the bounds that the mosaic says fits.
            int a = low + 1, b = high - 1, best = low;
            while (a <= b) {
                int mid = (a + b) / 2;
                if (predictedFits(mid)) {
                    best = mid;
                    a = mid + 1;
                } else {
                    b = mid - 1;
                }
            }
            // Settled when the mosaic, corrected by the whole encodes so far, puts
            // the next quality clearly over the limit; a near thing is encoded.
            if (best == low && low > 0 && predicted(low + 1) > (double)limit * kClearlyOver)
                break;
            quality = best > low ? best : low + 1;
        }
        std::string out;
        if (!encodeAt(picture, quality, out, reason)) {
            ok = false;
            break;
        }
        ++spent.encodes;
        const long long weighed = (long long)out.size();
        if (weighed <= limit) {
            low = quality;
            bytes.swap(out);
        } else {
            high = quality;
            if (quality == 1)
                smallest.swap(out);
        }
        // What the picture really weighs corrects the mosaic's scale.
        if (mosaic) {
            long long blocks = mosaicAt(quality) - kHeaderBytes;
            if (blocks > 0 && weighed > fixed)
                scale = (double)(weighed - fixed) / (double)blocks;
        }
    }
    if (mosaic)
        DestroyMagickWand(mosaic);
    if (cost)
        *cost = spent;
    if (!ok)
        return false;
    if (low > 0) {
        fits = true;
        MagickSetImageCompressionQuality(picture, (size_t)low);
    } else {
        bytes.swap(smallest);
        MagickSetImageCompressionQuality(picture, 1);
    }
    return true;
}
