#include "core/batch_workers.h"

namespace {

// Read by the command line's fault handler, which runs on the faulting thread.
thread_local int t_itemOnThisThread = 0;

}  // namespace

int batchWorkerCount(int requested)
{
    int n = requested;
    if (n <= 0) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        n = (int)info.dwNumberOfProcessors;
    }
    return n < 1 ? 1 : n > kMaxBatchWorkers ? kMaxBatchWorkers : n;
}

int batchItemOnThisThread() { return t_itemOnThisThread; }

ItemWorkers::ItemWorkers(int workers, std::function<ItemOutcome(size_t)> work, std::function<void(int)> starting)
    : work_(std::move(work)), starting_(std::move(starting))
{
    InitializeCriticalSection(&lock_);
    taskReady_ = CreateSemaphoreA(nullptr, 0, 0x7fffffff, nullptr);
    itemDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!taskReady_ || !itemDone_)
        return;  // no workers: items are processed on the loop's thread
    for (int i = 0; i < batchWorkerCount(workers); ++i) {
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, 0, threadMain, this, 0, &id);
        if (!thread)
            break;  // fewer workers than asked for still do the whole run
        threads_.push_back(thread);
    }
}

ItemWorkers::~ItemWorkers()
{
    EnterCriticalSection(&lock_);
    quitting_ = true;
    LeaveCriticalSection(&lock_);
    if (!threads_.empty()) {
        ReleaseSemaphore(taskReady_, (LONG)threads_.size(), nullptr);
        WaitForMultipleObjects((DWORD)threads_.size(), threads_.data(), TRUE, INFINITE);
    }
    for (HANDLE thread : threads_)
        CloseHandle(thread);
    if (taskReady_)
        CloseHandle(taskReady_);
    if (itemDone_)
        CloseHandle(itemDone_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI ItemWorkers::threadMain(LPVOID self)
{
    static_cast<ItemWorkers *>(self)->workerLoop();
    return 0;
}

void ItemWorkers::workerLoop()
{
    for (;;) {
        WaitForSingleObject(taskReady_, INFINITE);
        EnterCriticalSection(&lock_);
        if (queue_.empty()) {
            bool quit = quitting_;
            LeaveCriticalSection(&lock_);
            if (quit)
                return;
            continue;
        }
        size_t index = queue_.front();
        queue_.erase(queue_.begin());
        LeaveCriticalSection(&lock_);
        runOne(index);
    }
}

void ItemWorkers::runOne(size_t index)
{
    t_itemOnThisThread = (int)index + 1;
    if (starting_)
        starting_((int)index + 1);
    ItemOutcome outcome = work_(index);
    t_itemOnThisThread = 0;
    EnterCriticalSection(&lock_);
    finished_.emplace_back(index, std::move(outcome));
    --busy_;
    LeaveCriticalSection(&lock_);
    if (itemDone_)
        SetEvent(itemDone_);
}

bool ItemWorkers::hasFreeWorker()
{
    EnterCriticalSection(&lock_);
    bool free = threads_.empty() || busy_ < (int)threads_.size();
    LeaveCriticalSection(&lock_);
    return free;
}

void ItemWorkers::hand(size_t index)
{
    EnterCriticalSection(&lock_);
    ++busy_;
    if (!threads_.empty())
        queue_.push_back(index);
    LeaveCriticalSection(&lock_);
    if (threads_.empty())
        runOne(index);
    else
        ReleaseSemaphore(taskReady_, 1, nullptr);
}

int ItemWorkers::inFlight()
{
    EnterCriticalSection(&lock_);
    int n = busy_;
    LeaveCriticalSection(&lock_);
    return n;
}

void ItemWorkers::waitForFinished()
{
    EnterCriticalSection(&lock_);
    bool ready = !finished_.empty() || busy_ == 0;
    LeaveCriticalSection(&lock_);
    if (!ready && itemDone_)
        WaitForSingleObject(itemDone_, INFINITE);
}

std::vector<std::pair<size_t, ItemOutcome>> ItemWorkers::takeFinished()
{
    std::vector<std::pair<size_t, ItemOutcome>> out;
    EnterCriticalSection(&lock_);
    out.swap(finished_);
    LeaveCriticalSection(&lock_);
    return out;
}
