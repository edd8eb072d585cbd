#include "shell/view_original.h"

#include <commctrl.h>
#include <wand/MagickWand.h>

#include "core/pipeline.h"
#include "input/file_helpers.h"
#include "input/image_list.h"
#include "shell/info_window.h"
#include "shell/picture_list_view.h"
#include "shell/picture_viewer.h"
#include "shell/startup.h"
#include "util/magick_path.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

// The one place this command reads a picture. ping: the header only. nullptr when
// ImageMagick reports an error (warnings about damaged data are no reason).
MagickWand *readPicture(const std::string &path, bool ping)
{
    std::string file = magickPath(path);
    if (file.empty())
        return nullptr;
    MagickWand *wand = NewMagickWand();
    bool read = (ping ? MagickPingImage(wand, file.c_str()) : MagickReadImage(wand, file.c_str())) != MagickFalse;
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    if (text)
        MagickRelinquishMemory(text);
    MagickClearException(wand);
    if (!read || severity >= ErrorException || MagickGetNumberImages(wand) == 0 || MagickGetImageWidth(wand) == 0 ||
        MagickGetImageHeight(wand) == 0)
        return DestroyMagickWand(wand);
    MagickSetIteratorIndex(wand, 0);
    return wand;
}

std::string formatOf(MagickWand *wand)
{
    char *name = MagickGetImageFormat(wand);
    std::string format = name ? name : "";
    if (name)
        MagickRelinquishMemory(name);
    return format;
}

void layOnWhite(MagickWand *wand)
{
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "#FFFFFF");
    MagickSetImageBackgroundColor(wand, white);
    DestroyPixelWand(white);
    MagickSetImageAlphaChannel(wand, RemoveAlphaChannel);
}

}  // namespace

ViewerSource prepareViewerPicture(const std::string &picturePath, const std::string &tempFile)
{
    ViewerSource source;
    source.message = formatText("图片读取失败:\r\n%s", picturePath.c_str());
    MagickWand *header = readPicture(picturePath, true);
    if (!header)
        return source;
    bool asItIs = formatOf(header) == "JPEG" && MagickGetImageColorspace(header) != CMYKColorspace;
    DestroyMagickWand(header);
    if (asItIs) {
        source.ok = true;
        source.path = picturePath;
        return source;
    }
    MagickWand *wand = readPicture(picturePath, false);
    if (!wand)
        return source;
    std::string format = formatOf(wand);
    if (format.compare(0, 3, "BMP") == 0)
        MagickSetImageAlphaChannel(wand, DeactivateAlphaChannel);
    if (MagickGetImageAlphaChannel(wand))
        layOnWhite(wand);
    if (MagickGetImageColorspace(wand) == CMYKColorspace)
        MagickTransformImageColorspace(wand, sRGBColorspace);
    MagickSetImageCompression(wand, JPEGCompression);
    MagickSetImageCompressionQuality(wand, 90);
    std::string bytes, reason, note;
    bool encoded = encodeJpeg(wand, bytes, reason, note);
    DestroyMagickWand(wand);
    // The copy of the picture viewed before must not survive a failed write.
    bool cleared = DeleteFileA(tempFile.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    DWORD error = 0;
    if (!encoded || !cleared || !replaceFileWith(tempFile, bytes.data(), bytes.size(), error))
        return source;
    source.ok = true;
    source.path = tempFile;
    source.message.clear();
    return source;
}

void viewOriginalPicture(HWND mainWindow)
{
    (void)mainWindow;
    HWND list = pictureListView();
    int index = list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
    if (index < 0)
        return;
    std::string path;
    {
        ImageList &pictures = pictureImageList();
        ImageList::ScopedLock guard(pictures);
        const ImageItem *item = pictures.at(index);
        if (!item)
            return;
        path = item->path;
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    const StartupConfig &config = startupConfig();
    SetCurrentDirectoryA(config.programFolder.c_str());
    ViewerSource source;
    if (fileExists(path.c_str())) {
        CreateDirectoryA(config.tempFolder.c_str(), nullptr);
        source = prepareViewerPicture(path, config.tempFolder + "\\browser.jpg");
    } else {
        source.message = formatText("图片读取失败:\r\n%s", path.c_str());
    }
    SetCursor(old ? old : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    if (!source.ok) {
        showInfoMessage(source.message);
        return;
    }
    viewPicture(source.path, path.substr(findLastBackslash(path) + 1));
}
