// The main tool's named settings files ("*.sz" in the folder "sz").
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Recent settings files: names of "*.sz" files in a folder, newest access first,
// at most ten.
struct RecentFile {
    std::string name;
    FILETIME lastAccess;
};
std::vector<std::string> newestFirst(std::vector<RecentFile> files, size_t limit);
std::vector<std::string> recentSettingsFiles(const std::string &szFolder);
// "abc" -> "abc.sz"; a name already ending in ".sz" is kept.
std::string withSettingsExtension(const std::string &name);

// Sets a file's last-access time to now (the recent-files order).
bool touchLastAccess(const std::string &path);
// Loads a settings file into the panel; one from the "sz" folder becomes the most
// recent one.
bool loadSettingsFromSzFolder(HWND panel, const std::string &path);
