#include "input/thumbnail_worker.h"

#include <cstring>

#include "imaging/jpeg_memory.h"
#include "input/thumbnail_render.h"

ThumbnailWorker::ThumbnailWorker()
    : list_(nullptr), sink_(nullptr), render_(makeThumbnail), thread_(nullptr), busy_(false),
      deferred_(kNoDeferredOp), pauseCount_(0), shown_(true), autoOrient_(true), progressWindow_(nullptr), passes_(0), renders_(0),
      aheadThread_(nullptr), aheadPending_(false)
{
    InitializeCriticalSection(&cs_);
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    parked_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    resumed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    aheadStart_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    aheadDone_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

bool ThumbnailWorker::start(ImageList *list, HWND sink, ThumbnailRenderer render)
{
    EnterCriticalSection(&cs_);
    list_ = list;
    sink_ = sink;
    render_ = render ? render : makeThumbnail;
    bool first = thread_ == nullptr;
    if (first) {
        // A thumbnail is one core's work from start to end; a second core
        // renders the next one meanwhile.
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        if (system.dwNumberOfProcessors > 1)
            aheadThread_ = CreateThread(nullptr, 0, aheadMain, this, 0, nullptr);
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

DWORD WINAPI ThumbnailWorker::aheadMain(LPVOID self)
{
    ThumbnailWorker *worker = static_cast<ThumbnailWorker *>(self);
    for (;;) {
        WaitForSingleObject(worker->aheadStart_, INFINITE);
        AheadJob &ahead = worker->ahead_;
        worker->render(ahead.render, ahead.job, ahead.autoOrient, &ahead.result);
        SetEvent(worker->aheadDone_);
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

void ThumbnailWorker::startAhead(ThumbnailRenderer render, const ThumbnailJob &job)
{
    if (!aheadThread_ || aheadPending_)
        return;
    ahead_.job = job;
    ahead_.autoOrient = autoOrient_;
    ahead_.render = render;
    aheadPending_ = true;
    ResetEvent(aheadDone_);
    SetEvent(aheadStart_);
}

// The job rendered ahead, when it is still exactly the picture due now (same
// item, same generation, turned the same way, same orientation switch).
bool ThumbnailWorker::takeAhead(const ThumbnailJob &job, ThumbnailResult *result)
{
    if (!aheadPending_)
        return false;
    const ThumbnailJob &done = ahead_.job;
    bool same = done.id == job.id && done.generation == job.generation && done.rotation == job.rotation &&
                done.flip == job.flip && strcmp(done.path, job.path) == 0 && ahead_.autoOrient == autoOrient_;
    if (!same)
        return false;
    WaitForSingleObject(aheadDone_, INFINITE);
    aheadPending_ = false;
    *result = ahead_.result;
    result->index = job.index;  // the item may have moved up since
    return true;
}

void ThumbnailWorker::dropAhead()
{
    if (!aheadPending_)
        return;
    WaitForSingleObject(aheadDone_, INFINITE);
    aheadPending_ = false;
    if (ahead_.result.icon)
        DestroyIcon(ahead_.result.icon);
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
        for (int k = 0;; k = job.index + 1) {
            checkpoint();
            if (passMustStop() || !list->nextDueJob(k, &job))
                break;
            SendMessageA(sink, kThumbnailProgressMessage, (WPARAM)(job.index + 1), 0);
            ThumbnailResult result;
            if (!takeAhead(job, &result)) {
                dropAhead();
                ThumbnailJob next;
                if (list->nextDueJob(job.index + 1, &next))
                    startAhead(render, next);
                this->render(render, job, autoOrient_, &result);
            }
            if (result.result == kThumbnailRendered && !shown_) {
                DestroyIcon(result.icon);
                break;
            }
            if (!SendMessageA(sink, kThumbnailReadyMessage, 0, (LPARAM)&result) && result.icon)
                DestroyIcon(result.icon);
        }
        // Nothing rendered ahead outlives the pass: the list may change before the next.
        dropAhead();
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
