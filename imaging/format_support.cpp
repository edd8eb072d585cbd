#include "imaging/format_support.h"

#include <cstring>
#include <wand/MagickWand.h>

#include "util/text.h"

namespace {

bool fourcc(const unsigned char *p, const char *code) { return memcmp(p, code, 4) == 0; }

bool oneOf(const unsigned char *brand, const char *const *codes)
{
    for (; *codes; ++codes)
        if (fourcc(brand, *codes))
            return true;
    return false;
}

const char *const kAvifBrands[] = {"avif", "avis", nullptr};
const char *const kHeicBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", nullptr};
// Brands of any HEIF still picture or sequence, whatever codes its items.
const char *const kHeifBrands[] = {"mif1", "msf1", nullptr};

}  // namespace

const char *containerFormatName(const unsigned char *data, size_t length)
{
    if (!data || length < 12)
        return nullptr;
    if (fourcc(data, "RIFF") && fourcc(data + 8, "WEBP"))
        return "WEBP";
    if (!fourcc(data + 4, "ftyp"))
        return nullptr;
    // The box's own size bounds its brands; a box claiming more than is held is
    // read as far as it is held.
    size_t box = ((size_t)data[0] << 24) | ((size_t)data[1] << 16) | ((size_t)data[2] << 8) | data[3];
    if (box < 16 || box > length)
        box = length;
    const unsigned char *major = data + 8;
    if (oneOf(major, kAvifBrands))
        return "AVIF";
    if (oneOf(major, kHeicBrands))
        return "HEIC";
    bool heif = oneOf(major, kHeifBrands);
    const char *named = nullptr;
    for (size_t at = 16; at + 4 <= box; at += 4) {
        const unsigned char *brand = data + at;
        if (oneOf(brand, kAvifBrands))
            return "AVIF";
        if (oneOf(brand, kHeicBrands))
            named = "HEIC";
        else if (oneOf(brand, kHeifBrands))
            heif = true;
    }
    return named ? named : heif ? "HEIC" : nullptr;
}

bool imageMagickReads(const std::string &format)
{
    if (format.empty())
        return false;
    ExceptionInfo *exception = AcquireExceptionInfo();
    const MagickInfo *info = GetMagickInfo(format.c_str(), exception);
    bool reads = info && info->decoder &&
                 IsRightsAuthorized(CoderPolicyDomain, ReadPolicyRights, format.c_str()) != MagickFalse;
    DestroyExceptionInfo(exception);
    return reads;
}

std::string unsupportedFormatReason(const std::string &format)
{
    return formatText("不支持此格式 (%s)", format.c_str());
}
