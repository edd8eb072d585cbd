#include "input/file_helpers.h"

#include <windows.h>
#include <shlobj.h>
#include <climits>
#include <cstring>

#ifdef __WINE__
#include <sys/stat.h>
#include "util/magick_path.h"
#endif

#include "util/info_log.h"
#include "util/path_join.h"
#include "util/path_list.h"
#include "util/text.h"

static const char *const kPictureExtensions[] = {".jpg", ".jpeg", ".png", ".bmp",  ".gif",  ".jfif", ".tif",
                                                 ".tiff", ".psd", ".tbi", ".webp", ".heic", ".heif", ".avif"};
static const char *const kFontExtensions[] = {".ttf", ".ttc", ".otf"};

template <size_t N>
static bool hasExtensionIn(const char *name, const char *const (&set)[N])
{
    const char *dot = name ? strrchr(name, '.') : nullptr;
    if (!dot)
        return false;
    for (const char *ext : set)
        if (equalsNoCase(dot, ext))
            return true;
    return false;
}

bool isPictureFileName(const char *name) { return hasExtensionIn(name, kPictureExtensions); }
bool isFontFileName(const char *name) { return hasExtensionIn(name, kFontExtensions); }

bool fileExists(const char *path)
{
    if (!path || !*path)
        return false;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(f);
    return true;
}

