#include "app/startup.h"

#include <shlobj.h>
#include <wand/MagickWand.h>

#include "util/registry_store.h"
#include "imaging/colour_profiles.h"
#include "imaging/magick_env.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "res/resource.h"
#include "app/context_help.h"
#include "ui/info_window.h"
#include "app/main_preview.h"
#include "ui/picture_viewer.h"
#include "app/input_rules.h"
#include "app/picture_list_view.h"
#include "app/main_window.h"
#include "ui/web_pages.h"
#include "ui/window_kit.h"
#include "app/main_layout.h"
#include "app/profile_choice.h"
#include "util/magick_path.h"
#include "util/path_list.h"
#include "util/text.h"

// ---------------------------------------------------------------------------
// Start-up sequence

namespace {

int ownerlessBox(const char *text, const char *caption, UINT type)
{
    return MessageBoxA(nullptr, text, caption, type);
}

void exitNow(UINT code) { ExitProcess(code); }

}  // namespace

StartupFailureHooks &startupFailureHooks()
{
    static StartupFailureHooks hooks = {ownerlessBox, openWebPage, exitNow};
    return hooks;
}

static void refuseToStart(const char *message)
{
    StartupFailureHooks &hooks = startupFailureHooks();
    hooks.messageBox(message, "提示", MB_OK | MB_ICONERROR);
    hooks.openPage(helpPageAddress(kHelpSectionUnpack).c_str());
    hooks.exit(static_cast<UINT>(-1));
}

// The libraries are the system's here, so there is nothing to move elsewhere:
// the user is told, sent to the web site, and the start ends as a failure.
void requireWorkingImageMagick(const StartupConfig &config, const std::vector<SelfTestPicture> &pictures)
{
    if (validateImageMagick(pictures))
        return;
    StartupFailureHooks &hooks = startupFailureHooks();
    hooks.messageBox(formatText("系统初始化时发生错误, 无法加载图片处理相关的 dll 文件。\n软件路径：'%s'\n\n"
                                "点击【确定】按钮后，进入官网联系客服。",
                                config.programFolder.c_str())
                         .c_str(),
                     "提示", MB_OK | MB_ICONWARNING);
    hooks.openPage(helpPageAddress(kHelpSectionSite).c_str());
    hooks.exit(static_cast<UINT>(-1));
}

void requireThumbnailWorker(bool running)
{
    if (running)
        return;
    StartupFailureHooks &hooks = startupFailureHooks();
    hooks.messageBox("启动工作线程失败", "提示", MB_OK | MB_ICONERROR);
    hooks.exit(static_cast<UINT>(-1));
}

// The JPEG coder must be there. Both builds ask ImageMagick: the Linux build loads
// it as a module of the system's ImageMagick, the Windows program has every coder
// built in (no module file that a folder name could keep from loading).
static bool jpegCoderAvailable()
{
    size_t count = 0;
    char **formats = MagickQueryFormats("JPEG", &count);
    if (formats) {
        for (size_t i = 0; i < count; ++i)
            MagickRelinquishMemory(formats[i]);
        MagickRelinquishMemory(formats);
    }
    return count > 0;
}

static void loadIcons(HINSTANCE instance, StartupConfig &config)
{
    config.largeIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    config.smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP_SMALL), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
}

int startApplication(HINSTANCE instance, int showCommand, const std::vector<std::string> &startPaths)
{
    StartupConfig &config = startupConfig();
    initBalloonLock();  // the crash handler is installed by the caller, before anything else
    determineFolders(config);
    if (isArchiveExtractionFolder(config.programFolder))
        refuseToStart("请先对软件压缩包进行解压缩后再启动软件。\n\n点击[确定]按钮，查看正确的解压缩方式。");

    startImageMagick();
    if (!jpegCoderAvailable())
        refuseToStart("软件无法正常启动，可能是没有对下载的文件进行正确的解压缩。\n\n点击[确定]按钮，查看正确的解压缩方式。");

    readPreferences(config);
    loadDefaultCmykProfileAtStartup();
    lstrcpynA(pictureDialogFolder(), config.fileDlgChooseImage.c_str(), MAX_PATH);
    loadSkipLargeLoadQuestion();
    SetCurrentDirectoryA(config.programFolder.c_str());
    loadIcons(instance, config);
    requireWorkingImageMagick(config);
    MagickSetResourceLimit(MemoryResource, 1073741824);
    computeFontPaths(config);

    HWND main = createMainWindow(instance, SW_HIDE);
    if (!main)
        return 0;
    if (config.isRecordSaveToPath && !config.saveToPath.empty())
        setMainSaveToFolder(main, config.saveToPath);
    // The hidden long-lived windows: the main preview, the picture viewer, the
    // information window and the context-help popup.
    requireThumbnailWorker(pictureListWorkerStarted());
    createMainPreview(main, instance);
    createPictureViewer(instance, config.largeIcon, config.smallIcon);
    createInfoWindow(instance, main);
    createContextHelpPopup(instance, main);
    showMainWindow(main, showCommand);

    buildFontTables(config);
    if (!startPaths.empty())
        addDroppedPaths(main, startPaths);
    return runMessageLoop();
}
