// libjpeg's scaled decode on any bytes (the first byte says the size to keep):
// it ends, decoded, refused or damaged, without a fault; a picture said to be
// decoded was handed every row of the size it began with, each readable to its
// end, and nothing comes after the last row or before the size.
#include "fuzz_target.h"

#include "imaging/jpeg_scaled.h"

namespace {

class CountingSink : public JpegRowSink {
public:
    bool begin(size_t w, size_t h) override
    {
        FUZZ_CHECK(!begun);
        begun = true;
        width = w;
        height = h;
        FUZZ_CHECK(w > 0 && h > 0);
        return true;
    }
    bool row(const unsigned char *bgrx) override
    {
        FUZZ_CHECK(begun && rows < height);
        for (size_t i = 0; i < width * 4; ++i)
            sum += bgrx[i];
        ++rows;
        return true;
    }
    bool begun = false;
    size_t width = 0, height = 0, rows = 0;
    unsigned sum = 0;
};

}  // namespace

FUZZ_TARGET(jpeg_scaled)
{
    if (size < 1)
        return 0;
    const size_t least = 1 + (size_t)data[0] * 4;
    CountingSink sink;
    // A million pixels at most: the program's limit is ImageMagick's, far above.
    const JpegScaledResult result = decodeJpegScaled(data + 1, size - 1, least, least, 1u << 20, sink);
    if (result == JpegScaledResult::Decoded)
        FUZZ_CHECK(sink.begun && sink.rows == sink.height);
    if (!sink.begun)
        FUZZ_CHECK(result != JpegScaledResult::Decoded);
    return 0;
}
