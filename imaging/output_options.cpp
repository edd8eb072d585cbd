#include "imaging/output_options.h"

#include <cstdlib>

#include "imaging/camera_data.h"
#include "imaging/picture_read.h"
#include "imaging/palette_png.h"
#include "util/safe_file.h"
#include "util/text.h"

int qualityFromStored(bool present, DWORD value) { return present && value >= 10 && value <= 100 ? (int)value : 90; }

int colourCountFromStored(bool present, DWORD value)
{
    return present && value >= 2 && value <= 256 ? (int)value : 256;
}

int colourCountFromText(const std::string &text, bool png8)
{
    if (!png8 || text.empty() || text.size() > 3)
        return 256;
    for (char c : text)
        if (c < '0' || c > '9')
            return 256;
    int n = atoi(text.c_str());
    return n >= 2 && n <= 256 ? n : 256;
}

OutputFormat outputFormatFromText(const std::string &text)
{
    return text == "PNG" ? OutputFormat::Png : text == "WEBP" ? OutputFormat::Webp : OutputFormat::Jpg;
}

OutputOptions outputOptionsFrom(const StoredValues &values, const std::string &prefix)
{
    OutputOptions o;
    std::string format;
    o.format = values.readText((prefix + "_format").c_str(), format) ? outputFormatFromText(format) : OutputFormat::Jpg;
    DWORD v = 0;
    bool present = values.readDword((prefix + "_quality").c_str(), v);
    o.quality = qualityFromStored(present, v);
    o.transparent = values.dwordOr((prefix + "_transparent").c_str(), 1) != 0;
    o.png8 = values.dwordOr((prefix + "_png8").c_str(), 0) != 0;
    present = values.readDword((prefix + "_png8_color_count").c_str(), v);
    o.colours = colourCountFromStored(present, v);
    o.keepFileTime = values.dwordOr((prefix + "_keep_file_time").c_str(), 0) != 0;
    return o;
}

void putOutputOptions(ValueMap &values, const std::string &prefix, const OutputOptions &o)
{
    values.setText(prefix + "_format", o.formatName());
    values.setDword(prefix + "_quality", (DWORD)qualityFromStored(true, (DWORD)o.quality));
    values.setDword(prefix + "_transparent", o.transparent ? 1 : 0);
    values.setDword(prefix + "_png8", o.png8 ? 1 : 0);
    values.setDword(prefix + "_png8_color_count", o.png8 ? (DWORD)colourCountFromStored(true, (DWORD)o.colours) : 256);
    values.setDword(prefix + "_keep_file_time", o.keepFileTime ? 1 : 0);
}

bool flattenOnWhite(MagickWand *wand)
{
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "#ffffff");
    bool ok = MagickSetImageBackgroundColor(wand, white) &&
              MagickExtentImage(wand, MagickGetImageWidth(wand), MagickGetImageHeight(wand), 0, 0);
    DestroyPixelWand(white);
    return ok;
}

bool flattenShownOnWhite(MagickWand *wand)
{
    return !MagickGetImageAlphaChannel(wand) || flattenOnWhite(wand);
}

bool encodePicture(MagickWand *wand, const OutputOptions &o, const WriteRules &rules, std::string &bytes,
                   std::string &reason)
{
    bytes.clear();
    reason.clear();
    if (o.palette()) {
        unsigned char *data = nullptr;
        size_t size = 0;
        if (!getPng8Data(wand, o.colours, &data, &size)) {
            reason = "getPng8Data()";
            return false;
        }
        bytes.assign(reinterpret_cast<const char *>(data), size);
        freePng8Data(data);
        return true;
    }
    if (o.format == OutputFormat::Jpg) {
        bool sourceIsJpeg = wandFormat(wand) == "JPEG";
        if (MagickGetImageColorspace(wand) == CMYKColorspace)
            MagickTransformImageColorspace(wand, sRGBColorspace);
        MagickSetImageFormat(wand, "JPEG");
        size_t ownQuality = MagickGetImageCompressionQuality(wand);
        if (rules.convertTool && sourceIsJpeg && ownQuality > 0 && ownQuality <= (size_t)o.quality) {
            // Written with the quality it was read with.
            MagickSetImageCompression(wand, NoCompression);
        } else {
            MagickSetImageCompression(wand, JPEGCompression);
            MagickSetImageCompressionQuality(wand, (size_t)o.quality);
        }
    } else if (o.format == OutputFormat::Webp) {
        reason = outputSizeProblem(o, MagickGetImageWidth(wand), MagickGetImageHeight(wand));
        if (!reason.empty())
            return false;
        if (MagickGetImageColorspace(wand) != sRGBColorspace && MagickGetImageColorspace(wand) != RGBColorspace)
            MagickTransformImageColorspace(wand, sRGBColorspace);
        MagickSetImageFormat(wand, "WEBP");
        MagickSetImageCompressionQuality(wand, (size_t)o.quality);
        // The option lives on the wand: set both ways, a wand may be encoded twice.
        MagickSetOption(wand, "webp:lossless", o.quality >= 100 ? "true" : "false");
    } else {
        MagickSetImageFormat(wand, "PNG");
    }
    return takeImageBlob(wand, bytes, reason);
}

std::string outputSizeProblem(const OutputOptions &o, size_t width, size_t height)
{
    if (o.format == OutputFormat::Webp && (width > kWebpMaxSide || height > kWebpMaxSide))
        return formatText("图片尺寸 %zu x %zu 超出WEBP图片的最大尺寸 %zu 像素", width, height, kWebpMaxSide);
    return std::string();
}

bool takeImageBlob(MagickWand *wand, std::string &bytes, std::string &reason)
{
    // Every file the program writes is encoded here: kept camera data goes out
    // without the camera's thumbnail and with the orientation the pixels have.
    makeCameraDataTrue(wand);
    size_t length = 0;
    unsigned char *blob = MagickGetImageBlob(wand, &length);
    if (!blob || length == 0) {
        if (blob)
            MagickRelinquishMemory(blob);
        reason = takeWandError(wand);
        if (reason.empty())
            reason = "MagickGetImageBlob()";
        return false;
    }
    bytes.assign(reinterpret_cast<const char *>(blob), length);
    MagickRelinquishMemory(blob);
    return true;
}

std::string writeFailureText(const OutputOptions &o, const WriteRules &rules, const std::string &target,
                             const std::string &reason)
{
    if (o.palette())
        return formatText("保存图片时发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n%s", target.c_str());
    if (o.format == OutputFormat::Jpg && rules.convertTool)
        return formatText("MagickWriteImage() 发生错误：\n\n%s\n\n目标文件名：%s\n\n请检查内存或硬盘空间是否用完。",
                          reason.c_str(), target.c_str());
    return formatText("MagickWriteImage() 发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n%s", target.c_str());
}

bool writePicture(MagickWand *wand, const OutputOptions &o, const std::string &target, std::string &message,
                  const WriteRules &rules)
{
    message.clear();
    if (o.palette()) {
        if (writePng8File(wand, o.colours, target))
            return true;
        message = writeFailureText(o, rules, target, std::string());
        return false;
    }
    std::string bytes, reason;
    DWORD error = 0;
    if (!encodePicture(wand, o, rules, bytes, reason))
        message = writeFailureText(o, rules, target, reason);
    else if (!replaceFileWith(target, bytes.data(), bytes.size(), error))
        message = writeFailureText(o, rules, target, systemErrorText(error));
    return message.empty();
}
