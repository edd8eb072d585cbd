#include "core/batch_loops.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <map>

#include "core/batch_workers.h"
#include "core/pipeline.h"
#include "core/target_naming.h"
#include "imaging/magick_env.h"
#include "input/file_helpers.h"
#include "util/file_times.h"
#include "util/magick_path.h"
#include "util/path_join.h"
#include "util/safe_file.h"
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
        // A folder that can never be made (its path too long, its name a device's)
        // fails only the pictures below it, each with its line (TargetNameBook).
        std::string path;
        if (!deviceNamedPart(prefix).empty() || !joinPath(path, folder, prefix))
            continue;
        if (isDirectory(path.c_str()))
            continue;
        // A file of that name is no folder: the pictures below it could not be written.
        DWORD code = 0;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES || !makeFolder(path, code)) {
            error = formatText("无法创建目标文件夹：[%s]", path.c_str());
            return false;
        }
    }
    return true;
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
    const std::string device = keepStructure ? deviceNamedPart(item.relativeFolder) : std::string();
    if (!device.empty()) {
        reason = formatText("无法创建目标文件夹：[%s%s]\r\n原因：%s 是 Windows 保留的设备名\r\n源图片：%s",
                            folderWithBackslash(targetFolder).c_str(), item.relativeFolder.c_str(), device.c_str(),
                            item.path.c_str());
        return Reservation::Failed;
    }
    for (int n = 1; n <= highest_; ++n) {
        // A folder full of earlier results can take a while to number through.
        if (n > 1 && stopRequested && stopRequested())
            return Reservation::Stopped;
        std::string candidate = targetCandidate(targetFolder, item.relativeFolder, base, keepStructure, n);
        if (candidate.empty()) {
            // The name it would have had, with its folder below the target.
            std::string wanted = folderWithBackslash(targetFolder);
            if (keepStructure && !item.relativeFolder.empty())
                wanted += item.relativeFolder + "\\";
            wanted += base + (n > 1 ? formatText("(%d)", n) : std::string()) + ".jpg";
            reason = formatText("目标文件名太长 (%zu 字节, 最多 %zu 字节):\r\n%s\r\n源图片：%s", wanted.size(),
                                kMaxPathBytes, wanted.c_str(), item.path.c_str());
            return Reservation::Failed;
        }
        std::string key = pathKey(candidate);
        if (taken_.count(key))
            continue;
        taken_.insert(key);
        // Anything there is taken, even a file nobody may read. A folder that cannot
        // be looked into is found out by the write, which names the cause; the write
        // never replaces a file, so a name that only looked free is safe as well.
        if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        target = candidate;
        return Reservation::Reserved;
    }
    reason = formatText("目标文件夹中同名的图片太多(已到第 %d 个):\r\n%s%s.jpg\r\n源图片：%s", highest_,
                        folderWithBackslash(targetFolder).c_str(), base.c_str(), item.path.c_str());
    return Reservation::Failed;
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
        countItem(summary, outcome.status, !outcome.note.empty());
        if (report.logLine) {
            if (outcome.status != ItemStatus::Written)
                report.logLine(outcome.reason);
            else if (!outcome.note.empty())
                report.logLine(outcome.note + ":\r\n" + outcome.target);
        }
        if (report.itemDone) {
            BatchItemResult result;
            result.index = index;
            result.total = summary.total;
            result.status = outcome.status;
            result.source = item.path;
            result.target = outcome.target;
            result.reason = outcome.reason;
            result.detail = outcome.detail;
            result.note = outcome.note;
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

ItemOutcome written(const std::string &target, const std::string &note)
{
    ItemOutcome outcome;
    outcome.status = ItemStatus::Written;
    outcome.target = target;
    outcome.note = note;
    return outcome;
}

// A processed picture as JPEG bytes; the wand is released here.
bool encodeProcessed(MagickWand *picture, std::string &bytes, std::string &reason, std::string &note)
{
    bool ok = encodeJpeg(picture, bytes, reason, note);
    DestroyMagickWand(picture);
    return ok;
}

// "reason" of a write that failed: the file the user asked for and what the
// system said, never the name of a temporary file.
std::string writeFailure(const std::string &target, DWORD error)
{
    // The target's own name fits; the temporary file beside it is what does not.
    if (error == ERROR_FILENAME_EXCED_RANGE)
        return formatText("无法写入 '%s': 路径有 %zu 字节, 在它旁边写临时文件时路径会超过 %zu 字节的上限",
                          target.c_str(), target.size(), kMaxPathBytes);
    return formatText("无法写入 '%s': %s", target.c_str(), systemErrorText(error).c_str());
}

// "保留原图的修改时间": the source's dates, read before anything is written (an
// overwrite replaces the source).
struct KeptTimes {
    bool keep = false;
    FileTimes times;
};

bool readKeptTimes(const PipelineInputs &inputs, const std::string &source, KeptTimes &kept, std::string &reason)
{
    kept.keep = inputs.settings && inputs.settings->bKeepFileTime;
    DWORD error = 0;
    if (kept.keep && !readFileTimes(source, kept.times, error)) {
        reason = formatText("无法读取原图的修改时间: %s", systemErrorText(error).c_str());
        return false;
    }
    return true;
}

// The dates go onto the temporary file, which keeps them when it is renamed:
// the picture never shows up under its name with the wrong date. A temporary
// file that cannot take them is removed.
bool giveKeptTimes(const KeptTimes &kept, const std::string &temp, const std::string &target, std::string &reason)
{
    DWORD error = 0;
    if (!kept.keep || applyFileTimes(temp, kept.times, error))
        return true;
    DeleteFileA(temp.c_str());
    reason = formatText("无法保留原图的修改时间 '%s': %s", target.c_str(), systemErrorText(error).c_str());
    return false;
}

}  // namespace

