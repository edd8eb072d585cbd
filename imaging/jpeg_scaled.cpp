#include "imaging/jpeg_scaled.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

// No windows.h here: its boolean is not libjpeg's.
#include <jpeglib.h>

namespace {

// libjpeg's errors end the decode by a jump back into decodeJpegScaled (no
// C++ frame lies between: the sink is called between libjpeg's calls).
struct Errors {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool warned;
};

void onError(j_common_ptr cinfo) { longjmp(((Errors *)cinfo->err)->jump, 1); }

void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)  // corrupt data that libjpeg decodes around
        ((Errors *)cinfo->err)->warned = true;
}

size_t scaled(size_t side, int eighths) { return (side * (size_t)eighths + 7) / 8; }

}  // namespace

int jpegScaleEighths(size_t width, size_t height, size_t leastWidth, size_t leastHeight)
{
    for (int k : {1, 2, 4, 6})
        if (scaled(width, k) >= leastWidth && scaled(height, k) >= leastHeight)
            return k;
    return 8;
}

JpegScaledResult decodeJpegScaled(const unsigned char *data, size_t size, size_t leastWidth, size_t leastHeight,
                                  unsigned long long maxPixels, JpegRowSink &sink)
{
    jpeg_decompress_struct decoder;
    Errors errors;
    decoder.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onError;
    errors.pub.emit_message = onMessage;
    errors.warned = false;
    unsigned char *volatile line = nullptr;
    volatile JpegScaledResult result = JpegScaledResult::Damaged;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&decoder);
        free(line);
        return JpegScaledResult::Damaged;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, data, (unsigned long)size);
    jpeg_read_header(&decoder, TRUE);
    const bool colour = decoder.out_color_space == JCS_RGB && decoder.num_components == 3;
    const bool grey = decoder.out_color_space == JCS_GRAYSCALE && decoder.num_components == 1;
    if (errors.warned) {
        result = JpegScaledResult::Damaged;
    } else if ((!colour && !grey) || (unsigned long long)decoder.image_width * decoder.image_height > maxPixels) {
        result = JpegScaledResult::Refused;
    } else {
        decoder.scale_num = (unsigned)jpegScaleEighths(decoder.image_width, decoder.image_height, leastWidth, leastHeight);
        decoder.scale_denom = 8;
        decoder.out_color_space = JCS_EXT_BGRX;  // libjpeg-turbo's, from colour and grey alike
        // A progressive picture's scans are all read here.
        jpeg_start_decompress(&decoder);
        const size_t width = decoder.output_width;
        if (errors.warned)
            result = JpegScaledResult::Damaged;
        else if (!sink.begin(width, decoder.output_height) || !(line = (unsigned char *)malloc(width * 4)))
            result = JpegScaledResult::Refused;
        else
            result = JpegScaledResult::Decoded;
        while (result == JpegScaledResult::Decoded && decoder.output_scanline < decoder.output_height) {
            JSAMPROW row = line;
            if (jpeg_read_scanlines(&decoder, &row, 1) != 1 || errors.warned) {
                result = JpegScaledResult::Damaged;
                break;
            }
            if (!sink.row(line))
                result = JpegScaledResult::Refused;
        }
    }
    jpeg_destroy_decompress(&decoder);
    free(line);
    return result;
}
