// A Lanczos (3 lobes) reduction fed one source row at a time, top to bottom.
// It gives the pixels ImageMagick's MagickResizeImage(..., LanczosFilter, 1.0)
// gives (the same taps, weights and rounding; only the order of the two passes
// and the 16-bit rounding between them may differ), but it never needs the
// whole source picture: a JPEG decoded as a stream goes straight through it,
// holding a few rows instead of a full-size 16-bit copy of the photo.
//
// Usage:
//     LanczosRows rows(target, sourceWidth, sourceHeight);  // target: an Image of the final size
//     for (each source row, top to bottom) if (!rows.push(row)) break;
//     bool whole = rows.complete();                          // every target row written
//
// Colour channels only (red, green, blue; a grey picture has them equal): the
// caller keeps pictures with an alpha or a black channel to ImageMagick's resize.
#pragma once
#include <cstddef>
#include <vector>
#include <wand/MagickWand.h>

class LanczosRows {
public:
    // Whether the weights and the rows kept for a reduction of this size fit in
    // a modest budget (a photo's take well under a megabyte; squeezing 60000
    // rows into one would take gigabytes): the caller leaves the others to
    // ImageMagick, which works out its weights a column at a time.
    static bool affordable(size_t sourceWidth, size_t sourceHeight, size_t width, size_t height);

    LanczosRows(Image *target, size_t sourceWidth, size_t sourceHeight);
    // One source row of sourceWidth pixels. false when the row could not be
    // written out (the target's pixel cache failed) or more rows came than the
    // source has.
    bool push(const PixelPacket *row);
    // The same from sourceWidth pixels of 8-bit blue, green, red and a byte
    // left out (libjpeg's samples, scaled as ImageMagick scales them to its
    // quantum).
    bool pushBgrx8(const unsigned char *row);
    // Whether every row of the target has been written.
    bool complete() const { return nextOut_ == outHeight_; }

private:
    struct Taps {
        size_t start = 0;
        size_t count = 0;
        size_t first = 0;  // index of the first weight in weights
    };
    static void plan(size_t from, size_t to, std::vector<Taps> &taps, std::vector<float> &weights);
    bool reduceSourceRow();  // source_ across into the ring, then the rows due down
    bool emitReadyRows();

    Image *target_;
    size_t inWidth_, inHeight_, outWidth_, outHeight_;
    std::vector<Taps> columns_, rows_;
    std::vector<float> columnWeights_, rowWeights_;
    std::vector<float> source_;      // the row being pushed, 4 floats a pixel
    std::vector<float> ring_;        // the last rows, reduced in width, 4 floats a pixel
    size_t ringRows_ = 0;
    std::vector<float> sum_;         // one target row being summed
    size_t received_ = 0;
    size_t nextOut_ = 0;
};
