#include "tools/common/tool_folders.h"

#include <windows.h>

#include "core/target_naming.h"
#include "input/file_helpers.h"
#include "util/path_join.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {

bool makeToolFolder(const std::string &path, const char *format, std::string &message)
{
    DWORD code = 0;
    if (makeFolder(path, code))
        return true;
    message = formatText(format, path.c_str(), (int)code);
    return false;
}

// Why a mirror folder can never be made, whatever the disk: its path is too long
// or its name is a device's. Empty when it may be made.
std::string unmakeableFolderReason(const std::string &mirror)
{
    std::string device;
    if (mirror.size() > kMaxPathBytes)
        return formatText("保存结果的文件夹路径太长 (%zu 字节, 最多 %zu 字节)", mirror.size(), kMaxPathBytes);
    if (isDeviceName(fileNameOf(mirror), &device))
        return formatText("保存结果的文件夹名是 Windows 保留的设备名 (%s), 无法创建", device.c_str());
    return std::string();
}

void appendAccepted(const std::string &folder, const ToolWalk &walk, std::vector<std::string> &files,
                    LeftOutLines &leftOut)
{
    PathList *found = PathList::create(256, 256);
    listFilesByPattern(folder.c_str(), found, walk.pattern, &leftOut);
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
    return makeToolFolder(trimFolder(folder), "创建文件夹 %s 失败，错误码：%d", message);
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
    // Every picture or folder left out is said: none is silently missing from the totals.
    LeftOutLines leftOut;
    auto sayLeftOut = [&leftOut] {
        logLeftOut(leftOut);
        leftOut.clear();
    };
    appendAccepted(source, walk, files, leftOut);
    if (walk.writesToTarget && !makeToolFolder(target, "任务中止！\n\n创建文件夹 %s 失败，错误码：%d", message))
        return WalkEnd::FolderFailed;
    if (!walk.includeSubfolders) {
        sayLeftOut();
        return WalkEnd::Listed;
    }
    // Results kept below the source must not become pictures of the next run.
    const bool targetBelowSource =
        !target.empty() && isSameOrBelowFolder(target, source) && !isSameOrBelowFolder(source, target);
    PathList *subfolders = PathList::create(256, 256);
    listSubfolders(source.c_str(), subfolders, true, &leftOut);
    WalkEnd end = WalkEnd::Listed;
    // Below a folder whose mirror cannot be made nothing can be written either.
    std::string unmade;
    for (int i = 0; i < subfolders->count; ++i) {
        if (walk.stopRequested && walk.stopRequested()) {
            end = WalkEnd::Stopped;
            break;
        }
        std::string folder = subfolders->text(i);
        if (targetBelowSource && isSameOrBelowFolder(folder, target))
            continue;
        if (!unmade.empty() && isSameOrBelowFolder(folder, unmade))
            continue;
        if (!target.empty()) {
            std::string mirror = target + folder.substr(source.size());
            std::string why = unmakeableFolderReason(mirror);
            if (!why.empty()) {
                leftOut.push_back(formatText("%s, 这个文件夹里的图片没有处理:\r\n%s\r\n%s", why.c_str(), folder.c_str(),
                                             mirror.c_str()));
                unmade = folder;
                continue;
            }
            if (!makeToolFolder(mirror, "任务中止！\n\n创建子文件夹 %s 失败，错误码：%d", message)) {
                end = WalkEnd::FolderFailed;
                break;
            }
        }
        appendAccepted(folder, walk, files, leftOut);
    }
    subfolders->destroy(true);
    sayLeftOut();
    return end;
}

namespace {

struct SourceExtension {
    int bit;
    const char *extension;
};
// Bits 6 (svg) and 7 are stored but stand for no extension: SVG is never read,
// its renderer opens the files an SVG names (res/config/policy.xml).
const SourceExtension kSourceExtensions[] = {
    {0, ".jpg"}, {0, ".jpeg"}, {1, ".png"},  {2, ".gif"},  {3, ".bmp"}, {4, ".psd"},
    {5, ".tif"}, {5, ".tiff"}, {8, ".webp"}, {9, ".dng"}, {10, ".jfif"},
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
