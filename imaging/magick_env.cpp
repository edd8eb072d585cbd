#include "imaging/magick_env.h"

#include <windows.h>
#include <cstdlib>
#include <wand/MagickWand.h>

#include "util/magick_path.h"
#include "util/text.h"

std::vector<SelfTestPicture> builtInSelfTestPictures()
{
    return {
        {"PNG", std::vector<unsigned char>(kSelfTestPng, kSelfTestPng + kSelfTestPngSize)},
        {"JPEG", std::vector<unsigned char>(kSelfTestJpeg, kSelfTestJpeg + kSelfTestJpegSize)},
        {"GIF", std::vector<unsigned char>(kSelfTestGif, kSelfTestGif + kSelfTestGifSize)},
        {"BMP", std::vector<unsigned char>(kSelfTestBmp, kSelfTestBmp + kSelfTestBmpSize)},
    };
}

bool validateImageMagick(const std::vector<SelfTestPicture> &pictures, std::string *failedFormats)
{
    bool all = true;
    std::string failed;
    for (const SelfTestPicture &picture : pictures) {
        MagickWand *wand = NewMagickWand();
        bool ok = !picture.bytes.empty() && MagickReadImageBlob(wand, picture.bytes.data(), picture.bytes.size()) &&
                  MagickGetImageWidth(wand) > 0;
        wand = DestroyMagickWand(wand);
        if (!ok) {
            all = false;
            if (!failed.empty())
                failed += ", ";
            failed += picture.format;
        }
    }
    if (failedFormats)
        *failedFormats = failed;
    return all;
}

bool validateImageMagick() { return validateImageMagick(builtInSelfTestPictures()); }

std::string programFolder()
{
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return ".";
    std::string folder(path, n);
    size_t slash = findLastBackslash(folder);
    return slash == std::string::npos ? "." : folder.substr(0, slash);
}

static void setMagickEnvironment(const char *name, const std::string &gbkValue)
{
#ifdef __WINE__
    // ImageMagick reads the Unix environment of this process, not Wine's copy.
    setenv(name, gbkValue.c_str(), 1);
#else
    SetEnvironmentVariableA(name, gbkValue.c_str());
    _putenv((std::string(name) + "=" + gbkValue).c_str());
#endif
}

void startImageMagick()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    std::string config = magickPath(programFolder() + "\\config");
    if (!config.empty())
        setMagickEnvironment("MAGICK_CONFIGURE_PATH", config);
    MagickWandGenesis();
    // The same ceilings as the shipped policy, for a copy of the program that lost it.
    MagickSetResourceLimit(WidthResource, 64000);
    MagickSetResourceLimit(HeightResource, 64000);
    MagickSetResourceLimit(AreaResource, 1000000000ULL);
}
