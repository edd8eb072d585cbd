// The named settings files of the "sz" folder: their names, the recent-files
// order by last access, and loading one into the panel.
#include "app/settings_files.h"

#include <algorithm>

#include "app/main_preview.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup_config.h"
#include "util/text.h"

static bool newerAccess(const FILETIME &a, const FILETIME &b)
{
    return CompareFileTime(&a, &b) > 0;
}

std::vector<std::string> newestFirst(std::vector<RecentFile> files, size_t limit)
{
    std::stable_sort(files.begin(), files.end(),
                     [](const RecentFile &a, const RecentFile &b) { return newerAccess(a.lastAccess, b.lastAccess); });
    std::vector<std::string> names;
    for (size_t i = 0; i < files.size() && i < limit; ++i)
        names.push_back(files[i].name);
    return names;
}

std::vector<std::string> recentSettingsFiles(const std::string &szFolder)
{
    std::vector<RecentFile> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((szFolder + "\\*.sz").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!endsWithNoCase(found.cFileName, ".sz"))  // the wildcard also matches 8.3 names
            continue;
        files.push_back({found.cFileName, found.ftLastAccessTime});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return newestFirst(files, 10);
}

std::string withSettingsExtension(const std::string &name)
{
    return endsWith(name, ".sz") ? name : name + ".sz";
}

bool touchLastAccess(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME stamp;
    GetSystemTimeAsFileTime(&stamp);  // full precision: a file made a moment ago must come out older
    bool ok = SetFileTime(file, nullptr, &stamp, nullptr) != FALSE;
    CloseHandle(file);
    return ok;
}

bool loadSettingsFromSzFolder(HWND panel, const std::string &path)
{
    // An open preview is closed for the load and opened again with the new settings.
    if (!withMainPreviewClosed([panel, &path] { return loadSettingsIntoPanel(panel, path); }))
        return false;
    std::string szFolder = startupConfig().programFolder + "\\sz\\";
    if (path.size() > szFolder.size() && equalsNoCase(path.substr(0, szFolder.size()), szFolder))
        touchLastAccess(path);
    return true;
}
