#include "core/batch_workers.h"

#include "imaging/magick_env.h"

namespace {

// Read by the command line's fault handler, which runs on the faulting thread.
thread_local int t_itemOnThisThread = 0;
// The pool whose item this thread processes (awaitListTurn).
thread_local ItemWorkers *t_pool = nullptr;

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
    InitializeConditionVariable(&turn_);
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
    t_pool = this;
    if (starting_)
        starting_((int)index + 1);
    ItemOutcome outcome = work_(index);
    t_itemOnThisThread = 0;
    t_pool = nullptr;
    EnterCriticalSection(&lock_);
    if (!outcome.runError.empty() && index < endedAt_)
        endedAt_ = index;
    finished_.emplace_back(index, std::move(outcome));
    --busy_;
    LeaveCriticalSection(&lock_);
    WakeAllConditionVariable(&turn_);
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

bool ItemWorkers::awaitTurn(size_t index)
{
    EnterCriticalSection(&lock_);
    // The earliest item not reported never waits: the loop reports in order.
    while (endedAt_ > index && reported_ < index)
        SleepConditionVariableCS(&turn_, &lock_, INFINITE);
    bool mine = endedAt_ > index;
    LeaveCriticalSection(&lock_);
    return mine;
}

void ItemWorkers::reportedUpTo(size_t count)
{
    EnterCriticalSection(&lock_);
    reported_ = count;
    LeaveCriticalSection(&lock_);
    WakeAllConditionVariable(&turn_);
}

bool awaitListTurn()
{
    int item = t_itemOnThisThread;
    return !t_pool || item <= 0 || t_pool->awaitTurn((size_t)item - 1);
}

namespace {

// ImageMagick's own threads while the workers run: the processors are shared out
// among the workers so that together they do not ask for more than there are.
struct MagickThreadShare {
    int previous;
    explicit MagickThreadShare(int workers)
    {
        int cores = batchWorkerCount(0);
        previous = setImageMagickThreads(workers >= cores ? 1 : cores / workers);
    }
    ~MagickThreadShare() { setImageMagickThreads(previous); }
};

}  // namespace

// The progress count is the number of finished items plus one, so it never goes
// backwards however the workers finish.
bool runListOnWorkers(size_t total, int workers, const ListRunHooks &hooks)
{
    if (total == 0)
        return false;
    const int used = batchWorkerCount(workers) < (int)total ? batchWorkerCount(workers) : (int)total;
    MagickThreadShare share(used);
    std::map<size_t, ItemOutcome> waiting;  // finished, but an earlier item is not
    size_t next = 0, reported = 0;
    int finished = 0, shown = 0;
    bool handing = true, stopped = false, ended = false;
    // Items that finish together still count one by one: every number is shown
    // once, in order.
    auto showProgress = [&] {
        int at = finished + 1 < (int)total ? finished + 1 : (int)total;
        while (!stopped && shown < at) {
            ++shown;
            if (hooks.progress)
                hooks.progress(shown);
        }
    };
    ItemWorkers pool(used, hooks.work, hooks.pictureStarting);
    for (;;) {
        for (auto &done : pool.takeFinished()) {
            waiting.emplace(done.first, std::move(done.second));
            ++finished;
        }
        for (auto at = waiting.find(reported); !ended && at != waiting.end(); at = waiting.find(reported)) {
            if (!hooks.report(reported, at->second)) {
                ended = true;
                handing = false;
            }
            waiting.erase(at);
            pool.reportedUpTo(++reported);
        }
        // The count moves on while items are being made, and before the next is
        // handed out (not after the last one, nor once a stop is seen).
        if (pool.inFlight() > 0 && !ended)
            showProgress();
        if (handing && next < total && pool.hasFreeWorker()) {
            if (hooks.stopNow && hooks.stopNow()) {
                stopped = true;
                handing = false;
                continue;
            }
            showProgress();
            ItemStart start = hooks.prepare ? hooks.prepare(next) : ItemStart();
            if (start.kind == ItemStart::Stop) {
                stopped = true;
                handing = false;
            } else if (start.kind == ItemStart::Done) {
                waiting.emplace(next++, std::move(start.outcome));
                ++finished;
            } else {
                pool.hand(next++);
            }
            continue;
        }
        if (pool.inFlight() == 0 && (ended || (reported == next && (!handing || next == total)))) {
            // The last items may all finish at once: a whole run still counts up
            // to its last item, as a run on one worker does.
            if (next == total && !ended)
                showProgress();
            break;
        }
        pool.waitForFinished();
    }
    return stopped;
}
