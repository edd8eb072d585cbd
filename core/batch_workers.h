// The pictures of one run processed side by side. The loop's own thread decides
// in list order what each item needs (its name, its claim on a file), asks the
// stop flag, and hands the item to the next free worker; a worker only
// processes. Finished items come back to the loop's thread, which reports them
// in list order. An item is handed out only when a worker is free, so no picture
// starts after a stop was seen, and every picture handed out is finished.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "core/batch_loops.h"

// Workers for a run: `requested` when above 0, else one per processor; at least
// 1, at most kMaxBatchWorkers.
const int kMaxBatchWorkers = 64;
int batchWorkerCount(int requested);

// The 1-based list index of the item the calling thread is processing, 0 when it
// processes none (for the command line's fault report).
int batchItemOnThisThread();

class ItemWorkers {
public:
    // work(index) runs on a worker thread (index 0-based); starting(index) runs on
    // it just before, with the 1-based index (may be empty).
    ItemWorkers(int workers, std::function<ItemOutcome(size_t index)> work,
                std::function<void(int index)> starting);
    // Waits for every item handed out, then ends the workers.
    ~ItemWorkers();
    ItemWorkers(const ItemWorkers &) = delete;
    ItemWorkers &operator=(const ItemWorkers &) = delete;

    // A worker could take an item now.
    bool hasFreeWorker();
    // Hands the item to a free worker (or, when no worker thread could be
    // started, processes it on the calling thread).
    void hand(size_t index);
    // Items handed out and not yet taken back.
    int inFlight();
    // Waits until a handed-out item is finished (returns at once when one is, or
    // when none is out).
    void waitForFinished();
    // The finished items, in the order they finished; emptied.
    std::vector<std::pair<size_t, ItemOutcome>> takeFinished();

private:
    static DWORD WINAPI threadMain(LPVOID self);
    void runOne(size_t index);
    void workerLoop();

    std::function<ItemOutcome(size_t)> work_;
    std::function<void(int)> starting_;
    std::vector<HANDLE> threads_;
    CRITICAL_SECTION lock_;
    HANDLE taskReady_ = nullptr;  // semaphore: one count per queued index (or quit)
    HANDLE itemDone_ = nullptr;   // auto-reset: some item finished
    std::vector<size_t> queue_;
    std::vector<std::pair<size_t, ItemOutcome>> finished_;
    int busy_ = 0;  // queued or being processed
    bool quitting_ = false;
};
