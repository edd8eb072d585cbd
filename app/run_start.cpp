#include "app/run_start.h"

#include "app/progress_window.h"
#include "core/run_end_text.h"
#include "ui/run_prompts.h"
#include "util/text.h"

namespace {

bool busy = false;

struct BusyScope {
    BusyScope() { busy = true; }
    ~BusyScope() { busy = false; }
};

// The balloon and box of a check that stopped the start.
void showCheckMessage(RunContext &c, StartVerdict verdict, const std::string &detail)
{
    const SaveGroupControls &g = c.saveGroup->controls;
    RunPrompts &p = runPrompts();
    switch (verdict) {
    case StartVerdict::NoSaveMode:
        p.balloon(g.saveToRadio, "请选择图片处理后保存的方式", "看这里");
        p.messageBox(c.mainWindow, "请选择图片处理后保存的方式", "提示", MB_OK | MB_ICONWARNING);
        break;
    case StartVerdict::NoTargetFolder:
        p.balloon(g.chooseButton, "请选择图片处理后保存到的位置", "看这里");
        p.messageBox(c.mainWindow, "请选择图片处理后保存到的位置", "提示", MB_OK | MB_ICONWARNING);
        break;
    case StartVerdict::TargetFolderMissing:
        p.balloon(g.chooseButton, "文件夹不存在，请重新选择", "看这里");
        p.messageBox(c.mainWindow, "图片处理后保存到的位置不存在，请重新选择", "提示", MB_OK | MB_ICONWARNING);
        break;
    case StartVerdict::TargetFolderNotCreated:
        p.messageBox(c.mainWindow, detail.c_str(), "提示", MB_OK | MB_ICONERROR);
        break;
    default:
        break;
    }
}

// The worker's hooks: everything visible goes to the window thread by a send.
BatchReport reportFor(RunContext &c, BatchJob &job)
{
    BatchReport r;
    r.progress = [](int index, int) { reportProgress(index); };
    r.pictureStarting = c.beforeItem;
    r.logLine = c.log;
    if (job.plan.mode == SaveMode::Overwrite && c.list) {
        RunPictureList *list = c.list;
        r.itemDone = [list](const BatchItemResult &result) {
            int index = result.index - 1;
            bool written = result.status == ItemStatus::Written;
            runOnWindowThread([list, index, written] { list->afterOverwrite(index, written); });
        };
    }
    r.completed = [](const BatchSummary &) { reportCompletion(); };
    return r;
}

// "已完成" only when every picture was written; the box stays above the
// information window that the first failure opened.
void showEndMessage(RunContext &c, SaveMode mode, const BatchSummary &summary)
{
    RunPrompts &p = runPrompts();
    const bool saveTo = mode == SaveMode::SaveTo;
    RunEndBox box =
        runEndBox(summary, "图片批量处理已完成", saveTo ? "是否要打开目标文件夹查看处理后的图片？" : nullptr);
    std::string folder = saveTo ? folderFieldText(*c.saveGroup) : std::string();
    int answer = p.messageBox(c.mainWindow, box.text.c_str(), box.caption, box.type);
    if (box.offersFolder && answer == IDYES)
        p.openFolder(c.mainWindow, folder.c_str());
}

}  // namespace

bool batchRunBusy() { return busy || batchWorkerRunning(); }

std::string stoppedRunText(int total, int written)
{
    return formatText("处理已停止：共 %d 张图片，停止前已写入 %d 张。", total, written);
}

RunOutcome startRun(RunContext &c)
{
    // Without the progress window the worker's reports would run on the worker itself.
    if (batchRunBusy() || progressRunning() || !c.saveGroup || !progressWindowHandle())
        return RunOutcome::NotStarted;
    BusyScope scope;
    clearBatchStop();

    // The list is copied once: the worker never reads the window's list.
    BatchJob job;
    int total = c.list ? c.list->count() : 0;
    job.items.reserve(total);
    for (int i = 0; i < total; ++i)
        job.items.push_back(c.list->item(i));

    RunRequest request = saveGroupRequest(*c.saveGroup);
    request.programFolder = c.programFolder;
    std::string detail;
    StartVerdict verdict =
        checkRunStart(request, c.collectSettings, job.items, job.inputs, job.plan, detail, c.log);
    if (verdict != StartVerdict::Ready) {
        showCheckMessage(c, verdict, detail);
        return RunOutcome::NotStarted;
    }

    job.report = reportFor(c, job);
    job.workerEndEvent = c.workerEndEvent;
    job.workers = c.workers;
    if (!startBatchWorker(&job)) {
        runPrompts().messageBox(c.mainWindow, "启动线程失败", "提示", MB_OK | MB_ICONERROR);
        ExitProcess((UINT)-1);
    }
    ProgressEnd end = runProgress(c.mainWindow, total, batchWorkerThread());
    if (end == ProgressEnd::Refused) {
        // Cannot happen while busy guards the start; never leave a worker unseen.
        requestBatchStop();
        WaitForSingleObject(batchWorkerThread(), INFINITE);
        return RunOutcome::NotStarted;
    }

    if (job.plan.mode == SaveMode::Overwrite) {
        if (c.list)
            c.list->redraw();
        // The worker's end woke the thumbnail worker while the progress window
        // still held it back: wake it again for the replaced pictures.
        if (c.workerEndEvent)
            SetEvent(c.workerEndEvent);
        // The preview shows a file that has just been replaced.
        if (c.refreshPreview)
            c.refreshPreview();
    }
    if (end == ProgressEnd::Stopped) {
        // The worker has ended: its count is final.
        if (c.log)
            c.log(stoppedRunText(total, job.summary.written));
        return RunOutcome::Stopped;
    }

    rememberFolderAfterRun(*c.saveGroup);
    showEndMessage(c, job.plan.mode, job.summary);
    applyPicSaveMode(*c.saveGroup);
    return RunOutcome::Completed;
}
