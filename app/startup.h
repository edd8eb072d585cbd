// Start-up of the window program: the program and temp folders, the per-user
// preferences, ImageMagick, the font tables, the main window and the message loop.
// Everything it finds lives for the whole run in one process-wide record.
#pragma once
#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "imaging/magick_env.h"

struct StartupConfig {
    std::string programFolder;  // never changed after start-up
    std::string tempFolder;

    // Preferences (HKCU "SOFTWARE\Velmora").
    std::string fileDlgChooseImage;  // "file_dlg_choose_image"
    std::string fileDlgChooseLogo;   // "file_dlg_choose_logo"
    DWORD skipCheckLoadPicCount = 0;
    DWORD isShowThumbnail = 1;
    DWORD isReadFileParseFileFormat = 1;
    DWORD isRecordSaveToPath = 0;
    std::string saveToPath;
    std::string cmykDefaultIcc = "JapanColor2001Coated.icc";
    DWORD picSaveMode = 0;

    // Font files in the system fonts folder that text watermarks fall back to.
    std::string fontSimsun, fontSimkai, fontSimfang, fontSimhei, fontMsyh;
    // Face name (GBK) -> lower-cased font file; font file -> ImageMagick family.
    std::unordered_map<std::string, std::string> fontFaceTable;
    std::unordered_map<std::string, std::string> fontFamilyTable;

    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
};

StartupConfig &startupConfig();

// Registry value names of the preferences. The large-load value's name really
// ends with one space.
extern const char kPrefSkipCheckLoadPicCount[];

// --- Pure rules (no window, no file system) ---------------------------------
// The module path cut at its last backslash; a drive root keeps its backslash.
std::string programFolderFromModulePath(const std::string &modulePath);
// programFolder + "\temp" (no doubled backslash after a drive root).
std::string tempFolderFor(const std::string &programFolder);
// A folder an archive viewer extracted into: contains '$' and "\Temp\".
bool isArchiveExtractionFolder(const std::string &programFolder);
// Save modes 3 and above are not valid and become 0.
DWORD normalisedPicSaveMode(DWORD stored);
// Adds face -> file to a face table: a new face is added; a known one is replaced
// only by a regular (not italic, weight <= 400) file.
void addFontFace(std::unordered_map<std::string, std::string> &table, const std::string &face,
                 const std::string &file, bool italic, int weight);

// --- Steps of the sequence, callable one by one (the tests do) ---------------
void determineFolders(StartupConfig &config);
// Reads every preference with its default; writes the large-load value when it
// is missing. Stored folders that no longer exist fall back to the Desktop.
void readPreferences(StartupConfig &config);
// Paths of the Chinese fallback fonts in the system fonts folder.
void computeFontPaths(StartupConfig &config);
// Fills both font tables from the fonts folder and the system's font catalogue.
void buildFontTables(StartupConfig &config);
// Stores the two dialog folders (done when the main window closes).
void writeDialogFolders(const StartupConfig &config);
// Writes one preference back (the settings menu and the save-to folder do).
void storePreferenceDword(const char *name, DWORD value);
void storePreferenceString(const char *name, const std::string &value);

// Start-up problems the program cannot run with: a message box without owner,
// a web page for some, then the end of the process. The tests record them instead.
struct StartupFailureHooks {
    int (*messageBox)(const char *text, const char *caption, UINT type);
    void (*openPage)(const char *address);
    void (*exit)(UINT code);
};
StartupFailureHooks &startupFailureHooks();
// ImageMagick must decode its four built-in pictures (PNG, JPEG, GIF, BMP) before
// anything uses it; otherwise the initialisation message names the program folder,
// the web site opens and the process ends with -1.
void requireWorkingImageMagick(const StartupConfig &config,
                               const std::vector<SelfTestPicture> &pictures = builtInSelfTestPictures());
// The thumbnail worker must be running; otherwise "启动工作线程失败" and -1.
void requireThumbnailWorker(bool running);

// The whole start-up sequence and the message loop; returns the exit code.
// startPaths are files and folders to list as if they had been dropped.
int startApplication(HINSTANCE instance, int showCommand, const std::vector<std::string> &startPaths);
