#include "input/thumbnail_worker.h"

#include <cstring>

#include "input/thumbnail_render.h"

ThumbnailWorker::ThumbnailWorker()
    : list_(nullptr), sink_(nullptr), render_(makeThumbnail), thread_(nullptr), busy_(false),
      deferred_(kNoDeferredOp), pauseCount_(0), shown_(true), autoOrient_(true), progressWindow_(nullptr), passes_(0), renders_(0)
{
    InitializeCriticalSection(&cs_);
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    parked_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    resumed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool ThumbnailWorker::start(ImageList *list, HWND sink, ThumbnailRenderer render)
{
    EnterCriticalSection(&cs_);
    list_ = list;
    sink_ = sink;
    render_ = render ? render : makeThumbnail;
    bool first = thread_ == nullptr;
    if (first)
        thread_ = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    bool ok = thread_ != nullptr;
    LeaveCriticalSection(&cs_);
    return ok;
}

DWORD WINAPI ThumbnailWorker::threadMain(LPVOID self)
{
    static_cast<ThumbnailWorker *>(self)->run();
    return 0;
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

        ThumbnailJob job;
        for (int k = 0;; k = job.index + 1) {
            checkpoint();
            if (passMustStop() || !list->nextDueJob(k, &job))
                break;
            SendMessageA(sink, kThumbnailProgressMessage, (WPARAM)(job.index + 1), 0);
            ThumbnailResult result;
            memset(&result, 0, sizeof result);
            result.id = job.id;
            result.generation = job.generation;
            result.index = job.index;
            memcpy(result.path, job.path, sizeof result.path);
            std::string detail;
            result.result = render(job.path, job.flip, job.rotation, &result.icon, &detail, autoOrient_);
            lstrcpynA(result.detail, detail.c_str(), sizeof result.detail);
            renders_++;
            if (result.result == kThumbnailRendered && !shown_) {
                DestroyIcon(result.icon);
                break;
            }
            if (!SendMessageA(sink, kThumbnailReadyMessage, 0, (LPARAM)&result) && result.icon)
                DestroyIcon(result.icon);
        }
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
