#include "core/batch_loops.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include "core/pipeline.h"
#include "core/safe_file.h"
#include "core/target_naming.h"
#include "input/file_helpers.h"
#include "util/magick_path.h"
#include "util/path_join.h"
#include "util/text.h"

bool prepareTargetFolders(const std::string &targetFolder, const std::vector<BatchItem> &items,
                          std::string &error)
{
    const std::string folder = folderWithBackslash(targetFolder);
    std::vector<std::string> relativeFolders;
    relativeFolders.reserve(items.size());
    for (const BatchItem &item : items) {
        if (!isSafeRelativeFolder(item.relativeFolder)) {
            error = formatText("无法创建目标文件夹：[%s%s]", folder.c_str(), item.relativeFolder.c_str());
            return false;
        }
        relativeFolders.push_back(item.relativeFolder);
    }
    for (const std::string &prefix : relativeFolderPrefixes(relativeFolders)) {
        std::string path;
        if (!joinPath(path, folder, prefix)) {
            error = formatText("无法创建目标文件夹：[%s%s]", folder.c_str(), prefix.c_str());
            return false;
        }
        if (isDirectory(path.c_str()))
            continue;
        // A file of that name is no folder: the pictures below it could not be written.
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES || !CreateDirectoryA(path.c_str(), nullptr)) {
            error = formatText("无法创建目标文件夹：[%s]", path.c_str());
            return false;
        }
    }
    return true;
}

NameSearch reserveFreeName(const std::function<std::string(int n)> &candidate, int highest,
                           const std::function<bool()> &stopRequested, std::set<std::string> *taken,
                           std::string &target)
{
    for (int n = 1; n <= highest; ++n) {
        // A folder full of earlier results can take a while to number through.
        if (n > 1 && stopRequested && stopRequested())
            return NameSearch::Stopped;
        std::string name = candidate(n);
        if (name.empty())
            return NameSearch::TooLong;
        std::string key = pathKey(name);
        if (taken && taken->count(key))
            continue;
        // CREATE_NEW is the one test that cannot race with another writer: it
        // fails for anything already there, even a file nobody may read.
        HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            CloseHandle(f);
            if (taken)
                taken->insert(key);
            target = name;
            return NameSearch::Reserved;
        }
        DWORD err = GetLastError();
        if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS ||
            GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (taken)
                taken->insert(key);
            continue;
        }
        // Nothing is there and still nothing can be created: the folder is gone or
        // refuses new files. Another number would not help.
        target = name;
        return NameSearch::CannotCreate;
    }
    return NameSearch::Exhausted;
}

Reservation TargetNameBook::reserve(const std::string &targetFolder, const BatchItem &item, bool keepStructure,
                                    const std::function<bool()> &stopRequested, std::string &target,
                                    std::string &reason)
{
    const std::string base = targetBaseName(item.path);
    if (keepStructure && !isSafeRelativeFolder(item.relativeFolder)) {
        reason = formatText("无法创建目标文件夹：[%s%s]\r\n源图片：%s", folderWithBackslash(targetFolder).c_str(),
                            item.relativeFolder.c_str(), item.path.c_str());
        return Reservation::Failed;
    }
    std::string name;
    NameSearch found = reserveFreeName(
        [&](int n) { return targetCandidate(targetFolder, item.relativeFolder, base, keepStructure, n); }, highest_,
        stopRequested, &taken_, name);
    switch (found) {
    case NameSearch::Reserved:
        target = name;
        return Reservation::Reserved;
    case NameSearch::Stopped:
        return Reservation::Stopped;
    case NameSearch::TooLong:
        reason = formatText("目标文件名太长:\r\n%s%s.jpg\r\n源图片：%s", folderWithBackslash(targetFolder).c_str(),
                            base.c_str(), item.path.c_str());
        return Reservation::Failed;
    case NameSearch::CannotCreate:
        reason = formatText("无法创建目标文件:\r\n%s\r\n源图片：%s", name.c_str(), item.path.c_str());
        return Reservation::Failed;
    case NameSearch::Exhausted:
    default:
        reason = formatText("目标文件夹中同名的图片太多(已到第 %d 个):\r\n%s%s.jpg\r\n源图片：%s", highest_,
                            folderWithBackslash(targetFolder).c_str(), base.c_str(), item.path.c_str());
        return Reservation::Failed;
    }
}