ItemOutcome processIntoTarget(const PipelineInputs &inputs, const BatchItem &item, const std::string &target,
                              const NextTargetName &nextName)
{
    const char *const kSaveFailed = "图片处理后保存失败：\r\n%s\r\n源图片：%s";
    std::string bytes, reason, note;
    KeptTimes kept;
    if (!readKeptTimes(inputs, item.path, kept, reason))
        return failed(formatText(kSaveFailed, reason.c_str(), item.path.c_str()), reason);
    PictureOutcome outcome = processPicture(inputs, item.path, std::string(), item.flip, item.rotation);
    if (outcome.result != PictureResult::Picture || !outcome.picture)
        return failedPicture(outcome, item);
    if (!encodeProcessed(outcome.picture, bytes, reason, note))
        return failed(formatText(kSaveFailed, reason.c_str(), item.path.c_str()), reason);
    // The picture goes to a temporary file beside its name first and is then
    // renamed, without replacing: a failure or a killed run leaves no half file and
    // no empty one under the name.
    std::string temp;
    DWORD error = 0;
    if (!writeOwnTempFile(folderOfPath(target), bytes.data(), bytes.size(), temp, error)) {
        reason = writeFailure(target, error);
        return failed(formatText(kSaveFailed, reason.c_str(), item.path.c_str()), reason);
    }
    if (!giveKeptTimes(kept, temp, target, reason))
        return failed(formatText(kSaveFailed, reason.c_str(), item.path.c_str()), reason);
    std::string name = target;
    for (;;) {
        PlaceResult placed = placeOwnTempFile(temp, name, false, error);
        if (placed == PlaceResult::Placed)
            return written(name, note);
        if (placed == PlaceResult::Failed) {
            reason = writeFailure(name, error);
            return failed(formatText(kSaveFailed, reason.c_str(), item.path.c_str()), reason);
        }
        // Another program took the name after it was chosen.
        reason.clear();
        if (!nextName || !nextName(name, reason)) {
            DeleteFileA(temp.c_str());
            if (reason.empty())
                reason = formatText(kSaveFailed, formatText("目标文件已存在 '%s'", name.c_str()).c_str(),
                                    item.path.c_str());
            return failed(reason);
        }
    }
}

void FolderTidy::before(const std::string &folder)
{
    if (done_.insert(pathKey(folder)).second)
        removeOwnTempFiles(folder);
}

