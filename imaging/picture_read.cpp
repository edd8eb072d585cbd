#include "imaging/picture_read.h"

#include <cstring>
#include <new>
#include <optional>

#include "imaging/format_support.h"
#include "imaging/jpeg_memory.h"
#include "imaging/jpeg_scaled.h"
#include "imaging/lanczos_rows.h"
#include "imaging/png_animation.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

// "reason `file' @ error/coder.c/Function/123" -> "reason"; a format the policy
// (res/config/policy.xml) refuses is named with why.
static std::string withoutMagickLocation(std::string out)
{
    static const char kPolicy[] = "not allowed by the security policy `";
    size_t policy = out.find(kPolicy);
    if (policy != std::string::npos) {
        size_t start = policy + sizeof kPolicy - 1;
        size_t end = out.find('\'', start);
        std::string coder = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
        return formatText("出于安全考虑不读取 %s 格式的文件 (这种格式可以让程序去打开别的文件或运行别的程序)",
                          coder.c_str());
    }
    size_t quote = out.find(" `");
    if (quote != std::string::npos && out.find("' @ ", quote) != std::string::npos)
        out.erase(quote);
    else if ((quote = out.find(" @ ")) != std::string::npos && out.find('/', quote) != std::string::npos)
        out.erase(quote);
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

std::string takeWandError(MagickWand *wand)
{
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    std::string out = text ? utf8ToGbk(text) : std::string();
    if (text)
        MagickRelinquishMemory(text);
    MagickClearException(wand);
    return withoutMagickLocation(out);
}

PictureLimits currentPictureLimits()
{
    PictureLimits limits;
    limits.maxWidth = MagickGetResourceLimit(WidthResource);
    limits.maxHeight = MagickGetResourceLimit(HeightResource);
    limits.maxPixels = MagickGetResourceLimit(AreaResource);
    return limits;
}

namespace {

// A neutral name that carries only the file's extension: ImageMagick needs it to
// recognise formats without a signature (TGA, ICO), and nothing of the real path
// can be read as a frame number, a format prefix or a sub-image ("[1]").
std::string decoderFileName(const std::string &path)
{
    size_t sep = findLastBackslash(path);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot - 1 > 8)
        return "picture";
    std::string extension;
    for (size_t i = dot + 1; i < name.size(); ++i) {
        char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return "picture";
        extension += c;
    }
    return extension.empty() ? "picture" : "picture." + extension;
}

MagickWand *newReadingWand(const PictureFile &file, const DecodeHint *hint)
{
    MagickWand *wand = NewMagickWand();
    MagickSetFilename(wand, decoderFileName(file.path).c_str());
    if (hint && hint->width > 0 && hint->height > 0)
        MagickSetOption(wand, "jpeg:size", formatText("%zux%zu", hint->width, hint->height).c_str());
    return wand;
}

// The worst problem of a read: the wand's own, or one a coder left on an image
// of the list only (a JPEG that is not one comes back as a 0 x 0 picture whose
// "Not a JPEG file" is nowhere else).
ExceptionType readProblem(MagickWand *wand, std::string *text)
{
    ExceptionType worst = MagickGetExceptionType(wand);
    if (worst != UndefinedException && text)
        *text = takeWandError(wand);
    Image *image = MagickGetNumberImages(wand) > 0 ? GetImageFromMagickWand(wand) : nullptr;
    if (image) {
        ExceptionInfo *onImages = AcquireExceptionInfo();
        GetImageException(GetFirstImageInList(image), onImages);
        if (onImages->severity > worst) {
            worst = onImages->severity;
            if (text)
                *text = onImages->reason ? withoutMagickLocation(utf8ToGbk(onImages->reason)) : std::string();
        }
        DestroyExceptionInfo(onImages);
    }
    return worst;
}

// Whether a read gave a usable picture; the reason when not. Asks ImageMagick
// once: gathering the images' problems clears them.
bool readSucceeded(MagickWand *wand, MagickBooleanType status, std::string &reason)
{
    std::string text;
    ExceptionType worst = readProblem(wand, &text);
    bool ok = status != MagickFalse && worst < ErrorException && MagickGetNumberImages(wand) > 0 &&
              MagickGetImageWidth(wand) > 0 && MagickGetImageHeight(wand) > 0;
    if (!ok)
        reason = worst >= ErrorException && !text.empty() ? text
                                                          : std::string("文件已损坏, 或者不是一种能识别的图片格式");
    return ok;
}

struct PingedSize {
    size_t width = 0, height = 0, frames = 0;
    unsigned long long pixels = 0;
    std::string format;
    bool progressive = false;
    bool cmyk = false;
    int orientation = 0;
};

bool pingPicture(const PictureFile &file, const DecodeHint *hint, PingedSize &size, std::string &reason)
{
    MagickWand *wand = newReadingWand(file, hint);
    bool ok = readSucceeded(wand, MagickPingImageBlob(wand, file.bytes.data(), file.bytes.size()), reason);
    if (ok) {
        size.frames = MagickGetNumberImages(wand);
        for (size_t i = 0; i < size.frames; ++i) {
            MagickSetIteratorIndex(wand, (ssize_t)i);
            size_t w = MagickGetImageWidth(wand), h = MagickGetImageHeight(wand);
            if (i == 0) {
                size.width = w;
                size.height = h;
                char *format = MagickGetImageFormat(wand);
                size.format = format ? format : "";
                if (format)
                    MagickRelinquishMemory(format);
                size.progressive = MagickGetImageInterlaceScheme(wand) == JPEGInterlace;
                size.cmyk = MagickGetImageColorspace(wand) == CMYKColorspace;
                size.orientation = (int)MagickGetImageOrientation(wand);
            }
            size.pixels += (unsigned long long)w * h;
        }
    }
    DestroyMagickWand(wand);
    return ok;
}

// The format the file names itself by (a container's brand, else its
// extension), for the reason of a file ImageMagick has no coder for.
std::string formatNamedBy(const PictureFile &file)
{
    size_t head = file.bytes.size() < kContainerHeadBytes ? file.bytes.size() : kContainerHeadBytes;
    if (const char *name = containerFormatName(file.bytes.data(), head))
        return name;
    std::string decoderName = decoderFileName(file.path);
    size_t dot = decoderName.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : decoderName.substr(dot + 1);
    for (char &c : extension)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    return extension;
}

// HEIC and AVIF come out of libheif as YCbCr samples: every pixel operation,
// export and encoder after the read expects RGB.
void toRgbSamples(MagickWand *wand)
{
    for (size_t i = 0, n = MagickGetNumberImages(wand); i < n; ++i) {
        MagickSetIteratorIndex(wand, (ssize_t)i);
        if (MagickGetImageColorspace(wand) == YCbCrColorspace)
            MagickTransformImageColorspace(wand, sRGBColorspace);
    }
}

std::string tooLargeReason(const PictureFile &file, const PictureLimits &limits)
{
    std::string reason = formatText("图片尺寸 %zu x %zu 像素", file.width, file.height);
    if (file.frames > 1)
        reason += formatText(" (共 %zu 帧)", file.frames);
    reason += formatText(", 超出了可以处理的上限 (宽最多 %llu 像素, 高最多 %llu 像素, 共最多 %llu 万像素)",
                         limits.maxWidth, limits.maxHeight, limits.maxPixels / 10000);
    return reason;
}

}  // namespace