namespace {

// Delivers the hooks of one loop and keeps the counts.
struct LoopRun {
    const BatchReport &report;
    BatchSummary summary;

    LoopRun(const BatchReport &r, int total) : report(r) { summary.total = total; }

    bool stopNow()
    {
        if (report.stopRequested && report.stopRequested()) {
            summary.stopped = true;
            return true;
        }
        return false;
    }
    void starting(int index)
    {
        if (report.progress)
            report.progress(index, summary.total);
    }
    void finish(int index, const BatchItem &item, const ItemOutcome &outcome)
    {
        if (outcome.status == ItemStatus::Written)
            ++summary.written;
        else if (outcome.status == ItemStatus::Failed)
            ++summary.failed;
        else
            ++summary.skipped;
        if (outcome.status != ItemStatus::Written && report.logLine)
            report.logLine(outcome.reason);
        if (report.itemDone) {
            BatchItemResult result;
            result.index = index;
            result.total = summary.total;
            result.status = outcome.status;
            result.source = item.path;
            result.target = outcome.target;
            result.reason = outcome.reason;
            result.detail = outcome.detail;
            report.itemDone(result);
        }
    }
    BatchSummary end()
    {
        // A stop pressed during the last picture still counts: the window that
        // asked for it is gone and must not hear of a completed run.
        if (!summary.stopped)
            stopNow();
        if (!summary.stopped && report.completed)
            report.completed(summary);
        return summary;
    }
};

const char *const kUnknownFailure = "图片处理失败:\r\n%s";

ItemOutcome failed(const std::string &reason, const std::string &detail = std::string())
{
    ItemOutcome outcome;
    outcome.reason = reason;
    outcome.detail = detail;
    return outcome;
}

// A pipeline failure as the loops report it.
ItemOutcome failedPicture(const PictureOutcome &outcome, const BatchItem &item)
{
    return failed(outcome.message.empty() ? formatText(kUnknownFailure, item.path.c_str()) : outcome.message,
                  outcome.detail);
}

ItemOutcome written(const std::string &target)
{
    ItemOutcome outcome;
    outcome.status = ItemStatus::Written;
    outcome.target = target;
    return outcome;
}

}  // namespace

ItemOutcome processIntoTarget(const PipelineInputs &inputs, const BatchItem &item, const std::string &target)
{
    PictureOutcome outcome = processPicture(inputs, item.path, target, item.flip, item.rotation);
    if (outcome.result == PictureResult::Written)
        return written(target);
    if (outcome.picture)
        DestroyMagickWand(outcome.picture);
    // The placeholder (or a half-written file) is ours.
    DeleteFileA(target.c_str());
    return failedPicture(outcome, item);
}

BatchSummary saveToFolderLoop(const PipelineInputs &inputs, const std::string &targetFolder,
                              bool keepStructure, const std::vector<BatchItem> &items,
                              const BatchReport &report)
{
    LoopRun run(report, (int)items.size());
    TargetNameBook names;
    for (size_t i = 0; i < items.size(); ++i) {
        if (run.stopNow())
            break;
        const BatchItem &item = items[i];
        const int index = (int)i + 1;
        run.starting(index);
        std::string target, reason;
        Reservation taken = names.reserve(targetFolder, item, keepStructure, report.stopRequested, target, reason);
        if (taken == Reservation::Stopped) {
            run.summary.stopped = true;
            break;
        }
        if (taken == Reservation::Failed)
            run.finish(index, item, failed(reason));
        else
            run.finish(index, item, processIntoTarget(inputs, item, target));
    }
    return run.end();
}

