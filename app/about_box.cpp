#include "app/about_box.h"

#include "imaging/format_support.h"
#include "util/app_info.h"
#include "util/text.h"

std::string aboutText()
{
    // HEIC and AVIF only where this build's ImageMagick has their coder (a
    // system ImageMagick without libheif has none).
    std::string heif = imageMagickReads("HEIC") ? ", HEIC, AVIF" : "";
    return formatText("%s V%1.1f\n\n\n批量处理图片：缩放图片尺寸,压缩图片,旋转图片,加水印,加边框,调整亮度,对比度,清晰度,去色等。"
                      "\n\n支持处理的图片格式：JPG, PNG, GIF(静态), BMP, TIF, TBI, PSD, WEBP(静态)%s。\n\n官网：",
                      "Velmora图片批量处理工具", kProgramVersion, heif.c_str()) +
           kVendorWebSite + "\n\n\n注意：图片处理后将采用JPG格式保存。";
}

void showAboutBox(HWND owner)
{
    MessageBoxA(owner, aboutText().c_str(), "关于", MB_OK | MB_ICONINFORMATION);
}