bool readPictureFile(const std::string &path, PictureFile &file, std::string &reason)
{
    file = PictureFile();
    file.path = path;
    // "aux.png" opens the AUX device, which reads as an empty file.
    std::string device;
    size_t sep = findLastBackslash(path);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    if (isDeviceName(name, &device)) {
        reason = formatText("文件名 %s 是 Windows 保留的设备名 (%s), 无法按这个名字打开", name.c_str(), device.c_str());
        return false;
    }
    DWORD error = 0;
    if (!readWholeFile(path, file.bytes, kMaxPictureFileBytes, error)) {
        if (error == ERROR_FILE_TOO_LARGE)
            reason = formatText("文件太大 (超过 %zu MB)", kMaxPictureFileBytes >> 20);
        else
            reason = systemErrorText(error);
        return false;
    }
    if (file.bytes.empty()) {
        reason = "文件是空的 (0 字节)";
        return false;
    }
    PingedSize size;
    if (!pingPicture(file, nullptr, size, reason)) {
        // A format this build of ImageMagick has no coder for is said as such,
        // not as a broken file.
        std::string named = formatNamedBy(file);
        if (!named.empty() && !imageMagickReads(named))
            reason = unsupportedFormatReason(named);
        return false;
    }
    file.format = size.format;
    file.width = size.width;
    file.height = size.height;
    file.frames = size.frames;
    file.pixels = size.pixels;
    if (file.format == "PNG") {
        uint32_t frames = pngAnimationFramesInBytes(file.bytes.data(), file.bytes.size());
        if (frames > 1)
            file.frames = frames;
        file.animated = frames > 1;
    } else {
        file.animated = (file.format == "GIF" || file.format == "WEBP") && file.frames > 1;
    }
    file.progressiveJpeg = file.format == "JPEG" && size.progressive;
    file.cmyk = size.cmyk;
    file.orientation = size.orientation >= 1 && size.orientation <= 8 ? size.orientation : 0;
    return true;
}

