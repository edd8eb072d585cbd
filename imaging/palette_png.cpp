#include "imaging/palette_png.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <libimagequant.h>
#include <lodepng.h>

#include "util/app_info.h"
#include "util/info_log.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

// LodePNG's highest error code with a text of its own.
const unsigned kLastLodePngError = 105;

std::string webSiteHost()
{
    std::string host = kVendorWebSite;
    size_t scheme = host.find("://");
    if (scheme != std::string::npos)
        host = host.substr(scheme + 3);
    size_t slash = host.find('/');
    return slash == std::string::npos ? host : host.substr(0, slash);
}

void report(const std::string &what) { showInfoMessage(png8FailureText(what)); }

// Everything one call allocates, released on every way out.
struct Png8Work {
    unsigned char *rgba = nullptr;
    unsigned char *indices = nullptr;
    liq_attr *attr = nullptr;
    liq_image *image = nullptr;
    liq_result *result = nullptr;
    LodePNGState state;
    bool stateReady = false;

    ~Png8Work()
    {
        if (result)
            liq_result_destroy(result);
        if (image)
            liq_image_destroy(image);
        if (attr)
            liq_attr_destroy(attr);
        if (stateReady)
            lodepng_state_cleanup(&state);
        free(indices);
        free(rgba);
    }
};

}  // namespace

std::string png8FailureText(const std::string &what)
{
    return what + "\r\n---请进入官方网站 " + webSiteHost() + " 联系我们的客服。\r\n";
}

bool png8BufferSizes(size_t width, size_t height, size_t &rgbaBytes, size_t &indexBytes)
{
    rgbaBytes = indexBytes = 0;
    if (width == 0 || height == 0)
        return false;
    const uint64_t limit = (uint64_t)INT_MAX;
    // Each factor is checked before it is multiplied, so nothing wraps around.
    if ((uint64_t)width > limit || (uint64_t)height > limit / (uint64_t)width)
        return false;
    uint64_t pixels = (uint64_t)width * (uint64_t)height;
    if (pixels > limit / 4)
        return false;
    rgbaBytes = (size_t)(pixels * 4);
    indexBytes = (size_t)pixels;
    return true;
}

bool getPng8Data(MagickWand *wand, int colourCount, unsigned char **outData, size_t *outSize)
{
    if (outData)
        *outData = nullptr;
    if (outSize)
        *outSize = 0;
    if (!wand || !outData || !outSize || MagickGetNumberImages(wand) == 0) {
        report("MagickExportImagePixels() error.");
        return false;
    }
    MagickSetImageFormat(wand, "PNG");
    size_t width = MagickGetImageWidth(wand), height = MagickGetImageHeight(wand);

    Png8Work work;
    size_t rgbaBytes = 0, indexBytes = 0;
    if (!png8BufferSizes(width, height, rgbaBytes, indexBytes) ||
        !(work.rgba = static_cast<unsigned char *>(malloc(rgbaBytes))) ||
        !MagickExportImagePixels(wand, 0, 0, width, height, "RGBA", CharPixel, work.rgba)) {
        MagickClearException(wand);
        report("MagickExportImagePixels() error.");
        return false;
    }

    work.attr = liq_attr_create();
    if (work.attr)
        work.image = liq_image_create_rgba(work.attr, work.rgba, (int)width, (int)height, 0);
    if (!work.image) {
        report("liq_image_create_rgba() error.");
        return false;
    }
    if (colourCount >= 2 && colourCount <= 256)
        liq_set_max_colors(work.attr, colourCount);
    if (liq_image_quantize(work.image, work.attr, &work.result) != LIQ_OK || !work.result) {
        work.result = nullptr;
        report("liq_image_quantize() error.");
        return false;
    }

    work.indices = static_cast<unsigned char *>(malloc(indexBytes));
    if (!work.indices || liq_set_dithering_level(work.result, 1.0f) != LIQ_OK ||
        liq_write_remapped_image(work.result, work.image, work.indices, indexBytes) != LIQ_OK) {
        report("liq_write_remapped_image() error.");
        return false;
    }

    const liq_palette *palette = liq_get_palette(work.result);
    lodepng_state_init(&work.state);
    work.stateReady = true;
    LodePNGColorMode &raw = work.state.info_raw;
    LodePNGColorMode &png = work.state.info_png.color;
    raw.colortype = png.colortype = LCT_PALETTE;
    raw.bitdepth = png.bitdepth = 8;
    // LodePNG's default window (2048 bytes) leaves photos about 7 % larger than
    // zlib's best; 8192 bytes match it at the same speed (bench/palette_png.sh),
    // where the full 32768 saves another 3 % at a third more time.
    work.state.encoder.zlibsettings.windowsize = 8192;
    unsigned error = palette ? 0 : 83;  // 83: LodePNG's own "memory allocation failed"
    for (unsigned i = 0; palette && i < palette->count && !error; ++i) {
        const liq_color &c = palette->entries[i];
        error = lodepng_palette_add(&raw, c.r, c.g, c.b, c.a);
        if (!error)
            error = lodepng_palette_add(&png, c.r, c.g, c.b, c.a);
    }
    unsigned char *encoded = nullptr;
    size_t encodedSize = 0;
    if (!error)
        error = lodepng_encode(&encoded, &encodedSize, work.indices, (unsigned)width, (unsigned)height, &work.state);
    if (error || !encoded) {
        free(encoded);
        const char *text = error > kLastLodePngError ? "unknown error code" : lodepng_error_text(error);
        report(formatText("lodepng_encode() error: %s", text ? text : "unknown error code"));
        return false;
    }
    *outData = encoded;
    *outSize = encodedSize;
    return true;
}

void freePng8Data(unsigned char *data) { free(data); }

bool writePng8File(MagickWand *wand, int colourCount, const std::string &path)
{
    unsigned char *data = nullptr;
    size_t size = 0;
    if (!getPng8Data(wand, colourCount, &data, &size))
        return false;
    DWORD error = 0;
    bool written = replaceFileWith(path, data, size, error);
    freePng8Data(data);
    if (written)
        return true;
    // A full disk fails while writing; anything else (no folder, no right to
    // write there, a read-only file) already when the file is opened.
    bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    report(formatText(full ? "fwrite() error: %s" : "fopen() error: %s", path.c_str()));
    return false;
}