namespace {

// What the loop's thread decides for one item before any worker sees it.
struct ItemStart {
    enum Kind { Work, Done, Stop } kind = Work;
    ItemOutcome outcome;  // Done: the item's result without processing (a skip, a name that failed)
};

// ImageMagick's own threads while the workers run: the processors are shared out
// among the workers so that together they do not ask for more than there are.
struct MagickThreadShare {
    int previous;
    explicit MagickThreadShare(int workers)
    {
        int cores = batchWorkerCount(0);
        previous = setImageMagickThreads(workers >= cores ? 1 : cores / workers);
    }
    ~MagickThreadShare() { setImageMagickThreads(previous); }
};

// One run over the list: items are prepared and handed out in list order on this
// thread, processed by `workers` workers, and reported in list order here. The
// progress count is the number of finished pictures plus one, so it never goes
// backwards however the workers finish.
void runItems(LoopRun &run, const std::vector<BatchItem> &items, int workers,
              const std::function<ItemStart(size_t index)> &prepare,
              const std::function<ItemOutcome(size_t index)> &work,
              const std::function<void(size_t index)> &beforeReport)
{
    const size_t total = items.size();
    if (total == 0)
        return;
    const int used = batchWorkerCount(workers) < (int)total ? batchWorkerCount(workers) : (int)total;
    MagickThreadShare share(used);
    std::map<size_t, ItemOutcome> waiting;  // finished, but an earlier item is not
    size_t next = 0, reported = 0;
    int finished = 0, shown = 0;
    bool handing = true;
    // Pictures that finish together still count one by one: every number is
    // shown once, in order.
    auto showProgress = [&] {
        int at = finished + 1 < (int)total ? finished + 1 : (int)total;
        while (!run.summary.stopped && shown < at)
            run.starting(++shown);
    };
    ItemWorkers pool(used, work, run.report.pictureStarting);
    for (;;) {
        for (auto &done : pool.takeFinished()) {
            waiting.emplace(done.first, std::move(done.second));
            ++finished;
        }
        for (auto at = waiting.find(reported); at != waiting.end(); at = waiting.find(reported)) {
            if (beforeReport)
                beforeReport(reported);
            run.finish((int)reported + 1, items[reported], at->second);
            waiting.erase(at);
            ++reported;
        }
        // The count moves on while pictures are being made, and before the next is
        // handed out (not after the last one, nor once a stop is seen).
        if (pool.inFlight() > 0)
            showProgress();
        if (handing && next < total && pool.hasFreeWorker()) {
            if (run.stopNow()) {
                handing = false;
                continue;
            }
            showProgress();
            ItemStart start = prepare(next);
            if (start.kind == ItemStart::Stop) {
                run.summary.stopped = true;
                handing = false;
            } else if (start.kind == ItemStart::Done) {
                waiting.emplace(next++, std::move(start.outcome));
                ++finished;
            } else {
                pool.hand(next++);
            }
            continue;
        }
        if (reported == next && pool.inFlight() == 0 && (!handing || next == total)) {
            // The last pictures may all finish at once: a whole run still counts
            // up to its last picture, as a run on one worker does.
            if (next == total)
                showProgress();
            break;
        }
        pool.waitForFinished();
    }
}

}  // namespace