bool isDirectory(const char *path)
{
    if (!path || !*path)
        return false;
    DWORD attr = GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

int fileSize(const char *path)
{
    if (!path || !*path)
        return -1;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(f, &size);
    CloseHandle(f);
    if (!ok)
        return -1;
    // A file over 2 GiB must not look like the "cannot open" answer.
    return size.QuadPart > INT_MAX ? INT_MAX : (int)size.QuadPart;
}

static std::string joinedOrEmpty(const char *folder, const char *name)
{
    std::string out;
    return joinPath(out, folder, name) ? out : std::string();
}

// Calls visit(findData) for every entry of folder matching pattern, "." and ".." excluded.
template <typename Visit>
static void forEachEntry(const char *folder, const char *pattern, Visit visit)
{
    if (!folder || !*folder)
        return;
    std::string query = joinedOrEmpty(folder, pattern);
    if (query.empty())
        return;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(query.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0)
            continue;
        visit(fd);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

bool isLinkReparsePoint(unsigned int attributes, unsigned int reparseTag)
{
    // Junctions, symbolic links and WSL links carry the name-surrogate bit; other
    // reparse points (cloud-file placeholders, deduplicated folders) are real folders.
    const DWORD kNameSurrogate = 0x20000000;
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (reparseTag & kNameSurrogate);
}

static bool isLinkedFolder(const char *folder, const WIN32_FIND_DATAA &fd)
{
    if (isLinkReparsePoint(fd.dwFileAttributes, fd.dwReserved0))
        return true;
#ifdef __WINE__
    // Wine shows a Unix symbolic link to a folder as a plain folder. The name is
    // added to the parent's Unix path: a folder named like a device ("aux")
    // would otherwise be taken for the device's own link in dosdevices.
    std::string parent = magickPath(folder);
    std::string unixPath = parent.empty() ? std::string() : parent + "/" + gbkToUtf8(fd.cFileName);
    struct stat st;
    if (!unixPath.empty() && lstat(unixPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return true;
#else
    (void)folder;
#endif
    return false;
}

static std::string unjoinedPath(const char *folder, const char *name)
{
    std::string path = folder;
    if (!endsWithBackslash(path))
        path += '\\';
    return path + name;
}

void logLeftOut(const LeftOutLines &lines)
{
    for (const std::string &line : lines)
        showInfoMessage(line);
}

static void leaveOut(LeftOutLines *leftOut, const std::string &line)
{
    if (leftOut)
        leftOut->push_back(line);
}

static std::string tooLongLine(const std::string &path, bool isFolder)
{
    return formatText("路径太长 (%zu 字节, 最多 %zu 字节), %s没有处理:\r\n%s", path.size(), kMaxPathBytes,
                      isFolder ? "这个文件夹里的图片" : "这张图片", path.c_str());
}

// The path of an entry a listing takes; empty (with its line) when it cannot be opened by its path.
static std::string takenPath(const char *folder, const char *name, LeftOutLines *leftOut)
{
    std::string path = joinedOrEmpty(folder, name);
    if (path.empty()) {
        leaveOut(leftOut, tooLongLine(unjoinedPath(folder, name), false));
        return path;
    }
    std::string device;
    if (isDeviceName(name, &device)) {
        leaveOut(leftOut, formatText("文件名 %s 是 Windows 保留的设备名 (%s), 无法打开, 这张图片没有处理:\r\n%s", name,
                                     device.c_str(), path.c_str()));
        return std::string();
    }
    return path;
}

static bool isListableFolder(const WIN32_FIND_DATAA &fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.';
}

bool hasSubfolder(const char *folder)
{
    bool found = false;
    forEachEntry(folder, "*.*", [&](const WIN32_FIND_DATAA &fd) {
        // Linked folders are never listed, so they must not prompt the sub-folder question either.
        if (!found && isListableFolder(fd) && !isLinkedFolder(folder, fd))
            found = true;
    });
    return found;
}

void listSubfolders(const char *folder, PathList *list, bool recursive, LeftOutLines *leftOut)
{
    if (!list)
        return;
    forEachEntry(folder, "*.*", [&](const WIN32_FIND_DATAA &fd) {
        if (!isListableFolder(fd) || isLinkedFolder(folder, fd))
            return;
        // A folder is listed through "folder\*.*": that too must fit.
        std::string path = joinedOrEmpty(folder, fd.cFileName), query;
        if (path.empty() || !joinPath(query, path, "*.*")) {
            leaveOut(leftOut, tooLongLine(unjoinedPath(folder, fd.cFileName), true));
            return;
        }
        list->appendCopy(path.c_str());
        if (recursive)
            listSubfolders(path.c_str(), list, true, leftOut);
    });
}

static void listMatching(const char *folder, const char *pattern, PathList *list, bool (*keep)(const char *),
                         bool namesOnly, LeftOutLines *leftOut)
{
    if (!list)
        return;
    forEachEntry(folder, pattern, [&](const WIN32_FIND_DATAA &fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return;
        if (keep && !keep(fd.cFileName))
            return;
        std::string path = takenPath(folder, fd.cFileName, leftOut);
        if (path.empty())
            return;
        list->appendCopy(namesOnly ? fd.cFileName : path.c_str());
    });
}

void listPictures(const char *folder, PathList *list, LeftOutLines *leftOut)
{
    listMatching(folder, "*.*", list, isPictureFileName, false, leftOut);
}
void listFontFiles(const char *folder, PathList *list) { listMatching(folder, "*.*", list, isFontFileName, false, nullptr); }

// For a pattern "*.ext" the extension the name must really have, else empty.
static std::string patternExtension(const char *pattern)
{
    if (!pattern || strncmp(pattern, "*.", 2) != 0)
        return std::string();
    std::string ext = pattern + 1;
    if (ext.find_first_of("*?", 1) != std::string::npos)
        return std::string();
    return ext;
}

static void listByPattern(const char *folder, const char *pattern, PathList *list, bool namesOnly,
                          LeftOutLines *leftOut)
{
    if (!pattern || !*pattern)
        pattern = "*.*";
    std::string ext = patternExtension(pattern);
    if (!list)
        return;
    forEachEntry(folder, pattern, [&](const WIN32_FIND_DATAA &fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return;
        if (!ext.empty()) {
            const char *dot = strrchr(fd.cFileName, '.');
            if (!dot || !equalsNoCase(dot, ext))
                return;
        }
        std::string path = takenPath(folder, fd.cFileName, leftOut);
        if (path.empty())
            return;
        list->appendCopy(namesOnly ? fd.cFileName : path.c_str());
    });
}

void listFilesByPattern(const char *folder, PathList *list, const char *pattern, LeftOutLines *leftOut)
{
    listByPattern(folder, pattern, list, false, leftOut);
}
void listFileNames(const char *folder, const char *pattern, PathList *list)
{
    listByPattern(folder, pattern, list, true, nullptr);
}

bool makeFolder(const std::string &path, DWORD &error)
{
    error = 0;
    if (isDirectory(path.c_str()))
        return true;
    if (path.empty() || path.size() > kMaxPathBytes) {
        error = path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    if (CreateDirectoryA(path.c_str(), nullptr))
        return true;
    error = GetLastError();
    // Another run may have made it between the look and the creation.
    if (error == ERROR_ALREADY_EXISTS && isDirectory(path.c_str())) {
        error = 0;
        return true;
    }
    return false;
}

bool specialFolderPath(int csidl, char *out)
{
    if (!out)
        return false;
    out[0] = '\0';
    return SHGetSpecialFolderPathA(nullptr, out, csidl, FALSE) != FALSE;
}


std::string fileNamePart(const std::string &path)
{
    size_t pos = findLastBackslash(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}
