#include "input/thumbnail_worker.h"

#include <cstring>

#include "imaging/jpeg_memory.h"
#include "input/thumbnail_render.h"

ThumbnailWorker::ThumbnailWorker()
    : list_(nullptr), sink_(nullptr), render_(makeThumbnail), thread_(nullptr), busy_(false),
      deferred_(kNoDeferredOp), pauseCount_(0), shown_(true), autoOrient_(true), progressWindow_(nullptr), passes_(0), renders_(0),
      renderThreads_(0)
{
    InitializeCriticalSection(&cs_);
    InitializeCriticalSection(&poolCs_);
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    parked_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    resumed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    work_ = CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr);
    slotDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool ThumbnailWorker::start(ImageList *list, HWND sink, ThumbnailRenderer render)
{
    EnterCriticalSection(&cs_);
    list_ = list;
    sink_ = sink;
    render_ = render ? render : makeThumbnail;
    bool first = thread_ == nullptr;
    if (first) {
        // A thumbnail is one core's work from start to end: a render thread per core.
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        int cores = (int)system.dwNumberOfProcessors;
        for (int i = 0; i < (cores < 1 ? 1 : cores > 8 ? 8 : cores); ++i)
            if (HANDLE thread = CreateThread(nullptr, 0, renderMain, this, 0, nullptr)) {
                CloseHandle(thread);
                renderThreads_++;
            }
        if (renderThreads_ > 0)
            thread_ = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    }
    bool ok = thread_ != nullptr;
    LeaveCriticalSection(&cs_);
    return ok;
}

DWORD WINAPI ThumbnailWorker::threadMain(LPVOID self)
{
    static_cast<ThumbnailWorker *>(self)->run();
    return 0;
}

DWORD WINAPI ThumbnailWorker::renderMain(LPVOID self)
{
    ThumbnailWorker *worker = static_cast<ThumbnailWorker *>(self);
    for (;;) {
        WaitForSingleObject(worker->work_, INFINITE);
        EnterCriticalSection(&worker->poolCs_);
        Slot *slot = nullptr;
        if (!worker->queue_.empty()) {  // empty when the worker dropped what was queued
            slot = worker->queue_.front();
            worker->queue_.pop_front();
            slot->started = true;
        }
        LeaveCriticalSection(&worker->poolCs_);
        if (!slot)
            continue;
        worker->render(slot->render, slot->job, slot->autoOrient, &slot->result);
        EnterCriticalSection(&worker->poolCs_);
        slot->done = true;
        LeaveCriticalSection(&worker->poolCs_);
        SetEvent(worker->slotDone_);
    }
}

void ThumbnailWorker::render(ThumbnailRenderer render, const ThumbnailJob &job, bool autoOrient,
                             ThumbnailResult *result)
{
    memset(result, 0, sizeof *result);
    result->id = job.id;
    result->generation = job.generation;
    result->index = job.index;
    memcpy(result->path, job.path, sizeof result->path);
    std::string detail;
    result->result = render(job.path, job.flip, job.rotation, &result->icon, &detail, autoOrient);
    lstrcpynA(result->detail, detail.c_str(), sizeof result->detail);
    renders_++;
}

// Claims the picture; the render threads see it only once handOut() queues it.
void ThumbnailWorker::claim(ThumbnailRenderer render, const ThumbnailJob &job)
{
    std::unique_ptr<Slot> slot(new Slot());
    slot->job = job;
    slot->autoOrient = autoOrient_;
    slot->render = render;
    claimed_.push_back(std::move(slot));
}

// Queues the claimed pictures from `from` on for the render threads. A slot is
// queued together with its count, never before: a count left over from a slot
// dropped unstarted may wake a render thread at any moment, and it must find
// nothing the worker has not announced yet.
void ThumbnailWorker::handOut(size_t from)
{
    if (from >= claimed_.size())
        return;
    EnterCriticalSection(&poolCs_);
    for (size_t i = from; i < claimed_.size(); ++i)
        queue_.push_back(claimed_[i].get());
    LeaveCriticalSection(&poolCs_);
    ReleaseSemaphore(work_, (LONG)(claimed_.size() - from), nullptr);
}

// Whether the slot is exactly the picture due now: same item, same generation,
// turned the same way, same orientation switch. The item may have moved up.
bool ThumbnailWorker::claimedAsDue(const Slot &slot, const ThumbnailJob &job) const
{
    const ThumbnailJob &done = slot.job;
    return done.id == job.id && done.generation == job.generation && done.rotation == job.rotation &&
           done.flip == job.flip && strcmp(done.path, job.path) == 0 && slot.autoOrient == autoOrient_;
}

void ThumbnailWorker::waitDone(const Slot &slot)
{
    for (;;) {
        EnterCriticalSection(&poolCs_);
        bool done = slot.done;
        LeaveCriticalSection(&poolCs_);
        if (done)
            return;
        WaitForSingleObject(slotDone_, INFINITE);
    }
}

void ThumbnailWorker::dropClaimed()
{
    EnterCriticalSection(&poolCs_);
    queue_.clear();
    LeaveCriticalSection(&poolCs_);
    for (std::unique_ptr<Slot> &slot : claimed_) {
        EnterCriticalSection(&poolCs_);
        bool started = slot->started;
        LeaveCriticalSection(&poolCs_);
        if (!started)
            continue;
        waitDone(*slot);
        if (slot->result.icon)
            DestroyIcon(slot->result.icon);
    }
    claimed_.clear();
}

