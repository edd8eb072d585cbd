#include "imaging/output_options.h"

#include <cstdlib>

#include "core/pipeline_steps.h"
#include "core/safe_file.h"
#include "imaging/palette_png.h"
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

OutputOptions outputOptionsFrom(const StoredValues &values, const std::string &prefix)
{
    OutputOptions o;
    std::string format;
    o.format = values.readText((prefix + "_format").c_str(), format) && format == "PNG" ? OutputFormat::Png
                                                                                          : OutputFormat::Jpg;
    DWORD v = 0;
    bool present = values.readDword((prefix + "_quality").c_str(), v);
    o.quality = qualityFromStored(present, v);
    o.transparent = values.dwordOr((prefix + "_transparent").c_str(), 1) != 0;
    o.png8 = values.dwordOr((prefix + "_png8").c_str(), 0) != 0;
    present = values.readDword((prefix + "_png8_color_count").c_str(), v);
    o.colours = colourCountFromStored(present, v);
    return o;
}

void putOutputOptions(ValueMap &values, const std::string &prefix, const OutputOptions &o)
{
    values.setText(prefix + "_format", o.format == OutputFormat::Png ? "PNG" : "JPG");
    values.setDword(prefix + "_quality", (DWORD)qualityFromStored(true, (DWORD)o.quality));
    values.setDword(prefix + "_transparent", o.transparent ? 1 : 0);
    values.setDword(prefix + "_png8", o.png8 ? 1 : 0);
    values.setDword(prefix + "_png8_color_count", o.png8 ? (DWORD)colourCountFromStored(true, (DWORD)o.colours) : 256);
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

bool writePicture(MagickWand *wand, const OutputOptions &o, const std::string &target, std::string &message,
                  const WriteRules &rules)
{
    message.clear();
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
        std::string reason = writeWandSafely(wand, target);
        if (reason.empty())
            return true;
        message = rules.convertTool
                      ? formatText("MagickWriteImage() 发生错误：\n\n%s\n\n目标文件名：%s\n\n请检查内存或硬盘空间是否用完。",
                                   reason.c_str(), target.c_str())
                      : formatText("MagickWriteImage() 发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n%s",
                                   target.c_str());
        return false;
    }
    if (o.png8) {
        if (writePng8File(wand, o.colours, target))
            return true;
        message = formatText("保存图片时发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n%s", target.c_str());
        return false;
    }
    MagickSetImageFormat(wand, "PNG");
    if (writeWandSafely(wand, target).empty())
        return true;
    message = formatText("MagickWriteImage() 发生错误，请检查硬盘空间是否用完。\n\n目标文件名：\n%s", target.c_str());
    return false;
}
