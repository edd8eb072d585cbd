// What start-up finds and every part of the window program reads for the whole
// run: one process-wide record (app/startup.h runs the sequence that fills it).
#pragma once
#include <windows.h>

#include <string>
#include <unordered_map>

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
// Stores the two dialog folders (done when the main window closes).
void writeDialogFolders(const StartupConfig &config);
// Writes one preference back (the settings menu and the save-to folder do).
void storePreferenceDword(const char *name, DWORD value);
void storePreferenceString(const char *name, const std::string &value);