bool ThumbnailWorker::busy() const
{
    EnterCriticalSection(&cs_);
    bool b = busy_;
    LeaveCriticalSection(&cs_);
    return b;
}

bool ThumbnailWorker::deferredPending() const { return deferredOp() != kNoDeferredOp; }

DeferredListOp ThumbnailWorker::deferredOp() const
{
    EnterCriticalSection(&cs_);
    DeferredListOp op = deferred_;
    LeaveCriticalSection(&cs_);
    return op;
}

bool ThumbnailWorker::deferIfBusy(DeferredListOp op)
{
    EnterCriticalSection(&cs_);
    bool deferred = busy_;
    // One slot: removing everything covers a pending removal of the selection.
    if (deferred && (deferred_ == kNoDeferredOp || op == kDeferredRemoveAll))
        deferred_ = op;
    LeaveCriticalSection(&cs_);
    return deferred;
}

void ThumbnailWorker::pause()
{
    EnterCriticalSection(&cs_);
    pauseCount_++;
    bool idle = !busy_;
    LeaveCriticalSection(&cs_);
    if (idle || !thread_)
        return;
    for (;;) {
        // Serve a thumbnail the worker may be handing over right now, then wait
        // for it to park (or for the next message it sends).
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (MsgWaitForMultipleObjects(1, &parked_, FALSE, 50, QS_SENDMESSAGE) == WAIT_OBJECT_0)
            break;
    }
}

void ThumbnailWorker::resume()
{
    EnterCriticalSection(&cs_);
    if (pauseCount_ > 0)
        pauseCount_--;
    bool release = pauseCount_ == 0;
    LeaveCriticalSection(&cs_);
    if (release)
        SetEvent(resumed_);
}

// A picture boundary: park here while a pause is requested.
void ThumbnailWorker::checkpoint()
{
    EnterCriticalSection(&cs_);
    while (pauseCount_ > 0) {
        SetEvent(parked_);
        LeaveCriticalSection(&cs_);
        WaitForSingleObject(resumed_, INFINITE);
        EnterCriticalSection(&cs_);
    }
    ResetEvent(parked_);
    LeaveCriticalSection(&cs_);
}

bool ThumbnailWorker::passMustStop() const
{
    if (!shown_)
        return true;
    HWND progress = progressWindow_;
    if (progress && IsWindowVisible(progress))
        return true;
    return deferredPending();
}

void ThumbnailWorker::endPass()
{
    EnterCriticalSection(&cs_);
    busy_ = false;
    DeferredListOp op = deferred_;
    SetEvent(parked_);
    HWND sink = sink_;
    LeaveCriticalSection(&cs_);
    if (op != kNoDeferredOp) {
        // The window thread runs the removal (it owns the view); busy is already
        // clear, so the removal runs at once instead of being deferred again.
        SendMessageA(sink, kThumbnailDeferredMessage, (WPARAM)op, 0);
        EnterCriticalSection(&cs_);
        deferred_ = kNoDeferredOp;
        LeaveCriticalSection(&cs_);
    }
}

void ThumbnailWorker::run()
{
    for (;;) {
        endPass();
        WaitForSingleObject(wake_, INFINITE);
        EnterCriticalSection(&cs_);
        busy_ = true;
        ResetEvent(parked_);
        ImageList *list = list_;
        HWND sink = sink_;
        ThumbnailRenderer render = render_;
        LeaveCriticalSection(&cs_);
        if (!list)
            continue;

        JpegMemoryReuse reuse;  // the pass's photos take turns with the same large blocks
        ThumbnailJob job;
        int claimFrom = 0;
        for (int k = 0;; k = job.index + 1) {
            checkpoint();
            if (passMustStop() || !list->nextDueJob(k, &job))
                break;
            if (!claimed_.empty() && !claimedAsDue(*claimed_.front(), job))
                dropClaimed();  // the list changed under the pictures claimed
            const size_t wasClaimed = claimed_.size();
            if (claimed_.empty()) {
                claim(render, job);
                claimFrom = job.index + 1;
            }
            // Every render thread busy and one more picture waiting for the first
            // free one; all claimed before any starts, from the list as it is now.
            ThumbnailJob next;
            while ((int)claimed_.size() <= renderThreads_ && list->nextDueJob(claimFrom, &next)) {
                claim(render, next);
                claimFrom = next.index + 1;
            }
            // The count says which picture is rendered before its rendering starts.
            SendMessageA(sink, kThumbnailProgressMessage, (WPARAM)(job.index + 1), 0);
            handOut(wasClaimed);
            waitDone(*claimed_.front());
            ThumbnailResult result = claimed_.front()->result;
            result.index = job.index;  // the item may have moved up since
            claimed_.pop_front();
            if (result.result == kThumbnailRendered && !shown_) {
                DestroyIcon(result.icon);
                break;
            }
            if (!SendMessageA(sink, kThumbnailReadyMessage, 0, (LPARAM)&result) && result.icon)
                DestroyIcon(result.icon);
        }
        // Nothing claimed outlives the pass: the list may change before the next.
        dropClaimed();
        SendMessageA(sink, kThumbnailProgressMessage, 0, 0);
        passes_++;
    }
}

ThumbnailWorker &thumbnailWorker()
{
    static ThumbnailWorker worker;
    return worker;
}

void wakeThumbnailWorker() { thumbnailWorker().wake(); }
