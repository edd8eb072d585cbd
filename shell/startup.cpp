#include "shell/startup.h"

#include <shlobj.h>
#include <wand/MagickWand.h>

#include "core/registry_store.h"
#include "imaging/colour_profiles.h"
#include "imaging/magick_env.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "res/resource.h"
#include "shell/info_window.h"
#include "shell/main_window.h"
#include "shell/web_pages.h"
#include "shell/window_kit.h"
#include "shell/main_layout.h"
#include "shell/run_inputs.h"
#include "util/magick_path.h"
#include "util/path_list.h"
#include "util/text.h"

const char kPrefSkipCheckLoadPicCount[] = "skip_check_load_pic_count ";

StartupConfig &startupConfig()
{
    static StartupConfig config;
    return config;
}

// ---------------------------------------------------------------------------
// Pure rules

std::string programFolderFromModulePath(const std::string &modulePath)
{
    size_t slash = findLastBackslash(modulePath);
    if (slash == std::string::npos)
        return modulePath;
    if (slash > 0 && modulePath[slash - 1] == ':')
        return modulePath.substr(0, slash + 1);
    return modulePath.substr(0, slash);
}

std::string tempFolderFor(const std::string &programFolder)
{
    if (!programFolder.empty() && programFolder.back() == '\\')
        return programFolder + "temp";
    return programFolder + "\\temp";
}

bool isArchiveExtractionFolder(const std::string &programFolder)
{
    return programFolder.find('$') != std::string::npos && programFolder.find("\\Temp\\") != std::string::npos;
}

DWORD normalisedPicSaveMode(DWORD stored)
{
    return stored >= 3 ? 0 : stored;
}

void addFontFace(std::unordered_map<std::string, std::string> &table, const std::string &face,
                 const std::string &file, bool italic, int weight)
{
    auto found = table.find(face);
    if (found == table.end())
        table.emplace(face, file);
    else if (!italic && weight <= 400)
        found->second = file;
}

// ---------------------------------------------------------------------------
// Preferences

static std::string desktopFolder()
{
    char path[MAX_PATH];
    return specialFolderPath(CSIDL_DESKTOPDIRECTORY, path) ? std::string(path) : std::string();
}

static void readDialogFolder(const char *name, std::string &folder)
{
    folder = desktopFolder();
    std::string stored = readProgramString(name);
    if (!stored.empty() && isDirectory(stored.c_str()))
        folder = stored;
}

void readPreferences(StartupConfig &config)
{
    readDialogFolder("file_dlg_choose_image", config.fileDlgChooseImage);
    readDialogFolder("file_dlg_choose_logo", config.fileDlgChooseLogo);
    config.skipCheckLoadPicCount = 0;
    if (!readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, kPrefSkipCheckLoadPicCount,
                      &config.skipCheckLoadPicCount))
        writeProgramDword(kPrefSkipCheckLoadPicCount, 0);
    config.isShowThumbnail = readProgramDword("is_show_thumbnail", 1);
    config.isReadFileParseFileFormat = readProgramDword("is_read_file_parse_file_format", 1);
    config.isRecordSaveToPath = readProgramDword("is_record_save_to_path", 0);
    config.saveToPath = config.isRecordSaveToPath ? readProgramString("save_to_path") : std::string();
    config.cmykDefaultIcc = readProgramString("cmyk_default_icc", kDefaultCmykProfile);
    config.picSaveMode = normalisedPicSaveMode(readProgramDword("pic_save_mode", 0));
}

void writeDialogFolders(const StartupConfig &config)
{
    writeProgramString("file_dlg_choose_image", config.fileDlgChooseImage);
    writeProgramString("file_dlg_choose_logo", config.fileDlgChooseLogo);
}

void storePreferenceDword(const char *name, DWORD value)
{
    writeProgramDword(name, value);
}

void storePreferenceString(const char *name, const std::string &value)
{
    writeProgramString(name, value);
}

// ---------------------------------------------------------------------------
// Folders

