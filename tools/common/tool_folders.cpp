#include "tools/common/tool_folders.h"

#include <windows.h>

#include "core/target_naming.h"
#include "input/file_helpers.h"
#include "util/path_join.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {

// inner is outer itself or lies below it (names compared as the file system does).
bool isSameOrBelow(const std::string &inner, const std::string &outer)
{
    std::string in = pathKey(trimFolder(inner));
    std::string out = pathKey(trimFolder(outer));
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '\\');
}

bool makeFolder(const std::string &path, const char *format, std::string &message)
{
    if (isDirectory(path.c_str()))
        return true;
    if (!path.empty() && path.size() <= kMaxPathBytes && CreateDirectoryA(path.c_str(), nullptr))
        return true;
    DWORD code = path.empty() ? ERROR_PATH_NOT_FOUND
                              : (path.size() > kMaxPathBytes ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    message = formatText(format, path.c_str(), (int)code);
    return false;
}

void appendAccepted(const std::string &folder, const ToolWalk &walk, std::vector<std::string> &files)
{
    PathList *found = PathList::create(256, 256);
    listFilesByPattern(folder.c_str(), found, walk.pattern);
    for (int i = 0; i < found->count; ++i) {
        const char *path = found->text(i);
        if (!walk.accept || walk.accept(fileNameOf(path).c_str()))
            files.push_back(path);
    }
    found->destroy(true);
}

}  // namespace

std::string trimFolder(const std::string &folder)
{
    std::string out = folder;
    while (out.size() > 3 && endsWithBackslash(out))
        out.pop_back();
    return out;
}

bool makeTargetFolder(const std::string &folder, std::string &message)
{
    return makeFolder(trimFolder(folder), "创建文件夹 %s 失败，错误码：%d", message);
}

std::string proposeOutputFolder(const std::string &source)
{
    std::string base = trimFolder(source) + "_处理后";
    for (int n = 1; n < 100000; ++n) {
        std::string candidate = n == 1 ? base : base + formatText("(%d)", n);
        if (candidate.size() > kMaxPathBytes)
            return std::string();
        if (!isDirectory(candidate.c_str()))
            return candidate;
    }
    return std::string();
}

std::string fileNameOf(const std::string &path) { return fileNamePart(path); }

std::string stemOf(const std::string &fileName)
{
    size_t dot = fileName.rfind('.');  // '.' is never a GBK trail byte
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string folderBelowSource(const std::string &source, const std::string &path)
{
    std::string root = trimFolder(source);
    size_t sep = findLastBackslash(path);
    std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep);
    if (folder.size() <= root.size() || !equalsNoCase(folder.substr(0, root.size()), root) ||
        folder[root.size()] != '\\')
        return std::string();
    return folder.substr(root.size());
}

WalkEnd collectToolFiles(const ToolWalk &walk, std::vector<std::string> &files, std::string &message)
{
    message.clear();
    const std::string source = trimFolder(walk.source);
    const std::string target = walk.writesToTarget ? trimFolder(walk.target) : std::string();
    appendAccepted(source, walk, files);
    if (walk.writesToTarget && !makeFolder(target, "任务中止！\n\n创建文件夹 %s 失败，错误码：%d", message))
        return WalkEnd::FolderFailed;
    if (!walk.includeSubfolders)
        return WalkEnd::Listed;
    // Results kept below the source must not become pictures of the next run.
    const bool targetBelowSource =
        !target.empty() && isSameOrBelow(target, source) && !isSameOrBelow(source, target);
    PathList *subfolders = PathList::create(256, 256);
    listSubfolders(source.c_str(), subfolders, true);
    WalkEnd end = WalkEnd::Listed;
    for (int i = 0; i < subfolders->count; ++i) {
        if (walk.stopRequested && walk.stopRequested()) {
            end = WalkEnd::Stopped;
            break;
        }
        std::string folder = subfolders->text(i);
        if (targetBelowSource && isSameOrBelow(folder, target))
            continue;
        appendAccepted(folder, walk, files);
        if (target.empty())
            continue;
        std::string mirror = target + folder.substr(source.size());
        if (!makeFolder(mirror, "任务中止！\n\n创建子文件夹 %s 失败，错误码：%d", message)) {
            end = WalkEnd::FolderFailed;
            break;
        }
    }
    subfolders->destroy(true);
    return end;
}

namespace {

struct SourceExtension {
    int bit;
    const char *extension;
};
// Bit 7 is stored but stands for no extension.
const SourceExtension kSourceExtensions[] = {
    {0, ".jpg"}, {0, ".jpeg"}, {1, ".png"},  {2, ".gif"},  {3, ".bmp"}, {4, ".psd"},
    {5, ".tif"}, {5, ".tiff"}, {6, ".svg"}, {8, ".webp"}, {9, ".dng"}, {10, ".jfif"},
    {11, ".heic"}, {11, ".heif"}, {11, ".avif"},
};

}  // namespace

bool sourceTypeAccepts(const char *fileName, unsigned mask)
{
    if (!fileName)
        return false;
    for (const SourceExtension &m : kSourceExtensions)
        if ((mask & (1u << m.bit)) && endsWithNoCase(fileName, m.extension))
            return true;
    return false;
}

bool pictureTypeAccepts(const char *fileName, unsigned mask)
{
    unsigned converted = mask & 0xFu;
    if (mask & kToolTypeWebpHeicAvif)
        converted |= (1u << 8) | (1u << 11);
    return sourceTypeAccepts(fileName, converted);
}
