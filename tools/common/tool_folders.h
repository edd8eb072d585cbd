// What every folder-based tool does with folders and names: the proposed output
// folder, the list of pictures of a source folder (optionally of all its
// sub-folders) with the mirrored output tree made on the way, the part of a
// picture's folder below the source, and free numbered names.
#pragma once
#include <functional>
#include <string>
#include <vector>

// The first of "%s_处理后" and "%s_处理后(%d)" (2, 3, ...) that is not an
// existing folder; empty when none fits the path limit.
std::string proposeOutputFolder(const std::string &source);

// The source type bits of the convert tool's check boxes (1 jpg/jpeg, 2 png,
// 4 gif, 8 bmp, 16 psd, 32 tif/tiff, 256 webp, 512 dng, 1024 jfif, 2048
// heic/heif/avif; bits 6 (svg, which is never read) and 7 are kept but match
// nothing). A file is taken when its name ends, ignoring case, in an extension
// of a set bit.
bool sourceTypeAccepts(const char *fileName, unsigned mask);

// The crop, join and slice tools' type bits, one per check box: 1 jpg/jpeg,
// 2 png, 4 gif, 8 bmp and 16 for webp, heic, heif and avif together.
constexpr unsigned kToolTypeWebpHeicAvif = 16;
constexpr unsigned kToolTypeAll = 31;
bool pictureTypeAccepts(const char *fileName, unsigned mask);

struct ToolWalk {
    std::string source;              // the chosen folder
    bool includeSubfolders = false;  // also every sub-folder, at any depth (pre-order)
    bool writesToTarget = true;      // false: results go over the sources (no target at all)
    std::string target;              // output folder to create and mirror
    const char *pattern = "*.*";     // listing pattern ("*.png" keeps only that extension)
    std::function<bool(const char *name)> accept;  // may be empty: every listed file
    std::function<bool()> stopRequested;            // checked before each sub-folder
};

enum class WalkEnd { Listed, Stopped, FolderFailed };

// Lists the accepted files directly in source, creates target when it is not a
// folder yet ("任务中止！\n\n创建文件夹 %s 失败，错误码：%d"), then, with
// sub-folders, creates each sub-folder's mirror target + (sub-folder below
// source) ("任务中止！\n\n创建子文件夹 %s 失败，错误码：%d") and appends its
// accepted files. A folder that exists when it is created (another run made it)
// is fine. A sub-folder inside a target that lies below the source is passed
// over: it holds this tool's own results. What cannot be taken is left out with
// a line in the information window and the rest goes on: files and folders whose
// paths are too long, files named like devices, and sub-folders whose mirror can
// never be made (too long, named like a device) with everything below them.
// message receives the box text of a failure.
WalkEnd collectToolFiles(const ToolWalk &walk, std::vector<std::string> &files, std::string &message);

// A tool's start: creates the target folder when it is missing; false with the
// box text "创建文件夹 %s 失败，错误码：%d" (caption "错误").
bool makeTargetFolder(const std::string &folder, std::string &message);

// A folder without its trailing backslashes (a drive root keeps its one).
std::string trimFolder(const std::string &folder);

// The folder part of path below source: "" for a file directly in source, else
// "\sub\deeper" (with its leading backslash).
std::string folderBelowSource(const std::string &source, const std::string &path);
// The file name after the last backslash and its stem (up to the last '.').
std::string fileNameOf(const std::string &path);
std::string stemOf(const std::string &fileName);
