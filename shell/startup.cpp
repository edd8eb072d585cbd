#include "shell/startup.h"

#include <shlobj.h>
#include <wand/MagickWand.h>

#include "imaging/self_test.h"
#include "input/file_helpers.h"
#include "res/resource.h"
#include "shell/main_window.h"
#include "shell/main_layout.h"
#include "util/magick_path.h"
#include "util/path_list.h"
#include "util/text.h"

const char kPrefSkipCheckLoadPicCount[] = "skip_check_load_pic_count ";
static const char kPrefKey[] = "SOFTWARE\\Velmora";

StartupConfig &startupConfig()
{
    static StartupConfig config;
    return config;
}

// ---------------------------------------------------------------------------
// Pure rules

std::string programFolderFromModulePath(const std::string &modulePath)
{
    size_t slash = modulePath.find_last_of('\\');
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

static bool readPrefDword(const char *name, DWORD &value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPrefKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, data = 0, size = sizeof data;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

static bool readPrefString(const char *name, std::string &value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPrefKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[260] = {};
    DWORD type = 0, size = sizeof buffer - 1;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
    value = buffer;
    return true;
}

static void writePrefDword(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPrefKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
}

static void writePrefString(const char *name, const std::string &value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPrefKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

static std::string desktopFolder()
{
    char path[MAX_PATH];
    return specialFolderPath(CSIDL_DESKTOPDIRECTORY, path) ? std::string(path) : std::string();
}

static void readDialogFolder(const char *name, std::string &folder)
{
    folder = desktopFolder();
    std::string stored;
    if (readPrefString(name, stored) && isDirectory(stored.c_str()))
        folder = stored;
}

void readPreferences(StartupConfig &config)
{
    readDialogFolder("file_dlg_choose_image", config.fileDlgChooseImage);
    readDialogFolder("file_dlg_choose_logo", config.fileDlgChooseLogo);
    config.skipCheckLoadPicCount = 0;
    if (!readPrefDword(kPrefSkipCheckLoadPicCount, config.skipCheckLoadPicCount))
        writePrefDword(kPrefSkipCheckLoadPicCount, 0);
    config.isShowThumbnail = 1;
    readPrefDword("is_show_thumbnail", config.isShowThumbnail);
    config.isReadFileParseFileFormat = 1;
    readPrefDword("is_read_file_parse_file_format", config.isReadFileParseFileFormat);
    config.isRecordSaveToPath = 0;
    readPrefDword("is_record_save_to_path", config.isRecordSaveToPath);
    config.saveToPath.clear();
    if (config.isRecordSaveToPath)
        readPrefString("save_to_path", config.saveToPath);
    config.cmykDefaultIcc = "JapanColor2001Coated.icc";
    readPrefString("cmyk_default_icc", config.cmykDefaultIcc);
    config.picSaveMode = 0;
    readPrefDword("pic_save_mode", config.picSaveMode);
    config.picSaveMode = normalisedPicSaveMode(config.picSaveMode);
}

void writeDialogFolders(const StartupConfig &config)
{
    writePrefString("file_dlg_choose_image", config.fileDlgChooseImage);
    writePrefString("file_dlg_choose_logo", config.fileDlgChooseLogo);
}

void storePreferenceDword(const char *name, DWORD value)
{
    writePrefDword(name, value);
}

void storePreferenceString(const char *name, const std::string &value)
{
    writePrefString(name, value);
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

static const char kUnpackHelpPage[] = "https://velmora.example.com/help/unpack.html";

static void openPage(const char *address)
{
    ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

static void refuseToStart(const char *message)
{
    MessageBoxA(nullptr, message, "提示", MB_OK | MB_ICONERROR);
    openPage(kUnpackHelpPage);
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
    determineFolders(config);
    if (isArchiveExtractionFolder(config.programFolder))
        refuseToStart("请先对软件压缩包进行解压缩后再启动软件。\n\n点击[确定]按钮，查看正确的解压缩方式。");

    MagickWandGenesis();
    if (!jpegCoderAvailable(config))
        refuseToStart("软件无法正常启动，可能是没有对下载的文件进行正确的解压缩。\n\n点击[确定]按钮，查看正确的解压缩方式。");

    readPreferences(config);
    SetCurrentDirectoryA(config.programFolder.c_str());
    loadIcons(instance, config);
    MagickSetResourceLimit(MemoryResource, 1073741824);
    computeFontPaths(config);

    HWND main = createMainWindow(instance, SW_HIDE);
    if (!main)
        return 0;
    if (config.isRecordSaveToPath && !config.saveToPath.empty())
        setMainSaveToFolder(main, config.saveToPath);
    showMainWindow(main, showCommand);

    buildFontTables(config);
    if (!startPaths.empty())
        addDroppedPaths(main, startPaths);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