bool replaceFileSafely(const std::string &path, const void *bytes, size_t size, std::string &reason)
{
    switch (writeFileSafely(path, bytes, size)) {
    case SafeWriteStep::Done:
        return true;
    case SafeWriteStep::Open:
        reason = formatText("图片处理后保存时, fopen() 失败:\r\n%s", path.c_str());
        return false;
    case SafeWriteStep::Write:
        reason = formatText("图片处理后保存时, fwrite() 失败:\r\n%s", path.c_str());
        return false;
    case SafeWriteStep::Replace:
    default:
        reason = formatText("图片处理后保存时, 无法替换原图:\r\n%s", path.c_str());
        return false;
    }
}

// Writes the processed picture over its source; the wand is released here.
static bool writeOverSource(MagickWand *picture, const std::string &path, std::string &reason)
{
    MagickSetImageFormat(picture, "JPEG");
    size_t size = 0;
    unsigned char *bytes = MagickGetImageBlob(picture, &size);
    bool ok = false;
    if (!bytes || size == 0)
        reason = formatText("图片处理后保存时, MagickGetImageBlob() 失败:\r\n%s", path.c_str());
    else
        ok = replaceFileSafely(path, bytes, size, reason);
    if (bytes)
        MagickRelinquishMemory(bytes);
    DestroyMagickWand(picture);
    return ok;
}

// The keys one source file is known under: its full long path, and the file's
// identity on its volume (catches links and other spellings of one file).
static std::vector<std::string> sourceKeys(const std::string &path)
{
    std::vector<std::string> keys;
    std::string full = fullPath(path);
    char longPath[MAX_PATH * 2];
    DWORD n = GetLongPathNameA(full.c_str(), longPath, sizeof longPath);
    keys.push_back("p:" + pathKey(n > 0 && n < sizeof longPath ? std::string(longPath, n) : full));
    HANDLE f = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(f, &info) && (info.nFileIndexHigh || info.nFileIndexLow))
            keys.push_back(formatText("i:%lx:%lx:%lx", (unsigned long)info.dwVolumeSerialNumber,
                                      (unsigned long)info.nFileIndexHigh, (unsigned long)info.nFileIndexLow));
        CloseHandle(f);
    }
    return keys;
}

bool SourceClaims::claim(const std::string &path)
{
    std::vector<std::string> keys = sourceKeys(path);
    for (const std::string &key : keys)
        if (seen_.count(key))
            return false;
    seen_.insert(keys.begin(), keys.end());
    return true;
}

ItemOutcome processOverSource(const PipelineInputs &inputs, const BatchItem &item)
{
    PictureOutcome outcome = processPicture(inputs, item.path, std::string(), item.flip, item.rotation);
    if (outcome.result != PictureResult::Picture || !outcome.picture)
        return failedPicture(outcome, item);
    std::string reason;
    if (!writeOverSource(outcome.picture, item.path, reason))
        return failed(reason);
    return written(item.path);
}

BatchSummary overwriteLoop(const PipelineInputs &inputs, std::vector<BatchItem> &items, const BatchReport &report)
{
    LoopRun run(report, (int)items.size());
    SourceClaims claims;
    for (size_t i = 0; i < items.size(); ++i) {
        if (run.stopNow())
            break;
        BatchItem &item = items[i];
        const int index = (int)i + 1;
        run.starting(index);
        ItemOutcome outcome;
        if (!claims.claim(item.path)) {
            outcome.status = ItemStatus::Skipped;
            outcome.reason = formatText("这张图片在列表中已出现过，不再重复处理:\r\n%s", item.path.c_str());
        } else {
            outcome = processOverSource(inputs, item);
        }
        // Whatever happened, rotation and flip are now part of the file or of its failure.
        item.rotation = 0;
        item.flip = 0;
        run.finish(index, item, outcome);
    }
    return run.end();
}
