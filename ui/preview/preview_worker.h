// A worker thread for preview pictures, so that making one never holds up the
// window: the newest request wins. A request handed in while an older one waits
// replaces it (the older one never runs); the result of one that was already
// running when a newer one came is dropped when it arrives. The window thread
// thus only ever shows the picture of the latest request.
#pragma once
#include <windows.h>

#include <vector>

class PreviewWorker;

// One request. run() is called on the worker thread; the rest of the object is
// the request's input and result, read by the window thread once it comes back.
class PreviewTask {
public:
    virtual ~PreviewTask() {}
    virtual void run(const PreviewWorker &worker) = 0;
    unsigned ticket = 0;  // set by submit
};

class PreviewWorker {
public:
    PreviewWorker();
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker &) = delete;
    PreviewWorker &operator=(const PreviewWorker &) = delete;

    // Takes the task and queues it as the one waiting request (a waiting older one
    // is deleted). When it has run, it is posted to window as message with the
    // ticket in wParam and the task in lParam; the receiver passes lParam to
    // accept(). Returns the ticket, 0 when the worker thread cannot be started
    // (the task is then deleted).
    unsigned submit(PreviewTask *task, HWND window, UINT message);
    // The receiver's half: the task when it is the latest request (the caller owns
    // it then), nullptr when a newer request was made meanwhile (it is deleted).
    PreviewTask *accept(LPARAM lParam);
    // Drops every request made so far: a waiting one is deleted, a running one's
    // result is discarded when it arrives.
    void cancel();
    // On the worker thread: a newer request (or cancel) came after this ticket;
    // the task may stop early, its result will not be shown.
    bool superseded(unsigned ticket) const;
    // True while the latest request has not been accepted yet.
    bool pending() const;

private:
    static DWORD WINAPI threadMain(LPVOID self);
    void loop();

    mutable CRITICAL_SECTION lock_;
    HANDLE wake_ = nullptr;
    HANDLE thread_ = nullptr;
    PreviewTask *waiting_ = nullptr;
    HWND window_ = nullptr;
    UINT message_ = 0;
    volatile LONG latest_ = 0;   // ticket of the newest request (or of cancel)
    volatile LONG accepted_ = 0; // ticket of the last result accepted or dropped
};

// Where a preview looks for a picture (or group) it can show, starting at index
// (outside 0..count-1: at 0): backwards (direction < 0) down to 0 and then from
// the last one down; else forwards to the end and then from 0.
std::vector<int> previewSearchOrder(int count, int index, int direction);
