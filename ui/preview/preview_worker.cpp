#include "ui/preview/preview_worker.h"

namespace {

struct Locked {
    explicit Locked(CRITICAL_SECTION &lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    CRITICAL_SECTION &lock_;
};

}  // namespace

PreviewWorker::PreviewWorker()
{
    InitializeCriticalSection(&lock_);
}

PreviewWorker::~PreviewWorker()
{
    // Workers live as long as the process; one destroyed earlier (a test's) leaves
    // its thread waiting on an event that is never set again.
    Locked guard(lock_);
    delete waiting_;
    waiting_ = nullptr;
}

DWORD WINAPI PreviewWorker::threadMain(LPVOID self)
{
    static_cast<PreviewWorker *>(self)->loop();
    return 0;
}

void PreviewWorker::loop()
{
    for (;;) {
        WaitForSingleObject(wake_, INFINITE);
        for (;;) {
            PreviewTask *task = nullptr;
            HWND window = nullptr;
            UINT message = 0;
            {
                Locked guard(lock_);
                task = waiting_;
                waiting_ = nullptr;
                window = window_;
                message = message_;
            }
            if (!task)
                break;
            if (!superseded(task->ticket))
                task->run(*this);
            if (!PostMessageA(window, message, (WPARAM)task->ticket, (LPARAM)task)) {
                Locked guard(lock_);
                if (accepted_ < (LONG)task->ticket)
                    accepted_ = (LONG)task->ticket;
                delete task;
            }
        }
    }
}

unsigned PreviewWorker::submit(PreviewTask *task, HWND window, UINT message)
{
    if (!task)
        return 0;
    Locked guard(lock_);
    if (!thread_) {
        wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        // The worker calls Win32 (PostMessage, GDI): a CreateThread thread.
        thread_ = wake_ ? CreateThread(nullptr, 0, threadMain, this, 0, nullptr) : nullptr;
        if (!thread_) {
            delete task;
            return 0;
        }
    }
    task->ticket = (unsigned)(latest_ + 1);
    latest_ = (LONG)task->ticket;
    delete waiting_;
    waiting_ = task;
    window_ = window;
    message_ = message;
    SetEvent(wake_);
    return task->ticket;
}

PreviewTask *PreviewWorker::accept(LPARAM lParam)
{
    PreviewTask *task = reinterpret_cast<PreviewTask *>(lParam);
    if (!task)
        return nullptr;
    Locked guard(lock_);
    if ((LONG)task->ticket != latest_) {
        delete task;
        return nullptr;
    }
    accepted_ = latest_;
    return task;
}

void PreviewWorker::cancel()
{
    Locked guard(lock_);
    delete waiting_;
    waiting_ = nullptr;
    latest_ = latest_ + 1;
    accepted_ = latest_;
}

bool PreviewWorker::superseded(unsigned ticket) const
{
    Locked guard(lock_);
    return (LONG)ticket != latest_;
}

bool PreviewWorker::pending() const
{
    Locked guard(lock_);
    return accepted_ != latest_;
}

std::vector<int> previewSearchOrder(int count, int index, int direction)
{
    std::vector<int> order;
    if (count <= 0)
        return order;
    if (index < 0 || index >= count)
        index = 0;
    if (direction < 0) {
        for (int i = index; i >= 0; --i)
            order.push_back(i);
        for (int i = count - 1; i > index; --i)
            order.push_back(i);
    } else {
        for (int i = index; i < count; ++i)
            order.push_back(i);
        for (int i = 0; i < index; ++i)
            order.push_back(i);
    }
    return order;
}
