// The palette PNG's buffer sizes for any width and height, against 128-bit
// arithmetic: accepted exactly when the picture is not empty and its RGBA
// buffer fits libimagequant's limit (INT_MAX bytes), and then exact.
#include "fuzz_target.h"

#include <climits>

#include "imaging/palette_png.h"

FUZZ_TARGET(png8_sizes)
{
    FuzzBytes in(data, size);
    const unsigned widthBits = unsigned(in.number(0, 64)), heightBits = unsigned(in.number(0, 64));
    const size_t width = size_t(in.bits(widthBits)), height = size_t(in.bits(heightBits));
    size_t rgba = 1, indices = 1;
    const bool fits = png8BufferSizes(width, height, rgba, indices);
    const unsigned __int128 pixels = (unsigned __int128)width * height;
    FUZZ_CHECK(fits == (pixels > 0 && pixels <= (unsigned __int128)INT_MAX / 4));
    if (fits)
        FUZZ_CHECK(rgba == size_t(pixels * 4) && indices == size_t(pixels));
    else
        FUZZ_CHECK(rgba == 0 && indices == 0);
    return 0;
}
