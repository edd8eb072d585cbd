// libjpeg's scaled decode of a JPEG held in memory, row by row, at the
// smallest of the scales 1/8, 2/8, 4/8, 6/8 and 8/8 that still gives at least
// the size asked for. ImageMagick's reader offers only 1/1, 1/2, 1/3, 1/4 and
// 1/8: a photo a little over the size a resize needs was decoded whole, at up
// to 1.8 times the pixels of 6/8. libjpeg's odd scales are left out: a photo
// decoded at 7/8 or 5/8 and reduced to a third came out at 38-41 dB against
// a full decode reduced the same way, at 6/8 and 4/8 at 50-55 dB (3/8 did as
// badly against 2/8).
//
// libjpeg's defaults are kept, as ImageMagick's reader keeps them (integer
// IDCT, fancy upsampling, block smoothing): at a scale both offer, the pixels
// are the same.
#pragma once
#include <cstddef>

class JpegRowSink {
public:
    // The decoded size, before the first row; false refuses the picture.
    virtual bool begin(size_t width, size_t height) = 0;
    // One row, top to bottom: width pixels of four bytes, 8-bit blue, green and
    // red (a grey picture's three equal) and one byte of no meaning: the order
    // of ImageMagick's pixel packet. false stops the decode.
    virtual bool row(const unsigned char *bgrx) = 0;

protected:
    ~JpegRowSink() = default;
};

enum class JpegScaledResult {
    Decoded,  // every row handed to the sink
    Refused,  // a colour space not passed on as RGB here (CMYK, YCCK), over maxPixels, or the sink said no
    Damaged,  // libjpeg found the data corrupt (an error, or a warning such as a premature end)
};

// leastWidth x leastHeight: the size the decode must at least keep (the
// stored size: no scaling). A picture whose header claims more than maxPixels
// is refused before libjpeg allocates anything for it.
JpegScaledResult decodeJpegScaled(const unsigned char *data, size_t size, size_t leastWidth, size_t leastHeight,
                                  unsigned long long maxPixels, JpegRowSink &sink);

// The scale k/8 decodeJpegScaled picks for a picture of this stored size.
int jpegScaleEighths(size_t width, size_t height, size_t leastWidth, size_t leastHeight);
