// The process-wide start-up record: folders, preferences and font paths, and the
// rules that fill it.
#include "app/startup_config.h"

#include <shlobj.h>

#include "imaging/colour_profiles.h"
#include "input/file_helpers.h"
#include "util/registry_store.h"
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