std::string animationText(const PictureFile &file)
{
    return file.animated ? formatText("%s 动画 (共 %zu 帧)", file.format.c_str(), file.frames) : std::string();
}

namespace {

// Whether the decoder may take what the file (after the hint) costs; the reason when not.
bool decodeAllowed(const PictureFile &file, const DecodeHint &hint, bool &hinted, std::string &reason)
{
    if (file.bytes.empty() || file.width == 0) {
        reason = "文件是空的 (0 字节)";
        return false;
    }
    // What the decoder is going to allocate: the stored size, or for a JPEG read
    // with a hint the size libjpeg scales it to (the header alone tells). A
    // progressive JPEG costs its stored size at any scale: libjpeg keeps every
    // coefficient of the whole picture until the last scan.
    hinted = file.format == "JPEG" && hint.width > 0 && hint.height > 0 &&
             (hint.width < file.width || hint.height < file.height);
    PingedSize decoded;
    if (hinted && !file.progressiveJpeg) {
        if (!pingPicture(file, &hint, decoded, reason))
            return false;
    } else {
        decoded.width = file.width;
        decoded.height = file.height;
        decoded.pixels = file.pixels;
    }
    PictureLimits limits = currentPictureLimits();
    if (decoded.width > limits.maxWidth || decoded.height > limits.maxHeight || decoded.pixels > limits.maxPixels) {
        reason = tooLargeReason(file, limits);
        return false;
    }
    return true;
}

// What a streamed JPEG read hands its rows to.
struct ReducingReader {
    size_t width = 0, height = 0;  // the target size
    Image *target = nullptr;
    LanczosRows *rows = nullptr;
    size_t decodedWidth = 0, decodedHeight = 0;
    size_t bytesPerPixel = 0;      // what ImageMagick counted for the decoded picture
    bool refused = false;
    ExceptionInfo *problem = nullptr;
};

size_t takeReducedRow(const Image *image, const void *pixels, const size_t columns)
{
    ReducingReader *reader = (ReducingReader *)image->client_data;
    if (!reader->rows) {
        reader->decodedWidth = image->columns;
        reader->decodedHeight = image->rows;
        const bool indexed = image->storage_class == PseudoClass || image->colorspace == CMYKColorspace;
        reader->bytesPerPixel = sizeof(PixelPacket) + (indexed ? sizeof(IndexPacket) : 0);
        // The black of a CMYK picture lives beside the rows handed here.
        if (image->colorspace == CMYKColorspace || image->matte || reader->width > image->columns ||
            reader->height > image->rows) {
            reader->refused = true;
            return 0;
        }
        if (!LanczosRows::affordable(image->columns, image->rows, reader->width, reader->height)) {
            reader->refused = true;
            return 0;
        }
        reader->target = CloneImage(image, reader->width, reader->height, MagickTrue, reader->problem);
        if (!reader->target || !SetImageStorageClass(reader->target, DirectClass)) {
            reader->refused = true;
            return 0;
        }
        try {
            reader->rows = new LanczosRows(reader->target, image->columns, image->rows);
        } catch (const std::bad_alloc &) {  // never through the decoder's C code
            reader->refused = true;
            return 0;
        }
    }
    if (columns != reader->decodedWidth || !reader->rows->push((const PixelPacket *)pixels)) {
        reader->refused = true;
        return 0;
    }
    return columns;
}

}  // namespace