BatchSummary saveToFolderLoop(const PipelineInputs &inputs, const std::string &targetFolder,
                              bool keepStructure, const std::vector<BatchItem> &items,
                              const BatchReport &report, int workers)
{
    LoopRun run(report, (int)items.size());
    limitImageMagickDiskCache();
    TargetNameBook names;
    // The book is asked on this thread in list order, and by a worker whose name
    // was taken by another program meanwhile.
    CRITICAL_SECTION bookLock;
    InitializeCriticalSection(&bookLock);
    FolderTidy tidy;
    std::vector<std::string> targets(items.size());
    auto reserve = [&](size_t i, std::string &name, std::string &why) {
        EnterCriticalSection(&bookLock);
        Reservation r = names.reserve(targetFolder, items[i], keepStructure, report.stopRequested, name, why);
        LeaveCriticalSection(&bookLock);
        return r;
    };
    auto prepare = [&](size_t i) {
        ItemStart start;
        std::string reason;
        Reservation taken = reserve(i, targets[i], reason);
        if (taken == Reservation::Stopped)
            start.kind = ItemStart::Stop;
        else if (taken == Reservation::Failed) {
            start.kind = ItemStart::Done;
            start.outcome = failed(reason);
        } else
            tidy.before(folderOfPath(targets[i]));
        return start;
    };
    auto work = [&](size_t i) {
        NextTargetName next = [&, i](std::string &name, std::string &why) {
            return reserve(i, name, why) == Reservation::Reserved;
        };
        return processIntoTarget(inputs, items[i], targets[i], next);
    };
    runItems(run, items, workers, prepare, work, nullptr);
    DeleteCriticalSection(&bookLock);
    return run.end();
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

SourceClaims::SourceClaims() { InitializeCriticalSection(&lock_); }
SourceClaims::~SourceClaims() { DeleteCriticalSection(&lock_); }

bool SourceClaims::claim(const std::string &path)
{
    EnterCriticalSection(&lock_);
    std::vector<std::string> keys = sourceKeys(path);
    LeaveCriticalSection(&lock_);
    for (const std::string &key : keys)
        if (seen_.count(key))
            return false;
    seen_.insert(keys.begin(), keys.end());
    return true;
}

PlaceResult SourceClaims::replace(const std::string &temp, const std::string &target, DWORD &error)
{
    EnterCriticalSection(&lock_);
    PlaceResult placed = placeOwnTempFile(temp, target, true, error);
    LeaveCriticalSection(&lock_);
    return placed;
}

ItemOutcome processOverSource(const PipelineInputs &inputs, const BatchItem &item, SourceClaims *claims)
{
    const char *p = item.path.c_str();
    std::string bytes, reason, note;
    KeptTimes kept;
    if (!readKeptTimes(inputs, item.path, kept, reason))
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), p), reason);
    PictureOutcome outcome = processPicture(inputs, item.path, std::string(), item.flip, item.rotation);
    if (outcome.result != PictureResult::Picture || !outcome.picture)
        return failedPicture(outcome, item);
    if (!encodeProcessed(outcome.picture, bytes, reason, note))
        return failed(formatText("图片处理后保存时, MagickGetImageBlob() 失败:\r\n%s\r\n原因：%s", p, reason.c_str()),
                      reason);
    // A read-only original is protected by its owner; a rename would replace it
    // all the same where the platform allows it.
    DWORD attributes = GetFileAttributesA(p);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return failed(formatText("图片处理后保存时, fopen() 失败:\r\n%s\r\n原因：这个文件是只读的", p));
    // The new data go beside the original and replace it in one step: whatever
    // fails, the original stays as it was.
    std::string temp;
    DWORD error = 0;
    bool created = false;
    if (!writeOwnTempFile(folderOfPath(item.path), bytes.data(), bytes.size(), temp, error, &created)) {
        // The original's own path is fine; the name of the temporary file beside
        // it is what does not fit.
        reason = error == ERROR_FILENAME_EXCED_RANGE
                     ? formatText("原图的路径有 %zu 字节, 在它旁边写临时文件时路径会超过 %zu 字节的上限, 无法安全地覆盖原图",
                                  item.path.size(), kMaxPathBytes)
                     : systemErrorText(error);
        return failed(formatText(created ? "图片处理后保存时, fwrite() 失败:\r\n%s\r\n原因：%s"
                                         : "图片处理后保存时, fopen() 失败:\r\n%s\r\n原因：%s",
                                 p, reason.c_str()),
                      reason);
    }
    if (!giveKeptTimes(kept, temp, item.path, reason))
        return failed(formatText("图片处理后保存失败：\r\n%s\r\n源图片：%s", reason.c_str(), p), reason);
    PlaceResult placed = claims ? claims->replace(temp, item.path, error) : placeOwnTempFile(temp, item.path, true, error);
    if (placed != PlaceResult::Placed) {
        reason = systemErrorText(error);
        return failed(formatText("图片处理后保存时, 无法替换原图:\r\n%s\r\n原因：%s", p, reason.c_str()), reason);
    }
    return written(item.path, note);
}

BatchSummary overwriteLoop(const PipelineInputs &inputs, std::vector<BatchItem> &items, const BatchReport &report,
                           int workers)
{
    LoopRun run(report, (int)items.size());
    limitImageMagickDiskCache();
    // Every file is claimed before the first picture is made: telling a file by
    // its identity opens it, and a file held open cannot be replaced by a worker.
    SourceClaims claims;
    std::vector<char> firstClaim(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        firstClaim[i] = claims.claim(items[i].path);
    FolderTidy tidy;
    auto prepare = [&](size_t i) {
        ItemStart start;
        if (!firstClaim[i]) {
            start.kind = ItemStart::Done;
            start.outcome.status = ItemStatus::Skipped;
            start.outcome.reason = formatText("这张图片在列表中已出现过，不再重复处理:\r\n%s", items[i].path.c_str());
        } else {
            tidy.before(folderOfPath(items[i].path));
        }
        return start;
    };
    auto work = [&](size_t i) { return processOverSource(inputs, items[i], &claims); };
    // Whatever happened, rotation and flip are now part of the file or of its
    // failure. Reset once the worker is done with the item.
    auto reset = [&](size_t i) {
        items[i].rotation = 0;
        items[i].flip = 0;
    };
    runItems(run, items, workers, prepare, work, reset);
    return run.end();
}
