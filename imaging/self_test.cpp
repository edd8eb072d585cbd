#include "imaging/self_test.h"

#include <windows.h>
#include <wand/MagickWand.h>
#include <vector>

#include "imaging/magick_env.h"
#include "imaging/palette_png.h"
#include "util/magick_path.h"
#include "util/text.h"

static void addLine(std::string &report, bool ok, const std::string &what)
{
    report += ok ? "ok: " : "失败: ";
    report += what;
    report += "\n";
}

static bool checkJpegThroughChinesePath(std::string &report)
{
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) {
        addLine(report, false, "没有临时文件夹");
        return false;
    }
    std::string folder = formatText("%s自检_%lu", temp, (unsigned long)GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\测试图片.jpg";

    bool ok = false;
    std::string detail;
    MagickWand *wand = NewMagickWand();
    PixelWand *colour = NewPixelWand();
    PixelSetColor(colour, "#3366cc");
    if (MagickNewImage(wand, 64, 48, colour) && MagickSetImageFormat(wand, "JPEG") &&
        MagickWriteImage(wand, magickPath(file).c_str())) {
        MagickWand *back = NewMagickWand();
        if (MagickReadImage(back, magickPath(file).c_str()) && MagickGetImageWidth(back) == 64 &&
            MagickGetImageHeight(back) == 48)
            ok = true;
        else
            detail = "读回失败";
        back = DestroyMagickWand(back);
    } else {
        ExceptionType severity;
        char *text = MagickGetException(wand, &severity);
        detail = utf8ToGbk(text ? text : "");
        if (text)
            MagickRelinquishMemory(text);
    }
    colour = DestroyPixelWand(colour);
    wand = DestroyMagickWand(wand);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
    addLine(report, ok, "JPEG 写入并读回 " + file + (detail.empty() ? "" : " (" + detail + ")"));
    return ok;
}

// The program's own palette PNG path (imaging/palette_png) on a 16 x 16 gradient,
// decoded again: libimagequant and LodePNG both work.
static bool checkPalettePng(std::string &report)
{
    const int w = 16, h = 16;
    std::vector<unsigned char> rgba(w * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char *p = &rgba[(y * w + x) * 4];
            p[0] = (unsigned char)(x * 16);
            p[1] = (unsigned char)(y * 16);
            p[2] = 128;
            p[3] = 255;
        }
    bool ok = false;
    MagickWand *wand = NewMagickWand();
    PixelWand *none = NewPixelWand();
    unsigned char *png = nullptr;
    size_t size = 0;
    if (MagickNewImage(wand, w, h, none) &&
        MagickImportImagePixels(wand, 0, 0, w, h, "RGBA", CharPixel, rgba.data()) &&
        getPng8Data(wand, 16, &png, &size)) {
        MagickWand *back = NewMagickWand();
        ok = MagickReadImageBlob(back, png, size) && MagickGetImageWidth(back) == (size_t)w &&
             MagickGetImageColors(back) <= 16;
        DestroyMagickWand(back);
        freePng8Data(png);
    }
    DestroyPixelWand(none);
    DestroyMagickWand(wand);
    addLine(report, ok, "libimagequant + LodePNG 调色板 PNG");
    return ok;
}

bool runSelfTest(std::string &report)
{
    bool all = true;

    size_t count = 0;
    char **formats = MagickQueryFormats("JPEG", &count);
    bool jpeg = formats && count > 0;
    if (formats)
        MagickRelinquishMemory(formats);
    addLine(report, jpeg, "ImageMagick 支持 JPEG");
    all = all && jpeg;

    std::string failed;
    bool builtIn = validateImageMagick(builtInSelfTestPictures(), &failed);
    addLine(report, builtIn, "内置测试图片解码 (PNG, JPEG, GIF, BMP)" + (failed.empty() ? std::string() : " 失败: " + failed));
    all = all && builtIn;

    std::string text = "中文路径";
    bool textOk = utf8ToGbk(gbkToUtf8(text)) == text && gbkToUtf8(text) == u8"中文路径";
    addLine(report, textOk, "GBK <-> UTF-8 (代码页 936)");
    all = all && textOk;

    all = checkJpegThroughChinesePath(report) && all;
    all = checkPalettePng(report) && all;
    return all;
}
