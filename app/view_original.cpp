#include "app/view_original.h"

#include <commctrl.h>
#include <wand/MagickWand.h>

#include "core/pipeline.h"
#include "imaging/picture_read.h"
#include "input/image_list.h"
#include "ui/info_window.h"
#include "app/picture_list_view.h"
#include "ui/picture_viewer.h"
#include "app/startup_config.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {

void layOnWhite(MagickWand *wand)
{
    PixelWand *white = NewPixelWand();
    PixelSetColor(white, "#FFFFFF");
    MagickSetImageBackgroundColor(wand, white);
    DestroyPixelWand(white);
    MagickSetImageAlphaChannel(wand, RemoveAlphaChannel);
}

}  // namespace

ViewerSource prepareViewerPicture(const std::string &picturePath, const std::string &tempFile, bool autoOrient)
{
    ViewerSource source;
    std::string reason;
    PictureFile file;
    MagickWand *wand = nullptr;
    if (readPictureFile(picturePath, file, reason)) {
        const bool turned = autoOrient && file.orientation >= 2;
        // The viewer's loader ignores the orientation tag: a photo that must be
        // turned is shown through a turned copy.
        if (file.format == "JPEG" && !turned) {
            // Its colour space from a decode at the smallest scale: an RGB or grey
            // JPEG is shown from its own file.
            MagickWand *probe = decodePictureFile(file, DecodeHint{1, 1}, reason);
            bool asItIs = probe && MagickGetImageColorspace(probe) != CMYKColorspace;
            if (probe)
                DestroyMagickWand(probe);
            if (asItIs) {
                source.ok = true;
                source.path = picturePath;
                return source;
            }
        }
        if (reason.empty())
            wand = decodePictureFile(file, DecodeHint(), reason);
    }
    source.message = formatText("图片读取失败:\r\n%s", picturePath.c_str());
    if (!wand) {
        if (!reason.empty())
            source.message += "\r\n原因：" + reason;
        return source;
    }
    MagickSetFirstIterator(wand);  // the first page of a TIFF, the merged picture of a PSD
    if (autoOrient)
        orientPicture(wand, file.orientation);
    if (file.format.compare(0, 3, "BMP") == 0)
        MagickSetImageAlphaChannel(wand, DeactivateAlphaChannel);
    if (MagickGetImageAlphaChannel(wand))
        layOnWhite(wand);
    if (MagickGetImageColorspace(wand) == CMYKColorspace)
        MagickTransformImageColorspace(wand, sRGBColorspace);
    MagickSetImageCompression(wand, JPEGCompression);
    MagickSetImageCompressionQuality(wand, 90);
    std::string bytes, note;
    bool encoded = encodeJpeg(wand, bytes, reason, note);
    DestroyMagickWand(wand);
    // The copy of the picture viewed before must not survive a failed write.
    DWORD error = 0;
    if (encoded && !DeleteFileA(tempFile.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        error = GetLastError();
    if (encoded && !error)
        replaceFileWith(tempFile, bytes.data(), bytes.size(), error);
    if (!encoded || error) {
        if (error)
            reason = formatText("无法写入 '%s': %s", tempFile.c_str(), systemErrorText(error).c_str());
        source.message += "\r\n原因：" + reason;
        return source;
    }
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
    CreateDirectoryA(config.tempFolder.c_str(), nullptr);
    ViewerSource source = prepareViewerPicture(path, config.tempFolder + "\\browser.jpg", picturesAutoOrient());
    SetCursor(old ? old : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    if (!source.ok) {
        showInfoMessage(source.message);
        return;
    }
    viewPicture(source.path, path.substr(findLastBackslash(path) + 1));
}
