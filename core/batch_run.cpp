#include "core/batch_run.h"

#include "core/batch_loops.h"
#include "core/settings_file.h"
#include "input/file_helpers.h"
#include "core/target_naming.h"
#include "util/path_join.h"
#include "util/text.h"

ProgressScale progressScaleFor(int total)
{
    ProgressScale s;
    if (total < 0)
        total = 0;
    if (total <= kProgressBarLimit) {
        s.maximum = total;
        return s;
    }
    // The smallest b with total / b <= limit, found without trying every b in turn.
    int b = total / (kProgressBarLimit + 1);
    if (b < 2)
        b = 2;
    while (total / b > kProgressBarLimit)
        ++b;
    while (b > 2 && total / (b - 1) <= kProgressBarLimit)
        --b;
    s.scale = b;
    s.maximum = total / b;
    return s;
}

int progressPositionFor(int index, const ProgressScale &scale)
{
    if (index < 0)
        index = 0;
    int pos = index / (scale.scale > 0 ? scale.scale : 1);
    return pos > scale.maximum ? scale.maximum : pos;
}

std::string progressStatusText(int total, int index)
{
    return formatText("共 %d 张图片，正在处理第 %d 张。", total, index);
}

StartVerdict checkRunStart(const RunRequest &request, const CollectSettings &collectSettings,
                           const std::vector<BatchItem> &items, PipelineInputs &inputs, RunPlan &plan,
                           std::string &message, const std::function<void(const std::string &)> &logLine)
{
    plan = RunPlan();
    message.clear();
    if (!collectSettings || !collectSettings(inputs) || !inputs.settings)
        return StartVerdict::SettingsRefused;
    if (request.mode == SaveMode::None)
        return StartVerdict::NoSaveMode;
    plan.mode = request.mode;

    // The settings of every start are kept, even when a later check stops it.
    if (joinPath(plan.settingsFile, request.programFolder, "config.dat"))
        plan.settingsWritten = writeSettingsFile(*inputs.settings, plan.settingsFile);
    if (!plan.settingsWritten && logLine)
        logLine(formatText("图片处理设置保存失败 (原来的设置文件保持不变):\r\n%s",
                           plan.settingsFile.empty() ? request.programFolder.c_str() : plan.settingsFile.c_str()));
    // Relative names used later ("temp\...") are meant below the program folder.
    if (!request.programFolder.empty())
        SetCurrentDirectoryA(request.programFolder.c_str());

    if (request.mode == SaveMode::Overwrite)
        return StartVerdict::Ready;
    if (request.folderText.empty())
        return StartVerdict::NoTargetFolder;
    if (!isDirectory(request.folderText.c_str()))
        return StartVerdict::TargetFolderMissing;
    plan.targetFolder = folderWithBackslash(request.folderText);
    plan.keepStructure = request.keepStructure;
    if (plan.keepStructure && !prepareTargetFolders(plan.targetFolder, items, message))
        return StartVerdict::TargetFolderNotCreated;
    return StartVerdict::Ready;
}

// ---- The worker ---------------------------------------------------------------

namespace {

std::atomic<bool> stopFlag{false};
HANDLE workerThread = nullptr;

DWORD WINAPI batchWorkerMain(LPVOID parameter)
{
    BatchJob *job = static_cast<BatchJob *>(parameter);
    BatchReport report = job->report;
    report.stopRequested = stopHookFor(stopFlag);
    if (job->plan.mode == SaveMode::Overwrite)
        job->summary = overwriteLoop(job->inputs, job->items, report, job->workers);
    else
        job->summary = saveToFolderLoop(job->inputs, job->plan.targetFolder, job->plan.keepStructure, job->items,
                                        report, job->workers);
    // The loop has waited for its picture workers: this thread ends last. Wakes
    // the thumbnail worker; the window thread waits for the thread itself.
    if (job->workerEndEvent)
        SetEvent(job->workerEndEvent);
    return 0;
}

}  // namespace

void clearBatchStop() { stopFlag = false; }
void requestBatchStop() { stopFlag = true; }
bool batchStopRequested() { return stopFlag; }

bool startBatchWorker(BatchJob *job)
{
    // One worker at a time: a second one would process the same files beside it.
    if (!job || batchWorkerRunning())
        return false;
    if (workerThread) {
        CloseHandle(workerThread);
        workerThread = nullptr;
    }
    DWORD id = 0;
    workerThread = CreateThread(nullptr, 0, batchWorkerMain, job, 0, &id);
    return workerThread != nullptr;
}

HANDLE batchWorkerThread() { return workerThread; }

bool batchWorkerRunning()
{
    if (!workerThread)
        return false;
    return WaitForSingleObject(workerThread, 0) == WAIT_TIMEOUT;
}
