// The thumbnail worker: one thread for the life of the process that hands out
// the missing thumbnails of an ImageList in list order. The pictures are
// rendered by a render thread per core, each taking the next due picture as
// soon as it is free (photos differ too much in cost for fixed pairs), one
// more than there are threads claimed ahead. A rendered thumbnail is handed
// out only if its picture is still the next due one, unchanged, when the
// worker gets there; otherwise everything claimed is dropped and rendered anew.
//
// It never touches a window itself. Everything visible is handed to a sink
// window on the window thread with SendMessage (sent messages are delivered
// even while the message loop drops input, and the worker waits until the
// window thread has taken the thumbnail):
//   kThumbnailReadyMessage     lParam = ThumbnailResult*; return 1 when the icon was taken
//   kThumbnailProgressMessage  wParam = k + 1 while picture k is rendered, 0 after a pass
//   kThumbnailDeferredMessage  wParam = DeferredListOp to run now (the worker is idle)
#pragma once
#include <windows.h>
#include <atomic>
#include <deque>
#include <memory>
#include <string>

#include "input/image_list.h"

const UINT kThumbnailReadyMessage = WM_APP + 0x231;
const UINT kThumbnailProgressMessage = WM_APP + 0x232;
const UINT kThumbnailDeferredMessage = WM_APP + 0x233;

enum DeferredListOp { kNoDeferredOp = 0, kDeferredRemoveSelected = 1, kDeferredRemoveAll = 2 };

struct ThumbnailResult {
    unsigned id;
    unsigned generation;
    int index;   // where the item was when the job was taken
    int result;  // kThumbnail* of thumbnail_render.h
    HICON icon;  // with kThumbnailRendered; whoever returns 1 from the message owns it
    char path[MAX_PATH];
    char detail[512];  // the reason of an unreadable picture, the format of an animation
};

typedef int (*ThumbnailRenderer)(const char *path, int flip, int rotation, HICON *outIcon, std::string *detail,
                                 bool autoOrient);

class ThumbnailWorker {
public:
    ThumbnailWorker();
    // Starts the thread (once; later calls only rebind list and sink while it
    // waits). The thread never ends.
    bool start(ImageList *list, HWND sink, ThumbnailRenderer render = nullptr);
    HANDLE wakeEvent() const { return wake_; }
    void wake() { SetEvent(wake_); }

    // Flags read before every picture.
    void setThumbnailsShown(bool shown) { shown_ = shown; }
    bool thumbnailsShown() const { return shown_; }
    // Photos turned as their orientation tag says ("按照片方向自动旋转").
    void setAutoOrient(bool on) { autoOrient_ = on; }
    bool autoOrient() const { return autoOrient_; }
    // A pass stops while this window (the batch run's progress dialog) is visible.
    void setProgressWindow(HWND window) { progressWindow_ = window; }

    bool busy() const;
    bool deferredPending() const;
    DeferredListOp deferredOp() const;
    // Hands a removal to the worker when it is in a pass: true when it was
    // deferred (the worker runs it through the sink right after the pass stops,
    // at the next picture boundary); false when the caller must run it now.
    // Checked and set under the same lock as the worker's end of pass, so the
    // hand-off cannot slip between "still busy" and "pass over".
    bool deferIfBusy(DeferredListOp op);

    // Cooperative pause: returns once the worker is idle or parked between two
    // pictures; sent messages from the worker are served meanwhile, so the wait
    // cannot deadlock on a thumbnail being handed over. Calls nest.
    void pause();
    void resume();

    // Completed passes and renderings (tests look at these).
    long passCount() const { return passes_; }
    long renderCount() const { return renders_; }

private:
    // A picture claimed for the render threads, in list order.
    struct Slot {
        ThumbnailJob job;
        bool autoOrient;
        ThumbnailRenderer render;
        ThumbnailResult result;
        bool started;  // taken by a render thread (under poolCs_)
        bool done;     // result written (under poolCs_)
    };

    static DWORD WINAPI threadMain(LPVOID self);
    static DWORD WINAPI renderMain(LPVOID self);
    void run();
    void render(ThumbnailRenderer render, const ThumbnailJob &job, bool autoOrient, ThumbnailResult *result);
    void claim(ThumbnailRenderer render, const ThumbnailJob &job);
    void handOut(size_t from);
    bool claimedAsDue(const Slot &slot, const ThumbnailJob &job) const;
    void waitDone(const Slot &slot);
    void dropClaimed();
    void endPass();
    void checkpoint();
    bool passMustStop() const;

    ImageList *list_;
    HWND sink_;
    ThumbnailRenderer render_;
    HANDLE thread_;
    HANDLE wake_;     // auto-reset: several signals during a pass give one more pass
    HANDLE parked_;   // manual-reset: set while the worker is idle or parked
    HANDLE resumed_;  // auto-reset
    mutable CRITICAL_SECTION cs_;
    bool busy_;
    DeferredListOp deferred_;
    int pauseCount_;
    std::atomic<bool> shown_;
    std::atomic<bool> autoOrient_;
    std::atomic<HWND> progressWindow_;
    std::atomic<long> passes_;
    std::atomic<long> renders_;

    // Only the worker thread claims and drops; render threads take from queue_.
    int renderThreads_;
    std::deque<std::unique_ptr<Slot>> claimed_;  // worker thread only
    mutable CRITICAL_SECTION poolCs_;
    std::deque<Slot *> queue_;  // claimed, not yet started
    HANDLE work_;               // semaphore: one count per slot queued
    HANDLE slotDone_;           // auto-reset: a render thread finished a slot
};

// The program's one worker (its thread starts with start()).
ThumbnailWorker &thumbnailWorker();
void wakeThumbnailWorker();