MagickWand *decodePictureFile(const PictureFile &file, const DecodeHint &hint, std::string &reason)
{
    bool hinted = false;
    if (!decodeAllowed(file, hint, hinted, reason))
        return nullptr;
    MagickWand *wand = newReadingWand(file, hinted ? &hint : nullptr);
    std::optional<JpegFirstScanOnly> dcTermsOnly;
    if (hint.firstScanOnly) {
        dcTermsOnly.emplace();
        MagickSetOption(wand, "jpeg:block-smoothing", "false");
    }
    if (!readSucceeded(wand, MagickReadImageBlob(wand, file.bytes.data(), file.bytes.size()), reason)) {
        DestroyMagickWand(wand);
        return nullptr;
    }
    // Warnings of a damaged but readable file are no reason to refuse it.
    MagickClearException(wand);
    toRgbSamples(wand);
    // The name was for the decoder only: left on the wand it would choose the
    // format of whatever the caller makes of the picture (a PNG's JPEG bytes).
    MagickSetFilename(wand, "");
    return wand;
}

namespace {

// Rows from libjpeg's own scaled decode into the reduction, onto a target that
// carries what ImageMagick read of the file (profiles, properties, density).
class ScaledRowsReducer : public JpegRowSink {
public:
    ScaledRowsReducer(const Image *described, size_t width, size_t height)
        : described_(described), width_(width), height_(height), problem_(AcquireExceptionInfo())
    {
    }
    ~ScaledRowsReducer()
    {
        delete rows_;
        if (target_)
            DestroyImage(target_);
        DestroyExceptionInfo(problem_);
    }
    bool begin(size_t width, size_t height) override
    {
        if (width < width_ || height < height_ || !LanczosRows::affordable(width, height, width_, height_))
            return false;
        target_ = CloneImage(described_, width_, height_, MagickTrue, problem_);
        if (!target_ || !SetImageStorageClass(target_, DirectClass))
            return false;
        try {
            rows_ = new LanczosRows(target_, width, height);
        } catch (const std::bad_alloc &) {  // never through the decoder's C code
            return false;
        }
        return true;
    }
    bool row(const unsigned char *bgrx) override { return rows_->pushBgrx8(bgrx); }
    // The reduced picture, when every row of it was written.
    MagickWand *take()
    {
        if (!rows_ || !rows_->complete())
            return nullptr;
        MagickWand *wand = NewMagickWandFromImage(target_);
        MagickSetImageFilename(wand, "");
        return wand;
    }

private:
    const Image *described_;
    size_t width_, height_;
    ExceptionInfo *problem_;
    Image *target_ = nullptr;
    LanczosRows *rows_ = nullptr;
};

// libjpeg's scaled decode (any k/8) straight into the reduction; ImageMagick
// only pings the file for what it says of itself. nullptr when it does not
// take the file: a damaged one, a colour space other than RGB or grey, an
// alpha channel (the caller decodes those through ImageMagick, which reports
// what is wrong as it always has).
MagickWand *decodeReducedScaled(const PictureFile &file, const DecodeHint &hint, bool hinted, size_t width,
                                size_t height)
{
    MagickWand *described = newReadingWand(file, nullptr);
    MagickWand *reduced = nullptr;
    if (MagickPingImageBlob(described, file.bytes.data(), file.bytes.size()) != MagickFalse &&
        MagickGetNumberImages(described) == 1) {
        MagickSetIteratorIndex(described, 0);
        Image *image = GetImageFromMagickWand(described);
        // The reduced picture is made from it, with a pixel cache that holds pixels.
        image->ping = MagickFalse;
        const ColorspaceType space = image->colorspace;
        if (!image->matte && (space == sRGBColorspace || space == RGBColorspace || space == GRAYColorspace)) {
            ScaledRowsReducer reducer(image, width, height);
            const size_t leastWidth = hinted ? hint.width : file.width;
            const size_t leastHeight = hinted ? hint.height : file.height;
            if (decodeJpegScaled(file.bytes.data(), file.bytes.size(), leastWidth, leastHeight,
                                 currentPictureLimits().maxPixels, reducer) ==
                JpegScaledResult::Decoded)
                reduced = reducer.take();
        }
    }
    DestroyMagickWand(described);
    return reduced;
}

}  // namespace