void determineFolders(StartupConfig &config)
{
    char module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (length > 0 && length < sizeof module) {
        config.programFolder = programFolderFromModulePath(module);
    } else {
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof current, current);
        config.programFolder = current;
    }
    config.tempFolder = tempFolderFor(config.programFolder);
    if (!isDirectory(config.tempFolder.c_str()))
        CreateDirectoryA(config.tempFolder.c_str(), nullptr);
}

void computeFontPaths(StartupConfig &config)
{
    char fonts[MAX_PATH] = {};
    specialFolderPath(CSIDL_FONTS, fonts);
    auto inFonts = [&](const char *name) { return formatText("%s\\%s", fonts, name); };
    config.fontSimsun = inFonts("SIMSUN.TTC");
    config.fontSimkai = inFonts("SIMKAI.TTF");
    config.fontSimfang = inFonts("SIMFANG.TTF");
    config.fontSimhei = inFonts("simhei.ttf");
    if (fileExists(inFonts("msyh.ttf").c_str()))
        config.fontMsyh = inFonts("msyh.ttf");
    else if (fileExists(inFonts("msyh_00.ttf").c_str()))
        config.fontMsyh = inFonts("msyh_00.ttf");
    else
        config.fontMsyh = inFonts("msyh.ttc");
}

// ---------------------------------------------------------------------------
// Start-up sequence

static void refuseToStart(const char *message)
{
    MessageBoxA(nullptr, message, "提示", MB_OK | MB_ICONERROR);
    openWebPage(helpPageAddress(kHelpSectionUnpack).c_str());
    ExitProcess(static_cast<UINT>(-1));
}

// The JPEG coder must be there: on Windows it is a module file beside the program,
// on the Linux build ImageMagick is the system library and must know the format.
static bool jpegCoderAvailable(const StartupConfig &config)
{
#ifdef __WINE__
    (void)config;
    size_t count = 0;
    char **formats = MagickQueryFormats("JPEG", &count);
    if (formats) {
        for (size_t i = 0; i < count; ++i)
            MagickRelinquishMemory(formats[i]);
        MagickRelinquishMemory(formats);
    }
    return count > 0;
#else
    return fileExists(formatText("%s\\modules\\coders\\IM_MOD_RL_jpeg_.dll", config.programFolder.c_str()).c_str());
#endif
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
    if (!jpegCoderAvailable(config))
        refuseToStart("软件无法正常启动，可能是没有对下载的文件进行正确的解压缩。\n\n点击[确定]按钮，查看正确的解压缩方式。");

    readPreferences(config);
    loadDefaultCmykProfileAtStartup();
    lstrcpynA(pictureDialogFolder(), config.fileDlgChooseImage.c_str(), MAX_PATH);
    loadSkipLargeLoadQuestion();
    SetCurrentDirectoryA(config.programFolder.c_str());
    loadIcons(instance, config);
    // ImageMagick must decode its four built-in pictures before anything else uses it.
    std::string failed;
    if (!validateImageMagick(builtInSelfTestPictures(), &failed)) {
        MessageBoxA(nullptr,
                    formatText("图片处理组件 ImageMagick 无法解码内置的测试图片 (%s)。\n\n程序无法继续运行，请重新安装本软件。",
                               failed.c_str()).c_str(),
                    "错误", MB_OK | MB_ICONERROR);
        ExitProcess(static_cast<UINT>(-1));
    }
    MagickSetResourceLimit(MemoryResource, 1073741824);
    computeFontPaths(config);

    HWND main = createMainWindow(instance, SW_HIDE);
    if (!main)
        return 0;
    if (config.isRecordSaveToPath && !config.saveToPath.empty())
        setMainSaveToFolder(main, config.saveToPath);
    createInfoWindow(instance);
    showMainWindow(main, showCommand);

    buildFontTables(config);
    if (!startPaths.empty())
        addDroppedPaths(main, startPaths);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (handleInfoWindowKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
