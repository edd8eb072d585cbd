// Workers log while the window thread may be busy (or waiting for them), so a
// message from another thread is only queued under a lock and the window thread
// is woken with a posted message; it then appends everything queued, in the
// order of the calls. The window thread itself appends at once.
#include "util/info_log.h"

#include <deque>

#include "util/text.h"

namespace {

// Everything the worker threads share with the window thread, behind one lock.
struct InfoQueue {
    CRITICAL_SECTION lock;
    std::deque<std::string> pending;
    size_t pendingBytes = 0;
    bool wakeUpPosted = false;
    InfoMessageSink sink = nullptr;
    void *sinkContext = nullptr;
    InfoLogView view;
    InfoQueue() { InitializeCriticalSection(&lock); }
};

InfoQueue &queue()
{
    static InfoQueue q;
    return q;
}

struct Locked {
    Locked() { EnterCriticalSection(&queue().lock); }
    ~Locked() { LeaveCriticalSection(&queue().lock); }
};

}  // namespace

void attachInfoLogView(const InfoLogView &view)
{
    Locked hold;
    queue().view = view.window ? view : InfoLogView();
}

HWND infoLogViewWindow()
{
    Locked hold;
    return queue().view.window;
}

void drainInfoLog()
{
    std::deque<std::string> batch;
    void (*append)(const std::string &) = nullptr;
    {
        Locked hold;
        batch.swap(queue().pending);
        queue().pendingBytes = 0;
        queue().wakeUpPosted = false;
        append = queue().view.append;
    }
    if (append)
        for (const std::string &text : batch)
            append(text);
}

void showInfoMessage(const char *text)
{
    showInfoMessage(std::string(text ? text : ""));
}

void showInfoMessage(const std::string &text)
{
    InfoMessageSink sink;
    void *sinkContext;
    void (*append)(const std::string &) = nullptr;
    {
        Locked hold;
        InfoQueue &q = queue();
        sink = q.sink;
        sinkContext = q.sinkContext;
        HWND window = q.view.window;
        bool onWindowThread = window && q.view.threadId == GetCurrentThreadId();
        if (onWindowThread) {
            append = q.view.append;
        } else {
            q.pending.push_back(text);
            q.pendingBytes += text.size();
            // Nobody is reading (no window yet): keep the newest messages only.
            while (q.pendingBytes > kInfoTextLimit && q.pending.size() > 1) {
                q.pendingBytes -= q.pending.front().size();
                q.pending.pop_front();
            }
            if (window && !q.wakeUpPosted)
                q.wakeUpPosted = PostMessageA(window, q.view.wakeMessage, 0, 0) != 0;
        }
    }
    if (sink)
        sink(text.c_str(), sinkContext);
    if (append) {
        drainInfoLog();  // earlier messages of the workers first
        append(text);
    }
}

void setInfoMessageSink(InfoMessageSink sink, void *context)
{
    Locked hold;
    queue().sink = sink;
    queue().sinkContext = context;
}

void infoMessageToConsole(const char *text, void *)
{
    consoleWrite(std::string(text ? text : "") + "\n\n", true);
}