MagickWand *decodeReducedJpeg(const PictureFile &file, const DecodeHint &hint, size_t width, size_t height,
                              std::string &reason)
{
    if (file.format != "JPEG" || file.cmyk || width == 0 || height == 0)
        return decodePictureFile(file, hint, reason);
    bool hinted = false;
    if (!decodeAllowed(file, hint, hinted, reason))
        return nullptr;
    if (MagickWand *wand = decodeReducedScaled(file, hint, hinted, width, height))
        return wand;
    ReducingReader reader;
    reader.width = width;
    reader.height = height;
    reader.problem = AcquireExceptionInfo();
    ImageInfo *info = AcquireImageInfo();
    SetImageInfoBlob(info, file.bytes.data(), file.bytes.size());
    CopyMagickString(info->filename, "JPEG:picture.jpg", MaxTextExtent);
    if (hinted)
        SetImageOption(info, "jpeg:size", formatText("%zux%zu", hint.width, hint.height).c_str());
    info->client_data = &reader;
    ExceptionInfo *exception = AcquireExceptionInfo();
    Image *streamed = ReadStream(info, takeReducedRow, exception);
    // The decoder sized a pixel cache for the whole picture that the stream never
    // fills and never gives back to ImageMagick's count of memory in use: left
    // there, a few hundred photos would push every later picture to the disk.
    if (reader.bytesPerPixel && (!streamed || GetImagePixelCacheType(streamed) == MemoryCache))
        RelinquishMagickResource(MemoryResource, (MagickSizeType)reader.decodedWidth * reader.decodedHeight *
                                                     reader.bytesPerPixel);
    const bool failed = exception->severity >= ErrorException;
    if (failed)
        reason = exception->reason ? withoutMagickLocation(utf8ToGbk(exception->reason)) : std::string();
    const bool whole = streamed && !failed && !reader.refused && reader.rows && reader.rows->complete();
    MagickWand *wand = nullptr;
    if (whole) {
        wand = NewMagickWandFromImage(reader.target);
        MagickSetImageFilename(wand, "");
    }
    delete reader.rows;
    if (reader.target)
        DestroyImage(reader.target);
    if (streamed)
        DestroyImageList(streamed);
    DestroyExceptionInfo(exception);
    DestroyExceptionInfo(reader.problem);
    SetImageInfoBlob(info, nullptr, 0);
    DestroyImageInfo(info);
    if (wand)
        return wand;
    if (failed && !reader.refused) {
        if (reason.empty())
            reason = "文件已损坏, 或者不是一种能识别的图片格式";
        return nullptr;
    }
    // A picture the stream does not take (an alpha channel, a colour space
    // it cannot pass on) is decoded whole.
    reason.clear();
    return decodePictureFile(file, hint, reason);
}

MagickWand *readCheckedPicture(const std::string &path, std::string &reason)
{
    PictureFile file;
    if (!readPictureFile(path, file, reason))
        return nullptr;
    return decodePictureFile(file, DecodeHint(), reason);
}

bool isAnimation(const std::string &format, size_t images) { return images > 1 && (format == "GIF" || format == "WEBP"); }
bool orientPicture(MagickWand *picture, int orientation)
{
    if (orientation < 1 || orientation > 8)
        return true;
    // The reduced decode builds a new image that has lost the orientation: it
    // comes from the file, and an upright picture is said to be one.
    if (orientation == 1) {
        MagickSetImageOrientation(picture, TopLeftOrientation);
        return true;
    }
    MagickSetImageOrientation(picture, (OrientationType)orientation);
    if (!MagickAutoOrientImage(picture))
        return false;
    MagickSetImageOrientation(picture, TopLeftOrientation);
    // A transverse turn leaves the picture on a shifted canvas; later steps
    // (crop rectangles, watermark places) count from its own corner.
    MagickSetImagePage(picture, MagickGetImageWidth(picture), MagickGetImageHeight(picture), 0, 0);
    return true;
}

std::string wandFormat(MagickWand *wand)
{
    char *name = MagickGetImageFormat(wand);
    std::string format = name ? name : "";
    if (name)
        MagickRelinquishMemory(name);
    return format;
}
