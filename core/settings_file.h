// The main tool's settings files: "config.dat" beside the program (the settings of
// the last run) and the named "*.sz" files in the "sz" folder. Key=value lines in
// GBK; LF in memory, CR LF on disk, both accepted when reading.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "core/process_settings.h"
#include "core/settings_text.h"

// Loads a settings file into the record. Once the file is open the record is reset
// to the defaults (ProcessSettings()), the keys found in the file are applied and
// every field is brought into its range (normaliseSettings in settings_text.h); a
// file that cannot be opened leaves the record alone. Returns false only when the
// file cannot be opened; the relative name "config.dat" (exactly that text) is first
// recreated with the default text in the current folder when it is missing. A file
// that cannot be read in one piece (an empty one, or one over 4 MB) leaves the
// defaults and still returns true.
bool readSettingsFile(ProcessSettings &settings, const std::string &path);

// readSettingsFile with the answer to "was that a settings file?", for callers
// that must not run on the defaults by mistake (the command line).
enum class SettingsFileState {
    Read,        // at least one settings key was found
    NotOpened,   // the file cannot be opened; the record is left alone; error says why
    NotRead,     // empty, over 4 MB, or a read error (error says which); the record holds the defaults
    NoSettings,  // read, but not one line holds a settings key; the record holds the defaults
};
// faults (if given) receives the lines the reader could not take as they stand
// (applySettingsText in settings_text.h).
SettingsFileState loadSettingsFile(ProcessSettings &settings, const std::string &path, DWORD *error = nullptr,
                                   std::vector<SettingsTextFault> *faults = nullptr);

// Writes every key in the fixed order. The text goes to a temporary file beside the
// target that is then moved over it, so a failed write never destroys the old file.
// Returns false (and leaves the old file as it was) when anything fails.
bool writeSettingsFile(const ProcessSettings &settings, const std::string &path);

// Writes defaultSettingsText() the same safe way.
bool writeDefaultSettingsFile(const std::string &path);

// The 34-line default settings text, LF line ends (557 bytes).
std::string defaultSettingsText();

// Writes bytes (LF line ends become CR LF) to path through a temporary file in the
// same folder and MoveFileExA(REPLACE_EXISTING). Shared by the writers above.
bool writeTextFileSafely(const std::string &path, const std::string &textWithLf);
